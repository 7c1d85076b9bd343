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
// --verbose, and with --log-file the log facility writes that file (rolled when large) and the
// platform log lines are copied into it. False, with the reason in `error`, when the file cannot be
// opened.
bool setUpLogging(const Options& options, QString* error);

} // namespace cli
