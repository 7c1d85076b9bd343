// One information probe of an HVC printer on the simulated bus, against the sum of the latencies
// the printer model is configured with (its think time per exchange). The ratio shows what the
// program adds: queue hops, main-thread round trips, framing, logging.
#include "devicemodel/SimZEVProcessor.h"
#include "simbus/SimBus.h"

#include "Classes/TBUSBPrinterZEV.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int kReplyLatencyMs = 5;
constexpr int kRounds = 15;
constexpr std::uint32_t kLocation = 0x14100000;
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The probe logs every frame; keep the terminal quiet and measure the program, not the console.
    std::freopen("/dev/null", "w", stderr);

    auto bus = sim::SimBus::create();
    usb::setCurrentBus(bus);
    auto simDevice = sim::makeSimZEVDevice(sim::SimZEVModel::HVC, kLocation);
    simDevice.printer->setReplyLatencyMs(kReplyLatencyMs);
    bus->attach(simDevice.device);
    std::shared_ptr<usb::UsbInterface> interface;
    bus->service(kLocation)->createInterface(interface);
    auto printer = TBUSBPrinter::create<TBUSBPrinterZEV>();
    printer->initWithInterfaceInterface(interface);
    printer->printerCommandQueue()->waitUntilIdle();

    std::vector<double> ratios;
    for (int round = 0; round < kRounds; ++round) {
        simDevice.printer->clearReceived();
        QEventLoop loop;
        // The probe's last answer is the USB switch.
        auto connection =
            QObject::connect(printer.get(), &TBUSBPrinter::valueChanged, &loop, [&](const QString& key) {
                if (key == QRVX_ZEV_USB_ISerialisSet) loop.quit();
            });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        printer->probe();
        loop.exec();
        const double elapsed = double(clock.nsecsElapsed()) / 1e6;
        QObject::disconnect(connection);
        const int exchanges = int(simDevice.printer->receivedCommands().size());
        const double model = double(exchanges * kReplyLatencyMs);
        if (exchanges != 11) {
            std::printf("probe incomplete: %d exchanges\n", exchanges);
            return 1;
        }
        ratios.push_back(elapsed / model);
        std::printf("round %2d: %.2f ms for %d exchanges (model %.0f ms)\n", round, elapsed, exchanges,
                    model);
        printer->printerCommandQueue()->waitUntilIdle();
        QCoreApplication::processEvents();
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios[ratios.size() / 2];
    std::printf("BENCH probe_vs_model_latency %.3f x goal <= 1.2\n", median);
    printer->prepareForRelease();
    printer->printerCommandQueue()->waitUntilIdle();
    printer.reset();
    QCoreApplication::processEvents();
    return 0;
}
