// TBUSBPrinter: one attached USB printer interface. It owns the platform's interface object and,
// on demand, the device object behind it; it owns the printer's serial command queue, on which every
// USB transfer for this printer runs; it carries the printer's identity, the published interface
// state and status texts, and the device-info dictionary of facts learned from the printer.
// The printer-family class derives from it and adds the command protocol.
//
// Ownership and threads
//  - Printer objects live in std::shared_ptr (make them with TBUSBPrinter::create<T>()). Work queued
//    on the command queue or posted to the main thread keeps its printer alive until it has run; the
//    last reference deletes the object on the main thread.
//  - Construction is two-phase: the constructor only sets defaults; initWithInterfaceInterface()
//    (virtual, overridden by the printer family) does the set-up that needs the shared pointer.
//  - Every change of an observed key is announced on the main thread through the one signal
//    valueChanged(key), after the new value is stored. Keys: the property names "state", "isOwned",
//    "status", "statusString", "manufacturer", "model", "vendorUSB", "productUSB", "serialNumberUSB",
//    "raw1284DeviceID", "deviceID", "image", "inFirmwareUpdate", and every device-info key
//    (QRVX_TBPrinterStatus and the others below) written through setDeviceInfoValue().
//  - state, interfaceStatus, isOwned and inFirmwareUpdate are atomics (read anywhere); text fields
//    are guarded by fieldsMutex_; the device-info dictionary carries its own mutex.
#pragma once

#include "base/threadsafety.h"
#include "platform/queue.h"
#include "platform/usb/usb.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

// Device-info keys (the value is the key text).
extern const QString QRVX_TBPrinterModel;
extern const QString QRVX_TBPrinterManufacturer;
extern const QString QRVX_TBPrinterStatus;
extern const QString QRVX_TBPrinterSerialNumber;
extern const QString QRVX_TBPrinterFirmwareVersion;
extern const QString QRVX_TBPrinterFirmwareVersionPrevious;
extern const QString QRVX_TBPrinterColorTableVersion;
extern const QString QRVX_TBPrinterColorTableVersion600;
extern const QString QRVX_TBPrinterColorTableVersion610;
extern const QString QRVX_TBPrinterColorTableVersion620;
extern const QString QRVX_TBPrinterColorTableChecksum300;
extern const QString QRVX_TBPrinterColorTableChecksum600;
extern const QString QRVX_TBPrinterColorTableChecksum610;
extern const QString QRVX_TBPrinterColorTableChecksum620;
extern const QString QRVX_TBPrinterColorTableVersion300HD;
extern const QString QRVX_TBPrinterColorTableVersion600HD;
extern const QString QRVX_TBPrinterColorTableVersion610HD;
extern const QString QRVX_TBPrinterColorTableVersion620HD;
extern const QString QRVX_TBPrinterColorTableChecksum300HD;
extern const QString QRVX_TBPrinterColorTableChecksum600HD;
extern const QString QRVX_TBPrinterColorTableChecksum610HD;
extern const QString QRVX_TBPrinterColorTableChecksum620HD;
extern const QString QRVX_TBPrinterLifetimeCounter;
extern const QString QRVX_TBPrinterNewFirmwareVersion;

// The device-info dictionary: facts learned from one printer. Each printer object has its own; the
// registry keeps, by port, the dictionary last stored for it (that object itself, not a copy), and a
// later printer object for the same port copies its entries into its own. All access under one mutex.
class DeviceInfoDictionary {
public:
    QVariant value(const QString& key) const;
    bool contains(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);
    bool isEmpty() const;
    QVariantMap snapshot() const;
    // A readable form for log lines: { key = value; ... }.
    QString description() const;

private:
    mutable base::Mutex mutex_;
    QVariantMap values_ GUARDED_BY(mutex_);
};
using DeviceInfoRef = std::shared_ptr<DeviceInfoDictionary>;

// An index set: the sorted ids a device or a class supports.
using IndexSet = std::set<quint16>;

class TBUSBPrinter : public QObject, public std::enable_shared_from_this<TBUSBPrinter> {
    Q_OBJECT

public:
    // Published interface state.
    enum : qint64 {
        StateInitial = 0,
        StateClosed = 1,
        StateOpen = 2,
        StateOpening = 4,
        StateAttachProbed = 8
    };
    // The transport's own view of the interface.
    enum : qint32 { InterfaceInitial = 0, InterfaceClosed = 1, InterfaceOpen = 2, InterfaceOpening = 4 };
    // Ownership of the interface.
    enum : qint64 { OwnedElsewhere = -1, NotOwned = 0, OwnedHere = 1 };

    using Completion = std::function<void(IOReturn result)>;
    using CommandBlock = std::function<void()>;
    // The reply bytes, or nothing when no reply was read.
    using ReplyBlock = std::function<void(std::optional<QByteArray> reply)>;
    using DeviceIDCompletion = std::function<void(bool found, QString deviceID)>;
    using DecodedDeviceID =
        std::function<void(QString manufacturer, QString model, QString serialNumber, QString description)>;

    // Makes a printer object of class T (TBUSBPrinter or a subclass) owned by a shared pointer whose
    // last release deletes it on the main thread. Call an init... operation next.
    template <typename T = TBUSBPrinter, typename... Args> static std::shared_ptr<T> create(Args&&... args) {
        return std::shared_ptr<T>(new T(std::forward<Args>(args)...), &TBUSBPrinter::deleteOnMainThread);
    }

    // `init`: nothing set, no interface, no queue yet.
    TBUSBPrinter();
    ~TBUSBPrinter() override;

    // Takes the interface (ids and location read inline: the system already holds them), creates
    // the command queue and queues on it the descriptor-string reads, then the device-ID read. The
    // printer family overrides it and calls it first.
    virtual void initWithInterfaceInterface(std::shared_ptr<usb::UsbInterface> interface);
    // Runs `work` on the main thread once the descriptor strings that initWithInterfaceInterface
    // queued have been read and published (or have failed): at once, through the main queue, when
    // they are in already. A printer that answers them slowly never holds up the caller.
    void whenDescriptorStringsRead(std::function<void()> work);
    // Not used by discovery: set-up from a registry service alone.
    void initWithDeviceObject(std::shared_ptr<usb::UsbService> service);

    // ---- class operations ----
    // The registry's dictionary for `key`, created (empty) and stored when there is none.
    static DeviceInfoRef deviceInfoForKey(const QString& key);
    // Stores `dictionary` under `key`; a missing dictionary is ignored.
    static void setDeviceInfo(const DeviceInfoRef& dictionary, const QString& key);
    // Forgets every dictionary, as a program that starts again has none.
    static void clearDeviceInfoRegistry();
    // The queue-specific key under which each command queue stores itself.
    static const void* printerCommandQueueKey();
    // Ids this class drives: none for the base class. Subclasses hide these with their own sets.
    static std::optional<IndexSet> supportedVendorIDs();
    static std::optional<IndexSet> supportedProductIDs();

    // The same sets for this object's own class.
    virtual std::optional<IndexSet> objectSupportedVendorIDs() const;
    virtual std::optional<IndexSet> objectSupportedProductIDs() const;

    // ---- identity ----
    quint16 vendorID() const;
    quint16 productID() const;
    quint32 locationID() const;
    QString idVendor() const;   // "%d"
    QString idProduct() const;  // "%d"
    QString idLocation() const; // "%x"
    // "%.4X%.4X%.8X" of vendor, product and location: one physical printer on one port.
    QString keyUSBdevice() const;
    // "<manufacturer or vendorUSB> <model or productUSB> <serialNumberUSB>", "(null)" for a missing part.
    QString description() const;
    QByteArray descriptionUTF8() const;

    // ---- plain properties (setters announce the key on the main thread) ----
    QString raw1284DeviceID() const;
    void setRaw1284DeviceID(const QString& value);
    QString deviceID() const;
    void setDeviceID(const QString& value);
    QString manufacturer() const;
    void setManufacturer(const QString& value);
    QString model() const;
    void setModel(const QString& value);
    QString vendorUSB() const;
    void setVendorUSB(const QString& value);
    QString productUSB() const;
    void setProductUSB(const QString& value);
    QString serialNumberUSB() const;
    void setSerialNumberUSB(const QString& value);
    QString status() const;
    void setStatus(const QString& value);
    QString statusString() const;
    void setStatusString(const QString& value);
    virtual QImage image() const;
    void setImage(const QImage& value);
    bool inFirmwareUpdate() const;
    void setInFirmwareUpdate(bool value);
    qint64 state() const;
    void setState(qint64 value);
    qint32 interfaceStatus() const;
    // True when the interface is held (by this program or another); ownership() tells which.
    bool isOwned() const;
    qint64 ownership() const;
    // The user's ownership switch: true opens the interface (nothing when already owned here; an
    // open that has to wait for another program keeps the interface once it gets it), false closes it.
    void setIsOwned(bool owned);
    quint8 bulkIN() const;
    quint8 bulkOUT() const;
    IOReturn readStatus() const;
    IOReturn writeStatus() const;

    bool isInterfaceOpen() const;   // state 2, interfaceStatus 2
    bool willOpenInterface() const; // state 4, interfaceStatus 4
    bool didOpenInterface() const;  // state 4, interfaceStatus 2

    // ---- device info ----
    DeviceInfoRef deviceInfoDict(); // created on first use
    void setDeviceInfoDict(DeviceInfoRef dictionary);
    QVariant deviceInfoValue(const QString& key);
    // Stores at once; announces the key on the main thread.
    void setDeviceInfoValue(const QString& key, const QVariant& value);
    void removeDeviceInfoValue(const QString& key);
    QVariantMap deviceInfoSnapshot();
    QString printerStatus();
    QString firmwareVersion();
    QString printerSerialNumber();
    // On the main thread: stores the text under "printerStatus" and announces it.
    void setPrinterStatus(const QString& printerStatus);

    // ---- platform objects ----
    platform::SerialQueue* printerCommandQueue() const;
    bool isPrinterCommandQueue() const;
    std::shared_ptr<usb::UsbInterface> interfaceInterface() const;
    void setInterfaceInterface(std::shared_ptr<usb::UsbInterface> interface);
    // The device object, created on first use; nothing when it cannot be had.
    std::shared_ptr<usb::UsbDevice> deviceInterface();
    void setDeviceInterface(std::shared_ptr<usb::UsbDevice> device);
    std::shared_ptr<usb::UsbService> deviceObject() const;
    // Registers the interest handler on `service` and probes the interface once (state 8).
    void setDeviceObject(std::shared_ptr<usb::UsbService> service);
    // Queues the release of the interface, device and service objects.
    void prepareForRelease();

    // ---- command queue ----
    // At once when already on this printer's queue; otherwise queued (the caller never waits).
    void performInlineOnCommandQueue(std::function<void()> block);
    // Synchronous; meant for the command queue.
    IOReturn openInterface();
    // Runs openInterface() on the command queue and hands its result to `completion` there.
    void openInterface(Completion completion);
    // Main thread: publishes a successful open (state 2, isOwned 1) unless a close overtook it.
    // True when the interface is published as open here.
    bool publishOpenInterface();
    // Another program let go while an open of ours waited for it: open on the command queue (when
    // still waiting), refresh what the printer reports (getDeviceCustomInfo) and close again,
    // unless the user asked to hold the printer (setIsOwned), which then keeps it.
    void openInterfaceLetGoByOtherProgram();
    // State 8 (the attach probe opened the interface) becomes 1; any other state stays.
    void leaveAttachProbedState();
    // Always queued; the completion runs on the command queue with the close result.
    void closeInterface(Completion completion = {});
    void getPipes();
    // Bulk OUT, all bytes in one transfer, 5000 ms time-outs.
    bool writeToInterfaceWithData(const QByteArray& data);
    // Writes `head` and then `body` to the bulk-out pipe as one stream in consecutive transfers
    // whose sizes are whole multiples of the pipe's packet size (the last may be short), so the
    // device sees the same bytes and packets as in one transfer while each piece gets the write
    // time-out of its own. `progress` (may be empty) learns the bytes written so far after each
    // piece. False at the first piece that fails; writeStatus() tells why.
    bool writeToInterfaceInPieces(const QByteArray& head, const QByteArray& body,
                                  const std::function<void(qint64 written, qint64 total)>& progress);
    // The bulk-out pipe's largest packet, 0 before the pipes are known.
    quint16 bulkOUTMaxPacketSize() const { return bulkOUTMaxPacket_; }
    // Bulk IN of up to `size` bytes, 5000 ms time-outs; `size` bytes back on success, zero-padded.
    std::optional<QByteArray> interfaceReadDataOfSize(quint32 size);
    // One framed reply from the bulk-in pipe; the base class reads nothing.
    virtual std::optional<QByteArray> printerReply();
    void sendNoReplyPrinterCommand(CommandBlock command);
    // Runs `command` then printerReply() on the command queue; hands the reply to `reply` on
    // `replyQueue` (at once when that is this printer's queue), or on the main thread when null.
    void sendPrinterCommand(CommandBlock command, platform::SerialQueue* replyQueue, ReplyBlock reply);
    virtual void probe();
    // The device has left the bus (main thread, from the interest handler, after the device-info
    // dictionary went to the registry).
    virtual void deviceTerminated() {}
    virtual void getDeviceCustomInfo();
    void updateInfo();

    // ---- IEEE-1284 device ID and descriptor strings ----
    void update1284DeviceID(DeviceIDCompletion completion);
    static void decodeDeviceID(const QString& deviceID, const DecodedDeviceID& decoded);
    // Null QString stands for "nothing".
    static QString substringFromString(const QString& text, const QString& prefix, const QString& terminator,
                                       Qt::CaseSensitivity options, bool inclusive);
    static QString noninclusiveCaseInsensitiveSubstringFromString(const QString& text, const QString& prefix,
                                                                  const QString& terminator);
    std::optional<IndexSet> langIds();
    quint16 langId();
    void setLangId(quint16 langId);
    QString descriptorStringAtIndex(quint8 index);
    void getUSBVendorString();
    void getUSBProductString();
    void getUSBSerialNumberString();

    // ---- reset and re-enumeration (caller's thread; call them from the command queue) ----
    IOReturn resetUSBPrinter(bool useOtherRecipient);
    IOReturn resetUSBPrinter();
    IOReturn resetUSBDevice();
    IOReturn reEnumerateUSBDevice();
    // Queues reEnumerateUSBDevice() on the command queue.
    void hotPlug();

signals:
    void valueChanged(const QString& key);

protected:
    std::shared_ptr<TBUSBPrinter> self();
    // Runs `work` on this printer's command queue (at once when already on it), keeping the printer
    // alive until it has run.
    void onCommandQueue(std::function<void()> work);
    // Posts `work` to the main thread, keeping the printer alive until it has run.
    void onMainThread(std::function<void()> work);
    // Emits valueChanged(key) on the main thread (at once when already there).
    void announce(const QString& key);
    // The selector-style name of an operation that this object's own class defines, for "%s" log
    // lines ("-[TBUSBPrinterZEV finishFirmwareUpdate]"). Operations of this base class name
    // TBUSBPrinter whatever the object's class; they build their names in the .cpp.
    virtual const char* className() const;
    std::string methodName(const char* selector) const;
    // Whether the attach-time probe may open the interface (command queue); true unless a subclass knows
    // better.
    virtual bool mayOpenAtAttach() { return true; }
    // Subclasses that read the bulk-in pipe themselves record the result like the transport's reads.
    void setReadStatus(IOReturn status) { readStatus_ = status; }

private:
    static void deleteOnMainThread(TBUSBPrinter* printer);
    void setTextField(QString TBUSBPrinter::*field, const QString& value, const char* key);
    QString textField(QString TBUSBPrinter::*field) const;
    void setOwnershipOnMain(qint64 value);
    // Stores `interface` with its ids and location, on the caller's thread.
    void takeInterface(const std::shared_ptr<usb::UsbInterface>& interface);
    // Command queue, after the descriptor-string reads: hands whenDescriptorStringsRead's work on.
    void descriptorStringsRead();
    // One of the device's three strings: its index from the device object (`indexCall` names that
    // call in the failure line), then the string in the printer's language. `got` receives the text
    // (null when the device has none) on the command queue; "got USB <label>:..." is logged after it.
    void readDeviceString(IOReturn (usb::UsbDevice::*indexOf)(std::uint8_t&), const char* indexCall,
                          const char* label, std::function<void(const QString&)> got);

    mutable base::Mutex fieldsMutex_;
    QString raw1284DeviceID_ GUARDED_BY(fieldsMutex_);
    QString deviceID_ GUARDED_BY(fieldsMutex_);
    QString manufacturer_ GUARDED_BY(fieldsMutex_);
    QString model_ GUARDED_BY(fieldsMutex_);
    QString vendorUSB_ GUARDED_BY(fieldsMutex_);
    QString productUSB_ GUARDED_BY(fieldsMutex_);
    QString serialNumberUSB_ GUARDED_BY(fieldsMutex_);
    QString status_ GUARDED_BY(fieldsMutex_);
    QString printerStatusString_ GUARDED_BY(fieldsMutex_); // statusString
    QImage image_ GUARDED_BY(fieldsMutex_);
    std::optional<IndexSet> langIds_ GUARDED_BY(fieldsMutex_);
    DeviceInfoRef deviceInfoDict_ GUARDED_BY(fieldsMutex_); // the pointer; the dictionary locks itself
    std::shared_ptr<usb::UsbInterface> interfaceInterface_ GUARDED_BY(fieldsMutex_);
    std::shared_ptr<usb::UsbDevice> deviceInterface_ GUARDED_BY(fieldsMutex_);
    std::shared_ptr<usb::UsbService> deviceObject_ GUARDED_BY(fieldsMutex_);
    usb::NotificationHandle interestNotification_ GUARDED_BY(fieldsMutex_);
    usb::NotificationHandle busyNotification_ GUARDED_BY(fieldsMutex_);
    bool descriptorStringsRead_ GUARDED_BY(fieldsMutex_) = false;
    std::vector<std::function<void()>> afterDescriptorStrings_ GUARDED_BY(fieldsMutex_);

    std::unique_ptr<platform::SerialQueue>
        printerCommandQueue_; // set once in init, before any other thread sees it

    std::atomic<qint64> state_{StateInitial};
    std::atomic<qint64> isOwned_{NotOwned};
    std::atomic<qint32> interfaceStatus_{InterfaceInitial};
    std::atomic<bool> inFirmwareUpdate_{false};
    std::atomic<bool> ownershipWanted_{false}; // setIsOwned(true) until the next close; command queue
    std::atomic<quint32> locationID_{0};
    std::atomic<quint16> idVendor_{0};
    std::atomic<quint16> idProduct_{0};
    std::atomic<quint16> langId_{0};
    std::atomic<quint8> bulkIN_{0};
    std::atomic<quint8> bulkOUT_{0};
    std::atomic<quint16> bulkOUTMaxPacket_{0};
    std::atomic<IOReturn> readStatus_{0};
    std::atomic<IOReturn> writeStatus_{0};
};

// ---- free functions on a bare interface object (out-values are cleared first) ----
// Nothing (null) for a missing text; see TBUSBPrinter::substringFromString for the rule.
QString TBCFStringCreateSubstringFromPrefixToTerminatorWithOptions(const QString& text, const QString& prefix,
                                                                   const QString& terminator,
                                                                   Qt::CaseSensitivity options,
                                                                   bool inclusive);
QString TBCFStringCreateSubstringFromPrefixToTerminator(const QString& text, const QString& prefix,
                                                        const QString& terminator);
IOReturn usbInterfaceGetDeviceDescriptor(usb::UsbInterface* interface, void* buffer, std::uint32_t length);
IOReturn usbInterfaceGetiDeviceIndices(usb::UsbInterface* interface, std::uint8_t* iManufacturer,
                                       std::uint8_t* iProduct, std::uint8_t* iSerialNumber);
IOReturn usbInterfaceGetDescriptorStringCopy(usb::UsbInterface* interface, std::uint8_t index, QString* text);
IOReturn usbInterfaceCreateSerialNumberString(usb::UsbInterface* interface, QString* text);
IOReturn usbInterfaceResetUSBDevice(usb::UsbInterface* interface);

// The per-printer interest handler, registered by TBUSBPrinter::setDeviceObject. Main thread only.
void usbInterfaceInterestCallback(TBUSBPrinter* printer, const std::shared_ptr<usb::UsbService>& service,
                                  IOMessage messageType, void* messageArgument);
