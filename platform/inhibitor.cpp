#include "platform/inhibitor.h"

#include "platform/platformlog.h"
#include "platform/queue.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");
// Everything that would cut an update short: suspend and hibernate, power-off and reboot, and the
// idle action of the desktop.
const QString kInhibitWhat = QStringLiteral("sleep:shutdown:idle");
// "delay" would only hold sleep off for a few seconds; an update takes minutes.
const QString kInhibitMode = QStringLiteral("block");

// Once per process: on a machine without logind every update would otherwise say the same again.
void logNotInhibited(const QString& reason) {
    static std::atomic<bool> logged{false};
    if (logged.exchange(true)) return;
    platformLog("%s: the computer may sleep during an update", qUtf8Printable(reason));
}

} // namespace

SleepInhibitor::~SleepInhibitor() {
    release();
}

void SleepInhibitor::release() {
    // One asked for off the main thread was never sent, and holds nothing.
    Q_ASSERT(mainqueue::isMainThread() || (!pending_ && fd_ < 0));
    // Without its watcher the reply, if one still comes, is dropped by Qt with the descriptor in it.
    delete pending_;
    pending_ = nullptr;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void SleepInhibitor::received(QDBusPendingCallWatcher* call) {
    pending_ = nullptr;
    // Its copy of the descriptor goes with it.
    call->deleteLater();
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *call;
    if (reply.isError()) {
        logNotInhibited(QStringLiteral("no sleep inhibitor from logind (%1: %2)")
                            .arg(reply.error().name(), reply.error().message()));
        return;
    }
    const int fd = ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        logNotInhibited(QStringLiteral("cannot keep logind's sleep inhibitor (%1)")
                            .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    fd_ = fd;
}

std::shared_ptr<SleepInhibitor> inhibitSleep(const QString& who, const QString& why) {
    std::shared_ptr<SleepInhibitor> inhibitor(new SleepInhibitor);
    if (!mainqueue::isMainThread()) {
        // The reply would be delivered to a thread that may have no event loop.
        platformLog("sleep inhibitor asked for off the main thread; not taken");
        return inhibitor;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        logNotInhibited(QStringLiteral("no system bus (%1)").arg(bus.lastError().message()));
        return inhibitor;
    }
    QDBusMessage request = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kLogindManager,
                                                          QStringLiteral("Inhibit"));
    request << kInhibitWhat << who << why << kInhibitMode;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(request));
    inhibitor->pending_ = watcher;
    // The inhibitor deletes the watcher when it goes, so while this runs the inhibitor is alive.
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [target = inhibitor.get()](QDBusPendingCallWatcher* call) { target->received(call); });
    return inhibitor;
}

} // namespace platform
