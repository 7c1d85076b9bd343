// The package operations as a real printer object has them: a TBUSBPrinterZEV on the simulated bus,
// its own device-info dictionary, its change announcements, and the list row that shows them.
#include "protocol/zevrig.h"

#include "Classes/Edition.h"
#include "app/printerrow.h"
#include "common/testsupport.h"

#include <QSignalSpy>
#include <QTest>

using Model = sim::SimZEVModel;

namespace {

QStringList announcedKeys(const QSignalSpy& spy) {
    QStringList keys;
    for (const auto& arguments : spy)
        keys << arguments.at(0).toString();
    return keys;
}

} // namespace

class PrinterPackageTest : public QObject {
    Q_OBJECT
private slots:
    void init() { Edition::setCurrent(Edition::printerFlasher()); }
    void cleanup() { Edition::setCurrent(Edition::printerFlasher()); }

    // The list is stored on the main thread, after the call, and announced as newFirmwareVersion.
    void setFilenamesAnnouncesTheNewVersion() {
        ZEVRig rig(Model::HVC);
        QSignalSpy changes(rig.printer.get(), &TBUSBPrinter::valueChanged);
        const QStringList names{"HVC 09.99.fw", "HVC_300_0100.cwd", "HVC_600_0110.cwd"};
        // Called from the command queue, as the update flow does.
        rig.onOpenInterface([&names](RecordingPrinter& p) { p.setFilenames(names); });
        QTRY_VERIFY(announcedKeys(changes).contains(kNewFirmwareVersionProperty));
        QCOMPARE(rig.printer->deviceInfoValue(cFirmwareFilenames).toStringList(), names);
        QCOMPARE(rig.printer->newFirmwareVersion(), QString("HVC 09.99"));
        QCOMPARE(rig.printer->availableFirmwareVersion(), 9.99);
        QCOMPARE(rig.printer->colorTableNames(), names.mid(1));
    }

    // The printer's own verification of the sample package, through its dictionary.
    void verifyFirmwareArchiveOnAPrinter() {
        ZEVRig rig(Model::HVC);
        QSignalSpy changes(rig.printer.get(), &TBUSBPrinter::valueChanged);
        QVERIFY(rig.printer->verifyFirmwareArchive());
        const FirmwareCatalogueEntry entry =
            TBFirmwarePackage::catalogueEntry(rig.printer->productID(), Edition::printerFlasher());
        for (const QString& name : entry.fileNames)
            QCOMPARE(rig.printer->deviceInfoValue(name), QVariant(true));
        QCOMPARE(rig.printer->deviceInfoValue(cFirmwareFileHashes).toStringList(), entry.digests);
        // The file list follows on the main thread.
        QVERIFY(!rig.printer->deviceInfoValue(cFirmwareFilenames).isValid());
        QTRY_VERIFY(announcedKeys(changes).contains(kNewFirmwareVersionProperty));
        QCOMPARE(rig.printer->newFirmwareVersion(), QString("HVC 01.41"));
        QCOMPARE(rig.printer->availableFirmwareVersion(), 1.41);

        const QByteArray image = rig.printer->firmwareBlob();
        QCOMPARE(image.size() % 4, 0);
        QVERIFY(rig.printer->verifySRecData(image));
        QCOMPARE(rig.printer->colorTableNames(), entry.fileNames.mid(1));
        QCOMPARE(rig.printer->verifyBlob(rig.printer->paddedColorDataForVersion(entry.fileNames.at(1))),
                 entry.digests.at(1));

        // serial-switcher's older package, keyed on the same class name.
        Edition::setCurrent(Edition::serialSwitcher());
        testsupport::LogCapture log;
        QVERIFY(rig.printer->verifyFirmwareArchive());
        QVERIFY(log.contains("verifying HVC 01.21.fw:"));
        QTRY_COMPARE(rig.printer->newFirmwareVersion(), QString("HVC 01.21"));
    }

    // The installed version and the switch support read the stored firmware version one way.
    void installedVersionDecidesTheSwitch() {
        ZEVRig rig(Model::HVQXA);
        QCOMPARE(rig.printer->installedFirmwareVersion(), 0.0);
        QVERIFY(!rig.printer->hasISerialSupport());
        rig.printer->setDeviceInfoValue(QRVX_TBPrinterFirmwareVersion, "HV-QXA 02.04b");
        QCOMPARE(rig.printer->installedFirmwareVersion(), 2.04);
        QVERIFY(rig.printer->hasISerialSupport());
        rig.printer->setDeviceInfoValue(QRVX_TBPrinterFirmwareVersion, "HV-QXA 2.039");
        QVERIFY(!rig.printer->hasISerialSupport());
    }

    // The list's package-version cell asks the printer and follows its announcement.
    void listRowFollowsNewFirmwareVersion() {
        ZEVRig rig(Model::HVC);
        QCOMPARE(app::printerRow(*rig.printer).packageFirmwareVersion, QString()); // starts the check
        QSignalSpy changes(rig.printer.get(), &TBUSBPrinter::valueChanged);
        QTRY_VERIFY(announcedKeys(changes).contains(kNewFirmwareVersionProperty));
        QCOMPARE(app::printerRow(*rig.printer).packageFirmwareVersion, QString("HVC 01.41"));

        // A model without a package shows none.
        ZEVRig eight(Model::EightTable);
        QCOMPARE(app::printerRow(*eight.printer).packageFirmwareVersion, QString());
        QCoreApplication::processEvents();
        QCOMPARE(app::printerRow(*eight.printer).packageFirmwareVersion, QString());
    }

    // A store queued for a printer that is gone by then is dropped.
    void aPrinterGoneBeforeTheStoreIsLeftAlone() {
        auto printer = TBUSBPrinter::create<TBUSBPrinterZEV>();
        printer->setFilenames({"HVC 01.41.fw"});
        printer.reset();
        QCoreApplication::processEvents();
    }
};

QTEST_GUILESS_MAIN(PrinterPackageTest)
#include "test_printerpackage.moc"
