#include "ui/historywindow.h"

#include "platform/dialogs.h"
#include "platform/queue.h"
#include "platform/strings.h"
#include "support/QRVX_Log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QTreeView>
#include <QVBoxLayout>

namespace ui {

namespace {

using platform::orDash;

// Child rows carry their attempt's row + 1 as internal id; top-level rows carry 0.
constexpr quintptr kTopLevel = 0;

using platform::localized;

QString localTime(const QDateTime& at) {
    return at.isValid() ? at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString change(const QString& before, const QString& after) {
    if (before.isEmpty() && after.isEmpty()) return {};
    if (after.isEmpty()) return before;
    return QStringLiteral("%1 → %2").arg(orDash(before), after);
}

QString firmwareChange(const TBUpdateHistory::Attempt& attempt) {
    // Without a version read back at the end, an attempt under way or failed shows what it aimed at.
    const bool aimed =
        attempt.outcome.isEmpty() || attempt.outcome == QLatin1String(TBUpdateHistory::kOutcomeFailed);
    if (attempt.firmwareAfter.isEmpty() && aimed)
        return change(attempt.firmwareBefore, attempt.firmwareTarget);
    return change(attempt.firmwareBefore, attempt.firmwareAfter);
}

QString printerText(const TBUpdateHistory::Attempt& attempt) {
    if (attempt.serialNumber.isEmpty()) return attempt.model;
    if (attempt.model.isEmpty()) return attempt.serialNumber;
    return QStringLiteral("%1 (%2)").arg(attempt.model, attempt.serialNumber);
}

QString firstLine(const QString& text) {
    return text.section(QLatin1Char('\n'), 0, 0);
}

} // namespace

// ---- HistoryModel ----

HistoryModel::HistoryModel(QObject* parent) : QAbstractItemModel(parent) {}

void HistoryModel::reload() {
    const quint64 generation = ++generation_;
    QPointer<HistoryModel> self(this);
    TBUpdateHistory::readAll(
        [self, generation](const QList<TBUpdateHistory::Attempt>& attempts, const QString& problem) {
            if (!self || generation != self->generation_) return;
            self->setAttempts(attempts, problem);
        });
}

void HistoryModel::setAttempts(const QList<TBUpdateHistory::Attempt>& attempts, const QString& problem) {
    beginResetModel();
    attempts_ = attempts;
    endResetModel();
    // The read's own reason first; what else the store met this run (set aside, locked) after it.
    QStringList problems;
    if (!problem.isEmpty()) problems << problem;
    const QString storeProblem = TBUpdateHistory::problem();
    if (!storeProblem.isEmpty() && storeProblem != problem) problems << storeProblem;
    problem_ = problems.join(QLatin1Char('\n'));
    loaded_ = true;
    emit loaded();
}

QString HistoryModel::outcomeText(const QString& outcome) {
    struct Word {
        const char* outcome;
        const char* text;
    };
    static constexpr Word kWords[] = {
        {TBUpdateHistory::kOutcomeSucceeded, QT_TRANSLATE_NOOP("TBPrinters", "Succeeded")},
        {TBUpdateHistory::kOutcomeFailed, QT_TRANSLATE_NOOP("TBPrinters", "Failed")},
        {TBUpdateHistory::kOutcomeCancelled, QT_TRANSLATE_NOOP("TBPrinters", "Cancelled")},
        {TBUpdateHistory::kOutcomeNotNeeded, QT_TRANSLATE_NOOP("TBPrinters", "Not needed")},
        {TBUpdateHistory::kOutcomeLost, QT_TRANSLATE_NOOP("TBPrinters", "Lost")},
        {TBUpdateHistory::kOutcomeInterrupted, QT_TRANSLATE_NOOP("TBPrinters", "Interrupted")},
    };
    if (outcome.isEmpty()) return localized(QT_TRANSLATE_NOOP("TBPrinters", "Under way"));
    for (const Word& word : kWords) {
        if (outcome == QLatin1String(word.outcome)) return localized(word.text);
    }
    return outcome;
}

QString HistoryModel::phaseText(const QString& phase) {
    struct Word {
        const char* phase;
        const char* text;
    };
    static constexpr Word kWords[] = {
        {"request", QT_TRANSLATE_NOOP("TBPrinters", "Request")},
        {"restart-into-update-mode", QT_TRANSLATE_NOOP("TBPrinters", "Restart into update mode")},
        {"upload", QT_TRANSLATE_NOOP("TBPrinters", "Upload")},
        {"programming-and-restart", QT_TRANSLATE_NOOP("TBPrinters", "Programming and restart")},
        {"colour-tables", QT_TRANSLATE_NOOP("TBPrinters", "Colour tables")},
    };
    for (const Word& word : kWords) {
        if (phase == QLatin1String(word.phase)) return localized(word.text);
    }
    return phase;
}

QModelIndex HistoryModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= ColumnCount || row < 0) return {};
    if (!parent.isValid()) {
        return row < attempts_.size() ? createIndex(row, column, kTopLevel) : QModelIndex();
    }
    if (parent.internalId() != kTopLevel || parent.row() >= attempts_.size()) return {};
    if (row >= attempts_.at(parent.row()).phases.size()) return {};
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex HistoryModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kTopLevel) return {};
    return createIndex(int(child.internalId() - 1), 0, kTopLevel);
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return int(attempts_.size());
    if (parent.internalId() != kTopLevel || parent.column() != 0) return 0;
    return parent.row() < attempts_.size() ? int(attempts_.at(parent.row()).phases.size()) : 0;
}

int HistoryModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (index.internalId() == kTopLevel) {
        if (index.row() >= attempts_.size()) return {};
        return attemptData(attempts_.at(index.row()), index.column(), role);
    }
    const int attempt = int(index.internalId() - 1);
    if (attempt >= attempts_.size() || index.row() >= attempts_.at(attempt).phases.size()) return {};
    return phaseData(attempts_.at(attempt).phases.at(index.row()), index.column(), role);
}

QVariant HistoryModel::attemptData(const TBUpdateHistory::Attempt& attempt, int column, int role) const {
    if (role == Qt::ToolTipRole && column == FailureColumn && !attempt.failure.isEmpty())
        return attempt.failure;
    if (role != Qt::DisplayRole) return {};
    switch (column) {
    case StartedColumn:
        return localTime(attempt.started);
    case PrinterColumn:
        return printerText(attempt);
    case DeviceKeyColumn:
        return attempt.deviceKey;
    case FirmwareColumn:
        return firmwareChange(attempt);
    case ColourTablesColumn:
        return change(attempt.colorTablesBefore, attempt.colorTablesAfter);
    case OutcomeColumn:
        return outcomeText(attempt.outcome);
    case FailureColumn:
        return firstLine(attempt.failure);
    default:
        return {};
    }
}

QVariant HistoryModel::phaseData(const TBUpdateHistory::Phase& phase, int column, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (column == StartedColumn) return localTime(phase.at);
    if (column == PrinterColumn) return phaseText(phase.name);
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static constexpr const char* kTitles[ColumnCount] = {
        QT_TRANSLATE_NOOP("TBPrinters", "Started"),       QT_TRANSLATE_NOOP("TBPrinters", "Printer"),
        QT_TRANSLATE_NOOP("TBPrinters", "Device Key"),    QT_TRANSLATE_NOOP("TBPrinters", "Firmware"),
        QT_TRANSLATE_NOOP("TBPrinters", "Colour Tables"), QT_TRANSLATE_NOOP("TBPrinters", "Outcome"),
        QT_TRANSLATE_NOOP("TBPrinters", "Failure"),
    };
    return section >= 0 && section < ColumnCount ? localized(kTitles[section]) : QVariant();
}

// ---- HistoryWindow ----

HistoryWindow::HistoryWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), writer_(std::make_shared<platform::SerialQueue>("history-export")) {
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(localized(QT_TRANSLATE_NOOP("TBPrinters", "Update History")));

    problemLabel_ = new QLabel;
    problemLabel_->setObjectName(QStringLiteral("historyProblem"));
    problemLabel_->setWordWrap(true);
    problemLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problemLabel_->hide();

    model_ = new HistoryModel(this);
    tree_ = new QTreeView;
    tree_->setObjectName(QStringLiteral("historyTree"));
    tree_->setAccessibleName(windowTitle());
    tree_->setModel(model_);
    tree_->setAlternatingRowColors(true);
    tree_->setUniformRowHeights(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(true);

    statusLabel_ = new QLabel;
    statusLabel_->setObjectName(QStringLiteral("historyStatus"));
    statusLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    exportButton_ = new QPushButton(localized(QT_TRANSLATE_NOOP("TBPrinters", "Export…")));
    exportButton_->setObjectName(QStringLiteral("export"));
    auto* refresh = new QPushButton(localized(QT_TRANSLATE_NOOP("TBPrinters", "Refresh")));
    refresh->setObjectName(QStringLiteral("refresh"));
    auto* closeButton = new QPushButton(localized(QT_TRANSLATE_NOOP("TBPrinters", "Close")));
    closeButton->setObjectName(QStringLiteral("close"));
    connect(exportButton_, &QPushButton::clicked, this, &HistoryWindow::askForExport);
    connect(refresh, &QPushButton::clicked, model_, &HistoryModel::reload);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    // Escape closes it, as it closes a dialog.
    new QShortcut(QKeySequence::Cancel, this, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(statusLabel_, 1);
    buttons->addWidget(exportButton_);
    buttons->addWidget(refresh);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(problemLabel_);
    layout->addWidget(tree_, 1);
    layout->addLayout(buttons);

    connect(model_, &HistoryModel::loaded, this, &HistoryWindow::showProblem);
    connect(model_, &HistoryModel::modelReset, tree_, &QTreeView::expandAll);
    resize(1000, 420);
    model_->reload();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::showAndRaise() {
    if (isHidden()) model_->reload();
    show();
    raise();
    activateWindow();
}

void HistoryWindow::showProblem() {
    problemLabel_->setText(model_->problem());
    problemLabel_->setVisible(!model_->problem().isEmpty());
}

QString HistoryWindow::defaultExportPath() {
    const QString name = QStringLiteral("%1-support-%2.txt")
                             .arg(QCoreApplication::applicationName(),
                                  QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    return QDir::home().filePath(name);
}

void HistoryWindow::askForExport() {
    auto* dialog = new QFileDialog(this, localized(QT_TRANSLATE_NOOP("TBPrinters", "Export History")));
    dialog->setObjectName(QStringLiteral("exportDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(defaultExportPath());
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) { exportTo(path); });
    dialog->open();
}

void HistoryWindow::exportTo(const QString& path, std::function<void(bool, const QString&)> done) {
    statusLabel_->clear();
    const QString logFile = QRVX_Log::logFilePath();
    QPointer<HistoryWindow> self(this);
    std::shared_ptr<platform::SerialQueue> writer = writer_;
    // The store is read afresh, so the file holds every attempt, whatever the list showed.
    TBUpdateHistory::readAll([self, writer, path, logFile, done = std::move(done)](
                                 const QList<TBUpdateHistory::Attempt>& attempts, const QString&) {
        writer->async([self, writer, path, logFile, done, attempts] {
            const QByteArray report = TBUpdateHistory::supportReport(attempts, logFile);
            QSaveFile file(path);
            bool ok = file.open(QIODevice::WriteOnly) && file.write(report) == report.size() && file.commit();
            const QString reason = ok ? QString() : file.errorString();
            platform::mainqueue::async([self, path, ok, reason, done] {
                if (self) self->exportFinished(path, ok, reason);
                if (done) done(ok, reason);
            });
        });
    });
}

void HistoryWindow::exportFinished(const QString& path, bool ok, const QString& reason) {
    if (ok) {
        statusLabel_->setText(
            localized(QT_TRANSLATE_NOOP("TBPrinters", "Saved to %1")).arg(QDir::toNativeSeparators(path)));
        return;
    }
    auto* box =
        new QMessageBox(QMessageBox::Warning, windowTitle(),
                        localized(QT_TRANSLATE_NOOP("TBPrinters", "The history could not be saved to “%1”."))
                            .arg(QDir::toNativeSeparators(path)),
                        QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("exportFailed"));
    box->setInformativeText(reason);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void announceHistoryProblem(const QString& problem) {
    if (problem.isEmpty()) return;
    platform::mainqueue::async([problem] {
        auto alert = std::make_shared<platform::Alert>();
        alert->messageText =
            localized(QT_TRANSLATE_NOOP("TBPrinters", "The update history could not be used as it was"));
        alert->informativeText = problem;
        alert->modality = platform::AlertModality::Application;
        platform::showAlert(alert);
    });
}

} // namespace ui
