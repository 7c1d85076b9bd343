#include "common/testsupport.h"

#include "platform/platformlog.h"

namespace testsupport {

LogCapture::LogCapture() {
    platform::setLogObserver([this](const QString& text) {
        std::lock_guard lock(mutex_);
        lines_ << text;
    });
}

LogCapture::~LogCapture() {
    platform::setLogObserver(nullptr);
}

QStringList LogCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogCapture::contains(const QString& fragment) const {
    std::lock_guard lock(mutex_);
    for (const QString& line : lines_)
        if (line.contains(fragment)) return true;
    return false;
}

void LogCapture::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

} // namespace testsupport
