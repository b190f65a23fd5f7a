// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "picturecheck.h"

#include "printerror.h"

#include <algorithm>
#include <vector>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include <jpeglib.h>

#include <QCoreApplication>
#include <QImageReader>

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

// Whether a frame header's (stride 3) or a scan header's (stride 2) list of count components
// names one twice, by its first byte.
bool repeatsAComponent(QByteArrayView list, uint count, int stride)
{
    std::array<bool, 256> seen{};
    for (uint i = 0; i < count && qsizetype(i * stride) < list.size(); ++i) {
        bool &named = seen[byteAt(list, qsizetype(i * stride))];
        if (named)
            return true;
        named = true;
    }
    return false;
}

// The tables a table segment's body defines, added to defined (bits as in missingTables).
void defineTables(QByteArrayView body, unsigned &defined)
{
    qsizetype at = 0;
    while (at + 17 <= body.size()) {
        const uint kind = byteAt(body, at);
        qsizetype values = 0;
        for (int i = 1; i <= 16; ++i)
            values += byteAt(body, at + i);
        if ((kind & 15) < 2 && (kind >> 4) < 2)
            defined |= ((kind >> 4) ? 4u : 1u) << (kind & 15);
        at += 17 + values;
    }
}

// A table segment holding the standard tables (Annex K of the JPEG standard), as libjpeg's
// encoder has them, for the tables in mask.
QByteArray standardTableSegment(unsigned mask)
{
    static const std::array<QByteArray, 4> tables = [] {
        jpeg_compress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        info.in_color_space = JCS_YCbCr;
        info.input_components = 3;
        jpeg_set_defaults(&info);
        std::array<QByteArray, 4> made;
        const JHUFF_TBL *const sources[4] = {info.dc_huff_tbl_ptrs[0], info.dc_huff_tbl_ptrs[1],
                                             info.ac_huff_tbl_ptrs[0], info.ac_huff_tbl_ptrs[1]};
        for (int i = 0; i < 4; ++i) {
            QByteArray &table = made[size_t(i)];
            table += char((i >= 2 ? 0x10 : 0x00) | (i & 1));
            int values = 0;
            for (int length = 1; length <= 16; ++length) {
                table += char(sources[i]->bits[length]);
                values += sources[i]->bits[length];
            }
            table.append(reinterpret_cast<const char *>(sources[i]->huffval), values);
        }
        jpeg_destroy_compress(&info);
        return made;
    }();
    QByteArray body;
    for (int i = 0; i < 4; ++i) {
        if (mask & (1u << i))
            body += tables[size_t(i)];
    }
    const qsizetype length = body.size() + 2;
    return QByteArray("\xFF\xC4", 2) + char(length >> 8) + char(length & 0xFF) + body;
}

} // namespace

QByteArray withStandardTables(QByteArrayView data, const JpegLayout &layout)
{
    QByteArray repaired;
    qsizetype from = 0;
    for (const auto &[at, mask] : layout.missingTables) {
        repaired += data.sliced(from, at - from);
        repaired += standardTableSegment(mask);
        from = at;
    }
    repaired += data.sliced(from);
    return repaired;
}

qint64 maxPicturePixels()
{
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    return limitBytes > 0 ? limitBytes / 4 : std::numeric_limits<qint64>::max();
}

void refuseIfTooLarge(QSize pixels, const QString &path)
{
    const qint64 width = std::abs(qint64(pixels.width()));
    const qint64 height = std::abs(qint64(pixels.height()));
    if (width * height > maxPicturePixels())
        throw PrintError(PrintError::PictureTooLarge,
                         Words::tr("The picture %1 is %2 × %3 pixels, too large to print.")
                             .arg(displayPath(path), QString::number(width), QString::number(height)));
}

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

namespace {

// What the walk over a JPEG's segments has met so far.
struct JpegWalk
{
    bool frameSeen = false;
    bool huffman = false;
    bool progressive = false;
    unsigned defined = 0; // the tables defined so far, as in JpegLayout::missingTables
};

// Where the code of the next marker is, from at: the decoder skips stray bytes before a marker,
// and any number of fill bytes. The data's size where there is none.
qsizetype nextMarkerCode(QByteArrayView data, qsizetype at)
{
    at = std::find(data.data() + at, data.data() + data.size(), '\xFF') - data.data();
    while (at < data.size() && byteAt(data, at) == 0xFF)
        ++at;
    return at;
}

// The tables 0 and 1 that a Huffman-coded scan uses and no table segment before it defined (bits
// as in JpegLayout::missingTables). body: the start of scan's, long enough for its count
// components and the spectral selection after them.
unsigned missingScanTables(QByteArrayView body, uint count, const JpegWalk &walk)
{
    const uint spectralStart = byteAt(body, 1 + 2 * count);
    const uint successiveHigh = byteAt(body, 3 + 2 * count) >> 4;
    const bool dc = !walk.progressive || (spectralStart == 0 && successiveHigh == 0);
    const bool ac = !walk.progressive || spectralStart > 0;
    unsigned missing = 0;
    for (uint i = 0; i < count; ++i) {
        const uint tables = byteAt(body, 2 + 2 * i);
        if (dc && (tables >> 4) < 2 && !(walk.defined & (1u << (tables >> 4))))
            missing |= 1u << (tables >> 4);
        if (ac && (tables & 15) < 2 && !(walk.defined & (4u << (tables & 15))))
            missing |= 4u << (tables & 15);
    }
    return missing;
}

// What a segment that lies whole within the file tells: the first frame header the picture's size,
// its coding and its components, a table segment the tables it defines, a start of scan its
// components and the tables it uses. markerAt: where the segment's marker starts.
void readJpegSegment(uint marker, qsizetype markerAt, QByteArrayView body, JpegWalk &walk, JpegLayout &layout)
{
    const bool frameHeader =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frameHeader && !walk.frameSeen) {
        walk.frameSeen = true;
        walk.huffman = marker <= 0xC2;
        walk.progressive = marker == 0xC2;
        if (body.size() >= 5)
            layout.size = QSize(int(bigEndian(body, 3, 2)), int(bigEndian(body, 1, 2)));
        if (body.size() >= 6)
            layout.repeatedComponents = repeatsAComponent(body.sliced(6), byteAt(body, 5), 3);
    } else if (marker == 0xC4) {
        defineTables(body, walk.defined);
    } else if (marker == 0xDA && body.size() >= 1) {
        const uint count = byteAt(body, 0);
        layout.repeatedComponents = layout.repeatedComponents || repeatsAComponent(body.sliced(1), count, 2);
        if (walk.huffman && body.size() >= qsizetype(1 + 2 * count + 3)) {
            if (const unsigned missing = missingScanTables(body, count, walk)) {
                layout.missingTables.emplace_back(markerAt, missing);
                walk.defined |= missing;
            }
        }
    }
}

// Where the entropy-coded data that starts at at ends: at the next marker, FF 00 being a data byte
// and FF D0..D7 a restart. -1 where the file ends first.
qsizetype entropyDataEnd(QByteArrayView data, qsizetype at)
{
    for (;;) {
        at = std::find(data.data() + at, data.data() + data.size(), '\xFF') - data.data();
        if (at + 1 >= data.size())
            return -1;
        const uint next = byteAt(data, at + 1);
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
            at += 2;
        else if (next == 0xFF)
            ++at;
        else
            return at;
    }
}

} // namespace

// JPEG: segment by segment, through the entropy-coded data after each start of scan, up to the
// end-of-image marker (bytes after it do not matter), counting the scans. The first frame header
// gives the picture's size.
JpegLayout jpegLayout(QByteArrayView data)
{
    JpegLayout layout;
    const auto finish = [&layout](PictureDefect defect) {
        layout.defect = defect;
        return layout;
    };
    JpegWalk walk;
    qsizetype at = 2;
    for (;;) {
        at = nextMarkerCode(data, at);
        if (at >= data.size())
            return finish(PictureDefect::CutShort);
        const qsizetype markerAt = at - 1;
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
        if (at + length <= data.size())
            readJpegSegment(marker, markerAt, data.sliced(at + 2, length - 2), walk, layout);
        at += length;
        if (at > data.size())
            return finish(PictureDefect::CutShort);
        if (marker != 0xDA)
            continue;
        if (++layout.scans > MaxJpegScans)
            return finish(PictureDefect::TooManyScans);
        at = entropyDataEnd(data, at);
        if (at < 0)
            return finish(PictureDefect::CutShort);
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
