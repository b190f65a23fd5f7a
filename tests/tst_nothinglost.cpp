// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdftools.h"
#include "printersurface.h"
#include "testsupport.h"

#include <QtTest>

// End-to-end runs of the demo folder where there is no printer, so that the document is saved as
// a PDF beside the list file: afterwards every file that was there (the list file, the logo, the
// pictures, earlier PDFs, links) is byte for byte as it was, and the only new file is the PDF,
// under a name that was free.
class TestNothingLost : public QObject
{
    Q_OBJECT

    static void copyDemo(const ProgramFolder &folder)
    {
        const QDir demo(qEnvironmentVariable("LSTPRINT_DEMO_DIR"));
        const QStringList files = demo.entryList(QDir::Files);
        QVERIFY(files.contains("parts.lst"));
        for (const QString &name : files)
            QVERIFY(QFile::copy(demo.filePath(name), folder.filePath(name)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(PdfTools::available());
        // No print system is reachable from here, whatever the machine has.
        qputenv("CUPS_SERVER", QFile::encodeName(QDir::temp().filePath("no-such-cups-socket")));
    }

    void pdfBesideTheListFileReplacesNothing_data()
    {
        QTest::addColumn<QStringList>("existing"); // "name", "name/" (a folder) or "name->target" (a link)
        QTest::addColumn<QStringList>("added");
        QTest::newRow("nothing there") << QStringList{} << QStringList{"parts.pdf"};
        QTest::newRow("parts.pdf there") << QStringList{"parts.pdf"} << QStringList{"parts-2.pdf"};
        QTest::newRow("two there") << QStringList{"parts.pdf", "parts-2.pdf"} << QStringList{"parts-3.pdf"};
        QTest::newRow("a folder in the way") << QStringList{"parts.pdf/"} << QStringList{"parts-2.pdf"};
        QTest::newRow("a dangling link in the way")
            << QStringList{"parts.pdf->gone.pdf"} << QStringList{"parts-2.pdf"};
        QTest::newRow("a link to the list file")
            << QStringList{"parts.pdf->parts.lst"} << QStringList{"parts-2.pdf"};
    }

    void pdfBesideTheListFileReplacesNothing()
    {
        QFETCH(QStringList, existing);
        QFETCH(QStringList, added);
        RunFixture fixture;
        copyDemo(fixture.folder);
        for (const QString &entry : existing) {
            if (entry.endsWith('/'))
                fixture.folder.makeFolder(entry);
            else if (entry.contains("->"))
                QVERIFY(
                    QFile::link(entry.section("->", 1), fixture.folder.filePath(entry.section("->", 0, 0))));
            else
                fixture.folder.write(entry, "an earlier document called " + entry.toUtf8());
        }

        const FolderSnapshot before(fixture.folder.path());
        const auto printer = PrinterSurface::forDefaultPrinter(fixture.folder.path());
        fixture.run->cmdPrint_Click(*printer);
        QCOMPARE(fixture.reporter.messages, QStringList{});
        const FolderSnapshot after(fixture.folder.path());

        QCOMPARE(after.changesSince(before), QStringList{});
        QCOMPARE(after.addedSince(before), added);
        QCOMPARE(printer->outcome().kind, PrintOutcome::SavedAsPdf);
        QCOMPARE(printer->outcome().pdfPath, fixture.folder.filePath(added.first()));
        QCOMPARE(PdfTools::pageCount(printer->outcome().pdfPath), 6);
        QVERIFY(!QFileInfo::exists(fixture.folder.filePath("gone.pdf")));
    }

    // Runs one after another, some with errors on their pages: each adds its own PDF and leaves
    // everything else as it was, the earlier PDFs included.
    void repeatedRunsAddOnlyTheirOwnPdf()
    {
        RunFixture fixture;
        copyDemo(fixture.folder);
        QFile lamp(fixture.folder.filePath("lamp.gif"));
        QVERIFY(lamp.open(QIODevice::ReadOnly));
        const QByteArray whole = lamp.readAll();
        lamp.close();

        for (int run = 1; run <= 3; ++run) {
            if (run == 2) // the lamp's picture cut short for the second run only
                fixture.folder.write("lamp.gif", whole.left(whole.size() / 2));
            if (run == 3)
                fixture.folder.write("lamp.gif", whole);
            const FolderSnapshot before(fixture.folder.path());
            const auto printer = PrinterSurface::forDefaultPrinter(fixture.folder.path());
            fixture.reporter.numbers.clear();
            fixture.run->cmdPrint_Click(*printer);
            QCOMPARE(fixture.reporter.numbers,
                     run == 2 ? QList<int>{PrintError::PictureNotReadable} : QList<int>{});
            const FolderSnapshot after(fixture.folder.path());
            QCOMPARE(after.changesSince(before), QStringList{});
            const QString expected =
                run == 1 ? QStringLiteral("parts.pdf") : QStringLiteral("parts-%1.pdf").arg(run);
            QCOMPARE(after.addedSince(before), QStringList{expected});
            QCOMPARE(PdfTools::pageCount(fixture.folder.filePath(expected)), 6);
        }
    }
};

QTEST_MAIN(TestNothingLost)
#include "tst_nothinglost.moc"
