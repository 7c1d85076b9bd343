// The command words an HVC printer receives for one information probe, in wire order. The same
// order holds on the simulated bus and over libusb.
#pragma once

#include <QStringList>

namespace testsupport {

inline const QStringList kHVCProbe{
    "STATUS",
    "INFO  FVER",
    "MNT_RDCOUNTER_LIFE",
    "TBL_RDCWD610_Version",
    "TBL_RDCWD600_Version",
    "TBL_RDCWD300_Version",
    "TBL_RDCWD610_Checksum",
    "TBL_RDCWD600_Checksum",
    "TBL_RDCWD300_Checksum",
    "INFO  SERIAL_NUMBER",
    "MNT_RDUSB_ISERI_SET",
};

} // namespace testsupport
