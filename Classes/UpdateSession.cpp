#include "Classes/UpdateSession.h"

#include "Classes/Edition.h"
#include "Classes/TBUpdateCaptures.h"
#include "Classes/TBUpdateHistory.h"
#include "Classes/TBUpdateStateFile.h"
#include "Classes/UpdateBatch.h"
#include "platform/usb/capture/capture.h"

#include "platform/dialogs.h"
#include "platform/inhibitor.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/strings.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// How long an update's capture goes on after the update ended: what the printer is asked right after
// (its status, the interface let go) belongs to the update too, and a replay of the capture asks it.
constexpr int kCaptureTailMs = 3000;

void stopCaptureLater(std::shared_ptr<usb::capture::Capture> capture) {
    platform::mainqueue::after(kCaptureTailMs, [capture = std::move(capture)] { capture->stop(); });
}

using Step = UpdateSession::Step;
using Event = UpdateSession::Event;
using Phase = TBUSBPrinterZEV::UpdatePhase;

struct Transition {
    Step from;
    Event event;
    Step to;
};

// The table of the header, as the code reads it.
constexpr Transition kTransitions[] = {
    {Step::Request, Event::Passed, Step::Readiness},
    {Step::Readiness, Event::Passed, Step::Confirmation},
    {Step::Readiness, Event::Retry, Step::Readiness},
    {Step::Readiness, Event::InUpdateMode, Step::Upload},
    {Step::Confirmation, Event::Passed, Step::Rewrite},
    {Step::Rewrite, Event::NotReady, Step::Readiness},
    {Step::Rewrite, Event::Sent, Step::RestartIntoUpdateMode},
    {Step::RestartIntoUpdateMode, Event::Returned, Step::Upload},
    {Step::Upload, Event::Sent, Step::ProgrammingAndRestart},
    {Step::ProgrammingAndRestart, Event::Returned, Step::Tables},
    {Step::Tables, Event::InUpdateMode, Step::Upload},
    {Step::Tables, Event::Sent, Step::Outcome},
};

// Each phase's share of the progress bar, in percent, in the order the phases run.
constexpr std::array<int, 5> kPhaseWeights = {
    5,  // Request: the checks and the rewrite request
    10, // RestartIntoUpdateMode: the printer leaves and comes back in update mode
    50, // Upload: moves with the bytes written
    20, // ProgrammingAndRestart: the printer programs its flash and comes back
    15, // ColorTables: moves with the tables written
};

// The progress is kept as permille << kPhaseBits | phase: one number that grows with the bar and,
// where one phase ends as the next begins, with the phase.
constexpr int kPhaseBits = 3;

std::optional<Phase> phaseOf(Step step) {
    switch (step) {
    case Step::Rewrite:
        return Phase::Request;
    case Step::RestartIntoUpdateMode:
        return Phase::RestartIntoUpdateMode;
    case Step::Upload:
        return Phase::Upload;
    case Step::ProgrammingAndRestart:
        return Phase::ProgrammingAndRestart;
    case Step::Tables:
        return Phase::ColorTables;
    default:
        return std::nullopt;
    }
}

int packedProgress(Phase phase, double fraction) {
    const auto index = std::size_t(phase);
    int start = 0;
    for (std::size_t i = 0; i < index; ++i)
        start += kPhaseWeights[i];
    const int permille =
        int(std::lround((start + kPhaseWeights[index] * std::clamp(fraction, 0.0, 1.0)) * 10.0));
    return permille << kPhaseBits | int(phase);
}

bool isUnderWayStatus(std::optional<int> status) {
    return status == TBUSBPrinterZEV::WaitingForFirmwareUpload ||
           status == TBUSBPrinterZEV::RebootingAfterFirmwareUpload;
}

const char* historyWord(UpdateSession::Outcome outcome) {
    switch (outcome) {
    case UpdateSession::Outcome::Succeeded:
        return TBUpdateHistory::kOutcomeSucceeded;
    case UpdateSession::Outcome::Cancelled:
        return TBUpdateHistory::kOutcomeCancelled;
    case UpdateSession::Outcome::NotNeeded:
        return TBUpdateHistory::kOutcomeNotNeeded;
    case UpdateSession::Outcome::Lost:
        return TBUpdateHistory::kOutcomeLost;
    case UpdateSession::Outcome::Failed:
        break;
    }
    return TBUpdateHistory::kOutcomeFailed;
}

platform::AlertIntent::Outcome noticeOutcome(UpdateSession::Outcome outcome) {
    using Told = platform::AlertIntent::Outcome;
    switch (outcome) {
    case UpdateSession::Outcome::Succeeded:
        return Told::Succeeded;
    case UpdateSession::Outcome::NotNeeded:
        return Told::NothingToDo;
    case UpdateSession::Outcome::Lost:
        return Told::Lost;
    case UpdateSession::Outcome::Failed:
    case UpdateSession::Outcome::Cancelled:
        break;
    }
    return Told::Failed;
}

using platform::localized;

struct Registry {
    base::Mutex mutex;
    QHash<QString, std::shared_ptr<UpdateSession>> sessions GUARDED_BY(mutex);
    QSet<QString> begun GUARDED_BY(mutex);
    QHash<QString, QString> endedOnFirmware GUARDED_BY(mutex); // firmwareAfter() of the last ending
};
Registry& registry() {
    // Never destroyed: a program that ends with an update under way leaves its inhibitor to the
    // kernel rather than tear down a D-Bus call after the application object is gone.
    static auto* const instance = new Registry;
    return *instance;
}

std::atomic<bool> carriesOnRecorded{false};

// Main thread only.
int returnTimeoutMs = 5 * 60 * 1000;
quint64 lastWait = 0;
std::weak_ptr<platform::SleepInhibitor> sharedInhibitor;

} // namespace

// ---- the table ------------------------------------------------------------------------------------

std::optional<UpdateSession::Step> UpdateSession::next(Step from, Event event) {
    for (const Transition& t : kTransitions)
        if (t.from == from && t.event == event) return t.to;
    return std::nullopt;
}

QString UpdateSession::stepName(Step step) {
    static const char* const names[] = {"request",
                                        "readiness",
                                        "confirmation",
                                        "rewrite",
                                        "restart-into-update-mode",
                                        "upload",
                                        "programming-and-restart",
                                        "tables",
                                        "outcome"};
    return QString::fromLatin1(names[int(step)]);
}

// ---- the sessions -------------------------------------------------------------------------------

UpdateSession::UpdateSession(const QString& key, const std::shared_ptr<TBUSBPrinterZEV>& printer)
    : key_(key), printer_(printer) {}

std::shared_ptr<UpdateSession> UpdateSession::find(const QString& key) {
    Registry& r = registry();
    base::MutexLocker lock(r.mutex);
    return r.sessions.value(key);
}

std::shared_ptr<UpdateSession> UpdateSession::start(const std::shared_ptr<TBUSBPrinterZEV>& printer,
                                                    Step first, bool carriedOn, const QString& target) {
    const QString key = printer->keyUSBdevice();
    std::shared_ptr<UpdateSession> session(new UpdateSession(key, printer));
    {
        base::MutexLocker lock(session->mutex_);
        session->step_ = first;
        session->target_ = target;
    }
    std::shared_ptr<UpdateSession> replaced;
    {
        Registry& r = registry();
        base::MutexLocker lock(r.mutex);
        replaced = r.sessions.value(key);
        r.sessions.insert(key, session);
        r.begun.insert(key);
    }
    if (replaced) {
        // Superseded: whatever it still waits for (an answer, the printer's return) comes to nothing.
        base::MutexLocker lock(replaced->mutex_);
        replaced->ended_ = true;
    }
    platform::platformLog("update of %s %s at %s", qUtf8Printable(key), carriedOn ? "carried on" : "begins",
                          qUtf8Printable(stepName(first)));
    if (!carriedOn) TBUpdateHistory::begin(printer->historyPrinter(), target);
    TBUpdateCaptures::begin(key, printer->locationID(), [weak = std::weak_ptr(session)](auto capture) {
        if (const auto s = weak.lock()) {
            base::MutexLocker lock(s->mutex_);
            if (!s->ended_) {
                s->capture_ = std::move(capture);
                return;
            }
        }
        stopCaptureLater(std::move(capture)); // the update ended first: the capture holds it already
    });
    if (const auto phase = phaseOf(first)) {
        session->progress_ = packedProgress(*phase, 0.0);
        if (!carriedOn) TBUpdateHistory::phase(printer->historyPrinter(), TBUSBPrinterZEV::phaseName(*phase));
    }
    printer->setInFirmwareUpdate(first >= Step::Rewrite);
    session->announceProgress();
    platform::mainqueue::performInline([session, replaced, printer] {
        if (replaced) replaced->followUnderWay(false);
        session->followUnderWay(isUnderWayStatus(printer->firmwareUpdateStatus()));
    });
    return session;
}

bool UpdateSession::begunInThisRun(const QString& key) {
    Registry& r = registry();
    base::MutexLocker lock(r.mutex);
    return r.begun.contains(key);
}

void UpdateSession::forgetAll() {
    Q_ASSERT(platform::mainqueue::isMainThread());
    QHash<QString, std::shared_ptr<UpdateSession>> all;
    {
        Registry& r = registry();
        base::MutexLocker lock(r.mutex);
        all.swap(r.sessions);
        r.begun.clear();
        r.endedOnFirmware.clear();
    }
    for (const auto& session : std::as_const(all)) {
        {
            base::MutexLocker lock(session->mutex_);
            session->ended_ = true;
        }
        session->followUnderWay(false);
    }
}

QStringList UpdateSession::underWay() {
    Q_ASSERT(platform::mainqueue::isMainThread());
    QStringList keys;
    Registry& r = registry();
    base::MutexLocker lock(r.mutex);
    for (const auto& session : std::as_const(r.sessions))
        if (session->underWay_) keys << session->key_;
    keys.sort();
    return keys;
}

void UpdateSession::setCarriesOnRecordedUpdates(bool carriesOn) {
    carriesOnRecorded = carriesOn;
}

bool UpdateSession::carriesOnRecordedUpdates() {
    return carriesOnRecorded;
}

void UpdateSession::setReturnTimeoutMs(int milliseconds) {
    returnTimeoutMs = milliseconds;
}

UpdateSession::Step UpdateSession::step() const {
    base::MutexLocker lock(mutex_);
    return step_;
}

bool UpdateSession::hasEnded() const {
    base::MutexLocker lock(mutex_);
    return ended_;
}

std::shared_ptr<TBUSBPrinterZEV> UpdateSession::printer() const {
    base::MutexLocker lock(mutex_);
    return printer_.lock();
}

QString UpdateSession::target() const {
    base::MutexLocker lock(mutex_);
    return target_;
}

void UpdateSession::setTarget(const QString& version) {
    base::MutexLocker lock(mutex_);
    target_ = version;
}

QString UpdateSession::firmwareAfter() const {
    base::MutexLocker lock(mutex_);
    return firmwareAfter_;
}

void UpdateSession::setFirmwareAfter(const QString& version) {
    base::MutexLocker lock(mutex_);
    firmwareAfter_ = version;
}

QString UpdateSession::endedOnFirmware(const QString& key) {
    Registry& r = registry();
    base::MutexLocker lock(r.mutex);
    return r.endedOnFirmware.value(key);
}

void UpdateSession::stall() {
    stalled_ = true;
    if (const auto p = printer()) p->announce(QStringLiteral("inFirmwareUpdate"));
}

bool UpdateSession::allowsNewRequest() const {
    return hasEnded() || stalled_ || step() < Step::Rewrite;
}

// ---- the printer comes and goes --------------------------------------------------------------------

void UpdateSession::adopt(const std::shared_ptr<TBUSBPrinterZEV>& printer) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    Step step;
    {
        base::MutexLocker lock(mutex_);
        if (ended_) return;
        printer_ = printer;
        step = step_;
    }
    if (awaitingReturn_) {
        awaitingReturn_ = 0;
        platform::platformLog("printer %s is back", qUtf8Printable(key_));
    }
    if (step >= Step::Rewrite) {
        printer->setInFirmwareUpdate(true);
        // A printer object made in the middle of an update has not seen the interface come and go.
        printer->setStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "Updating")));
    }
    if (isUnderWayStatus(printer->firmwareUpdateStatus())) followUnderWay(true);
    announceProgress();
}

void UpdateSession::printerLeft(const TBUSBPrinterZEV* printer) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    const auto current = this->printer();
    if (!printer || current.get() != printer || hasEnded()) return;
    const Step at = step();
    const bool restarting = isUnderWayStatus(current->firmwareUpdateStatus()) &&
                            (at == Step::Rewrite || at == Step::RestartIntoUpdateMode || at == Step::Upload ||
                             at == Step::ProgrammingAndRestart);
    if (!restarting) {
        // Gone in the middle of a step, which tells the operator; the update cannot go on until the
        // printer is back, and then its start-up probe takes it up from the update status.
        platform::platformLog("%s left during its update", current->descriptionUTF8().constData());
        followUnderWay(false);
        return;
    }
    // Left to restart: one wait for its return, whichever restart it is.
    const quint64 wait = ++lastWait;
    awaitingReturn_ = wait;
    auto self = shared_from_this();
    platform::mainqueue::after(returnTimeoutMs, [self, wait] {
        if (self->awaitingReturn_ != wait || self->hasEnded()) return;
        platform::platformLog("printer %s did not come back from its restart", qUtf8Printable(self->key_));
        const int minutes = std::max(1, returnTimeoutMs / 60000);
        self->end(
            Outcome::Lost,
            Notice{
                localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer did not come back")),
                localized(QT_TRANSLATE_NOOP(
                              "TBPrinters",
                              "The printer left the USB bus to restart during its firmware update and has "
                              "not come back within %1 minutes. Check that it is switched on and that its "
                              "USB cable is plugged in. Once it is back, the update carries on by itself; if "
                              "it does not, power-cycle the printer."))
                    .arg(minutes)},
            Record::Keep);
    });
}

// ---- steps and progress --------------------------------------------------------------------------

bool UpdateSession::advance(Event event) {
    Step to;
    {
        base::MutexLocker lock(mutex_);
        const std::optional<Step> found = next(step_, event);
        if (ended_ || !found) {
            platform::platformLog("update of %s: no step after %s for event %d%s", qUtf8Printable(key_),
                                  qUtf8Printable(stepName(step_)), int(event), ended_ ? " (ended)" : "");
            return false;
        }
        to = *found;
        step_ = to;
    }
    entered(to);
    return true;
}

void UpdateSession::entered(Step step) {
    platform::platformLog("update of %s: %s", qUtf8Printable(key_), qUtf8Printable(stepName(step)));
    const auto printer = this->printer();
    if (step == Step::Readiness) {
        // Back before anything was sent: no bar, nothing under way.
        progress_ = -1;
        if (printer) printer->setInFirmwareUpdate(false);
        announceProgress();
        return;
    }
    if (step >= Step::Rewrite && printer && !printer->inFirmwareUpdate()) printer->setInFirmwareUpdate(true);
    if (const auto phase = phaseOf(step)) {
        if (printer) TBUpdateHistory::phase(printer->historyPrinter(), TBUSBPrinterZEV::phaseName(*phase));
        progress(0.0);
    }
}

void UpdateSession::progress(double fraction) {
    const auto phase = phaseOf(this->step());
    if (!phase) return;
    const int wanted = packedProgress(*phase, fraction);
    int now = progress_.load();
    while (now < wanted && !progress_.compare_exchange_weak(now, wanted)) {
    }
    if (now < wanted) announceProgress();
}

int UpdateSession::progressPermille() const {
    const int packed = progress_.load();
    return packed < 0 ? -1 : packed >> kPhaseBits;
}

std::optional<TBUSBPrinterZEV::UpdatePhase> UpdateSession::phase() const {
    const int packed = progress_.load();
    if (packed < 0) return std::nullopt;
    return Phase(packed & ((1 << kPhaseBits) - 1));
}

void UpdateSession::announceProgress() {
    if (const auto p = printer()) p->announce(kUpdateProgressProperty);
}

// ---- the update status ------------------------------------------------------------------------------

void UpdateSession::storeStatus(std::optional<int> status) {
    const auto printer = this->printer();
    if (!printer) return;
    if (status)
        printer->setDeviceInfoValue(deviceFirmwareUpdateState, *status);
    else
        printer->removeDeviceInfoValue(deviceFirmwareUpdateState);
    TBUpdateStateFile::record(key_, printer->deviceInfoSnapshot());
    const bool underWay = isUnderWayStatus(status);
    auto self = shared_from_this();
    platform::mainqueue::performInline([self, underWay] {
        if (!underWay || !self->hasEnded()) self->followUnderWay(underWay);
    });
}

void UpdateSession::followUnderWay(bool underWay) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    Q_ASSERT(platform::mainqueue::isMainThread());
    underWay_ = underWay;
    if (!underWay) {
        const bool held = bool(inhibitor_);
        inhibitor_.reset();
        if (held && sharedInhibitor.expired())
            platform::platformLog("no update under way: the computer may sleep again");
        return;
    }
    if (inhibitor_) return;
    inhibitor_ = sharedInhibitor.lock();
    if (!inhibitor_) {
        inhibitor_ = platform::inhibitSleep(Edition::current().programName(),
                                            QStringLiteral("Updating the firmware of a printer"));
        sharedInhibitor = inhibitor_;
    }
}

// ---- the ending --------------------------------------------------------------------------------------

void UpdateSession::end(Outcome outcome, Notice notice, Record record, const QString& history) {
    auto self = shared_from_this();
    if (!platform::mainqueue::isMainThread()) {
        platform::mainqueue::async([self, outcome, notice = std::move(notice), record, history]() mutable {
            self->end(outcome, std::move(notice), record, history);
        });
        return;
    }
    std::shared_ptr<TBUSBPrinterZEV> printer;
    std::shared_ptr<usb::capture::Capture> capture;
    Step at;
    QString firmwareAfter;
    {
        base::MutexLocker lock(mutex_);
        if (ended_) return;
        ended_ = true;
        printer = printer_.lock();
        at = step_;
        capture = std::move(capture_);
        firmwareAfter = firmwareAfter_;
    }
    if (capture) stopCaptureLater(std::move(capture));
    {
        Registry& r = registry();
        base::MutexLocker lock(r.mutex);
        if (r.sessions.value(key_) == self) r.sessions.remove(key_);
        // Before anyone is told of the ending, who may ask what it named.
        r.endedOnFirmware.insert(key_, firmwareAfter);
    }
    const char* word = historyWord(outcome);
    platform::platformLog("update of %s ended at %s: %s", qUtf8Printable(key_), qUtf8Printable(stepName(at)),
                          word);
    awaitingReturn_ = 0;
    followUnderWay(false);
    // The printer was told something (the bar stood): its real status replaces the progress texts.
    const bool touched = progress_.exchange(-1) >= 0;

    QString failure = history;
    if (failure.isEmpty() && (outcome == Outcome::Failed || outcome == Outcome::Lost))
        failure =
            notice.message.isEmpty() ? notice.title : notice.title + QStringLiteral("\n\n") + notice.message;
    TBUpdateHistory::Printer who;
    if (printer)
        who = printer->historyPrinter();
    else
        who.deviceKey = key_;
    // What the printer reported after programming, as the outcome says: not what its dictionary
    // may hold by now.
    if (!firmwareAfter.isEmpty()) who.firmwareVersion = firmwareAfter;
    TBUpdateHistory::finish(who, QString::fromLatin1(word), failure);
    // A printer updated with others: their summary tells this ending.
    const bool told = UpdateBatch::takeEnding(key_, outcome, notice);

    if (!printer) return;
    printer->setInFirmwareUpdate(false);
    printer->announce(kUpdateProgressProperty);
    if (record == Record::Clear) {
        // Gone from the dictionary before anyone is told; the record on disk follows off this thread.
        printer->removeDeviceInfoValue(deviceFirmwareUpdateState);
        printer->onCommandQueue([self] { self->storeStatus(std::nullopt); });
    }
    if (touched) printer->refreshStatusAndRelease();
    if (!told && !notice.title.isEmpty())
        printer->showAlertWithTitle(notice.title, notice.message, notice.buttons,
                                    std::move(notice.completion),
                                    platform::AlertIntent{.outcome = noticeOutcome(outcome)});
}

QString UpdateSession::notRespondingTitle() {
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "Printer Error"));
}

QString UpdateSession::notRespondingMessage() {
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer is not responding properly. Please "
                                                     "power-cycle the printer and try again."));
}
