#include "platform/usb/libusb/NodeWatcher.h"

#include "platform/platformlog.h"
#include "platform/usb/libusb/LibusbDevice.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace usb::libusb_backend {

namespace {
constexpr std::uint32_t kWatchedEvents = IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE;
// Room for many events per read; inotify never splits one event across reads.
constexpr std::size_t kEventBufferSize = 64 * (sizeof(inotify_event) + NAME_MAX + 1);
} // namespace

NodeWatcher::NodeWatcher(Handler handler) : handler_(std::move(handler)) {
    inotifyFd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (inotifyFd_ < 0 || wakeFd_ < 0) {
        platform::platformLog(
            "Cannot watch USB device nodes (%s): other programs opening a printer go unnoticed",
            std::strerror(errno));
        if (inotifyFd_ >= 0) ::close(inotifyFd_);
        if (wakeFd_ >= 0) ::close(wakeFd_);
        inotifyFd_ = wakeFd_ = -1;
        return;
    }
    thread_ = std::thread([this] { run(); });
}

NodeWatcher::~NodeWatcher() {
    if (inotifyFd_ < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    thread_.join();
    ::close(inotifyFd_);
    ::close(wakeFd_);
}

void NodeWatcher::watch(const std::shared_ptr<DeviceRecord>& device) {
    if (inotifyFd_ < 0) return;
    // Held across both steps: an event for the new watch waits in dispatch() until the watch is
    // recorded, instead of being dropped as unknown.
    base::MutexLocker lock(mutex_);
    const int watch = inotify_add_watch(inotifyFd_, device->nodePath().c_str(), kWatchedEvents);
    if (watch < 0) {
        platform::platformLog("Cannot watch %s for the %s (%s): other programs opening it go unnoticed",
                              device->nodePath().c_str(), device->description().c_str(),
                              std::strerror(errno));
        return;
    }
    watches_[watch] = {device, false};
}

void NodeWatcher::watchPrinterNode(const std::shared_ptr<DeviceRecord>& device, const std::string& node) {
    if (inotifyFd_ < 0) return;
    base::MutexLocker lock(mutex_);
    const int watch = inotify_add_watch(inotifyFd_, node.c_str(), kWatchedEvents);
    if (watch < 0) {
        platform::platformLog("Cannot watch %s for the %s (%s): its closing goes unnoticed", node.c_str(),
                              device->description().c_str(), std::strerror(errno));
        return;
    }
    watches_[watch] = {device, true};
}

void NodeWatcher::unwatch(const DeviceRecord* device) {
    if (inotifyFd_ < 0) return;
    base::MutexLocker lock(mutex_);
    for (auto it = watches_.begin(); it != watches_.end();) {
        const auto held = it->second.device.lock();
        if (!held || held.get() == device) {
            inotify_rm_watch(inotifyFd_, it->first);
            it = watches_.erase(it);
        } else {
            ++it;
        }
    }
}

void NodeWatcher::run() {
    alignas(inotify_event) char buffer[kEventBufferSize];
    for (;;) {
        pollfd fds[2] = {{inotifyFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            platform::platformLog("USB device node watcher stopped: %s", std::strerror(errno));
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        const ssize_t length = ::read(inotifyFd_, buffer, sizeof buffer);
        if (length <= 0) continue;
        for (ssize_t offset = 0; offset + ssize_t(sizeof(inotify_event)) <= length;) {
            inotify_event event;
            std::memcpy(&event, buffer + offset, sizeof event);
            dispatch(event.wd, event.mask);
            offset += ssize_t(sizeof(inotify_event) + event.len);
        }
    }
}

void NodeWatcher::dispatch(int watch, std::uint32_t mask) {
    std::shared_ptr<DeviceRecord> device;
    bool printerNode = false;
    {
        base::MutexLocker lock(mutex_);
        const auto it = watches_.find(watch);
        if (it == watches_.end()) return;
        if (mask & IN_IGNORED) { // the node went away with its device
            watches_.erase(it);
            return;
        }
        device = it->second.device.lock();
        printerNode = it->second.printerNode;
    }
    if (!device) return;
    const bool ownOpen =
        (mask & IN_OPEN) && (printerNode ? device->consumeOwnPrinterNodeOpen() : device->consumeOwnOpen());
    const bool closed = mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
    const bool ownClose =
        closed && (printerNode ? device->consumeOwnPrinterNodeClose() : device->consumeOwnClose());
    if ((mask & IN_OPEN) && !ownOpen) handler_(device, kIOMessageServiceIsAttemptingOpen);
    if (closed && !ownClose) handler_(device, kIOMessageServiceWasClosed);
}

} // namespace usb::libusb_backend
