// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "recordgrid.h"

#include "pagelayout.h"

#include <algorithm>
#include <cmath>

namespace {

// The index just after the character (code point) that starts at index i.
qsizetype nextCharacter(QStringView text, qsizetype i)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return i + 2;
    return i + 1;
}

} // namespace

qsizetype characterCount(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); i = nextCharacter(text, i))
        ++count;
    return count;
}

QString leftCharacters(const QString &text, qsizetype count)
{
    qsizetype end = 0;
    for (qsizetype taken = 0; taken < count && end < text.size(); ++taken)
        end = nextCharacter(text, end);
    return text.left(end);
}

QString padRight(const QString &text, qsizetype width)
{
    const qsizetype length = characterCount(text);
    return length >= width ? text : text + QString(width - length, QLatin1Char(' '));
}

QString properCase(QStringView text)
{
    QString result;
    appendProperCase(result, text);
    return result;
}

void appendProperCase(QString &to, QStringView text)
{
    to.reserve(to.size() + text.size());
    bool wordStart = true;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype next = nextCharacter(text, i);
        const char32_t c = next - i == 2 ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        i = next;
        const char32_t mapped = wordStart ? QChar::toUpper(c) : QChar::toLower(c);
        if (QChar::requiresSurrogates(mapped)) {
            to.append(QChar(QChar::highSurrogate(mapped)));
            to.append(QChar(QChar::lowSurrogate(mapped)));
        } else {
            to.append(QChar(char16_t(mapped)));
        }
        wordStart = c == U' ';
    }
}

QString valueCell(const QString &value)
{
    qsizetype end = 0;
    qsizetype shown = 0;
    for (; shown < PageLayout::ValueShown && end < value.size(); ++shown)
        end = nextCharacter(value, end);
    QString cell;
    cell.reserve(end + PageLayout::ValueCellWidth - shown);
    cell.append(QStringView(value).first(end));
    cell.resize(end + PageLayout::ValueCellWidth - shown, QLatin1Char(' '));
    return cell;
}

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

LineRoom::LineRoom(float room, Measure measure)
    : m_measure(std::move(measure)), m_pitch(m_measure(QStringLiteral(" "))), m_left(room + 2 * m_pitch)
{
}

qsizetype LineRoom::estimate(qsizetype available) const
{
    if (!(m_pitch > 0))
        return available;
    // Written so that an endless room, or one that is not a number, takes everything.
    const double characters = std::ceil(double(m_left) / double(m_pitch));
    return characters < double(available) ? std::max<qsizetype>(1, qsizetype(characters)) : available;
}

qsizetype LineRoom::take(const QString &text)
{
    // In steps of about what the room holds at the font's pitch: one step for most text, more
    // where characters are narrower (marks that combine take no room of their own).
    qsizetype taken = 0;
    while (taken < text.size() && !full()) {
        // (Text of no more code units than the characters wanted is taken whole without a count.)
        qsizetype wanted = estimate(text.size() - taken);
        qsizetype end = wanted >= text.size() - taken ? text.size() : taken;
        for (; wanted > 0 && end < text.size(); --wanted)
            end = nextCharacter(text, end);
        m_left -=
            taken == 0 && end == text.size() ? m_measure(text) : m_measure(text.sliced(taken, end - taken));
        taken = end;
    }
    return taken;
}

qsizetype LineRoom::takeSpaces(qsizetype count)
{
    if (full() || count <= 0)
        return 0;
    const qsizetype taken = estimate(count);
    m_left -= float(taken) * m_pitch;
    return taken;
}

RecordGrid::RecordGrid(int rows, int pairsPerRow)
    : m_rows(rows), m_pairs(pairsPerRow), m_cells(qsizetype(rows) * 2 * pairsPerRow), m_keyWidths(pairsPerRow)
{
}

QString RecordGrid::line(int row, LineRoom &room) const
{
    static const QString colon = QStringLiteral(":");
    QString text;
    text.reserve(160); // a line of a portrait page, or as much of a wider one as shows
    for (int column = 0; column < columns() && !room.full(); ++column) {
        const std::optional<QString> &content = cell(row, column);
        if (!content)
            continue;
        if (column % 2 == 1) {
            const QString value = valueCell(*content);
            text += QStringView(value).first(room.take(value));
            continue;
        }
        // Proper case maps each character to one character, so the part of the key that fits is
        // measured as read and changed to proper case alone.
        const qsizetype shown = room.take(*content);
        appendProperCase(text, QStringView(*content).first(shown));
        if (shown < content->size())
            break;
        text.resize(text.size() + room.takeSpaces(keyWidth(column) - characterCount(*content)),
                    QLatin1Char(' '));
        if (room.take(colon) > 0)
            text += QLatin1Char(':');
    }
    return text;
}
