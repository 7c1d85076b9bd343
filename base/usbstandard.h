// Numbers the USB standard and its printer class define: the fields of a request's bmRequestType,
// standard and printer-class requests, descriptor types, endpoint address and attribute bits. Only
// USB's own numbers live here; the printers' command protocol stays with the code that speaks it.
#pragma once

#include <cstdint>

namespace usbstd {

// bmRequestType: direction, type and recipient.
constexpr std::uint8_t kDirIn = 0x80;
constexpr std::uint8_t kDirOut = 0x00;
constexpr std::uint8_t kTypeMask = 0x60;
constexpr std::uint8_t kTypeStandard = 0x00;
constexpr std::uint8_t kTypeClass = 0x20;
constexpr std::uint8_t kTypeVendor = 0x40;
constexpr std::uint8_t kRecipientMask = 0x1F;
constexpr std::uint8_t kRecipientDevice = 0x00;
constexpr std::uint8_t kRecipientInterface = 0x01;
constexpr std::uint8_t kRecipientEndpoint = 0x02;
constexpr std::uint8_t kRecipientOther = 0x03;
// The request types the printer tools send.
constexpr std::uint8_t kRequestTypeStandardDeviceIn = kDirIn | kTypeStandard | kRecipientDevice;   // 0x80
constexpr std::uint8_t kRequestTypeClassInterfaceIn = kDirIn | kTypeClass | kRecipientInterface;   // 0xA1
constexpr std::uint8_t kRequestTypeClassInterfaceOut = kDirOut | kTypeClass | kRecipientInterface; // 0x21
constexpr std::uint8_t kRequestTypeClassOtherOut = kDirOut | kTypeClass | kRecipientOther;         // 0x23

// Standard requests, and the feature CLEAR_FEATURE clears on a halted endpoint.
constexpr std::uint8_t kRequestGetStatus = 0x00;
constexpr std::uint8_t kRequestClearFeature = 0x01;
constexpr std::uint8_t kRequestGetDescriptor = 0x06;
constexpr std::uint8_t kRequestGetConfiguration = 0x08;
constexpr std::uint8_t kRequestSetConfiguration = 0x09;
constexpr std::uint8_t kRequestSetInterface = 0x0B;
constexpr std::uint16_t kFeatureEndpointHalt = 0x00;

// Descriptor types. GET_DESCRIPTOR carries the type in the high byte of wValue, the index in the low.
constexpr std::uint8_t kDescriptorDevice = 0x01;
constexpr std::uint8_t kDescriptorConfiguration = 0x02;
constexpr std::uint8_t kDescriptorString = 0x03;
constexpr std::uint8_t kDescriptorInterface = 0x04;
constexpr std::uint8_t kDescriptorEndpoint = 0x05;
constexpr std::uint16_t descriptorValue(std::uint8_t type, std::uint8_t index = 0) {
    return std::uint16_t(type << 8 | index);
}
// The language id of US English in string descriptors.
constexpr std::uint16_t kLangEnglishUS = 0x0409;

// Endpoint address and attributes.
constexpr std::uint8_t kEndpointDirIn = 0x80;
constexpr std::uint8_t kEndpointNumberMask = 0x0F;
constexpr std::uint8_t kTransferTypeMask = 0x03;
constexpr std::uint8_t kTransferBulk = 0x02;

// The printer class: its interface class and requests.
constexpr std::uint8_t kInterfaceClassPrinter = 0x07;
constexpr std::uint8_t kPrinterGetDeviceId = 0x00;
constexpr std::uint8_t kPrinterGetPortStatus = 0x01;
constexpr std::uint8_t kPrinterSoftReset = 0x02;

} // namespace usbstd
