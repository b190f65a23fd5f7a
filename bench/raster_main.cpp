// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// lstbench-raster: the record sheets of a folder sent to a printer that takes raster only, the way
// --print --printer ADDRESS sends them: the print run draws the PDF on the printer's paper, and
// sendDocument renders its pages and streams them as raster into the job. Timed are the end of the
// document, the first sheet side handed to the printer and the end of the job. With --least-work,
// the least that sending such a document can take instead: pdftoppm rendering the same PDF, and
// libcups's raster writer on its pixels.
#include "benchreport.h"
#include "benchrun.h"

#include "cupsprinter.h"
#include "documenttarget.h"
#include "pdfpages.h"
#include "pdfsurface.h"
#include "printerror.h"
#include "printjob.h"
#include "printrun.h"
#include "recordselection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cups/raster.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

const char Usage[] =
    "usage: lstbench-raster --printer URI [--records N] [--pdf FILE.pdf] FOLDER\n"
    "       lstbench-raster --least-work DPI FILE.pdf\n"
    "Sends the list file of FOLDER (or its first N records) to the printer at URI and writes one\n"
    "'lstbench program=raster ...' line; the PDF it drew is kept as FILE.pdf. --least-work renders\n"
    "FILE.pdf with pdftoppm at DPI and writes the pixels as PWG raster (sRGB) to /dev/null, and\n"
    "writes one 'lstbench program=least-work ...' line.\n";

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

int send(const QString &printer, const QString &folder, qint64 records, QString pdf)
{
    const Cups::DefaultPrinter found = Cups::lookUpPrinter(printer);
    if (!found.printer) {
        std::fprintf(stderr, "lstbench-raster: no printer %s: %s\n", qPrintable(printer),
                     qPrintable(found.reason));
        return 1;
    }
    if (!found.printer->plan.raster())
        std::fprintf(stderr, "lstbench-raster: %s takes PDF: it gets no raster\n", qPrintable(printer));
    if (pdf.isEmpty())
        pdf = QDir(folder).filePath(QStringLiteral("lstbench-raster.pdf"));
    QFile::remove(pdf);

    CountingReporter reporter;
    WindowDefaults choices;
    PictureSlot image1;
    PrintRun run(QDir(folder).absolutePath(), image1, reporter, choices);
    if (records > 0)
        run.setRecordSelection(*RecordSelection::parse(QStringLiteral("1-%1").arg(records)));
    qint64 printed = 0;
    run.setProgressHandler([&printed](qint64 pages) { printed = pages; });

    BenchReport report;
    report.program = QStringLiteral("raster");
    const double cpuStart = processCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    double documentSeconds = 0;
    double firstSideSeconds = -1;
    try {
        PdfSurface surface(pdf, found.printer->layout, found.printer->landscapeSupported);
        surface.setDocumentName(QStringLiteral("lstbench"));
        run.cmdPrint_Click(surface);
        report.pages = surface.pagesWritten();
        documentSeconds = seconds(timer);
        PrintOutcome outcome;
        sendDocument(*found.printer, pdf, {QStringLiteral("lstbench"), surface.pagesWritten(), false},
                     outcome, [&](const SendingStatus &status) {
                         if (status.stage == SendingStatus::Sending && status.sent == 1)
                             firstSideSeconds = seconds(timer);
                         return true;
                     });
        if (outcome.kind != PrintOutcome::SentToPrinter) {
            std::fprintf(stderr, "lstbench-raster: nothing was sent\n");
            return 1;
        }
    } catch (const PrintError &error) {
        std::fprintf(stderr, "lstbench-raster: %s\n", qPrintable(error.logLine()));
        return 1;
    }
    report.seconds = seconds(timer);
    report.cpuSeconds = processCpuSeconds() - cpuStart;
    report.records = printed;
    report.peakRssKiB = peakRssKiB();
    report.outputBytes = QFileInfo(pdf).size();
    const double sendSeconds = report.seconds - documentSeconds;
    std::printf("%s document_seconds=%.4f send_seconds=%.4f send_pages_per_second=%.2f "
                "first_side_after_document=%.4f "
                "dpi=%d\n",
                qPrintable(report.toLine()), documentSeconds, sendSeconds,
                sendSeconds > 0 ? double(report.pages) / sendSeconds : 0.0,
                firstSideSeconds >= 0 ? firstSideSeconds - documentSeconds : -1.0,
                found.printer->plan.dotsPerInch.width());
    return reporter.errors > 0 ? 1 : 0;
}

int leastWork(int dpi, const QString &pdf)
{
    // The pixels go to memory where the system has a memory file system, so that writing them out
    // costs what it must.
    const bool inMemory = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    QTemporaryDir pixels(inMemory ? QStringLiteral("/dev/shm/lstbench-XXXXXX") : QString());
    if (!pixels.isValid()) {
        std::fprintf(stderr, "lstbench-raster: no temporary folder\n");
        return 1;
    }
    BenchReport report;
    report.program = QStringLiteral("least-work");
    const int pageCount = PdfPages(pdf, pdf).count();
    const int out = ::open("/dev/null", O_WRONLY);
    cups_raster_t *const raster = cupsRasterOpen(out, CUPS_RASTER_WRITE_PWG);
    std::vector<unsigned char> line;
    double renderSeconds = 0;
    QElapsedTimer timer;
    timer.start();
    // pdftoppm renders a batch of pages at a time, whose pixels are then written and removed: a
    // thousand sheets at 300 dpi would not fit in memory at once.
    constexpr int Batch = 20;
    for (int first = 1; first <= pageCount; first += Batch) {
        QElapsedTimer rendering;
        rendering.start();
        QProcess pdftoppm;
        pdftoppm.start(QStringLiteral("pdftoppm"),
                       {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                        QString::number(first), QStringLiteral("-l"),
                        QString::number(std::min(first + Batch - 1, pageCount)), pdf,
                        pixels.filePath(QStringLiteral("p"))});
        if (!pdftoppm.waitForFinished(-1) || pdftoppm.exitCode() != 0) {
            std::fprintf(stderr, "lstbench-raster: pdftoppm failed\n");
            return 1;
        }
        renderSeconds += seconds(rendering);
        const QStringList pages =
            QDir(pixels.path()).entryList({QStringLiteral("p-*.ppm")}, QDir::Files, QDir::Name);
        for (const QString &name : pages) {
            const QImage image = QImage(pixels.filePath(name)).convertToFormat(QImage::Format_RGB888);
            QFile::remove(pixels.filePath(name));
            pwg_media_t media{};
            media.pwg = "custom";
            media.width = int(std::lround(image.width() * 2540.0 / dpi));
            media.length = int(std::lround(image.height() * 2540.0 / dpi));
            cups_page_header2_t header{};
            cupsRasterInitPWGHeader(&header, &media, "srgb_8", dpi, dpi, "one-sided", nullptr);
            header.cupsInteger[CUPS_RASTER_PWG_TotalPageCount] = unsigned(pageCount);
            cupsRasterWriteHeader2(raster, &header);
            line.resize(header.cupsBytesPerLine);
            for (unsigned y = 0; y < header.cupsHeight; ++y) {
                std::fill(line.begin(), line.end(), 255);
                if (int(y) < image.height())
                    std::memcpy(line.data(), image.constScanLine(int(y)),
                                std::min<size_t>(line.size(), size_t(image.width()) * 3));
                cupsRasterWritePixels(raster, line.data(), unsigned(line.size()));
            }
            ++report.pages;
        }
    }
    cupsRasterClose(raster);
    ::close(out);
    report.seconds = seconds(timer);
    report.cpuSeconds = processCpuSeconds();
    report.peakRssKiB = peakRssKiB();
    std::printf("%s render_seconds=%.4f write_seconds=%.4f\n", qPrintable(report.toLine()), renderSeconds,
                report.seconds - renderSeconds);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    QString printer;
    QString pdf;
    QString folder;
    qint64 records = 0;
    int leastWorkDpi = 0;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const bool more = i + 1 < arguments.size();
        if (arguments[i] == QLatin1String("--printer") && more)
            printer = arguments[++i];
        else if (arguments[i] == QLatin1String("--pdf") && more)
            pdf = arguments[++i];
        else if (arguments[i] == QLatin1String("--records") && more)
            records = arguments[++i].toLongLong();
        else if (arguments[i] == QLatin1String("--least-work") && more)
            leastWorkDpi = arguments[++i].toInt();
        else if (folder.isEmpty() && !arguments[i].startsWith(QLatin1Char('-')))
            folder = arguments[i];
        else {
            std::fputs(Usage, stderr);
            return 2;
        }
    }
    if (leastWorkDpi > 0 && !folder.isEmpty())
        return leastWork(leastWorkDpi, folder);
    if (printer.isEmpty() || folder.isEmpty()) {
        std::fputs(Usage, stderr);
        return 2;
    }
    return send(printer, folder, records, pdf);
}
