#include "Classes/TBPrintQueues.h"

#include "platform/platformlog.h"
#include "platform/shell.h"

#include <algorithm>

namespace printqueues {

namespace {

struct Queue {
    QString name;
    QByteArray uri;
};

// The listing and the removals are read in their untranslated form: under other locales lpstat
// words its lines differently (and puts the queue name elsewhere in them).
const QStringList kUntranslated{QStringLiteral("LC_ALL=C")};

// lpstat's answer when the print system has no queue at all (with exit status 1).
constexpr char kNoQueues[] = "No destinations added";

// usb://MAKE/MODEL?serial=...: the path segment before the query, percent-decoded, is the model.
bool usbURINamesModel(const QByteArray& uri, const QString& model) {
    if (qstrnicmp(uri.constData(), "usb:", 4) != 0) return false;
    const qsizetype query = uri.indexOf('?');
    if (query < 0) return false;
    const qsizetype slash = uri.lastIndexOf('/', query);
    if (slash < 0) return false;
    const QByteArray segment = uri.mid(slash + 1, query - slash - 1);
    return QString::fromUtf8(QByteArray::fromPercentEncoding(segment)) == model;
}

QList<Queue> queuesOf(const QByteArray& lpstatOutput, const QString& model) {
    static const QByteArray prefix = "device for ";
    QList<Queue> queues;
    if (model.isEmpty()) return queues;
    for (const QByteArray& rawLine : lpstatOutput.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (!line.startsWith(prefix)) continue;
        // A queue name has no blanks, so the first ": " ends it (a name may hold a colon).
        const qsizetype separator = line.indexOf(": ", prefix.size());
        if (separator <= prefix.size()) continue;
        const QString name = QString::fromUtf8(line.mid(prefix.size(), separator - prefix.size()));
        const QByteArray uri = line.mid(separator + 2).trimmed();
        if (!usbURINamesModel(uri, model)) continue;
        const bool seen = std::any_of(queues.cbegin(), queues.cend(),
                                      [&](const Queue& queue) { return queue.name == name; });
        if (!seen) queues.append({name, uri});
    }
    return queues;
}

// Why a command that did not succeed failed, in words.
QString problemOf(const QString& program, const platform::ShellResult& result, int timeoutMs) {
    if (!result.started) return QStringLiteral("could not run /bin/sh");
    if (result.timedOut)
        return QStringLiteral("%1 timed out after %2 s").arg(program, QString::number(timeoutMs / 1000.0));
    if (!result.exitedNormally) return QStringLiteral("%1 was killed by a signal").arg(program);
    if (result.exitStatus == 127) return QStringLiteral("%1 not found").arg(program);
    const QString message = QString::fromUtf8(result.standardError).simplified();
    if (!message.isEmpty()) return message;
    return QStringLiteral("%1 exited with status %2").arg(program).arg(result.exitStatus);
}

bool succeeded(const platform::ShellResult& result) {
    return result.exitedNormally && result.exitStatus == 0;
}

} // namespace

QStringList queuesForModel(const QByteArray& lpstatOutput, const QString& model) {
    QStringList names;
    for (const Queue& queue : queuesOf(lpstatOutput, model))
        names.append(queue.name);
    return names;
}

Outcome removeQueuesForModel(const QString& model, int timeoutMs) {
    Outcome outcome;
    if (model.isEmpty()) {
        outcome.listingProblem = QStringLiteral("no printer model given");
        return outcome;
    }
    const platform::ShellResult listing =
        platform::runShellCommand(QStringLiteral("exec lpstat -v"), {}, timeoutMs, kUntranslated);
    const bool noQueues = listing.exitedNormally && listing.exitStatus == 1 &&
                          listing.standardError.contains(kNoQueues) &&
                          !listing.standardOutput.contains("device for ");
    if (!succeeded(listing) && !noQueues) {
        outcome.listingProblem = problemOf(QStringLiteral("lpstat"), listing, timeoutMs);
        platform::platformLog("could not list print queues: %s", outcome.listingProblem.toUtf8().constData());
        return outcome;
    }
    outcome.listed = true;

    bool answering = true;
    for (const Queue& queue : queuesOf(listing.standardOutput, model)) {
        const QByteArray name = queue.name.toUtf8();
        QString reason;
        if (answering) {
            // The name goes in as "$1": it reaches lpadmin as it is, whatever characters it holds.
            const platform::ShellResult removal = platform::runShellCommand(
                QStringLiteral("exec lpadmin -x \"$1\""), {queue.name}, timeoutMs, kUntranslated);
            if (succeeded(removal)) {
                outcome.removed.append(queue.name);
                platform::platformLog("removed print queue %s (%s)", name.constData(), queue.uri.constData());
                continue;
            }
            reason = problemOf(QStringLiteral("lpadmin"), removal, timeoutMs);
            answering = !removal.timedOut;
        } else {
            reason = QStringLiteral("not tried: the print system stopped answering");
        }
        outcome.failed.append({queue.name, reason});
        platform::platformLog("could not remove print queue %s (%s): %s", name.constData(),
                              queue.uri.constData(), reason.toUtf8().constData());
    }
    return outcome;
}

} // namespace printqueues
