// Latency of one command exchange (a 32-byte frame written on bulk OUT, its echo read on bulk IN)
// through the libusb backend against umockdev's usbfs, beside the same exchange on the in-process
// simulated bus. Both talk to the same printer model; the difference is the real USB stack's path
// (libusb's event handling, usbfs ioctls, umockdev's socket round trips).
#include "UsbfsTestbed.h"

#include "platform/usb/libusb/LibusbBus.h"
#include "platform/usb/sim/SimBus.h"
#include "platform/usb/sim/SimPrinterDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWarmUp = 20;
constexpr int kRounds = 300;
constexpr std::uint32_t kFrameSize = 32;
constexpr std::uint32_t kTimeoutMs = 2000;
constexpr double kGoalRatio = 50.0;

sim::DeviceIdentity identity() {
    sim::DeviceIdentity id;
    id.vendorId = 0x1234;
    id.productId = 0x5678;
    id.locationId = 0x01400000;
    id.product = u"Bench printer";
    return id;
}

std::shared_ptr<usb::UsbService> firstPrinter(usb::UsbBus& bus) {
    std::shared_ptr<usb::UsbService> found;
    usb::NotificationHandle handle;
    bus.addMatchingNotification(usb::kUSBPrintingClass, usb::kUSBPrintingSubClass,
                                [&](auto service) { if (!found) found = service; }, handle);
    QElapsedTimer clock;
    clock.start();
    while (!found && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return found;
}

// Median microseconds per exchange, or a negative value when an exchange fails.
double measure(usb::UsbInterface& interface, const char* label) {
    std::vector<std::uint8_t> frame(kFrameSize), reply(64);
    for (std::uint32_t i = 0; i < kFrameSize; ++i) frame[i] = std::uint8_t(i);
    std::vector<double> samples;
    for (int round = 0; round < kWarmUp + kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        if (interface.writePipe(1, frame.data(), kFrameSize, kTimeoutMs, kTimeoutMs) != kIOReturnSuccess) {
            std::fprintf(stderr, "%s: write failed\n", label);
            return -1;
        }
        std::uint32_t size = std::uint32_t(reply.size());
        if (interface.readPipe(2, reply.data(), size, kTimeoutMs, kTimeoutMs) != kIOReturnSuccess || size != kFrameSize) {
            std::fprintf(stderr, "%s: read failed\n", label);
            return -1;
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (round >= kWarmUp) samples.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
    }
    std::sort(samples.begin(), samples.end());
    const double median = samples[samples.size() / 2];
    std::printf("%-28s median %8.1f us   p90 %8.1f us   (%d exchanges of %u bytes)\n", label, median,
                samples[samples.size() * 9 / 10], kRounds, unsigned(kFrameSize));
    return median;
}

std::shared_ptr<usb::UsbInterface> openedInterface(const std::shared_ptr<usb::UsbService>& service) {
    std::shared_ptr<usb::UsbInterface> interface;
    if (!service || service->createInterface(interface) != kIOReturnSuccess) return nullptr;
    return interface->openSeize() == kIOReturnSuccess ? interface : nullptr;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);

    double simulated = -1;
    {
        auto bus = sim::SimBus::create();
        bus->attach(sim::SimPrinterDevice::create(identity(), std::make_shared<sim::EchoProcessor>()));
        auto interface = openedInterface(firstPrinter(*bus));
        if (!interface) {
            std::fprintf(stderr, "simulated bus: no printer\n");
            return 1;
        }
        simulated = measure(*interface, "simulated bus");
        interface->close();
    }

    usbfs_test::UsbfsTestbed bed;
    if (!bed.inMockEnvironment()) {
        std::fprintf(stderr, "run under umockdev-wrapper (bench/run does)\n");
        return 1;
    }
    double real = -1;
    {
        bed.plug(sim::SimPrinterDevice::create(identity(), std::make_shared<sim::EchoProcessor>()), {1, 4, 2});
        auto bus = usb::makeLibusbBus();
        auto interface = bus ? openedInterface(firstPrinter(*bus)) : nullptr;
        if (!interface) {
            std::fprintf(stderr, "libusb: no printer\n");
            return 1;
        }
        real = measure(*interface, "libusb + umockdev usbfs");
        interface->close();
    }
    if (simulated <= 0 || real <= 0) return 1;
    std::printf("one exchange: libusb %.1f us, simulated %.1f us\n", real, simulated);
    std::printf("BENCH libusb_vs_sim_exchange %.1f x goal <= %.0f\n", real / simulated, kGoalRatio);
    return 0;
}
