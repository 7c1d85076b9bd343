// The application controller: discovery of supported printers on the USB bus, the printer list, and
// the application's launch and termination steps.
//
// Threads: everything here runs on the main thread. Bus notices arrive there; list changes are posted
// there; a printer joins the list once its command queue has read its descriptor strings, and its
// removal passes through its command queue first, so it leaves the list only after the work queued on
// it before the removal.
//
// List announcements: every change of `printers` is bracketed by a pair of signals (about-to / done)
// that the list model turns into row insertions and removals.
#pragma once

#include "Classes/TBUSBPrinterZEV.h"
#include "platform/usb/usb.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>
#include <set>

namespace platform {
class ApplicationWindow;
class ListSelection;
} // namespace platform

class TBPrinters : public QObject {
    Q_OBJECT
public:
    using Printer = std::shared_ptr<TBUSBPrinterZEV>;

    // init: takes the shared notification port; the list stays missing until the first printer arrives.
    explicit TBPrinters(QObject* parent = nullptr);
    // dealloc: prepareForTermination().
    ~TBPrinters() override;

    // True on the main thread (the queue the user interface and every notice run on).
    static bool isMainQueue();

    // The process-wide notification port: the USB bus the program runs on.
    static std::shared_ptr<usb::UsbBus> sharedNotificationPort();

    // Interface wiring is done: starts discovery (printers already attached are listed at once).
    void awakeFromNib();
    // Registers for arrivals and removals of printer-class interfaces.
    void getPrintingDevices();

    // Arrival handler for one matched interface.
    void newPrinterCallback(const std::shared_ptr<usb::UsbService>& service);
    // Termination handler for one interface.
    void deviceRemovedCallback(const std::shared_ptr<usb::UsbService>& service);
    void removedDeviceObject(const std::shared_ptr<usb::UsbService>& service);
    // Probes a printer made by initWithInterfaceInterface and lists it once its command queue has
    // read its descriptor strings.
    void addPrinter(const Printer& printer);

    // A copy of the list (empty when there is none).
    QList<Printer> printers() const;
    // Kept for symmetry with the property; it only logs and changes nothing.
    void setPrinters(const QList<Printer>& printers);
    bool hasPrinterList() const { return hasList_; }
    int printerCount() const { return int(printers_.size()); }
    // Printers that arrived and are not listed yet (still reading their descriptor strings).
    int arrivingPrinterCount() const { return int(arriving_.size()); }
    Printer printerAt(int row) const;
    // The listed printer object that stands for `key` now, or nothing. The object a restart replaces
    // stays listed until its command queue has drained, and still holds what it knew before the
    // restart: it never answers for the key.
    Printer printerWithKey(const QString& key) const;
    int indexOfPrinter(const TBUSBPrinterZEV* printer) const;
    bool updateInProgress() const { return false; }

    // The list view's selection ("controller"), kept by the window; the selection rule follows it.
    void setController(platform::ListSelection* controller);
    platform::ListSelection* controller() const;
    // The printer the window's actions apply to, or nothing.
    Printer selectedPrinter() const;
    int selectedRow() const;

    // Launch: localise the main menu, store the short version string, set the window title and
    // localise the list's column titles.
    void applicationDidFinishLaunching(platform::ApplicationWindow* window);
    // The selection rule: whatever changed the selection, the first row ends selected.
    void tableViewSelectionDidChange(platform::ListSelection* sender);
    // Always answers "terminate now".
    bool applicationShouldTerminate();
    bool applicationShouldTerminateAfterLastWindowClosed(const QObject* application) const;
    // Empties the list and stops discovery: no further notices arrive. Safe to call more than once.
    void prepareForTermination();

signals:
    void printersAboutToBeInserted(int row);
    void printersInserted(int row);
    void printersAboutToBeRemoved(int row);
    void printersRemoved(int row);
    void printersAboutToBeReset();
    void printersReset();
    // A listed printer announced a change of one of its observed keys.
    void printerValueChanged(TBUSBPrinterZEV* printer, const QString& key);

private:
    void observeValueForKeyPath(const QString& keyPath, TBUSBPrinterZEV* context);
    void selectRow(int row);
    void selectPrinter(const TBUSBPrinterZEV* printer);
    void drainRemoval(const Printer& printer);
    // Appends a printer that has read its descriptor strings (addPrinter's last step), unless it left
    // meanwhile.
    void listArrivedPrinter(const Printer& printer);
    // True when `printer` stands for the registry object `registryID`.
    bool namesService(const TBUSBPrinterZEV* printer, std::uint64_t registryID) const;

    std::shared_ptr<usb::UsbBus> notifyPort_;
    usb::NotificationHandle printerIterator_;
    usb::NotificationHandle removedIterator_;
    QList<Printer> printers_;
    // Printers that arrived and are still reading their descriptor strings (not listed yet).
    QList<Printer> arriving_;
    // Registry object each listed printer was made for, by printer.
    std::map<const TBUSBPrinterZEV*, std::uint64_t> arrivalServices_;
    // Listed printers whose removal is under way.
    std::set<const TBUSBPrinterZEV*> leaving_;
    bool hasList_ = false; // the list exists (created on first arrival, dropped at termination)
    QPointer<platform::ListSelection> controller_;
    bool terminated_ = false;
};
