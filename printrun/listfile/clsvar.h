// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QString>
#include <QVariant>

// One header field of the list file: its name as read from the header line, and the current
// record's value for it. The value stays empty (reading as "") until a record sets it.
class clsVar
{
public:
    clsVar() = default;

    [[nodiscard]] QString Key() const { return m_key; }
    void setKey(const QString &vNewValue) { m_key = vNewValue; }

    [[nodiscard]] QVariant Value() const { return m_value; }
    void setValue(QVariant vNewValue) { m_value = std::move(vNewValue); }

    // The value as text: "" while no record has set it.
    [[nodiscard]] QString valueText() const { return m_value.isValid() ? m_value.toString() : QString(); }

private:
    QString m_key;
    QVariant m_value;
};
