// Watches the usbfs nodes of printers for other programs opening and closing them.
//
// Linux has no "somebody is about to open this interface" notice, but every program that talks to a
// USB device (a print backend, another copy of this tool) opens its node under /dev/bus/usb first.
// inotify reports those opens and closes; the ones this process makes itself are tallied by the
// device record and dropped here, so what is left comes from others. The handler runs on the
// watcher's own thread and must only hand the event on.
#pragma once

#include "base/threadsafety.h"
#include "platform/usb/iokit_codes.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace usb::libusb_backend {

class DeviceRecord;

class NodeWatcher {
public:
    using Handler = std::function<void(const std::shared_ptr<DeviceRecord>& device, IOMessage message)>;

    explicit NodeWatcher(Handler handler);
    ~NodeWatcher();
    NodeWatcher(const NodeWatcher&) = delete;
    NodeWatcher& operator=(const NodeWatcher&) = delete;

    bool isWorking() const { return inotifyFd_ >= 0; }
    void watch(const std::shared_ptr<DeviceRecord>& device);
    // Also the printer driver's node of one of its interfaces, while another program has it open
    // (the watch ends by itself when the node goes, as it does when the driver lets go).
    void watchPrinterNode(const std::shared_ptr<DeviceRecord>& device, const std::string& node);
    void unwatch(const DeviceRecord* device);

private:
    void run();
    void dispatch(int watch, std::uint32_t mask);

    const Handler handler_;
    int inotifyFd_ = -1;
    int wakeFd_ = -1;
    base::Mutex mutex_;
    struct Watch {
        std::weak_ptr<DeviceRecord> device;
        bool printerNode = false;
    };
    std::map<int, Watch> watches_ GUARDED_BY(mutex_); // inotify watch -> device
    std::thread thread_;
};

} // namespace usb::libusb_backend
