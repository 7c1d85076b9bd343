// What the update flow records of real updates of a simulated HVC printer, read back through the
// History window's model: one that succeeds, one the operator cancels, one that fails.
#include "window/simfixture.h"

#include "Classes/Edition.h"
#include "Classes/TBUpdateHistory.h"
#include "platform/dialogs.h"
#include "platform/resources.h"
#include "ui/historywindow.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;
using platform::ScriptedAlertPresenter;
using Column = ui::HistoryModel::Column;

namespace {

constexpr qint64 kFirst = platform::kAlertFirstButtonReturn;

} // namespace

class HistoryRecordTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::shared_ptr<ScriptedAlertPresenter> presenter_;

    // Lists an HVC printer on a fixture of its own, asks for its update and lets `run` answer.
    void update(const std::function<void(SimFixture&, SimPrinter&)>& run) {
        SimFixture f;
        SimPrinter printer = f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QVERIFY(QTest::qWaitFor([&] { return f.probed(f.port(1)); }, 5000));
        presenter_ = std::make_shared<ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter_);
        f.printerAt(f.port(1))->updateFirmware();
        run(f, printer);
        TBUpdateHistory::flush();
        platform::setAlertPresenter(nullptr);
    }

private slots:
    void initTestCase() {
        Edition::setCurrent(Edition::printerFlasher());
        QVERIFY(TBUpdateHistory::open(dir_.filePath(QStringLiteral("update-history.sqlite"))));
    }
    void cleanupTestCase() { TBUpdateHistory::close(); }

    void succeededCancelledFailed() {
        update([this](SimFixture&, SimPrinter&) {
            presenter_->queueAnswer({kFirst + 1, true}); // "I Agree", "Continue"
            presenter_->queueAnswer({kFirst + 1, {}});   // "Update Firmware to HVC 01.41"
            presenter_->queueAnswer({kFirst, {}});       // "Finish"
            QTRY_COMPARE_WITH_TIMEOUT(presenter_->headlines().size(), 3, 15000);
        });
        update([this](SimFixture&, SimPrinter&) {
            presenter_->queueAnswer({kFirst + 1, true});
            presenter_->queueAnswer({kFirst, {}}); // "Cancel" at the confirmation
            QTRY_COMPARE(presenter_->headlines().size(), 2);
        });
        // The package is damaged between the warning and the confirmation.
        update([this](SimFixture&, SimPrinter&) {
            QTemporaryDir damaged;
            const QString image = damaged.filePath(QStringLiteral("HVC 01.41.fw"));
            QVERIFY(
                QFile::copy(platform::resources::pathForResourceFile(QStringLiteral("HVC 01.41.fw")), image));
            QFile file(image);
            QVERIFY(file.open(QIODevice::Append));
            file.write("x");
            file.close();
            presenter_->queueAnswer({kFirst + 1, true});
            QTRY_COMPARE(presenter_->waiting(), 1);
            platform::resources::setSearchDirectoriesOverride(
                {damaged.path(), platform::resources::searchDirectories().first()});
            QVERIFY(presenter_->answer({kFirst + 1, {}}));
            QTRY_COMPARE(presenter_->headlines().size(), 3);
            platform::resources::setSearchDirectoriesOverride({});
            QVERIFY(presenter_->answer({kFirst, {}}));
        });

        ui::HistoryModel model;
        model.reload();
        QTRY_VERIFY(model.isLoaded());
        QCOMPARE(model.problem(), QString());
        const QList<TBUpdateHistory::Attempt>& attempts = model.attempts();
        QCOMPARE(attempts.size(), 3);
        QStringList outcomes;
        for (const auto& attempt : attempts)
            outcomes << attempt.outcome;
        QCOMPARE(outcomes, (QStringList{"failed", "cancelled", "succeeded"}));
        QCOMPARE(model.data(model.index(0, Column::OutcomeColumn)).toString(), QStringLiteral("Failed"));
        QCOMPARE(attempts.at(0).failure,
                 QStringLiteral("-- File corruption --\n\nThere is a problem with the "
                                "firmware files.\n\nContact customer support."));

        const TBUpdateHistory::Attempt& done = attempts.at(2);
        QCOMPARE(done.model, QStringLiteral("HVC"));
        QCOMPARE(done.firmwareBefore, QStringLiteral("HVC 01.21"));
        QCOMPARE(done.firmwareTarget, QStringLiteral("HVC 01.41"));
        QCOMPARE(done.firmwareAfter, QStringLiteral("HVC 01.41"));
        QCOMPARE(done.colorTablesAfter, QStringLiteral("300 0100, 600 0110, 610 0110"));
        QStringList phases;
        for (const auto& phase : done.phases)
            phases << phase.name;
        QCOMPARE(phases, (QStringList{"request", "restart-into-update-mode", "upload",
                                      "programming-and-restart", "colour-tables"}));
        QCOMPARE(model.rowCount(model.index(2, 0)), 5);
        // Neither the cancelled nor the failed update got as far as a phase past the request.
        QVERIFY(attempts.at(1).phases.isEmpty());
        QVERIFY(attempts.at(0).phases.size() <= 1);
    }
};

QTEST_MAIN(HistoryRecordTest)
#include "test_history_record.moc"
