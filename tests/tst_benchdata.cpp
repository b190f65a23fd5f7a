// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "benchreport.h"
#include "dataset.h"
#include "gifwriter.h"
#include "pagetext.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDirIterator>
#include <QImageReader>
#include <QtTest>

#include <random>

namespace {

// An indexed image of the given size and palette size filled by a named pattern.
QImage indexedImage(QSize size, int colours, const QString &pattern)
{
    QImage image(size, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table << qRgb((i * 97) % 256, (i * 57 + 30) % 256, (i * 23 + 200) % 256);
    image.setColorTable(table);
    std::mt19937 random(size.width() * 31 + size.height());
    for (int y = 0; y < size.height(); ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            int index = 0;
            if (pattern == QLatin1String("noise"))
                index = int(random() % unsigned(colours));
            else if (pattern == QLatin1String("stripes"))
                index = (x / 3 + y) % colours;
            else if (pattern == QLatin1String("blocks"))
                index = ((x / 16) + (y / 16) * 3) % colours;
            line[x] = uchar(index);
        }
    }
    return image;
}

QImage decoded(const QByteArray &bytes, QByteArray *format = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (format)
        *format = reader.format();
    return reader.read();
}

QMap<QString, QByteArray> folderFiles(const QString &path)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(path, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(it.fileName(), file.readAll());
    }
    return files;
}

} // namespace

class TestBenchData : public QObject
{
    Q_OBJECT

private slots:
    void gifDecodesToTheSamePixels_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("colours");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("one pixel") << QSize(1, 1) << 2 << "noise";
        QTest::newRow("two colours, odd size") << QSize(3, 2) << 2 << "noise";
        QTest::newRow("solid") << QSize(400, 300) << 4 << "solid";
        QTest::newRow("three colours, one row") << QSize(1000, 1) << 3 << "stripes";
        // Random indices fill the 4,096-code table again and again: clear codes and width resets.
        QTest::newRow("noise, 256 colours") << QSize(400, 300) << 256 << "noise";
        QTest::newRow("noise, 16 colours") << QSize(257, 13) << 16 << "noise";
        QTest::newRow("noise, 5 colours") << QSize(640, 480) << 5 << "noise";
        QTest::newRow("blocks, 129 colours") << QSize(300, 200) << 129 << "blocks";
    }

    void gifDecodesToTheSamePixels()
    {
        QFETCH(QSize, size);
        QFETCH(int, colours);
        QFETCH(QString, pattern);
        const QImage image = indexedImage(size, colours, pattern);
        QByteArray format;
        const QImage back = decoded(encodeGif(image), &format);
        QCOMPARE(format, QByteArray("gif"));
        QCOMPARE(back.size(), size);
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32), image.convertToFormat(QImage::Format_RGB32));
    }

    void gifCodeStreamPacksGrowingCodes()
    {
        // A 10 × 10 picture of four colours whose LZW stream is worked through in many GIF
        // tutorials: codes grow from 3 to 6 bits and are packed least significant bit first.
        const char *rows[] = {"1111122222", "1111122222", "1111122222", "1110000222", "1110000222",
                              "2220000111", "2220000111", "2222211111", "2222211111", "2222211111"};
        QByteArray indices;
        for (const char *row : rows)
            for (const char *c = row; *c; ++c)
                indices.append(char(*c - '0'));
        const QByteArray expected = QByteArray::fromHex("8C2D99872A1CDC33A00275EC95FAA8DE608C04914C01");
        QCOMPARE(gifLzw(reinterpret_cast<const uchar *>(indices.constData()), indices.size(), 2).toHex(),
                 expected.toHex());
    }

    void gifIsCompact()
    {
        // One code per pixel would take 45,000 bytes (3-bit codes); LZW codes ever longer runs.
        const QImage solid = indexedImage(QSize(400, 300), 2, QStringLiteral("solid"));
        const QByteArray compact = encodeGif(solid);
        QVERIFY2(compact.size() < 1500, qPrintable(QString::number(compact.size())));
    }

    void gifRefusesWhatItCannotWrite_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::newRow("null") << QImage();
        QTest::newRow("not indexed") << QImage(4, 4, QImage::Format_RGB32);
        QTest::newRow("no colour table") << QImage(4, 4, QImage::Format_Indexed8);
    }

    void gifRefusesWhatItCannotWrite()
    {
        QFETCH(QImage, image);
        QVERIFY(encodeGif(image).isEmpty());
    }

    void optionsAreReadAndChecked_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QStringList>("normalised");
        QTest::addColumn<QStringList>("left");
        const QStringList defaults = {"--records", "1000",           "--fields", "7",        "--pictures",
                                      "0",         "--picture-size", "400x300",  "--format", "gif"};
        QTest::newRow("none") << QStringList{"folder"} << true << defaults << QStringList{"folder"};
        QTest::newRow("all") << QStringList{"--records",      "5",     "--fields", "9",   "--pictures", "2",
                                            "--picture-size", "80x60", "--format", "JPG", "--no-logo",  "out",
                                            "--date",         "x"}
                             << true
                             << QStringList{"--records",      "5",     "--fields", "9",    "--pictures", "2",
                                            "--picture-size", "80x60", "--format", "jpeg", "--no-logo"}
                             << QStringList{"out", "--date", "x"};
        QTest::newRow("no records") << QStringList{"--records", "0"} << false << QStringList{}
                                    << QStringList{};
        QTest::newRow("missing value") << QStringList{"--fields"} << false << QStringList{} << QStringList{};
        QTest::newRow("bad size") << QStringList{"--picture-size", "400"} << false << QStringList{}
                                  << QStringList{};
        QTest::newRow("zero width") << QStringList{"--picture-size", "0x5"} << false << QStringList{}
                                    << QStringList{};
        QTest::newRow("bmp") << QStringList{"--format", "bmp"} << false << QStringList{} << QStringList{};
        QTest::newRow("pictures without a filename field")
            << QStringList{"--fields", "2", "--pictures", "1"} << false << QStringList{} << QStringList{};
    }

    void optionsAreReadAndChecked()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, valid);
        QFETCH(QStringList, normalised);
        QFETCH(QStringList, left);
        DataSetOptions options;
        const auto problem = DataSetOptions::take(arguments, options);
        QCOMPARE(!problem.has_value(), valid);
        if (valid) {
            QCOMPARE(options.toArguments(), normalised);
            QCOMPARE(arguments, left);
        }
    }

    void dataSetIsDeterministic()
    {
        DataSetOptions options;
        options.records = 40;
        options.pictures = 3;
        options.pictureSize = QSize(64, 48);
        ProgramFolder first;
        ProgramFolder second;
        QString error;
        QVERIFY2(DataSet::write(options, first.path(), &error), qPrintable(error));
        QVERIFY2(DataSet::write(options, second.path(), &error), qPrintable(error));
        const auto files = folderFiles(first.path());
        QCOMPARE(files.keys(), (QStringList{"logo.gif", "picture-0000.gif", "picture-0001.gif",
                                            "picture-0002.gif", "records.lst"}));
        QCOMPARE(folderFiles(second.path()), files);

        // Different pictures differ, and a different record count changes only the list.
        QVERIFY(files["picture-0000.gif"] != files["picture-0001.gif"]);
        options.records = 41;
        ProgramFolder third;
        QVERIFY(DataSet::write(options, third.path(), &error));
        const auto changed = folderFiles(third.path());
        QVERIFY(changed["records.lst"] != files["records.lst"]);
        QCOMPARE(changed["picture-0002.gif"], files["picture-0002.gif"]);
    }

    // The print run reads the generated folder without an error, prints one page per record with
    // the record's picture, and its grid lines are the ones the baseline writes.
    void printRunReadsTheDataSet_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("gif pictures")
            << QStringList{"--records", "25", "--pictures", "4", "--picture-size", "40x30"};
        QTest::newRow("jpeg, no logo") << QStringList{
            "--records", "6", "--pictures", "6", "--picture-size", "50x20", "--format", "jpeg", "--no-logo"};
        QTest::newRow("png, many fields")
            << QStringList{"--records",      "9",     "--fields", "11", "--pictures", "2",
                           "--picture-size", "30x30", "--format", "png"};
        QTest::newRow("no pictures, two fields") << QStringList{"--records", "12", "--fields", "2"};
    }

    void printRunReadsTheDataSet()
    {
        QFETCH(QStringList, arguments);
        DataSetOptions options;
        QVERIFY(!DataSetOptions::take(arguments, options));
        RunFixture fixture;
        QString error;
        QVERIFY2(DataSet::write(options, fixture.folder.path(), &error), qPrintable(error));

        for (int i = 0; i < options.pictures; ++i) {
            QFile file(fixture.folder.filePath(DataSet::pictureName(options, i)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QByteArray format;
            const QImage picture = decoded(file.readAll(), &format);
            QCOMPARE(format, options.format);
            QCOMPARE(picture.size(), options.pictureSize);
        }

        const QList<QStringList> pages = fixture.print().pages();
        QVERIFY2(fixture.reporter.messages.isEmpty(), qPrintable(fixture.reporter.messages.join('\n')));
        QCOMPARE(pages.size(), int(options.records));
        const QStringList keys = DataSet::fieldNames(options.fields);
        for (qint64 record = 0; record < options.records; ++record) {
            const QStringList &page = pages[record];
            const QStringList expected = PageText::gridLines(keys, DataSet::recordValues(options, record), 3);
            QCOMPARE(RecordingSurface::texts(page).mid(0, expected.size()), expected);
            const qsizetype pictures =
                std::count_if(page.cbegin(), page.cend(), [](const QString &operation) {
                    return operation.startsWith(QLatin1String("picture"));
                });
            QCOMPARE(pictures, qsizetype(options.logo ? 1 : 0) + (options.pictures > 0 ? 1 : 0));
        }
    }

    void footerMatchesThePageField_data()
    {
        QTest::addColumn<qint64>("page");
        QTest::addColumn<QString>("footer");
        QTest::newRow("1") << qint64(1) << "07-12-2026  Page :1   ";
        QTest::newRow("9999") << qint64(9999) << "07-12-2026  Page :9999";
        QTest::newRow("100000") << qint64(100000) << "07-12-2026  Page :100000";
    }

    void footerMatchesThePageField()
    {
        QFETCH(qint64, page);
        QFETCH(QString, footer);
        const QDate date(2026, 12, 7);
        QCOMPARE(PageText::footer(date, page), footer);
        QVERIFY(footer.endsWith(PrintRun::pageField(page)));
    }

    void reportLinesRoundTrip()
    {
        BenchReport report;
        report.program = QStringLiteral("run");
        report.records = 10000;
        report.pages = 10000;
        report.seconds = 1.25;
        report.cpuSeconds = 1.125;
        report.peakRssKiB = 40960;
        report.outputBytes = 123456789;
        const QString line = report.toLine();
        QVERIFY2(line.contains(QLatin1String(" pages_per_second=8000.0 ")), qPrintable(line));
        const auto back = BenchReport::fromLine(line);
        QVERIFY(back);
        QCOMPARE(back->program, report.program);
        QCOMPARE(back->records, report.records);
        QCOMPARE(back->pages, report.pages);
        QCOMPARE(back->seconds, report.seconds);
        QCOMPARE(back->cpuSeconds, report.cpuSeconds);
        QCOMPARE(back->peakRssKiB, report.peakRssKiB);
        QCOMPARE(back->outputBytes, report.outputBytes);
    }

    void malformedReportLinesAreRejected_data()
    {
        QTest::addColumn<QString>("line");
        const QString good =
            QStringLiteral("lstbench program=run records=1 pages=1 seconds=0.5 cpu_seconds=0.4 "
                           "pages_per_second=2.0 peak_rss_kib=100 output_bytes=2000");
        QVERIFY(BenchReport::fromLine(good));
        QTest::newRow("empty") << QString();
        QTest::newRow("other program's line") << QString(good).replace("lstbench", "lstbench-gen:");
        QTest::newRow("missing field") << QString(good).remove(" output_bytes=2000");
        QTest::newRow("not a number") << QString(good).replace("pages=1 ", "pages=one ");
        QTest::newRow("word without value") << good + " stray";
        QTest::newRow("no program") << QString(good).replace("program=run", "program=");
    }

    void malformedReportLinesAreRejected()
    {
        QFETCH(QString, line);
        QVERIFY(!BenchReport::fromLine(line));
    }

    void peakRssIsKnown()
    {
        const qint64 before = peakRssKiB();
        QVERIFY(before > 0);
        // Touching more memory than the process has ever held raises the peak past it.
        const qsizetype bytes = qsizetype(before + 64 * 1024) * 1024;
        QByteArray block(bytes, 'x');
        QVERIFY(peakRssKiB() >= before + 64 * 1024);
        QCOMPARE(block.count('x'), bytes);
    }
};

QTEST_MAIN(TestBenchData)
#include "tst_benchdata.moc"
