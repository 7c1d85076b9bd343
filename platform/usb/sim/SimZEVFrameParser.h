// The printer side of the command framing: splits the byte stream written to the bulk-out pipe into
// command frames (ESC 'P', six-character command word, sixteen-character sub-command field, eight
// length characters, payload). Pure and single-threaded; the simulated printer owns one.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace sim {

struct SimZEVFrame {
    QByteArray command;     // the six characters of the command word, blanks included ("INFO  ")
    QByteArray subCommand;  // the sub-command field without its trailing blanks ("FVER")
    QByteArray lengthField; // the eight characters as sent (blanks when there is no payload)
    QByteArray payload;
    QByteArray raw;         // the whole frame as it arrived

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
