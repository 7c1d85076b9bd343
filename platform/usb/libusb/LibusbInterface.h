// The registry object (usb::UsbService) and the interface object (usb::UsbInterface) of one
// printer-class interface on a libusb device.
//
// A service stands for one arrival of the interface: after the device leaves (or is re-enumerated)
// it is terminated for good and every operation on it and its interface objects answers
// kIOReturnNoDevice; the device's return brings a new service with a new registry id.
#pragma once

#include "base/threadsafety.h"
#include "platform/usb/libusb/LibusbDevice.h"
#include "platform/usb/readahead.h"
#include "platform/usb/usb.h"

#include <atomic>
#include <memory>
#include <vector>

namespace usb::libusb_backend {

class LibusbService : public UsbService, public std::enable_shared_from_this<LibusbService> {
public:
    LibusbService(std::shared_ptr<DeviceRecord> device, InterfaceInfo info);

    std::uint64_t registryID() const override { return registryID_; }
    std::string className() const override;
    IOReturn createInterface(std::shared_ptr<UsbInterface>& interface) override;
    IOReturn addInterestNotification(InterestCallback callback, NotificationHandle& handle) override;

    const std::shared_ptr<DeviceRecord>& device() const { return device_; }
    const InterfaceInfo& info() const { return info_; }
    bool matches(int interfaceClass, int interfaceSubClass) const;

    bool isTerminated() const { return terminated_; }
    void markTerminated() { terminated_ = true; }

    // Main thread only: calls every interest callback registered now and still registered when
    // its turn comes. `argument` is usb::thisProcessNotice() for this process's own opens and closes.
    void deliverInterest(IOMessage message, void* argument = nullptr);

private:
    struct Interest {
        InterestCallback callback;
        std::atomic<bool> active{true};
    };
    class InterestHandle;

    const std::shared_ptr<DeviceRecord> device_;
    const InterfaceInfo info_;
    const std::uint64_t registryID_;
    std::atomic<bool> terminated_{false};
    base::Mutex mutex_;
    std::vector<std::shared_ptr<Interest>> interests_ GUARDED_BY(mutex_);
};

class LibusbInterface : public UsbInterface {
public:
    explicit LibusbInterface(std::shared_ptr<LibusbService> service);
    ~LibusbInterface() override;

    IOReturn openSeize() override;
    IOReturn close() override;

    IOReturn interfaceClass(std::uint8_t& value) override;
    IOReturn interfaceSubClass(std::uint8_t& value) override;
    IOReturn interfaceNumber(std::uint8_t& value) override;
    IOReturn alternateSetting(std::uint8_t& value) override;
    IOReturn configurationValue(std::uint8_t& value) override;
    IOReturn deviceVendor(std::uint16_t& value) override;
    IOReturn deviceProduct(std::uint16_t& value) override;
    IOReturn deviceReleaseNumber(std::uint16_t& value) override;
    IOReturn locationID(std::uint32_t& value) override;

    IOReturn numEndpoints(std::uint8_t& count) override;
    IOReturn pipeProperties(std::uint8_t pipeRef, PipeProperties& properties) override;

    IOReturn writePipe(std::uint8_t pipeRef, const void* data, std::uint32_t size,
                       std::uint32_t noDataTimeout, std::uint32_t completionTimeout) override;
    IOReturn readPipe(std::uint8_t pipeRef, void* buffer, std::uint32_t& size, std::uint32_t noDataTimeout,
                      std::uint32_t completionTimeout) override;
    IOReturn controlRequest(ControlRequest& request) override;

    IOReturn device(std::shared_ptr<UsbDevice>& device) override;
    std::shared_ptr<UsbService> service() override;

private:
    bool isPresent() const;
    const EndpointInfo* pipe(std::uint8_t pipeRef) const;
    void announce(IOMessage message);
    // A use of the handle for one transfer on the claimed interface; kIOReturnNoDevice when gone,
    // kIOReturnNotOpen (logged) when this object has not opened the interface.
    IOReturn transferUse(HandleUse& use, const char* what);
    IOReturn bulkTransfer(const EndpointInfo& endpoint, unsigned char* data, std::uint32_t size,
                          std::uint32_t& transferred, unsigned int timeout);

    const std::shared_ptr<LibusbService> service_;
    const std::shared_ptr<DeviceRecord> device_;
    base::Mutex mutex_;
    HandleUse claimUse_ GUARDED_BY(mutex_); // set while this object holds the claim
    std::shared_ptr<UsbDevice> deviceObject_ GUARDED_BY(mutex_);
    BulkReadAhead readAhead_; // bulk IN in whole packets, cleared on open, close and reset
    std::atomic<std::uint64_t> resetsSeen_{0};
};

} // namespace usb::libusb_backend
