// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdfsurface.h"
#include "pdftools.h"
#include "picture.h"
#include "printerror.h"
#include "testsupport.h"

#include <QImageReader>
#include <QtTest>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <zlib.h>

namespace {

// A picture with detail everywhere, so that every part of its coded data matters.
QImage detailed(int width = 64, int height = 48)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y * 7) % 256));
    return image;
}

struct JpegOptions
{
    int components = 3; // 1, 3, or 4 (CMYK, its inks stored inverted as Adobe's programs store them)
    bool progressive = false;
    bool arithmetic = false;
    int restartRows = 0;
    bool adobeMarker = true; // for CMYK
    int width = 64;
    int height = 48;
};

// A JPEG by libjpeg, with the standard Huffman tables (not optimised), as most cameras write.
QByteArray makeJpeg(const JpegOptions &options = {})
{
    const QImage image = detailed(options.width, options.height);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = options.components;
    info.in_color_space = options.components == 1   ? JCS_GRAYSCALE
                          : options.components == 4 ? JCS_CMYK
                                                    : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&info);
    info.arith_code = options.arithmetic ? TRUE : FALSE;
    info.restart_in_rows = options.restartRows;
    if (options.components == 4)
        info.write_Adobe_marker = options.adobeMarker ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(image.width() * options.components));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            JSAMPLE *out = row.data() + x * options.components;
            if (options.components == 1) {
                out[0] = JSAMPLE(qGray(pixel));
            } else if (options.components == 3) {
                out[0] = JSAMPLE(qRed(pixel));
                out[1] = JSAMPLE(qGreen(pixel));
                out[2] = JSAMPLE(qBlue(pixel));
            } else { // black ink only, darker to the right, stored as 255 less the ink
                out[0] = out[1] = out[2] = 255;
                out[3] = JSAMPLE(255 - x * 255 / image.width());
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray jpeg(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return jpeg;
}

// The offset of the nth (from 0) marker of that code, walking the segments (and a scan's data).
qsizetype markerAt(const QByteArray &jpeg, uchar code, int nth = 0)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size()) {
        const uchar marker = uchar(jpeg[at + 1]);
        if (marker == code && nth-- == 0)
            return at;
        if (marker == 0xD9)
            return -1;
        at += 2 + (uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]));
        if (marker == 0xDA) { // the coded data runs to the next marker that is not a restart
            while (at + 1 < jpeg.size() && !(uchar(jpeg[at]) == 0xFF && uchar(jpeg[at + 1]) != 0 &&
                                             (uchar(jpeg[at + 1]) < 0xD0 || uchar(jpeg[at + 1]) > 0xD7)))
                ++at;
        }
    }
    return -1;
}

// Where the coded data after the nth scan header begins.
qsizetype scanDataAt(const QByteArray &jpeg, int nth = 0)
{
    const qsizetype at = markerAt(jpeg, 0xDA, nth);
    return at + 2 + (uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]));
}

// The JPEG without its table segments of that code (0xC4: the Huffman tables).
QByteArray withoutSegments(QByteArray jpeg, uchar code)
{
    for (qsizetype at; (at = markerAt(jpeg, code)) >= 0;)
        jpeg.remove(at, 2 + (uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3])));
    return jpeg;
}

QByteArray patched(QByteArray bytes, qsizetype at, const QByteArray &with)
{
    return bytes.replace(at, with.size(), with);
}

// A JPEG whose frame header's component count and first component sit at these offsets.
qsizetype frameComponent(const QByteArray &jpeg, int component)
{
    const qsizetype sof =
        std::max(markerAt(jpeg, 0xC0), std::max(markerAt(jpeg, 0xC2), markerAt(jpeg, 0xC9)));
    return sof + 10 + 3 * component; // FF C0, length, precision, height, width, count
}

QByteArray jpegWithProfile(const QByteArray &jpeg, const QByteArray &profile)
{
    QByteArray segment("\xFF\xE2", 2);
    const QByteArray body = QByteArray("ICC_PROFILE\0\x01\x01", 14) + profile;
    segment += char((body.size() + 2) >> 8);
    segment += char((body.size() + 2) & 0xFF);
    return jpeg.left(2) + segment + body + jpeg.mid(2);
}

// sRGB's profile, as Little CMS writes it.
QByteArray srgbProfile()
{
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// An Exif segment whose main IFD has no orientation and whose thumbnail's IFD says 6 (turned).
QByteArray withThumbnailOrientation(const QByteArray &jpeg)
{
    QByteArray tiff("MM\0\x2A\0\0\0\x08", 8);
    tiff += QByteArray("\0\x01\x01\x1A\0\x05\0\0\0\x01\0\0\0\0", 14);   // IFD0: XResolution (no value needed)
    tiff += QByteArray("\0\0\0\x1A", 4);                                // next IFD at 26
    tiff += QByteArray("\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0", 14); // IFD1: orientation 6
    tiff += QByteArray(4, '\0');
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment += char((exif.size() + 2) >> 8);
    segment += char((exif.size() + 2) & 0xFF);
    return jpeg.left(2) + segment + exif + jpeg.mid(2);
}

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes;
    for (const int shift : {24, 16, 8, 0})
        bytes += char((value >> shift) & 0xFF);
    return bytes;
}

QByteArray chunk(const QByteArray &type, const QByteArray &body, bool goodChecksum = true)
{
    const QByteArray typed = type + body;
    const uLong crc =
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(typed.constData()), uInt(typed.size()));
    return bigEndian32(quint32(body.size())) + typed + bigEndian32(quint32(goodChecksum ? crc : crc ^ 1));
}

QByteArray header(quint32 width, quint32 height, int bits, int colourType)
{
    return bigEndian32(width) + bigEndian32(height) + char(bits) + char(colourType) + QByteArray(3, '\0');
}

// The zlib data of rows of filter type 0: RGB from the detailed picture, or palette indices
// (0 to indices - 1).
QByteArray pixelData(int width, int height, int colourType, int indices = 4)
{
    const QImage image = detailed(width, height);
    QByteArray raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (colourType == 3) {
                raw += char((x + y) % indices);
            } else {
                raw += char(qRed(pixel));
                raw += char(qGreen(pixel));
                raw += char(qBlue(pixel));
            }
        }
    }
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray compressed(qsizetype(size), '\0');
    compress(reinterpret_cast<Bytef *>(compressed.data()), &size,
             reinterpret_cast<const Bytef *>(raw.constData()), uLong(raw.size()));
    compressed.truncate(qsizetype(size));
    return compressed;
}

const QByteArray Signature("\x89PNG\r\n\x1A\n", 8);

QByteArray palette(int entries)
{
    QByteArray table;
    for (int i = 0; i < entries; ++i)
        table += QByteArray(1, char(i * 60 % 256)) + char(255 - i * 50 % 256) + char(i * 90 % 256);
    return table;
}

// An RGB PNG of 64 x 48 with chunks before its picture data.
QByteArray rgbPng(const QByteArray &before = {})
{
    return Signature + chunk("IHDR", header(64, 48, 8, 2)) + before + chunk("IDAT", pixelData(64, 48, 2)) +
           chunk("IEND", {});
}

QByteArray chromaticities(const QList<int> &values) // white, red, green, blue x and y, times 100,000
{
    QByteArray body;
    for (const int value : values)
        body += bigEndian32(quint32(value));
    return body;
}

// libjpeg's and libpng's complaints about what a document's image stream holds, counted as the
// program counts them: every warning.
struct JpegComplaints
{
    jpeg_error_mgr manager;
    std::jmp_buf exit;
    QString said;
};

extern "C" {
static void complainedJpegExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegComplaints *>(info->err)->exit, 1);
}
static void complainedJpegMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    char text[JMSG_LENGTH_MAX];
    info->err->format_message(info, text);
    reinterpret_cast<JpegComplaints *>(info->err)->said += QString::fromLatin1(text) + "; ";
}
}

bool decodeJpegStream(jpeg_decompress_struct &info, JpegComplaints &complaints, const QByteArray &data)
{
    if (setjmp(complaints.exit))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    std::vector<JSAMPLE> row(size_t(info.output_width * info.output_components));
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

QString jpegStreamComplaints(const QByteArray &data)
{
    jpeg_decompress_struct info{};
    JpegComplaints complaints;
    info.err = jpeg_std_error(&complaints.manager);
    complaints.manager.error_exit = complainedJpegExit;
    complaints.manager.emit_message = complainedJpegMessage;
    if (!decodeJpegStream(info, complaints, data)) {
        char text[JMSG_LENGTH_MAX];
        complaints.manager.format_message(reinterpret_cast<j_common_ptr>(&info), text);
        complaints.said += QString::fromLatin1(text);
    }
    jpeg_destroy_decompress(&info);
    return complaints.said;
}

struct PngComplaints
{
    QByteArray data;
    qsizetype at = 0;
    std::jmp_buf exit;
    QString said;
};

extern "C" {
static void complainedPngRead(png_structp png, png_bytep out, size_t length)
{
    auto *reading = static_cast<PngComplaints *>(png_get_io_ptr(png));
    if (length > size_t(reading->data.size() - reading->at))
        png_error(png, "stream ends");
    std::memcpy(out, reading->data.constData() + reading->at, length);
    reading->at += qsizetype(length);
}
static void complainedPngError(png_structp png, png_const_charp message)
{
    static_cast<PngComplaints *>(png_get_error_ptr(png))->said += QString::fromLatin1(message);
    std::longjmp(static_cast<PngComplaints *>(png_get_error_ptr(png))->exit, 1);
}
static void complainedPngWarning(png_structp png, png_const_charp message)
{
    static_cast<PngComplaints *>(png_get_error_ptr(png))->said += QString::fromLatin1(message) + "; ";
}
}

void readPngStream(png_structp png, png_infop info, PngComplaints &complaints,
                   std::vector<unsigned char> &row)
{
    if (setjmp(complaints.exit))
        return;
    png_set_read_fn(png, &complaints, complainedPngRead);
    png_read_info(png, info);
    row.resize(png_get_rowbytes(png, info));
    for (png_uint_32 y = 0; y < png_get_image_height(png, info); ++y)
        png_read_row(png, row.data(), nullptr);
    png_read_end(png, nullptr);
}

// A PNG image stream (Flate with PNG predictors) read by libpng, put back in a PNG file of its
// declared size, colours and palette.
QString pngStreamComplaints(const QString &dictionary, const QByteArray &data)
{
    const auto entry = [&dictionary](const char *name) {
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("/%1 (\\d+)").arg(QLatin1String(name))).match(dictionary);
        return match.captured(1).toUInt();
    };
    const QRegularExpressionMatch lookup =
        QRegularExpression(QStringLiteral("/Indexed\\S* (\\d+)<([0-9a-f]*)>")).match(dictionary);
    const int colourType = lookup.hasMatch() ? 3 : entry("Colors") == 3 ? 2 : 0;
    PngComplaints complaints;
    complaints.data = Signature + chunk("IHDR", header(entry("Width"), entry("Height"),
                                                       int(entry("BitsPerComponent")), colourType));
    if (lookup.hasMatch())
        complaints.data += chunk("PLTE", QByteArray::fromHex(lookup.captured(2).toLatin1()));
    complaints.data += chunk("IDAT", data) + chunk("IEND", {});
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &complaints, complainedPngError, complainedPngWarning);
    png_infop info = png_create_info_struct(png);
    std::vector<unsigned char> row;
    readPngStream(png, info, complaints, row);
    png_destroy_read_struct(&png, &info, nullptr);
    return complaints.said;
}

// Decoded samples, deflated: the stream inflates to a whole number of rows of the declared size.
QString flateStreamComplaints(const QString &dictionary, const QByteArray &data)
{
    QByteArray out(64 * 1024 * 1024, Qt::Uninitialized);
    uLongf size = uLongf(out.size());
    if (uncompress(reinterpret_cast<Bytef *>(out.data()), &size,
                   reinterpret_cast<const Bytef *>(data.constData()), uLong(data.size())) != Z_OK)
        return QStringLiteral("the stream does not inflate");
    const auto entry = [&dictionary](const char *name) {
        return QRegularExpression(QStringLiteral("/%1 (\\d+)").arg(QLatin1String(name)))
            .match(dictionary)
            .captured(1)
            .toULongLong();
    };
    const quint64 pixels = entry("Width") * entry("Height") * entry("BitsPerComponent") / 8;
    return size == pixels || size == 3 * pixels || size == 4 * pixels
               ? QString()
               : QStringLiteral("%1 bytes of samples").arg(size);
}

// The image streams of a PDF made by the project's writer: their dictionaries and data.
QList<QPair<QString, QByteArray>> imageStreams(const QByteArray &pdf)
{
    QList<QPair<QString, QByteArray>> found;
    static const QRegularExpression image(
        QStringLiteral("<<(/Type/XObject/Subtype/Image.*?)/Length (\\d+)>>\nstream\n"));
    const QString text = QString::fromLatin1(pdf);
    for (const QRegularExpressionMatch &match : image.globalMatch(text)) {
        if (match.captured(1).contains(QLatin1String("/SMask")) ||
            !match.captured(1).contains(QLatin1String("/Filter")))
            continue;
        found.append({match.captured(1), pdf.mid(match.capturedEnd(), match.captured(2).toLongLong())});
    }
    return found;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QPageLayout a4()
{
    return {QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0.25, 0.25, 0.25, 0.25),
            QPageLayout::Inch};
}

} // namespace

// Every picture is proven before it goes into the document: the pictures that readers of the
// document would refuse, warn about or draw otherwise than viewers show them are refused with a
// numbered error (and that record's page has no picture), or go in as viewers show them.
class TestPictureProof : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(PdfTools::available());
        if (QStandardPaths::findExecutable(QStringLiteral("gs")).isEmpty())
            LSTPRINT_SKIP(QStringLiteral("gs is not installed"));
        QVERIFY(QFileInfo(qEnvironmentVariable("LSTPRINT_PROGRAM")).isExecutable());
    }

    void eachCause_data()
    {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<int>("error");        // 0: printed
        QTest::addColumn<QString>("document"); // printed: what its image stream is (see below)
        QTest::addColumn<int>(
            "tolerance"); // printed: the mean difference from Qt's decoding; -1 not compared

        // document: "same" the file's bytes with the DCT filter, "dct" other JPEG bytes, "png" the
        // PNG's own compressed data, "decoded" deflated samples; "+icc", "+cal" or "+device": the
        // colour space it goes in with.
        const int damaged = PrintError::PictureNotReadable;
        const QByteArray jpeg = makeJpeg();
        const QByteArray progressive = makeJpeg({3, true});
        // Large enough that the part cut off is more than the few bytes the arithmetic decoder
        // reads ahead of its last symbols.
        const QByteArray arithmetic = makeJpeg({3, false, true, 0, true, 640, 480});
        const auto cut = [](const QByteArray &file) { return file.left(file.size() * 3 / 5) + "\xFF\xD9"; };

        QTest::newRow("sound JPEG") << jpeg << 0 << "same+device" << 6;
        QTest::newRow("sound progressive JPEG") << progressive << 0 << "same+device" << 6;
        QTest::newRow("sound CMYK JPEG, Adobe marker") << makeJpeg({4}) << 0 << "same+device" << 40;

        // 1. Cut short, closed by an end marker.
        QTest::newRow("1 baseline JPEG cut short, end marker kept") << cut(jpeg) << damaged << "" << -1;
        QTest::newRow("1 progressive JPEG cut short, end marker kept")
            << cut(progressive) << damaged << "" << -1;
        QTest::newRow("sound arithmetic JPEG") << arithmetic << 0 << "decoded+device" << 6;
        QTest::newRow("sound progressive arithmetic JPEG")
            << makeJpeg({3, true, true, 0, true, 640, 480}) << 0 << "decoded+device" << 6;
        QTest::newRow("1 arithmetic JPEG cut short, end marker kept")
            << cut(arithmetic) << damaged << "" << -1;
        QTest::newRow("1 progressive arithmetic JPEG cut short, end marker kept")
            << cut(makeJpeg({3, true, true, 0, true, 640, 480})) << damaged << "" << -1;
        const QByteArray small = makeJpeg({3, false, false, 0, true, 16, 16});
        const qsizetype size = frameComponent(small, 0) - 5;
        QTest::newRow("1 JPEG declaring 8192 x 4096 over 16 x 16 of data")
            << patched(small, size, QByteArray("\x10\x00\x20\x00", 4)) << damaged << "" << -1;

        // 2. Faults met only while decoding.
        const qsizetype firstScan = markerAt(jpeg, 0xDA);
        QTest::newRow("2 Huffman table never defined")
            << patched(jpeg, firstScan + 6, QByteArray("\x22", 1)) << damaged << "" << -1;
        QTest::newRow("2 quantisation table never defined")
            << patched(jpeg, frameComponent(jpeg, 0) + 2, QByteArray("\x03", 1)) << damaged << "" << -1;
        const qsizetype laterScan = markerAt(progressive, 0xDA, 2);
        QTest::newRow("2 unknown component in a later scan")
            << patched(progressive, laterScan + 5, QByteArray("\x09", 1)) << damaged << "" << -1;
        QTest::newRow("2 fractional sampling")
            << patched(jpeg, frameComponent(jpeg, 0) + 1, QByteArray("\x31", 1)) << damaged << "" << -1;
        QTest::newRow("2 more than 10 blocks per MCU")
            << patched(jpeg, frameComponent(jpeg, 0) + 1, QByteArray("\x44", 1)) << damaged << "" << -1;
        QByteArray badTable("\xFF\xC4\x00\x14\x10\x03", 6); // AC table 0: three codes of one bit
        badTable += QByteArray(15, '\0') + QByteArray("\x01\x02\x03", 3);
        badTable[3] = char(badTable.size() - 2);
        QTest::newRow("2 bad Huffman table between scans")
            << QByteArray(progressive).insert(markerAt(progressive, 0xDA, 1), badTable) << damaged << ""
            << -1;

        // 3. Damage that decoders warn about and draw over.
        const qsizetype data = scanDataAt(jpeg);
        QTest::newRow("3 corrupt entropy data")
            << patched(jpeg, data + 200, QByteArray("\xFF\x00\xFF\x00\xFF\x00", 6)) << damaged << "" << -1;
        const QByteArray restarts = makeJpeg({3, false, false, 1});
        const qsizetype restart = restarts.indexOf(QByteArray("\xFF\xD1", 2), scanDataAt(restarts));
        QTest::newRow("3 wrong restart marker")
            << patched(restarts, restart + 1, QByteArray("\xD5", 1)) << damaged << "" << -1;
        QTest::newRow("3 restart interval without restart markers")
            << QByteArray(jpeg).insert(firstScan, QByteArray("\xFF\xDD\x00\x04\x00\x01", 6)) << damaged << ""
            << -1;
        QTest::newRow("3 bytes between markers")
            << QByteArray(jpeg).insert(markerAt(jpeg, 0xDB), QByteArray("junk")) << damaged << "" << -1;
        const qsizetype secondScan = markerAt(progressive, 0xDA, 1);
        const qsizetype thirdScan = markerAt(progressive, 0xDA, 2);
        QTest::newRow("3 inconsistent progression (a scan sent twice)")
            << QByteArray(progressive).insert(thirdScan, progressive.mid(secondScan, thirdScan - secondScan))
            << damaged << "" << -1;

        // 4. Read only by filling in: repaired, or decoded.
        QTest::newRow("4 no Huffman tables (Motion-JPEG frame)")
            << withoutSegments(jpeg, 0xC4) << 0 << "dct+device" << 6;
        QByteArray repeated = jpeg;
        for (int component = 0; component < 3; ++component) {
            repeated[frameComponent(repeated, component)] = '\x01';
            repeated[firstScan + 5 + 2 * component] = '\x01';
        }
        QTest::newRow("4 component ids repeated") << repeated << 0 << "decoded+device" << 6;

        // 5. CMYK without Adobe's marker, stored inverted as nearly all CMYK JPEGs are.
        QTest::newRow("5 CMYK JPEG without Adobe marker")
            << makeJpeg({4, false, false, 0, false}) << 0 << "same+device" << 40;

        // 6. Profiles that open but cannot be used.
        const QByteArray srgb = srgbProfile();
        QTest::newRow("6 sound profile") << jpegWithProfile(jpeg, srgb) << 0 << "same+icc" << 8;
        QByteArray truncated =
            srgb.left(srgb.size() - 200); // its header says so, but its tags run past the end
        truncated.replace(0, 4, bigEndian32(quint32(truncated.size())));
        QTest::newRow("6 truncated profile") << jpegWithProfile(jpeg, truncated) << 0 << "same+device" << 6;
        QByteArray badTags = srgb;
        badTags.replace(128, 4, bigEndian32(0x7FFF));
        QTest::newRow("6 profile with a bad tag table")
            << jpegWithProfile(jpeg, badTags) << 0 << "same+device" << 6;
        QByteArray smaller = srgb;
        smaller.replace(0, 4, bigEndian32(quint32(srgb.size() - 100)));
        QTest::newRow("6 profile whose header gives a smaller size")
            << jpegWithProfile(jpeg, smaller) << 0 << "same+device" << 6;

        // 7. The size limit on the header the document would carry.
        const int tooLarge = PrintError::PictureTooLarge;
        QTest::newRow("7 PNG of 40,000 x 40,000")
            << Signature + chunk("IHDR", header(40000, 40000, 8, 2)) + chunk("IDAT", pixelData(64, 48, 2)) +
                   chunk("IEND", {})
            << tooLarge << "" << -1;
        QTest::newRow("7 PNG header with a wrong checksum")
            << Signature + chunk("IHDR", header(100000, 100000, 8, 2), false) +
                   chunk("IDAT", pixelData(64, 48, 2)) + chunk("IEND", {})
            << damaged << "" << -1;
        QTest::newRow("7 PNG header of 1 x 1 before the real one")
            << Signature + chunk("IHDR", header(1, 1, 8, 2)) + chunk("IHDR", header(90000, 90000, 8, 2)) +
                   chunk("IDAT", pixelData(64, 48, 2)) + chunk("IEND", {})
            << damaged << "" << -1;
        QTest::newRow("7 PNG wider than 1,000,000")
            << Signature + chunk("IHDR", header(1000001, 1, 8, 2)) + chunk("IDAT", pixelData(64, 48, 2)) +
                   chunk("IEND", {})
            << damaged << "" << -1;

        // 8. PNGs that libpng refuses.
        QTest::newRow("sound PNG") << rgbPng() << 0 << "png+device" << 2;
        QTest::newRow("sound palette PNG")
            << Signature + chunk("IHDR", header(64, 48, 8, 3)) + chunk("PLTE", palette(4)) +
                   chunk("IDAT", pixelData(64, 48, 3)) + chunk("IEND", {})
            << 0 << "png+device" << 2;
        QTest::newRow("8 PLTE after IDAT")
            << Signature + chunk("IHDR", header(64, 48, 8, 3)) + chunk("IDAT", pixelData(64, 48, 3)) +
                   chunk("PLTE", palette(4)) + chunk("IEND", {})
            << damaged << "" << -1;
        QTest::newRow("8 IDAT with a wrong checksum")
            << Signature + chunk("IHDR", header(64, 48, 8, 2)) + chunk("IDAT", pixelData(64, 48, 2), false) +
                   chunk("IEND", {})
            << damaged << "" << -1;
        QTest::newRow("8 unknown critical chunk") << rgbPng(chunk("QUUX", "data")) << damaged << "" << -1;
        const QByteArray pixels = pixelData(64, 48, 2);
        QTest::newRow("8 IDAT split by another chunk")
            << Signature + chunk("IHDR", header(64, 48, 8, 2)) + chunk("IDAT", pixels.left(100)) +
                   chunk("tEXt", "a\0b") + chunk("IDAT", pixels.mid(100)) + chunk("IEND", {})
            << damaged << "" << -1;

        // 9. Palettes out of range.
        QTest::newRow("9 palette of 300 entries")
            << Signature + chunk("IHDR", header(64, 48, 8, 3)) + chunk("PLTE", palette(300)) +
                   chunk("IDAT", pixelData(64, 48, 3)) + chunk("IEND", {})
            << damaged << "" << -1;
        QTest::newRow("9 indices past a 4-entry palette")
            << Signature + chunk("IHDR", header(64, 48, 8, 3)) + chunk("PLTE", palette(4)) +
                   chunk("IDAT", pixelData(64, 48, 3, 9)) + chunk("IEND", {})
            << damaged << "" << -1;

        // 10. Chromaticities that libpng rejects are left out, with the gamma beside them.
        const QByteArray linear = chunk("gAMA", bigEndian32(100000));
        // "cal": its own primaries (Adobe RGB's here); "cal-srgb": sRGB's, those of a gamma alone.
        QTest::newRow("10 sound cHRM and gAMA")
            << rgbPng(linear +
                      chunk("cHRM", chromaticities({31270, 32900, 64000, 33000, 21000, 71000, 15000, 6000})))
            << 0 << "png+cal" << -1;
        QTest::newRow("10 cHRM white point with x + y > 1")
            << rgbPng(linear +
                      chunk("cHRM", chromaticities({70000, 50000, 64000, 33000, 21000, 71000, 15000, 6000})))
            << 0 << "png+cal-srgb" << -1;
        QTest::newRow("10 cHRM white point y near 0")
            << rgbPng(linear +
                      chunk("cHRM", chromaticities({31270, 3, 64000, 33000, 21000, 71000, 15000, 6000})))
            << 0 << "png+cal-srgb" << -1;
        QTest::newRow("10 cHRM of a wide gamut, red y of 0 (libpng takes it)")
            << rgbPng(linear +
                      chunk("cHRM", chromaticities({31270, 32900, 73470, 0, 21000, 71000, 15000, 6000})))
            << 0 << "png+cal" << -1;

        // 11. Judgement calls.
        QTest::newRow("11 orientation in the thumbnail's section only")
            << withThumbnailOrientation(jpeg) << 0 << "same+device" << 6;
        QTest::newRow("11 gAMA of 0.0101")
            << rgbPng(chunk("gAMA", bigEndian32(1010))) << 0 << "png+device" << 2;
    }

    void eachCause()
    {
        QFETCH(QByteArray, picture);
        QFETCH(int, error);
        QFETCH(QString, document);
        QFETCH(int, tolerance);
        ProgramFolder folder;
        folder.write("t.lst", "id,filename\n\"1\",\"picture\"\n");
        folder.write("picture", picture);
        const QString pdf = folder.filePath("out.pdf");

        // As a user runs it: the exit status and the numbered error.
        QProcess program;
        program.start(qEnvironmentVariable("LSTPRINT_PROGRAM"),
                      {QStringLiteral("--pdf"), pdf, folder.path()});
        QVERIFY(program.waitForFinished(60000));
        const QString said = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitCode(), error == 0 ? 0 : 1);
        if (error != 0) {
            QVERIFY2(said.startsWith(QStringLiteral("Error %1: ").arg(error)), qPrintable(said));
            QVERIFY2(said.contains(folder.filePath("picture")), qPrintable(said));
            QVERIFY(PdfTools::images(pdf).isEmpty()); // the page has no picture
            return;
        }
        QVERIFY2(!said.contains(QLatin1String("Error")), qPrintable(said));

        // Its image stream decodes without a word from libjpeg or libpng, as it was meant to go in.
        const QByteArray written = contentOf(pdf);
        const auto streams = imageStreams(written);
        QCOMPARE(streams.size(), 1);
        const QString &dictionary = streams.first().first;
        const QByteArray &stream = streams.first().second;
        const QString kind = document.section('+', 0, 0);
        const QString space = document.section('+', 1);
        QString complaints;
        if (kind == "same" || kind == "dct") {
            QVERIFY2(dictionary.contains(QLatin1String("/DCTDecode")), qPrintable(dictionary));
            QCOMPARE(stream == picture, kind == "same");
            complaints = jpegStreamComplaints(stream);
        } else if (kind == "png") {
            QVERIFY2(dictionary.contains(QLatin1String("/Predictor 15")), qPrintable(dictionary));
            complaints = pngStreamComplaints(dictionary, stream);
        } else {
            QVERIFY2(!dictionary.contains(QLatin1String("/DCTDecode")) &&
                         !dictionary.contains(QLatin1String("/Predictor")),
                     qPrintable(dictionary));
            complaints = flateStreamComplaints(dictionary, stream);
        }
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
        QCOMPARE(written.contains("/ICCBased"), space == "icc");
        QCOMPARE(written.contains("/CalRGB"), space.startsWith("cal"));
        if (space.startsWith("cal")) // sRGB's red primary and white: X 0.4124 of its Y 0.2126
            QCOMPARE(written.contains("/Matrix[0.412"), space == "cal-srgb");

        // Ghostscript, the print system's reader, draws the page without a word.
        QProcess gs;
        gs.setProcessChannelMode(QProcess::MergedChannels);
        gs.start(QStringLiteral("gs"),
                 {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
                  QStringLiteral("-dNOPAUSE"), QStringLiteral("-dPDFSTOPONERROR"),
                  QStringLiteral("-sDEVICE=png16m"), QStringLiteral("-r30"),
                  QStringLiteral("-sOutputFile=") + folder.filePath("page.png"), pdf});
        QVERIFY(gs.waitForFinished(60000));
        const QByteArray gsSaid = gs.readAll();
        QVERIFY2(gs.exitCode() == 0 && gsSaid.trimmed().isEmpty(), gsSaid.constData());

        // And it shows the picture as Qt's reader decodes the file (without turning it).
        if (tolerance < 0)
            return;
        QImageReader reader(folder.filePath("picture"));
        reader.setAutoTransform(false);
        const QImage expected = reader.read().convertToFormat(QImage::Format_RGB32);
        QVERIFY(!expected.isNull());
        const QString alone = folder.filePath("alone.pdf");
        {
            PictureLoader loader(96);
            PdfSurface surface(alone, a4());
            surface.drawPicture(loader.load(folder.filePath("picture")), 0, 0);
            surface.endDocument();
        }
        const QImage shown = PdfTools::renderPage(alone, 1, 96, PdfTools::Renderer::Ghostscript)
                                 .copy(24, 24, expected.width(), expected.height());
        double difference = 0;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb a = shown.pixel(x, y);
                const QRgb b = expected.pixel(x, y);
                difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b));
            }
        difference /= 3.0 * expected.width() * expected.height();
        QVERIFY2(difference <= tolerance,
                 qPrintable(QStringLiteral("mean difference %1 of 255").arg(difference)));
    }
};

QTEST_MAIN(TestPictureProof)
#include "tst_pictureproof.moc"
