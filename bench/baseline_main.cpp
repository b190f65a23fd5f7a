// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// lstbench-baseline: the cost of writing the pages. It writes the same pages as a print run of a
// generated folder (same text lines, logo, pictures, footer, font and positions) straight through
// QPdfWriter at 1,440 dpi: no list file is read, no grid is built and no file is looked up. The
// text is worked out from the data set options before the clock starts; each distinct picture is
// decoded once when first drawn and, when they all fit in the picture loader's cache budget, drawn
// again from the same QImage, so the PDF embeds it once, losslessly for GIF and PNG.
#include "benchreport.h"
#include "dataset.h"
#include "pagetext.h"
#include "qtpdf.h"

#include "application.h"
#include "pagelayout.h"
#include "pdfsurface.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>

namespace {

const char Usage[] =
    "usage: lstbench-baseline [data set options of lstbench-gen] [--out FILE.pdf]\n"
    "                         [--date YYYY-MM-DD] FOLDER\n"
    "Writes the pages of the data set in FOLDER (made by lstbench-gen with the same options)\n"
    "straight through QPdfWriter, by default to FOLDER/lstbench-baseline.pdf, and writes one\n"
    "'lstbench program=baseline ...' line.\n";

// The same budget as the print run's picture cache.
constexpr qint64 CacheBytes = 64 * 1024 * 1024;

QImage decode(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

} // namespace

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    DataSetOptions options;
    if (const auto problem = DataSetOptions::take(arguments, options)) {
        std::fprintf(stderr, "lstbench-baseline: %s\n%s", qPrintable(*problem), Usage);
        return 2;
    }
    QString out;
    QDate date = QDate::currentDate();
    QString folder;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--out") && i + 1 < arguments.size()) {
            out = arguments[++i];
        } else if (arguments[i] == QLatin1String("--date") && i + 1 < arguments.size()) {
            date = QDate::fromString(arguments[++i], Qt::ISODate);
        } else if (folder.isEmpty() && !arguments[i].startsWith(QLatin1Char('-'))) {
            folder = arguments[i];
        } else {
            folder.clear();
            break;
        }
    }
    if (folder.isEmpty() || !date.isValid()) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const QDir dir(folder);
    if (out.isEmpty())
        out = dir.filePath(QStringLiteral("lstbench-baseline.pdf"));

    // Before the clock: every page's grid lines and picture.
    const int pairsPerRow = PageLayout::PortraitPairsPerRow;
    const QStringList keys = DataSet::fieldNames(options.fields);
    QStringList lines;
    QList<int> linesPerPage;
    for (qint64 record = 0; record < options.records; ++record) {
        const QStringList page =
            PageText::gridLines(keys, DataSet::recordValues(options, record), pairsPerRow);
        lines += page;
        linesPerPage << int(page.size());
    }
    QStringList picturePaths;
    for (int i = 0; i < options.pictures; ++i)
        picturePaths << dir.filePath(DataSet::pictureName(options, i));
    const bool keepPictures =
        qint64(options.pictures) * options.pictureSize.width() * options.pictureSize.height() * 4 <=
        CacheBytes;
    const bool picturesLossless = options.format != "jpeg";

    BenchReport report;
    report.program = QStringLiteral("baseline");
    const double cpuStart = processCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    {
        // The process setting the real surface makes before its first page.
        keepPdfBuffersInHeap();
        QFile file(out);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "lstbench-baseline: cannot write %s\n", qPrintable(out));
            return 1;
        }
        QPdfWriter writer(&file);
        writer.setResolution(PdfSurface::Resolution);
        writer.setCreator(ApplicationTitle);
        writer.setTitle(DataSet::ListFileName);
        const QPageLayout layout = benchPageLayout();
        writer.setPageLayout(layout);
        const QRect paintRect = layout.paintRectPixels(PdfSurface::Resolution);
        const float scaleWidth = float(paintRect.width());
        const float scaleHeight = float(paintRect.height());

        QPainter painter(&writer);
        const QFont font = fixedPitchFont(QStringLiteral("courier"), 8);
        painter.setFont(font);
        const QFontMetricsF metrics(font, &writer);
        const double ascent = metrics.ascent();
        const float lineHeight = float(metrics.lineSpacing());
        QHash<qsizetype, float> footerWidths; // by length: the font is fixed-pitch

        const QImage logo = options.logo ? decode(dir.filePath(DataSet::LogoFileName)) : QImage();
        QList<QImage> pictures(keepPictures ? options.pictures : 0);

        auto text = [&](float x, float &y, const QString &line) {
            painter.drawText(QPointF(x, double(y) + ascent), line);
            y += lineHeight;
        };

        qsizetype nextLine = 0;
        for (qint64 record = 0; record < options.records; ++record) {
            if (record > 0)
                writer.newPage();
            float y = 0;
            if (!logo.isNull()) {
                const float logoHeight = float(logo.height()) * PageLayout::TwipsPerPixel;
                painter.setRenderHint(QPainter::LosslessImageRendering, true);
                painter.drawImage(QRectF(0, 0, float(logo.width()) * PageLayout::TwipsPerPixel, logoHeight),
                                  logo);
                y = logoHeight + PageLayout::LogoGap;
            }
            for (int i = 0; i < linesPerPage[record]; ++i)
                text(0, y, lines[nextLine++]);

            if (const int index = DataSet::pictureOf(options, record); index >= 0) {
                QImage picture = keepPictures ? pictures[index] : QImage();
                if (picture.isNull()) {
                    picture = decode(picturePaths[index]);
                    if (keepPictures)
                        pictures[index] = picture;
                }
                y += PageLayout::PictureGap;
                // Fit in Page, by the print run's rule.
                float width = float(picture.width()) * PageLayout::TwipsPerPixel;
                float height = float(picture.height()) * PageLayout::TwipsPerPixel;
                if (scaleWidth - PageLayout::FitRightMargin < width)
                    width = scaleWidth - PageLayout::FitRightMargin;
                if (scaleHeight - y - PageLayout::FitBottomThreshold < height)
                    height = scaleHeight - y - PageLayout::FitBottomMargin;
                if (width > 0 && height > 0) {
                    painter.setRenderHint(QPainter::LosslessImageRendering, picturesLossless);
                    painter.drawImage(QRectF(0, y, width, height), picture);
                }
            }

            y = scaleHeight - PageLayout::FooterAboveBottom;
            if (logo.isNull())
                text(0, y, QStringLiteral("Quillmarsh"));
            const QString footer = PageText::footer(date, record + 1);
            auto width = footerWidths.find(footer.size());
            if (width == footerWidths.end())
                width = footerWidths.insert(footer.size(), float(metrics.horizontalAdvance(footer)));
            text(scaleWidth - *width, y, footer);
        }
        painter.end();
        file.close();
        report.pages = options.records;
    }
    report.seconds = double(timer.nsecsElapsed()) / 1e9;
    report.cpuSeconds = processCpuSeconds() - cpuStart;
    report.records = options.records;
    report.peakRssKiB = peakRssKiB();
    report.outputBytes = QFileInfo(out).size();
    std::printf("%s\n", qPrintable(report.toLine()));
    return 0;
}
