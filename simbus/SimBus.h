// The simulated USB bus: a usb::UsbBus over SimPrinterDevice models, for tests, benchmarks and the
// demo mode (--simulate). Devices are attached by location id; arrival, termination and interest
// notices reach the main thread in the order the devices report them, just as the hardware backend
// delivers them.
//
// Host objects follow the device's enumerations: a service, interface or device object belongs to
// one enumeration (SimPrinterDevice::generation) and answers kIOReturnNoDevice once the device has
// left the bus or come back as a new enumeration, never a dangling pointer.
//
// Codes: Ok -> kIOReturnSuccess, Busy -> kIOReturnExclusiveAccess, Timeout -> kIOReturnTimeout,
// Stall -> kIOUSBPipeStalled, NoDevice -> kIOReturnNoDevice, NotOpen -> kIOReturnNotOpen, Invalid ->
// kIOReturnBadArgument, NoPermission -> kIOReturnNotPrivileged, Error -> kIOReturnError. A pipe
// reference outside 1..numEndpoints answers kIOUSBUnknownPipeErr.
//
// Interest notices follow usb.h: the model's claims and releases by this bus's interface objects
// carry usb::thisProcessNotice(), those of the model's other program (setHeldByOtherProgram) none.
#pragma once

#include "devicemodel/SimPrinterDevice.h"
#include "platform/usb/usb.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace sim {

IOReturn toIOReturn(Status status);

class SimBus : public usb::UsbBus, public std::enable_shared_from_this<SimBus> {
public:
    static std::shared_ptr<SimBus> create();
    ~SimBus() override;

    // Puts `device` on the bus at its identity's location id; an arrival notice follows when the
    // device is attached. False when that location is taken.
    bool attach(std::shared_ptr<SimPrinterDevice> device);
    // Takes the device off the bus for good (as pulling it and not plugging it back): transfers in
    // flight fail, a termination notice follows. Does nothing for an unknown location.
    void detach(std::uint32_t locationId);
    std::shared_ptr<SimPrinterDevice> device(std::uint32_t locationId) const;
    std::vector<std::shared_ptr<SimPrinterDevice>> devices() const;
    // The service of the device's current enumeration, or nothing while it is off the bus.
    std::shared_ptr<usb::UsbService> service(std::uint32_t locationId) const;

    // usb::UsbBus
    IOReturn addMatchingNotification(int interfaceClass, int interfaceSubClass, usb::ServiceCallback arrived,
                                     usb::NotificationHandle& handle) override;
    IOReturn addTerminationNotification(int interfaceClass, int interfaceSubClass,
                                        usb::ServiceCallback terminated,
                                        usb::NotificationHandle& handle) override;

    struct State; // shared with the host objects and notification handles

private:
    SimBus();
    std::shared_ptr<State> d;
};

} // namespace sim
