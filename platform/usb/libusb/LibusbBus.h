// The USB bus of the real machine, through libusb-1.0.
//
// Arrivals and removals come from libusb's hot-plug monitor; open and close notices of other
// programs from inotify on the device nodes; everything is delivered on the main thread. Transfers
// block their caller (a printer's command queue) and never touch the main thread.
#pragma once

#include "platform/usb/usb.h"

#include <memory>

namespace usb {

// nullptr when libusb cannot be initialised (logged); the caller then runs without printers.
std::shared_ptr<UsbBus> makeLibusbBus();

} // namespace usb
