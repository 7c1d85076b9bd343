#include "platform/platformlog.h"

#include "base/threadsafety.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

base::Mutex gLogMutex;
LogObserver gObserver GUARDED_BY(gLogMutex);
QString gProgramName GUARDED_BY(gLogMutex);
bool gToStandardError GUARDED_BY(gLogMutex) = true;
// Shared so that a line being copied keeps its sink while another thread replaces it.
std::shared_ptr<const LogCopy> gCopy GUARDED_BY(gLogMutex);

QString vformat(const char* format, va_list args) {
    return QString::vasprintf(format, args);
}

void writeAll(const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, static_cast<size_t>(left));
        if (n <= 0) return;
        p += n;
        left -= n;
    }
}

QString programNameLocked() REQUIRES(gLogMutex) {
    if (!gProgramName.isEmpty()) return gProgramName;
    if (auto* app = QCoreApplication::instance()) return app->applicationName();
    return QStringLiteral("printer-tools");
}

} // namespace

void platformLogText(const QString& message) {
    // Calendar year on purpose: the week-based year is wrong in the last days of December.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    std::shared_ptr<const LogCopy> copy;
    {
        base::MutexLocker lock(gLogMutex);
        copy = gCopy;
        QString line = QStringLiteral("%1 %2[%3:%4] ")
                           .arg(stamp, programNameLocked())
                           .arg(static_cast<long long>(::getpid()))
                           .arg(static_cast<long long>(::syscall(SYS_gettid)));
        line += message;
        // Many messages bring their own newline; a second one would leave a blank line behind them.
        if (!message.endsWith(QLatin1Char('\n'))) line += QLatin1Char('\n');
        if (gToStandardError) writeAll(line.toUtf8());
        if (gObserver) gObserver(message);
    }
    // Outside the lock: the copy may log through a facility of its own.
    if (copy) (*copy)(message);
}

void platformLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const QString message = vformat(format, args);
    va_end(args);
    platformLogText(message);
}

void stderrPrint(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const QString text = vformat(format, args);
    va_end(args);
    std::shared_ptr<const LogCopy> copy;
    {
        base::MutexLocker lock(gLogMutex);
        copy = gCopy;
        if (gToStandardError) writeAll(text.toUtf8());
        if (gObserver) gObserver(text);
    }
    if (copy) (*copy)(text.endsWith(QLatin1Char('\n')) ? text.chopped(1) : text);
}

std::string methodName(char kind, const char* className, const char* selector) {
    std::string name;
    name += kind;
    name += '[';
    name += className;
    name += ' ';
    name += selector;
    name += ']';
    return name;
}

void setLogObserver(LogObserver observer) {
    base::MutexLocker lock(gLogMutex);
    gObserver = std::move(observer);
}

void setLogToStandardError(bool on) {
    base::MutexLocker lock(gLogMutex);
    gToStandardError = on;
}

void setLogCopy(LogCopy copy) {
    base::MutexLocker lock(gLogMutex);
    gCopy = copy ? std::make_shared<const LogCopy>(std::move(copy)) : nullptr;
}

void setLogProgramName(const QString& name) {
    base::MutexLocker lock(gLogMutex);
    gProgramName = name;
}

} // namespace platform
