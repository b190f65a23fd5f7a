// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "pdfvalue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <zlib.h>

class OutputDevice;

// Writes a PDF file object by object to an output device, each object as soon as its caller has
// it, and the cross-reference table and trailer at the end. Nothing is kept of an object once it is
// written but where it starts, and that only as the distance from the object before it; the page
// tree's kids as one bit an object. So memory stays flat however many pages a document has: a
// million pages keep about three megabytes.
//
// Every write is checked. The first failure throws PrintError (DocumentNotWritable, naming the
// document and the system's reason), and every later call throws it again: nothing is written after
// a failure, so the document can only be thrown away.
class PdfWriter
{
public:
    // documentName names the document in messages ("the print document OUT.pdf").
    PdfWriter(OutputDevice &device, QString documentName);
    // A writer whose bytes follow those of before, as if before went on writing: the same object
    // numbers, offsets and pages, and nothing written yet. What it writes is a provisional ending for
    // before's document (its fonts, page tree and trailer as they would be now), which a reader can
    // put after before's bytes to read the pages written so far; before is not changed. Hand every
    // buffered byte of before to its device first (flush()).
    PdfWriter(const PdfWriter &before, OutputDevice &device);
    ~PdfWriter();
    PdfWriter(const PdfWriter &) = delete;
    PdfWriter &operator=(const PdfWriter &) = delete;

    // The page tree's root, which every page names as its parent.
    [[nodiscard]] int pagesRoot() const { return m_pagesRoot; }

    // An object number for an object that is written later (a font, once its glyphs are known).
    [[nodiscard]] int reserve();
    // A whole object: value as the body of object number (a reserved one), or of a new one when
    // number is 0. Returns its number.
    int writeObject(const Pdf::Value &value, int number = 0);
    // A whole stream object: the entries of its dictionary (without /Length), then data. Deflated
    // with /Filter /FlateDecode when deflate is set. Returns its number.
    int writeStream(const Pdf::Dictionary &entries, QByteArrayView data, bool deflate, int number = 0);
    int writeStream(std::string_view entries, QByteArrayView data, bool deflate, int number = 0);

    // Adds a page object, already written, to the page tree.
    void addPage(int pageObject);
    [[nodiscard]] qint64 pageCount() const { return m_pages; }

    // Writes the page tree (with pageEntries, which its pages inherit), the catalog, the document
    // information dictionary, the cross-reference table and the trailer, and hands every buffered
    // byte to the device. The page tree lists the pages in the order they were added, or last first.
    // A provisional ending may give it only some of the pages: at most pageLimit of them from
    // firstPage (counted from 0, in the tree's order) on.
    void finish(const Pdf::Dictionary &info, const Pdf::Dictionary &pageEntries = {}, bool lastFirst = false,
                qint64 firstPage = 0, qint64 pageLimit = -1);

    [[nodiscard]] quint64 bytesWritten() const { return m_written + m_buffer.size(); }
    // Hands every buffered byte to the device now rather than when the buffer is full: the bytes
    // are the same, only written sooner.
    void flush();

private:
    // Starts object number (a reserved one), or a new one when number is 0, and returns its number;
    // its body follows through write() and it ends with endObject().
    int beginObject(int number = 0);
    void endObject();
    void write(std::string_view text);
    void writeBytes(QByteArrayView bytes) { write(std::string_view(bytes.data(), size_t(bytes.size()))); }
    void writeNumber(qint64 number);
    void writePageTree(const Pdf::Dictionary &pageEntries, bool lastFirst, qint64 firstPage, qint64 pageLimit);
    // The cross-reference table; returns where it starts.
    quint64 writeCrossReference();
    void writeTrailer(int info, quint64 crossReference);
    void fail(int error);
    void checkUsable() const;
    void deflateInto(QByteArrayView data);

    OutputDevice &m_device;
    QString m_documentName;
    std::vector<char> m_buffer;
    quint64 m_written = 0; // bytes handed to the device
    int m_error = 0;       // the errno of the first failure

    int m_nextObject = 1;
    int m_pagesRoot = 0;
    int m_catalog = 0;
    // Objects numbered as they are begun, in the order of their offsets: each offset as the
    // distance from the one before, seven bits a byte. Reserved objects are few: kept as they are.
    // In blocks, never copied to grow: a vector would double, and for a moment hold both.
    std::deque<unsigned char> m_offsetSteps;
    quint64 m_lastOffset = 0;
    std::map<int, quint64> m_reserved; // offset 0 until written
    // One bit an object number: which objects are pages, in their order.
    std::deque<quint64> m_pageBits;
    qint64 m_pages = 0;

    z_stream m_zlib{};
    bool m_zlibReady = false;
    std::unique_ptr<unsigned char[]> m_deflated;
    size_t m_deflatedCapacity = 0;
    size_t m_deflatedSize = 0;
};
