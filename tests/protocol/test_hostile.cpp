// Damaged replies from a printer: the probe runs to its end, stores the documented values, never
// reads past a buffer (run under ASan) and never holds up the main thread.
#include "zevrig.h"

#include "common/testsupport.h"

#include <QElapsedTimer>
#include <QTimer>

using sim::SimZEVFaultKind;
using Model = sim::SimZEVModel;

namespace {
constexpr int kProbeCommands = 11; // an HVC probe
const QString kReplacement(QChar::ReplacementCharacter);
} // namespace

class HostileTest : public QObject {
    Q_OBJECT
private slots:
    void everyReplyDamaged_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("counter");
        // No digits in the length field: an empty body, so empty texts (not "NULL"); a status that
        // came back empty is no status, never "Idle".
        QTest::newRow("garbage length") << int(SimZEVFaultKind::GarbageLength) << "Not Responding"
                                        << ""
                                        << ""
                                        << ""
                                        << "";
        // Above 4096: no reply; firmware version and counter keep their (absent) values.
        QTest::newRow("length 4097") << int(SimZEVFaultKind::OversizedLength) << "Not Responding"
                                     << "<absent>"
                                     << "NULL"
                                     << "NULL"
                                     << "<absent>";
        QTest::newRow("no CR") << int(SimZEVFaultKind::BodyWithoutCR) << "Idle"
                               << "HVC 01.21"
                               << "HVC-0042"
                               << "0100"
                               << "1234";
        QTest::newRow("short body") << int(SimZEVFaultKind::TruncatedBody) << "Idle"
                                    << "HVC 01.21"
                                    << "HVC-0042"
                                    << "0100"
                                    << "1234";
        const QString bad = QString::fromUtf8("\xFF\xFE\xC3\x28\x80");
        QTest::newRow("not UTF-8") << int(SimZEVFaultKind::NonUTF8Body) << "Idle" << bad << bad << bad << bad;
        QTest::newRow("no reply") << int(SimZEVFaultKind::NoReply) << "Not Responding"
                                  << "<absent>"
                                  << "NULL"
                                  << "NULL"
                                  << "<absent>";
    }
    void everyReplyDamaged() {
        QFETCH(int, fault);
        QFETCH(QString, status);
        QFETCH(QString, firmware);
        QFETCH(QString, serial);
        QFETCH(QString, table);
        QFETCH(QString, counter);
        ZEVRig rig(Model::HVC);
        rig.sim.printer->addFault({SimZEVFaultKind(fault), {}, -1});
        rig.printer->probe();
        QTRY_COMPARE(rig.commands().size(), kProbeCommands);
        QTRY_VERIFY(!rig.sim.device->isClaimed());
        rig.settle();
        QCOMPARE(rig.stored(QRVX_TBPrinterStatus), status);
        QCOMPARE(rig.stored(QRVX_TBPrinterFirmwareVersion), firmware);
        QCOMPARE(rig.stored(QRVX_TBPrinterSerialNumber), serial);
        QCOMPARE(rig.stored(QRVX_TBPrinterColorTableVersion610), table);
        QCOMPARE(rig.stored(QRVX_TBPrinterLifetimeCounter), counter);
        // The list can still show the switch, whatever was stored.
        QVERIFY(!rig.printer->usbISerialString().isEmpty());
    }

    void oneDamagedReplyDoesNotSpoilTheNext() {
        // A record announcing more than 4096 bytes is left unread; the next exchange must not take
        // its leftovers for an answer.
        ZEVRig rig(Model::HVC);
        rig.sim.printer->addFault({SimZEVFaultKind::OversizedLength, "INFO  FVER", 1});
        rig.sim.printer->addFault({SimZEVFaultKind::GarbageLength, "MNT_RDCOUNTER_LIFE", 1});
        rig.printer->probe();
        QTRY_COMPARE(rig.commands().size(), kProbeCommands);
        QTRY_VERIFY(!rig.sim.device->isClaimed());
        rig.settle();
        QCOMPARE(rig.stored(QRVX_TBPrinterFirmwareVersion), QStringLiteral("<absent>"));
        QCOMPARE(rig.stored(QRVX_TBPrinterLifetimeCounter), QString());
        QCOMPARE(rig.printer->colorTableVersion610(), QStringLiteral("0100"));
        QCOMPARE(rig.printer->printerSerialNumber(), QStringLiteral("HVC-0042"));
    }

    void aLateReplyIsNotTakenForTheNextAnswer() {
        // The firmware version comes just after the host gave up on it; the pipe is drained before
        // the next frame, so the counter query gets the counter.
        testsupport::LogCapture log;
        ZEVRig rig(Model::HVC);
        rig.sim.printer->addFault(
            {SimZEVFaultKind::Slow, "INFO  FVER", 1, int(zev::kReplyReadTimeoutMs) + 25});
        rig.onOpenInterface([](RecordingPrinter& p) {
            p.getPrinterFirmwareVersion();
            p.getPrinterLifetimeCounter();
            p.updatePrinterSerialNumber();
        });
        QTRY_COMPARE_WITH_TIMEOUT(rig.printer->printerSerialNumber(), QStringLiteral("HVC-0042"), 10000);
        QCOMPARE(rig.stored(QRVX_TBPrinterFirmwareVersion), QStringLiteral("<absent>"));
        QCOMPARE(rig.printer->lifetimeCounter(), QStringLiteral("1234"));
        // The record "00000010HVC 01.21\r" went to the drain.
        QVERIFY(log.contains("drained 18 stale bytes from backchannel"));
    }

    void longestBodies() {
        ZEVRig rig(Model::HVC, [](sim::SimZEVPrinterState& s) {
            s.serialNumber = QString(4095, u'9');    // with its CR: exactly 4096
            s.firmwareVersion = QString(4096, u'8'); // with its CR: 4097, refused
        });
        rig.onOpenInterface([](RecordingPrinter& p) {
            p.updatePrinterSerialNumber();
            p.getPrinterFirmwareVersion();
        });
        QTRY_COMPARE(rig.printer->printerSerialNumber().size(), 4095);
        QCOMPARE(rig.stored(QRVX_TBPrinterFirmwareVersion), QStringLiteral("<absent>"));
    }

    void slowRepliesDoNotHoldUpTheMainThread() {
        ZEVRig rig(Model::HVC);
        rig.sim.printer->addFault({SimZEVFaultKind::Slow, {}, -1, 150});
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        QElapsedTimer clock;
        clock.start();
        sinceTick.start();
        ticker.start();
        rig.printer->probe();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.sim.device->isClaimed() && rig.commands().size() == kProbeCommands,
                                 10000);
        QTRY_COMPARE(rig.printer->printerSerialNumber(), QStringLiteral("HVC-0042"));
        ticker.stop();
        QVERIFY(clock.elapsed() >= kProbeCommands * 150);
        QVERIFY2(longestGap < 120, qPrintable(QString::number(longestGap)));
    }

    void frameParserSurvivesHostGarbage() {
        // The printer's side of the pipe: random bytes between frames do not stop it answering.
        ZEVRig rig(Model::HVC);
        QByteArray junk;
        for (int i = 0; i < 500; ++i)
            junk += char((i * 37) & 0xFF);
        rig.onOpenInterface([&](RecordingPrinter& p) { p.writeToInterfaceWithData(junk); });
        QString code;
        rig.printer->getPrinterStatus([&](const QString& c) { code = c; });
        QTRY_COMPARE(code, QStringLiteral("00000"));
    }
};

QTEST_GUILESS_MAIN(HostileTest)
#include "test_hostile.moc"
