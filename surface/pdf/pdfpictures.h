// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QHash>

#include <array>

class PdfWriter;
class Picture;

// The pictures of one document as image objects, each written when it is first drawn and named
// again whenever it is drawn after that. A JPEG that PDF reads goes in as the file's bytes, read
// with the DCT filter; every other picture goes in as its decoded pixels, deflated: a palette stays
// a palette, and transparency becomes a soft mask (or, for one transparent palette entry, a colour
// key mask). Colours are read as the file says: an embedded ICC profile that fits becomes an
// ICC-based colour space (written once however many pictures carry it), a PNG's gamma and
// primaries without a profile a CIE-based calibrated one; everything else is device colour. A PNG
// whose compressed data PDF reads (no alpha, not interlaced) goes in with that data as it is.
class PdfPictures
{
public:
    explicit PdfPictures(PdfWriter &writer) : m_writer(writer) {}

    // The image object of a picture (not a null one), written now if it has not been.
    [[nodiscard]] int imageObject(const Picture &picture);

    // The operands of the cm operator that draws picture into the box whose bottom-left corner is
    // (x, y) and whose size is width by height, in points: the unit square of the image, turned and
    // mirrored as a JPEG's Exif orientation says.
    [[nodiscard]] static std::array<double, 6> placement(const Picture &picture, double x, double y,
                                                         double width, double height);

private:
    [[nodiscard]] int writeJpeg(const Picture &picture);
    [[nodiscard]] int writePng(const Picture &picture);
    [[nodiscard]] int writeDecoded(const Picture &picture);
    // The colour space of samples with that many components, as the picture's colour says; an
    // indirect ICC profile object or a direct calibrated one, or a device space.
    [[nodiscard]] QByteArray colourSpace(const Picture &picture, int components);

    PdfWriter &m_writer;
    QHash<QByteArray, int> m_images;   // picture identity -> image object
    QHash<QByteArray, int> m_profiles; // profile hash -> ICC stream object
};
