// The libusb backend against simulated printers behind umockdev's usbfs: enumeration, identity,
// control and bulk transfers, exclusive access, time-outs, hot-plug, re-enumeration and damaged or
// vanishing devices. Runs under umockdev-wrapper; skips (not passes) without it.
#include "UrbResponder.h"
#include "UsbfsTestbed.h"

#include "common/testsupport.h"
#include "devicemodel/SimPrinterDevice.h"
#include "platform/usb/libusb/LibusbBus.h"

#include <QElapsedTimer>
#include <QTest>

#include <libusb.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <vector>

using namespace usbfs_test;

namespace {

constexpr std::uint16_t kVendor = 0x1234;
constexpr std::uint16_t kProduct = 0x5678;
constexpr int kNoticeWaitMs = 3000;

sim::DeviceIdentity printerIdentity(std::uint32_t locationId = 0x01400000) {
    sim::DeviceIdentity identity;
    identity.vendorId = kVendor;
    identity.productId = kProduct;
    identity.bcdDevice = 0x0203;
    identity.locationId = locationId;
    identity.languages = {0x0407, 0x0409};
    identity.manufacturer = u"ACME";
    identity.product = u"Photo 42";
    identity.serialNumber = u"SN0001";
    identity.deviceId1284 = "MFG:ACME;MDL:Photo 42;CMD:RAW;";
    return identity;
}

std::vector<std::uint8_t> toBytes(const QByteArray& text) {
    return {text.begin(), text.end()};
}

// Everything the bus announces, in order.
struct Notices {
    std::vector<std::shared_ptr<usb::UsbService>> arrived;
    std::vector<std::shared_ptr<usb::UsbService>> terminated;
    usb::NotificationHandle matching, termination;

    void listen(usb::UsbBus& bus, int subClass = usb::kUSBPrintingSubClass) {
        QCOMPARE(bus.addMatchingNotification(
                     usb::kUSBPrintingClass, subClass, [this](auto service) { arrived.push_back(service); },
                     matching),
                 kIOReturnSuccess);
        QCOMPARE(bus.addTerminationNotification(
                     usb::kUSBPrintingClass, subClass,
                     [this](auto service) { terminated.push_back(service); }, termination),
                 kIOReturnSuccess);
    }
};

struct InterestLog {
    std::vector<IOMessage> messages;
    int ours = 0; // notices marked as this process's own open or close
    usb::NotificationHandle handle;
    void listen(usb::UsbService& service) {
        QCOMPARE(service.addInterestNotification(
                     [this](IOMessage m, void* argument) {
                         messages.push_back(m);
                         if (argument == usb::thisProcessNotice()) ++ours;
                     },
                     handle),
                 kIOReturnSuccess);
    }
    int count(IOMessage m) const { return int(std::count(messages.begin(), messages.end(), m)); }
};

std::shared_ptr<usb::UsbInterface> interfaceOf(const std::shared_ptr<usb::UsbService>& service) {
    std::shared_ptr<usb::UsbInterface> interface;
    if (service->createInterface(interface) != kIOReturnSuccess) return nullptr;
    return interface;
}

// A bus that has seen the one printer plugged in, and an interface object of it.
struct Arrival {
    std::shared_ptr<usb::UsbBus> bus = usb::makeLibusbBus();
    Notices notices;
    std::shared_ptr<usb::UsbInterface> interface;
    bool awaited() {
        notices.listen(*bus);
        if (!QTest::qWaitFor([this] { return notices.arrived.size() == 1; }, kNoticeWaitMs)) return false;
        interface = interfaceOf(notices.arrived[0]);
        return interface != nullptr;
    }
};

IOReturn getDescriptor(usb::UsbInterface& interface, std::uint16_t wValue, std::uint16_t wIndex,
                       std::vector<std::uint8_t>& out) {
    out.assign(256, 0);
    usb::ControlRequest request;
    request.bmRequestType = 0x80;
    request.bRequest = 6;
    request.wValue = wValue;
    request.wIndex = wIndex;
    request.wLength = 256;
    request.data = out.data();
    request.noDataTimeout = 500;
    request.completionTimeout = 1000;
    const IOReturn result = interface.controlRequest(request);
    out.resize(request.wLenDone);
    return result;
}

// Bulk pipes of a printer interface: (out, in).
std::pair<std::uint8_t, std::uint8_t> bulkPipes(usb::UsbInterface& interface) {
    std::uint8_t count = 0, out = 0, in = 0;
    interface.numEndpoints(count);
    for (std::uint8_t ref = 1; ref <= count; ++ref) {
        usb::PipeProperties properties;
        if (interface.pipeProperties(ref, properties) != kIOReturnSuccess ||
            properties.transferType != usb::kUSBBulk)
            continue;
        (properties.direction == usb::kUSBOut ? out : in) = ref;
    }
    return {out, in};
}

} // namespace

class LibusbBusTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UsbfsTestbed> bed;

    std::shared_ptr<sim::SimPrinterDevice> printer(std::uint32_t locationId = 0x01400000) {
        return sim::SimPrinterDevice::create(printerIdentity(locationId),
                                             std::make_shared<sim::EchoProcessor>());
    }

private slots:
    void init() { USBFS_TESTBED_OR_SKIP(bed); }
    void cleanup() { bed.reset(); }

    void enumeratesPrintersWithTheirIdentity() {
        bed->plug(printer(), {1, 4, 2});
        sim::DeviceIdentity other = printerIdentity(0x01500000);
        other.interfaceSubClass = 2; // printer by class only
        bed->plug(sim::SimPrinterDevice::create(other), {1, 5, 3});

        auto bus = usb::makeLibusbBus();
        QVERIFY(bus);
        Notices notices;
        notices.listen(*bus);
        Notices anySubClass;
        anySubClass.listen(*bus, -1);
        QTRY_COMPARE_WITH_TIMEOUT(anySubClass.arrived.size(), size_t(2), kNoticeWaitMs);
        QCOMPARE(notices.arrived.size(), size_t(1));
        QVERIFY(notices.arrived[0]->registryID() == anySubClass.arrived[0]->registryID() ||
                notices.arrived[0]->registryID() == anySubClass.arrived[1]->registryID());

        auto interface = interfaceOf(notices.arrived[0]);
        QVERIFY(interface);
        std::uint8_t u8 = 0;
        std::uint16_t u16 = 0;
        std::uint32_t u32 = 0;
        QCOMPARE(interface->interfaceClass(u8), kIOReturnSuccess);
        QCOMPARE(u8, std::uint8_t(7));
        interface->interfaceSubClass(u8);
        QCOMPARE(u8, std::uint8_t(1));
        interface->deviceVendor(u16);
        QCOMPARE(u16, kVendor);
        interface->deviceProduct(u16);
        QCOMPARE(u16, kProduct);
        interface->deviceReleaseNumber(u16);
        QCOMPARE(u16, std::uint16_t(0x0203));
        interface->locationID(u32);
        QCOMPARE(u32, 0x01400000u); // bus 1, port 4
        interface->configurationValue(u8);
        QCOMPARE(u8, std::uint8_t(1));
        const auto [out, in] = bulkPipes(*interface);
        QVERIFY(out != 0 && in != 0 && out != in);
        usb::PipeProperties properties;
        QCOMPARE(interface->pipeProperties(9, properties), kIOUSBUnknownPipeErr);

        std::shared_ptr<usb::UsbDevice> device;
        QCOMPARE(interface->device(device), kIOReturnSuccess);
        device->serialNumberStringIndex(u8);
        QCOMPARE(u8, sim::DeviceIdentity::kSerialNumberIndex);
    }

    void readsDeviceIdLanguagesAndStrings() {
        auto model = printer();
        bed->plug(model, {1, 4, 2});
        Arrival arrival;
        QVERIFY(arrival.awaited());
        auto interface = arrival.interface;

        // GET_DEVICE_ID on the interface, which is not open: big-endian length, then the text.
        std::vector<std::uint8_t> buffer(65535, 0xEE);
        usb::ControlRequest request;
        request.bmRequestType = 0xA1;
        request.bRequest = 0;
        request.wValue = 0;
        request.wIndex = 0;
        request.wLength = 65535;
        request.data = buffer.data();
        request.noDataTimeout = request.completionTimeout = 100;
        QCOMPARE(interface->controlRequest(request), kIOReturnSuccess);
        const std::string text = "MFG:ACME;MDL:Photo 42;CMD:RAW;";
        QCOMPARE(request.wLenDone, std::uint32_t(text.size() + 2));
        QCOMPARE(int(buffer[0] << 8 | buffer[1]), int(text.size() + 2));
        QCOMPARE(std::string(buffer.begin() + 2, buffer.begin() + 2 + long(text.size())), text);
        // GET_DEVICE_ID needs no claim, and none is left behind.
        QVERIFY(!model->isClaimed());

        std::vector<std::uint8_t> descriptor;
        QCOMPARE(getDescriptor(*interface, 0x0300, 0, descriptor), kIOReturnSuccess);
        QCOMPARE(descriptor, (std::vector<std::uint8_t>{6, 3, 0x07, 0x04, 0x09, 0x04}));
        QCOMPARE(getDescriptor(*interface, 0x0302, 0x0409, descriptor), kIOReturnSuccess);
        QCOMPARE(descriptor, (std::vector<std::uint8_t>{18, 3, 'P', 0, 'h', 0, 'o', 0, 't', 0, 'o', 0, ' ', 0,
                                                        '4', 0, '2', 0}));

        // A string the device does not have stalls, and the request reports it.
        testsupport::LogCapture log;
        QCOMPARE(getDescriptor(*interface, 0x0309, 0x0409, descriptor), kIOUSBPipeStalled);
        QVERIFY(log.contains("LIBUSB_ERROR_PIPE"));
        // The device object answers device requests too.
        std::shared_ptr<usb::UsbDevice> device;
        interface->device(device);
        std::vector<std::uint8_t> deviceDescriptor(18);
        usb::ControlRequest get{0x80, 6, 0x0100, 0, 18, deviceDescriptor.data(), 0, 100, 100};
        QCOMPARE(device->deviceRequest(get), kIOReturnSuccess);
        QCOMPARE(deviceDescriptor, model->deviceDescriptor());
    }

    void theDeviceIdNeedsNoClaimEvenOnAHeldPrinter() {
        // Interface 1, so that GET_DEVICE_ID's wIndex (interface << 8 | alternate setting) differs
        // from a plain interface index.
        sim::DeviceIdentity identity = printerIdentity();
        identity.interfaceNumber = 1;
        auto model = sim::SimPrinterDevice::create(identity, std::make_shared<sim::EchoProcessor>());
        const std::string syspath = bed->plug(model, {1, 4, 2});
        UrbResponder* node = bed->responder(syspath);
        Arrival arrival;
        QVERIFY(arrival.awaited());
        auto interface = arrival.interface;
        std::uint8_t number = 0, alternate = 0;
        interface->interfaceNumber(number);
        interface->alternateSetting(alternate);
        QCOMPARE(number, std::uint8_t(1));

        model->setHeldByOtherProgram(true);
        std::vector<std::uint8_t> buffer(1024);
        usb::ControlRequest deviceId{
            0xA1, 0, 0, std::uint16_t(number << 8 | alternate), 1024, buffer.data(), 0, 100, 100};
        QCOMPARE(interface->controlRequest(deviceId), kIOReturnSuccess);
        const std::string text = "MFG:ACME;MDL:Photo 42;CMD:RAW;";
        QCOMPARE(std::string(buffer.begin() + 2, buffer.begin() + long(deviceId.wLenDone)), text);
        QCOMPARE(node->kernelDriverDetaches(), 0); // the printer driver was left alone

        // GET_PORT_STATUS names the interface in the low byte and needs it: not while it is held.
        usb::ControlRequest portStatus{0xA1, 1, 0, number, 1, buffer.data(), 0, 100, 100};
        QCOMPARE(interface->controlRequest(portStatus), kIOReturnExclusiveAccess);
        model->setHeldByOtherProgram(false);
        QCOMPARE(interface->controlRequest(portStatus), kIOReturnSuccess);
        QCOMPARE(portStatus.wLenDone, 1u);
        // Claimed for the request only, and the printer driver is back afterwards.
        QVERIFY(!model->isClaimed());
        QCOMPARE(node->kernelDriverDetaches(), 1);
        QCOMPARE(node->kernelDriverReattaches(), 1);
        QVERIFY(node->kernelDriverBound());
    }

    void thePrinterDriverIsDetachedWhileOpenAndReattachedOnClose() {
        auto model = printer();
        const std::string syspath = bed->plug(model, {1, 4, 2});
        UrbResponder* node = bed->responder(syspath);
        Arrival arrival;
        QVERIFY(arrival.awaited());
        auto interface = arrival.interface;
        QVERIFY(node->kernelDriverBound());

        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        QVERIFY(!node->kernelDriverBound());
        QCOMPARE(node->kernelDriverDetaches(), 1);
        QCOMPARE(node->kernelDriverReattaches(), 0);
        const auto [out, in] = bulkPipes(*interface);
        QCOMPARE(interface->writePipe(out, "ping", 4, 1000, 1000), kIOReturnSuccess);
        char reply[8];
        std::uint32_t size = sizeof reply;
        QCOMPARE(interface->readPipe(in, reply, size, 1000, 1000), kIOReturnSuccess);
        QCOMPARE(interface->close(), kIOReturnSuccess);
        QVERIFY(node->kernelDriverBound());
        QCOMPARE(node->kernelDriverReattaches(), 1);

        // Without the printer driver in the kernel there is nothing to detach or give back.
        node->setKernelDriver(false);
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        QCOMPARE(interface->close(), kIOReturnSuccess);
        QCOMPARE(node->kernelDriverDetaches(), 1);
        QCOMPARE(node->kernelDriverReattaches(), 1);
        QVERIFY(!node->kernelDriverBound());
    }

    void aPrintJobThroughThePrinterDriverKeepsThePrinter() {
        auto model = printer();
        const std::string syspath = bed->plug(model, {1, 4, 2});
        UrbResponder* node = bed->responder(syspath);
        Arrival arrival;
        QVERIFY(arrival.awaited());
        auto& notices = arrival.notices;
        InterestLog interest;
        interest.listen(*notices.arrived[0]);
        auto interface = interfaceOf(notices.arrived[0]);

        // A print job in flight: a program has the driver's node open. Neither an open nor a request
        // that needs the interface may detach the driver from under it.
        const int job = ::open(bed->printerDriverNode(syspath).c_str(), O_WRONLY);
        QVERIFY(job >= 0);
        testsupport::LogCapture log;
        QCOMPARE(interface->openSeize(), kIOReturnExclusiveAccess);
        std::uint8_t status = 0;
        usb::ControlRequest portStatus{0xA1, 1, 0, 0, 1, &status, 0, 100, 100};
        QCOMPARE(interface->controlRequest(portStatus), kIOReturnExclusiveAccess);
        QCOMPARE(node->kernelDriverDetaches(), 0);
        QVERIFY(node->kernelDriverBound());
        QVERIFY(log.contains(QString("is held by another program: process %1 has its printer device %2 open")
                                 .arg(::getpid())
                                 .arg(QString::fromStdString(bed->printerDriverNode(syspath)))));

        // The job ends: that is announced as another program's close, and the printer can be had.
        ::close(job);
        QTRY_COMPARE_WITH_TIMEOUT(interest.count(kIOMessageServiceWasClosed), 1, kNoticeWaitMs);
        QCOMPARE(interest.ours, 1); // only the refused open was ours
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        QCOMPARE(node->kernelDriverDetaches(), 1);
        QCOMPARE(interface->close(), kIOReturnSuccess);
    }

    void exclusiveOpenAndOneExchange() {
        auto model = printer();
        bed->plug(model, {1, 4, 2});
        Arrival arrival;
        QVERIFY(arrival.awaited());
        auto& notices = arrival.notices;
        InterestLog interest;
        interest.listen(*notices.arrived[0]);
        auto interface = interfaceOf(notices.arrived[0]);
        const auto [out, in] = bulkPipes(*interface);

        // Not open yet: pipes refuse.
        const char frame[] = "\x1bSTATUS";
        QCOMPARE(interface->writePipe(out, frame, 7, 5000, 5000), kIOReturnNotOpen);

        // Another program holds the interface.
        model->setHeldByOtherProgram(true);
        QCOMPARE(interface->openSeize(), kIOReturnExclusiveAccess);
        QVERIFY(!model->isClaimed() || model->claimHolder() == 0);
        model->setHeldByOtherProgram(false);

        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        QVERIFY(model->isClaimed());
        QCOMPARE(interface->openSeize(), kIOReturnSuccess); // idempotent while open
        QCOMPARE(interface->writePipe(out, frame, 7, 5000, 5000), kIOReturnSuccess);
        char reply[64] = {};
        std::uint32_t size = sizeof reply;
        QCOMPARE(interface->readPipe(in, reply, size, 5000, 5000), kIOReturnSuccess);
        QCOMPARE(QByteArray(reply, int(size)), QByteArray(frame, 7)); // short read: the count received
        QCOMPARE(model->bytesWritten().size(), size_t(7));

        QCOMPARE(interface->close(), kIOReturnSuccess);
        QVERIFY(!model->isClaimed());
        // Our own attempts and close are announced like anyone's: two attempts (busy, then open), one close.
        QTRY_COMPARE_WITH_TIMEOUT(interest.count(kIOMessageServiceWasClosed), 1, kNoticeWaitMs);
        // Our own opens of the device node (one per use of the handle) must not read as other programs'.
        QTest::qWait(100); // inotify events from the real device node
        QCOMPARE(interest.count(kIOMessageServiceWasClosed), 1);
        QCOMPARE(interest.count(kIOMessageServiceIsAttemptingOpen), 2);
        QCOMPARE(interest.ours, 3); // and each is marked as ours
    }

    void aSilentPrinterTimesOutAndTheNextExchangeStillWorks() {
        auto model =
            sim::SimPrinterDevice::create(printerIdentity(), std::make_shared<sim::ScriptedProcessor>());
        bed->plug(model, {1, 4, 2});
        Arrival arrival;
        QVERIFY(arrival.awaited());
        auto interface = arrival.interface;
        const auto [out, in] = bulkPipes(*interface);
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);

        char reply[32];
        std::uint32_t size = sizeof reply;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(interface->readPipe(in, reply, size, 150, 150), kIOReturnTimeout);
        QVERIFY2(clock.elapsed() >= 140 && clock.elapsed() < 2000,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(size, 0u);

        // The discarded read must not swallow the next reply.
        model->queueReply({'O', 'K'});
        size = sizeof reply;
        QCOMPARE(interface->readPipe(in, reply, size, 1000, 1000), kIOReturnSuccess);
        QCOMPARE(QByteArray(reply, int(size)), QByteArray("OK"));
        interface->close();
    }

    void aReplyInOnePacketIsReadInPiecesAndNeverLost() {
        auto model =
            sim::SimPrinterDevice::create(printerIdentity(), std::make_shared<sim::ScriptedProcessor>());
        bed->plug(model, {1, 4, 2});

        // What a byte-stream reader does: the 8-digit length field first. usbfs answers with an
        // overflow, and the packet holding the whole reply is lost.
        model->queueReply(toBytes("00000004BODY\r"));
        libusb_context* context = nullptr;
        QCOMPARE(libusb_init(&context), 0);
        libusb_device_handle* raw = libusb_open_device_with_vid_pid(context, kVendor, kProduct);
        QVERIFY(raw);
        libusb_set_auto_detach_kernel_driver(raw, 1);
        QCOMPARE(libusb_claim_interface(raw, 0), 0);
        unsigned char digits[8];
        int done = 0;
        QCOMPARE(libusb_bulk_transfer(raw, 0x81, digits, sizeof digits, &done, 1000),
                 int(LIBUSB_ERROR_OVERFLOW));
        QCOMPARE(libusb_bulk_transfer(raw, 0x81, digits, sizeof digits, &done, 100),
                 int(LIBUSB_ERROR_TIMEOUT));
        libusb_release_interface(raw, 0);
        libusb_close(raw);
        libusb_exit(context);

        // The interface reads whole packets ahead and serves the same two reads from them.
        Arrival arrival;
        QVERIFY(arrival.awaited());
        auto interface = arrival.interface;
        const auto [out, in] = bulkPipes(*interface);
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        const auto read = [&, in = in](std::uint32_t wanted, std::uint32_t timeoutMs = 1000) {
            QByteArray bytes(int(wanted), '\0');
            std::uint32_t size = wanted;
            const IOReturn result = interface->readPipe(in, bytes.data(), size, timeoutMs, timeoutMs);
            return result == kIOReturnSuccess ? bytes.left(int(size)) : QByteArray("error");
        };
        model->queueReply(toBytes("00000004BODY\r"));
        QCOMPARE(read(8), QByteArray("00000004"));
        QCOMPARE(read(5), QByteArray("BODY\r"));
        // A body longer than a packet goes on past the packet the length field came in.
        const QByteArray body(700, 'x');
        model->queueReply(toBytes("00000700" + body));
        QCOMPARE(read(8), QByteArray("00000700"));
        QCOMPARE(read(700), body);

        // What was read ahead does not outlive a close or a reset of the printer.
        const auto leaveUnread = [&] {
            model->queueReply(toBytes("00000004OLD!"));
            QCOMPARE(read(8), QByteArray("00000004"));
        };
        leaveUnread();
        QCOMPARE(interface->close(), kIOReturnSuccess);
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        QCOMPARE(read(4, 100), QByteArray("error"));
        leaveUnread();
        usb::ControlRequest softReset;
        softReset.bmRequestType = 0x21;
        softReset.bRequest = 2;
        QCOMPARE(interface->controlRequest(softReset), kIOReturnSuccess);
        QCOMPARE(read(4, 100), QByteArray("error"));
        interface->close();
    }

    void hotPlugArrivalAndRemoval() {
        auto bus = usb::makeLibusbBus();
        Notices notices;
        notices.listen(*bus);
        QTest::qWait(50); // an arrival would come from libusb's hot-plug thread
        QCOMPARE(notices.arrived.size(), size_t(0));

        auto model = printer();
        const std::string syspath = bed->plug(model, {1, 4, 2});
        QTRY_COMPARE_WITH_TIMEOUT(notices.arrived.size(), size_t(1), kNoticeWaitMs);
        InterestLog interest;
        interest.listen(*notices.arrived[0]);
        auto interface = interfaceOf(notices.arrived[0]);

        model->unplug();
        bed->unplug(syspath);
        QTRY_COMPARE_WITH_TIMEOUT(notices.terminated.size(), size_t(1), kNoticeWaitMs);
        QCOMPARE(notices.terminated[0]->registryID(), notices.arrived[0]->registryID());
        // The interest handler hears of it first (the printer stores its facts before it leaves the list).
        QCOMPARE(interest.count(kIOMessageServiceIsTerminated), 1);
        QCOMPARE(interface->openSeize(), kIOReturnNoDevice);
        std::shared_ptr<usb::UsbInterface> again;
        QCOMPARE(notices.arrived[0]->createInterface(again), kIOReturnNoDevice);
    }

    void aPrinterBackOnTheSamePortKeepsItsLocation() {
        auto bus = usb::makeLibusbBus();
        Notices notices;
        notices.listen(*bus);
        auto model = printer();
        std::string syspath = bed->plug(model, {1, 4, 2});
        QTRY_COMPARE_WITH_TIMEOUT(notices.arrived.size(), size_t(1), kNoticeWaitMs);
        model->unplug();
        bed->unplug(syspath);
        QTRY_COMPARE_WITH_TIMEOUT(notices.terminated.size(), size_t(1), kNoticeWaitMs);
        model->replug();
        syspath = bed->plug(model, {1, 4, 3}); // a new device number, the same port
        QTRY_COMPARE_WITH_TIMEOUT(notices.arrived.size(), size_t(2), kNoticeWaitMs);
        QVERIFY(notices.arrived[1]->registryID() != notices.arrived[0]->registryID());
        QVERIFY(!interfaceOf(notices.arrived[0])); // terminated: no new interface objects
        const std::uint32_t before = 0x01400000;
        std::uint32_t after = 0;
        auto interface = interfaceOf(notices.arrived[1]);
        interface->locationID(after);
        QCOMPARE(after, before);

        // A host-requested re-enumeration: the service leaves and a new one arrives at the same place.
        std::shared_ptr<usb::UsbDevice> device;
        QCOMPARE(interface->device(device), kIOReturnSuccess);
        QCOMPARE(device->open(), kIOReturnSuccess);
        QCOMPARE(device->reEnumerate(0), kIOReturnSuccess);
        device->close();
        QTRY_COMPARE_WITH_TIMEOUT(notices.terminated.size(), size_t(2), kNoticeWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(notices.arrived.size(), size_t(3), kNoticeWaitMs);
        QCOMPARE(notices.terminated[1]->registryID(), notices.arrived[1]->registryID());
        interfaceOf(notices.arrived[2])->locationID(after);
        QCOMPARE(after, before);
    }

    void aPrinterPulledWhileReEnumeratingDoesNotComeBack() {
        auto bus = usb::makeLibusbBus();
        Notices notices;
        notices.listen(*bus);
        auto model = printer();
        const std::string syspath = bed->plug(model, {1, 4, 2});
        QTRY_COMPARE_WITH_TIMEOUT(notices.arrived.size(), size_t(1), kNoticeWaitMs);
        std::shared_ptr<usb::UsbDevice> device;
        QCOMPARE(interfaceOf(notices.arrived[0])->device(device), kIOReturnSuccess);
        QCOMPARE(device->open(), kIOReturnSuccess);

        // The removal arrives while the device is away after the reset that stands in for a
        // re-enumeration.
        QCOMPARE(device->reEnumerate(0), kIOReturnSuccess);
        model->unplug();
        bed->unplug(syspath);
        QTRY_COMPARE_WITH_TIMEOUT(notices.terminated.size(), size_t(1), kNoticeWaitMs);
        QTest::qWait(300); // well past its return (a real re-enumeration through the kernel)
        QCOMPARE(notices.arrived.size(), size_t(1));
        QCOMPARE(notices.terminated.size(), size_t(1));
        QCOMPARE(device->open(), kIOReturnNoDevice);
        device->close();

        // The port serves the next printer.
        model->replug();
        bed->plug(model, {1, 4, 3});
        QTRY_COMPARE_WITH_TIMEOUT(notices.arrived.size(), size_t(2), kNoticeWaitMs);
    }

    void aResetReportsWhatReallyHappened() {
        auto bus = usb::makeLibusbBus();
        Notices notices;
        notices.listen(*bus);
        auto model = printer();
        const std::string syspath = bed->plug(model, {1, 4, 2});
        QTRY_COMPARE_WITH_TIMEOUT(notices.arrived.size(), size_t(1), kNoticeWaitMs);
        auto interface = interfaceOf(notices.arrived[0]);
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        std::shared_ptr<usb::UsbDevice> device;
        QCOMPARE(interface->device(device), kIOReturnSuccess);

        // Another program takes the interface while the reset has it released: the reset went
        // through, the claim did not, and that is a failure.
        testsupport::LogCapture log;
        model->setHeldByOtherProgram(true);
        QCOMPARE(device->resetDevice(), kIOReturnExclusiveAccess);
        QVERIFY(log.contains("interface 0 could not be claimed again after the reset (LIBUSB_ERROR_BUSY)"));
        QVERIFY(!log.contains("re-enumerated"));
        QCOMPARE(device->reEnumerate(0), kIOReturnSuccess); // nothing claimed now, so nothing lost
        QTRY_COMPARE_WITH_TIMEOUT(notices.arrived.size(), size_t(2), kNoticeWaitMs);
        model->setHeldByOtherProgram(false);
        QCOMPARE(interface->close(), kIOReturnSuccess); // the lost claim is not released again
        QVERIFY(!log.contains("Releasing interface"));

        // A reset after which the kernel re-enumerates the device: the removal and return come
        // from the hot-plug notices, not from us.
        interface = interfaceOf(notices.arrived[1]);
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        QCOMPARE(interface->device(device), kIOReturnSuccess);
        bed->responder(syspath)->setResetReEnumerates(true);
        log.clear();
        QCOMPARE(device->reEnumerate(0), kIOReturnSuccess);
        QVERIFY(log.contains("the device re-enumerated"));
        QTest::qWait(200); // hot-plug events from the kernel
        QCOMPARE(notices.terminated.size(), size_t(1));
        bed->unplug(syspath);
        QTRY_COMPARE_WITH_TIMEOUT(notices.terminated.size(), size_t(2), kNoticeWaitMs);
        QTest::qWait(200); // hot-plug events from the kernel
        QCOMPARE(notices.arrived.size(), size_t(2));
        interface->close();
    }
};

QTEST_GUILESS_MAIN(LibusbBusTest)
#include "test_libusb_bus.moc"
