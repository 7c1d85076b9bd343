// What the platform's interest notices about a printer's interface mean for that printer.
#include "Classes/TBUSBPrinter.h"

#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/strings.h"
#include "support/QRVX_CodeNames.h"

// The USB status texts are string-table keys; the status holds their localised form.
using platform::localized;

void usbInterfaceInterestCallback(TBUSBPrinter* printer, const std::shared_ptr<usb::UsbService>& service,
                                  IOMessage messageType, void* messageArgument) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    if (!printer) return;
    const QByteArray name = printer->descriptionUTF8();
    platform::platformLog("%s %s(%x); arg = %p\n", name.constData(), strForIOMessage(messageType),
                          unsigned(messageType), messageArgument);
    const bool updating = printer->inFirmwareUpdate();

    switch (messageType) {
    case kIOMessageServiceIsTerminated:
        platform::platformLog("%s (device %.8x) was removed\n", name.constData(),
                              service ? unsigned(service->registryID() & 0xFFFFFFFFu) : 0u);
        // Keep what we learned for the printer object that the same port will bring back.
        TBUSBPrinter::setDeviceInfo(printer->deviceInfoDict(), printer->keyUSBdevice());
        printer->deviceTerminated();
        break;

    case kIOMessageServiceWasClosed:
        if (printer->deviceInfoDict()->isEmpty()) break;
        if (printer->willOpenInterface()) {
            // The other program let go: take the interface we were waiting for, do what waited for
            // it, and let go again.
            printer->openInterfaceLetGoByOtherProgram();
        } else if (!updating) {
            printer->setStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "USB Available")));
        }
        break;

    case kIOMessageServiceIsAttemptingOpen: {
        // Our own opens come back here too, often after the interface was closed again (the attach
        // probe, the information probe): only another program's open makes the printer busy.
        const bool ours = messageArgument == usb::thisProcessNotice();
        if (printer->didOpenInterface()) {
            // The notice overtook the open's own publication; publish it here, in the same single
            // step that a close cannot slip through (never "open" over a closed interface).
            if (printer->publishOpenInterface() && !updating)
                printer->setStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "USB Open")));
        } else if (printer->willOpenInterface()) {
            if (!updating) printer->setStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "Waiting for USB")));
        } else if (printer->isInterfaceOpen()) {
            if (!updating) printer->setStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "USB Open")));
        } else if (printer->state() == TBUSBPrinter::StateAttachProbed) {
            // The attach-time probe's open: it is being closed, no status to show.
            printer->leaveAttachProbedState();
        } else if (!ours && !updating) {
            printer->setStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "USB Busy")));
        }
        break;
    }

    case kIOMessageServiceBusyStateChange:
        break;

    default:
        printer->setStatus(QStringLiteral("OK"));
        break;
    }
}
