// Program entry for both deliverables; PRINTER_TOOLS_EDITION_SWITCHER selects which one this binary is.
#include "Classes/Edition.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

#ifndef PRINTER_TOOLS_EDITION_SWITCHER
#define PRINTER_TOOLS_EDITION_SWITCHER 0
#endif

namespace {

QStringList argumentList(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char* argv[]) {
    const Edition& edition =
        PRINTER_TOOLS_EDITION_SWITCHER ? Edition::serialSwitcher() : Edition::printerFlasher();
    Edition::setCurrent(edition);

    QCoreApplication::setApplicationName(edition.programName());
    QCoreApplication::setApplicationVersion(QStringLiteral(PRINTER_TOOLS_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("printer-tools"));

    // Parse before the window system is touched, so --help and --version work without a display.
    QCommandLineParser parser;
    parser.setApplicationDescription(
        edition.isPrinterFlasher()
            ? QStringLiteral("Updates the firmware and colour tables of USB photo printers.")
            : QStringLiteral("Switches the USB serial-number report of USB photo printers."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption simulateOption(QStringLiteral("simulate"),
                                            QStringLiteral("Run on simulated printers instead of the USB bus."));
    parser.addOption(simulateOption);
    if (!parser.parse(argumentList(argc, argv))) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(edition.programName()), qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("%s %s\n", qPrintable(edition.programName()), PRINTER_TOOLS_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    return 0;
}
