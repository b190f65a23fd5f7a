// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArrayView>
#include <QString>

// One run of a fuzz target on one input, shared by the fuzz targets and by tst_fuzzreplay (which
// replays their seeds and every input that once failed, in the ordinary and sanitizer builds).
//
// fuzz_printrun: the whole print run in program folders.
// An input's first byte picks the choices of the run (bit 0: portrait, bit 1: fit in page, bit 2:
// the folder with a logo); the rest is the list file. With bit 3 set, the rest is instead a picture
// file that a fixed list file names, for the picture loader's checks of a file's structure. The
// pages are drawn on a surface that draws nothing but checks what it is asked to do.
namespace FuzzHarness {

// Makes the two program folders under root (which must exist): pictures of every kind a record may
// name (sound, cut short, empty, not a picture, too large to decode), a sub-folder, a folder, a FIFO
// (opening it would hang, which the fuzzer reports as a timeout) and a dangling link. Returns what
// went wrong, or an empty string.
QString prepareFolders(const QString &root);

// Prints one input in the folders under root. Returns the first thing that went wrong (an exception
// leaving the run, a page drawn where it cannot be, more pages than records, a file changed), or an
// empty string.
QString runOne(const QString &root, QByteArrayView input);

// The list file reader and the record grid alone, with no files: the input's first byte picks the
// orientation (bit 0: portrait), the rest is a list file read from memory, printed by the real
// print run (its first two records) on a strip of paper a dozen lines high that checks every page
// against the field list: the number of grid lines,
// the key columns' widths and each value's first 26 characters (in code points), lines built only
// as far as the sheet, messages without control characters; and the reader's count of records
// against the format's and the pages. Returns what went wrong, or an empty string.
QString listGridOne(QByteArrayView input);

// The picture loader's checks and decoding on a file in memory (the whole input): the picture is
// either accepted, with a size, only where the walk over its format's structure finds nothing
// wrong, or refused with error 302 or 303 and a message that names the file. Returns what went
// wrong, or an empty string.
QString pictureOne(QByteArrayView input);

// The JPEG walk and proof (fuzz_jpegproof): the input is a JPEG's bytes (its first two bytes need
// not be a start marker). The walk, the standard tables put in where scans use ones never defined,
// and libjpeg's proof at 1/8 scale, within four million pixels: a proven JPEG is one PDF reads and
// within the limit, damage is never proven, and tables put in leave none missing.
QString jpegProofOne(QByteArrayView input);

// The PNG chunk walk, libpng's proof and the pass-through (fuzz_pngproof): a PNG's bytes. What
// libpng proves has a size of at most 1,000,000 a side within four million pixels, colours of
// sensible values; what passes through holds picture data of the size libpng read.
QString pngProofOne(QByteArrayView input);

// The ICC profile checks (fuzz_iccprofile): the input is a profile, also inflated as a PNG's iCCP
// chunk carries it. A profile that fits has a header giving its size, and fits one number of
// components only.
QString iccProfileOne(QByteArrayView input);

// The whole way from a picture file's bytes to the image objects of a PDF (fuzz_pdfpicture): the
// loader, then the PDF writer's image object in memory. Every accepted picture becomes one image
// object of its size, a JPEG its own (or repaired) bytes, with no number in it that is not a
// number.
QString pdfPictureOne(QByteArrayView input);

} // namespace FuzzHarness
