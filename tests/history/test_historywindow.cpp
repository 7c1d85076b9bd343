// The History window over a real store: attempts newest first with their phases, the support export
// (history and log file in one file), the store's problem above the list, and the menu item.
#include "window/simfixture.h"

#include "Classes/TBUpdateHistory.h"
#include "support/QRVX_Log.h"
#include "ui/historywindow.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using Column = ui::HistoryModel::Column;

namespace {

TBUpdateHistory::Printer printer(const QString& key, const QString& firmware) {
    return {key, QStringLiteral("SN-") + key, QStringLiteral("HVC"), firmware, QStringLiteral("CT 1.0")};
}

QString cell(const ui::HistoryModel* model, int row, int column, const QModelIndex& parent = {}) {
    return model->data(model->index(row, column, parent)).toString();
}

} // namespace

class HistoryWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setApplicationName(QStringLiteral("printer-flasher"));
        QVERIFY(QRVX_Log::setLogFile(path(QStringLiteral("printer-flasher.log"))));
        QRVX_Log::logLevel(0, QStringLiteral("history export marker line"));

        QVERIFY(TBUpdateHistory::open(path(QStringLiteral("update-history.sqlite"))));
        const auto a = printer(QStringLiteral("A"), QStringLiteral("1.0"));
        TBUpdateHistory::begin(a, QStringLiteral("2.0"));
        TBUpdateHistory::phase(a, QStringLiteral("request"));
        TBUpdateHistory::phase(a, QStringLiteral("upload"));
        TBUpdateHistory::finish(printer(QStringLiteral("A"), QStringLiteral("2.0")),
                                TBUpdateHistory::kOutcomeSucceeded);
        const auto b = printer(QStringLiteral("B"), QStringLiteral("1.0"));
        TBUpdateHistory::begin(b, QStringLiteral("2.0"));
        TBUpdateHistory::finish(b, TBUpdateHistory::kOutcomeCancelled);
        const auto c = printer(QStringLiteral("C"), QStringLiteral("1.1"));
        TBUpdateHistory::begin(c, QStringLiteral("2.0"));
        // It ends with a printer that no longer says which firmware it has.
        TBUpdateHistory::finish(printer(QStringLiteral("C"), {}), TBUpdateHistory::kOutcomeFailed,
                                QStringLiteral("The upload failed.\n\nThe printer stopped answering."));
        TBUpdateHistory::flush();
    }
    void cleanupTestCase() { TBUpdateHistory::close(); }

    void listsAttemptsNewestFirstWithTheirPhases() {
        ui::HistoryWindow window;
        const ui::HistoryModel* model = window.model();
        QTRY_VERIFY(model->isLoaded());
        QCOMPARE(model->rowCount(), 3);
        QVERIFY(window.problemLabel()->isHidden());

        const QStringList keys{cell(model, 0, Column::DeviceKeyColumn),
                               cell(model, 1, Column::DeviceKeyColumn),
                               cell(model, 2, Column::DeviceKeyColumn)};
        QCOMPARE(keys, QStringList({"C", "B", "A"}));
        QCOMPARE(cell(model, 0, Column::OutcomeColumn), QStringLiteral("Failed"));
        QCOMPARE(cell(model, 1, Column::OutcomeColumn), QStringLiteral("Cancelled"));
        QCOMPARE(cell(model, 2, Column::OutcomeColumn), QStringLiteral("Succeeded"));
        QCOMPARE(cell(model, 2, Column::PrinterColumn), QStringLiteral("HVC (SN-A)"));
        QCOMPARE(cell(model, 2, Column::FirmwareColumn), QStringLiteral("1.0 → 2.0"));
        // A failed attempt shows what it aimed at, its failure's headline, and the whole text as tip.
        QCOMPARE(cell(model, 0, Column::FirmwareColumn), QStringLiteral("1.1 → 2.0"));
        QCOMPARE(cell(model, 0, Column::FailureColumn), QStringLiteral("The upload failed."));
        QCOMPARE(model->data(model->index(0, Column::FailureColumn), Qt::ToolTipRole).toString(),
                 QStringLiteral("The upload failed.\n\nThe printer stopped answering."));

        const QModelIndex succeeded = model->index(2, 0);
        QCOMPARE(model->rowCount(succeeded), 2);
        QCOMPARE(cell(model, 0, Column::PrinterColumn, succeeded), QStringLiteral("Request"));
        QCOMPARE(cell(model, 1, Column::PrinterColumn, succeeded), QStringLiteral("Upload"));
        QVERIFY(!cell(model, 1, Column::StartedColumn, succeeded).isEmpty());
        QCOMPARE(model->index(1, 0, succeeded).parent(), succeeded);
        QCOMPARE(model->rowCount(model->index(0, 0)), 0);
    }

    void exportWritesHistoryAndLog() {
        ui::HistoryWindow window;
        const QString target = path(QStringLiteral("support.txt"));
        std::optional<bool> result;
        window.exportTo(target, [&](bool ok, const QString&) { result = ok; });
        QTRY_VERIFY(result.has_value());
        QVERIFY(*result);
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray report = file.readAll();
        QVERIFY(report.contains("SN-C"));
        QVERIFY(report.contains("history export marker line"));
        QVERIFY(window.statusLabel()->text().contains(target));
    }

    void exportToAnUnwritablePathSaysWhy() {
        ui::HistoryWindow window;
        // Below a regular file: no directory can be made there, whoever runs the test.
        QFile blocker(path(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString target = path(QStringLiteral("blocker/support.txt"));
        std::optional<bool> result;
        QString reason;
        window.exportTo(target, [&](bool ok, const QString& why) { result = ok, reason = why; });
        QTRY_VERIFY(result.has_value());
        QVERIFY(!*result);
        QVERIFY(!reason.isEmpty());
        auto* box = window.findChild<QMessageBox*>(QStringLiteral("exportFailed"));
        QVERIFY(box);
        QVERIFY(box->text().contains(target));
        QCOMPARE(box->informativeText(), reason);
        QVERIFY(window.statusLabel()->text().isEmpty());
    }

    // A damaged database is set aside and a new one started: the window says so above an empty list.
    void storeProblemShownAboveTheList() {
        TBUpdateHistory::close();
        const QString damaged = path(QStringLiteral("damaged.sqlite"));
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        QVERIFY(TBUpdateHistory::open(damaged));
        QVERIFY(!TBUpdateHistory::problem().isEmpty());

        ui::HistoryWindow window;
        QTRY_VERIFY(window.model()->isLoaded());
        QCOMPARE(window.model()->rowCount(), 0);
        QVERIFY(!window.problemLabel()->isHidden());
        QVERIFY(window.problemLabel()->text().contains(TBUpdateHistory::problem()));
    }

    void menuItemOpensOneWindowInPrinterFlasherOnly() {
        testsupport::SimFixture flasher;
        QAction* history = flasher.window->historyAction();
        QVERIFY(history);
        QCOMPARE(history->objectName(), QStringLiteral("history"));
        QVERIFY(!flasher.window->historyWindow());
        history->trigger();
        ui::HistoryWindow* opened = flasher.window->historyWindow();
        QVERIFY(opened && opened->isVisible());
        opened->close();
        history->trigger();
        QCOMPARE(flasher.window->historyWindow(), opened);
        QVERIFY(opened->isVisible());

        testsupport::SimFixture switcher(true);
        QVERIFY(!switcher.window->historyAction());
    }
};

QTEST_MAIN(HistoryWindowTest)
#include "test_historywindow.moc"
