#include "platform/usb/libusb/LibusbLocation.h"

#include <algorithm>
#include <cstdio>

namespace usb::libusb_backend {

std::uint32_t locationIdFor(std::uint8_t busNumber, const std::vector<std::uint8_t>& portPath) {
    std::uint32_t location = std::uint32_t(busNumber) << 24;
    const std::size_t depth = std::min<std::size_t>(portPath.size(), kLocationMaxPorts);
    for (std::size_t i = 0; i < depth; ++i) {
        const std::uint32_t port = std::min(portPath[i], kLocationMaxPortNumber);
        location |= port << (20 - 4 * i);
    }
    return location;
}

std::string sysfsNameFor(std::uint8_t busNumber, const std::vector<std::uint8_t>& portPath) {
    std::string name = std::to_string(busNumber) + "-";
    if (portPath.empty()) return name + "0";
    for (std::size_t i = 0; i < portPath.size(); ++i) {
        if (i) name += '.';
        name += std::to_string(portPath[i]);
    }
    return name;
}

std::string usbfsNodeFor(std::uint8_t busNumber, std::uint8_t deviceAddress) {
    char path[32];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", unsigned(busNumber), unsigned(deviceAddress));
    return path;
}

} // namespace usb::libusb_backend
