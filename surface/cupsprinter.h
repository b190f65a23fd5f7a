#pragma once

#include <QPageLayout>
#include <QString>

#include <optional>

// The system's print queues as CUPS sees them. CUPS honours PRINTER, LPDEST, CUPS_SERVER and the
// user's lpoptions, so those decide which queue is the default and which server is asked.
namespace Cups {

struct PrinterInfo
{
    QString name;                   // the destination (queue) name
    QPageLayout layout;             // the queue's default paper and its margins, in portrait
    bool landscapeSupported = true; // whether the queue can print landscape pages
};

// The default print queue, or nothing when there is no print system or no queue at all.
[[nodiscard]] std::optional<PrinterInfo> defaultPrinter();

// Sends a PDF file to a queue under the given job title and returns the job's number. Throws
// PrintError when the queue refuses the job (PrinterRefusedJob) or the print system cannot be
// reached (PrintSystemUnavailable): never a silent failure.
int submitPdf(const QString &printer, const QString &pdfPath, const QString &title);

// What the print system says about a queue now.
struct QueueState
{
    bool stopped = false;      // printer-state "stopped": jobs are taken but held, not printed
    bool acceptingJobs = true; // printer-is-accepting-jobs
    QString reasons;           // printer-state-reasons, e.g. "paused"
};

// The state of a queue, or nothing when the print system cannot be asked or does not know it.
[[nodiscard]] std::optional<QueueState> queueState(const QString &printer);

} // namespace Cups
