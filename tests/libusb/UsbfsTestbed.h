// A umockdev testbed with simulated printers behind real usbfs device nodes: libusb enumerates them
// from sysfs, and every ioctl on their nodes is answered live by the same device model the
// in-process simulated bus uses (sim::SimPrinterDevice), so one printer model serves both backends.
//
// Only usable in a process started under umockdev-wrapper (see inMockEnvironment()).
#pragma once

#include "base/threadsafety.h"
#include "devicemodel/SimPrinterDevice.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace usbfs_test {

class UrbResponder;

struct Placement {
    std::uint8_t bus = 1;
    std::uint8_t port = 4;    // on the root hub
    std::uint8_t address = 2; // device number on the bus
};

// Threading: plug(), unplug() and the queries may be called from any thread; the testbed is changed
// under one lock. Restarts the model makes on its own are followed on a thread of the testbed.
class UsbfsTestbed {
public:
    UsbfsTestbed();
    // True when this process runs under umockdev-wrapper. umockdev can only tell once a testbed
    // exists (it looks whether /sys is redirected), and it remembers its first answer, so ask here.
    bool inMockEnvironment() const;
    ~UsbfsTestbed();
    UsbfsTestbed(const UsbfsTestbed&) = delete;
    UsbfsTestbed& operator=(const UsbfsTestbed&) = delete;

    // Plugs `device` in at `where` (sysfs entry, node and ioctl responder, then the "add" uevent).
    // Returns the sysfs path. `descriptors` replaces the model's device and configuration
    // descriptors when given (damaged devices).
    std::string plug(std::shared_ptr<sim::SimPrinterDevice> device, Placement where,
                     const std::vector<std::uint8_t>* descriptors = nullptr);
    // Pulls the device out again: "remove" uevent, then the sysfs entry and node go away. It is no
    // longer followed.
    void unplug(const std::string& syspath);

    // From now on the device behind `syspath` leaves and returns with the model, as the kernel
    // sees a device that re-enumerates: when the model goes off the bus (a restart of its own, a
    // reset that re-enumerates, an unplug) the device is removed; when it comes back, it is added
    // again at the same bus and port, so under the same sysfs path and location, with the next
    // free device number on its bus, a new node and responder and the descriptors of its new
    // enumeration. Both happen on the testbed's own thread, shortly after the model's event.
    void followRestarts(const std::string& syspath);

    // The ioctl responder of a plugged device's node (nullptr while it is off the bus).
    UrbResponder* responder(const std::string& syspath) const;
    // The responder of every enumeration the device had behind `syspath`, oldest first (kept until
    // it is unplugged, so a test can look at the traffic of an enumeration that is over).
    std::vector<std::shared_ptr<UrbResponder>> enumerations(const std::string& syspath) const;
    // The printer driver's node of the device's printer interface ("/dev/usb/lp0"), through which a
    // test plays a print job in flight by opening it.
    std::string printerDriverNode(const std::string& syspath) const;
    // Where the device is now; its address is 0 while it is off the bus.
    Placement placement(const std::string& syspath) const;

    // "/dev/bus/usb/001/002" as this process sees it (umockdev redirects it into the testbed).
    static std::string nodePath(Placement where);
    UMockdevTestbed* testbed() const { return testbed_; }

private:
    struct Slot {
        std::shared_ptr<sim::SimPrinterDevice> device;
        Placement where;
        std::vector<std::uint8_t> descriptors; // replacements; empty: the model's own
        std::string node;                      // empty while off the bus
        std::string printerNode;               // the printer driver's, of the latest enumeration
        UMockdevIoctlBase* handler = nullptr;  // owned; its connections hold the responder
        std::vector<std::shared_ptr<UrbResponder>> enumerations; // the current one last
        int listenerToken = 0;                                   // while followed
    };
    // A model event for the following thread.
    struct Event {
        std::string syspath;
        bool attached = false;
    };
    // What the model's listeners post to. Shared with them, so a listener still running on a
    // model's thread when the testbed goes posts into a closed queue instead of freed memory.
    struct EventQueue {
        base::Mutex mutex;
        std::condition_variable changed;
        std::deque<Event> events GUARDED_BY(mutex);
        bool closed GUARDED_BY(mutex) = false;
    };

    std::string addRootHub(std::uint8_t bus) REQUIRES(mutex_);
    void addDevice(const std::string& syspath, Slot& slot) REQUIRES(mutex_);
    void removeDevice(const std::string& syspath, Slot& slot) REQUIRES(mutex_);
    // The following thread: applies the queued model events in order.
    void follow();

    UMockdevTestbed* testbed_ = nullptr;
    mutable base::Mutex mutex_;
    std::map<std::uint8_t, std::string> rootHubs_ GUARDED_BY(mutex_);
    std::map<std::uint8_t, unsigned> lastAddress_ GUARDED_BY(mutex_);    // per bus
    unsigned printerNodes_ GUARDED_BY(mutex_) = 0;                       // lp nodes made so far
    std::map<std::string, Slot> slots_ GUARDED_BY(mutex_);               // by syspath
    std::vector<UMockdevIoctlBase*> retiredHandlers_ GUARDED_BY(mutex_); // detached, freed last
    const std::shared_ptr<EventQueue> queue_ = std::make_shared<EventQueue>();
    std::thread follower_; // started by the first followRestarts()
};

} // namespace usbfs_test

// In a test's init(): a fresh testbed in `bed`, or a skip (not a pass) when the process does not run
// under umockdev-wrapper.
#define USBFS_TESTBED_OR_SKIP(bed)                                                                           \
    do {                                                                                                     \
        (bed) = std::make_unique<UsbfsTestbed>();                                                            \
        if (!(bed)->inMockEnvironment()) {                                                                   \
            (bed).reset();                                                                                   \
            QSKIP("not running under umockdev-wrapper: the libusb backend tests need umockdev's usbfs "      \
                  "emulation");                                                                              \
        }                                                                                                    \
    } while (false)
