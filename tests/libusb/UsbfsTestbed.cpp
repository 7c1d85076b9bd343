#include "UsbfsTestbed.h"

#include "UrbResponder.h"

#include <umockdev.h>

#include <algorithm>
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

// The highest device number the kernel gives out on a bus; it then starts again from the lowest
// free one (1 is the root hub).
constexpr unsigned kMaxAddress = 127;

} // namespace

bool UsbfsTestbed::inMockEnvironment() const {
    return umockdev_in_mock_environment();
}

UsbfsTestbed::UsbfsTestbed() : testbed_(umockdev_testbed_new()) {}

UsbfsTestbed::~UsbfsTestbed() {
    {
        base::MutexLocker lock(queue_->mutex);
        queue_->closed = true;
    }
    queue_->changed.notify_all();
    if (follower_.joinable()) follower_.join();
    std::vector<std::shared_ptr<UrbResponder>> responders;
    {
        base::MutexLocker lock(mutex_);
        for (auto& [syspath, slot] : slots_) {
            if (slot.listenerToken) slot.device->removeListener(slot.listenerToken);
            if (slot.handler) {
                umockdev_testbed_detach_ioctl(testbed_, slot.node.c_str(), nullptr);
                retiredHandlers_.push_back(slot.handler);
            }
            responders.insert(responders.end(), slot.enumerations.begin(), slot.enumerations.end());
        }
        slots_.clear();
    }
    g_object_unref(testbed_);
    // A handler still answering a call on umockdev's worker thread keeps its responder alive
    // until that call returns.
    for (UMockdevIoctlBase* handler : retiredHandlers_)
        g_object_unref(handler);
    responders.clear();
}

UrbResponder* UsbfsTestbed::responder(const std::string& syspath) const {
    base::MutexLocker lock(mutex_);
    const auto it = slots_.find(syspath);
    if (it == slots_.end() || !it->second.handler) return nullptr;
    return it->second.enumerations.back().get();
}

std::string UsbfsTestbed::printerDriverNode(const std::string& syspath) const {
    base::MutexLocker lock(mutex_);
    const auto it = slots_.find(syspath);
    return it == slots_.end() ? std::string() : it->second.printerNode;
}

std::vector<std::shared_ptr<UrbResponder>> UsbfsTestbed::enumerations(const std::string& syspath) const {
    base::MutexLocker lock(mutex_);
    const auto it = slots_.find(syspath);
    return it == slots_.end() ? std::vector<std::shared_ptr<UrbResponder>>() : it->second.enumerations;
}

Placement UsbfsTestbed::placement(const std::string& syspath) const {
    base::MutexLocker lock(mutex_);
    const auto it = slots_.find(syspath);
    if (it == slots_.end()) return Placement{0, 0, 0};
    Placement where = it->second.where;
    if (!it->second.handler) where.address = 0;
    return where;
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
    base::MutexLocker lock(mutex_);
    const std::string hub = addRootHub(where.bus);
    const std::string syspath = hub + "/" + std::to_string(where.bus) + "-" + std::to_string(where.port);
    if (const auto it = slots_.find(syspath); it != slots_.end()) {
        // The port's previous device, if the test did not pull it out itself.
        removeDevice(syspath, it->second);
        if (it->second.listenerToken) it->second.device->removeListener(it->second.listenerToken);
        slots_.erase(it);
    }
    Slot& slot = slots_[syspath];
    slot.device = std::move(device);
    slot.where = where;
    if (descriptors) slot.descriptors = *descriptors;
    addDevice(syspath, slot);
    return syspath;
}

void UsbfsTestbed::addDevice(const std::string& syspath, Slot& slot) {
    const Placement where = slot.where;
    const std::string devpath = syspath.substr(4); // without "/sys"
    const std::string name = syspath.substr(syspath.rfind('/') + 1);
    const std::string bb = threeDigits(where.bus), ddd = threeDigits(where.address);
    const std::string node = nodePath(where);
    const sim::DeviceIdentity identity = slot.device->identity();
    unsigned& last = lastAddress_[where.bus];
    last = std::max<unsigned>(last, where.address);

    std::vector<std::uint8_t> blob = slot.descriptors;
    if (blob.empty()) {
        blob = slot.device->deviceDescriptor();
        const auto config = slot.device->configurationDescriptor();
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
    auto responder = std::make_shared<UrbResponder>(slot.device);
    if (!slot.enumerations.empty())
        responder->setKernelDriver(slot.enumerations.back()->kernelDriverLoaded()); // still loaded or not
    // The node answers before anyone learns of it: a program that opens it on the "add" uevent must
    // find its ioctl handler listening.
    UMockdevIoctlBase* handler = UrbResponder::newHandler(responder);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, node.c_str(), handler, &error)) {
        g_object_unref(handler);
        const std::string message = error ? error->message : "unknown error";
        if (error) g_error_free(error);
        throw std::runtime_error("umockdev_testbed_attach_ioctl: " + message);
    }
    addFromString(testbed_, "P: " + devpath + "\n" + "N: bus/usb/" + bb + "/" + ddd + "\n" +
                                "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: BUSNUM=" + bb +
                                "\nE: DEVNUM=" + ddd + "\nE: DEVNAME=" + node + "\n" +
                                "A: busnum=" + std::to_string(where.bus) +
                                "\nA: devnum=" + std::to_string(where.address) + "\nA: speed=480\n" +
                                "A: bConfigurationValue=" + std::to_string(identity.configurationValue) +
                                "\n" + ids + "H: descriptors=" + hex(blob) + "\n");
    const std::string interfacePath = devpath + "/" + name + ":1." + std::to_string(identity.interfaceNumber);
    addFromString(testbed_, "P: " + interfacePath + "\n" + "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n" +
                                interfaceAttributes);
    // The printer driver's node below the interface, where the kernel registers it.
    const std::string lp = "lp" + std::to_string(printerNodes_++);
    addFromString(testbed_, "P: " + interfacePath + "/usbmisc/" + lp + "\nN: usb/" + lp +
                                "\nE: SUBSYSTEM=usbmisc\nE: DEVNAME=/dev/usb/" + lp +
                                "\nA: dev=180:" + std::to_string(printerNodes_ - 1) + "\n");
    slot.printerNode = "/dev/usb/" + lp;
    slot.node = node;
    slot.handler = handler;
    slot.enumerations.push_back(std::move(responder));
}

void UsbfsTestbed::removeDevice(const std::string& syspath, Slot& slot) {
    if (!slot.handler) return; // off the bus already
    umockdev_testbed_uevent(testbed_, syspath.c_str(), "remove");
    umockdev_testbed_detach_ioctl(testbed_, slot.node.c_str(), nullptr);
    // Freed with the testbed: umockdev's worker thread may still be finishing a call of it (a
    // client going away, say), and its connections keep the responder alive meanwhile.
    retiredHandlers_.push_back(slot.handler);
    slot.handler = nullptr;
    slot.node.clear();
    umockdev_testbed_remove_device(testbed_, syspath.c_str());
    // umockdev leaves the bus links behind; a device plugged into the same port later needs them gone.
    const std::string name = syspath.substr(syspath.rfind('/') + 1);
    gchar* root = umockdev_testbed_get_sys_dir(testbed_);
    const std::string links = std::string(root) + "/bus/usb/devices/";
    g_free(root);
    for (const std::string& link : {links + name, links + name + ":1.0"})
        ::unlink(link.c_str());
}

void UsbfsTestbed::unplug(const std::string& syspath) {
    base::MutexLocker lock(mutex_);
    const auto it = slots_.find(syspath);
    if (it == slots_.end()) return;
    if (it->second.listenerToken) it->second.device->removeListener(it->second.listenerToken);
    removeDevice(syspath, it->second);
    slots_.erase(it);
}

void UsbfsTestbed::followRestarts(const std::string& syspath) {
    base::MutexLocker lock(mutex_);
    const auto it = slots_.find(syspath);
    if (it == slots_.end() || it->second.listenerToken) return;
    // The model reports on whichever thread moved it (a timer thread of its own for a restart,
    // umockdev's worker thread for a reset): only posted from there, never acted on.
    it->second.listenerToken = it->second.device->addListener(
        [queue = queue_, syspath](sim::DeviceEvent event, std::uint64_t, std::uint64_t) {
            if (event != sim::DeviceEvent::Attached && event != sim::DeviceEvent::Detached) return;
            {
                base::MutexLocker lock(queue->mutex);
                if (queue->closed) return;
                queue->events.push_back({syspath, event == sim::DeviceEvent::Attached});
            }
            queue->changed.notify_all();
        });
    if (!follower_.joinable()) follower_ = std::thread([this] { follow(); });
}

void UsbfsTestbed::follow() {
    for (;;) {
        Event event;
        {
            base::UniqueLock lock(queue_->mutex);
            queue_->changed.wait(lock.native(), [this]() REQUIRES(queue_->mutex) {
                return queue_->closed || !queue_->events.empty();
            });
            if (queue_->closed) return;
            event = std::move(queue_->events.front());
            queue_->events.pop_front();
        }
        base::MutexLocker lock(mutex_);
        const auto it = slots_.find(event.syspath);
        if (it == slots_.end() || !it->second.listenerToken) continue; // unplugged meanwhile
        Slot& slot = it->second;
        // A return the model has already left again is still added: the departure queued behind
        // it removes it, as the kernel would see a device that drops off during enumeration.
        if (!event.attached) {
            removeDevice(event.syspath, slot);
            continue;
        }
        if (slot.handler && slot.enumerations.back()->generation() == slot.device->generation()) continue;
        removeDevice(event.syspath, slot);
        // The kernel numbers devices on a bus round-robin: the next number after the last one given.
        unsigned address = lastAddress_[slot.where.bus];
        const auto taken = [&](unsigned candidate) REQUIRES(mutex_) {
            for (const auto& [path, other] : slots_)
                if (other.handler && other.where.bus == slot.where.bus && other.where.address == candidate)
                    return true;
            return false;
        };
        do {
            address = address >= kMaxAddress ? 2 : address + 1;
        } while (taken(address));
        slot.where.address = std::uint8_t(address);
        lastAddress_[slot.where.bus] = address;
        addDevice(event.syspath, slot);
    }
}

} // namespace usbfs_test
