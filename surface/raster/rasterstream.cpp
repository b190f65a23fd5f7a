// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "rasterstream.h"

#include "pdfpages.h"
#include "printerror.h"

#include <QCoreApplication>
#include <QImage>
#include <QScopeGuard>
#include <QTransform>

#include <cups/raster.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The texts of this file, translated in the context "Printer".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Printer)
};

// What a band of a sheet may take while it is rendered, at four bytes a pixel: small enough that
// a 600 dpi sheet is made in a few bands, large enough that a 300 dpi A4 or Letter sheet takes two.
constexpr qint64 BandBytes = 24 * 1024 * 1024;

// The raster writer's callback: hands the bytes to the sink, and remembers when it refused them.
struct Output
{
    const RasterStream::Sink *sink;
    bool refused = false;
};

ssize_t writeOut(void *context, unsigned char *buffer, size_t length)
{
    auto *const output = static_cast<Output *>(context);
    if (output->refused || !(*output->sink)(reinterpret_cast<const char *>(buffer), length)) {
        output->refused = true;
        return -1;
    }
    return ssize_t(length);
}

PrintError notMade(const QString &reason)
{
    return PrintError(
        PrintError::DocumentNotWritable,
        Words::tr("The print document could not be made into raster for the printer: %1.").arg(reason));
}

// The header of every side of the document, for the plan's colour, resolution and sides: the media
// as the header names it, its keyword and its size in hundredths of a millimetre.
cups_page_header2_t pageHeader(const Cups::DocumentPlan &plan, const QSizeF &sheet,
                               const QByteArray &mediaName, qsizetype sides)
{
    pwg_media_t media{};
    media.pwg = mediaName.constData();
    media.width = int(std::lround(sheet.width() * 2540.0 / 72.0));
    media.length = int(std::lround(sheet.height() * 2540.0 / 72.0));
    cups_page_header2_t header{};
    if (!cupsRasterInitPWGHeader(&header, &media, plan.grey ? "sgray_8" : "srgb_8", plan.dotsPerInch.width(),
                                 plan.dotsPerInch.height(),
                                 plan.sides.isEmpty() ? "one-sided" : plan.sides.constData(),
                                 plan.sheetBack.isEmpty() ? nullptr : plan.sheetBack.constData()))
        throw notMade(QString::fromUtf8(cupsRasterErrorString()));
    header.cupsInteger[CUPS_RASTER_PWG_TotalPageCount] = unsigned(sides);
    return header;
}

// A sheet's pixels: its size as the header gives it, the resolution across and down, and grey or
// RGB samples of 8 bits.
struct SheetPixels
{
    int width;
    int height;
    int across;
    int down;
    bool grey;

    [[nodiscard]] int bytesPerPixel() const { return grey ? 1 : 3; }
    [[nodiscard]] QImage::Format format() const
    {
        return grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    }
};

// The sheet's rows [top, top + rows) with the page drawn on them (white where there is no page:
// a blank back), landscape pages turned onto the portrait sheet.
QImage bandOf(const PdfPages &pages, int page, bool landscape, const SheetPixels &sheet, int top, int rows)
{
    QImage band(sheet.width, rows, sheet.format());
    band.fill(Qt::white);
    if (page < 0)
        return band;
    QImage drawn;
    if (landscape) {
        // The page lies on the sheet turned a quarter counter-clockwise: the sheet's rows are the
        // page's columns, its last one at the top.
        const int pageWidth = sheet.height;
        drawn = pages.render(page, sheet.down, sheet.across,
                             QRect(pageWidth - top - rows, 0, rows, sheet.width), sheet.grey);
        drawn = drawn.transformed(QTransform().rotate(270));
    } else {
        drawn = pages.render(page, sheet.across, sheet.down, QRect(0, top, sheet.width, rows), sheet.grey);
    }
    if (drawn.isNull())
        throw notMade(Words::tr("page %1 could not be rendered").arg(page + 1));
    drawn = drawn.convertToFormat(sheet.format());
    const int copyRows = std::min(rows, drawn.height());
    const qsizetype copyBytes = qsizetype(std::min(sheet.width, drawn.width())) * sheet.bytesPerPixel();
    for (int y = 0; y < copyRows; ++y)
        std::memcpy(band.scanLine(y), drawn.constScanLine(y), size_t(copyBytes));
    return band;
}

// Writes the band's rows to the raster, last first for a back side that the printer takes upside
// down, each mirrored for one it takes turned across; line holds one row. False when the sink
// refused the bytes; throws when the raster could not be written otherwise.
bool writeRows(cups_raster_t *raster, const Output &output, const SheetPixels &sheet, const QImage &band,
               int rows, bool mirrorRows, bool rowsUpward, std::vector<unsigned char> &line)
{
    const int width = sheet.width;
    const int bytesPerPixel = sheet.bytesPerPixel();
    for (int i = 0; i < rows; ++i) {
        const uchar *const row = band.constScanLine(rowsUpward ? rows - 1 - i : i);
        if (mirrorRows) {
            for (int x = 0; x < width; ++x)
                std::memcpy(&line[size_t(width - 1 - x) * size_t(bytesPerPixel)],
                            row + qsizetype(x) * bytesPerPixel, size_t(bytesPerPixel));
        } else {
            std::memcpy(line.data(), row, line.size());
        }
        if (cupsRasterWritePixels(raster, line.data(), unsigned(line.size())) == 0) {
            if (output.refused)
                return false;
            throw notMade(QString::fromUtf8(cupsRasterErrorString()));
        }
    }
    return true;
}

} // namespace

RasterStream::RasterStream(const PdfPages &pages, const Cups::DocumentPlan &plan, const QSizeF &sheet,
                           QString media)
    : m_pages(pages), m_plan(plan), m_sheet(sheet), m_media(media.toUtf8()),
      m_sides(Cups::sheetSides(pages.count(), std::max(plan.copies, 1), plan.sides.startsWith("two-sided"),
                               plan.lastPageFirst))
{
}

int RasterStream::bandRows() const
{
    const qint64 width = qint64(m_sheet.width() * m_plan.dotsPerInch.width() / 72.0) + 1;
    return int(std::max<qint64>(64, BandBytes / (4 * width)));
}

Cups::Written RasterStream::write(const Sink &sink, const std::function<bool(int)> &progress)
{
    Output output{&sink};
    cups_raster_t *const raster = cupsRasterOpenIO(
        writeOut, &output,
        m_plan.format == Cups::DocumentFormat::AppleRaster ? CUPS_RASTER_WRITE_APPLE : CUPS_RASTER_WRITE_PWG);
    if (!raster)
        throw notMade(QString::fromUtf8(cupsRasterErrorString()));
    const auto close = qScopeGuard([raster] { cupsRasterClose(raster); });

    cups_page_header2_t header = pageHeader(m_plan, m_sheet, m_media, m_sides.size());
    // The header says how a back side is turned; the pixels are turned to match.
    const unsigned backCrossFeed = header.cupsInteger[CUPS_RASTER_PWG_CrossFeedTransform];
    const unsigned backFeed = header.cupsInteger[CUPS_RASTER_PWG_FeedTransform];
    const SheetPixels pixels{int(header.cupsWidth), int(header.cupsHeight), m_plan.dotsPerInch.width(),
                             m_plan.dotsPerInch.height(), m_plan.grey};
    const int height = pixels.height;
    const int rowsPerBand = bandRows();
    std::vector<unsigned char> line(size_t(pixels.width) * size_t(pixels.bytesPerPixel()));

    for (qsizetype number = 0; number < m_sides.size(); ++number) {
        const Cups::SheetSide &side = m_sides[number];
        const bool turned = side.back;
        header.cupsInteger[CUPS_RASTER_PWG_CrossFeedTransform] = turned ? backCrossFeed : 1;
        header.cupsInteger[CUPS_RASTER_PWG_FeedTransform] = turned ? backFeed : 1;
        const bool mirrorRows = turned && backCrossFeed != 1;
        const bool rowsUpward = turned && backFeed != 1;
        if (!cupsRasterWriteHeader2(raster, &header)) {
            if (output.refused)
                return Cups::Written::Refused;
            throw notMade(QString::fromUtf8(cupsRasterErrorString()));
        }
        const QSizeF pagePoints = side.page >= 0 ? m_pages.pointSize(side.page) : QSizeF();
        const bool landscape = pagePoints.width() > pagePoints.height();
        for (int sent = 0; sent < height; sent += rowsPerBand) {
            // The sheet's rows [top, bottom) go out in this band, last first for a back side that
            // the printer takes upside down.
            const int rows = std::min(rowsPerBand, height - sent);
            const int top = rowsUpward ? height - sent - rows : sent;
            const QImage band = bandOf(m_pages, side.page, landscape, pixels, top, rows);
            if (!writeRows(raster, output, pixels, band, rows, mirrorRows, rowsUpward, line))
                return Cups::Written::Refused;
        }
        if (progress && !progress(int(number + 1)))
            return Cups::Written::Stopped;
    }
    return output.refused ? Cups::Written::Refused : Cups::Written::Whole;
}
