#include "platform/usb/libusb/LibusbErrors.h"

#include <libusb.h>

namespace usb::libusb_backend {

IOReturn ioReturnForLibusbError(int libusbError) {
    if (libusbError >= 0) return kIOReturnSuccess;
    switch (libusbError) {
    case LIBUSB_ERROR_IO:
        return kIOReturnError;
    case LIBUSB_ERROR_INVALID_PARAM:
        return kIOReturnBadArgument;
    case LIBUSB_ERROR_ACCESS:
        return kIOReturnNotPrivileged;
    case LIBUSB_ERROR_NO_DEVICE:
        return kIOReturnNoDevice;
    case LIBUSB_ERROR_NOT_FOUND:
        return kIOReturnNotFound;
    // Another program (or the kernel) holds the interface.
    case LIBUSB_ERROR_BUSY:
        return kIOReturnExclusiveAccess;
    case LIBUSB_ERROR_TIMEOUT:
        return kIOReturnTimeout;
    // The device sent more than the buffer holds.
    case LIBUSB_ERROR_OVERFLOW:
        return kIOReturnOverrun;
    case LIBUSB_ERROR_PIPE:
        return kIOUSBPipeStalled;
    case LIBUSB_ERROR_INTERRUPTED:
        return kIOReturnAborted;
    case LIBUSB_ERROR_NO_MEM:
        return kIOReturnNoMemory;
    case LIBUSB_ERROR_NOT_SUPPORTED:
        return kIOReturnError;
    case LIBUSB_ERROR_OTHER:
        return kIOReturnError;
    default:
        return kIOReturnError;
    }
}

IOReturn ioReturnForTransferError(int libusbError) {
    if (libusbError == LIBUSB_ERROR_NO_DEVICE) return kIOReturnNotResponding;
    return ioReturnForLibusbError(libusbError);
}

const char* libusbErrorName(int libusbError) {
    if (libusbError >= 0) return "LIBUSB_SUCCESS";
    // libusb_error_name() answers "**UNKNOWN**" for codes it does not know; keep it.
    return libusb_error_name(libusbError);
}

} // namespace usb::libusb_backend
