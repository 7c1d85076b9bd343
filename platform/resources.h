// Package resources: the files shipped with the program (firmware images, colour tables, pictures),
// found by base name and extension.
//
// Packages searched, first hit wins:
//   - a test's override (setSearchDirectoriesOverride), alone;
//   - otherwise the directory named by the environment variable PRINTER_TOOLS_RESOURCES, alone;
//   - otherwise the source tree's resources/ (only when running from the build tree it was built
//     in), then share/<program>/ beside the installed executable (<exe>/../share/<program>/), then
//     <install prefix>/share/<program>/ as configured at build time.
// In each package a file is looked up directly at its top, then in firmware/ and images/; no tree
// is walked. <program> is the name main() hands over with setProgramName() (the application's name
// until then). Safe from any thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform::resources {

inline constexpr char kResourcesEnvironmentVariable[] = "PRINTER_TOOLS_RESOURCES";

// The path of resource `name` of type `type` ("HVC 01.41", "fw" -> ".../HVC 01.41.fw"), or an empty
// text when there is none. An empty type looks for the bare name. Names with a path separator, and
// the names "." and "..", never match: a resource is a plain file name.
QString pathForResource(const QString& name, const QString& type);

// Splits "HVC 01.41.fw" into ("HVC 01.41", "fw") at its last point and looks that up.
QString pathForResourceFile(const QString& fileName);

// The whole contents of the resource. Returns a null array when it is missing or cannot be read;
// `path` (when given) receives the path found, or an empty text.
QByteArray dataForResource(const QString& name, const QString& type, QString* path = nullptr);

// dataForResource for "HVC 01.41.fw" split as pathForResourceFile does.
QByteArray dataForResourceFile(const QString& fileName, QString* path = nullptr);

// The directories searched, in order (only those that exist).
QStringList searchDirectories();

// The program whose share/<program>/ folders are searched ("printer-flasher", "serial-switcher").
void setProgramName(const QString& program);
QString programName();

// Tests: search only `directories` (in order) until called with an empty list.
void setSearchDirectoriesOverride(const QStringList& directories);

} // namespace platform::resources
