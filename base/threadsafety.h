#pragma once

// Thread rules the compiler checks: Clang's thread-safety attributes (-Wthread-safety), empty on
// compilers without them, and a mutex that carries them. A field GUARDED_BY(m) is read and written
// only with m held; a function that REQUIRES(m) is called with m held; EXCLUDES(m) with it free.

#include <mutex>

#if defined(__clang__)
#define THREAD_ANNOTATION_(x) __attribute__((x))
#else
#define THREAD_ANNOTATION_(x)
#endif

#define CAPABILITY(x) THREAD_ANNOTATION_(capability(x))
#define SCOPED_CAPABILITY THREAD_ANNOTATION_(scoped_lockable)
#define GUARDED_BY(x) THREAD_ANNOTATION_(guarded_by(x))
#define PT_GUARDED_BY(x) THREAD_ANNOTATION_(pt_guarded_by(x))
#define REQUIRES(...) THREAD_ANNOTATION_(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) THREAD_ANNOTATION_(acquire_capability(__VA_ARGS__))
#define RELEASE(...) THREAD_ANNOTATION_(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) THREAD_ANNOTATION_(try_acquire_capability(__VA_ARGS__))
#define EXCLUDES(...) THREAD_ANNOTATION_(locks_excluded(__VA_ARGS__))
#define RETURN_CAPABILITY(x) THREAD_ANNOTATION_(lock_returned(x))
#define NO_THREAD_SAFETY_ANALYSIS THREAD_ANNOTATION_(no_thread_safety_analysis)

namespace base {

// std::mutex as a capability.
class CAPABILITY("mutex") Mutex {
public:
    void lock() ACQUIRE() { mutex_.lock(); }
    void unlock() RELEASE() { mutex_.unlock(); }
    bool try_lock() TRY_ACQUIRE(true) { return mutex_.try_lock(); }

private:
    friend class UniqueLock;
    std::mutex mutex_;
};

// Holds a Mutex for its scope.
class SCOPED_CAPABILITY MutexLocker {
public:
    explicit MutexLocker(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLocker() RELEASE() { mutex_.unlock(); }
    MutexLocker(const MutexLocker&) = delete;
    MutexLocker& operator=(const MutexLocker&) = delete;

private:
    Mutex& mutex_;
};

// Holds a Mutex for its scope, may let it go and take it again, and lends its std::unique_lock to
// std::condition_variable. The analysis cannot see that a wait releases and retakes the mutex; to
// it the mutex stays held across the wait, which is what the caller sees too. A wait predicate that
// reads guarded fields is a lambda marked REQUIRES(mutex).
class SCOPED_CAPABILITY UniqueLock {
public:
    explicit UniqueLock(Mutex& mutex) ACQUIRE(mutex) : lock_(mutex.mutex_) {}
    ~UniqueLock() RELEASE() {}
    UniqueLock(const UniqueLock&) = delete;
    UniqueLock& operator=(const UniqueLock&) = delete;

    void lock() ACQUIRE() { lock_.lock(); }
    void unlock() RELEASE() { lock_.unlock(); }

    std::unique_lock<std::mutex>& native() { return lock_; }

private:
    std::unique_lock<std::mutex> lock_;
};

} // namespace base
