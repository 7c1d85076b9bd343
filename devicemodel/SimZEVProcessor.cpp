#include "devicemodel/SimZEVProcessor.h"

#include <utility>

namespace sim {

namespace {

// The maker's name as the simulated printers report it in their descriptors and device ID.
constexpr char16_t kManufacturer[] = u"ZEV";

std::u16string toU16(const QString& text) {
    return text.toStdU16String();
}

} // namespace

SimZEVProcessor::SimZEVProcessor(std::shared_ptr<SimZEVPrinter> printer) : printer_(std::move(printer)) {}

void SimZEVProcessor::bulkOut(SimPrinterDevice& device, const std::vector<std::uint8_t>& bytes) {
    const auto outputs =
        printer_->receive(QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    for (const SimZEVOutput& output : outputs) {
        if (!output.reply.isEmpty()) {
            if (discardUnread_) device.clearReplies();
            device.queueReply(std::vector<std::uint8_t>(output.reply.begin(), output.reply.end()),
                              std::uint32_t(output.delayMs));
        }
        if (output.withheld) {
            if (discardUnread_) device.clearReplies();
            if (instantTimeouts_) device.injectFault({FaultPoint::BulkIn, FaultKind::Timeout, 0, 0});
        }
        if (output.restart) device.restartAfter(std::uint32_t(output.restartDelayMs), false);
    }
}

void SimZEVProcessor::softReset(SimPrinterDevice&) {
    // A soft reset drops a half-received frame; the printer's settings stay.
    printer_->update([](SimZEVPrinterState& s) { s.pendingTableName.clear(); });
}

void SimZEVProcessor::powerLost(SimPrinterDevice&) {
    printer_->powerLost();
}

void SimZEVProcessor::restarted(SimPrinterDevice& device, bool powerCycled) {
    if (powerCycled) printer_->powerCycle();
    printer_->started();
    showFirmwareIdentity(device, powerCycled);
}

void SimZEVProcessor::startedWithState(SimPrinterDevice& device) {
    printer_->started();
    showFirmwareIdentity(device, true);
}

void SimZEVProcessor::showFirmwareIdentity(SimPrinterDevice& device, bool powerCycled) {
    const SimZEVPrinterState state = printer_->state();
    DeviceIdentity identity = device.identity();
    bool changed = false;
    // The serial-number switch decides, from this power-up on, whether the descriptors carry one.
    if (powerCycled && identity.reportsSerialNumber != state.reportsUSBSerialNumber) {
        identity.reportsSerialNumber = state.reportsUSBSerialNumber;
        changed = true;
    }
    if (state.firmwareUpdateMode != updateIdentityShown_) {
        if (state.firmwareUpdateMode)
            normalDeviceId_ = std::exchange(identity.deviceId1284, std::string());
        else
            identity.deviceId1284 = std::exchange(normalDeviceId_, std::string());
        updateIdentityShown_ = state.firmwareUpdateMode;
        changed = true;
    }
    if (changed) device.setIdentityNow(std::move(identity));
}

SimZEVDevice makeSimZEVDevice(SimZEVModel model, std::uint32_t locationId) {
    auto printer = std::make_shared<SimZEVPrinter>(model);
    const SimZEVPrinterState state = printer->state();
    const SimZEVModelFacts& facts = simZEVModelFacts(model);
    DeviceIdentity identity;
    identity.vendorId = simZEVVendorId();
    identity.productId = facts.productId;
    identity.locationId = locationId;
    identity.manufacturer = kManufacturer;
    const QString name = *facts.name ? QString::fromLatin1(facts.name) : QStringLiteral("Printer");
    identity.product = toU16(QStringLiteral("HVP-") + name);
    identity.serialNumber = toU16(state.serialNumber);
    identity.reportsSerialNumber = state.reportsUSBSerialNumber;
    identity.deviceId1284 = ("MFG:ZEV;MDL:HVP-" + name + ";CMD:ZEV;CLS:PRINTER;").toStdString();
    auto device = SimPrinterDevice::create(identity, std::make_shared<SimZEVProcessor>(printer));
    return {device, printer};
}

} // namespace sim
