// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "workfiles.h"

#include "filename.h"
#include "outputdevice.h"
#include "printerror.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The texts of this file, translated in the context "PrintDocument".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PrintDocument)
};

constexpr int Attempts = 100;
constexpr int SuffixLength = 6;
const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
const QByteArray ProgramPrefix = QByteArrayLiteral("lstprint-");

QByteArray randomSuffix()
{
    QByteArray suffix;
    for (int i = 0; i < SuffixLength; ++i)
        suffix += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters) - 1)];
    return suffix;
}

bool matchesPattern(const char *name, const QByteArray &prefix)
{
    const size_t length = std::strlen(name);
    if (length != size_t(prefix.size()) + SuffixLength ||
        std::strncmp(name, prefix.constData(), size_t(prefix.size())) != 0)
        return false;
    for (const char *c = name + prefix.size(); *c; ++c) {
        if (!std::strchr(Letters, *c))
            return false;
    }
    return true;
}

// Whether name in folderFd still is the file open as fd: nobody removed it between the two.
bool stillThere(int folderFd, const QByteArray &name, int fd)
{
    struct stat named
    {
    };
    struct stat open
    {
    };
    return ::fstatat(folderFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstat(fd, &open) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

void removeFolderContents(int fd)
{
    const int listed = ::dup(fd);
    DIR *const folder = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!folder) {
        if (listed >= 0)
            ::close(listed);
        return;
    }
    while (const dirent *entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            ::unlinkat(fd, entry->d_name, 0); // only files are ever made in a work folder
    }
    ::closedir(folder);
}

QString shownFolder(const QByteArray &folder)
{
    return displayPath(decodeFileName(folder));
}

} // namespace

void removeStaleWork(int folderFd, const QByteArray &prefix, bool folders)
{
    const int listed = ::dup(folderFd);
    DIR *const folder = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!folder) {
        if (listed >= 0)
            ::close(listed);
        return;
    }
    ::rewinddir(folder);
    while (const dirent *entry = ::readdir(folder)) {
        if (!matchesPattern(entry->d_name, prefix))
            continue;
        const int fd =
            ::openat(folderFd, entry->d_name,
                     (folders ? O_RDONLY | O_DIRECTORY : O_RDONLY | O_NONBLOCK) | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info
        {
        };
        const bool kind = ::fstat(fd, &info) == 0 &&
                          (folders ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode)) &&
                          info.st_uid == ::geteuid();
        // A live run holds its work locked for as long as it lives.
        if (kind && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillThere(folderFd, entry->d_name, fd)) {
            if (folders) {
                removeFolderContents(fd);
                ::unlinkat(folderFd, entry->d_name, AT_REMOVEDIR);
            } else {
                ::unlinkat(folderFd, entry->d_name, 0);
            }
        }
        ::close(fd);
    }
    ::closedir(folder);
}

WorkFile::WorkFile(int folderFd, const QByteArray &targetName, const QString &shown)
    : m_folderFd(folderFd), m_targetName(targetName)
{
    const auto failed = [&shown](int error) {
        return PrintError(
            PrintError::DocumentNotWritable,
            Words::tr("The print document cannot be saved as %1: %2.").arg(shown, systemReason(error)));
    };
    // The name's own pattern where it fits the folder's limit on names, a short one where not.
    const long nameMax = ::fpathconf(folderFd, _PC_NAME_MAX);
    QByteArray prefix = '.' + targetName + '-';
    if (prefix.size() + SuffixLength > (nameMax > 0 ? nameMax : NAME_MAX))
        prefix = '.' + ProgramPrefix;
    removeStaleWork(folderFd, prefix, false);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const QByteArray name = prefix + randomSuffix();
        const int fd =
            ::openat(folderFd, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            throw failed(errno);
        // Locked before anything is written; a cleaner that got to it first has removed it.
        if (::flock(fd, LOCK_EX) != 0 || !stillThere(folderFd, name, fd)) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        m_name = name;
        return;
    }
    throw PrintError(PrintError::DocumentNotWritable,
                     Words::tr("The print document cannot be saved as %1: no free name for its work file "
                               "beside it.")
                         .arg(shown));
}

WorkFile::~WorkFile()
{
    remove();
}

int WorkFile::replaceTarget()
{
    struct stat existing
    {
    };
    if (::fstatat(m_folderFd, m_targetName.constData(), &existing, 0) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(m_fd, existing.st_mode & 07777);
    // The usual order, so that a crash at any point leaves the old document or the new one whole:
    // the data on the disk first, then the name, then the folder that holds the name.
    if (::fsync(m_fd) != 0)
        return errno;
    if (::renameat(m_folderFd, m_name.constData(), m_folderFd, m_targetName.constData()) != 0)
        return errno;
    m_name.clear();
    ::fsync(m_folderFd);
    ::close(m_fd);
    m_fd = -1;
    return 0;
}

void WorkFile::remove() noexcept
{
    if (!m_name.isEmpty())
        ::unlinkat(m_folderFd, m_name.constData(), 0);
    m_name.clear();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

WorkFolder::WorkFolder()
{
    const QByteArray named = qgetenv("TMPDIR");
    m_parent = named.isEmpty() ? QByteArrayLiteral("/tmp") : named;
    const auto failed = [this](const QString &reason) {
        return PrintError(PrintError::DocumentNotWritable,
                          Words::tr("The print document cannot be written: no folder could be made for it in "
                                    "the temporary folder %1 (%2).")
                              .arg(shownFolder(m_parent), reason));
    };
    m_parentFd = ::open(m_parent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_parentFd < 0)
        throw failed(errno == ENOENT ? Words::tr("it does not exist") : systemReason(errno));
    removeStaleWork(m_parentFd, ProgramPrefix, true);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const QByteArray name = ProgramPrefix + randomSuffix();
        if (::mkdirat(m_parentFd, name.constData(), 0700) != 0) {
            if (errno == EEXIST)
                continue;
            const int error = errno;
            ::close(m_parentFd);
            m_parentFd = -1;
            throw failed(systemReason(error));
        }
        const int fd =
            ::openat(m_parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX) != 0 || !stillThere(m_parentFd, name, fd)) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        m_name = name;
        return;
    }
    ::close(m_parentFd);
    m_parentFd = -1;
    throw failed(Words::tr("no free name"));
}

WorkFolder::~WorkFolder()
{
    remove();
    if (m_parentFd >= 0)
        ::close(m_parentFd);
}

int WorkFolder::create(const QByteArray &name)
{
    // As any new file of the user's: the folder itself is private while the document is in it.
    return ::openat(m_fd, name.constData(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
}

QString WorkFolder::filePath(const QByteArray &name) const
{
    return decodeFileName(m_parent + '/' + m_name + '/' + name);
}

void WorkFolder::remove() noexcept
{
    if (m_fd < 0)
        return;
    removeFolderContents(m_fd);
    ::unlinkat(m_parentFd, m_name.constData(), AT_REMOVEDIR);
    ::close(m_fd);
    m_fd = -1;
}
