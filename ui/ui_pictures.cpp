#include "ui/ui_pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace rv {

namespace {

QPixmap blank(int side)
{
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QPixmap aliveStatusPixmap(int side)
{
    QPixmap pm = blank(side);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 48.0, side / 48.0);
    // Two lobes and a point, in a 48 x 48 square.
    QPainterPath heart;
    heart.moveTo(24, 43);
    heart.cubicTo(8, 32, 2, 22, 4, 14);
    heart.cubicTo(6, 6, 18, 2, 24, 12);
    heart.cubicTo(30, 2, 42, 6, 44, 14);
    heart.cubicTo(46, 22, 40, 32, 24, 43);
    p.setPen(QPen(QColor(20, 110, 30), 2));
    p.setBrush(QColor(50, 170, 60));
    p.drawPath(heart);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(15, 22), QPointF(22, 29), QPointF(33, 16)}));
    return pm;
}

QPixmap deadStatusPixmap(int side)
{
    QPixmap pm = blank(side);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 48.0, side / 48.0);
    p.setPen(QPen(QColor(90, 90, 90), 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(38, 38));
    p.drawLine(QPointF(38, 10), QPointF(10, 38));
    p.setPen(QPen(QColor(160, 160, 160), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(38, 38));
    p.drawLine(QPointF(38, 10), QPointF(10, 38));
    return pm;
}

QPixmap filterPixmap(bool removing, int side)
{
    QPixmap pm = blank(side);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 32.0, side / 32.0);
    QPolygonF funnel({QPointF(3, 4), QPointF(29, 4), QPointF(19, 16), QPointF(19, 27),
                      QPointF(13, 30), QPointF(13, 16)});
    p.setPen(QPen(QColor(40, 70, 130), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(110, 150, 220));
    p.drawPolygon(funnel);
    if (removing) {
        p.setPen(QPen(QColor(210, 20, 20), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(17, 17), QPointF(29, 29));
        p.drawLine(QPointF(29, 17), QPointF(17, 29));
    }
    return pm;
}

} // namespace rv
