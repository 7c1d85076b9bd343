// What the printer list shows of one printer, read in one go on the main thread. This is the only
// place where the list reaches into the printer object's properties.
#pragma once

#include <QImage>
#include <QList>
#include <QString>

class TBUSBPrinterZEV;

namespace ui {

struct ColourTableEntry {
    QString table;    // "300", "600 HD", ...
    QString version;  // empty when the printer has not reported it
    QString checksum; // likewise
};

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

// A part the printer has not reported reads as a dash.
QString orDash(const QString& text);
// "600: 0100 / B870"
QString colourTableText(const ColourTableEntry& entry);

// The USB serial-number check box: asks the printer to switch (dialogs and all) when the value differs.
void setPrinterUsbSerial(TBUSBPrinterZEV& printer, bool on);

} // namespace ui
