#include "simbus/SimBus.h"

#include "base/threadsafety.h"
#include "platform/usb/readahead.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace sim {

IOReturn toIOReturn(Status status) {
    switch (status) {
    case Status::Ok:
        return kIOReturnSuccess;
    case Status::Stall:
        return kIOUSBPipeStalled;
    case Status::Timeout:
        return kIOReturnTimeout;
    case Status::NoDevice:
        return kIOReturnNoDevice;
    case Status::Busy:
        return kIOReturnExclusiveAccess;
    case Status::NotOpen:
        return kIOReturnNotOpen;
    case Status::NoPermission:
        return kIOReturnNotPrivileged;
    case Status::Invalid:
        return kIOReturnBadArgument;
    case Status::Overflow:
        return kIOReturnOverrun;
    case Status::Error:
        return kIOReturnError;
    }
    return kIOReturnError;
}

namespace {

constexpr const char* kInterfaceClassName = "IOUSBInterface";

std::uint64_t nextRegistryID() {
    static std::atomic<std::uint64_t> next{0x100000500ull};
    return next.fetch_add(1);
}

class SimService;

// Unregisters when the last handle goes.
class SimNotification : public usb::Notification {
public:
    explicit SimNotification(std::function<void()> onRelease) : onRelease_(std::move(onRelease)) {}
    ~SimNotification() override {
        if (onRelease_) onRelease_();
    }

private:
    std::function<void()> onRelease_;
};

} // namespace

// Everything the host objects and the devices' listeners share; outlives the SimBus object itself
// for as long as a host object or a posted notice holds it.
struct SimBus::State : std::enable_shared_from_this<SimBus::State> {
    struct Slot {
        std::shared_ptr<SimPrinterDevice> device;
        int listenerToken = 0;
        std::shared_ptr<SimService> service; // the current enumeration's; null while off the bus
    };
    enum class Kind { Matching, Termination };
    struct Registration {
        Kind kind;
        int interfaceClass;
        int interfaceSubClass;
        usb::ServiceCallback callback;
        std::uint64_t sinceEvent; // sees only events numbered above this
        std::atomic<bool> active{true};
    };
    struct Interest {
        std::uint64_t registryID;
        usb::InterestCallback callback;
        std::atomic<bool> active{true};
    };

    mutable base::Mutex mutex;
    std::map<std::uint32_t, Slot> slots GUARDED_BY(mutex);
    std::vector<std::shared_ptr<Registration>> registrations GUARDED_BY(mutex);
    std::vector<std::shared_ptr<Interest>> interests GUARDED_BY(mutex);
    std::uint64_t eventCount GUARDED_BY(mutex) = 0;

    void deviceEvent(std::uint32_t location, DeviceEvent event, std::uint64_t generation,
                     std::uint64_t client);
    void deliverService(Kind kind, const std::shared_ptr<SimService>& service, std::uint64_t eventNumber);
    void deliverInterest(std::uint64_t registryID, IOMessage message, void* argument = nullptr);
    usb::NotificationHandle addRegistration(std::shared_ptr<Registration> registration);
    usb::NotificationHandle addInterest(std::shared_ptr<Interest> interest);
};

namespace {

bool matches(const SimBus::State::Registration& r, const DeviceIdentity& id) {
    return r.interfaceClass == id.interfaceClass &&
           (r.interfaceSubClass < 0 || r.interfaceSubClass == id.interfaceSubClass);
}

// One enumeration of one device's printer interface in the registry.
class SimService : public usb::UsbService, public std::enable_shared_from_this<SimService> {
public:
    SimService(std::weak_ptr<SimBus::State> bus, std::shared_ptr<SimPrinterDevice> device,
               std::uint64_t generation)
        : bus_(std::move(bus)), device_(std::move(device)), generation_(generation),
          registryID_(nextRegistryID()), identity_(device_->identity()) {}

    std::uint64_t registryID() const override { return registryID_; }
    std::string className() const override { return kInterfaceClassName; }
    IOReturn createInterface(std::shared_ptr<usb::UsbInterface>& interface) override;
    IOReturn addInterestNotification(usb::InterestCallback callback,
                                     usb::NotificationHandle& handle) override {
        handle.reset();
        if (!callback) return kIOReturnBadArgument;
        auto bus = bus_.lock();
        if (!bus) return kIOReturnNoDevice;
        auto interest = std::make_shared<SimBus::State::Interest>();
        interest->registryID = registryID_;
        interest->callback = std::move(callback);
        handle = bus->addInterest(std::move(interest));
        return kIOReturnSuccess;
    }

    bool alive() const { return device_->isAttached() && device_->generation() == generation_; }
    const std::shared_ptr<SimPrinterDevice>& model() const { return device_; }
    const DeviceIdentity& identity() const { return identity_; }
    std::uint64_t generation() const { return generation_; }
    // USB port resets and printer-class soft resets made through this enumeration's objects.
    void noteReset() { ++resets_; }
    std::uint64_t resets() const { return resets_; }

private:
    std::atomic<std::uint64_t> resets_{0};
    std::weak_ptr<SimBus::State> bus_;
    std::shared_ptr<SimPrinterDevice> device_;
    std::uint64_t generation_;
    std::uint64_t registryID_;
    DeviceIdentity identity_; // as enumerated; fixed for this service's life
};

IOReturn controlOn(SimService& service, usb::ControlRequest& request) {
    request.wLenDone = 0;
    if (!service.alive()) return kIOReturnNoDevice;
    if (request.wLength > 0 && !request.data) return kIOReturnBadArgument;
    SetupPacket setup;
    setup.bmRequestType = request.bmRequestType;
    setup.bRequest = request.bRequest;
    setup.wValue = request.wValue;
    setup.wIndex = request.wIndex;
    setup.wLength = request.wLength;
    std::vector<std::uint8_t> data;
    if (!setup.isIn() && request.wLength > 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(request.data);
        data.assign(bytes, bytes + request.wLength);
    }
    const Status status = service.model()->control(setup, data);
    if (status != Status::Ok) return toIOReturn(status);
    if (usb::isPrinterSoftReset(request.bmRequestType, request.bRequest)) service.noteReset();
    if (setup.isIn()) {
        const std::size_t n = std::min<std::size_t>(data.size(), request.wLength);
        if (n > 0) std::memcpy(request.data, data.data(), n);
        request.wLenDone = static_cast<std::uint32_t>(n);
    } else {
        request.wLenDone = request.wLength;
    }
    return kIOReturnSuccess;
}

class SimDevice : public usb::UsbDevice {
public:
    explicit SimDevice(std::shared_ptr<SimService> service)
        : service_(std::move(service)), client_(SimPrinterDevice::newClientId()) {}
    ~SimDevice() override {
        if (opened_.exchange(false)) service_->model()->closeDevice(client_);
    }

    IOReturn open() override {
        if (!service_->alive()) return kIOReturnNoDevice;
        const Status s = service_->model()->openDevice(client_);
        if (s == Status::Ok) opened_ = true;
        return toIOReturn(s);
    }
    IOReturn close() override {
        if (!opened_.exchange(false)) return kIOReturnNotOpen;
        if (!service_->alive()) return kIOReturnNoDevice;
        return toIOReturn(service_->model()->closeDevice(client_));
    }
    IOReturn resetDevice() override {
        if (!service_->alive()) return kIOReturnNoDevice;
        if (!opened_) return kIOReturnNotOpen;
        const Status s = service_->model()->resetDevice(client_);
        if (s == Status::Ok) service_->noteReset();
        return toIOReturn(s);
    }
    IOReturn reEnumerate(std::uint32_t) override {
        if (!service_->alive()) return kIOReturnNoDevice;
        if (!opened_) return kIOReturnNotOpen;
        const Status s = service_->model()->reEnumerateDevice(client_);
        if (s == Status::Ok) opened_ = false; // the enumeration this object belonged to is gone
        return toIOReturn(s);
    }
    IOReturn manufacturerStringIndex(std::uint8_t& index) override {
        return stringIndex(kManufacturerOffset, index);
    }
    IOReturn productStringIndex(std::uint8_t& index) override { return stringIndex(kProductOffset, index); }
    IOReturn serialNumberStringIndex(std::uint8_t& index) override {
        return stringIndex(kSerialOffset, index);
    }
    IOReturn deviceRequest(usb::ControlRequest& request) override { return controlOn(*service_, request); }

private:
    static constexpr std::size_t kManufacturerOffset = 14;
    static constexpr std::size_t kProductOffset = 15;
    static constexpr std::size_t kSerialOffset = 16;

    IOReturn stringIndex(std::size_t offset, std::uint8_t& index) {
        index = 0;
        if (!service_->alive()) return kIOReturnNoDevice;
        const auto descriptor = service_->model()->deviceDescriptor();
        if (descriptor.size() <= offset) return kIOReturnError;
        index = descriptor[offset];
        return kIOReturnSuccess;
    }

    std::shared_ptr<SimService> service_;
    std::uint64_t client_;
    std::atomic<bool> opened_{false};
};

class SimInterface : public usb::UsbInterface {
public:
    explicit SimInterface(std::shared_ptr<SimService> service)
        : service_(std::move(service)), client_(SimPrinterDevice::newClientId()) {}
    ~SimInterface() override {
        // As the system closes a user client its owner dropped.
        if (opened_.exchange(false) && service_->alive()) service_->model()->release(client_);
    }

    IOReturn openSeize() override {
        if (!service_->alive()) return kIOReturnNoDevice;
        if (opened_) return kIOReturnSuccess; // already ours: no new claim, no notice
        const Status s = service_->model()->claim(client_);
        if (s == Status::Ok) {
            readAhead_.clear();
            opened_ = true;
        }
        return toIOReturn(s);
    }
    IOReturn close() override {
        if (!opened_.exchange(false)) return kIOReturnNotOpen;
        readAhead_.clear();
        if (!service_->alive()) return kIOReturnNoDevice;
        return toIOReturn(service_->model()->release(client_));
    }

    IOReturn interfaceClass(std::uint8_t& v) override { return get(v, &DeviceIdentity::interfaceClass); }
    IOReturn interfaceSubClass(std::uint8_t& v) override {
        return get(v, &DeviceIdentity::interfaceSubClass);
    }
    IOReturn interfaceNumber(std::uint8_t& v) override { return get(v, &DeviceIdentity::interfaceNumber); }
    IOReturn alternateSetting(std::uint8_t& v) override { return get(v, &DeviceIdentity::alternateSetting); }
    IOReturn configurationValue(std::uint8_t& v) override {
        return get(v, &DeviceIdentity::configurationValue);
    }
    IOReturn deviceVendor(std::uint16_t& v) override { return get(v, &DeviceIdentity::vendorId); }
    IOReturn deviceProduct(std::uint16_t& v) override { return get(v, &DeviceIdentity::productId); }
    IOReturn deviceReleaseNumber(std::uint16_t& v) override { return get(v, &DeviceIdentity::bcdDevice); }
    IOReturn locationID(std::uint32_t& v) override { return get(v, &DeviceIdentity::locationId); }

    IOReturn numEndpoints(std::uint8_t& count) override {
        count = 0;
        if (!service_->alive()) return kIOReturnNoDevice;
        count = static_cast<std::uint8_t>(service_->identity().endpoints.size());
        return kIOReturnSuccess;
    }
    IOReturn pipeProperties(std::uint8_t pipeRef, usb::PipeProperties& p) override {
        p = {};
        const Endpoint* ep = nullptr;
        if (IOReturn r = endpointFor(pipeRef, ep); r != kIOReturnSuccess) return r;
        p.direction = ep->isIn() ? usb::kUSBIn : usb::kUSBOut;
        p.number = ep->address & 0x0F;
        p.transferType = ep->attributes & 0x03;
        p.maxPacketSize = ep->maxPacketSize;
        p.interval = ep->interval;
        return kIOReturnSuccess;
    }

    IOReturn writePipe(std::uint8_t pipeRef, const void* data, std::uint32_t size, std::uint32_t,
                       std::uint32_t) override {
        const Endpoint* ep = nullptr;
        if (IOReturn r = endpointFor(pipeRef, ep); r != kIOReturnSuccess) return r;
        if (!opened_) return kIOReturnNotOpen;
        if (size > 0 && !data) return kIOReturnBadArgument;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        std::vector<std::uint8_t> out(bytes, bytes + size);
        return transferResult(*ep, service_->model()->bulkOut(ep->address, out));
    }
    IOReturn readPipe(std::uint8_t pipeRef, void* buffer, std::uint32_t& size, std::uint32_t noDataTimeout,
                      std::uint32_t completionTimeout) override {
        const std::uint32_t wanted = size;
        size = 0;
        const Endpoint* ep = nullptr;
        if (IOReturn r = endpointFor(pipeRef, ep); r != kIOReturnSuccess) return r;
        if (!opened_) return kIOReturnNotOpen;
        if (wanted > 0 && !buffer) return kIOReturnBadArgument;
        // 0 means no limit; otherwise the shorter of the two limits decides.
        std::uint32_t timeout = SimPrinterDevice::kWaitForever;
        if (noDataTimeout) timeout = noDataTimeout;
        if (completionTimeout) timeout = std::min(timeout, completionTimeout);
        if (const std::uint64_t resets = service_->resets(); resetsSeen_.exchange(resets) != resets)
            readAhead_.clear();
        // Whole packets from the device, the caller's bytes from the read-ahead.
        size = wanted;
        return readAhead_.read(buffer, size, ep->maxPacketSize,
                               [&](std::uint8_t* into, std::uint32_t capacity, std::uint32_t& received) {
                                   std::vector<std::uint8_t> in;
                                   const Status s =
                                       service_->model()->bulkIn(ep->address, in, capacity, timeout);
                                   received = 0;
                                   if (s != Status::Ok) return transferResult(*ep, s);
                                   received =
                                       static_cast<std::uint32_t>(std::min<std::size_t>(in.size(), capacity));
                                   if (received > 0) std::memcpy(into, in.data(), received);
                                   return kIOReturnSuccess;
                               });
    }
    IOReturn controlRequest(usb::ControlRequest& request) override { return controlOn(*service_, request); }

    IOReturn device(std::shared_ptr<usb::UsbDevice>& device) override {
        device.reset();
        if (!service_->alive()) return kIOReturnNoDevice;
        device = std::make_shared<SimDevice>(service_);
        return kIOReturnSuccess;
    }
    std::shared_ptr<usb::UsbService> service() override { return service_; }

private:
    // As the hardware backend does: a transfer that met a halted endpoint still fails, but the halt
    // is cleared before it returns, so the next transfer can use the pipe again.
    IOReturn transferResult(const Endpoint& ep, Status status) {
        if (status == Status::Stall) service_->model()->clearHalt(ep.address);
        return toIOReturn(status);
    }
    template <typename T> IOReturn get(T& out, T DeviceIdentity::*field) {
        out = 0;
        if (!service_->alive()) return kIOReturnNoDevice;
        out = service_->identity().*field;
        return kIOReturnSuccess;
    }
    IOReturn endpointFor(std::uint8_t pipeRef, const Endpoint*& ep) {
        if (!service_->alive()) return kIOReturnNoDevice;
        const auto& endpoints = service_->identity().endpoints;
        if (pipeRef == 0 || pipeRef > endpoints.size()) return kIOUSBUnknownPipeErr;
        ep = &endpoints[pipeRef - 1];
        return kIOReturnSuccess;
    }

    std::shared_ptr<SimService> service_;
    std::uint64_t client_;
    std::atomic<bool> opened_{false};
    usb::BulkReadAhead readAhead_;
    std::atomic<std::uint64_t> resetsSeen_{0};
};

IOReturn SimService::createInterface(std::shared_ptr<usb::UsbInterface>& interface) {
    interface.reset();
    if (!alive()) return kIOReturnNoDevice;
    interface = std::make_shared<SimInterface>(shared_from_this());
    return kIOReturnSuccess;
}

} // namespace

// ---- notices ----

void SimBus::State::deviceEvent(std::uint32_t location, DeviceEvent event, std::uint64_t generation,
                                std::uint64_t client) {
    std::shared_ptr<SimService> service;
    std::uint64_t eventNumber = 0;
    {
        base::MutexLocker lock(mutex);
        auto it = slots.find(location);
        if (it == slots.end()) return;
        Slot& slot = it->second;
        eventNumber = ++eventCount;
        switch (event) {
        case DeviceEvent::Attached:
            slot.service = std::make_shared<SimService>(weak_from_this(), slot.device, generation);
            service = slot.service;
            break;
        case DeviceEvent::Detached:
            if (slot.service && slot.service->generation() == generation) {
                service = std::move(slot.service);
                slot.service.reset();
            }
            break;
        case DeviceEvent::OpenAttempt:
        case DeviceEvent::Closed:
            if (slot.service && slot.service->generation() == generation) service = slot.service;
            break;
        }
    }
    if (!service) return;
    // Every claim and release on this bus comes from a host object in this process; the other
    // program of the model (client 0) is someone else.
    void* const argument = client != 0 ? usb::thisProcessNotice() : nullptr;
    std::weak_ptr<State> weak = weak_from_this();
    auto deliver = [weak, event, service, eventNumber, argument] {
        auto state = weak.lock();
        if (!state) return;
        switch (event) {
        case DeviceEvent::Attached:
            state->deliverService(Kind::Matching, service, eventNumber);
            break;
        case DeviceEvent::Detached:
            state->deliverInterest(service->registryID(), kIOMessageServiceIsTerminated);
            state->deliverService(Kind::Termination, service, eventNumber);
            break;
        case DeviceEvent::OpenAttempt:
            state->deliverInterest(service->registryID(), kIOMessageServiceIsAttemptingOpen, argument);
            break;
        case DeviceEvent::Closed:
            state->deliverInterest(service->registryID(), kIOMessageServiceWasClosed, argument);
            break;
        }
    };
    // A notice caused from a command queue (an open, a close, a transfer meeting an unplug) is
    // posted behind the queue's current item, so the main thread sees what that item posted first,
    // as usb.h promises for this process's own opens and closes.
    usb::postOwnNotice(std::move(deliver));
}

void SimBus::State::deliverService(Kind kind, const std::shared_ptr<SimService>& service,
                                   std::uint64_t eventNumber) {
    std::vector<std::shared_ptr<Registration>> targets;
    {
        base::MutexLocker lock(mutex);
        for (const auto& r : registrations)
            if (r->kind == kind && r->sinceEvent < eventNumber && matches(*r, service->identity()))
                targets.push_back(r);
    }
    for (const auto& r : targets)
        if (r->active) r->callback(service);
}

void SimBus::State::deliverInterest(std::uint64_t registryID, IOMessage message, void* argument) {
    std::vector<std::shared_ptr<Interest>> targets;
    {
        base::MutexLocker lock(mutex);
        for (const auto& i : interests)
            if (i->registryID == registryID) targets.push_back(i);
    }
    for (const auto& i : targets)
        if (i->active) i->callback(message, argument);
}

usb::NotificationHandle SimBus::State::addRegistration(std::shared_ptr<Registration> registration) {
    {
        base::MutexLocker lock(mutex);
        registrations.push_back(registration);
    }
    std::weak_ptr<State> weak = weak_from_this();
    std::weak_ptr<Registration> weakRegistration = registration;
    return std::make_shared<SimNotification>([weak, weakRegistration] {
        auto r = weakRegistration.lock();
        if (r) r->active = false;
        if (auto state = weak.lock()) {
            base::MutexLocker lock(state->mutex);
            std::erase_if(state->registrations, [&](const auto& x) { return x == r; });
        }
    });
}

usb::NotificationHandle SimBus::State::addInterest(std::shared_ptr<Interest> interest) {
    {
        base::MutexLocker lock(mutex);
        interests.push_back(interest);
    }
    std::weak_ptr<State> weak = weak_from_this();
    std::weak_ptr<Interest> weakInterest = interest;
    return std::make_shared<SimNotification>([weak, weakInterest] {
        auto i = weakInterest.lock();
        if (i) i->active = false;
        if (auto state = weak.lock()) {
            base::MutexLocker lock(state->mutex);
            std::erase_if(state->interests, [&](const auto& x) { return x == i; });
        }
    });
}

// ---- the bus ----

SimBus::SimBus() : d(std::make_shared<State>()) {}

std::shared_ptr<SimBus> SimBus::create() {
    return std::shared_ptr<SimBus>(new SimBus());
}

SimBus::~SimBus() {
    std::map<std::uint32_t, State::Slot> slots;
    {
        base::MutexLocker lock(d->mutex);
        slots.swap(d->slots);
    }
    for (auto& [location, slot] : slots)
        slot.device->removeListener(slot.listenerToken);
}

bool SimBus::attach(std::shared_ptr<SimPrinterDevice> device) {
    if (!device) return false;
    const std::uint32_t location = device->identity().locationId;
    {
        base::MutexLocker lock(d->mutex);
        if (d->slots.count(location)) return false;
        State::Slot& slot = d->slots[location];
        slot.device = device;
    }
    std::weak_ptr<State> weak = d;
    const int token = device->addListener(
        [weak, location](DeviceEvent event, std::uint64_t generation, std::uint64_t client) {
            if (auto state = weak.lock()) state->deviceEvent(location, event, generation, client);
        });
    {
        base::MutexLocker lock(d->mutex);
        d->slots[location].listenerToken = token;
    }
    // A device that is already on the cable arrives now.
    if (device->isAttached()) d->deviceEvent(location, DeviceEvent::Attached, device->generation(), 0);
    return true;
}

void SimBus::detach(std::uint32_t locationId) {
    std::shared_ptr<SimPrinterDevice> device;
    {
        base::MutexLocker lock(d->mutex);
        auto it = d->slots.find(locationId);
        if (it == d->slots.end()) return;
        device = it->second.device;
    }
    device->unplug(); // reported through the listener while the slot still exists
    base::MutexLocker lock(d->mutex);
    auto it = d->slots.find(locationId);
    if (it == d->slots.end()) return;
    device->removeListener(it->second.listenerToken);
    d->slots.erase(it);
}

std::shared_ptr<SimPrinterDevice> SimBus::device(std::uint32_t locationId) const {
    base::MutexLocker lock(d->mutex);
    auto it = d->slots.find(locationId);
    return it == d->slots.end() ? nullptr : it->second.device;
}

std::vector<std::shared_ptr<SimPrinterDevice>> SimBus::devices() const {
    base::MutexLocker lock(d->mutex);
    std::vector<std::shared_ptr<SimPrinterDevice>> out;
    for (const auto& [location, slot] : d->slots)
        out.push_back(slot.device);
    return out;
}

std::shared_ptr<usb::UsbService> SimBus::service(std::uint32_t locationId) const {
    base::MutexLocker lock(d->mutex);
    auto it = d->slots.find(locationId);
    return it == d->slots.end() ? nullptr : it->second.service;
}

IOReturn SimBus::addMatchingNotification(int interfaceClass, int interfaceSubClass,
                                         usb::ServiceCallback arrived, usb::NotificationHandle& handle) {
    handle.reset();
    if (!arrived) return kIOReturnBadArgument;
    auto registration = std::make_shared<State::Registration>();
    registration->kind = State::Kind::Matching;
    registration->interfaceClass = interfaceClass;
    registration->interfaceSubClass = interfaceSubClass;
    registration->callback = arrived;
    std::vector<std::shared_ptr<SimService>> present;
    {
        base::MutexLocker lock(d->mutex);
        // Arrivals already posted but not yet delivered are covered by the list below.
        registration->sinceEvent = d->eventCount;
        for (const auto& [location, slot] : d->slots)
            if (slot.service && matches(*registration, slot.service->identity()))
                present.push_back(slot.service);
    }
    handle = d->addRegistration(registration);
    for (const auto& service : present)
        if (registration->active) arrived(service);
    return kIOReturnSuccess;
}

IOReturn SimBus::addTerminationNotification(int interfaceClass, int interfaceSubClass,
                                            usb::ServiceCallback terminated,
                                            usb::NotificationHandle& handle) {
    handle.reset();
    if (!terminated) return kIOReturnBadArgument;
    auto registration = std::make_shared<State::Registration>();
    registration->kind = State::Kind::Termination;
    registration->interfaceClass = interfaceClass;
    registration->interfaceSubClass = interfaceSubClass;
    registration->callback = std::move(terminated);
    {
        base::MutexLocker lock(d->mutex);
        registration->sinceEvent = d->eventCount;
    }
    handle = d->addRegistration(registration);
    return kIOReturnSuccess;
}

} // namespace sim
