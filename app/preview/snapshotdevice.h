// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QFile>
#include <QIODevice>

// A PDF still being written, as a reader can read it: the first length bytes of the file at path
// (what the writer has handed to it so far, which never changes afterwards), followed by ending, a
// provisional ending made for them. Read-only and random-access, so that a reader takes only the
// parts it needs; the file is opened once, so that it can still be read after it was removed.
class SnapshotDevice final : public QIODevice
{
public:
    SnapshotDevice(const QString &path, qint64 length, QByteArray ending);

    // Opens the file; false when it cannot be read or is shorter than length.
    bool open(OpenMode mode) override;
    void close() override;
    [[nodiscard]] bool isSequential() const override { return false; }
    [[nodiscard]] qint64 size() const override { return m_length + m_ending.size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    QFile m_file;
    qint64 m_length;
    QByteArray m_ending;
};
