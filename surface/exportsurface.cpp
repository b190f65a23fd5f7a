#include "exportsurface.h"

#include "documentfile.h"
#include "paper.h"
#include "printerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int WorkNameAttempts = 100;

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A name for the work file beside the target, hidden and unlikely to be taken: ".out.pdf-k3Xq9z".
QString workName(const QString &targetName)
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters) - 1)]);
    return QStringLiteral(".%1-%2").arg(targetName, suffix);
}

} // namespace

namespace detail {

ExportWorkFile::ExportWorkFile(const QString &target)
{
    if (target == ExportSurface::StandardOutput) {
        workFolder.emplace();
        if (!workFolder->isValid())
            throw workFolder->error();
        workPath = workFolder->filePath(QStringLiteral("document.pdf"));
        return;
    }

    const QFileInfo info(target);
    if (info.isDir())
        throw PrintError(PrintError::DocumentNotWritable,
                         QStringLiteral("The print document cannot be saved as %1: that is a folder.")
                             .arg(displayPath(target)));
    const QDir folder = info.absoluteDir();
    for (int attempt = 0; attempt < WorkNameAttempts; ++attempt) {
        const QString path = folder.filePath(workName(info.fileName()));
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            throw PrintError(PrintError::DocumentNotWritable,
                             QStringLiteral("The print document cannot be saved as %1: %2.")
                                 .arg(displayPath(target), reasonOf(errno)));
        ::close(fd);
        workPath = path;
        return;
    }
    throw PrintError(PrintError::DocumentNotWritable,
                     QStringLiteral("The print document cannot be saved as %1: no free name for its work "
                                    "file in %2.")
                         .arg(displayPath(target), displayPath(folder.path())));
}

ExportWorkFile::~ExportWorkFile()
{
    removeWorkFile();
}

void ExportWorkFile::removeWorkFile()
{
    if (workPath.isEmpty())
        return;
    ::unlink(QFile::encodeName(workPath).constData());
    workPath.clear();
}

} // namespace detail

ExportSurface::ExportSurface(QString target)
    : ExportWorkFile(target), PdfSurface(workPath, localePageLayout()), m_target(std::move(target))
{
}

void ExportSurface::endDocument()
{
    if (m_ended)
        return;
    m_ended = true;
    // Whatever happens, the work file is gone afterwards: published under the target's name, or
    // removed.
    const auto cleanUp = qScopeGuard([this] { removeWorkFile(); });
    PdfSurface::endDocument();
    if (!documentWritten())
        return;
    publish();
    m_outcome.kind = PrintOutcome::SavedAsPdf;
    m_outcome.pdfPath = m_target;
    m_outcome.pages = pagesWritten();
}

void ExportSurface::publish()
{
    if (m_target == StandardOutput) {
        if (const int error = DocumentFile::copyTo(workPath, STDOUT_FILENO))
            throw PrintError(PrintError::DocumentNotWritable,
                             QStringLiteral("The print document could not be written to standard output: %1.")
                                 .arg(reasonOf(error)));
        return;
    }
    if (const int error = DocumentFile::publish(workPath, m_target, DocumentFile::Publish::ReplaceAtomically))
        throw PrintError(PrintError::DocumentNotWritable,
                         QStringLiteral("The print document could not be saved as %1: %2.")
                             .arg(displayPath(m_target), reasonOf(error)));
    workPath.clear(); // it is the target now
}

void ExportSurface::discardDocument()
{
    if (m_ended)
        return;
    m_ended = true;
    PdfSurface::discardDocument();
    removeWorkFile();
    m_outcome.kind = PrintOutcome::Discarded;
    m_outcome.pages = pagesWritten();
}
