#include "platform/usb/usb.h"

#include "base/threadsafety.h"
#include "platform/queue.h"

namespace usb {

namespace {
base::Mutex gBusMutex;
std::shared_ptr<UsbBus> gBus GUARDED_BY(gBusMutex);
} // namespace

std::shared_ptr<UsbBus> currentBus() {
    base::MutexLocker lock(gBusMutex);
    return gBus;
}

void setCurrentBus(std::shared_ptr<UsbBus> bus) {
    base::MutexLocker lock(gBusMutex);
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
