// The firmware catalogue of both programs, verification of the package files against it, and the
// firmware versions.
#include "Classes/TBFirmwarePackage.h"

#include "Classes/Edition.h"
#include "Classes/ZEVModels.h"
#include "platform/digest.h"
#include "platform/memory.h"
#include "platform/platformlog.h"
#include "platform/resources.h"

#include <QFile>

#include <charconv>

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

// The whole package file, read once (TBFirmwarePackage::readWholeFile).
std::optional<QByteArray> readPackageFile(const QString& fileName) {
    const QString path = platform::resources::pathForResourceFile(fileName);
    if (path.isEmpty()) return std::nullopt;
    return TBFirmwarePackage::readWholeFile(path);
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
    const QString path = platform::resources::pathForResourceFile(fileName);
    if (path.isEmpty()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    // Mapped, the page cache is digested in place; a copy of a large image first would cost more
    // than the digest itself. Package files are installed read-only, so nothing truncates them
    // under the mapping. Files that cannot be mapped (or report no size) are read whole.
    const qint64 size = file.size();
    if (size > 0) {
        if (uchar* mapped = file.map(0, size)) {
            const QString digest = verifyBlob(
                QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(size)), keyText);
            file.unmap(mapped);
            return digest;
        }
    }
    const QByteArray contents = file.readAll();
    // readAll() cannot tell an empty file from a failed read; the error state can.
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return verifyBlob(contents, keyText);
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
            std::optional<QByteArray> bytes = readPackageFile(fileName);
            if (bytes) found = verifyBlob(*bytes, className);
            contents->append(bytes.value_or(QByteArray()));
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

std::optional<QString> TBFirmwarePackage::newFirmwareVersion(quint16 productID, const Edition& edition,
                                                             const QString& className,
                                                             FirmwareDeviceInfo& info) {
    QStringList names = storedFileNames(info);
    if (names.isEmpty()) {
        verifyFirmwareArchive(productID, edition, className, info);
        names = storedFileNames(info);
    }
    if (names.isEmpty()) return std::nullopt;
    const QString& first = names.first();
    const qsizetype dot = first.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? first : first.left(dot);
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
