// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The text rules of the record grid. Lengths count characters (Unicode code points), so that a
// value of 26 accented letters is cut at the same place as one of 26 ASCII letters.

[[nodiscard]] qsizetype characterCount(QStringView text);
// The first count characters of text.
[[nodiscard]] QString leftCharacters(const QString &text, qsizetype count);
// text followed by spaces up to width characters; text already that long is returned unchanged.
[[nodiscard]] QString padRight(const QString &text, qsizetype width);
// First letter of each word upper case, every other letter lower case; a word begins at the start
// of the text and after each space.
[[nodiscard]] QString properCase(QStringView text);
// Appends text in proper case to to.
void appendProperCase(QString &to, QStringView text);
// A value cell: the first 26 characters of the value, padded with spaces to 27.
[[nodiscard]] QString valueCell(const QString &value);
// text without the spaces (only spaces) around it.
[[nodiscard]] QString trimSpaces(const QString &text);

// Room on a line for the text that can still show. Text is taken from the left while the line's
// width is short of the room and a little past it: two characters more, for a character that
// straddles the edge and the marks that combine with it. What comes after would fall off the
// sheet and is never built. Widths are measured by the surface; a room that is not a finite
// number takes everything.
class LineRoom
{
public:
    using Measure = std::function<float(const QString &)>;

    LineRoom(float room, Measure measure);

    // How many leading code units of text fit, always ending on a character boundary: all of them
    // while the room lasts. Their width is taken from the room.
    [[nodiscard]] qsizetype take(const QString &text);
    // How many of count spaces fit, taken likewise (every space has the advance of the first).
    [[nodiscard]] qsizetype takeSpaces(qsizetype count);
    // Whatever follows would not show.
    [[nodiscard]] bool full() const { return m_left <= 0; }

private:
    // About how many characters fill the room that is left, at most available.
    [[nodiscard]] qsizetype estimate(qsizetype available) const;

    Measure m_measure;
    float m_pitch;
    float m_left;
};

// The key/value cells of one record page: rows of pairsPerRow pairs, key cells in the even columns
// and value cells in the odd ones. A cell with no field (the end of the last row) holds nothing.
// Cells hold the field's name and its value as they are; a line of the grid shows each key in
// proper case, padded with spaces to its column's width and followed by ':', and each value as
// valueCell() shows it. The column widths are numbers, so a long key makes no padding of its own:
// a line costs only the part of it that is built.
class RecordGrid
{
public:
    RecordGrid(int rows, int pairsPerRow);

    [[nodiscard]] int rows() const { return m_rows; }
    [[nodiscard]] int columns() const { return 2 * m_pairs; }
    [[nodiscard]] int pairsPerRow() const { return m_pairs; }

    [[nodiscard]] std::optional<QString> &cell(int row, int column) { return m_cells[index(row, column)]; }
    [[nodiscard]] const std::optional<QString> &cell(int row, int column) const
    {
        return m_cells[index(row, column)];
    }

    // The characters of a key column's keys and their padding, the ':' not counted; 0 until set.
    [[nodiscard]] qsizetype keyWidth(int column) const { return m_keyWidths[column / 2]; }
    void setKeyWidth(int column, qsizetype width) { m_keyWidths[column / 2] = width; }

    // The text of one row, the cells one after the other, as far as room lets it show.
    [[nodiscard]] QString line(int row, LineRoom &room) const;

private:
    [[nodiscard]] qsizetype index(int row, int column) const { return qsizetype(row) * columns() + column; }

    int m_rows;
    int m_pairs;
    QList<std::optional<QString>> m_cells;
    QList<qsizetype> m_keyWidths;
};
