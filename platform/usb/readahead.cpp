#include "platform/usb/readahead.h"

#include "base/usbstandard.h"

#include <algorithm>
#include <cstring>

namespace usb {

IOReturn BulkReadAhead::read(void* buffer, std::uint32_t& size, std::uint16_t maxPacketSize,
                             const DeviceRead& deviceRead) {
    const std::uint32_t wanted = size;
    const std::uint32_t packet = std::max<std::uint32_t>(maxPacketSize, 1);
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    std::vector<std::uint8_t> chunk;
    for (;;) {
        std::uint64_t epoch = 0;
        {
            base::MutexLocker lock(mutex_);
            const std::uint32_t take = std::min<std::uint32_t>(wanted - done, std::uint32_t(bytes_.size()));
            if (take > 0) {
                std::memcpy(out + done, bytes_.data(), take);
                bytes_.erase(bytes_.begin(), bytes_.begin() + take);
                done += take;
            }
            // Full, or the transfer these bytes came from ended with a short packet.
            if (done == wanted || (done > 0 && bytes_.empty() && !transferOpen_)) {
                size = done;
                return kIOReturnSuccess;
            }
            epoch = epoch_;
        }
        // Room for whole packets only: rounded up, never down.
        const std::uint64_t rounded = (std::uint64_t(wanted - done) + packet - 1) / packet * packet;
        const auto capacity = std::uint32_t(std::min<std::uint64_t>(rounded, UINT32_MAX / packet * packet));
        chunk.resize(capacity);
        std::uint32_t received = 0;
        const IOReturn result = deviceRead(chunk.data(), capacity, received);
        received = std::min(received, capacity);
        base::MutexLocker lock(mutex_);
        if (epoch != epoch_) {
            // Closed or reset while the read ran: neither its bytes nor ours count any more.
            size = 0;
            return result == kIOReturnSuccess ? kIOReturnAborted : result;
        }
        if (result != kIOReturnSuccess) {
            // What the failed read brought is not a reply anyone can trust; the caller gets what it
            // had, as a failed read on its own would report it.
            const std::uint32_t take = std::min(wanted - done, received);
            if (take > 0) std::memcpy(out + done, chunk.data(), take);
            size = done + take;
            bytes_.clear();
            transferOpen_ = false;
            return result;
        }
        const bool wasOpen = transferOpen_;
        bytes_.insert(bytes_.end(), chunk.begin(), chunk.begin() + received);
        transferOpen_ = received == capacity && received > 0;
        // A zero-length packet ends the transfer before it, whose last packet was a full one; on its
        // own it is an empty transfer.
        if (received == 0 && done == 0 && !wasOpen) {
            size = 0;
            return kIOReturnSuccess;
        }
    }
}

void BulkReadAhead::clear() {
    base::MutexLocker lock(mutex_);
    bytes_.clear();
    transferOpen_ = false;
    ++epoch_;
}

std::size_t BulkReadAhead::buffered() const {
    base::MutexLocker lock(mutex_);
    return bytes_.size();
}

bool isPrinterSoftReset(std::uint8_t bmRequestType, std::uint8_t bRequest) {
    return (bmRequestType == usbstd::kRequestTypeClassInterfaceOut ||
            bmRequestType == usbstd::kRequestTypeClassOtherOut) &&
           bRequest == usbstd::kPrinterSoftReset;
}

} // namespace usb
