// The lifetime-counter, status and USB serial-number-switch answers as the printer-family class turns
// them into the values it stores and shows.
//
// The first input byte is a mode, the rest a reply body. The body goes over the wire as one record
// and through the reply framing; the values made of it must look like stored values (a counter or
// switch value is a whole number in canonical form, a status is one of the known texts), agree with
// Qt's own reading of the number, and read back unchanged when stored and read again. Then a
// simulated printer whose counter, status code and switch come from the same bytes answers real
// frames, and the values must be what it holds.
#include "Classes/ZEVProtocol.h"
#include "devicemodel/SimZEVPrinter.h"
#include "fuzz_support.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {

using fuzz::check;

// Qt's reading of the leading whole number of a text (white space, a sign, ASCII digits; 0 without
// digits), saturated at the limits of T: the oracle for the protocol's own reader.
template <typename T> T leadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) ++i;
    const bool negative = i > start && text.at(start) == u'-';
    const qsizetype digits = i;
    while (i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9')
        ++i;
    if (i == digits) return 0;
    bool ok = false;
    const qlonglong value = QStringView(text).mid(start, i - start).toLongLong(&ok);
    if (!ok || value > std::numeric_limits<T>::max() || value < std::numeric_limits<T>::min())
        return negative ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
    return T(value);
}

// What a stored value must be: storable as UTF-8 and shown again the same, no NUL, no CR.
void checkStorable(const QString& value) {
    check(QString::fromUtf8(value.toUtf8()) == value);
    check(!value.contains(QChar(0)) && !value.contains(QLatin1Char('\r')));
}

QByteArray terminated(const QString& value) {
    return value.toUtf8() + '\0';
}

// A record as it arrives on the bulk-in pipe, each read given all it asks for that is there.
std::optional<QByteArray> readRecord(const QByteArray& wire, bool* leftover) {
    qsizetype offset = 0;
    return zev::readReply(
        [&](zev::ReplyReadStage, char* buffer, std::uint32_t& wanted) -> IOReturn {
            if (offset >= wire.size()) {
                wanted = 0;
                return kIOReturnTimeout;
            }
            const std::uint32_t n = std::min(wanted, std::uint32_t(wire.size() - offset));
            std::memcpy(buffer, wire.constData() + offset, n);
            offset += n;
            wanted = n;
            return kIOReturnSuccess;
        },
        nullptr, leftover);
}

void checkLifetimeCounter(const QByteArray& reply) {
    const QString text = zev::textUpToNul(reply);
    const QString value = zev::lifetimeCounterValue(reply);
    checkStorable(value);
    if (!text.startsWith(QLatin1String("CL"))) {
        check(value == text);
        return;
    }
    check(value == QString::number(leadingNumber<qint64>(text.mid(2))));
    // Stored and asked again, the printer's "CL" + value gives the same value.
    check(zev::lifetimeCounterValue(terminated(QStringLiteral("CL") + value)) == value);
}

void checkStatus(const QByteArray& reply) {
    const QString code = zev::replyText(reply);
    const QString status = zev::stringForHVStatusString(code);
    check(!status.isEmpty() && status != QLatin1String("<NULL>"));
    const bool updateMode = status == QLatin1String("Firmware Update Mode");
    check(updateMode == (code == QLatin1String(zev::kStatusFirmwareUpdateMode)));
    // A code means what its number means: no wrap-around onto a known code, however long the digits.
    if (!updateMode) check(status == zev::stringForHVStatusString(QString::number(leadingNumber<int>(code))));
}

void checkSwitch(const QByteArray& reply) {
    const QString text = zev::textUpToNul(reply);
    const QString value = zev::usbISerialValue(reply);
    checkStorable(value);
    if (text.isEmpty()) {
        check(value.isEmpty() && !zev::boolValue(value));
        return;
    }
    const qint64 number = leadingNumber<qint64>(text);
    check(value == QString::number(number));
    // "Enabled" exactly when the printer's number is not 0.
    check(zev::boolValue(value) == (number != 0));
    check(zev::usbISerialValue(terminated(value)) == value);
}

// ---- the simulated printer ------------------------------------------------------------------------

constexpr std::array kModels{sim::SimZEVModel::HVA,  sim::SimZEVModel::HVB, sim::SimZEVModel::HVQXA,
                             sim::SimZEVModel::HVBD, sim::SimZEVModel::HVC, sim::SimZEVModel::EightTable};

// Faults of the printer's answers: those that leave its value intact, and those that spoil it.
struct FaultCase {
    std::optional<sim::SimZEVFaultKind> kind;
    bool intact;
};
constexpr FaultCase kFaultCases[] = {
    {std::nullopt, true},
    {sim::SimZEVFaultKind::BodyWithoutCR, true},
    {sim::SimZEVFaultKind::TruncatedBody, true},
    {sim::SimZEVFaultKind::NoReply, false},
    {sim::SimZEVFaultKind::GarbageLength, false},
    {sim::SimZEVFaultKind::OversizedLength, false},
    {sim::SimZEVFaultKind::NonUTF8Body, false},
    {std::nullopt, true},
};

struct Exchange {
    std::optional<QByteArray> reply;
    bool leftover = false;
};

Exchange ask(sim::SimZEVPrinter& printer, std::uint32_t code, const QByteArray& payload = {}) {
    QByteArray wire;
    for (const sim::SimZEVOutput& output : printer.receive(zev::buildFrame(code, payload, nullptr).bytes))
        wire += output.reply;
    Exchange exchange;
    exchange.reply = readRecord(wire, &exchange.leftover);
    return exchange;
}

void checkAgainstPrinter(std::uint8_t mode, const QByteArray& body) {
    const sim::SimZEVModel model = kModels[(mode >> 5) % kModels.size()];
    const bool switchOn = (mode & 0x10) != 0;
    const FaultCase& fault = kFaultCases[mode & 0x07];
    const bool intact = fault.intact;

    sim::SimZEVPrinter printer(model);
    quint32 counter = 0;
    std::memcpy(&counter, body.leftJustified(sizeof counter, '\0').constData(), sizeof counter);
    // A status code is ASCII text without CR.
    QByteArray statusCode = body.left(64);
    for (char& c : statusCode)
        c = char(0x20 + quint8(c) % 0x5F);
    printer.update([&](sim::SimZEVPrinterState& s) {
        s.lifetimeCounter = counter;
        s.statusCode = QString::fromLatin1(statusCode);
    });
    if (fault.kind) printer.addFault({*fault.kind, QString(), -1, 0});

    const Exchange life = ask(printer, zev::kCommandCounterLife);
    if (life.reply) checkStorable(zev::lifetimeCounterValue(*life.reply));
    if (intact && !life.leftover)
        check(life.reply && zev::lifetimeCounterValue(*life.reply) == QString::number(counter));

    const Exchange status = ask(printer, zev::kCommandStatus);
    if (intact && !status.leftover) {
        check(status.reply && zev::replyText(status.reply) == QString::fromLatin1(statusCode));
        check(zev::stringForHVStatusString(zev::replyText(status.reply)) ==
              zev::stringForHVStatusString(QString::fromLatin1(statusCode)));
    }

    // The switch as written reads back, on a printer that has it; one that has not stays silent.
    printer.receive(
        zev::buildFrame(zev::kCommandUSBISerialWrite, zev::usbISerialPayload(switchOn), nullptr).bytes);
    const Exchange readBack = ask(printer, zev::kCommandUSBISerialRead);
    if (readBack.reply) checkStorable(zev::usbISerialValue(*readBack.reply));
    if (intact && !readBack.leftover && readBack.reply)
        check(zev::boolValue(zev::usbISerialValue(*readBack.reply)) == switchOn);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    const QByteArray body(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    // The body as one record on the wire; a body over the limit is refused whole.
    const QByteArray wire =
        QByteArray::number(body.size()).rightJustified(zev::kReplyLengthDigits, '0') + body;
    bool leftover = false;
    const std::optional<QByteArray> reply = readRecord(wire, &leftover);
    check(reply.has_value() == (body.size() <= qsizetype(zev::kReplyMaxBodyLength)));
    if (reply) {
        check(!leftover);
        checkLifetimeCounter(*reply);
        checkStatus(*reply);
        checkSwitch(*reply);
    }
    checkAgainstPrinter(mode, body);
    return 0;
}
