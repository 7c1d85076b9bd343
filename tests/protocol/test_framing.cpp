// Command frames byte for byte and reply records as the bulk-in pipe delivers them.
#include "Classes/ZEVProtocol.h"

#include <QTest>

using namespace zev;

namespace {

QByteArray header(const char* words, const char* lengthField) {
    QByteArray h("\x1BP");
    h += words;
    h = h.leftJustified(24, ' ');
    h += lengthField;
    return h;
}

// A bulk-in pipe holding `stream`; every read takes what it asks for, as far as there is any.
struct Pipe {
    explicit Pipe(QByteArray bytes, IOReturn readResult = kIOReturnSuccess)
        : stream(std::move(bytes)), result(readResult) {}
    QByteArray stream;
    IOReturn result;
    IOReturn bodyResult = kIOReturnSuccess;
    QList<std::uint32_t> asked;
    std::optional<QByteArray> read() {
        return readReply(
            [this](ReplyReadStage stage, char* buffer, std::uint32_t& size) {
                asked.append(size);
                const IOReturn r = stage == ReplyReadStage::Body ? bodyResult : result;
                if (r != kIOReturnSuccess) return r;
                size = std::min<std::uint32_t>(size, std::uint32_t(stream.size()));
                std::memcpy(buffer, stream.constData(), size);
                stream.remove(0, size);
                return kIOReturnSuccess;
            },
            [this](const QString& message, qint64 code) {
                errors.append(message + ":" + QString::number(code));
            });
    }
    QStringList errors;
};

} // namespace

class FramingTest : public QObject {
    Q_OBJECT
private slots:
    void commandStrings() {
        QCOMPARE(*stringForCommandCode(0), QStringLiteral("STATUS"));
        QCOMPARE(*stringForCommandCode(1), QStringLiteral("INFO  FVER"));
        QCOMPARE(*stringForCommandCode(27), QStringLiteral("TBL_RDCWD620_Version"));
        QCOMPARE(*stringForCommandCode(12), QStringLiteral("CNTRL OVERCOAT"));
        for (std::uint32_t code : {3u, 5u, 6u, 9u, 10u, 18u, 44u, 1000u})
            QVERIFY(!stringForCommandCode(code));
        // Every word pair fits the header: one of the ten six-character command words, at most 15 more.
        const QStringList words{"STATUS", "INFO  ", "CNTRL ", "IMAGE ", "TBL_CL",
                                "TBL_RD", "TBL_WT", "MNT_RD", "MNT_WT", "FW_UPD"};
        int known = 0;
        for (std::uint32_t code = 0; code <= kHighestCommandCode; ++code)
            if (auto s = stringForCommandCode(code)) {
                ++known;
                QVERIFY2(words.contains(s->left(6)), qPrintable(*s));
                QVERIFY(s->size() <= 6 + kSubCommandMaxLength);
            }
        QCOMPARE(known, 38);
    }

    void framesByteForByte() {
        QStringList errors;
        ErrorSink sink = [&](const QString& m, qint64) { errors << m; };

        Frame status = buildFrame(kCommandStatus, QByteArray(), sink);
        QCOMPARE(status.bytes, header("STATUS", "        "));
        QCOMPARE(status.bytes.size(), 32);

        QCOMPARE(buildFrame(kCommandFirmwareVersion, QByteArray(), sink).bytes,
                 header("INFO  FVER", "        "));

        const QByteArray reset("CA\r\0", 4);
        Frame clr = buildFrame(kCommandCounterClear, reset, sink);
        QCOMPARE(clr.bytes, header("MNT_WTCOUNTER_CLR", "00000004") + reset);
        QCOMPARE(clr.bytes.size(), 36);

        QCOMPARE(buildFrame(kCommandCWD620Version, "0001", sink).bytes,
                 header("TBL_RDCWD620_Version", "00000004") + "0001");
        QCOMPARE(buildFrame(kCommandCWD620Version, QByteArray(), sink).bytes,
                 header("TBL_RDCWD620_Version", "        "));

        // TBL_CL carries no payload whatever the caller passes.
        QCOMPARE(buildFrame(kCommandColorTableClear, "junkjunk", sink).bytes, header("TBL_CL", "        "));

        // A fixed eight-byte field is filled only from an eight-byte payload; otherwise it stays zero.
        Frame overcoat = buildFrame(kCommandOvercoat, "1234", sink);
        QCOMPARE(overcoat.bytes, header("CNTRL OVERCOAT", "00000008") + QByteArray(8, '\0'));
        QCOMPARE(buildFrame(kCommandOvercoat, "12345678", sink).bytes.mid(32), QByteArray("12345678"));

        // A short fixed payload never reads past what the caller gave.
        QCOMPARE(buildFrame(kCommandUSBISerialWrite, "0", sink).bytes.mid(32), QByteArray("0\0\0\0", 4));

        QCOMPARE(buildFrame(kCommandFlashRewrite, QByteArray(), sink).bytes,
                 header("FW_UPDFLASH_REWRITE", "        "));
        QVERIFY(errors.isEmpty());
        QCOMPARE(status.commandString, QStringLiteral("STATUS"));
        QCOMPARE(clr.payloadLength, 4u);
    }

    void frameFaultsGoToTheErrorSink() {
        QStringList errors;
        ErrorSink sink = [&](const QString& m, qint64 code) { errors << m + ":" + QString::number(code); };
        // No words: blank word fields, still a frame.
        Frame none = buildFrame(3, QByteArray(), sink);
        QCOMPARE(none.bytes, header("", "        "));
        QCOMPARE(errors, QStringList{"Internal error L486:0"});
        errors.clear();
        // A payload too long for the eight digits is not framed at all.
        QByteArray huge;
        huge.resize(qsizetype(kMaxFramePayload) + 1);
        QVERIFY(buildFrame(kCommandFlashProgram, huge, sink).bytes.isEmpty());
        QCOMPARE(errors, QStringList{"Internal error L494:0"});
    }

    void replyRecords_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("text");
        QTest::newRow("body with CR") << QByteArray("0000000600000\r") << QByteArray("00000\0", 6) << "00000";
        QTest::newRow("CR in the middle") << QByteArray("00000006ab\rcd\r") << QByteArray("ab\0", 3) << "ab";
        QTest::newRow("no CR") << QByteArray("0000000500000") << (QByteArray("00000") + QByteArray(251, '\0'))
                               << "00000";
        QTest::newRow("no digits") << QByteArray("abcdefgh") << QByteArray(256, '\0') << "";
        QTest::newRow("blanks then digits")
            << QByteArray("     3  xyz") << QByteArray("xyz") + QByteArray(253, '\0') << "xyz";
        QTest::newRow("300 bytes no CR") << QByteArray("00000300") + QByteArray(300, 'a')
                                         << QByteArray(300, 'a') + QByteArray(1, '\0') << QString(300, u'a');
        QTest::newRow("4096") << QByteArray("00004096") + QByteArray(4095, 'b') + "\r"
                              << QByteArray(4095, 'b') + QByteArray(1, '\0') << QString(4095, u'b');
        QTest::newRow("short body") << QByteArray("00000010abc") << QByteArray("abc") + QByteArray(253, '\0')
                                    << "abc";
        QTest::newRow("short length field") << QByteArray("12") << QByteArray(256, '\0') << "";
    }
    void replyRecords() {
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, expected);
        QFETCH(QString, text);
        Pipe pipe{stream};
        const auto reply = pipe.read();
        QVERIFY(reply);
        QCOMPARE(*reply, expected);
        QCOMPARE(replyText(reply), text);
        QVERIFY(pipe.errors.isEmpty());
    }

    void repliesThatGiveNothing() {
        // Above 4096 (and negative lengths, which read as huge): no second read, the body stays.
        for (const char* length : {"00004097", "-0000001", "99999999"}) {
            Pipe pipe{QByteArray(length) + "tail"};
            QVERIFY(!pipe.read());
            QCOMPARE(pipe.asked.size(), 1);
            QCOMPARE(pipe.stream, QByteArray("tail"));
            QCOMPARE(pipe.errors, QStringList{"Internal error L2077:0"});
        }
        Pipe failed{"00000003ab\r", kIOReturnTimeout};
        QVERIFY(!failed.read());
        Pipe bodyFailed{"00000003ab\r"};
        bodyFailed.bodyResult = kIOReturnNotResponding;
        QVERIFY(!bodyFailed.read());
        QCOMPARE(replyText(std::nullopt), QStringLiteral("NULL"));
        QCOMPARE(replyText(QByteArray()), QStringLiteral("NULL"));
    }

    void emptyBodyIsAnEmptyTextNotNoReply() {
        Pipe pipe{"00000000NEXT"};
        const auto reply = pipe.read();
        QVERIFY(reply);
        QCOMPARE(replyText(reply), QString());
        QCOMPARE(pipe.asked.size(), 1); // nothing to wait for
        QCOMPARE(pipe.stream, QByteArray("NEXT"));
    }
};

QTEST_GUILESS_MAIN(FramingTest)
#include "test_framing.moc"
