#include "Classes/TBUSBPrinterZEV.h"

#include "Classes/Edition.h"
#include "platform/pictures.h"
#include "platform/platformlog.h"
#include "platform/strings.h"
#include "support/QRVX_CodeNames.h"
#include "support/QRVX_Log.h"
#include "support/logtext.h"

#include <algorithm>

const QString QRVX_ZEV_USB_ISerialisSet = QStringLiteral("QRVX_ZEV_USB_ISerialisSet");

namespace {

// How much of a frame reaches the hex listing.
constexpr qsizetype kFrameLogBytes = 64;
// Pause between two passes of a status poll, and how many passes it makes at most (a minute).
constexpr int kStatusPollPauseMs = 500;
constexpr int kStatusPollPasses = 120;
// Draining stale bytes from the bulk-in pipe: reads this large, each waiting this long, until one
// finds nothing; a printer that babbles on is left alone after the limit (the next frame drains on).
constexpr std::uint32_t kDrainChunkBytes = 8192;
constexpr std::uint32_t kDrainTimeoutMs = 50;
constexpr std::uint64_t kDrainLimitBytes = 64 * 1024;

// Announced keys that differ from the device-info key they follow.
const QString kLifetimeCounterProperty = QStringLiteral("lifetimeCounter");
const QString kUSBISerialStringProperty = QStringLiteral("usbISerialString");
const QString kUSBISerialProperty = QStringLiteral("usbISerial");

// A log format with one "%s", filled without printf so a value holding '%' stays harmless.
QString fillLogLine(const char* format, const QString& value) {
    QString line = QString::fromLatin1(format);
    line.replace(QLatin1String("%s"), value);
    return line;
}

// The status code of a reply: a lost answer, and one whose record came damaged (it reads as an
// empty text), say nothing about the printer, and both read as no answer.
QString statusCodeOf(const std::optional<QByteArray>& reply) {
    const QString code = zev::replyText(reply);
    return code.isEmpty() ? QString::fromLatin1(zev::kNoReplyText) : code;
}

// The text the list shows for a status code; a printer that does not answer is shown as such, never
// as idle.
QString statusTextOf(const QString& code) {
    return code == QLatin1String(zev::kNoReplyText)
               ? platform::localizedString(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Not Responding")))
               : TBUSBPrinterZEV::stringForHVStatusString(code);
}

std::optional<IndexSet> toIndexSet(const QSet<std::uint16_t>& ids) {
    return IndexSet(ids.begin(), ids.end());
}

} // namespace

const char* TBUSBPrinterZEV::className() const {
    return "TBUSBPrinterZEV";
}

std::shared_ptr<TBUSBPrinterZEV> TBUSBPrinterZEV::zevSelf() {
    return std::static_pointer_cast<TBUSBPrinterZEV>(self());
}

// ---- supported devices --------------------------------------------------------------------------------

std::optional<IndexSet> TBUSBPrinterZEV::supportedVendorIDs() {
    return toIndexSet(zev::supportedVendorIDs());
}

std::optional<IndexSet> TBUSBPrinterZEV::supportedProductIDs() {
    return toIndexSet(zev::supportedProductIDs(Edition::current()));
}

std::optional<IndexSet> TBUSBPrinterZEV::objectSupportedVendorIDs() const {
    return supportedVendorIDs();
}
std::optional<IndexSet> TBUSBPrinterZEV::objectSupportedProductIDs() const {
    return supportedProductIDs();
}

zev::Model TBUSBPrinterZEV::printerModel() const {
    return zev::modelForProductID(productID());
}

// ---- frames and replies ---------------------------------------------------------------------------------

std::optional<QString> TBUSBPrinterZEV::stringForCommandCode(std::uint32_t code) const {
    return zev::stringForCommandCode(code);
}

void TBUSBPrinterZEV::errorWithString(const QString& message, qint64 code) {
    // The protocol reports its internal errors here; by design nothing is logged, stored or shown.
    (void)message;
    (void)code;
}

void TBUSBPrinterZEV::sendPrinterCommand(std::uint32_t code, const QByteArray& payload) {
    writeFrame(code, payload);
}

bool TBUSBPrinterZEV::writeFrame(std::uint32_t code, const QByteArray& payload) {
    const zev::Frame frame = zev::buildFrame(
        code, payload, [this](const QString& message, qint64 c) { errorWithString(message, c); });
    if (frame.bytes.isEmpty()) return false;

    // What an earlier, damaged exchange left behind would otherwise answer this frame.
    if (bulkInUnsettled_.exchange(false)) drainBulkIn();

    platform::platformLog("sending printer command %s with payload size %u",
                          utf8(frame.commandString).constData(), frame.payloadLength);
    QRVX_Log::logData(QByteArrayView(frame.bytes).first(std::min(frame.bytes.size(), kFrameLogBytes)));

    if (!writeToInterfaceWithData(frame.bytes)) {
        reportWriteFailure();
        return false;
    }
    return true;
}

bool TBUSBPrinterZEV::writeFrameInPieces(std::uint32_t code, const QByteArray& payload,
                                         const std::function<void(qint64, qint64)>& progress) {
    const zev::Frame header =
        zev::buildFrameHeader(code, std::size_t(payload.size()),
                              [this](const QString& message, qint64 c) { errorWithString(message, c); });
    if (header.bytes.isEmpty()) return false;
    if (bulkInUnsettled_.exchange(false)) drainBulkIn();

    platform::platformLog("sending printer command %s with payload size %u",
                          utf8(header.commandString).constData(), header.payloadLength);
    QRVX_Log::logData(header.bytes + payload.left(kFrameLogBytes - header.bytes.size()));

    if (!writeToInterfaceInPieces(header.bytes, payload.left(qsizetype(header.payloadLength)), progress)) {
        reportWriteFailure();
        return false;
    }
    return true;
}

void TBUSBPrinterZEV::reportWriteFailure() {
    const IOReturn status = writeStatus();
    platform::platformLog("ERROR: writeToInterfaceWithData: [%x] (%s)", unsigned(status),
                          strForIOReturn(status));
    errorWithString(zev::communicationErrorText(), 0);
}

void TBUSBPrinterZEV::drainBulkIn() {
    const std::shared_ptr<usb::UsbInterface> interface = interfaceInterface();
    if (!interface) return;
    const quint8 pipe = bulkIN();
    QByteArray chunk(kDrainChunkBytes, Qt::Uninitialized);
    std::uint64_t drained = 0;
    IOReturn result = kIOReturnSuccess;
    while (drained < kDrainLimitBytes) {
        std::uint32_t size = kDrainChunkBytes;
        result = interface->readPipe(pipe, chunk.data(), size, kDrainTimeoutMs, kDrainTimeoutMs);
        drained += size;
        if (result != kIOReturnSuccess || size == 0) break;
    }
    if (drained >= kDrainLimitBytes) bulkInUnsettled_ = true;
    platform::platformLog("drained %llu stale bytes from backchannel of %s (%s)",
                          static_cast<unsigned long long>(drained), descriptionUTF8().constData(),
                          strForIOReturn(result));
}

std::optional<QByteArray> TBUSBPrinterZEV::printerReply() {
    const std::shared_ptr<usb::UsbInterface> interface = interfaceInterface();
    const QByteArray name = descriptionUTF8();
    const quint8 pipe = bulkIN();
    const auto read = [&](zev::ReplyReadStage stage, char* buffer, std::uint32_t& size) -> IOReturn {
        const IOReturn result = interface ? interface->readPipe(pipe, buffer, size, zev::kReplyReadTimeoutMs,
                                                                zev::kReplyReadTimeoutMs)
                                          : kIOReturnNoDevice;
        setReadStatus(result);
        if (result != kIOReturnSuccess) size = 0;
        if (stage == zev::ReplyReadStage::Length)
            platform::platformLog("reading backchannel for %u bytes on %s", size, name.constData());
        if (result != kIOReturnSuccess)
            platform::platformLog("bad read (%s) on backchannel of %s", strForIOReturn(result),
                                  name.constData());
        return result;
    };
    bool leftover = false;
    std::optional<QByteArray> reply = zev::readReply(
        read, [this](const QString& message, qint64 code) { errorWithString(message, code); }, &leftover);
    if (leftover) bulkInUnsettled_ = true;
    return reply;
}

// ---- status ---------------------------------------------------------------------------------------------

QString TBUSBPrinterZEV::stringForHVStatusString(const std::optional<QString>& statusCode) {
    return zev::stringForHVStatusString(statusCode);
}

void TBUSBPrinterZEV::getPrinterStatus(StatusCompletion completion) {
    auto printer = zevSelf();
    openInterface([printer, completion](IOReturn result) {
        if (result != kIOReturnSuccess) return;
        printer->sendPrinterCommand(
            [printer] { printer->sendPrinterCommand(zev::kCommandStatus, QByteArray()); }, nullptr,
            [printer, completion](std::optional<QByteArray> reply) {
                const QString code = statusCodeOf(reply);
                printer->setPrinterStatus(statusTextOf(code));
                if (completion) completion(code);
            });
    });
}

QString TBUSBPrinterZEV::statusNow() {
    QString code = QString::fromLatin1(zev::kNoReplyText);
    sendPrinterCommand([this] { sendPrinterCommand(zev::kCommandStatus, QByteArray()); },
                       printerCommandQueue(),
                       [&code](std::optional<QByteArray> reply) { code = statusCodeOf(reply); });
    auto printer = zevSelf();
    onMainThread([printer, code] { printer->setPrinterStatus(statusTextOf(code)); });
    return code;
}

void TBUSBPrinterZEV::updatePrinterStatus() {
    getPrinterStatus({});
}

void TBUSBPrinterZEV::waitForPrinterStatusCode(const QString& statusCode) {
    pollStatus(statusCode, kStatusPollPasses);
}

// One pass of the poll. Every later pass starts from a main-thread timer, never from inside the
// previous pass, so the stack does not grow however long the printer takes. When it ends, reached or
// given up, the poll lets go of the interface it opened.
void TBUSBPrinterZEV::pollStatus(const QString& statusCode, int passesLeft) {
    auto printer = zevSelf();
    const auto again = [printer, statusCode, passesLeft] {
        if (passesLeft <= 1) {
            platform::platformLog("%s: status \"%s\" not reached, the poll ends",
                                  printer->methodName("waitForPrinterStatusCode:").c_str(),
                                  utf8(statusCode).constData());
            printer->releaseInterfaceUnlessClaimed();
            return;
        }
        platform::mainqueue::after(kStatusPollPauseMs, [printer, statusCode, passesLeft] {
            printer->pollStatus(statusCode, passesLeft - 1);
        });
    };
    openInterface([printer, statusCode, again](IOReturn result) {
        if (result == kIOReturnNoDevice) {
            // This printer object's device has left the bus for good (a returning printer gets a new
            // object); polling on would keep it alive and retry forever.
            platform::platformLog("%s: device gone, status poll for \"%s\" ends",
                                  printer->methodName("waitForPrinterStatusCode:").c_str(),
                                  utf8(statusCode).constData());
            return;
        }
        if (result != kIOReturnSuccess) {
            again();
            return;
        }
        printer->getPrinterStatus([printer, statusCode, again](const QString& code) {
            // Silence is no status: a printer that did not answer has not reached the one waited for.
            const bool silent = code == QLatin1String(zev::kNoReplyText) && statusCode != code;
            if (silent || stringForHVStatusString(code) != stringForHVStatusString(statusCode))
                again();
            else
                printer->releaseInterfaceUnlessClaimed();
        });
    });
}

void TBUSBPrinterZEV::setOverridePrinterStatus(const QString& text) {
    platform::platformLog("forcing printer status string to \"%s\"", utf8(text).constData());
    auto printer = zevSelf();
    platform::mainqueue::async([printer, text] { printer->setPrinterStatus(text); });
}

// ---- information queries ------------------------------------------------------------------------------

void TBUSBPrinterZEV::getPrinterFirmwareVersion() {
    auto printer = zevSelf();
    openInterface([printer](IOReturn result) {
        if (result != kIOReturnSuccess) return;
        // The answer is stored on the command queue, right after the exchange: the USB switch query
        // that follows in a probe decides on the HV-QXA's firmware version, and must see this one
        // rather than none. The dictionary is locked; the announcement still reaches the main thread.
        printer->sendPrinterCommand(
            [printer] { printer->sendPrinterCommand(zev::kCommandFirmwareVersion, QByteArray()); },
            printer->printerCommandQueue(),
            [printer](std::optional<QByteArray> reply) {
                if (!reply) return;
                const QString value = zev::firmwareVersionValue(*reply);
                if (!value.isEmpty()) ++printer->firmwareVersionAnswers_;
                printer->setDeviceInfoValue(QRVX_TBPrinterFirmwareVersion, value);
                // The HV-QXA's switch support follows its firmware version.
                if (printer->printerModel() == zev::Model::HVQXA)
                    printer->announce(kUSBISerialStringProperty);
                platform::platformLog("printer firmware version: %s", utf8(value).constData());
            });
    });
}

void TBUSBPrinterZEV::updatePrinterSerialNumber() {
    auto printer = zevSelf();
    openInterface([printer](IOReturn result) {
        if (result != kIOReturnSuccess) return;
        printer->sendPrinterCommand(
            [printer] { printer->sendPrinterCommand(zev::kCommandSerialNumber, QByteArray()); }, nullptr,
            [printer](std::optional<QByteArray> reply) {
                const QString value = zev::replyText(reply);
                platform::platformLog("%s: %s", utf8(QRVX_TBPrinterSerialNumber).constData(),
                                      utf8(value).constData());
                printer->setDeviceInfoValue(QRVX_TBPrinterSerialNumber, value);
            });
    });
}

void TBUSBPrinterZEV::getPrinterLifetimeCounter() {
    auto printer = zevSelf();
    openInterface([printer](IOReturn result) {
        if (result != kIOReturnSuccess) return;
        printer->sendPrinterCommand(
            [printer] { printer->sendPrinterCommand(zev::kCommandCounterLife, QByteArray()); }, nullptr,
            [printer](std::optional<QByteArray> reply) {
                if (!reply) return;
                const QString value = zev::lifetimeCounterValue(*reply);
                printer->setDeviceInfoValue(QRVX_TBPrinterLifetimeCounter, value);
                printer->announce(kLifetimeCounterProperty);
                platform::platformLog("lifetime counter value: %s", utf8(value).constData());
            });
    });
}

void TBUSBPrinterZEV::resetCounter(char counter) {
    auto printer = zevSelf();
    openInterface([printer, counter](IOReturn result) {
        if (result != kIOReturnSuccess) return;
        if (zev::isResettableCounter(counter))
            printer->sendPrinterCommand(zev::kCommandCounterClear, zev::counterResetPayload(counter));
    });
}

void TBUSBPrinterZEV::resetCounterA() {
    resetCounter('A');
}
void TBUSBPrinterZEV::resetCounterB() {
    resetCounter('B');
}
void TBUSBPrinterZEV::resetCounterM() {
    resetCounter('M');
}

QString TBUSBPrinterZEV::lifetimeCounter() {
    return textValue(QRVX_TBPrinterLifetimeCounter);
}

// ---- USB serial-number switch ----------------------------------------------------------------------------

bool TBUSBPrinterZEV::hasISerialSupport() {
    return zev::modelHasISerialSupport(printerModel(), installedFirmwareVersion());
}

void TBUSBPrinterZEV::getUSB_ISerial() {
    if (!hasISerialSupport()) return;
    auto printer = zevSelf();
    openInterface([printer](IOReturn result) {
        if (result != kIOReturnSuccess) return;
        printer->sendPrinterCommand(
            [printer] { printer->sendPrinterCommand(zev::kCommandUSBISerialRead, QByteArray()); }, nullptr,
            [printer](std::optional<QByteArray> reply) {
                if (!reply) return;
                const QString value = zev::usbISerialValue(*reply);
                printer->setDeviceInfoValue(QRVX_ZEV_USB_ISerialisSet, value);
                printer->announce(kUSBISerialStringProperty);
                printer->announce(kUSBISerialProperty);
                platform::platformLog("usbISerial value: %s", utf8(value).constData());
            });
        printer->closeInterface();
    });
}

void TBUSBPrinterZEV::setUSB_ISerial(bool on) {
    writeUSB_ISerial(on, {});
}

void TBUSBPrinterZEV::writeUSB_ISerial(bool on, std::function<void(bool written)> written) {
    const auto tell = [written](bool ok) {
        if (written) written(ok);
    };
    if (!hasISerialSupport()) {
        tell(false);
        return;
    }
    auto printer = zevSelf();
    openInterface([printer, on, tell](IOReturn result) {
        if (result != kIOReturnSuccess) {
            tell(false);
            return;
        }
        tell(printer->writeFrame(zev::kCommandUSBISerialWrite, zev::usbISerialPayload(on)));
        printer->getUSB_ISerial();
    });
}

void TBUSBPrinterZEV::setEnabledUSBSerial(bool on, std::function<void(bool written)> done) {
    auto printer = zevSelf();
    const auto tell = [printer, done](bool written) {
        if (done) printer->onMainThread([done, written] { done(written); });
    };
    openInterface([printer, on, tell](IOReturn result) {
        const std::string name = printer->methodName("setEnabledUSBSerial:");
        if (result != kIOReturnSuccess) {
            platform::platformLog("%s: cannot open %s (%s), switch left as it was", name.c_str(),
                                  printer->descriptionUTF8().constData(), strForIOReturn(result));
            printer->showPrinterBusyAlert();
            tell(false);
            return;
        }
        // Written and read on the command queue only: the write runs inline here, the close
        // completion after it.
        auto written = std::make_shared<bool>(false);
        const bool supported = printer->hasISerialSupport();
        printer->writeUSB_ISerial(on, [written](bool ok) { *written = ok; });
        printer->closeInterface([printer, written, supported, name, tell](IOReturn) {
            if (!*written) {
                // Nothing changed on the printer: a power cycle would not help, and its print queues
                // still match what it reports.
                platform::platformLog(
                    "%s: switch not written to %s (%s)", name.c_str(), printer->descriptionUTF8().constData(),
                    supported ? strForIOReturn(printer->writeStatus()) : "no switch at this firmware");
                tell(false);
                return;
            }
            printer->showPowerCycleAlert();
            printer->deleteExistingPrinterQueues();
            tell(true);
        });
    });
}

bool TBUSBPrinterZEV::usbISerial() {
    const QVariant value = deviceInfoValue(QRVX_ZEV_USB_ISerialisSet);
    return value.isValid() && zev::boolValue(value.toString());
}

void TBUSBPrinterZEV::setUsbISerial(bool on) {
    if (on != usbISerial()) setEnabledUSBSerial(on);
}

QString TBUSBPrinterZEV::usbISerialString() {
    // English, like every published text; the list shows the string table's form.
    if (!hasISerialSupport()) return QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Unavailable"));
    return usbISerial() ? QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Enabled"))
                        : QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "Disabled"));
}

QByteArray TBUSBPrinterZEV::commandPayloadForMediaSD() const {
    return zev::commandPayloadForMediaSD();
}
QByteArray TBUSBPrinterZEV::commandPayloadForMediaPP() const {
    return zev::commandPayloadForMediaPP();
}

// ---- colour tables --------------------------------------------------------------------------------------

void TBUSBPrinterZEV::getPrinterColorTableVersion(TableCompletion completion) {
    runColorTableQueries(zev::colorTableVersionQueries(printerModel()), std::move(completion));
}

void TBUSBPrinterZEV::getPrinterColorTableChecksum(TableCompletion completion) {
    runColorTableQueries(zev::colorTableChecksumQueries(printerModel()), std::move(completion));
}

void TBUSBPrinterZEV::runColorTableQueries(std::span<const zev::ColorTableQuery> rows,
                                           TableCompletion completion) {
    if (rows.empty()) return;
    auto printer = zevSelf();
    // This call's answers; only reply blocks touch it, and they all run on the main thread.
    auto results = std::make_shared<QStringList>();
    const qsizetype expected = qsizetype(rows.size());
    for (const zev::ColorTableQuery& row : rows) {
        printer->sendPrinterCommand(
            [printer, row] { printer->sendPrinterCommand(row.code, zev::payloadForMedia(row.media)); },
            nullptr,
            [printer, row, results, expected, completion](std::optional<QByteArray> reply) {
                const QString value = zev::replyText(reply).trimmed();
                printer->setDeviceInfoValue(QString::fromLatin1(row.key), value);
                platform::platformLogText(fillLogLine(row.logFormat, value));
                results->append(value);
                if (results->size() == expected && completion) completion(*results);
            });
    }
}

QString TBUSBPrinterZEV::textValue(const QString& key) {
    const QVariant value = deviceInfoValue(key);
    return value.isValid() ? value.toString() : QString();
}

std::optional<QString> TBUSBPrinterZEV::storedFirmwareVersion() {
    const QVariant value = deviceInfoValue(QRVX_TBPrinterFirmwareVersion);
    if (!value.isValid()) return std::nullopt;
    return value.toString();
}

namespace {

struct ColorTableKeys {
    const char* table;
    const QString* version;
    const QString* checksum;
};

// Slot 300's version shares the one-table models' key.
const ColorTableKeys kColorTables[] = {
    {"300", &QRVX_TBPrinterColorTableVersion, &QRVX_TBPrinterColorTableChecksum300},
    {"600", &QRVX_TBPrinterColorTableVersion600, &QRVX_TBPrinterColorTableChecksum600},
    {"610", &QRVX_TBPrinterColorTableVersion610, &QRVX_TBPrinterColorTableChecksum610},
    {"620", &QRVX_TBPrinterColorTableVersion620, &QRVX_TBPrinterColorTableChecksum620},
    {"300 HD", &QRVX_TBPrinterColorTableVersion300HD, &QRVX_TBPrinterColorTableChecksum300HD},
    {"600 HD", &QRVX_TBPrinterColorTableVersion600HD, &QRVX_TBPrinterColorTableChecksum600HD},
    {"610 HD", &QRVX_TBPrinterColorTableVersion610HD, &QRVX_TBPrinterColorTableChecksum610HD},
    {"620 HD", &QRVX_TBPrinterColorTableVersion620HD, &QRVX_TBPrinterColorTableChecksum620HD},
};

} // namespace

QList<TBUSBPrinterZEV::ColorTableReading> TBUSBPrinterZEV::colorTables() {
    const QVariantMap info = deviceInfoSnapshot();
    QList<ColorTableReading> tables;
    for (const ColorTableKeys& keys : kColorTables) {
        const QString version = info.value(*keys.version).toString();
        const QString checksum = info.value(*keys.checksum).toString();
        if (version.isEmpty() && checksum.isEmpty()) continue;
        tables.append({QString::fromLatin1(keys.table), version, checksum});
    }
    return tables;
}

QString TBUSBPrinterZEV::serialNumber() {
    const QString answered = deviceInfoValue(QRVX_TBPrinterSerialNumber).toString();
    return answered.isEmpty() ? serialNumberUSB() : answered;
}

TBUpdateHistory::Printer TBUSBPrinterZEV::historyPrinter() {
    QStringList tables;
    for (const ColorTableReading& table : colorTables())
        if (!table.version.isEmpty()) tables << table.table + QLatin1Char(' ') + table.version;
    return {keyUSBdevice(), serialNumber(), zev::modelName(printerModel()), firmwareVersion(),
            tables.join(QStringLiteral(", "))};
}

QString TBUSBPrinterZEV::colorTableVersion() {
    return textValue(QRVX_TBPrinterColorTableVersion);
}
QString TBUSBPrinterZEV::colorTableVersion600() {
    return textValue(QRVX_TBPrinterColorTableVersion600);
}
QString TBUSBPrinterZEV::colorTableVersion610() {
    return textValue(QRVX_TBPrinterColorTableVersion610);
}
QString TBUSBPrinterZEV::colorTableVersion620() {
    return textValue(QRVX_TBPrinterColorTableVersion620);
}
QString TBUSBPrinterZEV::colorTableVersion300HD() {
    return textValue(QRVX_TBPrinterColorTableVersion300HD);
}
QString TBUSBPrinterZEV::colorTableVersion600HD() {
    return textValue(QRVX_TBPrinterColorTableVersion600HD);
}
QString TBUSBPrinterZEV::colorTableVersion610HD() {
    return textValue(QRVX_TBPrinterColorTableVersion610HD);
}
QString TBUSBPrinterZEV::colorTableVersion620HD() {
    return textValue(QRVX_TBPrinterColorTableVersion620HD);
}
QString TBUSBPrinterZEV::colorTableChecksum300() {
    return textValue(QRVX_TBPrinterColorTableChecksum300);
}
QString TBUSBPrinterZEV::colorTableChecksum600() {
    return textValue(QRVX_TBPrinterColorTableChecksum600);
}
QString TBUSBPrinterZEV::colorTableChecksum610() {
    return textValue(QRVX_TBPrinterColorTableChecksum610);
}
QString TBUSBPrinterZEV::colorTableChecksum620() {
    return textValue(QRVX_TBPrinterColorTableChecksum620);
}
QString TBUSBPrinterZEV::colorTableChecksum300HD() {
    return textValue(QRVX_TBPrinterColorTableChecksum300HD);
}
QString TBUSBPrinterZEV::colorTableChecksum600HD() {
    return textValue(QRVX_TBPrinterColorTableChecksum600HD);
}
QString TBUSBPrinterZEV::colorTableChecksum610HD() {
    return textValue(QRVX_TBPrinterColorTableChecksum610HD);
}
QString TBUSBPrinterZEV::colorTableChecksum620HD() {
    return textValue(QRVX_TBPrinterColorTableChecksum620HD);
}

// ---- picture and probe ----------------------------------------------------------------------------------

QString TBUSBPrinterZEV::imageName() const {
    return zev::pictureNameForModel(printerModel());
}

QImage TBUSBPrinterZEV::image() const {
    return platform::printerPicture(imageName());
}

void TBUSBPrinterZEV::getDeviceCustomInfo() {
    auto printer = zevSelf();
    getPrinterStatus([printer](const QString& statusCode) { printer->readDeviceCustomInfo(statusCode); });
}

void TBUSBPrinterZEV::readDeviceCustomInfo(const QString& statusCode) {
    auto printer = zevSelf();
    // The update firmware answers nothing but STATUS; nor is such a printer held for nothing.
    if (statusCode == QLatin1String(zev::kStatusFirmwareUpdateMode)) {
        closeInterface();
        return;
    }
    openInterface([printer](IOReturn result) {
        if (result != kIOReturnSuccess) return;
        // On the command queue each query's open succeeds at once, so the exchanges run here, in
        // this order, within this one piece of queue work.
        printer->getPrinterFirmwareVersion();
        printer->getPrinterLifetimeCounter();
        printer->getPrinterColorTableVersion({});
        printer->getPrinterColorTableChecksum({});
        printer->updatePrinterSerialNumber();
        printer->getUSB_ISerial();
        printer->closeInterface();
    });
}
