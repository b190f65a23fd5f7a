#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QtTest>

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

QByteArray makeGif(int width, int height, bool pixelData)
{
    // GIF89a with a two-colour global table and one image whose LZW data is a stream of clear
    // codes and single-pixel codes (code size 2, 3-bit codes, a clear code every few pixels so
    // that the code width never grows).
    QByteArray gif("GIF89a");
    auto word = [&gif](int value) {
        gif.append(char(value & 0xFF));
        gif.append(char((value >> 8) & 0xFF));
    };
    word(width);
    word(height);
    gif.append(char(0x80)); // global colour table, 2 entries
    gif.append(char(0));
    gif.append(char(0));
    gif.append("\x20\x60\xC0\xFF\xFF\xFF", 6);
    gif.append(',');
    word(0);
    word(0);
    word(width);
    word(height);
    gif.append(char(0));
    gif.append(char(2)); // LZW minimum code size

    QByteArray data;
    quint32 bits = 0;
    int bitCount = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    const qint64 pixels = pixelData ? qint64(width) * height : 1;
    put(4); // clear
    for (qint64 i = 0; i < pixels; ++i) {
        if (i % 2 == 0 && i > 0)
            put(4);
        put(0);
    }
    put(5); // end of information
    if (bitCount > 0)
        data.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        gif.append(char(block.size()));
        gif.append(block);
    }
    gif.append(char(0));
    gif.append(';');
    return gif;
}
