// Saving a picture of the window once its rows are filled: used by the smoke test and the start-up
// benchmark (`--screenshot FILE`).
#pragma once

#include <QString>

#include <functional>

namespace ui {

class PrinterWindow;

// Waits on the main thread until the list shows `expectedRows` rows whose printers have all finished
// their information probe (or `timeoutMs` passes), then saves the window as a PNG to `file` and calls
// `done` with whether the rows were all filled and the file was written.
void saveScreenshotWhenReady(PrinterWindow* window, int expectedRows, const QString& file, int timeoutMs,
                             std::function<void(bool ok)> done);

// True when the window lists `rows` printers and each has finished its probe.
bool windowShowsRows(PrinterWindow* window, int rows);

} // namespace ui
