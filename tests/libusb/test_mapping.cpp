// What libusb's outcomes and bus positions become for the printer logic: the result-code table and
// the location id that keeps a printer's device key across restarts.
#include "platform/usb/libusb/LibusbErrors.h"
#include "platform/usb/libusb/LibusbLocation.h"

#include <QTest>

#include <libusb.h>

using namespace usb::libusb_backend;

class MappingTest : public QObject {
    Q_OBJECT
private slots:
    void libusbErrorsMapToTheCodesCallersTest_data() {
        QTest::addColumn<int>("libusbError");
        QTest::addColumn<int>("expected");
        QTest::newRow("success") << int(LIBUSB_SUCCESS) << kIOReturnSuccess;
        QTest::newRow("byte count") << 12 << kIOReturnSuccess;
        QTest::newRow("busy: another program holds it") << int(LIBUSB_ERROR_BUSY) << kIOReturnExclusiveAccess;
        QTest::newRow("access: no permission") << int(LIBUSB_ERROR_ACCESS) << kIOReturnNotPrivileged;
        QTest::newRow("timeout") << int(LIBUSB_ERROR_TIMEOUT) << kIOReturnTimeout;
        QTest::newRow("no device") << int(LIBUSB_ERROR_NO_DEVICE) << kIOReturnNoDevice;
        QTest::newRow("stall") << int(LIBUSB_ERROR_PIPE) << kIOUSBPipeStalled;
        QTest::newRow("invalid parameter") << int(LIBUSB_ERROR_INVALID_PARAM) << kIOReturnBadArgument;
        QTest::newRow("overflow") << int(LIBUSB_ERROR_OVERFLOW) << kIOReturnOverrun;
        QTest::newRow("not found") << int(LIBUSB_ERROR_NOT_FOUND) << kIOReturnNotFound;
        QTest::newRow("interrupted") << int(LIBUSB_ERROR_INTERRUPTED) << kIOReturnAborted;
        QTest::newRow("no memory") << int(LIBUSB_ERROR_NO_MEM) << kIOReturnNoMemory;
        QTest::newRow("i/o") << int(LIBUSB_ERROR_IO) << kIOReturnError;
        QTest::newRow("not supported") << int(LIBUSB_ERROR_NOT_SUPPORTED) << kIOReturnError;
        QTest::newRow("other") << int(LIBUSB_ERROR_OTHER) << kIOReturnError;
        QTest::newRow("unknown code") << -1234 << kIOReturnError;
    }
    void libusbErrorsMapToTheCodesCallersTest() {
        QFETCH(int, libusbError);
        QFETCH(int, expected);
        QCOMPARE(ioReturnForLibusbError(libusbError), expected);
        // No failure may ever read as success.
        if (libusbError < 0) QVERIFY(ioReturnForTransferError(libusbError) != kIOReturnSuccess);
    }

    void aDeviceLostDuringATransferIsNotResponding() {
        QCOMPARE(ioReturnForTransferError(LIBUSB_ERROR_NO_DEVICE), kIOReturnNotResponding);
        QCOMPARE(ioReturnForTransferError(LIBUSB_ERROR_TIMEOUT), kIOReturnTimeout);
        QCOMPARE(QByteArray(libusbErrorName(LIBUSB_ERROR_BUSY)), QByteArray("LIBUSB_ERROR_BUSY"));
        QVERIFY(libusbErrorName(-1234) != nullptr);
    }

    void locationIdPacksBusAndPortPath() {
        QCOMPARE(locationIdFor(1, {4}), 0x01400000u);
        QCOMPARE(locationIdFor(3, {1, 2, 3}), 0x03123000u);
        QCOMPARE(locationIdFor(0xFF, {}), 0xFF000000u);
        // Six ports fill the 24 bits below the bus; a seventh cannot be told apart and is dropped.
        QCOMPARE(locationIdFor(2, {1, 2, 3, 4, 5, 6}), 0x02123456u);
        QCOMPARE(locationIdFor(2, {1, 2, 3, 4, 5, 6, 7}), 0x02123456u);
        // A port above 15 must not spill into its neighbour's nibble or the bus byte.
        QCOMPARE(locationIdFor(1, {20, 3}), 0x01F30000u);
        QCOMPARE(locationIdFor(1, {20}) & 0xFF000000u, 0x01000000u);
    }

    void namesFollowTheKernel() {
        QCOMPARE(QByteArray(sysfsNameFor(1, {4, 2}).c_str()), QByteArray("1-4.2"));
        QCOMPARE(QByteArray(sysfsNameFor(2, {}).c_str()), QByteArray("2-0"));
        QCOMPARE(QByteArray(usbfsNodeFor(1, 7).c_str()), QByteArray("/dev/bus/usb/001/007"));
    }
};

QTEST_GUILESS_MAIN(MappingTest)
#include "test_mapping.moc"
