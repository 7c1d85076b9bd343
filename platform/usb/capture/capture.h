// Captures of the printers' USB traffic: every operation the printer logic makes through the USB
// contract (usb.h), and every arrival and leave of a printer, recorded below the command protocol and
// the same for every backend (capturingBus() wraps whichever bus the run uses). A capture is written
// as a pcap file with the Linux usbmon link type (DLT_USB_LINUX_MMAPPED), through libpcap, so
// Wireshark and tshark read it as they are; readCapture() reads one back for replay (ReplayBus.h).
//
// How a capture maps onto usbmon (docs/captures.md has the whole table):
//  - Each operation is one URB: a submission ('S') at its start and a completion ('C') at its end,
//    with the same URB id. Control requests carry their setup packet; OUT data travels with the
//    submission, IN data with the completion. Bulk transfers name their endpoint with its direction bit.
//  - The URB id carries the printer's location id in its high 32 bits and a running number in the low
//    ones. The bus number is the location id's top byte; the device number is the capture's own number
//    for that location, kept through the printer's restarts (the kernel's address would change).
//  - The status is the operation's result as an errno where one fits (kErrnoForResult), otherwise the
//    platform result code itself.
//  - Operations that are no transfer of their own (an arrival, a leave, opening, closing, resetting or
//    re-enumerating the device, claiming or releasing the interface) are "notes": control URBs with
//    the setup bmRequestType 0xC3 (vendor, device-to-host, recipient "other"), bRequest kNoteRequest,
//    wValue the note's kind and wIndex its argument (a re-enumeration's options also in its data, all
//    32 bits). An arrival's note carries the standard device
//    and configuration descriptors, then the location id (4 bytes, little-endian) and the service's
//    class name.
//  - A bulk OUT transfer longer than kTruncateAbove keeps only its first kKeptBytes unless the capture
//    keeps uploads in full; its URB says the full length and a Truncated note right after it carries
//    that length (8 bytes, little-endian) and the SHA-256 of all its bytes; its wIndex is the low 16 bits
//    of the cut URB's running number. A transfer longer than one
//    packet of the format can hold is cut the same way, also when uploads are kept.
#pragma once

#include "platform/usb/usb.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace usb::capture {

enum class Operation : std::uint8_t {
    Control, // a control request on the default pipe (through the device or the interface)
    BulkOut,
    BulkIn,
    Arrival,
    Leave,
    DeviceOpen,
    DeviceClose,
    DeviceReset,
    ReEnumerate, // argument: the options
    InterfaceOpen,
    InterfaceClose,
};

// What a printer says of itself when it arrives: what the contract answers without a transfer.
struct Arrival {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t release = 0;
    std::uint8_t manufacturerIndex = 0;
    std::uint8_t productIndex = 0;
    std::uint8_t serialNumberIndex = 0;
    std::uint8_t interfaceClass = 0;
    std::uint8_t interfaceSubClass = 0;
    std::uint8_t interfaceProtocol = 0;
    std::uint8_t interfaceNumber = 0;
    std::uint8_t alternateSetting = 0;
    std::uint8_t configurationValue = 0;
    std::vector<PipeProperties> pipes; // pipe reference i + 1 is pipes[i]
    std::string className;
};

struct Setup {
    std::uint8_t bmRequestType = 0;
    std::uint8_t bRequest = 0;
    std::uint16_t wValue = 0;
    std::uint16_t wIndex = 0;
    std::uint16_t wLength = 0;
    bool operator==(const Setup&) const = default;
};

// One operation on one printer.
struct Record {
    Operation operation = Operation::Control;
    std::uint32_t locationId = 0;
    std::int64_t startNs = 0; // wall clock, nanoseconds since the epoch
    std::int64_t endNs = 0;
    std::uint8_t endpoint = 0;   // bulk transfers: the endpoint address, with 0x80 for IN
    Setup setup;                 // control requests
    std::uint32_t argument = 0;  // ReEnumerate: its options
    std::uint32_t requested = 0; // bytes asked for (IN) or offered (OUT)
    std::uint32_t length = 0;    // bytes moved (bulk OUT: offered, whether or not they went)
    QByteArray data;             // the bytes moved, or their first ones when the record is truncated
    QByteArray digest;           // SHA-256 of all `length` bytes when `data` holds fewer; else empty
    IOReturn result = kIOReturnSuccess;
    Arrival arrival; // Arrival only
    bool truncated() const { return std::uint32_t(data.size()) < length; }
};

// ---- the usbmon encoding ----
inline constexpr std::uint8_t kNoteRequestType = 0xC3;
inline constexpr std::uint8_t kNoteRequest = 0x50;
inline constexpr std::uint16_t kNoteTruncated = 0x00FF; // wValue of the note that follows a cut transfer
inline constexpr std::uint32_t kTruncateAbove = 512;
inline constexpr std::uint32_t kKeptBytes = 64;
inline constexpr int kDigestBytes = 32;
// The usbmon status of `result`: 0, a negative errno, or the result code itself; and back.
std::int32_t statusForResult(IOReturn result);
IOReturn resultForStatus(std::int32_t status);
// The note kind (wValue) of an operation that is a note, 0 for transfers; and back.
std::uint16_t noteKind(Operation operation);
std::optional<Operation> operationForNote(std::uint16_t kind);
// A short name of the operation for messages ("bulk OUT", "control request", "arrival", ...).
const char* operationName(Operation operation);
// One line saying what a record asked, for divergence reports and the log:
// "bulk OUT on 0x01, 32 bytes: 1b 50 49 4e 46 4f ..." or "control request c1 00 0000 0000 0400".
QString describeRequest(const Record& record);

// The SHA-256 of `size` bytes at `data` (what a cut transfer keeps of all its bytes).
QByteArray sha256(const void* data, std::size_t size);

// ---- recording ----
// Whether any capture is being written (cheap; from any thread).
bool isCapturing();
// Hands `record` to every capture that takes its printer, and keeps it in the printer's backlog (from
// its first arrival on, bounded) for captures that start later; off the calling thread, in the order
// of the calls. Any thread.
void record(Record record);

// One capture file being written. Made by start(); stop() (or dropping the last reference) closes it.
class Capture {
public:
    struct Options {
        bool fullUploads = false; // keep every bulk OUT transfer in full (up to the format's limit)
        std::optional<std::uint32_t> location; // only this printer's traffic; otherwise all of it
        // Start with the backlog of the printers taken: each one's arrival and what it did since, so
        // that a capture started in the middle of a run can still be replayed from its beginning.
        bool withBacklog = false;
    };
    // Starts writing `path` (replaced when it exists; opened at once, written from a queue of its own). The
    // printers on the bus come first, as arrivals (with their backlog when asked). nullptr and the reason in
    // `error` when the file cannot be written.
    static std::shared_ptr<Capture> start(const QString& path, const Options& options, QString* error);
    virtual ~Capture() = default;
    // The capture takes no more records; what it took is written and the file closed behind them,
    // without waiting for the disk. Safe twice.
    virtual void stop() = 0;
    // Blocks until everything taken so far is on disk (the end of a run, tests).
    virtual void waitUntilWritten() = 0;
    virtual QString path() const = 0;
    // What went wrong while writing (empty when nothing did); the capture stops at the first fault.
    virtual QString problem() const = 0;
};

// Wraps `inner` so that everything done through it, and every arrival and leave on it, is recorded.
// Services, interfaces and devices keep their identity (registry ids), and every result, notice and
// thread rule of `inner` stays as it is.
std::shared_ptr<UsbBus> capturingBus(std::shared_ptr<UsbBus> inner);

// ---- reading ----
// Reads a capture written as above (pcap or pcapng). Nothing, and the reason in `error` ("damaged at
// packet 12: ..."), when the file cannot be read or is not such a capture.
std::optional<std::vector<Record>> readCapture(const QString& path, QString* error);
// The same from an open stream (the fuzzer reads from memory); the stream is closed.
std::optional<std::vector<Record>> readCapture(std::FILE* stream, QString* error);

} // namespace usb::capture
