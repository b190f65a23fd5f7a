// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "batchrun.h"

#include "commandline.h"
#include "exportsurface.h"
#include "printerror.h"
#include "printersurface.h"
#include "printjob.h"
#include "printrun.h"
#include "runcontext.h"
#include "runprogress.h"
#include "runreport.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include <unistd.h>

namespace {

// The texts of this file, translated in the context "BatchRun".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(BatchRun)
};

// The signal that came, SIGINT or SIGTERM. The handler only stores it; the run asks for it between
// two pages (its stop check), and stops there.
volatile std::sig_atomic_t caughtSignal = 0;

void stopOnSignal(int signal)
{
    caughtSignal = signal;
}

void installSignalHandlers()
{
    struct sigaction action
    {
    };
    action.sa_handler = stopOnSignal;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader of standard output that goes away is a write error to report, not a silent death.
    struct sigaction ignore
    {
    };
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

void writeError(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

// "Printing page N of M" on a terminal, rewritten in place, from about a second into the run.
class ProgressLine
{
public:
    explicit ProgressLine(bool enabled) : m_enabled(enabled) {}
    // The pages the run will print, asked once, when the line first shows.
    void setTotalCounter(std::function<qint64()> countTotal) { m_countTotal = std::move(countTotal); }

    void update(qint64 pages)
    {
        if (!due())
            return;
        if (!m_total)
            m_total = m_countTotal ? m_countTotal() : 0;
        draw(*m_total > 0 ? Words::tr("Printing page %1 of %2").arg(pages).arg(*m_total)
                          : Words::tr("Printing page %1").arg(pages));
    }

    // Another text in the line's place ("Sending page 3 of 6 to the printer office").
    void show(const QString &text)
    {
        if (due())
            draw(text);
    }

    // Blanks the line, so that what is written next starts on a clean one.
    void clear()
    {
        if (m_width == 0)
            return;
        writeError(QLatin1Char('\r') + QString(m_width, QLatin1Char(' ')) + QLatin1Char('\r'));
        m_width = 0;
        m_timing.hidden();
    }

private:
    [[nodiscard]] bool due() const { return m_enabled && m_timing.due(); }

    void draw(const QString &text)
    {
        writeError(QLatin1Char('\r') + text.leftJustified(m_width));
        m_width = int(text.size());
        m_timing.drawn();
    }

    bool m_enabled;
    ProgressTiming m_timing;
    std::function<qint64()> m_countTotal;
    std::optional<qint64> m_total;
    int m_width = 0;
};

// The run's errors as lines on standard error, and nothing else: no message box.
class BatchReporter : public ErrorReporter
{
public:
    explicit BatchReporter(ProgressLine &progress) : m_progress(progress) {}
    [[nodiscard]] int count() const { return m_count; }

protected:
    void showError(const PrintError &) override { ++m_count; }
    void writeLogLine(const QString &line) override
    {
        m_progress.clear();
        ErrorReporter::writeLogLine(line);
    }

private:
    ProgressLine &m_progress;
    int m_count = 0;
};

class BatchChoices : public RunChoices
{
public:
    explicit BatchChoices(const CommandLine &options)
        : m_portrait(!options.landscape), m_fitInPage(!options.actualSize)
    {
    }
    [[nodiscard]] bool portraitSelected() const override { return m_portrait; }
    [[nodiscard]] bool fitInPageSelected() const override { return m_fitInPage; }

private:
    bool m_portrait;
    bool m_fitInPage;
};

std::unique_ptr<PrintSurface> makeSurface(const CommandLine &options, ProgressLine &progress)
{
    if (options.action == CommandLine::PrintToPdf) {
        // As given: a relative name is the system's to resolve against the working folder.
        return ExportSurface::make(options.pdfTarget);
    }
    // A script that asks for paper gets paper or an error: never a PDF in the folder instead.
    auto printer = PrinterSurface::forQueue(options.printer, options.jobOptions);
    // A busy printer is waited for: said once on standard error. The pages then sent show on the
    // progress line. A signal ends either, and nothing is printed.
    printer->setSendingHandler(
        [quiet = options.quiet, &progress, told = QString()](const SendingStatus &status) mutable {
            if (status.stage == SendingStatus::Waiting) {
                if (!quiet && status.text != told) {
                    progress.clear();
                    writeError(status.text + QLatin1Char('\n'));
                    told = status.text;
                }
            } else {
                progress.show(status.text);
            }
            return caughtSignal == 0;
        });
    return printer;
}

} // namespace

int runBatch(const CommandLine &options, const DataLocation &data)
{
    installSignalHandlers();
    PictureSlot image1(96); // picture sizes as the window has them on a standard desktop screen
    const BatchChoices choices(options);
    ProgressLine progress(!options.quiet && ::isatty(STDERR_FILENO));
    BatchReporter reporter(progress);
    PrintRun run(data.folder, image1, reporter, choices);
    // A signal that came before the run could be reached stops it before its first page.
    run.setStopCheck([] { return caughtSignal != 0; });
    run.setListFileChoice(data.listFile);
    run.setOtherFolder(data.otherFolder);
    run.setRecordSelection(options.records);
    progress.setTotalCounter([&run] { return countRecordsToPrint(run); });
    run.setProgressHandler([&progress](qint64 pages) { progress.update(pages); });

    std::unique_ptr<PrintSurface> surface;
    std::optional<PrintError> failure;
    try {
        surface = makeSurface(options, progress);
        run.cmdPrint_Click(*surface);
    } catch (const PrintError &error) {
        failure = error;
    }
    progress.clear();
    if (failure)
        reporter.report(*failure);
    const PrintOutcome outcome = surface ? surface->outcome() : PrintOutcome();

    int status = ExitStatus::NothingPrinted;
    if (run.stopped())
        status = ExitStatus::SignalBase + (caughtSignal != 0 ? int(caughtSignal) : SIGTERM);
    else if (outcome.kind == PrintOutcome::SavedAsPdf || outcome.kind == PrintOutcome::SentToPrinter)
        status = reporter.count() > 0 ? ExitStatus::SomeRecordsFailed : ExitStatus::Printed;
    const QString closing =
        RunReport(run, outcome)
            .closingLine(options.action == CommandLine::PrintToPdf ? options.pdfTarget : QString(),
                         reporter.count(), failure.has_value());
    if (!options.quiet)
        writeError(closing + QLatin1Char('\n'));
    return status;
}
