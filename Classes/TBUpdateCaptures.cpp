#include "Classes/TBUpdateCaptures.h"

#include "base/threadsafety.h"
#include "platform/files.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/usb/capture/capture.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr char kSuffix[] = ".pcap";
constexpr char kTimeFormat[] = "yyyyMMdd'T'HHmmss.zzz'Z'";
// A capture starts a moment after its attempt was recorded; one that began this much earlier belongs
// to an attempt before.
constexpr qint64 kStartSlackMs = 2000;

struct Folder {
    base::Mutex mutex;
    QString path GUARDED_BY(mutex);
};

Folder& folderState() {
    static Folder f;
    return f;
}

// The kept files, oldest first (their names begin with the time).
QFileInfoList keptFiles(const QString& folder) {
    return QDir(folder).entryInfoList({QStringLiteral("*") + QLatin1String(kSuffix)}, QDir::Files,
                                      QDir::Name);
}

// Removes the oldest captures until one more fits within the bounds.
void makeRoom(const QString& folder) {
    QFileInfoList files = keptFiles(folder);
    qint64 total = 0;
    for (const QFileInfo& f : files)
        total += f.size();
    while (!files.isEmpty() &&
           (files.size() >= TBUpdateCaptures::kKeptCaptures || total > TBUpdateCaptures::kKeptBytes)) {
        total -= files.first().size();
        QFile::remove(files.first().filePath());
        files.removeFirst();
    }
}

std::shared_ptr<usb::capture::Capture> start(const QString& where, const QString& deviceKey,
                                             quint32 locationId);

} // namespace

QString TBUpdateCaptures::defaultFolder(const QString& programName, bool simulated) {
    return platform::files::stateHome() + QLatin1Char('/') + programName +
           (simulated ? QStringLiteral("/captures-simulated") : QStringLiteral("/captures"));
}

void TBUpdateCaptures::setFolder(const QString& folder) {
    Folder& f = folderState();
    base::MutexLocker lock(f.mutex);
    f.path = folder;
}

QString TBUpdateCaptures::folder() {
    Folder& f = folderState();
    base::MutexLocker lock(f.mutex);
    return f.path;
}

void TBUpdateCaptures::begin(const QString& deviceKey, quint32 locationId,
                             std::function<void(std::shared_ptr<usb::capture::Capture>)> started) {
    const QString where = folder();
    if (where.isEmpty() || deviceKey.isEmpty()) return;
    static platform::SerialQueue queue("update captures");
    queue.async([where, deviceKey, locationId, started = std::move(started)] {
        if (auto capture = start(where, deviceKey, locationId)) started(std::move(capture));
    });
}

namespace {

std::shared_ptr<usb::capture::Capture> start(const QString& where, const QString& deviceKey,
                                             quint32 locationId) {
    if (!QDir().mkpath(where)) {
        platform::platformLog("no capture of the update of %s: cannot make %s", qUtf8Printable(deviceKey),
                              qUtf8Printable(where));
        return nullptr;
    }
    makeRoom(where);
    const QString path = QStringLiteral("%1/%2-%3%4")
                             .arg(where, QDateTime::currentDateTimeUtc().toString(QLatin1String(kTimeFormat)),
                                  deviceKey, QLatin1String(kSuffix));
    usb::capture::Capture::Options options;
    options.location = locationId;
    options.withBacklog = true;
    QString error;
    auto capture = usb::capture::Capture::start(path, options, &error);
    if (!capture)
        platform::platformLog("no capture of the update of %s: %s", qUtf8Printable(deviceKey),
                              qUtf8Printable(error));
    else
        platform::platformLog("the update of %s is captured in %s", qUtf8Printable(deviceKey),
                              qUtf8Printable(path));
    return capture;
}

} // namespace

QStringList TBUpdateCaptures::forAttempt(const QString& deviceKey, const QDateTime& started,
                                         const QDateTime& ended) {
    const QString where = folder();
    if (where.isEmpty() || deviceKey.isEmpty()) return {};
    QStringList found;
    const QString tail = QLatin1Char('-') + deviceKey + QLatin1String(kSuffix);
    for (const QFileInfo& f : keptFiles(where)) {
        const QString name = f.fileName();
        if (!name.endsWith(tail)) continue;
        QDateTime at =
            QDateTime::fromString(name.left(name.size() - tail.size()), QLatin1String(kTimeFormat));
        at.setTimeSpec(Qt::UTC);
        if (!at.isValid() || at < started.addMSecs(-kStartSlackMs)) continue;
        if (ended.isValid() && at > ended) continue;
        found << f.filePath();
    }
    return found;
}
