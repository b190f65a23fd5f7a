// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

// Decodes a JPEG with libjpeg, in one pass, into the image Qt's own reader would give (grey, or
// RGB32 for colour and CMYK, turned as its Exif orientation says, with its ICC profile). Unlike Qt's
// reader it refuses data that runs out before the last pixel (libjpeg's warning, which Qt only
// logs) and a progressive JPEG of more than MaxJpegScans scans. Throws PrintError naming path.
[[nodiscard]] QImage decodeJpeg(QByteArrayView data, const QString &path);

// What a JPEG's headers say, as libjpeg reads them up to the first scan, without decoding the
// picture.
struct JpegHeader
{
    bool read = false;        // libjpeg read the headers
    bool passThrough = false; // 8-bit, Huffman coded, with one, three or four components it knows
    QSize pixels;             // as coded
    int components = 0;
    bool transformed = true; // YCbCr or YCCK, rather than RGB or CMYK
    bool inverted = false;   // an Adobe marker on four components: CMYK stored inverted
    int orientation = 1;     // Exif, 1 to 8
    QByteArray iccProfile;   // as the APP2 segments carry it
};
[[nodiscard]] JpegHeader readJpegHeader(QByteArrayView data);
