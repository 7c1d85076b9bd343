#include "Classes/TBUpdateStateFile.h"

#include "Classes/Edition.h"
#include "Classes/TBUSBPrinter.h"
#include "Classes/TBUSBPrinterZEV.h"

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/platformlog.h"
#include "platform/strings.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <mutex>
#include <optional>

namespace {

// What the file says of itself; a file without these words, of another version or of the other
// program is foreign.
const QString kKindKey = QStringLiteral("kind");
const QString kKind = QStringLiteral("printer-tools updates under way");
const QString kVersionKey = QStringLiteral("version");
constexpr int kVersion = 1;
const QString kProgramKey = QStringLiteral("program");
const QString kPrintersKey = QStringLiteral("printers");

// A handful of printers take a few hundred bytes each; anything near this size is not ours.
constexpr qint64 kLargestFile = 1024 * 1024;

// Whole numbers beyond this do not survive a trip through JSON's doubles.
constexpr double kLargestWhole = 9007199254740992.0; // 2^53

using Updates = TBUpdateStateFile::Updates;

struct Store {
    std::mutex mutex;
    QString path;    // guarded by mutex
    Updates updates; // guarded by mutex: what the file holds, or is about to
};
Store& store() {
    static Store* instance = new Store; // used by command queues until the very end
    return *instance;
}

// The status is a whole number (a text that reads as one is not ours).
bool underWay(const QVariant& status) {
    if (status.metaType().id() != QMetaType::Int) return false;
    const int value = status.toInt();
    return (value == TBUSBPrinterZEV::WaitingForFirmwareUpload ||
            value == TBUSBPrinterZEV::RebootingAfterFirmwareUpload);
}

// Only what JSON holds without loss of meaning: texts, whole numbers, truth values.
QJsonObject toJson(const QVariantMap& entries) {
    QJsonObject object;
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        const QVariant& value = it.value();
        switch (value.metaType().id()) {
        case QMetaType::QString:
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            object.insert(it.key(), QJsonValue::fromVariant(value));
            break;
        default:
            break; // pictures and such are read again from the printer
        }
    }
    return object;
}

QByteArray serialise(const Updates& updates) {
    QJsonObject printers;
    for (auto it = updates.constBegin(); it != updates.constEnd(); ++it)
        printers.insert(it.key(), toJson(it.value()));
    QJsonObject root;
    root.insert(kKindKey, kKind);
    root.insert(kVersionKey, kVersion);
    root.insert(kProgramKey, Edition::current().programName());
    root.insert(kPrintersKey, printers);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

// The file's updates, or nothing with the reason in `why`. All or nothing: one bad entry and the
// whole file is taken to be damaged.
std::optional<Updates> parse(const QByteArray& bytes, QString* why) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        *why = QStringLiteral("not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(kKindKey).toString() != kKind) {
        *why = QStringLiteral("not a record of updates under way");
        return std::nullopt;
    }
    if (root.value(kVersionKey).toInt(-1) != kVersion) {
        *why = QStringLiteral("version %1 is not known").arg(root.value(kVersionKey).toVariant().toString());
        return std::nullopt;
    }
    if (root.value(kProgramKey).toString() != Edition::current().programName()) {
        *why = QStringLiteral("written by %1").arg(root.value(kProgramKey).toVariant().toString());
        return std::nullopt;
    }
    if (!root.value(kPrintersKey).isObject()) {
        *why = QStringLiteral("no printers");
        return std::nullopt;
    }
    // The device key: vendor, product and location id in hexadecimal.
    // Anchored at both ends: "$" alone would take a key that ends in a line break.
    static const QRegularExpression deviceKey(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9A-F]{16}")));
    const QJsonObject printers = root.value(kPrintersKey).toObject();
    Updates updates;
    for (auto it = printers.constBegin(); it != printers.constEnd(); ++it) {
        if (!deviceKey.match(it.key()).hasMatch() || !it.value().isObject()) {
            *why = QStringLiteral("a printer entry %1 is not valid").arg(it.key());
            return std::nullopt;
        }
        const QJsonObject object = it.value().toObject();
        QVariantMap entries;
        for (auto e = object.constBegin(); e != object.constEnd(); ++e) {
            const QJsonValue value = e.value();
            if (value.isString() || value.isBool()) {
                entries.insert(e.key(), value.toVariant());
            } else if (value.isDouble() && value.toDouble() == std::trunc(value.toDouble()) &&
                       std::abs(value.toDouble()) <= kLargestWhole) {
                const double number = value.toDouble();
                if (std::abs(number) <= std::numeric_limits<int>::max())
                    entries.insert(e.key(), int(number));
                else
                    entries.insert(e.key(), qlonglong(number));
            } else {
                *why = QStringLiteral("the value of %1 for %2 is not valid").arg(e.key(), it.key());
                return std::nullopt;
            }
        }
        if (!underWay(entries.value(deviceFirmwareUpdateState))) {
            *why = QStringLiteral("%1 has no update under way").arg(it.key());
            return std::nullopt;
        }
        updates.insert(it.key(), entries);
    }
    return updates;
}

QString localized(const char* text) {
    return platform::localizedString(QString::fromUtf8(text));
}

void tellOperator(const QString& setAsideAs) {
    auto alert = std::make_shared<platform::Alert>();
    alert->messageText = localized(
        QT_TRANSLATE_NOOP("TBPrinters", "The record of firmware updates under way could not be read"));
    alert->informativeText =
        (setAsideAs.isEmpty()
             ? QString()
             : localized(QT_TRANSLATE_NOOP("TBPrinters", "It was set aside as %1.")).arg(setAsideAs) +
                   QLatin1Char(' ')) +
        localized(QT_TRANSLATE_NOOP("TBPrinters",
                                    "An update that was interrupted when this program last ended cannot be "
                                    "carried on by itself. A printer found in firmware update mode can "
                                    "still be updated from here."));
    alert->modality = platform::AlertModality::Application;
    platform::showAlert(alert);
}

// Writes `updates` to `path`, or removes the file when there is none. Under the store's mutex.
void writeOut(const QString& path, const Updates& updates) {
    QString error;
    const bool ok = updates.isEmpty() ? platform::files::removeDurably(path, &error)
                                      : platform::files::replaceAtomically(path, serialise(updates), &error);
    if (!ok)
        platform::platformLog("could not record the updates under way in %s: %s", qUtf8Printable(path),
                              qUtf8Printable(error));
}

} // namespace

QByteArray TBUpdateStateFile::serialise(const Updates& updates) {
    return ::serialise(updates);
}

std::optional<TBUpdateStateFile::Updates> TBUpdateStateFile::parse(const QByteArray& bytes, QString* why) {
    return ::parse(bytes, why);
}

QString TBUpdateStateFile::defaultPath(const QString& programName) {
    return platform::files::stateHome() + QLatin1Char('/') + programName +
           QStringLiteral("/updates-under-way.json");
}

void TBUpdateStateFile::setPath(const QString& path) {
    Store& s = store();
    std::lock_guard lock(s.mutex);
    s.path = path;
    s.updates.clear();
}

int TBUpdateStateFile::loadIntoRegistry() {
    Store& s = store();
    std::unique_lock lock(s.mutex);
    const QString path = s.path;
    if (path.isEmpty() || !QFile::exists(path)) return 0;

    QString why;
    std::optional<Updates> updates;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("cannot be read (%1)").arg(file.errorString());
    } else if (file.size() > kLargestFile) {
        why = QStringLiteral("too large (%1 bytes)").arg(file.size());
    } else {
        updates = parse(file.readAll(), &why);
    }
    file.close();
    if (!updates) {
        const QString setAsideAs = platform::files::setAside(path);
        platform::platformLog(
            "the record of updates under way %s is %s: %s", qUtf8Printable(path), qUtf8Printable(why),
            setAsideAs.isEmpty() ? "it could not be set aside"
                                 : qUtf8Printable(QStringLiteral("set aside as ") + setAsideAs));
        lock.unlock();
        tellOperator(setAsideAs);
        return 0;
    }

    int stored = 0;
    for (auto it = updates->constBegin(); it != updates->constEnd(); ++it) {
        s.updates.insert(it.key(), it.value());
        const DeviceInfoRef known = TBUSBPrinter::deviceInfoForKey(it.key());
        if (underWay(known->value(deviceFirmwareUpdateState))) continue;
        for (auto e = it.value().constBegin(); e != it.value().constEnd(); ++e)
            known->setValue(e.key(), e.value());
        platform::platformLog("update under way for %s taken up from %s", qUtf8Printable(it.key()),
                              qUtf8Printable(path));
        ++stored;
    }
    return stored;
}

void TBUpdateStateFile::record(const QString& key, const QVariantMap& entries) {
    Store& s = store();
    std::lock_guard lock(s.mutex);
    if (s.path.isEmpty()) return;
    const bool keep = underWay(entries.value(deviceFirmwareUpdateState));
    if (!keep && !s.updates.contains(key)) return; // nothing on disk changes
    if (keep)
        s.updates.insert(key, entries);
    else
        s.updates.remove(key);
    writeOut(s.path, s.updates);
}
