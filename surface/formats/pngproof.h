// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "picturecheck.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>
#include <QString>

#include <vector>

// The proof of a PNG, by libpng, the library that reads PNGs everywhere else: its header and every
// chunk before the picture data as libpng checks them (checksums, the order and number of the
// critical chunks, libpng's limit of 1,000,000 pixels a side), then, when the size it declares is
// within maxPixels, every row of the picture data, and the chunks after it. An error is damage,
// and so is every warning except one about an ancillary chunk, which libpng then ignores (a colour
// chunk with impossible values, a text chunk with a wrong checksum): the picture is read without
// it, as every viewer reads it.
struct PngProof
{
    PictureDefect defect = PictureDefect::None;
    QString reason;        // libpng's words, where it said why
    bool tooLarge = false; // more than maxPixels: no row was read
    bool proven = false;   // the header and every row were read without damage
    QSize pixels;          // the header's, as libpng read it
    int bits = 0;
    int colourType = 0;
    bool interlaced = false;

    // The colour chunks that libpng accepted: a profile (as it is, not yet checked against the
    // pixels), an sRGB chunk, the gamma and the chromaticities (white, red, green, blue as x, y).
    QByteArray iccProfile;
    bool srgb = false;
    double gamma = 0;
    std::vector<double> chromaticities;
};
[[nodiscard]] PngProof provePng(QByteArrayView data, qint64 maxPixels);
