#include "cli/options.h"

#include "Classes/Edition.h"
#include "app/startup.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace cli {

namespace {

struct NamedModel {
    const char* name;
    sim::SimZEVModel model;
};

const NamedModel kModelNames[] = {
    {"hva", sim::SimZEVModel::HVA},
    {"hvb", sim::SimZEVModel::HVB},
    {"hv-qxa", sim::SimZEVModel::HVQXA},
    {"hvqxa", sim::SimZEVModel::HVQXA},
    {"hvbd", sim::SimZEVModel::HVBD},
    {"hvc", sim::SimZEVModel::HVC},
    {"eight-table", sim::SimZEVModel::EightTable},
};

const QString kSimulate = QStringLiteral("simulate");
const QString kSimulatedModels = QStringLiteral("simulated-models");
const QString kUpdate = QStringLiteral("update");
const QString kMetricsFile = QStringLiteral("metrics-file");

// The optional values ("--simulate[=MODELS]", "--metrics[=FILE]", "--update [KEY]") are spelled out
// for the parser: "--simulate=M" becomes "--simulated-models=M", "--metrics=F" "--metrics-file=F",
// and a "--update" without a key an empty key.
QStringList normalised(const QStringList& arguments) {
    QStringList out;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (i > 0 && argument.startsWith(QLatin1String("--simulate="))) {
            out << QStringLiteral("--simulate")
                << QStringLiteral("--%1=%2").arg(kSimulatedModels, argument.mid(11));
        } else if (i > 0 && argument.startsWith(QLatin1String("--metrics="))) {
            out << QStringLiteral("--metrics")
                << QStringLiteral("--%1=%2").arg(kMetricsFile, argument.mid(10));
        } else if (i > 0 && argument == QLatin1String("--update") &&
                   (i + 1 == arguments.size() || arguments.at(i + 1).startsWith(QLatin1Char('-')))) {
            out << QStringLiteral("--update=");
        } else {
            out << argument;
        }
    }
    return out;
}

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")};
    QCommandLineOption helpAll{QStringLiteral("help-all")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version.")};
    QCommandLineOption simulate{kSimulate,
                                QStringLiteral("Run on simulated printers instead of the USB bus; "
                                               "--simulate=MODELS names them (hva, hvb, hv-qxa, hvbd, hvc, "
                                               "eight-table, comma-separated).")};
    QCommandLineOption simulatedModels{kSimulatedModels, QString(), QStringLiteral("models")};
    QCommandLineOption simulatePace{
        QStringLiteral("simulate-pace"),
        QStringLiteral("How long the simulated printers take: realistic (the default: restarts of a few "
                       "seconds, an HVC update takes about a minute) or instant."),
        QStringLiteral("pace")};
    QCommandLineOption simulateState{QStringLiteral("simulate-state"), QString(), QStringLiteral("dir")};
    QCommandLineOption simulateFrom{
        QStringLiteral("simulate-from"),
        QStringLiteral(
            "Run on the printers of the USB capture <file> (made with --capture) instead of the USB "
            "bus: they answer as the captured printers did, and a run that asks them anything "
            "else than the captured run did fails there."),
        QStringLiteral("file")};
    QCommandLineOption replayTiming{
        QStringLiteral("replay-timing"),
        QStringLiteral("With --simulate-from: answer at the captured pace instead of at once.")};
    QCommandLineOption list{QStringLiteral("list"), QStringLiteral("List the printers and quit.")};
    QCommandLineOption json{QStringLiteral("json"), QString()};
    QCommandLineOption metrics{
        QStringLiteral("metrics"),
        QStringLiteral("With --list: write the Prometheus text format, to standard output or, with "
                       "--metrics=FILE, replacing FILE at once (for node_exporter's textfile collector).")};
    QCommandLineOption metricsFile{kMetricsFile, QString(), QStringLiteral("file")};
    QCommandLineOption verifyPackage{QStringLiteral("verify-package"),
                                     QStringLiteral("Check the firmware package's files against their "
                                                    "digests and quit.")};
    QCommandLineOption checkSrec{QStringLiteral("check-srec"),
                                 QStringLiteral("Check <file> as a firmware image (S-records) and quit."),
                                 QStringLiteral("file")};
    QCommandLineOption logFile{QStringLiteral("log-file"),
                               QStringLiteral("Write the log to <path> (rolled at 1 MiB)."),
                               QStringLiteral("path")};
    QCommandLineOption capture{
        QStringLiteral("capture"),
        QStringLiteral("Record every USB transfer of the printers into <file> (pcap, usbmon link type: "
                       "Wireshark and tshark read it; docs/captures.md). Uploads (firmware image, colour "
                       "tables) are kept as their first bytes, length and digest."),
        QStringLiteral("file")};
    QCommandLineOption captureUploads{
        QStringLiteral("capture-uploads"),
        QStringLiteral("With --capture: keep the uploads (firmware image, colour tables) in full.")};
    QCommandLineOption verbose{QStringLiteral("verbose"),
                               QStringLiteral("Without a window: diagnostics on standard error too.")};
    QCommandLineOption yes{QStringLiteral("yes"),
                           QStringLiteral("Accept the warning, the agreement and the confirmation without "
                                          "asking (never \"Quit\").")};
    QCommandLineOption update{kUpdate,
                              QStringLiteral("Update the printer <key> (device key or serial number, as "
                                             "--list shows them; more keys may follow), or every printer "
                                             "with --all. Several printers are updated at the same time, "
                                             "after one set of questions."),
                              QStringLiteral("key")};
    QCommandLineOption all{QStringLiteral("all"), QStringLiteral("With --update: every listed printer.")};
    QCommandLineOption history{
        QStringLiteral("history"),
        QStringLiteral("Print the update history (every update attempt: printer, versions "
                       "before and after, phases with their times, outcome) and quit.")};
    QCommandLineOption setUsbSerial{QStringLiteral("set-usb-serial"),
                                    QStringLiteral("Switch the USB serial-number report of the printer given "
                                                   "as the argument on or off."),
                                    QStringLiteral("on|off")};
    QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Once the printers are listed, save a PNG picture of the window to <file> and quit."),
        QStringLiteral("file")};

    explicit Parser(const Edition& edition) {
        parser.setApplicationDescription(
            edition.isPrinterFlasher()
                ? QStringLiteral("Updates the firmware and colour tables of USB photo printers.")
                : QStringLiteral("Switches the USB serial-number report of USB photo printers."));
        json.setDescription(
            QStringLiteral("With --list, --verify-package or %1: write JSON to standard output.")
                .arg(edition.isPrinterFlasher() ? QStringLiteral("--update, --history")
                                                : QStringLiteral("--set-usb-serial")));
        simulateState.setDescription(
            QStringLiteral("Keep the simulated printers in <dir>%1: a later run with the same <dir> finds "
                           "them as they were left, instead of the demo's or MODELS (implies --simulate).")
                .arg(edition.isPrinterFlasher() ? QStringLiteral(", with their updates under way")
                                                : QString()));
        helpAll.setFlags(QCommandLineOption::HiddenFromHelp);
        simulatedModels.setFlags(QCommandLineOption::HiddenFromHelp);
        metricsFile.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(help);
        parser.addOption(helpAll);
        parser.addOption(version);
        parser.addOption(list);
        parser.addOption(verifyPackage);
        parser.addOption(checkSrec);
        if (edition.isPrinterFlasher()) {
            parser.addOption(update);
            parser.addOption(all);
            parser.addOption(history);
            parser.addOption(metrics);
            parser.addOption(metricsFile);
        } else {
            parser.addOption(setUsbSerial);
            parser.addPositionalArgument(QStringLiteral("key"),
                                         QStringLiteral("With --set-usb-serial: the printer (device key or "
                                                        "serial number, as --list shows them)."),
                                         QStringLiteral("[key]"));
        }
        parser.addOption(yes);
        parser.addOption(json);
        parser.addOption(simulate);
        parser.addOption(simulatedModels);
        parser.addOption(simulatePace);
        parser.addOption(simulateState);
        parser.addOption(simulateFrom);
        parser.addOption(replayTiming);
        parser.addOption(logFile);
        parser.addOption(capture);
        parser.addOption(captureUploads);
        parser.addOption(verbose);
        parser.addOption(screenshot);
    }
};

std::optional<std::vector<sim::SimZEVModel>> modelsFromText(const QString& text, QString* error) {
    std::vector<sim::SimZEVModel> models;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = piece.trimmed().toLower();
        const auto known =
            std::find_if(std::begin(kModelNames), std::end(kModelNames),
                         [&name](const NamedModel& m) { return name == QLatin1String(m.name); });
        if (known == std::end(kModelNames)) {
            *error =
                QStringLiteral("unknown printer model \"%1\" in --simulate (known: hva, hvb, hv-qxa, hvbd, "
                               "hvc, eight-table)")
                    .arg(piece.trimmed());
            return std::nullopt;
        }
        models.push_back(known->model);
    }
    if (models.empty()) {
        *error = QStringLiteral("--simulate= names no printer model");
        return std::nullopt;
    }
    if (models.size() > std::size_t(app::Simulation::kPrinterLimit)) {
        *error = QStringLiteral("--simulate= names %1 printers; the simulation has ports for %2")
                     .arg(models.size())
                     .arg(app::Simulation::kPrinterLimit);
        return std::nullopt;
    }
    return models;
}

} // namespace

std::optional<Options> parseArguments(const QStringList& arguments, const Edition& edition, QString* error) {
    Parser p(edition);
    QCommandLineParser& parser = p.parser;
    if (!parser.parse(normalised(arguments))) {
        *error = parser.errorText();
        return std::nullopt;
    }
    Options o;
    if (parser.isSet(p.help) || parser.isSet(p.helpAll)) {
        o.command = Options::Command::Help;
        return o;
    }
    if (parser.isSet(p.version)) {
        o.command = Options::Command::Version;
        return o;
    }

    using Command = Options::Command;
    QList<Command> commands;
    if (parser.isSet(p.list)) commands << Command::List;
    if (parser.isSet(p.verifyPackage)) commands << Command::VerifyPackage;
    if (parser.isSet(p.checkSrec)) commands << Command::CheckSrec;
    if (edition.isPrinterFlasher() && parser.isSet(p.update)) commands << Command::Update;
    if (edition.isPrinterFlasher() && parser.isSet(p.history)) commands << Command::History;
    if (edition.isSerialSwitcher() && parser.isSet(p.setUsbSerial)) commands << Command::SetUsbSerial;
    if (commands.size() > 1) {
        *error = QStringLiteral("give one of --list, --verify-package, --check-srec, %1 at a time")
                     .arg(edition.isPrinterFlasher() ? QStringLiteral("--update, --history")
                                                     : QStringLiteral("--set-usb-serial"));
        return std::nullopt;
    }
    o.command = commands.isEmpty() ? Command::Window : commands.first();

    o.simulationState = parser.value(p.simulateState);
    o.replayFrom = parser.value(p.simulateFrom);
    o.replayTiming = parser.isSet(p.replayTiming);
    o.simulate = parser.isSet(p.simulate) || parser.isSet(p.simulateState);
    if (parser.isSet(p.simulatedModels)) {
        auto models = modelsFromText(parser.value(p.simulatedModels), error);
        if (!models) return std::nullopt;
        o.simulatedModels = std::move(*models);
    }
    o.json = parser.isSet(p.json);
    if (edition.isPrinterFlasher()) {
        o.metrics = parser.isSet(p.metrics) || parser.isSet(p.metricsFile);
        o.metricsFile = parser.value(p.metricsFile);
    }
    o.yes = parser.isSet(p.yes);
    o.verbose = parser.isSet(p.verbose);
    o.logFile = parser.value(p.logFile);
    o.capture = parser.value(p.capture);
    o.captureUploads = parser.isSet(p.captureUploads);
    o.screenshot = parser.value(p.screenshot);
    o.checkSrecFile = parser.value(p.checkSrec);
    const QStringList positional = parser.positionalArguments();

    const auto refuse = [error](const QString& why) {
        *error = why;
        return std::nullopt;
    };
    if (parser.isSet(p.logFile) && o.logFile.isEmpty())
        return refuse(QStringLiteral("--log-file needs a path"));
    if (parser.isSet(p.capture) && o.capture.isEmpty())
        return refuse(QStringLiteral("--capture needs a file"));
    if (o.captureUploads && o.capture.isEmpty())
        return refuse(QStringLiteral("--capture-uploads goes with --capture"));
    if (parser.isSet(p.checkSrec) && o.checkSrecFile.isEmpty())
        return refuse(QStringLiteral("--check-srec needs a file"));
    if (parser.isSet(p.simulateState) && o.simulationState.isEmpty())
        return refuse(QStringLiteral("--simulate-state needs a folder"));
    if (parser.isSet(p.simulateFrom)) {
        if (o.replayFrom.isEmpty()) return refuse(QStringLiteral("--simulate-from needs a capture file"));
        if (o.simulate)
            return refuse(
                QStringLiteral("give either --simulate-from or --simulate/--simulate-state, not both"));
    }
    // Replacing the capture being replayed would lose it.
    if (!o.replayFrom.isEmpty() && !o.capture.isEmpty() && QFileInfo(o.replayFrom) == QFileInfo(o.capture))
        return refuse(QStringLiteral("--capture would replace the capture that --simulate-from replays"));
    if (o.replayTiming && o.replayFrom.isEmpty())
        return refuse(QStringLiteral("--replay-timing goes with --simulate-from"));
    if (parser.isSet(p.simulatePace)) {
        const QString pace = parser.value(p.simulatePace).toLower();
        if (pace == QLatin1String("instant"))
            o.simulationPace = app::SimulationPace::Instant;
        else if (pace != QLatin1String("realistic"))
            return refuse(QStringLiteral("--simulate-pace takes realistic or instant, not \"%1\"")
                              .arg(parser.value(p.simulatePace)));
        if (!o.simulate) return refuse(QStringLiteral("--simulate-pace goes with --simulate"));
    }
    if (o.json && o.command != Command::List && o.command != Command::VerifyPackage &&
        o.command != Command::Update && o.command != Command::SetUsbSerial && o.command != Command::History)
        return refuse(QStringLiteral("--json goes with --list, --verify-package, %1")
                          .arg(edition.isPrinterFlasher() ? QStringLiteral("--update, --history")
                                                          : QStringLiteral("--set-usb-serial")));
    if (o.metrics && o.command != Command::List) return refuse(QStringLiteral("--metrics goes with --list"));
    if (o.metrics && o.json) return refuse(QStringLiteral("give either --json or --metrics, not both"));
    if (parser.isSet(p.metricsFile) && o.metricsFile.isEmpty())
        return refuse(QStringLiteral("--metrics= needs a file"));
    if (o.yes && o.command != Command::Update && o.command != Command::SetUsbSerial)
        return refuse(QStringLiteral("--yes goes with %1")
                          .arg(edition.isPrinterFlasher() ? QStringLiteral("--update")
                                                          : QStringLiteral("--set-usb-serial")));
    if (!o.screenshot.isEmpty() && o.headless())
        return refuse(QStringLiteral("--screenshot is for the window; it does not go with a command"));
    if (edition.isPrinterFlasher()) {
        o.key = parser.value(p.update).trimmed();
        o.all = parser.isSet(p.all);
        if (o.all && o.command != Command::Update) return refuse(QStringLiteral("--all goes with --update"));
        if (o.command == Command::Update && o.key.isEmpty() == !o.all)
            return refuse(o.all ? QStringLiteral("give either --update KEY or --update --all, not both")
                                : QStringLiteral("--update needs a printer KEY or --all"));
        if (o.command == Command::Update) {
            // "--update KEY KEY...": the printers updated together.
            if (!o.key.isEmpty()) o.keys << o.key;
            for (const QString& more : positional) {
                if (o.all)
                    return refuse(QStringLiteral("give either --update KEY... or --update --all, not both"));
                if (!more.trimmed().isEmpty() && !o.keys.contains(more.trimmed())) o.keys << more.trimmed();
            }
        }
    }
    if (o.command == Command::SetUsbSerial) {
        const QString value = parser.value(p.setUsbSerial).toLower();
        if (value != QLatin1String("on") && value != QLatin1String("off"))
            return refuse(QStringLiteral("--set-usb-serial takes on or off, not \"%1\"")
                              .arg(parser.value(p.setUsbSerial)));
        o.usbSerialOn = value == QLatin1String("on");
        if (positional.size() != 1)
            return refuse(QStringLiteral("--set-usb-serial on|off needs one printer KEY"));
        o.key = positional.first().trimmed();
    } else if (!positional.isEmpty() && o.command != Command::Update) {
        return refuse(QStringLiteral("unexpected argument \"%1\"").arg(positional.first()));
    }
    return o;
}

bool readReplay(Options& options, QString* error) {
    if (options.replayFrom.isEmpty()) return true;
    QString why;
    options.replayRecords = app::readReplay(options.replayFrom, &why);
    // The reader's reason names the file when it could not open it.
    if (!options.replayRecords)
        *error = why.contains(options.replayFrom)
                     ? QStringLiteral("cannot replay %1").arg(why)
                     : QStringLiteral("cannot replay %1: %2").arg(options.replayFrom, why);
    return options.replayRecords != nullptr;
}

QString helpText(const Edition& edition, const QString& program) {
    Parser p(edition);
    // The parser names the running program in its usage line once the application object exists.
    QString text = p.parser.helpText();
    text.replace(QLatin1String("<executable_name>"), program);
    text +=
        QStringLiteral("\nWithout --list, --verify-package, --check-srec or %1 the window opens.\n"
                       "\nExit codes:\n"
                       "  0  done\n"
                       "  1  failed\n"
                       "  2  usage error (or a question that nobody could answer: no terminal and no --yes)\n"
                       "  3  nothing to do (for example \"Firmware update not needed\")\n"
                       "  4  no printer matched\n")
            .arg(edition.isPrinterFlasher() ? QStringLiteral("--update")
                                            : QStringLiteral("--set-usb-serial"));
    return text;
}

} // namespace cli
