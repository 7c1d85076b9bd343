// What a printer's row says, in the window's list and in the command line's listing alike, read in
// one go on the main thread. This is the only place where either reaches into the printer object's
// properties for it.
#pragma once

#include "Classes/TBUSBPrinterZEV.h"
#include "platform/strings.h"

#include <QImage>
#include <QList>
#include <QString>

namespace app {

using ColourTableEntry = TBUSBPrinterZEV::ColorTableReading;
using platform::orDash;

struct PrinterRow {
    QImage picture;        // the printer's picture, null when its model has none
    QString name;          // manufacturer and model
    QString usbStatus;     // "USB Open", "USB Busy", ... (already localised by the interest handler)
    QString printerStatus; // English status text as the printer object publishes it
    QString firmwareVersion;
    QString packageFirmwareVersion;
    QString lifetimeCounter;
    QString serialNumber;
    QString usbSerialSetting; // "Enabled", "Disabled" or "Unavailable" (English)
    bool usbSerialSwitchable = false;
    bool usbSerialOn = false;
    QList<ColourTableEntry> colourTables; // only the tables the printer has reported
    bool updating = false;                // an update runs: no second one may start
    int updateProgress = -1;              // tenths of a percent of the update, -1 when none runs
    bool updatingElsewhere = false;       // another instance of the program is updating it: hands off
};

PrinterRow printerRow(TBUSBPrinterZEV& printer);

// "600: 0100 / B870"
QString colourTableText(const ColourTableEntry& entry);

// The USB serial-number check box: asks the printer to switch (dialogs and all) when the value differs.
void setPrinterUsbSerial(TBUSBPrinterZEV& printer, bool on);

// True once the printer's information probe has run to its end: the firmware version, the serial
// number and (on printers that have it) the USB serial-number switch, the probe's last answers, are
// stored and the interface is closed again.
bool probeFinished(TBUSBPrinterZEV& printer);

} // namespace app
