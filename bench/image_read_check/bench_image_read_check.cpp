// The one read of a firmware image as an update does it (the file read whole into a fresh buffer
// with room for the word padding, its keyed digest, its S-record check) against
// `openssl dgst -sha256 -hmac` run as a whole program over the same ~20 MiB S-record file, made in
// this run. Both take the file from the page cache; openssl's figure includes its process start.
// Each of our runs is timed by phase (read, digest, check, buffer freed), so a miss can be put down
// to one of them. A second variant reads into a plain buffer (no huge-page advice): it shows what
// the first touch of the buffer's pages costs on this machine.
#include "common/benchsupport.h"
#include "common/srecimage.h"

#include "Classes/TBFirmwarePackage.h"
#include "platform/platformlog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace {

constexpr int kRuns = 7;
constexpr qsizetype kImageBytes = 20 * 1024 * 1024; // of S-record text, about
const QString kKey = kPrinterFamilyClassName;

// The package file read as an update reads it (TBFirmwarePackage::readWholeFile); with `plain`,
// the same read into a buffer without the huge-page advice, for comparison.
std::optional<QByteArray> readImage(const QString& path, bool plain) {
    if (!plain) return TBFirmwarePackage::readWholeFile(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const qint64 size = file.size();
    QByteArray contents;
    contents.reserve(qsizetype(size) + 4);
    contents.resize(qsizetype(size));
    if (file.read(contents.data(), size) != size) return std::nullopt;
    return contents;
}

// One read, digest and check, in seconds per phase: read, digest, check, free; the last is the total.
using Phases = std::array<double, 5>;

std::optional<Phases> readDigestCheck(const QString& path, bool plain, QString* digest) {
    Phases phases{};
    QElapsedTimer timer;
    timer.start();
    const auto lap = [&timer, &phases](int phase) {
        phases[std::size_t(phase)] = double(timer.nsecsElapsed()) / 1e9;
    };
    {
        std::optional<QByteArray> image = readImage(path, plain);
        if (!image) return std::nullopt;
        lap(0);
        *digest = TBFirmwarePackage::verifyBlob(*image, kKey);
        lap(1);
        if (digest->isEmpty() || !TBFirmwarePackage::verifySRecData(*image)) return std::nullopt;
        lap(2);
    }
    lap(3);
    phases[4] = phases[3];
    for (int i = 3; i > 0; --i)
        phases[std::size_t(i)] -= phases[std::size_t(i - 1)];
    return phases;
}

// The best of kRuns by total.
std::optional<Phases> bestPhases(const QString& path, bool plain, QString* digest) {
    std::optional<Phases> best;
    for (int i = 0; i < kRuns; ++i) {
        const std::optional<Phases> phases = readDigestCheck(path, plain, digest);
        if (!phases) return std::nullopt;
        if (!best || (*phases)[4] < (*best)[4]) best = phases;
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    platform::setLogProgramName(QStringLiteral("bench_image_read_check"));
    // verifyBlob logs a line per digest; keep the output to the figures.
    std::freopen("/dev/null", "w", stderr);
    // Every read gets fresh pages, as the one read of an update does: without this the allocator
    // keeps the freed buffer after the first run and later runs skip the page faults.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty()) {
        std::printf("openssl is needed\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("HVC 01.41.fw"));
    const QString empty = dir.filePath(QStringLiteral("empty"));
    qsizetype imageBytes = 0;
    {
        const QByteArray image = bench::makeSRecordImage(kImageBytes);
        imageBytes = image.size();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size()) return 1;
        QFile none(empty);
        if (!none.open(QIODevice::WriteOnly)) return 1;
    }

    const auto peerRun = [&](const QString& file, QByteArray* output) {
        QProcess process;
        process.start(openssl, {"dgst", "-sha256", "-hmac", kKey, file});
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return false;
        if (output) *output = process.readAllStandardOutput().trimmed();
        return true;
    };
    QByteArray theirs;
    const double peer = bench::bestSeconds(kRuns, [&] { return peerRun(path, &theirs); });
    const double peerStart = bench::bestSeconds(kRuns, [&] { return peerRun(empty, nullptr); });

    QString digest;
    const std::optional<Phases> ours = bestPhases(path, false, &digest);
    QString plainDigest;
    const std::optional<Phases> plainPages = bestPhases(path, true, &plainDigest);
    if (peer < 0 || peerStart < 0 || !ours || !plainPages) {
        std::printf("a run failed (openssl, or the read, digest or check of the image)\n");
        return 1;
    }
    // openssl prints "HMAC-SHA256(<path>)= <hex>"; ours is the same hex and "00".
    const QString expected =
        QString::fromLatin1(theirs.mid(theirs.lastIndexOf(' ') + 1)) + QStringLiteral("00");
    if (digest != expected || plainDigest != expected) {
        std::printf("the digests differ: ours %s, openssl's %s\n", qPrintable(digest), theirs.constData());
        return 1;
    }

    const double mib = double(imageBytes) / (1024.0 * 1024.0);
    const auto show = [mib](const char* what, const Phases& p) {
        std::printf("%s %7.2f ms (%.0f MiB/s): read %.2f, digest %.2f, check %.2f, free %.2f ms\n", what,
                    p[4] * 1e3, mib / p[4], p[0] * 1e3, p[1] * 1e3, p[2] * 1e3, p[3] * 1e3);
    };
    std::printf("image: %.1f MiB of S-record text\n", mib);
    std::printf("openssl dgst -hmac:       %7.2f ms (%.0f MiB/s; %.2f ms of it on an empty file)\n",
                peer * 1e3, mib / peer, peerStart * 1e3);
    show("read + digest + check:   ", *ours);
    show("the same, plain pages:   ", *plainPages);
    std::printf("plain pages: %.2f x openssl\n", peer / (*plainPages)[4]);
    std::printf("BENCH image_read_check %.2f x goal >= 0.8\n", peer / (*ours)[4]);
    return 0;
}
