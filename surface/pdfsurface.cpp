#include "pdfsurface.h"

#include "application.h"
#include "picture.h"
#include "printerror.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QPainter>
#include <QPdfWriter>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

bool isFixedPitch(const QFont &font)
{
    const QFontMetricsF metrics(font);
    return qFuzzyCompare(metrics.horizontalAdvance(QLatin1Char('i')),
                         metrics.horizontalAdvance(QLatin1Char('W')));
}

} // namespace

void keepPdfBuffersInHeap()
{
#ifdef __GLIBC__
    static const bool done = [] {
        // 32 MiB is glibc's own ceiling for the threshold it adjusts by itself; the heap top is
        // given back to the system only beyond twice that.
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
        return true;
    }();
    Q_UNUSED(done)
#endif
}

QFont fixedPitchFont(const QString &name, float points)
{
    auto make = [points](const QString &family) {
        QFont font(family);
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        font.setPointSizeF(points > 0 ? points : 8);
        return font;
    };
    QFont font = make(name);
    if (isFixedPitch(font))
        return font;
    for (const char *family : {"Nimbus Mono PS", "Liberation Mono", "DejaVu Sans Mono", "monospace"}) {
        font = make(QString::fromLatin1(family));
        if (isFixedPitch(font))
            return font;
    }
    QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    system.setPointSizeF(points > 0 ? points : 8);
    return system;
}

PdfSurface::PdfSurface(QString outputPath, const QPageLayout &layout, bool landscapeSupported)
    : PdfSurface(std::move(outputPath), [paper = Paper{layout, landscapeSupported}] { return paper; })
{
}

PdfSurface::PdfSurface(QString outputPath, std::function<Paper()> paperSource)
    : m_outputPath(std::move(outputPath)), m_paperSource(std::move(paperSource)), m_file(m_outputPath),
      m_writer(std::make_unique<QPdfWriter>(&m_file))
{
    keepPdfBuffersInHeap();
    m_writer->setResolution(Resolution);
    m_writer->setCreator(ApplicationTitle);
    updateFont();
}

PdfSurface::~PdfSurface()
{
    // A document that was never ended is abandoned, not left behind half written.
    if (m_painter && m_painter->isActive()) {
        m_painter->end();
        m_file.close();
        m_file.remove();
    }
}

QPageLayout PdfSurface::landscapeOf(const QPageLayout &portrait)
{
    const QMarginsF margins = portrait.margins();
    return QPageLayout(portrait.pageSize(), QPageLayout::Landscape,
                       QMarginsF(margins.bottom(), margins.left(), margins.top(), margins.right()),
                       portrait.units());
}

const PdfSurface::Paper &PdfSurface::paper() const
{
    if (!m_paper) {
        Paper paper = m_paperSource();
        m_paperSource = nullptr;
        paper.layout.setOrientation(QPageLayout::Portrait);
        m_paper = std::move(paper);
    }
    return *m_paper;
}

void PdfSurface::setOrientation(Orientation orientation)
{
    SurfaceBase::setOrientation(orientation);
    m_writer->setPageLayout(currentLayout());
}

int PdfSurface::orientation() const
{
    return SurfaceBase::orientation() == Landscape && paper().landscapeSupported ? Landscape : Portrait;
}

QPageLayout PdfSurface::currentLayout() const
{
    const QPageLayout &portrait = paper().layout;
    return orientation() == Landscape ? landscapeOf(portrait) : portrait;
}

void PdfSurface::setFontName(const QString &name)
{
    SurfaceBase::setFontName(name);
    updateFont();
}

void PdfSurface::setFontSize(float points)
{
    SurfaceBase::setFontSize(points);
    updateFont();
}

void PdfSurface::updateFont()
{
    m_font = fixedPitchFont(fontName().isEmpty() ? QStringLiteral("courier") : fontName(), fontSize());
    m_metrics.emplace(m_font, m_writer.get());
    if (m_painter && m_painter->isActive())
        m_painter->setFont(m_font);
}

QString PdfSurface::resolvedFontFamily() const
{
    return QFontInfo(m_font).family();
}

float PdfSurface::lineHeight() const
{
    return float(m_metrics->lineSpacing());
}

float PdfSurface::scaleWidth() const
{
    return float(currentLayout().paintRectPixels(Resolution).width());
}

float PdfSurface::scaleHeight() const
{
    return float(currentLayout().paintRectPixels(Resolution).height());
}

// Qt's PDF engine draws on the whole sheet, its origin moved to the printable area, and does not
// clip to the printable area: text that runs into the margins is on the page.
float PdfSurface::sheetRight() const
{
    const QPageLayout layout = currentLayout();
    return float(layout.fullRectPixels(Resolution).width() - layout.paintRectPixels(Resolution).left());
}

float PdfSurface::sheetBottom() const
{
    const QPageLayout layout = currentLayout();
    return float(layout.fullRectPixels(Resolution).height() - layout.paintRectPixels(Resolution).top());
}

float PdfSurface::textWidth(const QString &text) const
{
    return float(m_metrics->horizontalAdvance(text));
}

void PdfSurface::beginDrawing()
{
    if (m_finished)
        throw PrintError(
            PrintError::DocumentNotWritable,
            QStringLiteral("The print document %1 has already been ended.").arg(displayPath(m_outputPath)));
    if (!m_painter) {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw PrintError(PrintError::DocumentNotWritable,
                             QStringLiteral("The print document could not be written to %1: %2.")
                                 .arg(displayPath(m_outputPath), m_file.errorString()));
        m_writer->setPageLayout(currentLayout());
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_writer.get()))
            throw PrintError(
                PrintError::DocumentNotWritable,
                QStringLiteral("The print document %1 could not be started.").arg(displayPath(m_outputPath)));
        m_painter->setFont(m_font);
        m_pagesWritten = 1;
    } else if (m_pendingNewPage) {
        m_writer->setPageLayout(currentLayout());
        if (!m_writer->newPage())
            throw PrintError(
                PrintError::DocumentNotWritable,
                QStringLiteral("A new page could not be added to %1.").arg(displayPath(m_outputPath)));
        ++m_pagesWritten;
    }
    m_pendingNewPage = false;
    markContent();
}

void PdfSurface::printText(const QString &text)
{
    beginDrawing();
    m_painter->drawText(QPointF(currentX(), currentY() + m_metrics->ascent()), text);
    setCurrentX(0);
    setCurrentY(currentY() + lineHeight());
}

void PdfSurface::drawPicture(const Picture &picture, float x, float y)
{
    drawPicture(picture, x, y, picture.width(), picture.height());
}

void PdfSurface::drawPicture(const Picture &picture, float x, float y, float width, float height)
{
    if (picture.isNull() || !(width > 0) || !(height > 0))
        return;
    beginDrawing();
    m_painter->setRenderHint(QPainter::LosslessImageRendering, picture.lossless());
    m_painter->drawImage(QRectF(x, y, width, height), picture.image());
}

void PdfSurface::newPage()
{
    SurfaceBase::newPage();
    if (m_painter)
        m_pendingNewPage = true;
}

void PdfSurface::endDocument()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_painter)
        return;
    const bool ended = m_painter->end();
    const bool flushed = m_file.flush();
    const QFileDevice::FileError error = m_file.error();
    const QString reason = m_file.errorString();
    m_file.close();
    if (!ended || !flushed || error != QFileDevice::NoError) {
        m_file.remove();
        throw PrintError(PrintError::DocumentNotWritable,
                         QStringLiteral("The print document could not be written to %1: %2.")
                             .arg(displayPath(m_outputPath), reason));
    }
}

void PdfSurface::discardDocument()
{
    if (m_finished)
        return;
    m_finished = true;
    m_discarded = true;
    if (!m_painter)
        return;
    if (m_painter->isActive())
        m_painter->end();
    m_file.close();
    m_file.remove();
}

void PdfSurface::setDocumentName(const QString &name)
{
    m_documentName = name;
    m_writer->setTitle(name);
}
