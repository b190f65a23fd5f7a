// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "printerror.h"

#include <QCoreApplication>
#include <QDir>

namespace {

// The texts of this file, translated in the context "PrintError".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PrintError)
};

// Line and paragraph separators, and the marks, embeddings, overrides and isolates of
// bidirectional text.
bool reordersOrBreaks(char16_t c)
{
    return c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
           c == 0x200E || c == 0x200F || c == 0x061C;
}

} // namespace

PrintError::PrintError(int number, QString description)
    : m_number(number), m_description(printableText(description)), m_what(logLine().toUtf8())
{
}

QString PrintError::messageText() const
{
    return Words::tr("Error %1\r\n%2").arg(m_number).arg(m_description);
}

QString PrintError::logLine() const
{
    // The description holds no line breaks: printableText() wrote them as escapes.
    return Words::tr("Error %1: %2").arg(m_number).arg(m_description);
}

QString displayPath(const QString &path)
{
    return printableText(QDir::toNativeSeparators(path));
}

QString printableText(QStringView text)
{
    // A byte of a file name that is not UTF-8, kept as a lone low surrogate (filename.h).
    const auto escapedByte = [&text](qsizetype i) {
        const char16_t c = text[i].unicode();
        return c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !QChar::isHighSurrogate(text[i - 1].unicode()));
    };
    const auto needsEscape = [](QChar c) {
        return c.category() == QChar::Other_Control || reordersOrBreaks(c.unicode());
    };
    bool plain = true;
    for (qsizetype i = 0; i < text.size() && plain; ++i)
        plain = !needsEscape(text[i]) && !escapedByte(i);
    if (plain)
        return text.toString();
    QString shown;
    shown.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (escapedByte(i))
            shown += QStringLiteral("\\x%1").arg(c.unicode() - 0xDC00, 2, 16, QLatin1Char('0'));
        else if (!needsEscape(c))
            shown += c;
        else if (c.unicode() <= 0xFF)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return shown;
}
