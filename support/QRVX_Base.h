// Stateless class-level helpers the rest of the program leans on: facts about the host, a safely
// created temporary file, the start-up banner, and the string, data and date helpers. There are no
// instances and no shared state: every member is static and safe from any thread at the same time.
// Nothing throws; an answer that cannot be given is std::nullopt ("none").
#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <optional>

// Keys of the free-memory dictionary answered by QRVX_Base::vmStats().
extern const QString QRVX_FreePagesKey; // "freePages": quint32, free pages
extern const QString QRVX_FreeBytesKey; // "freeBytes": quint64, free pages * page size
extern const QString QRVX_FreeMBKey;    // "freeMB": quint64, freeBytes >> 20 (whole MiB, rounded down)

class QRVX_Base {
public:
    QRVX_Base() = delete;

    // ---- Host ------------------------------------------------------------------------------------

    // Kinds and domains of firstFoundDirectoryType(). The numbers are part of the interface: callers
    // pass them as plain numbers, so they never change. Kinds without a counterpart on this host
    // answer none.
    enum DirectoryKind : std::uint64_t {
        ApplicationsDirectory = 1,
        LibraryDirectory = 5,
        UsersDirectory = 7,
        DocumentsDirectory = 9,
        DesktopDirectory = 12,
        CachesDirectory = 13,
        ApplicationSupportDirectory = 14,
        DownloadsDirectory = 15,
        MoviesDirectory = 17,
        MusicDirectory = 18,
        PicturesDirectory = 19,
        TrashDirectory = 102,
    };
    enum DomainMask : std::uint64_t {
        UserDomain = 1,
        LocalDomain = 2,
        NetworkDomain = 4,
        SystemDomain = 8,
        AllDomains = 0xFFFF, // 0 means the same
    };
    // The first directory of `kind` in the given domains (user first, then the system's), without
    // checking that it exists; none when the kind is unknown or no domain has one.
    static std::optional<QString> firstFoundDirectoryType(std::uint64_t kind, std::uint64_t domainMask);

    // Free memory: "freePages", "freeBytes", "freeMB" (see the keys above); none when the kernel's
    // statistics cannot be read.
    static std::optional<QVariantMap> vmStats();
    // The dictionary vmStats() builds from a page count and page size (a page size of 0 counts as 4096).
    static QVariantMap freeMemoryDictionary(std::uint64_t freePages, std::uint64_t pageSize);

    // "<model> (<machine>)", for instance "ThinkCentre M720q (x86_64)"; none without a model name.
    static std::optional<QString> hostModelAndArch();

    // Creates an empty file with a unique name under $TMPDIR (or the system's temporary directory),
    // readable and writable by the owner only. Answers its full path, or none after logging why.
    // With `descriptor` the caller receives the open descriptor (-1 on failure) and must close it;
    // without, it is closed here.
    static std::optional<QString> safeTempFile(int* descriptor = nullptr);

    // Two lines describing the host: operating system and library version; memory, processors,
    // byte order, pointer width and model.
    static QString systemVersionInfo();
    // A line of 80 carets, "<process> starting up", then systemVersionInfo(): four lines in all.
    static QString startupInfo();

    // ---- Dates -----------------------------------------------------------------------------------

    // `date` formatted with a Unicode (UTS #35) date pattern in the local time zone and the user's
    // locale; a new formatter for every call. None for an invalid date or a pattern the formatter
    // rejects. Note "YYYY" is the week-based year and "yyyy" the calendar year.
    static std::optional<QString> stringWithUTSFormat(const QDateTime& date, const QString& pattern);

    // ---- Data ------------------------------------------------------------------------------------

    // Hex listing of data[location, location + length) (clamped to the data): one
    // "%.8lx <cells> |<chars>|\n" line per 16 bytes, offsets counted from the start of `data`; a
    // run of identical lines after the first is collapsed into "* last line repeated N times\n".
    static QString hexdump(QByteArrayView data, std::uint64_t location, std::uint64_t length);
    // The cells and character column of one hex-listing line for up to 16 bytes (see QRVX_Log::logData).
    static QString hexListingBody(QByteArrayView bytes);

    // ---- Strings ---------------------------------------------------------------------------------

    // Text-encoding numbers accepted by stringWithCString(); fixed, like the directory kinds above.
    enum Encoding : std::uint64_t {
        ASCIIEncoding = 1,
        JapaneseEUCEncoding = 3,
        UTF8Encoding = 4,
        ISOLatin1Encoding = 5,
        ShiftJISEncoding = 8,
        ISOLatin2Encoding = 9,
        UTF16Encoding = 10, // host byte order unless a byte-order mark says otherwise
        WindowsCP1251Encoding = 11,
        WindowsCP1252Encoding = 12,
        WindowsCP1253Encoding = 13,
        WindowsCP1254Encoding = 14,
        WindowsCP1250Encoding = 15,
        ISO2022JPEncoding = 21,
        MacOSRomanEncoding = 30,
        UTF16BigEndianEncoding = 0x90000100,
        UTF16LittleEndianEncoding = 0x94000100,
        UTF32Encoding = 0x8c000100, // host byte order unless a byte-order mark says otherwise
        UTF32BigEndianEncoding = 0x98000100,
        UTF32LittleEndianEncoding = 0x9c000100,
    };
    // Text from bytes that end at a zero code unit or at `maxLength` bytes, whichever comes first
    // (maxLength 0: no bound, the bytes must then be zero-terminated). A UTF-8 byte-order mark is
    // skipped; a UTF-16/UTF-32 byte-order mark decides the byte order and is removed. Answers the
    // empty text for zero counted bytes, and none for a null pointer, an unknown encoding, a bound
    // smaller than one code unit, or bytes that are not valid in the encoding.
    static std::optional<QString> stringWithCString(const void* bytes, std::uint64_t maxLength,
                                                    std::uint64_t encoding);

    // `text` without any of the characters (code points) for which `inSet` answers true.
    static QString stringByDeletingCharactersInSet(const QString& text,
                                                   const std::function<bool(char32_t)>& inSet);

    // Search options of stringByReplacingSubStrings(), a bit set; fixed, like the directory kinds above.
    enum SearchOption : std::uint64_t {
        CaseInsensitiveSearch = 1,
        LiteralSearch = 2, // always literal here: compares UTF-16 units
        BackwardsSearch = 4,
        AnchoredSearch = 8,
        NumericSearch = 64, // no effect on replacing
        RegularExpressionSearch = 1024,
    };
    // Inside text[location, location + length) (clamped to the text), replaces every occurrence of
    // searches[i] by values[i] (the empty text when `values` is shorter), for i in order; later
    // replacements see the results of earlier ones. Text outside the range is kept. An empty search
    // text, or an invalid regular expression, replaces nothing.
    static QString stringByReplacingSubStrings(const QString& text, const QStringList& searches,
                                               const QStringList& values, std::uint64_t options,
                                               qsizetype location, qsizetype length);

    // Three-way comparisons answering -1 (ascending), 0 (same) or +1 (descending).
    // Runs of ASCII digits compare by their value ("File2" before "file10", "a01" same as "a1"),
    // everything else by case-folded code point ("a~" after "ab"); no locale takes part.
    static int numericalCaseInsensitiveCompare(const QString& a, const QString& b);
    // Case-insensitive on the last path component without its extension: "/a/Alpha.fw" equals
    // "alpha.txt". Trailing slashes are ignored; a leading dot is no extension (".profile").
    static int myLocalizedCompare(const QString& a, const QString& b);

    // The running executable's full path; none when it cannot be read.
    static std::optional<QString> pathToSelf();
};
