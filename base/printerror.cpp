#include "printerror.h"

#include <QDir>

PrintError::PrintError(int number, QString description)
    : m_number(number), m_description(std::move(description)), m_what(logLine().toUtf8())
{
}

QString PrintError::messageText() const
{
    return QStringLiteral("Error %1\r\n%2").arg(m_number).arg(m_description);
}

QString PrintError::logLine() const
{
    QString oneLine = m_description;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" "));
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("Error %1: %2").arg(m_number).arg(oneLine);
}

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}
