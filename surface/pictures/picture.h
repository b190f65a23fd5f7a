// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "jpegdecoder.h"
#include "picturecheck.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFuture>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>

#include <list>
#include <memory>
#include <optional>
#include <vector>

#include <sys/types.h>

class QThreadPool;
struct stat;

// How a picture's colours are to be read, as its file says.
struct PictureColour
{
    // An embedded ICC profile that fits the pixels (its colour space has as many components); empty:
    // none, or one that does not fit them.
    QByteArray iccProfile;
    // A PNG's gAMA without a profile or an sRGB chunk: the exponent its samples were encoded with
    // (0.45455 for the usual 1/2.2); 0 where there is none.
    double gamma = 0;
    // A PNG's cHRM beside its gAMA: the white point and the red, green and blue primaries as CIE
    // x, y pairs; empty where there is none.
    std::vector<double> chromaticities;

    [[nodiscard]] bool isDevice() const { return iccProfile.isEmpty() && gamma <= 0; }
};

// A picture with its natural size in twips: decoded pixels, or a JPEG's or PNG's own data. Copies share
// what they hold, and a picture and its copies share one serial number, so that the PDF writer
// embeds a picture once however often it is drawn.
class Picture
{
public:
    Picture() = default;
    Picture(QImage image, float widthTwips, float heightTwips, bool lossless, PictureColour colour = {});
    Picture(JpegData jpeg, float widthTwips, float heightTwips, PictureColour colour);
    // image: the PNG's file, decoded only when its pixels are asked for.
    Picture(PngData png, QByteArray file, float widthTwips, float heightTwips, PictureColour colour);

    [[nodiscard]] bool isNull() const { return !m_data; }
    [[nodiscard]] float width() const { return m_width; }
    [[nodiscard]] float height() const { return m_height; }
    // True for formats that are stored without loss (GIF, PNG, BMP): they are embedded losslessly.
    [[nodiscard]] bool lossless() const { return m_lossless; }
    // The pixels, as shown (a JPEG's orientation applied). A JPEG or PNG kept as its own data is
    // decoded when they are first asked for.
    [[nodiscard]] const QImage &image() const;
    // The JPEG's bytes, or nullptr for a decoded picture.
    [[nodiscard]] const JpegData *jpeg() const;
    // The PNG's picture data, or nullptr.
    [[nodiscard]] const PngData *png() const;
    [[nodiscard]] const PictureColour &colour() const;
    [[nodiscard]] quint64 serial() const;
    // What the picture is: the file and the state it was read in, for a picture loaded from a file
    // (the same for every load of an unchanged file), else its serial number. The PDF writer embeds
    // a picture once per identity.
    [[nodiscard]] QByteArray identity() const;
    void setIdentity(QByteArray identity);
    // The memory the picture holds.
    [[nodiscard]] qint64 bytes() const;

private:
    struct Data;
    std::shared_ptr<Data> m_data;
    float m_width = 0;
    float m_height = 0;
    bool m_lossless = true;
};

// Turns picture files into Pictures: GIF, PNG, JPEG and BMP, told apart by their own signature
// bytes. A JPEG or PNG that PDF reads as it is, and that its decoder has proven whole and sound,
// stays its bytes; every other picture is decoded. A file that has not changed since it was last
// loaded (same path, the same file by device and inode, same size, modification and change time)
// gives back the same decoded picture, or for a JPEG kept as its bytes the same proof, its bytes
// read again; the cache is bounded by the bytes of decoded image data it holds.
//
// prepare() reads and proves a file that is about to be loaded on worker threads, so that a run
// uses every core; load() then takes what was prepared when the file is still the one that was
// read, with the same picture or the same error that it would have made itself.
class PictureLoader
{
public:
    static constexpr qint64 DefaultCacheBytes = 64 * 1024 * 1024;

    // logicalDpi: the screen's logical resolution, which maps pixels to twips (1440 per inch).
    explicit PictureLoader(double logicalDpi = 96.0, qint64 cacheBytes = DefaultCacheBytes);
    ~PictureLoader();
    PictureLoader(const PictureLoader &) = delete;
    PictureLoader &operator=(const PictureLoader &) = delete;

    // Throws PrintError when the file is missing, is not a regular file, or is not a picture that
    // can be decoded within the image reader's allocation limit.
    [[nodiscard]] Picture load(const QString &path);

    // Starts loading an ordinary file that is not in the cache on a worker thread; at most a few
    // are kept prepared at a time, and others are not started. Only a hint: nothing that load()
    // gives or throws depends on it.
    void prepare(const QString &path);

    // load()'s checks and decoding on a file's content in memory; path only names it in messages.
    [[nodiscard]] Picture decodeData(QByteArrayView content, const QString &path) const;
    [[nodiscard]] Picture decode(const QByteArray &content, const QString &path) const;

    [[nodiscard]] double logicalDpi() const { return m_dpi; }
    [[nodiscard]] int decodeCount() const { return m_decodes; }
    // Loads that took what prepare() had made.
    [[nodiscard]] int preparedCount() const { return m_preparedLoads; }

private:
    // What stat() tells about a file that changes whenever its content can have changed.
    struct FileStamp
    {
        dev_t device = 0;
        ino_t inode = 0;
        qint64 size = 0;
        qint64 modified = 0; // nanoseconds since the epoch
        qint64 changed = 0;  // the inode's change time, which no program can set back
        bool operator==(const FileStamp &) const = default;
    };
    struct Entry
    {
        QString path;
        FileStamp stamp;
        // A JPEG kept as its bytes is kept without them: its proof, to be given the file's bytes
        // when it is loaded again.
        Picture picture;
        qint64 bytes;
        // The file's content, kept while its change time is too recent to tell a later change
        // from this one (see load()); empty once the stamp alone can be trusted.
        QByteArray unsettledContent;
    };
    // What a worker made of a file: the picture or the error, and the file it read.
    struct Prepared;
    // What load() has read of a file, where it has: its content and the state it was read in.
    struct FileRead
    {
        QByteArray content;
        FileStamp stamp;
        bool done = false;
    };
    [[nodiscard]] std::shared_ptr<Prepared> takePrepared(const QString &path, const FileStamp &now,
                                                         qint64 readAt);
    [[nodiscard]] std::optional<Picture> fromCache(const QString &path, const FileStamp &now, qint64 readAt,
                                                   FileRead &read);
    void remember(Entry entry);
    [[nodiscard]] static FileStamp stampOf(const struct stat &file);
    [[nodiscard]] static QByteArray identityOf(const QString &path, const FileStamp &stamp,
                                               const QByteArray &content, bool unsettled);
    [[nodiscard]] static Picture decodeAt(const QByteArray &content, const QString &path, double dpi);

    double m_dpi;
    qint64 m_cacheLimit;
    qint64 m_cacheBytes = 0;
    int m_decodes = 0;
    int m_preparedLoads = 0;
    std::list<Entry> m_lru; // most recently used first
    QHash<QString, std::list<Entry>::iterator> m_index;
    std::unique_ptr<QThreadPool> m_workers; // made by the first prepare()
    QHash<QString, QFuture<std::shared_ptr<Prepared>>> m_prepared;
    QList<QString> m_preparedOrder; // the keys of m_prepared, oldest first
};
