// The printer family's initialiser: a printer object made for a port takes over the device-info
// dictionary that the registry keeps for that port, so a printer that re-enumerates (the restarts of
// a firmware update) keeps what was learned about it, its update state included.
#include "Classes/Edition.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/UpdateSession.h"

#include "platform/platformlog.h"
#include "platform/queue.h"

namespace {
// Three of these lines mark a new printer object in the log.
const char* const kBannerLine = "++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++";
} // namespace

void TBUSBPrinterZEV::initWithInterfaceInterface(std::shared_ptr<usb::UsbInterface> interface) {
    TBUSBPrinter::initWithInterfaceInterface(std::move(interface));

    const QString key = keyUSBdevice();
    for (int i = 0; i < 3; ++i)
        platform::platformLog("%s", kBannerLine);
    platform::platformLog("initing device for key %s", qUtf8Printable(key));

    // Never missing: a new port gets an empty dictionary, stored in the registry.
    const DeviceInfoRef remembered = deviceInfoForKey(key);
    platform::platformLog("infoDict here is %s", qUtf8Printable(remembered->description()));
    const QVariantMap entries = remembered->snapshot();
    if (remembered != deviceInfoDict()) {
        for (auto it = entries.constBegin(); it != entries.constEnd(); ++it)
            setDeviceInfoValue(it.key(), it.value());
    }

    // A printer in firmware-update mode may not name itself: keep showing what it said before.
    const QString manufacturer = entries.value(QRVX_TBPrinterManufacturer).toString();
    const QString model = entries.value(QRVX_TBPrinterModel).toString();
    auto printer = zevSelf();
    platform::mainqueue::async([printer, manufacturer, model] {
        if (printer->manufacturer().isNull() && !manufacturer.isEmpty())
            printer->setManufacturer(manufacturer);
        if (printer->model().isNull() && !model.isEmpty()) printer->setModel(model);
    });
    // printer-flasher begins with the start-up probe: an update under way goes on where it stands, a
    // printer stranded in its update mode is offered to the operator. It runs as this printer's first
    // probe, the one discovery asks for once the printer is set up, so no printer is probed twice.
    // serial-switcher stops here (its printers get the information probe), except for a printer back
    // (from a restart, or plugged in again) with an update this run began: that update is carried
    // through, not stranded in the printer's update mode.
    const int status = entries.value(deviceFirmwareUpdateState).toInt();
    const bool ownUpdate = (status == WaitingForFirmwareUpload || status == RebootingAfterFirmwareUpload) &&
                           UpdateSession::begunInThisRun(key);
    if (Edition::current().isPrinterFlasher() || ownUpdate) startupProbeDue_ = true;
}
