// The S-record check, word padding, the additive checksum and the S0 header reader.
#include "Classes/TBFirmwarePackage.h"
#include "common/testsupport.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {
// count 06, address 0000, data "HDR", checksum 1B
const QByteArray kGoodRecord = "S00600004844521B";
const QByteArray kDataRecord = "S1130000285F245F2212226A000424290008237C2A"; // a classic S1 line
} // namespace

class SRecordTest : public QObject {
    Q_OBJECT
private slots:
    void verifySRecData_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("good");

        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("one record") << kGoodRecord << true;
        QTest::newRow("checksum changed") << QByteArray("S00600004844521C") << false;
        QTest::newRow("lower-case hex") << QByteArray("S00600004844521b") << true;
        QTest::newRow("lower-case s") << QByteArray("s00600004844521B") << false;
        QTest::newRow("CR LF lines") << kGoodRecord + "\r\n" + kDataRecord + "\r\n" << true;
        QTest::newRow("only line breaks") << QByteArray("\r\n\n\r\x0b\x0c") << true;
        QTest::newRow("unicode line breaks")
            << kGoodRecord + "\xc2\x85" + kDataRecord + "\xe2\x80\xa8" + kGoodRecord + "\xe2\x80\xa9" << true;
        QTest::newRow("two-character line") << kGoodRecord + "\nS9\n" << false;
        QTest::newRow("three-character line") << QByteArray("S90") << false;
        QTest::newRow("count only, no checksum") << QByteArray("S000") << false;
        QTest::newRow("odd extra character") << kGoodRecord + "X" << true;
        QTest::newRow("two extra characters") << kGoodRecord + "XX" << false;
        QTest::newRow("one character short") << kGoodRecord.left(kGoodRecord.size() - 1) << false;
        QTest::newRow("other letter") << QByteArray("T00600004844521B") << false;
        QTest::newRow("type not a digit") << QByteArray("SA0600004844521B") << false;
        QTest::newRow("count not hex") << QByteArray("S0G600004844521B") << false;
        QTest::newRow("bad record after good ones") << kGoodRecord + "\n" + kDataRecord + "\nS1030000FD\n"
                                                    << false;
        QTest::newRow("NUL ends the text") << kGoodRecord + QByteArray("\n\0garbage", 9) << true;
        QTest::newRow("NUL before a bad line") << kGoodRecord + QByteArray("\0\nS9", 4) << true;
        QTest::newRow("trailing NUL") << kGoodRecord + QByteArray("\0", 1) << true;
        QTest::newRow("invalid UTF-8") << kGoodRecord + "\n\xff\xfe" << false;
        QTest::newRow("overlong UTF-8") << kGoodRecord + "\n\xc0\x8a" << false;
        QTest::newRow("truncated UTF-8 at the end") << kGoodRecord + "\xe2\x80" << false;
        QTest::newRow("UTF-8 surrogate") << kGoodRecord + "\n\xed\xa0\x80" << false;
        QTest::newRow("valid non-ASCII in a record") << QByteArray("S0\xc3\xa9"
                                                                   "00004844521B")
                                                     << false;
        // A pair that starts with a non-hex character reads as 0; one that ends with one reads its
        // first digit only ("F " is 0x0F).
        QTest::newRow("pair with a non-hex second character") << QByteArray("S002F EE") << true;
        QTest::newRow("pair with a non-hex first character") << QByteArray("S002 FFD") << true;
        QTest::newRow("sample image")
            << QByteArray("S00C00004856432030312E3431FE\r\nS70500020000F8\r\n") << true;
    }
    void verifySRecData() {
        QFETCH(QByteArray, data);
        QFETCH(bool, good);
        QCOMPARE(TBFirmwarePackage::verifySRecData(data), good);
    }

    // The file forms of the same check, and that a source of another kind fails.
    void verifyMotorolaSFileSources() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString good = dir.filePath("good.fw");
        const QString bad = dir.filePath("bad.fw");
        {
            QFile f(good);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(kGoodRecord + "\r\n");
            QFile g(bad);
            QVERIFY(g.open(QIODevice::WriteOnly));
            g.write("S1030000FD\r\n");
        }
        QVERIFY(TBFirmwarePackage::verifyMotorolaSFile(QVariant(kGoodRecord)));
        QVERIFY(TBFirmwarePackage::verifyMotorolaSFile(QVariant(good)));
        QVERIFY(TBFirmwarePackage::verifyMotorolaSFile(QVariant(QUrl::fromLocalFile(good))));
        QVERIFY(!TBFirmwarePackage::verifyMotorolaSFile(QVariant(bad)));
        QVERIFY(!TBFirmwarePackage::verifyMotorolaSFile(QVariant(dir.filePath("missing.fw"))));
        QVERIFY(!TBFirmwarePackage::verifyMotorolaSFile(QVariant(dir.path()))); // a directory
        QVERIFY(!TBFirmwarePackage::verifyMotorolaSFile(QVariant(QUrl("http://example.invalid/x.fw"))));
        QVERIFY(!TBFirmwarePackage::verifyMotorolaSFile(QVariant(42)));
        QVERIFY(!TBFirmwarePackage::verifyMotorolaSFile(QVariant()));
    }

    void paddedData() {
        testsupport::LogCapture log;
        QCOMPARE(TBFirmwarePackage::paddedData(QByteArray()), QByteArray());
        QVERIFY(TBFirmwarePackage::paddedData(QByteArray()).isNull());
        const QByteArray eight("12345678");
        QCOMPARE(TBFirmwarePackage::paddedData(eight), eight);
        QVERIFY(log.lines().isEmpty());

        QCOMPARE(TBFirmwarePackage::paddedData("12345"), QByteArray("12345\0\0\0", 8));
        QCOMPARE(log.lines(), QStringList{"padding data of length 5 to length 8"});
        QCOMPARE(TBFirmwarePackage::paddedData("1"), QByteArray("1\0\0\0", 4));
        QCOMPARE(TBFirmwarePackage::paddedData("1234567"), QByteArray("1234567\0", 8));
    }

    void checksumForData() {
        testsupport::LogCapture log;
        QCOMPARE(TBFirmwarePackage::checksumForData("abc"), quint16(0xFED9));
        QCOMPARE(log.lines(),
                 (QStringList{"ucount = 294;scount = 294", "u16count = 4294967001;s16count = -295",
                              "u16count ~= fed9;s16count ~= fffffed9"}));
        log.clear();
        // Bytes above 0x7F count as negative in the signed sum only.
        QCOMPARE(TBFirmwarePackage::checksumForData(QByteArray("\xff\x01", 2)), quint16(0xFEFF));
        QVERIFY(log.contains("ucount = 256;scount = 0"));
        QCOMPARE(TBFirmwarePackage::checksumForData(QByteArray()), quint16(0xFFFF));
    }

    void imageHeader() {
        const auto header =
            TBFirmwarePackage::imageHeader("S00C00004856432030312E3431FE\r\nS70500020000F8\r\n");
        QVERIFY(header);
        QCOMPARE(header->text, QString("HVC 01.41"));
        QCOMPARE(header->model, QString("HVC"));
        QCOMPARE(header->version, QString("01.41"));

        const auto noBlank = TBFirmwarePackage::imageHeader(kGoodRecord);
        QVERIFY(noBlank);
        QCOMPARE(noBlank->model, QString("HDR"));
        QCOMPARE(noBlank->version, QString());

        QVERIFY(!TBFirmwarePackage::imageHeader(kDataRecord + "\n" + kGoodRecord)); // data first
        QVERIFY(!TBFirmwarePackage::imageHeader("S00C00004856432030312E3431FF"));   // bad checksum
        QVERIFY(!TBFirmwarePackage::imageHeader(QByteArray()));
        QVERIFY(!TBFirmwarePackage::imageHeader("\n\n"));
    }
};

QTEST_GUILESS_MAIN(SRecordTest)
#include "test_srecord.moc"
