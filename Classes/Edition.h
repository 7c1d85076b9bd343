// The settled differences between the two programs built from these sources. One value is chosen
// in main(); everything that differs asks it, so one test binary can exercise both programs.
#pragma once

#include <QString>

class Edition {
public:
    enum class Kind { PrinterFlasher, SerialSwitcher };

    static const Edition& printerFlasher();
    static const Edition& serialSwitcher();

    // The edition of the running program (printer-flasher until main() says otherwise).
    static const Edition& current();
    static void setCurrent(const Edition& edition);

    Kind kind() const { return kind_; }
    bool isPrinterFlasher() const { return kind_ == Kind::PrinterFlasher; }
    bool isSerialSwitcher() const { return kind_ == Kind::SerialSwitcher; }
    // "printer-flasher" / "serial-switcher": executable name and share/<program>/ folder.
    QString programName() const;
    // The firmware version the HV-QXA warning promises: "HS 2.05" / "HS 2.04".
    QString qxaWarningFirmwareVersion() const;

private:
    explicit Edition(Kind kind) : kind_(kind) {}
    Kind kind_;
};
