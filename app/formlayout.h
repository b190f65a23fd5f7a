// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QRect>

class QAbstractButton;
class QFont;
class QWidget;

// The main window's fixed form: where each control stands, in twips as the form was made, and the
// font its captions are shown in. A logical pixel is as many twips as at 96 dots per inch, times
// the scale that the desktop's font asks for (1 at the usual 9-point font), rounded to the nearest
// pixel.
namespace FormLayout {

// A control's place in twips: in the form, or in its frame for an option.
struct TwipsRect
{
    int left;
    int top;
    int width;
    int height;
};

constexpr int Width = 3945;
constexpr int Height = 1755;
constexpr TwipsRect Print{1065, 1245, 900, 375};
constexpr TwipsRect Exit{2025, 1245, 855, 375};
constexpr TwipsRect OrientationFrame{172, 135, 1815, 915};
constexpr TwipsRect PictureSizeFrame{1957, 135, 1815, 915};
constexpr TwipsRect Portrait{345, 240, 945, 255};
constexpr TwipsRect Landscape{345, 555, 1110, 255};
constexpr TwipsRect FitInPage{300, 255, 1110, 255};
constexpr TwipsRect ActualSize{300, 570, 1185, 255};
constexpr TwipsRect Image1{135, 1275, 795, 300};

// Twips as logical pixels of a form laid out scale times larger than its design.
[[nodiscard]] int px(int twips, double scale = 1.0);
[[nodiscard]] QRect pixels(const TwipsRect &twips, double scale);

// How much larger than its design the form is laid out for a window font: 1 at 9 points and 96
// dots per inch or less, more for a larger font or a font resolution above 96 dots per inch.
[[nodiscard]] double scaleFor(const QFont &font, double logicalDpiY);

// Moves window to the middle of the primary screen's available area.
void centreOnScreen(QWidget &window);

// Whether a button's caption shows whole at its size and font.
[[nodiscard]] bool captionFits(const QAbstractButton &button);

// Gives window the first font, from its own and narrower or smaller ones, at which every caption
// shows whole in its control; the controls keep their sizes. Keeps the last one tried when none
// fits.
void fitCaptionFont(QWidget &window, double scale);

} // namespace FormLayout
