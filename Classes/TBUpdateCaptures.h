// The captures kept of the last update attempts: each update records its printer's USB traffic (from
// the printer's first arrival in the run, so the start-up probe is in it too) into a file of its own,
// so support can read it in Wireshark or replay it as a printer. Only the newest few are kept, within
// a bounded total size. A file is named after the time its recording began and the device key, which
// is how an attempt of the history finds its captures (one per run the attempt went through).
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace usb::capture {
class Capture;
}

class TBUpdateCaptures {
public:
    static constexpr int kKeptCaptures = 8;
    static constexpr qint64 kKeptBytes = 32 * 1024 * 1024;

    // $XDG_STATE_HOME/<program>/captures (captures-simulated for the simulated printers).
    static QString defaultFolder(const QString& programName, bool simulated);
    // Where captures are kept from now on; empty (the default): none are kept.
    static void setFolder(const QString& folder);
    static QString folder();

    // Starts the capture of an update of the printer `deviceKey` at `locationId`, after making room for
    // it, off the calling thread (the capture starts with what the printer did since it arrived, so
    // nothing is lost meanwhile), and hands it to `started` on that other thread; nothing is handed
    // when none are kept or the file cannot be written (logged). [any thread]
    static void begin(const QString& deviceKey, quint32 locationId,
                      std::function<void(std::shared_ptr<usb::capture::Capture>)> started);
    // The capture files of the attempt of `deviceKey` that began at `started` and ended at `ended`
    // (invalid: still open), oldest first.
    static QStringList forAttempt(const QString& deviceKey, const QDateTime& started, const QDateTime& ended);
};
