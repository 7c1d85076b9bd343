#include "app/simulation.h"

#include "Classes/TBPrinters.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "devicemodel/SimPrinterDevice.h"
#include "devicemodel/SimZEVPrinter.h"
#include "devicemodel/SimZEVProcessor.h"
#include "devicemodel/SimZEVStateRecord.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "simbus/SimBus.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSaveFile>

#include <limits>

namespace app {

namespace {

// The realistic pace: a restart takes 4 s, the upload about 8 s for the HVC's 1 MiB image, and its
// programming about 40 s, so that a whole update takes about a minute.
constexpr int kRealisticRestartMs = 4000;
constexpr int kRealisticTransferUsPerKiB = 8000;
constexpr int kRealisticProgrammingUsPerKiB = 40000;

// What the folder of kept printers holds.
const QString kListFile = QStringLiteral("printers.json");
const QString kUpdatesUnderWayFile = QStringLiteral("updates-under-way.json");
const QString kListFormat = QStringLiteral("printer-tools simulated printers");
const QString kPrinterFormat = QStringLiteral("printer-tools simulated printer");
const QString kFormat = QStringLiteral("format");
const QString kPrinters = QStringLiteral("printers");
const QString kPort = QStringLiteral("port");
const QString kModel = QStringLiteral("model");
const QString kState = QStringLiteral("state");
const QString kProgramming = QStringLiteral("programming");
const QString kVersion = QStringLiteral("version");
const QString kSize = QStringLiteral("size");
const QString kEndsAt = QStringLiteral("endsAt");
// A kept image whose programming would end further ahead than this is not believed.
constexpr qint64 kLongestProgrammingMs = qint64(24) * 60 * 60 * 1000;

QString nameOf(sim::SimZEVModel model) {
    return QString::fromLatin1(sim::simZEVModelFacts(model).name);
}

QString portFile(int port) {
    return QStringLiteral("port-%1.json").arg(port, 3, 10, QLatin1Char('0'));
}

// Written on the keeper's queue: the file is replaced whole or not at all.
void writeJson(const QString& path, const QJsonObject& object) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(object).toJson()) >= 0 && file.commit())
        return;
    platform::platformLog("cannot keep the simulated printers in %s: %s", qUtf8Printable(path),
                          qUtf8Printable(file.errorString()));
}

// The object in the JSON file at `path`, or nothing: with the reason in `why`, or with `why` empty
// when there is no such file.
std::optional<QJsonObject> readJson(const QString& path, const QString& format, QString* why) {
    QFile file(path);
    if (!file.exists()) return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return std::nullopt;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError) {
        *why = QStringLiteral("not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
        return std::nullopt;
    }
    if (!document.isObject() || document.object().value(kFormat).toString() != format) {
        *why = QStringLiteral("not a file of %1").arg(format);
        return std::nullopt;
    }
    return document.object();
}

// A damaged file is kept for a look, under a name of its own, and the next write starts afresh.
QString setAside(const QString& path) {
    const QString aside = path + QStringLiteral(".damaged");
    QFile::remove(aside);
    return QFile::rename(path, aside) ? aside : QString();
}

// The state in a printer's file for `port`, kept as a printer of `model`, and the image it was
// programming; nothing, with the reason in `why`, when the file does not hold that.
std::optional<std::pair<sim::SimZEVPrinterState, std::optional<sim::SimZEVFlashing>>>
readPrinter(const QJsonObject& record, int port, sim::SimZEVModel model, QString* why) {
    if (record.value(kPort).toInt(0) != port) {
        *why = QStringLiteral("it is not the file of port %1").arg(port);
        return std::nullopt;
    }
    std::optional<sim::SimZEVPrinterState> state =
        sim::simZEVStateFromJson(record.value(kState).toObject(), why);
    if (!state) return std::nullopt;
    if (state->model != model) {
        *why = QStringLiteral("it holds a printer of another model than the list");
        return std::nullopt;
    }
    std::optional<sim::SimZEVFlashing> flashing;
    if (record.contains(kProgramming)) {
        const QJsonObject programming = record.value(kProgramming).toObject();
        const QDateTime endsAt =
            QDateTime::fromString(programming.value(kEndsAt).toString(), Qt::ISODateWithMs);
        const double size = programming.value(kSize).toDouble(-1);
        const qint64 left = endsAt.isValid() ? QDateTime::currentDateTimeUtc().msecsTo(endsAt) : -1;
        if (!programming.value(kVersion).isString() || size < 0 ||
            size > double(std::numeric_limits<int>::max()) || !endsAt.isValid() ||
            left > kLongestProgrammingMs) {
            *why = QStringLiteral("the image it was programming is not valid");
            return std::nullopt;
        }
        flashing = sim::SimZEVFlashing{programming.value(kVersion).toString(), qsizetype(size),
                                       std::chrono::milliseconds(std::max<qint64>(left, 0))};
    }
    return std::pair{*state, flashing};
}

} // namespace

struct Simulation::Slot {
    std::uint32_t location = 0;
    sim::SimZEVModel model = sim::SimZEVModel::Unknown;
    std::shared_ptr<sim::SimPrinterDevice> device;
    std::shared_ptr<sim::SimZEVPrinter> commandSet;
    bool paperEnd = false;
    bool held = false;
};

// A printer as it was kept.
struct Simulation::Kept {
    sim::SimZEVPrinterState state;
    std::optional<sim::SimZEVFlashing> flashing;
};

// Where the printers are kept, and the queue that writes their files, one after the other and off
// the main thread. A printer's file is written from what the printer holds when the write runs, so the
// last write after a change always has the latest state.
struct Simulation::Keeper {
    explicit Keeper(QString folder) : directory(std::move(folder)) {}
    const QString directory;
    platform::SerialQueue writer{"simulated printers kept"};

    QString path(const QString& name) const { return directory + QLatin1Char('/') + name; }
};

int Simulation::portNumber(std::uint32_t locationId) {
    const int bus = int(locationId / kBusStep);
    const int port = int(locationId >> 20 & 0xF);
    const std::uint32_t rest = locationId & (kPortStep - 1);
    if (bus < 1 || bus > kBusCount || port < 1 || port > kPortCount || rest != 0) return 0;
    return (bus - 1) * kPortCount + port;
}

Simulation::Simulation(SimulationPace pace, QObject* parent)
    : QObject(parent), pace_(pace), bus_(sim::SimBus::create()) {
    Q_ASSERT(platform::mainqueue::isMainThread());
}

Simulation::~Simulation() {
    // The printers may outlive the simulation (the host's objects hold them): they stop reporting here.
    for (const auto& s : slots_)
        s->commandSet->setChangeListener(nullptr);
}

QStringList Simulation::keepIn(const QString& directory, const std::vector<sim::SimZEVModel>& models,
                               bool observeOnly) {
    QStringList problems;
    const auto plugInModels = [this, &models] {
        for (sim::SimZEVModel model : models)
            plugIn(model);
    };
    if (!QDir().mkpath(directory)) {
        problems << QStringLiteral("cannot make the folder %1 for the simulated printers: they are not kept")
                        .arg(directory);
        plugInModels();
        return problems;
    }
    keeper_ = std::make_shared<Keeper>(QDir(directory).absolutePath());
    const auto damaged = [&problems](const QString& path, const QString& why, const QString& then) {
        const QString aside = setAside(path);
        problems << QStringLiteral("%1 is damaged (%2)%3; %4")
                        .arg(path, why,
                             aside.isEmpty() ? QString() : QStringLiteral(", set aside as %1").arg(aside),
                             then);
    };

    // The list: ports and models, each port once.
    QString why;
    const QString listPath = keeper_->path(kListFile);
    std::vector<std::pair<int, sim::SimZEVModel>> listed;
    const std::optional<QJsonObject> list = readJson(listPath, kListFormat, &why);
    if (list) {
        std::vector<bool> taken(kPrinterLimit + 1, false);
        const QJsonValue printers = list->value(kPrinters);
        if (!printers.isArray()) why = QStringLiteral("no list of printers");
        for (const QJsonValue& entry : printers.toArray()) {
            const int port = entry[kPort].toInt(0);
            const std::optional<sim::SimZEVModel> model = sim::simZEVModelNamed(entry[kModel].toString());
            if (port < 1 || port > kPrinterLimit || taken[std::size_t(port)] || !entry[kModel].isString() ||
                !model) {
                why = QStringLiteral("printer %1 of the list is not valid").arg(listed.size() + 1);
                break;
            }
            taken[std::size_t(port)] = true;
            listed.emplace_back(port, *model);
        }
    }
    if (!why.isEmpty()) {
        damaged(listPath, why, QStringLiteral("the simulation starts with its first printers"));
        listed.clear();
    }
    if (listed.empty()) {
        plugInModels();
        keepList();
        return problems;
    }

    // Printers that are only looked at are not kept: what they do here is not written back.
    const std::shared_ptr<Keeper> keeper = keeper_;
    if (observeOnly) keeper_.reset();
    for (const auto& [port, model] : listed) {
        const QString path = keeper->path(portFile(port));
        why.clear();
        std::optional<Kept> kept;
        if (const std::optional<QJsonObject> record = readJson(path, kPrinterFormat, &why)) {
            if (const auto read = readPrinter(*record, port, model, &why))
                kept = Kept{read->first, read->second};
        }
        if (!why.isEmpty()) {
            damaged(path, why,
                    QStringLiteral("the %1 printer at port %2 starts from its factory state")
                        .arg(nameOf(model))
                        .arg(port));
            kept.reset();
        }
        plugInAt(locationOf(port - 1), model, false, kept);
    }
    keeper_ = keeper;
    return problems;
}

QString Simulation::updatesUnderWayFile() const {
    return keeper_ ? keeper_->path(kUpdatesUnderWayFile) : QString();
}

std::shared_ptr<sim::SimPrinterDevice>
Simulation::makePrinter(sim::SimZEVModel model, std::uint32_t locationId,
                        std::shared_ptr<sim::SimZEVPrinter>* commandSet) {
    sim::SimZEVDevice made = sim::makeSimZEVDevice(model, locationId);
    // Each port's printer has a serial number of its own, so the rows tell them apart.
    const int port = portNumber(locationId);
    const QString serial = QStringLiteral("%1-%2")
                               .arg(nameOf(model))
                               .arg(port ? port : int(locationId >> 20 & 0xF), 4, 10, QLatin1Char('0'));
    made.printer->update([&](sim::SimZEVPrinterState& state) { state.serialNumber = serial; });
    if (commandSet) *commandSet = made.printer;
    return made.device;
}

std::vector<sim::SimZEVModel> Simulation::startingModels(bool serialSwitcher) {
    using sim::SimZEVModel;
    if (serialSwitcher) return {SimZEVModel::HVQXA, SimZEVModel::HVC, SimZEVModel::EightTable};
    return {SimZEVModel::HVC, SimZEVModel::HVC};
}

Simulation::Slot* Simulation::slot(std::uint32_t locationId) {
    for (auto& s : slots_) {
        if (s->location == locationId) return s.get();
    }
    return nullptr;
}

const Simulation::Slot* Simulation::slot(std::uint32_t locationId) const {
    return const_cast<Simulation*>(this)->slot(locationId);
}

std::uint32_t Simulation::plugIn(sim::SimZEVModel model, bool inUpdateMode) {
    for (int index = 0; index < kPrinterLimit; ++index) {
        const std::uint32_t location = locationOf(index);
        if (!slot(location)) return plugInAt(location, model, inUpdateMode, std::nullopt);
    }
    return 0;
}

std::uint32_t Simulation::plugInAt(std::uint32_t location, sim::SimZEVModel model, bool inUpdateMode,
                                   const std::optional<Kept>& kept) {
    auto s = std::make_unique<Slot>();
    s->location = location;
    s->model = model;
    s->device = makePrinter(model, location, &s->commandSet);
    if (pace_ == SimulationPace::Realistic) {
        s->commandSet->setRestartDelayMs(kRealisticRestartMs);
        s->commandSet->setProgrammingPacing(kRealisticProgrammingUsPerKiB);
        s->device->setBulkOutPacing(kRealisticTransferUsPerKiB);
    }
    if (inUpdateMode) {
        s->commandSet->update([](sim::SimZEVPrinterState& state) {
            state.firmwareUpdateMode = true;
            state.firmwareValid = false;
        });
    }
    // A kept printer that was still programming comes onto the bus once it has finished and
    // restarted; the others are there at once.
    int away = 0;
    if (kept) {
        s->commandSet->restore(kept->state, kept->flashing);
        s->paperEnd = kept->state.statusCode == QLatin1String(sim::kSimZEVStatusPaperEnd);
        if (kept->flashing && kept->flashing->left.count() > 0)
            away = int(std::min<qint64>(kept->flashing->left.count() + s->commandSet->restartDelayMs(),
                                        std::numeric_limits<int>::max()));
    }
    const auto processor = std::dynamic_pointer_cast<sim::SimZEVProcessor>(s->device->processor());
    if (away == 0) {
        if (kept && processor) processor->startedWithState(*s->device);
        if (!bus_->attach(s->device)) return 0;
    } else {
        QPointer<Simulation> self(this);
        std::weak_ptr<sim::SimPrinterDevice> weak = s->device;
        platform::mainqueue::after(away, [self, location, weak, processor] {
            const auto device = weak.lock();
            const Slot* waiting = self ? self->slot(location) : nullptr;
            // Unplugged meanwhile: it stays off the bus.
            if (!device || !waiting || waiting->device != device) return;
            if (processor) processor->startedWithState(*device);
            self->bus_->attach(device);
        });
    }
    slots_.push_back(std::move(s));
    if (keeper_) {
        keep(*slots_.back());
        keepList();
    }
    return location;
}

// From now on each change of the printer's state is written to its port's file, and the first write
// goes now.
void Simulation::keep(const Slot& slot) {
    const std::weak_ptr<Keeper> keeper = keeper_;
    const std::weak_ptr<sim::SimZEVPrinter> printer = slot.commandSet;
    const int port = portNumber(slot.location);
    const auto write = [keeper, printer, port] {
        const auto k = keeper.lock();
        if (!k) return;
        k->writer.async([path = k->path(portFile(port)), printer, port] {
            const auto p = printer.lock();
            if (!p) return;
            const sim::SimZEVPrinter::Snapshot now = p->snapshot();
            QJsonObject record{
                {kFormat, kPrinterFormat}, {kPort, port}, {kState, sim::simZEVStateToJson(now.state)}};
            // The printer goes on programming while no program watches it: the end is a moment in time.
            if (now.flashing)
                record.insert(kProgramming, QJsonObject{{kVersion, now.flashing->version},
                                                        {kSize, qint64(now.flashing->size)},
                                                        {kEndsAt, QDateTime::currentDateTimeUtc()
                                                                      .addMSecs(now.flashing->left.count())
                                                                      .toString(Qt::ISODateWithMs)}});
            writeJson(path, record);
        });
    };
    slot.commandSet->setChangeListener(write);
    write();
}

void Simulation::keepList() {
    QJsonArray printers;
    for (const auto& s : slots_)
        printers.append(QJsonObject{{kPort, portNumber(s->location)}, {kModel, nameOf(s->model)}});
    keeper_->writer.async([path = keeper_->path(kListFile), printers] {
        writeJson(path, QJsonObject{{kFormat, kListFormat}, {kPrinters, printers}});
    });
}

void Simulation::unplug(std::uint32_t locationId) {
    for (auto it = slots_.begin(); it != slots_.end(); ++it) {
        if ((*it)->location != locationId) continue;
        (*it)->commandSet->setChangeListener(nullptr);
        bus_->detach(locationId);
        slots_.erase(it);
        if (keeper_) {
            keeper_->writer.async(
                [path = keeper_->path(portFile(portNumber(locationId)))] { QFile::remove(path); });
            keepList();
        }
        return;
    }
}

void Simulation::powerCycle(std::uint32_t locationId) {
    if (Slot* s = slot(locationId)) s->device->powerCycle();
}

void Simulation::setPaperEnd(std::uint32_t locationId, bool on) {
    Slot* s = slot(locationId);
    if (!s || s->paperEnd == on) return;
    s->paperEnd = on;
    s->commandSet->update([on](sim::SimZEVPrinterState& state) {
        state.statusCode = QString::fromLatin1(on ? sim::kSimZEVStatusPaperEnd : sim::kSimZEVStatusIdle);
    });
    emit printerStateChanged(locationId);
}

bool Simulation::isPaperEnd(std::uint32_t locationId) const {
    const Slot* s = slot(locationId);
    return s && s->paperEnd;
}

void Simulation::setHeldByOtherProgram(std::uint32_t locationId, bool held) {
    Slot* s = slot(locationId);
    if (!s || s->held == held) return;
    s->held = held;
    s->device->setHeldByOtherProgram(held);
}

bool Simulation::isHeldByOtherProgram(std::uint32_t locationId) const {
    const Slot* s = slot(locationId);
    return s && s->held;
}

std::vector<std::uint32_t> Simulation::locations() const {
    std::vector<std::uint32_t> result;
    for (const auto& s : slots_)
        result.push_back(s->location);
    return result;
}

sim::SimZEVModel Simulation::model(std::uint32_t locationId) const {
    const Slot* s = slot(locationId);
    return s ? s->model : sim::SimZEVModel::Unknown;
}

QString Simulation::describe(std::uint32_t locationId) const {
    const Slot* s = slot(locationId);
    if (!s) return {};
    return QCoreApplication::translate("TBPrinters", "%1 at port %2")
        .arg(nameOf(s->model))
        .arg(portNumber(locationId));
}

void Simulation::followWith(TBPrinters* controller) {
    QPointer<TBPrinters> target(controller);
    connect(this, &Simulation::printerStateChanged, controller, [target](std::uint32_t location) {
        if (!target) return;
        for (const auto& printer : target->printers()) {
            if (printer->locationID() == location) printer->updateInfo();
        }
    });
}

} // namespace app
