// A controller and its window over the simulated bus, for the discovery and window tests.
#pragma once

// The simulated device model has a member named like Qt's `emit` keyword macro: it comes first.
#include "platform/usb/sim/SimBus.h"
#include "platform/usb/sim/SimPrinterDevice.h"
#include "platform/usb/sim/SimZEVPrinter.h"

#include "Classes/TBPrinters.h"
#include "Classes/ZEVProtocol.h"
#include "platform/qt/printerlistmodel.h"
#include "platform/qt/printerwindow.h"
#include "platform/qt/simulation.h"

#include <QCoreApplication>
#include <QTest>

#include <memory>

namespace testsupport {

constexpr std::uint32_t kPort1 = 0x01100000;
constexpr std::uint32_t kPort2 = 0x01200000;
constexpr std::uint32_t kPort3 = 0x01300000;

struct SimPrinter {
    std::shared_ptr<sim::SimPrinterDevice> device;
    std::shared_ptr<sim::SimZEVPrinter> commandSet;
};

class SimFixture {
public:
    explicit SimFixture(bool serialSwitch = false) {
        bus = sim::SimBus::create();
        usb::setCurrentBus(bus);
        controller = std::make_unique<TBPrinters>();
        window = std::make_unique<platform::PrinterWindow>(controller.get(), serialSwitch);
        controller->setTableview(window->tableView());
    }
    ~SimFixture() {
        controller->prepareForTermination();
        for (const auto& device : bus->devices()) bus->detach(device->identity().locationId);
        window.reset();
        controller.reset();
        settle();
        usb::setCurrentBus(nullptr);
    }

    // A printer of `model` on `location`, not yet on the bus unless attach is true.
    SimPrinter makePrinter(zev::Model model, std::uint32_t location) {
        SimPrinter printer;
        printer.device = platform::Simulation::makePrinter(model, location, &printer.commandSet);
        return printer;
    }
    SimPrinter attach(zev::Model model, std::uint32_t location) {
        SimPrinter printer = makePrinter(model, location);
        bus->attach(printer.device);
        return printer;
    }

    platform::PrinterListModel* model() const { return window->listModel(); }
    int rows() const { return model()->rowCount(); }
    QString cell(int row, int column) const { return model()->data(model()->index(row, column)).toString(); }
    TBPrinters::Printer printerAt(std::uint32_t location) const {
        for (const auto& printer : controller->printers()) {
            if (printer->locationID() == location) return printer;
        }
        return {};
    }
    // True once the printer's probe has stored its answers and closed the interface again.
    bool probed(std::uint32_t location) const {
        const auto printer = printerAt(location);
        return printer && !printer->firmwareVersion().isEmpty() &&
               printer->state() == TBUSBPrinter::StateClosed && !printer->status().isEmpty();
    }

    // Lets queued main-thread work and printer queues run for a moment.
    static void settle(int ms = 50) {
        QCoreApplication::processEvents();
        QTest::qWait(ms);
    }

    std::shared_ptr<sim::SimBus> bus;
    std::unique_ptr<TBPrinters> controller;
    std::unique_ptr<platform::PrinterWindow> window;
};

} // namespace testsupport
