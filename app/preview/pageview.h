// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QRect>

#include <functional>
#include <memory>

class PdfPages;

// One page of a PDF at a time, as Poppler renders it, at the zoom in use: only the part of the page
// that is in view is rendered, and only the last rendering is kept, so that memory does not grow
// with the document or the zoom. Page Up and Page Down turn the pages, Home and End go to the first
// and the last; the wheel scrolls, and turns the page at the page's end; Ctrl+wheel zooms.
//
// The pages it reads (setPages) may be a few of those the document has so far (setPageCount): a
// page outside them is asked of the loader first, which hands the view the pages around it.
class PageView final : public QAbstractScrollArea
{
    Q_OBJECT

public:
    enum class ZoomMode
    {
        FitPage,  // the whole page in view
        FitWidth, // the page's width in view
        Fixed,    // zoom(): 1 shows the page at its size on paper
    };

    static constexpr double MinimumZoom = 0.1;
    static constexpr double MaximumZoom = 8.0;

    explicit PageView(QWidget *parent = nullptr);
    ~PageView() override;

    // pages: the document's pages from first (counted from 0) on.
    void setPages(std::shared_ptr<const PdfPages> pages, int first = 0);
    [[nodiscard]] int loadedPageCount() const;
    [[nodiscard]] bool isLoaded(int index) const;
    void setPageCount(int count);
    [[nodiscard]] int pageCount() const { return m_pageCount; }
    void setLoader(std::function<void(int index)> loader) { m_loader = std::move(loader); }
    // What the view says when it has no page to show.
    void setMessage(const QString &text);

    // 0-based; -1 when there is no page.
    [[nodiscard]] int currentPage() const { return m_current; }
    void setCurrentPage(int index);

    [[nodiscard]] ZoomMode zoomMode() const { return m_zoomMode; }
    void setZoomMode(ZoomMode mode);
    // The zoom in use, whatever the mode: 1 is the page's size on paper.
    [[nodiscard]] double zoom() const;
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();

    // What the view shows of the current page, as rendered, and the resolution it was rendered at.
    [[nodiscard]] const QImage &shownImage() const { return m_image; }
    [[nodiscard]] double shownDotsPerInch() const { return m_imageDpi; }

signals:
    void currentPageChanged(int index);
    void zoomChanged(double zoom);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    [[nodiscard]] QSizeF pagePoints() const;
    [[nodiscard]] double zoomToFit(bool widthOnly) const;
    // The page's size in the view, in logical pixels, at the zoom in use.
    [[nodiscard]] QSize pagePixels() const;
    [[nodiscard]] QRect pageRect() const;
    void updateScrollBars();
    void describe();
    void turnPage(int step, bool toTop = true);

    std::shared_ptr<const PdfPages> m_pages;
    int m_first = 0;
    std::function<void(int)> m_loader;
    int m_pageCount = 0;
    int m_current = -1;
    ZoomMode m_zoomMode = ZoomMode::FitPage;
    double m_zoom = 1.0;
    QString m_message;
    int m_wheelTurn = 0; // wheel movement past the page's end, in eighths of a degree

    // The last rendering: the page, the resolution and the part of it.
    QImage m_image;
    double m_imageDpi = 0;
    const PdfPages *m_imagePages = nullptr;
    int m_imagePage = -1;
    QRect m_imageRegion;
};
