// Interest notices of a listed printer drive its USB status text and interface state: this program's
// own opens and closes, another program holding the interface, and a firmware update in progress.
#include "../window/simfixture.h"

#include "Classes/Edition.h"
#include "common/testsupport.h"

#include <QtTest>

using namespace testsupport;
using testsupport::LogCapture;
using Column = ui::PrinterListModel::Column;

namespace {

// Every status text the listed printers publish, in order, from their arrival on: a text that shows
// only for a moment is caught too.
class StatusTexts {
public:
    explicit StatusTexts(TBPrinters& controller) {
        QObject::connect(&controller, &TBPrinters::printerValueChanged, &context_,
                         [this](TBUSBPrinterZEV* printer, const QString& key) {
                             if (key == QLatin1String("status")) texts_ << printer->status();
                         });
    }
    QStringList texts() const { return texts_; }
    QStringList take() { return std::exchange(texts_, {}); }

private:
    QObject context_;
    QStringList texts_;
};

} // namespace

class InterestTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Edition::setCurrent(Edition::printerFlasher()); }

    void ownOpensAndAnotherProgramsHold() {
        LogCapture log;
        SimFixture f;
        StatusTexts statuses(*f.controller);
        SimPrinter sim = f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        const auto printer = f.printerAt(f.port(1));
        QTRY_COMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        f.settle();

        // The attach-time probe and the information probe opened and closed the interface; their
        // own open-attempt notices never read as another program's, not even for a moment.
        QVERIFY(log.contains(QStringLiteral("kIOMessageServiceIsAttemptingOpen")));
        QVERIFY(log.contains(QStringLiteral("-[TBUSBPrinter setDeviceObject:]")));
        QVERIFY(!statuses.texts().contains(QStringLiteral("USB Busy")));
        QCOMPARE(statuses.take().last(), QStringLiteral("USB Available"));
        QCOMPARE(f.cell(0, Column::UsbStatusColumn), QStringLiteral("USB Available"));

        // Another program opens the interface while this one does not hold it.
        sim.device->setHeldByOtherProgram(true);
        QTRY_COMPARE(printer->status(), QStringLiteral("USB Busy"));
        QCOMPARE(f.cell(0, Column::UsbStatusColumn), QStringLiteral("USB Busy"));

        // This program's open now waits for the other program to let go.
        printer->openInterface(TBUSBPrinter::Completion{});
        QTRY_COMPARE(printer->status(), QStringLiteral("Waiting for USB"));
        QVERIFY(printer->willOpenInterface());
        QTRY_COMPARE(printer->printerStatus(), QStringLiteral("In use by other application"));
        QCOMPARE(statuses.take(), (QStringList{"USB Busy", "Waiting for USB"}));

        // When it does, the waiting open goes through, the probe runs on it, and the interface is
        // let go again.
        sim.device->setHeldByOtherProgram(false);
        QTRY_COMPARE(printer->printerStatus(), QStringLiteral("Idle"));
        QTRY_VERIFY(!sim.device->isClaimed());
        QTRY_COMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        f.settle();
        QVERIFY(!statuses.texts().contains(QStringLiteral("USB Busy")));
        QCOMPARE(statuses.texts().last(), QStringLiteral("USB Available"));
        QCOMPARE(printer->ownership(), qint64(TBUSBPrinter::NotOwned));
    }

    void aRefreshThatMetAnotherProgramRunsWhenItLetsGo() {
        SimFixture f;
        SimPrinter sim = f.attach(sim::SimZEVModel::HVC, f.port(2));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(2)));
        const auto printer = f.printerAt(f.port(2));
        QTRY_COMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        f.settle();

        // Hold the printer, ask for a refresh: it meets the other program and waits.
        sim.device->setHeldByOtherProgram(true);
        QTRY_COMPARE(printer->status(), QStringLiteral("USB Busy"));
        const int before = sim.commandSet->receivedCommands().size();
        printer->updateInfo();
        QTRY_COMPARE(printer->printerStatus(), QStringLiteral("In use by other application"));
        QTRY_COMPARE(printer->status(), QStringLiteral("Waiting for USB"));
        QCOMPARE(sim.commandSet->receivedCommands().size(), before);

        // Let go: the probe's queries run, the printer's status is learned again, and the interface
        // is closed (the print system can have the printer).
        auto changed = sim.commandSet->state();
        changed.firmwareVersion = QStringLiteral("HVC 02.00");
        changed.lifetimeCounter = 4321;
        sim.commandSet->setState(changed);
        sim.device->setHeldByOtherProgram(false);
        QTRY_COMPARE(printer->printerStatus(), QStringLiteral("Idle"));
        QTRY_COMPARE(printer->firmwareVersion(), QStringLiteral("HVC 02.00"));
        QTRY_COMPARE(printer->lifetimeCounter(), QStringLiteral("4321"));
        QTRY_VERIFY(!sim.device->isClaimed());
        QTRY_COMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        QTRY_COMPARE(f.cell(0, Column::UsbStatusColumn), QStringLiteral("USB Available"));
        QTRY_COMPARE(printer->ownership(), qint64(TBUSBPrinter::NotOwned));
    }

    void firmwareUpdateFreezesTheTextExceptForOtherNotices() {
        SimFixture f;
        SimPrinter sim = f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        const auto printer = f.printerAt(f.port(1));
        printer->setInFirmwareUpdate(true);

        sim.device->setHeldByOtherProgram(true);
        sim.device->setHeldByOtherProgram(false);
        f.settle();
        QCOMPARE(printer->status(), QStringLiteral("USB Available"));

        // An open that completes still publishes state 2, without a text.
        printer->openInterface(TBUSBPrinter::Completion{});
        QTRY_VERIFY(printer->isInterfaceOpen());
        QCOMPARE(printer->status(), QStringLiteral("USB Available"));
        LogCapture log;
        printer->closeInterface();
        QTRY_COMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        // The bus's closed notice follows the close; let it land before the next notices.
        QTRY_VERIFY(log.contains(QStringLiteral("kIOMessageServiceWasClosed")));

        // Any other notice (a power notice, say) still reads "OK", untranslated.
        usbInterfaceInterestCallback(printer.get(), f.bus->service(f.port(1)), kIOMessageDeviceHasPoweredOn,
                                     nullptr);
        QTRY_COMPARE(printer->status(), QStringLiteral("OK"));
        QTRY_COMPARE(f.cell(0, Column::UsbStatusColumn), QStringLiteral("OK"));

        // The busy-state notice changes nothing at all.
        printer->setInFirmwareUpdate(false);
        usbInterfaceInterestCallback(printer.get(), f.bus->service(f.port(1)),
                                     kIOMessageServiceBusyStateChange, nullptr);
        f.settle();
        QCOMPARE(printer->status(), QStringLiteral("OK"));
    }

    void closedNoticeBeforeAnythingWasLearnedChangesNothing() {
        // A printer object that has learned nothing yet (its dictionary is empty).
        const auto printer = TBUSBPrinter::create<TBUSBPrinterZEV>();
        printer->setStatus(QStringLiteral("USB Busy"));
        QVERIFY(printer->deviceInfoDict()->isEmpty());
        usbInterfaceInterestCallback(printer.get(), nullptr, kIOMessageServiceWasClosed, nullptr);
        SimFixture::drain();
        QCOMPARE(printer->status(), QStringLiteral("USB Busy"));
    }
};

QTEST_MAIN(InterestTest)
#include "test_interest.moc"
