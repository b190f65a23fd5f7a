#pragma once

#include "documentfile.h"
#include "pdfsurface.h"

#include <optional>

namespace detail {
// The file the document is rendered into before it is published, made before the PDF surface
// that writes into it (hence a base class). For a file target it sits beside the target, so that
// publishing is a rename on one file system; for standard output it is in the temporary folder.
struct ExportWorkFile
{
    explicit ExportWorkFile(const QString &target);
    ~ExportWorkFile();
    ExportWorkFile(const ExportWorkFile &) = delete;
    ExportWorkFile &operator=(const ExportWorkFile &) = delete;
    void removeWorkFile();

    std::optional<DocumentFile::WorkFolder> workFolder; // standard output only
    QString workPath;
};
} // namespace detail

// The document as a PDF at a place the user chose, on the locale's paper like the PDF saved where
// there is no printer. It is rendered into a work file and published only when it was ended with
// at least one page: an existing file at the target is then replaced in one atomic step, and kept
// as it was when the run fails, is stopped, or prints no page. The target "-" is standard output,
// which gets the finished document only. No work file is left behind on any of these ways out.
class ExportSurface : private detail::ExportWorkFile, public PdfSurface
{
public:
    static inline const QString StandardOutput = QStringLiteral("-");

    // Throws PrintError (DocumentNotWritable) at once when the work file cannot be made: the
    // target's folder is missing or not writable, the target is a folder, or (for standard output)
    // the temporary folder cannot be used.
    explicit ExportSurface(QString target);

    void endDocument() override;
    void discardDocument() override;

    [[nodiscard]] PrintOutcome outcome() const override { return m_outcome; }
    [[nodiscard]] const QString &target() const { return m_target; }

private:
    void publish();

    QString m_target;
    PrintOutcome m_outcome;
    bool m_ended = false; // ended or discarded
};
