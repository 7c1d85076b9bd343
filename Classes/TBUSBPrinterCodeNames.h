// Names of platform result and message codes for log lines. The support library owns the tables;
// until it is part of this tree a minimal fallback keeps the transport building.
#pragma once

#if __has_include("support/QRVX_CodeNames.h")
#include "support/QRVX_CodeNames.h"
#else
#include "platform/usb/iokit_codes.h"

inline const char* strForIOReturn(IOReturn code) {
    switch (code) {
    case kIOReturnSuccess: return "kIOReturnSuccess";
    case kIOReturnNoDevice: return "kIOReturnNoDevice";
    case kIOReturnBadArgument: return "kIOReturnBadArgument";
    case kIOReturnExclusiveAccess: return "kIOReturnExclusiveAccess";
    case kIOReturnTimeout: return "kIOReturnTimeout";
    case kIOReturnUnderrun: return "kIOReturnUnderrun";
    case kIOReturnNotResponding: return "kIOReturnNotResponding";
    case kIOUSBPipeStalled: return "kIOUSBPipeStalled";
    case kIOUSBUnknownPipeErr: return "kIOUSBUnknownPipeErr";
    default: return "kIOReturnError";
    }
}

inline const char* strForIOMessage(IOMessage message) {
    switch (message) {
    case kIOMessageServiceIsTerminated: return "kIOMessageServiceIsTerminated";
    case kIOMessageServiceIsAttemptingOpen: return "kIOMessageServiceIsAttemptingOpen";
    case kIOMessageServiceWasClosed: return "kIOMessageServiceWasClosed";
    case kIOMessageServiceBusyStateChange: return "kIOMessageServiceBusyStateChange";
    default: return "kIOMessageUnknown";
    }
}
#endif
