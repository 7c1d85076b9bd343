#include "UrbResponder.h"

#include <umockdev.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace usbfs_test {

namespace {

// usbfs ioctl requests (x86-64 encodings) and URB layout.
constexpr unsigned long kSubmitUrb = 0x8038550a;
constexpr unsigned long kReapUrbNoDelay = 0x4008550d;
constexpr unsigned long kDiscardUrb = 0x550b;
constexpr unsigned long kGetCapabilities = 0x8004551a;
constexpr unsigned long kClaimInterface = 0x8004550f;
constexpr unsigned long kReleaseInterface = 0x80045510;
constexpr unsigned long kGetDriver = 0x41045508;
constexpr unsigned long kReset = 0x5514;
constexpr unsigned long kClearHalt = 0x80045515;
constexpr unsigned long kDisconnectClaim = 0x8108551b;
// Driver connect/disconnect requests travel inside this one.
constexpr unsigned long kInterfaceIoctl = 0xc0105512;
constexpr std::int32_t kIoctlDisconnect = 0x5516, kIoctlConnect = 0x5517;

// Argument layouts: struct usbdevfs_getdriver, usbdevfs_disconnect_claim, usbdevfs_ioctl.
constexpr std::size_t kDriverNameSize = 256;
constexpr std::size_t kGetDriverSize = 4 + kDriverNameSize, kGetDriverName = 4;
constexpr std::size_t kDisconnectClaimSize = 8 + kDriverNameSize, kDisconnectClaimFlags = 4,
                      kDisconnectClaimDriver = 8;
constexpr std::uint32_t kDisconnectIfDriver = 0x01, kDisconnectExceptDriver = 0x02;
constexpr std::size_t kInterfaceIoctlSize = 16, kInterfaceIoctlCode = 4;
// What usbfs names the driver of an interface a program has claimed, and the printer driver.
constexpr char kUsbfsDriver[] = "usbfs";
constexpr char kPrinterDriver[] = "usblp";
// Interface numbers usbfs keeps claims for.
constexpr unsigned kMaxInterfaces = 32;

constexpr std::size_t kUrbSize = 0x38;
constexpr std::size_t kUrbType = 0, kUrbEndpoint = 1, kUrbStatus = 4, kUrbBuffer = 16, kUrbBufferLength = 24,
                      kUrbActualLength = 28;
constexpr std::uint8_t kUrbTypeInterrupt = 1, kUrbTypeControl = 2, kUrbTypeBulk = 3;
constexpr std::size_t kSetupLength = 8;
// No packet size limit: libusb sends each transfer as one URB.
constexpr std::uint32_t kCapabilityNoPacketSizeLimit = 0x04;

int urbStatusFor(sim::Status status) {
    switch (status) {
    case sim::Status::Ok:
        return 0;
    case sim::Status::Stall:
        return -EPIPE;
    case sim::Status::NoDevice:
        return -ENODEV;
    case sim::Status::Timeout:
        return -ETIMEDOUT;
    // Babble: the packet did not fit the room left in the URB's buffer.
    case sim::Status::Overflow:
        return -EOVERFLOW;
    default:
        return -EPROTO;
    }
}

int errnoFor(sim::Status status) {
    switch (status) {
    case sim::Status::Busy:
        return EBUSY;
    case sim::Status::NoDevice:
        return ENODEV;
    case sim::Status::Invalid:
        return EINVAL;
    case sim::Status::NotOpen:
        return EINVAL;
    default:
        return EIO;
    }
}

template <typename T> T readField(const UMockdevIoctlData* data, std::size_t offset) {
    T value{};
    if (data && offset + sizeof(T) <= std::size_t(data->data_len))
        std::memcpy(&value, data->data + offset, sizeof(T));
    return value;
}

template <typename T> void writeField(UMockdevIoctlData* data, std::size_t offset, T value) {
    if (data && offset + sizeof(T) <= std::size_t(data->data_len))
        std::memcpy(data->data + offset, &value, sizeof(T));
}

// The ioctl argument arrives as the pointer value itself; this fetches what it points to.
UMockdevIoctlData* pointee(UMockdevIoctlData* arg, std::size_t length) {
    if (!arg) return nullptr;
    GError* error = nullptr;
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, length, &error);
    if (error) g_error_free(error);
    return data;
}

using Held = std::shared_ptr<UrbResponder>;

gboolean onHandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer held) {
    return (*static_cast<Held*>(held))->handle(client);
}

void onClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer held) {
    (*static_cast<Held*>(held))->clientGone(client);
}

void dropHeld(gpointer held, GClosure*) {
    delete static_cast<Held*>(held);
}

} // namespace

UrbResponder::UrbResponder(std::shared_ptr<sim::SimPrinterDevice> device)
    : device_(std::move(device)), generation_(device_->generation()) {}

UrbResponder::~UrbResponder() {
    base::MutexLocker lock(mutex_);
    for (Urb& urb : pending_)
        release(urb);
    for (Urb& urb : completed_)
        release(urb);
}

UMockdevIoctlBase* UrbResponder::newHandler(const std::shared_ptr<UrbResponder>& responder) {
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect_data(handler, "handle-ioctl", G_CALLBACK(onHandleIoctl), new Held(responder), dropHeld,
                          GConnectFlags(0));
    g_signal_connect_data(handler, "client-vanished", G_CALLBACK(onClientVanished), new Held(responder),
                          dropHeld, GConnectFlags(0));
    return handler;
}

int UrbResponder::submittedUrbs() const {
    base::MutexLocker lock(mutex_);
    return submitted_;
}

std::vector<int> UrbResponder::bulkOutLengths() const {
    base::MutexLocker lock(mutex_);
    return bulkOutLengths_;
}

bool UrbResponder::present() const {
    // A re-enumerated device gets a new node; the old one never answers again.
    return device_->isAttached() && device_->generation() == generation_;
}

void UrbResponder::setKernelDriver(bool loadedAndBound) {
    base::MutexLocker lock(mutex_);
    kernelDriverLoaded_ = kernelDriverBound_ = loadedAndBound;
}

bool UrbResponder::kernelDriverLoaded() const {
    base::MutexLocker lock(mutex_);
    return kernelDriverLoaded_;
}

bool UrbResponder::kernelDriverBound() const {
    base::MutexLocker lock(mutex_);
    return kernelDriverBound_;
}

int UrbResponder::kernelDriverDetaches() const {
    base::MutexLocker lock(mutex_);
    return kernelDriverDetaches_;
}

int UrbResponder::kernelDriverReattaches() const {
    base::MutexLocker lock(mutex_);
    return kernelDriverReattaches_;
}

void UrbResponder::setResetReEnumerates(bool on) {
    base::MutexLocker lock(mutex_);
    resetReEnumerates_ = on;
}

void UrbResponder::setBulkOutHandler(BulkOutHandler handler) {
    base::MutexLocker lock(mutex_);
    bulkOutHandler_ = std::move(handler);
}

std::uint64_t UrbResponder::clientId(UMockdevIoctlClient* client) {
    auto it = clients_.find(client);
    if (it == clients_.end()) it = clients_.emplace(client, sim::SimPrinterDevice::newClientId()).first;
    return it->second;
}

void UrbResponder::clientGone(UMockdevIoctlClient* client) {
    std::uint64_t id = 0;
    {
        base::MutexLocker lock(mutex_);
        const auto it = clients_.find(client);
        if (it == clients_.end()) return;
        id = it->second;
        clients_.erase(it);
    }
    // A closed descriptor gives up its claim, as the kernel does.
    if (device_->claimHolder() == id) device_->release(id);
}

void UrbResponder::release(Urb& urb) {
    if (urb.buffer) g_object_unref(urb.buffer);
    if (urb.urb) g_object_unref(urb.urb);
    urb.buffer = urb.urb = nullptr;
}

bool UrbResponder::handle(UMockdevIoctlClient* client) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    switch (request) {
    case kSubmitUrb:
        return submit(client);
    case kReapUrbNoDelay:
        return reap(client);
    case kDiscardUrb:
        return discard(client);
    case kGetCapabilities:
        writeField<std::uint32_t>(pointee(arg, sizeof(std::uint32_t)), 0, kCapabilityNoPacketSizeLimit);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    case kGetDriver:
        return getDriver(client);
    case kDisconnectClaim:
        return disconnectAndClaim(client);
    case kInterfaceIoctl:
        return interfaceIoctl(client);
    case kClaimInterface:
        return claimOrRelease(client, true);
    case kReleaseInterface:
        return claimOrRelease(client, false);
    case kReset:
        return reset(client);
    case kClearHalt: {
        // The argument points at the endpoint address; a halted endpoint stalls until cleared.
        const UMockdevIoctlData* endpoint = pointee(arg, sizeof(unsigned int));
        const bool here = present();
        if (here && endpoint) device_->clearHalt(std::uint8_t(readField<unsigned int>(endpoint, 0)));
        umockdev_ioctl_client_complete(client, here ? 0 : -1, here ? 0 : ENODEV);
        return true;
    }
    default:
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return true;
    }
}

namespace {

void completeWith(UMockdevIoctlClient* client, int error, int result = 0) {
    if (error)
        umockdev_ioctl_client_complete(client, -1, error);
    else
        umockdev_ioctl_client_complete(client, result, 0);
}

} // namespace

const char* UrbResponder::boundDriver() const {
    if (device_->isClaimed()) return kUsbfsDriver;
    return kernelDriverBound_ ? kPrinterDriver : "";
}

bool UrbResponder::claimOrRelease(UMockdevIoctlClient* client, bool claim) {
    const auto number = readField<std::uint32_t>(pointee(umockdev_ioctl_client_get_arg(client), 4), 0);
    base::MutexLocker lock(mutex_);
    const std::uint64_t id = clientId(client);
    int error = 0;
    if (number != device_->identity().interfaceNumber) {
        error = claim ? ENOENT : EINVAL; // no such interface, or not claimed
    } else if (claim && !present()) {
        error = ENODEV; // also when the model is back as a new enumeration behind another node
    } else if (claim && kernelDriverBound_) {
        error = EBUSY; // usbfs claims only an interface no driver holds
    } else {
        const sim::Status status = claim ? device_->claim(id) : device_->release(id);
        if (status != sim::Status::Ok) error = errnoFor(status);
    }
    completeWith(client, error);
    return true;
}

bool UrbResponder::getDriver(UMockdevIoctlClient* client) {
    UMockdevIoctlData* data = pointee(umockdev_ioctl_client_get_arg(client), kGetDriverSize);
    const auto number = readField<std::uint32_t>(data, 0);
    base::MutexLocker lock(mutex_);
    int error = 0;
    if (!data) {
        error = EFAULT;
    } else if (!present()) {
        error = ENODEV;
    } else if (number != device_->identity().interfaceNumber || !*boundDriver()) {
        error = ENODATA;
    } else {
        std::memset(data->data + kGetDriverName, 0, kDriverNameSize);
        std::strcpy(reinterpret_cast<char*>(data->data + kGetDriverName), boundDriver());
    }
    completeWith(client, error);
    return true;
}

bool UrbResponder::disconnectAndClaim(UMockdevIoctlClient* client) {
    UMockdevIoctlData* data = pointee(umockdev_ioctl_client_get_arg(client), kDisconnectClaimSize);
    const auto number = readField<std::uint32_t>(data, 0);
    const auto flags = readField<std::uint32_t>(data, kDisconnectClaimFlags);
    const std::string named =
        data ? std::string(reinterpret_cast<const char*>(data->data + kDisconnectClaimDriver),
                           strnlen(reinterpret_cast<const char*>(data->data + kDisconnectClaimDriver),
                                   kDriverNameSize))
             : std::string();
    base::MutexLocker lock(mutex_);
    const std::uint64_t id = clientId(client);
    int error = 0;
    if (!data) {
        error = EFAULT;
    } else if (!present()) {
        error = ENODEV;
    } else if (number != device_->identity().interfaceNumber) {
        error = EINVAL;
    } else if (const std::string bound = boundDriver(); !bound.empty()) {
        // Another program's claim is never taken away here (libusb always excepts usbfs anyway).
        if (((flags & kDisconnectIfDriver) && named != bound) ||
            ((flags & kDisconnectExceptDriver) && named == bound) || bound == kUsbfsDriver) {
            error = EBUSY;
        } else {
            kernelDriverBound_ = false;
            ++kernelDriverDetaches_;
        }
    }
    if (!error) {
        const sim::Status status = device_->claim(id);
        if (status != sim::Status::Ok) error = errnoFor(status);
    }
    completeWith(client, error);
    return true;
}

bool UrbResponder::interfaceIoctl(UMockdevIoctlClient* client) {
    UMockdevIoctlData* data = pointee(umockdev_ioctl_client_get_arg(client), kInterfaceIoctlSize);
    const auto number = readField<std::int32_t>(data, 0);
    const auto code = readField<std::int32_t>(data, kInterfaceIoctlCode);
    base::MutexLocker lock(mutex_);
    int error = 0, result = 0;
    if (!data) {
        error = EFAULT;
    } else if (!present()) {
        error = ENODEV;
    } else if (number != int(device_->identity().interfaceNumber)) {
        error = EINVAL;
    } else if (code == kIoctlDisconnect) {
        if (kernelDriverBound_ && !device_->isClaimed()) {
            kernelDriverBound_ = false;
            ++kernelDriverDetaches_;
        } else {
            error = ENODATA;
        }
    } else if (code == kIoctlConnect) {
        // The kernel probes its drivers for a free interface; the answer is 1 when one bound.
        if (device_->isClaimed() || kernelDriverBound_) {
            error = EBUSY;
        } else if (kernelDriverLoaded_) {
            kernelDriverBound_ = true;
            ++kernelDriverReattaches_;
            result = 1;
        }
    } else {
        error = ENOTTY;
    }
    completeWith(client, error, result);
    return true;
}

bool UrbResponder::reset(UMockdevIoctlClient* client) {
    if (!present()) {
        completeWith(client, ENODEV);
        return true;
    }
    std::uint64_t id;
    bool reEnumerates;
    {
        base::MutexLocker lock(mutex_);
        id = clientId(client);
        reEnumerates = resetReEnumerates_;
    }
    if (reEnumerates) {
        // The device came back as a new one: the old node answers ENODEV from now on.
        device_->unplug();
        completeWith(client, ENODEV);
        return true;
    }
    device_->openDevice(id);
    const sim::Status status = device_->resetDevice(id);
    device_->closeDevice(id);
    completeWith(client, status == sim::Status::Ok ? 0 : errnoFor(status));
    return true;
}

int UrbResponder::checkControlRecipient(const sim::SetupPacket& setup, std::uint64_t client) {
    using namespace usbstd;
    if ((setup.bmRequestType & kRecipientMask) != kRecipientInterface) return 0;
    if ((setup.bmRequestType & kTypeMask) == kTypeVendor) return 0;
    const sim::DeviceIdentity id = device_->identity();
    // GET_DEVICE_ID to a printer-class setting passes without a claim.
    if (setup.bmRequestType == kRequestTypeClassInterfaceIn && setup.bRequest == kPrinterGetDeviceId &&
        (setup.wIndex >> 8) == id.interfaceNumber && (setup.wIndex & 0xFF) == id.alternateSetting &&
        id.interfaceClass == kInterfaceClassPrinter)
        return 0;
    const unsigned number = setup.wIndex & 0xFF;
    if (number >= kMaxInterfaces) return EINVAL;
    if (number != id.interfaceNumber) return ENOENT;
    if (device_->claimHolder() == client) return 0;
    // Not claimed by the caller: usbfs claims it on its behalf, until the descriptor closes.
    if (kernelDriverBound_) return EBUSY;
    const sim::Status status = device_->claim(client);
    return status == sim::Status::Ok ? 0 : errnoFor(status);
}

bool UrbResponder::submit(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = pointee(umockdev_ioctl_client_get_arg(client), kUrbSize);
    if (!arg) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return true;
    }
    Urb urb;
    urb.type = readField<std::uint8_t>(arg, kUrbType);
    urb.endpoint = readField<std::uint8_t>(arg, kUrbEndpoint);
    const int length = readField<std::int32_t>(arg, kUrbBufferLength);
    if (!present()) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    if (length < 0 ||
        (urb.type != kUrbTypeControl && urb.type != kUrbTypeBulk && urb.type != kUrbTypeInterrupt) ||
        (urb.type == kUrbTypeControl && std::size_t(length) < kSetupLength)) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return true;
    }
    if (length > 0) {
        GError* error = nullptr;
        urb.buffer = umockdev_ioctl_data_resolve(arg, kUrbBuffer, std::size_t(length), &error);
        if (!urb.buffer) {
            if (error) g_error_free(error);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return true;
        }
        g_object_ref(urb.buffer);
    }
    urb.urb = static_cast<UMockdevIoctlData*>(g_object_ref(arg));

    base::MutexLocker lock(mutex_);
    ++submitted_;
    urb.client = clientId(client);
    if (urb.type == kUrbTypeControl) {
        const auto* bytes = urb.buffer->data;
        const sim::SetupPacket setup = sim::SetupPacket::fromBytes(bytes);
        if (const int error = checkControlRecipient(setup, urb.client)) {
            --submitted_;
            release(urb);
            umockdev_ioctl_client_complete(client, -1, error);
            return true;
        }
        std::vector<std::uint8_t> data;
        if (!setup.isIn())
            data.assign(bytes + kSetupLength,
                        bytes + kSetupLength +
                            std::min<std::size_t>(setup.wLength, std::size_t(length) - kSetupLength));
        const sim::Status status = device_->control(setup, data);
        if (status == sim::Status::Timeout) {
            pending_.push_back(urb); // never answers: libusb's time-out discards it
        } else if (setup.isIn()) {
            data.resize(std::min(data.size(), std::size_t(length) - kSetupLength));
            finish(urb, urbStatusFor(status), &data);
        } else {
            urb.actualLength = status == sim::Status::Ok ? int(data.size()) : 0;
            finish(urb, urbStatusFor(status), nullptr);
        }
    } else if (urb.endpoint & usbstd::kEndpointDirIn) {
        std::vector<std::uint8_t> data;
        const sim::Status status = device_->bulkIn(urb.endpoint, data, std::size_t(length), 0);
        if (status == sim::Status::Timeout)
            pending_.push_back(urb);
        else
            finish(urb, urbStatusFor(status), &data);
    } else {
        const std::uint8_t* bytes = urb.buffer ? urb.buffer->data : nullptr;
        bulkOutLengths_.push_back(length);
        const sim::Status status =
            bulkOutHandler_
                ? bulkOutHandler_(urb.endpoint, bytes, std::size_t(length))
                : device_->bulkOut(urb.endpoint, std::vector<std::uint8_t>(bytes, bytes + length));
        urb.actualLength = status == sim::Status::Ok ? length : 0;
        finish(urb, urbStatusFor(status), nullptr);
    }
    umockdev_ioctl_client_complete(client, 0, 0);
    return true;
}

void UrbResponder::finish(Urb urb, int status, const std::vector<std::uint8_t>* data) {
    if (data && urb.buffer) {
        const std::size_t offset = urb.type == kUrbTypeControl ? kSetupLength : 0;
        const std::size_t room = std::size_t(urb.buffer->data_len) - offset;
        const std::size_t n = std::min(room, data->size());
        if (n) std::memcpy(urb.buffer->data + offset, data->data(), n);
        urb.actualLength = int(n);
    }
    urb.status = status;
    completed_.push_back(urb);
}

void UrbResponder::pollPending() {
    const bool attached = present();
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (!attached) {
            finish(*it, -ENODEV, nullptr);
            it = pending_.erase(it);
            continue;
        }
        if (it->type != kUrbTypeControl && device_->hasReplyReady()) {
            std::vector<std::uint8_t> data;
            const sim::Status status =
                device_->bulkIn(it->endpoint, data, std::size_t(it->buffer ? it->buffer->data_len : 0), 0);
            if (status != sim::Status::Timeout) {
                finish(*it, urbStatusFor(status), &data);
                it = pending_.erase(it);
                continue;
            }
        }
        ++it;
    }
}

bool UrbResponder::reap(UMockdevIoctlClient* client) {
    // The argument points at the caller's pointer, which is set to the reaped URB.
    UMockdevIoctlData* arg = pointee(umockdev_ioctl_client_get_arg(client), sizeof(void*));
    if (!arg) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return true;
    }
    Urb urb;
    {
        base::MutexLocker lock(mutex_);
        pollPending();
        if (completed_.empty()) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return true;
        }
        urb = completed_.front();
        completed_.pop_front();
    }
    writeField<std::int32_t>(urb.urb, kUrbStatus, urb.status);
    writeField<std::int32_t>(urb.urb, kUrbActualLength, urb.actualLength);
    umockdev_ioctl_data_set_ptr(arg, 0, urb.urb);
    umockdev_ioctl_client_complete(client, 0, 0);
    release(urb);
    return true;
}

bool UrbResponder::discard(UMockdevIoctlClient* client) {
    // The argument is the address of the URB to discard.
    const gulong address = readField<gulong>(umockdev_ioctl_client_get_arg(client), 0);
    base::MutexLocker lock(mutex_);
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->urb->client_addr != address) continue;
        finish(*it, -ENOENT, nullptr);
        pending_.erase(it);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
    return true;
}

} // namespace usbfs_test
