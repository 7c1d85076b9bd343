// Serial queues and the main queue: ordering, inline-versus-queued, and cross-posting without deadlock.
#include "platform/queue.h"

#include <QCoreApplication>
#include <QTest>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using platform::SerialQueue;

class QueueTest : public QObject {
    Q_OBJECT
private slots:
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
        for (int i = 0; i < 100; ++i) QCOMPARE(seen[size_t(i)], i);
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
        queue.async([] { std::this_thread::sleep_for(std::chrono::milliseconds(50)); });
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
