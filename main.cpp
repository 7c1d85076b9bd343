// Program entry for both deliverables; PRINTER_TOOLS_EDITION selects which one this binary is.
#include "Classes/Edition.h"

#include <QApplication>
#include <QCommandLineParser>

#ifndef PRINTER_TOOLS_EDITION_SWITCHER
#define PRINTER_TOOLS_EDITION_SWITCHER 0
#endif
#ifndef PRINTER_TOOLS_VERSION
#define PRINTER_TOOLS_VERSION "0.0.0"
#endif

int main(int argc, char* argv[]) {
    const Edition& edition =
        PRINTER_TOOLS_EDITION_SWITCHER ? Edition::serialSwitcher() : Edition::printerFlasher();
    Edition::setCurrent(edition);

    QApplication app(argc, argv);
    QApplication::setApplicationName(edition.programName());
    QApplication::setApplicationVersion(QStringLiteral(PRINTER_TOOLS_VERSION));
    QApplication::setOrganizationName(QStringLiteral("printer-tools"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        edition.isPrinterFlasher()
            ? QCoreApplication::translate("main", "Updates the firmware and colour tables of USB photo printers.")
            : QCoreApplication::translate("main", "Switches the USB serial-number report of USB photo printers."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"),
        QCoreApplication::translate("main", "Run on simulated printers instead of the USB bus."));
    parser.addOption(simulateOption);
    parser.process(app);

    return 0;
}
