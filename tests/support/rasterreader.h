// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// Raster documents as a printer receives them, read back independently of libcups: PWG raster
// ("RaS2", a 1,796-byte header per page) and Apple raster ("UNIRAST", a 32-byte header per page),
// both with their run-length coded lines.
namespace RasterReader {

struct Page
{
    QImage image; // Grayscale8 or RGB888, the pixels as sent
    QSize dotsPerInch;
    bool duplex = false;
    bool tumble = false;
    // PWG only: how a back side was turned (-1 mirrored across the sheet or along it), the page
    // count its header gives, and the media's name.
    int crossFeedTransform = 1;
    int feedTransform = 1;
    int totalPageCount = 0;
    QString mediaName;
};

struct Document
{
    QString format;     // "pwg", "urf", or empty when the file is neither
    int pageCount = -1; // Apple raster: the page count in the file's header
    int pagesRead = 0;
    QString error; // why reading stopped early; empty when the file was read to its end
};

// Reads the file at path, handing each page to take as it is decoded (one page in memory at a
// time).
Document read(const QString &path, const std::function<void(const Page &page)> &take);

} // namespace RasterReader
