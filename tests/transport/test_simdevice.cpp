// The simulated printer and bus themselves: what other areas' tests and the demo mode stand on.
#include "transport_rig.h"

#include <QElapsedTimer>

#include <thread>

using namespace transporttest;
using sim::DeviceEvent;
using sim::FaultKind;
using sim::FaultPoint;
using sim::Status;

namespace {

constexpr std::uint8_t kOut = 0x01;
constexpr std::uint8_t kIn = 0x81;

std::vector<std::uint8_t> v(const std::string& s) {
    return {s.begin(), s.end()};
}

struct EventLog {
    std::mutex mutex;
    std::vector<DeviceEvent> events;
    std::vector<std::uint64_t> clients;
    void add(DeviceEvent e, std::uint64_t client = 0) {
        std::lock_guard lock(mutex);
        events.push_back(e);
        clients.push_back(client);
    }
    std::vector<DeviceEvent> take() {
        std::lock_guard lock(mutex);
        clients.clear();
        return std::exchange(events, {});
    }
    std::vector<std::uint64_t> takeClients() {
        std::lock_guard lock(mutex);
        events.clear();
        return std::exchange(clients, {});
    }
};

// Interest notices as a backend's caller sees them: the message and whether it was marked as this
// process's own.
struct NoticeLog {
    std::vector<std::pair<IOMessage, bool>> notices;
    usb::InterestCallback callback() {
        return [this](IOMessage m, void* argument) {
            notices.push_back({m, argument == usb::thisProcessNotice()});
        };
    }
};

} // namespace

class TransportSimDeviceTest : public QObject {
    Q_OBJECT

private slots:
    void descriptorsDescribeOnePrinterInterface() {
        auto device = sim::SimPrinterDevice::create(printerIdentity());
        const auto dd = device->deviceDescriptor();
        QCOMPARE(dd.size(), std::size_t(18));
        QCOMPARE(int(dd[8] | dd[9] << 8), 0x0F1E);
        QCOMPARE(int(dd[16]), 3);
        const auto cd = device->configurationDescriptor();
        QCOMPARE(cd.size(), std::size_t(9 + 9 + 7 + 7));
        QCOMPARE(int(cd[2] | cd[3] << 8), int(cd.size()));
        QCOMPARE(int(cd[9 + 5]), 7); // printer class
        QCOMPARE(int(cd[9 + 6]), 1); // printer subclass
        QCOMPARE(int(cd[18 + 2]), 0x01);
        QCOMPARE(int(cd[25 + 2]), 0x81);

        auto id = printerIdentity();
        id.reportsSerialNumber = false;
        device->setIdentityNow(id);
        QCOMPARE(int(device->deviceDescriptor()[16]), 0);
        std::vector<std::uint8_t> data;
        QCOMPARE(device->control({0x80, 6, 0x0303, 0x0409, 255}, data), Status::Stall);
        QCOMPARE(device->control({0x80, 6, 0x0302, 0x0409, 4}, data), Status::Ok);
        QCOMPARE(data.size(), std::size_t(4)); // cut to wLength
        QCOMPARE(device->control({0x80, 6, 0x0302, 0x0407, 255}, data),
                 Status::Stall);                                               // language not offered
        QCOMPARE(device->control({0xC0, 0x33, 0, 0, 8}, data), Status::Stall); // vendor request
    }

    void bulkInKeepsPacketBoundaries() {
        // The printer's endpoint sends packets of 8 bytes here, so one reply spans several.
        auto identity = printerIdentity();
        identity.endpoints = {{0x01}, {kIn, usbstd::kTransferBulk, 8}};
        auto device = sim::SimPrinterDevice::create(identity);
        std::vector<std::uint8_t> out;
        QCOMPARE(device->bulkIn(kIn, out, 64, 0), Status::Timeout);
        device->queueReply(v("00000004BODY"));
        device->queueReply(v("12345678"));
        device->queueReply(v("next"));
        // Less room than the packet: usbfs's overflow, and that packet is gone.
        QCOMPARE(device->bulkIn(kIn, out, 5, 0), Status::Overflow);
        QCOMPARE(device->bulkIn(kIn, out, 64, 0), Status::Ok);
        QCOMPARE(out, v("BODY")); // the short last packet, not merged with the next reply
        QCOMPARE(device->bulkIn(kIn, out, 8, 0), Status::Ok);
        QCOMPARE(out, v("12345678")); // a full buffer ends the read...
        QCOMPARE(device->bulkIn(kIn, out, 64, 0), Status::Ok);
        QCOMPARE(out, v("")); // ...and the zero-length packet that closes the reply comes alone
        QCOMPARE(device->bulkIn(kIn, out, 64, 0), Status::Ok);
        QCOMPARE(out, v("next"));
        QCOMPARE(device->bulkIn(0x01, out, 64, 0), Status::Invalid);
        QCOMPARE(device->bulkOut(0x81, v("x")), Status::Invalid);
    }

    void delayedRepliesAndTimeouts() {
        auto device = sim::SimPrinterDevice::create(printerIdentity());
        std::vector<std::uint8_t> out;
        device->queueReply(v("late"), 80);
        QElapsedTimer t;
        t.start();
        QCOMPARE(device->bulkIn(kIn, out, 64, 20), Status::Timeout);
        QVERIFY(t.elapsed() >= 15);
        QCOMPARE(device->bulkIn(kIn, out, 64, 2000), Status::Ok);
        QVERIFY(t.elapsed() >= 70);
        QCOMPARE(out, v("late"));
    }

    void injectedFaultsStrikeOnceAtTheirPoint() {
        auto processor = std::make_shared<sim::EchoProcessor>();
        auto device = sim::SimPrinterDevice::create(printerIdentity(), processor);
        EventLog events;
        device->addListener([&](DeviceEvent e, std::uint64_t, std::uint64_t) { events.add(e); });
        std::vector<std::uint8_t> out;

        device->injectFault({FaultPoint::BulkIn, FaultKind::ShortRead, 1, 3});
        QCOMPARE(device->bulkIn(kIn, out, 64, 20), Status::Timeout); // skipped: the fault waits
        QCOMPARE(device->bulkOut(kOut, v("abcdefgh")), Status::Ok);
        QCOMPARE(device->bulkIn(kIn, out, 64, 0), Status::Ok);
        QCOMPARE(out, v("abc"));
        QCOMPARE(device->bulkIn(kIn, out, 64, 0), Status::Ok);
        QCOMPARE(out, v("defgh"));

        // A stall halts the pipe until the host clears it: with the standard request, or by a
        // soft reset of the printer class.
        device->injectFault({FaultPoint::BulkOut, FaultKind::Stall});
        QCOMPARE(device->bulkOut(kOut, v("x")), Status::Stall);
        QCOMPARE(device->bulkOut(kOut, v("y")), Status::Stall);
        QVERIFY(device->isHalted(kOut));
        QVERIFY(!device->hasReplyReady()); // a refused write reaches no processor
        std::vector<std::uint8_t> none;
        QCOMPARE(device->control({0x02, 1, 0, kOut, 0}, none), Status::Ok); // CLEAR_FEATURE(ENDPOINT_HALT)
        QCOMPARE(device->bulkOut(kOut, v("y")), Status::Ok);
        QCOMPARE(device->bulkIn(kIn, out, 64, 0), Status::Ok);
        QCOMPARE(out, v("y"));
        device->injectFault({FaultPoint::BulkIn, FaultKind::Stall});
        QCOMPARE(device->bulkIn(kIn, out, 64, 0), Status::Stall);
        QCOMPARE(device->bulkIn(kIn, out, 64, 0), Status::Stall);
        QCOMPARE(device->control({0x21, 2, 0, 0, 0}, none), Status::Ok); // SOFT_RESET
        QVERIFY(!device->isHalted(kIn));
        QCOMPARE(device->bulkIn(kIn, out, 64, 0), Status::Timeout);
        // The default pipe recovers at the next request: its stall does not last.
        device->injectFault({FaultPoint::Control, FaultKind::Stall});
        QCOMPARE(device->control({0x80, 6, 0x0100, 0, 18}, none), Status::Stall);
        QCOMPARE(device->control({0x80, 6, 0x0100, 0, 18}, none), Status::Ok);

        // Claims refused by a fault answer what the fault says and report no open attempt.
        const auto client = sim::SimPrinterDevice::newClientId();
        device->injectFault({FaultPoint::Claim, FaultKind::Stall});
        QCOMPARE(device->claim(client), Status::Stall);
        device->injectFault({FaultPoint::Claim, FaultKind::NoPermission});
        QCOMPARE(device->claim(client), Status::NoPermission);
        device->injectFault({FaultPoint::DeviceOpen, FaultKind::NoPermission});
        QCOMPARE(device->openDevice(client), Status::NoPermission);
        QCOMPARE(events.take(), std::vector<DeviceEvent>{});
        QCOMPARE(device->claimHolder(), std::uint64_t(0));

        device->injectFault({FaultPoint::BulkOut, FaultKind::Unplug});
        QCOMPARE(device->bulkOut(kOut, v("z")), Status::NoDevice);
        QVERIFY(!device->isAttached());
        QCOMPARE(events.take(), std::vector<DeviceEvent>{DeviceEvent::Detached});
        QCOMPARE(device->bulkIn(kIn, out, 8, 0), Status::NoDevice);
        device->replug();
        QCOMPARE(events.take(), std::vector<DeviceEvent>{DeviceEvent::Attached});
        QVERIFY(!device->hasReplyReady()); // power was lost with the cable

        // Unplugging at any step takes the device off the bus, also when opening the device.
        for (FaultPoint point : {FaultPoint::DeviceOpen, FaultPoint::Claim, FaultPoint::Control}) {
            device->injectFault({point, FaultKind::Unplug});
            const Status status = point == FaultPoint::DeviceOpen ? device->openDevice(client)
                                  : point == FaultPoint::Claim
                                      ? device->claim(client)
                                      : device->control({0x80, 6, 0x0100, 0, 18}, none);
            QCOMPARE(status, Status::NoDevice);
            QVERIFY(!device->isAttached());
            QCOMPARE(events.take(), std::vector<DeviceEvent>{DeviceEvent::Detached});
            QCOMPARE(device->bulkOut(kOut, v("z")), Status::NoDevice);
            device->replug();
            events.take();
        }
    }

    void unplugWakesATransferInFlight() {
        auto device = sim::SimPrinterDevice::create(printerIdentity());
        Status status = Status::Ok;
        std::vector<std::uint8_t> out;
        QElapsedTimer t;
        t.start();
        std::thread reader(
            [&] { status = device->bulkIn(kIn, out, 64, sim::SimPrinterDevice::kWaitForever); });
        QTRY_COMPARE(device->bulkInCount(), 1); // in the read, waiting
        device->unplug();
        reader.join();
        QCOMPARE(status, Status::NoDevice);
        QVERIFY(t.elapsed() < 2000);
    }

    void claimsAndTheOtherProgram() {
        auto device = sim::SimPrinterDevice::create(printerIdentity());
        EventLog events;
        device->addListener(
            [&](DeviceEvent e, std::uint64_t, std::uint64_t client) { events.add(e, client); });
        const auto a = sim::SimPrinterDevice::newClientId();
        const auto b = sim::SimPrinterDevice::newClientId();
        QCOMPARE(device->claim(a), Status::Ok);
        QCOMPARE(device->claim(b), Status::Busy);
        QCOMPARE(device->release(b), Status::NotOpen);
        QCOMPARE(device->release(a), Status::Ok);
        device->setHeldByOtherProgram(true);
        QCOMPARE(device->claim(a), Status::Busy);
        device->setHeldByOtherProgram(false);
        QCOMPARE(device->claim(a), Status::Ok);
        {
            std::lock_guard lock(events.mutex);
            // Each event names who caused it; the other program is 0.
            QCOMPARE(events.clients, (std::vector<std::uint64_t>{a, b, a, 0, a, 0, a}));
        }
        QCOMPARE(events.take(), (std::vector<DeviceEvent>{DeviceEvent::OpenAttempt, DeviceEvent::OpenAttempt,
                                                          DeviceEvent::Closed, DeviceEvent::OpenAttempt,
                                                          DeviceEvent::OpenAttempt, DeviceEvent::Closed,
                                                          DeviceEvent::OpenAttempt}));
    }

    void restartsApplyTheNextIdentityAndTellTheProcessor() {
        auto processor = std::make_shared<sim::ScriptedProcessor>();
        auto device = sim::SimPrinterDevice::create(printerIdentity(), processor);
        auto next = printerIdentity();
        next.reportsSerialNumber = false;
        device->setIdentity(next);
        QVERIFY(device->identity().reportsSerialNumber); // not before the restart
        const auto client = sim::SimPrinterDevice::newClientId();
        const auto other = sim::SimPrinterDevice::newClientId();
        QCOMPARE(device->openDevice(other), Status::Ok);
        QCOMPARE(device->reEnumerateDevice(client), Status::Busy);
        QCOMPARE(device->closeDevice(other), Status::Ok);
        QCOMPARE(device->openDevice(client), Status::Ok);
        QCOMPARE(device->reEnumerateDevice(client), Status::Ok);
        QCOMPARE(device->generation(), std::uint64_t(2));
        QVERIFY(!device->identity().reportsSerialNumber);
        QCOMPARE(processor->restarts(), 1);

        // A restart asked for by the printer itself happens later, from a timer.
        EventLog events;
        device->addListener([&](DeviceEvent e, std::uint64_t, std::uint64_t) { events.add(e); });
        device->reEnumerate(20);
        QCOMPARE(device->generation(), std::uint64_t(2));
        QTRY_COMPARE(device->generation(), std::uint64_t(3));
        QCOMPARE(events.take(), (std::vector<DeviceEvent>{DeviceEvent::Detached, DeviceEvent::Attached}));
    }

    void busDeliversArrivalsOnceAndFollowsEnumerations() {
        auto bus = sim::SimBus::create();
        auto device = sim::SimPrinterDevice::create(printerIdentity());
        QVERIFY(bus->attach(device));
        QVERIFY(!bus->attach(sim::SimPrinterDevice::create(printerIdentity()))); // location taken

        // Registered before the posted arrival is delivered: the device is reported once.
        std::vector<std::shared_ptr<usb::UsbService>> arrived, gone;
        usb::NotificationHandle arrivals, removals, otherClass;
        bus->addMatchingNotification(
            7, 1, [&](auto s) { arrived.push_back(s); }, arrivals);
        bus->addTerminationNotification(
            7, -1, [&](auto s) { gone.push_back(s); }, removals);
        int wrongClass = 0;
        bus->addMatchingNotification(
            7, 2, [&](auto) { ++wrongClass; }, otherClass);
        QCOMPARE(arrived.size(), std::size_t(1));
        QCoreApplication::processEvents();
        QCOMPARE(arrived.size(), std::size_t(1));

        std::vector<IOMessage> messages;
        usb::NotificationHandle interest;
        QCOMPARE(
            arrived[0]->addInterestNotification([&](IOMessage m, void*) { messages.push_back(m); }, interest),
            kIOReturnSuccess);
        std::shared_ptr<usb::UsbInterface> interface;
        QCOMPARE(arrived[0]->createInterface(interface), kIOReturnSuccess);
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        QCOMPARE(interface->openSeize(), kIOReturnSuccess); // ours already: no second attempt
        QCOMPARE(interface->close(), kIOReturnSuccess);
        QCOMPARE(interface->close(), kIOReturnNotOpen);
        QTRY_COMPARE(messages.size(), std::size_t(2));
        QCoreApplication::processEvents();
        QCOMPARE(messages,
                 (std::vector<IOMessage>{kIOMessageServiceIsAttemptingOpen, kIOMessageServiceWasClosed}));

        std::uint32_t size = 4;
        std::uint8_t buffer[4];
        QCOMPARE(interface->readPipe(2, buffer, size, 10, 10), kIOReturnNotOpen);
        QCOMPARE(interface->readPipe(9, buffer, size, 10, 10), kIOUSBUnknownPipeErr);

        device->powerCycle();
        QTRY_COMPARE(arrived.size(), std::size_t(2));
        QCOMPARE(gone.size(), std::size_t(1));
        QCOMPARE(messages.back(), kIOMessageServiceIsTerminated);
        QCOMPARE(interface->openSeize(), kIOReturnNoDevice); // belongs to the old enumeration
        QCOMPARE(arrived[0]->createInterface(interface), kIOReturnNoDevice);

        // Dropping a handle stops its notices; detaching ends the device's life on this bus.
        arrivals.reset();
        interest.reset();
        bus->detach(kLocation);
        QTRY_COMPARE(gone.size(), std::size_t(2));
        QCOMPARE(arrived.size(), std::size_t(2));
        QVERIFY(!bus->device(kLocation));
        QCOMPARE(wrongClass, 0);
    }

    void interestNoticesTellOwnFromOtherAndComeBehindTheQueueItem() {
        Rig rig;
        NoticeLog log;
        usb::NotificationHandle interest;
        QCOMPARE(rig.service()->addInterestNotification(log.callback(), interest), kIOReturnSuccess);
        auto interface = rig.interface();

        // Another program, then this process meeting it, then this process's own open and close.
        rig.device->setHeldByOtherProgram(true);
        QCOMPARE(interface->openSeize(), kIOReturnExclusiveAccess);
        rig.device->setHeldByOtherProgram(false);
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        QCOMPARE(interface->close(), kIOReturnSuccess);
        // Refused before it reached the interface: no notice at all.
        rig.device->injectFault({FaultPoint::Claim, FaultKind::NoPermission});
        QCOMPARE(interface->openSeize(), kIOReturnNotPrivileged);
        QTRY_COMPARE(log.notices.size(), std::size_t(5));
        QCoreApplication::processEvents();
        using Notice = std::pair<IOMessage, bool>;
        QCOMPARE(log.notices, (std::vector<Notice>{{kIOMessageServiceIsAttemptingOpen, false},
                                                   {kIOMessageServiceIsAttemptingOpen, true},
                                                   {kIOMessageServiceWasClosed, false},
                                                   {kIOMessageServiceIsAttemptingOpen, true},
                                                   {kIOMessageServiceWasClosed, true}}));

        // An open made on a command queue is announced behind that item: what the item posted to
        // the main thread itself comes first.
        log.notices.clear();
        QStringList order;
        usb::NotificationHandle ordered;
        rig.service()->addInterestNotification([&](IOMessage, void*) { order << "notice"; }, ordered);
        platform::SerialQueue queue("test.notices");
        queue.async([&] {
            interface->openSeize();
            platform::mainqueue::async([&] { order << "posted by the item"; });
        });
        queue.waitUntilIdle();
        QTRY_COMPARE(order.size(), 2);
        QCOMPARE(order, (QStringList{"posted by the item", "notice"}));
        ordered.reset();
        // Dropping an open interface object closes it, with the closed notice.
        interface.reset();
        QTRY_COMPARE(log.notices.size(), std::size_t(2));
        QCOMPARE(log.notices.back(), (Notice{kIOMessageServiceWasClosed, true}));
    }

    void aStalledPipeFailsOneTransferAndTheBackendClearsIt() {
        Rig rig;
        auto interface = rig.interface();
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        rig.device->injectFault({FaultPoint::BulkOut, FaultKind::Stall});
        QCOMPARE(interface->writePipe(1, "cmd", 3, 5000, 5000), kIOUSBPipeStalled);
        QVERIFY(!rig.device->isHalted(kOut));
        QCOMPARE(interface->writePipe(1, "cmd", 3, 5000, 5000), kIOReturnSuccess);
        rig.device->injectFault({FaultPoint::BulkIn, FaultKind::Stall});
        char buffer[8];
        std::uint32_t size = sizeof buffer;
        QCOMPARE(interface->readPipe(2, buffer, size, 50, 50), kIOUSBPipeStalled);
        QVERIFY(!rig.device->isHalted(kIn));
    }

    void transfersThroughTheBusObjects() {
        Rig rig;
        auto interface = rig.interface();
        rig.processor->addReply(std::string("0123456789"));
        QCOMPARE(interface->openSeize(), kIOReturnSuccess);
        QCOMPARE(interface->writePipe(1, "cmd", 3, 5000, 5000), kIOReturnSuccess);
        char buffer[32] = {};
        std::uint32_t size = 4;
        QCOMPARE(interface->readPipe(2, buffer, size, 5000, 5000), kIOReturnSuccess);
        QCOMPARE(size, 4u);
        QCOMPARE(QByteArray(buffer, 4), QByteArray("0123"));
        usb::ControlRequest request;
        std::uint8_t descriptor[18] = {};
        request.bmRequestType = 0x80;
        request.bRequest = 6;
        request.wValue = 0x0100;
        request.wLength = 18;
        request.data = descriptor;
        QCOMPARE(interface->controlRequest(request), kIOReturnSuccess);
        QCOMPARE(request.wLenDone, 18u);
        request.data = nullptr;
        QCOMPARE(interface->controlRequest(request), kIOReturnBadArgument);

        // Dropping an open interface object lets go of the claim, as closing the handle would.
        interface.reset();
        QCOMPARE(rig.device->claimHolder(), std::uint64_t(0));
    }
};

QTEST_GUILESS_MAIN(TransportSimDeviceTest)
#include "test_simdevice.moc"
