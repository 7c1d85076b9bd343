// One printer of the family on the simulated bus, driven by a real TBUSBPrinterZEV.
#pragma once

#include "Classes/TBUSBPrinterZEV.h"
#include "devicemodel/SimZEVProcessor.h"
#include "platform/platformlog.h"
#include "simbus/SimBus.h"

#include <QSignalSpy>
#include <QStringList>
#include <QTest>

#include <memory>

// Records the switch's notices and its print-queue clean-up. They also run for real when asked to
// (dialogs through the current presenter; the clean-up against the print system CUPS_SERVER names):
// set the flags before the first call.
class RecordingPrinter : public TBUSBPrinterZEV {
public:
    QStringList notices; // touched on the command queue, read after it is idle
    std::mutex mutex;
    bool realNotices = false;
    bool realQueueRemoval = false;
    void showPrinterBusyAlert() override {
        note("busy");
        if (realNotices) TBUSBPrinterZEV::showPrinterBusyAlert();
    }
    void showPowerCycleAlert() override {
        note("power-cycle");
        if (realNotices) TBUSBPrinterZEV::showPowerCycleAlert();
    }
    void deleteExistingPrinterQueues() override {
        note("delete-queues");
        if (realQueueRemoval) TBUSBPrinterZEV::deleteExistingPrinterQueues();
    }
    // Set: an accepted warning goes no further than the readiness step's log line.
    bool stopsAtReadiness = false;
    void proceedWithUpdateWhenReady() override {
        if (stopsAtReadiness)
            platform::platformLog("%s", methodName("proceedWithUpdateWhenReady").c_str());
        else
            TBUSBPrinterZEV::proceedWithUpdateWhenReady();
    }
    QStringList noticesSoFar() {
        std::lock_guard lock(mutex);
        return notices;
    }

private:
    void note(const char* what) {
        std::lock_guard lock(mutex);
        notices << what;
    }
};

struct ZEVRig {
    static constexpr std::uint32_t kLocation = 0x14100000;

    std::shared_ptr<sim::SimBus> bus = sim::SimBus::create();
    sim::SimZEVDevice sim;
    std::shared_ptr<RecordingPrinter> printer;

    explicit ZEVRig(sim::SimZEVModel model, const std::function<void(sim::SimZEVPrinterState&)>& setUp = {}) {
        usb::setCurrentBus(bus);
        sim = sim::makeSimZEVDevice(model, kLocation);
        if (setUp) sim.printer->update(setUp);
        bus->attach(sim.device);
        auto service = bus->service(kLocation);
        std::shared_ptr<usb::UsbInterface> interface;
        service->createInterface(interface);
        printer = TBUSBPrinter::create<RecordingPrinter>();
        printer->initWithInterfaceInterface(interface);
        printer->setDeviceObject(service);
        settle();
        sim.printer->clearReceived();
    }
    ~ZEVRig() {
        printer->prepareForRelease();
        settle();
        printer.reset();
        QCoreApplication::processEvents();
        usb::setCurrentBus(nullptr);
    }

    // Lets the command queue and the main thread run dry (work on one may post to the other).
    void settle() {
        for (int i = 0; i < 3; ++i) {
            printer->printerCommandQueue()->waitUntilIdle();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }
    QStringList commands() const { return sim.printer->receivedCommands(); }
    QString stored(const QString& key) const {
        const QVariant value = printer->deviceInfoValue(key);
        return value.isValid() ? value.toString() : QStringLiteral("<absent>");
    }
    // Runs `block` on the command queue with the interface open, as the flows do.
    void onOpenInterface(std::function<void(RecordingPrinter&)> block) {
        auto p = printer;
        p->openInterface([p, block](IOReturn result) {
            if (result == kIOReturnSuccess) block(*p);
        });
        settle();
    }
};
