// QRVX_Base: the string, data and date helpers.
#include "support/QRVX_Base.h"

#include <QRegularExpression>
#include <QSysInfo>

#include <unicode/smpdtfmt.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr qsizetype kHexBytesPerLine = 16;
constexpr qsizetype kHexCellsBeforeGap = 8;
constexpr std::uint8_t kUtf8Bom[] = {0xEF, 0xBB, 0xBF};
constexpr char16_t kBom16 = 0xFEFF;
constexpr char16_t kSwappedBom16 = 0xFFFE;
constexpr char32_t kBom32 = 0x0000FEFF;
constexpr char32_t kSwappedBom32 = 0xFFFE0000;

struct EncodingInfo {
    const char* converter; // ICU converter name
    int unitSize;          // bytes the encoding needs for "."
};

constexpr bool hostIsBigEndian = QSysInfo::ByteOrder == QSysInfo::BigEndian;

std::optional<EncodingInfo> encodingInfo(std::uint64_t encoding) {
    switch (encoding) {
    case QRVX_Base::ASCIIEncoding:
        return EncodingInfo{"US-ASCII", 1};
    case QRVX_Base::JapaneseEUCEncoding:
        return EncodingInfo{"EUC-JP", 1};
    case QRVX_Base::UTF8Encoding:
        return EncodingInfo{"UTF-8", 1};
    case QRVX_Base::ISOLatin1Encoding:
        return EncodingInfo{"ISO-8859-1", 1};
    case QRVX_Base::ShiftJISEncoding:
        return EncodingInfo{"Shift_JIS", 1};
    case QRVX_Base::ISOLatin2Encoding:
        return EncodingInfo{"ISO-8859-2", 1};
    case QRVX_Base::WindowsCP1251Encoding:
        return EncodingInfo{"windows-1251", 1};
    case QRVX_Base::WindowsCP1252Encoding:
        return EncodingInfo{"windows-1252", 1};
    case QRVX_Base::WindowsCP1253Encoding:
        return EncodingInfo{"windows-1253", 1};
    case QRVX_Base::WindowsCP1254Encoding:
        return EncodingInfo{"windows-1254", 1};
    case QRVX_Base::WindowsCP1250Encoding:
        return EncodingInfo{"windows-1250", 1};
    case QRVX_Base::ISO2022JPEncoding:
        return EncodingInfo{"ISO-2022-JP", 1};
    case QRVX_Base::MacOSRomanEncoding:
        return EncodingInfo{"macintosh", 1};
    case QRVX_Base::UTF16Encoding:
        return EncodingInfo{hostIsBigEndian ? "UTF-16BE" : "UTF-16LE", 2};
    case QRVX_Base::UTF16BigEndianEncoding:
        return EncodingInfo{"UTF-16BE", 2};
    case QRVX_Base::UTF16LittleEndianEncoding:
        return EncodingInfo{"UTF-16LE", 2};
    case QRVX_Base::UTF32Encoding:
        return EncodingInfo{hostIsBigEndian ? "UTF-32BE" : "UTF-32LE", 4};
    case QRVX_Base::UTF32BigEndianEncoding:
        return EncodingInfo{"UTF-32BE", 4};
    case QRVX_Base::UTF32LittleEndianEncoding:
        return EncodingInfo{"UTF-32LE", 4};
    default:
        return std::nullopt;
    }
}

// Strict conversion: any byte sequence that is not valid in the encoding answers none.
std::optional<QString> decodeStrict(const char* converterName, const char* bytes, qsizetype count) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open(converterName, &status),
                                                                 ucnv_close);
    if (U_FAILURE(status) || !converter) return std::nullopt;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) return std::nullopt;
    // No encoding here yields more UTF-16 units than it has bytes; one more for ICU's terminator.
    QString text(count + 1, Qt::Uninitialized);
    const int32_t length =
        ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()),
                      static_cast<int32_t>(text.size()), bytes, static_cast<int32_t>(count), &status);
    if (U_FAILURE(status) || length < 0 || length > count) return std::nullopt;
    text.truncate(length);
    return text;
}

template <typename Unit> Unit readUnit(const unsigned char* at) {
    Unit unit;
    std::memcpy(&unit, at, sizeof unit); // the bytes need not be aligned
    return unit;
}

// Counts bytes in whole code units up to the first zero unit, never past `bound` (0: none).
template <typename Unit> std::uint64_t countUnits(const unsigned char* bytes, std::uint64_t bound) {
    std::uint64_t count = 0;
    while ((bound == 0 || count + sizeof(Unit) <= bound) && readUnit<Unit>(bytes + count) != 0)
        count += sizeof(Unit);
    return count;
}

QString replaceAll(QString working, const QString& search, const QString& value, std::uint64_t options) {
    const Qt::CaseSensitivity cs =
        (options & QRVX_Base::CaseInsensitiveSearch) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (options & QRVX_Base::RegularExpressionSearch) {
        QRegularExpression::PatternOptions patternOptions = QRegularExpression::UseUnicodePropertiesOption;
        if (cs == Qt::CaseInsensitive) patternOptions |= QRegularExpression::CaseInsensitiveOption;
        QRegularExpression expression(search, patternOptions);
        if (!expression.isValid() || search.isEmpty()) return working;
        return working.replace(expression, value);
    }
    // An empty search text would otherwise match between every two characters.
    if (search.isEmpty()) return working;
    if (options & QRVX_Base::AnchoredSearch) {
        // Anchored: only at the start (or, searching backwards, the end) of the working text.
        if (options & QRVX_Base::BackwardsSearch) {
            if (working.endsWith(search, cs))
                working.replace(working.size() - search.size(), search.size(), value);
        } else if (working.startsWith(search, cs)) {
            working.replace(0, search.size(), value);
        }
        return working;
    }
    return working.replace(search, value, cs);
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

// The code point that starts at `at`, moving `at` past it. A lone surrogate stands for itself.
char32_t nextCodePoint(QStringView text, qsizetype& at) {
    const QChar unit = text[at++];
    if (unit.isHighSurrogate() && at < text.size() && text[at].isLowSurrogate())
        return QChar::surrogateToUcs4(unit, text[at++]);
    return unit.unicode();
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Compares the digit runs that start at `ia` and `ib` by their value, moving both past their run.
// Runs of any length: leading zeros go, then the longer run is the larger number.
int compareDigitRuns(QStringView a, qsizetype& ia, QStringView b, qsizetype& ib) {
    const auto significantDigits = [](QStringView text, qsizetype& at) {
        while (at < text.size() && text[at] == u'0')
            ++at;
        const qsizetype start = at;
        while (at < text.size() && isAsciiDigit(text[at]))
            ++at;
        return text.sliced(start, at - start);
    };
    const QStringView da = significantDigits(a, ia);
    const QStringView db = significantDigits(b, ib);
    if (da.size() != db.size()) return da.size() < db.size() ? -1 : 1;
    return sign(da.compare(db));
}

// The last path component without its extension. Trailing slashes do not count ("/a/b/" is "b"),
// and the extension is what follows the last dot only when something other than dots precedes it,
// so ".profile" and ".." keep their names.
QStringView nameWithoutExtension(QStringView path) {
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == u'/')
        --end;
    path = path.first(end);
    if (path == u"/") return path;
    QStringView name = path.sliced(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0) {
        const QStringView stem = name.first(dot);
        if (std::any_of(stem.begin(), stem.end(), [](QChar c) { return c != u'.'; })) name = stem;
    }
    return name;
}

} // namespace

std::optional<QString> QRVX_Base::stringWithUTSFormat(const QDateTime& date, const QString& pattern) {
    if (!date.isValid()) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString icuPattern(reinterpret_cast<const UChar*>(pattern.utf16()),
                                        static_cast<int32_t>(pattern.size()));
    icu::SimpleDateFormat formatter(icuPattern, status); // default locale and time zone
    if (U_FAILURE(status)) return std::nullopt;
    icu::UnicodeString result;
    formatter.format(static_cast<UDate>(date.toMSecsSinceEpoch()), result, status);
    if (U_FAILURE(status)) return std::nullopt;
    return QString(reinterpret_cast<const QChar*>(result.getBuffer()), result.length());
}

QString QRVX_Base::hexListingBody(QByteArrayView bytes) {
    QString body;
    body.reserve(80);
    for (qsizetype i = 0; i < kHexBytesPerLine; ++i) {
        if (i < bytes.size())
            body += QString::asprintf("%.2x ", static_cast<unsigned char>(bytes[i]));
        else
            body += QLatin1String("   ");
        if (i == kHexCellsBeforeGap - 1) body += QLatin1Char(' ');
    }
    body += QLatin1String(" |");
    for (qsizetype i = 0; i < std::min(bytes.size(), kHexBytesPerLine); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '%')
            body += QLatin1String("%%"); // the column has always shown "%" doubled
        else if (byte >= 0x20 && byte <= 0x7E)
            body += QLatin1Char(static_cast<char>(byte));
        else
            body += QLatin1Char('.');
    }
    body += QLatin1Char('|');
    return body;
}

QString QRVX_Base::hexdump(QByteArrayView data, std::uint64_t location, std::uint64_t length) {
    const auto size = static_cast<std::uint64_t>(data.size());
    const std::uint64_t begin = std::min(location, size);
    const std::uint64_t end = begin + std::min(length, size - begin);

    QString listing;
    QString previous;
    unsigned long repeats = 0;
    const auto flushRepeats = [&] {
        if (repeats > 0) listing += QString::asprintf("* last line repeated %lu times\n", repeats);
        repeats = 0;
    };
    for (std::uint64_t offset = begin; offset < end; offset += kHexBytesPerLine) {
        const auto count = static_cast<qsizetype>(std::min<std::uint64_t>(kHexBytesPerLine, end - offset));
        const QString body = hexListingBody(data.sliced(static_cast<qsizetype>(offset), count));
        if (offset != begin && body == previous) {
            ++repeats;
            continue;
        }
        flushRepeats();
        listing += QString::asprintf("%.8lx ", static_cast<unsigned long>(offset)) + body + QLatin1Char('\n');
        previous = body;
    }
    flushRepeats();
    return listing;
}

std::optional<QString> QRVX_Base::stringWithCString(const void* bytes, std::uint64_t maxLength,
                                                    std::uint64_t encoding) {
    const auto info = encodingInfo(encoding);
    if (!info || bytes == nullptr) return std::nullopt;
    const auto unitSize = static_cast<std::uint64_t>(info->unitSize);
    if (maxLength != 0 && maxLength < unitSize) return std::nullopt;

    auto start = static_cast<const unsigned char*>(bytes);
    std::uint64_t count = 0;
    bool hasByteOrderMark = false;
    if (unitSize == 1) {
        std::uint64_t bound = maxLength;
        // Short-circuit order keeps the reads inside a zero-terminated or bounded buffer.
        if (encoding == UTF8Encoding && (maxLength == 0 || maxLength > 3) && start[0] == kUtf8Bom[0] &&
            start[1] == kUtf8Bom[1] && start[2] == kUtf8Bom[2]) {
            start += 3;
            if (bound != 0) bound -= 3;
        }
        count = bound == 0 ? std::strlen(reinterpret_cast<const char*>(start))
                           : static_cast<std::uint64_t>(std::find(start, start + bound, 0) - start);
    } else if (unitSize == 2) {
        count = countUnits<char16_t>(start, maxLength);
        if (count > 0) {
            const char16_t first = readUnit<char16_t>(start);
            hasByteOrderMark = first == kBom16 || first == kSwappedBom16;
        }
    } else if (unitSize == 4) {
        count = countUnits<char32_t>(start, maxLength);
        if (count > 0) {
            const char32_t first = readUnit<char32_t>(start);
            hasByteOrderMark = first == kBom32 || first == kSwappedBom32;
        }
    }
    if (count == 0) return QString(QLatin1String(""));
    if (count > static_cast<std::uint64_t>(std::numeric_limits<int32_t>::max() / 2)) return std::nullopt;

    // With a byte-order mark the generic converters read it, take their byte order from it and drop it.
    const char* converter = info->converter;
    if (hasByteOrderMark) converter = unitSize == 2 ? "UTF-16" : "UTF-32";
    return decodeStrict(converter, reinterpret_cast<const char*>(start), static_cast<qsizetype>(count));
}

QString QRVX_Base::stringByDeletingCharactersInSet(const QString& text,
                                                   const std::function<bool(char32_t)>& inSet) {
    if (!inSet) return text;
    QString kept;
    kept.reserve(text.size());
    // A surrogate pair is kept or deleted as one character; whatever is kept is copied unit by
    // unit, so a lone surrogate survives as it was.
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype start = at;
        if (!inSet(nextCodePoint(text, at))) kept.append(QStringView(text).sliced(start, at - start));
    }
    return kept;
}

QString QRVX_Base::stringByReplacingSubStrings(const QString& text, const QStringList& searches,
                                               const QStringList& values, std::uint64_t options,
                                               qsizetype location, qsizetype length) {
    // A range outside the text is clamped rather than trusted.
    const qsizetype begin = std::clamp<qsizetype>(location, 0, text.size());
    const qsizetype count = std::clamp<qsizetype>(length, 0, text.size() - begin);
    QString working = text.mid(begin, count);
    for (qsizetype i = 0; i < searches.size(); ++i)
        working =
            replaceAll(std::move(working), searches[i], i < values.size() ? values[i] : QString(), options);
    return text.left(begin) + working + text.mid(begin + count);
}

int QRVX_Base::numericalCaseInsensitiveCompare(const QString& a, const QString& b) {
    // By character value, not by a locale's collation, so the order is the same on every machine.
    qsizetype ia = 0;
    qsizetype ib = 0;
    while (ia < a.size() && ib < b.size()) {
        if (isAsciiDigit(a[ia]) && isAsciiDigit(b[ib])) {
            if (const int order = compareDigitRuns(a, ia, b, ib)) return order;
            continue;
        }
        const char32_t ca = QChar::toCaseFolded(nextCodePoint(a, ia));
        const char32_t cb = QChar::toCaseFolded(nextCodePoint(b, ib));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return (ia < a.size()) - (ib < b.size());
}

int QRVX_Base::myLocalizedCompare(const QString& a, const QString& b) {
    return sign(nameWithoutExtension(a).compare(nameWithoutExtension(b), Qt::CaseInsensitive));
}
