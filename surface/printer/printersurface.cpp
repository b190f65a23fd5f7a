// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "printersurface.h"

#include "documenttarget.h"
#include "paperlayout.h"
#include "pdfsurface.h"
#include "printerror.h"
#include "printjob.h"
#include "workfiles.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include <optional>

namespace {

// The texts of this file, translated in the context "Printer".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Printer)
};

// The document as a print job on a queue.
class PrintJobTarget final : public StagedTarget
{
public:
    PrintJobTarget(std::unique_ptr<WorkFolder> folder, Cups::PrinterInfo queue, SendingHandler handler)
        : StagedTarget(std::move(folder)), m_queue(std::move(queue)), m_handler(std::move(handler))
    {
    }

    void finish(const DocumentSummary &summary) override
    {
        close();
        // Once the print system has taken the job it has its own copy, also of a job it holds.
        const auto taken = qScopeGuard([this] {
            if (m_outcome.kind == PrintOutcome::SentToPrinter)
                discard();
        });
        sendDocument(m_queue, documentPath(), summary, m_outcome, m_handler);
    }

private:
    Cups::PrinterInfo m_queue;
    SendingHandler m_handler;
};

} // namespace

std::unique_ptr<PrinterSurface> PrinterSurface::forDefaultPrinter(const QString &fallbackFolder)
{
    return std::make_unique<PrinterSurface>(fallbackFolder);
}

std::unique_ptr<PrinterSurface> PrinterSurface::forQueue(const QString &queue,
                                                         const Cups::JobOptions &options)
{
    auto surface = std::make_unique<PrinterSurface>(
        QString(), [queue, options] { return Cups::lookUpPrinter(queue, options); });
    surface->m_printerRequired = true;
    surface->m_queueAsked = queue;
    return surface;
}

PrinterSurface::PrinterSurface(QString fallbackFolder, LookUp lookUp)
    : PdfSurface([this] { return destination(); }), m_lookUp(std::move(lookUp)),
      m_fallbackFolder(std::move(fallbackFolder)), m_workFolder(std::make_unique<WorkFolder>())
{
}

PrinterSurface::~PrinterSurface() = default;

const Cups::DefaultPrinter &PrinterSurface::defaultPrinter() const
{
    if (!m_defaultPrinter) {
        m_defaultPrinter = m_lookUp();
        if (m_defaultPrinter->status != Cups::DefaultPrinter::Found)
            m_defaultPrinter->printer.reset();
        else if (!m_defaultPrinter->printer)
            m_defaultPrinter->status = Cups::DefaultPrinter::NoQueue;
    }
    return *m_defaultPrinter;
}

PdfSurface::Destination PrinterSurface::destination()
{
    if (m_discarded)
        throw PrintError(PrintError::DocumentNotWritable,
                         Words::tr("The print document has been discarded."));
    if (const std::optional<Cups::PrinterInfo> &queue = printer())
        // Raster pages are put in order as they are made; a PDF's page tree has the order it is
        // printed in.
        return {
            {queue->layout, queue->landscapeSupported, queue->plan.lastPageFirst && !queue->plan.raster()},
            std::make_unique<PrintJobTarget>(std::move(m_workFolder), *queue,
                                             [this](const SendingStatus &status) {
                                                 return !m_sendingHandler || m_sendingHandler(status);
                                             })};
    if (m_printerRequired)
        throw noPrinterError();
    PrintOutcome why;
    why.noPrinter = noPrinterText();
    return {{systemPageLayout(), true},
            DocumentTarget::besideListFile(std::move(m_workFolder), m_fallbackFolder, std::move(why))};
}

QString PrinterSurface::noPrinterText() const
{
    const Cups::DefaultPrinter &found = defaultPrinter();
    const auto withReason = [&found](const QString &text) {
        return found.reason.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, found.reason);
    };
    switch (found.status) {
    case Cups::DefaultPrinter::NoDefaultQueue:
        return withReason(Words::tr("No printer is chosen as the default"));
    case Cups::DefaultPrinter::Unreachable:
        return withReason(Words::tr("The print system could not be reached"));
    default:
        return Words::tr("No printer is set up");
    }
}

PrintError PrinterSurface::noPrinterError() const
{
    return lookUpFailure(defaultPrinter(), m_queueAsked);
}

PrintError PrinterSurface::lookUpFailure(const Cups::DefaultPrinter &found, const QString &printerAsked)
{
    const auto withReason = [&found](const QString &text) {
        return (found.reason.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, found.reason)) +
               QLatin1Char('.');
    };
    if (found.status == Cups::DefaultPrinter::Unreachable)
        return PrintError(
            PrintError::PrintSystemUnavailable,
            withReason(Words::tr("Nothing can be printed: the print system cannot be reached")));
    if (found.status == Cups::DefaultPrinter::OptionNotSupported)
        return PrintError(PrintError::OptionNotSupported,
                          Words::tr("%1: nothing is printed.").arg(found.reason));
    if (!printerAsked.isEmpty())
        return PrintError(PrintError::NoPrinter,
                          withReason(Words::tr("There is no printer %1 to print on").arg(printerAsked)));
    if (found.status == Cups::DefaultPrinter::NoDefaultQueue)
        return PrintError(PrintError::NoPrinter,
                          withReason(Words::tr("There is no printer to print on: no printer is chosen "
                                               "as the default")));
    return PrintError(PrintError::NoPrinter,
                      Words::tr("There is no printer to print on: no printer is set up."));
}

void PrinterSurface::newPage()
{
    // Before the printer was needed there is no page to end.
    if (destinationKnown())
        PdfSurface::newPage();
}

void PrinterSurface::discardDocument()
{
    if (closed())
        return;
    m_discarded = true;
    PdfSurface::discardDocument();
    m_workFolder.reset();
}

PrintOutcome PrinterSurface::outcome() const
{
    PrintOutcome outcome = PdfSurface::outcome();
    if (m_discarded) {
        outcome.kind = PrintOutcome::Discarded;
        outcome.pages = pagesWritten();
        // The printer it would have gone to, as far as the print system was asked (it is not asked now).
        outcome.printer =
            m_defaultPrinter && m_defaultPrinter->printer ? m_defaultPrinter->printer->name : QString();
    }
    return outcome;
}
