// The recording bus: every object of the wrapped bus behind an object that hands what was done to
// the recorder (capture.cpp) once the wrapped call has returned, with its start and end times.
#include "base/threadsafety.h"
#include "platform/usb/capture/capture.h"

#include <chrono>
#include <map>

namespace usb::capture {

namespace {

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// What the recorder needs of a service, taken once when it arrives.
struct ServiceInfo {
    std::uint32_t location = 0;
    Arrival arrival;
    bool arrivalRecorded = false;
    bool leaveRecorded = false;
};

struct Shared : std::enable_shared_from_this<Shared> {
    std::shared_ptr<UsbBus> inner;
    base::Mutex mutex;
    std::map<std::uint64_t, ServiceInfo> services GUARDED_BY(mutex);
    NotificationHandle arrivals;
    NotificationHandle leaves;

    static ServiceInfo describe(UsbService& service) {
        ServiceInfo info;
        std::shared_ptr<UsbInterface> interface;
        if (service.createInterface(interface) != kIOReturnSuccess || !interface) return info;
        Arrival& a = info.arrival;
        interface->locationID(info.location);
        interface->deviceVendor(a.vendor);
        interface->deviceProduct(a.product);
        interface->deviceReleaseNumber(a.release);
        interface->interfaceClass(a.interfaceClass);
        interface->interfaceSubClass(a.interfaceSubClass);
        interface->interfaceNumber(a.interfaceNumber);
        interface->alternateSetting(a.alternateSetting);
        interface->configurationValue(a.configurationValue);
        std::uint8_t endpoints = 0;
        interface->numEndpoints(endpoints);
        for (std::uint8_t pipe = 1; pipe <= endpoints; ++pipe) {
            PipeProperties properties;
            interface->pipeProperties(pipe, properties);
            a.pipes.push_back(properties);
        }
        std::shared_ptr<UsbDevice> device;
        if (interface->device(device) == kIOReturnSuccess && device) {
            device->manufacturerStringIndex(a.manufacturerIndex);
            device->productStringIndex(a.productIndex);
            device->serialNumberStringIndex(a.serialNumberIndex);
        }
        a.className = service.className();
        return info;
    }

    ServiceInfo info(UsbService& service) {
        {
            base::MutexLocker lock(mutex);
            if (auto it = services.find(service.registryID()); it != services.end()) return it->second;
        }
        ServiceInfo info = describe(service);
        base::MutexLocker lock(mutex);
        services.try_emplace(service.registryID(), info);
        return info;
    }

    // An arrival or leave is recorded once, by whichever of the bus's notices comes first: the
    // recorder's own, or the one that hands the service to the program (a bus hands the printers
    // already present to a new registration at once, before the notices it posted earlier).
    void arrived(UsbService& service) {
        ServiceInfo info;
        {
            base::MutexLocker lock(mutex);
            if (auto it = services.find(service.registryID());
                it != services.end() && it->second.arrivalRecorded)
                return;
        }
        info = describe(service);
        info.arrivalRecorded = true;
        {
            base::MutexLocker lock(mutex);
            auto [it, added] = services.try_emplace(service.registryID(), info);
            if (!added) {
                if (it->second.arrivalRecorded) return;
                it->second = info;
            }
        }
        Record r;
        r.operation = Operation::Arrival;
        r.locationId = info.location;
        r.startNs = r.endNs = nowNs();
        r.arrival = info.arrival;
        record(std::move(r));
    }

    void left(UsbService& service) {
        const ServiceInfo info = this->info(service);
        {
            base::MutexLocker lock(mutex);
            ServiceInfo& kept = services[service.registryID()];
            if (kept.leaveRecorded) return;
            kept.leaveRecorded = true;
        }
        Record r;
        r.operation = Operation::Leave;
        r.locationId = info.location;
        r.startNs = r.endNs = nowNs();
        r.result = kIOReturnNoDevice;
        record(std::move(r));
    }
};

// Runs `call` and records it as `r`, with its times and result.
template <typename Call> IOReturn recorded(Record r, Call&& call) {
    r.startNs = nowNs();
    r.result = call(r);
    r.endNs = nowNs();
    const IOReturn result = r.result;
    record(std::move(r));
    return result;
}

Record on(std::uint32_t location, Operation operation) {
    Record r;
    r.operation = operation;
    r.locationId = location;
    return r;
}

Setup setupOf(const ControlRequest& request) {
    return {request.bmRequestType, request.bRequest, request.wValue, request.wIndex, request.wLength};
}

// A control request, with its OUT data before and its IN data after.
IOReturn recordedControl(std::uint32_t location, ControlRequest& request,
                         const std::function<IOReturn(ControlRequest&)>& send) {
    Record r = on(location, Operation::Control);
    r.setup = setupOf(request);
    r.requested = request.wLength;
    const bool in = request.bmRequestType & 0x80;
    if (!in && request.data) r.data = QByteArray(static_cast<const char*>(request.data), request.wLength);
    return recorded(std::move(r), [&](Record& x) {
        const IOReturn result = send(request);
        x.length = request.wLenDone;
        if (in && request.data)
            x.data = QByteArray(static_cast<const char*>(request.data),
                                qsizetype(std::min<std::uint32_t>(request.wLenDone, request.wLength)));
        return result;
    });
}

class CapturingDevice final : public UsbDevice {
public:
    CapturingDevice(std::shared_ptr<UsbDevice> inner, std::uint32_t location)
        : inner_(std::move(inner)), location_(location) {}
    IOReturn open() override {
        return recorded(on(location_, Operation::DeviceOpen), [&](Record&) { return inner_->open(); });
    }
    IOReturn close() override {
        return recorded(on(location_, Operation::DeviceClose), [&](Record&) { return inner_->close(); });
    }
    IOReturn resetDevice() override {
        return recorded(on(location_, Operation::DeviceReset),
                        [&](Record&) { return inner_->resetDevice(); });
    }
    IOReturn reEnumerate(std::uint32_t options) override {
        Record r = on(location_, Operation::ReEnumerate);
        r.argument = options;
        return recorded(std::move(r), [&](Record&) { return inner_->reEnumerate(options); });
    }
    IOReturn manufacturerStringIndex(std::uint8_t& index) override {
        return inner_->manufacturerStringIndex(index);
    }
    IOReturn productStringIndex(std::uint8_t& index) override { return inner_->productStringIndex(index); }
    IOReturn serialNumberStringIndex(std::uint8_t& index) override {
        return inner_->serialNumberStringIndex(index);
    }
    IOReturn deviceRequest(ControlRequest& request) override {
        return recordedControl(location_, request,
                               [&](ControlRequest& r) { return inner_->deviceRequest(r); });
    }

private:
    std::shared_ptr<UsbDevice> inner_;
    std::uint32_t location_;
};

class CapturingService;

class CapturingInterface final : public UsbInterface {
public:
    CapturingInterface(std::shared_ptr<UsbInterface> inner, std::shared_ptr<Shared> shared, ServiceInfo info)
        : inner_(std::move(inner)), shared_(std::move(shared)), info_(std::move(info)) {}

    IOReturn openSeize() override {
        return recorded(on(info_.location, Operation::InterfaceOpen),
                        [&](Record&) { return inner_->openSeize(); });
    }
    IOReturn close() override {
        return recorded(on(info_.location, Operation::InterfaceClose),
                        [&](Record&) { return inner_->close(); });
    }
    IOReturn interfaceClass(std::uint8_t& value) override { return inner_->interfaceClass(value); }
    IOReturn interfaceSubClass(std::uint8_t& value) override { return inner_->interfaceSubClass(value); }
    IOReturn interfaceNumber(std::uint8_t& value) override { return inner_->interfaceNumber(value); }
    IOReturn alternateSetting(std::uint8_t& value) override { return inner_->alternateSetting(value); }
    IOReturn configurationValue(std::uint8_t& value) override { return inner_->configurationValue(value); }
    IOReturn deviceVendor(std::uint16_t& value) override { return inner_->deviceVendor(value); }
    IOReturn deviceProduct(std::uint16_t& value) override { return inner_->deviceProduct(value); }
    IOReturn deviceReleaseNumber(std::uint16_t& value) override { return inner_->deviceReleaseNumber(value); }
    IOReturn locationID(std::uint32_t& value) override { return inner_->locationID(value); }
    IOReturn numEndpoints(std::uint8_t& count) override { return inner_->numEndpoints(count); }
    IOReturn pipeProperties(std::uint8_t pipeRef, PipeProperties& properties) override {
        return inner_->pipeProperties(pipeRef, properties);
    }

    IOReturn writePipe(std::uint8_t pipeRef, const void* data, std::uint32_t size,
                       std::uint32_t noDataTimeout, std::uint32_t completionTimeout) override {
        Record r = on(info_.location, Operation::BulkOut);
        r.endpoint = endpoint(pipeRef);
        r.requested = r.length = size;
        // A copy costs the transfer little; its digest is taken off this thread (record()).
        if (data) r.data = QByteArray(static_cast<const char*>(data), qsizetype(size));
        return recorded(std::move(r), [&](Record&) {
            return inner_->writePipe(pipeRef, data, size, noDataTimeout, completionTimeout);
        });
    }
    IOReturn readPipe(std::uint8_t pipeRef, void* buffer, std::uint32_t& size, std::uint32_t noDataTimeout,
                      std::uint32_t completionTimeout) override {
        Record r = on(info_.location, Operation::BulkIn);
        r.endpoint = endpoint(pipeRef);
        r.requested = size;
        const std::uint32_t wanted = size;
        return recorded(std::move(r), [&](Record& x) {
            const IOReturn result = inner_->readPipe(pipeRef, buffer, size, noDataTimeout, completionTimeout);
            x.length = std::min(size, wanted);
            if (buffer) x.data = QByteArray(static_cast<const char*>(buffer), qsizetype(x.length));
            return result;
        });
    }
    IOReturn controlRequest(ControlRequest& request) override {
        return recordedControl(info_.location, request,
                               [&](ControlRequest& r) { return inner_->controlRequest(r); });
    }
    IOReturn device(std::shared_ptr<UsbDevice>& device) override {
        std::shared_ptr<UsbDevice> inner;
        const IOReturn result = inner_->device(inner);
        device = inner ? std::make_shared<CapturingDevice>(std::move(inner), info_.location) : nullptr;
        return result;
    }
    std::shared_ptr<UsbService> service() override;

private:
    // The endpoint address of a pipe: its number, with the direction bit of IN pipes.
    std::uint8_t endpoint(std::uint8_t pipeRef) const {
        if (pipeRef < 1 || pipeRef > info_.arrival.pipes.size()) return 0;
        const PipeProperties& p = info_.arrival.pipes[pipeRef - 1];
        return std::uint8_t(p.number | (p.direction == kUSBIn ? 0x80 : 0));
    }

    std::shared_ptr<UsbInterface> inner_;
    std::shared_ptr<Shared> shared_;
    ServiceInfo info_;
};

class CapturingService final : public UsbService {
public:
    CapturingService(std::shared_ptr<UsbService> inner, std::shared_ptr<Shared> shared)
        : inner_(std::move(inner)), shared_(std::move(shared)) {}
    std::uint64_t registryID() const override { return inner_->registryID(); }
    std::string className() const override { return inner_->className(); }
    IOReturn createInterface(std::shared_ptr<UsbInterface>& interface) override {
        std::shared_ptr<UsbInterface> inner;
        const IOReturn result = inner_->createInterface(inner);
        interface =
            inner ? std::make_shared<CapturingInterface>(std::move(inner), shared_, shared_->info(*inner_))
                  : nullptr;
        return result;
    }
    IOReturn addInterestNotification(InterestCallback callback, NotificationHandle& handle) override {
        return inner_->addInterestNotification(std::move(callback), handle);
    }

private:
    std::shared_ptr<UsbService> inner_;
    std::shared_ptr<Shared> shared_;
};

std::shared_ptr<UsbService> CapturingInterface::service() {
    std::shared_ptr<UsbService> inner = inner_->service();
    return inner ? std::make_shared<CapturingService>(std::move(inner), shared_) : nullptr;
}

class CapturingBus final : public UsbBus {
public:
    explicit CapturingBus(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
    IOReturn addMatchingNotification(int interfaceClass, int interfaceSubClass, ServiceCallback arrived,
                                     NotificationHandle& handle) override {
        return shared_->inner->addMatchingNotification(interfaceClass, interfaceSubClass,
                                                       wrapped(std::move(arrived), &Shared::arrived), handle);
    }
    IOReturn addTerminationNotification(int interfaceClass, int interfaceSubClass, ServiceCallback terminated,
                                        NotificationHandle& handle) override {
        return shared_->inner->addTerminationNotification(
            interfaceClass, interfaceSubClass, wrapped(std::move(terminated), &Shared::left), handle);
    }

private:
    ServiceCallback wrapped(ServiceCallback callback, void (Shared::*note)(UsbService&)) const {
        return [shared = shared_, callback = std::move(callback), note](std::shared_ptr<UsbService> service) {
            if (!service) return callback(nullptr);
            ((*shared).*note)(*service);
            callback(std::make_shared<CapturingService>(std::move(service), shared));
        };
    }

    std::shared_ptr<Shared> shared_;
};

} // namespace

std::shared_ptr<UsbBus> capturingBus(std::shared_ptr<UsbBus> inner) {
    if (!inner) return nullptr;
    auto shared = std::make_shared<Shared>();
    shared->inner = std::move(inner);
    // The bus's own notices come first, so a printer's arrival is recorded before anything the
    // program does with it, and its leave before what the program does about that. They hold the
    // shared state weakly: the handles live in it.
    std::weak_ptr<Shared> weak = shared;
    shared->inner->addMatchingNotification(
        kUSBPrintingClass, -1,
        [weak](std::shared_ptr<UsbService> service) {
            if (auto s = weak.lock(); s && service) s->arrived(*service);
        },
        shared->arrivals);
    shared->inner->addTerminationNotification(
        kUSBPrintingClass, -1,
        [weak](std::shared_ptr<UsbService> service) {
            if (auto s = weak.lock(); s && service) s->left(*service);
        },
        shared->leaves);
    return std::make_shared<CapturingBus>(std::move(shared));
}

} // namespace usb::capture
