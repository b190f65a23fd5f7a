// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "clsvar.h"

#include <QHash>
#include <QList>

// The ordered, keyed collection of field entries: positions count from 1 in the order of adding,
// and every entry is also registered under its Key, compared without regard to letter case.
class FieldList
{
public:
    // Throws PrintError when an entry is already registered under the same key.
    void add(const clsVar &entry);
    // Throws PrintError for a position outside 1..count().
    [[nodiscard]] clsVar &item(qsizetype position);
    [[nodiscard]] const clsVar &item(qsizetype position) const;
    [[nodiscard]] qsizetype count() const { return m_entries.size(); }
    [[nodiscard]] bool contains(const QString &key) const;
    // The entry registered under key, or nullptr.
    [[nodiscard]] const clsVar *find(const QString &key) const;
    void clear();

private:
    [[nodiscard]] static QString fold(const QString &key) { return key.toCaseFolded(); }
    void checkPosition(qsizetype position) const;

    QList<clsVar> m_entries;
    QHash<QString, qsizetype> m_byKey; // folded key -> index into m_entries
};
