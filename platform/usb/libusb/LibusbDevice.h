// One physical USB device as the libusb backend sees it, and the usb::UsbDevice over it.
//
// A DeviceRecord is made on the event thread when libusb reports the device and lives as long as
// anything (services, interface and device objects) refers to it. It owns:
//  - the libusb device reference and what its descriptors say (identity, printer-class interfaces);
//  - the usbfs handle, opened when the first user needs it and closed when the last one is done, so
//    an idle printer does not keep its device node open;
//  - the claims on its interfaces, counted per interface number, because all users share one handle
//    and the kernel counts a claim per handle, not per user;
//  - the tally of node opens and closes this process makes itself, so the node watcher can tell them
//    from other programs' (it sees only "someone opened the node").
#pragma once

#include "base/threadsafety.h"
#include "platform/usb/usb.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct libusb_device;
struct libusb_device_handle;

namespace usb::libusb_backend {

class LibusbContext;
class DeviceRecord;

struct EndpointInfo {
    std::uint8_t address = 0; // with the direction bit
    PipeProperties properties;
};

struct InterfaceInfo {
    std::uint8_t number = 0;
    std::uint8_t alternateSetting = 0;
    std::uint8_t interfaceClass = 0;
    std::uint8_t interfaceSubClass = 0;
    std::uint8_t interfaceProtocol = 0;
    std::vector<EndpointInfo> endpoints;
};

// Told when a device was reset from here in place of a re-enumeration, so the bus can announce the
// device's departure and return as a real re-enumeration would.
class DeviceEvents {
public:
    virtual ~DeviceEvents() = default;
    virtual void deviceReEnumerated(const std::shared_ptr<DeviceRecord>& device) = 0;
    // Another program has the printer driver's node of one of the device's interfaces open, so the
    // interface was not claimed: whoever waits for it wants to hear when that node is closed.
    virtual void printerNodeHeld(const std::shared_ptr<DeviceRecord>& device, const std::string& node) {
        (void)device;
        (void)node;
    }
};

// A counted use of the device's open handle; the handle stays open while any use lives.
class HandleUse {
public:
    HandleUse() = default;
    HandleUse(std::shared_ptr<DeviceRecord> device, libusb_device_handle* handle);
    HandleUse(HandleUse&& other) noexcept;
    HandleUse& operator=(HandleUse&& other) noexcept;
    ~HandleUse();
    HandleUse(const HandleUse&) = delete;
    HandleUse& operator=(const HandleUse&) = delete;

    libusb_device_handle* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset();

private:
    std::shared_ptr<DeviceRecord> device_;
    libusb_device_handle* handle_ = nullptr;
};

class DeviceRecord : public std::enable_shared_from_this<DeviceRecord> {
public:
    // Reads the descriptors libusb already holds (no I/O on the device). nullptr, with a log line,
    // when they are unusable (a device that answers malformed descriptors).
    // Runs inside libusb's hot-plug callback, which holds libusb's locks: it takes none of ours.
    static std::shared_ptr<DeviceRecord> make(std::shared_ptr<LibusbContext> context, libusb_device* device,
                                              std::weak_ptr<DeviceEvents> events);
    ~DeviceRecord();
    DeviceRecord(const DeviceRecord&) = delete;
    DeviceRecord& operator=(const DeviceRecord&) = delete;

    libusb_device* device() const { return device_; }
    std::uint8_t busNumber() const { return busNumber_; }
    std::uint8_t address() const { return address_; }
    std::uint32_t locationID() const { return locationID_; }
    std::uint16_t vendorID() const { return vendorID_; }
    std::uint16_t productID() const { return productID_; }
    std::uint16_t releaseNumber() const { return releaseNumber_; }
    std::uint8_t manufacturerStringIndex() const { return iManufacturer_; }
    std::uint8_t productStringIndex() const { return iProduct_; }
    std::uint8_t serialNumberStringIndex() const { return iSerialNumber_; }
    std::uint8_t configurationValue() const { return configurationValue_; }
    const std::vector<InterfaceInfo>& interfaces() const { return interfaces_; }
    // True when the active configuration has a printer-class interface `number` with alternate
    // setting `alternateSetting` (any of its settings, not only the first).
    bool isPrinterSetting(std::uint8_t number, std::uint8_t alternateSetting) const;
    const std::string& nodePath() const { return nodePath_; }
    // "USB device on bus 1 port 4 (vendor id 0x1234, product id 0x5678)", for log lines.
    const std::string& description() const { return description_; }

    std::shared_ptr<DeviceEvents> events() const { return events_.lock(); }

    // Port resets and printer-class soft resets sent to the device, so that interface objects drop
    // what they read ahead before it.
    void noteReset() { ++resets_; }
    std::uint64_t resets() const { return resets_; }

    // Set when the device left the bus; everything then answers kIOReturnNoDevice.
    bool isGone() const { return gone_; }
    void markGone() { gone_ = true; }

    // Opens the handle when nobody holds it. Failures are logged, a missing permission with the fix.
    IOReturn acquire(HandleUse& use);

    // Counted claim of an interface (the kernel printer driver is detached while claimed and
    // re-attached on the last release). kIOReturnExclusiveAccess when another program holds it.
    IOReturn claimInterface(libusb_device_handle* handle, std::uint8_t interfaceNumber);
    IOReturn releaseInterface(libusb_device_handle* handle, std::uint8_t interfaceNumber);
    bool isClaimed(std::uint8_t interfaceNumber) const;

    // For a reset that libusb reports as LIBUSB_ERROR_NOT_FOUND, which means either "the device
    // re-enumerated" or "it was reset, but an interface could not be claimed again".
    // True while the device is still connected under `handle` (asks the kernel, not the device).
    bool isConnected(libusb_device_handle* handle) const;
    // Claims again what our claims count held before the reset (libusb keeps what it could re-take,
    // for which claiming is a no-op). Interfaces that cannot be had are dropped from the count and
    // returned with libusb's answer; `held` tells how many claims were checked.
    std::vector<std::pair<std::uint8_t, int>> reclaimAfterReset(libusb_device_handle* handle, int& held);

    // Node opens and closes this process makes itself; the node watcher consumes them. The same for
    // the printer driver's node, which this process opens only to learn whether another holds it.
    bool consumeOwnOpen();
    bool consumeOwnClose();
    bool consumeOwnPrinterNodeOpen();
    bool consumeOwnPrinterNodeClose();

private:
    friend class HandleUse;
    DeviceRecord(std::shared_ptr<LibusbContext> context, libusb_device* device);
    void releaseUse();
    static bool consume(std::atomic<int>& tally);
    // The printer driver's node of the interface when another program has it open (logged), else empty.
    std::string printerNodeInUse(libusb_device_handle* handle, std::uint8_t interfaceNumber);

    const std::shared_ptr<LibusbContext> context_; // declared first: outlives the device reference
    libusb_device* const device_;                  // referenced for the record's life
    std::uint8_t busNumber_ = 0;
    std::uint8_t address_ = 0;
    std::uint32_t locationID_ = 0;
    std::uint16_t vendorID_ = 0, productID_ = 0, releaseNumber_ = 0;
    std::uint8_t iManufacturer_ = 0, iProduct_ = 0, iSerialNumber_ = 0;
    std::uint8_t configurationValue_ = 0;
    std::vector<InterfaceInfo> interfaces_;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> printerSettings_; // (interface, alternate setting)
    std::weak_ptr<DeviceEvents> events_; // set before the record is shared, never changed
    std::string nodePath_;
    std::string sysfsName_; // "1-4.2"
    std::string description_;

    std::atomic<bool> gone_{false};
    std::atomic<std::uint64_t> resets_{0};
    std::atomic<int> ownOpens_{0};
    std::atomic<int> ownCloses_{0};
    std::atomic<int> ownPrinterNodeOpens_{0};
    std::atomic<int> ownPrinterNodeCloses_{0};
    std::atomic<bool> permissionReported_{false}; // the long "permission denied" line went out

    // Lock order: an interface object's lock, then this one, then libusb's own (libusb_open and
    // libusb_close run under it). Nothing called from inside libusb may take it.
    mutable base::Mutex mutex_;
    libusb_device_handle* handle_ GUARDED_BY(mutex_) = nullptr;
    int handleUsers_ GUARDED_BY(mutex_) = 0;
    std::map<std::uint8_t, int> claims_ GUARDED_BY(mutex_);
};

// usb::UsbDevice over a DeviceRecord. open/close hold a use of the handle; requests made while not
// open take one for their own duration: the USB contract (usb.h) allows them on an unopened device.
class LibusbUsbDevice : public UsbDevice {
public:
    explicit LibusbUsbDevice(std::shared_ptr<DeviceRecord> device);
    ~LibusbUsbDevice() override;

    IOReturn open() override;
    IOReturn close() override;
    IOReturn resetDevice() override;
    IOReturn reEnumerate(std::uint32_t options) override;
    IOReturn manufacturerStringIndex(std::uint8_t& index) override;
    IOReturn productStringIndex(std::uint8_t& index) override;
    IOReturn serialNumberStringIndex(std::uint8_t& index) override;
    IOReturn deviceRequest(ControlRequest& request) override;

private:
    IOReturn reset(const char* what, bool& kernelReEnumerates);

    const std::shared_ptr<DeviceRecord> device_;
    base::Mutex mutex_;
    HandleUse openUse_ GUARDED_BY(mutex_);
};

// A control request on the default pipe with the given handle; shared by devices and interfaces.
IOReturn performControlRequest(DeviceRecord& device, libusb_device_handle* handle, ControlRequest& request);

// The time-out libusb gets for a transfer with the contract's two time-outs (usb.h): the completion
// time-out bounds the whole transfer, the no-data time-out stands in when it is 0.
unsigned int transferTimeout(std::uint32_t noDataTimeout, std::uint32_t completionTimeout);

} // namespace usb::libusb_backend
