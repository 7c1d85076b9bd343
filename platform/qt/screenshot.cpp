#include "platform/qt/screenshot.h"

#include "platform/qt/printerlistmodel.h"
#include "platform/qt/printerwindow.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QPointer>
#include <QTableView>
#include <QTimer>

#include <memory>

namespace platform {

namespace {
constexpr int kPollMs = 20;
} // namespace

bool windowShowsRows(PrinterWindow* window, int rows) {
    if (!window) return false;
    PrinterListModel* model = window->listModel();
    if (model->rowCount() != rows) return false;
    for (int row = 0; row < rows; ++row) {
        if (model->data(model->index(row, PrinterListModel::FirmwareColumn)).toString().isEmpty())
            return false;
    }
    return true;
}

void saveScreenshotWhenReady(PrinterWindow* window, int expectedRows, const QString& file, int timeoutMs,
                             std::function<void(bool ok)> done) {
    QPointer<PrinterWindow> target(window);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto* timer = new QTimer(window);
    timer->setInterval(kPollMs);
    QObject::connect(timer, &QTimer::timeout, window, [=] {
        const bool ready = windowShowsRows(target, expectedRows);
        if (!ready && clock->elapsed() < timeoutMs) return;
        timer->stop();
        timer->deleteLater();
        bool saved = false;
        if (target) {
            target->tableView()->resizeColumnsToContents();
            saved = target->grab().save(file, "PNG");
        }
        if (done) done(ready && saved);
    });
    timer->start();
}

} // namespace platform
