// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "testsupport.h"
#include "translations.h"

#include <QtTest>

namespace {

using Records = QList<QStringList>;

QStringList values(const FieldList &list)
{
    QStringList result;
    for (qsizetype i = 1; i <= list.count(); ++i)
        result << list.item(i).valueText();
    return result;
}

QStringList keys(const FieldList &list)
{
    QStringList result;
    for (qsizetype i = 1; i <= list.count(); ++i)
        result << list.item(i).Key();
    return result;
}

} // namespace

class TestPrintRun : public QObject
{
    Q_OBJECT

private slots:
    // Counted texts read as English through the plural forms built into the program, for counts
    // past what tr() takes too.
    void countedTexts_data()
    {
        QTest::addColumn<qint64>("pages");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one") << qint64(1) << "Printed 1 page to %1";
        QTest::newRow("none") << qint64(0) << "Printed 0 pages to %1";
        QTest::newRow("two") << qint64(2) << "Printed 2 pages to %1";
        QTest::newRow("INT_MAX") << qint64(2147483647) << "Printed 2147483647 pages to %1";
        QTest::newRow("past INT_MAX") << qint64(3000000001) << "Printed 3000000001 pages to %1";
    }
    void countedTexts()
    {
        QFETCH(qint64, pages);
        QFETCH(QString, expected);
        const QString text = QCoreApplication::translate("RunReport", "Printed %n page(s) to %1", nullptr,
                                                         Translations::countForPlural(pages));
        QCOMPARE(Translations::restoreCount(text, pages), expected);
    }

    void readerFillsTheFieldList_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expectedKeys");
        QTest::addColumn<Records>("records");
        QTest::addColumn<QList<int>>("errors");

        QTest::newRow("two records") << QByteArray(
                                            "name,colour,filename\r\n\"Lamp\",\"red, large\",\"lamp.gif\"\r\n"
                                            "\"Desk\",\"oak\",\"desk.gif\"\r\n")
                                     << QStringList{"name", "colour", "filename"}
                                     << Records{{"Lamp", "red, large", "lamp.gif"},
                                                {"Desk", "oak", "desk.gif"}}
                                     << QList<int>{};
        QTest::newRow("fewer fields keep earlier values")
            << QByteArray("a,b,c\n\"1\",\"2\",\"3\"\n\"x\",\"y\"\n") << QStringList{"a", "b", "c"}
            << Records{{"1", "2", "3"}, {"x", "y", "3"}} << QList<int>{};
        QTest::newRow("fewer fields on the first record")
            << QByteArray("a,b,c\n\"x\"\n") << QStringList{"a", "b", "c"} << Records{{"x", "", ""}}
            << QList<int>{};
        QTest::newRow("more fields than names")
            << QByteArray("a,b\n\"1\",\"2\"\n\"1\",\"2\",\"3\"\n\"4\",\"5\"\n") << QStringList{"a", "b"}
            << Records{{"1", "2"}} << QList<int>{PrintError::TooManyFields};
        QTest::newRow("quotes") << QByteArray("a,b,c\n\"x\"\"y\",\"m\"i\"\"d\",\"l\"a\"st\"\n")
                                << QStringList{"a", "b", "c"} << Records{{"xy", "m\"i\"\"d", "last"}}
                                << QList<int>{};
        QTest::newRow("comma space quote joins fields")
            << QByteArray("a,b,c\n\"1\", \"2\",\"3\"\n") << QStringList{"a", "b", "c"}
            << Records{{"1, 2", "3", ""}} << QList<int>{};
        QTest::newRow("plain commas make one field")
            << QByteArray("a,b\nx,y\n") << QStringList{"a", "b"} << Records{{"x,y", ""}} << QList<int>{};
        QTest::newRow("one empty quoted field")
            << QByteArray("a,b\n\"\"\n") << QStringList{"a", "b"} << Records{{"", ""}} << QList<int>{};
        QTest::newRow("quoted header names keep quotes")
            << QByteArray("\"a\",\"b\"\n\"1\",\"2\"\n") << QStringList{"\"a\"", "\"b\""}
            << Records{{"1", "2"}} << QList<int>{};
        QTest::newRow("spaces in names and values kept")
            << QByteArray(" a ,b\n\" 1 \",\" 2 \"\n") << QStringList{" a ", "b"} << Records{{" 1 ", " 2 "}}
            << QList<int>{};
        QTest::newRow("repeated name in other case")
            << QByteArray("Name,colour,NAME\n\"a\",\"b\",\"c\"\n") << QStringList{"Name", "colour"}
            << Records{} << QList<int>{PrintError::RepeatedFieldName, PrintError::TooManyFields};
        QTest::newRow("header only") << QByteArray("a,b\r\n") << QStringList{"a", "b"} << Records{}
                                     << QList<int>{};
        QTest::newRow("empty file") << QByteArray() << QStringList{} << Records{}
                                    << QList<int>{PrintError::ListFileEmpty};
        QTest::newRow("no line end at the end")
            << QByteArray("a\r\n\"x\"") << QStringList{"a"} << Records{{"x"}} << QList<int>{};
        QTest::newRow("line feeds") << QByteArray("a,b\n\"1\",\"2\"\n\"3\",\"4\"") << QStringList{"a", "b"}
                                    << Records{{"1", "2"}, {"3", "4"}} << QList<int>{};
        QTest::newRow("carriage returns")
            << QByteArray("a,b\r\"1\",\"2\"\r\"3\",\"4\"\r") << QStringList{"a", "b"}
            << Records{{"1", "2"}, {"3", "4"}} << QList<int>{};
        QTest::newRow("blank lines skipped") << QByteArray("\na\r\n\r\n\"x\"\r\n\r\n\r\n") << QStringList{"a"}
                                             << Records{{"x"}} << QList<int>{};
        QTest::newRow("encodings") << QByteArray("n\xC3\xA4me\n\"caf\xE9\"\n\"\xC3\xA9t\xC3\xA9\"\n")
                                   << QStringList{"näme"} << Records{{"café"}, {"été"}} << QList<int>{};
        QTest::newRow("byte-order mark")
            << QByteArray("\xEF\xBB\xBFid\n\"1\"\n") << QStringList{"id"} << Records{{"1"}} << QList<int>{};
    }

    void readerFillsTheFieldList()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expectedKeys);
        QFETCH(Records, records);
        QFETCH(QList<int>, errors);

        RunFixture fixture;
        fixture.folder.write(QStringLiteral("test.lst"), content);
        fixture.run->OpenListFile();
        QCOMPARE(fixture.run->listFileName(), QStringLiteral("test.lst"));
        QCOMPARE(keys(fixture.run->fieldList()), expectedKeys);
        Records read;
        while (fixture.run->ReadNextRecord())
            read << values(fixture.run->fieldList());
        QCOMPARE(read, records);
        QCOMPARE(fixture.reporter.numbers, errors);
        if (errors.isEmpty())
            QVERIFY(!fixture.run->ReadNextRecord()); // stays at its end
    }

    void errorsNameTheFileAndLine()
    {
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("parts.lst"), "a,b\n\"1\",\"2\"\n\n\"1\",\"2\",\"3\"\n");
        fixture.print();
        QCOMPARE(fixture.reporter.messages.size(), 1);
        QCOMPARE(fixture.reporter.messages.first(),
                 QStringLiteral(
                     "Error 105\r\nLine 4 of parts.lst has 3 fields, but the header line names only 2."));
        QCOMPARE(fixture.surface.pages().size(), 1); // the record before it was printed
        QVERIFY(fixture.surface.ended);
    }

    void noListFile()
    {
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("logo.txt"), "x");
        fixture.print();
        QCOMPARE(fixture.reporter.numbers, (QList<int>{PrintError::NoListFile}));
        QVERIFY(fixture.reporter.messages.first().contains(displayPath(fixture.folder.path())));
        QCOMPARE(fixture.surface.log, QStringList{"end document"});
    }

    void headerOnlyPrintsNothingButEndsTheDocument()
    {
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("a.lst"), "id,name\r\n");
        fixture.print();
        QVERIFY(fixture.reporter.messages.isEmpty());
        QCOMPARE(fixture.surface.log, QStringList{"end document"});
    }

    void workedExample()
    {
        RunFixture fixture;
        fixture.folder.write(
            QStringLiteral("people.lst"),
            "id,name,filename,city,date of birth,phone,notes\r\n"
            "\"17\",\"BRASS lamp\",\"photo17.jpg\",\"\",\"12/03/80\",\"555 123\",\"n/a\"\r\n");
        fixture.print();
        QVERIFY(fixture.reporter.messages.isEmpty());

        const QString line1 = "Id    :" + padded("17", 27) + "Name          :" + padded("BRASS lamp", 27) +
                              "Filename :" + padded("photo17.jpg", 27);
        const QString line2 = "City  :" + padded("", 27) + "Date Of Birth :" + padded("12/03/80", 27) +
                              "Phone    :" + padded("555 123", 27);
        const QString line3 = "Notes :" + padded("n/a", 27);
        QCOMPARE(line1.size(), 113);
        QCOMPARE(line1.indexOf(':') + 1, 7);
        QCOMPARE(line1.indexOf(':', 7) + 1, 49);
        QCOMPARE(line1.indexOf(':', 49) + 1, 86);

        const QList<QStringList> pages = fixture.surface.pages();
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages.first(), (QStringList{
                                    "text (0,0) \"" + line1 + "\"",
                                    "text (0,180) \"" + line2 + "\"",
                                    "text (0,360) \"" + line3 + "\"",
                                    "text (0,15600) \"Quillmarsh\"",
                                    "text (8888,15780) \"07-12-2026  Page :1   \"",
                                }));
        QCOMPARE(fixture.surface.log.mid(fixture.surface.log.size() - 2),
                 (QStringList{"new page", "end document"}));
    }

    void demoFolder()
    {
        RunFixture fixture;
        fixture.folder.copyDemo();
        fixture.print();
        QCOMPARE(fixture.reporter.messages, QStringList{});
        const QList<QStringList> pages = fixture.surface.pages();
        QCOMPARE(pages.size(), 6);
        QCOMPARE(pages.first(),
                 (QStringList{
                     "picture 3000x900 (0,0)",
                     "text (0,1000) \"Id       :" + padded("1001", 27) + "Name :" + padded("Brass lamp", 27) +
                         "Filename :" + padded("lamp.gif", 27) + "\"",
                     "text (0,1180) \"Colour   :" + padded("brass", 27) + "Size :" + padded("45 cm", 27) +
                         "Price    :" + padded("89.00", 27) + "\"",
                     "text (0,1360) \"Supplier :" + padded("Hallam Lighting", 27) + "\"",
                     "picture 4800x3600 in box (0,1640) 4800x3600",
                     "text (8888,15600) \"07-12-2026  Page :1   \"",
                 }));
        // The supplier's accented name comes through as characters, the long picture name whole.
        QVERIFY(pages[2].join('\n').contains("Café Möbel GmbH"));
        QVERIFY(pages[3].join('\n').contains("picture 4500x3000 in box"));
        QVERIFY(pages[3].join('\n').contains("shelf-with-a-long-file-"));
        // The wide mural is narrowed to 400 twips short of the right edge, its height kept.
        QVERIFY(pages[4].join('\n').contains("picture 21000x7500 in box (0,1640) 10600x7500"));
        // The voucher has no picture: its footer follows the grid directly.
        QCOMPARE(pages[5].filter("picture ").size(), 1);
    }

    // Every field is printed: R is the field count over the pairs per row, rounded up, and the
    // last row holds only the fields left over.
    void fieldCountAgainstPairsPerRow_data()
    {
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<int>("fields");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pairsInLastRow");
        QTest::newRow("P3, 1 field") << true << 1 << 1 << 1;
        QTest::newRow("P3, remainder 0") << true << 6 << 2 << 3;
        QTest::newRow("P3, remainder 1") << true << 7 << 3 << 1;
        QTest::newRow("P3, remainder 2") << true << 8 << 3 << 2;
        QTest::newRow("P4, 1 field") << false << 1 << 1 << 1;
        QTest::newRow("P4, 2 fields") << false << 2 << 1 << 2;
        QTest::newRow("P4, remainder 0") << false << 8 << 2 << 4;
        QTest::newRow("P4, remainder 1") << false << 9 << 3 << 1;
        QTest::newRow("P4, remainder 2") << false << 10 << 3 << 2;
        QTest::newRow("P4, remainder 3") << false << 11 << 3 << 3;
    }

    void fieldCountAgainstPairsPerRow()
    {
        QFETCH(bool, portrait);
        QFETCH(int, fields);
        QFETCH(int, rows);
        QFETCH(int, pairsInLastRow);

        QStringList names;
        QStringList record;
        for (int i = 1; i <= fields; ++i) {
            names << QStringLiteral("k%1").arg(i);
            record << QStringLiteral("v%1").arg(i);
        }
        RunFixture fixture;
        fixture.choices.portrait = portrait;
        fixture.folder.write(QStringLiteral("t.lst"),
                             (names.join(',') + "\n\"" + record.join("\",\"") + "\"\n").toUtf8());
        fixture.print();
        QVERIFY(fixture.reporter.messages.isEmpty());
        QCOMPARE(fixture.run->pairsPerRow(), portrait ? 3 : 4);

        QStringList lines = RecordingSurface::texts(fixture.surface.pages().first());
        lines = lines.mid(0, lines.size() - 2); // without the organisation and footer lines
        QCOMPARE(lines.size(), rows);
        // Reading order: row by row, left to right, each key followed by its value.
        const QString all = lines.join('|');
        qsizetype at = 0;
        for (int i = 1; i <= fields; ++i) {
            const qsizetype key = all.indexOf(QRegularExpression(QStringLiteral("K%1 *:v%1 ").arg(i)), at);
            QVERIFY2(key >= at, qPrintable(QStringLiteral("field %1 missing or out of order").arg(i)));
            at = key + 1;
        }
        QCOMPARE(lines.last().count(':'), pairsInLastRow);
        QVERIFY(lines.last().endsWith(padded(record.last(), 27)));
    }

    void valueCells_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("cell");
        QTest::newRow("empty") << "" << QString(27, ' ');
        QTest::newRow("short") << "ab" << padded("ab", 27);
        QTest::newRow("26") << QString(26, 'x') << QString(26, 'x') + ' ';
        QTest::newRow("27 cut") << QString(27, 'y') << QString(26, 'y') + ' ';
        QTest::newRow("long cut") << QString(100, 'z') << QString(26, 'z') + ' ';
        QTest::newRow("accented count as one") << QString(30, QChar(0xE9)) << QString(26, QChar(0xE9)) + ' ';
        QTest::newRow("astral count as one") << QString("📷").repeated(30) << QString("📷").repeated(26) + ' ';
    }

    void valueCells()
    {
        QFETCH(QString, value);
        QFETCH(QString, cell);
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("t.lst"), ("k\n\"" + value + "\"\n").toUtf8());
        fixture.print();
        QCOMPARE(RecordingSurface::texts(fixture.surface.pages().first()).first(), "K :" + cell);
    }

    void keysInProperCase_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("shown");
        QTest::newRow("lower") << "date of birth"
                               << "Date Of Birth";
        QTest::newRow("upper") << "PART NUMBER"
                               << "Part Number";
        QTest::newRow("only spaces start words") << "e-mail/fax_no"
                                                 << "E-mail/fax_no";
        QTest::newRow("double space") << "a  b"
                                      << "A  B";
        QTest::newRow("leading space") << " x"
                                       << " X";
        QTest::newRow("accented") << "ÉCOLE ÉTÉ"
                                  << "École Été";
        QTest::newRow("digits") << "2nd line"
                                << "2nd Line";
    }

    void keysInProperCase()
    {
        QFETCH(QString, key);
        QFETCH(QString, shown);
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("t.lst"), (key + "\n\"v\"\n").toUtf8());
        fixture.print();
        QCOMPARE(RecordingSurface::texts(fixture.surface.pages().first()).first(),
                 shown + " :" + padded("v", 27));
    }

    void pairsPerRowFollowsTheReportedOrientation_data()
    {
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<int>("reported");
        QTest::addColumn<int>("orientationSet");
        QTest::addColumn<int>("pairs");
        QTest::newRow("portrait") << true << 0 << 1 << 3;
        QTest::newRow("landscape") << false << 0 << 2 << 4;
        QTest::newRow("landscape refused") << false << 1 << 2 << 3;
        QTest::newRow("portrait, printer says landscape") << true << 2 << 1 << 4;
    }

    void pairsPerRowFollowsTheReportedOrientation()
    {
        QFETCH(bool, portrait);
        QFETCH(int, reported);
        QFETCH(int, orientationSet);
        QFETCH(int, pairs);
        RunFixture fixture;
        fixture.choices.portrait = portrait;
        fixture.folder.write(QStringLiteral("t.lst"), "a,b,c,d\n\"1\",\"2\",\"3\",\"4\"\n");
        fixture.surface.reportedOrientation = reported;
        fixture.run->cmdPrint_Click(fixture.surface);
        QCOMPARE(fixture.surface.orientationSet, orientationSet);
        QCOMPARE(fixture.surface.fontName(), QStringLiteral("courier"));
        QCOMPARE(fixture.surface.fontSize(), 8.0f);
        QCOMPARE(int(fixture.run->pairsPerRow()), pairs);
        QCOMPARE(RecordingSurface::texts(fixture.surface.pages().first()).size(), (pairs == 3 ? 2 : 1) + 2);
    }

    // A page that fails after something was drawn is ended; one message; the next record starts
    // at the top of a new page. A page that fails before drawing anything leaves the sheet empty.
    void failedPageDoesNotSpoilTheNext_data()
    {
        QTest::addColumn<int>("failSkip");
        QTest::addColumn<int>("pageCount");
        QTest::addColumn<int>("linesOnFirstPage");
        QTest::newRow("second line fails") << 1 << 2 << 1;
        QTest::newRow("first line fails") << 0 << 1 << 0;
        QTest::newRow("footer fails") << 3 << 2 << 3;
    }

    void failedPageDoesNotSpoilTheNext()
    {
        QFETCH(int, failSkip);
        QFETCH(int, pageCount);
        QFETCH(int, linesOnFirstPage);
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("t.lst"),
                             "a,b,c,d\n\"1\",\"2\",\"3\",\"4\"\n\"5\",\"6\",\"7\",\"8\"\n");
        fixture.surface.failOn = QStringLiteral("text");
        fixture.surface.failSkip = failSkip;
        fixture.run->cmdPrint_Click(fixture.surface);
        QCOMPARE(fixture.reporter.numbers, QList<int>{PrintError::PrinterFailed});
        const QList<QStringList> pages = fixture.surface.pages();
        QCOMPARE(pages.size(), pageCount);
        if (pageCount == 2)
            QCOMPARE(pages.first().size(), linesOnFirstPage);
        const QStringList last = pages.last();
        QCOMPARE(last.first(), "text (0,0) \"A :" + padded("5", 27) + "B :" + padded("6", 27) +
                                   "C :" + padded("7", 27) + "\"");
        QCOMPARE(last.size(), 4);
        QVERIFY(fixture.surface.ended);
    }

    void everyRunStartsClean()
    {
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("t.lst"), "a,b\n\"1\",\"2\"\n\"3\",\"4\"\n");
        QVERIFY(!fixture.run->closeListFile()); // nothing open before the first run
        QCOMPARE(fixture.run->listFileNumber(), 0);
        const QStringList first = fixture.print().log;
        QVERIFY(fixture.run->listFileOpen());
        const QStringList second = fixture.print().log;
        QCOMPARE(second, first);
        QCOMPARE(fixture.surface.pages().size(), 2);
        QVERIFY(fixture.reporter.messages.isEmpty());
        QCOMPARE(fixture.run->fieldList().count(), 2);
        QVERIFY(fixture.run->closeListFile());
        QVERIFY(!fixture.run->closeListFile());
    }

    void progressCountsRecords()
    {
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("t.lst"), "a\n\"1\"\n\"2\"\n\"3\"\n");
        QList<qint64> seen;
        fixture.run->setProgressHandler([&seen](qint64 done) { seen << done; });
        fixture.print();
        QCOMPARE(seen, (QList<qint64>{1, 2, 3}));
    }

    // Records chosen by number from a list file that is named rather than searched for: the others
    // are read past without being split (record 8 has too many fields, an error only when it is
    // chosen), reading ends after the last record chosen, and the footers count the pages printed.
    void recordSelection_data()
    {
        QTest::addColumn<QString>("records");
        QTest::addColumn<QStringList>("printed"); // the ids on the pages, in order
        QTest::addColumn<QList<int>>("errors");
        QTest::addColumn<qint64>("read"); // the records read

        QTest::newRow("every record") << "" << QStringList{"11", "12", "13", "14", "15", "16", "17"}
                                      << QList<int>{PrintError::TooManyFields} << qint64(8);
        QTest::newRow("ranges, the rest unread")
            << "2-3,5" << QStringList{"12", "13", "15"} << QList<int>{} << qint64(5);
        QTest::newRow("open range") << "6-" << QStringList{"16", "17"}
                                    << QList<int>{PrintError::TooManyFields} << qint64(8);
        QTest::newRow("up to the bad record")
            << "1-7" << QStringList{"11", "12", "13", "14", "15", "16", "17"} << QList<int>{} << qint64(7);
        QTest::newRow("the bad record alone")
            << "8" << QStringList{} << QList<int>{PrintError::TooManyFields} << qint64(8);
        QTest::newRow("past the end") << "9-20" << QStringList{} << QList<int>{} << qint64(8);
    }
    void recordSelection()
    {
        QFETCH(QString, records);
        QFETCH(QStringList, printed);
        QFETCH(QList<int>, errors);
        QFETCH(qint64, read);

        RunFixture fixture;
        fixture.folder.write("a.lst", "first,in,name,order\n\"x\",\"x\",\"x\",\"x\"\n");
        QByteArray list("id,name\n");
        for (int id = 11; id <= 17; ++id)
            list += "\"" + QByteArray::number(id) + "\",\"Part " + QByteArray::number(id) + "\"\n" +
                    (id == 13 ? "\n" : ""); // an empty line is not a record
        list += "\"18\",\"Part 18\",\"one field too many\"\n";
        fixture.folder.write("b.lst", list);
        fixture.run->setListFileChoice("b.lst");
        if (!records.isEmpty())
            fixture.run->setRecordSelection(*RecordSelection::parse(records));

        const QList<QStringList> pages = fixture.print().pages();
        QCOMPARE(fixture.run->listFileName(), QStringLiteral("b.lst"));
        QCOMPARE(fixture.reporter.numbers, errors);
        QCOMPARE(fixture.run->recordsRead(), read);
        QCOMPARE(pages.size(), printed.size());
        for (int page = 0; page < pages.size(); ++page) {
            const QStringList texts = RecordingSurface::texts(pages[page]);
            QVERIFY2(texts.first().contains(QStringLiteral(":%1 ").arg(printed[page])),
                     qPrintable(texts.first()));
            QCOMPARE(texts.last(), QStringLiteral("07-12-2026  Page :%1").arg(PrintRun::pageField(page + 1)));
        }
    }

    // A stop asked for from outside: taken up after the page being drawn, the document discarded
    // instead of ended; one that comes after the last page changes nothing; and the request is used
    // up, so the next run prints everything.
    void stopRequest_data()
    {
        QTest::addColumn<int>("stopAfter"); // pages; -1: asked before the run
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("discarded");
        QTest::newRow("before the run") << -1 << 0 << true;
        QTest::newRow("after the first page") << 1 << 1 << true;
        QTest::newRow("after page 3 of 5") << 3 << 3 << true;
        QTest::newRow("after the last page") << 5 << 5 << false;
    }
    void stopRequest()
    {
        QFETCH(int, stopAfter);
        QFETCH(int, pages);
        QFETCH(bool, discarded);

        RunFixture fixture;
        fixture.folder.write("t.lst", "a\n\"1\"\n\"2\"\n\"3\"\n\"4\"\n\"5\"\n");
        PrintRun &run = *fixture.run;
        run.setProgressHandler([&run, stopAfter](qint64 done) {
            if (done == stopAfter)
                run.requestStop();
        });
        if (stopAfter < 0)
            run.requestStop();
        const RecordingSurface &surface = fixture.print();
        QCOMPARE(surface.log.count("new page"), pages);
        QCOMPARE(surface.log.last(),
                 discarded ? QStringLiteral("discard document") : QStringLiteral("end document"));
        QCOMPARE(run.stopped(), discarded);
        QCOMPARE(run.recordsPrinted(), qint64(pages));
        QVERIFY(!run.stopRequested());

        run.setProgressHandler({});
        QCOMPARE(fixture.print().log.count("new page"), 5);
        QCOMPARE(fixture.surface.log.last(), QStringLiteral("end document"));
        QVERIFY(!run.stopped());
    }

    void printerFailureOutsidePagesReachesTheCaller()
    {
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("t.lst"), "a\n\"1\"\n");
        fixture.surface.failOn = QStringLiteral("end document");
        QVERIFY_THROWS_EXCEPTION(PrintError, fixture.run->cmdPrint_Click(fixture.surface));
        QVERIFY(fixture.reporter.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPrintRun)
#include "tst_printrun.moc"
