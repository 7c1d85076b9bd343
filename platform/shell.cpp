#include "platform/shell.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace platform {

ShellResult runShellCommand(const QString& line, int timeoutMs) {
    return runShellCommand(line, {}, timeoutMs);
}

ShellResult runShellCommand(const QString& line, const QStringList& arguments, int timeoutMs,
                            const QStringList& environment) {
    ShellResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    // The command reads nothing: a closed standard input keeps it from waiting on ours.
    process.setStandardInputFile(QProcess::nullDevice());
    if (!environment.isEmpty()) {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : environment) {
            const qsizetype equals = entry.indexOf(QLatin1Char('='));
            if (equals < 0)
                variables.remove(entry);
            else
                variables.insert(entry.left(equals), entry.mid(equals + 1));
        }
        process.setProcessEnvironment(variables);
    }
    // A session of its own: its process group is the shell's pid, which a time-out kills whole; and
    // no controlling terminal. Runs in the child between fork and exec (setsid is safe there).
    process.setChildProcessModifier([] { ::setsid(); });
    QStringList shellArguments{QStringLiteral("-c"), line, QStringLiteral("sh")};
    shellArguments += arguments;
    process.start(QStringLiteral("/bin/sh"), shellArguments);
    if (!process.waitForStarted()) return result;
    result.started = true;
    if (!process.waitForFinished(timeoutMs < 0 ? -1 : timeoutMs)) {
        if (process.state() != QProcess::NotRunning) {
            result.timedOut = true;
            // Not yet reaped, so the group still bears this id.
            const qint64 pid = process.processId();
            if (pid > 0) ::kill(-static_cast<pid_t>(pid), SIGKILL);
            process.kill();
        }
        process.waitForFinished(-1);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.exitedNormally = true;
        result.exitStatus = process.exitCode();
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

} // namespace platform
