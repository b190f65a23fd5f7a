// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "listfile.h"

#include "filename.h"
#include "ordinaryfile.h"
#include "printerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cstring>

#include <unistd.h>

namespace {

// The texts of this file, translated in the context "ListFile".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(ListFile)
};

constexpr qsizetype ChunkBytes = 64 * 1024;
constexpr qsizetype MaxParts = 32767;

// Windows-1252 from 0x80 to 0x9F; the five unassigned bytes map to the C1 controls.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

} // namespace

QString findListFile(const QString &folder)
{
    const QDir dir(folder);
    // Ordinary files only, once links are followed: no folders, no hidden files, and nothing
    // special (FIFOs, sockets, devices, dangling links). The name's suffix ignores letter case.
    // The names are the folder's bytes, whatever their encoding.
    QStringList names = folderEntries(folder);
    names.removeIf([&dir](const QString &name) {
        return name.startsWith(QLatin1Char('.')) ||
               !name.endsWith(QLatin1String(".lst"), Qt::CaseInsensitive) ||
               !isOrdinaryFile(dir.filePath(name));
    });
    if (names.isEmpty())
        return {};
    const auto byName = [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.compare(b, Qt::CaseSensitive) < 0;
    };
    return *std::min_element(names.cbegin(), names.cend(), byName);
}

QList<QStringView> splitLine(QStringView line, QStringView separator, const QString &where)
{
    return splitLine(line, separator, [&where] { return where; });
}

QList<QStringView> splitLine(QStringView line, QStringView separator, const std::function<QString()> &where)
{
    QList<QStringView> parts;
    qsizetype start = 0;
    for (;;) {
        if (parts.size() == MaxParts)
            throw PrintError(PrintError::FieldCountOverflow,
                             Words::tr("%1 has more than %2 fields, more than a list file can hold.")
                                 .arg(where(), QString::number(MaxParts)));
        const qsizetype found = line.indexOf(separator, start);
        if (found < 0) {
            parts.append(line.mid(start));
            return parts;
        }
        parts.append(line.mid(start, found - start));
        start = found + separator.size();
    }
}

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(Cp1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QString decodeLine(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return fromWindows1252(bytes);
}

QString decodeUtf16Line(QByteArrayView bytes, bool bigEndian)
{
    const qsizetype units = bytes.size() / 2;
    QString text(units + bytes.size() % 2, Qt::Uninitialized);
    QChar *out = text.data();
    const auto *in = reinterpret_cast<const uchar *>(bytes.data());
    for (qsizetype i = 0; i < units; ++i, in += 2)
        *out++ = QChar(bigEndian ? qFromBigEndian<quint16>(in) : qFromLittleEndian<quint16>(in));
    if (bytes.size() % 2 != 0)
        *out = QChar(QChar::ReplacementCharacter);
    return text;
}

ListFileReader::ListFileReader(QString path, QString name)
    : m_path(std::move(path)), m_name(std::move(name)), m_file(std::in_place), m_device(&*m_file)
{
}

ListFileReader::ListFileReader(QIODevice &device, QString name) : m_name(std::move(name)), m_device(&device)
{
}

void ListFileReader::open()
{
    close();
    m_buffer.clear();
    m_pos = 0;
    m_lineNumber = 0;
    m_skipLineFeed = false;
    m_atStart = true;
    m_encoding = Encoding::Bytes;
    if (!m_file) {
        if (!m_device->open(QIODevice::ReadOnly))
            throw PrintError(
                PrintError::ListFileNotReadable,
                Words::tr("The list file %1 could not be opened: %2.").arg(m_name, m_device->errorString()));
        return;
    }
    QString reason;
    const int fd = openOrdinaryFile(m_path, reason);
    if (fd < 0)
        throw PrintError(
            PrintError::ListFileNotReadable,
            Words::tr("The list file %1 could not be opened: %2.").arg(displayPath(m_path), reason));
    if (!m_file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw PrintError(PrintError::ListFileNotReadable,
                         Words::tr("The list file %1 could not be opened: %2.")
                             .arg(displayPath(m_path), m_file->errorString()));
    }
}

void ListFileReader::close()
{
    if (m_device->isOpen())
        m_device->close();
    m_buffer.clear();
    m_buffer.squeeze();
    m_line.clear();
    m_line.squeeze();
}

bool ListFileReader::fill()
{
    // A UTF-16 code unit may be cut by the end of a read: its first byte is kept for the next.
    const qsizetype rest = m_buffer.size() - m_pos;
    if (rest > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, size_t(rest));
    // Chunks of 64 KiB, or what is left of a smaller file (at least 4 KiB): a small list costs no
    // more than its size. The buffer is reserved exactly; resize() alone would grow it to twice.
    qint64 chunk = ChunkBytes;
    if (!m_device->isSequential())
        chunk = std::clamp<qint64>(m_device->size() - m_device->pos(), 4096, ChunkBytes);
    if (m_buffer.capacity() < rest + chunk)
        m_buffer.reserve(rest + chunk);
    m_buffer.resize(rest + chunk);
    const qint64 got = m_device->read(m_buffer.data() + rest, chunk);
    if (got < 0)
        throw PrintError(PrintError::ListFileReadFailed, Words::tr("Reading line %1 of %2 failed: %3.")
                                                             .arg(m_lineNumber + 1)
                                                             .arg(m_name, m_device->errorString()));
    m_buffer.resize(rest + got);
    m_pos = 0;
    if (m_atStart && got > 0) {
        m_atStart = false;
        if (m_buffer.startsWith("\xEF\xBB\xBF")) {
            m_pos = 3;
        } else if (m_buffer.startsWith("\xFF\xFE")) {
            m_encoding = Encoding::Utf16LittleEndian;
            m_pos = 2;
        } else if (m_buffer.startsWith("\xFE\xFF")) {
            m_encoding = Encoding::Utf16BigEndian;
            m_pos = 2;
        }
    }
    return got > 0;
}

char16_t ListFileReader::unitAt(qsizetype pos) const
{
    const auto *at = reinterpret_cast<const uchar *>(m_buffer.constData() + pos);
    switch (m_encoding) {
    case Encoding::Bytes:
        return *at;
    case Encoding::Utf16LittleEndian:
        return qFromLittleEndian<quint16>(at);
    case Encoding::Utf16BigEndian:
        return qFromBigEndian<quint16>(at);
    }
    return 0;
}

qsizetype ListFileReader::findLineEnd() const
{
    if (m_encoding == Encoding::Bytes) {
        const char *begin = m_buffer.constData();
        return std::find_if(begin + m_pos, begin + m_buffer.size(),
                            [](char c) { return c == '\r' || c == '\n'; }) -
               begin;
    }
    const qsizetype end = m_pos + (m_buffer.size() - m_pos) / 2 * 2;
    qsizetype pos = m_pos;
    while (pos < end && unitAt(pos) != u'\r' && unitAt(pos) != u'\n')
        pos += 2;
    return pos;
}

bool ListFileReader::nextRawLine(QByteArray &line)
{
    line.resize(0); // (keeps what it holds for the next line)
    bool started = false;
    // Cleared once the line passes MaxLineBytes: the rest of it is then read without being kept,
    // so that the next line read is the one after it and not the rest of this one.
    bool keep = true;
    const auto append = [&](qsizetype length) {
        if (keep && line.size() + length > MaxLineBytes) {
            keep = false;
            line.clear();
        }
        if (keep)
            line.append(m_buffer.constData() + m_pos, length);
        m_pos += length;
    };
    for (;;) {
        if (m_buffer.size() - m_pos < unitBytes()) {
            if (fill())
                continue; // (a chunk may hold only the byte-order mark, or one byte of a unit)
            // The end of the file. A last odd byte of a UTF-16 file belongs to the last line.
            if (m_pos < m_buffer.size()) {
                started = true;
                append(m_buffer.size() - m_pos);
            }
            if (!started)
                return false;
            break; // the last line, without a line end
        }
        if (m_skipLineFeed) {
            m_skipLineFeed = false;
            if (unitAt(m_pos) == u'\n') {
                m_pos += unitBytes();
                continue;
            }
        }
        started = true;
        const qsizetype stop = findLineEnd();
        append(stop - m_pos);
        if (m_buffer.size() - m_pos >= unitBytes()) {
            m_skipLineFeed = unitAt(m_pos) == u'\r';
            m_pos += unitBytes();
            break;
        }
    }
    ++m_lineNumber;
    if (!keep)
        throw PrintError(PrintError::LineTooLong,
                         Words::tr("Line %1 of %2 is longer than 16 MiB, more than a list file line can be.")
                             .arg(m_lineNumber)
                             .arg(m_name));
    return true;
}

std::optional<QString> ListFileReader::readLine()
{
    if (!isOpen())
        throw PrintError(PrintError::ListFileNotOpen,
                         Words::tr("The list file %1 is not open, so no record can be read.").arg(m_name));
    while (nextRawLine(m_line)) {
        if (m_line.isEmpty())
            continue;
        QString text = m_encoding == Encoding::Bytes
                           ? decodeLine(m_line)
                           : decodeUtf16Line(m_line, m_encoding == Encoding::Utf16BigEndian);
        if (m_line.capacity() > ChunkBytes)
            m_line = QByteArray(); // a long line's bytes are not kept for the next
        return text;
    }
    return std::nullopt;
}

qint64 ListFileReader::countLines(const QString &path)
{
    ListFileReader reader(path, QFileInfo(path).fileName());
    return reader.countNonEmptyLines();
}

qint64 ListFileReader::countLines(QIODevice &device)
{
    ListFileReader reader(device, QString());
    return reader.countNonEmptyLines();
}

qint64 ListFileReader::countNonEmptyLines()
{
    try {
        open();
        QByteArray raw;
        qint64 lines = 0;
        while (nextRawLine(raw))
            lines += raw.isEmpty() ? 0 : 1;
        close();
        return lines;
    } catch (const PrintError &) {
        close();
        return -1;
    }
}
