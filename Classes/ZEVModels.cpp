#include "Classes/ZEVModels.h"

#include "Classes/Edition.h"
#include "Classes/TBFirmwareDigests.h"
#include "generated/zev_usb_ids.h"

#include <array>

namespace zev {

namespace {

// Device-info keys of the colour tables (the texts of the QRVX_TBPrinterColorTable* constants).
constexpr ColorTableQuery kSingleVersion[] = {
    {kCommandColorTableVersion, MediaSelector::None, "colorTableVersion", "printer color table version: %s"}};
constexpr ColorTableQuery kSingleChecksum[] = {{kCommandColorTableChecksum, MediaSelector::None,
                                                "colorTableChecksum300", "printer color table checksum: %s"}};
constexpr ColorTableQuery kHVCVersions[] = {
    {kCommandCWD610Version, MediaSelector::None, "colorTableVersion610",
     "printer color table version 610: %s"},
    {kCommandCWD600Version, MediaSelector::None, "colorTableVersion600",
     "printer color table version 600: %s"},
    {kCommandCWD300Version, MediaSelector::None, "colorTableVersion", "printer color table version 300: %s"},
};
constexpr ColorTableQuery kHVCChecksums[] = {
    {kCommandCWD610Checksum, MediaSelector::None, "colorTableChecksum610",
     "printer color table CHECKSUM 610: %s"},
    {kCommandCWD600Checksum, MediaSelector::None, "colorTableChecksum600",
     "printer color table CHECKSUM 600: %s"},
    {kCommandCWD300Checksum, MediaSelector::None, "colorTableChecksum300",
     "printer color table CHECKSUM 300: %s"},
};
constexpr ColorTableQuery kEightVersions[] = {
    {kCommandCWD620Version, MediaSelector::SD, "colorTableVersion620", "printer color table version 620: %s"},
    {kCommandCWD610Version, MediaSelector::SD, "colorTableVersion610", "printer color table version 610: %s"},
    {kCommandCWD600Version, MediaSelector::SD, "colorTableVersion600", "printer color table version 600: %s"},
    {kCommandCWD300Version, MediaSelector::SD, "colorTableVersion", "printer color table version 300: %s"},
    {kCommandCWD620Version, MediaSelector::PP, "colorTableVersion620HD",
     "printer color table version 620HD: %s"},
    {kCommandCWD610Version, MediaSelector::PP, "colorTableVersion610HD",
     "printer color table version 610HD: %s"},
    {kCommandCWD600Version, MediaSelector::PP, "colorTableVersion600HD",
     "printer color table version 600HD: %s"},
    {kCommandCWD300Version, MediaSelector::PP, "colorTableVersion300HD",
     "printer color table version 300HD: %s"},
};
constexpr ColorTableQuery kEightChecksums[] = {
    {kCommandCWD620Checksum, MediaSelector::SD, "colorTableChecksum620",
     "printer color table CHECKSUM 620: %s"},
    {kCommandCWD610Checksum, MediaSelector::SD, "colorTableChecksum610",
     "printer color table CHECKSUM 610: %s"},
    {kCommandCWD600Checksum, MediaSelector::SD, "colorTableChecksum600",
     "printer color table CHECKSUM 600: %s"},
    {kCommandCWD300Checksum, MediaSelector::SD, "colorTableChecksum300",
     "printer color table CHECKSUM 300: %s"},
    {kCommandCWD620Checksum, MediaSelector::PP, "colorTableChecksum620HD",
     "printer color table CHECKSUM 620HD: %s"},
    {kCommandCWD610Checksum, MediaSelector::PP, "colorTableChecksum610HD",
     "printer color table CHECKSUM 610HD: %s"},
    {kCommandCWD600Checksum, MediaSelector::PP, "colorTableChecksum600HD",
     "printer color table CHECKSUM 600HD: %s"},
    {kCommandCWD300Checksum, MediaSelector::PP, "colorTableChecksum300HD",
     "printer color table CHECKSUM 300HD: %s"},
};

// The firmware packages. Both programs carry the same files for the older models; serial-switcher
// carries the older HV-QXA and HVC packages.
constexpr PackageFile kHVAPackage[] = {{"HVA 01.40.fw", kDigest_HVA_01_40_fw},
                                       {"HVA_300_0130.cwd", kDigest_HVA_300_0130_cwd},
                                       {"HVA_600_0130.cwd", kDigest_HVA_600_0130_cwd}};
constexpr PackageFile kHVBPackage[] = {{"HVB 01.30.fw", kDigest_HVB_01_30_fw},
                                       {"HVB_300_0130.cwd", kDigest_HVB_300_0130_cwd},
                                       {"HVB_600_0130.cwd", kDigest_HVB_600_0130_cwd}};
// The HVBD takes the HVB's colour tables.
constexpr PackageFile kHVBDPackage[] = {{"HVBD 01.13.fw", kDigest_HVBD_01_13_fw},
                                        {"HVB_300_0130.cwd", kDigest_HVB_300_0130_cwd},
                                        {"HVB_600_0130.cwd", kDigest_HVB_600_0130_cwd}};
constexpr PackageFile kHVQXANewPackage[] = {{"HV-QXA 02.05.fw", kDigest_HV_QXA_02_05_fw},
                                            {"HV-QXA_300_0201.cwd", kDigest_HV_QXA_300_0201_cwd},
                                            {"HV-QXA_600_0100.cwd", kDigest_HV_QXA_600_0100_cwd}};
constexpr PackageFile kHVQXAOldPackage[] = {{"HV-QXA 02.04.fw", kDigest_HV_QXA_02_04_fw},
                                            {"HV-QXA_300_0201.cwd", kDigest_HV_QXA_300_0201_cwd},
                                            {"HV-QXA_600_0100.cwd", kDigest_HV_QXA_600_0100_cwd}};
constexpr PackageFile kHVCNewPackage[] = {{"HVC 01.41.fw", kDigest_HVC_01_41_fw},
                                          {"HVC_300_0100.cwd", kDigest_HVC_300_0100_cwd},
                                          {"HVC_600_0110.cwd", kDigest_HVC_600_0110_cwd},
                                          {"HVC_610_0110.cwd", kDigest_HVC_610_0110_cwd}};
constexpr PackageFile kHVCOldPackage[] = {{"HVC 01.21.fw", kDigest_HVC_01_21_fw},
                                          {"HVC_300_0100.cwd", kDigest_HVC_300_0100_cwd},
                                          {"HVC_600_0100.cwd", kDigest_HVC_600_0100_cwd},
                                          {"HVC_610_0100.cwd", kDigest_HVC_610_0100_cwd}};

constexpr double kEveryFirmware = 0.0;
constexpr double kNoSwitch = -1.0;

const std::array<ModelFacts, 6> kModels{{
    {Model::HVA, "HVA", PRINTER_TOOLS_ZEV_PRODUCT_ID_HVA, "ZEV_HV_Series", kSingleVersion, kSingleChecksum,
     kNoSwitch, kHVAPackage, kHVAPackage},
    {Model::HVB, "HVB", PRINTER_TOOLS_ZEV_PRODUCT_ID_HVB, "ZEV_HV_Series", kSingleVersion, kSingleChecksum,
     kNoSwitch, kHVBPackage, kHVBPackage},
    {Model::HVQXA, "HV-QXA", PRINTER_TOOLS_ZEV_PRODUCT_ID_HVQXA, "ZEV_QX_Series", kSingleVersion,
     kSingleChecksum, kQXAFirstISerialFirmware, kHVQXANewPackage, kHVQXAOldPackage},
    {Model::HVBD, "HVBD", PRINTER_TOOLS_ZEV_PRODUCT_ID_HVBD, "", kSingleVersion, kSingleChecksum, kNoSwitch,
     kHVBDPackage, kHVBDPackage},
    {Model::HVC, "HVC", PRINTER_TOOLS_ZEV_PRODUCT_ID_HVC, "HVCA_LSide", kHVCVersions, kHVCChecksums,
     kEveryFirmware, kHVCNewPackage, kHVCOldPackage},
    {Model::EightTable,
     "HV8T",
     PRINTER_TOOLS_ZEV_PRODUCT_ID_EIGHT_TABLE,
     "",
     kEightVersions,
     kEightChecksums,
     kEveryFirmware,
     {},
     {}},
}};

constexpr ModelFacts kUnknown{Model::Unknown, "", 0, "", {}, {}, kNoSwitch, {}, {}};

} // namespace

std::span<const ModelFacts> models() {
    return kModels;
}

const ModelFacts& modelFacts(Model model) {
    for (const ModelFacts& facts : kModels)
        if (facts.model == model) return facts;
    return kUnknown;
}

std::uint16_t vendorID(int index) {
    return index == 0 ? PRINTER_TOOLS_ZEV_VENDOR_ID_PRIMARY : PRINTER_TOOLS_ZEV_VENDOR_ID_SECONDARY;
}

std::uint16_t productIDForModel(Model model) {
    return modelFacts(model).productID;
}

Model modelForProductID(std::uint16_t productID) {
    for (const ModelFacts& facts : kModels)
        if (facts.productID == productID) return facts.model;
    return Model::Unknown;
}

QString modelName(Model model) {
    return QString::fromLatin1(modelFacts(model).name);
}

QString pictureNameForModel(Model model) {
    return QString::fromLatin1(modelFacts(model).picture);
}

bool modelHasISerialSupport(Model model, double installedFirmwareVersion) {
    const double first = modelFacts(model).firstISerialFirmware;
    if (first < 0) return false;
    return first == kEveryFirmware || installedFirmwareVersion >= first;
}

std::span<const ColorTableQuery> colorTableVersionQueries(Model model) {
    return modelFacts(model).versionQueries;
}

std::span<const ColorTableQuery> colorTableChecksumQueries(Model model) {
    return modelFacts(model).checksumQueries;
}

std::span<const PackageFile> packageFiles(Model model, const Edition& edition) {
    const ModelFacts& facts = modelFacts(model);
    return edition.isSerialSwitcher() ? facts.serialSwitcherPackage : facts.printerFlasherPackage;
}

QSet<std::uint16_t> supportedVendorIDs() {
    return {vendorID(0), vendorID(1)};
}

QSet<std::uint16_t> supportedProductIDs(const Edition& edition) {
    if (edition.isPrinterFlasher()) return {productIDForModel(Model::HVC)};
    return {productIDForModel(Model::HVQXA), productIDForModel(Model::HVC),
            productIDForModel(Model::EightTable)};
}

} // namespace zev
