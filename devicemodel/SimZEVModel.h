// The printer family as its printers are built: per model, the name it gives itself, its USB product
// id, the firmware and colour tables it leaves the factory with, how its colour tables are asked for
// and from which firmware on it has the USB serial-number switch.
//
// These are the printers' own facts, written down here on their own. The host's product table is a
// separate description of the same printers; neither reads the other, so a test that puts a host
// against these printers catches a wrong rule on either side.
#pragma once

#include <cstdint>
#include <span>

namespace sim {

enum class SimZEVModel { HVA, HVB, HVQXA, HVBD, HVC, EightTable, Unknown };

// How a model's colour tables are asked for.
enum class SimZEVTableAddressing {
    None,         // no colour table answers
    Single,       // one table: "TBL_RD Version" and "MNT_RD CTRLD_CHKSUM" answer for slot 300
    Slots,        // "TBL_RD CWDnnn_Version" / "CWDnnn_Checksum" per slot; a payload is ignored
    SlotsByMedia, // as Slots, with a media selector as payload: standard tables, or HD ("nnnHD")
};

struct SimZEVFactoryTable {
    const char* slot; // "300", "600", "610", "620"; the HD tables "300HD" ... "620HD"
    const char* version;
    const char* checksum;
};

struct SimZEVModelFacts {
    SimZEVModel model;
    const char* name; // "HVC": the product string is "HVP-HVC", serial numbers start "HVC-"
    std::uint16_t productId;
    const char* factoryFirmware; // the version the printer reports, "HVC 01.21"
    SimZEVTableAddressing tableAddressing;
    std::span<const SimZEVFactoryTable> factoryTables;
    // The first firmware version with the USB serial-number switch: 0 for every firmware, below 0 for
    // none. The printer decides on the firmware it runs now.
    double firstSwitchFirmware;
};

// The facts of `model`; the Unknown model is a printer of the family that none of the others is.
const SimZEVModelFacts& simZEVModelFacts(SimZEVModel model);
// Every model of the family, Unknown excluded.
std::span<const SimZEVModelFacts> simZEVModels();
// The vendor id every printer of the family reports.
std::uint16_t simZEVVendorId();

// The number a firmware version ends in, as the printer reads its own: the last blank-separated
// piece's leading decimal number ("HV-QXA 02.04" is 2.04); 0 without one.
double simZEVFirmwareNumber(const char* version, std::size_t length);

// Status codes the printers answer.
inline constexpr char kSimZEVStatusIdle[] = "00000";
inline constexpr char kSimZEVStatusPaperEnd[] = "01100";
inline constexpr char kSimZEVStatusFirmwareUpdateMode[] = "FU00001";

} // namespace sim
