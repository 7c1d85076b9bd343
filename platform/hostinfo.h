// Facts about the host the program runs on, read from /proc, sysconf and uname. Every function is
// free of shared state and safe from any thread; a fact that cannot be read answers std::nullopt.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace platform::hostinfo {

// Size of a memory page in bytes (sysconf), or nullopt when the kernel does not say.
std::optional<std::uint64_t> pageSize();
// Pages currently free ("nr_free_pages" of /proc/vmstat).
std::optional<std::uint64_t> freePages();
// Installed physical memory in bytes.
std::optional<std::uint64_t> physicalMemoryBytes();
// Processors currently online.
long activeProcessorCount();

// The distribution's name and version with the kernel release, for instance
// "Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64".
QString operatingSystemVersion();
// Version of the Qt library the program runs on as one number, major * 100 + minor + patch / 1000
// (6.4.2 gives 604.002), so that it prints with "%.3f" and orders like a version.
double frameworkVersionNumber();
// The machine's model name (DMI product name on PCs, device-tree model on boards), or nullopt.
std::optional<QString> hardwareModel();
// The machine architecture uname reports ("x86_64", "aarch64").
QString machineArchitecture();

// The running executable's full path (/proc/self/exe), or nullopt.
std::optional<QString> executablePath();
// The process name: the executable's file name as the program was started.
QString processName();
// $TMPDIR when set and not empty, otherwise the system's temporary directory.
QString temporaryDirectory();

} // namespace platform::hostinfo
