#include "picture.h"

#include "ordinaryfile.h"
#include "printerror.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A picture file larger than this is not read at all: no picture worth printing on a page comes
// near it, and reading it whole would take that much memory.
constexpr qint64 MaxFileBytes = 256 * 1024 * 1024;

enum class Format
{
    Gif,
    Png,
    Jpeg,
    Bmp,
};

uint byteAt(QByteArrayView data, qsizetype at)
{
    return static_cast<unsigned char>(data[at]);
}

quint32 littleEndian(QByteArrayView data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | byteAt(data, at + i);
    return value;
}

// The format, from the signature every file of it starts with, and nothing else: neither the
// name's suffix nor a guess from the content. Any other format Qt has a plugin for (SVG, which
// loads whatever files its content names, ICO, XPM, ...) is never handed to Qt at all.
std::optional<Format> formatOf(QByteArrayView data)
{
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return Format::Gif;
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return Format::Png;
    if (data.startsWith("\xFF\xD8\xFF"))
        return Format::Jpeg;
    if (data.startsWith("BM"))
        return Format::Bmp;
    return std::nullopt;
}

// Qt's GIF, JPEG and BMP decoders give back a picture "successfully" read from a file that was cut
// short, with the missing part left blank or grey. So for those formats the file's own structure
// is walked first, far enough to see whether the data of the picture is all there.

// GIF: the blocks up to the end of the first image's data (the one that is printed). A missing
// trailer after it loses nothing.
bool gifCutShort(QByteArrayView data)
{
    const auto colourTable = [](uint packed) { return (packed & 0x80) ? 3 * (2 << (packed & 7)) : 0; };
    qsizetype at = 13;
    if (data.size() < at)
        return true;
    at += colourTable(byteAt(data, 10));
    const auto skipSubBlocks = [&data, &at] {
        for (;;) {
            if (at >= data.size())
                return false;
            const uint length = byteAt(data, at++);
            if (length == 0)
                return true;
            at += length;
        }
    };
    for (;;) {
        if (at >= data.size())
            return true;
        const uint kind = byteAt(data, at++);
        if (kind == 0x2C) { // image descriptor, its colour table, the LZW code size, the data
            at += 9;
            if (at > data.size())
                return true;
            at += colourTable(byteAt(data, at - 1)) + 1;
            return !skipSubBlocks();
        }
        if (kind != 0x21) // the trailer or something unknown: no image data here to be missing
            return false;
        ++at; // extension label
        if (!skipSubBlocks())
            return true;
    }
}

// JPEG: segment by segment, through the entropy-coded data after each start of scan, up to the
// end-of-image marker. Bytes after it do not matter.
bool jpegCutShort(QByteArrayView data)
{
    const char *const begin = data.data();
    const char *const end = begin + data.size();
    qsizetype at = 2;
    for (;;) {
        // The decoder skips stray bytes before a marker, and any number of fill bytes.
        at = std::find(begin + at, end, '\xFF') - begin;
        while (at < data.size() && byteAt(data, at) == 0xFF)
            ++at;
        if (at >= data.size())
            return true;
        const uint marker = byteAt(data, at++);
        if (marker == 0xD9)
            return false;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length follows
        if (at + 2 > data.size())
            return true;
        const qsizetype length = qsizetype(byteAt(data, at) << 8 | byteAt(data, at + 1));
        if (length < 2)
            return false; // broken rather than cut short: the decoder reports it
        at += length;
        if (at > data.size())
            return true;
        if (marker != 0xDA)
            continue;
        // Entropy-coded data runs to the next marker; FF 00 is a data byte and FF D0..D7 a restart.
        for (;;) {
            at = std::find(begin + at, end, '\xFF') - begin;
            if (at + 1 >= data.size())
                return true;
            const uint next = byteAt(data, at + 1);
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
                at += 2;
            else if (next == 0xFF)
                ++at;
            else
                break;
        }
    }
}

// BMP: uncompressed pixel rows must all be there after the data offset.
bool bmpCutShort(QByteArrayView data)
{
    if (data.size() < 26)
        return true;
    const qint64 offset = littleEndian(data, 10, 4);
    const quint32 headerSize = littleEndian(data, 14, 4);
    qint64 width = 0;
    qint64 height = 0;
    qint64 bitsPerPixel = 0;
    quint32 compression = 0;
    if (headerSize == 12) {
        width = littleEndian(data, 18, 2);
        height = littleEndian(data, 20, 2);
        bitsPerPixel = littleEndian(data, 24, 2);
    } else {
        if (data.size() < 34)
            return true;
        width = qint32(littleEndian(data, 18, 4));
        height = qint32(littleEndian(data, 22, 4));
        bitsPerPixel = littleEndian(data, 28, 2);
        compression = littleEndian(data, 30, 4);
    }
    if (compression != 0 && compression != 3 && compression != 6)
        return false; // run-length coded: the decoder finds where the runs end
    const qint64 stride = (std::abs(width) * bitsPerPixel + 31) / 32 * 4;
    qint64 pixelBytes = 0;
    if (__builtin_mul_overflow(stride, std::abs(height), &pixelBytes))
        return true;
    return data.size() - offset < pixelBytes;
}

bool cutShort(Format format, QByteArrayView data)
{
    switch (format) {
    case Format::Gif:
        return gifCutShort(data);
    case Format::Jpeg:
        return jpegCutShort(data);
    case Format::Bmp:
        return bmpCutShort(data);
    case Format::Png: // libpng refuses what it cannot read whole
        break;
    }
    return false;
}

// The whole content of a picture file, read only when it is an ordinary file of a sensible size.
QByteArray readPictureFile(const QString &path)
{
    QString reason;
    const int fd = openOrdinaryFile(path, reason);
    if (fd < 0)
        throw PrintError(
            PrintError::PictureNotReadable,
            QStringLiteral("The picture file %1 could not be opened: %2.").arg(displayPath(path), reason));
    // Sized by what the file holds now; a file that grows while it is read is read on, but never
    // past the limit.
    struct stat info
    {
    };
    const qint64 expected = ::fstat(fd, &info) == 0 ? qint64(info.st_size) : 0;
    QByteArray content(std::clamp<qint64>(expected + 1, 1, MaxFileBytes + 1), Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        if (total == content.size()) {
            if (total > MaxFileBytes)
                break;
            content.resize(std::min<qint64>(MaxFileBytes + 1, content.size() * 2));
        }
        const ssize_t got = ::read(fd, content.data() + total, size_t(content.size() - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            throw PrintError(
                PrintError::PictureNotReadable,
                QStringLiteral("The picture file %1 could not be read: %2.").arg(displayPath(path), reason));
        }
        if (got == 0)
            break;
        total += got;
    }
    ::close(fd);
    if (total > MaxFileBytes)
        throw PrintError(PrintError::PictureTooLarge,
                         QStringLiteral("The picture file %1 is larger than %2 MiB, too large to print.")
                             .arg(displayPath(path))
                             .arg(MaxFileBytes / (1024 * 1024)));
    content.truncate(total);
    return content;
}

} // namespace

Picture::Picture(QImage image, float widthTwips, float heightTwips, bool lossless)
    : m_image(std::move(image)), m_width(widthTwips), m_height(heightTwips), m_lossless(lossless)
{
}

PictureLoader::PictureLoader(double logicalDpi, qint64 cacheBytes)
    : m_dpi(logicalDpi > 0 ? logicalDpi : 96.0), m_cacheLimit(cacheBytes)
{
}

Picture PictureLoader::load(const QString &path)
{
    // One stat() tells whether the file is there and ordinary, and gives its size and modification
    // time. QFileInfo would make the time a local QDateTime, reading the time zone file each time,
    // and this runs for every picture of every page.
    struct stat info
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        throw PrintError(PrintError::PictureNotFound,
                         QStringLiteral("The picture file %1 was not found.").arg(displayPath(path)));
    if (!S_ISREG(info.st_mode))
        throw PrintError(PrintError::PictureNotReadable,
                         QStringLiteral("%1 is not a picture file.").arg(displayPath(path)));

    const qint64 size = info.st_size;
    const qint64 modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    const QString key = QFileInfo(path).absoluteFilePath();
    if (const auto found = m_index.find(key); found != m_index.end()) {
        const auto entry = found.value();
        if (entry->fileSize == size && entry->modified == modified) {
            m_lru.splice(m_lru.begin(), m_lru, entry);
            return entry->picture;
        }
        m_cacheBytes -= entry->bytes;
        m_lru.erase(entry);
        m_index.erase(found);
    }

    // Read once and decoded from memory: the checks and the decoder see the same bytes, and
    // nothing put in the file's place meanwhile is ever opened.
    ++m_decodes;
    Picture picture = decodeData(readPictureFile(path), path);
    remember(Entry{key, size, modified, picture, picture.image().sizeInBytes()});
    return picture;
}

Picture PictureLoader::decodeData(QByteArrayView content, const QString &path) const
{
    const std::optional<Format> format = formatOf(content);
    if (!format)
        throw PrintError(
            PrintError::PictureNotReadable,
            QStringLiteral("The file %1 is not a GIF, PNG, JPEG or BMP picture.").arg(displayPath(path)));

    // Decoded from memory: the checks below and the decoder see the same bytes. Qt's reader is
    // told the format, so that no other plugin ever looks at the content.
    QByteArray bytes = QByteArray::fromRawData(content.data(), content.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const char *const names[] = {"gif", "png", "jpeg", "bmp"};
    QImageReader reader(&buffer, names[int(*format)]);
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(true);

    // Refuse pictures whose decoded size would pass the reader's allocation limit before any
    // memory is taken, with a message that says why.
    const QSize pixels = reader.size();
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (pixels.isValid() && limitBytes > 0 && qint64(pixels.width()) * pixels.height() * 4 > limitBytes)
        throw PrintError(
            PrintError::PictureTooLarge,
            QStringLiteral("The picture %1 is %2 × %3 pixels, too large to print.")
                .arg(displayPath(path), QString::number(pixels.width()), QString::number(pixels.height())));

    if (cutShort(*format, content))
        throw PrintError(
            PrintError::PictureNotReadable,
            QStringLiteral("The picture file %1 is cut short: it ends before its picture data does.")
                .arg(displayPath(path)));

    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw PrintError(PrintError::PictureNotReadable,
                         QStringLiteral("The picture %1 could not be read: %2.")
                             .arg(displayPath(path), reader.errorString()));

    const float scale = float(1440.0 / m_dpi);
    const float width = float(image.width()) * scale;
    const float height = float(image.height()) * scale;
    return Picture(std::move(image), width, height, *format != Format::Jpeg);
}

void PictureLoader::remember(Entry entry)
{
    if (entry.bytes > m_cacheLimit)
        return;
    m_cacheBytes += entry.bytes;
    m_lru.push_front(std::move(entry));
    m_index.insert(m_lru.front().path, m_lru.begin());
    while (m_cacheBytes > m_cacheLimit && m_lru.size() > 1) {
        const Entry &oldest = m_lru.back();
        m_cacheBytes -= oldest.bytes;
        m_index.remove(oldest.path);
        m_lru.pop_back();
    }
}
