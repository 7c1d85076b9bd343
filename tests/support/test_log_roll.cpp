// Rolling a log file into its "_old" companion: threshold, naming, the 10 MiB line-boundary cut,
// permissions, a failed write that must not lose the log, and a roll while the platform's lines are
// copied into the facility.
#include "common/testsupport.h"
#include "platform/platformlog.h"
#include "support/QRVX_Log.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <sys/stat.h>
#include <thread>

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// `count` bytes of numbered lines.
QByteArray lines(qsizetype count, char fill) {
    QByteArray bytes;
    bytes.reserve(count);
    for (int i = 0; bytes.size() < count; ++i)
        bytes += QByteArray::number(i) + ' ' + QByteArray(60, fill) + '\n';
    bytes.truncate(count);
    return bytes;
}

} // namespace

class LogRollTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void rollsAtTheThresholdAndNotBelow() {
        const QString log = dir_.filePath("app.log");
        write(log, lines(QRVX_Log::kRollThreshold - 1, 'a'));
        QRVX_Log::rollLogFileIfNecessary(log);
        QCOMPARE(QFileInfo(log).size(), qint64(QRVX_Log::kRollThreshold - 1));
        QVERIFY(!QFile::exists(dir_.filePath("app_old.log")));

        const QByteArray full = lines(QRVX_Log::kRollThreshold, 'b');
        write(log, full);
        testsupport::LogCapture capture;
        QRVX_Log::rollLogFileIfNecessary(log);
        QCOMPARE(QFileInfo(log).size(), 0);
        QCOMPARE(contents(dir_.filePath("app_old.log")), full);
        QCOMPARE(
            capture.lines(),
            QStringList({"Rolling log file.", "Rolled previous log file into " + dir_.filePath("app_old.log"),
                         "Starting new log file at " + log}));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(dir_.filePath("app_old.log")).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0664u);

        // A second roll appends to what the old file holds.
        write(log, "more\n");
        QRVX_Log::rollLogFile(log, std::nullopt, 1);
        QCOMPARE(contents(dir_.filePath("app_old.log")), full + "more\n");
    }

    void oldFileNaming() {
        QDir(dir_.path()).mkpath("with.dot");
        const QString noExtension = dir_.filePath("with.dot/printerlog");
        write(noExtension, "x\n");
        QRVX_Log::rollLogFile(noExtension, std::nullopt, 1);
        QCOMPARE(contents(dir_.filePath("with.dot/printerlog_old.log")), QByteArray("x\n"));

        const QString twoDots = dir_.filePath("a.b.txt");
        write(twoDots, "y\n");
        QRVX_Log::rollLogFile(twoDots, std::nullopt, 1);
        QCOMPARE(contents(dir_.filePath("a.b_old.txt")), QByteArray("y\n"));

        const QString explicitOld = dir_.filePath("elsewhere.keep");
        write(twoDots, "z\n");
        QRVX_Log::rollLogFile(twoDots, explicitOld, 1);
        QCOMPARE(contents(explicitOld), QByteArray("z\n"));
    }

    void oldFileIsCutAtALineBoundary() {
        const QString log = dir_.filePath("big.log");
        const QString old = dir_.filePath("big_old.log");
        const QByteArray oldBytes = lines(QRVX_Log::kOldLogFileLimit - 1000, 'o');
        const QByteArray logBytes = lines(5000, 'n');
        write(old, oldBytes);
        write(log, logBytes);
        QRVX_Log::rollLogFile(log, std::nullopt, 1);

        const QByteArray combined = oldBytes + logBytes;
        const qsizetype cut =
            combined.indexOf('\n', combined.size() - qsizetype(QRVX_Log::kOldLogFileLimit) - 1);
        const QByteArray result = contents(old);
        QCOMPARE(result.size(), combined.size() - cut - 1);
        QVERIFY(result == combined.mid(cut + 1));
        QVERIFY(result.size() <= qsizetype(QRVX_Log::kOldLogFileLimit));
        QVERIFY(combined.at(combined.size() - result.size() - 1) == '\n');
        QVERIFY(result.endsWith(logBytes));
    }

    void oneByteOverTheLimit() {
        const QString log = dir_.filePath("edge.log");
        const QString old = dir_.filePath("edge_old.log");
        // 10 MiB + 1 bytes in all, with a newline as the very first byte: exactly that byte goes.
        write(old, "\n" + QByteArray(QRVX_Log::kOldLogFileLimit - 1, 'q'));
        write(log, "\n");
        QRVX_Log::rollLogFile(log, std::nullopt, 1);
        QCOMPARE(QFileInfo(old).size(), qint64(QRVX_Log::kOldLogFileLimit));

        // A log bigger than the limit on its own: the old file's content cannot survive.
        const QByteArray big = lines(QRVX_Log::kOldLogFileLimit + 500, 'r');
        write(log, big);
        QRVX_Log::rollLogFile(log, std::nullopt, 1);
        const QByteArray result = contents(old);
        QVERIFY(result.size() <= qsizetype(QRVX_Log::kOldLogFileLimit));
        QVERIFY(!result.contains('q'));
        QVERIFY(big.endsWith(result));
        QCOMPARE(big.at(big.size() - result.size() - 1), '\n');
    }

    void unwritableOldFileKeepsTheLog() {
        const QString log = dir_.filePath("keep.log");
        write(log, "precious\n");
        const QString old = dir_.filePath("missing-dir/keep_old.log");
        testsupport::LogCapture capture;
        QRVX_Log::rollLogFile(log, old, 1);
        QVERIFY(capture.contains("Error writing old log file to " + old));
        QCOMPARE(contents(log), QByteArray("precious\n"));
    }

    void missingLogIsNotRolled() {
        testsupport::LogCapture capture;
        QRVX_Log::rollLogFileIfNecessary(dir_.filePath("absent.log"));
        QVERIFY(capture.lines().isEmpty());
        QVERIFY(!QFile::exists(dir_.filePath("absent_old.log")));
    }

    // Last: a roll that waits on the facility's own lock never returns, and keeps the lock.
    void rollsWhileThePlatformLinesAreCopiedIntoTheFacility() {
        const QString log = dir_.filePath("copied.log");
        write(log, "line\n");
        platform::setLogCopy([](const QString& message) { QRVX_Log::logLevel(0, message); });
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> rolled = done->get_future();
        std::thread([done, log] {
            QRVX_Log::rollLogFile(log, std::nullopt, 1);
            done->set_value();
        }).detach();
        const bool finished = rolled.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        platform::setLogCopy(nullptr);
        QVERIFY2(finished, "the roll did not finish");
        QVERIFY(QRVX_Log::pendingLogText()->contains("Rolled previous log file into " +
                                                     dir_.filePath("copied_old.log")));
    }
};

QTEST_GUILESS_MAIN(LogRollTest)
#include "test_log_roll.moc"
