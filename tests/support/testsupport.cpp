// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "testsupport.h"

#include "gifwriter.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QtTest>

#include <random>

bool underCi()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

ProgramFolder::ProgramFolder()
{
    QVERIFY2(m_dir.isValid(), "temporary folder");
}

void ProgramFolder::write(const QString &name, const QByteArray &content) const
{
    QFile file(filePath(name));
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file.fileName()));
    QCOMPARE(file.write(content), content.size());
}

void ProgramFolder::writePicture(const QString &name, int width, int height, const char *format) const
{
    if (qstrcmp(format, "gif") == 0) {
        write(name, makeGif(width, height));
        return;
    }
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 40));
    QVERIFY(image.save(filePath(name), format));
}

void ProgramFolder::makeFolder(const QString &name) const
{
    QVERIFY(QDir(path()).mkpath(name));
}

void ProgramFolder::copyDemo() const
{
    const QDir demo(qEnvironmentVariable("LSTPRINT_DEMO_DIR"));
    const QStringList files = demo.entryList(QDir::Files);
    QVERIFY2(files.contains(QStringLiteral("parts.lst")), "LSTPRINT_DEMO_DIR names the demo folder");
    for (const QString &name : files)
        QVERIFY(QFile::copy(demo.filePath(name), filePath(name)));
}

QString padded(const QString &text, int width)
{
    return text + QString(qMax(0, width - int(text.size())), QLatin1Char(' '));
}

RunFixture::RunFixture() : run(std::make_unique<PrintRun>(folder.path(), image1, reporter, choices))
{
    run->setClock([this] { return today; });
}

RecordingSurface &RunFixture::print()
{
    surface = RecordingSurface();
    const FolderSnapshot before(folder.path());
    run->cmdPrint_Click(surface);
    const FolderSnapshot after(folder.path());
    [&] {
        QCOMPARE(after.changesSince(before), QStringList{});
        QCOMPARE(after.addedSince(before), QStringList{});
    }();
    return surface;
}

FolderSnapshot::FolderSnapshot(const QString &folder)
{
    const QDir root(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        QByteArray entry;
        if (info.isSymLink()) {
            entry = "link to " + QFile::encodeName(info.symLinkTarget());
        } else if (info.isDir()) {
            entry = "folder";
        } else if (info.isFile()) {
            QFile file(path);
            QCryptographicHash hash(QCryptographicHash::Sha256);
            entry = file.open(QIODevice::ReadOnly) && hash.addData(&file) ? "file " + hash.result().toHex()
                                                                          : QByteArray("unreadable file");
        } else {
            entry = "special";
        }
        m_entries.insert(root.relativeFilePath(path), entry);
    }
}

QStringList FolderSnapshot::changesSince(const FolderSnapshot &before) const
{
    QStringList changes;
    for (auto it = before.m_entries.cbegin(); it != before.m_entries.cend(); ++it) {
        if (!m_entries.contains(it.key()))
            changes << QStringLiteral("gone: ") + it.key();
        else if (m_entries.value(it.key()) != it.value())
            changes << QStringLiteral("changed: ") + it.key();
    }
    return changes;
}

QStringList FolderSnapshot::addedSince(const FolderSnapshot &before) const
{
    QStringList added;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (!before.m_entries.contains(it.key()))
            added << it.key();
    }
    return added;
}

bool resetPeakRss()
{
    // Writing 5 to clear_refs sets the peak back to the current resident size (Linux 4.0 on).
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

QByteArray makeGif(int width, int height, qint64 pixels)
{
    // Two colours in a fixed scatter: a picture with detail, whose compressed data, like that of a
    // real picture, is far more than its headers, so that a file cut short is cut in its data.
    const QList<QRgb> colours{qRgb(0x20, 0x60, 0xC0), qRgb(0xFF, 0xFF, 0xFF)};
    std::minstd_rand scatter(1);
    QByteArray indices(pixels < 0 ? qsizetype(width) * height : pixels, Qt::Uninitialized);
    for (char &index : indices)
        index = char((scatter() >> 16) & 1);
    return gifFile(QSize(width, height), colours, reinterpret_cast<const uchar *>(indices.constData()),
                   indices.size());
}

int rleBmpPixelOffset(int bitsPerPixel)
{
    return 14 + 40 + 4 * (1 << bitsPerPixel);
}

QByteArray makeRleBmp(int bitsPerPixel, int width, int height, const QByteArray &runs)
{
    QByteArray pixels = runs;
    if (pixels.isNull()) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; x += 100) {
                pixels.append(char(std::min(100, width - x)));
                pixels.append(char((x / 100 + y) % 2 ? 0x11 : 0x22));
            }
            pixels.append("\0\0", 2); // end of line
        }
        pixels.append("\0\1", 2); // end of the picture
    }
    QByteArray bmp;
    auto number = [&bmp](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            bmp.append(char((value >> (8 * i)) & 0xFF));
    };
    const int offset = rleBmpPixelOffset(bitsPerPixel);
    bmp.append("BM");
    number(quint32(offset + pixels.size()), 4);
    number(0, 4);
    number(quint32(offset), 4);
    number(40, 4);
    number(quint32(width), 4);
    number(quint32(height), 4);
    number(1, 2);
    number(quint32(bitsPerPixel), 2);
    number(bitsPerPixel == 8 ? 1 : 2, 4); // compression: RLE8 or RLE4
    number(quint32(pixels.size()), 4);
    number(2835, 4);
    number(2835, 4);
    number(0, 4);
    number(0, 4);
    for (int i = 0; i < (1 << bitsPerPixel); ++i)
        number(quint32(qRgb(i * 7 % 256, 255 - i, i * 3 % 256)), 4);
    return bmp + pixels;
}

QByteArray makeJpegWithScans(int width, int height, int scans)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 5 % 256, y * 7 % 256, (x * y) % 256));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setProgressiveScanWrite(true);
    if (!writer.write(image))
        return {};
    // The start-of-scan markers (FF DA; entropy-coded data never holds FF followed by anything but
    // 00 or a restart marker). The second scan, the first of the AC coefficients, is repeated
    // right after itself: its data does not depend on the scans before, so every copy decodes.
    QList<qsizetype> starts;
    for (qsizetype at = jpeg.indexOf("\xFF\xDA"); at >= 0; at = jpeg.indexOf("\xFF\xDA", at + 2))
        starts << at;
    if (starts.size() < 3)
        return {};
    const QByteArray scan = jpeg.mid(starts[1], starts[2] - starts[1]);
    const qsizetype end = starts[2];
    const int written = int(starts.size());
    return jpeg.left(end) + scan.repeated(std::max(0, scans - written)) + jpeg.mid(end);
}

QByteArray utf16WithMark(const QString &text, bool bigEndian)
{
    QByteArray bytes(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}
