// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "filename.h"

#include <climits>
#include <cstdlib>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t EscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at data[at], or 0 when there is none.
qsizetype validSequence(QByteArrayView data, qsizetype at, char32_t &character)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(data[i]); };
    const unsigned char lead = byte(at);
    qsizetype length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead < 0x80)
        return character = lead, 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, value = lead & 0x1F, least = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, value = lead & 0x0F, least = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, value = lead & 0x07, least = 0x10000;
    else
        return 0;
    if (at + length > data.size())
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    character = value;
    return length;
}

} // namespace

QString decodeFileName(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t character = 0;
        const qsizetype length = validSequence(bytes, at, character);
        if (length == 0) {
            name += QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        name += QChar::fromUcs4(character);
        at += length;
    }
    return name;
}

QByteArray encodeFileName(QStringView name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size() &&
            QChar::isLowSurrogate(name[i + 1].unicode())) {
            bytes += name.mid(i, 2).toUtf8();
            ++i;
        } else if (unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF) {
            bytes += char(unit - EscapeBase);
        } else {
            bytes += QString(QChar(unit)).toUtf8();
        }
    }
    return bytes;
}

bool isOrdinaryFile(const QString &path)
{
    struct stat info
    {
    };
    return !path.isEmpty() && ::stat(encodeFileName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isFolder(const QString &path)
{
    struct stat info
    {
    };
    return !path.isEmpty() && ::stat(encodeFileName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

QStringList folderEntries(const QString &folder)
{
    QStringList names;
    DIR *const dir = ::opendir(encodeFileName(folder.isEmpty() ? QStringLiteral(".") : folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name != "." && name != "..")
            names << decodeFileName(name);
    }
    ::closedir(dir);
    return names;
}

QString absoluteFileName(const QString &path)
{
    if (path.startsWith(QLatin1Char('/')))
        return path;
    char *const current = ::getcwd(nullptr, 0);
    if (!current)
        return path;
    QString absolute = decodeFileName(current);
    std::free(current);
    if (!absolute.endsWith(QLatin1Char('/')))
        absolute += QLatin1Char('/');
    absolute += path;
    return encodeFileName(absolute).size() < PATH_MAX ? absolute : path;
}

namespace {

bool sameInode(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

bool isSameFile(int fd, const QString &path)
{
    struct stat open
    {
    };
    struct stat named
    {
    };
    return ::fstat(fd, &open) == 0 && ::stat(encodeFileName(path).constData(), &named) == 0 &&
           sameInode(open, named);
}

bool isSameFile(const QString &first, const QString &second)
{
    struct stat a
    {
    };
    struct stat b
    {
    };
    return ::stat(encodeFileName(first).constData(), &a) == 0 &&
           ::stat(encodeFileName(second).constData(), &b) == 0 && sameInode(a, b);
}
