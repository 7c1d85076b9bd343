#include "cli/output.h"

#include "platform/strings.h"

#include <cstdio>

namespace cli {

namespace {

void writeTo(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

QString say(const char* text) {
    return platform::localizedString(QString::fromUtf8(text));
}

void printOut(const QString& text) {
    writeTo(stdout, text);
}

void printErr(const QString& text) {
    writeTo(stderr, text);
}

} // namespace cli
