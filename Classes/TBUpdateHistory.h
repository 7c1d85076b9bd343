// The update history: every firmware update attempt, kept on disk so that support can see what was
// updated when. One attempt runs from the operator's request (or from the printer found carrying an
// update on) to its outcome, across the printer's restarts and across a program that ends in between:
// the attempt still open for a device key takes the next phases and the outcome.
//
// The store is an SQLite database (Qt SQL) written in one transaction per change, so a crash or a
// power cut mid-write leaves the last complete change. It is written on a queue of its own: the
// recording calls return at once from any thread and keep their order. A database that cannot be
// read is set aside under a new name and a new one started; one that another program keeps locked is
// left alone and what could not be written is kept and tried again. Either is reported (problem()).
// Until open() the recording calls do nothing (tests, and runs that keep no history).
#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class TBUpdateHistory {
public:
    // What the attempt's printer said of itself when the attempt began, or at its end.
    struct Printer {
        QString deviceKey;
        QString serialNumber;
        QString model;
        QString firmwareVersion;
        QString colorTableVersion;
    };

    struct Phase {
        QString name; // "request", "restart-into-update-mode", "upload", "programming-and-restart",
                      // "colour-tables"
        QDateTime at; // UTC
    };

    // One attempt, as read back.
    struct Attempt {
        qint64 id = 0;
        QDateTime started; // UTC
        QDateTime ended;   // UTC; invalid while the attempt is open
        QString deviceKey;
        QString serialNumber;
        QString model;
        QString firmwareBefore;
        QString colorTablesBefore;
        QString firmwareTarget; // the package's firmware version, when known
        QString firmwareAfter;  // as the printer reported it at the end
        QString colorTablesAfter;
        QString outcome; // empty while open, else one of the kOutcome* words
        QString failure; // the failure notice (headline, a blank line, its text) when failed
        QList<Phase> phases;
        QStringList captures; // the capture files of its USB traffic still kept (TBUpdateCaptures)
    };

    // The outcome words, as stored and as `--history --json` prints them.
    static constexpr const char* kOutcomeSucceeded = "succeeded";
    static constexpr const char* kOutcomeFailed = "failed";
    static constexpr const char* kOutcomeCancelled = "cancelled";
    static constexpr const char* kOutcomeNotNeeded = "not-needed";
    static constexpr const char* kOutcomeLost = "lost";               // the printer never came back
    static constexpr const char* kOutcomeInterrupted = "interrupted"; // a new attempt began first

    // $XDG_DATA_HOME/<program>/update-history.sqlite
    static QString defaultPath(const QString& programName);

    // Opens (creating when missing) the database at `path` and records into it from now on. Blocks
    // for the disk: at start-up, before the event loop, or off the main thread. False when no history
    // can be kept this run (the reason in problem()); a damaged database is set aside and a new one
    // started, which is true.
    static bool open(const QString& path);
    // Waits for what is queued, then closes. Safe when not open.
    static void close();
    static bool isOpen();
    static QString path();
    // What went wrong with the store this run, for the operator (empty when nothing did): a database
    // set aside, one locked by another program, one that could not be written.
    static QString problem();

    // ---- recording: any thread, returns at once, in call order ----

    // The operator asked for an update of `printer`: a new attempt (one still open for the same
    // device key is ended as interrupted). `target` is the package's firmware version when known.
    static void begin(const Printer& printer, const QString& target);
    // The attempt of `printer.deviceKey` reached `phase`. With no attempt open (a printer found
    // carrying an update on), one begins with what `printer` says.
    static void phase(const Printer& printer, const QString& phase);
    // The attempt of `printer.deviceKey` ended; nothing happens when none is open. `failure` is the
    // failure notice's text, when there is one.
    static void finish(const Printer& printer, const QString& outcome, const QString& failure = {});

    // Blocks until everything recorded so far is written (or kept for later when the store is
    // locked). For tests and the end of the program.
    static void flush();

    // ---- reading ----

    // Every attempt, newest first, with its phases. Blocks for the disk. An empty list and the reason
    // in `problem` when the store cannot be read.
    static QList<Attempt> readAll(QString* problem = nullptr);
    // The same from the database at `path`, without opening it for recording: a run that only reads
    // never writes to it, nor waits for a writer.
    static QList<Attempt> readAllAt(const QString& path, QString* problem = nullptr);
    // The same off the main thread; `done` runs on the main thread.
    static void readAll(std::function<void(const QList<Attempt>& attempts, const QString& problem)> done);

    // The attempts as `--history --json` prints them (an array of objects) and as text.
    static QJsonArray toJson(const QList<Attempt>& attempts);
    static QString toText(const QList<Attempt>& attempts);

    // One file for support: the history as text, then the log file named (and the one rolled before
    // it, when there is one), each under a heading, and last the newest attempt's capture, in base64.
    static QByteArray supportReport(const QList<Attempt>& attempts, const QString& logFilePath);
};
