// Updates under way, kept on disk: the device-info registry lives in memory, so an update whose
// program ends (closed, crashed, the computer restarted) between the printer's two restarts would
// otherwise be lost, and the printer would come back "unexpectedly" in its update mode, or with new
// firmware and colour tables that were never written. Every registry dictionary whose update status
// says an update is under way (waiting for the image, or restarting after it) is kept in one small
// JSON file, replaced atomically whenever a status changes and removed when none is left; the next
// start gives the registry those dictionaries back before discovery, and each printer's start-up
// probe carries on from there.
//
// A file that cannot be read, is damaged, or was not written by this program for this purpose is set
// aside under a new name (never trusted in part) with a log line and a notice to the operator.
//
// Several instances of the program may run at once for one user (the window open while a kiosk
// script runs the command line), and they share the file: each change is read from the disk, merged
// and written back under an exclusive lock between processes on "<file>.lock" beside it, so no
// instance loses another's entries. Each entry names, as the text "updateOwner" among its values, the
// process that carries its update on (ownerToken()); an instance leaves the updates of another that
// is alive alone, and takes over those whose owner has ended (entries without an owner, from before
// owners were kept, count as such). The lock is waited for a few seconds at most; past that the
// change is made without it and logged.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariantMap>

#include <optional>

class TBUpdateStateFile {
public:
    // The dictionaries of the updates under way, by device key.
    using Updates = QMap<QString, QVariantMap>;

    // $XDG_STATE_HOME/<program>/updates-under-way.json
    static QString defaultPath(const QString& programName);
    // Where the updates under way are kept from now on; empty (the default, and the simulated bus,
    // whose printers do not outlive the program): nowhere, and record() does nothing. Any thread.
    static void setPath(const QString& path);

    // Under the lock: reads the file and, for each update that no other live process owns, makes it
    // this process's own in the file and stores its dictionary (without the owner) in the registry,
    // unless the registry holds an update for that port already (what is in memory is newer). The
    // updates of other live processes stay in the file as they are. Returns how many it stored. At
    // start, before discovery: blocks for the disk, and for another instance that holds the lock.
    static int loadIntoRegistry();

    // The dictionary of the printer on `key` changed its update status. Under the lock, on what the
    // file holds: when `entries` say an update is under way they are kept as this process's (taking
    // the update over from any other owner: this process has the printer in hand); otherwise the key
    // is dropped, unless another live process owns it. The file is written (or removed when no update
    // is left) before it returns. Blocks for the disk: command queues only, never the main thread. A
    // file that cannot be written is logged; the update itself goes on.
    static void record(const QString& key, const QVariantMap& entries);

    // This process, as entries name their owner: "<boot id>:<pid>:<start time in clock ticks>", which
    // no other process has, even after the pid is used again. Any thread.
    static QString ownerToken();
    // Whether the process `token` names is still running in this boot (a zombie has ended). A token
    // that is not well formed is not alive. Reads /proc: any thread.
    static bool ownerAlive(const QString& token);
    // The token of the other live process that owns the recorded update of `key`, or nothing: no
    // path, no such entry, an entry of this process or of one that has ended, or a file that cannot
    // be read. Reads the file under the lock: blocks for the disk, not on the main thread.
    static std::optional<QString> ownedElsewhere(const QString& key);
    // Every recorded update as the file holds it, whoever owns it, without taking any; nothing when
    // the file cannot be read. Blocks for the disk, not on the main thread.
    static Updates recorded();

    // The file's contents as record() writes them, for the current edition's program; touches no file.
    static QByteArray serialise(const Updates& updates);
    // The updates in a file's contents (the owner kept among each one's values), or nothing with the
    // reason in `why`. All or nothing: one entry that is not valid and the whole file is taken to be
    // damaged. Touches no file and no registry; any thread.
    static std::optional<Updates> parse(const QByteArray& bytes, QString* why);
};
