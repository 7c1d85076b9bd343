// Discovery over the simulated bus: which interfaces become printers, what is logged for the others,
// how removals are matched, and what a printer coming back on the same port keeps.
#include "../window/simfixture.h"

#include "Classes/Edition.h"
#include "common/testsupport.h"

#include <QtTest>

using namespace testsupport;
using testsupport::LogCapture;

namespace {

std::shared_ptr<sim::SimPrinterDevice> deviceWith(SimFixture& f, sim::SimZEVModel model,
                                                  std::uint32_t location,
                                                  const std::function<void(sim::DeviceIdentity&)>& change) {
    auto device = f.makePrinter(model, location).device;
    sim::DeviceIdentity identity = device->identity();
    change(identity);
    device->setIdentityNow(identity);
    return device;
}

} // namespace

class DiscoveryTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Edition::setCurrent(Edition::printerFlasher()); }

    void printersAlreadyAttachedAreListedAtStart() {
        SimFixture f;
        f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.attach(sim::SimZEVModel::HVC, f.port(2));
        QCOMPARE(f.rows(), 0);
        f.controller->awakeFromNib();
        QTRY_COMPARE(f.rows(), 2);
    }

    void printerByClassButNotBySubclassIsLoggedAndSkipped() {
        LogCapture log;
        SimFixture f;
        f.controller->awakeFromNib();
        f.bus->attach(deviceWith(f, sim::SimZEVModel::HVC, f.port(1),
                                 [](sim::DeviceIdentity& id) { id.interfaceSubClass = 2; }));
        QTRY_VERIFY(log.contains(
            QStringLiteral("Found a device that is a printer by class, but not by subclass; subClass=2\n")));
        f.settle();
        QCOMPARE(f.rows(), 0);
    }

    void unsupportedIdsAreSkippedSilently() {
        LogCapture log;
        SimFixture f;
        f.controller->awakeFromNib();
        // A supported vendor with a product that printer-flasher does not drive.
        f.attach(sim::SimZEVModel::HVQXA, f.port(1));
        // A supported product id under a foreign vendor id.
        f.bus->attach(deviceWith(f, sim::SimZEVModel::HVC, f.port(2),
                                 [](sim::DeviceIdentity& id) { id.vendorId = 0x1234; }));
        // Not a printer at all.
        f.bus->attach(deviceWith(f, sim::SimZEVModel::HVC, f.port(3),
                                 [](sim::DeviceIdentity& id) { id.interfaceClass = 8; }));
        f.settle();
        QCOMPARE(f.rows(), 0);
        QVERIFY(!log.contains(QStringLiteral("Found a device")));
        QVERIFY(!log.contains(QStringLiteral("ERROR")));
        QVERIFY(!log.contains(QStringLiteral("printer command queue")));

        // The same HV-QXA is one of serial-switcher's printers.
        Edition::setCurrent(Edition::serialSwitcher());
        SimFixture g(true);
        g.attach(sim::SimZEVModel::HVQXA, g.port(1));
        g.controller->awakeFromNib();
        QTRY_COMPARE(g.rows(), 1);
        Edition::setCurrent(Edition::printerFlasher());
    }

    void removalIsMatchedByRegistryObject() {
        LogCapture log;
        SimFixture f;
        f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.attach(sim::SimZEVModel::HVC, f.port(2));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)) && f.probed(f.port(2)));

        const QString name = QString::fromUtf8(f.printerAt(f.port(2))->descriptionUTF8());
        f.bus->detach(f.port(2));
        QTRY_COMPARE(f.rows(), 1);
        QVERIFY(
            log.contains(QStringLiteral("a printer object was removed ... checking for matching device")));
        QVERIFY(log.contains(QStringLiteral("removing ") + name));
        QCOMPARE(f.controller->printerAt(0)->locationID(), f.port(1));

        // A termination notice for an interface without a printer object is logged and changes nothing.
        auto stranger = f.makePrinter(sim::SimZEVModel::HVC, f.port(3)).device;
        f.bus->attach(stranger);
        auto service = f.bus->service(f.port(3));
        QVERIFY(service);
        f.controller->prepareForTermination(); // stop listening, keep the service to hand in by hand
        SimFixture g;
        g.controller->removedDeviceObject(service);
        QVERIFY(log.contains(QStringLiteral("failed to match a printer object for device %1")
                                 .arg(QString::number(unsigned(service->registryID()), 16))));
    }

    void quickUnplugNeverLeavesAStaleRow() {
        // A printer pulled while its command queue is still setting it up has not stored its registry
        // object yet; the removal must find it all the same.
        SimFixture f;
        f.controller->awakeFromNib();
        for (int round = 0; round < 20; ++round) {
            const int port = 1 + round % 15;
            f.attach(sim::SimZEVModel::HVC, f.port(port));
            QTRY_COMPARE_WITH_TIMEOUT(f.rows(), 1, 2000);
            f.bus->detach(f.port(port));
            QTRY_COMPARE_WITH_TIMEOUT(f.rows(), 0, 2000);
        }
    }

    void printerComingBackOnItsPortKeepsWhatWasLearned() {
        // serial-switcher: no start-up probe carries the recorded update on before the row is looked at.
        Edition::setCurrent(Edition::serialSwitcher());
        LogCapture log;
        SimFixture f;
        SimPrinter printer = f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_VERIFY(f.probed(f.port(1)));
        const QString key = f.printerAt(f.port(1))->keyUSBdevice();
        f.printerAt(f.port(1))->setDeviceInfoValue(QStringLiteral("deviceFirmwareStatus"), 2);

        // Off the bus and back, as after a firmware restart; the printer now answers nothing but STATUS.
        printer.device->unplug();
        QTRY_COMPARE(f.rows(), 0);
        printer.commandSet->update([](sim::SimZEVPrinterState& s) { s.firmwareUpdateMode = true; });
        printer.device->replug();
        QTRY_COMPARE(f.rows(), 1);
        QVERIFY(log.contains(QStringLiteral("initing device for key %1").arg(key)));

        const auto again = f.printerAt(f.port(1));
        QCOMPARE(again->deviceInfoValue(QStringLiteral("deviceFirmwareStatus")).toInt(), 2);
        QCOMPARE(again->firmwareVersion(), QStringLiteral("HVC 01.21"));
        QTRY_COMPARE(again->manufacturer(), QStringLiteral("ZEV"));
    }

    void aNewPortStartsEmpty() {
        LogCapture log;
        SimFixture f;
        f.attach(sim::SimZEVModel::HVC, f.port(1));
        f.controller->awakeFromNib();
        QTRY_COMPARE(f.rows(), 1);
        QVERIFY(log.contains(QStringLiteral("infoDict here is")));
        QVERIFY(TBUSBPrinter::deviceInfoForKey(f.controller->printerAt(0)->keyUSBdevice()));
    }
};

QTEST_MAIN(DiscoveryTest)
#include "test_discovery.moc"
