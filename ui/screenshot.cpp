#include "ui/screenshot.h"

#include "Classes/TBPrinters.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "app/printerrow.h"
#include "ui/printerlistmodel.h"
#include "ui/printerwindow.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace ui {

namespace {
constexpr int kPollMs = 20;
} // namespace

bool windowShowsRows(PrinterWindow* window, int rows) {
    if (!window || !window->controller()) return false;
    const TBPrinters& controller = *window->controller();
    if (window->listModel()->rowCount() != rows || controller.printerCount() != rows) return false;
    for (int row = 0; row < rows; ++row) {
        const auto printer = controller.printerAt(row);
        if (!printer || !app::probeFinished(*printer)) return false;
    }
    return true;
}

void saveScreenshotWhenReady(PrinterWindow* window, int expectedRows, const QString& file, int timeoutMs,
                             std::function<void(bool ok)> done) {
    QPointer<PrinterWindow> target(window);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    // Set on the first tick that finds every probe finished; the picture is taken one tick later.
    auto reloaded = std::make_shared<bool>(false);
    auto* timer = new QTimer(window);
    timer->setInterval(kPollMs);
    QObject::connect(timer, &QTimer::timeout, window, [=] {
        const bool ready = windowShowsRows(target, expectedRows);
        if (ready && !*reloaded) {
            // The probe's last announcements may still be on their way to the list: read every row
            // afresh and give the view one tick to lay the rows out (and the closed notice to arrive).
            *reloaded = true;
            target->listModel()->reloadRows();
            return;
        }
        if (!ready && clock->elapsed() < timeoutMs) return;
        timer->stop();
        timer->deleteLater();
        const bool saved = target && target->grab().save(file, "PNG");
        if (done) done(ready && saved);
    });
    timer->start();
}

} // namespace ui
