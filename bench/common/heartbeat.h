// A heartbeat on the main thread: the longest stretch the thread did not run its event loop. The gap
// between two beats is kept as seen on the clock, and less the time the thread stood ready to run
// while other processes had the CPUs (its run-queue wait, from the scheduler's own account): that is
// the machine's load, not a stall of the program.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

// Nanoseconds the calling thread has spent waiting for a CPU while ready to run (the second field of
// its schedstat), or -1 when the system does not say.
class RunQueueWait {
public:
    RunQueueWait() : fd_(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {}
    ~RunQueueWait() {
        if (fd_ >= 0) ::close(fd_);
    }
    RunQueueWait(const RunQueueWait&) = delete;
    RunQueueWait& operator=(const RunQueueWait&) = delete;
    qint64 nanoseconds() const {
        char text[128];
        const ssize_t got = fd_ < 0 ? -1 : ::pread(fd_, text, sizeof text - 1, 0);
        if (got <= 0) return -1;
        text[got] = '\0';
        unsigned long long onCpu = 0, waiting = 0;
        return std::sscanf(text, "%llu %llu", &onCpu, &waiting) == 2 ? qint64(waiting) : -1;
    }

private:
    int fd_;
};

// Beats every `intervalMs` on the thread that starts it (the main thread) and keeps the longest gap
// between two beats, beyond the beat itself.
class Heartbeat {
public:
    explicit Heartbeat(int intervalMs = 2) : intervalMs_(intervalMs) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { beat(); });
    }
    void start() {
        clock_.start();
        lastNs_ = 0;
        lastWaitNs_ = runQueue_.nanoseconds();
        longestNs_ = 0;
        longestOwnNs_ = 0;
        timer_.start();
    }
    void stop() { timer_.stop(); }
    // The longest time the thread did not beat, in milliseconds: on the clock, and its own (busy or
    // blocked, waits for a CPU left out).
    double longestMs() const { return beyondBeat(longestNs_); }
    double longestOwnMs() const { return beyondBeat(longestOwnNs_); }

private:
    double beyondBeat(qint64 ns) const { return std::max(0.0, double(ns) / 1e6 - intervalMs_); }
    void beat() {
        const qint64 now = clock_.nsecsElapsed();
        const qint64 waited = runQueue_.nanoseconds();
        const qint64 gap = now - lastNs_;
        const qint64 queued = waited >= 0 && lastWaitNs_ >= 0 ? waited - lastWaitNs_ : 0;
        longestNs_ = std::max(longestNs_, gap);
        longestOwnNs_ = std::max(longestOwnNs_, gap - queued);
        lastNs_ = now;
        lastWaitNs_ = waited;
    }

    int intervalMs_;
    RunQueueWait runQueue_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    qint64 lastWaitNs_ = 0;
    qint64 longestNs_ = 0;
    qint64 longestOwnNs_ = 0;
};

} // namespace bench
