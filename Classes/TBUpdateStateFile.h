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
    // whose printers do not outlive the program): in memory only. Forgets what was recorded.
    static void setPath(const QString& path);

    // Reads the file and stores each of its dictionaries in the registry, unless the registry holds
    // an update for that port already (what is in memory is newer). Returns how many it stored.
    static int loadIntoRegistry();

    // The dictionary of the printer on `key` changed its update status: keeps `entries` when they say
    // an update is under way, drops the key otherwise, and writes the file (or removes it when no
    // update is left) before it returns. Blocks for the disk: command queues only, never the main
    // thread. A file that cannot be written is logged; the update itself goes on.
    static void record(const QString& key, const QVariantMap& entries);

    // The file's contents as record() writes them, for the current edition's program.
    static QByteArray serialise(const Updates& updates);
    // The updates in a file's contents, or nothing with the reason in `why`. All or nothing: one
    // entry that is not valid and the whole file is taken to be damaged. Touches no file and no
    // registry; any thread.
    static std::optional<Updates> parse(const QByteArray& bytes, QString* why);
};
