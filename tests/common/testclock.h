// A clock the test moves by hand, behind the main queue's delayed calls and the simulated printers'
// timers (restarts, programming time, late replies, held string descriptors).
//
// Installed for its lifetime: it starts at the steady clock's present and moves only in advance().
// Make it before the rig whose timers it serves, so that the rig (and every thread that may wait on
// the clock) is gone before it; calls still pending then are dropped, as timers die with a program.
#pragma once

#include "base/clock.h"
#include "base/threadsafety.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace testsupport {

class TestClock final : public base::Clock {
public:
    TestClock() : now_(std::chrono::steady_clock::now().time_since_epoch().count()) {
        base::clock::install(this);
    }
    ~TestClock() override { base::clock::install(nullptr); }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    // Without the lock: a waiter's look may ask for the time while blocked() holds it.
    TimePoint now() const override { return TimePoint(TimePoint::duration(now_.load())); }
    void callAt(TimePoint when, std::function<void()> work) override {
        base::MutexLocker lock(mutex_);
        calls_.emplace(std::pair{when, nextCall_++}, std::move(work));
        ++changes_;
    }
    int enlist(TimePoint deadline, std::function<void()> wake, std::function<bool()> goesOn) override {
        base::MutexLocker lock(mutex_);
        waiters_.emplace(nextWaiter_, Waiter{deadline, std::move(wake), std::move(goesOn)});
        ++changes_;
        return nextWaiter_++;
    }
    void withdraw(int token) override {
        base::MutexLocker lock(mutex_);
        waiters_.erase(token);
        ++changes_;
    }

    // Run after every call advance() makes and once at its end, so that the work a call starts (and
    // the calls that work makes in turn) happens at that call's time: a rig's settle, typically.
    void setSettle(std::function<void()> settle) { settle_ = std::move(settle); }

    // Lets `ms` pass. The calls falling due run in time order, each with the clock at its time and
    // after the threads waiting on the clock were woken at that time; then the clock stands at the end.
    void advance(int ms) { advanceTo(now() + std::chrono::milliseconds(ms)); }
    // The same up to `end`.
    void advanceTo(TimePoint end) {
        for (;;) {
            std::function<void()> work;
            {
                base::MutexLocker lock(mutex_);
                if (calls_.empty() || calls_.begin()->first.first > end) break;
                auto next = calls_.begin();
                moveLocked(next->first.first);
                work = std::move(next->second);
                calls_.erase(next);
            }
            work();
            if (settle_) settle_();
        }
        {
            base::MutexLocker lock(mutex_);
            moveLocked(end);
        }
        if (settle_) settle_();
    }

    // Calls not yet due.
    int pending() const {
        base::MutexLocker lock(mutex_);
        return int(calls_.size());
    }
    // Threads waiting on the clock now.
    int waiting() const {
        base::MutexLocker lock(mutex_);
        return int(waiters_.size());
    }
    // How many threads wait on the clock and cannot go on before it moves; none when one of them
    // could (or may: one whose lock is held is taken as going on).
    std::optional<int> blocked() const {
        base::MutexLocker lock(mutex_);
        const TimePoint now = this->now();
        for (const auto& [token, waiter] : waiters_)
            if (waiter.deadline <= now || waiter.goesOn()) return std::nullopt;
        return int(waiters_.size());
    }
    // Moves on each time a call is made or a thread starts or stops waiting on the clock.
    std::uint64_t changes() const {
        base::MutexLocker lock(mutex_);
        return changes_;
    }
    // The earliest time something waits for: a call falling due, or a waiting thread's limit; none
    // when nothing does.
    std::optional<TimePoint> nextDue() const {
        base::MutexLocker lock(mutex_);
        std::optional<TimePoint> next;
        if (!calls_.empty()) next = calls_.begin()->first.first;
        for (const auto& [token, waiter] : waiters_)
            if (waiter.deadline != TimePoint::max() && (!next || waiter.deadline < *next))
                next = waiter.deadline;
        return next;
    }

private:
    void moveLocked(TimePoint to) REQUIRES(mutex_) {
        if (to > now()) now_ = to.time_since_epoch().count();
        for (auto& [token, waiter] : waiters_)
            waiter.wake();
    }

    mutable base::Mutex mutex_;
    std::atomic<TimePoint::rep> now_; // moved only under mutex_
    std::map<std::pair<TimePoint, std::uint64_t>, std::function<void()>> calls_ GUARDED_BY(mutex_);
    std::uint64_t nextCall_ GUARDED_BY(mutex_) = 0;
    struct Waiter {
        TimePoint deadline;
        std::function<void()> wake;
        std::function<bool()> goesOn;
    };
    std::map<int, Waiter> waiters_ GUARDED_BY(mutex_);
    int nextWaiter_ GUARDED_BY(mutex_) = 0;
    std::uint64_t changes_ GUARDED_BY(mutex_) = 0;
    std::function<void()> settle_;
};

} // namespace testsupport
