// Capture files on their own: what is recorded reads back the same (uploads cut to their first bytes
// with length and digest unless kept in full), a capture started late begins at its printer's
// arrival, damaged files are refused with a reason, and the captures kept of the last updates stay
// within their bounds and are found by their attempts and the export for support.
#include "Classes/TBUpdateCaptures.h"
#include "Classes/TBUpdateHistory.h"
#include "platform/usb/capture/capture.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <future>

using usb::capture::Capture;
using usb::capture::Operation;
using usb::capture::Record;

namespace {

constexpr std::uint32_t kPrinter = 0x01100000;
constexpr std::uint32_t kOther = 0x01200000;
constexpr std::uint32_t kLate = 0x01300000;
std::int64_t gClock = 1'700'000'000'000'000'000;

Record make(Operation operation, std::uint32_t location = kPrinter) {
    Record r;
    r.operation = operation;
    r.locationId = location;
    r.startNs = gClock += 1000;
    r.endNs = gClock += 250'000;
    return r;
}

Record arrival(std::uint32_t location) {
    Record r = make(Operation::Arrival, location);
    r.arrival.vendor = 0x1234;
    r.arrival.product = 0x5678;
    r.arrival.release = 0x0141;
    r.arrival.serialNumberIndex = 3;
    r.arrival.interfaceClass = usb::kUSBPrintingClass;
    r.arrival.interfaceSubClass = usb::kUSBPrintingSubClass;
    r.arrival.configurationValue = 1;
    r.arrival.pipes = {{usb::kUSBOut, 1, usb::kUSBBulk, 512, 0}, {usb::kUSBIn, 2, usb::kUSBBulk, 512, 0}};
    r.arrival.className = "IOUSBHostInterface";
    return r;
}

Record bulk(Operation operation, QByteArray data, IOReturn result = kIOReturnSuccess) {
    Record r = make(operation);
    r.endpoint = operation == Operation::BulkIn ? 0x82 : 0x01;
    r.requested = r.length = std::uint32_t(data.size());
    r.data = std::move(data);
    r.result = result;
    return r;
}

QByteArray upload() {
    QByteArray image(100'000, Qt::Uninitialized);
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 7);
    return QByteArray("\x1bPFW_UPDFLASH_PROGRAM      00100000") + image;
}

std::vector<Record> session() {
    std::vector<Record> records{arrival(kPrinter), make(Operation::InterfaceOpen)};
    Record control = make(Operation::Control);
    control.setup = {0xA1, 0, 0, 0, 1024};
    control.requested = 1024;
    control.data = "MFG:Maker;MDL:HVC;";
    control.length = std::uint32_t(control.data.size());
    records.push_back(control);
    records.push_back(bulk(Operation::BulkOut, "\x1bPINFO  STATUS          00000000"));
    records.push_back(bulk(Operation::BulkIn, "00000005"));
    Record timeout = bulk(Operation::BulkIn, {}, kIOReturnTimeout);
    timeout.requested = 8192;
    records.push_back(timeout);
    records.push_back(bulk(Operation::BulkOut, upload()));
    records.push_back(bulk(Operation::BulkOut, "x", kIOUSBCRCErr)); // a result without an errno of its own
    Record restart = make(Operation::ReEnumerate);
    restart.argument = 0x80000020; // all 32 bits kept
    records.push_back(restart);
    records.push_back(make(Operation::Leave));
    return records;
}

std::vector<Record> captured(const QString& path, const Capture::Options& options,
                             const std::vector<Record>& records) {
    QString error;
    auto capture = Capture::start(path, options, &error);
    if (!capture) qFatal("%s", qPrintable(error));
    for (const Record& r : records)
        usb::capture::record(r);
    capture->stop();
    capture->waitUntilWritten();
    auto read = usb::capture::readCapture(path, &error);
    if (!read) qFatal("%s", qPrintable(error));
    return *read;
}

} // namespace

class CaptureFileTest : public QObject {
    Q_OBJECT

private slots:
    void recordsReadBackAsTheyWere_data() {
        QTest::addColumn<bool>("fullUploads");
        QTest::newRow("uploads cut") << false;
        QTest::newRow("uploads kept") << true;
    }
    void recordsReadBackAsTheyWere() {
        QFETCH(bool, fullUploads);
        QTemporaryDir dir;
        const std::vector<Record> sent = session();
        std::vector<Record> mixed = sent;
        mixed.insert(mixed.begin() + 2, arrival(kOther)); // another printer's: not taken
        const auto read = captured(dir.filePath(QStringLiteral("a.pcap")),
                                   {.fullUploads = fullUploads, .location = kPrinter}, mixed);
        QCOMPARE(read.size(), sent.size());
        for (std::size_t i = 0; i < sent.size(); ++i) {
            const Record& a = sent[i];
            const Record& b = read[i];
            const QByteArray at = QByteArray::number(qulonglong(i));
            QVERIFY2(a.operation == b.operation && a.locationId == b.locationId, at);
            QVERIFY2(a.startNs == b.startNs && a.endNs == b.endNs, at);
            QVERIFY2(a.result == b.result && a.length == b.length && a.endpoint == b.endpoint, at);
            QVERIFY2(a.setup == b.setup && a.argument == b.argument, at);
            if (a.operation == Operation::BulkIn || a.operation == Operation::BulkOut)
                QVERIFY2(a.requested == b.requested, at);
            const bool cut = !fullUploads && a.data.size() > qsizetype(usb::capture::kTruncateAbove);
            if (!cut) {
                QVERIFY2(b.data == a.data && b.digest.isEmpty(), at);
                continue;
            }
            QCOMPARE(b.data, a.data.left(usb::capture::kKeptBytes));
            QCOMPARE(b.digest, QCryptographicHash::hash(a.data, QCryptographicHash::Sha256));
        }
        QCOMPARE(read[0].arrival.pipes.size(), std::size_t(2));
        QCOMPARE(read[0].arrival.pipes[1].number, std::uint8_t(2));
        QCOMPARE(read[0].arrival.pipes[1].direction, usb::kUSBIn);
        QCOMPARE(read[0].arrival.product, std::uint16_t(0x5678));
        QCOMPARE(read[0].arrival.className, std::string("IOUSBHostInterface"));
    }

    // A capture started in the middle of a run begins at its printer's arrival, as an update's does.
    void aLateCaptureBeginsAtItsPrintersArrival() {
        QTemporaryDir dir;
        std::vector<Record> before = session();
        for (Record& r : before)
            r.locationId = kLate;
        for (const Record& r : std::vector<Record>(before.begin(), before.end() - 1)) // still on the bus
            usb::capture::record(r);
        Record later = bulk(Operation::BulkOut, "\x1bPINFO  FVER            00000000");
        later.locationId = kLate;
        const auto read = captured(dir.filePath(QStringLiteral("late.pcap")),
                                   {.location = kLate, .withBacklog = true}, {later});
        QCOMPARE(read.size(), before.size()); // everything but the leave, then `later`
        QCOMPARE(read.front().operation, Operation::Arrival);
        QCOMPARE(read.back().data, later.data);
        // Without the backlog, only the printers on the bus, as arrivals.
        const auto plain = captured(dir.filePath(QStringLiteral("plain.pcap")), {.location = kLate}, {});
        QCOMPARE(plain.size(), std::size_t(1));
        QCOMPARE(plain[0].operation, Operation::Arrival);
        usb::capture::record(make(Operation::Leave, kLate));
    }

    void damagedFilesAreRefusedWithAReason_data() {
        QTest::addColumn<int>("keep"); // bytes of a good capture kept; -1: none of it
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QByteArray otherLink = QByteArray::fromHex("d4c3b2a1020004000000000000000000ffff000001000000");
        QTest::newRow("empty") << -1 << QByteArray() << "not a capture";
        QTest::newRow("text") << -1 << QByteArray("hello, this is no capture\n") << "not a capture";
        QTest::newRow("another link type") << -1 << otherLink << "link type 1";
        QTest::newRow("cut in a header") << 24 + 16 + 20 << QByteArray() << "damaged at packet 1";
        QTest::newRow("cut in a packet") << 24 + 16 + 64 + 16 + 40 << QByteArray() << "damaged at packet 2";
        QTest::newRow("a record of nothing")
            << 24 << QByteArray::fromHex("00000000000000001000000010000000") + QByteArray(16, 0)
            << "shorter than a usbmon header";
    }
    void damagedFilesAreRefusedWithAReason() {
        QFETCH(int, keep);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        if (keep >= 0) {
            captured(dir.filePath(QStringLiteral("good.pcap")), {.location = kPrinter}, session());
            QFile good(dir.filePath(QStringLiteral("good.pcap")));
            QVERIFY(good.open(QIODevice::ReadOnly));
            bytes = good.read(keep) + bytes;
        }
        const QString path = dir.filePath(QStringLiteral("bad.pcap"));
        QFile bad(path);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(bytes);
        bad.close();
        QString error;
        QVERIFY(!usb::capture::readCapture(path, &error));
        QVERIFY2(error.startsWith(path + QStringLiteral(": ")) && error.contains(reason), qPrintable(error));
    }

    // The last updates' captures: the oldest go first, each attempt finds its own, and the export for
    // support carries the newest one whole.
    void updateCapturesAreBoundedAndFoundByTheirAttempts() {
        QTemporaryDir dir;
        TBUpdateCaptures::setFolder(dir.filePath(QStringLiteral("captures")));
        usb::capture::record(arrival(kPrinter));
        const QDateTime began = QDateTime::currentDateTimeUtc();
        for (int i = 0; i < TBUpdateCaptures::kKeptCaptures + 2; ++i) {
            std::promise<std::shared_ptr<Capture>> started;
            TBUpdateCaptures::begin(QStringLiteral("K%1").arg(i % 2), kPrinter,
                                    [&](std::shared_ptr<Capture> c) { started.set_value(std::move(c)); });
            auto future = started.get_future();
            QVERIFY(future.wait_for(std::chrono::seconds(10)) == std::future_status::ready);
            const std::shared_ptr<Capture> capture = future.get();
            capture->stop();
            capture->waitUntilWritten();
            QTest::qWait(2); // names carry milliseconds
        }
        usb::capture::record(make(Operation::Leave));
        const QStringList k1 = TBUpdateCaptures::forAttempt(QStringLiteral("K1"), began, {});
        QCOMPARE(k1.size(), TBUpdateCaptures::kKeptCaptures / 2);
        QCOMPARE(QDir(TBUpdateCaptures::folder()).entryList(QDir::Files).size(),
                 TBUpdateCaptures::kKeptCaptures);
        QVERIFY(TBUpdateCaptures::forAttempt(QStringLiteral("K1"), began, began.addSecs(-5)).isEmpty());
        QVERIFY(TBUpdateCaptures::forAttempt(QStringLiteral("K1"), began.addSecs(60), {}).isEmpty());

        TBUpdateHistory::Attempt older;
        older.deviceKey = QStringLiteral("K0");
        older.captures = TBUpdateCaptures::forAttempt(QStringLiteral("K0"), began, {});
        TBUpdateHistory::Attempt newest = older;
        newest.deviceKey = QStringLiteral("K1");
        newest.captures = k1;
        const QByteArray report = TBUpdateHistory::supportReport({newest, older}, {});
        QVERIFY(report.contains(QFileInfo(k1.last()).fileName().toUtf8() + " (pcap, base64"));
        QFile last(k1.last());
        QVERIFY(last.open(QIODevice::ReadOnly));
        const QByteArray encoded = report.mid(report.indexOf("==\n", report.lastIndexOf("\n== ")) + 3);
        QCOMPARE(QByteArray::fromBase64(encoded), last.readAll());
        TBUpdateCaptures::setFolder({});
    }
};

QTEST_GUILESS_MAIN(CaptureFileTest)
#include "test_capture_file.moc"
