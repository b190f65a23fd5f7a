// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "captioncolours.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace CaptionColours {

namespace {

// The contrast that a caption needs to read against its window.
constexpr double ReadableContrast = 4.5;

// Relative luminance, as WCAG defines it.
double luminance(const QColor &colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

} // namespace

double contrast(const QColor &first, const QColor &second)
{
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor onWindow(const QColor &design, const QColor &window)
{
    // The blues of the design are for a light window.
    if (luminance(window) >= 0.18 || contrast(design, window) >= ReadableContrast)
        return design;
    QColor lighter = design.toHsl();
    for (int lightness = lighter.lightness(); lightness <= 255; ++lightness) {
        lighter.setHsl(lighter.hslHue(), lighter.hslSaturation(), lightness);
        if (contrast(lighter, window) >= ReadableContrast)
            break;
    }
    return lighter.toRgb();
}

void apply(QWidget &widget, const QColor &design, const QPalette &window)
{
    QPalette palette = widget.palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText,
                         onWindow(design, window.color(group, QPalette::Window)));
    widget.setPalette(palette);
}

} // namespace CaptionColours
