// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QColor>

class QPalette;
class QWidget;

// The captions' colours of the window's design, navy for the frames and dark blue for the options,
// kept readable on a dark desktop theme.
namespace CaptionColours {

inline const QColor Frame(0, 0, 128);
inline const QColor Option(29, 19, 145);

// The contrast ratio of two colours as WCAG defines it: 1 for the same colour, 21 for black on
// white.
[[nodiscard]] double contrast(const QColor &first, const QColor &second);

// The design's colour on a window of the given colour: as it is on a light window, or on a dark
// one where it does not read, the same hue taken lighter until it reads at 4.5 : 1.
[[nodiscard]] QColor onWindow(const QColor &design, const QColor &window);

// Gives widget's caption the design's colour, as it reads on the window's palette, while the
// widget is enabled; a disabled control keeps the style's grey.
void apply(QWidget &widget, const QColor &design, const QPalette &window);

} // namespace CaptionColours
