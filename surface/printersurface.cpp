#include "printersurface.h"

#include "application.h"
#include "paper.h"
#include "printerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

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

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

std::unique_ptr<PrinterSurface> PrinterSurface::forDefaultPrinter(const QString &fallbackFolder)
{
    return std::make_unique<PrinterSurface>(fallbackFolder);
}

PrinterSurface::PrinterSurface(QString fallbackFolder, LookUp lookUp)
    : PdfSurface(QDir(WorkFolder::dir.path()).filePath(QStringLiteral("document.pdf")),
                 [this] { return lookUpPaper(); }),
      m_lookUp(std::move(lookUp)), m_fallbackFolder(std::move(fallbackFolder))
{
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
    return {localePageLayout(), true};
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
    QFile rendered(outputPath());
    if (!rendered.open(QIODevice::ReadOnly))
        throw PrintError(PrintError::DocumentNotWritable,
                         QStringLiteral("The print document %1 could not be read back: %2.")
                             .arg(displayPath(outputPath()), rendered.errorString()));
    const QByteArray content = rendered.readAll();

    // Each name is claimed with O_EXCL, so a file that is already there (or appears meanwhile) is
    // never replaced.
    const QDir folder(m_fallbackFolder);
    const QString base = pdfBaseName(m_documentName);
    for (int n = 1; n <= MaxFallbackNames; ++n) {
        const QString path = folder.filePath(candidateName(base, n));
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            throw PrintError(PrintError::OutputFolderNotWritable,
                             QStringLiteral("%1, and the print document could not be saved in %2: %3.")
                                 .arg(m_outcome.noPrinterText(), displayPath(m_fallbackFolder), reason));
        }
        const bool written = writeAll(fd, content.constData(), content.size());
        const int savedErrno = errno;
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            ::unlink(QFile::encodeName(path).constData());
            const QString reason = QString::fromLocal8Bit(std::strerror(written ? errno : savedErrno));
            throw PrintError(PrintError::OutputFolderNotWritable,
                             QStringLiteral("The print document could not be saved as %1: %2.")
                                 .arg(displayPath(path), reason));
        }
        m_outcome.pdfPath = path;
        return;
    }
    throw PrintError(
        PrintError::OutputFolderNotWritable,
        QStringLiteral("The print document could not be saved in %1: every name from %2 to %3 is taken.")
            .arg(displayPath(m_fallbackFolder), candidateName(base, 1),
                 candidateName(base, MaxFallbackNames)));
}
