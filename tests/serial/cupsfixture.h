// A print scheduler of the test's own: a cupsd child with its configuration, state, spool and logs
// in a temporary folder and a private local socket as its only way in. The system's print system
// and its configuration are never touched. CUPS_SERVER in this process points the CUPS tools (and
// whatever the code under test runs) at it.
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class CupsFixture {
public:
    ~CupsFixture() { stop(); }

    // (Re)starts the scheduler, without queues, and waits until it answers; returns why it could not
    // (empty when it runs). With `refuseQueueRemoval` every queue removal is refused for want of rights (an
    // administrator nobody can be), while adding queues still works.
    QString start(bool refuseQueueRemoval = false);
    void stop();
    bool running() const;

    QString socketPath() const { return dir_.path() + QStringLiteral("/cups.sock"); }
    // Points CUPS_SERVER at this scheduler (start() does too).
    void select() const;

    // lpadmin -p NAME -E -v URI (a raw queue); returns lpadmin's complaint, empty on success.
    QString addQueue(const QString& name, const QString& uri) const;
    QStringList queues() const; // every queue's name, sorted
    void removeAllQueues() const;

private:
    QTemporaryDir dir_{QStringLiteral("/tmp/serial-cups-XXXXXX")}; // short: socket paths are limited
    std::unique_ptr<QProcess> cupsd_;
};

// Runs a CUPS tool in the C locale (through PATH, with this process's environment otherwise);
// returns its standard output, and its exit status (-1 when it did not exit) and standard error.
QByteArray runCupsTool(const QString& program, const QStringList& arguments, int* status = nullptr,
                       QByteArray* standardError = nullptr);
