// Demo mode: the simulated USB bus with printers of the family on it, which the window's "Simulation"
// menu plugs in and out, puts into an error state or lets another program hold, so the list can be
// watched following the bus. Main thread only.
#pragma once

#include "devicemodel/SimZEVModel.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class TBPrinters;

namespace sim {
class SimBus;
class SimPrinterDevice;
class SimZEVPrinter;
} // namespace sim

namespace app {

class Simulation : public QObject {
    Q_OBJECT
public:
    // Location id of the first simulated port: bus 1 in the top byte, port 1 in the next nibble.
    static constexpr std::uint32_t kFirstLocation = 0x01100000;
    static constexpr std::uint32_t kPortStep = 0x00100000;
    static constexpr int kPortCount = 15;

    explicit Simulation(QObject* parent = nullptr);
    ~Simulation() override;

    std::shared_ptr<sim::SimBus> bus() const { return bus_; }

    // Makes a simulated printer of `model` on the given port (its command set answers as the model does).
    static std::shared_ptr<sim::SimPrinterDevice>
    makePrinter(sim::SimZEVModel model, std::uint32_t locationId,
                std::shared_ptr<sim::SimZEVPrinter>* commandSet = nullptr);

    // Plugs a printer of `model` into the first free port; its location id, or 0 when all are taken.
    // `inUpdateMode`: the printer waits in its firmware-update mode for an image, as one does whose
    // update was cut short.
    std::uint32_t plugIn(sim::SimZEVModel model, bool inUpdateMode = false);
    void unplug(std::uint32_t locationId);
    // Power off and on: the printer leaves the bus and comes back, with a changed USB serial-number
    // switch in effect.
    void powerCycle(std::uint32_t locationId);
    // The printer reports "Paper End" (or idle again) from its next status answer on.
    void setPaperEnd(std::uint32_t locationId, bool on);
    bool isPaperEnd(std::uint32_t locationId) const;
    // Another program claims (or lets go of) the printer's interface.
    void setHeldByOtherProgram(std::uint32_t locationId, bool held);
    bool isHeldByOtherProgram(std::uint32_t locationId) const;
    std::vector<std::uint32_t> locations() const;
    QString describe(std::uint32_t locationId) const;

    // The printers the demo of the running program starts with.
    static std::vector<sim::SimZEVModel> startingModels(bool serialSwitcher);

    // A simulated printer whose condition changed is asked again by `controller`, as an operator's
    // Refresh would.
    void followWith(TBPrinters* controller);

signals:
    // A simulated printer's own state changed (not its presence): the list should ask it again.
    void printerStateChanged(std::uint32_t locationId);

private:
    struct Slot;
    Slot* slot(std::uint32_t locationId);
    const Slot* slot(std::uint32_t locationId) const;

    std::shared_ptr<sim::SimBus> bus_;
    std::vector<std::unique_ptr<Slot>> slots_;
};

} // namespace app
