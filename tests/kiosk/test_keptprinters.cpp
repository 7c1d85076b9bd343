// Simulated printers kept in a folder (--simulate-state) outlive printer-flasher as real printers do:
// the real executable is killed in the middle of an update, and the next run with the same folder finds
// the printer as it was left and carries the update on from the record of updates under way.
#include "common/programrun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

const QString kFlasher = QStringLiteral(PRINTER_FLASHER_EXECUTABLE);
// A run takes a second or two; under the sanitizers many times that.
constexpr int kRunTimeoutMs = 120000;

using Run = testsupport::ProgramRun;

} // namespace

class KeptPrintersTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

    // Runs printer-flasher with its own home and XDG folders. `killWhen`, when given, sees each line of
    // standard output as it comes, and answering true kills the program there (SIGKILL).
    Run run(const QStringList& arguments,
            const std::function<bool(const QJsonObject&)>& killWhen = {}) const {
        QProcess process;
        process.setProcessEnvironment(testsupport::programEnvironment(home_.path()));
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(kFlasher, arguments);
        Run result;
        QByteArray pending;
        bool killed = false;
        if (killWhen) {
            connect(&process, &QProcess::readyReadStandardOutput, &process, [&] {
                const QByteArray bytes = process.readAllStandardOutput();
                result.out += bytes;
                pending += bytes;
                for (qsizetype end = pending.indexOf('\n'); end >= 0 && !killed;
                     end = pending.indexOf('\n')) {
                    const QJsonObject event = QJsonDocument::fromJson(pending.left(end)).object();
                    pending.remove(0, end + 1);
                    if (killWhen(event)) {
                        killed = true;
                        process.kill();
                    }
                }
            });
        }
        if (!process.waitForFinished(kRunTimeoutMs)) {
            process.kill();
            process.waitForFinished();
        } else if (process.exitStatus() == QProcess::NormalExit) {
            result.exitCode = process.exitCode();
        }
        result.out += process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    // The printers --list --json finds in the kept folder `state`.
    QJsonArray listed(const QString& state, Run* listing = nullptr) const {
        const Run r = run({"--simulate-state=" + state, "--simulate-pace=instant", "--list", "--json"});
        if (listing) *listing = r;
        return QJsonDocument::fromJson(r.out).object().value(QStringLiteral("printers")).toArray();
    }

private slots:
    void initTestCase() { QVERIFY(home_.isValid()); }

    // Killed while the image goes to the printer, the update is carried on by the next run.
    void updateCutShortIsCarriedOn() {
        const QString state = home_.filePath(QStringLiteral("cut-short"));
        const Run killed = run({"--simulate=hvc", "--simulate-state=" + state, "--simulate-pace=realistic",
                                "--update", "--all", "--yes", "--json"},
                               [](const QJsonObject& event) {
                                   return event[QStringLiteral("event")] == QStringLiteral("progress") &&
                                          event[QStringLiteral("phase")] == QStringLiteral("upload");
                               });
        QVERIFY2(killed.exitCode == -1 && killed.out.contains("\"upload\""), qPrintable(killed.describe()));
        QVERIFY(QFile::exists(state + QStringLiteral("/updates-under-way.json")));

        // No --simulate=MODELS: the kept printer comes back, not the demo's two.
        const Run carried = run(
            {"--simulate-state=" + state, "--simulate-pace=instant", "--update", "--all", "--yes", "--json"});
        QVERIFY2(carried.exitCode == 0, qPrintable(carried.describe()));
        const QJsonObject outcome = carried.events().last();
        QCOMPARE(outcome["event"].toString(), QStringLiteral("outcome"));
        QCOMPARE(outcome["result"].toString(), QStringLiteral("updated"));
        QCOMPARE(outcome["firmwareVersion"].toString(), QStringLiteral("HVC 01.41"));

        Run listing;
        const QJsonArray printers = listed(state, &listing);
        QVERIFY2(printers.size() == 1, qPrintable(listing.describe()));
        QCOMPARE(printers[0]["firmwareVersion"].toString(), QStringLiteral("HVC 01.41"));
        QCOMPARE(printers[0]["key"], outcome["key"]);
        QVERIFY(!QFile::exists(state + QStringLiteral("/updates-under-way.json")));
        // Run again, --all leaves the printer on the package's version alone, one printer or several.
        const Run again = run(
            {"--simulate-state=" + state, "--simulate-pace=instant", "--update", "--all", "--yes", "--json"});
        QVERIFY2(again.exitCode == 3 && again.events().last()["result"] == QStringLiteral("not-needed"),
                 qPrintable(again.describe()));

        // The attempt the kill cut short is the one that went on to its end (an instant update may be
        // over before the run looks for printers to update, and the run then updates once more).
        const Run history = run({"--simulate", "--simulate-pace=instant", "--history", "--json"});
        const QJsonArray attempts = QJsonDocument::fromJson(history.out).object()["attempts"].toArray();
        QVERIFY2(!attempts.isEmpty(), qPrintable(history.describe()));
        const QJsonObject first = attempts.last().toObject();
        QCOMPARE(first["outcome"].toString(), QStringLiteral("succeeded"));
        QCOMPARE(first["firmwareBefore"].toString(), QStringLiteral("HVC 01.21"));
        QCOMPARE(first["firmwareAfter"].toString(), QStringLiteral("HVC 01.41"));
    }

    // A kept printer's file, changed between two runs: what the next run finds at that port.
    void keptPrinterComesBack_data() {
        QTest::addColumn<QString>("change"); // of the "state" object, or of the whole file
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("as kept") << ""
                                 << "HVC 01.21" << false;
        QTest::newRow("programming ended while away") << "programmed"
                                                      << "HVC 01.41" << false;
        QTest::newRow("not JSON") << "truncated"
                                  << "HVC 01.21" << true;
        QTest::newRow("a field of the wrong kind") << "counterA"
                                                   << "HVC 01.21" << true;
        QTest::newRow("another model than the list") << "model"
                                                     << "HVC 01.21" << true;
    }

    void keptPrinterComesBack() {
        QFETCH(QString, change);
        QFETCH(QString, firmware);
        QFETCH(bool, damaged);
        const QString state = home_.filePath(QStringLiteral("kept-") + QTest::currentDataTag());
        QCOMPARE(listed(state).size(), 2); // the demo's printers, kept from now on
        const QString path = state + QStringLiteral("/port-002.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        file.close();
        QJsonObject record = QJsonDocument::fromJson(bytes).object();
        QJsonObject printer = record["state"].toObject();
        QVERIFY2(printer["firmwareVersion"] == QStringLiteral("HVC 01.21"), bytes.constData());
        if (change == "programmed") {
            // Killed while programming: the image was written, and the printer restarted, meanwhile.
            printer["firmwareUpdateMode"] = true;
            printer["firmwareValid"] = false;
            record["programming"] = QJsonObject{
                {"version", "HVC 01.41"}, {"size", 1065006}, {"endsAt", "2020-01-01T00:00:00.000Z"}};
        } else if (change == "counterA") {
            printer["counterA"] = QStringLiteral("many");
        } else if (change == "model") {
            printer["model"] = QStringLiteral("HVA");
        }
        record["state"] = printer;
        bytes = change == "truncated" ? bytes.left(bytes.size() / 2) : QJsonDocument(record).toJson();
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();

        Run listing;
        const QJsonArray printers = listed(state, &listing);
        QVERIFY2(listing.exitCode == 0 && printers.size() == 2, qPrintable(listing.describe()));
        for (const QJsonValue& listedPrinter : printers) {
            const bool second = listedPrinter["serialNumber"] == QStringLiteral("HVC-0002");
            QCOMPARE(listedPrinter["firmwareVersion"].toString(),
                     second ? firmware : QStringLiteral("HVC 01.21"));
        }
        QCOMPARE(listing.err.contains("port-002.json is damaged"), damaged);
        QCOMPARE(QFile::exists(path + QStringLiteral(".damaged")), damaged);
    }
};

QTEST_MAIN(KeptPrintersTest)
#include "test_keptprinters.moc"
