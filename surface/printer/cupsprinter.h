// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "documentplan.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <optional>
#include <utility>

// The system's print queues as CUPS sees them, and printers reached by their own address. CUPS
// honours PRINTER, LPDEST, CUPS_SERVER, the client.conf files and the user's lpoptions, so those
// decide which queue is the default and which server is asked. Every exchange with the print system has
// bounded waits: a server that accepts connections and never answers holds the caller up for about
// ConnectTimeoutMs plus AnswerTimeoutSeconds, not for the minute or more that libcups waits on its own
// connections.
namespace Cups {

constexpr int ConnectTimeoutMs = 5000;
constexpr double AnswerTimeoutSeconds = 10.0;

// Whether a printer is named by its address, ipp://host[:port]/path or ipps://..., rather than by
// the name of a queue.
[[nodiscard]] bool isPrinterAddress(const QString &printer);

// The options of one -o argument: "NAME=VALUE", or several separated by spaces, with quotes as the
// CUPS commands take them (cupsParseOptions).
[[nodiscard]] JobOptions parseOptions(const QString &text);

// The options that decide how the pages go on the sheet (its size, scaling, orientation, several
// pages to a sheet, which pages): the pages are drawn on the printer's own paper and sent as they
// are to be printed, so these cannot be asked for. What to do instead, as a clause; empty for an
// option that may be given.
[[nodiscard]] QString whyNotAnOption(const QByteArray &name);

struct PrinterInfo
{
    QString name; // the destination (queue) name
    // The queue's default media: the sheet and its printable area (the imageable area, inside the
    // margins that the queue reports; the whole sheet on a queue without margins), in portrait.
    QPageLayout layout;
    QString media;                  // the media keyword that jobs are sent with, e.g. iso_a4_210x297mm
    bool landscapeSupported = true; // whether the queue can print landscape pages
    // What every job on it is sent with: the options asked for, over the queue's defaults and the
    // user's and the system's lpoptions for it (as lp takes them).
    JobOptions jobOptions;
    // How the document is sent: as a PDF, or rendered as the raster the printer takes.
    DocumentPlan plan;
};

// What asking the print system for its default queue found.
struct DefaultPrinter
{
    enum Status
    {
        Found,              // printer holds the queue
        NoPrintSystem,      // nothing is configured and nothing answers where CUPS looks by default
        NoQueue,            // the print system answers and has no queue
        NoDefaultQueue,     // it has queues, but not the one asked for: none is the default, or
                            // PRINTER or the name asked for names a missing one
        Unreachable,        // a configured server, a socket or a printer's address that does not answer
        OptionNotSupported, // the printer does not offer an option asked for (reason: which, and
                            // what it offers)
    };
    Status status = NoPrintSystem;
    std::optional<PrinterInfo> printer; // Found
    QString reason; // NoDefaultQueue, Unreachable, OptionNotSupported: what the print system said
};

// Asks the print system for the default queue, its paper and whether it prints landscape.
[[nodiscard]] DefaultPrinter lookUpDefaultPrinter();
// The same for the queue of that name, or the printer at that address (empty: the default queue),
// with the options its jobs are to have checked against what it offers.
[[nodiscard]] DefaultPrinter lookUpPrinter(const QString &printer, const JobOptions &asked = {});

// How a job's pages are to be put on paper: the media they were laid out on and the orientation
// they were drawn in. The job asks for no scaling at all (print-scaling=none), so that the print
// system's filters neither shrink nor enlarge, re-centre or crop the drawn pages.
struct JobPaper
{
    QString media; // empty: the queue's default
    bool landscape = false;
};

// Takes a document's bytes, in order, into the job being sent; false when the print system did not
// take them.
using DocumentSink = std::function<bool(const char *data, size_t size)>;

// A document to send: its format, and what writes it into the job. write stops as soon as the sink
// refuses bytes, and throws PrintError when it cannot make the document; whatever it made is then
// thrown away, the job cancelled.
struct JobDocument
{
    DocumentFormat format = DocumentFormat::Pdf;
    std::function<Written(const DocumentSink &sink)> write;
    qint64 size = -1;         // in bytes, where it is known before it is sent
    QStringList formatsTaken; // what the printer said it takes, for the message when it refuses this one
};

// How a printer that is busy with another job is waited for.
struct BusyWait
{
    // Told what is waited for ("Waiting for the printer office: it is busy") at least every tenth
    // of a second while the printer is waited for; answers whether to go on waiting. Without it the
    // wait goes on to its end.
    std::function<bool(const QString &status)> handler;
    // After this long the printer's answer is taken as its refusal.
    int limitSeconds = 600;
};

// Sends a document to a queue, or to the printer at an address, under the given job title and with
// the given options (PrinterInfo::jobOptions), and returns the job's number. A printer that
// answers that it is busy (server-error-busy, server-error-service-unavailable, or, at an address,
// not accepting jobs) is asked again after growing pauses for as long as wait allows; nothing is
// returned when the one who waits gives up, or document.write stops, and then nothing is printed
// (a job already made is cancelled). Throws PrintError when the
// printer refuses the job (PrinterRefusedJob: also a print server that refuses a document of its
// size) or cannot be reached (PrintSystemUnavailable), and whatever document.write throws: never a
// silent failure. A job whose document could not be sent whole is cancelled.
std::optional<int> submitDocument(const QString &printer, const QString &title, const JobPaper &paper,
                                  const JobOptions &options, const JobDocument &document,
                                  const BusyWait &wait = {});

// The PDF in an open file, as a job's document (the file stays open while it is sent).
[[nodiscard]] JobDocument pdfDocument(QFile &file);

// A PDF file sent as submitDocument sends it, a busy printer waited for to the end of the wait.
// Throws PrintError (DocumentNotWritable) also when the file cannot be read.
int submitPdf(const QString &printer, const QString &pdfPath, const QString &title,
              const JobPaper &paper = {}, const JobOptions &options = {});

// The PWG keyword of a paper size (iso_a4_210x297mm, na_letter_8.5x11in), as a job names the paper
// it asks for; empty for a size that has none.
[[nodiscard]] QString mediaKeyword(const QPageSize &size);

// The print queues of the print system, to choose from: their names in order, the default queue
// first. failure says why the print system could not be asked (the list is then empty).
struct QueueList
{
    QStringList names;
    QString defaultQueue; // empty when none is the default
    QString failure;
};
[[nodiscard]] QueueList listQueues();

// The values that a queue, or the printer at an address, offers for a job option (its
// "-supported" list, e.g. one-sided and two-sided-long-edge for sides); empty when it lists none
// or cannot be asked.
[[nodiscard]] QList<QByteArray> supportedValues(const QString &printer, const QByteArray &option);

// What the print system says about a queue now.
struct QueueState
{
    bool stopped = false;      // printer-state "stopped": jobs are taken but held, not printed
    bool acceptingJobs = true; // printer-is-accepting-jobs
    QString reasons;           // printer-state-reasons, e.g. "paused"
};

// The state of a queue or of the printer at an address, or nothing when the print system cannot be
// asked or does not know it.
[[nodiscard]] std::optional<QueueState> queueState(const QString &printer);

} // namespace Cups
