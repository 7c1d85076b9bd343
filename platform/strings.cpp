#include "platform/strings.h"

#include "platform/queue.h"
#include "platform/resources.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace platform {

namespace {
// Main thread only: translators are installed at start-up and in tests.
std::unique_ptr<QTranslator> gProgramTranslator;
std::unique_ptr<QTranslator> gQtTranslator;

constexpr char kCatalogue[] = "printer-tools";

// The program's catalogue for `locale` from its package folder (share/<program>/translations/), so an
// installed package's translations can be replaced without rebuilding: each of the user's languages,
// each from its full form down ("de_DE", then "de").
bool loadPackagedCatalogue(QTranslator& translator, const QLocale& locale) {
    for (QString language : locale.uiLanguages()) {
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        while (!language.isEmpty()) {
            const QString path = resources::pathForResource(
                QLatin1String(kCatalogue) + QLatin1Char('_') + language, QStringLiteral("qm"));
            if (!path.isEmpty() && translator.load(path)) return true;
            const qsizetype cut = language.lastIndexOf(QLatin1Char('_'));
            language.truncate(cut < 0 ? 0 : cut);
        }
    }
    return false;
}
} // namespace

QString localizedString(const QString& text) {
    if (text.isEmpty()) return text;
    const QByteArray key = text.toUtf8();
    return QCoreApplication::translate(kStringTableContext, key.constData());
}

QString localized(const char* text) {
    return localizedString(QString::fromUtf8(text));
}

void removeTranslations() {
    Q_ASSERT(mainqueue::isMainThread());
    if (gProgramTranslator) QCoreApplication::removeTranslator(gProgramTranslator.get());
    if (gQtTranslator) QCoreApplication::removeTranslator(gQtTranslator.get());
    gProgramTranslator.reset();
    gQtTranslator.reset();
}

bool installTranslations(const QLocale& locale) {
    Q_ASSERT(mainqueue::isMainThread());
    removeTranslations();

    // The compiled-in catalogue is the fallback.
    auto program = std::make_unique<QTranslator>();
    if (!loadPackagedCatalogue(*program, locale) &&
        !program->load(locale, QLatin1String(kCatalogue), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
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
