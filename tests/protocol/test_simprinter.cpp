// The simulated printers' command set: frames in, reply records and restarts out, state read back.
#include "Classes/ZEVProtocol.h"
#include "devicemodel/SimZEVPrinter.h"
#include "devicemodel/SimZEVProcessor.h"

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
        const QByteArray header =
            "S00C0000" + QByteArray("HVC 01.41").toHex().toUpper() + "00\r\nS9030000FC\r\n";
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
        auto zev = makeSimZEVDevice(Model::HVC, 0x14200000);
        zev.printer->setRestartDelayMs(0);
        SimPrinterDevice& device = *zev.device;
        const auto exchange = [&](std::uint32_t code, const QByteArray& payload = QByteArray()) {
            const std::uint64_t client = SimPrinterDevice::newClientId();
            device.claim(client);
            const QByteArray bytes = frame(code, payload);
            device.bulkOut(0x01, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
            std::vector<std::uint8_t> in;
            device.bulkIn(0x81, in, 64, 100);
            device.release(client);
            return QByteArray(reinterpret_cast<const char*>(in.data()), qsizetype(in.size()));
        };
        const std::uint64_t before = device.generation();
        exchange(zev::kCommandFlashRewrite);
        QTRY_VERIFY(device.generation() > before && device.isAttached());
        QCOMPARE(exchange(zev::kCommandStatus), QByteArray("00000008FU00001\r"));
        QCOMPARE(exchange(zev::kCommandFirmwareVersion), QByteArray()); // update mode: STATUS only

        const std::uint64_t updating = device.generation();
        exchange(zev::kCommandFlashProgram, "S00C0000" + QByteArray("HVC 01.41").toHex() + "00\n");
        QTRY_VERIFY(device.generation() > updating && device.isAttached());
        QCOMPARE(exchange(zev::kCommandFirmwareVersion), QByteArray("00000010HVC 01.41\r"));

        exchange(zev::kCommandUSBISerialWrite, zev::usbISerialPayload(true));
        QVERIFY(!device.identity().reportsSerialNumber);
        device.powerCycle();
        QVERIFY(device.identity().reportsSerialNumber);
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
