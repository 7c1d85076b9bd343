// TBUSBPrinterZEV against simulated printers of the family: what goes over the wire, in which order,
// and what ends up in the device-info dictionary.
#include "zevrig.h"

#include "Classes/Edition.h"
#include "common/probeorder.h"
#include "common/testclock.h"
#include "common/testsupport.h"

using Model = sim::SimZEVModel;

using testsupport::kHVCProbe;

namespace {

// The eight-table printer: four slots for SD media ("0001"), then the same four for PP ("0003"),
// versions first, then checksums.
QStringList eightTableProbe() {
    QStringList words{"STATUS", "INFO  FVER", "MNT_RDCOUNTER_LIFE"};
    for (const char* kind : {"Version", "Checksum"})
        for (const char* media : {"0001", "0003"})
            for (const char* slot : {"620", "610", "600", "300"})
                words << QStringLiteral("TBL_RDCWD%1_%2 %3").arg(slot, kind, media);
    words << "INFO  SERIAL_NUMBER"
          << "MNT_RDUSB_ISERI_SET";
    return words;
}

void waitForProbe(ZEVRig& rig, int commands) {
    QTRY_COMPARE_WITH_TIMEOUT(rig.commands().size(), commands, 5000);
    QTRY_VERIFY(!rig.sim.device->isClaimed()); // the probe closes the interface once, at the end
    rig.settle();
}

} // namespace

class PrinterTest : public QObject {
    Q_OBJECT
private slots:
    void probeOfAnHVC() {
        testsupport::LogCapture log;
        ZEVRig rig(Model::HVC, [](sim::SimZEVPrinterState& s) {
            s.firmwareReplyPrefix = "  ";
            s.usbISerialSwitch = true;
        });
        QSignalSpy changes(rig.printer.get(), &TBUSBPrinter::valueChanged);
        rig.printer->probe();
        waitForProbe(rig, int(kHVCProbe.size()));
        QCOMPARE(rig.commands(), kHVCProbe);

        QCOMPARE(rig.stored(QRVX_TBPrinterStatus), QStringLiteral("Idle"));
        QCOMPARE(rig.printer->firmwareVersion(), QStringLiteral("HVC 01.21"));
        QCOMPARE(rig.printer->lifetimeCounter(), QStringLiteral("1234"));
        QCOMPARE(rig.printer->colorTableVersion610(), QStringLiteral("0100"));
        QCOMPARE(rig.printer->colorTableChecksum610(), QStringLiteral("0E5F"));
        QCOMPARE(rig.printer->colorTableChecksum300(), QStringLiteral("4D21"));
        QCOMPARE(rig.printer->printerSerialNumber(), QStringLiteral("HVC-0042"));
        QCOMPARE(rig.stored(QRVX_ZEV_USB_ISerialisSet), QStringLiteral("1"));
        QVERIFY(rig.printer->usbISerial());
        QCOMPARE(rig.printer->usbISerialString(), QStringLiteral("Enabled"));

        QVERIFY(log.contains("sending printer command INFO  FVER with payload size 0"));
        QVERIFY(log.contains("printer firmware version: HVC 01.21"));
        QVERIFY(log.contains("printer color table CHECKSUM 600: B870"));
        QVERIFY(log.contains("printerSerialNumber: HVC-0042"));
        QVERIFY(log.contains("lifetime counter value: 1234"));
        QVERIFY(log.contains("usbISerial value: 1"));

        QStringList keys;
        for (const auto& args : changes)
            keys << args.at(0).toString();
        for (const char* key : {"printerStatus", "firmwareVersion", "lifetimeCounter", "colorTableVersion",
                                "colorTableChecksum300", "printerSerialNumber", "usbISerialString"})
            QVERIFY2(keys.contains(key), key);
    }

    void probeOfAnEightTablePrinter() {
        ZEVRig rig(Model::EightTable);
        rig.printer->probe();
        const QStringList expected = eightTableProbe();
        waitForProbe(rig, int(expected.size()));
        // Every frame in order, each table query with its media selector.
        QStringList sent;
        for (const auto& frame : rig.sim.printer->receivedFrames()) {
            QString line = frame.words();
            if (frame.command == "TBL_RD") {
                QCOMPARE(frame.lengthField, QByteArray("00000004"));
                line += QLatin1Char(' ') + QString::fromLatin1(frame.payload);
            } else {
                QVERIFY2(frame.payload.isEmpty(), qPrintable(line));
            }
            sent << line;
        }
        QCOMPARE(sent, expected);
        QCOMPARE(rig.printer->colorTableVersion620(), QStringLiteral("0100"));
        QCOMPARE(rig.printer->colorTableVersion300HD(), QStringLiteral("0200"));
        QCOMPARE(rig.printer->colorTableChecksum620HD(), QStringLiteral("2000"));
    }

    void probeOfAPrinterInFirmwareUpdateMode() {
        testsupport::TestClock clock;
        ZEVRig rig(Model::HVC, [](sim::SimZEVPrinterState& s) { s.firmwareUpdateMode = true; });
        clock.setSettle([&] { rig.settle(); });
        rig.printer->probe();
        QTRY_COMPARE(rig.stored(QRVX_TBPrinterStatus), QStringLiteral("Firmware Update Mode"));
        clock.advance(100);
        QCOMPARE(rig.commands(), QStringList{"STATUS"});
        QCOMPARE(rig.stored(QRVX_TBPrinterFirmwareVersion), QStringLiteral("<absent>"));
    }

    void framesOnTheWire() {
        ZEVRig rig(Model::HVC);
        rig.printer->resetCounterB();
        rig.settle();
        const auto written = rig.sim.device->bytesWritten();
        const QByteArray bytes(reinterpret_cast<const char*>(written.data()), qsizetype(written.size()));
        QCOMPARE(bytes, QByteArray("\x1BPMNT_WTCOUNTER_CLR     00000004CB\r\0", 36));
        QCOMPARE(rig.sim.printer->state().counterB, 0u);
        QCOMPARE(rig.sim.printer->state().counterA, 56u);
        // Another letter sends nothing.
        rig.printer->resetCounter('Q');
        rig.settle();
        QCOMPARE(rig.commands().size(), 1);
    }

    void statusOverrideThenTheRealStatus() {
        ZEVRig rig(Model::HVC, [](sim::SimZEVPrinterState& s) { s.statusCode = "01100"; });
        QStringList shown;
        QObject::connect(rig.printer.get(), &TBUSBPrinter::valueChanged, rig.printer.get(),
                         [&](const QString& key) {
                             if (key == QRVX_TBPrinterStatus) shown << rig.printer->printerStatus();
                         });
        QString completionCode;
        rig.printer->setOverridePrinterStatus("Updating firmware ...");
        rig.printer->getPrinterStatus([&](const QString& code) { completionCode = code; });
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(shown, (QStringList{"Updating firmware ...", "Paper End"}));
        QCOMPARE(completionCode, QStringLiteral("01100"));
    }

    void statusPollEndsWhenTheStateIsReached() {
        testsupport::TestClock clock;
        ZEVRig rig(Model::HVC, [](sim::SimZEVPrinterState& s) { s.statusCode = "01000"; });
        QStringList shown;
        QObject::connect(rig.printer.get(), &TBUSBPrinter::valueChanged, rig.printer.get(),
                         [&](const QString& key) {
                             if (key == QRVX_TBPrinterStatus) shown << rig.printer->printerStatus();
                         });
        clock.setSettle([&] { rig.settle(); });
        rig.printer->waitForPrinterStatusCode("00000");
        rig.settle();
        QCOMPARE(rig.commands().size(), 1);
        // A pass every half second.
        clock.advance(499);
        QCOMPARE(rig.commands().size(), 1);
        clock.advance(1);
        QCOMPARE(rig.commands().size(), 2);
        clock.advance(500);
        QCOMPARE(rig.commands().size(), 3);
        QVERIFY(shown.contains("Cover Open"));
        rig.sim.printer->update([](sim::SimZEVPrinterState& s) { s.statusCode = "00000"; });
        clock.advance(500);
        QCOMPARE(shown.last(), QStringLiteral("Idle"));
        const int sent = int(rig.commands().size());
        clock.advance(1200);
        QCOMPARE(rig.commands().size(), sent); // the poll is over
        QCOMPARE(rig.commands().count("STATUS"), sent);
        QVERIFY(!rig.sim.device->isClaimed()); // and has let go of the printer
    }

    void statusPollRetriesABusyPrinterAndEndsWhenItIsGone() {
        testsupport::LogCapture log;
        testsupport::TestClock clock;
        ZEVRig rig(Model::HVC);
        clock.setSettle([&] { rig.settle(); });
        rig.sim.device->setHeldByOtherProgram(true);
        rig.printer->waitForPrinterStatusCode("00000");
        clock.advance(1300);
        QCOMPARE(rig.commands().size(), 0); // open refused, retried
        QCOMPARE(rig.stored(QRVX_TBPrinterStatus), QStringLiteral("In use by other application"));
        rig.bus->detach(ZEVRig::kLocation);
        clock.advance(500);
        QVERIFY(log.contains("status poll for \"00000\" ends"));
        const int attempts = int(log.lines().filter("Waiting for USB interface").size());
        clock.advance(1200);
        QCOMPARE(int(log.lines().filter("Waiting for USB interface").size()), attempts);
    }

    void noReplyPerQuery() {
        testsupport::LogCapture log;
        ZEVRig rig(Model::HVC);
        rig.printer->probe();
        waitForProbe(rig, int(kHVCProbe.size()));
        rig.sim.printer->clearReceived();
        QCOMPARE(rig.printer->readStatus(), kIOReturnSuccess);
        // Now the printer answers nothing at all.
        rig.sim.printer->addFault({sim::SimZEVFaultKind::NoReply, {}, -1});
        QString statusCode;
        QStringList versions;
        rig.printer->getPrinterStatus([&](const QString& code) { statusCode = code; });
        rig.onOpenInterface([&](RecordingPrinter& p) {
            p.getPrinterFirmwareVersion();
            p.getPrinterLifetimeCounter();
            p.updatePrinterSerialNumber();
            p.getUSB_ISerial();
            p.getPrinterColorTableVersion([&](const QStringList& values) { versions = values; });
        });
        QTRY_COMPARE(versions.size(), 3);
        QCOMPARE(versions, (QStringList{"NULL", "NULL", "NULL"}));
        QCOMPARE(statusCode, QStringLiteral("NULL"));
        // Silence is not idle.
        QCOMPARE(rig.stored(QRVX_TBPrinterStatus), QStringLiteral("Not Responding"));
        // Kept: firmware version, counter, switch. Replaced: serial number, colour tables.
        QCOMPARE(rig.printer->firmwareVersion(), QStringLiteral("HVC 01.21"));
        QCOMPARE(rig.printer->lifetimeCounter(), QStringLiteral("1234"));
        QCOMPARE(rig.stored(QRVX_ZEV_USB_ISerialisSet), QStringLiteral("0"));
        QCOMPARE(rig.printer->printerSerialNumber(), QStringLiteral("NULL"));
        QVERIFY(log.contains("printerSerialNumber: NULL"));
        QCOMPARE(rig.printer->colorTableVersion600(), QStringLiteral("NULL"));
        // The failed reply reads are recorded like the transport's own reads.
        QVERIFY(rig.printer->readStatus() != kIOReturnSuccess);
    }

    void emptyAnswersAreStoredAsEmptyTexts() {
        ZEVRig rig(Model::HVC, [](sim::SimZEVPrinterState& s) {
            s.firmwareVersion.clear();
            s.serialNumber.clear();
            s.colorTables["610"].version = "  0311 ";
        });
        rig.onOpenInterface([](RecordingPrinter& p) {
            p.getPrinterFirmwareVersion();
            p.updatePrinterSerialNumber();
            p.getPrinterColorTableVersion({});
        });
        QTRY_COMPARE(rig.stored(QRVX_TBPrinterColorTableVersion), QStringLiteral("0100"));
        QCOMPARE(rig.stored(QRVX_TBPrinterFirmwareVersion), QString());
        QCOMPARE(rig.stored(QRVX_TBPrinterSerialNumber), QString());
        QCOMPARE(rig.printer->colorTableVersion610(), QStringLiteral("0311"));
    }

    void colorTableCompletions() {
        ZEVRig rig(Model::HVC, [](sim::SimZEVPrinterState& s) {
            s.colorTables["610"].version = "a";
            s.colorTables["600"].version = "b";
            s.colorTables["300"].version = "c";
        });
        rig.sim.printer->addFault({sim::SimZEVFaultKind::NoReply, "TBL_RDCWD600_Checksum", 1});
        QList<QStringList> versionCalls, checksumCalls;
        rig.onOpenInterface([&](RecordingPrinter& p) {
            p.getPrinterColorTableVersion([&](const QStringList& v) { versionCalls << v; });
            p.getPrinterColorTableChecksum([&](const QStringList& v) { checksumCalls << v; });
        });
        QTRY_COMPARE(checksumCalls.size(), 1);
        QCOMPARE(versionCalls, (QList<QStringList>{{"a", "b", "c"}}));
        QCOMPARE(checksumCalls.first(), (QStringList{"0E5F", "NULL", "4D21"}));
        QCOMPARE(rig.printer->colorTableVersion(), QStringLiteral("c"));
        QCOMPARE(rig.printer->colorTableChecksum600(), QStringLiteral("NULL"));

        // One-table model: its own command words and keys.
        testsupport::LogCapture log;
        ZEVRig hva(Model::HVA);
        QStringList single;
        hva.onOpenInterface([&](RecordingPrinter& p) {
            p.getPrinterColorTableChecksum([&](const QStringList& v) { single = v; });
        });
        QTRY_COMPARE(single, QStringList{"5A1C"});
        QCOMPARE(hva.commands(), QStringList{"MNT_RDCTRLD_CHKSUM"});
        QCOMPARE(hva.printer->colorTableChecksum300(), QStringLiteral("5A1C"));
        QVERIFY(log.contains("printer color table checksum: 5A1C"));
    }

    void unknownProductGetsNoTableCommands() {
        ZEVRig rig(Model::Unknown);
        bool called = false;
        rig.onOpenInterface([&](RecordingPrinter& p) {
            p.getPrinterColorTableVersion([&](const QStringList&) { called = true; });
            p.getPrinterColorTableChecksum([&](const QStringList&) { called = true; });
        });
        rig.settle();
        QVERIFY(rig.commands().isEmpty());
        QVERIFY(!called);
        QVERIFY(!rig.printer->hasISerialSupport());
        QVERIFY(rig.printer->imageName().isEmpty());
    }

    void serialSwitchSupportFollowsTheFirmware() {
        ZEVRig qxa(Model::HVQXA, [](sim::SimZEVPrinterState& s) { s.firmwareVersion = "HV-QXA 02.03"; });
        QCOMPARE(qxa.printer->usbISerialString(), QStringLiteral("Unavailable")); // nothing read yet
        qxa.printer->setDeviceInfoValue(QRVX_TBPrinterFirmwareVersion, "HV-QXA 02.03");
        QVERIFY(!qxa.printer->hasISerialSupport());
        qxa.printer->setDeviceInfoValue(QRVX_TBPrinterFirmwareVersion, "HV-QXA 02.04");
        QVERIFY(qxa.printer->hasISerialSupport());
        QCOMPARE(qxa.printer->usbISerialString(), QStringLiteral("Disabled"));
        QCOMPARE(qxa.printer->imageName(), QStringLiteral("ZEV_QX_Series"));

        ZEVRig hva(Model::HVA);
        hva.printer->setDeviceInfoValue(QRVX_ZEV_USB_ISerialisSet, "1");
        QCOMPARE(hva.printer->usbISerialString(), QStringLiteral("Unavailable"));
        hva.printer->getUSB_ISerial();
        hva.settle();
        QVERIFY(hva.commands().isEmpty());

        ZEVRig hvbd(Model::HVBD);
        QVERIFY(hvbd.printer->imageName().isEmpty());
    }

    void firstProbeOfAnHVQXAReadsItsSwitch() {
        // The switch query decides on the firmware version read just before it in the same probe.
        ZEVRig rig(Model::HVQXA, [](sim::SimZEVPrinterState& s) { s.usbISerialSwitch = true; });
        rig.printer->probe();
        waitForProbe(rig, 1 + 2 + 2 + 2);
        QCOMPARE(rig.commands().last(), QStringLiteral("MNT_RDUSB_ISERI_SET"));
        QCOMPARE(rig.printer->usbISerialString(), QStringLiteral("Enabled"));
    }

    void switchingTheUSBSerialNumber() {
        ZEVRig rig(Model::HVC);
        rig.printer->probe();
        waitForProbe(rig, int(kHVCProbe.size()));
        rig.sim.printer->clearReceived();

        rig.printer->setUsbISerial(false); // already off: nothing at all
        rig.settle();
        QVERIFY(rig.commands().isEmpty());
        QVERIFY(rig.printer->noticesSoFar().isEmpty());

        rig.printer->setUsbISerial(true);
        QTRY_COMPARE(rig.printer->noticesSoFar(), (QStringList{"power-cycle", "delete-queues"}));
        QCOMPARE(rig.commands(), (QStringList{"MNT_WTUSB_ISERI_SET", "MNT_RDUSB_ISERI_SET"}));
        QCOMPARE(rig.sim.printer->receivedFrames().front().payload, QByteArray("01\r\0", 4));
        QTRY_VERIFY(rig.printer->usbISerial());
        QVERIFY(rig.sim.printer->state().usbISerialSwitch);
        QVERIFY(!rig.sim.device->identity().reportsSerialNumber);
        rig.sim.device->powerCycle();
        QVERIFY(rig.sim.device->identity().reportsSerialNumber);
    }

    void switchingABusyPrinterTellsTheUser() {
        ZEVRig rig(Model::HVC);
        rig.sim.device->setHeldByOtherProgram(true);
        rig.printer->setUsbISerial(true);
        QTRY_COMPARE(rig.printer->noticesSoFar(), QStringList{"busy"});
        rig.settle();
        QVERIFY(rig.commands().isEmpty());
    }

    // A switch that never reached the printer is not reported as done: no power-cycle notice, the
    // print queues stay.
    void aSwitchThatWasNotWrittenIsNotReportedAsDone() {
        testsupport::LogCapture log;
        ZEVRig rig(Model::HVC);
        rig.printer->probe();
        waitForProbe(rig, int(kHVCProbe.size()));
        rig.sim.printer->clearReceived();
        rig.sim.device->injectFault({sim::FaultPoint::BulkOut, sim::FaultKind::Error, 0, 0});
        rig.printer->setUsbISerial(true);
        QTRY_VERIFY(log.contains("setEnabledUSBSerial:]: switch not written"));
        rig.settle();
        QVERIFY(rig.printer->noticesSoFar().isEmpty());
        QVERIFY(!rig.sim.printer->state().usbISerialSwitch);
        QCOMPARE(rig.commands(), QStringList{"MNT_RDUSB_ISERI_SET"}); // the read-back still ran
        QVERIFY(!rig.printer->usbISerial());

        // The next try reaches the printer and is reported.
        rig.printer->setUsbISerial(true);
        QTRY_COMPARE(rig.printer->noticesSoFar(), (QStringList{"power-cycle", "delete-queues"}));
        QTRY_VERIFY(rig.printer->usbISerial());

        // An HV-QXA whose firmware has no switch: nothing is sent, nothing is reported.
        ZEVRig qxa(Model::HVQXA, [](sim::SimZEVPrinterState& s) { s.firmwareVersion = "HV-QXA 02.03"; });
        qxa.printer->setDeviceInfoValue(QRVX_TBPrinterFirmwareVersion, "HV-QXA 02.03");
        qxa.printer->setEnabledUSBSerial(true);
        QTRY_VERIFY(log.contains("no switch at this firmware"));
        qxa.settle();
        QVERIFY(qxa.commands().isEmpty());
        QVERIFY(qxa.printer->noticesSoFar().isEmpty());
    }

    void supportedIdsPerEdition() {
        const auto hvc = zev::productIDForModel(zev::Model::HVC);
        Edition::setCurrent(Edition::printerFlasher());
        QCOMPARE(*TBUSBPrinterZEV::supportedProductIDs(), IndexSet{hvc});
        Edition::setCurrent(Edition::serialSwitcher());
        QCOMPARE(TBUSBPrinterZEV::supportedProductIDs()->size(), 3u);
        QVERIFY(!TBUSBPrinterZEV::supportedProductIDs()->contains(zev::productIDForModel(zev::Model::HVA)));
        Edition::setCurrent(Edition::printerFlasher());
        QCOMPARE(TBUSBPrinterZEV::supportedVendorIDs()->size(), 2u);
        QCOMPARE(*TBUSBPrinterZEV::supportedVendorIDs(),
                 *ZEVRig(Model::HVC).printer->objectSupportedVendorIDs());
    }
};

QTEST_GUILESS_MAIN(PrinterTest)
#include "test_printer.moc"
