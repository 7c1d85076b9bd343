// One libusb context with the single thread that runs its event loop.
//
// Every asynchronous libusb activity (hot-plug callbacks, completions of transfers started by the
// synchronous calls on the printers' command queues) is driven from that thread. Hot-plug callbacks
// only gather facts there and hand them to the main thread; nothing is decided on the event thread.
// Device records keep the context alive, so handles and device references can never outlive it.
#pragma once

#include "base/threadsafety.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

struct libusb_context;

namespace usb::libusb_backend {

class LibusbContext {
public:
    // nullptr when libusb cannot be initialised (logged).
    static std::shared_ptr<LibusbContext> create();
    ~LibusbContext();
    LibusbContext(const LibusbContext&) = delete;
    LibusbContext& operator=(const LibusbContext&) = delete;

    libusb_context* get() const { return loop_->context; }
    bool isEventThread() const { return std::this_thread::get_id() == eventThread_.get_id(); }

    // Keeps `data` alive until the event thread has stopped. For the user data of libusb callbacks:
    // libusb runs a callback without its own lock held, so one that started just before its
    // deregistration can still be running after libusb_hotplug_deregister_callback() returned.
    void keepUntilStopped(std::shared_ptr<void> data);

private:
    // What the event thread uses. Shared with that thread, so that a thread left to finish on its
    // own (see the destructor) never touches a destroyed context object.
    struct EventLoop {
        explicit EventLoop(libusb_context* c) : context(c) {}
        libusb_context* const context;
        std::atomic<bool> stopping{false};
        bool exitOnEventThread = false; // written and read by the event thread only
        base::Mutex mutex;
        std::vector<std::shared_ptr<void>> kept GUARDED_BY(mutex);
    };

    explicit LibusbContext(libusb_context* context);
    static void runEvents(const std::shared_ptr<EventLoop>& loop);

    const std::shared_ptr<EventLoop> loop_;
    std::thread eventThread_;
};

} // namespace usb::libusb_backend
