// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "application.h"
#include "batchrun.h"
#include "commandline.h"
#include "filename.h"
#include "frmprinter.h"
#include "previewwindow.h"
#include "printrun.h"
#include "translations.h"
#include "version.h"

#include <QApplication>
#include <QGuiApplication>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

namespace {

void write(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// name: what the process calls itself (it names its temporary folders, among others).
void nameApplication(const QString &name)
{
    QCoreApplication::setApplicationName(name);
    QCoreApplication::setApplicationVersion(QLatin1String(ApplicationVersion));
}

// Started with standard input, output or error closed (cron and some service managers do that),
// the first file the program opens would take its number: error lines would be written into the
// document. Each closed one is opened on /dev/null before anything else is opened. Standard output
// is opened only as a path (O_PATH): that takes its number, but nothing can be written to it, and
// a document asked for on standard output is refused as closed instead of going to /dev/null.
void openClosedStandardDescriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int opened = ::open("/dev/null", fd == STDOUT_FILENO ? O_PATH : O_RDWR);
            if (opened >= 0 && opened != fd)
                ::close(opened); // not the lowest free number: the descriptor was not closed after all
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    openClosedStandardDescriptors();
    // A document that reaches the file size limit (ulimit -f) is a write error to report, not a
    // death by SIGXFSZ: write() then fails with EFBIG.
    std::signal(SIGXFSZ, SIG_IGN);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decodeFileName(argv[i]); // file names need not be UTF-8
    // The first parse decides only which application object the run needs: the window's, or one
    // without a display for everything else. Its texts are parsed again once the user's language
    // is installed.
    const CommandLine::Action asked = CommandLine::parse(arguments).action;
    const bool needsWindow = asked == CommandLine::Window || asked == CommandLine::Preview;

    // The arguments are all the program's own: the application objects get none of them.
    int applicationArgc = 1;
    std::optional<QCoreApplication> batchApp;
    std::optional<QApplication> windowApp;
    if (needsWindow) {
        windowApp.emplace(applicationArgc, argv);
        nameApplication(ApplicationTitle);
    } else {
        // The PDF writer and the picture loader need QtGui's images, and nothing of a display:
        // not even a platform plugin is loaded.
        batchApp.emplace(applicationArgc, argv);
        nameApplication(ProgramName);
    }
    Translations::install(Translations::folders(QCoreApplication::applicationDirPath()));
    CommandLine options = CommandLine::parse(arguments);

    DataLocation data;
    if (options.batch()) {
        data = locateBatchData(options.dataArgument, QCoreApplication::applicationDirPath());
        options.checkOutput(data, ::isatty(STDOUT_FILENO) != 0);
    }
    switch (options.action) {
    case CommandLine::ShowHelp:
        write(stdout, CommandLine::helpText());
        return ExitStatus::Printed;
    case CommandLine::ShowVersion:
        write(stdout, CommandLine::versionText());
        return ExitStatus::Printed;
    case CommandLine::UsageError:
        write(stderr, options.usageErrorText());
        return ExitStatus::UsageError;
    case CommandLine::PrintToPdf:
    case CommandLine::PrintToPrinter:
        return runBatch(options, data);
    case CommandLine::Window:
    case CommandLine::Preview:
        break;
    }

    QGuiApplication::setApplicationDisplayName(ApplicationTitle);
    // Lets the desktop match the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(LSTPRINT_APP_ID));
    if (options.action == CommandLine::Preview) {
        // The list file is looked up once, as for --pdf: the preview makes the same document.
        data = locateBatchData(options.dataArgument, QCoreApplication::applicationDirPath());
        PreviewWindow preview({data.folder, data.listFile, data.otherFolder, options.records},
                              options.landscape, options.actualSize);
        preview.show();
        return QApplication::exec();
    }
    // The list file, the logo and the pictures sit next to the program, or where the argument says.
    data = locateData(options.dataArgument, QCoreApplication::applicationDirPath());
    frmPrinter window(data.folder);
    if (!data.listFile.isEmpty())
        window.printRun().setListFileChoice(data.listFile);
    window.printRun().setOtherFolder(data.otherFolder);
    window.show();
    return QApplication::exec();
}
