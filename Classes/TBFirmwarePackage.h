// The firmware package of the printer family: which files make up each model's update, the keyed
// digest each must have, their verification, the S-record check of the firmware image and the
// preparation of the payloads the update sends.
//
// The printer-family class forwards its selectors of the same names here one to one
// (TBUSBPrinterZEVPackage.cpp), over its own device-info dictionary. Everything here is
// static and takes explicitly what it needs: the product id, the edition (whose catalogue applies),
// the class name (the HMAC key and the name in log lines) and the printer's device-info dictionary
// through FirmwareDeviceInfo. Callable from any thread unless a comment says otherwise.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>
#include <span>

class Edition;

// Device-info keys written here.
extern const QString cFirmwareFilenames;  // "firmwareFilenames": the entry's file names, image first
extern const QString cFirmwareFileHashes; // "firmwareFileHash": the entry's expected digests
// The observed property announced when the file list changes.
extern const QString kNewFirmwareVersionProperty; // "newFirmwareVersion"
// The printer-family class whose name keys the digests.
extern const QString kPrinterFamilyClassName; // "TBUSBPrinterZEV"

// The printer's device-info dictionary as the package operations see it. The printer implements it
// over its mutex-guarded dictionary; value() and setValue() are called from the caller's thread
// (main thread or the printer's command queue) and must be safe from both.
class FirmwareDeviceInfo {
public:
    virtual ~FirmwareDeviceInfo() = default;
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    // Runs `work` on the main thread later, and drops it when this dictionary's owner is gone first.
    virtual void postToMainThread(std::function<void()> work) = 0;
    // Announces a change of an observed property (called on the main thread).
    virtual void announceChange(const QString& property) = 0;
};

// One catalogue entry: the file names (the firmware image first, then the colour tables) and the
// expected digest of each, in the same positions. Both empty for a model without an update.
struct FirmwareCatalogueEntry {
    QStringList fileNames;
    QStringList digests;
};

// What the S0 header of a firmware image says: "HVC 01.41" is model "HVC", version "01.41".
struct FirmwareImageHeader {
    QString text;    // the header's data bytes as text, e.g. "HVC 01.41"
    QString model;   // before the last blank (the whole text when there is none)
    QString version; // after the last blank (empty when there is none)
};

// A product's package as an update sends it: every file read once, its digest taken over exactly
// those bytes, the image checked as S-records and padded, the tables kept as read. What is sent is
// therefore what was verified, whatever happens to the files afterwards.
struct LoadedFirmwarePackage {
    bool verified = false;    // every file of the entry present and matching its digest
    QString version;          // the package's firmware version text ("HVC 01.41"); empty without entry
    QByteArray image;         // the padded S-record image; null unless verified and good S-records
    QStringList tableNames;   // the colour-table file names, in the order they are written
    QList<QByteArray> tables; // their contents as read, same positions; null when a file was unreadable

    // True when an update can be sent from this package: verified and an image at hand.
    bool usable() const { return verified && !image.isNull(); }
};

class TBFirmwarePackage {
public:
    // ---- Catalogue and verification ----------------------------------------------------------

    // The package of the product's model in the edition's catalogue (the model table, ZEVModels.h).
    static FirmwareCatalogueEntry catalogueEntry(quint16 productID, const Edition& edition);

    // Two lower-case hex digits per byte, no separators.
    static QString asciiHexForData(const QByteArray& data);

    // The 66-character digest text of `data` keyed on `keyText` (the HMAC-SHA256 followed by "00"),
    // or a null text for empty input. Logs "keyed on <key>".
    static QString verifyBlob(const QByteArray& data, const QString& keyText);

    // verifyBlob of the package file `fileName` (found as a package resource by base name and
    // extension), read by mapping it where the file system allows. Nothing when the file is
    // missing or cannot be read; a null text for an empty file. Each file is digested once per run
    // and file state (which file, size, change times): unchanged, it gets the answer it got before.
    // Thread-safe; two threads asking for one file digest it once.
    static std::optional<QString> digestForPackageFile(const QString& fileName, const QString& keyText);

    // The file at `path` read whole, once, into a buffer with room for the word padding (so padding
    // it needs no second copy); nothing when it cannot be read.
    static std::optional<QByteArray> readWholeFile(const QString& path);

    // Digests every file of the product's catalogue entry against its expected digest, storing the
    // file list (through setFilenames), the expected digests and one boolean per checked file in
    // `info`. True only when every file of the entry is present and matches.
    static bool verifyFirmwareArchive(quint16 productID, const Edition& edition, const QString& className,
                                      FirmwareDeviceInfo& info);

    // The checks of verifyFirmwareArchive for a given entry (without its two log lines): publishes
    // the file list and the expected digests, then digests the files in order and stops at the
    // first that is missing, unreadable or does not match.
    // With `contents` given, each checked file is read whole into it (same positions), and its
    // answer is that of exactly those bytes (digested from there, or known from the same file state).
    static bool verifyEntry(const FirmwareCatalogueEntry& entry, const Edition& edition,
                            const QString& className, FirmwareDeviceInfo& info,
                            QList<QByteArray>* contents = nullptr);

    // verifyFirmwareArchive, keeping what it read: the package an update sends (see
    // LoadedFirmwarePackage). Logs as verifyFirmwareArchive, firmwareBlob and
    // paddedColorDataForVersion do.
    static LoadedFirmwarePackage loadFirmwarePackage(quint16 productID, const Edition& edition,
                                                     const QString& className, FirmwareDeviceInfo& info);

    // Stores `names` under "firmwareFilenames" on the main thread (queued; returns at once) and
    // announces "newFirmwareVersion".
    static void setFilenames(const QStringList& names, FirmwareDeviceInfo& info);

    // The firmware image as it is uploaded: the S-record text of the first listed file, padded to
    // whole words; null when there is no list, no file or the file is not a good S-record file.
    static QByteArray firmwareBlob(FirmwareDeviceInfo& info);

    // The dictionary's bytes under `key`, padded to whole words; null when there are none.
    static QByteArray firmwareBlobForKey(const QString& key, FirmwareDeviceInfo& info);

    // The package's firmware version text ("HVC 01.41") from the stored file list, or nothing.
    static std::optional<QString> storedNewFirmwareVersion(const FirmwareDeviceInfo& info);
    // The package's firmware version text ("HVC 01.41"), or nothing. Runs the verification when no
    // file list is stored yet (the list arrives later, through the change announcement).
    static std::optional<QString> newFirmwareVersion(quint16 productID, const Edition& edition,
                                                     const QString& className, FirmwareDeviceInfo& info);
    static double availableFirmwareVersion(quint16 productID, const Edition& edition,
                                           const QString& className, FirmwareDeviceInfo& info);
    // The number at the end of the version the printer reported ("firmwareVersion").
    static double installedFirmwareVersion(const std::optional<QString>& firmwareVersion);

    // The number at the end of a version text: the last blank-separated piece, its leading decimal
    // number; 0.0 for nothing or no number. "HVC 01.41" is 1.41.
    static double versionNumber(const std::optional<QString>& text);

    // ---- File checks and data preparation ----------------------------------------------------

    // True when `data` is a Motorola S-record file: not empty, and every non-empty line before the
    // first NUL a well-formed record with a correct checksum.
    static bool verifySRecData(const QByteArray& data);

    // The source is bytes (checked as they are), a QUrl of a local file or a path text (read whole
    // first). Anything else, or a file that cannot be read, fails.
    static bool verifyMotorolaSFile(const QVariant& source);

    // `data` padded with zero bytes to a multiple of 4; unchanged when already whole words or empty.
    static QByteArray paddedData(const QByteArray& data);
    // The same, in place.
    static void padData(QByteArray& data);

    // The contents of the named colour-table file from the package, unchanged; null when missing.
    static QByteArray paddedColorDataForVersion(const QString& fileName);

    // The colour-table file names: the stored file list without its image; empty with fewer than
    // three names.
    static QStringList colorTableNames(FirmwareDeviceInfo& info);

    // The 16-bit complement of the unsigned byte sum.
    static quint16 checksumForData(const QByteArray& data);

    // ---- Image header --------------------------------------------------------------------------

    // The S0 header of an S-record image (the package's images name model and version there), or
    // nothing when the image has no good S0 record before its first data record.
    static std::optional<FirmwareImageHeader> imageHeader(const QByteArray& srecordImage);
};
