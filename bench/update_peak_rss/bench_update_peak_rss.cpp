// Peak memory of the upload step of a firmware update with a 64 MiB image: the image file read
// whole, digested, checked as S-records, padded, and written to the printer in whole-packet pieces
// through TBUSBPrinter::writeToInterfaceInPieces on the printer's command queue, as the upload step
// does. Each measurement runs in a child process of its own (this program with --child), which
// reports its peak resident set (VmHWM); the baseline is the same child doing the same with a
// one-record image. The figure is what the image adds, in multiples of its size.
//
// The printer here is a sink that counts the bytes written, not the simulated printer model: the
// model keeps what it receives (SimPrinterDevice::bytesWritten and SimZEVPrinter::receivedFrames
// hold copies of every byte for the tests), which would count against the program.
#include "common/srecimage.h"

#include "Classes/TBFirmwarePackage.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/ZEVProtocol.h"
#include "platform/platformlog.h"
#include "platform/queue.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr qsizetype kImageBytes = 64 * 1024 * 1024;
constexpr int kRuns = 3;

// An interface that takes every bulk-out byte and counts it; it answers no reads and no requests.
class CountingInterface : public usb::UsbInterface {
public:
    std::atomic<qint64> written{0};

    IOReturn openSeize() override { return kIOReturnSuccess; }
    IOReturn close() override { return kIOReturnSuccess; }
    IOReturn interfaceClass(std::uint8_t& value) override {
        return value = usb::kUSBPrintingClass, kIOReturnSuccess;
    }
    IOReturn interfaceSubClass(std::uint8_t& value) override {
        return value = usb::kUSBPrintingSubClass, kIOReturnSuccess;
    }
    IOReturn interfaceNumber(std::uint8_t& value) override { return value = 0, kIOReturnSuccess; }
    IOReturn alternateSetting(std::uint8_t& value) override { return value = 0, kIOReturnSuccess; }
    IOReturn configurationValue(std::uint8_t& value) override { return value = 1, kIOReturnSuccess; }
    IOReturn deviceVendor(std::uint16_t& value) override { return value = 0, kIOReturnSuccess; }
    IOReturn deviceProduct(std::uint16_t& value) override { return value = 0, kIOReturnSuccess; }
    IOReturn deviceReleaseNumber(std::uint16_t& value) override { return value = 0x100, kIOReturnSuccess; }
    IOReturn locationID(std::uint32_t& value) override { return value = 0x14100000, kIOReturnSuccess; }
    IOReturn numEndpoints(std::uint8_t& count) override { return count = 2, kIOReturnSuccess; }
    IOReturn pipeProperties(std::uint8_t pipeRef, usb::PipeProperties& p) override {
        if (pipeRef < 1 || pipeRef > 2) return kIOUSBUnknownPipeErr;
        p = {};
        p.direction = pipeRef == 1 ? usb::kUSBOut : usb::kUSBIn;
        p.number = 1;
        p.transferType = usb::kUSBBulk;
        p.maxPacketSize = 512;
        return kIOReturnSuccess;
    }
    IOReturn writePipe(std::uint8_t, const void*, std::uint32_t size, std::uint32_t, std::uint32_t) override {
        written += size;
        return kIOReturnSuccess;
    }
    IOReturn readPipe(std::uint8_t, void*, std::uint32_t& size, std::uint32_t, std::uint32_t) override {
        size = 0;
        return kIOReturnTimeout;
    }
    IOReturn controlRequest(usb::ControlRequest&) override { return kIOUSBPipeStalled; }
    IOReturn device(std::shared_ptr<usb::UsbDevice>& device) override {
        device.reset();
        return kIOReturnNotFound;
    }
    std::shared_ptr<usb::UsbService> service() override { return nullptr; }
};

qint64 peakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// The child: one upload step of the image at `path`; prints "<peak KiB> <bytes written>".
int child(const QString& path) {
    std::freopen("/dev/null", "w", stderr);
    auto interface = std::make_shared<CountingInterface>();
    auto printer = TBUSBPrinter::create<TBUSBPrinterZEV>();
    printer->initWithInterfaceInterface(interface);
    printer->printerCommandQueue()->waitUntilIdle();
    QCoreApplication::processEvents();

    std::atomic<bool> sent{false};
    TBUSBPrinter* p = printer.get();
    printer->openInterface([p, path, &sent](IOReturn result) {
        if (result != kIOReturnSuccess) return;
        std::optional<QByteArray> image = TBFirmwarePackage::readWholeFile(path);
        if (!image || TBFirmwarePackage::verifyBlob(*image, kPrinterFamilyClassName).isEmpty() ||
            !TBFirmwarePackage::verifySRecData(*image))
            return;
        TBFirmwarePackage::padData(*image);
        const zev::Frame header = zev::buildFrameHeader(zev::kCommandFlashProgram, std::size_t(image->size()),
                                                        [](const QString&, qint64) {});
        // As the upload passes it: the payload cut to the length the header announces.
        sent = p->writeToInterfaceInPieces(header.bytes, image->left(qsizetype(header.payloadLength)),
                                           [](qint64, qint64) {});
    });
    printer->printerCommandQueue()->waitUntilIdle();
    QCoreApplication::processEvents();
    const qint64 peak = peakResidentKiB();
    printer->prepareForRelease();
    printer->printerCommandQueue()->waitUntilIdle();
    QCoreApplication::processEvents();
    if (!sent) return 1;
    std::printf("%lld %lld\n", static_cast<long long>(peak),
                static_cast<long long>(interface->written.load()));
    return 0;
}

// The lowest peak of kRuns children over `path` (what else runs can only raise it), in KiB.
std::optional<qint64> lowestPeak(const QString& path, qint64 expectedBytes) {
    qint64 best = -1;
    for (int i = 0; i < kRuns; ++i) {
        QProcess process;
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), path});
        if (!process.waitForFinished(60000) || process.exitCode() != 0) return std::nullopt;
        const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
        const qint64 peak = fields.value(0).toLongLong();
        if (fields.value(1).toLongLong() != expectedBytes || peak <= 0) {
            std::printf("child for %s: wrote %s bytes, expected %lld\n", qPrintable(path),
                        fields.value(1).constData(), static_cast<long long>(expectedBytes));
            return std::nullopt;
        }
        best = best < 0 ? peak : std::min(best, peak);
    }
    return best;
}

qint64 paddedFrameBytes(qsizetype imageBytes) {
    return 32 + (imageBytes + 3) / 4 * 4;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    platform::setLogProgramName(QStringLiteral("bench_update_peak_rss"));
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return child(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    const QString large = dir.filePath(QStringLiteral("large.fw"));
    const QString small = dir.filePath(QStringLiteral("small.fw"));
    const auto write = [](const QString& path, qsizetype textBytes) -> qsizetype {
        const QByteArray image = bench::makeSRecordImage(textBytes);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(image) == image.size() ? image.size() : -1;
    };
    const qsizetype largeBytes = write(large, kImageBytes);
    const qsizetype smallBytes = write(small, 1);
    if (largeBytes < 0 || smallBytes < 0) return 1;
    const std::optional<qint64> baseline = lowestPeak(small, paddedFrameBytes(smallBytes));
    const std::optional<qint64> peak = lowestPeak(large, paddedFrameBytes(largeBytes));
    if (!baseline || !peak) {
        std::printf("a child failed\n");
        return 1;
    }
    const double mib = double(largeBytes) / (1024.0 * 1024.0);
    const double added = double(*peak - *baseline) * 1024.0 / double(largeBytes);
    std::printf("image: %.1f MiB of S-record text\n", mib);
    std::printf("peak resident, one-record image: %8.1f MiB\n", double(*baseline) / 1024.0);
    std::printf("peak resident, %.0f MiB image:    %8.1f MiB (+%.1f MiB)\n", mib, double(*peak) / 1024.0,
                double(*peak - *baseline) / 1024.0);
    std::printf("BENCH update_peak_rss %.2f x goal <= 2\n", added);
    return 0;
}
