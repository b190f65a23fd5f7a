#pragma once

#include "cupsprinter.h"
#include "pdfsurface.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace detail {
// Holds the folder in which the document is rendered before it is sent; a base class so that it
// exists before the PDF surface that writes into it.
struct WorkFolder
{
    QTemporaryDir dir;
};
} // namespace detail

// The default printer: the document is rendered as PDF and, when it is ended, submitted to the
// default print queue through CUPS with the document name as the job title. Where there is no
// print queue, the PDF is saved in the fallback folder under the document's name with ".pdf"
// ("parts.lst" gives "parts.pdf"); an existing file is never replaced ("parts-2.pdf", ...).
// A document with no page sends nothing and writes nothing. A job taken by a stopped queue is held
// there, not printed: endDocument() then throws PrinterStopped, so that the run is not taken for
// printed.
class PrinterSurface : private detail::WorkFolder, public PdfSurface
{
public:
    // Asks CUPS for the default queue now; the answer holds for this document.
    [[nodiscard]] static std::unique_ptr<PrinterSurface> forDefaultPrinter(const QString &fallbackFolder);

    PrinterSurface(std::optional<Cups::PrinterInfo> printer, QString fallbackFolder);

    void endDocument() override;
    void setDocumentName(const QString &name) override;

    [[nodiscard]] PrintOutcome outcome() const override { return m_outcome; }
    [[nodiscard]] const std::optional<Cups::PrinterInfo> &printer() const { return m_printer; }

private:
    void saveFallbackPdf();

    std::optional<Cups::PrinterInfo> m_printer;
    QString m_fallbackFolder;
    QString m_documentName;
    PrintOutcome m_outcome;
};
