// Arbitrary bytes on the bulk-in pipe, read the way the printer-family class reads a reply, then
// turned into every stored value. The first input byte picks how the pipe hands bytes over (whole
// reads, short reads, a failing body read), the rest is the pipe's content. The same bytes also go
// through the simulated printer's frame parser, which faces whatever a host writes.
#include "Classes/TBFirmwarePackage.h"
#include "Classes/ZEVProtocol.h"
#include "devicemodel/SimZEVPrinter.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    QByteArray stream(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const std::uint32_t chunk = (mode & 0x0F) == 0 ? UINT32_MAX : (mode & 0x0F);
    const bool failBody = (mode & 0x10) != 0;

    qsizetype offset = 0;
    int reads = 0;
    const auto reply = zev::readReply(
        [&](zev::ReplyReadStage stage, char* buffer, std::uint32_t& wanted) -> IOReturn {
            ++reads;
            if (stage == zev::ReplyReadStage::Body && failBody) return kIOReturnTimeout;
            const std::uint32_t n = std::min({wanted, chunk, std::uint32_t(stream.size() - offset)});
            std::memcpy(buffer, stream.constData() + offset, n);
            offset += n;
            wanted = n;
            return kIOReturnSuccess;
        },
        nullptr);
    check(reads <= 2);
    if (reply) {
        // Either cut at a CR (ends with its NUL) or the whole zero-filled buffer.
        check(!reply->isEmpty());
        check(reply->size() <= qsizetype(zev::kReplyMaxBodyLength) + 1);
        check(reply->contains('\0'));
        check(!reply->left(reply->indexOf('\0')).contains('\r'));
        const QString text = zev::replyText(reply);
        (void)zev::stringForHVStatusString(text);
        (void)zev::firmwareVersionValue(*reply);
        (void)zev::lifetimeCounterValue(*reply);
        (void)zev::usbISerialValue(*reply);
        (void)zev::boolValue(text);
        (void)TBFirmwarePackage::versionNumber(text);
        (void)zev::intValue(text);
    } else {
        check(zev::replyText(reply) == QLatin1String("NULL"));
    }

    // The printer side: the same bytes as frames written to it, in chunks.
    sim::SimZEVPrinter printer((mode & 0x20) ? sim::SimZEVModel::EightTable : sim::SimZEVModel::HVC);
    const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
    for (qsizetype at = 0; at < all.size(); at += 37) {
        for (const auto& output : printer.receive(all.mid(at, 37)))
            check(output.reply.isEmpty() || output.reply.size() >= zev::kReplyLengthDigits);
    }
    return 0;
}
