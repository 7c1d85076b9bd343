#include "Classes/TBUSBPrinter.h"

#include "platform/platformlog.h"
#include "support/QRVX_CodeNames.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <map>

// ---- device-info keys ----
const QString QRVX_TBPrinterModel = QStringLiteral("model");
const QString QRVX_TBPrinterManufacturer = QStringLiteral("manufacturer");
const QString QRVX_TBPrinterStatus = QStringLiteral("printerStatus");
const QString QRVX_TBPrinterSerialNumber = QStringLiteral("printerSerialNumber");
const QString QRVX_TBPrinterFirmwareVersion = QStringLiteral("firmwareVersion");
const QString QRVX_TBPrinterFirmwareVersionPrevious = QStringLiteral("firmwareVersionPrevious");
const QString QRVX_TBPrinterColorTableVersion = QStringLiteral("colorTableVersion");
const QString QRVX_TBPrinterColorTableVersion600 = QStringLiteral("colorTableVersion600");
const QString QRVX_TBPrinterColorTableVersion610 = QStringLiteral("colorTableVersion610");
const QString QRVX_TBPrinterColorTableVersion620 = QStringLiteral("colorTableVersion620");
const QString QRVX_TBPrinterColorTableChecksum300 = QStringLiteral("colorTableChecksum300");
const QString QRVX_TBPrinterColorTableChecksum600 = QStringLiteral("colorTableChecksum600");
const QString QRVX_TBPrinterColorTableChecksum610 = QStringLiteral("colorTableChecksum610");
const QString QRVX_TBPrinterColorTableChecksum620 = QStringLiteral("colorTableChecksum620");
const QString QRVX_TBPrinterColorTableVersion300HD = QStringLiteral("colorTableVersion300HD");
const QString QRVX_TBPrinterColorTableVersion600HD = QStringLiteral("colorTableVersion600HD");
const QString QRVX_TBPrinterColorTableVersion610HD = QStringLiteral("colorTableVersion610HD");
const QString QRVX_TBPrinterColorTableVersion620HD = QStringLiteral("colorTableVersion620HD");
const QString QRVX_TBPrinterColorTableChecksum300HD = QStringLiteral("colorTableChecksum300HD");
const QString QRVX_TBPrinterColorTableChecksum600HD = QStringLiteral("colorTableChecksum600HD");
const QString QRVX_TBPrinterColorTableChecksum610HD = QStringLiteral("colorTableChecksum610HD");
const QString QRVX_TBPrinterColorTableChecksum620HD = QStringLiteral("colorTableChecksum620HD");
const QString QRVX_TBPrinterLifetimeCounter = QStringLiteral("TBPrinterLifetimeCounter");
const QString QRVX_TBPrinterNewFirmwareVersion = QStringLiteral("TBPrinterNewFirmwareVersion");

namespace {

// Bulk transfers wait this long for the first byte and for the whole transfer.
constexpr std::uint32_t kBulkNoDataTimeoutMs = 5000;
// A long payload goes out in pieces of about this size (whole packets), each with its own time-out.
constexpr qint64 kUploadPieceBytes = 64 * 1024;
// The packet size assumed for a pipe that did not say (a high-speed bulk endpoint's).
constexpr qint64 kFallbackMaxPacketSize = 512;
constexpr std::uint32_t kBulkCompletionTimeoutMs = 5000;

constexpr const char* kQueueLabelPrefix = "org.printer-tools.printer.";

const QString kKeyState = QStringLiteral("state");
const QString kKeyIsOwned = QStringLiteral("isOwned");

// The class that defines the base operations, for their "%s" log names (a printer-family object
// still prints -[TBUSBPrinter setDeviceObject:] for them).
constexpr const char* kBaseClassName = "TBUSBPrinter";
std::string baseMethodName(const char* selector) {
    return platform::methodName('-', kBaseClassName, selector);
}

QString orNull(const QString& text) {
    return text.isNull() ? QStringLiteral("(null)") : text;
}

// The registry lives until the process ends: it is never destroyed, so late work on any thread
// can still reach it.
struct Registry {
    base::Mutex mutex;
    std::map<QString, DeviceInfoRef> dictionaries GUARDED_BY(mutex);
};
Registry& registry() {
    static Registry* instance = new Registry;
    return *instance;
}

} // namespace

// ---- DeviceInfoDictionary ----

QVariant DeviceInfoDictionary::value(const QString& key) const {
    base::MutexLocker lock(mutex_);
    return values_.value(key);
}

bool DeviceInfoDictionary::contains(const QString& key) const {
    base::MutexLocker lock(mutex_);
    return values_.contains(key);
}

void DeviceInfoDictionary::setValue(const QString& key, const QVariant& value) {
    base::MutexLocker lock(mutex_);
    values_.insert(key, value);
}

void DeviceInfoDictionary::remove(const QString& key) {
    base::MutexLocker lock(mutex_);
    values_.remove(key);
}

bool DeviceInfoDictionary::isEmpty() const {
    base::MutexLocker lock(mutex_);
    return values_.isEmpty();
}

QVariantMap DeviceInfoDictionary::snapshot() const {
    base::MutexLocker lock(mutex_);
    // A map of its own, made under the lock. A shared copy would let a later write, seeing no other
    // holder (an unordered check), change the map in place while this copy's reader still walks it.
    QVariantMap copy = values_;
    copy.detach();
    return copy;
}

QString DeviceInfoDictionary::description() const {
    const QVariantMap values = snapshot();
    QString text = QStringLiteral("{");
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        text += QStringLiteral(" %1 = %2;").arg(it.key(), it.value().toString());
    text += QStringLiteral(" }");
    return text;
}

// ---- life ----

TBUSBPrinter::TBUSBPrinter() = default;

TBUSBPrinter::~TBUSBPrinter() {
    // Queued items hold their own reference, so nothing of ours is pending; this only winds the
    // worker down.
    printerCommandQueue_.reset();
}

void TBUSBPrinter::deleteOnMainThread(TBUSBPrinter* printer) {
    if (!QCoreApplication::instance() || platform::mainqueue::isMainThread()) {
        delete printer;
        return;
    }
    platform::mainqueue::async([printer] { delete printer; });
}

std::shared_ptr<TBUSBPrinter> TBUSBPrinter::self() {
    return weak_from_this().lock();
}

void TBUSBPrinter::onCommandQueue(std::function<void()> work) {
    performInlineOnCommandQueue([keep = self(), work = std::move(work)] { work(); });
}

void TBUSBPrinter::onMainThread(std::function<void()> work) {
    platform::mainqueue::async([keep = self(), work = std::move(work)] { work(); });
}

const char* TBUSBPrinter::className() const {
    return kBaseClassName;
}

std::string TBUSBPrinter::methodName(const char* selector) const {
    return platform::methodName('-', className(), selector);
}

void TBUSBPrinter::initWithInterfaceInterface(std::shared_ptr<usb::UsbInterface> interface) {
    // The device key must be known at once (the printer family looks up what the registry keeps for
    // it); ids and location come from what the system already holds, so no transfer waits here.
    takeInterface(interface);

    const std::string label =
        kQueueLabelPrefix + QString::asprintf("%p", static_cast<void*>(interface.get())).toStdString();
    printerCommandQueue_ = std::make_unique<platform::SerialQueue>(label);
    platform::platformLog("printer command queue:%s", label.c_str());

    // The strings are transfers to the printer, with time-outs of one to two seconds each: a printer
    // that does not answer them must hold up its own queue, never the caller (the main thread).
    if (interface) {
        getUSBProductString();
        getUSBSerialNumberString();
        getUSBVendorString();
    }
    auto keep = self();
    printerCommandQueue_->async([this, keep] { descriptorStringsRead(); });

    printerCommandQueue_->async([this, keep] {
        update1284DeviceID([this](bool found, QString deviceID) {
            (void)found;
            decodeDeviceID(deviceID, [this](QString manufacturer, QString model, QString, QString) {
                setDeviceInfoValue(QRVX_TBPrinterManufacturer, manufacturer);
                setDeviceInfoValue(QRVX_TBPrinterModel, model);
                onMainThread([this, manufacturer, model] {
                    if (this->manufacturer().isNull()) setManufacturer(manufacturer);
                    if (this->model().isNull()) setModel(model);
                });
            });
        });
    });
}

void TBUSBPrinter::initWithDeviceObject(std::shared_ptr<usb::UsbService> service) {
    setDeviceObject(std::move(service));
}

// ---- class operations ----

DeviceInfoRef TBUSBPrinter::deviceInfoForKey(const QString& key) {
    Registry& r = registry();
    base::MutexLocker lock(r.mutex);
    DeviceInfoRef& entry = r.dictionaries[key];
    if (!entry) entry = std::make_shared<DeviceInfoDictionary>();
    return entry;
}

void TBUSBPrinter::setDeviceInfo(const DeviceInfoRef& dictionary, const QString& key) {
    platform::platformLog(
        "%s:[%s] : %s", platform::methodName('+', kBaseClassName, "setDeviceInfo:forKey:").c_str(),
        qUtf8Printable(key), dictionary ? qUtf8Printable(dictionary->description()) : "(null)");
    if (!dictionary) return;
    Registry& r = registry();
    base::MutexLocker lock(r.mutex);
    r.dictionaries[key] = dictionary;
}

void TBUSBPrinter::clearDeviceInfoRegistry() {
    Registry& r = registry();
    base::MutexLocker lock(r.mutex);
    r.dictionaries.clear();
}

const void* TBUSBPrinter::printerCommandQueueKey() {
    static const char key = 0;
    return &key;
}

std::optional<IndexSet> TBUSBPrinter::supportedVendorIDs() {
    return std::nullopt;
}
std::optional<IndexSet> TBUSBPrinter::supportedProductIDs() {
    return std::nullopt;
}
std::optional<IndexSet> TBUSBPrinter::objectSupportedVendorIDs() const {
    return supportedVendorIDs();
}
std::optional<IndexSet> TBUSBPrinter::objectSupportedProductIDs() const {
    return supportedProductIDs();
}

// ---- identity ----

quint16 TBUSBPrinter::vendorID() const {
    return idVendor_;
}
quint16 TBUSBPrinter::productID() const {
    return idProduct_;
}
quint32 TBUSBPrinter::locationID() const {
    return locationID_;
}
QString TBUSBPrinter::idVendor() const {
    return QString::asprintf("%d", int(idVendor_));
}
QString TBUSBPrinter::idProduct() const {
    return QString::asprintf("%d", int(idProduct_));
}
QString TBUSBPrinter::idLocation() const {
    return QString::asprintf("%x", unsigned(locationID_));
}

QString TBUSBPrinter::keyUSBdevice() const {
    return QString::asprintf("%.4X%.4X%.8X", unsigned(idVendor_), unsigned(idProduct_),
                             unsigned(locationID_));
}

QString TBUSBPrinter::description() const {
    base::MutexLocker lock(fieldsMutex_);
    const QString maker = manufacturer_.isNull() ? vendorUSB_ : manufacturer_;
    const QString product = model_.isNull() ? productUSB_ : model_;
    return QStringLiteral("%1 %2 %3").arg(orNull(maker), orNull(product), orNull(serialNumberUSB_));
}

QByteArray TBUSBPrinter::descriptionUTF8() const {
    return description().toUtf8();
}

// ---- plain properties ----

void TBUSBPrinter::announce(const QString& key) {
    if (platform::mainqueue::isMainThread()) {
        emit valueChanged(key);
        return;
    }
    onMainThread([this, key] { emit valueChanged(key); });
}

QString TBUSBPrinter::textField(QString TBUSBPrinter::*field) const {
    base::MutexLocker lock(fieldsMutex_);
    return this->*field;
}

void TBUSBPrinter::setTextField(QString TBUSBPrinter::*field, const QString& value, const char* key) {
    {
        base::MutexLocker lock(fieldsMutex_);
        this->*field = value;
    }
    announce(QString::fromLatin1(key));
}

QString TBUSBPrinter::raw1284DeviceID() const {
    return textField(&TBUSBPrinter::raw1284DeviceID_);
}
void TBUSBPrinter::setRaw1284DeviceID(const QString& v) {
    setTextField(&TBUSBPrinter::raw1284DeviceID_, v, "raw1284DeviceID");
}
QString TBUSBPrinter::deviceID() const {
    return textField(&TBUSBPrinter::deviceID_);
}
void TBUSBPrinter::setDeviceID(const QString& v) {
    setTextField(&TBUSBPrinter::deviceID_, v, "deviceID");
}
QString TBUSBPrinter::manufacturer() const {
    return textField(&TBUSBPrinter::manufacturer_);
}
void TBUSBPrinter::setManufacturer(const QString& v) {
    setTextField(&TBUSBPrinter::manufacturer_, v, "manufacturer");
}
QString TBUSBPrinter::model() const {
    return textField(&TBUSBPrinter::model_);
}
void TBUSBPrinter::setModel(const QString& v) {
    setTextField(&TBUSBPrinter::model_, v, "model");
}
QString TBUSBPrinter::vendorUSB() const {
    return textField(&TBUSBPrinter::vendorUSB_);
}
void TBUSBPrinter::setVendorUSB(const QString& v) {
    setTextField(&TBUSBPrinter::vendorUSB_, v, "vendorUSB");
}
QString TBUSBPrinter::productUSB() const {
    return textField(&TBUSBPrinter::productUSB_);
}
void TBUSBPrinter::setProductUSB(const QString& v) {
    setTextField(&TBUSBPrinter::productUSB_, v, "productUSB");
}
QString TBUSBPrinter::serialNumberUSB() const {
    return textField(&TBUSBPrinter::serialNumberUSB_);
}
void TBUSBPrinter::setSerialNumberUSB(const QString& v) {
    setTextField(&TBUSBPrinter::serialNumberUSB_, v, "serialNumberUSB");
}
QString TBUSBPrinter::status() const {
    return textField(&TBUSBPrinter::status_);
}
void TBUSBPrinter::setStatus(const QString& v) {
    setTextField(&TBUSBPrinter::status_, v, "status");
}
QString TBUSBPrinter::statusString() const {
    return textField(&TBUSBPrinter::printerStatusString_);
}
void TBUSBPrinter::setStatusString(const QString& v) {
    setTextField(&TBUSBPrinter::printerStatusString_, v, "statusString");
}

QImage TBUSBPrinter::image() const {
    base::MutexLocker lock(fieldsMutex_);
    return image_;
}

void TBUSBPrinter::setImage(const QImage& value) {
    {
        base::MutexLocker lock(fieldsMutex_);
        image_ = value;
    }
    announce(QStringLiteral("image"));
}

bool TBUSBPrinter::inFirmwareUpdate() const {
    return inFirmwareUpdate_;
}
void TBUSBPrinter::setInFirmwareUpdate(bool value) {
    inFirmwareUpdate_ = value;
    announce(QStringLiteral("inFirmwareUpdate"));
}

qint64 TBUSBPrinter::state() const {
    return state_;
}
void TBUSBPrinter::setState(qint64 value) {
    state_ = value;
    announce(kKeyState);
}

qint32 TBUSBPrinter::interfaceStatus() const {
    return interfaceStatus_;
}
bool TBUSBPrinter::isOwned() const {
    return isOwned_ != NotOwned;
}
qint64 TBUSBPrinter::ownership() const {
    return isOwned_;
}

void TBUSBPrinter::setOwnershipOnMain(qint64 value) {
    onMainThread([this, value] {
        isOwned_ = value;
        emit valueChanged(kKeyIsOwned);
    });
}

void TBUSBPrinter::setIsOwned(bool owned) {
    const qint64 current = isOwned_;
    // Asking for a printer this program already holds changes nothing (closing it here would hand
    // the interface back just because the switch was set twice).
    if (owned && current == OwnedHere) return;
    if (owned && current == NotOwned) {
        onCommandQueue([this] {
            // Kept across a wait for another program: when it lets go, the interface stays ours.
            ownershipWanted_ = true;
            openInterface();
        });
        return;
    }
    closeInterface();
    // Asking for the printer while another program holds it: show the user where things stand.
    if (owned && current == OwnedElsewhere)
        usbInterfaceInterestCallback(this, deviceObject(), kIOMessageServiceIsAttemptingOpen, nullptr);
}

quint8 TBUSBPrinter::bulkIN() const {
    return bulkIN_;
}
quint8 TBUSBPrinter::bulkOUT() const {
    return bulkOUT_;
}
IOReturn TBUSBPrinter::readStatus() const {
    return readStatus_;
}
IOReturn TBUSBPrinter::writeStatus() const {
    return writeStatus_;
}

bool TBUSBPrinter::isInterfaceOpen() const {
    return state_ == StateOpen && interfaceStatus_ == InterfaceOpen;
}
bool TBUSBPrinter::willOpenInterface() const {
    return state_ == StateOpening && interfaceStatus_ == InterfaceOpening;
}
bool TBUSBPrinter::didOpenInterface() const {
    return state_ == StateOpening && interfaceStatus_ == InterfaceOpen;
}

// ---- device info ----

DeviceInfoRef TBUSBPrinter::deviceInfoDict() {
    base::MutexLocker lock(fieldsMutex_);
    if (!deviceInfoDict_) deviceInfoDict_ = std::make_shared<DeviceInfoDictionary>();
    return deviceInfoDict_;
}

void TBUSBPrinter::setDeviceInfoDict(DeviceInfoRef dictionary) {
    base::MutexLocker lock(fieldsMutex_);
    deviceInfoDict_ = std::move(dictionary);
}

QVariant TBUSBPrinter::deviceInfoValue(const QString& key) {
    return deviceInfoDict()->value(key);
}

void TBUSBPrinter::setDeviceInfoValue(const QString& key, const QVariant& value) {
    deviceInfoDict()->setValue(key, value);
    announce(key);
}

void TBUSBPrinter::removeDeviceInfoValue(const QString& key) {
    deviceInfoDict()->remove(key);
    announce(key);
}

QVariantMap TBUSBPrinter::deviceInfoSnapshot() {
    return deviceInfoDict()->snapshot();
}
QString TBUSBPrinter::printerStatus() {
    return deviceInfoValue(QRVX_TBPrinterStatus).toString();
}
QString TBUSBPrinter::firmwareVersion() {
    return deviceInfoValue(QRVX_TBPrinterFirmwareVersion).toString();
}
QString TBUSBPrinter::printerSerialNumber() {
    return deviceInfoValue(QRVX_TBPrinterSerialNumber).toString();
}

void TBUSBPrinter::setPrinterStatus(const QString& printerStatus) {
    onMainThread([this, printerStatus] {
        deviceInfoDict()->setValue(QRVX_TBPrinterStatus, printerStatus);
        emit valueChanged(QRVX_TBPrinterStatus);
    });
}

// ---- platform objects ----

platform::SerialQueue* TBUSBPrinter::printerCommandQueue() const {
    return printerCommandQueue_.get();
}

bool TBUSBPrinter::isPrinterCommandQueue() const {
    // Before the queue exists both sides are empty: set-up work then runs inline.
    return platform::SerialQueue::current() == printerCommandQueue_.get();
}

void TBUSBPrinter::performInlineOnCommandQueue(std::function<void()> block) {
    if (!block) return;
    if (isPrinterCommandQueue() || !printerCommandQueue_) {
        block();
        return;
    }
    printerCommandQueue_->async(std::move(block));
}

std::shared_ptr<usb::UsbInterface> TBUSBPrinter::interfaceInterface() const {
    base::MutexLocker lock(fieldsMutex_);
    return interfaceInterface_;
}

void TBUSBPrinter::whenDescriptorStringsRead(std::function<void()> work) {
    if (!work) return;
    {
        base::MutexLocker lock(fieldsMutex_);
        if (!descriptorStringsRead_) {
            afterDescriptorStrings_.push_back(std::move(work));
            return;
        }
    }
    onMainThread(std::move(work));
}

void TBUSBPrinter::descriptorStringsRead() {
    std::vector<std::function<void()>> pending;
    {
        base::MutexLocker lock(fieldsMutex_);
        descriptorStringsRead_ = true;
        pending.swap(afterDescriptorStrings_);
    }
    // Posted behind the strings' own publications, so the work sees them.
    for (auto& work : pending)
        onMainThread(std::move(work));
}

void TBUSBPrinter::setInterfaceInterface(std::shared_ptr<usb::UsbInterface> interface) {
    if (interface == interfaceInterface()) return;
    onCommandQueue([this, interface] {
        takeInterface(interface);
        if (interface) {
            getUSBProductString();
            getUSBSerialNumberString();
            getUSBVendorString();
        }
    });
}

void TBUSBPrinter::takeInterface(const std::shared_ptr<usb::UsbInterface>& interface) {
    if (interface) {
        std::uint32_t location = 0;
        if (IOReturn r = interface->locationID(location); r != kIOReturnSuccess)
            platform::platformLog("GetLocationID() returned %s [%.8x]\n", strForIOReturn(r), unsigned(r));
        else
            locationID_ = location;
        std::uint16_t vendor = 0;
        if (IOReturn r = interface->deviceVendor(vendor); r != kIOReturnSuccess)
            platform::platformLog("GetDeviceVendor() returned %s [%.8x]\n", strForIOReturn(r), unsigned(r));
        else
            idVendor_ = vendor;
        std::uint16_t product = 0;
        if (IOReturn r = interface->deviceProduct(product); r != kIOReturnSuccess)
            platform::platformLog("GetDeviceProduct() returned %s [%.8x]\n", strForIOReturn(r), unsigned(r));
        else
            idProduct_ = product;
    }
    std::shared_ptr<usb::UsbInterface> old;
    {
        base::MutexLocker lock(fieldsMutex_);
        old = std::exchange(interfaceInterface_, interface);
    }
    old.reset();
}

std::shared_ptr<usb::UsbDevice> TBUSBPrinter::deviceInterface() {
    {
        base::MutexLocker lock(fieldsMutex_);
        if (deviceInterface_) return deviceInterface_;
    }
    auto interface = interfaceInterface();
    if (!interface) return nullptr;
    std::shared_ptr<usb::UsbDevice> device;
    const IOReturn r = interface->device(device);
    if (r != kIOReturnSuccess || !device) {
        platform::stderrPrint("ERROR: IOCreatePlugInInterfaceForService() returned (%s)\n",
                              strForIOReturn(r != kIOReturnSuccess ? r : kIOReturnError));
        return nullptr;
    }
    setDeviceInterface(device);
    return device;
}

void TBUSBPrinter::setDeviceInterface(std::shared_ptr<usb::UsbDevice> device) {
    {
        base::MutexLocker lock(fieldsMutex_);
        if (device == deviceInterface_) return;
    }
    onCommandQueue([this, device] {
        std::shared_ptr<usb::UsbDevice> old;
        {
            base::MutexLocker lock(fieldsMutex_);
            old = std::exchange(deviceInterface_, device);
        }
    });
}

std::shared_ptr<usb::UsbService> TBUSBPrinter::deviceObject() const {
    base::MutexLocker lock(fieldsMutex_);
    return deviceObject_;
}

void TBUSBPrinter::setDeviceObject(std::shared_ptr<usb::UsbService> service) {
    platform::platformLog("%s", baseMethodName("setDeviceObject:").c_str());
    // `service` is our own reference from here on: the caller may drop its handle at once.
    onCommandQueue([this, service] {
        std::shared_ptr<usb::UsbService> current = deviceObject();
        if (service && current && service->registryID() == current->registryID()) return;

        usb::NotificationHandle interest, busy;
        {
            base::MutexLocker lock(fieldsMutex_);
            interest = std::move(interestNotification_);
            busy = std::move(busyNotification_);
        }
        interest.reset(); // unregisters
        busy.reset();

        if (service) {
            platform::platformLog("setting new %s class IOService object\n", service->className().c_str());
            std::weak_ptr<TBUSBPrinter> weak = weak_from_this();
            usb::NotificationHandle handle;
            const IOReturn r = service->addInterestNotification(
                [weak, service](IOMessage message, void* argument) {
                    if (auto printer = weak.lock())
                        usbInterfaceInterestCallback(printer.get(), service, message, argument);
                },
                handle);
            if (r != kIOReturnSuccess)
                platform::platformLog("%s error [0x%.2X] trying to register for interest notices",
                                      strForIOReturn(r), unsigned(r));
            {
                base::MutexLocker lock(fieldsMutex_);
                interestNotification_ = handle;
            }
            // The attach-time probe: can this program open the interface at all right now?
            if (mayOpenAtAttach()) {
                const IOReturn open = openInterface();
                closeInterface();
                if (open != kIOReturnExclusiveAccess) setState(StateAttachProbed);
            }
        }
        base::MutexLocker lock(fieldsMutex_);
        deviceObject_ = service;
    });
}

void TBUSBPrinter::prepareForRelease() {
    onCommandQueue([this] {
        setInterfaceInterface(nullptr);
        setDeviceInterface(nullptr);
        setDeviceObject(nullptr);
    });
}

// ---- opening and closing ----

bool TBUSBPrinter::publishOpenInterface() {
    // A close may have overtaken the open; then the interface is not ours any more. The close sets
    // interfaceStatus before state, so one atomic step on state decides: either "open" goes out
    // before the close's own store (which then wins), or the close came first and nothing is
    // published. A separate check and store could publish "open" for a closed interface, after
    // which every later open would be skipped.
    if (interfaceStatus_ != InterfaceOpen) return false;
    qint64 expected = StateOpening;
    if (state_.compare_exchange_strong(expected, StateOpen))
        emit valueChanged(kKeyState);
    else if (expected != StateOpen) // closed meanwhile, or the attach probe's state 8
        return false;
    // Whoever published state 2 first (this step or the open-attempt notice), the open is ours. A
    // close that runs from here on posts its isOwned = 0 behind this step, so it still wins.
    if (interfaceStatus_ != InterfaceOpen) return false;
    if (isOwned_ != OwnedHere) {
        isOwned_ = OwnedHere;
        emit valueChanged(kKeyIsOwned);
    }
    return true;
}

// The interface's open/close states: interfaceStatus_ is the transport's own view (command queue),
// state_ the published one, isOwned_ who holds the interface. Every step, where it runs and what it
// leaves:
//
//   step                                    runs on   interfaceStatus   state              isOwned
//   openInterface() starts                  queue     4 opening         4 opening          -
//     the open succeeds                     queue     2 open            4 (main publishes) -
//     another program holds the interface   queue     4 (waiting)       4 (waiting)        -1 (main)
//     no permission                         queue     1 closed          1 closed           -
//     any other failure                     queue     4                 4                  -
//   publishOpenInterface()                  main      needs 2           4 -> 2, one step   1
//   closeInterface() (always queued)        queue     1 closed          1 closed           0 (main)
//   attach probe (setDeviceObject)          queue     open, queued close; 8 unless held elsewhere
//   open-attempt notice in state 8          main      -                 8 -> 1, one step   -
//   open-attempt notice, open not yet       main      publishOpenInterface() in its place
//     published (interfaceStatus 2)
//   closed notice while waiting (state 4)   main      openInterfaceLetGoByOtherProgram() on the queue
//
// A close always wins over a publication that has not happened yet, and "open" is never published
// for a closed interface; the notices may arrive in either order (usbInterfaceInterest.cpp).
void TBUSBPrinter::leaveAttachProbedState() {
    // One step, so that an open the queue starts meanwhile (state 4) is not overwritten.
    qint64 expected = StateAttachProbed;
    if (state_.compare_exchange_strong(expected, StateClosed)) announce(kKeyState);
}

IOReturn TBUSBPrinter::openInterface() {
    // Open already: published (state 2), or opened on this queue with the main thread's publication
    // still on its way (interfaceStatus 2 is only ever set here, and only after a successful open).
    if (state_ == StateOpen || interfaceStatus_ == InterfaceOpen) return kIOReturnSuccess;
    interfaceStatus_ = InterfaceOpening;
    setState(StateOpening);

    auto interface = interfaceInterface();
    // Without an interface object there is nothing to open; say so rather than report success.
    const IOReturn r = interface ? interface->openSeize() : kIOReturnNoDevice;
    if (r == kIOReturnNotPrivileged) {
        // Not "waiting": nobody holds the printer, this user may not use it. Nothing will announce
        // an open attempt, so say it here, where the operator looks, with the fix.
        platform::platformLog(
            "Cannot open the %s: no permission to use the USB device (%s). Install the udev rule "
            "(see packaging/README.md) and plug the printer in again.\n",
            descriptionUTF8().constData(), strForIOReturn(r));
        interfaceStatus_ = InterfaceClosed;
        setState(StateClosed);
        onMainThread([this] {
            // The application's string table, as for the other USB status texts.
            setStatus(QCoreApplication::translate("TBPrinters", "No permission: install the udev rule"));
        });
    } else if (r == kIOReturnExclusiveAccess) {
        const auto service = deviceObject();
        platform::platformLog("Another app has the printer USB interface open for exclusive access.\n");
        platform::platformLog("Waiting for USB interface on device %.8x to be closed...\n",
                              service ? unsigned(service->registryID() & 0xFFFFFFFFu) : 0u);
        platform::platformLog("The printer is busy.\n");
        setPrinterStatus(QStringLiteral(QT_TRANSLATE_NOOP("TBPrinters", "In use by other application")));
        setOwnershipOnMain(OwnedElsewhere);
    } else if (r == kIOReturnSuccess) {
        interfaceStatus_ = InterfaceOpen;
        onMainThread([this] { publishOpenInterface(); });
        platform::platformLog("The %s is open.\n", descriptionUTF8().constData());
        getPipes();
    }
    return r;
}

void TBUSBPrinter::openInterface(Completion completion) {
    onCommandQueue([this, completion] {
        const IOReturn r = openInterface();
        if (completion) completion(r);
    });
}

void TBUSBPrinter::openInterfaceLetGoByOtherProgram() {
    onCommandQueue([this] {
        // Something else may have opened or closed the interface since the notice was sent; then
        // there is nothing to take over.
        if (!willOpenInterface()) return;
        if (openInterface() != kIOReturnSuccess) return; // held again, or gone: still waiting or done
        // The user asked to hold the printer: now it is held.
        if (ownershipWanted_) return;
        // Whatever met the other program's hold gave up then. Learn again what it was after and let
        // go, or this program would keep the printer from everyone else until it quits.
        if (!inFirmwareUpdate()) getDeviceCustomInfo();
        closeInterface();
    });
}

void TBUSBPrinter::closeInterface(Completion completion) {
    auto keep = self();
    auto work = [this, keep, completion] {
        IOReturn r = kIOReturnSuccess;
        if (interfaceStatus_ == InterfaceOpen) {
            auto interface = interfaceInterface();
            r = interface ? interface->close() : kIOReturnNoDevice;
            if (r == kIOReturnSuccess)
                platform::platformLog("The %s was closed.\n", descriptionUTF8().constData());
            else
                platform::platformLog("close interface returned error %s\n", strForIOReturn(r));
        }
        interfaceStatus_ = InterfaceClosed;
        ownershipWanted_ = false;
        setState(StateClosed);
        onMainThread([this] {
            if (isOwned_ != NotOwned) {
                isOwned_ = NotOwned;
                emit valueChanged(kKeyIsOwned);
            }
        });
        if (completion) completion(r);
    };
    // Always queued, also from the queue itself: the close follows whatever is under way.
    if (printerCommandQueue_)
        printerCommandQueue_->async(std::move(work));
    else
        work();
}

void TBUSBPrinter::getPipes() {
    onCommandQueue([this] {
        auto interface = interfaceInterface();
        if (!interface) return;
        std::uint8_t count = 0;
        if (IOReturn r = interface->numEndpoints(count); r != kIOReturnSuccess) {
            platform::platformLog("failure for GetNumEndpoints on the open USB device; error=[%d]\n", int(r));
            return;
        }
        for (unsigned pipeRef = 1; pipeRef <= count; ++pipeRef) {
            usb::PipeProperties p;
            if (interface->pipeProperties(static_cast<std::uint8_t>(pipeRef), p) != kIOReturnSuccess)
                continue;
            if (p.transferType != usb::kUSBBulk) continue;
            // A later pipe of the same kind replaces an earlier one.
            if (p.direction == usb::kUSBOut) {
                bulkOUT_ = static_cast<quint8>(pipeRef);
                bulkOUTMaxPacket_ = p.maxPacketSize;
            } else if (p.direction == usb::kUSBIn)
                bulkIN_ = static_cast<quint8>(pipeRef);
        }
    });
}

// ---- transfers ----

bool TBUSBPrinter::writeToInterfaceWithData(const QByteArray& data) {
    platform::platformLog("writing to %s interface with %lu byte payload", descriptionUTF8().constData(),
                          static_cast<unsigned long>(data.size()));
    auto interface = interfaceInterface();
    const IOReturn r =
        interface ? interface->writePipe(bulkOUT_, data.constData(), static_cast<std::uint32_t>(data.size()),
                                         kBulkNoDataTimeoutMs, kBulkCompletionTimeoutMs)
                  : kIOReturnNoDevice;
    writeStatus_ = r;
    return r == kIOReturnSuccess;
}

bool TBUSBPrinter::writeToInterfaceInPieces(const QByteArray& head, const QByteArray& body,
                                            const std::function<void(qint64, qint64)>& progress) {
    const qint64 total = head.size() + body.size();
    platform::platformLog("writing to %s interface with %lu byte payload", descriptionUTF8().constData(),
                          static_cast<unsigned long>(total));
    auto interface = interfaceInterface();
    if (!interface) {
        writeStatus_ = kIOReturnNoDevice;
        return false;
    }
    // A piece of about kUploadPieceBytes, in whole packets: the packet boundaries the device sees are
    // those of one long transfer.
    const qint64 packet = bulkOUTMaxPacket_ ? bulkOUTMaxPacket_.load() : kFallbackMaxPacketSize;
    const qint64 pieceSize = std::max(packet, kUploadPieceBytes / packet * packet);
    QByteArray piece(qsizetype(std::min(pieceSize, total)), Qt::Uninitialized);
    qint64 written = 0;
    while (written < total) {
        const qint64 size = std::min(pieceSize, total - written);
        // Gather the piece from the header and the body without copying the body as a whole.
        qint64 filled = 0;
        if (written < head.size()) {
            filled = std::min<qint64>(head.size() - written, size);
            std::memcpy(piece.data(), head.constData() + written, size_t(filled));
        }
        const qint64 bodyAt = written + filled - head.size();
        std::memcpy(piece.data() + filled, body.constData() + bodyAt, size_t(size - filled));
        const IOReturn r = interface->writePipe(bulkOUT_, piece.constData(), std::uint32_t(size),
                                                kBulkNoDataTimeoutMs, kBulkCompletionTimeoutMs);
        writeStatus_ = r;
        if (r != kIOReturnSuccess) {
            platform::platformLog("write to %s stopped after %lld of %lld bytes",
                                  descriptionUTF8().constData(), static_cast<long long>(written),
                                  static_cast<long long>(total));
            return false;
        }
        written += size;
        if (progress) progress(written, total);
    }
    return true;
}

std::optional<QByteArray> TBUSBPrinter::interfaceReadDataOfSize(quint32 size) {
    QByteArray buffer(static_cast<qsizetype>(size), '\0');
    auto interface = interfaceInterface();
    std::uint32_t received = size;
    const IOReturn r = interface ? interface->readPipe(bulkIN_, buffer.data(), received, kBulkNoDataTimeoutMs,
                                                       kBulkCompletionTimeoutMs)
                                 : kIOReturnNoDevice;
    readStatus_ = r;
    if (r != kIOReturnSuccess) return std::nullopt;
    // The whole buffer: bytes the device did not send stay zero.
    return buffer;
}

std::optional<QByteArray> TBUSBPrinter::printerReply() {
    return std::nullopt;
}

void TBUSBPrinter::sendNoReplyPrinterCommand(CommandBlock command) {
    if (!command) {
        platform::platformLog("you must supply a commandBlock");
        return;
    }
    onCommandQueue(std::move(command));
}

void TBUSBPrinter::sendPrinterCommand(CommandBlock command, platform::SerialQueue* replyQueue,
                                      ReplyBlock reply) {
    if (!command) {
        platform::platformLog("you must supply a commandBlock");
        return;
    }
    onCommandQueue([this, command, replyQueue, reply] {
        command();
        std::optional<QByteArray> result = printerReply();
        if (!reply) return;
        if (replyQueue && replyQueue == printerCommandQueue_.get()) {
            reply(result);
        } else if (replyQueue) {
            replyQueue->async([keep = self(), reply, result] { reply(result); });
        } else {
            onMainThread([reply, result] { reply(result); });
        }
    });
}

void TBUSBPrinter::probe() {
    platform::platformLog("running probe on %s", descriptionUTF8().constData());
    onCommandQueue([this] { getDeviceCustomInfo(); });
}

void TBUSBPrinter::getDeviceCustomInfo() {}

void TBUSBPrinter::updateInfo() {
    onCommandQueue([this] { probe(); });
}
