// The package check as the program runs it (the file found among the package resources, read and
// digested, the digest compared) against `openssl dgst -sha256 -hmac` on one 64 MiB file made in
// this run. Both take the file from the page cache; openssl's figure includes its process start.
#include "Classes/Edition.h"
#include "Classes/TBFirmwarePackage.h"
#include "common/benchsupport.h"
#include "platform/platformlog.h"
#include "platform/resources.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRuns = 5;
constexpr qsizetype kFileSize = 64 * 1024 * 1024;

// A dictionary for one verification: the bench runs no event loop, so the file list is stored at once.
class BenchDeviceInfo : public FirmwareDeviceInfo {
public:
    QVariant value(const QString& key) const override { return values_.value(key); }
    void setValue(const QString& key, const QVariant& value) override { values_.insert(key, value); }
    void postToMainThread(std::function<void()> work) override { work(); }
    void announceChange(const QString&) override {}

private:
    QVariantMap values_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    platform::setLogProgramName(QStringLiteral("bench_hmac"));
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty()) {
        std::fprintf(stderr, "openssl is needed\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString fileName = QStringLiteral("blob.bin");
    const QString path = dir.filePath(fileName);
    {
        QByteArray data(kFileSize, Qt::Uninitialized);
        quint64 state = 0x9E3779B97F4A7C15ull;
        for (qsizetype i = 0; i < data.size(); ++i) {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            data[i] = char(state);
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) return 1;
    }
    const QString key = kPrinterFamilyClassName;

    QByteArray theirs;
    const double peer = bench::bestSeconds(kRuns, [&] {
        QProcess process;
        process.start(openssl, {"dgst", "-sha256", "-hmac", key, path});
        if (!process.waitForFinished(120000) || process.exitCode() != 0) return false;
        theirs = process.readAllStandardOutput().trimmed();
        return true;
    });
    // openssl prints "HMAC-SHA256(<path>)= <hex>"; the catalogue's digest is the same hex and "00".
    const QString expected =
        QString::fromLatin1(theirs.mid(theirs.lastIndexOf(' ') + 1)) + QStringLiteral("00");
    platform::resources::setSearchDirectoriesOverride({dir.path()});
    const FirmwareCatalogueEntry entry{{fileName}, {expected}};
    // Passing means the program's digest is openssl's.
    const double mine = bench::bestSeconds(kRuns, [&] {
        BenchDeviceInfo info;
        return TBFirmwarePackage::verifyEntry(entry, Edition::printerFlasher(), key, info);
    });
    // For comparison: the whole file copied into memory first, then digested.
    const double copied = bench::bestSeconds(kRuns, [&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return false;
        return !TBFirmwarePackage::verifyBlob(file.readAll(), key).isEmpty();
    });
    if (peer < 0 || copied < 0) return 1;
    if (mine < 0) {
        std::fprintf(stderr, "the package check does not accept openssl's digest %s\n", theirs.constData());
        return 1;
    }
    const double mib = double(kFileSize) / (1024.0 * 1024.0);
    std::printf("openssl dgst -hmac:   %8.2f ms (%.0f MiB/s)\n", peer * 1e3, mib / peer);
    std::printf("package check:        %8.2f ms (%.0f MiB/s)\n", mine * 1e3, mib / mine);
    std::printf("readAll + verifyBlob: %8.2f ms (%.0f MiB/s)\n", copied * 1e3, mib / copied);
    std::printf("BENCH hmac_vs_openssl %.2f x goal >= 0.9\n", peer / mine);
    return 0;
}
