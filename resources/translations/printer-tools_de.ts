<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>TBPrinters</name>
    <message>
        <source>Printers</source>
        <translation>Drucker</translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation>&amp;Drucker</translation>
    </message>
    <message>
        <source>Update Firmware…</source>
        <translation>Firmware aktualisieren…</translation>
    </message>
    <message>
        <source>Update the selected printer&apos;s firmware and colour tables</source>
        <translation>Firmware und Farbtabellen des ausgewählten Druckers aktualisieren</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Neu einlesen</translation>
    </message>
    <message>
        <source>Read the selected printer&apos;s information again</source>
        <translation>Angaben des ausgewählten Druckers neu einlesen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Drucker</translation>
    </message>
    <message>
        <source>USB Status</source>
        <translation>USB-Status</translation>
    </message>
    <message>
        <source>Printer Status</source>
        <translation>Druckerstatus</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Package Firmware</source>
        <translation>Paket-Firmware</translation>
    </message>
    <message>
        <source>Lifetime Counter</source>
        <translation>Gesamtzähler</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>USB Serial Number</source>
        <translation>USB-Seriennummer</translation>
    </message>
    <message>
        <source>Colour Tables (Version / Checksum)</source>
        <translation>Farbtabellen (Version / Prüfsumme)</translation>
    </message>
    <message>
        <source>Colour table %1: version %2, checksum %3</source>
        <translation>Farbtabelle %1: Version %2, Prüfsumme %3</translation>
    </message>
    <message>
        <source>USB Open</source>
        <translation>USB geöffnet</translation>
    </message>
    <message>
        <source>USB Busy</source>
        <translation>USB belegt</translation>
    </message>
    <message>
        <source>Waiting for USB</source>
        <translation>Warte auf USB</translation>
    </message>
    <message>
        <source>USB Available</source>
        <translation>USB verfügbar</translation>
    </message>
    <message>
        <source>No permission: install the udev rule</source>
        <translation>Keine Berechtigung: udev-Regel installieren</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Aktiviert</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>Deaktiviert</translation>
    </message>
    <message>
        <source>Unavailable</source>
        <translation>Nicht verfügbar</translation>
    </message>
    <message>
        <source>In use by other application</source>
        <translation>Von anderem Programm belegt</translation>
    </message>
    <message>
        <source>Firmware Update Mode</source>
        <translation>Firmware-Aktualisierungsmodus</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Printing</source>
        <translation>Druckt</translation>
    </message>
    <message>
        <source>Head cool down cycle</source>
        <translation>Druckkopf kühlt ab</translation>
    </message>
    <message>
        <source>Motor cool down cycle</source>
        <translation>Motor kühlt ab</translation>
    </message>
    <message>
        <source>Sleeping (standby mode)</source>
        <translation>Ruhezustand (Standby)</translation>
    </message>
    <message>
        <source>Cover Open</source>
        <translation>Abdeckung offen</translation>
    </message>
    <message>
        <source>Scrap Box Missing</source>
        <translation>Abfallbehälter fehlt</translation>
    </message>
    <message>
        <source>Paper End</source>
        <translation>Papierende</translation>
    </message>
    <message>
        <source>Ribbon End</source>
        <translation>Farbband zu Ende</translation>
    </message>
    <message>
        <source>Paper Jam</source>
        <translation>Papierstau</translation>
    </message>
    <message>
        <source>Ribbon Error</source>
        <translation>Farbbandfehler</translation>
    </message>
    <message>
        <source>Wrong Paper</source>
        <translation>Falsches Papier</translation>
    </message>
    <message>
        <source>Bad Data</source>
        <translation>Fehlerhafte Daten</translation>
    </message>
    <message>
        <source>Head Voltage Error</source>
        <translation>Fehler der Druckkopfspannung</translation>
    </message>
    <message>
        <source>Head Position Error</source>
        <translation>Fehler der Druckkopfposition</translation>
    </message>
    <message>
        <source>Power supply Error</source>
        <translation>Fehler der Stromversorgung</translation>
    </message>
    <message>
        <source>Cutter Error</source>
        <translation>Fehler des Schneidwerks</translation>
    </message>
    <message>
        <source>Pinch Roller Error</source>
        <translation>Fehler der Andruckrolle</translation>
    </message>
    <message>
        <source>Head Temp High Error</source>
        <translation>Druckkopftemperatur zu hoch</translation>
    </message>
    <message>
        <source>Media Temp Error</source>
        <translation>Fehler der Medientemperatur</translation>
    </message>
    <message>
        <source>Motor Temp Error</source>
        <translation>Fehler der Motortemperatur</translation>
    </message>
    <message>
        <source>Ribbon Tension Error</source>
        <translation>Fehler der Farbbandspannung</translation>
    </message>
    <message>
        <source>RFID Module Error</source>
        <translation>Fehler des RFID-Moduls</translation>
    </message>
    <message>
        <source>System Fail Error</source>
        <translation>Systemfehler</translation>
    </message>
    <message>
        <source>Unknown Status</source>
        <translation>Unbekannter Status</translation>
    </message>
    <message>
        <source>&amp;Simulation</source>
        <translation>&amp;Simulation</translation>
    </message>
    <message>
        <source>Plug In</source>
        <translation>Anschließen</translation>
    </message>
    <message>
        <source>Unplug</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Paper End Error</source>
        <translation>Fehler „Papierende“</translation>
    </message>
    <message>
        <source>Held by Another Program</source>
        <translation>Von anderem Programm belegt</translation>
    </message>
    <message>
        <source>No simulated printer</source>
        <translation>Kein simulierter Drucker</translation>
    </message>
    <message>
        <source>Other Models (Ignored by This Program)</source>
        <translation>Weitere Modelle (von diesem Programm ignoriert)</translation>
    </message>
    <message>
        <source>%1 printer</source>
        <translation>Drucker %1</translation>
    </message>
    <message>
        <source>%1 at port %2</source>
        <translation>%1 an Anschluss %2</translation>
    </message>
    <message>
        <source>Plug in or unplug simulated printers, or make one misbehave</source>
        <translation>Simulierte Drucker anschließen, trennen oder stören</translation>
    </message>
    <message>
        <source>Alert</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>This update tool is for the ZEV QXA printer. It will upgrade the printer firmware to version %1.

Once updated, the QXA printer will REQUIRE the use of QXAHS media packs. Please use up all QXA media before using this update tool. This process cannot be undone.</source>
        <translation>Dieses Aktualisierungsprogramm ist für den Drucker ZEV QXA. Es aktualisiert die Druckerfirmware auf Version %1.

Nach der Aktualisierung BENÖTIGT der QXA-Drucker QXAHS-Medienpakete. Bitte verbrauchen Sie alle QXA-Medien, bevor Sie dieses Aktualisierungsprogramm verwenden. Dieser Vorgang kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>This update tool will upgrade the printer firmware to version %1. This process cannot be undone</source>
        <translation>Dieses Aktualisierungsprogramm aktualisiert die Druckerfirmware auf Version %1. Dieser Vorgang kann nicht rückgängig gemacht werden</translation>
    </message>
    <message>
        <source>I Agree</source>
        <translation>Ich stimme zu</translation>
    </message>
    <message>
        <source>Attention:</source>
        <translation>Achtung:</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Fortfahren</translation>
    </message>
    <message>
        <source>The Selected Printer is Unavailable. (Busy)</source>
        <translation>Der ausgewählte Drucker ist nicht verfügbar. (Belegt)</translation>
    </message>
    <message>
        <source>Please power-cycle the selected printer now to complete the process!</source>
        <translation>Bitte schalten Sie den ausgewählten Drucker jetzt aus und wieder ein, um den Vorgang abzuschließen!</translation>
    </message>
    <message>
        <source>Old print queues could not be removed</source>
        <translation>Alte Druckwarteschlangen konnten nicht entfernt werden</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device. These print queues for it could not be removed:

%1

Remove them in the printer settings, or ask your administrator to remove them.</source>
        <translation>Das Drucksystem wird den Drucker als neues Gerät sehen. Diese Druckwarteschlangen des Druckers konnten nicht entfernt werden:

%1

Entfernen Sie sie in den Druckereinstellungen oder bitten Sie Ihre Administration darum.</translation>
    </message>
    <message>
        <source>Power Cycle</source>
        <translation>Aus- und einschalten</translation>
    </message>
    <message>
        <source>Not Responding</source>
        <translation>Antwortet nicht</translation>
    </message>
    <message>
        <source>Firmware update not needed</source>
        <translation>Firmware-Aktualisierung nicht nötig</translation>
    </message>
    <message>
        <source>This printer has firmware version %1 installed.</source>
        <translation>Auf diesem Drucker ist die Firmware-Version %1 installiert.</translation>
    </message>
    <message>
        <source>Printer Busy</source>
        <translation>Drucker belegt</translation>
    </message>
    <message>
        <source>Another application is using the printer. Please proceed when the printer becomes available.</source>
        <translation>Ein anderes Programm verwendet den Drucker. Bitte fahren Sie fort, sobald der Drucker verfügbar ist.</translation>
    </message>
    <message>
        <source>Printer Error</source>
        <translation>Druckerfehler</translation>
    </message>
    <message>
        <source>The printer is not responding properly. Please power-cycle the printer and try again.</source>
        <translation>Der Drucker antwortet nicht richtig. Bitte schalten Sie den Drucker aus und wieder ein und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Printer Not Ready</source>
        <translation>Drucker nicht bereit</translation>
    </message>
    <message>
        <source>Please correct the following issue: %1</source>
        <translation>Bitte beheben Sie folgendes Problem: %1</translation>
    </message>
    <message>
        <source>Proceed</source>
        <translation>Fortfahren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>-- Warning --

Are you certain you want to update the firmware?</source>
        <translation>-- Warnung --

Möchten Sie die Firmware wirklich aktualisieren?</translation>
    </message>
    <message>
        <source>The printer may be permanently damaged if it is unplugged or loses power during the update process.</source>
        <translation>Der Drucker kann dauerhaft beschädigt werden, wenn er während der Aktualisierung getrennt wird oder die Stromversorgung verliert.</translation>
    </message>
    <message>
        <source>Update Firmware to %1</source>
        <translation>Firmware auf %1 aktualisieren</translation>
    </message>
    <message>
        <source>Updating firmware ...</source>
        <translation>Firmware wird aktualisiert ...</translation>
    </message>
    <message>
        <source>Writing firmware ...</source>
        <translation>Firmware wird geschrieben ...</translation>
    </message>
    <message>
        <source>The firmware could not be sent to the printer</source>
        <translation>Die Firmware konnte nicht an den Drucker gesendet werden</translation>
    </message>
    <message>
        <source>The printer stays in firmware update mode until it receives the firmware. Check the USB cable and choose Update Firmware… to send it again. A printer that was unplugged gets the firmware again when it is plugged back in.</source>
        <translation>Der Drucker bleibt im Firmware-Aktualisierungsmodus, bis er die Firmware erhält. Prüfen Sie das USB-Kabel und wählen Sie „Firmware aktualisieren…“, um sie erneut zu senden. Ein getrennter Drucker erhält die Firmware erneut, sobald er wieder angeschlossen wird.</translation>
    </message>
    <message>
        <source>The color tables could not be written</source>
        <translation>Die Farbtabellen konnten nicht geschrieben werden</translation>
    </message>
    <message>
        <source>The printer has its new firmware. Unplug it and plug it in again to write the color tables.</source>
        <translation>Der Drucker hat seine neue Firmware. Trennen Sie ihn und schließen Sie ihn wieder an, um die Farbtabellen zu schreiben.</translation>
    </message>
    <message>
        <source>There is a problem with the firmware files.</source>
        <translation>Es gibt ein Problem mit den Firmware-Dateien.</translation>
    </message>
    <message>
        <source>The printer could not be opened.</source>
        <translation>Der Drucker konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Updating color tables ...</source>
        <translation>Farbtabellen werden aktualisiert ...</translation>
    </message>
    <message>
        <source>Firmware update was successful!</source>
        <translation>Die Firmware-Aktualisierung war erfolgreich!</translation>
    </message>
    <message>
        <source>Firmware version updated from %1 to %2</source>
        <translation>Firmware-Version von %1 auf %2 aktualisiert</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>There was a problem with the firmware update!</source>
        <translation>Bei der Firmware-Aktualisierung ist ein Problem aufgetreten!</translation>
    </message>
    <message>
        <source>Previous firmware version: %1 current version: %2</source>
        <translation>Vorherige Firmware-Version: %1 aktuelle Version: %2</translation>
    </message>
    <message>
        <source>-- File corruption --

There is a problem with the firmware files.</source>
        <translation>-- Beschädigte Dateien --

Es gibt ein Problem mit den Firmware-Dateien.</translation>
    </message>
    <message>
        <source>Contact customer support.</source>
        <translation>Wenden Sie sich an den Kundendienst.</translation>
    </message>
    <message>
        <source>There was a problem with the firmware file!</source>
        <translation>Es gibt ein Problem mit der Firmware-Datei!</translation>
    </message>
    <message>
        <source>This application may be damaged. Please download a new copy.</source>
        <translation>Dieses Programm ist möglicherweise beschädigt. Bitte laden Sie eine neue Kopie herunter.</translation>
    </message>
    <message>
        <source>An update is in progress…</source>
        <translation>Eine Aktualisierung läuft…</translation>
    </message>
    <message>
        <source>If you quit now, the update stops where it stands. A printer still waiting for its firmware stays in firmware update mode and cannot print until the firmware is sent to it again; a printer that already has its new firmware keeps its old color tables.

Keep this program running until it reports the outcome.</source>
        <translation>Wenn Sie das Programm jetzt beenden, bleibt die Aktualisierung stehen, wo sie ist. Ein Drucker, der noch auf seine Firmware wartet, bleibt im Firmware-Aktualisierungsmodus und kann nicht drucken, bis er die Firmware erneut erhält; ein Drucker, der seine neue Firmware schon hat, behält seine alten Farbtabellen.

Lassen Sie dieses Programm laufen, bis es das Ergebnis meldet.</translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation>Weiterlaufen lassen</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Trotzdem beenden</translation>
    </message>
    <message>
        <source>A printer was unexpectedly found in firmware update mode. Would you like to update the firmware? </source>
        <translation>Ein Drucker wurde unerwartet im Firmware-Aktualisierungsmodus gefunden. Möchten Sie die Firmware aktualisieren? </translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Ignorieren</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Firmware aktualisieren</translation>
    </message>
    <message>
        <source>Please power-cycle this printer</source>
        <translation>Bitte schalten Sie diesen Drucker aus und wieder ein</translation>
    </message>
    <message>
        <source>Contact customer support if power-cycling does not resolve the issue.</source>
        <translation>Wenden Sie sich an den Kundendienst, wenn Aus- und Einschalten das Problem nicht behebt.</translation>
    </message>
    <message>
        <source>The record of firmware updates under way could not be read</source>
        <translation>Die Aufzeichnung laufender Firmware-Aktualisierungen konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>It was set aside as %1.</source>
        <translation>Sie wurde als %1 beiseitegelegt.</translation>
    </message>
    <message>
        <source>An update that was interrupted when this program last ended cannot be carried on by itself. A printer found in firmware update mode can still be updated from here.</source>
        <translation>Eine Aktualisierung, die beim letzten Beenden dieses Programms unterbrochen wurde, kann nicht von selbst fortgesetzt werden. Ein Drucker im Firmware-Aktualisierungsmodus kann weiterhin von hier aus aktualisiert werden.</translation>
    </message>
    <message>
        <source>In Firmware Update Mode</source>
        <translation>Im Firmware-Aktualisierungsmodus</translation>
    </message>
    <message>
        <source>The printer stopped taking them.</source>
        <translation>Der Drucker hat sie nicht mehr angenommen.</translation>
    </message>
    <message>
        <source>%1: not a good S-record file</source>
        <translation>%1: keine gültige S-Record-Datei</translation>
    </message>
    <message>
        <source>%1: good S-record file (header &quot;%2&quot;)</source>
        <translation>%1: gültige S-Record-Datei (Kopf „%2“)</translation>
    </message>
    <message>
        <source>%1: good S-record file</source>
        <translation>%1: gültige S-Record-Datei</translation>
    </message>
    <message>
        <source>The firmware package is intact.</source>
        <translation>Das Firmware-Paket ist unversehrt.</translation>
    </message>
    <message>
        <source>The firmware package is damaged: reinstall the program.</source>
        <translation>Das Firmware-Paket ist beschädigt: Installieren Sie das Programm neu.</translation>
    </message>
    <message>
        <source>No printer found.</source>
        <translation>Kein Drucker gefunden.</translation>
    </message>
    <message>
        <source>The printer did not come back</source>
        <translation>Der Drucker ist nicht zurückgekommen</translation>
    </message>
    <message>
        <source>Nothing was heard from the printer for %1 minutes. Check it and its cable, then run the update again.</source>
        <translation>Der Drucker hat sich %1 Minuten lang nicht gemeldet. Prüfen Sie ihn und sein Kabel und starten Sie die Aktualisierung erneut.</translation>
    </message>
    <message>
        <source>The printer is gone</source>
        <translation>Der Drucker ist nicht mehr da</translation>
    </message>
    <message>
        <source>The printer left the USB bus before its turn came.</source>
        <translation>Der Drucker hat den USB-Bus verlassen, bevor er an der Reihe war.</translation>
    </message>
    <message>
        <source>%1: %2, firmware %3</source>
        <translation>%1: %2, Firmware %3</translation>
    </message>
    <message>
        <source>%1: the printer left the USB bus (restarting)</source>
        <translation>%1: Der Drucker hat den USB-Bus verlassen (Neustart)</translation>
    </message>
    <message>
        <source>%1: the printer is back</source>
        <translation>%1: Der Drucker ist wieder da</translation>
    </message>
    <message>
        <source>No USB serial-number switch</source>
        <translation>Kein Schalter für die USB-Seriennummer</translation>
    </message>
    <message>
        <source>This printer cannot switch its USB serial-number report.</source>
        <translation>Dieser Drucker kann die Meldung seiner USB-Seriennummer nicht umschalten.</translation>
    </message>
    <message>
        <source>Nothing to switch</source>
        <translation>Nichts umzuschalten</translation>
    </message>
    <message>
        <source>The USB serial-number report is already %1.</source>
        <translation>Die Meldung der USB-Seriennummer ist bereits: %1.</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report on?</source>
        <translation>Meldung der USB-Seriennummer einschalten?</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report off?</source>
        <translation>Meldung der USB-Seriennummer ausschalten?</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device after its next power cycle; the print queues of its model are removed.</source>
        <translation>Nach dem nächsten Aus- und Einschalten erscheint der Drucker dem Drucksystem als neues Gerät; die Druckwarteschlangen seines Modells werden entfernt.</translation>
    </message>
    <message>
        <source>Switch On</source>
        <translation>Einschalten</translation>
    </message>
    <message>
        <source>Switch Off</source>
        <translation>Ausschalten</translation>
    </message>
    <message>
        <source>USB serial-number report switched</source>
        <translation>Meldung der USB-Seriennummer umgeschaltet</translation>
    </message>
    <message>
        <source>Power-cycle the printer to complete the change.</source>
        <translation>Schalten Sie den Drucker aus und wieder ein, um die Änderung abzuschließen.</translation>
    </message>
    <message>
        <source>The switch was not changed</source>
        <translation>Der Schalter wurde nicht geändert</translation>
    </message>
    <message>
        <source>The printer did not take the switch.</source>
        <translation>Der Drucker hat die Umschaltung nicht angenommen.</translation>
    </message>
    <message>
        <source>Run this on a terminal to answer it, or pass --yes to accept the warning and the confirmation.</source>
        <translation>Starten Sie dies in einem Terminal, um zu antworten, oder geben Sie --yes an, um die Warnung und die Bestätigung anzunehmen.</translation>
    </message>
    <message>
        <source>The question could not be asked: there is no terminal to answer it on.</source>
        <translation>Die Frage konnte nicht gestellt werden: Es gibt kein Terminal, um sie zu beantworten.</translation>
    </message>
    <message>
        <source>The operator answered &quot;%1&quot;.</source>
        <translation>Die Antwort war „%1“.</translation>
    </message>
    <message>
        <source>The update history %1 is locked by another program. Updates are recorded as soon as it is free again.</source>
        <translation>Der Aktualisierungsverlauf %1 ist von einem anderen Programm gesperrt. Aktualisierungen werden aufgezeichnet, sobald er wieder frei ist.</translation>
    </message>
    <message>
        <source>The update history %1 cannot be used: %2</source>
        <translation>Der Aktualisierungsverlauf %1 kann nicht verwendet werden: %2</translation>
    </message>
    <message>
        <source>The update history %1 could not be read (%2). It was set aside as %3 and a new one started.</source>
        <translation>Der Aktualisierungsverlauf %1 konnte nicht gelesen werden (%2). Er wurde als %3 beiseitegelegt und ein neuer begonnen.</translation>
    </message>
    <message>
        <source>No update history is kept.</source>
        <translation>Es wird kein Aktualisierungsverlauf geführt.</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>Es wurde noch keine Aktualisierung aufgezeichnet.</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>Colour tables:</source>
        <translation>Farbtabellen:</translation>
    </message>
    <message>
        <source>Update history</source>
        <translation>Aktualisierungsverlauf</translation>
    </message>
    <message>
        <source>Succeeded</source>
        <translation>Erfolgreich</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>Not needed</source>
        <translation>Nicht nötig</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>Verloren</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>Unterbrochen</translation>
    </message>
    <message>
        <source>Under way</source>
        <translation>Läuft</translation>
    </message>
    <message>
        <source>Request</source>
        <translation>Anforderung</translation>
    </message>
    <message>
        <source>Restart into update mode</source>
        <translation>Neustart in den Aktualisierungsmodus</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>Übertragung</translation>
    </message>
    <message>
        <source>Programming and restart</source>
        <translation>Programmieren und Neustart</translation>
    </message>
    <message>
        <source>Colour tables</source>
        <translation>Farbtabellen</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Begonnen</translation>
    </message>
    <message>
        <source>Device Key</source>
        <translation>Geräteschlüssel</translation>
    </message>
    <message>
        <source>Colour Tables</source>
        <translation>Farbtabellen</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Failure</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Update History</source>
        <translation>Aktualisierungsverlauf</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportieren…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>Verlauf exportieren</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>Gespeichert unter %1</translation>
    </message>
    <message>
        <source>The history could not be saved to “%1”.</source>
        <translation>Der Verlauf konnte nicht unter „%1“ gespeichert werden.</translation>
    </message>
    <message>
        <source>History…</source>
        <translation>Verlauf…</translation>
    </message>
    <message>
        <source>Show the firmware updates made on this computer and export them for support</source>
        <translation>Die auf diesem Computer vorgenommenen Firmware-Aktualisierungen anzeigen und für den Kundendienst exportieren</translation>
    </message>
    <message>
        <source>The update history could not be used as it was</source>
        <translation>Der Aktualisierungsverlauf konnte nicht unverändert verwendet werden</translation>
    </message>
    <message>
        <source>Checking firmware ...</source>
        <translation>Firmware wird geprüft ...</translation>
    </message>
    <message>
        <source>Being updated by another program</source>
        <translation>Wird von einem anderen Programm aktualisiert</translation>
    </message>
    <message>
        <source>Firmware version updated to %1</source>
        <translation>Firmware-Version auf %1 aktualisiert</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>Current firmware version: %1</source>
        <translation>Aktuelle Firmware-Version: %1</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>Aktualisierung</translation>
    </message>
    <message>
        <source>The printer left the USB bus to restart during its firmware update and has not come back within %1 minutes. Check that it is switched on and that its USB cable is plugged in. Once it is back, the update carries on by itself; if it does not, power-cycle the printer.</source>
        <translation>Der Drucker hat den USB-Bus während der Firmware-Aktualisierung für einen Neustart verlassen und ist nicht innerhalb von %1 Minuten zurückgekommen. Prüfen Sie, ob er eingeschaltet und sein USB-Kabel eingesteckt ist. Sobald er wieder da ist, wird die Aktualisierung von selbst fortgesetzt; andernfalls schalten Sie den Drucker aus und wieder ein.</translation>
    </message>
    <message>
        <source>Another running printer-flasher is updating this printer. Let it finish, then try again.</source>
        <translation>Ein anderes laufendes printer-flasher aktualisiert diesen Drucker. Lassen Sie es fertig werden und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>from %1 to %2</source>
        <translation>von %1 auf %2</translation>
    </message>
    <message>
        <source>being updated by another program</source>
        <translation>wird von einem anderen Programm aktualisiert</translation>
    </message>
    <message>
        <source>This update tool will upgrade the firmware of these printers to versions %1. This process cannot be undone</source>
        <translation>Dieses Aktualisierungsprogramm aktualisiert die Firmware dieser Drucker auf die Versionen %1. Dieser Vorgang kann nicht rückgängig gemacht werden</translation>
    </message>
    <message>
        <source>it left the USB bus</source>
        <translation>er hat den USB-Bus verlassen</translation>
    </message>
    <message>
        <source>no update needed (firmware %1 installed)</source>
        <translation>keine Aktualisierung nötig (Firmware %1 installiert)</translation>
    </message>
    <message>
        <source>the firmware files are damaged</source>
        <translation>die Firmware-Dateien sind beschädigt</translation>
    </message>
    <message>
        <source>busy: another application is using it</source>
        <translation>belegt: ein anderes Programm verwendet ihn</translation>
    </message>
    <message>
        <source>not responding</source>
        <translation>antwortet nicht</translation>
    </message>
    <message>
        <source>not ready: %1</source>
        <translation>nicht bereit: %1</translation>
    </message>
    <message>
        <source>its update is already under way</source>
        <translation>seine Aktualisierung läuft bereits</translation>
    </message>
    <message>
        <source>These printers will be updated:</source>
        <translation>Diese Drucker werden aktualisiert:</translation>
    </message>
    <message>
        <source>These printers will not be updated:</source>
        <translation>Diese Drucker werden nicht aktualisiert:</translation>
    </message>
    <message>
        <source>Update %1 Printers</source>
        <translation>%1 Drucker aktualisieren</translation>
    </message>
    <message>
        <source>%1 of %2 printers updated</source>
        <translation>%1 von %2 Druckern aktualisiert</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>Updated:</source>
        <translation>Aktualisiert:</translation>
    </message>
    <message>
        <source>Failed:</source>
        <translation>Fehlgeschlagen:</translation>
    </message>
    <message>
        <source>Not updated:</source>
        <translation>Nicht aktualisiert:</translation>
    </message>
    <message>
        <source>Update All Printers…</source>
        <translation>Alle Drucker aktualisieren…</translation>
    </message>
    <message>
        <source>Update the firmware and colour tables of every listed printer at the same time</source>
        <translation>Firmware und Farbtabellen aller aufgeführten Drucker gleichzeitig aktualisieren</translation>
    </message>
    <message>
        <source>%1 updates are in progress…</source>
        <translation>%1 Aktualisierungen laufen…</translation>
    </message>
    <message>
        <source>The printer was not updated</source>
        <translation>Der Drucker wurde nicht aktualisiert</translation>
    </message>
    <message>
        <source>%1; update progress %2</source>
        <translation>%1; Fortschritt der Aktualisierung %2</translation>
    </message>
    <message>
        <source>The supported printers on the USB bus, one per row. Each row tells the printer, its status, its firmware and the progress of its update.</source>
        <translation>Die unterstützten Drucker am USB-Bus, einer pro Zeile. Jede Zeile nennt den Drucker, seinen Status, seine Firmware und den Fortschritt seiner Aktualisierung.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Fortschritt der Aktualisierung</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>%1: cannot ask this question: there is no terminal to answer it on.</source>
        <translation>%1: Diese Frage kann nicht gestellt werden: Es gibt kein Terminal, an dem sie beantwortet werden könnte.</translation>
    </message>
    <message>
        <source>(not available)</source>
        <translation>(nicht verfügbar)</translation>
    </message>
    <message>
        <source>Choose 1-%1 [1]:</source>
        <translation>Auswahl 1-%1 [1]:</translation>
    </message>
    <message>
        <source>%1: no answer (end of input).</source>
        <translation>%1: keine Antwort (Ende der Eingabe).</translation>
    </message>
    <message>
        <source>Please choose one of the available answers.</source>
        <translation>Bitte wählen Sie eine der verfügbaren Antworten.</translation>
    </message>
    <message>
        <source>Capture:</source>
        <translation>Mitschnitt:</translation>
    </message>
    <message>
        <source>The capture and this run diverged</source>
        <translation>Die Aufzeichnung und dieser Lauf weichen voneinander ab</translation>
    </message>
</context>
<context>
    <name>TBUSBPrinterZEV</name>
    <message>
        <source>Internal error L%1</source>
        <translation>Interner Fehler L%1</translation>
    </message>
    <message>
        <source>Communication error</source>
        <translation>Kommunikationsfehler</translation>
    </message>
</context>
</TS>
