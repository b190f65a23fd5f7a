// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "printjob.h"

#include "application.h"
#include "documenttarget.h"
#include "printerror.h"

#include <QCoreApplication>

#include <optional>

namespace {

// The texts of this file, translated in the context "Printer".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Printer)
};

} // namespace

void sendDocument(const Cups::PrinterInfo &printer, const QString &pdfPath, const DocumentSummary &summary,
                  PrintOutcome &outcome)
{
    const QString title = summary.title.isEmpty() ? ApplicationTitle : summary.title;
    outcome.pages = summary.pages;
    outcome.jobId =
        Cups::submitPdf(printer.name, pdfPath, title, {printer.media, summary.landscape}, printer.jobOptions);
    outcome.printer = printer.name;
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
