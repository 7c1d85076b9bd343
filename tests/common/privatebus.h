// A private system bus for tests, with a stand-in for logind whose Inhibit hands out the write end of
// a pipe as the lock: a test sees through the read end whether the lock is still held.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace testsupport {

class LogindStandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    enum class Answer { Lock, Later, Refuse };
    explicit LogindStandIn(const QDBusConnection& bus) : bus_(bus) {}
    ~LogindStandIn() override;

    Answer answer = Answer::Lock;
    int calls = 0;
    QStringList arguments;
    int readEnd = -1; // of the last lock handed out

    void answerHeldCall();
    // Every copy of the last lock handed out is closed (true before any was handed out).
    bool lockGivenBack() const;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode);

private:
    QDBusUnixFileDescriptor newLock();

    QDBusConnection bus_;
    QDBusMessage held_;
};

// dbus-daemon on a socket of its own, named as this process's system bus before anything here uses
// one, with the stand-in serving org.freedesktop.login1. start() is false (and logind() null) when
// dbus-daemon is not installed; the caller then skips.
class PrivateSystemBus {
public:
    ~PrivateSystemBus();
    bool start();
    LogindStandIn* logind() const { return logind_.get(); }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    std::unique_ptr<LogindStandIn> logind_;
};

} // namespace testsupport
