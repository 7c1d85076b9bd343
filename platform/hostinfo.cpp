#include "platform/hostinfo.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QtGlobal>

#include <cerrno>
#include <cstdlib>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace platform::hostinfo {

namespace {

// Reads a small text file from /proc or /sys whole; nullopt when it cannot be opened.
std::optional<QByteArray> readSmallFile(const char* path) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    // These pseudo-files report size 0, so read until the end rather than by size.
    return file.readAll();
}

std::optional<std::uint64_t> positiveSysconf(int name) {
    const long value = ::sysconf(name);
    if (value <= 0) return std::nullopt;
    return static_cast<std::uint64_t>(value);
}

} // namespace

std::optional<std::uint64_t> pageSize() {
    return positiveSysconf(_SC_PAGESIZE);
}

std::optional<std::uint64_t> freePages() {
    const auto text = readSmallFile("/proc/vmstat");
    if (!text) return std::nullopt;
    for (const QByteArray& line : text->split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 2 && fields[0] == "nr_free_pages") {
            bool ok = false;
            const qulonglong pages = fields[1].toULongLong(&ok);
            if (ok) return pages;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> physicalMemoryBytes() {
    const auto pages = positiveSysconf(_SC_PHYS_PAGES);
    const auto size = pageSize();
    if (!pages || !size) return std::nullopt;
    return *pages * *size;
}

long activeProcessorCount() {
    const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? count : 1;
}

QString operatingSystemVersion() {
    QString text = QSysInfo::prettyProductName();
    const QString kernel = QSysInfo::kernelVersion();
    if (!kernel.isEmpty()) text += QStringLiteral(", kernel ") + kernel;
    return text;
}

double frameworkVersionNumber() {
    // The run-time library, not the headers the program was built against.
    const QStringList parts = QString::fromLatin1(qVersion()).split(QLatin1Char('.'));
    const auto part = [&](int i) { return i < parts.size() ? parts[i].toInt() : 0; };
    return part(0) * 100.0 + part(1) + part(2) / 1000.0;
}

std::optional<QString> hardwareModel() {
    for (const char* path : {"/sys/devices/virtual/dmi/id/product_name", "/proc/device-tree/model"}) {
        const auto text = readSmallFile(path);
        if (!text) continue;
        // The device-tree property is NUL-terminated; DMI ends in a newline.
        QByteArray bytes = *text;
        const qsizetype nul = bytes.indexOf('\0');
        if (nul >= 0) bytes.truncate(nul);
        const QString model = QString::fromUtf8(bytes).trimmed();
        if (!model.isEmpty()) return model;
    }
    return std::nullopt;
}

QString machineArchitecture() {
    struct utsname names {};
    if (::uname(&names) != 0) return QSysInfo::currentCpuArchitecture();
    return QString::fromUtf8(names.machine);
}

std::optional<QString> executablePath() {
    // readlink does not say how long the target is; grow the buffer until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::nullopt;
        if (static_cast<size_t>(length) < buffer.size())
            return QString::fromUtf8(buffer.data(), static_cast<qsizetype>(length));
        if (buffer.size() >= (1u << 20)) return std::nullopt;
        buffer.resize(buffer.size() * 2);
    }
}

QString processName() {
    return QString::fromLocal8Bit(program_invocation_short_name);
}

QString temporaryDirectory() {
    const QByteArray tmpdir = qgetenv("TMPDIR");
    if (!tmpdir.isEmpty()) return QString::fromLocal8Bit(tmpdir);
    return QDir::tempPath();
}

} // namespace platform::hostinfo
