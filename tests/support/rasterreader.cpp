// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "rasterreader.h"

#include <QFile>

#include <cstring>

namespace {

quint32 bigEndian(const uchar *bytes)
{
    return (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16) | (quint32(bytes[2]) << 8) | bytes[3];
}

// The run-length coding of both formats: for each group of identical lines a repeat count (lines
// less one), then packets until the line is full: n < 128 repeats the next pixel n + 1 times,
// n > 128 is 257 - n pixels as they are, and 128 fills the rest of the line with white.
bool decodeLines(QFile &file, QImage &image, int bytesPerPixel)
{
    const int width = image.width();
    const qsizetype lineBytes = qsizetype(width) * bytesPerPixel;
    QByteArray line(lineBytes, '\0');
    int y = 0;
    while (y < image.height()) {
        char repeat = 0;
        if (!file.getChar(&repeat))
            return false;
        qsizetype filled = 0;
        while (filled < lineBytes) {
            char control = 0;
            if (!file.getChar(&control))
                return false;
            const int code = uchar(control);
            if (code == 128) {
                std::memset(line.data() + filled, 0xff, size_t(lineBytes - filled));
                filled = lineBytes;
            } else if (code < 128) {
                char pixel[4];
                if (file.read(pixel, bytesPerPixel) != bytesPerPixel)
                    return false;
                const qsizetype count = std::min<qsizetype>(code + 1, (lineBytes - filled) / bytesPerPixel);
                for (qsizetype i = 0; i < count; ++i, filled += bytesPerPixel)
                    std::memcpy(line.data() + filled, pixel, size_t(bytesPerPixel));
            } else {
                const qsizetype bytes =
                    std::min<qsizetype>(qsizetype(257 - code) * bytesPerPixel, lineBytes - filled);
                if (file.read(line.data() + filled, bytes) != bytes)
                    return false;
                filled += bytes;
            }
        }
        for (int i = 0; i <= uchar(repeat) && y < image.height(); ++i, ++y)
            std::memcpy(image.scanLine(y), line.constData(), size_t(lineBytes));
    }
    return true;
}

} // namespace

namespace RasterReader {

Document read(const QString &path, const std::function<void(const Page &)> &take)
{
    Document document;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        document.error = file.errorString();
        return document;
    }
    const QByteArray sync = file.read(4);
    if (sync == "RaS2") {
        document.format = QStringLiteral("pwg");
    } else if (sync == "UNIR" && file.read(4) == QByteArray("AST\0", 4)) {
        document.format = QStringLiteral("urf");
        const QByteArray count = file.read(4);
        if (count.size() != 4) {
            document.error = QStringLiteral("no page count");
            return document;
        }
        document.pageCount = int(bigEndian(reinterpret_cast<const uchar *>(count.constData())));
    } else {
        document.error = QStringLiteral("neither PWG nor Apple raster");
        return document;
    }
    const bool pwg = document.format == QLatin1String("pwg");
    const qint64 headerSize = pwg ? 1796 : 32;
    while (!file.atEnd()) {
        const QByteArray header = file.read(headerSize);
        if (header.size() != headerSize) {
            document.error = QStringLiteral("a page header cut short");
            return document;
        }
        const auto *const h = reinterpret_cast<const uchar *>(header.constData());
        Page page;
        int width = 0;
        int height = 0;
        int bitsPerPixel = 0;
        if (pwg) {
            page.dotsPerInch = QSize(int(bigEndian(h + 276)), int(bigEndian(h + 280)));
            page.duplex = bigEndian(h + 272) != 0;
            page.tumble = bigEndian(h + 368) != 0;
            width = int(bigEndian(h + 372));
            height = int(bigEndian(h + 376));
            bitsPerPixel = int(bigEndian(h + 388));
            page.totalPageCount = int(bigEndian(h + 452));
            page.crossFeedTransform = int(qint32(bigEndian(h + 456)));
            page.feedTransform = int(qint32(bigEndian(h + 460)));
            page.mediaName = QString::fromLatin1(header.constData() + 1732).left(64);
        } else {
            bitsPerPixel = h[0];
            page.duplex = h[2] > 1;
            page.tumble = h[2] == 2;
            width = int(bigEndian(h + 12));
            height = int(bigEndian(h + 16));
            const int dpi = int(bigEndian(h + 20));
            page.dotsPerInch = QSize(dpi, dpi);
        }
        if ((bitsPerPixel != 8 && bitsPerPixel != 24) || width <= 0 || height <= 0 || width > 20000 ||
            height > 20000) {
            document.error = QStringLiteral("page %1: %2 x %3 pixels of %4 bits")
                                 .arg(document.pagesRead + 1)
                                 .arg(width)
                                 .arg(height)
                                 .arg(bitsPerPixel);
            return document;
        }
        page.image =
            QImage(width, height, bitsPerPixel == 8 ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
        if (!decodeLines(file, page.image, bitsPerPixel / 8)) {
            document.error = QStringLiteral("page %1 cut short").arg(document.pagesRead + 1);
            return document;
        }
        ++document.pagesRead;
        take(page);
    }
    return document;
}

} // namespace RasterReader
