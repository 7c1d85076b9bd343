// A simulated USB printer, modelled at the USB level: what a host sees on the wire (descriptors,
// printer-class control requests, two bulk pipes carrying a byte stream) and what a cable, a power
// switch or another program can do to it. The printer's command set plugs in as a CommandProcessor.
//
// The model knows nothing about any host-side USB API: the in-process simulated bus (SimBus.h) and
// the umockdev ioctl handler of the libusb tests both drive it through this interface, so one model
// answers both backends.
//
// Threading: every public member is safe from any thread. Transfers may block (bulkIn waits for the
// model's answer up to its time-out) but never while holding the model's lock; unplugging wakes every
// waiting transfer. Processor callbacks are serialised (never two at once) and may call back into the
// device (queueReply, setIdentity, reEnumerate, ...). Event listeners run on the thread that caused
// the event, without the model's lock held: keep them short and never block there.
#pragma once

#include "base/threadsafety.h"
#include "base/usbstandard.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// Outcome of one transfer or request, in USB terms. Each backend maps these onto its own codes.
enum class Status {
    Ok,
    Stall,        // the endpoint answered STALL (unknown or refused request, halted pipe)
    Timeout,      // nothing arrived within the time-out
    NoDevice,     // the device is not (or no longer) on the bus; also transfers cut off by an unplug
    Busy,         // the interface is claimed by another client
    NotOpen,      // release or device operation by a client that holds nothing
    NoPermission, // the host may not use the device (no access to its device node)
    Invalid,      // malformed call (unknown endpoint, wrong direction)
    Overflow,     // bulk IN: the next packet was larger than the room left in the host's buffer
    Error,        // any other failure (an injected one, for instance)
};
const char* statusName(Status status);

struct Endpoint {
    std::uint8_t address = 0; // with the direction bit (0x81 = IN 1)
    std::uint8_t attributes = usbstd::kTransferBulk;
    std::uint16_t maxPacketSize = 512;
    std::uint8_t interval = 0;
    bool isIn() const { return (address & usbstd::kEndpointDirIn) != 0; }
};

// Who the printer says it is. Changes made through setIdentity() take effect at the next
// enumeration (re-enumeration or power cycle), as on a real printer.
struct DeviceIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t bcdDevice = 0x0100;
    std::uint32_t locationId = 0; // bus in the top byte, one nibble per port
    std::uint8_t configurationValue = 1;
    std::uint8_t interfaceNumber = 0;
    std::uint8_t alternateSetting = 0;
    std::uint8_t interfaceClass = usbstd::kInterfaceClassPrinter;
    std::uint8_t interfaceSubClass = 1;
    std::uint8_t interfaceProtocol = 2; // bidirectional
    std::vector<Endpoint> endpoints = {{0x01}, {0x81}};

    std::vector<std::uint16_t> languages = {usbstd::kLangEnglishUS};
    std::u16string manufacturer;
    std::u16string product;
    std::u16string serialNumber;
    bool reportsSerialNumber = true; // false: iSerialNumber is 0 and string 3 stalls
    std::string deviceId1284;        // IEEE-1284 device ID text, without its length field

    // String descriptor indexes the device descriptor announces.
    static constexpr std::uint8_t kManufacturerIndex = 1;
    static constexpr std::uint8_t kProductIndex = 2;
    static constexpr std::uint8_t kSerialNumberIndex = 3;
};

// The eight bytes of a control request's setup stage.
struct SetupPacket {
    std::uint8_t bmRequestType = 0;
    std::uint8_t bRequest = 0;
    std::uint16_t wValue = 0;
    std::uint16_t wIndex = 0;
    std::uint16_t wLength = 0;
    bool isIn() const { return (bmRequestType & usbstd::kDirIn) != 0; }
    static SetupPacket fromBytes(const std::uint8_t bytes[8]);
};

// Where an injected fault strikes. Each fault fires once, on the (skip+1)-th call at its point.
enum class FaultPoint { BulkOut, BulkIn, Control, Claim, DeviceOpen };
enum class FaultKind {
    Timeout,      // the call answers Timeout at once, as if the full time-out had passed
    Stall,        // the call answers Stall; on a bulk pipe the endpoint stays halted until cleared
    ShortRead,    // bulk IN: hand over at most `limit` bytes of what is there (the rest stays queued)
    Unplug,       // the device leaves the bus at this call (the call fails NoDevice, transfers in flight
                  // fail, Detached is reported); replug() brings it back
    Error,        // the call answers Error
    NoPermission, // the call answers NoPermission, as an open of a device node the user may not use
};
struct Fault {
    FaultPoint point = FaultPoint::BulkIn;
    FaultKind kind = FaultKind::Timeout;
    int skip = 0;          // calls at this point to let through first
    std::size_t limit = 0; // ShortRead only
};

// What happened to the device, for the bus that shows it (notices) and for tests.
enum class DeviceEvent {
    Attached,    // on the bus (again): a new enumeration; generation() has moved on
    Detached,    // gone from the bus: unplug, power off, re-enumeration, reset of a reboot
    OpenAttempt, // a client claimed the interface or met another holder (not for a claim refused otherwise)
    Closed,      // the holder released the interface
};
// `client` names who caused an OpenAttempt or Closed: the host client id, or 0 for the other
// program of setHeldByOtherProgram (and for Attached and Detached).
using EventListener = std::function<void(DeviceEvent event, std::uint64_t generation, std::uint64_t client)>;

class SimPrinterDevice;

// The printer's command set. It sees the bytes the host writes on the bulk OUT pipe and queues
// the bytes the bulk IN pipe will carry (SimPrinterDevice::queueReply). Calls are serialised, made
// without the device's lock, and may call back into the device. The default reactions do nothing.
class CommandProcessor {
public:
    virtual ~CommandProcessor() = default;
    // Installed on `device` (also after re-installation). The reference stays valid until detached.
    virtual void attached(SimPrinterDevice& device) { (void)device; }
    virtual void detachedFromDevice() {}
    // One bulk OUT transfer as the host wrote it.
    virtual void bulkOut(SimPrinterDevice& device, const std::vector<std::uint8_t>& bytes) = 0;
    // The printer-class SOFT_RESET request arrived (pending replies are already dropped).
    virtual void softReset(SimPrinterDevice& device) { (void)device; }
    // A USB port reset (the device stays on the bus; pending replies are already dropped).
    virtual void deviceReset(SimPrinterDevice& device) { (void)device; }
    // Power is gone: a power cycle, or the cable pulled (the model takes an unplugged printer as
    // unpowered; replug() is a power-up). Called once the device is off the bus; restarted(device,
    // true) follows when it comes back.
    virtual void powerLost(SimPrinterDevice& device) { (void)device; }
    // The device went off the bus and came back (re-enumeration or power cycle); `powerCycled`
    // tells whether power was lost (volatile state gone, pending identity applied either way).
    virtual void restarted(SimPrinterDevice& device, bool powerCycled) {
        (void)device;
        (void)powerCycled;
    }
};

// Answers every bulk OUT transfer with the same bytes: enough for transport tests.
class EchoProcessor : public CommandProcessor {
public:
    void bulkOut(SimPrinterDevice& device, const std::vector<std::uint8_t>& bytes) override;
};

// Answers each bulk OUT transfer with the next scripted reply (nothing when the script is empty),
// and records what was written. Thread-safe.
class ScriptedProcessor : public CommandProcessor {
public:
    struct Reply {
        std::vector<std::uint8_t> bytes;
        std::uint32_t delayMs = 0;
    };
    void addReply(std::vector<std::uint8_t> bytes, std::uint32_t delayMs = 0);
    void addReply(const std::string& text, std::uint32_t delayMs = 0);
    std::vector<std::vector<std::uint8_t>> written() const;
    int softResets() const;
    int deviceResets() const;
    int restarts() const;

    void bulkOut(SimPrinterDevice& device, const std::vector<std::uint8_t>& bytes) override;
    void softReset(SimPrinterDevice& device) override;
    void deviceReset(SimPrinterDevice& device) override;
    void restarted(SimPrinterDevice& device, bool powerCycled) override;

private:
    mutable base::Mutex mutex_;
    std::deque<Reply> replies_ GUARDED_BY(mutex_);
    std::vector<std::vector<std::uint8_t>> written_ GUARDED_BY(mutex_);
    int softResets_ GUARDED_BY(mutex_) = 0;
    int deviceResets_ GUARDED_BY(mutex_) = 0;
    int restarts_ GUARDED_BY(mutex_) = 0;
};

class SimPrinterDevice : public std::enable_shared_from_this<SimPrinterDevice> {
public:
    static std::shared_ptr<SimPrinterDevice> create(DeviceIdentity identity,
                                                    std::shared_ptr<CommandProcessor> processor = nullptr);
    ~SimPrinterDevice();
    SimPrinterDevice(const SimPrinterDevice&) = delete;
    SimPrinterDevice& operator=(const SimPrinterDevice&) = delete;

    // ---- identity and descriptors (of the current enumeration) ----
    DeviceIdentity identity() const;
    // Takes effect at the next enumeration (re-enumeration, power cycle, replug).
    void setIdentity(DeviceIdentity identity);
    // Applies at once, for setting a device up before it is attached anywhere.
    void setIdentityNow(DeviceIdentity identity);
    std::vector<std::uint8_t> deviceDescriptor() const;
    // Configuration, interface and endpoint descriptors in one block (wTotalLength bytes).
    std::vector<std::uint8_t> configurationDescriptor() const;
    // String descriptor `index` (0: the language table), or nothing when the device has none.
    std::optional<std::vector<std::uint8_t>> stringDescriptor(std::uint8_t index) const;
    // The GET_DEVICE_ID data stage: big-endian length (counting itself) and the ID text.
    std::vector<std::uint8_t> deviceIdReply() const;

    // ---- bus presence ----
    bool isAttached() const;
    // Counts enumerations; host objects made for an older generation answer NoDevice.
    std::uint64_t generation() const;
    // Cable pulled: transfers in flight fail, claims are dropped, Detached is reported. A restart the
    // device had scheduled (restartAfter, a delayed re-enumeration) is dropped: it never brings an
    // unplugged device back, and replug() counts as a power-up.
    void unplug();
    // Cable back in (no-op when attached): pending identity applies, Attached is reported.
    void replug();
    // Power off and on: like unplug + replug, and the processor learns that power was lost. A
    // scheduled restart is dropped with the power.
    void powerCycle();
    // The device drops off the bus and comes back (Detached, then Attached after `offMs`, from a
    // timer thread when offMs > 0). Safe to call from processor callbacks: the restart happens after
    // the current transfer has completed.
    void reEnumerate(std::uint32_t offMs = 0);
    // As reEnumerate(), but power is lost (the serial-number switch takes effect this way).
    void restartAfter(std::uint32_t offMs, bool powerCycle);

    // ---- host side: control pipe ----
    // For OUT requests `data` carries the data stage; for IN requests it receives at most wLength
    // bytes. Unknown requests stall.
    Status control(const SetupPacket& setup, std::vector<std::uint8_t>& data);
    // Replaces the model's answer to one IN request (matched on bmRequestType, bRequest, wValue)
    // with raw bytes, cut to wLength when sent: damaged descriptors and device IDs for tests.
    void overrideControlReply(std::uint8_t bmRequestType, std::uint8_t bRequest, std::uint16_t wValue,
                              std::vector<std::uint8_t> bytes);
    void clearControlOverrides();
    // The control requests seen (the latest few thousand), oldest first.
    std::vector<SetupPacket> controlLog() const;

    // ---- host side: bulk pipes ----
    // With a pace set, a transfer takes its time before the printer sees it (without holding any
    // lock: other transfers, and other printers, go on); a device that left the bus meanwhile fails it
    // with NoDevice.
    Status bulkOut(std::uint8_t endpoint, const std::vector<std::uint8_t>& bytes);
    // How long bulk OUT takes per KiB (0: no time, the default), as the printer's own USB throughput.
    void setBulkOutPacing(int microsecondsPerKiB);
    // Waits up to `timeoutMs` (kWaitForever: no limit; 0: do not wait) for a reply and hands over
    // at most `maxLen` bytes of it in `out`, in whole packets of the endpoint's wMaxPacketSize: each
    // queued reply is one transfer ending with a short (or zero-length) packet, so a read never spans
    // two replies, and a read with less room than the next packet fails with Overflow and loses that
    // packet, as usbfs does.
    static constexpr std::uint32_t kWaitForever = UINT32_MAX;
    Status bulkIn(std::uint8_t endpoint, std::vector<std::uint8_t>& out, std::size_t maxLen,
                  std::uint32_t timeoutMs);
    // True when a bulk IN read would find bytes now (for non-blocking backends).
    bool hasReplyReady() const;
    // A halted bulk endpoint answers Stall until the host clears it (this call, or the standard
    // CLEAR_FEATURE(ENDPOINT_HALT) request); SOFT_RESET, a port reset and a new enumeration clear
    // every halt.
    bool isHalted(std::uint8_t endpoint) const;
    void clearHalt(std::uint8_t endpoint);

    // ---- host side: interface claim and device open ----
    // Busy when another client holds the interface. A claim that succeeds or meets the other
    // holder is reported (OpenAttempt); one refused otherwise (an injected fault) is not.
    Status claim(std::uint64_t client);
    // Closed is reported when the holder lets go.
    Status release(std::uint64_t client);
    // Models another program: holding makes claims answer Busy; letting go reports Closed.
    void setHeldByOtherProgram(bool held);
    bool isClaimed() const;
    std::uint64_t claimHolder() const; // 0: nobody
    Status openDevice(std::uint64_t client);
    Status closeDevice(std::uint64_t client);
    // USB port reset: pending replies dropped, the processor is told. Busy while another client
    // has the device open (host APIs that want an open first check that themselves).
    Status resetDevice(std::uint64_t client);
    // Host-requested re-enumeration, Busy as above. Detached and Attached are reported before this
    // returns, unless a re-enumeration delay was set.
    Status reEnumerateDevice(std::uint64_t client);
    void setReEnumerationDelay(std::uint32_t offMs);
    // A fresh id for a host-side client (an opened interface or device object).
    static std::uint64_t newClientId();

    // ---- the printer's side ----
    // Bytes the bulk IN pipe will carry, available after `delayMs`.
    void queueReply(std::vector<std::uint8_t> bytes, std::uint32_t delayMs = 0);
    void clearReplies();
    std::shared_ptr<CommandProcessor> processor() const;
    void setProcessor(std::shared_ptr<CommandProcessor> processor);

    // ---- faults and observation ----
    void injectFault(Fault fault);
    void clearFaults();
    int addListener(EventListener listener);
    void removeListener(int token);
    // Bytes written on bulk OUT since creation (all transfers concatenated) and transfer counts.
    std::vector<std::uint8_t> bytesWritten() const;
    int bulkOutCount() const;
    int bulkInCount() const;
    int softResetCount() const;

    // ---- a printer slow to name itself (SimSlowStrings.cpp) ----
    // From now on every string descriptor request (the language table included) is held: it waits
    // until answerHeldStringDescriptors(), an unplug, or `limitMs` (kWaitForever: no limit) and then
    // answers as usual, Timeout when the limit passed (a device that never answers, seen by a host
    // that waits that long). For the in-process bus only: the request blocks the caller's thread.
    void holdStringDescriptors(std::uint32_t limitMs = kWaitForever);
    // Lets held requests, and every later one, answer at once (wakes them through replyArrived_).
    void answerHeldStringDescriptors();
    // String descriptor requests held right now.
    int heldStringDescriptorRequests() const;

private:
    SimPrinterDevice(DeviceIdentity identity, std::shared_ptr<CommandProcessor> processor);

    Status takePacketsLocked(std::size_t packetSize, std::size_t room, std::size_t limit,
                             std::vector<std::uint8_t>& out) REQUIRES(mutex_);
    struct PendingReply {
        std::vector<std::uint8_t> bytes;
        std::size_t offset = 0;
        std::chrono::steady_clock::time_point readyAt;
    };
    struct ControlKey {
        std::uint8_t bmRequestType, bRequest;
        std::uint16_t wValue;
        auto operator<=>(const ControlKey&) const = default;
    };

    std::optional<Fault> takeFaultLocked(FaultPoint point) REQUIRES(mutex_);
    void report(DeviceEvent event, std::uint64_t generation, std::uint64_t client = 0);
    // With `epoch`, only while no power loss or unplug has happened since it was read.
    void goOffBus(std::optional<std::uint64_t> epoch = std::nullopt);
    void comeBack(bool powerCycled, std::optional<std::uint64_t> epoch = std::nullopt);
    std::uint64_t powerEpoch() const;
    void runRestartLater(std::uint32_t offMs, bool powerCycled);
    Status standardRequest(const SetupPacket& setup, std::vector<std::uint8_t>& data);
    Status classRequest(const SetupPacket& setup, std::vector<std::uint8_t>& data);
    template <typename Fn> void withProcessor(Fn&& fn);
    // Waits while string descriptors are held; Ok to answer, Timeout or NoDevice otherwise.
    Status waitWhileStringsHeld(const SetupPacket& setup);

    mutable base::Mutex mutex_;
    std::condition_variable replyArrived_; // with mutex_: replies, unplug, clearReplies
    bool holdStrings_ GUARDED_BY(mutex_) = false;
    std::uint32_t holdStringsLimitMs_ GUARDED_BY(mutex_) = 0;
    int heldStrings_ GUARDED_BY(mutex_) = 0;
    DeviceIdentity identity_ GUARDED_BY(mutex_);
    std::optional<DeviceIdentity> nextIdentity_ GUARDED_BY(mutex_);
    bool attached_ GUARDED_BY(mutex_) = true;
    std::uint64_t generation_ GUARDED_BY(mutex_) = 1;
    std::uint64_t powerEpoch_ GUARDED_BY(mutex_) = 0; // unplugs and power losses
    std::uint64_t claimHolder_ GUARDED_BY(mutex_) = 0;
    bool heldByOther_ GUARDED_BY(mutex_) = false;
    std::uint64_t deviceOpenHolder_ GUARDED_BY(mutex_) = 0;
    std::uint32_t reEnumerationDelayMs_ GUARDED_BY(mutex_) = 0;
    int bulkOutPacingUs_ GUARDED_BY(mutex_) = 0; // per KiB
    std::deque<PendingReply> replies_ GUARDED_BY(mutex_);
    std::uint64_t replyChanges_ GUARDED_BY(mutex_) = 0; // replies queued or cleared, for waiting reads
    std::set<std::uint8_t> halted_ GUARDED_BY(mutex_);
    std::vector<Fault> faults_ GUARDED_BY(mutex_);
    std::map<ControlKey, std::vector<std::uint8_t>> overrides_ GUARDED_BY(mutex_);
    std::vector<SetupPacket> controlLog_ GUARDED_BY(mutex_);
    std::vector<std::uint8_t> written_ GUARDED_BY(mutex_);
    int bulkOutCount_ GUARDED_BY(mutex_) = 0;
    int bulkInCount_ GUARDED_BY(mutex_) = 0;
    int softResetCount_ GUARDED_BY(mutex_) = 0;
    std::shared_ptr<CommandProcessor> processor_ GUARDED_BY(mutex_); // calls go through processorMutex_

    // Serialises processor calls; recursive so a processor may trigger device actions that report
    // back to it on the same thread. Lock order: processorMutex_ before mutex_.
    std::recursive_mutex processorMutex_;

    mutable base::Mutex listenersMutex_;
    std::map<int, EventListener> listeners_ GUARDED_BY(listenersMutex_);
    int nextListenerToken_ GUARDED_BY(listenersMutex_) = 1;

    // Delayed restarts run on their own threads, joined when the device goes away.
    base::Mutex timersMutex_;
    std::vector<std::thread> timers_ GUARDED_BY(timersMutex_);
    std::condition_variable_any timersStop_;
    bool stopping_ GUARDED_BY(timersMutex_) = false;
};

} // namespace sim
