#include "printersurface.h"

#include "application.h"
#include "documentfile.h"
#include "paper.h"
#include "printerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {

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

} // namespace

std::unique_ptr<PrinterSurface> PrinterSurface::forDefaultPrinter(const QString &fallbackFolder)
{
    return std::make_unique<PrinterSurface>(fallbackFolder);
}

std::unique_ptr<PrinterSurface> PrinterSurface::forQueue(const QString &queue)
{
    auto surface =
        std::make_unique<PrinterSurface>(QString(), [queue] { return Cups::lookUpPrinter(queue); });
    surface->m_printerRequired = true;
    surface->m_queueAsked = queue;
    return surface;
}

PrinterSurface::PrinterSurface(QString fallbackFolder, LookUp lookUp)
    : PdfSurface(WorkFolder::work.filePath(QStringLiteral("document.pdf")), [this] { return lookUpPaper(); }),
      m_lookUp(std::move(lookUp)), m_fallbackFolder(std::move(fallbackFolder))
{
    if (!WorkFolder::work.isValid())
        throw WorkFolder::work.error();
}

void PrinterSurface::discardDocument()
{
    if (m_outcome.kind != PrintOutcome::NothingPrinted)
        return;
    PdfSurface::discardDocument();
    WorkFolder::work.remove();
    m_outcome.kind = PrintOutcome::Discarded;
    m_outcome.pages = pagesWritten();
    // The printer it would have gone to, as far as the print system was asked (it is not asked now).
    if (m_defaultPrinter && m_defaultPrinter->printer)
        m_outcome.printer = m_defaultPrinter->printer->name;
}

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

PdfSurface::Paper PrinterSurface::lookUpPaper() const
{
    if (const std::optional<Cups::PrinterInfo> &queue = printer())
        return {queue->layout, queue->landscapeSupported};
    if (m_printerRequired)
        throw noPrinterError();
    return {localePageLayout(), true};
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
            withReason(QStringLiteral("Nothing can be printed: the print system cannot be reached")));
    if (!m_queueAsked.isEmpty())
        return PrintError(PrintError::NoPrinter,
                          withReason(QStringLiteral("There is no printer %1 to print on").arg(m_queueAsked)));
    if (found.status == Cups::DefaultPrinter::NoDefaultQueue)
        return PrintError(PrintError::NoPrinter,
                          withReason(QStringLiteral("There is no printer to print on: no printer is chosen "
                                                    "as the default")));
    return PrintError(PrintError::NoPrinter,
                      QStringLiteral("There is no printer to print on: no printer is set up."));
}

void PrinterSurface::setDocumentName(const QString &name)
{
    m_documentName = name;
    PdfSurface::setDocumentName(name);
}

void PrinterSurface::endDocument()
{
    if (m_outcome.kind != PrintOutcome::NothingPrinted)
        return;
    PdfSurface::endDocument();
    if (!documentWritten())
        return;
    m_outcome.pages = pagesWritten();
    if (const std::optional<Cups::PrinterInfo> &queue = printer()) {
        const QString title = m_documentName.isEmpty() ? ApplicationTitle : m_documentName;
        m_outcome.jobId = Cups::submitPdf(queue->name, outputPath(), title,
                                          {queue->media, orientation() == PrintSurface::Landscape});
        m_outcome.printer = queue->name;
        m_outcome.kind = PrintOutcome::SentToPrinter;
        // A stopped queue still takes jobs, and holds them until someone starts the printer again.
        const std::optional<Cups::QueueState> state = Cups::queueState(queue->name);
        if (state && state->stopped) {
            m_outcome.held = true;
            throw PrintError(
                PrintError::PrinterStopped,
                QStringLiteral("The printer %1 is stopped: print job %2 (%3) is held in its queue and "
                               "prints only when the printer is started again.")
                    .arg(queue->name, QString::number(m_outcome.jobId), title));
        }
    } else if (m_printerRequired) {
        throw noPrinterError();
    } else {
        switch (defaultPrinter().status) {
        case Cups::DefaultPrinter::NoDefaultQueue:
            m_outcome.noPrinter = PrintOutcome::NoDefaultPrinter;
            break;
        case Cups::DefaultPrinter::Unreachable:
            m_outcome.noPrinter = PrintOutcome::PrintSystemUnreachable;
            break;
        default:
            m_outcome.noPrinter = PrintOutcome::NoPrinterSetUp;
            break;
        }
        m_outcome.noPrinterReason = defaultPrinter().reason;
        saveFallbackPdf();
        m_outcome.kind = PrintOutcome::SavedAsPdf;
    }
}

void PrinterSurface::saveFallbackPdf()
{
    // The document reaches its name by a rename or a link where the work folder shares the list
    // file's file system, by a copy in chunks where not: never through memory. Each name is claimed
    // atomically, so a file that is already there (or appears meanwhile) is never replaced.
    const QDir folder(m_fallbackFolder);
    const QString base = pdfBaseName(m_documentName);
    for (int n = 1; n <= MaxFallbackNames; ++n) {
        const QString path = folder.filePath(candidateName(base, n));
        const int error = DocumentFile::publish(outputPath(), path, DocumentFile::Publish::KeepExisting);
        if (error == EEXIST)
            continue;
        if (error != 0)
            throw PrintError(PrintError::OutputFolderNotWritable,
                             QStringLiteral("%1, and the print document could not be saved as %2: %3.")
                                 .arg(m_outcome.noPrinterText(), displayPath(path),
                                      QString::fromLocal8Bit(std::strerror(error))));
        m_outcome.pdfPath = path;
        return;
    }
    throw PrintError(
        PrintError::OutputFolderNotWritable,
        QStringLiteral("The print document could not be saved in %1: every name from %2 to %3 is taken.")
            .arg(displayPath(m_fallbackFolder), candidateName(base, 1),
                 candidateName(base, MaxFallbackNames)));
}
