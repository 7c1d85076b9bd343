// A printer slow to answer its USB string descriptors: the reads wait on its command queue while the
// window goes on, and the printer joins the list, named, once they are answered.
#include "../window/simfixture.h"

#include "Classes/Edition.h"
#include "common/testsupport.h"

#include <QtTest>

using namespace testsupport;

namespace {
// Long enough that no arrival finishes its reads meanwhile; short enough that a window blocked in
// them comes back within the test's time-out instead of hanging it.
constexpr std::uint32_t kHoldLimitMs = 3000;
} // namespace

class SlowStringsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Edition::setCurrent(Edition::printerFlasher()); }

    void windowRunsWhileTheStringsAreHeld() {
        SimFixture f;
        f.controller->awakeFromNib();
        SimPrinter printer = f.makePrinter(sim::SimZEVModel::HVC, f.port(1));
        printer.device->holdStringDescriptors(kHoldLimitMs);
        f.bus->attach(printer.device);
        // This wait runs the main thread's event loop, which delivers the arrival; it can only see a
        // request held if the request is not being made on the main thread itself.
        QTRY_VERIFY_WITH_TIMEOUT(printer.device->heldStringDescriptorRequests() == 1, 2000);
        QCOMPARE(f.rows(), 0);

        printer.device->answerHeldStringDescriptors();
        QTRY_COMPARE(f.rows(), 1);
        const auto listed = f.printerAt(f.port(1));
        // Listed with its strings in: the row never shows a nameless printer.
        QCOMPARE(listed->productUSB(), QStringLiteral("HVP-HVC"));
        QVERIFY(!listed->vendorUSB().isEmpty());
        QVERIFY(f.cell(0, ui::PrinterListModel::PrinterColumn).endsWith(QStringLiteral("HVP-HVC")));
        QTRY_VERIFY(f.probed(f.port(1)));
    }

    // Pulled before it was listed: nothing is listed later, and the removal is not reported as unmatched.
    void printerPulledWhileItsStringsAreHeldIsNeverListed() {
        LogCapture log;
        SimFixture f;
        f.controller->awakeFromNib();
        SimPrinter printer = f.makePrinter(sim::SimZEVModel::HVC, f.port(1));
        printer.device->holdStringDescriptors(kHoldLimitMs);
        f.bus->attach(printer.device);
        QTRY_VERIFY_WITH_TIMEOUT(printer.device->heldStringDescriptorRequests() == 1, 2000);
        f.bus->detach(f.port(1));
        QTRY_VERIFY(log.contains(QStringLiteral("removing ")));
        f.settle();
        QCOMPARE(f.rows(), 0);
        QVERIFY(!log.contains(QStringLiteral("failed to match a printer object")));
    }
};

QTEST_MAIN(SlowStringsTest)
#include "test_slowstrings.moc"
