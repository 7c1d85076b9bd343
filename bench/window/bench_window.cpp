// How quickly the printer list follows the bus: from a simulated printer's arrival to its row in the
// list, and from program start to the window showing its printers with every row filled (the
// program's --screenshot waits until each printer's information probe has finished). Each figure is printed
// with the simulated bus's own delivery latency beside it, so the part the list adds can be read off.
#include "devicemodel/SimPrinterDevice.h"
#include "simbus/SimBus.h"

#include "Classes/Edition.h"
#include "Classes/TBPrinters.h"
#include "app/simulation.h"
#include "platform/platformlog.h"
#include "ui/printerlistmodel.h"
#include "ui/printerwindow.h"
#include "ui/screenshot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 20;
constexpr int kStartRounds = 5;
constexpr double kArrivalGoalMs = 16.0; // one display frame at 60 Hz
constexpr double kStartGoalMs = 1500.0;

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs the event loop until `done` or `timeoutMs`; the elapsed milliseconds, or -1 on time-out.
template <typename Done> double waitFor(Done done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

// Time from attach() to the bus's own arrival notice, with no printer logic behind it.
double busArrivalLatency(const std::shared_ptr<sim::SimBus>& bus, std::uint32_t location) {
    bool arrived = false;
    usb::NotificationHandle handle;
    bus->addMatchingNotification(
        usb::kUSBPrintingClass, -1,
        [&](std::shared_ptr<usb::UsbService> service) {
            std::uint32_t at = 0;
            std::shared_ptr<usb::UsbInterface> interface;
            if (service->createInterface(interface) == kIOReturnSuccess &&
                interface->locationID(at) == kIOReturnSuccess && at == location) {
                arrived = true;
            }
        },
        handle);
    // A model printer-flasher does not list, so the list under test stays as it is.
    auto device = app::Simulation::makePrinter(sim::SimZEVModel::HVA, location);
    QElapsedTimer clock;
    clock.start();
    bus->attach(device);
    waitFor([&] { return arrived; });
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    handle.reset();
    bus->detach(location);
    waitFor([] { return false; }, 20);
    return ms;
}

// Median delivery latency of the simulated bus alone, measured by arrivalToRow().
double gBusLatencyMs = 0;

void arrivalToRow() {
    auto bus = sim::SimBus::create();
    usb::setCurrentBus(bus);
    std::vector<double> rowTimes;
    std::vector<double> busTimes;
    {
        TBPrinters controller;
        ui::PrinterWindow window(&controller, false);
        controller.setController(window.selection());
        window.show();
        controller.awakeFromNib();
        ui::PrinterListModel* model = window.listModel();

        for (int round = 0; round < kRounds; ++round) {
            const std::uint32_t location =
                app::Simulation::kFirstLocation +
                std::uint32_t(round % app::Simulation::kPortCount) * app::Simulation::kPortStep;
            busTimes.push_back(busArrivalLatency(bus, location + 0x10000)); // a neighbouring hub port

            auto device = app::Simulation::makePrinter(sim::SimZEVModel::HVC, location);
            QElapsedTimer clock;
            clock.start();
            bus->attach(device);
            // Shown: the model has the row and the view has laid it out.
            if (waitFor([&] {
                    return model->rowCount() == 1 && window.tableView()->rowViewportPosition(0) >= 0;
                }) < 0) {
                std::printf("round %d: the row did not appear\n", round);
            }
            QCoreApplication::processEvents();
            rowTimes.push_back(double(clock.nsecsElapsed()) / 1e6);

            bus->detach(location);
            waitFor([&] { return model->rowCount() == 0; });
        }
        controller.prepareForTermination();
    }
    waitFor([] { return false; }, 50);
    usb::setCurrentBus(nullptr);

    gBusLatencyMs = median(busTimes);
    std::printf("arrival to row: median %.2f ms, worst %.2f ms over %d arrivals; simulated bus alone: median "
                "%.2f ms\n",
                median(rowTimes), *std::max_element(rowTimes.begin(), rowTimes.end()), kRounds,
                median(busTimes));
    std::printf("BENCH arrival_to_row %.2f ms goal <= %.0f\n", median(rowTimes), kArrivalGoalMs);
}

void startToRows() {
    QTemporaryDir dir;
    std::vector<double> times;
    for (int round = 0; round < kStartRounds; ++round) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        program.start(QStringLiteral(PRINTER_FLASHER_PATH),
                      {QStringLiteral("--simulate"), QStringLiteral("--screenshot"),
                       dir.filePath(QStringLiteral("w.png"))});
        if (!program.waitForFinished(30000) || program.exitCode() != 0) {
            std::printf("printer-flasher did not show its printer (exit %d)\n", program.exitCode());
            return;
        }
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("program start to window with every row filled (and picture saved): median %.1f ms over %d "
                "starts; "
                "simulated bus alone: median %.2f ms per arrival\n",
                median(times), kStartRounds, gBusLatencyMs);
    std::printf("BENCH start_to_rows %.1f ms goal <= %.0f\n", median(times), kStartGoalMs);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    platform::setLogObserver([](const QString&) {});
    Edition::setCurrent(Edition::printerFlasher());
    arrivalToRow();
    startToRows();
    return 0;
}
