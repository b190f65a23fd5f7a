// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "outputdevice.h"

#include "printerror.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

// The texts of this file, translated in the context "PrintDocument".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PrintDocument)
};

} // namespace

ssize_t FileDescriptorDevice::writeSome(const char *data, size_t size)
{
    return ::write(m_fd, data, size);
}

int writeAll(OutputDevice &device, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = device.writeSome(data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno != 0 ? errno : EIO;
        if (written == 0)
            return EIO;
        data += written;
        size -= size_t(written);
    }
    return 0;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

PrintError documentNotWritten(const QString &name, int error)
{
    return PrintError(PrintError::DocumentNotWritable,
                      Words::tr("The print document could not be written to %1: %2.").arg(name, systemReason(error)));
}
