// How libusb's outcomes read to the printer logic: one table from libusb error codes (and transfer
// completion states) to platform result codes, plus the names log lines use for them.
#pragma once

#include "platform/usb/iokit_codes.h"

namespace usb::libusb_backend {

// Result code for a libusb function's return value (LIBUSB_SUCCESS, LIBUSB_ERROR_*). A positive
// value (a byte count) is success. Codes libusb does not define map to kIOReturnError.
IOReturn ioReturnForLibusbError(int libusbError);

// Result code for a transfer that failed with `libusbError`. A device that leaves the bus while a
// transfer is in flight answers kIOReturnNotResponding rather than kIOReturnNoDevice, so callers
// can tell "gone mid-transfer" from "was already gone".
IOReturn ioReturnForTransferError(int libusbError);

// "LIBUSB_ERROR_BUSY" and so on; never null.
const char* libusbErrorName(int libusbError);

} // namespace usb::libusb_backend
