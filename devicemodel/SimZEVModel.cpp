#include "devicemodel/SimZEVModel.h"

#include "generated/zev_usb_ids.h"

#include <array>
#include <charconv>

namespace sim {

namespace {

constexpr SimZEVFactoryTable kHVATables[] = {{"300", "0130", "5A1C"}, {"600", "0130", "77E0"}};
constexpr SimZEVFactoryTable kHVBTables[] = {{"300", "0120", "3B02"}, {"600", "0120", "9C44"}};
constexpr SimZEVFactoryTable kHVQXATables[] = {{"300", "0201", "1F0D"}, {"600", "0100", "E3A9"}};
constexpr SimZEVFactoryTable kHVCTables[] = {
    {"300", "0100", "4D21"}, {"600", "0100", "B870"}, {"610", "0100", "0E5F"}};
constexpr SimZEVFactoryTable kEightTables[] = {
    {"300", "0100", "1000"},   {"600", "0100", "1000"},   {"610", "0100", "1000"},
    {"620", "0100", "1000"},   {"300HD", "0200", "2000"}, {"600HD", "0200", "2000"},
    {"610HD", "0200", "2000"}, {"620HD", "0200", "2000"},
};

constexpr double kAlways = 0.0;
constexpr double kNever = -1.0;

const std::array<SimZEVModelFacts, 6> kModels{{
    {SimZEVModel::HVA, "HVA", PRINTER_TOOLS_ZEV_PRODUCT_ID_HVA, "HVA 01.30", SimZEVTableAddressing::Single,
     kHVATables, kNever},
    {SimZEVModel::HVB, "HVB", PRINTER_TOOLS_ZEV_PRODUCT_ID_HVB, "HVB 01.20", SimZEVTableAddressing::Single,
     kHVBTables, kNever},
    {SimZEVModel::HVQXA, "HV-QXA", PRINTER_TOOLS_ZEV_PRODUCT_ID_HVQXA, "HV-QXA 02.04",
     SimZEVTableAddressing::Single, kHVQXATables, 2.04},
    // The HVBD leaves the factory with the HVB's colour tables.
    {SimZEVModel::HVBD, "HVBD", PRINTER_TOOLS_ZEV_PRODUCT_ID_HVBD, "HVBD 01.10",
     SimZEVTableAddressing::Single, kHVBTables, kNever},
    {SimZEVModel::HVC, "HVC", PRINTER_TOOLS_ZEV_PRODUCT_ID_HVC, "HVC 01.21", SimZEVTableAddressing::Slots,
     kHVCTables, kAlways},
    {SimZEVModel::EightTable, "HV8T", PRINTER_TOOLS_ZEV_PRODUCT_ID_EIGHT_TABLE, "HV8T 01.00",
     SimZEVTableAddressing::SlotsByMedia, kEightTables, kAlways},
}};

// A printer of the family that is none of the models above: no tables, no switch, an id nobody uses.
constexpr SimZEVModelFacts kUnknown{SimZEVModel::Unknown,        "", 0,     "UNKNOWN 00.00",
                                    SimZEVTableAddressing::None, {}, kNever};

} // namespace

const SimZEVModelFacts& simZEVModelFacts(SimZEVModel model) {
    for (const SimZEVModelFacts& facts : kModels)
        if (facts.model == model) return facts;
    return kUnknown;
}

std::span<const SimZEVModelFacts> simZEVModels() {
    return kModels;
}

std::uint16_t simZEVVendorId() {
    return PRINTER_TOOLS_ZEV_VENDOR_ID_PRIMARY;
}

double simZEVFirmwareNumber(const char* version, std::size_t length) {
    std::size_t start = length;
    while (start > 0 && version[start - 1] != ' ')
        --start;
    // Digits, a point, digits: whatever follows is not part of the number.
    std::size_t end = start;
    bool point = false;
    while (end < length &&
           ((version[end] >= '0' && version[end] <= '9') || (version[end] == '.' && !point))) {
        point = point || version[end] == '.';
        ++end;
    }
    double value = 0.0;
    const auto [ptr, error] = std::from_chars(version + start, version + end, value);
    (void)ptr;
    return error == std::errc() ? value : 0.0;
}

} // namespace sim
