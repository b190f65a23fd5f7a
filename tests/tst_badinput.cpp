// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "testsupport.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Records of a list file as the reader sees them: non-empty lines after the first, where CR LF,
// CR and LF each end a line.
int recordCount(const QByteArray &content)
{
    int lines = 0;
    bool inLine = false;
    for (const char c : content) {
        const bool end = c == '\r' || c == '\n';
        if (!end && !inLine)
            ++lines;
        inLine = !end;
    }
    return std::max(0, lines - 1);
}

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The program folder "prog" inside a scratch folder, so that a picture name can reach for a file
// just outside it ("../outside.gif") that exists.
struct BadInputRun
{
    QTemporaryDir root;
    QString prog;
    RecordingSurface surface;
    CapturingReporter reporter;
    FixedChoices choices;
    PictureSlot image1;

    BadInputRun() : prog(root.filePath(QStringLiteral("prog")))
    {
        QDir(root.path()).mkpath(QStringLiteral("prog"));
        // A sheet with quarter-inch margins around the printable area, as the PDF has.
        surface.rightEdge = surface.width + 360;
        surface.bottomEdge = surface.height + 360;
    }

    // One file set up in the program folder: "kind:name". Kinds: gif, jpg (sound pictures), cut-gif,
    // cut-jpg (cut short), closed-gif, closed-jpg (picture data cut short, the file properly
    // ended), rle-gaps (a run-length coded BMP whose runs stop at once), many-scans (a JPEG of 300
    // scans), svg-outside, svg-fifo (SVGs naming a picture outside the folder, a FIFO), empty, text
    // (not a picture), huge (claims 65,535 x 65,535 pixels), folder, fifo, dangling (a link to
    // nothing), fifo-link (a link to a FIFO).
    void prepare(const QString &instruction) const
    {
        const qsizetype colon = instruction.indexOf(QLatin1Char(':'));
        const QString kind = instruction.left(colon);
        const QString path = QDir(prog).filePath(instruction.mid(colon + 1));
        const QByteArray local = QFile::encodeName(path);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(60, 40, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 4, y * 6, (x * y) % 256));
        if (kind == QLatin1String("gif")) {
            write(path, makeGif(60, 40));
        } else if (kind == QLatin1String("jpg")) {
            QVERIFY(image.save(path, "jpg"));
        } else if (kind == QLatin1String("cut-gif")) {
            const QByteArray gif = makeGif(60, 40);
            write(path, gif.left(gif.size() / 2));
        } else if (kind == QLatin1String("cut-jpg")) {
            QVERIFY(image.save(path, "jpg"));
            const QByteArray jpeg = fileContent(path);
            write(path, jpeg.left(jpeg.size() * 3 / 4));
        } else if (kind == QLatin1String("closed-gif")) {
            write(path, makeGif(60, 40, 60 * 20));
        } else if (kind == QLatin1String("closed-jpg")) {
            QVERIFY(image.save(path, "jpg"));
            const QByteArray jpeg = fileContent(path);
            write(path, jpeg.left(jpeg.size() * 3 / 4) + "\xFF\xD9");
        } else if (kind == QLatin1String("rle-gaps")) {
            write(path, makeRleBmp(8, 60, 40, QByteArray("\0\1", 2)));
        } else if (kind == QLatin1String("many-scans")) {
            write(path, makeJpegWithScans(60, 40, 300));
        } else if (kind == QLatin1String("svg-outside") || kind == QLatin1String("svg-fifo")) {
            QString named = root.filePath(QStringLiteral("outside.gif"));
            if (kind == QLatin1String("svg-fifo")) {
                named = root.filePath(QStringLiteral("fifo-for-svg"));
                QVERIFY(::mkfifo(QFile::encodeName(named).constData(), 0600) == 0);
            }
            write(path,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                  "width=\"60\" height=\"40\"><image width=\"60\" height=\"40\" xlink:href=\"" +
                      QFile::encodeName(named) + "\"/></svg>");
        } else if (kind == QLatin1String("empty")) {
            write(path, QByteArray());
        } else if (kind == QLatin1String("text")) {
            write(path, "id,name\r\n\"1\",\"not a picture\"\r\n");
        } else if (kind == QLatin1String("huge")) {
            write(path, makeGif(65535, 65535, 1));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == QLatin1String("fifo")) {
            QVERIFY(::mkfifo(local.constData(), 0600) == 0);
        } else if (kind == QLatin1String("dangling")) {
            QVERIFY(QFile::link(QDir(prog).filePath(QStringLiteral("nothing-here")), path));
        } else if (kind == QLatin1String("fifo-link")) {
            const QString fifo = root.filePath(QStringLiteral("fifo-elsewhere"));
            QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
            QVERIFY(QFile::link(fifo, path));
        } else {
            QFAIL(qPrintable("unknown set-up " + instruction));
        }
    }

    static void write(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(content), content.size());
    }
};

using IntList = QList<int>;

} // namespace

// Input that is wrong in every way a list file, a logo or a picture can be. Each case ends with
// errors that say what is wrong and where, or with sound pages, never a crash or a hang; memory
// stays within a bound; and every file that was in the folder is unchanged afterwards.
class TestBadInput : public QObject
{
    Q_OBJECT

private slots:
    void endsWithAClearErrorOrASoundPage_data()
    {
        QTest::addColumn<QByteArray>("list");      // the content of t.lst; a null array writes none
        QTest::addColumn<QStringList>("setup");    // other files, see BadInputRun::prepare
        QTest::addColumn<IntList>("errors");       // the numbers reported, in order
        QTest::addColumn<QStringList>("mentions"); // what each error's description names
        QTest::addColumn<int>("pages");
        QTest::addColumn<IntList>("picturesPerPage"); // pictures drawn on each page; empty: not checked
        QTest::addColumn<int>("memoryMiB");           // bound on the run's peak memory growth

        const QStringList none;
        const IntList noErrors;
        const QString prog = QStringLiteral("%prog");

        // Binary garbage without quotes, so that every line is one field: one page per line.
        QByteArray garbage(64 * 1024, Qt::Uninitialized);
        QRandomGenerator random(20261207);
        for (char &c : garbage) {
            c = char(random.bounded(256));
            if (c == '"')
                c = 'q';
        }
        QTest::newRow("binary garbage")
            << garbage << none << noErrors << none << recordCount(garbage) << IntList{} << 32;

        QTest::newRow("NUL bytes in fields") << QByteArrayLiteral("id,na\0me\n\"1\0\",\"a\0b\"\n") << none
                                             << noErrors << none << 1 << IntList{0} << 32;
        QTest::newRow("invalid UTF-8 read as Windows-1252")
            << QByteArray("id,name\n\"\xC3\x28\",\"\xED\xA0\x80\xF8\"\n") << none << noErrors << none << 1
            << IntList{0} << 32;

        QByteArray wide;
        for (int i = 0; i < 40000; ++i)
            wide += (i ? "," : "") + QByteArray::number(i);
        QTest::newRow("header of 40,000 fields")
            << wide + "\n\"1\"\n"
            << none << IntList{PrintError::FieldCountOverflow, PrintError::TooManyFields}
            << QStringList{"The header line of t.lst", "Line 2 of t.lst"} << 0 << IntList{} << 32;

        QByteArray longLine("id,name\n\"1\",\"before\"\n\"2\",\"");
        longLine += QByteArray(ListFileReader::MaxLineBytes + 1, 'x');
        longLine += "\"\n\"3\",\"after\"\n";
        QTest::newRow("line over 16 MiB") << longLine << none << IntList{PrintError::LineTooLong}
                                          << QStringList{"Line 3 of t.lst"} << 1 << IntList{0} << 128;

        QByteArray longHeader = QByteArray(ListFileReader::MaxLineBytes + 100, 'h') + "\r\n\"1\"\r\n";
        QTest::newRow("header over 16 MiB")
            << longHeader << none << IntList{PrintError::LineTooLong, PrintError::TooManyFields}
            << QStringList{"Line 1 of t.lst", "Line 2 of t.lst"} << 0 << IntList{} << 128;

        // A page costs what shows on it: one long name among as many names as a line may hold
        // neither pads every line of its column nor builds the lines that fall off the sheet.
        for (const int length : {20000, 200000}) {
            QByteArray names(length, 'n');
            for (int i = 1; i < 32767; ++i)
                names += ",f" + QByteArray::number(i);
            QTest::addRow("field name of %d characters among 32,767", length)
                << names + "\r\n\"1\"\r\n"
                << none << noErrors << none << 1 << IntList{0} << 32;
        }

        QTest::newRow("more fields than the header")
            << QByteArray("a,b\r\n\"1\",\"2\"\r\n\"3\",\"4\"\r\n\"5\",\"6\",\"7\"\r\n\"8\",\"9\"\r\n") << none
            << IntList{PrintError::TooManyFields} << QStringList{"Line 4 of t.lst"} << 2 << IntList{0, 0}
            << 32;

        // What is not an ordinary file is not taken as the list file: the next one in name order is.
        for (const char *kind : {"folder", "fifo", "dangling", "fifo-link"}) {
            QTest::addRow("list file that is a %s", kind)
                << QByteArray() << QStringList{QString::fromLatin1(kind) + ":a.lst"}
                << IntList{PrintError::NoListFile} << QStringList{prog} << 0 << IntList{} << 32;
            QTest::addRow("%s before the real list file", kind)
                << QByteArray("id\n\"1\"\n") << QStringList{QString::fromLatin1(kind) + ":a.lst"} << noErrors
                << none << 1 << IntList{0} << 32;
        }

        // A bad picture is an error for its page only; the next record starts on a fresh page and
        // gets its picture.
        const QByteArray twoPictures("id,filename\n\"1\",\"bad.gif\"\n\"2\",\"good.gif\"\n");
        const struct
        {
            const char *name;
            const char *kind;
            int number;
        } badPictures[] = {
            {"picture cut short (GIF)", "cut-gif", PrintError::PictureNotReadable},
            {"picture cut short (JPEG)", "cut-jpg", PrintError::PictureNotReadable},
            {"picture data cut short, file properly ended (GIF)", "closed-gif",
             PrintError::PictureNotReadable},
            {"picture whose runs leave pixels unwritten (BMP)", "rle-gaps", PrintError::PictureNotReadable},
            {"picture of 300 scans (JPEG)", "many-scans", PrintError::PictureTooLarge},
            {"SVG naming a picture outside the folder", "svg-outside", PrintError::PictureNotReadable},
            {"SVG naming a FIFO", "svg-fifo", PrintError::PictureNotReadable},
            {"picture of zero bytes", "empty", PrintError::PictureNotReadable},
            {"picture that is not a picture", "text", PrintError::PictureNotReadable},
            {"picture claiming 65,535 x 65,535 pixels", "huge", PrintError::PictureTooLarge},
        };
        for (const auto &bad : badPictures) {
            QTest::newRow(bad.name) << twoPictures
                                    << QStringList{QStringLiteral("%1:bad.gif").arg(bad.kind), "gif:good.gif"}
                                    << IntList{bad.number} << QStringList{prog + "/bad.gif"} << 2
                                    << IntList{0, 1} << 32;
        }

        // A JPEG goes to the page as its own bytes only once its decoder has read all of its data:
        // one whose picture data stops early is refused, even when the file is properly ended.
        QTest::newRow("picture data cut short, file properly ended (JPEG)")
            << twoPictures << QStringList{"closed-jpg:bad.gif", "gif:good.gif"}
            << IntList{PrintError::PictureNotReadable} << QStringList{prog + "/bad.gif"} << 2 << IntList{0, 1}
            << 32;

        // Pictures that are not files are not opened (a FIFO would wait for ever): no picture.
        for (const char *kind : {"folder", "fifo", "fifo-link", "dangling"}) {
            QTest::addRow("picture that is a %s", kind)
                << twoPictures << QStringList{QString::fromLatin1(kind) + ":bad.gif", "gif:good.gif"}
                << noErrors << none << 2 << IntList{0, 1} << 32;
        }

        QTest::newRow("logo that is a folder")
            << QByteArray("id,filename\n\"1\",\"good.gif\"\n")
            << QStringList{"folder:logo.gif", "gif:good.gif"} << noErrors << none << 1 << IntList{1} << 32;

        // Picture names: never outside the program folder; backslashes separate folders.
        const QByteArray names(
            "id,filename\n\"1\",\"../outside.gif\"\n\"2\",\"%root/outside.gif\"\n"
            "\"3\",\"sub\\pic.gif\"\n\"4\",\"sub/../../outside.gif\"\n\"5\",\"..\\\\outside.gif\"\n"
            "\"6\",\"  sub\\pic.gif  \"\n");
        QTest::newRow("picture names") << names << QStringList{"gif:sub/pic.gif"} << noErrors << none << 6
                                       << IntList{0, 0, 1, 0, 0, 1} << 32;
    }

    void endsWithAClearErrorOrASoundPage()
    {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, setup);
        QFETCH(IntList, errors);
        QFETCH(QStringList, mentions);
        QFETCH(int, pages);
        QFETCH(IntList, picturesPerPage);
        QFETCH(int, memoryMiB);

        BadInputRun fixture;
        QVERIFY(fixture.root.isValid());
        BadInputRun::write(fixture.root.filePath(QStringLiteral("outside.gif")), makeGif(30, 20));
        for (const QString &instruction : setup)
            fixture.prepare(instruction);
        if (!list.isNull())
            BadInputRun::write(QDir(fixture.prog).filePath(QStringLiteral("t.lst")),
                               QByteArray(list).replace("%root", QFile::encodeName(fixture.root.path())));
        if (QTest::currentTestFailed())
            return;

        const FolderSnapshot before(fixture.root.path());
        const bool peakKnown = resetPeakRss();
        const qint64 startKiB = peakRssKiB();
        QElapsedTimer clock;
        clock.start();
        PrintRun run(fixture.prog, fixture.image1, fixture.reporter, fixture.choices);
        run.cmdPrint_Click(fixture.surface);
        const qint64 grownKiB = peakRssKiB() - startKiB;
        // Generous even under the sanitizers; a run that builds what cannot show takes minutes.
        QVERIFY2(clock.elapsed() < 30000,
                 qPrintable(QStringLiteral("the run took %1 ms").arg(clock.elapsed())));

        QCOMPARE(fixture.reporter.numbers, errors);
        QCOMPARE(fixture.reporter.messages.size(), mentions.size());
        for (qsizetype i = 0; i < mentions.size(); ++i) {
            const QString named = QString(mentions[i]).replace("%prog", displayPath(fixture.prog));
            QVERIFY2(fixture.reporter.messages[i].contains(named),
                     qPrintable(fixture.reporter.messages[i] + " does not name " + named));
        }

        QVERIFY(fixture.surface.ended);
        const QList<QStringList> printed = fixture.surface.pages();
        QCOMPARE(printed.size(), pages);
        for (const QStringList &page : printed) {
            // Every page starts at the top-left corner: with the logo or the first grid line.
            QVERIFY(!page.isEmpty());
            QVERIFY2(page.first().contains(QLatin1String(" (0,0)")), qPrintable(page.first()));
        }
        if (!picturesPerPage.isEmpty()) {
            IntList drawn;
            for (const QStringList &page : printed)
                drawn << int(page.filter(QRegularExpression(QStringLiteral("^picture .* in box"))).size());
            QCOMPARE(drawn, picturesPerPage);
        }

        const FolderSnapshot after(fixture.root.path());
        QCOMPARE(after.changesSince(before), QStringList{});
        QCOMPARE(after.addedSince(before), QStringList{});

#if !defined(__SANITIZE_ADDRESS__)
        // (Under AddressSanitizer the peak holds its quarantine and shadow memory too.)
        if (peakKnown)
            QVERIFY2(grownKiB <= memoryMiB * 1024,
                     qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(grownKiB)));
#else
        Q_UNUSED(peakKnown)
        Q_UNUSED(grownKiB)
        Q_UNUSED(memoryMiB)
#endif
    }

    // Running out of memory while a page is drawn fails that page alone, with its own message; the
    // next record is printed at the top of a fresh page.
    void outOfMemoryFailsOnlyItsPage()
    {
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("t.lst"), "id\n\"1\"\n\"2\"\n");
        fixture.surface.failOn = QStringLiteral("text");
        fixture.surface.failOutOfMemory = true;
        fixture.run->cmdPrint_Click(fixture.surface);
        QCOMPARE(fixture.reporter.numbers, QList<int>{PrintError::PageOutOfMemory});
        QVERIFY2(fixture.reporter.messages.first().contains(QLatin1String("line 2 of t.lst")),
                 qPrintable(fixture.reporter.messages.first()));
        const QList<QStringList> pages = fixture.surface.pages();
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages.first().first(), "text (0,0) \"Id :" + padded("2", 27) + "\"");
    }

    // Names from the folder and the list file may hold anything; every message shows their control
    // characters as escapes, on standard error and in the message box, which keeps only its own
    // line break between the number and the description.
    void controlCharactersInNamesAreEscaped_data()
    {
        QTest::addColumn<QString>("folder");   // the program folder, inside the test's own
        QTest::addColumn<QString>("listName"); // empty: no list file
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("picture"); // a file that is not a picture, under this name
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("shown"); // what the message says instead of the name

        const QString title = QStringLiteral("a\x1b]0;PWNED\x07\x1b[2J.gif");
        QTest::newRow("picture name") << "prog"
                                      << "t.lst"
                                      << "filename\n\"" + title + "\"\n"
                                      << title << int(PrintError::PictureNotReadable)
                                      << QStringLiteral("a\\x1b]0;PWNED\\x07\\x1b[2J.gif");
        QTest::newRow("list file name")
            << "prog" << QStringLiteral("a\x1b[2J\r\n\x9b.lst") << ""
            << "" << int(PrintError::ListFileEmpty) << QStringLiteral("a\\x1b[2J\\x0d\\x0a\\x9b.lst");
        QTest::newRow("field name") << "prog"
                                    << "t.lst" << QStringLiteral("id,x\x1b]0;y\x07,X\x1b]0;Y\x07\n") << ""
                                    << int(PrintError::RepeatedFieldName)
                                    << QStringLiteral("X\\x1b]0;Y\\x07");
        QTest::newRow("folder name") << QStringLiteral("p\x1b[31m\x7f") << ""
                                     << ""
                                     << "" << int(PrintError::NoListFile)
                                     << QStringLiteral("p\\x1b[31m\\x7f");
        QTest::newRow("bidirectional override")
            << "prog"
            << "t.lst" << QStringLiteral("filename\n\"\u202egif.exe\"\n") << QStringLiteral("\u202egif.exe")
            << int(PrintError::PictureNotReadable) << QStringLiteral("\\u202egif.exe");
    }

    void controlCharactersInNamesAreEscaped()
    {
        QFETCH(QString, folder);
        QFETCH(QString, listName);
        QFETCH(QString, list);
        QFETCH(QString, picture);
        QFETCH(int, number);
        QFETCH(QString, shown);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString prog = root.filePath(folder);
        QVERIFY(QDir().mkpath(prog));
        if (!listName.isEmpty())
            BadInputRun::write(QDir(prog).filePath(listName), list.toUtf8());
        if (!picture.isEmpty())
            BadInputRun::write(QDir(prog).filePath(picture), "not a picture");

        // Standard error goes to a file for the length of the run.
        const QByteArray errPath = QFile::encodeName(root.filePath(QStringLiteral("stderr.txt")));
        std::fflush(stderr);
        const int savedErr = ::dup(2);
        const int errFile = ::open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        QVERIFY(savedErr >= 0 && errFile >= 0);
        ::dup2(errFile, 2);
        ::close(errFile);
        RecordingSurface surface;
        CapturingReporter reporter;
        FixedChoices choices;
        PictureSlot image1;
        PrintRun run(prog, image1, reporter, choices);
        run.cmdPrint_Click(surface);
        std::fflush(stderr);
        ::dup2(savedErr, 2);
        ::close(savedErr);
        QFile errors(QFile::decodeName(errPath));
        QVERIFY(errors.open(QIODevice::ReadOnly));
        const QByteArray written = errors.readAll();

        QCOMPARE(reporter.numbers.value(0), number);
        const auto control = [](QChar c) {
            return c.category() == QChar::Other_Control || c == QChar(0x202E);
        };
        QVERIFY2(reporter.messages.value(0).contains(shown), qPrintable(reporter.messages.value(0)));
        for (const QString &message : reporter.messages) {
            const QString description = message.section(QStringLiteral("\r\n"), 1);
            QVERIFY(message.startsWith(QStringLiteral("Error ")) &&
                    message.count(QStringLiteral("\r\n")) == 1);
            QVERIFY2(std::none_of(description.begin(), description.end(), control), qPrintable(message));
        }
        // One line a message, nothing a terminal would act on.
        QCOMPARE(written.count('\n'), reporter.messages.size());
        QVERIFY2(std::none_of(written.begin(), written.end(),
                              [](char c) { return (c >= 0 && c < 0x20 && c != '\n') || c == 0x7F; }),
                 written.constData());
        QVERIFY2(QString::fromUtf8(written).contains(shown), written.constData());
    }

    // The text of odd input reaches the page as it was read, cut to the value cell's 26 places.
    void oddTextReachesThePage_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("NUL bytes kept") << QByteArrayLiteral("id,na\0me\n\"1\0\",\"a\0b\"\n")
                                        << QString("Id :1") + QChar(0) + QString(25, ' ') + "Na" + QChar(0) +
                                               "me :a" + QChar(0) + "b" + QString(24, ' ');
        QTest::newRow("invalid UTF-8 as Windows-1252") << QByteArray("id\n\"\xC3\x28\xED\xA0\x80\"\n")
                                                       << QStringLiteral("Id :Ã(í\u00A0€") + QString(22, ' ');
        for (const bool bigEndian : {false, true}) {
            QTest::addRow("UTF-16 %s-endian", bigEndian ? "big" : "little")
                << utf16WithMark(QStringLiteral("id,name\r\n\"1\",\"Café 📷\"\r\n"), bigEndian)
                << QStringLiteral("Id :1") + QString(26, ' ') + QStringLiteral("Name :Café 📷") +
                       QString(21, ' ');
        }
        QTest::newRow("long value cut") << QByteArray("id\n\"") + QByteArray(100000, 'v') + "\"\n"
                                        << QStringLiteral("Id :") + QString(26, 'v') + ' ';
    }

    void oddTextReachesThePage()
    {
        QFETCH(QByteArray, list);
        QFETCH(QString, firstLine);
        RunFixture fixture;
        fixture.folder.write(QStringLiteral("t.lst"), list);
        fixture.print();
        QCOMPARE(fixture.reporter.messages, QStringList{});
        QCOMPARE(RecordingSurface::texts(fixture.surface.pages().value(0)).value(0), firstLine);
    }
};

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
