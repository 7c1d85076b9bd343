// Answers the usbfs ioctls libusb makes on one device node from a sim::SimPrinterDevice: claims,
// URB submission and reaping, discards, resets. It runs on umockdev's worker thread; the model is
// thread-safe, and the responder's own state is under its lock.
#pragma once

#include "base/threadsafety.h"
#include "devicemodel/SimPrinterDevice.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace usbfs_test {

class UrbResponder {
public:
    // Answers for the device's current enumeration only: once the model has left the bus, or has
    // come back as a new enumeration, this node answers ENODEV as a disconnected usbfs node does.
    explicit UrbResponder(std::shared_ptr<sim::SimPrinterDevice> device);
    ~UrbResponder();
    UrbResponder(const UrbResponder&) = delete;
    UrbResponder& operator=(const UrbResponder&) = delete;

    // A new ioctl handler (the caller owns the reference) answering from `responder`. Its signal
    // connections hold the responder, so a call umockdev's worker thread is still making when the
    // handler is detached and dropped finishes on a live responder.
    static UMockdevIoctlBase* newHandler(const std::shared_ptr<UrbResponder>& responder);
    // Requests seen, for tests that check what reached the device node.
    int submittedUrbs() const;
    // The length of every bulk OUT URB submitted on this node, in order.
    std::vector<int> bulkOutLengths() const;
    // The model's enumeration this node belongs to.
    std::uint64_t generation() const { return generation_; }

    // The kernel printer driver (usblp): loaded and bound to the printer interface unless turned
    // off. usbfs claims only an interface no driver holds, so a program has to detach it first
    // (disconnect-and-claim), and gives it back by asking the kernel to connect it again.
    void setKernelDriver(bool loadedAndBound);
    bool kernelDriverLoaded() const;
    bool kernelDriverBound() const;
    int kernelDriverDetaches() const;
    int kernelDriverReattaches() const;
    // A port reset that makes the kernel re-enumerate the device: the reset fails with ENODEV and
    // the device leaves the bus (the test then sends the removal).
    void setResetReEnumerates(bool on);

    // Takes what bulk OUT transfers carry instead of the model, and answers their outcome: a device
    // that counts what arrives and keeps none of it (the model keeps every byte written, for the
    // tests). It runs on umockdev's worker thread, under the responder's lock, with the bytes the
    // client submitted. Pass nullptr to give the bulk OUT pipe back to the model.
    using BulkOutHandler =
        std::function<sim::Status(std::uint8_t endpoint, const std::uint8_t* bytes, std::size_t size)>;
    void setBulkOutHandler(BulkOutHandler handler);

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

    // The model is on the bus in this node's enumeration.
    bool present() const;
    std::uint64_t clientId(UMockdevIoctlClient* client) REQUIRES(mutex_);
    // The driver usbfs reports for the printer interface ("usbfs" while a program has it claimed).
    const char* boundDriver() const REQUIRES(mutex_);
    bool claimOrRelease(UMockdevIoctlClient* client, bool claim);
    bool getDriver(UMockdevIoctlClient* client);
    bool disconnectAndClaim(UMockdevIoctlClient* client);
    bool interfaceIoctl(UMockdevIoctlClient* client);
    bool reset(UMockdevIoctlClient* client);
    // usbfs's check of a control request's recipient: 0, or the errno that fails the submission.
    int checkControlRecipient(const sim::SetupPacket& setup, std::uint64_t client) REQUIRES(mutex_);
    bool submit(UMockdevIoctlClient* client);
    bool reap(UMockdevIoctlClient* client);
    bool discard(UMockdevIoctlClient* client);
    void finish(Urb urb, int status, const std::vector<std::uint8_t>* data) REQUIRES(mutex_);
    void pollPending() REQUIRES(mutex_);
    static void release(Urb& urb);

    const std::shared_ptr<sim::SimPrinterDevice> device_;
    BulkOutHandler bulkOutHandler_ GUARDED_BY(mutex_);
    const std::uint64_t generation_;
    mutable base::Mutex mutex_;
    std::map<UMockdevIoctlClient*, std::uint64_t> clients_ GUARDED_BY(mutex_);
    std::deque<Urb> pending_ GUARDED_BY(mutex_);   // IN URBs waiting for data
    std::deque<Urb> completed_ GUARDED_BY(mutex_); // ready to reap
    int submitted_ GUARDED_BY(mutex_) = 0;
    std::vector<int> bulkOutLengths_ GUARDED_BY(mutex_);
    bool kernelDriverLoaded_ GUARDED_BY(mutex_) = true;
    bool kernelDriverBound_ GUARDED_BY(mutex_) = true;
    int kernelDriverDetaches_ GUARDED_BY(mutex_) = 0;
    int kernelDriverReattaches_ GUARDED_BY(mutex_) = 0;
    bool resetReEnumerates_ GUARDED_BY(mutex_) = false;
};

} // namespace usbfs_test
