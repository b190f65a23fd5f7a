// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QString>

class Picture;

// What became of a print document once it was ended.
struct PrintOutcome
{
    enum Kind
    {
        NothingPrinted,
        SentToPrinter,
        SavedAsPdf,
        Discarded // the run was stopped: nothing was sent or saved
    };
    // How pdfPath names standard output.
    static inline const QString StandardOutput = QStringLiteral("-");

    Kind kind = NothingPrinted;
    QString printer;   // SentToPrinter: the queue; Discarded: the queue it was for, empty for a PDF
    int jobId = 0;     // SentToPrinter: the print system's job number
    bool held = false; // SentToPrinter: the queue was stopped, so the job waits in it unprinted
    QString pdfPath;   // SavedAsPdf: the file written, StandardOutput for standard output
    // SavedAsPdf for want of a printer: why there was none, as the first clause of a message in the
    // user's language ("No printer is set up", "The print system could not be reached (...)"),
    // worded where the print system was asked.
    QString noPrinter;
    int pages = 0; // the pages of the document; Discarded: the pages drawn before it was stopped
};

// The printer as the print run sees it: a page-by-page drawing surface with a font, a current
// position and a page number. Positions and sizes are twips (1/1440 inch) from the top-left corner
// of the printable area. Any operation may throw PrintError.
class PrintSurface
{
public:
    enum Orientation : int
    {
        Portrait = 1,
        Landscape = 2
    };

    virtual ~PrintSurface() = default;

    // Applies to the pages that follow; orientation() reports what the printer actually took.
    virtual void setOrientation(Orientation orientation) = 0;
    [[nodiscard]] virtual int orientation() const = 0;

    virtual void setFontName(const QString &name) = 0;
    virtual void setFontSize(float points) = 0;

    [[nodiscard]] virtual float currentX() const = 0;
    [[nodiscard]] virtual float currentY() const = 0;
    virtual void setCurrentX(float x) = 0;
    virtual void setCurrentY(float y) = 0;

    // Size of the printable area.
    [[nodiscard]] virtual float scaleWidth() const = 0;
    [[nodiscard]] virtual float scaleHeight() const = 0;
    // Where drawn text can still show: the right and the bottom edge of the sheet. The sheet's
    // margins lie around the printable area, so text that runs a little past its right or bottom
    // edge is still on the paper; only what starts beyond these edges falls off.
    [[nodiscard]] virtual float sheetRight() const = 0;
    [[nodiscard]] virtual float sheetBottom() const = 0;

    // The current page number, 1 on the first page.
    [[nodiscard]] virtual qint64 page() const = 0;

    [[nodiscard]] virtual float textWidth(const QString &text) const = 0;
    // How far printText() moves down: the line spacing of the font.
    [[nodiscard]] virtual float lineHeight() const = 0;
    // Draws the text with its top-left corner at the current position, then moves to the start of
    // the next line: current X becomes 0 and current Y becomes current Y + lineHeight().
    virtual void printText(const QString &text) = 0;

    // At the picture's natural size; the current position does not move.
    virtual void drawPicture(const Picture &picture, float x, float y) = 0;
    // Stretched to the box, aspect ratio not kept; the current position does not move.
    virtual void drawPicture(const Picture &picture, float x, float y, float width, float height) = 0;

    // Finishes the page: page number + 1, position back to (0, 0).
    virtual void newPage() = 0;
    // Closes the document and sends it on. Right after newPage() it adds no empty page.
    virtual void endDocument() = 0;
    // Throws the document away instead of ending it: nothing is sent to the print system, nothing
    // is saved, and every file made for it is removed. Nothing can be drawn afterwards.
    virtual void discardDocument() = 0;

    // Whether anything has been drawn on the current page since it began.
    [[nodiscard]] virtual bool pageHasContent() const = 0;

    // The name under which the document is sent (the list file's name). Optional.
    virtual void setDocumentName(const QString &name) { Q_UNUSED(name) }

    // What became of the document once endDocument() returned or threw. Only a surface that hands
    // the document on (to a printer, or to a PDF saved in its place) has something to tell; one
    // that draws into its caller's file or nowhere reports NothingPrinted.
    [[nodiscard]] virtual PrintOutcome outcome() const { return {}; }
};

// Keeps the state every surface shares: orientation asked for, font, position, page number and
// whether the current page has content. Drawing is left to subclasses.
class SurfaceBase : public PrintSurface
{
public:
    void setOrientation(Orientation orientation) override { m_orientation = orientation; }
    [[nodiscard]] int orientation() const override { return m_orientation; }
    void setFontName(const QString &name) override { m_fontName = name; }
    void setFontSize(float points) override { m_fontSize = points; }
    [[nodiscard]] float currentX() const override { return m_x; }
    [[nodiscard]] float currentY() const override { return m_y; }
    void setCurrentX(float x) override { m_x = x; }
    void setCurrentY(float y) override { m_y = y; }
    [[nodiscard]] qint64 page() const override { return m_page; }
    void newPage() override
    {
        ++m_page;
        m_x = 0;
        m_y = 0;
        m_pageHasContent = false;
    }
    [[nodiscard]] bool pageHasContent() const override { return m_pageHasContent; }
    // A surface that keeps nothing outside itself has nothing to throw away.
    void discardDocument() override {}

    [[nodiscard]] const QString &fontName() const { return m_fontName; }
    [[nodiscard]] float fontSize() const { return m_fontSize; }

protected:
    void markContent() { m_pageHasContent = true; }

private:
    int m_orientation = Portrait;
    QString m_fontName;
    float m_fontSize = 8;
    float m_x = 0;
    float m_y = 0;
    qint64 m_page = 1;
    bool m_pageHasContent = false;
};
