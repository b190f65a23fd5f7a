// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

// Reading the list file: finding it, its lines and their text, and cutting a line into fields.

// The list file of a folder: the first ordinary, non-hidden file whose name matches "*.lst" in any
// letter case, in name order. Empty when there is none.
QString findListFile(const QString &folder);

// Cuts line at every occurrence of separator: k occurrences give k + 1 parts, empty parts included.
// Fields are counted in 16 bits, so a line of more than 32,767 parts throws an overflow PrintError
// whose description begins with where (e.g. "Line 3 of parts.lst"), made only then.
QList<QStringView> splitLine(QStringView line, QStringView separator, const std::function<QString()> &where);
QList<QStringView> splitLine(QStringView line, QStringView separator, const QString &where);

// Decodes one line: UTF-8 when the bytes are valid UTF-8, otherwise Windows-1252.
QString decodeLine(QByteArrayView bytes);
QString fromWindows1252(QByteArrayView bytes);

// Decodes one line of a UTF-16 file: its code units as they are, a last odd byte as U+FFFD.
QString decodeUtf16Line(QByteArrayView bytes, bool bigEndian);

// Streams a list file line by line, keeping one line in memory. CR LF, CR and LF all end a line;
// empty lines are skipped; a UTF-8 byte-order mark at the start is dropped. A file that starts
// with the byte-order mark of UTF-16 (FF FE little-endian, FE FF big-endian) is read as UTF-16
// under the same rules, its line ends being code units.
class ListFileReader
{
public:
    // The longest line, counted in bytes of the file whatever its encoding.
    static constexpr qsizetype MaxLineBytes = 16 * 1024 * 1024;

    // name: the file name shown in messages.
    ListFileReader(QString path, QString name);
    // Reads device instead of a file (a list file in memory, for tests and fuzzing); the device
    // must outlive the reader, which opens and closes it.
    ListFileReader(QIODevice &device, QString name);

    // Opens the file for reading; throws PrintError when it is not a readable ordinary file.
    void open();
    [[nodiscard]] bool isOpen() const { return m_device->isOpen(); }
    void close();

    // The next non-empty line, or nothing at the end of the file. Throws PrintError for a line of
    // more than MaxLineBytes bytes (the next call goes on with the line after it) or a read failure.
    [[nodiscard]] std::optional<QString> readLine();

    // The 1-based number of the last line returned, counting empty lines too.
    [[nodiscard]] qint64 lineNumber() const { return m_lineNumber; }
    [[nodiscard]] const QString &name() const { return m_name; }

    // Counts the non-empty lines of a file without keeping them (for progress); -1 when unreadable.
    static qint64 countLines(const QString &path);
    static qint64 countLines(QIODevice &device);

private:
    enum class Encoding
    {
        Bytes, // UTF-8 or Windows-1252, told line by line
        Utf16LittleEndian,
        Utf16BigEndian,
    };

    [[nodiscard]] qint64 countNonEmptyLines();
    bool nextRawLine(QByteArray &line);
    bool fill();
    [[nodiscard]] qsizetype unitBytes() const { return m_encoding == Encoding::Bytes ? 1 : 2; }
    // The first code unit from the current position on that ends a line (CR or LF), or the end of
    // the whole units in the buffer.
    [[nodiscard]] qsizetype findLineEnd() const;
    [[nodiscard]] char16_t unitAt(qsizetype pos) const;

    QString m_path;
    QString m_name;
    std::optional<QFile> m_file; // when reading a path
    QIODevice *m_device;
    QByteArray m_buffer;
    QByteArray m_line; // the raw bytes of the line being read
    qsizetype m_pos = 0;
    qint64 m_lineNumber = 0;
    bool m_skipLineFeed = false;
    bool m_atStart = true;
    Encoding m_encoding = Encoding::Bytes;
};
