// Making a printer start over: printer-class soft reset, USB device reset and re-enumeration.
#include "Classes/TBUSBPrinter.h"

#include "platform/platformlog.h"
#include "support/QRVX_CodeNames.h"

#include "base/usbstandard.h"

namespace {

constexpr std::uint32_t kSoftResetTimeoutMs = 100;
constexpr std::uint32_t kReEnumerateOptions = 0;

} // namespace

IOReturn TBUSBPrinter::resetUSBPrinter(bool useOtherRecipient) {
    auto interface = interfaceInterface();
    platform::platformLog("attempting soft reset of USB device with interface [%p]\n",
                          static_cast<void*>(interface.get()));
    if (!interface) return kIOReturnNoDevice;
    std::uint8_t interfaceNumber = 0;
    if (IOReturn r = interface->interfaceNumber(interfaceNumber); r != kIOReturnSuccess) return r;
    usb::ControlRequest request;
    // The printer class's SOFT_RESET, to the interface or (older printers) to the "other" recipient.
    request.bmRequestType =
        useOtherRecipient ? usbstd::kRequestTypeClassOtherOut : usbstd::kRequestTypeClassInterfaceOut;
    request.bRequest = usbstd::kPrinterSoftReset;
    request.wValue = 0;
    request.wIndex = interfaceNumber;
    request.wLength = 0;
    request.data = nullptr;
    request.noDataTimeout = kSoftResetTimeoutMs;
    request.completionTimeout = kSoftResetTimeoutMs;
    return interface->controlRequest(request);
}

IOReturn TBUSBPrinter::resetUSBPrinter() {
    return resetUSBPrinter(false);
}

IOReturn TBUSBPrinter::resetUSBDevice() {
    auto device = deviceInterface();
    if (!device) return kIOReturnError;
    if (IOReturn r = device->open(); r != kIOReturnSuccess) return r;
    const IOReturn r = device->resetDevice();
    device->close();
    return r;
}

IOReturn TBUSBPrinter::reEnumerateUSBDevice() {
    auto device = deviceInterface();
    if (!device) return kIOReturnError;
    if (IOReturn r = device->open(); r != kIOReturnSuccess) return r;
    const IOReturn r = device->reEnumerate(kReEnumerateOptions);
    if (r == kIOReturnSuccess)
        platform::platformLog("Successfully reenumerated %s", descriptionUTF8().constData());
    else
        platform::platformLog("Failed to reenumerate %s (%s)", descriptionUTF8().constData(),
                              strForIOReturn(r));
    device->close(); // the device may be gone already; that answer does not matter
    return r;
}

void TBUSBPrinter::hotPlug() {
    onCommandQueue([this] { reEnumerateUSBDevice(); });
}

IOReturn usbInterfaceResetUSBDevice(usb::UsbInterface* interface) {
    if (!interface) return kIOReturnBadArgument;
    platform::platformLog("attempting to reset USB device with interface [%p]\n",
                          static_cast<void*>(interface));
    std::shared_ptr<usb::UsbDevice> device;
    IOReturn r = interface->device(device);
    if (r != kIOReturnSuccess || !device) {
        if (r == kIOReturnSuccess) r = kIOReturnError;
        platform::stderrPrint("ERROR: IOCreatePlugInInterfaceForService() returned [%d]\n", int(r));
        return r;
    }
    platform::platformLog("ReEnumerating USB device [%p]\n", static_cast<void*>(device.get()));
    r = device->open();
    if (r == kIOReturnSuccess) {
        r = device->reEnumerate(kReEnumerateOptions);
        if (r != kIOReturnSuccess)
            platform::platformLog("Failed to reenumerate the device: [%s]\n", strForIOReturn(r));
    }
    // The device object is released without a close: re-enumeration has taken it off the bus.
    return r;
}
