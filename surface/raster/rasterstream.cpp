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

    // The media as the header names it: its keyword and its size in hundredths of a millimetre.
    pwg_media_t media{};
    media.pwg = m_media.constData();
    media.width = int(std::lround(m_sheet.width() * 2540.0 / 72.0));
    media.length = int(std::lround(m_sheet.height() * 2540.0 / 72.0));
    cups_page_header2_t header{};
    const int across = m_plan.dotsPerInch.width();
    const int down = m_plan.dotsPerInch.height();
    if (!cupsRasterInitPWGHeader(&header, &media, m_plan.grey ? "sgray_8" : "srgb_8", across, down,
                                 m_plan.sides.isEmpty() ? "one-sided" : m_plan.sides.constData(),
                                 m_plan.sheetBack.isEmpty() ? nullptr : m_plan.sheetBack.constData()))
        throw notMade(QString::fromUtf8(cupsRasterErrorString()));
    header.cupsInteger[CUPS_RASTER_PWG_TotalPageCount] = unsigned(m_sides.size());
    // The header says how a back side is turned; the pixels are turned to match.
    const unsigned backCrossFeed = header.cupsInteger[CUPS_RASTER_PWG_CrossFeedTransform];
    const unsigned backFeed = header.cupsInteger[CUPS_RASTER_PWG_FeedTransform];
    const int width = int(header.cupsWidth);
    const int height = int(header.cupsHeight);
    const int bytesPerPixel = m_plan.grey ? 1 : 3;
    const QImage::Format format = m_plan.grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    const int rowsPerBand = bandRows();
    std::vector<unsigned char> line(size_t(width) * size_t(bytesPerPixel));

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
            QImage band(width, rows, format);
            band.fill(Qt::white);
            if (side.page >= 0) {
                QImage drawn;
                if (landscape) {
                    // The page lies on the sheet turned a quarter counter-clockwise: the sheet's rows
                    // are the page's columns, its last one at the top.
                    const int pageWidth = height;
                    drawn = m_pages.render(side.page, down, across,
                                           QRect(pageWidth - top - rows, 0, rows, width), m_plan.grey);
                    drawn = drawn.transformed(QTransform().rotate(270));
                } else {
                    drawn = m_pages.render(side.page, across, down, QRect(0, top, width, rows), m_plan.grey);
                }
                if (drawn.isNull())
                    throw notMade(Words::tr("page %1 could not be rendered").arg(side.page + 1));
                drawn = drawn.convertToFormat(format);
                const int copyRows = std::min(rows, drawn.height());
                const qsizetype copyBytes = qsizetype(std::min(width, drawn.width())) * bytesPerPixel;
                for (int y = 0; y < copyRows; ++y)
                    std::memcpy(band.scanLine(y), drawn.constScanLine(y), size_t(copyBytes));
            }
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
                        return Cups::Written::Refused;
                    throw notMade(QString::fromUtf8(cupsRasterErrorString()));
                }
            }
        }
        if (progress && !progress(int(number + 1)))
            return Cups::Written::Stopped;
    }
    return output.refused ? Cups::Written::Refused : Cups::Written::Whole;
}
