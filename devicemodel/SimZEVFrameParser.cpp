#include "devicemodel/SimZEVFrameParser.h"

namespace sim {

namespace {

// The printer reads the leading digits of the length field; blanks (no payload) read as 0.
qsizetype lengthFromField(const QByteArray& field) {
    qsizetype value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::vector<SimZEVFrame> SimZEVFrameParser::feed(const QByteArray& bytes) {
    pending_.append(bytes);
    std::vector<SimZEVFrame> frames;
    for (;;) {
        // Resynchronise on the frame introducer; keep a trailing ESC that may begin the next one.
        const char introducer[] = {wire::kEscape, wire::kIntroducer};
        qsizetype start = pending_.indexOf(QByteArrayView(introducer, 2));
        if (start < 0) start = pending_.endsWith(wire::kEscape) ? pending_.size() - 1 : pending_.size();
        if (start > 0) {
            discarded_ += start;
            pending_.remove(0, start);
        }
        if (pending_.size() < wire::kHeaderSize) break;

        const QByteArray lengthField = pending_.mid(wire::kLengthOffset, wire::kLengthDigits);
        const qsizetype length = lengthFromField(lengthField);
        if (length > kMaxPayload) {
            // Drop the broken header and look for the next frame.
            discarded_ += 2;
            pending_.remove(0, 2);
            continue;
        }
        if (pending_.size() < wire::kHeaderSize + length) break;

        SimZEVFrame frame;
        frame.raw = pending_.left(wire::kHeaderSize + length);
        frame.command = frame.raw.mid(wire::kCommandOffset, wire::kCommandLength);
        frame.subCommand = frame.raw.mid(wire::kSubCommandOffset, wire::kSubCommandLength);
        while (frame.subCommand.endsWith(wire::kSubCommandFill))
            frame.subCommand.chop(1);
        frame.lengthField = lengthField;
        frame.payload = frame.raw.mid(wire::kHeaderSize);
        pending_.remove(0, frame.raw.size());
        frames.push_back(std::move(frame));
    }
    return frames;
}

} // namespace sim
