// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// lstbench-preview: the preview of a folder as a user opens it: how long from showing the window
// until its first page is rendered, how long until the whole document is made, and the peak memory
// of the process meanwhile, with the view sent to the last page made every so often during the run
// (as a user holding End would) and paged through once the document is whole.
#include "benchreport.h"

#include "listfile.h"
#include "messagesink.h"
#include "pageview.h"
#include "previewwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>

namespace {

const char Usage[] = "usage: lstbench-preview FOLDER\n"
                     "Opens the preview of the list file of FOLDER (on the offscreen platform), waits\n"
                     "for the whole document and pages through it, and writes one\n"
                     "'lstbench program=preview ... first_page_ms=N' line.\n";

// How often, in pages made, the view goes to the last page made during the run.
constexpr int EndEveryPages = 10000;

class CountingSink : public MessageSink
{
public:
    int errors = 0;
    void error(const QString &text) override
    {
        ++errors;
        std::fprintf(stderr, "lstbench-preview: %s\n", qPrintable(text));
    }
    void information(const QString &) override {}
};

// Renders what the view shows now, as a paint of the screen would.
bool renderView(PreviewWindow &window)
{
    (void)window.view().viewport()->grab();
    return !window.view().shownImage().isNull();
}

} // namespace

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1Char('-'))) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const QString folder = QDir(arguments.first()).absolutePath();
    const QString listFile = findListFile(folder);

    BenchReport report;
    report.program = QStringLiteral("preview");
    const double cpuStart = processCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    PreviewWindow window({folder, listFile, QString(), RecordSelection()}, false, false);
    CountingSink sink;
    window.setMessageSink(&sink);
    window.resize(1000, 1200);
    window.show();

    qint64 firstPageNs = -1;
    int endAt = EndEveryPages;
    QEventLoop untilEnded;
    QObject::connect(&window.document(), &PreviewDocument::pagesMadeChanged, &window, [&](int pages) {
        if (firstPageNs < 0 && window.view().loadedPageCount() > 0 && renderView(window))
            firstPageNs = timer.nsecsElapsed();
        if (pages >= endAt) {
            endAt += EndEveryPages;
            window.view().setCurrentPage(pages - 1);
            renderView(window);
        }
    });
    QObject::connect(&window, &PreviewWindow::documentEnded, &untilEnded, &QEventLoop::quit);
    if (window.document().state() == PreviewDocument::State::Making)
        untilEnded.exec();
    report.seconds = double(timer.nsecsElapsed()) / 1e9;
    report.cpuSeconds = processCpuSeconds() - cpuStart;

    // The whole document: its last page, then pages here and there.
    const int pages = window.view().pageCount();
    window.view().setCurrentPage(pages - 1);
    renderView(window);
    QRandomGenerator random(1);
    for (int i = 0; i < 20 && pages > 0; ++i) {
        window.view().setCurrentPage(int(random.bounded(pages)));
        renderView(window);
    }

    report.records = window.document().recordsRead();
    report.pages = pages;
    report.peakRssKiB = peakRssKiB();
    report.outputBytes = QFileInfo(window.document().documentPath()).size();
    std::printf("%s first_page_ms=%.1f\n", qPrintable(report.toLine()), double(firstPageNs) / 1e6);
    return sink.errors > 0 || window.document().state() != PreviewDocument::State::Finished ? 1 : 0;
}
