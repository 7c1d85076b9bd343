// A device-info dictionary for the package tests: a guarded map that posts to the main thread the
// way a printer does and records every announced property.
#pragma once

#include "Classes/TBFirmwarePackage.h"
#include "base/threadsafety.h"
#include "platform/queue.h"

#include <QStringList>
#include <QVariantMap>

#include <memory>

class FakeDeviceInfo : public FirmwareDeviceInfo {
public:
    FakeDeviceInfo() : alive_(std::make_shared<bool>(true)) {}

    QVariant value(const QString& key) const override {
        base::MutexLocker lock(mutex_);
        return map_.value(key);
    }
    void setValue(const QString& key, const QVariant& value) override {
        base::MutexLocker lock(mutex_);
        map_.insert(key, value);
    }
    void postToMainThread(std::function<void()> work) override {
        // Dropped when the dictionary is gone first, as a printer's own posts are.
        std::weak_ptr<bool> alive = alive_;
        platform::mainqueue::async([alive, work = std::move(work)] {
            if (alive.lock()) work();
        });
    }
    void announceChange(const QString& property) override {
        base::MutexLocker lock(mutex_);
        announced_.append(property);
    }

    QVariantMap snapshot() const {
        base::MutexLocker lock(mutex_);
        return map_;
    }
    QStringList announced() const {
        base::MutexLocker lock(mutex_);
        return announced_;
    }
    void clear() {
        base::MutexLocker lock(mutex_);
        map_.clear();
        announced_.clear();
    }

private:
    std::shared_ptr<bool> alive_; // expires with the dictionary
    mutable base::Mutex mutex_;
    QVariantMap map_ GUARDED_BY(mutex_);
    QStringList announced_ GUARDED_BY(mutex_);
};
