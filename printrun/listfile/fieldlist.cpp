// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "fieldlist.h"

#include "printerror.h"

#include <QCoreApplication>

namespace {

// The texts of this file, translated in the context "FieldList".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(FieldList)
};

} // namespace

void FieldList::add(const clsVar &entry)
{
    const QString key = fold(entry.Key());
    if (m_byKey.contains(key))
        throw PrintError(PrintError::RepeatedFieldName,
                         Words::tr("The field name \"%1\" is already in the field list.").arg(entry.Key()));
    m_byKey.insert(key, m_entries.size());
    m_entries.append(entry);
}

void FieldList::checkPosition(qsizetype position) const
{
    if (position < 1 || position > m_entries.size())
        throw PrintError(PrintError::PositionPastEnd,
                         Words::tr("There is no field at position %1: the field list holds %n field(s).",
                                   nullptr, int(m_entries.size()))
                             .arg(position));
}

clsVar &FieldList::item(qsizetype position)
{
    checkPosition(position);
    return m_entries[position - 1];
}

const clsVar &FieldList::item(qsizetype position) const
{
    checkPosition(position);
    return m_entries[position - 1];
}

bool FieldList::contains(const QString &key) const
{
    return m_byKey.contains(fold(key));
}

const clsVar *FieldList::find(const QString &key) const
{
    const auto found = m_byKey.constFind(fold(key));
    return found == m_byKey.cend() ? nullptr : &m_entries[found.value()];
}

void FieldList::clear()
{
    m_entries.clear();
    m_byKey.clear();
}
