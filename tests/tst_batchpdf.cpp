// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdftools.h"
#include "printersurface.h"
#include "testsupport.h"
#include "windowfixture.h"

#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>

namespace {

// The footer's date, which the two runs read from the clock each: a run at midnight may differ.
QString withoutDates(QString text)
{
    static const QRegularExpression date(QStringLiteral("\\b\\d\\d-\\d\\d-\\d\\d\\d\\d\\b"));
    return text.replace(date, QStringLiteral("dd-mm-yyyy"));
}

// `pdfimages -list` rows without the object numbers, which say only in what order the two
// writers numbered their objects.
QStringList imagesWithoutObjects(const QString &pdf)
{
    QStringList rows;
    for (const QString &row : PdfTools::images(pdf)) {
        QStringList columns = row.simplified().split(QLatin1Char(' '));
        if (columns.size() > 11)
            columns.remove(10, 2);
        rows << columns.join(QLatin1Char(' '));
    }
    return rows;
}

} // namespace

// A PDF made on the command line is the document that the window saves on a standard desktop
// (96 dpi) where there is no printer: the same pages, texts and pictures, for both orientations
// and both picture sizes, on the demo folder and on folders like the other suites' ones.
class TestBatchPdf : public QObject
{
    Q_OBJECT

    static void makeFolder(const QString &kind, const ProgramFolder &folder)
    {
        if (kind == "demo") {
            folder.copyDemo();
        } else if (kind == "pictures of every size, no logo") {
            folder.write("parts.lst",
                         "id,name,filename,notes\r\n"
                         "\"1\",\"Wide\",\"wide.png\",\"wider than any page\"\r\n"
                         "\"2\",\"Tall\",\"tall.jpg\",\"taller than any page\"\r\n"
                         "\"3\",\"Small\",\"small.gif\",\"\"\r\n"
                         "\"4\",\"Missing\",\"gone.png\",\"no such file\"\r\n"
                         "\"5\",\"Bmp\",\"sub\\pic.bmp\",\"in a folder, named with a backslash\"\r\n");
            folder.writePicture("wide.png", 1600, 120);
            folder.writePicture("tall.jpg", 90, 1500, "jpg");
            folder.writePicture("small.gif", 48, 30, "gif");
            folder.makeFolder("sub");
            folder.writePicture("sub/pic.bmp", 300, 200, "bmp");
        } else if (kind == "many fields, logo") {
            QByteArray list("id,name,filename,colour,size,price,supplier,city,date of birth,phone,notes,"
                            "FILENAME2,weight,material\r\n");
            for (int i = 1; i <= 4; ++i)
                list +=
                    QStringLiteral("\"%1\",\"Part with a rather long name %1\",\"a.png\",\"blue\",\"%1 cm\","
                                   "\"%1.50\",\"Hallam Lighting and Brass Works\",\"Leeds\",\"01/02/1990\","
                                   "\"555 12%1\",\"Café Möbel, row %1\",\"b.png\",\"%1 kg\",\"oak\"\r\n")
                        .arg(i)
                        .toUtf8();
            folder.write("parts.lst", list);
            folder.writePicture("logo.gif", 200, 60, "gif");
            folder.writePicture("a.png", 640, 480);
            folder.writePicture("b.png", 200, 900);
        }
    }

    // The window's run where the print system has no queue: the document is saved beside the list.
    static QString windowPdf(const ProgramFolder &folder, bool landscape, bool actualSize)
    {
        CapturingSink sink;
        frmPrinter window(folder.path());
        window.setMessageSink(&sink);
        window.setSurfaceFactory([](const QString &programFolder) -> std::unique_ptr<PrintSurface> {
            return std::make_unique<PrinterSurface>(programFolder, [] { return Cups::DefaultPrinter(); });
        });
        window.optOrientation(landscape ? 1 : 0)->setChecked(true);
        window.optSize(actualSize ? 1 : 0)->setChecked(true);
        [&] { QVERIFY(printToEnd(window)); }();
        [&] { QCOMPARE(sink.texts(Message::Error), QStringList{}); }();
        return folder.filePath("parts.pdf");
    }

    // environment: variables set for the run ("NAME=value"), or taken away ("NAME" alone).
    static QString batchPdf(const ProgramFolder &folder, const QString &out, bool landscape, bool actualSize,
                            const QStringList &environment = {})
    {
        QStringList arguments{"--pdf", out, "--quiet"};
        if (landscape)
            arguments << "--landscape";
        if (actualSize)
            arguments << "--actual-size";
        arguments << folder.path();
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("CUPS_SERVER"),
                   QDir::temp().filePath(QStringLiteral("no-such-cups-socket")));
        for (const QString &variable : environment) {
            const qsizetype equals = variable.indexOf(QLatin1Char('='));
            if (equals < 0)
                env.remove(variable);
            else
                env.insert(variable.left(equals), variable.mid(equals + 1));
        }
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(qEnvironmentVariable("LSTPRINT_PROGRAM"), arguments);
        [&] {
            QVERIFY(process.waitForFinished(60000));
            QCOMPARE(process.exitCode(), 0);
        }();
        return out;
    }

private slots:
    void initTestCase() { QVERIFY(PdfTools::available()); }

    void sameDocumentAsTheWindow_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<bool>("actualSize");
        for (const char *folder : {"demo", "pictures of every size, no logo", "many fields, logo"}) {
            for (const bool landscape : {false, true}) {
                for (const bool actualSize : {false, true})
                    QTest::addRow("%s, %s, %s", folder, landscape ? "landscape" : "portrait",
                                  actualSize ? "actual size" : "fit in page")
                        << QString::fromLatin1(folder) << landscape << actualSize;
            }
        }
    }
    void sameDocumentAsTheWindow()
    {
        QFETCH(QString, folder);
        QFETCH(bool, landscape);
        QFETCH(bool, actualSize);

        ProgramFolder data;
        makeFolder(folder, data);
        ProgramFolder outside;
        const QString fromWindow = windowPdf(data, landscape, actualSize);
        const QString fromBatch = batchPdf(data, outside.filePath("out.pdf"), landscape, actualSize);
        if (QTest::currentTestFailed())
            return;

        const int pages = PdfTools::pageCount(fromWindow);
        QVERIFY(pages > 0);
        QCOMPARE(PdfTools::pageCount(fromBatch), pages);
        QCOMPARE(PdfTools::pageSize(fromBatch), PdfTools::pageSize(fromWindow));
        const QStringList windowTexts = PdfTools::pageTexts(fromWindow);
        const QStringList batchTexts = PdfTools::pageTexts(fromBatch);
        QCOMPARE(windowTexts.size(), pages);
        for (int page = 0; page < pages; ++page)
            QCOMPARE(withoutDates(batchTexts.value(page)), withoutDates(windowTexts.value(page)));
        const QStringList windowImages = imagesWithoutObjects(fromWindow);
        QVERIFY(!windowImages.isEmpty());
        QCOMPARE(imagesWithoutObjects(fromBatch), windowImages);

        // Drawn the same: every page renders to the same pixels, unless the two runs fell on
        // either side of midnight.
        if (batchTexts == windowTexts) {
            const QList<QImage> windowPages = PdfTools::renderPages(fromWindow, 30);
            const QList<QImage> batchPages = PdfTools::renderPages(fromBatch, 30);
            QCOMPARE(batchPages.size(), pages);
            for (int page = 0; page < pages; ++page)
                QVERIFY2(batchPages[page] == windowPages.value(page), qPrintable(QString::number(page + 1)));
        }
    }

    // The PDF's sheet is the system's paper as libpaper names it: PAPERSIZE first, then the file
    // that PAPERCONF names (/etc/papersize without it); the locale's (A4 in C.UTF-8) when that
    // names no paper libpaper knows. Sizes in points, as the standards give them.
    void paperFromTheSystem_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("paperconf"); // the file's contents, or empty for no file
        QTest::addColumn<QSizeF>("points");
        const QSizeF a4(595.28, 841.89);
        QTest::newRow("PAPERSIZE=a4") << QStringList{"PAPERSIZE=a4"} << "letter\n" << a4;
        QTest::newRow("PAPERSIZE=letter") << QStringList{"PAPERSIZE=letter"} << "a4\n" << QSizeF(612, 792);
        QTest::newRow("PAPERSIZE=Legal, any case")
            << QStringList{"PAPERSIZE=Legal"} << "" << QSizeF(612, 1008);
        QTest::newRow("PAPERCONF naming a5") << QStringList{"PAPERSIZE"} << "a5\n" << QSizeF(419.53, 595.28);
        QTest::newRow("PAPERCONF naming a size without a standard id")
            << QStringList{"PAPERSIZE"} << "halfexecutive\n"
            << QSizeF(378, 522);
        QTest::newRow("PAPERSIZE=ledger, listed landscape: portrait")
            << QStringList{"PAPERSIZE=ledger"} << "" << QSizeF(792, 1224);
        QTest::newRow("no PAPERCONF file: the locale's") << QStringList{"PAPERSIZE"} << "" << a4;
        QTest::newRow("PAPERSIZE naming no paper: the locale's")
            << QStringList{"PAPERSIZE=no-such-paper"} << "letter\n"
            << a4;
        QTest::newRow("PAPERSIZE empty: the locale's") << QStringList{"PAPERSIZE="} << "letter\n" << a4;
    }
    void paperFromTheSystem()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, paperconf);
        QFETCH(QSizeF, points);

        ProgramFolder data;
        data.copyDemo();
        ProgramFolder outside;
        const QString conf = outside.filePath("papersize");
        if (!paperconf.isEmpty())
            outside.write("papersize", paperconf.toUtf8());
        const QString pdf =
            batchPdf(data, outside.filePath("out.pdf"), false, false, environment << "PAPERCONF=" + conf);
        if (QTest::currentTestFailed())
            return;
        const QRectF box = PdfTools::mediaBox(pdf);
        QVERIFY2(qAbs(box.width() - points.width()) < 1 && qAbs(box.height() - points.height()) < 1,
                 qPrintable(QStringLiteral("MediaBox %1 x %2").arg(box.width()).arg(box.height())));
    }
};

QTEST_MAIN(TestBatchPdf)
#include "tst_batchpdf.moc"
