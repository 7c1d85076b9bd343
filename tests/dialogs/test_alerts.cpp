// The printer's dialogs through the scripted and the console presenter: what the operator is shown,
// what each answer does, the "I Agree" gate, the power-cycle notice's condition, and who lives how long.
#include "Classes/Edition.h"
#include "common/testsupport.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/strings.h"
#include "protocol/zevrig.h"

#include <QTest>

#include <unistd.h>

using Model = sim::SimZEVModel;
using platform::ScriptedAlertPresenter;
using Texts = std::optional<QStringList>;
using Text = std::optional<QString>;

Q_DECLARE_METATYPE(Text)
Q_DECLARE_METATYPE(Texts)

class AlertsTest : public QObject {
    Q_OBJECT

    std::shared_ptr<ScriptedAlertPresenter> presenter;
    int terminations = 0;

private slots:
    void init() {
        Edition::setCurrent(Edition::printerFlasher());
        presenter = std::make_shared<ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
        terminations = 0;
        platform::setTerminationHandler([this] { ++terminations; });
    }
    void cleanup() {
        platform::setAlertPresenter(nullptr);
        platform::setTerminationHandler(nullptr);
        platform::removeTranslations();
    }

    void generalAlert_data() {
        QTest::addColumn<bool>("old");
        QTest::addColumn<Text>("title");
        QTest::addColumn<Text>("message");
        QTest::addColumn<Texts>("buttons");
        QTest::addColumn<QStringList>("shown"); // headline, message, buttons...; empty: nothing shown
        for (bool old : {false, true}) {
            const char* form = old ? "old " : "";
            // The general alert puts "Alert" in; the earlier form counts a missing title as empty.
            QTest::addRow("%snothing given", form) << old << Text() << Text() << Texts()
                                                   << (old ? QStringList{} : QStringList{"Alert", "", "OK"});
            QTest::addRow("%sempty title, no message", form)
                << old << Text("") << Text() << Texts() << QStringList{};
            QTest::addRow("%sempty button list", form)
                << old << Text("T") << Text() << Texts(QStringList{}) << QStringList{"T", "", "OK"};
            // Format characters, markup and mnemonics are text like any other.
            QTest::addRow("%stexts as they stand", form)
                << old << Text("%1 %@ <b>x</b>") << Text("50% & %s") << Texts(QStringList{"A&B", "%2"})
                << QStringList{"%1 %@ <b>x</b>", "50% & %s", "A&B", "%2"};
        }
    }
    void generalAlert() {
        QFETCH(bool, old);
        QFETCH(Text, title);
        QFETCH(Text, message);
        QFETCH(Texts, buttons);
        QFETCH(QStringList, shown);
        ZEVRig rig(Model::HVC);
        QList<qint64> answers;
        auto completion = [&answers](qint64 r) { answers << r; };
        presenter->queueAnswer({platform::kAlertFirstButtonReturn + qint64(shown.size()) - 3, std::nullopt});
        if (old)
            rig.printer->old_showAlertWithTitle(title, message, buttons, completion);
        else
            rig.printer->showAlertWithTitle(title, message, buttons, completion);
        rig.settle();
        if (shown.isEmpty()) {
            QCOMPARE(presenter->shown().size(), 0);
            QVERIFY(answers.isEmpty());
            return;
        }
        QCOMPARE(presenter->shown().size(), 1);
        const auto alert = presenter->shown().first();
        QCOMPARE((QStringList{alert.messageText, alert.informativeText} + alert.buttons), shown);
        QVERIFY(alert.hasIcon); // the HVC's picture
        QCOMPARE(alert.style, quint64(platform::kAlertStyleWarning));
        QCOMPARE(answers, QList<qint64>{1000 + qint64(shown.size()) - 3});
    }

    void warningText_data() {
        QTest::addColumn<bool>("switcher");
        QTest::addColumn<Model>("model");
        QTest::addColumn<QString>("text");
        const QString qxa =
            "This update tool is for the ZEV QXA printer. It will upgrade the printer firmware to "
            "version HS 2.0%1.\n\nOnce updated, the QXA printer will REQUIRE the use of QXAHS media "
            "packs. Please use up all QXA media before using this update tool. This process cannot "
            "be undone.";
        QTest::newRow("flasher HVC")
            << false << Model::HVC
            << "This update tool will upgrade the printer firmware to version HVC 01.41. "
               "This process cannot be undone";
        QTest::newRow("flasher HV-QXA") << false << Model::HVQXA << qxa.arg(5);
        QTest::newRow("switcher HVC") << true << Model::HVC << qxa.arg(4);
    }
    void warningText() {
        QFETCH(bool, switcher);
        QFETCH(Model, model);
        QFETCH(QString, text);
        Edition::setCurrent(switcher ? Edition::serialSwitcher() : Edition::printerFlasher());
        ZEVRig rig(model);
        rig.printer->newFirmwareVersion(); // the package check stores the file list on the main thread
        rig.settle();
        rig.printer->ShowQXAWarning();
        rig.settle();
        QCOMPARE(presenter->shown().size(), 1);
        const auto alert = presenter->shown().first();
        QCOMPARE(alert.messageText, QStringLiteral("Attention:"));
        QCOMPARE(alert.informativeText, text);
        QCOMPARE(alert.buttons, (QStringList{"Quit", "Continue"}));
        QCOMPARE(alert.checkBoxTitle, QStringLiteral("I Agree"));
        QCOMPARE(alert.style, quint64(platform::kAlertStyleCritical));
        QCOMPARE(alert.enabledAtShow, (QList<bool>{true, false}));
    }

    // "Continue" follows the box; only a ticked "Continue" goes on, "Quit" ends the program, and every
    // new warning starts unticked.
    void theAgreementGatesContinue() {
        testsupport::LogCapture log;
        ZEVRig rig(Model::HVC);
        rig.printer->stopsAtReadiness = true;
        rig.printer->ShowQXAWarning();
        rig.settle();
        QVERIFY(!presenter->answer({1001, std::nullopt})); // disabled: cannot be pressed
        QVERIFY(presenter->tick(true));
        QCOMPARE(presenter->enabledNow(), (QList<bool>{true, true}));
        QVERIFY(presenter->tick(false));
        QCOMPARE(presenter->enabledNow(), (QList<bool>{true, false}));
        QVERIFY(presenter->answer({1001, true}));
        QVERIFY(log.contains("-[TBUSBPrinterZEV proceedWithUpdateWhenReady]"));
        QVERIFY(rig.printer->customerDidAgree());

        rig.printer->ShowQXAWarning();
        rig.settle();
        QVERIFY(!rig.printer->customerDidAgree());
        QCOMPARE(presenter->enabledNow(), (QList<bool>{true, false}));
        rig.printer->setToggleAgreed(std::nullopt); // not a button
        QVERIFY(!rig.printer->customerDidAgree());
        QVERIFY(presenter->answer({1000, std::nullopt}));
        rig.settle();
        QCOMPARE(terminations, 1);
    }

    void powerCycleNoticeOnlyWhenDue_data() {
        QTest::addColumn<QString>("switchValue");
        QTest::addColumn<QString>("usbSerialNumber");
        QTest::addColumn<bool>("due");
        QTest::newRow("on, none shown yet") << "1"
                                            << "" << true;
        QTest::newRow("on, shown") << "1"
                                   << "A1234" << false;
        QTest::newRow("off, still shown") << "0"
                                          << "A1234" << true;
        QTest::newRow("off, none shown") << "0"
                                         << "" << false;
    }
    void powerCycleNoticeOnlyWhenDue() {
        QFETCH(QString, switchValue);
        QFETCH(QString, usbSerialNumber);
        QFETCH(bool, due);
        ZEVRig rig(Model::HVC);
        rig.printer->realNotices = true;
        rig.printer->setDeviceInfoValue(QRVX_ZEV_USB_ISerialisSet, switchValue);
        rig.printer->setSerialNumberUSB(usbSerialNumber);
        rig.printer->showPowerCycleAlert();
        rig.settle();
        QCOMPARE(presenter->headlines(),
                 due ? QStringList{"Please power-cycle the selected printer now to complete the process!"}
                     : QStringList{});
    }

    // Both notices are application-modal, in the operator's language, with the toolkit's own button.
    void noticesInGerman() {
        QVERIFY(platform::installTranslations(QLocale(QLocale::German)));
        ZEVRig rig(Model::HVC);
        rig.printer->realNotices = true;
        rig.printer->setDeviceInfoValue(QRVX_ZEV_USB_ISerialisSet, "1");
        rig.printer->showPowerCycleAlert();
        rig.printer->showPrinterBusyAlert();
        rig.settle();
        QCOMPARE(presenter->shown().size(), 2);
        for (const auto& notice : presenter->shown()) {
            QCOMPARE(notice.modality, platform::AlertModality::Application);
            QVERIFY(notice.buttons.isEmpty());
            QVERIFY(notice.hasIcon);
        }
        QStringList headlines = presenter->headlines();
        headlines.sort();
        QCOMPARE(headlines,
                 (QStringList{"Bitte schalten Sie den ausgewählten Drucker jetzt aus und wieder ein, um den "
                              "Vorgang abzuschließen!",
                              "Der ausgewählte Drucker ist nicht verfügbar. (Belegt)"}));
    }

    // An alert holds its printer until it is answered, also after the printer has left.
    void anAlertKeepsItsPrinter() {
        std::weak_ptr<TBUSBPrinter> weak;
        {
            ZEVRig rig(Model::HVC);
            weak = rig.printer;
            rig.printer->showAlertWithTitle(QString("T"), std::nullopt, std::nullopt, {});
            rig.settle();
        }
        QVERIFY(!weak.expired());
        QVERIFY(presenter->answer({1000, std::nullopt}));
        QTRY_VERIFY(weak.expired());
    }

    // The console asks on the terminal and never waits on the main thread; with no terminal a
    // question is refused and its completion never runs.
    void consoleAnswersAndRefuses() {
        testsupport::LogCapture log;
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        QList<int> refused;
        auto console = std::make_shared<platform::ConsoleAlertPresenter>(
            [&refused](const platform::Alert&) { refused << 1; });
        console->setInput(fds[0], true);
        platform::setAlertPresenter(console);
        ZEVRig rig(Model::HVC);
        rig.printer->stopsAtReadiness = true;
        rig.printer->ShowQXAWarning();
        rig.settle();
        // Unticked, "Continue" is refused and the box asked again; ticked, it goes on.
        QVERIFY(::write(fds[1], "n\n2\ny\n2\n", 8) == 8);
        QTRY_VERIFY(log.contains("-[TBUSBPrinterZEV proceedWithUpdateWhenReady]"));
        QVERIFY(rig.printer->customerDidAgree());

        console->setInput(fds[0], false);
        QList<qint64> answers;
        rig.printer->showAlertWithTitle(QString("Q"), std::nullopt, QStringList{"Yes", "No"},
                                        [&answers](qint64 r) { answers << r; });
        rig.settle();
        QCOMPARE(refused.size(), 1);
        QVERIFY(answers.isEmpty());
        ::close(fds[0]);
        ::close(fds[1]);
    }
};

QTEST_MAIN(AlertsTest)
#include "test_alerts.moc"
