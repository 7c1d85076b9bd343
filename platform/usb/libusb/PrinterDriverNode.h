// The kernel printer driver's character device of a printer interface (/dev/usb/lpN), and whether
// another program has it open.
//
// While the driver holds an interface, programs print through its node; claiming the interface
// detaches the driver and cuts such a print job off. Before detaching, the backend asks here and,
// when the node is open, treats the printer as held by another program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace usb::libusb_backend {

// "/dev/usb/lp0" for interface `interfaceNumber` of configuration `configuration` of the device that
// sysfs names `sysfsName` ("1-4.2"), while the printer driver is bound to it; empty otherwise.
std::string printerDriverNode(const std::string& sysfsName, std::uint8_t configuration,
                              std::uint8_t interfaceNumber);

struct NodeHolder {
    bool held = false;
    int pid = 0; // 0 when not known
};

// Looks through /proc/<pid>/fd for `node`. Processes this one may not look into (other users') are
// asked about by opening the node: the printer driver refuses a second open with EBUSY. `ownOpens`
// is called with +1 just before that open (closed at once when it succeeds) and with -1 when it
// failed, so a watcher of the node can tell this process's open and close from others'.
NodeHolder printerDriverNodeHolder(const std::string& node, const std::function<void(int)>& ownOpens);

} // namespace usb::libusb_backend
