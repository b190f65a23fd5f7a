#pragma once

#include "printsurface.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>

#include <functional>
#include <memory>
#include <optional>

class QPainter;
class QPdfWriter;

// Renders the print document as PDF through Qt's PDF writer at 1,440 dots per inch, so that
// device units are twips. Pages are begun lazily: nothing is written until something is drawn,
// "new page" only takes effect when the next page gets content, and a document with nothing drawn
// leaves no file at all.
class PdfSurface : public SurfaceBase
{
public:
    static constexpr int Resolution = 1440;

    // What the pages are laid out on.
    struct Paper
    {
        QPageLayout layout;             // the sheet and its printable area (inside the margins), in portrait
        bool landscapeSupported = true; // otherwise orientation() reports portrait whatever was asked
    };

    PdfSurface(QString outputPath, const QPageLayout &layout, bool landscapeSupported = true);
    ~PdfSurface() override;

    // The landscape page of a portrait sheet, as print systems put it on the sheet: turned a
    // quarter counter-clockwise, so that its top lies along the sheet's left edge and its left
    // along the sheet's bottom. The printable area is the sheet's, so the margins turn with it.
    static QPageLayout landscapeOf(const QPageLayout &portrait);

    void setOrientation(Orientation orientation) override;
    [[nodiscard]] int orientation() const override;
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
    // Removes the file; the pages drawn so far stay counted in pagesWritten().
    void discardDocument() override;
    void setDocumentName(const QString &name) override;

    [[nodiscard]] const QString &outputPath() const { return m_outputPath; }
    // Pages actually written to the document.
    [[nodiscard]] int pagesWritten() const { return m_pagesWritten; }
    [[nodiscard]] bool documentWritten() const { return m_finished && !m_discarded && m_pagesWritten > 0; }
    [[nodiscard]] bool documentDiscarded() const { return m_discarded; }
    // The face that the font name resolved to.
    [[nodiscard]] QString resolvedFontFamily() const;

protected:
    // For a target that learns its paper only when it is first needed: paperSource is called once,
    // by the first operation that depends on the paper (setting or reading the orientation, the
    // scale width and height, drawing), and never when the document stays empty.
    PdfSurface(QString outputPath, std::function<Paper()> paperSource);

private:
    [[nodiscard]] const Paper &paper() const;
    void updateFont();
    void beginDrawing();
    [[nodiscard]] QPageLayout currentLayout() const;

    QString m_outputPath;
    QString m_documentName;
    mutable std::function<Paper()> m_paperSource;
    mutable std::optional<Paper> m_paper;
    QFile m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    QFont m_font;
    std::optional<QFontMetricsF> m_metrics;
    bool m_pendingNewPage = false;
    bool m_finished = false;
    bool m_discarded = false;
    int m_pagesWritten = 0;
};

// Qt's PDF engine compresses each page through two buffers of ten million bytes that it allocates
// and frees page after page. Under glibc's default thresholds they are mapped and unmapped (or the
// heap grown and trimmed) every time, and the page faults cost several times the writing itself.
// This keeps such buffers in the heap for reuse; untouched parts of them never become resident.
// PdfSurface calls it; it acts once per process.
void keepPdfBuffersInHeap();

// Resolves a font name to a fixed-pitch face at the given size: the name itself when it is one,
// otherwise the system's fixed-pitch fallbacks. Checked by comparing the advances of 'i' and 'W'.
QFont fixedPitchFont(const QString &name, float points);
