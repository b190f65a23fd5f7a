// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

// Reading back PDF files with poppler's command-line tools (pdfinfo, pdftotext, pdfimages).
namespace PdfTools {
// Fails the current test when the tool is missing.
[[nodiscard]] bool available();
[[nodiscard]] int pageCount(const QString &pdf);
// Page size in points, e.g. "595.28 x 841.89".
[[nodiscard]] QString pageSize(const QString &pdf);
// The first page's MediaBox in points, as `pdfinfo -box` reads it; a null rectangle when it has none.
[[nodiscard]] QRectF mediaBox(const QString &pdf);
// The text of every page, laid out on a grid of fixed-pitch cells `pitch` points wide (4.8 points
// is 8-point Courier), so that columns of fixed-pitch text come back exactly aligned.
[[nodiscard]] QString text(const QString &pdf, double pitch = 4.8);
// A word of the first page as pdftotext finds it, with its box in points from the top-left corner:
// from the first glyph's origin to the end of the last glyph's advance.
struct Word
{
    QRectF box;
    QString text;
};
[[nodiscard]] QList<Word> words(const QString &pdf);
// Whether the text of the first page runs up or down the sheet (true: the page content has been
// turned by a quarter, as a landscape document printed on portrait paper) rather than across it.
[[nodiscard]] bool textRunsAlongHeight(const QString &pdf);
// The rows of `pdfimages -list` below its header.
[[nodiscard]] QStringList images(const QString &pdf);
// The first page rendered by pdftoppm at the given resolution; a null image when that fails.
[[nodiscard]] QImage renderFirstPage(const QString &pdf, int dpi);
// Every page rendered by pdftoppm at the given resolution, in order.
[[nodiscard]] QList<QImage> renderPages(const QString &pdf, int dpi);
// The text of each page as `pdftotext -layout` lays it out, in order.
[[nodiscard]] QStringList pageTexts(const QString &pdf);

enum class Renderer
{
    Poppler,     // pdftoppm, what viewers on the desktop show
    Ghostscript, // gs, the print system's path
    Mupdf,       // mutool draw, a third reader of its own (without colour management on Debian)
};
[[nodiscard]] QString rendererName(Renderer renderer);
// One page (from 1) rendered at the given resolution; a null image when that fails.
[[nodiscard]] QImage renderPage(const QString &pdf, int page, int dpi, Renderer renderer);
// What `qpdf --check` says when it finds anything at all to warn of or complain about; empty when
// the file is clean.
[[nodiscard]] QString qpdfComplaints(const QString &pdf);
// The share of the pixels (0 to 1) in which some channel differs by more than levels (of 255);
// 1 when the images are not the same size.
[[nodiscard]] double differingShare(const QImage &a, const QImage &b, int levels);
} // namespace PdfTools
