#include "platform/usb/libusb/LibusbDevice.h"

#include "platform/platformlog.h"
#include "platform/usb/libusb/LibusbContext.h"
#include "platform/usb/libusb/LibusbErrors.h"
#include "platform/usb/libusb/LibusbLocation.h"
#include "platform/usb/libusb/PrinterDriverNode.h"
#include "platform/usb/readahead.h"

#include "base/usbstandard.h"

#include <libusb.h>

#include <algorithm>
#include <cstdio>

namespace usb::libusb_backend {

namespace {

// The deepest port path USB allows (seven tiers below the root).
constexpr int kMaxPortPath = 7;
// The largest data stage Linux usbfs (through libusb) accepts on the control pipe. A printer's
// device ID is far shorter, but callers ask for up to 65535 bytes "to be safe"; an IN request asks
// for at most this much, and the device ends its answer early anyway.
constexpr std::uint16_t kMaxControlDataLength = 4096;

std::string describe(std::uint8_t bus, const std::vector<std::uint8_t>& ports, std::uint16_t vendor,
                     std::uint16_t product) {
    std::string where = sysfsNameFor(bus, ports);
    const std::size_t dash = where.find('-');
    char text[160];
    std::snprintf(text, sizeof text, "USB device on bus %u port %s (vendor id 0x%04x, product id 0x%04x)",
                  unsigned(bus), where.substr(dash + 1).c_str(), unsigned(vendor), unsigned(product));
    return text;
}

InterfaceInfo interfaceInfoFrom(const libusb_interface_descriptor& descriptor) {
    InterfaceInfo info;
    info.number = descriptor.bInterfaceNumber;
    info.alternateSetting = descriptor.bAlternateSetting;
    info.interfaceClass = descriptor.bInterfaceClass;
    info.interfaceSubClass = descriptor.bInterfaceSubClass;
    info.interfaceProtocol = descriptor.bInterfaceProtocol;
    for (int e = 0; e < descriptor.bNumEndpoints && descriptor.endpoint; ++e) {
        const libusb_endpoint_descriptor& endpoint = descriptor.endpoint[e];
        EndpointInfo pipe;
        pipe.address = endpoint.bEndpointAddress;
        pipe.properties.direction = (endpoint.bEndpointAddress & usbstd::kEndpointDirIn) ? kUSBIn : kUSBOut;
        pipe.properties.number = endpoint.bEndpointAddress & usbstd::kEndpointNumberMask;
        pipe.properties.transferType = endpoint.bmAttributes & usbstd::kTransferTypeMask;
        pipe.properties.maxPacketSize = endpoint.wMaxPacketSize;
        pipe.properties.interval = endpoint.bInterval;
        info.endpoints.push_back(pipe);
    }
    return info;
}

} // namespace

unsigned int transferTimeout(std::uint32_t noDataTimeout, std::uint32_t completionTimeout) {
    return completionTimeout ? completionTimeout : noDataTimeout;
}

// --- HandleUse ---------------------------------------------------------------------------------

HandleUse::HandleUse(std::shared_ptr<DeviceRecord> device, libusb_device_handle* handle)
    : device_(std::move(device)), handle_(handle) {}

HandleUse::HandleUse(HandleUse&& other) noexcept
    : device_(std::move(other.device_)), handle_(std::exchange(other.handle_, nullptr)) {}

HandleUse& HandleUse::operator=(HandleUse&& other) noexcept {
    if (this != &other) {
        reset();
        device_ = std::move(other.device_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

HandleUse::~HandleUse() {
    reset();
}

void HandleUse::reset() {
    if (handle_ && device_) device_->releaseUse();
    handle_ = nullptr;
    device_.reset();
}

// --- DeviceRecord ------------------------------------------------------------------------------

DeviceRecord::DeviceRecord(std::shared_ptr<LibusbContext> context, libusb_device* device)
    : context_(std::move(context)), device_(libusb_ref_device(device)) {}

DeviceRecord::~DeviceRecord() {
    {
        base::MutexLocker lock(mutex_);
        if (handle_) libusb_close(handle_); // only reachable when a use leaked; keeps libusb_exit clean
        handle_ = nullptr;
    }
    libusb_unref_device(device_);
}

std::shared_ptr<DeviceRecord> DeviceRecord::make(std::shared_ptr<LibusbContext> context,
                                                 libusb_device* device, std::weak_ptr<DeviceEvents> events) {
    std::shared_ptr<DeviceRecord> record(new DeviceRecord(std::move(context), device));
    record->events_ = std::move(events);
    record->busNumber_ = libusb_get_bus_number(device);
    record->address_ = libusb_get_device_address(device);
    std::uint8_t portNumbers[kMaxPortPath] = {};
    const int depth = libusb_get_port_numbers(device, portNumbers, kMaxPortPath);
    const std::vector<std::uint8_t> ports(portNumbers, portNumbers + (depth > 0 ? depth : 0));
    record->locationID_ = locationIdFor(record->busNumber_, ports);
    record->nodePath_ = usbfsNodeFor(record->busNumber_, record->address_);
    record->sysfsName_ = sysfsNameFor(record->busNumber_, ports);

    libusb_device_descriptor descriptor{};
    int result = libusb_get_device_descriptor(device, &descriptor);
    record->description_ = describe(record->busNumber_, ports, descriptor.idVendor, descriptor.idProduct);
    if (result != LIBUSB_SUCCESS) {
        platform::platformLog("Ignoring the %s: its device descriptor is unreadable (%s)",
                              record->description_.c_str(), libusbErrorName(result));
        return nullptr;
    }
    record->vendorID_ = descriptor.idVendor;
    record->productID_ = descriptor.idProduct;
    record->releaseNumber_ = descriptor.bcdDevice;
    record->iManufacturer_ = descriptor.iManufacturer;
    record->iProduct_ = descriptor.iProduct;
    record->iSerialNumber_ = descriptor.iSerialNumber;

    libusb_config_descriptor* config = nullptr;
    result = libusb_get_active_config_descriptor(device, &config);
    // An unconfigured device still tells us its first configuration.
    if (result == LIBUSB_ERROR_NOT_FOUND && descriptor.bNumConfigurations > 0)
        result = libusb_get_config_descriptor(device, 0, &config);
    if (result != LIBUSB_SUCCESS || !config) {
        platform::platformLog("Ignoring the %s: its configuration descriptor is unreadable or malformed (%s)",
                              record->description_.c_str(), libusbErrorName(result));
        return nullptr;
    }
    record->configurationValue_ = config->bConfigurationValue;
    for (int i = 0; i < config->bNumInterfaces && config->interface; ++i) {
        const libusb_interface& interface = config->interface[i];
        // The first alternate setting is the one in use after configuration.
        if (interface.num_altsetting > 0 && interface.altsetting)
            record->interfaces_.push_back(interfaceInfoFrom(interface.altsetting[0]));
        for (int a = 0; a < interface.num_altsetting && interface.altsetting; ++a)
            if (interface.altsetting[a].bInterfaceClass == kUSBPrintingClass)
                record->printerSettings_.emplace_back(interface.altsetting[a].bInterfaceNumber,
                                                      interface.altsetting[a].bAlternateSetting);
    }
    libusb_free_config_descriptor(config);
    return record;
}

IOReturn DeviceRecord::acquire(HandleUse& use) {
    use.reset();
    if (gone_) return kIOReturnNoDevice;
    base::MutexLocker lock(mutex_);
    if (!handle_) {
        ++ownOpens_;
        libusb_device_handle* handle = nullptr;
        const int result = libusb_open(device_, &handle);
        if (result != LIBUSB_SUCCESS) {
            // No descriptor was made, so no open will be seen on the node for this attempt.
            consume(ownOpens_);
            if (result == LIBUSB_ERROR_ACCESS) {
                // Every request of an unreachable printer ends here; the cause and the fix are told
                // once per device (a replugged printer is a new record and is told again).
                if (!permissionReported_.exchange(true))
                    platform::platformLog(
                        "Cannot open the printer: %s at %s: permission denied (%s). Install the "
                        "udev rule 60-printer-tools.rules (see packaging/README.md) and plug the "
                        "printer in again, or run as a user allowed to use USB devices.",
                        description_.c_str(), nodePath_.c_str(), libusbErrorName(result));
            } else {
                platform::platformLog("Cannot open the %s: libusb_open returned %s", description_.c_str(),
                                      libusbErrorName(result));
            }
            return ioReturnForLibusbError(result);
        }
        // Claiming detaches the kernel printer driver; releasing gives the interface back to it.
        const int autoDetach = libusb_set_auto_detach_kernel_driver(handle, 1);
        if (autoDetach != LIBUSB_SUCCESS)
            platform::platformLog(
                "The kernel printer driver will not be detached from the %s (%s): its interface "
                "cannot be claimed while that driver holds it",
                description_.c_str(), libusbErrorName(autoDetach));
        handle_ = handle;
    }
    ++handleUsers_;
    use = HandleUse(shared_from_this(), handle_);
    return kIOReturnSuccess;
}

void DeviceRecord::releaseUse() {
    base::MutexLocker lock(mutex_);
    if (handleUsers_ > 0 && --handleUsers_ == 0 && handle_) {
        // Claims never outlive the handle (every claim holds a use), so nothing is left claimed here.
        ++ownCloses_;
        libusb_close(handle_);
        handle_ = nullptr;
        claims_.clear();
    }
}

IOReturn DeviceRecord::claimInterface(libusb_device_handle* handle, std::uint8_t interfaceNumber) {
    if (gone_) return kIOReturnNoDevice;
    base::MutexLocker lock(mutex_);
    int& count = claims_[interfaceNumber];
    if (count == 0) {
        if (const std::string node = printerNodeInUse(handle, interfaceNumber); !node.empty()) {
            claims_.erase(interfaceNumber);
            if (const auto events = events_.lock()) events->printerNodeHeld(shared_from_this(), node);
            return kIOReturnExclusiveAccess;
        }
        const int result = libusb_claim_interface(handle, interfaceNumber);
        if (result != LIBUSB_SUCCESS) {
            if (result == LIBUSB_ERROR_BUSY)
                platform::platformLog("Interface %u of the %s is held by another program (%s)",
                                      unsigned(interfaceNumber), description_.c_str(),
                                      libusbErrorName(result));
            else
                platform::platformLog("Cannot claim interface %u of the %s: %s", unsigned(interfaceNumber),
                                      description_.c_str(), libusbErrorName(result));
            claims_.erase(interfaceNumber);
            return ioReturnForLibusbError(result);
        }
    }
    ++count;
    return kIOReturnSuccess;
}

IOReturn DeviceRecord::releaseInterface(libusb_device_handle* handle, std::uint8_t interfaceNumber) {
    base::MutexLocker lock(mutex_);
    const auto it = claims_.find(interfaceNumber);
    if (it == claims_.end()) return kIOReturnSuccess;
    if (--it->second > 0) return kIOReturnSuccess;
    claims_.erase(it);
    const int result = libusb_release_interface(handle, interfaceNumber);
    // A device that already left cannot be released; that is not worth a line of its own.
    if (result != LIBUSB_SUCCESS && result != LIBUSB_ERROR_NO_DEVICE) {
        platform::platformLog("Releasing interface %u of the %s returned %s", unsigned(interfaceNumber),
                              description_.c_str(), libusbErrorName(result));
        return ioReturnForLibusbError(result);
    }
    return kIOReturnSuccess;
}

bool DeviceRecord::isClaimed(std::uint8_t interfaceNumber) const {
    base::MutexLocker lock(mutex_);
    const auto it = claims_.find(interfaceNumber);
    return it != claims_.end() && it->second > 0;
}

bool DeviceRecord::isPrinterSetting(std::uint8_t number, std::uint8_t alternateSetting) const {
    return std::find(printerSettings_.begin(), printerSettings_.end(),
                     std::make_pair(number, alternateSetting)) != printerSettings_.end();
}

bool DeviceRecord::isConnected(libusb_device_handle* handle) const {
    // usbfs answers ENODEV on every request but a reap once the device is disconnected, and a
    // re-enumerated device never comes back under the old handle. Asking for the driver of an
    // interface is answered by the kernel alone, so it costs no traffic on the bus.
    const std::uint8_t number = interfaces_.empty() ? 0 : interfaces_.front().number;
    return libusb_kernel_driver_active(handle, number) != LIBUSB_ERROR_NO_DEVICE;
}

std::vector<std::pair<std::uint8_t, int>> DeviceRecord::reclaimAfterReset(libusb_device_handle* handle,
                                                                          int& held) {
    std::vector<std::pair<std::uint8_t, int>> lost;
    held = 0;
    base::MutexLocker lock(mutex_);
    for (auto it = claims_.begin(); it != claims_.end();) {
        if (it->second <= 0) {
            ++it;
            continue;
        }
        ++held;
        const int result = libusb_claim_interface(handle, it->first);
        if (result == LIBUSB_SUCCESS) {
            ++it;
            continue;
        }
        lost.emplace_back(it->first, result);
        it = claims_.erase(it);
    }
    return lost;
}

bool DeviceRecord::consume(std::atomic<int>& tally) {
    int value = tally.load();
    while (value > 0)
        if (tally.compare_exchange_weak(value, value - 1)) return true;
    return false;
}

std::string DeviceRecord::printerNodeInUse(libusb_device_handle* handle, std::uint8_t interfaceNumber) {
    // Claiming detaches the printer driver, which ends whatever goes through its node: a print job
    // sent there would be cut off.
    if (libusb_kernel_driver_active(handle, interfaceNumber) != 1) return {};
    const std::string node = printerDriverNode(sysfsName_, configurationValue_, interfaceNumber);
    if (node.empty()) return {};
    const NodeHolder holder = printerDriverNodeHolder(node, [this](int change) {
        ownPrinterNodeOpens_ += change;
        ownPrinterNodeCloses_ += change;
    });
    if (!holder.held) return {};
    const std::string who = holder.pid ? "process " + std::to_string(holder.pid) : std::string("a program");
    platform::platformLog("Interface %u of the %s is held by another program: %s has its printer device %s "
                          "open",
                          unsigned(interfaceNumber), description_.c_str(), who.c_str(), node.c_str());
    return node;
}

bool DeviceRecord::consumeOwnPrinterNodeOpen() {
    return consume(ownPrinterNodeOpens_);
}
bool DeviceRecord::consumeOwnPrinterNodeClose() {
    return consume(ownPrinterNodeCloses_);
}

bool DeviceRecord::consumeOwnOpen() {
    return consume(ownOpens_);
}
bool DeviceRecord::consumeOwnClose() {
    return consume(ownCloses_);
}

// --- control requests ----------------------------------------------------------------------------

IOReturn performControlRequest(DeviceRecord& device, libusb_device_handle* handle, ControlRequest& request) {
    request.wLenDone = 0;
    if (request.wLength > 0 && !request.data) return kIOReturnBadArgument;
    std::uint16_t length = request.wLength;
    if (length > kMaxControlDataLength) {
        if (!(request.bmRequestType & usbstd::kDirIn)) {
            platform::platformLog(
                "Control request 0x%02x/0x%02x to the %s refused: %u bytes of data exceed the %u the "
                "system allows",
                unsigned(request.bmRequestType), unsigned(request.bRequest), device.description().c_str(),
                unsigned(length), unsigned(kMaxControlDataLength));
            return kIOReturnBadArgument;
        }
        length = kMaxControlDataLength;
    }
    const int result =
        libusb_control_transfer(handle, request.bmRequestType, request.bRequest, request.wValue,
                                request.wIndex, static_cast<unsigned char*>(request.data), length,
                                transferTimeout(request.noDataTimeout, request.completionTimeout));
    if (result < 0) {
        platform::platformLog(
            "Control request 0x%02x/0x%02x (wValue 0x%04x, wIndex 0x%04x) to the %s failed: %s",
            unsigned(request.bmRequestType), unsigned(request.bRequest), unsigned(request.wValue),
            unsigned(request.wIndex), device.description().c_str(), libusbErrorName(result));
        return ioReturnForTransferError(result);
    }
    request.wLenDone = std::uint32_t(result);
    if (isPrinterSoftReset(request.bmRequestType, request.bRequest)) device.noteReset();
    return kIOReturnSuccess;
}

// --- LibusbUsbDevice -----------------------------------------------------------------------------

LibusbUsbDevice::LibusbUsbDevice(std::shared_ptr<DeviceRecord> device) : device_(std::move(device)) {}

LibusbUsbDevice::~LibusbUsbDevice() = default;

IOReturn LibusbUsbDevice::open() {
    base::MutexLocker lock(mutex_);
    if (openUse_) return device_->isGone() ? kIOReturnNoDevice : kIOReturnSuccess;
    return device_->acquire(openUse_);
}

IOReturn LibusbUsbDevice::close() {
    base::MutexLocker lock(mutex_);
    openUse_.reset();
    return kIOReturnSuccess;
}

IOReturn LibusbUsbDevice::reset(const char* what, bool& kernelReEnumerates) {
    kernelReEnumerates = false;
    HandleUse use;
    const IOReturn opened = device_->acquire(use);
    if (opened != kIOReturnSuccess) return opened;
    device_->noteReset();
    const int result = libusb_reset_device(use.get());
    if (result == LIBUSB_ERROR_NOT_FOUND) {
        if (!device_->isConnected(use.get())) {
            // The device came back different (or not at all): the kernel re-enumerates it, and
            // the hot-plug notices report its departure and return.
            platform::platformLog("%s of the %s: the device re-enumerated", what,
                                  device_->description().c_str());
            kernelReEnumerates = true;
            return kIOReturnSuccess;
        }
        // Still here under this handle: the reset went through, but libusb could not claim again
        // an interface it held before (another program or a kernel driver took it meanwhile).
        int held = 0;
        const auto lost = device_->reclaimAfterReset(use.get(), held);
        for (const auto& [number, error] : lost)
            platform::platformLog(
                "%s of the %s: interface %u could not be claimed again after the reset (%s)", what,
                device_->description().c_str(), unsigned(number), libusbErrorName(error));
        if (!lost.empty()) {
            const bool busy = std::any_of(lost.begin(), lost.end(), [](const auto& entry) {
                return entry.second == LIBUSB_ERROR_BUSY;
            });
            return busy ? kIOReturnExclusiveAccess : kIOReturnError;
        }
        if (held == 0) {
            platform::platformLog("%s of the %s failed: %s, though the device is still connected", what,
                                  device_->description().c_str(), libusbErrorName(result));
            return kIOReturnError;
        }
        platform::platformLog("%s of the %s: its interfaces were claimed again at the second attempt", what,
                              device_->description().c_str());
        return kIOReturnSuccess;
    }
    if (result != LIBUSB_SUCCESS) {
        platform::platformLog("%s of the %s failed: %s", what, device_->description().c_str(),
                              libusbErrorName(result));
        return ioReturnForLibusbError(result);
    }
    return kIOReturnSuccess;
}

IOReturn LibusbUsbDevice::resetDevice() {
    bool kernelReEnumerates = false;
    return reset("Reset", kernelReEnumerates);
}

IOReturn LibusbUsbDevice::reEnumerate(std::uint32_t /*options*/) {
    // A port reset makes the printer start over exactly as a re-enumeration does, but the kernel
    // keeps the device in place, so no hot-plug notice follows. Announce the departure and return
    // ourselves so that callers see what they expect from a re-enumeration.
    bool kernelReEnumerates = false;
    const IOReturn result = reset("Re-enumeration", kernelReEnumerates);
    if (result == kIOReturnSuccess && !kernelReEnumerates)
        if (const auto events = device_->events()) events->deviceReEnumerated(device_);
    return result;
}

IOReturn LibusbUsbDevice::manufacturerStringIndex(std::uint8_t& index) {
    index = device_->manufacturerStringIndex();
    return kIOReturnSuccess;
}

IOReturn LibusbUsbDevice::productStringIndex(std::uint8_t& index) {
    index = device_->productStringIndex();
    return kIOReturnSuccess;
}

IOReturn LibusbUsbDevice::serialNumberStringIndex(std::uint8_t& index) {
    index = device_->serialNumberStringIndex();
    return kIOReturnSuccess;
}

IOReturn LibusbUsbDevice::deviceRequest(ControlRequest& request) {
    HandleUse use;
    const IOReturn opened = device_->acquire(use);
    if (opened != kIOReturnSuccess) {
        request.wLenDone = 0;
        return opened;
    }
    return performControlRequest(*device_, use.get(), request);
}

} // namespace usb::libusb_backend
