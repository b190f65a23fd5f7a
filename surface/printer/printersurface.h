// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "cupsprinter.h"
#include "pdfsurface.h"
#include "printerror.h"
#include "printjob.h"

#include <functional>
#include <memory>
#include <optional>

class WorkFolder;

// The default printer: the PDF surface whose document is rendered on the default queue's own paper
// (its default media, inside the margins it reports) and, when it is ended, submitted to that queue
// through CUPS with the document name as the job title and with the media it was laid out on.
// The print system is first asked when the document first needs the printer (its orientation, its
// size, its font, or something to draw), never before; its answer holds for the document, and
// decides the paper and the target: the queue's paper for the queue, or, where there is no
// printer or the print system cannot be reached, on the system's paper for a PDF saved in the
// fallback folder under the document's name with ".pdf" ("parts.lst" gives "parts.pdf"; an
// existing file is never replaced: "parts-2.pdf", ...). A document with no page sends nothing and
// writes nothing. A job taken by a stopped queue is held there, not printed: endDocument() then
// throws PrinterStopped, so that the run is not taken for printed.
class PrinterSurface : public PdfSurface
{
public:
    // Asks the print system for its default queue (called once, when the printer is first needed).
    using LookUp = std::function<Cups::DefaultPrinter()>;

    [[nodiscard]] static std::unique_ptr<PrinterSurface> forDefaultPrinter(const QString &fallbackFolder);
    // A queue (empty: the default one) or a printer's address, with no PDF in its place, and with
    // the options its job is to have: where there is no such printer, the first operation that
    // needs the printer throws NoPrinter (PrintSystemUnavailable when the print system cannot be
    // reached, OptionNotSupported when the printer does not offer an option), so that nothing is
    // rendered for nothing.
    [[nodiscard]] static std::unique_ptr<PrinterSurface> forQueue(const QString &queue,
                                                                  const Cups::JobOptions &options = {});

    // Throws PrintError (DocumentNotWritable) when no work folder can be made in the temporary
    // folder: the document is then written nowhere.
    explicit PrinterSurface(QString fallbackFolder, LookUp lookUp = Cups::lookUpDefaultPrinter);
    ~PrinterSurface() override;

    void newPage() override;
    // Nothing is sent and nothing saved; the work folder is removed at once.
    void discardDocument() override;
    [[nodiscard]] PrintOutcome outcome() const override;

    // Asked while the ended document is handed to the printer (printjob.h's SendingHandler): while
    // a busy printer is waited for, and as the pages of a raster document are sent. The caller
    // shows how it goes and says whether to go on; given up, nothing is printed and the outcome is
    // Discarded.
    void setSendingHandler(SendingHandler handler) { m_sendingHandler = std::move(handler); }
    // Why nothing can be printed on the printer asked for (a queue or an address, empty for the
    // default queue), from what looking it up found when it did not find it: the error that --print
    // reports (NoPrinter, PrintSystemUnavailable or OptionNotSupported).
    [[nodiscard]] static PrintError lookUpFailure(const Cups::DefaultPrinter &found,
                                                  const QString &printerAsked);

    // What the print system said about its default queue; asks it now if that has not been done.
    [[nodiscard]] const Cups::DefaultPrinter &defaultPrinter() const;
    [[nodiscard]] const std::optional<Cups::PrinterInfo> &printer() const { return defaultPrinter().printer; }

private:
    // Where the document goes, from what the print system said: the queue, or a PDF beside the
    // list file where there is none and none is required.
    [[nodiscard]] Destination destination();
    // Why there is no printer, as the first clause of a message.
    [[nodiscard]] QString noPrinterText() const;
    [[nodiscard]] PrintError noPrinterError() const;

    LookUp m_lookUp;
    mutable std::optional<Cups::DefaultPrinter> m_defaultPrinter;
    QString m_fallbackFolder;
    bool m_printerRequired = false;
    QString m_queueAsked; // forQueue: the queue named, or empty for the default one
    std::unique_ptr<WorkFolder> m_workFolder;
    bool m_discarded = false;
    SendingHandler m_sendingHandler;
};
