// Where a device sits on the bus, as the printer logic names it.
//
// The location id packs the bus number into the top byte and the port path below it, one nibble
// per hub port from the root down (bus 1, ports 4 then 2: 0x01420000). It depends only on where
// the printer is plugged in, so a printer that restarts and comes back on the same port keeps its
// device key. Ports above 15 and paths deeper than six hubs cannot be told apart in 32 bits; they
// are clamped (port 15) and cut (first six ports), which only matters on exotic hub chains.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace usb::libusb_backend {

constexpr int kLocationMaxPorts = 6;
constexpr std::uint8_t kLocationMaxPortNumber = 0xF;

std::uint32_t locationIdFor(std::uint8_t busNumber, const std::vector<std::uint8_t>& portPath);

// "1-4.2": bus and port path as the kernel names the device in sysfs ("1-0" for a root hub).
std::string sysfsNameFor(std::uint8_t busNumber, const std::vector<std::uint8_t>& portPath);

// "/dev/bus/usb/001/007": the usbfs node of a device.
std::string usbfsNodeFor(std::uint8_t busNumber, std::uint8_t deviceAddress);

} // namespace usb::libusb_backend
