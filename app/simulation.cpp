#include "app/simulation.h"

#include "Classes/TBPrinters.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "devicemodel/SimPrinterDevice.h"
#include "devicemodel/SimZEVPrinter.h"
#include "devicemodel/SimZEVProcessor.h"
#include "platform/queue.h"
#include "simbus/SimBus.h"

#include <QCoreApplication>
#include <QPointer>

namespace app {

namespace {

QString nameOf(sim::SimZEVModel model) {
    return QString::fromLatin1(sim::simZEVModelFacts(model).name);
}

} // namespace

struct Simulation::Slot {
    std::uint32_t location = 0;
    sim::SimZEVModel model = sim::SimZEVModel::Unknown;
    std::shared_ptr<sim::SimPrinterDevice> device;
    std::shared_ptr<sim::SimZEVPrinter> commandSet;
    bool paperEnd = false;
    bool held = false;
};

Simulation::Simulation(QObject* parent) : QObject(parent), bus_(sim::SimBus::create()) {
    Q_ASSERT(platform::mainqueue::isMainThread());
}

Simulation::~Simulation() = default;

std::shared_ptr<sim::SimPrinterDevice>
Simulation::makePrinter(sim::SimZEVModel model, std::uint32_t locationId,
                        std::shared_ptr<sim::SimZEVPrinter>* commandSet) {
    sim::SimZEVDevice made = sim::makeSimZEVDevice(model, locationId);
    // Each port's printer has a serial number of its own, so the rows tell them apart.
    const QString serial =
        QStringLiteral("%1-%2").arg(nameOf(model)).arg(locationId >> 20 & 0xF, 4, 10, QLatin1Char('0'));
    made.printer->update([&](sim::SimZEVPrinterState& state) { state.serialNumber = serial; });
    if (commandSet) *commandSet = made.printer;
    return made.device;
}

std::vector<sim::SimZEVModel> Simulation::startingModels(bool serialSwitcher) {
    using sim::SimZEVModel;
    if (serialSwitcher) return {SimZEVModel::HVQXA, SimZEVModel::HVC, SimZEVModel::EightTable};
    return {SimZEVModel::HVC};
}

Simulation::Slot* Simulation::slot(std::uint32_t locationId) {
    for (auto& s : slots_) {
        if (s->location == locationId) return s.get();
    }
    return nullptr;
}

const Simulation::Slot* Simulation::slot(std::uint32_t locationId) const {
    return const_cast<Simulation*>(this)->slot(locationId);
}

std::uint32_t Simulation::plugIn(sim::SimZEVModel model, bool inUpdateMode) {
    for (int port = 0; port < kPortCount; ++port) {
        const std::uint32_t location = kFirstLocation + std::uint32_t(port) * kPortStep;
        if (slot(location)) continue;
        auto s = std::make_unique<Slot>();
        s->location = location;
        s->model = model;
        s->device = makePrinter(model, location, &s->commandSet);
        if (inUpdateMode) {
            s->commandSet->update([](sim::SimZEVPrinterState& state) {
                state.firmwareUpdateMode = true;
                state.firmwareValid = false;
            });
        }
        if (!bus_->attach(s->device)) return 0;
        slots_.push_back(std::move(s));
        return location;
    }
    return 0;
}

void Simulation::unplug(std::uint32_t locationId) {
    for (auto it = slots_.begin(); it != slots_.end(); ++it) {
        if ((*it)->location != locationId) continue;
        bus_->detach(locationId);
        slots_.erase(it);
        return;
    }
}

void Simulation::powerCycle(std::uint32_t locationId) {
    if (Slot* s = slot(locationId)) s->device->powerCycle();
}

void Simulation::setPaperEnd(std::uint32_t locationId, bool on) {
    Slot* s = slot(locationId);
    if (!s || s->paperEnd == on) return;
    s->paperEnd = on;
    s->commandSet->update([on](sim::SimZEVPrinterState& state) {
        state.statusCode = QString::fromLatin1(on ? sim::kSimZEVStatusPaperEnd : sim::kSimZEVStatusIdle);
    });
    emit printerStateChanged(locationId);
}

bool Simulation::isPaperEnd(std::uint32_t locationId) const {
    const Slot* s = slot(locationId);
    return s && s->paperEnd;
}

void Simulation::setHeldByOtherProgram(std::uint32_t locationId, bool held) {
    Slot* s = slot(locationId);
    if (!s || s->held == held) return;
    s->held = held;
    s->device->setHeldByOtherProgram(held);
}

bool Simulation::isHeldByOtherProgram(std::uint32_t locationId) const {
    const Slot* s = slot(locationId);
    return s && s->held;
}

std::vector<std::uint32_t> Simulation::locations() const {
    std::vector<std::uint32_t> result;
    for (const auto& s : slots_)
        result.push_back(s->location);
    return result;
}

QString Simulation::describe(std::uint32_t locationId) const {
    const Slot* s = slot(locationId);
    if (!s) return {};
    return QCoreApplication::translate("TBPrinters", "%1 at port %2")
        .arg(nameOf(s->model))
        .arg(locationId >> 20 & 0xF);
}

void Simulation::followWith(TBPrinters* controller) {
    QPointer<TBPrinters> target(controller);
    connect(this, &Simulation::printerStateChanged, controller, [target](std::uint32_t location) {
        if (!target) return;
        for (const auto& printer : target->printers()) {
            if (printer->locationID() == location) printer->updateInfo();
        }
    });
}

} // namespace app
