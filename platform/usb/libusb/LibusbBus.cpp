#include "platform/usb/libusb/LibusbBus.h"

#include "base/threadsafety.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/usb/libusb/LibusbContext.h"
#include "platform/usb/libusb/LibusbDevice.h"
#include "platform/usb/libusb/LibusbErrors.h"
#include "platform/usb/libusb/LibusbInterface.h"
#include "platform/usb/libusb/NodeWatcher.h"

#include <libusb.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <vector>

namespace usb {
namespace libusb_backend {
namespace {

// After a reset that stands in for a re-enumeration, how long the device stays "away" before it
// is announced again; long enough for the departed printer's own clean-up to be queued first.
constexpr int kReturnAfterResetMilliseconds = 100;

// The bus state shared with the callbacks of libusb, the node watcher and the main queue. All of
// its notices run on the main thread; other threads only post to it, holding weak references, so
// a notice that arrives after the bus is gone is dropped.
class BusCore : public DeviceEvents, public std::enable_shared_from_this<BusCore> {
public:
    explicit BusCore(std::shared_ptr<LibusbContext> context) : context_(std::move(context)) {}

    void start() {
        std::weak_ptr<BusCore> weak = weak_from_this();
        watcher_ = std::make_unique<NodeWatcher>(
            [weak](const std::shared_ptr<DeviceRecord>& device, IOMessage message) {
                std::weak_ptr<DeviceRecord> which = device;
                platform::mainqueue::async([weak, which, message] {
                    if (const auto core = weak.lock()) core->nodeNotice(which, message);
                });
            });
    }

    const std::shared_ptr<LibusbContext>& context() const { return context_; }

    // Event thread (or the registering thread while libusb lists present devices).
    void onArrival(libusb_device* device) {
        std::weak_ptr<BusCore> weak = weak_from_this();
        auto record = DeviceRecord::make(context_, device, weak);
        if (!record) return;
        platform::mainqueue::async([weak, record] {
            if (const auto core = weak.lock()) core->arrived(record);
        });
    }

    void onRemoval(libusb_device* device) {
        const auto key = keyOf(device);
        std::weak_ptr<BusCore> weak = weak_from_this();
        platform::mainqueue::async([weak, key] {
            if (const auto core = weak.lock()) core->left(key);
        });
    }

    // Any thread (a printer's command queue, under the record's lock: the watcher takes only its own).
    void printerNodeHeld(const std::shared_ptr<DeviceRecord>& device, const std::string& node) override {
        if (watcher_) watcher_->watchPrinterNode(device, node);
    }

    // Any thread (a printer's command queue).
    void deviceReEnumerated(const std::shared_ptr<DeviceRecord>& device) override {
        std::weak_ptr<BusCore> weak = weak_from_this();
        platform::mainqueue::async([weak, device] {
            const auto core = weak.lock();
            const auto key = keyOf(*device);
            if (!core || !core->depart(key, false)) return;
            // Held until it returns, so that a real removal in the meantime finds it (see left()).
            core->returning_[key] = device;
            platform::mainqueue::after(kReturnAfterResetMilliseconds, [weak, key] {
                if (const auto again = weak.lock()) again->returned(key);
            });
        });
    }

    IOReturn addRegistration(bool matching, int interfaceClass, int interfaceSubClass,
                             ServiceCallback callback, NotificationHandle& handle) {
        handle.reset();
        if (!callback) return kIOReturnBadArgument;
        auto registration = std::make_shared<Registration>();
        registration->matching = matching;
        registration->interfaceClass = interfaceClass;
        registration->interfaceSubClass = interfaceSubClass;
        registration->callback = std::move(callback);
        std::vector<std::shared_ptr<LibusbService>> present;
        {
            base::MutexLocker lock(mutex_);
            registrations_.push_back(registration);
            if (matching)
                for (const auto& entry : present_)
                    present.insert(present.end(), entry.services.begin(), entry.services.end());
        }
        handle = std::make_shared<RegistrationHandle>(weak_from_this(), registration);
        for (const auto& service : present)
            if (registration->active && !service->isTerminated() &&
                service->matches(interfaceClass, interfaceSubClass))
                registration->callback(service);
        return kIOReturnSuccess;
    }

private:
    struct Registration {
        bool matching = true;
        int interfaceClass = -1;
        int interfaceSubClass = -1;
        ServiceCallback callback;
        std::atomic<bool> active{true};
    };

    class RegistrationHandle : public Notification {
    public:
        RegistrationHandle(std::weak_ptr<BusCore> core, std::shared_ptr<Registration> registration)
            : core_(std::move(core)), registration_(std::move(registration)) {}
        ~RegistrationHandle() override {
            registration_->active = false;
            if (const auto core = core_.lock()) {
                base::MutexLocker lock(core->mutex_);
                std::erase(core->registrations_, registration_);
            }
        }

    private:
        std::weak_ptr<BusCore> core_;
        std::shared_ptr<Registration> registration_;
    };

    struct Present {
        std::shared_ptr<DeviceRecord> device;
        std::vector<std::shared_ptr<LibusbService>> services;
    };

    // A device's key on this bus: its libusb device's address. Only compared, never dereferenced:
    // the record of a listed or returning device holds a reference, so the address cannot be
    // reused while the key is in use.
    static std::uintptr_t keyOf(libusb_device* device) { return reinterpret_cast<std::uintptr_t>(device); }
    static std::uintptr_t keyOf(const DeviceRecord& device) { return keyOf(device.device()); }

    static bool isPrinter(const DeviceRecord& device) {
        return std::any_of(
            device.interfaces().begin(), device.interfaces().end(),
            [](const InterfaceInfo& info) { return info.interfaceClass == kUSBPrintingClass; });
    }

    std::vector<std::shared_ptr<Registration>> registrationsOf(bool matching) {
        base::MutexLocker lock(mutex_);
        std::vector<std::shared_ptr<Registration>> result;
        for (const auto& registration : registrations_)
            if (registration->matching == matching) result.push_back(registration);
        return result;
    }

    // Main thread.
    void arrived(const std::shared_ptr<DeviceRecord>& device) {
        Present entry{device, {}};
        for (const InterfaceInfo& info : device->interfaces())
            entry.services.push_back(std::make_shared<LibusbService>(device, info));
        {
            base::MutexLocker lock(mutex_);
            for (const auto& present : present_)
                if (present.device->device() == device->device()) return; // already listed
            present_.push_back(entry);
        }
        if (isPrinter(*device)) {
            platform::platformLog("USB printer arrived: %s, location id 0x%08x, %s",
                                  device->description().c_str(), unsigned(device->locationID()),
                                  device->nodePath().c_str());
            watcher_->watch(device);
        }
        for (const auto& registration : registrationsOf(true))
            for (const auto& service : entry.services)
                if (registration->active && !service->isTerminated() &&
                    service->matches(registration->interfaceClass, registration->interfaceSubClass))
                    registration->callback(service);
    }

    void left(std::uintptr_t key) {
        Q_ASSERT(platform::mainqueue::isMainThread());
        if (depart(key, true)) return;
        // Removed while away after a reset of ours: its services are terminated already; it must
        // not come back.
        const auto it = returning_.find(key);
        if (it == returning_.end()) return;
        it->second->markGone();
        if (isPrinter(*it->second))
            platform::platformLog("USB printer left the bus: %s", it->second->description().c_str());
        returning_.erase(it);
    }

    // The pause after a reset of ours is over: the device is announced again unless it left.
    void returned(std::uintptr_t key) {
        Q_ASSERT(platform::mainqueue::isMainThread());
        const auto it = returning_.find(key);
        if (it == returning_.end()) return;
        const auto device = it->second;
        returning_.erase(it);
        if (!device->isGone()) arrived(device);
    }

    // Takes the device off the list, tells the interest handlers of its services and then the
    // termination registrations. `gone`: it really left (not just reset in place).
    bool depart(std::uintptr_t key, bool gone) {
        Present entry;
        {
            base::MutexLocker lock(mutex_);
            const auto it = std::find_if(present_.begin(), present_.end(), [key](const Present& present) {
                return keyOf(*present.device) == key;
            });
            if (it == present_.end()) return false;
            entry = std::move(*it);
            present_.erase(it);
        }
        if (gone) entry.device->markGone();
        watcher_->unwatch(entry.device.get());
        if (isPrinter(*entry.device))
            platform::platformLog("USB printer %s: %s", gone ? "left the bus" : "re-enumerates",
                                  entry.device->description().c_str());
        for (const auto& service : entry.services)
            service->markTerminated();
        for (const auto& service : entry.services)
            service->deliverInterest(kIOMessageServiceIsTerminated);
        for (const auto& registration : registrationsOf(false))
            for (const auto& service : entry.services)
                if (registration->active &&
                    service->matches(registration->interfaceClass, registration->interfaceSubClass))
                    registration->callback(service);
        return true;
    }

    void nodeNotice(const std::weak_ptr<DeviceRecord>& which, IOMessage message) {
        const auto device = which.lock();
        if (!device) return;
        std::vector<std::shared_ptr<LibusbService>> services;
        {
            base::MutexLocker lock(mutex_);
            for (const auto& present : present_)
                if (present.device == device) services = present.services;
        }
        for (const auto& service : services)
            if (!service->isTerminated() && service->info().interfaceClass == kUSBPrintingClass)
                service->deliverInterest(message);
    }

    const std::shared_ptr<LibusbContext> context_;
    std::unique_ptr<NodeWatcher> watcher_; // set in start(), before any callback can run
    base::Mutex mutex_;
    std::vector<Present> present_ GUARDED_BY(mutex_); // written on the main thread
    std::vector<std::shared_ptr<Registration>> registrations_ GUARDED_BY(mutex_);
    // Devices reset in place of a re-enumeration, off the list until they are announced again.
    std::map<std::uintptr_t, std::shared_ptr<DeviceRecord>> returning_; // main thread only
};

// `user` is the bus's weak reference to its core, which the context keeps until its event thread
// has stopped: a call that libusb began just before the bus deregistered still finds it, and
// finds the core gone if the bus went away meanwhile.
int LIBUSB_CALL hotplugCallback(libusb_context*, libusb_device* device, libusb_hotplug_event event,
                                void* user) {
    const std::shared_ptr<BusCore> core = static_cast<const std::weak_ptr<BusCore>*>(user)->lock();
    if (!core) return 0;
    if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED)
        core->onArrival(device);
    else if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT)
        core->onRemoval(device);
    return 0; // stay registered
}

class LibusbBus : public UsbBus {
public:
    explicit LibusbBus(std::shared_ptr<LibusbContext> context)
        : core_(std::make_shared<BusCore>(std::move(context))) {
        core_->start();
        libusb_context* ctx = core_->context()->get();
        if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
            auto callbackData = std::make_shared<std::weak_ptr<BusCore>>(core_);
            core_->context()->keepUntilStopped(callbackData);
            // ENUMERATE reports the devices already present from within this call.
            const int result = libusb_hotplug_register_callback(
                ctx, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
                LIBUSB_HOTPLUG_ENUMERATE, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
                LIBUSB_HOTPLUG_MATCH_ANY, hotplugCallback, callbackData.get(), &hotplug_);
            if (result == LIBUSB_SUCCESS) {
                hotplugRegistered_ = true;
                return;
            }
            platform::platformLog(
                "USB hot-plug is unavailable (%s): printers plugged in later will not be seen",
                libusbErrorName(result));
        } else {
            platform::platformLog(
                "USB hot-plug is unsupported here: printers plugged in later will not be seen");
        }
        listOnce();
    }

    ~LibusbBus() override {
        // No call starts after this; one already running may finish later (see hotplugCallback).
        if (hotplugRegistered_) libusb_hotplug_deregister_callback(core_->context()->get(), hotplug_);
    }

    IOReturn addMatchingNotification(int interfaceClass, int interfaceSubClass, ServiceCallback arrived,
                                     NotificationHandle& handle) override {
        return core_->addRegistration(true, interfaceClass, interfaceSubClass, std::move(arrived), handle);
    }

    IOReturn addTerminationNotification(int interfaceClass, int interfaceSubClass, ServiceCallback terminated,
                                        NotificationHandle& handle) override {
        return core_->addRegistration(false, interfaceClass, interfaceSubClass, std::move(terminated),
                                      handle);
    }

private:
    void listOnce() {
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(core_->context()->get(), &list);
        if (count < 0) {
            platform::platformLog("Listing USB devices failed: %s", libusbErrorName(int(count)));
            return;
        }
        for (ssize_t i = 0; i < count; ++i)
            core_->onArrival(list[i]);
        libusb_free_device_list(list, 1);
    }

    std::shared_ptr<BusCore> core_;
    libusb_hotplug_callback_handle hotplug_ = 0;
    bool hotplugRegistered_ = false;
};

} // namespace
} // namespace libusb_backend

std::shared_ptr<UsbBus> makeLibusbBus() {
    auto context = libusb_backend::LibusbContext::create();
    if (!context) return nullptr;
    return std::make_shared<libusb_backend::LibusbBus>(std::move(context));
}

} // namespace usb
