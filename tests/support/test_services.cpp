// User defaults over QSettings and the /bin/sh runner.
#include "platform/shell.h"
#include "platform/userdefaults.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

namespace defaults = platform::userdefaults;

class ServicesTest : public QObject {
    Q_OBJECT
    QTemporaryDir config_;

private slots:
    void initTestCase() {
        QVERIFY(config_.isValid());
        // Before the first QSettings: keep the test away from the user's own settings.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
        QCoreApplication::setApplicationName("services-test");
    }

    void defaultsRoundTrip() {
        QVERIFY(!defaults::contains("installOlderFirmwareVersion"));
        QCOMPARE(defaults::boolForKey("installOlderFirmwareVersion"), false);
        QCOMPARE(defaults::boolForKey("installOlderFirmwareVersion", true), true);
        defaults::setBool("installOlderFirmwareVersion", true);
        QCOMPARE(defaults::boolForKey("installOlderFirmwareVersion"), true);

        QVERIFY(!defaults::stringForKey("CFBundleShortVersionString").has_value());
        defaults::setString("CFBundleShortVersionString", "1.2.3");
        defaults::sync();
        QCOMPARE(defaults::stringForKey("CFBundleShortVersionString"), QString("1.2.3"));
        // Persisted where QSettings keeps this program's settings (a text "false" reads as false).
        QSettings direct("services-test", "services-test");
        QCOMPARE(direct.value("CFBundleShortVersionString").toString(), QString("1.2.3"));
        direct.setValue("installOlderFirmwareVersion", "false");
        direct.sync();
        QCOMPARE(defaults::boolForKey("installOlderFirmwareVersion", true), false);
        defaults::remove("installOlderFirmwareVersion");
        QVERIFY(!defaults::contains("installOlderFirmwareVersion"));
    }

    void shellStatusAndOutput() {
        const platform::ShellResult ok = platform::runShellCommand("printf 'a b'; echo oops >&2; exit 3");
        QVERIFY(ok.started);
        QVERIFY(ok.exitedNormally);
        QCOMPARE(ok.exitStatus, 3);
        QCOMPARE(ok.standardOutput, QByteArray("a b"));
        QCOMPARE(ok.standardError, QByteArray("oops\n"));

        // Shell syntax works: loops, substitutions, pipes.
        const platform::ShellResult loop =
            platform::runShellCommand("for q in $(printf 'x:\\ny:\\n'); do echo ${q%:}; done | tr a-z A-Z");
        QCOMPARE(loop.exitStatus, 0);
        QCOMPARE(loop.standardOutput, QByteArray("X\nY\n"));

        const platform::ShellResult killed = platform::runShellCommand("kill -9 $$");
        QVERIFY(killed.started);
        QVERIFY(!killed.exitedNormally);
        QCOMPARE(killed.exitStatus, -1);

        const platform::ShellResult slow = platform::runShellCommand("sleep 5", 100);
        QVERIFY(!slow.exitedNormally);
    }

    void shellRunsOffTheMainThread() {
        platform::ShellResult result;
        std::thread worker([&] { result = platform::runShellCommand("echo worker"); });
        worker.join();
        QCOMPARE(result.exitStatus, 0);
        QCOMPARE(result.standardOutput, QByteArray("worker\n"));
    }
};

QTEST_GUILESS_MAIN(ServicesTest)
#include "test_services.moc"
