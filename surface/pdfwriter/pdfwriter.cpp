// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdfwriter.h"

#include "outputdevice.h"
#include "printerror.h"

#include <QCryptographicHash>
#include <QDateTime>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>

#include <unistd.h>

namespace {

constexpr size_t BufferBytes = 256 * 1024;

void appendStep(std::deque<unsigned char> &steps, quint64 value)
{
    while (value >= 0x80) {
        steps.push_back(static_cast<unsigned char>(value | 0x80));
        value >>= 7;
    }
    steps.push_back(static_cast<unsigned char>(value));
}

quint64 readStep(const std::deque<unsigned char> &steps, size_t &at)
{
    quint64 value = 0;
    for (int shift = 0; at < steps.size(); shift += 7) {
        const unsigned char byte = steps[at++];
        value |= quint64(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            break;
    }
    return value;
}

} // namespace

PdfWriter::PdfWriter(OutputDevice &device, QString documentName)
    : m_device(device), m_documentName(std::move(documentName))
{
    m_buffer.reserve(BufferBytes);
    // A binary comment in the second line tells transfer programs that the file is not text.
    write("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
    m_pagesRoot = reserve();
    m_catalog = reserve();
}

PdfWriter::PdfWriter(const PdfWriter &before, OutputDevice &device)
    : m_device(device), m_documentName(before.m_documentName), m_written(before.bytesWritten()),
      m_error(before.m_error), m_nextObject(before.m_nextObject), m_pagesRoot(before.m_pagesRoot),
      m_catalog(before.m_catalog), m_offsetSteps(before.m_offsetSteps), m_lastOffset(before.m_lastOffset),
      m_reserved(before.m_reserved), m_pageBits(before.m_pageBits), m_pages(before.m_pages)
{
    m_buffer.reserve(BufferBytes);
}

PdfWriter::~PdfWriter()
{
    if (m_zlibReady)
        deflateEnd(&m_zlib);
}

void PdfWriter::checkUsable() const
{
    if (m_error != 0)
        throw documentNotWritten(m_documentName, m_error);
}

void PdfWriter::fail(int error)
{
    m_error = error;
    m_buffer.clear();
    checkUsable();
}

void PdfWriter::flush()
{
    checkUsable();
    if (m_buffer.empty())
        return;
    if (const int error = writeAll(m_device, m_buffer.data(), m_buffer.size()))
        fail(error);
    m_written += m_buffer.size();
    m_buffer.clear();
}

void PdfWriter::write(std::string_view text)
{
    checkUsable();
    if (m_buffer.size() + text.size() > BufferBytes)
        flush();
    if (text.size() >= BufferBytes) {
        if (const int error = writeAll(m_device, text.data(), text.size()))
            fail(error);
        m_written += text.size();
        return;
    }
    m_buffer.insert(m_buffer.end(), text.begin(), text.end());
}

void PdfWriter::writeNumber(qint64 number)
{
    std::array<char, 24> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), number).ptr;
    write(std::string_view(text.data(), size_t(end - text.data())));
}

int PdfWriter::reserve()
{
    const int number = m_nextObject++;
    m_reserved.emplace(number, 0);
    return number;
}

int PdfWriter::beginObject(int number)
{
    checkUsable();
    const quint64 offset = bytesWritten();
    if (number == 0) {
        number = m_nextObject++;
        appendStep(m_offsetSteps, offset - m_lastOffset);
        m_lastOffset = offset;
    } else {
        m_reserved.at(number) = offset;
    }
    writeNumber(number);
    write(" 0 obj\n");
    return number;
}

void PdfWriter::endObject()
{
    write("\nendobj\n");
}

void PdfWriter::deflateInto(QByteArrayView data)
{
    // The fastest level: a page's content is a few kilobytes of operators, which it deflates to
    // a tenth of their size all the same, and the pictures are deflated once each.
    if (!m_zlibReady) {
        if (deflateInit2(&m_zlib, Z_BEST_SPEED, Z_DEFLATED, 15, 6, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
        m_zlibReady = true;
    } else {
        deflateReset(&m_zlib);
    }
    const size_t bound = deflateBound(&m_zlib, uLong(data.size()));
    if (bound > m_deflatedCapacity) {
        m_deflated = std::make_unique_for_overwrite<unsigned char[]>(bound);
        m_deflatedCapacity = bound;
    }
    m_zlib.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    m_zlib.avail_in = uInt(data.size());
    m_zlib.next_out = m_deflated.get();
    m_zlib.avail_out = uInt(bound);
    if (deflate(&m_zlib, Z_FINISH) != Z_STREAM_END)
        throw std::bad_alloc();
    m_deflatedSize = bound - m_zlib.avail_out;
}

int PdfWriter::writeObject(const Pdf::Value &value, int number)
{
    number = beginObject(number);
    write(value.text());
    endObject();
    return number;
}

int PdfWriter::writeStream(const Pdf::Dictionary &entries, QByteArrayView data, bool deflate, int number)
{
    return writeStream(entries.entries(), data, deflate, number);
}

int PdfWriter::writeStream(std::string_view entries, QByteArrayView data, bool deflate, int number)
{
    if (deflate)
        deflateInto(data);
    const QByteArrayView body =
        deflate ? QByteArrayView(reinterpret_cast<const char *>(m_deflated.get()), qsizetype(m_deflatedSize))
                : data;
    number = beginObject(number);
    write("<<");
    write(entries);
    if (deflate)
        write("/Filter/FlateDecode");
    write("/Length ");
    writeNumber(body.size());
    write(">>\nstream\n");
    writeBytes(body);
    write("\nendstream");
    endObject();
    if (m_deflatedCapacity > 4 * BufferBytes) { // a large picture's buffer is not kept
        m_deflated.reset();
        m_deflatedCapacity = 0;
    }
    return number;
}

void PdfWriter::addPage(int pageObject)
{
    const auto word = size_t(pageObject) / 64;
    if (m_pageBits.size() <= word)
        m_pageBits.resize(word + 1);
    m_pageBits[word] |= quint64(1) << (size_t(pageObject) % 64);
    ++m_pages;
}

void PdfWriter::finish(const Pdf::Dictionary &info, const Pdf::Dictionary &pageEntries, bool lastFirst,
                       qint64 firstPage, qint64 pageLimit)
{
    writePageTree(pageEntries, lastFirst, firstPage, pageLimit);
    writeObject(Pdf::Dictionary().add("Type", Pdf::name("Catalog")).add("Pages", Pdf::ref(m_pagesRoot)),
                m_catalog);
    const int infoObject = writeObject(info);
    writeTrailer(infoObject, writeCrossReference());
    flush();
}

void PdfWriter::writePageTree(const Pdf::Dictionary &pageEntries, bool lastFirst, qint64 firstPage,
                              qint64 pageLimit)
{
    // Written as it goes: the kids of a million pages are some fifteen megabytes of text.
    const qint64 lastPage = pageLimit < 0 ? m_pages : std::min(m_pages, firstPage + pageLimit);
    beginObject(m_pagesRoot);
    write("<</Type/Pages");
    write(pageEntries.entries());
    write("/Count ");
    writeNumber(std::max<qint64>(0, lastPage - firstPage));
    write("/Kids[");
    // Pages are numbered in the order they were added.
    const size_t objects = m_pageBits.size() * 64;
    qint64 page = 0;
    for (size_t i = 0; i < objects && page < lastPage; ++i) {
        const size_t object = lastFirst ? objects - 1 - i : i;
        if ((m_pageBits[object / 64] >> (object % 64)) & 1) {
            if (page >= firstPage) {
                writeNumber(qint64(object));
                write(" 0 R ");
            }
            ++page;
        }
    }
    write("]>>");
    endObject();
}

quint64 PdfWriter::writeCrossReference()
{
    const quint64 start = bytesWritten();
    write("xref\n0 ");
    writeNumber(m_nextObject);
    write("\n0000000000 65535 f \n");
    size_t at = 0;
    quint64 offset = 0;
    for (int number = 1; number < m_nextObject; ++number) {
        const auto reserved = m_reserved.find(number);
        quint64 entry = 0;
        if (reserved != m_reserved.end()) {
            entry = reserved->second;
        } else {
            offset += readStep(m_offsetSteps, at);
            entry = offset;
        }
        std::array<char, 40> line{}; // an entry is 20 bytes: offsets of ten digits, as PDF has them
        if (entry == 0) {
            std::memcpy(line.data(), "0000000000 00001 f \n", 20);
        } else {
            std::snprintf(line.data(), line.size(), "%010llu 00000 n \n",
                          static_cast<unsigned long long>(entry));
        }
        write(std::string_view(line.data(), 20));
    }
    return start;
}

void PdfWriter::writeTrailer(int info, quint64 crossReference)
{
    // The file identifier: two copies of a hash of what makes this document this one.
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(m_documentName.toUtf8());
    hash.addData(QByteArray::number(QDateTime::currentMSecsSinceEpoch()));
    hash.addData(QByteArray::number(qint64(::getpid())));
    hash.addData(QByteArray::number(crossReference));
    const Pdf::Value id = Pdf::Value::raw("<" + hash.result().toHex().toStdString() + ">");
    const Pdf::Dictionary trailer = Pdf::Dictionary()
                                        .add("Size", m_nextObject)
                                        .add("Root", Pdf::ref(m_catalog))
                                        .add("Info", Pdf::ref(info))
                                        .add("ID", Pdf::Array{id, id});
    write("trailer\n");
    write(Pdf::Value(trailer).text());
    write("\nstartxref\n");
    writeNumber(qint64(crossReference));
    write("\n%%EOF\n");
}
