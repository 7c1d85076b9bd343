// The printer family's information probe over the real USB stack: a TBUSBPrinterZEV on the libusb
// backend talking to a simulated HVC behind umockdev's usbfs sends exactly the commands, in exactly
// the order, that it sends on the simulated bus, and learns the same facts.
#include "UsbfsTestbed.h"
#include "devicemodel/SimZEVProcessor.h"

#include "Classes/TBUSBPrinterZEV.h"
#include "common/probeorder.h"
#include "common/testsupport.h"
#include "platform/usb/libusb/LibusbBus.h"

#include <QTest>

using namespace usbfs_test;

using testsupport::kHVCProbe;

namespace {

constexpr std::uint32_t kLocation = 0x01400000; // bus 1, port 4

} // namespace

class LibusbProbeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UsbfsTestbed> bed;

private slots:
    void init() { USBFS_TESTBED_OR_SKIP(bed); }
    void cleanup() { bed.reset(); }

    void probeOfAnHVCInItsExactWireOrder() {
        sim::SimZEVDevice sim = sim::makeSimZEVDevice(sim::SimZEVModel::HVC, kLocation);
        sim.printer->update([](sim::SimZEVPrinterState& s) {
            s.firmwareReplyPrefix = "  ";
            s.usbISerialSwitch = true;
        });
        bed->plug(sim.device, {1, 4, 2});
        auto bus = usb::makeLibusbBus();
        QVERIFY(bus);
        usb::setCurrentBus(bus);

        std::shared_ptr<usb::UsbService> service;
        usb::NotificationHandle matching;
        bus->addMatchingNotification(
            usb::kUSBPrintingClass, usb::kUSBPrintingSubClass, [&](auto arrived) { service = arrived; },
            matching);
        QTRY_VERIFY_WITH_TIMEOUT(service != nullptr, 3000);
        std::shared_ptr<usb::UsbInterface> interface;
        QCOMPARE(service->createInterface(interface), kIOReturnSuccess);

        testsupport::LogCapture log;
        auto printer = TBUSBPrinter::create<TBUSBPrinterZEV>();
        printer->initWithInterfaceInterface(interface);
        printer->setDeviceObject(service);
        // The attach-time open and close, the device ID and the descriptor strings come first.
        QTRY_VERIFY_WITH_TIMEOUT(!printer->productUSB().isEmpty() && !sim.device->isClaimed(), 5000);
        printer->printerCommandQueue()->waitUntilIdle();
        sim.printer->clearReceived();

        printer->probe();
        QTRY_COMPARE_WITH_TIMEOUT(sim.printer->receivedCommands().size(), int(kHVCProbe.size()), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!sim.device->isClaimed(), 5000); // closed once, at the end
        printer->printerCommandQueue()->waitUntilIdle();
        QTest::qWait(20); // a stray frame would come through the kernel and the umockdev responder
        QCOMPARE(sim.printer->receivedCommands(), kHVCProbe);

        QCOMPARE(printer->keyUSBdevice().right(8), QStringLiteral("01400000"));
        QCOMPARE(printer->firmwareVersion(), QStringLiteral("HVC 01.21"));
        QCOMPARE(printer->printerSerialNumber(), QStringLiteral("HVC-0042"));
        QCOMPARE(printer->lifetimeCounter(), QStringLiteral("1234"));
        QVERIFY(printer->usbISerial());
        QVERIFY(log.contains("printer firmware version: HVC 01.21"));
        QVERIFY(!log.contains("LIBUSB_ERROR"));

        printer->prepareForRelease();
        printer->printerCommandQueue()->waitUntilIdle();
        QCoreApplication::processEvents();
        printer.reset();
        QCoreApplication::processEvents();
        usb::setCurrentBus(nullptr);
    }
};

QTEST_GUILESS_MAIN(LibusbProbeTest)
#include "test_libusb_probe.moc"
