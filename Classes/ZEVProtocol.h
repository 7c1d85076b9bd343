// The printer family's command protocol without any USB: command codes and their words, frame
// building, reply framing over an abstract bulk-in reader, the status table, the payloads, the
// colour-table query rows, and the rules that turn a reply into a stored value. The models and
// which rows each is asked are in ZEVModels.h.
// Everything here is pure (no shared state), callable from any thread, and usable by the fuzzers and
// the simulated printers as well as by TBUSBPrinterZEV.
#pragma once

#include "platform/usb/iokit_codes.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace zev {

// ---- Command codes ------------------------------------------------------------------------------
// Each code stands for a six-character command word and a sub-command word of up to 15 characters.
// Codes without words (3, 5, 6, 9, 10, 18, above 43) are never sent.
enum TBPrinterCommandCode : std::uint32_t {
    kCommandStatus = 0,
    kCommandFirmwareVersion = 1,
    kCommandSerialNumber = 2,
    kCommandMedia = 4,
    kCommandFreePrintBuffer = 7,
    kCommandMediaQuantity = 8,
    kCommandMultiCut = 11,
    kCommandOvercoat = 12,
    kCommandYellowPlane = 13,
    kCommandMagentaPlane = 14,
    kCommandCyanPlane = 15,
    kCommandCutter = 16,
    kCommandStart = 17,
    kCommandColorTableClear = 19,
    kCommandColorTableWriteData = 20,
    kCommandColorTableVersion = 21,
    kCommandColorTableWriteName = 22,
    kCommandColorTableChecksum = 23,
    kCommandCWD300Version = 24,
    kCommandCWD600Version = 25,
    kCommandCWD610Version = 26,
    kCommandCWD620Version = 27,
    kCommandCWD300Checksum = 28,
    kCommandCWD600Checksum = 29,
    kCommandCWD610Checksum = 30,
    kCommandCWD620Checksum = 31,
    kCommandCounterLife = 32,
    kCommandCounterA = 33,
    kCommandCounterB = 34,
    kCommandCounterClear = 35,
    kCommandCounterP = 36,
    kCommandCounterPSet = 37,
    kCommandCounterMatte = 38,
    kCommandCounterM = 39,
    kCommandFlashRewrite = 40,
    kCommandFlashProgram = 41,
    kCommandUSBISerialWrite = 42,
    kCommandUSBISerialRead = 43,
};
constexpr std::uint32_t kHighestCommandCode = 43;

// Frame layout: ESC 'P', command word, sub-command field, length field, payload.
constexpr std::uint8_t kFrameEscape = 0x1B;
constexpr std::uint8_t kFrameIntroducer = 0x50; // 'P'
constexpr char kFrameFill = ' ';
constexpr int kFrameWordsOffset = 2;
constexpr int kCommandWordLength = 6;
constexpr int kSubCommandOffset = 8;
constexpr int kSubCommandFieldLength = 16;
constexpr int kSubCommandMaxLength = 15;
constexpr int kLengthFieldOffset = 24;
constexpr int kLengthFieldDigits = 8;
constexpr int kFrameHeaderSize = 32;
// Payload lengths that the fixed-length commands always announce.
constexpr std::uint32_t kFixedPayloadLong = 8;  // codes 11, 12, 16, 37
constexpr std::uint32_t kFixedPayloadShort = 4; // codes 35, 42
// The largest payload the eight-digit length field can express.
constexpr std::uint64_t kMaxFramePayload = 99999999;

// Reply record: eight decimal digits of body length, then the body (ends at its first CR).
constexpr int kReplyLengthDigits = 8;
constexpr std::uint32_t kReplyMaxBodyLength = 4096;
constexpr int kReplyInitialBufferSize = 256;
constexpr std::uint32_t kReplyReadTimeoutMs = 5000;
constexpr char kReplyTerminator = '\r';

// Line numbers the error sink reports, kept from the printer tools' own diagnostics.
constexpr int kErrorLineWordsNotPlaced = 486;
constexpr int kErrorLineLengthNotPlaced = 494;
constexpr int kErrorLineReplyTooLong = 2077;

// The raw status code of a printer running its firmware-update mode.
inline constexpr char kStatusFirmwareUpdateMode[] = "FU00001";
// The status code of an idle printer.
inline constexpr char kStatusIdle[] = "00000";
// What replyText gives for a reply that did not come (or came empty).
inline constexpr char kNoReplyText[] = "NULL";

// The command word followed directly by the sub-command word ("INFO  FVER"), or nothing for a code
// without words.
std::optional<QString> stringForCommandCode(std::uint32_t code);
// The number written into the length field: fixed for some codes, the payload's own length for the
// codes that carry data, 0 for all others (a payload passed with them is ignored).
std::uint32_t payloadLengthForCommand(std::uint32_t code, std::size_t payloadSize);

// Receives the internal error texts ("Internal error L%d", "Communication error"); code is always 0.
using ErrorSink = std::function<void(const QString& message, qint64 code)>;
QString internalErrorText(int line);
QString communicationErrorText();

struct Frame {
    QByteArray bytes;      // header and payload, ready for one bulk write; empty: nothing to send
    QString commandString; // for the log line; empty when the code has no words
    std::uint32_t payloadLength = 0;
};
// Builds the frame for `code`. A null `payload` means none. Bytes of a fixed-length payload field that
// the caller's payload does not fill are zero.
Frame buildFrame(std::uint32_t code, const QByteArray& payload, const ErrorSink& errorSink);
// The 32-byte header alone of the frame that buildFrame would make for a payload of `payloadSize`
// bytes (a code whose payload is carried as it is): for sending a large payload in pieces without a
// copy of it. `bytes` is empty when the length does not fit the length field.
Frame buildFrameHeader(std::uint32_t code, std::size_t payloadSize, const ErrorSink& errorSink);

// ---- Reply framing ------------------------------------------------------------------------------
enum class ReplyReadStage { Length, Body };
// One bulk-in read: on entry `size` is the count wanted, on return the count received.
using ReplyReader = std::function<IOReturn(ReplyReadStage stage, char* buffer, std::uint32_t& size)>;
// Reads one reply record. Nothing on a failed read or a length field above 4096; otherwise the body
// up to its first CR plus a NUL, or (no CR) the body, a NUL and zero fill up to at least 256 bytes.
// `leftover` (when given) is set when the record did not end where it should: a failed or timed-out
// read, a refused length, a length field without digits, fewer body bytes than announced. The rest
// of that record (or a late one) may then still wait in the pipe and would be taken for the answer
// to the next frame; the caller drains the pipe before it sends again. It is cleared otherwise.
std::optional<QByteArray> readReply(const ReplyReader& read, const ErrorSink& errorSink,
                                    bool* leftover = nullptr);
// The body length the eight length characters announce, read like strtol (white space, sign, digits)
// and taken as unsigned 32 bits, so a negative length reads as a huge one.
std::uint32_t replyBodyLength(const char* digits, std::size_t count);
// Whether the length characters hold a number at all (white space, a sign, at least one digit).
bool replyLengthHasDigits(const char* digits, std::size_t count);

// ---- Reply to value ------------------------------------------------------------------------------
// "NULL" when there was no reply or it is empty; otherwise the bytes up to the first NUL as UTF-8
// (bytes that are not UTF-8 become U+FFFD: the printers answer in ASCII, and a damaged reply must
// still give a text that can be stored and shown).
QString replyText(const std::optional<QByteArray>& reply);
// The bytes up to the first NUL as UTF-8, as above.
QString textUpToNul(const QByteArray& bytes);
// Leading decimal integer (white space, sign, digits; 0 without digits), saturating at 32 / 64 bits.
int intValue(const QString& text);
qint64 integerValue(const QString& text);
// True when, after white space, a sign and leading zeros, the next character is Y, y, T, t or 1-9.
// (Version numbers are read by TBFirmwarePackage::versionNumber.)
bool boolValue(const QString& text);

QString firmwareVersionValue(const QByteArray& reply); // trimmed text
QString lifetimeCounterValue(const QByteArray& reply); // "CL0001234" -> "1234"
QString usbISerialValue(const QByteArray& reply);      // "01" -> "1", "" stays ""

// ---- Status -------------------------------------------------------------------------------------
// The status text for a status code: "Firmware Update Mode", "<NULL>" for nothing, the table's text
// for the code's leading number, "Unknown Status" otherwise.
QString stringForHVStatusString(const std::optional<QString>& code);

// ---- Payloads -----------------------------------------------------------------------------------
constexpr char kCounterResetTag = 'C';
constexpr char kUSBISerialOn = '1';
constexpr char kUSBISerialOff = '0';
QByteArray counterResetPayload(char counter); // 'C', counter, CR, NUL
QByteArray usbISerialPayload(bool on);        // '0', '1'/'0', CR, NUL
QByteArray commandPayloadForMediaSD();        // "0001"
QByteArray commandPayloadForMediaPP();        // "0003"
bool isResettableCounter(char counter);       // 'A', 'B', 'M'

// ---- Colour-table queries -----------------------------------------------------------------------
enum class MediaSelector { None, SD, PP };
struct ColorTableQuery {
    TBPrinterCommandCode code;
    MediaSelector media;
    const char* key;       // device-info key the answer is stored under
    const char* logFormat; // one "%s" for the value
};
QByteArray payloadForMedia(MediaSelector media);

} // namespace zev
