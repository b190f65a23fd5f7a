// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pagetext.h"

#include "pagelayout.h"

#include <algorithm>

namespace {

QString keyText(const QString &key)
{
    QString text = key.toLower();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i == 0 || text[i - 1] == QLatin1Char(' '))
            text[i] = text[i].toUpper();
    }
    return text;
}

} // namespace

namespace PageText {

QStringList gridLines(const QStringList &keys, const QStringList &values, int pairsPerRow)
{
    const qsizetype count = keys.size();
    const qsizetype rows = (count + pairsPerRow - 1) / pairsPerRow;
    QList<qsizetype> widths(pairsPerRow, 0);
    for (qsizetype i = 0; i < count; ++i)
        widths[i % pairsPerRow] = std::max(widths[i % pairsPerRow], keys[i].size() + 1);

    QStringList lines;
    for (qsizetype row = 0; row < rows; ++row) {
        QString line;
        for (qsizetype i = row * pairsPerRow; i < std::min(count, (row + 1) * pairsPerRow); ++i) {
            const QString value = i < values.size() ? values[i] : QString();
            line += keyText(keys[i]).leftJustified(widths[i % pairsPerRow]) + QLatin1Char(':') +
                    value.left(PageLayout::ValueShown).leftJustified(PageLayout::ValueCellWidth);
        }
        lines << line;
    }
    return lines;
}

QString footer(QDate date, qint64 page)
{
    return date.toString(QStringLiteral("dd-MM-yyyy")) + QStringLiteral("  Page :") +
           QString::number(page).leftJustified(PageLayout::PageNumberWidth);
}

} // namespace PageText
