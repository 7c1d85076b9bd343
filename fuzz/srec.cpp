// Feeds arbitrary bytes to the S-record check, the S0 header reader and the word padding: none may
// crash or read outside the input, the check must agree with a plain reading of the record rule,
// and the padding must keep the input and add only zero bytes.
#include "Classes/TBFirmwarePackage.h"
#include "fuzz_support.h"

#include <QStringList>
#include <QUtf8StringView>

#include <cstdint>
#include <cstdlib>
#include <cstring>

// The padding logs a line per call.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::silenceTargetStderr(argc, argv);
    return 0;
}

namespace {

// The S-record rule written the slow, obvious way, to hold the optimised check to it.
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
unsigned pairValue(const QByteArray& line, qsizetype at) {
    const int high = hexDigit(line[at]);
    if (high < 0) return 0;
    const int low = hexDigit(line[at + 1]);
    return low < 0 ? unsigned(high) : unsigned(high * 16 + low);
}
bool referenceLineIsGood(const QByteArray& line) {
    const qsizetype length = line.size();
    if (length < 4 || line[0] != 'S' || line[1] < '0' || line[1] > '9') return false;
    const unsigned count = pairValue(line, 2);
    if (unsigned((length - 4) / 2) != count) return false;
    unsigned long long sum = count;
    long last = -1;
    for (qsizetype i = 4; i < length - 1; i += 2) {
        if (last >= 0) sum += unsigned(last);
        last = long(pairValue(line, i));
    }
    return last >= 0 && unsigned(last) == (~sum & 0xFFu);
}
bool referenceVerify(const QByteArray& data) {
    if (data.isEmpty()) return false;
    const qsizetype nul = data.indexOf('\0');
    const QByteArray text = nul < 0 ? data : data.left(nul);
    if (!QUtf8StringView(text).isValidUtf8()) return false;
    const QString decoded = QString::fromUtf8(text);
    QString current;
    QStringList lines;
    for (QChar c : decoded) {
        const char16_t u = c.unicode();
        if ((u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029) {
            lines.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    lines.append(current);
    for (const QString& line : lines)
        if (!line.isEmpty() && !referenceLineIsGood(line.toUtf8())) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that ASan sees any read past the end.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool good = TBFirmwarePackage::verifySRecData(bytes);
    if (good != referenceVerify(bytes)) std::abort();
    const auto header = TBFirmwarePackage::imageHeader(bytes);
    // A header comes only from good records ahead of any data record.
    if (header && header->text.size() > 255) std::abort();

    const QByteArray padded = TBFirmwarePackage::paddedData(bytes);
    if (padded.size() % 4 != 0 && !bytes.isEmpty()) std::abort();
    if (padded.size() - bytes.size() > 3 || padded.size() < bytes.size()) std::abort();
    if (std::memcmp(padded.constData(), bytes.constData(), size_t(bytes.size())) != 0) std::abort();
    for (qsizetype i = bytes.size(); i < padded.size(); ++i)
        if (padded[i] != '\0') std::abort();
    return 0;
}
