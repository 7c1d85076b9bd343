#include "cli/headless.h"

#include "Classes/Edition.h"
#include "Classes/TBFirmwarePackage.h"
#include "Classes/TBPrinters.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/TBUpdateHistory.h"
#include "Classes/TBUpdateStateFile.h"
#include "Classes/UpdateBatch.h"
#include "Classes/UpdateSession.h"
#include "Classes/ZEVModels.h"
#include "app/printerrow.h"
#include "app/startup.h"
#include "cli/metrics.h"
#include "cli/output.h"
#include "cli/presenter.h"
#include "platform/application.h"
#include "platform/files.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/resources.h"
#include "platform/strings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace cli {

namespace {

// How long the printers get to answer every question of their first probe before a listing or a
// command goes on with what they answered.
constexpr int kSettleTimeoutMs = 15000;
// The printers already on the bus arrive within this time of the start.
constexpr int kArrivalQuietMs = 300;
constexpr int kPollMs = 50;
// An update during which nothing at all happens for this long has lost its printer.
constexpr int kUpdateSilenceMs = 6 * 60 * 1000;
// The largest file --check-srec reads: the printers' images are about 1 MiB, so anything near this is
// not one, and a device or a huge file is refused before it fills the memory.
constexpr qint64 kCheckSrecLimitBytes = 64 * 1024 * 1024;
// A replay whose capture has nothing more to play after a divergence ends this long after that, with
// what the printers' flows made of the divergence, instead of waiting for a printer that will not
// come back.
constexpr int kReplayWindDownMs = 2000;

void complain(const QString& text) {
    printErr(QStringLiteral("%1: %2\n").arg(QCoreApplication::applicationName(), text));
}

void printJson(const QJsonObject& object) {
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// ---- --check-srec -------------------------------------------------------------------------------------

int checkSrec(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        complain(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return kExitFailed;
    }
    // One byte past the limit tells a file that is too large, whatever its size claims (a device
    // such as /dev/zero has none).
    const QByteArray data = file.read(kCheckSrecLimitBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        complain(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return kExitFailed;
    }
    if (data.size() > kCheckSrecLimitBytes) {
        complain(QStringLiteral("%1 is larger than %2 MiB: not a firmware image of these printers")
                     .arg(path)
                     .arg(kCheckSrecLimitBytes / (1024 * 1024)));
        return kExitFailed;
    }
    if (!TBFirmwarePackage::verifySRecData(data)) {
        printOut(say(QT_TRANSLATE_NOOP("TBPrinters", "%1: not a good S-record file")).arg(path) +
                 QLatin1Char('\n'));
        return kExitFailed;
    }
    const auto header = TBFirmwarePackage::imageHeader(data);
    printOut((header ? say(QT_TRANSLATE_NOOP("TBPrinters", "%1: good S-record file (header \"%2\")"))
                           .arg(path, header->text)
                     : say(QT_TRANSLATE_NOOP("TBPrinters", "%1: good S-record file")).arg(path)) +
             QLatin1Char('\n'));
    return kExitDone;
}

// ---- --history ----------------------------------------------------------------------------------------

int showHistory(const Edition& edition, bool json) {
    QString problem;
    const QList<TBUpdateHistory::Attempt> attempts = TBUpdateHistory::readAll(&problem);
    if (!problem.isEmpty()) complain(problem);
    // Read, but what opening it found (a damaged database set aside) is still news.
    const QString news = problem.isEmpty() ? TBUpdateHistory::problem() : problem;
    if (json)
        printJson(QJsonObject{{QStringLiteral("program"), edition.programName()},
                              {QStringLiteral("attempts"), TBUpdateHistory::toJson(attempts)},
                              {QStringLiteral("problem"), news.isEmpty() ? QJsonValue() : QJsonValue(news)}});
    else if (problem.isEmpty())
        printOut(TBUpdateHistory::toText(attempts));
    return problem.isEmpty() ? kExitDone : kExitFailed;
}

// ---- --verify-package ---------------------------------------------------------------------------------

int verifyPackage(const Edition& edition, bool json) {
    QJsonArray packages;
    bool allVerified = true;
    QString text;
    for (const zev::ModelFacts& facts : zev::models()) {
        if (!zev::supportedProductIDs(edition).contains(facts.productID)) continue;
        const FirmwareCatalogueEntry entry = TBFirmwarePackage::catalogueEntry(facts.productID, edition);
        if (entry.fileNames.isEmpty()) continue;
        bool verified = true;
        QJsonArray files;
        const QString& image = entry.fileNames.first();
        const QString version = image.left(image.lastIndexOf(QLatin1Char('.')));
        text += QStringLiteral("%1  %2\n").arg(QString::fromLatin1(facts.name), version);
        for (qsizetype i = 0; i < entry.fileNames.size(); ++i) {
            const QString& name = entry.fileNames.at(i);
            const QString expected = entry.digests.value(i);
            const std::optional<QString> digest =
                TBFirmwarePackage::digestForPackageFile(name, kPrinterFamilyClassName);
            QString verdict;
            if (!digest)
                verdict = QStringLiteral("missing");
            else if (digest->isNull())
                verdict = QStringLiteral("empty");
            else if (digest->compare(expected, Qt::CaseInsensitive) != 0)
                verdict = QStringLiteral("mismatch");
            else if (i == 0 &&
                     !TBFirmwarePackage::verifySRecData(platform::resources::dataForResourceFile(name)))
                verdict = QStringLiteral("bad-srecord");
            else
                verdict = QStringLiteral("ok");
            verified = verified && verdict == QLatin1String("ok");
            files.append(QJsonObject{
                {QStringLiteral("name"), name},
                {QStringLiteral("kind"),
                 i == 0 ? QStringLiteral("firmware") : QStringLiteral("colour-table")},
                {QStringLiteral("verdict"), verdict},
                {QStringLiteral("digest"), digest.value_or(QString())},
                {QStringLiteral("expectedDigest"), expected},
            });
            text += QStringLiteral("  %1  %2\n").arg(verdict, -11).arg(name);
        }
        allVerified = allVerified && verified;
        packages.append(QJsonObject{
            {QStringLiteral("model"), QString::fromLatin1(facts.name)},
            {QStringLiteral("version"), version},
            {QStringLiteral("verified"), verified},
            {QStringLiteral("files"), files},
        });
    }
    if (json) {
        printJson(QJsonObject{{QStringLiteral("program"), edition.programName()},
                              {QStringLiteral("verified"), allVerified},
                              {QStringLiteral("packages"), packages}});
    } else {
        printOut(text +
                 (allVerified
                      ? say(QT_TRANSLATE_NOOP("TBPrinters", "The firmware package is intact."))
                      : say(QT_TRANSLATE_NOOP("TBPrinters",
                                              "The firmware package is damaged: reinstall the program."))) +
                 QLatin1Char('\n'));
    }
    return allVerified ? kExitDone : kExitFailed;
}

// ---- the printers ---------------------------------------------------------------------------------------

bool inUpdateMode(TBUSBPrinterZEV& printer) {
    return printer.printerStatus() ==
           TBUSBPrinterZEV::stringForHVStatusString(QString::fromLatin1(zev::kStatusFirmwareUpdateMode));
}

// Whether the printer has answered what its first probe asks, and what the package says for it.
bool answeredProbe(TBUSBPrinterZEV& printer) {
    // A printer that another instance is updating is not asked anything here.
    if (printer.isUpdatedElsewhere()) return true;
    const bool probed = app::probeFinished(printer) ||
                        (inUpdateMode(printer) && printer.interfaceStatus() == TBUSBPrinter::InterfaceClosed);
    if (!probed) return false;
    const bool hasPackage =
        !TBFirmwarePackage::catalogueEntry(printer.productID(), Edition::current()).fileNames.isEmpty();
    return !hasPackage || printer.newFirmwareVersion().has_value();
}

QString serialNumberOf(TBUSBPrinterZEV& printer) {
    return printer.serialNumber();
}

bool matchesKey(TBUSBPrinterZEV& printer, const QString& key) {
    return printer.keyUSBdevice().compare(key, Qt::CaseInsensitive) == 0 ||
           (!key.isEmpty() && (serialNumberOf(printer) == key || printer.serialNumberUSB() == key));
}

QJsonValue percentValue(int permille) {
    if (permille < 0) return QJsonValue::Null;
    return double(permille) / 10.0;
}

QJsonObject printerJson(TBUSBPrinterZEV& printer) {
    const app::PrinterRow row = app::printerRow(printer);
    QJsonArray tables;
    for (const app::ColourTableEntry& entry : row.colourTables)
        tables.append(QJsonObject{{QStringLiteral("table"), entry.table},
                                  {QStringLiteral("version"), entry.version},
                                  {QStringLiteral("checksum"), entry.checksum}});
    return QJsonObject{
        {QStringLiteral("key"), printer.keyUSBdevice()},
        {QStringLiteral("serialNumber"), serialNumberOf(printer)},
        {QStringLiteral("name"), row.name},
        {QStringLiteral("model"), zev::modelName(printer.printerModel())},
        {QStringLiteral("usbStatus"), row.usbStatus},
        {QStringLiteral("printerStatus"), row.printerStatus},
        {QStringLiteral("firmwareVersion"), row.firmwareVersion},
        {QStringLiteral("packageFirmwareVersion"), row.packageFirmwareVersion},
        {QStringLiteral("lifetimeCounter"), row.lifetimeCounter},
        {QStringLiteral("usbSerialNumber"), row.usbSerialSetting},
        {QStringLiteral("colourTables"), tables},
        {QStringLiteral("updating"), row.updating},
        {QStringLiteral("updatingElsewhere"), row.updatingElsewhere},
        {QStringLiteral("updateProgress"), percentValue(row.updateProgress)},
    };
}

QString printerText(TBUSBPrinterZEV& printer) {
    const app::PrinterRow row = app::printerRow(printer);
    using app::orDash;
    QStringList tables;
    for (const app::ColourTableEntry& entry : row.colourTables)
        tables << app::colourTableText(entry);
    QString text = QStringLiteral("%1  %2\n").arg(printer.keyUSBdevice(), row.name);
    const auto line = [&text](const char* title, const QString& value) {
        text += QStringLiteral("    %1: %2\n").arg(say(title), value);
    };
    line(QT_TRANSLATE_NOOP("TBPrinters", "Serial Number"), orDash(serialNumberOf(printer)));
    line(QT_TRANSLATE_NOOP("TBPrinters", "USB Status"), orDash(row.usbStatus));
    QString status = platform::localizedString(row.printerStatus);
    if (row.updateProgress >= 0) status += QStringLiteral(" (%1%)").arg(row.updateProgress / 10);
    line(QT_TRANSLATE_NOOP("TBPrinters", "Printer Status"), orDash(status));
    line(QT_TRANSLATE_NOOP("TBPrinters", "Firmware"), orDash(row.firmwareVersion));
    line(QT_TRANSLATE_NOOP("TBPrinters", "Package Firmware"), orDash(row.packageFirmwareVersion));
    line(QT_TRANSLATE_NOOP("TBPrinters", "Lifetime Counter"), orDash(row.lifetimeCounter));
    line(QT_TRANSLATE_NOOP("TBPrinters", "USB Serial Number"),
         platform::localizedString(row.usbSerialSetting));
    line(QT_TRANSLATE_NOOP("TBPrinters", "Colour Tables (Version / Checksum)"),
         orDash(tables.join(QStringLiteral(", "))));
    return text;
}

// The bus, the discovery controller and the presenter of one run.
class Session : public QObject {
public:
    Session(const Options& options, const Edition& edition)
        // Only an update carries on an update that was under way: listing changes nothing.
        : run_(runSettings(options),
               edition.isPrinterFlasher() && options.command == Options::Command::Update),
          controller_(&run_.controller()) {
        presenter_ = std::make_shared<HeadlessPresenter>(options.yes);
        run_.start(presenter_, nullptr);
    }

    TBPrinters& controller() { return *controller_; }
    HeadlessPresenter& presenter() { return *presenter_; }
    const app::Run& run() const { return run_; }

    // Calls `then` once every printer on the bus is listed and has answered its first probe, or
    // when the wait is over.
    void whenSettled(std::function<void()> then) {
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        auto* timer = new QTimer(this);
        timer->setInterval(kPollMs);
        connect(timer, &QTimer::timeout, this, [this, clock, timer, then] {
            bool ready = clock->elapsed() >= kArrivalQuietMs && controller_->arrivingPrinterCount() == 0;
            for (const auto& printer : controller_->printers())
                ready = ready && answeredProbe(*printer);
            if (!ready && clock->elapsed() < kSettleTimeoutMs) return;
            timer->stop();
            timer->deleteLater();
            if (!ready)
                platform::platformLog("not every printer answered within %d s", kSettleTimeoutMs / 1000);
            then();
        });
        timer->start();
    }

    // The listed printer for `key` now (each restart makes a new printer object), or nothing.
    TBPrinters::Printer printerFor(const QString& key) const { return controller_->printerWithKey(key); }

    // Device keys of the listed printers that `key` names (all with `all`), in list order; an object a
    // restart has replaced, still listed a moment, is no printer of its own.
    QStringList resolve(const QString& key, bool all) const {
        QStringList keys;
        for (const auto& printer : controller_->printers()) {
            if (printerFor(printer->keyUSBdevice()) != printer) continue;
            if (all || matchesKey(*printer, key)) keys << printer->keyUSBdevice();
        }
        return keys;
    }

private:
    app::Run run_;
    TBPrinters* controller_;
    std::shared_ptr<HeadlessPresenter> presenter_;
};

// ---- --list ---------------------------------------------------------------------------------------------

QString colourTablesText(const QList<app::ColourTableEntry>& tables) {
    QStringList texts;
    for (const app::ColourTableEntry& entry : tables)
        texts << entry.table + QLatin1Char(' ') + entry.version;
    return texts.join(QStringLiteral(", "));
}

// "300 0100, 600 0110" from the package's table files ("HVC_600_0110.cwd": table 600, version 0110).
QString packageColourTables(quint16 productID, const Edition& edition) {
    const QStringList files = TBFirmwarePackage::catalogueEntry(productID, edition).fileNames;
    QStringList texts;
    for (qsizetype i = 1; i < files.size(); ++i) {
        const QString name = files.at(i).left(files.at(i).lastIndexOf(QLatin1Char('.')));
        const QStringList parts = name.split(QLatin1Char('_'));
        if (parts.size() >= 3) texts << parts.at(parts.size() - 2) + QLatin1Char(' ') + parts.last();
    }
    return texts.join(QStringLiteral(", "));
}

bool updateNeeded(const QString& installed, const QString& target) {
    return !target.isEmpty() &&
           TBFirmwarePackage::installedFirmwareVersion(installed) < TBFirmwarePackage::versionNumber(target);
}

metrics::Printer metricsOf(TBUSBPrinterZEV& printer, const Edition& edition) {
    const app::PrinterRow row = app::printerRow(printer);
    metrics::Printer m;
    m.key = printer.keyUSBdevice();
    m.serialNumber = serialNumberOf(printer);
    m.model = zev::modelName(printer.printerModel());
    m.answers = answeredProbe(printer);
    m.status = row.printerStatus;
    bool counted = false;
    const double prints = row.lifetimeCounter.toDouble(&counted);
    if (counted && prints >= 0) m.lifetimePrints = prints;
    m.firmwareVersion = row.firmwareVersion;
    m.packageFirmwareVersion = row.packageFirmwareVersion;
    m.colourTables = colourTablesText(row.colourTables);
    m.packageColourTables = packageColourTables(printer.productID(), edition);
    m.updateNeeded = updateNeeded(row.firmwareVersion, row.packageFirmwareVersion);
    m.updateUnderWay = row.updating || row.updatingElsewhere;
    m.updateProgress = row.updateProgress;
    return m;
}

// What the record of updates under way keeps of a printer in the middle of an update, for what this
// run could not ask it (another instance is updating it, or it waits in its update mode) or could not
// see (it is away for one of the update's restarts): the labels stay those of its other series.
void completeFromRecord(metrics::Printer& m, const QVariantMap& recorded, const Edition& edition) {
    const auto productID = quint16(m.key.mid(4, 4).toUInt(nullptr, 16));
    const auto fill = [](QString& field, const QString& value) {
        if (field.isEmpty()) field = value;
    };
    fill(m.model, zev::modelName(zev::modelForProductID(productID)));
    fill(m.serialNumber, recorded.value(QRVX_TBPrinterSerialNumber).toString());
    fill(m.firmwareVersion, recorded.value(QRVX_TBPrinterFirmwareVersion).toString());
    const QStringList files = TBFirmwarePackage::catalogueEntry(productID, edition).fileNames;
    if (!files.isEmpty())
        fill(m.packageFirmwareVersion, files.first().left(files.first().lastIndexOf(QLatin1Char('.'))));
    fill(m.packageColourTables, packageColourTables(productID, edition));
    bool counted = false;
    const double prints = recorded.value(QRVX_TBPrinterLifetimeCounter).toString().toDouble(&counted);
    if (!m.lifetimePrints && counted && prints >= 0) m.lifetimePrints = prints;
    m.updateNeeded = updateNeeded(m.firmwareVersion, m.packageFirmwareVersion);
    m.updateUnderWay = true;
}

// The metrics of the listed printers, of those away for a restart of an update under way, and of each
// one's last update in the history. The record and the history are read off the main thread; the run
// ends once the metrics are written.
void writeMetrics(Session& session, const Options& options, const Edition& edition) {
    QList<metrics::Printer> printers;
    for (const auto& printer : session.controller().printers())
        printers << metricsOf(*printer, edition);
    // Never destroyed, so that no read outlives it at the end of the program.
    static auto* const reader = new platform::SerialQueue("metrics-reader");
    reader->async([printers, file = options.metricsFile, history = app::historyPath(runSettings(options)),
                   &edition]() mutable {
        const TBUpdateStateFile::Updates underWay = TBUpdateStateFile::recorded();
        for (auto it = underWay.constBegin(); it != underWay.constEnd(); ++it) {
            auto listed = std::find_if(printers.begin(), printers.end(),
                                       [&it](const metrics::Printer& p) { return p.key == it.key(); });
            if (listed == printers.end()) {
                metrics::Printer m;
                m.key = it.key();
                listed = printers.insert(printers.end(), m);
            }
            completeFromRecord(*listed, it.value(), edition);
        }
        QMap<QString, metrics::LastUpdate> last;
        QString problem;
        for (const TBUpdateHistory::Attempt& a : TBUpdateHistory::readAllAt(history, &problem)) {
            if (last.contains(a.deviceKey)) continue; // newest first
            last.insert(a.deviceKey, {a.ended.isValid() ? a.ended : a.started,
                                      a.outcome.isEmpty() ? QStringLiteral("under-way") : a.outcome});
        }
        const QByteArray text = metrics::exposition(printers, last);
        QString error;
        const bool written = file.isEmpty() || platform::files::replaceAtomically(file, text, &error);
        platform::mainqueue::async([text, file, problem, written, error] {
            // The metrics stand without the history's part; the run says why it is missing.
            if (!problem.isEmpty())
                complain(QStringLiteral("the metrics leave out the last updates: %1").arg(problem));
            if (!written) complain(QStringLiteral("cannot write the metrics to %1: %2").arg(file, error));
            if (file.isEmpty()) {
                std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
                std::fflush(stdout);
            }
            QCoreApplication::exit(written ? kExitDone : kExitFailed);
        });
    });
}

void listPrinters(Session& session, const Options& options, const Edition& edition) {
    const auto printers = session.controller().printers();
    if (options.json) {
        QJsonArray list;
        for (const auto& printer : printers)
            list.append(printerJson(*printer));
        printJson(QJsonObject{{QStringLiteral("program"), edition.programName()},
                              {QStringLiteral("printers"), list}});
    } else if (printers.isEmpty()) {
        printOut(say(QT_TRANSLATE_NOOP("TBPrinters", "No printer found.")) + QLatin1Char('\n'));
    } else {
        QStringList blocks;
        for (const auto& printer : printers)
            blocks << printerText(*printer);
        printOut(blocks.join(QLatin1Char('\n')));
    }
    QCoreApplication::exit(kExitDone);
}

// ---- a task per printer (--update, --set-usb-serial) ---------------------------------------------------

// Runs one task per printer and follows each to its end: the events it prints, the questions' answers,
// the printer leaving and coming back, the outcome and its exit code. Several printers' updates run
// side by side after one set of questions (UpdateBatch); a single printer's task asks its own.
class PrinterTasks : public QObject {
public:
    using Start = std::function<void(const TBPrinters::Printer& printer)>;

    PrinterTasks(Session& session, const Options& options, QStringList keys, Start start)
        : session_(session), options_(options), start_(std::move(start)) {
        for (const QString& key : keys)
            tasks_.push_back(std::make_unique<Task>(key, this));
        together_ = options_.command == Options::Command::Update && tasks_.size() > 1;
        session_.presenter().setEndings(
            [this](const QString& key, const Ending& ending) { end(key, ending); });
        session_.presenter().setEvents(
            [this](const QString& subject, const QJsonObject& event) { tell(subject, event); });
        TBPrinters& controller = session_.controller();
        connect(&controller, &TBPrinters::printerValueChanged, this,
                [this](TBUSBPrinterZEV* printer, const QString& key) {
                    if (!printer || key != kUpdateProgressProperty) return;
                    if (Task* task = running(printer->keyUSBdevice())) progress(*task, *printer);
                });
        // A printer back from a restart may be listed before its old object has left the list: it has
        // left then, and the old object's removal, whenever it comes, is not news.
        connect(&controller, &TBPrinters::printersAboutToBeRemoved, this, [this](int row) {
            const auto printer = session_.controller().printerAt(row);
            Task* task = printer ? running(printer->keyUSBdevice()) : nullptr;
            if (!task) return;
            if (task->staleObjects > 0) {
                --task->staleObjects;
                return;
            }
            task->away = true;
            tell(task->key, {{QStringLiteral("event"), QStringLiteral("left")}});
        });
        connect(&controller, &TBPrinters::printersInserted, this, [this](int row) {
            const auto printer = session_.controller().printerAt(row);
            Task* task = printer ? running(printer->keyUSBdevice()) : nullptr;
            if (!task) return;
            if (!std::exchange(task->away, false)) {
                ++task->staleObjects;
                tell(task->key, {{QStringLiteral("event"), QStringLiteral("left")}});
            }
            tell(task->key, {{QStringLiteral("event"), QStringLiteral("back")}});
        });
        // "Quit" ends the whole run, with what ended so far.
        platform::setTerminationHandler([this] { QCoreApplication::exit(exitCode()); });
    }

    ~PrinterTasks() override { platform::setTerminationHandler(nullptr); }

    void run() {
        if (together_)
            runTogether();
        else
            next();
    }

private:
    struct Task {
        Task(QString k, QObject* parent) : key(std::move(k)), silence(parent) {
            silence.setSingleShot(true);
            silence.setInterval(kUpdateSilenceMs);
        }
        QString key;
        bool begun = false;
        bool ended = false;
        int lastPhase = -1;
        int lastTenth = -1;
        int lastPercent = -1;
        bool away = false;    // it left for a restart and is not back yet
        int staleObjects = 0; // its objects from before a restart, still listed
        QTimer silence;       // an update during which nothing at all happens this long has lost its printer
    };

    Task* find(const QString& key) {
        for (const auto& task : tasks_)
            if (task->key == key) return task.get();
        return nullptr;
    }
    // The task of `key` while it runs.
    Task* running(const QString& key) {
        Task* task = find(key);
        return task && task->begun && !task->ended ? task : nullptr;
    }

    // Tells the task's start; false when its printer is gone (the task has ended then).
    bool begin(Task& task) {
        task.begun = true;
        connect(&task.silence, &QTimer::timeout, this, [this, &task] {
            end(task.key,
                Ending{QStringLiteral("lost"),
                       say(QT_TRANSLATE_NOOP("TBPrinters", "The printer did not come back")),
                       say(QT_TRANSLATE_NOOP(
                               "TBPrinters",
                               "Nothing was heard from the printer for %1 minutes. Check it and its "
                               "cable, then run the update again."))
                           .arg(kUpdateSilenceMs / 60000),
                       kExitFailed});
        });
        const auto printer = session_.printerFor(task.key);
        if (!printer) {
            end(task.key,
                Ending{QStringLiteral("lost"), say(QT_TRANSLATE_NOOP("TBPrinters", "The printer is gone")),
                       say(QT_TRANSLATE_NOOP("TBPrinters",
                                             "The printer left the USB bus before its turn came.")),
                       kExitFailed});
            return false;
        }
        tell(task.key,
             {{QStringLiteral("event"), QStringLiteral("start")},
              {QStringLiteral("serialNumber"), serialNumberOf(*printer)},
              {QStringLiteral("model"), zev::modelName(printer->printerModel())},
              {QStringLiteral("firmwareVersion"), printer->firmwareVersion()},
              {QStringLiteral("packageFirmwareVersion"), printer->newFirmwareVersion().value_or(QString())}});
        return true;
    }

    // One printer after the other.
    void next() {
        while (index_ < tasks_.size() && tasks_.at(index_)->ended)
            ++index_;
        if (index_ >= tasks_.size()) {
            QCoreApplication::exit(exitCode());
            return;
        }
        Task& task = *tasks_.at(index_);
        session_.presenter().follow(task.key);
        if (begin(task)) start_(session_.printerFor(task.key));
    }

    // Every printer at once, after one set of questions.
    void runTogether() {
        QStringList subjects{UpdateBatch::alertSubject()};
        QList<TBPrinters::Printer> printers;
        for (const auto& task : tasks_) {
            subjects << task->key;
            session_.presenter().follow(subjects);
            if (!begin(*task)) continue;
            const auto printer = session_.printerFor(task->key);
            if (printer->isUpdatedElsewhere())
                start_(printer); // ends the task with the reason
            else
                printers << printer;
        }
        if (printers.isEmpty()) {
            finishIfDone();
            return;
        }
        batch_ = UpdateBatch::start(
            printers,
            UpdateBatch::Observer{.ended = [this](const UpdateBatch::Member& m) { end(m.key, endingOf(m)); },
                                  .finished = [this] { finishIfDone(); }});
    }

    static Ending endingOf(const UpdateBatch::Member& m) {
        using Outcome = UpdateSession::Outcome;
        const bool apart = m.standing == UpdateBatch::Standing::Apart;
        switch (m.outcome) {
        case Outcome::Succeeded:
            return {QStringLiteral("updated"), m.title, m.message, kExitDone};
        case Outcome::NotNeeded:
            return {QStringLiteral("not-needed"),
                    apart ? say(QT_TRANSLATE_NOOP("TBPrinters", "Firmware update not needed")) : m.title,
                    m.message, kExitNothingToDo};
        case Outcome::Lost:
            return {QStringLiteral("lost"), m.title, m.message, kExitFailed};
        case Outcome::Cancelled:
            return {QStringLiteral("cancelled"), m.title, m.message, kExitFailed};
        case Outcome::Failed:
            break;
        }
        return {QStringLiteral("failed"),
                apart ? say(QT_TRANSLATE_NOOP("TBPrinters", "The printer was not updated")) : m.title,
                m.message, kExitFailed};
    }

    void finishIfDone() {
        const bool open =
            std::any_of(tasks_.begin(), tasks_.end(), [](const auto& task) { return !task->ended; });
        if (open || (batch_ && !batch_->isFinished())) return;
        QTimer::singleShot(0, this, [this] { QCoreApplication::exit(exitCode()); });
    }

    void tell(const QString& subject, QJsonObject object) {
        Task* task = running(subject);
        const bool aboutAll = together_ && subject == UpdateBatch::alertSubject();
        if (!task && !aboutAll) return;
        if (task) task->silence.start();
        if (aboutAll) {
            QJsonArray keys;
            for (const auto& each : tasks_)
                keys.append(each->key);
            object.insert(QStringLiteral("keys"), keys);
        } else {
            object.insert(QStringLiteral("key"), subject);
        }
        if (options_.json) {
            printJson(object);
            return;
        }
        const QString kind = object.value(QStringLiteral("event")).toString();
        if (kind == QLatin1String("start"))
            printErr(say(QT_TRANSLATE_NOOP("TBPrinters", "%1: %2, firmware %3"))
                         .arg(subject, object.value(QStringLiteral("model")).toString(),
                              object.value(QStringLiteral("firmwareVersion")).toString()) +
                     QLatin1Char('\n'));
        else if (kind == QLatin1String("left"))
            printErr(say(QT_TRANSLATE_NOOP("TBPrinters", "%1: the printer left the USB bus (restarting)"))
                         .arg(subject) +
                     QLatin1Char('\n'));
        else if (kind == QLatin1String("back"))
            printErr(say(QT_TRANSLATE_NOOP("TBPrinters", "%1: the printer is back")).arg(subject) +
                     QLatin1Char('\n'));
    }

    void progress(Task& task, TBUSBPrinterZEV& printer) {
        const int permille = printer.updateProgress();
        const auto phase = printer.updatePhase();
        if (permille < 0 || !phase) return;
        const int phaseIndex = int(*phase);
        const int percent = permille / 10;
        const bool newPhase = phaseIndex != task.lastPhase;
        // On a terminal the line is redrawn at each percent; a log gets a line each tenth.
        const bool everyPercent = options_.json || progressRedrawsInPlace();
        if (everyPercent) {
            if (!newPhase && percent == task.lastPercent) return;
        } else if (!newPhase && percent / 10 == task.lastTenth) {
            return;
        }
        task.lastPhase = phaseIndex;
        task.lastPercent = percent;
        task.lastTenth = percent / 10;
        const QString status = printer.printerStatus();
        if (options_.json) {
            tell(task.key, {{QStringLiteral("event"), QStringLiteral("progress")},
                            {QStringLiteral("phase"), TBUSBPrinterZEV::phaseName(*phase)},
                            {QStringLiteral("percent"), double(permille) / 10.0},
                            {QStringLiteral("status"), status}});
        } else {
            task.silence.start();
            printProgress(task.key,
                          QStringLiteral("%1: %2% %3 (%4)")
                              .arg(task.key)
                              .arg(percent)
                              .arg(TBUSBPrinterZEV::phaseName(*phase), platform::localizedString(status)));
        }
    }

    void end(const QString& key, const Ending& ending) {
        if (together_ && key == UpdateBatch::alertSubject()) {
            // A question about all of them that nobody could answer, or was given up, ends every task
            // that has not begun its update; the summary is only news.
            if (ending.result != QLatin1String("refused") && ending.result != QLatin1String("cancelled"))
                return;
            for (const auto& task : tasks_)
                if (!task->ended) end(task->key, ending);
            if (batch_) batch_->cancel();
            return;
        }
        Task* task = find(key);
        if (!task || task->ended || !task->begun) return;
        task->ended = true;
        task->silence.stop();
        const auto printer = session_.printerFor(key);
        // An update names the version its outcome was decided on; before programming, or without an
        // answer then, the printer's as it stands.
        QString firmware =
            options_.command == Options::Command::Update ? UpdateSession::endedOnFirmware(key) : QString();
        if (firmware.isEmpty() && printer) firmware = printer->firmwareVersion();
        QJsonObject outcome{{QStringLiteral("event"), QStringLiteral("outcome")},
                            {QStringLiteral("result"), ending.result},
                            {QStringLiteral("title"), ending.title},
                            {QStringLiteral("message"), ending.message},
                            {QStringLiteral("firmwareVersion"), firmware}};
        if (options_.command == Options::Command::SetUsbSerial)
            outcome.insert(QStringLiteral("usbSerialNumber"),
                           printer ? printer->usbISerialString() : QString());
        if (options_.json) {
            outcome.insert(QStringLiteral("key"), key);
            printJson(outcome);
        } else {
            // The result is the run's output; the alert that told it went to standard error.
            printOut(QStringLiteral("%1: %2\n").arg(key, ending.result));
        }
        if (options_.command == Options::Command::Update) closeUpdate(key, ending);
        results_ << ending.exitCode;
        if (together_) {
            finishIfDone();
            return;
        }
        session_.presenter().follow(QString());
        ++index_;
        QTimer::singleShot(0, this, [this] { next(); });
    }

    // An update that ends here without a notice of its own (a question refused or given up, a printer
    // lost) ends through its session too; one that a notice ended has ended already.
    static void closeUpdate(const QString& key, const Ending& ending) {
        const auto session = UpdateSession::find(key);
        if (!session) return;
        using Outcome = UpdateSession::Outcome;
        const Outcome outcome =
            ending.result == QLatin1String("refused") || ending.result == QLatin1String("cancelled")
                ? Outcome::Cancelled
            : ending.result == QLatin1String("lost") ? Outcome::Lost
                                                     : Outcome::Failed;
        const QString why =
            ending.message.isEmpty() ? ending.title : ending.title + QStringLiteral("\n\n") + ending.message;
        session->end(outcome, {}, UpdateSession::Record::Keep, why);
    }

    // The worst result: any failure, then a refused question, then done, then nothing to do.
    int exitCode() const {
        for (int code : {int(kExitFailed), int(kExitUsage), int(kExitDone)}) {
            if (results_.contains(code)) return code;
        }
        return results_.isEmpty() ? kExitFailed : kExitNothingToDo;
    }

    Session& session_;
    const Options& options_;
    std::vector<std::unique_ptr<Task>> tasks_;
    Start start_;
    bool together_ = false;
    std::shared_ptr<UpdateBatch> batch_;
    std::size_t index_ = 0;
    QList<int> results_;
};

// `everyPrinter` (--update --all): a printer already on the package's version is left as it is, as
// a set leaves it, so that running the same command again changes nothing, however many printers
// there are.
void startUpdate(HeadlessPresenter& presenter, const TBPrinters::Printer& printer, bool everyPrinter) {
    const QString installed = printer->firmwareVersion();
    const QString target = printer->newFirmwareVersion().value_or(QString());
    // A printer whose update this run has carried on (and perhaps finished before its turn came) is
    // updated as before.
    if (everyPrinter && printer->updateCanStart() &&
        !UpdateSession::begunInThisRun(printer->keyUSBdevice()) && !target.isEmpty() &&
        TBFirmwarePackage::installedFirmwareVersion(installed) == TBFirmwarePackage::versionNumber(target)) {
        presenter.end(
            printer->keyUSBdevice(),
            Ending{QStringLiteral("not-needed"),
                   say(QT_TRANSLATE_NOOP("TBPrinters", "Firmware update not needed")),
                   say(QT_TRANSLATE_NOOP("TBPrinters", "This printer has firmware version %1 installed."))
                       .arg(installed),
                   kExitNothingToDo});
        return;
    }
    if (printer->isUpdatedElsewhere()) {
        presenter.end(
            printer->keyUSBdevice(),
            Ending{QStringLiteral("failed"),
                   say(QT_TRANSLATE_NOOP("TBPrinters", "Being updated by another program")),
                   say(QT_TRANSLATE_NOOP("TBPrinters", "Another running printer-flasher is updating "
                                                       "this printer. Let it finish, then try again.")),
                   kExitFailed});
        return;
    }
    // An update already under way (carried on by the start-up probe) is followed, not started again.
    if (printer->updateCanStart()) printer->updateFirmware();
}

void startSwitch(HeadlessPresenter& presenter, bool on, const TBPrinters::Printer& printer) {
    const QString key = printer->keyUSBdevice();
    if (!printer->hasISerialSupport()) {
        presenter.end(
            key, Ending{QStringLiteral("failed"),
                        say(QT_TRANSLATE_NOOP("TBPrinters", "No USB serial-number switch")),
                        say(QT_TRANSLATE_NOOP("TBPrinters",
                                              "This printer cannot switch its USB serial-number report.")),
                        kExitFailed});
        return;
    }
    if (printer->usbISerial() == on) {
        presenter.end(
            key,
            Ending{QStringLiteral("unchanged"), say(QT_TRANSLATE_NOOP("TBPrinters", "Nothing to switch")),
                   say(QT_TRANSLATE_NOOP("TBPrinters", "The USB serial-number report is already %1."))
                       .arg(platform::localizedString(printer->usbISerialString())),
                   kExitNothingToDo});
        return;
    }
    auto alert = std::make_shared<platform::Alert>();
    alert->subject = key;
    alert->messageText =
        on ? say(QT_TRANSLATE_NOOP("TBPrinters", "Switch the USB serial-number report on?"))
           : say(QT_TRANSLATE_NOOP("TBPrinters", "Switch the USB serial-number report off?"));
    alert->informativeText = say(QT_TRANSLATE_NOOP(
        "TBPrinters", "The printer will appear to the print system as a new device after its next power "
                      "cycle; the print queues of its model are removed."));
    alert->buttons = QStringList{say(QT_TRANSLATE_NOOP("TBPrinters", "Cancel")),
                                 on ? say(QT_TRANSLATE_NOOP("TBPrinters", "Switch On"))
                                    : say(QT_TRANSLATE_NOOP("TBPrinters", "Switch Off"))};
    alert->intent = platform::AlertIntent{.accept = 1, .abandon = 0};
    alert->completion = [&presenter, printer, on, key](qint64 response) {
        if (response != platform::kAlertFirstButtonReturn + 1) return;
        printer->setEnabledUSBSerial(on, [&presenter, printer, key](bool written) {
            if (written)
                presenter.end(
                    key, Ending{QStringLiteral("switched"),
                                say(QT_TRANSLATE_NOOP("TBPrinters", "USB serial-number report switched")),
                                say(QT_TRANSLATE_NOOP("TBPrinters",
                                                      "Power-cycle the printer to complete the change.")),
                                kExitDone});
            else
                presenter.end(
                    key, Ending{QStringLiteral("failed"),
                                say(QT_TRANSLATE_NOOP("TBPrinters", "The switch was not changed")),
                                say(QT_TRANSLATE_NOOP("TBPrinters", "The printer did not take the switch.")),
                                kExitFailed});
        });
    };
    platform::showAlert(alert);
}

} // namespace

app::RunSettings runSettings(const Options& options) {
    app::RunSettings settings;
    settings.simulate = options.simulate;
    settings.simulatedModels = options.simulatedModels;
    settings.simulationPace = options.simulationPace;
    settings.simulationStateDirectory = options.simulationState;
    settings.replayFrom = options.replayFrom;
    settings.replayRecords = options.replayRecords;
    settings.replayTiming = options.replayTiming;
    settings.logFile = options.logFile;
    settings.captureFile = options.capture;
    settings.captureFullUploads = options.captureUploads;
    // A listing only looks: the printers it finds are another run's to change.
    settings.observeOnly = options.command == Options::Command::List;
    // A command prints its own output, questions and progress; the diagnostics only when asked.
    settings.diagnosticsOnStandardError = !options.headless() || options.verbose;
    return settings;
}

void openHistory(const Options& options) {
    const QString problem = app::openHistory(runSettings(options));
    if (!problem.isEmpty()) complain(problem);
}

int runHeadless(const Options& options) {
    const Edition& edition = Edition::current();
    switch (options.command) {
    case Options::Command::CheckSrec:
        return checkSrec(options.checkSrecFile);
    case Options::Command::History:
        return showHistory(edition, options.json);
    case Options::Command::VerifyPackage:
        return verifyPackage(edition, options.json);
    case Options::Command::List:
    case Options::Command::Update:
    case Options::Command::SetUsbSerial:
        break;
    default:
        return kExitUsage;
    }

    Session session(options, edition);
    if (const auto replay = session.run().replay()) {
        auto* watch = new QTimer(&session);
        watch->setInterval(kReplayWindDownMs);
        QObject::connect(watch, &QTimer::timeout, &session, [replay, watch] {
            if (!replay->finished()) return;
            watch->stop();
            platform::requestTermination();
        });
        replay->setDivergenceHandler([watch](const usb::capture::Divergence&) {
            if (!watch->isActive()) watch->start();
        });
    }
    std::unique_ptr<PrinterTasks> tasks;
    session.whenSettled([&] {
        if (options.command == Options::Command::List) {
            if (options.metrics)
                writeMetrics(session, options, edition);
            else
                listPrinters(session, options, edition);
            return;
        }
        QStringList keys;
        const QStringList asked = options.keys.isEmpty() ? QStringList{options.key} : options.keys;
        for (const QString& key : options.all ? QStringList{QString()} : asked) {
            const QStringList found = session.resolve(key, options.all);
            if (found.isEmpty()) {
                complain(options.all ? QStringLiteral("no printer found")
                                     : QStringLiteral("no printer matches \"%1\" (see --list)").arg(key));
                QCoreApplication::exit(kExitNoPrinter);
                return;
            }
            if (!options.all && found.size() > 1) {
                complain(QStringLiteral("\"%1\" names %2 printers: give the device key")
                             .arg(key)
                             .arg(found.size()));
                QCoreApplication::exit(kExitUsage);
                return;
            }
            for (const QString& each : found)
                if (!keys.contains(each)) keys << each;
        }
        HeadlessPresenter& presenter = session.presenter();
        const bool on = options.usbSerialOn;
        PrinterTasks::Start start =
            options.command == Options::Command::Update
                ? PrinterTasks::Start([&presenter, all = options.all](const TBPrinters::Printer& printer) {
                      startUpdate(presenter, printer, all);
                  })
                : PrinterTasks::Start([&presenter, on](const TBPrinters::Printer& printer) {
                      startSwitch(presenter, on, printer);
                  });
        tasks = std::make_unique<PrinterTasks>(session, options, keys, start);
        tasks->run();
    });
    int result = QCoreApplication::exec();
    // A replay that parted from its capture proves nothing, whatever the printers seemed to answer.
    if (const auto replay = session.run().replay()) {
        replay->setDivergenceHandler(nullptr);
        const auto divergences = replay->divergences();
        for (const auto& divergence : divergences)
            complain(QStringLiteral("the capture and this run diverged at %1").arg(divergence.text()));
        if (!divergences.empty() && (result == kExitDone || result == kExitNothingToDo)) result = kExitFailed;
    }
    return result;
}

} // namespace cli
