// What an HVC printer receives over a whole firmware update, checked the same way on every bus: the
// command sequence of the three printer objects, and the frames the update builds itself byte for
// byte (the rewrite request, the upload, the table names and data).
#pragma once

#include "devicemodel/SimZEVFrameParser.h"
#include "platform/resources.h"

#include <QStringList>
#include <QTest>

#include <vector>

namespace testsupport {

inline QByteArray packageFile(const QString& name) {
    return platform::resources::dataForResourceFile(name);
}

inline QByteArray paddedToWords(QByteArray bytes) {
    while (bytes.size() % 4)
        bytes.append('\0');
    return bytes;
}

// From the readiness check to the status read after the outcome.
inline QStringList hvcUpdateCommands() {
    const QStringList queries{"TBL_RDCWD610_Version",  "TBL_RDCWD600_Version",  "TBL_RDCWD300_Version",
                              "TBL_RDCWD610_Checksum", "TBL_RDCWD600_Checksum", "TBL_RDCWD300_Checksum"};
    QStringList commands{"STATUS",     "STATUS", "FW_UPDFLASH_REWRITE", // normal mode
                         "INFO  FVER", "STATUS", "FW_UPDFLASH_PROGRAM", // update mode
                         "INFO  FVER", "STATUS", "TBL_CL"};             // new firmware
    commands += queries;
    for (int table = 0; table < 3; ++table)
        commands += QStringList{"TBL_WTVersion", "TBL_WTCTRLD_UPDATE_CW"} + queries;
    commands += "STATUS";
    return commands;
}

inline sim::SimZEVFrame nthFrame(const std::vector<sim::SimZEVFrame>& frames, const QString& words,
                                 int nth = 0) {
    for (const auto& frame : frames)
        if (frame.words() == words && nth-- == 0) return frame;
    return {};
}

// QCOMPAREs the frames of an HVC update to HVC 01.41; the caller returns when the test has failed.
inline void compareHvcUpdateFrames(const std::vector<sim::SimZEVFrame>& frames) {
    QCOMPARE(nthFrame(frames, "FW_UPDFLASH_REWRITE").raw,
             QByteArray("\x1bPFW_UPDFLASH_REWRITE") + QByteArray(11, ' '));
    const QByteArray image = paddedToWords(packageFile("HVC 01.41.fw"));
    const QByteArray upload = nthFrame(frames, "FW_UPDFLASH_PROGRAM").raw;
    QCOMPARE(upload.left(32), QByteArray("\x1bPFW_UPDFLASH_PROGRAM   ") +
                                  QByteArray::number(image.size()).rightJustified(8, '0'));
    QVERIFY(upload.mid(32) == image);
    const QStringList tables{"HVC_300_0100.cwd", "HVC_600_0110.cwd", "HVC_610_0110.cwd"};
    for (int i = 0; i < tables.size(); ++i) {
        QCOMPARE(nthFrame(frames, "TBL_WTVersion", i).payload,
                 paddedToWords(tables.at(i).toUpper().toLatin1()));
        QCOMPARE(nthFrame(frames, "TBL_WTCTRLD_UPDATE_CW", i).payload, packageFile(tables.at(i)));
    }
}

} // namespace testsupport
