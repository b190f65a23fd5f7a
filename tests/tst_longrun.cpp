// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

// A long run keeps only one record, one line of the file and one page in memory: the peak memory
// of a fresh process that prints ten times the records with the real PDF renderer is at most a
// fifth above that of the shorter run.
class TestLongRun : public QObject
{
    Q_OBJECT

    struct Figures
    {
        qint64 pages = -1;
        qint64 written = -1;
        int errors = -1;
        qint64 peakKiB = -1;
        double seconds = -1;
    };

    static Figures probe(qint64 records)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(qEnvironmentVariable("LSTPRINT_RSSPROBE"), {QString::number(records)});
        Figures figures;
        if (!process.waitForFinished(240000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return figures;
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const auto value = [&out](const char *name) {
            const QRegularExpression pattern(QStringLiteral("\\b%1=([0-9.]+)").arg(QLatin1String(name)));
            return pattern.match(out).captured(1);
        };
        figures.pages = value("pages").toLongLong();
        figures.written = value("written").toLongLong();
        figures.errors = value("errors").toInt();
        figures.peakKiB = value("peak_kib").toLongLong();
        figures.seconds = value("seconds").toDouble();
        return figures;
    }

private slots:
    void peakMemoryDoesNotGrowWithTheRecords()
    {
#if defined(__SANITIZE_ADDRESS__)
        // Under AddressSanitizer the peak is mostly its quarantine of freed memory, which fills with
        // the length of the run; the runs are shorter and checked for completeness (and by the
        // sanitizers), not for their memory.
        const qint64 shorter = 50;
        const bool compareMemory = false;
#else
        const qint64 shorter = 2000;
        const bool compareMemory = true;
#endif
        const qint64 longer = shorter * 10;
        const Figures small = probe(shorter);
        const Figures large = probe(longer);
        qInfo("%lld records: peak %lld KiB in %.1f s; %lld records: peak %lld KiB in %.1f s", shorter,
              small.peakKiB, small.seconds, longer, large.peakKiB, large.seconds);
        QCOMPARE(small.errors, 0);
        QCOMPARE(large.errors, 0);
        QCOMPARE(small.pages, shorter);
        QCOMPARE(large.pages, longer);
        QCOMPARE(small.written, shorter);
        QCOMPARE(large.written, longer);
        QVERIFY(small.peakKiB > 0);
        if (compareMemory)
            QVERIFY2(large.peakKiB * 5 <= small.peakKiB * 6,
                     qPrintable(QStringLiteral("peak %1 KiB for %2 records against %3 KiB for %4")
                                    .arg(large.peakKiB)
                                    .arg(longer)
                                    .arg(small.peakKiB)
                                    .arg(shorter)));
    }
};

QTEST_GUILESS_MAIN(TestLongRun)
#include "tst_longrun.moc"
