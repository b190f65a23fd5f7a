// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "ordinaryfile.h"

#include "filename.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The texts of this file, translated in the context "Files".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Files)
};

} // namespace

int openOrdinaryFile(const QString &path, QString &reason)
{
    // O_NONBLOCK keeps open() itself from waiting for a FIFO's writer; it is cleared again once the
    // descriptor is known to be an ordinary file, for which it makes no difference anyway.
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        reason = Words::tr("it is not an ordinary file");
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}
