// Text for the "%s" of a printf-style log line.
#pragma once

#include <QByteArray>
#include <QString>

// `text` in UTF-8; a null text (no value at all) reads "(null)", as printf prints a null string,
// where an empty one reads as nothing.
inline QByteArray utf8(const QString& text) {
    return text.isNull() ? QByteArray("(null)") : text.toUtf8();
}
