// Answers the usbfs ioctls libusb makes on one device node from a sim::SimPrinterDevice: claims,
// URB submission and reaping, discards, resets. It runs on umockdev's worker thread; the model is
// thread-safe, and the responder's own state is under its lock.
#pragma once

#include "platform/usb/sim/SimPrinterDevice.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace usbfs_test {

class UrbResponder {
public:
    explicit UrbResponder(std::shared_ptr<sim::SimPrinterDevice> device);
    ~UrbResponder();
    UrbResponder(const UrbResponder&) = delete;
    UrbResponder& operator=(const UrbResponder&) = delete;

    UMockdevIoctlBase* handler() const { return handler_; }
    // Requests seen, for tests that check what reached the device node.
    int submittedUrbs() const;

    bool handle(UMockdevIoctlClient* client);
    void clientGone(UMockdevIoctlClient* client);

private:
    struct Urb {
        UMockdevIoctlData* urb = nullptr;    // the client's struct usbdevfs_urb (referenced)
        UMockdevIoctlData* buffer = nullptr; // its data buffer (referenced), may be null
        std::uint8_t type = 0;
        std::uint8_t endpoint = 0;
        std::uint64_t client = 0;
        int status = 0;
        int actualLength = 0;
    };

    std::uint64_t clientId(UMockdevIoctlClient* client); // requires mutex_
    bool submit(UMockdevIoctlClient* client);
    bool reap(UMockdevIoctlClient* client);
    bool discard(UMockdevIoctlClient* client);
    void finish(Urb urb, int status, const std::vector<std::uint8_t>* data); // requires mutex_
    void pollPending();                                                      // requires mutex_
    static void release(Urb& urb);

    const std::shared_ptr<sim::SimPrinterDevice> device_;
    UMockdevIoctlBase* handler_ = nullptr;
    mutable std::mutex mutex_;
    std::map<UMockdevIoctlClient*, std::uint64_t> clients_; // guarded by mutex_
    std::deque<Urb> pending_;                              // guarded by mutex_; IN URBs waiting for data
    std::deque<Urb> completed_;                            // guarded by mutex_; ready to reap
    int submitted_ = 0;                                    // guarded by mutex_
};

} // namespace usbfs_test
