// Several printers updated side by side, in process against the simulated printers: one set of
// questions for all of them, each printer's own update, one summary at the end, and a printer that
// fails or is held elsewhere stopping nobody else.
#include "common/hvcupdate.h"
#include "window/simfixture.h"

#include "Classes/Edition.h"
#include "Classes/UpdateBatch.h"
#include "platform/dialogs.h"
#include "platform/strings.h"

#include <QAction>
#include <QtTest>

using namespace testsupport;
using platform::ScriptedAlertPresenter;

namespace {

constexpr qint64 kFirst = platform::kAlertFirstButtonReturn;
const QString kWarning = QStringLiteral("-- Warning --\n\nAre you certain you want to update the firmware?");

} // namespace

class TogetherTest : public QObject {
    Q_OBJECT

    std::shared_ptr<ScriptedAlertPresenter> presenter;

    // `count` listed HVC printers with serial numbers HVC-0001..., probed; `setUp` may change each
    // before it is plugged in.
    std::vector<SimPrinter> listed(SimFixture& f, int count,
                                   const std::function<void(int, sim::SimZEVPrinterState&)>& setUp = {}) {
        std::vector<SimPrinter> printers;
        for (int n = 1; n <= count; ++n) {
            SimPrinter printer = f.makePrinter(sim::SimZEVModel::HVC, f.port(n));
            printer.commandSet->update([&](sim::SimZEVPrinterState& state) {
                state.serialNumber = QStringLiteral("HVC-%1").arg(n, 4, 10, QLatin1Char('0'));
                if (setUp) setUp(n, state);
            });
            f.bus->attach(printer.device);
            printers.push_back(printer);
        }
        f.controller->awakeFromNib();
        (void)QTest::qWaitFor(
            [&] {
                for (int n = 1; n <= count; ++n)
                    if (!f.probed(f.port(n))) return false;
                return true;
            },
            10000);
        f.settle();
        for (const SimPrinter& printer : printers)
            printer.commandSet->clearReceived();
        return printers;
    }

    static QString firmwareOf(const SimPrinter& printer) {
        return printer.commandSet->state().firmwareVersion;
    }

private slots:
    void init() {
        Edition::setCurrent(Edition::printerFlasher());
        presenter = std::make_shared<ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
    }
    void cleanup() {
        platform::setAlertPresenter(nullptr);
        presenter.reset();
        platform::removeTranslations();
    }

    // Four printers at once: one is unplugged in the middle of its upload, another is held by another
    // program. The other two are updated, the summary names each outcome, the held one is sent
    // nothing, and the unplugged one gets its image when it is plugged back in.
    void fourAtOnceWhileOneIsUnpluggedAndOneHeld() {
        SimFixture f;
        const std::vector<SimPrinter> printers = listed(f, 4);
        QVERIFY(f.rows() == 4);
        printers[3].device->setHeldByOtherProgram(true);
        // Before the upload: STATUS, STATUS, the rewrite request, then INFO FVER and STATUS in update mode.
        printers[2].device->injectFault({sim::FaultPoint::BulkOut, sim::FaultKind::Unplug, 5 + 10});
        presenter->queueAnswer({kFirst + 1, true}); // "I Agree", "Continue"
        presenter->queueAnswer({kFirst + 1, {}});   // "Update 3 Printers"
        presenter->queueAnswer({kFirst, {}});       // the summary

        f.window->updateAllPrintersAction()->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(presenter->headlines().size(), 3, 20000);
        QCOMPARE(presenter->headlines(), (QStringList{"Attention:", kWarning, "2 of 4 printers updated"}));
        QCOMPARE(presenter->shown().at(1).buttons, (QStringList{"Cancel", "Update 3 Printers"}));
        QVERIFY2(
            presenter->shown().at(1).informativeText.endsWith(
                "These printers will not be updated:\nHVC HVC-0004: busy: another application is using it"),
            qPrintable(presenter->shown().at(1).informativeText));
        const QString summary = presenter->shown().at(2).informativeText;
        QVERIFY2(
            summary.startsWith("Updated:\nHVC HVC-0001: from HVC 01.21 to HVC 01.41\nHVC HVC-0002: from HVC "
                               "01.21 to HVC 01.41\n\nFailed:\n"),
            qPrintable(summary));
        QVERIFY2(summary.contains("\nHVC HVC-0003: The firmware could not be sent to the printer "),
                 qPrintable(summary));
        QVERIFY2(summary.endsWith("\nHVC HVC-0004: busy: another application is using it"),
                 qPrintable(summary));
        QCOMPARE(presenter->shown().at(2).intent.outcome, platform::AlertIntent::Outcome::Failed);

        QCOMPARE(firmwareOf(printers[0]), QStringLiteral("HVC 01.41"));
        QCOMPARE(firmwareOf(printers[1]), QStringLiteral("HVC 01.41"));
        QVERIFY(printers[3].commandSet->receivedCommands().isEmpty());
        QVERIFY(printers[2].commandSet->state().firmwareUpdateMode);

        // Plugged back in, it takes the image: its own update, its own notice.
        presenter->queueAnswer({kFirst, {}}); // "Finish"
        printers[2].device->replug();
        QTRY_COMPARE_WITH_TIMEOUT(presenter->headlines().size(), 4, 20000);
        QCOMPARE(presenter->headlines().last(), QStringLiteral("Firmware update was successful!"));
        QTRY_COMPARE(firmwareOf(printers[2]), QStringLiteral("HVC 01.41"));
        QCOMPARE(firmwareOf(printers[3]), QStringLiteral("HVC 01.21"));
        QCOMPARE(UpdateBatch::running(), 0);
    }

    // The window's one warning and one confirmation, in English and German: a printer that needs no
    // update is named apart; "Cancel" sends nothing to anyone and leaves every row free.
    void oneWarningAndConfirmation_data() {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QString>("agree");
        QTest::addColumn<QString>("going");
        QTest::addColumn<QString>("apart");
        QTest::addColumn<QString>("button");
        QTest::newRow("English") << false << "I Agree"
                                 << "These printers will be updated:\nHVC HVC-0001: from HVC 01.21 to HVC "
                                    "01.41\nHVC HVC-0003: from HVC 01.21 to HVC 01.41"
                                 << "These printers will not be updated:\nHVC HVC-0002: no update needed "
                                    "(firmware HVC 01.41 installed)"
                                 << "Update 2 Printers";
        QTest::newRow("German") << true << "Ich stimme zu"
                                << "Diese Drucker werden aktualisiert:\nHVC HVC-0001: von HVC 01.21 auf HVC "
                                   "01.41\nHVC HVC-0003: von HVC 01.21 auf HVC 01.41"
                                << "Diese Drucker werden nicht aktualisiert:\nHVC HVC-0002: keine "
                                   "Aktualisierung nötig (Firmware HVC 01.41 installiert)"
                                << "2 Drucker aktualisieren";
    }
    void oneWarningAndConfirmation() {
        QFETCH(bool, german);
        QFETCH(QString, agree);
        QFETCH(QString, going);
        QFETCH(QString, apart);
        QFETCH(QString, button);
        if (german) QVERIFY(platform::installTranslations(QLocale(QLocale::German, QLocale::Germany)));
        SimFixture f;
        const std::vector<SimPrinter> printers = listed(f, 3, [](int n, sim::SimZEVPrinterState& state) {
            if (n == 2) state.firmwareVersion = QStringLiteral("HVC 01.41");
        });
        presenter->queueAnswer({kFirst + 1, true}); // "I Agree", "Continue"
        presenter->queueAnswer({kFirst, {}});       // "Cancel"
        presenter->queueAnswer({kFirst, {}});       // the summary

        f.window->updateAllPrintersAction()->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(presenter->shown().size(), 3, 10000);
        const auto shown = presenter->shown();
        QCOMPARE(shown.at(0).checkBoxTitle, agree);
        QCOMPARE(shown.at(0).enabledAtShow, (QList<bool>{true, false})); // "Continue" waits for the box
        QVERIFY2(shown.at(1).informativeText.contains(going + "\n\n" + apart),
                 qPrintable(shown.at(1).informativeText));
        QCOMPARE(shown.at(1).buttons.last(), button);
        QCOMPARE(shown.at(2).intent.outcome, platform::AlertIntent::Outcome::NothingToDo);
        f.settle();
        for (const SimPrinter& printer : printers)
            QVERIFY(!printer.commandSet->receivedCommands().contains("FW_UPDFLASH_REWRITE"));
        for (const auto& printer : f.controller->printers())
            QVERIFY(printer->updateCanStart());
        QVERIFY(f.window->updateAllPrintersAction()->isEnabled());
    }
};

QTEST_MAIN(TogetherTest)
#include "test_together.moc"
