#include "support/QRVX_Log.h"

#include "base/threadsafety.h"
#include "platform/hostinfo.h"
#include "platform/platformlog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <unicode/smpdtfmt.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

const QString QRVX_LogFileDidUpdate = QStringLiteral("QRVX_LogFileDidUpdate");
const QString QRVX_LogFileAddedString = QStringLiteral("QRVX_LogFileAddedString");

namespace {

// The calendar year ("yyyy"): the week-based year ("YYYY") would stamp the last days of December
// with the next year.
constexpr const char16_t* kLogDatePattern = u"[yyyy/MM/dd HH:mm:ss.SSS Z]";
constexpr mode_t kLogFileMode = 0664;

// The usual RFC 5322 address pattern, kept exactly as published.
constexpr std::string_view kEmailPattern =
    R"re((?:[a-z0-9!#$%\&'*+/=?\^_`{|}~-]+(?:\.[a-z0-9!#$%\&'*+/=?\^_`{|}~-]+)*|"(?:[\x01-\x08\x0b\x0c\x0e-\x1f\x21\x23-\x5b\x5d-\x7f]|\\[\x01-\x09\x0b\x0c\x0e-\x7f])*")@(?:(?:[a-z0-9](?:[a-z0-9-]*[a-z0-9])?\.)+[a-z0-9](?:[a-z0-9-]*[a-z0-9])?|\[(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\.){3}(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?|[a-z0-9-]*[a-z0-9]:(?:[\x01-\x08\x0b\x0c\x0e-\x1f\x21-\x5a\x53-\x7f]|\\[\x01-\x09\x0b\x0c\x0e-\x7f])+)\]))re";
static_assert(kEmailPattern.size() == 430);

struct LogState {
    base::Mutex mutex;
    QString applicationName GUARDED_BY(mutex);
    // The pending buffer; gone for good once a file is open.
    std::optional<QString> pending GUARDED_BY(mutex) = QString();
    QString logFilePath GUARDED_BY(mutex);  // standardised; empty before setLogFile()
    FILE* file GUARDED_BY(mutex) = nullptr; // append mode, unbuffered, never closed
    bool logToStdErr GUARDED_BY(mutex) = true;
    bool logAppName GUARDED_BY(mutex) = false;
    bool notify GUARDED_BY(mutex) = false;
    // A line could not be written to the file (said once on standard error).
    bool writeFailed GUARDED_BY(mutex) = false;
};

void writeToStdErr(const QByteArray& bytes);

// Appends `bytes` to the open log file, with the lock held. The first write that fails is said once
// on standard error, so that a log file that cannot take the lines (a full disk, /dev/full) is not
// lost without a word.
void writeToFileLocked(LogState& s, const QByteArray& bytes) REQUIRES(s.mutex) {
    if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), s.file) ==
            static_cast<size_t>(bytes.size()) ||
        s.writeFailed)
        return;
    const int error = errno;
    s.writeFailed = true;
    writeToStdErr(QStringLiteral("%1: cannot write the log file %2: %3\n")
                      .arg(s.applicationName, s.logFilePath, QString::fromLocal8Bit(std::strerror(error)))
                      .toUtf8());
}

// Created on first use and never freed: threads may still log while the process exits.
LogState& logState() {
    static LogState* state = [] {
        auto* s = new LogState;
        base::MutexLocker lock(s->mutex);
        s->applicationName = platform::hostinfo::processName();
        return s;
    }();
    return *state;
}

// ICU formatters must not be used by two threads at once.
struct DateFormatter {
    base::Mutex mutex;
    std::unique_ptr<icu::SimpleDateFormat> formatter GUARDED_BY(mutex); // null if ICU refused the pattern
};

DateFormatter& dateFormatter() {
    static DateFormatter* shared = [] {
        auto* f = new DateFormatter;
        base::MutexLocker lock(f->mutex);
        UErrorCode status = U_ZERO_ERROR;
        auto formatter = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(kLogDatePattern), status);
        if (U_SUCCESS(status)) f->formatter = std::move(formatter);
        return f;
    }();
    return *shared;
}

void writeToStdErr(const QByteArray& bytes) {
    const char* p = bytes.constData();
    size_t left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return; // writes to standard error are not checked further
        p += n;
        left -= static_cast<size_t>(n);
    }
}

// "~" expanded, "." and ".." resolved.
QString standardizedPath(const QString& path) {
    QString expanded = path;
    if (expanded == QLatin1String("~") || expanded.startsWith(QLatin1String("~/")))
        expanded.replace(0, 1, QDir::homePath());
    return QDir::cleanPath(expanded);
}

// The default companion of a log file: "_old" before the extension of the last path component,
// or "_old.log" appended when it has none.
QString defaultOldPath(const QString& logPath) {
    const qsizetype slash = logPath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = logPath.lastIndexOf(QLatin1Char('.'));
    // A dot that leads the file name (".log") or sits in a directory name is no extension.
    if (dot > slash + 1 && dot < logPath.size() - 1)
        return logPath.left(dot) + QStringLiteral("_old.") + logPath.mid(dot + 1);
    return logPath + QStringLiteral("_old.log");
}

// The last `count` bytes of the file (all of it when shorter), and its size; nullopt when unreadable.
std::optional<std::pair<QByteArray, qint64>> readTail(const QString& path, qint64 count) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const qint64 size = file.size();
    const qint64 start = std::max<qint64>(0, size - count);
    if (start > 0 && !file.seek(start)) return std::nullopt;
    QByteArray bytes = file.read(count);
    if (bytes.isNull() && size > 0) return std::nullopt;
    return std::make_pair(bytes, start + bytes.size());
}

// Rolls under the facility's lock. What it has to say goes into `messages`, for the platform log call
// once the lock is released: a copy of the platform's lines may come back into this facility.
void rollLocked(const QString& logPath, const std::optional<QString>& givenOldPath, std::uint64_t atSize,
                QStringList& messages) {
    struct stat info {};
    if (::stat(QFile::encodeName(logPath).constData(), &info) != 0) return;
    if (static_cast<std::uint64_t>(info.st_size) < atSize) return;

    messages << QStringLiteral("Rolling log file.");
    const QString oldPath = givenOldPath.value_or(defaultOldPath(logPath));

    // Only the last 10 MiB (plus the byte before, to find a line boundary) can survive, so no more is
    // read: a log that grew for months must not be loaded whole.
    const auto keep = static_cast<qint64>(QRVX_Log::kOldLogFileLimit + 1);
    const auto log = readTail(logPath, keep);
    if (!log) {
        // Emptying a log that could not be saved would lose it.
        messages << QStringLiteral("Error reading log file ") + logPath;
        return;
    }
    const auto& [logTail, logSize] = *log;
    QByteArray combined;
    qint64 oldSize = 0;
    if (logTail.size() < keep) {
        if (const auto old = readTail(oldPath, keep - logTail.size())) { // absent or unreadable: empty
            combined = old->first;
            oldSize = old->second;
        }
    }
    combined += logTail;
    // `combined` now starts at offset (total - keep) of old + log whenever the total exceeds the limit.
    if (static_cast<std::uint64_t>(oldSize + logSize) > QRVX_Log::kOldLogFileLimit) {
        const qsizetype newline = combined.indexOf('\n');
        combined.remove(0, newline < 0 ? combined.size() : newline + 1);
    }

    // Atomic replacement: a failed write leaves the previous old file intact.
    QSaveFile oldFile(oldPath);
    oldFile.setDirectWriteFallback(true);
    const bool written =
        oldFile.open(QIODevice::WriteOnly) && oldFile.write(combined) == combined.size() && oldFile.commit();
    if (!written) {
        messages << QStringLiteral("Error writing old log file to ") + oldPath;
        return; // keep the log file: its lines are in no other place
    }
    messages << QStringLiteral("Rolled previous log file into ") + oldPath;
    ::chmod(QFile::encodeName(oldPath).constData(), kLogFileMode);

    const int fd = ::open(QFile::encodeName(logPath).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd >= 0) {
        messages << QStringLiteral("Starting new log file at ") + logPath;
        ::close(fd);
    }
}

struct LevelNames {
    QString label;
    const char* tag;
};

LevelNames levelNames(std::int64_t level, const QString& applicationName) {
    switch (level) {
    case 0:
        return {QStringLiteral("INFO"), "I"};
    case 2:
        return {QStringLiteral("DEBUG2: ") + applicationName, "D2"};
    case 3:
        return {QStringLiteral("ERROR"), "E"};
    case 4:
        return {QStringLiteral("WARN"), "W"};
    default:
        return {QStringLiteral("DEBUG: ") + applicationName, "D"}; // 1 and every unknown level
    }
}

} // namespace

QRVX_LogNotifier* QRVX_LogNotifier::instance() {
    static QRVX_LogNotifier* notifier = [] {
        auto* n = new QRVX_LogNotifier;
        // Belong to the main thread whichever thread logged first.
        if (auto* app = QCoreApplication::instance()) n->moveToThread(app->thread());
        return n;
    }();
    return notifier;
}

bool QRVX_Log::setLogFile(const QString& path) {
    if (path.isEmpty()) return false;
    LogState& s = logState();
    const QString standardized = standardizedPath(path);
    {
        base::MutexLocker lock(s.mutex);
        s.logFilePath = standardized;
    }

    // A bare file name ("rel.log") lives in the current directory: there is nothing to create.
    const std::filesystem::path directory =
        std::filesystem::path(QFile::encodeName(standardized).toStdString()).parent_path();
    if (!directory.empty()) {
        std::error_code error;
        std::filesystem::create_directories(directory, error);
        if (error)
            platform::platformLog("error with createDirectoryAtPath for [%s]:\nERROR = %s",
                                  path.toUtf8().constData(), error.message().c_str());
    }

    rollLogFileIfNecessary(standardized);

    int openError = 0;
    {
        base::MutexLocker lock(s.mutex);
        if (s.file) return false; // the file that is open stays in use
        FILE* file = std::fopen(QFile::encodeName(standardized).constData(), "ae");
        if (file) {
            // Before the first write: C allows setvbuf only on a stream not used yet.
            std::setvbuf(file, nullptr, _IONBF, 0);
            ::fchmod(::fileno(file), kLogFileMode);
            if (s.pending && !s.pending->isEmpty()) {
                s.file = file;
                writeToFileLocked(s, s.pending->toUtf8());
                std::fflush(file);
            }
            s.pending.reset();
            s.file = file;
            // Whatever else writes to standard error (the platform log call included) lands in the file.
            // dup2 rather than reopening by name: a failed reopen would close standard error for good.
            if (!s.logToStdErr) {
                std::fflush(stderr);
                ::dup2(::fileno(file), STDERR_FILENO);
            }
            return true;
        }
        openError = errno;
    }
    // One multi-argument call: a "%2" inside the path must not be taken for a place holder.
    debug(QStringLiteral("Failed to open log file at %1; error %2 \"%3\"")
              .arg(path, QString::number(openError), QString::fromLocal8Bit(std::strerror(openError))));
    return false;
}

QString QRVX_Log::oldLogFilePath(const QString& logPath) {
    return defaultOldPath(logPath);
}

void QRVX_Log::rollLogFile(const QString& logPath, const std::optional<QString>& oldPath,
                           std::uint64_t atSize) {
    LogState& s = logState();
    QStringList messages;
    {
        // Under the lock, so that no line is written between reading the file and emptying it.
        base::MutexLocker lock(s.mutex);
        rollLocked(logPath, oldPath, atSize, messages);
    }
    for (const QString& message : std::as_const(messages))
        platform::platformLogText(message);
}

void QRVX_Log::rollLogFileIfNecessary(const QString& logPath) {
    rollLogFile(logPath, std::nullopt, kRollThreshold);
}

void QRVX_Log::setShouldNotifyForLogUpdates(bool on) {
    LogState& s = logState();
    base::MutexLocker lock(s.mutex);
    s.notify = on;
}

void QRVX_Log::setShouldLogToStdErr(bool on) {
    LogState& s = logState();
    base::MutexLocker lock(s.mutex);
    s.logToStdErr = on;
}

void QRVX_Log::setShouldLogAppName(bool on) {
    LogState& s = logState();
    base::MutexLocker lock(s.mutex);
    s.logAppName = on;
}

void QRVX_Log::setApplicationName(const QString& name) {
    LogState& s = logState();
    base::MutexLocker lock(s.mutex);
    s.applicationName = name;
}

QString QRVX_Log::logDateString() {
    return logDateString(QDateTime::currentDateTime());
}

QString QRVX_Log::logDateString(const QDateTime& at) {
    DateFormatter& f = dateFormatter();
    {
        base::MutexLocker lock(f.mutex);
        if (f.formatter) {
            icu::UnicodeString text;
            UErrorCode status = U_ZERO_ERROR;
            f.formatter->format(static_cast<UDate>(at.toMSecsSinceEpoch()), text, status);
            if (U_SUCCESS(status))
                return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
        }
    }
    // Same shape without ICU.
    const QDateTime local = at.toLocalTime();
    const int offsetMinutes = local.offsetFromUtc() / 60;
    return local.toString(QStringLiteral("'['yyyy/MM/dd HH:mm:ss.zzz ")) +
           QString::asprintf("%c%02d%02d]", offsetMinutes < 0 ? '-' : '+', std::abs(offsetMinutes) / 60,
                             std::abs(offsetMinutes) % 60);
}

void QRVX_Log::logLevel(std::int64_t level, const QString& message) {
    LogState& s = logState();
    QString notifyPath;
    QString notifyLine;
    {
        base::MutexLocker lock(s.mutex);
        if (!s.logToStdErr && !s.file) return;
        const LevelNames names = levelNames(level, s.applicationName);
        if (s.logToStdErr)
            writeToStdErr((names.label + QStringLiteral(": ") + message + QLatin1Char('\n')).toUtf8());
        if (!s.pending && !s.file) return;

        const QString namePart = s.logAppName ? QStringLiteral(" %1:").arg(s.applicationName) : QString();
        const QString line = QLatin1String(names.tag) + QLatin1Char(' ') + logDateString() + namePart +
                             QLatin1Char(' ') + message + QLatin1Char('\n');
        if (s.pending) {
            if (s.pending->size() > kPendingBufferLimit) s.pending->remove(0, kPendingBufferTrim);
            s.pending->append(line);
        } else {
            writeToFileLocked(s, line.toUtf8());
        }
        if (!s.notify) return;
        notifyPath = s.logFilePath;
        notifyLine = line;
    }
    emit QRVX_LogNotifier::instance()->logFileDidUpdate(notifyPath,
                                                        QVariantMap{{QRVX_LogFileAddedString, notifyLine}});
}

void QRVX_Log::debug(const QString& message) {
    if (!message.contains(QLatin1Char('\n'))) {
        logLevel(1, message);
        return;
    }
    for (const QString& piece : message.split(QLatin1Char('\n')))
        logLevel(1, piece);
}

void QRVX_Log::err(const QString& message) {
    logLevel(3, message);
}

void QRVX_Log::fatal(const QString& message) {
    err(message);
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(24 * 365));
    std::_Exit(EXIT_FAILURE);
}

void QRVX_Log::logData(QByteArrayView data) {
    constexpr qsizetype kBytesPerLine = 16;
    for (qsizetype offset = 0; offset < data.size(); offset += kBytesPerLine) {
        const QByteArrayView run = data.sliced(offset, std::min(kBytesPerLine, data.size() - offset));
        debug(QString::asprintf("%.8lx  ", static_cast<unsigned long>(offset)) + hexListingBody(run));
    }
}

QString QRVX_Log::asciiHexForData(QByteArrayView data) {
    QString hex;
    hex.reserve(data.size() * 3);
    for (const char byte : data)
        hex += QString::asprintf("%.2x ", static_cast<unsigned char>(byte));
    return hex;
}

bool QRVX_Log::validateEmailAddress(const QString& emailAddress) {
    platform::platformLog("Passed emailAddress=[%s] with length=[%lu]...", emailAddress.toUtf8().constData(),
                          static_cast<unsigned long>(emailAddress.size()));
    thread_local const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QString::fromLatin1(kEmailPattern.data(), static_cast<qsizetype>(kEmailPattern.size()))));
    return pattern.match(emailAddress.toLower()).hasMatch();
}

std::optional<QString> QRVX_Log::pendingLogText() {
    LogState& s = logState();
    base::MutexLocker lock(s.mutex);
    return s.pending;
}

QString QRVX_Log::logFilePath() {
    LogState& s = logState();
    base::MutexLocker lock(s.mutex);
    return s.logFilePath;
}
