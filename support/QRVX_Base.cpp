// QRVX_Base: host facts, the temporary file and the start-up banner.
#include "support/QRVX_Base.h"

#include "platform/hostinfo.h"
#include "platform/platformlog.h"

#include <QDir>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <stdlib.h>
#include <unistd.h>

const QString QRVX_FreePagesKey = QStringLiteral("freePages");
const QString QRVX_FreeBytesKey = QStringLiteral("freeBytes");
const QString QRVX_FreeMBKey = QStringLiteral("freeMB");

namespace {

constexpr std::uint64_t kFallbackPageSize = 4096;
constexpr int kBytesPerMiBShift = 20;
constexpr std::uint64_t kAllDomainsWhenZero = QRVX_Base::AllDomains;
// The template's 16 X are replaced by mkstemp.
constexpr const char* kTempFileTemplateName = "XXXXXXXXXXXXXXXX";
constexpr int kBannerWidth = 80;

std::optional<QStandardPaths::StandardLocation> standardLocationFor(std::uint64_t kind) {
    switch (kind) {
    case QRVX_Base::ApplicationsDirectory:
        return QStandardPaths::ApplicationsLocation;
    case QRVX_Base::LibraryDirectory:
    case QRVX_Base::ApplicationSupportDirectory:
        return QStandardPaths::GenericDataLocation;
    case QRVX_Base::DocumentsDirectory:
        return QStandardPaths::DocumentsLocation;
    case QRVX_Base::DesktopDirectory:
        return QStandardPaths::DesktopLocation;
    case QRVX_Base::CachesDirectory:
        return QStandardPaths::GenericCacheLocation;
    case QRVX_Base::DownloadsDirectory:
        return QStandardPaths::DownloadLocation;
    case QRVX_Base::MoviesDirectory:
        return QStandardPaths::MoviesLocation;
    case QRVX_Base::MusicDirectory:
        return QStandardPaths::MusicLocation;
    case QRVX_Base::PicturesDirectory:
        return QStandardPaths::PicturesLocation;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<QString> QRVX_Base::firstFoundDirectoryType(std::uint64_t kind, std::uint64_t domainMask) {
    if (domainMask == 0) domainMask = kAllDomainsWhenZero;
    const bool user = domainMask & UserDomain;
    const bool system = domainMask & (LocalDomain | SystemDomain);

    QStringList found;
    if (kind == UsersDirectory) {
        if (system) found << QStringLiteral("/home");
    } else if (kind == TrashDirectory) {
        if (user)
            found << QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/Trash");
    } else if (const auto location = standardLocationFor(kind)) {
        // The first entry of standardLocations() is the user's own; the rest belong to the system.
        const QStringList all = QStandardPaths::standardLocations(*location);
        for (qsizetype i = 0; i < all.size(); ++i)
            if ((i == 0 && user) || (i > 0 && system)) found << all[i];
    }
    for (const QString& path : found)
        if (!path.isEmpty()) return path;
    return std::nullopt;
}

QVariantMap QRVX_Base::freeMemoryDictionary(std::uint64_t freePages, std::uint64_t pageSize) {
    if (pageSize == 0) pageSize = kFallbackPageSize;
    const std::uint64_t freeBytes = freePages * pageSize;
    const auto pages32 =
        static_cast<quint32>(std::min<std::uint64_t>(freePages, std::numeric_limits<quint32>::max()));
    return QVariantMap{
        {QRVX_FreePagesKey, QVariant::fromValue(pages32)},
        {QRVX_FreeBytesKey, QVariant::fromValue(quint64(freeBytes))},
        {QRVX_FreeMBKey, QVariant::fromValue(quint64(freeBytes >> kBytesPerMiBShift))},
    };
}

std::optional<QVariantMap> QRVX_Base::vmStats() {
    const auto pages = platform::hostinfo::freePages();
    if (!pages) return std::nullopt;
    return freeMemoryDictionary(*pages, platform::hostinfo::pageSize().value_or(kFallbackPageSize));
}

std::optional<QString> QRVX_Base::hostModelAndArch() {
    const auto model = platform::hostinfo::hardwareModel();
    if (!model) return std::nullopt;
    return QStringLiteral("%1 (%2)").arg(*model, platform::hostinfo::machineArchitecture());
}

std::optional<QString> QRVX_Base::safeTempFile(int* descriptor) {
    if (descriptor) *descriptor = -1;
    const QString templatePath =
        QDir(platform::hostinfo::temporaryDirectory()).filePath(QString::fromLatin1(kTempFileTemplateName));
    QByteArray path = QFile::encodeName(templatePath); // NUL-terminated; mkstemp fills it in
    // Close-on-exec so that the shell commands the program runs do not inherit the file.
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        platform::platformLog("ERROR: failed to create temporary file %s (Error %d: %s)",
                              templatePath.toUtf8().constData(), error, std::strerror(error));
        return std::nullopt;
    }
    if (descriptor)
        *descriptor = fd;
    else
        ::close(fd);
    return QFile::decodeName(path);
}

QString QRVX_Base::systemVersionInfo() {
    const std::uint64_t physicalMB =
        platform::hostinfo::physicalMemoryBytes().value_or(0) >> kBytesPerMiBShift;
    quint64 freeMB = 0;
    if (const auto stats = vmStats()) freeMB = stats->value(QRVX_FreeMBKey).toULongLong();
    const char* byteOrder = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "LittleEndian"
                            : QSysInfo::ByteOrder == QSysInfo::BigEndian  ? "BigEndian"
                                                                          : "Unknown";
    // This wording is fixed, literal texts included: support staff search logs for it.
    return QString::asprintf(
        "Mac OS X %s foundation (%.3f);\n%lluMB (%lluMB free); %ld CPU; %s (%ld-bit); %s",
        platform::hostinfo::operatingSystemVersion().toUtf8().constData(),
        platform::hostinfo::frameworkVersionNumber(), static_cast<unsigned long long>(physicalMB),
        static_cast<unsigned long long>(freeMB), platform::hostinfo::activeProcessorCount(), byteOrder,
        static_cast<long>(sizeof(void*) * 8),
        hostModelAndArch().value_or(QStringLiteral("unknown")).toUtf8().constData());
}

QString QRVX_Base::startupInfo() {
    return QString(kBannerWidth, QLatin1Char('^')) +
           QStringLiteral("\n%1 starting up\n%2").arg(platform::hostinfo::processName(), systemVersionInfo());
}

std::optional<QString> QRVX_Base::pathToSelf() {
    const auto path = platform::hostinfo::executablePath();
    if (!path) return std::nullopt;
    for (int i = 0; i < 3; ++i)
        platform::platformLog("pathToSelf: running from %s", path->toUtf8().constData());
    return path;
}
