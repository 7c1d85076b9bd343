#include "Classes/ZEVProtocol.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace zev {

namespace {

struct CommandWords {
    std::uint32_t code;
    const char* command; // exactly six characters, blanks included
    const char* subCommand;
};

// The protocol's command table. The blanks inside "INFO  ", "CNTRL " and "IMAGE " belong to the word.
constexpr std::array<CommandWords, 38> kCommandTable{{
    {kCommandStatus, "STATUS", ""},
    {kCommandFirmwareVersion, "INFO  ", "FVER"},
    {kCommandSerialNumber, "INFO  ", "SERIAL_NUMBER"},
    {kCommandMedia, "INFO  ", "MEDIA"},
    {kCommandFreePrintBuffer, "INFO  ", "FREE_PBUFFER"},
    {kCommandMediaQuantity, "INFO  ", "MQTY"},
    {kCommandMultiCut, "IMAGE ", "MULTICUT"},
    {kCommandOvercoat, "CNTRL ", "OVERCOAT"},
    {kCommandYellowPlane, "IMAGE ", "YPLANE"},
    {kCommandMagentaPlane, "IMAGE ", "MPLANE"},
    {kCommandCyanPlane, "IMAGE ", "CPLANE"},
    {kCommandCutter, "CNTRL ", "CUTTER"},
    {kCommandStart, "CNTRL ", "START"},
    {kCommandColorTableClear, "TBL_CL", ""},
    {kCommandColorTableWriteData, "TBL_WT", "CTRLD_UPDATE_CW"},
    {kCommandColorTableVersion, "TBL_RD", "Version"},
    {kCommandColorTableWriteName, "TBL_WT", "Version"},
    {kCommandColorTableChecksum, "MNT_RD", "CTRLD_CHKSUM"},
    {kCommandCWD300Version, "TBL_RD", "CWD300_Version"},
    {kCommandCWD600Version, "TBL_RD", "CWD600_Version"},
    {kCommandCWD610Version, "TBL_RD", "CWD610_Version"},
    {kCommandCWD620Version, "TBL_RD", "CWD620_Version"},
    {kCommandCWD300Checksum, "TBL_RD", "CWD300_Checksum"},
    {kCommandCWD600Checksum, "TBL_RD", "CWD600_Checksum"},
    {kCommandCWD610Checksum, "TBL_RD", "CWD610_Checksum"},
    {kCommandCWD620Checksum, "TBL_RD", "CWD620_Checksum"},
    {kCommandCounterLife, "MNT_RD", "COUNTER_LIFE"},
    {kCommandCounterA, "MNT_RD", "COUNTER_A"},
    {kCommandCounterB, "MNT_RD", "COUNTER_B"},
    {kCommandCounterClear, "MNT_WT", "COUNTER_CLR"},
    {kCommandCounterP, "MNT_RD", "COUNTER_P"},
    {kCommandCounterPSet, "MNT_WT", "COUNTERP_SET"},
    {kCommandCounterMatte, "MNT_RD", "COUNTER_MATTE"},
    {kCommandCounterM, "MNT_RD", "COUNTER_M"},
    {kCommandFlashRewrite, "FW_UPD", "FLASH_REWRITE"},
    {kCommandFlashProgram, "FW_UPD", "FLASH_PROGRAM"},
    {kCommandUSBISerialWrite, "MNT_WT", "USB_ISERI_SET"},
    {kCommandUSBISerialRead, "MNT_RD", "USB_ISERI_SET"},
}};

const CommandWords* wordsForCode(std::uint32_t code) {
    for (const auto& row : kCommandTable)
        if (row.code == code) return &row;
    return nullptr;
}

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// strtol-style reading of a leading decimal number over a byte range, saturating at [lo, hi].
template <typename T> T leadingInteger(const char* p, const char* end, T lo, T hi) {
    while (p < end && isSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    // Accumulate negatively so that the lowest value is reachable without overflow.
    T value = 0;
    bool saturated = false;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        const T digit = T(*p - '0');
        if (saturated) continue;
        if (value < (lo + digit) / 10) {
            saturated = true;
            continue;
        }
        value = value * 10 - digit;
    }
    if (saturated) return negative ? lo : hi;
    if (negative) return value;
    return value < -hi ? hi : -value;
}

template <typename T> T leadingInteger(const QString& text, T lo, T hi) {
    // Leading white space may be any Unicode space; the number itself is ASCII.
    qsizetype start = 0;
    while (start < text.size() && text.at(start).isSpace())
        ++start;
    const QByteArray ascii = text.mid(start).toLatin1();
    return leadingInteger<T>(ascii.constData(), ascii.constData() + ascii.size(), lo, hi);
}

// The printers' status codes and their texts: the English texts are published as printerStatus and
// are the string table's keys, so the list shows them in the operator's language.
struct StatusRow {
    int code;
    const char* text;
};
constexpr char kFirmwareUpdateModeText[] = QT_TRANSLATE_NOOP("TBPrinters", "Firmware Update Mode");
constexpr char kUnknownStatusText[] = QT_TRANSLATE_NOOP("TBPrinters", "Unknown Status");
constexpr std::array<StatusRow, 24> kStatusTable{{
    {0, QT_TRANSLATE_NOOP("TBPrinters", "Idle")},
    {1, QT_TRANSLATE_NOOP("TBPrinters", "Printing")},
    {500, QT_TRANSLATE_NOOP("TBPrinters", "Head cool down cycle")},
    {510, QT_TRANSLATE_NOOP("TBPrinters", "Motor cool down cycle")},
    {900, QT_TRANSLATE_NOOP("TBPrinters", "Sleeping (standby mode)")},
    {1000, QT_TRANSLATE_NOOP("TBPrinters", "Cover Open")},
    {1010, QT_TRANSLATE_NOOP("TBPrinters", "Scrap Box Missing")},
    {1100, QT_TRANSLATE_NOOP("TBPrinters", "Paper End")},
    {1200, QT_TRANSLATE_NOOP("TBPrinters", "Ribbon End")},
    {1300, QT_TRANSLATE_NOOP("TBPrinters", "Paper Jam")},
    {1400, QT_TRANSLATE_NOOP("TBPrinters", "Ribbon Error")},
    {1500, QT_TRANSLATE_NOOP("TBPrinters", "Wrong Paper")},
    {1600, QT_TRANSLATE_NOOP("TBPrinters", "Bad Data")},
    {2000, QT_TRANSLATE_NOOP("TBPrinters", "Head Voltage Error")},
    {2100, QT_TRANSLATE_NOOP("TBPrinters", "Head Position Error")},
    {2200, QT_TRANSLATE_NOOP("TBPrinters", "Power supply Error")},
    {2300, QT_TRANSLATE_NOOP("TBPrinters", "Cutter Error")},
    {2400, QT_TRANSLATE_NOOP("TBPrinters", "Pinch Roller Error")},
    {2500, QT_TRANSLATE_NOOP("TBPrinters", "Head Temp High Error")},
    {2600, QT_TRANSLATE_NOOP("TBPrinters", "Media Temp Error")},
    {2610, QT_TRANSLATE_NOOP("TBPrinters", "Motor Temp Error")},
    {2700, QT_TRANSLATE_NOOP("TBPrinters", "Ribbon Tension Error")},
    {2800, QT_TRANSLATE_NOOP("TBPrinters", "RFID Module Error")},
    {3000, QT_TRANSLATE_NOOP("TBPrinters", "System Fail Error")},
}};

constexpr char kMediaSD[] = "0001";
constexpr char kMediaPP[] = "0003";

} // namespace

// ---- Commands -------------------------------------------------------------------------------------

std::optional<QString> stringForCommandCode(std::uint32_t code) {
    const CommandWords* words = wordsForCode(code);
    if (!words) return std::nullopt;
    return QString::fromLatin1(words->command) + QString::fromLatin1(words->subCommand);
}

std::uint32_t payloadLengthForCommand(std::uint32_t code, std::size_t payloadSize) {
    switch (code) {
    case kCommandMultiCut:
    case kCommandOvercoat:
    case kCommandCutter:
    case kCommandCounterPSet:
        return kFixedPayloadLong;
    case kCommandCounterClear:
    case kCommandUSBISerialWrite:
        return kFixedPayloadShort;
    case kCommandYellowPlane:
    case kCommandMagentaPlane:
    case kCommandCyanPlane:
    case kCommandColorTableWriteData:
    case kCommandColorTableWriteName:
    case kCommandCWD300Version:
    case kCommandCWD600Version:
    case kCommandCWD610Version:
    case kCommandCWD620Version:
    case kCommandCWD300Checksum:
    case kCommandCWD600Checksum:
    case kCommandCWD610Checksum:
    case kCommandCWD620Checksum:
    case kCommandFlashProgram:
        // Larger than the length field can say: reported by buildFrame, never framed.
        return payloadSize > kMaxFramePayload ? std::numeric_limits<std::uint32_t>::max()
                                              : std::uint32_t(payloadSize);
    default:
        return 0;
    }
}

QString internalErrorText(int line) {
    return QCoreApplication::translate("TBUSBPrinterZEV", "Internal error L%1").arg(line);
}

QString communicationErrorText() {
    return QCoreApplication::translate("TBUSBPrinterZEV", "Communication error");
}

Frame buildFrameHeader(std::uint32_t code, std::size_t payloadSize, const ErrorSink& errorSink) {
    const auto report = [&](const QString& text) {
        if (errorSink) errorSink(text, 0);
    };
    Frame frame;
    const std::uint32_t length = payloadLengthForCommand(code, payloadSize);
    if (length > kMaxFramePayload) {
        // Eight digits cannot carry this length; a frame with a cut-off length field would make the
        // printer take the rest of the payload for commands. Send nothing.
        report(internalErrorText(kErrorLineLengthNotPlaced));
        return frame;
    }
    frame.payloadLength = length;
    frame.bytes = QByteArray(kFrameHeaderSize, kFrameFill);
    char* bytes = frame.bytes.data();
    bytes[0] = char(kFrameEscape);
    bytes[1] = char(kFrameIntroducer);

    if (const auto words = stringForCommandCode(code)) {
        frame.commandString = *words;
        const QByteArray ascii = words->toLatin1();
        std::memcpy(bytes + kFrameWordsOffset, ascii.constData(),
                    std::min<std::size_t>(std::size_t(ascii.size()), kFrameHeaderSize - kFrameWordsOffset));
    } else {
        report(internalErrorText(kErrorLineWordsNotPlaced));
    }
    if (length != 0) {
        const QByteArray digits = QByteArray::number(length).rightJustified(kLengthFieldDigits, '0');
        std::memcpy(bytes + kLengthFieldOffset, digits.constData(), kLengthFieldDigits);
    }
    return frame;
}

Frame buildFrame(std::uint32_t code, const QByteArray& payload, const ErrorSink& errorSink) {
    Frame frame = buildFrameHeader(code, std::size_t(payload.size()), errorSink);
    if (frame.bytes.isEmpty() || frame.payloadLength == 0) return frame;
    const std::uint32_t length = frame.payloadLength;
    frame.bytes.resize(kFrameHeaderSize + qsizetype(length), '\0');
    char* bytes = frame.bytes.data();
    const bool fixedLong = code == kCommandMultiCut || code == kCommandOvercoat || code == kCommandCutter;
    if (fixedLong) {
        if (payload.size() == qsizetype(kFixedPayloadLong))
            std::memcpy(bytes + kFrameHeaderSize, payload.constData(), kFixedPayloadLong);
    } else {
        // The short fixed payloads are built to exactly four bytes; never copy past either buffer.
        std::memcpy(bytes + kFrameHeaderSize, payload.constData(),
                    std::min<std::size_t>(length, std::size_t(payload.size())));
    }
    return frame;
}

// ---- Replies --------------------------------------------------------------------------------------

std::uint32_t replyBodyLength(const char* digits, std::size_t count) {
    const long value = leadingInteger<long>(digits, digits + count, std::numeric_limits<long>::min(),
                                            std::numeric_limits<long>::max());
    return std::uint32_t(value);
}

bool replyLengthHasDigits(const char* digits, std::size_t count) {
    const char* p = digits;
    const char* const end = digits + count;
    while (p < end && isSpace(*p))
        ++p;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    return p < end && *p >= '0' && *p <= '9';
}

std::optional<QByteArray> readReply(const ReplyReader& read, const ErrorSink& errorSink, bool* leftover) {
    const auto finish = [leftover](bool unsettled) {
        if (leftover) *leftover = unsettled;
    };
    QByteArray buffer(kReplyInitialBufferSize, '\0');
    std::uint32_t received = kReplyLengthDigits;
    if (read(ReplyReadStage::Length, buffer.data(), received) != kIOReturnSuccess) {
        // Timed out or failed: the answer may still come, after the next frame has gone out.
        finish(true);
        return std::nullopt;
    }
    received = std::min<std::uint32_t>(received, kReplyLengthDigits);

    // Only what arrived counts; the rest of the eight characters is still zero fill.
    const std::uint32_t length = replyBodyLength(buffer.constData(), kReplyLengthDigits);
    // A short or digit-less length field reads as some length, but the record is damaged and the
    // printer's real body is still in the pipe.
    bool damaged = received < std::uint32_t(kReplyLengthDigits) ||
                   !replyLengthHasDigits(buffer.constData(), kReplyLengthDigits);
    if (length > kReplyMaxBodyLength) {
        if (errorSink) errorSink(internalErrorText(kErrorLineReplyTooLong), 0);
        finish(true); // the body is left unread
        return std::nullopt;
    }
    if (buffer.size() < qsizetype(length) + 1) buffer.resize(qsizetype(length) + 1, '\0');
    std::memset(buffer.data(), 0, kReplyLengthDigits);

    std::uint32_t bodyReceived = length;
    // An empty body has nothing left to read; a zero-length bulk read would wait for a packet the
    // printer never sends and turn an empty answer into no answer.
    if (length != 0 && read(ReplyReadStage::Body, buffer.data(), bodyReceived) != kIOReturnSuccess) {
        finish(true);
        return std::nullopt;
    }
    if (length == 0) bodyReceived = 0;
    bodyReceived = std::min(bodyReceived, length);
    // Fewer bytes than announced: the rest may follow late.
    damaged = damaged || bodyReceived < length;

    buffer[qsizetype(bodyReceived)] = '\0';
    const char* cr =
        static_cast<const char*>(std::memchr(buffer.constData(), kReplyTerminator, bodyReceived));
    if (cr) {
        const qsizetype at = cr - buffer.constData();
        buffer.resize(at + 1);
        buffer[at] = '\0';
    }
    finish(damaged);
    return buffer;
}

QString textUpToNul(const QByteArray& bytes) {
    const qsizetype nul = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), nul < 0 ? bytes.size() : nul);
}

QString replyText(const std::optional<QByteArray>& reply) {
    if (!reply || reply->isEmpty()) return QString::fromLatin1(kNoReplyText);
    return textUpToNul(*reply);
}

int intValue(const QString& text) {
    return leadingInteger<int>(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

qint64 integerValue(const QString& text) {
    return leadingInteger<qint64>(text, std::numeric_limits<qint64>::min(),
                                  std::numeric_limits<qint64>::max());
}

bool boolValue(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) ++i;
    while (i < text.size() && text.at(i) == u'0')
        ++i;
    if (i >= text.size()) return false;
    const QChar c = text.at(i);
    return c == u'Y' || c == u'y' || c == u'T' || c == u't' || (c >= u'1' && c <= u'9');
}

QString firmwareVersionValue(const QByteArray& reply) {
    return textUpToNul(reply).trimmed();
}

QString lifetimeCounterValue(const QByteArray& reply) {
    const QString text = textUpToNul(reply);
    if (!text.startsWith(QLatin1String("CL"))) return text;
    return QString::number(integerValue(text.mid(2)));
}

QString usbISerialValue(const QByteArray& reply) {
    const QString text = textUpToNul(reply);
    if (text.isEmpty()) return text;
    return QString::number(integerValue(text));
}

// ---- Status ---------------------------------------------------------------------------------------

QString stringForHVStatusString(const std::optional<QString>& code) {
    if (code && *code == QLatin1String(kStatusFirmwareUpdateMode))
        return QString::fromLatin1(kFirmwareUpdateModeText);
    if (!code) return QStringLiteral("<NULL>");
    const int value = intValue(*code);
    for (const auto& row : kStatusTable)
        if (row.code == value) return QString::fromLatin1(row.text);
    return QString::fromLatin1(kUnknownStatusText);
}

// ---- Payloads -------------------------------------------------------------------------------------

bool isResettableCounter(char counter) {
    return counter == 'A' || counter == 'B' || counter == 'M';
}

QByteArray counterResetPayload(char counter) {
    const char bytes[] = {kCounterResetTag, counter, kReplyTerminator, '\0'};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray usbISerialPayload(bool on) {
    const char bytes[] = {'0', on ? kUSBISerialOn : kUSBISerialOff, kReplyTerminator, '\0'};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray commandPayloadForMediaSD() {
    return QByteArray(kMediaSD);
}
QByteArray commandPayloadForMediaPP() {
    return QByteArray(kMediaPP);
}

QByteArray payloadForMedia(MediaSelector media) {
    switch (media) {
    case MediaSelector::SD:
        return commandPayloadForMediaSD();
    case MediaSelector::PP:
        return commandPayloadForMediaPP();
    case MediaSelector::None:
        break;
    }
    return QByteArray();
}

} // namespace zev
