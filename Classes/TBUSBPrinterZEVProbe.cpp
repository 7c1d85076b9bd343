// The start-up probe: every printer object's first look at its printer decides what the printer needs.
// A printer back from one of its update's restarts carries the update on where the update status says
// it stands; a printer found in its update mode with no update under way is offered to the operator;
// every other printer gets the information probe. A printer whose update another running instance of
// the program owns is only watched, until that update is over.
#include "Classes/Edition.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/TBUpdateStateFile.h"
#include "Classes/UpdateSession.h"

#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/strings.h"
#include "support/logtext.h"

namespace {

using Step = UpdateSession::Step;

// How often the start-up probe asks a printer waiting for its image for its status before it takes a
// missing answer for a printer that does not respond, and the pause between two questions.
constexpr int kWaitingStatusAttempts = 3;
constexpr int kWaitingStatusPauseMs = 500;
// How often a printer that another instance is updating is looked at again.
constexpr int kWatchElsewhereMs = 2000;

const QString kUpdatedElsewhereProperty = QStringLiteral("updatedElsewhere");

using platform::localized;

bool isUnderWay(std::optional<int> status) {
    return status == TBUSBPrinterZEV::WaitingForFirmwareUpload ||
           status == TBUSBPrinterZEV::RebootingAfterFirmwareUpload;
}

// The session that carries on an update found with `status` (1 or 2): the one this program runs for
// the port, when it stands at that restart, or a new one carried on from the record.
std::shared_ptr<UpdateSession> carriedOnSession(const std::shared_ptr<TBUSBPrinterZEV>& printer, int status) {
    const Step restart = status == TBUSBPrinterZEV::WaitingForFirmwareUpload ? Step::RestartIntoUpdateMode
                                                                             : Step::ProgrammingAndRestart;
    const Step after = status == TBUSBPrinterZEV::WaitingForFirmwareUpload ? Step::Upload : Step::Tables;
    auto session = UpdateSession::find(printer->keyUSBdevice());
    if (session && !session->hasEnded() && (session->step() == restart || session->step() == after))
        return session;
    return UpdateSession::start(printer, restart, true);
}

} // namespace

void TBUSBPrinterZEV::probe() {
    // The first probe of a printer object comes from discovery, on the main thread, where an update
    // under way takes the new object on; a refresh asks again from the command queue.
    if (platform::mainqueue::isMainThread()) {
        const auto session = UpdateSession::find(keyUSBdevice());
        if (session && !session->hasEnded()) session->adopt(zevSelf());
    }
    if (startupProbeDue_.exchange(false)) {
        probeAtInit();
        return;
    }
    TBUSBPrinter::probe();
}

bool TBUSBPrinterZEV::mayOpenAtAttach() {
    updatedElsewhere_ = TBUpdateStateFile::ownedElsewhere(keyUSBdevice()).has_value();
    return !updatedElsewhere_;
}

void TBUSBPrinterZEV::probeAtInit() {
    auto printer = zevSelf();
    if (!printer) return;
    onCommandQueue([printer] {
        const QString key = printer->keyUSBdevice();
        if (TBUpdateStateFile::ownedElsewhere(key)) {
            printer->watchUpdateElsewhere();
            return;
        }
        if (printer->updatedElsewhere_.exchange(false)) {
            printer->announce(kUpdatedElsewhereProperty);
            // The other instance is done, or has died with the update: then it is this one's to carry on.
            if (UpdateSession::carriesOnRecordedUpdates() && TBUpdateStateFile::loadIntoRegistry() > 0) {
                const QVariantMap recorded = deviceInfoForKey(key)->snapshot();
                if (isUnderWay(recorded.value(deviceFirmwareUpdateState).toInt()))
                    for (auto it = recorded.constBegin(); it != recorded.constEnd(); ++it)
                        printer->setDeviceInfoValue(it.key(), it.value());
            }
        }
        printer->openInterface([printer](IOReturn result) {
            const std::optional<int> status = printer->firmwareUpdateStatus();
            if (result != kIOReturnSuccess) {
                // An update under way waits for this printer: another program holding it must not
                // leave the update standing without a word.
                if (result == kIOReturnExclusiveAccess && isUnderWay(status)) {
                    const auto session = carriedOnSession(printer, *status);
                    printer->showPrinterBusyRetryAlert(session, [printer] { printer->probeAtInit(); });
                }
                return;
            }
            if (!status) {
                // The information probe (which closes the interface when it ends), unless the printer
                // waits in its update mode with no update under way: then the operator decides, and
                // the printer is not held by this program meanwhile (the upload opens it again).
                printer->getPrinterStatus([printer](const QString& statusCode) {
                    if (statusCode == QLatin1String(zev::kStatusFirmwareUpdateMode)) {
                        printer->closeInterface();
                        printer->askAboutUpdateMode();
                    } else {
                        printer->readDeviceCustomInfo(statusCode);
                    }
                });
                return;
            }
            printer->carryOnUpdate(*status);
            printer->closeInterface();
        });
    });
}

void TBUSBPrinterZEV::carryOnUpdate(int status) {
    auto printer = zevSelf();
    // After the programming restart only the answer of the printer's new firmware counts.
    const int versionAnswers = firmwareVersionAnswers_;
    getPrinterFirmwareVersion();
    if (!isUnderWay(status)) {
        // 3, or anything else: the update is over. Cleared here on the queue, so that the record on
        // disk goes with it before anything else.
        removeDeviceInfoValue(deviceFirmwareUpdateState);
        TBUpdateStateFile::record(keyUSBdevice(), deviceInfoSnapshot());
        onMainThread([printer] {
            printer->setInFirmwareUpdate(false);
            printer->getDeviceCustomInfo();
        });
        return;
    }
    const auto session = carriedOnSession(printer, status);
    if (status == WaitingForFirmwareUpload) {
        platform::platformLog("found a device waiting for firmware update");
        onMainThread(
            [printer, session] { printer->askStatusWhileWaitingForUpload(session, kWaitingStatusAttempts); });
        return;
    }
    // The outcome names the version the printer runs now: an answer lost or damaged on the way is
    // asked for once more; without one, the version is not known (never the one from before).
    if (firmwareVersionAnswers_ == versionAnswers) getPrinterFirmwareVersion();
    if (firmwareVersionAnswers_ == versionAnswers) removeDeviceInfoValue(QRVX_TBPrinterFirmwareVersion);
    platform::platformLog("found a device rebooting after firmware update");
    setOverridePrinterStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "Checking firmware ...")));
    if (session->step() == Step::ProgrammingAndRestart) session->advance(UpdateSession::Event::Returned);
    const QString previous = textValue(QRVX_TBPrinterFirmwareVersionPrevious);
    const QString current = textValue(QRVX_TBPrinterFirmwareVersion);
    if (previous.isNull() || previous == current)
        platform::platformLog("firmware version unchanged at %s", utf8(current).constData());
    else
        platform::platformLog("firmware version changed from %s to %s", utf8(previous).constData(),
                              utf8(current).constData());
    finishFirmwareUpdate();
}

void TBUSBPrinterZEV::askStatusWhileWaitingForUpload(const UpdateSessionRef& session, int attemptsLeft) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    auto printer = zevSelf();
    getPrinterStatus([printer, session, attemptsLeft](const QString& statusCode) {
        if (session->hasEnded()) return;
        if (statusCode == QLatin1String(zev::kStatusFirmwareUpdateMode)) {
            platform::platformLog("device is in firmware update mode ... uploading firmware");
            if (session->step() == Step::RestartIntoUpdateMode)
                session->advance(UpdateSession::Event::Returned);
            printer->uploadFirmware();
            return;
        }
        const bool unreadable = statusCode == QLatin1String(zev::kNoReplyText);
        if (unreadable && attemptsLeft > 1) {
            platform::mainqueue::after(kWaitingStatusPauseMs, [printer, session, attemptsLeft] {
                printer->askStatusWhileWaitingForUpload(session, attemptsLeft - 1);
            });
            return;
        }
        platform::platformLog("Bad Status (%s) while waiting for firmware update",
                              utf8(statusCode).constData());
        printer->closeInterface();
        if (unreadable) {
            // Left like this the update would stand still without a word. Power-cycled, the printer
            // comes back in its update mode and the update carries on from its record.
            session->end(UpdateSession::Outcome::Failed,
                         UpdateSession::Notice{UpdateSession::notRespondingTitle(),
                                               UpdateSession::notRespondingMessage()});
            return;
        }
        // The update stays recorded; the operator may start it again, and the readiness step then sees
        // what the printer really is.
        session->stall();
    });
}

void TBUSBPrinterZEV::askAboutUpdateMode() {
    Q_ASSERT(platform::mainqueue::isMainThread());
    if (askedAboutUpdateMode_.exchange(true)) return;
    auto printer = zevSelf();
    if (!printer) return;
    showCustomAlertWithTitle(
        localized(QT_TRANSLATE_NOOP("TBPrinters", "Attention:")),
        localized(QT_TRANSLATE_NOOP("TBPrinters", "A printer was unexpectedly found in firmware update mode. "
                                                  "Would you like to update the firmware? ")),
        QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Ignore")),
                    localized(QT_TRANSLATE_NOOP("TBPrinters", "Update Firmware"))},
        std::nullopt, platform::kAlertStyleCritical, {},
        [printer](qint64 response) {
            if (response == platform::kAlertFirstButtonReturn + 1) {
                platform::platformLog("device is in firmware update mode ... uploading firmware");
                printer->uploadFirmware();
            } else if (response == platform::kAlertFirstButtonReturn) {
                printer->showAlertWithTitle(
                    localized(QT_TRANSLATE_NOOP("TBPrinters", "Please power-cycle this printer")),
                    localized(QT_TRANSLATE_NOOP("TBPrinters",
                                                "Contact customer support if power-cycling does "
                                                "not resolve the issue.")),
                    std::nullopt, {});
            }
        },
        platform::AlertIntent{.accept = 1, .abandon = 0});
}

void TBUSBPrinterZEV::deviceTerminated() {
    TBUSBPrinter::deviceTerminated();
    if (const auto session = UpdateSession::find(keyUSBdevice())) session->printerLeft(this);
}

void TBUSBPrinterZEV::watchUpdateElsewhere() {
    auto printer = zevSelf();
    const bool first = !updatedElsewhere_.exchange(true);
    onMainThread([printer, first] {
        printer->setPrinterStatus(
            localized(QT_TRANSLATE_NOOP("TBPrinters", "Being updated by another program")));
        if (first) printer->announce(kUpdatedElsewhereProperty);
    });
    // Until that update is over, or its program is gone.
    std::weak_ptr<TBUSBPrinterZEV> weak = printer;
    platform::mainqueue::after(kWatchElsewhereMs, [weak] {
        if (const auto p = weak.lock(); p && p->interfaceInterface()) p->probeAtInit();
    });
}
