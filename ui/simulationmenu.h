// The demo's "Simulation" menu: plugs simulated printers in and out, puts one into an error state and
// lets another program hold one. Its submenus are rebuilt each time they open. Main thread only.
#pragma once

class QMenu;
class QWidget;

namespace app {
class Simulation;
} // namespace app

namespace ui {

QMenu* createSimulationMenu(app::Simulation* simulation, QWidget* parent);

} // namespace ui
