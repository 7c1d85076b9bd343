// Arbitrary bytes as a capture file. A file is read or refused with a reason; what is read holds
// only records the replay can use: a cut bulk OUT transfer carries its digest, no transfer brings
// more bytes than it says it moved, and every arrival names the printer it belongs to.
#include "fuzz_support.h"
#include "platform/usb/capture/capture.h"

#include <cstdio>

using fuzz::check;
using usb::capture::Operation;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0; // fmemopen refuses an empty buffer
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!stream) return 0;
    QString error;
    const auto records = usb::capture::readCapture(stream, &error);
    if (!records) {
        check(!error.isEmpty());
        return 0;
    }
    for (const usb::capture::Record& r : *records) {
        if (r.operation == Operation::BulkOut && r.truncated())
            check(r.digest.size() == usb::capture::kDigestBytes);
        const bool in = r.operation == Operation::BulkIn ||
                        (r.operation == Operation::Control && (r.setup.bmRequestType & 0x80));
        if (in) check(std::uint32_t(r.data.size()) <= r.length);
        if (r.operation == Operation::Arrival) check(r.arrival.pipes.size() <= 255);
        (void)usb::capture::describeRequest(r);
    }
    return 0;
}
