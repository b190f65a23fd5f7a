#include "picture.h"
#include "printerror.h"
#include "testsupport.h"

#include <QImageReader>
#include <QtTest>

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void naturalSizeInTwips_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<bool>("lossless");
        QTest::newRow("gif at 96 dpi") << "gif" << 96.0 << true;
        QTest::newRow("png at 96 dpi") << "png" << 96.0 << true;
        QTest::newRow("bmp at 96 dpi") << "bmp" << 96.0 << true;
        QTest::newRow("jpeg at 96 dpi") << "jpg" << 96.0 << false;
        QTest::newRow("png at 144 dpi") << "png" << 144.0 << true;
    }

    void naturalSizeInTwips()
    {
        QFETCH(QString, format);
        QFETCH(double, dpi);
        QFETCH(bool, lossless);
        ProgramFolder folder;
        // The name's suffix does not decide the format: the content does.
        folder.writePicture("picture.dat", 40, 30, qPrintable(format));
        PictureLoader loader(dpi);
        const Picture picture = loader.load(folder.filePath("picture.dat"));
        QCOMPARE(picture.image().size(), QSize(40, 30));
        QCOMPARE(picture.width(), float(40 * 1440 / dpi));
        QCOMPARE(picture.height(), float(30 * 1440 / dpi));
        QCOMPARE(picture.lossless(), lossless);
    }

    void failuresAreClear_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("number");
        QTest::newRow("text") << QByteArray("name,colour\n") << int(PrintError::PictureNotReadable);
        QTest::newRow("empty") << QByteArray() << int(PrintError::PictureNotReadable);
        QTest::newRow("gif header only") << QByteArray("GIF89a") << int(PrintError::PictureNotReadable);
        QTest::newRow("claims 65535 x 65535") << makeGif(65535, 65535, false) << int(PrintError::PictureTooLarge);
    }

    void failuresAreClear()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, number);
        ProgramFolder folder;
        folder.write("bad.gif", content);
        PictureLoader loader;
        try {
            (void)loader.load(folder.filePath("bad.gif"));
            QFAIL("a bad picture was loaded");
        } catch (const PrintError &error) {
            QCOMPARE(error.number(), number);
            QVERIFY2(error.description().contains(folder.filePath("bad.gif")), qPrintable(error.description()));
        }
    }

    void missingOrFolderIsNotAPicture()
    {
        ProgramFolder folder;
        folder.makeFolder("dir.gif");
        PictureLoader loader;
        QVERIFY_THROWS_EXCEPTION(PrintError, (void)loader.load(folder.filePath("none.gif")));
        QVERIFY_THROWS_EXCEPTION(PrintError, (void)loader.load(folder.filePath("dir.gif")));
    }

    void unchangedFileIsDecodedOnce()
    {
        ProgramFolder folder;
        folder.writePicture("a.png", 20, 10);
        PictureLoader loader;
        const Picture first = loader.load(folder.filePath("a.png"));
        const Picture second = loader.load(folder.filePath("a.png"));
        QCOMPARE(loader.decodeCount(), 1);
        QCOMPARE(first.image().cacheKey(), second.image().cacheKey());

        // A changed file (other size, newer time) is decoded again.
        folder.writePicture("a.png", 30, 10);
        QFile file(folder.filePath("a.png"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        file.close();
        const Picture third = loader.load(folder.filePath("a.png"));
        QCOMPARE(loader.decodeCount(), 2);
        QCOMPARE(third.image().width(), 30);
    }

    void cacheStaysWithinItsBudget()
    {
        ProgramFolder folder;
        for (int i = 0; i < 5; ++i)
            folder.writePicture(QStringLiteral("p%1.png").arg(i), 100, 100); // 40,000 bytes decoded
        PictureLoader loader(96, 100000);                                   // room for two
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 5; ++i)
                (void)loader.load(folder.filePath(QStringLiteral("p%1.png").arg(i)));
        }
        QCOMPARE(loader.decodeCount(), 10);
        (void)loader.load(folder.filePath("p4.png")); // the most recent one is still there
        QCOMPARE(loader.decodeCount(), 10);
    }
};

QTEST_MAIN(TestPicture)
#include "tst_picture.moc"
