#include "cli/metrics.h"

#include <prometheus/counter.h>
#include <prometheus/gauge.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <array>

namespace cli::metrics {

namespace {

using prometheus::Labels;

// Every outcome the history knows, so that the last update's outcome is a complete state set.
constexpr std::array kOutcomes{"succeeded", "failed",      "cancelled", "not-needed",
                               "lost",      "interrupted", "under-way"};

std::string utf8(const QString& text) {
    return text.toStdString();
}

Labels labelsOf(const Printer& printer) {
    return {{"key", utf8(printer.key)},
            {"serial_number", utf8(printer.serialNumber)},
            {"model", utf8(printer.model)}};
}

Labels with(Labels labels, std::initializer_list<std::pair<const std::string, std::string>> more) {
    labels.insert(more);
    return labels;
}

} // namespace

QByteArray exposition(const QList<Printer>& printers, const QMap<QString, LastUpdate>& lastUpdates) {
    prometheus::Registry registry;
    const auto gauge = [&registry](const char* name, const char* help) -> auto& {
        return prometheus::BuildGauge().Name(name).Help(help).Register(registry);
    };
    auto& up = gauge("printer_flasher_printer_up",
                     "Whether the printer answers: 1 when it answered this run's questions or another "
                     "instance of the program is updating it, 0 when it did not answer or is away "
                     "restarting during an update.");
    auto& status = gauge("printer_flasher_printer_status",
                         "The printer's status as it reported it, in the label status (1).");
    auto& prints = prometheus::BuildCounter()
                       .Name("printer_flasher_printer_lifetime_prints_total")
                       .Help("Prints the printer has made in its life, by its own lifetime counter.")
                       .Register(registry);
    auto& info = gauge("printer_flasher_printer_info",
                       "The printer's installed firmware and colour tables, and those of the program's "
                       "firmware package for its model (1).");
    auto& needed = gauge("printer_flasher_printer_update_needed",
                         "Whether the printer's firmware is older than the package's (1) or not (0).");
    auto& underWay = gauge("printer_flasher_printer_update_in_progress",
                           "Whether an update of the printer is under way, in this or another instance of "
                           "the program (1) or not (0).");
    auto& progress = gauge("printer_flasher_printer_update_progress_ratio",
                           "How far the update under way has come, from 0 to 1.");
    auto& lastAt = gauge("printer_flasher_printer_last_update_timestamp_seconds",
                         "When the printer's last update attempt ended (began, while it is under way), "
                         "in seconds since the epoch.");
    auto& lastOutcome = gauge("printer_flasher_printer_last_update_outcome",
                              "The outcome of the printer's last update attempt: 1 for it in the label "
                              "outcome, 0 for the others.");

    for (const Printer& printer : printers) {
        const Labels labels = labelsOf(printer);
        up.Add(labels).Set(printer.answers ? 1 : 0);
        if (!printer.status.isEmpty()) status.Add(with(labels, {{"status", utf8(printer.status)}})).Set(1);
        if (printer.lifetimePrints) prints.Add(labels).Increment(*printer.lifetimePrints);
        info.Add(with(labels, {{"firmware_version", utf8(printer.firmwareVersion)},
                               {"package_firmware_version", utf8(printer.packageFirmwareVersion)},
                               {"colour_tables", utf8(printer.colourTables)},
                               {"package_colour_tables", utf8(printer.packageColourTables)}}))
            .Set(1);
        needed.Add(labels).Set(printer.updateNeeded ? 1 : 0);
        underWay.Add(labels).Set(printer.updateUnderWay ? 1 : 0);
        if (printer.updateUnderWay && printer.updateProgress >= 0)
            progress.Add(labels).Set(printer.updateProgress / 1000.0);
        const auto last = lastUpdates.constFind(printer.key);
        if (last == lastUpdates.constEnd()) continue;
        if (last->at.isValid()) lastAt.Add(labels).Set(double(last->at.toMSecsSinceEpoch()) / 1000.0);
        for (const char* outcome : kOutcomes)
            lastOutcome.Add(with(labels, {{"outcome", outcome}}))
                .Set(last->outcome == QLatin1String(outcome));
    }
    return QByteArray::fromStdString(prometheus::TextSerializer().Serialize(registry.Collect()));
}

} // namespace cli::metrics
