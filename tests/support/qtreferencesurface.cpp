// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "qtreferencesurface.h"

#include "pdfsurface.h"
#include "picture.h"
#include "qtpdf.h"

#include <QPainter>
#include <QPdfWriter>

QtReferenceSurface::QtReferenceSurface(const QString &path, const QPageLayout &portrait)
    : m_portrait(portrait), m_file(path), m_writer(std::make_unique<QPdfWriter>(&m_file))
{
    keepPdfBuffersInHeap();
    m_writer->setResolution(PdfSurface::Resolution);
    updateFont();
}

QtReferenceSurface::~QtReferenceSurface() = default;

QPageLayout QtReferenceSurface::currentLayout() const
{
    return orientation() == Landscape ? PdfSurface::landscapeOf(m_portrait) : m_portrait;
}

void QtReferenceSurface::setFontName(const QString &name)
{
    SurfaceBase::setFontName(name);
    updateFont();
}

void QtReferenceSurface::setFontSize(float points)
{
    SurfaceBase::setFontSize(points);
    updateFont();
}

void QtReferenceSurface::updateFont()
{
    m_font = fixedPitchFont(fontName().isEmpty() ? QStringLiteral("courier") : fontName(), fontSize());
    m_metrics.emplace(m_font, m_writer.get());
    if (m_painter && m_painter->isActive())
        m_painter->setFont(m_font);
}

float QtReferenceSurface::lineHeight() const
{
    return float(m_metrics->lineSpacing());
}

float QtReferenceSurface::textWidth(const QString &text) const
{
    return float(m_metrics->horizontalAdvance(text));
}

float QtReferenceSurface::scaleWidth() const
{
    return float(currentLayout().paintRectPixels(PdfSurface::Resolution).width());
}

float QtReferenceSurface::scaleHeight() const
{
    return float(currentLayout().paintRectPixels(PdfSurface::Resolution).height());
}

float QtReferenceSurface::sheetRight() const
{
    const QPageLayout layout = currentLayout();
    return float(layout.fullRectPixels(PdfSurface::Resolution).width() -
                 layout.paintRectPixels(PdfSurface::Resolution).left());
}

float QtReferenceSurface::sheetBottom() const
{
    const QPageLayout layout = currentLayout();
    return float(layout.fullRectPixels(PdfSurface::Resolution).height() -
                 layout.paintRectPixels(PdfSurface::Resolution).top());
}

void QtReferenceSurface::beginDrawing()
{
    if (!m_painter) {
        m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        m_writer->setPageLayout(currentLayout());
        m_painter = std::make_unique<QPainter>(m_writer.get());
        m_painter->setFont(m_font);
    } else if (m_pendingNewPage) {
        m_writer->setPageLayout(currentLayout());
        m_writer->newPage();
    }
    m_pendingNewPage = false;
    markContent();
}

void QtReferenceSurface::printText(const QString &text)
{
    beginDrawing();
    m_painter->drawText(QPointF(currentX(), currentY() + m_metrics->ascent()), text);
    setCurrentX(0);
    setCurrentY(currentY() + lineHeight());
}

void QtReferenceSurface::drawPicture(const Picture &picture, float x, float y)
{
    drawPicture(picture, x, y, picture.width(), picture.height());
}

void QtReferenceSurface::drawPicture(const Picture &picture, float x, float y, float width, float height)
{
    if (picture.isNull() || !(width > 0) || !(height > 0))
        return;
    beginDrawing();
    m_painter->setRenderHint(QPainter::LosslessImageRendering, picture.lossless());
    m_painter->drawImage(QRectF(x, y, width, height), picture.image());
}

void QtReferenceSurface::newPage()
{
    SurfaceBase::newPage();
    if (m_painter)
        m_pendingNewPage = true;
}

void QtReferenceSurface::endDocument()
{
    if (m_painter)
        m_painter->end();
    m_file.close();
}
