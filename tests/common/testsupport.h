// Helpers shared by the tests of every area.
#pragma once

#include <QString>
#include <QStringList>

#include <mutex>

namespace testsupport {

// Collects every platform log line (and "ERROR: " line) written while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    QStringList lines() const;
    bool contains(const QString& fragment) const;
    void clear();

private:
    mutable std::mutex mutex_;
    QStringList lines_;
};

} // namespace testsupport
