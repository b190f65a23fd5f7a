#include "harness.h"

#include <QtTest>

// The fuzz target's harness on its seed corpus and on every input that once failed
// (fuzz/regressions), in the ordinary build and under the sanitizers: each input ends its run
// without an exception, with sound pages and with its files unchanged.
class TestFuzzReplay : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        const QString failed = FuzzHarness::prepareFolders(m_root.path());
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void replay_data()
    {
        QTest::addColumn<QString>("path");
        const QDir fuzz(qEnvironmentVariable("LSTPRINT_FUZZ_DIR"));
        int inputs = 0;
        for (const QString &folder : {QStringLiteral("corpus"), QStringLiteral("regressions")}) {
            const QDir dir(fuzz.filePath(folder));
            for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
                if (name == QLatin1String("README"))
                    continue;
                QTest::newRow(qPrintable(folder + '/' + name)) << dir.filePath(name);
                ++inputs;
            }
        }
        QVERIFY2(inputs >= 20, "the seed corpus is missing");
    }

    void replay()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString failed = FuzzHarness::runOne(m_root.path(), file.readAll());
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }
};

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "tst_fuzzreplay.moc"
