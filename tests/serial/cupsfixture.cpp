#include "cupsfixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/prctl.h>

namespace {

bool writeFile(const QString& path, const QString& text) {
    QFile file(path);
    const QByteArray bytes = text.toUtf8();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

QByteArray runCupsTool(const QString& program, const QStringList& arguments, int* status,
                       QByteArray* standardError) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    const bool finished = process.waitForFinished(10000);
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    if (status) *status = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (standardError) *standardError = process.readAllStandardError();
    return process.readAllStandardOutput();
}

QString CupsFixture::start(bool refuseQueueRemoval) {
    stop();
    const QString cupsd = QStringLiteral("/usr/sbin/cupsd");
    if (!QFile::exists(cupsd)) return QStringLiteral("no %1 (scripts/bootstrap installs cups)").arg(cupsd);
    if (!dir_.isValid()) return QStringLiteral("no temporary folder: %1").arg(dir_.errorString());
    const QString root = dir_.path();
    // Each start begins without queues, whatever an earlier one left.
    for (const char* sub : {"conf", "state", "cache", "spool", "log"})
        QDir(root + '/' + sub).removeRecursively();
    for (const char* sub : {"conf", "state", "cache", "spool/tmp", "log"})
        if (!QDir(root).mkpath(QString::fromLatin1(sub))) return QStringLiteral("cannot create %1").arg(sub);

    // Removal needs an administrator who does not exist: CUPS lets local clients past address
    // rules, and a queue's own operation policy does not cover its removal.
    const QString refusal = refuseQueueRemoval ? QStringLiteral("  <Limit CUPS-Delete-Printer>\n"
                                                                "    AuthType Basic\n"
                                                                "    Require user no-such-administrator\n"
                                                                "  </Limit>\n")
                                               : QString();
    const QString conf = QStringLiteral("LogLevel warn\nListen %1\nBrowsing No\nBrowseLocalProtocols none\n"
                                        "WebInterface No\nDefaultShared No\n<Policy default>\n%2"
                                        "  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                             .arg(socketPath(), refusal);
    const QString files = QStringLiteral("ServerRoot %1/conf\nStateDir %1/state\nCacheDir %1/cache\n"
                                         "RequestRoot %1/spool\nTempDir %1/spool/tmp\nPrintcap %1/printcap\n"
                                         "ErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                                         "PageLog %1/log/page_log\nPeerCred Off\n")
                              .arg(root);
    if (!writeFile(root + "/conf/cupsd.conf", conf) || !writeFile(root + "/conf/cups-files.conf", files))
        return QStringLiteral("cannot write the scheduler's configuration");

    cupsd_ = std::make_unique<QProcess>();
    cupsd_->setProcessChannelMode(QProcess::MergedChannels);
    // Dies with the test, even when the test itself is killed.
    cupsd_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    cupsd_->start(cupsd, {"-f", "-c", root + "/conf/cupsd.conf", "-s", root + "/conf/cups-files.conf"});
    select();
    const QDeadlineTimer deadline(15000);
    while (cupsd_->waitForStarted() && !deadline.hasExpired()) {
        if (runCupsTool("lpstat", {"-r"}).contains("scheduler is running")) return {};
        if (cupsd_->waitForFinished(50)) break; // it gave up
    }
    QFile log(root + "/log/error_log");
    QString output = QString::fromUtf8(cupsd_->readAll()) +
                     QString::fromUtf8(log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray());
    if (cupsd_->error() == QProcess::FailedToStart) output = cupsd_->errorString();
    stop();
    return QStringLiteral("a private cupsd did not start (%1)").arg(output.simplified());
}

void CupsFixture::stop() {
    if (!cupsd_) return;
    cupsd_->terminate();
    if (!cupsd_->waitForFinished(5000)) {
        cupsd_->kill();
        cupsd_->waitForFinished();
    }
    cupsd_.reset();
}

bool CupsFixture::running() const {
    return cupsd_ && cupsd_->state() != QProcess::NotRunning;
}

void CupsFixture::select() const {
    qputenv("CUPS_SERVER", QFile::encodeName(socketPath()));
}

QString CupsFixture::addQueue(const QString& name, const QString& uri) const {
    int status = -1;
    QByteArray error;
    runCupsTool("lpadmin", {"-p", name, "-E", "-v", uri}, &status, &error);
    return status == 0 ? QString() : QStringLiteral("lpadmin -p %1: %2").arg(name, QString::fromUtf8(error));
}

QStringList CupsFixture::queues() const {
    // "NAME accepting requests since ..." a line.
    QStringList names;
    for (const QString& line :
         QString::fromUtf8(runCupsTool("lpstat", {"-a"})).split('\n', Qt::SkipEmptyParts))
        names << line.section(' ', 0, 0);
    names.sort();
    return names;
}

void CupsFixture::removeAllQueues() const {
    for (const QString& name : queues())
        runCupsTool("lpadmin", {"-x", name});
}
