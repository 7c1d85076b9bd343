// Sleep inhibitor against a private bus, with a stand-in for logind that hands out the write end of a
// pipe as the lock: the lock is asked for with our texts, held while the inhibitor lives and given
// back when it goes, also when it arrives late; a refusal or a missing bus leaves one log line.
#include "common/testsupport.h"
#include "platform/inhibitor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const QString kWithoutBus = QStringLiteral("--inhibit-without-bus");
const QString kWho = QStringLiteral("printer-flasher");
const QString kWhy = QStringLiteral("Updating the firmware of the printer");
const QString kNotInhibited = QStringLiteral("the computer may sleep during an update");

// Every copy of the lock (the pipe's write end) is closed.
bool lockGivenBack(int readEnd) {
    pollfd p{readEnd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
}

class LogindStandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    enum class Answer { Lock, Later, Refuse };
    explicit LogindStandIn(const QDBusConnection& bus) : bus_(bus) {}
    ~LogindStandIn() override {
        if (readEnd >= 0) ::close(readEnd);
    }

    Answer answer = Answer::Lock;
    int calls = 0;
    QStringList arguments;
    int readEnd = -1; // of the last lock handed out

    void answerHeldCall() { bus_.send(held_.createReply(QVariant::fromValue(newLock()))); }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        ++calls;
        arguments = {what, who, why, mode};
        if (answer == Answer::Refuse) sendErrorReply(QDBusError::AccessDenied, QStringLiteral("refused"));
        if (answer == Answer::Later) {
            setDelayedReply(true);
            held_ = message();
        }
        return answer == Answer::Lock ? newLock() : QDBusUnixFileDescriptor();
    }

private:
    QDBusUnixFileDescriptor newLock() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return {};
        if (readEnd >= 0) ::close(readEnd);
        readEnd = ends[0];
        const QDBusUnixFileDescriptor lock(ends[1]); // holds a copy of its own
        ::close(ends[1]);
        return lock;
    }

    QDBusConnection bus_;
    QDBusMessage held_;
};

// In a process of its own, since Qt keeps the first system bus connection for the process's life.
int inhibitWithoutBus() {
    const auto first = platform::inhibitSleep(kWho, kWhy);
    const auto second = platform::inhibitSleep(kWho, kWhy);
    QTest::qWait(100);
    return first->isHeld() || second->isHeld() ? 1 : 0;
}

} // namespace

class InhibitorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (program.isEmpty()) return; // the tests on the bus skip
        QVERIFY(busDir_.isValid());
        QFile config(busDir_.filePath(QStringLiteral("bus.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("<busconfig><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                                    "<policy context=\"default\"><allow send_destination=\"*\"/>"
                                    "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>")
                         .arg(busDir_.path())
                         .toUtf8());
        config.close();
        // A test killed on its time-out takes its bus with it.
        daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        daemon_.start(program, {QStringLiteral("--config-file=") + config.fileName(),
                                QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
        }
        const QByteArray address = daemon_.readLine().trimmed();
        QVERIFY2(!address.isEmpty(), daemon_.readAllStandardError().constData());
        // Before anything in this process touches the system bus.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);

        QDBusConnection bus = QDBusConnection::connectToBus(QString::fromUtf8(address), "logind-standin");
        logind_ = std::make_unique<LogindStandIn>(bus);
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.login1")));
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/login1"), logind_.get(),
                                   QDBusConnection::ExportAllSlots));
    }

    void cleanupTestCase() {
        logind_.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("logind-standin"));
        daemon_.terminate();
        daemon_.waitForFinished();
    }

    void init() {
        if (!logind_)
            QSKIP("dbus-daemon is not installed (Debian package dbus-daemon): no private bus to test on");
        logind_->answer = LogindStandIn::Answer::Lock;
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
        QTest::qWait(50);
        QVERIFY(!lockGivenBack(logind_->readEnd));

        if (drop)
            inhibitor.reset();
        else
            inhibitor->release();
        QTRY_VERIFY(lockGivenBack(logind_->readEnd));
        if (inhibitor) QVERIFY(!inhibitor->isHeld());
    }

    void lateLockGivenBackOnArrival_data() { heldUntilGivenBack_data(); }
    void lateLockGivenBackOnArrival() {
        QFETCH(bool, drop);
        logind_->answer = LogindStandIn::Answer::Later;
        auto inhibitor = platform::inhibitSleep(kWho, kWhy);
        QTRY_COMPARE(logind_->calls, 1);
        if (drop)
            inhibitor.reset();
        else
            inhibitor->release();

        logind_->answerHeldCall();
        QTRY_VERIFY(lockGivenBack(logind_->readEnd));
        if (inhibitor) QVERIFY(!inhibitor->isHeld());
    }

    // Only the first failure in a process is logged: nothing before this test may fail to take a lock.
    void refusalLoggedOnce() {
        testsupport::LogCapture log;
        logind_->answer = LogindStandIn::Answer::Refuse;
        const auto first = platform::inhibitSleep(kWho, kWhy);
        const auto second = platform::inhibitSleep(kWho, kWhy);
        QTRY_VERIFY(log.contains(QStringLiteral("AccessDenied")));
        QTRY_COMPARE(logind_->calls, 2);
        QTest::qWait(50);
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
    QTemporaryDir busDir_;
    QProcess daemon_;
    std::unique_ptr<LogindStandIn> logind_;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (app.arguments().contains(kWithoutBus)) return inhibitWithoutBus();
    InhibitorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_inhibitor.moc"
