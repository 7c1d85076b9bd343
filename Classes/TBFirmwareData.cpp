// Checks of the firmware image's S-record text and preparation of the payloads the update sends.
#include "Classes/TBFirmwarePackage.h"

#include "platform/platformlog.h"
#include "platform/resources.h"

#include <QFile>
#include <QUrl>

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Payloads go out in whole 32-bit words; the gap is filled with zero bytes.
constexpr qsizetype kWordSize = 4;
constexpr char kWordFill = '\0';

// An S-record line: 'S', the type digit, two hex digits of byte count, then count bytes as hex
// (address, data, checksum).
constexpr char kRecordMark = 'S';
constexpr qsizetype kRecordHeaderLength = 4; // "S", type, two count digits
constexpr qsizetype kCountOffset = 2;
constexpr char kHeaderRecordType = '0';
constexpr qsizetype kHeaderAddressBytes = 2;

// Hex digit values; -1 for everything else.
constexpr std::array<int8_t, 256> makeHexTable() {
    std::array<int8_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = -1;
    for (int i = 0; i < 10; ++i)
        table['0' + i] = int8_t(i);
    for (int i = 0; i < 6; ++i) {
        table['a' + i] = int8_t(10 + i);
        table['A' + i] = int8_t(10 + i);
    }
    return table;
}
constexpr auto kHexValue = makeHexTable();

// A two-character hex number read the way strtol reads it: up to the first non-hex character, so
// "1G" is 1 and "G1" is 0.
inline unsigned hexPair(const unsigned char* p) {
    const int high = kHexValue[p[0]];
    if (high < 0) return 0;
    const int low = kHexValue[p[1]];
    return low < 0 ? unsigned(high) : unsigned(high * 16 + low);
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no truncated sequence.
bool isValidUtf8(const unsigned char* p, size_t length) {
    const unsigned char* const end = p + length;
    while (p < end) {
        // Skip ASCII eight bytes at a time; S-record text is nearly always pure ASCII.
        while (end - p >= 8) {
            uint64_t block;
            std::memcpy(&block, p, sizeof block);
            if (block & 0x8080808080808080ull) break;
            p += 8;
        }
        if (p == end) break;
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        size_t extra;
        uint32_t minimum;
        uint32_t codePoint;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1, minimum = 0x80, codePoint = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, minimum = 0x800, codePoint = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, minimum = 0x10000, codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (size_t(end - p) <= extra) return false;
        for (size_t i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            codePoint = (codePoint << 6) | (p[i] & 0x3F);
        }
        if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

// Line breaks: LF, VT, FF, CR, and in UTF-8 NEL (C2 85), LINE SEPARATOR (E2 80 A8) and PARAGRAPH
// SEPARATOR (E2 80 A9). Returns the break's length at p, 0 when p starts no break. The text is
// valid UTF-8, so a lead byte is always followed by its continuation bytes.
inline size_t lineBreakLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = *p;
    if (c >= 0x0A && c <= 0x0D) return 1;
    if (c == 0xC2 && end - p >= 2 && p[1] == 0x85) return 2;
    if (c == 0xE2 && end - p >= 3 && p[1] == 0x80 && (p[2] == 0xA8 || p[2] == 0xA9)) return 3;
    return 0;
}

// Bytes that may start a line break; everything else is skipped in one table lookup.
constexpr std::array<bool, 256> makeBreakStartTable() {
    std::array<bool, 256> table{};
    for (int c = 0x0A; c <= 0x0D; ++c)
        table[c] = true;
    table[0xC2] = true;
    table[0xE2] = true;
    return table;
}
constexpr auto kMayStartBreak = makeBreakStartTable();

// The text an S-record check looks at: the bytes before the first NUL, when they are valid UTF-8.
// Returns false for text that is not.
bool recordText(const QByteArray& data, const unsigned char*& begin, const unsigned char*& end) {
    begin = reinterpret_cast<const unsigned char*>(data.constData());
    const void* nul = std::memchr(begin, 0, size_t(data.size()));
    end = nul ? static_cast<const unsigned char*>(nul) : begin + data.size();
    return isValidUtf8(begin, size_t(end - begin));
}

// Calls lineFn(begin, length) for every line, empty ones included (a CR LF pair yields an empty line
// between its two characters; a final break yields an empty last line). Stops when lineFn returns
// false and then returns false.
template <typename LineFn>
bool forEachLine(const unsigned char* p, const unsigned char* const end, LineFn&& lineFn) {
    for (;;) {
        const unsigned char* q = p;
        size_t breakLength = 0;
        while (q < end) {
            if (kMayStartBreak[*q] && (breakLength = lineBreakLength(q, end)) != 0) break;
            ++q;
        }
        if (!lineFn(p, size_t(q - p))) return false;
        if (q == end) return true;
        p = q + breakLength;
    }
}

// One record line: mark, type digit, count, length matching the count (an extra odd character is
// never read), and the checksum: the ones' complement of the low byte of the sum of the count and
// every byte before the checksum.
bool isGoodRecord(const unsigned char* s, size_t length) {
    if (length < size_t(kRecordHeaderLength)) return false;
    if (s[0] != kRecordMark) return false;
    if (s[1] < '0' || s[1] > '9') return false;
    const unsigned count = hexPair(s + kCountOffset);
    if ((length - kRecordHeaderLength) / 2 != count) return false;
    uint64_t sum = count;
    int last = -1;
    for (size_t i = kRecordHeaderLength; i + 1 < length; i += 2) {
        if (last >= 0) sum += unsigned(last);
        last = int(hexPair(s + i));
    }
    return last >= 0 && unsigned(last) == (~sum & 0xFFu);
}

// Sums the `count` bytes written as 2 * count hex digits at `text`; false when any character is
// not a hex digit. Only the low byte of the sum matters to the caller.
bool sumHexBytesScalar(const unsigned char* text, unsigned count, uint32_t* sum) {
    uint32_t total = 0;
    int invalid = 0;
    for (unsigned i = 0; i < count; ++i) {
        const int high = kHexValue[text[2 * i]];
        const int low = kHexValue[text[2 * i + 1]];
        invalid |= high | low;
        total += uint32_t(high * 16 + low);
    }
    *sum += total;
    return invalid >= 0;
}

#if defined(__SSE2__)
// Sixteen hex digits (eight bytes) per step: at 20 MiB an image is checked in milliseconds.
bool sumHexBytes(const unsigned char* text, unsigned count, uint32_t* sum) {
    const __m128i bias = _mm_set1_epi8(char(0x80));
    const __m128i zeroChar = _mm_set1_epi8('0');
    const __m128i lowerA = _mm_set1_epi8('a');
    const __m128i caseBit = _mm_set1_epi8(0x20);
    const __m128i ten = _mm_set1_epi8(10);
    const __m128i digitLimit = _mm_set1_epi8(char(10 ^ 0x80));
    const __m128i letterLimit = _mm_set1_epi8(char(6 ^ 0x80));
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    __m128i accumulator = _mm_setzero_si128();
    __m128i invalid = _mm_setzero_si128();
    unsigned done = 0;
    // A record has at most 255 bytes: 32 steps of 8 bytes of at most 255 fit a 16-bit lane.
    for (; done + 8 <= count; done += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * done));
        // Unsigned "x < limit" as a signed compare after flipping the top bit.
        const __m128i digit = _mm_sub_epi8(chars, zeroChar);
        const __m128i isDigit = _mm_cmplt_epi8(_mm_xor_si128(digit, bias), digitLimit);
        const __m128i letter = _mm_sub_epi8(_mm_or_si128(chars, caseBit), lowerA);
        const __m128i isLetter = _mm_cmplt_epi8(_mm_xor_si128(letter, bias), letterLimit);
        invalid = _mm_or_si128(invalid, _mm_andnot_si128(_mm_or_si128(isDigit, isLetter), _mm_set1_epi8(-1)));
        const __m128i nibbles =
            _mm_or_si128(_mm_and_si128(digit, isDigit), _mm_and_si128(_mm_add_epi8(letter, ten), isLetter));
        // Little-endian lanes: the high nibble (first character) is the low byte of each lane.
        const __m128i bytes =
            _mm_add_epi16(_mm_slli_epi16(_mm_and_si128(nibbles, lowBytes), 4), _mm_srli_epi16(nibbles, 8));
        accumulator = _mm_add_epi16(accumulator, bytes);
    }
    if (_mm_movemask_epi8(invalid) != 0) return false;
    alignas(16) uint16_t lanes[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), accumulator);
    for (uint16_t lane : lanes)
        *sum += lane;
    return sumHexBytesScalar(text + 2 * done, count - done, sum);
}
#else
bool sumHexBytes(const unsigned char* text, unsigned count, uint32_t* sum) {
    return sumHexBytesScalar(text, count, sum);
}
#endif

// The common case, decided without searching for the line's end: a record whose count and hex body
// are intact tells where its line must end. Good sets *lineLength. Undecided (empty line, another
// letter, a non-hex character, a text that ends inside the record) leaves the line to the general
// check, which gives the same verdict for every line; the fuzzer holds the two to that.
enum class QuickVerdict { Good, Bad, Undecided };
QuickVerdict quickRecord(const unsigned char* p, const unsigned char* end, size_t* lineLength) {
    const size_t available = size_t(end - p);
    if (available < size_t(kRecordHeaderLength) || p[0] != kRecordMark || p[1] < '0' || p[1] > '9')
        return QuickVerdict::Undecided;
    const int countHigh = kHexValue[p[kCountOffset]];
    const int countLow = kHexValue[p[kCountOffset + 1]];
    if ((countHigh | countLow) < 0) return QuickVerdict::Undecided;
    const unsigned count = unsigned(countHigh * 16 + countLow);
    const size_t recordLength = size_t(kRecordHeaderLength) + 2 * size_t(count);
    if (count == 0 || available < recordLength) return QuickVerdict::Undecided;

    // Every body character a hex digit also means no line break inside the record.
    const unsigned char* body = p + kRecordHeaderLength;
    uint32_t total = 0;
    if (!sumHexBytes(body, count, &total)) return QuickVerdict::Undecided;

    // The line is the record, or the record and one character never read; anything longer breaks
    // the count rule.
    const unsigned char* after = p + recordLength;
    if (after == end || lineBreakLength(after, end) != 0) {
        *lineLength = recordLength;
    } else if (after + 1 == end || lineBreakLength(after + 1, end) != 0) {
        *lineLength = recordLength + 1;
    } else {
        return QuickVerdict::Bad;
    }
    const unsigned checksum = hexPair(body + 2 * (count - 1));
    const uint64_t sum = uint64_t(count) + total - checksum;
    return checksum == (~sum & 0xFFu) ? QuickVerdict::Good : QuickVerdict::Bad;
}

} // namespace

bool TBFirmwarePackage::verifySRecData(const QByteArray& data) {
    if (data.isEmpty()) return false;
    const unsigned char* begin;
    const unsigned char* end;
    if (!recordText(data, begin, end)) return false;
    // Every line, also an empty one, counts as seen; so a text of only line breaks (or nothing
    // before its NUL) passes, and one bad record fails the whole file.
    const unsigned char* p = begin;
    for (;;) {
        size_t length = 0;
        switch (quickRecord(p, end, &length)) {
        case QuickVerdict::Good:
            break;
        case QuickVerdict::Bad:
            return false;
        case QuickVerdict::Undecided: {
            const unsigned char* q = p;
            while (q < end && !(kMayStartBreak[*q] && lineBreakLength(q, end) != 0))
                ++q;
            length = size_t(q - p);
            if (length != 0 && !isGoodRecord(p, length)) return false;
            break;
        }
        }
        const unsigned char* lineEnd = p + length;
        if (lineEnd == end) return true;
        p = lineEnd + lineBreakLength(lineEnd, end);
    }
}

bool TBFirmwarePackage::verifyMotorolaSFile(const QVariant& source) {
    QByteArray data;
    switch (source.typeId()) {
    case QMetaType::QByteArray:
        data = source.toByteArray();
        break;
    case QMetaType::QUrl: {
        const QUrl url = source.toUrl();
        if (url.isLocalFile()) data = readWholeFile(url.toLocalFile()).value_or(QByteArray());
        break;
    }
    case QMetaType::QString:
        data = readWholeFile(source.toString()).value_or(QByteArray());
        break;
    default:
        break;
    }
    return verifySRecData(data);
}

QByteArray TBFirmwarePackage::paddedData(const QByteArray& data) {
    QByteArray copy = data;
    padData(copy);
    return copy;
}

void TBFirmwarePackage::padData(QByteArray& data) {
    const qsizetype length = data.size();
    if (length == 0 || length % kWordSize == 0) return;
    const qsizetype padded = length + kWordSize - length % kWordSize;
    data.append(padded - length, kWordFill);
    platform::platformLog("padding data of length %u to length %u", unsigned(length), unsigned(padded));
}

QByteArray TBFirmwarePackage::paddedColorDataForVersion(const QString& fileName) {
    QString path;
    const QByteArray contents = platform::resources::dataForResourceFile(fileName, &path);
    platform::platformLog("got data of length %lu for file at path %s",
                          static_cast<unsigned long>(contents.size()),
                          path.isEmpty() ? "(null)" : path.toUtf8().constData());
    return contents;
}

QStringList TBFirmwarePackage::colorTableNames(FirmwareDeviceInfo& info) {
    // An image and at least two tables make an update; anything shorter has nothing to write.
    constexpr qsizetype kMinimumFileCount = 3;
    const QStringList names = info.value(cFirmwareFilenames).toStringList();
    if (names.size() < kMinimumFileCount) return {};
    return names.mid(1);
}

quint16 TBFirmwarePackage::checksumForData(const QByteArray& data) {
    uint32_t unsignedSum = 0;
    int32_t signedSum = 0;
    for (qsizetype i = data.size(); i-- > 0;) {
        unsignedSum += uint8_t(data[i]);
        signedSum += int8_t(data[i]);
    }
    const uint32_t unsignedComplement = ~unsignedSum;
    const int32_t signedComplement = ~signedSum;
    platform::platformLog("ucount = %u;scount = %d", unsignedSum, signedSum);
    platform::platformLog("u16count = %u;s16count = %d", unsignedComplement, signedComplement);
    platform::platformLog("u16count ~= %.4x;s16count ~= %.4x", unsigned(unsignedComplement & 0xFFFFu),
                          unsigned(int(int16_t(uint16_t(signedComplement)))));
    return quint16(unsignedComplement & 0xFFFFu);
}

std::optional<FirmwareImageHeader> TBFirmwarePackage::imageHeader(const QByteArray& srecordImage) {
    if (srecordImage.isEmpty()) return std::nullopt;
    const unsigned char* begin;
    const unsigned char* end;
    if (!recordText(srecordImage, begin, end)) return std::nullopt;
    std::optional<FirmwareImageHeader> header;
    forEachLine(begin, end, [&header](const unsigned char* line, size_t length) {
        if (length == 0) return true;
        if (!isGoodRecord(line, length)) return false;
        if (line[1] != kHeaderRecordType) return line[1] > '3'; // data before any header: no header
        const unsigned count = hexPair(line + kCountOffset);
        // count covers the address, the text and the checksum byte
        QByteArray text;
        for (unsigned i = kHeaderAddressBytes; i + 1 < count; ++i)
            text.append(char(hexPair(line + kRecordHeaderLength + 2 * i)));
        // The header text may carry padding NULs.
        const qsizetype nul = text.indexOf('\0');
        if (nul >= 0) text.truncate(nul);
        FirmwareImageHeader found;
        found.text = QString::fromUtf8(text).trimmed();
        const qsizetype blank = found.text.lastIndexOf(QLatin1Char(' '));
        found.model = blank < 0 ? found.text : found.text.left(blank);
        found.version = blank < 0 ? QString() : found.text.mid(blank + 1);
        header = found;
        return false;
    });
    return header;
}
