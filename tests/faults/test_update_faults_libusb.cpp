// The faults umockdev can play, through the libusb backend: the simulated printer behind usbfs is
// unplugged while the image is on its way, leaves a reply out (libusb's own time-out runs), answers
// with a garbled length field (the rest of the record waits in the read-ahead), or is held by
// another program (the claim fails with EBUSY). One cell per fault, at the step where the backend
// does the most; each must end as on the simulated bus. Runs under umockdev-wrapper; skips without.
#include "LibusbApplication.h"
#include "UsbfsTestbed.h"

#include "Classes/Edition.h"
#include "common/updatefaults.h"
#include "platform/dialogs.h"

#include <QtTest>

using namespace usbfs_test;
using namespace testsupport;
using Step = UpdateStep;
using Fault = UpdateFault;

namespace {

constexpr int kRestartDelayMs = 20;
// A printer in update mode leaves the version query unanswered, and libusb waits its full 5 s for
// it: silence shorter than that is no sign that the update stands still.
constexpr int kQuietMs = 6000;
constexpr qint64 kLongestStallMs = 2000;

} // namespace

class LibusbUpdateFaultsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UsbfsTestbed> bed;
    std::shared_ptr<platform::ScriptedAlertPresenter> presenter;
    QStringList cells;

private slots:
    void init() {
        Edition::setCurrent(Edition::printerFlasher());
        USBFS_TESTBED_OR_SKIP(bed);
        presenter = std::make_shared<platform::ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
    }
    void cleanup() {
        platform::setAlertPresenter(nullptr);
        presenter.reset();
        bed.reset();
    }
    void cleanupTestCase() {
        if (!cells.isEmpty())
            qInfo().noquote() << "fault matrix of an update over libusb\n" + cells.join('\n');
    }

    void updateUnderFault_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("told");
        // Each on a port of its own: the device-info registry outlives a test's program side.
        QTest::addColumn<int>("port");
        const QString done = QStringLiteral("Firmware update was successful!");
        QTest::newRow("upload, unplug") << int(Step::Upload) << int(Fault::Unplug) << "resumed"
                                        << "The firmware could not be sent to the printer" << 4;
        QTest::newRow("restart 1, no reply")
            << int(Step::Restart1) << int(Fault::NoReply) << "updated" << done << 5;
        QTest::newRow("tables, garbage reply")
            << int(Step::Tables) << int(Fault::Garbage) << "updated" << done << 6;
        QTest::newRow("restart 1, other holder")
            << int(Step::Restart1) << int(Fault::OtherHolder) << "resumed"
            << "Printer Busy" << 7;
    }
    void updateUnderFault() {
        QFETCH(int, step);
        QFETCH(int, fault);
        QFETCH(QString, outcome);
        QFETCH(QString, told);
        QFETCH(int, port);
        const std::uint32_t location = 0x01000000u | std::uint32_t(port) << 20; // bus 1

        const sim::SimZEVDevice printer = sim::makeSimZEVDevice(sim::SimZEVModel::HVC, location);
        printer.printer->setRestartDelayMs(kRestartDelayMs);
        bed->followRestarts(bed->plug(printer.device, {1, std::uint8_t(port), 2}));
        LibusbApplication app;
        const auto listed = [&app, location]() -> TBPrinters::Printer {
            for (const auto& p : app.controller->printers())
                if (p->locationID() == location) return p;
            return {};
        };
        QTRY_VERIFY_WITH_TIMEOUT(listed() && probeDone(printer) && !listed()->printerStatus().isEmpty(),
                                 15000);

        UpdateUnderFault::Setup setup;
        setup.device = printer.device;
        setup.printer = printer.printer;
        setup.listed = listed;
        setup.presenter = presenter;
        setup.quietMs = kQuietMs;
        setup.phaseLimitMs = 40000;
        const UpdateFaultResult result = UpdateUnderFault(setup, Step(step), Fault(fault)).run();
        cells << QStringLiteral("%1 x %2: %3; told: %4")
                     .arg(QLatin1String(stepName(Step(step))), QLatin1String(faultName(Fault(fault))),
                          result.outcome, result.told);
        qInfo().noquote() << QStringLiteral("%1; told: %2; alerts: %3; longest stall %4 ms")
                                 .arg(result.outcome, result.told, result.alerts.join(QStringLiteral(" / ")))
                                 .arg(result.longestMainThreadStallMs);

        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.told, told);
        QVERIFY2(result.finished, "the recovery did not finish the update");
        QVERIFY2(result.longestMainThreadStallMs < kLongestStallMs,
                 qPrintable(QString::number(result.longestMainThreadStallMs)));
        QCOMPARE(result.lastSuccess, QStringLiteral("Firmware version updated from HVC 01.21 to HVC 01.41"));
        QTRY_VERIFY(listed() && !listed()->inFirmwareUpdate());
    }
};

QTEST_MAIN(LibusbUpdateFaultsTest)
#include "test_update_faults_libusb.moc"
