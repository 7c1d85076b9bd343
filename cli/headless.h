// Runs without a window: listing the printers, checking the package and image files, updating a
// printer and switching its USB serial-number report, from the command line. The work goes through
// the same printer objects, update flow, questions and texts as the window; questions are asked on
// the terminal (see cli::HeadlessPresenter), results go to standard output, the rest to standard
// error.
#pragma once

#include "cli/options.h"

class QObject;

namespace ui {
class Simulation;
} // namespace ui

namespace cli {

// Main thread, with the application object made and its event loop not yet running. Returns the
// program's exit code.
int runHeadless(const Options& options);

// The bus the run works on, made current: the printers of --simulate, plugged in (the simulation
// is made under `parent` and returned), or the USB bus (nullptr), whose updates under way are carried
// on when `resumeUpdates`. `listedPrinters` learns how many simulated printers this program lists.
ui::Simulation* setUpBus(const Options& options, QObject* parent, bool resumeUpdates,
                         int* listedPrinters = nullptr);

// Before the application object: the diagnostics leave standard error for a command without
// --verbose, and the log facility writes the --log-file, or without one defaultLogFile(), rolled when
// large, with the platform log lines copied into it. False, with the reason in `error`, when the
// --log-file cannot be opened; a default one that cannot be opened is only logged.
bool setUpLogging(const Options& options, QString* error);
// $XDG_STATE_HOME/<program>/<program>.log: where the log goes without --log-file.
QString defaultLogFile();

// Opens the update history the run records into and reads (the simulated printers keep theirs apart).
// What went wrong with it is reported on standard error for a command, and in a notice once the
// window's event loop runs.
void openHistory(const Options& options);

} // namespace cli
