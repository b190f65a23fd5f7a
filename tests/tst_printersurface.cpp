// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdftools.h"
#include "printersurface.h"
#include "testsupport.h"

#include <QtTest>

#include <future>

#include <unistd.h>

namespace {

// The lookup of a system without a print system.
Cups::DefaultPrinter noPrinter()
{
    return {};
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The default printer where there is no print queue: the document becomes a PDF beside the list
// file, and nothing that is already there is ever replaced.
class TestPrinterSurface : public QObject
{
    Q_OBJECT

    static PrintOutcome printPages(const QString &folder, const QString &documentName, int pages)
    {
        PrinterSurface surface(folder, noPrinter);
        surface.setDocumentName(documentName);
        for (int page = 0; page < pages; ++page) {
            surface.printText(QStringLiteral("page %1").arg(page + 1));
            surface.newPage();
        }
        surface.endDocument();
        return surface.outcome();
    }

    // Runs one test function (and row) of this program as root in a new mount and network
    // namespace, where /run/cups is an empty folder and no port of the host answers.
    static void runInPrivateNamespace(const QString &function)
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
            LSTPRINT_SKIP(QStringLiteral("this host has a print system of its own, and hiding it takes "
                                         "root and unshare"));
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LSTPRINT_PRIVATE_NAMESPACE"), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QStringLiteral("unshare"),
                    {QStringLiteral("--mount"), QStringLiteral("--net"), QStringLiteral("--propagation"),
                     QStringLiteral("private"), QStringLiteral("sh"), QStringLiteral("-c"),
                     QStringLiteral("mkdir -p /run/cups && mount -t tmpfs tmpfs /run/cups && exec \"$@\""),
                     QStringLiteral("sh"), QCoreApplication::applicationFilePath(), function});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAll().constData());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(PdfTools::available());
        // No print system is reachable from here, whatever the machine has.
        qputenv("CUPS_SERVER", QFile::encodeName(QDir::temp().filePath("no-such-cups-socket")));
    }

    void cleanup()
    {
        qputenv("CUPS_SERVER", QFile::encodeName(QDir::temp().filePath("no-such-cups-socket")));
    }

    // What the lookup of the default printer tells apart, with the configuration that libcups reads
    // (CUPS_SERVER, HOME/.cups/client.conf, CUPS_SERVERROOT/client.conf) made by the test. Each
    // lookup runs on a thread of its own: libcups keeps what it read per thread.
    void lookUpTellsWhatItFound_data()
    {
        QTest::addColumn<QString>("server");        // CUPS_SERVER, with "FOLDER" for the test's folder
        QTest::addColumn<QByteArray>("clientConf"); // the system's client.conf
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        QTest::newRow("socket that does not exist")
            << "FOLDER/cups.sock" << QByteArray() << int(Cups::DefaultPrinter::Unreachable)
            << "the socket FOLDER/cups.sock does not exist";
        QTest::newRow("file in place of the socket")
            << "FOLDER/client.conf" << QByteArray("# nothing\n") << int(Cups::DefaultPrinter::Unreachable)
            << "the socket FOLDER/client.conf does not accept connections";
        QTest::newRow("nothing set up")
            << "" << QByteArray() << int(Cups::DefaultPrinter::NoPrintSystem) << "";
        QTest::newRow("client.conf names the local server")
            << "" << QByteArray("ServerName localhost\n") << int(Cups::DefaultPrinter::Unreachable)
            << "the print server localhost:631 cannot be connected to";
    }

    void lookUpTellsWhatItFound()
    {
        QFETCH(QString, server);
        QFETCH(QByteArray, clientConf);
        QFETCH(int, status);
        QFETCH(QString, reason);
        const auto lookUp = [] { return std::async(std::launch::async, Cups::lookUpDefaultPrinter).get(); };
        ProgramFolder folder;
        const auto restore = qScopeGuard([home = qgetenv("HOME")] {
            qputenv("HOME", home);
            qunsetenv("CUPS_SERVERROOT");
        });
        folder.makeFolder("home");
        qputenv("HOME", QFile::encodeName(folder.filePath("home")));
        qputenv("CUPS_SERVERROOT", QFile::encodeName(folder.path()));
        if (!clientConf.isEmpty())
            folder.write("client.conf", clientConf);
        if (server.isEmpty()) {
            // libcups then tries the system's own socket, or else the local host. Where this host
            // has a print system of its own, the row runs again in a mount and network namespace of
            // its own, which hides the socket and the host's ports.
            qputenv("CUPS_SERVER", "localhost");
            const bool systemPrints = QFileInfo::exists("/run/cups/cups.sock") ||
                                      lookUp().status != Cups::DefaultPrinter::Unreachable;
            qunsetenv("CUPS_SERVER");
            if (systemPrints) {
                if (qEnvironmentVariableIsSet("LSTPRINT_PRIVATE_NAMESPACE"))
                    QFAIL("the private namespace still shows the host's print system");
                runInPrivateNamespace(QStringLiteral("lookUpTellsWhatItFound:") +
                                      QString::fromUtf8(QTest::currentDataTag()));
                return;
            }
        } else {
            qputenv("CUPS_SERVER", QFile::encodeName(QString(server).replace("FOLDER", folder.path())));
        }

        const Cups::DefaultPrinter found = lookUp();
        QCOMPARE(int(found.status), status);
        QVERIFY(!found.printer);
        const QString expected = QString(reason).replace("FOLDER", folder.path());
        QVERIFY2(expected.isEmpty() ? found.reason.isEmpty() : found.reason.startsWith(expected),
                 qPrintable(found.reason));
    }

    void savesBesideTheListFile_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("documentName");
        QTest::addColumn<QString>("saved");
        QTest::newRow("first") << QStringList{} << "parts.lst"
                               << "parts.pdf";
        QTest::newRow("taken") << QStringList{"parts.pdf"} << "parts.lst"
                               << "parts-2.pdf";
        QTest::newRow("two taken") << QStringList{"parts.pdf", "parts-2.pdf"} << "parts.lst"
                                   << "parts-3.pdf";
        QTest::newRow("gap is filled") << QStringList{"parts.pdf", "parts-3.pdf"} << "parts.lst"
                                       << "parts-2.pdf";
        QTest::newRow("folder in the way") << QStringList{"parts.pdf/"} << "parts.lst"
                                           << "parts-2.pdf";
        QTest::newRow("dots in the name") << QStringList{} << "my.parts.LST"
                                          << "my.parts.pdf";
        QTest::newRow("no name") << QStringList{} << ""
                                 << "document.pdf";
    }

    void savesBesideTheListFile()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, documentName);
        QFETCH(QString, saved);
        ProgramFolder folder;
        for (const QString &name : existing) {
            if (name.endsWith('/'))
                folder.makeFolder(name);
            else
                folder.write(name, "already here " + name.toUtf8());
        }
        const PrintOutcome outcome = printPages(folder.path(), documentName, 3);
        QCOMPARE(outcome.kind, PrintOutcome::SavedAsPdf);
        QCOMPARE(outcome.pdfPath, folder.filePath(saved));
        QCOMPARE(outcome.pages, 3);
        QCOMPARE(PdfTools::pageCount(outcome.pdfPath), 3);
        for (const QString &name : existing) {
            if (!name.endsWith('/'))
                QCOMPARE(contentOf(folder.filePath(name)), "already here " + name.toUtf8());
        }
    }

    void danglingLinkIsNotFollowed()
    {
        ProgramFolder folder;
        ProgramFolder elsewhere;
        const QString target = elsewhere.filePath("victim.pdf");
        QVERIFY(QFile::link(target, folder.filePath("parts.pdf")));
        const PrintOutcome outcome = printPages(folder.path(), "parts.lst", 1);
        QCOMPARE(outcome.pdfPath, folder.filePath("parts-2.pdf"));
        QVERIFY(!QFile::exists(target));
    }

    void secondRunWritesTheNextName()
    {
        ProgramFolder folder;
        QCOMPARE(printPages(folder.path(), "parts.lst", 2).pdfPath, folder.filePath("parts.pdf"));
        const QByteArray first = contentOf(folder.filePath("parts.pdf"));
        QCOMPARE(printPages(folder.path(), "parts.lst", 1).pdfPath, folder.filePath("parts-2.pdf"));
        QCOMPARE(contentOf(folder.filePath("parts.pdf")), first);
        QCOMPARE(PdfTools::pageCount(folder.filePath("parts-2.pdf")), 1);
    }

    void nothingPrintedWritesNothing()
    {
        ProgramFolder folder;
        const PrintOutcome outcome = printPages(folder.path(), "parts.lst", 0);
        QCOMPARE(outcome.kind, PrintOutcome::NothingPrinted);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{});
    }

    void unwritableFolderIsAnError()
    {
        ProgramFolder folder;
        const QString missing = folder.filePath("gone");
        PrinterSurface surface(missing, noPrinter);
        surface.setDocumentName("parts.lst");
        surface.printText("x");
        try {
            surface.endDocument();
            QFAIL("saving into a missing folder succeeded");
        } catch (const PrintError &error) {
            QCOMPARE(error.number(), int(PrintError::OutputFolderNotWritable));
            QVERIFY(error.description().contains(missing));
        }
        QCOMPARE(surface.outcome().kind, PrintOutcome::NothingPrinted);
    }

    // Where the work folder is: in the temporary folder, which may be on the list file's file
    // system (the PDF is renamed or linked into place) or on another one (copied), or unusable (a
    // stale TMPDIR: the surface refuses at once, and nothing is written anywhere, not even in the
    // current folder). A discarded document leaves nothing in either place.
    void workFolder_data()
    {
        QTest::addColumn<QString>("tmpdir"); // "" the test's own temporary folder
        QTest::addColumn<bool>("discard");
        QTest::newRow("same file system") << "" << false;
        QTest::newRow("another file system") << "/dev/shm" << false;
        QTest::newRow("unusable") << "/nonexistent/tmp" << false;
        QTest::newRow("discarded") << "" << true;
    }
    void workFolder()
    {
        QFETCH(QString, tmpdir);
        QFETCH(bool, discard);

        ProgramFolder folder;
        ProgramFolder temporary;
        folder.write("document.pdf", "a file of the user's, beside the program");
        if (tmpdir.isEmpty())
            tmpdir = temporary.path();
        else if (tmpdir != "/nonexistent/tmp" && !QFileInfo(tmpdir).isWritable())
            LSTPRINT_SKIP(QStringLiteral("no second file system to try"));
        const QByteArray savedTmpdir = qgetenv("TMPDIR");
        const QString savedCurrent = QDir::currentPath();
        qputenv("TMPDIR", QFile::encodeName(tmpdir));
        QVERIFY(QDir::setCurrent(folder.path()));
        const auto restore = qScopeGuard([&] {
            qputenv("TMPDIR", savedTmpdir);
            QDir::setCurrent(savedCurrent);
        });
        const QStringList inTemporaryBefore = QDir(tmpdir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        std::unique_ptr<PrinterSurface> surface;
        try {
            surface = std::make_unique<PrinterSurface>(folder.path(), noPrinter);
        } catch (const PrintError &error) {
            QCOMPARE(tmpdir, QStringLiteral("/nonexistent/tmp"));
            QCOMPARE(error.number(), int(PrintError::DocumentNotWritable));
            QVERIFY2(error.description().contains(QLatin1String("/nonexistent/tmp")),
                     qPrintable(error.description()));
            QCOMPARE(contentOf(folder.filePath("document.pdf")),
                     QByteArray("a file of the user's, beside the program"));
            QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"document.pdf"});
            return;
        }
        QVERIFY(tmpdir != QStringLiteral("/nonexistent/tmp"));
        surface->setDocumentName("parts.lst");
        for (int page = 1; page <= 3; ++page) {
            surface->printText(QStringLiteral("page %1").arg(page));
            surface->newPage();
        }
        if (discard) {
            surface->discardDocument();
            QCOMPARE(surface->outcome().kind, PrintOutcome::Discarded);
            QCOMPARE(surface->outcome().pages, 3);
            surface->endDocument(); // ends nothing: the document is gone
            QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"document.pdf"});
        } else {
            surface->endDocument();
            QCOMPARE(surface->outcome().kind, PrintOutcome::SavedAsPdf);
            QCOMPARE(PdfTools::pageCount(folder.filePath("parts.pdf")), 3);
            QCOMPARE(QFileInfo(folder.filePath("parts.pdf")).permissions(),
                     QFileInfo(folder.filePath("document.pdf")).permissions());
        }
        QCOMPARE(contentOf(folder.filePath("document.pdf")),
                 QByteArray("a file of the user's, beside the program"));
        if (discard)
            QCOMPARE(QDir(tmpdir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), inTemporaryBefore);
        surface.reset();
        QCOMPARE(QDir(tmpdir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), inTemporaryBefore);
    }

    // The PDF saved for want of a printer is on the system's paper, which libpaper names.
    void fallbackUsesTheSystemPaper()
    {
        ProgramFolder folder;
        const bool wasSet = qEnvironmentVariableIsSet("PAPERSIZE");
        const QByteArray before = qgetenv("PAPERSIZE");
        qputenv("PAPERSIZE", "letter");
        const auto restore =
            qScopeGuard([&] { wasSet ? qputenv("PAPERSIZE", before) : qunsetenv("PAPERSIZE"); });
        PrinterSurface surface(folder.path(), noPrinter);
        // Letter less the quarter-inch margins: 8 inches.
        QCOMPARE(qRound(surface.scaleWidth()), 8 * 1440);
        surface.setOrientation(PrintSurface::Landscape);
        QCOMPARE(surface.orientation(), int(PrintSurface::Landscape));
    }
};

QTEST_MAIN(TestPrinterSurface)
#include "tst_printersurface.moc"
