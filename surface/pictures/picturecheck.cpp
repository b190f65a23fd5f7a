// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "picturecheck.h"

#include "picture.h"
#include "printerror.h"

#include <algorithm>
#include <vector>

#include <array>
#include <cstdlib>
#include <zlib.h>

#include <QCoreApplication>

namespace {

// The texts of this file, translated in the context "Picture".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Picture)
};

// The codes of one GIF image's LZW data, from its sub-blocks, least significant bit first.
class LzwCodes
{
public:
    LzwCodes(QByteArrayView data, qsizetype at) : m_data(data), m_at(at) {}

    // The next code of width bits, or -1 where the sub-blocks end before it.
    int next(int width)
    {
        while (m_bitCount < width) {
            if (m_blockLeft == 0) {
                if (m_ended || m_at >= m_data.size() || byteAt(m_data, m_at) == 0) {
                    m_ended = true;
                    return -1;
                }
                m_blockLeft = int(byteAt(m_data, m_at++));
            }
            if (m_at >= m_data.size()) {
                m_ended = true;
                return -1;
            }
            m_bits |= byteAt(m_data, m_at++) << m_bitCount;
            m_bitCount += 8;
            --m_blockLeft;
        }
        const int code = int(m_bits & ((1u << width) - 1));
        m_bits >>= width;
        m_bitCount -= width;
        return code;
    }

    // Whether the rest of the sub-blocks and their terminator are in the file.
    bool restIsThere()
    {
        m_at += m_blockLeft;
        for (;;) {
            if (m_at >= m_data.size())
                return false;
            const uint length = byteAt(m_data, m_at++);
            if (length == 0)
                return true;
            m_at += length;
        }
    }

private:
    QByteArrayView m_data;
    qsizetype m_at;
    int m_blockLeft = 0;
    bool m_ended = false;
    quint32 m_bits = 0;
    int m_bitCount = 0;
};

// One GIF image's LZW data, decoded only far enough to count the pixels it gives: data that stops
// (with an end code or where its sub-blocks end) before the image's last pixel leaves the rest of
// the image blank, however properly its blocks are closed.
PictureDefect gifImageDefect(QByteArrayView data, qsizetype at, qint64 pixels, uint minimumCodeSize)
{
    if (minimumCodeSize < 1 || minimumCodeSize > 11)
        return PictureDefect::Damaged;
    constexpr int MaxCodes = 4096;
    const int clear = 1 << minimumCodeSize;
    const int end = clear + 1;
    std::array<quint16, MaxCodes> length{}; // pixels each code stands for
    std::fill_n(length.begin(), clear, quint16(1));
    int width = int(minimumCodeSize) + 1;
    int nextCode = clear + 2;
    int previous = -1; // no code since the last clear code
    qint64 count = 0;
    LzwCodes codes(data, at);
    while (count < pixels) {
        const int code = codes.next(width);
        if (code < 0 || code == end)
            break;
        if (code == clear) {
            width = int(minimumCodeSize) + 1;
            nextCode = clear + 2;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code >= clear)
                return PictureDefect::Damaged; // the first code after a clear code is a single pixel
            count += 1;
            previous = code;
            continue;
        }
        if (code > nextCode)
            return PictureDefect::Damaged; // a code not in the table yet
        const int added = length[previous] + 1;
        count += code == nextCode ? added : length[code];
        if (nextCode < MaxCodes) {
            length[nextCode++] = quint16(added);
            if (nextCode == (1 << width) && width < 12)
                ++width;
        }
        previous = code;
    }
    if (!codes.restIsThere())
        return PictureDefect::CutShort;
    return count < pixels ? PictureDefect::Incomplete : PictureDefect::None;
}

// A BMP's pixel runs (compression 1: RLE8, 2: RLE4) must cover every pixel exactly once, in
// order. Qt's reader writes runs where they say and leaves every pixel they skip unwritten: an end
// of line or of the picture before the last pixel, a jump, data that stops. Those pixels would
// show whatever the memory held before. Runs past a row's end spill into the row before it.
PictureDefect bmpRunsDefect(QByteArrayView runs, qint64 width, qint64 height, uint bitsPerPixel)
{
    qint64 x = 0;
    qint64 y = 0; // rows from the bottom, as they are stored
    qsizetype at = 0;
    bool endMarker = false;
    while (y < height && !endMarker) {
        if (at + 2 > runs.size())
            return y * width + x < width * height ? PictureDefect::CutShort : PictureDefect::None;
        const uint count = byteAt(runs, at);
        const uint value = byteAt(runs, at + 1);
        at += 2;
        if (count > 0) { // a run of count pixels, all from value
            if (x + count > width)
                return PictureDefect::Damaged;
            x += count;
        } else if (value == 0) { // end of line
            if (x < width)
                return PictureDefect::Incomplete;
            x = 0;
            ++y;
        } else if (value == 1) { // end of the picture
            endMarker = true;
        } else if (value == 2) { // a jump right and up, leaving the pixels between unwritten
            if (at + 2 > runs.size())
                return PictureDefect::CutShort;
            if (byteAt(runs, at) != 0 || byteAt(runs, at + 1) != 0)
                return PictureDefect::Incomplete;
            at += 2;
        } else { // value pixels given one by one, padded to a 16-bit boundary
            if (x + value > width)
                return PictureDefect::Damaged;
            const qsizetype bytes = bitsPerPixel == 8 ? value : (value + 1) / 2;
            if (at + bytes > runs.size())
                return PictureDefect::CutShort;
            at = std::min(runs.size(), at + bytes + (bytes & 1));
            x += value;
        }
    }
    return y * width + x < width * height ? PictureDefect::Incomplete : PictureDefect::None;
}

} // namespace

std::optional<PictureFormat> pictureFormatOf(QByteArrayView data)
{
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return PictureFormat::Gif;
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return PictureFormat::Png;
    if (data.startsWith("\xFF\xD8\xFF"))
        return PictureFormat::Jpeg;
    if (data.startsWith("BM"))
        return PictureFormat::Bmp;
    return std::nullopt;
}

// GIF: the blocks up to the first image (the one that is printed) and that image's data. A
// missing trailer after it loses nothing.
PictureDefect gifDefect(QByteArrayView data)
{
    const auto colourTable = [](uint packed) { return (packed & 0x80) ? 3 * (2 << (packed & 7)) : 0; };
    qsizetype at = 13;
    if (data.size() < at)
        return PictureDefect::CutShort;
    at += colourTable(byteAt(data, 10));
    const auto skipSubBlocks = [&data, &at] {
        for (;;) {
            if (at >= data.size())
                return false;
            const uint length = byteAt(data, at++);
            if (length == 0)
                return true;
            at += length;
        }
    };
    for (;;) {
        if (at >= data.size())
            return PictureDefect::CutShort;
        const uint kind = byteAt(data, at++);
        if (kind == 0x2C) { // image descriptor, its colour table, the LZW code size, the data
            if (at + 10 > data.size())
                return PictureDefect::CutShort;
            const qint64 pixels = qint64(littleEndian(data, at + 4, 2)) * littleEndian(data, at + 6, 2);
            at += 9;
            at += colourTable(byteAt(data, at - 1));
            if (at >= data.size())
                return PictureDefect::CutShort;
            const uint minimumCodeSize = byteAt(data, at++);
            return gifImageDefect(data, at, pixels, minimumCodeSize);
        }
        if (kind != 0x21) // the trailer or something unknown: no image data here to be missing
            return PictureDefect::None;
        ++at; // extension label
        if (!skipSubBlocks())
            return PictureDefect::CutShort;
    }
}

// JPEG: segment by segment, through the entropy-coded data after each start of scan, up to the
// end-of-image marker (bytes after it do not matter), counting the scans. The first frame header
// gives the picture's size.
JpegLayout jpegLayout(QByteArrayView data)
{
    JpegLayout layout;
    const char *const begin = data.data();
    const char *const end = begin + data.size();
    qsizetype at = 2;
    const auto finish = [&layout](PictureDefect defect) {
        layout.defect = defect;
        return layout;
    };
    for (;;) {
        // The decoder skips stray bytes before a marker, and any number of fill bytes.
        at = std::find(begin + at, end, '\xFF') - begin;
        while (at < data.size() && byteAt(data, at) == 0xFF)
            ++at;
        if (at >= data.size())
            return finish(PictureDefect::CutShort);
        const uint marker = byteAt(data, at++);
        if (marker == 0xD9)
            return finish(PictureDefect::None);
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length follows
        if (at + 2 > data.size())
            return finish(PictureDefect::CutShort);
        const qsizetype length = qsizetype(bigEndian(data, at, 2));
        if (length < 2)
            return finish(PictureDefect::None); // broken rather than cut short: the decoder reports it
        const bool frameHeader =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frameHeader && layout.size.isEmpty() && length >= 7 && at + 7 <= data.size())
            layout.size = QSize(int(bigEndian(data, at + 5, 2)), int(bigEndian(data, at + 3, 2)));
        at += length;
        if (at > data.size())
            return finish(PictureDefect::CutShort);
        if (marker != 0xDA)
            continue;
        if (++layout.scans > MaxJpegScans)
            return finish(PictureDefect::TooManyScans);
        // Entropy-coded data runs to the next marker; FF 00 is a data byte and FF D0..D7 a restart.
        for (;;) {
            at = std::find(begin + at, end, '\xFF') - begin;
            if (at + 1 >= data.size())
                return finish(PictureDefect::CutShort);
            const uint next = byteAt(data, at + 1);
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
                at += 2;
            else if (next == 0xFF)
                ++at;
            else
                break;
        }
    }
}

// PNG: chunk by chunk up to the end chunk, each within the file. libpng takes a chunk's stated
// length at its word and allocates that much before reading it: a text chunk claiming 1.6 GB in a
// file of 310 bytes made it ask for 1.6 GB. What is missing from the end chunk on loses nothing.
PictureDefect pngDefect(QByteArrayView data)
{
    qsizetype at = 8;
    for (;;) {
        if (at + 8 > data.size())
            return PictureDefect::CutShort;
        const qint64 length = bigEndian(data, at, 4);
        if (data.sliced(at + 4, 4) == "IEND")
            return PictureDefect::None;
        if (length > 0x7FFFFFFF)
            return PictureDefect::Damaged; // more than PNG allows
        at += 12 + length;
        if (at > data.size())
            return PictureDefect::CutShort;
    }
}

PngColourChunks pngColourChunks(QByteArrayView data)
{
    // Walked only once pngDefect() found every chunk within the file.
    PngColourChunks colour;
    for (qsizetype at = 8; at + 12 <= data.size();) {
        const qint64 length = bigEndian(data, at, 4);
        const QByteArrayView type = data.sliced(at + 4, 4);
        if (length > data.size() - at - 12 || type == "IDAT" || type == "IEND")
            break;
        const QByteArrayView body = data.sliced(at + 8, length);
        if (type == "iCCP") {
            // A name of 1 to 79 bytes, its terminating zero, the method (0, zlib), the profile.
            const qsizetype end = body.indexOf('\0');
            if (end > 0 && end + 2 <= body.size() && byteAt(body, end + 1) == 0)
                colour.compressedProfile = body.sliced(end + 2);
        } else if (type == "sRGB" && length == 1) {
            colour.srgb = true;
        } else if (type == "gAMA" && length == 4) {
            colour.gamma = double(bigEndian(body, 0, 4)) / 100000.0;
        } else if (type == "cHRM" && length == 32) {
            colour.chromaticities.clear();
            for (int i = 0; i < 8; ++i)
                colour.chromaticities.push_back(double(bigEndian(body, 4 * i, 4)) / 100000.0);
        }
        at += 12 + length;
    }
    return colour;
}

std::optional<PngData> pngPassThrough(QByteArrayView data)
{
    // Walked only once pngDefect() found every chunk within the file.
    PngData png;
    bool transparency = false;
    qint64 width = 0;
    qint64 height = 0;
    uint colourType = 0;
    for (qsizetype at = 8; at + 12 <= data.size();) {
        const qint64 length = bigEndian(data, at, 4);
        const QByteArrayView type = data.sliced(at + 4, 4);
        if (length > data.size() - at - 12)
            return std::nullopt;
        const QByteArrayView body = data.sliced(at + 8, length);
        if (type == "IHDR") {
            if (length != 13 || byteAt(body, 10) != 0 || byteAt(body, 11) != 0 || byteAt(body, 12) != 0)
                return std::nullopt; // another compression or filter method, or interlaced
            width = bigEndian(body, 0, 4);
            height = bigEndian(body, 4, 4);
            png.bits = int(byteAt(body, 8));
            colourType = byteAt(body, 9);
        } else if (type == "PLTE") {
            png.palette = body.toByteArray();
        } else if (type == "tRNS") {
            transparency = true;
        } else if (type == "IDAT") {
            png.data += body.toByteArray();
        } else if (type == "IEND") {
            break;
        }
        at += 12 + length;
    }
    const bool knownBits =
        colourType == 0 ? (png.bits == 1 || png.bits == 2 || png.bits == 4 || png.bits == 8 || png.bits == 16)
        : colourType == 2 ? (png.bits == 8 || png.bits == 16)
        : colourType == 3 ? (png.bits == 1 || png.bits == 2 || png.bits == 4 || png.bits == 8)
                          : false;
    if (!knownBits || transparency || width <= 0 || height <= 0 || width > 0x7FFFFFFF ||
        height > 0x7FFFFFFF || png.data.isEmpty() ||
        (colourType == 3 && (png.palette.isEmpty() || png.palette.size() % 3 != 0)))
        return std::nullopt;
    png.colours = colourType == 2 ? 3 : 1;
    if (colourType != 3)
        png.palette.clear();
    png.pixels = QSize(int(width), int(height));

    // Every row there, each a filter type byte and its samples, and nothing after the last.
    const qint64 rowBytes = (width * png.colours * png.bits + 7) / 8;
    const qint64 expected = height * (rowBytes + 1);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef *>(png.data.data());
    stream.avail_in = uInt(png.data.size());
    std::vector<unsigned char> chunk(64 * 1024);
    qint64 produced = 0;
    int status = Z_OK;
    bool filtersKnown = true;
    while (status == Z_OK && filtersKnown) {
        stream.next_out = chunk.data();
        stream.avail_out = uInt(chunk.size());
        status = inflate(&stream, Z_NO_FLUSH);
        const qint64 got = qint64(chunk.size() - stream.avail_out);
        for (qint64 row = (produced + rowBytes) / (rowBytes + 1) * (rowBytes + 1); row < produced + got;
             row += rowBytes + 1) {
            if (row >= produced && chunk[size_t(row - produced)] > 4)
                filtersKnown = false;
        }
        produced += got;
        if (produced > expected)
            break;
        if (status == Z_OK && got == 0 && stream.avail_in == 0)
            break; // the data ends before the stream does
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || produced != expected || !filtersKnown)
        return std::nullopt; // decoded instead, so that Qt's reader and the checks speak
    return png;
}

// BMP, read the way Qt's reader reads it: the headers, the colour masks and table, then the pixel
// data from the data offset, or from the end of the colour table if the offset points before it.
// Uncompressed rows must all be there: Qt's reader stops at the first row that is short and
// leaves it and the rows after it unwritten.
PictureDefect bmpDefect(QByteArrayView data)
{
    constexpr qsizetype FileHeader = 14;
    if (data.size() < FileHeader + 4)
        return PictureDefect::CutShort;
    const qint64 offset = qint32(littleEndian(data, 10, 4));
    const qint64 headerSize = littleEndian(data, 14, 4);
    qint64 width = 0;
    qint64 height = 0;
    uint planes = 0;
    uint bitsPerPixel = 0;
    uint compression = 0;
    qint64 coloursUsed = 0;
    if (headerSize == 40 || headerSize == 64 || headerSize == 108 || headerSize == 124) {
        if (data.size() < FileHeader + headerSize)
            return PictureDefect::CutShort;
        width = qint32(littleEndian(data, 18, 4));
        height = qint32(littleEndian(data, 22, 4));
        planes = littleEndian(data, 26, 2);
        bitsPerPixel = littleEndian(data, 28, 2);
        compression = littleEndian(data, 30, 4);
        coloursUsed = qint32(littleEndian(data, 46, 4));
    } else { // read as the oldest header, whatever its stated size
        if (data.size() < FileHeader + 12)
            return PictureDefect::CutShort;
        width = qint16(littleEndian(data, 18, 2));
        height = qint16(littleEndian(data, 20, 2));
        planes = littleEndian(data, 22, 2);
        bitsPerPixel = littleEndian(data, 24, 2);
    }
    const bool bitsKnown = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 ||
                           bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    const bool compressionKnown = compression == 0 || (compression == 1 && bitsPerPixel == 8) ||
                                  (compression == 2 && bitsPerPixel == 4) ||
                                  (compression == 3 && (bitsPerPixel == 16 || bitsPerPixel == 32));
    height = std::abs(height);
    if (!bitsKnown || planes != 1 || !compressionKnown || width <= 0 || height == 0 ||
        width * height > qint64(16384) * 16384)
        return PictureDefect::None; // not a BMP Qt reads: its reader refuses it
    qint64 position = FileHeader + headerSize;
    if (headerSize < 108 && compression == 3)
        position += 12; // the colour masks
    if (bitsPerPixel <= 8) {
        const qint64 colours = coloursUsed != 0 ? coloursUsed : qint64(1) << bitsPerPixel;
        if (colours < 1 || colours > 256)
            return PictureDefect::None;
        position += colours * (headerSize == 12 ? 3 : 4);
    }
    if (position >= data.size() || offset > data.size())
        return PictureDefect::CutShort;
    const QByteArrayView pixels = data.sliced(std::max(position, offset));
    if (compression == 1 || compression == 2)
        return bmpRunsDefect(pixels, width, height, bitsPerPixel);
    const qint64 stride = (width * bitsPerPixel + 31) / 32 * 4;
    return pixels.size() < stride * height ? PictureDefect::CutShort : PictureDefect::None;
}

// The error for a defect the walk found, or that the decoder met.
void refusePicture(PictureDefect defect, const QString &path)
{
    switch (defect) {
    case PictureDefect::Incomplete:
        throw PrintError(
            PrintError::PictureNotReadable,
            Words::tr("The picture file %1 is cut short: its picture data stops before the last pixel.")
                .arg(displayPath(path)));
    case PictureDefect::Damaged:
        throw PrintError(PrintError::PictureNotReadable,
                         Words::tr("The picture file %1 is damaged: its picture data is not valid.")
                             .arg(displayPath(path)));
    case PictureDefect::TooManyScans:
        throw PrintError(PrintError::PictureTooLarge,
                         Words::tr("The picture %1 is a JPEG of more than %2 scans: too many to decode.")
                             .arg(displayPath(path))
                             .arg(MaxJpegScans));
    case PictureDefect::CutShort:
    case PictureDefect::None:
        break;
    }
    throw PrintError(PrintError::PictureNotReadable,
                     Words::tr("The picture file %1 is cut short: it ends before its picture data does.")
                         .arg(displayPath(path)));
}
