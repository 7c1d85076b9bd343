// The first probe of each printer object: what printer-flasher does with the update status the
// registry gives it and with a printer found in its update mode, and that serial-switcher does none
// of it. Every printer is probed once, whichever probe it gets.
#include "../window/simfixture.h"

#include "Classes/Edition.h"
#include "common/probeorder.h"
#include "common/testsupport.h"
#include "platform/dialogs.h"
#include "ui/simulationmenu.h"

#include <QMenu>
#include <QtTest>

using namespace testsupport;
using platform::ScriptedAlertPresenter;
using Model = sim::SimZEVModel;

namespace {

constexpr qint64 kFirst = platform::kAlertFirstButtonReturn;

// The registry key of `device`, known before it is on the bus.
QString keyOf(const sim::SimPrinterDevice& device) {
    const sim::DeviceIdentity id = device.identity();
    return QString::asprintf("%.4X%.4X%.8X", unsigned(id.vendorId), unsigned(id.productId),
                             unsigned(id.locationId));
}

} // namespace

class StartupProbeTest : public QObject {
    Q_OBJECT

    std::shared_ptr<ScriptedAlertPresenter> presenter;

private slots:
    void init() {
        presenter = std::make_shared<ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
    }
    void cleanup() {
        platform::setAlertPresenter(nullptr);
        Edition::setCurrent(Edition::printerFlasher());
    }

    // What the registry holds for the port decides the first probe; each row is one printer object.
    void firstProbe_data() {
        QTest::addColumn<bool>("switcher");
        QTest::addColumn<int>("status"); // 0: none
        QTest::addColumn<QString>("statusCode");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<bool>("stillUpdating");
        const QStringList probe = kHVCProbe;
        QTest::newRow("first sight") << false << 0 << "00000"
                                     << "infoDict here is { }" << probe << false;
        QTest::newRow("serial-switcher") << true << 0 << "00000"
                                         << "infoDict here is { }" << probe << false;
        QTest::newRow("back with status 3")
            << false << 3 << "00000"
            << "initing device for key" << QStringList{"INFO  FVER"} + probe << false;
        QTest::newRow("status 1, not in update mode")
            << false << 1 << "00000"
            << "Bad Status (00000) while waiting for firmware update" << QStringList{"INFO  FVER", "STATUS"}
            << true;
        QTest::newRow("serial-switcher leaves status 2 be")
            << true << 2 << "00000"
            << "infoDict here is { deviceFirmwareStatus = 2; }" << probe << false;
    }
    void firstProbe() {
        QFETCH(bool, switcher);
        QFETCH(int, status);
        QFETCH(QString, statusCode);
        QFETCH(QString, logged);
        QFETCH(QStringList, commands);
        QFETCH(bool, stillUpdating);
        Edition::setCurrent(switcher ? Edition::serialSwitcher() : Edition::printerFlasher());
        LogCapture log;
        SimFixture f(switcher);
        const SimPrinter printer = f.makePrinter(Model::HVC, f.port(1));
        printer.commandSet->update([&](sim::SimZEVPrinterState& s) { s.statusCode = statusCode; });
        if (status)
            TBUSBPrinter::deviceInfoForKey(keyOf(*printer.device))
                ->setValue(deviceFirmwareUpdateState, status);
        f.bus->attach(printer.device);
        f.controller->awakeFromNib();
        QTRY_COMPARE(printer.commandSet->receivedCommands().size(), commands.size());
        f.settle();
        QCOMPARE(printer.commandSet->receivedCommands(), commands);
        QVERIFY2(log.contains(logged), qPrintable(log.lines().join('\n')));
        const auto p = f.printerAt(f.port(1));
        QCOMPARE(p->inFirmwareUpdate(), stillUpdating);
        const bool cleared = status == 0 || status == TBUSBPrinterZEV::ColorTablesWritten;
        QCOMPARE(p->firmwareUpdateStatus(), cleared ? std::nullopt : std::optional(status));
        // A stalled update stays recorded, but the operator may start it again.
        QVERIFY(p->updateCanStart());
        QVERIFY(presenter->shown().isEmpty());
    }

    // Back after the upload with no previous version on record, still running the firmware it had: the
    // version is logged as unchanged, the update has failed (no success, no tables for a firmware
    // they do not belong to) and nothing of it is left under way.
    void backWithStatus2AndTheOldFirmware() {
        LogCapture log;
        SimFixture f;
        const SimPrinter printer = f.makePrinter(Model::HVC, f.port(1));
        const DeviceInfoRef known = TBUSBPrinter::deviceInfoForKey(keyOf(*printer.device));
        known->setValue(deviceFirmwareUpdateState, int(TBUSBPrinterZEV::RebootingAfterFirmwareUpload));
        known->setValue(QRVX_TBPrinterFirmwareVersion, QStringLiteral("HVC 01.21"));
        presenter->queueAnswer({kFirst, {}});
        f.bus->attach(printer.device);
        f.controller->awakeFromNib();
        QTRY_COMPARE_WITH_TIMEOUT(presenter->headlines(),
                                  QStringList{"There was a problem with the firmware update!"}, 10000);
        QCOMPARE(presenter->shown().first().informativeText,
                 QStringLiteral("Current firmware version: HVC 01.21"));
        QVERIFY(log.contains(QStringLiteral("firmware version unchanged at HVC 01.21")));
        QVERIFY(!printer.commandSet->receivedCommands().join(' ').contains("TBL_"));
        const auto p = f.printerAt(f.port(1));
        QTRY_VERIFY(!p->inFirmwareUpdate());
        QTRY_COMPARE(p->firmwareUpdateStatus(), std::nullopt);
    }

    // Plugged in from the demo's menu in its update mode: the operator is asked once; "Ignore" gives
    // the power-cycle advice and nothing but the status query reaches the printer, also on a refresh.
    void foundInUpdateModeAndIgnored() {
        app::Simulation simulation;
        SimFixture f(false, simulation.bus());
        QMenu* menu = ui::createSimulationMenu(&simulation, f.window.get());
        f.controller->awakeFromNib();
        QMenu* updateMode = menu->findChild<QMenu*>(QStringLiteral("updateModeMenu"));
        QVERIFY(updateMode && !updateMode->actions().isEmpty());
        updateMode->actions().first()->trigger();
        QTRY_COMPARE(presenter->headlines(), QStringList{"Attention:"});
        const ScriptedAlertPresenter::Shown question = presenter->shown().first();
        QCOMPARE(question.informativeText,
                 QStringLiteral("A printer was unexpectedly found in firmware update "
                                "mode. Would you like to update the firmware? "));
        QCOMPARE(question.buttons, (QStringList{"Ignore", "Update Firmware"}));
        QCOMPARE(question.style, platform::kAlertStyleCritical);

        QVERIFY(presenter->answer({kFirst, {}}));
        QTRY_COMPARE(presenter->headlines().last(), QStringLiteral("Please power-cycle this printer"));
        QCOMPARE(presenter->shown().last().informativeText,
                 QStringLiteral("Contact customer support if power-cycling does not resolve the issue."));
        QVERIFY(presenter->answer({kFirst, {}}));
        const auto p = f.controller->printerAt(0);
        p->updateInfo();
        f.settle();
        QCOMPARE(presenter->shown().size(), 2);
        const auto device = simulation.bus()->device(simulation.locations().front());
        QVERIFY(!device->isClaimed());
        QVERIFY(!p->inFirmwareUpdate());
    }
};

QTEST_MAIN(StartupProbeTest)
#include "test_startup.moc"
