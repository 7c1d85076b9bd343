// The owner of an update, driven directly against one simulated printer, without discovery or window:
// each step's answer to each event and what it records, the one ending, the wait for a printer that
// left for a restart, and the steps that must see the package and the printer as they are.
#include "protocol/zevrig.h"

#include "Classes/Edition.h"
#include "Classes/TBUpdateHistory.h"
#include "Classes/UpdateSession.h"
#include "common/testclock.h"
#include "platform/dialogs.h"
#include "platform/resources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Step = UpdateSession::Step;
using Event = UpdateSession::Event;
using Outcome = UpdateSession::Outcome;
using Record = UpdateSession::Record;
using Model = sim::SimZEVModel;

namespace {

constexpr qint64 kFirst = platform::kAlertFirstButtonReturn;

// The newest attempt in the history.
TBUpdateHistory::Attempt lastAttempt() {
    TBUpdateHistory::flush();
    const QList<TBUpdateHistory::Attempt> attempts = TBUpdateHistory::readAll();
    return attempts.isEmpty() ? TBUpdateHistory::Attempt{} : attempts.first();
}

QStringList phaseNames(const TBUpdateHistory::Attempt& attempt) {
    QStringList names;
    for (const auto& phase : attempt.phases)
        names << phase.name;
    return names;
}

} // namespace

class UpdateSessionTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::shared_ptr<platform::ScriptedAlertPresenter> presenter_;

private slots:
    void initTestCase() {
        Edition::setCurrent(Edition::printerFlasher());
        QVERIFY(TBUpdateHistory::open(dir_.filePath(QStringLiteral("history.sqlite"))));
    }
    void cleanupTestCase() { TBUpdateHistory::close(); }
    void init() {
        presenter_ = std::make_shared<platform::ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter_);
    }
    void cleanup() { platform::setAlertPresenter(nullptr); }

    // Each transition of the table: the step it leads to, the phase the history gets, where the bar
    // stands and whether the row shows an update.
    void transitions_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("event");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("phase");
        QTest::addColumn<int>("permille");
        QTest::addColumn<bool>("updating");
        const auto row = [](Step from, Event event, Step to, const char* phase, int permille, bool updating) {
            QTest::addRow("%s -> %s", qPrintable(UpdateSession::stepName(from)),
                          qPrintable(UpdateSession::stepName(to)))
                << int(from) << int(event) << int(to) << QString::fromLatin1(phase) << permille << updating;
        };
        row(Step::Request, Event::Passed, Step::Readiness, "", -1, false);
        row(Step::Readiness, Event::Passed, Step::Confirmation, "", -1, false);
        row(Step::Readiness, Event::Retry, Step::Readiness, "", -1, false);
        row(Step::Readiness, Event::InUpdateMode, Step::Upload, "upload", 150, true);
        row(Step::Confirmation, Event::Passed, Step::Rewrite, "request", 0, true);
        row(Step::Rewrite, Event::NotReady, Step::Readiness, "", -1, false);
        row(Step::Rewrite, Event::Sent, Step::RestartIntoUpdateMode, "restart-into-update-mode", 50, true);
        row(Step::RestartIntoUpdateMode, Event::Returned, Step::Upload, "upload", 150, true);
        row(Step::Upload, Event::Sent, Step::ProgrammingAndRestart, "programming-and-restart", 650, true);
        row(Step::ProgrammingAndRestart, Event::Returned, Step::Tables, "colour-tables", 850, true);
        row(Step::Tables, Event::InUpdateMode, Step::Upload, "upload", 850, true); // the bar never goes back
        row(Step::Tables, Event::Sent, Step::Outcome, "", 850, true);
    }
    void transitions() {
        QFETCH(int, from);
        QFETCH(int, event);
        QFETCH(int, to);
        QFETCH(QString, phase);
        QFETCH(int, permille);
        QFETCH(bool, updating);
        ZEVRig rig(Model::HVC);
        const auto session =
            UpdateSession::start(rig.printer, Step(from), false, QStringLiteral("HVC 01.41"));
        const QStringList before = phaseNames(lastAttempt());
        QVERIFY(session->advance(Event(event)));
        QCOMPARE(int(session->step()), to);
        QCOMPARE(phaseNames(lastAttempt()).mid(before.size()),
                 phase.isEmpty() ? QStringList() : QStringList{phase});
        QCOMPARE(session->progressPermille(), permille);
        rig.settle();
        QCOMPARE(rig.printer->inFirmwareUpdate(), updating);
        session->end(Outcome::Cancelled);
    }

    // Every other event leaves the step as it is; an ended session takes none.
    void everyOtherEventIsRefused() {
        ZEVRig rig(Model::HVC);
        for (int from = 0; from <= int(Step::Outcome); ++from) {
            for (int event = 0; event <= int(Event::Returned); ++event) {
                const auto session = UpdateSession::start(rig.printer, Step(from), true);
                const bool known = UpdateSession::next(Step(from), Event(event)).has_value();
                QCOMPARE(session->advance(Event(event)), known);
                if (!known) QCOMPARE(int(session->step()), from);
                session->end(Outcome::Cancelled);
                QVERIFY(!session->advance(Event(event)));
            }
        }
    }

    // The one ending: the history's outcome and text, the update status kept or cleared, the row and
    // the computer free again, the notice told with its meaning; a second ending changes nothing.
    void ending_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("told");
        QTest::addColumn<bool>("statusKept");
        using Told = platform::AlertIntent::Outcome;
        QTest::newRow("succeeded") << int(Outcome::Succeeded) << int(Record::Keep) << "Done"
                                   << "succeeded"
                                   << "" << int(Told::Succeeded) << true;
        QTest::newRow("failed, nothing to carry on") << int(Outcome::Failed) << int(Record::Clear) << "Bad"
                                                     << "failed"
                                                     << "Bad\n\nwhy" << int(Told::Failed) << false;
        QTest::newRow("lost, kept for its return") << int(Outcome::Lost) << int(Record::Keep) << "Gone"
                                                   << "lost"
                                                   << "Gone\n\nwhy" << int(Told::Lost) << true;
        QTest::newRow("cancelled, no notice") << int(Outcome::Cancelled) << int(Record::Keep) << ""
                                              << "cancelled"
                                              << "" << -1 << true;
    }
    void ending() {
        QFETCH(int, outcome);
        QFETCH(int, record);
        QFETCH(QString, title);
        QFETCH(QString, word);
        QFETCH(QString, failure);
        QFETCH(int, told);
        QFETCH(bool, statusKept);
        ZEVRig rig(Model::HVC);
        const auto session = UpdateSession::start(rig.printer, Step::Upload, false);
        session->storeStatus(TBUSBPrinterZEV::RebootingAfterFirmwareUpload);
        rig.settle();
        QCOMPARE(UpdateSession::underWay(), QStringList{rig.printer->keyUSBdevice()});
        QVERIFY(!rig.printer->updateCanStart());

        session->end(Outcome(outcome), UpdateSession::Notice(title, QStringLiteral("why")), Record(record));
        session->end(Outcome::Failed, UpdateSession::Notice(QStringLiteral("Second"), {}), Record::Clear);
        rig.settle();
        const TBUpdateHistory::Attempt attempt = lastAttempt();
        QCOMPARE(attempt.outcome, word);
        QCOMPARE(attempt.failure, failure);
        QCOMPARE(rig.printer->firmwareUpdateStatus().has_value(), statusKept);
        QVERIFY(!rig.printer->inFirmwareUpdate());
        QCOMPARE(rig.printer->updateProgress(), -1);
        QVERIFY(UpdateSession::underWay().isEmpty());
        QVERIFY(!UpdateSession::find(rig.printer->keyUSBdevice()));
        QVERIFY(rig.printer->updateCanStart());
        QVERIFY(!rig.sim.device->isClaimed());
        QCOMPARE(presenter_->headlines(), told < 0 ? QStringList() : QStringList{title});
        if (told >= 0) QCOMPARE(int(presenter_->shown().first().intent.outcome), told);
    }

    // A printer that left for a restart is waited for once; one that does not come back ends its
    // update as lost, with the operator told what to do and the record kept for its return.
    void restartWait_data() {
        QTest::addColumn<bool>("comesBack");
        QTest::newRow("never comes back") << false;
        QTest::newRow("back in time") << true;
    }
    void restartWait() {
        QFETCH(bool, comesBack);
        UpdateSession::setReturnTimeoutMs(300);
        testsupport::TestClock clock;
        ZEVRig rig(Model::HVC);
        clock.setSettle([&] { rig.settle(); });
        const auto session = UpdateSession::start(rig.printer, Step::Rewrite, false);
        session->storeStatus(TBUSBPrinterZEV::WaitingForFirmwareUpload);
        QVERIFY(session->advance(Event::Sent));
        session->printerLeft(rig.printer.get());
        if (comesBack) session->adopt(rig.printer);
        clock.advance(299);
        QVERIFY(!session->hasEnded());
        clock.advance(301);
        UpdateSession::setReturnTimeoutMs(5 * 60 * 1000);
        QCOMPARE(session->hasEnded(), !comesBack);
        if (comesBack) {
            QVERIFY(presenter_->headlines().isEmpty());
            QCOMPARE(UpdateSession::underWay(), QStringList{rig.printer->keyUSBdevice()});
            session->end(Outcome::Cancelled);
            return;
        }
        QCOMPARE(presenter_->headlines(), QStringList{"The printer did not come back"});
        QVERIFY(presenter_->shown().first().informativeText.contains("carries on by itself"));
        QCOMPARE(lastAttempt().outcome, QStringLiteral("lost"));
        QCOMPARE(rig.printer->firmwareUpdateStatus(),
                 std::optional<int>(TBUSBPrinterZEV::WaitingForFirmwareUpload));
        QVERIFY(UpdateSession::underWay().isEmpty());
    }

    // The version gate compares with the package's version once the package has been checked, also
    // when nothing has asked for it before (no window drew the row): never with an unknown one.
    void gateWaitsForThePackageCheck() {
        ZEVRig rig(Model::HVC);
        rig.printer->proceedWithUpdateWhenReady();
        QTRY_COMPARE(presenter_->headlines(),
                     QStringList{"-- Warning --\n\nAre you certain you want to update the firmware?"});
        QVERIFY(presenter_->answer({kFirst, {}}));
        rig.settle();
        QVERIFY(!rig.sim.device->isClaimed());
    }

    // An upload carried on after a restart whose package turned out damaged ends the update: the
    // printer keeps waiting for its image, and the operator may start it again from the row.
    void damagedPackageAtTheCarriedOnUpload() {
        QTemporaryDir package;
        QVERIFY(QDir().mkpath(package.filePath("firmware")));
        const QDir source(QStringLiteral(PRINTER_TOOLS_SOURCE_DIR "/resources/firmware"));
        for (const QString& name : source.entryList(QDir::Files))
            QVERIFY(QFile::copy(source.filePath(name), package.filePath("firmware/" + name)));
        QFile image(package.filePath("firmware/HVC 01.41.fw"));
        QVERIFY(image.open(QIODevice::Append));
        image.write("x");
        image.close();
        const QString key = QString::asprintf("%.4X%.4X%.8X", unsigned(sim::simZEVVendorId()),
                                              unsigned(sim::simZEVModelFacts(Model::HVC).productId),
                                              unsigned(ZEVRig::kLocation));
        TBUSBPrinter::deviceInfoForKey(key)->setValue(deviceFirmwareUpdateState,
                                                      int(TBUSBPrinterZEV::WaitingForFirmwareUpload));
        platform::resources::setSearchDirectoriesOverride({package.path()});
        ZEVRig rig(Model::HVC, [](sim::SimZEVPrinterState& s) { s.firmwareUpdateMode = true; });
        rig.printer->probe();
        QTRY_COMPARE(presenter_->headlines(), QStringList{"There was a problem with the firmware file!"});
        platform::resources::setSearchDirectoriesOverride({});
        rig.settle();
        QVERIFY(!rig.printer->inFirmwareUpdate());
        QVERIFY(rig.printer->updateCanStart());
        QCOMPARE(rig.printer->firmwareUpdateStatus(),
                 std::optional<int>(TBUSBPrinterZEV::WaitingForFirmwareUpload));
        QVERIFY(!rig.commands().contains("FW_UPDFLASH_PROGRAM"));
        TBUSBPrinter::deviceInfoForKey(key)->remove(deviceFirmwareUpdateState);
    }
};

QTEST_MAIN(UpdateSessionTest)
#include "test_session.moc"
