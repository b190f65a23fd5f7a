// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "recordingsurface.h"

#include "picture.h"
#include "printerror.h"
#include "recordgrid.h"

#include <new>

QString fmt(float value)
{
    return QString::number(double(value), 'g', 9);
}

int RecordingSurface::orientation() const
{
    return reportedOrientation != 0 ? reportedOrientation : SurfaceBase::orientation();
}

void RecordingSurface::setOrientation(Orientation orientation)
{
    orientationSet = orientation;
    SurfaceBase::setOrientation(orientation);
}

float RecordingSurface::textWidth(const QString &text) const
{
    return charWidth * float(characterCount(text));
}

void RecordingSurface::maybeFail(const QString &operation)
{
    if (!failOn.isEmpty() && failOn == operation) {
        if (failSkip-- > 0)
            return;
        failOn.clear();
        if (failOutOfMemory)
            throw std::bad_alloc();
        throw PrintError(failNumber, QStringLiteral("The printer failed during %1.").arg(operation));
    }
}

void RecordingSurface::printText(const QString &text)
{
    maybeFail(QStringLiteral("text"));
    log << QStringLiteral("text (%1,%2) \"%3\"").arg(fmt(currentX()), fmt(currentY()), text);
    markContent();
    setCurrentX(0);
    setCurrentY(currentY() + lineHeight());
}

void RecordingSurface::drawPicture(const Picture &picture, float x, float y)
{
    maybeFail(QStringLiteral("picture"));
    log << QStringLiteral("picture %1x%2 (%3,%4)")
               .arg(fmt(picture.width()), fmt(picture.height()), fmt(x), fmt(y));
    markContent();
}

void RecordingSurface::drawPicture(const Picture &picture, float x, float y, float w, float h)
{
    maybeFail(QStringLiteral("picture"));
    log << QStringLiteral("picture %1x%2 in box (%3,%4) %5x%6")
               .arg(fmt(picture.width()), fmt(picture.height()), fmt(x), fmt(y), fmt(w), fmt(h));
    markContent();
}

void RecordingSurface::newPage()
{
    maybeFail(QStringLiteral("new page"));
    log << QStringLiteral("new page");
    SurfaceBase::newPage();
}

void RecordingSurface::endDocument()
{
    maybeFail(QStringLiteral("end document"));
    log << QStringLiteral("end document");
    ended = true;
}

void RecordingSurface::discardDocument()
{
    log << QStringLiteral("discard document");
    discarded = true;
}

QList<QStringList> RecordingSurface::pages() const
{
    QList<QStringList> result;
    QStringList current;
    for (const QString &entry : log) {
        if (entry == QLatin1String("new page")) {
            result << current;
            current.clear();
        } else if (entry != QLatin1String("end document")) {
            current << entry;
        }
    }
    if (!current.isEmpty())
        result << current;
    return result;
}

QStringList RecordingSurface::texts(const QStringList &page)
{
    QStringList result;
    for (const QString &entry : page) {
        if (entry.startsWith(QLatin1String("text ("))) {
            const qsizetype quote = entry.indexOf(QLatin1Char('"'));
            result << entry.mid(quote + 1, entry.size() - quote - 2);
        }
    }
    return result;
}
