// Which queues of an "lpstat -v" listing belong to a printer model.
#include "Classes/TBPrintQueues.h"

#include <QTest>

class QueueParseTest : public QObject {
    Q_OBJECT

private slots:
    void queuesForModel_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QStringList>("expected");
        const QString model = QStringLiteral("HVP-HVC");
        auto line = [](const char* name, const char* uri) {
            return "device for " + QByteArray(name) + ": " + uri;
        };

        QTest::newRow("usb with query")
            << line("photo", "usb://ACME/HVP-HVC?serial=123") << model << QStringList{"photo"};
        QTest::newRow("blank encoded") << line("qxa", "USB://ACME%20Corp/HVP%20HV-QXA?serial=3")
                                       << QStringLiteral("HVP HV-QXA") << QStringList{"qxa"};
        QTest::newRow("near misses") << line("longer", "usb://ACME/HVP-HVC2?serial=2") + "\n" +
                                            line("suffix", "usb://ACME/XHVP-HVC?serial=2") + "\n" +
                                            line("no-query", "usb://ACME/HVP-HVC") + "\n" +
                                            line("as-make", "usb://HVP-HVC/Other?serial=1") + "\n" +
                                            line("in-query", "usb://ACME/Other?x=/HVP-HVC?serial=1") + "\n" +
                                            line("network", "ipp://host/printers/HVP-HVC?waitjob=false") +
                                            "\n" + line("discovered", "dnssd://x/HVP-HVC?uuid=1")
                                     << model << QStringList{};
        QTest::newRow("shell characters and a colon in names")
            << line("x;touch${IFS}pwned", "usb://ACME/HVP-HVC?serial=4") + "\n" +
                   line("$(id)`id`*", "usb://ACME/HVP-HVC?serial=5") + "\n" +
                   line("a:b", "usb://ACME/HVP-HVC?s=7")
            << model << QStringList{"x;touch${IFS}pwned", "$(id)`id`*", "a:b"};
        QTest::newRow("translated line")
            << QByteArray("photo \xe3\x81\xae\xe3\x83\x87\xe3\x83\x90\xe3\x82\xa4"
                          "\xe3\x82\xb9: usb://ACME/HVP-HVC?serial=1")
            << model << QStringList{};
        QTest::newRow("odd lines and a repeat")
            << "\r\n" + line("one", "usb://ACME/HVP-HVC?serial=1") +
                   "\r\nlpstat: some warning\ndevice for \n" + line("", "usb://ACME/HVP-HVC?serial=0") +
                   "\n" + line("two", "usb://ACME/HVP-HVC?serial=2") + "\n" +
                   line("one", "usb://ACME/HVP-HVC?serial=1")
            << model << QStringList{"one", "two"};
        QTest::newRow("empty output") << QByteArray() << model << QStringList{};
        QTest::newRow("empty model") << line("photo", "usb://ACME/?serial=1") << QString() << QStringList{};
    }
    void queuesForModel() {
        QFETCH(QByteArray, output);
        QFETCH(QString, model);
        QFETCH(QStringList, expected);
        QCOMPARE(printqueues::queuesForModel(output, model), expected);
    }
};

QTEST_GUILESS_MAIN(QueueParseTest)
#include "test_queueparse.moc"
