// The transfer time of the realistic pace, on the test clock: several printers' uploads take their
// time side by side (one printer's wait holds no lock another needs), and one unplugged meanwhile
// fails its transfer instead of handing the bytes to a printer that is gone.
#include "common/testclock.h"
#include "devicemodel/SimPrinterDevice.h"

#include <QTest>

#include <future>

class PaceTest : public QObject {
    Q_OBJECT

private slots:
    void uploadsTakeTheirTimeSideBySide() {
        testsupport::TestClock clock;
        constexpr int kMicrosecondsPerKiB = 1000;
        const std::vector<std::uint8_t> piece(64 * 1024, 'x'); // 64 ms at that pace
        std::vector<std::shared_ptr<sim::SimPrinterDevice>> devices;
        std::vector<std::future<sim::Status>> transfers;
        for (std::uint32_t port = 1; port <= 3; ++port) {
            sim::DeviceIdentity identity;
            identity.locationId = 0x01000000 | port << 20;
            auto device = sim::SimPrinterDevice::create(identity, std::make_shared<sim::EchoProcessor>());
            device->setBulkOutPacing(kMicrosecondsPerKiB);
            transfers.push_back(
                std::async(std::launch::async, [device, &piece] { return device->bulkOut(0x01, piece); }));
            devices.push_back(device);
        }
        QTRY_COMPARE(clock.waiting(), 3);
        devices[2]->unplug();
        clock.advance(63);
        bool doneEarly = false;
        for (auto& transfer : transfers)
            doneEarly =
                doneEarly || transfer.wait_for(std::chrono::milliseconds(20)) == std::future_status::ready;
        clock.advance(1); // all three at once: none waited for another
        std::vector<sim::Status> statuses;
        for (auto& transfer : transfers)
            statuses.push_back(transfer.get());

        QVERIFY(!doneEarly);
        QCOMPARE(statuses, (std::vector{sim::Status::Ok, sim::Status::Ok, sim::Status::NoDevice}));
        QVERIFY(devices[0]->hasReplyReady() && devices[1]->hasReplyReady());
        QVERIFY(!devices[2]->hasReplyReady());
    }
};

QTEST_GUILESS_MAIN(PaceTest)
#include "test_pace.moc"
