// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "snapshotdevice.h"

#include <algorithm>
#include <cstring>

SnapshotDevice::SnapshotDevice(const QString &path, qint64 length, QByteArray ending)
    : m_file(path), m_length(length), m_ending(std::move(ending))
{
}

bool SnapshotDevice::open(OpenMode mode)
{
    if ((mode & WriteOnly) != 0 || !m_file.open(QIODevice::ReadOnly) || m_file.size() < m_length) {
        m_file.close();
        return false;
    }
    return QIODevice::open(mode | Unbuffered);
}

void SnapshotDevice::close()
{
    QIODevice::close();
    m_file.close();
}

qint64 SnapshotDevice::readData(char *data, qint64 maxSize)
{
    qint64 at = pos();
    qint64 done = 0;
    if (at < m_length) {
        if (!m_file.seek(at))
            return -1;
        const qint64 read = m_file.read(data, std::min(maxSize, m_length - at));
        if (read < 0)
            return -1;
        done += read;
        at += read;
        if (read < std::min(maxSize, m_length - (at - read)))
            return done; // the file ended early: what was read is all there is
    }
    if (done < maxSize && at >= m_length) {
        const qint64 offset = at - m_length;
        const qint64 count = std::clamp<qint64>(m_ending.size() - offset, 0, maxSize - done);
        std::memcpy(data + done, m_ending.constData() + offset, size_t(count));
        done += count;
    }
    return done;
}

qint64 SnapshotDevice::writeData(const char *, qint64)
{
    return -1;
}
