#include "platform/queue.h"

#include "base/threadsafety.h"
#include "platform/platformlog.h"

#include "base/clock.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <system_error>
#include <thread>

namespace platform {

namespace {
thread_local const SerialQueue* tCurrentQueue = nullptr;

// Items queued or running on any queue, counted until their captures are destroyed.
struct Outstanding {
    base::Mutex mutex;
    std::condition_variable none;
    long count GUARDED_BY(mutex) = 0;
};

Outstanding& outstanding() {
    static auto* shared = new Outstanding; // never freed: workers may outlive main()
    return *shared;
}

// Queues with work queued or running, and every start of work or run dry; see busyCount().
std::atomic<int> busyQueues{0};
std::atomic<std::uint64_t> activityCount{0};
// Work posted to the main thread and not run yet.
std::atomic<int> pendingOnMain{0};

void countItem(long change) {
    Outstanding& o = outstanding();
    base::MutexLocker lock(o.mutex);
    o.count += change;
    if (o.count == 0) o.none.notify_all();
}
} // namespace

struct SerialQueue::State {
    std::string label;
    base::Mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::function<void()>> items GUARDED_BY(mutex);
    bool running GUARDED_BY(mutex) = false; // an item is executing
    bool stopping GUARDED_BY(mutex) = false;
    std::thread worker;
    std::thread::id workerId;
    bool hasWorker = false; // set once by the constructor
};

SerialQueue::SerialQueue(std::string label) : d(std::make_shared<State>()) {
    d->label = std::move(label);
    std::shared_ptr<State> state = d;
    const SerialQueue* self = this;
    try {
        d->worker = std::thread([state, self] {
            tCurrentQueue = self;
            base::UniqueLock lock(state->mutex);
            for (;;) {
                state->wake.wait(lock.native(), [&]() REQUIRES(state->mutex) {
                    return state->stopping || !state->items.empty();
                });
                if (state->items.empty()) break; // stopping and drained
                auto work = std::move(state->items.front());
                state->items.pop_front();
                state->running = true;
                lock.unlock();
                if (work) work();
                work = nullptr; // destroy captures outside the lock
                countItem(-1);
                lock.lock();
                state->running = false;
                if (state->items.empty()) {
                    --busyQueues;
                    ++activityCount;
                    state->idle.notify_all();
                }
            }
            tCurrentQueue = nullptr;
        });
        d->workerId = d->worker.get_id();
        d->hasWorker = true;
    } catch (const std::system_error& error) {
        // Out of threads. Nothing may throw out of here, and the work must not fall back to the
        // caller's thread (the main thread never does USB traffic): the queue stays and runs nothing.
        platformLog("serial queue %s could not start its thread (%s); work sent to it is dropped",
                    d->label.c_str(), error.what());
    }
}

SerialQueue::~SerialQueue() {
    if (!d->hasWorker) return;
    {
        base::MutexLocker lock(d->mutex);
        d->stopping = true;
    }
    d->wake.notify_all();
    if (std::this_thread::get_id() == d->workerId) {
        // Destroyed from one of its own items: the worker finishes the queue without us.
        tCurrentQueue = nullptr;
        d->worker.detach();
    } else {
        d->worker.join();
    }
}

const std::string& SerialQueue::label() const {
    return d->label;
}

void SerialQueue::async(std::function<void()> work) {
    if (!work) return;
    if (!d->hasWorker) {
        platformLog("serial queue %s has no thread; work dropped", d->label.c_str());
        return;
    }
    // Once the item is in, the worker may run it and the item may destroy this queue before the
    // notify below: hold the shared state, not this object.
    const std::shared_ptr<State> state = d;
    countItem(+1);
    {
        base::MutexLocker lock(state->mutex);
        if (state->items.empty() && !state->running) ++busyQueues;
        state->items.push_back(std::move(work));
        ++activityCount;
    }
    state->wake.notify_one();
}

void SerialQueue::performInline(std::function<void()> work) {
    if (!work) return;
    if (isCurrent()) {
        work();
    } else {
        async(std::move(work));
    }
}

bool SerialQueue::isCurrent() const {
    return tCurrentQueue == this;
}

void SerialQueue::waitUntilIdle() {
    if (isCurrent()) return;
    base::UniqueLock lock(d->mutex);
    d->idle.wait(lock.native(), [&]() REQUIRES(d->mutex) { return d->items.empty() && !d->running; });
}

const SerialQueue* SerialQueue::current() {
    return tCurrentQueue;
}

bool SerialQueue::waitUntilAllIdle(std::chrono::milliseconds limit) {
    Outstanding& o = outstanding();
    base::UniqueLock lock(o.mutex);
    return o.none.wait_for(lock.native(), limit, [&]() REQUIRES(o.mutex) { return o.count == 0; });
}

int SerialQueue::busyCount() {
    return busyQueues.load();
}

std::uint64_t SerialQueue::activity() {
    return activityCount.load();
}

namespace mainqueue {

bool isMainThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

namespace {

#if defined(__SANITIZE_THREAD__)
#define PLATFORM_QUEUE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PLATFORM_QUEUE_TSAN 1
#endif
#endif

#if defined(PLATFORM_QUEUE_TSAN)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
void handOff(void* item) {
    __tsan_release(item);
}
void takeOver(void* item) {
    __tsan_acquire(item);
}
#else
void handOff(void*) {}
void takeOver(void*) {}
#endif

// Work posted to the main thread. Qt's posted-event queue is guarded by locks inside Qt that the
// thread sanitizer cannot see, so the hand-over is told to it: the last step of building the posted
// call (moving this into Qt's call object) releases, and the main thread acquires before it touches
// the work. The way back too: Qt's call object is shared by the posting thread and the event, so
// the posting thread may be the one that destroys it, after the main thread ran it; running
// releases again, and destruction acquires. Nothing changes in a normal build.
// Counted in pendingOnMain until it has run or Qt dropped it.
struct PostedWork {
    std::function<void()> work;
    bool counted = true;
    explicit PostedWork(std::function<void()> w) : work(std::move(w)) {
        ++pendingOnMain;
        ++activityCount;
    }
    PostedWork(PostedWork&& other) noexcept : work(std::move(other.work)), counted(other.counted) {
        other.counted = false;
        handOff(this);
    }
    PostedWork(const PostedWork&) = delete;
    PostedWork& operator=(const PostedWork&) = delete;
    PostedWork& operator=(PostedWork&&) = delete;
    ~PostedWork() {
        takeOver(this); // also when Qt drops it unrun
        settle();
    }
    void operator()() {
        takeOver(this);
        work();
        settle();
        handOff(this);
    }
    void settle() {
        if (counted) --pendingOnMain;
        counted = false;
    }
};

} // namespace

void async(std::function<void()> work) {
    if (!work) return;
    auto* app = QCoreApplication::instance();
    if (!app) return; // no event loop: nothing could ever run it
    QMetaObject::invokeMethod(app, PostedWork(std::move(work)), Qt::QueuedConnection);
}

int pending() {
    return pendingOnMain.load();
}

void performInline(std::function<void()> work) {
    if (!work) return;
    if (isMainThread()) {
        work();
    } else {
        async(std::move(work));
    }
}

void after(int milliseconds, std::function<void()> work) {
    if (!work) return;
    if (base::Clock* clock = base::clock::installed()) {
        // A test's clock: the call waits for the test to move the clock past it.
        const auto when = clock->now() + std::chrono::milliseconds(std::max(0, milliseconds));
        clock->callAt(when, [work = std::move(work)]() mutable { performInline(std::move(work)); });
        return;
    }
    auto arm = [milliseconds, work = std::move(work)]() mutable {
        QTimer::singleShot(milliseconds < 0 ? 0 : milliseconds, QCoreApplication::instance(),
                           std::move(work));
    };
    performInline(std::move(arm));
}

} // namespace mainqueue
} // namespace platform
