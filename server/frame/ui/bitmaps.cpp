#include "server/frame/ui/bitmaps.h"

#include <QPainter>
#include <QPolygon>

namespace velmora::server {

namespace {

QPixmap blank(int size, const QColor& background)
{
    QPixmap pixmap(size, size);
    pixmap.fill(background);
    return pixmap;
}

} // namespace

QPixmap cellBitmap(const QColor& colour, int size)
{
    QPixmap pixmap = blank(size, colour);
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(0, 0, size - 1, size - 1);
    return pixmap;
}

QPixmap arrowBitmap(Qt::ArrowType direction, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const int m = size / 4;
    const int c = size / 2;
    const int e = size - m;
    QPolygon arrow;
    switch (direction) {
    case Qt::LeftArrow:
        arrow << QPoint(m, c) << QPoint(e, m) << QPoint(e, e);
        break;
    case Qt::RightArrow:
        arrow << QPoint(e, c) << QPoint(m, m) << QPoint(m, e);
        break;
    case Qt::UpArrow:
        arrow << QPoint(c, m) << QPoint(m, e) << QPoint(e, e);
        break;
    default:
        arrow << QPoint(c, e) << QPoint(m, m) << QPoint(e, m);
        break;
    }
    painter.drawPolygon(arrow);
    return pixmap;
}

QPixmap letterBitmap(const QString& text, const QColor& background, int size)
{
    QPixmap pixmap = blank(size, background);
    if (text.isEmpty())
        return pixmap;
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setPixelSize(size * 3 / 4);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return pixmap;
}

QPixmap profileBitmap()
{
    QPixmap pixmap = blank(kBitmapSize, Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkBlue);
    painter.setBrush(QColor(0xF0, 0xF0, 0xFF));
    painter.drawPolygon(
        QPolygon({QPoint(3, 1), QPoint(10, 1), QPoint(13, 4), QPoint(13, 14), QPoint(3, 14)}));
    painter.drawLine(6, 6, 11, 6);
    painter.drawLine(6, 9, 11, 9);
    return pixmap;
}

QPixmap previewIconBitmap()
{
    QPixmap pixmap = blank(32, Qt::black);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPoint(16, 16), 4, 4);
    painter.setBrush(Qt::gray);
    painter.drawEllipse(QPoint(7, 9), 2, 2);
    painter.drawEllipse(QPoint(24, 23), 2, 2);
    return pixmap;
}

} // namespace velmora::server
