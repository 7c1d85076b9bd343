// Runs one command line through the system shell ("/bin/sh -c LINE") and waits for it to end.
//
// It blocks the calling thread for as long as the command runs: call it on a printer's command
// queue or another worker thread, never on the main thread (which must never wait).
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

struct ShellResult {
    bool started = false;        // /bin/sh could be run at all
    bool exitedNormally = false; // false when it was killed by a signal (or never started)
    int exitStatus = -1;         // the shell's exit status when it exited normally, else -1
    QByteArray standardOutput;
    QByteArray standardError;
};

// `timeoutMs` < 0 waits as long as it takes; on a time-out the shell is killed and the result says
// exitedNormally = false.
ShellResult runShellCommand(const QString& line, int timeoutMs = -1);

} // namespace platform
