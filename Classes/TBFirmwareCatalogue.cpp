// The firmware catalogue of both programs, verification of the package files against it, and the
// firmware versions.
#include "Classes/TBFirmwarePackage.h"

#include "Classes/Edition.h"
#include "Classes/ZEVModels.h"
#include "base/threadsafety.h"
#include "platform/digest.h"
#include "platform/memory.h"
#include "platform/platformlog.h"
#include "platform/resources.h"

#include <QFile>

#include <charconv>
#include <ctime>
#include <map>

#include <sys/stat.h>

const QString cFirmwareFilenames = QStringLiteral("firmwareFilenames");
const QString cFirmwareFileHashes = QStringLiteral("firmwareFileHash");
const QString kNewFirmwareVersionProperty = QStringLiteral("newFirmwareVersion");
const QString kPrinterFamilyClassName = QStringLiteral("TBUSBPrinterZEV");

namespace {

// The installed firmware version as the printer reported it.
const QString kFirmwareVersionKey = QStringLiteral("firmwareVersion");

// The digest is rendered from a buffer one byte longer than the HMAC, its last byte zero, so every
// expected digest ends in "00".
constexpr int kRenderedDigestBytes = platform::kHmacSha256Length + 1;

QString logName(const QString& className, const char* selector) {
    return QString::fromStdString(platform::methodName('-', className.toUtf8().constData(), selector));
}

// The leading decimal number of `text` after white space: sign, digits, point, digits, exponent;
// 0.0 without one. Independent of the process locale (a German locale must still read "01.41" as
// 1.41) and, unlike strtod, blind to "inf", "nan" and hex forms, which are no version numbers.
double leadingDecimalNumber(const QByteArray& text) {
    const char* p = text.constData();
    const char* const end = p + text.size();
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
        ++p;
    const char* const start = p;
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (p < end && (*p == '+' || *p == '-')) ++p;
    const char* const digitsStart = p;
    while (p < end && isDigit(*p))
        ++p;
    bool anyDigit = p > digitsStart;
    if (p < end && *p == '.') {
        const char* fraction = ++p;
        while (p < end && isDigit(*p))
            ++p;
        anyDigit = anyDigit || p > fraction;
    }
    if (!anyDigit) return 0.0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* exponent = p + 1;
        if (exponent < end && (*exponent == '+' || *exponent == '-')) ++exponent;
        const char* exponentDigits = exponent;
        while (exponent < end && isDigit(*exponent))
            ++exponent;
        if (exponent > exponentDigits) p = exponent;
    }
    // from_chars takes no leading plus.
    const char* number = *start == '+' ? start + 1 : start;
    double value = 0.0;
    const auto [ptr, error] = std::from_chars(number, p, value);
    (void)ptr;
    return error == std::errc() ? value : 0.0;
}

QStringList storedFileNames(const FirmwareDeviceInfo& info) {
    return info.value(cFirmwareFilenames).toStringList();
}

// An image and at least two tables make an update with tables.
constexpr qsizetype kMinimumPackageFiles = 3;

// An open file read whole into a buffer with room for the word padding; nothing when it fails.
std::optional<QByteArray> readOpenFile(QFile& file) {
    const qint64 size = file.size();
    QByteArray contents;
    if (size > 0) {
        contents.reserve(qsizetype(size) + 4);
        // Most of a large read's cost is faulting in the fresh buffer page by page.
        platform::adviseHugePages(contents.data(), std::size_t(size));
        contents.resize(qsizetype(size));
        const qint64 got = file.read(contents.data(), size);
        if (got < 0) return std::nullopt;
        contents.resize(qsizetype(got));
    }
    // Whatever a special file still has to give (or a file that grew meanwhile: taken as it is now).
    if (!file.atEnd()) contents.append(file.readAll());
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return contents;
}

// The digest text of an open file, digested in place where it can be mapped; nothing when it
// cannot be read.
std::optional<QString> digestOpenFile(QFile& file, const QString& keyText) {
    // Mapped, the page cache is digested in place; a copy of a large image first would cost more
    // than the digest itself. Package files are installed read-only, so nothing truncates them
    // under the mapping. Files that cannot be mapped (or report no size) are read whole.
    const qint64 size = file.size();
    if (size > 0) {
        if (uchar* mapped = file.map(0, size)) {
            const QString digest = TBFirmwarePackage::verifyBlob(
                QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(size)), keyText);
            file.unmap(mapped);
            return digest;
        }
    }
    const QByteArray contents = file.readAll();
    // readAll() cannot tell an empty file from a failed read; the error state can.
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return TBFirmwarePackage::verifyBlob(contents, keyText);
}

// ---- every package file digested once per run and file state ----

// Which file it is and when it last changed. A file in the state it had when it was digested still
// has the contents that were digested.
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileState& other) const {
        auto same = [](const timespec& a, const timespec& b) {
            return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
        };
        return device == other.device && inode == other.inode && size == other.size &&
               same(modified, other.modified) && same(changed, other.changed);
    }
};

// Asked by path before and after the file is read: a file replaced or changed meanwhile shows
// two different states.
std::optional<FileState> stateOf(const QByteArray& path) {
    struct stat status {};
    if (::stat(path.constData(), &status) != 0) return std::nullopt;
    return FileState{status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

// File systems stamp changes in ticks (two seconds on some): a file written this shortly before it
// was read may be written again under the same time stamp, so its answer is not kept.
constexpr std::int64_t kSettledAfterNs = 2'000'000'000;

std::int64_t nanoseconds(const timespec& t) {
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

struct DigestedFile {
    FileState state;
    QString digest; // null for an empty file
};

struct DigestedFiles {
    // Held while a file is digested, so that two threads asking for one file digest it once.
    base::Mutex mutex;
    std::map<std::pair<QString, QString>, DigestedFile> byPathAndKey GUARDED_BY(mutex);
};

// Never destroyed: a check still running on a worker thread at exit may reach it.
DigestedFiles& digestedFiles() {
    static auto* const files = new DigestedFiles;
    return *files;
}

// The digest text of the package file `fileName` keyed on `keyText` (null for an empty file), or
// nothing when it is missing or unreadable. With `contents`, the file is also read whole into it,
// and the answer is that of exactly those bytes. A file digested before and unchanged since gets
// the answer it got then.
std::optional<QString> digestPackageFile(const QString& fileName, const QString& keyText,
                                         QByteArray* contents) {
    const QString path = platform::resources::pathForResourceFile(fileName);
    if (path.isEmpty()) return std::nullopt;
    timespec readStart{};
    ::clock_gettime(CLOCK_REALTIME, &readStart);
    const QByteArray localPath = QFile::encodeName(path);
    const std::optional<FileState> before = stateOf(localPath);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;

    DigestedFiles& digested = digestedFiles();
    base::MutexLocker lock(digested.mutex);
    const auto key = std::make_pair(path, keyText);
    const auto known = digested.byPathAndKey.find(key);
    const bool wasDigested = before && known != digested.byPathAndKey.end() && known->second.state == *before;

    if (contents) {
        std::optional<QByteArray> bytes = readOpenFile(file);
        if (!bytes) return std::nullopt;
        *contents = std::move(*bytes);
    }
    const std::optional<FileState> after = stateOf(localPath);
    const bool unchanged = before && after == before;
    if (wasDigested && unchanged) return known->second.digest;

    const std::optional<QString> digest =
        contents ? std::optional<QString>(TBFirmwarePackage::verifyBlob(*contents, keyText))
                 : digestOpenFile(file, keyText);
    if (digest && unchanged && stateOf(localPath) == before &&
        nanoseconds(readStart) - nanoseconds(before->modified) > kSettledAfterNs)
        digested.byPathAndKey[key] = DigestedFile{*before, *digest};
    return digest;
}
} // namespace

FirmwareCatalogueEntry TBFirmwarePackage::catalogueEntry(quint16 productID, const Edition& edition) {
    FirmwareCatalogueEntry entry;
    for (const zev::PackageFile& file : zev::packageFiles(zev::modelForProductID(productID), edition)) {
        entry.fileNames.append(QString::fromUtf8(file.name));
        entry.digests.append(QString::fromLatin1(file.digest));
    }
    return entry;
}

QString TBFirmwarePackage::asciiHexForData(const QByteArray& data) {
    return QString::fromLatin1(data.toHex());
}

QString TBFirmwarePackage::verifyBlob(const QByteArray& data, const QString& keyText) {
    if (data.isEmpty()) return {};
    platform::platformLog("keyed on %s", keyText.toUtf8().constData());
    QByteArray rendered = platform::hmacSha256(keyText.toUtf8(), data);
    if (rendered.size() != platform::kHmacSha256Length) return {};
    rendered.append('\0');
    Q_ASSERT(rendered.size() == kRenderedDigestBytes);
    return asciiHexForData(rendered);
}

std::optional<QString> TBFirmwarePackage::digestForPackageFile(const QString& fileName,
                                                               const QString& keyText) {
    return digestPackageFile(fileName, keyText, nullptr);
}

bool TBFirmwarePackage::verifyFirmwareArchive(quint16 productID, const Edition& edition,
                                              const QString& className, FirmwareDeviceInfo& info) {
    platform::platformLog("%s", logName(className, "verifyFirmwareArchive").toUtf8().constData());
    platform::platformLog("switching on productID 0x%x", unsigned(productID));

    const FirmwareCatalogueEntry entry = catalogueEntry(productID, edition);
    if (entry.fileNames.isEmpty()) return false;
    return verifyEntry(entry, edition, className, info);
}

bool TBFirmwarePackage::verifyEntry(const FirmwareCatalogueEntry& entry, const Edition& edition,
                                    const QString& className, FirmwareDeviceInfo& info,
                                    QList<QByteArray>* contents) {
    if (entry.fileNames.isEmpty()) return false;
    setFilenames(entry.fileNames, info);
    info.setValue(cFirmwareFileHashes, entry.digests);

    bool result = false;
    for (qsizetype position = 0; position < entry.fileNames.size(); ++position) {
        const QString& fileName = entry.fileNames.at(position);
        std::optional<QString> found;
        if (contents) {
            QByteArray bytes;
            found = digestPackageFile(fileName, className, &bytes);
            contents->append(found ? bytes : QByteArray());
        } else {
            found = digestForPackageFile(fileName, className);
        }
        // A file the package lacks fails the package: an update must not start without it.
        if (!found) {
            platform::platformLog("firmware file %s is missing or unreadable", fileName.toUtf8().constData());
            info.setValue(fileName, false);
            return false;
        }

        const QString& digest = *found;
        // An empty file has no digest at all, which the log shows as "(null)", not as an empty text.
        if (edition.isSerialSwitcher())
            platform::platformLog("verifying %s:%s", fileName.toUtf8().constData(),
                                  digest.isNull() ? "(null)" : digest.toUtf8().constData());
        const QString expected = position < entry.digests.size() ? entry.digests.at(position) : QString();
        // An empty file gives no digest; that never matches, not even a missing expected digest.
        result = !digest.isEmpty() && digest == expected;
        info.setValue(fileName, result);
        if (!result) return false;
    }
    return result;
}

std::optional<QByteArray> TBFirmwarePackage::readWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return readOpenFile(file);
}

LoadedFirmwarePackage TBFirmwarePackage::loadFirmwarePackage(quint16 productID, const Edition& edition,
                                                             const QString& className,
                                                             FirmwareDeviceInfo& info) {
    platform::platformLog("%s", logName(className, "verifyFirmwareArchive").toUtf8().constData());
    platform::platformLog("switching on productID 0x%x", unsigned(productID));
    LoadedFirmwarePackage package;
    const FirmwareCatalogueEntry entry = catalogueEntry(productID, edition);
    if (entry.fileNames.isEmpty()) return package;

    const QString& imageName = entry.fileNames.first();
    const qsizetype dot = imageName.lastIndexOf(QLatin1Char('.'));
    package.version = dot < 0 ? imageName : imageName.left(dot);
    package.tableNames =
        entry.fileNames.size() >= kMinimumPackageFiles ? entry.fileNames.mid(1) : QStringList();

    QList<QByteArray> contents;
    package.verified = verifyEntry(entry, edition, className, info, &contents);
    if (!package.verified) return package;

    // The image's bytes have one owner from here on, so padding them extends the buffer in place.
    QByteArray image = std::move(contents.first());
    contents.removeFirst();
    if (!verifySRecData(image)) {
        platform::platformLog("Bad firmware file! Verification failed!");
    } else {
        padData(image);
        package.image = std::move(image);
    }
    if (!package.tableNames.isEmpty()) {
        for (qsizetype i = 0; i < package.tableNames.size(); ++i) {
            const QByteArray table = i < contents.size() ? contents.at(i) : QByteArray();
            platform::platformLog("got data of length %lu for file %s",
                                  static_cast<unsigned long>(table.size()),
                                  package.tableNames.at(i).toUtf8().constData());
            package.tables.append(table);
        }
    }
    return package;
}

void TBFirmwarePackage::setFilenames(const QStringList& names, FirmwareDeviceInfo& info) {
    FirmwareDeviceInfo* target = &info;
    info.postToMainThread([target, names] {
        target->setValue(cFirmwareFilenames, names);
        target->announceChange(kNewFirmwareVersionProperty);
    });
}

QByteArray TBFirmwarePackage::firmwareBlob(FirmwareDeviceInfo& info) {
    const QStringList names = storedFileNames(info);
    // Without a list there is no image, and the check below fails on nothing and says so.
    const QByteArray contents =
        names.isEmpty() ? QByteArray() : platform::resources::dataForResourceFile(names.first());
    if (!verifyMotorolaSFile(contents)) {
        platform::platformLog("Bad firmware file! Verification failed!");
        return {};
    }
    return paddedData(contents);
}

QByteArray TBFirmwarePackage::firmwareBlobForKey(const QString& key, FirmwareDeviceInfo& info) {
    const QVariant value = info.value(key);
    if (!value.isValid()) return {};
    return paddedData(value.toByteArray());
}

std::optional<QString> TBFirmwarePackage::storedNewFirmwareVersion(const FirmwareDeviceInfo& info) {
    const QStringList names = storedFileNames(info);
    if (names.isEmpty()) return std::nullopt;
    const QString& first = names.first();
    const qsizetype dot = first.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? first : first.left(dot);
}

std::optional<QString> TBFirmwarePackage::newFirmwareVersion(quint16 productID, const Edition& edition,
                                                             const QString& className,
                                                             FirmwareDeviceInfo& info) {
    if (std::optional<QString> version = storedNewFirmwareVersion(info)) return version;
    verifyFirmwareArchive(productID, edition, className, info);
    return storedNewFirmwareVersion(info);
}

double TBFirmwarePackage::availableFirmwareVersion(quint16 productID, const Edition& edition,
                                                   const QString& className, FirmwareDeviceInfo& info) {
    return versionNumber(newFirmwareVersion(productID, edition, className, info));
}

double TBFirmwarePackage::installedFirmwareVersion(const std::optional<QString>& firmwareVersion) {
    return versionNumber(firmwareVersion);
}

double TBFirmwarePackage::versionNumber(const std::optional<QString>& text) {
    if (!text) return 0.0;
    const QByteArray last = text->split(QLatin1Char(' ')).last().toUtf8();
    return leadingDecimalNumber(last);
}
