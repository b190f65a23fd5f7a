// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QSize>

class QImage;

// Writes GIF files, which Qt can read but not write. The pixel data is LZW-compressed with
// variable-width codes (up to 12 bits) and a clear code whenever the code table fills, so files
// are as compact as those of common image tools.

// A GIF89a file of one frame holding an 8-bit indexed image (QImage::Format_Indexed8 with at most
// 256 colours); an empty array for any other image.
[[nodiscard]] QByteArray encodeGif(const QImage &indexed);

// A GIF89a file of one frame that says it is size pixels large, with the given colour table (1 to
// 256 colours), whose image data codes the given pixel indices (each below colours.size()), row
// after row; an empty array for a size or table that GIF cannot hold. encodeGif passes an image's
// own pixels; fewer make a file that claims more than it carries, as a cut or crafted one does.
[[nodiscard]] QByteArray gifFile(QSize size, const QList<QRgb> &colours, const uchar *indices,
                                 qsizetype count);

// The LZW code stream of a GIF frame for the given pixel indices (each below 2^minCodeSize), from
// the first clear code to the end-of-information code, packed least significant bit first and not
// yet cut into sub-blocks.
[[nodiscard]] QByteArray gifLzw(const uchar *indices, qsizetype count, int minCodeSize);
