// The platform log call: one time-stamped diagnostic line per call on standard error,
//   YYYY-MM-DD HH:MM:SS.mmm program[pid:tid] message
// ending in one newline, added only when the message does not already end in one;
// and the "ERROR: " lines the low-level USB helpers print straight to standard error.
// Both are safe from any thread; each line reaches standard error in one write.
#pragma once

#include <QString>

#include <functional>
#include <string>

namespace platform {

// printf-style; "%@" is not understood: pass text as "%s" with UTF-8.
void platformLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void platformLogText(const QString& message);

// Writes the formatted text to standard error unchanged (no time stamp, no added newline).
void stderrPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The selector-style name a log line gives an operation, the same in every log of the printer tools:
// methodName('-', "TBUSBPrinterZEV", "finishFirmwareUpdate") is "-[TBUSBPrinterZEV finishFirmwareUpdate]".
std::string methodName(char kind, const char* className, const char* selector);

// Tests watch what is logged. The observer sees each platform log message (without time stamp) and
// each stderrPrint text; it runs on the logging thread, under the log lock. Pass nullptr to stop.
using LogObserver = std::function<void(const QString& text)>;
void setLogObserver(LogObserver observer);

// Whether platform log lines and stderrPrint texts are written to standard error (on by default).
void setLogToStandardError(bool on);
// Hands each platform log message (without time stamp) and stderrPrint text also to `copy`, on the logging
// thread and outside the log lock (a log file of the program's own). Pass nullptr to stop.
using LogCopy = std::function<void(const QString& message)>;
void setLogCopy(LogCopy copy);

// Program name shown in platform log lines (defaults to the executable's name).
void setLogProgramName(const QString& name);

} // namespace platform
