// The printers as Prometheus metrics (`--list --metrics`): one series per printer and family, labelled
// with the printer's device key, serial number and model, in the text exposition format that
// node_exporter's textfile collector and Prometheus itself read.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace cli::metrics {

// One printer as a listing run found it.
struct Printer {
    QString key;
    QString serialNumber;
    QString model;        // "HVC"
    bool answers = false; // it answered this run's questions, or another instance is updating it
    QString status;       // English status text, empty when unknown
    std::optional<double> lifetimePrints;
    QString firmwareVersion; // as the printer reported it
    QString packageFirmwareVersion;
    QString colourTables; // "300 0100, 600 0100"
    QString packageColourTables;
    bool updateNeeded = false;
    bool updateUnderWay = false; // in this program or in another instance
    int updateProgress = -1;     // tenths of a percent, -1 when not known
};

// The last update attempt of a printer, from the update history.
struct LastUpdate {
    QDateTime at;    // when it ended, or began while it is under way
    QString outcome; // an outcome word of the history ("succeeded", ...), "under-way" while open
};

// The families, with every printer's series, in the text exposition format.
QByteArray exposition(const QList<Printer>& printers, const QMap<QString, LastUpdate>& lastUpdates);

} // namespace cli::metrics
