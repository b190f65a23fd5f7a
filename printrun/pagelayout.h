// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

// The measures of a record page, in one place: the print run lays its pages out with them, and the
// benchmark's baseline the same pages. Distances are twips (1/1440 inch) on the printing surface;
// widths of text are characters. The window, laid out in twips too, names its own measures and
// takes only TwipsPerPixel from here.
namespace PageLayout {

// Key/value pairs on a row of the grid, on portrait and on landscape pages.
inline constexpr int PortraitPairsPerRow = 3;
inline constexpr int LandscapePairsPerRow = 4;
// A value shows at most this many characters, in a cell this many characters wide.
inline constexpr int ValueShown = 26;
inline constexpr int ValueCellWidth = 27;
// The page number of the footer, filled from the left into this many places.
inline constexpr int PageNumberWidth = 4;

// From the bottom of the logo down to the grid, and from the grid down to the picture.
inline constexpr float LogoGap = 100;
inline constexpr float PictureGap = 100;
// Fit in Page: a picture wider than the page less FitRightMargin is narrowed to end FitRightMargin
// short of its right edge. One that would come nearer the bottom than FitBottomThreshold is
// shortened to end FitBottomMargin above it.
inline constexpr float FitRightMargin = 400;
inline constexpr float FitBottomThreshold = 400;
inline constexpr float FitBottomMargin = 500;
// The footer's first line begins this far above the bottom of the page.
inline constexpr float FooterAboveBottom = 400;

// Twips in a pixel at 96 dots per inch: the unit of a picture's natural size and of the window.
inline constexpr int TwipsPerPixel = 15;

} // namespace PageLayout
