// A firmware update with one fault played into it, the same on every bus: where in the update each
// fault strikes, an operator who wants the update and answers its questions, and what became of the
// printer. The fault phase runs until the update ends, the operator is told something, or nothing
// moves any more; the recovery then does what the operator would (plug the printer back in, power it
// off and on, let the other program go, "Proceed", ask again) and runs until the printer is updated.
//
// The printer's side is the device model (devicemodel/): faults are placed by watching the frames it
// receives, so each strikes at the same point of the update however fast the host is.
//
// On the simulated bus the rig runs on a TestClock: once every thread has done what it can (the main
// thread's posted work has run, and each busy command queue waits on the clock for something that
// has not come), the clock moves to the next thing due: a timer, a late reply, a read's time-out.
// "Nothing moves any more" is then a quiet stretch of that clock, and no phase waits in real time.
// Without one (umockdev, whose kernel round trips and libusb time-outs run on real time) the quiet is
// a real one.
#pragma once

#include "common/testclock.h"

#include "base/threadsafety.h"
#include "devicemodel/SimPrinterDevice.h"
#include "devicemodel/SimZEVPrinter.h"

#include "Classes/TBUSBPrinterZEV.h"
#include "platform/dialogs.h"
#include "platform/queue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace testsupport {

// StatusChange: the printer stops being idle (its cover is opened) while the confirmation is up, and
// the fault strikes then too. OldFirmware: the printer's flash does not keep the image, so it comes
// back from programming with the firmware it had.
enum class UpdateStep {
    Request,
    Readiness,
    StatusChange,
    Start,
    Restart1,
    Upload,
    Programming,
    Tables,
    Outcome
};
enum class UpdateFault { Unplug, PowerLoss, NoReply, Garbage, Oversized, OtherHolder, OldFirmware, Slow };

inline const char* stepName(UpdateStep step) {
    static const char* const names[] = {"request",   "readiness", "status change",         "start",
                                        "restart 1", "upload",    "programming+restart 2", "tables",
                                        "outcome"};
    return names[int(step)];
}
inline const char* faultName(UpdateFault fault) {
    static const char* const names[] = {"unplug",    "power loss",   "no reply",     "garbage reply",
                                        "oversized", "other holder", "old firmware", "slow"};
    return names[int(fault)];
}

// What became of the printer once the fault had played out, each proved by the recovery:
//   updated      the update finished despite the fault;
//   resumed      it stopped with its record kept; the printer's next start-up probe finished it, with
//                no new request;
//   rescue       the printer was left in update mode without a record; the start-up probe's question
//                ("Update Firmware") finished it;
//   not started  nothing on the printer had changed; the operator's retry finished the update.
// Anything else (a printer with new firmware and no tables, an update that nothing can finish) is
// reported as "LOST: ..." and fails.
struct UpdateFaultResult {
    QString outcome;
    QString told;        // the first alert the operator got that the update does not always show, or
                         // the row's status text when there was none
    QStringList alerts;  // every alert headline of the fault phase and the recovery, in order
    QString lastSuccess; // the message of the last "Firmware update was successful!"
    qint64 longestMainThreadStallMs = 0;
    bool finished = false; // the recovery ended with the printer updated
};

// Passes every call on to the printer's own processor and tells `hook` the words of each frame the
// printer received (empty words for a piece of a frame still incomplete), on the thread that wrote
// it (never block there). Once setHook() has returned, the
// hook it replaced is no longer running and never runs again.
class FrameTap : public sim::CommandProcessor {
public:
    using Hook = std::function<void(const QString& words)>;
    FrameTap(std::shared_ptr<sim::CommandProcessor> inner, std::shared_ptr<sim::SimZEVPrinter> printer)
        : inner_(std::move(inner)), printer_(std::move(printer)) {
        seen_ = printer_->receivedCommands().size();
    }
    static std::shared_ptr<FrameTap> install(const std::shared_ptr<sim::SimPrinterDevice>& device,
                                             const std::shared_ptr<sim::SimZEVPrinter>& printer) {
        auto tap = std::make_shared<FrameTap>(device->processor(), printer);
        device->setProcessor(tap);
        return tap;
    }
    void setHook(Hook hook) {
        base::MutexLocker lock(mutex_);
        hook_ = std::move(hook);
    }

    void attached(sim::SimPrinterDevice& device) override { inner_->attached(device); }
    void detachedFromDevice() override { inner_->detachedFromDevice(); }
    void bulkOut(sim::SimPrinterDevice& device, const std::vector<std::uint8_t>& bytes) override {
        inner_->bulkOut(device, bytes);
        const QStringList words = printer_->receivedCommands();
        base::MutexLocker lock(mutex_);
        if (words.size() < seen_) seen_ = 0; // the record was cleared
        const QStringList fresh = words.mid(seen_);
        seen_ = words.size();
        if (!hook_) return;
        if (fresh.isEmpty()) hook_(QString());
        for (const QString& w : fresh)
            hook_(w);
    }
    void softReset(sim::SimPrinterDevice& device) override { inner_->softReset(device); }
    void deviceReset(sim::SimPrinterDevice& device) override { inner_->deviceReset(device); }
    void powerLost(sim::SimPrinterDevice& device) override {
        ++powerLosses_;
        inner_->powerLost(device);
    }
    // Unplugs and power cycles so far (restarts of the printer's own lose no power).
    int powerLosses() const { return powerLosses_; }
    void restarted(sim::SimPrinterDevice& device, bool powerCycled) override {
        inner_->restarted(device, powerCycled);
    }

private:
    const std::shared_ptr<sim::CommandProcessor> inner_;
    const std::shared_ptr<sim::SimZEVPrinter> printer_;
    base::Mutex mutex_;
    qsizetype seen_ GUARDED_BY(mutex_) = 0;
    Hook hook_ GUARDED_BY(mutex_); // and called with it held
    std::atomic<int> powerLosses_{0};
};

class UpdateUnderFault {
public:
    using Printer = std::shared_ptr<TBUSBPrinterZEV>;
    struct Setup {
        std::shared_ptr<sim::SimPrinterDevice> device;
        std::shared_ptr<sim::SimZEVPrinter> printer;
        std::function<Printer()> listed; // the printer object the program lists for the port now
        std::shared_ptr<platform::ScriptedAlertPresenter> presenter;
        // How long "nothing moves any more" must last to end a phase.
        int quietMs = 1500;
        // Real time a phase may take at most.
        int phaseLimitMs = 20000;
        // The clock the rig's timers run on, or nullptr for real time.
        TestClock* clock = nullptr;
    };
    // A reply near the host's 5 s read time-out.
    static constexpr int kSlowReplyMs = 4500;

    UpdateUnderFault(Setup setup, UpdateStep step, UpdateFault fault)
        : s_(std::move(setup)), step_(step), fault_(fault) {}

    UpdateFaultResult run() {
        Q_ASSERT(platform::mainqueue::isMainThread());
        const Printer first = s_.listed();
        if (!first) {
            result_.outcome = QStringLiteral("LOST: the printer was not listed");
            return result_;
        }
        key_ = first->keyUSBdevice();
        placeFault();
        // The listener may still be running on a model thread after it is removed: it holds its own
        // reference to what it touches.
        const int token =
            s_.device->addListener([activity = lastActivity_](sim::DeviceEvent, std::uint64_t,
                                                              std::uint64_t) { *activity = clockMs(); });
        QElapsedTimer clock;
        clock.start();
        QTimer beat;
        qint64 lastBeat = 0;
        beat.callOnTimeout([&] {
            const qint64 now = clock.elapsed();
            result_.longestMainThreadStallMs = std::max(result_.longestMainThreadStallMs, now - lastBeat);
            lastBeat = now;
        });
        beat.start(10);

        if (step_ == UpdateStep::Request && !strikesAsUnplug()) strike();
        first->updateFirmware();
        runPhase(/*recovering=*/false);
        classify();
        if (!struck()) result_.outcome = QStringLiteral("LOST: the fault never struck");
        if (!result_.outcome.startsWith(QLatin1String("LOST")) && result_.outcome != QLatin1String("updated"))
            recover();
        else
            settleAfterOutcome();
        tap_->setHook({});
        s_.device->removeListener(token);
        const qint64 now = clock.elapsed();
        result_.longestMainThreadStallMs = std::max(result_.longestMainThreadStallMs, now - lastBeat);
        return result_;
    }

private:
    bool strikesAsUnplug() const { return fault_ == UpdateFault::Unplug || fault_ == UpdateFault::PowerLoss; }

    // Where the fault goes. Reply faults and the other program strike the first exchange of the step
    // (armed just before it); the cable and the power go at the step's most delicate transfer.
    struct Trigger {
        QStringList after; // frames (in order, not necessarily next to each other); empty: test side
        enum When { BeforeRequest, AtWarning, AtConfirmation, WhileProgramming, OnFrames } when;
    };
    void placeFault() {
        using T = Trigger;
        const bool cable = strikesAsUnplug();
        const QString rewrite = QStringLiteral("FW_UPDFLASH_REWRITE"),
                      program = QStringLiteral("FW_UPDFLASH_PROGRAM");
        switch (step_) {
        case UpdateStep::Request:
            trigger_ = {{}, cable ? T::AtWarning : T::BeforeRequest};
            break;
        case UpdateStep::Readiness:
            trigger_ = {{}, T::AtWarning};
            unplugFault_ =
                sim::Fault{sim::FaultPoint::BulkOut, sim::FaultKind::Unplug, 0, 0}; // its status query
            break;
        case UpdateStep::StatusChange:
            trigger_ = {{}, T::AtConfirmation};
            unplugFault_ =
                sim::Fault{sim::FaultPoint::BulkOut, sim::FaultKind::Unplug, 0, 0}; // the status check
            break;
        case UpdateStep::Start:
            trigger_ = {{}, T::AtConfirmation};
            unplugFault_ =
                sim::Fault{sim::FaultPoint::BulkOut, sim::FaultKind::Unplug, 1, 0}; // the rewrite request
            break;
        case UpdateStep::Restart1:
            trigger_ = {{rewrite}, T::OnFrames};
            unplugFault_ =
                sim::Fault{sim::FaultPoint::BulkOut, sim::FaultKind::Unplug, 0, 0}; // the probe's first
            break;
        case UpdateStep::Upload:
            trigger_ = {{rewrite, QStringLiteral("STATUS")}, T::OnFrames};
            unplugFault_ = sim::Fault{sim::FaultPoint::BulkOut, sim::FaultKind::Unplug, 10, 0}; // mid-image
            break;
        case UpdateStep::Programming:
            trigger_ = {{program}, cable ? T::WhileProgramming : T::OnFrames};
            // Long enough to be caught at it.
            if (cable) s_.printer->setProgrammingPacing(400);
            break;
        case UpdateStep::Tables:
            if (cable) {
                trigger_ = {{program, QStringLiteral("TBL_WTVersion"), QStringLiteral("TBL_WTVersion")},
                            T::OnFrames};
                unplugFault_ =
                    sim::Fault{sim::FaultPoint::BulkOut, sim::FaultKind::Unplug, 0, 0}; // 2nd table
            } else {
                trigger_ = {{program, QStringLiteral("INFO  FVER")}, T::OnFrames};
            }
            break;
        case UpdateStep::Outcome: {
            // After the last query of the tables: the outcome's own status query comes next.
            const QString table = QStringLiteral("TBL_WTCTRLD_UPDATE_CW");
            trigger_ = {{program, table, table, table, QStringLiteral("TBL_RDCWD300_Checksum")}, T::OnFrames};
            unplugFault_ = sim::Fault{sim::FaultPoint::BulkOut, sim::FaultKind::Unplug, 0, 0};
            break;
        }
        }
        tap_ = std::dynamic_pointer_cast<FrameTap>(s_.device->processor());
        if (!tap_) tap_ = FrameTap::install(s_.device, s_.printer);
        powerLossesBefore_ = tap_->powerLosses();
        tap_->setHook([this](const QString& words) {
            touch();
            base::MutexLocker lock(mutex_);
            if ((trigger_.when != Trigger::OnFrames && trigger_.when != Trigger::WhileProgramming) || struck_)
                return;
            if (matched_ < trigger_.after.size() && words == trigger_.after.at(matched_)) ++matched_;
            if (matched_ == trigger_.after.size() && trigger_.when == Trigger::OnFrames) strikeLocked();
        });
    }

    void strike() {
        base::MutexLocker lock(mutex_);
        strikeLocked();
    }
    // Any thread.
    void strikeLocked() REQUIRES(mutex_) {
        if (struck_) return;
        struck_ = true;
        switch (fault_) {
        case UpdateFault::Unplug:
        case UpdateFault::PowerLoss:
            if (unplugFault_)
                s_.device->injectFault(*unplugFault_);
            else
                unplugNow_ = true; // test side, on the main thread
            break;
        case UpdateFault::NoReply:
            s_.printer->addFault({sim::SimZEVFaultKind::NoReply, {}, 1, 0});
            break;
        case UpdateFault::Garbage:
            s_.printer->addFault({sim::SimZEVFaultKind::GarbageLength, {}, 1, 0});
            break;
        case UpdateFault::Oversized:
            s_.printer->addFault({sim::SimZEVFaultKind::OversizedLength, {}, 1, 0});
            break;
        case UpdateFault::Slow:
            s_.printer->addFault({sim::SimZEVFaultKind::Slow, {}, 1, kSlowReplyMs});
            break;
        case UpdateFault::OtherHolder:
            s_.device->setHeldByOtherProgram(true);
            break;
        case UpdateFault::OldFirmware:
            s_.printer->update([](sim::SimZEVPrinterState& s) { s.bootsPreviousFirmware = true; });
            break;
        }
        if (step_ == UpdateStep::StatusChange)
            s_.printer->update([](sim::SimZEVPrinterState& s) { s.statusCode = QStringLiteral("01000"); });
    }
    bool struck() {
        base::MutexLocker lock(mutex_);
        return struck_;
    }
    bool framesMatched() {
        base::MutexLocker lock(mutex_);
        return matched_ == trigger_.after.size();
    }

    void touch() { *lastActivity_ = clockMs(); }
    // On the clock in use.
    static qint64 clockMs() {
        using namespace std::chrono;
        return duration_cast<milliseconds>(base::clock::now().time_since_epoch()).count();
    }

    // ---- time ----

    // With the test clock: true when every thread has done what it can at the present time. The
    // main thread has run its posted work; each queue with work waits on the clock and what it waits
    // for has not come; and nothing was sent anywhere while that was looked at.
    bool still() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        const auto activity = [this] { return platform::SerialQueue::activity() + s_.clock->changes(); };
        const std::uint64_t before = activity();
        if (platform::mainqueue::pending() != 0) return false;
        const std::optional<int> blocked = s_.clock->blocked();
        if (!blocked || *blocked != platform::SerialQueue::busyCount()) return false;
        return platform::mainqueue::pending() == 0 && activity() == before;
    }
    // Once the rig is still, moves the clock to the next thing due (`limit` at most); until then lets
    // it run a moment.
    void stepTowards(base::Clock::TimePoint limit) {
        if (!still()) {
            QTest::qWait(1);
            return;
        }
        const std::optional<base::Clock::TimePoint> next = s_.clock->nextDue();
        s_.clock->advanceTo(next ? std::min(*next, limit) : limit);
    }
    // Waits for `done`, `ms` at most on the clock in use.
    bool waitFor(const std::function<bool()>& done, int ms) {
        if (!s_.clock) return QTest::qWaitFor(done, ms);
        const auto limit = s_.clock->now() + std::chrono::milliseconds(ms);
        QElapsedTimer real;
        real.start();
        while (!done() && real.elapsed() < s_.phaseLimitMs) {
            if (s_.clock->now() >= limit && still()) break;
            stepTowards(limit);
        }
        return done();
    }

    // ---- the operator ----

    enum class Kind { Warning, Confirmation, Success, Rescue, News };
    static Kind kindOf(const platform::ScriptedAlertPresenter::Shown& shown) {
        if (shown.buttons == QStringList{"Quit", "Continue"} && !shown.checkBoxTitle.isEmpty())
            return Kind::Warning;
        if (shown.messageText.startsWith(QLatin1String("-- Warning --"))) return Kind::Confirmation;
        if (shown.messageText == QLatin1String("Firmware update was successful!")) return Kind::Success;
        if (shown.buttons == QStringList{"Ignore", "Update Firmware"}) return Kind::Rescue;
        return Kind::News;
    }

    // Answers what waits; returns true when the phase is over (the update succeeded, or the operator
    // was told something: in the fault phase that alert is left waiting for the recovery).
    bool answerAlerts(bool recovering) {
        auto& presenter = *s_.presenter;
        for (;;) {
            // An answer may bring the next alert at once: look again each time.
            const auto shown = presenter.shown();
            for (; recorded_ < shown.size(); ++recorded_) {
                const auto& alert = shown.at(recorded_);
                result_.alerts.append(
                    QString(alert.messageText).replace(QLatin1Char('\n'), QLatin1Char(' ')));
                touch();
                ++acted_;
                const Kind kind = kindOf(alert);
                if (!recovering && (kind == Kind::News || kind == Kind::Rescue) && result_.told.isEmpty())
                    result_.told = result_.alerts.last();
            }
            if (presenter.waiting() == 0) return false;
            // Answers go to the oldest alert waiting, so the ones waiting are the last ones shown.
            const auto& alert = shown.at(shown.size() - presenter.waiting());
            ++acted_;
            switch (kindOf(alert)) {
            case Kind::Warning:
                if (!recovering && trigger_.when == Trigger::AtWarning) {
                    strike();
                    playTestSideFault(); // while the warning is on screen
                }
                presenter.answer({platform::kAlertFirstButtonReturn + 1, true});
                break;
            case Kind::Confirmation:
                if (!recovering && trigger_.when == Trigger::AtConfirmation) strike();
                presenter.answer({platform::kAlertFirstButtonReturn + 1, {}});
                break;
            case Kind::Success:
                result_.lastSuccess = alert.informativeText;
                presenter.answer({platform::kAlertFirstButtonReturn, {}});
                succeeded_ = true;
                return true;
            case Kind::Rescue:
                if (!recovering) return true;
                rescueAnswered_ = true;
                presenter.answer({platform::kAlertFirstButtonReturn + 1, {}});
                break;
            case Kind::News: {
                if (!recovering) return true;
                // "Proceed" once, the cause being gone; "Cancel" if that did not help; else the only
                // (or first) button.
                const bool retry = alert.buttons.value(0) == QLatin1String("Proceed");
                presenter.answer({platform::kAlertFirstButtonReturn + (retry && proceeded_ ? 1 : 0), {}});
                proceeded_ = proceeded_ || retry;
                break;
            }
            }
        }
    }

    // Runs until the phase is over: the update ended, the operator was told something, or nothing
    // moved any more.
    void runPhase(bool recovering) {
        touch();
        QElapsedTimer limit;
        limit.start();
        // A slow reply is a long silence too.
        const int quietMs = s_.quietMs + (fault_ == UpdateFault::Slow ? kSlowReplyMs : 0);
        while (limit.elapsed() < s_.phaseLimitMs) {
            if (!s_.clock) {
                if (answerAlerts(recovering)) return;
                if (!recovering) playTestSideFault();
                if (clockMs() - *lastActivity_ > quietMs) return;
                QTest::qWait(5);
                continue;
            }
            if (!still()) {
                QTest::qWait(1);
                continue;
            }
            // What the operator sees and does comes before the clock moves, and sets work going.
            const int acted = acted_;
            if (answerAlerts(recovering)) return;
            if (!recovering) playTestSideFault();
            if (acted_ != acted) continue;
            // The quiet counts from the last thing that happened.
            const base::Clock::TimePoint quietEnd{std::chrono::milliseconds(*lastActivity_ + quietMs + 1)};
            if (s_.clock->now() >= quietEnd) return;
            stepTowards(quietEnd);
        }
    }

    void playTestSideFault() {
        if (!strikesAsUnplug()) return;
        // Once the printer has taken the whole image (and planned its restart) and while it writes it.
        if (trigger_.when == Trigger::WhileProgramming && !struck() && framesMatched() &&
            s_.printer->isProgramming()) {
            strike();
            ++acted_;
        }
        if (unplugNow_.exchange(false)) {
            ++acted_;
            if (fault_ == UpdateFault::PowerLoss)
                s_.device->powerCycle();
            else
                s_.device->unplug();
            return;
        }
        // Power comes back once the program has seen the printer go; the cable stays out until the
        // recovery.
        if (fault_ == UpdateFault::PowerLoss && tap_->powerLosses() > powerLossesBefore_ &&
            !s_.device->isAttached() && !s_.listed()) {
            s_.device->replug();
            ++acted_;
        }
    }

    // ---- what became of it ----

    std::optional<int> recordedStatus() {
        if (const Printer p = s_.listed()) return p->firmwareUpdateStatus();
        const QVariant v = TBUSBPrinter::deviceInfoForKey(key_)->value(deviceFirmwareUpdateState);
        return v.isValid() ? std::optional<int>(v.toInt()) : std::nullopt;
    }

    void classify() {
        if (result_.told.isEmpty()) {
            const Printer p = s_.listed();
            result_.told =
                p ? QStringLiteral("row: ") + p->printerStatus() : QStringLiteral("row: (left the list)");
        }
        const sim::SimZEVPrinterState state = s_.printer->state();
        const std::optional<int> status = recordedStatus();
        const bool underWay = status == TBUSBPrinterZEV::WaitingForFirmwareUpload ||
                              status == TBUSBPrinterZEV::RebootingAfterFirmwareUpload;
        if (succeeded_ && isUpdated(state)) {
            result_.outcome = QStringLiteral("updated");
            if (result_.told.startsWith(QLatin1String("row:")))
                result_.told = QStringLiteral("Firmware update was successful!");
            result_.finished = true;
        } else if (succeeded_) {
            result_.outcome =
                QStringLiteral("LOST: success reported, but the printer has firmware %1%2, tables %3")
                    .arg(state.firmwareVersion,
                         state.firmwareUpdateMode ? QStringLiteral(" in update mode") : QString(),
                         state.tablesWritten.join(','));
        } else if (underWay) {
            result_.outcome = QStringLiteral("resumed");
        } else if (state.firmwareUpdateMode) {
            result_.outcome = QStringLiteral("rescue");
        } else if (state.firmwareVersion == kOldVersion && state.tablesWritten.isEmpty()) {
            result_.outcome = QStringLiteral("not started");
        } else {
            result_.outcome = QStringLiteral("LOST: firmware %1, tables %2, status %3, success alert %4")
                                  .arg(state.firmwareVersion, state.tablesWritten.join(','),
                                       status ? QString::number(*status) : QStringLiteral("none"))
                                  .arg(succeeded_);
        }
    }

    static bool isUpdated(const sim::SimZEVPrinterState& state) {
        return state.firmwareVersion == kNewVersion && !state.firmwareUpdateMode &&
               state.tablesWritten == QStringList{"HVC_300_0100.CWD", "HVC_600_0110.CWD", "HVC_610_0110.CWD"};
    }

    void recover() {
        tap_->setHook([this](const QString&) { touch(); });
        s_.printer->clearFaults();
        s_.device->clearFaults();
        s_.device->setHeldByOtherProgram(false);
        s_.printer->setProgrammingPacing(0);
        s_.printer->update([](sim::SimZEVPrinterState& s) {
            s.bootsPreviousFirmware = false;
            s.statusCode = QStringLiteral("00000");
        });
        // The operator plugs the printer back in, or power-cycles one that did not answer, as asked to,
        // and answers once it is back in the list.
        if (!s_.device->isAttached())
            replugAndWait();
        else if (fault_ == UpdateFault::NoReply)
            replugAndWait(/*powerCycle=*/true);
        bool askedAgain = false;
        succeeded_ = false;
        if (result_.outcome == QLatin1String("not started")) {
            // The operator answers what the update said and, unless it offered to go on, asks again.
            answerAlerts(/*recovering=*/true);
            if (!proceeded_ && s_.listed()) {
                askedAgain = true;
                s_.listed()->updateFirmware();
            }
        }
        for (int round = 0; round < 2 && !succeeded_; ++round) {
            runPhase(/*recovering=*/true);
            if (succeeded_) break;
            // Nothing goes on by itself: the operator asks again.
            const Printer p = s_.listed();
            if (!p) break;
            askedAgain = true;
            p->updateFirmware();
        }
        const sim::SimZEVPrinterState state = s_.printer->state();
        result_.finished = succeeded_ && isUpdated(state);
        const QString& outcome = result_.outcome;
        QString wrongPath;
        if (outcome == QLatin1String("resumed") && (askedAgain || rescueAnswered_))
            wrongPath = QStringLiteral("it did not go on by itself");
        else if (outcome == QLatin1String("rescue") && (!rescueAnswered_ || askedAgain))
            wrongPath = QStringLiteral("the start-up probe did not ask");
        else if (outcome == QLatin1String("not started") && proceeded_ && askedAgain)
            wrongPath = QStringLiteral("\"Proceed\" did not take it up again");
        if (!wrongPath.isEmpty()) result_.outcome = QStringLiteral("LOST: %1 (%2)").arg(outcome, wrongPath);
    }

    // The fault may strike the last exchange, after the outcome: once that is over, a printer that
    // went is plugged in (or powered) again for the last look at it.
    void settleAfterOutcome() {
        if (strikesAsUnplug() && step_ == UpdateStep::Outcome)
            (void)waitFor([&] { return tap_->powerLosses() > powerLossesBefore_; }, 2000);
        (void)waitFor([&] { return s_.device->claimHolder() == 0; }, 2000);
        if (!s_.device->isAttached()) replugAndWait();
    }

    void replugAndWait(bool powerCycle = false) {
        // A printer comes back after the program has seen it go, as a real one takes its time.
        if (!s_.device->isAttached()) (void)waitFor([&] { return !s_.listed(); }, 5000);
        const Printer before = s_.listed();
        if (powerCycle)
            s_.device->powerCycle();
        else
            s_.device->replug();
        (void)waitFor(
            [&] {
                const Printer now = s_.listed();
                return now && now != before;
            },
            5000);
    }

    static inline const QString kOldVersion = QStringLiteral("HVC 01.21");
    static inline const QString kNewVersion = QStringLiteral("HVC 01.41");

    Setup s_;
    const UpdateStep step_;
    const UpdateFault fault_;
    QString key_;
    std::shared_ptr<FrameTap> tap_;
    UpdateFaultResult result_;

    base::Mutex mutex_;
    Trigger trigger_{};                     // set before the hook is, then read only
    std::optional<sim::Fault> unplugFault_; // likewise
    qsizetype matched_ GUARDED_BY(mutex_) = 0;
    bool struck_ GUARDED_BY(mutex_) = false;
    std::atomic<bool> unplugNow_{false};
    int powerLossesBefore_ = 0;
    const std::shared_ptr<std::atomic<qint64>> lastActivity_ = std::make_shared<std::atomic<qint64>>(0);

    // Main thread only.
    int acted_ = 0; // alerts seen or answered and test-side faults played
    qsizetype recorded_ = 0;
    bool succeeded_ = false;
    bool rescueAnswered_ = false;
    bool proceeded_ = false;
};

} // namespace testsupport
