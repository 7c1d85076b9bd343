#include "common/privatebus.h"

#include <QFile>
#include <QStandardPaths>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace testsupport {

namespace {
const QString kStandInConnection = QStringLiteral("logind-standin");
} // namespace

LogindStandIn::~LogindStandIn() {
    if (readEnd >= 0) ::close(readEnd);
}

void LogindStandIn::answerHeldCall() {
    bus_.send(held_.createReply(QVariant::fromValue(newLock())));
}

bool LogindStandIn::lockGivenBack() const {
    if (readEnd < 0) return true;
    pollfd p{readEnd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
}

QDBusUnixFileDescriptor LogindStandIn::Inhibit(const QString& what, const QString& who, const QString& why,
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

QDBusUnixFileDescriptor LogindStandIn::newLock() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return {};
    if (readEnd >= 0) ::close(readEnd);
    readEnd = ends[0];
    const QDBusUnixFileDescriptor lock(ends[1]); // holds a copy of its own
    ::close(ends[1]);
    return lock;
}

PrivateSystemBus::~PrivateSystemBus() {
    logind_.reset();
    QDBusConnection::disconnectFromBus(kStandInConnection);
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        daemon_.waitForFinished();
    }
}

bool PrivateSystemBus::start() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty() || !dir_.isValid()) return false;
    QFile config(dir_.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly)) return false;
    // Without receive_sender a client hangs on its first call to the bus.
    config.write(QStringLiteral("<busconfig><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                                "<policy context=\"default\"><allow send_destination=\"*\"/>"
                                "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>")
                     .arg(dir_.path())
                     .toUtf8());
    config.close();
    // A test killed on its time-out takes its bus with it.
    daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon_.start(program, {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                            QStringLiteral("--print-address")});
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
    }
    const QByteArray address = daemon_.readLine().trimmed();
    if (address.isEmpty()) {
        qWarning("dbus-daemon did not start: %s", daemon_.readAllStandardError().constData());
        return false;
    }
    // Before anything in this process touches the system bus.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);

    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromUtf8(address), kStandInConnection);
    logind_ = std::make_unique<LogindStandIn>(bus);
    if (!bus.registerService(QStringLiteral("org.freedesktop.login1")) ||
        !bus.registerObject(QStringLiteral("/org/freedesktop/login1"), logind_.get(),
                            QDBusConnection::ExportAllSlots)) {
        logind_.reset();
        return false;
    }
    return true;
}

} // namespace testsupport
