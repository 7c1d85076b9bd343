// The usbmon packet as libpcap's DLT_USB_LINUX_MMAPPED link type lays it out: a 64-byte header in
// the host's byte order (little-endian on every machine this program runs on), then the data.
#pragma once

#include <cstdint>

namespace usb::capture::usbmon {

inline constexpr int kLinkType = 220; // DLT_USB_LINUX_MMAPPED
inline constexpr int kHeaderSize = 64;
// The largest packet libpcap reads back for this link type; longer transfers are cut to fit.
inline constexpr int kSnapLength = 262144;
inline constexpr std::uint32_t kMaxData = kSnapLength - kHeaderSize;

inline constexpr char kSubmission = 'S';
inline constexpr char kCompletion = 'C';
inline constexpr char kError = 'E';
inline constexpr std::uint8_t kTransferControl = 2;
inline constexpr std::uint8_t kTransferBulk = 3;
inline constexpr std::uint8_t kDirectionIn = 0x80;
inline constexpr char kSetupPresent = 0;
inline constexpr char kSetupAbsent = '-';
inline constexpr char kDataPresent = 0;
inline constexpr char kDataIn = '<';
inline constexpr char kDataOut = '>';

#pragma pack(push, 1)
struct Header {
    std::uint64_t id;
    char type;
    std::uint8_t transferType;
    std::uint8_t endpoint;
    std::uint8_t device;
    std::uint16_t bus;
    char setupFlag;
    char dataFlag;
    std::int64_t seconds;
    std::int32_t microseconds;
    std::int32_t status;
    std::uint32_t length;   // the URB's transfer length
    std::uint32_t captured; // data bytes in this packet
    std::uint8_t setup[8];
    std::int32_t interval;
    std::int32_t startFrame;
    std::uint32_t transferFlags;
    std::uint32_t descriptors;
};
#pragma pack(pop)
static_assert(sizeof(Header) == kHeaderSize);

} // namespace usb::capture::usbmon
