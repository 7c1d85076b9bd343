#include "app/printerrow.h"

#include "platform/pictures.h"

namespace app {

namespace {

QString firstOf(const QString& preferred, const QString& fallback) {
    return preferred.isEmpty() ? fallback : preferred;
}

} // namespace

PrinterRow printerRow(TBUSBPrinterZEV& printer) {
    PrinterRow row;
    const QVariantMap info = printer.deviceInfoSnapshot();
    auto text = [&info](const QString& key) { return info.value(key).toString(); };

    row.picture = printer.image();
    if (row.picture.isNull()) {
        row.picture = platform::printerPicture(printer.imageName());
    }
    const QString manufacturer = firstOf(printer.manufacturer(), printer.vendorUSB());
    const QString model = firstOf(printer.model(), printer.productUSB());
    row.name = QStringList{manufacturer, model}.join(QLatin1Char(' ')).trimmed();
    row.usbStatus = printer.status();
    row.printerStatus = text(QRVX_TBPrinterStatus);
    row.firmwareVersion = text(QRVX_TBPrinterFirmwareVersion);
    // The first ask runs the package check; the version follows with the printer's
    // newFirmwareVersion announcement, which refreshes the row.
    row.packageFirmwareVersion = printer.newFirmwareVersion().value_or(QString());
    row.lifetimeCounter = text(QRVX_TBPrinterLifetimeCounter);
    row.serialNumber = text(QRVX_TBPrinterSerialNumber);
    row.usbSerialSetting = printer.usbISerialString();
    row.usbSerialSwitchable = printer.hasISerialSupport();
    row.usbSerialOn = printer.usbISerial();

    row.updating = printer.inFirmwareUpdate();
    row.updateProgress = printer.updateProgress();
    row.updatingElsewhere = printer.isUpdatedElsewhere();

    row.colourTables = printer.colorTables();
    return row;
}

QString colourTableText(const ColourTableEntry& entry) {
    return QStringLiteral("%1: %2 / %3").arg(entry.table, orDash(entry.version), orDash(entry.checksum));
}

void setPrinterUsbSerial(TBUSBPrinterZEV& printer, bool on) {
    printer.setUsbISerial(on);
}

bool probeFinished(TBUSBPrinterZEV& printer) {
    // The probe asks for the serial number and then, on printers that have it, the USB switch.
    const DeviceInfoRef info = printer.deviceInfoDict();
    const bool lastAnswerStored = info->contains(QRVX_TBPrinterSerialNumber) &&
                                  (!printer.hasISerialSupport() || info->contains(QRVX_ZEV_USB_ISerialisSet));
    return !printer.firmwareVersion().isEmpty() && lastAnswerStored &&
           printer.interfaceStatus() == TBUSBPrinter::InterfaceClosed;
}

} // namespace app
