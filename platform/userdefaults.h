// The program's persistent key-value store (the user defaults), kept by QSettings under the
// organisation and application names of QCoreApplication (the application name alone when no
// organisation is set), so printer-flasher and serial-switcher each keep their own. Safe from any
// thread: every call works on its own QSettings object, which QSettings keeps consistent.
#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace platform::userdefaults {

// The boolean under `key`; `fallback` when absent. Stored texts "true"/"false" and numbers count too.
bool boolForKey(const QString& key, bool fallback = false);
void setBool(const QString& key, bool value);

// The text under `key`, or none when absent.
std::optional<QString> stringForKey(const QString& key);
void setString(const QString& key, const QString& value);

bool contains(const QString& key);
void remove(const QString& key);
// Writes pending changes to disk now (they are written on their own soon otherwise).
void sync();

} // namespace platform::userdefaults
