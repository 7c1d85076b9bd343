// A good S-record firmware image of a given size for the benchmarks: an S0 header naming model and
// version, 32-byte S3 data records of pseudo-random bytes with their checksums, an S7 end record;
// upper-case hex and CR LF line ends, as the package's images have.
#pragma once

#include <QByteArray>

namespace bench {

inline void appendSRecord(QByteArray& out, char type, int addressBytes, quint32 address, const uchar* data,
                          int size) {
    static const char hex[] = "0123456789ABCDEF";
    const int count = addressBytes + size + 1;
    unsigned sum = unsigned(count);
    const auto put = [&out](unsigned byte) { out.append(hex[byte >> 4]).append(hex[byte & 15]); };
    out.append('S').append(type);
    put(unsigned(count));
    for (int i = addressBytes - 1; i >= 0; --i) {
        const unsigned byte = (address >> (8 * i)) & 0xFF;
        sum += byte;
        put(byte);
    }
    for (int i = 0; i < size; ++i) {
        sum += data[i];
        put(data[i]);
    }
    put(~sum & 0xFF);
    out.append("\r\n");
}

// At least `textBytes` of S-record text (less one record).
inline QByteArray makeSRecordImage(qsizetype textBytes, const QByteArray& header = "HVC 01.41") {
    constexpr int kBytesPerRecord = 32;
    constexpr quint32 kStart = 0x00020000;
    QByteArray out;
    out.reserve(textBytes + 256);
    appendSRecord(out, '0', 2, 0, reinterpret_cast<const uchar*>(header.constData()), int(header.size()));
    quint64 state = 0x9E3779B97F4A7C15ull;
    uchar data[kBytesPerRecord];
    quint32 address = kStart;
    while (out.size() < textBytes) {
        for (uchar& byte : data) {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            byte = uchar(state);
        }
        appendSRecord(out, '3', 4, address, data, kBytesPerRecord);
        address += kBytesPerRecord;
    }
    appendSRecord(out, '7', 4, kStart, nullptr, 0);
    return out;
}

} // namespace bench
