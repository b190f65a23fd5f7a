#include "picture.h"

#include "ordinaryfile.h"
#include "printerror.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

#if !defined(JCS_ALPHA_EXTENSIONS)
#error "libjpeg-turbo's colour space extensions are needed (Debian's libjpeg62-turbo-dev)"
#endif

namespace {

// A picture file larger than this is not read at all: no picture worth printing on a page comes
// near it, and reading it whole would take that much memory.
constexpr qint64 MaxFileBytes = 256 * 1024 * 1024;

// A progressive JPEG sends its picture in scans, each refining what the ones before sent, and the
// decoder goes over every block of the picture once per scan, however few bytes the scan has:
// 20,000 copies of one 53-byte scan of an 8000 x 4000 picture took 55 s to decode. Encoders write
// 6 to 12 scans; even sending each of the 64 coefficients of each of three colour components in a
// scan of its own takes 192. A file with more scans than this is refused. At 8000 x 4000 pixels,
// the largest picture the allocation limit allows, this many scans took 1.1 s to decode when
// they were 53 bytes each, and 9 s when each was a full three-component DC scan of 190 KB.
constexpr int MaxJpegScans = 256;

// How recently a file may have changed for its stat() to be trusted to show the next change.
// Timestamps come from a clock that advances in ticks (milliseconds on Linux, seconds or two on
// some file systems), so a file changed twice within one tick looks unchanged.
constexpr qint64 UnsettledNanoseconds = 2'000'000'000;

enum class Format
{
    Gif,
    Png,
    Jpeg,
    Bmp,
};

// What the walk over a file's own structure finds before it is decoded.
enum class Defect
{
    None,
    CutShort,     // the file ends inside the picture's data
    Incomplete,   // the picture's data, whole as a file, stops short of the last pixel or skips some
    Damaged,      // the picture's data is not valid (runs past a row's end, an impossible code)
    TooManyScans, // a progressive JPEG with more scans than MaxJpegScans
};

uint byteAt(QByteArrayView data, qsizetype at)
{
    return static_cast<unsigned char>(data[at]);
}

quint32 littleEndian(QByteArrayView data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | byteAt(data, at + i);
    return value;
}

quint32 bigEndian(QByteArrayView data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | byteAt(data, at + i);
    return value;
}

// The format, from the signature every file of it starts with, and nothing else: neither the
// name's suffix nor a guess from the content. Any other format Qt has a plugin for (SVG, which
// loads whatever files its content names, ICO, XPM, ...) is never handed to Qt at all.
std::optional<Format> formatOf(QByteArrayView data)
{
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return Format::Gif;
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return Format::Png;
    if (data.startsWith("\xFF\xD8\xFF"))
        return Format::Jpeg;
    if (data.startsWith("BM"))
        return Format::Bmp;
    return std::nullopt;
}

// Qt's GIF, JPEG and BMP decoders give back a picture "successfully" read from a file that was cut
// short, with the missing part left blank, grey or (BMP) unwritten. So for those formats the
// file's own structure is walked first, far enough to see whether the data of the picture is all
// there; a PNG's chunks are walked too.

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
Defect gifImageDefect(QByteArrayView data, qsizetype at, qint64 pixels, uint minimumCodeSize)
{
    if (minimumCodeSize < 1 || minimumCodeSize > 11)
        return Defect::Damaged;
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
                return Defect::Damaged; // the first code after a clear code is a single pixel
            count += 1;
            previous = code;
            continue;
        }
        if (code > nextCode)
            return Defect::Damaged; // a code not in the table yet
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
        return Defect::CutShort;
    return count < pixels ? Defect::Incomplete : Defect::None;
}

// GIF: the blocks up to the first image (the one that is printed) and that image's data. A
// missing trailer after it loses nothing.
Defect gifDefect(QByteArrayView data)
{
    const auto colourTable = [](uint packed) { return (packed & 0x80) ? 3 * (2 << (packed & 7)) : 0; };
    qsizetype at = 13;
    if (data.size() < at)
        return Defect::CutShort;
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
            return Defect::CutShort;
        const uint kind = byteAt(data, at++);
        if (kind == 0x2C) { // image descriptor, its colour table, the LZW code size, the data
            if (at + 10 > data.size())
                return Defect::CutShort;
            const qint64 pixels = qint64(littleEndian(data, at + 4, 2)) * littleEndian(data, at + 6, 2);
            at += 9;
            at += colourTable(byteAt(data, at - 1));
            if (at >= data.size())
                return Defect::CutShort;
            const uint minimumCodeSize = byteAt(data, at++);
            return gifImageDefect(data, at, pixels, minimumCodeSize);
        }
        if (kind != 0x21) // the trailer or something unknown: no image data here to be missing
            return Defect::None;
        ++at; // extension label
        if (!skipSubBlocks())
            return Defect::CutShort;
    }
}

// JPEG: segment by segment, through the entropy-coded data after each start of scan, up to the
// end-of-image marker (bytes after it do not matter), counting the scans. The first frame header
// gives the picture's size.
struct JpegLayout
{
    Defect defect = Defect::None;
    QSize size;
    int scans = 0;
};

JpegLayout jpegLayout(QByteArrayView data)
{
    JpegLayout layout;
    const char *const begin = data.data();
    const char *const end = begin + data.size();
    qsizetype at = 2;
    const auto finish = [&layout](Defect defect) {
        layout.defect = defect;
        return layout;
    };
    for (;;) {
        // The decoder skips stray bytes before a marker, and any number of fill bytes.
        at = std::find(begin + at, end, '\xFF') - begin;
        while (at < data.size() && byteAt(data, at) == 0xFF)
            ++at;
        if (at >= data.size())
            return finish(Defect::CutShort);
        const uint marker = byteAt(data, at++);
        if (marker == 0xD9)
            return finish(Defect::None);
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length follows
        if (at + 2 > data.size())
            return finish(Defect::CutShort);
        const qsizetype length = qsizetype(bigEndian(data, at, 2));
        if (length < 2)
            return finish(Defect::None); // broken rather than cut short: the decoder reports it
        const bool frameHeader =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frameHeader && layout.size.isEmpty() && length >= 7 && at + 7 <= data.size())
            layout.size = QSize(int(bigEndian(data, at + 5, 2)), int(bigEndian(data, at + 3, 2)));
        at += length;
        if (at > data.size())
            return finish(Defect::CutShort);
        if (marker != 0xDA)
            continue;
        if (++layout.scans > MaxJpegScans)
            return finish(Defect::TooManyScans);
        // Entropy-coded data runs to the next marker; FF 00 is a data byte and FF D0..D7 a restart.
        for (;;) {
            at = std::find(begin + at, end, '\xFF') - begin;
            if (at + 1 >= data.size())
                return finish(Defect::CutShort);
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
Defect pngDefect(QByteArrayView data)
{
    qsizetype at = 8;
    for (;;) {
        if (at + 8 > data.size())
            return Defect::CutShort;
        const qint64 length = bigEndian(data, at, 4);
        if (data.sliced(at + 4, 4) == "IEND")
            return Defect::None;
        if (length > 0x7FFFFFFF)
            return Defect::Damaged; // more than PNG allows
        at += 12 + length;
        if (at > data.size())
            return Defect::CutShort;
    }
}

// A BMP's pixel runs (compression 1: RLE8, 2: RLE4) must cover every pixel exactly once, in
// order. Qt's reader writes runs where they say and leaves every pixel they skip unwritten: an end
// of line or of the picture before the last pixel, a jump, data that stops. Those pixels would
// show whatever the memory held before. Runs past a row's end spill into the row before it.
Defect bmpRunsDefect(QByteArrayView runs, qint64 width, qint64 height, uint bitsPerPixel)
{
    qint64 x = 0;
    qint64 y = 0; // rows from the bottom, as they are stored
    qsizetype at = 0;
    bool endMarker = false;
    while (y < height && !endMarker) {
        if (at + 2 > runs.size())
            return y * width + x < width * height ? Defect::CutShort : Defect::None;
        const uint count = byteAt(runs, at);
        const uint value = byteAt(runs, at + 1);
        at += 2;
        if (count > 0) { // a run of count pixels, all from value
            if (x + count > width)
                return Defect::Damaged;
            x += count;
        } else if (value == 0) { // end of line
            if (x < width)
                return Defect::Incomplete;
            x = 0;
            ++y;
        } else if (value == 1) { // end of the picture
            endMarker = true;
        } else if (value == 2) { // a jump right and up, leaving the pixels between unwritten
            if (at + 2 > runs.size())
                return Defect::CutShort;
            if (byteAt(runs, at) != 0 || byteAt(runs, at + 1) != 0)
                return Defect::Incomplete;
            at += 2;
        } else { // value pixels given one by one, padded to a 16-bit boundary
            if (x + value > width)
                return Defect::Damaged;
            const qsizetype bytes = bitsPerPixel == 8 ? value : (value + 1) / 2;
            if (at + bytes > runs.size())
                return Defect::CutShort;
            at = std::min(runs.size(), at + bytes + (bytes & 1));
            x += value;
        }
    }
    return y * width + x < width * height ? Defect::Incomplete : Defect::None;
}

// BMP, read the way Qt's reader reads it: the headers, the colour masks and table, then the pixel
// data from the data offset, or from the end of the colour table if the offset points before it.
// Uncompressed rows must all be there: Qt's reader stops at the first row that is short and
// leaves it and the rows after it unwritten.
Defect bmpDefect(QByteArrayView data)
{
    constexpr qsizetype FileHeader = 14;
    if (data.size() < FileHeader + 4)
        return Defect::CutShort;
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
            return Defect::CutShort;
        width = qint32(littleEndian(data, 18, 4));
        height = qint32(littleEndian(data, 22, 4));
        planes = littleEndian(data, 26, 2);
        bitsPerPixel = littleEndian(data, 28, 2);
        compression = littleEndian(data, 30, 4);
        coloursUsed = qint32(littleEndian(data, 46, 4));
    } else { // read as the oldest header, whatever its stated size
        if (data.size() < FileHeader + 12)
            return Defect::CutShort;
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
        return Defect::None; // not a BMP Qt reads: its reader refuses it
    qint64 position = FileHeader + headerSize;
    if (headerSize < 108 && compression == 3)
        position += 12; // the colour masks
    if (bitsPerPixel <= 8) {
        const qint64 colours = coloursUsed != 0 ? coloursUsed : qint64(1) << bitsPerPixel;
        if (colours < 1 || colours > 256)
            return Defect::None;
        position += colours * (headerSize == 12 ? 3 : 4);
    }
    if (position >= data.size() || offset > data.size())
        return Defect::CutShort;
    const QByteArrayView pixels = data.sliced(std::max(position, offset));
    if (compression == 1 || compression == 2)
        return bmpRunsDefect(pixels, width, height, bitsPerPixel);
    const qint64 stride = (width * bitsPerPixel + 31) / 32 * 4;
    return pixels.size() < stride * height ? Defect::CutShort : Defect::None;
}

// The error for a defect the walk found, or that the decoder met.
[[noreturn]] void refuse(Defect defect, const QString &path)
{
    switch (defect) {
    case Defect::Incomplete:
        throw PrintError(
            PrintError::PictureNotReadable,
            QStringLiteral("The picture file %1 is cut short: its picture data stops before the last pixel.")
                .arg(displayPath(path)));
    case Defect::Damaged:
        throw PrintError(PrintError::PictureNotReadable,
                         QStringLiteral("The picture file %1 is damaged: its picture data is not valid.")
                             .arg(displayPath(path)));
    case Defect::TooManyScans:
        throw PrintError(PrintError::PictureTooLarge,
                         QStringLiteral("The picture %1 is a JPEG of more than %2 scans: too many to decode.")
                             .arg(displayPath(path))
                             .arg(MaxJpegScans));
    case Defect::CutShort:
    case Defect::None:
        break;
    }
    throw PrintError(PrintError::PictureNotReadable,
                     QStringLiteral("The picture file %1 is cut short: it ends before its picture data does.")
                         .arg(displayPath(path)));
}

// libjpeg's error manager, extended so that an error, the warning that the data ran out, or too
// many scans end the decoding at once.
struct JpegErrors
{
    jpeg_error_mgr manager; // first: libjpeg hands it back as its own
    std::jmp_buf exit;
    bool dataRanOut = false;
    bool tooManyScans = false;
};

extern "C" {

static void jpegErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors *>(info->err)->exit, 1);
}

// Warnings (level -1) are not printed. Two of them mean the data ran out before the picture did:
// libjpeg would fill the rest with grey.
static void jpegMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    ++info->err->num_warnings;
    const int code = info->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) {
        reinterpret_cast<JpegErrors *>(info->err)->dataRanOut = true;
        info->err->error_exit(info);
    }
}

// Called as input is read; bounds the scans whatever the walk over the file counted.
static void jpegProgress(j_common_ptr info)
{
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > MaxJpegScans) {
        reinterpret_cast<JpegErrors *>(info->err)->tooManyScans = true;
        info->err->error_exit(info);
    }
}
}

// The Exif orientation (1 to 8) of an APP1 segment's data, 0 where it has none. IFDs are read in
// order, at most ten of them, as Qt's reader reads them.
int exifOrientation(QByteArrayView exif)
{
    if (!exif.startsWith(QByteArrayView("Exif\0\0", 6)) || exif.size() < 14)
        return 0;
    const QByteArrayView tiff = exif.sliced(6);
    const bool little = tiff.startsWith("II");
    if (!little && !tiff.startsWith("MM"))
        return 0;
    const auto number = [&tiff, little](qint64 at, int bytes) -> qint64 {
        if (at < 0 || at + bytes > tiff.size())
            return -1;
        return little ? littleEndian(tiff, at, bytes) : bigEndian(tiff, at, bytes);
    };
    if (number(2, 2) != 0x2A)
        return 0;
    qint64 ifd = number(4, 4);
    for (int n = 0; n < 10 && ifd > 0; ++n) {
        const qint64 entries = number(ifd, 2);
        for (qint64 i = 0; i < entries; ++i) {
            const qint64 entry = ifd + 2 + 12 * i;
            if (number(entry, 2) != 0x0112)
                continue;
            const qint64 value = number(entry + 8, 2);
            return number(entry + 2, 2) == 3 && number(entry + 4, 4) == 1 && value >= 1 && value <= 8
                       ? int(value)
                       : 0;
        }
        ifd = entries < 0 ? -1 : number(ifd + 2 + 12 * entries, 4);
    }
    return 0;
}

QImage oriented(QImage image, int orientation)
{
    switch (orientation) {
    case 2:
        return image.mirrored(true, false);
    case 3:
        return image.mirrored(true, true);
    case 4:
        return image.mirrored(false, true);
    case 5:
        return image.mirrored(false, true).transformed(QTransform().rotate(90));
    case 6:
        return image.transformed(QTransform().rotate(90));
    case 7:
        return image.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8:
        return image.transformed(QTransform().rotate(270));
    default:
        return image;
    }
}

// What the JPEG decoding hands back besides the pixels. Plain data only: it outlives a longjmp.
struct JpegExtras
{
    int orientation = 0;
    JOCTET *iccProfile = nullptr; // malloc()ed by libjpeg
    unsigned int iccProfileLength = 0;
    const char *failure = nullptr; // why the picture was refused, where libjpeg did not say
};

// Decodes a JPEG into image, in the format Qt's own reader gives (grey, or RGB32 for colour and
// CMYK), in one pass. Holds nothing that needs destroying, since libjpeg's errors return here
// through longjmp.
bool readJpeg(jpeg_decompress_struct &info, JpegErrors &errors, jpeg_progress_mgr &progress,
              QByteArrayView data, QImage &image, JpegExtras &extras)
{
    if (setjmp(errors.exit))
        return false;
    jpeg_create_decompress(&info);
    info.progress = &progress;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.data()),
                 static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF); // Exif
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF); // ICC profile
    jpeg_read_header(&info, TRUE);
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker && extras.orientation == 0;
         marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1)
            extras.orientation = exifOrientation(
                QByteArrayView(reinterpret_cast<const char *>(marker->data), qsizetype(marker->data_length)));
    }
    jpeg_read_icc_profile(&info, &extras.iccProfile, &extras.iccProfileLength);

    bool cmyk = false;
    QImage::Format format = QImage::Format_RGB32;
    switch (info.out_color_space) {
    case JCS_GRAYSCALE:
        format = QImage::Format_Grayscale8;
        break;
    case JCS_RGB: // straight into RGB32's memory order
        info.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
        break;
    case JCS_CMYK:
        cmyk = true;
        break;
    default:
        extras.failure = "its colour components are not grey, RGB or CMYK";
        return false;
    }
    jpeg_calc_output_dimensions(&info);
    if (!QImageIOHandler::allocateImage(QSize(int(info.output_width), int(info.output_height)), format,
                                        &image)) {
        extras.failure = "there is no memory for it";
        return false;
    }
    JSAMPARRAY cmykRow = cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                          info.output_width * 4, 1)
                              : nullptr;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        const int y = int(info.output_scanline);
        if (!cmyk) {
            std::array<JSAMPROW, 16> rows{};
            const int count = std::min(int(rows.size()), int(info.output_height) - y);
            for (int i = 0; i < count; ++i)
                rows[size_t(i)] = image.scanLine(y + i);
            jpeg_read_scanlines(&info, rows.data(), JDIMENSION(count));
            continue;
        }
        jpeg_read_scanlines(&info, cmykRow, 1);
        // The inverted CMYK that Adobe's programs write, as Qt's reader converts it.
        const JSAMPLE *in = cmykRow[0];
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (JDIMENSION x = 0; x < info.output_width; ++x, in += 4) {
            const int k = in[3];
            out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}

// JPEGs are decoded with libjpeg here rather than through Qt's reader, which turns libjpeg's
// warnings into log lines: the warning that the data ran out (a file cut short and closed with
// an end marker) must refuse the picture. Throws as decodeData does.
QImage decodeJpeg(QByteArrayView data, const QString &path)
{
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegErrorExit;
    errors.manager.emit_message = jpegMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = jpegProgress;

    QImage image;
    JpegExtras extras;
    const bool decoded = readJpeg(info, errors, progress, data, image, extras);
    char reason[JMSG_LENGTH_MAX] = "";
    if (!decoded && !extras.failure)
        errors.manager.format_message(reinterpret_cast<j_common_ptr>(&info), reason);
    jpeg_destroy_decompress(&info);
    const QByteArray iccProfile(reinterpret_cast<const char *>(extras.iccProfile),
                                qsizetype(extras.iccProfileLength));
    std::free(extras.iccProfile);

    if (errors.tooManyScans)
        refuse(Defect::TooManyScans, path);
    if (errors.dataRanOut)
        refuse(Defect::Incomplete, path);
    if (!decoded || image.isNull())
        throw PrintError(PrintError::PictureNotReadable,
                         QStringLiteral("The picture %1 could not be read: %2.")
                             .arg(displayPath(path), extras.failure ? QString::fromLatin1(extras.failure)
                                                                    : QString::fromLocal8Bit(reason)));
    if (!iccProfile.isEmpty())
        image.setColorSpace(QColorSpace::fromIccProfile(iccProfile));
    return oriented(std::move(image), extras.orientation);
}

// The whole content of a picture file, read only when it is an ordinary file of a sensible size;
// stamp tells what the file read was.
QByteArray readPictureFile(const QString &path, struct stat &stamp)
{
    QString reason;
    const int fd = openOrdinaryFile(path, reason);
    if (fd < 0)
        throw PrintError(
            PrintError::PictureNotReadable,
            QStringLiteral("The picture file %1 could not be opened: %2.").arg(displayPath(path), reason));
    // Sized by what the file holds now; a file that grows while it is read is read on, but never
    // past the limit.
    stamp = {};
    const qint64 expected = ::fstat(fd, &stamp) == 0 ? qint64(stamp.st_size) : 0;
    QByteArray content(std::clamp<qint64>(expected + 1, 1, MaxFileBytes + 1), Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        if (total == content.size()) {
            if (total > MaxFileBytes)
                break;
            content.resize(std::min<qint64>(MaxFileBytes + 1, content.size() * 2));
        }
        const ssize_t got = ::read(fd, content.data() + total, size_t(content.size() - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            throw PrintError(
                PrintError::PictureNotReadable,
                QStringLiteral("The picture file %1 could not be read: %2.").arg(displayPath(path), reason));
        }
        if (got == 0)
            break;
        total += got;
    }
    ::close(fd);
    if (total > MaxFileBytes)
        throw PrintError(PrintError::PictureTooLarge,
                         QStringLiteral("The picture file %1 is larger than %2 MiB, too large to print.")
                             .arg(displayPath(path))
                             .arg(MaxFileBytes / (1024 * 1024)));
    content.truncate(total);
    return content;
}

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

qint64 nanosecondsNow()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

} // namespace

Picture::Picture(QImage image, float widthTwips, float heightTwips, bool lossless)
    : m_image(std::move(image)), m_width(widthTwips), m_height(heightTwips), m_lossless(lossless)
{
}

PictureLoader::PictureLoader(double logicalDpi, qint64 cacheBytes)
    : m_dpi(logicalDpi > 0 ? logicalDpi : 96.0), m_cacheLimit(cacheBytes)
{
}

Picture PictureLoader::load(const QString &path)
{
    // One stat() tells whether the file is there and ordinary, and which file in which state it
    // is. QFileInfo would make the times local QDateTimes, reading the time zone file each time,
    // and this runs for every picture of every page.
    struct stat info
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        throw PrintError(PrintError::PictureNotFound,
                         QStringLiteral("The picture file %1 was not found.").arg(displayPath(path)));
    if (!S_ISREG(info.st_mode))
        throw PrintError(PrintError::PictureNotReadable,
                         QStringLiteral("%1 is not a picture file.").arg(displayPath(path)));
    const auto stampOf = [](const struct stat &file) {
        return FileStamp{file.st_dev, file.st_ino, qint64(file.st_size), nanoseconds(file.st_mtim),
                         nanoseconds(file.st_ctim)};
    };

    // A file replaced by another of the same size and times (cp -p, rsync -t) is another inode, or
    // the same inode with a new change time. Only a file changed again within one tick of the
    // timestamps' clock looks the same: while its change time is that recent, its content is kept
    // and compared.
    const QString key = QFileInfo(path).absoluteFilePath();
    const qint64 readAt = nanosecondsNow();
    QByteArray content;
    bool contentRead = false;
    struct stat read
    {
    };
    if (const auto found = m_index.find(key); found != m_index.end()) {
        const auto entry = found.value();
        bool same = entry->stamp == stampOf(info);
        if (same && !entry->unsettledContent.isEmpty()) {
            content = readPictureFile(path, read);
            contentRead = true;
            same = stampOf(read) == entry->stamp && content == entry->unsettledContent;
            if (same && entry->stamp.changed < readAt - UnsettledNanoseconds) {
                m_cacheBytes -= entry->unsettledContent.size();
                entry->unsettledContent = QByteArray();
            }
        }
        if (same) {
            m_lru.splice(m_lru.begin(), m_lru, entry);
            return entry->picture;
        }
        m_cacheBytes -= entry->bytes + entry->unsettledContent.size();
        m_lru.erase(entry);
        m_index.erase(found);
    }

    if (!contentRead)
        content = readPictureFile(path, read);
    ++m_decodes;
    Picture picture = decodeData(content, path);
    const FileStamp stamp = stampOf(read);
    const bool unsettled = stamp.changed >= readAt - UnsettledNanoseconds;
    remember(Entry{key, stamp, picture, picture.image().sizeInBytes(), unsettled ? content : QByteArray()});
    return picture;
}

Picture PictureLoader::decodeData(QByteArrayView content, const QString &path) const
{
    const std::optional<Format> format = formatOf(content);
    if (!format)
        throw PrintError(
            PrintError::PictureNotReadable,
            QStringLiteral("The file %1 is not a GIF, PNG, JPEG or BMP picture.").arg(displayPath(path)));

    // Decoded from memory: the checks below and the decoder see the same bytes. Qt's reader is
    // told the format, so that no other plugin ever looks at the content.
    QByteArray bytes = QByteArray::fromRawData(content.data(), content.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    std::optional<QImageReader> reader;
    JpegLayout jpeg;
    QSize pixels;
    if (*format == Format::Jpeg) {
        jpeg = jpegLayout(content);
        pixels = jpeg.size;
    } else {
        reader.emplace(&buffer, *format == Format::Gif ? "gif" : *format == Format::Png ? "png" : "bmp");
        reader->setAutoDetectImageFormat(false);
        reader->setAutoTransform(true);
        pixels = reader->size();
    }

    // Refuse pictures whose decoded size would pass the reader's allocation limit before any
    // memory is taken, with a message that says why.
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limitBytes > 0 && qint64(std::abs(pixels.width())) * std::abs(pixels.height()) * 4 > limitBytes)
        throw PrintError(PrintError::PictureTooLarge,
                         QStringLiteral("The picture %1 is %2 × %3 pixels, too large to print.")
                             .arg(displayPath(path), QString::number(std::abs(pixels.width())),
                                  QString::number(std::abs(pixels.height()))));

    Defect defect = Defect::None;
    switch (*format) {
    case Format::Gif:
        defect = gifDefect(content);
        break;
    case Format::Jpeg:
        defect = jpeg.defect;
        break;
    case Format::Bmp:
        defect = bmpDefect(content);
        break;
    case Format::Png:
        defect = pngDefect(content);
        break;
    }
    if (defect != Defect::None)
        refuse(defect, path);

    QImage image;
    if (*format == Format::Jpeg) {
        image = decodeJpeg(content, path);
    } else if (!reader->read(&image) || image.isNull()) {
        throw PrintError(PrintError::PictureNotReadable,
                         QStringLiteral("The picture %1 could not be read: %2.")
                             .arg(displayPath(path), reader->errorString()));
    }

    const float scale = float(1440.0 / m_dpi);
    const float width = float(image.width()) * scale;
    const float height = float(image.height()) * scale;
    return Picture(std::move(image), width, height, *format != Format::Jpeg);
}

void PictureLoader::remember(Entry entry)
{
    const qint64 bytes = entry.bytes + entry.unsettledContent.size();
    if (bytes > m_cacheLimit)
        return;
    m_cacheBytes += bytes;
    m_lru.push_front(std::move(entry));
    m_index.insert(m_lru.front().path, m_lru.begin());
    while (m_cacheBytes > m_cacheLimit && m_lru.size() > 1) {
        const Entry &oldest = m_lru.back();
        m_cacheBytes -= oldest.bytes + oldest.unsettledContent.size();
        m_index.remove(oldest.path);
        m_lru.pop_back();
    }
}
