#include "pdftools.h"
#include "printersurface.h"
#include "testsupport.h"

#include <QtTest>

// Printing through a real print system: the private cupsd that the test fixture starts, whose
// default queue writes every job it prints as a PDF file.
class TestCupsPrinting : public QObject
{
    Q_OBJECT

    QString m_cupsDir;

    // The PDF that cups-pdf wrote for a job, waiting for it as jobs finish asynchronously.
    void waitForJobOutput(int jobId, QString &found)
    {
        const QDir out(m_cupsDir + "/out");
        const QString suffix = QStringLiteral("job_%1.pdf").arg(jobId);
        const auto lookUp = [&] {
            for (const QString &name : out.entryList(QDir::Files))
                if (name.endsWith(suffix))
                    return out.filePath(name);
            return QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!(found = lookUp()).isEmpty(), 60000);
        // cups-pdf writes the file in place: wait until pdfinfo can read all of it.
        QTRY_VERIFY_WITH_TIMEOUT(PdfTools::pageCount(found) > 0, 30000);
    }

    static void copyDemo(const ProgramFolder &folder)
    {
        const QDir demo(qEnvironmentVariable("LSTPRINT_DEMO_DIR"));
        const QStringList files = demo.entryList(QDir::Files);
        QVERIFY(files.contains("parts.lst"));
        for (const QString &name : files)
            QVERIFY(QFile::copy(demo.filePath(name), folder.filePath(name)));
    }

private slots:
    void initTestCase()
    {
        m_cupsDir = qEnvironmentVariable("LSTPRINT_CUPS_DIR");
        QVERIFY(!m_cupsDir.isEmpty());
        QFile unavailable(m_cupsDir + "/unavailable");
        if (unavailable.open(QIODevice::ReadOnly))
            QSKIP(qPrintable("no private print system: " + QString::fromUtf8(unavailable.readAll()).trimmed()));
        QVERIFY(PdfTools::available());
    }

    void defaultQueueIsFound()
    {
        const auto printer = Cups::defaultPrinter();
        QVERIFY(printer.has_value());
        QCOMPARE(printer->name, QStringLiteral("lstprinttest"));
        QVERIFY(printer->landscapeSupported);
        QVERIFY(printer->layout.fullRectPoints().width() > 500);
    }

    void demoFolderArrivesOnePagePerRecord_data()
    {
        QTest::addColumn<bool>("portrait");
        QTest::newRow("portrait") << true;
        QTest::newRow("landscape") << false;
    }

    void demoFolderArrivesOnePagePerRecord()
    {
        QFETCH(bool, portrait);
        RunFixture fixture;
        copyDemo(fixture.folder);
        fixture.choices.portrait = portrait;
        const auto printer = PrinterSurface::forDefaultPrinter(fixture.folder.path());
        fixture.run->cmdPrint_Click(*printer);
        QCOMPARE(fixture.reporter.messages, QStringList{});

        const PrintOutcome outcome = printer->outcome();
        QCOMPARE(outcome.kind, PrintOutcome::SentToPrinter);
        QCOMPARE(outcome.printer, QStringLiteral("lstprinttest"));
        QVERIFY(outcome.jobId > 0);
        QCOMPARE(outcome.pages, 6);

        QString arrived;
        waitForJobOutput(outcome.jobId, arrived);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(arrived.contains("parts"));
        QCOMPARE(PdfTools::pageCount(arrived), 6);
        // The queue prints on portrait paper: a landscape document arrives turned by a quarter.
        const QStringList size = PdfTools::pageSize(arrived).split(" x ");
        QCOMPARE(size.size(), 2);
        QVERIFY(size[0].toDouble() < size[1].toDouble());
        QCOMPARE(PdfTools::textRunsAlongHeight(arrived), !portrait);
        // Nothing is written beside the list file when a printer took the job.
        QCOMPARE(QDir(fixture.folder.path()).entryList({"*.pdf"}, QDir::Files), QStringList{});
    }
};

QTEST_MAIN(TestCupsPrinting)
#include "tst_cupsprinting.moc"
