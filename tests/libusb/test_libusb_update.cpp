// The whole firmware update of an HVC printer through the libusb backend, with the simulated printer
// behind umockdev's usbfs: both of the printer's own restarts reach libusb as real re-enumerations
// (the device leaves, and comes back at the same port under a new device number), and the printer
// gets byte for byte what the in-process update sends. Runs under umockdev-wrapper; skips without it.
#include "LibusbApplication.h"
#include "UrbResponder.h"
#include "UsbfsTestbed.h"

#include "Classes/Edition.h"
#include "Classes/TBUSBPrinterZEV.h"
#include "common/hvcupdate.h"
#include "common/testsupport.h"
#include "platform/dialogs.h"
#include "platform/resources.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace usbfs_test;
using platform::ScriptedAlertPresenter;

namespace {

constexpr qint64 kFirst = platform::kAlertFirstButtonReturn;
constexpr std::uint32_t kLocation = 0x01400000; // bus 1, port 4
constexpr Placement kPlacement{1, 4, 2};
constexpr int kRestartDelayMs = 20;
constexpr int kListWaitMs = 5000;
constexpr int kProbeWaitMs = 15000;
constexpr int kUpdateWaitMs = 45000;

std::uint16_t bulkOutPacketSize(const sim::SimPrinterDevice& device) {
    for (const sim::Endpoint& endpoint : device.identity().endpoints)
        if (!endpoint.isIn() && endpoint.attributes == usbstd::kTransferBulk) return endpoint.maxPacketSize;
    return 0;
}

} // namespace

class LibusbUpdateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UsbfsTestbed> bed;
    std::shared_ptr<ScriptedAlertPresenter> presenter;

private slots:
    void init() {
        Edition::setCurrent(Edition::printerFlasher());
        USBFS_TESTBED_OR_SKIP(bed);
        presenter = std::make_shared<ScriptedAlertPresenter>();
        platform::setAlertPresenter(presenter);
    }
    void cleanup() {
        platform::setAlertPresenter(nullptr);
        presenter.reset();
        bed.reset();
    }

    void wholeUpdateAcrossTwoRealReEnumerations() {
        testsupport::LogCapture log;
        const sim::SimZEVDevice printer = sim::makeSimZEVDevice(sim::SimZEVModel::HVC, kLocation);
        printer.printer->setRestartDelayMs(kRestartDelayMs);
        QTemporaryDir captures;
        const QString capturePath = captures.filePath(QStringLiteral("update.pcap"));
        auto capture = usb::capture::Capture::start(capturePath, {}, nullptr);
        QVERIFY(capture);
        const std::string syspath = bed->plug(printer.device, kPlacement);
        bed->followRestarts(syspath);
        LibusbApplication app;

        QTRY_COMPARE_WITH_TIMEOUT(app.rows(), 1, kListWaitMs);
        const auto first = app.controller->printerAt(0);
        QTRY_VERIFY_WITH_TIMEOUT(probeDone(printer) && !first->printerStatus().isEmpty(), kProbeWaitMs);
        QCOMPARE(first->firmwareVersion(), QStringLiteral("HVC 01.21"));
        const QString key = first->keyUSBdevice();
        QTest::qWait(200); // the probe's last frames through the kernel and umockdev come to rest
        printer.printer->clearReceived();
        const int restartsBefore = printer.printer->state().restarts;

        presenter->queueAnswer({kFirst + 1, true}); // "I Agree", "Continue"
        presenter->queueAnswer({kFirst + 1, {}});   // "Update Firmware to HVC 01.41"
        presenter->queueAnswer({kFirst, {}});       // "Finish"
        first->updateFirmware();
        QTRY_VERIFY_WITH_TIMEOUT(presenter->headlines().size() == 3, kUpdateWaitMs);
        QCOMPARE(
            presenter->headlines(),
            (QStringList{"Attention:", "-- Warning --\n\nAre you certain you want to update the firmware?",
                         "Firmware update was successful!"}));
        QCOMPARE(presenter->shown().at(2).informativeText,
                 QStringLiteral("Firmware version updated from HVC 01.21 to HVC 01.41"));

        QTRY_COMPARE(printer.printer->receivedCommands(), testsupport::hvcUpdateCommands());

        // Each restart was a departure and a return libusb saw: three enumerations at the same
        // port, each under a device number of its own, and one printer object each, same key.
        const auto enumerations = bed->enumerations(syspath);
        QCOMPARE(enumerations.size(), std::size_t(3));
        QCOMPARE(bed->placement(syspath).address, std::uint8_t(kPlacement.address + 2));
        for (std::uint8_t restart = 1; restart <= 2; ++restart) {
            const std::string node = UsbfsTestbed::nodePath(
                {kPlacement.bus, kPlacement.port, std::uint8_t(kPlacement.address + restart)});
            QVERIFY2(log.contains(QStringLiteral("location id 0x%1, %2")
                                      .arg(kLocation, 8, 16, QLatin1Char('0'))
                                      .arg(QString::fromStdString(node))),
                     node.c_str());
        }
        QCOMPARE(log.lines().filter(QStringLiteral("USB printer left the bus:")).size(), 2);
        QCOMPARE(printer.printer->state().restarts, restartsBefore + 2);
        QCOMPARE(app.rows(), 1);
        const auto updated = app.controller->printerAt(0);
        QVERIFY(updated != first);
        QCOMPARE(updated->keyUSBdevice(), key);

        // The frames the update builds itself, byte for byte.
        const auto frames = printer.printer->receivedFrames();
        testsupport::compareHvcUpdateFrames(frames);
        if (QTest::currentTestFailed()) return;
        const QByteArray upload = testsupport::nthFrame(frames, "FW_UPDFLASH_PROGRAM").raw;

        // The upload was the update-mode enumeration's last traffic: URBs of whole packets but the
        // last, more than one.
        const std::vector<int> lengths = enumerations[1]->bulkOutLengths();
        const int packet = bulkOutPacketSize(*printer.device);
        QVERIFY(packet > 0);
        qsizetype sum = 0;
        std::size_t pieces = 0;
        while (sum < upload.size() && pieces < lengths.size())
            sum += lengths[lengths.size() - ++pieces];
        QCOMPARE(sum, upload.size());
        QVERIFY2(pieces > 1, qPrintable(QString::number(pieces)));
        for (std::size_t i = lengths.size() - pieces; i + 1 < lengths.size(); ++i)
            QVERIFY2(lengths[i] % packet == 0, qPrintable(QString::number(lengths[i])));

        const sim::SimZEVPrinterState state = printer.printer->state();
        QCOMPARE(state.firmwareVersion, QStringLiteral("HVC 01.41"));
        QCOMPARE(state.tablesWritten,
                 (QStringList{"HVC_300_0100.CWD", "HVC_600_0110.CWD", "HVC_610_0110.CWD"}));
        QTRY_COMPARE(updated->firmwareVersion(), QStringLiteral("HVC 01.41"));
        QTRY_VERIFY(!updated->inFirmwareUpdate());
        QVERIFY(TBUSBPrinterZEV::updatesUnderWay().isEmpty());

        // The capture has what went over libusb: the three enumerations and the frames the printer
        // got, in order, their uploads cut to their first bytes with the length of all of them.
        capture->stop();
        capture->waitUntilWritten();
        QString error;
        const auto records = usb::capture::readCapture(capturePath, &error);
        QVERIFY2(records, qPrintable(error));
        int arrivals = 0;
        QList<QByteArray> headers;
        for (const usb::capture::Record& r : *records) {
            QCOMPARE(r.locationId, kLocation);
            arrivals += r.operation == usb::capture::Operation::Arrival;
            if (r.operation == usb::capture::Operation::BulkOut && r.data.startsWith("\x1bP"))
                headers << r.data.left(32);
        }
        QCOMPARE(arrivals, 3);
        QList<QByteArray> sent;
        for (const sim::SimZEVFrame& frame : frames)
            sent << frame.raw.left(32);
        QCOMPARE(headers.mid(headers.size() - sent.size()), sent);
    }
};

QTEST_MAIN(LibusbUpdateTest)
#include "test_libusb_update.moc"
