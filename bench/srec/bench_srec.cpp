// The S-record check against srec_info on one ~20 MiB S-record file made with srec_cat in this run.
// srec_info parses the same file as a whole program run; ours is timed twice: the check alone on
// the bytes in memory (the figure the goal is about) and reading the file plus the check.
#include "Classes/TBFirmwarePackage.h"
#include "common/benchsupport.h"
#include "platform/platformlog.h"

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
// 8 MiB of data in 32-byte records is about 20 MiB of S-record text.
constexpr char kDataEnd[] = "0x800000";
constexpr char kBlockSize[] = "-Output_Block_Size=32";

bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) return false;
    if (output) *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    platform::setLogProgramName(QStringLiteral("bench_srec"));
    const QString srecCat = QStandardPaths::findExecutable(QStringLiteral("srec_cat"));
    const QString srecInfo = QStandardPaths::findExecutable(QStringLiteral("srec_info"));
    if (srecCat.isEmpty() || srecInfo.isEmpty()) {
        std::fprintf(stderr, "srec_cat and srec_info are needed (Debian package srecord)\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.srec"));
    if (!run(srecCat, {"-generate", "0", kDataEnd, "-repeat-string", "printer firmware sample ", "-o", path,
                       "-Motorola", kBlockSize})) {
        std::fprintf(stderr, "srec_cat failed\n");
        return 1;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 1;
    const QByteArray image = file.readAll();
    file.close();
    if (!TBFirmwarePackage::verifySRecData(image)) {
        std::fprintf(stderr, "the S-record check rejects srec_cat's file\n");
        return 1;
    }

    const double peer = bench::bestSeconds(kRuns, [&] { return run(srecInfo, {path}); });
    const double check = bench::bestSeconds(kRuns, [&] { return TBFirmwarePackage::verifySRecData(image); });
    const double readAndCheck = bench::bestSeconds(kRuns, [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && TBFirmwarePackage::verifySRecData(f.readAll());
    });
    if (peer < 0 || check < 0 || readAndCheck < 0) return 1;

    const double mib = double(image.size()) / (1024.0 * 1024.0);
    std::printf("file: %.1f MiB of S-record text\n", mib);
    std::printf("srec_info:                 %8.2f ms\n", peer * 1e3);
    std::printf("verifySRecData:            %8.2f ms (%.0f MiB/s)\n", check * 1e3, mib / check);
    std::printf("read file + verifySRecData: %7.2f ms (%.1f x srec_info)\n", readAndCheck * 1e3,
                peer / readAndCheck);
    std::printf("BENCH srec_vs_srec_info %.1f x goal >= 20\n", peer / check);
    return 0;
}
