#include "platform/usb/capture/capture.h"

#include "base/threadsafety.h"
#include "platform/queue.h"
#include "platform/usb/capture/usbmon.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/evp.h>
#include <pcap/pcap.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <unordered_map>

namespace usb::capture {

namespace {

// ---- results ----------------------------------------------------------------------------------------

struct ErrnoForResult {
    IOReturn result;
    std::int32_t status;
};
// Each errno stands for one result, so the mapping reads back exactly.
constexpr ErrnoForResult kErrnoForResult[] = {
    {kIOReturnTimeout, -ETIMEDOUT},
    {kIOUSBPipeStalled, -EPIPE},
    {kIOReturnNoDevice, -ENODEV},
    {kIOReturnNotResponding, -EPROTO},
    {kIOReturnExclusiveAccess, -EBUSY},
    {kIOReturnNotOpen, -EBADF},
    {kIOReturnNotPrivileged, -EACCES},
    {kIOReturnBadArgument, -EINVAL},
    {kIOReturnAborted, -ECONNRESET},
    {kIOReturnOverrun, -EOVERFLOW},
    {kIOReturnUnderrun, -EREMOTEIO},
    {kIOReturnNoMemory, -ENOMEM},
    {kIOReturnError, -EIO},
    {kIOUSBUnknownPipeErr, -ENOENT},
    {kIOReturnNotFound, -ENXIO},
};

// ---- the backlog ------------------------------------------------------------------------------------

// What one printer did since it arrived, for captures that start later.
constexpr std::size_t kBacklogLimit = 2048;

struct Backlog {
    std::optional<Record> arrival; // the latest, also once it has left the window below
    std::deque<Record> records;
    bool present = false;
};

// `record` cut to `keep` bytes of data, its digest taken from what it moved in full.
Record cut(const Record& record, std::uint32_t keep) {
    Record out = record;
    if (std::uint32_t(record.data.size()) <= keep) return out;
    if (out.digest.isEmpty()) out.digest = sha256(record.data.constData(), std::size_t(record.data.size()));
    out.data.truncate(qsizetype(keep));
    return out;
}

// What a capture keeps of a record by default: bulk OUT transfers above kTruncateAbove cut to their
// first kKeptBytes; everything cut to what one packet holds.
Record bounded(const Record& record, bool fullUploads) {
    if (!fullUploads && record.operation == Operation::BulkOut &&
        std::uint32_t(record.data.size()) > kTruncateAbove)
        return cut(record, kKeptBytes);
    return cut(record, usbmon::kMaxData);
}

void putLE16(QByteArray& out, std::uint16_t v) {
    out.append(char(v & 0xFF)).append(char(v >> 8));
}
void putLE32(QByteArray& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}
std::uint16_t le16(const char* p) {
    return std::uint16_t(std::uint8_t(p[0]) | std::uint8_t(p[1]) << 8);
}
std::uint32_t le32(const char* p) {
    return std::uint32_t(le16(p)) | std::uint32_t(le16(p + 2)) << 16;
}

// The arrival note's data: the standard device and configuration descriptors, the location id, the
// class name.
QByteArray arrivalData(const Record& record) {
    const Arrival& a = record.arrival;
    QByteArray out;
    out.append(char(18)).append(char(1));
    putLE16(out, 0x0200);
    out.append(char(0)).append(char(0)).append(char(0)).append(char(64));
    putLE16(out, a.vendor);
    putLE16(out, a.product);
    putLE16(out, a.release);
    out.append(char(a.manufacturerIndex)).append(char(a.productIndex)).append(char(a.serialNumberIndex));
    out.append(char(1));
    const auto total = std::uint16_t(9 + 9 + 7 * a.pipes.size());
    out.append(char(9)).append(char(2));
    putLE16(out, total);
    out.append(char(1)).append(char(a.configurationValue)).append(char(0)).append(char(0x80)).append(char(0));
    out.append(char(9)).append(char(4)).append(char(a.interfaceNumber)).append(char(a.alternateSetting));
    out.append(char(a.pipes.size())).append(char(a.interfaceClass)).append(char(a.interfaceSubClass));
    out.append(char(a.interfaceProtocol)).append(char(0));
    for (const PipeProperties& p : a.pipes) {
        out.append(char(7)).append(char(5));
        out.append(char(p.number | (p.direction == kUSBIn ? usbmon::kDirectionIn : 0)));
        out.append(char(p.transferType));
        putLE16(out, p.maxPacketSize);
        out.append(char(p.interval));
    }
    putLE32(out, record.locationId);
    out.append(QByteArray::fromStdString(a.className));
    return out;
}

// Reads an arrival note's data back; false when it does not hold what arrivalData() writes.
bool readArrival(const QByteArray& data, Arrival& a, std::uint32_t& location) {
    const char* p = data.constData();
    const auto size = std::size_t(data.size());
    if (size < 18 + 9 + 9 || p[0] != 18 || p[1] != 1) return false;
    a.vendor = le16(p + 8);
    a.product = le16(p + 10);
    a.release = le16(p + 12);
    a.manufacturerIndex = std::uint8_t(p[14]);
    a.productIndex = std::uint8_t(p[15]);
    a.serialNumberIndex = std::uint8_t(p[16]);
    const char* c = p + 18;
    const std::size_t total = le16(c + 2);
    if (c[0] != 9 || c[1] != 2 || total < 18 || 18 + total + 4 > size) return false;
    a.configurationValue = std::uint8_t(c[5]);
    const char* i = c + 9;
    if (i[0] != 9 || i[1] != 4) return false;
    a.interfaceNumber = std::uint8_t(i[2]);
    a.alternateSetting = std::uint8_t(i[3]);
    const std::size_t endpoints = std::uint8_t(i[4]);
    a.interfaceClass = std::uint8_t(i[5]);
    a.interfaceSubClass = std::uint8_t(i[6]);
    a.interfaceProtocol = std::uint8_t(i[7]);
    if (total != 18 + 7 * endpoints) return false;
    a.pipes.clear();
    for (std::size_t e = 0; e < endpoints; ++e) {
        const char* d = i + 9 + 7 * e;
        if (d[0] != 7 || d[1] != 5) return false;
        PipeProperties pipe;
        pipe.direction = (std::uint8_t(d[2]) & usbmon::kDirectionIn) ? kUSBIn : kUSBOut;
        pipe.number = std::uint8_t(d[2]) & 0x0F;
        pipe.transferType = std::uint8_t(d[3]) & 0x03;
        pipe.maxPacketSize = le16(d + 4);
        pipe.interval = std::uint8_t(d[6]);
        a.pipes.push_back(pipe);
    }
    location = le32(p + 18 + total);
    a.className = data.mid(qsizetype(18 + total + 4)).toStdString();
    return true;
}

// ---- writing ----------------------------------------------------------------------------------------

class FileCapture;

struct Recorder {
    base::Mutex mutex;
    std::map<std::uint32_t, Backlog> backlogs GUARDED_BY(mutex);
    std::vector<std::weak_ptr<FileCapture>> captures GUARDED_BY(mutex);
    std::atomic<int> captureCount{0};
};

// Where record() hands the records on; never destroyed, as anything may record until the end.
platform::SerialQueue& recorderQueue() {
    static auto* queue = new platform::SerialQueue("capture recorder");
    return *queue;
}

Recorder& recorder() {
    static Recorder* r = new Recorder; // outlives every capture and bus, also at exit
    return *r;
}

// Writes on a queue of its own, so that no thread that records (the main thread among them) ever
// waits for the disk. The queue's items hold the capture, so the last reference may go on it.
class FileCapture final : public Capture, public std::enable_shared_from_this<FileCapture> {
public:
    FileCapture(QString path, Options options, pcap_t* dead, pcap_dumper_t* dumper)
        : path_(std::move(path)), options_(std::move(options)), dead_(dead), dumper_(dumper),
          queue_("capture " + path_.toStdString()) {}
    ~FileCapture() override {
        // Dropped without stop(): its entry in the recorder has expired with it.
        if (!stopped_.exchange(true)) forget();
        close();
    }

    void stop() override {
        if (stopped_.exchange(true)) return;
        // Behind the records made before the call, which are still the capture's.
        recorderQueue().async([self = shared_from_this()] {
            {
                Recorder& r = recorder();
                base::MutexLocker lock(r.mutex);
                std::erase_if(r.captures, [&self](const std::weak_ptr<FileCapture>& c) {
                    auto held = c.lock();
                    return !held || held == self;
                });
            }
            self->forget();
            self->queue_.async([self] { self->close(); });
        });
    }
    QString path() const override { return path_; }
    QString problem() const override {
        base::MutexLocker lock(problemMutex_);
        return problem_;
    }
    void waitUntilWritten() override {
        recorderQueue().waitUntilIdle();
        queue_.waitUntilIdle();
    }

    bool takes(std::uint32_t location) const { return !options_.location || *options_.location == location; }

    // Queues `record` for the file. The recorder's mutex is held, so every capture gets the records in
    // the one order they were recorded.
    void post(const Record& record) {
        queue_.async(
            [self = shared_from_this(), r = bounded(record, options_.fullUploads)] { self->write(r); });
    }

private:
    // No longer counted among the captures being written.
    void forget() { recorder().captureCount.fetch_sub(1); }

    void close() {
        if (!dumper_) return;
        pcap_dump_close(dumper_);
        pcap_close(dead_);
        dumper_ = nullptr;
        dead_ = nullptr;
    }

    // Writes `r` as its packets [the capture's queue].
    void write(const Record& r) {
        if (!dumper_) return;
        const std::uint64_t id = std::uint64_t(r.locationId) << 32 | ++sequence_;
        usbmon::Header h{};
        h.id = id;
        h.bus = std::uint16_t(r.locationId >> 24);
        h.device = deviceNumber(r.locationId);
        h.dataFlag = usbmon::kDataPresent;
        h.setupFlag = usbmon::kSetupAbsent;
        QByteArray noteData;
        const bool note = noteKind(r.operation) != 0;
        bool in = false;
        if (r.operation == Operation::BulkOut || r.operation == Operation::BulkIn) {
            h.transferType = usbmon::kTransferBulk;
            h.endpoint = r.endpoint;
            in = r.operation == Operation::BulkIn;
        } else {
            h.transferType = usbmon::kTransferControl;
            Setup setup = r.setup;
            if (note) {
                if (r.operation == Operation::Arrival) noteData = arrivalData(r);
                if (r.operation == Operation::ReEnumerate) putLE32(noteData, r.argument); // all 32 bits
                setup = {kNoteRequestType, kNoteRequest, noteKind(r.operation), std::uint16_t(r.argument),
                         std::uint16_t(noteData.size())};
            }
            in = setup.bmRequestType & usbmon::kDirectionIn;
            h.endpoint = in ? usbmon::kDirectionIn : 0;
            h.setupFlag = usbmon::kSetupPresent;
            h.setup[0] = setup.bmRequestType;
            h.setup[1] = setup.bRequest;
            std::memcpy(h.setup + 2, &setup.wValue, 2);
            std::memcpy(h.setup + 4, &setup.wIndex, 2);
            std::memcpy(h.setup + 6, &setup.wLength, 2);
        }
        const QByteArray& data = note ? noteData : r.data;
        const std::uint32_t moved = note ? std::uint32_t(noteData.size()) : r.length;

        // The submission: OUT data goes with it.
        h.type = usbmon::kSubmission;
        h.status = -EINPROGRESS;
        h.length = note ? moved : r.requested;
        h.captured = in ? 0 : std::uint32_t(data.size());
        if (in) h.dataFlag = usbmon::kDataIn;
        put(h, r.startNs, in ? QByteArray() : data, in ? 0 : std::uint32_t(h.length));
        // The completion: IN data comes with it.
        h.type = usbmon::kCompletion;
        h.setupFlag = usbmon::kSetupAbsent;
        std::memset(h.setup, 0, sizeof h.setup);
        h.status = statusForResult(r.result);
        h.length = moved;
        h.captured = in ? std::uint32_t(data.size()) : 0;
        h.dataFlag = in ? usbmon::kDataPresent : usbmon::kDataOut;
        put(h, r.endNs, in ? data : QByteArray(), in ? moved : 0);

        if (r.truncated() && r.operation == Operation::BulkOut) {
            QByteArray payload;
            putLE32(payload, r.length);
            putLE32(payload, 0);
            payload.append(r.digest);
            Record truncated;
            truncated.operation = Operation::Control;
            truncated.locationId = r.locationId;
            truncated.startNs = truncated.endNs = r.endNs;
            // wIndex names the cut URB by the low bits of its running number.
            truncated.setup = {kNoteRequestType, kNoteRequest, kNoteTruncated, std::uint16_t(id & 0xFFFF),
                               std::uint16_t(payload.size())};
            truncated.requested = truncated.length = std::uint32_t(payload.size());
            truncated.data = payload;
            write(truncated);
        }
    }

    std::uint8_t deviceNumber(std::uint32_t location) {
        auto [it, added] = devices_.try_emplace(location, std::uint8_t(devices_.size() % 127 + 1));
        return it->second;
    }

    void put(const usbmon::Header& header, std::int64_t ns, const QByteArray& data, std::uint32_t fullData) {
        pcap_pkthdr ph{};
        ph.ts.tv_sec = time_t(ns / 1000000000);
        // With nanosecond precision libpcap takes the fraction in nanoseconds.
        ph.ts.tv_usec = suseconds_t(ns % 1000000000);
        ph.caplen = bpf_u_int32(usbmon::kHeaderSize + data.size());
        ph.len =
            bpf_u_int32(usbmon::kHeaderSize + std::max<std::uint32_t>(fullData, std::uint32_t(data.size())));
        usbmon::Header h = header;
        h.seconds = ns / 1000000000;
        h.microseconds = std::int32_t(ns % 1000000000 / 1000);
        QByteArray packet(reinterpret_cast<const char*>(&h), usbmon::kHeaderSize);
        packet.append(data);
        pcap_dump(reinterpret_cast<u_char*>(dumper_), &ph,
                  reinterpret_cast<const u_char*>(packet.constData()));
        // On disk at once: a capture matters most when the program does not end well.
        if (pcap_dump_flush(dumper_) != 0) {
            {
                base::MutexLocker lock(problemMutex_);
                problem_ = QStringLiteral("%1 could not be written: %2")
                               .arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
            }
            close();
        }
    }

    QString path_;
    Options options_;
    pcap_t* dead_;
    pcap_dumper_t* dumper_;
    mutable base::Mutex problemMutex_;
    QString problem_ GUARDED_BY(problemMutex_);
    // The file's state belongs to the queue's items.
    std::uint32_t sequence_ = 0;
    std::map<std::uint32_t, std::uint8_t> devices_;
    std::atomic<bool> stopped_{false};
    platform::SerialQueue queue_; // last: it winds down before the rest goes
};

} // namespace

std::int32_t statusForResult(IOReturn result) {
    if (result == kIOReturnSuccess) return 0;
    for (const auto& e : kErrnoForResult)
        if (e.result == result) return e.status;
    return std::int32_t(result);
}

IOReturn resultForStatus(std::int32_t status) {
    if (status == 0) return kIOReturnSuccess;
    for (const auto& e : kErrnoForResult)
        if (e.status == status) return e.result;
    // An errno no operation here gives (a capture of another origin): a general error.
    if (status < 0 && status > -4096) return kIOReturnError;
    return IOReturn(status);
}

std::uint16_t noteKind(Operation operation) {
    switch (operation) {
    case Operation::Control:
    case Operation::BulkOut:
    case Operation::BulkIn:
        return 0;
    default:
        return std::uint16_t(operation);
    }
}

std::optional<Operation> operationForNote(std::uint16_t kind) {
    if (kind < std::uint16_t(Operation::Arrival) || kind > std::uint16_t(Operation::InterfaceClose))
        return {};
    return Operation(kind);
}

const char* operationName(Operation operation) {
    switch (operation) {
    case Operation::Control:
        return "control request";
    case Operation::BulkOut:
        return "bulk OUT";
    case Operation::BulkIn:
        return "bulk IN";
    case Operation::Arrival:
        return "arrival";
    case Operation::Leave:
        return "leave";
    case Operation::DeviceOpen:
        return "device open";
    case Operation::DeviceClose:
        return "device close";
    case Operation::DeviceReset:
        return "device reset";
    case Operation::ReEnumerate:
        return "re-enumeration";
    case Operation::InterfaceOpen:
        return "interface claim";
    case Operation::InterfaceClose:
        return "interface release";
    }
    return "operation";
}

QString describeRequest(const Record& r) {
    const auto bytes = [](const QByteArray& data) {
        constexpr qsizetype kShown = 16;
        QString text = QString::fromLatin1(data.left(kShown).toHex(' '));
        if (data.size() > kShown) text += QStringLiteral(" …");
        return text;
    };
    switch (r.operation) {
    case Operation::Control: {
        QString text = QStringLiteral("control request %1 %2 %3 %4 %5")
                           .arg(r.setup.bmRequestType, 2, 16, QLatin1Char('0'))
                           .arg(r.setup.bRequest, 2, 16, QLatin1Char('0'))
                           .arg(r.setup.wValue, 4, 16, QLatin1Char('0'))
                           .arg(r.setup.wIndex, 4, 16, QLatin1Char('0'))
                           .arg(r.setup.wLength, 4, 16, QLatin1Char('0'));
        if (!(r.setup.bmRequestType & 0x80) && !r.data.isEmpty())
            text += QStringLiteral(": ") + bytes(r.data);
        return text;
    }
    case Operation::BulkOut:
        return QStringLiteral("bulk OUT on 0x%1, %2 bytes: %3")
            .arg(r.endpoint, 2, 16, QLatin1Char('0'))
            .arg(r.length ? r.length : r.requested)
            .arg(bytes(r.data));
    case Operation::BulkIn:
        return QStringLiteral("bulk IN on 0x%1 for %2 bytes")
            .arg(r.endpoint, 2, 16, QLatin1Char('0'))
            .arg(r.requested);
    case Operation::ReEnumerate:
        return QStringLiteral("re-enumeration (options 0x%1)").arg(r.argument, 0, 16);
    default:
        return QString::fromLatin1(operationName(r.operation));
    }
}

QByteArray sha256(const void* data, std::size_t size) {
    QByteArray digest(kDigestBytes, Qt::Uninitialized);
    unsigned int length = 0;
    if (EVP_Digest(data, size, reinterpret_cast<unsigned char*>(digest.data()), &length, EVP_sha256(),
                   nullptr) != 1 ||
        length != unsigned(kDigestBytes))
        digest.fill('\0'); // never matches a transfer's: a replay then says the bytes differ
    return digest;
}

bool isCapturing() {
    return recorder().captureCount.load(std::memory_order_relaxed) > 0;
}

void record(Record record) {
    // Off the caller's thread: the digest of an upload costs more than the transfer it describes may
    // wait for. One queue keeps the records in the order they were made.
    recorderQueue().async([record = std::move(record)]() mutable {
        // Taken once here for every capture and the backlog that keep only its first bytes.
        if (record.operation == Operation::BulkOut && std::uint32_t(record.data.size()) > kTruncateAbove &&
            record.digest.isEmpty())
            record.digest = sha256(record.data.constData(), std::size_t(record.data.size()));
        Recorder& r = recorder();
        base::MutexLocker lock(r.mutex);
        for (const auto& weak : r.captures)
            if (auto capture = weak.lock(); capture && capture->takes(record.locationId))
                capture->post(record);
        Backlog& backlog = r.backlogs[record.locationId];
        if (record.operation == Operation::Arrival) {
            backlog.arrival = record;
            backlog.present = true;
        } else if (record.operation == Operation::Leave) {
            backlog.present = false;
        }
        backlog.records.push_back(bounded(record, false));
        if (backlog.records.size() > kBacklogLimit) backlog.records.pop_front();
    });
}

std::shared_ptr<Capture> Capture::start(const QString& path, const Options& options, QString* error) {
    pcap_t* dead = pcap_open_dead_with_tstamp_precision(usbmon::kLinkType, usbmon::kSnapLength,
                                                        PCAP_TSTAMP_PRECISION_NANO);
    if (!dead) {
        if (error) *error = QStringLiteral("%1 could not be written: no memory").arg(path);
        return nullptr;
    }
    pcap_dumper_t* dumper = pcap_dump_open(dead, QFile::encodeName(path).constData());
    if (!dumper) {
        if (error)
            *error = QStringLiteral("%1 could not be written: %2")
                         .arg(path, QString::fromLocal8Bit(pcap_geterr(dead)));
        pcap_close(dead);
        return nullptr;
    }
    auto capture = std::make_shared<FileCapture>(path, options, dead, dumper);
    Recorder& r = recorder();
    base::MutexLocker lock(r.mutex);
    for (auto& [location, backlog] : r.backlogs) {
        if (!capture->takes(location) || !backlog.arrival) continue;
        if (!options.withBacklog) {
            if (backlog.present) capture->post(*backlog.arrival);
            continue;
        }
        // From the printer's first arrival the backlog still holds, so that a capture of an update
        // replays the start-up probe before it too; that arrival first when the backlog lost it.
        auto from = std::find_if(backlog.records.begin(), backlog.records.end(),
                                 [](const Record& x) { return x.operation == Operation::Arrival; });
        if (from == backlog.records.end()) {
            capture->post(*backlog.arrival);
            from = backlog.records.begin();
        }
        for (auto it = from; it != backlog.records.end(); ++it)
            capture->post(*it);
    }
    r.captures.push_back(capture);
    r.captureCount.fetch_add(1);
    return capture;
}

// ---- reading ----------------------------------------------------------------------------------------

namespace {

QString damaged(int packet, const QString& why) {
    return QStringLiteral("damaged at packet %1: %2").arg(packet).arg(why);
}

struct Pending {
    usbmon::Header header;
    QByteArray data;
    std::int64_t ns;
};

} // namespace

std::optional<std::vector<Record>> readCapture(std::FILE* stream, QString* error) {
    const auto fail = [&](const QString& why) -> std::optional<std::vector<Record>> {
        if (error) *error = why;
        return std::nullopt;
    };
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* p = pcap_fopen_offline_with_tstamp_precision(stream, PCAP_TSTAMP_PRECISION_NANO, errbuf);
    if (!p) {
        std::fclose(stream);
        return fail(QStringLiteral("not a capture: %1").arg(QString::fromLocal8Bit(errbuf)));
    }
    struct Closer {
        pcap_t* p;
        ~Closer() { pcap_close(p); }
    } closer{p};
    if (pcap_datalink(p) != usbmon::kLinkType)
        return fail(QStringLiteral("not a capture of USB traffic with the usbmon link type (link type %1)")
                        .arg(pcap_datalink(p)));

    std::vector<Record> records;
    std::unordered_map<std::uint64_t, Pending> pending;
    int packet = 0;
    for (;;) {
        pcap_pkthdr* ph = nullptr;
        const u_char* bytes = nullptr;
        const int got = pcap_next_ex(p, &ph, &bytes);
        if (got == PCAP_ERROR_BREAK) break;
        ++packet;
        if (got != 1) return fail(damaged(packet, QString::fromLocal8Bit(pcap_geterr(p))));
        if (ph->caplen < std::uint32_t(usbmon::kHeaderSize))
            return fail(
                damaged(packet, QStringLiteral("%1 bytes, shorter than a usbmon header").arg(ph->caplen)));
        usbmon::Header h;
        std::memcpy(&h, bytes, sizeof h);
        const std::uint32_t dataSize = ph->caplen - usbmon::kHeaderSize;
        if (h.captured != dataSize)
            return fail(damaged(
                packet, QStringLiteral("it says %1 data bytes and holds %2").arg(h.captured).arg(dataSize)));
        const QByteArray data(reinterpret_cast<const char*>(bytes) + usbmon::kHeaderSize,
                              qsizetype(dataSize));
        const std::int64_t ns = std::int64_t(ph->ts.tv_sec) * 1000000000 + ph->ts.tv_usec;
        if (h.type == usbmon::kSubmission) {
            if (h.transferType != usbmon::kTransferControl && h.transferType != usbmon::kTransferBulk)
                return fail(damaged(
                    packet,
                    QStringLiteral("transfer type %1 is no control or bulk transfer").arg(h.transferType)));
            if (!pending.try_emplace(h.id, Pending{h, data, ns}).second)
                return fail(damaged(
                    packet,
                    QStringLiteral("URB 0x%1 is submitted twice").arg(h.id, 16, 16, QLatin1Char('0'))));
            continue;
        }
        if (h.type != usbmon::kCompletion && h.type != usbmon::kError)
            return fail(damaged(packet, QStringLiteral("event type 0x%1 is unknown")
                                            .arg(std::uint8_t(h.type), 2, 16, QLatin1Char('0'))));
        const auto found = pending.find(h.id);
        if (found == pending.end())
            return fail(damaged(packet, QStringLiteral("URB 0x%1 completes without its submission")
                                            .arg(h.id, 16, 16, QLatin1Char('0'))));
        const Pending s = std::move(found->second);
        pending.erase(found);

        Record r;
        r.locationId = std::uint32_t(h.id >> 32);
        r.startNs = s.ns;
        r.endNs = ns;
        r.result = resultForStatus(h.status);
        r.requested = s.header.length;
        r.length = h.length;
        if (s.header.transferType == usbmon::kTransferBulk) {
            r.endpoint = s.header.endpoint;
            const bool in = r.endpoint & usbmon::kDirectionIn;
            r.operation = in ? Operation::BulkIn : Operation::BulkOut;
            r.data = in ? data : s.data;
            if (!in) r.length = s.header.length; // what was offered; the result says whether it went
            if (std::uint32_t(r.data.size()) > r.length && in)
                return fail(damaged(
                    packet,
                    QStringLiteral("%1 bytes came for a transfer of %2").arg(r.data.size()).arg(r.length)));
            records.push_back(std::move(r));
            continue;
        }
        if (s.header.setupFlag != usbmon::kSetupPresent)
            return fail(damaged(packet, QStringLiteral("a control request without its setup packet")));
        Setup& setup = r.setup;
        setup.bmRequestType = s.header.setup[0];
        setup.bRequest = s.header.setup[1];
        std::memcpy(&setup.wValue, s.header.setup + 2, 2);
        std::memcpy(&setup.wIndex, s.header.setup + 4, 2);
        std::memcpy(&setup.wLength, s.header.setup + 6, 2);
        const bool in = setup.bmRequestType & usbmon::kDirectionIn;
        r.data = in ? data : s.data;
        if (std::uint32_t(r.data.size()) > r.length && in)
            return fail(damaged(
                packet,
                QStringLiteral("%1 bytes came for a request of %2").arg(r.data.size()).arg(r.length)));
        if (setup.bmRequestType == kNoteRequestType && setup.bRequest == kNoteRequest) {
            if (setup.wValue == kNoteTruncated) {
                // The length and digest of the bulk OUT transfer of the same printer just before.
                auto last = std::find_if(records.rbegin(), records.rend(),
                                         [&](const Record& x) { return x.locationId == r.locationId; });
                if (r.data.size() != 8 + kDigestBytes || last == records.rend() ||
                    last->operation != Operation::BulkOut)
                    return fail(
                        damaged(packet, QStringLiteral("a truncation note that follows no cut transfer")));
                last->length = le32(r.data.constData());
                last->digest = r.data.mid(8);
                if (std::uint32_t(last->data.size()) > last->length)
                    return fail(damaged(packet, QStringLiteral("a cut transfer longer than it was")));
                continue;
            }
            const auto operation = operationForNote(setup.wValue);
            if (!operation) continue; // a note of a later version: nothing to replay
            r.operation = *operation;
            r.argument = setup.wIndex;
            r.setup = {};
            r.data.clear();
            r.requested = r.length = 0;
            const QByteArray noteData = in ? data : s.data;
            if (r.operation == Operation::ReEnumerate && noteData.size() >= 4)
                r.argument = le32(noteData.constData());
            if (r.operation == Operation::Arrival) {
                std::uint32_t location = 0;
                if (!readArrival(in ? data : s.data, r.arrival, location) || location != r.locationId)
                    return fail(damaged(packet, QStringLiteral("an arrival that does not say what arrived")));
            }
            records.push_back(std::move(r));
            continue;
        }
        r.operation = Operation::Control;
        records.push_back(std::move(r));
    }
    if (packet == 0) return fail(QStringLiteral("the capture holds no packet"));
    // A cut upload without the note that says what it was cannot be told from another.
    for (const Record& r : records)
        if (r.operation == Operation::BulkOut && r.truncated() && r.digest.size() != kDigestBytes)
            return fail(QStringLiteral("a bulk OUT transfer of %1 bytes keeps %2 of them and no digest")
                            .arg(r.length)
                            .arg(r.data.size()));
    return records;
}

std::optional<std::vector<Record>> readCapture(const QString& path, QString* error) {
    std::FILE* stream = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!stream) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return std::nullopt;
    }
    QString why;
    auto records = readCapture(stream, &why);
    if (!records && error) *error = QStringLiteral("%1: %2").arg(path, why);
    return records;
}

} // namespace usb::capture
