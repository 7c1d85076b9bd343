#include "Classes/TBPrinters.h"

#include "Classes/TBUSBPrinterZEV.h"
#include "platform/applicationwindow.h"
#include "platform/listselection.h"
#include "platform/platformlog.h"
#include "platform/queue.h"
#include "platform/strings.h"
#include "platform/userdefaults.h"

#include <QCoreApplication>

#include <limits>

namespace {

// "printerIterator" registers for every printer-class interface, whatever its subclass, so that a
// printer by class but not by subclass can be reported; the removal registration only needs the
// printers this program drives.
constexpr int kAnySubClass = -1;

const char* const kClass = "TBPrinters";

std::string name(const char* selector) {
    return platform::methodName('-', kClass, selector);
}

bool contains(const std::optional<IndexSet>& ids, quint16 id) {
    return ids && ids->count(id) > 0;
}

} // namespace

TBPrinters::TBPrinters(QObject* parent) : QObject(parent) {
    notifyPort_ = sharedNotificationPort();
}

TBPrinters::~TBPrinters() {
    prepareForTermination();
    platform::platformLog("about to call [super dealloc] in %s\n", name("dealloc").c_str());
}

bool TBPrinters::isMainQueue() {
    return platform::mainqueue::isMainThread();
}

std::shared_ptr<usb::UsbBus> TBPrinters::sharedNotificationPort() {
    auto bus = usb::currentBus();
    if (!bus) platform::platformLog("failed to add a runloop source for device notifications\n");
    return bus;
}

void TBPrinters::awakeFromNib() {
    platform::platformLog("%s", name("awakeFromNib").c_str());
    getPrintingDevices();
}

void TBPrinters::getPrintingDevices() {
    if (!notifyPort_) return;

    const IOReturn arrival = notifyPort_->addMatchingNotification(
        usb::kUSBPrintingClass, kAnySubClass,
        [this](std::shared_ptr<usb::UsbService> service) { newPrinterCallback(service); }, printerIterator_);
    (void)arrival; // a failed arrival registration still goes on to the removal registration

    const IOReturn removal = notifyPort_->addTerminationNotification(
        usb::kUSBPrintingClass, usb::kUSBPrintingSubClass,
        [this](std::shared_ptr<usb::UsbService> service) { deviceRemovedCallback(service); },
        removedIterator_);
    (void)removal;
}

void TBPrinters::newPrinterCallback(const std::shared_ptr<usb::UsbService>& service) {
    if (!service || terminated_) return;

    std::shared_ptr<usb::UsbInterface> interface;
    const IOReturn created = service->createInterface(interface);
    if (created != kIOReturnSuccess || !interface) {
        platform::stderrPrint("ERROR: IOCreatePlugInInterfaceForService() returned [%d]\n", int(created));
        return;
    }

    std::uint8_t interfaceClass = 0;
    std::uint8_t interfaceSubClass = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    IOReturn rc = interface->interfaceClass(interfaceClass);
    if (rc != kIOReturnSuccess) {
        platform::platformLog("GetInterfaceClass() returned [%d]\n", int(rc));
        return;
    }
    rc = interface->interfaceSubClass(interfaceSubClass);
    if (rc != kIOReturnSuccess) {
        platform::platformLog("GetInterfaceSubClass() returned [%d]\n", int(rc));
        return;
    }
    rc = interface->deviceVendor(vendor);
    if (rc != kIOReturnSuccess) {
        platform::platformLog("GetDeviceVendor() returned [%d]\n", int(rc));
        return;
    }
    rc = interface->deviceProduct(product);
    if (rc != kIOReturnSuccess) {
        platform::platformLog("GetDeviceProduct() returned [%d]\n", int(rc));
        return;
    }

    if (interfaceClass == usb::kUSBPrintingClass && interfaceSubClass == usb::kUSBPrintingSubClass &&
        contains(TBUSBPrinterZEV::supportedVendorIDs(), vendor) &&
        contains(TBUSBPrinterZEV::supportedProductIDs(), product)) {
        Printer printer = TBUSBPrinter::create<TBUSBPrinterZEV>();
        printer->initWithInterfaceInterface(interface);
        printer->setDeviceObject(service);
        // The printer stores its registry object on its command queue, later; a printer unplugged
        // before that must still be found, so remember which object it was made for.
        arrivalServices_[printer.get()] = service->registryID();
        addPrinter(printer);
    } else if (interfaceClass == usb::kUSBPrintingClass && interfaceSubClass != usb::kUSBPrintingSubClass) {
        platform::platformLog("Found a device that is a printer by class, but not by subclass; subClass=%d\n",
                              int(interfaceSubClass));
    }
    // The printer holds its own references to the interface and the service.
}

void TBPrinters::deviceRemovedCallback(const std::shared_ptr<usb::UsbService>& service) {
    if (!service || terminated_) return;
    removedDeviceObject(service);
}

void TBPrinters::addPrinter(const Printer& printer) {
    if (!printer) return;
    hasList_ = true;

    printer->probe();

    // Observe "firmwareVersion" (and relay every announced key to the list model). Disconnected on
    // removal; the printer itself is the context.
    TBUSBPrinterZEV* context = printer.get();
    connect(context, &TBUSBPrinter::valueChanged, this, [this, context](const QString& key) {
        if (indexOfPrinter(context) < 0) return;
        emit printerValueChanged(context, key);
        if (key == QRVX_TBPrinterFirmwareVersion) observeValueForKeyPath(key, context);
    });

    // Listed once it has named itself: its descriptor strings are read on its command queue (ahead
    // of the probe), so a printer slow to answer them never freezes the window, and its row shows
    // them from the start.
    arriving_.append(printer);
    QPointer<TBPrinters> self(this);
    printer->whenDescriptorStringsRead([self, printer] {
        if (self) self->listArrivedPrinter(printer);
    });
}

void TBPrinters::listArrivedPrinter(const Printer& printer) {
    // Gone before it was listed, or the program is ending.
    if (terminated_ || !arriving_.removeOne(printer)) return;
    const int wasSelected = selectedRow();
    // Rows keep the order the printers arrived in (their registry objects are numbered in that
    // order), whichever of them named itself first.
    const auto numberOf = [this](const TBUSBPrinterZEV* which) {
        const auto known = arrivalServices_.find(which);
        return known == arrivalServices_.end() ? std::numeric_limits<std::uint64_t>::max() : known->second;
    };
    const std::uint64_t mine = numberOf(printer.get());
    int row = 0;
    while (row < printers_.size() && numberOf(printers_.at(row).get()) < mine)
        ++row;
    emit printersAboutToBeInserted(row);
    printers_.insert(row, printer);
    emit printersInserted(row);
    if (wasSelected == 0) {
        selectRow(0);
    } else {
        // The list selects what is inserted; the selection rule then moves it to the first row.
        selectRow(row);
    }
}

void TBPrinters::observeValueForKeyPath(const QString& keyPath, TBUSBPrinterZEV* context) {
    platform::platformLog("%s %s", name("observeValueForKeyPath:ofObject:change:context:").c_str(),
                          qUtf8Printable(keyPath));
    if (keyPath != QRVX_TBPrinterFirmwareVersion) return;
    QPointer<TBPrinters> self(this);
    platform::mainqueue::performInline([self, context] {
        if (self) self->selectPrinter(context);
    });
}

void TBPrinters::removedDeviceObject(const std::shared_ptr<usb::UsbService>& service) {
    platform::platformLog("a printer object was removed ... checking for matching device");
    for (const Printer& printer : printers_) {
        // A printer already on its way out (its removal waits on its command queue) is not matched again.
        if (leaving_.count(printer.get()) || !namesService(printer.get(), service->registryID())) continue;
        leaving_.insert(printer.get());
        platform::platformLog("removing %s", printer->descriptionUTF8().constData());
        disconnect(printer.get(), &TBUSBPrinter::valueChanged, this, nullptr);
        printer->prepareForRelease();
        drainRemoval(printer);
        return;
    }
    // Arrived, but still reading its descriptor strings: it never reaches the list.
    for (qsizetype i = 0; i < arriving_.size(); ++i) {
        if (!namesService(arriving_.at(i).get(), service->registryID())) continue;
        const Printer printer = arriving_.takeAt(i);
        arrivalServices_.erase(printer.get());
        platform::platformLog("removing %s", printer->descriptionUTF8().constData());
        disconnect(printer.get(), &TBUSBPrinter::valueChanged, this, nullptr);
        printer->prepareForRelease();
        return;
    }
    platform::platformLog("failed to match a printer object for device %x", unsigned(service->registryID()));
}

bool TBPrinters::namesService(const TBUSBPrinterZEV* printer, std::uint64_t registryID) const {
    const auto known = arrivalServices_.find(printer);
    if (known != arrivalServices_.end()) return known->second == registryID;
    const auto object = printer->deviceObject();
    return object && object->registryID() == registryID;
}

void TBPrinters::drainRemoval(const Printer& printer) {
    // Through the command queue first, so everything queued on the printer (its release steps among it)
    // has run before the list lets go of it.
    QPointer<TBPrinters> self(this);
    platform::SerialQueue* queue = printer->printerCommandQueue();
    auto remove = [self, printer] {
        platform::mainqueue::async([self, printer] {
            if (!self) return;
            const int row = self->indexOfPrinter(printer.get());
            if (row < 0) return;
            emit self->printersAboutToBeRemoved(row);
            self->printers_.removeAt(row);
            self->arrivalServices_.erase(printer.get());
            self->leaving_.erase(printer.get());
            emit self->printersRemoved(row);
            // The list never keeps an empty selection while it has rows.
            if (self->selectedRow() < 0 && !self->printers_.isEmpty()) self->selectRow(0);
        });
    };
    if (queue) {
        queue->async(std::move(remove));
    } else {
        remove();
    }
}

QList<TBPrinters::Printer> TBPrinters::printers() const {
    return printers_;
}

void TBPrinters::setPrinters(const QList<Printer>&) {
    platform::platformLog("inside %s", name("setPrinters:").c_str());
}

TBPrinters::Printer TBPrinters::printerAt(int row) const {
    if (row < 0 || row >= printers_.size()) return {};
    return printers_.at(row);
}

TBPrinters::Printer TBPrinters::printerWithKey(const QString& key) const {
    for (auto it = printers_.crbegin(); it != printers_.crend(); ++it)
        if (!leaving_.count(it->get()) && (*it)->keyUSBdevice() == key) return *it;
    return {};
}

int TBPrinters::indexOfPrinter(const TBUSBPrinterZEV* printer) const {
    for (int i = 0; i < printers_.size(); ++i) {
        if (printers_.at(i).get() == printer) return i;
    }
    return -1;
}

void TBPrinters::setController(platform::ListSelection* controller) {
    if (controller_) disconnect(controller_, nullptr, this, nullptr);
    controller_ = controller;
    if (!controller) return;
    connect(controller, &platform::ListSelection::selectionChanged, this,
            [this] { tableViewSelectionDidChange(controller_); });
}

platform::ListSelection* TBPrinters::controller() const {
    return controller_;
}

int TBPrinters::selectedRow() const {
    return controller_ ? controller_->selectedRow() : -1;
}

TBPrinters::Printer TBPrinters::selectedPrinter() const {
    return printerAt(selectedRow());
}

void TBPrinters::selectRow(int row) {
    if (controller_) controller_->selectRow(row);
}

void TBPrinters::selectPrinter(const TBUSBPrinterZEV* printer) {
    const int row = indexOfPrinter(printer);
    if (row >= 0) selectRow(row);
}

void TBPrinters::tableViewSelectionDidChange(platform::ListSelection* sender) {
    if (!sender) return;
    const int rows = sender->rowCount();
    const int selected = selectedRow();
    platform::platformLog("rows = %d; selected row = %d", rows, selected);
    if (rows > 0 && selected < 0) {
        platform::platformLog("selecting row 0");
        selectRow(0);
    }
    platform::platformLog("really selecting row 0");
    selectRow(0);
}

void TBPrinters::applicationDidFinishLaunching(platform::ApplicationWindow* window) {
    if (window) window->localizeMainMenu();

    const QString version = QCoreApplication::applicationVersion();
    if (!version.isEmpty())
        platform::userdefaults::setString(QStringLiteral("CFBundleShortVersionString"), version);

    if (!window) return;
    window->setTitle(platform::localizedString(window->title()));
    window->setTitle(QCoreApplication::applicationName());
    for (int column = 0; column < window->columnCount(); ++column)
        window->setColumnTitle(column, platform::localizedString(window->columnTitle(column)));
    window->redrawList();
}

bool TBPrinters::applicationShouldTerminate() {
    platform::platformLog("inside %s\n", name("applicationShouldTerminate:").c_str());
    prepareForTermination();
    return true;
}

bool TBPrinters::applicationShouldTerminateAfterLastWindowClosed(const QObject* application) const {
    return application != nullptr && application == QCoreApplication::instance();
}

void TBPrinters::prepareForTermination() {
    if (terminated_) return;
    terminated_ = true;
    platform::platformLog("inside %s\n", name("prepareForTermination").c_str());
    for (const Printer& printer : arriving_)
        arrivalServices_.erase(printer.get());
    arriving_.clear();

    if (hasList_) {
        // At quit the event loop may already have stopped, so empty the list now when on the main thread.
        QPointer<TBPrinters> self(this);
        platform::mainqueue::performInline([self] {
            if (!self) return;
            emit self->printersAboutToBeReset();
            for (const Printer& printer : self->printers_) {
                QObject::disconnect(printer.get(), nullptr, self, nullptr);
            }
            self->printers_.clear();
            self->arrivalServices_.clear();
            self->leaving_.clear();
            self->hasList_ = false;
            emit self->printersReset();
        });
    }

    // Destroying the notification port ends every notice; here that means dropping both registrations.
    printerIterator_.reset();
    removedIterator_.reset();
    notifyPort_.reset();
}
