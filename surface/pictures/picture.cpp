// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "picture.h"

#include "colourprofile.h"
#include "filename.h"
#include "jpegdecoder.h"
#include "ordinaryfile.h"
#include "picturecheck.h"
#include "pngproof.h"
#include "printerror.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
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
        static std::atomic<quint64> last = 0; // pictures are made on worker threads too
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

struct PictureLoader::Prepared
{
    FileStamp stamp;
    QByteArray content;
    Picture picture;
    std::optional<PrintError> error; // what decoding it threw
    bool read = false;               // the file was read (else load() reads it and says why not)
};

PictureLoader::PictureLoader(double logicalDpi, qint64 cacheBytes)
    : m_dpi(logicalDpi > 0 ? logicalDpi : 96.0), m_cacheLimit(cacheBytes)
{
}

PictureLoader::~PictureLoader()
{
    if (m_workers)
        m_workers->waitForDone();
}

PictureLoader::FileStamp PictureLoader::stampOf(const struct stat &file)
{
    return FileStamp{file.st_dev, file.st_ino, qint64(file.st_size), nanoseconds(file.st_mtim),
                     nanoseconds(file.st_ctim)};
}

namespace {

// One stat() tells whether the file is there and ordinary, and which file in which state it is.
// QFileInfo would make the times local QDateTimes, reading the time zone file each time, and this
// runs for every picture of every page.
struct stat statPictureFile(const QString &path)
{
    struct stat info
    {
    };
    if (path.isEmpty() || ::stat(encodeFileName(path).constData(), &info) != 0)
        throw PrintError(PrintError::PictureNotFound,
                         Words::tr("The picture file %1 was not found.").arg(displayPath(path)));
    if (!S_ISREG(info.st_mode))
        throw PrintError(PrintError::PictureNotReadable,
                         Words::tr("%1 is not a picture file.").arg(displayPath(path)));
    return info;
}

// A JPEG proven before, with the file's bytes again: the proof holds for these bytes, the file
// being the one that was proven.
Picture withJpegBytes(const Picture &proven, const QByteArray &content)
{
    JpegData jpeg = *proven.jpeg();
    jpeg.bytes = jpeg.repaired ? withStandardTables(content, jpegLayout(content)) : content;
    Picture picture(std::move(jpeg), proven.width(), proven.height(), proven.colour());
    picture.setIdentity(proven.identity());
    return picture;
}

// The picture as the cache keeps it: a JPEG kept as its bytes without them, so that a thousand
// photographs printed once each do not fill the memory. Loading it again costs a read, not a
// proof, and the PDF writer knows it again by its identity.
Picture withoutJpegBytes(const Picture &picture)
{
    const JpegData *const jpeg = picture.jpeg();
    if (!jpeg)
        return picture;
    JpegData proof = *jpeg;
    proof.bytes = QByteArray();
    Picture kept(std::move(proof), picture.width(), picture.height(), picture.colour());
    kept.setIdentity(picture.identity());
    return kept;
}

} // namespace

Picture PictureLoader::load(const QString &path)
{
    const FileStamp now = stampOf(statPictureFile(path));
    // A file replaced by another of the same size and times (cp -p, rsync -t) is another inode, or
    // the same inode with a new change time. Only a file changed again within one tick of the
    // timestamps' clock looks the same: while its change time is that recent, its content is kept
    // and compared.
    // Keyed by the name as given: the working folder does not change under a run, and an absolute
    // name could not be had at all below a working folder deeper than the system's path limit.
    const QString &key = path;
    const qint64 readAt = nanosecondsNow();
    const std::shared_ptr<Prepared> prepared = takePrepared(key, now, readAt);
    FileRead read;
    if (std::optional<Picture> cached = fromCache(key, now, readAt, read))
        return std::move(*cached);

    QByteArray content;
    FileStamp stamp;
    Picture picture;
    if (prepared) {
        content = std::move(prepared->content);
        stamp = prepared->stamp;
        ++m_decodes;
        ++m_preparedLoads;
        if (prepared->error)
            throw *prepared->error;
        picture = std::move(prepared->picture);
    } else {
        if (!read.done) {
            struct stat readStat
            {
            };
            read.content = readPictureFile(path, readStat);
            read.stamp = stampOf(readStat);
        }
        content = std::move(read.content);
        stamp = read.stamp;
        ++m_decodes;
        picture = decode(content, path);
    }
    const bool unsettled = stamp.changed >= readAt - UnsettledNanoseconds;
    picture.setIdentity(identityOf(path, stamp, content, unsettled));
    const Picture kept = withoutJpegBytes(picture);
    remember(Entry{key, stamp, kept, kept.bytes() + 256, unsettled ? content : QByteArray()});
    return picture;
}

// What prepare() made of the file, taken from the prepared loads: only for the file as it is now,
// and only where its stamp tells every change.
std::shared_ptr<PictureLoader::Prepared> PictureLoader::takePrepared(const QString &path,
                                                                     const FileStamp &now, qint64 readAt)
{
    const auto pending = m_prepared.find(path);
    if (pending == m_prepared.end())
        return nullptr;
    std::shared_ptr<Prepared> prepared = pending->result();
    m_prepared.erase(pending);
    m_preparedOrder.removeOne(path);
    if (!prepared->read || !(prepared->stamp == now) ||
        prepared->stamp.changed >= readAt - UnsettledNanoseconds)
        return nullptr;
    return prepared;
}

// The cached picture of the file as it is now, made the most recently used; nothing where the
// cache holds none, and an entry of the file as it was before is dropped. Where the stamp cannot
// tell (the file changed within the clock's tick) or a JPEG was kept without its bytes, the file is
// read, into read.
std::optional<Picture> PictureLoader::fromCache(const QString &path, const FileStamp &now, qint64 readAt,
                                                FileRead &read)
{
    const auto found = m_index.find(path);
    if (found == m_index.end())
        return std::nullopt;
    const auto entry = found.value();
    bool same = entry->stamp == now;
    const bool bytesDropped = entry->picture.jpeg() && entry->picture.jpeg()->bytes.isEmpty();
    if (same && (!entry->unsettledContent.isEmpty() || bytesDropped)) {
        struct stat readStat
        {
        };
        read.content = readPictureFile(path, readStat);
        read.stamp = stampOf(readStat);
        read.done = true;
        same = read.stamp == entry->stamp &&
               (entry->unsettledContent.isEmpty() || read.content == entry->unsettledContent);
        if (same && !entry->unsettledContent.isEmpty() &&
            entry->stamp.changed < readAt - UnsettledNanoseconds) {
            m_cacheBytes -= entry->unsettledContent.size();
            entry->unsettledContent = QByteArray();
        }
    }
    if (!same) {
        m_cacheBytes -= entry->bytes + entry->unsettledContent.size();
        m_lru.erase(entry);
        m_index.erase(found);
        return std::nullopt;
    }
    m_lru.splice(m_lru.begin(), m_lru, entry);
    return bytesDropped ? withJpegBytes(entry->picture, read.content) : entry->picture;
}

// What the picture is: the file by its name and the state it was read in, and, where a change
// within the clock's tick would not show in the stamp, its content.
QByteArray PictureLoader::identityOf(const QString &path, const FileStamp &stamp, const QByteArray &content,
                                     bool unsettled)
{
    QByteArray identity = encodeFileName(path) + '\0';
    for (const qint64 value :
         {qint64(stamp.device), qint64(stamp.inode), stamp.size, stamp.modified, stamp.changed})
        identity += QByteArray::number(value) + ' ';
    if (unsettled)
        identity += QCryptographicHash::hash(content, QCryptographicHash::Sha1);
    return identity;
}

void PictureLoader::prepare(const QString &path)
{
    constexpr qsizetype MaxPrepared = 6;
    if (m_prepared.contains(path))
        return;
    struct stat info
    {
    };
    if (path.isEmpty() || ::stat(encodeFileName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > 16 * 1024 * 1024)
        return;
    if (const auto found = m_index.constFind(path);
        found != m_index.constEnd() && found.value()->stamp == stampOf(info))
        return; // in the cache already
    if (!m_workers) {
        m_workers = std::make_unique<QThreadPool>();
        m_workers->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    }
    // A file named ahead may never be loaded (its record failed first, or named another file):
    // the oldest such one makes room, its work thrown away when it is done.
    while (m_prepared.size() >= MaxPrepared) {
        m_prepared.remove(m_preparedOrder.front());
        m_preparedOrder.pop_front();
    }
    m_preparedOrder.push_back(path);
    const double dpi = m_dpi;
    m_prepared.insert(path, QtConcurrent::run(m_workers.get(), [path, dpi] {
                          auto prepared = std::make_shared<Prepared>();
                          try {
                              struct stat read
                              {
                              };
                              prepared->content = readPictureFile(path, read);
                              prepared->stamp = stampOf(read);
                              prepared->read = true;
                              prepared->picture = decodeAt(prepared->content, path, dpi);
                          } catch (const PrintError &error) {
                              if (prepared->read)
                                  prepared->error = error;
                          } catch (...) {
                              prepared->read = false; // load() does it again, and meets what it meets
                          }
                          return prepared;
                      }));
}

Picture PictureLoader::decodeData(QByteArrayView content, const QString &path) const
{
    return decode(content.toByteArray(), path);
}

namespace {

// The colours of a PNG as libpng read them: its profile where that fits the picture (one component
// for grey, three for colour and palettes), else its gamma (and primaries), unless an sRGB chunk
// says the pixels are what device RGB is taken to be anyway. A gamma outside 0.2 to 5 is no
// encoder's (decoding with its inverse would turn the picture nearly black or white): the picture
// goes in with its device colours, as viewers that do not apply such a gamma show it.
PictureColour pngColour(const PngProof &proof)
{
    PictureColour colour;
    const int components = proof.colourType == 0 || proof.colourType == 4 ? 1 : 3;
    if (!proof.iccProfile.isEmpty() && profileFits(proof.iccProfile, components)) {
        colour.iccProfile = proof.iccProfile;
        return colour;
    }
    if (proof.srgb || !(proof.gamma >= 0.2 && proof.gamma <= 5))
        return colour;
    colour.gamma = proof.gamma;
    if (proof.chromaticities.size() == 8)
        colour.chromaticities = proof.chromaticities;
    return colour;
}

// Throws the error for damage that a decoder's proof found.
[[noreturn]] void refuseProven(PictureDefect defect, const QString &reason, const QString &path)
{
    if (!reason.isEmpty())
        throw PrintError(PrintError::PictureNotReadable,
                         Words::tr("The picture %1 could not be read: %2.").arg(displayPath(path), reason));
    refusePicture(defect, path);
}

// A proven JPEG as its own bytes, its orientation applied by the drawing, with its profile where
// that fits. repaired: the standard tables that it left out were put in.
Picture jpegAsItIs(const QByteArray &bytes, const JpegHeader &header, bool repaired, float scale)
{
    JpegData data{bytes,           header.pixels,      header.components, header.transformed,
                  header.inverted, header.orientation, repaired};
    PictureColour colour;
    if (profileFits(header.iccProfile, header.components))
        colour.iccProfile = header.iccProfile;
    const QSize shown = header.orientation >= 5 ? header.pixels.transposed() : header.pixels;
    return Picture(std::move(data), float(shown.width()) * scale, float(shown.height()) * scale,
                   std::move(colour));
}

// A JPEG decoded, with its profile where that fits the decoded pixels and they are not CMYK's.
// lossless: the pixels are embedded without loss (a JPEG that names a component twice).
Picture decodedJpeg(const QByteArray &content, const QString &path, const JpegHeader &header, bool lossless,
                    float scale)
{
    QImage image = decodeJpeg(content, path);
    refuseIfTooLarge(image.size(), path);
    PictureColour colour;
    if (profileFits(header.iccProfile, image.isGrayscale() ? 1 : 3) && header.components != 4)
        colour.iccProfile = header.iccProfile;
    const float width = float(image.width()) * scale;
    const float height = float(image.height()) * scale;
    return Picture(std::move(image), width, height, lossless, std::move(colour));
}

// A JPEG is walked first (every segment within the file, the scans counted, the end marker there),
// then proven by libjpeg. One that PDF reads and that is proven goes to the page as its bytes, its
// orientation applied by the drawing; standard tables that it leaves out are put in. One with a
// component named twice, or that PDF does not read, is decoded.
Picture jpegPicture(const QByteArray &content, const QString &path, float scale, qint64 maxPixels)
{
    const JpegLayout layout = jpegLayout(content);
    if (layout.defect != PictureDefect::None)
        refusePicture(layout.defect, path);
    const QByteArray bytes = layout.missingTables.empty() ? content : withStandardTables(content, layout);
    const JpegProof proof = proveJpeg(bytes, maxPixels);
    if (proof.tooLarge)
        refuseIfTooLarge(proof.header.pixels, path);
    if (proof.defect != PictureDefect::None)
        refuseProven(proof.defect, proof.reason, path);
    if (proof.proven && !layout.repeatedComponents)
        return jpegAsItIs(bytes, proof.header, !layout.missingTables.empty(), scale);
    return decodedJpeg(content, path, proof.header, layout.repeatedComponents, scale);
}

// A PNG's proof, or the error for its damage. Asked for the size, libpng reads every chunk before
// the pixels and first allocates what each one claims to hold (a 203-byte file asked for 1.1 GB):
// the walk over the chunks, which keeps each within the file, goes first. Then libpng proves it,
// on the header it accepts: the size limit applies to that header.
PngProof provenPng(const QByteArray &content, const QString &path, qint64 maxPixels)
{
    if (const PictureDefect defect = pngDefect(content); defect != PictureDefect::None)
        refusePicture(defect, path);
    PngProof proof = provePng(content, maxPixels);
    if (proof.tooLarge)
        refuseIfTooLarge(proof.pixels, path);
    if (proof.defect != PictureDefect::None)
        refuseProven(proof.defect, proof.reason, path);
    return proof;
}

// A proven PNG's compressed pixels as they are, where PDF reads them so and the file's own header
// says what libpng proved; nothing otherwise.
std::optional<Picture> pngAsItIs(const QByteArray &content, const PngProof &proof,
                                 const PictureColour &colour, float scale)
{
    std::optional<PngData> png = pngPassThrough(content);
    if (!png || png->pixels != proof.pixels || png->bits != proof.bits)
        return std::nullopt;
    const float width = float(png->pixels.width()) * scale;
    const float height = float(png->pixels.height()) * scale;
    return Picture(std::move(*png), content, width, height, colour);
}

// GIF, BMP and a PNG that does not go in as it is, decoded by Qt's reader. Decoded from memory: the
// checks below and the decoder see the same bytes. The reader is told the format, so that no other
// plugin ever looks at the content.
Picture decodedWithQt(const QByteArray &content, const QString &path, PictureFormat format, float scale,
                      PictureColour colour)
{
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format == PictureFormat::Gif   ? "gif"
                                 : format == PictureFormat::Png ? "png"
                                                                : "bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(true);
    // Pictures whose decoded size would pass the limit are refused before any memory is taken,
    // with a message that says why.
    refuseIfTooLarge(reader.size(), path);
    PictureDefect defect = PictureDefect::None;
    if (format == PictureFormat::Gif)
        defect = gifDefect(content);
    else if (format == PictureFormat::Bmp)
        defect = bmpDefect(content);
    if (defect != PictureDefect::None)
        refusePicture(defect, path);

    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw PrintError(
            PrintError::PictureNotReadable,
            Words::tr("The picture %1 could not be read: %2.").arg(displayPath(path), reader.errorString()));
    refuseIfTooLarge(image.size(), path);
    const float width = float(image.width()) * scale;
    const float height = float(image.height()) * scale;
    return Picture(std::move(image), width, height, true, std::move(colour));
}

} // namespace

Picture PictureLoader::decode(const QByteArray &content, const QString &path) const
{
    return decodeAt(content, path, m_dpi);
}

Picture PictureLoader::decodeAt(const QByteArray &content, const QString &path, double dpi)
{
    const std::optional<PictureFormat> format = pictureFormatOf(content);
    if (!format)
        throw PrintError(
            PrintError::PictureNotReadable,
            Words::tr("The file %1 is not a GIF, PNG, JPEG or BMP picture.").arg(displayPath(path)));
    const float scale = float(1440.0 / dpi);
    const qint64 maxPixels = maxPicturePixels();
    if (*format == PictureFormat::Jpeg)
        return jpegPicture(content, path, scale, maxPixels);
    PictureColour colour;
    if (*format == PictureFormat::Png) {
        // The compressed pixels go in as they are only where the file's own header says the same as
        // the one libpng proved.
        const PngProof proof = provenPng(content, path, maxPixels);
        colour = pngColour(proof);
        if (std::optional<Picture> asItIs = pngAsItIs(content, proof, colour, scale))
            return std::move(*asItIs);
    }
    return decodedWithQt(content, path, *format, scale, std::move(colour));
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
