// Program entry for both deliverables; PRINTER_TOOLS_EDITION_SWITCHER selects which one this binary is.
#include "Classes/AppDelegate.h"
#include "Classes/Edition.h"
#include "Classes/TBPrinters.h"
#include "Classes/TBUpdateStateFile.h"
#include "platform/dialogs.h"
#include "platform/strings.h"
#include "platform/usb/libusb/LibusbBus.h"
#include "platform/usb/sim/SimBus.h"
#include "ui/printerwindow.h"
#include "ui/screenshot.h"
#include "ui/simulation.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMenuBar>

#include <cstdio>

#ifndef PRINTER_TOOLS_EDITION_SWITCHER
#define PRINTER_TOOLS_EDITION_SWITCHER 0
#endif

namespace {

// How long --screenshot waits for the rows before it saves what is there and fails.
constexpr int kScreenshotTimeoutMs = 15000;

QStringList argumentList(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
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
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"), QStringLiteral("Run on simulated printers instead of the USB bus."));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Once the printers are listed, save a PNG picture of the window to <file> and quit."),
        QStringLiteral("file"));
    parser.addOption(simulateOption);
    parser.addOption(screenshotOption);
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
    platform::installTranslations(QLocale::system());

    // The bus comes first: printer objects and the controller take it when they are made.
    ui::Simulation* simulation = nullptr;
    int simulatedPrinters = 0;
    if (parser.isSet(simulateOption)) {
        simulation = new ui::Simulation(&app);
        usb::setCurrentBus(simulation->bus());
        for (sim::SimZEVModel model : ui::Simulation::startingModels(edition.isSerialSwitcher())) {
            if (simulation->plugIn(model) != 0) ++simulatedPrinters;
        }
    } else {
        usb::setCurrentBus(usb::makeLibusbBus());
        // An update that this program's last run left under way is carried on (printer-flasher
        // resumes updates; simulated printers do not outlive the program, so they keep none).
        if (edition.isPrinterFlasher())
            TBUpdateStateFile::setPath(TBUpdateStateFile::defaultPath(edition.programName()));
    }

    TBPrinters controller;
    AppDelegate delegate;
    ui::PrinterWindow window(&controller, edition.isSerialSwitcher());
    delegate.setWindow(&window);
    platform::setAlertPresenter(std::make_shared<platform::QtAlertPresenter>(&window));
    controller.setController(window.selection());
    if (simulation) {
        window.menuBar()->addMenu(simulation->createMenu(&window));
        simulation->followWith(&controller);
    }
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &controller, &TBPrinters::prepareForTermination);

    // Before discovery, so that each printer's start-up probe finds its update where it stood.
    TBUpdateStateFile::loadIntoRegistry();
    controller.awakeFromNib();
    controller.applicationDidFinishLaunching(&window);
    delegate.applicationDidFinishLaunching();
    app.setQuitOnLastWindowClosed(controller.applicationShouldTerminateAfterLastWindowClosed(&app));
    window.show();

    int screenshotResult = 0;
    if (parser.isSet(screenshotOption)) {
        ui::saveScreenshotWhenReady(&window, simulatedPrinters, parser.value(screenshotOption),
                                    kScreenshotTimeoutMs, [&screenshotResult](bool ok) {
                                        screenshotResult = ok ? 0 : 1;
                                        QCoreApplication::quit();
                                    });
    }
    const int result = app.exec();
    platform::setAlertPresenter(nullptr);
    return result != 0 ? result : screenshotResult;
}
