// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QString>

// Giving a finished document file its final name. A document can be larger than the memory the
// program otherwise needs (a million records make an 800 MB PDF), so it is never read in whole:
// it is renamed or linked where the file system allows, and copied in small chunks where not.
namespace DocumentFile {

enum class Publish
{
    // Never replaces anything at the target, not even a file that appears meanwhile: the name is
    // claimed atomically (a rename that refuses to replace, a hard link, or an exclusive create
    // for the copy). The finished file may be on another file system.
    KeepExisting,
    // Replaces whatever file is at the target in one atomic step, so that a reader sees either the
    // old document or the new one, never a part; a replaced file's permissions are kept. The
    // finished file must be on the target's file system (in the same folder).
    ReplaceAtomically,
};

// Gives the finished file the name target. Returns 0, or the errno of the failure: EEXIST when
// KeepExisting finds the name taken. On failure nothing is left at the target.
[[nodiscard]] int publish(const QString &finished, const QString &target, Publish mode);

// Writes the whole file to an open descriptor in chunks. Returns 0 or the errno of the failure.
[[nodiscard]] int copyTo(const QString &path, int fd);

// Copies everything from one open descriptor to another, in chunks, from where each stands.
// Returns 0 or the errno of the failure.
[[nodiscard]] int copyBetween(int from, int to);

} // namespace DocumentFile
