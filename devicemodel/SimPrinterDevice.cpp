#include "devicemodel/SimPrinterDevice.h"

#include "base/clock.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace sim {

using namespace usbstd;

namespace {

constexpr std::uint8_t kDeviceDescriptorLength = 18;
constexpr std::uint8_t kConfigurationHeaderLength = 9;
constexpr std::uint8_t kInterfaceDescriptorLength = 9;
constexpr std::uint8_t kEndpointDescriptorLength = 7;
constexpr std::uint16_t kBcdUsb20 = 0x0200;
constexpr std::uint8_t kControlMaxPacket = 64;
constexpr std::uint8_t kSelfPoweredAttributes = 0xC0;
constexpr std::uint8_t kMaxPower2mA = 1;
constexpr std::size_t kStringDescriptorMax = 255;
constexpr std::size_t kDeviceIdLengthField = 2;
constexpr std::size_t kDeviceIdMaxTotal = 0xFFFF;
constexpr std::size_t kControlLogLimit = 4096;
constexpr std::int64_t kBytesPerKiB = 1024;

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

bool hasEndpoint(const DeviceIdentity& id, std::uint8_t address) {
    return std::any_of(id.endpoints.begin(), id.endpoints.end(),
                       [&](const Endpoint& ep) { return ep.address == address; });
}

std::size_t packetSizeOf(const DeviceIdentity& id, std::uint8_t address) {
    for (const Endpoint& ep : id.endpoints)
        if (ep.address == address) return std::max<std::size_t>(ep.maxPacketSize, 1);
    return 1;
}

// What a fault answers where it strikes, for the kinds that only answer (Unplug does more, and
// ShortRead only shapes a bulk read).
Status statusForFault(FaultKind kind) {
    switch (kind) {
    case FaultKind::Timeout:
        return Status::Timeout;
    case FaultKind::Stall:
        return Status::Stall;
    case FaultKind::Unplug:
        return Status::NoDevice;
    case FaultKind::NoPermission:
        return Status::NoPermission;
    case FaultKind::Error:
    case FaultKind::ShortRead:
        return Status::Error;
    }
    return Status::Error;
}

std::vector<std::uint8_t> stringDescriptorFor(const std::u16string& text) {
    std::vector<std::uint8_t> out{0, kDescriptorString};
    for (char16_t c : text) {
        if (out.size() + 2 > kStringDescriptorMax) break;
        put16(out, static_cast<std::uint16_t>(c));
    }
    out[0] = static_cast<std::uint8_t>(out.size());
    return out;
}

} // namespace

const char* statusName(Status status) {
    switch (status) {
    case Status::Ok:
        return "Ok";
    case Status::Stall:
        return "Stall";
    case Status::Timeout:
        return "Timeout";
    case Status::NoDevice:
        return "NoDevice";
    case Status::Busy:
        return "Busy";
    case Status::NotOpen:
        return "NotOpen";
    case Status::NoPermission:
        return "NoPermission";
    case Status::Invalid:
        return "Invalid";
    case Status::Overflow:
        return "Overflow";
    case Status::Error:
        return "Error";
    }
    return "?";
}

SetupPacket SetupPacket::fromBytes(const std::uint8_t bytes[8]) {
    SetupPacket s;
    s.bmRequestType = bytes[0];
    s.bRequest = bytes[1];
    s.wValue = static_cast<std::uint16_t>(bytes[2] | (bytes[3] << 8));
    s.wIndex = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
    s.wLength = static_cast<std::uint16_t>(bytes[6] | (bytes[7] << 8));
    return s;
}

// ---- device ----

std::shared_ptr<SimPrinterDevice> SimPrinterDevice::create(DeviceIdentity identity,
                                                           std::shared_ptr<CommandProcessor> processor) {
    std::shared_ptr<SimPrinterDevice> device(new SimPrinterDevice(std::move(identity), nullptr));
    if (processor) device->setProcessor(std::move(processor));
    return device;
}

SimPrinterDevice::SimPrinterDevice(DeviceIdentity identity, std::shared_ptr<CommandProcessor> processor)
    : identity_(std::move(identity)), processor_(std::move(processor)) {}

SimPrinterDevice::~SimPrinterDevice() {
    std::vector<std::thread> timers;
    {
        base::MutexLocker lock(timersMutex_);
        stopping_ = true;
        timers.swap(timers_);
    }
    timersStop_.notify_all();
    for (auto& t : timers) {
        // The last reference may be dropped by a restart timer itself.
        if (t.get_id() == std::this_thread::get_id())
            t.detach();
        else if (t.joinable())
            t.join();
    }
    std::shared_ptr<CommandProcessor> processor;
    {
        base::MutexLocker lock(mutex_);
        processor.swap(processor_);
    }
    if (processor) processor->detachedFromDevice();
}

template <typename Fn> void SimPrinterDevice::withProcessor(Fn&& fn) {
    std::lock_guard serial(processorMutex_);
    std::shared_ptr<CommandProcessor> processor;
    {
        base::MutexLocker lock(mutex_);
        processor = processor_;
    }
    if (processor) fn(*processor);
}

DeviceIdentity SimPrinterDevice::identity() const {
    base::MutexLocker lock(mutex_);
    return identity_;
}

void SimPrinterDevice::setIdentity(DeviceIdentity identity) {
    base::MutexLocker lock(mutex_);
    nextIdentity_ = std::move(identity);
}

void SimPrinterDevice::setIdentityNow(DeviceIdentity identity) {
    base::MutexLocker lock(mutex_);
    identity_ = std::move(identity);
    nextIdentity_.reset();
}

std::vector<std::uint8_t> SimPrinterDevice::deviceDescriptor() const {
    const DeviceIdentity id = identity();
    std::vector<std::uint8_t> d{kDeviceDescriptorLength, kDescriptorDevice};
    put16(d, kBcdUsb20);
    d.push_back(0); // class per interface
    d.push_back(0);
    d.push_back(0);
    d.push_back(kControlMaxPacket);
    put16(d, id.vendorId);
    put16(d, id.productId);
    put16(d, id.bcdDevice);
    d.push_back(id.manufacturer.empty() ? 0 : DeviceIdentity::kManufacturerIndex);
    d.push_back(id.product.empty() ? 0 : DeviceIdentity::kProductIndex);
    d.push_back(id.reportsSerialNumber && !id.serialNumber.empty() ? DeviceIdentity::kSerialNumberIndex : 0);
    d.push_back(1); // one configuration
    return d;
}

std::vector<std::uint8_t> SimPrinterDevice::configurationDescriptor() const {
    const DeviceIdentity id = identity();
    std::vector<std::uint8_t> d{kConfigurationHeaderLength,
                                kDescriptorConfiguration,
                                0,
                                0,
                                1,
                                id.configurationValue,
                                0,
                                kSelfPoweredAttributes,
                                kMaxPower2mA};
    d.insert(d.end(), {kInterfaceDescriptorLength, kDescriptorInterface, id.interfaceNumber,
                       id.alternateSetting, static_cast<std::uint8_t>(id.endpoints.size()), id.interfaceClass,
                       id.interfaceSubClass, id.interfaceProtocol, 0});
    for (const Endpoint& ep : id.endpoints) {
        d.insert(d.end(), {kEndpointDescriptorLength, kDescriptorEndpoint, ep.address, ep.attributes});
        put16(d, ep.maxPacketSize);
        d.push_back(ep.interval);
    }
    const auto total = static_cast<std::uint16_t>(d.size());
    d[2] = static_cast<std::uint8_t>(total & 0xFF);
    d[3] = static_cast<std::uint8_t>(total >> 8);
    return d;
}

std::optional<std::vector<std::uint8_t>> SimPrinterDevice::stringDescriptor(std::uint8_t index) const {
    const DeviceIdentity id = identity();
    if (index == 0) {
        std::vector<std::uint8_t> d{0, kDescriptorString};
        for (std::uint16_t lang : id.languages) {
            if (d.size() + 2 > kStringDescriptorMax) break;
            put16(d, lang);
        }
        d[0] = static_cast<std::uint8_t>(d.size());
        return d;
    }
    switch (index) {
    case DeviceIdentity::kManufacturerIndex:
        if (!id.manufacturer.empty()) return stringDescriptorFor(id.manufacturer);
        break;
    case DeviceIdentity::kProductIndex:
        if (!id.product.empty()) return stringDescriptorFor(id.product);
        break;
    case DeviceIdentity::kSerialNumberIndex:
        if (id.reportsSerialNumber && !id.serialNumber.empty()) return stringDescriptorFor(id.serialNumber);
        break;
    default:
        break;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> SimPrinterDevice::deviceIdReply() const {
    const DeviceIdentity id = identity();
    const std::size_t textLength = std::min(id.deviceId1284.size(), kDeviceIdMaxTotal - kDeviceIdLengthField);
    const std::size_t total = textLength + kDeviceIdLengthField;
    std::vector<std::uint8_t> d;
    d.reserve(total);
    d.push_back(static_cast<std::uint8_t>(total >> 8));
    d.push_back(static_cast<std::uint8_t>(total & 0xFF));
    d.insert(d.end(), id.deviceId1284.begin(),
             id.deviceId1284.begin() + static_cast<std::ptrdiff_t>(textLength));
    return d;
}

// ---- presence ----

bool SimPrinterDevice::isAttached() const {
    base::MutexLocker lock(mutex_);
    return attached_;
}

std::uint64_t SimPrinterDevice::generation() const {
    base::MutexLocker lock(mutex_);
    return generation_;
}

void SimPrinterDevice::report(DeviceEvent event, std::uint64_t generation, std::uint64_t client) {
    std::vector<EventListener> listeners;
    {
        base::MutexLocker lock(listenersMutex_);
        for (auto& [token, listener] : listeners_)
            listeners.push_back(listener);
    }
    for (auto& listener : listeners)
        listener(event, generation, client);
}

std::uint64_t SimPrinterDevice::powerEpoch() const {
    base::MutexLocker lock(mutex_);
    return powerEpoch_;
}

void SimPrinterDevice::goOffBus(std::optional<std::uint64_t> epoch) {
    std::uint64_t generation = 0;
    bool wasClaimed = false;
    {
        base::MutexLocker lock(mutex_);
        if (!attached_ || (epoch && *epoch != powerEpoch_)) return;
        attached_ = false;
        generation = generation_;
        wasClaimed = claimHolder_ != 0;
        claimHolder_ = 0;
        deviceOpenHolder_ = 0;
        replies_.clear();
    }
    replyArrived_.notify_all();
    (void)wasClaimed; // the host learns of the loss through the termination, not a close
    report(DeviceEvent::Detached, generation);
}

void SimPrinterDevice::comeBack(bool powerCycled, std::optional<std::uint64_t> epoch) {
    std::uint64_t generation = 0;
    {
        base::MutexLocker lock(mutex_);
        if (attached_ || (epoch && *epoch != powerEpoch_)) return;
        if (nextIdentity_) {
            identity_ = std::move(*nextIdentity_);
            nextIdentity_.reset();
        }
        attached_ = true;
        generation = ++generation_;
        replies_.clear();
        halted_.clear();
    }
    withProcessor([&](CommandProcessor& p) { p.restarted(*this, powerCycled); });
    report(DeviceEvent::Attached, generation);
}

void SimPrinterDevice::unplug() {
    {
        base::MutexLocker lock(mutex_);
        ++powerEpoch_;
    }
    goOffBus();
    withProcessor([&](CommandProcessor& p) { p.powerLost(*this); });
}

void SimPrinterDevice::replug() {
    comeBack(true);
}

void SimPrinterDevice::powerCycle() {
    {
        base::MutexLocker lock(mutex_);
        ++powerEpoch_;
    }
    goOffBus();
    withProcessor([&](CommandProcessor& p) { p.powerLost(*this); });
    comeBack(true);
}

void SimPrinterDevice::runRestartLater(std::uint32_t offMs, bool powerCycled) {
    // A restart the printer scheduled dies with its power (or its cable): the epoch check drops it.
    const std::uint64_t epoch = powerEpoch();
    std::weak_ptr<SimPrinterDevice> weak = weak_from_this();
    if (base::Clock* clock = base::clock::installed()) {
        clock->callAt(clock->now() + std::chrono::milliseconds(offMs), [weak, powerCycled, epoch] {
            if (auto device = weak.lock()) {
                device->goOffBus(epoch);
                device->comeBack(powerCycled, epoch);
            }
        });
        return;
    }
    base::MutexLocker lock(timersMutex_);
    if (stopping_) return;
    timers_.emplace_back([weak, offMs, powerCycled, epoch, this] {
        {
            base::UniqueLock lock(timersMutex_);
            if (timersStop_.wait_for(lock.native(), std::chrono::milliseconds(offMs),
                                     [this]() REQUIRES(timersMutex_) { return stopping_; }))
                return;
        }
        if (auto device = weak.lock()) {
            device->goOffBus(epoch);
            device->comeBack(powerCycled, epoch);
        }
    });
}

void SimPrinterDevice::reEnumerate(std::uint32_t offMs) {
    restartAfter(offMs, false);
}

void SimPrinterDevice::restartAfter(std::uint32_t offMs, bool powerCycle) {
    // Always from a timer thread: a processor asking for a restart from within a transfer must see
    // that transfer complete first.
    runRestartLater(offMs, powerCycle);
}

// ---- control pipe ----

Status SimPrinterDevice::control(const SetupPacket& setup, std::vector<std::uint8_t>& data) {
    {
        base::MutexLocker lock(mutex_);
        // Enough history for any test; a long demo session must not grow it without end.
        if (controlLog_.size() >= kControlLogLimit)
            controlLog_.erase(controlLog_.begin(), controlLog_.begin() + kControlLogLimit / 2);
        controlLog_.push_back(setup);
        if (!attached_) return Status::NoDevice;
    }
    std::optional<Fault> fault;
    {
        base::MutexLocker lock(mutex_);
        fault = takeFaultLocked(FaultPoint::Control);
    }
    if (fault) {
        // The default pipe recovers at the next setup packet: a stall here never lasts.
        if (fault->kind == FaultKind::Unplug) unplug();
        if (fault->kind != FaultKind::ShortRead) return statusForFault(fault->kind);
    }
    if (const Status held = waitWhileStringsHeld(setup); held != Status::Ok) return held;
    if (setup.isIn()) {
        base::MutexLocker lock(mutex_);
        auto it = overrides_.find(ControlKey{setup.bmRequestType, setup.bRequest, setup.wValue});
        if (it != overrides_.end()) {
            data.assign(it->second.begin(),
                        it->second.begin() + static_cast<std::ptrdiff_t>(
                                                 std::min<std::size_t>(it->second.size(), setup.wLength)));
            return Status::Ok;
        }
    }
    const std::uint8_t type = setup.bmRequestType & kTypeMask;
    Status status = Status::Stall;
    if (type == kTypeStandard)
        status = standardRequest(setup, data);
    else if (type == kTypeClass)
        status = classRequest(setup, data);
    if (setup.isIn() && status == Status::Ok && data.size() > setup.wLength) data.resize(setup.wLength);
    if (status != Status::Ok && setup.isIn()) data.clear();
    return status;
}

Status SimPrinterDevice::standardRequest(const SetupPacket& setup, std::vector<std::uint8_t>& data) {
    if (setup.bRequest == kRequestGetDescriptor && setup.isIn()) {
        const auto descriptorType = static_cast<std::uint8_t>(setup.wValue >> 8);
        const auto index = static_cast<std::uint8_t>(setup.wValue & 0xFF);
        if (descriptorType == kDescriptorDevice) {
            data = deviceDescriptor();
            return Status::Ok;
        }
        if (descriptorType == kDescriptorConfiguration && index == 0) {
            data = configurationDescriptor();
            return Status::Ok;
        }
        if (descriptorType == kDescriptorString) {
            if (index != 0) {
                // Strings answer only in a language the device offers.
                const DeviceIdentity id = identity();
                if (std::find(id.languages.begin(), id.languages.end(), setup.wIndex) == id.languages.end())
                    return Status::Stall;
            }
            auto d = stringDescriptor(index);
            if (!d) return Status::Stall;
            data = std::move(*d);
            return Status::Ok;
        }
        return Status::Stall;
    }
    if (setup.bRequest == kRequestGetConfiguration && setup.isIn()) {
        data = {identity().configurationValue};
        return Status::Ok;
    }
    if (setup.bRequest == kRequestGetStatus && setup.isIn()) {
        data = {0, 0};
        return Status::Ok;
    }
    if ((setup.bRequest == kRequestSetConfiguration || setup.bRequest == kRequestSetInterface) &&
        !setup.isIn()) {
        data.clear();
        return Status::Ok;
    }
    if (setup.bRequest == kRequestClearFeature && !setup.isIn() &&
        (setup.bmRequestType & kRecipientMask) == kRecipientEndpoint &&
        setup.wValue == kFeatureEndpointHalt) {
        const auto endpoint = static_cast<std::uint8_t>(setup.wIndex & 0xFF);
        if (!hasEndpoint(identity(), endpoint)) return Status::Stall;
        clearHalt(endpoint);
        data.clear();
        return Status::Ok;
    }
    return Status::Stall;
}

Status SimPrinterDevice::classRequest(const SetupPacket& setup, std::vector<std::uint8_t>& data) {
    const std::uint8_t recipient = setup.bmRequestType & kRecipientMask;
    const DeviceIdentity id = identity();
    if (setup.bRequest == kPrinterGetDeviceId && setup.isIn() && recipient == kRecipientInterface) {
        // wIndex: interface number in the high byte, alternate setting in the low byte.
        if ((setup.wIndex >> 8) != id.interfaceNumber) return Status::Stall;
        data = deviceIdReply();
        return Status::Ok;
    }
    if (setup.bRequest == kPrinterGetPortStatus && setup.isIn() && recipient == kRecipientInterface) {
        constexpr std::uint8_t kPortStatusSelectedNoError = 0x18;
        data = {kPortStatusSelectedNoError};
        return Status::Ok;
    }
    if (setup.bRequest == kPrinterSoftReset && !setup.isIn() &&
        (recipient == kRecipientInterface || recipient == kRecipientOther)) {
        if (recipient == kRecipientInterface && setup.wIndex != id.interfaceNumber) return Status::Stall;
        {
            base::MutexLocker lock(mutex_);
            ++softResetCount_;
            replies_.clear();
            halted_.clear(); // the printer class's soft reset clears every stall
        }
        withProcessor([&](CommandProcessor& p) { p.softReset(*this); });
        data.clear();
        return Status::Ok;
    }
    return Status::Stall;
}

void SimPrinterDevice::overrideControlReply(std::uint8_t bmRequestType, std::uint8_t bRequest,
                                            std::uint16_t wValue, std::vector<std::uint8_t> bytes) {
    base::MutexLocker lock(mutex_);
    overrides_[ControlKey{bmRequestType, bRequest, wValue}] = std::move(bytes);
}

void SimPrinterDevice::clearControlOverrides() {
    base::MutexLocker lock(mutex_);
    overrides_.clear();
}

std::vector<SetupPacket> SimPrinterDevice::controlLog() const {
    base::MutexLocker lock(mutex_);
    return controlLog_;
}

// ---- bulk pipes ----

Status SimPrinterDevice::bulkOut(std::uint8_t endpoint, const std::vector<std::uint8_t>& bytes) {
    std::optional<Fault> fault;
    std::chrono::microseconds transferTime{0};
    std::uint64_t generation = 0;
    {
        base::MutexLocker lock(mutex_);
        if (!attached_) return Status::NoDevice;
        generation = generation_;
        transferTime = std::chrono::microseconds(
            (std::int64_t(bytes.size()) * bulkOutPacingUs_ + kBytesPerKiB - 1) / kBytesPerKiB);
        if ((endpoint & kEndpointDirIn) || !hasEndpoint(identity_, endpoint)) return Status::Invalid;
        if (halted_.count(endpoint)) return Status::Stall;
        fault = takeFaultLocked(FaultPoint::BulkOut);
        if (!fault) {
            ++bulkOutCount_;
            written_.insert(written_.end(), bytes.begin(), bytes.end());
        } else if (fault->kind == FaultKind::Stall) {
            halted_.insert(endpoint);
        }
    }
    if (fault) {
        if (fault->kind == FaultKind::Unplug) unplug();
        return statusForFault(fault->kind);
    }
    if (transferTime.count() > 0) {
        base::clock::sleepFor(transferTime);
        base::MutexLocker lock(mutex_);
        if (!attached_ || generation_ != generation) return Status::NoDevice;
    }
    withProcessor([&](CommandProcessor& p) { p.bulkOut(*this, bytes); });
    return Status::Ok;
}

void SimPrinterDevice::setBulkOutPacing(int microsecondsPerKiB) {
    base::MutexLocker lock(mutex_);
    bulkOutPacingUs_ = std::max(0, microsecondsPerKiB);
}

Status SimPrinterDevice::bulkIn(std::uint8_t endpoint, std::vector<std::uint8_t>& out, std::size_t maxLen,
                                std::uint32_t timeoutMs) {
    out.clear();
    base::UniqueLock lock(mutex_);
    if (!attached_) return Status::NoDevice;
    if (!(endpoint & kEndpointDirIn) || !hasEndpoint(identity_, endpoint)) return Status::Invalid;
    if (halted_.count(endpoint)) return Status::Stall;
    std::size_t limit = maxLen;
    if (auto fault = takeFaultLocked(FaultPoint::BulkIn)) {
        switch (fault->kind) {
        case FaultKind::ShortRead:
            limit = std::min(limit, fault->limit);
            break;
        case FaultKind::Unplug:
            lock.unlock();
            unplug();
            return Status::NoDevice;
        case FaultKind::Stall:
            halted_.insert(endpoint);
            return Status::Stall;
        default:
            return statusForFault(fault->kind);
        }
    }
    ++bulkInCount_;
    const std::uint64_t generation = generation_;
    const auto deadline = timeoutMs == kWaitForever
                              ? std::chrono::steady_clock::time_point::max()
                              : base::clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!attached_ || generation_ != generation) return Status::NoDevice;
        const auto now = base::clock::now();
        if (!replies_.empty() && replies_.front().readyAt <= now)
            return takePacketsLocked(packetSizeOf(identity_, endpoint), maxLen, limit, out);
        if (now >= deadline) return Status::Timeout;
        auto wakeAt = deadline;
        if (!replies_.empty()) wakeAt = std::min(wakeAt, replies_.front().readyAt);
        if (wakeAt == std::chrono::steady_clock::time_point::max()) {
            replyArrived_.wait(lock.native());
            continue;
        }
        // Until the time to look again, or news: the device went, or the replies changed.
        const std::uint64_t seen = replyChanges_;
        base::clock::waitUntil(replyArrived_, lock.native(), wakeAt, [&]() REQUIRES(mutex_) {
            return !attached_ || generation_ != generation || replyChanges_ != seen;
        });
    }
}

// One bulk IN transfer from the front reply, as the printer puts it on the wire: packets of the
// endpoint's size, the reply's last one short (a reply that fills whole packets ends with a
// zero-length one, which a read meeting it alone receives as an empty transfer). The read ends at
// a short packet or when its buffer is full. A packet larger than the room left in the buffer is
// babble: the read fails with Overflow and that packet is lost, as usbfs does.
Status SimPrinterDevice::takePacketsLocked(std::size_t packetSize, std::size_t room, std::size_t limit,
                                           std::vector<std::uint8_t>& out) {
    PendingReply& front = replies_.front();
    for (;;) {
        const std::size_t left = front.bytes.size() - front.offset;
        if (left == 0 || out.size() >= limit) break; // the reply (or an injected short read) ends here
        const std::size_t packet = std::min(packetSize, left);
        if (packet > room) {
            front.offset += packet;
            if (front.offset >= front.bytes.size()) replies_.pop_front();
            return Status::Overflow;
        }
        const std::size_t take = std::min(packet, limit - out.size());
        out.insert(out.end(), front.bytes.begin() + static_cast<std::ptrdiff_t>(front.offset),
                   front.bytes.begin() + static_cast<std::ptrdiff_t>(front.offset + take));
        front.offset += take;
        room -= take;
        if (take < packetSize) break;     // a short packet ends the transfer
        if (room == 0) return Status::Ok; // full: a zero-length packet may still follow
    }
    if (front.offset >= front.bytes.size()) replies_.pop_front();
    return Status::Ok;
}

bool SimPrinterDevice::hasReplyReady() const {
    base::MutexLocker lock(mutex_);
    return attached_ && !replies_.empty() && replies_.front().readyAt <= base::clock::now();
}

bool SimPrinterDevice::isHalted(std::uint8_t endpoint) const {
    base::MutexLocker lock(mutex_);
    return halted_.count(endpoint) != 0;
}

void SimPrinterDevice::clearHalt(std::uint8_t endpoint) {
    base::MutexLocker lock(mutex_);
    halted_.erase(endpoint);
}

// ---- claim and device open ----

std::uint64_t SimPrinterDevice::newClientId() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1);
}

Status SimPrinterDevice::claim(std::uint64_t client) {
    Status status = Status::Ok;
    std::uint64_t generation = 0;
    std::optional<Fault> fault;
    {
        base::MutexLocker lock(mutex_);
        if (!attached_) return Status::NoDevice;
        generation = generation_;
        fault = takeFaultLocked(FaultPoint::Claim);
        if (fault)
            status = statusForFault(fault->kind);
        else if (heldByOther_ || (claimHolder_ != 0 && claimHolder_ != client))
            status = Status::Busy;
        else
            claimHolder_ = client;
    }
    if (fault) {
        // Refused before it reached the interface: no open attempt to report.
        if (fault->kind == FaultKind::Unplug) unplug();
        return status;
    }
    report(DeviceEvent::OpenAttempt, generation, client);
    return status;
}

Status SimPrinterDevice::release(std::uint64_t client) {
    std::uint64_t generation = 0;
    {
        base::MutexLocker lock(mutex_);
        if (!attached_) return Status::NoDevice;
        if (claimHolder_ != client || client == 0) return Status::NotOpen;
        claimHolder_ = 0;
        generation = generation_;
    }
    report(DeviceEvent::Closed, generation, client);
    return Status::Ok;
}

void SimPrinterDevice::setHeldByOtherProgram(bool held) {
    std::uint64_t generation = 0;
    {
        base::MutexLocker lock(mutex_);
        if (heldByOther_ == held) return;
        heldByOther_ = held;
        generation = generation_;
        if (!attached_) return;
    }
    // The other program's open attempt is seen like ours; its close frees the interface.
    report(held ? DeviceEvent::OpenAttempt : DeviceEvent::Closed, generation);
}

bool SimPrinterDevice::isClaimed() const {
    base::MutexLocker lock(mutex_);
    return claimHolder_ != 0 || heldByOther_;
}

std::uint64_t SimPrinterDevice::claimHolder() const {
    base::MutexLocker lock(mutex_);
    return claimHolder_;
}

Status SimPrinterDevice::openDevice(std::uint64_t client) {
    std::optional<Fault> fault;
    {
        base::MutexLocker lock(mutex_);
        if (!attached_) return Status::NoDevice;
        fault = takeFaultLocked(FaultPoint::DeviceOpen);
        if (!fault) {
            if (deviceOpenHolder_ != 0 && deviceOpenHolder_ != client) return Status::Busy;
            deviceOpenHolder_ = client;
            return Status::Ok;
        }
    }
    if (fault->kind == FaultKind::Unplug) unplug();
    return statusForFault(fault->kind);
}

Status SimPrinterDevice::closeDevice(std::uint64_t client) {
    base::MutexLocker lock(mutex_);
    if (!attached_) return Status::NoDevice;
    if (deviceOpenHolder_ != client || client == 0) return Status::NotOpen;
    deviceOpenHolder_ = 0;
    return Status::Ok;
}

Status SimPrinterDevice::resetDevice(std::uint64_t client) {
    {
        base::MutexLocker lock(mutex_);
        if (!attached_) return Status::NoDevice;
        if (deviceOpenHolder_ != 0 && deviceOpenHolder_ != client) return Status::Busy;
        replies_.clear();
        halted_.clear();
    }
    replyArrived_.notify_all();
    withProcessor([&](CommandProcessor& p) { p.deviceReset(*this); });
    return Status::Ok;
}

Status SimPrinterDevice::reEnumerateDevice(std::uint64_t client) {
    std::uint32_t delay = 0;
    {
        base::MutexLocker lock(mutex_);
        if (!attached_) return Status::NoDevice;
        if (deviceOpenHolder_ != 0 && deviceOpenHolder_ != client) return Status::Busy;
        delay = reEnumerationDelayMs_;
    }
    if (delay > 0) {
        const std::uint64_t epoch = powerEpoch();
        goOffBus();
        std::weak_ptr<SimPrinterDevice> weak = weak_from_this();
        if (base::Clock* clock = base::clock::installed()) {
            clock->callAt(clock->now() + std::chrono::milliseconds(delay), [weak, epoch] {
                if (auto device = weak.lock()) device->comeBack(false, epoch);
            });
            return Status::Ok;
        }
        base::MutexLocker lock(timersMutex_);
        if (!stopping_) {
            timers_.emplace_back([weak, delay, epoch, this] {
                {
                    base::UniqueLock lock(timersMutex_);
                    if (timersStop_.wait_for(lock.native(), std::chrono::milliseconds(delay),
                                             [this]() REQUIRES(timersMutex_) { return stopping_; }))
                        return;
                }
                if (auto device = weak.lock()) device->comeBack(false, epoch);
            });
        }
        return Status::Ok;
    }
    goOffBus();
    comeBack(false);
    return Status::Ok;
}

void SimPrinterDevice::setReEnumerationDelay(std::uint32_t offMs) {
    base::MutexLocker lock(mutex_);
    reEnumerationDelayMs_ = offMs;
}

// ---- the printer's side ----

void SimPrinterDevice::queueReply(std::vector<std::uint8_t> bytes, std::uint32_t delayMs) {
    if (bytes.empty()) return; // a zero-length packet carries nothing a read could return
    {
        base::MutexLocker lock(mutex_);
        if (!attached_) return;
        replies_.push_back({std::move(bytes), 0, base::clock::now() + std::chrono::milliseconds(delayMs)});
        ++replyChanges_;
    }
    replyArrived_.notify_all();
}

void SimPrinterDevice::clearReplies() {
    {
        base::MutexLocker lock(mutex_);
        replies_.clear();
        ++replyChanges_;
    }
    replyArrived_.notify_all();
}

std::shared_ptr<CommandProcessor> SimPrinterDevice::processor() const {
    base::MutexLocker lock(mutex_);
    return processor_;
}

void SimPrinterDevice::setProcessor(std::shared_ptr<CommandProcessor> processor) {
    std::lock_guard serial(processorMutex_);
    std::shared_ptr<CommandProcessor> old;
    {
        base::MutexLocker lock(mutex_);
        old = std::exchange(processor_, processor);
    }
    if (old) old->detachedFromDevice();
    if (processor) processor->attached(*this);
}

// ---- faults and observation ----

std::optional<Fault> SimPrinterDevice::takeFaultLocked(FaultPoint point) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->point != point) continue;
        if (it->skip > 0) {
            --it->skip;
            return std::nullopt;
        }
        Fault fault = *it;
        faults_.erase(it);
        return fault;
    }
    return std::nullopt;
}

void SimPrinterDevice::injectFault(Fault fault) {
    base::MutexLocker lock(mutex_);
    faults_.push_back(fault);
}

void SimPrinterDevice::clearFaults() {
    base::MutexLocker lock(mutex_);
    faults_.clear();
}

int SimPrinterDevice::addListener(EventListener listener) {
    base::MutexLocker lock(listenersMutex_);
    const int token = nextListenerToken_++;
    listeners_[token] = std::move(listener);
    return token;
}

void SimPrinterDevice::removeListener(int token) {
    base::MutexLocker lock(listenersMutex_);
    listeners_.erase(token);
}

std::vector<std::uint8_t> SimPrinterDevice::bytesWritten() const {
    base::MutexLocker lock(mutex_);
    return written_;
}

int SimPrinterDevice::bulkOutCount() const {
    base::MutexLocker lock(mutex_);
    return bulkOutCount_;
}

int SimPrinterDevice::bulkInCount() const {
    base::MutexLocker lock(mutex_);
    return bulkInCount_;
}

int SimPrinterDevice::softResetCount() const {
    base::MutexLocker lock(mutex_);
    return softResetCount_;
}

} // namespace sim
