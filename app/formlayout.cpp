// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "formlayout.h"

#include "pagelayout.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace FormLayout {

namespace {

// The desktop font the form was made for: 9 points at 96 dots per inch, 12 pixels.
constexpr double DesignFontPixels = 12.0;

// Whether every caption of the window shows whole in its control at the window's current font.
bool captionsFit(const QWidget &window)
{
    const auto buttons = window.findChildren<QAbstractButton *>();
    return std::all_of(buttons.cbegin(), buttons.cend(),
                       [](const QAbstractButton *button) { return captionFits(*button); });
}

// Fonts to try for the window, best first: the desktop's own at its size and a little smaller,
// then narrow faces, then smaller still. The sizes are those of the form as it was made (9 points
// at 96 dots per inch); a form laid out larger by scale takes them larger by as much, and a font
// resolution above 96 dots per inch gives as many points more pixels.
QList<QFont> captionFontCandidates(const QFont &desktop, double scale, double dotsPerInch)
{
    const double toPoints = scale * 96.0 / dotsPerInch;
    const double size = QFontInfo(desktop).pointSizeF() / toPoints;
    auto sized = [toPoints](QFont font, double points) {
        font.setPointSizeF(points * toPoints);
        return font;
    };
    QList<QFont> fonts;
    for (double points = size; points >= 8.0; points -= 0.5)
        fonts << sized(desktop, points);
    const QStringList families = QFontDatabase::families();
    for (const char *narrow :
         {"Nimbus Sans Narrow", "Liberation Sans Narrow", "DejaVu Sans Condensed", "Arial Narrow"}) {
        if (!families.contains(QLatin1String(narrow)))
            continue;
        for (double points = size; points >= 7.5; points -= 0.5)
            fonts << sized(QFont(QLatin1String(narrow)), points);
    }
    for (double points = std::min(size, 7.5); points >= 6.5; points -= 0.5)
        fonts << sized(desktop, points);
    return fonts;
}

} // namespace

int px(int twips, double scale)
{
    return int(std::lround(twips * scale / PageLayout::TwipsPerPixel));
}

QRect pixels(const TwipsRect &twips, double scale)
{
    return {px(twips.left, scale), px(twips.top, scale), px(twips.width, scale), px(twips.height, scale)};
}

double scaleFor(const QFont &font, double logicalDpiY)
{
    // The font's requested size, not the nearest size it is drawn at.
    const double fontPixels =
        font.pointSizeF() > 0 ? font.pointSizeF() * logicalDpiY / 72.0 : double(font.pixelSize());
    return std::max(1.0, fontPixels / DesignFontPixels);
}

void centreOnScreen(QWidget &window)
{
    const QScreen *const screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    window.move(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(), screen->availableGeometry())
            .topLeft());
}

bool captionFits(const QAbstractButton &button)
{
    // A push button's size hint has a minimum width of its own; what matters is its text and the
    // style's margins. An option's size hint is its indicator, spacing and text.
    if (qobject_cast<const QPushButton *>(&button) != nullptr) {
        const QString text = QString(button.text()).remove(QLatin1Char('&'));
        const int margin = button.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button);
        return button.fontMetrics().horizontalAdvance(text) + 2 * margin <= button.width();
    }
    return button.sizeHint().width() <= button.width();
}

void fitCaptionFont(QWidget &window, double scale)
{
    // Where the desktop's font is too wide for a caption ("Landscape" has 74 pixels), the window
    // takes a smaller or narrower one. No control has a font of its own: they all follow the
    // window's.
    const QList<QFont> candidates = captionFontCandidates(window.font(), scale, window.logicalDpiY());
    for (const QFont &candidate : candidates) {
        window.setFont(candidate);
        if (captionsFit(window))
            return;
    }
}

} // namespace FormLayout
