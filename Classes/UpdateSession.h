// The owner of one firmware update: one object per device key, from the operator's request (or the
// printer found carrying an update on) to the one ending, across the printer objects that the
// printer's two restarts make of it. It knows the step the update is in, the progress and its phase,
// the versions before and after, the sleep inhibitor, and it writes the update status, the record of
// updates under way and the history from its own transitions. Every way an update ends goes through
// end(): nothing else clears what an update holds.
//
// The steps run in a fixed order, as a device updater runs detach, wait for the replug, write,
// attach:
//
//   step                      event          next step                 recorded on entry
//   Request                   Passed         Readiness                 (the attempt began)
//   Readiness                 Passed         Confirmation
//   Readiness                 Retry          Readiness
//   Readiness                 InUpdateMode   Upload
//   Confirmation              Passed         Rewrite                   phase "request"
//   Rewrite                   NotReady       Readiness                 (nothing was sent)
//   Rewrite                   Sent           RestartIntoUpdateMode     phase "restart-into-update-mode"
//   RestartIntoUpdateMode     Returned       Upload                    phase "upload"
//   Upload                    Sent           ProgrammingAndRestart     phase "programming-and-restart"
//   ProgrammingAndRestart     Returned       Tables                    phase "colour-tables"
//   Tables                    InUpdateMode   Upload                    (the image was lost: again)
//   Tables                    Sent           Outcome
//
// Any step may end (end()); an ended session takes no more events. Update status 1 is stored right
// before the rewrite request goes out and 2 right before the image does (the printer may restart the
// moment the last byte is in), each with the record on disk, from the printer's command queue.
//
// Threads: adopt(), printerLeft() and end() are the main thread's (end() posts itself there when
// called elsewhere); so are the inhibitor and the wait for a printer's return. The sessions by key
// and each session's step, printer and versions are guarded by mutexes, and its progress is one
// atomic, so the steps that run on the printer's command queue find their session there, advance it
// and move its progress. The progress never goes back: moving it is one atomic step.
#pragma once

#include "Classes/TBUSBPrinterZEV.h"
#include "base/threadsafety.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class SleepInhibitor;
}
namespace usb::capture {
class Capture;
}

// The steps of an update, in the order they run.
enum class UpdateSessionStep : int {
    Request,
    Readiness,
    Confirmation,
    Rewrite,
    RestartIntoUpdateMode,
    Upload,
    ProgrammingAndRestart,
    Tables,
    Outcome,
};

// The one notice an ending shows; no title: none.
struct UpdateNotice {
    UpdateNotice() = default;
    UpdateNotice(QString title, QString message, std::optional<QStringList> buttons = std::nullopt,
                 std::function<void(qint64 response)> completion = {})
        : title(std::move(title)), message(std::move(message)), buttons(std::move(buttons)),
          completion(std::move(completion)) {}

    QString title;
    QString message;
    std::optional<QStringList> buttons;
    std::function<void(qint64 response)> completion;
};

class UpdateSession : public std::enable_shared_from_this<UpdateSession> {
public:
    using Step = UpdateSessionStep;
    using Notice = UpdateNotice;
    enum class Event {
        Passed,       // the checks passed, or the operator accepted: the next step in order
        Retry,        // "Proceed": the readiness checks again
        InUpdateMode, // the printer waits in its update mode for an image
        NotReady,     // the printer stopped being idle before the rewrite request: nothing was sent
        Sent,         // the frame of the step went out
        Returned,     // the printer is back on the bus after a restart
    };
    enum class Outcome { Succeeded, Failed, Cancelled, NotNeeded, Lost };
    // What becomes of the update status when the update ends.
    enum class Record {
        Keep,  // stays as the steps stored it (the printer's next start-up probe reads it)
        Clear, // removed: nothing is left to carry on
    };
    // The transition table above: the step `event` leads to from `from`, or nothing.
    static std::optional<Step> next(Step from, Event event);
    // "request", "readiness", ... for log lines and tests.
    static QString stepName(Step step);

    // ---- the sessions ----

    // The session of `key`'s update, or nothing [any thread].
    static std::shared_ptr<UpdateSession> find(const QString& key);
    // A new update of `printer` at `first`: the operator's request (Request, Readiness or Upload), or
    // a printer found carrying one on (`carriedOn`: no new attempt in the history, which takes the
    // next phase into the attempt still open, or begins one). A session that stood for the key is
    // replaced without an ending of its own.
    // [any thread]
    static std::shared_ptr<UpdateSession> start(const std::shared_ptr<TBUSBPrinterZEV>& printer, Step first,
                                                bool carriedOn, const QString& target = {});
    // Whether this run has begun an update of `key`'s printer [any thread].
    static bool begunInThisRun(const QString& key);
    // Forgets every session without an ending, as a program that starts again has none [main].
    static void forgetAll();
    // Device keys of the updates between their rewrite request and their outcome, sorted [main].
    static QStringList underWay();
    // Whether this run carries on the updates the record on disk holds (the window and --update do; a
    // listing only looks) [set before discovery].
    static void setCarriesOnRecordedUpdates(bool carriesOn);
    static bool carriesOnRecordedUpdates();
    // How long a printer that left for a restart may stay away before its update counts as lost.
    // Five minutes; tests shorten it.
    static void setReturnTimeoutMs(int milliseconds);

    QString key() const { return key_; }
    Step step() const;
    bool hasEnded() const;
    // The printer object that stands for the key now.
    std::shared_ptr<TBUSBPrinterZEV> printer() const;
    // The package's firmware version, when known.
    QString target() const;
    void setTarget(const QString& version);
    // The firmware version the printer reported once back from programming, the one the outcome is
    // decided on and names (empty: none reported, or not that far yet) [any thread].
    QString firmwareAfter() const;
    void setFirmwareAfter(const QString& version);
    // firmwareAfter() of the last update of `key` that ended in this run: what its outcome named,
    // whichever printer object stands for the key now; empty when none ended, or the last one ended
    // without a version reported after programming [any thread].
    static QString endedOnFirmware(const QString& key);
    // The update found the printer neither in its update mode nor back with new firmware: it stays
    // recorded, and the operator may start it again.
    bool isStalled() const { return stalled_; }
    void stall();
    // Whether the operator may ask for a new update of this printer now.
    bool allowsNewRequest() const;

    // A new printer object for the key (the printer is back) [main].
    void adopt(const std::shared_ptr<TBUSBPrinterZEV>& printer);
    // `printer` left the bus. A printer that leaves for a restart is waited for; one that does not
    // come back in time ends the update as lost [main].
    void printerLeft(const TBUSBPrinterZEV* printer);

    // Applies `event` to the current step [any thread]. False, and logged, when the table has no such
    // transition or the session has ended.
    bool advance(Event event);

    // ---- progress (any thread) ----

    // Moves the bar to `fraction` of the current step's share; never back.
    void progress(double fraction);
    // Tenths of a percent over the whole update; -1 before the rewrite and after the end.
    int progressPermille() const;
    std::optional<TBUSBPrinterZEV::UpdatePhase> phase() const;

    // ---- the update status [command queue: blocks for the disk] ----

    // Stores `status` in the printer's dictionary (none: removes it) and the record on disk.
    void storeStatus(std::optional<int> status);

    // ---- the one ending (main thread; posted there from elsewhere) ----

    // Releases the printer, the inhibitor and the row; stores or clears the update status; records
    // the outcome in the history (`history` is the failure text kept there, the notice's by default);
    // shows the notice; forgets the session. Only the first ending counts.
    void end(Outcome outcome, Notice notice = {}, Record record = Record::Keep, const QString& history = {});

    // ---- texts the update tells the operator ----
    static QString notRespondingTitle();   // "Printer Error"
    static QString notRespondingMessage(); // "The printer is not responding properly. ..."

private:
    UpdateSession(const QString& key, const std::shared_ptr<TBUSBPrinterZEV>& printer);
    void entered(Step step);            // mutex not held
    void followUnderWay(bool underWay); // main
    void announceProgress();

    const QString key_;
    mutable base::Mutex mutex_;
    Step step_ GUARDED_BY(mutex_) = Step::Request;
    std::weak_ptr<TBUSBPrinterZEV> printer_ GUARDED_BY(mutex_);
    QString target_ GUARDED_BY(mutex_);
    QString firmwareAfter_ GUARDED_BY(mutex_);
    bool ended_ GUARDED_BY(mutex_) = false;
    // The printer's USB traffic during the update, kept with the last updates' (TBUpdateCaptures).
    std::shared_ptr<usb::capture::Capture> capture_ GUARDED_BY(mutex_);
    std::atomic<bool> stalled_{false};
    // Phase and permille packed into one number that only grows (see progress()); -1: none.
    std::atomic<int> progress_{-1};
    // Main thread only.
    std::shared_ptr<platform::SleepInhibitor> inhibitor_;
    bool underWay_ = false;
    quint64 awaitingReturn_ = 0; // the generation of the wait for the printer's return; 0: none
};
