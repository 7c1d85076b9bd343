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

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Every string descriptor request waits this long and then times out: the strings' own time-out
// (the language table's is longer still, so this understates the peer's stall).
constexpr std::uint32_t kDescriptorTimeoutMs = 1000;
constexpr int kHeartbeatMs = 2;
constexpr int kRounds = 3;
constexpr int kArrivalLimitMs = 20000;
constexpr double kGoalMs = 50.0;

// Nanoseconds the calling thread has spent waiting for a CPU while ready to run (the second field of
// its schedstat), or -1 when the system does not say.
class RunQueueWait {
public:
    RunQueueWait() : fd_(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {}
    ~RunQueueWait() {
        if (fd_ >= 0) ::close(fd_);
    }
    RunQueueWait(const RunQueueWait&) = delete;
    RunQueueWait& operator=(const RunQueueWait&) = delete;
    qint64 nanoseconds() const {
        char text[128];
        const ssize_t got = fd_ < 0 ? -1 : ::pread(fd_, text, sizeof text - 1, 0);
        if (got <= 0) return -1;
        text[got] = '\0';
        unsigned long long onCpu = 0, waiting = 0;
        return std::sscanf(text, "%llu %llu", &onCpu, &waiting) == 2 ? qint64(waiting) : -1;
    }

private:
    int fd_;
};

// Beats every kHeartbeatMs on the main thread and keeps the longest gap between two beats: as seen
// on the clock, and less the time the main thread stood ready while other processes had the CPUs
// (a loaded machine, not the program).
class Heartbeat {
public:
    Heartbeat() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kHeartbeatMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { beat(); });
    }
    void start() {
        clock_.start();
        lastNs_ = 0;
        lastWaitNs_ = runQueue_.nanoseconds();
        longestNs_ = 0;
        longestOwnNs_ = 0;
        timer_.start();
    }
    void stop() { timer_.stop(); }
    // The longest time the main thread did not beat, beyond the beat itself, in milliseconds.
    double longestMs() const { return beyondBeat(longestNs_); }
    double longestOwnMs() const { return beyondBeat(longestOwnNs_); }

private:
    static double beyondBeat(qint64 ns) { return std::max(0.0, double(ns) / 1e6 - kHeartbeatMs); }
    void beat() {
        const qint64 now = clock_.nsecsElapsed();
        const qint64 waited = runQueue_.nanoseconds();
        const qint64 gap = now - lastNs_;
        const qint64 queued = waited >= 0 && lastWaitNs_ >= 0 ? waited - lastWaitNs_ : 0;
        longestNs_ = std::max(longestNs_, gap);
        longestOwnNs_ = std::max(longestOwnNs_, gap - queued);
        lastNs_ = now;
        lastWaitNs_ = waited;
    }

    RunQueueWait runQueue_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    qint64 lastWaitNs_ = 0;
    qint64 longestNs_ = 0;
    qint64 longestOwnNs_ = 0;
};

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

        Heartbeat heartbeat;
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

    Heartbeat heartbeat;
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
    Heartbeat heartbeat;
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
