#include "devicemodel/SimZEVStateRecord.h"

#include <QJsonArray>

#include <limits>

namespace sim {

namespace {

// The names of the fields, written and read here only.
const QString kModel = QStringLiteral("model");
const QString kFirmwareVersion = QStringLiteral("firmwareVersion");
const QString kFirmwareReplyPrefix = QStringLiteral("firmwareReplyPrefix");
const QString kSerialNumber = QStringLiteral("serialNumber");
const QString kStatusCode = QStringLiteral("statusCode");
const QString kUpdateMode = QStringLiteral("firmwareUpdateMode");
const QString kFirmwareValid = QStringLiteral("firmwareValid");
const QString kLifetimeCounter = QStringLiteral("lifetimeCounter");
const QString kCounterA = QStringLiteral("counterA");
const QString kCounterB = QStringLiteral("counterB");
const QString kCounterM = QStringLiteral("counterM");
const QString kSwitch = QStringLiteral("usbISerialSwitch");
const QString kReportsSerial = QStringLiteral("reportsUSBSerialNumber");
const QString kColorTables = QStringLiteral("colorTables");
const QString kVersion = QStringLiteral("version");
const QString kChecksum = QStringLiteral("checksum");
const QString kPendingTableName = QStringLiteral("pendingTableName");
const QString kTablesWritten = QStringLiteral("tablesWritten");
const QString kProgrammedImageSize = QStringLiteral("programmedImageSize");
const QString kRefusedImages = QStringLiteral("refusedImages");
const QString kBootsPreviousFirmware = QStringLiteral("bootsPreviousFirmware");
const QString kFirmwareBeforeRewrite = QStringLiteral("firmwareBeforeRewrite");
const QString kRestarts = QStringLiteral("restarts");

// Reads the fields of one object, remembering the first that is missing or of the wrong kind.
class Reader {
public:
    explicit Reader(const QJsonObject& object) : object_(object) {}

    QString text(const QString& name) {
        const QJsonValue value = object_.value(name);
        if (!value.isString()) fail(name);
        return value.toString();
    }
    bool flag(const QString& name) {
        const QJsonValue value = object_.value(name);
        if (!value.isBool()) fail(name);
        return value.toBool();
    }
    // A whole number from 0 to `highest`.
    qint64 number(const QString& name, qint64 highest) {
        const QJsonValue value = object_.value(name);
        const double n = value.toDouble(-1);
        if (!value.isDouble() || n < 0 || n > double(highest) || n != double(qint64(n))) {
            fail(name);
            return 0;
        }
        return qint64(n);
    }
    QJsonObject object(const QString& name) {
        const QJsonValue value = object_.value(name);
        if (!value.isObject()) fail(name);
        return value.toObject();
    }
    QStringList texts(const QString& name) {
        const QJsonValue value = object_.value(name);
        QStringList result;
        if (!value.isArray()) fail(name);
        for (const QJsonValue& item : value.toArray()) {
            if (!item.isString()) fail(name);
            result << item.toString();
        }
        return result;
    }
    void fail(const QString& name) {
        if (bad_.isEmpty()) bad_ = name;
    }
    const QString& bad() const { return bad_; }

private:
    const QJsonObject object_;
    QString bad_;
};

} // namespace

std::optional<SimZEVModel> simZEVModelNamed(const QString& name) {
    for (const SimZEVModelFacts& facts : simZEVModels()) {
        if (name == QLatin1String(facts.name)) return facts.model;
    }
    if (name == QLatin1String(simZEVModelFacts(SimZEVModel::Unknown).name)) return SimZEVModel::Unknown;
    return std::nullopt;
}

QJsonObject simZEVStateToJson(const SimZEVPrinterState& s) {
    QJsonObject tables;
    for (auto it = s.colorTables.constBegin(); it != s.colorTables.constEnd(); ++it)
        tables.insert(it.key(), QJsonObject{{kVersion, it->version}, {kChecksum, it->checksum}});
    return QJsonObject{
        {kModel, QString::fromLatin1(simZEVModelFacts(s.model).name)},
        {kFirmwareVersion, s.firmwareVersion},
        {kFirmwareReplyPrefix, s.firmwareReplyPrefix},
        {kSerialNumber, s.serialNumber},
        {kStatusCode, s.statusCode},
        {kUpdateMode, s.firmwareUpdateMode},
        {kFirmwareValid, s.firmwareValid},
        {kLifetimeCounter, qint64(s.lifetimeCounter)},
        {kCounterA, qint64(s.counterA)},
        {kCounterB, qint64(s.counterB)},
        {kCounterM, qint64(s.counterM)},
        {kSwitch, s.usbISerialSwitch},
        {kReportsSerial, s.reportsUSBSerialNumber},
        {kColorTables, tables},
        {kPendingTableName, QString::fromLatin1(s.pendingTableName)},
        {kTablesWritten, QJsonArray::fromStringList(s.tablesWritten)},
        {kProgrammedImageSize, qint64(s.programmedImageSize)},
        {kRefusedImages, s.refusedImages},
        {kBootsPreviousFirmware, s.bootsPreviousFirmware},
        {kFirmwareBeforeRewrite, s.firmwareBeforeRewrite},
        {kRestarts, s.restarts},
    };
}

std::optional<SimZEVPrinterState> simZEVStateFromJson(const QJsonObject& object, QString* why) {
    constexpr qint64 kCounterMax = std::numeric_limits<quint32>::max();
    constexpr qint64 kCountMax = std::numeric_limits<int>::max();
    Reader read(object);
    SimZEVPrinterState s;
    const QString modelName = read.text(kModel);
    const std::optional<SimZEVModel> model = simZEVModelNamed(modelName);
    if (!model) read.fail(kModel);
    s.model = model.value_or(SimZEVModel::Unknown);
    s.firmwareVersion = read.text(kFirmwareVersion);
    s.firmwareReplyPrefix = read.text(kFirmwareReplyPrefix);
    s.serialNumber = read.text(kSerialNumber);
    s.statusCode = read.text(kStatusCode);
    s.firmwareUpdateMode = read.flag(kUpdateMode);
    s.firmwareValid = read.flag(kFirmwareValid);
    s.lifetimeCounter = quint32(read.number(kLifetimeCounter, kCounterMax));
    s.counterA = quint32(read.number(kCounterA, kCounterMax));
    s.counterB = quint32(read.number(kCounterB, kCounterMax));
    s.counterM = quint32(read.number(kCounterM, kCounterMax));
    s.usbISerialSwitch = read.flag(kSwitch);
    s.reportsUSBSerialNumber = read.flag(kReportsSerial);
    const QJsonObject tables = read.object(kColorTables);
    for (auto it = tables.constBegin(); it != tables.constEnd(); ++it) {
        Reader table(it.value().toObject());
        if (!it.value().isObject()) read.fail(kColorTables);
        const SimZEVColorTable entry{table.text(kVersion), table.text(kChecksum)};
        if (!table.bad().isEmpty()) read.fail(kColorTables);
        s.colorTables.insert(it.key(), entry);
    }
    s.pendingTableName = read.text(kPendingTableName).toLatin1();
    s.tablesWritten = read.texts(kTablesWritten);
    s.programmedImageSize = qsizetype(read.number(kProgrammedImageSize, kCountMax));
    s.refusedImages = int(read.number(kRefusedImages, kCountMax));
    s.bootsPreviousFirmware = read.flag(kBootsPreviousFirmware);
    s.firmwareBeforeRewrite = read.text(kFirmwareBeforeRewrite);
    s.restarts = int(read.number(kRestarts, kCountMax));
    if (!read.bad().isEmpty()) {
        if (why) *why = QStringLiteral("the field \"%1\" is missing or not valid").arg(read.bad());
        return std::nullopt;
    }
    return s;
}

} // namespace sim
