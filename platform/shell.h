// Runs one command line through the system shell ("/bin/sh -c LINE") and waits for it to end.
//
// It blocks the calling thread for as long as the command runs: call it on a printer's command
// queue or another worker thread, never on the main thread (which must never wait).
//
// The shell runs in a session of its own, without a controlling terminal (so nothing it starts can
// stop to ask for a password on one) and with standard input closed. On a time-out the whole
// process group is killed: the shell and everything it started.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

struct ShellResult {
    bool started = false;        // /bin/sh could be run at all
    bool exitedNormally = false; // false when it was killed by a signal (or never started)
    bool timedOut = false;       // the time-out ran out and the command was killed
    int exitStatus = -1;         // the shell's exit status when it exited normally, else -1
    QByteArray standardOutput;
    QByteArray standardError;
};

// `timeoutMs` < 0 waits as long as it takes; on a time-out the shell is killed and the result says
// exitedNormally = false, timedOut = true.
ShellResult runShellCommand(const QString& line, int timeoutMs = -1);

// The same, with positional parameters and environment. The shell runs as
// "/bin/sh -c LINE sh ARGUMENTS...": the line reads the arguments as "$1", "$2"... and they reach it
// as they are, never parsed as shell text. Quote them in the line ("$1") to keep blanks and glob
// characters. Each `environment` entry "NAME=value" is set over the inherited environment; an
// entry "NAME" without '=' removes the variable.
ShellResult runShellCommand(const QString& line, const QStringList& arguments, int timeoutMs,
                            const QStringList& environment = {});

} // namespace platform
