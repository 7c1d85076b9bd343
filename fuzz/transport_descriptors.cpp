// A simulated printer answers the host's descriptor and device-ID requests with arbitrary bytes;
// the printer object reads them the way it does at attach time. The first input byte picks the
// request that gets the bytes, the rest is the reply. Nothing may crash or read past the reply.
#include "Classes/TBUSBPrinter.h"
#include "base/usbstandard.h"
#include "simbus/SimBus.h"

#include <cstring>

using namespace usbstd;

namespace {

constexpr std::uint16_t kLanguageTable = 0x0300;
constexpr std::uint16_t kDeviceDescriptor = 0x0100;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

struct Rig {
    std::shared_ptr<sim::SimBus> bus = sim::SimBus::create();
    std::shared_ptr<sim::SimPrinterDevice> device;
    Rig() {
        sim::DeviceIdentity id;
        id.vendorId = 0x0F1E;
        id.productId = 0x2D3C;
        id.locationId = 0x14200000;
        id.manufacturer = u"ACME";
        id.product = u"P1";
        id.serialNumber = u"S1";
        id.deviceId1284 = "MFG:ACME;MDL:P1;";
        device = sim::SimPrinterDevice::create(id);
        bus->attach(device);
    }
    std::shared_ptr<usb::UsbInterface> interface() {
        std::shared_ptr<usb::UsbInterface> i;
        bus->service(0x14200000)->createInterface(i);
        return i;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    if (size == 0) return 0;
    const std::uint8_t target = data[0] % 4;
    std::vector<std::uint8_t> reply(data + 1, data + size);
    rig.device->clearControlOverrides();
    switch (target) {
    case 0:
        rig.device->overrideControlReply(kRequestTypeClassInterfaceIn, kPrinterGetDeviceId, 0, reply);
        break;
    case 1:
        rig.device->overrideControlReply(kRequestTypeStandardDeviceIn, kRequestGetDescriptor, kLanguageTable,
                                         reply);
        break;
    case 2:
        for (std::uint16_t index = 1; index <= 3; ++index)
            rig.device->overrideControlReply(kRequestTypeStandardDeviceIn, kRequestGetDescriptor,
                                             kLanguageTable | index, reply);
        break;
    case 3:
        rig.device->overrideControlReply(kRequestTypeStandardDeviceIn, kRequestGetDescriptor,
                                         kDeviceDescriptor, reply);
        break;
    }

    // No command queue: every step runs inline here.
    auto printer = TBUSBPrinter::create();
    auto interface = rig.interface();
    printer->setInterfaceInterface(interface);
    printer->update1284DeviceID([](bool found, QString text) {
        check(found != text.isNull());
        TBUSBPrinter::decodeDeviceID(text, [](QString manufacturer, QString model, QString, QString) {
            check(!manufacturer.isNull() && !model.isNull());
        });
    });
    for (std::uint8_t index = 1; index <= 3; ++index) {
        const QString text = printer->descriptorStringAtIndex(index);
        check(text.isNull() || !text.isEmpty());
    }
    QString copy;
    usbInterfaceGetDescriptorStringCopy(interface.get(), 2, &copy);
    usbInterfaceCreateSerialNumberString(interface.get(), &copy);
    std::uint8_t m = 0, p = 0, s = 0;
    usbInterfaceGetiDeviceIndices(interface.get(), &m, &p, &s);
    return 0;
}
