#include "ui/simulationmenu.h"

#include "Classes/TBUSBPrinterZEV.h"
#include "app/simulation.h"
#include "devicemodel/SimZEVModel.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include <functional>

namespace ui {

namespace {

QString nameOf(sim::SimZEVModel model) {
    return QString::fromLatin1(sim::simZEVModelFacts(model).name);
}

// Fills `menu` with one item per simulated printer, or says there is none.
void fillDeviceMenu(app::Simulation* simulation, QMenu* menu,
                    const std::function<void(QMenu*, std::uint32_t)>& addItem) {
    menu->clear();
    const std::vector<std::uint32_t> locations = simulation->locations();
    if (locations.empty()) {
        menu->addAction(QCoreApplication::translate("TBPrinters", "No simulated printer"))->setEnabled(false);
        return;
    }
    for (std::uint32_t location : locations)
        addItem(menu, location);
}

// A submenu of `menu` titled `title` (an English string-table key, localised with the rest of the
// menus) that lists every simulated printer when it opens; choosing one does `act` to it.
void addActionMenu(QMenu* menu, app::Simulation* simulation, const char* title, const char* objectName,
                   void (app::Simulation::*act)(std::uint32_t)) {
    QMenu* submenu = menu->addMenu(QString::fromLatin1(title));
    submenu->setObjectName(QString::fromLatin1(objectName));
    QObject::connect(submenu, &QMenu::aboutToShow, simulation, [simulation, submenu, act] {
        fillDeviceMenu(simulation, submenu, [simulation, act](QMenu* m, std::uint32_t location) {
            QAction* action = m->addAction(simulation->describe(location));
            QObject::connect(action, &QAction::triggered, simulation,
                             [simulation, location, act] { (simulation->*act)(location); });
        });
    });
}

// Likewise, with one check box per printer: `isOn` ticks it, and ticking it calls `set`.
void addSwitchMenu(QMenu* menu, app::Simulation* simulation, const char* title, const char* objectName,
                   bool (app::Simulation::*isOn)(std::uint32_t) const,
                   void (app::Simulation::*set)(std::uint32_t, bool)) {
    QMenu* submenu = menu->addMenu(QString::fromLatin1(title));
    submenu->setObjectName(QString::fromLatin1(objectName));
    QObject::connect(submenu, &QMenu::aboutToShow, simulation, [simulation, submenu, isOn, set] {
        fillDeviceMenu(simulation, submenu, [simulation, isOn, set](QMenu* m, std::uint32_t location) {
            QAction* action = m->addAction(simulation->describe(location));
            action->setCheckable(true);
            action->setChecked((simulation->*isOn)(location));
            QObject::connect(action, &QAction::toggled, simulation,
                             [simulation, location, set](bool on) { (simulation->*set)(location, on); });
        });
    });
}

} // namespace

QMenu* createSimulationMenu(app::Simulation* simulation, QWidget* parent) {
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
        QObject::connect(action, &QAction::triggered, simulation,
                         [simulation, model] { simulation->plugIn(model); });
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
        QObject::connect(action, &QAction::triggered, simulation,
                         [simulation, model] { simulation->plugIn(model, true); });
    }
    plug->addSeparator();
    plug->addMenu(stranded);
    if (others) plug->addMenu(others);

    addActionMenu(menu, simulation, QT_TRANSLATE_NOOP("TBPrinters", "Unplug"), "unplugMenu",
                  &app::Simulation::unplug);
    addActionMenu(menu, simulation, QT_TRANSLATE_NOOP("TBPrinters", "Power Cycle"), "powerCycleMenu",
                  &app::Simulation::powerCycle);
    addSwitchMenu(menu, simulation, QT_TRANSLATE_NOOP("TBPrinters", "Paper End Error"), "paperEndMenu",
                  &app::Simulation::isPaperEnd, &app::Simulation::setPaperEnd);
    addSwitchMenu(menu, simulation, QT_TRANSLATE_NOOP("TBPrinters", "Held by Another Program"), "heldMenu",
                  &app::Simulation::isHeldByOtherProgram, &app::Simulation::setHeldByOtherProgram);
    return menu;
}

} // namespace ui
