#include "platform/application.h"

#include "base/threadsafety.h"
#include "platform/queue.h"

#include <QCoreApplication>

namespace platform {

namespace {
base::Mutex gMutex;
std::function<void()> gHandler GUARDED_BY(gMutex);
} // namespace

void setTerminationHandler(std::function<void()> handler) {
    base::MutexLocker lock(gMutex);
    gHandler = std::move(handler);
}

void requestTermination() {
    mainqueue::async([] {
        std::function<void()> handler;
        {
            base::MutexLocker lock(gMutex);
            handler = gHandler;
        }
        if (handler)
            handler();
        else
            QCoreApplication::quit();
    });
}

} // namespace platform
