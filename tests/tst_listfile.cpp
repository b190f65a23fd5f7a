// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "listfile.h"
#include "printerror.h"
#include "testsupport.h"

#include <QtTest>

#include <sys/stat.h>

namespace {

QStringList toStrings(const QList<QStringView> &parts)
{
    QStringList result;
    for (const QStringView part : parts)
        result << part.toString();
    return result;
}

// All lines a reader returns, with their line numbers.
QStringList readAll(const QString &path, QList<qint64> *numbers = nullptr)
{
    ListFileReader reader(path, QStringLiteral("test.lst"));
    reader.open();
    QStringList lines;
    while (const auto line = reader.readLine()) {
        lines << *line;
        if (numbers)
            *numbers << reader.lineNumber();
    }
    return lines;
}

} // namespace

class TestListFile : public QObject
{
    Q_OBJECT

private slots:
    void splitsAtEverySeparator_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("header") << "name,colour,filename"
                                << "," << QStringList{"name", "colour", "filename"};
        QTest::newRow("empty names") << ",a,,"
                                     << "," << QStringList{"", "a", "", ""};
        QTest::newRow("spaces kept") << " a , b"
                                     << "," << QStringList{" a ", " b"};
        QTest::newRow("record") << "\"Lamp\",\"red, large\",\"lamp.gif\""
                                << "\",\"" << QStringList{"\"Lamp", "red, large", "lamp.gif\""};
        QTest::newRow("comma space quote is not a separator") << "\"a\", \"b\",\"c\""
                                                              << "\",\"" << QStringList{"\"a\", \"b", "c\""};
        QTest::newRow("no separator") << "a,b,c"
                                      << "\",\"" << QStringList{"a,b,c"};
        QTest::newRow("separators in a row") << "\"a\",\"\",\"b\""
                                             << "\",\"" << QStringList{"\"a", "", "b\""};
        QTest::newRow("overlapping quotes") << "a\",\",\",b"
                                            << "\",\"" << QStringList{"a", ",\",b"};
        QTest::newRow("only a separator") << "\",\""
                                          << "\",\"" << QStringList{"", ""};
    }

    void splitsAtEverySeparator()
    {
        QFETCH(QString, line);
        QFETCH(QString, separator);
        QFETCH(QStringList, parts);
        QCOMPARE(toStrings(splitLine(line, separator, QStringLiteral("here"))), parts);
    }

    void moreThan32767FieldsOverflow()
    {
        const QString most = QString(32766, QLatin1Char(','));
        QCOMPARE(splitLine(most, QStringLiteral(","), QStringLiteral("x")).size(), 32767);
        try {
            (void)splitLine(most + QLatin1Char(','), QStringLiteral(","), QStringLiteral("Line 1 of a.lst"));
            QFAIL("no overflow");
        } catch (const PrintError &error) {
            QCOMPARE(error.number(), int(PrintError::FieldCountOverflow));
            QVERIFY(error.description().startsWith(QLatin1String("Line 1 of a.lst")));
        }
    }

    void decodesUtf8OrWindows1252_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("plain") << QStringLiteral("plain");
        QTest::newRow("utf-8") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC") << QStringLiteral("café €");
        QTest::newRow("utf-8 astral") << QByteArray("\xF0\x9F\x93\xB7") << QStringLiteral("📷");
        QTest::newRow("1252 accent") << QByteArray("caf\xE9") << QStringLiteral("café");
        QTest::newRow("1252 euro and quotes") << QByteArray("\x80\x93x\x94") << QStringLiteral("€“x”");
        QTest::newRow("1252 unassigned") << QByteArray("\x81") << QStringLiteral("\u0081");
        QTest::newRow("truncated utf-8") << QByteArray("ab\xC3") << QStringLiteral("abÃ");
        QTest::newRow("overlong utf-8") << QByteArray("\xC0\xAF") << QStringLiteral("À¯");
        QTest::newRow("nul kept") << QByteArray("a\0b", 3) << QString(QStringLiteral("a") + QChar(0) + "b");
    }

    void decodesUtf8OrWindows1252()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeLine(bytes), text);
    }

    void everyLineEndEndsALine_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<qint64>>("numbers");
        QTest::newRow("CR LF") << QByteArray("h\r\na\r\nb\r\n") << QStringList{"h", "a", "b"}
                               << QList<qint64>{1, 2, 3};
        QTest::newRow("CR") << QByteArray("h\ra\rb\r") << QStringList{"h", "a", "b"}
                            << QList<qint64>{1, 2, 3};
        QTest::newRow("LF") << QByteArray("h\na\nb\n") << QStringList{"h", "a", "b"}
                            << QList<qint64>{1, 2, 3};
        QTest::newRow("mixed") << QByteArray("h\na\r\nb\rc") << QStringList{"h", "a", "b", "c"}
                               << QList<qint64>{1, 2, 3, 4};
        QTest::newRow("no end on last line")
            << QByteArray("h\r\nlast") << QStringList{"h", "last"} << QList<qint64>{1, 2};
        QTest::newRow("empty lines skipped but counted")
            << QByteArray("\r\nh\r\n\r\n\na\n\n") << QStringList{"h", "a"} << QList<qint64>{2, 5};
        QTest::newRow("LF CR is two line ends")
            << QByteArray("h\n\ra") << QStringList{"h", "a"} << QList<qint64>{1, 3};
        QTest::newRow("byte-order mark dropped")
            << QByteArray("\xEF\xBB\xBFh\na") << QStringList{"h", "a"} << QList<qint64>{1, 2};
        QTest::newRow("mark only at the start")
            << QByteArray("h\n\xEF\xBB\xBF"
                          "a")
            << QStringList{"h", QChar(0xFEFF) + QString("a")} << QList<qint64>{1, 2};
        QTest::newRow("empty file") << QByteArray() << QStringList{} << QList<qint64>{};
        QTest::newRow("only line ends") << QByteArray("\r\n\n\r") << QStringList{} << QList<qint64>{};
        QTest::newRow("encodings per line")
            << QByteArray("caf\xC3\xA9\ncaf\xE9") << QStringList{"café", "café"} << QList<qint64>{1, 2};
    }

    void everyLineEndEndsALine()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, lines);
        QFETCH(QList<qint64>, numbers);
        ProgramFolder folder;
        folder.write(QStringLiteral("test.lst"), content);
        QList<qint64> seen;
        QCOMPARE(readAll(folder.filePath(QStringLiteral("test.lst")), &seen), lines);
        QCOMPARE(seen, numbers);
        QCOMPARE(ListFileReader::countLines(folder.filePath(QStringLiteral("test.lst"))),
                 qint64(lines.size()));
    }

    // A file that starts with the byte-order mark of UTF-16 is read as UTF-16, little- or
    // big-endian, with the line rules of any list file; the count of records agrees.
    void readsUtf16WithItsMark_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<qint64>>("numbers");
        const struct
        {
            const char *name;
            QString text;
            QStringList lines;
            QList<qint64> numbers;
        } rows[] = {
            {"CR LF", "id,name\r\n\"1\",\"Lamp\"\r\n", {"id,name", "\"1\",\"Lamp\""}, {1, 2}},
            {"CR and LF", "h\ra\nb", {"h", "a", "b"}, {1, 2, 3}},
            {"empty lines skipped but counted", "\r\nh\r\n\r\n\na\n\n", {"h", "a"}, {2, 5}},
            {"LF CR is two line ends", "h\n\ra", {"h", "a"}, {1, 3}},
            {"accents, euro and astral", "café €\n📷x", {"café €", "📷x"}, {1, 2}},
            // Code units whose bytes are those of CR and LF end no line.
            {"units holding CR and LF bytes",
             QStringLiteral("\u0D0A\u0A0D\u0A0A\n\u0D0D"),
             {"\u0D0A\u0A0D\u0A0A", "\u0D0D"},
             {1, 2}},
            {"NUL units kept", QString("a") + QChar(0) + "b", {QString("a") + QChar(0) + "b"}, {1}},
            {"lone surrogate kept",
             QString("a") + QChar(0xD800) + "b",
             {QString("a") + QChar(0xD800) + "b"},
             {1}},
            {"mark only at the start",
             QString("h\n") + QChar(0xFEFF) + "a",
             {"h", QChar(0xFEFF) + QString("a")},
             {1, 2}},
            {"only the mark", "", {}, {}},
        };
        for (const auto &row : rows) {
            for (const bool bigEndian : {false, true}) {
                QTest::addRow("%s, %s", row.name, bigEndian ? "big-endian" : "little-endian")
                    << utf16WithMark(row.text, bigEndian) << row.lines << row.numbers;
            }
        }
        QTest::newRow("odd last byte") << utf16WithMark("h\nab", false) + 'c'
                                       << QStringList{"h", QStringLiteral("ab\uFFFD")} << QList<qint64>{1, 2};
        QTest::newRow("odd byte alone on the last line")
            << utf16WithMark("h\n", true) + 'c' << QStringList{"h", QStringLiteral("\uFFFD")}
            << QList<qint64>{1, 2};
        // Without a mark, UTF-16 is not guessed at: the bytes are read as they are.
        QTest::newRow("no mark") << utf16WithMark("h", false).mid(2) << QStringList{QString("h") + QChar(0)}
                                 << QList<qint64>{1};
    }

    void readsUtf16WithItsMark() { everyLineEndEndsALine(); }

    // A CR LF pair of UTF-16 units split between two reads is one line end.
    void utf16LineEndsAcrossReadChunks()
    {
        for (const int units : {32765, 32766, 32767}) {
            const QString first(units - 1, QLatin1Char('x')); // the mark is the first unit
            for (const bool bigEndian : {false, true}) {
                ProgramFolder folder;
                folder.write(QStringLiteral("test.lst"),
                             utf16WithMark(first + "\r\nnext\r\nlast", bigEndian));
                QList<qint64> numbers;
                QCOMPARE(readAll(folder.filePath(QStringLiteral("test.lst")), &numbers),
                         (QStringList{first, "next", "last"}));
                QCOMPARE(numbers, (QList<qint64>{1, 2, 3}));
            }
        }
    }

    // The 16 MiB limit counts the bytes of the file: 8 Mi units of UTF-16.
    void overlongUtf16LineIsRefused()
    {
        ProgramFolder folder;
        const qsizetype most = ListFileReader::MaxLineBytes / 2;
        folder.write(
            QStringLiteral("test.lst"),
            utf16WithMark("h\n" + QString(most, 'a') + "\n" + QString(most + 1, 'b') + "\nafter", false));
        ListFileReader reader(folder.filePath(QStringLiteral("test.lst")), QStringLiteral("test.lst"));
        reader.open();
        QCOMPARE(*reader.readLine(), QStringLiteral("h"));
        QCOMPARE(reader.readLine()->size(), most);
        QVERIFY_THROWS_EXCEPTION(PrintError, (void)reader.readLine());
        QCOMPARE(reader.readLine(), std::optional<QString>(QStringLiteral("after")));
        QCOMPARE(reader.lineNumber(), 4);
    }

    void lineEndsAcrossReadChunks()
    {
        // A CR LF split between two reads of the file is still one line end.
        for (const int offset : {65534, 65535, 65536}) {
            QByteArray content(offset, 'x');
            content += "\r\nnext\r\nlast";
            ProgramFolder folder;
            folder.write(QStringLiteral("test.lst"), content);
            QList<qint64> numbers;
            const QStringList lines = readAll(folder.filePath(QStringLiteral("test.lst")), &numbers);
            QCOMPARE(lines.size(), 3);
            QCOMPARE(lines[0].size(), offset);
            QCOMPARE(lines.mid(1), (QStringList{"next", "last"}));
            QCOMPARE(numbers, (QList<qint64>{1, 2, 3}));
        }
    }

    void overlongLineIsRefused()
    {
        ProgramFolder folder;
        QByteArray content("header\n");
        content += QByteArray(ListFileReader::MaxLineBytes, 'a'); // exactly the limit: fine
        content += "\n";
        content += QByteArray(ListFileReader::MaxLineBytes + 1, 'b');
        content += "\nafter\n";
        folder.write(QStringLiteral("test.lst"), content);
        ListFileReader reader(folder.filePath(QStringLiteral("test.lst")), QStringLiteral("test.lst"));
        reader.open();
        QCOMPARE(*reader.readLine(), QStringLiteral("header"));
        QCOMPARE(reader.readLine()->size(), ListFileReader::MaxLineBytes);
        try {
            (void)reader.readLine();
            QFAIL("an overlong line was read");
        } catch (const PrintError &error) {
            QCOMPARE(error.number(), int(PrintError::LineTooLong));
            QVERIFY2(error.description().contains(QLatin1String("Line 3 of test.lst")),
                     qPrintable(error.description()));
        }
        // Reading goes on after the overlong line, not in the middle of it.
        QCOMPARE(reader.readLine(), std::optional<QString>(QStringLiteral("after")));
        QCOMPARE(reader.lineNumber(), 4);
        QCOMPARE(reader.readLine(), std::nullopt);
    }

    void findsTheListFile_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("found");
        QTest::newRow("none") << QStringList{"logo.gif", "notes.txt"} << QString();
        QTest::newRow("one") << QStringList{"logo.gif", "parts.lst"} << "parts.lst";
        QTest::newRow("upper-case suffix") << QStringList{"PARTS.LST"} << "PARTS.LST";
        QTest::newRow("first in name order")
            << QStringList{"zeta.lst", "Beta.lst", "alpha.lst"} << "alpha.lst";
        QTest::newRow("case does not decide order") << QStringList{"b.lst", "A.lst"} << "A.lst";
        QTest::newRow("hidden skipped") << QStringList{".hidden.lst", "shown.lst"} << "shown.lst";
        QTest::newRow("suffix must end the name") << QStringList{"parts.lst.bak", "parts.lstx"} << QString();
    }

    void findsTheListFile()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, found);
        ProgramFolder folder;
        for (const QString &name : files)
            folder.write(name, "h\n");
        QCOMPARE(findListFile(folder.path()), found);
    }

    void onlyOrdinaryFilesAreListFiles()
    {
        ProgramFolder folder;
        folder.makeFolder(QStringLiteral("a-folder.lst"));
        QVERIFY(::mkfifo(QFile::encodeName(folder.filePath(QStringLiteral("b-fifo.lst"))).constData(),
                         0600) == 0);
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("missing")),
                            folder.filePath(QStringLiteral("c-dangling.lst"))));
        QVERIFY(::mkfifo(QFile::encodeName(folder.filePath(QStringLiteral("fifo"))).constData(), 0600) == 0);
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("fifo")),
                            folder.filePath(QStringLiteral("d-fifo-link.lst"))));
        QCOMPARE(findListFile(folder.path()), QString());
        folder.write(QStringLiteral("z.lst"), "h\n");
        QCOMPARE(findListFile(folder.path()), QStringLiteral("z.lst"));
    }

    void openingAFifoNeitherHangsNorReads()
    {
        ProgramFolder folder;
        const QString fifo = folder.filePath(QStringLiteral("fifo.lst"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        ListFileReader reader(fifo, QStringLiteral("fifo.lst"));
        try {
            reader.open();
            QFAIL("a FIFO was opened as a list file");
        } catch (const PrintError &error) {
            QCOMPARE(error.number(), int(PrintError::ListFileNotReadable));
        }
        QVERIFY(!reader.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
