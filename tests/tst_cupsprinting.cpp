// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "cupsjobs.h"
#include "paperlayout.h"
#include "pdfsurface.h"
#include "pdftools.h"
#include "printersurface.h"
#include "printrun.h"
#include "testsupport.h"
#include "windowfixture.h"

#include <QRadioButton>
#include <QTimer>

#include <QtTest>

#include <cups/cups.h>

namespace {

// Sheets are rendered at two pixels a point; "within a point" is then two pixels.
constexpr int Dpi = 144;
constexpr double PointsPerPixel = 72.0 / Dpi;

// Where the marks of a record page are, in points from the sheet's top-left corner, with the sheet
// seen the way the page was drawn.
struct PageMarks
{
    QSizeF sheet;
    QRectF logo;    // the solid blue of logo.gif
    QRectF picture; // the solid orange of the record picture
    QRectF footer;  // the ink of the lowest line of text
};

bool isLogo(QRgb pixel)
{
    return qBlue(pixel) > 150 && qRed(pixel) < 100 && qGreen(pixel) < 150;
}

bool isPicture(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) > 70 && qGreen(pixel) < 170 && qBlue(pixel) < 100;
}

bool isInk(QRgb pixel)
{
    return qRed(pixel) < 110 && qGreen(pixel) < 110 && qBlue(pixel) < 110;
}

PageMarks measure(const QImage &rendered)
{
    const QImage page = rendered.convertToFormat(QImage::Format_RGB32);
    QRect logo;
    QRect picture;
    QList<int> inkLeft(page.height(), page.width());
    QList<int> inkRight(page.height(), -1);
    for (int y = 0; y < page.height(); ++y) {
        const auto *const line = reinterpret_cast<const QRgb *>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            if (isLogo(line[x]))
                logo |= QRect(x, y, 1, 1);
            else if (isPicture(line[x]))
                picture |= QRect(x, y, 1, 1);
            else if (isInk(line[x])) {
                inkLeft[y] = std::min(inkLeft[y], x);
                inkRight[y] = std::max(inkRight[y], x);
            }
        }
    }
    // The footer is the lowest line of text: the ink within a line's height above the lowest ink.
    QRect footer;
    int lowest = page.height() - 1;
    while (lowest >= 0 && inkRight[lowest] < 0)
        --lowest;
    for (int y = lowest; y >= 0 && y > lowest - 10 / PointsPerPixel; --y) {
        if (inkRight[y] >= 0)
            footer |= QRect(QPoint(inkLeft[y], y), QPoint(inkRight[y], y));
    }
    const auto points = [](const QRect &box) {
        return QRectF(box.x() * PointsPerPixel, box.y() * PointsPerPixel, box.width() * PointsPerPixel,
                      box.height() * PointsPerPixel);
    };
    return {QSizeF(page.width(), page.height()) * PointsPerPixel, points(logo), points(picture),
            points(footer)};
}

// The printable area of a portrait sheet with the given margins, upright as the page was drawn: a
// landscape page lies on the sheet turned a quarter counter-clockwise (its top along the sheet's
// left edge), so turned back its left margin is the sheet's bottom one, its top the sheet's left.
QRectF printableArea(const QSizeF &sheet, const QMarginsF &margins, bool landscape)
{
    if (!landscape)
        return QRectF(QPointF(margins.left(), margins.top()),
                      QPointF(sheet.width() - margins.right(), sheet.height() - margins.bottom()));
    return QRectF(QPointF(margins.bottom(), margins.left()),
                  QPointF(sheet.height() - margins.top(), sheet.width() - margins.right()));
}

QString describe(const PageMarks &marks, const QRectF &area)
{
    const auto box = [](const QRectF &r) {
        return QStringLiteral("%1 x %2 at (%3, %4)")
            .arg(r.width(), 0, 'f', 1)
            .arg(r.height(), 0, 'f', 1)
            .arg(r.x(), 0, 'f', 1)
            .arg(r.y(), 0, 'f', 1);
    };
    return QStringLiteral("sheet %1 x %2 pt, printable area %3; logo %4; picture %5, right edge %6 pt "
                          "left of the printable area's; footer ink %7, right edge %8 pt left of it")
        .arg(marks.sheet.width(), 0, 'f', 1)
        .arg(marks.sheet.height(), 0, 'f', 1)
        .arg(box(area), box(marks.logo), box(marks.picture))
        .arg(area.right() - marks.picture.right(), 0, 'f', 1)
        .arg(box(marks.footer))
        .arg(area.right() - marks.footer.right(), 0, 'f', 1);
}

bool near(double a, double b, double tolerance = 1.0)
{
    return std::abs(a - b) <= tolerance;
}

} // namespace

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
            LSTPRINT_SKIP("no private print system: " + QString::fromUtf8(unavailable.readAll()).trimmed());
        QVERIFY(PdfTools::available());
    }

    void defaultQueueIsFound_data()
    {
        QTest::addColumn<QString>("printer"); // PRINTER, which names the default queue
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("paper");     // the sheet in points, "" for any
        QTest::addColumn<QMarginsF>("margins"); // points
        QTest::newRow("the system's default") << "" << int(Cups::DefaultPrinter::Found) << "lstprinttest"
                                              << "" << QMarginsF();
        QTest::newRow("A4") << "lstprint-a4" << int(Cups::DefaultPrinter::Found) << "lstprint-a4"
                            << "595 x 842" << QMarginsF();
        QTest::newRow("Letter with margins")
            << "lstprint-letter" << int(Cups::DefaultPrinter::Found) << "lstprint-letter"
            << "612 x 792" << QMarginsF(18, 36, 36, 27);
        QTest::newRow("a queue that does not exist")
            << "no-such-queue" << int(Cups::DefaultPrinter::NoDefaultQueue) << ""
            << "" << QMarginsF();
    }

    // The default queue and its paper as the print system reports them: the sheet of its default
    // media and the margins it has for it, which CUPS gives in hundredths of a millimetre.
    void defaultQueueIsFound()
    {
        QFETCH(QString, printer);
        QFETCH(int, status);
        QFETCH(QString, queue);
        QFETCH(QString, paper);
        QFETCH(QMarginsF, margins);
        if (!printer.isEmpty())
            qputenv("PRINTER", printer.toUtf8());
        const auto restore = qScopeGuard([] { qunsetenv("PRINTER"); });

        const Cups::DefaultPrinter found = Cups::lookUpDefaultPrinter();
        QCOMPARE(int(found.status), status);
        if (status != Cups::DefaultPrinter::Found) {
            QVERIFY(!found.printer.has_value());
            QVERIFY2(found.reason.contains("PRINTER"), qPrintable(found.reason));
            return;
        }
        QVERIFY(found.printer.has_value());
        QCOMPARE(found.printer->name, queue);
        QVERIFY(found.printer->landscapeSupported);
        const QPageLayout &layout = found.printer->layout;
        QVERIFY(layout.fullRectPoints().width() > 500);
        if (paper.isEmpty())
            return;
        const QSizeF sheet = layout.fullRect(QPageLayout::Point).size();
        QCOMPARE(QStringLiteral("%1 x %2").arg(qRound(sheet.width())).arg(qRound(sheet.height())), paper);
        const QMarginsF reported = layout.margins(QPageLayout::Point);
        QVERIFY2(near(reported.left(), margins.left(), 0.1) && near(reported.top(), margins.top(), 0.1) &&
                     near(reported.right(), margins.right(), 0.1) &&
                     near(reported.bottom(), margins.bottom(), 0.1),
                 qPrintable(QStringLiteral("%1 %2 %3 %4")
                                .arg(reported.left())
                                .arg(reported.top())
                                .arg(reported.right())
                                .arg(reported.bottom())));
        QVERIFY2(found.printer->media.contains(paper.startsWith("595") ? "a4" : "letter"),
                 qPrintable(found.printer->media));
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

        QVERIFY(printToEnd(window));
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

    void cancelLeavesNoTrace_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("printer");
        QTest::newRow("Cancel clicked") << "click" << true;
        QTest::newRow("Esc") << "Esc" << true;
        QTest::newRow("Alt+C") << "Alt+C" << true;
        QTest::newRow("no printer") << "click" << false;
    }
    // Cancel as soon as the progress window shows: the run stops within half a second, says after
    // which page, and leaves no job, no PDF and no temporary file; the next run prints everything.
    void cancelLeavesNoTrace()
    {
        QFETCH(QString, input);
        QFETCH(bool, printer);
#if defined(__SANITIZE_ADDRESS__)
        // A page costs some ten times more under the sanitizer, and a tenth of the records is still
        // far more than it reaches before Cancel is taken.
        constexpr int Records = 20000;
#else
        // Far more than a run draws in the quarter of a second before the progress window shows
        // (about 35,000 pages a second on a 2-core machine).
        constexpr int Records = 200000;
#endif
        ProgramFolder folder;
        folder.write("parts.lst", WindowFixture::listFile(Records));
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QByteArray tmpDir = qgetenv("TMPDIR");
        qputenv("TMPDIR", temporary.path().toUtf8());
        const auto restore = qScopeGuard([&tmpDir] {
            if (tmpDir.isNull())
                qunsetenv("TMPDIR");
            else
                qputenv("TMPDIR", tmpDir);
        });
        CapturingSink sink;
        frmPrinter window(folder.path());
        window.setMessageSink(&sink);
        const auto noPrinter = [](const QString &fallbackFolder) -> std::unique_ptr<PrintSurface> {
            return std::make_unique<PrinterSurface>(fallbackFolder, [] {
                return Cups::DefaultPrinter{Cups::DefaultPrinter::NoQueue, {}, {}};
            });
        };
        if (!printer)
            window.setSurfaceFactory(noPrinter);
        // The progress window shows sooner than the usual second, so that a fast machine is still
        // far from the last record when Cancel is taken.
        window.setProgressTiming(250, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const int lastJob = lastJobId();

        const QWidget *const progress = window.findChild<QWidget *>("progressWindow");
        QWidget *const cancel = window.findChild<QWidget *>("cmdCancel");
        qint64 cancelledAt = -1;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            if (cancelledAt < 0 && progress->isVisible()) {
                cancelledAt = monotonicMilliseconds();
                queueInput(cancel, input);
            }
        });
        poll.start();
        QVERIFY(printToEnd(window));
        poll.stop();

        QVERIFY(cancelledAt >= 0);
        QCOMPARE(sink.texts(Message::Error), QStringList());
        QCOMPARE(sink.messages.size(), 1);
        const qint64 took = sink.messages.first().atMs - cancelledAt;
        QVERIFY2(took < 500, qPrintable(QStringLiteral("%1 ms from Cancel to the end of the run").arg(took)));
        const QRegularExpression told(
            QStringLiteral("^Printing cancelled after page (\\d+) of %1: %2\\.$")
                .arg(Records)
                .arg(printer ? "nothing was sent to the printer" : "no PDF was saved"));
        const QRegularExpressionMatch match = told.match(sink.messages.first().text);
        QVERIFY2(match.hasMatch(), qPrintable(sink.messages.first().text));
        QVERIFY(match.captured(1).toInt() >= 1 && match.captured(1).toInt() < Records);
        QCOMPARE(lastJobId(), lastJob);
        QCOMPARE(QDir(folder.path()).entryList({"*.pdf"}, QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(QDir(temporary.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());

        // The list file and the window are ready for the next run. It goes to the PDF saved for
        // want of a printer: 20,000 pages through the print queue's filters take minutes.
        sink.messages.clear();
        window.setSurfaceFactory(noPrinter);
        QVERIFY(printToEnd(window));
        QCOMPARE(sink.texts(Message::Information).size(), 1);
        QVERIFY2(sink.messages.first().text.contains(QStringLiteral("(%1 pages)").arg(Records)),
                 qPrintable(sink.messages.first().text));
        QCOMPARE(PdfTools::pageCount(folder.filePath("parts.pdf")), Records);
    }

    void sheetIsTheDrawnPage_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<QSizeF>("sheet");      // points, portrait
        QTest::addColumn<QMarginsF>("margins"); // points, portrait: what the queue cannot print on
        // The queues of the private cupsd: cups-pdf without margins on A4, and the same printer
        // with margins of its own on US Letter.
        const QSizeF a4(595, 842);
        const QSizeF letter(612, 792);
        const QMarginsF none;
        const QMarginsF letterMargins(18, 36, 36, 27);
        QTest::newRow("A4 portrait") << "lstprint-a4" << true << a4 << none;
        QTest::newRow("A4 landscape") << "lstprint-a4" << false << a4 << none;
        QTest::newRow("Letter portrait") << "lstprint-letter" << true << letter << letterMargins;
        QTest::newRow("Letter landscape") << "lstprint-letter" << false << letter << letterMargins;
    }

    // A record page with a 200 x 60 px logo and a picture wider than the page, printed from the
    // window on a queue, then the sheet that the queue wrote, measured: it is the queue's paper,
    // and on it the page is as drawn on the printable area (twips from its top-left corner): the
    // logo at its natural size in the corner, the fitted picture ending 400 twips short of the
    // area's right edge, the footer ending at it. The document saved without a printer has the
    // same marks in the same places of its own printable area, within a point.
    void sheetIsTheDrawnPage()
    {
        QFETCH(QString, queue);
        QFETCH(bool, portrait);
        QFETCH(QSizeF, sheet);
        QFETCH(QMarginsF, margins);

        ProgramFolder folder;
        folder.write("logo.gif", makeGif(200, 60));
        folder.writePicture("wide.png", 1200, 100);
        const QString listName = QStringLiteral("%1-%2.lst").arg(queue, portrait ? "portrait" : "landscape");
        folder.write(listName, "name,filename\r\n\"Lamp\",\"wide.png\"\r\n");

        const auto print = [&](const frmPrinter::SurfaceFactory &factory, CapturingSink &sink) {
            frmPrinter window(folder.path());
            window.setMessageSink(&sink);
            window.setSurfaceFactory(factory);
            window.optOrientation(portrait ? 0 : 1)->setChecked(true);
            QVERIFY(printToEnd(window));
        };

        // On the queue, chosen as the default printer through PRINTER.
        qputenv("PRINTER", queue.toUtf8());
        const auto restore = qScopeGuard([] { qunsetenv("PRINTER"); });
        const QStringList before = QDir(m_cupsDir + "/out").entryList(QDir::Files);
        CapturingSink printed;
        print({}, printed);
        QCOMPARE(printed.texts(Message::Error), QStringList{});
        QCOMPARE(printed.texts(Message::Information), QStringList{});
        QString arrived;
        waitForNewOutput(before, arrived);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(PdfTools::pageCount(arrived), 1);
        const QStringList size = PdfTools::pageSize(arrived).split(" x ");
        QCOMPARE(size.size(), 2);
        QVERIFY2(near(size[0].toDouble(), sheet.width()) && near(size[1].toDouble(), sheet.height()),
                 qPrintable(PdfTools::pageSize(arrived)));
        // A landscape page arrives turned a quarter counter-clockwise: turned back clockwise, it is
        // upright as it was drawn.
        QImage onSheet = PdfTools::renderFirstPage(arrived, Dpi);
        QVERIFY(!onSheet.isNull());
        if (!portrait)
            onSheet = onSheet.transformed(QTransform().rotate(90));
        const PageMarks sheetMarks = measure(onSheet);
        const QRectF sheetArea = printableArea(sheet, margins, !portrait);

        // Without a printer, on the locale's paper.
        CapturingSink saved;
        print(
            [](const QString &programFolder) -> std::unique_ptr<PrintSurface> {
                return std::make_unique<PrinterSurface>(programFolder, [] { return Cups::DefaultPrinter(); });
            },
            saved);
        QCOMPARE(saved.texts(Message::Information).size(), 1);
        const QString pdf = folder.filePath(QFileInfo(listName).completeBaseName() + ".pdf");
        const PageMarks pdfMarks = measure(PdfTools::renderFirstPage(pdf, Dpi));
        const QPageLayout fallback =
            portrait ? localePageLayout() : PdfSurface::landscapeOf(localePageLayout());
        const QRectF pdfArea = fallback.paintRect(QPageLayout::Point);

        qInfo().noquote() << "on the sheet:" << describe(sheetMarks, sheetArea);
        qInfo().noquote() << "without a printer:" << describe(pdfMarks, pdfArea);

        for (const auto &[marks, area] : {std::pair(sheetMarks, sheetArea), std::pair(pdfMarks, pdfArea)}) {
            const QString where = describe(marks, area);
            QVERIFY2(near(marks.logo.left(), area.left()) && near(marks.logo.top(), area.top()),
                     qPrintable(where));
            QVERIFY2(near(marks.logo.width(), 150) && near(marks.logo.height(), 45), qPrintable(where));
            QVERIFY2(near(marks.picture.left(), area.left()), qPrintable(where));
            QVERIFY2(near(marks.picture.right(), area.right() - 20), qPrintable(where));
            QVERIFY2(marks.footer.right() <= area.right(), qPrintable(where));
        }
        // The same page on both, relative to the printable area.
        const auto relative = [](const QRectF &box, const QRectF &area) {
            return box.translated(-area.topLeft());
        };
        QVERIFY(
            near(relative(sheetMarks.logo, sheetArea).bottom(), relative(pdfMarks.logo, pdfArea).bottom()));
        QVERIFY(
            near(relative(sheetMarks.picture, sheetArea).top(), relative(pdfMarks.picture, pdfArea).top()));
        QVERIFY(near(relative(sheetMarks.picture, sheetArea).height(),
                     relative(pdfMarks.picture, pdfArea).height()));
        QVERIFY(
            near(sheetArea.right() - sheetMarks.footer.right(), pdfArea.right() - pdfMarks.footer.right()));
        QVERIFY(near(sheetArea.bottom() - sheetMarks.footer.bottom(),
                     pdfArea.bottom() - pdfMarks.footer.bottom()));

        // The footer's last character ends at the right edge of the printable area: its text on the
        // saved document ends with the page number filled to four places, three spaces of 4.8 pt.
        const QList<PdfTools::Word> words = PdfTools::words(pdf);
        QVERIFY(!words.isEmpty());
        const PdfTools::Word last =
            *std::max_element(words.cbegin(), words.cend(), [](const auto &a, const auto &b) {
                return std::pair(a.box.bottom(), a.box.right()) < std::pair(b.box.bottom(), b.box.right());
            });
        QCOMPARE(last.text, QStringLiteral(":1"));
        QVERIFY2(
            near(last.box.right() + 3 * 4.8, pdfArea.right(), 0.1),
            qPrintable(QStringLiteral("%1 + 14.4 against %2").arg(last.box.right()).arg(pdfArea.right())));
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
