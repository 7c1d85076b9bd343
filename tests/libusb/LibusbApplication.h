// The application controller and its window on a libusb bus over a umockdev testbed, as the program
// runs them, for the tests that drive the whole program against printers behind usbfs.
#pragma once

#include "devicemodel/SimZEVProcessor.h"

#include "Classes/TBPrinters.h"
#include "platform/usb/capture/capture.h"
#include "platform/usb/libusb/LibusbBus.h"
#include "ui/printerlistmodel.h"
#include "ui/printerwindow.h"

#include <QCoreApplication>
#include <QTest>

#include <memory>

namespace usbfs_test {

struct LibusbApplication {
    LibusbApplication() {
        // Recorded, as the program's bus is.
        bus = usb::capture::capturingBus(usb::makeLibusbBus());
        usb::setCurrentBus(bus);
        controller = std::make_unique<TBPrinters>();
        window = std::make_unique<ui::PrinterWindow>(controller.get(), false);
        controller->setController(window->selection());
        controller->awakeFromNib();
    }
    ~LibusbApplication() {
        controller->prepareForTermination();
        window.reset();
        controller.reset();
        QCoreApplication::processEvents();
        QTest::qWait(50); // libusb's event thread hands over its last notices
        bus.reset();
        usb::setCurrentBus(nullptr);
    }
    LibusbApplication(const LibusbApplication&) = delete;
    LibusbApplication& operator=(const LibusbApplication&) = delete;

    int rows() const { return window->listModel()->rowCount(); }

    std::shared_ptr<usb::UsbBus> bus;
    std::unique_ptr<TBPrinters> controller;
    std::unique_ptr<ui::PrinterWindow> window;
};

// True once the printer's information probe has sent its last command and let go of the interface.
inline bool probeDone(const sim::SimZEVDevice& printer) {
    return printer.printer->receivedCommands().contains(QStringLiteral("MNT_RDUSB_ISERI_SET")) &&
           !printer.device->isClaimed();
}

} // namespace usbfs_test
