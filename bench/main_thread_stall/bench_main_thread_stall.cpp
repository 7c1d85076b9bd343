// The longest stretch the main thread stops while a printer arrives whose USB string descriptors
// never answer (each request times out). A heartbeat timer on the main thread measures the gaps
// between its beats, from the arrival until the printer is listed in the window and probed. Beside
// it, in the same run: the same printer's strings read on the main thread, as a program does that
// names a printer on the spot (the peer), and the heartbeat with nothing else to do (the floor).
// The figure leaves out the time the main thread stood ready to run while other processes had the
// CPUs (its run-queue wait, from the scheduler's own account): that is the machine's load, not a
// stall of the program; the gap on the clock is printed beside it.
#include "devicemodel/SimPrinterDevice.h"
#include "simbus/SimBus.h"

#include "Classes/Edition.h"
#include "Classes/TBPrinters.h"
#include "app/simulation.h"
#include "platform/platformlog.h"
#include "ui/printerlistmodel.h"
#include "ui/printerwindow.h"

#include "common/heartbeat.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// Every string descriptor request waits this long and then times out: the strings' own time-out
// (the language table's is longer still, so this understates the peer's stall).
constexpr std::uint32_t kDescriptorTimeoutMs = 1000;
constexpr int kHeartbeatMs = 2;
constexpr int kRounds = 3;
constexpr int kArrivalLimitMs = 20000;
constexpr double kGoalMs = 16.0; // one display frame at 60 Hz

using bench::Heartbeat;

struct Stall {
    double ownMs = -1; // the program's own: busy or blocked
    double clockMs = -1;
};

// Runs the event loop until `done` or `limitMs`; false on time-out.
bool runUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void runFor(int ms) {
    runUntil([] { return false; }, ms);
}

std::shared_ptr<sim::SimPrinterDevice> silentPrinter(std::uint32_t location) {
    auto device = app::Simulation::makePrinter(sim::SimZEVModel::HVC, location);
    device->holdStringDescriptors(kDescriptorTimeoutMs);
    return device;
}

// This project: the printer arrives at the program's window; the longest stall until it is listed
// and probed.
Stall arrivalStall(int round) {
    auto bus = sim::SimBus::create();
    usb::setCurrentBus(bus);
    Stall stall;
    {
        TBPrinters controller;
        ui::PrinterWindow window(&controller, false);
        controller.setController(window.selection());
        window.show();
        controller.awakeFromNib();
        const std::uint32_t location =
            app::Simulation::kFirstLocation +
            std::uint32_t(round % app::Simulation::kPortCount) * app::Simulation::kPortStep;
        auto device = silentPrinter(location);

        Heartbeat heartbeat(kHeartbeatMs);
        heartbeat.start();
        QElapsedTimer clock;
        clock.start();
        bus->attach(device);
        const bool listed = runUntil(
            [&] {
                const auto printer = controller.printerAt(0);
                return printer && !printer->firmwareVersion().isEmpty() && !device->isClaimed();
            },
            kArrivalLimitMs);
        runFor(100);
        heartbeat.stop();
        if (!listed) {
            std::printf("round %d: the printer was not listed and probed\n", round);
        } else {
            stall = {heartbeat.longestOwnMs(), heartbeat.longestMs()};
            std::printf("round %d: listed and probed after %.0f ms; longest main-thread stall %.2f ms "
                        "(%.2f ms on the clock)\n",
                        round, double(clock.elapsed()), stall.ownMs, stall.clockMs);
        }
        controller.prepareForTermination();
        bus->detach(location);
        runFor(100);
    }
    usb::setCurrentBus(nullptr);
    return stall;
}

// The peer: the same strings read on the main thread as the printer arrives.
Stall stringsReadOnMainThreadStall() {
    auto bus = sim::SimBus::create();
    auto device = silentPrinter(app::Simulation::kFirstLocation);
    bus->attach(device);
    std::shared_ptr<usb::UsbInterface> interface;
    if (bus->service(app::Simulation::kFirstLocation)->createInterface(interface) != kIOReturnSuccess)
        return {};

    Heartbeat heartbeat(kHeartbeatMs);
    heartbeat.start();
    bool read = false;
    QTimer::singleShot(20, [&] {
        for (std::uint8_t index :
             {sim::DeviceIdentity::kManufacturerIndex, sim::DeviceIdentity::kProductIndex,
              sim::DeviceIdentity::kSerialNumberIndex}) {
            QString text;
            usbInterfaceGetDescriptorStringCopy(interface.get(), index, &text);
        }
        read = true;
    });
    runUntil([&] { return read; }, kArrivalLimitMs);
    runFor(50);
    heartbeat.stop();
    return {heartbeat.longestOwnMs(), heartbeat.longestMs()};
}

Stall idleStall() {
    Heartbeat heartbeat(kHeartbeatMs);
    heartbeat.start();
    runFor(1000);
    heartbeat.stop();
    return {heartbeat.longestOwnMs(), heartbeat.longestMs()};
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Every exchange is logged; measure the program, not the terminal.
    std::freopen("/dev/null", "w", stderr);
    platform::setLogObserver([](const QString&) {});
    Edition::setCurrent(Edition::printerFlasher());

    const Stall floor = idleStall();
    Stall worst{0, 0};
    for (int round = 0; round < kRounds; ++round) {
        const Stall stall = arrivalStall(round);
        if (stall.ownMs < 0) return 1;
        worst.ownMs = std::max(worst.ownMs, stall.ownMs);
        worst.clockMs = std::max(worst.clockMs, stall.clockMs);
    }
    const Stall peer = stringsReadOnMainThreadStall();
    std::printf("longest main-thread stall while a printer whose string descriptors time out (%u ms each) "
                "arrives: %.2f ms (worst of %d arrivals; %.2f ms on the clock, waits for a CPU included)\n",
                kDescriptorTimeoutMs, worst.ownMs, kRounds, worst.clockMs);
    std::printf("peer, the same strings read on the main thread: %.1f ms (%.1f ms on the clock); heartbeat "
                "alone: %.2f ms (%.2f ms on the clock)\n",
                peer.ownMs, peer.clockMs, floor.ownMs, floor.clockMs);
    std::printf("BENCH main_thread_stall %.2f ms goal <= %.0f\n", worst.ownMs, kGoalMs);
    return 0;
}
