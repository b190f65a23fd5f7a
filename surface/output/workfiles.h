// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QString>

// The files a document is written into before it has its final place. The run that makes one
// holds an advisory lock (flock) on it for as long as it lives, so that a later run tells the work
// files of a run that died (killed, crashed, the power cut) from those of a run under way: it
// removes those that no live run holds, never by their age. Everything is done relative to open
// folders, so that neither a deep working folder nor a long final name gets in the way.

// A work file beside the final file, in its folder: ".NAME-XXXXXX", or ".lstprint-XXXXXX" where the
// longer name would not fit the folder's limit on names.
class WorkFile
{
public:
    // folderFd: the folder, open; targetName: the final file's name in it; shown: how messages name
    // the final file. Removes the stale work files of that name first. Throws PrintError
    // (DocumentNotWritable) when no work file can be made.
    WorkFile(int folderFd, const QByteArray &targetName, const QString &shown);
    ~WorkFile();
    WorkFile(const WorkFile &) = delete;
    WorkFile &operator=(const WorkFile &) = delete;

    [[nodiscard]] int fd() const { return m_fd; }
    // Makes the written file last (fsync), gives it the final name in one step (replacing what
    // was there, whose permissions it takes), and makes the new name last (fsync of the folder).
    // Returns 0 or the errno of the failure; on failure the final name is untouched.
    [[nodiscard]] int replaceTarget();
    // Removes the work file, if it is still there.
    void remove() noexcept;

private:
    int m_folderFd;
    QByteArray m_targetName;
    QByteArray m_name;
    int m_fd = -1;
};

// A folder of its own for a document's work files, in the temporary folder (TMPDIR, else /tmp):
// "lstprint-XXXXXX". Removes the stale work folders there first.
class WorkFolder
{
public:
    // Throws PrintError (DocumentNotWritable) naming the temporary folder and the reason when none
    // can be made (TMPDIR names no folder, or one that cannot be written).
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder &) = delete;
    WorkFolder &operator=(const WorkFolder &) = delete;

    // Creates (or truncates) a file in the folder and returns its open descriptor, or -1 with errno.
    [[nodiscard]] int create(const QByteArray &name);
    // The path of a file in the folder, for programs that take a path (the print system).
    [[nodiscard]] QString filePath(const QByteArray &name) const;
    [[nodiscard]] int fd() const { return m_fd; }
    // Removes the folder and what is in it.
    void remove() noexcept;

private:
    QByteArray m_parent; // the temporary folder
    QByteArray m_name;
    int m_parentFd = -1;
    int m_fd = -1;
};

// Removes the stale work files and folders of dead runs: in the folder folderFd, every entry whose
// name matches the pattern (prefix, then six letters or digits) that is owned by this user, is of
// the kind asked for (a file or a folder), and that no live run holds locked.
void removeStaleWork(int folderFd, const QByteArray &prefix, bool folders);
