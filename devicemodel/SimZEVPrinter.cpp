#include "devicemodel/SimZEVPrinter.h"

#include "base/clock.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace sim {

namespace {

// Command words as the printer matches them.
constexpr char kStatus[] = "STATUS";
constexpr char kInfo[] = "INFO  ";
constexpr char kTableRead[] = "TBL_RD";
constexpr char kTableWrite[] = "TBL_WT";
constexpr char kTableClear[] = "TBL_CL";
constexpr char kMaintenanceRead[] = "MNT_RD";
constexpr char kMaintenanceWrite[] = "MNT_WT";
constexpr char kFirmwareUpdate[] = "FW_UPD";

// What a freshly cleared slot reports.
constexpr char kClearedVersion[] = "";
constexpr char kClearedChecksum[] = "0000";

// Payloads the printer understands.
constexpr char kCounterResetTag = 'C';
constexpr char kSwitchOn = '1';
constexpr char kSwitchOff = '0';
constexpr char kMediaStandard[] = "0001";
constexpr char kMediaHD[] = "0003";
constexpr char kHDSuffix[] = "HD";

// Answers that the bad-reply faults put on the wire.
constexpr char kGarbageLengthField[] = "LEN?????";
// More than any host should take for one answer (hosts read at most 4096 bytes of body).
constexpr std::uint32_t kOversizedLength = 4097;
constexpr char kNonUTF8Body[] = "\xFF\xFE\xC3\x28\x80";
constexpr int kTruncatedShortfall = 10;

// Counters as the printer reports them: a two-letter tag and seven digits.
QByteArray counterText(const char* tag, quint32 value) {
    return QByteArray(tag) + QByteArray::number(value).rightJustified(7, '0');
}

// The printer's checksum of a table: the low 16 bits of the complement of the byte sum, in hex.
QString tableChecksum(const QByteArray& data) {
    quint32 sum = 0;
    for (char c : data)
        sum += quint8(c);
    return QStringLiteral("%1").arg(quint16(~sum), 4, 16, QLatin1Char('0')).toUpper();
}

QByteArray upToNul(const QByteArray& bytes) {
    const qsizetype nul = bytes.indexOf('\0');
    return nul < 0 ? bytes : bytes.left(nul);
}

// ---- S-records as the update firmware reads them ----

constexpr char kRecordStart = 'S';
constexpr char kHeaderType = '0';
constexpr char kLineEnd = '\n';
constexpr char kLineEndBefore = '\r';     // CR LF ends a line as LF does
constexpr qsizetype kRecordMinLength = 4; // "S", type, two count digits
constexpr qint64 kBytesPerKiB = 1024;
// However slow a test paces it, programming ends within a day (and its time stays countable).
constexpr qint64 kLongestProgrammingUs = qint64(24) * 60 * 60 * 1000 * 1000;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Address bytes of each record type; S4 is reserved and refused.
int addressBytes(char type) {
    switch (type) {
    case '0':
    case '1':
    case '5':
    case '9':
        return 2;
    case '2':
    case '6':
    case '8':
        return 3;
    case '3':
    case '7':
        return 4;
    default:
        return -1;
    }
}

struct SRecord {
    char type = 0;
    QByteArray data; // the bytes after the address; kept for the header only
};

// One line without its line end: "S", type, count, address and data, checksum, all but the first two
// as hex pairs. The count covers address, data and checksum; the checksum is the ones' complement
// of the low byte of the sum of count, address and data.
std::optional<SRecord> readRecord(QByteArrayView line) {
    if (line.size() < kRecordMinLength || line[0] != kRecordStart) return std::nullopt;
    const char type = line[1];
    const int address = addressBytes(type);
    const auto byteAt = [&line](qsizetype pair) {
        const int high = hexDigit(line[2 + 2 * pair]), low = hexDigit(line[3 + 2 * pair]);
        return high < 0 || low < 0 ? -1 : high << 4 | low;
    };
    const int count = byteAt(0);
    if (address < 0 || count < address + 1 || line.size() != kRecordMinLength + 2 * qsizetype(count))
        return std::nullopt;
    SRecord record{type, {}};
    quint32 sum = quint32(count);
    for (qsizetype pair = 1; pair < count; ++pair) {
        const int byte = byteAt(pair);
        if (byte < 0) return std::nullopt;
        sum += quint32(byte);
        if (type == kHeaderType && pair > address) record.data.append(char(byte));
    }
    if (byteAt(count) != int(quint8(~sum))) return std::nullopt;
    return record;
}

// Calls `take` with the record on each non-empty line of `text` until it answers false; false when
// a line holds no well-formed record.
template <typename Take> bool forEachRecord(QByteArrayView text, Take&& take) {
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = text.indexOf(kLineEnd, at);
        if (end < 0) end = text.size();
        QByteArrayView line = text.sliced(at, end - at);
        at = end + 1;
        if (line.endsWith(kLineEndBefore)) line.chop(1);
        if (line.isEmpty()) continue;
        const std::optional<SRecord> record = readRecord(line);
        if (!record) return false;
        if (!take(*record)) break;
    }
    return true;
}

// The records end at the first NUL: the upload is padded with NULs to a multiple of four bytes.
QByteArrayView recordText(const QByteArray& image) {
    const qsizetype nul = image.indexOf('\0');
    return nul < 0 ? QByteArrayView(image) : QByteArrayView(image).first(nul);
}

QString headerVersion(const SRecord& header) {
    return QString::fromLatin1(upToNul(header.data)).trimmed();
}

} // namespace

SimZEVPrinter::SimZEVPrinter(SimZEVModel model) : state_(defaultState(model)) {}

SimZEVPrinterState SimZEVPrinter::defaultState(SimZEVModel model) {
    const SimZEVModelFacts& facts = simZEVModelFacts(model);
    SimZEVPrinterState s;
    s.model = model;
    s.lifetimeCounter = 1234;
    s.counterA = 56;
    s.counterB = 78;
    s.counterM = 9;
    s.firmwareVersion = QString::fromLatin1(facts.factoryFirmware);
    for (const SimZEVFactoryTable& table : facts.factoryTables)
        s.colorTables.insert(QString::fromLatin1(table.slot),
                             {QString::fromLatin1(table.version), QString::fromLatin1(table.checksum)});
    const QString name = QString::fromLatin1(facts.name);
    s.serialNumber = QStringLiteral("%1-0042").arg(name.isEmpty() ? QStringLiteral("X") : name);
    return s;
}

QByteArray SimZEVPrinter::record(const QByteArray& body) {
    const QByteArray withCR = body + wire::kReplyEnd;
    return QByteArray::number(withCR.size()).rightJustified(wire::kReplyLengthDigits, '0') + withCR;
}

std::vector<SimZEVOutput> SimZEVPrinter::receive(const QByteArray& bulkOut) {
    std::vector<SimZEVOutput> outputs;
    bool stateChanged = false;
    {
        base::MutexLocker lock(mutex_);
        for (const SimZEVFrame& frame : parser_.feed(bulkOut)) {
            received_.push_back(frame);
            const SimZEVPrinterState before = state_;
            const bool wasProgramming = programming_.has_value();
            SimZEVOutput output = handle(frame);
            stateChanged = stateChanged || state_ != before || programming_.has_value() != wasProgramming;
            if (!output.reply.isEmpty() || output.restart || output.withheld)
                outputs.push_back(std::move(output));
        }
    }
    if (stateChanged) changed();
    return outputs;
}

void SimZEVPrinter::changed() {
    std::function<void()> listener;
    {
        base::MutexLocker lock(mutex_);
        listener = changeListener_;
    }
    if (listener) listener();
}

void SimZEVPrinter::setChangeListener(std::function<void()> listener) {
    base::MutexLocker lock(mutex_);
    changeListener_ = std::move(listener);
}

SimZEVOutput SimZEVPrinter::handle(const SimZEVFrame& frame) {
    settleProgramming();
    SimZEVOutput output;
    std::optional<QByteArray> body;
    // While it writes its flash the printer drops every frame.
    if (!programming_)
        body = state_.firmwareUpdateMode ? answerInUpdateMode(frame, output) : answer(frame, output);
    if (body) {
        output.delayMs += replyLatencyMs_;
        output.reply = spoil(frame.words(), *body, output);
    }
    // The host reads an answer after every query word; one that does not come is worth telling the
    // pipe about, so a test need not wait out the host's full time-out.
    const bool query = frame.command == kStatus || frame.command == kInfo || frame.command == kTableRead ||
                       frame.command == kMaintenanceRead;
    output.withheld = query && output.reply.isEmpty();
    return output;
}

// ---- the update firmware ----
//
// From FLASH_REWRITE until an image is programmed, the printer runs its update firmware, which knows
// two commands:
//   STATUS              answers "FU00001";
//   FW_UPD FLASH_PROGRAM takes the image when it is a well-formed S-record image with an S0 header
//                       naming a version (isProgrammableImage), else refuses it (refusedImages counts
//                       it; the printer stays in update mode and does not restart). Programming takes
//                       the pacing's time per KiB; meanwhile every frame is dropped, and the flash
//                       holds neither firmware, so power lost then brings the printer back in update
//                       mode. When programming is done, the version from the header is the firmware
//                       and the printer restarts into it.
// Everything else is dropped unanswered: queries (INFO, TBL_RD, MNT_RD) leave the host's read to time
// out, and writes (MNT_WT, TBL_CL, TBL_WT, FLASH_REWRITE again) change nothing.
// On the bus, the update firmware does not name itself: its IEEE-1284 device ID is empty (the string
// descriptors stay as they are; SimZEVProcessor switches the ID at each enumeration).
std::optional<QByteArray> SimZEVPrinter::answerInUpdateMode(const SimZEVFrame& frame, SimZEVOutput& output) {
    if (frame.command == kStatus) return QByteArray(kSimZEVStatusFirmwareUpdateMode);
    if (frame.is(kFirmwareUpdate, "FLASH_PROGRAM")) program(frame.payload, output);
    return std::nullopt;
}

std::optional<QByteArray> SimZEVPrinter::answer(const SimZEVFrame& frame, SimZEVOutput& output) {
    SimZEVPrinterState& s = state_;
    const bool singleTable = simZEVModelFacts(s.model).tableAddressing == SimZEVTableAddressing::Single;
    const bool hasSwitch = hasSerialSwitch();

    if (frame.command == kStatus) return s.statusCode.toLatin1();
    if (frame.command == kInfo) {
        if (frame.subCommand == "FVER") return (s.firmwareReplyPrefix + s.firmwareVersion).toUtf8();
        if (frame.subCommand == "SERIAL_NUMBER") return s.serialNumber.toUtf8();
        if (frame.subCommand == "MEDIA") return QByteArray("PC");
        if (frame.subCommand == "FREE_PBUFFER") return QByteArray("FBP01");
        if (frame.subCommand == "MQTY") return QByteArray("00700");
        return std::nullopt;
    }
    if (frame.command == kMaintenanceRead) {
        if (frame.subCommand == "COUNTER_LIFE") return counterText("CL", s.lifetimeCounter);
        if (frame.subCommand == "COUNTER_A") return counterText("CA", s.counterA);
        if (frame.subCommand == "COUNTER_B") return counterText("CB", s.counterB);
        if (frame.subCommand == "COUNTER_M") return counterText("CM", s.counterM);
        if (frame.subCommand == "CTRLD_CHKSUM" && singleTable)
            return s.colorTables.value("300").checksum.toUtf8();
        if (frame.subCommand == "USB_ISERI_SET" && hasSwitch)
            return QByteArray(s.usbISerialSwitch ? "01" : "00");
        return std::nullopt;
    }
    if (frame.command == kMaintenanceWrite) {
        const QByteArray& p = frame.payload;
        if (frame.subCommand == "COUNTER_CLR" && p.size() >= 2 && p[0] == kCounterResetTag) {
            if (p[1] == 'A') s.counterA = 0;
            if (p[1] == 'B') s.counterB = 0;
            if (p[1] == 'M') s.counterM = 0;
        }
        if (frame.subCommand == "USB_ISERI_SET" && hasSwitch && p.size() >= 2 &&
            (p[1] == kSwitchOn || p[1] == kSwitchOff))
            s.usbISerialSwitch = p[1] == kSwitchOn;
        return std::nullopt;
    }
    if (frame.command == kTableRead) {
        if (frame.subCommand == "Version")
            return singleTable ? std::optional(s.colorTables.value("300").version.toUtf8()) : std::nullopt;
        if (const auto slot = tableSlot(frame, "_Version"))
            return s.colorTables.value(*slot).version.toUtf8();
        if (const auto slot = tableSlot(frame, "_Checksum"))
            return s.colorTables.value(*slot).checksum.toUtf8();
        return std::nullopt;
    }
    if (frame.command == kTableClear) {
        for (auto& table : s.colorTables)
            table = {QString::fromLatin1(kClearedVersion), QString::fromLatin1(kClearedChecksum)};
        s.tablesWritten.clear();
        return std::nullopt;
    }
    if (frame.is(kTableWrite, "Version")) {
        s.pendingTableName = upToNul(frame.payload).toUpper();
        return std::nullopt;
    }
    if (frame.is(kTableWrite, "CTRLD_UPDATE_CW")) {
        writeTable(frame.payload);
        return std::nullopt;
    }
    if (frame.is(kFirmwareUpdate, "FLASH_REWRITE")) {
        // The printer restarts into its update firmware; until an image is programmed, every power-up
        // comes back in that mode.
        if (!s.firmwareUpdateMode) s.firmwareBeforeRewrite = s.firmwareVersion;
        s.firmwareUpdateMode = true;
        s.firmwareValid = false;
        s.restarts += 1;
        output.restart = true;
        output.restartDelayMs = restartDelayMs_;
    }
    return std::nullopt;
}

// The slot a CWDnnn_Version / CWDnnn_Checksum query names, when this model has it. The eight-table
// model needs the media selector; the HVC ignores a payload.
std::optional<QString> SimZEVPrinter::tableSlot(const SimZEVFrame& frame, const char* suffix) const {
    const QByteArray& sub = frame.subCommand;
    if (!sub.startsWith("CWD") || !sub.endsWith(suffix) || sub.size() != 6 + qsizetype(qstrlen(suffix)))
        return std::nullopt;
    QString slot = QString::fromLatin1(sub.mid(3, 3));
    const SimZEVModelFacts& facts = simZEVModelFacts(state_.model);
    switch (facts.tableAddressing) {
    case SimZEVTableAddressing::None:
    case SimZEVTableAddressing::Single:
        return std::nullopt;
    case SimZEVTableAddressing::Slots:
        break;
    case SimZEVTableAddressing::SlotsByMedia:
        if (frame.payload == kMediaHD)
            slot += QLatin1String(kHDSuffix);
        else if (frame.payload != kMediaStandard)
            return std::nullopt;
        break;
    }
    // Only the slots the model is built with answer, whatever a test stored.
    const bool built =
        std::any_of(facts.factoryTables.begin(), facts.factoryTables.end(),
                    [&slot](const SimZEVFactoryTable& table) { return slot == QLatin1String(table.slot); });
    if (!built || !state_.colorTables.contains(slot)) return std::nullopt;
    return slot;
}

bool SimZEVPrinter::hasSerialSwitch() const {
    const double first = simZEVModelFacts(state_.model).firstSwitchFirmware;
    if (first < 0) return false;
    const QByteArray version = state_.firmwareVersion.toLatin1();
    return simZEVFirmwareNumber(version.constData(), std::size_t(version.size())) >= first;
}

void SimZEVPrinter::writeTable(const QByteArray& data) {
    // The name written before names the slot: MODEL_SLOT_VERSION.CWD.
    const QByteArray name = state_.pendingTableName;
    state_.pendingTableName.clear();
    const QList<QByteArray> parts = name.split('_');
    if (parts.size() < 3) return;
    const QString slot = QString::fromLatin1(parts.at(parts.size() - 2));
    if (!state_.colorTables.contains(slot)) return;
    QByteArray version = parts.last();
    if (const qsizetype dot = version.indexOf('.'); dot >= 0) version.truncate(dot);
    state_.colorTables[slot] = {QString::fromLatin1(version), tableChecksum(data)};
    state_.tablesWritten.append(QString::fromLatin1(name));
}

void SimZEVPrinter::program(const QByteArray& image, SimZEVOutput& output) {
    if (!isProgrammableImage(image)) {
        state_.refusedImages += 1;
        return;
    }
    const qint64 programmingUs =
        std::min((qint64(image.size()) * programmingPacingUs_ + kBytesPerKiB - 1) / kBytesPerKiB,
                 kLongestProgrammingUs);
    programming_ = Programming{firmwareVersionFromImage(image), image.size(),
                               base::clock::now() + std::chrono::microseconds(programmingUs)};
    // Programming overwrites the old firmware from its first block on.
    state_.firmwareValid = false;
    output.restart = true;
    const qint64 restartMs = (programmingUs + 999) / 1000 + restartDelayMs_;
    output.restartDelayMs = int(std::min<qint64>(restartMs, std::numeric_limits<int>::max()));
    settleProgramming(); // at once when unpaced
}

bool SimZEVPrinter::programmingDone() const {
    return programming_ && base::clock::now() >= programming_->doneAt;
}

void SimZEVPrinter::commitProgramming(SimZEVPrinterState& s) const {
    s.firmwareVersion = programming_->version;
    s.programmedImageSize = programming_->size;
    s.firmwareValid = true;
    s.firmwareUpdateMode = false;
    s.restarts += 1; // the restart into the new firmware is on its way
}

void SimZEVPrinter::settleProgramming() {
    if (!programmingDone()) return;
    commitProgramming(state_);
    programming_.reset();
    programmedSinceStart_ = true;
}

void SimZEVPrinter::started() {
    {
        base::MutexLocker lock(mutex_);
        settleProgramming();
        if (std::exchange(programmedSinceStart_, false) && state_.bootsPreviousFirmware &&
            !state_.firmwareBeforeRewrite.isEmpty())
            state_.firmwareVersion = state_.firmwareBeforeRewrite;
    }
    changed();
}

bool SimZEVPrinter::isProgramming() const {
    base::MutexLocker lock(mutex_);
    return programming_ && !programmingDone();
}

QByteArray SimZEVPrinter::spoil(const QString& words, const QByteArray& body, SimZEVOutput& output) {
    bool noReply = false, garbage = false, oversized = false, noCR = false, nonUTF8 = false,
         truncated = false;
    for (SimZEVFault& fault : faults_) {
        if (fault.count == 0 || (!fault.words.isEmpty() && fault.words != words)) continue;
        if (fault.count > 0) --fault.count;
        switch (fault.kind) {
        case SimZEVFaultKind::NoReply:
            noReply = true;
            break;
        case SimZEVFaultKind::GarbageLength:
            garbage = true;
            break;
        case SimZEVFaultKind::OversizedLength:
            oversized = true;
            break;
        case SimZEVFaultKind::BodyWithoutCR:
            noCR = true;
            break;
        case SimZEVFaultKind::NonUTF8Body:
            nonUTF8 = true;
            break;
        case SimZEVFaultKind::Slow:
            output.delayMs += fault.delayMs;
            break;
        case SimZEVFaultKind::TruncatedBody:
            truncated = true;
            break;
        }
    }
    std::erase_if(faults_, [](const SimZEVFault& fault) { return fault.count == 0; });

    if (noReply) return QByteArray();
    if (oversized)
        return QByteArray::number(kOversizedLength).rightJustified(wire::kReplyLengthDigits, '0') +
               QByteArray(kOversizedLength - 1, 'X') + wire::kReplyEnd;
    QByteArray content = nonUTF8 ? QByteArray(kNonUTF8Body) : body;
    if (!noCR) content += wire::kReplyEnd;
    QByteArray length = QByteArray::number(content.size() + (truncated ? kTruncatedShortfall : 0));
    length = garbage ? QByteArray(kGarbageLengthField) : length.rightJustified(wire::kReplyLengthDigits, '0');
    return length + content;
}

void SimZEVPrinter::losePower() {
    settleProgramming();
    // Power lost before programming was done: the flash holds part of an image, which is no firmware
    // (firmwareValid went false when programming began).
    programming_.reset();
    state_.pendingTableName.clear();
    parser_.reset();
}

void SimZEVPrinter::powerLost() {
    {
        base::MutexLocker lock(mutex_);
        losePower();
    }
    changed();
}

void SimZEVPrinter::powerCycle() {
    {
        base::MutexLocker lock(mutex_);
        losePower();
        state_.reportsUSBSerialNumber = state_.usbISerialSwitch;
        state_.firmwareUpdateMode = !state_.firmwareValid;
    }
    changed();
}

SimZEVPrinterState SimZEVPrinter::state() const {
    base::MutexLocker lock(mutex_);
    SimZEVPrinterState s = state_;
    if (programmingDone()) commitProgramming(s);
    return s;
}

void SimZEVPrinter::setState(const SimZEVPrinterState& state) {
    restore(state, std::nullopt); // the printer becomes what it is told, an unfinished image included
}

void SimZEVPrinter::restore(const SimZEVPrinterState& state, const std::optional<SimZEVFlashing>& flashing) {
    {
        base::MutexLocker lock(mutex_);
        state_ = state;
        programming_.reset();
        if (flashing)
            programming_ =
                Programming{flashing->version, flashing->size,
                            base::clock::now() + std::max(flashing->left, std::chrono::milliseconds(0))};
    }
    changed();
}

SimZEVPrinter::Snapshot SimZEVPrinter::snapshot() const {
    base::MutexLocker lock(mutex_);
    Snapshot snapshot{state_, std::nullopt};
    if (programmingDone()) {
        commitProgramming(snapshot.state);
    } else if (programming_) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(programming_->doneAt - base::clock::now());
        snapshot.flashing = SimZEVFlashing{programming_->version, programming_->size, left};
    }
    return snapshot;
}

void SimZEVPrinter::update(const std::function<void(SimZEVPrinterState&)>& change) {
    {
        base::MutexLocker lock(mutex_);
        settleProgramming();
        change(state_);
    }
    changed();
}

void SimZEVPrinter::addFault(const SimZEVFault& fault) {
    base::MutexLocker lock(mutex_);
    faults_.push_back(fault);
}

void SimZEVPrinter::clearFaults() {
    base::MutexLocker lock(mutex_);
    faults_.clear();
}

void SimZEVPrinter::setReplyLatencyMs(int milliseconds) {
    base::MutexLocker lock(mutex_);
    replyLatencyMs_ = std::max(0, milliseconds);
}

int SimZEVPrinter::replyLatencyMs() const {
    base::MutexLocker lock(mutex_);
    return replyLatencyMs_;
}

void SimZEVPrinter::setRestartDelayMs(int milliseconds) {
    base::MutexLocker lock(mutex_);
    restartDelayMs_ = std::max(0, milliseconds);
}

int SimZEVPrinter::restartDelayMs() const {
    base::MutexLocker lock(mutex_);
    return restartDelayMs_;
}

void SimZEVPrinter::setProgrammingPacing(int microsecondsPerKiB) {
    base::MutexLocker lock(mutex_);
    programmingPacingUs_ = std::max(0, microsecondsPerKiB);
}

std::vector<SimZEVFrame> SimZEVPrinter::receivedFrames() const {
    base::MutexLocker lock(mutex_);
    return received_;
}

QStringList SimZEVPrinter::receivedCommands() const {
    base::MutexLocker lock(mutex_);
    QStringList words;
    for (const auto& frame : received_)
        words.append(frame.words());
    return words;
}

void SimZEVPrinter::clearReceived() {
    base::MutexLocker lock(mutex_);
    received_.clear();
}

QString firmwareVersionFromImage(const QByteArray& image) {
    QString version;
    forEachRecord(recordText(image), [&version](const SRecord& first) {
        if (first.type == kHeaderType) version = headerVersion(first);
        return false;
    });
    return version;
}

bool isProgrammableImage(const QByteArray& image) {
    const QByteArrayView text = recordText(image);
    // Only padding may follow the first NUL: anything else is a damaged upload, not a shorter image.
    const bool paddingOnly =
        std::all_of(image.begin() + text.size(), image.end(), [](char c) { return c == '\0'; });
    bool first = true, header = false;
    const bool wellFormed = forEachRecord(text, [&](const SRecord& record) {
        if (first) header = record.type == kHeaderType && !headerVersion(record).isEmpty();
        first = false;
        return true;
    });
    return paddingOnly && wellFormed && header;
}

} // namespace sim
