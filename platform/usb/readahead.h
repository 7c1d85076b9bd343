// Bulk-in reads the way usbfs wants them, behind the byte-stream reads the printer logic makes.
//
// A device sends a transfer as packets of the endpoint's wMaxPacketSize, the last one short. usbfs
// fails a read whose buffer has less room than the next packet (overflow, and the packet is lost),
// so a reply sent as one packet would be lost to a read of its 8-digit length field. Every backend
// therefore reads whole packets into this buffer and serves the caller's reads from it: a read is
// served from what is buffered first, goes on to the device while the transfer it comes from has
// not ended (no short packet yet), and ends at a short packet as a bulk read does.
//
// One per interface object. Thread-safe; the device read runs without the lock, and a clear() that
// comes meanwhile drops what that read brings (the interface was closed or reset under it).
#pragma once

#include "base/threadsafety.h"
#include "platform/usb/iokit_codes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace usb {

class BulkReadAhead {
public:
    // One device read of at most `capacity` bytes (a multiple of the packet size) into `buffer`;
    // `received` tells how many came, also when the read fails.
    using DeviceRead =
        std::function<IOReturn(std::uint8_t* buffer, std::uint32_t capacity, std::uint32_t& received)>;

    // On entry `size` is the count wanted, on return the count received.
    IOReturn read(void* buffer, std::uint32_t& size, std::uint16_t maxPacketSize,
                  const DeviceRead& deviceRead);
    // Forgets what is buffered: on close, reset and a new open.
    void clear();
    std::size_t buffered() const;

private:
    mutable base::Mutex mutex_;
    std::vector<std::uint8_t> bytes_ GUARDED_BY(mutex_);
    bool transferOpen_ GUARDED_BY(mutex_) = false; // the last device read ended on a full packet
    std::uint64_t epoch_ GUARDED_BY(mutex_) = 0;   // moves on at every clear()
};

// True for the printer class's SOFT_RESET request (to the interface or the "other" recipient),
// after which nothing the printer sent before counts.
bool isPrinterSoftReset(std::uint8_t bmRequestType, std::uint8_t bRequest);

} // namespace usb
