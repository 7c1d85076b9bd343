// Serial queues and the main queue: ordering, inline-versus-queued, and cross-posting without deadlock.
#include "platform/platformlog.h"
#include "platform/queue.h"

#include <QCoreApplication>
#include <QTest>

#include <atomic>
#include <mutex>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUEUE_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUEUE_TEST_SANITIZED 1
#endif
#endif

using platform::SerialQueue;

namespace {

#ifndef QUEUE_TEST_SANITIZED
enum ChildOutcome { kDropped = 0, kThrew = 1, kRan = 2, kNoLogLine = 3, kCannotProvoke = 77 };
constexpr size_t kMaxHolders = 64;

// In a child process whose address space leaves no room for a thread stack: a queue made there
// must not throw, must not run its work on the calling thread, and must say why.
[[noreturn]] void runQueueWithoutThreads() {
    pthread_attr_t attributes;
    size_t stackSize = 0;
    if (pthread_getattr_default_np(&attributes) != 0) ::_exit(kCannotProvoke);
    pthread_attr_getstacksize(&attributes, &stackSize);
    pthread_attr_destroy(&attributes);
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    if (pages <= 0 || stackSize < (1u << 20)) ::_exit(kCannotProvoke);
    std::vector<std::thread> holders; // never joined: the child ends with _exit()
    holders.reserve(kMaxHolders);
    const rlim_t limit = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + stackSize / 2;
    const rlimit addressSpace{limit, limit};
    if (::setrlimit(RLIMIT_AS, &addressSpace) != 0) ::_exit(kCannotProvoke);
    // Stacks of the parent's other threads are cached in the child and would serve a new thread
    // without any room: take them all with threads that never end, until one fails.
    for (;;) {
        if (holders.size() == kMaxHolders) ::_exit(kCannotProvoke); // threads still start here
        try {
            holders.emplace_back([] {
                for (;;)
                    ::pause();
            });
        } catch (const std::system_error&) {
            break;
        }
    }

    std::atomic<bool> logged{false};
    platform::setLogObserver([&](const QString& text) {
        if (text.contains("serial queue test.nothread could not start its thread")) logged = true;
    });
    std::atomic<bool> ran{false};
    try {
        SerialQueue queue("test.nothread");
        queue.async([&] { ran = true; });
        queue.performInline([&] { ran = true; });
        queue.waitUntilIdle(); // nothing is queued, so this returns
    } catch (...) {
        ::_exit(kThrew);
    }
    platform::setLogObserver(nullptr);
    ::_exit(ran ? kRan : logged ? kDropped : kNoLogLine);
}
#endif

} // namespace

class QueueTest : public QObject {
    Q_OBJECT
private slots:
    void queueWithoutAThreadDropsItsWork() {
#ifdef QUEUE_TEST_SANITIZED
        QSKIP("a sanitizer's shadow memory leaves no address-space limit to set");
#else
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) runQueueWithoutThreads();
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == kCannotProvoke) QSKIP("threads cannot be made to fail here");
        QCOMPARE(WEXITSTATUS(status), int(kDropped));
#endif
    }

    void itemsRunInSubmissionOrderOffTheCallerThread() {
        SerialQueue queue("test.order");
        std::mutex mutex;
        std::vector<int> seen;
        std::atomic<bool> onMain{false};
        for (int i = 0; i < 100; ++i)
            queue.async([&, i] {
                if (platform::mainqueue::isMainThread()) onMain = true;
                std::lock_guard lock(mutex);
                seen.push_back(i);
            });
        queue.waitUntilIdle();
        QCOMPARE(seen.size(), size_t(100));
        for (int i = 0; i < 100; ++i)
            QCOMPARE(seen[size_t(i)], i);
        QVERIFY(!onMain);
    }

    void performInlineRunsAtOnceOnlyOnTheQueueItself() {
        SerialQueue queue("test.inline");
        std::vector<int> order; // touched only on the queue
        queue.async([&] {
            QVERIFY(queue.isCurrent());
            queue.performInline([&] { order.push_back(1); }); // runs now
            queue.async([&] { order.push_back(3); });         // runs after this item
            order.push_back(2);
        });
        queue.waitUntilIdle();
        QCOMPARE(order, (std::vector<int>{1, 2, 3}));

        // From a foreign thread performInline queues and returns at once.
        std::atomic<bool> ran{false};
        queue.async(
            [] { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }); // busy when the next comes
        queue.performInline([&] { ran = true; });
        QVERIFY(!ran);
        QVERIFY(!queue.isCurrent());
        queue.waitUntilIdle();
        QVERIFY(ran);
    }

    void queueItemPostsToMainQueueAndBackWithoutDeadlock() {
        SerialQueue queue("test.cross");
        std::atomic<int> step{0};
        queue.async([&] {
            step = 1;
            platform::mainqueue::async([&] {
                QVERIFY(platform::mainqueue::isMainThread());
                step = 2;
                queue.performInline([&] { step = 3; });
            });
        });
        QTRY_COMPARE(step.load(), 3);
    }

    void currentNamesTheRunningQueue() {
        SerialQueue a("test.a");
        SerialQueue b("test.b");
        std::atomic<const SerialQueue*> seenA{nullptr}, seenB{nullptr};
        a.async([&] { seenA = SerialQueue::current(); });
        b.async([&] { seenB = SerialQueue::current(); });
        a.waitUntilIdle();
        b.waitUntilIdle();
        QCOMPARE(seenA.load(), &a);
        QCOMPARE(seenB.load(), &b);
        QCOMPARE(SerialQueue::current(), nullptr);
    }

    void destroyingAQueueFromItsOwnItemDoesNotDeadlock() {
        auto* queue = new SerialQueue("test.self");
        std::atomic<bool> done{false};
        queue->async([&] {
            delete queue;
            done = true;
        });
        QTRY_VERIFY(done.load());
    }

    // The end of a run waits for a queue that its own item ended, captures and all: a printer whose
    // last reference is held by its closing item must not outlive the program's exit handlers.
    void endOfRunWaitsForAQueueThatEndedItself() {
        struct Last {
            std::atomic<bool>* gone;
            ~Last() {
                std::this_thread::sleep_for(std::chrono::milliseconds(50)); // a slow destructor
                gone->store(true);
            }
        };
        std::atomic<bool> gone{false};
        auto queue = std::make_shared<SerialQueue>("test.last");
        {
            const std::shared_ptr<Last> last(new Last{&gone});
            queue->async([queue, last] {});
            queue.reset();
        }
        QVERIFY(SerialQueue::waitUntilAllIdle(std::chrono::seconds(10)));
        QVERIFY(gone.load());
    }

    // What a test that moves time itself reads to know that everything has done what it can: a queue
    // counts once however much it has queued, until it runs dry; posted main-thread work until it ran.
    void busyQueuesAndPostedWorkAreCountedUntilDone() {
        SerialQueue queue("test.busy");
        std::atomic<bool> release{false};
        const std::uint64_t before = SerialQueue::activity();
        queue.async([&] {
            while (!release)
                std::this_thread::yield();
        });
        queue.async([] {});
        QCOMPARE(SerialQueue::busyCount(), 1);
        QVERIFY(SerialQueue::activity() >= before + 2);
        release = true;
        queue.waitUntilIdle();
        QCOMPARE(SerialQueue::busyCount(), 0);

        bool ran = false;
        platform::mainqueue::async([&] { ran = true; });
        QCOMPARE(platform::mainqueue::pending(), 1);
        QCoreApplication::sendPostedEvents();
        QVERIFY(ran);
        QCOMPARE(platform::mainqueue::pending(), 0);
    }

    void mainQueueTimerFiresLaterWithoutBlocking() {
        std::atomic<bool> fired{false};
        QElapsedTimer clock;
        clock.start();
        platform::mainqueue::after(50, [&] { fired = true; });
        QVERIFY(!fired);
        QTRY_VERIFY(fired.load());
        QVERIFY(clock.elapsed() >= 45);
    }
};

QTEST_GUILESS_MAIN(QueueTest)
#include "test_queue.moc"
