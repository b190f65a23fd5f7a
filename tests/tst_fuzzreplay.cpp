// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "harness.h"

#include <QtTest>

// The fuzz targets' harness on their seeds and on every input that once failed, in the ordinary
// build and under the sanitizers: fuzz/seeds/<target> and fuzz/regressions/<target>.
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
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        const QDir fuzz(qEnvironmentVariable("LSTPRINT_FUZZ_DIR"));
        for (const QString &target :
             {QStringLiteral("printrun"), QStringLiteral("listgrid"), QStringLiteral("picture"),
              QStringLiteral("jpegproof"), QStringLiteral("pngproof"), QStringLiteral("iccprofile"),
              QStringLiteral("pdfpicture")}) {
            int seeds = 0;
            for (const QString &folder : {QStringLiteral("seeds"), QStringLiteral("regressions")}) {
                const QDir dir(fuzz.filePath(folder + '/' + target));
                for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
                    QTest::newRow(qPrintable(target + '/' + folder + '/' + name))
                        << target << dir.filePath(name);
                    seeds += folder == QLatin1String("seeds") ? 1 : 0;
                }
            }
            QVERIFY2(seeds >= 15, qPrintable("the seeds of " + target + " are missing"));
        }
    }

    void replay()
    {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray input = file.readAll();
        const QString failed = target == QLatin1String("printrun") ? FuzzHarness::runOne(m_root.path(), input)
                               : target == QLatin1String("listgrid")   ? FuzzHarness::listGridOne(input)
                               : target == QLatin1String("jpegproof")  ? FuzzHarness::jpegProofOne(input)
                               : target == QLatin1String("pngproof")   ? FuzzHarness::pngProofOne(input)
                               : target == QLatin1String("iccprofile") ? FuzzHarness::iccProfileOne(input)
                               : target == QLatin1String("pdfpicture") ? FuzzHarness::pdfPictureOne(input)
                                                                       : FuzzHarness::pictureOne(input);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }
};

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "tst_fuzzreplay.moc"
