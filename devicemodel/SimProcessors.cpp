// The small command sets that come with the device model: an echo and a scripted printer.
#include "devicemodel/SimPrinterDevice.h"

namespace sim {

void EchoProcessor::bulkOut(SimPrinterDevice& device, const std::vector<std::uint8_t>& bytes) {
    device.queueReply(bytes);
}

void ScriptedProcessor::addReply(std::vector<std::uint8_t> bytes, std::uint32_t delayMs) {
    base::MutexLocker lock(mutex_);
    replies_.push_back({std::move(bytes), delayMs});
}

void ScriptedProcessor::addReply(const std::string& text, std::uint32_t delayMs) {
    addReply(std::vector<std::uint8_t>(text.begin(), text.end()), delayMs);
}

std::vector<std::vector<std::uint8_t>> ScriptedProcessor::written() const {
    base::MutexLocker lock(mutex_);
    return written_;
}

int ScriptedProcessor::softResets() const {
    base::MutexLocker lock(mutex_);
    return softResets_;
}

int ScriptedProcessor::deviceResets() const {
    base::MutexLocker lock(mutex_);
    return deviceResets_;
}

int ScriptedProcessor::restarts() const {
    base::MutexLocker lock(mutex_);
    return restarts_;
}

void ScriptedProcessor::bulkOut(SimPrinterDevice& device, const std::vector<std::uint8_t>& bytes) {
    std::optional<Reply> reply;
    {
        base::MutexLocker lock(mutex_);
        written_.push_back(bytes);
        if (!replies_.empty()) {
            reply = std::move(replies_.front());
            replies_.pop_front();
        }
    }
    if (reply) device.queueReply(std::move(reply->bytes), reply->delayMs);
}

void ScriptedProcessor::softReset(SimPrinterDevice&) {
    base::MutexLocker lock(mutex_);
    ++softResets_;
}

void ScriptedProcessor::deviceReset(SimPrinterDevice&) {
    base::MutexLocker lock(mutex_);
    ++deviceResets_;
}

void ScriptedProcessor::restarted(SimPrinterDevice&, bool) {
    base::MutexLocker lock(mutex_);
    ++restarts_;
}

} // namespace sim
