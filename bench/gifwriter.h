#pragma once

#include <QByteArray>

class QImage;

// Writes GIF files, which Qt can read but not write. The pixel data is LZW-compressed with
// variable-width codes (up to 12 bits) and a clear code whenever the code table fills, so files
// are as compact as those of common image tools.

// A GIF89a file of one frame holding an 8-bit indexed image (QImage::Format_Indexed8 with at most
// 256 colours); an empty array for any other image.
[[nodiscard]] QByteArray encodeGif(const QImage &indexed);

// The LZW code stream of a GIF frame for the given pixel indices (each below 2^minCodeSize), from
// the first clear code to the end-of-information code, packed least significant bit first and not
// yet cut into sub-blocks.
[[nodiscard]] QByteArray gifLzw(const uchar *indices, qsizetype count, int minCodeSize);
