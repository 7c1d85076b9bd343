// Where delays take their time from: the steady clock, or a clock a test installs and moves by hand.
//
// The main queue's delayed calls and the simulated printers' timers (restarts, programming time,
// late replies, held string descriptors) ask here. With no clock installed, which is how the
// programs always run, they use std::chrono::steady_clock and their own timers directly; the seam
// costs one atomic load of a null pointer.
#pragma once

#include "base/threadsafety.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace base {

class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
    // Runs `work` once the clock reaches `when`, on the thread that moves the clock; calls due at
    // the same time run in the order they were made.
    virtual void callAt(TimePoint when, std::function<void()> work) = 0;
    // A thread waiting on this clock until `deadline` at the latest (TimePoint::max(): no limit):
    // `wake` is called each time the clock moves, until the token is withdrawn. It is called while
    // the clock's own lock is held, and must take no other lock (a condition variable's notify is
    // what it is for). `goesOn` answers, from another thread, whether the waiter would go on without
    // the clock moving: true when what it waits for has come, or when its lock is held (by the
    // waiter between two looks, or by a thread changing what it waits for), which it only tries.
    virtual int enlist(TimePoint deadline, std::function<void()> wake, std::function<bool()> goesOn) = 0;
    virtual void withdraw(int token) = 0;
};

namespace clock {

inline std::atomic<Clock*> installedClock{nullptr};

// The installed clock, or nullptr for the steady clock.
inline Clock* installed() {
    return installedClock.load(std::memory_order_acquire);
}
// For tests: `clock` serves every later question until another is installed (nullptr: the steady
// clock again). Install before the work that uses it starts, and remove it after that work ended.
inline void install(Clock* clock) {
    installedClock.store(clock, std::memory_order_release);
}

inline Clock::TimePoint now() {
    const Clock* clock = installed();
    return clock ? clock->now() : std::chrono::steady_clock::now();
}

// Waits on `condition` (with `lock` held) until `done()` or `deadline` on the clock in use, and
// answers done(). Against an installed clock a waiter also looks again every few milliseconds of
// real time, which covers a move of the clock between its look and its wait.
// `done` runs with `lock` held, as a condition variable's predicate does; the analysis cannot follow
// a lock handed over as a std::unique_lock, so it is told to trust this one function.
template <typename Condition, typename Lock, typename Done>
bool waitUntil(Condition& condition, Lock& lock, Clock::TimePoint deadline,
               Done done) NO_THREAD_SAFETY_ANALYSIS {
    Clock* clock = installed();
    if (!clock) return condition.wait_until(lock, deadline, done);
    auto* mutex = lock.mutex();
    const int token = clock->enlist(
        deadline, [&condition] { condition.notify_all(); },
        [mutex, &done]() NO_THREAD_SAFETY_ANALYSIS {
            std::unique_lock look(*mutex, std::try_to_lock);
            return !look.owns_lock() || done();
        });
    bool result = done();
    while (!result && clock->now() < deadline) {
        condition.wait_for(lock, std::chrono::milliseconds(5));
        result = done();
    }
    clock->withdraw(token);
    return result;
}

template <typename Condition, typename Lock, typename Done>
bool waitFor(Condition& condition, Lock& lock, std::chrono::milliseconds delay, Done done) {
    return waitUntil(condition, lock, now() + delay, done);
}

// A pause of the calling thread: std::this_thread::sleep_for on the steady clock, or until the
// installed clock has moved `delay` on.
template <typename Rep, typename Period> void sleepFor(std::chrono::duration<Rep, Period> delay) {
    if (!installed()) {
        std::this_thread::sleep_for(delay);
        return;
    }
    std::mutex mutex;
    std::condition_variable moved;
    std::unique_lock lock(mutex);
    waitUntil(moved, lock, now() + std::chrono::duration_cast<Clock::TimePoint::duration>(delay),
              [] { return false; });
}

} // namespace clock
} // namespace base
