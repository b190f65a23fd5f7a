// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "outputdevice.h"
#include "printsurface.h"

#include <QString>

#include <memory>
#include <optional>

class WorkFolder;

// What a finished document is for.
struct DocumentSummary
{
    QString title; // the document's name (the list file's), empty when it has none
    int pages = 0;
    bool landscape = false;
};

// What becomes of a document: where its bytes go while its pages are written, and what is done
// with the whole of it at the end: published over a file, written to a device or standard output,
// saved beside the list file, or sent to a print queue. The PDF surface is handed one and knows
// nothing of the others. Nothing is made before open(), so a document with no page leaves nothing.
class DocumentTarget
{
public:
    virtual ~DocumentTarget() = default;

    // How messages name the document: a file as the user named it, or "standard output".
    [[nodiscard]] virtual QString name() const = 0;
    // Called once, when the first page begins: makes the place the bytes go. Throws PrintError.
    [[nodiscard]] virtual OutputDevice &open() = 0;
    // Every byte of the document has been handed to the device: makes it last and delivers it.
    // Throws PrintError; what was made is then thrown away, and whatever stood at the final place
    // before stays as it was.
    virtual void finish(const DocumentSummary &summary) = 0;
    // Throws away whatever was made, whether or not it was opened. Never throws.
    virtual void discard() noexcept = 0;
    // What became of the document; pages is filled in by the surface.
    [[nodiscard]] virtual PrintOutcome outcome() const { return {}; }

    // The document saved in folder as a PDF named after its title ("parts.lst" gives "parts.pdf"),
    // or under the first free name after that ("parts-2.pdf", ...), for want of a printer: an
    // existing file is never replaced. work: the folder it is written in first. why: the outcome
    // it reports, with why there was no printer.
    [[nodiscard]] static std::unique_ptr<DocumentTarget>
    besideListFile(std::unique_ptr<WorkFolder> work, const QString &folder, PrintOutcome why);
    // A file at path, written in place: created or emptied at open(), removed again when the
    // document fails or is thrown away. For a caller's own file (tests, the benchmark).
    [[nodiscard]] static std::unique_ptr<DocumentTarget> plainFile(const QString &path);
    // The document as the user's file at path (as given: a relative path is taken from the working
    // folder, however deep). An existing regular file (or nothing) is replaced in one atomic step
    // by a finished document, written beside it under a work name, and is left as it was by one
    // that fails or is thrown away. Anything else that exists there (a device, a FIFO, a socket,
    // also through a symbolic link) is written in place, in order, with no work file. "-" is
    // standard output, which gets the finished document only. Throws PrintError
    // (DocumentNotWritable) at once when the place cannot be used: no such folder, a folder at
    // path, no work file beside it, standard output closed or not open for writing, no temporary
    // folder for standard output.
    [[nodiscard]] static std::unique_ptr<DocumentTarget> userFile(const QString &path);
};

// A document written into a work folder of its own and delivered from there once it is whole (to
// standard output, to a print queue, beside the list file): what delivers it is the subclass's
// finish(). Discarding it removes the folder with what is in it.
class StagedTarget : public DocumentTarget
{
public:
    explicit StagedTarget(std::unique_ptr<WorkFolder> folder);
    ~StagedTarget() override;

    [[nodiscard]] QString name() const override;
    OutputDevice &open() override;
    void discard() noexcept override;
    [[nodiscard]] PrintOutcome outcome() const override { return m_outcome; }

protected:
    // The document's open descriptor; -1 before open() and after close() or discard().
    [[nodiscard]] int fd() const { return m_fd; }
    // Makes the written document last and closes it. Throws PrintError (DocumentNotWritable).
    void close();
    [[nodiscard]] QString documentPath() const;

    PrintOutcome m_outcome;

private:
    std::unique_ptr<WorkFolder> m_folder;
    int m_fd = -1;
    std::optional<FileDescriptorDevice> m_device;
};
