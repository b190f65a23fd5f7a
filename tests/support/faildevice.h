// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "documenttarget.h"
#include "outputdevice.h"

#include <QByteArray>

#include <cerrno>
#include <limits>

// An output device that keeps what it takes, takes at most chunk bytes a write (as a pipe or a
// file system near full may), and fails with error once limit bytes are taken: a disk that fills.
class FailDevice : public OutputDevice
{
public:
    qsizetype limit = std::numeric_limits<qsizetype>::max();
    qsizetype chunk = std::numeric_limits<qsizetype>::max();
    int error = ENOSPC;
    QByteArray taken;
    int writes = 0;

    [[nodiscard]] ssize_t writeSome(const char *data, size_t size) override
    {
        ++writes;
        if (taken.size() >= limit) {
            errno = error;
            return -1;
        }
        const qsizetype count = std::min({qsizetype(size), chunk, limit - taken.size()});
        taken.append(data, count);
        return ssize_t(count);
    }
};

// A document target around a FailDevice, which tells what became of the document.
class FailDeviceTarget : public DocumentTarget
{
public:
    explicit FailDeviceTarget(FailDevice &device) : m_device(device) {}
    bool opened = false;
    bool finished = false;
    bool discarded = false;

    [[nodiscard]] QString name() const override { return QStringLiteral("the test device"); }
    [[nodiscard]] OutputDevice &open() override
    {
        opened = true;
        return m_device;
    }
    void finish(const DocumentSummary &) override { finished = true; }
    void discard() noexcept override { discarded = true; }

private:
    FailDevice &m_device;
};
