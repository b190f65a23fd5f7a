// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArrayView>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

// What the loader knows about a picture file before any decoder sees it: its format, from the
// signature it starts with, and whether its own structure holds all of the picture. Qt's decoders
// give back a picture "successfully" read from a file that was cut short or that skips pixels,
// with the missing part blank, grey or (BMP) left as whatever the memory held; these walks find
// such files first.

// Numbers in a file's bytes; the caller keeps at + bytes within the data.
inline uint byteAt(QByteArrayView data, qsizetype at)
{
    return static_cast<unsigned char>(data[at]);
}

inline quint32 littleEndian(QByteArrayView data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | byteAt(data, at + i);
    return value;
}

inline quint32 bigEndian(QByteArrayView data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | byteAt(data, at + i);
    return value;
}

enum class PictureFormat
{
    Gif,
    Png,
    Jpeg,
    Bmp,
};

// What the walk over a file's own structure finds before it is decoded.
enum class PictureDefect
{
    None,
    CutShort,     // the file ends inside the picture's data
    Incomplete,   // the picture's data, whole as a file, stops short of the last pixel or skips some
    Damaged,      // the picture's data is not valid (runs past a row's end, an impossible code)
    TooManyScans, // a progressive JPEG with more scans than MaxJpegScans
};

// A progressive JPEG sends its picture in scans, each refining what the ones before sent, and the
// decoder goes over every block of the picture once per scan, however few bytes the scan has:
// 20,000 copies of one 53-byte scan of an 8000 x 4000 picture took 55 s to decode. Encoders write
// 6 to 12 scans; even sending each of the 64 coefficients of each of three colour components in a
// scan of its own takes 192. A file with more scans than this is refused. At 8000 x 4000 pixels,
// the largest picture the allocation limit allows, this many scans took 1.1 s to decode when
// they were 53 bytes each, and 9 s when each was a full three-component DC scan of 190 KB.
inline constexpr int MaxJpegScans = 256;

// The format, from the signature every file of it starts with, and nothing else: neither the
// name's suffix nor a guess from the content. Any other format Qt has a plugin for (SVG, which
// loads whatever files its content names, ICO, XPM, ...) is never handed to Qt at all.
[[nodiscard]] std::optional<PictureFormat> pictureFormatOf(QByteArrayView data);

// GIF: the blocks up to the first image (the one that is printed) and that image's LZW data,
// decoded far enough to count its pixels.
[[nodiscard]] PictureDefect gifDefect(QByteArrayView data);

// JPEG: the segments up to the end-of-image marker, counting the scans; the first frame header
// gives the picture's size.
struct JpegLayout
{
    PictureDefect defect = PictureDefect::None;
    QSize size;
    int scans = 0;
};
[[nodiscard]] JpegLayout jpegLayout(QByteArrayView data);

// PNG: the chunks up to the end chunk, each within the file.
[[nodiscard]] PictureDefect pngDefect(QByteArrayView data);

// What a PNG says about its colours, in the chunks before its picture data.
struct PngColourChunks
{
    QByteArrayView compressedProfile;   // iCCP's zlib data, within the file's data
    bool srgb = false;                  // an sRGB chunk
    double gamma = 0;                   // gAMA, 0 where there is none
    std::vector<double> chromaticities; // cHRM: white x, y, red, green, blue
};
[[nodiscard]] PngColourChunks pngColourChunks(QByteArrayView data);

// The picture data of a PNG that PDF's Flate filter and PNG predictors read as they stand: not
// interlaced, grey, RGB or a palette, no transparency chunk; its zlib stream inflated holds every
// row, each with a filter type PNG knows. Nothing where the PNG is not such a one.
struct PngData;
[[nodiscard]] std::optional<PngData> pngPassThrough(QByteArrayView data);

// BMP, read the way Qt's reader reads it; run-length coded pixels must cover every pixel.
[[nodiscard]] PictureDefect bmpDefect(QByteArrayView data);

// Throws the PrintError for a defect the walk found or the decoder met, naming the file.
[[noreturn]] void refusePicture(PictureDefect defect, const QString &path);
