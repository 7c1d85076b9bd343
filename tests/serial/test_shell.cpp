// The shell runner's time-out ends everything the shell started, not the shell alone.
#include "platform/shell.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThread>

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void timeOutKillsTheWholeGroup() {
        QElapsedTimer clock;
        clock.start();
        const platform::ShellResult result = platform::runShellCommand("sleep 30 & echo $!; wait", {}, 300);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(result.started && result.timedOut && !result.exitedNormally);
        const QByteArray child = result.standardOutput.trimmed();
        QVERIFY(!child.isEmpty());
        // Gone, or a zombie waiting for whoever adopted it.
        auto alive = [&] {
            QFile stat("/proc/" + QString::fromLatin1(child) + "/stat");
            if (!stat.open(QIODevice::ReadOnly)) return false;
            const QByteArray fields = stat.readAll(); // "pid (name) state ..."
            return fields.mid(fields.lastIndexOf(')') + 2, 1) != "Z";
        };
        for (int i = 0; i < 100 && alive(); ++i)
            QThread::msleep(20);
        QVERIFY2(!alive(), "the shell's background child outlived the time-out");
        QVERIFY(!platform::runShellCommand("exit 0", {}, 5000).timedOut);
    }
};

QTEST_GUILESS_MAIN(ShellTest)
#include "test_shell.moc"
