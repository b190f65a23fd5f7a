#include "windowicon.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

QPixmap drawWindow(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const int margin = size / 16;
    const QRect frame(margin, margin * 2, size - 2 * margin, size - 4 * margin);
    const int titleHeight = std::max(3, size / 5);

    painter.fillRect(frame, QColor(192, 192, 192));
    painter.fillRect(frame.adjusted(1, 1, -1, 0)
                         .intersected(QRect(frame.left(), frame.top(), frame.width(), titleHeight + 1)),
                     QColor(0, 0, 128));
    painter.fillRect(frame.adjusted(2, titleHeight + 2, -2, -2), Qt::white);
    painter.setPen(QColor(64, 64, 64));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    return pixmap;
}

} // namespace

QIcon genericWindowIcon()
{
    QIcon icon;
    icon.addPixmap(drawWindow(16));
    icon.addPixmap(drawWindow(32));
    return icon;
}
