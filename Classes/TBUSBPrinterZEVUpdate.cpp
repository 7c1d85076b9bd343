// The steps of a printer's firmware update: the request and its checks, the confirmation, the rewrite
// request that sends the printer into its update mode, the upload of the image, and, once the printer
// is back with the new firmware, the colour tables and the outcome. The update's session
// (UpdateSession) owns where it stands and ends it; the steps report to it.
//
// Operator-facing steps run on the main thread; every step that talks to the printer runs on its
// command queue under a claim of the interface, so no other exchange with this printer slips between
// them and nothing stays open once the step is over. The package is read and checked off the main
// thread, once per step, and what is sent is exactly what was checked.
#include "Classes/Edition.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/TBUpdateStateFile.h"
#include "Classes/UpdateSession.h"

#include "platform/application.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/strings.h"
#include "platform/userdefaults.h"
#include "support/QRVX_CodeNames.h"

#include "base/clock.h"

#include <chrono>

const QString deviceFirmwareUpdateState = QStringLiteral("deviceFirmwareStatus");
const QString kUpdateProgressProperty = QStringLiteral("updateProgress");

namespace {

using Step = UpdateSession::Step;
using Event = UpdateSession::Event;
using Outcome = UpdateSession::Outcome;
using Notice = UpdateSession::Notice;
using Record = UpdateSession::Record;

// serial-switcher installs an equal or older firmware only when this user default is set.
const QString kInstallOlderFirmwareVersionKey = QStringLiteral("installOlderFirmwareVersion");

// A lost or damaged answer to the status query right before the rewrite request is asked again this
// often, this long apart, before the printer counts as not answering.
constexpr int kIdleChecks = 3;
constexpr int kIdleCheckPauseMs = 500;

using platform::localized;

// A status answer that was lost or arrived damaged says nothing about the printer.
bool isUnreadableStatus(const QString& statusCode) {
    return statusCode.isEmpty() || statusCode == QLatin1String(zev::kNoReplyText);
}

// Whether the printer's reported firmware is the package's: the same text, or the same version number
// where the printer words it differently.
bool runsFirmware(const QString& reported, const QString& package) {
    if (reported.trimmed() == package.trimmed()) return !package.trimmed().isEmpty();
    const double number = TBFirmwarePackage::versionNumber(package);
    return number > 0.0 && TBFirmwarePackage::versionNumber(reported) == number;
}

// The outcome's message. A printer rescued from its update mode has no version from before.
QString successMessage(const QString& previous, const QString& current) {
    if (previous.isEmpty())
        return localized(QT_TRANSLATE_NOOP("TBPrinters", "Firmware version updated to %1")).arg(current);
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "Firmware version updated from %1 to %2"))
        .arg(previous, current);
}

QString problemMessage(const QString& previous, const QString& current) {
    // A printer that did not tell its version after the restart does not run a known one.
    const QString now = current.isEmpty() ? localized(QT_TRANSLATE_NOOP("TBPrinters", "unknown")) : current;
    if (previous.isEmpty())
        return localized(QT_TRANSLATE_NOOP("TBPrinters", "Current firmware version: %1")).arg(now);
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "Previous firmware version: %1 current version: %2"))
        .arg(previous, now);
}

QString problemTitle() {
    return localized(QT_TRANSLATE_NOOP("TBPrinters", "There was a problem with the firmware update!"));
}

} // namespace

LoadedFirmwarePackage TBUSBPrinterZEV::loadPackage() {
    return TBFirmwarePackage::loadFirmwarePackage(productID(), Edition::current(),
                                                  QString::fromLatin1(className()), packageInfo());
}

QString TBUSBPrinterZEV::knownPackageVersion() {
    return TBFirmwarePackage::storedNewFirmwareVersion(packageInfo()).value_or(QString());
}

TBUSBPrinterZEV::UpdateSessionRef TBUSBPrinterZEV::sessionAt(UpdateSessionStep first) {
    auto session = UpdateSession::find(keyUSBdevice());
    if (session && !session->hasEnded()) return session;
    return UpdateSession::start(zevSelf(), first, false, knownPackageVersion());
}

// ---- step 1: the request ------------------------------------------------------------------------------

void TBUSBPrinterZEV::updateFirmware() {
    Q_ASSERT(platform::mainqueue::isMainThread());
    platform::platformLog("%s", methodName("updateFirmware:").c_str());
    auto printer = zevSelf();
    if (!printer) return;
    if (!updateCanStart()) {
        platform::platformLog("an update of %s is already under way", descriptionUTF8().constData());
        return;
    }
    if (Edition::current().isSerialSwitcher()) {
        // This program checks nothing here.
        requestWithPackage({});
        return;
    }
    // Reading and digesting the package takes a while with a large image: not on the main thread.
    onCommandQueue([printer] {
        const LoadedFirmwarePackage package = printer->loadPackage();
        printer->onMainThread([printer, package] { printer->requestWithPackage(package); });
    });
}

void TBUSBPrinterZEV::requestWithPackage(const LoadedFirmwarePackage& package) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    if (!updateCanStart()) return; // another request got in meanwhile
    const QString target = package.verified ? package.version : QString();
    auto session =
        UpdateSession::start(zevSelf(), Step::Request, false,
                             Edition::current().isSerialSwitcher() ? knownPackageVersion() : target);
    if (Edition::current().isSerialSwitcher()) {
        // Warns only for the model whose media change with the update.
        if (printerModel() == zev::Model::HVQXA)
            ShowQXAWarning();
        else
            proceedWithUpdateWhenReady();
        return;
    }
    if (!package.usable()) {
        session->end(Outcome::Failed, fileCorruptionNotice(true));
        return;
    }
    ShowQXAWarning();
}

// ---- step 2: readiness --------------------------------------------------------------------------------

void TBUSBPrinterZEV::proceedWithUpdateWhenReady() {
    Q_ASSERT(platform::mainqueue::isMainThread());
    platform::platformLog("%s", methodName("proceedWithUpdateWhenReady").c_str());
    auto printer = zevSelf();
    if (!printer) return;
    auto session = UpdateSession::find(keyUSBdevice());
    if (!session || session->hasEnded() || (session->allowsNewRequest() && session->step() >= Step::Rewrite))
        session = UpdateSession::start(printer, Step::Readiness, false, knownPackageVersion());
    if (session->step() == Step::Request) session->advance(Event::Passed);
    if (session->step() != Step::Readiness) {
        platform::platformLog("update of %s is at %s, not at its readiness checks",
                              descriptionUTF8().constData(),
                              qUtf8Printable(UpdateSession::stepName(session->step())));
        return;
    }

    // Already in update mode: nothing to compare or confirm, the image goes at once.
    if (printerStatus() == stringForHVStatusString(QString::fromLatin1(zev::kStatusFirmwareUpdateMode))) {
        session->advance(Event::InUpdateMode);
        uploadFirmware();
        return;
    }
    // The gate compares with the package's version, which needs the package read and checked: off
    // the main thread, and never against a version not known.
    onCommandQueue([printer, session] { printer->checkReadiness(session, printer->loadPackage()); });
}

void TBUSBPrinterZEV::checkReadiness(const UpdateSessionRef& session, const LoadedFirmwarePackage& package) {
    session->setTarget(package.version);
    auto printer = zevSelf();
    assessReadiness(package, [printer, session](const Readiness& readiness) {
        switch (readiness.kind) {
        case Readiness::DamagedPackage:
            session->end(Outcome::Failed, fileCorruptionNotice(false));
            return;
        case Readiness::NotNeeded:
            session->end(
                Outcome::NotNeeded,
                Notice{localized(QT_TRANSLATE_NOOP("TBPrinters", "Firmware update not needed")),
                       localized(
                           QT_TRANSLATE_NOOP("TBPrinters", "This printer has firmware version %1 installed."))
                           .arg(QString::number(readiness.installed, 'f', 2))});
            return;
        case Readiness::Busy:
            printer->showPrinterBusyRetryAlert(session, {});
            return;
        case Readiness::NotResponding:
            printer->showRetryAlert(session, UpdateSession::notRespondingTitle(),
                                    UpdateSession::notRespondingMessage());
            return;
        case Readiness::Idle:
        case Readiness::InUpdateMode:
        case Readiness::NotReady:
            printer->readinessStatusArrived(session, readiness.statusCode);
            return;
        }
    });
}

void TBUSBPrinterZEV::assessReadiness(const LoadedFirmwarePackage& package,
                                      std::function<void(const Readiness& readiness)> done) {
    // A package that cannot be trusted has no version to compare with; a model this program carries
    // no package for has nothing newer to install.
    Readiness readiness;
    readiness.target = package.version;
    readiness.installed = installedFirmwareVersion();
    auto printer = zevSelf();
    const auto tell = [printer, done](const Readiness& answer) {
        printer->onMainThread([done, answer] { done(answer); });
    };
    const bool hasPackage = !package.version.isEmpty();
    if (hasPackage && !package.verified) {
        readiness.kind = Readiness::DamagedPackage;
        tell(readiness);
        return;
    }
    const double available = TBFirmwarePackage::versionNumber(package.version);
    const double installed = readiness.installed;
    const bool goOn =
        hasPackage && (Edition::current().isSerialSwitcher()
                           ? installed < available ||
                                 platform::userdefaults::boolForKey(kInstallOlderFirmwareVersionKey, false)
                           : !(available < installed));
    if (!goOn) {
        readiness.kind = Readiness::NotNeeded;
        tell(readiness);
        return;
    }
    // Open for the status query only: nothing holds the printer while the operator is asked.
    claimInterface([printer, readiness, tell](Claim claim, IOReturn result) mutable {
        if (result == kIOReturnSuccess) {
            printer->getPrinterStatus([readiness, done = tell, claim](const QString& statusCode) mutable {
                claim.reset();
                readiness.statusCode = statusCode;
                readiness.kind = statusCode == QLatin1String(zev::kStatusIdle) ? Readiness::Idle
                                 : statusCode == QLatin1String(zev::kStatusFirmwareUpdateMode)
                                     ? Readiness::InUpdateMode
                                 : isUnreadableStatus(statusCode) ? Readiness::NotResponding
                                                                  : Readiness::NotReady;
                done(readiness);
            });
            return;
        }
        readiness.kind = result == kIOReturnExclusiveAccess ? Readiness::Busy : Readiness::NotResponding;
        tell(readiness);
    });
}

void TBUSBPrinterZEV::assessUpdate(std::function<void(const Readiness& readiness)> done) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    auto printer = zevSelf();
    if (!printer) return;
    // Already in update mode: nothing to compare, the image is what it waits for.
    if (printerStatus() == stringForHVStatusString(QString::fromLatin1(zev::kStatusFirmwareUpdateMode))) {
        Readiness readiness;
        readiness.kind = Readiness::InUpdateMode;
        readiness.target = knownPackageVersion();
        done(readiness);
        return;
    }
    onCommandQueue([printer, done] { printer->assessReadiness(printer->loadPackage(), done); });
}

void TBUSBPrinterZEV::readinessStatusArrived(const UpdateSessionRef& session, const QString& statusCode) {
    Q_ASSERT(platform::mainqueue::isMainThread());
    if (statusCode == QLatin1String(zev::kStatusIdle)) {
        updateFirmwareReady();
    } else if (isUnreadableStatus(statusCode)) {
        // A printer that does not answer (or whose answer came damaged) is not an idle one: never
        // send it into its update mode.
        showRetryAlert(session, UpdateSession::notRespondingTitle(), UpdateSession::notRespondingMessage());
    } else {
        showRetryAlert(session, localized(QT_TRANSLATE_NOOP("TBPrinters", "Printer Not Ready")),
                       localized(QT_TRANSLATE_NOOP("TBPrinters", "Please correct the following issue: %1"))
                           .arg(platform::localizedString(stringForHVStatusString(statusCode))));
    }
}

void TBUSBPrinterZEV::showRetryAlert(const UpdateSessionRef& session, const QString& title,
                                     const QString& message, std::function<void()> retry) {
    showAlertWithTitle(
        title, message,
        QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Proceed")),
                    localized(QT_TRANSLATE_NOOP("TBPrinters", "Cancel"))},
        [session, retry](qint64 response) {
            if (session->hasEnded()) return;
            if (response != platform::kAlertFirstButtonReturn) {
                session->end(Outcome::Cancelled);
                return;
            }
            if (retry) {
                retry();
            } else if (session->advance(Event::Retry)) {
                // The printer object that stands for the port now: one that left and came back
                // (a power cycle, a cable plugged in again) can only be reached through the new one.
                if (const auto printer = session->printer()) printer->proceedWithUpdateWhenReady();
            }
        },
        platform::AlertIntent{.abandon = 1});
}

void TBUSBPrinterZEV::showPrinterBusyRetryAlert(const UpdateSessionRef& session,
                                                std::function<void()> retry) {
    showRetryAlert(session, localized(QT_TRANSLATE_NOOP("TBPrinters", "Printer Busy")),
                   localized(QT_TRANSLATE_NOOP("TBPrinters", "Another application is using the printer. "
                                                             "Please proceed when the printer becomes "
                                                             "available.")),
                   std::move(retry));
}

// ---- step 3: confirmation -----------------------------------------------------------------------------

void TBUSBPrinterZEV::updateFirmwareReady() {
    Q_ASSERT(platform::mainqueue::isMainThread());
    auto session = sessionAt(Step::Confirmation);
    if (session->step() == Step::Readiness) session->advance(Event::Passed);
    const QString version = newFirmwareVersion().value_or(session->target());
    showAlertWithTitle(
        updateConfirmationTitle(), updateConfirmationWarning(),
        QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Cancel")),
                    localized(QT_TRANSLATE_NOOP("TBPrinters", "Update Firmware to %1")).arg(version)},
        [session](qint64 response) {
            if (session->hasEnded()) return;
            const auto printer = session->printer();
            if (response == platform::kAlertFirstButtonReturn + 1 && printer)
                printer->updateFirmwareAndColorTables();
            else
                session->end(Outcome::Cancelled);
        },
        platform::AlertIntent{.accept = 1, .abandon = 0});
}

// ---- step 4: start --------------------------------------------------------------------------------------

void TBUSBPrinterZEV::updateFirmwareAndColorTables() {
    Q_ASSERT(platform::mainqueue::isMainThread());
    platform::platformLog("%s", methodName("updateFirmwareAndColorTables").c_str());
    auto printer = zevSelf();
    if (!printer) return;
    auto session = sessionAt(Step::Confirmation);
    if (firmwareVersion().isEmpty()) {
        // Without the installed version there is nothing to report the update against: let the
        // printer come back on the bus and be read again.
        onCommandQueue([printer] { printer->reEnumerateUSBDevice(); });
        session->end(Outcome::Failed, {}, Record::Keep,
                     QStringLiteral("The printer's firmware version was not known: it was read again."));
        return;
    }
    if (session->step() != Step::Confirmation || !session->advance(Event::Passed)) return;
    onCommandQueue([printer, session] {
        if (!printer->loadPackage().usable()) {
            session->end(Outcome::Failed, fileCorruptionNotice(false));
            return;
        }
        printer->claimInterface([printer, session](Claim, IOReturn result) {
            if (result != kIOReturnSuccess) {
                // Nothing was sent: the printer is as it was, and the operator may try again.
                platform::platformLog("update of %s not started: open failed (%s)",
                                      printer->descriptionUTF8().constData(), strForIOReturn(result));
                session->advance(Event::NotReady);
                if (result == kIOReturnExclusiveAccess)
                    printer->showPrinterBusyRetryAlert(session, {});
                else
                    printer->showRetryAlert(session, UpdateSession::notRespondingTitle(),
                                            UpdateSession::notRespondingMessage());
                return;
            }
            printer->startRewrite(session);
        });
    });
}

QString TBUSBPrinterZEV::idleCheck() {
    QString code;
    for (int attempt = 0; attempt < kIdleChecks; ++attempt) {
        if (attempt > 0) base::clock::sleepFor(std::chrono::milliseconds(kIdleCheckPauseMs));
        code = statusNow();
        if (!isUnreadableStatus(code)) break;
    }
    return code;
}

void TBUSBPrinterZEV::startRewrite(const UpdateSessionRef& session) {
    // The readiness check may be minutes old by now (the confirmation waited for the operator): only
    // a printer that is idle this moment goes into its update mode.
    const QString code = idleCheck();
    if (code != QLatin1String(zev::kStatusIdle)) {
        platform::platformLog("update of %s not started: the printer answered %s",
                              descriptionUTF8().constData(), qUtf8Printable(code));
        session->advance(Event::NotReady);
        auto printer = zevSelf();
        onMainThread([printer, session, code] { printer->readinessStatusArrived(session, code); });
        return;
    }
    setOverridePrinterStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "Updating firmware ...")));
    setDeviceInfoValue(QRVX_TBPrinterFirmwareVersionPrevious, firmwareVersion());
    session->storeStatus(WaitingForFirmwareUpload);
    if (!writeFrame(zev::kCommandFlashRewrite, QByteArray())) {
        // The printer never heard the request and will not restart: nothing is under way.
        session->storeStatus(std::nullopt);
        session->end(Outcome::Failed,
                     Notice{UpdateSession::notRespondingTitle(), UpdateSession::notRespondingMessage()});
        return;
    }
    session->advance(Event::Sent);
}

// ---- step 5: upload -------------------------------------------------------------------------------------

void TBUSBPrinterZEV::uploadFirmware() {
    auto printer = zevSelf();
    if (!printer) return;
    auto session = UpdateSession::find(keyUSBdevice());
    if (!session || session->hasEnded() || session->step() != Step::Upload)
        session = UpdateSession::start(printer, Step::Upload, false, knownPackageVersion());
    onCommandQueue([printer, session] { printer->uploadStep(session); });
}

void TBUSBPrinterZEV::uploadStep(const UpdateSessionRef& session) {
    const LoadedFirmwarePackage package = loadPackage();
    if (!package.verified) {
        platform::platformLog("failed to verify firmware archive");
        // The printer keeps waiting for an image in its update mode; the row is free again.
        session->end(Outcome::Failed, damagedPackageNotice());
        return;
    }
    session->setTarget(package.version);
    auto printer = zevSelf();
    claimInterface([printer, session, package](Claim, IOReturn result) {
        if (result == kIOReturnExclusiveAccess) {
            // The printer waits in its update mode for the image; whoever holds it must not leave the
            // update standing without a word.
            printer->showPrinterBusyRetryAlert(session, [session] {
                if (const auto p = session->printer()) p->uploadFirmware();
            });
            return;
        }
        // Gone from the bus: the printer object it comes back as takes the update up.
        if (result != kIOReturnSuccess) return;
        printer->sendImage(session, package);
    });
}

void TBUSBPrinterZEV::sendImage(const UpdateSessionRef& session, const LoadedFirmwarePackage& package) {
    setOverridePrinterStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "Writing firmware ...")));
    if (package.image.isNull()) {
        session->end(Outcome::Failed, damagedPackageNotice());
        return;
    }
    // Stored first: the printer may restart the moment the last byte is in.
    session->storeStatus(RebootingAfterFirmwareUpload);
    const bool sent =
        writeFrameInPieces(zev::kCommandFlashProgram, package.image, [session](qint64 done, qint64 all) {
            session->progress(all > 0 ? double(done) / double(all) : 1.0);
        });
    if (sent) {
        session->advance(Event::Sent);
        return;
    }
    // The printer did not get the whole image, so it keeps waiting for one in its update mode.
    session->storeStatus(WaitingForFirmwareUpload);
    session->end(
        Outcome::Failed,
        Notice{localized(QT_TRANSLATE_NOOP("TBPrinters", "The firmware could not be sent to the printer")),
               localized(QT_TRANSLATE_NOOP(
                   "TBPrinters",
                   "The printer stays in firmware update mode until it receives the firmware. Check "
                   "the USB cable and choose Update Firmware… to send it again. A printer that was "
                   "unplugged gets the firmware again when it is plugged back in."))});
}

// ---- step 6: colour tables -------------------------------------------------------------------------------

void TBUSBPrinterZEV::updateColorTables(std::function<void(bool written)> completion) {
    tablesStep(sessionAt(Step::Tables), std::move(completion));
}

void TBUSBPrinterZEV::tablesStep(const UpdateSessionRef& session,
                                 std::function<void(bool written)> completion) {
    const LoadedFirmwarePackage package = loadPackage();
    // Every table is read and checked before anything is cleared on the printer.
    if (!package.verified) {
        platform::platformLog("failed to verify firmware archive");
        tablesNotWritten(session, localized(QT_TRANSLATE_NOOP(
                                      "TBPrinters", "There is a problem with the firmware files.")));
        return;
    }
    auto printer = zevSelf();
    claimInterface([printer, session, package, completion](Claim, IOReturn result) {
        if (result != kIOReturnSuccess) {
            printer->tablesNotWritten(
                session, localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer could not be opened.")));
            return;
        }
        printer->writeColorTables(session, package, completion);
    });
}

void TBUSBPrinterZEV::tablesNotWritten(const UpdateSessionRef& session, const QString& why) {
    // The update status stays: the next time this printer comes on the bus, the tables are tried
    // again. Until then the operator must know the update has not finished.
    session->end(Outcome::Failed,
                 Notice{localized(QT_TRANSLATE_NOOP("TBPrinters", "The color tables could not be written")),
                        why + QStringLiteral("\n\n") +
                            localized(QT_TRANSLATE_NOOP("TBPrinters",
                                                        "The printer has its new firmware. Unplug it and "
                                                        "plug it in again to write the color tables."))});
}

void TBUSBPrinterZEV::writeColorTables(const UpdateSessionRef& session, const LoadedFirmwarePackage& package,
                                       std::function<void(bool written)> completion) {
    // Asked here, on the queue, so that the answer decides this step. A printer back in its update
    // mode lost the image with its power while it programmed its flash: it cannot take tables (its
    // update firmware drops them) and waits for the image again.
    const QString statusCode = statusNow();
    if (statusCode == QLatin1String(zev::kStatusFirmwareUpdateMode)) {
        platform::platformLog("device came back in firmware update mode ... uploading firmware again");
        session->storeStatus(WaitingForFirmwareUpload);
        session->advance(Event::InUpdateMode);
        uploadFirmware();
        return;
    }
    // The tables belong to the package's firmware. A printer that came back with any other (its
    // flash did not take the image) keeps the tables that go with what it runs, and the update has
    // failed: say so, with both versions.
    const QString previous = textValue(QRVX_TBPrinterFirmwareVersionPrevious);
    const QString current = firmwareVersion();
    session->setFirmwareAfter(current);
    if (!runsFirmware(current, package.version)) {
        platform::platformLog("the printer runs firmware %s, not the package's %s: no colour tables written",
                              qUtf8Printable(current), qUtf8Printable(package.version));
        session->end(Outcome::Failed, Notice{problemTitle(), problemMessage(previous, current)},
                     Record::Clear);
        return;
    }
    if (statusCode != QLatin1String(zev::kStatusIdle))
        waitForPrinterStatusCode(QString::fromLatin1(zev::kStatusIdle));
    setOverridePrinterStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "Updating color tables ...")));
    writeFrame(zev::kCommandColorTableClear, QByteArray());
    getPrinterColorTableVersion({});
    getPrinterColorTableChecksum({});
    bool written = false;
    const qsizetype count = package.tableNames.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QByteArray name = paddedData(package.tableNames.at(i).toUpper().toUtf8());
        // A table that did not reach the printer is no table written: the update is not over, and the
        // next time the printer comes on the bus the tables are written again.
        if (!writeFrame(zev::kCommandColorTableWriteName, name) ||
            !writeFrame(zev::kCommandColorTableWriteData, package.tables.value(i))) {
            tablesNotWritten(session,
                             localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer stopped taking them.")));
            return;
        }
        written = true;
        getPrinterColorTableVersion({});
        getPrinterColorTableChecksum({});
        session->progress(double(i + 1) / double(count));
    }
    session->storeStatus(ColorTablesWritten);
    session->advance(Event::Sent);
    if (completion) completion(written);
}

// ---- step 7: outcome -------------------------------------------------------------------------------------

void TBUSBPrinterZEV::finishFirmwareUpdate() {
    const std::string name = methodName("finishFirmwareUpdate");
    platform::platformLog("%s", name.c_str());
    auto printer = zevSelf();
    if (!printer) return;
    auto session = sessionAt(Step::Tables);
    tablesStep(session, [printer, session, name](bool written) {
        platform::platformLog("%s_block_invoke", name.c_str());
        const QString previous = printer->textValue(QRVX_TBPrinterFirmwareVersionPrevious);
        const QString current = session->firmwareAfter(); // the version the tables were written for
        if (written)
            session->end(Outcome::Succeeded,
                         Notice{localized(QT_TRANSLATE_NOOP("TBPrinters", "Firmware update was successful!")),
                                successMessage(previous, current),
                                QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Finish"))}});
        else
            session->end(Outcome::Failed, Notice{problemTitle(), problemMessage(previous, current)});
    });
}

// ---- the update status, progress and the interface
// ---------------------------------------------------------

std::optional<int> TBUSBPrinterZEV::firmwareUpdateStatus() {
    const QVariant value = deviceInfoValue(deviceFirmwareUpdateState);
    if (!value.isValid()) return std::nullopt;
    return value.toInt();
}

void TBUSBPrinterZEV::setFirmwareUpdateStatus(int status) {
    auto printer = zevSelf();
    if (!printer) return;
    onMainThread([printer, status] {
        printer->deviceInfoDict()->setValue(deviceFirmwareUpdateState, status);
        const QString key = printer->keyUSBdevice();
        platform::platformLog("writing key:%s for dict:%s", qUtf8Printable(key),
                              qUtf8Printable(printer->deviceInfoDict()->description()));
        TBUSBPrinter::setDeviceInfo(printer->deviceInfoDict(), key);
        // The record on disk is written off the main thread.
        printer->onCommandQueue(
            [printer, key] { TBUpdateStateFile::record(key, printer->deviceInfoSnapshot()); });
    });
}

QStringList TBUSBPrinterZEV::updatesUnderWay() {
    return UpdateSession::underWay();
}

QString TBUSBPrinterZEV::phaseName(UpdatePhase phase) {
    static const char* const names[] = {"request", "restart-into-update-mode", "upload",
                                        "programming-and-restart", "colour-tables"};
    return QString::fromLatin1(names[std::clamp(int(phase), 0, int(std::size(names)) - 1)]);
}

int TBUSBPrinterZEV::updateProgress() {
    const auto session = UpdateSession::find(keyUSBdevice());
    if (!session || session->hasEnded() || session->printer().get() != this) return -1;
    return session->progressPermille();
}

std::optional<TBUSBPrinterZEV::UpdatePhase> TBUSBPrinterZEV::updatePhase() {
    const auto session = UpdateSession::find(keyUSBdevice());
    if (!session || session->hasEnded() || session->printer().get() != this) return std::nullopt;
    return session->phase();
}

bool TBUSBPrinterZEV::updateCanStart() const {
    if (updatedElsewhere_) return false;
    const auto session = UpdateSession::find(keyUSBdevice());
    return !session || session->allowsNewRequest();
}

TBUSBPrinterZEV::InterfaceClaim::InterfaceClaim(std::shared_ptr<TBUSBPrinterZEV> printer)
    : printer_(std::move(printer)) {
    ++printer_->interfaceClaims_;
}

TBUSBPrinterZEV::InterfaceClaim::~InterfaceClaim() {
    if (--printer_->interfaceClaims_ == 0) printer_->closeInterface();
}

void TBUSBPrinterZEV::claimInterface(std::function<void(Claim claim, IOReturn result)> then) {
    auto printer = zevSelf();
    openInterface([printer, then](IOReturn result) {
        then(result == kIOReturnSuccess ? std::make_shared<InterfaceClaim>(printer) : nullptr, result);
    });
}

void TBUSBPrinterZEV::releaseInterfaceUnlessClaimed() {
    auto printer = zevSelf();
    onCommandQueue([printer] {
        if (printer->interfaceClaims_ == 0) printer->closeInterface();
    });
}

void TBUSBPrinterZEV::refreshStatusAndRelease() {
    auto printer = zevSelf();
    claimInterface([printer](Claim, IOReturn result) {
        if (result == kIOReturnSuccess) printer->statusNow();
    });
}

// ---- notices about the package -------------------------------------------------------------------------

UpdateNotice TBUSBPrinterZEV::fileCorruptionNotice(bool quit) {
    return Notice{
        localized(QT_TRANSLATE_NOOP("TBPrinters",
                                    "-- File corruption --\n\nThere is a problem with the firmware files.")),
        localized(QT_TRANSLATE_NOOP("TBPrinters", "Contact customer support.")),
        quit ? std::optional(QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Quit"))}) : std::nullopt,
        [quit](qint64) {
            if (quit) platform::requestTermination();
        }};
}

UpdateNotice TBUSBPrinterZEV::damagedPackageNotice() {
    return Notice{localized(QT_TRANSLATE_NOOP("TBPrinters", "There was a problem with the firmware file!")),
                  localized(QT_TRANSLATE_NOOP(
                      "TBPrinters", "This application may be damaged. Please download a new copy."))};
}
