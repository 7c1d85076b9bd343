// What a run without a window does with each kind of alert: which it answers by itself, which end the
// printer's task and with what exit code, and which it leaves alone.
#include "cli/options.h"
#include "cli/presenter.h"

#include <QtTest>

#include <cstdio>

using platform::AlertIntent;

class HeadlessPresenterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // No terminal to answer on, wherever the test is started from.
        QVERIFY(std::freopen("/dev/null", "r", stdin));
    }

    void alerts_data() {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<bool>("checkBox");
        QTest::addColumn<int>("accept");
        QTest::addColumn<int>("abandon");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("answered");   // the button answered, -1 none
        QTest::addColumn<QString>("result"); // the ending, empty for none
        QTest::addColumn<int>("exitCode");

        const QString me = QStringLiteral("KEY");
        const QStringList warning{"Quit", "Continue"};
        const QStringList retry{"Proceed", "Cancel"};
        const int none = int(AlertIntent::Outcome::None);
        QTest::newRow("success notice")
            << me << QStringList{"Finish"} << false << -1 << -1 << int(AlertIntent::Outcome::Succeeded)
            << false << -1 << "updated" << 0;
        QTest::newRow("not needed") << me << QStringList{"OK"} << false << -1 << -1
                                    << int(AlertIntent::Outcome::NothingToDo) << true << -1 << "not-needed"
                                    << 3;
        QTest::newRow("printer lost") << me << QStringList{"OK"} << false << -1 << -1
                                      << int(AlertIntent::Outcome::Lost) << true << -1 << "lost" << 1;
        QTest::newRow("file corruption with Quit, --yes")
            << me << QStringList{"Quit"} << false << -1 << -1 << int(AlertIntent::Outcome::Failed) << true
            << -1 << "failed" << 1;
        QTest::newRow("warning, --yes ticks and continues")
            << me << warning << true << 1 << 0 << none << true << 1 << "" << 0;
        QTest::newRow("warning, no terminal")
            << me << warning << true << 1 << 0 << none << false << -1 << "refused" << 2;
        QTest::newRow("retry, --yes, no terminal")
            << me << retry << false << -1 << 1 << none << true << -1 << "failed" << 1;
        QTest::newRow("plain notice")
            << me << QStringList{"OK"} << false << -1 << -1 << none << false << 0 << "" << 0;
        QTest::newRow("another printer's question")
            << QStringLiteral("OTHER") << warning << true << 1 << 0 << none << true << -1 << "" << 0;
    }

    void alerts() {
        QFETCH(QString, subject);
        QFETCH(QStringList, buttons);
        QFETCH(bool, checkBox);
        QFETCH(int, accept);
        QFETCH(int, abandon);
        QFETCH(int, outcome);
        QFETCH(bool, yes);
        QFETCH(int, answered);
        QFETCH(QString, result);
        QFETCH(int, exitCode);

        cli::HeadlessPresenter presenter(yes);
        presenter.follow(QStringLiteral("KEY"));
        QList<cli::Ending> endings;
        presenter.setEndings([&endings](const QString& key, const cli::Ending& ending) {
            QCOMPARE(key, QStringLiteral("KEY"));
            endings << ending;
        });

        int response = -1;
        int ticked = -1;
        auto alert = std::make_shared<platform::Alert>();
        alert->subject = subject;
        alert->messageText = QStringLiteral("Title");
        alert->informativeText = QStringLiteral("Message");
        alert->buttons = buttons;
        alert->intent =
            AlertIntent{.accept = accept, .abandon = abandon, .outcome = AlertIntent::Outcome(outcome)};
        if (checkBox)
            alert->accessory =
                platform::AlertCheckBox{"I Agree", {}, false, [&ticked](int s) { ticked = s; }};
        alert->completion = [&response](qint64 r) { response = int(r - platform::kAlertFirstButtonReturn); };
        presenter.present(alert);

        QCOMPARE(response, answered);
        if (answered >= 0 && checkBox) QCOMPARE(ticked, 1);
        QCOMPARE(endings.size(), result.isEmpty() ? 0 : 1);
        if (!result.isEmpty()) {
            QCOMPARE(endings.first().result, result);
            QCOMPARE(endings.first().exitCode, exitCode);
            if (result == QLatin1String("failed")) QCOMPARE(endings.first().title, QStringLiteral("Title"));
        }
    }
};

QTEST_GUILESS_MAIN(HeadlessPresenterTest)
#include "test_presenter.moc"
