// The command line of both programs: the real executables, run with no display and no terminal on
// simulated printers, their output read back as text or as parsed JSON.
#include "common/programrun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kFlasher = QStringLiteral(PRINTER_FLASHER_EXECUTABLE);
const QString kSwitcher = QStringLiteral(SERIAL_SWITCHER_EXECUTABLE);

// An update of one simulated printer takes seconds; under the sanitizers many times that.
constexpr int kRunTimeoutMs = 240000;

using Run = testsupport::ProgramRun;

// Each line of standard output as a JSON object (a final newline is allowed, nothing else).
QList<QJsonObject> jsonLines(const QByteArray& out, QString* error) {
    QList<QJsonObject> objects;
    const QList<QByteArray> lines = out.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty() && i == lines.size() - 1) break;
        const QJsonDocument document = QJsonDocument::fromJson(lines[i]);
        if (!document.isObject()) {
            *error = QStringLiteral("line %1 is not a JSON object: %2")
                         .arg(i + 1)
                         .arg(QString::fromUtf8(lines[i]));
            return {};
        }
        objects.append(document.object());
    }
    if (objects.isEmpty()) *error = QStringLiteral("no JSON lines");
    return objects;
}

void flipByteInTheMiddle(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 at = file.size() / 2;
    QVERIFY(file.seek(at));
    char byte = 0;
    QVERIFY(file.getChar(&byte));
    QVERIFY(file.seek(at));
    QVERIFY(file.putChar(char(byte ^ 0x5A)));
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QString resources_;
    QJsonObject flasherHvc_;  // the HVC printer's row in printer-flasher --simulate --list --json
    QJsonObject switcherHvc_; // and in serial-switcher's

    Run run(const QString& program, const QStringList& arguments,
            const QList<std::pair<QString, QString>>& environmentOverrides = {}) const {
        QProcessEnvironment environment = testsupport::programEnvironment(home_.path());
        for (const auto& [name, value] : environmentOverrides)
            environment.insert(name, value);

        QProcess process;
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(QProcess::nullDevice());
        // The simulated printers at their test pace: an update in a moment.
        QStringList withPace = arguments;
        if (!arguments.filter(QRegularExpression(QStringLiteral("^--simulate(=|$)"))).isEmpty() &&
            arguments.filter(QStringLiteral("--simulate-pace")).isEmpty())
            withPace << QStringLiteral("--simulate-pace=instant");
        process.start(program, withPace);
        Run result;
        if (!process.waitForFinished(kRunTimeoutMs)) {
            process.kill();
            process.waitForFinished();
        } else if (process.exitStatus() == QProcess::NormalExit) {
            result.exitCode = process.exitCode();
        }
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    QJsonArray listedPrinters(const QString& program, const QString& simulate) const {
        const Run listed = run(program, {simulate, QStringLiteral("--list"), QStringLiteral("--json")});
        return QJsonDocument::fromJson(listed.out).object().value(QStringLiteral("printers")).toArray();
    }

    QJsonObject listedHvc(const QString& program) const {
        for (const QJsonValue& printer : listedPrinters(program, QStringLiteral("--simulate")))
            if (printer[QStringLiteral("model")] == QStringLiteral("HVC")) return printer.toObject();
        return {};
    }

    QString fixture(const QString& name) const { return home_.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        resources_ = qEnvironmentVariable("PRINTER_TOOLS_RESOURCES");
        QVERIFY(QFileInfo(resources_).isDir());
        flasherHvc_ = listedHvc(kFlasher);
        switcherHvc_ = listedHvc(kSwitcher);
        QVERIFY(!flasherHvc_.isEmpty() && !switcherHvc_.isEmpty());

        // The good image with one checksum digit of its first data record changed, and a text file.
        QFile good(resources_ + QStringLiteral("/firmware/HVC 01.41.fw"));
        QVERIFY(good.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = good.readAll().split('\n');
        QByteArray& record = lines[1];
        if (record.endsWith('\r')) record.chop(1);
        record.back() = record.back() == '0' ? '1' : '0';
        QFile damaged(fixture(QStringLiteral("damaged.fw")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(lines.join('\n'));
        QFile text(fixture(QStringLiteral("notes.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("Firmware goes here.\n");
    }

    void list_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("simulate");
        QTest::addColumn<QStringList>("models");
        QTest::newRow("printer-flasher demo") << kFlasher << "--simulate" << QStringList{"HVC", "HVC"};
        QTest::newRow("serial-switcher demo")
            << kSwitcher << "--simulate" << QStringList{"HV-QXA", "HV8T", "HVC"};
        QTest::newRow("one model twice") << kFlasher << "--simulate=hvc,hvc" << QStringList{"HVC", "HVC"};
        // More than the 15 ports of one bus: the printers go on to the next buses.
        QTest::newRow("32 printers") << kFlasher << "--simulate=" + QStringList(32, "hvc").join(',')
                                     << QStringList(32, "HVC");
    }

    void list() {
        QFETCH(QString, program);
        QFETCH(QString, simulate);
        QFETCH(QStringList, models);
        const Run json = run(program, {simulate, "--list", "--json"});
        QVERIFY2(json.exitCode == 0, qPrintable(json.describe()));
        const QJsonDocument document = QJsonDocument::fromJson(json.out);
        QVERIFY2(document.isObject(), qPrintable(json.describe()));
        QCOMPARE(document["program"].toString(), QFileInfo(program).fileName());

        const QJsonArray printers = document["printers"].toArray();
        QStringList listedModels;
        QSet<QString> keys;
        static const QRegularExpression keyPattern(QStringLiteral("^[0-9A-Fa-f]{16}$"));
        static const QRegularExpression tablePattern(QStringLiteral("^(300|600|610|620)( HD)?$"));
        for (const QJsonValue& value : printers) {
            const QJsonObject printer = value.toObject();
            for (const char* field : {"key", "serialNumber", "name", "model", "usbStatus", "printerStatus",
                                      "firmwareVersion", "packageFirmwareVersion", "lifetimeCounter"})
                QVERIFY2(printer[QLatin1String(field)].isString(), field);
            QVERIFY(keyPattern.match(printer["key"].toString()).hasMatch());
            keys.insert(printer["key"].toString().toUpper());
            listedModels << printer["model"].toString();
            QVERIFY(QStringList({"Enabled", "Disabled", "Unavailable"})
                        .contains(printer["usbSerialNumber"].toString()));
            QVERIFY(printer["updating"].isBool() && !printer["updating"].toBool());
            QVERIFY(printer["updateProgress"].isNull());
            QVERIFY(printer["colourTables"].isArray() && !printer["colourTables"].toArray().isEmpty());
            for (const QJsonValue& table : printer["colourTables"].toArray()) {
                QVERIFY(tablePattern.match(table["table"].toString()).hasMatch());
                QVERIFY(table["version"].isString() && table["checksum"].isString());
            }
            if (printer["model"] == QStringLiteral("HVC"))
                QCOMPARE(printer["firmwareVersion"].toString(), QStringLiteral("HVC 01.21"));
        }
        listedModels.sort();
        QCOMPARE(listedModels, models);
        QCOMPARE(keys.size(), printers.size());

        const Run text = run(program, {simulate, "--list"});
        QVERIFY2(text.exitCode == 0, qPrintable(text.describe()));
        for (const QJsonValue& printer : printers)
            QVERIFY2(text.out.contains(printer["key"].toString().toLatin1()), qPrintable(text.describe()));
    }

    void updateAllWithEvents() {
        const Run r = run(kFlasher, {"--simulate=hvc", "--update", "--all", "--yes", "--json"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QString error;
        const QList<QJsonObject> events = jsonLines(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        const QString key = flasherHvc_["key"].toString();
        QCOMPARE(events.first()["event"].toString(), QStringLiteral("start"));
        const QStringList phases{"request", "restart-into-update-mode", "upload", "programming-and-restart",
                                 "colour-tables"};
        QStringList phasesSeen;
        double percent = -1;
        int left = 0;
        int back = 0;
        for (qsizetype i = 0; i < events.size(); ++i) {
            const QJsonObject& event = events[i];
            const QString name = event["event"].toString();
            QCOMPARE(event["key"].toString(), key);
            QCOMPARE(name == "outcome", i == events.size() - 1);
            if (name == "progress") {
                const QString phase = event["phase"].toString();
                QVERIFY2(phases.contains(phase), qPrintable(phase));
                if (phasesSeen.isEmpty() || phasesSeen.last() != phase) phasesSeen << phase;
                QVERIFY2(event["percent"].toDouble() >= percent, "progress went back");
                percent = event["percent"].toDouble();
            } else if (name == "alert" && !event["buttons"].toArray().isEmpty()) {
                // --yes answers every question of a smooth update at once.
                QVERIFY(i + 1 < events.size());
                QCOMPARE(events[i + 1]["event"].toString(), QStringLiteral("answer"));
                QCOMPARE(events[i + 1]["title"], event["title"]);
                QCOMPARE(events[i + 1]["by"].toString(), QStringLiteral("yes"));
            }
            // Each restart: the printer leaves, then comes back.
            QVERIFY2(name != "back" || left == back + 1, "back before left");
            left += name == "left";
            back += name == "back";
        }
        // Every phase once, in order; the request can be over before its first report.
        if (phasesSeen.value(0) != phases[0]) phasesSeen.prepend(phases[0]);
        QCOMPARE(phasesSeen.join(' '), phases.join(' '));
        QCOMPARE(left, 2);
        QCOMPARE(back, 2);
        QCOMPARE(events.last()["result"].toString(), QStringLiteral("updated"));
        QCOMPARE(events.last()["firmwareVersion"].toString(), QStringLiteral("HVC 01.41"));
    }

    void updateOnePrinter_data() {
        QTest::addColumn<QString>("simulate");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("by");
        QTest::addColumn<bool>("json");
        QTest::newRow("second of two by device key, JSON") << "--simulate=hvc,hvc" << 1 << "key" << true;
        QTest::newRow("by serial number, text") << "--simulate" << 0 << "serialNumber" << false;
    }

    void updateOnePrinter() {
        QFETCH(QString, simulate);
        QFETCH(int, index);
        QFETCH(QString, by);
        QFETCH(bool, json);
        const QJsonObject printer = listedPrinters(kFlasher, simulate)[index].toObject();
        const QString key = printer["key"].toString();
        QVERIFY(!printer[by].toString().isEmpty());
        QStringList arguments{simulate, "--update", printer[by].toString(), "--yes"};
        if (json) arguments << "--json";
        const Run r = run(kFlasher, arguments);
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        if (json) {
            QString error;
            const QList<QJsonObject> events = jsonLines(r.out, &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            for (const QJsonObject& event : events)
                QCOMPARE(event["key"].toString(), key); // the other printer is left alone
            QCOMPARE(events.last()["result"].toString(), QStringLiteral("updated"));
        } else {
            const QRegularExpression progressLine(
                QStringLiteral("^%1: \\d+% upload \\(.+\\)$").arg(QRegularExpression::escape(key)),
                QRegularExpression::MultilineOption);
            QVERIFY2(progressLine.match(QString::fromUtf8(r.err)).hasMatch(), qPrintable(r.describe()));
        }
    }

    // Several printers at once after one set of questions: each printer's events carry its key and
    // run from its start to its own outcome; the questions and the summary name them all.
    void updateTogether_data() {
        QTest::addColumn<QStringList>("arguments"); // {1}, {3}: the keys of the first and third printer
        QTest::addColumn<QList<int>>("updated");
        QTest::newRow("two keys of three") << QStringList{"--update", "{1}", "{3}"} << QList<int>{0, 2};
        QTest::newRow("--all") << QStringList{"--update", "--all"} << QList<int>{0, 1, 2};
    }
    void updateTogether() {
        QFETCH(QStringList, arguments);
        QFETCH(QList<int>, updated);
        const QString simulate = QStringLiteral("--simulate=hvc,hvc,hvc");
        const QJsonArray printers = listedPrinters(kFlasher, simulate);
        QCOMPARE(printers.size(), 3);
        QStringList keys;
        for (int index : updated)
            keys << printers[index]["key"].toString();
        for (QString& argument : arguments)
            argument.replace("{1}", printers[0]["key"].toString())
                .replace("{3}", printers[2]["key"].toString());
        const Run r = run(kFlasher, QStringList{simulate} + arguments + QStringList{"--yes", "--json"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QString error;
        const QList<QJsonObject> events = jsonLines(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QStringList titles;
        QMap<QString, QStringList> byKey;
        for (const QJsonObject& event : events) {
            if (event.contains("keys")) {
                QCOMPARE(event["keys"].toVariant().toStringList(), keys);
                if (event["event"] == QStringLiteral("alert")) titles << event["title"].toString();
            } else {
                byKey[event["key"].toString()] << event["event"].toString();
            }
        }
        QCOMPARE(
            titles,
            (QStringList{"Attention:", "-- Warning --\n\nAre you certain you want to update the firmware?",
                         QStringLiteral("%1 of %1 printers updated").arg(keys.size())}));
        QStringList sorted = keys; // the other printer is sent nothing and told nothing
        sorted.sort();
        QCOMPARE(byKey.keys(), sorted);
        for (const QString& key : keys) {
            const QStringList seen = byKey.value(key);
            QCOMPARE(seen.first(), QStringLiteral("start"));
            QCOMPARE(seen.count("left"), 2);
            QCOMPARE(seen.last(), QStringLiteral("outcome"));
        }
        for (const QJsonObject& event : events)
            if (event["event"] == QStringLiteral("outcome"))
                QCOMPARE(event["result"].toString(), QStringLiteral("updated"));
    }

    // On a terminal each printer keeps one progress line, redrawn in place below the other text.
    void progressRedrawnInPlaceOnATerminal() {
        const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
        if (script.isEmpty()) QSKIP("script(1) is not installed");
        const QJsonArray printers = listedPrinters(kFlasher, QStringLiteral("--simulate=hvc,hvc"));
        QProcess process;
        QProcessEnvironment environment = testsupport::programEnvironment(home_.path());
        environment.insert(QStringLiteral("TERM"), QStringLiteral("xterm"));
        process.setProcessEnvironment(environment);
        const QString command =
            QStringLiteral("'%1' --simulate=hvc,hvc --simulate-pace=instant --update --all --yes")
                .arg(kFlasher);
        process.start(script, {"-qec", command, "/dev/null"});
        QVERIFY(process.waitForFinished(kRunTimeoutMs));
        const QString screen = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(process.exitCode() == 0, qPrintable(screen));
        QVERIFY2(screen.contains(QStringLiteral("\x1b[2A\r\x1b[J")),
                 qPrintable(screen)); // both lines redrawn
        for (const QJsonValue& printer : printers)
            QVERIFY2(screen.contains(printer["key"].toString() + ": 100% colour-tables"), qPrintable(screen));
    }

    void refusedWithoutTerminalOrYes_data() {
        QTest::addColumn<bool>("json");
        QTest::newRow("text") << false;
        QTest::newRow("JSON") << true;
    }

    void refusedWithoutTerminalOrYes() {
        QFETCH(bool, json);
        QStringList arguments{"--simulate=hvc", "--update", "--all"};
        if (json) arguments << "--json";
        const Run r = run(kFlasher, arguments);
        QVERIFY2(r.exitCode == 2, qPrintable(r.describe()));
        QVERIFY2(QString::fromUtf8(r.err).contains("terminal", Qt::CaseInsensitive),
                 qPrintable(r.describe()));
        if (!json) return;
        QString error;
        const QList<QJsonObject> events = jsonLines(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        for (const QJsonObject& event : events)
            QVERIFY2(event["event"] != QStringLiteral("progress"), "the update went ahead");
        QCOMPARE(events.last()["event"].toString(), QStringLiteral("outcome"));
        QCOMPARE(events.last()["result"].toString(), QStringLiteral("refused"));
        QCOMPARE(events.last()["firmwareVersion"].toString(), QStringLiteral("HVC 01.21"));
    }

    void exitCodes_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments"); // {key}, {state}, {good}… are filled in below
        QTest::addColumn<int>("code");
        QTest::newRow("list") << kFlasher << QStringList{"--simulate", "--list"} << 0;
        QTest::newRow("good image") << kFlasher << QStringList{"--check-srec", "{good}"} << 0;
        QTest::newRow("good image, serial-switcher")
            << kSwitcher << QStringList{"--check-srec", "{good}"} << 0;
        QTest::newRow("changed checksum digit") << kFlasher << QStringList{"--check-srec", "{damaged}"} << 1;
        QTest::newRow("text file") << kSwitcher << QStringList{"--check-srec", "{text}"} << 1;
        QTest::newRow("endless device") << kFlasher << QStringList{"--check-srec", "/dev/zero"} << 1;
        QTest::newRow("unknown option") << kFlasher << QStringList{"--simulate", "--frobnicate"} << 2;
        QTest::newRow("unknown model") << kFlasher << QStringList{"--simulate=hvz", "--list"} << 2;
        QTest::newRow("unknown pace")
            << kFlasher << QStringList{"--simulate", "--simulate-pace", "slow", "--list"} << 2;
        QTest::newRow("pace without simulation")
            << kSwitcher << QStringList{"--simulate-pace=instant", "--list"} << 2;
        QTest::newRow("--update without KEY or --all")
            << kFlasher << QStringList{"--simulate", "--update"} << 2;
        QTest::newRow("bad switch value")
            << kSwitcher << QStringList{"--simulate", "--set-usb-serial", "maybe", "{key}", "--yes"} << 2;
        QTest::newRow("switch in printer-flasher")
            << kFlasher << QStringList{"--simulate", "--set-usb-serial", "on", "{key}", "--yes"} << 2;
        QTest::newRow("already as asked")
            << kSwitcher << QStringList{"--simulate", "--set-usb-serial", "{state}", "{key}", "--yes"} << 3;
        QTest::newRow("no such printer to update")
            << kFlasher << QStringList{"--simulate", "--update", "0000000000000000", "--yes"} << 4;
        QTest::newRow("no such printer to switch")
            << kSwitcher << QStringList{"--simulate", "--set-usb-serial", "on", "0000000000000000", "--yes"}
            << 4;
    }

    void exitCodes() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        const QString state = switcherHvc_["usbSerialNumber"] == QStringLiteral("Enabled") ? "on" : "off";
        for (QString& argument : arguments) {
            argument.replace("{key}", switcherHvc_["key"].toString()).replace("{state}", state);
            argument.replace("{good}", resources_ + "/firmware/HVC 01.41.fw");
            argument.replace("{damaged}", fixture("damaged.fw")).replace("{text}", fixture("notes.txt"));
        }
        const Run r = run(program, arguments);
        QVERIFY2(r.exitCode == code, qPrintable(r.describe()));
    }

    void switchUsbSerialNumber() {
        const bool enabled = switcherHvc_["usbSerialNumber"] == QStringLiteral("Enabled");
        QVERIFY(enabled || switcherHvc_["usbSerialNumber"] == QStringLiteral("Disabled"));
        // The key as a person might type it.
        const QString key = switcherHvc_["key"].toString().toLower();
        const Run r = run(kSwitcher,
                          {"--simulate", "--set-usb-serial", enabled ? "off" : "on", key, "--yes", "--json"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QString error;
        const QList<QJsonObject> events = jsonLines(r.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(events.first()["event"].toString(), QStringLiteral("start"));
        QCOMPARE(events.last()["event"].toString(), QStringLiteral("outcome"));
        QCOMPARE(events.last()["result"].toString(), QStringLiteral("switched"));
        QCOMPARE(events.last()["usbSerialNumber"].toString(),
                 enabled ? QStringLiteral("Disabled") : QStringLiteral("Enabled"));
    }

    void help_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        QTest::newRow("printer-flasher --help") << kFlasher << "--help";
        QTest::newRow("serial-switcher --help") << kSwitcher << "--help";
        QTest::newRow("printer-flasher --help-all") << kFlasher << "--help-all";
    }

    void help() {
        QFETCH(QString, program);
        QFETCH(QString, option);
        const Run r = run(program, {option});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        const QString text = QString::fromLocal8Bit(r.out);
        QVERIFY2(text.startsWith("Usage: " + program + ' ') ||
                     text.startsWith("Usage: " + QFileInfo(program).fileName() + ' '),
                 qPrintable(text.left(200)));
        for (int code = 0; code <= 4; ++code) {
            const QRegularExpression codeLine(QStringLiteral("^\\s*%1\\s").arg(code),
                                              QRegularExpression::MultilineOption);
            QVERIFY2(codeLine.match(text).hasMatch(), qPrintable(QStringLiteral("exit code %1").arg(code)));
        }
        // Each program offers its own command only.
        QCOMPARE(text.contains("--update"), program == kFlasher);
        QCOMPARE(text.contains("--set-usb-serial"), program == kSwitcher);
    }

    void logFile() {
        // A log of 1 MiB left by an earlier run is rolled aside before the run writes its own.
        const QString log = fixture(QStringLiteral("logs/flasher.log"));
        QVERIFY(QDir().mkpath(QFileInfo(log).path()));
        QFile earlier(log);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write(QByteArray(1048576, 'x'));
        earlier.close();
        const Run r = run(kFlasher, {"--simulate", "--list", "--log-file", log});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QCOMPARE(QFileInfo(fixture(QStringLiteral("logs/flasher_old.log"))).size(), 1048576);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        const QByteArray written = earlier.readAll();
        // The diagnostics and the frame dumps are in the file, and only the listing on the terminal.
        QVERIFY(written.contains("I [") && written.contains("Rolled previous log file into"));
        QVERIFY(written.contains("-[TBPrinters awakeFromNib]"));
        QVERIFY(written.contains("D [") && written.contains("|.PSTATUS"));
        QVERIFY2(r.err.isEmpty(), r.err.constData());

        // A log file that takes no line is said, once, and the listing still runs.
        const Run full = run(kFlasher, {"--simulate", "--list", "--log-file", "/dev/full"});
        QVERIFY2(full.exitCode == 0, qPrintable(full.describe()));
        QCOMPARE(full.err.count("cannot write the log file /dev/full: No space left on device"), 1);
    }

    // Every update attempt of a run is kept, and --history reads them back, newest first.
    void historyOfUpdates() {
        QTemporaryDir data;
        const QList<std::pair<QString, QString>> env{{"XDG_DATA_HOME", data.path()}};
        QVERIFY(QDir().mkpath(fixture(QStringLiteral("damaged"))));
        for (const QString& name : QDir(resources_ + QStringLiteral("/firmware")).entryList(QDir::Files))
            QVERIFY(
                QFile::copy(resources_ + QStringLiteral("/firmware/") + name, fixture("damaged/" + name)));
        flipByteInTheMiddle(fixture(QStringLiteral("damaged/HVC 01.41.fw")));

        QCOMPARE(run(kFlasher, {"--simulate=hvc", "--update", "--all", "--yes"}, env).exitCode, 0);
        QCOMPARE(run(kFlasher, {"--simulate=hvc", "--update", "--all"}, env).exitCode, 2);
        QCOMPARE(
            run(kFlasher, {"--simulate=hvc", "--update", "--all", "--yes"},
                env + QList<std::pair<QString, QString>>{{"PRINTER_TOOLS_RESOURCES", fixture("damaged")}})
                .exitCode,
            1);

        const Run r = run(kFlasher, {"--simulate", "--history", "--json"}, env);
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        const QJsonArray attempts = QJsonDocument::fromJson(r.out).object()["attempts"].toArray();
        QStringList outcomes;
        for (const QJsonValue& attempt : attempts)
            outcomes << attempt["outcome"].toString();
        QCOMPARE(outcomes, (QStringList{"failed", "cancelled", "succeeded"}));
        QVERIFY(attempts[0]["failure"].toString().startsWith(QStringLiteral("-- File corruption --")));
        const QJsonObject updated = attempts[2].toObject();
        QCOMPARE(updated["key"], flasherHvc_["key"]);
        QCOMPARE(updated["firmwareBefore"].toString(), QStringLiteral("HVC 01.21"));
        QCOMPARE(updated["firmwareAfter"].toString(), QStringLiteral("HVC 01.41"));
        QStringList phases;
        for (const QJsonValue& phase : updated["phases"].toArray())
            phases << phase["phase"].toString();
        QCOMPARE(phases, (QStringList{"request", "restart-into-update-mode", "upload",
                                      "programming-and-restart", "colour-tables"}));
        // The simulated printers keep their history apart from the real ones; the log went to its
        // default file.
        QVERIFY(QFileInfo::exists(
            data.filePath(QStringLiteral("printer-flasher/update-history-simulated.sqlite"))));
        QVERIFY(!QFileInfo::exists(data.filePath(QStringLiteral("printer-flasher/update-history.sqlite"))));
        QFile log(fixture(QStringLiteral("XDG_STATE_HOME/printer-flasher/printer-flasher.log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("-[TBPrinters awakeFromNib]"));
    }

    // A database that cannot be read is set aside and a new one started; one that another program
    // keeps locked holds up neither an update nor the program, and both are said.
    void historyDamagedOrLocked() {
        QTemporaryDir data;
        const QList<std::pair<QString, QString>> env{{"XDG_DATA_HOME", data.path()}};
        const QString path = data.filePath(QStringLiteral("printer-flasher/update-history-simulated.sqlite"));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile damaged(path);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(4096, 'x'));
        damaged.close();
        Run r = run(kFlasher, {"--simulate", "--history", "--json"}, env);
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        const QJsonObject report = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(report["attempts"].toArray().size(), 0);
        QVERIFY2(report["problem"].toString().contains(QStringLiteral("set aside")),
                 qPrintable(r.describe()));
        QCOMPARE(QDir(QFileInfo(path).path()).entryList({"*.damaged-*"}, QDir::Files).size(), 1);

        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery query(db);
            for (const char* sql :
                 {"PRAGMA locking_mode=EXCLUSIVE", "BEGIN EXCLUSIVE", "SELECT count(*) FROM attempts"})
                QVERIFY2(query.exec(QString::fromLatin1(sql)), qPrintable(query.lastError().text()));
            r = run(kFlasher, {"--simulate", "--update", "--all", "--yes", "--json"}, env);
            QVERIFY2(r.exitCode == 0 && r.err.contains("locked by another program"),
                     qPrintable(r.describe()));
            r = run(kFlasher, {"--simulate", "--history"}, env);
            QVERIFY2(r.exitCode == 1 && r.err.contains("locked by another program"),
                     qPrintable(r.describe()));
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }

    void screenshotToUnwritablePathSaysWhy() {
        const QString path = QStringLiteral("/nonexistent-dir/x.png");
        // The window is drawn here, so it gets a (screenless) platform.
        const Run r = run(kFlasher, {"--simulate", "--screenshot", path}, {{"QT_QPA_PLATFORM", "offscreen"}});
        QVERIFY2(r.exitCode > 0, qPrintable(r.describe()));
        QVERIFY2(r.err.contains(path.toUtf8()), qPrintable(r.describe()));
    }

    void verifyPackage_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("printer-flasher") << kFlasher;
        QTest::newRow("serial-switcher") << kSwitcher;
    }

    void verifyPackage() {
        QFETCH(QString, program);
        const Run good = run(program, {"--verify-package", "--json"});
        QVERIFY2(good.exitCode == 0, qPrintable(good.describe()));
        const QJsonObject report = QJsonDocument::fromJson(good.out).object();
        QCOMPARE(report["program"].toString(), QFileInfo(program).fileName());
        QVERIFY(report["verified"].toBool());
        QString colourTable;
        for (const QJsonValue& package : report["packages"].toArray()) {
            QVERIFY(package["verified"].toBool());
            for (const QJsonValue& file : package["files"].toArray()) {
                QCOMPARE(file["verdict"].toString(), QStringLiteral("ok"));
                QVERIFY(!file["digest"].toString().isEmpty());
                QCOMPARE(file["digest"], file["expectedDigest"]);
                QVERIFY(file["kind"] == QStringLiteral("firmware") ||
                        file["kind"] == QStringLiteral("colour-table"));
                if (colourTable.isEmpty() && file["kind"] == QStringLiteral("colour-table"))
                    colourTable = file["name"].toString();
            }
        }
        if (program == kFlasher) QVERIFY(!colourTable.isEmpty());
        if (colourTable.isEmpty()) return;

        // One changed byte in one colour table of a copy of the package.
        QTemporaryDir copy;
        QCOMPARE(QProcess::execute("cp", {"-R", resources_ + "/.", copy.path()}), 0);
        QDirIterator found(copy.path(), {colourTable}, QDir::Files, QDirIterator::Subdirectories);
        QVERIFY(found.hasNext());
        flipByteInTheMiddle(found.next());
        if (QTest::currentTestFailed()) return;

        const Run changed =
            run(program, {"--verify-package", "--json"}, {{"PRINTER_TOOLS_RESOURCES", copy.path()}});
        QVERIFY2(changed.exitCode == 1, qPrintable(changed.describe()));
        const QJsonObject changedReport = QJsonDocument::fromJson(changed.out).object();
        QVERIFY(changedReport["verified"].isBool() && !changedReport["verified"].toBool());
        int mismatches = 0;
        for (const QJsonValue& package : changedReport["packages"].toArray()) {
            bool packageHasIt = false;
            for (const QJsonValue& file : package["files"].toArray()) {
                const bool isIt = file["name"] == colourTable;
                packageHasIt = packageHasIt || isIt;
                QCOMPARE(file["verdict"].toString(),
                         isIt ? QStringLiteral("mismatch") : QStringLiteral("ok"));
                mismatches += isIt;
            }
            QCOMPARE(package["verified"].toBool(), !packageHasIt);
        }
        QVERIFY(mismatches >= 1);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_cli.moc"
