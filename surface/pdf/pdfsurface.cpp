// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdfsurface.h"

#include "application.h"
#include "documenttarget.h"
#include "outputdevice.h"
#include "pdffonts.h"
#include "pdfpictures.h"
#include "pdfwriter.h"
#include "picture.h"
#include "printerror.h"
#include "version.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <limits>


namespace {

// The texts of this file, translated in the context "PrintDocument".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PrintDocument)
};

// A sheet of size points as a media box.
Pdf::Value mediaBox(QSize size)
{
    return Pdf::Array{0, 0, size.width(), size.height()};
}

// The PDF date of now, in local time with its offset: D:YYYYMMDDHHmmSS+HH'mm'.
QByteArray pdfDate()
{
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc() / 60;
    return QStringLiteral("D:%1%2%3'%4'")
        .arg(now.toString(QStringLiteral("yyyyMMddHHmmss")))
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
        .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

// The bytes of a provisional ending, kept in memory.
class MemoryDevice final : public OutputDevice
{
public:
    explicit MemoryDevice(QByteArray &bytes) : m_bytes(bytes) {}
    [[nodiscard]] ssize_t writeSome(const char *data, size_t size) override
    {
        m_bytes.append(data, qsizetype(size));
        return ssize_t(size);
    }

private:
    QByteArray &m_bytes;
};

} // namespace

PdfSurface::PdfSurface(Paper paper, std::unique_ptr<DocumentTarget> target)
    : m_paper(std::move(paper)), m_target(std::move(target))
{
    m_paper.layout.setOrientation(QPageLayout::Portrait);
}

PdfSurface::PdfSurface(DestinationLookUp lookUp) : m_lookUp(std::move(lookUp)) {}

PdfSurface::PdfSurface(const QString &path, const QPageLayout &layout, bool landscapeSupported)
    : PdfSurface(Paper{layout, landscapeSupported}, DocumentTarget::plainFile(path))
{
}

PdfSurface::~PdfSurface()
{
    // A document that was never ended is abandoned, not left behind half written.
    if (!m_finished && m_target)
        m_target->discard();
}

const Paper &PdfSurface::paper() const
{
    (void)target();
    return m_paper;
}

DocumentTarget &PdfSurface::target() const
{
    if (!m_target) {
        Destination destination = m_lookUp();
        m_paper = std::move(destination.paper);
        m_paper.layout.setOrientation(QPageLayout::Portrait);
        m_target = std::move(destination.target);
    }
    return *m_target;
}

QPageLayout PdfSurface::landscapeOf(const QPageLayout &portrait)
{
    const QMarginsF margins = portrait.margins();
    return QPageLayout(portrait.pageSize(), QPageLayout::Landscape,
                       QMarginsF(margins.bottom(), margins.left(), margins.top(), margins.right()),
                       portrait.units());
}

void PdfSurface::setOrientation(Orientation orientation)
{
    (void)target();
    SurfaceBase::setOrientation(orientation);
}

int PdfSurface::orientation() const
{
    return SurfaceBase::orientation() == Landscape && paper().landscapeSupported ? Landscape : Portrait;
}

QPageLayout PdfSurface::currentLayout() const
{
    return orientation() == Landscape ? landscapeOf(paper().layout) : paper().layout;
}

PdfFonts &PdfSurface::fonts() const
{
    if (!m_fonts)
        m_fonts = std::make_unique<PdfFonts>(fontName().isEmpty() ? QStringLiteral("courier") : fontName(),
                                             fontSize());
    return *m_fonts;
}

void PdfSurface::setFontName(const QString &name)
{
    (void)target();
    if (name == fontName() && m_fonts)
        return;
    if (m_fonts && !m_pageFaces.empty())
        throw PrintError(PrintError::DocumentNotWritable,
                         Words::tr("The font of the print document %1 cannot change once text is drawn.")
                             .arg(target().name()));
    SurfaceBase::setFontName(name);
    m_fonts.reset();
    (void)fonts();
}

void PdfSurface::setFontSize(float points)
{
    (void)target();
    SurfaceBase::setFontSize(points);
    if (m_fonts)
        m_fonts->setPoints(fontSize());
}

QString PdfSurface::resolvedFontFamily() const
{
    return fonts().primaryFamily();
}

QString PdfSurface::resolvedFontFile() const
{
    return fonts().primaryFile();
}

float PdfSurface::lineHeight() const
{
    return fonts().lineHeight();
}

float PdfSurface::textWidth(const QString &text) const
{
    return fonts().textWidth(text);
}

float PdfSurface::scaleWidth() const
{
    return float(currentLayout().paintRectPixels(Resolution).width());
}

float PdfSurface::scaleHeight() const
{
    return float(currentLayout().paintRectPixels(Resolution).height());
}

// The whole sheet takes drawing, the origin at the printable area: text that runs into the
// margins is on the page.
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

double PdfSurface::pageX(double twips) const
{
    return (m_left + twips) / 20.0;
}

double PdfSurface::pageY(double twips) const
{
    return m_sheetHeight - (m_top + twips) / 20.0;
}

void PdfSurface::beginDrawing()
{
    if (m_finished)
        throw PrintError(PrintError::DocumentNotWritable,
                         Words::tr("The print document %1 has already been ended.").arg(target().name()));
    if (!m_writer) {
        OutputDevice &device = target().open();
        m_writer = std::make_unique<PdfWriter>(device, target().name());
        m_pictures = std::make_unique<PdfPictures>(*m_writer);
    } else if (m_pendingNewPage) {
        endPage();
    }
    m_pendingNewPage = false;
    if (!m_pageOpen) {
        // Each page takes the layout that holds when it begins. The sheet's height is a whole
        // number of points, as the media box gives it.
        m_pageLayout = currentLayout();
        const QRect printable = m_pageLayout.paintRectPixels(Resolution);
        m_left = printable.left();
        m_top = printable.top();
        m_sheetHeight = m_pageLayout.fullRectPoints().height();
        m_pageOpen = true;
        ++m_pagesWritten;
    }
    markContent();
}

void PdfSurface::endPage()
{
    if (!m_pageOpen)
        return;
    const int contents =
        m_writer->writeStream("", QByteArrayView(m_content.data(), qsizetype(m_content.size())), true);
    // The sheet of the first page is the page tree's, which its pages inherit; a page on another
    // sheet (the orientation changed) names its own.
    const QSize sheet = m_pageLayout.fullRectPoints().size();
    if (m_treeSheet.isEmpty())
        m_treeSheet = sheet;
    Pdf::Dictionary page;
    page.add("Type", Pdf::name("Page")).add("Parent", Pdf::ref(m_writer->pagesRoot()));
    if (sheet != m_treeSheet)
        page.add("MediaBox", mediaBox(sheet));
    Pdf::Dictionary fonts;
    for (const int face : m_pageFaces)
        fonts.add("F" + std::to_string(face), Pdf::ref(m_fonts->fontObject(face, *m_writer)));
    Pdf::Dictionary images;
    for (const int image : m_pageImages)
        images.add("I" + std::to_string(image), Pdf::ref(image));
    Pdf::Dictionary resources;
    if (!m_pageFaces.empty())
        resources.add("Font", fonts);
    if (!m_pageImages.empty())
        resources.add("XObject", images);
    page.add("Contents", Pdf::ref(contents)).add("Resources", resources);
    m_writer->addPage(m_writer->writeObject(page));
    m_content.clear();
    m_pageFaces.clear();
    m_pageImages.clear();
    m_pageOpen = false;
}

void PdfSurface::printText(const QString &text)
{
    PdfFonts &fonts = this->fonts();
    beginDrawing();
    if (!text.isEmpty()) {
        m_content += "BT ";
        m_content += Pdf::real(pageX(currentX()));
        m_content += ' ';
        m_content += Pdf::real(pageY(currentY() + fonts.ascent()));
        m_content += " Td";
        for (const PdfFonts::Run &run : fonts.runs(text)) {
            (void)fonts.fontObject(run.face, *m_writer);
            m_pageFaces.insert(run.face);
            m_content += " /F";
            m_content += std::to_string(run.face);
            m_content += ' ';
            m_content += Pdf::real(double(fonts.points()));
            m_content += " Tf<";
            static const char Hex[] = "0123456789abcdef";
            for (const unsigned short glyph : run.glyphs) {
                m_content += Hex[glyph >> 12];
                m_content += Hex[(glyph >> 8) & 15];
                m_content += Hex[(glyph >> 4) & 15];
                m_content += Hex[glyph & 15];
            }
            m_content += ">Tj";
        }
        m_content += " ET\n";
    }
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
    const int image = m_pictures->imageObject(picture);
    m_pageImages.insert(image);
    const std::array<double, 6> matrix =
        PdfPictures::placement(picture, pageX(x), pageY(double(y) + height), width / 20.0, height / 20.0);
    m_content += "q ";
    for (const double value : matrix) {
        m_content += Pdf::real(value);
        m_content += ' ';
    }
    m_content += "cm /I";
    m_content += std::to_string(image);
    m_content += " Do Q\n";
}

void PdfSurface::newPage()
{
    SurfaceBase::newPage();
    if (m_writer)
        m_pendingNewPage = true;
}

void PdfSurface::endDocument()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_writer) {
        if (m_target)
            m_target->discard();
        return;
    }
    try {
        endPage();
        if (m_fonts)
            m_fonts->writeFonts(*m_writer);
        m_writer->finish(info(), Pdf::Dictionary().add("MediaBox", mediaBox(m_treeSheet)), paper().pagesLastFirst);
    } catch (...) {
        m_discarded = true;
        m_target->discard();
        throw;
    }
    // What becomes of the finished document is its target's step: published, saved or sent. What
    // the target could not do it says itself, and it cleans up after itself: a job it sent to a
    // stopped queue, say, is sent all the same.
    m_target->finish({m_documentName, m_pagesWritten, orientation() == Landscape});
}

Pdf::Dictionary PdfSurface::info() const
{
    Pdf::Dictionary info;
    info.add("Creator", Pdf::text(ApplicationTitle))
        .add("Producer", Pdf::text(QStringLiteral("%1 %2").arg(ProgramName, QLatin1String(ApplicationVersion))));
    if (!m_documentName.isEmpty())
        info.add("Title", Pdf::text(m_documentName));
    info.add("CreationDate", Pdf::literal(pdfDate().toStdString()));
    return info;
}

std::optional<PdfSurface::Snapshot> PdfSurface::snapshot(int firstPage, int pageLimit)
{
    if (!m_writer || m_discarded)
        return std::nullopt;
    if (!m_finished) {
        // A page that newPage() ended takes no more drawing: writing it now writes what beginning
        // the next page would write, at the same place. The next page then finds it written.
        if (m_pendingNewPage)
            endPage();
        m_writer->flush();
    }
    const auto total = int(std::min<qint64>(m_writer->pageCount(), std::numeric_limits<int>::max()));
    if (total == 0)
        return std::nullopt;

    Snapshot snapshot;
    snapshot.length = m_writer->bytesWritten();
    snapshot.totalPages = total;
    snapshot.pages = pageLimit < 0 ? total : std::min(pageLimit, total);
    snapshot.firstPage = std::clamp(firstPage, 0, total - snapshot.pages);
    MemoryDevice tail(snapshot.ending);
    PdfWriter ending(*m_writer, tail);
    // A finished document has its fonts; one being drawn gets them as they would be now.
    if (m_fonts && !m_finished)
        m_fonts->writeFonts(ending);
    ending.finish(info(), Pdf::Dictionary().add("MediaBox", mediaBox(m_treeSheet)), paper().pagesLastFirst,
                  snapshot.firstPage, snapshot.pages);
    return snapshot;
}

void PdfSurface::discardDocument()
{
    if (m_finished)
        return;
    m_finished = true;
    m_discarded = true;
    if (m_target)
        m_target->discard();
}

PrintOutcome PdfSurface::outcome() const
{
    PrintOutcome outcome = m_target ? m_target->outcome() : PrintOutcome();
    if (m_discarded) {
        outcome.kind = PrintOutcome::Discarded;
        outcome.pages = m_pagesWritten;
    }
    return outcome;
}
