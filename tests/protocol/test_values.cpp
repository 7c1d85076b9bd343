// Status texts, the rules that turn replies into stored values, the product table and the payloads.
#include "Classes/ZEVModels.h"
#include "Classes/ZEVProtocol.h"

#include <QTest>

using namespace zev;

namespace {
QByteArray reply(const char* text) {
    return QByteArray(text) + QByteArray(1, '\0');
}
} // namespace

class ValuesTest : public QObject {
    Q_OBJECT
private slots:
    void statusTexts_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("update mode") << "FU00001"
                                     << "Firmware Update Mode";
        QTest::newRow("other FU code reads as 0") << "FU00002"
                                                  << "Idle";
        QTest::newRow("idle") << "00000"
                              << "Idle";
        QTest::newRow("leading zero") << "01000"
                                      << "Cover Open";
        QTest::newRow("plain") << "1000"
                               << "Cover Open";
        QTest::newRow("leading blank") << " 1000"
                                       << "Cover Open";
        QTest::newRow("no row") << "00501"
                                << "Unknown Status";
        QTest::newRow("motor temp") << "02610"
                                    << "Motor Temp Error";
        QTest::newRow("NULL text") << "NULL"
                                   << "Idle";
        QTest::newRow("empty") << ""
                               << "Idle";
        QTest::newRow("negative") << "-1000"
                                  << "Unknown Status";
        QTest::newRow("saturates, no wrap to a row") << "4294968296"
                                                     << "Unknown Status";
        QTest::newRow("FU with trailing text") << "FU00001 "
                                               << "Idle";
    }
    void statusTexts() {
        QFETCH(QString, code);
        QFETCH(QString, text);
        QCOMPARE(stringForHVStatusString(code), text);
    }
    void noStatusCode() { QCOMPARE(stringForHVStatusString(std::nullopt), QStringLiteral("<NULL>")); }

    void numbersReadLikeTheCLibrary() {
        QCOMPARE(intValue(" \t-42abc"), -42);
        QCOMPARE(intValue("+7"), 7);
        QCOMPARE(intValue("x1"), 0);
        QCOMPARE(intValue("99999999999"), std::numeric_limits<int>::max());
        QCOMPARE(intValue("-99999999999"), std::numeric_limits<int>::min());
        QCOMPARE(integerValue("-9223372036854775808"), std::numeric_limits<qint64>::min());
        QCOMPARE(integerValue("9223372036854775808"), std::numeric_limits<qint64>::max());
        QCOMPARE(replyBodyLength("-0000001", 8), 0xFFFFFFFFu);
        QCOMPARE(replyBodyLength("\0\0\0\0\0\0\0\0", 8), 0u);
    }

    void replyValues() {
        QCOMPARE(firmwareVersionValue(reply("  HVC 01.41")), QStringLiteral("HVC 01.41"));
        QCOMPARE(firmwareVersionValue(reply(" \n HVC 01.41 \t")), QStringLiteral("HVC 01.41"));
        QCOMPARE(lifetimeCounterValue(reply("CL0001234")), QStringLiteral("1234"));
        QCOMPARE(lifetimeCounterValue(reply("CL")), QStringLiteral("0"));
        QCOMPARE(lifetimeCounterValue(reply("12345")), QStringLiteral("12345"));
        QCOMPARE(lifetimeCounterValue(reply("CLxyz")), QStringLiteral("0"));
        QCOMPARE(usbISerialValue(reply("01")), QStringLiteral("1"));
        QCOMPARE(usbISerialValue(reply("00")), QStringLiteral("0"));
        QCOMPARE(usbISerialValue(reply("")), QString());
        QCOMPARE(usbISerialValue(reply("on")), QStringLiteral("0"));
        // Bytes after the first NUL never reach the value.
        QCOMPARE(textUpToNul(QByteArray("ab\0cd", 5)), QStringLiteral("ab"));
        // Not UTF-8: still a text, with replacement characters, never a crash.
        const QString bad = textUpToNul(QByteArray("\xFF\xFE", 2));
        QCOMPARE(bad.size(), 2);
        QCOMPARE(bad.at(0), QChar(QChar::ReplacementCharacter));
    }

    void booleans() {
        for (const char* yes : {"1", "01", "Y", "yes", " t", "+9", "-1", "007"})
            QVERIFY2(boolValue(yes), yes);
        for (const char* no : {"", "0", "00", "N", "false", " ", "-0", "x1"})
            QVERIFY2(!boolValue(no), no);
    }

    void productTable() {
        QVERIFY(!modelHasISerialSupport(Model::HVQXA, 2.03));
        QVERIFY(modelHasISerialSupport(Model::HVQXA, 2.04));
        QVERIFY(modelHasISerialSupport(Model::HVC, 0));
        QVERIFY(modelHasISerialSupport(Model::EightTable, 0));
        for (Model m : {Model::HVA, Model::HVB, Model::HVBD, Model::Unknown})
            QVERIFY(!modelHasISerialSupport(m, 9));

        // Every model has its own product id, and the ids map back.
        QSet<std::uint16_t> ids;
        for (Model m : {Model::HVA, Model::HVB, Model::HVQXA, Model::HVBD, Model::HVC, Model::EightTable}) {
            ids.insert(productIDForModel(m));
            QCOMPARE(modelForProductID(productIDForModel(m)), m);
        }
        QCOMPARE(ids.size(), 6);
        QCOMPARE(modelForProductID(0), Model::Unknown);
    }
};

QTEST_GUILESS_MAIN(ValuesTest)
#include "test_values.moc"
