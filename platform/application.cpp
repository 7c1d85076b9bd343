#include "platform/application.h"

#include "platform/queue.h"

#include <QCoreApplication>

#include <mutex>

namespace platform {

namespace {
std::mutex gMutex;
std::function<void()> gHandler; // guarded by gMutex
} // namespace

void setTerminationHandler(std::function<void()> handler) {
    std::lock_guard lock(gMutex);
    gHandler = std::move(handler);
}

void requestTermination() {
    mainqueue::async([] {
        std::function<void()> handler;
        {
            std::lock_guard lock(gMutex);
            handler = gHandler;
        }
        if (handler)
            handler();
        else
            QCoreApplication::quit();
    });
}

} // namespace platform
