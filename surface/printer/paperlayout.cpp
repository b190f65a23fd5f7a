// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "paperlayout.h"

#include <QLocale>
#include <QScopeGuard>
#include <QSizeF>

#include <paper.h>

#include <cstdlib>
#include <optional>
#include <utility>

namespace {

QPageLayout portraitWithMargins(const QPageSize &size)
{
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch);
}

// The paper libpaper names for the system, as a page size: the standard size it is (to within the
// rounding of libpaper's points), so that the document calls it by its name, or else the size
// itself under libpaper's name. Nothing when libpaper names no paper, or one it has no size for.
std::optional<QPageSize> libpaperPageSize()
{
    paperinit();
    const auto done = qScopeGuard([] { paperdone(); });
    char *const name = systempapername();
    const auto freeName = qScopeGuard([name] { std::free(name); });
    if (!name || !*name)
        return std::nullopt;
    const struct paper *const info = paperinfo(name);
    if (!info)
        return std::nullopt;
    double width = paperpswidth(info);
    double height = paperpsheight(info);
    if (!(width > 0 && height > 0))
        return std::nullopt;
    // The layout is portrait; libpaper lists a few sheets (ledger) by their landscape size.
    if (width > height)
        std::swap(width, height);
    const QSizeF points(width, height);
    const QPageSize::PageSizeId id = QPageSize::id(points, QPageSize::Point, QPageSize::FuzzyMatch);
    if (id != QPageSize::Custom) {
        const QSizeF standard = QPageSize::size(id, QPageSize::Point);
        if (qAbs(standard.width() - width) < 1 && qAbs(standard.height() - height) < 1)
            return QPageSize(id);
    }
    return QPageSize(points, QPageSize::Point, QString::fromLocal8Bit(papername(info)),
                     QPageSize::ExactMatch);
}

} // namespace

QPageLayout localePageLayout()
{
    const bool letter = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
    return portraitWithMargins(QPageSize(letter ? QPageSize::Letter : QPageSize::A4));
}

QPageLayout systemPageLayout()
{
    if (const std::optional<QPageSize> size = libpaperPageSize())
        return portraitWithMargins(*size);
    return localePageLayout();
}
