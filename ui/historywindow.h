// The update history as the operator sees it: every update attempt, newest first, with its phases,
// and an export of it (together with the log file) into one file for support.
#pragma once

#include "Classes/TBUpdateHistory.h"

#include <QAbstractItemModel>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTreeView;

namespace platform {
class SerialQueue;
} // namespace platform

namespace ui {

// A tree: one top-level row per attempt, its phases as child rows (column 0 their time, column 1
// what the phase was). Loads from the store off the main thread.
class HistoryModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column {
        StartedColumn,
        PrinterColumn,
        DeviceKeyColumn,
        FirmwareColumn,
        ColourTablesColumn,
        OutcomeColumn,
        FailureColumn,
        ColumnCount
    };

    explicit HistoryModel(QObject* parent = nullptr);

    // Reads the store again; loaded() follows on the main thread. A read still under way when a newer
    // one is asked for is dropped.
    void reload();
    bool isLoaded() const { return loaded_; }
    // What the store reported on the last load, for the operator; empty when nothing.
    QString problem() const { return problem_; }
    const QList<TBUpdateHistory::Attempt>& attempts() const { return attempts_; }

    // The operator's words for an outcome ("Under way" for an open attempt) and for a phase; an
    // unknown word is shown as it is.
    static QString outcomeText(const QString& outcome);
    static QString phaseText(const QString& phase);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    void loaded();

private:
    void setAttempts(const QList<TBUpdateHistory::Attempt>& attempts, const QString& problem);
    QVariant attemptData(const TBUpdateHistory::Attempt& attempt, int column, int role) const;
    QVariant phaseData(const TBUpdateHistory::Phase& phase, int column, int role) const;

    QList<TBUpdateHistory::Attempt> attempts_;
    QString problem_;
    bool loaded_ = false;
    quint64 generation_ = 0; // the latest reload asked for
};

// A top-level window (one per main window, not modal): the store's problem when it has one, the
// history tree, a status line, and Export…, Refresh and Close.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit HistoryWindow(QWidget* parent = nullptr);
    ~HistoryWindow() override;

    HistoryModel* model() const { return model_; }
    QTreeView* treeView() const { return tree_; }
    QLabel* problemLabel() const { return problemLabel_; }
    QLabel* statusLabel() const { return statusLabel_; }

    // Shows the window, reading the store again when it was hidden, and brings it to the front.
    void showAndRaise();

    // "<program>-support-<yyyyMMdd-HHmmss>.txt" in the home folder.
    static QString defaultExportPath();
    // Asks for a file (without blocking), then exports to it.
    void askForExport();
    // Reads the store again and writes its support report, with the current log file, to `path` off
    // the main thread. Then, on the main thread: a warning naming the path and the reason on failure,
    // "Saved to PATH" in the status line on success, and `done` (always, even when the window has
    // gone meanwhile) with success and the reason of a failure.
    void exportTo(const QString& path, std::function<void(bool ok, const QString& reason)> done = {});

private:
    void showProblem();
    void exportFinished(const QString& path, bool ok, const QString& reason);

    HistoryModel* model_ = nullptr;
    QTreeView* tree_ = nullptr;
    QLabel* problemLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    // Writes the exports in order; shared with the work queued on it, so the window never waits.
    std::shared_ptr<platform::SerialQueue> writer_;
};

// Says once, when the window is up, that the update history could not be used as it was (`problem`,
// nothing when it is empty); the History window says it too.
void announceHistoryProblem(const QString& problem);

} // namespace ui
