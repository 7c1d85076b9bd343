// Readable names for the numeric codes that show up in log lines: I/O return codes and messages,
// errno values, signals, stream states and events. Each function answers a pointer to a constant
// string owned by the program (never free it) or the table's fallback; none allocates, none fails,
// all are safe from any thread.
#pragma once

#include <cstdint>

// "kIOReturnSuccess", "kIOReturnExclusiveAccess", ...; unknown codes (the generic error included)
// answer "kIOReturnError".
const char* strForIOReturn(std::int32_t code);
// "kIOMessageServiceIsTerminated", ...; unknown messages answer "kIOMessageUnknown".
const char* strForIOMessage(std::uint32_t message);
// "EPERM - Operation not permitted", ... for 1-43 in the BSD numbering, which is fixed and does not
// follow the host's own errno values; anything else answers "unknown".
const char* strForErrno(std::uint32_t errnoValue);
// "HangUP", ... for 1-6 and 8-31 in the BSD numbering; anything else answers "unknown".
const char* strForSignal(std::uint32_t signalNumber);
// "kCFStreamStatusNotOpen" ... "kCFStreamStatusError" for 0-7, else "kCFStreamStatusUnknown".
const char* strForCFStreamStatus(std::int64_t status);
// Exact single events only (no combinations); else "kCFStreamEventUnknown".
const char* strForCFEventType(std::uint64_t event);
