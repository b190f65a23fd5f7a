// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArrayView>
#include <QString>

#include <initializer_list>
#include <string>
#include <string_view>

// PDF's values as the text that stands for them in a file: numbers, names, strings, references,
// arrays and dictionaries. Each is made whole before it is written, so that an object's entries
// read as what they are rather than as pieces of text, and every real number is formatted in one
// place.
namespace Pdf {

// A real number as PDF writes it: rounded to decimals places, without an exponent or trailing
// zeros, "-0" as "0". Throws PrintError (DocumentNotWritable) for NaN and the infinities, which
// PDF has no way to write: a document that needs one cannot be made right.
[[nodiscard]] std::string real(double value, int decimals = 3);

// One value, formatted.
class Value
{
public:
    Value(int number) : m_text(std::to_string(number)) {}
    Value(qint64 number) : m_text(std::to_string(number)) {}
    Value(double number) : m_text(real(number)) {}
    // Text that is already a PDF value (an operator's operands, a colour space made elsewhere).
    static Value raw(std::string text) { return Value(std::move(text), 0); }

    [[nodiscard]] const std::string &text() const { return m_text; }

private:
    Value(std::string text, int) : m_text(std::move(text)) {}
    std::string m_text;
};

// A name from any bytes: "/" and the bytes, those outside the regular characters as #xx.
[[nodiscard]] Value name(QByteArrayView bytes);
// A reference to an indirect object: "12 0 R".
[[nodiscard]] Value ref(int object);
// A literal string of printable ASCII (no backslash, no brackets): "(text)".
[[nodiscard]] Value literal(std::string_view ascii);
// A text string in UTF-16 with its byte-order mark, in hexadecimal.
[[nodiscard]] Value text(const QString &text);
// Bytes as a hexadecimal string: "<0a1b>".
[[nodiscard]] Value hex(QByteArrayView bytes);

// [a b c]
class Array
{
public:
    Array() = default;
    Array(std::initializer_list<Value> values);
    Array &add(const Value &value);
    [[nodiscard]] bool empty() const { return m_text.size() <= 1; }
    [[nodiscard]] operator Value() const { return Value::raw(m_text + ']'); }

private:
    std::string m_text = "[";
};

// <</Key value ...>>, the keys in the order they are added.
class Dictionary
{
public:
    Dictionary &add(std::string_view key, const Value &value);
    // The entries alone, without << >>: what a stream's dictionary starts with.
    [[nodiscard]] const std::string &entries() const { return m_entries; }
    [[nodiscard]] operator Value() const { return Value::raw("<<" + m_entries + ">>"); }

private:
    std::string m_entries;
};

} // namespace Pdf
