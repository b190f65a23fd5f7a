// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// lstbench-run: one print run of a folder, exactly as the window's Print button runs it (the same
// PrintRun, the real PDF surface, a picture holder without a window), timed from the creation of
// the surface to the end of the document.
#include "benchreport.h"
#include "benchrun.h"

#include "pdfsurface.h"
#include "printerror.h"
#include "printrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace {

const char Usage[] = "usage: lstbench-run [--out FILE.pdf] [--date YYYY-MM-DD] FOLDER\n"
                     "Prints the list file of FOLDER (portrait, pictures fitted to the page) to a PDF,\n"
                     "by default FOLDER/lstbench-run.pdf, and writes one 'lstbench program=run ...' line.\n";

} // namespace

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QString out;
    QDate date;
    QString folder;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--out") && i + 1 < arguments.size()) {
            out = arguments[++i];
        } else if (arguments[i] == QLatin1String("--date") && i + 1 < arguments.size()) {
            date = QDate::fromString(arguments[++i], Qt::ISODate);
            if (!date.isValid()) {
                std::fputs(Usage, stderr);
                return 2;
            }
        } else if (folder.isEmpty() && !arguments[i].startsWith(QLatin1Char('-'))) {
            folder = arguments[i];
        } else {
            std::fputs(Usage, stderr);
            return 2;
        }
    }
    if (folder.isEmpty()) {
        std::fputs(Usage, stderr);
        return 2;
    }
    if (out.isEmpty())
        out = QDir(folder).filePath(QStringLiteral("lstbench-run.pdf"));
    QFile::remove(out);

    CountingReporter reporter;
    WindowDefaults choices;
    PictureSlot image1;
    PrintRun run(QDir(folder).absolutePath(), image1, reporter, choices);
    if (date.isValid())
        run.setClock([date] { return date; });
    qint64 records = 0;
    run.setProgressHandler([&records](qint64 printed) { records = printed; });

    BenchReport report;
    report.program = QStringLiteral("run");
    const double cpuStart = processCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    try {
        PdfSurface surface(out, benchPageLayout());
        run.cmdPrint_Click(surface);
        report.pages = surface.pagesWritten();
    } catch (const PrintError &error) {
        std::fprintf(stderr, "lstbench-run: %s\n", qPrintable(error.logLine()));
        return 1;
    }
    report.seconds = double(timer.nsecsElapsed()) / 1e9;
    report.cpuSeconds = processCpuSeconds() - cpuStart;
    report.records = records;
    report.peakRssKiB = peakRssKiB();
    report.outputBytes = QFileInfo(out).size();
    std::printf("%s\n", qPrintable(report.toLine()));
    if (reporter.errors > 0) {
        std::fprintf(stderr, "lstbench-run: the run reported %d errors\n", reporter.errors);
        return 1;
    }
    return 0;
}
