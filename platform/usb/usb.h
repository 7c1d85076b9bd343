// The USB operations the printer logic needs, as one table per object kind. Every backend (the
// simulated bus in usb/sim over the printer device model, real hardware through usb/libusb)
// implements all of it.
//
// Contract shared by every entry:
//  - Results are platform result codes (iokit_codes.h); nothing throws.
//  - Transfers block the calling thread; callers run them on a printer's command queue, never on the
//    main thread. Time-outs are in milliseconds; 0 means "no limit". A transfer has two: the
//    completion time-out bounds the whole transfer, the no-data time-out the wait for its data.
//  - Objects are shared_ptr-counted: whoever holds one keeps it alive; a device that left the bus
//    answers kIOReturnNoDevice (or kIOReturnNotResponding for transfers in flight) instead of dying.
//  - Notifications (arrival, termination, interest) are delivered on the main thread only.
//  - Common outcomes use common codes, so the logic reads them the same on every backend: another
//    holder of the interface kIOReturnExclusiveAccess; a transfer or request that timed out
//    kIOReturnTimeout; a stalled endpoint or refused control request kIOUSBPipeStalled; a transfer on
//    an interface this object has not opened kIOReturnNotOpen; a pipe reference outside
//    1..numEndpoints kIOUSBUnknownPipeErr; a device gone from the bus kIOReturnNoDevice; no
//    permission to use the device kIOReturnNotPrivileged. A short bulk read is a success with the
//    smaller count. Bulk IN behaves as a byte stream within a transfer: the backend reads the device
//    in whole packets (readahead.h) and serves smaller reads from what it read ahead, dropped when
//    the interface is opened, closed or reset. A bulk transfer that meets a halted endpoint answers
//    kIOUSBPipeStalled, and the backend clears the halt before it returns, so the next transfer can use the
//    pipe again.
//
// Interest notices about the interface (open attempt, closed), the same on every backend:
//  - kIOMessageServiceIsAttemptingOpen follows an open that reached the interface: one that
//    succeeded or met another holder (kIOReturnExclusiveAccess). An open refused before that (no
//    permission, device gone, any other failure) has no notice. kIOMessageServiceWasClosed follows
//    the holder's close, also when an open interface object is dropped.
//  - The message argument tells who did it: thisProcessNotice() for an open or close made in this
//    process through a UsbInterface, nullptr for another program. Other uses of the device by this
//    process (control requests, the device object) are no interface opens and have no notice.
//  - A notice about this process's own open or close is posted to the main thread after the call
//    has returned: when the call runs on a command queue, behind the item that made it (so whatever
//    that item posted to the main thread comes first), otherwise at once. Other programs' notices
//    arrive at any time, also between a caller's open and its own main-thread steps.
#pragma once

#include "base/usbstandard.h"
#include "platform/usb/iokit_codes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace usb {

// Endpoint directions and transfer types as pipe properties report them.
constexpr std::uint8_t kUSBOut = 0;
constexpr std::uint8_t kUSBIn = 1;
constexpr std::uint8_t kUSBControl = 0;
constexpr std::uint8_t kUSBIsoc = 1;
constexpr std::uint8_t kUSBBulk = 2;
constexpr std::uint8_t kUSBInterrupt = 3;

// USB printer class.
constexpr std::uint8_t kUSBPrintingClass = usbstd::kInterfaceClassPrinter;
constexpr std::uint8_t kUSBPrintingSubClass = 1;

struct PipeProperties {
    std::uint8_t direction = 0;    // kUSBOut / kUSBIn
    std::uint8_t number = 0;       // endpoint number without the direction bit
    std::uint8_t transferType = 0; // kUSBBulk, ...
    std::uint16_t maxPacketSize = 0;
    std::uint8_t interval = 0;
};

// A request on the default control pipe. For IN requests `data` receives up to wLength bytes;
// for OUT requests it supplies them. `wLenDone` reports the bytes actually moved.
struct ControlRequest {
    std::uint8_t bmRequestType = 0;
    std::uint8_t bRequest = 0;
    std::uint16_t wValue = 0;
    std::uint16_t wIndex = 0;
    std::uint16_t wLength = 0;
    void* data = nullptr;
    std::uint32_t wLenDone = 0;
    std::uint32_t noDataTimeout = 0;
    std::uint32_t completionTimeout = 0;
};

class UsbDevice;
class UsbInterface;
class UsbService;

// Per USB device (the whole printer).
class UsbDevice {
public:
    virtual ~UsbDevice() = default;
    virtual IOReturn open() = 0;
    virtual IOReturn close() = 0;
    virtual IOReturn resetDevice() = 0;
    // After success the device leaves the bus (termination notice) and comes back on the same
    // location id (arrival notice).
    virtual IOReturn reEnumerate(std::uint32_t options) = 0;
    // The string indexes and control requests work whether or not the device is open.
    virtual IOReturn manufacturerStringIndex(std::uint8_t& index) = 0;
    virtual IOReturn productStringIndex(std::uint8_t& index) = 0;
    virtual IOReturn serialNumberStringIndex(std::uint8_t& index) = 0;
    virtual IOReturn deviceRequest(ControlRequest& request) = 0;
};

// Per USB interface (the printer-class interface of one printer).
class UsbInterface {
public:
    virtual ~UsbInterface() = default;
    // Exclusive open. kIOReturnExclusiveAccess when another program holds the interface.
    virtual IOReturn openSeize() = 0;
    virtual IOReturn close() = 0;

    virtual IOReturn interfaceClass(std::uint8_t& value) = 0;
    virtual IOReturn interfaceSubClass(std::uint8_t& value) = 0;
    virtual IOReturn interfaceNumber(std::uint8_t& value) = 0;
    virtual IOReturn alternateSetting(std::uint8_t& value) = 0;
    virtual IOReturn configurationValue(std::uint8_t& value) = 0;
    virtual IOReturn deviceVendor(std::uint16_t& value) = 0;
    virtual IOReturn deviceProduct(std::uint16_t& value) = 0;
    virtual IOReturn deviceReleaseNumber(std::uint16_t& value) = 0;
    virtual IOReturn locationID(std::uint32_t& value) = 0;

    virtual IOReturn numEndpoints(std::uint8_t& count) = 0;
    // pipeRef counts from 1 to numEndpoints.
    virtual IOReturn pipeProperties(std::uint8_t pipeRef, PipeProperties& properties) = 0;

    // Writes all `size` bytes in one transfer, or fails.
    virtual IOReturn writePipe(std::uint8_t pipeRef, const void* data, std::uint32_t size,
                               std::uint32_t noDataTimeout, std::uint32_t completionTimeout) = 0;
    // On entry `size` is the count wanted, on return the count received.
    virtual IOReturn readPipe(std::uint8_t pipeRef, void* buffer, std::uint32_t& size,
                              std::uint32_t noDataTimeout, std::uint32_t completionTimeout) = 0;
    virtual IOReturn controlRequest(ControlRequest& request) = 0;

    // The device behind this interface (the "device service" plus its user client in one step).
    virtual IOReturn device(std::shared_ptr<UsbDevice>& device) = 0;
    // The registry object this interface was made from.
    virtual std::shared_ptr<UsbService> service() = 0;
};

using InterestCallback = std::function<void(IOMessage messageType, void* messageArgument)>;

// The message argument of an open-attempt or closed notice caused by this process itself.
void* thisProcessNotice();
// Posts `deliver` (which hands a notice about this process's own open or close to the interest
// callbacks) to the main thread as the contract above says: behind the running command-queue item,
// or at once when the caller is not on a command queue. For backends.
void postOwnNotice(std::function<void()> deliver);

// A registration handle; dropping the last reference unregisters.
class Notification {
public:
    virtual ~Notification() = default;
};
using NotificationHandle = std::shared_ptr<Notification>;

// One matched interface in the device registry. Two handles name the same registry object when
// their registryID() is equal.
class UsbService {
public:
    virtual ~UsbService() = default;
    virtual std::uint64_t registryID() const = 0;
    virtual std::string className() const = 0;
    // The interface object for this service ("plug-in" plus "query interface" in one step).
    virtual IOReturn createInterface(std::shared_ptr<UsbInterface>& interface) = 0;
    // General interest: open attempts, closes, termination, busy-state changes. Delivered on the
    // main thread for as long as the handle lives; open attempts and closes as the file comment
    // says; kIOMessageServiceIsTerminated comes before the bus's termination notice for the same
    // service.
    virtual IOReturn addInterestNotification(InterestCallback callback, NotificationHandle& handle) = 0;
};

using ServiceCallback = std::function<void(std::shared_ptr<UsbService> service)>;

// The device registry: matching notices for printer-class interfaces.
class UsbBus {
public:
    virtual ~UsbBus() = default;
    // Calls `arrived` on the main thread for every interface of the given class and subclass
    // (subClass < 0: any), first for those already present (from within this call), then for each
    // later arrival, for as long as the handle lives.
    virtual IOReturn addMatchingNotification(int interfaceClass, int interfaceSubClass,
                                             ServiceCallback arrived, NotificationHandle& handle) = 0;
    // Calls `terminated` on the main thread when such an interface leaves the bus.
    virtual IOReturn addTerminationNotification(int interfaceClass, int interfaceSubClass,
                                                ServiceCallback terminated, NotificationHandle& handle) = 0;
};

// The process-wide bus the program uses (libusb by default, the simulated bus in demo mode and
// tests). Set once at start-up, before any printer object exists.
std::shared_ptr<UsbBus> currentBus();
void setCurrentBus(std::shared_ptr<UsbBus> bus);

} // namespace usb
