// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
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
// Besides, what libjpeg reads only by filling in: component ids named twice in the frame header
// or in one scan (libjpeg makes up others), and Huffman tables a scan uses that the file never
// defined (Motion-JPEG frames leave the standard ones out; libjpeg puts them in).
struct JpegLayout
{
    PictureDefect defect = PictureDefect::None;
    QSize size;
    int scans = 0;
    bool repeatedComponents = false;
    // Where a scan uses tables 0 or 1 that no table segment before it defined: the offset of its
    // marker and the tables (bit 0: DC 0, 1: DC 1, 2: AC 0, 3: AC 1).
    std::vector<std::pair<qsizetype, unsigned>> missingTables;
};
[[nodiscard]] JpegLayout jpegLayout(QByteArrayView data);

// The JPEG with the standard Huffman tables that its scans use without defining them put in, as a
// table segment right before each such scan: what libjpeg decodes, now in the file for every
// reader. A lossless repair: the coded data is untouched.
[[nodiscard]] QByteArray withStandardTables(QByteArrayView data, const JpegLayout &layout);

// The largest picture, in pixels, that is printed: what the image reader's allocation limit allows
// at four bytes a pixel.
[[nodiscard]] qint64 maxPicturePixels();
// Throws error 303 naming the file when a picture of that size, as the document would declare it,
// is larger than maxPicturePixels().
void refuseIfTooLarge(QSize pixels, const QString &path);

// PNG: the chunks up to the end chunk, each within the file.
[[nodiscard]] PictureDefect pngDefect(QByteArrayView data);

// A PNG whose compressed pixels PDF's Flate filter reads as they stand, with the PNG predictors:
// not interlaced, no alpha channel, no transparency chunk. It is embedded as its own picture data.
struct PngData
{
    QByteArray data; // the IDAT chunks' zlib stream, as the file has it
    QSize pixels;
    int bits = 8;       // a sample
    int colours = 3;    // samples a pixel: 1 (grey, or a palette index) or 3 (RGB)
    QByteArray palette; // RGB triples, for a palette picture
};

// The picture data of a PNG that PDF's Flate filter and PNG predictors read as they stand: not
// interlaced, grey, RGB or a palette, no transparency chunk. Nothing where the PNG is not such a
// one. Whether the data holds every row is libpng's to prove (provePng).
[[nodiscard]] std::optional<PngData> pngPassThrough(QByteArrayView data);

// BMP, read the way Qt's reader reads it; run-length coded pixels must cover every pixel.
[[nodiscard]] PictureDefect bmpDefect(QByteArrayView data);

// Throws the PrintError for a defect the walk found or the decoder met, naming the file.
[[noreturn]] void refusePicture(PictureDefect defect, const QString &path);
