// A controller and its window over the simulated bus, for the discovery and window tests.
#pragma once

#include "devicemodel/SimPrinterDevice.h"
#include "devicemodel/SimZEVPrinter.h"
#include "simbus/SimBus.h"

#include "Classes/TBPrinters.h"
#include "app/simulation.h"
#include "ui/printerlistmodel.h"
#include "ui/printerwindow.h"

#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

struct SimPrinter {
    std::shared_ptr<sim::SimPrinterDevice> device;
    std::shared_ptr<sim::SimZEVPrinter> commandSet;
};

class SimFixture {
public:
    // On a bus of its own, or on `onBus` (the demo's, say).
    explicit SimFixture(bool serialSwitch = false, std::shared_ptr<sim::SimBus> onBus = {})
        : serialSwitch_(serialSwitch), hub_(nextHub()) {
        bus = onBus ? std::move(onBus) : sim::SimBus::create();
        usb::setCurrentBus(bus);
        buildProgramSide();
    }
    ~SimFixture() {
        tearDownProgramSide([this] {
            for (const auto& device : bus->devices())
                bus->detach(device->identity().locationId);
        });
        usb::setCurrentBus(nullptr);
    }

    // The program ends and starts again while the printers stay as they are: the controller, its
    // window and every printer object go, `meanwhile` runs, and new ones are made (not yet awake).
    void startOver(const std::function<void()>& meanwhile = {}) {
        tearDownProgramSide({});
        if (meanwhile) meanwhile();
        buildProgramSide();
    }

    // A printer of `model` on `location`, not yet on the bus unless attach is true.
    SimPrinter makePrinter(sim::SimZEVModel model, std::uint32_t location) {
        SimPrinter printer;
        printer.device = app::Simulation::makePrinter(model, location, &printer.commandSet);
        return printer;
    }
    SimPrinter attach(sim::SimZEVModel model, std::uint32_t location) {
        SimPrinter printer = makePrinter(model, location);
        bus->attach(printer.device);
        return printer;
    }

    // Port n (1 to 15) of this fixture's own hub. The device-info registry lives as long as the
    // process, so each fixture takes ports no other fixture used: nothing carries over between tests.
    std::uint32_t port(int n) const { return hub_ | (std::uint32_t(n) & 0xF) << 12; }

    ui::PrinterListModel* model() const { return window->listModel(); }
    int rows() const { return model()->rowCount(); }
    QString cell(int row, int column) const { return model()->data(model()->index(row, column)).toString(); }
    TBPrinters::Printer printerAt(std::uint32_t location) const {
        for (const auto& printer : controller->printers()) {
            if (printer->locationID() == location) return printer;
        }
        return {};
    }
    // True once the printer's probe has stored its last answer and let go of the interface. (The
    // published state is not asked: it follows the close through the main thread.)
    bool probed(std::uint32_t location) const {
        const auto printer = printerAt(location);
        const auto device = bus->device(location);
        return printer && device && !printer->firmwareVersion().isEmpty() &&
               printer->deviceInfoDict()->contains(QRVX_ZEV_USB_ISerialisSet) && !device->isClaimed() &&
               !printer->status().isEmpty();
    }

    // Lets the main thread's posted work and the listed printers' command queues run dry (work on one
    // may post to the other, and a printer may join the list meanwhile).
    void settle() const { drain(controller.get()); }
    // The same with no fixture at hand: `controller`'s printers, or the main thread alone.
    static void drain(const TBPrinters* controller = nullptr) {
        for (int round = 0; round < 6; ++round) {
            if (controller) {
                for (const auto& printer : controller->printers())
                    if (auto* queue = printer->printerCommandQueue()) queue->waitUntilIdle();
            }
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    std::shared_ptr<sim::SimBus> bus;
    std::unique_ptr<TBPrinters> controller;
    std::unique_ptr<ui::PrinterWindow> window;

private:
    void buildProgramSide() {
        controller = std::make_unique<TBPrinters>();
        window = std::make_unique<ui::PrinterWindow>(controller.get(), serialSwitch_);
        controller->setController(window->selection());
    }
    void tearDownProgramSide(const std::function<void()>& afterTermination) {
        // Work already on a printer's command queue (a probe, say) keeps the printer alive past the
        // list; wait for it to end so its log lines and bus traffic do not spill into what follows.
        std::vector<std::weak_ptr<TBUSBPrinterZEV>> listed;
        for (const auto& printer : controller->printers())
            listed.push_back(printer);
        controller->prepareForTermination();
        if (afterTermination) afterTermination();
        window.reset();
        controller.reset();
        drain();
        const bool drained = QTest::qWaitFor(
            [&listed] {
                return std::all_of(listed.begin(), listed.end(), [](const auto& p) { return p.expired(); });
            },
            10000);
        if (!drained) qWarning("a printer of this test still has work under way");
    }

    // Bus 1, two hub levels: 225 fixtures per test program.
    static std::uint32_t nextHub() {
        static int count = 0;
        const int n = count++;
        return 0x01000000u | std::uint32_t(1 + n / 15 % 15) << 20 | std::uint32_t(1 + n % 15) << 16;
    }
    bool serialSwitch_;
    std::uint32_t hub_;
};

} // namespace testsupport
