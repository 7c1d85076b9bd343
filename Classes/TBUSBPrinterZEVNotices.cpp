// The serial-number switch's notices to the operator. These plain versions log what the operator
// would be told; the update half's dialogs take their place.
#include "Classes/TBUSBPrinterZEV.h"

#include "platform/platformlog.h"

void TBUSBPrinterZEV::showPrinterBusyAlert() {
    platform::platformLog("%s", methodName("showPrinterBusyAlert").c_str());
}

void TBUSBPrinterZEV::showPowerCycleAlert() {
    platform::platformLog("%s", methodName("showPowerCycleAlert").c_str());
}

void TBUSBPrinterZEV::deleteExistingPrinterQueues() {
    platform::platformLog("%s", methodName("deleteExistingPrinterQueues").c_str());
}
