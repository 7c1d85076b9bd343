#include "platform/qt/printerwindow.h"

#include "Classes/TBPrinters.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "platform/qt/printerlistmodel.h"
#include "platform/qt/printerrow.h"
#include "platform/qt/translations.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace platform {

namespace {
constexpr int kRowHeight = PrinterListModel::kPictureSize + 8;
} // namespace

PrinterWindow::PrinterWindow(TBPrinters* controller, bool serialSwitch, QWidget* parent)
    : QMainWindow(parent), controller_(controller) {
    // The title of the window's description; the launch step replaces it with the process name.
    setWindowTitle(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Printers")));
    setObjectName(QStringLiteral("printerWindow"));

    model_ = new PrinterListModel(controller, serialSwitch, this);
    table_ = new QTableView;
    table_->setObjectName(QStringLiteral("printerTable"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setAlternatingRowColors(true);
    table_->setIconSize(QSize(PrinterListModel::kPictureSize, PrinterListModel::kPictureSize));
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);

    auto* details = new QGroupBox;
    auto* detailsLayout = new QVBoxLayout(details);
    detailsTitle_ = new QLabel;
    detailsTitle_->setObjectName(QStringLiteral("detailsTitle"));
    QFont titleFont = detailsTitle_->font();
    titleFont.setBold(true);
    detailsTitle_->setFont(titleFont);
    colourTables_ = new QTableWidget(0, 3);
    colourTables_->setObjectName(QStringLiteral("colourTables"));
    colourTables_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    colourTables_->setSelectionMode(QAbstractItemView::NoSelection);
    colourTables_->verticalHeader()->setVisible(false);
    colourTables_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    colourTables_->horizontalHeader()->setStretchLastSection(true);
    detailsLayout->addWidget(detailsTitle_);
    detailsLayout->addWidget(colourTables_);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(table_);
    splitter->addWidget(details);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    setCentralWidget(splitter);
    resize(1100, 520);

    buildMenus();

    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        refreshDetails();
        refreshActions();
    });
    auto follow = [this] {
        refreshDetails();
        refreshActions();
    };
    connect(model_, &QAbstractItemModel::dataChanged, this, follow);
    connect(model_, &QAbstractItemModel::rowsInserted, this, follow);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, follow);
    connect(model_, &QAbstractItemModel::modelReset, this, follow);
    connect(model_, &QAbstractItemModel::headerDataChanged, this, follow);
    refreshDetails();
    refreshActions();
}

void PrinterWindow::buildMenus() {
    // Titles are the English string-table keys; the launch step localises the whole menu bar.
    fileMenu_ = menuBar()->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "&Printer")));
    updateAction_ = fileMenu_->addAction(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Update Firmware…")));
    updateAction_->setObjectName(QStringLiteral("updateFirmware"));
    updateAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    updateAction_->setToolTip(QStringLiteral(
        QT_TRANSLATE_NOOP("TBPrinters", "Update the selected printer's firmware and colour tables")));
    connect(updateAction_, &QAction::triggered, this, &PrinterWindow::updateFirmware);

    refreshAction_ = fileMenu_->addAction(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Refresh")));
    refreshAction_->setObjectName(QStringLiteral("refresh"));
    refreshAction_->setShortcut(QKeySequence::Refresh);
    refreshAction_->setToolTip(
        QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Read the selected printer's information again")));
    connect(refreshAction_, &QAction::triggered, this, &PrinterWindow::refresh);

    fileMenu_->addSeparator();
    QAction* quit = fileMenu_->addAction(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Quit")));
    quit->setObjectName(QStringLiteral("quit"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void PrinterWindow::updateFirmware() {
    if (!controller_ || !controller_->selectedPrinter()) return;
    // The update flow is not part of this build yet: say so rather than do nothing.
    auto* box = new QMessageBox(
        QMessageBox::Information, QCoreApplication::translate("TBPrinters", "Update Firmware"),
        QCoreApplication::translate("TBPrinters", "Updating the firmware is not yet available."),
        QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("notYetAvailable"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    notice_ = box;
    box->open();
    emit noticeShown(box->text());
}

void PrinterWindow::refresh() {
    if (!controller_) return;
    if (const auto printer = controller_->selectedPrinter()) printer->updateInfo();
}

void PrinterWindow::refreshActions() {
    const bool selected = controller_ && controller_->selectedPrinter();
    updateAction_->setEnabled(selected);
    refreshAction_->setEnabled(selected);
}

void PrinterWindow::refreshDetails() {
    const auto printer = controller_ ? controller_->selectedPrinter() : nullptr;
    colourTables_->setHorizontalHeaderLabels({QCoreApplication::translate("TBPrinters", "Colour Table"),
                                              QCoreApplication::translate("TBPrinters", "Version"),
                                              QCoreApplication::translate("TBPrinters", "Checksum")});
    if (!printer) {
        detailsTitle_->setText(QCoreApplication::translate("TBPrinters", "No printer selected."));
        colourTables_->setRowCount(0);
        return;
    }
    const PrinterRow row = printerRow(*printer);
    if (row.colourTables.isEmpty()) {
        detailsTitle_->setText(
            QCoreApplication::translate("TBPrinters", "%1: no colour tables reported yet.").arg(row.name));
    } else {
        detailsTitle_->setText(
            QCoreApplication::translate("TBPrinters", "Colour tables of %1").arg(row.name));
    }
    colourTables_->setRowCount(int(row.colourTables.size()));
    for (int i = 0; i < row.colourTables.size(); ++i) {
        const ColourTableEntry& entry = row.colourTables.at(i);
        colourTables_->setItem(i, 0, new QTableWidgetItem(entry.table));
        colourTables_->setItem(i, 1, new QTableWidgetItem(entry.version));
        colourTables_->setItem(i, 2, new QTableWidgetItem(entry.checksum));
    }
}

void PrinterWindow::closeEvent(QCloseEvent* event) {
    if (controller_ &&
        controller_->applicationShouldTerminateAfterLastWindowClosed(QCoreApplication::instance())) {
        controller_->applicationShouldTerminate();
    }
    QMainWindow::closeEvent(event);
}

} // namespace platform
