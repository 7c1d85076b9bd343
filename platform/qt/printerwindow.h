// The main window: the printer list, a details pane with the selected printer's colour tables, and
// the menus whose actions apply to the selected printer.
#pragma once

#include <QMainWindow>
#include <QPointer>

class QAction;
class QLabel;
class QMenu;
class QTableView;
class QTableWidget;
class TBPrinters;

namespace platform {

class PrinterListModel;

class PrinterWindow : public QMainWindow {
    Q_OBJECT
public:
    // `serialSwitch`: serial-switcher's list, whose USB serial-number cell is a check box.
    PrinterWindow(TBPrinters* controller, bool serialSwitch, QWidget* parent = nullptr);

    QTableView* tableView() const { return table_; }
    PrinterListModel* listModel() const { return model_; }
    QTableWidget* colourTableView() const { return colourTables_; }
    QAction* updateFirmwareAction() const { return updateAction_; }
    QAction* refreshAction() const { return refreshAction_; }
    QMenu* fileMenu() const { return fileMenu_; }

    // The notice shown while the update flow is not part of this build; null when none is open.
    QWidget* openNotice() const { return notice_; }

signals:
    void noticeShown(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void updateFirmware();
    void refresh();
    void refreshDetails();
    void refreshActions();

    QPointer<TBPrinters> controller_;
    QTableView* table_ = nullptr;
    PrinterListModel* model_ = nullptr;
    QLabel* detailsTitle_ = nullptr;
    QTableWidget* colourTables_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* updateAction_ = nullptr;
    QAction* refreshAction_ = nullptr;
    QPointer<QWidget> notice_;
};

} // namespace platform
