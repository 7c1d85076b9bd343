#include "app/startup.h"

#include "Classes/Edition.h"
#include "Classes/TBPrinters.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/TBUpdateCaptures.h"
#include "Classes/TBUpdateHistory.h"
#include "Classes/TBUpdateStateFile.h"
#include "Classes/UpdateSession.h"
#include "app/simulation.h"
#include "base/threadsafety.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/strings.h"
#include "platform/usb/capture/capture.h"
#include "platform/usb/libusb/LibusbBus.h"
#include "simbus/SimBus.h"
#include "support/QRVX_Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <utility>

namespace app {

namespace {
// How long the end of a run waits for the printers' command queues (a USB transfer's time-out is
// at most a few seconds).
constexpr int kQueuesWindDownMs = 10000;
} // namespace

QString defaultLogFile() {
    const QString program = Edition::current().programName();
    return platform::files::stateHome() + QLatin1Char('/') + program + QLatin1Char('/') + program +
           QStringLiteral(".log");
}

bool setUpLogging(const RunSettings& settings, QString* error) {
    // A command prints its own output, questions and progress; the diagnostics only when asked.
    const bool quiet = !settings.diagnosticsOnStandardError;
    if (quiet) platform::setLogToStandardError(false);
    // Without --log-file the log goes to the program's own file in the user's state folder; a run that
    // cannot open that one goes on without it.
    const bool chosen = !settings.logFile.isEmpty();
    const QString logFile = chosen ? settings.logFile : defaultLogFile();
    if (!chosen && !QDir().mkpath(QFileInfo(logFile).absolutePath())) {
        if (quiet) QRVX_Log::setShouldLogToStdErr(false);
        platform::platformLog("no log file: cannot make the folder of %s", qUtf8Printable(logFile));
        return true;
    }
    // What opening the file logs (a roll, a folder made) is kept and goes into the file first.
    struct Early {
        base::Mutex mutex;
        QStringList lines GUARDED_BY(mutex);
    };
    auto early = std::make_shared<Early>();
    platform::setLogCopy([early](const QString& message) {
        base::MutexLocker lock(early->mutex);
        early->lines << message;
    });
    const bool opened = QRVX_Log::setLogFile(logFile);
    platform::setLogCopy(nullptr);
    if (!opened) {
        QFile file(logFile);
        *error =
            file.open(QIODevice::Append) ? QStringLiteral("a log file is already open") : file.errorString();
        if (chosen) return false;
        if (quiet) QRVX_Log::setShouldLogToStdErr(false);
        platform::platformLog("no log file: cannot open %s: %s", qUtf8Printable(logFile),
                              qUtf8Printable(*error));
        error->clear();
        return true;
    }
    // The frame dumps go to the file only; the platform's lines are copied into it.
    QRVX_Log::setShouldLogToStdErr(false);
    const auto copy = [](const QString& message) {
        QRVX_Log::logLevel(0, message.endsWith(QLatin1Char('\n')) ? message.chopped(1) : message);
    };
    QStringList earlyLines;
    {
        base::MutexLocker lock(early->mutex);
        earlyLines.swap(early->lines);
    }
    // What opening the file said (a roll, a folder made) goes into it first, in the order it was said.
    for (const QString& line : std::as_const(earlyLines))
        copy(line);
    // From here on every platform log line is copied into the file as well.
    platform::setLogCopy(copy);
    return true;
}

QString historyPath(const RunSettings& settings) {
    QString path = TBUpdateHistory::defaultPath(Edition::current().programName());
    // Simulated and replayed printers' updates are kept apart from the real ones.
    if (settings.simulate || !settings.replayFrom.isEmpty())
        path.replace(QStringLiteral(".sqlite"), QStringLiteral("-simulated.sqlite"));
    return path;
}

std::shared_ptr<const std::vector<usb::capture::Record>> readReplay(const QString& path, QString* error) {
    auto records = usb::capture::readCapture(path, error);
    if (!records) return nullptr;
    return std::make_shared<const std::vector<usb::capture::Record>>(std::move(*records));
}

namespace {
std::shared_ptr<usb::capture::Capture>& runCapture() {
    static std::shared_ptr<usb::capture::Capture> capture;
    return capture;
}
} // namespace

bool startCapture(const RunSettings& settings, QString* error) {
    if (settings.captureFile.isEmpty()) return true;
    usb::capture::Capture::Options options;
    options.fullUploads = settings.captureFullUploads;
    runCapture() = usb::capture::Capture::start(settings.captureFile, options, error);
    return runCapture() != nullptr;
}

QString stopCapture() {
    auto capture = std::exchange(runCapture(), nullptr);
    if (!capture) return {};
    capture->stop();
    capture->waitUntilWritten();
    return capture->problem();
}

QString openHistory(const RunSettings& settings) {
    TBUpdateCaptures::setFolder(
        TBUpdateCaptures::defaultFolder(Edition::current().programName(), settings.simulate));
    TBUpdateHistory::open(historyPath(settings));
    return TBUpdateHistory::problem();
}

Run::Run(const RunSettings& settings, bool resumeUpdates, QObject* parent)
    : QObject(parent), resumeUpdates_(resumeUpdates) {
    const Edition& edition = Edition::current();
    if (settings.replayRecords) {
        // A replay's printers are the capture's: no record of updates under way is read or written,
        // as with simulated printers that live as long as the run. A replay can be captured in turn.
        replay_ = usb::capture::ReplayBus::create(*settings.replayRecords, {settings.replayTiming});
        usb::setCurrentBus(usb::capture::capturingBus(replay_));
        platform::platformLog("replaying %zu records of %zu printers from %s", settings.replayRecords->size(),
                              replay_->locations().size(), qUtf8Printable(settings.replayFrom));
    } else if (!settings.simulate) {
        usb::setCurrentBus(usb::capture::capturingBus(usb::makeLibusbBus()));
        // printer-flasher reads the record of updates under way in every run, to leave alone the
        // printers another of its instances is updating; only a run that resumes takes updates on.
        if (edition.isPrinterFlasher())
            TBUpdateStateFile::setPath(TBUpdateStateFile::defaultPath(edition.programName()));
        UpdateSession::setCarriesOnRecordedUpdates(resumeUpdates);
    } else {
        simulation_ = new Simulation(settings.simulationPace, this);
        usb::setCurrentBus(usb::capture::capturingBus(simulation_->bus()));
        const auto models = settings.simulatedModels.empty()
                                ? Simulation::startingModels(edition.isSerialSwitcher())
                                : settings.simulatedModels;
        if (settings.simulationStateDirectory.isEmpty()) {
            for (sim::SimZEVModel model : models)
                simulation_->plugIn(model);
        } else {
            // The kept printers come back as they were left; what went wrong with them is said on
            // standard error whatever else the run prints, since the run goes on without it.
            for (const QString& problem :
                 simulation_->keepIn(settings.simulationStateDirectory, models, settings.observeOnly)) {
                platform::platformLog("%s", qUtf8Printable(problem));
                std::fprintf(stderr, "%s: %s\n", qUtf8Printable(edition.programName()),
                             qUtf8Printable(problem));
            }
        }
        // Simulated printers kept between runs keep their updates under way beside them, and a run
        // carries those on as on real printers; otherwise their updates end with the run.
        if (!settings.simulationStateDirectory.isEmpty()) {
            if (edition.isPrinterFlasher()) TBUpdateStateFile::setPath(simulation_->updatesUnderWayFile());
            UpdateSession::setCarriesOnRecordedUpdates(resumeUpdates);
        }
        // Each program lists only the models it drives.
        const auto listed = TBUSBPrinterZEV::supportedProductIDs();
        for (std::uint32_t location : simulation_->locations()) {
            if (listed && listed->count(sim::simZEVModelFacts(simulation_->model(location)).productId) > 0)
                ++listedSimulatedPrinters_;
        }
    }
    controller_ = new TBPrinters(this);
    if (simulation_) simulation_->followWith(controller_);
}

Run::~Run() {
    controller_->prepareForTermination();
    platform::setAlertPresenter(nullptr);
    // The bus and the printers go now, in the order they came, and the run ends only once their
    // command queues have done what was sent to them: a printer's last item (closing its interface,
    // say) must not still run while the program exits under it.
    delete simulation_;
    delete controller_;
    if (!platform::SerialQueue::waitUntilAllIdle(std::chrono::milliseconds(kQueuesWindDownMs)))
        platform::platformLog("the printers' command queues were still busy at exit");
}

void Run::start(std::shared_ptr<platform::AlertPresenter> presenter, platform::ApplicationWindow* window) {
    platform::setAlertPresenter(std::move(presenter));
    if (replay_ && window) {
        replay_->setDivergenceHandler([](const usb::capture::Divergence& divergence) {
            auto alert = std::make_shared<platform::Alert>();
            alert->messageText =
                platform::localized(QT_TRANSLATE_NOOP("TBPrinters", "The capture and this run diverged"));
            alert->informativeText = divergence.text();
            platform::showAlert(alert);
        });
    }
    if (resumeUpdates_) TBUpdateStateFile::loadIntoRegistry();
    controller_->awakeFromNib();
    controller_->applicationDidFinishLaunching(window);
}

} // namespace app
