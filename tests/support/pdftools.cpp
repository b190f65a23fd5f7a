// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdftools.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

namespace PdfTools {

bool available()
{
    for (const char *tool : {"pdfinfo", "pdftotext", "pdfimages", "pdftoppm"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    return true;
}

int pageCount(const QString &pdf)
{
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(run(QStringLiteral("pdfinfo"), {pdf}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString pageSize(const QString &pdf)
{
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^Page size:\\s+([\\d.]+ x [\\d.]+)"),
                           QRegularExpression::MultilineOption)
            .match(run(QStringLiteral("pdfinfo"), {pdf}));
    return match.captured(1);
}

QRectF mediaBox(const QString &pdf)
{
    const QRegularExpressionMatch match =
        QRegularExpression(
            QStringLiteral("^MediaBox:\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)"),
            QRegularExpression::MultilineOption)
            .match(run(QStringLiteral("pdfinfo"), {QStringLiteral("-box"), pdf}));
    if (!match.hasMatch())
        return QRectF();
    const auto at = [&match](int n) { return match.captured(n).toDouble(); };
    return QRectF(QPointF(at(1), at(2)), QPointF(at(3), at(4)));
}

QString text(const QString &pdf, double pitch)
{
    return run(QStringLiteral("pdftotext"),
               {QStringLiteral("-fixed"), QString::number(pitch), pdf, QStringLiteral("-")});
}

QList<Word> words(const QString &pdf)
{
    const QString boxes = run(QStringLiteral("pdftotext"),
                              {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                               QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([-\\d.]+)\" yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" "
                       "yMax=\"([-\\d.]+)\">([^<]*)</word>"));
    QList<Word> found;
    for (const QRegularExpressionMatch &match : word.globalMatch(boxes)) {
        const QPointF from(match.captured(1).toDouble(), match.captured(2).toDouble());
        const QPointF to(match.captured(3).toDouble(), match.captured(4).toDouble());
        found.append({QRectF(from, to), match.captured(5)});
    }
    return found;
}

bool textRunsAlongHeight(const QString &pdf)
{
    // Upright lines of text share their y and spread over many x; turned lines the other way
    // round. Count the distinct (whole-point) positions of the word centres each way.
    QSet<int> xs;
    QSet<int> ys;
    for (const Word &word : words(pdf)) {
        xs.insert(qRound(word.box.center().x()));
        ys.insert(qRound(word.box.center().y()));
    }
    return xs.size() < ys.size();
}

QStringList images(const QString &pdf)
{
    QStringList rows =
        run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n', Qt::SkipEmptyParts);
    return rows.mid(2);
}

QImage renderFirstPage(const QString &pdf, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                                     QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                     QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, base});
    return QImage(base + QStringLiteral(".png"));
}

QList<QImage> renderPages(const QString &pdf, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), pdf, base});
    QList<QImage> pages;
    // pdftoppm numbers the files with as many digits as the last page number has.
    QStringList files = QDir(dir.path()).entryList({QStringLiteral("page-*.png")}, QDir::Files, QDir::Name);
    std::sort(files.begin(), files.end(), [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const QString &file : files)
        pages << QImage(dir.filePath(file));
    return pages;
}

QImage renderPage(const QString &pdf, int page, int dpi, Renderer renderer)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("page.png"));
    if (renderer == Renderer::Poppler) {
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
             QString::number(page), QStringLiteral("-l"), QString::number(page),
             QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("page"))});
    } else if (renderer == Renderer::Mupdf) {
        run(QStringLiteral("mutool"),
            {QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-r"), QString::number(dpi),
             QStringLiteral("-o"), file, pdf, QString::number(page)});
    } else {
        run(QStringLiteral("gs"),
            {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
             QStringLiteral("-dNOPAUSE"), QStringLiteral("-sDEVICE=png16m"), QStringLiteral("-r%1").arg(dpi),
             QStringLiteral("-dFirstPage=%1").arg(page), QStringLiteral("-dLastPage=%1").arg(page),
             QStringLiteral("-sOutputFile=") + file, pdf});
    }
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

QString rendererName(Renderer renderer)
{
    return renderer == Renderer::Poppler ? QStringLiteral("poppler")
           : renderer == Renderer::Mupdf ? QStringLiteral("mupdf")
                                         : QStringLiteral("gs");
}

QString qpdfComplaints(const QString &pdf)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
    if (!process.waitForFinished(120000))
        return QStringLiteral("qpdf did not finish");
    const QString said = QString::fromUtf8(process.readAll());
    const bool clean = process.exitCode() == 0 &&
                       said.contains(QLatin1String("No syntax or stream encoding errors found")) &&
                       !said.contains(QLatin1String("WARNING"), Qt::CaseInsensitive);
    return clean ? QString() : said;
}

double differingShare(const QImage &a, const QImage &b, int levels)
{
    if (a.size() != b.size() || a.isNull())
        return 1;
    const QImage first = a.convertToFormat(QImage::Format_RGB32);
    const QImage second = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    for (int y = 0; y < first.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(first.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(second.constScanLine(y));
        for (int x = 0; x < first.width(); ++x) {
            if (std::abs(qRed(p[x]) - qRed(q[x])) > levels ||
                std::abs(qGreen(p[x]) - qGreen(q[x])) > levels ||
                std::abs(qBlue(p[x]) - qBlue(q[x])) > levels)
                ++differing;
        }
    }
    return double(differing) / (double(first.width()) * first.height());
}

QStringList pageTexts(const QString &pdf)
{
    QStringList pages =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast(); // after the last page's form feed
    return pages;
}

} // namespace PdfTools
