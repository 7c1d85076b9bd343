// The keyed digest and the package-resource lookup the firmware package stands on.
#include "Classes/Edition.h"
#include "platform/digest.h"
#include "platform/resources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        platform::resources::setSearchDirectoriesOverride({});
        Edition::setCurrent(Edition::printerFlasher());
    }

    // Known answers from RFC 4231 (binary keys and data, a key longer than a block, with short and
    // with long data), and the empty case.
    void hmacKnownAnswers_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("digest");
        QByteArray counting;
        for (char c = 0x01; c <= 0x19; ++c)
            counting.append(c);
        QTest::newRow("rfc4231 case 1")
            << QByteArray(20, '\x0b') << QByteArray("Hi There")
            << QByteArray("b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
        QTest::newRow("rfc4231 case 2")
            << QByteArray("Jefe") << QByteArray("what do ya want for nothing?")
            << QByteArray("5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
        QTest::newRow("rfc4231 case 3")
            << QByteArray(20, '\xaa') << QByteArray(50, '\xdd')
            << QByteArray("773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe");
        QTest::newRow("rfc4231 case 4")
            << counting << QByteArray(50, '\xcd')
            << QByteArray("82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b");
        QTest::newRow("rfc4231 case 6")
            << QByteArray(131, '\xaa') << QByteArray("Test Using Larger Than Block-Size Key - Hash Key First")
            << QByteArray("60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
        QTest::newRow("rfc4231 case 7")
            << QByteArray(131, '\xaa')
            << QByteArray(
                   "This is a test using a larger than block-size key and a larger than block-size data. "
                   "The key needs to be hashed before being used by the HMAC algorithm.")
            << QByteArray("9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2");
        QTest::newRow("empty key and data")
            << QByteArray() << QByteArray()
            << QByteArray("b613679a0814d9ec772f95d778c35fc5ff1697c493715653c6c712144292c5ad");
    }
    void hmacKnownAnswers() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, digest);
        QCOMPARE(platform::hmacSha256(key, data).toHex(), digest);
        // The same in two pieces split inside the data.
        platform::HmacSha256 pieces(key);
        QVERIFY(pieces.update(QByteArrayView(data).first(data.size() / 3)));
        QVERIFY(pieces.update(QByteArrayView(data).sliced(data.size() / 3)));
        QCOMPARE(pieces.finish().toHex(), digest);
    }

    // Pieces, a file read in blocks and one call all give the same digest.
    void hmacStreamingMatchesOneShot() {
        QByteArray data(3 * 1024 * 1024 + 5, Qt::Uninitialized);
        for (qsizetype i = 0; i < data.size(); ++i)
            data[i] = char((i * 131) ^ (i >> 9));
        const QByteArray expected = platform::hmacSha256("key", data);
        QCOMPARE(expected.size(), platform::kHmacSha256Length);

        platform::HmacSha256 pieces("key");
        for (qsizetype at = 0; at < data.size(); at += 100000)
            QVERIFY(pieces.update(
                QByteArrayView(data.constData() + at, qMin<qsizetype>(100000, data.size() - at))));
        QCOMPARE(pieces.finish(), expected);
        QVERIFY(pieces.finish().isEmpty()); // finished once

        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("big"), data));
        bool ok = false;
        QCOMPARE(platform::hmacSha256File("key", dir.filePath("big"), &ok), expected);
        QVERIFY(ok);
        QVERIFY(platform::hmacSha256File("key", dir.filePath("missing"), &ok).isEmpty());
        QVERIFY(!ok);
    }

    void resourceSearchOrder() {
        QTemporaryDir first;
        QTemporaryDir second;
        QVERIFY(QDir(first.path()).mkpath("firmware/old"));
        QVERIFY(QDir(first.path()).mkpath("images"));
        QVERIFY(writeFile(first.filePath("firmware/old/t.cwd"), "deep"));
        QVERIFY(writeFile(first.filePath("images/t.cwd"), "images"));
        QVERIFY(writeFile(first.filePath("firmware/t.cwd"), "firmware"));
        QVERIFY(writeFile(first.filePath("firmware/old/v.cwd"), "only deep"));
        QVERIFY(writeFile(second.filePath("t.cwd"), "second"));
        QVERIFY(writeFile(second.filePath("u.cwd"), "only in second"));
        QVERIFY(writeFile(second.filePath("empty.cwd"), QByteArray()));
        platform::resources::setSearchDirectoriesOverride({first.path(), second.path()});

        // The package's known folders in order, then the next package; nothing deeper is looked into.
        QCOMPARE(platform::resources::dataForResource("t", "cwd"), QByteArray("firmware"));
        QVERIFY(platform::resources::pathForResource("v", "cwd").isEmpty());
        QCOMPARE(platform::resources::dataForResource("u", "cwd"), QByteArray("only in second"));
        QString path;
        const QByteArray empty = platform::resources::dataForResource("empty", "cwd", &path);
        QVERIFY(!empty.isNull() && empty.isEmpty()); // found and empty, not missing
        QVERIFY(path.endsWith("/empty.cwd"));
        QVERIFY(platform::resources::dataForResource("none", "cwd", &path).isNull());
        QVERIFY(path.isEmpty());

        // A resource is a plain name: nothing reaches outside the package or into a directory.
        QVERIFY(platform::resources::pathForResource("old/t", "cwd").isEmpty());
        QVERIFY(platform::resources::pathForResource("../t", "cwd").isEmpty());
        QVERIFY(platform::resources::pathForResource("a", "").isEmpty()); // a directory
        QVERIFY(platform::resources::pathForResource("..", "").isEmpty());
        QCOMPARE(platform::resources::pathForResourceFile("u.cwd"), second.filePath("u.cwd"));
    }

    // The environment's directory alone; without it the source tree (from the build tree), then
    // share/<program>/ beside the executable.
    void resourceDirectoriesOfARealRun() {
        const QString sample = QStringLiteral(PRINTER_TOOLS_SOURCE_DIR "/resources/firmware/HVC 01.41.fw");
        QTemporaryDir env;
        QVERIFY(writeFile(env.filePath("HVC 01.41.fw"), "from the environment"));
        qputenv(platform::resources::kResourcesEnvironmentVariable, env.path().toUtf8());
        QCOMPARE(platform::resources::pathForResourceFile("HVC 01.41.fw"), env.filePath("HVC 01.41.fw"));
        // The environment's package is searched alone.
        QVERIFY(platform::resources::pathForResourceFile("HVC 01.21.fw").isEmpty());
        QCOMPARE(platform::resources::searchDirectories(),
                 QStringList{QFileInfo(env.path()).canonicalFilePath()});
        qunsetenv(platform::resources::kResourcesEnvironmentVariable);
        QCOMPARE(platform::resources::pathForResourceFile("HVC 01.41.fw"),
                 QFileInfo(sample).canonicalFilePath());

        Edition::setCurrent(Edition::serialSwitcher());
        const QString share = QCoreApplication::applicationDirPath() + "/../share/serial-switcher/firmware";
        QVERIFY(QDir().mkpath(share));
        QVERIFY(writeFile(share + "/installed-only.cwd", "installed"));
        QCOMPARE(platform::resources::dataForResource("installed-only", "cwd"), QByteArray("installed"));
        Edition::setCurrent(Edition::printerFlasher()); // another program, another folder
        QVERIFY(platform::resources::pathForResource("installed-only", "cwd").isEmpty());
        QDir(QCoreApplication::applicationDirPath() + "/../share").removeRecursively();
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "test_platform.moc"
