// Removing a printer model's queues from a real print scheduler (a private one, see cupsfixture.h).
#include "Classes/TBPrintQueues.h"
#include "common/testsupport.h"
#include "cupsfixture.h"
#include "platform/shell.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString kModel = QStringLiteral("HVP-HVC");

// A local socket that takes connections and never answers: a print system that hangs.
struct SilentServer {
    explicit SilentServer(const QString& path) {
        sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(),
                    std::min(sizeof address.sun_path - 1, size_t(name.size())));
        listening =
            ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd, 16) == 0;
    }
    ~SilentServer() { ::close(fd); }
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    bool listening = false;
};

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

class PrintSystemTest : public QObject {
    Q_OBJECT
    CupsFixture cups_;
    QString cupsProblem_;
    QTemporaryDir scratch_{QStringLiteral("/tmp/serial-scratch-XXXXXX")};
    QByteArray path_ = qgetenv("PATH");

    // Each test starts in the C locale, with the system's tools, against the shared scheduler.
    void resetEnvironment() {
        cups_.select();
        qputenv("PATH", path_);
        qputenv("LANG", "C");
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
            qunsetenv(name);
    }
    QString scratchFolder(const QString& name) {
        const QString path = scratch_.filePath(name);
        QDir().mkpath(path);
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(scratch_.isValid());
        // Whatever a queue name might make a shell do happens here, where the test can see it.
        QVERIFY(QDir::setCurrent(scratchFolder("cwd")));
        cupsProblem_ = cups_.start();
    }
    void init() { resetEnvironment(); }
    void cleanup() {
        resetEnvironment();
        if (cups_.running()) cups_.removeAllQueues();
    }
    void cleanupTestCase() { cups_.stop(); }

    void removesOnlyTheModelsUsbQueues_data() {
        QTest::addColumn<QByteArray>("lang");
        QTest::newRow("C") << QByteArray("C");
        QTest::newRow("Japanese") << QByteArray("ja_JP.UTF-8");
        QTest::newRow("Chinese") << QByteArray("zh_CN.UTF-8");
    }
    void removesOnlyTheModelsUsbQueues() {
        if (!cups_.running()) QSKIP(qPrintable(cupsProblem_));
        QFETCH(QByteArray, lang);
        const QList<std::pair<QString, QString>> queues{
            {"photo-1", "usb://ACME/HVP-HVC?serial=123"},
            {"photo-2", "usb://ACME%20Corp/HVP-HVC?serial=456"},
            {"other-model", "usb://ACME/HVP-HV-QXA?serial=1"},
            {"longer-name", "usb://ACME/HVP-HVC2?serial=2"},
            {"network", "ipp://printer.example/printers/HVP-HVC?waitjob=false"},
            {"no-query", "usb://ACME/HVP-HVC"}};
        for (const auto& [name, uri] : queues)
            QCOMPARE(cups_.addQueue(name, uri), QString());
        qputenv("LANG", lang);
        // Unless the locale really changes the listing's wording, this row proves nothing.
        const QByteArray listing = platform::runShellCommand("exec lpstat -v", {}, 10000).standardOutput;
        QVERIFY2(listing.contains("usb://ACME/HVP-HVC?serial=123"), listing.constData());
        QVERIFY2(listing.contains("device for photo-1: ") == (lang == "C"),
                 qPrintable("lpstat -v under LANG=" + lang + " (scripts/bootstrap sets up the locales):\n" +
                            listing));

        testsupport::LogCapture log;
        const printqueues::Outcome outcome = printqueues::removeQueuesForModel(kModel);
        QVERIFY2(outcome.listed, qPrintable(outcome.listingProblem));
        QCOMPARE(sorted(outcome.removed), (QStringList{"photo-1", "photo-2"}));
        QVERIFY(outcome.failed.isEmpty());
        QCOMPARE(cups_.queues(), (QStringList{"longer-name", "network", "no-query", "other-model"}));
        QVERIFY(log.contains("removed print queue photo-1 (usb://ACME/HVP-HVC?serial=123)"));
    }

    // CUPS takes these names; each must reach lpadmin as it is, and none as shell text.
    void shellCharactersInNamesStayLiteral() {
        if (!cups_.running()) QSKIP(qPrintable(cupsProblem_));
        const QStringList hostile{"x;touch${IFS}pwned", "$(touch${IFS}pwned)", "`touch${IFS}pwned`", "q*",
                                  "a:b"};
        for (int i = 0; i < hostile.size(); ++i)
            QCOMPARE(cups_.addQueue(hostile[i], QStringLiteral("usb://ACME/HVP-HVC?serial=%1").arg(i)),
                     QString());
        QCOMPARE(cups_.addQueue("qz", "usb://ACME/HVP-HV-QXA?serial=9"), QString());
        // An unquoted q* would expand to this file's name and remove the other model's queue.
        QFile glob(QDir::current().filePath("qz"));
        QVERIFY(glob.open(QIODevice::WriteOnly));

        const printqueues::Outcome outcome = printqueues::removeQueuesForModel(kModel);
        QCOMPARE(sorted(outcome.removed), sorted(hostile));
        QVERIFY(outcome.failed.isEmpty());
        QCOMPARE(cups_.queues(), QStringList{"qz"});
        QVERIFY(!QFile::exists(QDir::current().filePath("pwned")));
    }

    void refusedRemovalIsReportedPerQueue() {
        CupsFixture refusing;
        if (const QString problem = refusing.start(true); !problem.isEmpty()) QSKIP(qPrintable(problem));
        for (const char* name : {"photo-1", "photo-2"})
            QCOMPARE(refusing.addQueue(name, QStringLiteral("usb://ACME/HVP-HVC?serial=%1").arg(name)),
                     QString());
        QCOMPARE(refusing.addQueue("other-model", "usb://ACME/HVP-HV-QXA?serial=1"), QString());
        // lpadmin's message comes untranslated whatever the user's locale.
        qputenv("LANG", "ja_JP.UTF-8");

        testsupport::LogCapture log;
        const printqueues::Outcome outcome = printqueues::removeQueuesForModel(kModel);
        QVERIFY(outcome.listed);
        QVERIFY(outcome.removed.isEmpty());
        QStringList failed;
        for (const printqueues::Failure& failure : outcome.failed) {
            failed << failure.queue;
            QVERIFY2(failure.reason.contains("Unauthorized"), qPrintable(failure.reason));
        }
        QCOMPARE(sorted(failed), (QStringList{"photo-1", "photo-2"}));
        QCOMPARE(refusing.queues(), (QStringList{"other-model", "photo-1", "photo-2"}));
        QVERIFY(log.contains("could not remove print queue photo-2 (usb://ACME/HVP-HVC?serial=photo-2): "));
    }

    void listing_data() {
        QTest::addColumn<QString>("server"); // "private", "absent" or "silent"
        QTest::addColumn<bool>("withoutTools");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("problem");
        QTest::newRow("no queues at all") << "private" << false << 10000 << true << QString();
        QTest::newRow("no scheduler") << "absent" << false << 10000 << false << "Scheduler is not running";
        QTest::newRow("lpstat missing") << "absent" << true << 10000 << false << "lpstat not found";
        QTest::newRow("never answers") << "silent" << false << 1000 << false << "lpstat timed out after 1 s";
    }
    void listing() {
        QFETCH(QString, server);
        QFETCH(bool, withoutTools);
        QFETCH(int, timeoutMs);
        QFETCH(bool, listed);
        QFETCH(QString, problem);
        if (server == "private" && !cups_.running()) QSKIP(qPrintable(cupsProblem_));
        std::optional<SilentServer> silent;
        if (server == "silent") QVERIFY(silent.emplace(scratch_.filePath("silent.sock")).listening);
        if (server != "private")
            qputenv("CUPS_SERVER", QFile::encodeName(scratch_.filePath(server + ".sock")));
        if (withoutTools) qputenv("PATH", QFile::encodeName(scratchFolder("no-tools")));

        QElapsedTimer clock;
        clock.start();
        const printqueues::Outcome outcome = printqueues::removeQueuesForModel(kModel, timeoutMs);
        QVERIFY2(clock.elapsed() < timeoutMs + 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(outcome.listed, listed);
        QVERIFY2(outcome.listingProblem.contains(problem), qPrintable(outcome.listingProblem));
        QCOMPARE(outcome.listingProblem.isEmpty(), problem.isEmpty());
        QVERIFY(outcome.removed.isEmpty() && outcome.failed.isEmpty());
    }

    // Once lpadmin hangs, the queues after it are not tried: the caller waits one time-out, not one each.
    void hungRemovalEndsTheRun() {
        if (!cups_.running()) QSKIP(qPrintable(cupsProblem_));
        for (const char* name : {"photo-1", "photo-2"})
            QCOMPARE(cups_.addQueue(name, QStringLiteral("usb://ACME/HVP-HVC?serial=%1").arg(name)),
                     QString());
        const QString tools = scratchFolder("hung-tools");
        QFile lpadmin(tools + "/lpadmin");
        QVERIFY(lpadmin.open(QIODevice::WriteOnly));
        lpadmin.write("#!/bin/sh\nsleep 30\n");
        lpadmin.close();
        QVERIFY(lpadmin.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("PATH", QFile::encodeName(tools) + ":" + path_);

        QElapsedTimer clock;
        clock.start();
        const printqueues::Outcome outcome = printqueues::removeQueuesForModel(kModel, 500);
        QVERIFY2(clock.elapsed() < 3500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(outcome.removed.isEmpty());
        QCOMPARE(outcome.failed.size(), 2);
        QCOMPARE(outcome.failed[0].reason, QString("lpadmin timed out after 0.5 s"));
        QVERIFY2(outcome.failed[1].reason.startsWith("not tried"), qPrintable(outcome.failed[1].reason));
    }
};

QTEST_GUILESS_MAIN(PrintSystemTest)
#include "test_printsystem.moc"
