#include "platform/usb/capture/ReplayBus.h"

#include "base/threadsafety.h"
#include "platform/platformlog.h"
#include "platform/queue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <thread>

namespace usb::capture {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDefaultClassName = "IOUSBInterface";

std::uint64_t nextRegistryID() {
    static std::atomic<std::uint64_t> next{0x100800500ull};
    return next.fetch_add(1);
}

// Unregisters when the last handle goes.
class ReplayNotification : public Notification {
public:
    explicit ReplayNotification(std::function<void()> onRelease) : onRelease_(std::move(onRelease)) {}
    ~ReplayNotification() override {
        if (onRelease_) onRelease_();
    }

private:
    std::function<void()> onRelease_;
};

std::uint8_t endpointAddress(const PipeProperties& pipe) {
    return std::uint8_t((pipe.number & 0x0F) | (pipe.direction == kUSBIn ? 0x80 : 0x00));
}

bool isNote(Operation operation) {
    return operation == Operation::Arrival || operation == Operation::Leave;
}

// Whether `bytes`, offered by the program, are the ones the capture has: in full, or, where the
// capture kept only the first ones, by their length and digest.
bool sameBytes(const Record& captured, const QByteArray& bytes) {
    if (!captured.digest.isEmpty())
        return std::uint32_t(bytes.size()) == captured.length &&
               sha256(bytes.constData(), std::size_t(bytes.size())) == captured.digest;
    return captured.data == bytes;
}

bool matches(const Record& asked, const Record& captured) {
    if (asked.operation != captured.operation) return false;
    switch (asked.operation) {
    case Operation::Control:
        if (!(asked.setup == captured.setup)) return false;
        // OUT requests carry their data with them.
        return (asked.setup.bmRequestType & 0x80) || asked.setup.wLength == 0 ||
               sameBytes(captured, asked.data);
    case Operation::BulkOut:
        return asked.endpoint == captured.endpoint && sameBytes(captured, asked.data);
    case Operation::BulkIn:
        return asked.endpoint == captured.endpoint && asked.requested == captured.requested;
    case Operation::ReEnumerate:
        return asked.argument == captured.argument;
    default:
        return true;
    }
}

class ReplayService;

// One printer of the capture: its records, where it stands in them and its enumerations.
struct ReplayPrinter : std::enable_shared_from_this<ReplayPrinter> {
    std::uint32_t location = 0;
    std::shared_ptr<const std::vector<Record>> all;
    std::vector<std::size_t> own; // indexes into `all`, in order
    bool recordedTiming = false;
    std::weak_ptr<ReplayBus::State> bus;
    // The enumeration on the bus now; 0 while off it (after a leave or the divergence).
    std::atomic<std::uint64_t> currentGeneration{0};

    base::Mutex mutex;
    std::size_t cursor GUARDED_BY(mutex) = 0;
    bool diverged GUARDED_BY(mutex) = false;
    bool unrecordedRelease GUARDED_BY(mutex) = false; // see pace()
    std::uint64_t generations GUARDED_BY(mutex) = 0;
    std::shared_ptr<ReplayService> service GUARDED_BY(mutex);
    // With the recorded timing: the moment the capture's time `anchorNs` corresponds to in this run.
    Clock::time_point anchor GUARDED_BY(mutex);
    std::int64_t anchorNs GUARDED_BY(mutex) = 0;

    const Record& at(std::size_t index) const { return (*all)[own[index]]; }

    // Answers the program's operation `asked` from the next record (`answer` copies its data out),
    // or diverges. Any thread; with the recorded timing it returns no sooner than the record took.
    IOReturn play(const Record& asked, const std::function<void(const Record&)>& answer) EXCLUDES(mutex);

    // Delivers the arrivals and leaves at the cursor: all of them when `now`, otherwise when they are
    // due (with the recorded timing, a later one from the main thread).
    // Whether the records, or this printer itself, answer a release and claim of the interface that
    // only the program's pace put in or left out; kIOReturnSuccess when the printer answers `asked`.
    bool pace(const Record& asked) REQUIRES(mutex);
    void deliverNotes(bool now) REQUIRES(mutex);
    void deliver(const Record& note) REQUIRES(mutex);
    void leave() REQUIRES(mutex);
    void diverge(const Record& asked) REQUIRES(mutex);
};

// One enumeration of one printer in the registry.
class ReplayService : public UsbService, public std::enable_shared_from_this<ReplayService> {
public:
    ReplayService(std::weak_ptr<ReplayBus::State> bus, std::shared_ptr<ReplayPrinter> printer,
                  std::uint64_t generation, Arrival arrival)
        : bus_(std::move(bus)), printer_(std::move(printer)), generation_(generation),
          registryID_(nextRegistryID()), arrival_(std::move(arrival)) {}

    std::uint64_t registryID() const override { return registryID_; }
    std::string className() const override {
        return arrival_.className.empty() ? std::string(kDefaultClassName) : arrival_.className;
    }
    IOReturn createInterface(std::shared_ptr<UsbInterface>& interface) override;
    IOReturn addInterestNotification(InterestCallback callback, NotificationHandle& handle) override;

    bool alive() const { return printer_->currentGeneration.load() == generation_; }
    ReplayPrinter& printer() const { return *printer_; }
    const Arrival& arrival() const { return arrival_; }
    std::uint32_t location() const { return printer_->location; }
    // Hands a notice about this process's own open or close to the interest callbacks, as usb.h says.
    void postOwn(IOMessage message);

private:
    std::weak_ptr<ReplayBus::State> bus_;
    std::shared_ptr<ReplayPrinter> printer_;
    std::uint64_t generation_;
    std::uint64_t registryID_;
    Arrival arrival_; // as enumerated; fixed for this service's life
};

Record askedRecord(Operation operation, const ReplayService& service) {
    Record r;
    r.operation = operation;
    r.locationId = service.location();
    return r;
}

IOReturn controlOn(ReplayService& service, ControlRequest& request) {
    request.wLenDone = 0;
    Record asked = askedRecord(Operation::Control, service);
    asked.setup = {request.bmRequestType, request.bRequest, request.wValue, request.wIndex, request.wLength};
    asked.requested = request.wLength;
    const bool in = request.bmRequestType & 0x80;
    if (!in && request.data) asked.data = QByteArray(static_cast<const char*>(request.data), request.wLength);
    return service.printer().play(asked, [&](const Record& captured) {
        if (in) {
            const auto n = std::min<std::uint32_t>(
                {std::uint32_t(captured.data.size()), captured.length, std::uint32_t(request.wLength)});
            if (n > 0 && request.data) std::memcpy(request.data, captured.data.constData(), n);
            request.wLenDone = n;
        } else {
            request.wLenDone = std::min<std::uint32_t>(captured.length, request.wLength);
        }
    });
}

IOReturn playSimple(ReplayService& service, Operation operation, std::uint32_t argument = 0) {
    Record asked = askedRecord(operation, service);
    asked.argument = argument;
    return service.printer().play(asked, [](const Record&) {});
}

class ReplayDevice : public UsbDevice {
public:
    explicit ReplayDevice(std::shared_ptr<ReplayService> service) : service_(std::move(service)) {}

    IOReturn open() override { return playSimple(*service_, Operation::DeviceOpen); }
    IOReturn close() override { return playSimple(*service_, Operation::DeviceClose); }
    IOReturn resetDevice() override { return playSimple(*service_, Operation::DeviceReset); }
    IOReturn reEnumerate(std::uint32_t options) override {
        return playSimple(*service_, Operation::ReEnumerate, options);
    }
    IOReturn manufacturerStringIndex(std::uint8_t& index) override {
        return stringIndex(index, &Arrival::manufacturerIndex);
    }
    IOReturn productStringIndex(std::uint8_t& index) override {
        return stringIndex(index, &Arrival::productIndex);
    }
    IOReturn serialNumberStringIndex(std::uint8_t& index) override {
        return stringIndex(index, &Arrival::serialNumberIndex);
    }
    IOReturn deviceRequest(ControlRequest& request) override { return controlOn(*service_, request); }

private:
    IOReturn stringIndex(std::uint8_t& index, std::uint8_t Arrival::*field) {
        index = 0;
        if (!service_->alive()) return kIOReturnNoDevice;
        index = service_->arrival().*field;
        return kIOReturnSuccess;
    }

    std::shared_ptr<ReplayService> service_;
};

class ReplayInterface : public UsbInterface {
public:
    explicit ReplayInterface(std::shared_ptr<ReplayService> service) : service_(std::move(service)) {}
    ~ReplayInterface() override {
        // As the system closes a user client its owner dropped.
        if (opened_.exchange(false)) service_->postOwn(kIOMessageServiceWasClosed);
    }

    IOReturn openSeize() override {
        const IOReturn r = playSimple(*service_, Operation::InterfaceOpen);
        // An open that reached the interface has its notice; one that was ours already has none.
        if ((r == kIOReturnSuccess || r == kIOReturnExclusiveAccess) &&
            !opened_.exchange(r == kIOReturnSuccess))
            service_->postOwn(kIOMessageServiceIsAttemptingOpen);
        return r;
    }
    IOReturn close() override {
        const bool wasOpen = opened_.exchange(false);
        const IOReturn r = playSimple(*service_, Operation::InterfaceClose);
        if (r == kIOReturnSuccess && wasOpen) service_->postOwn(kIOMessageServiceWasClosed);
        return r;
    }

    IOReturn interfaceClass(std::uint8_t& v) override { return get(v, &Arrival::interfaceClass); }
    IOReturn interfaceSubClass(std::uint8_t& v) override { return get(v, &Arrival::interfaceSubClass); }
    IOReturn interfaceNumber(std::uint8_t& v) override { return get(v, &Arrival::interfaceNumber); }
    IOReturn alternateSetting(std::uint8_t& v) override { return get(v, &Arrival::alternateSetting); }
    IOReturn configurationValue(std::uint8_t& v) override { return get(v, &Arrival::configurationValue); }
    IOReturn deviceVendor(std::uint16_t& v) override { return get(v, &Arrival::vendor); }
    IOReturn deviceProduct(std::uint16_t& v) override { return get(v, &Arrival::product); }
    IOReturn deviceReleaseNumber(std::uint16_t& v) override { return get(v, &Arrival::release); }
    IOReturn locationID(std::uint32_t& v) override {
        v = 0;
        if (!service_->alive()) return kIOReturnNoDevice;
        v = service_->location();
        return kIOReturnSuccess;
    }

    IOReturn numEndpoints(std::uint8_t& count) override {
        count = 0;
        if (!service_->alive()) return kIOReturnNoDevice;
        count = std::uint8_t(service_->arrival().pipes.size());
        return kIOReturnSuccess;
    }
    IOReturn pipeProperties(std::uint8_t pipeRef, PipeProperties& properties) override {
        properties = {};
        const PipeProperties* pipe = nullptr;
        if (const IOReturn r = pipeFor(pipeRef, pipe); r != kIOReturnSuccess) return r;
        properties = *pipe;
        return kIOReturnSuccess;
    }

    IOReturn writePipe(std::uint8_t pipeRef, const void* data, std::uint32_t size, std::uint32_t,
                       std::uint32_t) override {
        Record asked = askedRecord(Operation::BulkOut, *service_);
        asked.endpoint = endpoint(pipeRef);
        asked.requested = asked.length = size;
        // Only looked at during the call: the program's buffer is not copied.
        if (data) asked.data = QByteArray::fromRawData(static_cast<const char*>(data), qsizetype(size));
        return service_->printer().play(asked, [](const Record&) {});
    }
    IOReturn readPipe(std::uint8_t pipeRef, void* buffer, std::uint32_t& size, std::uint32_t,
                      std::uint32_t) override {
        const std::uint32_t wanted = size;
        size = 0;
        Record asked = askedRecord(Operation::BulkIn, *service_);
        asked.endpoint = endpoint(pipeRef);
        asked.requested = wanted;
        return service_->printer().play(asked, [&](const Record& captured) {
            const auto n =
                std::min<std::uint32_t>({std::uint32_t(captured.data.size()), captured.length, wanted});
            if (n > 0 && buffer) std::memcpy(buffer, captured.data.constData(), n);
            size = buffer ? n : 0;
        });
    }
    IOReturn controlRequest(ControlRequest& request) override { return controlOn(*service_, request); }

    IOReturn device(std::shared_ptr<UsbDevice>& device) override {
        device.reset();
        if (!service_->alive()) return kIOReturnNoDevice;
        device = std::make_shared<ReplayDevice>(service_);
        return kIOReturnSuccess;
    }
    std::shared_ptr<UsbService> service() override { return service_; }

private:
    template <typename T> IOReturn get(T& out, T Arrival::*field) {
        out = 0;
        if (!service_->alive()) return kIOReturnNoDevice;
        out = service_->arrival().*field;
        return kIOReturnSuccess;
    }
    IOReturn pipeFor(std::uint8_t pipeRef, const PipeProperties*& pipe) {
        if (!service_->alive()) return kIOReturnNoDevice;
        const auto& pipes = service_->arrival().pipes;
        if (pipeRef == 0 || pipeRef > pipes.size()) return kIOUSBUnknownPipeErr;
        pipe = &pipes[pipeRef - 1];
        return kIOReturnSuccess;
    }

    // The endpoint address of a pipe of the arrival, 0 for a pipe reference outside them. A transfer
    // is answered from the records whatever it asks and whichever enumeration its object belongs to:
    // the capture has every call, with what the captured run was answered.
    std::uint8_t endpoint(std::uint8_t pipeRef) const {
        const auto& pipes = service_->arrival().pipes;
        return pipeRef >= 1 && pipeRef <= pipes.size() ? endpointAddress(pipes[pipeRef - 1]) : 0;
    }

    std::shared_ptr<ReplayService> service_;
    std::atomic<bool> opened_{false};
};

} // namespace

// ---- the shared state and the notices ----

struct ReplayBus::State : std::enable_shared_from_this<ReplayBus::State> {
    enum class Kind { Matching, Termination };
    struct Registration {
        Kind kind;
        int interfaceClass;
        int interfaceSubClass;
        ServiceCallback callback;
        std::uint64_t sinceEvent; // sees only events numbered above this
        std::atomic<bool> active{true};
    };
    struct Interest {
        std::uint64_t registryID;
        InterestCallback callback;
        std::atomic<bool> active{true};
    };

    std::map<std::uint32_t, std::shared_ptr<ReplayPrinter>> printers; // fixed once made

    mutable base::Mutex mutex;
    std::map<std::uint32_t, std::shared_ptr<ReplayService>> present GUARDED_BY(mutex);
    std::vector<std::shared_ptr<Registration>> registrations GUARDED_BY(mutex);
    std::vector<std::shared_ptr<Interest>> interests GUARDED_BY(mutex);
    std::uint64_t eventCount GUARDED_BY(mutex) = 0;
    std::vector<Divergence> divergences GUARDED_BY(mutex);
    std::function<void(const Divergence&)> divergenceHandler GUARDED_BY(mutex);

    // Puts `service` on the bus (or takes it off), and posts the notice.
    void arrived(const std::shared_ptr<ReplayService>& service);
    void left(const std::shared_ptr<ReplayService>& service);
    void diverged(const Divergence& divergence);

    void deliverService(Kind kind, const std::shared_ptr<ReplayService>& service, std::uint64_t eventNumber);
    void deliverInterest(std::uint64_t registryID, IOMessage message, void* argument = nullptr);
    NotificationHandle addRegistration(std::shared_ptr<Registration> registration);
    NotificationHandle addInterest(std::shared_ptr<Interest> interest);
};

namespace {

bool matchesClass(const ReplayBus::State::Registration& r, const Arrival& arrival) {
    return r.interfaceClass == arrival.interfaceClass &&
           (r.interfaceSubClass < 0 || r.interfaceSubClass == arrival.interfaceSubClass);
}

IOReturn ReplayService::createInterface(std::shared_ptr<UsbInterface>& interface) {
    interface.reset();
    if (!alive()) return kIOReturnNoDevice;
    interface = std::make_shared<ReplayInterface>(shared_from_this());
    return kIOReturnSuccess;
}

IOReturn ReplayService::addInterestNotification(InterestCallback callback, NotificationHandle& handle) {
    handle.reset();
    if (!callback) return kIOReturnBadArgument;
    auto bus = bus_.lock();
    if (!bus) return kIOReturnNoDevice;
    auto interest = std::make_shared<ReplayBus::State::Interest>();
    interest->registryID = registryID_;
    interest->callback = std::move(callback);
    handle = bus->addInterest(std::move(interest));
    return kIOReturnSuccess;
}

void ReplayService::postOwn(IOMessage message) {
    if (!alive()) return;
    std::weak_ptr<ReplayBus::State> weak = bus_;
    const std::uint64_t id = registryID_;
    postOwnNotice([weak, id, message] {
        if (auto state = weak.lock()) state->deliverInterest(id, message, thisProcessNotice());
    });
}

} // namespace

void ReplayBus::State::arrived(const std::shared_ptr<ReplayService>& service) {
    std::uint64_t eventNumber = 0;
    {
        base::MutexLocker lock(mutex);
        present[service->location()] = service;
        eventNumber = ++eventCount;
    }
    std::weak_ptr<State> weak = weak_from_this();
    postOwnNotice([weak, service, eventNumber] {
        if (auto state = weak.lock()) state->deliverService(Kind::Matching, service, eventNumber);
    });
}

void ReplayBus::State::left(const std::shared_ptr<ReplayService>& service) {
    std::uint64_t eventNumber = 0;
    {
        base::MutexLocker lock(mutex);
        auto it = present.find(service->location());
        if (it != present.end() && it->second == service) present.erase(it);
        eventNumber = ++eventCount;
    }
    std::weak_ptr<State> weak = weak_from_this();
    postOwnNotice([weak, service, eventNumber] {
        auto state = weak.lock();
        if (!state) return;
        state->deliverInterest(service->registryID(), kIOMessageServiceIsTerminated);
        state->deliverService(Kind::Termination, service, eventNumber);
    });
}

void ReplayBus::State::diverged(const Divergence& divergence) {
    platform::platformLog("the capture and this run diverged at %s", qUtf8Printable(divergence.text()));
    {
        base::MutexLocker lock(mutex);
        divergences.push_back(divergence);
    }
    std::weak_ptr<State> weak = weak_from_this();
    postOwnNotice([weak, divergence] {
        auto state = weak.lock();
        if (!state) return;
        std::function<void(const Divergence&)> handler;
        {
            base::MutexLocker lock(state->mutex);
            handler = state->divergenceHandler;
        }
        if (handler) handler(divergence);
    });
}

void ReplayBus::State::deliverService(Kind kind, const std::shared_ptr<ReplayService>& service,
                                      std::uint64_t eventNumber) {
    std::vector<std::shared_ptr<Registration>> targets;
    {
        base::MutexLocker lock(mutex);
        for (const auto& r : registrations)
            if (r->kind == kind && r->sinceEvent < eventNumber && matchesClass(*r, service->arrival()))
                targets.push_back(r);
    }
    for (const auto& r : targets)
        if (r->active) r->callback(service);
}

void ReplayBus::State::deliverInterest(std::uint64_t registryID, IOMessage message, void* argument) {
    std::vector<std::shared_ptr<Interest>> targets;
    {
        base::MutexLocker lock(mutex);
        for (const auto& i : interests)
            if (i->registryID == registryID) targets.push_back(i);
    }
    for (const auto& i : targets)
        if (i->active) i->callback(message, argument);
}

NotificationHandle ReplayBus::State::addRegistration(std::shared_ptr<Registration> registration) {
    {
        base::MutexLocker lock(mutex);
        registrations.push_back(registration);
    }
    std::weak_ptr<State> weak = weak_from_this();
    std::weak_ptr<Registration> weakRegistration = registration;
    return std::make_shared<ReplayNotification>([weak, weakRegistration] {
        auto r = weakRegistration.lock();
        if (r) r->active = false;
        if (auto state = weak.lock()) {
            base::MutexLocker lock(state->mutex);
            std::erase_if(state->registrations, [&](const auto& x) { return x == r; });
        }
    });
}

NotificationHandle ReplayBus::State::addInterest(std::shared_ptr<Interest> interest) {
    {
        base::MutexLocker lock(mutex);
        interests.push_back(interest);
    }
    std::weak_ptr<State> weak = weak_from_this();
    std::weak_ptr<Interest> weakInterest = interest;
    return std::make_shared<ReplayNotification>([weak, weakInterest] {
        auto i = weakInterest.lock();
        if (i) i->active = false;
        if (auto state = weak.lock()) {
            base::MutexLocker lock(state->mutex);
            std::erase_if(state->interests, [&](const auto& x) { return x == i; });
        }
    });
}

// ---- the printers ----

IOReturn ReplayPrinter::play(const Record& asked, const std::function<void(const Record&)>& answer) {
    const Clock::time_point started = Clock::now();
    std::int64_t tookNs = 0;
    IOReturn result = kIOReturnNoDevice;
    {
        base::MutexLocker lock(mutex);
        if (diverged) return kIOReturnNoDevice;
        // The printer's arrivals and leaves before this operation come first.
        deliverNotes(true);
        if (pace(asked)) return kIOReturnSuccess;
        if (cursor >= own.size() || !matches(asked, at(cursor))) {
            diverge(asked);
            return kIOReturnNoDevice;
        }
        const Record& captured = at(cursor++);
        answer(captured);
        result = captured.result;
        tookNs = captured.endNs - captured.startNs;
        anchor = started;
        anchorNs = captured.startNs;
        // What the printer did after this operation (leaving for a restart, say) follows it.
        deliverNotes(false);
    }
    if (recordedTiming && tookNs > 0)
        std::this_thread::sleep_until(started + std::chrono::nanoseconds(tookNs));
    return result;
}

bool ReplayPrinter::pace(const Record& asked) {
    // The program lets go of the interface between two items of work on the printer and claims it
    // again for the next, unless the next is queued already: how often it does depends on how fast
    // the items follow each other, not on the printer. A release and claim that the capture has and
    // this run does not are passed over; one that this run makes and the capture lacks is answered
    // here. Everything said to the printer and answered by it is still matched.
    const auto succeeded = [this](std::size_t index, Operation operation) {
        return index < own.size() && at(index).operation == operation && at(index).result == kIOReturnSuccess;
    };
    const bool releaseClaimNext =
        succeeded(cursor, Operation::InterfaceClose) && succeeded(cursor + 1, Operation::InterfaceOpen);
    switch (asked.operation) {
    case Operation::InterfaceClose:
        if (unrecordedRelease || succeeded(cursor, Operation::InterfaceClose) || cursor >= own.size() ||
            isNote(at(cursor).operation) || at(cursor).operation == Operation::InterfaceOpen)
            return false;
        unrecordedRelease = true;
        return true;
    case Operation::InterfaceOpen:
        if (!std::exchange(unrecordedRelease, false)) return false;
        return !succeeded(cursor, Operation::InterfaceOpen);
    default:
        unrecordedRelease = false;
        if (releaseClaimNext && cursor + 2 < own.size() && matches(asked, at(cursor + 2))) cursor += 2;
        return false;
    }
}

void ReplayPrinter::deliverNotes(bool now) {
    while (!diverged && cursor < own.size() && isNote(at(cursor).operation)) {
        const Record& note = at(cursor);
        if (!now && recordedTiming) {
            const auto due =
                anchor + std::chrono::nanoseconds(std::max<std::int64_t>(note.startNs - anchorNs, 0));
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now());
            if (wait.count() > 0) {
                // Delivered then unless the program asked something meanwhile, which delivered it.
                std::weak_ptr<ReplayPrinter> weak = weak_from_this();
                const std::size_t expected = cursor;
                platform::mainqueue::after(int(std::min<std::int64_t>(wait.count(), INT32_MAX)),
                                           [weak, expected] {
                                               auto printer = weak.lock();
                                               if (!printer) return;
                                               base::MutexLocker lock(printer->mutex);
                                               if (printer->cursor == expected) printer->deliverNotes(false);
                                           });
                return;
            }
        }
        ++cursor;
        deliver(note);
        if (now) {
            anchor = Clock::now();
            anchorNs = note.startNs;
        }
    }
}

void ReplayPrinter::deliver(const Record& note) {
    auto state = bus.lock();
    if (note.operation == Operation::Leave) {
        leave();
        return;
    }
    // An arrival without a leave before it ends the enumeration before it all the same.
    if (service) leave();
    const std::uint64_t generation = ++generations;
    service = std::make_shared<ReplayService>(bus, shared_from_this(), generation, note.arrival);
    currentGeneration = generation;
    if (state) state->arrived(service);
}

void ReplayPrinter::leave() {
    currentGeneration = 0;
    if (!service) return;
    const auto gone = std::move(service);
    service.reset();
    if (auto state = bus.lock()) state->left(gone);
}

void ReplayPrinter::diverge(const Record& asked) {
    diverged = true;
    Divergence divergence;
    divergence.locationId = location;
    divergence.asked = describeRequest(asked);
    if (cursor < own.size()) {
        divergence.recordNumber = own[cursor] + 1;
        divergence.captured = describeRequest(at(cursor));
    } else {
        divergence.recordNumber = own.empty() ? 0 : own.back() + 1;
        divergence.captured = QStringLiteral("the end of the capture");
    }
    if (auto state = bus.lock()) state->diverged(divergence);
    // Gone from the bus: the program's flow meets a printer that left instead of waiting for answers.
    leave();
}

// ---- the bus ----

QString Divergence::text() const {
    const QString printer = QStringLiteral("printer 0x%1").arg(locationId, 8, 16, QLatin1Char('0'));
    if (captured == QLatin1String("the end of the capture"))
        return QStringLiteral("%1, after record %2: this run asked for %3 after the end of the capture")
            .arg(printer)
            .arg(recordNumber)
            .arg(asked);
    return QStringLiteral("%1, record %2: this run asked for %3 where the capture has %4")
        .arg(printer)
        .arg(recordNumber)
        .arg(asked, captured);
}

std::shared_ptr<ReplayBus> ReplayBus::create(std::vector<Record> records, ReplayOptions options) {
    std::shared_ptr<ReplayBus> bus(new ReplayBus());
    bus->d = std::make_shared<State>();
    auto all = std::make_shared<const std::vector<Record>>(std::move(records));
    std::map<std::uint32_t, std::size_t> leftOut;
    for (std::size_t i = 0; i < all->size(); ++i) {
        const Record& record = (*all)[i];
        auto& printer = bus->d->printers[record.locationId];
        if (!printer) {
            // A printer's records start at its arrival: without one it was never enumerated in the
            // capture (one started in the middle of a run), and what it did before is left out.
            if (record.operation != Operation::Arrival) {
                ++leftOut[record.locationId];
                bus->d->printers.erase(record.locationId);
                continue;
            }
            printer = std::make_shared<ReplayPrinter>();
            printer->location = record.locationId;
            printer->all = all;
            printer->recordedTiming = options.recordedTiming;
            printer->bus = bus->d;
        }
        printer->own.push_back(i);
    }
    for (const auto& [location, count] : leftOut)
        platform::platformLog(
            "replay: %zu records of printer 0x%08x come before its arrival and are left out", count,
            location);
    // The printers arrive as the capture starts: on the bus from the start.
    for (auto& [location, printer] : bus->d->printers) {
        base::MutexLocker lock(printer->mutex);
        printer->anchor = Clock::now();
        printer->anchorNs = printer->at(0).startNs;
        printer->deliverNotes(false);
    }
    return bus;
}

ReplayBus::~ReplayBus() = default;

std::vector<Divergence> ReplayBus::divergences() const {
    base::MutexLocker lock(d->mutex);
    return d->divergences;
}

void ReplayBus::setDivergenceHandler(std::function<void(const Divergence&)> handler) {
    base::MutexLocker lock(d->mutex);
    d->divergenceHandler = std::move(handler);
}

bool ReplayBus::finished() const {
    return std::all_of(d->printers.begin(), d->printers.end(), [](const auto& entry) {
        ReplayPrinter& printer = *entry.second;
        base::MutexLocker lock(printer.mutex);
        return printer.diverged || printer.cursor >= printer.own.size();
    });
}

std::vector<std::uint32_t> ReplayBus::locations() const {
    std::vector<std::uint32_t> out;
    for (const auto& [location, printer] : d->printers)
        out.push_back(location);
    return out;
}

IOReturn ReplayBus::addMatchingNotification(int interfaceClass, int interfaceSubClass,
                                            ServiceCallback arrived, NotificationHandle& handle) {
    handle.reset();
    if (!arrived) return kIOReturnBadArgument;
    auto registration = std::make_shared<State::Registration>();
    registration->kind = State::Kind::Matching;
    registration->interfaceClass = interfaceClass;
    registration->interfaceSubClass = interfaceSubClass;
    registration->callback = arrived;
    std::vector<std::shared_ptr<ReplayService>> present;
    {
        base::MutexLocker lock(d->mutex);
        // Arrivals already posted but not yet delivered are covered by the list below.
        registration->sinceEvent = d->eventCount;
        for (const auto& [location, service] : d->present)
            if (matchesClass(*registration, service->arrival())) present.push_back(service);
    }
    handle = d->addRegistration(registration);
    for (const auto& service : present)
        if (registration->active) arrived(service);
    return kIOReturnSuccess;
}

IOReturn ReplayBus::addTerminationNotification(int interfaceClass, int interfaceSubClass,
                                               ServiceCallback terminated, NotificationHandle& handle) {
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

} // namespace usb::capture
