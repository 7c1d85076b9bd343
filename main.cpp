// Program entry for both deliverables; PRINTER_TOOLS_EDITION_SWITCHER selects which one this binary is.
#include "Classes/AppDelegate.h"
#include "Classes/Edition.h"
#include "Classes/TBPrinters.h"
#include "Classes/TBUpdateHistory.h"
#include "app/startup.h"
#include "cli/headless.h"
#include "cli/options.h"
#include "platform/dialogs.h"
#include "platform/strings.h"
#include "ui/historywindow.h"
#include "ui/printerwindow.h"
#include "ui/qtalertpresenter.h"
#include "ui/screenshot.h"
#include "ui/simulationmenu.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenuBar>

#include <cstdio>

#ifndef PRINTER_TOOLS_EDITION_SWITCHER
#define PRINTER_TOOLS_EDITION_SWITCHER 0
#endif

namespace {

// How long --screenshot waits for the rows before it saves what is there and fails.
constexpr int kScreenshotTimeoutMs = 15000;

// Whether `path` can be written, checked before the window opens so that a run cannot end with
// nothing saved and no reason given.
bool canWriteFile(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (info.isDir()) {
        *error = QStringLiteral("it is a folder");
        return false;
    }
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir()) {
        *error = QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
        return false;
    }
    if (info.exists() ? !info.isWritable() : !folder.isWritable()) {
        *error = QStringLiteral("permission denied");
        return false;
    }
    return true;
}

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

    // Read before any application object exists: a run without a window never touches the window
    // system, so it needs no display.
    QString error;
    const std::optional<cli::Options> parsed = cli::parseArguments(argumentList(argc, argv), edition, &error);
    if (!parsed) {
        std::fprintf(stderr, "%s: %s\n%s: see --help\n", qPrintable(edition.programName()), qPrintable(error),
                     qPrintable(edition.programName()));
        return cli::kExitUsage;
    }
    cli::Options options = *parsed;
    if (options.command == cli::Options::Command::Version) {
        std::printf("%s %s\n", qPrintable(edition.programName()), PRINTER_TOOLS_VERSION);
        return cli::kExitDone;
    }
    if (options.command == cli::Options::Command::Help) {
        const QFileInfo program(QString::fromLocal8Bit(argv[0]));
        std::fputs(qPrintable(cli::helpText(edition, program.fileName())), stdout);
        return cli::kExitDone;
    }
    if (!options.screenshot.isEmpty() && !canWriteFile(options.screenshot, &error)) {
        std::fprintf(stderr, "%s: cannot save the screenshot to %s: %s\n", qPrintable(edition.programName()),
                     qPrintable(options.screenshot), qPrintable(error));
        return cli::kExitFailed;
    }
    // The capture a replay runs on is read first: a run on a capture that cannot be read does not start.
    if (!cli::readReplay(options, &error)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(edition.programName()), qPrintable(error));
        return cli::kExitUsage;
    }
    const app::RunSettings settings = cli::runSettings(options);
    if (!app::setUpLogging(settings, &error)) {
        std::fprintf(stderr, "%s: cannot open the log file %s: %s\n", qPrintable(edition.programName()),
                     qPrintable(options.logFile), qPrintable(error));
        return cli::kExitUsage;
    }
    if (!app::startCapture(settings, &error)) {
        std::fprintf(stderr, "%s: cannot write the capture: %s\n", qPrintable(edition.programName()),
                     qPrintable(error));
        return cli::kExitUsage;
    }
    // Whichever way the run ends, the capture is closed with all it holds.
    struct CaptureCloser {
        const Edition& edition;
        ~CaptureCloser() {
            if (const QString problem = app::stopCapture(); !problem.isEmpty())
                std::fprintf(stderr, "%s: %s\n", qPrintable(edition.programName()), qPrintable(problem));
        }
    } captureCloser{edition};

    // Updates are recorded from the window and from --update; --history reads the record (the metrics
    // read it too, without opening it for recording).
    const bool keepsHistory = options.command == cli::Options::Command::Window ||
                              options.command == cli::Options::Command::Update ||
                              options.command == cli::Options::Command::History;
    if (options.headless()) {
        QCoreApplication app(argc, argv);
        // JSON is for programs: its texts stay English whatever the language.
        if (!options.json) platform::installTranslations(QLocale::system());
        if (keepsHistory) cli::openHistory(options);
        const int result = cli::runHeadless(options);
        TBUpdateHistory::close();
        return result;
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(edition.isPrinterFlasher()
                                            ? QStringLiteral("org.printertools.PrinterFlasher")
                                            : QStringLiteral("org.printertools.SerialSwitcher"));
    platform::installTranslations(QLocale::system());
    ui::announceHistoryProblem(app::openHistory(settings));

    // The bus comes first: printer objects and the controller take it when they are made.
    app::Run run(settings, edition.isPrinterFlasher());
    TBPrinters& controller = run.controller();
    AppDelegate delegate;
    ui::PrinterWindow window(&controller, edition.isSerialSwitcher());
    delegate.setWindow(&window);
    controller.setController(window.selection());
    if (run.simulation()) window.menuBar()->addMenu(ui::createSimulationMenu(run.simulation(), &window));
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &controller, &TBPrinters::prepareForTermination);

    run.start(std::make_shared<ui::QtAlertPresenter>(&window), &window);
    delegate.applicationDidFinishLaunching();
    app.setQuitOnLastWindowClosed(controller.applicationShouldTerminateAfterLastWindowClosed(&app));
    window.show();

    int screenshotResult = 0;
    if (!options.screenshot.isEmpty()) {
        const QString file = options.screenshot;
        ui::saveScreenshotWhenReady(&window, run.listedSimulatedPrinters(), file, kScreenshotTimeoutMs,
                                    [&screenshotResult, file, &edition](bool ok) {
                                        if (!ok)
                                            std::fprintf(stderr,
                                                         "%s: the screenshot %s was not saved, or not every "
                                                         "printer was listed in time\n",
                                                         qPrintable(edition.programName()), qPrintable(file));
                                        screenshotResult = ok ? 0 : 1;
                                        QCoreApplication::quit();
                                    });
    }
    const int result = app.exec();
    TBUpdateHistory::close();
    return result != 0 ? result : screenshotResult;
}
