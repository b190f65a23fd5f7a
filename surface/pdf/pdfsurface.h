// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "pdfvalue.h"
#include "printsurface.h"

#include <QPageLayout>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

class DocumentTarget;
class OutputDevice;
class PdfFonts;
class PdfPictures;
class PdfWriter;

// What the pages of a document are laid out on.
struct Paper
{
    QPageLayout layout;             // the sheet and its printable area (inside the margins), in portrait
    bool landscapeSupported = true; // otherwise the document's orientation is portrait whatever is asked
    // The page tree lists the pages last first: for a printer that prints them in the document's
    // order into a face-up bin, where they would lie in reverse.
    bool pagesLastFirst = false;
};

// Renders the print document as PDF with the project's own writer, on the paper it is handed, into
// the target it is handed; when the document is ended, the target does with it what it is for
// (DocumentTarget::finish: a file published, a job sent). Positions are twips from the top-left corner of the
// printable area; the sheet is not clipped to it. Pages are begun lazily: nothing is made until something is
// drawn, "new page" only takes effect when the next page gets content, and a document with nothing drawn
// leaves nothing at all. Each page is written out when it ends and each picture when it is first
// drawn, so memory does not grow with the pages.
//
// A failure to write ends the document: the operation throws PrintError (DocumentNotWritable)
// and so does every one after it; the caller discards the document.
class PdfSurface : public SurfaceBase
{
public:
    static constexpr int Resolution = 1440;

    // Where the document goes and what it is laid out on.
    struct Destination
    {
        Paper paper;
        std::unique_ptr<DocumentTarget> target;
    };
    // Asked once, when the document first needs its paper or its target: its orientation, its size,
    // its font, or something to draw. May throw PrintError, which that operation then throws.
    using DestinationLookUp = std::function<Destination()>;

    PdfSurface(Paper paper, std::unique_ptr<DocumentTarget> target);
    explicit PdfSurface(DestinationLookUp lookUp);
    // A PDF written straight into the file at path (DocumentTarget::plainFile).
    PdfSurface(const QString &path, const QPageLayout &layout, bool landscapeSupported = true);
    ~PdfSurface() override;

    // The landscape page of a portrait sheet, as print systems put it on the sheet: turned a
    // quarter counter-clockwise, so that its top lies along the sheet's left edge and its left
    // along the sheet's bottom. The printable area is the sheet's, so the margins turn with it.
    static QPageLayout landscapeOf(const QPageLayout &portrait);

    void setOrientation(Orientation orientation) override;
    [[nodiscard]] int orientation() const override;
    // Resolves the font now: throws PrintError (NoGridFont) when there is no fixed-pitch font.
    void setFontName(const QString &name) override;
    void setFontSize(float points) override;
    [[nodiscard]] float scaleWidth() const override;
    [[nodiscard]] float scaleHeight() const override;
    [[nodiscard]] float sheetRight() const override;
    [[nodiscard]] float sheetBottom() const override;
    [[nodiscard]] float textWidth(const QString &text) const override;
    [[nodiscard]] float lineHeight() const override;
    void printText(const QString &text) override;
    void drawPicture(const Picture &picture, float x, float y) override;
    void drawPicture(const Picture &picture, float x, float y, float width, float height) override;
    void newPage() override;
    void endDocument() override;
    // Throws the document away; the pages drawn so far stay counted in pagesWritten().
    void discardDocument() override;
    void setDocumentName(const QString &name) override { m_documentName = name; }
    [[nodiscard]] PrintOutcome outcome() const override;

    // The document made readable, while it is being drawn and once it is finished, a few pages at a
    // time: its bytes up to length, which the target has been handed, followed by ending, a
    // provisional ending made now (while it is drawn, the fonts drawn with so far; then a page tree
    // of some of its pages, the cross-reference table and the trailer). A reader given those bytes
    // reads pages pages, from firstPage (counted from 0) on, each as the document has it; a reader of
    // a few pages keeps little of a long document.
    struct Snapshot
    {
        quint64 length = 0;
        QByteArray ending;
        int firstPage = 0;
        int pages = 0;
        int totalPages = 0; // the pages written so far
    };
    // At most pageLimit pages from around firstPage: as many as there are, as near it as they can be.
    // While the document is drawn, writes out the page that newPage() ended, which would otherwise
    // wait for the next page to begin, and hands every buffered byte to the target: the document's
    // bytes are the same, only written sooner. Nothing when no page has been written, or the
    // document was discarded. Throws PrintError when writing fails; the document is then broken,
    // as for any failed write.
    [[nodiscard]] std::optional<Snapshot> snapshot(int firstPage = 0, int pageLimit = -1);

    // Pages actually written to the document (the one being drawn counted).
    [[nodiscard]] int pagesWritten() const { return m_pagesWritten; }
    [[nodiscard]] bool documentWritten() const { return m_finished && !m_discarded && m_pagesWritten > 0; }
    [[nodiscard]] bool documentDiscarded() const { return m_discarded; }
    // Ended or discarded: nothing more can be drawn.
    [[nodiscard]] bool closed() const { return m_finished; }
    // The face that the font name resolved to, and its file.
    [[nodiscard]] QString resolvedFontFamily() const;
    [[nodiscard]] QString resolvedFontFile() const;

protected:
    // Whether the destination has been looked up.
    [[nodiscard]] bool destinationKnown() const { return m_target != nullptr; }

private:
    // The destination, looked up now if it has not been.
    const Paper &paper() const;
    DocumentTarget &target() const;
    [[nodiscard]] QPageLayout currentLayout() const;
    [[nodiscard]] PdfFonts &fonts() const;
    void beginDrawing();
    void endPage();
    // The document information dictionary: who made it, when, and its title.
    [[nodiscard]] Pdf::Dictionary info() const;
    // Page coordinates in points from twips on the printable area.
    [[nodiscard]] double pageX(double twips) const;
    [[nodiscard]] double pageY(double twips) const;

    DestinationLookUp m_lookUp;
    mutable Paper m_paper;
    mutable std::unique_ptr<DocumentTarget> m_target;
    QString m_documentName;
    mutable std::unique_ptr<PdfFonts> m_fonts;
    std::unique_ptr<PdfWriter> m_writer;
    std::unique_ptr<PdfPictures> m_pictures;

    // The page being drawn: its content, the fonts and images it names, and its frame.
    std::string m_content;
    std::set<int> m_pageFaces;
    std::set<int> m_pageImages;
    QPageLayout m_pageLayout;
    double m_left = 0; // the printable area's top-left corner on the sheet, twips
    double m_top = 0;
    double m_sheetHeight = 0; // points
    bool m_pageOpen = false;
    QSize m_treeSheet; // the first page's sheet in points, which the page tree gives every page

    bool m_pendingNewPage = false;
    bool m_finished = false;
    bool m_discarded = false;
    int m_pagesWritten = 0;
};
