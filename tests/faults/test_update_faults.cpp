// Every step of a firmware update against every fault a kiosk sees, on the simulated bus: the
// printer is unplugged, loses power, drops a reply, answers with a garbled or an oversized length,
// is taken by another program, or answers just before the host's time-out. Each cell must end with
// the printer updated, or resumable (its start-up probe finishes the update once it is back), or
// untouched with the operator asked to try again; the operator told what happened; the window
// turning all along. The recovery proves each cell by finishing the update. The rig runs on a test
// clock, so time-outs, restarts and slow replies take no real time.
#include "common/updatefaults.h"
#include "window/simfixture.h"

#include "Classes/Edition.h"
#include "Classes/UpdateSession.h"
#include "platform/dialogs.h"

#include <QtTest>

#include <map>

using namespace testsupport;
using Step = UpdateStep;
using Fault = UpdateFault;

namespace {

constexpr Step kSteps[] = {Step::Request, Step::Readiness,   Step::StatusChange, Step::Start,  Step::Restart1,
                           Step::Upload,  Step::Programming, Step::Tables,       Step::Outcome};
constexpr Fault kFaults[] = {Fault::Unplug,    Fault::PowerLoss,   Fault::NoReply,     Fault::Garbage,
                             Fault::Oversized, Fault::OtherHolder, Fault::OldFirmware, Fault::Slow};

// What each cell must come to, and the first thing the operator is told (an alert's headline, or
// the row when no alert comes).
struct Expected {
    const char* outcome;
    const char* told;
};
constexpr char kUpdated[] = "updated", kResumed[] = "resumed", kNotStarted[] = "not started";
constexpr char kDone[] = "Firmware update was successful!", kError[] = "Printer Error",
               kBusy[] = "Printer Busy", kNotReady[] = "Printer Not Ready",
               kNotSent[] = "The firmware could not be sent to the printer",
               kNoTables[] = "The color tables could not be written", kGone[] = "row: (left the list)",
               kProblem[] = "There was a problem with the firmware update!";
constexpr Expected kUp{kUpdated, kDone}, kErr{kNotStarted, kError}, kOld{kNotStarted, kProblem};
// Rows in the order of kSteps, columns in the order of kFaults.
constexpr Expected kExpected[9][8] = {
    // request
    {kErr, kErr, kErr, kErr, kErr, {kNotStarted, kBusy}, kOld, kUp},
    // readiness
    {kErr, kErr, kErr, kErr, kErr, {kNotStarted, kBusy}, kOld, kUp},
    // status change: nothing goes to a printer that is no longer idle
    {kErr,
     kErr,
     {kNotStarted, kNotReady},
     {kNotStarted, kNotReady},
     {kNotStarted, kNotReady},
     {kNotStarted, kBusy},
     {kNotStarted, kNotReady},
     {kNotStarted, kNotReady}},
    // start
    {kErr, kErr, kUp, kUp, kUp, {kNotStarted, kBusy}, kOld, kUp},
    // restart 1
    {{kResumed, kGone}, kUp, kUp, kUp, kUp, {kResumed, kBusy}, kOld, kUp},
    // upload
    {{kResumed, kNotSent}, {kResumed, kNotSent}, kUp, kUp, kUp, {kResumed, kBusy}, kOld, kUp},
    // programming and restart 2
    {{kResumed, kGone}, kUp, kUp, kUp, kUp, {kResumed, kBusy}, kOld, kUp},
    // tables
    {{kResumed, kNoTables}, {kResumed, kNoTables}, kUp, kUp, kUp, kUp, kUp, kUp},
    // outcome
    {kUp, kUp, kUp, kUp, kUp, kUp, kUp, kUp},
};

// The longest the window may go without a turn of its loop: far above any normal turn, far below
// the time a USB read waiting on the main thread would hold it.
constexpr qint64 kLongestStallMs = 2000;

std::map<std::pair<int, int>, QString>& matrix() {
    static std::map<std::pair<int, int>, QString> cells;
    return cells;
}

void printMatrix() {
    if (matrix().empty()) return;
    QString table = QStringLiteral("%1").arg(QString(), -22);
    for (Fault fault : kFaults)
        table += QStringLiteral("| %1").arg(QLatin1String(faultName(fault)), -14);
    for (Step step : kSteps) {
        table += QStringLiteral("\n%1").arg(QLatin1String(stepName(step)), -22);
        for (Fault fault : kFaults) {
            const auto it = matrix().find({int(step), int(fault)});
            table += QStringLiteral("| %1").arg(it == matrix().end() ? QStringLiteral("-") : it->second, -14);
        }
    }
    qInfo().noquote() << "fault matrix of an update (step x fault: outcome)\n" + table;
}

} // namespace

class UpdateFaultsTest : public QObject {
    Q_OBJECT

    std::shared_ptr<platform::ScriptedAlertPresenter> presenter;

private slots:
    void init() {
        Edition::setCurrent(Edition::printerFlasher());
        presenter = std::make_shared<platform::ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
    }
    void cleanup() {
        platform::setAlertPresenter(nullptr);
        presenter.reset();
    }
    void cleanupTestCase() { printMatrix(); }

    void updateUnderFault_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("fault");
        for (Step step : kSteps)
            for (Fault fault : kFaults)
                QTest::addRow("%s, %s", stepName(step), faultName(fault)) << int(step) << int(fault);
    }
    void updateUnderFault() {
        QFETCH(int, step);
        QFETCH(int, fault);
        const Expected expected = kExpected[step][fault];

        TestClock clock; // before the rig, which must be gone before it
        SimFixture f;
        const std::uint32_t location = f.port(1);
        const SimPrinter printer = f.attach(sim::SimZEVModel::HVC, location);
        f.controller->awakeFromNib();
        QTRY_VERIFY_WITH_TIMEOUT(f.probed(location), 10000);

        UpdateUnderFault::Setup setup;
        setup.device = printer.device;
        setup.printer = printer.commandSet;
        setup.listed = [&f, location] { return f.printerAt(location); };
        setup.presenter = presenter;
        setup.clock = &clock;
        const UpdateFaultResult result = UpdateUnderFault(setup, Step(step), Fault(fault)).run();
        matrix()[{step, fault}] = result.outcome;
        qInfo().noquote() << QStringLiteral("%1; told: %2; alerts: %3; longest stall %4 ms")
                                 .arg(result.outcome, result.told, result.alerts.join(QStringLiteral(" / ")))
                                 .arg(result.longestMainThreadStallMs);

        QCOMPARE(result.outcome, QLatin1String(expected.outcome));
        QCOMPARE(result.told, QLatin1String(expected.told));
        QVERIFY2(result.finished, "the recovery did not finish the update");
        QVERIFY2(result.longestMainThreadStallMs < kLongestStallMs,
                 qPrintable(QString::number(result.longestMainThreadStallMs)));
        // The outcome names the version the printer runs, and nothing is left half done: every table
        // written, no update under way.
        QCOMPARE(result.lastSuccess, QStringLiteral("Firmware version updated from HVC 01.21 to HVC 01.41"));
        QCOMPARE(printer.commandSet->state().colorTables.value("610").version, QStringLiteral("0110"));
        TBPrinters::Printer listed;
        QTRY_VERIFY((listed = f.printerAt(location)));
        QTRY_VERIFY(!listed->inFirmwareUpdate());
        QVERIFY(!TBUSBPrinterZEV::updatesUnderWay().contains(listed->keyUSBdevice()));
        // Also when the version answer after programming came late, garbled or not at first.
        QCOMPARE(UpdateSession::endedOnFirmware(listed->keyUSBdevice()), QStringLiteral("HVC 01.41"));
    }
};

QTEST_MAIN(UpdateFaultsTest)
#include "test_update_faults.moc"
