#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QImage>
#include <QString>

#include <list>

#include <sys/types.h>

// A decoded picture with its natural size in twips. Copies share the decoded image, so drawing
// the same Picture twice lets the PDF writer embed it once.
class Picture
{
public:
    Picture() = default;
    Picture(QImage image, float widthTwips, float heightTwips, bool lossless);

    [[nodiscard]] bool isNull() const { return m_image.isNull(); }
    [[nodiscard]] const QImage &image() const { return m_image; }
    [[nodiscard]] float width() const { return m_width; }
    [[nodiscard]] float height() const { return m_height; }
    // True for formats that are stored without loss (GIF, PNG, BMP): they are embedded losslessly.
    [[nodiscard]] bool lossless() const { return m_lossless; }

private:
    QImage m_image;
    float m_width = 0;
    float m_height = 0;
    bool m_lossless = true;
};

// Turns picture files into Pictures: GIF, PNG, JPEG and BMP, told apart by their own signature
// bytes. A file that has not changed since it was last loaded (same path, the same file by device
// and inode, same size, modification and change time) gives back the same decoded picture; the
// cache is bounded by the bytes of decoded image data it holds.
class PictureLoader
{
public:
    static constexpr qint64 DefaultCacheBytes = 64 * 1024 * 1024;

    // logicalDpi: the screen's logical resolution, which maps pixels to twips (1440 per inch).
    explicit PictureLoader(double logicalDpi = 96.0, qint64 cacheBytes = DefaultCacheBytes);

    // Throws PrintError when the file is missing, is not a regular file, or is not a picture that
    // can be decoded within the image reader's allocation limit.
    [[nodiscard]] Picture load(const QString &path);

    // load()'s checks and decoding on a file's content in memory; path only names it in messages.
    [[nodiscard]] Picture decodeData(QByteArrayView content, const QString &path) const;

    [[nodiscard]] double logicalDpi() const { return m_dpi; }
    [[nodiscard]] int decodeCount() const { return m_decodes; }

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
        Picture picture;
        qint64 bytes;
        // The file's content, kept while its change time is too recent to tell a later change
        // from this one (see load()); empty once the stamp alone can be trusted.
        QByteArray unsettledContent;
    };
    void remember(Entry entry);

    double m_dpi;
    qint64 m_cacheLimit;
    qint64 m_cacheBytes = 0;
    int m_decodes = 0;
    std::list<Entry> m_lru; // most recently used first
    QHash<QString, std::list<Entry>::iterator> m_index;
};
