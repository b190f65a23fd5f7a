// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "dataset.h"
#include "pdftools.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

#include <sys/stat.h>

namespace {

// What the built program did.
struct Finished
{
    int status = -1;
    QStringList errorLines; // standard error, line by line
    QByteArray output;      // standard output, unless it went to a file
};

// The private cupsd's states that a row needs.
enum class Cups
{
    Nowhere,   // CUPS_SERVER names a socket that does not exist
    Running,   // the private cupsd with its default queue
    Rejecting, // its default queue refuses jobs
    Stopped,   // its default queue is stopped: jobs are taken and held
};

} // namespace

Q_DECLARE_METATYPE(Cups)

// The built lstprint run as a script runs it: a process with no display of any kind in its
// environment (no DISPLAY, no WAYLAND_DISPLAY, no QT_QPA_PLATFORM), on folders made for each case,
// with the exit status, the lines on standard error and the files left behind checked together.
class TestBatchRun : public QObject
{
    Q_OBJECT

    QString m_program;
    QString m_cupsDir;
    QString m_cupsScript;
    QString m_cupsUnavailable;

    QProcessEnvironment environment(Cups cups) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR", "PRINTER", "LPDEST"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("CUPS_SERVER"),
                   cups == Cups::Nowhere ? QDir::temp().filePath(QStringLiteral("no-such-cups-socket"))
                                         : m_cupsDir + QStringLiteral("/cups.sock"));
        return env;
    }

    Finished run(const QStringList &arguments, const QString &folder, Cups cups,
                 const QString &outputFile = QString()) const
    {
        QProcess process;
        process.setProcessEnvironment(environment(cups));
        process.setWorkingDirectory(folder);
        if (!outputFile.isEmpty())
            process.setStandardOutputFile(outputFile);
        process.start(m_program, arguments);
        Finished finished;
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return finished;
        finished.status = process.exitCode();
        finished.errorLines = QString::fromLocal8Bit(process.readAllStandardError()).split(QLatin1Char('\n'));
        if (finished.errorLines.last().isEmpty())
            finished.errorLines.removeLast();
        finished.output = process.readAllStandardOutput();
        return finished;
    }

    bool cupsControl(const QString &action) const
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral("bash"), {m_cupsScript, action, m_cupsDir});
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    // The files the queues have written so far.
    [[nodiscard]] QStringList jobOutputs() const
    {
        return QDir(m_cupsDir + QStringLiteral("/out")).entryList(QDir::Files);
    }

    // The PDF that the queue wrote for a job, once it is complete (jobs print asynchronously).
    // Only a file that was not there before counts: a test that restarts the print system starts
    // its job numbers again, so an older file may end in the same number.
    QString waitForJobOutput(int jobId, const QStringList &before) const
    {
        const QDir out(m_cupsDir + QStringLiteral("/out"));
        const QString suffix = QStringLiteral("job_%1.pdf").arg(jobId);
        QString found;
        const auto lookUp = [&] {
            for (const QString &name : out.entryList(QDir::Files))
                if (name.endsWith(suffix) && !before.contains(name))
                    return out.filePath(name);
            return QString();
        };
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!(found = lookUp()).isEmpty(), 60000); }();
        if (!found.isEmpty())
            [&] { QTRY_VERIFY_WITH_TIMEOUT(PdfTools::pageCount(found) > 0, 30000); }();
        return found;
    }

    static void makeFolder(const QString &kind, const ProgramFolder &folder)
    {
        if (kind.startsWith(QLatin1String("demo")))
            folder.copyDemo();
        if (kind.endsWith(QLatin1String("old out.pdf")))
            folder.write("out.pdf", "the document of yesterday");
        if (kind == "demo and a folder") {
            folder.makeFolder("sub");
        } else if (kind == "header only") {
            folder.write("parts.lst", "id,name,filename\r\n");
        } else if (kind == "list is a FIFO") {
            QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath("parts.lst")).constData(), 0644), 0);
        } else if (kind == "a bad picture") {
            folder.write("parts.lst",
                         "id,name,filename\r\n\"1\",\"Lamp\",\"a.png\"\r\n\"2\",\"Desk\",\"bad.gif\"\r\n"
                         "\"3\",\"Chair\",\"a.png\"\r\n");
            folder.writePicture("a.png", 40, 30);
            folder.write("bad.gif", "this is not a picture");
        } else if (kind == "pictures missing") {
            // Records 2 and 4 to 8 name pictures that are not there, record 3 none.
            QByteArray list(
                "id,name,filename\r\n\"1\",\"Lamp\",\"a.png\"\r\n\"2\",\"Desk\",\" lamp.gif \"\r\n"
                "\"3\",\"Stool\",\"\"\r\n");
            for (const char *name : {"desk.jpg", "chair.png", "shelf.gif", "mural.jpg", "x.gif"})
                list += "\"4\",\"Part\",\"" + QByteArray(name) + "\"\r\n";
            folder.write("parts.lst", list);
            folder.writePicture("a.png", 40, 30);
        }
    }

private slots:
    void initTestCase()
    {
        m_program = qEnvironmentVariable("LSTPRINT_PROGRAM");
        QVERIFY2(QFileInfo(m_program).isExecutable(), "LSTPRINT_PROGRAM names the built lstprint");
        QVERIFY(PdfTools::available());
        m_cupsDir = qEnvironmentVariable("LSTPRINT_CUPS_DIR");
        m_cupsScript = qEnvironmentVariable("LSTPRINT_CUPSD_SCRIPT");
        QFile unavailable(m_cupsDir + QStringLiteral("/unavailable"));
        if (m_cupsDir.isEmpty() || unavailable.open(QIODevice::ReadOnly))
            m_cupsUnavailable = QString::fromUtf8(unavailable.readAll()).trimmed();
    }

    void exitStatusAndMessages_data()
    {
        QTest::addColumn<QStringList>("arguments"); // run in the case's folder
        QTest::addColumn<QString>("folder");
        QTest::addColumn<Cups>("cups");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("errors"); // every line of standard error, as patterns
        QTest::addColumn<QStringList>("files");  // what is new or changed in the folder ("out.pdf:6": pages)
        QTest::addColumn<QString>("output");     // standard output: "" nothing, "pdf:N" a PDF, or a pattern
        QTest::addColumn<int>("jobPages");       // pages of the job that reaches the queue; -1: no job

        const QString usageHint = QStringLiteral("Try 'lstprint --help' for more information\\.");
        const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

        // Usage errors: nothing is read, nothing written, and no window is tried without a display.
        row("unknown option") << QStringList{"--bogus", "."} << "demo" << Cups::Nowhere << 2
                              << QStringList{"lstprint: Unknown option 'bogus'\\.", usageHint}
                              << QStringList{} << "" << -1;
        row("two data arguments") << QStringList{"--pdf", "out.pdf", ".", "parts.lst"} << "demo"
                                  << Cups::Nowhere << 2
                                  << QStringList{"lstprint: only one FOLDER or LIST.lst .*", usageHint}
                                  << QStringList{} << "" << -1;
        row("--printer without --print")
            << QStringList{"--printer", "office", "."} << "demo" << Cups::Nowhere << 2
            << QStringList{"lstprint: --printer is for --print only", usageHint} << QStringList{} << "" << -1;
        row("-o that fixes the page")
            << QStringList{"--print", "-o", "media=iso_a4_210x297mm", "."} << "demo" << Cups::Nowhere << 2
            << QStringList{"lstprint: -o media is not taken: the pages are drawn on "
                           "the printer's own paper .*",
                           usageHint}
            << QStringList{} << "" << -1;
        row("--landscape without --pdf or --print")
            << QStringList{"-l", "."} << "demo" << Cups::Nowhere << 2
            << QStringList{"lstprint: --landscape is for --pdf, --print and --preview only.*", usageHint}
            << QStringList{} << "" << -1;
        row("--records malformed") << QStringList{"--pdf", "out.pdf", "-r", "2-x", "."} << "demo"
                                   << Cups::Nowhere << 2
                                   << QStringList{"lstprint: --records: \"2-x\" is not a record .*",
                                                  usageHint}
                                   << QStringList{} << "" << -1;
        row("--records backwards") << QStringList{"--pdf", "out.pdf", "--records=5-2", "."} << "demo"
                                   << Cups::Nowhere << 2
                                   << QStringList{"lstprint: --records: the range \"5-2\" runs backwards",
                                                  usageHint}
                                   << QStringList{} << "" << -1;
        row("--records empty") << QStringList{"--pdf", "out.pdf", "--records=", "."} << "demo"
                               << Cups::Nowhere << 2
                               << QStringList{"lstprint: --records: the list of records is empty", usageHint}
                               << QStringList{} << "" << -1;
        row("--pdf naming the list file")
            << QStringList{"--pdf", "parts.lst", "."} << "demo" << Cups::Nowhere << 2
            << QStringList{"lstprint: --pdf parts\\.lst would replace the list file "
                           "it is made from",
                           usageHint}
            << QStringList{} << "" << -1;
        row("--help") << QStringList{"--help"} << "demo" << Cups::Nowhere << 0 << QStringList{}
                      << QStringList{} << "^Usage: lstprint .*\nExit status:\n.*143.*\n$" << -1;
        row("--version") << QStringList{"--version"} << "demo" << Cups::Nowhere << 0 << QStringList{}
                         << QStringList{}
                         << QStringLiteral(
                                "^lstprint %1\nCopyright \\(C\\) 20[0-9]{2} \\S.*\n"
                                "License GPLv3\\+: GNU GPL version 3 or later "
                                "<https://gnu\\.org/licenses/gpl\\.html>\\.\n"
                                "This is free software: you are free to change and redistribute it\\.\n"
                                "There is NO WARRANTY, to the extent permitted by law\\.\n$")
                                .arg(QRegularExpression::escape(qEnvironmentVariable("LSTPRINT_VERSION")))
                         << -1;

        // Printing to a PDF.
        row("demo folder") << QStringList{"--pdf", "out.pdf", "."} << "demo" << Cups::Nowhere << 0
                           << QStringList{"Printed 6 pages to out\\.pdf\\."} << QStringList{"out.pdf:6"} << ""
                           << -1;
        row("list file named, landscape, actual size, --pdf=")
            << QStringList{"--pdf=out.pdf", "-la", "parts.lst"} << "demo" << Cups::Nowhere << 0
            << QStringList{"Printed 6 pages to out\\.pdf\\."} << QStringList{"out.pdf:6"} << "" << -1;
        row("quiet") << QStringList{"-q", "--pdf", "out.pdf", "."} << "demo" << Cups::Nowhere << 0
                     << QStringList{} << QStringList{"out.pdf:6"} << "" << -1;
        row("records: ranges") << QStringList{"--pdf", "out.pdf", "-r", "2-3,5", "."} << "demo"
                               << Cups::Nowhere << 0 << QStringList{"Printed 3 pages to out\\.pdf\\."}
                               << QStringList{"out.pdf:3"} << "" << -1;
        row("records: open range") << QStringList{"--pdf", "out.pdf", "--records", "5-", "."} << "demo"
                                   << Cups::Nowhere << 0 << QStringList{"Printed 2 pages to out\\.pdf\\."}
                                   << QStringList{"out.pdf:2"} << "" << -1;
        row("records: partly past the end")
            << QStringList{"--pdf", "out.pdf", "-r", "6-9", "."} << "demo" << Cups::Nowhere << 0
            << QStringList{"Printed 1 page to out\\.pdf\\."} << QStringList{"out.pdf:1"} << "" << -1;
        row("records: all past the end")
            << QStringList{"--pdf", "out.pdf", "-r", "7-", "."} << "demo" << Cups::Nowhere << 3
            << QStringList{"Nothing was printed: parts\\.lst has 6 records, none of "
                           "them selected\\."}
            << QStringList{} << "" << -1;
        row("some records fail") << QStringList{"--pdf", "out.pdf", "."} << "a bad picture" << Cups::Nowhere
                                 << 1
                                 << QStringList{"Error 302: .*bad\\.gif.*",
                                                "Printed 3 pages to out\\.pdf, with 1 error\\."}
                                 << QStringList{"out.pdf:3"} << "" << -1;
        row("pictures missing")
            << QStringList{"--pdf", "out.pdf", "."} << "pictures missing" << Cups::Nowhere << 0
            << QStringList{"Printed 8 pages to out\\.pdf\\. 6 records name a picture that is not "
                           "in the folder: record 2 \\(lamp\\.gif\\), record 4 \\(desk\\.jpg\\), "
                           "record 5 \\(chair\\.png\\), record 6 \\(shelf\\.gif\\), record 7 "
                           "\\(mural\\.jpg\\) and 1 more\\."}
            << QStringList{"out.pdf:8"} << "" << -1;
        row("no list file") << QStringList{"--pdf", "out.pdf", "."} << "empty" << Cups::Nowhere << 3
                            << QStringList{"Error 101: .*", "Nothing was printed\\."} << QStringList{} << ""
                            << -1;
        // Installed programs live in a folder of their own: started without an argument, the
        // working folder is the data folder.
        row("no argument: the working folder's list")
            << QStringList{"--pdf", "out.pdf"} << "demo" << Cups::Nowhere << 0
            << QStringList{"Printed 6 pages to out\\.pdf\\."} << QStringList{"out.pdf:6"} << "" << -1;
        row("no argument, no list anywhere")
            << QStringList{"--pdf", "out.pdf"} << "empty" << Cups::Nowhere << 3
            << QStringList{"Error 101: No list file .* was found in the folder .*, nor in the working folder "
                           ".*\\.",
                           "Nothing was printed\\."}
            << QStringList{} << "" << -1;
        row("no records") << QStringList{"--pdf", "out.pdf", "."} << "header only" << Cups::Nowhere << 3
                          << QStringList{"Nothing was printed: parts\\.lst has no records\\."}
                          << QStringList{} << "" << -1;
        row("unreadable list file") << QStringList{"--pdf", "out.pdf", "parts.lst"} << "list is a FIFO"
                                    << Cups::Nowhere << 3
                                    << QStringList{"Error 102: .*parts\\.lst.*", "Nothing was printed\\."}
                                    << QStringList{} << "" << -1;
        row("output folder missing")
            << QStringList{"--pdf", "missing/out.pdf", "."} << "demo" << Cups::Nowhere << 3
            << QStringList{"Error 401: .*missing/out\\.pdf: No such file or directory\\.",
                           "Nothing was printed\\."}
            << QStringList{} << "" << -1;
        row("output is a folder") << QStringList{"--pdf", "sub", "."} << "demo and a folder" << Cups::Nowhere
                                  << 3
                                  << QStringList{"Error 401: .*sub: that is a folder\\.",
                                                 "Nothing was printed\\."}
                                  << QStringList{} << "" << -1;
        row("existing output kept when the run fails")
            << QStringList{"--pdf", "out.pdf", "."} << "empty, old out.pdf" << Cups::Nowhere << 3
            << QStringList{"Error 101: .*", "Nothing was printed\\."} << QStringList{} << "" << -1;
        row("existing output kept when nothing is selected")
            << QStringList{"--pdf", "out.pdf", "-r", "99", "."} << "demo, old out.pdf" << Cups::Nowhere << 3
            << QStringList{"Nothing was printed: .*"} << QStringList{} << "" << -1;
        row("existing output replaced on success")
            << QStringList{"--pdf", "out.pdf", "."} << "demo, old out.pdf" << Cups::Nowhere << 0
            << QStringList{"Printed 6 pages to out\\.pdf\\."} << QStringList{"out.pdf:6"} << "" << -1;
        row("standard output") << QStringList{"--pdf", "-", "."} << "demo" << Cups::Nowhere << 0
                               << QStringList{"Printed 6 pages to standard output\\."} << QStringList{}
                               << "pdf:6" << -1;
        row("standard output, run fails")
            << QStringList{"--pdf", "-", "."} << "empty" << Cups::Nowhere << 3
            << QStringList{"Error 101: .*", "Nothing was printed\\."} << QStringList{} << "" << -1;

        // Printing on a printer: paper or an error, never a PDF in the folder instead.
        row("print, print system out of reach")
            << QStringList{"--print", "."} << "demo" << Cups::Nowhere << 3
            << QStringList{"Error 403: .*", "Nothing was printed\\."} << QStringList{} << "" << -1;
        row("print, no such printer")
            << QStringList{"--print", "--printer", "nosuch", "."} << "demo" << Cups::Running << 3
            << QStringList{"Error 407: There is no printer nosuch to print on.*", "Nothing was printed\\."}
            << QStringList{} << "" << -1;
        row("print, default queue") << QStringList{"--print", "."} << "demo" << Cups::Running << 0
                                    << QStringList{"Sent 6 pages to printer lstprinttest, job [0-9]+\\."}
                                    << QStringList{} << "" << 6;
        row("print, named queue, records, landscape")
            << QStringList{"--print", "--printer", "lstprinttest", "-l", "-r", "2-3", "parts.lst"} << "demo"
            << Cups::Running << 0 << QStringList{"Sent 2 pages to printer lstprinttest, job [0-9]+\\."}
            << QStringList{} << "" << 2;
        row("print, some records fail")
            << QStringList{"--print", "."} << "a bad picture" << Cups::Running << 1
            << QStringList{"Error 302: .*", "Sent 3 pages to printer lstprinttest, job [0-9]+, with 1 "
                                            "error\\."}
            << QStringList{} << "" << 3;
        row("print, two copies") << QStringList{"--print", "-n", "2", "."} << "demo" << Cups::Running << 0
                                 << QStringList{"Sent 6 pages to printer lstprinttest, job [0-9]+\\."}
                                 << QStringList{} << "" << 12;
        row("print, an option the queue does not offer")
            << QStringList{"--print", "-o", "sides=two-sided-long-edge", "."} << "demo" << Cups::Running << 3
            << QStringList{"Error 409: The printer lstprinttest does not offer sides=two-sided-long-edge; it "
                           "offers sides=one-sided: nothing is printed\\.",
                           "Nothing was printed\\."}
            << QStringList{} << "" << -1;
        row("print, queue rejects jobs")
            << QStringList{"--print", "."} << "demo" << Cups::Rejecting << 3
            << QStringList{"Error 402: .*", "Nothing was printed\\."} << QStringList{} << "" << -1;
        // The job exists and prints once the printer is started: printing again would print twice.
        row("print, printer stopped")
            << QStringList{"--print", "."} << "demo" << Cups::Stopped << 1
            << QStringList{"Error 406: .*", "Sent 6 pages to printer lstprinttest, job [0-9]+; the "
                                            "printer is stopped and holds the job\\."}
            << QStringList{} << "" << -1;
    }
    void exitStatusAndMessages()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, folder);
        QFETCH(Cups, cups);
        QFETCH(int, status);
        QFETCH(QStringList, errors);
        QFETCH(QStringList, files);
        QFETCH(QString, output);
        QFETCH(int, jobPages);

        if (cups != Cups::Nowhere && !m_cupsUnavailable.isNull())
            LSTPRINT_SKIP("no private print system: " + m_cupsUnavailable);
        if (cups == Cups::Rejecting)
            QVERIFY(cupsControl(QStringLiteral("reject")));
        if (cups == Cups::Stopped)
            QVERIFY(cupsControl(QStringLiteral("disable")));
        const auto heal = qScopeGuard([&] {
            if (cups == Cups::Rejecting || cups == Cups::Stopped)
                QVERIFY(cupsControl(QStringLiteral("heal")));
        });

        ProgramFolder data;
        makeFolder(folder, data);
        const FolderSnapshot before(data.path());
        ProgramFolder outside; // standard output goes to a file here, as a script's redirection does
        const QString outputFile =
            output.startsWith(QLatin1String("pdf:")) ? outside.filePath("stdout.pdf") : "";
        const QStringList jobsBefore = jobOutputs();
        const Finished finished = run(arguments, data.path(), cups, outputFile);

        QCOMPARE(finished.status, status);
        QCOMPARE(finished.errorLines.size(), errors.size());
        for (int i = 0; i < errors.size(); ++i) {
            const QRegularExpression pattern(QRegularExpression::anchoredPattern(errors[i]));
            QVERIFY2(pattern.match(finished.errorLines[i]).hasMatch(), qPrintable(finished.errorLines[i]));
        }

        // Only the files the row names are new or changed; no work file is left, and nothing is gone.
        const FolderSnapshot after(data.path());
        QStringList touched = after.addedSince(before);
        for (const QString &change : after.changesSince(before)) {
            QVERIFY2(change.startsWith(QLatin1String("changed: ")), qPrintable(change));
            touched << change.mid(9);
        }
        QStringList names;
        for (const QString &file : files)
            names << file.section(QLatin1Char(':'), 0, 0);
        QCOMPARE(touched, names);
        for (const QString &file : files) {
            if (file.contains(QLatin1Char(':')))
                QCOMPARE(PdfTools::pageCount(data.filePath(file.section(':', 0, 0))),
                         file.section(':', 1).toInt());
        }

        if (output.startsWith(QLatin1String("pdf:"))) {
            QCOMPARE(PdfTools::pageCount(outputFile), output.mid(4).toInt());
        } else if (output.isEmpty()) {
            QCOMPARE(finished.output, QByteArray());
        } else {
            const QRegularExpression pattern(output, QRegularExpression::DotMatchesEverythingOption);
            QVERIFY2(pattern.match(QString::fromLocal8Bit(finished.output)).hasMatch(),
                     finished.output.constData());
        }

        if (jobPages >= 0) {
            const QRegularExpression job(QStringLiteral("job ([0-9]+)"));
            const int jobId =
                job.match(finished.errorLines.value(finished.errorLines.size() - 1)).captured(1).toInt();
            QVERIFY(jobId > 0);
            const QString arrived = waitForJobOutput(jobId, jobsBefore);
            QVERIFY(!arrived.isEmpty());
            QCOMPARE(PdfTools::pageCount(arrived), jobPages);
        }
    }

    // A signal during a long run: the document is discarded at the next page, nothing is written,
    // no work file is left, and the status tells which signal it was.
    void signalDiscardsTheDocument_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("status");
        QTest::newRow("SIGTERM") << SIGTERM << 143;
        QTest::newRow("SIGINT") << SIGINT << 130;
    }
    void signalDiscardsTheDocument()
    {
        QFETCH(int, signal);
        QFETCH(int, status);

        constexpr qint64 Records = 200000; // several seconds of pages: far from done when the signal comes
        ProgramFolder data;
        DataSetOptions options;
        options.records = Records;
        QString error;
        QVERIFY2(DataSet::write(options, data.path(), &error), qPrintable(error));
        data.write("out.pdf", "the document of yesterday");
        const FolderSnapshot before(data.path());

        QProcess process;
        process.setProcessEnvironment(environment(Cups::Nowhere));
        process.setWorkingDirectory(data.path());
        process.start(m_program, {"--pdf", "out.pdf", "."});
        QVERIFY(process.waitForStarted());
        // Mid-run: the work file beside out.pdf has pages in it.
        const auto workFileGrown = [&] {
            for (const QFileInfo &info :
                 QDir(data.path()).entryInfoList({".out.pdf-*"}, QDir::Files | QDir::Hidden))
                if (info.size() > 100000)
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(workFileGrown() || process.state() != QProcess::Running, 60000);
        QCOMPARE(process.state(), QProcess::Running);

        QElapsedTimer sinceSignal;
        sinceSignal.start();
        QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
        QVERIFY(process.waitForFinished(30000));
        const qint64 toExit = sinceSignal.elapsed();
        qInfo("from the signal to the end of the program: %lld ms", toExit);

        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        const QStringList lines =
            QString::fromLocal8Bit(process.readAllStandardError()).trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        const QRegularExpressionMatch said =
            QRegularExpression("^Interrupted after page ([0-9]+): nothing was written\\.$")
                .match(lines.first());
        QVERIFY2(said.hasMatch(), qPrintable(lines.first()));
        QVERIFY(said.captured(1).toLongLong() < Records);
        const FolderSnapshot after(data.path());
        QCOMPARE(after.addedSince(before), QStringList{});
        QCOMPARE(after.changesSince(before), QStringList{});
        QVERIFY2(toExit < 5000, "the run stops at the next page");
    }
};

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
