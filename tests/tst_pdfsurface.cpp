// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "documenttarget.h"
#include "faildevice.h"
#include "pdffonts.h"
#include "pdfsurface.h"
#include "pdfvalue.h"
#include "printerror.h"
#include "pdftools.h"
#include "picture.h"
#include "testsupport.h"

#include <QtTest>

class TestPdfSurface : public QObject
{
    Q_OBJECT

    static QPageLayout a4()
    {
        return {QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0.25, 0.25, 0.25, 0.25),
                QPageLayout::Inch};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(PdfTools::available(), "poppler-utils (pdfinfo, pdftotext, pdfimages) is needed");
    }

    // Every real number of a document is formatted in one place, and one PDF cannot write is
    // refused rather than written as something a reader takes for another number or for garbage.
    void realNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("written"); // empty: refused
        QTest::newRow("whole") << 595.0 << 3 << "595";
        QTest::newRow("rounded to three places") << 12.34567 << 3 << "12.346";
        QTest::newRow("trailing zeros dropped") << 0.5 << 3 << "0.5";
        QTest::newRow("negative zero") << -0.0001 << 3 << "0";
        QTest::newRow("negative") << -841.89 << 3 << "-841.89";
        QTest::newRow("six places") << 0.3127 / 0.329 << 6 << "0.950456";
        QTest::newRow("huge but finite") << 1e15 << 3 << "1000000000000000";
        QTest::newRow("not a number") << std::nan("") << 3 << "";
        QTest::newRow("infinity") << HUGE_VAL << 3 << "";
        QTest::newRow("overflows when rounded") << 1.7e308 << 3 << "";
    }
    void realNumbers()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, written);
        try {
            const std::string text = Pdf::real(value, decimals);
            QCOMPARE(QString::fromStdString(text), written);
        } catch (const PrintError &error) {
            QVERIFY2(written.isEmpty(), qPrintable(error.description()));
            QCOMPARE(error.number(), int(PrintError::DocumentNotWritable));
        }
        // Names and dictionaries: a number after a key needs a space, a name or a container none.
        const Pdf::Dictionary entries = Pdf::Dictionary()
                                            .add("Type", Pdf::name("Page"))
                                            .add("Count", 3)
                                            .add("Kids", Pdf::Array{Pdf::ref(4), Pdf::ref(7)})
                                            .add("Odd", Pdf::name("a b#c"))
                                            .add("ID", Pdf::Array{Pdf::hex("\x0a"), Pdf::hex("\xb0")})
                                            .add("Space", Pdf::Array{Pdf::name("Indexed"), 3, Pdf::name("X")});
        QCOMPARE(QString::fromStdString(entries.entries()),
                 "/Type/Page/Count 3/Kids[4 0 R 7 0 R]/Odd/a#20b#23c/ID[<0a><b0>]/Space[/Indexed 3/X]");
    }

    void courierIsFixedPitch()
    {
        PdfFonts courier(QStringLiteral("courier"), 8);
        QCOMPARE(courier.textWidth(u"i"), courier.textWidth(u"W"));
        QCOMPARE(courier.textWidth(u":"), courier.textWidth(u"M"));
        PdfFonts unknown(QStringLiteral("no such face at all"), 8);
        QCOMPARE(unknown.textWidth(u"i"), unknown.textWidth(u"W"));
    }

    void unitsAreTwips()
    {
        ProgramFolder folder;
        PdfSurface surface(folder.filePath("out.pdf"), a4());
        surface.setFontName(QStringLiteral("courier"));
        surface.setFontSize(8);
        // A4 is 595 x 842 points (11900 x 16840 twips); a quarter inch is 360 twips on each side.
        QCOMPARE(qRound(surface.scaleWidth()), 11900 - 720);
        QCOMPARE(qRound(surface.scaleHeight()), 16840 - 720);
        // 8-point Courier advances 0.6 em: 4.8 points, 96 twips.
        QVERIFY2(qAbs(surface.textWidth(QStringLiteral("iiiiiiiiii")) - 960) < 15,
                 qPrintable(QString::number(surface.textWidth(QStringLiteral("iiiiiiiiii")))));
        QCOMPARE(surface.textWidth(QStringLiteral("iiiii")), surface.textWidth(QStringLiteral("WWWWW")));
        QVERIFY(surface.lineHeight() > 150 && surface.lineHeight() < 250);
        surface.setOrientation(PrintSurface::Landscape);
        QCOMPARE(surface.orientation(), int(PrintSurface::Landscape));
        QCOMPARE(qRound(surface.scaleWidth()), 16840 - 720);
    }

    void landscapeUnsupportedReportsPortrait()
    {
        ProgramFolder folder;
        PdfSurface surface(folder.filePath("out.pdf"), a4(), false);
        surface.setOrientation(PrintSurface::Landscape);
        QCOMPARE(surface.orientation(), int(PrintSurface::Portrait));
        QCOMPARE(qRound(surface.scaleWidth()), 11900 - 720);
    }

    void pagesBeginLazily_data()
    {
        QTest::addColumn<QStringList>("operations");
        QTest::addColumn<int>("pages");
        QTest::newRow("nothing") << QStringList{} << 0;
        QTest::newRow("new page only") << QStringList{"page", "page"} << 0;
        QTest::newRow("one page then new page") << QStringList{"text", "page"} << 1;
        QTest::newRow("two pages") << QStringList{"text", "page", "text", "page"} << 2;
        QTest::newRow("last page not ended") << QStringList{"text", "page", "text"} << 2;
        QTest::newRow("empty pages collapse") << QStringList{"text", "page", "page", "text", "page"} << 2;
    }

    void pagesBeginLazily()
    {
        QFETCH(QStringList, operations);
        QFETCH(int, pages);
        ProgramFolder folder;
        const QString path = folder.filePath("out.pdf");
        PdfSurface surface(path, a4());
        for (const QString &operation : operations) {
            if (operation == QLatin1String("text"))
                surface.printText(QStringLiteral("Hello"));
            else
                surface.newPage();
        }
        surface.endDocument();
        QCOMPARE(surface.pagesWritten(), pages);
        QCOMPARE(QFile::exists(path), pages > 0);
        if (pages > 0)
            QCOMPARE(PdfTools::pageCount(path), pages);
    }

    void pageStateFollowsOperations()
    {
        ProgramFolder folder;
        PdfSurface surface(folder.filePath("out.pdf"), a4());
        QCOMPARE(surface.page(), 1);
        QVERIFY(!surface.pageHasContent());
        surface.setCurrentX(500);
        surface.setCurrentY(700);
        surface.printText(QStringLiteral("x"));
        QCOMPARE(surface.currentX(), 0.0f);
        QCOMPARE(surface.currentY(), 700 + surface.lineHeight());
        QVERIFY(surface.pageHasContent());
        surface.newPage();
        QCOMPARE(surface.page(), 2);
        QCOMPARE(surface.currentY(), 0.0f);
        QVERIFY(!surface.pageHasContent());
        surface.endDocument();
    }

    void textLandsWhereItWasPut()
    {
        ProgramFolder folder;
        const QString path = folder.filePath("out.pdf");
        PdfSurface surface(path, a4());
        surface.setFontName(QStringLiteral("courier"));
        surface.setFontSize(8);
        surface.printText(QStringLiteral("Id    :17   Name :Lamp"));
        surface.printText(QStringLiteral("City  :Oslo Size :Big"));
        surface.setCurrentX(surface.scaleWidth() - surface.textWidth(QStringLiteral("RIGHT")));
        surface.printText(QStringLiteral("RIGHT"));
        surface.endDocument();
        const QStringList lines = PdfTools::text(path).split('\n');
        QCOMPARE(lines.value(0).trimmed(), QStringLiteral("Id    :17   Name :Lamp"));
        QCOMPARE(lines.value(1).trimmed(), QStringLiteral("City  :Oslo Size :Big"));
        // Right-aligned: the text ends where the printable area ends, as far right as any line can.
        QCOMPARE(lines.value(2).trimmed(), QStringLiteral("RIGHT"));
        QVERIFY(lines.value(2).size() > 110);
    }

    void samePictureEmbeddedOnce()
    {
        ProgramFolder folder;
        folder.writePicture("logo.png", 40, 20);
        folder.writePicture("other.png", 30, 30);
        folder.writePicture("photo.jpg", 30, 30, "jpg"); // not kept by the loader: read again each time
        PictureLoader loader;
        const QString path = folder.filePath("out.pdf");
        PdfSurface surface(path, a4());
        for (int page = 0; page < 20; ++page) {
            surface.drawPicture(loader.load(folder.filePath("logo.png")), 0, 0);
            surface.drawPicture(loader.load(folder.filePath("other.png")), 0, 1000, 2000, 500);
            surface.drawPicture(loader.load(folder.filePath("photo.jpg")), 0, 2000);
            surface.newPage();
        }
        surface.endDocument();
        QCOMPARE(PdfTools::pageCount(path), 20);
        QCOMPARE(PdfTools::images(path).size(), 3 * 20); // each page lists its images...
        QStringList objects;
        for (const QString &row : PdfTools::images(path))
            objects << row.simplified().section(' ', 10, 11); // ...by object number
        objects.removeDuplicates();
        QCOMPARE(objects.size(), 3);
    }

    void emptyBoxDrawsNothing()
    {
        ProgramFolder folder;
        folder.writePicture("p.png", 10, 10);
        PictureLoader loader;
        PdfSurface surface(folder.filePath("out.pdf"), a4());
        surface.drawPicture(loader.load(folder.filePath("p.png")), 0, 0, 100, 0);
        surface.drawPicture(loader.load(folder.filePath("p.png")), 0, 0, 100, -50);
        QVERIFY(!surface.pageHasContent());
        surface.endDocument();
        QVERIFY(!QFile::exists(folder.filePath("out.pdf")));
    }

    void unwritableDocumentIsAnError()
    {
        PdfSurface surface(QStringLiteral("/nonexistent-folder/out.pdf"), a4());
        try {
            surface.printText(QStringLiteral("x"));
            QFAIL("drawing into an unwritable document succeeded");
        } catch (const PrintError &error) {
            QCOMPARE(error.number(), int(PrintError::DocumentNotWritable));
            QVERIFY(error.description().contains(QLatin1String("/nonexistent-folder/out.pdf")));
        }
    }

    void abandonedDocumentLeavesNoFile()
    {
        ProgramFolder folder;
        const QString path = folder.filePath("out.pdf");
        {
            PdfSurface surface(path, a4());
            surface.printText(QStringLiteral("x"));
        }
        QVERIFY(!QFile::exists(path));
    }

    // Every write is checked, short ones included: a device that takes a few bytes at a time gets
    // the whole document, and one that fills up ends it with one error that gives the system's
    // reason, at once (the document is not finished, and nothing more can be drawn into it).
    void writeFailureEndsTheDocument_data()
    {
        QTest::addColumn<qsizetype>("limit"); // bytes the device takes before it is full
        QTest::addColumn<qsizetype>("chunk"); // bytes it takes at most in one write
        QTest::addColumn<QString>("failsAt"); // "never", "drawing" or "end"
        const qsizetype none = std::numeric_limits<qsizetype>::max();
        QTest::newRow("one byte a write") << none << qsizetype(1) << "never";
        QTest::newRow("4 KiB a write") << none << qsizetype(4096) << "never";
        QTest::newRow("full from the start") << qsizetype(0) << none << "drawing";
        QTest::newRow("full in the header, short writes") << qsizetype(10) << qsizetype(3) << "drawing";
        QTest::newRow("full at 100 KiB") << qsizetype(100 * 1024) << none << "drawing";
        QTest::newRow("full at 200 KiB, 1000 bytes a write")
            << qsizetype(200 * 1024) << qsizetype(1000) << "drawing";
        QTest::newRow("full in the last bytes") << qsizetype(-100) << none << "end";
    }

    void writeFailureEndsTheDocument()
    {
        QFETCH(qsizetype, limit);
        QFETCH(qsizetype, chunk);
        QFETCH(QString, failsAt);
        constexpr int Pages = 1500;
        const auto draw = [](PdfSurface &surface) {
            for (int page = 1; page <= Pages; ++page) {
                for (int line = 0; line < 12; ++line)
                    surface.printText(
                        QStringLiteral("Page %1, line %2: %3").arg(page).arg(line).arg(page * 7919 % 10007));
                surface.newPage();
            }
            surface.endDocument();
        };
        if (limit < 0) { // so many bytes short of the whole document
            FailDevice whole;
            PdfSurface surface(Paper{a4(), true}, std::make_unique<FailDeviceTarget>(whole));
            draw(surface);
            limit += whole.taken.size();
        }
        FailDevice device;
        device.limit = limit;
        device.chunk = chunk;
        auto owned = std::make_unique<FailDeviceTarget>(device);
        FailDeviceTarget &target = *owned;
        PdfSurface surface(Paper{a4(), true}, std::move(owned));
        QString failed = QStringLiteral("never");
        try {
            draw(surface);
        } catch (const PrintError &error) {
            failed = surface.closed() ? QStringLiteral("end") : QStringLiteral("drawing");
            QCOMPARE(error.number(), int(PrintError::DocumentNotWritable));
            QVERIFY2(error.description().contains(QLatin1String("No space left on device")),
                     qPrintable(error.logLine()));
            QVERIFY2(error.description().contains(QLatin1String("the test device")),
                     qPrintable(error.logLine()));
        }
        QCOMPARE(failed, failsAt);
        if (failsAt == QLatin1String("never")) {
            QVERIFY(target.finished);
            ProgramFolder folder;
            folder.write("out.pdf", device.taken);
            QCOMPARE(PdfTools::pageCount(folder.filePath("out.pdf")), Pages);
            return;
        }
        QVERIFY(!target.finished);
        QCOMPARE(device.taken.size(), limit);
        const int writes = device.writes;
        if (failsAt == QLatin1String("drawing")) {
            // The document is broken: drawing goes on failing, and writes nothing more.
            QVERIFY_THROWS_EXCEPTION(PrintError, surface.printText(QStringLiteral("more")));
            surface.discardDocument();
        }
        QVERIFY(target.discarded);
        QCOMPARE(device.writes, writes);
    }

    void printRunToPdfHasOnePagePerRecord()
    {
        RunFixture fixture;
        fixture.folder.write("parts.lst",
                             "id,name,filename,city,date of birth,phone,notes\r\n"
                             "\"17\",\"BRASS lamp\",\"photo17.jpg\",\"\",\"12/03/80\",\"555 123\",\"n/a\"\r\n"
                             "\"18\",\"Oak desk\",\"\",\"Leeds\",\"01/01/90\",\"555 999\",\"heavy\"\r\n"
                             "\"19\",\"Chair\",\"\",\"York\",\"02/02/91\",\"555 000\",\"\"\r\n");
        const QString path = fixture.folder.filePath("out.pdf");
        PdfSurface surface(path, a4());
        fixture.run->cmdPrint_Click(surface);
        QVERIFY(fixture.reporter.messages.isEmpty());
        QCOMPARE(PdfTools::pageCount(path), 3);
        QCOMPARE(PdfTools::pageSize(path), QStringLiteral("595 x 842"));

        // The grid's columns line up: every line of the first page has its colons in the same
        // places as the text that was printed.
        const QStringList pageText = PdfTools::text(path).split('\f').first().split('\n');
        const QStringList grid = pageText.filter(QLatin1String(":"));
        QVERIFY(grid.size() >= 3);
        QCOMPARE(grid[0].trimmed(), QStringLiteral("Id    :17                         Name          :BRASS "
                                                   "lamp                 Filename :photo17.jpg"));
        QCOMPARE(grid[1].trimmed(), QStringLiteral("City  :                           Date Of Birth "
                                                   ":12/03/80                   Phone    :555 123"));
        QCOMPARE(grid[0].indexOf(':'), grid[1].indexOf(':'));
        QCOMPARE(grid[0].indexOf("Name"), grid[1].indexOf("Date"));
        QVERIFY(pageText.join('\n').contains(QLatin1String("Quillmarsh")));
        QVERIFY(pageText.join('\n').contains(QLatin1String("07-12-2026  Page :1")));
    }
};

QTEST_MAIN(TestPdfSurface)
#include "tst_pdfsurface.moc"
