// What the command line writes: results on standard output, everything for the person on standard
// error, each text in the operator's language (the English text is the key).
#pragma once

#include <QString>

namespace cli {

QString say(const char* text);
void printOut(const QString& text);
void printErr(const QString& text);

} // namespace cli
