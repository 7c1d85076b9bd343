#include "Classes/TBUpdateHistory.h"

#include "Classes/TBUpdateCaptures.h"

#include "base/threadsafety.h"
#include "platform/files.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/strings.h"
#include "support/QRVX_Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <optional>

namespace {

using platform::orDash;

// Marks a database as this program's update history (PRAGMA application_id), so that a file of
// another kind under the same name is never written into.
constexpr int kApplicationId = 0x50544831;
constexpr int kSchemaVersion = 1;
// How long one statement waits for another program's lock before the change is kept for later.
constexpr int kBusyTimeoutMs = 2000;
// How long after a lock the kept changes are tried again.
constexpr int kRetryMs = 5000;
// How much of each log file a support report carries (its end).
constexpr qint64 kReportLogLimit = 4 * 1024 * 1024;
constexpr qsizetype kReportBase64Line = 76;

// SQLite's primary result codes (the low byte of an extended one).
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS attempts ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " started TEXT NOT NULL, ended TEXT,"
    " device_key TEXT NOT NULL, serial_number TEXT, model TEXT,"
    " firmware_before TEXT, color_tables_before TEXT, firmware_target TEXT,"
    " firmware_after TEXT, color_tables_after TEXT,"
    " outcome TEXT, failure TEXT)",
    "CREATE TABLE IF NOT EXISTS phases ("
    " attempt_id INTEGER NOT NULL REFERENCES attempts(id) ON DELETE CASCADE,"
    " name TEXT NOT NULL, at TEXT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS attempts_by_key ON attempts(device_key, outcome)",
    "CREATE INDEX IF NOT EXISTS phases_by_attempt ON phases(attempt_id)",
};

using platform::localized;

QString isoTime(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime fromIsoTime(const QVariant& value) {
    if (value.isNull()) return {};
    return QDateTime::fromString(value.toString(), Qt::ISODateWithMs).toUTC();
}

QVariant orNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

enum class Health { Ok, Locked, Damaged, Failed };

struct Status {
    Health health = Health::Ok;
    QString reason;
};

Status statusOf(const QSqlError& error) {
    const int primary = error.nativeErrorCode().toInt() & 0xff;
    const QString reason = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    if (primary == kSqliteBusy || primary == kSqliteLocked) return {Health::Locked, reason};
    if (primary == kSqliteCorrupt || primary == kSqliteNotADatabase) return {Health::Damaged, reason};
    return {Health::Failed, reason};
}

// One change to the history, kept until it is written.
struct Change {
    enum class Kind { Begin, Phase, Finish };
    Kind kind = Kind::Begin;
    TBUpdateHistory::Printer printer;
    QString text; // the target version, the phase's name or the outcome
    QString failure;
    QDateTime at;

    QString describe() const {
        const char* what = kind == Kind::Begin ? "begin" : kind == Kind::Phase ? "phase" : "end";
        return QStringLiteral("%1 %2 %3 at %4 (%5)")
            .arg(QLatin1String(what), printer.deviceKey, text, isoTime(at), failure.simplified());
    }
};

// A connection to the database at `path`, made and used on one thread (Qt SQL's rule).
class Connection {
public:
    explicit Connection(const QString& path) {
        static std::atomic<int> counter{0};
        name_ = QStringLiteral("update-history-%1").arg(counter.fetch_add(1));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    }
    ~Connection() {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }

    Status open() {
        QSqlDatabase database = db();
        if (!database.isOpen() && !database.open()) return statusOf(database.lastError());
        return {};
    }

    // Runs `sql`; the first row's first column in `value` when asked.
    Status exec(const QString& sql, QVariant* value = nullptr) {
        QSqlQuery query(db());
        if (!query.exec(sql)) return statusOf(query.lastError());
        if (value) *value = query.next() ? query.value(0) : QVariant();
        return {};
    }

private:
    QString name_;
};

// The writer's side of the store: lives on the history queue only.
class Store {
public:
    explicit Store(const QString& path) : connection_(path) {}

    // Opens the database and makes sure it is this program's history with its tables, once.
    Status ready() {
        if (ready_) return {};
        if (Status s = connection_.open(); s.health != Health::Ok) return s;
        QVariant value;
        if (Status s = connection_.exec(QStringLiteral("PRAGMA quick_check"), &value); s.health != Health::Ok)
            return s;
        if (value.toString() != QLatin1String("ok"))
            return {Health::Damaged, QStringLiteral("integrity check: %1").arg(value.toString())};
        QVariant id;
        QVariant tables;
        QVariant version;
        for (auto [sql, into] : {std::pair{"PRAGMA application_id", &id},
                                 std::pair{"SELECT count(*) FROM sqlite_master", &tables},
                                 std::pair{"PRAGMA user_version", &version}}) {
            if (Status s = connection_.exec(QString::fromLatin1(sql), into); s.health != Health::Ok) return s;
        }
        if (id.toInt() != kApplicationId && tables.toInt() > 0)
            return {Health::Damaged, QStringLiteral("it is not an update history")};
        if (version.toInt() > kSchemaVersion)
            return {Health::Failed, QStringLiteral("it was written by a newer version of this program")};
        // A write-ahead log with full syncs: a crash or power cut leaves the last committed change.
        for (const char* pragma :
             {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL", "PRAGMA foreign_keys=ON"})
            if (Status s = connection_.exec(QString::fromLatin1(pragma)); s.health != Health::Ok) return s;
        QStringList statements;
        for (const char* sql : kSchema)
            statements << QString::fromLatin1(sql);
        statements << QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId)
                   << QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion);
        if (Status s = inTransaction([&] { return run(statements); }); s.health != Health::Ok) return s;
        ready_ = true;
        return {};
    }

    Status apply(const Change& change) {
        return inTransaction([&]() -> Status {
            std::optional<qint64> open;
            if (change.kind == Change::Kind::Begin) {
                QSqlQuery interrupt(connection_.db());
                interrupt.prepare(QStringLiteral("UPDATE attempts SET outcome = ?, ended = ? "
                                                 "WHERE device_key = ? AND outcome IS NULL"));
                interrupt.addBindValue(QString::fromLatin1(TBUpdateHistory::kOutcomeInterrupted));
                interrupt.addBindValue(isoTime(change.at));
                interrupt.addBindValue(change.printer.deviceKey);
                if (!interrupt.exec()) return statusOf(interrupt.lastError());
                return insertAttempt(change, change.text, &open);
            }
            if (Status s = openAttempt(change.printer.deviceKey, &open); s.health != Health::Ok) return s;
            if (change.kind == Change::Kind::Phase) {
                if (!open) {
                    if (Status s = insertAttempt(change, {}, &open); s.health != Health::Ok) return s;
                }
                QSqlQuery phase(connection_.db());
                phase.prepare(QStringLiteral("INSERT INTO phases (attempt_id, name, at) VALUES (?, ?, ?)"));
                phase.addBindValue(*open);
                phase.addBindValue(change.text);
                phase.addBindValue(isoTime(change.at));
                return phase.exec() ? Status{} : statusOf(phase.lastError());
            }
            if (!open) return {}; // nothing under way for this printer: nothing to end
            QSqlQuery finish(connection_.db());
            finish.prepare(QStringLiteral("UPDATE attempts SET ended = ?, outcome = ?, failure = ?, "
                                          "firmware_after = ?, color_tables_after = ? WHERE id = ?"));
            finish.addBindValue(isoTime(change.at));
            finish.addBindValue(change.text);
            finish.addBindValue(orNull(change.failure));
            finish.addBindValue(orNull(change.printer.firmwareVersion));
            finish.addBindValue(orNull(change.printer.colorTableVersion));
            finish.addBindValue(*open);
            return finish.exec() ? Status{} : statusOf(finish.lastError());
        });
    }

private:
    template <typename Work> Status inTransaction(Work work) {
        QSqlDatabase db = connection_.db();
        if (!db.transaction()) return statusOf(db.lastError());
        Status s = work();
        if (s.health == Health::Ok && !db.commit()) s = statusOf(db.lastError());
        if (s.health != Health::Ok) db.rollback();
        return s;
    }

    Status run(const QStringList& statements) {
        for (const QString& sql : statements)
            if (Status s = connection_.exec(sql); s.health != Health::Ok) return s;
        return {};
    }

    Status openAttempt(const QString& key, std::optional<qint64>* id) {
        QSqlQuery query(connection_.db());
        query.prepare(QStringLiteral("SELECT id FROM attempts WHERE device_key = ? AND outcome IS NULL "
                                     "ORDER BY id DESC LIMIT 1"));
        query.addBindValue(key);
        if (!query.exec()) return statusOf(query.lastError());
        if (query.next()) *id = query.value(0).toLongLong();
        return {};
    }

    Status insertAttempt(const Change& change, const QString& target, std::optional<qint64>* id) {
        QSqlQuery insert(connection_.db());
        insert.prepare(QStringLiteral("INSERT INTO attempts (started, device_key, serial_number, model, "
                                      "firmware_before, color_tables_before, firmware_target) "
                                      "VALUES (?, ?, ?, ?, ?, ?, ?)"));
        insert.addBindValue(isoTime(change.at));
        insert.addBindValue(change.printer.deviceKey);
        insert.addBindValue(orNull(change.printer.serialNumber));
        insert.addBindValue(orNull(change.printer.model));
        insert.addBindValue(orNull(change.printer.firmwareVersion));
        insert.addBindValue(orNull(change.printer.colorTableVersion));
        insert.addBindValue(orNull(target));
        if (!insert.exec()) return statusOf(insert.lastError());
        *id = insert.lastInsertId().toLongLong();
        return {};
    }

    Connection connection_;
    bool ready_ = false;
};

// ---- the store's state --------------------------------------------------------------------------------

struct History {
    base::Mutex mutex;
    QString path GUARDED_BY(mutex);
    QString problem GUARDED_BY(mutex);
    std::shared_ptr<platform::SerialQueue> queue GUARDED_BY(mutex); // set while open
};

History& history() {
    static History state;
    return state;
}

// The history queue's own state: touched only by the items running on it.
struct Writer {
    std::unique_ptr<Store> store;
    std::deque<Change> pending;
    bool retryScheduled = false;
    bool locked = false;
};

Writer& writer() {
    static Writer state;
    return state;
}

void setProblem(const QString& problem) {
    {
        base::MutexLocker lock(history().mutex);
        history().problem = problem;
    }
    if (!problem.isEmpty()) platform::platformLog("update history: %s", qUtf8Printable(problem));
}

QString lockedText(const QString& path) {
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "The update history %1 is locked by another program. "
                                                     "Updates are recorded as soon as it is free again."))
        .arg(path);
}

QString unusableText(const QString& path, const QString& reason) {
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "The update history %1 cannot be used: %2"))
        .arg(path, reason);
}

// Moves the database (and its write-ahead log) out of the way; the new name, or empty.
QString setAside(const QString& path) {
    const QString target = platform::files::setAside(path);
    if (target.isEmpty()) return {};
    for (const char* suffix : {"-wal", "-shm"})
        if (QFile::exists(path + QLatin1String(suffix)))
            QFile::rename(path + QLatin1String(suffix), target + QLatin1String(suffix));
    return target;
}

// On the history queue: opens the store at `path`; false when no history can be kept.
bool openStore(const QString& path) {
    Writer& w = writer();
    w = Writer{};
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        setProblem(unusableText(path, QStringLiteral("its folder cannot be made")));
        return false;
    }
    w.store = std::make_unique<Store>(path);
    Status status = w.store->ready();
    if (status.health == Health::Damaged) {
        w.store.reset();
        const QString aside = setAside(path);
        if (aside.isEmpty()) {
            setProblem(unusableText(path, status.reason));
            return false;
        }
        setProblem(localized(QT_TRANSLATE_NOOP("TBPrinters", "The update history %1 could not be read (%2). "
                                                             "It was set aside as %3 and a new one started."))
                       .arg(path, status.reason, aside));
        w.store = std::make_unique<Store>(path);
        status = w.store->ready();
    }
    if (status.health == Health::Locked) {
        w.locked = true;
        setProblem(lockedText(path));
        return true;
    }
    if (status.health != Health::Ok) {
        w.store.reset();
        setProblem(unusableText(path, status.reason));
        return false;
    }
    return true;
}

void drain();

void scheduleRetry() {
    Writer& w = writer();
    if (w.retryScheduled) return;
    w.retryScheduled = true;
    std::weak_ptr<platform::SerialQueue> queue;
    {
        base::MutexLocker lock(history().mutex);
        queue = history().queue;
    }
    platform::mainqueue::after(kRetryMs, [queue] {
        if (const auto q = queue.lock())
            q->async([] {
                writer().retryScheduled = false;
                drain();
            });
    });
}

// On the history queue: writes what is kept, in order, until done or locked out.
void drain() {
    Writer& w = writer();
    if (!w.store) return;
    QString path;
    {
        base::MutexLocker lock(history().mutex);
        path = history().path;
    }
    while (!w.pending.empty()) {
        Status status = w.store->ready();
        if (status.health == Health::Ok) status = w.store->apply(w.pending.front());
        if (status.health == Health::Locked) {
            if (!w.locked) setProblem(lockedText(path));
            w.locked = true;
            scheduleRetry();
            return;
        }
        if (status.health != Health::Ok) {
            // Kept in the log at least, with the reason.
            platform::platformLog("update history: not recorded: %s: %s",
                                  qUtf8Printable(w.pending.front().describe()),
                                  qUtf8Printable(status.reason));
            setProblem(unusableText(path, status.reason));
        }
        w.pending.pop_front();
    }
    if (w.locked) {
        w.locked = false;
        platform::platformLog("update history: %s is free again", qUtf8Printable(path));
        base::MutexLocker lock(history().mutex);
        if (history().problem == lockedText(path)) history().problem.clear();
    }
}

void record(Change change) {
    change.at = QDateTime::currentDateTimeUtc();
    std::shared_ptr<platform::SerialQueue> queue;
    {
        base::MutexLocker lock(history().mutex);
        queue = history().queue;
    }
    if (!queue) return;
    queue->async([change = std::move(change)] {
        Writer& w = writer();
        w.pending.push_back(change);
        // Locked out: kept for the retry, rather than waiting for the lock once more per change.
        if (!w.locked) drain();
    });
}

// ---- reading --------------------------------------------------------------------------------------------

QList<TBUpdateHistory::Attempt> readFrom(const QString& path, QString* problem) {
    if (path.isEmpty()) {
        *problem = localized(QT_TRANSLATE_NOOP("TBPrinters", "No update history is kept."));
        return {};
    }
    if (!QFileInfo::exists(path)) return {}; // nothing recorded yet
    QList<TBUpdateHistory::Attempt> attempts;
    Connection connection(path);
    Status status = connection.open();
    QSqlQuery query(connection.db());
    if (status.health == Health::Ok &&
        !query.exec(QStringLiteral(
            "SELECT id, started, ended, device_key, serial_number, model, firmware_before, "
            "color_tables_before, firmware_target, firmware_after, color_tables_after, outcome, failure "
            "FROM attempts ORDER BY id DESC")))
        status = statusOf(query.lastError());
    QHash<qint64, qsizetype> byId;
    while (status.health == Health::Ok && query.next()) {
        TBUpdateHistory::Attempt a;
        a.id = query.value(0).toLongLong();
        a.started = fromIsoTime(query.value(1));
        a.ended = fromIsoTime(query.value(2));
        QString* const texts[] = {&a.deviceKey,      &a.serialNumber,      &a.model,
                                  &a.firmwareBefore, &a.colorTablesBefore, &a.firmwareTarget,
                                  &a.firmwareAfter,  &a.colorTablesAfter,  &a.outcome,
                                  &a.failure};
        for (int i = 0; i < 10; ++i)
            *texts[i] = query.value(3 + i).toString();
        a.captures = TBUpdateCaptures::forAttempt(a.deviceKey, a.started, a.ended);
        byId.insert(a.id, attempts.size());
        attempts.append(a);
    }
    QSqlQuery phases(connection.db());
    if (status.health == Health::Ok &&
        !phases.exec(QStringLiteral("SELECT attempt_id, name, at FROM phases ORDER BY rowid")))
        status = statusOf(phases.lastError());
    while (status.health == Health::Ok && phases.next()) {
        const auto at = byId.constFind(phases.value(0).toLongLong());
        if (at == byId.constEnd()) continue;
        attempts[*at].phases.append({phases.value(1).toString(), fromIsoTime(phases.value(2))});
    }
    if (status.health == Health::Ok) return attempts;
    *problem = status.health == Health::Locked ? lockedText(path) : unusableText(path, status.reason);
    return {};
}

QString outcomeWord(const QString& outcome) {
    return outcome.isEmpty() ? QStringLiteral("under-way") : outcome;
}

QString localTime(const QDateTime& time) {
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

// The end of the file at `path`, at most `limit` bytes.
QByteArray tailOf(const QString& path, qint64 limit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    if (file.size() > limit) file.seek(file.size() - limit);
    return file.read(limit);
}

} // namespace

// ---- TBUpdateHistory ------------------------------------------------------------------------------------

QString TBUpdateHistory::defaultPath(const QString& programName) {
    return platform::files::dataHome() + QLatin1Char('/') + programName +
           QStringLiteral("/update-history.sqlite");
}

bool TBUpdateHistory::open(const QString& path) {
    close();
    auto queue = std::make_shared<platform::SerialQueue>("update-history");
    {
        base::MutexLocker lock(history().mutex);
        history().path = path;
        history().problem.clear();
        history().queue = queue;
    }
    auto opened = std::make_shared<std::atomic<bool>>(false);
    queue->async([path, opened] { opened->store(openStore(path)); });
    queue->waitUntilIdle();
    if (opened->load()) return true;
    base::MutexLocker lock(history().mutex);
    history().queue.reset();
    return false;
}

void TBUpdateHistory::close() {
    std::shared_ptr<platform::SerialQueue> queue;
    {
        base::MutexLocker lock(history().mutex);
        queue = std::move(history().queue);
        history().queue.reset();
    }
    if (!queue) return;
    queue->async([] {
        Writer& w = writer();
        drain();
        // Still locked out: the log keeps what could not be written.
        for (const Change& change : w.pending)
            platform::platformLog("update history: not recorded (the database stayed locked): %s",
                                  qUtf8Printable(change.describe()));
        w = Writer{};
    });
    queue->waitUntilIdle();
}

bool TBUpdateHistory::isOpen() {
    base::MutexLocker lock(history().mutex);
    return history().queue != nullptr;
}

QString TBUpdateHistory::path() {
    base::MutexLocker lock(history().mutex);
    return history().path;
}

QString TBUpdateHistory::problem() {
    base::MutexLocker lock(history().mutex);
    return history().problem;
}

void TBUpdateHistory::begin(const Printer& printer, const QString& target) {
    record(Change{Change::Kind::Begin, printer, target, {}, {}});
}

void TBUpdateHistory::phase(const Printer& printer, const QString& phase) {
    record(Change{Change::Kind::Phase, printer, phase, {}, {}});
}

void TBUpdateHistory::finish(const Printer& printer, const QString& outcome, const QString& failure) {
    record(Change{Change::Kind::Finish, printer, outcome, failure, {}});
}

void TBUpdateHistory::flush() {
    std::shared_ptr<platform::SerialQueue> queue;
    {
        base::MutexLocker lock(history().mutex);
        queue = history().queue;
    }
    if (queue) queue->waitUntilIdle();
}

QList<TBUpdateHistory::Attempt> TBUpdateHistory::readAll(QString* problem) {
    return readAllAt(path(), problem);
}

QList<TBUpdateHistory::Attempt> TBUpdateHistory::readAllAt(const QString& path, QString* problem) {
    QString why;
    QList<Attempt> attempts = readFrom(path, &why);
    if (problem) *problem = why;
    return attempts;
}

void TBUpdateHistory::readAll(std::function<void(const QList<Attempt>&, const QString&)> done) {
    // A queue of its own: a reader is never held up behind a writer waiting for a lock. Never
    // destroyed, so that no read can outlive it at the end of the program.
    static auto* const reader = new platform::SerialQueue("update-history-reader");
    reader->async([path = path(), done = std::move(done)]() mutable {
        QString problem;
        QList<Attempt> attempts = readFrom(path, &problem);
        platform::mainqueue::async([attempts, problem, done] { done(attempts, problem); });
    });
}

QJsonArray TBUpdateHistory::toJson(const QList<Attempt>& attempts) {
    QJsonArray list;
    for (const Attempt& a : attempts) {
        QJsonArray phases;
        for (const Phase& p : a.phases)
            phases.append(
                QJsonObject{{QStringLiteral("phase"), p.name}, {QStringLiteral("at"), isoTime(p.at)}});
        const auto text = [](const QString& s) { return s.isEmpty() ? QJsonValue() : QJsonValue(s); };
        list.append(QJsonObject{
            {QStringLiteral("id"), a.id},
            {QStringLiteral("started"), isoTime(a.started)},
            {QStringLiteral("ended"), a.ended.isValid() ? QJsonValue(isoTime(a.ended)) : QJsonValue()},
            {QStringLiteral("key"), a.deviceKey},
            {QStringLiteral("serialNumber"), text(a.serialNumber)},
            {QStringLiteral("model"), text(a.model)},
            {QStringLiteral("firmwareBefore"), text(a.firmwareBefore)},
            {QStringLiteral("colourTablesBefore"), text(a.colorTablesBefore)},
            {QStringLiteral("firmwareTarget"), text(a.firmwareTarget)},
            {QStringLiteral("firmwareAfter"), text(a.firmwareAfter)},
            {QStringLiteral("colourTablesAfter"), text(a.colorTablesAfter)},
            {QStringLiteral("outcome"), outcomeWord(a.outcome)},
            {QStringLiteral("failure"), text(a.failure)},
            {QStringLiteral("phases"), phases},
            {QStringLiteral("captures"), QJsonArray::fromStringList(a.captures)},
        });
    }
    return list;
}

QString TBUpdateHistory::toText(const QList<Attempt>& attempts) {
    if (attempts.isEmpty())
        return localized(QT_TRANSLATE_NOOP("TBPrinters", "No update has been recorded.")) + QLatin1Char('\n');
    QStringList blocks;
    for (const Attempt& a : attempts) {
        QString block = QStringLiteral("%1  %2 %3  (%4)  %5\n")
                            .arg(localTime(a.started), orDash(a.model), orDash(a.serialNumber), a.deviceKey,
                                 outcomeWord(a.outcome));
        block += QStringLiteral("  %1 %2 → %3")
                     .arg(localized(QT_TRANSLATE_NOOP("TBPrinters", "Firmware:")), orDash(a.firmwareBefore),
                          orDash(a.firmwareAfter.isEmpty() ? a.firmwareTarget : a.firmwareAfter));
        block += QLatin1Char('\n');
        block += QStringLiteral("  %1 %2 → %3\n")
                     .arg(localized(QT_TRANSLATE_NOOP("TBPrinters", "Colour tables:")),
                          orDash(a.colorTablesBefore), orDash(a.colorTablesAfter));
        for (const Phase& p : a.phases)
            block += QStringLiteral("  %1  %2\n").arg(localTime(p.at), p.name);
        if (a.ended.isValid())
            block += QStringLiteral("  %1  %2\n").arg(localTime(a.ended), outcomeWord(a.outcome));
        if (!a.failure.isEmpty())
            block += QStringLiteral("  %1\n").arg(
                a.failure.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QStringLiteral("\n  ")));
        for (const QString& capture : a.captures)
            block += QStringLiteral("  %1 %2\n")
                         .arg(localized(QT_TRANSLATE_NOOP("TBPrinters", "Capture:")),
                              QDir::toNativeSeparators(capture));
        blocks << block;
    }
    return blocks.join(QLatin1Char('\n'));
}

QByteArray TBUpdateHistory::supportReport(const QList<Attempt>& attempts, const QString& logFilePath) {
    QByteArray report;
    report += QStringLiteral("%1 %2, %3\n\n")
                  .arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion(),
                       isoTime(QDateTime::currentDateTimeUtc()))
                  .toUtf8();
    report += "== " + localized(QT_TRANSLATE_NOOP("TBPrinters", "Update history")).toUtf8() + " ==\n";
    if (const QString trouble = problem(); !trouble.isEmpty()) report += trouble.toUtf8() + "\n\n";
    report += toText(attempts).toUtf8();
    for (const QString& log : {QRVX_Log::oldLogFilePath(logFilePath), logFilePath}) {
        if (logFilePath.isEmpty() || !QFileInfo::exists(log)) continue;
        report += "\n== " + log.toUtf8() + " ==\n";
        report += tailOf(log, kReportLogLimit);
        if (!report.endsWith('\n')) report += '\n';
    }
    // The newest attempt's USB traffic (its last run's capture), for Wireshark or a replay.
    const auto newest = std::find_if(attempts.begin(), attempts.end(),
                                     [](const Attempt& a) { return !a.captures.isEmpty(); });
    if (newest == attempts.end()) return report;
    QFile capture(newest->captures.last());
    if (!capture.open(QIODevice::ReadOnly)) return report;
    report +=
        "\n== " + QFileInfo(capture).fileName().toUtf8() + " (pcap, base64: base64 -d > capture.pcap) ==\n";
    const QByteArray encoded = capture.readAll().toBase64();
    for (qsizetype at = 0; at < encoded.size(); at += kReportBase64Line)
        report += encoded.mid(at, kReportBase64Line) + '\n';
    return report;
}
