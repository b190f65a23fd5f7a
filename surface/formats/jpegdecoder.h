// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

#include "picturecheck.h"

// A JPEG that PDF's DCT filter reads as it stands: 8-bit, Huffman coded, baseline or progressive,
// one, three or four components. It is kept and embedded as the file's own bytes.
struct JpegData
{
    QByteArray bytes;
    QSize pixels;            // as coded, before the orientation is applied
    int components = 3;      // 1 grey, 3 colour, 4 CMYK
    bool transformed = true; // the components are YCbCr (or YCCK) rather than RGB (or CMYK)
    bool inverted = false;   // the CMYK of Adobe's programs, stored inverted
    int orientation = 1;     // the Exif orientation, 1 to 8, which the drawing applies
    bool repaired = false;   // the standard Huffman tables that the file leaves out are put in
};

// Decodes a JPEG with libjpeg, in one pass, into the image Qt's own reader would give (grey, or
// RGB32 for colour and CMYK, turned as its Exif orientation says, with its ICC profile). Unlike Qt's
// reader it refuses data that runs out before the last pixel (libjpeg's warning, which Qt only
// logs) and a progressive JPEG of more than MaxJpegScans scans. Throws PrintError naming path.
[[nodiscard]] QImage decodeJpeg(QByteArrayView data, const QString &path);

// What a JPEG's headers say, as libjpeg reads them up to the first scan.
struct JpegHeader
{
    bool read = false;        // libjpeg read the headers
    bool passThrough = false; // 8-bit, Huffman coded, with one, three or four components it knows
    QSize pixels;             // as coded
    int components = 0;
    bool transformed = true; // YCbCr or YCCK, rather than RGB or CMYK
    bool inverted = false;   // four components: CMYK stored inverted, as viewers read it
    int orientation = 1;     // Exif, 1 to 8
    QByteArray iccProfile;   // as the APP2 segments carry it; empty where they are damaged
};

// The proof that a JPEG can go into a document as its own bytes: libjpeg reads its headers and,
// where it is one PDF reads (header.passThrough) and within maxPixels, every bit of its coded
// data, at the smallest scale. Every warning libjpeg gives on the way is damage: the data ran out
// (closed by an end marker or not), corrupt entropy data, a missing or wrong restart marker, bytes
// between markers, an inconsistent progression; so is every error (a table used but never
// defined, a scan naming an unknown component, sampling it cannot decode).
struct JpegProof
{
    JpegHeader header;
    PictureDefect defect = PictureDefect::None; // Incomplete where the data ran out
    QString reason;                             // libjpeg's words for an error (empty for a warning)
    bool tooLarge = false;                      // more than maxPixels: nothing was decoded
    bool proven = false;                        // every bit of the coded data was read without a warning
};
[[nodiscard]] JpegProof proveJpeg(QByteArrayView data, qint64 maxPixels);
