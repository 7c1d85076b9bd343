// The string, data and date helpers and the host facts of QRVX_Base.
#include "platform/hostinfo.h"
#include "support/QRVX_Base.h"

#include <QFileInfo>
#include <QTest>
#include <QTimeZone>

#include <array>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::optional<QString> cstr(const char* bytes, std::uint64_t max, std::uint64_t encoding) {
    return QRVX_Base::stringWithCString(bytes, max, encoding);
}

template <std::size_t N>
std::optional<QString> cbytes(const std::array<unsigned char, N>& bytes, std::uint64_t max,
                              std::uint64_t encoding) {
    return QRVX_Base::stringWithCString(bytes.data(), max, encoding);
}

QDateTime utc(int y, int m, int d, int h = 12) {
    return QDateTime(QDate(y, m, d), QTime(h, 0), QTimeZone::utc());
}

// Rows of a three-way comparison: two texts and the order expected of (a, b).
void addOrderColumns() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order");
}
void addOrderRow(const char* name, const QString& a, const QString& b, int order) {
    QTest::newRow(name) << a << b << order;
}

} // namespace

class StringsTest : public QObject {
    Q_OBJECT
private slots:
    void cStringBoundsAndTerminators() {
        QCOMPARE(cstr("abcdefg", 0, QRVX_Base::ASCIIEncoding), QString("abcdefg"));
        QCOMPARE(cstr("abcdefg", 5, QRVX_Base::ASCIIEncoding), QString("abcde"));
        QCOMPARE(cstr("ab\0cd", 5, QRVX_Base::UTF8Encoding), QString("ab"));
        // The empty C string is the empty text, not none.
        const auto empty = cstr("", 0, QRVX_Base::UTF8Encoding);
        QVERIFY(empty.has_value());
        QVERIFY(empty->isEmpty());
        // A bound must not be read past even without a terminator in sight.
        const std::array<unsigned char, 3> unterminated{'x', 'y', 'z'};
        QCOMPARE(cbytes(unterminated, 3, QRVX_Base::ISOLatin1Encoding), QString("xyz"));
    }

    void cStringByteOrderMarks() {
        const std::array<unsigned char, 5> utf8Bom{0xEF, 0xBB, 0xBF, 'A', 0};
        QCOMPARE(cbytes(utf8Bom, 0, QRVX_Base::UTF8Encoding), QString("A"));
        QCOMPARE(cbytes(utf8Bom, 4, QRVX_Base::UTF8Encoding), QString("A"));
        // A bound of 3 or less does not skip the mark, which then decodes as U+FEFF.
        QCOMPARE(cbytes(utf8Bom, 3, QRVX_Base::UTF8Encoding), QString(QChar(0xFEFF)));

        // UTF-16: the mark decides the byte order whatever the encoding number says, and is removed.
        const std::array<unsigned char, 8> beBom{0xFE, 0xFF, 0x00, 'H', 0x00, 'i', 0, 0};
        const std::array<unsigned char, 8> leBom{0xFF, 0xFE, 'H', 0x00, 'i', 0x00, 0, 0};
        QCOMPARE(cbytes(beBom, 0, QRVX_Base::UTF16Encoding), QString("Hi"));
        QCOMPARE(cbytes(leBom, 0, QRVX_Base::UTF16Encoding), QString("Hi"));
        QCOMPARE(cbytes(beBom, 0, QRVX_Base::UTF16LittleEndianEncoding), QString("Hi"));
        // Without a mark: the named order, or the host's for plain UTF-16.
        const std::array<unsigned char, 6> be{0x00, 'O', 0x00, 'K', 0, 0};
        const std::array<unsigned char, 6> le{'O', 0x00, 'K', 0x00, 0, 0};
        QCOMPARE(cbytes(be, 0, QRVX_Base::UTF16BigEndianEncoding), QString("OK"));
        QCOMPARE(cbytes(le, 0, QRVX_Base::UTF16LittleEndianEncoding), QString("OK"));
        const char16_t host[] = u"ok";
        QCOMPARE(QRVX_Base::stringWithCString(host, 0, QRVX_Base::UTF16Encoding), QString("ok"));
        // An odd bound counts whole units only.
        QCOMPARE(cbytes(be, 3, QRVX_Base::UTF16BigEndianEncoding), QString("O"));

        const std::array<unsigned char, 12> utf32Be{0x00, 0x00, 0xFE, 0xFF, 0x00, 0x01,
                                                    0xF6, 0x00, 0,    0,    0,    0};
        QCOMPARE(cbytes(utf32Be, 0, QRVX_Base::UTF32Encoding), QString::fromUtf8("\xF0\x9F\x98\x80"));
        const char32_t host32[] = U"z\U0001F600";
        QCOMPARE(QRVX_Base::stringWithCString(host32, 0, QRVX_Base::UTF32Encoding),
                 QString::fromUtf8("z\xF0\x9F\x98\x80"));
        QCOMPARE(QRVX_Base::stringWithCString(host32, 4, QRVX_Base::UTF32Encoding), QString("z"));
    }

    void everyListedEncodingDecodes() {
        // Catches a converter the library does not know: "." in each encoding's own code units.
        for (const std::uint64_t encoding :
             {QRVX_Base::ASCIIEncoding, QRVX_Base::JapaneseEUCEncoding, QRVX_Base::UTF8Encoding,
              QRVX_Base::ISOLatin1Encoding, QRVX_Base::ShiftJISEncoding, QRVX_Base::ISOLatin2Encoding,
              QRVX_Base::WindowsCP1251Encoding, QRVX_Base::WindowsCP1252Encoding,
              QRVX_Base::WindowsCP1253Encoding, QRVX_Base::WindowsCP1254Encoding,
              QRVX_Base::WindowsCP1250Encoding, QRVX_Base::ISO2022JPEncoding, QRVX_Base::MacOSRomanEncoding})
            QCOMPARE(cstr(".", 0, encoding), QString("."));
        const char16_t dot16[] = u".";
        const char32_t dot32[] = U".";
        const std::array<unsigned char, 4> be16{0, '.', 0, 0};
        const std::array<unsigned char, 4> le16{'.', 0, 0, 0};
        const std::array<unsigned char, 8> be32{0, 0, 0, '.', 0, 0, 0, 0};
        const std::array<unsigned char, 8> le32{'.', 0, 0, 0, 0, 0, 0, 0};
        QCOMPARE(QRVX_Base::stringWithCString(dot16, 0, QRVX_Base::UTF16Encoding), QString("."));
        QCOMPARE(QRVX_Base::stringWithCString(dot32, 0, QRVX_Base::UTF32Encoding), QString("."));
        QCOMPARE(cbytes(be16, 0, QRVX_Base::UTF16BigEndianEncoding), QString("."));
        QCOMPARE(cbytes(le16, 0, QRVX_Base::UTF16LittleEndianEncoding), QString("."));
        QCOMPARE(cbytes(be32, 0, QRVX_Base::UTF32BigEndianEncoding), QString("."));
        QCOMPARE(cbytes(le32, 0, QRVX_Base::UTF32LittleEndianEncoding), QString("."));
    }

    void cStringBadInputAnswersNone() {
        QVERIFY(!cstr("a", 0, 9999).has_value());                        // unknown encoding
        QVERIFY(!cstr("a", 0, 2).has_value());                           // known elsewhere, not here
        QVERIFY(!cstr(nullptr, 4, QRVX_Base::UTF8Encoding).has_value()); // no bytes at all
        QVERIFY(!cstr("ab", 1, QRVX_Base::UTF16Encoding).has_value());   // bound below one unit
        QVERIFY(!cstr("abcd", 3, QRVX_Base::UTF32Encoding).has_value());
        QVERIFY(!cstr("caf\xC3", 0, QRVX_Base::UTF8Encoding).has_value());      // truncated sequence
        QVERIFY(!cstr("\xC0\xAF", 0, QRVX_Base::UTF8Encoding).has_value());     // overlong
        QVERIFY(!cstr("\xED\xA0\x80", 0, QRVX_Base::UTF8Encoding).has_value()); // encoded surrogate
        QVERIFY(!cstr("\x80", 0, QRVX_Base::ASCIIEncoding).has_value());
        // A sequence cut by the bound is invalid too.
        QVERIFY(!cstr("\xC3\xA9", 1, QRVX_Base::UTF8Encoding).has_value());
        const std::array<unsigned char, 4> loneSurrogate{0xD8, 0x00, 0, 0};
        QVERIFY(!cbytes(loneSurrogate, 0, QRVX_Base::UTF16BigEndianEncoding).has_value());
        const std::array<unsigned char, 8> outOfRange{0x00, 0x11, 0x00, 0x00, 0, 0, 0, 0};
        QVERIFY(!cbytes(outOfRange, 0, QRVX_Base::UTF32BigEndianEncoding).has_value());
        // Single-byte encodings that map every byte.
        QCOMPARE(cstr("caf\xE9", 0, QRVX_Base::ISOLatin1Encoding), QString::fromUtf8("café"));
        QCOMPARE(cstr("\x80", 0, QRVX_Base::WindowsCP1252Encoding), QString::fromUtf8("€"));
    }

    void replacingSubStrings() {
        // The second search text has no value: it is deleted. Text outside the range stays.
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings("cat dog cat dog", {"cat", "dog"}, {"cow"}, 0, 4, 11),
                 QString("cat  cow "));
        // Later replacements see earlier results.
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings("a", {"a", "b"}, {"b", "c"}, 0, 0, 1), QString("c"));
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings("Hello HELLO", {"hello"}, {"bye"},
                                                        QRVX_Base::CaseInsensitiveSearch, 0, 11),
                 QString("bye bye"));
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings("aXa", {"a"}, {"b"}, QRVX_Base::AnchoredSearch, 0, 3),
                 QString("bXa"));
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings(
                     "aXa", {"a"}, {"b"}, QRVX_Base::AnchoredSearch | QRVX_Base::BackwardsSearch, 0, 3),
                 QString("aXb"));
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings("v1.2.3", {"[0-9]"}, {"#"},
                                                        QRVX_Base::RegularExpressionSearch, 0, 6),
                 QString("v#.#.#"));
        // An empty search text would match between every two characters; it replaces nothing.
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings("abc", {""}, {"-"}, 0, 0, 3), QString("abc"));
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings("abc", {"("}, {"-"},
                                                        QRVX_Base::RegularExpressionSearch, 0, 3),
                 QString("abc"));
        // Ranges reaching past the text are clamped, not trusted.
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings("abc", {"c"}, {"C"}, 0, 1, 1000), QString("abC"));
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings("abc", {"c"}, {"C"}, 0, 99, 5), QString("abc"));
        QCOMPARE(QRVX_Base::stringByReplacingSubStrings("abc", {"a"}, {"A"}, 0, -5, 2), QString("Abc"));
    }

    void deletingCharacters() {
        const QString text = QString::fromUtf8("a b\tc\xF0\x9F\x98\x80"
                                               "d");
        QCOMPARE(QRVX_Base::stringByDeletingCharactersInSet(text,
                                                            [](char32_t c) { return c == ' ' || c == '\t'; }),
                 QString::fromUtf8("abc\xF0\x9F\x98\x80"
                                   "d"));
        // A character outside the basic plane goes as a whole, never half a surrogate pair.
        QCOMPARE(QRVX_Base::stringByDeletingCharactersInSet(text, [](char32_t c) { return c == 0x1F600; }),
                 QString("a b\tcd"));
        // A lone surrogate outside the set stays as it was, not as a replacement character.
        const QString lone = QString("x ") + QChar(0xD800) + QString(" y") + QChar(0xDC00);
        QCOMPARE(QRVX_Base::stringByDeletingCharactersInSet(lone, [](char32_t c) { return c == ' '; }),
                 QString("x") + QChar(0xD800) + QString("y") + QChar(0xDC00));
        QCOMPARE(QRVX_Base::stringByDeletingCharactersInSet(lone, [](char32_t c) { return c == 0xD800; }),
                 QString("x  y") + QChar(0xDC00));
    }

    void numericalCompare_data() {
        addOrderColumns();
        addOrderRow("numbers by value", "File2", "file10", -1);
        addOrderRow("numbers by value, reversed", "file10", "File9", 1);
        addOrderRow("case does not count", "ABC", "abc", 0);
        addOrderRow("by code point, no collation", "a~", "ab", 1);
        addOrderRow("punctuation before letters", "a_", "aB", -1);
        addOrderRow("leading zeros carry no value", "v007", "v7", 0);
        addOrderRow("runs past 64 bits", "n" + QString(30, '9'), "n1" + QString(30, '0'), -1);
        addOrderRow("the number decides before what follows", "r123x", "r124a", -1);
        addOrderRow("prefix sorts first", "file", "file1", -1);
        addOrderRow("empty", "", "", 0);
        addOrderRow("outside the basic plane", QString::fromUtf8("\xF0\x9F\x98\x80"), QString(QChar(0xFFFD)),
                    1);
    }
    void numericalCompare() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(QRVX_Base::numericalCaseInsensitiveCompare(a, b), order);
        QCOMPARE(QRVX_Base::numericalCaseInsensitiveCompare(b, a), -order);
    }

    void nameCompare_data() {
        addOrderColumns();
        addOrderRow("directory and extension go", "/a/Alpha.fw", "alpha.txt", 0);
        addOrderRow("by name", "/x/beta.fw", "/y/alpha.fw", 1);
        addOrderRow("only the last extension goes", "a.b.srec", "A.b.txt", 0);
        addOrderRow("trailing slash ignored", "/x/Beta/", "beta.fw", 0);
        addOrderRow("a leading dot is no extension", "/home/u/.profile", ".PROFILE.bak", 0);
        addOrderRow("dot-file is not empty", ".profile", "", 1);
        addOrderRow("dot-dirs keep their name", "/a/../", "..", 0);
        addOrderRow("root", "/", "//", 0);
    }
    void nameCompare() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(QRVX_Base::myLocalizedCompare(a, b), order);
        QCOMPARE(QRVX_Base::myLocalizedCompare(b, a), -order);
    }

    void utsPatternsKeepTheirMeaning() {
        // Late December: "YYYY" (week-based year) is already the next year, "yyyy" is not.
        QCOMPARE(QRVX_Base::stringWithUTSFormat(utc(2026, 12, 29), "YYYY"), QString("2027"));
        QCOMPARE(QRVX_Base::stringWithUTSFormat(utc(2026, 12, 29), "yyyy/MM/dd HH:mm:ss.SSS Z"),
                 QString("2026/12/29 12:00:00.000 +0000"));
        QVERIFY(!QRVX_Base::stringWithUTSFormat(QDateTime(), "yyyy").has_value());
    }

    void hexdumpCollapsesRepeatsAndClampsTheRange() {
        QByteArray data(64, 'A');
        data.append("xyz%");
        const QString listing = QRVX_Base::hexdump(data, 0, 1000);
        const QStringList lines = listing.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], "00000000 41 41 41 41 41 41 41 41  41 41 41 41 41 41 41 41  |AAAAAAAAAAAAAAAA|");
        QCOMPARE(lines[1], "* last line repeated 3 times");
        QVERIFY(lines[2].startsWith("00000040 78 79 7a 25 "));
        QVERIFY(lines[2].endsWith("|xyz%%|"));
        QCOMPARE(QRVX_Base::hexdump(data, 66, 1), QString("00000042 7a") + QString(47, ' ') + " |z|\n");
        QVERIFY(QRVX_Base::hexdump(data, 500, 10).isEmpty());
        QVERIFY(QRVX_Base::hexdump(data, ~0ull, ~0ull).isEmpty());
    }

    void freeMemoryRoundsDown() {
        const QVariantMap justUnder = QRVX_Base::freeMemoryDictionary(1'048'575, 1);
        QCOMPARE(justUnder.value(QRVX_FreeMBKey).toULongLong(), 0ull);
        QCOMPARE(justUnder.value(QRVX_FreeBytesKey).toULongLong(), 1'048'575ull);
        const QVariantMap pages = QRVX_Base::freeMemoryDictionary(300, 0); // unknown page size: 4096
        QCOMPARE(pages.value(QRVX_FreePagesKey).toUInt(), 300u);
        QCOMPARE(pages.value(QRVX_FreeMBKey).toULongLong(), 1ull);
        const auto stats = QRVX_Base::vmStats();
        QVERIFY(stats.has_value()); // /proc/vmstat is always there on Linux
        QCOMPARE(stats->size(), 3);
    }

    void safeTempFileHandsOverTheDescriptor() {
        int fd = -2;
        const auto path = QRVX_Base::safeTempFile(&fd);
        QVERIFY(path.has_value());
        QVERIFY(fd >= 0);
        struct stat info {};
        QCOMPARE(::fstat(fd, &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
        QCOMPARE(QFileInfo(*path).fileName().size(), 16);
        QVERIFY(QFileInfo(*path).fileName() != "XXXXXXXXXXXXXXXX");
        ::close(fd);
        QFile::remove(*path);

        qputenv("TMPDIR", "/nonexistent-directory-for-test");
        fd = 7;
        QVERIFY(!QRVX_Base::safeTempFile(&fd).has_value());
        QCOMPARE(fd, -1);
        qunsetenv("TMPDIR");
    }

    void startupBannerShape() {
        const QStringList lines = QRVX_Base::startupInfo().split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QString(80, '^'));
        QCOMPARE(lines[1], platform::hostinfo::processName() + " starting up");
        QVERIFY(lines[2].startsWith("Mac OS X "));
        QVERIFY(lines[3].contains(QStringLiteral(" CPU; LittleEndian (64-bit); ")) ||
                lines[3].contains(QStringLiteral(" CPU; BigEndian (64-bit); ")));
        QCOMPARE(QRVX_Base::pathToSelf(), QCoreApplication::applicationFilePath());
    }
};

QTEST_GUILESS_MAIN(StringsTest)
#include "test_strings.moc"
