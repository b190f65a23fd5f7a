// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdfvalue.h"

#include "printerror.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// The texts of this file, translated in the context "PrintDocument".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PrintDocument)
};

constexpr char Hex[] = "0123456789ABCDEF";

// The regular characters of a PDF name, which stand for themselves.
bool regularInName(unsigned char c)
{
    return c > 0x20 && c < 0x7F && !std::strchr("#()<>[]{}/%", c);
}

} // namespace

namespace Pdf {

std::string real(double value, int decimals)
{
    static constexpr std::array<double, 10> Scales{1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    decimals = std::clamp(decimals, 0, int(Scales.size()) - 1);
    const double scale = Scales[size_t(decimals)];
    const double rounded = std::round(value * scale) / scale;
    if (!std::isfinite(rounded))
        throw PrintError(PrintError::DocumentNotWritable,
                         Words::tr("The print document cannot hold the number %1.").arg(value));
    std::array<char, 64> text{};
    char *end = std::to_chars(text.data(), text.data() + text.size(), rounded == 0 ? 0.0 : rounded,
                              std::chars_format::fixed, decimals)
                    .ptr;
    if (decimals > 0) {
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
    }
    return std::string(text.data(), size_t(end - text.data()));
}

Value name(QByteArrayView bytes)
{
    std::string text = "/";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (regularInName(byte)) {
            text += c;
        } else {
            text += '#';
            text += Hex[byte >> 4];
            text += Hex[byte & 15];
        }
    }
    return Value::raw(std::move(text));
}

Value ref(int object)
{
    return Value::raw(std::to_string(object) + " 0 R");
}

Value literal(std::string_view ascii)
{
    return Value::raw("(" + std::string(ascii) + ")");
}

Value text(const QString &text)
{
    std::string hex = "<FEFF";
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        for (const int shift : {12, 8, 4, 0})
            hex += Hex[(unit >> shift) & 15];
    }
    hex += '>';
    return Value::raw(std::move(hex));
}

Value hex(QByteArrayView bytes)
{
    return Value::raw("<" + bytes.toByteArray().toHex().toStdString() + ">");
}

Array::Array(std::initializer_list<Value> values)
{
    for (const Value &value : values)
        add(value);
}

Array &Array::add(const Value &value)
{
    // Two values need a space between them only where neither ends nor begins with a delimiter:
    // "[1 2]", "[/A/B]", "[<0a><0b>]".
    const auto delimiter = [](char c) { return std::strchr("()<>[]{}/%", c) != nullptr; };
    if (m_text.size() > 1 && !value.text().empty() && !delimiter(m_text.back()) &&
        !delimiter(value.text().front()))
        m_text += ' ';
    m_text += value.text();
    return *this;
}

Dictionary &Dictionary::add(std::string_view key, const Value &value)
{
    m_entries += '/';
    m_entries += key;
    const char first = value.text().empty() ? ' ' : value.text().front();
    // A name, an array, a dictionary or a string ends the key by itself; a number needs a space.
    if (first != '/' && first != '[' && first != '<' && first != '(')
        m_entries += ' ';
    m_entries += value.text();
    return *this;
}

} // namespace Pdf
