#include "UsbfsTestbed.h"

#include "UrbResponder.h"

#include <umockdev.h>

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace usbfs_test {

namespace {

// A USB 2.0 root hub: device descriptor, then a configuration with one hub interface and its
// interrupt endpoint. libusb needs it as the parent to work out the port path.
const std::vector<std::uint8_t> kRootHubDescriptors = {
    0x12, 0x01, 0x00, 0x02, 0x09, 0x00, 0x01, 0x40, 0x6b, 0x1d, 0x02, 0x00, 0x00, 0x01, 0x03,
    0x02, 0x01, 0x01, 0x09, 0x02, 0x19, 0x00, 0x01, 0x01, 0x00, 0xe0, 0x00, 0x09, 0x04, 0x00,
    0x00, 0x01, 0x09, 0x00, 0x00, 0x00, 0x07, 0x05, 0x81, 0x03, 0x04, 0x00, 0x0c,
};

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", unsigned(b));
        text += pair;
    }
    return text;
}

std::string threeDigits(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%03u", value);
    return text;
}

void addFromString(UMockdevTestbed* testbed, const std::string& description) {
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, description.c_str(), &error)) {
        const std::string message = error ? error->message : "unknown error";
        if (error) g_error_free(error);
        throw std::runtime_error("umockdev_testbed_add_from_string: " + message);
    }
}

} // namespace

bool UsbfsTestbed::inMockEnvironment() const {
    return umockdev_in_mock_environment();
}

UsbfsTestbed::UsbfsTestbed() : testbed_(umockdev_testbed_new()) {}

UsbfsTestbed::~UsbfsTestbed() {
    for (const auto& [syspath, node] : nodes_) {
        umockdev_testbed_detach_ioctl(testbed_, node.path.c_str(), nullptr);
        g_object_unref(node.handler);
    }
    g_object_unref(testbed_);
    // A responder whose handler is still answering a call on umockdev's worker thread lives on
    // until that call returns.
    responders_.clear();
}

UrbResponder* UsbfsTestbed::responder(const std::string& syspath) const {
    const auto it = responders_.find(syspath);
    return it == responders_.end() ? nullptr : it->second.get();
}

std::string UsbfsTestbed::nodePath(Placement where) {
    return "/dev/bus/usb/" + threeDigits(where.bus) + "/" + threeDigits(where.address);
}

std::string UsbfsTestbed::addRootHub(std::uint8_t bus) {
    if (const auto it = rootHubs_.find(bus); it != rootHubs_.end()) return it->second;
    const std::string syspath = "/sys/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(bus);
    const std::string bb = threeDigits(bus);
    addFromString(testbed_, "P: /devices/pci0000:00/0000:00:14.0/usb" + std::to_string(bus) + "\n" +
                                "N: bus/usb/" + bb +
                                "/001\n"
                                "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
                                "E: BUSNUM=" +
                                bb + "\nE: DEVNUM=001\nE: DEVNAME=/dev/bus/usb/" + bb +
                                "/001\n"
                                "A: busnum=" +
                                std::to_string(bus) +
                                "\nA: devnum=1\nA: speed=480\n"
                                "A: bConfigurationValue=1\nA: idVendor=1d6b\nA: idProduct=0002\n"
                                "H: descriptors=" +
                                hex(kRootHubDescriptors) + "\n");
    rootHubs_[bus] = syspath;
    return syspath;
}

std::string UsbfsTestbed::plug(std::shared_ptr<sim::SimPrinterDevice> device, Placement where,
                               const std::vector<std::uint8_t>* descriptors) {
    const std::string hub = addRootHub(where.bus);
    const std::string name = std::to_string(where.bus) + "-" + std::to_string(where.port);
    const std::string devpath = hub.substr(4) + "/" + name; // without "/sys"
    const std::string syspath = "/sys" + devpath;
    const std::string bb = threeDigits(where.bus), ddd = threeDigits(where.address);
    const std::string node = nodePath(where);
    const sim::DeviceIdentity identity = device->identity();

    std::vector<std::uint8_t> blob;
    if (descriptors) {
        blob = *descriptors;
    } else {
        blob = device->deviceDescriptor();
        const auto config = device->configurationDescriptor();
        blob.insert(blob.end(), config.begin(), config.end());
    }
    char ids[64];
    std::snprintf(ids, sizeof ids, "A: idVendor=%04x\nA: idProduct=%04x\n", unsigned(identity.vendorId),
                  unsigned(identity.productId));
    char interfaceAttributes[160];
    std::snprintf(interfaceAttributes, sizeof interfaceAttributes,
                  "A: bInterfaceNumber=%02x\nA: bInterfaceClass=%02x\nA: bInterfaceSubClass=%02x\n"
                  "A: bInterfaceProtocol=%02x\nA: bAlternateSetting=%02x\n",
                  unsigned(identity.interfaceNumber), unsigned(identity.interfaceClass),
                  unsigned(identity.interfaceSubClass), unsigned(identity.interfaceProtocol),
                  unsigned(identity.alternateSetting));

    // The device (its "add" uevent goes out once its attributes and node exist), then its
    // printer-class interface.
    auto responder = std::make_shared<UrbResponder>(device);
    addFromString(testbed_, "P: " + devpath + "\n" + "N: bus/usb/" + bb + "/" + ddd + "\n" +
                                "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: BUSNUM=" + bb +
                                "\nE: DEVNUM=" + ddd + "\nE: DEVNAME=" + node + "\n" +
                                "A: busnum=" + std::to_string(where.bus) +
                                "\nA: devnum=" + std::to_string(where.address) + "\nA: speed=480\n" +
                                "A: bConfigurationValue=" + std::to_string(identity.configurationValue) +
                                "\n" + ids + "H: descriptors=" + hex(blob) + "\n");
    addFromString(testbed_, "P: " + devpath + "/" + name + ":1." + std::to_string(identity.interfaceNumber) +
                                "\n" + "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n" + interfaceAttributes);
    UMockdevIoctlBase* handler = UrbResponder::newHandler(responder);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, node.c_str(), handler, &error)) {
        g_object_unref(handler);
        const std::string message = error ? error->message : "unknown error";
        if (error) g_error_free(error);
        throw std::runtime_error("umockdev_testbed_attach_ioctl: " + message);
    }
    nodes_[syspath] = Node{node, handler};
    responders_[syspath] = std::move(responder);
    return syspath;
}

void UsbfsTestbed::unplug(const std::string& syspath) {
    umockdev_testbed_uevent(testbed_, syspath.c_str(), "remove");
    if (const auto it = nodes_.find(syspath); it != nodes_.end()) {
        umockdev_testbed_detach_ioctl(testbed_, it->second.path.c_str(), nullptr);
        g_object_unref(it->second.handler);
        nodes_.erase(it);
    }
    umockdev_testbed_remove_device(testbed_, syspath.c_str());
    // umockdev leaves the bus links behind; a device plugged into the same port later needs them gone.
    const std::string name = syspath.substr(syspath.rfind('/') + 1);
    gchar* root = umockdev_testbed_get_sys_dir(testbed_);
    const std::string links = std::string(root) + "/bus/usb/devices/";
    g_free(root);
    for (const std::string& link : {links + name, links + name + ":1.0"})
        ::unlink(link.c_str());
    // A call umockdev's worker thread is still finishing (a client going away, say) keeps the
    // responder alive through its handler.
    responders_.erase(syspath);
}

} // namespace usbfs_test
