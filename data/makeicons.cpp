// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// Writes the utility's icon files for the desktop's icon theme from the drawing the window uses:
//   makeicons FOLDER NAME  ->  FOLDER/{16x16,32x32,48x48}/apps/NAME.png and FOLDER/scalable/apps/NAME.svg
#include "windowicon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size() && file.flush();
}

bool writePng(const QString &path, int size)
{
    return QDir().mkpath(QFileInfo(path).path()) && windowIconImage(size).save(path, "PNG");
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER NAME\n", argv[0]);
        return 2;
    }
    const QString folder = QFile::decodeName(argv[1]);
    const QString name = QFile::decodeName(argv[2]);
    for (const int size : {16, 32, 48}) {
        const QString path = QStringLiteral("%1/%2x%2/apps/%3.png").arg(folder).arg(size).arg(name);
        if (!writePng(path, size)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    // The scalable drawing is made at 128 units, where its lines are thick enough to scale evenly.
    const QString svgPath = QStringLiteral("%1/scalable/apps/%2.svg").arg(folder, name);
    if (!writeFile(svgPath, windowIconSvg(128))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svgPath));
        return 1;
    }
    return 0;
}
