// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "commandline.h"
#include "testsupport.h"

#include <QtTest>

namespace {

// The parsed command line in one line, so that a row states everything that was understood.
QString describe(const CommandLine &line)
{
    QStringList parts;
    switch (line.action) {
    case CommandLine::Window:
        parts << QStringLiteral("window");
        break;
    case CommandLine::PrintToPdf:
        parts << QStringLiteral("pdf ") + line.pdfTarget;
        break;
    case CommandLine::PrintToPrinter:
        parts << (line.printer.isEmpty() ? QStringLiteral("print") : QStringLiteral("print ") + line.printer);
        break;
    case CommandLine::Preview:
        parts << QStringLiteral("preview");
        break;
    case CommandLine::ShowHelp:
        return QStringLiteral("help");
    case CommandLine::ShowVersion:
        return QStringLiteral("version");
    case CommandLine::UsageError:
        return QStringLiteral("usage error: ") + line.problem;
    }
    if (line.landscape)
        parts << QStringLiteral("landscape");
    if (line.actualSize)
        parts << QStringLiteral("actual size");
    if (line.quiet)
        parts << QStringLiteral("quiet");
    if (!line.records.all())
        parts << QStringLiteral("records ") + line.records.toString();
    if (!line.jobOptions.isEmpty()) {
        QStringList options;
        for (const auto &[name, value] : line.jobOptions)
            options << QString::fromUtf8(name + '=' + value);
        parts << QStringLiteral("job ") + options.join(QLatin1Char(' '));
    }
    if (!line.dataArgument.isEmpty())
        parts << QStringLiteral("data ") + line.dataArgument;
    return parts.join(QStringLiteral(" | "));
}

} // namespace

// The command line's own rules, without running anything: what each line of arguments is
// understood as, the grammar of --records, and where the data argument points.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("understood");

        QTest::newRow("nothing") << QStringList{} << "window";
        QTest::newRow("folder") << QStringList{"demo"} << "window | data demo";
        QTest::newRow("list file") << QStringList{"demo/parts.lst"} << "window | data demo/parts.lst";
        QTest::newRow("data after --") << QStringList{"--", "-odd"} << "window | data -odd";
        QTest::newRow("pdf") << QStringList{"--pdf", "out.pdf", "demo"} << "pdf out.pdf | data demo";
        QTest::newRow("pdf=") << QStringList{"--pdf=out.pdf"} << "pdf out.pdf";
        QTest::newRow("pdf to standard output") << QStringList{"--pdf", "-", "demo"} << "pdf - | data demo";
        QTest::newRow("options before and after")
            << QStringList{"-l", "--pdf", "o.pdf", "demo", "--actual-size", "-q"}
            << "pdf o.pdf | landscape | actual size | quiet | data demo";
        QTest::newRow("short options together")
            << QStringList{"--pdf", "o.pdf", "-la"} << "pdf o.pdf | landscape | actual size";
        QTest::newRow("long options") << QStringList{"--print", "--landscape", "--quiet", "--records=3"}
                                      << "print | landscape | quiet | records 3";
        QTest::newRow("print to a queue")
            << QStringList{"--print", "--printer", "office", "x.lst"} << "print office | data x.lst";
        QTest::newRow("records, short option with its value")
            << QStringList{"--print", "-r2-5,9,12-"} << "print | records 2-5,9,12-";
        QTest::newRow("print to a printer's address")
            << QStringList{"--print", "--printer", "ipps://host:8631/ipp/print"}
            << "print ipps://host:8631/ipp/print";
        // Job options: -o in their order (one -o may hold several, quoted as lp takes them, which CUPS
        // sorts by name), the
        // copies last, so that -n wins over an -o copies=.
        QTest::newRow("copies and job options")
            << QStringList{"--print",
                           "-n",
                           "2",
                           "-o",
                           "sides=two-sided-long-edge",
                           "-o",
                           "media-source=tray-2 job-name='a b' print-quality=high",
                           "-ocopies=5"}
            << "print | job sides=two-sided-long-edge job-name=a b media-source=tray-2 print-quality=high "
               "copies=5 copies=2";
        QTest::newRow("copies, long option")
            << QStringList{"--print", "--copies=3"} << "print | job copies=3";
        QTest::newRow("help") << QStringList{"--help"} << "help";
        QTest::newRow("help, short") << QStringList{"-h"} << "help";
        QTest::newRow("help wins over a bad line") << QStringList{"--bogus", "--help"} << "help";
        QTest::newRow("help-all") << QStringList{"--help-all"} << "help";
        QTest::newRow("version") << QStringList{"--version"} << "version";
        QTest::newRow("version, short") << QStringList{"-v"} << "version";

        QTest::newRow("unknown option") << QStringList{"--bogus"} << "usage error: Unknown option 'bogus'.";
        QTest::newRow("unknown short option") << QStringList{"-x"} << "usage error: Unknown option 'x'.";
        QTest::newRow("pdf without a file")
            << QStringList{"--pdf"} << "usage error: Missing value after '--pdf'.";
        QTest::newRow("pdf with an empty file") << QStringList{"--pdf="}
                                                << "usage error: --pdf needs a file name (or \"-\" for "
                                                   "standard output)";
        QTest::newRow("two data arguments")
            << QStringList{"--pdf", "o.pdf", "a", "b"}
            << "usage error: only one FOLDER or LIST.lst can be given, not \"a\", \"b\"";
        QTest::newRow("pdf and print") << QStringList{"--pdf", "o.pdf", "--print"}
                                       << "usage error: --pdf and --print cannot be used together";
        QTest::newRow("printer without print")
            << QStringList{"--printer", "office"} << "usage error: --printer is for --print only";
        QTest::newRow("printer without print, with pdf")
            << QStringList{"--pdf", "o.pdf", "--printer", "office"}
            << "usage error: --printer is for --print only";
        QTest::newRow("printer with an empty name")
            << QStringList{"--print", "--printer="}
            << "usage error: --printer needs the name of a print queue";
        QTest::newRow("landscape for the window")
            << QStringList{"-l", "demo"}
            << "usage error: --landscape is for --pdf, --print and --preview only: the window has its own "
               "choices";
        QTest::newRow("records for the window")
            << QStringList{"--records", "1"}
            << "usage error: --records is for --pdf, --print and --preview only: the window has its own "
               "choices";
        QTest::newRow("quiet for the window")
            << QStringList{"-q"} << "usage error: --quiet is for --pdf and --print only";
        // The preview takes the two choices and the records as --pdf does, and nothing of a printer.
        QTest::newRow("preview") << QStringList{"--preview", "demo"} << "preview | data demo";
        QTest::newRow("preview with the choices and records")
            << QStringList{"--preview", "-la", "-r", "2-"}
            << "preview | landscape | actual size | records 2-";
        QTest::newRow("preview, quiet")
            << QStringList{"--preview", "-q"} << "usage error: --quiet is for --pdf and --print only";
        QTest::newRow("preview and pdf") << QStringList{"--preview", "--pdf", "o.pdf"}
                                         << "usage error: --preview cannot be used with --pdf or --print";
        QTest::newRow("preview and print") << QStringList{"--print", "--preview"}
                                           << "usage error: --preview cannot be used with --pdf or --print";
        QTest::newRow("preview with a printer") << QStringList{"--preview", "--printer", "office"}
                                                << "usage error: --printer is for --print only";
        QTest::newRow("copies without print")
            << QStringList{"--pdf", "o.pdf", "-n", "2"} << "usage error: -n/--copies is for --print only";
        QTest::newRow("job option without print")
            << QStringList{"-o", "sides=two-sided-long-edge"} << "usage error: -o is for --print only";
        QTest::newRow("copies twice") << QStringList{"--print", "-n", "1", "--copies", "2"}
                                      << "usage error: --copies is given more than once";
        QTest::newRow("empty job option")
            << QStringList{"--print", "-o", " "} << "usage error: -o needs NAME=VALUE, not \" \"";
        QTest::newRow("pdf twice") << QStringList{"--pdf", "a.pdf", "--pdf", "b.pdf"}
                                   << "usage error: --pdf is given more than once";
        QTest::newRow("records twice") << QStringList{"--print", "-r", "1", "-r", "2"}
                                       << "usage error: --records is given more than once";
        QTest::newRow("malformed records")
            << QStringList{"--print", "-r", "2-x"}
            << "usage error: --records: \"2-x\" is not a record number or range "
               "(records count from 1)";
        QTest::newRow("empty records")
            << QStringList{"--print", "--records="} << "usage error: --records: the list of records is empty";
    }
    // The copies of -n, and the -o options that would make the sheet differ from the drawn page,
    // under their IPP names and the names the CUPS commands and PPD files give them.
    void refusedJobOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("problem");
        const QString copies =
            QStringLiteral("-n/--copies needs a whole number of copies from 1 up, not \"%1\"");
        for (const char *count : {"0", "-1", "2x", "1.5", "", "99999999999"})
            QTest::addRow("copies %s", count) << QStringList{"--print", "-n", count} << copies.arg(count);
        const QString paper =
            QStringLiteral("the pages are drawn on the printer's own paper (its default media), "
                           "so another one cannot be chosen here; make it the printer's default "
                           "paper");
        const QString scaling =
            QStringLiteral("the pages are drawn to the printable area and printed at their size, not scaled");
        const QString orientation = QStringLiteral("use -l/--landscape for landscape pages");
        const struct
        {
            const char *option;
            QString why;
        } refused[] = {{"media=iso_a4_210x297mm", paper},
                       {"PageSize=Letter", paper},
                       {"pagesize=A4", paper},
                       {"PageRegion=A4", paper},
                       {"media-col={media-size={x-dimension=21000 y-dimension=29700}}", paper},
                       {"print-scaling=fit", scaling},
                       {"fit-to-page", scaling},
                       {"fitplot=true", scaling},
                       {"scaling=50", scaling},
                       {"orientation-requested=4", orientation},
                       {"landscape", orientation},
                       {"portrait", orientation},
                       {"number-up=2", QStringLiteral("every record is printed on a sheet of its own")},
                       {"page-ranges=1-2", QStringLiteral("use -r/--records to print some of the records")}};
        for (const auto &[option, why] : refused) {
            const QString name = QString::fromLatin1(option).section(QLatin1Char('='), 0, 0);
            QTest::addRow("-o %s", option) << QStringList{"--print", "-o", option}
                                           << QStringLiteral("-o %1 is not taken: %2").arg(name, why);
        }
        QTest::newRow("refused among others")
            << QStringList{"--print", "-o", "sides=two-sided-long-edge number-up=4"}
            << "-o number-up is not taken: every record is printed on a sheet of its own";
    }
    void refusedJobOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, problem);
        QCOMPARE(describe(CommandLine::parse(QStringList{"lstprint"} + arguments)),
                 QStringLiteral("usage error: ") + problem);
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, understood);
        QCOMPARE(describe(CommandLine::parse(QStringList{"lstprint"} + arguments)), understood);
    }

    // The grammar of --records: what a list selects among the records 1 to 14, and how it reads
    // back once merged and ordered.
    void records_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("selected");  // among 1..14, or the problem
        QTest::addColumn<QString>("writtenAs"); // toString()
        QTest::addColumn<qint64>("last");       // -1: open at the end

        QTest::newRow("one") << "3"
                             << "3"
                             << "3" << qint64(3);
        QTest::newRow("range") << "2-5"
                               << "2 3 4 5"
                               << "2-5" << qint64(5);
        QTest::newRow("mixed") << "2-5,9,12-"
                               << "2 3 4 5 9 12 13 14"
                               << "2-5,9,12-" << qint64(-1);
        QTest::newRow("open from 1") << "1-"
                                     << "1 2 3 4 5 6 7 8 9 10 11 12 13 14"
                                     << "1-" << qint64(-1);
        QTest::newRow("out of order, overlapping") << "9,3-6,5-7"
                                                   << "3 4 5 6 7 9"
                                                   << "3-7,9" << qint64(9);
        QTest::newRow("touching ranges merge") << "1-2,3,4-5"
                                               << "1 2 3 4 5"
                                               << "1-5" << qint64(5);
        QTest::newRow("open range swallows the rest") << "10-,12,4"
                                                      << "4 10 11 12 13 14"
                                                      << "4,10-" << qint64(-1);
        QTest::newRow("one-record range") << "7-7"
                                          << "7"
                                          << "7" << qint64(7);
        QTest::newRow("spaces around items") << " 2 - 3 , 5 "
                                             << "2 3 5"
                                             << "2-3,5" << qint64(5);
        QTest::newRow("beyond any file") << "1000000"
                                         << ""
                                         << "1000000" << qint64(1000000);

        QTest::newRow("empty") << ""
                               << "the list of records is empty" << QString() << qint64(0);
        QTest::newRow("blank") << "  "
                               << "the list of records is empty" << QString() << qint64(0);
        QTest::newRow("zero") << "0"
                              << "\"0\" is not a record number or range (records count from 1)" << QString()
                              << qint64(0);
        QTest::newRow("negative") << "-3"
                                  << "\"-3\" is not a record number or range (records count from 1)"
                                  << QString() << qint64(0);
        QTest::newRow("backwards") << "5-2"
                                   << "the range \"5-2\" runs backwards" << QString() << qint64(0);
        QTest::newRow("empty item") << "1,,2"
                                    << "\"1,,2\" has an empty item" << QString() << qint64(0);
        QTest::newRow("trailing comma") << "1,"
                                        << "\"1,\" has an empty item" << QString() << qint64(0);
        QTest::newRow("letters") << "2-x"
                                 << "\"2-x\" is not a record number or range (records count from 1)"
                                 << QString() << qint64(0);
        QTest::newRow("two dashes") << "1-2-3"
                                    << "\"1-2-3\" is not a record number or range (records count from 1)"
                                    << QString() << qint64(0);
        QTest::newRow("sign") << "+4"
                              << "\"+4\" is not a record number or range (records count from 1)" << QString()
                              << qint64(0);
        QTest::newRow("too many digits") << "1234567890123456"
                                         << "\"1234567890123456\" is not a record number or range (records "
                                            "count from 1)"
                                         << QString() << qint64(0);
    }
    void records()
    {
        QFETCH(QString, list);
        QFETCH(QString, selected);
        QFETCH(QString, writtenAs);
        QFETCH(qint64, last);

        QString problem;
        const std::optional<RecordSelection> selection = RecordSelection::parse(list, &problem);
        if (writtenAs.isNull()) {
            QVERIFY(!selection);
            QCOMPARE(problem, selected);
            return;
        }
        QVERIFY2(selection, qPrintable(problem));
        QStringList among;
        for (qint64 record = 1; record <= 14; ++record) {
            if (selection->contains(record))
                among << QString::number(record);
        }
        QCOMPARE(among.join(QLatin1Char(' ')), selected);
        QCOMPARE(selection->countUpTo(14), qint64(among.size()));
        QCOMPARE(selection->toString(), writtenAs);
        QCOMPARE(selection->last().value_or(-1), last);
        QVERIFY(!selection->all());
    }

    void locate_data()
    {
        QTest::addColumn<QString>("argument"); // relative to the working folder
        QTest::addColumn<QString>("folder");   // relative to the working folder
        QTest::addColumn<QString>("listFile");

        QTest::newRow("no argument: the program folder, which holds a list") << "+"
                                                                             << "program"
                                                                             << "";
        QTest::newRow("no argument, no list beside the program: the working folder") << ""
                                                                                     << ""
                                                                                     << "";
        QTest::newRow("no argument, no list anywhere: the program folder, the working folder named")
            << ""
            << "program"
            << "";
        QTest::newRow("folder") << "data"
                                << "data"
                                << "";
        QTest::newRow("folder, with a slash") << "data/"
                                              << "data"
                                              << "";
        QTest::newRow("working folder") << "."
                                        << ""
                                        << "";
        QTest::newRow("list file") << "data/other.lst"
                                   << "data"
                                   << "other.lst";
        QTest::newRow("list file in the working folder") << "top.lst"
                                                         << ""
                                                         << "top.lst";
        QTest::newRow("folder named like a list") << "data/box.lst"
                                                  << "data/box.lst"
                                                  << "";
        QTest::newRow("missing file: the list file, to be refused by the run") << "data/gone.lst"
                                                                               << "data"
                                                                               << "gone.lst";
        QTest::newRow("climbing") << "data/../data/other.lst"
                                  << "data"
                                  << "other.lst";
    }
    void locate()
    {
        QFETCH(QString, argument);
        QFETCH(QString, folder);
        QFETCH(QString, listFile);

        // "+" stands for no argument with a list file in the program's own folder.
        const bool programHasList = argument == "+";
        if (programHasList)
            argument.clear();
        const bool nowhere = QByteArray(QTest::currentDataTag()).contains("no list anywhere");

        ProgramFolder work;
        work.makeFolder("data");
        work.makeFolder("data/box.lst");
        work.makeFolder("program");
        work.write("data/other.lst", "id\r\n");
        if (!nowhere)
            work.write("top.lst", "id\r\n");
        if (programHasList)
            work.write("program/mine.lst", "id\r\n");
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        const DataLocation found = locateData(argument, work.filePath("program"));
        const DataLocation batch = locateBatchData(argument, work.filePath("program"));
        QVERIFY(QDir::setCurrent(before));

        QCOMPARE(found.folder, QDir::cleanPath(work.filePath(folder)));
        QCOMPARE(found.listFile, listFile);
        // Without a window the list file is looked up here, once, in the same folder.
        QCOMPARE(batch.folder, found.folder);
        if (!listFile.isEmpty())
            QCOMPARE(batch.listFile, listFile);
        else if (argument.isEmpty())
            QCOMPARE(batch.listFile, QString(programHasList ? "mine.lst" : nowhere ? "" : "top.lst"));
        // The folder looked in as well, named by the message when neither holds a list file.
        QCOMPARE(found.otherFolder, nowhere ? QDir::cleanPath(work.path()) : QString());
        QCOMPARE(batch.otherFolder, found.otherFolder);
    }

    // Every option and every exit status is in the help.
    void helpNamesEverything()
    {
        const QString help = CommandLine::helpText();
        for (const char *option :
             {"--pdf <OUT.pdf>", "--print ", "--preview ", "--printer <QUEUE>", "-n, --copies <N>",
              "-o <NAME=VALUE>", "ipp://HOST[:PORT]/PATH", "-l, --landscape", "-a, --actual-size",
              "-r, --records <LIST>", "-q, --quiet", "-h, --help", "-v, --version", "FOLDER | LIST.lst"})
            QVERIFY2(help.contains(QLatin1String(option)), option);
        for (const char *status : {"\n  0    ", "\n  1    ", "\n  2    ", "\n  3    ", "\n  130, 143  "})
            QVERIFY2(help.contains(QLatin1String(status)), status);
        QVERIFY(help.startsWith("Usage: lstprint [FOLDER | LIST.lst]\n"));
        // Lines fit a terminal of 80 columns.
        for (const QString &line : help.split(QLatin1Char('\n')))
            QVERIFY2(line.size() <= 80, qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
