#pragma once
// Painting a long line a strip at a time.
//
// Qt fills a wide antialiased line as one outline, and the cost of an outline
// that crosses the whole plot grows much faster than its length: a chart of
// six lines of a long history took 18 ms to paint where the same lines in
// pieces take under 10. A line whose points go left to right can be painted
// in vertical strips of whole pixels instead, each strip from the segments
// that reach into it and clipped to it: every pixel is then painted once,
// from the same geometry, and the picture does not change.
#include <QList>
#include <QPointF>
#include <functional>

class QPainter;

namespace rv::graphs {

// Paints `points` through `paint` (which draws one run of points as the
// whole line would be drawn, gaps and all), strip by strip, with the
// painter's pen and clip. Returns false, painting nothing, for a line too
// short to gain or one that does not go left to right.
bool paintInStrips(QPainter& painter, const QList<QPointF>& points,
                   const std::function<void(const QList<QPointF>&)>& paint);

} // namespace rv::graphs
