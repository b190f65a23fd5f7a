// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "printjob.h"

#include "application.h"
#include "documenttarget.h"
#include "pdfpages.h"
#include "printerror.h"
#include "rasterstream.h"

#include <QCoreApplication>
#include <QFile>

#include <memory>
#include <optional>

namespace {

// The texts of this file, translated in the context "Printer".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Printer)
};

} // namespace

void sendDocument(const Cups::PrinterInfo &printer, const QString &pdfPath, const DocumentSummary &summary,
                  PrintOutcome &outcome, const SendingHandler &handler)
{
    const QString title = summary.title.isEmpty() ? ApplicationTitle : summary.title;
    outcome.pages = summary.pages;
    outcome.printer = printer.name;

    // The document is read back before the printer is asked for a job, so that one that cannot be
    // read leaves no job behind.
    Cups::JobDocument document;
    QFile file(pdfPath);
    std::unique_ptr<PdfPages> pages;
    std::unique_ptr<RasterStream> raster;
    if (printer.plan.raster()) {
        pages = std::make_unique<PdfPages>(pdfPath, displayPath(pdfPath));
        raster = std::make_unique<RasterStream>(
            *pages, printer.plan, printer.layout.fullRect(QPageLayout::Point).size(), printer.media);
        document.write = [&](const Cups::DocumentSink &sink) {
            const int total = int(raster->sides().size());
            return raster->write(sink, [&](int side) {
                return !handler || handler({SendingStatus::Sending,
                                            Words::tr("Sending page %1 of %2 to the printer %3")
                                                .arg(side)
                                                .arg(total)
                                                .arg(printer.name),
                                            side, total});
            });
        };
    } else {
        if (!file.open(QIODevice::ReadOnly))
            throw PrintError(PrintError::DocumentNotWritable,
                             Words::tr("The print document %1 could not be read again to be sent: %2.")
                                 .arg(displayPath(pdfPath), file.errorString()));
        document = Cups::pdfDocument(file);
    }
    document.format = printer.plan.format;
    document.formatsTaken = printer.plan.formatsTaken;

    Cups::BusyWait busy;
    if (handler)
        busy.handler = [&handler](const QString &status) {
            return handler({SendingStatus::Waiting, status, 0, 0});
        };
    const std::optional<int> job = Cups::submitDocument(
        printer.name, title, {printer.media, summary.landscape}, printer.jobOptions, document, busy);
    if (!job) {
        outcome.kind = PrintOutcome::Discarded;
        return;
    }
    outcome.jobId = *job;
    outcome.kind = PrintOutcome::SentToPrinter;
    // A stopped queue still takes jobs, and holds them until someone starts the printer again.
    const std::optional<Cups::QueueState> state = Cups::queueState(printer.name);
    if (state && state->stopped) {
        outcome.held = true;
        throw PrintError(PrintError::PrinterStopped,
                         Words::tr("The printer %1 is stopped: print job %2 (%3) is held in its queue and "
                                   "prints only when the printer is started again.")
                             .arg(printer.name, QString::number(outcome.jobId), title));
    }
}
