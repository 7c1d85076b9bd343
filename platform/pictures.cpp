#include "platform/pictures.h"

#include "base/threadsafety.h"

#include <QHash>

namespace platform {

QImage printerPicture(const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};

    // Decoded once per name; the list asks for a picture on every repaint.
    static base::Mutex mutex;
    static QHash<QString, QImage> cache GUARDED_BY(mutex);
    base::MutexLocker lock(mutex);
    auto found = cache.constFind(name);
    if (found != cache.constEnd()) return *found;
    QImage image(QStringLiteral(":/images/%1.png").arg(name));
    cache.insert(name, image);
    return image;
}

} // namespace platform
