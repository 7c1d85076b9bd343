// serial-switcher's job from the window: ticking a printer's USB serial-number box writes the switch,
// tells the operator to power-cycle, and removes that model's stale queues from a real print
// scheduler; after the power cycle the row shows what the printer reports.
#include "cupsfixture.h"

#include "Classes/Edition.h"
#include "platform/dialogs.h"
#include "window/simfixture.h"

#include <QTest>

using testsupport::SimFixture;
using testsupport::SimPrinter;
using Column = ui::PrinterListModel::Column;

class SwitchTest : public QObject {
    Q_OBJECT

    CupsFixture cups;
    std::shared_ptr<platform::ScriptedAlertPresenter> presenter;

private slots:
    void initTestCase() {
        if (const QString problem = cups.start(); !problem.isEmpty())
            QSKIP(qPrintable("no print scheduler: " + problem));
        Edition::setCurrent(Edition::serialSwitcher());
    }
    void init() {
        presenter = std::make_shared<platform::ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
        // The operator dismisses each notice at once; an alert on screen would keep its printer.
        for (int i = 0; i < 3; ++i)
            presenter->queueAnswer({platform::kAlertFirstButtonReturn, std::nullopt});
        cups.removeAllQueues();
    }
    void cleanup() { platform::setAlertPresenter(nullptr); }

    void tickingTheBoxSwitchesNoticesAndCleansUp() {
        for (const auto& [name, uri] : {std::pair{"hvc", "usb://ZEV/HVP-HVC?serial=A1"},
                                        {"hvc_location", "usb://ZEV/HVP-HVC?location=1400"},
                                        {"qxa", "usb://ZEV/HVP-HV-QXA?serial=Q1"},
                                        {"office", "ipp://printhost/printers/HVP-HVC?waitjob=false"}})
            QCOMPARE(cups.addQueue(name, uri), QString());
        SimFixture f(true);
        const SimPrinter hvc = f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        const QModelIndex box = f.model()->index(0, Column::UsbSerialColumn);

        QVERIFY(f.model()->setData(box, Qt::Checked, Qt::CheckStateRole));
        QTRY_COMPARE(cups.queues(), (QStringList{"office", "qxa"}));
        QVERIFY(hvc.commandSet->state().usbISerialSwitch);
        QVERIFY(!hvc.device->isClaimed()); // closed before the notice
        QTRY_COMPARE(presenter->headlines(),
                     QStringList{"Please power-cycle the selected printer now to complete the process!"});

        // After the power cycle the printer reports its serial number; the row follows.
        hvc.device->powerCycle();
        QTRY_VERIFY(f.probed(f.port(1)) && f.printerAt(f.port(1)) &&
                    !f.printerAt(f.port(1))->serialNumberUSB().isEmpty());
        QTRY_COMPARE(
            f.model()->data(f.model()->index(0, Column::UsbSerialColumn), Qt::CheckStateRole).toInt(),
            int(Qt::Checked));
        QCOMPARE(presenter->shown().size(), 1);
    }

    // A queue the operator may not remove is named to the operator, not dropped in silence.
    void aRefusedRemovalIsTold() {
        cups.stop();
        if (const QString problem = cups.start(true); !problem.isEmpty()) QSKIP(qPrintable(problem));
        QCOMPARE(cups.addQueue("hvc", "usb://ZEV/HVP-HVC?serial=A1"), QString());
        SimFixture f(true);
        f.attach(sim::SimZEVModel::HVC, f.port(2));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(2)));
        f.printerAt(f.port(2))->setUsbISerial(true);
        QTRY_COMPARE(presenter->shown().size(), 2);
        const auto told = presenter->shown().last();
        QCOMPARE(told.messageText, QStringLiteral("Old print queues could not be removed"));
        QVERIFY(told.informativeText.contains(QStringLiteral("\nhvc: ")));
        QCOMPARE(cups.queues(), QStringList{"hvc"});
        cups.stop();
        QCOMPARE(cups.start(), QString());
    }

    void aBusyPrinterGetsTheBusyNotice() {
        SimFixture f(true);
        const SimPrinter held = f.attach(sim::SimZEVModel::HVC, f.port(3));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(3)));
        held.device->setHeldByOtherProgram(true);
        f.printerAt(f.port(3))->setUsbISerial(true);
        QTRY_COMPARE(presenter->headlines(), QStringList{"The Selected Printer is Unavailable. (Busy)"});
        QVERIFY(!held.commandSet->state().usbISerialSwitch);
    }
};

QTEST_MAIN(SwitchTest)
#include "test_switch.moc"
