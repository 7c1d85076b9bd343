#include "support/QRVX_CodeNames.h"

#include "platform/usb/iokit_codes.h"

#include <array>

const char* strForIOReturn(std::int32_t code) {
    switch (code) {
    case kIOReturnSuccess:
        return "kIOReturnSuccess";
    case kIOReturnInvalid:
        return "kIOReturnInvalid";
    case kIOReturnNoMemory:
        return "kIOReturnNoMemory";
    case kIOReturnNoResources:
        return "kIOReturnNoResources";
    case kIOReturnIPCError:
        return "kIOReturnIPCError";
    case kIOReturnNoDevice:
        return "kIOReturnNoDevice";
    case kIOReturnNotPrivileged:
        return "kIOReturnNotPrivileged";
    case kIOReturnBadArgument:
        return "kIOReturnBadArgument";
    case kIOReturnLockedRead:
        return "kIOReturnLockedRead";
    case kIOReturnLockedWrite:
        return "kIOReturnLockedWrite";
    case kIOReturnExclusiveAccess:
        return "kIOReturnExclusiveAccess";
    case kIOReturnStillOpen:
        return "kIOReturnStillOpen";
    case kIOReturnTimeout:
        return "kIOReturnTimeout";
    case kIOReturnUnderrun:
        return "kIOReturnUnderrun";
    case kIOReturnOverrun:
        return "kIOReturnOverrun";
    case kIOReturnDeviceError:
        return "kIOReturnDeviceError";
    case kIOReturnNoCompletion:
        return "kIOReturnNoCompletion";
    case kIOReturnAborted:
        return "kIOReturnAborted";
    case kIOReturnNoBandwidth:
        return "kIOReturnNoBandwidth";
    case kIOReturnNotResponding:
        return "kIOReturnNotResponding";
    case kIOReturnNotFound:
        return "kIOReturnNotFound";
    case kIOUSBCRCErr:
        return "kIOUSBCRCErr";
    case kIOUSBBitstufErr:
        return "kIOUSBBitstufErr";
    case kIOUSBDataToggleErr:
        return "kIOUSBDataToggleErr";
    case kIOUSBPIDCheckErr:
        return "kIOUSBPIDCheckErr";
    case kIOUSBWrongPIDErr:
        return "kIOUSBWrongPIDErr";
    case kIOUSBReserved1Err:
        return "kIOUSBReserved1Err";
    case kIOUSBReserved2Err:
        return "kIOUSBReserved2Err";
    case kIOUSBBufferOverrunErr:
        return "kIOUSBBufferOverrunErr";
    case kIOUSBBufferUnderrunErr:
        return "kIOUSBBufferUnderrunErr";
    case kIOUSBNotSent1Err:
        return "kIOUSBNotSent1Err";
    case kIOUSBNotSent2Err:
        return "kIOUSBNotSent2Err";
    case kIOUSBLinkErr:
        return "kIOUSBLinkErr";
    case kIOUSBHighSpeedSplitError:
        return "kIOUSBHighSpeedSplitError";
    case kIOUSBLowLatencyFrameListNotPreviouslyAllocated:
        return "kIOUSBLowLatencyFrameListNotPreviouslyAllocated";
    case kIOUSBLowLatencyBufferNotPreviouslyAllocated:
        return "kIOUSBLowLatencyBufferNotPreviouslyAllocated";
    case kIOUSBInterfaceNotFound:
        return "kIOUSBInterfaceNotFound";
    case kIOUSBPipeStalled:
        return "kIOUSBPipeStalled";
    case kIOUSBTransactionReturned:
        return "kIOUSBTransactionReturned";
    case kIOUSBTransactionTimeout:
        return "kIOUSBTransactionTimeout";
    case kIOUSBConfigNotFound:
        return "kIOUSBConfigNotFound";
    case kIOUSBEndpointNotFound:
        return "kIOUSBEndpointNotFound";
    case kIOUSBNotEnoughPowerErr:
        return "kIOUSBNotEnoughPowerErr";
    case kIOUSBNotEnoughPipesErr:
        return "kIOUSBNotEnoughPipesErr";
    case kIOUSBNoAsyncPortErr:
        return "kIOUSBNoAsyncPortErr";
    case kIOUSBTooManyPipesErr:
        return "kIOUSBTooManyPipesErr";
    case kIOUSBUnknownPipeErr:
        return "kIOUSBUnknownPipeErr";
    default:
        return "kIOReturnError";
    }
}

const char* strForIOMessage(std::uint32_t message) {
    switch (message) {
    case kIOMessageServiceIsTerminated:
        return "kIOMessageServiceIsTerminated";
    case kIOMessageServiceIsSuspended:
        return "kIOMessageServiceIsSuspended";
    case kIOMessageServiceIsResumed:
        return "kIOMessageServiceIsResumed";
    case kIOMessageServiceIsRequestingClose:
        return "kIOMessageServiceIsRequestingClose";
    case kIOMessageServiceIsAttemptingOpen:
        return "kIOMessageServiceIsAttemptingOpen";
    case kIOMessageServiceWasClosed:
        return "kIOMessageServiceWasClosed";
    case kIOMessageServiceBusyStateChange:
        return "kIOMessageServiceBusyStateChange";
    case kIOMessageServicePropertyChange:
        return "kIOMessageServicePropertyChange";
    case kIOMessageCanDevicePowerOff:
        return "kIOMessageCanDevicePowerOff";
    case kIOMessageDeviceWillPowerOff:
        return "kIOMessageDeviceWillPowerOff";
    case kIOMessageDeviceWillNotPowerOff:
        return "kIOMessageDeviceWillNotPowerOff";
    case kIOMessageDeviceHasPoweredOn:
        return "kIOMessageDeviceHasPoweredOn";
    case kIOMessageCanSystemPowerOff:
        return "kIOMessageCanSystemPowerOff";
    case kIOMessageSystemWillPowerOff:
        return "kIOMessageSystemWillPowerOff";
    case kIOMessageSystemWillNotPowerOff:
        return "kIOMessageSystemWillNotPowerOff";
    case kIOMessageCanSystemSleep:
        return "kIOMessageCanSystemSleep";
    case kIOMessageSystemWillSleep:
        return "kIOMessageSystemWillSleep";
    case kIOMessageSystemWillNotSleep:
        return "kIOMessageSystemWillNotSleep";
    case kIOMessageSystemHasPoweredOn:
        return "kIOMessageSystemHasPoweredOn";
    case kIOMessageSystemWillRestart:
        return "kIOMessageSystemWillRestart";
    case kIOMessageSystemWillPowerOn:
        return "kIOMessageSystemWillPowerOn";
    case kIOMessageCopyClientID:
        return "kIOMessageCopyClientID";
    // The USB family reports a buffer underrun through the interest channel with this value.
    case static_cast<IOMessage>(kIOUSBBufferUnderrunErr):
        return "kIOUSBBufferUnderrunErr";
    default:
        return "kIOMessageUnknown";
    }
}

namespace {

// Indexed by the BSD errno value; entry 0 is unused.
constexpr std::array<const char*, 44> kErrnoNames = {
    nullptr,
    "EPERM - Operation not permitted",
    "ENOENT - No such file or directory",
    "ESRCH - No such process",
    "EINTR - Interrupted system call",
    "EIO - Input/output error",
    "ENXIO - Device not configured",
    "E2BIG - Argument list too long",
    "ENOEXEC - Exec format error",
    "EBADF - Bad file descriptor",
    "ECHILD - No child processes",
    "EDEADLK - Resource deadlock avoided",
    "ENOMEM - Cannot allocate memory",
    "EACCES - Permission denied",
    "EFAULT - Bad address",
    "ENOTBLK - Block device required",
    "EBUSY - Device / Resource busy",
    "EEXIST - File exists",
    "EXDEV - Cross-device link",
    "ENODEV - Operation not supported by device",
    "ENOTDIR - Not a directory",
    "EISDIR - Is a directory",
    "EINVAL - Invalid argument",
    "ENFILE - Too many open files in system",
    "EMFILE - Too many open files",
    "ENOTTY - Inappropriate ioctl for device",
    "ETXTBSY - Text file busy",
    "EFBIG - File too large",
    "ENOSPC - No space left on device",
    "ESPIPE - Illegal seek",
    "EROFS - Read-only file system",
    "EMLINK - Too many links",
    "EPIPE - Broken pipe",
    "EDOM - Numerical argument out of domain",
    "ERANGE - Result too large",
    "EAGAIN - Resource temporarily unavailable; Operation would block",
    "EINPROGRESS - Operation now in progress",
    "EALREADY - Operation already in progress",
    "ENOTSOCK - Socket operation on non-socket",
    "EDESTADDRREQ - Destination address required",
    "EMSGSIZE - Message too long",
    "EPROTOTYPE - Protocol wrong type for socket",
    "ENOPROTOOPT - Protocol not available",
    "EPROTONOSUPPORT - Protocol not supported",
};

// Indexed by the BSD signal number; 0 and 7 have no text.
constexpr std::array<const char*, 32> kSignalNames = {
    nullptr,
    "HangUP",
    "INTerrupt",
    "QUIT",
    "ILLegal instruction",
    "trace TRAP",
    "ABoRT",
    nullptr,
    "Floating Point Exception",
    "KILL",
    "BUS error",
    "SEGmentation Violation",
    "bad argument to SYStem call",
    "write on a PIPE with no one to read it",
    "ALaRM clock",
    "software TERMination signal from kill",
    "URGent condition on IO channel",
    "sendable STOP signal not from tty",
    "Tty SToP signal",
    "CONTinue a stopped process",
    "to parent on CHiLD stop or exit",
    "to readers pgrp upon background TTy read IN",
    "like TTin for OUtput",
    "Input/Output possible signal",
    "eXceeded CPU time limit",
    "eXceeded File SiZe limit",
    "Virtual Time ALaRM",
    "PROFiling time alarm",
    "WINdow size CHanges",
    "INFOrmation request",
    "USeR 1",
    "USeR 2",
};

constexpr std::array<const char*, 8> kStreamStatusNames = {
    "kCFStreamStatusNotOpen", "kCFStreamStatusOpening", "kCFStreamStatusOpen",   "kCFStreamStatusReading",
    "kCFStreamStatusWriting", "kCFStreamStatusAtEnd",   "kCFStreamStatusClosed", "kCFStreamStatusError",
};

template <std::size_t N>
const char* lookup(const std::array<const char*, N>& table, std::uint64_t index, const char* fallback) {
    if (index >= N || table[index] == nullptr) return fallback;
    return table[index];
}

} // namespace

const char* strForErrno(std::uint32_t errnoValue) {
    return lookup(kErrnoNames, errnoValue, "unknown");
}

const char* strForSignal(std::uint32_t signalNumber) {
    return lookup(kSignalNames, signalNumber, "unknown");
}

const char* strForCFStreamStatus(std::int64_t status) {
    if (status < 0) return "kCFStreamStatusUnknown";
    return lookup(kStreamStatusNames, static_cast<std::uint64_t>(status), "kCFStreamStatusUnknown");
}

const char* strForCFEventType(std::uint64_t event) {
    switch (event) {
    case 0:
        return "kCFStreamEventNone";
    case 1:
        return "kCFStreamEventOpenCompleted";
    case 2:
        return "kCFStreamEventHasBytesAvailable";
    case 4:
        return "kCFStreamEventCanAcceptBytes";
    case 8:
        return "kCFStreamEventErrorOccurred";
    case 16:
        return "kCFStreamEventEndEncountered";
    default:
        return "kCFStreamEventUnknown";
    }
}
