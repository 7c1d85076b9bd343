#include "platform/usb/libusb/LibusbInterface.h"

#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/usb/libusb/LibusbErrors.h"

#include "base/usbstandard.h"

#include <libusb.h>

#include <optional>

namespace usb::libusb_backend {

namespace {

std::atomic<std::uint64_t> gNextRegistryID{0x100000001ull};

constexpr std::uint16_t kInterfaceIndexMask = 0x00FF;
// The printer class's GET_DEVICE_ID (class, interface, device to host) holds the interface number
// in the high byte of its wIndex and the alternate setting in the low byte.
constexpr int kDeviceIDInterfaceShift = 8;

// The interface usbfs insists on for a control request, if any. A class or standard request to an
// interface passes only on an interface the handle has claimed (usbfs claims it silently otherwise,
// until the handle closes); it is named by the low byte of wIndex. GET_DEVICE_ID is let through
// without a claim when its wIndex names a printer-class setting, so it works while another program
// holds the printer; usbfs checks the low byte for any other one, and so do we.
std::optional<std::uint8_t> interfaceToClaim(const DeviceRecord& device, const ControlRequest& request) {
    if ((request.bmRequestType & usbstd::kRecipientMask) != usbstd::kRecipientInterface) return std::nullopt;
    if ((request.bmRequestType & usbstd::kTypeMask) == usbstd::kTypeVendor) return std::nullopt;
    if (request.bmRequestType == usbstd::kRequestTypeClassInterfaceIn &&
        request.bRequest == usbstd::kPrinterGetDeviceId &&
        device.isPrinterSetting(std::uint8_t(request.wIndex >> kDeviceIDInterfaceShift),
                                std::uint8_t(request.wIndex & kInterfaceIndexMask)))
        return std::nullopt;
    return std::uint8_t(request.wIndex & kInterfaceIndexMask);
}

} // namespace

// --- LibusbService -------------------------------------------------------------------------------

class LibusbService::InterestHandle : public Notification {
public:
    InterestHandle(std::weak_ptr<LibusbService> service, std::shared_ptr<Interest> interest)
        : service_(std::move(service)), interest_(std::move(interest)) {}
    ~InterestHandle() override {
        interest_->active = false;
        if (const auto service = service_.lock()) {
            base::MutexLocker lock(service->mutex_);
            std::erase(service->interests_, interest_);
        }
    }

private:
    std::weak_ptr<LibusbService> service_;
    std::shared_ptr<Interest> interest_;
};

LibusbService::LibusbService(std::shared_ptr<DeviceRecord> device, InterfaceInfo info)
    : device_(std::move(device)), info_(std::move(info)), registryID_(gNextRegistryID++) {}

std::string LibusbService::className() const {
    return "IOUSBInterface";
}

bool LibusbService::matches(int interfaceClass, int interfaceSubClass) const {
    if (interfaceClass >= 0 && info_.interfaceClass != interfaceClass) return false;
    return interfaceSubClass < 0 || info_.interfaceSubClass == interfaceSubClass;
}

IOReturn LibusbService::createInterface(std::shared_ptr<UsbInterface>& interface) {
    interface.reset();
    if (terminated_ || device_->isGone()) return kIOReturnNoDevice;
    interface = std::make_shared<LibusbInterface>(shared_from_this());
    return kIOReturnSuccess;
}

IOReturn LibusbService::addInterestNotification(InterestCallback callback, NotificationHandle& handle) {
    handle.reset();
    if (!callback) return kIOReturnBadArgument;
    auto interest = std::make_shared<Interest>();
    interest->callback = std::move(callback);
    {
        base::MutexLocker lock(mutex_);
        interests_.push_back(interest);
    }
    handle = std::make_shared<InterestHandle>(weak_from_this(), std::move(interest));
    return kIOReturnSuccess;
}

void LibusbService::deliverInterest(IOMessage message, void* argument) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    std::vector<std::shared_ptr<Interest>> interests;
    {
        base::MutexLocker lock(mutex_);
        interests = interests_;
    }
    for (const auto& interest : interests)
        if (interest->active) interest->callback(message, argument);
}

// --- LibusbInterface -----------------------------------------------------------------------------

LibusbInterface::LibusbInterface(std::shared_ptr<LibusbService> service)
    : service_(std::move(service)), device_(service_->device()) {}

LibusbInterface::~LibusbInterface() {
    // A printer object that goes away with its interface still open must not leave it claimed.
    bool wasOpen = false;
    {
        base::MutexLocker lock(mutex_);
        if (claimUse_) {
            device_->releaseInterface(claimUse_.get(), service_->info().number);
            wasOpen = true;
        }
    }
    if (wasOpen) announce(kIOMessageServiceWasClosed);
}

bool LibusbInterface::isPresent() const {
    return !service_->isTerminated() && !device_->isGone();
}

void LibusbInterface::announce(IOMessage message) {
    // The node watcher ignores this process's own opens of the device node; the notices for our
    // own opens and closes of the interface come from here, marked as ours, and reach the main
    // thread when usb.h says (behind the command-queue item that made the call).
    std::weak_ptr<LibusbService> weak = service_;
    postOwnNotice([weak, message] {
        if (const auto service = weak.lock(); service && !service->isTerminated())
            service->deliverInterest(message, thisProcessNotice());
    });
}

IOReturn LibusbInterface::openSeize() {
    if (!isPresent()) return kIOReturnNoDevice;
    IOReturn result = kIOReturnSuccess;
    {
        base::MutexLocker lock(mutex_);
        if (claimUse_) return kIOReturnSuccess;
        HandleUse use;
        result = device_->acquire(use);
        // Not even the device could be opened (no permission, gone): nobody attempted the interface.
        if (result != kIOReturnSuccess) return result;
        result = device_->claimInterface(use.get(), service_->info().number);
        if (result == kIOReturnSuccess) {
            claimUse_ = std::move(use);
            readAhead_.clear();
        }
    }
    // The attempt reached the interface: it is ours now, or another program holds it.
    if (result == kIOReturnSuccess || result == kIOReturnExclusiveAccess)
        announce(kIOMessageServiceIsAttemptingOpen);
    return result;
}

IOReturn LibusbInterface::close() {
    IOReturn released = kIOReturnSuccess;
    {
        base::MutexLocker lock(mutex_);
        if (!claimUse_) return kIOReturnSuccess;
        released = device_->releaseInterface(claimUse_.get(), service_->info().number);
        claimUse_.reset();
        readAhead_.clear();
    }
    announce(kIOMessageServiceWasClosed);
    return isPresent() ? released : kIOReturnSuccess;
}

IOReturn LibusbInterface::interfaceClass(std::uint8_t& value) {
    value = service_->info().interfaceClass;
    return kIOReturnSuccess;
}

IOReturn LibusbInterface::interfaceSubClass(std::uint8_t& value) {
    value = service_->info().interfaceSubClass;
    return kIOReturnSuccess;
}

IOReturn LibusbInterface::interfaceNumber(std::uint8_t& value) {
    value = service_->info().number;
    return kIOReturnSuccess;
}

IOReturn LibusbInterface::alternateSetting(std::uint8_t& value) {
    value = service_->info().alternateSetting;
    return kIOReturnSuccess;
}

IOReturn LibusbInterface::configurationValue(std::uint8_t& value) {
    value = device_->configurationValue();
    return kIOReturnSuccess;
}

IOReturn LibusbInterface::deviceVendor(std::uint16_t& value) {
    value = device_->vendorID();
    return kIOReturnSuccess;
}

IOReturn LibusbInterface::deviceProduct(std::uint16_t& value) {
    value = device_->productID();
    return kIOReturnSuccess;
}

IOReturn LibusbInterface::deviceReleaseNumber(std::uint16_t& value) {
    value = device_->releaseNumber();
    return kIOReturnSuccess;
}

IOReturn LibusbInterface::locationID(std::uint32_t& value) {
    value = device_->locationID();
    return kIOReturnSuccess;
}

IOReturn LibusbInterface::numEndpoints(std::uint8_t& count) {
    count = std::uint8_t(service_->info().endpoints.size());
    return kIOReturnSuccess;
}

const EndpointInfo* LibusbInterface::pipe(std::uint8_t pipeRef) const {
    const auto& endpoints = service_->info().endpoints;
    if (pipeRef == 0 || pipeRef > endpoints.size()) return nullptr;
    return &endpoints[pipeRef - 1];
}

IOReturn LibusbInterface::pipeProperties(std::uint8_t pipeRef, PipeProperties& properties) {
    const EndpointInfo* endpoint = pipe(pipeRef);
    if (!endpoint) return kIOUSBUnknownPipeErr;
    properties = endpoint->properties;
    return kIOReturnSuccess;
}

IOReturn LibusbInterface::transferUse(HandleUse& use, const char* what) {
    if (!isPresent()) return kIOReturnNoDevice;
    {
        base::MutexLocker lock(mutex_);
        if (!claimUse_) {
            platform::platformLog("%s on interface %u of the %s refused: the interface is not open", what,
                                  unsigned(service_->info().number), device_->description().c_str());
            return kIOReturnNotOpen;
        }
    }
    // A use of its own keeps the handle open even if the interface is closed meanwhile.
    return device_->acquire(use);
}

IOReturn LibusbInterface::bulkTransfer(const EndpointInfo& endpoint, unsigned char* data, std::uint32_t size,
                                       std::uint32_t& transferred, unsigned int timeout) {
    HandleUse use;
    const char* what = endpoint.properties.direction == kUSBIn ? "Read" : "Write";
    IOReturn result = transferUse(use, what);
    if (result != kIOReturnSuccess) return result;
    int done = 0;
    const int status =
        endpoint.properties.transferType == kUSBInterrupt
            ? libusb_interrupt_transfer(use.get(), endpoint.address, data, int(size), &done, timeout)
            : libusb_bulk_transfer(use.get(), endpoint.address, data, int(size), &done, timeout);
    transferred = done > 0 ? std::uint32_t(done) : 0;
    if (status == LIBUSB_SUCCESS) return kIOReturnSuccess;
    result = ioReturnForTransferError(status);
    if (status == LIBUSB_ERROR_NO_DEVICE) {
        platform::platformLog("%s on endpoint 0x%02x failed: the %s left the bus during the transfer (%s)",
                              what, unsigned(endpoint.address), device_->description().c_str(),
                              libusbErrorName(status));
    } else {
        platform::platformLog("%s on endpoint 0x%02x of the %s failed after %u of %u bytes: %s", what,
                              unsigned(endpoint.address), device_->description().c_str(),
                              unsigned(transferred), unsigned(size), libusbErrorName(status));
    }
    if (status == LIBUSB_ERROR_PIPE) {
        // Clear the halt so the next exchange can use the pipe again; this one still failed.
        const int cleared = libusb_clear_halt(use.get(), endpoint.address);
        if (cleared != LIBUSB_SUCCESS)
            platform::platformLog("Clearing the stall of endpoint 0x%02x of the %s returned %s",
                                  unsigned(endpoint.address), device_->description().c_str(),
                                  libusbErrorName(cleared));
    }
    return result;
}

IOReturn LibusbInterface::writePipe(std::uint8_t pipeRef, const void* data, std::uint32_t size,
                                    std::uint32_t noDataTimeout, std::uint32_t completionTimeout) {
    const EndpointInfo* endpoint = pipe(pipeRef);
    if (!endpoint) return kIOUSBUnknownPipeErr;
    if (endpoint->properties.direction != kUSBOut || (size > 0 && !data)) return kIOReturnBadArgument;
    std::uint32_t written = 0;
    // libusb takes a mutable pointer for both directions; it never writes into an OUT buffer.
    const IOReturn result = bulkTransfer(*endpoint, static_cast<unsigned char*>(const_cast<void*>(data)),
                                         size, written, transferTimeout(noDataTimeout, completionTimeout));
    if (result == kIOReturnSuccess && written != size) {
        platform::platformLog("Write on endpoint 0x%02x of the %s moved %u of %u bytes",
                              unsigned(endpoint->address), device_->description().c_str(), unsigned(written),
                              unsigned(size));
        return kIOReturnUnderrun;
    }
    return result;
}

IOReturn LibusbInterface::readPipe(std::uint8_t pipeRef, void* buffer, std::uint32_t& size,
                                   std::uint32_t noDataTimeout, std::uint32_t completionTimeout) {
    const EndpointInfo* endpoint = pipe(pipeRef);
    if (!endpoint || endpoint->properties.direction != kUSBIn || (size > 0 && !buffer)) {
        size = 0;
        return endpoint ? kIOReturnBadArgument : kIOUSBUnknownPipeErr;
    }
    if (const std::uint64_t resets = device_->resets(); resetsSeen_.exchange(resets) != resets)
        readAhead_.clear();
    // usbfs fails a read with less room than the packet that comes (overflow, the packet lost), so
    // the device is read in whole packets and the caller served from the read-ahead.
    const unsigned int timeout = transferTimeout(noDataTimeout, completionTimeout);
    return readAhead_.read(buffer, size, endpoint->properties.maxPacketSize,
                           [&](std::uint8_t* into, std::uint32_t capacity, std::uint32_t& received) {
                               return bulkTransfer(*endpoint, into, capacity, received, timeout);
                           });
}

IOReturn LibusbInterface::controlRequest(ControlRequest& request) {
    request.wLenDone = 0;
    if (!isPresent()) return kIOReturnNoDevice;
    HandleUse use;
    IOReturn result = device_->acquire(use);
    if (result != kIOReturnSuccess) return result;

    // Claim the interface usbfs wants for the length of this request, unless it is open already;
    // usbfs's own silent claim would last as long as the handle.
    const std::optional<std::uint8_t> claimNumber = interfaceToClaim(*device_, request);
    bool claimedHere = false;
    if (claimNumber && !device_->isClaimed(*claimNumber)) {
        result = device_->claimInterface(use.get(), *claimNumber);
        if (result != kIOReturnSuccess) return result;
        claimedHere = true;
    }
    result = performControlRequest(*device_, use.get(), request);
    if (claimedHere) device_->releaseInterface(use.get(), *claimNumber);
    return result;
}

IOReturn LibusbInterface::device(std::shared_ptr<UsbDevice>& device) {
    device.reset();
    if (!isPresent()) return kIOReturnNoDevice;
    base::MutexLocker lock(mutex_);
    if (!deviceObject_) deviceObject_ = std::make_shared<LibusbUsbDevice>(device_);
    device = deviceObject_;
    return kIOReturnSuccess;
}

std::shared_ptr<UsbService> LibusbInterface::service() {
    return service_;
}

} // namespace usb::libusb_backend
