// The application's string table: Qt translations compiled into the program, English text as key and
// fallback. Every text the operator sees is looked up in the context "TBPrinters".
#pragma once

#include <QLocale>
#include <QString>

namespace platform {

// The translation context of the shell's texts (menus, headers, notices, status texts).
inline constexpr const char* kStringTableContext = "TBPrinters";

// The localised form of `text`: the string table's entry, or `text` itself when there is none.
QString localizedString(const QString& text);
// The same for a text written in the source (UTF-8), such as one marked with QT_TRANSLATE_NOOP.
QString localized(const char* text);

// Installs the program's translation for `locale` (and Qt's own, when the system has it) into the
// running application, replacing any installed before. Returns false when the program has no
// translation for that locale: the English texts stay.
bool installTranslations(const QLocale& locale);

// Removes what installTranslations() installed.
void removeTranslations();

// A value nobody has reported yet reads as a dash, in lists, notices and the history alike.
inline QString orDash(const QString& text) {
    return text.isEmpty() ? QStringLiteral("–") : text;
}

} // namespace platform
