// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "cupsprinter.h"
#include "recordselection.h"

#include <QString>
#include <QStringList>

// The exit statuses of the program.
namespace ExitStatus {
constexpr int Printed = 0;           // every record printed
constexpr int SomeRecordsFailed = 1; // a document was made or sent, but not everything went right
constexpr int UsageError = 2;
constexpr int NothingPrinted = 3;
// A run stopped by a signal ends with 128 + the signal's number: 130 for SIGINT, 143 for SIGTERM.
constexpr int SignalBase = 128;
} // namespace ExitStatus

// What the command line asks for, read by Qt's parser with GNU conventions (--pdf=OUT.pdf and
// --pdf OUT.pdf, -la for -l -a, "--" before a data argument that begins with "-"). Plain data:
// parsing touches neither the file system nor the display.
struct DataLocation;

struct CommandLine
{
    enum Action
    {
        Window,         // the window, on the data argument or the program folder
        PrintToPdf,     // --pdf
        PrintToPrinter, // --print
        Preview,        // --preview: the preview window instead of the window
        ShowHelp,
        ShowVersion,
        UsageError,
    };

    Action action = Window;
    QString pdfTarget; // PrintToPdf: the file as given, "-" for standard output
    QString printer;   // PrintToPrinter: the queue or the printer's address, or empty for the default queue
    // PrintToPrinter: the job options of -o in their order, then the copies of -n as "copies".
    Cups::JobOptions jobOptions;
    bool landscape = false;
    bool actualSize = false;
    bool quiet = false;
    RecordSelection records;
    QString dataArgument; // FOLDER or LIST.lst as given, or empty
    QString problem;      // UsageError: what is wrong, one line

    // arguments: the program's arguments, the program itself first.
    [[nodiscard]] static CommandLine parse(const QStringList &arguments);
    // The text of --help. Needs the application object.
    [[nodiscard]] static QString helpText();
    // The text of --version: "lstprint <version>", then the copyright and the licence.
    [[nodiscard]] static QString versionText();
    // The text of a usage error on standard error: the problem and a hint to --help.
    [[nodiscard]] QString usageErrorText() const;
    // The usage errors of a run without a window that only the file system and the terminal can
    // tell: --pdf - with standard output on a terminal, and --pdf naming the list file it is made
    // from. Makes the command line a UsageError with its problem; leaves it as it is otherwise.
    void checkOutput(const DataLocation &data, bool standardOutputIsTerminal);

    [[nodiscard]] bool batch() const { return action == PrintToPdf || action == PrintToPrinter; }
};

// Where a run finds its list file, logo and pictures.
struct DataLocation
{
    QString folder;   // absolute, unless the working folder is too deep to name
    QString listFile; // the list file's name in folder, or empty to look for the first one there
    // Another folder that was looked in for a list file and had none (the working folder, when the
    // program's own folder is the data folder), for the message when neither has one.
    QString otherFolder = {};
};

// The data location that a FOLDER or LIST.lst argument names, relative paths taken from the
// working folder: an existing folder is the data folder; anything else names the list file, whose
// folder is the data folder. Without an argument the data folder is programFolder when it holds a
// list file (a copy of the program kept with its data) and otherwise the working folder, when that
// has one (an installed program, started from the data folder).
[[nodiscard]] DataLocation locateData(const QString &argument, const QString &programFolder);
// The same for a run without a window, with the list file looked up once, here: the list file
// named, or the first one of the folder (an empty name when it has none). The run reads that file.
[[nodiscard]] DataLocation locateBatchData(const QString &argument, const QString &programFolder);
