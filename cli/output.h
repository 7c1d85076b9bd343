// What the command line writes: results on standard output, everything for the person on standard
// error, each text in the operator's language (the English text is the key).
#pragma once

#include <QString>

namespace cli {

QString say(const char* text);
void printOut(const QString& text);
void printErr(const QString& text);

// The progress line of `key` (one per printer). On a terminal the lines stay below whatever else
// printErr writes and are redrawn in place; elsewhere each one is written as a line of its own.
void printProgress(const QString& key, const QString& text);
// Leaves the progress lines on the terminal as they stand, so that text written past printErr (a
// question asked on the terminal) is not drawn over; the next progress line starts them anew below.
void leaveProgressLines();
// Whether standard error is a terminal that progress lines are redrawn on.
bool progressRedrawsInPlace();

} // namespace cli
