// A simulated printer on a simulated bus, and a TBUSBPrinter driving it, for the transport tests.
#pragma once

#include "Classes/TBUSBPrinter.h"
#include "simbus/SimBus.h"

#include <QCoreApplication>
#include <QTest>

namespace transporttest {

constexpr std::uint32_t kLocation = 0x14200000;

inline sim::DeviceIdentity printerIdentity(std::uint32_t location = kLocation) {
    sim::DeviceIdentity id;
    id.vendorId = 0x0F1E;
    id.productId = 0x2D3C;
    id.bcdDevice = 0x0102;
    id.locationId = location;
    id.manufacturer = u"ACME Imaging";
    id.product = u"Photo P1";
    id.serialNumber = u"SN0042";
    id.deviceId1284 = "MANUFACTURER:ACME;MODEL:P1;SERN:123;DES:Photo;";
    return id;
}

// Lets the printer's queue and the main thread's posted work settle (work on one may post to the other).
inline void settle(TBUSBPrinter& printer) {
    for (int round = 0; round < 6; ++round) {
        if (auto* queue = printer.printerCommandQueue()) queue->waitUntilIdle();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

struct Rig {
    std::shared_ptr<sim::SimBus> bus = sim::SimBus::create();
    std::shared_ptr<sim::ScriptedProcessor> processor = std::make_shared<sim::ScriptedProcessor>();
    std::shared_ptr<sim::SimPrinterDevice> device;

    explicit Rig(sim::DeviceIdentity id = printerIdentity()) {
        device = sim::SimPrinterDevice::create(std::move(id), processor);
        bus->attach(device);
    }
    std::shared_ptr<usb::UsbService> service() const { return bus->service(device->identity().locationId); }
    std::shared_ptr<usb::UsbInterface> interface() const {
        std::shared_ptr<usb::UsbInterface> i;
        if (auto s = service()) s->createInterface(i);
        return i;
    }
    // A printer object as discovery makes it: initialised on the interface, optionally given its
    // service (which registers the interest handler and runs the attach-time probe).
    template <typename T = TBUSBPrinter> std::shared_ptr<T> printer(bool withService = false) {
        auto p = TBUSBPrinter::create<T>();
        p->initWithInterfaceInterface(interface());
        if (withService) p->setDeviceObject(service());
        settle(*p);
        return p;
    }
};

// Every status text the printer publishes, in order, so that a text shown only for a moment is
// caught too (waiting for the final text would hide it).
class StatusLog {
public:
    explicit StatusLog(TBUSBPrinter& printer) {
        connection_ =
            QObject::connect(&printer, &TBUSBPrinter::valueChanged, [this, p = &printer](const QString& key) {
                if (key == QLatin1String("status")) texts_ << p->status();
            });
    }
    ~StatusLog() { QObject::disconnect(connection_); }
    StatusLog(const StatusLog&) = delete;
    StatusLog& operator=(const StatusLog&) = delete;

    QStringList texts() const { return texts_; }
    QStringList take() { return std::exchange(texts_, {}); }

private:
    QMetaObject::Connection connection_;
    QStringList texts_;
};

// Runs `fn` on the printer's command queue and waits for it.
template <typename Fn> auto onQueue(TBUSBPrinter& printer, Fn fn) {
    using R = decltype(fn());
    if constexpr (std::is_void_v<R>) {
        printer.printerCommandQueue()->async(fn);
        printer.printerCommandQueue()->waitUntilIdle();
    } else {
        R result{};
        printer.printerCommandQueue()->async([&] { result = fn(); });
        printer.printerCommandQueue()->waitUntilIdle();
        return result;
    }
}

} // namespace transporttest
