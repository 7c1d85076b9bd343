#include "platform/shell.h"

#include <QProcess>

namespace platform {

ShellResult runShellCommand(const QString& line, int timeoutMs) {
    ShellResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    // The command reads nothing: a closed standard input keeps it from waiting on ours.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
    if (!process.waitForStarted()) return result;
    result.started = true;
    if (!process.waitForFinished(timeoutMs < 0 ? -1 : timeoutMs)) {
        process.kill();
        process.waitForFinished();
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.exitedNormally = true;
        result.exitStatus = process.exitCode();
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

} // namespace platform
