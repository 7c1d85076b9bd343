// Small files that must survive a crash or a power cut whole or not at all.
#pragma once

#include <QByteArray>
#include <QString>

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

// The user's state folder: $XDG_STATE_HOME when it is an absolute path, else ~/.local/state.
QString stateHome();
// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
QString dataHome();

} // namespace platform::files
