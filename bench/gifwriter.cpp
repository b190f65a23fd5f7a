// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "gifwriter.h"

#include <QImage>

#include <array>
#include <memory>
#include <vector>

namespace {

constexpr int MaxCodeBits = 12;
constexpr int MaxCodes = 1 << MaxCodeBits;

// Packs codes of varying width into bytes, least significant bit first, as GIF stores them.
class CodePacker
{
public:
    explicit CodePacker(QByteArray &out) : m_out(out) {}

    void put(int code, int width)
    {
        m_bits |= quint32(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_out.append(char(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }

    void flush()
    {
        if (m_count > 0)
            m_out.append(char(m_bits & 0xFF));
        m_bits = 0;
        m_count = 0;
    }

private:
    QByteArray &m_out;
    quint32 m_bits = 0;
    int m_count = 0;
};

// The string table of the encoder: (prefix code, next index) -> code, in an open-addressed hash
// table. Entries carry the generation in which they were made, so a clear code empties the table
// without touching it.
class CodeTable
{
public:
    CodeTable() { m_slots.fill(Slot{}); }

    void clear() { ++m_generation; }

    [[nodiscard]] int find(int prefix, int index) const
    {
        const quint32 key = key32(prefix, index);
        for (quint32 at = hash(key);; at = (at + 1) & Mask) {
            const Slot &slot = m_slots[at];
            if (slot.generation != m_generation)
                return -1;
            if (slot.key == key)
                return slot.code;
        }
    }

    void insert(int prefix, int index, int code)
    {
        const quint32 key = key32(prefix, index);
        quint32 at = hash(key);
        while (m_slots[at].generation == m_generation)
            at = (at + 1) & Mask;
        m_slots[at] = Slot{key, quint16(code), m_generation};
    }

private:
    // Four times the number of codes keeps the table at most a quarter full.
    static constexpr quint32 Size = 4 * MaxCodes;
    static constexpr quint32 Mask = Size - 1;

    struct Slot
    {
        quint32 key = 0;
        quint16 code = 0;
        quint32 generation = 0;
    };

    static quint32 key32(int prefix, int index) { return (quint32(prefix) << 8) | quint32(index); }
    static quint32 hash(quint32 key) { return (key * 2654435761u) >> (32 - 14); }

    std::array<Slot, Size> m_slots;
    quint32 m_generation = 1;
};
static_assert((4 * MaxCodes) == (1 << 14), "the hash takes the top 14 bits");

void appendWord(QByteArray &out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

} // namespace

QByteArray gifLzw(const uchar *indices, qsizetype count, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    QByteArray out;
    CodePacker packer(out);
    auto table = std::make_unique<CodeTable>();

    int width = minCodeSize + 1;
    int next = endCode + 1;
    packer.put(clearCode, width);
    if (count > 0) {
        int prefix = indices[0];
        for (qsizetype i = 1; i < count; ++i) {
            const int index = indices[i];
            if (const int code = table->find(prefix, index); code >= 0) {
                prefix = code;
                continue;
            }
            packer.put(prefix, width);
            if (next < MaxCodes) {
                table->insert(prefix, index, next);
                // The decoder adds this entry one code later, and widens its codes once its table
                // reaches the current width's limit: the same moment seen from this side.
                if (next == (1 << width) && width < MaxCodeBits)
                    ++width;
                ++next;
            } else {
                packer.put(clearCode, width);
                table->clear();
                width = minCodeSize + 1;
                next = endCode + 1;
            }
            prefix = index;
        }
        packer.put(prefix, width);
        // The decoder adds its last entry on reading that code and may widen before the end code.
        if (next == (1 << width) && width < MaxCodeBits)
            ++width;
    }
    packer.put(endCode, width);
    packer.flush();
    return out;
}

QByteArray gifFile(QSize size, const QList<QRgb> &colours, const uchar *indices, qsizetype count)
{
    if (colours.isEmpty() || colours.size() > 256 || size.width() < 0 || size.height() < 0 ||
        size.width() > 0xFFFF || size.height() > 0xFFFF)
        return {};

    // The colour table holds a power of two entries, at least 2; LZW codes start one bit wider than
    // the table's index, and never narrower than 3 bits.
    int tableBits = 1;
    while ((1 << tableBits) < colours.size())
        ++tableBits;
    const int minCodeSize = std::max(2, tableBits);

    QByteArray gif("GIF89a");
    appendWord(gif, size.width());
    appendWord(gif, size.height());
    gif.append(char(0x80 | (7 << 4) | (tableBits - 1))); // global table, 8-bit colour resolution
    gif.append(char(0));                                 // background colour
    gif.append(char(0));                                 // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb rgb = i < colours.size() ? colours[i] : 0;
        gif.append(char(qRed(rgb)));
        gif.append(char(qGreen(rgb)));
        gif.append(char(qBlue(rgb)));
    }

    gif.append(',');
    appendWord(gif, 0);
    appendWord(gif, 0);
    appendWord(gif, size.width());
    appendWord(gif, size.height());
    gif.append(char(0)); // no local table, not interlaced

    const QByteArray data = gifLzw(indices, count, minCodeSize);
    gif.append(char(minCodeSize));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const qsizetype block = std::min<qsizetype>(255, data.size() - at);
        gif.append(char(block));
        gif.append(data.constData() + at, block);
    }
    gif.append(char(0));
    gif.append(';');
    return gif;
}

QByteArray encodeGif(const QImage &indexed)
{
    if (indexed.isNull() || indexed.format() != QImage::Format_Indexed8)
        return {};
    std::vector<uchar> indices;
    indices.reserve(size_t(indexed.width()) * size_t(indexed.height()));
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar *line = indexed.constScanLine(y);
        indices.insert(indices.end(), line, line + indexed.width());
    }
    return gifFile(indexed.size(), indexed.colorTable(), indices.data(), qsizetype(indices.size()));
}
