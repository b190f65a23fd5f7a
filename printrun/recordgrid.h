#pragma once

#include <QList>
#include <QString>

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
[[nodiscard]] QString properCase(const QString &text);
// A value cell: the first 26 characters of the value, padded with spaces to 27.
[[nodiscard]] QString valueCell(const QString &value);
// text without the spaces (only spaces) around it.
[[nodiscard]] QString trimSpaces(const QString &text);

// The key/value cells of one record page: rows of pairsPerRow pairs, key cells in the even columns
// and value cells in the odd ones. A cell with no field (the end of the last row) holds nothing.
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

    // The cells of one row joined with nothing in between; empty cells add nothing.
    [[nodiscard]] QString line(int row) const;

private:
    [[nodiscard]] qsizetype index(int row, int column) const { return qsizetype(row) * columns() + column; }

    int m_rows;
    int m_pairs;
    QList<std::optional<QString>> m_cells;
};
