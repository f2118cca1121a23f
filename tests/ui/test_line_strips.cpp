// A long line painted a strip at a time must give exactly the picture of the
// line painted whole.
#include "ui/ui_line_strips.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace rv;

namespace {

// One polyline per run of points between missing ones, as the chart paints.
void paintWhole(QPainter& p, const QList<QPointF>& points)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i <= points.size(); ++i) {
        if (i == points.size() || std::isnan(points[i].y())) {
            if (i > start)
                p.drawPolyline(points.constData() + start, int(i - start));
            start = i + 1;
        }
    }
}

QImage paint(const QList<QPointF>& points, double width, bool inStrips, bool* used = nullptr)
{
    QImage img(900, 500, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 255), width));
    p.setClipRect(QRect(40, 20, 800, 440));  // the plot's own clip stays in force
    bool strips = false;
    if (inStrips)
        strips = graphs::paintInStrips(p, points, [&](const QList<QPointF>& piece) { paintWhole(p, piece); });
    if (!strips)
        paintWhole(p, points);
    if (used)
        *used = strips;
    return img;
}

// A noisy history as the chart samples it: several points in most pixel
// columns, sudden jumps, whole runs in one column, and a gap.
QList<QPointF> history()
{
    std::mt19937 gen(7);
    std::normal_distribution<double> step(0, 3);
    QList<QPointF> points;
    double x = 10, y = 250;
    for (int i = 0; i < 6000; ++i) {
        x += (i % 500 < 40) ? 0 : 0.15 * (gen() % 3);
        y = std::clamp(y + step(gen) + (i % 900 == 0 ? 120 : 0), -30.0, 530.0);
        points.append(QPointF(x, (i > 3000 && i < 3100) ? std::nan("") : y));
    }
    return points;
}

} // namespace

TEST(LineStrips, PaintTheSamePixelsAsTheWholeLine)
{
    const QList<QPointF> points = history();
    for (double width : {1.0, 2.0, 5.0}) {
        bool used = false;
        const QImage strips = paint(points, width, true, &used);
        EXPECT_TRUE(used) << width;
        EXPECT_TRUE(strips == paint(points, width, false)) << "pen width " << width;
    }
}

TEST(LineStrips, LeaveShortAndBackwardLinesToBePaintedWhole)
{
    QList<QPointF> points = history();
    bool used = true;
    paint(points.mid(0, 100), 2, true, &used);
    EXPECT_FALSE(used);
    std::reverse(points.begin(), points.end());
    paint(points, 2, true, &used);
    EXPECT_FALSE(used);
}
