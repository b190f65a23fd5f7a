// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The text of a record page as the baseline writes it, worked out directly from the keys and
// values with no grid object: rows of key/value pairs (keys in proper case, padded per column and
// followed by ':'; values cut to 26 characters and padded to 27), and the footer.
namespace PageText {

[[nodiscard]] QStringList gridLines(const QStringList &keys, const QStringList &values, int pairsPerRow);
// "dd-mm-yyyy  Page :n" with the page number filled from the left into four places.
[[nodiscard]] QString footer(QDate date, qint64 page);

} // namespace PageText
