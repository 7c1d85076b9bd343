#include "ui/printerlistmodel.h"

#include "Classes/TBPrinters.h"
#include "app/printerrow.h"
#include "platform/queue.h"
#include "platform/strings.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPixmap>

#include <algorithm>
#include <utility>

namespace ui {

using app::colourTableText;
using app::orDash;
using app::printerRow;
using app::setPrinterUsbSerial;

namespace {

// The English header titles; they are string-table keys.
const char* const kColumnTitles[PrinterListModel::ColumnCount] = {
    "",
    QT_TRANSLATE_NOOP("TBPrinters", "Printer"),
    QT_TRANSLATE_NOOP("TBPrinters", "USB Status"),
    QT_TRANSLATE_NOOP("TBPrinters", "Printer Status"),
    QT_TRANSLATE_NOOP("TBPrinters", "Firmware"),
    QT_TRANSLATE_NOOP("TBPrinters", "Package Firmware"),
    QT_TRANSLATE_NOOP("TBPrinters", "Lifetime Counter"),
    QT_TRANSLATE_NOOP("TBPrinters", "Serial Number"),
    QT_TRANSLATE_NOOP("TBPrinters", "USB Serial Number"),
    QT_TRANSLATE_NOOP("TBPrinters", "Colour Tables (Version / Checksum)"),
};

const QString kHDSuffix = QStringLiteral(" HD");

// One line per table slot ("300", "600", ...). A slot's HD table follows its standard table after a
// tab, so on a printer with both kinds the HD tables line up in a second column.
QString colourTablesCell(const QList<ColourTableEntry>& tables) {
    struct Line {
        QString slot;
        QString standard;
        QString hd;
    };
    QList<Line> lines;
    for (const ColourTableEntry& entry : tables) {
        const bool hd = entry.table.endsWith(kHDSuffix);
        const QString slot = hd ? entry.table.chopped(kHDSuffix.size()) : entry.table;
        auto line =
            std::find_if(lines.begin(), lines.end(), [&slot](const Line& l) { return l.slot == slot; });
        if (line == lines.end()) line = lines.insert(lines.end(), Line{slot, {}, {}});
        (hd ? line->hd : line->standard) = colourTableText(entry);
    }
    QStringList text;
    for (const Line& line : lines)
        text << (line.hd.isEmpty() ? line.standard : line.standard + QLatin1Char('\t') + line.hd);
    return text.join(QLatin1Char('\n'));
}

QString colourTablesToolTip(const QList<ColourTableEntry>& tables) {
    QStringList text;
    for (const ColourTableEntry& entry : tables) {
        text << QCoreApplication::translate("TBPrinters", "Colour table %1: version %2, checksum %3")
                    .arg(entry.table, orDash(entry.version), orDash(entry.checksum));
    }
    return text.join(QLatin1Char('\n'));
}

} // namespace

PrinterListModel::PrinterListModel(TBPrinters* printers, bool serialSwitch, QObject* parent)
    : QAbstractTableModel(parent), printers_(printers), serialSwitch_(serialSwitch) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    for (int column = 0; column < ColumnCount; ++column)
        headers_.append(columnTitleKey(column));
    if (!printers) return;
    connect(printers, &TBPrinters::printersAboutToBeInserted, this,
            [this](int row) { beginInsertRows({}, row, row); });
    connect(printers, &TBPrinters::printersInserted, this, [this](int) { endInsertRows(); });
    connect(printers, &TBPrinters::printersAboutToBeRemoved, this, [this](int row) {
        rows_.remove(printers_->printerAt(row).get());
        beginRemoveRows({}, row, row);
    });
    connect(printers, &TBPrinters::printersRemoved, this, [this](int) { endRemoveRows(); });
    connect(printers, &TBPrinters::printersAboutToBeReset, this, [this] {
        beginResetModel();
        rows_.clear();
    });
    connect(printers, &TBPrinters::printersReset, this, [this] { endResetModel(); });
    connect(printers, &TBPrinters::printerValueChanged, this,
            [this](TBUSBPrinterZEV* printer, const QString&) { printerChanged(printer); });
}

QString PrinterListModel::columnTitleKey(int column) {
    if (column < 0 || column >= ColumnCount) return {};
    return QString::fromLatin1(kColumnTitles[column]);
}

int PrinterListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !printers_) return 0;
    return printers_->printerCount();
}

int PrinterListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PrinterListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !printers_) return {};
    const auto printer = printers_->printerAt(index.row());
    if (!printer) return {};
    const PrinterRow& row = cachedRow(printer.get());

    if (role == Qt::DecorationRole && index.column() == PictureColumn) {
        if (row.picture.isNull()) return {};
        // Scaled once per picture: the view asks for it on every repaint and, with its rows sized to
        // their contents, for every row at each change of any row.
        auto scaled = pictures_.constFind(row.picture.cacheKey());
        if (scaled == pictures_.constEnd()) {
            scaled = pictures_.insert(
                row.picture.cacheKey(),
                QPixmap::fromImage(row.picture.scaled(kPictureSize, kPictureSize, Qt::KeepAspectRatio,
                                                      Qt::SmoothTransformation)));
        }
        return *scaled;
    }
    if (role == Qt::CheckStateRole && index.column() == UsbSerialColumn && serialSwitch_ &&
        row.usbSerialSwitchable) {
        return row.usbSerialOn ? Qt::Checked : Qt::Unchecked;
    }
    if (role == Qt::ToolTipRole && index.column() == PrinterColumn) return row.name;
    if (role == Qt::ToolTipRole && index.column() == ColourTablesColumn && !row.colourTables.isEmpty())
        return colourTablesToolTip(row.colourTables);
    if (role == UpdateProgressRole && index.column() == PrinterStatusColumn) return row.updateProgress;
    if (role == UpdatingRole) return row.updating;
    if (role == Qt::AccessibleDescriptionRole) return rowSentence(index.row());
    if (role == Qt::AccessibleTextRole && index.column() == PictureColumn) return row.name;
    if (role == Qt::AccessibleTextRole && index.column() == PrinterStatusColumn && row.updating &&
        row.updateProgress >= 0) {
        return progressText(row.updateProgress, platform::localizedString(row.printerStatus));
    }
    if (role != Qt::DisplayRole) return {};

    switch (index.column()) {
    case PrinterColumn:
        return row.name;
    case UsbStatusColumn:
        return platform::localizedString(row.usbStatus);
    case PrinterStatusColumn:
        return platform::localizedString(row.printerStatus);
    case FirmwareColumn:
        return (row.firmwareVersion);
    case PackageFirmwareColumn:
        return (row.packageFirmwareVersion);
    case LifetimeCounterColumn:
        return (row.lifetimeCounter);
    case SerialNumberColumn:
        return (row.serialNumber);
    case UsbSerialColumn:
        return platform::localizedString(row.usbSerialSetting);
    case ColourTablesColumn:
        return colourTablesCell(row.colourTables);
    default:
        return {};
    }
}

bool PrinterListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !printers_ || role != Qt::CheckStateRole || index.column() != UsbSerialColumn ||
        !serialSwitch_) {
        return false;
    }
    const auto printer = printers_->printerAt(index.row());
    if (!printer) return false;
    // The cell shows the printer's own answer: it changes when the printer reports the new setting.
    setPrinterUsbSerial(*printer, value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags PrinterListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == UsbSerialColumn && serialSwitch_ && printers_) {
        const auto printer = printers_->printerAt(index.row());
        if (printer && cachedRow(printer.get()).usbSerialSwitchable) flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

QVariant PrinterListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return headers_.at(section);
}

bool PrinterListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                     int role) {
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) || section < 0 ||
        section >= ColumnCount) {
        return false;
    }
    headers_[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

QString PrinterListModel::progressPercent(int permille) {
    return QLocale().toString(permille / 10) + QStringLiteral(" %");
}

QString PrinterListModel::progressText(int permille, const QString& status) {
    return QStringLiteral("%1 %2").arg(progressPercent(permille), status);
}

QString PrinterListModel::rowSentence(int row) const {
    const auto printer = printers_ ? printers_->printerAt(row) : nullptr;
    if (!printer) return {};
    const PrinterRow& cells = cachedRow(printer.get());
    // A printer not yet asked for its status has its connection to tell.
    const QString status = cells.printerStatus.isEmpty() ? platform::localizedString(cells.usbStatus)
                                                         : platform::localizedString(cells.printerStatus);
    QString sentence = QCoreApplication::translate("TBPrinters", "%1: %2, firmware %3")
                           .arg(cells.name, status, orDash(cells.firmwareVersion));
    if (cells.updating && cells.updateProgress >= 0) {
        sentence = QCoreApplication::translate("TBPrinters", "%1; update progress %2")
                       .arg(sentence, progressPercent(cells.updateProgress));
    }
    return sentence;
}

const PrinterRow& PrinterListModel::cachedRow(TBUSBPrinterZEV* printer) const {
    auto found = rows_.find(printer);
    if (found == rows_.end()) found = rows_.insert(printer, printerRow(*printer));
    return *found;
}

void PrinterListModel::reloadRows() {
    rows_.clear();
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void PrinterListModel::printerChanged(const TBUSBPrinterZEV* printer) {
    rows_.remove(printer);
    if (!printers_ || printers_->indexOfPrinter(printer) < 0) return;
    if (changed_.isEmpty())
        QMetaObject::invokeMethod(this, &PrinterListModel::announceChangedRows, Qt::QueuedConnection);
    changed_.insert(printer);
}

void PrinterListModel::announceChangedRows() {
    const QSet<const TBUSBPrinterZEV*> changed = std::exchange(changed_, {});
    if (!printers_) return;
    int first = rowCount();
    int last = -1;
    for (const TBUSBPrinterZEV* printer : changed) {
        // A printer that left the list meanwhile has no row to announce.
        const int row = printers_->indexOfPrinter(printer);
        if (row < 0) continue;
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (last >= 0) emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

} // namespace ui
