#include "Classes/TBUpdateStateFile.h"

#include "Classes/Edition.h"
#include "Classes/TBUSBPrinter.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "base/threadsafety.h"

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/platformlog.h"
#include "platform/strings.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>

#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>

#include <unistd.h>

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

// Which process carries each update on (see ownerToken()), kept inside the printer's entry.
const QString kOwnerKey = QStringLiteral("updateOwner");

// How long one process waits for another that holds the file before it goes on without the lock:
// a write with its flushes takes milliseconds, so a holder this slow is hung.
constexpr std::chrono::seconds kLockPatience{5};

struct Store {
    // Also keeps this process's own threads from locking the file against each other.
    base::Mutex mutex;
    QString path GUARDED_BY(mutex);
};
Store& store() {
    static Store* instance = new Store; // used by command queues until the very end
    return *instance;
}

// ---- processes ---------------------------------------------------------------------------------------

// Small enough for any file of /proc this reads.
constexpr qint64 kLargestProcFile = 4096;

QByteArray readProcFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(kLargestProcFile);
}

const QString& currentBootId() {
    static const QString id =
        QString::fromLatin1(readProcFile(QStringLiteral("/proc/sys/kernel/random/boot_id")).trimmed());
    return id;
}

struct ProcessState {
    char state;
    QByteArray startTime; // in clock ticks after boot
};

// From /proc/<pid>/stat. The command name (field 2) is the program's to choose and may hold spaces
// and parentheses, so the fields that follow are counted from the last ')' only.
std::optional<ProcessState> processState(const QString& pid) {
    constexpr int kStateField = 3;
    constexpr int kStartTimeField = 22;
    const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0) return std::nullopt;
    const QList<QByteArray> fields = stat.mid(nameEnd + 1).simplified().split(' ');
    if (fields.size() <= kStartTimeField - kStateField) return std::nullopt;
    const QByteArray& state = fields.at(0);
    if (state.size() != 1) return std::nullopt;
    return ProcessState{state.at(0), fields.at(kStartTimeField - kStateField)};
}

// ---- the file ----------------------------------------------------------------------------------------

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
        if (entries.contains(kOwnerKey) && entries.value(kOwnerKey).metaType().id() != QMetaType::QString) {
            *why = QStringLiteral("the owner of %1 is not valid").arg(it.key());
            return std::nullopt;
        }
        if (!underWay(entries.value(deviceFirmwareUpdateState))) {
            *why = QStringLiteral("%1 has no update under way").arg(it.key());
            return std::nullopt;
        }
        updates.insert(it.key(), entries);
    }
    return updates;
}

using platform::localized;

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

// Writes `updates` to `path`, or removes the file when there is none. Under both locks.
void writeOut(const QString& path, const Updates& updates) {
    QString error;
    const bool ok = updates.isEmpty() ? platform::files::removeDurably(path, &error)
                                      : platform::files::replaceAtomically(path, serialise(updates), &error);
    if (!ok)
        platform::platformLog("could not record the updates under way in %s: %s", qUtf8Printable(path),
                              qUtf8Printable(error));
}

// The lock that every process of this user takes before it reads the file to change it. Without it
// after a while, going on is still better than leaving an update unrecorded.
std::unique_ptr<platform::files::ExclusiveFileLock> lockFile(const QString& path) {
    auto lock =
        std::make_unique<platform::files::ExclusiveFileLock>(path + QStringLiteral(".lock"), kLockPatience);
    if (!lock->held())
        platform::platformLog(
            "the record of updates under way %s could not be locked (%s): going on without the lock",
            qUtf8Printable(path), qUtf8Printable(lock->error()));
    return lock;
}

// The file as it is on disk (no updates when there is none), or nothing with the reason in `why`.
// Under both locks.
std::optional<Updates> readOnDisk(const QString& path, QString* why) {
    if (!QFileInfo::exists(path)) return Updates();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot be read (%1)").arg(file.errorString());
        return std::nullopt;
    }
    if (file.size() > kLargestFile) {
        *why = QStringLiteral("too large (%1 bytes)").arg(file.size());
        return std::nullopt;
    }
    return parse(file.readAll(), why);
}

// Moves a file that readOnDisk() refused out of the way, so that it is neither trusted in part nor
// overwritten, and logs it. The name it was set aside as, or empty. Under both locks.
QString setAsideDamaged(const QString& path, const QString& why) {
    const QString setAsideAs = platform::files::setAside(path);
    platform::platformLog(
        "the record of updates under way %s is %s: %s", qUtf8Printable(path), qUtf8Printable(why),
        setAsideAs.isEmpty() ? "it could not be set aside"
                             : qUtf8Printable(QStringLiteral("set aside as ") + setAsideAs));
    return setAsideAs;
}

QString ownerOf(const QVariantMap& entries) {
    return entries.value(kOwnerKey).toString();
}

// Whether this process may act on an update recorded for `owner`: its own, or one nobody carries on.
bool oursToTake(const QString& owner) {
    return owner == TBUpdateStateFile::ownerToken() || !TBUpdateStateFile::ownerAlive(owner);
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
    base::MutexLocker lock(s.mutex);
    s.path = path;
}

QString TBUpdateStateFile::ownerToken() {
    static const QString token = [] {
        const QString pid = QString::number(::getpid());
        const std::optional<ProcessState> self = processState(pid);
        if (currentBootId().isEmpty() || !self)
            platform::platformLog("this process cannot be told apart from others (no /proc?): the updates "
                                  "it records will be taken up by the next program that starts");
        return currentBootId() + QLatin1Char(':') + pid + QLatin1Char(':') +
               (self ? QString::fromLatin1(self->startTime) : QString());
    }();
    return token;
}

bool TBUpdateStateFile::ownerAlive(const QString& token) {
    // Only digits reach the path under /proc: "self" or "../" would name some other process.
    static const QRegularExpression wellFormed(
        QRegularExpression::anchoredPattern(QStringLiteral("([0-9a-f-]+):([1-9][0-9]{0,9}):([0-9]{1,20})")));
    const QRegularExpressionMatch match = wellFormed.match(token);
    if (!match.hasMatch() || match.captured(1) != currentBootId()) return false;
    const std::optional<ProcessState> process = processState(match.captured(2));
    // A zombie has ended; it only waits for its parent to read how.
    return process && process->state != 'Z' && process->state != 'X' &&
           QString::fromLatin1(process->startTime) == match.captured(3);
}

int TBUpdateStateFile::loadIntoRegistry() {
    Store& s = store();
    base::UniqueLock lock(s.mutex);
    const QString path = s.path;
    if (path.isEmpty() || !QFileInfo::exists(path)) return 0;
    auto fileLock = lockFile(path);

    QString why;
    std::optional<Updates> updates = readOnDisk(path, &why);
    if (!updates) {
        const QString setAsideAs = setAsideDamaged(path, why);
        fileLock.reset();
        lock.unlock();
        tellOperator(setAsideAs);
        return 0;
    }

    // Taken over in the same locked step as it is read: two programs that start together must not
    // both carry on one update.
    const QString me = ownerToken();
    bool takenOver = false;
    int stored = 0;
    for (auto it = updates->begin(); it != updates->end(); ++it) {
        const QString owner = ownerOf(it.value());
        if (!oursToTake(owner)) {
            platform::platformLog("update under way for %s left to the program that carries it on (%s)",
                                  qUtf8Printable(it.key()), qUtf8Printable(owner));
            continue;
        }
        if (owner != me) {
            it.value().insert(kOwnerKey, me);
            takenOver = true;
        }
        const DeviceInfoRef known = TBUSBPrinter::deviceInfoForKey(it.key());
        if (underWay(known->value(deviceFirmwareUpdateState))) continue;
        for (auto e = it.value().constBegin(); e != it.value().constEnd(); ++e)
            if (e.key() != kOwnerKey) known->setValue(e.key(), e.value());
        platform::platformLog("update under way for %s taken up from %s", qUtf8Printable(it.key()),
                              qUtf8Printable(path));
        ++stored;
    }
    if (takenOver) writeOut(path, *updates);
    return stored;
}

void TBUpdateStateFile::record(const QString& key, const QVariantMap& entries) {
    Store& s = store();
    base::UniqueLock lock(s.mutex);
    const QString path = s.path;
    if (path.isEmpty()) return;
    const bool keep = underWay(entries.value(deviceFirmwareUpdateState));
    // No file, nothing to drop: whatever another program writes meanwhile is its own, alive.
    if (!keep && !QFileInfo::exists(path)) return;
    auto fileLock = lockFile(path);

    QString why;
    std::optional<Updates> updates = readOnDisk(path, &why);
    std::optional<QString> setAsideAs;
    if (!updates) {
        setAsideAs = setAsideDamaged(path, why);
        updates = Updates();
    }

    const QString previousOwner = ownerOf(updates->value(key));
    if (keep) {
        // Only a program that has the printer in hand records its update: it has taken it over.
        if (!oursToTake(previousOwner))
            platform::platformLog("update under way for %s taken over from %s", qUtf8Printable(key),
                                  qUtf8Printable(previousOwner));
        QVariantMap mine = entries;
        mine.insert(kOwnerKey, ownerToken());
        updates->insert(key, mine);
        writeOut(path, *updates);
    } else if (updates->contains(key) && !oursToTake(previousOwner)) {
        platform::platformLog("update under way for %s kept for the program that carries it on (%s)",
                              qUtf8Printable(key), qUtf8Printable(previousOwner));
    } else if (updates->remove(key) > 0 || setAsideAs) {
        writeOut(path, *updates);
    }

    fileLock.reset();
    lock.unlock();
    if (setAsideAs) tellOperator(*setAsideAs);
}

std::optional<QString> TBUpdateStateFile::ownedElsewhere(const QString& key) {
    Store& s = store();
    base::MutexLocker lock(s.mutex);
    const QString path = s.path;
    if (path.isEmpty() || !QFileInfo::exists(path)) return std::nullopt;
    const auto fileLock = lockFile(path);
    QString why;
    const std::optional<Updates> updates = readOnDisk(path, &why);
    if (!updates || !updates->contains(key)) return std::nullopt;
    const QString owner = ownerOf(updates->value(key));
    if (oursToTake(owner)) return std::nullopt;
    return owner;
}

TBUpdateStateFile::Updates TBUpdateStateFile::recorded() {
    Store& s = store();
    base::MutexLocker lock(s.mutex);
    const QString path = s.path;
    if (path.isEmpty() || !QFileInfo::exists(path)) return {};
    const auto fileLock = lockFile(path);
    QString why;
    return readOnDisk(path, &why).value_or(Updates());
}
