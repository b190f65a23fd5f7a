#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

// Decodes a JPEG with libjpeg, in one pass, into the image Qt's own reader would give (grey, or
// RGB32 for colour and CMYK, turned as its Exif orientation says, with its ICC profile). Unlike Qt's
// reader it refuses data that runs out before the last pixel (libjpeg's warning, which Qt only
// logs) and a progressive JPEG of more than MaxJpegScans scans. Throws PrintError naming path.
[[nodiscard]] QImage decodeJpeg(QByteArrayView data, const QString &path);
