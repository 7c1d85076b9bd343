// The firmware update against the simulated printers, through discovery: the printer leaves the bus
// twice and comes back each time as a new printer object that carries on from the update status.
#include "common/hvcupdate.h"
#include "common/privatebus.h"
#include "common/updatefaults.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/userdefaults.h"
#include "window/simfixture.h"

#include "Classes/Edition.h"
#include "Classes/TBFirmwarePackage.h"
#include "Classes/TBUpdateStateFile.h"
#include "Classes/UpdateSession.h"
#include "platform/resources.h"
#include "platform/strings.h"

#include <QAbstractButton>
#include <QDir>
#include <QMessageBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <future>

using namespace testsupport;
using platform::ScriptedAlertPresenter;
using Model = sim::SimZEVModel;

namespace {

constexpr qint64 kFirst = platform::kAlertFirstButtonReturn;

} // namespace

class UpdateFlowTest : public QObject {
    Q_OBJECT

    std::shared_ptr<ScriptedAlertPresenter> presenter;
    PrivateSystemBus systemBus;
    LogindStandIn* logind = nullptr;

    // A listed HVC (or `model`) printer whose probe has finished.
    SimPrinter listed(SimFixture& f, Model model = Model::HVC,
                      const std::function<void(sim::SimZEVPrinterState&)>& setUp = {}) {
        SimPrinter printer = f.makePrinter(model, f.port(1));
        if (setUp) printer.commandSet->update(setUp);
        f.bus->attach(printer.device);
        f.controller->awakeFromNib();
        if (QTest::qWaitFor([&] { return f.rows() == 1; }, 5000)) {
            auto p = f.printerAt(f.port(1));
            // Probed: its status is shown and it has let go of the interface.
            (void)QTest::qWaitFor(
                [&] { return !p->printerStatus().isEmpty() && !printer.device->isClaimed(); }, 5000);
        }
        f.settle();
        printer.commandSet->clearReceived();
        return printer;
    }

private slots:
    // Every update here takes its sleep inhibitor from the stand-in (or from nobody, without dbus-daemon).
    void initTestCase() {
        if (systemBus.start()) logind = systemBus.logind();
    }

    void init() {
        Edition::setCurrent(Edition::printerFlasher());
        presenter = std::make_shared<ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
    }
    void cleanup() {
        platform::setAlertPresenter(nullptr);
        presenter.reset();
    }

    // The operator's whole update: warning, confirmation, both restarts, tables, outcome; every frame
    // the printer got, in order, and what the printer holds afterwards.
    void wholeUpdateAcrossBothRestarts() {
        SimFixture f;
        const SimPrinter printer = listed(f);
        const int restartsBefore = printer.commandSet->state().restarts;
        presenter->queueAnswer({kFirst + 1, true}); // "I Agree", "Continue"
        presenter->queueAnswer({kFirst + 1, {}});   // "Update Firmware to HVC 01.41"
        presenter->queueAnswer({kFirst, {}});       // "Finish"
        const int piecesBefore = printer.device->bulkOutCount();

        const int locksBefore = logind ? logind->calls : 0;
        f.printerAt(f.port(1))->updateFirmware();
        QTRY_VERIFY_WITH_TIMEOUT(presenter->headlines().size() == 3, 15000);
        // The computer was kept awake from the rewrite request to the outcome, and is let go now.
        if (logind) {
            QCOMPARE(logind->calls, locksBefore + 1);
            QCOMPARE(logind->arguments.first(), QStringLiteral("sleep:shutdown:idle"));
            QTRY_VERIFY(logind->lockGivenBack());
        }
        QCOMPARE(
            presenter->headlines(),
            (QStringList{"Attention:", "-- Warning --\n\nAre you certain you want to update the firmware?",
                         "Firmware update was successful!"}));
        QCOMPARE(presenter->shown().at(1).buttons, (QStringList{"Cancel", "Update Firmware to HVC 01.41"}));
        QCOMPARE(presenter->shown().at(2).informativeText,
                 QStringLiteral("Firmware version updated from HVC 01.21 to HVC 01.41"));
        QCOMPARE(presenter->shown().at(2).buttons, QStringList{"Finish"});

        QTRY_COMPARE(printer.commandSet->receivedCommands(), hvcUpdateCommands());
        compareHvcUpdateFrames(printer.commandSet->receivedFrames());
        if (QTest::currentTestFailed()) return;
        // The image went out in pieces of whole packets, more than one.
        QVERIFY(printer.device->bulkOutCount() - piecesBefore > 20);

        const sim::SimZEVPrinterState state = printer.commandSet->state();
        QCOMPARE(state.firmwareVersion, QStringLiteral("HVC 01.41"));
        QCOMPARE(state.restarts, restartsBefore + 2);
        QCOMPARE(state.tablesWritten,
                 (QStringList{"HVC_300_0100.CWD", "HVC_600_0110.CWD", "HVC_610_0110.CWD"}));
        QCOMPARE(state.colorTables.value("610").version, QStringLiteral("0110"));

        // The list shows the result; the update is over.
        auto updated = f.printerAt(f.port(1));
        QTRY_COMPARE(updated->firmwareVersion(), QStringLiteral("HVC 01.41"));
        QTRY_COMPARE(updated->printerStatus(), QStringLiteral("Idle"));
        QVERIFY(!updated->inFirmwareUpdate());
        QCOMPARE(updated->updateProgress(), -1);
        QCOMPARE(updated->firmwareUpdateStatus(), std::optional<int>(TBUSBPrinterZEV::ColorTablesWritten));
        QCOMPARE(updated->deviceInfoValue(QRVX_TBPrinterColorTableChecksum610).toString(),
                 state.colorTables.value("610").checksum);
        QVERIFY(TBUSBPrinterZEV::updatesUnderWay().isEmpty());
    }

    // What the readiness step makes of the printer it finds, and that nothing is sent before the
    // confirmation is accepted.
    void readiness_data() {
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<QString>("statusCode");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("heldByOther");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("message");
        const QString notReady = "Printer Not Ready", error = "Printer Error";
        const QString confirm = "-- Warning --\n\nAre you certain you want to update the firmware?";
        QTest::newRow("paper end") << "HVC 01.21"
                                   << "01100" << false << false << notReady
                                   << "Please correct the following issue: Paper End";
        QTest::newRow("no reply") << "HVC 01.21"
                                  << "00000" << true << false << error
                                  << "The printer is not responding properly. Please power-cycle the "
                                     "printer and try again.";
        QTest::newRow("other program") << "HVC 01.21"
                                       << "00000" << false << true << "Printer Busy"
                                       << "Another application is using the printer. Please proceed when "
                                          "the printer becomes available.";
        QTest::newRow("newer installed") << "HVC 09.99"
                                         << "00000" << false << false << "Firmware update not needed"
                                         << "This printer has firmware version 9.99 installed.";
        QTest::newRow("equal goes on") << "HVC 01.41"
                                       << "00000" << false << false << confirm
                                       << "The printer may be permanently damaged if it is unplugged or "
                                          "loses power during the update process.";
    }
    void readiness() {
        QFETCH(QString, firmware);
        QFETCH(QString, statusCode);
        QFETCH(bool, silent);
        QFETCH(bool, heldByOther);
        QFETCH(QString, headline);
        QFETCH(QString, message);
        SimFixture f;
        const SimPrinter printer = listed(f, Model::HVC, [&](sim::SimZEVPrinterState& s) {
            s.firmwareVersion = firmware;
            s.statusCode = statusCode;
        });
        if (silent) printer.commandSet->addFault({sim::SimZEVFaultKind::NoReply, "STATUS", -1});
        if (heldByOther) printer.device->setHeldByOtherProgram(true);
        auto p = f.printerAt(f.port(1));
        p->proceedWithUpdateWhenReady();
        QTRY_COMPARE(presenter->waiting(), 1);
        QCOMPARE(presenter->headlines().last(), headline);
        QCOMPARE(presenter->shown().last().informativeText, message);

        // "Proceed" asks again from the start; "Cancel" (first on the confirmation) leaves nothing behind.
        if (presenter->shown().last().buttons.value(0) == QLatin1String("Proceed")) {
            printer.commandSet->update([](sim::SimZEVPrinterState& s) { s.statusCode = "00000"; });
            printer.commandSet->clearFaults();
            printer.device->setHeldByOtherProgram(false);
            QVERIFY(presenter->answer({kFirst, {}}));
            QTRY_COMPARE(presenter->headlines().last(), QStringLiteral("-- Warning --\n\nAre you certain "
                                                                       "you want to update the firmware?"));
        }
        QVERIFY(presenter->answer({kFirst, {}}));
        f.settle();
        QVERIFY(!printer.commandSet->receivedCommands().join(' ').contains("FW_UPD"));
        QVERIFY(!p->inFirmwareUpdate());
        QCOMPARE(p->firmwareUpdateStatus(), std::nullopt);
        // Given up, the printer is this program's no longer: the print system may have it.
        QTRY_VERIFY(!printer.device->isClaimed());
    }

    // The operator reads the questions in the program's language.
    void questionsInGerman() {
        QVERIFY(platform::installTranslations(QLocale(QLocale::German, QLocale::Germany)));
        SimFixture f;
        listed(f, Model::HVC, [](sim::SimZEVPrinterState& s) { s.statusCode = "01100"; });
        f.printerAt(f.port(1))->proceedWithUpdateWhenReady();
        QTRY_COMPARE(presenter->waiting(), 1);
        const ScriptedAlertPresenter::Shown shown = presenter->shown().first();
        platform::removeTranslations();
        QCOMPARE(shown.messageText, QStringLiteral("Drucker nicht bereit"));
        QCOMPARE(shown.informativeText, QStringLiteral("Bitte beheben Sie folgendes Problem: Papierende"));
        QCOMPARE(shown.buttons, (QStringList{"Fortfahren", "Abbrechen"}));
        QVERIFY(presenter->answer({kFirst + 1, {}}));
    }

    // serial-switcher installs an equal firmware only when the operator's default says so.
    void serialSwitcherVersionGate_data() {
        QTest::addColumn<bool>("installOlder");
        QTest::addColumn<QString>("headline");
        QTest::newRow("default off") << false << "Firmware update not needed";
        QTest::newRow("default on") << true
                                    << "-- Warning --\n\nAre you certain you want to update the firmware?";
    }
    void serialSwitcherVersionGate() {
        QFETCH(bool, installOlder);
        QFETCH(QString, headline);
        Edition::setCurrent(Edition::serialSwitcher());
        platform::userdefaults::setBool("installOlderFirmwareVersion", installOlder);
        {
            SimFixture f(true);
            listed(f, Model::HVC, [](sim::SimZEVPrinterState& s) { s.firmwareVersion = "HVC 01.41"; });
            // No warning and no package check for a printer that is not an HV-QXA.
            f.printerAt(f.port(1))->updateFirmware();
            QTRY_COMPARE(presenter->waiting(), 1);
            QCOMPARE(presenter->headlines(), QStringList{headline});
            QVERIFY(presenter->answer({kFirst, {}}));
        }
        platform::userdefaults::remove("installOlderFirmwareVersion");
    }

    // A printer found in update mode with no update under way is offered to the operator; an upload
    // that does not get through leaves it waiting for the image and says so; the next one works.
    void printerInUpdateMode() {
        SimFixture f;
        const SimPrinter printer = listed(f, Model::HVC, [](sim::SimZEVPrinterState& s) {
            s.firmwareUpdateMode = true;
            s.firmwareValid = false;
        });
        auto p = f.printerAt(f.port(1));
        QTRY_COMPARE(presenter->headlines(), QStringList{"Attention:"});
        QCOMPARE(presenter->shown().first().buttons, (QStringList{"Ignore", "Update Firmware"}));

        printer.device->injectFault({sim::FaultPoint::BulkOut, sim::FaultKind::Error, 0, 0});
        QVERIFY(presenter->answer({kFirst + 1, {}}));
        QTRY_COMPARE(presenter->headlines().last(),
                     QStringLiteral("The firmware could not be sent to the printer"));
        QTRY_COMPARE(p->printerStatus(), QStringLiteral("Firmware Update Mode"));
        QCOMPARE(p->firmwareUpdateStatus(), std::optional<int>(TBUSBPrinterZEV::WaitingForFirmwareUpload));
        QVERIFY(!p->inFirmwareUpdate());
        QVERIFY(presenter->answer({kFirst, {}}));

        presenter->queueAnswer({kFirst, {}});
        p->proceedWithUpdateWhenReady();
        QTRY_COMPARE_WITH_TIMEOUT(presenter->headlines().last(),
                                  QStringLiteral("Firmware update was successful!"), 15000);
        QCOMPARE(presenter->headlines().size(), 3);
        // Found in its update mode, it had no version before.
        QCOMPARE(presenter->shown().last().informativeText,
                 QStringLiteral("Firmware version updated to HVC 01.41"));
        QCOMPARE(printer.commandSet->state().firmwareVersion, QStringLiteral("HVC 01.41"));
    }

    // Unplugged as the image goes out: the computer may sleep again and the operator is told; plugged in
    // again, the printer is found waiting for its image and the update finishes.
    void unpluggedDuringTheUpload() {
        if (!logind) QSKIP("dbus-daemon is not installed: no stand-in to hold the lock");
        SimFixture f;
        const SimPrinter printer = listed(f);
        printer.commandSet->addFault({sim::SimZEVFaultKind::Slow, "STATUS", -1, 300});
        presenter->queueAnswer({kFirst + 1, true});
        presenter->queueAnswer({kFirst + 1, {}});
        f.printerAt(f.port(1))->updateFirmware();
        QTRY_VERIFY_WITH_TIMEOUT(printer.commandSet->state().firmwareUpdateMode &&
                                     printer.commandSet->receivedCommands().contains("INFO  FVER"),
                                 10000);
        QVERIFY(!logind->lockGivenBack());
        printer.device->injectFault({sim::FaultPoint::BulkOut, sim::FaultKind::Unplug, 1, 0}); // after STATUS
        QTRY_COMPARE_WITH_TIMEOUT(presenter->headlines().last(),
                                  QStringLiteral("The firmware could not be sent to the printer"), 10000);
        QTRY_VERIFY(logind->lockGivenBack());
        QVERIFY(TBUSBPrinterZEV::updatesUnderWay().isEmpty());
        QVERIFY(presenter->answer({kFirst, {}}));

        printer.commandSet->clearFaults();
        presenter->queueAnswer({kFirst, {}});
        printer.device->replug();
        QTRY_COMPARE_WITH_TIMEOUT(presenter->headlines().last(),
                                  QStringLiteral("Firmware update was successful!"), 15000);
        QCOMPARE(printer.commandSet->state().firmwareVersion, QStringLiteral("HVC 01.41"));
        QTRY_VERIFY(logind->lockGivenBack());
    }

    // The object that stood for the printer in its update mode stays listed after the printer is
    // back while its command queue still has work; it knows only the old firmware. The outcome
    // names the version the printer reported after programming, and the key's printer is the new
    // object (the command line's outcome event read the old one's version at random).
    void anObjectLeftOverFromTheRestartDoesNotSpeakForThePrinter() {
        SimFixture f;
        const SimPrinter printer = listed(f);
        printer.commandSet->setProgrammingPacing(400);
        presenter->queueAnswer({kFirst + 1, true});
        presenter->queueAnswer({kFirst + 1, {}});
        presenter->queueAnswer({kFirst, {}}); // "Finish"
        f.printerAt(f.port(1))->updateFirmware();
        QTRY_VERIFY_WITH_TIMEOUT(printer.commandSet->isProgramming(), 10000);
        const auto inUpdateMode = f.printerAt(f.port(1));
        const QString key = inUpdateMode->keyUSBdevice();
        std::promise<void> release;
        inUpdateMode->printerCommandQueue()->async([held = release.get_future().share()] { held.wait(); });

        QTRY_COMPARE_WITH_TIMEOUT(presenter->headlines().last(),
                                  QStringLiteral("Firmware update was successful!"), 15000);
        QCOMPARE(f.rows(), 2); // the old object is still listed, before the new one
        QCOMPARE(f.controller->printerAt(0), inUpdateMode);
        QCOMPARE(inUpdateMode->firmwareVersion(), QStringLiteral("HVC 01.21"));
        const auto current = f.controller->printerWithKey(key);
        QVERIFY(current && current != inUpdateMode);
        QCOMPARE(current->firmwareVersion(), QStringLiteral("HVC 01.41"));
        QCOMPARE(UpdateSession::endedOnFirmware(key), QStringLiteral("HVC 01.41"));
        release.set_value();
        QTRY_COMPARE(f.rows(), 1);
        QCOMPARE(f.controller->printerWithKey(key), current);
    }

    // While the printer programs its flash, its row shows the bar with what it is doing, no second
    // update can start on it, and closing the window asks first.
    void rowAndWindowDuringAnUpdate() {
        SimFixture f;
        const SimPrinter printer = listed(f);
        printer.commandSet->setProgrammingPacing(10000); // ten seconds a MiB
        presenter->queueAnswer({kFirst + 1, true});
        presenter->queueAnswer({kFirst + 1, {}});
        f.printerAt(f.port(1))->updateFirmware();
        QTRY_VERIFY_WITH_TIMEOUT(printer.commandSet->isProgramming(), 10000);
        const QModelIndex status = f.model()->index(0, ui::PrinterListModel::PrinterStatusColumn);
        QTRY_COMPARE(status.data(ui::PrinterListModel::UpdateProgressRole).toInt(), 650);
        // The text reaches the row through the main thread, after the progress stored on the queue.
        QTRY_COMPARE(status.data().toString(), QStringLiteral("Writing firmware ..."));
        // The printer object made when it came back in its update mode says what its interface is for.
        QCOMPARE(f.cell(0, ui::PrinterListModel::UsbStatusColumn), QStringLiteral("Updating"));
        QVERIFY(!f.window->updateFirmwareAction()->isEnabled());

        f.window->resize(1240, 300);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QTableView* table = f.window->tableView();
        const QImage picture = f.window->grab().toImage();
        QVERIFY(picture.save(QStringLiteral("update-progress.png")));
        // The bar's filled part is the only strongly coloured thing in the cell.
        const QRect cell =
            table->visualRect(status).translated(table->viewport()->mapTo(f.window.get(), QPoint()));
        int coloured = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                coloured += picture.pixelColor(x, y).hsvSaturation() > 120;
        QVERIFY2(coloured > cell.width() * 2, qPrintable(QString::number(coloured)));

        f.window->close();
        QTRY_VERIFY(f.window->openQuitQuestion());
        QVERIFY(f.window->isVisible());
        QMessageBox* question = f.window->openQuitQuestion();
        QCOMPARE(question->text(), QStringLiteral("An update is in progress…"));
        for (QAbstractButton* button : question->buttons())
            if (question->buttonRole(button) == QMessageBox::RejectRole) button->click();
        QTRY_VERIFY(!f.window->openQuitQuestion());
        QVERIFY(f.window->isVisible());

        f.window->close();
        QTRY_VERIFY(f.window->openQuitQuestion());
        for (QAbstractButton* button : f.window->openQuitQuestion()->buttons())
            if (f.window->openQuitQuestion()->buttonRole(button) == QMessageBox::DestructiveRole)
                button->click();
        QTRY_VERIFY(!f.window->isVisible());
    }

    // A colour table that cannot be read leaves the printer's tables as they are: nothing is cleared
    // or written, the operator is told, and the update status stays for the next try.
    void tablesAreAllAtHandBeforeAnyIsCleared() {
        QTemporaryDir package;
        QVERIFY(QDir().mkpath(package.filePath("firmware")));
        const QDir source(QStringLiteral(PRINTER_TOOLS_SOURCE_DIR "/resources/firmware"));
        for (const QString& name : source.entryList(QDir::Files))
            if (name != QLatin1String("HVC_610_0110.cwd"))
                QVERIFY(QFile::copy(source.filePath(name), package.filePath("firmware/" + name)));
        SimFixture f;
        const SimPrinter printer = listed(f);
        auto p = f.printerAt(f.port(1));
        p->setDeviceInfoValue(deviceFirmwareUpdateState, int(TBUSBPrinterZEV::RebootingAfterFirmwareUpload));
        platform::resources::setSearchDirectoriesOverride({package.path()});
        p->printerCommandQueue()->async([p] { p->finishFirmwareUpdate(); });
        QTRY_COMPARE(presenter->headlines(), QStringList{"The color tables could not be written"});
        platform::resources::setSearchDirectoriesOverride({});
        f.settle();
        QVERIFY(!printer.commandSet->receivedCommands().join(' ').contains("TBL_"));
        QCOMPARE(printer.commandSet->state().colorTables.value("610").version, QStringLiteral("0100"));
        QCOMPARE(p->firmwareUpdateStatus(),
                 std::optional<int>(TBUSBPrinterZEV::RebootingAfterFirmwareUpload));
        QVERIFY(!p->inFirmwareUpdate());
        QVERIFY(presenter->answer({kFirst, {}}));
    }

    // serial-switcher carries the updates it starts itself through both restarts: the image goes, the
    // tables are written and the operator is told, as in printer-flasher.
    void serialSwitcherCarriesItsUpdateThrough() {
        Edition::setCurrent(Edition::serialSwitcher());
        platform::userdefaults::setBool("installOlderFirmwareVersion", true);
        {
            SimFixture f(true);
            const SimPrinter printer = listed(f);
            presenter->queueAnswer({kFirst + 1, {}}); // "Update Firmware to ..."
            presenter->queueAnswer({kFirst, {}});     // "Finish"
            f.printerAt(f.port(1))->updateFirmware();
            QTRY_COMPARE_WITH_TIMEOUT(presenter->headlines().size(), 2, 15000);
            QCOMPARE(presenter->headlines().last(), QStringLiteral("Firmware update was successful!"));
            const sim::SimZEVPrinterState state = printer.commandSet->state();
            QVERIFY(!state.firmwareUpdateMode);
            QCOMPARE(QStringLiteral("Update Firmware to ") + state.firmwareVersion,
                     presenter->shown().first().buttons.last());
            QCOMPARE(state.tablesWritten.size(), 3);
            QTRY_VERIFY(!f.printerAt(f.port(1)) || !f.printerAt(f.port(1))->inFirmwareUpdate());
        }
        platform::userdefaults::remove("installOlderFirmwareVersion");
    }

    // "Restarting after the upload" is recorded before the image goes out: a printer that leaves the
    // bus the instant its last byte is in (no programming time, no restart delay) is taken for the
    // restart it is, and a program that ended at that instant would find the record saying so.
    void imageInIsTheRestart() {
        QTemporaryDir stateHome;
        TBUpdateStateFile::setPath(stateHome.filePath(QStringLiteral("updates.json")));
        SimFixture f;
        const SimPrinter printer = listed(f);
        printer.commandSet->setRestartDelayMs(0);
        const QString key = f.printerAt(f.port(1))->keyUSBdevice();
        auto tap = FrameTap::install(printer.device, printer.commandSet);
        auto recorded = std::make_shared<std::atomic<int>>(-1);
        const QString path = stateHome.filePath(QStringLiteral("updates.json"));
        tap->setHook([recorded, path, key](const QString& words) {
            if (words != QLatin1String("FW_UPDFLASH_PROGRAM")) return;
            QFile file(path);
            QString why;
            const auto updates = file.open(QIODevice::ReadOnly)
                                     ? TBUpdateStateFile::parse(file.readAll(), &why)
                                     : std::nullopt;
            *recorded = updates ? updates->value(key).value(deviceFirmwareUpdateState, 0).toInt() : 0;
        });
        presenter->queueAnswer({kFirst + 1, true});
        presenter->queueAnswer({kFirst + 1, {}});
        presenter->queueAnswer({kFirst, {}});
        f.printerAt(f.port(1))->updateFirmware();
        QTRY_COMPARE_WITH_TIMEOUT(presenter->headlines().size(), 3, 15000);
        tap->setHook({});
        TBUpdateStateFile::setPath({});
        QCOMPARE(presenter->headlines().last(), QStringLiteral("Firmware update was successful!"));
        QCOMPARE(recorded->load(), int(TBUSBPrinterZEV::RebootingAfterFirmwareUpload));
        QCOMPARE(printer.commandSet->state().tablesWritten.size(), 3);
    }

    // Without the installed version the start only re-enumerates the printer.
    void versionNotReadReEnumerates() {
        SimFixture f;
        const SimPrinter printer = listed(f);
        auto p = f.printerAt(f.port(1));
        p->removeDeviceInfoValue(QRVX_TBPrinterFirmwareVersion);
        QSignalSpy gone(f.controller.get(), &TBPrinters::printersRemoved);
        p->updateFirmwareAndColorTables();
        QTRY_VERIFY(gone.count() >= 1);
        QTRY_COMPARE(f.rows(), 1);
        f.settle();
        QVERIFY(!printer.commandSet->receivedCommands().join(' ').contains("FW_UPD"));
        QVERIFY(presenter->headlines().isEmpty());
    }
};

QTEST_MAIN(UpdateFlowTest)
#include "test_update.moc"
