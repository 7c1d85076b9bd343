// The printer's self-description: IEEE-1284 device ID reading and decoding, the substring rule,
// language choice and string descriptors, including replies a broken or hostile device might send.
#include "common/testsupport.h"
#include "transport_rig.h"

#include "base/usbstandard.h"

using namespace transporttest;
using namespace usbstd;

namespace {

constexpr std::uint16_t kProductString = 0x0302;

std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

std::vector<std::uint8_t> deviceIdReply(std::uint16_t claimedLength, const std::string& text) {
    std::vector<std::uint8_t> out(text.size() + 2);
    out[0] = static_cast<std::uint8_t>(claimedLength >> 8);
    out[1] = static_cast<std::uint8_t>(claimedLength);
    std::copy(text.begin(), text.end(), out.begin() + 2);
    return out;
}

struct DeviceIdResult {
    bool called = false;
    bool found = false;
    QString text;
};

DeviceIdResult readDeviceId(TBUSBPrinter& printer) {
    DeviceIdResult result;
    printer.update1284DeviceID([&](bool found, QString text) {
        result.called = true;
        result.found = found;
        result.text = text;
    });
    printer.printerCommandQueue()->waitUntilIdle();
    return result;
}

QStringList decode(const QString& id) {
    QStringList out;
    TBUSBPrinter::decodeDeviceID(id, [&](QString m, QString d, QString s, QString e) {
        out = {m, d, s.isNull() ? "<none>" : s, e.isNull() ? "<none>" : e};
    });
    return out;
}

} // namespace

class TransportDeviceIdTest : public QObject {
    Q_OBJECT

private slots:
    void decoding_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("short keys, HP alias")
            << "MFG:Hewlett-Packard;MDL:Model X;" << QStringList{"HP", "Model X", "<none>", "<none>"};
        QTest::newRow("long keys") << "MANUFACTURER:ACME;MODEL:P1;SERN:123;DES:Photo;"
                                   << QStringList{"ACME", "P1", "123", "Photo"};
        QTest::newRow("DESCRIPTION before DES")
            << "MFG:A;MDL:B;DESCRIPTION:Long;DES:Short;" << QStringList{"A", "B", "<none>", "Long"};
        QTest::newRow("unterminated field")
            << "MFG:ACME" << QStringList{"unknown", "unknown", "<none>", "<none>"};
        QTest::newRow("no reply text") << "(null)" << QStringList{"unknown", "unknown", "<none>", "<none>"};
        QTest::newRow("case-insensitive keys")
            << "mfg:acme;mdl:p2;" << QStringList{"acme", "p2", "<none>", "<none>"};
        QTest::newRow("nothing") << QString() << QStringList{"unknown", "unknown", "<none>", "<none>"};
    }
    void decoding() {
        QFETCH(QString, id);
        QFETCH(QStringList, expected);
        QCOMPARE(decode(id), expected);
    }

    void substringRules() {
        QCOMPARE(TBUSBPrinter::noninclusiveCaseInsensitiveSubstringFromString("a;MDL:x;y", "mdl:", ";"),
                 QStringLiteral("x"));
        QCOMPARE(TBUSBPrinter::substringFromString("a;MDL:x;y", "MDL:", ";", Qt::CaseSensitive, true),
                 QStringLiteral("MDL:x;"));
        QVERIFY(
            TBUSBPrinter::substringFromString("a;MDL:x;y", "mdl:", ";", Qt::CaseSensitive, false).isNull());
        // The terminator is looked for after the prefix only.
        QVERIFY(
            TBUSBPrinter::noninclusiveCaseInsensitiveSubstringFromString("x;MDL:abc", "MDL:", ";").isNull());
        QCOMPARE(TBUSBPrinter::noninclusiveCaseInsensitiveSubstringFromString("MDL:abc", "MDL:", QString()),
                 QStringLiteral("abc"));
        QCOMPARE(TBUSBPrinter::noninclusiveCaseInsensitiveSubstringFromString("abc;def", QString(), ";"),
                 QStringLiteral("abc"));
        // Empty text comes back as it is from the method; the free function finds nothing in it.
        const QString empty = QStringLiteral("");
        QCOMPARE(TBUSBPrinter::noninclusiveCaseInsensitiveSubstringFromString(empty, "MDL:", ";"), empty);
        QVERIFY(!TBUSBPrinter::noninclusiveCaseInsensitiveSubstringFromString(empty, "MDL:", ";").isNull());
        QVERIFY(TBCFStringCreateSubstringFromPrefixToTerminator(empty, "MDL:", ";").isNull());
        QCOMPARE(TBCFStringCreateSubstringFromPrefixToTerminator(empty, QString(), QString()), empty);
        QVERIFY(!TBCFStringCreateSubstringFromPrefixToTerminator(empty, QString(), QString()).isNull());
        QVERIFY(TBCFStringCreateSubstringFromPrefixToTerminator(QString(), QString(), QString()).isNull());
    }

    void deviceIdRequestFieldsAndText() {
        auto id = printerIdentity();
        id.configurationValue = 2;
        id.interfaceNumber = 1;
        id.alternateSetting = 3;
        Rig rig(id);
        auto printer = rig.printer();
        const auto r = readDeviceId(*printer);
        QVERIFY(r.found);
        QCOMPARE(r.text, QString::fromStdString(id.deviceId1284));
        sim::SetupPacket request;
        for (const auto& s : rig.device->controlLog())
            if (s.bmRequestType == kRequestTypeClassInterfaceIn) request = s;
        QCOMPARE(request.bRequest, kPrinterGetDeviceId);
        QCOMPARE(request.wValue, std::uint16_t(1));      // configuration index
        QCOMPARE(request.wIndex, std::uint16_t(0x0103)); // interface << 8 | alternate setting
        QCOMPARE(request.wLength, std::uint16_t(65535));
    }

    void hostileDeviceIdReplies_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("text");
        auto qb = [](const std::vector<std::uint8_t>& v) {
            return QByteArray(reinterpret_cast<const char*>(v.data()), v.size());
        };
        QTest::newRow("length 0") << qb(deviceIdReply(0, "MFG:X;")) << true << "(null)";
        QTest::newRow("length 1") << qb(deviceIdReply(1, "MFG:X;")) << true << "";
        QTest::newRow("length 2") << qb(deviceIdReply(2, "MFG:X;")) << true << "";
        QTest::newRow("shorter than sent") << qb(deviceIdReply(6, "MFG:X;")) << true << "MFG:";
        QTest::newRow("longer than sent") << qb(deviceIdReply(4000, "MFG:X;")) << true << "MFG:X;";
        QTest::newRow("one byte") << QByteArray(1, '\0') << false << QString();
        QTest::newRow("nothing") << QByteArray() << false << QString();
        QTest::newRow("not UTF-8") << qb(deviceIdReply(8, "MFG\xff\xfe;")) << false << QString();
        QTest::newRow("cut inside a character") << qb(deviceIdReply(3, "\xc3\xa9x")) << false << QString();
    }
    void hostileDeviceIdReplies() {
        QFETCH(QByteArray, reply);
        QFETCH(bool, found);
        QFETCH(QString, text);
        Rig rig;
        auto printer = rig.printer();
        rig.device->overrideControlReply(kRequestTypeClassInterfaceIn, kPrinterGetDeviceId, 0,
                                         std::vector<std::uint8_t>(reply.begin(), reply.end()));
        const auto r = readDeviceId(*printer);
        QVERIFY(r.called);
        QCOMPARE(r.found, found);
        QCOMPARE(r.text, text);
        QCOMPARE(r.text.isNull(), text.isNull());
    }

    void deviceIdLengthIsCappedBelowTheFieldMaximum() {
        Rig rig;
        auto printer = rig.printer();
        // The device claims 65535 bytes and sends that many; the text ends at byte 65534.
        rig.device->overrideControlReply(kRequestTypeClassInterfaceIn, kPrinterGetDeviceId, 0,
                                         deviceIdReply(0xFFFF, std::string(65533, 'A')));
        const auto r = readDeviceId(*printer);
        QVERIFY(r.found);
        QCOMPARE(r.text.size(), 65532);
    }

    void deviceIdFailures() {
        Rig rig;
        auto printer = rig.printer();
        rig.device->injectFault({sim::FaultPoint::Control, sim::FaultKind::Stall});
        auto r = readDeviceId(*printer);
        QVERIFY(r.called);
        QVERIFY(!r.found);

        // Without an interface nothing is asked and the completion is not called.
        auto bare = TBUSBPrinter::create();
        bool called = false;
        bare->update1284DeviceID([&](bool, QString) { called = true; });
        QVERIFY(!called);
    }

    void languageChoice_data() {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("count");
        QTest::newRow("US English wins") << QByteArray("\x08\x03\x07\x04\x09\x08\x09\x04", 8) << 0x0409 << 3;
        QTest::newRow("only German") << QByteArray("\x04\x03\x07\x04", 4) << 0x0407 << 1;
        QTest::newRow("any English over others") << QByteArray("\x06\x03\x07\x04\x09\x08", 6) << 0x0809 << 2;
        QTest::newRow("first of non-English") << QByteArray("\x06\x03\x07\x04\x0c\x04", 6) << 0x0407 << 2;
        QTest::newRow("odd bLength") << QByteArray("\x07\x03\x07\x04\x09\x04\x11", 7) << 0x0409 << 2;
        QTest::newRow("bLength past what came") << QByteArray("\xff\x03\x07\x04\x09\x04", 6) << 0x0409 << 2;
    }
    void languageChoice() {
        QFETCH(QByteArray, table);
        QFETCH(int, chosen);
        QFETCH(int, count);
        Rig rig;
        auto fresh = TBUSBPrinter::create();
        rig.device->overrideControlReply(kRequestTypeStandardDeviceIn, kRequestGetDescriptor, 0x0300,
                                         std::vector<std::uint8_t>(table.begin(), table.end()));
        fresh->setInterfaceInterface(rig.interface()); // no queue: runs inline
        QCOMPARE(int(fresh->langId()), chosen);
        QCOMPARE(int(fresh->langIds()->size()), count);
        fresh->setLangId(0x0411); // not offered: ignored
        QCOMPARE(int(fresh->langId()), chosen);
    }

    void languageTableTooShortIsAskedAgain() {
        Rig rig;
        rig.device->overrideControlReply(kRequestTypeStandardDeviceIn, kRequestGetDescriptor, 0x0300,
                                         bytes({2, 3}));
        auto printer = TBUSBPrinter::create();
        printer->setInterfaceInterface(rig.interface());
        QVERIFY(!printer->langIds().has_value());
        QCOMPARE(printer->langId(), quint16(0));
        rig.device->clearControlOverrides();
        QVERIFY(printer->langIds().has_value());
        QCOMPARE(printer->langId(), quint16(0x0409));
    }

    void descriptorStrings_data() {
        QTest::addColumn<QByteArray>("descriptor");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("\x06\x03P\0x\0", 6) << "Px";
        QTest::newRow("trailing NUL dropped") << QByteArray("\x08\x03P\0x\0\0\0", 8) << "Px";
        QTest::newRow("several NULs") << QByteArray("\x0a\x03P\0\0\0\0\0\0\0", 10) << "P";
        QTest::newRow("last character low byte 0")
            << QByteArray("\x06\x03P\0\x00\x4e", 6) << QString::fromUtf8("P\xe4\xb8\x80");
        QTest::newRow("odd bLength") << QByteArray("\x07\x03P\0x\0y", 7) << "Px";
        QTest::newRow("bLength 2") << QByteArray("\x02\x03P\0", 4) << QString();
        QTest::newRow("bLength 0") << QByteArray("\x00\x03P\0", 4) << QString();
        QTest::newRow("bLength 1") << QByteArray("\x01\x03", 2) << QString();
        QTest::newRow("bLength 255, 5 bytes came") << QByteArray("\xff\x03P\0x", 5) << "P";
        QTest::newRow("bLength 255, all came")
            << (QByteArray("\xff\x03", 2) + QByteArray(253, 'A')) << QString(126, QChar(0x4141));
        QTest::newRow("only NULs") << QByteArray("\x06\x03\0\0\0\0", 6) << QString();
        QTest::newRow("lone high surrogate") << QByteArray("\x06\x03P\0\x00\xd8", 6) << QString();
        QTest::newRow("lone low surrogate") << QByteArray("\x06\x03\x00\xdcP\0", 6) << QString();
        QTest::newRow("surrogate pair")
            << QByteArray("\x06\x03\x3d\xd8\x00\xde", 6) << QString::fromUtf8("\xf0\x9f\x98\x80");
        QTest::newRow("one byte") << QByteArray("\x06", 1) << QString();
        QTest::newRow("byte-order mark as text")
            << QByteArray("\x04\x03\xff\xfe", 4) << QString(QChar(0xFEFF));
    }
    void descriptorStrings() {
        QFETCH(QByteArray, descriptor);
        QFETCH(QString, text);
        Rig rig;
        rig.device->overrideControlReply(kRequestTypeStandardDeviceIn, kRequestGetDescriptor, kProductString,
                                         std::vector<std::uint8_t>(descriptor.begin(), descriptor.end()));
        auto printer = rig.printer();
        QCOMPARE(printer->descriptorStringAtIndex(2), text);
        QCOMPARE(printer->descriptorStringAtIndex(2).isNull(), text.isNull());
        QCOMPARE(printer->productUSB(), text);
        QString copy;
        QCOMPARE(usbInterfaceGetDescriptorStringCopy(rig.interface().get(), 2, &copy),
                 descriptor.size() < 2 ? kIOReturnUnderrun : kIOReturnSuccess);
        QCOMPARE(copy, text);
    }

    void descriptorRequestFields() {
        Rig rig;
        auto printer = rig.printer();
        QVERIFY(printer->descriptorStringAtIndex(0).isNull());
        const auto log = rig.device->controlLog();
        const auto product =
            std::find_if(log.begin(), log.end(), [](const auto& s) { return s.wValue == kProductString; });
        QVERIFY(product != log.end());
        QCOMPARE(product->bmRequestType, kRequestTypeStandardDeviceIn);
        QCOMPARE(product->wIndex, std::uint16_t(0x0409));
        QCOMPARE(product->wLength, std::uint16_t(256));
    }

    void serialNumberReportSwitch() {
        auto id = printerIdentity();
        id.reportsSerialNumber = false;
        Rig rig(id);
        auto printer = rig.printer();
        QVERIFY(printer->serialNumberUSB().isNull());
        QCOMPARE(printer->description(), QStringLiteral("ACME P1 (null)"));
        QString serial;
        QCOMPARE(usbInterfaceCreateSerialNumberString(rig.interface().get(), &serial), kIOReturnSuccess);
        QCOMPARE(serial, QStringLiteral("0F1E2D3C0102;*LOC:14200000"));

        Rig reporting;
        QCOMPARE(usbInterfaceCreateSerialNumberString(reporting.interface().get(), &serial),
                 kIOReturnSuccess);
        QCOMPARE(serial, QStringLiteral("SN0042"));
    }

    void bareInterfaceHelpers() {
        Rig rig;
        testsupport::LogCapture log;
        std::uint8_t buffer[18];
        QCOMPARE(usbInterfaceGetDeviceDescriptor(nullptr, buffer, 18), kIOReturnBadArgument);
        QCOMPARE(usbInterfaceGetDeviceDescriptor(rig.interface().get(), buffer, 0), kIOReturnBadArgument);
        QVERIFY(log.contains(
            QStringLiteral("Passed a NULL pointer or zero length into usbInterfaceGetDeviceDescriptor.")));

        std::uint8_t m = 9, p = 9, s = 9;
        QCOMPARE(usbInterfaceGetiDeviceIndices(rig.interface().get(), &m, &p, &s), kIOReturnSuccess);
        QCOMPARE(int(m) * 100 + int(p) * 10 + int(s), 123);

        // A device descriptor cut short is an underrun, and the indices read as 0.
        rig.device->overrideControlReply(kRequestTypeStandardDeviceIn, kRequestGetDescriptor, 0x0100,
                                         bytes({18, 1, 0, 2}));
        QCOMPARE(usbInterfaceGetiDeviceIndices(rig.interface().get(), &m, &p, &s), kIOReturnUnderrun);
        QCOMPARE(int(m) + int(p) + int(s), 0);

        QString text = QStringLiteral("stale");
        QCOMPARE(usbInterfaceGetDescriptorStringCopy(rig.interface().get(), 0, &text), kIOReturnBadArgument);
        QVERIFY(text.isNull());
        QCOMPARE(usbInterfaceCreateSerialNumberString(nullptr, &text), kIOReturnBadArgument);
    }
};

QTEST_GUILESS_MAIN(TransportDeviceIdTest)
#include "test_deviceid.moc"
