// How a run of either program starts, with a window or without: the log, the update history, the bus
// (the USB bus or the demo's simulated printers) and then the printers themselves, in one order.
#pragma once

#include "app/simulation.h"
#include "devicemodel/SimZEVModel.h"
#include "platform/usb/capture/ReplayBus.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class TBPrinters;

namespace platform {
class AlertPresenter;
class ApplicationWindow;
} // namespace platform

namespace app {

// What a run asks of its start, whichever front end it has.
struct RunSettings {
    bool simulate = false;                         // the demo's simulated printers instead of USB
    std::vector<sim::SimZEVModel> simulatedModels; // empty: the program's demo printers
    // Instant for tests; the command line's --simulate asks for the realistic pace.
    SimulationPace simulationPace = SimulationPace::Instant;
    // Where the simulated printers are kept between runs, with the record of updates under way;
    // empty: they live as long as the run.
    QString simulationStateDirectory;
    QString logFile;                        // empty: defaultLogFile()
    QString captureFile;                    // the printers' USB traffic is recorded here; empty: not
    bool captureFullUploads = false;        // the capture keeps uploads (image, colour tables) in full
    bool diagnosticsOnStandardError = true; // false: a command that prints its own output
    // A run that only looks at the printers (a listing): simulated printers kept between runs are
    // read as they were left and never written back, so that it cannot undo what a run that updates
    // them at the same time writes.
    bool observeOnly = false;
    // --simulate-from: the printers of a capture, read before the run, instead of the USB bus or the
    // simulation; `replayFrom` is the file they were read from.
    QString replayFrom;
    std::shared_ptr<const std::vector<usb::capture::Record>> replayRecords;
    bool replayTiming = false; // --replay-timing: at the captured pace
};

// Reads the capture `path` for --simulate-from. Nothing, with the reason in `error`, when it cannot be
// read or is no capture.
std::shared_ptr<const std::vector<usb::capture::Record>> readReplay(const QString& path, QString* error);

// $XDG_STATE_HOME/<program>/<program>.log: where the log goes without a chosen file.
QString defaultLogFile();

// Before the application object: the diagnostics leave standard error unless asked for, and the log
// facility writes the chosen log file, or without one defaultLogFile(), rolled when large, with the
// platform log lines copied into it. False, with the reason in `error`, when a chosen log file cannot
// be used; a default one that cannot be opened is only logged.
bool setUpLogging(const RunSettings& settings, QString* error);

// Starts recording the printers' USB traffic into the run's capture file, when it has one, before
// the bus exists (so the printers' arrivals come first). False, with the reason in `error`, when the
// file cannot be written. The capture is written as the run goes and closed by stopCapture().
bool startCapture(const RunSettings& settings, QString* error);
// Closes the capture file, with what it holds; safe without one. A fault met while writing it is
// returned, empty when there was none.
QString stopCapture();

// Opens the update history the run records into and reads (the simulated printers keep theirs
// apart). Returns what went wrong with it, empty when nothing did; the front end says it.
QString openHistory(const RunSettings& settings);
// The database openHistory() opens, for a run that only reads it.
QString historyPath(const RunSettings& settings);

// One run's printers: the bus made current (the simulated printers plugged in), the discovery
// controller, and the alert presenter, started in the one order both front ends use.
class Run : public QObject {
public:
    // The bus, then the controller (printer objects and the controller take the bus when they are
    // made). `resumeUpdates`: the updates recorded as under way are carried on (printer-flasher's
    // window and its --update); otherwise the record is only read to leave alone the printers another
    // instance is updating.
    Run(const RunSettings& settings, bool resumeUpdates, QObject* parent = nullptr);
    // Ends the controller's work and takes the presenter back.
    ~Run() override;

    TBPrinters& controller() { return *controller_; }
    // The demo's simulated printers, or nullptr on the USB bus.
    Simulation* simulation() const { return simulation_; }
    // How many of the simulated printers this program lists (those of models it drives).
    int listedSimulatedPrinters() const { return listedSimulatedPrinters_; }
    // The bus replaying a capture (--simulate-from), or nullptr.
    std::shared_ptr<usb::capture::ReplayBus> replay() const { return replay_; }

    // Main thread, once: the presenter is installed, the updates under way are read from their record
    // (before discovery, so that each printer's start-up probe finds its update where it stood), and
    // discovery starts. `window` is nullptr for a run without one; with one, where a replayed capture
    // and the run part is told in an alert as well as logged.
    void start(std::shared_ptr<platform::AlertPresenter> presenter, platform::ApplicationWindow* window);

private:
    Simulation* simulation_ = nullptr;
    std::shared_ptr<usb::capture::ReplayBus> replay_;
    int listedSimulatedPrinters_ = 0;
    bool resumeUpdates_ = false;
    TBPrinters* controller_ = nullptr;
};

} // namespace app
