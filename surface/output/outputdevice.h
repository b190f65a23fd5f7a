// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QString>

#include <sys/types.h>

class PrintError;

// Where the bytes of a document go: an open file, a device, a pipe. It writes the way write(2)
// does, so that every caller meets the whole of it: a write may take fewer bytes than it was given
// (a pipe, a signal, a file system near full), or fail with errno set.
class OutputDevice
{
public:
    virtual ~OutputDevice() = default;
    // Writes up to size bytes; returns how many were taken, or -1 with errno set.
    [[nodiscard]] virtual ssize_t writeSome(const char *data, size_t size) = 0;
};

// An open file descriptor, written with write(2). It does not own the descriptor.
class FileDescriptorDevice final : public OutputDevice
{
public:
    explicit FileDescriptorDevice(int fd) : m_fd(fd) {}
    [[nodiscard]] ssize_t writeSome(const char *data, size_t size) override;
    [[nodiscard]] int fd() const { return m_fd; }

private:
    int m_fd;
};

// Writes all of data to device, on through short writes and interruptions. Returns 0, or the errno
// of the failure (EIO for a device that takes nothing without saying why).
[[nodiscard]] int writeAll(OutputDevice &device, const char *data, size_t size);

// The system's reason for an errno, as a clause of a message.
[[nodiscard]] QString systemReason(int error);

// The error of a document whose bytes could not be written where it was going: "The print document
// could not be written to NAME: REASON.", with the errno's reason.
[[nodiscard]] PrintError documentNotWritten(const QString &name, int error);
