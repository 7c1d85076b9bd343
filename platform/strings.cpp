#include "platform/strings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace platform {

namespace {
// Main thread only: translators are installed at start-up and in tests.
std::unique_ptr<QTranslator> gProgramTranslator;
std::unique_ptr<QTranslator> gQtTranslator;
} // namespace

QString localizedString(const QString& text) {
    if (text.isEmpty()) return text;
    const QByteArray key = text.toUtf8();
    return QCoreApplication::translate(kStringTableContext, key.constData());
}

void removeTranslations() {
    if (gProgramTranslator) QCoreApplication::removeTranslator(gProgramTranslator.get());
    if (gQtTranslator) QCoreApplication::removeTranslator(gQtTranslator.get());
    gProgramTranslator.reset();
    gQtTranslator.reset();
}

bool installTranslations(const QLocale& locale) {
    removeTranslations();

    auto program = std::make_unique<QTranslator>();
    if (!program->load(locale, QStringLiteral("printer-tools"), QStringLiteral("_"),
                       QStringLiteral(":/i18n"))) {
        return false;
    }
    QCoreApplication::installTranslator(program.get());
    gProgramTranslator = std::move(program);

    // Standard dialog buttons ("Cancel", "OK") come from Qt's own catalogue in Qt's translations
    // folder (Debian: qt6-translations-l10n). Without it they stay English and the rest is unaffected.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        gQtTranslator = std::move(qt);
    }
    return true;
}

} // namespace platform
