// Small pieces every benchmark needs: the best of several timed runs, and the first printer a bus
// announces.
#pragma once

#include "platform/usb/usb.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <memory>

namespace bench {

// The shortest of `runs` runs of `fn` in seconds; -1 when a run fails (fn returns false).
template <typename Fn> double bestSeconds(int runs, Fn&& fn) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!fn()) return -1;
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

// The first printer-class interface `bus` announces within five seconds, or null.
inline std::shared_ptr<usb::UsbService> firstPrinter(usb::UsbBus& bus) {
    std::shared_ptr<usb::UsbService> found;
    usb::NotificationHandle handle;
    bus.addMatchingNotification(
        usb::kUSBPrintingClass, usb::kUSBPrintingSubClass,
        [&](auto service) {
            if (!found) found = service;
        },
        handle);
    QElapsedTimer clock;
    clock.start();
    while (!found && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return found;
}

} // namespace bench
