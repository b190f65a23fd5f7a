// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// The benchmark's data sets: a list file of generated records, the record pictures they name and
// an optional logo. Everything is computed from the options alone, so the same options always
// give the same bytes, and the baseline can rebuild every record in memory without reading it.
struct DataSetOptions
{
    qint64 records = 1000;
    int fields = 7;
    // Distinct record pictures; record i shows picture i mod pictures. 0: no record pictures.
    int pictures = 0;
    QSize pictureSize{400, 300};
    QByteArray format = "gif"; // gif, jpeg or png
    bool logo = true;

    // Reads "--records N --fields N --pictures N --picture-size WxH --format F --no-logo" from
    // arguments, removing what it takes; the reason when a value is missing or out of range.
    [[nodiscard]] static std::optional<QString> take(QStringList &arguments, DataSetOptions &options);
    // The same options as arguments, for log lines and the other benchmark programs.
    [[nodiscard]] QStringList toArguments() const;
};

namespace DataSet {

inline const QString ListFileName = QStringLiteral("records.lst");
inline const QString LogoFileName = QStringLiteral("logo.gif");
constexpr int JpegQuality = 85;

// The field names of the header line: id, name, filename, colour, size, price, supplier, then
// note8, note9, ... for more than seven.
[[nodiscard]] QStringList fieldNames(int fields);
// The values of record (0-based) as they appear between the quotes of its line.
[[nodiscard]] QStringList recordValues(const DataSetOptions &options, qint64 record);
// The file name of picture index (0-based), e.g. "picture-0007.gif".
[[nodiscard]] QString pictureName(const DataSetOptions &options, int index);
// Which picture record (0-based) shows, or -1 when the data set has none.
[[nodiscard]] int pictureOf(const DataSetOptions &options, qint64 record);

// A photograph-like picture: smooth colour fields, rings and fine grain, different for each index.
[[nodiscard]] QImage picturePixels(int index, QSize size);
// The picture file's bytes in the options' format.
[[nodiscard]] QByteArray pictureFile(const DataSetOptions &options, int index);
// A 200 × 60 banner as a GIF.
[[nodiscard]] QByteArray logoFile();
// The image reduced to a fixed palette of 6 × 7 × 6 colours with ordered dithering.
[[nodiscard]] QImage toPalette(const QImage &image);

// Writes the list file, the pictures and the logo into folder, which must exist. False with the
// reason in error when a file cannot be written.
bool write(const DataSetOptions &options, const QString &folder, QString *error);

} // namespace DataSet
