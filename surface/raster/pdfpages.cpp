// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdfpages.h"

#include "printerror.h"

#include <QCoreApplication>

#include <poppler-qt6.h>

namespace {

// The texts of this file, translated in the context "PrintDocument".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PrintDocument)
};

} // namespace

PdfPages::PdfPages(const QString &path, const QString &shown) : m_document(Poppler::Document::load(path))
{
    setUp(shown);
}

PdfPages::PdfPages(QIODevice *device, const QString &shown) : m_document(Poppler::Document::load(device))
{
    setUp(shown);
}

void PdfPages::setUp(const QString &shown)
{
    if (!m_document || m_document->isLocked())
        throw PrintError(PrintError::DocumentNotWritable,
                         Words::tr("The print document %1 could not be read back as a PDF.").arg(shown));
    m_document->setRenderBackend(Poppler::Document::SplashBackend);
    m_document->setRenderHint(Poppler::Document::Antialiasing, true);
    m_document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    m_document->setPaperColor(Qt::white);
}

PdfPages::~PdfPages() = default;

int PdfPages::count() const
{
    return m_document->numPages();
}

QSizeF PdfPages::pointSize(int index) const
{
    const std::unique_ptr<Poppler::Page> page(m_document->page(index));
    return page ? page->pageSizeF() : QSizeF();
}

QImage PdfPages::render(int index, double dotsPerInch, bool grey, const QRect &region) const
{
    return render(index, dotsPerInch, dotsPerInch, region.isEmpty() ? QRect() : region, grey);
}

QImage PdfPages::render(int index, double xDotsPerInch, double yDotsPerInch, const QRect &part,
                        bool grey) const
{
    const std::unique_ptr<Poppler::Page> page(m_document->page(index));
    if (!page)
        return {};
    QImage image = part.isNull() ? page->renderToImage(xDotsPerInch, yDotsPerInch)
                                 : page->renderToImage(xDotsPerInch, yDotsPerInch, part.x(), part.y(),
                                                       part.width(), part.height());
    if (image.isNull())
        return {};
    return image.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
}
