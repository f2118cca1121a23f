#include "ui/ui_line_strips.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

namespace rv::graphs {

namespace {

// Points a strip takes before it ends at the next whole pixel: few enough
// for Qt to fill cheaply, many enough that the overlap drawn twice (the
// segments reaching in from either side) stays small.
constexpr qsizetype kStripPoints = 64;

bool leftToRight(const QList<QPointF>& points)
{
    for (qsizetype i = 1; i < points.size(); ++i)
        if (!(points[i].x() >= points[i - 1].x()))  // a NaN key refuses too
            return false;
    return true;
}

} // namespace

bool paintInStrips(QPainter& painter, const QList<QPointF>& points,
                   const std::function<void(const QList<QPointF>&)>& paint)
{
    const qsizetype n = points.size();
    if (n <= 2 * kStripPoints || !leftToRight(points))
        return false;
    // How far from a point its stroke can colour a pixel: half the pen, a
    // square cap or bevel join as far again, the antialiased edge, and room.
    const double reach = std::max(1.0, painter.pen().widthF()) + 2;
    constexpr double kOpen = std::numeric_limits<double>::infinity();
    QList<QPointF> piece;
    qsizetype from = 0;  // the strip's first point
    double left = -kOpen;
    while (from < n) {
        // The strip runs from `left` to `right` (whole pixels) and holds the
        // points from `from` up to `to`; the last one runs on to the end.
        qsizetype to = n;
        double right = kOpen;
        if (from + kStripPoints < n) {
            right = std::max(std::floor(points[from + kStripPoints].x()), left + 1);
            to = from;
            while (to < n && points[to].x() < right)
                ++to;
            if (to == n)
                right = kOpen;
        }
        // The segments that can colour the strip: from the last point far
        // enough left of it to the first point far enough right.
        qsizetype first = from;
        while (first > 0 && points[first].x() > left - reach)
            --first;
        qsizetype last = std::max(to, first + 1);  // one past
        while (last < n && points[last - 1].x() < right + reach)
            ++last;
        piece.resize(last - first);
        std::copy(points.constBegin() + first, points.constBegin() + last, piece.begin());

        constexpr int kFar = 1 << 24;
        const int l = left == -kOpen ? -kFar : int(left);
        const int r = right == kOpen ? kFar : int(right);
        painter.save();
        painter.setClipRect(QRect(l, -kFar, r - l, 2 * kFar), Qt::IntersectClip);
        paint(piece);
        painter.restore();
        left = right;
        from = to;
    }
    return true;
}

} // namespace rv::graphs
