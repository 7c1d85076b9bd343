// The log facility before any log file is set: labels and tags, standard-error lines, the pending
// buffer and its bound, debug splitting, the hex listing, notifications, several threads at once.
#include "common/testsupport.h"
#include "stderrcapture.h"
#include "support/QRVX_Log.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

#include <thread>
#include <vector>

namespace {

const QString kStamp = QStringLiteral(R"(\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3} [+-]\d{4}\])");

// The pending buffer's text added since `before`.
QString addedSince(const QString& before) {
    const QString now = QRVX_Log::pendingLogText().value_or(QString());
    return now.startsWith(before) ? now.mid(before.size()) : now;
}

QString pending() {
    return QRVX_Log::pendingLogText().value_or(QString());
}

} // namespace

class LogBufferTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QRVX_Log::setApplicationName("tester"); }

    void errorLineGoesToStandardErrorAndTheBuffer() {
        const QString before = pending();
        StderrCapture capture;
        QRVX_Log::err("disk on fire");
        QCOMPARE(capture.text(), QByteArray("ERROR: disk on fire\n"));
        QVERIFY(QRegularExpression(QRegularExpression::anchoredPattern("E " + kStamp + " disk on fire\n"))
                    .match(addedSince(before))
                    .hasMatch());
    }

    void levelsLabelsAndTags_data() {
        QTest::addColumn<qint64>("level");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("tag");
        QTest::newRow("info") << qint64(0) << "INFO"
                              << "I";
        QTest::newRow("debug") << qint64(1) << "DEBUG: tester"
                               << "D";
        QTest::newRow("debug2") << qint64(2) << "DEBUG2: tester"
                                << "D2";
        QTest::newRow("error") << qint64(3) << "ERROR"
                               << "E";
        QTest::newRow("warn") << qint64(4) << "WARN"
                              << "W";
        QTest::newRow("above") << qint64(7) << "DEBUG: tester"
                               << "D";
        QTest::newRow("negative") << qint64(-1) << "DEBUG: tester"
                                  << "D";
    }
    void levelsLabelsAndTags() {
        QFETCH(qint64, level);
        QFETCH(QString, label);
        QFETCH(QString, tag);
        const QString before = pending();
        StderrCapture capture;
        QRVX_Log::logLevel(level, "m");
        QCOMPARE(QString::fromUtf8(capture.text()), label + ": m\n");
        QVERIFY(addedSince(before).startsWith(tag + " ["));
    }

    void applicationNameInFileLines() {
        const QString before = pending();
        QRVX_Log::setShouldLogAppName(true);
        QRVX_Log::logLevel(0, "named");
        QRVX_Log::setShouldLogAppName(false);
        QRVX_Log::logLevel(0, "plain");
        const QStringList lines = addedSince(before).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(QRegularExpression(QRegularExpression::anchoredPattern("I " + kStamp + " tester: named"))
                    .match(lines[0])
                    .hasMatch());
        QVERIFY(QRegularExpression(QRegularExpression::anchoredPattern("I " + kStamp + " plain"))
                    .match(lines[1])
                    .hasMatch());
    }

    void debugSplitsAtEveryNewline() {
        StderrCapture capture;
        QRVX_Log::debug("one\ntwo");
        QRVX_Log::debug("three\n");
        QRVX_Log::debug("");
        QCOMPARE(capture.text(), QByteArray("DEBUG: tester: one\nDEBUG: tester: two\n"
                                            "DEBUG: tester: three\nDEBUG: tester: \n"
                                            "DEBUG: tester: \n"));
    }

    void hexListingLines() {
        StderrCapture capture;
        QRVX_Log::logData(QByteArray());
        QCOMPARE(capture.text(), QByteArray());

        const QByteArray example = QByteArray::fromHex("1b503025417f207e0a313233343536373839");
        QRVX_Log::logData(example);
        const QList<QByteArray> lines = capture.text().split('\n');
        QCOMPARE(lines.size(), 3);
        const QByteArray prefix = "DEBUG: tester: ";
        QCOMPARE(lines[0],
                 prefix + "00000000  1b 50 30 25 41 7f 20 7e  0a 31 32 33 34 35 36 37  |.P0%%A. ~.1234567|");
        QCOMPARE(lines[1], prefix + "00000010  38 39" + QByteArray(44, ' ') + " |89|");
        QCOMPARE(lines[0].size() - prefix.size(), 79);
        QCOMPARE(lines[1].size() - prefix.size(), 64);
        QCOMPARE(lines[2], QByteArray());
    }

    void hexListingLineCounts() {
        StderrCapture capture;
        QRVX_Log::logData(QByteArray(16, 'a'));
        QCOMPARE(capture.text().count('\n'), 1);
        QCOMPARE(capture.text().size(), qsizetype(strlen("DEBUG: tester: ") + 78 + 1));
        QRVX_Log::logData(QByteArray(17, 'a'));
        QCOMPARE(capture.text().count('\n'), 3);
    }

    void asciiHex() {
        QCOMPARE(QRVX_Log::asciiHexForData(QByteArray::fromHex("00ff7a")), QString("00 ff 7a "));
        QCOMPARE(QRVX_Log::asciiHexForData(QByteArray()), QString());
    }

    void notificationCarriesTheLine() {
        QSignalSpy spy(QRVX_LogNotifier::instance(), &QRVX_LogNotifier::logFileDidUpdate);
        QRVX_Log::logLevel(0, "quiet");
        QCOMPARE(spy.count(), 0);
        QRVX_Log::setShouldNotifyForLogUpdates(true);
        QRVX_Log::logLevel(4, "loud");
        QRVX_Log::setShouldNotifyForLogUpdates(false);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toString(), QString()); // no log file set yet
        const QString line = spy[0][1].toMap().value(QRVX_LogFileAddedString).toString();
        QVERIFY(line.startsWith("W ["));
        QVERIFY(line.endsWith("] loud\n"));
        QVERIFY(pending().endsWith(line));
    }

    void receiverMayLogFromTheNotification() {
        // The signal is emitted outside the facility's lock: a receiver that logs must not deadlock.
        const auto connection =
            QObject::connect(QRVX_LogNotifier::instance(), &QRVX_LogNotifier::logFileDidUpdate,
                             [](const QString&, const QVariantMap& info) {
                                 if (info.value(QRVX_LogFileAddedString).toString().contains("outer"))
                                     QRVX_Log::logLevel(0, "inner");
                             });
        QRVX_Log::setShouldNotifyForLogUpdates(true);
        QRVX_Log::logLevel(0, "outer");
        QRVX_Log::setShouldNotifyForLogUpdates(false);
        QObject::disconnect(connection);
        QVERIFY(pending().endsWith(" inner\n"));
    }

    void nothingAnywhereWithStandardErrorOffAndNoFile() {
        QSignalSpy spy(QRVX_LogNotifier::instance(), &QRVX_LogNotifier::logFileDidUpdate);
        const QString before = pending();
        StderrCapture capture;
        QRVX_Log::setShouldNotifyForLogUpdates(true);
        QRVX_Log::setShouldLogToStdErr(false);
        QRVX_Log::err("lost");
        QRVX_Log::setShouldLogToStdErr(true);
        QRVX_Log::setShouldNotifyForLogUpdates(false);
        QCOMPARE(capture.text(), QByteArray());
        QCOMPARE(pending(), before);
        QCOMPARE(spy.count(), 0);
    }

    void timeStampUsesTheCalendarYear() {
        // In the last days of December the week-based year is already the next one.
        const QDateTime lateDecember(QDate(2026, 12, 29), QTime(10, 11, 12, 345), QTimeZone::utc());
        QCOMPARE(QRVX_Log::logDateString(lateDecember), QString("[2026/12/29 10:11:12.345 +0000]"));
        const QDateTime newYearsEve(QDate(2024, 12, 31), QTime(23, 59, 59, 999), QTimeZone::utc());
        QCOMPARE(QRVX_Log::logDateString(newYearsEve), QString("[2024/12/31 23:59:59.999 +0000]"));
        QVERIFY(QRegularExpression(QRegularExpression::anchoredPattern(kStamp))
                    .match(QRVX_Log::logDateString())
                    .hasMatch());
    }

    void emailAddresses() {
        testsupport::LogCapture log;
        QVERIFY(QRVX_Log::validateEmailAddress("John.Doe@Example.COM"));
        QVERIFY(log.contains("Passed emailAddress=[John.Doe@Example.COM] with length=[20]..."));
        QVERIFY(QRVX_Log::validateEmailAddress("x@[192.168.0.1]"));
        QVERIFY(QRVX_Log::validateEmailAddress("\"odd,one\"@example.org"));
        QVERIFY(!QRVX_Log::validateEmailAddress("no at sign"));
        QVERIFY(!QRVX_Log::validateEmailAddress("a@b"));
        QVERIFY(!QRVX_Log::validateEmailAddress("a@example.com trailing")); // whole-string match only
        QVERIFY(!QRVX_Log::validateEmailAddress(""));
    }

    void threadsLogAtTheSameTime() {
        constexpr int kThreads = 8;
        constexpr int kLines = 300;
        const QString before = pending();
        StderrCapture capture;
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([t] {
                for (int i = 0; i < kLines; ++i)
                    QRVX_Log::logLevel(i % 5, QStringLiteral("thread %1 line %2").arg(t).arg(i));
            });
        for (auto& thread : threads)
            thread.join();

        const QStringList fileLines = addedSince(before).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(fileLines.size(), kThreads * kLines);
        const QRegularExpression fileLine(
            QRegularExpression::anchoredPattern("(I|D|D2|E|W) " + kStamp + R"( thread \d line \d+)"));
        for (const QString& line : fileLines)
            QVERIFY2(fileLine.match(line).hasMatch(), qPrintable(line));
        const QList<QByteArray> errLines = capture.text().split('\n');
        QCOMPARE(errLines.size(), kThreads * kLines + 1);
        const QRegularExpression errLine(QRegularExpression::anchoredPattern(
            R"((INFO|DEBUG: tester|DEBUG2: tester|ERROR|WARN): thread \d line \d+)"));
        for (qsizetype i = 0; i + 1 < errLines.size(); ++i)
            QVERIFY2(errLine.match(QString::fromUtf8(errLines[i])).hasMatch(), errLines[i].constData());
    }

    void pendingBufferStaysBounded() {
        StderrCapture capture; // standard error stays on (else nothing is kept) but out of the test output
        const QString message(200, 'x');
        for (int i = 0; i < 6000; ++i)
            QRVX_Log::logLevel(0, message + QString::number(i));
        const QString text = pending();
        QVERIFY(text.size() <= QRVX_Log::kPendingBufferLimit + 300);
        QVERIFY(text.size() > QRVX_Log::kPendingBufferLimit - QRVX_Log::kPendingBufferTrim);
        QVERIFY(text.endsWith(message + "5999\n")); // the newest lines are kept
    }
};

QTEST_GUILESS_MAIN(LogBufferTest)
#include "test_log_buffer.moc"
