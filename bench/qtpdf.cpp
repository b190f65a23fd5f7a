// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "qtpdf.h"

#include <QFontDatabase>
#include <QFontMetricsF>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

bool isFixedPitch(const QFont &font)
{
    const QFontMetricsF metrics(font);
    return qFuzzyCompare(metrics.horizontalAdvance(QLatin1Char('i')),
                         metrics.horizontalAdvance(QLatin1Char('W')));
}

} // namespace

void keepPdfBuffersInHeap()
{
#ifdef __GLIBC__
    static const bool done = [] {
        // 32 MiB is glibc's own ceiling for the threshold it adjusts by itself; the heap top is
        // given back to the system only beyond twice that.
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
        return true;
    }();
    Q_UNUSED(done)
#endif
}

QFont fixedPitchFont(const QString &name, float points)
{
    auto make = [points](const QString &family) {
        QFont font(family);
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        font.setPointSizeF(points > 0 ? points : 8);
        return font;
    };
    QFont font = make(name);
    if (isFixedPitch(font))
        return font;
    for (const char *family : {"Nimbus Mono PS", "Liberation Mono", "DejaVu Sans Mono", "monospace"}) {
        font = make(QString::fromLatin1(family));
        if (isFixedPitch(font))
            return font;
    }
    QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    system.setPointSizeF(points > 0 ? points : 8);
    return system;
}
