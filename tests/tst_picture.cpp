// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "picture.h"
#include "printerror.h"
#include "testsupport.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

// A JPEG with an Exif segment right after its start marker, giving the orientation.
QByteArray withExifOrientation(const QByteArray &jpeg, quint16 orientation)
{
    QByteArray exif("Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 24);
    exif += char(orientation >> 8);
    exif += char(orientation & 0xFF);
    exif += QByteArray(6, '\0'); // the value's padding, no next IFD
    QByteArray segment("\xFF\xE1", 2);
    segment += char((exif.size() + 2) >> 8);
    segment += char((exif.size() + 2) & 0xFF);
    return jpeg.left(2) + segment + exif + jpeg.mid(2);
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void naturalSizeInTwips_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<bool>("lossless");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QColor>("colour"); // the colour it is filled with; the GIF's two are scattered
        const QSize size(40, 30);
        const QColor fill(200, 120, 40);
        QTest::newRow("gif at 96 dpi") << "gif" << 96.0 << true << size << QColor();
        QTest::newRow("png at 96 dpi") << "png" << 96.0 << true << size << fill;
        QTest::newRow("bmp at 96 dpi") << "bmp" << 96.0 << true << size << fill;
        QTest::newRow("jpeg at 96 dpi") << "jpg" << 96.0 << false << size << fill;
        QTest::newRow("png at 144 dpi") << "png" << 144.0 << true << size << fill;
        QTest::newRow("grey jpeg") << "grey jpg" << 96.0 << false << size << QColor(90, 90, 90);
        QTest::newRow("jpeg turned by its Exif orientation")
            << "turned jpg" << 96.0 << false << size.transposed() << fill;
    }

    void naturalSizeInTwips()
    {
        QFETCH(QString, format);
        QFETCH(double, dpi);
        QFETCH(bool, lossless);
        QFETCH(QSize, pixels);
        QFETCH(QColor, colour);
        ProgramFolder folder;
        // The name's suffix does not decide the format: the content does.
        if (format == "grey jpg") {
            QImage grey(40, 30, QImage::Format_Grayscale8);
            grey.fill(colour);
            folder.write("picture.dat", encoded(grey, "jpg"));
        } else if (format == "turned jpg") {
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(colour);
            folder.write("picture.dat", withExifOrientation(encoded(image, "jpg"), 6)); // 90° clockwise
        } else {
            folder.writePicture("picture.dat", 40, 30, qPrintable(format));
        }
        PictureLoader loader(dpi);
        const Picture picture = loader.load(folder.filePath("picture.dat"));
        QCOMPARE(picture.image().size(), pixels);
        QCOMPARE(picture.width(), float(pixels.width() * 1440 / dpi));
        QCOMPARE(picture.height(), float(pixels.height() * 1440 / dpi));
        QCOMPARE(picture.lossless(), lossless);
        if (!colour.isValid())
            return;
        const QColor middle = picture.image().pixelColor(pixels.width() / 2, pixels.height() / 2);
        QVERIFY2(std::abs(middle.red() - colour.red()) <= 4 &&
                     std::abs(middle.green() - colour.green()) <= 4 &&
                     std::abs(middle.blue() - colour.blue()) <= 4 && middle.alpha() == 255,
                 qPrintable(middle.name(QColor::HexArgb)));
    }

    // %folder in a content stands for the folder, which also holds a FIFO "fifo" and a picture
    // "other.png".
    void failuresAreClear_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("says"); // besides the file's name
        const int unreadable = PrintError::PictureNotReadable;
        const QString formats = QStringLiteral("not a GIF, PNG, JPEG or BMP picture");
        const QString stops = QStringLiteral("stops before the last pixel");
        QTest::newRow("text") << QByteArray("name,colour\n") << unreadable << formats;
        QTest::newRow("empty") << QByteArray() << unreadable << formats;
        QTest::newRow("gif header only") << QByteArray("GIF89a") << unreadable << "cut short";
        QTest::newRow("claims 65535 x 65535")
            << makeGif(65535, 65535, 1) << int(PrintError::PictureTooLarge) << "65535 × 65535 pixels";
        QTest::newRow("gif with half its pixels, properly ended")
            << makeGif(120, 90, 120 * 45) << unreadable << stops;
        QImage image(20, 20, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QByteArray png = encoded(image, "png");
        QTest::newRow("png with a chunk claiming more than the file holds")
            << png.left(png.size() - 12) + QByteArray("\x7F\xFF\xFF\xF0tEXtab", 10) << unreadable
            << "cut short";
        QTest::newRow("jpeg of 257 scans")
            << makeJpegWithScans(40, 30, 257) << int(PrintError::PictureTooLarge) << "more than 256 scans";

        // Only the four formats are read, and only by their own decoder: an SVG would load the
        // files it names, wherever they are, and one naming a FIFO would wait on it for ever.
        const QByteArray svg("<svg xmlns=\"http://www.w3.org/2000/svg\" "
                             "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"20\" height=\"20\">"
                             "<image width=\"20\" height=\"20\" xlink:href=\"%folder/%name\"/></svg>");
        QTest::newRow("svg naming a picture elsewhere")
            << QByteArray(svg).replace("%name", "other.png") << unreadable << formats;
        QTest::newRow("svg naming a fifo")
            << QByteArray(svg).replace("%name", "fifo") << unreadable << formats;
        const QList<QByteArray> readable = QImageReader::supportedImageFormats();
        for (const QByteArray &format : QImageWriter::supportedImageFormats()) {
            if (!readable.contains(format) ||
                QByteArrayList{"bmp", "gif", "jpeg", "jpg", "png"}.contains(format.toLower()))
                continue;
            QTest::addRow("written as %s", format.constData())
                << encoded(image, format) << unreadable << formats;
        }
    }

    void failuresAreClear()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, number);
        QFETCH(QString, says);
        ProgramFolder folder;
        QVERIFY(::mkfifo(QFile::encodeName(folder.filePath("fifo")).constData(), 0600) == 0);
        folder.writePicture("other.png", 20, 20);
        folder.write("bad.gif", QByteArray(content).replace("%folder", QFile::encodeName(folder.path())));
        PictureLoader loader;
        QElapsedTimer timer;
        timer.start();
        try {
            (void)loader.load(folder.filePath("bad.gif"));
            QFAIL("a bad picture was loaded");
        } catch (const PrintError &error) {
            QCOMPARE(error.number(), number);
            QVERIFY2(error.description().contains(folder.filePath("bad.gif")),
                     qPrintable(error.description()));
            QVERIFY2(error.description().contains(says), qPrintable(error.description()));
        }
        QVERIFY2(timer.elapsed() < 5000, "refusing a picture took seconds");
    }

    // A file cut short is refused, whatever the decoder would make of it, and so is one whose
    // picture data, though properly ended, does not give every pixel; a complete one loads, also
    // with bytes after its end or (GIF) without the trailer byte, and every pixel of it comes from
    // the file. rle8 and rle4 are run-length coded BMPs whose runs cover each row, then end it.
    void cutShortFilesAreRefused_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("keep"); // bytes kept: > 0 from the start, <= 0 all but that many
        QTest::addColumn<QByteArray>("appended");
        QTest::addColumn<bool>("loads");
        QTest::newRow("gif whole") << "gif" << 0 << QByteArray() << true;
        QTest::newRow("gif without trailer") << "gif" << -1 << QByteArray() << true;
        QTest::newRow("gif without last block end") << "gif" << -2 << QByteArray() << false;
        QTest::newRow("gif half") << "gif" << -200 << QByteArray() << false;
        QTest::newRow("gif screen only") << "gif" << 13 << QByteArray() << false;
        QTest::newRow("gif colour table cut") << "gif" << 16 << QByteArray() << false;
        QTest::newRow("jpeg whole") << "jpg" << 0 << QByteArray() << true;
        QTest::newRow("jpeg with bytes after its end") << "jpg" << 0 << QByteArray("trailing junk") << true;
        QTest::newRow("jpeg without end marker") << "jpg" << -2 << QByteArray() << false;
        QTest::newRow("jpeg in the scan") << "jpg" << -40 << QByteArray() << false;
        QTest::newRow("jpeg in the headers") << "jpg" << 300 << QByteArray() << false;
        QTest::newRow("progressive jpeg whole") << "progressive" << 0 << QByteArray() << true;
        QTest::newRow("progressive jpeg cut") << "progressive" << -60 << QByteArray() << false;
        QTest::newRow("bmp whole") << "bmp" << 0 << QByteArray() << true;
        QTest::newRow("bmp last byte missing") << "bmp" << -1 << QByteArray() << false;
        QTest::newRow("bmp headers only") << "bmp" << 54 << QByteArray() << false;
        // Qt's reader starts the rows at the data offset, or after the colour table if the offset
        // points into it.
        QTest::newRow("8-bit bmp whole") << "bmp8" << 0 << QByteArray() << true;
        QTest::newRow("8-bit bmp whose data offset points into its colour table")
            << "bmp8 offset 54" << 0 << QByteArray() << true;
        QTest::newRow("8-bit bmp whose data offset points into its colour table, last row missing")
            << "bmp8 offset 54" << -120 << QByteArray() << false;
        QTest::newRow("png last bytes missing") << "png" << -4 << QByteArray() << true; // end chunk only
        QTest::newRow("png in the pixel data") << "png" << -40 << QByteArray() << false;

        // A JPEG goes to the page as its own bytes only once libjpeg has read all of its coded
        // data: one whose data stops early is refused even when an end marker closes it.
        const QByteArray endMarker("\xFF\xD9");
        QTest::newRow("jpeg in the scan, closed by an end marker") << "jpg" << -40 << endMarker << false;
        QTest::newRow("jpeg with half its scan data, closed by an end marker")
            << "jpg" << -1300 << endMarker << false;
        QTest::newRow("progressive jpeg cut, closed by an end marker")
            << "progressive" << -60 << endMarker << false;

        const int rle8 = rleBmpPixelOffset(8);
        const QByteArray endOfPicture("\0\1", 2);
        QTest::newRow("rle8 whole") << "rle8" << 0 << QByteArray() << true;
        QTest::newRow("rle8 without its end of picture") << "rle8" << -2 << QByteArray() << true;
        QTest::newRow("rle8 with bytes after its end") << "rle8" << 0 << QByteArray("\x05\x01") << true;
        QTest::newRow("rle8 half") << "rle8" << -270 << QByteArray() << false;
        QTest::newRow("rle8 of only an end of picture") << "rle8" << rle8 << endOfPicture << false;
        QTest::newRow("rle8 ending the picture early")
            << "rle8" << rle8 << QByteArray("\x78\x01\0\0\x78\x02", 6) + endOfPicture << false;
        QTest::newRow("rle8 ending a row early") << "rle8" << rle8 << QByteArray("\x3C\x01\0\0", 4) << false;
        QTest::newRow("rle8 jumping over pixels") << "rle8" << rle8 << QByteArray("\0\x02\x05\0", 4) << false;
        QTest::newRow("rle8 with a run past the row's end")
            << "rle8" << rle8 << QByteArray("\xFF\x01") << false;
        QTest::newRow("rle4 whole") << "rle4" << 0 << QByteArray() << true;
        QTest::newRow("rle4 of only an end of picture")
            << "rle4" << rleBmpPixelOffset(4) << endOfPicture << false;
    }

    void cutShortFilesAreRefused()
    {
        QFETCH(QString, format);
        QFETCH(int, keep);
        QFETCH(QByteArray, appended);
        QFETCH(bool, loads);
        ProgramFolder folder;
        const QString path = folder.filePath("picture");
        if (format == "gif") {
            folder.writePicture("picture", 120, 90, "gif");
        } else if (format.startsWith("rle")) {
            folder.write("picture", makeRleBmp(format == "rle8" ? 8 : 4, 120, 90));
        } else if (format.startsWith("bmp8")) {
            QImage indexed(120, 90, QImage::Format_Indexed8);
            for (int i = 0; i < 256; ++i)
                indexed.setColor(i, qRgb(i, 255 - i, i * 7 % 256));
            for (int y = 0; y < indexed.height(); ++y)
                for (int x = 0; x < indexed.width(); ++x)
                    indexed.setPixel(x, y, uint(x + y * 3) % 256);
            QByteArray bmp = encoded(indexed, "bmp");
            if (format == "bmp8 offset 54")
                bmp.replace(10, 4, QByteArray("\x36\0\0\0", 4));
            folder.write("picture", bmp);
        } else {
            // A picture with detail, so that its compressed data is more than a few bytes.
            QImage image(120, 90, QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    image.setPixel(x, y, qRgb(x * 2, y * 2, (x * y) % 256));
            const bool progressive = format == "progressive";
            QImageWriter writer(path, progressive ? "jpg" : qPrintable(format));
            writer.setProgressiveScanWrite(progressive);
            QVERIFY(writer.write(image));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray content = file.readAll();
        file.close();
        QVERIFY(content.size() > 400);
        content = keep > 0 ? content.left(keep) : content.left(content.size() + keep);
        folder.write("picture", content + appended);

        PictureLoader loader;
        try {
            const Picture picture = loader.load(path);
            QVERIFY2(loads, "a file cut short was loaded");
            QCOMPARE(QSizeF(picture.width(), picture.height()), QSizeF(120 * 15, 90 * 15));
            if (picture.jpeg()) {
                // Its bytes are the file's, and they decode to its pixels.
                QCOMPARE(picture.jpeg()->bytes, content + appended);
                QCOMPARE(picture.jpeg()->pixels, QSize(120, 90));
                QCOMPARE(picture.image().size(), QSize(120, 90));
                return;
            }
            QCOMPARE(picture.image().size(), QSize(120, 90));
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
            // Decoded again into memory that malloc() fills with other bytes, the picture is the
            // same: no pixel is left as the memory was. (AddressSanitizer's malloc ignores this.)
            const QByteArray written = content + appended;
            for (const int fill : {0x55, 0xAA}) {
                mallopt(M_PERTURB, fill);
                const QImage again = loader.decodeData(written, path).image();
                mallopt(M_PERTURB, 0);
                QVERIFY2(again == picture.image(), "a pixel was never written");
            }
#endif
        } catch (const PrintError &error) {
            QVERIFY2(!loads, qPrintable(error.description()));
            QCOMPARE(error.number(), int(PrintError::PictureNotReadable));
            QVERIFY2(error.description().contains(displayPath(path)), qPrintable(error.description()));
        }
    }

    // A file prepared ahead on a worker thread loads as it would have loaded without: the same
    // picture, or the same error with the same text; a file changed after it was prepared is read
    // again. (One folder for every case: its files must settle, older than the clock's tick, for
    // their stamps alone to tell a change.)
    void preparedLoadsAreLoads()
    {
        QImage image(90, 60, QImage::Format_RGB32);
        image.fill(QColor(30, 140, 200));
        const QByteArray jpeg = encoded(image, "jpg");
        const struct
        {
            const char *name;
            QByteArray content;
            bool changedAfterwards;
        } cases[] = {
            {"jpeg", jpeg, false},
            {"png", encoded(image, "png"), false},
            {"gif", makeGif(90, 60), false},
            {"jpeg cut short, end marker kept", jpeg.left(jpeg.size() / 2) + "\xFF\xD9", false},
            {"not a picture", QByteArray("id,name\n"), false},
            {"jpeg replaced after it was prepared", jpeg, true},
        };
        ProgramFolder folder;
        for (const auto &each : cases)
            folder.write(each.name, each.content);
        QTest::qWait(2100);
        for (const auto &each : cases) {
            const QString path = folder.filePath(each.name);
            const auto outcome = [&path](PictureLoader &loader) {
                try {
                    const Picture picture = loader.load(path);
                    return QStringLiteral("%1 x %2, %3")
                        .arg(picture.width())
                        .arg(picture.height())
                        .arg(picture.jpeg()  ? "jpeg"
                             : picture.png() ? "png"
                                             : "decoded");
                } catch (const PrintError &error) {
                    return error.logLine();
                }
            };
            PictureLoader prepared;
            prepared.prepare(path);
            if (each.changedAfterwards) {
                QTest::qWait(200);
                folder.write(each.name, encoded(QImage(30, 20, QImage::Format_RGB32), "png"));
            }
            const QString taken = outcome(prepared);
            PictureLoader plain;
            QCOMPARE(taken, outcome(plain));
            QVERIFY2(prepared.preparedCount() == (each.changedAfterwards ? 0 : 1), each.name);
        }
    }

    void fifoIsNeverOpened()
    {
        ProgramFolder folder;
        const QString fifo = folder.filePath("fifo.gif");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        PictureLoader loader;
        // Opening a FIFO for reading would wait for a writer that never comes.
        QVERIFY_THROWS_EXCEPTION(PrintError, (void)loader.load(fifo));
        QCOMPARE(loader.decodeCount(), 0);
    }

    void missingOrFolderIsNotAPicture()
    {
        ProgramFolder folder;
        folder.makeFolder("dir.gif");
        PictureLoader loader;
        QVERIFY_THROWS_EXCEPTION(PrintError, (void)loader.load(folder.filePath("none.gif")));
        QVERIFY_THROWS_EXCEPTION(PrintError, (void)loader.load(folder.filePath("dir.gif")));
    }

    // The cache gives back the picture decoded before only for the same file, unchanged. A picture
    // replaced by another of the same size and times (cp -p, rsync -t) is decoded again, however
    // soon after the first load.
    void changedFileIsDecodedAgain_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("decodedAgain");
        QTest::newRow("unchanged") << "none" << false;
        QTest::newRow("other size, newer time") << "larger" << true;
        QTest::newRow("same size and times, rewritten in place") << "rewritten" << true;
        QTest::newRow("same size and times, put in place by rename") << "renamed" << true;
    }

    void changedFileIsDecodedAgain()
    {
        QFETCH(QString, change);
        QFETCH(bool, decodedAgain);
        ProgramFolder folder;
        const QString path = folder.filePath("a.bmp");
        QImage image(30, 10, QImage::Format_RGB32);
        image.fill(Qt::red);
        folder.write("a.bmp", encoded(image, "bmp"));
        struct stat before
        {
        };
        QVERIFY(::stat(QFile::encodeName(path).constData(), &before) == 0);
        PictureLoader loader;
        const Picture first = loader.load(path);

        image.fill(Qt::blue); // same size, other content
        if (change == "larger") {
            folder.write("a.bmp", encoded(image.copy(0, 0, 40, 10), "bmp"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                     QFileDevice::FileModificationTime));
        } else if (change != "none") {
            folder.write(change == "renamed" ? "new.bmp" : "a.bmp", encoded(image, "bmp"));
            if (change == "renamed")
                QVERIFY(::rename(QFile::encodeName(folder.filePath("new.bmp")).constData(),
                                 QFile::encodeName(path).constData()) == 0);
            const timespec times[2] = {before.st_atim, before.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
            struct stat after
            {
            };
            QVERIFY(::stat(QFile::encodeName(path).constData(), &after) == 0);
            QCOMPARE(after.st_size, before.st_size);
            QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
            QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        }

        const Picture second = loader.load(path);
        QCOMPARE(loader.decodeCount(), decodedAgain ? 2 : 1);
        QCOMPARE(second.image().cacheKey() != first.image().cacheKey(), decodedAgain);
        QCOMPARE(second.image().pixelColor(5, 5), decodedAgain ? QColor(Qt::blue) : QColor(Qt::red));
        QCOMPARE(second.image().width(), change == "larger" ? 40 : 30);
        (void)loader.load(path); // and now that one is kept
        QCOMPARE(loader.decodeCount(), decodedAgain ? 2 : 1);
    }

    void cacheStaysWithinItsBudget()
    {
        ProgramFolder folder;
        // GIFs are decoded (a PNG of one colour would go in as its few hundred bytes).
        for (int i = 0; i < 5; ++i)
            folder.writePicture(QStringLiteral("p%1.gif").arg(i), 100, 100, "gif"); // 40,000 bytes decoded
        PictureLoader loader(96, 100000);                                           // room for two
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 5; ++i)
                (void)loader.load(folder.filePath(QStringLiteral("p%1.gif").arg(i)));
        }
        QCOMPARE(loader.decodeCount(), 10);
        (void)loader.load(folder.filePath("p4.gif")); // the most recent one is still there
        QCOMPARE(loader.decodeCount(), 10);
    }
};

QTEST_MAIN(TestPicture)
#include "tst_picture.moc"
