// Interest notices of a listed printer drive its USB status text and interface state: this program's
// own opens and closes, another program holding the interface, and a firmware update in progress.
#include "../window/simfixture.h"

#include "Classes/Edition.h"
#include "common/testsupport.h"

#include <QtTest>

using namespace testsupport;
using testsupport::LogCapture;
using Column = platform::PrinterListModel::Column;

class InterestTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Edition::setCurrent(Edition::printerFlasher()); }

    void ownOpensAndAnotherProgramsHold() {
        LogCapture log;
        SimFixture f;
        SimPrinter sim = f.attach(zev::Model::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        const auto printer = f.printerAt(f.port(1));

        // The attach-time probe's own open attempt moved state 8 to 1 without a status text; the
        // information probe then opened and closed the interface.
        QVERIFY(log.contains(QStringLiteral("kIOMessageServiceIsAttemptingOpen")));
        QTRY_COMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
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

        // When it does, the waiting open goes through.
        sim.device->setHeldByOtherProgram(false);
        QTRY_COMPARE(printer->status(), QStringLiteral("USB Open"));
        QTRY_VERIFY(printer->isInterfaceOpen());

        // And closing shows the interface free again.
        printer->closeInterface();
        QTRY_COMPARE(printer->status(), QStringLiteral("USB Available"));
    }

    void firmwareUpdateFreezesTheTextExceptForOtherNotices() {
        SimFixture f;
        SimPrinter sim = f.attach(zev::Model::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        const auto printer = f.printerAt(f.port(1));
        printer->setInFirmwareUpdate(true);

        sim.device->setHeldByOtherProgram(true);
        sim.device->setHeldByOtherProgram(false);
        f.settle(100);
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
        SimFixture::settle();
        QCOMPARE(printer->status(), QStringLiteral("USB Busy"));
    }
};

QTEST_MAIN(InterestTest)
#include "test_interest.moc"
