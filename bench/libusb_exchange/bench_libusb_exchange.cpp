// Latency of one command exchange (a 32-byte frame written on bulk OUT, its echo read on bulk IN)
// through the libusb backend against umockdev's usbfs, beside the same exchange made with bare
// libusb_bulk_transfer() calls on the same testbed device, and beside the in-process simulated bus.
// All three talk to the same printer model.
//
// The goal compares the backend with bare libusb: both take the same path through libusb, usbfs
// ioctls and umockdev's socket round trips, so the ratio is what the backend itself adds (its event
// thread, handle uses, claims). The simulated bus is a function call away from the model; its
// ratio to the real stack is reported for information only.
#include "UsbfsTestbed.h"
#include "common/benchsupport.h"

#include "devicemodel/SimPrinterDevice.h"
#include "platform/usb/libusb/LibusbBus.h"
#include "simbus/SimBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kWarmUp = 20;
constexpr int kBlocks = 3; // the backend and bare libusb take turns, so drift hits both alike
constexpr int kRoundsPerBlock = 100;
constexpr std::uint32_t kFrameSize = 32;
constexpr std::uint32_t kTimeoutMs = 2000;
constexpr double kGoalRatio = 1.2;
constexpr std::uint16_t kVendor = 0x1234, kProduct = 0x5678;
constexpr std::uint8_t kOutEndpoint = 0x01, kInEndpoint = 0x81; // the model's default pipes
constexpr std::uint8_t kOutPipe = 1, kInPipe = 2;
constexpr int kInterface = 0;

sim::DeviceIdentity identity() {
    sim::DeviceIdentity id;
    id.vendorId = kVendor;
    id.productId = kProduct;
    id.locationId = 0x01400000;
    id.product = u"Bench printer";
    return id;
}

// One exchange: write the frame, read its echo into `reply`; false on any failure.
using Exchange =
    std::function<bool(const std::vector<std::uint8_t>& frame, std::vector<std::uint8_t>& reply)>;

struct Samples {
    std::vector<double> microseconds;
    bool failed = false;

    // Runs `rounds` exchanges after `warmUp` unmeasured ones.
    void run(const Exchange& exchange, int warmUp, int rounds, const char* label) {
        std::vector<std::uint8_t> frame(kFrameSize), reply(64);
        for (std::uint32_t i = 0; i < kFrameSize; ++i)
            frame[i] = std::uint8_t(i);
        for (int round = 0; round < warmUp + rounds && !failed; ++round) {
            const auto start = std::chrono::steady_clock::now();
            if (!exchange(frame, reply)) {
                std::fprintf(stderr, "%s: exchange failed\n", label);
                failed = true;
                return;
            }
            const auto elapsed = std::chrono::steady_clock::now() - start;
            if (round >= warmUp)
                microseconds.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
        }
    }

    // Median microseconds, or a negative value when an exchange failed.
    double report(const char* label) {
        if (failed || microseconds.empty()) return -1;
        std::sort(microseconds.begin(), microseconds.end());
        const double median = microseconds[microseconds.size() / 2];
        std::printf("%-28s median %8.1f us   p90 %8.1f us   (%zu exchanges of %u bytes)\n", label, median,
                    microseconds[microseconds.size() * 9 / 10], microseconds.size(), unsigned(kFrameSize));
        return median;
    }
};

Exchange throughInterface(usb::UsbInterface& interface) {
    return [&interface](const std::vector<std::uint8_t>& frame, std::vector<std::uint8_t>& reply) {
        if (interface.writePipe(kOutPipe, frame.data(), kFrameSize, kTimeoutMs, kTimeoutMs) !=
            kIOReturnSuccess)
            return false;
        std::uint32_t size = std::uint32_t(reply.size());
        return interface.readPipe(kInPipe, reply.data(), size, kTimeoutMs, kTimeoutMs) == kIOReturnSuccess &&
               size == kFrameSize;
    };
}

Exchange throughBareLibusb(libusb_device_handle* handle) {
    return [handle](const std::vector<std::uint8_t>& frame, std::vector<std::uint8_t>& reply) {
        int done = 0;
        if (libusb_bulk_transfer(handle, kOutEndpoint, const_cast<unsigned char*>(frame.data()),
                                 int(kFrameSize), &done, kTimeoutMs) != LIBUSB_SUCCESS ||
            done != int(kFrameSize))
            return false;
        return libusb_bulk_transfer(handle, kInEndpoint, reply.data(), int(reply.size()), &done,
                                    kTimeoutMs) == LIBUSB_SUCCESS &&
               done == int(kFrameSize);
    };
}

std::shared_ptr<usb::UsbInterface> interfaceOf(const std::shared_ptr<usb::UsbService>& service) {
    std::shared_ptr<usb::UsbInterface> interface;
    if (!service || service->createInterface(interface) != kIOReturnSuccess) return nullptr;
    return interface;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);

    Samples simulated;
    {
        auto bus = sim::SimBus::create();
        bus->attach(sim::SimPrinterDevice::create(identity(), std::make_shared<sim::EchoProcessor>()));
        auto interface = interfaceOf(bench::firstPrinter(*bus));
        if (!interface || interface->openSeize() != kIOReturnSuccess) {
            std::fprintf(stderr, "simulated bus: no printer\n");
            return 1;
        }
        simulated.run(throughInterface(*interface), kWarmUp, kBlocks * kRoundsPerBlock, "simulated bus");
        interface->close();
    }

    usbfs_test::UsbfsTestbed bed;
    if (!bed.inMockEnvironment()) {
        std::fprintf(stderr, "run under umockdev-wrapper (bench/run does)\n");
        return 1;
    }
    bed.plug(sim::SimPrinterDevice::create(identity(), std::make_shared<sim::EchoProcessor>()), {1, 4, 2});

    Samples backend, bare;
    {
        auto bus = usb::makeLibusbBus();
        auto interface = bus ? interfaceOf(bench::firstPrinter(*bus)) : nullptr;
        libusb_context* context = nullptr;
        libusb_device_handle* handle = nullptr;
        if (libusb_init(&context) == LIBUSB_SUCCESS)
            handle = libusb_open_device_with_vid_pid(context, kVendor, kProduct);
        if (!interface || !handle) {
            std::fprintf(stderr, "libusb: no printer\n");
            return 1;
        }
        libusb_set_auto_detach_kernel_driver(handle, 1);
        // Only one of them can hold the interface at a time: each claims it for its turn.
        for (int block = 0; block < kBlocks && !backend.failed && !bare.failed; ++block) {
            const int warmUp = block == 0 ? kWarmUp : 0;
            if (interface->openSeize() != kIOReturnSuccess) {
                std::fprintf(stderr, "libusb backend: open failed\n");
                return 1;
            }
            backend.run(throughInterface(*interface), warmUp, kRoundsPerBlock, "libusb backend");
            interface->close();
            if (libusb_claim_interface(handle, kInterface) != LIBUSB_SUCCESS) {
                std::fprintf(stderr, "bare libusb: claim failed\n");
                return 1;
            }
            bare.run(throughBareLibusb(handle), warmUp, kRoundsPerBlock, "bare libusb");
            libusb_release_interface(handle, kInterface);
        }
        libusb_close(handle);
        libusb_exit(context);
    }

    const double sim = simulated.report("simulated bus");
    const double ours = backend.report("libusb backend + usbfs");
    const double peer = bare.report("bare libusb + usbfs");
    if (sim <= 0 || ours <= 0 || peer <= 0) return 1;
    std::printf("one exchange: libusb backend %.1f us, bare libusb %.1f us, simulated bus %.1f us\n", ours,
                peer, sim);
    std::printf(
        "for information: the libusb backend over umockdev takes %.0f x the in-process simulated bus\n",
        ours / sim);
    std::printf("BENCH libusb_backend_vs_bare_libusb %.2f x goal <= %.1f\n", ours / peer, kGoalRatio);
    return 0;
}
