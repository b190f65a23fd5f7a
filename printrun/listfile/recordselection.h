// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// Which records of a list file a run prints, by their 1-based numbers in list order (the header
// line and empty lines are not records). Written as a comma-separated list of numbers and ranges,
// "2-5,9,12-", where a range may be open at the end. The default selects every record.
class RecordSelection
{
public:
    // Every record.
    RecordSelection() = default;

    // The selection a list names, or nothing when it is malformed or selects nothing; problem then
    // says why, in a phrase that can follow "--records: ".
    [[nodiscard]] static std::optional<RecordSelection> parse(QStringView list, QString *problem = nullptr);

    [[nodiscard]] bool all() const { return m_ranges.isEmpty(); }
    [[nodiscard]] bool contains(qint64 record) const;
    // The highest record selected, or nothing when the selection is open at the end.
    [[nodiscard]] std::optional<qint64> last() const;
    // How many of the records 1 to records are selected.
    [[nodiscard]] qint64 countUpTo(qint64 records) const;

    // The selection written back as a list, ranges merged and in order ("" for every record).
    [[nodiscard]] QString toString() const;

private:
    struct Range
    {
        qint64 first;
        qint64 last; // OpenEnd for a range open at the end
    };
    static constexpr qint64 OpenEnd = -1;

    QList<Range> m_ranges; // in order, not overlapping or touching; empty: every record
};
