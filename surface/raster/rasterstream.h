// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "documentplan.h"

#include <QSizeF>
#include <QString>

#include <cstddef>
#include <functional>

class PdfPages;

// A finished PDF's pages as the raster a printer takes (PWG raster or Apple raster), made with
// libcups's raster writer while they are rendered: one band of a sheet at a time, so that memory
// does not grow with the pages nor with the resolution. Landscape pages are turned onto the
// portrait sheet a quarter counter-clockwise, as print systems turn them; the back sides of a
// two-sided job are turned as the printer asks (pwg-raster-document-sheet-back), and every sheet
// has the size of the media the document was laid out on.
class RasterStream
{
public:
    // Takes the bytes made, in order; false when they could not be passed on.
    using Sink = std::function<bool(const char *data, std::size_t size)>;

    // sheet: the media's size in points (portrait); media: its PWG keyword, which goes in the pages'
    // headers.
    RasterStream(const PdfPages &pages, const Cups::DocumentPlan &plan, const QSizeF &sheet, QString media);

    // The sheet sides sent, in order (copies, blank backs and the order for a face-up bin included).
    [[nodiscard]] const QList<Cups::SheetSide> &sides() const { return m_sides; }
    // Rows of a sheet rendered at a time: as many as fit in the band's memory.
    [[nodiscard]] int bandRows() const;

    // Writes every side to sink, and stops when sink refuses bytes (Refused) or progress, told the
    // number of each side (from 1) once it has been written, answers false (Stopped). Throws
    // PrintError (DocumentNotWritable) when a page cannot be rendered or the raster cannot be made.
    Cups::Written write(const Sink &sink, const std::function<bool(int side)> &progress = {});

private:
    const PdfPages &m_pages;
    Cups::DocumentPlan m_plan;
    QSizeF m_sheet;
    QByteArray m_media;
    QList<Cups::SheetSide> m_sides;
};
