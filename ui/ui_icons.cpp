#include "ui/ui_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>

namespace rv {

QIcon buttonIcon(const QString& themeName, QStyle::StandardPixmap fallback)
{
    return buttonIcon(themeName, QApplication::style()->standardIcon(fallback));
}

QIcon buttonIcon(const QString& themeName, const QIcon& fallback)
{
    if (QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    return fallback;
}

QIcon drawnPrinterIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    // Paper coming in at the top, the body, then the printed sheet below.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9.5, 3.5, 13, 9));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(3.5, 11.5, 25, 11), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 18.5, 15, 10));
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.drawLine(QPointF(11, 22), QPointF(21, 22));
    p.drawLine(QPointF(11, 25), QPointF(19, 25));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 180, 60));
    p.drawEllipse(QPointF(24.5, 15.5), 1.5, 1.5);
    p.end();
    return QIcon(pm);
}

} // namespace rv
