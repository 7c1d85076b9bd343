// The firmware package's check of its files against the catalogue, fed arbitrary file names, file
// contents and expected digests. A package folder in a temporary directory holds the files; a folder
// beside it holds files that names with a path reach ("../outside/x", "/.../outside/x").
//
// What must hold: a name finds a file of the package folder only, and only as a plain file name; the
// check passes exactly when every file, in order, is found, not empty, and has the expected keyed
// digest, computed here with OpenSSL directly; it stops at the first file that fails and records
// every file it checked; digesting in place and reading whole agree, and reading whole hands over
// exactly the bytes on disk. Files that have not changed for a while may be digested once and
// remembered: one rewritten with the same size and time stamp must still get the answer of its new
// bytes. And the catalogue itself: every entry has one well-formed digest per plain file name.
#include "Classes/Edition.h"
#include "Classes/TBFirmwarePackage.h"
#include "fuzz_support.h"
#include "platform/resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVariantMap>

#include <fuzzer/FuzzedDataProvider.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <functional>
#include <vector>

namespace {

using fuzz::check;

constexpr std::size_t kMostFiles = 4;
constexpr std::size_t kLongestName = 24;
constexpr std::size_t kLongestContents = 512;
// Package files that have not changed for an hour, so their answers may be remembered.
const std::array<QString, 3> kSettledNames{QStringLiteral("settled 01.00.fw"),
                                           QStringLiteral("settled_300_0100.cwd"),
                                           QStringLiteral("settled_600_0100.cwd")};
constexpr timespec kSettledTime{1700000000, 123456789};

QString oracleDigest(const QByteArray& bytes, const QString& key) {
    if (bytes.isEmpty()) return {};
    const QByteArray keyBytes = key.toUtf8();
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), keyBytes.constData(), int(keyBytes.size()),
         reinterpret_cast<const unsigned char*>(bytes.constData()), std::size_t(bytes.size()), mac, &length);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(mac), int(length)).toHex()) +
           QStringLiteral("00");
}

bool isPlainName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

void writeSettled(const QString& path, const QByteArray& bytes) {
    check(writeFile(path, bytes));
    const timespec times[2] = {kSettledTime, kSettledTime};
    check(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
}

QByteArray settledContents(std::size_t index) {
    return QByteArray(int(40 + index * 13), char('a' + index));
}

// In memory where the system offers it: a disk file system flushes a file truncated and written again.
QString temporaryBase() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

struct Rig {
    QTemporaryDir root{temporaryBase() + QStringLiteral("/printer-tools-fuzz-XXXXXX")};
    QString package;
    QString outside;
    // Keys of the digest: a few only, since remembered answers are kept per key for the whole run.
    const std::array<QString, 4> keys{kPrinterFamilyClassName, QString(), QStringLiteral("TBUSBPrinter"),
                                      QStringLiteral("Z\u00e4hler")};

    Rig() {
        check(root.isValid() && QDir(root.path()).mkdir(QStringLiteral("package")) &&
              QDir(root.path()).mkdir(QStringLiteral("outside")));
        package = QFileInfo(root.path() + QStringLiteral("/package")).canonicalFilePath();
        outside = QFileInfo(root.path() + QStringLiteral("/outside")).canonicalFilePath();
        platform::resources::setSearchDirectoriesOverride({package});
        for (std::size_t i = 0; i < kSettledNames.size(); ++i)
            writeSettled(package + QLatin1Char('/') + kSettledNames[i], settledContents(i));
    }
};
Rig* rig = nullptr;

class Info : public FirmwareDeviceInfo {
public:
    QVariantMap values;
    std::vector<std::function<void()>> posted;
    QStringList announced;

    QVariant value(const QString& key) const override { return values.value(key); }
    void setValue(const QString& key, const QVariant& value) override { values.insert(key, value); }
    void postToMainThread(std::function<void()> work) override { posted.push_back(std::move(work)); }
    void announceChange(const QString& property) override { announced.append(property); }
};

// The files in the package folder, by path, as this run wrote them.
using Files = QMap<QString, QByteArray>;

void checkCatalogue(quint16 productID) {
    for (const Edition* edition : {&Edition::printerFlasher(), &Edition::serialSwitcher()}) {
        const FirmwareCatalogueEntry entry = TBFirmwarePackage::catalogueEntry(productID, *edition);
        check(entry.fileNames.size() == entry.digests.size());
        for (const QString& name : entry.fileNames)
            check(isPlainName(name));
        for (const QString& digest : entry.digests) {
            check(digest.size() == 66 && digest.endsWith(QLatin1String("00")));
            for (QChar c : digest)
                check((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'));
        }
    }
}

// What each name of the entry finds: only a file of the package folder, and only by its plain name.
QStringList findAll(const QStringList& names, const Files& files) {
    QStringList paths;
    for (const QString& name : names) {
        const QString path = platform::resources::pathForResourceFile(name);
        check(path.isEmpty() || files.contains(path));
        if (!isPlainName(name)) check(path.isEmpty());
        // (A name ending in a point is looked up without it.)
        if (isPlainName(name) && !name.endsWith(QLatin1Char('.'))) {
            const QString own = rig->package + QLatin1Char('/') + name;
            check(path == (files.contains(own) ? own : QString()));
        }
        paths.append(path);
    }
    return paths;
}

// Runs the check both ways over `entry` and holds each to what the files on disk say.
void verifyBothWays(const FirmwareCatalogueEntry& entry, const QStringList& paths, const Edition& edition,
                    const QString& key, const Files& files) {
    // The expected outcome, file by file.
    bool expected = !entry.fileNames.isEmpty();
    QVariantMap expectedChecks;
    QList<QByteArray> expectedContents;
    for (qsizetype i = 0; i < entry.fileNames.size(); ++i) {
        const QString& name = entry.fileNames.at(i);
        const QString& path = paths.at(i);
        const QString digest = i < entry.digests.size() ? entry.digests.at(i) : QString();
        const bool ok =
            !path.isEmpty() && !files.value(path).isEmpty() && digest == oracleDigest(files.value(path), key);
        expectedChecks.insert(name, ok);
        expectedContents.append(path.isEmpty() ? QByteArray() : files.value(path));
        if (!ok) {
            expected = false;
            break;
        }
    }

    for (const bool readWhole : {false, true}) {
        Info info;
        QList<QByteArray> contents;
        const bool result =
            TBFirmwarePackage::verifyEntry(entry, edition, key, info, readWhole ? &contents : nullptr);
        check(result == expected);
        if (entry.fileNames.isEmpty()) {
            check(info.values.isEmpty() && info.posted.empty());
            continue;
        }
        for (auto it = expectedChecks.constBegin(); it != expectedChecks.constEnd(); ++it)
            check(info.values.value(it.key()) == it.value());
        check(info.values.value(cFirmwareFileHashes).toStringList() == entry.digests);
        for (const auto& work : info.posted)
            work();
        check(info.values.value(cFirmwareFilenames).toStringList() == entry.fileNames);
        check(info.announced == QStringList{kNewFirmwareVersionProperty});
        if (readWhole) check(contents == expectedContents);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::silenceTargetStderr(argc, argv); // every digest logs its key
    rig = new Rig;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const Edition& edition = input.ConsumeBool() ? Edition::serialSwitcher() : Edition::printerFlasher();
    const QString& key = rig->keys[input.ConsumeIntegralInRange<std::size_t>(0, rig->keys.size() - 1)];
    const quint16 productID = input.ConsumeIntegral<quint16>();
    checkCatalogue(productID);
    const FirmwareCatalogueEntry catalogue = TBFirmwarePackage::catalogueEntry(productID, edition);

    Files files;
    for (std::size_t i = 0; i < kSettledNames.size(); ++i)
        files.insert(rig->package + QLatin1Char('/') + kSettledNames[i], settledContents(i));
    QStringList written; // fresh files, removed at the end

    FirmwareCatalogueEntry entry;
    enum DigestKind { Right, Fuzzed, UpperCase, Cut, Null, FromCatalogue, kDigestKinds };
    std::vector<DigestKind> digestKinds;
    QStringList fuzzedDigests;
    const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, kMostFiles);
    for (std::size_t i = 0; i < count; ++i) {
        const QString leaf = QString::fromUtf8(input.ConsumeRandomLengthString(kLongestName));
        const QByteArray bytes = QByteArray::fromStdString(input.ConsumeRandomLengthString(kLongestContents));
        QString name;
        switch (input.ConsumeIntegralInRange(0, 5)) {
        case 0: // a file of the package, when its name can be one
            name = leaf;
            if (isPlainName(name) && !files.contains(rig->package + QLatin1Char('/') + name) &&
                writeFile(rig->package + QLatin1Char('/') + name, bytes)) {
                written.append(rig->package + QLatin1Char('/') + name);
                files.insert(written.last(), bytes);
            }
            break;
        case 1: // a name of the catalogue, present with arbitrary contents or missing
            name = catalogue.fileNames.isEmpty()
                       ? leaf
                       : catalogue.fileNames.at(qsizetype(i) % catalogue.fileNames.size());
            if (!bytes.isEmpty() && isPlainName(name) &&
                !files.contains(rig->package + QLatin1Char('/') + name) &&
                writeFile(rig->package + QLatin1Char('/') + name, bytes)) {
                written.append(rig->package + QLatin1Char('/') + name);
                files.insert(written.last(), bytes);
            }
            break;
        case 2:
            name = kSettledNames[i % kSettledNames.size()];
            break;
        case 3: // a file outside the package, by a relative or an absolute path
        case 4: {
            const QString outsideName = QStringLiteral("outside-%1").arg(i);
            check(writeFile(rig->outside + QLatin1Char('/') + outsideName, bytes));
            written.append(rig->outside + QLatin1Char('/') + outsideName);
            name = (entry.fileNames.size() % 2 ? QStringLiteral("../outside/")
                                               : rig->outside + QLatin1Char('/')) +
                   outsideName;
            break;
        }
        default: // a name the entry has already
            name =
                entry.fileNames.isEmpty() ? leaf : entry.fileNames.at(qsizetype(i) % entry.fileNames.size());
            break;
        }
        entry.fileNames.append(name);
        digestKinds.push_back(DigestKind(input.ConsumeIntegralInRange(0, kDigestKinds - 1)));
        fuzzedDigests.append(QString::fromUtf8(input.ConsumeRandomLengthString(70)));
    }
    // The digests the catalogue would give, from what the names find now.
    const QStringList paths = findAll(entry.fileNames, files);
    for (std::size_t i = 0; i < count; ++i) {
        const QString right = oracleDigest(files.value(paths.at(qsizetype(i))), key);
        switch (digestKinds[i]) {
        case Right:
            entry.digests.append(right);
            break;
        case Fuzzed:
            entry.digests.append(fuzzedDigests.at(qsizetype(i)));
            break;
        case UpperCase:
            entry.digests.append(right.toUpper());
            break;
        case Cut:
            entry.digests.append(right.chopped(qMin<qsizetype>(2, right.size())));
            break;
        case Null:
            entry.digests.append(QString());
            break;
        default:
            entry.digests.append(catalogue.digests.isEmpty()
                                     ? right
                                     : catalogue.digests.at(qsizetype(i) % catalogue.digests.size()));
            break;
        }
    }
    if (!entry.digests.isEmpty() && input.ConsumeBool()) entry.digests.removeLast();

    verifyBothWays(entry, paths, edition, key, files);

    // A settled file of the entry rewritten in place, same size and time stamp: the answer follows
    // the new bytes.
    const std::size_t rewritten = input.ConsumeIntegralInRange<std::size_t>(0, kSettledNames.size() - 1);
    const QString path = rig->package + QLatin1Char('/') + kSettledNames[rewritten];
    if (paths.contains(path)) {
        const QByteArray bytes = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString())
                                     .leftJustified(settledContents(rewritten).size(), '\0', true);
        writeSettled(path, bytes);
        files.insert(path, bytes);
        verifyBothWays(entry, paths, edition, key, files);
        writeSettled(path, settledContents(rewritten));
    }

    for (const QString& path : written)
        QFile::remove(path);
    return 0;
}
