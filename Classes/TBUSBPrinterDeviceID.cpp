// Who the printer says it is: the IEEE-1284 device ID and the USB string descriptors.
#include "Classes/TBUSBPrinter.h"

#include "platform/platformlog.h"
#include "support/QRVX_CodeNames.h"

#include "base/usbstandard.h"

#include <QStringDecoder>

#include <array>
#include <vector>

using namespace usbstd;

namespace {

// The device descriptor and string descriptors.
constexpr std::size_t kDeviceDescriptorLength = 18;
constexpr std::size_t kManufacturerIndexOffset = 14;
constexpr std::size_t kProductIndexOffset = 15;
constexpr std::size_t kSerialNumberIndexOffset = 16;
constexpr std::uint16_t kStringBufferLength = 256;
constexpr std::uint32_t kLanguageNoDataTimeoutMs = 500;
constexpr std::uint32_t kLanguageCompletionTimeoutMs = 2000;
constexpr std::uint32_t kStringNoDataTimeoutMs = 500;
constexpr std::uint32_t kStringCompletionTimeoutMs = 1000;
constexpr std::uint32_t kDeviceDescriptorTimeoutMs = 100;
constexpr std::size_t kLanguageTableMinimum = 4; // header and one id

// Language ids: primary language in the low 10 bits, sublanguage above.
constexpr std::uint16_t kPrimaryLanguageMask = 0x03FF;
constexpr std::uint16_t kPrimaryLanguageEnglish = 0x09;

// Printer class GET_DEVICE_ID.
constexpr std::uint32_t kDeviceIDBufferLength = 65535;
constexpr std::uint32_t kDeviceIDLengthLimit = 0xFFFE; // including the two length bytes
constexpr std::uint32_t kDeviceIDTimeoutMs = 100;
constexpr std::uint32_t kDeviceIDLengthFieldSize = 2;

bool isEnglish(std::uint16_t id) {
    return (id & kPrimaryLanguageMask) == kPrimaryLanguageEnglish;
}

// Reads the language table (string descriptor 0). `received` tells how many bytes arrived.
IOReturn readLanguageTable(usb::UsbInterface& interface,
                           std::array<std::uint8_t, kStringBufferLength>& buffer, std::uint32_t& received) {
    buffer.fill(0);
    usb::ControlRequest request;
    request.bmRequestType = kRequestTypeStandardDeviceIn;
    request.bRequest = kRequestGetDescriptor;
    request.wValue = descriptorValue(kDescriptorString);
    request.wIndex = 0;
    request.wLength = kStringBufferLength;
    request.data = buffer.data();
    request.noDataTimeout = kLanguageNoDataTimeoutMs;
    request.completionTimeout = kLanguageCompletionTimeoutMs;
    const IOReturn r = interface.controlRequest(request);
    received = std::min<std::uint32_t>(request.wLenDone, kStringBufferLength);
    return r;
}

// The language ids of a table, never looking past bLength nor past what arrived.
std::vector<std::uint16_t> languageIds(const std::array<std::uint8_t, kStringBufferLength>& buffer,
                                       std::uint32_t received) {
    std::vector<std::uint16_t> ids;
    const std::uint32_t end = std::min<std::uint32_t>(buffer[0], received);
    for (std::uint32_t offset = 2; offset + 1 < end; offset += 2)
        ids.push_back(static_cast<std::uint16_t>(buffer[offset] | (buffer[offset + 1] << 8)));
    return ids;
}

// Turns a string descriptor into text: nothing when it holds no character or is not valid UTF-16.
QString decodeStringDescriptor(const std::uint8_t* bytes, std::uint32_t received) {
    if (received < 2) return {};
    std::uint32_t n = std::min<std::uint32_t>(bytes[0], received);
    n &= ~1u;
    // Trailing NUL characters are padding, not text. (Only whole NULs: a character whose low byte
    // is 0, U+0100 or U+4E00 say, is text.)
    while (n >= 4 && bytes[n - 2] == 0 && bytes[n - 1] == 0)
        n -= 2;
    if (n < 4) return {};
    std::u16string units;
    units.reserve((n - 2) / 2);
    for (std::uint32_t i = 2; i + 1 < n; i += 2)
        units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    // Reject unpaired surrogates rather than pass garbage on.
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t c = units[i];
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= units.size() || !QChar::isLowSurrogate(units[i + 1])) return {};
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return {};
        }
    }
    // Copied as code units: a byte-order mark inside the text is a character here, not a marker to
    // strip (the descriptor's own mark was its length and type bytes).
    return QString(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size()));
}

IOReturn readStringDescriptor(usb::UsbInterface& interface, std::uint8_t index, std::uint16_t language,
                              std::array<std::uint8_t, kStringBufferLength>& buffer,
                              std::uint32_t& received) {
    buffer.fill(0);
    usb::ControlRequest request;
    request.bmRequestType = kRequestTypeStandardDeviceIn;
    request.bRequest = kRequestGetDescriptor;
    request.wValue = descriptorValue(kDescriptorString, index);
    request.wIndex = language;
    request.wLength = kStringBufferLength;
    request.data = buffer.data();
    request.noDataTimeout = kStringNoDataTimeoutMs;
    request.completionTimeout = kStringCompletionTimeoutMs;
    const IOReturn r = interface.controlRequest(request);
    received = std::min<std::uint32_t>(request.wLenDone, kStringBufferLength);
    return r;
}

// Strict UTF-8: a device ID with bytes that are not UTF-8 yields no text.
QString strictUtf8(const char* data, qsizetype size) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(data, size));
    if (decoder.hasError()) return {};
    if (text.isNull()) text = QStringLiteral("");
    return text;
}

QString substring(const QString& text, const QString& prefix, const QString& terminator,
                  Qt::CaseSensitivity options, bool inclusive) {
    qsizetype start = 0;
    qsizetype end = text.size();
    qsizetype searchFrom = 0;
    if (!prefix.isNull()) {
        // An empty prefix is never found.
        const qsizetype at = prefix.isEmpty() ? -1 : text.indexOf(prefix, 0, options);
        if (at < 0) return {};
        start = inclusive ? at : at + prefix.size();
        searchFrom = at + prefix.size();
    }
    if (!terminator.isNull()) {
        const qsizetype at = terminator.isEmpty() ? -1 : text.indexOf(terminator, searchFrom, options);
        if (at < 0) return {};
        end = inclusive ? at + terminator.size() : at;
    }
    QString result = text.mid(start, end - start);
    if (result.isNull()) result = QStringLiteral("");
    return result;
}

} // namespace

// ---- device ID ----

void TBUSBPrinter::update1284DeviceID(DeviceIDCompletion completion) {
    onCommandQueue([this, completion] {
        auto interface = interfaceInterface();
        if (!interface) return;
        std::vector<std::uint8_t> buffer(kDeviceIDBufferLength, 0);

        QString text;
        std::uint8_t configuration = 0, interfaceNumber = 0, alternate = 0;
        IOReturn r = interface->configurationValue(configuration);
        if (r != kIOReturnSuccess) {
            platform::platformLog("%s returned %s [%x]\n", "GetConfigurationValue()", strForIOReturn(r),
                                  unsigned(r));
        } else if ((r = interface->interfaceNumber(interfaceNumber)) != kIOReturnSuccess) {
            platform::stderrPrint("ERROR: %s returned %s [%x]\n", "GetInterfaceNumber()", strForIOReturn(r),
                                  unsigned(r));
        } else if ((r = interface->alternateSetting(alternate)) != kIOReturnSuccess) {
            platform::stderrPrint("ERROR: %s returned %s [%x]\n", "GetAlternateSetting()", strForIOReturn(r),
                                  unsigned(r));
        } else {
            usb::ControlRequest request;
            request.bmRequestType = kRequestTypeClassInterfaceIn;
            request.bRequest = kPrinterGetDeviceId;
            request.wValue = static_cast<std::uint16_t>(configuration - 1); // the configuration index
            request.wIndex = static_cast<std::uint16_t>((interfaceNumber << 8) | alternate);
            request.wLength = static_cast<std::uint16_t>(kDeviceIDBufferLength);
            request.data = buffer.data();
            request.noDataTimeout = kDeviceIDTimeoutMs;
            request.completionTimeout = kDeviceIDTimeoutMs;
            r = interface->controlRequest(request);
            const std::uint32_t received = std::min<std::uint32_t>(request.wLenDone, kDeviceIDBufferLength);
            // Without its two length bytes the reply says nothing; do not read bytes that never came.
            if (r == kIOReturnSuccess && received >= kDeviceIDLengthFieldSize) {
                std::uint32_t length = (std::uint32_t(buffer[0]) << 8) | buffer[1];
                platform::platformLog("Found a %u character device ID ... \n", length);
                if (length == 0) {
                    text = QStringLiteral("(null)");
                } else {
                    length = std::min(length, kDeviceIDLengthLimit);
                    const std::uint32_t end = std::min(length, received);
                    const std::uint32_t size =
                        end > kDeviceIDLengthFieldSize ? end - kDeviceIDLengthFieldSize : 0;
                    text = strictUtf8(reinterpret_cast<const char*>(buffer.data()) + kDeviceIDLengthFieldSize,
                                      static_cast<qsizetype>(size));
                }
            }
        }

        const bool found = !text.isNull();
        if (found) {
            onMainThread([this, text] { setRaw1284DeviceID(text); });
        }
        if (completion) completion(found, text);
    });
}

void TBUSBPrinter::decodeDeviceID(const QString& deviceID, const DecodedDeviceID& decoded) {
    if (!decoded) return;
    const QString terminator = QStringLiteral(";");
    auto field = [&](std::initializer_list<const char*> prefixes) {
        for (const char* prefix : prefixes) {
            QString value = noninclusiveCaseInsensitiveSubstringFromString(
                deviceID, QString::fromLatin1(prefix), terminator);
            if (!value.isNull()) return value;
        }
        return QString();
    };
    QString manufacturer = field({"MFG:", "MANUFACTURER:"});
    if (manufacturer.isNull()) manufacturer = QStringLiteral("unknown");
    if (manufacturer.compare(QStringLiteral("HEWLETT-PACKARD"), Qt::CaseInsensitive) == 0)
        manufacturer = QStringLiteral("HP");
    QString model = field({"MDL:", "MODEL:"});
    if (model.isNull()) model = QStringLiteral("unknown");
    const QString serialNumber = field({"SERN:"});
    const QString description = field({"DESCRIPTION:", "DES:"});
    decoded(manufacturer, model, serialNumber, description);
}

QString TBUSBPrinter::substringFromString(const QString& text, const QString& prefix,
                                          const QString& terminator, Qt::CaseSensitivity options,
                                          bool inclusive) {
    if (text.isEmpty()) return text;
    return substring(text, prefix, terminator, options, inclusive);
}

QString TBUSBPrinter::noninclusiveCaseInsensitiveSubstringFromString(const QString& text,
                                                                     const QString& prefix,
                                                                     const QString& terminator) {
    return substringFromString(text, prefix, terminator, Qt::CaseInsensitive, false);
}

QString TBCFStringCreateSubstringFromPrefixToTerminatorWithOptions(const QString& text, const QString& prefix,
                                                                   const QString& terminator,
                                                                   Qt::CaseSensitivity options,
                                                                   bool inclusive) {
    if (text.isNull()) return {};
    return substring(text, prefix, terminator, options, inclusive);
}

QString TBCFStringCreateSubstringFromPrefixToTerminator(const QString& text, const QString& prefix,
                                                        const QString& terminator) {
    return TBCFStringCreateSubstringFromPrefixToTerminatorWithOptions(text, prefix, terminator,
                                                                      Qt::CaseInsensitive, false);
}

// ---- languages and strings ----

std::optional<IndexSet> TBUSBPrinter::langIds() {
    {
        base::MutexLocker lock(fieldsMutex_);
        if (langIds_) return langIds_;
    }
    auto interface = interfaceInterface();
    if (!interface) return std::nullopt;
    std::array<std::uint8_t, kStringBufferLength> buffer{};
    std::uint32_t received = 0;
    if (readLanguageTable(*interface, buffer, received) != kIOReturnSuccess ||
        received < kLanguageTableMinimum)
        return std::nullopt; // asked again next time

    IndexSet ids;
    std::optional<std::uint16_t> chosen;
    for (std::uint16_t id : languageIds(buffer, received)) {
        ids.insert(id);
        // English beats other languages; among English ids the lower sublanguage (US first) wins.
        if (!chosen || (isEnglish(id) && (!isEnglish(*chosen) || (id >> 10) < (*chosen >> 10)))) chosen = id;
    }
    base::MutexLocker lock(fieldsMutex_);
    langIds_ = ids;
    langId_ = chosen.value_or(0);
    return langIds_;
}

quint16 TBUSBPrinter::langId() {
    if (langId_ == 0) langIds();
    return langId_;
}

void TBUSBPrinter::setLangId(quint16 langId) {
    const auto ids = langIds();
    if (ids && ids->count(langId)) langId_ = langId;
}

QString TBUSBPrinter::descriptorStringAtIndex(quint8 index) {
    if (index == 0) return {};
    auto interface = interfaceInterface();
    if (!interface) return {};
    std::array<std::uint8_t, kStringBufferLength> buffer{};
    std::uint32_t received = 0;
    if (readStringDescriptor(*interface, index, langId(), buffer, received) != kIOReturnSuccess) return {};
    return decodeStringDescriptor(buffer.data(), received);
}

void TBUSBPrinter::readDeviceString(IOReturn (usb::UsbDevice::*indexOf)(std::uint8_t&), const char* indexCall,
                                    const char* label, std::function<void(const QString&)> got) {
    onCommandQueue([this, indexOf, indexCall, label, got = std::move(got)] {
        auto device = deviceInterface();
        if (!device) return;
        std::uint8_t index = 0;
        if (IOReturn r = ((*device).*indexOf)(index); r != kIOReturnSuccess) {
            platform::platformLog("%s() returned %s\n", indexCall, strForIOReturn(r));
            return;
        }
        const QString text = descriptorStringAtIndex(index);
        got(text);
        platform::platformLog("got USB %s:%s", label,
                              qUtf8Printable(text.isNull() ? QStringLiteral("(null)") : text));
    });
}

void TBUSBPrinter::getUSBVendorString() {
    readDeviceString(&usb::UsbDevice::manufacturerStringIndex, "USBGetManufacturerStringIndex", "vendor",
                     [this](const QString& text) {
                         // Readable at once on the command queue; the announcement follows on the main
                         // thread.
                         {
                             base::MutexLocker lock(fieldsMutex_);
                             vendorUSB_ = text;
                         }
                         onMainThread([this, text] { setVendorUSB(text); });
                     });
}

void TBUSBPrinter::getUSBProductString() {
    readDeviceString(&usb::UsbDevice::productStringIndex, "USBGetProductStringIndex", "product",
                     [this](const QString& text) { onMainThread([this, text] { setProductUSB(text); }); });
}

void TBUSBPrinter::getUSBSerialNumberString() {
    readDeviceString(
        &usb::UsbDevice::serialNumberStringIndex, "USBGetSerialNumberStringIndex", "Serial Number",
        [this](const QString& text) { onMainThread([this, text] { setSerialNumberUSB(text); }); });
}

// ---- the same services on a bare interface object ----

IOReturn usbInterfaceGetDeviceDescriptor(usb::UsbInterface* interface, void* buffer, std::uint32_t length) {
    if (!interface || !buffer || length == 0) {
        platform::platformLog("Passed a NULL pointer or zero length into usbInterfaceGetDeviceDescriptor.\n");
        return kIOReturnBadArgument;
    }
    usb::ControlRequest request;
    request.bmRequestType = kRequestTypeStandardDeviceIn;
    request.bRequest = kRequestGetDescriptor;
    request.wValue = descriptorValue(kDescriptorDevice);
    request.wIndex = 0;
    request.wLength = static_cast<std::uint16_t>(std::min<std::uint32_t>(length, 0xFFFF));
    request.data = buffer;
    request.noDataTimeout = kDeviceDescriptorTimeoutMs;
    request.completionTimeout = kDeviceDescriptorTimeoutMs;
    const IOReturn r = interface->controlRequest(request);
    if (r != kIOReturnSuccess) return r;
    return request.wLenDone < length ? kIOReturnUnderrun : kIOReturnSuccess;
}

IOReturn usbInterfaceGetiDeviceIndices(usb::UsbInterface* interface, std::uint8_t* iManufacturer,
                                       std::uint8_t* iProduct, std::uint8_t* iSerialNumber) {
    if (iManufacturer) *iManufacturer = 0;
    if (iProduct) *iProduct = 0;
    if (iSerialNumber) *iSerialNumber = 0;
    if (!interface) return kIOReturnBadArgument;
    std::array<std::uint8_t, kDeviceDescriptorLength> descriptor{};
    const IOReturn r = usbInterfaceGetDeviceDescriptor(interface, descriptor.data(), kDeviceDescriptorLength);
    if (r != kIOReturnSuccess) return r;
    if (iManufacturer) *iManufacturer = descriptor[kManufacturerIndexOffset];
    if (iProduct) *iProduct = descriptor[kProductIndexOffset];
    if (iSerialNumber) *iSerialNumber = descriptor[kSerialNumberIndexOffset];
    return kIOReturnSuccess;
}

IOReturn usbInterfaceGetDescriptorStringCopy(usb::UsbInterface* interface, std::uint8_t index,
                                             QString* text) {
    if (text) *text = QString();
    if (!interface || !text || index == 0) {
        platform::platformLog(
            "Passed a NULL pointer or zero index into usbInterfaceGetDescriptorStringCopy.\n");
        return kIOReturnBadArgument;
    }
    std::array<std::uint8_t, kStringBufferLength> buffer{};
    std::uint32_t received = 0;
    IOReturn r = readLanguageTable(*interface, buffer, received);
    if (r != kIOReturnSuccess) return r;
    if (received < kLanguageTableMinimum) return kIOReturnUnderrun;
    const auto ids = languageIds(buffer, received);
    if (ids.empty()) return kIOReturnUnderrun;
    std::uint16_t language = ids.front();
    for (std::uint16_t id : ids) {
        if (id == kLangEnglishUS) {
            language = id;
            break;
        }
        if (isEnglish(id) && !isEnglish(language)) language = id;
    }
    r = readStringDescriptor(*interface, index, language, buffer, received);
    if (r != kIOReturnSuccess) return r;
    if (received < 2) return kIOReturnUnderrun;
    *text = decodeStringDescriptor(buffer.data(), received);
    return kIOReturnSuccess;
}

IOReturn usbInterfaceCreateSerialNumberString(usb::UsbInterface* interface, QString* text) {
    if (text) *text = QString();
    if (!interface || !text) return kIOReturnBadArgument;
    std::uint8_t serialIndex = 0;
    IOReturn r = usbInterfaceGetiDeviceIndices(interface, nullptr, nullptr, &serialIndex);
    if (r != kIOReturnSuccess)
        platform::platformLog("usbInterfaceGetiDeviceIndices returned %s [%.8x]\n", strForIOReturn(r),
                              unsigned(r));
    if (serialIndex != 0) {
        r = usbInterfaceGetDescriptorStringCopy(interface, serialIndex, text);
        if (r != kIOReturnSuccess) {
            platform::stderrPrint("ERROR: usbInterfaceGetDescriptorStringCopy returned [%d]\n", int(r));
            *text = QString();
        }
    }
    if (!text->isEmpty()) return kIOReturnSuccess;

    // No serial number from the device: name it by ids, release and port instead.
    std::uint16_t vendor = 0, product = 0, release = 0;
    std::uint32_t location = 0;
    if ((r = interface->deviceVendor(vendor)) != kIOReturnSuccess) {
        platform::stderrPrint("ERROR: calling %s returned %s\n", "GetDeviceVendor", strForIOReturn(r));
        return r;
    }
    if ((r = interface->deviceProduct(product)) != kIOReturnSuccess) {
        platform::stderrPrint("ERROR: calling %s returned %s\n", "GetDeviceProduct", strForIOReturn(r));
        return r;
    }
    if ((r = interface->locationID(location)) != kIOReturnSuccess) {
        platform::stderrPrint("ERROR: calling %s returned %s\n", "GetLocationID", strForIOReturn(r));
        return r;
    }
    if ((r = interface->deviceReleaseNumber(release)) != kIOReturnSuccess) {
        platform::stderrPrint("ERROR: calling %s returned %s\n", "GetDeviceReleaseNumber", strForIOReturn(r));
        return r;
    }
    *text = QString::asprintf("%.4X%.4X%.4X;*LOC:%.8x", unsigned(vendor), unsigned(product),
                              unsigned(release), unsigned(location));
    return kIOReturnSuccess;
}
