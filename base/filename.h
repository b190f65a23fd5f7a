// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

// File names as the system has them are bytes, and need not be UTF-8. The utility handles them as
// text, and keeps every byte that is not part of valid UTF-8 as a lone surrogate (U+DC80 to
// U+DCFF for the bytes 0x80 to 0xFF), so that a name taken from the command line or read from a
// folder reaches the system again byte for byte; messages show such a byte as an escape (\xe9).
// Qt's own file name conversion would replace it for good.
[[nodiscard]] QString decodeFileName(QByteArrayView bytes);
[[nodiscard]] QByteArray encodeFileName(QStringView name);

// Whether path is an ordinary file, or a folder, once links are followed.
[[nodiscard]] bool isOrdinaryFile(const QString &path);
[[nodiscard]] bool isFolder(const QString &path);
// The names in a folder (not "." and ".."), in the order the system lists them; empty when it
// cannot be read.
[[nodiscard]] QStringList folderEntries(const QString &folder);

// path from the working folder made absolute, as far as the system can tell the working folder:
// below one deeper than its path limit it cannot, and the relative path is kept, for the system
// resolves that against the real working folder. Never against the root.
[[nodiscard]] QString absoluteFileName(const QString &path);

// Whether the open descriptor fd is the file at path (the same device and inode), links followed.
[[nodiscard]] bool isSameFile(int fd, const QString &path);
// Whether two paths name the same file.
[[nodiscard]] bool isSameFile(const QString &first, const QString &second);
