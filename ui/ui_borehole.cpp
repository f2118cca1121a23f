#include "ui/ui_borehole.h"

#include "ui/ui_main_layout.h"

#include <QFont>
#include <QPainter>

namespace rv {

namespace {

// Page y of the roof line: a little below the lowest box, so that the head
// box (recessed into the hole) and node 6 of the toe geometry stay above it.
constexpr int kRoofPageY = 626;

int boxMiddle(int topTwips)
{
    return topTwips / kTwipsPerPixel + kRelBoxHeight / 2;
}

} // namespace

QRect boreholeRect()
{
    return QRect(500, 176, 200, 474);
}

QPixmap drawBorehole(bool headAtCollar, QSize size)
{
    const QRect home = boreholeRect();
    QPixmap pm(home.size());
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    const RelBoxTops& tops = relBoxTops(headAtCollar);
    auto y = [&](int pageY) { return double(pageY - home.top()); };
    const double w = home.width();
    const double h = home.height();
    const double roofY = y(kRoofPageY);
    const double holeX = 80;        // centre of the hole; numbers go left of it
    const double holeHalf = 11;
    const double headY = y(boxMiddle(tops.head));
    const double farNodeY = y(boxMiddle(tops.anchors[headAtCollar ? 6 : 1]));
    // The toe of the hole lies a little beyond the deepest thing in it.
    const double deepest = headAtCollar ? farNodeY : headY;
    const double toeY = deepest - 22;

    QFont small = p.font();
    small.setPixelSize(11);
    QFont bold = small;
    bold.setBold(true);

    // Rock above the roof, hatched; the open excavation below it.
    p.fillRect(QRectF(0, 0, w, roofY), QColor(205, 205, 205));
    p.fillRect(QRectF(0, 0, w, roofY), QBrush(QColor(150, 150, 150), Qt::BDiagPattern));
    p.fillRect(QRectF(0, roofY, w, h - roofY), QColor(250, 250, 245));

    // The borehole.
    const QRectF hole(holeX - holeHalf, toeY, 2 * holeHalf, roofY - toeY);
    p.setPen(QPen(QColor(90, 90, 90), 1.5));
    p.setBrush(QColor(245, 240, 225));
    p.drawRect(hole);

    // The roof line at the collar.
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.drawLine(QPointF(0, roofY), QPointF(w, roofY));
    p.setFont(bold);
    p.setPen(Qt::black);
    p.drawText(QRectF(holeX + holeHalf + 4, roofY - 15, w - holeX - holeHalf - 6, 14),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Roof"));
    p.setFont(small);
    p.drawText(QRectF(holeX + 34, roofY + 1, w - holeX - 36, h - roofY - 1),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Excavation"));
    p.drawText(QRectF(holeX + holeHalf + 4, toeY - 2, 60, 14), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Toe"));

    // Leader lines from each mark to the box column on the right.
    auto leader = [&](double atY) {
        p.setPen(QPen(QColor(70, 70, 200), 1, Qt::DashLine));
        p.drawLine(QPointF(holeX + holeHalf + 2, atY), QPointF(w, atY));
    };

    // The cable: from the head along the hole; with the head at the toe its
    // tail comes out of the collar for plating.
    const double cableEnd = headAtCollar ? farNodeY - 10 : roofY + 10;
    p.setPen(QPen(QColor(70, 70, 70), 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(holeX, headY), QPointF(holeX, cableEnd));

    // Node marks and their numbers.
    for (int k = 1; k <= 6; ++k) {
        const double ny = y(boxMiddle(tops.anchors[k]));
        leader(ny);
        p.setPen(QPen(QColor(120, 80, 10), 1));
        p.setBrush(QColor(215, 160, 50));
        p.drawRect(QRectF(holeX - 8, ny - 3, 16, 6));
        p.setFont(bold);
        p.setPen(Qt::black);
        p.drawText(QRectF(holeX - holeHalf - 24, ny - 8, 20, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(k));
    }

    // The head (anchor barrel) and the bearing plate on the rock face.
    leader(headY);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(QRectF(holeX - 7, headY - 7, 14, 14));
    p.setFont(bold);
    p.drawText(QRectF(0, headY - 8, holeX - holeHalf - 26, 16), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Head"));
    p.setPen(QPen(QColor(30, 50, 90), 1));
    p.setBrush(QColor(80, 110, 170));
    p.drawRect(QRectF(holeX - 30, roofY, 60, 5));
    p.end();

    if (size.isValid() && size != home.size())
        return pm.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return pm;
}

} // namespace rv
