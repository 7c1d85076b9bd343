#include "platform/usb/usb.h"

#include <mutex>

namespace usb {

namespace {
std::mutex gBusMutex;
std::shared_ptr<UsbBus> gBus; // guarded by gBusMutex
} // namespace

std::shared_ptr<UsbBus> currentBus() {
    std::lock_guard lock(gBusMutex);
    return gBus;
}

void setCurrentBus(std::shared_ptr<UsbBus> bus) {
    std::lock_guard lock(gBusMutex);
    gBus = std::move(bus);
}

} // namespace usb
