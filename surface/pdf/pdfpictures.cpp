// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdfpictures.h"

#include "colourprofile.h"
#include "pdfwriter.h"
#include "picture.h"

#include <QCryptographicHash>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string number(double value)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.6f", value);
    std::string shown = text;
    while (!shown.empty() && shown.back() == '0')
        shown.pop_back();
    if (!shown.empty() && shown.back() == '.')
        shown.pop_back();
    return shown == "-0" ? "0" : shown;
}

// sRGB's primaries and white point (D65), for a gamma without primaries.
const std::array<double, 8> SrgbChromaticities{0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};

// The CIE XYZ of a white point given as x, y, with Y = 1.
std::array<double, 3> whiteOf(double x, double y)
{
    return {x / y, 1.0, (1.0 - x - y) / y};
}

// The calibrated colour space of a gamma (and the primaries) of a PNG: PDF's CalRGB or CalGray.
// Samples encoded with the exponent g decode with 1 / g. The matrix takes the primaries to XYZ so
// that full red, green and blue together give the white point.
std::string calibratedSpace(const PictureColour &colour, int components)
{
    const std::array<double, 8> c =
        colour.chromaticities.size() == 8
            ? std::array<double, 8>{colour.chromaticities[0], colour.chromaticities[1],
                                    colour.chromaticities[2], colour.chromaticities[3],
                                    colour.chromaticities[4], colour.chromaticities[5],
                                    colour.chromaticities[6], colour.chromaticities[7]}
            : SrgbChromaticities;
    const std::array<double, 3> white = whiteOf(c[0], c[1]);
    const double gamma = 1.0 / colour.gamma;
    const std::string whitePoint =
        "/WhitePoint[" + number(white[0]) + " " + number(white[1]) + " " + number(white[2]) + "]";
    if (components == 1)
        return "[/CalGray<<" + whitePoint + "/Gamma " + number(gamma) + ">>]";

    // The primaries' x, y and z as columns, scaled so that their sum is the white. Not divided by
    // a primary's y: wide-gamut spaces have primaries of y = 0, which libpng accepts.
    double m[3][3];
    for (int i = 0; i < 3; ++i) {
        const double x = c[2 + 2 * i];
        const double y = c[3 + 2 * i];
        m[0][i] = x;
        m[1][i] = y;
        m[2][i] = 1.0 - x - y;
    }
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::abs(det) < 1e-9)
        return components == 3 ? "/DeviceRGB" : "/DeviceGray";
    double inverse[3][3];
    inverse[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
    inverse[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    inverse[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    inverse[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
    inverse[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    inverse[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    inverse[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
    inverse[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    inverse[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    double scale[3];
    for (int i = 0; i < 3; ++i)
        scale[i] = inverse[i][0] * white[0] + inverse[i][1] * white[1] + inverse[i][2] * white[2];
    std::string matrix = "/Matrix[";
    for (int i = 0; i < 3; ++i) {
        for (int row = 0; row < 3; ++row) {
            if (!std::isfinite(m[row][i] * scale[i]))
                return components == 3 ? "/DeviceRGB" : "/DeviceGray";
            matrix += number(m[row][i] * scale[i]) + " ";
        }
    }
    matrix += "]";
    const std::string g = number(gamma);
    return "[/CalRGB<<" + whitePoint + "/Gamma[" + g + " " + g + " " + g + "]" + matrix + ">>]";
}

std::string deviceSpace(int components)
{
    return components == 1 ? "/DeviceGray" : components == 4 ? "/DeviceCMYK" : "/DeviceRGB";
}

// The samples of a decoded picture, rows one after the other, as PDF's image data has them.
struct Samples
{
    QByteArray data;
    QByteArray alpha; // one sample a pixel, or empty when every pixel is opaque
    int components = 3;
    int bits = 8;
    QByteArray palette; // RGB triples, for a palette picture
    int transparentIndex = -1;
};

// The picture as palette indices when it has at most 256 colours: how a GIF (which Qt's reader
// hands over as RGB) keeps its palette. A null image as soon as a 257th colour turns up.
QImage asPalette(const QImage &image)
{
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        return {};
    constexpr int Slots = 1024; // open addressing, at most a quarter full
    std::array<QRgb, Slots> keys{};
    std::array<int, Slots> indices;
    indices.fill(-1);
    QList<QRgb> table;
    QImage indexed(image.size(), QImage::Format_Indexed8);
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        QRgb last = 0;
        int lastIndex = -1;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.format() == QImage::Format_RGB32 ? (row[x] | 0xFF000000u) : row[x];
            if (pixel != last || lastIndex < 0) {
                unsigned slot = (pixel * 2654435761u) >> 22;
                while (indices[slot] >= 0 && keys[slot] != pixel)
                    slot = (slot + 1) & (Slots - 1);
                if (indices[slot] < 0) {
                    if (table.size() == 256)
                        return {};
                    keys[slot] = pixel;
                    indices[slot] = int(table.size());
                    table << pixel;
                }
                last = pixel;
                lastIndex = indices[slot];
            }
            out[x] = uchar(lastIndex);
        }
    }
    indexed.setColorTable(table);
    return indexed;
}

// The samples of a palette picture: an index a pixel, the palette as RGB triples, and its
// transparency as one transparent index or, where some colour is partly transparent, as alpha
// samples.
Samples paletteSamples(const QImage &image)
{
    Samples samples;
    const int width = image.width();
    const int height = image.height();
    const QList<QRgb> table = image.colorTable();
    int transparent = -1;
    bool partly = false;
    for (qsizetype i = 0; i < table.size(); ++i) {
        const int a = qAlpha(table[i]);
        if (a == 0 && transparent < 0)
            transparent = int(i);
        else if (a < 255)
            partly = true;
        samples.palette += char(qRed(table[i]));
        samples.palette += char(qGreen(table[i]));
        samples.palette += char(qBlue(table[i]));
    }
    samples.components = 1;
    samples.data.resize(qsizetype(width) * height);
    for (int y = 0; y < height; ++y) {
        const uchar *row = image.constScanLine(y);
        char *out = samples.data.data() + qsizetype(y) * width;
        for (int x = 0; x < width; ++x)
            out[x] = char(row[x] < table.size() ? row[x] : 0);
    }
    if (partly) {
        samples.alpha.resize(qsizetype(width) * height);
        for (qsizetype i = 0; i < samples.data.size(); ++i)
            samples.alpha[i] = char(qAlpha(table[static_cast<uchar>(samples.data[i])]));
    } else {
        samples.transparentIndex = transparent;
    }
    return samples;
}

// The samples of a grey picture of 8 or 16 bits, the wide ones big-endian as PDF has them.
Samples greySamples(const QImage &image)
{
    Samples samples;
    const int width = image.width();
    const int height = image.height();
    const bool wide = image.format() == QImage::Format_Grayscale16;
    samples.components = 1;
    samples.bits = wide ? 16 : 8;
    const qsizetype rowBytes = qsizetype(width) * (wide ? 2 : 1);
    samples.data.resize(rowBytes * height);
    for (int y = 0; y < height; ++y) {
        char *out = samples.data.data() + y * rowBytes;
        if (!wide) {
            std::memcpy(out, image.constScanLine(y), size_t(rowBytes));
            continue;
        }
        const auto *row = reinterpret_cast<const quint16 *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            out[2 * x] = char(row[x] >> 8);
            out[2 * x + 1] = char(row[x] & 0xFF);
        }
    }
    return samples;
}

// The samples of a picture of 16 bits a component: RGB, and alpha where some pixel is not opaque,
// big-endian as PDF has them.
Samples wideRgbSamples(QImage image)
{
    Samples samples;
    const int width = image.width();
    const int height = image.height();
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    const bool alpha = image.hasAlphaChannel();
    samples.bits = 16;
    samples.data.resize(qsizetype(width) * height * 6);
    if (alpha)
        samples.alpha.resize(qsizetype(width) * height * 2);
    char *out = samples.data.data();
    char *outAlpha = samples.alpha.data();
    bool opaque = true;
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const QRgba64 *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            for (const quint16 value : {row[x].red(), row[x].green(), row[x].blue()}) {
                *out++ = char(value >> 8);
                *out++ = char(value & 0xFF);
            }
            if (alpha) {
                *outAlpha++ = char(row[x].alpha() >> 8);
                *outAlpha++ = char(row[x].alpha() & 0xFF);
                opaque = opaque && row[x].alpha() == 0xFFFF;
            }
        }
    }
    if (opaque)
        samples.alpha.clear();
    return samples;
}

// The samples of any other picture, made 8-bit RGB: RGB, and alpha where some pixel is not opaque.
Samples rgbSamples(QImage image)
{
    Samples samples;
    const int width = image.width();
    const int height = image.height();
    const bool alpha = image.hasAlphaChannel();
    image = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    samples.data.resize(qsizetype(width) * height * 3);
    if (alpha)
        samples.alpha.resize(qsizetype(width) * height);
    char *out = samples.data.data();
    char *outAlpha = samples.alpha.data();
    bool opaque = true;
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            *out++ = char(qRed(row[x]));
            *out++ = char(qGreen(row[x]));
            *out++ = char(qBlue(row[x]));
            if (alpha) {
                *outAlpha++ = char(qAlpha(row[x]));
                opaque = opaque && qAlpha(row[x]) == 255;
            }
        }
    }
    if (opaque)
        samples.alpha.clear();
    return samples;
}

Samples samplesOf(QImage image, bool lossless)
{
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB)
        image = image.convertToFormat(QImage::Format_Indexed8);
    if (lossless) {
        if (QImage indexed = asPalette(image); !indexed.isNull())
            image = std::move(indexed);
    }
    if (image.format() == QImage::Format_Indexed8 && !image.colorTable().isEmpty())
        return paletteSamples(image);
    switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return greySamples(image);
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        return wideRgbSamples(std::move(image));
    default:
        return rgbSamples(std::move(image));
    }
}

std::string imageEntries(int width, int height, int bits)
{
    return "/Type/XObject/Subtype/Image/Width " + std::to_string(width) + "/Height " +
           std::to_string(height) + "/BitsPerComponent " + std::to_string(bits);
}

} // namespace

int PdfPictures::imageObject(const Picture &picture)
{
    const QByteArray identity = picture.identity();
    const auto known = m_images.constFind(identity);
    if (known != m_images.constEnd())
        return *known;
    const int object = picture.jpeg()  ? writeJpeg(picture)
                       : picture.png() ? writePng(picture)
                                       : writeDecoded(picture);
    m_images.insert(identity, object);
    return object;
}

QByteArray PdfPictures::colourSpace(const Picture &picture, int components)
{
    const PictureColour &colour = picture.colour();
    if (!colour.iccProfile.isEmpty() && profileFits(colour.iccProfile, components)) {
        const QByteArray key = QCryptographicHash::hash(colour.iccProfile, QCryptographicHash::Sha1);
        int object = m_profiles.value(key);
        if (object == 0) {
            const std::string entries =
                "/N " + std::to_string(components) + "/Alternate" + deviceSpace(components);
            object = m_writer.writeStream(entries, colour.iccProfile, true);
            m_profiles.insert(key, object);
        }
        return QByteArray("[/ICCBased ") + QByteArray::number(object) + " 0 R]";
    }
    if (colour.gamma > 0 && components != 4)
        return QByteArray::fromStdString(calibratedSpace(colour, components));
    return QByteArray::fromStdString(deviceSpace(components));
}

int PdfPictures::writeJpeg(const Picture &picture)
{
    const JpegData &jpeg = *picture.jpeg();
    const QByteArray space = colourSpace(picture, jpeg.components);
    std::string entries = imageEntries(jpeg.pixels.width(), jpeg.pixels.height(), 8) + "/ColorSpace" +
                          space.toStdString() + "/Filter/DCTDecode";
    // Said outright rather than left to the reader's guess from the markers.
    if (jpeg.components >= 3)
        entries += std::string("/DecodeParms<</ColorTransform ") + (jpeg.transformed ? "1" : "0") + ">>";
    if (jpeg.inverted)
        entries += "/Decode[1 0 1 0 1 0 1 0]";
    return m_writer.writeStream(entries, jpeg.bytes, false);
}

int PdfPictures::writePng(const Picture &picture)
{
    const PngData &png = *picture.png();
    std::string entries = imageEntries(png.pixels.width(), png.pixels.height(), png.bits);
    if (!png.palette.isEmpty())
        entries += "/ColorSpace[/Indexed" + colourSpace(picture, 3).toStdString() + " " +
                   std::to_string(png.palette.size() / 3 - 1) + "<" + png.palette.toHex().toStdString() +
                   ">]";
    else
        entries += "/ColorSpace" + colourSpace(picture, png.colours).toStdString();
    // The PNG's own filters, row by row, undone by the reader after it inflates the data.
    entries += "/Filter/FlateDecode/DecodeParms<</Predictor 15/Colors " + std::to_string(png.colours) +
               "/BitsPerComponent " + std::to_string(png.bits) + "/Columns " +
               std::to_string(png.pixels.width()) + ">>";
    return m_writer.writeStream(entries, png.data, false);
}

int PdfPictures::writeDecoded(const Picture &picture)
{
    const QImage &image = picture.image();
    Samples samples = samplesOf(image, picture.lossless());
    std::string entries = imageEntries(image.width(), image.height(), samples.bits);
    if (!samples.palette.isEmpty()) {
        const QByteArray base = colourSpace(picture, 3);
        entries += "/ColorSpace[/Indexed" + base.toStdString() + " " +
                   std::to_string(samples.palette.size() / 3 - 1) + "<" +
                   samples.palette.toHex().toStdString() + ">]";
        if (samples.transparentIndex >= 0)
            entries += "/Mask[" + std::to_string(samples.transparentIndex) + " " +
                       std::to_string(samples.transparentIndex) + "]";
    } else {
        entries += "/ColorSpace" + colourSpace(picture, samples.components).toStdString();
    }
    if (!samples.alpha.isEmpty()) {
        const int bits = samples.bits == 16 && samples.palette.isEmpty() ? 16 : 8;
        const int mask =
            m_writer.writeStream(imageEntries(image.width(), image.height(), bits) + "/ColorSpace/DeviceGray",
                                 samples.alpha, true);
        samples.alpha = QByteArray();
        entries += "/SMask " + std::to_string(mask) + " 0 R";
    }
    return m_writer.writeStream(entries, samples.data, true);
}

std::array<double, 6> PdfPictures::placement(const Picture &picture, double x, double y, double width,
                                             double height)
{
    const int orientation = picture.jpeg() ? picture.jpeg()->orientation : 1;
    const double w = width;
    const double h = height;
    // Image space is the unit square, its first row at the top; each orientation takes the stored
    // picture's corners to where they are shown.
    switch (orientation) {
    case 2: // mirrored left to right
        return {-w, 0, 0, h, x + w, y};
    case 3: // turned half round
        return {-w, 0, 0, -h, x + w, y + h};
    case 4: // mirrored top to bottom
        return {w, 0, 0, -h, x, y + h};
    case 5: // mirrored along the diagonal from the top left
        return {0, -h, -w, 0, x + w, y + h};
    case 6: // turned a quarter clockwise
        return {0, -h, w, 0, x, y + h};
    case 7: // mirrored along the other diagonal
        return {0, h, w, 0, x, y};
    case 8: // turned a quarter counter-clockwise
        return {0, h, -w, 0, x + w, y};
    default:
        return {w, 0, 0, h, x, y};
    }
}
