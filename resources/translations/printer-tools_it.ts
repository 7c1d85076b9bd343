<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT" sourcelanguage="en">
<context>
    <name>TBPrinters</name>
    <message>
        <source>No permission: install the udev rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In use by other application</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not Responding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This update tool is for the ZEV QXA printer. It will upgrade the printer firmware to version %1.

Once updated, the QXA printer will REQUIRE the use of QXAHS media packs. Please use up all QXA media before using this update tool. This process cannot be undone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This update tool will upgrade the printer firmware to version %1. This process cannot be undone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-- Warning --

Are you certain you want to update the firmware?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer may be permanently damaged if it is unplugged or loses power during the update process.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>I Agree</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Attention:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Selected Printer is Unavailable. (Busy)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please power-cycle the selected printer now to complete the process!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Old print queues could not be removed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device. These print queues for it could not be removed:

%1

Remove them in the printer settings, or ask your administrator to remove them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking firmware ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A printer was unexpectedly found in firmware update mode. Would you like to update the firmware? </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please power-cycle this printer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Contact customer support if power-cycling does not resolve the issue.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Being updated by another program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware version updated to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware version updated from %1 to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current firmware version: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous firmware version: %1 current version: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There was a problem with the firmware update!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware update not needed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This printer has firmware version %1 installed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printer Not Ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please correct the following issue: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Proceed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printer Busy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another application is using the printer. Please proceed when the printer becomes available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update Firmware to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updating firmware ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writing firmware ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The firmware could not be sent to the printer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer stays in firmware update mode until it receives the firmware. Check the USB cable and choose Update Firmware… to send it again. A printer that was unplugged gets the firmware again when it is plugged back in.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is a problem with the firmware files.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer could not be opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The color tables could not be written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer has its new firmware. Unplug it and plug it in again to write the color tables.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updating color tables ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer stopped taking them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware update was successful!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Finish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-- File corruption --

There is a problem with the firmware files.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Contact customer support.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There was a problem with the firmware file!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This application may be damaged. Please download a new copy.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update history %1 is locked by another program. Updates are recorded as soon as it is free again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update history %1 cannot be used: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update history %1 could not be read (%2). It was set aside as %3 and a new one started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No update history is kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Colour tables:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update history</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record of firmware updates under way could not be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It was set aside as %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An update that was interrupted when this program last ended cannot be carried on by itself. A printer found in firmware update mode can still be updated from here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>from %1 to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>being updated by another program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This update tool will upgrade the firmware of these printers to versions %1. This process cannot be undone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it left the USB bus</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no update needed (firmware %1 installed)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the firmware files are damaged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>busy: another application is using it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not responding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not ready: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its update is already under way</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These printers will be updated:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These printers will not be updated:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update %1 Printers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2 printers updated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updated:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not updated:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updating</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer did not come back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer left the USB bus to restart during its firmware update and has not come back within %1 minutes. Check that it is switched on and that its USB cable is plugged in. Once it is back, the update carries on by itself; if it does not, power-cycle the printer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printer Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer is not responding properly. Please power-cycle the printer and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware Update Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Idle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Head cool down cycle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Motor cool down cycle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sleeping (standby mode)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cover Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scrap Box Missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paper End</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ribbon End</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paper Jam</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ribbon Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wrong Paper</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bad Data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Head Voltage Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Head Position Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Power supply Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cutter Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pinch Roller Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Head Temp High Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Media Temp Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Motor Temp Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ribbon Tension Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>RFID Module Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System Fail Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>USB Available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>USB Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Waiting for USB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>USB Busy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 at port %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Succeeded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not needed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lost</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Under way</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Request</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restart into update mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upload</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Programming and restart</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Colour tables</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device Key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Colour Tables</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The history could not be saved to “%1”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update history could not be used as it was</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>USB Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printer Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Package Firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lifetime Counter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>USB Serial Number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Colour Tables (Version / Checksum)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Colour table %1: version %2, checksum %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update Firmware…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update the selected printer&apos;s firmware and colour tables</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update All Printers…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update the firmware and colour tables of every listed printer at the same time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Read the selected printer&apos;s information again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the firmware updates made on this computer and export them for support</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 updates are in progress…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An update is in progress…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If you quit now, the update stops where it stands. A printer still waiting for its firmware stays in firmware update mode and cannot print until the firmware is sent to it again; a printer that already has its new firmware keeps its old color tables.

Keep this program running until it reports the outcome.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No simulated printer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Simulation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plug in or unplug simulated printers, or make one misbehave</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plug In</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other Models (Ignored by This Program)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 printer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In Firmware Update Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unplug</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Power Cycle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paper End Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Held by Another Program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: not a good S-record file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: good S-record file (header &quot;%2&quot;)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: good S-record file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The firmware package is intact.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The firmware package is damaged: reinstall the program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No printer found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing was heard from the printer for %1 minutes. Check it and its cable, then run the update again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer is gone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer left the USB bus before its turn came.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer was not updated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2, firmware %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the printer left the USB bus (restarting)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the printer is back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another running printer-flasher is updating this printer. Let it finish, then try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No USB serial-number switch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This printer cannot switch its USB serial-number report.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing to switch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The USB serial-number report is already %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch the USB serial-number report on?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch the USB serial-number report off?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device after its next power cycle; the print queues of its model are removed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch On</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>USB serial-number report switched</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Power-cycle the printer to complete the change.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The switch was not changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer did not take the switch.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Run this on a terminal to answer it, or pass --yes to accept the warning and the confirmation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The question could not be asked: there is no terminal to answer it on.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The operator answered &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TBUSBPrinterZEV</name>
    <message>
        <source>Internal error L%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Communication error</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
