// TBUSBPrinter over the simulated bus: opening and closing, ownership, pipes, transfers, the command
// queue's rules, the interest handler, reset and re-enumeration.
#include "common/testclock.h"
#include "common/testsupport.h"
#include "platform/strings.h"
#include "transport_rig.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <future>

using namespace transporttest;

namespace {

// A printer whose reply is the next `replySize` bytes of the bulk-in pipe.
class ReadingPrinter : public TBUSBPrinter {
public:
    quint32 replySize = 8;
    std::optional<QByteArray> printerReply() override { return interfaceReadDataOfSize(replySize); }
};

// A printer of some family: its information probe writes one frame, and its own operations carry
// its own class name in log lines.
class ProbingPrinter : public TBUSBPrinter {
public:
    std::atomic<int> probes{0};
    std::atomic<bool> probeWritten{false};
    void getDeviceCustomInfo() override {
        probeWritten = writeToInterfaceWithData("PROBE");
        ++probes; // after the write: a test that sees the count sees its outcome
    }

protected:
    const char* className() const override { return "TBUSBPrinterFamily"; }
};

QStringList keysOf(const QSignalSpy& spy) {
    QStringList keys;
    for (const auto& args : spy)
        keys << args.at(0).toString();
    return keys;
}

} // namespace

class TransportPrinterTest : public QObject {
    Q_OBJECT

private slots:
    void initialisationReadsIdentityStringsAndDeviceID() {
        Rig rig;
        auto printer = rig.printer();
        QCOMPARE(printer->vendorID(), quint16(0x0F1E));
        QCOMPARE(printer->keyUSBdevice(), QStringLiteral("0F1E2D3C14200000"));
        QCOMPARE(printer->vendorUSB(), QStringLiteral("ACME Imaging"));
        QCOMPARE(printer->productUSB(), QStringLiteral("Photo P1"));
        QCOMPARE(printer->serialNumberUSB(), QStringLiteral("SN0042"));
        QCOMPARE(printer->raw1284DeviceID(),
                 QStringLiteral("MANUFACTURER:ACME;MODEL:P1;SERN:123;DES:Photo;"));
        QCOMPARE(printer->manufacturer(), QStringLiteral("ACME"));
        QCOMPARE(printer->model(), QStringLiteral("P1"));
        QCOMPARE(printer->deviceInfoValue(QRVX_TBPrinterManufacturer).toString(), QStringLiteral("ACME"));
        QCOMPARE(printer->deviceInfoValue(QRVX_TBPrinterModel).toString(), QStringLiteral("P1"));
        QCOMPARE(printer->description(), QStringLiteral("ACME P1 SN0042"));
        QVERIFY(printer->printerCommandQueue()->label().starts_with("org.printer-tools.printer.0x"));
        QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateInitial));
    }

    void deviceKeyAndIdTexts() {
        auto id = printerIdentity(0xAB);
        id.vendorId = 1;
        id.productId = 2;
        Rig rig(id);
        auto printer = rig.printer();
        QCOMPARE(printer->keyUSBdevice(), QStringLiteral("00010002000000AB"));
        QCOMPARE(printer->idVendor(), QStringLiteral("1"));
        QCOMPARE(printer->idProduct(), QStringLiteral("2"));
        QCOMPARE(printer->idLocation(), QStringLiteral("ab"));

        auto bare = TBUSBPrinter::create();
        QCOMPARE(bare->description(), QStringLiteral("(null) (null) (null)"));
        QCOMPARE(bare->keyUSBdevice().size(), 16);
        // Without an interface object nothing can be opened, written or reset: say so, never "success".
        QCOMPARE(bare->openInterface(), kIOReturnNoDevice);
        QVERIFY(!bare->isInterfaceOpen());
        QVERIFY(!bare->writeToInterfaceWithData("X"));
        QCOMPARE(bare->writeStatus(), kIOReturnNoDevice);
        QVERIFY(!bare->interfaceReadDataOfSize(4).has_value());
        QCOMPARE(bare->resetUSBPrinter(), kIOReturnNoDevice);
    }

    void openingIsIdempotentAndPublishedOnTheMainThread() {
        Rig rig;
        auto printer = rig.printer();
        int attempts = 0;
        const int token = rig.device->addListener([&](sim::DeviceEvent e, std::uint64_t, std::uint64_t) {
            if (e == sim::DeviceEvent::OpenAttempt) ++attempts;
        });
        QSignalSpy spy(printer.get(), &TBUSBPrinter::valueChanged);

        IOReturn first = -1;
        bool completionOnQueue = false;
        printer->openInterface([&](IOReturn r) {
            first = r;
            completionOnQueue = printer->isPrinterCommandQueue();
        });
        settle(*printer);
        QCOMPARE(first, kIOReturnSuccess);
        QVERIFY(completionOnQueue);
        QVERIFY(printer->isInterfaceOpen());
        QCOMPARE(printer->ownership(), qint64(TBUSBPrinter::OwnedHere));
        QVERIFY(keysOf(spy).contains(QStringLiteral("isOwned")));
        QCOMPARE(printer->bulkOUT(), quint8(1));
        QCOMPARE(printer->bulkIN(), quint8(2));

        // Open again: answered from the state alone, the device sees no second attempt.
        QCOMPARE(onQueue(*printer, [&] { return printer->openInterface(); }), kIOReturnSuccess);
        QCOMPARE(attempts, 1);
        rig.device->removeListener(token);

        IOReturn closed = -1;
        printer->closeInterface([&](IOReturn r) { closed = r; });
        settle(*printer);
        QCOMPARE(closed, kIOReturnSuccess);
        QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        QCOMPARE(printer->ownership(), qint64(TBUSBPrinter::NotOwned));
        QCOMPARE(rig.device->claimHolder(), std::uint64_t(0));
    }

    void ownershipSwitch() {
        Rig rig;
        auto printer = rig.printer(true);
        settle(*printer);
        printer->setIsOwned(true);
        QTRY_COMPARE(printer->ownership(), qint64(TBUSBPrinter::OwnedHere));
        QVERIFY(rig.device->claimHolder() != 0);
        // Set again while owned: nothing changes (it must not hand the printer back).
        printer->setIsOwned(true);
        settle(*printer);
        QCOMPARE(printer->ownership(), qint64(TBUSBPrinter::OwnedHere));
        QVERIFY(printer->isInterfaceOpen());
        QVERIFY(rig.device->claimHolder() != 0);
        printer->setIsOwned(false);
        QTRY_COMPARE(printer->ownership(), qint64(TBUSBPrinter::NotOwned));
        settle(*printer);
        QCOMPARE(rig.device->claimHolder(), std::uint64_t(0));
        QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));

        // Asking for a printer another program holds leaves it waiting and says so; once the other
        // program lets go, the printer is ours, as asked.
        rig.device->setHeldByOtherProgram(true);
        printer->setIsOwned(true);
        QTRY_COMPARE(printer->ownership(), qint64(TBUSBPrinter::OwnedElsewhere));
        QCOMPARE(printer->printerStatus(), QStringLiteral("In use by other application"));
        rig.device->setHeldByOtherProgram(false);
        QTRY_COMPARE(printer->ownership(), qint64(TBUSBPrinter::OwnedHere));
        settle(*printer);
        QVERIFY(printer->isInterfaceOpen());
        QVERIFY(rig.device->claimHolder() != 0);
    }

    void openAndCloseChurnEndsConsistent() {
        // The "open" publication runs later on the main thread; closes keep arriving on the queue
        // meanwhile. Whatever the interleaving, a printer published as open must really be open,
        // or every later open would be skipped and each exchange would fail.
        Rig rig;
        auto printer = rig.printer();
        for (int round = 0; round < 200; ++round) {
            printer->openInterface(TBUSBPrinter::Completion{});
            printer->closeInterface(TBUSBPrinter::Completion{});
            if (round % 3 == 0) QCoreApplication::processEvents();
        }
        printer->openInterface(TBUSBPrinter::Completion{});
        settle(*printer);
        QVERIFY(printer->isInterfaceOpen());
        for (int round = 0; round < 200; ++round) {
            printer->closeInterface(TBUSBPrinter::Completion{});
            printer->openInterface(TBUSBPrinter::Completion{});
            QCoreApplication::processEvents();
        }
        settle(*printer);
        if (printer->state() == TBUSBPrinter::StateOpen)
            QCOMPARE(printer->interfaceStatus(), qint32(TBUSBPrinter::InterfaceOpen));
        QCOMPARE(onQueue(*printer, [&] { return printer->openInterface(); }), kIOReturnSuccess);
        settle(*printer);
        QVERIFY(printer->isInterfaceOpen());
    }

    void closingANeverOpenedPrinter() {
        Rig rig;
        auto printer = rig.printer();
        IOReturn result = -1;
        bool onCommandQueue = false;
        printer->closeInterface([&](IOReturn r) {
            result = r;
            onCommandQueue = printer->isPrinterCommandQueue();
        });
        settle(*printer);
        QCOMPARE(result, kIOReturnSuccess);
        QVERIFY(onCommandQueue);
        QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        QCOMPARE(printer->interfaceStatus(), qint32(TBUSBPrinter::InterfaceClosed));
    }

    void exclusiveAccessWaitsThenTheWaitingWorkRunsAndLetsGo() {
        Rig rig;
        auto printer = rig.printer<ProbingPrinter>(true);
        QTRY_COMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed)); // attach probe done
        testsupport::LogCapture log;
        StatusLog statuses(*printer);

        rig.device->setHeldByOtherProgram(true);
        QTRY_COMPARE(printer->status(), QStringLiteral("USB Busy"));
        IOReturn result = -1;
        printer->openInterface([&](IOReturn r) { result = r; });
        settle(*printer);
        QCOMPARE(result, kIOReturnExclusiveAccess);
        QVERIFY(printer->willOpenInterface());
        QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateOpening));
        QCOMPARE(printer->ownership(), qint64(TBUSBPrinter::OwnedElsewhere));
        QVERIFY(printer->isOwned()); // the getter is a boolean: held, if elsewhere
        QCOMPARE(printer->printerStatus(), QStringLiteral("In use by other application"));
        QVERIFY(log.contains(
            QStringLiteral("Another app has the printer USB interface open for exclusive access.")));
        QVERIFY(log.contains(QStringLiteral("The printer is busy.")));
        QCOMPARE(statuses.take(), (QStringList{"USB Busy", "Waiting for USB"}));

        // When the other program lets go, the interface is taken, the probe runs on it, and the
        // printer lets go again: it must not keep everyone else out until this program quits.
        rig.device->setHeldByOtherProgram(false);
        QTRY_COMPARE(printer->probes.load(), 1);
        QVERIFY(printer->probeWritten);
        QCOMPARE(rig.device->bytesWritten(), (std::vector<std::uint8_t>{'P', 'R', 'O', 'B', 'E'}));
        QTRY_COMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        settle(*printer);
        QCOMPARE(rig.device->claimHolder(), std::uint64_t(0));
        QCOMPARE(printer->ownership(), qint64(TBUSBPrinter::NotOwned));
        QVERIFY(!statuses.texts().contains(QStringLiteral("USB Busy")));
        QCOMPARE(statuses.texts().last(), QStringLiteral("USB Available"));

        // A closed notice that comes when nothing waits any more changes nothing but the text.
        usbInterfaceInterestCallback(printer.get(), rig.service(), kIOMessageServiceWasClosed, nullptr);
        settle(*printer);
        QCOMPARE(printer->probes.load(), 1);
    }

    void openNoticeBeforeOrAfterTheOpensOwnPublication_data() {
        QTest::addColumn<bool>("noticeFirst");
        QTest::newRow("notice first") << true;
        QTest::newRow("notice last") << false;
    }
    void openNoticeBeforeOrAfterTheOpensOwnPublication() {
        // The open-attempt notice and the open's own main-thread step may reach the main thread in
        // either order (another program's notices come at any time; a backend may be quick). The
        // printer must end the same: open, published, owned here, "USB Open".
        QFETCH(bool, noticeFirst);
        Rig rig;
        auto printer = rig.printer(true);
        settle(*printer);
        StatusLog statuses(*printer);
        QCOMPARE(onQueue(*printer, [&] { return printer->openInterface(); }), kIOReturnSuccess);
        QVERIFY(printer->didOpenInterface()); // opened on the queue, not yet published
        if (noticeFirst) {
            usbInterfaceInterestCallback(printer.get(), rig.service(), kIOMessageServiceIsAttemptingOpen,
                                         usb::thisProcessNotice());
            QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateOpen));
            QCOMPARE(printer->ownership(), qint64(TBUSBPrinter::OwnedHere));
        }
        settle(*printer); // the publication, then the bus's own notice
        QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateOpen));
        QCOMPARE(printer->interfaceStatus(), qint32(TBUSBPrinter::InterfaceOpen));
        QCOMPARE(printer->ownership(), qint64(TBUSBPrinter::OwnedHere));
        QCOMPARE(printer->status(), QStringLiteral("USB Open"));
        QVERIFY(!statuses.texts().contains(QStringLiteral("Waiting for USB")));
    }

    void anOpenNoticeNeverPublishesAClosedInterfaceAsOpen() {
        // The notice sees an open under way (state 4, interfaceStatus 2) and publishes state 2; a
        // close on the command queue may run at any moment of that. Here it runs while the notice
        // is being handled, at its first announcement. A printer published as open over a
        // closed interface would skip every later open and fail every write with kIOReturnNotOpen.
        Rig rig;
        auto printer = rig.printer(true);
        settle(*printer);
        QCOMPARE(onQueue(*printer, [&] { return printer->openInterface(); }), kIOReturnSuccess);
        QVERIFY(printer->didOpenInterface());
        bool closed = false;
        connect(
            printer.get(), &TBUSBPrinter::valueChanged, this,
            [&](const QString&) {
                if (std::exchange(closed, true)) return;
                printer->closeInterface();
                printer->printerCommandQueue()->waitUntilIdle();
            },
            Qt::DirectConnection);
        usbInterfaceInterestCallback(printer.get(), rig.service(), kIOMessageServiceIsAttemptingOpen,
                                     usb::thisProcessNotice());
        QVERIFY(closed);
        settle(*printer);
        disconnect(printer.get(), &TBUSBPrinter::valueChanged, this, nullptr);
        QCOMPARE(printer->interfaceStatus(), qint32(TBUSBPrinter::InterfaceClosed));
        QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        QCOMPARE(printer->ownership(), qint64(TBUSBPrinter::NotOwned));
        QCOMPARE(onQueue(*printer, [&] { return printer->openInterface(); }), kIOReturnSuccess);
        QVERIFY(onQueue(*printer, [&] { return printer->writeToInterfaceWithData("X"); }));
    }

    void noPermissionIsSaidWithTheFixAndDoesNotWait() {
        testsupport::TestClock clock;
        Rig rig;
        auto printer = rig.printer<ProbingPrinter>();
        StatusLog statuses(*printer);
        testsupport::LogCapture log;
        // The attach probe meets a printer this user may not open.
        rig.device->injectFault({sim::FaultPoint::Claim, sim::FaultKind::NoPermission});
        printer->setDeviceObject(rig.service());
        settle(*printer);
        clock.advance(2000); // no retry comes
        settle(*printer);
        QCOMPARE(statuses.texts(), (QStringList{"No permission: install the udev rule"}));
        QVERIFY(log.contains(QStringLiteral("Cannot open the ACME P1 SN0042: no permission")));
        QVERIFY(log.contains(QStringLiteral("kIOReturnNotPrivileged")));
        QVERIFY(log.contains(QStringLiteral("Install the udev rule (see packaging/README.md)")));
        // No open attempt was announced, nobody waits for anything.
        QVERIFY(!log.contains(QStringLiteral("kIOMessageServiceIsAttemptingOpen")));
        QVERIFY(!printer->willOpenInterface());
        QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        QCOMPARE(printer->ownership(), qint64(TBUSBPrinter::NotOwned));

        // Once the printer may be opened, it opens as usual.
        QCOMPARE(onQueue(*printer, [&] { return printer->openInterface(); }), kIOReturnSuccess);
        settle(*printer);
        QVERIFY(printer->isInterfaceOpen());

        // The operator reads it in their language.
        printer->closeInterface();
        settle(*printer);
        QVERIFY(platform::installTranslations(QLocale(QLocale::German, QLocale::Germany)));
        rig.device->injectFault({sim::FaultPoint::Claim, sim::FaultKind::NoPermission});
        QCOMPARE(onQueue(*printer, [&] { return printer->openInterface(); }), kIOReturnNotPrivileged);
        settle(*printer);
        platform::removeTranslations();
        QCOMPARE(printer->status(), QStringLiteral("Keine Berechtigung: udev-Regel installieren"));
    }

    void getPipesRunsOnTheCommandQueue() {
        Rig rig;
        auto printer = rig.printer();
        std::promise<void> gate;
        printer->printerCommandQueue()->async([opened = gate.get_future().share()] { opened.wait(); });
        printer->getPipes();
        QCOMPARE(printer->bulkIN(), quint8(0)); // not run here, on the main thread
        gate.set_value();
        printer->printerCommandQueue()->waitUntilIdle();
        QCOMPARE(printer->bulkOUT(), quint8(1));
        QCOMPARE(printer->bulkIN(), quint8(2));
    }

    void attachProbeAndInterestNotices() {
        Rig rig;
        auto printer = rig.printer<ProbingPrinter>();
        StatusLog statuses(*printer);
        testsupport::LogCapture log;
        printer->setDeviceObject(rig.service());
        settle(*printer);
        // The attach probe opened and closed; its own open-attempt notice must not read as another
        // program's, not even for a moment.
        QCOMPARE(statuses.take(), (QStringList{"USB Available"}));
        QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        // A base-class operation names the base class, whatever the object's class.
        QVERIFY(log.contains(QStringLiteral("-[TBUSBPrinter setDeviceObject:]")));

        // Another program opens the printer while we do not hold it.
        rig.device->setHeldByOtherProgram(true);
        QTRY_COMPARE(printer->status(), QStringLiteral("USB Busy"));
        rig.device->setHeldByOtherProgram(false);
        QTRY_COMPARE(printer->status(), QStringLiteral("USB Available"));
        QCOMPARE(statuses.take(), (QStringList{"USB Busy", "USB Available"}));

        // A short open and close of our own (as the information probe makes them): the notice
        // comes after the close, and still is not another program's.
        printer->openInterface([&](IOReturn) { printer->closeInterface(); });
        settle(*printer);
        QCOMPARE(statuses.take(), (QStringList{"USB Available"}));

        // Our own open ends as "USB Open".
        printer->openInterface(TBUSBPrinter::Completion{});
        QTRY_COMPARE(printer->status(), QStringLiteral("USB Open"));
        QVERIFY(printer->isInterfaceOpen());
        QCOMPARE(statuses.take(), (QStringList{"USB Open"}));

        // While an update runs, open and close notices leave the text alone; other notices do not.
        printer->setInFirmwareUpdate(true);
        printer->closeInterface();
        settle(*printer);
        QCOMPARE(printer->status(), QStringLiteral("USB Open"));
        usbInterfaceInterestCallback(printer.get(), rig.service(), kIOMessageServiceIsResumed, nullptr);
        QCOMPARE(printer->status(), QStringLiteral("OK"));
    }

    void interestHandlerEdgeCases() {
        Rig rig;
        auto printer = rig.printer();
        // A closed notice with an empty device-info dictionary changes nothing.
        printer->setDeviceInfoDict(std::make_shared<DeviceInfoDictionary>());
        usbInterfaceInterestCallback(printer.get(), rig.service(), kIOMessageServiceWasClosed, nullptr);
        QVERIFY(printer->status().isNull());
        // The attach probe's own open attempt: state 8 becomes 1, the status stays.
        printer->setState(TBUSBPrinter::StateAttachProbed);
        usbInterfaceInterestCallback(printer.get(), rig.service(), kIOMessageServiceIsAttemptingOpen,
                                     nullptr);
        QCOMPARE(printer->state(), qint64(TBUSBPrinter::StateClosed));
        QVERIFY(printer->status().isNull());
        usbInterfaceInterestCallback(printer.get(), rig.service(), kIOMessageServiceBusyStateChange, nullptr);
        QVERIFY(printer->status().isNull());
        usbInterfaceInterestCallback(nullptr, rig.service(), kIOMessageServiceIsTerminated,
                                     nullptr); // no crash
    }

    void laterOfTwoBulkEndpointsWins() {
        auto id = printerIdentity();
        id.endpoints = {{0x81}, {0x02}, {0x83}, {0x84, 0x03 /* interrupt */}, {0x05}};
        Rig rig(id);
        auto printer = rig.printer();
        QCOMPARE(onQueue(*printer, [&] { return printer->openInterface(); }), kIOReturnSuccess);
        QCOMPARE(printer->bulkIN(), quint8(3));
        QCOMPARE(printer->bulkOUT(), quint8(5));
    }

    void readsArePaddedAndFailuresReported() {
        Rig rig;
        auto printer = rig.printer();
        onQueue(*printer, [&] { return printer->openInterface(); });

        rig.processor->addReply(std::string("abc"));
        QVERIFY(onQueue(*printer, [&] { return printer->writeToInterfaceWithData("PING"); }));
        const auto reply = onQueue(*printer, [&] { return printer->interfaceReadDataOfSize(16); });
        QVERIFY(reply.has_value());
        QCOMPARE(reply->size(), 16);
        QCOMPARE(*reply, QByteArray("abc") + QByteArray(13, '\0'));
        QCOMPARE(printer->readStatus(), kIOReturnSuccess);
        QCOMPARE(rig.device->bytesWritten(), (std::vector<std::uint8_t>{'P', 'I', 'N', 'G'}));

        rig.device->injectFault({sim::FaultPoint::BulkIn, sim::FaultKind::Timeout});
        QVERIFY(!onQueue(*printer, [&] { return printer->interfaceReadDataOfSize(8); }).has_value());
        QCOMPARE(printer->readStatus(), kIOReturnTimeout);

        rig.device->injectFault({sim::FaultPoint::BulkOut, sim::FaultKind::Stall});
        QVERIFY(!onQueue(*printer, [&] { return printer->writeToInterfaceWithData("X"); }));
        QCOMPARE(printer->writeStatus(), kIOUSBPipeStalled);

        // Closed: a write is refused rather than reported as sent.
        printer->closeInterface();
        settle(*printer);
        QVERIFY(!onQueue(*printer, [&] { return printer->writeToInterfaceWithData("X"); }));
        QCOMPARE(printer->writeStatus(), kIOReturnNotOpen);
    }

    void unplugDuringAReadFailsItAndKeepsTheDeviceInfo() {
        Rig rig;
        auto printer = rig.printer(true);
        settle(*printer);
        printer->setDeviceInfoValue(QRVX_TBPrinterFirmwareVersion, QStringLiteral("1.23"));
        onQueue(*printer, [&] { return printer->openInterface(); });

        std::optional<QByteArray> reply = QByteArray("untouched");
        QElapsedTimer timer;
        timer.start();
        const int reads = rig.device->bulkInCount();
        printer->printerCommandQueue()->async([&] { reply = printer->interfaceReadDataOfSize(64); });
        QTRY_VERIFY(rig.device->bulkInCount() > reads); // the read waits for an answer
        rig.device->unplug();
        printer->printerCommandQueue()->waitUntilIdle();
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(!reply.has_value());
        QCOMPARE(printer->readStatus(), kIOReturnNoDevice);

        // The terminated notice stores the dictionary under the device key.
        QTRY_COMPARE(TBUSBPrinter::deviceInfoForKey(printer->keyUSBdevice()), printer->deviceInfoDict());
        QCOMPARE(TBUSBPrinter::deviceInfoForKey(printer->keyUSBdevice())
                     ->value(QRVX_TBPrinterFirmwareVersion)
                     .toString(),
                 QStringLiteral("1.23"));
    }

    void anUnplugFaultFailsTheTransferThenTheTerminationFollows() {
        Rig rig;
        auto printer = rig.printer(true);
        settle(*printer);
        onQueue(*printer, [&] { return printer->openInterface(); });
        QStringList order;
        usb::NotificationHandle interest;
        rig.service()->addInterestNotification(
            [&](IOMessage m, void*) {
                if (m == kIOMessageServiceIsTerminated) order << "terminated";
            },
            interest);
        rig.device->injectFault({sim::FaultPoint::BulkOut, sim::FaultKind::Unplug});
        onQueue(*printer, [&] {
            const bool written = printer->writeToInterfaceWithData("X");
            platform::mainqueue::async(
                [&order, written] { order << (written ? "written" : "write failed"); });
        });
        QTRY_COMPARE(order.size(), 2);
        QCOMPARE(order, (QStringList{"write failed", "terminated"}));
        QCOMPARE(printer->writeStatus(), kIOReturnNoDevice);
        QVERIFY(!rig.device->isAttached());
    }

    void replyQueueRules() {
        Rig rig;
        auto printer = rig.printer<ReadingPrinter>();
        onQueue(*printer, [&] { return printer->openInterface(); });
        rig.processor->addReply(std::string("REPLY-01"));
        rig.processor->addReply(std::string("REPLY-02"));

        // Reply queue = the command queue: the reply block runs there, before anything queued later.
        QStringList order;
        std::mutex orderMutex;
        printer->sendPrinterCommand(
            [&] { printer->writeToInterfaceWithData("A"); }, printer->printerCommandQueue(),
            [&](std::optional<QByteArray> r) {
                std::lock_guard lock(orderMutex);
                order << (printer->isPrinterCommandQueue() ? "reply on queue" : "reply elsewhere")
                      << QString::fromLatin1(r.value_or("none"));
            });
        printer->printerCommandQueue()->async([&] {
            std::lock_guard lock(orderMutex);
            order << "next item";
        });
        printer->printerCommandQueue()->waitUntilIdle();
        QCOMPARE(order, (QStringList{"reply on queue", "REPLY-01", "next item"}));

        // No reply queue: the main thread.
        bool onMain = false;
        QByteArray second;
        printer->sendPrinterCommand([&] { printer->writeToInterfaceWithData("B"); }, nullptr,
                                    [&](std::optional<QByteArray> r) {
                                        onMain = platform::mainqueue::isMainThread();
                                        second = r.value_or("none");
                                    });
        QTRY_COMPARE(second, QByteArray("REPLY-02"));
        QVERIFY(onMain);

        // Another queue: there. No reply at all: the block gets nothing.
        platform::SerialQueue other("test.other");
        std::atomic<bool> onOther{false};
        std::atomic<bool> gotNothing{false};
        rig.device->injectFault({sim::FaultPoint::BulkIn, sim::FaultKind::Timeout});
        printer->sendPrinterCommand([&] { printer->writeToInterfaceWithData("C"); }, &other,
                                    [&](std::optional<QByteArray> r) {
                                        onOther = other.isCurrent();
                                        gotNothing = !r.has_value();
                                    });
        printer->printerCommandQueue()->waitUntilIdle();
        other.waitUntilIdle();
        QVERIFY(onOther);
        QVERIFY(gotNothing);

        // The base class reads no reply; a missing command block sends nothing.
        auto base = rig.printer();
        QVERIFY(!onQueue(*base, [&] { return base->printerReply(); }).has_value());
        testsupport::LogCapture log;
        const int writes = rig.device->bulkOutCount();
        printer->sendPrinterCommand({}, nullptr, [](std::optional<QByteArray>) {});
        printer->sendNoReplyPrinterCommand({});
        settle(*printer);
        QVERIFY(log.contains(QStringLiteral("you must supply a commandBlock")));
        QCOMPARE(rig.device->bulkOutCount(), writes);
    }

    void performInlineRunsAtOnceOnlyOnTheQueue() {
        Rig rig;
        auto printer = rig.printer();
        // Hold the queue so that a queued block cannot have run by the time we look.
        std::promise<void> gate;
        printer->printerCommandQueue()->async([opened = gate.get_future().share()] { opened.wait(); });
        std::atomic<bool> ran{false};
        printer->performInlineOnCommandQueue([&] { ran = true; });
        QVERIFY(!ran); // from the main thread it is queued, never run here
        gate.set_value();
        printer->printerCommandQueue()->waitUntilIdle();
        QVERIFY(ran);

        QStringList order;
        onQueue(*printer, [&] {
            printer->performInlineOnCommandQueue([&] { order << "inline"; });
            order << "after";
        });
        QCOMPARE(order, (QStringList{"inline", "after"}));
    }

    void deviceInfoRegistry() {
        const QString key = QStringLiteral("FFFF000100000001");
        auto fresh = TBUSBPrinter::deviceInfoForKey(key);
        QVERIFY(fresh);
        QVERIFY(fresh->isEmpty());
        QCOMPARE(TBUSBPrinter::deviceInfoForKey(key), fresh); // stored, not made again

        TBUSBPrinter::setDeviceInfo(nullptr, key);
        QCOMPARE(TBUSBPrinter::deviceInfoForKey(key), fresh);

        auto mine = std::make_shared<DeviceInfoDictionary>();
        mine->setValue(QStringLiteral("deviceFirmwareStatus"), 2);
        TBUSBPrinter::setDeviceInfo(mine, key);
        QCOMPARE(TBUSBPrinter::deviceInfoForKey(key), mine);
    }

    void deviceInfoChangesAreAnnouncedOnTheMainThread() {
        Rig rig;
        auto printer = rig.printer();
        QSignalSpy spy(printer.get(), &TBUSBPrinter::valueChanged);
        std::atomic<bool> allOnMain{true};
        connect(
            printer.get(), &TBUSBPrinter::valueChanged, this,
            [&](const QString&) { allOnMain = allOnMain && platform::mainqueue::isMainThread(); },
            Qt::DirectConnection);
        onQueue(*printer, [&] {
            printer->setDeviceInfoValue(QRVX_TBPrinterSerialNumber, QStringLiteral("S1"));
            printer->setPrinterStatus(QStringLiteral("Idle"));
        });
        QTRY_VERIFY(keysOf(spy).contains(QRVX_TBPrinterStatus));
        QVERIFY(keysOf(spy).contains(QRVX_TBPrinterSerialNumber));
        QVERIFY(allOnMain);
        QCOMPARE(printer->printerStatus(), QStringLiteral("Idle"));
        QCOMPARE(printer->printerSerialNumber(), QStringLiteral("S1"));
    }

    void softResetRequestFields() {
        auto id = printerIdentity();
        id.interfaceNumber = 3;
        Rig rig(id);
        auto printer = rig.printer();
        rig.device->queueReply({'o', 'l', 'd'});
        QCOMPARE(onQueue(*printer, [&] { return printer->resetUSBPrinter(); }), kIOReturnSuccess);
        QCOMPARE(onQueue(*printer, [&] { return printer->resetUSBPrinter(true); }), kIOReturnSuccess);
        std::vector<sim::SetupPacket> resets;
        for (const auto& s : rig.device->controlLog())
            if (s.bRequest == 2 && !s.isIn()) resets.push_back(s);
        QCOMPARE(resets.size(), std::size_t(2));
        QCOMPARE(resets[0].bmRequestType, std::uint8_t(0x21));
        QCOMPARE(resets[1].bmRequestType, std::uint8_t(0x23));
        for (const auto& s : resets) {
            QCOMPARE(s.wIndex, std::uint16_t(3));
            QCOMPARE(s.wValue, std::uint16_t(0));
            QCOMPARE(s.wLength, std::uint16_t(0));
        }
        QCOMPARE(rig.device->softResetCount(), 2);
        QVERIFY(!rig.device->hasReplyReady()); // the printer dropped what it had queued
    }

    void deviceResetAndReEnumerationFailures() {
        Rig rig;
        auto printer = rig.printer();
        QCOMPARE(onQueue(*printer, [&] { return printer->resetUSBDevice(); }), kIOReturnSuccess);
        QCOMPARE(rig.processor->deviceResets(), 1);

        testsupport::LogCapture log;
        rig.device->injectFault({sim::FaultPoint::DeviceOpen, sim::FaultKind::Error});
        QCOMPARE(onQueue(*printer, [&] { return printer->reEnumerateUSBDevice(); }), kIOReturnError);
        QVERIFY(!log.contains(QStringLiteral("reenumerate")));
        QCOMPARE(rig.device->generation(), std::uint64_t(1));

        auto bare = TBUSBPrinter::create();
        QCOMPARE(bare->resetUSBDevice(), kIOReturnError);
        QCOMPARE(bare->reEnumerateUSBDevice(), kIOReturnError);

        log.clear();
        QCOMPARE(usbInterfaceResetUSBDevice(nullptr), kIOReturnBadArgument);
        QVERIFY(log.lines().isEmpty());
    }

    void hotPlugReEnumeratesToANewArrivalOnTheSamePort() {
        Rig rig;
        std::vector<std::shared_ptr<usb::UsbService>> arrived, terminated;
        usb::NotificationHandle arrivals, removals;
        QCOMPARE(rig.bus->addMatchingNotification(
                     usb::kUSBPrintingClass, usb::kUSBPrintingSubClass, [&](auto s) { arrived.push_back(s); },
                     arrivals),
                 kIOReturnSuccess);
        QCOMPARE(rig.bus->addTerminationNotification(
                     usb::kUSBPrintingClass, usb::kUSBPrintingSubClass,
                     [&](auto s) { terminated.push_back(s); }, removals),
                 kIOReturnSuccess);
        QCOMPARE(arrived.size(), std::size_t(1)); // the printer already present, from within the call

        auto printer = rig.printer(true);
        printer->setDeviceInfoValue(QStringLiteral("deviceFirmwareStatus"), 1);
        auto oldInterface = printer->interfaceInterface();
        testsupport::LogCapture log;
        printer->hotPlug();
        QTRY_COMPARE(arrived.size(), std::size_t(2));
        QCOMPARE(terminated.size(), std::size_t(1));
        QCOMPARE(terminated[0]->registryID(), arrived[0]->registryID());
        QVERIFY(arrived[1]->registryID() != arrived[0]->registryID());
        QVERIFY(log.contains(QStringLiteral("Successfully reenumerated ACME P1 SN0042")));

        // The old objects are dead; the dictionary waits in the registry for the next printer object.
        std::uint16_t vendor = 0;
        QCOMPARE(oldInterface->deviceVendor(vendor), kIOReturnNoDevice);
        QCOMPARE(
            TBUSBPrinter::deviceInfoForKey(printer->keyUSBdevice())->value("deviceFirmwareStatus").toInt(),
            1);
        std::shared_ptr<usb::UsbInterface> fresh;
        QCOMPARE(arrived[1]->createInterface(fresh), kIOReturnSuccess);
        std::uint32_t location = 0;
        QCOMPARE(fresh->locationID(location), kIOReturnSuccess);
        QCOMPARE(location, kLocation);
    }

    void prepareForReleaseLetsGoOfEverything() {
        Rig rig;
        auto printer = rig.printer(true);
        onQueue(*printer, [&] { return printer->openInterface(); });
        QVERIFY(rig.device->claimHolder() != 0);
        printer->prepareForRelease();
        settle(*printer);
        QVERIFY(!printer->interfaceInterface());
        QVERIFY(!printer->deviceObject());
        QCOMPARE(rig.device->claimHolder(), std::uint64_t(0)); // dropping the interface closes it
        // No interest registration is left: another program's open changes nothing any more.
        const QString before = printer->status();
        rig.device->setHeldByOtherProgram(true);
        settle(*printer);
        QCOMPARE(printer->status(), before);
    }

    void theLastReferenceDeletesThePrinterOnTheMainThread() {
        Rig rig;
        auto printer = rig.printer(true);
        QPointer<TBUSBPrinter> watch(printer.get());
        std::atomic<bool> destroyedOnMain{false};
        connect(
            printer.get(), &QObject::destroyed, this,
            [&] { destroyedOnMain = platform::mainqueue::isMainThread(); }, Qt::DirectConnection);
        // Work still queued keeps the object alive after the owner lets go.
        std::atomic<bool> ran{false};
        std::promise<void> gate;
        printer->sendPrinterCommand(
            [&ran, opened = gate.get_future().share()] {
                opened.wait();
                ran = true;
            },
            nullptr, [](std::optional<QByteArray>) {});
        printer.reset();
        QVERIFY(watch);
        gate.set_value();
        QTRY_VERIFY(ran);
        QTRY_VERIFY(!watch);
        QVERIFY(destroyedOnMain);
    }
};

QTEST_GUILESS_MAIN(TransportPrinterTest)
#include "test_printer.moc"
