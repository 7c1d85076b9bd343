// The application controller and its printer list on the libusb backend, with simulated printers
// behind umockdev's usbfs: arrival, re-enumeration, a printer pulled in the middle of a read, and a
// printer another program holds. Runs under umockdev-wrapper; skips (not passes) without it.
#include "LibusbApplication.h"
#include "UrbResponder.h"
#include "UsbfsTestbed.h"

#include "Classes/Edition.h"
#include "common/testsupport.h"

#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

using namespace usbfs_test;

namespace {

constexpr int kListWaitMs = 5000;
constexpr int kProbeWaitMs = 15000;

} // namespace

class LibusbControllerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UsbfsTestbed> bed;

private slots:
    void init() {
        Edition::setCurrent(Edition::printerFlasher());
        USBFS_TESTBED_OR_SKIP(bed);
    }
    void cleanup() { bed.reset(); }

    void theListFollowsPrintersOnTheRealBus() {
        testsupport::LogCapture log;
        sim::SimZEVDevice first = sim::makeSimZEVDevice(sim::SimZEVModel::HVC, 0x01400000);
        const std::string syspath = bed->plug(first.device, {1, 4, 2});
        LibusbApplication app;

        // Arrival: listed, named from its device ID, probed over real libusb.
        QTRY_COMPARE_WITH_TIMEOUT(app.rows(), 1, kListWaitMs);
        const auto printer = app.controller->printerAt(0);
        QTRY_VERIFY_WITH_TIMEOUT(probeDone(first), kProbeWaitMs);
        QCOMPARE(printer->firmwareVersion(), QStringLiteral("HVC 01.21"));
        QTRY_COMPARE(printer->manufacturer(), QStringLiteral("ZEV"));
        const QString key = printer->keyUSBdevice();
        QCOMPARE(key.right(8), QStringLiteral("01400000"));

        // Re-enumeration: a new printer object in its place, under the same device key.
        first.printer->clearReceived();
        printer->hotPlug();
        QTRY_VERIFY_WITH_TIMEOUT(app.rows() == 1 && app.controller->printerAt(0) != printer, kListWaitMs);
        QVERIFY(log.contains(QStringLiteral("Successfully reenumerated")));
        const auto again = app.controller->printerAt(0);
        QCOMPARE(again->keyUSBdevice(), key);
        QTRY_VERIFY_WITH_TIMEOUT(probeDone(first), kProbeWaitMs);

        // Pulled while a read waits for a printer that does not answer: the read fails, the
        // printer leaves the list, and the program carries on.
        first.printer->addFault({sim::SimZEVFaultKind::NoReply, QString(), -1, 0});
        static_cast<sim::SimZEVProcessor&>(*first.device->processor()).setInstantTimeouts(false);
        const int reads = first.device->bulkInCount();
        again->probe();
        QTRY_VERIFY_WITH_TIMEOUT(first.device->bulkInCount() > reads, kListWaitMs);
        QTest::qWait(50); // the read is handed to the kernel; nothing shows when
        first.device->unplug();
        bed->unplug(syspath);
        QTRY_COMPARE_WITH_TIMEOUT(app.rows(), 0, kListWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("left the bus during the transfer")),
                                 kListWaitMs);

        sim::SimZEVDevice second = sim::makeSimZEVDevice(sim::SimZEVModel::HVC, 0x01500000);
        bed->plug(second.device, {1, 5, 3});
        QTRY_COMPARE_WITH_TIMEOUT(app.rows(), 1, kListWaitMs);
        QCOMPARE(app.controller->printerAt(0)->keyUSBdevice().right(8), QStringLiteral("01500000"));
        QTRY_VERIFY_WITH_TIMEOUT(probeDone(second), kProbeWaitMs);
    }

    void aPrinterAnotherProgramHoldsIsStillNamed_data() {
        QTest::addColumn<bool>("printJob");
        QTest::newRow("interface claimed") << false;
        QTest::newRow("print job through the printer driver") << true;
    }
    void aPrinterAnotherProgramHoldsIsStillNamed() {
        QFETCH(bool, printJob);
        sim::SimZEVDevice held = sim::makeSimZEVDevice(sim::SimZEVModel::HVC, 0x01400000);
        const std::string syspath = bed->plug(held.device, {1, 4, 2});
        const int job = printJob ? ::open(bed->printerDriverNode(syspath).c_str(), O_WRONLY) : -1;
        if (!printJob) held.device->setHeldByOtherProgram(true);
        LibusbApplication app;
        QTRY_COMPARE_WITH_TIMEOUT(app.rows(), 1, kListWaitMs);
        const auto printer = app.controller->printerAt(0);
        // The device ID needs no claim of the interface.
        QTRY_COMPARE_WITH_TIMEOUT(printer->manufacturer(), QStringLiteral("ZEV"), kListWaitMs);
        QCOMPARE(printer->model(), QStringLiteral("HVP-HVC"));
        QTRY_COMPARE_WITH_TIMEOUT(printer->printerStatus(), QStringLiteral("In use by other application"),
                                  kListWaitMs);
        QCOMPARE(held.printer->receivedCommands(), QStringList()); // nothing got through to it
        QCOMPARE(bed->responder(syspath)->kernelDriverDetaches(), 0);

        // Once the other program has let go, the printer can be probed.
        if (printJob)
            ::close(job);
        else
            held.device->setHeldByOtherProgram(false);
        printer->probe();
        QTRY_VERIFY_WITH_TIMEOUT(probeDone(held), kProbeWaitMs);
    }
};

QTEST_MAIN(LibusbControllerTest)
#include "test_libusb_controller.moc"
