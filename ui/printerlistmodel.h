// The printer list as a table: one row per printer of TBPrinters::printers, in list order. Rows follow
// the controller's list announcements; cells follow each printer's change signal. Main thread only.
#pragma once

#include "app/printerrow.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QVector>

class TBPrinters;
class TBUSBPrinterZEV;

namespace ui {

using app::ColourTableEntry;
using app::PrinterRow;

class PrinterListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        PictureColumn,
        PrinterColumn,
        UsbStatusColumn,
        PrinterStatusColumn,
        FirmwareColumn,
        PackageFirmwareColumn,
        LifetimeCounterColumn,
        SerialNumberColumn,
        UsbSerialColumn,
        ColourTablesColumn, // every table the printer reported: slot, version and checksum
        ColumnCount
    };
    static constexpr int kPictureSize = 48;
    // On the printer-status cell: the update's progress in tenths of a percent, -1 when none runs.
    static constexpr int UpdateProgressRole = Qt::UserRole + 1;
    // On any cell: whether the row's printer is being updated.
    static constexpr int UpdatingRole = Qt::UserRole + 2;
    // Every cell also answers Qt::AccessibleDescriptionRole with its row as one sentence (printer,
    // status, firmware and the update's progress), and the picture and status cells
    // Qt::AccessibleTextRole with what they show without text: the printer's name, the update's bar.

    // "45 %": an update's progress given in tenths of a percent, as the operator's language writes it.
    static QString progressPercent(int permille);
    // What the status cell says while an update runs: its percentage, then what the printer is doing.
    static QString progressText(int permille, const QString& status);
    // The row of `row` as one sentence, for assistive technology.
    QString rowSentence(int row) const;

    // `serialSwitch`: the USB serial-number cell is a check box that switches the printer.
    PrinterListModel(TBPrinters* printers, bool serialSwitch, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Header titles start as their English keys; the launch step replaces them by their localised form.
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;

    // The English header title of a column (its string-table key).
    static QString columnTitleKey(int column);

    // Reads every row from its printer again, whatever announcements are still on their way.
    void reloadRows();

private:
    void printerChanged(const TBUSBPrinterZEV* printer);
    // One announcement for the rows whose printers changed since the last one.
    void announceChangedRows();
    // What a row shows, read from its printer once per change announcement.
    const PrinterRow& cachedRow(TBUSBPrinterZEV* printer) const;

    QPointer<TBPrinters> printers_;
    bool serialSwitch_;
    QVector<QString> headers_;
    mutable QHash<const TBUSBPrinterZEV*, PrinterRow> rows_; // cache, keyed by listed printers only
    // The pictures as the list shows them, by the source image's cache key (the model pictures are
    // decoded once each, so there are only a few).
    mutable QHash<qint64, QPixmap> pictures_;
    // Listed printers whose change is not announced yet. The view measures every row again at each
    // announcement (the rows are sized to their contents), so the changes that arrive in one pass of
    // the event loop are announced together: a start with many printers answering at once would
    // otherwise measure the whole list for each of their answers.
    QSet<const TBUSBPrinterZEV*> changed_;
};

} // namespace ui
