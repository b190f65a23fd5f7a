// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QImage>
#include <QRect>
#include <QSizeF>
#include <QString>

#include <memory>

class QIODevice;

namespace Poppler {
class Document;
}

// The pages of a finished PDF as pixels, rendered by Poppler, the renderer of CUPS's own PDF
// filters and of pdftoppm. What a printer without PDF gets and what the preview shows are drawn
// here from the document's own bytes, so that neither is drawn a second way. Rendering is not
// thread-safe: one thread at a time renders from one PdfPages.
class PdfPages
{
public:
    // Throws PrintError (DocumentNotWritable) naming shown when the file cannot be read as a PDF.
    PdfPages(const QString &path, const QString &shown);
    // The PDF that device holds, read from it as pages are asked for (never as a whole). The device
    // is random-access and must outlive this, its bytes unchanged.
    PdfPages(QIODevice *device, const QString &shown);
    ~PdfPages();
    PdfPages(const PdfPages &) = delete;
    PdfPages &operator=(const PdfPages &) = delete;

    [[nodiscard]] int count() const;
    // The page's media box in points (1/72 inch), as the page is shown (its rotation applied).
    [[nodiscard]] QSizeF pointSize(int index) const;
    // The page at dotsPerInch, antialiased as pdftoppm draws it by default, on white: RGB32, or
    // Grayscale8 when grey. A null image when the page cannot be rendered. region: only that part
    // of the page, in pixels at dotsPerInch from its top-left corner (the whole page when empty).
    [[nodiscard]] QImage render(int index, double dotsPerInch, bool grey = false,
                                const QRect &region = {}) const;
    // A part of the page, in the pixels of the page rendered at xDotsPerInch across and
    // yDotsPerInch down (part may reach past the page's edge, which is white; the whole page when
    // part is null): so that a large page can be made a band at a time.
    [[nodiscard]] QImage render(int index, double xDotsPerInch, double yDotsPerInch, const QRect &part,
                                bool grey = false) const;

private:
    void setUp(const QString &shown);

    std::unique_ptr<Poppler::Document> m_document;
};
