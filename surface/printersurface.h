#pragma once

#include "cupsprinter.h"
#include "documentfile.h"
#include "pdfsurface.h"
#include "printerror.h"

#include <functional>
#include <memory>
#include <optional>

namespace detail {
// Holds the folder in which the document is rendered before it is sent; a base class so that it
// exists before the PDF surface that writes into it.
struct WorkFolder
{
    DocumentFile::WorkFolder work;
};
} // namespace detail

// The default printer: the document is rendered as PDF on the default queue's own paper (its
// default media, inside the margins it reports) and, when it is ended, submitted to that queue
// through CUPS with the document name as the job title and with the media it was laid out on.
// The print system is first asked when the document first needs the printer (its orientation, its
// size, or something to draw), never before; its answer holds for the document. Where there is no
// printer, or the print system cannot be reached, the document is laid out on the locale's paper
// and the PDF is saved in the fallback folder under the document's name with ".pdf" ("parts.lst"
// gives "parts.pdf"); an existing file is never replaced ("parts-2.pdf", ...). A document with no
// page sends nothing and writes nothing. A job taken by a stopped queue is held there, not
// printed: endDocument() then throws PrinterStopped, so that the run is not taken for printed.
class PrinterSurface : private detail::WorkFolder, public PdfSurface
{
public:
    // Asks the print system for its default queue (called once, when the printer is first needed).
    using LookUp = std::function<Cups::DefaultPrinter()>;

    [[nodiscard]] static std::unique_ptr<PrinterSurface> forDefaultPrinter(const QString &fallbackFolder);
    // A queue (empty: the default one) with no PDF in its place: where there is no such printer,
    // the first operation that needs the printer throws NoPrinter (PrintSystemUnavailable when the
    // print system cannot be reached), so that nothing is rendered for nothing.
    [[nodiscard]] static std::unique_ptr<PrinterSurface> forQueue(const QString &queue);

    // Throws PrintError (DocumentNotWritable) when no work folder can be made in the temporary
    // folder: the document is then written nowhere.
    explicit PrinterSurface(QString fallbackFolder, LookUp lookUp = Cups::lookUpDefaultPrinter);

    void endDocument() override;
    // Nothing is sent and nothing saved; the work folder is removed at once.
    void discardDocument() override;
    void setDocumentName(const QString &name) override;

    [[nodiscard]] PrintOutcome outcome() const override { return m_outcome; }
    // What the print system said about its default queue; asks it now if that has not been done.
    [[nodiscard]] const Cups::DefaultPrinter &defaultPrinter() const;
    [[nodiscard]] const std::optional<Cups::PrinterInfo> &printer() const { return defaultPrinter().printer; }

private:
    void saveFallbackPdf();
    [[nodiscard]] Paper lookUpPaper() const;
    [[nodiscard]] PrintError noPrinterError() const;

    LookUp m_lookUp;
    mutable std::optional<Cups::DefaultPrinter> m_defaultPrinter;
    QString m_fallbackFolder;
    bool m_printerRequired = false;
    QString m_queueAsked; // forQueue: the queue named, or empty for the default one
    QString m_documentName;
    PrintOutcome m_outcome;
};
