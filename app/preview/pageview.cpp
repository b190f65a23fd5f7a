// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pageview.h"

#include "pdfpages.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// The texts of this file, translated in the context "PageView".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PageView)
};

// The grey around the page, in logical pixels.
constexpr int Margin = 12;
// Each step of Zoom In and Zoom Out.
constexpr double ZoomStep = 1.25;
// One notch of a mouse wheel, in eighths of a degree.
constexpr int WheelNotch = 120;

} // namespace

PageView::PageView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
    describe();
}

PageView::~PageView() = default;

void PageView::setPages(std::shared_ptr<const PdfPages> pages, int first)
{
    m_pages = std::move(pages);
    m_first = m_pages ? first : 0;
    m_image = QImage();
    m_imagePages = nullptr;
    m_pageCount = std::max(m_pageCount, m_first + loadedPageCount());
    if (m_current < 0 && loadedPageCount() > 0) {
        m_current = m_first;
        emit currentPageChanged(m_current);
    }
    m_current = std::min(m_current, m_pageCount - 1);
    updateScrollBars();
    describe();
    viewport()->update();
}

int PageView::loadedPageCount() const
{
    return m_pages ? m_pages->count() : 0;
}

bool PageView::isLoaded(int index) const
{
    return index >= m_first && index < m_first + loadedPageCount();
}

void PageView::setPageCount(int count)
{
    m_pageCount = std::max(count, m_first + loadedPageCount());
    if (m_current >= m_pageCount)
        setCurrentPage(m_pageCount - 1);
    describe();
}

void PageView::setMessage(const QString &text)
{
    m_message = text;
    viewport()->update();
}

void PageView::setCurrentPage(int index)
{
    index = std::clamp(index, m_pageCount > 0 ? 0 : -1, m_pageCount - 1);
    if (index >= 0 && !isLoaded(index) && m_loader)
        m_loader(index);
    // A page that could not be read is not gone to.
    if (index == m_current || (index >= 0 && !isLoaded(index)))
        return;
    m_current = index;
    updateScrollBars();
    viewport()->update();
    describe();
    emit currentPageChanged(m_current);
}

QSizeF PageView::pagePoints() const
{
    if (!isLoaded(m_current))
        return QSizeF(595, 842);
    const QSizeF size = m_pages->pointSize(m_current - m_first);
    return size.isEmpty() ? QSizeF(595, 842) : size;
}

double PageView::zoomToFit(bool widthOnly) const
{
    const QSizeF points = pagePoints();
    const double pixelsPerPoint = logicalDpiX() / 72.0;
    QSize room = maximumViewportSize();
    if (widthOnly)
        room.rwidth() -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const double across = (room.width() - 2 * Margin) / (points.width() * pixelsPerPoint);
    const double down = (room.height() - 2 * Margin) / (points.height() * pixelsPerPoint);
    return std::clamp(widthOnly ? across : std::min(across, down), MinimumZoom, MaximumZoom);
}

double PageView::zoom() const
{
    switch (m_zoomMode) {
    case ZoomMode::FitPage:
        return zoomToFit(false);
    case ZoomMode::FitWidth:
        return zoomToFit(true);
    case ZoomMode::Fixed:
        break;
    }
    return m_zoom;
}

void PageView::setZoomMode(ZoomMode mode)
{
    if (mode == ZoomMode::Fixed)
        m_zoom = zoom();
    m_zoomMode = mode;
    updateScrollBars();
    viewport()->update();
    emit zoomChanged(zoom());
}

void PageView::setZoom(double zoom)
{
    m_zoom = std::clamp(zoom, MinimumZoom, MaximumZoom);
    m_zoomMode = ZoomMode::Fixed;
    updateScrollBars();
    viewport()->update();
    emit zoomChanged(m_zoom);
}

void PageView::zoomIn()
{
    setZoom(zoom() * ZoomStep);
}

void PageView::zoomOut()
{
    setZoom(zoom() / ZoomStep);
}

QSize PageView::pagePixels() const
{
    const QSizeF points = pagePoints() * (zoom() * logicalDpiX() / 72.0);
    // Whole pixels as Poppler sizes a page it renders whole.
    return QSize(int(std::lround(points.width())), int(std::lround(points.height())));
}

QRect PageView::pageRect() const
{
    const QSize size = pagePixels();
    const QSize room = viewport()->size();
    const int x = std::max(Margin, (room.width() - size.width()) / 2) - horizontalScrollBar()->value();
    const int y = std::max(Margin, (room.height() - size.height()) / 2) - verticalScrollBar()->value();
    return QRect(QPoint(x, y), size);
}

void PageView::updateScrollBars()
{
    const QSize size = pagePixels() + QSize(2 * Margin, 2 * Margin);
    const QSize room = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, size.width() - room.width()));
    verticalScrollBar()->setRange(0, std::max(0, size.height() - room.height()));
    horizontalScrollBar()->setPageStep(room.width());
    verticalScrollBar()->setPageStep(room.height());
}

void PageView::describe()
{
    const QString name = m_current >= 0 ? Words::tr("Page %1 of %2")
                                              .arg(QLocale().toString(m_current + 1),
                                                   QLocale().toString(std::max(m_pageCount, 1)))
                                        : Words::tr("No page");
    if (name == accessibleName())
        return;
    setAccessibleName(name);
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void PageView::turnPage(int step, bool toTop)
{
    const int before = m_current;
    setCurrentPage(m_current + step);
    if (m_current != before)
        verticalScrollBar()->setValue(toTop ? 0 : verticalScrollBar()->maximum());
}

void PageView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    if (!isLoaded(m_current)) {
        painter.setPen(palette().color(QPalette::BrightText));
        painter.drawText(viewport()->rect().adjusted(Margin, Margin, -Margin, -Margin),
                         Qt::AlignCenter | Qt::TextWordWrap, m_message);
        return;
    }
    const QRect page = pageRect();
    const QRect shown = page & viewport()->rect();
    if (shown.isEmpty())
        return;
    const double ratio = devicePixelRatioF();
    const double dpi = zoom() * logicalDpiX() * ratio;
    // The part of the page in view, in the rendering's pixels; none when all of it is in view, so
    // that the whole page is rendered as pdftoppm renders it (Poppler clips what runs off the page
    // a shade differently when a part is asked for).
    QRect region(int(std::floor((shown.x() - page.x()) * ratio)),
                 int(std::floor((shown.y() - page.y()) * ratio)), int(std::ceil(shown.width() * ratio)),
                 int(std::ceil(shown.height() * ratio)));
    if (shown == page)
        region = QRect();
    if (m_imagePages != m_pages.get() || m_imagePage != m_current || m_imageDpi != dpi ||
        m_imageRegion != region) {
        m_image = m_pages->render(m_current - m_first, dpi, false, region);
        m_image.setDevicePixelRatio(ratio);
        m_imagePages = m_pages.get();
        m_imagePage = m_current;
        m_imageDpi = dpi;
        m_imageRegion = region;
    }
    painter.fillRect(page.adjusted(2, 2, 2, 2), palette().color(QPalette::Shadow));
    if (m_image.isNull()) {
        painter.fillRect(shown, Qt::white);
        return;
    }
    painter.drawImage(shown.topLeft(), m_image);
}

void PageView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    if (m_zoomMode != ZoomMode::Fixed)
        emit zoomChanged(zoom());
}

void PageView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void PageView::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier) {
        switch (event->key()) {
        case Qt::Key_PageDown:
            turnPage(1);
            return;
        case Qt::Key_PageUp:
            turnPage(-1);
            return;
        case Qt::Key_Home:
            setCurrentPage(0);
            verticalScrollBar()->setValue(0);
            return;
        case Qt::Key_End:
            setCurrentPage(m_pageCount - 1);
            verticalScrollBar()->setValue(0);
            return;
        default:
            break;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void PageView::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (event->modifiers() & Qt::ControlModifier) {
        if (delta > 0)
            zoomIn();
        else if (delta < 0)
            zoomOut();
        event->accept();
        return;
    }
    QScrollBar *const bar = verticalScrollBar();
    const bool atEnd = delta < 0 && bar->value() == bar->maximum();
    const bool atStart = delta > 0 && bar->value() == bar->minimum();
    if (!atEnd && !atStart) {
        m_wheelTurn = 0;
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // Past the page's end the wheel turns the page, a notch at a time.
    m_wheelTurn += delta;
    event->accept();
    if (std::abs(m_wheelTurn) < WheelNotch)
        return;
    m_wheelTurn = 0;
    turnPage(delta < 0 ? 1 : -1, delta < 0);
}
