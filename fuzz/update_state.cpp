// Arbitrary contents of the file of updates under way, as either program reads it at start. A file
// is taken whole or not at all: when it is taken, every printer entry in it is there, under a device
// key, with only texts, whole numbers and truth values, and an update under way; it belongs to one
// program only; and written out again it reads back the same. A file that is refused says why.
#include "Classes/Edition.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/TBUpdateStateFile.h"
#include "fuzz_support.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace {

using fuzz::check;

bool isDeviceKey(const QString& key) {
    if (key.size() != 16) return false;
    for (QChar c : key)
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) return false;
    return true;
}

void checkEntries(const QVariantMap& entries) {
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        const QVariant& value = it.value();
        switch (value.metaType().id()) {
        case QMetaType::QString:
        case QMetaType::Bool:
        case QMetaType::Int:
            break;
        case QMetaType::LongLong: {
            // Beyond int only, and still exact in JSON's doubles.
            const qlonglong number = value.toLongLong();
            check(number > std::numeric_limits<int>::max() || number < std::numeric_limits<int>::min());
            check(number <= (qlonglong(1) << 53) && number >= -(qlonglong(1) << 53));
            break;
        }
        default:
            check(false);
        }
    }
    const QVariant status = entries.value(deviceFirmwareUpdateState);
    check(status.metaType().id() == QMetaType::Int);
    check(status.toInt() == TBUSBPrinterZEV::WaitingForFirmwareUpload ||
          status.toInt() == TBUSBPrinterZEV::RebootingAfterFirmwareUpload);
}

// Same keys, and values of the same type and value (QVariant's == would call 1 and 1.0 equal).
bool sameUpdates(const TBUpdateStateFile::Updates& a, const TBUpdateStateFile::Updates& b) {
    if (a.keys() != b.keys()) return false;
    for (auto it = a.constBegin(); it != a.constEnd(); ++it) {
        const QVariantMap& x = it.value();
        const QVariantMap& y = b.value(it.key());
        if (x.keys() != y.keys()) return false;
        for (auto e = x.constBegin(); e != x.constEnd(); ++e) {
            const QVariant& other = y.value(e.key());
            if (e.value().metaType() != other.metaType() || e.value() != other) return false;
        }
    }
    return true;
}

std::optional<TBUpdateStateFile::Updates> parseAs(const Edition& edition, const QByteArray& bytes) {
    Edition::setCurrent(edition);
    QString why;
    std::optional<TBUpdateStateFile::Updates> updates = TBUpdateStateFile::parse(bytes, &why);
    check(updates.has_value() == why.isEmpty());
    return updates;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto flasher = parseAs(Edition::printerFlasher(), bytes);
    const auto switcher = parseAs(Edition::serialSwitcher(), bytes);
    check(!(flasher && switcher));
    const Edition& edition = flasher ? Edition::printerFlasher() : Edition::serialSwitcher();
    const auto& updates = flasher ? flasher : switcher;
    if (!updates) return 0;

    // Every printer entry of the file is taken, none dropped on the way.
    const QJsonObject printers =
        QJsonDocument::fromJson(bytes).object().value(QStringLiteral("printers")).toObject();
    check(printers.size() == updates->size());
    for (auto it = updates->constBegin(); it != updates->constEnd(); ++it) {
        check(isDeviceKey(it.key()));
        check(printers.value(it.key()).toObject().size() == it.value().size());
        checkEntries(it.value());
    }

    Edition::setCurrent(edition);
    const QByteArray written = TBUpdateStateFile::serialise(*updates);
    const auto again = parseAs(edition, written);
    check(again && sameUpdates(*again, *updates));
    check(TBUpdateStateFile::serialise(*again) == written);
    return 0;
}
