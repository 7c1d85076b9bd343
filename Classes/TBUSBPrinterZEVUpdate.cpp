// The firmware update of one printer, across the two restarts that make three printer objects of it:
// the request and its checks, the confirmation, the rewrite request that sends the printer into its
// update mode, the upload of the image, and, once the printer is back with the new firmware, the
// colour tables and the outcome. The update status in the device-info dictionary says where the
// update stands; the start-up probe of each new printer object reads it and goes on from there.
//
// Operator-facing steps run on the main thread; every step that talks to the printer runs on its
// command queue with the interface open, so no other exchange with this printer slips between them.
// The package is read and checked off the main thread, once per step, and what is sent is exactly
// what was checked.
#include "Classes/Edition.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/TBUpdateStateFile.h"

#include "platform/application.h"
#include "platform/inhibitor.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/strings.h"
#include "platform/userdefaults.h"
#include "support/QRVX_CodeNames.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

const QString deviceFirmwareUpdateState = QStringLiteral("deviceFirmwareStatus");
const QString kUpdateProgressProperty = QStringLiteral("updateProgress");

namespace {
// Device-info key of the phase the progress stands in (an UpdatePhase), beside the progress.
const QString kUpdatePhaseKey = QStringLiteral("updatePhase");
} // namespace

namespace {

// serial-switcher installs an equal or older firmware only when this user default is set.
const QString kInstallOlderFirmwareVersionKey = QStringLiteral("installOlderFirmwareVersion");

// Each phase's share of the progress bar, in percent, in the order the phases run.
constexpr std::array<int, 5> kPhaseWeights = {
    5,  // Request: the checks and the rewrite request
    10, // RestartIntoUpdateMode: the printer leaves and comes back in update mode
    50, // Upload: moves with the bytes written
    20, // ProgrammingAndRestart: the printer programs its flash and comes back
    15, // ColorTables: moves with the tables written
};

QString localized(const char* text) {
    return platform::localizedString(QString::fromUtf8(text));
}

QByteArray utf8(const QString& text) {
    return text.isNull() ? QByteArray("(null)") : text.toUtf8();
}

// How long a printer that left the bus to restart may stay away before its update counts as gone.
constexpr int kRestartGraceMs = 5 * 60 * 1000;

// Main thread only: the printers between their rewrite request and their outcome, by device key,
// each with a count of the printer objects that carried it on (for telling a restart from a loss).
QHash<QString, quint64>& updatesUnderWayMap() {
    static QHash<QString, quint64> keys;
    return keys;
}

// Main thread only: held while any update is under way, so the computer neither sleeps nor shuts
// down under a printer that is writing its flash.
void followUpdatesUnderWay() {
    // Never destroyed: a program that ends with an update under way lets the kernel close the lock,
    // rather than tear down a D-Bus call after the application object is gone.
    static auto* const inhibitor = new std::shared_ptr<platform::SleepInhibitor>();
    if (updatesUnderWayMap().isEmpty()) {
        if (*inhibitor) platform::platformLog("no update under way: the computer may sleep again");
        inhibitor->reset();
    } else if (!*inhibitor) {
        *inhibitor = platform::inhibitSleep(Edition::current().programName(),
                                            QStringLiteral("Updating the firmware of a printer"));
    }
}

void setUnderWay(const QString& key, bool underWay) {
    auto& keys = updatesUnderWayMap();
    if (underWay)
        keys[key] += 1;
    else
        keys.remove(key);
    followUpdatesUnderWay();
}

bool isUnderWay(std::optional<int> status) {
    return status == TBUSBPrinterZEV::WaitingForFirmwareUpload ||
           status == TBUSBPrinterZEV::RebootingAfterFirmwareUpload;
}

// The printer object that stands for each port now. An answer the operator gives after the printer
// has left the bus and come back (a power cycle, a cable plugged in again) belongs to the new object:
// the old one can never reach the printer again.
std::mutex latestMutex;
QHash<QString, std::weak_ptr<TBUSBPrinterZEV>> latestByKey; // guarded by latestMutex

void rememberLatest(const QString& key, const std::shared_ptr<TBUSBPrinterZEV>& printer) {
    std::lock_guard lock(latestMutex);
    latestByKey.insert(key, printer);
}

std::shared_ptr<TBUSBPrinterZEV> latestFor(const QString& key, std::shared_ptr<TBUSBPrinterZEV> fallback) {
    std::lock_guard lock(latestMutex);
    const auto latest = latestByKey.value(key).lock();
    return latest ? latest : fallback;
}

// A notice that tells the operator the update did not (or could not) go on.
const platform::AlertIntent kFailed{.outcome = platform::AlertIntent::Outcome::Failed};

// A status answer that was lost or arrived damaged says nothing about the printer.
bool isUnreadableStatus(const QString& statusCode) {
    return statusCode.isEmpty() || statusCode == QLatin1String(zev::kNoReplyText);
}

// How often the start-up probe asks a printer waiting for its image for its status before it takes a
// missing answer for a printer that does not respond, and the pause between two questions.
constexpr int kWaitingStatusAttempts = 3;
constexpr int kWaitingStatusPauseMs = 500;

} // namespace

LoadedFirmwarePackage TBUSBPrinterZEV::loadPackage() {
    return TBFirmwarePackage::loadFirmwarePackage(productID(), Edition::current(),
                                                  QString::fromLatin1(className()), packageInfo());
}

// ---- step 1: the request ------------------------------------------------------------------------------

void TBUSBPrinterZEV::updateFirmware() {
    platform::platformLog("%s", methodName("updateFirmware:").c_str());
    auto printer = zevSelf();
    if (!printer) return;
    if (!updateCanStart()) {
        platform::platformLog("an update of %s is already under way", descriptionUTF8().constData());
        return;
    }
    TBUpdateHistory::begin(historyPrinter(), newFirmwareVersion().value_or(QString()));
    if (Edition::current().isSerialSwitcher()) {
        // This program checks nothing here and warns only for the model whose media change with it.
        if (printerModel() == zev::Model::HVQXA)
            ShowQXAWarning();
        else
            proceedWithUpdateWhenReady();
        return;
    }
    // Reading and digesting the package takes a while with a large image: not on the main thread.
    onCommandQueue([printer] {
        const LoadedFirmwarePackage package = printer->loadPackage();
        if (!package.usable()) {
            printer->showFileCorruptionAlert(true);
            return;
        }
        printer->ShowQXAWarning();
    });
}

// ---- step 2: readiness --------------------------------------------------------------------------------

void TBUSBPrinterZEV::proceedWithUpdateWhenReady() {
    platform::platformLog("%s", methodName("proceedWithUpdateWhenReady").c_str());
    auto printer = zevSelf();
    if (!printer) return;

    // Already in update mode: nothing to compare or confirm, the image goes at once.
    if (printerStatus() == stringForHVStatusString(QString::fromLatin1(zev::kStatusFirmwareUpdateMode))) {
        uploadFirmware();
        return;
    }

    const double available = availableFirmwareVersion();
    const double installed = installedFirmwareVersion();
    const bool goOn = Edition::current().isSerialSwitcher()
                          ? installed < available ||
                                platform::userdefaults::boolForKey(kInstallOlderFirmwareVersionKey, false)
                          : !(available < installed);
    if (!goOn) {
        showAlertWithTitle(
            localized(QT_TRANSLATE_NOOP("TBPrinters", "Firmware update not needed")),
            localized(QT_TRANSLATE_NOOP("TBPrinters", "This printer has firmware version %1 installed."))
                .arg(QString::number(installed, 'f', 2)),
            std::nullopt, {}, platform::AlertIntent{.outcome = platform::AlertIntent::Outcome::NothingToDo});
        return;
    }

    // The interface opened here stays open for the steps that follow.
    openInterface([printer](IOReturn result) {
        if (result == kIOReturnSuccess) {
            printer->getPrinterStatus(
                [printer](const QString& statusCode) { printer->readinessStatusArrived(statusCode); });
        } else if (result == kIOReturnExclusiveAccess) {
            printer->showPrinterBusyRetryAlert({});
        } else {
            printer->showRetryAlert(
                localized(QT_TRANSLATE_NOOP("TBPrinters", "Printer Error")),
                localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer is not responding properly. "
                                                          "Please power-cycle the printer and try "
                                                          "again.")));
        }
    });
}

void TBUSBPrinterZEV::readinessStatusArrived(const QString& statusCode) {
    if (statusCode == QLatin1String(zev::kStatusIdle)) {
        updateFirmwareReady();
    } else if (isUnreadableStatus(statusCode)) {
        // A printer that does not answer (or whose answer came damaged) is not an idle one: never
        // send it into its update mode.
        showRetryAlert(
            localized(QT_TRANSLATE_NOOP("TBPrinters", "Printer Error")),
            localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer is not responding properly. Please "
                                                      "power-cycle the printer and try again.")));
    } else {
        showRetryAlert(localized(QT_TRANSLATE_NOOP("TBPrinters", "Printer Not Ready")),
                       localized(QT_TRANSLATE_NOOP("TBPrinters", "Please correct the following issue: %1"))
                           .arg(platform::localizedString(stringForHVStatusString(statusCode))));
    }
}

void TBUSBPrinterZEV::showRetryAlert(const QString& title, const QString& message,
                                     std::function<void()> retry) {
    auto printer = zevSelf();
    const QString key = keyUSBdevice();
    showAlertWithTitle(
        title, message,
        QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Proceed")),
                    localized(QT_TRANSLATE_NOOP("TBPrinters", "Cancel"))},
        [printer, key, retry](qint64 response) {
            if (response != platform::kAlertFirstButtonReturn) return;
            if (retry)
                retry();
            else
                latestFor(key, printer)->proceedWithUpdateWhenReady();
        },
        platform::AlertIntent{.abandon = 1});
}

void TBUSBPrinterZEV::showPrinterBusyRetryAlert(std::function<void()> retry) {
    showRetryAlert(localized(QT_TRANSLATE_NOOP("TBPrinters", "Printer Busy")),
                   localized(QT_TRANSLATE_NOOP("TBPrinters", "Another application is using the printer. "
                                                             "Please proceed when the printer becomes "
                                                             "available.")),
                   std::move(retry));
}

// ---- step 3: confirmation -----------------------------------------------------------------------------

void TBUSBPrinterZEV::updateFirmwareReady() {
    auto printer = zevSelf();
    const QString version = newFirmwareVersion().value_or(QString());
    showAlertWithTitle(
        localized(QT_TRANSLATE_NOOP("TBPrinters",
                                    "-- Warning --\n\nAre you certain you want to update the firmware?")),
        localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer may be permanently damaged if it is unplugged "
                                                  "or loses power during the update process.")),
        QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Cancel")),
                    localized(QT_TRANSLATE_NOOP("TBPrinters", "Update Firmware to %1")).arg(version)},
        [printer](qint64 response) {
            if (response == platform::kAlertFirstButtonReturn + 1) printer->updateFirmwareAndColorTables();
        },
        platform::AlertIntent{.accept = 1, .abandon = 0});
}

// ---- step 4: start --------------------------------------------------------------------------------------

void TBUSBPrinterZEV::updateFirmwareAndColorTables() {
    platform::platformLog("%s", methodName("updateFirmwareAndColorTables").c_str());
    auto printer = zevSelf();
    if (!printer) return;
    if (firmwareVersion().isEmpty()) {
        // Without the installed version there is nothing to report the update against: let the
        // printer come back on the bus and be read again.
        onCommandQueue([printer] { printer->reEnumerateUSBDevice(); });
        return;
    }
    onCommandQueue([printer] {
        const LoadedFirmwarePackage package = printer->loadPackage();
        if (!package.usable()) {
            printer->showFileCorruptionAlert(false);
            return;
        }
        printer->updateStalled_ = false;
        printer->onMainThread([printer] { printer->setInFirmwareUpdate(true); });
        printer->advanceUpdateProgress(UpdatePhase::Request, 0.0);
        printer->openInterface([printer, package](IOReturn result) {
            if (result != kIOReturnSuccess) {
                // Nothing was sent: the printer is as it was. Say so rather than leave the row in an
                // update that never started.
                platform::platformLog("update of %s not started: open failed (%s)",
                                      printer->descriptionUTF8().constData(), strForIOReturn(result));
                printer->onMainThread([printer] {
                    printer->setInFirmwareUpdate(false);
                    printer->endUpdateProgress();
                });
                printer->showAlertWithTitle(
                    localized(QT_TRANSLATE_NOOP("TBPrinters", "Printer Error")),
                    localized(QT_TRANSLATE_NOOP("TBPrinters",
                                                "The printer is not responding properly. "
                                                "Please power-cycle the printer and try again.")),
                    std::nullopt, {}, kFailed);
                return;
            }
            printer->startRewrite(package);
        });
    });
}

void TBUSBPrinterZEV::startRewrite(const LoadedFirmwarePackage& package) {
    (void)package; // checked and at hand: the upload after the restart reads and checks it again
    auto printer = zevSelf();
    waitForPrinterStatusCode(QString::fromLatin1(zev::kStatusIdle));
    setOverridePrinterStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "Updating firmware ...")));
    setDeviceInfoValue(QRVX_TBPrinterFirmwareVersionPrevious, firmwareVersion());
    storeUpdateStatus(WaitingForFirmwareUpload);
    expectsRestart_ = true;
    if (writeFrame(zev::kCommandFlashRewrite, QByteArray())) {
        advanceUpdateProgress(UpdatePhase::RestartIntoUpdateMode, 0.0);
    } else {
        // The printer never heard the request and will not restart: nothing is under way.
        expectsRestart_ = false;
        storeUpdateStatus(std::nullopt);
        onMainThread([printer] {
            printer->setInFirmwareUpdate(false);
            printer->endUpdateProgress();
        });
        showAlertWithTitle(
            localized(QT_TRANSLATE_NOOP("TBPrinters", "Printer Error")),
            localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer is not responding properly. Please "
                                                      "power-cycle the printer and try again.")),
            std::nullopt, {}, kFailed);
        updatePrinterStatus();
    }
    closeInterface();
}

// ---- step 5: upload -------------------------------------------------------------------------------------

void TBUSBPrinterZEV::uploadFirmware() {
    auto printer = zevSelf();
    if (!printer) return;
    onCommandQueue([printer] {
        const LoadedFirmwarePackage package = printer->loadPackage();
        if (!package.verified) {
            platform::platformLog("failed to verify firmware archive");
            printer->showDamagedPackageAlert();
            return;
        }
        printer->updateStalled_ = false;
        printer->openInterface([printer, package](IOReturn result) {
            if (result == kIOReturnExclusiveAccess) {
                // The printer waits in its update mode for the image; whoever holds it must not leave
                // the update standing without a word.
                printer->showPrinterBusyRetryAlert([printer] { printer->uploadFirmware(); });
                return;
            }
            // Gone from the bus: the printer object it comes back as takes the update up.
            if (result != kIOReturnSuccess) return;
            printer->sendImage(package);
        });
    });
}

void TBUSBPrinterZEV::sendImage(const LoadedFirmwarePackage& package) {
    auto printer = zevSelf();
    setOverridePrinterStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "Writing firmware ...")));
    if (package.image.isNull()) {
        showDamagedPackageAlert();
        closeInterface();
        return;
    }
    onMainThread([printer] { printer->setInFirmwareUpdate(true); });
    advanceUpdateProgress(UpdatePhase::Upload, 0.0);
    // Stored first: the printer may restart the moment the last byte is in.
    storeUpdateStatus(RebootingAfterFirmwareUpload);
    expectsRestart_ = true;
    const bool sent =
        writeFrameInPieces(zev::kCommandFlashProgram, package.image, [this](qint64 done, qint64 all) {
            advanceUpdateProgress(UpdatePhase::Upload, all > 0 ? double(done) / double(all) : 1.0);
        });
    if (sent) {
        advanceUpdateProgress(UpdatePhase::ProgrammingAndRestart, 0.0);
    } else {
        // The printer did not get the whole image, so it keeps waiting for one in its update mode.
        expectsRestart_ = false;
        storeUpdateStatus(WaitingForFirmwareUpload);
        onMainThread([printer] {
            printer->setInFirmwareUpdate(false);
            printer->endUpdateProgress();
        });
        showAlertWithTitle(
            localized(QT_TRANSLATE_NOOP("TBPrinters", "The firmware could not be sent to the printer")),
            localized(QT_TRANSLATE_NOOP(
                "TBPrinters",
                "The printer stays in firmware update mode until it receives the firmware. Check the USB "
                "cable and choose Update Firmware… to send it again. A printer that was unplugged gets "
                "the firmware again when it is plugged back in.")),
            std::nullopt, {}, kFailed);
        updatePrinterStatus();
    }
    closeInterface();
}

// ---- step 6: colour tables -------------------------------------------------------------------------------

void TBUSBPrinterZEV::updateColorTables(std::function<void(bool written)> completion) {
    auto printer = zevSelf();
    if (!printer) return;
    const LoadedFirmwarePackage package = loadPackage();
    // Every table is read and checked before anything is cleared on the printer.
    if (!package.verified) {
        platform::platformLog("failed to verify firmware archive");
        tablesNotWritten(
            localized(QT_TRANSLATE_NOOP("TBPrinters", "There is a problem with the firmware files.")));
        return;
    }
    openInterface([printer, package, completion](IOReturn result) {
        if (result != kIOReturnSuccess) {
            printer->tablesNotWritten(
                localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer could not be opened.")));
            return;
        }
        printer->writeColorTables(package, completion);
    });
}

void TBUSBPrinterZEV::tablesNotWritten(const QString& why) {
    // The update status stays: the next time this printer comes on the bus, the tables are tried
    // again. Until then the operator must know the update has not finished.
    auto printer = zevSelf();
    onMainThread([printer] {
        printer->setInFirmwareUpdate(false);
        printer->endUpdateProgress();
    });
    showAlertWithTitle(
        localized(QT_TRANSLATE_NOOP("TBPrinters", "The color tables could not be written")),
        why + QStringLiteral("\n\n") +
            localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer has its new firmware. Unplug it and "
                                                      "plug it in again to write the color tables.")),
        std::nullopt, {}, kFailed);
    updatePrinterStatus();
}

void TBUSBPrinterZEV::writeColorTables(const LoadedFirmwarePackage& package,
                                       std::function<void(bool written)> completion) {
    // Asked here, on the queue, so that the answer decides this step. A printer back in its update
    // mode lost the image with its power while it programmed its flash: it cannot take tables (its
    // update firmware drops them) and waits for the image again.
    auto statusCode = std::make_shared<QString>();
    sendPrinterCommand(
        [this] { sendPrinterCommand(zev::kCommandStatus, QByteArray()); }, printerCommandQueue(),
        [statusCode](std::optional<QByteArray> reply) { *statusCode = zev::replyText(reply); });
    if (*statusCode == QLatin1String(zev::kStatusFirmwareUpdateMode)) {
        platform::platformLog("device came back in firmware update mode ... uploading firmware again");
        storeUpdateStatus(WaitingForFirmwareUpload);
        uploadFirmware();
        return;
    }
    if (*statusCode != QLatin1String(zev::kStatusIdle))
        waitForPrinterStatusCode(QString::fromLatin1(zev::kStatusIdle));
    setOverridePrinterStatus(localized(QT_TRANSLATE_NOOP("TBPrinters", "Updating color tables ...")));
    advanceUpdateProgress(UpdatePhase::ColorTables, 0.0);
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
            tablesNotWritten(localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer stopped taking them.")));
            return;
        }
        written = true;
        getPrinterColorTableVersion({});
        getPrinterColorTableChecksum({});
        advanceUpdateProgress(UpdatePhase::ColorTables, double(i + 1) / double(count));
    }
    storeUpdateStatus(ColorTablesWritten);
    if (completion) completion(written);
}

// ---- step 7: outcome -------------------------------------------------------------------------------------

void TBUSBPrinterZEV::finishFirmwareUpdate() {
    const std::string name = methodName("finishFirmwareUpdate");
    platform::platformLog("%s", name.c_str());
    auto printer = zevSelf();
    if (!printer) return;
    updateColorTables([printer, name](bool written) {
        platform::platformLog("%s_block_invoke", name.c_str());
        const QString previous = printer->textValue(QRVX_TBPrinterFirmwareVersionPrevious);
        const QString current = printer->firmwareVersion();
        if (written) {
            printer->showAlertWithTitle(
                localized(QT_TRANSLATE_NOOP("TBPrinters", "Firmware update was successful!")),
                localized(QT_TRANSLATE_NOOP("TBPrinters", "Firmware version updated from %1 to %2"))
                    .arg(previous, current),
                QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Finish"))}, {},
                platform::AlertIntent{.outcome = platform::AlertIntent::Outcome::Succeeded});
        } else {
            printer->showAlertWithTitle(
                localized(QT_TRANSLATE_NOOP("TBPrinters", "There was a problem with the firmware update!")),
                localized(
                    QT_TRANSLATE_NOOP("TBPrinters", "Previous firmware version: %1 current version: %2"))
                    .arg(previous, current),
                std::nullopt, {}, kFailed);
        }
        printer->onMainThread([printer] {
            printer->setInFirmwareUpdate(false);
            printer->endUpdateProgress();
        });
        printer->updatePrinterStatus();
    });
}

// ---- the update status --------------------------------------------------------------------------------

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
        platform::platformLog("writing key:%s for dict:%s", utf8(key).constData(),
                              utf8(printer->deviceInfoDict()->description()).constData());
        TBUSBPrinter::setDeviceInfo(printer->deviceInfoDict(), key);
        // The record on disk is written off the main thread.
        printer->onCommandQueue(
            [printer, key] { TBUpdateStateFile::record(key, printer->deviceInfoSnapshot()); });
    });
}

void TBUSBPrinterZEV::storeUpdateStatus(std::optional<int> status) {
    if (status)
        setDeviceInfoValue(deviceFirmwareUpdateState, *status);
    else
        removeDeviceInfoValue(deviceFirmwareUpdateState);
    const QString key = keyUSBdevice();
    TBUpdateStateFile::record(key, deviceInfoSnapshot());
    const bool underWay = isUnderWay(status);
    platform::mainqueue::async([key, underWay] { setUnderWay(key, underWay); });
}

QStringList TBUSBPrinterZEV::updatesUnderWay() {
    QStringList keys = updatesUnderWayMap().keys();
    keys.sort();
    return keys;
}

void TBUSBPrinterZEV::deviceTerminated() {
    TBUSBPrinter::deviceTerminated();
    const QString key = keyUSBdevice();
    if (!updatesUnderWayMap().contains(key)) return;
    if (!expectsRestart_) {
        // Gone in the middle of a step: this update cannot go on until the printer is back, and then
        // its start-up probe takes it up again from the update status.
        platform::platformLog("%s left during its update", descriptionUTF8().constData());
        setUnderWay(key, false);
        return;
    }
    // Left to restart: the update stays under way while the printer comes back. One that does not
    // come back within the grace time is gone.
    const quint64 carriedOn = updatesUnderWayMap().value(key);
    platform::mainqueue::after(kRestartGraceMs, [key, carriedOn] {
        const auto& keys = updatesUnderWayMap();
        if (!keys.contains(key) || keys.value(key) != carriedOn) return;
        platform::platformLog("printer %s did not come back from its restart", key.toUtf8().constData());
        TBUpdateHistory::Printer lost;
        lost.deviceKey = key;
        TBUpdateHistory::finish(lost, QString::fromLatin1(TBUpdateHistory::kOutcomeLost));
        setUnderWay(key, false);
    });
}

// ---- progress ---------------------------------------------------------------------------------------------

void TBUSBPrinterZEV::advanceUpdateProgress(UpdatePhase phase, double fraction) {
    const auto index = std::size_t(phase);
    int start = 0;
    for (std::size_t i = 0; i < index; ++i)
        start += kPhaseWeights[i];
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    const int permille = int(std::lround((start + kPhaseWeights[index] * clamped) * 10.0));
    // A new update starts from nothing; within one the bar never goes back.
    const bool restart = phase == UpdatePhase::Request && clamped == 0.0;
    const QVariant stored = deviceInfoValue(kUpdateProgressProperty);
    const QVariant storedPhase = deviceInfoValue(kUpdatePhaseKey);
    // A phase that starts where the last one ended still moves the update on.
    const bool samePlace = stored.isValid() && stored.toInt() == permille && storedPhase.isValid() &&
                           storedPhase.toInt() >= int(phase);
    if (!restart && stored.isValid() && (stored.toInt() > permille || samePlace)) return;
    if (restart || !storedPhase.isValid() || storedPhase.toInt() != int(phase))
        TBUpdateHistory::phase(historyPrinter(), phaseName(phase));
    setDeviceInfoValue(kUpdatePhaseKey, int(phase));
    setDeviceInfoValue(kUpdateProgressProperty, permille);
    announce(kUpdateProgressProperty);
}

void TBUSBPrinterZEV::endUpdateProgress() {
    removeDeviceInfoValue(kUpdatePhaseKey);
    removeDeviceInfoValue(kUpdateProgressProperty);
    announce(kUpdateProgressProperty);
}

QString TBUSBPrinterZEV::phaseName(UpdatePhase phase) {
    static const char* const names[] = {"request", "restart-into-update-mode", "upload",
                                        "programming-and-restart", "colour-tables"};
    return QString::fromLatin1(names[std::clamp(int(phase), 0, int(std::size(names)) - 1)]);
}

std::optional<TBUSBPrinterZEV::UpdatePhase> TBUSBPrinterZEV::updatePhase() {
    const QVariant stored = deviceInfoValue(kUpdatePhaseKey);
    if (updateProgress() < 0 || !stored.isValid()) return std::nullopt;
    return UpdatePhase(std::clamp(stored.toInt(), 0, int(kPhaseWeights.size()) - 1));
}

int TBUSBPrinterZEV::updateProgress() {
    const QVariant stored = deviceInfoValue(kUpdateProgressProperty);
    if (!inFirmwareUpdate() || !stored.isValid()) return -1;
    return stored.toInt();
}

// ---- alerts about the package -------------------------------------------------------------------------

void TBUSBPrinterZEV::showFileCorruptionAlert(bool quit) {
    showAlertWithTitle(
        localized(QT_TRANSLATE_NOOP("TBPrinters",
                                    "-- File corruption --\n\nThere is a problem with the firmware files.")),
        localized(QT_TRANSLATE_NOOP("TBPrinters", "Contact customer support.")),
        quit ? std::optional(QStringList{localized(QT_TRANSLATE_NOOP("TBPrinters", "Quit"))}) : std::nullopt,
        [quit](qint64) {
            if (quit) platform::requestTermination();
        },
        kFailed);
}

void TBUSBPrinterZEV::showDamagedPackageAlert() {
    showAlertWithTitle(
        localized(QT_TRANSLATE_NOOP("TBPrinters", "There was a problem with the firmware file!")),
        localized(
            QT_TRANSLATE_NOOP("TBPrinters", "This application may be damaged. Please download a new copy.")),
        std::nullopt, {}, kFailed);
}

// ---- the start-up probe ----------------------------------------------------------------------------------

void TBUSBPrinterZEV::probe() {
    rememberLatest(keyUSBdevice(), zevSelf());
    if (startupProbeDue_.exchange(false)) {
        probeAtInit();
        return;
    }
    TBUSBPrinter::probe();
}

bool TBUSBPrinterZEV::updateCanStart() const {
    return !inFirmwareUpdate() || updateStalled_;
}

void TBUSBPrinterZEV::probeAtInit() {
    auto printer = zevSelf();
    if (!printer) return;
    openInterface([printer](IOReturn result) {
        if (result != kIOReturnSuccess) {
            // An update under way waits for this printer: another program holding it must not leave
            // the update standing without a word.
            if (result == kIOReturnExclusiveAccess && isUnderWay(printer->firmwareUpdateStatus()))
                printer->showPrinterBusyRetryAlert([printer] { printer->probeAtInit(); });
            return;
        }
        const std::optional<int> status = printer->firmwareUpdateStatus();
        if (!status) {
            // The information probe (which closes the interface when it ends), unless the printer
            // waits in its update mode with no update under way: then the operator decides, and the
            // printer is not held by this program meanwhile (the upload opens it again).
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
        const QString key = printer->keyUSBdevice();
        const bool underWay = isUnderWay(status);
        printer->onMainThread([printer, key, underWay] {
            printer->setInFirmwareUpdate(true);
            if (underWay) setUnderWay(key, true);
        });
        // After the programming restart only the answer of the printer's new firmware counts; what is
        // known from before stays shown until it comes.
        const int versionAnswers = printer->firmwareVersionAnswers_;
        const QVariant knownVersion = printer->deviceInfoValue(QRVX_TBPrinterFirmwareVersion);
        printer->getPrinterFirmwareVersion();
        switch (*status) {
        case WaitingForFirmwareUpload:
            platform::platformLog("found a device waiting for firmware update");
            printer->askStatusWhileWaitingForUpload(kWaitingStatusAttempts);
            break;
        case RebootingAfterFirmwareUpload: {
            // The outcome names the version the printer runs now: an answer lost or damaged on the
            // way is asked for once more rather than leave the one from before the update standing.
            if (printer->firmwareVersionAnswers_ == versionAnswers) printer->getPrinterFirmwareVersion();
            if (printer->firmwareVersionAnswers_ == versionAnswers && knownVersion.isValid())
                printer->setDeviceInfoValue(QRVX_TBPrinterFirmwareVersion, knownVersion);
            platform::platformLog("found a device rebooting after firmware update");
            printer->advanceUpdateProgress(UpdatePhase::ProgrammingAndRestart, 1.0);
            const QString previous = printer->textValue(QRVX_TBPrinterFirmwareVersionPrevious);
            const QString current = printer->textValue(QRVX_TBPrinterFirmwareVersion);
            if (previous.isNull() || previous == current)
                platform::platformLog("firmware version unchanged at %s", utf8(current).constData());
            else
                platform::platformLog("firmware version changed from %s to %s", utf8(previous).constData(),
                                      utf8(current).constData());
            printer->finishFirmwareUpdate();
            break;
        }
        default:
            // Cleared here on the queue, so that the record on disk goes with it before anything else.
            printer->storeUpdateStatus(std::nullopt);
            printer->onMainThread([printer] {
                printer->setInFirmwareUpdate(false);
                printer->endUpdateProgress();
                printer->getDeviceCustomInfo();
            });
            break;
        }
        printer->closeInterface();
    });
}

void TBUSBPrinterZEV::askStatusWhileWaitingForUpload(int attemptsLeft) {
    auto printer = zevSelf();
    getPrinterStatus([printer, attemptsLeft](const QString& statusCode) {
        if (statusCode == QLatin1String(zev::kStatusFirmwareUpdateMode)) {
            platform::platformLog("device is in firmware update mode ... uploading firmware");
            printer->uploadFirmware();
            return;
        }
        const bool unreadable = isUnreadableStatus(statusCode);
        if (unreadable && attemptsLeft > 1) {
            platform::mainqueue::after(kWaitingStatusPauseMs, [printer, attemptsLeft] {
                printer->askStatusWhileWaitingForUpload(attemptsLeft - 1);
            });
            return;
        }
        platform::platformLog("Bad Status (%s) while waiting for firmware update",
                              utf8(statusCode).constData());
        // The update stays recorded; the operator may start it again, and the readiness step then
        // sees what the printer really is.
        printer->updateStalled_ = true;
        printer->announce(QStringLiteral("inFirmwareUpdate"));
        printer->closeInterface();
        if (unreadable) {
            // Left like this the update would stand still without a word. Power-cycled, the printer
            // comes back in its update mode and the image goes out.
            printer->showAlertWithTitle(
                localized(QT_TRANSLATE_NOOP("TBPrinters", "Printer Error")),
                localized(QT_TRANSLATE_NOOP("TBPrinters", "The printer is not responding properly. Please "
                                                          "power-cycle the printer and try again.")),
                std::nullopt, {}, kFailed);
        }
    });
}

void TBUSBPrinterZEV::askAboutUpdateMode() {
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
