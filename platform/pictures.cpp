#include "platform/pictures.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace platform {

QImage printerPicture(const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};

    // Decoded once per name; the list asks for a picture on every repaint.
    static QMutex mutex;
    static QHash<QString, QImage> cache; // guarded by mutex
    QMutexLocker lock(&mutex);
    auto found = cache.constFind(name);
    if (found != cache.constEnd()) return *found;
    QImage image(QStringLiteral(":/images/%1.png").arg(name));
    cache.insert(name, image);
    return image;
}

} // namespace platform
