#include "platform/userdefaults.h"

#include <QCoreApplication>
#include <QSettings>

namespace platform::userdefaults {

namespace {

QString applicationName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("printer-tools") : name;
}

// QSettings without an organisation name can neither read nor write, so fall back to the program.
QSettings store() {
    const QString organisation = QCoreApplication::organizationName();
    return QSettings(organisation.isEmpty() ? applicationName() : organisation, applicationName());
}

} // namespace

bool boolForKey(const QString& key, bool fallback) {
    const QVariant value = store().value(key);
    return value.isValid() ? value.toBool() : fallback;
}

void setBool(const QString& key, bool value) {
    store().setValue(key, value);
}

std::optional<QString> stringForKey(const QString& key) {
    const QVariant value = store().value(key);
    if (!value.isValid()) return std::nullopt;
    return value.toString();
}

void setString(const QString& key, const QString& value) {
    store().setValue(key, value);
}

bool contains(const QString& key) {
    return store().contains(key);
}

void remove(const QString& key) {
    store().remove(key);
}

void sync() {
    store().sync();
}

} // namespace platform::userdefaults
