// A capture played back as a bus (--simulate-from): each printer in it (one per location id) is a
// simulated printer that answers the program exactly as the captured one did, for as long as the
// program asks exactly what the captured run asked.
//
// Each printer walks its own records with a cursor of its own, so printers that ran side by side on
// their command queues replay side by side. An operation of the program (a control request, a bulk
// transfer, opening, closing, resetting or re-enumerating the device, claiming or releasing the
// interface) must be the printer's next record: the same kind, the same setup and OUT data, the same
// endpoint and bytes (a cut record: the same length and digest), the same count asked for. It is then
// answered with the record's result and data. One leeway: the program lets go of the interface
// between two items of work and claims it again unless the next item is queued already, which
// depends on its pace, not on the printer; so a successful release and claim the capture has where
// the run goes straight on are passed over, and one the run makes where the capture went straight on
// is answered with success. What the contract answers without a transfer
// (identity, endpoints, string indexes, class name) comes from the printer's latest arrival.
//
// Arrivals and leaves are the printer's own doing: once the operation before one has been answered
// (or when the program asks something while one is next), it is delivered as the bus's notice, a
// leave ending the enumeration whose objects then answer kIOReturnNoDevice (operations excepted:
// they are still answered from the records, as the captured run had them answered). The printers
// whose records start with an arrival are on the bus from the start.
//
// The first operation that differs from the record, or comes after the printer's last one, is the
// printer's divergence: logged, kept (divergences()), told to the divergence handler, and from then
// on the printer answers kIOReturnNoDevice to everything and has left the bus, so the program's flow
// fails instead of waiting for an answer the capture does not have.
//
// Notices follow usb.h: arrivals, leaves and this process's own opens and closes on the main thread;
// there is no other program on a replayed bus. Thread-safe.
#pragma once

#include "platform/usb/capture/capture.h"
#include "platform/usb/usb.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace usb::capture {

struct ReplayOptions {
    // Keep the captured pace: an operation answers no sooner than it took in the capture, and a
    // printer's arrivals and leaves keep their distance from what came before them. Otherwise
    // everything answers at once (a captured time-out as well).
    bool recordedTiming = false;
};

// Where the program and a capture parted.
struct Divergence {
    std::uint32_t locationId = 0;
    std::size_t recordNumber = 0; // from 1, among all of the capture's records; 0 after the last one
    QString asked;                // the program's operation (describeRequest())
    QString captured;             // the record's (describeRequest()), or "the end of the capture"
    // "printer 0x01100000, record 57: this run asked for ..., the capture has ..."
    QString text() const;
};

class ReplayBus : public UsbBus {
public:
    // `records` in capture order (as readCapture() gives them). Main thread.
    static std::shared_ptr<ReplayBus> create(std::vector<Record> records, ReplayOptions options = {});
    ~ReplayBus() override;

    // Every printer's divergence so far, in the order they happened. Any thread.
    std::vector<Divergence> divergences() const;
    // Told each divergence on the main thread, after it is logged (nullptr: nobody).
    void setDivergenceHandler(std::function<void(const Divergence&)> handler);
    // Whether every printer has played all of its records or diverged: nothing more will come from the
    // bus (a printer that diverged never comes back). Any thread.
    bool finished() const;
    // The location ids of the capture's printers, in ascending order.
    std::vector<std::uint32_t> locations() const;

    // usb::UsbBus
    IOReturn addMatchingNotification(int interfaceClass, int interfaceSubClass, ServiceCallback arrived,
                                     NotificationHandle& handle) override;
    IOReturn addTerminationNotification(int interfaceClass, int interfaceSubClass, ServiceCallback terminated,
                                        NotificationHandle& handle) override;

    struct State; // shared with the host objects, the printers and the posted notices

private:
    ReplayBus() = default;
    std::shared_ptr<State> d;
};

} // namespace usb::capture
