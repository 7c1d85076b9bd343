#include "ui/printerwindow.h"

#include "Classes/TBPrinters.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/UpdateBatch.h"
#include "app/printerrow.h"
#include "platform/queue.h"
#include "platform/strings.h"
#include "ui/historywindow.h"
#include "ui/itemselection.h"
#include "ui/printerlistmodel.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStyleOptionProgressBar>
#include <QStyledItemDelegate>
#include <QTableView>

#include <algorithm>
#include <utility>

namespace ui {

using app::printerRow;
using app::PrinterRow;

namespace {

constexpr int kRowHeight = PrinterListModel::kPictureSize + 8;
constexpr int kLinePadding = 3;

// The colour-table cell holds up to four lines; the row keeps a little air above and below them.
class ColourTablesDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 2 * kLinePadding);
    }
};

// The printer-status cell: while an update runs, a progress bar over the whole update that carries
// the status text saying what the printer is doing.
class PrinterStatusDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int progress = index.data(PrinterListModel::UpdateProgressRole).toInt();
        if (progress < 0 || !index.data(PrinterListModel::UpdatingRole).toBool()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionProgressBar bar;
        bar.rect = option.rect.adjusted(2, option.rect.height() / 4, -2, -option.rect.height() / 4);
        bar.minimum = 0;
        bar.maximum = kProgressSteps;
        bar.progress = progress;
        bar.text = PrinterListModel::progressText(progress, index.data().toString());
        bar.textVisible = true;
        bar.state = option.state | QStyle::State_Horizontal;
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        // Room for the percentage before the longest status text.
        size.rwidth() += option.fontMetrics.horizontalAdvance(QStringLiteral("100 % ")) + 8;
        return size;
    }

    static constexpr int kProgressSteps = 1000;
};

// A menu title as Qt makes an item's default tool tip of it: without mnemonic marks and "...".
QString strippedTitle(QString title) {
    title.remove(QStringLiteral("..."));
    QString stripped;
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (title.at(i) == QLatin1Char('&')) {
            if (++i == title.size()) break;
        }
        stripped += title.at(i);
    }
    return stripped.trimmed();
}

void localizeMenuItem(QAction* item) {
    if (!item || item->isSeparator()) return;
    if (QMenu* submenu = item->menu()) localizeItemsInMenu(submenu);
    const QString title = platform::localizedString(item->text());
    if (title != item->text()) item->setText(title);
    // Without a tool tip of its own an item answers its title, stripped of its mnemonic: that one
    // follows the title by itself.
    const QString tip = item->toolTip();
    if (tip.isEmpty() || tip == strippedTitle(item->text())) return;
    const QString localizedTip = platform::localizedString(tip);
    if (localizedTip != tip) item->setToolTip(localizedTip);
    // The status bar shows it while the item is highlighted.
    item->setStatusTip(localizedTip);
}

} // namespace

void localizeItemsInMenu(QMenu* menu) {
    if (!menu) return;
    for (QAction* item : menu->actions())
        localizeMenuItem(item);
    const QString title = platform::localizedString(menu->title());
    if (title != menu->title()) menu->setTitle(title);
}

void localizeItemsInMenu(QMenuBar* menuBar) {
    if (!menuBar) return;
    for (QAction* item : menuBar->actions())
        localizeMenuItem(item);
}

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
    table_->setWordWrap(false);
    table_->setIconSize(QSize(PrinterListModel::kPictureSize, PrinterListModel::kPictureSize));
    table_->verticalHeader()->setVisible(false);
    // Rows are as high as the picture, or as the colour-table lines of an eight-table printer.
    table_->verticalHeader()->setMinimumSectionSize(kRowHeight);
    table_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Every column as wide as its title and cells; the colour-table column also takes the room that
    // is left, when there is any (layOutColumns): a window too narrow for them all scrolls instead of
    // cutting a title short.
    table_->setItemDelegateForColumn(PrinterListModel::ColourTablesColumn, new ColourTablesDelegate(table_));
    table_->setItemDelegateForColumn(PrinterListModel::PrinterStatusColumn,
                                     new PrinterStatusDelegate(table_));
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this, &PrinterWindow::showRowMenu);
    // Tab leaves the list instead of walking its cells; the arrow keys walk them.
    table_->setTabKeyNavigation(false);
    setCentralWidget(table_);
    table_->viewport()->installEventFilter(this);
    table_->installEventFilter(this);
    selection_ = new ItemSelection(table_->selectionModel(), this);
    resize(1240, 400);

    announcement_ = new QLabel;
    announcement_->setObjectName(QStringLiteral("announcement"));
    announcement_->setTextFormat(Qt::PlainText);
    updateProgress_ = new QProgressBar;
    updateProgress_->setObjectName(QStringLiteral("updateProgress"));
    updateProgress_->setRange(0, 100);
    updateProgress_->setMaximumWidth(240);
    updateProgress_->hide();
    statusBar()->addWidget(announcement_, 1);
    statusBar()->addPermanentWidget(updateProgress_);

    buildMenus(serialSwitch);
    localizeAccessibleTexts();

    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PrinterWindow::refreshActions);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &PrinterWindow::refreshActions);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &PrinterWindow::refreshActions);
    connect(model_, &QAbstractItemModel::modelReset, this, &PrinterWindow::refreshActions);
    connect(model_, &QAbstractItemModel::dataChanged, this, &PrinterWindow::refreshActions);
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model_, changed, this, &PrinterWindow::followUpdates);
    connect(model_, &QAbstractItemModel::modelReset, this, &PrinterWindow::followUpdates);
    connect(model_, &QAbstractItemModel::dataChanged, this, &PrinterWindow::followUpdates);
    // Titles in the operator's language (the launch step), and rows whose contents widen a column.
    connect(model_, &QAbstractItemModel::headerDataChanged, this, &PrinterWindow::scheduleColumnLayout);
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this,
            &PrinterWindow::scheduleColumnLayout);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PrinterWindow::followUpdates);
    refreshActions();
}

PrinterWindow::~PrinterWindow() {
    // The list goes with the window's base, after this part of it: what it tells on its way out
    // (the rows it drops, its sections' last sizes) is for nobody here.
    for (QObject* sender :
         std::initializer_list<QObject*>{model_, table_->horizontalHeader(), table_->selectionModel()})
        disconnect(sender, nullptr, this, nullptr);
    table_->removeEventFilter(this);
    table_->viewport()->removeEventFilter(this);
}

bool PrinterWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_->viewport() && event->type() == QEvent::Resize) scheduleColumnLayout();
    // The menu key (or Shift+F10) opens the menu of the row the keyboard is on, wherever the mouse is.
    if (watched == table_ && event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        const QModelIndex current = table_->currentIndex();
        if (current.isValid()) showRowMenu(table_->visualRect(current).center());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

int PrinterWindow::lastColumnNeeds() const {
    const int last = PrinterListModel::ColumnCount - 1;
    QStyleOptionViewItem option;
    option.initFrom(table_->viewport());
    int needed = table_->horizontalHeader()->sectionSizeHint(last);
    for (int row = 0; row < model_->rowCount(); ++row) {
        const QModelIndex index = model_->index(row, last);
        needed = std::max(needed, table_->itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    return needed;
}

void PrinterWindow::scheduleColumnLayout() {
    // Once the header is done: it tells of each section it resizes while it is still resizing others.
    if (std::exchange(columnLayoutScheduled_, true)) return;
    QMetaObject::invokeMethod(this, &PrinterWindow::layOutColumns, Qt::QueuedConnection);
}

void PrinterWindow::layOutColumns() {
    columnLayoutScheduled_ = false;
    // The sections' sizes as the header last laid them out: a change it makes later comes back here.
    QHeaderView* header = table_->horizontalHeader();
    const int last = PrinterListModel::ColumnCount - 1;
    const int others = header->length() - header->sectionSize(last);
    const int needed = lastColumnNeeds();

    // The window grows, within the screen, to show every column as the titles of the operator's
    // language and the rows come in, until the operator gives it a size. (Before it is shown its list
    // is not laid out: the list is the window's whole width, inside its frame.)
    const int around = isVisible() ? width() - table_->viewport()->width() : 2 * table_->frameWidth();
    int wanted = others + needed + around;
    if (const QScreen* screen = this->screen())
        wanted = std::min(wanted, screen->availableGeometry().width());
    if (!operatorSized_ && wanted > width()) {
        requestedWidths_.insert(wanted);
        resize(wanted, height());
    }

    const auto mode =
        table_->viewport()->width() - others >= needed ? QHeaderView::Stretch : QHeaderView::ResizeToContents;
    if (header->sectionResizeMode(last) != mode) header->setSectionResizeMode(last, mode);
}

void PrinterWindow::resizeEvent(QResizeEvent* event) {
    // A width the window system gives that this window never asked for is the operator's.
    if (event->spontaneous() && !requestedWidths_.isEmpty() &&
        !requestedWidths_.contains(event->size().width()))
        operatorSized_ = true;
    QMainWindow::resizeEvent(event);
}

void PrinterWindow::localizeAccessibleTexts() {
    table_->setAccessibleName(QCoreApplication::translate("TBPrinters", "Printers"));
    table_->setAccessibleDescription(QCoreApplication::translate(
        "TBPrinters", "The supported printers on the USB bus, one per row. Each row tells the printer, "
                      "its status, its firmware and the progress of its update."));
    updateProgress_->setAccessibleName(QCoreApplication::translate("TBPrinters", "Update progress"));
}

void PrinterWindow::followUpdates() {
    if (!controller_) return;
    const auto selected = controller_->selectedPrinter();
    int followed = -1;
    for (int row = 0; row < model_->rowCount(); ++row) {
        const auto printer = controller_->printerAt(row);
        if (!printer) continue;
        const QModelIndex status = model_->index(row, PrinterListModel::PrinterStatusColumn);
        const QString phase = status.data().toString();
        // By the printer's place on the bus, which its restarts keep: the printer object changes.
        QString& said = statuses_[printer->keyUSBdevice()];
        const bool changed = std::exchange(said, phase) != phase;
        if (!status.data(PrinterListModel::UpdatingRole).toBool()) continue;
        if (followed < 0 || printer == selected) followed = row;
        // The outcome is told by its notice, which is announced as an alert.
        if (changed) {
            announce(QCoreApplication::translate("TBPrinters", "%1: %2")
                         .arg(model_->index(row, PrinterListModel::PrinterColumn).data().toString(), phase));
        }
    }

    updateProgress_->setVisible(followed >= 0);
    if (followed < 0) return;
    const QModelIndex status = model_->index(followed, PrinterListModel::PrinterStatusColumn);
    const int permille = std::max(0, status.data(PrinterListModel::UpdateProgressRole).toInt());
    updateProgress_->setValue(permille / 10);
    const QString description =
        QCoreApplication::translate("TBPrinters", "%1: %2")
            .arg(model_->index(followed, PrinterListModel::PrinterColumn).data().toString(),
                 status.data().toString());
    if (updateProgress_->accessibleDescription() != description)
        updateProgress_->setAccessibleDescription(description);
}

void PrinterWindow::announce(const QString& text) {
    // The label's new name is what assistive technology hears on this Qt; newer ones announce it too.
    announcement_->setText(text);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(announcement_, text);
    QAccessible::updateAccessibility(&event);
#endif
    emit announced(text);
}

void PrinterWindow::buildMenus(bool serialSwitch) {
    // Titles are the English string-table keys; the launch step localises the whole menu bar.
    fileMenu_ = menuBar()->addMenu(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "&Printer")));
    updateAction_ = fileMenu_->addAction(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Update Firmware…")));
    updateAction_->setObjectName(QStringLiteral("updateFirmware"));
    updateAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    updateAction_->setToolTip(QStringLiteral(
        QT_TRANSLATE_NOOP("TBPrinters", "Update the selected printer's firmware and colour tables")));
    connect(updateAction_, &QAction::triggered, this, [this] {
        if (controller_) updateFirmware(controller_->selectedPrinter());
    });

    if (!serialSwitch) {
        updateAllAction_ =
            fileMenu_->addAction(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Update All Printers…")));
        updateAllAction_->setObjectName(QStringLiteral("updateAllPrinters"));
        updateAllAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));
        updateAllAction_->setToolTip(QStringLiteral(QT_TRANSLATE_NOOP(
            "TBPrinters", "Update the firmware and colour tables of every listed printer at the same time")));
        connect(updateAllAction_, &QAction::triggered, this, &PrinterWindow::updateAllPrinters);
    }

    refreshAction_ = fileMenu_->addAction(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Refresh")));
    refreshAction_->setObjectName(QStringLiteral("refresh"));
    refreshAction_->setShortcut(QKeySequence::Refresh);
    refreshAction_->setToolTip(
        QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Read the selected printer's information again")));
    connect(refreshAction_, &QAction::triggered, this, [this] {
        if (controller_) refresh(controller_->selectedPrinter());
    });

    if (!serialSwitch) {
        historyAction_ = fileMenu_->addAction(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "History…")));
        historyAction_->setObjectName(QStringLiteral("history"));
        historyAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
        historyAction_->setToolTip(QStringLiteral(QT_TRANSLATE_NOOP(
            "TBPrinters", "Show the firmware updates made on this computer and export them for support")));
        connect(historyAction_, &QAction::triggered, this, &PrinterWindow::showHistory);
    }

    fileMenu_->addSeparator();
    QAction* quit = fileMenu_->addAction(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Quit")));
    quit->setObjectName(QStringLiteral("quit"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void PrinterWindow::showRowMenu(const QPoint& position) {
    // The selection always returns to the first row, so the row's own menu is how the operator
    // reaches any other printer. The menu holds the printer weakly: one unplugged meanwhile is left
    // alone.
    const QModelIndex index = table_->indexAt(position);
    const auto printer = controller_ && index.isValid() ? controller_->printerAt(index.row()) : nullptr;
    if (!printer) return;
    if (rowMenu_) rowMenu_->close();

    const PrinterRow row = printerRow(*printer);
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("rowMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(row.serialNumber.isEmpty() ? row.name
                                               : QStringLiteral("%1 (%2)").arg(row.name, row.serialNumber))
        ->setEnabled(false);
    menu->addSeparator();

    const std::weak_ptr<TBUSBPrinterZEV> target = printer;
    QPointer<TBPrinters> controller = controller_;
    auto listed = [target, controller]() -> std::shared_ptr<TBUSBPrinterZEV> {
        auto printer = target.lock();
        if (!printer || !controller || controller->indexOfPrinter(printer.get()) < 0) return {};
        return printer;
    };
    QAction* update = menu->addAction(platform::localizedString(QStringLiteral("Update Firmware…")));
    update->setObjectName(QStringLiteral("updateFirmware"));
    update->setEnabled(printer->updateCanStart());
    connect(update, &QAction::triggered, this, [this, listed] { updateFirmware(listed()); });
    QAction* refreshRow = menu->addAction(platform::localizedString(QStringLiteral("Refresh")));
    refreshRow->setObjectName(QStringLiteral("refresh"));
    connect(refreshRow, &QAction::triggered, this, [this, listed] { refresh(listed()); });

    rowMenu_ = menu;
    menu->popup(table_->viewport()->mapToGlobal(position));
}

void PrinterWindow::showHistory() {
    if (!historyWindow_) historyWindow_ = new HistoryWindow(this);
    historyWindow_->showAndRaise();
}

void PrinterWindow::updateFirmware(const std::shared_ptr<TBUSBPrinterZEV>& printer) {
    // One update per printer at a time; the others stay free to update.
    if (!printer || !printer->updateCanStart()) return;
    printer->updateFirmware();
}

void PrinterWindow::updateAllPrinters() {
    if (!controller_) return;
    // Every printer that may be updated from here, and those another program is updating (the
    // confirmation names them apart); printers whose update runs already go on as they are.
    QList<std::shared_ptr<TBUSBPrinterZEV>> printers;
    int startable = 0;
    for (const auto& printer : controller_->printers()) {
        if (printer->updateCanStart()) ++startable;
        if (printer->updateCanStart() || printer->isUpdatedElsewhere()) printers << printer;
    }
    if (startable == 0) return;
    if (printers.size() == 1) {
        // One printer: its own questions, as for "Update Firmware…".
        printers.first()->updateFirmware();
        return;
    }
    UpdateBatch::start(printers);
}

void PrinterWindow::refresh(const std::shared_ptr<TBUSBPrinterZEV>& printer) {
    if (printer) printer->updateInfo();
}

void PrinterWindow::refreshActions() {
    const auto printer = controller_ ? controller_->selectedPrinter() : nullptr;
    const bool selected = printer != nullptr;
    updateAction_->setEnabled(selected && printer->updateCanStart());
    refreshAction_->setEnabled(selected);
    if (updateAllAction_) {
        bool any = false;
        if (controller_)
            for (const auto& each : controller_->printers())
                any = any || each->updateCanStart();
        updateAllAction_->setEnabled(any);
    }
}

TBPrinters* PrinterWindow::controller() const {
    return controller_;
}

void PrinterWindow::localizeMainMenu() {
    Q_ASSERT(platform::mainqueue::isMainThread());
    localizeItemsInMenu(menuBar());
    localizeAccessibleTexts();
}

QString PrinterWindow::title() const {
    return windowTitle();
}

void PrinterWindow::setTitle(const QString& title) {
    setWindowTitle(title);
}

int PrinterWindow::columnCount() const {
    return model_->columnCount();
}

QString PrinterWindow::columnTitle(int column) const {
    return model_->headerData(column, Qt::Horizontal).toString();
}

void PrinterWindow::setColumnTitle(int column, const QString& title) {
    model_->setHeaderData(column, Qt::Horizontal, title);
}

void PrinterWindow::redrawList() {
    Q_ASSERT(platform::mainqueue::isMainThread());
    table_->viewport()->update();
}

void PrinterWindow::closeEvent(QCloseEvent* event) {
    if (!quitConfirmed_ && !TBUSBPrinterZEV::updatesUnderWay().isEmpty()) {
        event->ignore();
        askBeforeQuitting();
        return;
    }
    if (controller_ &&
        controller_->applicationShouldTerminateAfterLastWindowClosed(QCoreApplication::instance())) {
        controller_->applicationShouldTerminate();
    }
    QMainWindow::closeEvent(event);
}

void PrinterWindow::askBeforeQuitting() {
    if (quitQuestion_) return;
    const auto underWay = TBUSBPrinterZEV::updatesUnderWay().size();
    auto* box = new QMessageBox(
        QMessageBox::Warning, windowTitle(),
        underWay > 1 ? QCoreApplication::translate("TBPrinters", "%1 updates are in progress…").arg(underWay)
                     : QCoreApplication::translate("TBPrinters", "An update is in progress…"),
        QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("quitQuestion"));
    box->setInformativeText(QCoreApplication::translate(
        "TBPrinters",
        "If you quit now, the update stops where it stands. A printer still waiting for its firmware stays "
        "in "
        "firmware update mode and cannot print until the firmware is sent to it again; a printer that "
        "already has its new firmware keeps its old color tables.\n\nKeep this program running until it "
        "reports the outcome."));
    QPushButton* keep =
        box->addButton(QCoreApplication::translate("TBPrinters", "Keep Running"), QMessageBox::RejectRole);
    QPushButton* quit = box->addButton(QCoreApplication::translate("TBPrinters", "Quit Anyway"),
                                       QMessageBox::DestructiveRole);
    box->setDefaultButton(keep);
    box->setEscapeButton(keep);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [this, box, quit] {
        if (box->clickedButton() != quit) return;
        quitConfirmed_ = true;
        close();
    });
    quitQuestion_ = box;
    box->open();
}

} // namespace ui
