// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "commandline.h"

#include "application.h"
#include "exitstatustable.h"
#include "filename.h"
#include "listfile.h"
#include "printerror.h"
#include "printsurface.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <unistd.h>

#include <algorithm>

namespace {

// The texts of this file, translated in the context "CommandLine".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

// The parser and its options, the same for parsing and for the help text.
struct Parser
{
    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption version;
    const QCommandLineOption pdf{
        QStringList{QStringLiteral("pdf")},
        Words::tr("Print to the PDF file OUT.pdf instead of opening the window; \"-\" writes it to "
                  "standard output. An existing OUT.pdf is replaced only when the run made a document."),
        QStringLiteral("OUT.pdf")};
    const QCommandLineOption print{QStringList{QStringLiteral("print")},
                                   Words::tr("Print on the printer instead of opening the window.")};
    const QCommandLineOption preview{
        QStringList{QStringLiteral("preview")},
        Words::tr("Open the preview instead of the window: the pages as they will be printed, to "
                  "print on a chosen printer or save as a PDF.")};
    const QCommandLineOption printer{
        QStringList{QStringLiteral("printer")},
        Words::tr("With --print: the print queue to use, or a printer by its address, "
                  "ipp://HOST[:PORT]/PATH or ipps://... (default: the system's default queue). "
                  "CUPS_SERVER and client.conf choose the print server."),
        QStringLiteral("QUEUE")};
    const QCommandLineOption copies{
        QStringList{QStringLiteral("n"), QStringLiteral("copies")},
        Words::tr("With --print: N copies, each a whole document before the next (collated)."),
        QStringLiteral("N")};
    const QCommandLineOption jobOption{
        QStringList{QStringLiteral("o")},
        Words::tr("With --print: a job option for the printer, such as sides=two-sided-long-edge, "
                  "media-source=tray-2 or print-quality=high, as lp takes them (repeatable; several "
                  "in one, separated by spaces). The queue's lpoptions apply beneath them. Paper, "
                  "scaling, orientation, pages per sheet and page ranges are not options here: the "
                  "pages are drawn on the printer's own paper (-l, -r)."),
        QStringLiteral("NAME=VALUE")};
    const QCommandLineOption landscape{QStringList{QStringLiteral("l"), QStringLiteral("landscape")},
                                       Words::tr("Landscape pages (default: portrait).")};
    const QCommandLineOption actualSize{
        QStringList{QStringLiteral("a"), QStringLiteral("actual-size")},
        Words::tr("Pictures at their own size, measured as on a 96 dpi screen (default: fitted to "
                  "the page).")};
    const QCommandLineOption records{
        QStringList{QStringLiteral("r"), QStringLiteral("records")},
        Words::tr("Print only these records: numbers and ranges counted from 1 in list order, such "
                  "as 2-5,9,12- (a range may be open at the end). Empty lines are not records."),
        QStringLiteral("LIST")};
    const QCommandLineOption quiet{
        QStringList{QStringLiteral("q"), QStringLiteral("quiet")},
        Words::tr("Write only the errors to standard error: no progress and no closing line.")};

    Parser() : help(parser.addHelpOption()), version(parser.addVersionOption())
    {
        parser.setApplicationDescription(
            Words::tr("Prints the records of a list file as record sheets, one page per record.\n"
                      "With --pdf or --print it needs no window and no display; with --preview it\n"
                      "opens the preview; otherwise it opens its window."));
        for (const QCommandLineOption *option : {&pdf, &print, &preview, &printer, &copies, &jobOption,
                                                 &landscape, &actualSize, &records, &quiet})
            parser.addOption(*option);
        parser.addPositionalArgument(
            QStringLiteral("FOLDER | LIST.lst"),
            Words::tr("The folder that holds the list file (its first *.lst file in name order), "
                      "logo.gif and the pictures; or the list file itself, in its folder. Default: "
                      "the program's own folder when it holds a list file, otherwise the working "
                      "folder."),
            QStringLiteral("[FOLDER | LIST.lst]"));
    }
};

// The exit statuses as the end of --help lists them: the status in a column of its own, the
// meaning wrapped to a terminal of 80 columns beside it.
QString exitStatusText()
{
    constexpr qsizetype LineWidth = 79;
    qsizetype tagWidth = 0;
    for (const ExitStatusEntry &entry : ExitStatusTable)
        tagWidth = std::max(tagWidth, qsizetype(qstrlen(entry.status)));
    const QString indent(2 + tagWidth + 2, QLatin1Char(' '));
    QString text = Words::tr("Exit status:") + QLatin1Char('\n');
    for (const ExitStatusEntry &entry : ExitStatusTable) {
        QString line = QStringLiteral("  %1  ").arg(QLatin1String(entry.status), -int(tagWidth));
        bool lineHasWord = false;
        for (const QString &word : QCoreApplication::translate("CommandLine", entry.meaning)
                                       .split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (lineHasWord && line.size() + 1 + word.size() > LineWidth) {
                text += line + QLatin1Char('\n');
                line = indent;
                lineHasWord = false;
            }
            line += (lineHasWord ? QStringLiteral(" ") : QString()) + word;
            lineHasWord = true;
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    Parser p;
    CommandLine result;
    const auto usageError = [&result](const QString &problem) {
        result.action = UsageError;
        result.problem = problem;
        return result;
    };

    const bool parsed = p.parser.parse(arguments);
    // --help and --version are answered whatever else the line holds.
    if (p.parser.isSet(p.help) || p.parser.isSet(QStringLiteral("help-all"))) {
        result.action = ShowHelp;
        return result;
    }
    if (p.parser.isSet(p.version)) {
        result.action = ShowVersion;
        return result;
    }
    if (!parsed)
        return usageError(p.parser.errorText());

    for (const QCommandLineOption *option : {&p.pdf, &p.printer, &p.copies, &p.records}) {
        if (p.parser.values(*option).size() > 1)
            return usageError(Words::tr("--%1 is given more than once").arg(option->names().last()));
    }
    const QStringList data = p.parser.positionalArguments();
    if (data.size() > 1)
        return usageError(Words::tr("only one FOLDER or LIST.lst can be given, not %1")
                              .arg(QStringLiteral("\"%1\"").arg(data.join(QStringLiteral("\", \"")))));
    result.dataArgument = data.value(0);

    const bool pdf = p.parser.isSet(p.pdf);
    const bool print = p.parser.isSet(p.print);
    const bool preview = p.parser.isSet(p.preview);
    if (pdf && print)
        return usageError(Words::tr("--pdf and --print cannot be used together"));
    if (preview && (pdf || print))
        return usageError(Words::tr("--preview cannot be used with --pdf or --print"));
    if (p.parser.isSet(p.printer) && !print)
        return usageError(Words::tr("--printer is for --print only"));
    if (p.parser.isSet(p.copies) && !print)
        return usageError(Words::tr("-n/--copies is for --print only"));
    if (p.parser.isSet(p.jobOption) && !print)
        return usageError(Words::tr("-o is for --print only"));
    if (!pdf && !print) {
        // The preview takes the choices and the records; it is a window, with nothing to be quiet about.
        if (p.parser.isSet(p.quiet))
            return usageError(Words::tr("--quiet is for --pdf and --print only"));
        if (!preview) {
            for (const QCommandLineOption *option : {&p.landscape, &p.actualSize, &p.records}) {
                if (p.parser.isSet(*option))
                    return usageError(Words::tr("--%1 is for --pdf, --print and --preview only: the window "
                                                "has its own choices")
                                          .arg(option->names().last()));
            }
            result.action = Window;
            return result;
        }
        result.action = Preview;
    }

    if (preview) {
        // Only the choices and the records below.
    } else if (pdf) {
        result.action = PrintToPdf;
        result.pdfTarget = p.parser.value(p.pdf);
        if (result.pdfTarget.isEmpty())
            return usageError(Words::tr("--pdf needs a file name (or \"-\" for standard output)"));
    } else {
        result.action = PrintToPrinter;
        result.printer = p.parser.value(p.printer);
        if (p.parser.isSet(p.printer) && result.printer.isEmpty())
            return usageError(Words::tr("--printer needs the name of a print queue"));
        for (const QString &text : p.parser.values(p.jobOption)) {
            const Cups::JobOptions given = Cups::parseOptions(text);
            if (given.isEmpty())
                return usageError(Words::tr("-o needs NAME=VALUE, not \"%1\"").arg(text));
            for (const auto &[name, value] : given) {
                if (const QString why = Cups::whyNotAnOption(name); !why.isEmpty())
                    return usageError(Words::tr("-o %1 is not taken: %2").arg(QString::fromUtf8(name), why));
                result.jobOptions.append({name, value});
            }
        }
        if (p.parser.isSet(p.copies)) {
            const QString text = p.parser.value(p.copies);
            static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
            bool number = false;
            const int count = text.toInt(&number);
            if (!digits.match(text).hasMatch() || !number || count < 1)
                return usageError(
                    Words::tr("-n/--copies needs a whole number of copies from 1 up, not \"%1\"").arg(text));
            result.jobOptions.append({QByteArrayLiteral("copies"), QByteArray::number(count)});
        }
    }
    result.landscape = p.parser.isSet(p.landscape);
    result.actualSize = p.parser.isSet(p.actualSize);
    result.quiet = p.parser.isSet(p.quiet);
    if (p.parser.isSet(p.records)) {
        QString problem;
        const std::optional<RecordSelection> selection =
            RecordSelection::parse(p.parser.value(p.records), &problem);
        if (!selection)
            return usageError(QStringLiteral("--records: %1").arg(problem));
        result.records = *selection;
    }
    return result;
}

QString CommandLine::helpText()
{
    Parser p;
    QString text = p.parser.helpText();
    // Qt's first line is one generic synopsis under the path the program was started by; the
    // program's three ways of being called say more.
    text = text.mid(text.indexOf(QLatin1Char('\n')) + 1);
    const QString synopsis =
        Words::tr("Usage: %1 [FOLDER | LIST.lst]\n"
                  "       %1 --pdf OUT.pdf [OPTIONS] [FOLDER | LIST.lst]\n"
                  "       %1 --print [--printer QUEUE | --printer ipp://HOST[:PORT]/PATH]\n"
                  "               [-n N] [-o NAME=VALUE]... [OPTIONS] [FOLDER | LIST.lst]\n"
                  "       %1 --preview [-l] [-a] [-r LIST] [FOLDER | LIST.lst]\n"
                  "       %1 --help | --version\n"
                  "OPTIONS: -l/--landscape -a/--actual-size -r/--records LIST "
                  "-q/--quiet\n")
            .arg(ProgramName);
    // Qt's own options (-platform, -style, ...) are not taken: every argument is the program's.
    static const QRegularExpression helpAllLine(QStringLiteral("^(  --help-all +).*$"),
                                                QRegularExpression::MultilineOption);
    text.replace(helpAllLine,
                 QStringLiteral("\\1") + Words::tr("The same as --help (Qt's own options are not taken)."));
    return synopsis + QLatin1Char('\n') + text + QLatin1Char('\n') + exitStatusText();
}

QString CommandLine::versionText()
{
    // As GNU programs say it: the name and version on the first line, for scripts that compare it,
    // then the copyright and the licence.
    return QStringLiteral("%1 %2\n%3\n")
               .arg(ProgramName, QLatin1String(ApplicationVersion), QLatin1String(ApplicationCopyright)) +
           Words::tr("License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                     "This is free software: you are free to change and redistribute it.\n"
                     "There is NO WARRANTY, to the extent permitted by law.\n");
}

QString CommandLine::usageErrorText() const
{
    return QStringLiteral("%1: %2\n").arg(ProgramName, problem) +
           Words::tr("Try '%1 --help' for more information.").arg(ProgramName) + QLatin1Char('\n');
}

void CommandLine::checkOutput(const DataLocation &data, bool standardOutputIsTerminal)
{
    if (action != PrintToPdf)
        return;
    // A slip of the keyboard must not put the PDF in place of the list it is made from, nor after
    // it (--pdf - LIST >> LIST).
    const QString listFile = data.listFile.isEmpty() ? QString() : QDir(data.folder).filePath(data.listFile);
    if (pdfTarget == PrintOutcome::StandardOutput) {
        if (standardOutputIsTerminal) {
            action = UsageError;
            problem = Words::tr("standard output is a terminal: send it to a file or a pipe to receive "
                                "the PDF");
        } else if (!listFile.isEmpty() && isSameFile(STDOUT_FILENO, listFile)) {
            action = UsageError;
            problem = Words::tr("standard output is the list file %1: the PDF would be written into the list "
                                "it is made from")
                          .arg(displayPath(dataArgument.isEmpty() ? listFile : dataArgument));
        }
        return;
    }
    if (!listFile.isEmpty() && isSameFile(pdfTarget, listFile)) {
        action = UsageError;
        problem =
            Words::tr("--pdf %1 would replace the list file it is made from").arg(displayPath(pdfTarget));
    }
}

namespace {

// The data folder without an argument, with the list file found in it when findList is set.
DataLocation defaultLocation(const QString &programFolder, bool findList)
{
    QString listFile = findListFile(programFolder);
    const QString working = QDir::cleanPath(absoluteFileName(QStringLiteral(".")));
    if (!listFile.isEmpty() || isSameFile(working, programFolder))
        return {programFolder, findList ? listFile : QString(), QString()};
    listFile = findListFile(working);
    if (!listFile.isEmpty())
        return {working, findList ? listFile : QString(), QString()};
    return {programFolder, QString(), working};
}

} // namespace

DataLocation locateData(const QString &argument, const QString &programFolder)
{
    if (argument.isEmpty())
        return defaultLocation(programFolder, false);
    const QString path = QDir::cleanPath(absoluteFileName(argument));
    if (isFolder(path) || argument.endsWith(QLatin1Char('/')))
        return {path, QString()};
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {QStringLiteral("."), path};
    return {slash == 0 ? QStringLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

DataLocation locateBatchData(const QString &argument, const QString &programFolder)
{
    if (argument.isEmpty())
        return defaultLocation(programFolder, true);
    DataLocation data = locateData(argument, programFolder);
    if (data.listFile.isEmpty())
        data.listFile = findListFile(data.folder);
    return data;
}
