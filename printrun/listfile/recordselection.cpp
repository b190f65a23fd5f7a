// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "recordselection.h"

#include <algorithm>

#include <QCoreApplication>

namespace {

// The texts of this file, translated in the context "RecordSelection".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(RecordSelection)
};

// More digits than any list file has records, and few enough that the number fits in 64 bits.
constexpr qsizetype MaxDigits = 15;

// A record number: decimal digits only, at least 1.
std::optional<qint64> recordNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > MaxDigits)
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value < 1)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<RecordSelection> RecordSelection::parse(QStringView list, QString *problem)
{
    const auto fail = [problem](const QString &why) -> std::optional<RecordSelection> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (list.trimmed().isEmpty())
        return fail(Words::tr("the list of records is empty"));

    QList<Range> ranges;
    for (const QStringView rawItem : list.split(QLatin1Char(','))) {
        const QStringView item = rawItem.trimmed();
        if (item.isEmpty())
            return fail(Words::tr("\"%1\" has an empty item").arg(list));
        const qsizetype dash = item.indexOf(QLatin1Char('-'));
        const QStringView firstText = (dash < 0 ? item : item.left(dash)).trimmed();
        const std::optional<qint64> first = recordNumber(firstText);
        if (!first)
            return fail(Words::tr("\"%1\" is not a record number or range (records count from 1)").arg(item));
        Range range{*first, *first};
        if (dash >= 0) {
            const QStringView lastText = item.mid(dash + 1).trimmed();
            if (lastText.isEmpty()) {
                range.last = OpenEnd;
            } else {
                const std::optional<qint64> last = recordNumber(lastText);
                if (!last)
                    return fail(
                        Words::tr("\"%1\" is not a record number or range (records count from 1)").arg(item));
                if (*last < *first)
                    return fail(Words::tr("the range \"%1\" runs backwards").arg(item));
                range.last = *last;
            }
        }
        ranges.append(range);
    }

    // In order, and merged where they overlap or touch, so that the selection has one form.
    std::sort(ranges.begin(), ranges.end(), [](const Range &a, const Range &b) { return a.first < b.first; });
    RecordSelection selection;
    for (const Range &range : ranges) {
        if (!selection.m_ranges.isEmpty()) {
            Range &previous = selection.m_ranges.last();
            if (previous.last == OpenEnd)
                break;
            if (range.first <= previous.last + 1) {
                if (range.last == OpenEnd || range.last > previous.last)
                    previous.last = range.last;
                continue;
            }
        }
        selection.m_ranges.append(range);
    }
    return selection;
}

bool RecordSelection::contains(qint64 record) const
{
    if (all())
        return true;
    return std::any_of(m_ranges.cbegin(), m_ranges.cend(), [record](const Range &range) {
        return record >= range.first && (range.last == OpenEnd || record <= range.last);
    });
}

std::optional<qint64> RecordSelection::last() const
{
    if (all() || m_ranges.last().last == OpenEnd)
        return std::nullopt;
    return m_ranges.last().last;
}

qint64 RecordSelection::countUpTo(qint64 records) const
{
    if (all())
        return std::max<qint64>(records, 0);
    qint64 count = 0;
    for (const Range &range : m_ranges) {
        const qint64 end = range.last == OpenEnd ? records : std::min(range.last, records);
        if (end >= range.first)
            count += end - range.first + 1;
    }
    return count;
}

QString RecordSelection::toString() const
{
    QStringList items;
    for (const Range &range : m_ranges) {
        if (range.last == OpenEnd)
            items << QStringLiteral("%1-").arg(range.first);
        else if (range.last == range.first)
            items << QString::number(range.first);
        else
            items << QStringLiteral("%1-%2").arg(range.first).arg(range.last);
    }
    return items.join(QLatin1Char(','));
}
