// Serial command queues and the main queue.
//
// A SerialQueue runs submitted work one item at a time, in order, on its own worker thread. Work
// submitted from the queue's own thread through performInline() runs at once (the caller is
// already serialised); from any other thread it is queued and the caller never waits.
// When the system cannot start the worker thread, the queue logs that and drops, with a log line
// each, whatever is sent to it; it never runs work on the caller's thread instead.
// The main queue is Qt's GUI thread: work posted there runs from the event loop, and pauses there are
// single-shot timers, never sleeps.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class SerialQueue {
public:
    explicit SerialQueue(std::string label);
    // Lets queued work finish. Safe to run on the queue's own thread (the worker then winds down
    // by itself after the current item).
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const;

    // Queue `work`; returns at once.
    void async(std::function<void()> work);
    // Run `work` at once when already on this queue, otherwise queue it.
    void performInline(std::function<void()> work);
    // True when the calling thread is this queue's worker, running one of its items.
    bool isCurrent() const;

    // Blocks until everything queued before the call has run. For tests and shutdown only; never
    // call it from the main thread of a running program or from the queue itself.
    void waitUntilIdle();

    // The queue whose item the calling thread runs, or nullptr (main thread, foreign threads).
    static const SerialQueue* current();

    // At the end of a run, once nothing new is sent: waits until no queue has work queued or running
    // (captures included: an item may hold the last reference to the object that owns its queue,
    // which then winds down on its own thread), or until `limit` passes. True when all were idle.
    // The program must not run its exit handlers under a worker that still logs or touches shared
    // state.
    static bool waitUntilAllIdle(std::chrono::milliseconds limit);

    // For tests that move time themselves and must know when everything has done what it can:
    // how many queues have work queued or running, and a count that moves each time work is sent to
    // any queue (the main one included) or a queue runs dry.
    static int busyCount();
    static std::uint64_t activity();

private:
    struct State;
    std::shared_ptr<State> d;
};

namespace mainqueue {
// Post `work` to the main thread's event loop. Callable from any thread.
void async(std::function<void()> work);
// Run at once when on the main thread, else post.
void performInline(std::function<void()> work);
// Run `work` on the main thread after `milliseconds`, from a single-shot timer (or, when a test installed
// a base::Clock, once that clock passes the time). Callable from any thread.
void after(int milliseconds, std::function<void()> work);
bool isMainThread();
// Work posted to the main thread that has not run yet (for tests, as SerialQueue::busyCount).
int pending();
} // namespace mainqueue

} // namespace platform
