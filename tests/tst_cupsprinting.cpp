#include "pdftools.h"
#include "printersurface.h"
#include "testsupport.h"
#include "windowfixture.h"

#include <QRadioButton>

#include <QtTest>

// Printing through a real print system: the private cupsd that the test fixture starts, whose
// default queue writes every job it prints as a PDF file.
class TestCupsPrinting : public QObject
{
    Q_OBJECT

    QString m_cupsDir;

    // The PDF that cups-pdf writes for the next job, waiting for it as jobs finish asynchronously.
    void waitForNewOutput(const QStringList &before, QString &found)
    {
        const QDir out(m_cupsDir + "/out");
        const auto lookUp = [&] {
            for (const QString &name : out.entryList(QDir::Files))
                if (!before.contains(name))
                    return out.filePath(name);
            return QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!(found = lookUp()).isEmpty(), 60000);
        // cups-pdf writes the file in place: wait until pdfinfo can read all of it.
        QTRY_VERIFY_WITH_TIMEOUT(PdfTools::pageCount(found) > 0, 30000);
    }

private slots:
    void initTestCase()
    {
        m_cupsDir = qEnvironmentVariable("LSTPRINT_CUPS_DIR");
        QVERIFY(!m_cupsDir.isEmpty());
        QFile unavailable(m_cupsDir + "/unavailable");
        if (unavailable.open(QIODevice::ReadOnly))
            QSKIP(
                qPrintable("no private print system: " + QString::fromUtf8(unavailable.readAll()).trimmed()));
        QVERIFY(PdfTools::available());
    }

    void defaultQueueIsFound()
    {
        const auto printer = Cups::lookUpDefaultPrinter().printer;
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

    // The demo folder printed from the window as a user does: the job reaches the default queue
    // with one page per record, and nothing is saved beside the list file.
    void demoFolderArrivesOnePagePerRecord()
    {
        QFETCH(bool, portrait);
        ProgramFolder folder;
        folder.copyDemo();
        CapturingSink sink;
        frmPrinter window(folder.path());
        window.setMessageSink(&sink);
        window.optOrientation(portrait ? 0 : 1)->setChecked(true);
        const QStringList before = QDir(m_cupsDir + "/out").entryList(QDir::Files);

        window.cmdPrint_Click();
        QCOMPARE(sink.texts(Message::Error), QStringList{});
        QCOMPARE(sink.texts(Message::Information), QStringList{});

        QString arrived;
        waitForNewOutput(before, arrived);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(QFileInfo(arrived).fileName().startsWith("parts"), qPrintable(arrived)); // the job title
        QCOMPARE(PdfTools::pageCount(arrived), 6);
        // The queue prints on portrait paper: a landscape document arrives turned by a quarter.
        const QStringList size = PdfTools::pageSize(arrived).split(" x ");
        QCOMPARE(size.size(), 2);
        QVERIFY(size[0].toDouble() < size[1].toDouble());
        QCOMPARE(PdfTools::textRunsAlongHeight(arrived), !portrait);
        QCOMPARE(QDir(folder.path()).entryList({"*.pdf"}, QDir::Files), QStringList{});
        QCOMPARE(window.printRun().pairsPerRow(), portrait ? 3 : 4);
    }

    // The print system's own answer: a job refused at submission is an error, never silence.
    void submissionCheckedForItsJobNumber()
    {
        ProgramFolder folder;
        folder.write("a.pdf", "not a PDF at all");
        try {
            (void)Cups::submitPdf(QStringLiteral("no-such-queue"), folder.filePath("a.pdf"),
                                  QStringLiteral("a.lst"));
            QFAIL("a job for a missing queue was accepted");
        } catch (const PrintError &error) {
            QCOMPARE(error.number(), int(PrintError::PrinterRefusedJob));
            QVERIFY(error.description().contains("no-such-queue"));
        }
    }
};

QTEST_MAIN(TestCupsPrinting)
#include "tst_cupsprinting.moc"
