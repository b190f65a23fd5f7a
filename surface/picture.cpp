#include "picture.h"

#include "printerror.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <sys/stat.h>

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
    struct stat info {};
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

    Picture picture = decode(path);
    remember(Entry{key, size, modified, picture, picture.image().sizeInBytes()});
    return picture;
}

Picture PictureLoader::decode(const QString &path)
{
    ++m_decodes;
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);

    const QByteArray format = reader.format();
    if (format.isEmpty())
        throw PrintError(PrintError::PictureNotReadable,
                         QStringLiteral("The file %1 is not a picture that can be printed.")
                             .arg(displayPath(path)));

    // Refuse pictures whose decoded size would pass the reader's allocation limit before any
    // memory is taken, with a message that says why.
    const QSize pixels = reader.size();
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (pixels.isValid() && limitBytes > 0 && qint64(pixels.width()) * pixels.height() * 4 > limitBytes)
        throw PrintError(PrintError::PictureTooLarge,
                         QStringLiteral("The picture %1 is %2 × %3 pixels, too large to print.")
                             .arg(displayPath(path), QString::number(pixels.width()),
                                  QString::number(pixels.height())));

    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw PrintError(PrintError::PictureNotReadable,
                         QStringLiteral("The picture %1 could not be read: %2.")
                             .arg(displayPath(path), reader.errorString()));

    const float scale = float(1440.0 / m_dpi);
    const float width = float(image.width()) * scale;
    const float height = float(image.height()) * scale;
    const bool lossless = format != "jpeg" && format != "jpg";
    return Picture(std::move(image), width, height, lossless);
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
