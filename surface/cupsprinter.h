// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QPageLayout>
#include <QString>

#include <optional>

// The system's print queues as CUPS sees them. CUPS honours PRINTER, LPDEST, CUPS_SERVER, the
// client.conf files and the user's lpoptions, so those decide which queue is the default and which
// server is asked. Every exchange with the print system has bounded waits: a server that accepts
// connections and never answers holds the caller up for about ConnectTimeoutMs plus
// AnswerTimeoutSeconds, not for the minute or more that libcups waits on its own connections.
namespace Cups {

constexpr int ConnectTimeoutMs = 5000;
constexpr double AnswerTimeoutSeconds = 10.0;

struct PrinterInfo
{
    QString name; // the destination (queue) name
    // The queue's default media: the sheet and its printable area (the imageable area, inside the
    // margins that the queue reports; the whole sheet on a queue without margins), in portrait.
    QPageLayout layout;
    QString media;                  // the media keyword that jobs are sent with, e.g. iso_a4_210x297mm
    bool landscapeSupported = true; // whether the queue can print landscape pages
};

// What asking the print system for its default queue found.
struct DefaultPrinter
{
    enum Status
    {
        Found,          // printer holds the queue
        NoPrintSystem,  // nothing is configured and nothing answers where CUPS looks by default
        NoQueue,        // the print system answers and has no queue
        NoDefaultQueue, // it has queues, but not the one asked for: none is the default, or
                        // PRINTER or the name asked for names a missing one
        Unreachable,    // a configured server, or a socket, that does not answer
    };
    Status status = NoPrintSystem;
    std::optional<PrinterInfo> printer; // Found
    QString reason;                     // NoDefaultQueue, Unreachable: what the print system said
};

// Asks the print system for the default queue, its paper and whether it prints landscape.
[[nodiscard]] DefaultPrinter lookUpDefaultPrinter();
// The same for the queue of that name (empty: the default queue).
[[nodiscard]] DefaultPrinter lookUpPrinter(const QString &queue);

// How a job's pages are to be put on paper: the media they were laid out on and the orientation
// they were drawn in. The job asks for no scaling at all (print-scaling=none), so that the print
// system's filters neither shrink nor enlarge, re-centre or crop the drawn pages.
struct JobPaper
{
    QString media; // empty: the queue's default
    bool landscape = false;
};

// Sends a PDF file to a queue under the given job title and returns the job's number. Throws
// PrintError when the queue refuses the job (PrinterRefusedJob) or the print system cannot be
// reached (PrintSystemUnavailable): never a silent failure.
int submitPdf(const QString &printer, const QString &pdfPath, const QString &title,
              const JobPaper &paper = {});

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
