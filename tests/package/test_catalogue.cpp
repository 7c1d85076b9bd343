// The firmware catalogue of both programs, verification of the package against it, the stored file
// list and the version numbers, over the committed sample package and over damaged copies of it.
#include "Classes/Edition.h"
#include "Classes/TBFirmwarePackage.h"
#include "Classes/ZEVModels.h"
#include "common/testsupport.h"
#include "fakedeviceinfo.h"
#include "platform/resources.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>

#include <unistd.h>

namespace {

const quint16 kHVA = zev::productIDForModel(zev::Model::HVA);
const quint16 kHVC = zev::productIDForModel(zev::Model::HVC);
const quint16 kEightTable = zev::productIDForModel(zev::Model::EightTable);
const QList<zev::Model> kModelsWithPackage{zev::Model::HVA, zev::Model::HVB, zev::Model::HVQXA,
                                           zev::Model::HVBD, zev::Model::HVC};

QString sampleDirectory() {
    return QStringLiteral(PRINTER_TOOLS_SOURCE_DIR "/resources/firmware");
}

// Lets the main thread run what setFilenames queued.
void drainMainQueue() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

} // namespace

class CatalogueTest : public QObject {
    Q_OBJECT

    QTemporaryDir package_;

    // A private copy of the sample package, searched alone, that a test may damage.
    void useCopyOfSamplePackage() {
        QDir(package_.path()).removeRecursively();
        QVERIFY(QDir().mkpath(package_.path()));
        const QDir source(sampleDirectory());
        for (const QString& name : source.entryList(QDir::Files))
            QVERIFY(QFile::copy(source.filePath(name), package_.filePath(name)));
        platform::resources::setSearchDirectoriesOverride({package_.path()});
    }
    QString copyPath(const QString& fileName) const { return package_.filePath(fileName); }

private slots:
    void cleanup() {
        platform::resources::setSearchDirectoriesOverride({});
        drainMainQueue();
    }

    void asciiHexAndDigest() {
        QCOMPARE(TBFirmwarePackage::asciiHexForData(QByteArray("\x00\xab", 2)), QString("00ab"));
        QCOMPARE(TBFirmwarePackage::asciiHexForData(QByteArray()), QString());

        testsupport::LogCapture log;
        QVERIFY(TBFirmwarePackage::verifyBlob(QByteArray(), kPrinterFamilyClassName).isNull());
        QVERIFY(log.lines().isEmpty());
        QCOMPARE(TBFirmwarePackage::verifyBlob("abc", kPrinterFamilyClassName),
                 QString("f4313d4cf3c76e2917b0e437194f5a7c9f4d81064fc9bf11707d725671dcf3fe00"));
        QCOMPARE(log.lines(), QStringList{"keyed on TBUSBPrinterZEV"});
    }

    // Every committed sample file verifies in each catalogue that lists it, and the catalogues hold
    // the names and digests that ship.
    void samplePackageVerifiesInBothCatalogues() {
        for (const Edition* edition : {&Edition::printerFlasher(), &Edition::serialSwitcher()}) {
            for (zev::Model model : kModelsWithPackage) {
                const quint16 productID = zev::productIDForModel(model);
                const FirmwareCatalogueEntry entry = TBFirmwarePackage::catalogueEntry(productID, *edition);
                QCOMPARE(entry.digests.size(), entry.fileNames.size());
                for (const QString& digest : entry.digests) {
                    QCOMPARE(digest.size(), 66);
                    QVERIFY(digest.endsWith("00"));
                }
                FakeDeviceInfo info;
                testsupport::LogCapture log;
                QVERIFY2(TBFirmwarePackage::verifyFirmwareArchive(productID, *edition,
                                                                  kPrinterFamilyClassName, info),
                         qPrintable(entry.fileNames.join(", ")));
                for (const QString& name : entry.fileNames)
                    QCOMPARE(info.value(name), QVariant(true));
                // The image is a good S-record file whose header names what its file name says, as
                // the simulated printers report it after an update.
                const QByteArray image = platform::resources::dataForResourceFile(entry.fileNames.first());
                QVERIFY(TBFirmwarePackage::verifySRecData(image));
                const auto header = TBFirmwarePackage::imageHeader(image);
                QVERIFY(header);
                QCOMPARE(header->text + ".fw", entry.fileNames.first());
                QCOMPARE(info.value(cFirmwareFileHashes).toStringList(), entry.digests);
                // Only serial-switcher names each digested file.
                const QString line =
                    QString("verifying %1:%2").arg(entry.fileNames.first(), entry.digests.first());
                QCOMPARE(log.contains(line), edition->isSerialSwitcher());
            }
        }
        const auto hvc = [](const Edition& e) {
            return TBFirmwarePackage::catalogueEntry(kHVC, e).fileNames;
        };
        QCOMPARE(hvc(Edition::printerFlasher()),
                 (QStringList{"HVC 01.41.fw", "HVC_300_0100.cwd", "HVC_600_0110.cwd", "HVC_610_0110.cwd"}));
        QCOMPARE(hvc(Edition::serialSwitcher()),
                 (QStringList{"HVC 01.21.fw", "HVC_300_0100.cwd", "HVC_600_0100.cwd", "HVC_610_0100.cwd"}));
        const auto hvbd = TBFirmwarePackage::catalogueEntry(zev::productIDForModel(zev::Model::HVBD),
                                                            Edition::printerFlasher());
        const auto hvb = TBFirmwarePackage::catalogueEntry(zev::productIDForModel(zev::Model::HVB),
                                                           Edition::printerFlasher());
        QCOMPARE(hvbd.fileNames.mid(1), hvb.fileNames.mid(1));
        QCOMPARE(hvbd.digests.mid(1), hvb.digests.mid(1));
    }

    void productWithoutPackage() {
        for (quint16 productID : {kEightTable, quint16(0xFFFF)}) {
            FakeDeviceInfo info;
            testsupport::LogCapture log;
            QVERIFY(!TBFirmwarePackage::verifyFirmwareArchive(productID, Edition::printerFlasher(),
                                                              kPrinterFamilyClassName, info));
            QCOMPARE(log.lines(),
                     (QStringList{"-[TBUSBPrinterZEV verifyFirmwareArchive]",
                                  QString("switching on productID 0x%1").arg(productID, 0, 16)}));
            QCOMPARE(TBFirmwarePackage::newFirmwareVersion(productID, Edition::printerFlasher(),
                                                           kPrinterFamilyClassName, info),
                     std::nullopt);
            QCOMPARE(TBFirmwarePackage::availableFirmwareVersion(productID, Edition::printerFlasher(),
                                                                 kPrinterFamilyClassName, info),
                     0.0);
            drainMainQueue();
            QVERIFY(info.snapshot().isEmpty());
            QVERIFY(info.announced().isEmpty());
        }
    }

    // A missing file fails the package where it stands: its entry is false and nothing after it is
    // read, whether it is the image or the last colour table.
    void missingFileFailsTheVerification_data() {
        QTest::addColumn<QString>("missing");
        QTest::newRow("image") << "HVC 01.41.fw";
        QTest::newRow("last colour table") << "HVC_610_0110.cwd";
        QTest::newRow("middle colour table") << "HVC_600_0110.cwd";
    }
    void missingFileFailsTheVerification() {
        QFETCH(QString, missing);
        useCopyOfSamplePackage();
        QVERIFY(QFile::remove(copyPath(missing)));
        FakeDeviceInfo info;
        QVERIFY(!TBFirmwarePackage::verifyFirmwareArchive(kHVC, Edition::printerFlasher(),
                                                          kPrinterFamilyClassName, info));
        const QStringList names =
            TBFirmwarePackage::catalogueEntry(kHVC, Edition::printerFlasher()).fileNames;
        const qsizetype at = names.indexOf(missing);
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QVariant expected = i < at ? QVariant(true) : i == at ? QVariant(false) : QVariant();
            QCOMPARE(info.value(names.at(i)), expected);
        }
    }

    void unreadableFileFailsTheVerification() {
        useCopyOfSamplePackage();
        const QString path = copyPath("HVC_300_0100.cwd");
        if (::geteuid() != 0) {
            QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        } else {
            // Root opens every file; this one opens and then fails to read (its first page is unmapped).
            QVERIFY(QFile::remove(path) && QFile::link(QStringLiteral("/proc/self/mem"), path));
        }
        testsupport::LogCapture log;
        FakeDeviceInfo info;
        QVERIFY(!TBFirmwarePackage::verifyFirmwareArchive(kHVC, Edition::printerFlasher(),
                                                          kPrinterFamilyClassName, info));
        QCOMPARE(info.value("HVC_300_0100.cwd"), QVariant(false));
        QVERIFY(log.contains("firmware file HVC_300_0100.cwd is missing or unreadable"));
    }

    // The second of three files fails: the first is true, the second false, the third is not read
    // and keeps what an earlier run stored.
    void secondOfThreeFails() {
        useCopyOfSamplePackage();
        FakeDeviceInfo info;
        QVERIFY(TBFirmwarePackage::verifyFirmwareArchive(kHVA, Edition::printerFlasher(),
                                                         kPrinterFamilyClassName, info));
        QByteArray table;
        {
            QFile f(copyPath("HVA_300_0130.cwd"));
            QVERIFY(f.open(QIODevice::ReadOnly));
            table = f.readAll();
        }
        table[100] = char(table[100] ^ 1);
        QVERIFY(writeFile(copyPath("HVA_300_0130.cwd"), table));
        QVERIFY(QFile::remove(copyPath("HVA_600_0130.cwd"))); // would fail too, were it read
        QVERIFY(!TBFirmwarePackage::verifyFirmwareArchive(kHVA, Edition::printerFlasher(),
                                                          kPrinterFamilyClassName, info));
        QCOMPARE(info.value("HVA 01.40.fw"), QVariant(true));
        QCOMPARE(info.value("HVA_300_0130.cwd"), QVariant(false));
        QCOMPARE(info.value("HVA_600_0130.cwd"), QVariant(true));
    }

    // Entries the shipped catalogue cannot express: more files than digests, an empty file.
    void entryEdgeCases() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        platform::resources::setSearchDirectoriesOverride({dir.path()});
        QVERIFY(writeFile(dir.filePath("A 01.00.fw"), "S00600004844521B\r\n"));
        QVERIFY(writeFile(dir.filePath("A_300_0100.cwd"), "table"));
        QVERIFY(writeFile(dir.filePath("empty.cwd"), QByteArray()));
        const QString imageDigest =
            TBFirmwarePackage::verifyBlob("S00600004844521B\r\n", kPrinterFamilyClassName);

        FakeDeviceInfo info;
        FirmwareCatalogueEntry moreFilesThanDigests{{"A 01.00.fw", "A_300_0100.cwd"}, {imageDigest}};
        QVERIFY(!TBFirmwarePackage::verifyEntry(moreFilesThanDigests, Edition::printerFlasher(),
                                                kPrinterFamilyClassName, info));
        QCOMPARE(info.value("A 01.00.fw"), QVariant(true));
        QCOMPARE(info.value("A_300_0100.cwd"), QVariant(false));

        // An empty file has no digest; not even an empty expected digest matches it. serial-switcher
        // names it as nothing.
        FirmwareCatalogueEntry emptyFile{{"A 01.00.fw", "empty.cwd"}, {imageDigest, QString()}};
        testsupport::LogCapture log;
        QVERIFY(!TBFirmwarePackage::verifyEntry(emptyFile, Edition::serialSwitcher(), kPrinterFamilyClassName,
                                                info));
        QCOMPARE(info.value("empty.cwd"), QVariant(false));
        QVERIFY(log.lines().contains("verifying empty.cwd:(null)"));
        QVERIFY(log.lines().contains(QString("verifying A 01.00.fw:%1").arg(imageDigest)));

        // The digest comparison is exact: upper-case hex is another text.
        FirmwareCatalogueEntry upperCase{{"A 01.00.fw"}, {imageDigest.toUpper()}};
        QVERIFY(!TBFirmwarePackage::verifyEntry(upperCase, Edition::printerFlasher(), kPrinterFamilyClassName,
                                                info));
        FirmwareCatalogueEntry single{{"A 01.00.fw"}, {imageDigest}};
        QVERIFY(
            TBFirmwarePackage::verifyEntry(single, Edition::printerFlasher(), kPrinterFamilyClassName, info));
    }

    // The file list is stored on the main thread only, after the call, with the announcement of
    // "newFirmwareVersion"; a caller on the main thread learns the version on the second ask.
    void fileListAndVersionArriveOnTheMainThread() {
        FakeDeviceInfo info;
        {
            // No list, no image: the check fails on nothing and says so.
            testsupport::LogCapture log;
            QVERIFY(TBFirmwarePackage::firmwareBlob(info).isNull());
            QCOMPARE(log.lines(), QStringList{"Bad firmware file! Verification failed!"});
        }
        QCOMPARE(TBFirmwarePackage::newFirmwareVersion(kHVC, Edition::printerFlasher(),
                                                       kPrinterFamilyClassName, info),
                 std::nullopt);
        QVERIFY(!info.value(cFirmwareFilenames).isValid());
        QVERIFY(info.value(cFirmwareFileHashes).isValid()); // written on the calling thread
        drainMainQueue();
        QCOMPARE(info.announced(), QStringList{kNewFirmwareVersionProperty});
        QCOMPARE(TBFirmwarePackage::newFirmwareVersion(kHVC, Edition::printerFlasher(),
                                                       kPrinterFamilyClassName, info),
                 QString("HVC 01.41"));
        QCOMPARE(TBFirmwarePackage::availableFirmwareVersion(kHVC, Edition::printerFlasher(),
                                                             kPrinterFamilyClassName, info),
                 1.41);
        QCOMPARE(TBFirmwarePackage::colorTableNames(info),
                 (QStringList{"HVC_300_0100.cwd", "HVC_600_0110.cwd", "HVC_610_0110.cwd"}));

        // From a command queue the store still happens on the main thread.
        FakeDeviceInfo other;
        platform::SerialQueue queue("test.package");
        queue.async([&other] { TBFirmwarePackage::setFilenames({"HVC 01.21.fw", "a", "b"}, other); });
        queue.waitUntilIdle();
        QVERIFY(!other.value(cFirmwareFilenames).isValid());
        QTRY_COMPARE(other.value(cFirmwareFilenames).toStringList().size(), 3);

        // A store queued for a dictionary that is gone by then is dropped.
        {
            FakeDeviceInfo shortLived;
            TBFirmwarePackage::setFilenames({"x.fw"}, shortLived);
        }
        drainMainQueue();
    }

    void firmwareBlob() {
        FakeDeviceInfo info;
        info.setValue(cFirmwareFilenames, QStringList{"HVC 01.41.fw", "HVC_300_0100.cwd"});
        const QByteArray blob = TBFirmwarePackage::firmwareBlob(info);
        QFile image(sampleDirectory() + "/HVC 01.41.fw");
        QVERIFY(image.open(QIODevice::ReadOnly));
        const QByteArray contents = image.readAll();
        QCOMPARE(blob.size() % 4, 0);
        QVERIFY(blob.size() - contents.size() < 4);
        QVERIFY(blob.startsWith(contents)); // S-record text with its line ends, not raw memory bytes
        QCOMPARE(TBFirmwarePackage::imageHeader(blob)->text, QString("HVC 01.41"));

        useCopyOfSamplePackage();
        QVERIFY(writeFile(copyPath("HVC 01.41.fw"), contents.left(contents.size() / 2) + "S1 broken\r\n"));
        testsupport::LogCapture log;
        QVERIFY(TBFirmwarePackage::firmwareBlob(info).isNull());
        QVERIFY(log.contains("Bad firmware file! Verification failed!"));
        QVERIFY(QFile::remove(copyPath("HVC 01.41.fw")));
        QVERIFY(TBFirmwarePackage::firmwareBlob(info).isNull());

        info.setValue("blob", QByteArray("12345"));
        QCOMPARE(TBFirmwarePackage::firmwareBlobForKey("blob", info), QByteArray("12345\0\0\0", 8));
        QVERIFY(TBFirmwarePackage::firmwareBlobForKey("absent", info).isNull());
    }

    void colourTables() {
        FakeDeviceInfo info;
        QCOMPARE(TBFirmwarePackage::colorTableNames(info), QStringList());
        info.setValue(cFirmwareFilenames, QStringList{"HVA 01.40.fw", "HVA_300_0130.cwd"});
        QCOMPARE(TBFirmwarePackage::colorTableNames(info), QStringList());
        info.setValue(cFirmwareFilenames,
                      TBFirmwarePackage::catalogueEntry(kHVA, Edition::printerFlasher()).fileNames);
        QCOMPARE(TBFirmwarePackage::colorTableNames(info),
                 (QStringList{"HVA_300_0130.cwd", "HVA_600_0130.cwd"}));

        testsupport::LogCapture log;
        const QByteArray table = TBFirmwarePackage::paddedColorDataForVersion("HVC_610_0110.cwd");
        QCOMPARE(table.size(), 29546); // unchanged, although not whole words
        const QString path = platform::resources::pathForResourceFile("HVC_610_0110.cwd");
        QCOMPARE(log.lines(), QStringList{QString("got data of length 29546 for file at path %1").arg(path)});
        log.clear();
        QVERIFY(TBFirmwarePackage::paddedColorDataForVersion("HVC_999_0000.cwd").isNull());
        QCOMPARE(log.lines(), QStringList{"got data of length 0 for file at path (null)"});
    }

    void versionNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("package") << "HVC 01.41" << 1.41;
        QTest::newRow("reported") << "02.05" << 2.05;
        QTest::newRow("model only") << "HVC" << 0.0;
        QTest::newRow("trailing blank") << "HVC 01.41 " << 0.0;
        QTest::newRow("two blanks") << "HVC  01.41" << 1.41;
        QTest::newRow("suffix") << "HV-QXA 02.04b" << 2.04;
        QTest::newRow("leading tab") << "X \t1.5" << 1.5;
        QTest::newRow("no number") << "HVC v1.41" << 0.0;
        QTest::newRow("not a number word") << "HVC inf" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
    }
    void versionNumbers() {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(TBFirmwarePackage::versionNumber(text), number);
        QCOMPARE(TBFirmwarePackage::installedFirmwareVersion(text), number);
        QCOMPARE(TBFirmwarePackage::installedFirmwareVersion(std::nullopt), 0.0);
        // Independent of the locale's decimal separator.
        QLocale::setDefault(QLocale(QLocale::German));
        setlocale(LC_NUMERIC, "de_DE.UTF-8");
        QCOMPARE(TBFirmwarePackage::versionNumber(text), number);
        setlocale(LC_NUMERIC, "C");
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "test_catalogue.moc"
