// Small files that must survive a crash or a power cut whole or not at all.
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

namespace platform::files {

// Replaces the file at `path` with `data`: written to a temporary file in the same folder, flushed to
// the disk, then renamed over the old one, and the folder flushed too. Readers see the old contents
// or the new, never a mix or an empty file. Creates the folder (owner only) when it is missing.
// On failure the old file stays as it was and `error` says why. Blocks: not on the main thread.
bool replaceAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

// Removes the file at `path` and flushes its folder; a missing file is no failure.
bool removeDurably(const QString& path, QString* error = nullptr);

// Renames the file at `path` out of the way, so that it is neither read again nor overwritten, to
// "<path>.damaged-<local time>" (with a number after it when that is taken). The new name, or empty
// when it could not be moved.
QString setAside(const QString& path);

// An exclusive lock between processes (flock) on the file at `path`, held for the guard's life. The
// file is created (owner only, and its folder too) when missing and never removed: a process that
// removed it could leave the next one locking a new file while a third still held the old one. Two
// guards on one file exclude each other within one process too. Waits at most `patience` for
// another holder, then gives up: held() says whether the lock was had, error() why not. Blocks: not
// on the main thread, except briefly at start.
class ExclusiveFileLock {
public:
    ExclusiveFileLock(const QString& path, std::chrono::milliseconds patience);
    ~ExclusiveFileLock();
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

    bool held() const { return fd_ >= 0; }
    const QString& error() const { return error_; }

private:
    int fd_ = -1;
    QString error_;
};

// The user's state folder: $XDG_STATE_HOME when it is an absolute path, else ~/.local/state.
QString stateHome();
// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
QString dataHome();

} // namespace platform::files
