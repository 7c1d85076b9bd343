// Keeps the computer awake (no sleep, no shutdown, no idle action) while a firmware update runs: a
// printer that loses power or its host halfway through flashing may not start again.
//
// inhibitSleep() asks logind on the system bus for a blocking inhibitor lock and returns at once; the
// lock arrives later as a file descriptor, and logind honours it for as long as the descriptor stays
// open. Dropping the last shared_ptr or calling release() gives it back; a lock that arrives after
// that is closed as it arrives. Where there is no system bus, or logind is missing or refuses, the
// process logs one line (only the first time) and the update goes on without the lock.
//
// Main thread only: create, release and destroy inhibitors there; the reply comes through its event
// loop, and nothing ever waits for it. (Qt connects to the system bus itself the first time: on a
// local socket that takes a moment, and fails at once where there is none.)
#pragma once

#include <QString>

#include <memory>

class QDBusPendingCallWatcher;

namespace platform {

class SleepInhibitor {
public:
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // Gives the lock back now, or turns it away should it arrive later. Safe to call more than once.
    void release();
    // The lock has arrived and has not been given back.
    bool isHeld() const { return fd_ >= 0; }

private:
    friend std::shared_ptr<SleepInhibitor> inhibitSleep(const QString& who, const QString& why);
    SleepInhibitor() = default;
    void received(QDBusPendingCallWatcher* call);

    QDBusPendingCallWatcher* pending_ = nullptr; // the request, until its reply or our release
    int fd_ = -1;                                // our copy of the lock
};

// `who` names the program and `why` the update, as logind lists them to the user
// ("printer-flasher", "Updating the firmware of the printer"). Never null; never waits for logind.
std::shared_ptr<SleepInhibitor> inhibitSleep(const QString& who, const QString& why);

} // namespace platform
