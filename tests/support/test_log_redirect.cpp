// With standard-error logging off, opening the log file also sends standard error into it; the
// platform log call's lines land there too, one newline each.
#include "platform/platformlog.h"
#include "support/QRVX_Log.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class LogRedirectTest : public QObject {
    Q_OBJECT
private slots:
    void standardErrorFollowsTheLogFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("redirect.log");

        QRVX_Log::setShouldLogToStdErr(false);
        // Neither standard error nor a file: the line goes nowhere, not even into the buffer.
        QRVX_Log::err("dropped");
        QCOMPARE(QRVX_Log::pendingLogText(), std::optional<QString>(QString()));

        QVERIFY(QRVX_Log::setLogFile(path));
        QRVX_Log::err("kept");
        platform::platformLog("through the platform log");
        platform::platformLog("The %s is open.\n", "printer"); // brings its own newline: no blank line
        platform::stderrPrint("ERROR: raw line\n");

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(!text.contains("dropped"));
        QVERIFY(text.contains("] kept\n"));
        QVERIFY(!text.contains("ERROR: kept")); // standard-error lines stay off
        QVERIFY(text.contains("] through the platform log\n"));
        QVERIFY(text.endsWith("] The printer is open.\nERROR: raw line\n"));
        QVERIFY(!text.contains("\n\n"));
    }
};

QTEST_GUILESS_MAIN(LogRedirectTest)
#include "test_log_redirect.moc"
