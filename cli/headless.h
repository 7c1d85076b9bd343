// Runs without a window: listing the printers, checking the package and image files, updating a
// printer and switching its USB serial-number report, from the command line. The work goes through
// the same printer objects, update flow, questions and texts as the window; questions are asked on
// the terminal (see cli::HeadlessPresenter), results go to standard output, the rest to standard
// error.
#pragma once

#include "app/startup.h"
#include "cli/options.h"

namespace cli {

// Main thread, with the application object made and its event loop not yet running. Returns the
// program's exit code.
int runHeadless(const Options& options);

// What the start of a run takes from the command line's options.
app::RunSettings runSettings(const Options& options);

// Opens the update history a command records into or reads; what went wrong with it is said on
// standard error.
void openHistory(const Options& options);

} // namespace cli
