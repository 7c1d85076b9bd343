#include "Classes/Edition.h"

#include "platform/resources.h"

#include <atomic>

namespace {
std::atomic<const Edition*> gCurrent{nullptr};
}

const Edition& Edition::printerFlasher() {
    static const Edition edition(Kind::PrinterFlasher);
    return edition;
}

const Edition& Edition::serialSwitcher() {
    static const Edition edition(Kind::SerialSwitcher);
    return edition;
}

const Edition& Edition::current() {
    const Edition* edition = gCurrent.load();
    return edition ? *edition : printerFlasher();
}

void Edition::setCurrent(const Edition& edition) {
    gCurrent.store(&edition);
    // The package files are installed per program.
    platform::resources::setProgramName(edition.programName());
}

QString Edition::programName() const {
    return isPrinterFlasher() ? QStringLiteral("printer-flasher") : QStringLiteral("serial-switcher");
}

QString Edition::qxaWarningFirmwareVersion() const {
    return isPrinterFlasher() ? QStringLiteral("HS 2.05") : QStringLiteral("HS 2.04");
}
