// Two instances of the program sharing one record of updates under way: this test, and itself
// started again as a second instance that is told what to do line by line on its standard input and
// answers one line each. Each keeps its own updates, leaves the other's alone while it runs, and
// takes them over once it has gone.
#include "Classes/Edition.h"
#include "Classes/TBUSBPrinter.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "Classes/TBUpdateStateFile.h"
#include "Classes/UpdateSession.h"
#include "app/printerrow.h"
#include "platform/dialogs.h"
#include "window/simfixture.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <iostream>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr char kSecondInstance[] = "--second-instance";
constexpr char kZombie[] = "--zombie";
constexpr char kWatching[] = "--watching-instance";
// Read from /proc/<pid>/stat by the first ')', or split at spaces, this name says "zombie".
constexpr char kAwkwardName[] = "x) Z (y";

const QString kHere = QStringLiteral("0000000009F10000");
const QString kThere = QStringLiteral("0000000009F20000");
const QString kTheirs = QStringLiteral("0000000009F20001"); // the first printer next to kThere
const QString kOwner = QStringLiteral("updateOwner");

QVariantMap underWay() {
    return {{deviceFirmwareUpdateState, int(TBUSBPrinterZEV::WaitingForFirmwareUpload)}};
}

// The `n`th printer on the bus of the one on `port`.
QString printer(const QString& port, int n) {
    return port.left(12) + QStringLiteral("%1").arg(n, 4, 16, QLatin1Char('0')).toUpper();
}

void reply(const QString& line) {
    std::cout << line.toStdString() << std::endl;
}

// The second instance: "record KEY N" records an update under way for N printers next to KEY's
// (printer()), "ended KEY" records the end of KEY's, "load" loads the file into the registry, and
// "owned KEY" asks who else owns KEY's.
int secondInstance(int argc, char** argv, const char* path) {
    ::prctl(PR_SET_NAME, kAwkwardName);
    QCoreApplication app(argc, argv);
    Edition::setCurrent(Edition::printerFlasher());
    TBUpdateStateFile::setPath(QString::fromLocal8Bit(path));
    reply(TBUpdateStateFile::ownerToken());
    for (std::string text; std::getline(std::cin, text);) {
        const QStringList words = QString::fromStdString(text).split(QLatin1Char(' '));
        const QString key = words.value(1);
        if (words.first() == QLatin1String("record")) {
            for (int n = 1; n <= words.value(2).toInt(); ++n)
                TBUpdateStateFile::record(printer(key, n), underWay());
            reply(QStringLiteral("recorded"));
        } else if (words.first() == QLatin1String("ended")) {
            TBUpdateStateFile::record(key, {});
            reply(QStringLiteral("ended"));
        } else if (words.first() == QLatin1String("load")) {
            reply(QString::number(TBUpdateStateFile::loadIntoRegistry()));
        } else if (words.first() == QLatin1String("owned")) {
            reply(TBUpdateStateFile::ownedElsewhere(key).value_or(QStringLiteral("-")));
        } else {
            return 2;
        }
    }
    return 0;
}

// Starts a process that ends at once and is not reaped until standard input closes; says its token.
int zombie() {
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) return 1;
    const pid_t pid = ::fork();
    if (pid < 0) return 1;
    if (pid == 0) { // one thread only here: the token is this new process's own
        const QByteArray token = TBUpdateStateFile::ownerToken().toUtf8() + '\n';
        ::_exit(::write(channel[1], token.constData(), std::size_t(token.size())) == token.size() ? 0 : 1);
    }
    ::close(channel[1]);
    std::string token;
    for (char c = 0; ::read(channel[0], &c, 1) == 1 && c != '\n';)
        token += c;
    siginfo_t info{};
    ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
    std::cout << token << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
    }
    ::waitpid(pid, nullptr, 0);
    return 0;
}

// The window of a second instance, started while this one updates the printer on `location`: its
// own simulated printer on that port, as the printer looks between the restarts of the update, in
// its update mode. It reports what it made of the printer once it has watched it for a while, and
// again each time it is told "again".
int watchingInstance(int argc, char** argv, const char* path, const char* location) {
    QApplication app(argc, argv);
    Edition::setCurrent(Edition::printerFlasher());
    TBUpdateStateFile::setPath(QString::fromLocal8Bit(path));
    UpdateSession::setCarriesOnRecordedUpdates(true);
    auto presenter = std::make_shared<platform::ScriptedAlertPresenter>();
    platform::setAlertPresenter(presenter);
    testsupport::SimFixture f;
    TBUpdateStateFile::loadIntoRegistry();
    const std::uint32_t port = QByteArray(location).toUInt(nullptr, 16);
    const testsupport::SimPrinter printer = f.makePrinter(sim::SimZEVModel::HVC, port);
    printer.commandSet->update([](sim::SimZEVPrinterState& s) { s.firmwareUpdateMode = true; });
    auto claims = std::make_shared<std::atomic<int>>(0);
    printer.device->addListener([claims](sim::DeviceEvent event, std::uint64_t, std::uint64_t client) {
        if (event == sim::DeviceEvent::OpenAttempt && client != 0) ++*claims;
    });
    f.bus->attach(printer.device);
    f.controller->awakeFromNib();
    reply(TBUpdateStateFile::ownerToken());
    const auto report = [&] {
        (void)QTest::qWaitFor([&] { return f.printerAt(port) != nullptr; }, 5000);
        QTest::qWait(2500); // a look at the record and one more, while the other process runs on real time
        const auto p = f.printerAt(port);
        const app::PrinterRow row = p ? app::printerRow(*p) : app::PrinterRow{};
        reply(QStringLiteral("status=%1;elsewhere=%2;canStart=%3;frames=%4;claims=%5;alerts=%6")
                  .arg(row.printerStatus)
                  .arg(row.updatingElsewhere)
                  .arg(p && p->updateCanStart())
                  .arg(printer.commandSet->receivedCommands().size())
                  .arg(claims->load())
                  .arg(presenter->headlines().join(QLatin1Char('|'))));
    };
    report();
    for (std::string text; std::getline(std::cin, text);)
        report();
    platform::setAlertPresenter(nullptr);
    return 0;
}

// This test started again, as `arguments` say.
class Instance {
public:
    explicit Instance(const QStringList& arguments) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QCoreApplication::applicationFilePath(), arguments);
        token = readLine();
    }
    ~Instance() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.closeWriteChannel();
        if (!process_.waitForFinished(10000)) kill();
    }

    // Gone before this returns: what the caller does next runs alongside it.
    void send(const QString& command) {
        process_.write(command.toUtf8() + '\n');
        process_.waitForBytesWritten(10000);
    }
    // The next line, while this process's own event loop goes on.
    QString nextLine() {
        (void)QTest::qWaitFor(
            [this] { return process_.canReadLine() || process_.state() == QProcess::NotRunning; }, 30000);
        return QString::fromUtf8(process_.readLine()).trimmed();
    }
    QString readLine() {
        const QDeadlineTimer deadline(30000);
        while (!process_.canReadLine() && process_.state() != QProcess::NotRunning && !deadline.hasExpired())
            process_.waitForReadyRead(int(deadline.remainingTime()));
        return QString::fromUtf8(process_.readLine()).trimmed();
    }
    QString ask(const QString& command) {
        send(command);
        return readLine();
    }
    // SIGKILL, and waited for: nothing of it is left.
    void kill() {
        process_.kill();
        process_.waitForFinished(10000);
    }

    QString token;

private:
    QProcess process_;
};

} // namespace

class OwnersTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> stateHome;
    std::unique_ptr<Instance> running;
    std::unique_ptr<Instance> ended;

    QString statePath() const {
        return stateHome->filePath(QStringLiteral("printer-flasher/updates-under-way.json"));
    }
    std::unique_ptr<Instance> secondInstance() {
        return std::make_unique<Instance>(QStringList{QLatin1String(kSecondInstance), statePath()});
    }
    QByteArray onDisk() const {
        QFile file(statePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    TBUpdateStateFile::Updates updatesOnDisk() const {
        QString why;
        return TBUpdateStateFile::parse(onDisk(), &why).value_or(TBUpdateStateFile::Updates());
    }

private slots:
    // While this instance updates a printer, another one started meanwhile only watches it: its row
    // says so and offers no update, and it sends, claims and asks nothing; once the update is over it
    // looks at the printer as at any other.
    void anotherInstancesUpdateIsOnlyWatched() {
        constexpr qint64 kFirst = platform::kAlertFirstButtonReturn;
        TBUpdateStateFile::setPath(statePath());
        auto presenter = std::make_shared<platform::ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
        {
            testsupport::SimFixture f;
            const std::uint32_t location = f.port(1);
            const testsupport::SimPrinter printer = f.attach(sim::SimZEVModel::HVC, location);
            f.controller->awakeFromNib();
            QTRY_VERIFY_WITH_TIMEOUT(f.probed(location), 10000);
            printer.commandSet->setRestartDelayMs(4000);
            presenter->queueAnswer({kFirst + 1, true}); // "I Agree", "Continue"
            presenter->queueAnswer({kFirst + 1, {}});   // "Update Firmware to HVC 01.41"
            presenter->queueAnswer({kFirst, {}});       // "Finish"
            f.printerAt(location)->updateFirmware();
            QTRY_VERIFY_WITH_TIMEOUT(printer.commandSet->receivedCommands().contains("FW_UPDFLASH_REWRITE"),
                                     10000);

            Instance watcher({QLatin1String(kWatching), statePath(), QString::number(location, 16)});
            QCOMPARE(watcher.nextLine(), QStringLiteral("status=Being updated by another program;elsewhere=1;"
                                                        "canStart=0;frames=0;claims=0;alerts="));
            QTRY_COMPARE_WITH_TIMEOUT(presenter->headlines().size(), 3, 20000);
            QCOMPARE(presenter->headlines().last(), QStringLiteral("Firmware update was successful!"));
            QVERIFY(!QFile::exists(statePath()));
            watcher.send(QStringLiteral("again"));
            const QString after = watcher.nextLine();
            QVERIFY2(after.contains(QLatin1String("elsewhere=0;canStart=1")), qPrintable(after));
        }
        platform::setAlertPresenter(nullptr);
        TBUpdateStateFile::setPath(statePath());
    }

    void initTestCase() {
        Edition::setCurrent(Edition::printerFlasher());
        stateHome = std::make_unique<QTemporaryDir>();
        running = secondInstance();
        ended = std::make_unique<Instance>(QStringList{QLatin1String(kZombie)});
    }
    void cleanupTestCase() {
        running.reset();
        ended.reset();
    }
    void init() {
        stateHome = std::make_unique<QTemporaryDir>();
        TBUpdateStateFile::setPath(statePath());
        TBUSBPrinter::clearDeviceInfoRegistry();
    }
    void cleanup() { TBUpdateStateFile::setPath({}); }

    // Both record updates at the same time, each of many printers of its own, then each says an
    // update ended for the other's printer too: every entry is on disk with its owner, and only an
    // owner's own end drops it.
    void eachKeepsItsOwn() {
        constexpr int kPrinters = 40;
        const std::unique_ptr<Instance> other = secondInstance();
        other->send(QStringLiteral("record %1 %2").arg(kThere).arg(kPrinters));
        for (int n = 1; n <= kPrinters; ++n)
            TBUpdateStateFile::record(printer(kHere, n), underWay());
        QCOMPARE(other->readLine(), QStringLiteral("recorded"));

        const TBUpdateStateFile::Updates updates = updatesOnDisk();
        QCOMPARE(updates.size(), 2 * kPrinters);
        for (int n = 1; n <= kPrinters; ++n) {
            QCOMPARE(updates.value(printer(kHere, n)).value(kOwner).toString(),
                     TBUpdateStateFile::ownerToken());
            QCOMPARE(updates.value(printer(kThere, n)).value(kOwner).toString(), other->token);
        }

        QCOMPARE(other->ask(QStringLiteral("ended %1").arg(printer(kHere, 1))), QStringLiteral("ended"));
        TBUpdateStateFile::record(printer(kThere, 1), {});
        QCOMPARE(updatesOnDisk().size(), 2 * kPrinters);
        QCOMPARE(other->ask(QStringLiteral("ended %1").arg(printer(kThere, 1))), QStringLiteral("ended"));
        QVERIFY(!updatesOnDisk().contains(printer(kThere, 1)));
        TBUpdateStateFile::record(printer(kHere, 1), {});
        QCOMPARE(updatesOnDisk().size(), 2 * kPrinters - 2);
    }

    // While its owner runs, an update is neither loaded here nor dropped from here, and the file is
    // left as it was; the owner is named to whoever asks, except to the owner itself.
    void liveOwnersUpdateIsLeftAlone() {
        const std::unique_ptr<Instance> other = secondInstance();
        QCOMPARE(other->ask(QStringLiteral("record %1 1").arg(kThere)), QStringLiteral("recorded"));
        const QByteArray before = onDisk();

        QCOMPARE(TBUpdateStateFile::loadIntoRegistry(), 0);
        QVERIFY(!TBUSBPrinter::deviceInfoForKey(kTheirs)->contains(deviceFirmwareUpdateState));
        TBUpdateStateFile::record(kTheirs, {});
        QCOMPARE(onDisk(), before);
        QCOMPARE(TBUpdateStateFile::ownedElsewhere(kTheirs), std::optional<QString>(other->token));
        QCOMPARE(TBUpdateStateFile::ownedElsewhere(kHere), std::nullopt);
        QCOMPARE(other->ask(QStringLiteral("owned %1").arg(kTheirs)), QStringLiteral("-"));
    }

    // An update whose owner has gone (or that names none, as files from before owners did) is loaded
    // and becomes this process's in the file, so that an instance started afterwards leaves it alone.
    void goneOwnersUpdateIsTakenOver_data() {
        QTest::addColumn<bool>("named");
        QTest::newRow("owner killed") << true;
        QTest::newRow("no owner named") << false;
    }
    void goneOwnersUpdateIsTakenOver() {
        QFETCH(bool, named);
        if (named) {
            const std::unique_ptr<Instance> owner = secondInstance();
            QCOMPARE(owner->ask(QStringLiteral("record %1 1").arg(kThere)), QStringLiteral("recorded"));
            owner->kill();
            QVERIFY(!TBUpdateStateFile::ownerAlive(owner->token));
        } else {
            QFile file(statePath());
            QVERIFY(QDir().mkpath(QFileInfo(statePath()).absolutePath()) && file.open(QIODevice::WriteOnly));
            file.write(TBUpdateStateFile::serialise({{kTheirs, underWay()}}));
        }
        QCOMPARE(TBUpdateStateFile::ownedElsewhere(kTheirs), std::nullopt);

        QCOMPARE(TBUpdateStateFile::loadIntoRegistry(), 1);
        const QVariantMap loaded = TBUSBPrinter::deviceInfoForKey(kTheirs)->snapshot();
        QCOMPARE(loaded, underWay());
        QCOMPARE(updatesOnDisk()[kTheirs].value(kOwner).toString(), TBUpdateStateFile::ownerToken());
        QCOMPARE(TBUpdateStateFile::ownedElsewhere(kTheirs), std::nullopt);

        const std::unique_ptr<Instance> later = secondInstance();
        QCOMPARE(later->ask(QStringLiteral("load")), QStringLiteral("0"));
        QCOMPARE(later->ask(QStringLiteral("owned %1").arg(kTheirs)), TBUpdateStateFile::ownerToken());
    }

    // Only a running process of this boot, the very one that made the token, is alive; a token is
    // read from the file, so it is never trusted to name a path.
    void ownerAlive_data() {
        QTest::addColumn<QString>("token");
        QTest::addColumn<bool>("alive");
        const QString self = TBUpdateStateFile::ownerToken();
        const QString boot = self.section(QLatin1Char(':'), 0, 0);
        const QString start = self.section(QLatin1Char(':'), 2);
        const QString pid = QString::number(::getpid());
        QTest::newRow("this process") << self << true;
        QTest::newRow("second instance") << running->token << true;
        QTest::newRow("second instance, other start")
            << running->token.section(QLatin1Char(':'), 0, 1) + QStringLiteral(":1") << false;
        QTest::newRow("ended, not yet reaped") << ended->token << false;
        QTest::newRow("another boot")
            << QStringLiteral("0bad0000-0000-4000-8000-000000000000:%1:%2").arg(pid, start) << false;
        QTest::newRow("pid as a name") << QStringLiteral("%1:self:%2").arg(boot, start) << false;
        QTest::newRow("pid as a path") << QStringLiteral("%1:1/../%2:%3").arg(boot, pid, start) << false;
        QTest::newRow("no start time") << QStringLiteral("%1:%2:").arg(boot, pid) << false;
        QTest::newRow("one field more") << self + QStringLiteral(":1") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void ownerAlive() {
        QFETCH(QString, token);
        QFETCH(bool, alive);
        QCOMPARE(TBUpdateStateFile::ownerAlive(token), alive);
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], kSecondInstance) == 0) return secondInstance(argc, argv, argv[2]);
    if (argc == 2 && qstrcmp(argv[1], kZombie) == 0) return zombie();
    if (argc == 4 && qstrcmp(argv[1], kWatching) == 0) return watchingInstance(argc, argv, argv[2], argv[3]);
    QApplication app(argc, argv);
    OwnersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_owners.moc"
