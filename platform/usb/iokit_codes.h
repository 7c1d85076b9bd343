// Platform result codes and message types. The USB layer reports every outcome as one of these
// signed 32-bit values under its kIOReturn / kIOMessage name (kIOReturnExclusiveAccess is
// 0xE00002C5). Names and values are fixed: log lines carry them, so a failure reads the same
// whichever backend reported it. strForIOReturn / strForIOMessage name them.
#pragma once

#include <cstdint>

using IOReturn = std::int32_t;

namespace iokit_detail {
constexpr IOReturn err(std::uint32_t familyAndCode) {
    return static_cast<IOReturn>(0xE0000000u | familyAndCode);
}
constexpr std::uint32_t usbFamily = 0x4000;
} // namespace iokit_detail

// General family.
constexpr IOReturn kIOReturnSuccess = 0;
constexpr IOReturn kIOReturnInvalid = iokit_detail::err(0x001);
constexpr IOReturn kIOReturnError = iokit_detail::err(0x2BC);
constexpr IOReturn kIOReturnNoMemory = iokit_detail::err(0x2BD);
constexpr IOReturn kIOReturnNoResources = iokit_detail::err(0x2BE);
constexpr IOReturn kIOReturnIPCError = iokit_detail::err(0x2BF);
constexpr IOReturn kIOReturnNoDevice = iokit_detail::err(0x2C0);
constexpr IOReturn kIOReturnNotPrivileged = iokit_detail::err(0x2C1);
constexpr IOReturn kIOReturnBadArgument = iokit_detail::err(0x2C2);
constexpr IOReturn kIOReturnLockedRead = iokit_detail::err(0x2C3);
constexpr IOReturn kIOReturnLockedWrite = iokit_detail::err(0x2C4);
constexpr IOReturn kIOReturnExclusiveAccess = iokit_detail::err(0x2C5);
constexpr IOReturn kIOReturnNotOpen = iokit_detail::err(0x2CD);
constexpr IOReturn kIOReturnStillOpen = iokit_detail::err(0x2D2);
constexpr IOReturn kIOReturnTimeout = iokit_detail::err(0x2D6);
constexpr IOReturn kIOReturnUnderrun = iokit_detail::err(0x2E7);
constexpr IOReturn kIOReturnOverrun = iokit_detail::err(0x2E8);
constexpr IOReturn kIOReturnDeviceError = iokit_detail::err(0x2E9);
constexpr IOReturn kIOReturnNoCompletion = iokit_detail::err(0x2EA);
constexpr IOReturn kIOReturnAborted = iokit_detail::err(0x2EB);
constexpr IOReturn kIOReturnNoBandwidth = iokit_detail::err(0x2EC);
constexpr IOReturn kIOReturnNotResponding = iokit_detail::err(0x2ED);
constexpr IOReturn kIOReturnNotFound = iokit_detail::err(0x2F0);

// USB family.
constexpr IOReturn kIOUSBCRCErr = iokit_detail::err(iokit_detail::usbFamily | 0x001);
constexpr IOReturn kIOUSBBitstufErr = iokit_detail::err(iokit_detail::usbFamily | 0x002);
constexpr IOReturn kIOUSBDataToggleErr = iokit_detail::err(iokit_detail::usbFamily | 0x003);
constexpr IOReturn kIOUSBPIDCheckErr = iokit_detail::err(iokit_detail::usbFamily | 0x006);
constexpr IOReturn kIOUSBWrongPIDErr = iokit_detail::err(iokit_detail::usbFamily | 0x007);
constexpr IOReturn kIOUSBReserved1Err = iokit_detail::err(iokit_detail::usbFamily | 0x00A);
constexpr IOReturn kIOUSBReserved2Err = iokit_detail::err(iokit_detail::usbFamily | 0x00B);
constexpr IOReturn kIOUSBBufferOverrunErr = iokit_detail::err(iokit_detail::usbFamily | 0x00C);
constexpr IOReturn kIOUSBBufferUnderrunErr = iokit_detail::err(iokit_detail::usbFamily | 0x00D);
constexpr IOReturn kIOUSBNotSent1Err = iokit_detail::err(iokit_detail::usbFamily | 0x00E);
constexpr IOReturn kIOUSBNotSent2Err = iokit_detail::err(iokit_detail::usbFamily | 0x00F);
constexpr IOReturn kIOUSBLinkErr = iokit_detail::err(iokit_detail::usbFamily | 0x010);
constexpr IOReturn kIOUSBHighSpeedSplitError = iokit_detail::err(iokit_detail::usbFamily | 0x04B);
constexpr IOReturn kIOUSBLowLatencyFrameListNotPreviouslyAllocated =
    iokit_detail::err(iokit_detail::usbFamily | 0x04C);
constexpr IOReturn kIOUSBLowLatencyBufferNotPreviouslyAllocated =
    iokit_detail::err(iokit_detail::usbFamily | 0x04D);
constexpr IOReturn kIOUSBInterfaceNotFound = iokit_detail::err(iokit_detail::usbFamily | 0x04E);
constexpr IOReturn kIOUSBPipeStalled = iokit_detail::err(iokit_detail::usbFamily | 0x04F);
constexpr IOReturn kIOUSBTransactionReturned = iokit_detail::err(iokit_detail::usbFamily | 0x050);
constexpr IOReturn kIOUSBTransactionTimeout = iokit_detail::err(iokit_detail::usbFamily | 0x051);
constexpr IOReturn kIOUSBConfigNotFound = iokit_detail::err(iokit_detail::usbFamily | 0x056);
constexpr IOReturn kIOUSBEndpointNotFound = iokit_detail::err(iokit_detail::usbFamily | 0x057);
constexpr IOReturn kIOUSBNotEnoughPowerErr = iokit_detail::err(iokit_detail::usbFamily | 0x05D);
constexpr IOReturn kIOUSBNotEnoughPipesErr = iokit_detail::err(iokit_detail::usbFamily | 0x05E);
constexpr IOReturn kIOUSBNoAsyncPortErr = iokit_detail::err(iokit_detail::usbFamily | 0x05F);
constexpr IOReturn kIOUSBTooManyPipesErr = iokit_detail::err(iokit_detail::usbFamily | 0x060);
constexpr IOReturn kIOUSBUnknownPipeErr = iokit_detail::err(iokit_detail::usbFamily | 0x061);

// Interest message types (the general family's messages).
using IOMessage = std::uint32_t;
constexpr IOMessage kIOMessageServiceIsTerminated = 0xE0000010u;
constexpr IOMessage kIOMessageServiceIsSuspended = 0xE0000020u;
constexpr IOMessage kIOMessageServiceIsResumed = 0xE0000030u;
constexpr IOMessage kIOMessageServiceIsRequestingClose = 0xE0000100u;
constexpr IOMessage kIOMessageServiceIsAttemptingOpen = 0xE0000101u;
constexpr IOMessage kIOMessageServiceWasClosed = 0xE0000110u;
constexpr IOMessage kIOMessageServiceBusyStateChange = 0xE0000120u;
constexpr IOMessage kIOMessageServicePropertyChange = 0xE0000130u;
constexpr IOMessage kIOMessageCanDevicePowerOff = 0xE0000200u;
constexpr IOMessage kIOMessageDeviceWillPowerOff = 0xE0000210u;
constexpr IOMessage kIOMessageDeviceWillNotPowerOff = 0xE0000220u;
constexpr IOMessage kIOMessageDeviceHasPoweredOn = 0xE0000230u;
constexpr IOMessage kIOMessageCanSystemPowerOff = 0xE0000240u;
constexpr IOMessage kIOMessageSystemWillPowerOff = 0xE0000250u;
constexpr IOMessage kIOMessageSystemWillNotPowerOff = 0xE0000260u;
constexpr IOMessage kIOMessageCanSystemSleep = 0xE0000270u;
constexpr IOMessage kIOMessageSystemWillSleep = 0xE0000280u;
constexpr IOMessage kIOMessageSystemWillNotSleep = 0xE0000290u;
constexpr IOMessage kIOMessageSystemHasPoweredOn = 0xE0000300u;
constexpr IOMessage kIOMessageSystemWillRestart = 0xE0000310u;
constexpr IOMessage kIOMessageSystemWillPowerOn = 0xE0000320u;
constexpr IOMessage kIOMessageCopyClientID = 0xE0000330u;
