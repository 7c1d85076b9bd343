// Plugs the printer family's command set (SimZEVPrinter) into the USB-level device model: frames
// written on bulk OUT go to the printer, its reply records go to the bulk IN pipe after their
// latency, its restarts become re-enumerations, and a power cycle applies the USB serial-number
// switch to the descriptors. At each enumeration the device ID follows the firmware that runs: the
// update firmware answers an empty one.
//
// Power loss and unplugging reach the printer through the device (SimPrinterDevice::powerCycle,
// unplug and replug): the device drops the restart a programming had scheduled, the printer loses
// an unfinished image at that moment and comes back in update mode at the next power-up.
#pragma once

#include "devicemodel/SimPrinterDevice.h"
#include "devicemodel/SimZEVPrinter.h"

#include <atomic>
#include <memory>
#include <string>

namespace sim {

class SimZEVProcessor : public CommandProcessor {
public:
    explicit SimZEVProcessor(std::shared_ptr<SimZEVPrinter> printer);
    SimZEVPrinter& printer() { return *printer_; }
    std::shared_ptr<SimZEVPrinter> sharedPrinter() const { return printer_; }
    // When the printer leaves a query unanswered, the host's next read fails with a time-out at once
    // instead of after its full 5 s (on by default; the outcome is the same, only sooner).
    void setInstantTimeouts(bool on) { instantTimeouts_ = on; }
    // Like a real printer, bytes the host left unread (the rest of a refused or damaged record, a
    // reply that came after the host gave up) stay in the bulk-in stream ahead of the next answer.
    // On, every new answer first throws them away: a forgiving pipe, for tests that need one.
    void setDiscardUnreadReplies(bool on) { discardUnread_ = on; }

    void bulkOut(SimPrinterDevice& device, const std::vector<std::uint8_t>& bytes) override;
    void softReset(SimPrinterDevice& device) override;
    void powerLost(SimPrinterDevice& device) override;
    void restarted(SimPrinterDevice& device, bool powerCycled) override;
    // The printer starts with a state given from outside (kept from an earlier run of the program):
    // the descriptors show the firmware it runs now and its serial-number report, as at a power-up,
    // while the state is left as it was given. Before the device goes on the bus.
    void startedWithState(SimPrinterDevice& device);

private:
    void showFirmwareIdentity(SimPrinterDevice& device, bool powerCycled);

    std::shared_ptr<SimZEVPrinter> printer_;
    // Touched only from the device's processor callbacks, which it serialises.
    bool updateIdentityShown_ = false; // the device ID is the update firmware's (empty)
    std::string normalDeviceId_;       // the ID the printer's own firmware answers, while hidden
    std::atomic<bool> instantTimeouts_{true};
    std::atomic<bool> discardUnread_{false};
};

// A printer of the family as the host sees it on the bus: identity from the model's facts (vendor
// and product id of the build, descriptor strings, IEEE-1284 device ID), the command set plugged in.
struct SimZEVDevice {
    std::shared_ptr<SimPrinterDevice> device;
    std::shared_ptr<SimZEVPrinter> printer;
};
SimZEVDevice makeSimZEVDevice(SimZEVModel model, std::uint32_t locationId);

} // namespace sim
