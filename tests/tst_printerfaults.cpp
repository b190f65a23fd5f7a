// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdftools.h"
#include "printersurface.h"
#include "testsupport.h"

#include <QtTest>

// Printer faults on the private cupsd of the test fixture, struck in the middle of a run (after the
// first page): the queue refusing jobs, the queue stopped, the daemon killed. Each must leave the
// run as a PrintError, the way the window sees it, and never as a run that printed; once the fault
// is cleared the next run prints normally, and a job that a stopped queue held prints too.
class TestPrinterFaults : public QObject
{
    Q_OBJECT

    QString m_cupsDir;
    QString m_script;
    int m_runs = 0;

    bool control(const QString &action) const
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral("bash"), {m_script, action, m_cupsDir});
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    // The demo folder under a list file name used by no other run, so that the PDF the queue writes
    // for this run (named after the job title) cannot be mistaken for an earlier one.
    QString copyDemo(const ProgramFolder &folder)
    {
        const QDir demo(qEnvironmentVariable("LSTPRINT_DEMO_DIR"));
        const QString listName =
            QStringLiteral("faults-%1-%2.lst").arg(QCoreApplication::applicationPid()).arg(++m_runs);
        for (const QString &name : demo.entryList(QDir::Files))
            QFile::copy(demo.filePath(name), folder.filePath(name == "parts.lst" ? listName : name));
        return listName;
    }

    // The PDF that the queue wrote for a job, waiting for it: jobs print asynchronously.
    QString waitForJobOutput(int jobId, const QString &listName)
    {
        const QDir out(m_cupsDir + "/out");
        const QString base = QFileInfo(listName).completeBaseName();
        const QString suffix = QStringLiteral("job_%1.pdf").arg(jobId);
        QString found;
        const auto lookUp = [&] {
            for (const QString &name : out.entryList(QDir::Files))
                if (name.contains(base) && name.endsWith(suffix))
                    return out.filePath(name);
            return QString();
        };
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!(found = lookUp()).isEmpty(), 60000); }();
        if (!found.isEmpty())
            [&] { QTRY_VERIFY_WITH_TIMEOUT(PdfTools::pageCount(found) == 6, 30000); }();
        return found;
    }

private slots:
    void initTestCase()
    {
        m_cupsDir = qEnvironmentVariable("LSTPRINT_CUPS_DIR");
        m_script = qEnvironmentVariable("LSTPRINT_CUPSD_SCRIPT");
        QVERIFY(!m_cupsDir.isEmpty() && !m_script.isEmpty());
        QFile unavailable(m_cupsDir + "/unavailable");
        if (unavailable.open(QIODevice::ReadOnly))
            LSTPRINT_SKIP("no private print system: " + QString::fromUtf8(unavailable.readAll()).trimmed());
        QVERIFY(PdfTools::available());
    }

    // Whatever a case did, the next one (and the next test program) finds a working queue.
    void cleanup() { QVERIFY(control(QStringLiteral("heal"))); }

    void faultIsAnErrorAndClears_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("cure");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("held");
        QTest::newRow("queue rejects jobs") << "reject"
                                            << "accept" << int(PrintError::PrinterRefusedJob) << false;
        QTest::newRow("queue stopped") << "disable"
                                       << "enable" << int(PrintError::PrinterStopped) << true;
        QTest::newRow("print system killed") << "kill"
                                             << "restart" << int(PrintError::PrintSystemUnavailable) << false;
    }

    void faultIsAnErrorAndClears()
    {
        QFETCH(QString, fault);
        QFETCH(QString, cure);
        QFETCH(int, number);
        QFETCH(bool, held);

        RunFixture fixture;
        const QString listName = copyDemo(fixture.folder);
        const FolderSnapshot before(fixture.folder.path());
        const auto printer = PrinterSurface::forDefaultPrinter(fixture.folder.path());
        QVERIFY(printer->printer().has_value());

        bool struck = false;
        fixture.run->setProgressHandler([&](qint64 done) {
            if (done == 1)
                struck = control(fault);
        });
        try {
            fixture.run->cmdPrint_Click(*printer);
            QFAIL("the run ended as if it had printed");
        } catch (const PrintError &error) {
            QVERIFY2(error.number() == number, qPrintable(error.logLine()));
            QVERIFY2(error.description().contains(QLatin1String("lstprinttest")),
                     qPrintable(error.description()));
            QVERIFY2(error.description().contains(listName), qPrintable(error.description()));
        }
        QVERIFY(struck);
        QCOMPARE(fixture.reporter.messages, QStringList{}); // not a page's error: the run's
        const PrintOutcome failed = printer->outcome();
        QCOMPARE(failed.held, held);
        // Only a held job has been taken by the queue; it is never reported without the error above.
        QCOMPARE(failed.kind, held ? PrintOutcome::SentToPrinter : PrintOutcome::NothingPrinted);

        QVERIFY(control(cure));
        if (held) {
            QVERIFY(failed.jobId > 0);
            QVERIFY(!waitForJobOutput(failed.jobId, listName).isEmpty()); // the held job prints now
        }

        fixture.run->setProgressHandler({});
        const auto again = PrinterSurface::forDefaultPrinter(fixture.folder.path());
        fixture.run->cmdPrint_Click(*again);
        QCOMPARE(fixture.reporter.messages, QStringList{});
        const PrintOutcome printed = again->outcome();
        QCOMPARE(printed.kind, PrintOutcome::SentToPrinter);
        QVERIFY(!printed.held);
        QCOMPARE(printed.pages, 6);
        QVERIFY(!waitForJobOutput(printed.jobId, listName).isEmpty());

        // Nothing in the program folder changed, and no PDF was left beside the list file.
        const FolderSnapshot after(fixture.folder.path());
        QCOMPARE(after.changesSince(before), QStringList{});
        QCOMPARE(after.addedSince(before), QStringList{});
    }

    void queueStateIsRead()
    {
        QVERIFY(control(QStringLiteral("disable")));
        const auto stopped = Cups::queueState(QStringLiteral("lstprinttest"));
        QVERIFY(stopped.has_value());
        QVERIFY(stopped->stopped);
        QVERIFY(stopped->reasons.contains(QLatin1String("paused")));
        QVERIFY(control(QStringLiteral("enable")));
        QVERIFY(control(QStringLiteral("reject")));
        const auto rejecting = Cups::queueState(QStringLiteral("lstprinttest"));
        QVERIFY(rejecting.has_value());
        QVERIFY(!rejecting->stopped);
        QVERIFY(!rejecting->acceptingJobs);
        QVERIFY(!Cups::queueState(QStringLiteral("no-such-queue")).has_value());
    }
};

QTEST_MAIN(TestPrinterFaults)
#include "tst_printerfaults.moc"
