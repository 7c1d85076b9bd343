// Several printers updated side by side after one set of questions: one warning with its "I Agree"
// box, the readiness checks of every printer at once (nothing is asked of the operator there), one
// confirmation that lists the printers that will be updated and those left apart with the reason,
// then each printer's own update (its own session, command queue, bar and history attempt), and one
// summary notice once every one has ended. A printer that fails, leaves the bus or is held by another
// program ends on its own; the others go on.
//
// The members' sessions end as any update does (UpdateSession::end); the batch takes the notice each
// would have shown and tells the outcomes together. Questions that belong to one printer in the middle
// of its update (a printer no longer idle at the rewrite request, one held at the upload) are still
// that printer's own.
//
// Main thread only.
#pragma once

#include "Classes/UpdateSession.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class TBUSBPrinterZEV;

class UpdateBatch : public std::enable_shared_from_this<UpdateBatch> {
public:
    // The subject of the batch's own alerts (the warning, the confirmation, the summary).
    static QString alertSubject();

    enum class Standing {
        Asked,    // before the checks: the warning is up
        Checking, // the readiness checks run
        Ready,    // passed the checks: waits for the confirmation
        Running,  // its update runs
        Apart,    // left apart before anything was sent (reason in `message`)
        Ended,    // its update ended (outcome, title and message tell how)
    };
    struct Member {
        QString key;
        QString name;      // model and serial number, as the lists say
        QString installed; // the firmware version text before the update
        QString target;    // the package's firmware version text
        Standing standing = Standing::Asked;
        bool followed = false; // already under way when the batch began: only its outcome is awaited
        UpdateSession::Outcome outcome = UpdateSession::Outcome::Cancelled;
        QString title; // the notice that ended it (for one left apart: the reason)
        QString message;
    };
    struct Observer {
        std::function<void(const Member& member)> ended; // each member, once, when it has ended
        std::function<void()> finished;                  // after the summary notice
    };

    // Starts an update of every printer in `printers` (at least one): those whose update may start
    // now are asked about; those already being updated in this run are followed; the rest are left
    // apart at once.
    static std::shared_ptr<UpdateBatch> start(const QList<std::shared_ptr<TBUSBPrinterZEV>>& printers,
                                              Observer observer = {});
    // Called by every ending session: a batch member's notice is kept for the summary (true), any
    // other is shown as usual (false).
    static bool takeEnding(const QString& key, UpdateSession::Outcome outcome, const UpdateNotice& notice);
    // The batches still running.
    static int running();

    // Ends whatever has not been sent to its printer yet, as "Cancel" does.
    void cancel();
    const QList<Member>& members() const { return members_; }
    bool isFinished() const { return finished_; }

    // The summary notice's texts for `members` (also for tests and the command line).
    static QString summaryTitle(const QList<Member>& members);
    static QString summaryMessage(const QList<Member>& members);

private:
    explicit UpdateBatch(Observer observer) : observer_(std::move(observer)) {}
    Member* member(const QString& key);
    void warn();
    void check();
    void checked(const QString& key, const TBUSBPrinterZEV::Readiness& readiness);
    void confirm();
    void go();
    void setApart(Member& m, UpdateSession::Outcome outcome, const QString& reason);
    void endMember(Member& m, UpdateSession::Outcome outcome, const QString& title, const QString& message);
    void finishIfDone();

    Observer observer_;
    QList<Member> members_;
    QList<std::weak_ptr<TBUSBPrinterZEV>> printers_; // same positions as members_
    QList<TBUSBPrinterZEV::Readiness::Kind> found_;  // same positions: what the checks found
    bool assembling_ = false;                        // start() is still adding members
    bool launching_ = false;                         // check() is still starting the checks
    bool finished_ = false;
};
