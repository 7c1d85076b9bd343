// How the program's start scales with the printers on the bus: 1, 8 and 32 simulated HVC printers are
// plugged in before discovery starts, as on a kiosk's hubs, and the wall time is taken from the start
// of discovery until every printer is listed in the window and its information probe has run to its
// end. Each printer answers every command after the same think time as the probe benchmark's. The
// figure is 32 printers against one, measured in the same run; a start that probed the printers one
// after another would take 32 times as long. Beside it, the longest main-thread stall during the
// 32-printer start (a heartbeat timer's gaps, waits for a CPU left out).
#include "devicemodel/SimZEVPrinter.h"
#include "devicemodel/SimZEVProcessor.h"
#include "simbus/SimBus.h"

#include "Classes/Edition.h"
#include "Classes/TBPrinters.h"
#include "app/printerrow.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "ui/printerwindow.h"

#include "common/heartbeat.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kReplyLatencyMs = 5; // the printer's think time per reply, as in bench_probe
constexpr int kRounds = 5;
constexpr int kStartLimitMs = 30000;
constexpr int kHeartbeatMs = 2;
constexpr double kScalingGoal = 3.0;
constexpr double kStallGoalMs = 16.0; // one display frame at 60 Hz

// Four hubs on a bus of their own, eight ports each: bus 3 in the top byte, the hub's port in the
// next nibble, the printer's port on the hub in the one after.
std::uint32_t locationOf(int index) {
    return 0x03000000u | std::uint32_t(index / 8 + 1) << 20 | std::uint32_t(index % 8 + 1) << 16;
}

struct Start {
    double ms = -1; // from the start of discovery until every row is probed; -1 when it never was
    double stallMs = -1;
    double stallClockMs = -1;
};

bool everyRowProbed(const TBPrinters& controller, int count) {
    if (controller.printerCount() != count) return false;
    for (int row = 0; row < count; ++row) {
        if (!app::probeFinished(*controller.printerAt(row))) return false;
    }
    return true;
}

// One program start with `count` printers on the bus.
Start startWith(int count) {
    auto bus = sim::SimBus::create();
    usb::setCurrentBus(bus);
    for (int i = 0; i < count; ++i) {
        sim::SimZEVDevice made = sim::makeSimZEVDevice(sim::SimZEVModel::HVC, locationOf(i));
        made.printer->update([&](sim::SimZEVPrinterState& state) {
            state.serialNumber = QStringLiteral("HVC-%1").arg(i, 4, 10, QLatin1Char('0'));
        });
        made.printer->setReplyLatencyMs(kReplyLatencyMs);
        bus->attach(made.device);
    }

    Start start;
    {
        TBPrinters controller;
        ui::PrinterWindow window(&controller, false);
        controller.setController(window.selection());
        window.show();
        QCoreApplication::processEvents();

        bench::Heartbeat heartbeat(kHeartbeatMs);
        heartbeat.start();
        QElapsedTimer clock;
        clock.start();
        controller.awakeFromNib();
        controller.applicationDidFinishLaunching(&window);
        bool probed = false;
        while (!(probed = everyRowProbed(controller, count)) && clock.elapsed() < kStartLimitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        // What the last answers set off on the main thread counts for the stall as well.
        QElapsedTimer tail;
        tail.start();
        while (tail.elapsed() < 50)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        heartbeat.stop();
        if (probed)
            start = {ms, heartbeat.longestOwnMs(), heartbeat.longestMs()};
        else
            std::printf("%d printers: not every row was probed within %d ms\n", count, kStartLimitMs);

        controller.prepareForTermination();
        for (int i = 0; i < count; ++i)
            bus->detach(locationOf(i));
        QCoreApplication::processEvents();
    }
    usb::setCurrentBus(nullptr);
    bus.reset();
    platform::SerialQueue::waitUntilAllIdle(std::chrono::seconds(5));
    QCoreApplication::processEvents();
    return start;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Every exchange is logged; measure the program, not the terminal.
    std::freopen("/dev/null", "w", stderr);
    platform::setLogObserver([](const QString&) {});
    Edition::setCurrent(Edition::printerFlasher());

    const int counts[] = {1, 8, 32};
    std::vector<double> times[3];
    double stall = 0;
    double stallClock = 0;
    startWith(1); // warm-up: first use of the window, fonts and the printer tables
    // The counts take turns, so that a change in the machine's load falls on all of them alike.
    for (int round = 0; round < kRounds; ++round) {
        for (int c = 0; c < 3; ++c) {
            const Start start = startWith(counts[c]);
            if (start.ms < 0) return 1;
            times[c].push_back(start.ms);
            if (counts[c] == 32) {
                stall = std::max(stall, start.stallMs);
                stallClock = std::max(stallClock, start.stallClockMs);
                std::printf("round %d: 32 printers probed after %.1f ms; longest main-thread stall %.2f ms "
                            "(%.2f ms on the clock)\n",
                            round, start.ms, start.stallMs, start.stallClockMs);
            }
        }
    }
    const double ms[3] = {median(times[0]), median(times[1]), median(times[2])};
    std::printf("start until every row is probed, median of %d starts, %d ms think time per reply:\n",
                kRounds, kReplyLatencyMs);
    for (int c = 0; c < 3; ++c)
        std::printf("  %2d printers: %.1f ms\n", counts[c], ms[c]);
    std::printf("longest main-thread stall during a 32-printer start: %.2f ms (worst of %d; %.2f ms on the "
                "clock, waits for a CPU included)\n",
                stall, kRounds, stallClock);
    std::printf("BENCH printers_scaling_32_vs_1 %.2f x goal <= %.0f\n", ms[2] / ms[0], kScalingGoal);
    std::printf("BENCH printers_scaling_stall_32 %.2f ms goal <= %.0f\n", stall, kStallGoalMs);
    return 0;
}
