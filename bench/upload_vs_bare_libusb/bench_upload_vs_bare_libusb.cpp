// Throughput of an image upload over the libusb backend: a 32-byte frame header and a 16 MiB image
// written by TBUSBPrinter::writeToInterfaceInPieces on the printer's command queue, with its
// interface open, as the upload step does, beside the same bytes in the same pieces written with
// bare libusb_bulk_transfer() calls on the same device and endpoint, interface claimed. Both run
// in turns in one process, against one device behind umockdev's usbfs.
//
// The device here only counts what arrives: the simulated printer model keeps a copy of every byte
// written (for the tests), which would grow by the image at every run. The model still supplies
// the descriptors and answers the control requests (device ID, strings) of the printer's set-up.
// The first round of each side is not measured: it checks that the device got the whole frame,
// byte for byte (a checksum), in the same pieces.
//
// Under umockdev each usbfs ioctl is a round trip to its emulating thread (a fraction of a
// millisecond on a busy machine, far more than the kernel takes). A bare synchronous transfer makes
// three in a row per piece (submit, reap, the reap that finds nothing more); the backend's event
// thread reaps while the caller submits the next piece, so the backend may well come out ahead here.

// Before Qt: glib names a field "signals", which Qt defines as a keyword.
#include <umockdev.h>

#include "Classes/TBUSBPrinter.h"
#include "Classes/ZEVProtocol.h"
#include "base/threadsafety.h"
#include "common/benchsupport.h"
#include "devicemodel/SimPrinterDevice.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/usb/libusb/LibusbBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <stdexcept>
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
constexpr char kRootHubPath[] = "/devices/pci0000:00/0000:00:14.0/usb1";
constexpr char kDevicePath[] = "/devices/pci0000:00/0000:00:14.0/usb1/1-4";
constexpr char kNode[] = "/dev/bus/usb/001/002";

// usbfs ioctl requests (x86-64 encodings) and the layout of struct usbdevfs_urb.
constexpr unsigned long kSubmitUrb = 0x8038550a;
constexpr unsigned long kReapUrbNoDelay = 0x4008550d;
constexpr unsigned long kDiscardUrb = 0x550b;
constexpr unsigned long kGetCapabilities = 0x8004551a;
constexpr unsigned long kClaimInterface = 0x8004550f;
constexpr unsigned long kReleaseInterface = 0x80045510;
constexpr unsigned long kGetDriver = 0x41045508;
constexpr unsigned long kDisconnectClaim = 0x8108551b;
constexpr unsigned long kInterfaceIoctl = 0xc0105512;
constexpr unsigned long kClearHalt = 0x80045515;
constexpr unsigned long kReset = 0x5514;
constexpr std::int32_t kIoctlDisconnect = 0x5516;
constexpr std::size_t kUrbSize = 0x38;
constexpr std::size_t kUrbType = 0, kUrbEndpoint = 1, kUrbStatus = 4, kUrbBuffer = 16, kUrbBufferLength = 24,
                      kUrbActualLength = 28;
constexpr std::uint8_t kUrbTypeControl = 2;
constexpr std::size_t kSetupLength = 8;
// No packet size limit: libusb sends each transfer as one URB, as on current kernels.
constexpr std::uint32_t kCapabilityNoPacketSizeLimit = 0x04;

// A USB 2.0 root hub (device and configuration descriptors): libusb needs the parent for the port path.
const std::vector<std::uint8_t> kRootHubDescriptors = {
    0x12, 0x01, 0x00, 0x02, 0x09, 0x00, 0x01, 0x40, 0x6b, 0x1d, 0x02, 0x00, 0x00, 0x01, 0x03,
    0x02, 0x01, 0x01, 0x09, 0x02, 0x19, 0x00, 0x01, 0x01, 0x00, 0xe0, 0x00, 0x09, 0x04, 0x00,
    0x00, 0x01, 0x09, 0x00, 0x00, 0x00, 0x07, 0x05, 0x81, 0x03, 0x04, 0x00, 0x0c,
};

constexpr std::uint64_t kChecksumStart = 0xcbf29ce484222325ull;

// FNV-1a, 64 bits.
std::uint64_t checksum(std::uint64_t sum, const std::uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        sum = (sum ^ bytes[i]) * 0x100000001b3ull;
    return sum;
}

template <typename T> T readField(const UMockdevIoctlData* data, std::size_t offset) {
    T value{};
    if (data && offset + sizeof(T) <= std::size_t(data->data_len))
        std::memcpy(&value, data->data + offset, sizeof(T));
    return value;
}

template <typename T> void writeField(UMockdevIoctlData* data, std::size_t offset, T value) {
    if (data && offset + sizeof(T) <= std::size_t(data->data_len))
        std::memcpy(data->data + offset, &value, sizeof(T));
}

// What an ioctl argument points to, fetched from the client (owned by the argument).
UMockdevIoctlData* pointee(UMockdevIoctlData* arg, std::size_t length) {
    if (!arg) return nullptr;
    GError* error = nullptr;
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, length, &error);
    if (error) g_error_free(error);
    return data;
}

void complete(UMockdevIoctlClient* client, int error, int result = 0) {
    umockdev_ioctl_client_complete(client, error ? -1 : result, error);
}

// The device side of the printer's usbfs node. Bulk OUT transfers are counted (and, while a check
// is on, summed and their lengths kept), never stored; control requests go to the model; bulk IN
// transfers stay pending until discarded. One interface, claimed by one descriptor at a time.
// Runs on umockdev's worker thread; the tally is read from the main thread, under the lock.
class CountingNode {
public:
    struct Tally {
        qint64 bytes = 0;
        std::uint64_t sum = kChecksumStart; // while checking
        std::vector<int> lengths;           // while checking
    };

    explicit CountingNode(std::shared_ptr<sim::SimPrinterDevice> model) : model_(std::move(model)) {}
    ~CountingNode() {
        for (Urb& urb : pending_)
            release(urb);
        for (Urb& urb : completed_)
            release(urb);
    }

    UMockdevIoctlBase* newHandler() {
        UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
        g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onIoctl), this);
        g_signal_connect(handler, "client-vanished", G_CALLBACK(onClientVanished), this);
        return handler;
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
    struct Urb {
        UMockdevIoctlData* urb = nullptr;    // the client's struct usbdevfs_urb (referenced)
        UMockdevIoctlData* buffer = nullptr; // its data buffer (referenced), may be null
        int status = 0;
        int actualLength = 0;
    };

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer node) {
        static_cast<CountingNode*>(node)->handle(client);
        return TRUE;
    }
    static void onClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer node) {
        // A closed descriptor gives up its claim, as the kernel does.
        auto* self = static_cast<CountingNode*>(node);
        base::MutexLocker lock(self->mutex_);
        if (self->holder_ == client) self->holder_ = nullptr;
    }
    static void release(Urb& urb) {
        if (urb.buffer) g_object_unref(urb.buffer);
        if (urb.urb) g_object_unref(urb.urb);
        urb.buffer = urb.urb = nullptr;
    }

    void handle(UMockdevIoctlClient* client) {
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        switch (umockdev_ioctl_client_get_request(client)) {
        case kSubmitUrb:
            return submit(client, pointee(arg, kUrbSize));
        case kReapUrbNoDelay:
            return reap(client, pointee(arg, sizeof(void*)));
        case kDiscardUrb:
            return discard(client, readField<gulong>(arg, 0));
        case kGetCapabilities:
            writeField<std::uint32_t>(pointee(arg, sizeof(std::uint32_t)), 0, kCapabilityNoPacketSizeLimit);
            return complete(client, 0);
        case kClaimInterface:
        case kDisconnectClaim: // no kernel driver is bound, so there is nothing to disconnect
            return claim(client, readField<std::uint32_t>(pointee(arg, 4), 0), true);
        case kReleaseInterface:
            return claim(client, readField<std::uint32_t>(pointee(arg, 4), 0), false);
        case kGetDriver:
            return complete(client, ENODATA); // no driver on the interface
        case kInterfaceIoctl:
            // Disconnecting finds no driver; connecting binds none.
            return complete(client,
                            readField<std::int32_t>(pointee(arg, 16), 4) == kIoctlDisconnect ? ENODATA : 0);
        case kClearHalt:
        case kReset:
            return complete(client, 0);
        default:
            return complete(client, ENOTTY);
        }
    }

    void claim(UMockdevIoctlClient* client, std::uint32_t number, bool take) {
        base::MutexLocker lock(mutex_);
        int error = 0;
        if (number != unsigned(kInterface))
            error = take ? ENOENT : EINVAL;
        else if (take && holder_ && holder_ != client)
            error = EBUSY;
        else if (!take && holder_ != client)
            error = EINVAL;
        else
            holder_ = take ? client : nullptr;
        complete(client, error);
    }

    void submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        if (!arg) return complete(client, EFAULT);
        const auto type = readField<std::uint8_t>(arg, kUrbType);
        const auto endpoint = readField<std::uint8_t>(arg, kUrbEndpoint);
        const int length = readField<std::int32_t>(arg, kUrbBufferLength);
        if (length < 0 || (type == kUrbTypeControl && std::size_t(length) < kSetupLength))
            return complete(client, EINVAL);
        Urb urb;
        if (length > 0) {
            // Fetches the bytes from the client, as usbfs copies them in.
            GError* error = nullptr;
            urb.buffer = umockdev_ioctl_data_resolve(arg, kUrbBuffer, std::size_t(length), &error);
            if (error) g_error_free(error);
            if (!urb.buffer) return complete(client, EFAULT);
            g_object_ref(urb.buffer);
        }
        urb.urb = static_cast<UMockdevIoctlData*>(g_object_ref(arg));

        base::MutexLocker lock(mutex_);
        if (type == kUrbTypeControl) {
            const sim::SetupPacket setup = sim::SetupPacket::fromBytes(urb.buffer->data);
            const std::size_t room = std::size_t(length) - kSetupLength;
            std::vector<std::uint8_t> data;
            if (!setup.isIn())
                data.assign(urb.buffer->data + kSetupLength,
                            urb.buffer->data + kSetupLength + std::min<std::size_t>(setup.wLength, room));
            const sim::Status status = model_->control(setup, data);
            if (status == sim::Status::Ok && setup.isIn()) {
                const std::size_t n = std::min(room, data.size());
                if (n) std::memcpy(urb.buffer->data + kSetupLength, data.data(), n);
                urb.actualLength = int(n);
            } else if (status == sim::Status::Ok) {
                urb.actualLength = int(data.size());
            }
            urb.status = status == sim::Status::Ok ? 0 : -EPIPE;
            completed_.push_back(urb);
        } else if (endpoint & sim::usbconst::kEndpointDirIn) {
            pending_.push_back(urb); // this printer never answers
        } else {
            tally_.bytes += length;
            if (checking_ && urb.buffer) {
                tally_.sum = checksum(tally_.sum, urb.buffer->data, std::size_t(length));
                tally_.lengths.push_back(length);
            }
            urb.actualLength = length;
            completed_.push_back(urb);
        }
        complete(client, 0);
    }

    void reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        if (!arg) return complete(client, EFAULT);
        Urb urb;
        {
            base::MutexLocker lock(mutex_);
            if (completed_.empty()) return complete(client, EAGAIN);
            urb = completed_.front();
            completed_.pop_front();
        }
        writeField<std::int32_t>(urb.urb, kUrbStatus, urb.status);
        writeField<std::int32_t>(urb.urb, kUrbActualLength, urb.actualLength);
        umockdev_ioctl_data_set_ptr(arg, 0, urb.urb);
        complete(client, 0);
        release(urb);
    }

    void discard(UMockdevIoctlClient* client, gulong address) {
        base::MutexLocker lock(mutex_);
        const auto it = std::find_if(pending_.begin(), pending_.end(),
                                     [address](const Urb& urb) { return urb.urb->client_addr == address; });
        if (it == pending_.end()) return complete(client, EINVAL);
        it->status = -ENOENT;
        completed_.push_back(*it);
        pending_.erase(it);
        complete(client, 0);
    }

    const std::shared_ptr<sim::SimPrinterDevice> model_;
    mutable base::Mutex mutex_;
    UMockdevIoctlClient* holder_ GUARDED_BY(mutex_) = nullptr; // the descriptor holding the interface
    std::deque<Urb> pending_ GUARDED_BY(mutex_);
    std::deque<Urb> completed_ GUARDED_BY(mutex_);
    bool checking_ GUARDED_BY(mutex_) = false;
    Tally tally_ GUARDED_BY(mutex_);
};

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", unsigned(b));
        text += pair;
    }
    return text;
}

void addFromString(UMockdevTestbed* testbed, const std::string& description) {
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, description.c_str(), &error)) {
        const std::string message = error ? error->message : "unknown error";
        if (error) g_error_free(error);
        throw std::runtime_error("umockdev_testbed_add_from_string: " + message);
    }
}

// The root hub of bus 1 and the printer at port 4, device number 2, with its printer-class interface.
void addPrinter(UMockdevTestbed* testbed, const sim::SimPrinterDevice& model) {
    addFromString(testbed, std::string("P: ") + kRootHubPath +
                               "\nN: bus/usb/001/001\n"
                               "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
                               "E: BUSNUM=001\nE: DEVNUM=001\nE: DEVNAME=/dev/bus/usb/001/001\n"
                               "A: busnum=1\nA: devnum=1\nA: speed=480\nA: bConfigurationValue=1\n"
                               "A: idVendor=1d6b\nA: idProduct=0002\nH: descriptors=" +
                               hex(kRootHubDescriptors) + "\n");
    std::vector<std::uint8_t> descriptors = model.deviceDescriptor();
    const std::vector<std::uint8_t> configuration = model.configurationDescriptor();
    descriptors.insert(descriptors.end(), configuration.begin(), configuration.end());
    const sim::DeviceIdentity id = model.identity();
    char attributes[128];
    std::snprintf(attributes, sizeof attributes,
                  "A: idVendor=%04x\nA: idProduct=%04x\nA: bConfigurationValue=%u\n", unsigned(id.vendorId),
                  unsigned(id.productId), unsigned(id.configurationValue));
    addFromString(testbed, std::string("P: ") + kDevicePath +
                               "\nN: bus/usb/001/002\n"
                               "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: BUSNUM=001\nE: DEVNUM=002\n"
                               "E: DEVNAME=" +
                               kNode + "\nA: busnum=1\nA: devnum=2\nA: speed=480\n" + attributes +
                               "H: descriptors=" + hex(descriptors) + "\n");
    char interfaceAttributes[160];
    std::snprintf(interfaceAttributes, sizeof interfaceAttributes,
                  "A: bInterfaceNumber=%02x\nA: bInterfaceClass=%02x\nA: bInterfaceSubClass=%02x\n"
                  "A: bInterfaceProtocol=%02x\nA: bAlternateSetting=%02x\n",
                  unsigned(id.interfaceNumber), unsigned(id.interfaceClass), unsigned(id.interfaceSubClass),
                  unsigned(id.interfaceProtocol), unsigned(id.alternateSetting));
    addFromString(testbed, std::string("P: ") + kDevicePath + "/1-4:1.0\n" +
                               "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n" + interfaceAttributes);
}

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
bool arrivedWhole(const CountingNode::Tally& tally, qint64 total, bool checked, std::uint64_t sum,
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

    UMockdevTestbed* testbed = umockdev_testbed_new();
    if (!umockdev_in_mock_environment()) {
        std::fprintf(stderr, "run under umockdev-wrapper (bench/run does)\n");
        g_object_unref(testbed);
        return 1;
    }
    const auto model = sim::SimPrinterDevice::create(identity());
    CountingNode node(model);
    addPrinter(testbed, *model);
    UMockdevIoctlBase* handler = node.newHandler();
    if (!umockdev_testbed_attach_ioctl(testbed, kNode, handler, nullptr)) {
        std::fprintf(stderr, "cannot attach the device to %s\n", kNode);
        return 1;
    }

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
        auto bus = usb::makeLibusbBus();
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
                node.startTally(check);
                const double seconds = isOurs ? ours() : bare();
                if (seconds < 0) std::fprintf(stderr, "%s: the upload failed\n", label);
                failed = seconds < 0 || !arrivedWhole(node.tally(), total, check, sum, pieces, label);
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
    umockdev_testbed_detach_ioctl(testbed, kNode, nullptr);
    g_object_unref(testbed);
    g_object_unref(handler);
    if (failed) return 1;

    const double mib = double(total) / (1024.0 * 1024.0);
    std::printf("best of %d: libusb backend %.1f ms (%.1f MiB/s), bare libusb %.1f ms (%.1f MiB/s)\n",
                kRounds, oursBest * 1e3, mib / oursBest, bareBest * 1e3, mib / bareBest);
    std::printf("BENCH upload_vs_bare_libusb %.2f x goal >= %.1f\n", bareBest / oursBest, kGoalRatio);
    return 0;
}
