#include "cli/output.h"

#include "platform/strings.h"

#include <QList>
#include <QPair>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/ioctl.h>
#include <unistd.h>

namespace cli {

namespace {

void writeTo(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

// The progress lines at the bottom of the terminal. Main thread only, as all output of a run.
struct Board {
    QList<QPair<QString, QString>> lines; // key, text, in the order the printers first reported
    int drawn = 0;                        // lines on screen now
};

Board& board() {
    static Board instance;
    return instance;
}

int terminalWidth() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

// Moves up over the lines drawn and clears them.
QString erased() {
    Board& b = board();
    if (b.drawn == 0) return {};
    const QString text = QStringLiteral("\x1b[%1A\r\x1b[J").arg(b.drawn);
    b.drawn = 0;
    return text;
}

QString drawn() {
    Board& b = board();
    // A line that wraps would throw the count off: each is cut to the terminal's width.
    const int width = std::max(10, terminalWidth() - 1);
    QString text;
    for (const auto& [key, line] : std::as_const(b.lines))
        text += (line.size() > width ? line.left(width - 1) + QChar(0x2026) : line) + QLatin1Char('\n');
    b.drawn = int(b.lines.size());
    return text;
}

} // namespace

QString say(const char* text) {
    return platform::localizedString(QString::fromUtf8(text));
}

void printOut(const QString& text) {
    writeTo(stdout, text);
}

void printErr(const QString& text) {
    if (board().drawn == 0) {
        writeTo(stderr, text);
        return;
    }
    QString all = erased() + text;
    if (!all.endsWith(QLatin1Char('\n'))) all += QLatin1Char('\n');
    writeTo(stderr, all + drawn());
}

void leaveProgressLines() {
    board().drawn = 0;
}

bool progressRedrawsInPlace() {
    static const bool redraws = [] {
        const char* term = std::getenv("TERM");
        return ::isatty(STDERR_FILENO) == 1 && term && std::strcmp(term, "dumb") != 0;
    }();
    return redraws;
}

void printProgress(const QString& key, const QString& text) {
    if (!progressRedrawsInPlace()) {
        writeTo(stderr, text + QLatin1Char('\n'));
        return;
    }
    Board& b = board();
    auto it =
        std::find_if(b.lines.begin(), b.lines.end(), [&](const auto& line) { return line.first == key; });
    if (it == b.lines.end())
        b.lines.append({key, text});
    else
        it->second = text;
    writeTo(stderr, erased() + drawn());
}

} // namespace cli
