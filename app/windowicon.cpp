// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "windowicon.h"

#include <QList>
#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <algorithm>

namespace {

struct IconShape
{
    QRect rect;
    QColor colour;
};

// The icon as filled rectangles, each painted over the ones before it. At 16 and 32 pixels the
// lines are one pixel wide; larger sizes thicken them in proportion so the SVG scales evenly.
QList<IconShape> iconShapes(int size)
{
    const int line = std::max(1, size / 32);
    const int margin = size / 16;
    const int titleHeight = std::max(3, size / 5);
    const QRect frame(margin, margin * 2, size - 2 * margin, size - 4 * margin);
    return {
        {frame, QColor(64, 64, 64)},
        {frame.adjusted(line, line, -line, -line), QColor(192, 192, 192)},
        {QRect(frame.left() + line, frame.top() + line, frame.width() - 2 * line, titleHeight),
         QColor(0, 0, 128)},
        {frame.adjusted(2 * line, titleHeight + 2 * line, -2 * line, -2 * line), QColor(Qt::white)},
    };
}

} // namespace

QImage windowIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    for (const IconShape &shape : iconShapes(size))
        painter.fillRect(shape.rect, shape.colour);
    return image;
}

QByteArray windowIconSvg(int size)
{
    QString svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                                 "viewBox=\"0 0 %1 %1\">\n")
                      .arg(size);
    for (const IconShape &shape : iconShapes(size)) {
        const QRect &r = shape.rect;
        svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                   .arg(r.x())
                   .arg(r.y())
                   .arg(r.width())
                   .arg(r.height())
                   .arg(shape.colour.name());
    }
    svg += QStringLiteral("</svg>\n");
    return svg.toUtf8();
}

QIcon genericWindowIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(windowIconImage(16)));
    icon.addPixmap(QPixmap::fromImage(windowIconImage(32)));
    return icon;
}
