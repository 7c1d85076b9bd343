// What a simulated printer keeps, as a JSON object: its firmware and whether the flash holds it, its
// update mode, colour tables, counters, serial number, USB serial-number switch and status. With it a
// demo's printers can outlive the program that simulates them. An image being programmed is not part
// of it (its end is a moment in time, which the keeper writes beside it).
#pragma once

#include "devicemodel/SimZEVPrinter.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace sim {

QJsonObject simZEVStateToJson(const SimZEVPrinterState& state);
// The state an object of simZEVStateToJson() describes, or nothing with the reason in `why`. All or
// nothing: a field missing or of the wrong kind, or a model of no printer of the family, and the
// whole object is taken to be damaged.
std::optional<SimZEVPrinterState> simZEVStateFromJson(const QJsonObject& object, QString* why);

// The model a name of simZEVModelFacts() stands for ("HVC", "HV-QXA"; "" for the Unknown model).
std::optional<SimZEVModel> simZEVModelNamed(const QString& name);

} // namespace sim
