// The models of the printer family as this program knows them: one row per model with its USB
// product id, name, picture, the colour-table queries it is asked, the firmware from which it has
// the USB serial-number switch, and its firmware package in either program. The protocol, the
// package and the window all read this one table.
#pragma once

#include "Classes/ZEVProtocol.h"

#include <QSet>
#include <QString>

#include <cstdint>
#include <span>

class Edition;

namespace zev {

enum class Model { HVA, HVB, HVQXA, HVBD, HVC, EightTable, Unknown };

// One file of a model's firmware package: its name and the keyed digest it must have.
struct PackageFile {
    const char* name;
    const char* digest;
};

struct ModelFacts {
    Model model;
    const char* name; // "HV-QXA"; empty for Unknown
    std::uint16_t productID;
    const char* picture; // picture resource name, empty when the model has none
    // Rows in the order they are sent.
    std::span<const ColorTableQuery> versionQueries;
    std::span<const ColorTableQuery> checksumQueries;
    // The first firmware version with the USB serial-number switch: 0 for every firmware, below 0
    // for none.
    double firstISerialFirmware;
    // The package files, the firmware image first, then the colour tables; empty: no update.
    std::span<const PackageFile> printerFlasherPackage;
    std::span<const PackageFile> serialSwitcherPackage;
};

// Every model, Unknown excluded, in the order a product id is looked up (a build that gives two
// models one id gets the earlier one).
std::span<const ModelFacts> models();
// The row of `model`; Unknown has an empty row.
const ModelFacts& modelFacts(Model model);

std::uint16_t vendorID(int index); // index 0 or 1
std::uint16_t productIDForModel(Model model);
Model modelForProductID(std::uint16_t productID);
QString modelName(Model model);
// Picture resource name of the model, empty when it has none.
QString pictureNameForModel(Model model);
// Whether the model has the USB serial-number switch at the given installed firmware version.
bool modelHasISerialSupport(Model model, double installedFirmwareVersion);
// The HV-QXA firmware that first has the switch.
constexpr double kQXAFirstISerialFirmware = 2.04;
// Rows in the order they are sent; empty for a product outside the table.
std::span<const ColorTableQuery> colorTableVersionQueries(Model model);
std::span<const ColorTableQuery> colorTableChecksumQueries(Model model);
// The model's package in the given program's catalogue.
std::span<const PackageFile> packageFiles(Model model, const Edition& edition);

QSet<std::uint16_t> supportedVendorIDs();
QSet<std::uint16_t> supportedProductIDs(const Edition& edition);

} // namespace zev
