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

    QMenu* unplugMenu = menu->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Unplug")));
    unplugMenu->setObjectName(QStringLiteral("unplugMenu"));
    QObject::connect(unplugMenu, &QMenu::aboutToShow, simulation, [simulation, unplugMenu] {
        fillDeviceMenu(simulation, unplugMenu, [simulation](QMenu* m, std::uint32_t location) {
            QAction* action = m->addAction(simulation->describe(location));
            QObject::connect(action, &QAction::triggered, simulation,
                             [simulation, location] { simulation->unplug(location); });
        });
    });

    QMenu* cycle = menu->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Power Cycle")));
    cycle->setObjectName(QStringLiteral("powerCycleMenu"));
    QObject::connect(cycle, &QMenu::aboutToShow, simulation, [simulation, cycle] {
        fillDeviceMenu(simulation, cycle, [simulation](QMenu* m, std::uint32_t location) {
            QAction* action = m->addAction(simulation->describe(location));
            QObject::connect(action, &QAction::triggered, simulation,
                             [simulation, location] { simulation->powerCycle(location); });
        });
    });

    QMenu* paperEnd = menu->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Paper End Error")));
    paperEnd->setObjectName(QStringLiteral("paperEndMenu"));
    QObject::connect(paperEnd, &QMenu::aboutToShow, simulation, [simulation, paperEnd] {
        fillDeviceMenu(simulation, paperEnd, [simulation](QMenu* m, std::uint32_t location) {
            QAction* action = m->addAction(simulation->describe(location));
            action->setCheckable(true);
            action->setChecked(simulation->isPaperEnd(location));
            QObject::connect(action, &QAction::toggled, simulation,
                             [simulation, location](bool on) { simulation->setPaperEnd(location, on); });
        });
    });

    QMenu* held = menu->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Held by Another Program")));
    held->setObjectName(QStringLiteral("heldMenu"));
    QObject::connect(held, &QMenu::aboutToShow, simulation, [simulation, held] {
        fillDeviceMenu(simulation, held, [simulation](QMenu* m, std::uint32_t location) {
            QAction* action = m->addAction(simulation->describe(location));
            action->setCheckable(true);
            action->setChecked(simulation->isHeldByOtherProgram(location));
            QObject::connect(action, &QAction::toggled, simulation, [simulation, location](bool on) {
                simulation->setHeldByOtherProgram(location, on);
            });
        });
    });
    return menu;
}

} // namespace ui
