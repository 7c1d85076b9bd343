// The main window: the printer list (one row per printer, its colour tables included), the menus
// whose actions apply to the selected printer, and a context menu whose actions apply to the row it
// was opened on.
#pragma once

#include "platform/applicationwindow.h"

#include <QHash>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSet>

#include <memory>

class QAction;
class QLabel;
class QMenuBar;
class QPoint;
class QProgressBar;
class QTableView;
class TBPrinters;
class TBUSBPrinterZEV;

namespace platform {
class ListSelection;
} // namespace platform

namespace ui {

class HistoryWindow;
class PrinterListModel;

// Localises `menu`'s items (each item's submenu first, then its title and its tool tip; separators
// untouched), then the menu's own title, through the strings table.
void localizeItemsInMenu(QMenu* menu);
// The same for every top-level menu of a menu bar, which has no title of its own.
void localizeItemsInMenu(QMenuBar* menuBar);

class PrinterWindow : public QMainWindow, public platform::ApplicationWindow {
    Q_OBJECT
public:
    // `serialSwitch`: serial-switcher's list, whose USB serial-number cell is a check box.
    PrinterWindow(TBPrinters* controller, bool serialSwitch, QWidget* parent = nullptr);
    ~PrinterWindow() override;

    TBPrinters* controller() const;
    QTableView* tableView() const { return table_; }
    // The list's selection, as the controller follows it.
    platform::ListSelection* selection() const { return selection_; }
    PrinterListModel* listModel() const { return model_; }
    QAction* updateFirmwareAction() const { return updateAction_; }
    // "Update All Printers…" (printer-flasher only; null in serial-switcher's window).
    QAction* updateAllPrintersAction() const { return updateAllAction_; }
    QAction* refreshAction() const { return refreshAction_; }
    // "History…" (printer-flasher only; null in serial-switcher's window) and the window it opens,
    // null until first opened.
    QAction* historyAction() const { return historyAction_; }
    HistoryWindow* historyWindow() const { return historyWindow_; }
    QMenu* fileMenu() const { return fileMenu_; }
    // In the status bar: the progress of the update the operator follows (the selected printer's, or
    // else the first running one), hidden when none runs; and the last new phase of any update, which
    // assistive technology announces.
    QProgressBar* updateProgressBar() const { return updateProgress_; }
    QLabel* announcementLabel() const { return announcement_; }

    // The question asked when the window is closed while an update is under way; null when none is open.
    QMessageBox* openQuitQuestion() const { return quitQuestion_; }
    // The context menu of a row while it is open, else null. Its "refresh" and "updateFirmware"
    // actions act on the printer of the row it was opened on, whatever the selection.
    QMenu* openRowMenu() const { return rowMenu_; }

    // platform::ApplicationWindow, for the launch step.
    void localizeMainMenu() override;
    QString title() const override;
    void setTitle(const QString& title) override;
    int columnCount() const override;
    QString columnTitle(int column) const override;
    void setColumnTitle(int column, const QString& title) override;
    void redrawList() override;

signals:
    // A new phase of an update was put in the status bar for assistive technology to announce.
    void announced(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus(bool serialSwitch);
    void showHistory();
    void showRowMenu(const QPoint& position);
    void updateFirmware(const std::shared_ptr<TBUSBPrinterZEV>& printer);
    // Every listed printer that may be updated, side by side after one set of questions.
    void updateAllPrinters();
    void refresh(const std::shared_ptr<TBUSBPrinterZEV>& printer);
    void refreshActions();
    void askBeforeQuitting();
    // Follows every row's update: the status bar's progress, and an announcement for each new phase
    // (its outcome is told by its notice).
    void followUpdates();
    void announce(const QString& text);
    void localizeAccessibleTexts();
    // The window as wide as its columns, until the operator sizes it; the colour-table column takes
    // the room left when that holds its contents, else its contents' width (and the list scrolls).
    void scheduleColumnLayout();
    void layOutColumns();
    int lastColumnNeeds() const;

    QPointer<TBPrinters> controller_;
    QTableView* table_ = nullptr;
    PrinterListModel* model_ = nullptr;
    platform::ListSelection* selection_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* updateAction_ = nullptr;
    QAction* updateAllAction_ = nullptr;
    QAction* refreshAction_ = nullptr;
    QAction* historyAction_ = nullptr;
    HistoryWindow* historyWindow_ = nullptr; // a child: goes with the window
    QPointer<QMessageBox> quitQuestion_;
    bool quitConfirmed_ = false;
    QPointer<QMenu> rowMenu_;
    QProgressBar* updateProgress_ = nullptr;
    QLabel* announcement_ = nullptr;
    // What each printer's status cell said last, by device key: a change during an update is a new
    // phase to announce.
    QHash<QString, QString> statuses_;
    QSet<int> requestedWidths_;  // the widths the window asked for to show its columns
    bool operatorSized_ = false; // the operator gave the window a width: it grows no more
    bool columnLayoutScheduled_ = false;
};

} // namespace ui
