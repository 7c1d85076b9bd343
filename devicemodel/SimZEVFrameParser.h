// The printer side of the command framing: splits the byte stream written to the bulk-out pipe into
// command frames (ESC 'P', six-character command word, sixteen-character sub-command field, eight
// length characters, payload). Pure and single-threaded; the simulated printer owns one.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace sim {

// The frame and reply layout as the printers' firmware reads and writes it.
namespace wire {
constexpr char kEscape = 0x1B;
constexpr char kIntroducer = 'P';
constexpr qsizetype kCommandOffset = 2;
constexpr qsizetype kCommandLength = 6;
constexpr qsizetype kSubCommandOffset = 8;
constexpr qsizetype kSubCommandLength = 16;
constexpr char kSubCommandFill = ' ';
constexpr qsizetype kLengthOffset = 24;
constexpr qsizetype kLengthDigits = 8;
constexpr qsizetype kHeaderSize = 32;
// A reply record: eight decimal digits of body length, then the body, closed by a carriage return.
constexpr qsizetype kReplyLengthDigits = 8;
constexpr char kReplyEnd = '\r';
} // namespace wire

struct SimZEVFrame {
    QByteArray command;     // the six characters of the command word, blanks included ("INFO  ")
    QByteArray subCommand;  // the sub-command field without its trailing blanks ("FVER")
    QByteArray lengthField; // the eight characters as sent (blanks when there is no payload)
    QByteArray payload;
    QByteArray raw; // the whole frame as it arrived

    // "INFO  FVER": the same text the host logs for the command.
    QString words() const { return QString::fromLatin1(command + subCommand); }
    bool is(const char* commandWord, const char* subCommandWord) const {
        return command == commandWord && subCommand == subCommandWord;
    }
};

class SimZEVFrameParser {
public:
    // Payloads beyond this are taken as a broken stream rather than buffered without end.
    static constexpr qsizetype kMaxPayload = 64 * 1024 * 1024;

    // Appends bytes and returns every frame they complete. Bytes before an ESC 'P' are dropped, so the
    // parser finds the next frame after garbage.
    std::vector<SimZEVFrame> feed(const QByteArray& bytes);
    // Bytes dropped so far because they did not start a frame.
    qsizetype discardedBytes() const { return discarded_; }
    void reset() { pending_.clear(); }

private:
    QByteArray pending_;
    qsizetype discarded_ = 0;
};

} // namespace sim
