// A printer slow to name itself: string descriptor requests that answer late or never. A host that
// reads the strings where it must not block shows it at once.
#include "devicemodel/SimPrinterDevice.h"

#include "base/clock.h"

namespace sim {

using namespace usbstd;

void SimPrinterDevice::holdStringDescriptors(std::uint32_t limitMs) {
    base::MutexLocker lock(mutex_);
    holdStrings_ = true;
    holdStringsLimitMs_ = limitMs;
}

void SimPrinterDevice::answerHeldStringDescriptors() {
    {
        base::MutexLocker lock(mutex_);
        holdStrings_ = false;
    }
    replyArrived_.notify_all();
}

int SimPrinterDevice::heldStringDescriptorRequests() const {
    base::MutexLocker lock(mutex_);
    return heldStrings_;
}

Status SimPrinterDevice::waitWhileStringsHeld(const SetupPacket& setup) {
    const bool isString = setup.isIn() && (setup.bmRequestType & kTypeMask) == kTypeStandard &&
                          setup.bRequest == kRequestGetDescriptor && (setup.wValue >> 8) == kDescriptorString;
    if (!isString) return Status::Ok;
    base::UniqueLock lock(mutex_);
    if (!holdStrings_) return Status::Ok;
    const std::uint64_t generation = generation_;
    // Answered, or gone from the bus (an unplug, or off and back as a new enumeration).
    auto released = [&]()
                        REQUIRES(mutex_) { return !holdStrings_ || !attached_ || generation_ != generation; };
    ++heldStrings_;
    bool answered = true;
    if (holdStringsLimitMs_ == kWaitForever)
        replyArrived_.wait(lock.native(), released);
    else
        answered = base::clock::waitFor(replyArrived_, lock.native(),
                                        std::chrono::milliseconds(holdStringsLimitMs_), released);
    --heldStrings_;
    if (!attached_ || generation_ != generation) return Status::NoDevice;
    return answered ? Status::Ok : Status::Timeout;
}

} // namespace sim
