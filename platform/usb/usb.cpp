#include "platform/usb/usb.h"

#include "platform/queue.h"

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

void* thisProcessNotice() {
    static char tag = 0;
    return &tag;
}

void postOwnNotice(std::function<void()> deliver) {
    if (auto* queue = const_cast<platform::SerialQueue*>(platform::SerialQueue::current()))
        queue->async(
            [deliver = std::move(deliver)]() mutable { platform::mainqueue::async(std::move(deliver)); });
    else
        platform::mainqueue::async(std::move(deliver));
}

} // namespace usb
