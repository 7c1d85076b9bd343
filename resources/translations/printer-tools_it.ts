<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT" sourcelanguage="en">
<context>
    <name>TBPrinters</name>
    <message>
        <source>No permission: install the udev rule</source>
        <translation>Nessuna autorizzazione: installare la regola udev</translation>
    </message>
    <message>
        <source>In use by other application</source>
        <translation>In uso da un altro programma</translation>
    </message>
    <message>
        <source>Not Responding</source>
        <translation>Non risponde</translation>
    </message>
    <message>
        <source>Unavailable</source>
        <translation>Non disponibile</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Attivato</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>Disattivato</translation>
    </message>
    <message>
        <source>Alert</source>
        <translation>Avviso</translation>
    </message>
    <message>
        <source>This update tool is for the ZEV QXA printer. It will upgrade the printer firmware to version %1.

Once updated, the QXA printer will REQUIRE the use of QXAHS media packs. Please use up all QXA media before using this update tool. This process cannot be undone.</source>
        <translation>Questo programma di aggiornamento è destinato alla stampante ZEV QXA. Porterà il firmware della stampante alla versione %1.

Dopo l&apos;aggiornamento, la stampante QXA RICHIEDERÀ l&apos;uso delle confezioni di supporti QXAHS. Esaurire tutti i supporti QXA prima di usare questo programma di aggiornamento. L&apos;operazione è irreversibile.</translation>
    </message>
    <message>
        <source>This update tool will upgrade the printer firmware to version %1. This process cannot be undone</source>
        <translation>Questo programma di aggiornamento porterà il firmware della stampante alla versione %1. L&apos;operazione è irreversibile.</translation>
    </message>
    <message>
        <source>-- Warning --

Are you certain you want to update the firmware?</source>
        <translation>-- Avvertenza --

Si è sicuri di voler aggiornare il firmware?</translation>
    </message>
    <message>
        <source>The printer may be permanently damaged if it is unplugged or loses power during the update process.</source>
        <translation>La stampante può subire danni permanenti se viene scollegata o se resta senza alimentazione durante l&apos;aggiornamento.</translation>
    </message>
    <message>
        <source>I Agree</source>
        <translation>Accetto</translation>
    </message>
    <message>
        <source>Attention:</source>
        <translation>Attenzione:</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Esci</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Continua</translation>
    </message>
    <message>
        <source>The Selected Printer is Unavailable. (Busy)</source>
        <translation>La stampante selezionata non è disponibile. (Occupata)</translation>
    </message>
    <message>
        <source>Please power-cycle the selected printer now to complete the process!</source>
        <translation>Spegnere e riaccendere ora la stampante selezionata per completare l&apos;operazione!</translation>
    </message>
    <message>
        <source>Old print queues could not be removed</source>
        <translation>Impossibile rimuovere le vecchie code di stampa</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device. These print queues for it could not be removed:

%1

Remove them in the printer settings, or ask your administrator to remove them.</source>
        <translation>Per il sistema di stampa la stampante risulterà un nuovo dispositivo. Non è stato possibile rimuovere queste sue code di stampa:

%1

Rimuoverle dalle impostazioni della stampante o chiedere all&apos;amministratore di sistema di rimuoverle.</translation>
    </message>
    <message>
        <source>Checking firmware ...</source>
        <translation>Verifica del firmware ...</translation>
    </message>
    <message>
        <source>A printer was unexpectedly found in firmware update mode. Would you like to update the firmware? </source>
        <translation>È stata trovata inaspettatamente una stampante in modalità di aggiornamento firmware. Si desidera aggiornare il firmware? </translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Ignora</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Aggiorna firmware</translation>
    </message>
    <message>
        <source>Please power-cycle this printer</source>
        <translation>Spegnere e riaccendere questa stampante</translation>
    </message>
    <message>
        <source>Contact customer support if power-cycling does not resolve the issue.</source>
        <translation>Se spegnendo e riaccendendo la stampante il problema persiste, rivolgersi all&apos;assistenza clienti.</translation>
    </message>
    <message>
        <source>Being updated by another program</source>
        <translation>In aggiornamento da un altro programma</translation>
    </message>
    <message>
        <source>Firmware version updated to %1</source>
        <translation>Versione del firmware aggiornata a %1</translation>
    </message>
    <message>
        <source>Firmware version updated from %1 to %2</source>
        <translation>Versione del firmware aggiornata da %1 a %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>sconosciuta</translation>
    </message>
    <message>
        <source>Current firmware version: %1</source>
        <translation>Versione attuale del firmware: %1</translation>
    </message>
    <message>
        <source>Previous firmware version: %1 current version: %2</source>
        <translation>Versione precedente del firmware: %1; versione attuale: %2</translation>
    </message>
    <message>
        <source>There was a problem with the firmware update!</source>
        <translation>Si è verificato un problema durante l&apos;aggiornamento del firmware!</translation>
    </message>
    <message>
        <source>Firmware update not needed</source>
        <translation>Aggiornamento del firmware non necessario</translation>
    </message>
    <message>
        <source>This printer has firmware version %1 installed.</source>
        <translation>Su questa stampante è installata la versione %1 del firmware.</translation>
    </message>
    <message>
        <source>Printer Not Ready</source>
        <translation>Stampante non pronta</translation>
    </message>
    <message>
        <source>Please correct the following issue: %1</source>
        <translation>Risolvere il seguente problema: %1</translation>
    </message>
    <message>
        <source>Proceed</source>
        <translation>Procedi</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Printer Busy</source>
        <translation>Stampante occupata</translation>
    </message>
    <message>
        <source>Another application is using the printer. Please proceed when the printer becomes available.</source>
        <translation>Un altro programma sta usando la stampante. Procedere quando la stampante sarà di nuovo disponibile.</translation>
    </message>
    <message>
        <source>Update Firmware to %1</source>
        <translation>Aggiorna firmware a %1</translation>
    </message>
    <message>
        <source>Updating firmware ...</source>
        <translation>Aggiornamento del firmware ...</translation>
    </message>
    <message>
        <source>Writing firmware ...</source>
        <translation>Scrittura del firmware ...</translation>
    </message>
    <message>
        <source>The firmware could not be sent to the printer</source>
        <translation>Impossibile inviare il firmware alla stampante</translation>
    </message>
    <message>
        <source>The printer stays in firmware update mode until it receives the firmware. Check the USB cable and choose Update Firmware… to send it again. A printer that was unplugged gets the firmware again when it is plugged back in.</source>
        <translation>La stampante resta in modalità di aggiornamento firmware finché non riceve il firmware. Controllare il cavo USB e scegliere «Aggiorna firmware…» per inviarlo di nuovo. Una stampante che è stata scollegata riceve di nuovo il firmware quando viene ricollegata.</translation>
    </message>
    <message>
        <source>There is a problem with the firmware files.</source>
        <translation>C&apos;è un problema con i file del firmware.</translation>
    </message>
    <message>
        <source>The printer could not be opened.</source>
        <translation>Impossibile aprire la stampante.</translation>
    </message>
    <message>
        <source>The color tables could not be written</source>
        <translation>Impossibile scrivere le tabelle colori</translation>
    </message>
    <message>
        <source>The printer has its new firmware. Unplug it and plug it in again to write the color tables.</source>
        <translation>La stampante ha il nuovo firmware. Scollegarla e ricollegarla per scrivere le tabelle colori.</translation>
    </message>
    <message>
        <source>Updating color tables ...</source>
        <translation>Aggiornamento delle tabelle colori ...</translation>
    </message>
    <message>
        <source>The printer stopped taking them.</source>
        <translation>La stampante ha smesso di accettarle.</translation>
    </message>
    <message>
        <source>Firmware update was successful!</source>
        <translation>Aggiornamento del firmware riuscito!</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Fine</translation>
    </message>
    <message>
        <source>-- File corruption --

There is a problem with the firmware files.</source>
        <translation>-- File danneggiati --

C&apos;è un problema con i file del firmware.</translation>
    </message>
    <message>
        <source>Contact customer support.</source>
        <translation>Rivolgersi all&apos;assistenza clienti.</translation>
    </message>
    <message>
        <source>There was a problem with the firmware file!</source>
        <translation>C&apos;è un problema con il file del firmware!</translation>
    </message>
    <message>
        <source>This application may be damaged. Please download a new copy.</source>
        <translation>Questo programma potrebbe essere danneggiato. Scaricarne una nuova copia.</translation>
    </message>
    <message>
        <source>The update history %1 is locked by another program. Updates are recorded as soon as it is free again.</source>
        <translation>La cronologia degli aggiornamenti %1 è bloccata da un altro programma. Gli aggiornamenti verranno registrati non appena sarà di nuovo libera.</translation>
    </message>
    <message>
        <source>The update history %1 cannot be used: %2</source>
        <translation>Impossibile usare la cronologia degli aggiornamenti %1: %2</translation>
    </message>
    <message>
        <source>The update history %1 could not be read (%2). It was set aside as %3 and a new one started.</source>
        <translation>Impossibile leggere la cronologia degli aggiornamenti %1 (%2). È stata messa da parte come %3 e ne è stata iniziata una nuova.</translation>
    </message>
    <message>
        <source>No update history is kept.</source>
        <translation>Non viene tenuta alcuna cronologia degli aggiornamenti.</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>Nessun aggiornamento registrato.</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>Colour tables:</source>
        <translation>Tabelle colori:</translation>
    </message>
    <message>
        <source>Update history</source>
        <translation>Cronologia aggiornamenti</translation>
    </message>
    <message>
        <source>The record of firmware updates under way could not be read</source>
        <translation>Impossibile leggere il registro degli aggiornamenti del firmware in corso</translation>
    </message>
    <message>
        <source>It was set aside as %1.</source>
        <translation>È stato messo da parte come %1.</translation>
    </message>
    <message>
        <source>An update that was interrupted when this program last ended cannot be carried on by itself. A printer found in firmware update mode can still be updated from here.</source>
        <translation>Un aggiornamento interrotto all&apos;ultima chiusura di questo programma non può riprendere da solo. Una stampante trovata in modalità di aggiornamento firmware può comunque essere aggiornata da qui.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>from %1 to %2</source>
        <translation>da %1 a %2</translation>
    </message>
    <message>
        <source>being updated by another program</source>
        <translation>in aggiornamento da un altro programma</translation>
    </message>
    <message>
        <source>This update tool will upgrade the firmware of these printers to versions %1. This process cannot be undone</source>
        <translation>Questo programma di aggiornamento porterà il firmware di queste stampanti alle versioni %1. L&apos;operazione è irreversibile.</translation>
    </message>
    <message>
        <source>it left the USB bus</source>
        <translation>si è disconnessa dal bus USB</translation>
    </message>
    <message>
        <source>no update needed (firmware %1 installed)</source>
        <translation>nessun aggiornamento necessario (firmware %1 installato)</translation>
    </message>
    <message>
        <source>the firmware files are damaged</source>
        <translation>i file del firmware sono danneggiati</translation>
    </message>
    <message>
        <source>busy: another application is using it</source>
        <translation>occupata: un altro programma la sta usando</translation>
    </message>
    <message>
        <source>not responding</source>
        <translation>non risponde</translation>
    </message>
    <message>
        <source>not ready: %1</source>
        <translation>non pronta: %1</translation>
    </message>
    <message>
        <source>its update is already under way</source>
        <translation>il suo aggiornamento è già in corso</translation>
    </message>
    <message>
        <source>These printers will be updated:</source>
        <translation>Queste stampanti verranno aggiornate:</translation>
    </message>
    <message>
        <source>These printers will not be updated:</source>
        <translation>Queste stampanti non verranno aggiornate:</translation>
    </message>
    <message>
        <source>Update %1 Printers</source>
        <translation>Aggiorna %1 stampanti</translation>
    </message>
    <message>
        <source>%1 of %2 printers updated</source>
        <translation>Stampanti aggiornate: %1 su %2</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>annullato</translation>
    </message>
    <message>
        <source>Updated:</source>
        <translation>Aggiornate:</translation>
    </message>
    <message>
        <source>Failed:</source>
        <translation>Non riuscite:</translation>
    </message>
    <message>
        <source>Not updated:</source>
        <translation>Non aggiornate:</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>In aggiornamento</translation>
    </message>
    <message>
        <source>The printer did not come back</source>
        <translation>La stampante non si è ricollegata</translation>
    </message>
    <message>
        <source>The printer left the USB bus to restart during its firmware update and has not come back within %1 minutes. Check that it is switched on and that its USB cable is plugged in. Once it is back, the update carries on by itself; if it does not, power-cycle the printer.</source>
        <translation>La stampante si è disconnessa dal bus USB per riavviarsi durante l&apos;aggiornamento del firmware e non si è ricollegata entro %1 minuti. Verificare che sia accesa e che il suo cavo USB sia collegato. Quando si ricollega, l&apos;aggiornamento prosegue da solo; in caso contrario, spegnere e riaccendere la stampante.</translation>
    </message>
    <message>
        <source>Printer Error</source>
        <translation>Errore della stampante</translation>
    </message>
    <message>
        <source>The printer is not responding properly. Please power-cycle the printer and try again.</source>
        <translation>La stampante non risponde correttamente. Spegnere e riaccendere la stampante e riprovare.</translation>
    </message>
    <message>
        <source>Firmware Update Mode</source>
        <translation>Modalità aggiornamento firmware</translation>
    </message>
    <message>
        <source>Unknown Status</source>
        <translation>Stato sconosciuto</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>Pronta</translation>
    </message>
    <message>
        <source>Printing</source>
        <translation>In stampa</translation>
    </message>
    <message>
        <source>Head cool down cycle</source>
        <translation>Raffreddamento testina</translation>
    </message>
    <message>
        <source>Motor cool down cycle</source>
        <translation>Raffreddamento motore</translation>
    </message>
    <message>
        <source>Sleeping (standby mode)</source>
        <translation>In sospensione (standby)</translation>
    </message>
    <message>
        <source>Cover Open</source>
        <translation>Coperchio aperto</translation>
    </message>
    <message>
        <source>Scrap Box Missing</source>
        <translation>Contenitore scarti mancante</translation>
    </message>
    <message>
        <source>Paper End</source>
        <translation>Carta esaurita</translation>
    </message>
    <message>
        <source>Ribbon End</source>
        <translation>Nastro esaurito</translation>
    </message>
    <message>
        <source>Paper Jam</source>
        <translation>Inceppamento carta</translation>
    </message>
    <message>
        <source>Ribbon Error</source>
        <translation>Errore nastro</translation>
    </message>
    <message>
        <source>Wrong Paper</source>
        <translation>Carta errata</translation>
    </message>
    <message>
        <source>Bad Data</source>
        <translation>Dati non validi</translation>
    </message>
    <message>
        <source>Head Voltage Error</source>
        <translation>Errore tensione testina</translation>
    </message>
    <message>
        <source>Head Position Error</source>
        <translation>Errore posizione testina</translation>
    </message>
    <message>
        <source>Power supply Error</source>
        <translation>Errore alimentazione</translation>
    </message>
    <message>
        <source>Cutter Error</source>
        <translation>Errore taglierina</translation>
    </message>
    <message>
        <source>Pinch Roller Error</source>
        <translation>Errore rullo pressore</translation>
    </message>
    <message>
        <source>Head Temp High Error</source>
        <translation>Temperatura testina troppo alta</translation>
    </message>
    <message>
        <source>Media Temp Error</source>
        <translation>Errore temperatura supporto</translation>
    </message>
    <message>
        <source>Motor Temp Error</source>
        <translation>Errore temperatura motore</translation>
    </message>
    <message>
        <source>Ribbon Tension Error</source>
        <translation>Errore tensione nastro</translation>
    </message>
    <message>
        <source>RFID Module Error</source>
        <translation>Errore modulo RFID</translation>
    </message>
    <message>
        <source>System Fail Error</source>
        <translation>Errore di sistema</translation>
    </message>
    <message>
        <source>USB Available</source>
        <translation>USB disponibile</translation>
    </message>
    <message>
        <source>USB Open</source>
        <translation>USB aperta</translation>
    </message>
    <message>
        <source>Waiting for USB</source>
        <translation>In attesa di USB</translation>
    </message>
    <message>
        <source>USB Busy</source>
        <translation>USB occupata</translation>
    </message>
    <message>
        <source>%1 at port %2</source>
        <translation>%1 sulla porta %2</translation>
    </message>
    <message>
        <source>Succeeded</source>
        <translation>Riuscito</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Non riuscito</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Annullato</translation>
    </message>
    <message>
        <source>Not needed</source>
        <translation>Non necessario</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>Perso</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>Interrotto</translation>
    </message>
    <message>
        <source>Under way</source>
        <translation>In corso</translation>
    </message>
    <message>
        <source>Request</source>
        <translation>Richiesta</translation>
    </message>
    <message>
        <source>Restart into update mode</source>
        <translation>Riavvio in modalità aggiornamento</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>Trasferimento</translation>
    </message>
    <message>
        <source>Programming and restart</source>
        <translation>Programmazione e riavvio</translation>
    </message>
    <message>
        <source>Colour tables</source>
        <translation>Tabelle colori</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Inizio</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Stampante</translation>
    </message>
    <message>
        <source>Device Key</source>
        <translation>Chiave dispositivo</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Colour Tables</source>
        <translation>Tabelle colori</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Esito</translation>
    </message>
    <message>
        <source>Failure</source>
        <translation>Errore</translation>
    </message>
    <message>
        <source>Update History</source>
        <translation>Cronologia aggiornamenti</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Esporta…</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Ricarica</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>Esporta cronologia</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>Salvata in %1</translation>
    </message>
    <message>
        <source>The history could not be saved to “%1”.</source>
        <translation>Impossibile salvare la cronologia in «%1».</translation>
    </message>
    <message>
        <source>The update history could not be used as it was</source>
        <translation>Impossibile usare la cronologia degli aggiornamenti così com&apos;era</translation>
    </message>
    <message>
        <source>USB Status</source>
        <translation>Stato USB</translation>
    </message>
    <message>
        <source>Printer Status</source>
        <translation>Stato stampante</translation>
    </message>
    <message>
        <source>Package Firmware</source>
        <translation>Firmware del pacchetto</translation>
    </message>
    <message>
        <source>Lifetime Counter</source>
        <translation>Contatore totale</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Numero di serie</translation>
    </message>
    <message>
        <source>USB Serial Number</source>
        <translation>Numero di serie USB</translation>
    </message>
    <message>
        <source>Colour Tables (Version / Checksum)</source>
        <translation>Tabelle colori (versione / checksum)</translation>
    </message>
    <message>
        <source>Colour table %1: version %2, checksum %3</source>
        <translation>Tabella colori %1: versione %2, checksum %3</translation>
    </message>
    <message>
        <source>Printers</source>
        <translation>Stampanti</translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation>&amp;Stampante</translation>
    </message>
    <message>
        <source>Update Firmware…</source>
        <translation>Aggiorna firmware…</translation>
    </message>
    <message>
        <source>Update the selected printer&apos;s firmware and colour tables</source>
        <translation>Aggiorna il firmware e le tabelle colori della stampante selezionata</translation>
    </message>
    <message>
        <source>Update All Printers…</source>
        <translation>Aggiorna tutte le stampanti…</translation>
    </message>
    <message>
        <source>Update the firmware and colour tables of every listed printer at the same time</source>
        <translation>Aggiorna contemporaneamente il firmware e le tabelle colori di tutte le stampanti elencate</translation>
    </message>
    <message>
        <source>Read the selected printer&apos;s information again</source>
        <translation>Rileggi le informazioni della stampante selezionata</translation>
    </message>
    <message>
        <source>History…</source>
        <translation>Cronologia…</translation>
    </message>
    <message>
        <source>Show the firmware updates made on this computer and export them for support</source>
        <translation>Mostra gli aggiornamenti del firmware eseguiti su questo computer ed esportali per l&apos;assistenza</translation>
    </message>
    <message>
        <source>%1 updates are in progress…</source>
        <translation>%1 aggiornamenti in corso…</translation>
    </message>
    <message>
        <source>An update is in progress…</source>
        <translation>Aggiornamento in corso…</translation>
    </message>
    <message>
        <source>If you quit now, the update stops where it stands. A printer still waiting for its firmware stays in firmware update mode and cannot print until the firmware is sent to it again; a printer that already has its new firmware keeps its old color tables.

Keep this program running until it reports the outcome.</source>
        <translation>Se si esce ora, l&apos;aggiornamento si ferma al punto in cui si trova. Una stampante che attende ancora il firmware resta in modalità di aggiornamento firmware e non può stampare finché il firmware non le viene inviato di nuovo; una stampante che ha già il nuovo firmware mantiene le vecchie tabelle colori.

Lasciare in esecuzione questo programma finché non ne comunica l&apos;esito.</translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation>Non uscire</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Esci comunque</translation>
    </message>
    <message>
        <source>No simulated printer</source>
        <translation>Nessuna stampante simulata</translation>
    </message>
    <message>
        <source>&amp;Simulation</source>
        <translation>Si&amp;mulazione</translation>
    </message>
    <message>
        <source>Plug in or unplug simulated printers, or make one misbehave</source>
        <translation>Collega o scollega stampanti simulate, oppure provoca un malfunzionamento</translation>
    </message>
    <message>
        <source>Plug In</source>
        <translation>Collega</translation>
    </message>
    <message>
        <source>Other Models (Ignored by This Program)</source>
        <translation>Altri modelli (ignorati da questo programma)</translation>
    </message>
    <message>
        <source>%1 printer</source>
        <translation>Stampante %1</translation>
    </message>
    <message>
        <source>In Firmware Update Mode</source>
        <translation>In modalità aggiornamento firmware</translation>
    </message>
    <message>
        <source>Unplug</source>
        <translation>Scollega</translation>
    </message>
    <message>
        <source>Power Cycle</source>
        <translation>Spegni e riaccendi</translation>
    </message>
    <message>
        <source>Paper End Error</source>
        <translation>Errore carta esaurita</translation>
    </message>
    <message>
        <source>Held by Another Program</source>
        <translation>Occupata da un altro programma</translation>
    </message>
    <message>
        <source>%1: not a good S-record file</source>
        <translation>%1: file S-record non valido</translation>
    </message>
    <message>
        <source>%1: good S-record file (header &quot;%2&quot;)</source>
        <translation>%1: file S-record valido (intestazione «%2»)</translation>
    </message>
    <message>
        <source>%1: good S-record file</source>
        <translation>%1: file S-record valido</translation>
    </message>
    <message>
        <source>The firmware package is intact.</source>
        <translation>Il pacchetto firmware è integro.</translation>
    </message>
    <message>
        <source>The firmware package is damaged: reinstall the program.</source>
        <translation>Il pacchetto firmware è danneggiato: reinstallare il programma.</translation>
    </message>
    <message>
        <source>No printer found.</source>
        <translation>Nessuna stampante trovata.</translation>
    </message>
    <message>
        <source>Nothing was heard from the printer for %1 minutes. Check it and its cable, then run the update again.</source>
        <translation>Nessun segnale dalla stampante per %1 minuti. Controllare la stampante e il suo cavo, poi eseguire di nuovo l&apos;aggiornamento.</translation>
    </message>
    <message>
        <source>The printer is gone</source>
        <translation>La stampante non è più presente</translation>
    </message>
    <message>
        <source>The printer left the USB bus before its turn came.</source>
        <translation>La stampante si è disconnessa dal bus USB prima che arrivasse il suo turno.</translation>
    </message>
    <message>
        <source>The printer was not updated</source>
        <translation>La stampante non è stata aggiornata</translation>
    </message>
    <message>
        <source>%1: %2, firmware %3</source>
        <translation>%1: %2, firmware %3</translation>
    </message>
    <message>
        <source>%1: the printer left the USB bus (restarting)</source>
        <translation>%1: la stampante si è disconnessa dal bus USB (riavvio)</translation>
    </message>
    <message>
        <source>%1: the printer is back</source>
        <translation>%1: la stampante si è ricollegata</translation>
    </message>
    <message>
        <source>Another running printer-flasher is updating this printer. Let it finish, then try again.</source>
        <translation>Un&apos;altra istanza di printer-flasher in esecuzione sta aggiornando questa stampante. Attendere che termini, poi riprovare.</translation>
    </message>
    <message>
        <source>No USB serial-number switch</source>
        <translation>Invio del numero di serie USB non commutabile</translation>
    </message>
    <message>
        <source>This printer cannot switch its USB serial-number report.</source>
        <translation>Questa stampante non può attivare o disattivare l&apos;invio del proprio numero di serie USB.</translation>
    </message>
    <message>
        <source>Nothing to switch</source>
        <translation>Nessuna modifica necessaria</translation>
    </message>
    <message>
        <source>The USB serial-number report is already %1.</source>
        <translation>L&apos;invio del numero di serie USB è già «%1».</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report on?</source>
        <translation>Attivare l&apos;invio del numero di serie USB?</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report off?</source>
        <translation>Disattivare l&apos;invio del numero di serie USB?</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device after its next power cycle; the print queues of its model are removed.</source>
        <translation>Dopo il prossimo spegnimento e riaccensione, la stampante risulterà al sistema di stampa come un nuovo dispositivo; le code di stampa del suo modello vengono rimosse.</translation>
    </message>
    <message>
        <source>Switch On</source>
        <translation>Attiva</translation>
    </message>
    <message>
        <source>Switch Off</source>
        <translation>Disattiva</translation>
    </message>
    <message>
        <source>USB serial-number report switched</source>
        <translation>Invio del numero di serie USB modificato</translation>
    </message>
    <message>
        <source>Power-cycle the printer to complete the change.</source>
        <translation>Spegnere e riaccendere la stampante per completare la modifica.</translation>
    </message>
    <message>
        <source>The switch was not changed</source>
        <translation>L&apos;impostazione non è stata modificata</translation>
    </message>
    <message>
        <source>The printer did not take the switch.</source>
        <translation>La stampante non ha accettato la modifica.</translation>
    </message>
    <message>
        <source>Run this on a terminal to answer it, or pass --yes to accept the warning and the confirmation.</source>
        <translation>Eseguire il comando in un terminale per rispondere, oppure passare --yes per accettare l&apos;avvertenza e la conferma.</translation>
    </message>
    <message>
        <source>The question could not be asked: there is no terminal to answer it on.</source>
        <translation>Impossibile porre la domanda: non c&apos;è un terminale su cui rispondere.</translation>
    </message>
    <message>
        <source>The operator answered &quot;%1&quot;.</source>
        <translation>L&apos;operatore ha risposto «%1».</translation>
    </message>
    <message>
        <source>%1; update progress %2</source>
        <translation>%1; avanzamento dell&apos;aggiornamento: %2</translation>
    </message>
    <message>
        <source>The supported printers on the USB bus, one per row. Each row tells the printer, its status, its firmware and the progress of its update.</source>
        <translation>Le stampanti supportate sul bus USB, una per riga. Ogni riga indica la stampante, il suo stato, il suo firmware e l&apos;avanzamento del suo aggiornamento.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Avanzamento dell&apos;aggiornamento</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>%1: cannot ask this question: there is no terminal to answer it on.</source>
        <translation>%1: impossibile porre questa domanda: non c&apos;è un terminale su cui rispondere.</translation>
    </message>
    <message>
        <source>(not available)</source>
        <translation>(non disponibile)</translation>
    </message>
    <message>
        <source>Choose 1-%1 [1]:</source>
        <translation>Scegliere 1-%1 [1]:</translation>
    </message>
    <message>
        <source>%1: no answer (end of input).</source>
        <translation>%1: nessuna risposta (fine dell&apos;input).</translation>
    </message>
    <message>
        <source>Please choose one of the available answers.</source>
        <translation>Scegliere una delle risposte disponibili.</translation>
    </message>
    <message>
        <source>Capture:</source>
        <translation>Acquisizione:</translation>
    </message>
    <message>
        <source>The capture and this run diverged</source>
        <translation>La cattura e questa esecuzione divergono</translation>
    </message>
</context>
<context>
    <name>TBUSBPrinterZEV</name>
    <message>
        <source>Internal error L%1</source>
        <translation>Errore interno L%1</translation>
    </message>
    <message>
        <source>Communication error</source>
        <translation>Errore di comunicazione</translation>
    </message>
</context>
</TS>
