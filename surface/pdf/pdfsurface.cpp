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
#include <charconv>
#include <limits>

namespace {

// The texts of this file, translated in the context "PrintDocument".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PrintDocument)
};

void appendReal(std::string &to, double number)
{
    const double rounded = std::round(number * 1000.0) / 1000.0;
    char text[40];
    auto end =
        std::to_chars(text, text + sizeof text, rounded == 0 ? 0.0 : rounded, std::chars_format::fixed, 3)
            .ptr;
    while (end[-1] == '0')
        --end;
    if (end[-1] == '.')
        --end;
    to.append(text, size_t(end - text));
}

void appendNumber(std::string &to, qint64 number)
{
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, number).ptr;
    to.append(text, size_t(end - text));
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
    const QRect sheet = m_pageLayout.fullRectPoints();
    std::string mediaBox = "/MediaBox[0 0 ";
    appendNumber(mediaBox, sheet.width());
    mediaBox += ' ';
    appendNumber(mediaBox, sheet.height());
    mediaBox += ']';
    if (m_treeMediaBox.empty())
        m_treeMediaBox = mediaBox;
    const int page = m_writer->beginObject();
    m_writer->write("<</Type/Page/Parent ");
    m_writer->writeNumber(m_writer->pagesRoot());
    m_writer->write(" 0 R");
    if (mediaBox != m_treeMediaBox)
        m_writer->write(mediaBox);
    m_writer->write("/Contents ");
    m_writer->writeNumber(contents);
    m_writer->write(" 0 R/Resources<<");
    if (!m_pageFaces.empty()) {
        m_writer->write("/Font<<");
        for (const int face : m_pageFaces) {
            m_writer->write("/F");
            m_writer->writeNumber(face);
            m_writer->write(" ");
            m_writer->writeNumber(m_fonts->fontObject(face, *m_writer));
            m_writer->write(" 0 R");
        }
        m_writer->write(">>");
    }
    if (!m_pageImages.empty()) {
        m_writer->write("/XObject<<");
        for (const int image : m_pageImages) {
            m_writer->write("/I");
            m_writer->writeNumber(image);
            m_writer->write(" ");
            m_writer->writeNumber(image);
            m_writer->write(" 0 R");
        }
        m_writer->write(">>");
    }
    m_writer->write(">>>>");
    m_writer->endObject();
    m_writer->addPage(page);
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
        appendReal(m_content, pageX(currentX()));
        m_content += ' ';
        appendReal(m_content, pageY(currentY() + fonts.ascent()));
        m_content += " Td";
        for (const PdfFonts::Run &run : fonts.runs(text)) {
            (void)fonts.fontObject(run.face, *m_writer);
            m_pageFaces.insert(run.face);
            m_content += " /F";
            appendNumber(m_content, run.face);
            m_content += ' ';
            appendReal(m_content, double(fonts.points()));
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
        appendReal(m_content, value);
        m_content += ' ';
    }
    m_content += "cm /I";
    appendNumber(m_content, image);
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
        m_writer->finish(infoEntries(), m_treeMediaBox);
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

std::string PdfSurface::infoEntries() const
{
    const auto textString = PdfWriter::textString;
    std::string dictionary;
    dictionary += "/Creator" + textString(ApplicationTitle);
    dictionary +=
        "/Producer" + textString(QStringLiteral("%1 %2").arg(ProgramName, QLatin1String(ApplicationVersion)));
    if (!m_documentName.isEmpty())
        dictionary += "/Title" + textString(m_documentName);
    dictionary += "/CreationDate(" + pdfDate().toStdString() + ")";
    return dictionary;
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
    ending.finish(infoEntries(), m_treeMediaBox, snapshot.firstPage, snapshot.pages);
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
