// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// lstbench-window: one print run through the program window, as a press of Print makes it (busy
// cursor, record count for the progress window, progress handler), on the real PDF surface. With
// --no-progress the progress handler never shows the progress window nor lets events through, so
// the difference between the two is what the progress window and its repaints cost.
#include "benchreport.h"

#include "frmprinter.h"
#include "messagesink.h"
#include "pdfsurface.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>

#include <climits>
#include <cstdio>

namespace {

const char Usage[] = "usage: lstbench-window [--no-progress] [--out FILE.pdf] FOLDER\n"
                     "Prints the list file of FOLDER from the program window (shown on the offscreen\n"
                     "platform) to a PDF, by default FOLDER/lstbench-window.pdf, and writes one\n"
                     "'lstbench program=window ...' line (program=window-no-progress with --no-progress).\n";

class CountingSink : public MessageSink
{
public:
    int errors = 0;
    void error(const QString &text) override
    {
        ++errors;
        std::fprintf(stderr, "lstbench-window: %s\n", qPrintable(text));
    }
    void information(const QString &) override {}
};

} // namespace

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    bool progress = true;
    QString out;
    QString folder;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--no-progress")) {
            progress = false;
        } else if (arguments[i] == QLatin1String("--out") && i + 1 < arguments.size()) {
            out = arguments[++i];
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
    folder = QDir(folder).absolutePath();
    if (out.isEmpty())
        out = QDir(folder).filePath(QStringLiteral("lstbench-window.pdf"));
    QFile::remove(out);

    frmPrinter window(folder);
    CountingSink sink;
    window.setMessageSink(&sink);
    int pages = 0;
    window.setSurfaceFactory([&out, &pages](const QString &) {
        // Reports the pages of the document when the window is done with it.
        class CountedSurface : public PdfSurface
        {
        public:
            CountedSurface(const QString &path, int &pages)
                : PdfSurface(path, benchPageLayout()), m_pages(pages)
            {
            }
            ~CountedSurface() override { m_pages = pagesWritten(); }

        private:
            int &m_pages;
        };
        return std::make_unique<CountedSurface>(out, pages);
    });
    if (!progress)
        window.setProgressTiming(INT_MAX, INT_MAX);
    window.show();
    QApplication::processEvents();

    BenchReport report;
    report.program = progress ? QStringLiteral("window") : QStringLiteral("window-no-progress");
    const double cpuStart = processCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    // The run goes on from the event loop, as in the program: one page a step.
    QEventLoop untilEnded;
    QObject::connect(&window, &frmPrinter::runEnded, &untilEnded, &QEventLoop::quit);
    window.cmdPrint_Click();
    if (window.running())
        untilEnded.exec();
    report.seconds = double(timer.nsecsElapsed()) / 1e9;
    report.cpuSeconds = processCpuSeconds() - cpuStart;
    report.records = pages; // one page per record: the data sets print without errors
    report.pages = pages;
    report.peakRssKiB = peakRssKiB();
    report.outputBytes = QFileInfo(out).size();
    std::printf("%s\n", qPrintable(report.toLine()));
    return sink.errors > 0 ? 1 : 0;
}
