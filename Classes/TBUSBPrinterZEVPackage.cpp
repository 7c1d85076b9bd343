// The printer family's package half: the firmware package operations as a printer's own, over its
// device-info dictionary. The rules themselves live in TBFirmwarePackage (TBFirmwareCatalogue.cpp,
// TBFirmwareData.cpp); this file only supplies the printer's product id, the edition, the class name
// and the dictionary.
#include "Classes/TBUSBPrinterZEV.h"

#include "Classes/Edition.h"
#include "platform/queue.h"

#include <atomic>

// The printer's device-info dictionary as the package operations see it. Plain stores: the package
// writes its per-file results from the main thread too, in the middle of whatever asked for a
// version (the list drawing a cell), and an announcement there would re-enter the asker. The one
// observed property, newFirmwareVersion, is announced through announceChange() on its own.
class TBUSBPrinterZEV::PackageInfo : public FirmwareDeviceInfo {
public:
    explicit PackageInfo(TBUSBPrinterZEV& printer) : printer_(printer) {}

    QVariant value(const QString& key) const override { return printer_.deviceInfoDict()->value(key); }
    void setValue(const QString& key, const QVariant& value) override {
        printer_.deviceInfoDict()->setValue(key, value);
    }
    void postToMainThread(std::function<void()> work) override {
        // The printer owns this object: holding the printer keeps it alive, and a printer that is
        // gone by then takes the work with it.
        std::weak_ptr<TBUSBPrinter> weak = printer_.weak_from_this();
        platform::mainqueue::async([weak, work = std::move(work)] {
            if (const auto keep = weak.lock()) work();
        });
    }
    void announceChange(const QString& property) override { printer_.announce(property); }

    // Set once the main thread has asked the command queue to check the package.
    std::atomic<bool> checkRequested{false};

private:
    TBUSBPrinterZEV& printer_;
};

TBUSBPrinterZEV::TBUSBPrinterZEV() : packageInfo_(std::make_unique<PackageInfo>(*this)) {}
TBUSBPrinterZEV::~TBUSBPrinterZEV() = default;

FirmwareDeviceInfo& TBUSBPrinterZEV::packageInfo() {
    return *packageInfo_;
}

QString TBUSBPrinterZEV::asciiHexForData(const QByteArray& data) {
    return TBFirmwarePackage::asciiHexForData(data);
}

QString TBUSBPrinterZEV::verifyBlob(const QByteArray& data) const {
    return TBFirmwarePackage::verifyBlob(data, QString::fromLatin1(className()));
}

bool TBUSBPrinterZEV::verifyFirmwareArchive() {
    return TBFirmwarePackage::verifyFirmwareArchive(productID(), Edition::current(),
                                                    QString::fromLatin1(className()), packageInfo());
}

void TBUSBPrinterZEV::setFilenames(const QStringList& names) {
    TBFirmwarePackage::setFilenames(names, packageInfo());
}

QByteArray TBUSBPrinterZEV::firmwareBlob() {
    return TBFirmwarePackage::firmwareBlob(packageInfo());
}

QByteArray TBUSBPrinterZEV::firmwareBlobForKey(const QString& key) {
    return TBFirmwarePackage::firmwareBlobForKey(key, packageInfo());
}

std::optional<QString> TBUSBPrinterZEV::newFirmwareVersion() {
    if (!platform::mainqueue::isMainThread())
        return TBFirmwarePackage::newFirmwareVersion(productID(), Edition::current(),
                                                     QString::fromLatin1(className()), packageInfo());
    if (std::optional<QString> version = TBFirmwarePackage::storedNewFirmwareVersion(packageInfo()))
        return version;
    // Reading and digesting the package takes a while: the command queue does it, once for this
    // printer (a model without a package would otherwise be checked again at every ask). The file
    // list reaches the main thread with the newFirmwareVersion announcement, whose observers ask again.
    auto printer = zevSelf();
    if (printer && !packageInfo_->checkRequested.exchange(true))
        onCommandQueue([printer] { printer->verifyFirmwareArchive(); });
    return std::nullopt;
}

double TBUSBPrinterZEV::availableFirmwareVersion() {
    return TBFirmwarePackage::availableFirmwareVersion(productID(), Edition::current(),
                                                       QString::fromLatin1(className()), packageInfo());
}

double TBUSBPrinterZEV::installedFirmwareVersion() {
    return TBFirmwarePackage::installedFirmwareVersion(storedFirmwareVersion());
}

bool TBUSBPrinterZEV::verifySRecData(const QByteArray& data) const {
    return TBFirmwarePackage::verifySRecData(data);
}

bool TBUSBPrinterZEV::verifyMotorolaSFile(const QVariant& source) const {
    return TBFirmwarePackage::verifyMotorolaSFile(source);
}

QByteArray TBUSBPrinterZEV::paddedData(const QByteArray& data) const {
    return TBFirmwarePackage::paddedData(data);
}

QByteArray TBUSBPrinterZEV::paddedColorDataForVersion(const QString& fileName) const {
    return TBFirmwarePackage::paddedColorDataForVersion(fileName);
}

QStringList TBUSBPrinterZEV::colorTableNames() {
    return TBFirmwarePackage::colorTableNames(packageInfo());
}

quint16 TBUSBPrinterZEV::checksumForData(const QByteArray& data) const {
    return TBFirmwarePackage::checksumForData(data);
}
