// The log facility with a real log file: a failed open, the buffer moving into the file, 0664,
// unbuffered writes, later setLogFile() calls, notifications and concurrent writers.
#include "common/testsupport.h"
#include "stderrcapture.h"
#include "support/QRVX_Log.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class LogFileTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString logPath_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        logPath_ = dir_.filePath("deep/er/printer.log");
        QRVX_Log::setApplicationName("tester");
    }

    // Runs first: the facility must still be in its buffering phase.
    void unopenablePathAnswersFalseWithItsLine() {
        // "%2" in the name: the path is text, never a place holder of the message.
        QFile blocker(dir_.filePath("plain%2file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = dir_.filePath("plain%2file/x.log"); // its "directory" is a file
        testsupport::LogCapture log;
        StderrCapture capture;
        QVERIFY(!QRVX_Log::setLogFile(path));
        QVERIFY(log.contains("error with createDirectoryAtPath for [" + path + "]:\nERROR = "));
        QVERIFY(capture.text().contains("\nDEBUG: tester: Failed to open log file at " + path.toUtf8() +
                                        "; error 20 \""));
        QVERIFY(QRVX_Log::pendingLogText().has_value()); // still buffering
        QVERIFY(QRVX_Log::pendingLogText()->contains("Failed to open log file at " + path));
        QVERIFY(!QRVX_Log::setLogFile(QString()));
    }

    void bufferMovesIntoTheNewFile() {
        StderrCapture capture;
        QRVX_Log::logLevel(0, "before the file");
        const QString buffered = *QRVX_Log::pendingLogText();
        QVERIFY(QRVX_Log::setLogFile(logPath_));
        QVERIFY(!QRVX_Log::pendingLogText().has_value());
        QCOMPARE(QRVX_Log::logFilePath(), logPath_);
        QCOMPARE(QString::fromUtf8(contents(logPath_)), buffered);

        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(logPath_).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0664u);

        // Unbuffered: the line is in the file as soon as the call returns.
        QRVX_Log::err("after the file");
        QVERIFY(contents(logPath_).endsWith("] after the file\n"));
        QVERIFY(capture.text().endsWith("ERROR: after the file\n"));
    }

    void laterCallsKeepTheFirstFileButNotifyTheNewPath() {
        const QString other = dir_.filePath("other/second.log");
        QVERIFY(!QRVX_Log::setLogFile(other));
        QVERIFY(QDir(dir_.filePath("other")).exists()); // the directory is still made
        QSignalSpy spy(QRVX_LogNotifier::instance(), &QRVX_LogNotifier::logFileDidUpdate);
        QRVX_Log::setShouldNotifyForLogUpdates(true);
        StderrCapture capture;
        QRVX_Log::logLevel(0, "still first");
        QRVX_Log::setShouldNotifyForLogUpdates(false);
        QVERIFY(contents(logPath_).endsWith("] still first\n"));
        QVERIFY(!QFile::exists(other));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toString(), other);
        QVERIFY(spy[0][1].toMap().value(QRVX_LogFileAddedString).toString().endsWith("] still first\n"));
    }

    void bareFileNameNeedsNoDirectory() {
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
        testsupport::LogCapture log;
        QVERIFY(!QRVX_Log::setLogFile("rel.log")); // the first file stays open
        QVERIFY(QDir::setCurrent(saved));
        QCOMPARE(QRVX_Log::logFilePath(), QString("rel.log"));
        QVERIFY2(!log.contains("createDirectoryAtPath"), qPrintable(log.lines().join('|')));
    }

    void tildeIsExpanded() {
        // The path is standardised before use; a second call only remembers it.
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(dir_.path()));
        QRVX_Log::setLogFile("~/./nonexistent-test-dir/../x.log");
        qputenv("HOME", home);
        QCOMPARE(QRVX_Log::logFilePath(), dir_.filePath("x.log"));
    }

    void threadsWriteWholeLinesToTheFile() {
        constexpr int kThreads = 6;
        constexpr int kLines = 400;
        QRVX_Log::setShouldLogToStdErr(false); // the file is open, so lines still go there
        const qsizetype before = contents(logPath_).size();
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([t] {
                for (int i = 0; i < kLines; ++i)
                    QRVX_Log::debug(QStringLiteral("worker %1 says %2").arg(t).arg(i));
            });
        for (auto& thread : threads)
            thread.join();
        QRVX_Log::setShouldLogToStdErr(true);
        const QList<QByteArray> lines = contents(logPath_).mid(before).split('\n');
        QCOMPARE(lines.size(), kThreads * kLines + 1);
        QSet<QByteArray> seen;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            QVERIFY2(lines[i].startsWith("D [") && lines[i].contains("] worker "), lines[i].constData());
            seen.insert(lines[i].mid(lines[i].indexOf("] ") + 2));
        }
        QCOMPARE(seen.size(), kThreads * kLines);
    }
};

QTEST_GUILESS_MAIN(LogFileTest)
#include "test_log_file.moc"
