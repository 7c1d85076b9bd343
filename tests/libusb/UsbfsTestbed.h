// A umockdev testbed with simulated printers behind real usbfs device nodes: libusb enumerates them
// from sysfs, and every ioctl on their nodes is answered live by the same device model the
// in-process simulated bus uses (sim::SimPrinterDevice), so one printer model serves both backends.
//
// Only usable in a process started under umockdev-wrapper (see inMockEnvironment()).
#pragma once

#include "devicemodel/SimPrinterDevice.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
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
    // Pulls the device out again: "remove" uevent, then the sysfs entry and node go away.
    void unplug(const std::string& syspath);

    // The ioctl responder of a plugged device's node (nullptr once unplugged).
    UrbResponder* responder(const std::string& syspath) const;

    // "/dev/bus/usb/001/002" as this process sees it (umockdev redirects it into the testbed).
    static std::string nodePath(Placement where);
    UMockdevTestbed* testbed() const { return testbed_; }

private:
    std::string addRootHub(std::uint8_t bus);

    UMockdevTestbed* testbed_ = nullptr;
    std::map<std::uint8_t, std::string> rootHubs_;
    struct Node {
        std::string path;
        UMockdevIoctlBase* handler = nullptr; // owned; its connections hold the responder
    };
    std::map<std::string, Node> nodes_;                               // syspath -> node
    std::map<std::string, std::shared_ptr<UrbResponder>> responders_; // syspath -> responder
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
