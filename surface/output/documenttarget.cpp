// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "documenttarget.h"

#include "documentfile.h"
#include "filename.h"
#include "outputdevice.h"
#include "printerror.h"
#include "workfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The texts of this file, translated in the context "PrintDocument".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PrintDocument)
};

// The words of the target that stands in for a printer, translated in the context "Printer".
struct PrinterWords
{
    Q_DECLARE_TR_FUNCTIONS(Printer)
};

const QString &StandardOutput = PrintOutcome::StandardOutput;

PrintError notSaved(const QString &shown, const QString &reason)
{
    return PrintError(PrintError::DocumentNotWritable,
                      Words::tr("The print document cannot be saved as %1: %2.").arg(shown, reason));
}

int closeChecked(int &fd)
{
    const int closed = ::close(fd);
    fd = -1;
    return closed == 0 || errno == EINTR ? 0 : errno;
}

// A caller's own file, written in place.
class PlainFileTarget final : public DocumentTarget
{
public:
    explicit PlainFileTarget(QString path) : m_path(std::move(path)) {}
    ~PlainFileTarget() override { discard(); }

    [[nodiscard]] QString name() const override { return displayPath(m_path); }

    OutputDevice &open() override
    {
        m_fd = ::open(encodeFileName(m_path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (const int error = errno; m_fd < 0)
            throw documentNotWritten(name(), error);
        m_opened = true;
        m_device.emplace(m_fd);
        return *m_device;
    }

    void finish(const DocumentSummary &summary) override
    {
        if (const int error = closeChecked(m_fd)) {
            discard();
            throw documentNotWritten(name(), error);
        }
        m_finished = true;
        m_outcome.kind = PrintOutcome::SavedAsPdf;
        m_outcome.pdfPath = m_path;
        m_outcome.pages = summary.pages;
    }

    void discard() noexcept override
    {
        if (m_finished || !m_opened)
            return;
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_opened = false;
        ::unlink(encodeFileName(m_path).constData());
    }

    [[nodiscard]] PrintOutcome outcome() const override { return m_outcome; }

private:
    QString m_path;
    int m_fd = -1;
    bool m_opened = false;
    std::optional<FileDescriptorDevice> m_device;
    bool m_finished = false;
    PrintOutcome m_outcome;
};

// The user's file: the finished document replaces it in one step, through a work file beside it.
class ReplacingTarget final : public DocumentTarget
{
public:
    ReplacingTarget(int folderFd, const QByteArray &name, QString shown, QString given)
        : m_folderFd(folderFd), m_shown(std::move(shown)), m_given(std::move(given)),
          m_work(folderFd, name, m_shown), m_device(m_work.fd())
    {
    }
    ~ReplacingTarget() override
    {
        m_work.remove();
        ::close(m_folderFd);
    }

    [[nodiscard]] QString name() const override { return m_shown; }
    OutputDevice &open() override { return m_device; }

    void finish(const DocumentSummary &summary) override
    {
        if (const int error = m_work.replaceTarget()) {
            m_work.remove();
            throw PrintError(PrintError::DocumentNotWritable,
                             Words::tr("The print document could not be saved as %1: %2.")
                                 .arg(m_shown, systemReason(error)));
        }
        m_outcome.kind = PrintOutcome::SavedAsPdf;
        m_outcome.pdfPath = m_given;
        m_outcome.pages = summary.pages;
    }

    void discard() noexcept override { m_work.remove(); }
    [[nodiscard]] PrintOutcome outcome() const override { return m_outcome; }

private:
    int m_folderFd;
    QString m_shown;
    QString m_given;
    WorkFile m_work;
    FileDescriptorDevice m_device;
    PrintOutcome m_outcome;
};

// Something other than a file where the document is to go (a device, a FIFO): written to in
// place and in order, as a program writing to /dev/stdout would. What was written stays written.
class DeviceTarget final : public DocumentTarget
{
public:
    DeviceTarget(int folderFd, QByteArray name, QString shown, QString given)
        : m_folderFd(folderFd), m_name(std::move(name)), m_shown(std::move(shown)), m_given(std::move(given))
    {
    }
    ~DeviceTarget() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
        ::close(m_folderFd);
    }

    [[nodiscard]] QString name() const override { return m_shown; }

    OutputDevice &open() override
    {
        m_fd = ::openat(m_folderFd, m_name.constData(), O_WRONLY | O_CLOEXEC);
        if (m_fd < 0)
            throw documentNotWritten(m_shown, errno);
        m_device.emplace(m_fd);
        return *m_device;
    }

    void finish(const DocumentSummary &summary) override
    {
        if (const int error = closeChecked(m_fd))
            throw documentNotWritten(m_shown, error);
        m_outcome.kind = PrintOutcome::SavedAsPdf;
        m_outcome.pdfPath = m_given;
        m_outcome.pages = summary.pages;
    }

    void discard() noexcept override {}
    [[nodiscard]] PrintOutcome outcome() const override { return m_outcome; }

private:
    int m_folderFd;
    QByteArray m_name;
    QString m_shown;
    QString m_given;
    int m_fd = -1;
    std::optional<FileDescriptorDevice> m_device;
    PrintOutcome m_outcome;
};

// Standard output, which gets the finished document only: it is written into the temporary
// folder first, and copied out once it is whole.
class StandardOutputTarget final : public StagedTarget
{
public:
    StandardOutputTarget() : StagedTarget(std::make_unique<WorkFolder>()) {}

    void finish(const DocumentSummary &summary) override
    {
        int error = ::lseek(fd(), 0, SEEK_SET) < 0 ? errno : 0;
        if (error == 0)
            error = DocumentFile::copyBetween(fd(), STDOUT_FILENO);
        if (error == 0 && ::fsync(STDOUT_FILENO) != 0 && errno != EINVAL && errno != EROFS)
            error = errno; // a file or a disk behind the redirection; a pipe or a terminal has no fsync
        discard();
        if (error != 0)
            throw PrintError(PrintError::DocumentNotWritable,
                             Words::tr("The print document could not be written to standard output: %1.")
                                 .arg(systemReason(error)));
        m_outcome.kind = PrintOutcome::SavedAsPdf;
        m_outcome.pdfPath = StandardOutput;
        m_outcome.pages = summary.pages;
    }
};

} // namespace

namespace {

// The name of the document in its work folder.
const QByteArray StagedName = QByteArrayLiteral("document.pdf");

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

// The document as a PDF beside the list file, for want of a printer. The name is claimed
// atomically, so a file that is already there (or appears meanwhile) is never replaced. Its
// messages are the printer's, as it stands in for one.
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
                                 PrinterWords::tr("%1, and the print document could not be saved as %2: %3.")
                                     .arg(m_outcome.noPrinter, displayPath(path), systemReason(error)));
            m_outcome.pdfPath = path;
            m_outcome.pages = summary.pages;
            m_outcome.kind = PrintOutcome::SavedAsPdf;
            discard();
            return;
        }
        throw PrintError(
            PrintError::OutputFolderNotWritable,
            PrinterWords::tr(
                "The print document could not be saved in %1: every name from %2 to %3 is taken.")
                .arg(displayPath(m_fallbackFolder), candidateName(base, 1),
                     candidateName(base, MaxFallbackNames)));
    }

private:
    QString m_fallbackFolder;
};

} // namespace

StagedTarget::StagedTarget(std::unique_ptr<WorkFolder> folder) : m_folder(std::move(folder)) {}

StagedTarget::~StagedTarget()
{
    discard();
}

QString StagedTarget::name() const
{
    return displayPath(m_folder->filePath(StagedName));
}

OutputDevice &StagedTarget::open()
{
    m_fd = m_folder->create(StagedName);
    if (const int error = errno; m_fd < 0)
        throw documentNotWritten(name(), error);
    m_device.emplace(m_fd);
    return *m_device;
}

void StagedTarget::discard() noexcept
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_folder->remove();
}

void StagedTarget::close()
{
    int error = ::fsync(m_fd) == 0 ? 0 : errno;
    if (::close(m_fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    m_fd = -1;
    if (error != 0)
        throw documentNotWritten(name(), error);
}

QString StagedTarget::documentPath() const
{
    return m_folder->filePath(StagedName);
}

std::unique_ptr<DocumentTarget> DocumentTarget::besideListFile(std::unique_ptr<WorkFolder> work,
                                                               const QString &folder, PrintOutcome why)
{
    return std::make_unique<SavedBesideTarget>(std::move(work), folder, std::move(why));
}

std::unique_ptr<DocumentTarget> DocumentTarget::plainFile(const QString &path)
{
    return std::make_unique<PlainFileTarget>(path);
}

std::unique_ptr<DocumentTarget> DocumentTarget::userFile(const QString &path)
{
    if (path == StandardOutput) {
        // A program started with standard output closed has it held by a descriptor that cannot be
        // written (main opens one as a path only), so that nothing else takes its number.
        const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
        if (flags == -1 || (flags & O_PATH) != 0)
            throw PrintError(PrintError::DocumentNotWritable,
                             Words::tr("The print document cannot be written to standard output: it is "
                                       "closed."));
        if ((flags & O_ACCMODE) == O_RDONLY)
            throw PrintError(PrintError::DocumentNotWritable,
                             Words::tr("The print document cannot be written to standard output: it is "
                                       "not open for writing."));
        return std::make_unique<StandardOutputTarget>();
    }

    const QString shown = displayPath(path);
    QByteArray bytes = encodeFileName(path);
    // A link to a file is followed to the file, which the document then replaces; the link stays.
    struct stat link
    {
    };
    if (::lstat(bytes.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char *const resolved = ::realpath(bytes.constData(), nullptr)) {
            bytes = resolved;
            std::free(resolved);
        }
    }
    const qsizetype slash = bytes.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArrayLiteral(".")
                              : slash == 0 ? QByteArrayLiteral("/")
                                           : bytes.left(slash);
    const QByteArray name = bytes.mid(slash + 1);
    if (name.isEmpty() || name == "." || name == "..")
        throw notSaved(shown, Words::tr("that is a folder"));
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        throw notSaved(shown, systemReason(errno));
    struct stat existing
    {
    };
    const bool exists = ::fstatat(folderFd, name.constData(), &existing, 0) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        ::close(folderFd);
        throw notSaved(shown, Words::tr("that is a folder"));
    }
    try {
        if (exists && !S_ISREG(existing.st_mode))
            return std::make_unique<DeviceTarget>(folderFd, name, shown, path);
        return std::make_unique<ReplacingTarget>(folderFd, name, shown, path);
    } catch (...) {
        ::close(folderFd);
        throw;
    }
}
