// Text that comes from devices and files: bounded C-string conversion in every encoding, the hex
// listings, and substring replacement with hostile ranges. Nothing may read past the input.
#include "support/QRVX_Base.h"
#include "support/QRVX_Log.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint64_t kEncodings[] = {
    QRVX_Base::ASCIIEncoding,          QRVX_Base::JapaneseEUCEncoding,       QRVX_Base::UTF8Encoding,
    QRVX_Base::ISOLatin1Encoding,      QRVX_Base::ShiftJISEncoding,          QRVX_Base::UTF16Encoding,
    QRVX_Base::WindowsCP1252Encoding,  QRVX_Base::ISO2022JPEncoding,         QRVX_Base::MacOSRomanEncoding,
    QRVX_Base::UTF16BigEndianEncoding, QRVX_Base::UTF16LittleEndianEncoding, QRVX_Base::UTF32Encoding,
    QRVX_Base::UTF32BigEndianEncoding, QRVX_Base::UTF32LittleEndianEncoding, 2 /* unknown here */,
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    QRVX_Log::setShouldLogToStdErr(false); // no file either: logging goes nowhere
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const std::uint64_t encoding = kEncodings[data[0] % std::size(kEncodings)];
    const bool bounded = data[1] & 1;
    const std::uint8_t locationByte = data[2];
    data += 3;
    size -= 3;

    // Exactly the input's bytes in their own allocation, so ASan sees any read past them.
    std::vector<std::uint8_t> bytes(data, data + size);
    if (bounded) {
        QRVX_Base::stringWithCString(bytes.data(), bytes.size(), encoding);
    } else {
        // Unbounded reads need a whole zero unit: pad to the widest unit, then add one.
        bytes.resize((bytes.size() + 3) / 4 * 4 + 4, 0);
        QRVX_Base::stringWithCString(bytes.data(), 0, encoding);
    }

    const QByteArray raw(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QRVX_Base::hexdump(raw, locationByte, size);
    QRVX_Log::logData(raw);

    const QString text = QString::fromLatin1(raw);
    QRVX_Base::stringByReplacingSubStrings(text, {text.left(2), text.mid(2, 1)}, {text.right(3)},
                                           locationByte & 0x0F, locationByte >> 4, locationByte);
    return 0;
}
