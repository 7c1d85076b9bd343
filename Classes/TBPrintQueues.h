// The print system's queues for a printer model, and their removal.
//
// When a printer's USB serial-number report is switched, the print system takes it for a new device;
// the queues it had set up for that printer model then point at a device that no longer exists.
// They are found in the "lpstat -v" listing (queue name and device URI) and removed with
// "lpadmin -x". Both run with LC_ALL=C: the listing is parsed in its C-locale form only.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace printqueues {

// Names of the queues in `lpstatOutput` ("lpstat -v" in the C locale, one "device for NAME: URI" a
// line) whose device URI is a usb: URI naming `model` as the path segment just before the query:
// "usb://MAKE/MODEL?serial=...", the model percent-encoded as in any URI path ("HVP%20HV" for
// "HVP HV"). Any other scheme, another model, a longer name that starts with `model`, or a URI
// without a query never match. An empty model matches nothing.
QStringList queuesForModel(const QByteArray& lpstatOutput, const QString& model);

struct Failure {
    QString queue;
    QString reason; // lpadmin's own message, or why it gave none
};

struct Outcome {
    bool listed = false;    // lpstat ran and answered
    QString listingProblem; // why not, when !listed ("lpstat not found", its message, a time-out...)
    QStringList removed;
    QList<Failure> failed;
};

// Lists the queues and removes those of `model` (as queuesForModel). Each command gets `timeoutMs`;
// once one removal times out the print system is taken to be hung and the remaining queues are
// reported as failed without being tried. Each removal and failure is logged.
// Blocks the calling thread: call it on a worker or command queue, never on the main thread.
Outcome removeQueuesForModel(const QString& model, int timeoutMs = 10000);

} // namespace printqueues
