// The operator dialogs in the window: the Qt presenter of the alerts the logic describes.
#pragma once

#include "platform/dialogs.h"

#include <memory>

class QWidget;

namespace ui {

// QMessageBox: a window-modal sheet on the main window (application-modal when there is no visible
// main window), or application-modal. Never runs a nested event loop.
class QtAlertPresenter : public platform::AlertPresenter {
public:
    explicit QtAlertPresenter(QWidget* mainWindow = nullptr);
    ~QtAlertPresenter() override;
    void setMainWindow(QWidget* mainWindow);
    void present(std::shared_ptr<platform::Alert> alert) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace ui
