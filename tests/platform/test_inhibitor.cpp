// Sleep inhibitor against a private bus, with a stand-in for logind that hands out the write end of a
// pipe as the lock: the lock is asked for with our texts, held while the inhibitor lives and given
// back when it goes, also when it arrives late; a refusal or a missing bus leaves one log line.
#include "common/privatebus.h"
#include "common/testsupport.h"
#include "platform/inhibitor.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kWithoutBus = QStringLiteral("--inhibit-without-bus");
const QString kWho = QStringLiteral("printer-flasher");
const QString kWhy = QStringLiteral("Updating the firmware of the printer");
const QString kNotInhibited = QStringLiteral("the computer may sleep during an update");

// In a process of its own, since Qt keeps the first system bus connection for the process's life.
int inhibitWithoutBus() {
    const auto first = platform::inhibitSleep(kWho, kWhy);
    const auto second = platform::inhibitSleep(kWho, kWhy);
    QTest::qWait(100); // a late answer would come over D-Bus
    return first->isHeld() || second->isHeld() ? 1 : 0;
}

} // namespace

class InhibitorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { started_ = bus_.start(); }

    void init() {
        logind_ = bus_.logind();
        if (!started_ || !logind_)
            QSKIP("dbus-daemon is not installed (Debian package dbus-daemon): no private bus to test on");
        logind_->answer = testsupport::LogindStandIn::Answer::Lock;
        logind_->calls = 0;
    }

    void heldUntilGivenBack_data() {
        QTest::addColumn<bool>("drop");
        QTest::newRow("last reference dropped") << true;
        QTest::newRow("release()") << false;
    }
    void heldUntilGivenBack() {
        QFETCH(bool, drop);
        auto inhibitor = platform::inhibitSleep(kWho, kWhy);
        QTRY_VERIFY(inhibitor->isHeld());
        QCOMPARE(logind_->arguments, (QStringList{"sleep:shutdown:idle", kWho, kWhy, "block"}));
        QTest::qWait(50); // a late call would come over D-Bus from the fake logind
        QVERIFY(!logind_->lockGivenBack());

        if (drop)
            inhibitor.reset();
        else
            inhibitor->release();
        QTRY_VERIFY(logind_->lockGivenBack());
        if (inhibitor) QVERIFY(!inhibitor->isHeld());
    }

    void lateLockGivenBackOnArrival_data() { heldUntilGivenBack_data(); }
    void lateLockGivenBackOnArrival() {
        QFETCH(bool, drop);
        logind_->answer = testsupport::LogindStandIn::Answer::Later;
        auto inhibitor = platform::inhibitSleep(kWho, kWhy);
        QTRY_COMPARE(logind_->calls, 1);
        if (drop)
            inhibitor.reset();
        else
            inhibitor->release();

        logind_->answerHeldCall();
        QTRY_VERIFY(logind_->lockGivenBack());
        if (inhibitor) QVERIFY(!inhibitor->isHeld());
    }

    // Only the first failure in a process is logged: nothing before this test may fail to take a lock.
    void refusalLoggedOnce() {
        testsupport::LogCapture log;
        logind_->answer = testsupport::LogindStandIn::Answer::Refuse;
        const auto first = platform::inhibitSleep(kWho, kWhy);
        const auto second = platform::inhibitSleep(kWho, kWhy);
        QTRY_VERIFY(log.contains(QStringLiteral("AccessDenied")));
        QTRY_COMPARE(logind_->calls, 2);
        QTest::qWait(50); // a late call would come over D-Bus from the fake logind
        QVERIFY(!first->isHeld() && !second->isHeld());
        QCOMPARE(log.lines().filter(kNotInhibited).size(), 1);
    }

    void withoutBusLoggedOnce() {
        QTemporaryDir empty;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), "unix:path=" + empty.filePath("none"));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {kWithoutBus});
        QVERIFY(child.waitForFinished(30000));
        const QString errors = QString::fromUtf8(child.readAllStandardError());
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(errors));
        QCOMPARE(errors.count(kNotInhibited), 1);
        QVERIFY2(errors.contains(QStringLiteral("no system bus")), qPrintable(errors));
    }

private:
    testsupport::PrivateSystemBus bus_;
    bool started_ = false;
    testsupport::LogindStandIn* logind_ = nullptr;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (app.arguments().contains(kWithoutBus)) return inhibitWithoutBus();
    InhibitorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_inhibitor.moc"
