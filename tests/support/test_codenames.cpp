// The code-to-name tables: exact names, and the fallbacks for everything they do not list.
#include "platform/usb/iokit_codes.h"
#include "support/QRVX_CodeNames.h"

#include <QTest>

#include <cstring>

class CodeNamesTest : public QObject {
    Q_OBJECT
private slots:
    void ioReturnNamesAndFallback() {
        QCOMPARE(strForIOReturn(0), "kIOReturnSuccess");
        QCOMPARE(strForIOReturn(kIOReturnExclusiveAccess), "kIOReturnExclusiveAccess");
        QCOMPARE(strForIOReturn(static_cast<IOReturn>(0xE00002D6)), "kIOReturnTimeout");
        QCOMPARE(strForIOReturn(static_cast<IOReturn>(0xE000404F)), "kIOUSBPipeStalled");
        QCOMPARE(strForIOReturn(static_cast<IOReturn>(0xE0004061)), "kIOUSBUnknownPipeErr");
        // The generic error has no row of its own; it and unknown codes share the fallback.
        QCOMPARE(strForIOReturn(kIOReturnError), "kIOReturnError");
        QCOMPARE(strForIOReturn(static_cast<IOReturn>(0xE00002BC)), "kIOReturnError");
        QCOMPARE(strForIOReturn(-1), "kIOReturnError");
        QCOMPARE(strForIOReturn(0x2C5), "kIOReturnError"); // the code part without the family bits
    }

    void ioMessageNamesAndFallback() {
        QCOMPARE(strForIOMessage(0xE0000010u), "kIOMessageServiceIsTerminated");
        QCOMPARE(strForIOMessage(0xE0000101u), "kIOMessageServiceIsAttemptingOpen");
        QCOMPARE(strForIOMessage(0xE0000330u), "kIOMessageCopyClientID");
        QCOMPARE(strForIOMessage(0xE000400Du), "kIOUSBBufferUnderrunErr");
        QCOMPARE(strForIOMessage(0xE000000Du), "kIOMessageUnknown");
        QCOMPARE(strForIOMessage(0), "kIOMessageUnknown");
    }

    void errnoUsesTheFixedBsdNumbering() {
        QCOMPARE(strForErrno(1), "EPERM - Operation not permitted");
        QCOMPARE(strForErrno(16), "EBUSY - Device / Resource busy");
        // 35 is EAGAIN in this numbering whatever the host calls it.
        QCOMPARE(strForErrno(35), "EAGAIN - Resource temporarily unavailable; Operation would block");
        QCOMPARE(strForErrno(43), "EPROTONOSUPPORT - Protocol not supported");
        QCOMPARE(strForErrno(0), "unknown");
        QCOMPARE(strForErrno(44), "unknown");
        QCOMPARE(strForErrno(0xFFFFFFFFu), "unknown");
        for (std::uint32_t e = 1; e <= 43; ++e)
            QVERIFY2(std::strstr(strForErrno(e), " - "), strForErrno(e));
    }

    void signalsSkipSeven() {
        QCOMPARE(strForSignal(1), "HangUP");
        QCOMPARE(strForSignal(6), "ABoRT");
        QCOMPARE(strForSignal(7), "unknown");
        QCOMPARE(strForSignal(8), "Floating Point Exception");
        QCOMPARE(strForSignal(31), "USeR 2");
        QCOMPARE(strForSignal(0), "unknown");
        QCOMPARE(strForSignal(32), "unknown");
    }

    void streamStatusesAndEvents() {
        QCOMPARE(strForCFStreamStatus(0), "kCFStreamStatusNotOpen");
        QCOMPARE(strForCFStreamStatus(7), "kCFStreamStatusError");
        QCOMPARE(strForCFStreamStatus(8), "kCFStreamStatusUnknown");
        QCOMPARE(strForCFStreamStatus(-1), "kCFStreamStatusUnknown");
        QCOMPARE(strForCFEventType(0), "kCFStreamEventNone");
        QCOMPARE(strForCFEventType(16), "kCFStreamEventEndEncountered");
        // Combinations of events have no name.
        QCOMPARE(strForCFEventType(3), "kCFStreamEventUnknown");
        QCOMPARE(strForCFEventType(32), "kCFStreamEventUnknown");
    }
};

QTEST_GUILESS_MAIN(CodeNamesTest)
#include "test_codenames.moc"
