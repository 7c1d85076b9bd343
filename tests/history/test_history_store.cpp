// The update history's store on its own: how attempts open and end across a program that ends in
// between, and what it does with a database that is not its own or is newer than it.
#include "Classes/TBUpdateHistory.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

TBUpdateHistory::Printer printer(const QString& key, const QString& firmware = QStringLiteral("1.0")) {
    return {key, QStringLiteral("SN-") + key, QStringLiteral("HVC"), firmware, QStringLiteral("600 0100")};
}

QStringList outcomesByKey(const QList<TBUpdateHistory::Attempt>& attempts) {
    QStringList list;
    for (const auto& attempt : attempts)
        list << attempt.deviceKey + QLatin1Char(' ') + attempt.outcome;
    return list;
}

// Runs `statements` on the database at `path` through a connection of the test's own.
void prepare(const QString& path, const QStringList& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("prepare"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString& sql : statements)
            QVERIFY2(query.exec(sql), qPrintable(sql));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
}

} // namespace

class HistoryStoreTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { TBUpdateHistory::close(); }

    void attemptsAcrossARestartOfTheProgram() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("update-history.sqlite"));
        QVERIFY(TBUpdateHistory::open(path));
        TBUpdateHistory::begin(printer("A"), QStringLiteral("2.0"));
        TBUpdateHistory::phase(printer("A"), QStringLiteral("request"));
        TBUpdateHistory::begin(printer("B"), QStringLiteral("2.0"));
        TBUpdateHistory::finish(printer("C"), TBUpdateHistory::kOutcomeFailed); // nothing open: nothing
        TBUpdateHistory::close();

        // The next start carries A on; B is asked for again; D is found carrying an update on.
        QVERIFY(TBUpdateHistory::open(path));
        TBUpdateHistory::phase(printer("A"), QStringLiteral("upload"));
        TBUpdateHistory::finish(printer("A", QStringLiteral("2.0")), TBUpdateHistory::kOutcomeSucceeded);
        TBUpdateHistory::begin(printer("B"), QStringLiteral("2.0"));
        TBUpdateHistory::finish(printer("B"), TBUpdateHistory::kOutcomeCancelled);
        TBUpdateHistory::phase(printer("D"), QStringLiteral("upload"));
        TBUpdateHistory::finish(printer("D"), TBUpdateHistory::kOutcomeLost);
        TBUpdateHistory::flush();

        QString problem;
        const QList<TBUpdateHistory::Attempt> attempts = TBUpdateHistory::readAll(&problem);
        QCOMPARE(problem, QString());
        QCOMPARE(outcomesByKey(attempts),
                 (QStringList{"D lost", "B cancelled", "B interrupted", "A succeeded"}));
        const TBUpdateHistory::Attempt& a = attempts.last();
        QCOMPARE(a.phases.size(), 2);
        QCOMPARE(a.phases.last().name, QStringLiteral("upload"));
        QVERIFY(a.phases.first().at <= a.phases.last().at && a.phases.last().at <= a.ended);
        QCOMPARE(a.firmwareBefore, QStringLiteral("1.0"));
        QCOMPARE(a.firmwareTarget, QStringLiteral("2.0"));
        QCOMPARE(a.firmwareAfter, QStringLiteral("2.0"));
        QCOMPARE(attempts.first().firmwareTarget, QString()); // begun by its phase: no target known

        const QJsonArray json = TBUpdateHistory::toJson(attempts);
        QCOMPARE(json.size(), 4);
        QCOMPARE(json[3]["outcome"].toString(), QStringLiteral("succeeded"));
        QCOMPARE(json[3]["phases"][1]["phase"].toString(), QStringLiteral("upload"));
        QVERIFY(json[2]["failure"].isNull());
    }

    // A database that is not this program's history is set aside and a new one started; one written
    // by a newer version is left as it is, and no history is kept this run.
    void databaseOfAnotherKind_data() {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<bool>("setAside");
        QTest::newRow("another program's") << QStringList{"CREATE TABLE notes (text TEXT)"} << true;
        QTest::newRow("a newer version's")
            << QStringList{"PRAGMA application_id=1347700785", "CREATE TABLE attempts (id INTEGER)",
                           "PRAGMA user_version=99"}
            << false;
    }
    void databaseOfAnotherKind() {
        QFETCH(QStringList, statements);
        QFETCH(bool, setAside);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("update-history.sqlite"));
        prepare(path, statements);
        const qint64 size = QFileInfo(path).size();

        QCOMPARE(TBUpdateHistory::open(path), setAside);
        QVERIFY(!TBUpdateHistory::problem().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList({"*.damaged-*"}, QDir::Files).size(), setAside ? 1 : 0);
        TBUpdateHistory::begin(printer("A"), QStringLiteral("2.0"));
        TBUpdateHistory::flush();
        if (setAside) {
            QCOMPARE(TBUpdateHistory::readAll().size(), 1);
        } else {
            QCOMPARE(QFileInfo(path).size(), size);
        }
    }
};

QTEST_MAIN(HistoryStoreTest)
#include "test_history_store.moc"
