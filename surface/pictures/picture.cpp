// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "picture.h"

#include "colourprofile.h"
#include "filename.h"
#include "jpegdecoder.h"
#include "ordinaryfile.h"
#include "picturecheck.h"
#include "printerror.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The texts of this file, translated in the context "Picture".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Picture)
};

// A picture file larger than this is not read at all: no picture worth printing on a page comes
// near it, and reading it whole would take that much memory.
constexpr qint64 MaxFileBytes = 256 * 1024 * 1024;

// How recently a file may have changed for its stat() to be trusted to show the next change.
// Timestamps come from a clock that advances in ticks (milliseconds on Linux, seconds or two on
// some file systems), so a file changed twice within one tick looks unchanged.
constexpr qint64 UnsettledNanoseconds = 2'000'000'000;

// The whole content of a picture file, read only when it is an ordinary file of a sensible size;
// stamp tells what the file read was.
QByteArray readPictureFile(const QString &path, struct stat &stamp)
{
    QString reason;
    const int fd = openOrdinaryFile(path, reason);
    if (fd < 0)
        throw PrintError(
            PrintError::PictureNotReadable,
            Words::tr("The picture file %1 could not be opened: %2.").arg(displayPath(path), reason));
    // Sized by what the file holds now; a file that grows while it is read is read on, but never
    // past the limit.
    stamp = {};
    const qint64 expected = ::fstat(fd, &stamp) == 0 ? qint64(stamp.st_size) : 0;
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
                Words::tr("The picture file %1 could not be read: %2.").arg(displayPath(path), reason));
        }
        if (got == 0)
            break;
        total += got;
    }
    ::close(fd);
    if (total > MaxFileBytes)
        throw PrintError(PrintError::PictureTooLarge,
                         Words::tr("The picture file %1 is larger than %2 MiB, too large to print.")
                             .arg(displayPath(path))
                             .arg(MaxFileBytes / (1024 * 1024)));
    content.truncate(total);
    return content;
}

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

qint64 nanosecondsNow()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

} // namespace

struct Picture::Data
{
    QImage image; // a JPEG kept as its bytes: decoded when first asked for
    std::optional<JpegData> jpeg;
    std::optional<PngData> png;
    QByteArray pngFile; // to decode when the pixels are asked for
    PictureColour colour;
    quint64 serial;
    QByteArray identity;

    Data() : serial(nextSerial()) {}
    static quint64 nextSerial()
    {
        static quint64 last = 0;
        return ++last;
    }
};

Picture::Picture(QImage image, float widthTwips, float heightTwips, bool lossless, PictureColour colour)
    : m_data(image.isNull() ? nullptr : std::make_shared<Data>()), m_width(widthTwips), m_height(heightTwips),
      m_lossless(lossless)
{
    if (m_data) {
        m_data->image = std::move(image);
        m_data->colour = std::move(colour);
    }
}

Picture::Picture(JpegData jpeg, float widthTwips, float heightTwips, PictureColour colour)
    : m_data(std::make_shared<Data>()), m_width(widthTwips), m_height(heightTwips), m_lossless(false)
{
    m_data->jpeg = std::move(jpeg);
    m_data->colour = std::move(colour);
}

Picture::Picture(PngData png, QByteArray file, float widthTwips, float heightTwips, PictureColour colour)
    : m_data(std::make_shared<Data>()), m_width(widthTwips), m_height(heightTwips), m_lossless(true)
{
    m_data->png = std::move(png);
    m_data->pngFile = std::move(file);
    m_data->colour = std::move(colour);
}

const QImage &Picture::image() const
{
    static const QImage none;
    if (!m_data)
        return none;
    if (m_data->image.isNull() && m_data->png) {
        QBuffer buffer(&m_data->pngFile);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        reader.setAutoDetectImageFormat(false);
        reader.read(&m_data->image);
    }
    if (m_data->image.isNull() && m_data->jpeg) {
        try {
            m_data->image = decodeJpeg(m_data->jpeg->bytes, QString());
        } catch (const PrintError &) {
            // Its bytes go to the page as they are; there are no pixels to show here.
        }
    }
    return m_data->image;
}

const JpegData *Picture::jpeg() const
{
    return m_data && m_data->jpeg ? &*m_data->jpeg : nullptr;
}

const PngData *Picture::png() const
{
    return m_data && m_data->png ? &*m_data->png : nullptr;
}

const PictureColour &Picture::colour() const
{
    static const PictureColour device;
    return m_data ? m_data->colour : device;
}

quint64 Picture::serial() const
{
    return m_data ? m_data->serial : 0;
}

QByteArray Picture::identity() const
{
    if (!m_data)
        return {};
    return m_data->identity.isEmpty() ? QByteArray::number(m_data->serial) : m_data->identity;
}

void Picture::setIdentity(QByteArray identity)
{
    if (m_data)
        m_data->identity = std::move(identity);
}

qint64 Picture::bytes() const
{
    if (!m_data)
        return 0;
    return m_data->image.sizeInBytes() + (m_data->jpeg ? m_data->jpeg->bytes.size() : 0) +
           (m_data->png ? m_data->png->data.size() + m_data->pngFile.size() : 0) +
           m_data->colour.iccProfile.size();
}

PictureLoader::PictureLoader(double logicalDpi, qint64 cacheBytes)
    : m_dpi(logicalDpi > 0 ? logicalDpi : 96.0), m_cacheLimit(cacheBytes)
{
}

Picture PictureLoader::load(const QString &path)
{
    // One stat() tells whether the file is there and ordinary, and which file in which state it
    // is. QFileInfo would make the times local QDateTimes, reading the time zone file each time,
    // and this runs for every picture of every page.
    struct stat info
    {
    };
    if (path.isEmpty() || ::stat(encodeFileName(path).constData(), &info) != 0)
        throw PrintError(PrintError::PictureNotFound,
                         Words::tr("The picture file %1 was not found.").arg(displayPath(path)));
    if (!S_ISREG(info.st_mode))
        throw PrintError(PrintError::PictureNotReadable,
                         Words::tr("%1 is not a picture file.").arg(displayPath(path)));
    const auto stampOf = [](const struct stat &file) {
        return FileStamp{file.st_dev, file.st_ino, qint64(file.st_size), nanoseconds(file.st_mtim),
                         nanoseconds(file.st_ctim)};
    };

    // A file replaced by another of the same size and times (cp -p, rsync -t) is another inode, or
    // the same inode with a new change time. Only a file changed again within one tick of the
    // timestamps' clock looks the same: while its change time is that recent, its content is kept
    // and compared.
    // Keyed by the name as given: the working folder does not change under a run, and an absolute
    // name could not be had at all below a working folder deeper than the system's path limit.
    const QString key = path;
    const qint64 readAt = nanosecondsNow();
    QByteArray content;
    bool contentRead = false;
    struct stat read
    {
    };
    if (const auto found = m_index.find(key); found != m_index.end()) {
        const auto entry = found.value();
        bool same = entry->stamp == stampOf(info);
        if (same && !entry->unsettledContent.isEmpty()) {
            content = readPictureFile(path, read);
            contentRead = true;
            same = stampOf(read) == entry->stamp && content == entry->unsettledContent;
            if (same && entry->stamp.changed < readAt - UnsettledNanoseconds) {
                m_cacheBytes -= entry->unsettledContent.size();
                entry->unsettledContent = QByteArray();
            }
        }
        if (same) {
            m_lru.splice(m_lru.begin(), m_lru, entry);
            return entry->picture;
        }
        m_cacheBytes -= entry->bytes + entry->unsettledContent.size();
        m_lru.erase(entry);
        m_index.erase(found);
    }

    if (!contentRead)
        content = readPictureFile(path, read);
    ++m_decodes;
    Picture picture = decode(content, path);
    const FileStamp stamp = stampOf(read);
    const bool unsettled = stamp.changed >= readAt - UnsettledNanoseconds;
    QByteArray identity = encodeFileName(path) + '\0';
    for (const qint64 value :
         {qint64(stamp.device), qint64(stamp.inode), stamp.size, stamp.modified, stamp.changed})
        identity += QByteArray::number(value) + ' ';
    if (unsettled) // a change within the clock's tick would not show in the stamp
        identity += QCryptographicHash::hash(content, QCryptographicHash::Sha1);
    picture.setIdentity(std::move(identity));
    // A JPEG kept as its bytes costs a read and a look at its headers to load again, and the PDF
    // writer knows it again by its identity: it is not kept, so that a thousand photographs
    // printed once each do not fill the memory.
    if (!picture.jpeg())
        remember(Entry{key, stamp, picture, picture.bytes(), unsettled ? content : QByteArray()});
    return picture;
}

Picture PictureLoader::decodeData(QByteArrayView content, const QString &path) const
{
    return decode(content.toByteArray(), path);
}

namespace {

// The colours a PNG's chunks give: its profile where that fits the picture, else its gamma (and
// primaries), unless an sRGB chunk says the pixels are what device RGB is taken to be anyway.
PictureColour pngColour(QByteArrayView content)
{
    const PngColourChunks chunks = pngColourChunks(content);
    PictureColour colour;
    if (!chunks.compressedProfile.isEmpty()) {
        colour.iccProfile = inflateProfile(chunks.compressedProfile);
        if (profileComponents(colour.iccProfile) == 0)
            colour.iccProfile.clear();
        else
            return colour;
    }
    if (chunks.srgb || !(chunks.gamma > 0.01 && chunks.gamma < 100))
        return colour;
    colour.gamma = chunks.gamma;
    const auto valid = [](double value) { return value > 0 && value <= 1; };
    if (chunks.chromaticities.size() == 8 &&
        std::all_of(chunks.chromaticities.begin(), chunks.chromaticities.end(), valid))
        colour.chromaticities = chunks.chromaticities;
    return colour;
}

} // namespace

Picture PictureLoader::decode(const QByteArray &content, const QString &path) const
{
    const std::optional<PictureFormat> format = pictureFormatOf(content);
    if (!format)
        throw PrintError(
            PrintError::PictureNotReadable,
            Words::tr("The file %1 is not a GIF, PNG, JPEG or BMP picture.").arg(displayPath(path)));

    const float scale = float(1440.0 / m_dpi);
    // Decoded from memory: the checks below and the decoder see the same bytes. Qt's reader is
    // told the format, so that no other plugin ever looks at the content.
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    std::optional<QImageReader> reader;
    JpegLayout jpeg;
    JpegHeader jpegHeader;
    QSize pixels;
    if (*format == PictureFormat::Jpeg) {
        jpeg = jpegLayout(content);
        pixels = jpeg.size;
    } else {
        // Asked for the size, libpng reads every chunk before the pixels and first allocates what
        // each one claims to hold (a 203-byte file asked for 1.1 GB): the walk over the chunks,
        // which keeps each within the file, goes first.
        if (*format == PictureFormat::Png) {
            if (const PictureDefect defect = pngDefect(content); defect != PictureDefect::None)
                refusePicture(defect, path);
        }
        reader.emplace(&buffer, *format == PictureFormat::Gif   ? "gif"
                                : *format == PictureFormat::Png ? "png"
                                                                : "bmp");
        reader->setAutoDetectImageFormat(false);
        reader->setAutoTransform(true);
        pixels = reader->size();
    }

    // Refuse pictures whose decoded size would pass the reader's allocation limit before any
    // memory is taken, with a message that says why.
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limitBytes > 0 && qint64(std::abs(pixels.width())) * std::abs(pixels.height()) * 4 > limitBytes)
        throw PrintError(PrintError::PictureTooLarge,
                         Words::tr("The picture %1 is %2 × %3 pixels, too large to print.")
                             .arg(displayPath(path), QString::number(std::abs(pixels.width())),
                                  QString::number(std::abs(pixels.height()))));

    PictureDefect defect = PictureDefect::None;
    switch (*format) {
    case PictureFormat::Gif:
        defect = gifDefect(content);
        break;
    case PictureFormat::Jpeg:
        defect = jpeg.defect;
        break;
    case PictureFormat::Bmp:
        defect = bmpDefect(content);
        break;
    case PictureFormat::Png:
        break; // walked before the size was asked for
    }
    if (defect != PictureDefect::None)
        refusePicture(defect, path);

    if (*format == PictureFormat::Jpeg) {
        // A JPEG that PDF reads goes to the page as the file's own bytes, its orientation applied by
        // the drawing: nothing is decoded. Its structure was walked above (every segment within
        // the file, the scans counted, the end marker there); its coded data is the reader's.
        jpegHeader = readJpegHeader(content);
        if (jpegHeader.passThrough) {
            JpegData data{content,
                          jpegHeader.pixels,
                          jpegHeader.components,
                          jpegHeader.transformed,
                          jpegHeader.inverted,
                          jpegHeader.orientation};
            PictureColour colour;
            if (profileFits(jpegHeader.iccProfile, jpegHeader.components))
                colour.iccProfile = jpegHeader.iccProfile;
            const QSize shown =
                jpegHeader.orientation >= 5 ? jpegHeader.pixels.transposed() : jpegHeader.pixels;
            return Picture(std::move(data), float(shown.width()) * scale, float(shown.height()) * scale,
                           std::move(colour));
        }
    }

    // A PNG whose compressed pixels PDF reads goes in with them as they are, once they are known to
    // hold every row: nothing is decoded or compressed again.
    if (*format == PictureFormat::Png) {
        if (std::optional<PngData> png = pngPassThrough(content)) {
            const float width = float(png->pixels.width()) * scale;
            const float height = float(png->pixels.height()) * scale;
            return Picture(std::move(*png), content, width, height, pngColour(content));
        }
    }

    QImage image;
    PictureColour colour;
    if (*format == PictureFormat::Jpeg) {
        image = decodeJpeg(content, path);
        if (profileFits(jpegHeader.iccProfile, image.isGrayscale() ? 1 : 3) && jpegHeader.components != 4)
            colour.iccProfile = jpegHeader.iccProfile;
    } else if (!reader->read(&image) || image.isNull()) {
        throw PrintError(
            PrintError::PictureNotReadable,
            Words::tr("The picture %1 could not be read: %2.").arg(displayPath(path), reader->errorString()));
    }
    if (*format == PictureFormat::Png)
        colour = pngColour(content);

    const float width = float(image.width()) * scale;
    const float height = float(image.height()) * scale;
    return Picture(std::move(image), width, height, *format != PictureFormat::Jpeg, std::move(colour));
}

void PictureLoader::remember(Entry entry)
{
    const qint64 bytes = entry.bytes + entry.unsettledContent.size();
    if (bytes > m_cacheLimit)
        return;
    m_cacheBytes += bytes;
    m_lru.push_front(std::move(entry));
    m_index.insert(m_lru.front().path, m_lru.begin());
    while (m_cacheBytes > m_cacheLimit && m_lru.size() > 1) {
        const Entry &oldest = m_lru.back();
        m_cacheBytes -= oldest.bytes + oldest.unsettledContent.size();
        m_index.remove(oldest.path);
        m_lru.pop_back();
    }
}
