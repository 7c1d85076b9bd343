#include "platform/usb/libusb/LibusbContext.h"

#include "platform/platformlog.h"
#include "platform/usb/libusb/LibusbErrors.h"

#include <libusb.h>

#include <chrono>
#include <cstdlib>

namespace usb::libusb_backend {

namespace {
// How long one turn of the event loop may wait; bounds how late a shutdown is noticed when
// libusb_interrupt_event_handler() cannot wake the loop.
constexpr long kEventLoopTurnMicroseconds = 200 * 1000;
// Pause after a failed turn (a device node that vanished under the poll, say), so a persistent
// failure cannot spin; short, since transfers of other printers wait on this loop.
constexpr auto kFailedTurnPause = std::chrono::milliseconds(10);
} // namespace

std::shared_ptr<LibusbContext> LibusbContext::create() {
    libusb_context* context = nullptr;
    const int result = libusb_init(&context);
    if (result != LIBUSB_SUCCESS) {
        platform::platformLog("USB access is unavailable: libusb_init() returned %s",
                              libusbErrorName(result));
        return nullptr;
    }
    // LIBUSB_DEBUG in the environment still works for field diagnosis; otherwise keep libusb quiet,
    // our own log lines say what went wrong.
    if (!std::getenv("LIBUSB_DEBUG"))
        libusb_set_option(context, LIBUSB_OPTION_LOG_LEVEL, LIBUSB_LOG_LEVEL_NONE);
    return std::shared_ptr<LibusbContext>(new LibusbContext(context));
}

LibusbContext::LibusbContext(libusb_context* context) : loop_(std::make_shared<EventLoop>(context)) {
    eventThread_ = std::thread([loop = loop_] { runEvents(loop); });
}

LibusbContext::~LibusbContext() {
    loop_->stopping = true;
    libusb_interrupt_event_handler(loop_->context);
    if (isEventThread()) {
        // The last reference went away inside a callback on the event thread itself: it cannot
        // join itself, and libusb_exit() would pull the loop out from under it. The thread leaves
        // its loop once the callback has returned and closes libusb itself; it holds what it uses.
        loop_->exitOnEventThread = true;
        eventThread_.detach();
        return;
    }
    eventThread_.join();
    libusb_exit(loop_->context);
}

void LibusbContext::keepUntilStopped(std::shared_ptr<void> data) {
    base::MutexLocker lock(loop_->mutex);
    loop_->kept.push_back(std::move(data));
}

void LibusbContext::runEvents(const std::shared_ptr<EventLoop>& loop) {
    bool failing = false; // log the first failure of a run, not every turn
    while (!loop->stopping) {
        timeval turn{0, kEventLoopTurnMicroseconds};
        const int result = libusb_handle_events_timeout_completed(loop->context, &turn, nullptr);
        const bool failed =
            result != LIBUSB_SUCCESS && result != LIBUSB_ERROR_INTERRUPTED && result != LIBUSB_ERROR_TIMEOUT;
        if (failed && !failing)
            platform::platformLog("USB event loop: libusb_handle_events returned %s",
                                  libusbErrorName(result));
        failing = failed;
        if (failed) {
            // Do not spin on a persistent failure.
            std::this_thread::sleep_for(kFailedTurnPause);
        }
    }
    if (loop->exitOnEventThread) libusb_exit(loop->context);
}

} // namespace usb::libusb_backend
