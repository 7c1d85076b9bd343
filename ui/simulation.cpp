#include "ui/simulation.h"

#include "Classes/TBPrinters.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "devicemodel/SimPrinterDevice.h"
#include "devicemodel/SimZEVPrinter.h"
#include "devicemodel/SimZEVProcessor.h"
#include "platform/queue.h"
#include "simbus/SimBus.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

namespace ui {

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

void Simulation::fillDeviceMenu(QMenu* menu, const std::function<void(QMenu*, std::uint32_t)>& addItem) {
    menu->clear();
    if (slots_.empty()) {
        menu->addAction(QCoreApplication::translate("TBPrinters", "No simulated printer"))->setEnabled(false);
        return;
    }
    for (const auto& s : slots_)
        addItem(menu, s->location);
}

QMenu* Simulation::createMenu(QWidget* parent) {
    // Titles are English string-table keys; the launch step localises them with the rest of the menus.
    auto* menu = new QMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "&Simulation")), parent);
    menu->setObjectName(QStringLiteral("simulationMenu"));
    menu->setToolTipsVisible(true);
    menu->menuAction()->setToolTip(QStringLiteral(
        QT_TRANSLATE_NOOP("TBPrinters", "Plug in or unplug simulated printers, or make one misbehave")));

    QMenu* plug = menu->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Plug In")));
    plug->setObjectName(QStringLiteral("plugInMenu"));
    // Models the running program does not drive can be plugged in too (the list must ignore them),
    // but apart, so nobody waits for their row.
    QMenu* others = nullptr;
    const std::optional<IndexSet> listed = TBUSBPrinterZEV::supportedProductIDs();
    using sim::SimZEVModel;
    for (SimZEVModel model : {SimZEVModel::HVC, SimZEVModel::HVQXA, SimZEVModel::EightTable, SimZEVModel::HVA,
                              SimZEVModel::HVB, SimZEVModel::HVBD}) {
        QMenu* into = plug;
        // The printer's own product id decides, as it does for the program on a real bus.
        if (!listed || !listed->count(sim::simZEVModelFacts(model).productId)) {
            if (!others) {
                others = new QMenu(
                    QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Other Models (Ignored by This Program)")),
                    plug);
                others->setObjectName(QStringLiteral("otherModelsMenu"));
            }
            into = others;
        }
        QAction* action =
            into->addAction(QCoreApplication::translate("TBPrinters", "%1 printer").arg(nameOf(model)));
        connect(action, &QAction::triggered, this, [this, model] { plugIn(model); });
    }
    // A printer whose update was cut short: it waits in its update mode for an image.
    QMenu* stranded =
        new QMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "In Firmware Update Mode")), plug);
    stranded->setObjectName(QStringLiteral("updateModeMenu"));
    for (SimZEVModel model : {SimZEVModel::HVC, SimZEVModel::HVQXA, SimZEVModel::EightTable, SimZEVModel::HVA,
                              SimZEVModel::HVB, SimZEVModel::HVBD}) {
        if (!listed || !listed->count(sim::simZEVModelFacts(model).productId)) continue;
        QAction* action =
            stranded->addAction(QCoreApplication::translate("TBPrinters", "%1 printer").arg(nameOf(model)));
        connect(action, &QAction::triggered, this, [this, model] { plugIn(model, true); });
    }
    plug->addSeparator();
    plug->addMenu(stranded);
    if (others) plug->addMenu(others);

    QMenu* unplugMenu = menu->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Unplug")));
    unplugMenu->setObjectName(QStringLiteral("unplugMenu"));
    connect(unplugMenu, &QMenu::aboutToShow, this, [this, unplugMenu] {
        fillDeviceMenu(unplugMenu, [this](QMenu* m, std::uint32_t location) {
            QAction* action = m->addAction(describe(location));
            connect(action, &QAction::triggered, this, [this, location] { unplug(location); });
        });
    });

    QMenu* cycle = menu->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Power Cycle")));
    cycle->setObjectName(QStringLiteral("powerCycleMenu"));
    connect(cycle, &QMenu::aboutToShow, this, [this, cycle] {
        fillDeviceMenu(cycle, [this](QMenu* m, std::uint32_t location) {
            QAction* action = m->addAction(describe(location));
            connect(action, &QAction::triggered, this, [this, location] { powerCycle(location); });
        });
    });

    QMenu* paperEnd = menu->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Paper End Error")));
    paperEnd->setObjectName(QStringLiteral("paperEndMenu"));
    connect(paperEnd, &QMenu::aboutToShow, this, [this, paperEnd] {
        fillDeviceMenu(paperEnd, [this](QMenu* m, std::uint32_t location) {
            QAction* action = m->addAction(describe(location));
            action->setCheckable(true);
            action->setChecked(isPaperEnd(location));
            connect(action, &QAction::toggled, this,
                    [this, location](bool on) { setPaperEnd(location, on); });
        });
    });

    QMenu* held = menu->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Held by Another Program")));
    held->setObjectName(QStringLiteral("heldMenu"));
    connect(held, &QMenu::aboutToShow, this, [this, held] {
        fillDeviceMenu(held, [this](QMenu* m, std::uint32_t location) {
            QAction* action = m->addAction(describe(location));
            action->setCheckable(true);
            action->setChecked(isHeldByOtherProgram(location));
            connect(action, &QAction::toggled, this,
                    [this, location](bool on) { setHeldByOtherProgram(location, on); });
        });
    });
    return menu;
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

} // namespace ui
