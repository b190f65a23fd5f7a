// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pngproof.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

namespace {

// The file as libpng reads it, and how the reading ended. Plain data: it outlives a longjmp.
struct PngReading
{
    QByteArrayView data;
    qsizetype at = 0;
    std::jmp_buf exit;
    char said[256] = ""; // libpng's words for the first error
    bool ranOut = false;
    bool rowsRead = false;
    bool pastPalette = false; // a pixel's index is past the palette
};

extern "C" {

static void pngRead(png_structp png, png_bytep out, size_t length)
{
    auto *reading = static_cast<PngReading *>(png_get_io_ptr(png));
    if (length > size_t(reading->data.size() - reading->at)) {
        reading->ranOut = true;
        png_error(png, "the file ends here");
    }
    std::memcpy(out, reading->data.data() + reading->at, length);
    reading->at += qsizetype(length);
}

static void pngError(png_structp png, png_const_charp message)
{
    auto *reading = static_cast<PngReading *>(png_get_error_ptr(png));
    if (reading->said[0] == '\0')
        std::strncat(reading->said, message, sizeof reading->said - 1);
    std::longjmp(reading->exit, 1);
}

// A warning about an ancillary chunk (lower-case first letter) means libpng leaves that chunk out;
// any other one is damage to the picture itself.
static void pngWarning(png_structp png, png_const_charp message)
{
    const png_uint_32 chunk = png_get_io_chunk_type(png);
    if (chunk != 0 && (chunk & 0x20000000u) != 0)
        return;
    pngError(png, message);
}
}

// The functions below run between libpng's setjmp and its longjmp: they hold nothing that needs
// destroying.

// The colour chunks that libpng accepted, into proof.
void readColourChunks(png_structp png, png_infop info, PngProof &proof)
{
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileLength = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileLength) && profile)
        proof.iccProfile = QByteArray(reinterpret_cast<const char *>(profile), qsizetype(profileLength));
    int intent = 0;
    proof.srgb = png_get_sRGB(png, info, &intent) != 0;
    png_fixed_point gamma = 0;
    if (png_get_gAMA_fixed(png, info, &gamma))
        proof.gamma = double(gamma) / 100000.0;
    png_fixed_point c[8] = {};
    if (png_get_cHRM_fixed(png, info, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7])) {
        for (const png_fixed_point value : c)
            proof.chromaticities.push_back(double(value) / 100000.0);
    }
}

// How many entries a palette picture's palette has, its indices then read one to a byte to be
// looked at; 256 for other pictures, whose samples are never looked at.
int paletteEntries(png_structp png, png_infop info, int colourType)
{
    int size = 256;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        if (!png_get_PLTE(png, info, &palette, &size))
            size = 0;
        png_set_packing(png);
    }
    return size;
}

// Reads every row of the picture data, in each of its passes. A palette index past the palette is
// damage: readers refuse such a picture or draw those pixels each in its own way.
void readRows(png_structp png, png_infop info, PngReading &reading, std::vector<unsigned char> &row,
              png_uint_32 width, png_uint_32 height, int paletteSize, bool interlaced)
{
    const int passes = interlaced ? png_set_interlace_handling(png) : 1;
    png_read_update_info(png, info);
    row.resize(png_get_rowbytes(png, info));
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, row.data(), nullptr);
            if (paletteSize < 256 &&
                std::any_of(row.begin(), row.begin() + width,
                            [paletteSize](unsigned char index) { return index >= paletteSize; })) {
                reading.pastPalette = true;
                std::longjmp(reading.exit, 1);
            }
        }
    }
}

bool readPng(png_structp png, png_infop info, PngReading &reading, qint64 maxPixels, PngProof &proof,
             std::vector<unsigned char> &row)
{
    if (setjmp(reading.exit))
        return false;
    png_set_read_fn(png, &reading, pngRead);
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bits = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bits, &colourType, &interlace, nullptr, nullptr);
    proof.pixels = QSize(int(width), int(height));
    proof.bits = bits;
    proof.colourType = colourType;
    proof.interlaced = interlace != PNG_INTERLACE_NONE;
    if (qint64(width) * qint64(height) > maxPixels) {
        proof.tooLarge = true;
        return true;
    }
    readColourChunks(png, info, proof);
    readRows(png, info, reading, row, width, height, paletteEntries(png, info, colourType), proof.interlaced);
    reading.rowsRead = true;
    png_read_end(png, nullptr);
    return true;
}

} // namespace

PngProof provePng(QByteArrayView data, qint64 maxPixels)
{
    PngProof proof;
    PngReading reading;
    reading.data = data;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        proof.defect = PictureDefect::Damaged;
        return proof;
    }
    std::vector<unsigned char> row;
    const bool read = readPng(png, info, reading, maxPixels, proof, row);
    png_destroy_read_struct(&png, &info, nullptr);
    if (read) {
        proof.proven = !proof.tooLarge;
    } else if (reading.ranOut && reading.rowsRead) {
        proof.proven = true; // the file ends after the picture data: nothing of the picture is missing
    } else {
        proof.defect = reading.ranOut ? PictureDefect::CutShort : PictureDefect::Damaged;
        if (!reading.ranOut)
            proof.reason = QString::fromLatin1(reading.said);
    }
    return proof;
}
