// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "printersurface.h"

#include "application.h"
#include "documentfile.h"
#include "documenttarget.h"
#include "outputdevice.h"
#include "paperlayout.h"
#include "pdfsurface.h"
#include "printerror.h"
#include "workfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <optional>

#include <unistd.h>

namespace {

// The texts of this file, translated in the context "Printer".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Printer)
};

constexpr int MaxFallbackNames = 10000;

QString pdfBaseName(const QString &documentName)
{
    const QString base = QFileInfo(documentName).completeBaseName();
    return base.isEmpty() ? QStringLiteral("document") : base;
}

QString candidateName(const QString &base, int n)
{
    return n == 1 ? base + QStringLiteral(".pdf") : QStringLiteral("%1-%2.pdf").arg(base).arg(n);
}

// The document as a print job on a queue.
class PrintJobTarget final : public StagedTarget
{
public:
    PrintJobTarget(std::unique_ptr<WorkFolder> folder, Cups::PrinterInfo queue)
        : StagedTarget(std::move(folder)), m_queue(std::move(queue))
    {
    }

    void finish(const DocumentSummary &summary) override
    {
        close();
        const QString title = summary.title.isEmpty() ? ApplicationTitle : summary.title;
        m_outcome.pages = summary.pages;
        m_outcome.jobId = Cups::submitPdf(m_queue.name, documentPath(), title,
                                          {m_queue.media, summary.landscape}, m_queue.jobOptions);
        m_outcome.printer = m_queue.name;
        m_outcome.kind = PrintOutcome::SentToPrinter;
        discard(); // the print system has its own copy now
        // A stopped queue still takes jobs, and holds them until someone starts the printer again.
        const std::optional<Cups::QueueState> state = Cups::queueState(m_queue.name);
        if (state && state->stopped) {
            m_outcome.held = true;
            throw PrintError(
                PrintError::PrinterStopped,
                Words::tr("The printer %1 is stopped: print job %2 (%3) is held in its queue and "
                          "prints only when the printer is started again.")
                    .arg(m_queue.name, QString::number(m_outcome.jobId), title));
        }
    }

private:
    Cups::PrinterInfo m_queue;
};

// The document as a PDF beside the list file, for want of a printer. The name is claimed
// atomically, so a file that is already there (or appears meanwhile) is never replaced.
class SavedBesideTarget final : public StagedTarget
{
public:
    SavedBesideTarget(std::unique_ptr<WorkFolder> folder, QString fallbackFolder, PrintOutcome why)
        : StagedTarget(std::move(folder)), m_fallbackFolder(std::move(fallbackFolder))
    {
        m_outcome = std::move(why);
    }

    void finish(const DocumentSummary &summary) override
    {
        close();
        const QDir folder(m_fallbackFolder);
        const QString base = pdfBaseName(summary.title);
        for (int n = 1; n <= MaxFallbackNames; ++n) {
            const QString path = folder.filePath(candidateName(base, n));
            const int error =
                DocumentFile::publish(documentPath(), path, DocumentFile::Publish::KeepExisting);
            if (error == EEXIST)
                continue;
            if (error != 0)
                throw PrintError(PrintError::OutputFolderNotWritable,
                                 Words::tr("%1, and the print document could not be saved as %2: %3.")
                                     .arg(m_outcome.noPrinterText(), displayPath(path), systemReason(error)));
            m_outcome.pdfPath = path;
            m_outcome.pages = summary.pages;
            m_outcome.kind = PrintOutcome::SavedAsPdf;
            discard();
            return;
        }
        throw PrintError(
            PrintError::OutputFolderNotWritable,
            Words::tr("The print document could not be saved in %1: every name from %2 to %3 is taken.")
                .arg(displayPath(m_fallbackFolder), candidateName(base, 1),
                     candidateName(base, MaxFallbackNames)));
    }

private:
    QString m_fallbackFolder;
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
    : m_lookUp(std::move(lookUp)), m_fallbackFolder(std::move(fallbackFolder)),
      m_workFolder(std::make_unique<WorkFolder>())
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

PdfSurface &PrinterSurface::document() const
{
    if (m_document)
        return *m_document;
    if (m_discarded)
        throw PrintError(PrintError::DocumentNotWritable,
                         Words::tr("The print document has been discarded."));
    std::unique_ptr<DocumentTarget> target;
    Paper paper;
    if (const std::optional<Cups::PrinterInfo> &queue = printer()) {
        paper = {queue->layout, queue->landscapeSupported};
        target = std::make_unique<PrintJobTarget>(std::move(m_workFolder), *queue);
    } else if (m_printerRequired) {
        throw noPrinterError();
    } else {
        PrintOutcome why;
        switch (defaultPrinter().status) {
        case Cups::DefaultPrinter::NoDefaultQueue:
            why.noPrinter = PrintOutcome::NoDefaultPrinter;
            break;
        case Cups::DefaultPrinter::Unreachable:
            why.noPrinter = PrintOutcome::PrintSystemUnreachable;
            break;
        default:
            why.noPrinter = PrintOutcome::NoPrinterSetUp;
            break;
        }
        why.noPrinterReason = defaultPrinter().reason;
        paper = {systemPageLayout(), true};
        target =
            std::make_unique<SavedBesideTarget>(std::move(m_workFolder), m_fallbackFolder, std::move(why));
    }
    m_document = std::make_unique<PdfSurface>(std::move(paper), std::move(target));
    m_document->setDocumentName(m_documentName);
    return *m_document;
}

PrintError PrinterSurface::noPrinterError() const
{
    const Cups::DefaultPrinter &found = defaultPrinter();
    const auto withReason = [&found](const QString &text) {
        return PrintOutcome::withReason(text, found.reason) + QLatin1Char('.');
    };
    if (found.status == Cups::DefaultPrinter::Unreachable)
        return PrintError(
            PrintError::PrintSystemUnavailable,
            withReason(Words::tr("Nothing can be printed: the print system cannot be reached")));
    if (found.status == Cups::DefaultPrinter::OptionNotSupported)
        return PrintError(PrintError::OptionNotSupported,
                          Words::tr("%1: nothing is printed.").arg(found.reason));
    if (!m_queueAsked.isEmpty())
        return PrintError(PrintError::NoPrinter,
                          withReason(Words::tr("There is no printer %1 to print on").arg(m_queueAsked)));
    if (found.status == Cups::DefaultPrinter::NoDefaultQueue)
        return PrintError(PrintError::NoPrinter,
                          withReason(Words::tr("There is no printer to print on: no printer is chosen "
                                               "as the default")));
    return PrintError(PrintError::NoPrinter,
                      Words::tr("There is no printer to print on: no printer is set up."));
}

void PrinterSurface::setOrientation(Orientation orientation)
{
    document().setOrientation(orientation);
}

int PrinterSurface::orientation() const
{
    return document().orientation();
}

void PrinterSurface::setFontName(const QString &name)
{
    document().setFontName(name);
}

void PrinterSurface::setFontSize(float points)
{
    document().setFontSize(points);
}

float PrinterSurface::currentX() const
{
    return document().currentX();
}

float PrinterSurface::currentY() const
{
    return document().currentY();
}

void PrinterSurface::setCurrentX(float x)
{
    document().setCurrentX(x);
}

void PrinterSurface::setCurrentY(float y)
{
    document().setCurrentY(y);
}

float PrinterSurface::scaleWidth() const
{
    return document().scaleWidth();
}

float PrinterSurface::scaleHeight() const
{
    return document().scaleHeight();
}

float PrinterSurface::sheetRight() const
{
    return document().sheetRight();
}

float PrinterSurface::sheetBottom() const
{
    return document().sheetBottom();
}

qint64 PrinterSurface::page() const
{
    return m_document ? m_document->page() : 1;
}

float PrinterSurface::textWidth(const QString &text) const
{
    return document().textWidth(text);
}

float PrinterSurface::lineHeight() const
{
    return document().lineHeight();
}

void PrinterSurface::printText(const QString &text)
{
    document().printText(text);
}

void PrinterSurface::drawPicture(const Picture &picture, float x, float y)
{
    document().drawPicture(picture, x, y);
}

void PrinterSurface::drawPicture(const Picture &picture, float x, float y, float width, float height)
{
    document().drawPicture(picture, x, y, width, height);
}

void PrinterSurface::newPage()
{
    if (m_document)
        m_document->newPage();
}

bool PrinterSurface::pageHasContent() const
{
    return m_document && m_document->pageHasContent();
}

void PrinterSurface::setDocumentName(const QString &name)
{
    m_documentName = name;
    if (m_document)
        m_document->setDocumentName(name);
}

int PrinterSurface::pagesWritten() const
{
    return m_document ? m_document->pagesWritten() : 0;
}

void PrinterSurface::endDocument()
{
    // A document that never needed the printer has no page: nothing is sent, nothing is saved.
    if (m_document)
        m_document->endDocument();
}

void PrinterSurface::discardDocument()
{
    if (m_document && m_document->closed())
        return;
    m_discarded = true;
    if (m_document)
        m_document->discardDocument();
    m_workFolder.reset();
}

PrintOutcome PrinterSurface::outcome() const
{
    PrintOutcome outcome;
    if (m_document)
        outcome = m_document->outcome();
    if (m_discarded) {
        outcome.kind = PrintOutcome::Discarded;
        outcome.pages = pagesWritten();
        // The printer it would have gone to, as far as the print system was asked (it is not asked now).
        outcome.printer =
            m_defaultPrinter && m_defaultPrinter->printer ? m_defaultPrinter->printer->name : QString();
    }
    return outcome;
}
