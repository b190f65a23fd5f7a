// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "jpegdecoder.h"

#include "picturecheck.h"
#include "printerror.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QImageIOHandler>
#include <QTransform>

#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// The texts of this file, translated in the context "Picture".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Picture)
};

} // namespace

#if !defined(JCS_ALPHA_EXTENSIONS)
#error "libjpeg-turbo's colour space extensions are needed (Debian's libjpeg62-turbo-dev)"
#endif

namespace {

// libjpeg's error manager, extended so that an error, the warning that the data ran out, or too
// many scans end the decoding at once.
struct JpegErrors
{
    jpeg_error_mgr manager; // first: libjpeg hands it back as its own
    std::jmp_buf exit;
    bool dataRanOut = false;
    bool damaged = false; // any other warning
    bool tooManyScans = false;
    bool readingProfile = false;
    bool profileDamaged = false;
};

extern "C" {

static void jpegErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors *>(info->err)->exit, 1);
}

// Warnings (level -1) are not printed: each one is damage that libjpeg would paint over (grey
// where the data ran out, a block of noise where it did not make sense) and that every reader of
// the document would meet again. The first one ends the decoding. While the ICC profile is
// assembled, a warning concerns the profile alone, which is then left out.
static void jpegMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    auto *errors = reinterpret_cast<JpegErrors *>(info->err);
    if (errors->readingProfile) {
        errors->profileDamaged = true;
        return;
    }
    ++info->err->num_warnings;
    const int code = info->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)
        errors->dataRanOut = true;
    else
        errors->damaged = true;
    info->err->error_exit(info);
}

// Called as input is read; bounds the scans whatever the walk over the file counted.
//
// It also finds arithmetic-coded data that ends early. The arithmetic decoder may meet the next
// marker before the end of a scan (the encoder leaves out the zero bytes its last symbols end
// with) and then goes on with zeros, without a warning: a file cut short and closed by an end
// marker decodes as if nothing were missing. Yet the decoder reads only a few bytes ahead, and a
// few bytes hold the last symbols of a scan, never hundreds of blocks: a marker met with more than
// two rows of blocks and 256 blocks still to decode means the data ran out.
static void jpegProgress(j_common_ptr info)
{
    if (!info->is_decompressor)
        return;
    const auto decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > MaxJpegScans) {
        reinterpret_cast<JpegErrors *>(info->err)->tooManyScans = true;
        info->err->error_exit(info);
    }
    // 203: scans read ahead of the output (progressive, or several scans); 205: one scan, read as
    // the rows are put out.
    const int state = decompress->global_state;
    if (decompress->arith_code && decompress->unread_marker != 0 && (state == 203 || state == 205)) {
        const JDIMENSION row = state == 203 ? decompress->input_iMCU_row : decompress->output_iMCU_row;
        if (row < decompress->total_iMCU_rows) {
            const qint64 rowsLeft = qint64(decompress->total_iMCU_rows) - row;
            if (rowsLeft > 2 && rowsLeft * decompress->MCUs_per_row > 256) {
                reinterpret_cast<JpegErrors *>(info->err)->dataRanOut = true;
                info->err->error_exit(info);
            }
        }
    }
}
}

// Has errors catch a decompressor's errors and warnings and jpegProgress watch its scans: both ways
// of reading a JPEG, the proof and the decoding, start so.
void watchDecompressor(jpeg_decompress_struct &info, JpegErrors &errors, jpeg_progress_mgr &progress)
{
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegErrorExit;
    errors.manager.emit_message = jpegMessage;
    progress.progress_monitor = jpegProgress;
}

// The Exif orientation (1 to 8) of an APP1 segment's data, 0 where it has none. Only the main
// picture's IFD counts: the next one describes the thumbnail, whose orientation viewers ignore.
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
    const qint64 ifd = number(4, 4);
    const qint64 entries = ifd > 0 ? number(ifd, 2) : -1;
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 entry = ifd + 2 + 12 * i;
        if (number(entry, 2) != 0x0112)
            continue;
        const qint64 value = number(entry + 8, 2);
        return number(entry + 2, 2) == 3 && number(entry + 4, 4) == 1 && value >= 1 && value <= 8 ? int(value)
                                                                                                  : 0;
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

// The functions below run between libjpeg's setjmp and its longjmp: they hold nothing that needs
// destroying.

// Starts libjpeg on data and reads the headers up to the first scan, keeping the Exif and ICC
// profile segments.
void readHeaders(jpeg_decompress_struct &info, jpeg_progress_mgr &progress, QByteArrayView data)
{
    jpeg_create_decompress(&info);
    info.progress = &progress;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.data()),
                 static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF); // Exif
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF); // ICC profile
    jpeg_read_header(&info, TRUE);
}

// The orientation of the first Exif segment that has one, 0 where none has.
int savedOrientation(const jpeg_decompress_struct &info)
{
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        if (marker->marker != JPEG_APP0 + 1)
            continue;
        if (const int orientation = exifOrientation(
                QByteArrayView(reinterpret_cast<const char *>(marker->data), qsizetype(marker->data_length))))
            return orientation;
    }
    return 0;
}

// The ICC profile that the APP2 segments carry, malloc()ed by libjpeg; a warning on the way marks
// the profile alone as damaged.
void readIccProfile(jpeg_decompress_struct &info, JpegErrors &errors, JOCTET *&profile, unsigned int &length)
{
    errors.readingProfile = true;
    jpeg_read_icc_profile(&info, &profile, &length);
    errors.readingProfile = false;
}

// The image format Qt's reader gives for the colours libjpeg puts out (RGB is put out straight in
// RGB32's memory order); nothing for colours that are not grey, RGB or CMYK.
std::optional<QImage::Format> outputFormat(jpeg_decompress_struct &info)
{
    switch (info.out_color_space) {
    case JCS_GRAYSCALE:
        return QImage::Format_Grayscale8;
    case JCS_RGB:
        info.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
        return QImage::Format_RGB32;
    case JCS_CMYK:
        return QImage::Format_RGB32;
    default:
        return std::nullopt;
    }
}

// One row of the inverted CMYK that Adobe's programs write, as Qt's reader converts it.
void convertCmykRow(const JSAMPLE *in, QRgb *out, JDIMENSION width)
{
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        const int k = in[3];
        out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
    }
}

// Decodes every row into image: grey and RGB straight into its memory, several rows at a time,
// CMYK a row at a time through a row of libjpeg's.
void decodeRows(jpeg_decompress_struct &info, QImage &image, bool cmyk)
{
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
        convertCmykRow(cmykRow[0], reinterpret_cast<QRgb *>(image.scanLine(y)), info.output_width);
    }
    jpeg_finish_decompress(&info);
}

// Decodes a JPEG into image, in the format Qt's own reader gives (grey, or RGB32 for colour and
// CMYK), in one pass. Holds nothing that needs destroying, since libjpeg's errors return here
// through longjmp.
bool readJpeg(jpeg_decompress_struct &info, JpegErrors &errors, jpeg_progress_mgr &progress,
              QByteArrayView data, QImage &image, JpegExtras &extras)
{
    if (setjmp(errors.exit))
        return false;
    readHeaders(info, progress, data);
    extras.orientation = savedOrientation(info);
    readIccProfile(info, errors, extras.iccProfile, extras.iccProfileLength);
    const std::optional<QImage::Format> format = outputFormat(info);
    if (!format) {
        extras.failure = "its colour components are not grey, RGB or CMYK";
        return false;
    }
    jpeg_calc_output_dimensions(&info);
    if (!QImageIOHandler::allocateImage(QSize(int(info.output_width), int(info.output_height)), *format,
                                        &image)) {
        extras.failure = "there is no memory for it";
        return false;
    }
    decodeRows(info, image, info.out_color_space == JCS_CMYK);
    return true;
}

} // namespace

// JPEGs are decoded with libjpeg here rather than through Qt's reader, which turns libjpeg's
// warnings into log lines: the warning that the data ran out (a file cut short and closed with
// an end marker) must refuse the picture. Throws as decodeData does.
QImage decodeJpeg(QByteArrayView data, const QString &path)
{
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    jpeg_progress_mgr progress{};
    watchDecompressor(info, errors, progress);

    QImage image;
    JpegExtras extras;
    const bool decoded = readJpeg(info, errors, progress, data, image, extras);
    char reason[JMSG_LENGTH_MAX] = "";
    if (!decoded && !extras.failure)
        errors.manager.format_message(reinterpret_cast<j_common_ptr>(&info), reason);
    jpeg_destroy_decompress(&info);
    const QByteArray iccProfile = errors.profileDamaged
                                      ? QByteArray()
                                      : QByteArray(reinterpret_cast<const char *>(extras.iccProfile),
                                                   qsizetype(extras.iccProfileLength));
    std::free(extras.iccProfile);

    if (errors.tooManyScans)
        refusePicture(PictureDefect::TooManyScans, path);
    if (errors.dataRanOut)
        refusePicture(PictureDefect::Incomplete, path);
    if (errors.damaged)
        refusePicture(PictureDefect::Damaged, path);
    if (!decoded || image.isNull())
        throw PrintError(PrintError::PictureNotReadable,
                         Words::tr("The picture %1 could not be read: %2.")
                             .arg(displayPath(path), extras.failure ? QString::fromLatin1(extras.failure)
                                                                    : QString::fromLocal8Bit(reason)));
    if (!iccProfile.isEmpty())
        image.setColorSpace(QColorSpace::fromIccProfile(iccProfile));
    return oriented(std::move(image), extras.orientation);
}

namespace {

// Whether the header names colours that a document reads as they are coded (one grey component,
// three YCbCr or RGB, four CMYK or YCCK), and how they are coded.
bool readColourSpace(const jpeg_decompress_struct &info, JpegHeader &header)
{
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        return info.num_components == 1;
    case JCS_YCbCr:
    case JCS_RGB:
        header.transformed = info.jpeg_color_space == JCS_YCbCr;
        return info.num_components == 3;
    case JCS_CMYK:
    case JCS_YCCK:
        header.transformed = info.jpeg_color_space == JCS_YCCK;
        // Stored inverted (255 for no ink), with or without Adobe's marker: what every viewer
        // shows (Qt's reader, ImageMagick, browsers) and what Adobe's programs, which nearly all
        // CMYK JPEGs come from, write. Read the other way, a picture turns into a dark negative.
        header.inverted = true;
        return info.num_components == 4;
    default:
        return false;
    }
}

// Reads every bit of the coded data, at the smallest scale (1/8: one sample per block, so that no
// inverse transform is worked out), in the colours as they are coded, on to the end marker.
void readCodedData(jpeg_decompress_struct &info)
{
    info.scale_num = 1;
    info.scale_denom = 8;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    info.do_block_smoothing = FALSE;
    info.out_color_space = info.jpeg_color_space; // no colour conversion
    jpeg_start_decompress(&info);
    JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * JDIMENSION(info.output_components),
                                                JDIMENSION(info.rec_outbuf_height));
    while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, rows, JDIMENSION(info.rec_outbuf_height));
    jpeg_finish_decompress(&info); // reads on to the end marker, which may hold more damage
}

// Reads the headers into proof.header and, for a JPEG that can go into a document as it is and
// whose size is within maxPixels, all of its coded data. libjpeg's errors and warnings return here
// through longjmp, so it holds nothing that needs destroying.
bool readProof(jpeg_decompress_struct &info, JpegErrors &errors, jpeg_progress_mgr &progress,
               QByteArrayView data, qint64 maxPixels, JpegProof &proof, JOCTET *&profile,
               unsigned int &profileLength)
{
    JpegHeader &header = proof.header;
    if (setjmp(errors.exit))
        return false;
    readHeaders(info, progress, data);
    header.read = true;
    header.pixels = QSize(int(info.image_width), int(info.image_height));
    header.components = info.num_components;
    if (const int orientation = savedOrientation(info))
        header.orientation = orientation;
    readIccProfile(info, errors, profile, profileLength);
    const bool knownColours = readColourSpace(info, header);
    header.passThrough = knownColours && info.data_precision == 8 && !info.arith_code &&
                         header.pixels.width() > 0 && header.pixels.height() > 0;
    if (qint64(info.image_width) * info.image_height > maxPixels) {
        proof.tooLarge = true;
        return true;
    }
    if (!header.passThrough)
        return true;
    readCodedData(info);
    proof.proven = true;
    return true;
}

} // namespace

JpegProof proveJpeg(QByteArrayView data, qint64 maxPixels)
{
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    jpeg_progress_mgr progress{};
    watchDecompressor(info, errors, progress);
    JpegProof proof;
    JOCTET *profile = nullptr;
    unsigned int profileLength = 0;
    const bool read = readProof(info, errors, progress, data, maxPixels, proof, profile, profileLength);
    if (errors.tooManyScans)
        proof.defect = PictureDefect::TooManyScans;
    else if (errors.dataRanOut)
        proof.defect = PictureDefect::Incomplete;
    else if (errors.damaged)
        proof.defect = PictureDefect::Damaged;
    else if (!read) {
        char reason[JMSG_LENGTH_MAX] = "";
        errors.manager.format_message(reinterpret_cast<j_common_ptr>(&info), reason);
        proof.defect = PictureDefect::Damaged;
        proof.reason = QString::fromLocal8Bit(reason);
    }
    if (proof.defect != PictureDefect::None)
        proof.proven = false;
    jpeg_destroy_decompress(&info);
    if (!errors.profileDamaged)
        proof.header.iccProfile =
            QByteArray(reinterpret_cast<const char *>(profile), qsizetype(profileLength));
    std::free(profile);
    return proof;
}
