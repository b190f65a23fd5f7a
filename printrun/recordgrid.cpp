#include "recordgrid.h"

#include "pagelayout.h"

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

QString properCase(const QString &text)
{
    QString result;
    result.reserve(text.size());
    bool wordStart = true;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype next = nextCharacter(text, i);
        const char32_t c = next - i == 2 ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        i = next;
        const char32_t mapped = wordStart ? QChar::toUpper(c) : QChar::toLower(c);
        if (QChar::requiresSurrogates(mapped)) {
            result.append(QChar(QChar::highSurrogate(mapped)));
            result.append(QChar(QChar::lowSurrogate(mapped)));
        } else {
            result.append(QChar(char16_t(mapped)));
        }
        wordStart = c == U' ';
    }
    return result;
}

QString valueCell(const QString &value)
{
    return padRight(leftCharacters(value, PageLayout::ValueShown), PageLayout::ValueCellWidth);
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

RecordGrid::RecordGrid(int rows, int pairsPerRow)
    : m_rows(rows), m_pairs(pairsPerRow), m_cells(qsizetype(rows) * 2 * pairsPerRow)
{
}

QString RecordGrid::line(int row) const
{
    QString text;
    for (int column = 0; column < columns(); ++column) {
        if (const auto &value = cell(row, column))
            text += *value;
    }
    return text;
}
