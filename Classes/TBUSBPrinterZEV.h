// TBUSBPrinterZEV: the printer-family class. It speaks the family's framed command protocol over the
// printer interface's bulk pipes (frames, replies, the error sink), turns the printer's status code
// into the text the list shows, runs the information queries and colour-table queries, switches the
// USB serial-number report, probes a printer in one fixed order, and answers for the firmware
// package of its model (catalogue, verification, S-record checks, payloads).
//
// Threads: every exchange runs on the printer's command queue, opened first with openInterface().
// Reply blocks, device-info stores and their announcements (valueChanged, on the main thread), and
// the completions of getPrinterStatus() and the colour-table queries run on the main thread.
// The pure protocol rules live in ZEVProtocol.h, the model table in ZEVModels.h, the package rules
// in TBFirmwarePackage.h.
#pragma once

#include "Classes/TBFirmwarePackage.h"
#include "Classes/TBUSBPrinter.h"
#include "Classes/TBUpdateHistory.h"
#include "Classes/ZEVModels.h"
#include "Classes/ZEVProtocol.h"
#include "platform/dialogs.h"

#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class UpdateSession;
enum class UpdateSessionStep : int;
struct UpdateNotice;

// Device-info key of the USB serial-number switch as the printer last reported it ("1" / "0").
extern const QString QRVX_ZEV_USB_ISerialisSet;
// Device-info key of the update status: absent when no update is under way, else one of
// TBUSBPrinterZEV::FirmwareUpdateStatus. It travels with the dictionary from one printer object to
// the next across the printer's restarts.
extern const QString deviceFirmwareUpdateState; // "deviceFirmwareStatus"
// Device-info key and announced property of the update's progress, in tenths of a percent over the
// whole update (both restarts included); absent when no update is under way.
extern const QString kUpdateProgressProperty; // "updateProgress"

class TBUSBPrinterZEV : public TBUSBPrinter {
    Q_OBJECT

public:
    using TBPrinterCommandCode = zev::TBPrinterCommandCode;
    // The printer's status code ("00000", "FU00001", "NULL" when it did not answer).
    using StatusCompletion = std::function<void(const QString& statusCode)>;
    // Colour-table answers in the order they were asked.
    using TableCompletion = std::function<void(const QStringList& values)>;

    TBUSBPrinterZEV();
    ~TBUSBPrinterZEV() override;

    // The base set-up, then the take-over of what the device-info registry remembers for this port
    // (a printer coming back after a restart keeps what was learned before). Classes/TBUSBPrinterZEVInit.cpp.
    void initWithInterfaceInterface(std::shared_ptr<usb::UsbInterface> interface) override;

    // ---- supported devices ----
    static std::optional<IndexSet> supportedVendorIDs();
    // Depends on the edition: printer-flasher drives the HVC only; serial-switcher the three models
    // with the USB serial-number switch.
    static std::optional<IndexSet> supportedProductIDs();
    std::optional<IndexSet> objectSupportedVendorIDs() const override;
    std::optional<IndexSet> objectSupportedProductIDs() const override;
    zev::Model printerModel() const;

    // ---- frames and replies (command queue, interface open) ----
    std::optional<QString> stringForCommandCode(std::uint32_t code) const;
    using TBUSBPrinter::sendPrinterCommand;
    // Writes one frame; reads nothing. A null payload means none.
    void sendPrinterCommand(std::uint32_t code, const QByteArray& payload);
    // One reply record from the bulk-in pipe, framed (see zev::readReply). After a damaged, refused
    // or missing record the next frame first drains what is left in the pipe, so a late or partly
    // read answer is never taken for the answer to a later command.
    std::optional<QByteArray> printerReply() override;
    // Receives internal error texts; it deliberately has no effect.
    void errorWithString(const QString& message, qint64 code);

    // ---- status ----
    static QString stringForHVStatusString(const std::optional<QString>& statusCode);
    // Opens the interface and asks for the status; publishes its text as printerStatus and then calls
    // `completion` (main thread) with the code. A failed open ends it silently. Leaves the interface open.
    void getPrinterStatus(StatusCompletion completion);
    void updatePrinterStatus();
    // Polls the status every 0.5 s until its text equals the text of `statusCode`. Pauses are timers,
    // so neither the main thread nor the command queue sleeps, and retries never nest.
    void waitForPrinterStatusCode(const QString& statusCode);
    void setOverridePrinterStatus(const QString& text);

    // ---- information queries (each opens the interface and leaves it open) ----
    void getPrinterFirmwareVersion();
    void updatePrinterSerialNumber();
    void getPrinterLifetimeCounter();
    void resetCounter(char counter);
    void resetCounterA();
    void resetCounterB();
    void resetCounterM();
    QString lifetimeCounter();

    // ---- USB serial-number switch ----
    bool hasISerialSupport();
    // Reads the switch into QRVX_ZEV_USB_ISerialisSet, then closes the interface.
    void getUSB_ISerial();
    // Writes the switch, then reads it back.
    void setUSB_ISerial(bool on);
    // The user's change: busy notice when the printer cannot be opened; power-cycle notice and print
    // queue clean-up after the change, only when the switch was really written (a failed write
    // changes nothing on the printer, so there is nothing to power-cycle for).
    // `done` (main thread) learns whether the switch was written, after the print queues.
    void setEnabledUSBSerial(bool on, std::function<void(bool written)> done = {});
    bool usbISerial();
    // Starts setEnabledUSBSerial() only for a real change.
    void setUsbISerial(bool on);
    QString usbISerialString();

    QByteArray commandPayloadForMediaSD() const;
    QByteArray commandPayloadForMediaPP() const;

    // ---- colour tables (interface must be open; nothing is sent for a product outside the table) ----
    void getPrinterColorTableVersion(TableCompletion completion);
    void getPrinterColorTableChecksum(TableCompletion completion);
    struct ColorTableReading {
        QString table;    // "300", "600 HD", ...
        QString version;  // empty when the printer has not reported it
        QString checksum; // likewise
    };
    // The tables the printer has reported, in slot order.
    QList<ColorTableReading> colorTables();
    QString colorTableVersion();
    QString colorTableVersion600();
    QString colorTableVersion610();
    QString colorTableVersion620();
    QString colorTableVersion300HD();
    QString colorTableVersion600HD();
    QString colorTableVersion610HD();
    QString colorTableVersion620HD();
    QString colorTableChecksum300();
    QString colorTableChecksum600();
    QString colorTableChecksum610();
    QString colorTableChecksum620();
    QString colorTableChecksum300HD();
    QString colorTableChecksum600HD();
    QString colorTableChecksum610HD();
    QString colorTableChecksum620HD();

    // ---- picture and probe ----
    // The product table's picture name ("HVCA_LSide"), empty when the model has none.
    QString imageName() const;
    QImage image() const override;
    // Status first; unless the printer is in firmware-update mode, then firmware version, lifetime
    // counter, colour-table versions and checksums, serial number and USB switch, then one close.
    void getDeviceCustomInfo() override;
    // The same probe once the status is known (`statusCode` is the printer's answer to STATUS).
    void readDeviceCustomInfo(const QString& statusCode);

    // ---- firmware package (TBUSBPrinterZEVPackage.cpp) ----
    // The operations of TBFirmwarePackage for this printer: its product id, the current edition's
    // catalogue, this class's name as the digest key, and this printer's device-info dictionary.
    // Callable from the main thread and from the command queue.
    static QString asciiHexForData(const QByteArray& data);
    QString verifyBlob(const QByteArray& data) const;
    bool verifyFirmwareArchive();
    // Stores the file list on the main thread (queued) and then announces kNewFirmwareVersionProperty.
    void setFilenames(const QStringList& names);
    QByteArray firmwareBlob();
    QByteArray firmwareBlobForKey(const QString& key);
    // Observed property: valueChanged(kNewFirmwareVersionProperty) tells when to ask again. Without a
    // stored file list the verification runs: at once off the main thread; asked on the main thread,
    // once, on the command queue. The list arrives later.
    std::optional<QString> newFirmwareVersion();
    double availableFirmwareVersion();
    // The number at the end of the stored firmwareVersion; 0.0 when none is stored.
    double installedFirmwareVersion();
    bool verifySRecData(const QByteArray& data) const;
    bool verifyMotorolaSFile(const QVariant& source) const;
    QByteArray paddedData(const QByteArray& data) const;
    QByteArray paddedColorDataForVersion(const QString& fileName) const;
    QStringList colorTableNames();
    quint16 checksumForData(const QByteArray& data) const;

    // ---- operator dialogs (TBUSBPrinterZEVDialogs.cpp) ----
    // Callable from any thread; each returns before its dialog is on screen. The dialogs show this
    // printer's picture, keep the printer alive until dismissed, and answer on the main thread.
    using AlertCompletion = std::function<void(qint64 response)>;
    using AlertLayout = std::function<void(platform::AlertView& alert)>;
    // Title "Alert" when none, empty message when none, the single button "OK" when none; style 0.
    // `intent` tells a run without anyone at the screen what the alert means (platform/dialogs.h).
    void showAlertWithTitle(const std::optional<QString>& title, const std::optional<QString>& message,
                            const std::optional<QStringList>& buttonTitles, AlertCompletion completion,
                            const platform::AlertIntent& intent = {});
    // Shows nothing, and never calls `completion`, when title and message are both empty or missing.
    void showCustomAlertWithTitle(const std::optional<QString>& title, const std::optional<QString>& message,
                                  const std::optional<QStringList>& buttonTitles,
                                  std::optional<platform::AlertCheckBox> accessoryView, quint64 alertStyle,
                                  AlertLayout customLayout, AlertCompletion completion,
                                  const platform::AlertIntent& intent = {});
    // The same alert, built as a whole on the main thread. Kept for callers of the earlier form.
    void old_showAlertWithTitle(const std::optional<QString>& title, const std::optional<QString>& message,
                                const std::optional<QStringList>& buttonTitles, AlertCompletion completion);
    // The firmware-update warning: "Continue" only while "I Agree" is ticked; "Quit" ends the program.
    void ShowQXAWarning();
    QString QXAUpdateWarningText() const;
    QString genericUpdateWarningText();
    // The warning's text for an update to `version`, and the final confirmation's title and warning;
    // the same for one printer as for several.
    static QString updateWarningText(const QString& version);
    static QString updateConfirmationTitle();
    static QString updateConfirmationWarning();
    // The "I Agree" box's action: `senderState` is the box's state (0/1), or none when the sender is
    // not a button (then nothing happens). Announces "customerDidAgree".
    void setToggleAgreed(std::optional<int> senderState);
    bool customerDidAgree() const;
    // The accepted warning goes on with the update from here: readiness checks (TBUSBPrinterZEVUpdate.cpp).
    virtual void proceedWithUpdateWhenReady();

    // ---- the serial-number switch's notices and clean-up ----
    virtual void showPrinterBusyAlert();
    // Due only when the switch and the USB identity disagree; decided on the main thread, after the
    // switch's read-back has been stored there.
    virtual void showPowerCycleAlert();
    // Removes the print system's queues of this printer's model (blocks the command queue for at most
    // the print system's time-outs); a queue that cannot be removed is told to the operator.
    virtual void deleteExistingPrinterQueues();

    // ---- the firmware update (TBUSBPrinterZEVUpdate.cpp, TBUSBPrinterZEVProbe.cpp) ----
    // The update runs across three printer objects: this one asks the operator and sends the printer
    // into its update mode; the object made when it comes back in that mode uploads the image; the
    // one made when it comes back with the new firmware writes the colour tables and reports. The
    // update status in the device-info dictionary says where it stands (probeAtInit reads it); one
    // UpdateSession per device key owns the update from the request to its ending.
    enum FirmwareUpdateStatus : int {
        WaitingForFirmwareUpload = 1,     // told to restart in update mode; the image is still to go
        RebootingAfterFirmwareUpload = 2, // image sent; expected back with the new firmware
        ColorTablesWritten = 3,           // the colour-table step ended
    };
    // The phases of the progress bar, with their share of it declared up front.
    enum class UpdatePhase { Request, RestartIntoUpdateMode, Upload, ProgrammingAndRestart, ColorTables };
    // "request", "restart-into-update-mode", "upload", "programming-and-restart", "colour-tables"
    static QString phaseName(UpdatePhase phase);
    // The printer as the update history keeps it: identity and the versions it reports now.
    TBUpdateHistory::Printer historyPrinter();
    // The serial number the printer answered, else the one its USB descriptor reports.
    QString serialNumber();

    // The operator's request [main]: package check, then the warning.
    void updateFirmware();
    // What the readiness checks found, without asking the operator anything: the version gate, then
    // the printer's status with the interface opened for that query only.
    struct Readiness {
        enum Kind {
            Idle,           // ready: the rewrite request may go
            InUpdateMode,   // waits in its update mode for an image
            NotNeeded,      // the package's firmware is not newer (or there is none for this model)
            DamagedPackage, // the package's files do not match their digests
            Busy,           // another program holds the printer
            NotResponding,  // no answer, or a damaged one
            NotReady,       // answered with a status other than idle (statusCode)
        };
        Kind kind = NotResponding;
        QString statusCode;
        double installed = 0.0; // the installed firmware's version number
        QString target;         // the package's firmware version text
    };
    // The readiness checks of an update started for several printers at once: the package is read and
    // checked on the command queue; `done` runs on the main thread [main].
    void assessUpdate(std::function<void(const Readiness& readiness)> done);
    // The final confirmation [main].
    void updateFirmwareReady();
    // Starts the update: checks the printer is still idle, records where it starts and sends the
    // printer into its update mode [main].
    void updateFirmwareAndColorTables();
    // Sends the firmware image to a printer in update mode [any thread].
    void uploadFirmware();
    // Writes the colour tables; `completion` learns whether at least one was written [command queue].
    // A printer that does not run the package's firmware gets none: its update ends as failed.
    void updateColorTables(std::function<void(bool written)> completion);
    // The colour tables, then the outcome [command queue].
    void finishFirmwareUpdate();
    // Stores the status and hands the dictionary to the device-info registry [any; queued on main].
    void setFirmwareUpdateStatus(int status);
    std::optional<int> firmwareUpdateStatus();
    // The start-up probe (printer-flasher, and serial-switcher for the updates it started itself):
    // resumes an update that the device-info dictionary says is under way, offers a printer found in
    // its update mode without one to the operator, and otherwise runs the information probe. Each
    // printer object's first probe (see probe()). A printer whose update another running instance of
    // the program owns is only watched.
    void probeAtInit();
    // Whether the operator may start an update [main]: none runs, or the one recorded has stalled
    // (the printer came back in neither update mode nor with new firmware), and no other instance of
    // the program is updating the printer.
    bool updateCanStart() const;
    // Another running instance of the program owns this printer's update: it is watched, never used.
    bool isUpdatedElsewhere() const { return updatedElsewhere_; }
    // Tenths of a percent of the whole update, or -1 when none is under way. Never goes back [main].
    int updateProgress();
    // The phase the progress stands in, or nothing when no update is under way [main].
    std::optional<UpdatePhase> updatePhase();
    // Device keys of the printers between the rewrite request and the outcome, across their restarts
    // (main thread). The program asks before quitting while there is one.
    static QStringList updatesUnderWay();

    // The first probe of a printer-flasher printer is its start-up probe; every other probe (and
    // each of serial-switcher's) is the information probe.
    void probe() override;
    // Tells the update's session that its printer left the bus (for a restart, or not).
    void deviceTerminated() override;

    // The interface, opened for one step of the update: the last claim of a printer to end closes
    // the interface, so no path, error or cancel leaves the printer held.
    class InterfaceClaim {
    public:
        explicit InterfaceClaim(std::shared_ptr<TBUSBPrinterZEV> printer);
        ~InterfaceClaim();
        InterfaceClaim(const InterfaceClaim&) = delete;
        InterfaceClaim& operator=(const InterfaceClaim&) = delete;

    private:
        std::shared_ptr<TBUSBPrinterZEV> printer_;
    };
    using Claim = std::shared_ptr<InterfaceClaim>;
    // Opens the interface on the command queue; `then` runs there with the claim (null when the open
    // failed) and the open's result.
    void claimInterface(std::function<void(Claim claim, IOReturn result)> then);

protected:
    const char* className() const override;
    // The attach-time open test leaves alone a printer that another instance is updating.
    bool mayOpenAtAttach() override;

private:
    friend class UpdateSession;
    class PackageInfo;
    using UpdateSessionRef = std::shared_ptr<UpdateSession>;

    std::shared_ptr<TBUSBPrinterZEV> zevSelf();
    // Builds and writes one frame; false when nothing was written.
    bool writeFrame(std::uint32_t code, const QByteArray& payload);
    // The same frame, written in pieces (see writeToInterfaceInPieces) without a copy of the
    // payload; `progress` learns the bytes written so far.
    bool writeFrameInPieces(std::uint32_t code, const QByteArray& payload,
                            const std::function<void(qint64 written, qint64 total)>& progress);
    // Reads and drops whatever waits in the bulk-in pipe, with short reads, until it stays empty.
    void drainBulkIn();
    // Writes the switch (command queue); `written` learns whether the frame went out.
    void writeUSB_ISerial(bool on, std::function<void(bool written)> written);
    FirmwareDeviceInfo& packageInfo();
    // The stored text under `key`, or null when there is none.
    QString textValue(const QString& key);
    std::optional<QString> storedFirmwareVersion();
    void runColorTableQueries(std::span<const zev::ColorTableQuery> rows, TableCompletion completion);
    void pollStatus(const QString& statusCode, int passesLeft);
    // Asks for the status here and now [command queue, interface open], publishes its text and
    // returns the code ("NULL" without an answer).
    QString statusNow();
    // The printer's status once more, then the interface let go (the end of an update).
    void refreshStatusAndRelease();
    // Closes the interface unless a step of the update holds it [any thread].
    void releaseInterfaceUnlessClaimed();
    // This printer's package as the update sends it, read and checked now.
    LoadedFirmwarePackage loadPackage();
    // Logs a failed frame write and tells the error sink.
    void reportWriteFailure();

    // ---- the update's steps (TBUSBPrinterZEVUpdate.cpp) ----
    // The package's firmware version when its check has been stored already, else empty (no digest).
    QString knownPackageVersion();
    // The session of this printer's update, begun at `first` when none runs [any thread].
    UpdateSessionRef sessionAt(UpdateSessionStep first);
    // The request once the package has been read [main].
    void requestWithPackage(const LoadedFirmwarePackage& package);
    // The version gate and the status check of the readiness step [command queue].
    void checkReadiness(const UpdateSessionRef& session, const LoadedFirmwarePackage& package);
    // The version gate and the status query; `done` runs on the main thread [command queue].
    void assessReadiness(const LoadedFirmwarePackage& package,
                         std::function<void(const Readiness& readiness)> done);
    // The answer to the readiness status query; also the printer found no longer idle at the rewrite
    // request [main].
    void readinessStatusArrived(const UpdateSessionRef& session, const QString& statusCode);
    // The status right before the rewrite request, asked again a few times when the answer is lost.
    QString idleCheck();
    // The steps that talk to the printer [command queue, claim held].
    void startRewrite(const UpdateSessionRef& session);
    void uploadStep(const UpdateSessionRef& session);
    void sendImage(const UpdateSessionRef& session, const LoadedFirmwarePackage& package);
    void tablesStep(const UpdateSessionRef& session, std::function<void(bool written)> completion);
    void writeColorTables(const UpdateSessionRef& session, const LoadedFirmwarePackage& package,
                          std::function<void(bool written)> completion);
    // The colour tables were not (all) written: the update status stays for the next time the printer
    // comes on the bus, and the operator learns why.
    void tablesNotWritten(const UpdateSessionRef& session, const QString& why);
    // "Proceed" runs `retry`, or by default the readiness step again on the printer object that
    // stands for this port by then; "Cancel" ends the update.
    void showRetryAlert(const UpdateSessionRef& session, const QString& title, const QString& message,
                        std::function<void()> retry = {});
    void showPrinterBusyRetryAlert(const UpdateSessionRef& session, std::function<void()> retry);
    // Notices about the package: the request's ("Quit" ends the program) and the later ones.
    static UpdateNotice fileCorruptionNotice(bool quit);
    static UpdateNotice damagedPackageNotice();

    // ---- the start-up probe (TBUSBPrinterZEVProbe.cpp) ----
    // The probe once the interface is open, with the update status found [command queue].
    void carryOnUpdate(int status);
    // The start-up probe's question about a printer found in its update mode, and its answers [main].
    void askAboutUpdateMode();
    // The start-up probe of a printer waiting for its image: the status query, asked again a few times
    // when the answer is lost or unreadable [main].
    void askStatusWhileWaitingForUpload(const UpdateSessionRef& session, int attemptsLeft);
    // Another instance owns this printer's update: shows it so and looks again a little later.
    void watchUpdateElsewhere();

    // Set by printerReply() when a record did not end cleanly; the next frame drains the pipe first.
    // Command queue only; atomic because the flag outlives one queue item.
    std::atomic<bool> bulkInUnsettled_{false};
    // Whether the operator has ticked "I Agree" in the current warning; written on the main thread by
    // the box, reset on the caller's thread when a warning is built.
    std::atomic<bool> customerDidAgree_{false};
    // The device-info dictionary as the package operations see it; made in the constructor.
    std::unique_ptr<PackageInfo> packageInfo_;
    // Set by the initialiser: the start-up probe is this printer's first probe.
    std::atomic<bool> startupProbeDue_{false};
    // The "unexpectedly found in firmware update mode" question: once per printer object.
    std::atomic<bool> askedAboutUpdateMode_{false};
    // Firmware version answers with a version in them so far, so that a step can tell whether a new
    // one came.
    std::atomic<int> firmwareVersionAnswers_{0};
    // Claims of the interface alive (InterfaceClaim).
    std::atomic<int> interfaceClaims_{0};
    // Another running instance of the program owns this printer's update (set on the command queue).
    std::atomic<bool> updatedElsewhere_{false};
};
