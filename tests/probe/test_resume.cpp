// An update that outlives the program: the program's side (controller, printer objects, registry) is
// torn down and built again from nothing but the state file while the printers keep their own state,
// and the update finishes. A state file that cannot be trusted is set aside and the operator told.
#include "../window/simfixture.h"

#include "Classes/Edition.h"
#include "Classes/TBUpdateStateFile.h"
#include "Classes/UpdateSession.h"
#include "platform/dialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;
using platform::ScriptedAlertPresenter;

namespace {

constexpr qint64 kFirst = platform::kAlertFirstButtonReturn;
const QString kUnreadable = QStringLiteral("The record of firmware updates under way could not be read");

QByteArray stateFile(const QByteArray& program, const QByteArray& version, const QByteArray& printers) {
    return R"({"kind": "printer-tools updates under way", "version": )" + version + R"(, "program": ")" +
           program + R"(", "printers": )" + printers + "}";
}

} // namespace

class ResumeTest : public QObject {
    Q_OBJECT

    std::shared_ptr<ScriptedAlertPresenter> presenter;
    std::unique_ptr<QTemporaryDir> stateHome;

    QString statePath() const { return stateHome->filePath(QStringLiteral("printer-flasher/updates.json")); }

private slots:
    void init() {
        Edition::setCurrent(Edition::printerFlasher());
        presenter = std::make_shared<ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
        stateHome = std::make_unique<QTemporaryDir>();
        TBUpdateStateFile::setPath(statePath());
    }
    void cleanup() {
        TBUpdateStateFile::setPath({});
        platform::setAlertPresenter(nullptr);
    }

    // The program ends while the printers restart (they are kept off the bus until it has gone) and
    // starts again: each update goes on from its record, the tables are written, the outcome names the
    // version from before the program's end, and the record is gone afterwards.
    void programEndsMidUpdate_data() {
        QTest::addColumn<QString>("cutAfter");
        QTest::addColumn<int>("count");
        QTest::newRow("between the restarts") << "FW_UPDFLASH_REWRITE" << 1;
        QTest::newRow("before the tables") << "FW_UPDFLASH_PROGRAM" << 1;
        QTest::newRow("two printers at once") << "FW_UPDFLASH_REWRITE" << 2;
    }
    void programEndsMidUpdate() {
        QFETCH(QString, cutAfter);
        QFETCH(int, count);
        SimFixture f;
        std::vector<SimPrinter> printers;
        for (int n = 1; n <= count; ++n)
            printers.push_back(f.attach(sim::SimZEVModel::HVC, f.port(n)));
        f.controller->awakeFromNib();
        for (int n = 1; n <= count; ++n)
            QTRY_VERIFY_WITH_TIMEOUT(f.probed(f.port(n)), 10000);

        for (int n = 1; n <= count; ++n) {
            const SimPrinter& printer = printers[std::size_t(n - 1)];
            printer.commandSet->setRestartDelayMs(2000);
            presenter->queueAnswer({kFirst + 1, true}); // "I Agree", "Continue"
            presenter->queueAnswer({kFirst + 1, {}});   // "Update Firmware to HVC 01.41"
            f.printerAt(f.port(n))->updateFirmware();
            // Unplugged before it leaves for its restart, which is then dropped: it stays away.
            QTRY_VERIFY_WITH_TIMEOUT(printer.commandSet->receivedCommands().contains(cutAfter), 10000);
            printer.device->unplug();
            printer.commandSet->setRestartDelayMs(50);
        }
        QVERIFY(QFile::exists(statePath()));

        f.startOver([&] {
            TBUSBPrinter::clearDeviceInfoRegistry();
            UpdateSession::forgetAll();
            TBUpdateStateFile::setPath(statePath());
            QCOMPARE(TBUpdateStateFile::loadIntoRegistry(), count);
        });
        for (int n = 1; n <= count; ++n)
            presenter->queueAnswer({kFirst, {}}); // "Finish"
        f.controller->awakeFromNib();
        for (const SimPrinter& printer : printers)
            printer.device->replug();

        QTRY_COMPARE_WITH_TIMEOUT(
            presenter->headlines().count(QStringLiteral("Firmware update was successful!")), count, 20000);
        QCOMPARE(presenter->headlines().size(), 3 * count);
        QCOMPARE(presenter->shown().last().informativeText,
                 QStringLiteral("Firmware version updated from HVC 01.21 to HVC 01.41"));
        for (const SimPrinter& printer : printers) {
            const sim::SimZEVPrinterState state = printer.commandSet->state();
            QCOMPARE(state.firmwareVersion, QStringLiteral("HVC 01.41"));
            QCOMPARE(state.tablesWritten.size(), 3);
            QVERIFY(!state.firmwareUpdateMode);
        }
        QTRY_VERIFY(!QFile::exists(statePath()));
        QTRY_VERIFY(TBUSBPrinterZEV::updatesUnderWay().isEmpty());
    }

    // Not trusted in part: the file is set aside whole, with its contents kept for a look, the operator
    // is told, nothing of it reaches the registry, and the next update is recorded afresh.
    void untrustedStateFile_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("directory");
        const QByteArray printers = R"({"0000000009F10000": {"deviceFirmwareStatus": 1}})";
        const QByteArray good = stateFile("printer-flasher", "1", printers);
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("truncated") << good.left(good.size() - 5) << false;
        QTest::newRow("not JSON") << QByteArray("\x7f"
                                                "ELF\x02\x01\x01\0\0\0",
                                                10)
                                  << false;
        QTest::newRow("another program") << stateFile("serial-switcher", "1", printers) << false;
        QTest::newRow("unknown version") << stateFile("printer-flasher", "2", printers) << false;
        QTest::newRow("update already over")
            << stateFile("printer-flasher", "1", R"({"0000000009F10000": {"deviceFirmwareStatus": 3}})")
            << false;
        QTest::newRow("status as text")
            << stateFile("printer-flasher", "1", R"({"0000000009F10000": {"deviceFirmwareStatus": "1"}})")
            << false;
        QTest::newRow("not a device key")
            << stateFile("printer-flasher", "1", R"({"../../etc": {"deviceFirmwareStatus": 1}})") << false;
        QTest::newRow("device key and a line break")
            << stateFile("printer-flasher", "1", "{\"0000000009F10000\\n\": {\"deviceFirmwareStatus\": 1}}")
            << false;
        QTest::newRow("unreadable") << QByteArray() << true;
    }
    void untrustedStateFile() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, directory);
        const QString folder = QFileInfo(statePath()).absolutePath();
        QVERIFY(QDir().mkpath(directory ? statePath() : folder));
        if (!directory) {
            QFile file(statePath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        for (const char* key : {"0000000009F10000", "0000000009F20000"})
            TBUSBPrinter::deviceInfoForKey(QLatin1String(key))->remove(deviceFirmwareUpdateState);

        QCOMPARE(TBUpdateStateFile::loadIntoRegistry(), 0);
        QVERIFY(!QFileInfo::exists(statePath()));
        const QStringList aside = QDir(folder).entryList({QStringLiteral("updates.json.damaged-*")},
                                                         QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(aside.size(), 1);
        if (!directory) {
            QFile kept(QDir(folder).filePath(aside.first()));
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), contents);
        }
        QTRY_COMPARE(presenter->headlines(), QStringList{kUnreadable});
        QVERIFY(presenter->shown().first().informativeText.contains(aside.first()));
        QVERIFY(!TBUSBPrinter::deviceInfoForKey(QStringLiteral("0000000009F10000"))
                     ->contains(deviceFirmwareUpdateState));

        TBUpdateStateFile::record(QStringLiteral("0000000009F20000"), {{deviceFirmwareUpdateState, 2}});
        TBUpdateStateFile::setPath(statePath());
        QCOMPARE(TBUpdateStateFile::loadIntoRegistry(), 1);
        TBUpdateStateFile::record(QStringLiteral("0000000009F20000"), {});
        QVERIFY(!QFileInfo::exists(statePath()));
    }
};

QTEST_MAIN(ResumeTest)
#include "test_resume.moc"
