// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "dataset.h"

#include "gifwriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <array>

namespace {

// splitmix64: every value of a data set is a pure function of its position.
quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

const std::array<const char *, 7> BaseFields = {"id",   "name",  "filename", "colour",
                                                "size", "price", "supplier"};

const std::array<const char *, 12> Adjectives = {"Brass",  "Oak",     "Walnut", "Linen",  "Steel",  "Pine",
                                                 "Velvet", "Ceramic", "Wicker", "Copper", "Marble", "Teak"};
const std::array<const char *, 12> Nouns = {"lamp",  "desk",   "chair", "shelf",     "stool",   "cabinet",
                                            "table", "mirror", "bench", "sideboard", "dresser", "bookcase"};
const std::array<const char *, 10> Colours = {"brass",      "natural oak", "teal",   "white", "charcoal",
                                              "sage green", "ivory",       "walnut", "rust",  "slate blue"};
// Some suppliers are longer than a value cell (26 characters) and some are not ASCII, so the grid
// cuts and counts characters as it does on real lists.
const std::array<const char *, 8> Suppliers = {"Hallam Lighting",
                                               "Ashby & Sons",
                                               "Caf\u00e9 M\u00f6bel GmbH",
                                               "Northern Hardwood Supplies Partnership",
                                               "\u00d8rsted St\u00e5hl AB",
                                               "Quillmarsh Workshop",
                                               "Pemberton Textile Company of Leeds",
                                               "Atelier Br\u00fbl\u00e9"};

template<typename List> QString pick(const List &list, quint64 value)
{
    return QString::fromUtf8(list[value % list.size()]);
}

int takeInt(const QString &text, bool *ok)
{
    return text.toInt(ok);
}

} // namespace

std::optional<QString> DataSetOptions::take(QStringList &arguments, DataSetOptions &options)
{
    for (qsizetype i = 0; i < arguments.size();) {
        const QString name = arguments[i];
        if (name == QLatin1String("--no-logo")) {
            options.logo = false;
            arguments.removeAt(i);
            continue;
        }
        static const QStringList valued = {"--records", "--fields", "--pictures", "--picture-size",
                                           "--format"};
        if (!valued.contains(name)) {
            ++i;
            continue;
        }
        if (i + 1 >= arguments.size())
            return QStringLiteral("%1 needs a value").arg(name);
        const QString value = arguments[i + 1];
        arguments.remove(i, 2);
        bool ok = false;
        if (name == QLatin1String("--records")) {
            options.records = value.toLongLong(&ok);
            if (!ok || options.records < 1)
                return QStringLiteral("--records must be a whole number of at least 1");
        } else if (name == QLatin1String("--fields")) {
            options.fields = takeInt(value, &ok);
            if (!ok || options.fields < 1 || options.fields > 1000)
                return QStringLiteral("--fields must be from 1 to 1000");
        } else if (name == QLatin1String("--pictures")) {
            options.pictures = takeInt(value, &ok);
            if (!ok || options.pictures < 0 || options.pictures > 9999)
                return QStringLiteral("--pictures must be from 0 to 9999");
        } else if (name == QLatin1String("--picture-size")) {
            const QStringList parts = value.split(QLatin1Char('x'));
            bool okHeight = false;
            if (parts.size() == 2)
                options.pictureSize = QSize(takeInt(parts[0], &ok), takeInt(parts[1], &okHeight));
            if (!ok || !okHeight || options.pictureSize.width() < 1 || options.pictureSize.height() < 1 ||
                options.pictureSize.width() > 10000 || options.pictureSize.height() > 10000)
                return QStringLiteral("--picture-size must be WIDTHxHEIGHT, each from 1 to 10000");
        } else {
            options.format = value.toLower().toLatin1();
            if (options.format == "jpg")
                options.format = "jpeg";
            if (options.format != "gif" && options.format != "jpeg" && options.format != "png")
                return QStringLiteral("--format must be gif, jpeg or png");
        }
    }
    if (options.pictures > 0 && options.fields < 3)
        return QStringLiteral("record pictures need at least 3 fields (the third is the file name)");
    return std::nullopt;
}

QStringList DataSetOptions::toArguments() const
{
    QStringList arguments = {QStringLiteral("--records"),
                             QString::number(records),
                             QStringLiteral("--fields"),
                             QString::number(fields),
                             QStringLiteral("--pictures"),
                             QString::number(pictures),
                             QStringLiteral("--picture-size"),
                             QStringLiteral("%1x%2").arg(pictureSize.width()).arg(pictureSize.height()),
                             QStringLiteral("--format"),
                             QString::fromLatin1(format)};
    if (!logo)
        arguments << QStringLiteral("--no-logo");
    return arguments;
}

namespace DataSet {

QStringList fieldNames(int fields)
{
    QStringList names;
    for (int i = 0; i < fields; ++i) {
        names << (i < int(BaseFields.size()) ? QString::fromLatin1(BaseFields[size_t(i)])
                                             : QStringLiteral("note%1").arg(i + 1));
    }
    return names;
}

int pictureOf(const DataSetOptions &options, qint64 record)
{
    return options.pictures > 0 ? int(record % options.pictures) : -1;
}

QString pictureName(const DataSetOptions &options, int index)
{
    const QString suffix =
        options.format == "jpeg" ? QStringLiteral("jpg") : QString::fromLatin1(options.format);
    return QStringLiteral("picture-%1.%2").arg(index, 4, 10, QLatin1Char('0')).arg(suffix);
}

QStringList recordValues(const DataSetOptions &options, qint64 record)
{
    const quint64 h = mix(quint64(record));
    QStringList values;
    values.reserve(options.fields);
    for (int field = 0; field < options.fields; ++field) {
        const quint64 r = mix(h + quint64(field));
        switch (field) {
        case 0:
            values << QString::number(100000 + record);
            break;
        case 1:
            values << pick(Adjectives, r) + QLatin1Char(' ') + pick(Nouns, r >> 16);
            break;
        case 2: {
            const int picture = pictureOf(options, record);
            values << (picture >= 0 ? pictureName(options, picture) : QString());
            break;
        }
        case 3:
            values << pick(Colours, r);
            break;
        case 4:
            values << QStringLiteral("%1 x %2 cm").arg(20 + r % 180).arg(20 + (r >> 12) % 120);
            break;
        case 5:
            values << QStringLiteral("%1.%2").arg(5 + r % 995).arg((r >> 20) % 100, 2, 10, QLatin1Char('0'));
            break;
        case 6:
            values << pick(Suppliers, r);
            break;
        default:
            values << QStringLiteral("Note %1 on item %2").arg(field + 1).arg(100000 + record);
            break;
        }
    }
    return values;
}

QImage picturePixels(int index, QSize size)
{
    const int w = size.width();
    const int h = size.height();
    QImage image(size, QImage::Format_RGB32);
    const quint64 seed = mix(0x5eed0000ull + quint64(index));
    // Per-picture colour ramps along each axis, added together: smooth like sky or a wall.
    const int baseR = int(seed & 0x7F) + 40;
    const int baseG = int((seed >> 8) & 0x7F) + 40;
    const int baseB = int((seed >> 16) & 0x7F) + 40;
    const int cx = int((seed >> 24) % quint64(w));
    const int cy = int((seed >> 40) % quint64(h));
    const int ringScale = 6 + int((seed >> 56) % 10);
    for (int y = 0; y < h; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        quint64 grain = mix(seed ^ (quint64(y) << 20));
        const int dy = y - cy;
        for (int x = 0; x < w; ++x) {
            const int dx = x - cx;
            // Rings around a centre: a triangle wave of the distance, squared distance to save a root.
            const int band = int((quint64(dx * dx + dy * dy) >> ringScale) & 0x7F);
            const int ring = band < 64 ? band : 127 - band;
            if ((x & 7) == 0)
                grain = mix(grain);
            const int noise = int((grain >> ((x & 7) * 8)) & 0x1F) - 16;
            const int r = baseR + (x * 80) / w + ring + noise;
            const int g = baseG + (y * 80) / h + ring / 2 + noise;
            const int b = baseB + ((x + y) * 60) / (w + h) - ring / 2 + noise;
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

QImage toPalette(const QImage &source)
{
    static constexpr int Bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    static constexpr int Levels[3] = {6, 7, 6};
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QImage indexed(image.size(), QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int r = 0; r < Levels[0]; ++r)
        for (int g = 0; g < Levels[1]; ++g)
            for (int b = 0; b < Levels[2]; ++b)
                table << qRgb(r * 255 / (Levels[0] - 1), g * 255 / (Levels[1] - 1),
                              b * 255 / (Levels[2] - 1));
    indexed.setColorTable(table);
    auto level = [](int value, int levels, int threshold) {
        return std::min(levels - 1, (value * (levels - 1) * 16 + threshold * 255 + 128) / (255 * 16));
    };
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const int t = Bayer[y & 3][x & 3];
            const int r = level(qRed(in[x]), Levels[0], t);
            const int g = level(qGreen(in[x]), Levels[1], t);
            const int b = level(qBlue(in[x]), Levels[2], t);
            out[x] = uchar((r * Levels[1] + g) * Levels[2] + b);
        }
    }
    return indexed;
}

QByteArray pictureFile(const DataSetOptions &options, int index)
{
    const QImage pixels = picturePixels(index, options.pictureSize);
    if (options.format == "gif")
        return encodeGif(toPalette(pixels));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, options.format);
    if (options.format == "jpeg")
        writer.setQuality(JpegQuality);
    if (!writer.write(pixels))
        return {};
    return bytes;
}

QByteArray logoFile()
{
    QImage logo(200, 60, QImage::Format_Indexed8);
    logo.setColorTable(
        {qRgb(0x1d, 0x35, 0x57), qRgb(0xf1, 0xfa, 0xee), qRgb(0xe6, 0x39, 0x46), qRgb(0xa8, 0xda, 0xdc)});
    for (int y = 0; y < logo.height(); ++y) {
        uchar *line = logo.scanLine(y);
        for (int x = 0; x < logo.width(); ++x) {
            uchar colour = 0;
            if (y >= 52)
                colour = 2;
            else if (y >= 14 && y < 40 && x >= 20 && x < 180 && ((x - 20) / 6) % 3 != 2)
                colour = ((x / 18) % 2) ? 1 : 3; // a row of blocks standing in for the name
            line[x] = colour;
        }
    }
    return encodeGif(logo);
}

bool write(const DataSetOptions &options, const QString &folder, QString *error)
{
    const QDir dir(folder);
    auto save = [&](const QString &name, const QByteArray &bytes) {
        QSaveFile file(dir.filePath(name));
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            if (error)
                *error =
                    QStringLiteral("%1 could not be written: %2").arg(dir.filePath(name), file.errorString());
            return false;
        }
        return true;
    };

    for (int i = 0; i < options.pictures; ++i) {
        if (!save(pictureName(options, i), pictureFile(options, i)))
            return false;
    }
    if (options.logo) {
        if (!save(LogoFileName, logoFile()))
            return false;
    } else {
        QFile::remove(dir.filePath(LogoFileName));
    }

    QSaveFile list(dir.filePath(ListFileName));
    if (!list.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("%1 could not be written: %2").arg(list.fileName(), list.errorString());
        return false;
    }
    QByteArray chunk = fieldNames(options.fields).join(QLatin1Char(',')).toUtf8() + "\r\n";
    for (qint64 record = 0; record < options.records; ++record) {
        chunk += '"' + recordValues(options, record).join(QStringLiteral("\",\"")).toUtf8() + "\"\r\n";
        if (chunk.size() >= (1 << 20) || record + 1 == options.records) {
            if (list.write(chunk) != chunk.size())
                break;
            chunk.clear();
        }
    }
    if (!list.commit()) {
        if (error)
            *error = QStringLiteral("%1 could not be written: %2").arg(list.fileName(), list.errorString());
        return false;
    }
    return true;
}

} // namespace DataSet
