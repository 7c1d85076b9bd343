// A capture played back as a bus: a simulated printer's update is captured, then replayed through
// the same printer logic, as it is, with one reply changed and with one request missing.
#include "Classes/Edition.h"
#include "Classes/TBPrinters.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "app/simulation.h"
#include "devicemodel/SimZEVPrinter.h"
#include "platform/dialogs.h"
#include "platform/queue.h"
#include "platform/usb/capture/ReplayBus.h"
#include "platform/usb/capture/capture.h"
#include "simbus/SimBus.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace usb::capture;
using platform::ScriptedAlertPresenter;

namespace {

constexpr qint64 kFirst = platform::kAlertFirstButtonReturn;

// Each run takes a port of its own: what the program keeps about a printer lives as long as the process.
std::uint32_t freshLocation() {
    static std::uint32_t next = 0x02110000;
    return next += 0x1000;
}

struct Outcome {
    QStringList headlines;
    QString message;  // the last alert's informative text
    QString firmware; // the printer's version as listed at the end
};

// The operator's update of the one printer on the current bus: "I Agree", "Update Firmware", and
// whatever the last notice offers.
Outcome updateThePrinter() {
    auto presenter = std::make_shared<ScriptedAlertPresenter>();
    platform::setAlertPresenter(presenter);
    presenter->queueAnswer({kFirst + 1, true});
    presenter->queueAnswer({kFirst + 1, {}});
    presenter->queueAnswer({kFirst, {}});
    Outcome outcome;
    {
        TBPrinters controller;
        controller.awakeFromNib();
        const auto probed = [&] {
            const auto printers = controller.printers();
            return printers.size() == 1 && !printers.first()->firmwareVersion().isEmpty() &&
                   !printers.first()->printerStatus().isEmpty();
        };
        if (QTest::qWaitFor(probed, 5000)) {
            platform::SerialQueue::waitUntilAllIdle(std::chrono::milliseconds(2000));
            QCoreApplication::processEvents();
            controller.printers().first()->updateFirmware();
            // Ended when the notice after the confirmation is out and the printer is listed again.
            (void)QTest::qWaitFor(
                [&] {
                    const auto printers = controller.printers();
                    return presenter->headlines().size() >= 3 &&
                           (printers.isEmpty() || !printers.first()->inFirmwareUpdate());
                },
                10000);
            QTest::qWait(50);
            outcome.headlines = presenter->headlines();
            outcome.message =
                presenter->shown().isEmpty() ? QString() : presenter->shown().last().informativeText;
            if (!controller.printers().isEmpty())
                outcome.firmware = controller.printers().first()->firmwareVersion();
        }
        controller.prepareForTermination();
        platform::SerialQueue::waitUntilAllIdle(std::chrono::milliseconds(5000));
        QCoreApplication::processEvents();
    }
    platform::setAlertPresenter(nullptr);
    return outcome;
}

// A live update of an HVC printer on the simulated bus, captured into `path` when given.
Outcome liveUpdate(const QString& path, bool bootsPreviousFirmware = false) {
    auto simBus = sim::SimBus::create();
    std::shared_ptr<Capture> capture;
    if (!path.isEmpty()) {
        QString error;
        capture = Capture::start(path, {}, &error);
        if (!capture) qWarning("no capture: %s", qPrintable(error));
    }
    usb::setCurrentBus(capturingBus(simBus));
    std::shared_ptr<sim::SimZEVPrinter> commandSet;
    simBus->attach(app::Simulation::makePrinter(sim::SimZEVModel::HVC, freshLocation(), &commandSet));
    commandSet->update([&](sim::SimZEVPrinterState& s) { s.bootsPreviousFirmware = bootsPreviousFirmware; });
    const Outcome outcome = updateThePrinter();
    if (capture) {
        capture->stop();
        capture->waitUntilWritten();
    }
    usb::setCurrentBus(nullptr);
    return outcome;
}

// The capture replayed, on a port of its own.
Outcome replayedUpdate(std::vector<Record> records, std::shared_ptr<ReplayBus>* keep = nullptr) {
    const std::uint32_t location = freshLocation();
    for (Record& r : records)
        r.locationId = location;
    auto bus = ReplayBus::create(std::move(records));
    usb::setCurrentBus(bus);
    const Outcome outcome = updateThePrinter();
    usb::setCurrentBus(nullptr);
    if (keep) *keep = bus;
    return outcome;
}

} // namespace

class ReplayTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::vector<Record> captured_;
    Outcome live_;

private slots:
    void initTestCase() {
        Edition::setCurrent(Edition::printerFlasher());
        live_ = liveUpdate(dir_.filePath("update.pcap"));
        QCOMPARE(live_.headlines.value(2), QStringLiteral("Firmware update was successful!"));
        QString error;
        auto records = readCapture(dir_.filePath("update.pcap"), &error);
        QVERIFY2(records, qPrintable(error));
        captured_ = std::move(*records);
        if (qEnvironmentVariableIsSet("DUMP"))
            for (std::size_t i = 0; i < captured_.size(); ++i)
                qWarning("%zu %s | %s", i + 1, qPrintable(describeRequest(captured_[i])),
                         captured_[i].operation == Operation::BulkIn ? captured_[i].data.left(60).constData()
                                                                     : "");
    }

    // The capture as it is: the same questions, the same outcome, the same version, and nothing
    // asked that the captured run did not ask.
    void replaysTheUpdate() {
        std::shared_ptr<ReplayBus> bus;
        const Outcome replayed = replayedUpdate(captured_, &bus);
        QCOMPARE(replayed.headlines, live_.headlines);
        QCOMPARE(replayed.message, live_.message);
        QCOMPARE(replayed.firmware, QStringLiteral("HVC 01.41"));
        QCOMPARE(bus->divergences().size(), std::size_t(0));
    }

    // The printer comes back from its programming with its old version: the replay ends as the live
    // update with such a printer does.
    void aChangedReplyFailsAsLive() {
        std::vector<Record> records = captured_;
        // The version the printer reports once it is back from the programming (its last restart).
        const auto lastArrival = std::find_if(records.rbegin(), records.rend(), [](const Record& r) {
            return r.operation == Operation::Arrival;
        });
        int changed = 0;
        for (auto it = lastArrival.base(); it != records.end(); ++it) {
            if (it->operation == Operation::BulkIn && it->data.contains("HVC 01.41")) {
                it->data.replace("HVC 01.41", "HVC 01.21");
                ++changed;
            }
        }
        QVERIFY(changed > 0);
        const Outcome live = liveUpdate({}, true);
        QVERIFY(live.headlines.value(2) != live_.headlines.value(2));
        const Outcome replayed = replayedUpdate(records);
        QCOMPARE(replayed.headlines, live.headlines);
        QCOMPARE(replayed.message, live.message);
    }

    // A request the capture lacks: the divergence names the printer, the request and the record, and
    // the run does not wait for the printer.
    void aMissingRequestDiverges() {
        std::vector<Record> records = captured_;
        // A command frame in the middle of the update, right after another command's reply (the
        // capture keeps it whole).
        std::size_t index = records.size() / 2;
        while (index < records.size() &&
               !(records[index].operation == Operation::BulkOut && !records[index].truncated() &&
                 records[index - 1].operation == Operation::BulkIn))
            ++index;
        QVERIFY(index < records.size());
        const Record removed = records[index];
        records.erase(records.begin() + qsizetype(index));
        std::shared_ptr<ReplayBus> bus;
        QElapsedTimer clock;
        clock.start();
        const Outcome replayed = replayedUpdate(records, &bus);
        QVERIFY2(clock.elapsed() < 15000, "the replay waited for a printer that left");
        QVERIFY(replayed.headlines.value(2) != live_.headlines.value(2));
        const auto divergences = bus->divergences();
        QCOMPARE(divergences.size(), std::size_t(1));
        const QString text = divergences.front().text();
        QVERIFY2(text.contains(describeRequest(removed)), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("record %1:").arg(index + 1)), qPrintable(text));
        QVERIFY2(text.contains(
                     QStringLiteral("printer 0x%1").arg(divergences.front().locationId, 8, 16, QChar('0'))),
                 qPrintable(text));
    }

    // Built by hand: the captured time an operation took is kept only when asked, and an operation
    // after the printer's last record is a divergence that takes the printer off the bus.
    void timingAndTheEnd_data() {
        QTest::addColumn<bool>("recordedTiming");
        QTest::newRow("at once") << false;
        QTest::newRow("recorded timing") << true;
    }
    void timingAndTheEnd() {
        QFETCH(bool, recordedTiming);
        const std::uint32_t location = freshLocation();
        Record arrival;
        arrival.operation = Operation::Arrival;
        arrival.locationId = location;
        arrival.arrival.interfaceClass = usb::kUSBPrintingClass;
        arrival.arrival.interfaceSubClass = usb::kUSBPrintingSubClass;
        arrival.arrival.pipes = {{usb::kUSBOut, 1, usb::kUSBBulk, 512, 0},
                                 {usb::kUSBIn, 2, usb::kUSBBulk, 512, 0}};
        Record read;
        read.operation = Operation::BulkIn;
        read.locationId = location;
        read.endpoint = 0x82;
        read.requested = 64;
        read.startNs = 1'000'000'000;
        read.endNs = read.startNs + 300'000'000; // a time-out of 300 ms
        read.result = kIOReturnTimeout;
        auto bus = ReplayBus::create({arrival, read}, {recordedTiming});

        std::shared_ptr<usb::UsbService> service;
        usb::NotificationHandle arrivals, leaves;
        bool left = false;
        bus->addMatchingNotification(
            usb::kUSBPrintingClass, -1, [&](auto s) { service = s; }, arrivals);
        bus->addTerminationNotification(
            usb::kUSBPrintingClass, -1, [&](auto) { left = true; }, leaves);
        QVERIFY(service); // on the bus from the start
        std::shared_ptr<usb::UsbInterface> interface;
        QCOMPARE(service->createInterface(interface), kIOReturnSuccess);
        char buffer[64];
        std::uint32_t size = sizeof buffer;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(interface->readPipe(2, buffer, size, 0, 0), kIOReturnTimeout);
        QCOMPARE(clock.elapsed() >= 300, recordedTiming);
        QVERIFY(clock.elapsed() < 2000);

        size = sizeof buffer;
        QCOMPARE(interface->readPipe(2, buffer, size, 0, 0), kIOReturnNoDevice);
        QTRY_VERIFY(left);
        std::uint8_t count = 0;
        QCOMPARE(interface->numEndpoints(count), kIOReturnNoDevice);
        QCOMPARE(bus->divergences().size(), std::size_t(1));
        QCOMPARE(
            bus->divergences().front().text(),
            QStringLiteral("printer 0x%1, after record 2: this run asked for %2 after the end of the capture")
                .arg(location, 8, 16, QChar('0'))
                .arg(describeRequest(read)));
    }
};

QTEST_MAIN(ReplayTest)
#include "test_replay.moc"
