// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "documentfile.h"

#include "filename.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DocumentFile {

namespace {

constexpr size_t ChunkBytes = 1024 * 1024;

int closeKeepingError(int fd, int error)
{
    const int closed = ::close(fd);
    return error != 0 ? error : (closed == 0 ? 0 : errno);
}

// A copy under a name claimed with O_EXCL; removed again when it cannot be finished.
int copyExclusive(const QByteArray &from, const QByteArray &to)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    const int copied = copyBetween(in, out);
    ::close(in);
    const int error = closeKeepingError(out, copied);
    if (error != 0)
        ::unlink(to.constData());
    return error;
}

int publishKeepingExisting(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system that cannot refuse to replace in a rename: a hard link cannot replace either.
        if (::link(from.constData(), to.constData()) == 0)
            return 0;
        error = errno;
    }
    switch (error) {
    case EXDEV:      // another file system (a temporary folder in memory, say)
    case EPERM:      // no hard links here
    case EOPNOTSUPP: // nor this
    case EMLINK:
        return copyExclusive(from, to);
    default:
        return error;
    }
}

int replaceAtomically(const QByteArray &from, const QByteArray &to)
{
    struct stat existing
    {
    };
    if (::stat(to.constData(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::chmod(from.constData(), existing.st_mode & 07777);
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

} // namespace

int copyBetween(int from, int to)
{
    const auto buffer = std::make_unique<char[]>(ChunkBytes);
    for (;;) {
        const ssize_t got = ::read(from, buffer.get(), ChunkBytes);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        const char *data = buffer.get();
        size_t left = size_t(got);
        while (left > 0) {
            const ssize_t written = ::write(to, data, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return written < 0 ? errno : EIO;
            data += written;
            left -= size_t(written);
        }
    }
}

int publish(const QString &finished, const QString &target, Publish mode)
{
    const QByteArray from = encodeFileName(finished);
    const QByteArray to = encodeFileName(target);
    return mode == Publish::KeepExisting ? publishKeepingExisting(from, to) : replaceAtomically(from, to);
}

int copyTo(const QString &path, int fd)
{
    const int in = ::open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    const int copied = copyBetween(in, fd);
    ::close(in);
    return copied;
}

} // namespace DocumentFile
