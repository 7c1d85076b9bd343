// The printer family's command set as a simulated printer answers it: status codes (error states
// included), firmware version, serial number, counters, colour-table versions and checksums per slot
// and media kind, the USB serial-number switch, counter clear, colour-table writes, the firmware-update
// mode and its two restarts. The printer keeps the state a real one keeps so tests can read it back.
//
// This class knows nothing of USB: it takes the bytes the host wrote to the bulk-out pipe and answers
// with reply records for the bulk-in pipe and requests to restart. An adapter plugs it into the
// USB-level device model. All members are thread-safe (one mutex).
#pragma once

#include "base/threadsafety.h"
#include "devicemodel/SimZEVFrameParser.h"
#include "devicemodel/SimZEVModel.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace sim {

// Ways a printer can answer badly, for the replies of the commands that have one.
enum class SimZEVFaultKind {
    NoReply,         // nothing comes back; the host's read times out
    GarbageLength,   // the length field holds no digits ("LEN?????"), the body follows
    OversizedLength, // the length field announces 4097 bytes, and 4097 bytes follow
    BodyWithoutCR,   // the body lacks its closing carriage return
    NonUTF8Body,     // the body is bytes that are not UTF-8, closed by CR
    Slow,            // the reply comes delayMs late
    TruncatedBody,   // the length field announces more bytes than follow
};

struct SimZEVFault {
    SimZEVFaultKind kind = SimZEVFaultKind::NoReply;
    QString words;   // command words it applies to ("INFO  FVER"); empty: every command with a reply
    int count = -1;  // replies it spoils before it wears off; -1: never wears off
    int delayMs = 0; // for Slow
};

struct SimZEVColorTable {
    QString version;
    QString checksum;
    bool operator==(const SimZEVColorTable&) const = default;
};

struct SimZEVPrinterState {
    SimZEVModel model = SimZEVModel::HVC;
    QString firmwareVersion;     // as reported, e.g. "HVC 01.21"
    QString firmwareReplyPrefix; // characters the printer puts before the version in its reply
    QString serialNumber;
    QString statusCode = QString::fromLatin1(kSimZEVStatusIdle);
    bool firmwareUpdateMode = false;
    bool firmwareValid = true; // false from FLASH_REWRITE until an image is programmed
    quint32 lifetimeCounter = 0;
    quint32 counterA = 0;
    quint32 counterB = 0;
    quint32 counterM = 0;
    bool usbISerialSwitch = false;       // the stored setting that MNT_RD USB_ISERI_SET reads
    bool reportsUSBSerialNumber = false; // what the USB descriptors do: the setting of the last power-up
    // Slots "300", "600", "610", "620"; the eight-table model's PP media as "300HD" ... "620HD".
    QMap<QString, SimZEVColorTable> colorTables;
    QByteArray pendingTableName; // from TBL_WT Version, consumed by TBL_WT CTRLD_UPDATE_CW
    QStringList tablesWritten;   // names in the order they were written since the last TBL_CL
    qsizetype programmedImageSize = 0;
    int refusedImages = 0; // FLASH_PROGRAM images the update firmware refused (not S-records, no header)
    // A flash that does not keep what is programmed into it: the printer takes and programs the image,
    // but starts up again with the firmware it ran before the rewrite request.
    bool bootsPreviousFirmware = false;
    QString firmwareBeforeRewrite; // set by FLASH_REWRITE
    int restarts = 0;

    bool operator==(const SimZEVPrinterState&) const = default;
};

// An image the printer is writing into its flash: the version its header names, its size, and how
// long the writing still takes.
struct SimZEVFlashing {
    QString version;
    qsizetype size = 0;
    std::chrono::milliseconds left{0};
};

// What the printer does in answer to one frame.
struct SimZEVOutput {
    QByteArray reply;       // a record for the bulk-in pipe; empty: no reply
    bool withheld = false;  // a query the printer leaves unanswered (the host's read will time out)
    int delayMs = 0;        // the reply is ready this long after the frame arrived
    bool restart = false;   // the printer leaves the bus and comes back restartDelayMs after the frame
    int restartDelayMs = 0; // after programming, the programming time is part of it
};

class SimZEVPrinter {
public:
    explicit SimZEVPrinter(SimZEVModel model);
    // The printer as it leaves the factory.
    static SimZEVPrinterState defaultState(SimZEVModel model);

    // The bytes written to the bulk-out pipe; one output per complete frame that needs one.
    std::vector<SimZEVOutput> receive(const QByteArray& bulkOut);
    // Power goes: an image not yet programmed is lost with it, and the flash holds neither firmware
    // (the printer comes back in firmware-update mode). A frame half received is dropped.
    void powerLost();
    // Power off and on (powerLost() included): the USB serial-number setting takes effect; a printer
    // whose firmware is valid leaves the firmware-update mode.
    void powerCycle();
    // The printer starts up after a restart of its own or a power-up.
    void started();
    // True from an accepted FLASH_PROGRAM until its programming time has passed (or power is lost).
    // Meanwhile the printer answers nothing.
    bool isProgramming() const;

    SimZEVPrinterState state() const;
    void setState(const SimZEVPrinterState& state);
    void update(const std::function<void(SimZEVPrinterState&)>& change);
    // The state and the image being programmed now (if any), read at one moment.
    struct Snapshot {
        SimZEVPrinterState state;
        std::optional<SimZEVFlashing> flashing;
    };
    Snapshot snapshot() const;
    // The printer becomes `state`, still programming `flashing` when given (a printer that went on
    // writing its flash while nobody watched). The restart that ends the programming is not scheduled
    // here: the printer's USB side does that when it comes up.
    void restore(const SimZEVPrinterState& state, const std::optional<SimZEVFlashing>& flashing);

    // Called after each change of what the printer keeps: a frame that changed its state (a status
    // query changes nothing), programming begun or done, a restart, a power loss or cycle, update()
    // and setState(). It runs on the thread that made the change, without the printer's lock: it may
    // read the printer, and must not block for long (a frame's sender waits for it).
    void setChangeListener(std::function<void()> listener);

    void addFault(const SimZEVFault& fault);
    void clearFaults();

    // Latency of every reply (the printer's think time); the benchmark configures it.
    void setReplyLatencyMs(int milliseconds);
    int replyLatencyMs() const;
    // Time the printer takes to come back after FLASH_REWRITE and after programming.
    void setRestartDelayMs(int milliseconds);
    int restartDelayMs() const;
    // Time programming takes per KiB of image (0: none, the default). The restart after FLASH_PROGRAM
    // comes this much later.
    void setProgrammingPacing(int microsecondsPerKiB);

    std::vector<SimZEVFrame> receivedFrames() const;
    QStringList receivedCommands() const; // words of every frame, in order
    void clearReceived();

    // A reply record: eight digits of length, body, CR.
    static QByteArray record(const QByteArray& body);

private:
    SimZEVOutput handle(const SimZEVFrame& frame) REQUIRES(mutex_);
    std::optional<QByteArray> answer(const SimZEVFrame& frame, SimZEVOutput& output) REQUIRES(mutex_);
    std::optional<QByteArray> answerInUpdateMode(const SimZEVFrame& frame, SimZEVOutput& output)
        REQUIRES(mutex_);
    QByteArray spoil(const QString& words, const QByteArray& body, SimZEVOutput& output) REQUIRES(mutex_);
    std::optional<QString> tableSlot(const SimZEVFrame& frame, const char* suffix) const REQUIRES(mutex_);
    bool hasSerialSwitch() const REQUIRES(mutex_);
    void writeTable(const QByteArray& data) REQUIRES(mutex_);
    void program(const QByteArray& image, SimZEVOutput& output) REQUIRES(mutex_);
    // Programming is done once its time has passed; settleProgramming() writes that into state_.
    bool programmingDone() const REQUIRES(mutex_);
    void commitProgramming(SimZEVPrinterState& s) const REQUIRES(mutex_);
    void settleProgramming() REQUIRES(mutex_);
    void losePower() REQUIRES(mutex_);
    // Tells the change listener, if any; the lock must not be held.
    void changed() EXCLUDES(mutex_);

    mutable base::Mutex mutex_;
    SimZEVPrinterState state_ GUARDED_BY(mutex_);
    SimZEVFrameParser parser_ GUARDED_BY(mutex_);
    std::vector<SimZEVFault> faults_ GUARDED_BY(mutex_);
    std::vector<SimZEVFrame> received_ GUARDED_BY(mutex_);
    int replyLatencyMs_ GUARDED_BY(mutex_) = 0;
    int restartDelayMs_ GUARDED_BY(mutex_) = 50;
    int programmingPacingUs_ GUARDED_BY(mutex_) = 0; // per KiB

    // An image being written into flash; its version counts only once the writing is done.
    struct Programming {
        QString version;
        qsizetype size = 0;
        std::chrono::steady_clock::time_point doneAt;
    };
    std::optional<Programming> programming_ GUARDED_BY(mutex_);
    bool programmedSinceStart_ GUARDED_BY(mutex_) = false;
    std::function<void()> changeListener_ GUARDED_BY(mutex_);
};

// Model and version from the S0 header record of an S-record image ("HVC 01.41"); empty when the
// image does not start with a well-formed S0 record.
QString firmwareVersionFromImage(const QByteArray& image);
// Whether the update firmware takes `image`: up to the first NUL (only NULs may follow, the padding
// of the upload), every non-empty line is one S-record with hex digits, a byte count that matches,
// and a checksum that adds up; the first record is an S0 header naming a version.
bool isProgrammableImage(const QByteArray& image);

} // namespace sim
