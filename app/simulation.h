// Demo mode: the simulated USB bus with printers of the family on it, which the window's "Simulation"
// menu plugs in and out, puts into an error state or lets another program hold, so the list can be
// watched following the bus. The printers can be kept in a folder, so that they outlive the program
// as real ones do. Main thread only.
#pragma once

#include "devicemodel/SimZEVModel.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class TBPrinters;

namespace sim {
class SimBus;
class SimPrinterDevice;
class SimZEVPrinter;
} // namespace sim

namespace app {

// How long the simulated printers take for what takes time on a real one.
enum class SimulationPace {
    Instant,   // restarts in a moment, transfers and programming take no time: for tests
    Realistic, // restarts of a few seconds, the upload a few seconds, programming in proportion to the
               // image: an HVC update takes about a minute, and each of its phases can be watched
};

class Simulation : public QObject {
    Q_OBJECT
public:
    // Location id of the first simulated port: bus 1 in the top byte, port 1 in the next nibble.
    static constexpr std::uint32_t kFirstLocation = 0x01100000;
    static constexpr std::uint32_t kPortStep = 0x00100000;
    static constexpr int kPortCount = 15; // on each bus
    static constexpr std::uint32_t kBusStep = 0x01000000;
    static constexpr int kBusCount = 8;
    static constexpr int kPrinterLimit = kPortCount * kBusCount;
    // The location id of the port with the 0-based `index`: port 1 + index % 15 of bus 1 + index / 15,
    // so the first 15 are bus 1's ports 1 to 15.
    static constexpr std::uint32_t locationOf(int index) {
        return kFirstLocation + std::uint32_t(index / kPortCount) * kBusStep +
               std::uint32_t(index % kPortCount) * kPortStep;
    }
    // The number (from 1) of the port at `locationId` among all of the simulation's, or 0.
    static int portNumber(std::uint32_t locationId);

    explicit Simulation(SimulationPace pace = SimulationPace::Instant, QObject* parent = nullptr);
    ~Simulation() override;

    // From now on the printers, and each one's state whenever it changes, are kept in `directory`
    // (made when missing): one file per port and a list of the ports and their models. The printers
    // kept there already come back, at their ports and as they were left (a printer that was
    // programming an image has gone on with it meanwhile); with none kept, those of `models` are
    // plugged in. Returns what went wrong, one sentence each (a damaged file is set aside, and its
    // printer starts from the factory state); the printers are plugged in either way. `observeOnly`:
    // printers kept there already are read and never written back (another run may be changing
    // them); a folder with none is made as usual.
    QStringList keepIn(const QString& directory, const std::vector<sim::SimZEVModel>& models,
                       bool observeOnly = false);
    // updates-under-way.json in the folder the printers are kept in; empty when they are not kept.
    QString updatesUnderWayFile() const;

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
    sim::SimZEVModel model(std::uint32_t locationId) const;
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
    struct Kept;
    struct Keeper;
    Slot* slot(std::uint32_t locationId);
    const Slot* slot(std::uint32_t locationId) const;
    // Plugs a printer of `model` into the port at `location`, as it was kept when `kept` is given.
    std::uint32_t plugInAt(std::uint32_t location, sim::SimZEVModel model, bool inUpdateMode,
                           const std::optional<Kept>& kept);
    void keep(const Slot& slot);
    void keepList();

    SimulationPace pace_;
    std::shared_ptr<sim::SimBus> bus_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::shared_ptr<Keeper> keeper_; // nullptr: nothing is kept
};

} // namespace app
