// The programs' command line: what a run was asked to do, read from the arguments before any
// application object exists (so a run without a window never touches the window system).
#pragma once

#include "app/simulation.h"
#include "devicemodel/SimZEVModel.h"
#include "platform/usb/capture/capture.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class Edition;

namespace cli {

// The exit codes of both programs.
enum ExitCode : int {
    kExitDone = 0,
    kExitFailed = 1,
    kExitUsage = 2,
    kExitNothingToDo = 3,
    kExitNoPrinter = 4,
};

struct Options {
    enum class Command {
        Window,
        Help,
        Version,
        List,
        VerifyPackage,
        CheckSrec,
        Update,
        SetUsbSerial,
        History
    };
    Command command = Command::Window;

    bool simulate = false;
    std::vector<sim::SimZEVModel> simulatedModels;                       // empty: the program's demo printers
    app::SimulationPace simulationPace = app::SimulationPace::Realistic; // --simulate-pace
    QString simulationState;   // --simulate-state DIR (implies simulate)
    QString replayFrom;        // --simulate-from FILE: the printers of a capture instead of the USB bus
    bool replayTiming = false; // --replay-timing: at the captured pace
    // The capture's records, read by readReplay() before the run starts.
    std::shared_ptr<const std::vector<usb::capture::Record>> replayRecords;
    bool json = false;
    bool metrics = false; // --list --metrics[=FILE]: the Prometheus text exposition format
    QString metricsFile;  // written atomically; empty: standard output
    bool yes = false;
    bool verbose = false;
    QString logFile;
    QString capture;             // --capture FILE: the printers' USB traffic, as a pcap file
    bool captureUploads = false; // --capture-uploads: the uploads (image, colour tables) in full
    QString screenshot;
    QString checkSrecFile;
    QString key;      // --update KEY, --set-usb-serial on|off KEY
    QStringList keys; // --update KEY KEY...: every key given, in order, the first one being `key`
    bool all = false; // --update --all
    bool usbSerialOn = false;

    bool headless() const { return command != Command::Window; }
};

// Reads the arguments (argv[0] first). Nothing when they are not understood: `error` then says why
// (the run ends with kExitUsage).
std::optional<Options> parseArguments(const QStringList& arguments, const Edition& edition, QString* error);

// Reads the capture --simulate-from names, when it names one, into `options`. False, with the reason
// in `error`, when it cannot be read (the run ends with kExitUsage).
bool readReplay(Options& options, QString* error);

// The text of --help for the edition, with `program` as the name in its usage line.
QString helpText(const Edition& edition, const QString& program);

} // namespace cli
