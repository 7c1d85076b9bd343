// The process-wide log facility. It has no instances: every member is static and works on module
// state created the first time the facility is used. Lines go to standard error, and to a pending
// in-memory buffer until a log file is set, from then on to that file (append mode, unbuffered,
// never closed). Writers are serialised by one mutex, so any thread may log at any time.
//
// Standard-error line: "<label>: <message>\n". File line: "<tag> [yyyy/MM/dd HH:mm:ss.SSS Z][ <app>:]
// <message>\n".
//
//   level  label               tag
//   0      "INFO"              "I"
//   1      "DEBUG: <app name>" "D"   (also every level outside 0-4)
//   2      "DEBUG2: <app name>" "D2"
//   3      "ERROR"             "E"
//   4      "WARN"              "W"
#pragma once

#include "support/QRVX_Base.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <optional>

// Name of the update notification, and the key of its payload: the file line just written,
// newline included.
extern const QString QRVX_LogFileDidUpdate;   // "QRVX_LogFileDidUpdate"
extern const QString QRVX_LogFileAddedString; // "QRVX_LogFileAddedString"

// Carries the update notification. The one instance lives as long as the process.
class QRVX_LogNotifier : public QObject {
    Q_OBJECT
public:
    static QRVX_LogNotifier* instance();

signals:
    // Emitted synchronously on the logging thread for every file line while notifications are on,
    // after the facility's lock is released (a receiver may log). `logFilePath` is the remembered log
    // file path (empty before one was set); `userInfo` holds QRVX_LogFileAddedString.
    void logFileDidUpdate(const QString& logFilePath, const QVariantMap& userInfo);

private:
    QRVX_LogNotifier() = default;
};

class QRVX_Log : public QRVX_Base {
public:
    // The pending buffer keeps its most recent content: above this many characters each new line
    // first drops the oldest kPendingBufferTrim characters (the cut may fall inside a line).
    static constexpr qsizetype kPendingBufferLimit = 1'000'000;
    static constexpr qsizetype kPendingBufferTrim = 10'000;
    // rollLogFileIfNecessary() rolls at this size; the old file never keeps more than kOldLogFileLimit.
    static constexpr std::uint64_t kRollThreshold = 1'048'576;
    static constexpr std::uint64_t kOldLogFileLimit = 10'485'760;

    // Opens the log file: creates its directory, rolls it when large, opens it for appending (0664,
    // unbuffered), moves the pending buffer into it and drops the buffer for good. When standard-error
    // logging is off, standard error is redirected into the file too. True only when this call opened
    // the file; once a file is open, later calls only remember the new path (the object of further
    // notifications), create its directory and roll it.
    static bool setLogFile(const QString& path);
    // When the file at logPath has at least `atSize` bytes, appends it to the old file (oldPath, or by
    // default the log path with "_old" before its extension; "_old.log" without one), keeping at
    // most the last 10 MiB of that from a line boundary, then empties the log file. If the old file
    // cannot be written, the log file is left as it is, so that nothing is lost. What it did goes to
    // the platform log call once the facility's lock is released.
    static void rollLogFile(const QString& logPath, const std::optional<QString>& oldPath,
                            std::uint64_t atSize);
    static void rollLogFileIfNecessary(const QString& logPath);

    static void setShouldNotifyForLogUpdates(bool on);
    static void setShouldLogToStdErr(bool on);
    static void setShouldLogAppName(bool on);
    static void setApplicationName(const QString& name);

    // The bracketed time stamp of a file line, for instance "[2026/12/29 10:11:12.345 -0700]", in the
    // local time zone. The year is the calendar year.
    static QString logDateString();
    static QString logDateString(const QDateTime& at);

    // The one writer of lines; everything else goes through it. Nothing happens at all while
    // standard-error logging is off and no log file is open.
    static void logLevel(std::int64_t level, const QString& message);
    // Level 1; a message with newlines becomes one line per piece, empty pieces included.
    static void debug(const QString& message);
    static void err(const QString& message);
    // Logs at level 3, then never returns: the calling thread sleeps for good, a year at a time, while
    // the rest of the process goes on until something else ends it.
    [[noreturn]] static void fatal(const QString& message);

    // Hex listing, one debug line per 16 bytes:
    // "00000000  1b 50 30 25 41 7f 20 7e  0a 31 32 33 34 35 36 37  |.P0%%A. ~.1234567|".
    static void logData(QByteArrayView data);
    // Each byte as "%.2x " (so the text ends with a blank); empty for no bytes.
    static QString asciiHexForData(QByteArrayView data);

    // Whole-string match of the lower-cased address against the usual RFC 5322 address pattern;
    // logs the address and its length through the platform log call first.
    static bool validateEmailAddress(const QString& emailAddress);

    // What the pending buffer holds, or none once a log file has taken over. For diagnostics and tests.
    static std::optional<QString> pendingLogText();
    // The remembered log file path (empty before setLogFile()).
    static QString logFilePath();
    // Where a roll of `logPath` keeps the lines it moves out ("name_old.ext").
    static QString oldLogFilePath(const QString& logPath);
};
