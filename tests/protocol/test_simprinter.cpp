// The simulated printers' command set: frames in, reply records and restarts out, state read back.
#include "Classes/ZEVProtocol.h"
#include "devicemodel/SimZEVPrinter.h"
#include "devicemodel/SimZEVProcessor.h"

#include "common/testclock.h"

#include <QFile>
#include <QTest>

using namespace sim;
using Model = sim::SimZEVModel;

namespace {

QByteArray frame(std::uint32_t code, const QByteArray& payload = QByteArray()) {
    return zev::buildFrame(code, payload, nullptr).bytes;
}

// The reply text the host would make of the printer's single answer to `code`.
QString ask(SimZEVPrinter& printer, std::uint32_t code, const QByteArray& payload = QByteArray()) {
    const auto outputs = printer.receive(frame(code, payload));
    if (outputs.empty() || outputs[0].reply.isEmpty()) return QStringLiteral("<none>");
    QByteArray stream = outputs[0].reply;
    const auto reply = zev::readReply(
        [&](zev::ReplyReadStage, char* buffer, std::uint32_t& size) {
            size = std::min<std::uint32_t>(size, std::uint32_t(stream.size()));
            std::memcpy(buffer, stream.constData(), size);
            stream.remove(0, size);
            return kIOReturnSuccess;
        },
        nullptr);
    return zev::replyText(reply);
}

// One S-record line: type, count, address and data, checksum.
QByteArray srec(char type, const QByteArray& addressAndData) {
    const QByteArray counted = char(addressAndData.size() + 1) + addressAndData;
    quint8 sum = 0;
    for (char c : counted)
        sum += quint8(c);
    return 'S' + QByteArray(1, type) + (counted + char(~sum)).toHex().toUpper() + "\r\n";
}

// A small image: header naming `version`, one data record, termination.
QByteArray image(const QByteArray& version) {
    return srec('0', QByteArray(2, '\0') + version) + srec('3', QByteArray::fromHex("0002000000040200")) +
           srec('7', QByteArray::fromHex("00020000"));
}

// A printer on the bus, and one command exchanged with it as a host would: claim, write, read, release.
// Its restarts and programming take time on the test's clock.
struct BusPrinter {
    testsupport::TestClock clock;
    SimZEVDevice zev = makeSimZEVDevice(Model::HVC, 0x14200000);
    SimPrinterDevice& device = *zev.device;

    BusPrinter() { zev.printer->setRestartDelayMs(0); }
    QByteArray exchange(std::uint32_t code, const QByteArray& payload = QByteArray()) {
        const std::uint64_t client = SimPrinterDevice::newClientId();
        device.claim(client);
        const QByteArray bytes = frame(code, payload);
        device.bulkOut(0x01, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        std::vector<std::uint8_t> in;
        device.bulkIn(0x81, in, 64, 0); // the clock stands still: an answer is there at once, or never
        device.release(client);
        return QByteArray(reinterpret_cast<const char*>(in.data()), qsizetype(in.size()));
    }
    // FLASH_REWRITE, and the restart into update mode.
    void enterUpdateMode() {
        const std::uint64_t before = device.generation();
        exchange(zev::kCommandFlashRewrite);
        clock.advance(0);
        QVERIFY(device.generation() > before && device.isAttached());
    }
};

const std::vector<std::uint8_t> kUnnamedDeviceId = {0x00, 0x02};

} // namespace

class SimPrinterTest : public QObject {
    Q_OBJECT
private slots:
    void parserSplitsAndResynchronises() {
        SimZEVFrameParser parser;
        const QByteArray a = frame(zev::kCommandStatus);
        const QByteArray b = frame(zev::kCommandCWD610Version, "0003");
        // Garbage before, a frame split across writes, two frames in one write.
        QVERIFY(parser.feed("xx" + a.left(10)).empty());
        auto frames = parser.feed(a.mid(10) + b + a.left(1));
        QCOMPARE(frames.size(), 2u);
        QCOMPARE(frames[0].words(), QStringLiteral("STATUS"));
        QCOMPARE(frames[1].words(), QStringLiteral("TBL_RDCWD610_Version"));
        QCOMPARE(frames[1].payload, QByteArray("0003"));
        QCOMPARE(frames[1].lengthField, QByteArray("00000004"));
        QCOMPARE(parser.discardedBytes(), 2);
        QCOMPARE(parser.feed(a.mid(1)).size(), 1u);
        // A header announcing more than the printer takes is dropped, not buffered.
        QByteArray huge = frame(zev::kCommandFlashProgram, "x");
        huge.replace(24, 8, "99999999");
        QVERIFY(parser.feed(huge + a).size() == 1u);
    }

    // The printer's own facts, pinned by literals: what each model answers, whatever a host believes.
    void whatEachModelAnswers_data() {
        QTest::addColumn<Model>("model");
        QTest::addColumn<QString>("firmware"); // empty: as it leaves the factory
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("answer");
        const QByteArray none;
        QTest::newRow("QXA 02.03 has no switch")
            << Model::HVQXA << "HV-QXA 02.03" << int(zev::kCommandUSBISerialRead) << none << "<none>";
        QTest::newRow("QXA 02.04 has it")
            << Model::HVQXA << "" << int(zev::kCommandUSBISerialRead) << none << "00";
        QTest::newRow("HVA never") << Model::HVA << "" << int(zev::kCommandUSBISerialRead) << none
                                   << "<none>";
        QTest::newRow("HVC always") << Model::HVC << "HVC 00.01" << int(zev::kCommandUSBISerialRead) << none
                                    << "00";
        QTest::newRow("HVA one table")
            << Model::HVA << "" << int(zev::kCommandColorTableVersion) << none << "0130";
        QTest::newRow("HVA one checksum")
            << Model::HVA << "" << int(zev::kCommandColorTableChecksum) << none << "5A1C";
        QTest::newRow("HVC no single table")
            << Model::HVC << "" << int(zev::kCommandColorTableVersion) << none << "<none>";
        QTest::newRow("HVC slot 610")
            << Model::HVC << "" << int(zev::kCommandCWD610Version) << none << "0100";
        QTest::newRow("HVC no slot 620")
            << Model::HVC << "" << int(zev::kCommandCWD620Version) << none << "<none>";
        QTest::newRow("eight SD 620")
            << Model::EightTable << "" << int(zev::kCommandCWD620Version) << QByteArray("0001") << "0100";
        QTest::newRow("eight HD 620")
            << Model::EightTable << "" << int(zev::kCommandCWD620Checksum) << QByteArray("0003") << "2000";
        QTest::newRow("eight needs media")
            << Model::EightTable << "" << int(zev::kCommandCWD620Version) << none << "<none>";
        QTest::newRow("unknown no table")
            << Model::Unknown << "" << int(zev::kCommandColorTableVersion) << none << "<none>";
    }
    void whatEachModelAnswers() {
        QFETCH(Model, model);
        QFETCH(QString, firmware);
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(QString, answer);
        SimZEVPrinter printer(model);
        if (!firmware.isEmpty()) printer.update([&](SimZEVPrinterState& s) { s.firmwareVersion = firmware; });
        QCOMPARE(ask(printer, std::uint32_t(code), payload), answer);
    }

    void updateModeAndRestarts() {
        SimZEVPrinter printer(Model::HVC);
        printer.setRestartDelayMs(7);
        auto out = printer.receive(frame(zev::kCommandFlashRewrite));
        QCOMPARE(out.size(), 1u);
        QVERIFY(out[0].restart && out[0].reply.isEmpty());
        QCOMPARE(out[0].restartDelayMs, 7);
        // Update mode: STATUS only.
        QCOMPARE(ask(printer, zev::kCommandStatus), QStringLiteral("FU00001"));
        QCOMPARE(ask(printer, zev::kCommandFirmwareVersion), QStringLiteral("<none>"));
        printer.powerCycle();
        QVERIFY(printer.state().firmwareUpdateMode); // nothing programmed yet

        // An image without a header is refused.
        QVERIFY(printer.receive(frame(zev::kCommandFlashProgram, "S3050000000000FA\n")).empty());
        const QByteArray header = "S00C00004856432030312E3431FE\r\nS9030000FC\r\n";
        QCOMPARE(firmwareVersionFromImage(header), QStringLiteral("HVC 01.41"));
        out = printer.receive(frame(zev::kCommandFlashProgram, header));
        QCOMPARE(out.size(), 1u);
        QVERIFY(out[0].restart);
        const auto s = printer.state();
        QVERIFY(!s.firmwareUpdateMode);
        QCOMPARE(s.firmwareVersion, QStringLiteral("HVC 01.41"));
        QCOMPARE(s.restarts, 2);
    }

    void anUpdateRestartsTheDeviceOnTheBus() {
        // Through the USB-level device: FLASH_REWRITE re-enumerates into update mode, FLASH_PROGRAM
        // back with the image's version; a power cycle applies the serial-number switch.
        BusPrinter bus;
        SimPrinterDevice& device = bus.device;
        const std::vector<std::uint8_t> namedId = device.deviceIdReply();
        bus.enterUpdateMode();
        QCOMPARE(bus.exchange(zev::kCommandStatus), QByteArray("00000008FU00001\r"));
        // The update firmware answers nothing else, changes nothing, and does not name itself.
        QCOMPARE(bus.exchange(zev::kCommandFirmwareVersion), QByteArray());
        QCOMPARE(bus.exchange(zev::kCommandCounterA), QByteArray());
        QCOMPARE(bus.exchange(zev::kCommandCWD600Version), QByteArray());
        bus.exchange(zev::kCommandColorTableClear);
        QCOMPARE(bus.zev.printer->state().colorTables.value("600").version, QStringLiteral("0100"));
        QCOMPARE(device.deviceIdReply(), kUnnamedDeviceId);
        QCOMPARE(device.identity().manufacturer, std::u16string(u"ZEV"));
        device.powerCycle();
        QCOMPARE(device.deviceIdReply(), kUnnamedDeviceId); // still the update firmware

        const std::uint64_t updating = device.generation();
        bus.exchange(zev::kCommandFlashProgram, image("HVC 01.41"));
        bus.clock.advance(0);
        QVERIFY(device.generation() > updating && device.isAttached());
        QCOMPARE(bus.exchange(zev::kCommandFirmwareVersion), QByteArray("00000010HVC 01.41\r"));
        QCOMPARE(device.deviceIdReply(), namedId);
        bus.clock.advance(50);
        QCOMPARE(device.generation(), updating + 1); // one restart

        bus.exchange(zev::kCommandUSBISerialWrite, zev::usbISerialPayload(true));
        QVERIFY(!device.identity().reportsSerialNumber);
        device.powerCycle();
        QVERIFY(device.identity().reportsSerialNumber);
    }

    // What the update firmware takes: S-records with a header naming a version, nothing else.
    void imagesTheUpdateFirmwareTakes_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("version"); // empty: refused
        const QByteArray good = image("HVC 01.41");
        QByteArray badChecksum = good;
        badChecksum[badChecksum.indexOf("\r\nS3") - 1] ^= 1;
        QTest::newRow("good") << good << "HVC 01.41";
        QTest::newRow("header as the sample package writes it")
            << QByteArray("S00C00004856432030312E3431FE\r\nS70500020000F8\r\n") << "HVC 01.41";
        QTest::newRow("LF, lower-case hex, NUL padding")
            << QByteArray(good).replace("\r\n", "\n").toLower().replace('s', 'S') + QByteArray(3, '\0')
            << "HVC 01.41";
        QTest::newRow("bad checksum") << badChecksum << "";
        QTest::newRow("count does not match") << QByteArray(good).insert(good.indexOf("\r\nS3"), "00") << "";
        QTest::newRow("garbage") << QByteArray("#!/bin/sh\necho not an image\n") << "";
        QTest::newRow("no header") << good.mid(good.indexOf("S3")) << "";
        QTest::newRow("header without version")
            << srec('0', QByteArray(2, '\0')) + good.mid(good.indexOf("S3")) << "";
        QTest::newRow("header not first") << good.mid(good.indexOf("S3")) + good << "";
        QTest::newRow("records after a NUL") << good.left(10) + '\0' + good.mid(10) << "";
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("padding only") << QByteArray(4, '\0') << "";
    }
    void imagesTheUpdateFirmwareTakes() {
        QFETCH(QByteArray, image);
        QFETCH(QString, version);
        SimZEVPrinter printer(Model::HVC);
        printer.receive(frame(zev::kCommandFlashRewrite));
        const auto out = printer.receive(frame(zev::kCommandFlashProgram, image));
        const auto s = printer.state();
        QCOMPARE(!out.empty() && out[0].restart, !version.isEmpty());
        QCOMPARE(s.firmwareUpdateMode, version.isEmpty());
        QCOMPARE(s.refusedImages, version.isEmpty() ? 1 : 0);
        QCOMPARE(s.firmwareVersion, version.isEmpty() ? QStringLiteral("HVC 01.21") : version);
    }

    void theSamplePackageImagesAreTaken() {
        const QString folder = qEnvironmentVariable("PRINTER_TOOLS_RESOURCES");
        if (folder.isEmpty()) QSKIP("PRINTER_TOOLS_RESOURCES is not set");
        QFile file(folder + QStringLiteral("/firmware/HVC 01.41.fw"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray sample = file.readAll();
        QVERIFY(isProgrammableImage(sample));
        QCOMPARE(firmwareVersionFromImage(sample), QStringLiteral("HVC 01.41"));
    }

    // Programming takes its time, answers nothing meanwhile, and only a finished image counts: power
    // lost or the cable pulled before then bring the printer back in update mode, for good.
    void programmingAndPowerLoss_data() {
        QTest::addColumn<QString>("interruption");
        QTest::newRow("none") << "";
        QTest::newRow("power cycle") << "power cycle";
        QTest::newRow("unplug") << "unplug";
    }
    void programmingAndPowerLoss() {
        QFETCH(QString, interruption);
        constexpr qint64 kProgrammingMs = 600;
        BusPrinter bus;
        SimPrinterDevice& device = bus.device;
        const std::vector<std::uint8_t> namedId = device.deviceIdReply();
        bus.enterUpdateMode();
        const QByteArray update = image("HVC 01.41");
        bus.zev.printer->setProgrammingPacing(int(kProgrammingMs * 1000 * 1024 / update.size()));

        const std::uint64_t updating = device.generation();
        bus.exchange(zev::kCommandFlashProgram, update);
        QVERIFY(bus.zev.printer->isProgramming());
        QCOMPARE(bus.exchange(zev::kCommandStatus), QByteArray()); // busy
        if (interruption.isEmpty()) {
            // The pacing rounds down to whole µs per KiB.
            bus.clock.advance(int(kProgrammingMs) - 2);
            QCOMPARE(device.generation(), updating);
            QVERIFY(bus.zev.printer->isProgramming());
            bus.clock.advance(2);
            QVERIFY(device.generation() > updating);
            QCOMPARE(bus.exchange(zev::kCommandFirmwareVersion), QByteArray("00000010HVC 01.41\r"));
            QCOMPARE(device.deviceIdReply(), namedId);
            return;
        }
        if (interruption == QLatin1String("unplug"))
            device.unplug();
        else
            device.powerCycle();
        const std::uint64_t after = device.generation();
        bus.clock.advance(int(kProgrammingMs) + 300); // past the restart the programming had scheduled
        QCOMPARE(device.generation(), after);
        QCOMPARE(device.isAttached(), interruption != QLatin1String("unplug"));
        device.replug();

        const auto s = bus.zev.printer->state();
        QVERIFY(s.firmwareUpdateMode && !s.firmwareValid && !bus.zev.printer->isProgramming());
        QCOMPARE(s.firmwareVersion, QStringLiteral("HVC 01.21"));
        QCOMPARE(bus.exchange(zev::kCommandStatus), QByteArray("00000008FU00001\r"));
        QCOMPARE(device.deviceIdReply(), kUnnamedDeviceId);
    }

    void colorTableWrites() {
        SimZEVPrinter printer(Model::HVC);
        printer.receive(frame(zev::kCommandColorTableClear));
        QCOMPARE(ask(printer, zev::kCommandCWD600Version), QString());
        QByteArray name("HVC_600_0110.CWD");
        printer.receive(frame(zev::kCommandColorTableWriteName, name));
        printer.receive(frame(zev::kCommandColorTableWriteData, "abc"));
        QCOMPARE(ask(printer, zev::kCommandCWD600Version), QStringLiteral("0110"));
        QCOMPARE(ask(printer, zev::kCommandCWD600Checksum), QStringLiteral("FED9"));
        QCOMPARE(printer.state().tablesWritten, QStringList{"HVC_600_0110.CWD"});
        // A padded name (NULs after it) names the same slot; data without a name writes nothing.
        printer.receive(frame(zev::kCommandColorTableWriteName, QByteArray("HVC_300_0100.CWD\0\0\0\0", 20)));
        printer.receive(frame(zev::kCommandColorTableWriteData, "x"));
        printer.receive(frame(zev::kCommandColorTableWriteData, "y"));
        QCOMPARE(printer.state().tablesWritten.size(), 2);
    }

    void faultsWearOff() {
        SimZEVPrinter printer(Model::HVC);
        const auto raw = [&](std::uint32_t code) {
            const auto out = printer.receive(frame(code));
            return out.empty() ? QByteArray() : out[0].reply;
        };
        printer.addFault({SimZEVFaultKind::NoReply, "INFO  FVER", 1});
        QCOMPARE(raw(zev::kCommandFirmwareVersion), QByteArray());
        QCOMPARE(raw(zev::kCommandFirmwareVersion), QByteArray("00000010HVC 01.21\r")); // worn off
        printer.setReplyLatencyMs(3);
        printer.addFault({SimZEVFaultKind::Slow, "STATUS", 2, 40});
        QCOMPARE(printer.receive(frame(zev::kCommandStatus))[0].delayMs, 43);
        QCOMPARE(printer.receive(frame(zev::kCommandFirmwareVersion))[0].delayMs, 3);
        QCOMPARE(printer.receive(frame(zev::kCommandStatus))[0].delayMs, 43);
        QCOMPARE(printer.receive(frame(zev::kCommandStatus))[0].delayMs, 3); // worn off
        // Commands without a reply do not use up a fault.
        printer.addFault({SimZEVFaultKind::NoReply, {}, 1});
        printer.receive(frame(zev::kCommandColorTableClear));
        QCOMPARE(raw(zev::kCommandStatus), QByteArray());
    }
};

QTEST_GUILESS_MAIN(SimPrinterTest)
#include "test_simprinter.moc"
