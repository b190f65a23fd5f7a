// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "paperlayout.h"
#include "pdfsurface.h"
#include "pdftools.h"
#include "recordgrid.h"
#include "testsupport.h"

#include <QtTest>

#include <limits>
#include <optional>

namespace {

// The grid line of a one-field record whose key is "filename".
QString filenameLine(const QString &value)
{
    return "text (0,0) \"Filename :" + padded(value.left(26), 27) + "\"";
}

// A recorded text operation taken apart: "text (x,y) \"...\"".
struct TextOperation
{
    float x = 0;
    float y = 0;
    QString text;
};

std::optional<TextOperation> textOperation(const QString &entry)
{
    static const QRegularExpression pattern(QStringLiteral("^text \\(([^,]+),([^)]+)\\) \"(.*)\"$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(entry);
    if (!match.hasMatch())
        return std::nullopt;
    return TextOperation{match.captured(1).toFloat(), match.captured(2).toFloat(), match.captured(3)};
}

} // namespace

// The page around the grid: the logo above it, the record's picture below it and the footer.
class TestRecordPage : public QObject
{
    Q_OBJECT

private slots:
    void logoAndFooter_data()
    {
        QTest::addColumn<QString>("logo"); // "", "picture", "folder"
        QTest::addColumn<QStringList>("page");
        const QString grid = "\"Id :" + padded("7", 27) + "\"";
        QTest::newRow("no logo") << ""
                                 << QStringList{"text (0,0) " + grid, "text (0,15600) \"Quillmarsh\"",
                                                "text (8888,15780) \"07-12-2026  Page :1   \""};
        QTest::newRow("logo") << "picture"
                              << QStringList{"picture 3000x900 (0,0)", "text (0,1000) " + grid,
                                             "text (8888,15600) \"07-12-2026  Page :1   \""};
        QTest::newRow("folder named logo.gif")
            << "folder"
            << QStringList{"text (0,0) " + grid, "text (0,15600) \"Quillmarsh\"",
                           "text (8888,15780) \"07-12-2026  Page :1   \""};
    }

    void logoAndFooter()
    {
        QFETCH(QString, logo);
        QFETCH(QStringList, page);
        RunFixture fixture;
        fixture.folder.write("t.lst", "id\n\"7\"\n");
        if (logo == "picture")
            fixture.folder.writePicture("logo.gif", 200, 60, "gif");
        else if (logo == "folder")
            fixture.folder.makeFolder("logo.gif");
        fixture.print();
        QCOMPARE(fixture.reporter.messages, QStringList{});
        QCOMPARE(fixture.surface.pages(), QList<QStringList>{page});
    }

    void logoIsDrawnOnEveryPage()
    {
        RunFixture fixture;
        fixture.folder.write("t.lst", "id\n\"1\"\n\"2\"\n\"3\"\n");
        fixture.folder.writePicture("logo.gif", 20, 10, "gif");
        fixture.print();
        for (const QStringList &page : fixture.surface.pages())
            QCOMPARE(page.first(), QStringLiteral("picture 300x150 (0,0)"));
        QCOMPARE(fixture.image1.loader().decodeCount(), 1);
    }

    void logoThatIsNotAPicture()
    {
        RunFixture fixture;
        fixture.folder.write("t.lst", "id\n\"1\"\n\"2\"\n");
        fixture.folder.write("logo.gif", "not a picture");
        fixture.print();
        // One message a page, and nothing drawn on any of them.
        QCOMPARE(fixture.reporter.numbers,
                 (QList<int>{PrintError::PictureNotReadable, PrintError::PictureNotReadable}));
        QVERIFY(fixture.reporter.messages.first().contains("logo.gif"));
        QCOMPARE(fixture.surface.log, QStringList{"end document"});
    }

    void pageField_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("footer");
        QTest::addColumn<int>("x");
        QTest::newRow("1") << 1 << "07-12-2026  Page :1   " << 11000 - 22 * 96;
        QTest::newRow("10") << 10 << "07-12-2026  Page :10  " << 11000 - 22 * 96;
        QTest::newRow("999") << 999 << "07-12-2026  Page :999 " << 11000 - 22 * 96;
        QTest::newRow("9999") << 9999 << "07-12-2026  Page :9999" << 11000 - 22 * 96;
        QTest::newRow("10000") << 10000 << "07-12-2026  Page :10000" << 11000 - 23 * 96;
        QTest::newRow("32768") << 32768 << "07-12-2026  Page :32768" << 11000 - 23 * 96;
        QTest::newRow("123456") << 123456 << "07-12-2026  Page :123456" << 11000 - 24 * 96;
    }

    // The page field is filled from the left into four places; the footer ends exactly at the
    // right edge of the printable area, trailing spaces included; longer numbers are written whole.
    void pageField()
    {
        QFETCH(int, page);
        QFETCH(QString, footer);
        QFETCH(int, x);
        RunFixture fixture;
        fixture.folder.write("t.lst", "id\n\"1\"\n\"2\"\n");
        fixture.folder.writePicture("logo.gif", 10, 10, "gif");
        RecordingSurface &surface = fixture.surface;
        for (int i = 1; i < page; ++i)
            surface.SurfaceBase::newPage();
        fixture.run->cmdPrint_Click(surface);
        QCOMPARE(fixture.reporter.messages, QStringList{});
        const QList<QStringList> pages = surface.pages();
        QCOMPARE(pages.first().last(), QStringLiteral("text (%1,15600) \"%2\"").arg(x).arg(footer));
        QCOMPARE(x + surface.textWidth(footer), surface.width);
        QVERIFY(pages.last().last().contains(QString::number(page + 1)));
    }

    void dateIsReadForEachPage()
    {
        RunFixture fixture;
        fixture.folder.write("t.lst", "id\n\"1\"\n\"2\"\n");
        QList<QDate> dates{QDate(2026, 12, 31), QDate(2027, 1, 1)};
        fixture.run->setClock([&dates] { return dates.takeFirst(); });
        fixture.print();
        QVERIFY(dates.isEmpty());
        const QList<QStringList> pages = fixture.surface.pages();
        QVERIFY(pages[0].last().contains("\"31-12-2026  Page :1   \""));
        QVERIFY(pages[1].last().contains("\"01-01-2027  Page :2   \""));
    }

    // The footer's date is asked of the system at local midnight and at least once a minute, not
    // on every page.
    void localDateClockAsksWhenTheDateMayChange()
    {
        qint64 monotonic = 0;
        int asked = 0;
        const QDateTime start(QDate(2026, 12, 31), QTime(23, 59, 59, 500));
        auto today = localDateClock(
            [&] {
                ++asked;
                return start.addMSecs(monotonic);
            },
            [&] { return monotonic; });
        QCOMPARE(today(), QDate(2026, 12, 31));
        monotonic = 499;
        QCOMPARE(today(), QDate(2026, 12, 31));
        QCOMPARE(asked, 1);
        monotonic = 500; // midnight
        QCOMPARE(today(), QDate(2027, 1, 1));
        QCOMPARE(asked, 2);
        monotonic = 500 + 59999;
        QCOMPARE(today(), QDate(2027, 1, 1));
        QCOMPARE(asked, 2);
        monotonic = 500 + 60000;
        QCOMPARE(today(), QDate(2027, 1, 1));
        QCOMPARE(asked, 3);
    }

    // The fitting rules, with the picture's top at Y0 = 280 (one grid line and the 100-twip gap)
    // and pictures of 15 twips a pixel.
    void pictureFitting_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<bool>("fit");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QString>("drawn"); // empty: nothing drawn

        QTest::newRow("fits") << 10900.f << 15680.f << true << QSize(100, 100)
                              << "picture 1500x1500 in box (0,280) 1500x1500";
        QTest::newRow("exactly W-400 wide") << 10900.f << 15680.f << true << QSize(700, 100)
                                            << "picture 10500x1500 in box (0,280) 10500x1500";
        QTest::newRow("too wide: narrowed only") << 10900.f << 15680.f << true << QSize(701, 100)
                                                 << "picture 10515x1500 in box (0,280) 10500x1500";
        QTest::newRow("exactly H-Y0-400 high") << 10900.f << 15680.f << true << QSize(100, 1000)
                                               << "picture 1500x15000 in box (0,280) 1500x15000";
        QTest::newRow("too high: cut to leave 500") << 10900.f << 15680.f << true << QSize(100, 1001)
                                                    << "picture 1500x15015 in box (0,280) 1500x14900";
        QTest::newRow("too wide and too high") << 10900.f << 15680.f << true << QSize(800, 1200)
                                               << "picture 12000x18000 in box (0,280) 10500x14900";
        QTest::newRow("450 left below: natural height") << 10900.f << 15730.f << true << QSize(100, 1000)
                                                        << "picture 1500x15000 in box (0,280) 1500x15000";
        QTest::newRow("actual size past the edges")
            << 10900.f << 15680.f << false << QSize(2000, 2000) << "picture 30000x30000 (0,280)";
        QTest::newRow("actual size, small")
            << 10900.f << 15680.f << false << QSize(10, 20) << "picture 150x300 (0,280)";
        QTest::newRow("fitted height zero") << 10900.f << 780.f << true << QSize(100, 100) << "";
        QTest::newRow("fitted height negative") << 10900.f << 700.f << true << QSize(100, 100) << "";
    }

    void pictureFitting()
    {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(bool, fit);
        QFETCH(QSize, pixels);
        QFETCH(QString, drawn);
        RunFixture fixture;
        fixture.folder.write("t.lst", "filename\n\"pic.png\"\n");
        fixture.folder.writePicture("pic.png", pixels.width(), pixels.height());
        fixture.choices.fitInPage = fit;
        fixture.surface.width = width;
        fixture.surface.height = height;
        fixture.run->cmdPrint_Click(fixture.surface);
        QCOMPARE(fixture.reporter.messages, QStringList{});
        const QStringList page = fixture.surface.pages().value(0);
        QCOMPARE(page.value(0), filenameLine("pic.png"));
        const QStringList pictures = page.filter(QRegularExpression("^picture "));
        QCOMPARE(pictures, drawn.isEmpty() ? QStringList{} : QStringList{drawn});
        QVERIFY(page.last().contains("Page :1")); // the footer follows as usual
    }

    void pictureName_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("drawn"); // the picture expected, by its pixel width; "" for none
        QTest::newRow("spaces around the name")
            << QByteArray("filename\n\"  p30.png  \"\n") << QStringList{"p30.png"} << "450";
        QTest::newRow("long name found whole")
            << QByteArray("filename\n\"a-picture-with-a-rather-long-name.png\"\n")
            << QStringList{"a-picture-with-a-rather-long-name.png"} << "450";
        QTest::newRow("empty name") << QByteArray("filename\n\"\"\n") << QStringList{} << "";
        QTest::newRow("missing file") << QByteArray("filename\n\"none.png\"\n") << QStringList{} << "";
        QTest::newRow("folder") << QByteArray("filename\n\"sub\"\n") << QStringList{"sub/"} << "";
        QTest::newRow("backslash separates folders")
            << QByteArray("filename\n\"sub\\p30.png\"\n") << QStringList{"sub/", "sub/p30.png"} << "450";
        QTest::newRow("climbing out") << QByteArray("filename\n\"../outside.png\"\n") << QStringList{} << "";
        QTest::newRow("climbing out with backslashes")
            << QByteArray("filename\n\"sub\\..\\..\\outside.png\"\n") << QStringList{"sub/"} << "";
        // %outside: the absolute name of a picture that exists, outside the program folder.
        QTest::newRow("absolute") << QByteArray("filename\n\"%outside\"\n") << QStringList{} << "";
        QTest::newRow("no filename field")
            << QByteArray("name\n\"p30.png\"\n") << QStringList{"p30.png"} << "";
        QTest::newRow("key in any case")
            << QByteArray("FileName\n\"p30.png\"\n") << QStringList{"p30.png"} << "450";
        QTest::newRow("last filename key wins") << QByteArray("filename,filename2\n\"p30.png\",\"p60.png\"\n")
                                                << QStringList{"p30.png", "p60.png"} << "900";
        QTest::newRow("a value does not name the picture")
            << QByteArray("filename,note,size\n\"p30.png\",\"Filename.png\",\"p60.png\"\n")
            << QStringList{"p30.png", "p60.png", "Filename.png"} << "450";
    }

    void pictureName()
    {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, files);
        QFETCH(QString, drawn);
        // The program folder sits inside another, which holds a picture that must stay out of reach.
        RunFixture outer;
        outer.folder.writePicture("outside.png", 15, 15);
        const QString program = outer.folder.filePath("program");
        QVERIFY(QDir().mkpath(program));
        CapturingReporter reporter;
        FixedChoices choices;
        PictureSlot image1;
        PrintRun run(program, image1, reporter, choices);
        list.replace("%outside", QFile::encodeName(outer.folder.filePath("outside.png")));
        QFile listFile(program + "/t.lst");
        QVERIFY(listFile.open(QIODevice::WriteOnly));
        listFile.write(list);
        listFile.close();
        for (const QString &name : files) {
            if (name.endsWith('/')) {
                QVERIFY(QDir(program).mkpath(name));
            } else {
                QImage image(name.contains("60") ? 60 : 30, 10, QImage::Format_RGB32);
                image.fill(Qt::gray);
                QVERIFY(image.save(program + "/" + name, "png"));
            }
        }
        RecordingSurface surface;
        run.cmdPrint_Click(surface);
        QCOMPARE(reporter.messages, QStringList{});
        const QStringList pictures = surface.pages().value(0).filter(QRegularExpression("^picture "));
        if (drawn.isEmpty())
            QCOMPARE(pictures, QStringList{});
        else
            QVERIFY2(pictures.size() == 1 && pictures[0].startsWith("picture " + drawn + "x150 "),
                     qPrintable(pictures.join('|')));
    }

    // A picture that cannot be loaded: one message; the grid stays on its sheet, which is ended;
    // the next record starts on a fresh page.
    void pictureThatIsNotAPicture()
    {
        RunFixture fixture;
        fixture.folder.write("t.lst", "filename\n\"bad.gif\"\n\"good.png\"\n");
        fixture.folder.write("bad.gif", "GIF89a but not really");
        fixture.folder.writePicture("good.png", 10, 10);
        fixture.print();
        QCOMPARE(fixture.reporter.numbers, QList<int>{PrintError::PictureNotReadable});
        QVERIFY(fixture.reporter.messages.first().contains("bad.gif"));
        const QList<QStringList> pages = fixture.surface.pages();
        QCOMPARE(pages.size(), 2);
        QCOMPARE(pages[0], QStringList{filenameLine("bad.gif")});
        QCOMPARE(pages[1].value(0), filenameLine("good.png"));
        QCOMPARE(pages[1].value(1), QStringLiteral("picture 150x150 in box (0,280) 150x150"));
    }

    // Room on a grid line: what is taken, measured with characters of different widths ('m' takes
    // no room, like a mark that combines; 'W' twice the pitch of 10).
    void lineRoom_data()
    {
        QTest::addColumn<float>("room");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("taken");
        QTest::addColumn<bool>("full");
        const float endless = std::numeric_limits<float>::infinity();
        QTest::newRow("fits") << 100.f << "abc" << 3 << false;
        QTest::newRow("exactly the room and the slack") << 100.f << QString(12, 'a') << 12 << true;
        QTest::newRow("cut two characters past the edge") << 100.f << QString(500, 'a') << 12 << true;
        QTest::newRow("cut inside a starting offset") << 15.f << QString(500, 'a') << 4 << true;
        QTest::newRow("marks that take no room")
            << 30.f << "a" + QString(300, 'm') + "bcdefgh" << 305 << true;
        // Taken at the pitch of a space, wider characters overshoot by that one step at most.
        QTest::newRow("wide characters") << 100.f << QString(500, 'W') << 12 << true;
        QTest::newRow("pairs kept whole") << 20.f << QString("📷").repeated(50) << 8 << true;
        QTest::newRow("no room left") << -30.f << "abc" << 0 << true;
        QTest::newRow("endless room") << endless << QString(5000, 'a') << 5000 << false;
        QTest::newRow("room not a number")
            << std::numeric_limits<float>::quiet_NaN() << QString(500, 'a') << 500 << false;
    }

    void lineRoom()
    {
        QFETCH(float, room);
        QFETCH(QString, text);
        QFETCH(int, taken);
        QFETCH(bool, full);
        int measured = 0;
        LineRoom line(room, [&measured](const QString &part) {
            measured += int(part.size());
            float width = 0;
            for (const QChar c : part)
                width += c == u'm' ? 0 : c == u'W' ? 20 : c.isLowSurrogate() ? 0 : 10;
            return width;
        });
        QCOMPARE(line.take(text), qsizetype(taken));
        QCOMPARE(line.full(), full);
        // What is measured is about what is taken: a long text is not measured whole.
        QVERIFY2(measured <= taken + 2, qPrintable(QString::number(measured)));
    }

    // On a sheet of a size, a page shows what it shows on an endless one: the same pictures and
    // footer at the same places, and every grid line that begins on the sheet, built up to a little
    // past its right edge. Lines that begin below the sheet are not built, and no line is built
    // much further than the edge.
    void gridIsBuiltAsFarAsTheSheet_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<bool>("logo");

        QStringList names{QString(3000, 'k')};
        for (int i = 1; i < 600; ++i)
            names << QStringLiteral("f%1").arg(i);
        const QByteArray manyRows = names.join(',').toUtf8() + "\n\"1\",\"v\"\n\"2\",\"w\"\n";
        QTest::newRow("long first key, 200 rows") << manyRows << true << false;
        QTest::newRow("long first key, 200 rows, logo, landscape") << manyRows << false << true;

        QByteArray wide("identifier,description,filename,supplier name\n");
        wide += "\"" + QByteArray(40, '1') + "\",\"" + QByteArray(40, 'd') + "\",\"pic.gif\",\"" +
                QByteArray(40, 's') + "\"\n";
        QTest::newRow("landscape lines past the right edge") << wide << false << false;
        QTest::newRow("landscape lines past the right edge, logo") << wide << false << true;

        QTest::newRow("long key of astral characters in the last column")
            << QByteArray("a,b,") + QString("📷").repeated(200).toUtf8() + "\n\"1\",\"2\",\"3\"\n"
            << true << false;
    }

    void gridIsBuiltAsFarAsTheSheet()
    {
        QFETCH(QByteArray, list);
        QFETCH(bool, portrait);
        QFETCH(bool, logo);
        RunFixture fixture;
        fixture.folder.write("t.lst", list);
        fixture.folder.writePicture("pic.gif", 40, 30, "gif");
        if (logo)
            fixture.folder.writePicture("logo.gif", 200, 60, "gif");
        fixture.choices.portrait = portrait;
        fixture.choices.fitInPage = false; // a picture at its own size shows where the grid ended

        const QList<QStringList> endless = fixture.print().pages();
        RecordingSurface sheet;
        sheet.rightEdge = sheet.width + 360;
        sheet.bottomEdge = sheet.height + 360;
        fixture.run->cmdPrint_Click(sheet);
        QCOMPARE(fixture.reporter.messages, QStringList{});
        const QList<QStringList> cut = sheet.pages();

        QCOMPARE(cut.size(), endless.size());
        int linesCut = 0;
        int linesLeftOut = 0;
        for (qsizetype page = 0; page < endless.size(); ++page) {
            QStringList expected;
            QStringList built = cut[page];
            for (const QString &entry : endless[page]) {
                const std::optional<TextOperation> whole = textOperation(entry);
                if (!whole) {
                    expected << entry;
                    continue;
                }
                if (whole->y >= sheet.bottomEdge) {
                    ++linesLeftOut;
                    continue;
                }
                const qsizetype at = expected.size();
                expected << entry;
                const std::optional<TextOperation> shown = textOperation(built.value(at));
                QVERIFY2(shown && shown->x == whole->x && shown->y == whole->y, qPrintable(built.value(at)));
                QVERIFY(whole->text.startsWith(shown->text));
                const float right = shown->x + sheet.textWidth(shown->text);
                QVERIFY(right < sheet.rightEdge + 3 * sheet.charWidth);
                if (shown->text != whole->text) {
                    QVERIFY(right >= sheet.rightEdge);
                    built[at] = entry;
                    ++linesCut;
                }
            }
            QCOMPARE(built, expected);
        }
        QVERIFY(linesCut + linesLeftOut > 0);
    }

    // Each distinct picture is embedded in the PDF once, however many pages show it.
    void picturesEmbeddedOnce()
    {
        QVERIFY(PdfTools::available());
        RunFixture fixture;
        QByteArray list("id,filename\n");
        for (int i = 0; i < 200; ++i) {
            const QString name = QStringLiteral("p%1.png").arg(i);
            QImage image(8, 8, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i, 200, 200));
            QVERIFY(image.save(fixture.folder.filePath(name), "png"));
            list += QStringLiteral("\"%1\",\"%2\"\n").arg(i).arg(name).toUtf8();
        }
        fixture.folder.write("t.lst", list);
        fixture.folder.writePicture("logo.gif", 40, 12, "gif");
        const QString pdf = fixture.folder.filePath("out.pdf");
        PdfSurface surface(pdf, localePageLayout());
        fixture.run->cmdPrint_Click(surface);
        QCOMPARE(fixture.reporter.messages, QStringList{});
        QCOMPARE(PdfTools::pageCount(pdf), 200);
        const QStringList rows = PdfTools::images(pdf);
        QCOMPARE(rows.size(), 400); // two pictures on every page...
        QSet<QString> objects;
        for (const QString &row : rows)
            objects.insert(row.simplified().section(' ', 10, 11));
        QCOMPARE(objects.size(), 201); // ...but the logo only once
    }
};

QTEST_MAIN(TestRecordPage)
#include "tst_recordpage.moc"
