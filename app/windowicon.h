// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>

// The utility's icon: a plain picture of a window (frame, title bar, client area), drawn rather
// than shipped as artwork. One drawing serves the window's own icon and the icon files that are
// installed for the desktop (PNG at 16 and 32 pixels, made from windowIconImage() during the build,
// and an SVG from windowIconSvg()), so the two cannot come apart.

// The icon at size x size pixels, on a transparent background.
[[nodiscard]] QImage windowIconImage(int size);
// The same drawing as an SVG document whose user units are the pixels of windowIconImage(size).
[[nodiscard]] QByteArray windowIconSvg(int size);
// The window's icon: the drawing at 16 and 32 pixels.
[[nodiscard]] QIcon genericWindowIcon();
