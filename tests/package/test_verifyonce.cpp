// Each package file is digested once per run and file state, never on the main thread: unchanged
// files keep their answer, a changed file is digested again, and the window's asks for the package
// version check each printer's package once, off the main thread.
#include "../window/simfixture.h"

#include "Classes/Edition.h"
#include "Classes/TBFirmwarePackage.h"
#include "Classes/ZEVModels.h"
#include "base/threadsafety.h"
#include "fakedeviceinfo.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/resources.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const quint16 kHVC = zev::productIDForModel(zev::Model::HVC);

// The log lines that name a digest or a package check, and whether the main thread wrote them.
class CheckLog {
public:
    CheckLog() {
        platform::setLogObserver([this](const QString& text) {
            if (!text.startsWith(QLatin1String("keyed on")) &&
                !text.contains(QLatin1String("verifyFirmwareArchive")))
                return;
            base::MutexLocker lock(mutex_);
            lines_.append({text, platform::mainqueue::isMainThread()});
        });
    }
    ~CheckLog() { platform::setLogObserver(nullptr); }
    // Digests taken since the last take(); false in `offMain` when one ran on the main thread.
    int takeDigests(bool* offMain = nullptr) { return take(QStringLiteral("keyed on"), offMain); }
    int takeChecks(bool* offMain = nullptr) { return take(QStringLiteral("verifyFirmwareArchive"), offMain); }

private:
    int take(const QString& fragment, bool* offMain) {
        base::MutexLocker lock(mutex_);
        int count = 0;
        for (auto it = lines_.begin(); it != lines_.end();) {
            if (!it->first.contains(fragment)) {
                ++it;
                continue;
            }
            ++count;
            if (offMain && it->second) *offMain = false;
            it = lines_.erase(it);
        }
        return count;
    }
    base::Mutex mutex_;
    QList<std::pair<QString, bool>> lines_ GUARDED_BY(mutex_);
};

bool verifyHVC(FakeDeviceInfo& info) {
    return TBFirmwarePackage::verifyFirmwareArchive(kHVC, Edition::printerFlasher(), kPrinterFamilyClassName,
                                                    info);
}

} // namespace

class VerifyOnceTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Edition::setCurrent(Edition::printerFlasher()); }
    void cleanup() {
        platform::resources::setSearchDirectoriesOverride({});
        QCoreApplication::processEvents();
    }

    void unchangedFilesKeepTheirAnswerChangedOnesAreDigestedAgain() {
        // A copy of the sample package, as installed: written a while ago.
        QTemporaryDir package;
        const QDir source(QStringLiteral(PRINTER_TOOLS_SOURCE_DIR "/resources/firmware"));
        const QDateTime installed = QDateTime::currentDateTime().addSecs(-3600);
        for (const QString& name : source.entryList(QDir::Files)) {
            QFile copy(package.filePath(name));
            QVERIFY(QFile::copy(source.filePath(name), copy.fileName()));
            QVERIFY(copy.open(QIODevice::ReadWrite));
            QVERIFY(copy.setFileTime(installed, QFileDevice::FileModificationTime));
        }
        platform::resources::setSearchDirectoriesOverride({package.path()});
        const QStringList names =
            TBFirmwarePackage::catalogueEntry(kHVC, Edition::printerFlasher()).fileNames;

        CheckLog log;
        FakeDeviceInfo first, second;
        QVERIFY(verifyHVC(first));
        QCOMPARE(log.takeDigests(), int(names.size()));
        // Another printer, the update's own read of the package: the answers are known.
        QVERIFY(verifyHVC(second));
        const LoadedFirmwarePackage loaded = TBFirmwarePackage::loadFirmwarePackage(
            kHVC, Edition::printerFlasher(), kPrinterFamilyClassName, second);
        QVERIFY(loaded.usable());
        QCOMPARE(log.takeDigests(), 0);

        // One colour table changes, its size kept: it alone is digested again, and now fails.
        const QString changed = package.filePath(names.last());
        QFile table(changed);
        QVERIFY(table.open(QIODevice::ReadWrite));
        QByteArray bytes = table.readAll();
        bytes[10] = char(bytes[10] ^ 1);
        QVERIFY(table.seek(0) && table.write(bytes) == bytes.size());
        table.close();
        QVERIFY(!verifyHVC(first));
        QCOMPARE(first.value(names.last()), QVariant(false));
        QCOMPARE(log.takeDigests(), 1);
        QVERIFY(!TBFirmwarePackage::loadFirmwarePackage(kHVC, Edition::printerFlasher(),
                                                        kPrinterFamilyClassName, second)
                     .verified);
    }

    // The window asks every printer's package version as it draws its rows (serial-switcher's
    // eight-table model has no package at all): each printer's package is checked once, on its
    // command queue, and two printers of one model share the digests.
    void theWindowsAsksAreAnsweredOffTheMainThread() {
        Edition::setCurrent(Edition::serialSwitcher());
        CheckLog log;
        testsupport::SimFixture f(true);
        const std::uint32_t ports[] = {f.port(1), f.port(2), f.port(3)};
        f.attach(sim::SimZEVModel::HVC, ports[0]);
        f.attach(sim::SimZEVModel::HVC, ports[1]);
        f.attach(sim::SimZEVModel::EightTable, ports[2]);
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(ports[0]) && f.probed(ports[1]) && f.probed(ports[2]));
        for (int ask = 0; ask < 5; ++ask) {
            for (int row = 0; row < f.rows(); ++row)
                f.cell(row, ui::PrinterListModel::PackageFirmwareColumn);
            f.settle();
        }
        for (std::uint32_t port : {ports[0], ports[1]})
            QTRY_COMPARE(f.printerAt(port)->newFirmwareVersion(), QString("HVC 01.21"));
        QCOMPARE(f.printerAt(ports[2])->newFirmwareVersion(), std::nullopt);

        bool offMain = true;
        QCOMPARE(log.takeChecks(&offMain), 3);
        QCOMPARE(log.takeDigests(&offMain), 4);
        QVERIFY(offMain);
    }
};

QTEST_MAIN(VerifyOnceTest)
#include "test_verifyonce.moc"
