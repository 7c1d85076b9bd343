// Throughput of an image upload over the libusb backend: a 32-byte frame header and a 16 MiB image
// written by TBUSBPrinter::writeToInterfaceInPieces on the printer's command queue, with its
// interface open, as the upload step does, beside the same bytes in the same pieces written with
// bare libusb_bulk_transfer() calls on the same device and endpoint, interface claimed. Both run
// in turns in one process, against one device behind umockdev's usbfs.
//
// The device is the libusb tests' usbfs testbed with its bulk OUT pipe only counting what arrives:
// the simulated printer model keeps a copy of every byte written (for the tests), which would grow
// by the image at every run. The model still supplies the descriptors and answers the control
// requests (device ID, strings) of the printer's set-up.
// The first round of each side is not measured: it checks that the device got the whole frame,
// byte for byte (a checksum), in the same pieces.
//
// Under umockdev each usbfs ioctl is a round trip to its emulating thread (a fraction of a
// millisecond on a busy machine, far more than the kernel takes). A bare synchronous transfer makes
// three in a row per piece (submit, reap, the reap that finds nothing more); the backend's event
// thread reaps while the caller submits the next piece, so the backend may well come out ahead here.

#include "Classes/TBUSBPrinter.h"
#include "Classes/ZEVProtocol.h"
#include "base/threadsafety.h"
#include "common/benchsupport.h"
#include "devicemodel/SimPrinterDevice.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/usb/capture/capture.h"
#include "platform/usb/libusb/LibusbBus.h"

#include "UrbResponder.h"
#include "UsbfsTestbed.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr qsizetype kImageBytes = 16 * 1024 * 1024;
constexpr int kRounds = 7; // measured rounds after the checking one; the sides alternate who goes first
constexpr double kGoalRatio = 0.9;
constexpr qint64 kPieceBytes = 64 * 1024; // the program's upload piece, before rounding to packets
constexpr unsigned kTimeoutMs = 5000;     // the program's bulk write time-out
constexpr std::uint16_t kVendor = 0x1234, kProduct = 0x5678;
constexpr std::uint8_t kOutEndpoint = 0x01;
constexpr int kInterface = 0;

constexpr std::uint64_t kChecksumStart = 0xcbf29ce484222325ull;

// FNV-1a, 64 bits.
std::uint64_t checksum(std::uint64_t sum, const std::uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        sum = (sum ^ bytes[i]) * 0x100000001b3ull;
    return sum;
}

// The device's bulk OUT pipe: transfers are counted (and, while a check is on, summed and their
// lengths kept), never stored. Runs on umockdev's worker thread; the tally is read from the main
// thread, under the lock.
class Counter {
public:
    struct Tally {
        qint64 bytes = 0;
        std::uint64_t sum = kChecksumStart; // while checking
        std::vector<int> lengths;           // while checking
    };

    usbfs_test::UrbResponder::BulkOutHandler handler() {
        return [this](std::uint8_t, const std::uint8_t* bytes, std::size_t size) {
            base::MutexLocker lock(mutex_);
            tally_.bytes += qint64(size);
            if (checking_ && bytes) {
                tally_.sum = checksum(tally_.sum, bytes, size);
                tally_.lengths.push_back(int(size));
            }
            return sim::Status::Ok;
        };
    }
    void startTally(bool check) {
        base::MutexLocker lock(mutex_);
        tally_ = {};
        checking_ = check;
    }
    Tally tally() const {
        base::MutexLocker lock(mutex_);
        return tally_;
    }

private:
    mutable base::Mutex mutex_;
    bool checking_ GUARDED_BY(mutex_) = false;
    Tally tally_ GUARDED_BY(mutex_);
};

sim::DeviceIdentity identity() {
    sim::DeviceIdentity id;
    id.vendorId = kVendor;
    id.productId = kProduct;
    id.locationId = 0x01400000; // bus 1, port 4
    id.manufacturer = u"Bench";
    id.product = u"Counting printer";
    id.serialNumber = u"0001";
    id.deviceId1284 = "MFG:Bench;MDL:Counting printer;CMD:RAW;CLS:PRINTER;";
    return id;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Whether the device got `tally` for one whole upload; with a check, also the bytes and pieces.
bool arrivedWhole(const Counter::Tally& tally, qint64 total, bool checked, std::uint64_t sum,
                  const std::vector<int>& pieces, const char* label) {
    bool whole = tally.bytes == total;
    if (checked) whole = whole && tally.sum == sum && tally.lengths == pieces;
    if (!whole)
        std::fprintf(stderr, "%s: the device got %lld of %lld bytes%s\n", label,
                     static_cast<long long>(tally.bytes), static_cast<long long>(total),
                     checked ? " (or other bytes, or other pieces, than were sent)" : "");
    return whole;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    platform::setLogProgramName(QStringLiteral("bench_upload_vs_bare_libusb"));

    Counter counter; // outlives the testbed, whose responder hands it the bulk OUT transfers
    usbfs_test::UsbfsTestbed testbed;
    if (!testbed.inMockEnvironment()) {
        std::fprintf(stderr, "run under umockdev-wrapper (bench/run does)\n");
        return 1;
    }
    // The printer at port 4 of bus 1, device number 2, with no kernel driver bound to its interface.
    const auto model = sim::SimPrinterDevice::create(identity());
    usbfs_test::UrbResponder* responder = testbed.responder(testbed.plug(model, usbfs_test::Placement{}));
    responder->setKernelDriver(false);
    responder->setBulkOutHandler(counter.handler());

    // The frame: the upload's header, and an image of bytes that are not all alike.
    const zev::Frame header = zev::buildFrameHeader(zev::kCommandFlashProgram, std::size_t(kImageBytes),
                                                    [](const QString&, qint64) {});
    QByteArray image(kImageBytes, Qt::Uninitialized);
    std::uint32_t state = 0x2545F491u;
    for (char& byte : image) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state >> 24);
    }
    const QByteArray frame = header.bytes + image; // bare libusb sends it from one buffer
    const qint64 total = frame.size();
    const std::uint64_t sum = checksum(
        kChecksumStart, reinterpret_cast<const std::uint8_t*>(frame.constData()), std::size_t(total));

    double oursBest = 0, bareBest = 0;
    bool failed = false;
    {
        // Recorded, as the program's bus is: the upload pays for what the update's capture keeps of it.
        auto bus = usb::capture::capturingBus(usb::makeLibusbBus());
        usb::setCurrentBus(bus);
        const auto service = bus ? bench::firstPrinter(*bus) : nullptr;
        std::shared_ptr<usb::UsbInterface> interface;
        libusb_context* context = nullptr;
        libusb_device_handle* handle = nullptr;
        if (libusb_init(&context) == LIBUSB_SUCCESS)
            handle = libusb_open_device_with_vid_pid(context, kVendor, kProduct);
        if (!service || service->createInterface(interface) != kIOReturnSuccess || !handle) {
            std::fprintf(stderr, "libusb: no printer\n");
            return 1;
        }
        libusb_set_auto_detach_kernel_driver(handle, 1);
        const int packet = libusb_get_max_packet_size(libusb_get_device(handle), kOutEndpoint);
        const int pieceSize = int(std::max<qint64>(packet, kPieceBytes / std::max(packet, 1) * packet));
        std::vector<int> pieces(std::size_t(total / pieceSize), pieceSize);
        if (total % pieceSize) pieces.push_back(int(total % pieceSize));

        auto printer = TBUSBPrinter::create<TBUSBPrinter>();
        printer->initWithInterfaceInterface(interface);
        platform::SerialQueue* queue = printer->printerCommandQueue();
        queue->waitUntilIdle(); // the device-ID read
        QCoreApplication::processEvents();

        // The program's upload, timed around the call on the command queue, interface open.
        const auto ours = [&]() -> double {
            IOReturn opened = kIOReturnError;
            printer->openInterface([&opened](IOReturn result) { opened = result; });
            queue->waitUntilIdle();
            double seconds = -1;
            if (opened == kIOReturnSuccess && printer->bulkOUTMaxPacketSize() == packet) {
                queue->async([&] {
                    qint64 reported = 0;
                    const auto start = std::chrono::steady_clock::now();
                    const bool sent = printer->writeToInterfaceInPieces(
                        header.bytes, image, [&reported](qint64 written, qint64) { reported = written; });
                    const double elapsed = secondsSince(start);
                    if (sent && reported == total) seconds = elapsed;
                });
                queue->waitUntilIdle();
            }
            printer->closeInterface();
            queue->waitUntilIdle();
            QCoreApplication::processEvents();
            return seconds;
        };
        // The same bytes in the same pieces with bare libusb, interface claimed.
        const auto bare = [&]() -> double {
            if (libusb_claim_interface(handle, kInterface) != LIBUSB_SUCCESS) return -1;
            const auto start = std::chrono::steady_clock::now();
            qint64 written = 0;
            for (int size : pieces) {
                int done = 0;
                if (libusb_bulk_transfer(
                        handle, kOutEndpoint,
                        reinterpret_cast<unsigned char*>(const_cast<char*>(frame.constData())) + written,
                        size, &done, kTimeoutMs) != LIBUSB_SUCCESS ||
                    done != size)
                    break;
                written += done;
            }
            const double elapsed = secondsSince(start);
            libusb_release_interface(handle, kInterface);
            return written == total ? elapsed : -1;
        };

        std::vector<double> oursSeconds, bareSeconds;
        for (int round = 0; round <= kRounds && !failed; ++round) {
            const bool check = round == 0;
            for (int turn = 0; turn < 2 && !failed; ++turn) {
                const bool isOurs = (turn == 0) == (round % 2 == 0);
                const char* label = isOurs ? "libusb backend" : "bare libusb";
                counter.startTally(check);
                const double seconds = isOurs ? ours() : bare();
                if (seconds < 0) std::fprintf(stderr, "%s: the upload failed\n", label);
                failed = seconds < 0 || !arrivedWhole(counter.tally(), total, check, sum, pieces, label);
                if (!failed && !check) (isOurs ? oursSeconds : bareSeconds).push_back(seconds);
            }
        }
        if (!failed) {
            oursBest = *std::min_element(oursSeconds.begin(), oursSeconds.end());
            bareBest = *std::min_element(bareSeconds.begin(), bareSeconds.end());
            std::printf(
                "upload of %lld bytes in %zu pieces of up to %d bytes (checked once: count, checksum, "
                "pieces)\n",
                static_cast<long long>(total), pieces.size(), pieceSize);
            for (std::size_t i = 0; i < oursSeconds.size(); ++i)
                std::printf("round %zu: libusb backend %7.1f ms, bare libusb %7.1f ms\n", i + 1,
                            oursSeconds[i] * 1e3, bareSeconds[i] * 1e3);
        }

        libusb_close(handle);
        libusb_exit(context);
        printer->prepareForRelease();
        queue->waitUntilIdle();
        QCoreApplication::processEvents();
        printer.reset();
        QCoreApplication::processEvents();
        usb::setCurrentBus(nullptr);
    }
    if (failed) return 1;

    const double mib = double(total) / (1024.0 * 1024.0);
    std::printf("best of %d: libusb backend %.1f ms (%.1f MiB/s), bare libusb %.1f ms (%.1f MiB/s)\n",
                kRounds, oursBest * 1e3, mib / oursBest, bareBest * 1e3, mib / bareBest);
    std::printf("BENCH upload_vs_bare_libusb %.2f x goal >= %.1f\n", bareBest / oursBest, kGoalRatio);
    return 0;
}
