// One libusb context with the single thread that runs its event loop.
//
// Every asynchronous libusb activity (hot-plug callbacks, completions of transfers started by the
// synchronous calls on the printers' command queues) is driven from that thread. Hot-plug callbacks
// only gather facts there and hand them to the main thread; nothing is decided on the event thread.
// Device records keep the context alive, so handles and device references can never outlive it.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

struct libusb_context;

namespace usb::libusb_backend {

class LibusbContext {
public:
    // nullptr when libusb cannot be initialised (logged).
    static std::shared_ptr<LibusbContext> create();
    ~LibusbContext();
    LibusbContext(const LibusbContext&) = delete;
    LibusbContext& operator=(const LibusbContext&) = delete;

    libusb_context* get() const { return context_; }
    bool isEventThread() const { return std::this_thread::get_id() == eventThread_.get_id(); }

private:
    explicit LibusbContext(libusb_context* context);
    void runEvents();

    libusb_context* const context_;
    std::atomic<bool> stopping_{false};
    std::thread eventThread_;
};

} // namespace usb::libusb_backend
