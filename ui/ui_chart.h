#pragma once
// The chart of a graph page as the drawing procedures see it: a header,
// a left and a bottom axis, a fixed number of line series by index, and the
// user's interactions (legend check boxes, axis scrolling, rubber-band zoom,
// a click on a point). Built over a QCustomPlot; one Chart lives as a child
// of each plot, so the drawing code finds it from the plot.
//
// Failures (a series index out of range, an unknown date-time step, a bound
// field that does not exist) throw store::DbError, so the time graphs can
// skip a failing statement and the length graphs can log it and stop.
#include <QByteArray>
#include <QColor>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <vector>

class QCustomPlot;
class QCPAxis;
class QCPGraph;
class QCPTextElement;
class QCPAbstractPlottable;
class QCPAbstractItem;
class QCPLegend;
class QCPAbstractLegendItem;
class QMouseEvent;
class QPrinter;
class QRubberBand;

namespace rv::store {
class Recordset;
}

namespace rv::graphs {

enum class ChartKind {
    Time,    // 11 series over date-time X values (Load v Time, Disp v Time)
    Length,  // 16 series over distances along the cable
};

class Chart;
class StepTicker;

// A trigger level drawn on a chart: a dashed line at +value and one at
// -value in the level's colour, with one legend entry.
struct LevelLine {
    QString title;  // the legend entry, e.g. "Alarm 20 tonnes"
    double value = 0;
    QColor colour;
};

class ChartAxis {
public:
    // Automatic: the range follows the shown series' data on every redraw.
    void setAutomatic(bool on);
    bool automatic() const { return m_automatic; }
    void setMinimum(double v);
    void setMaximum(double v);
    double minimum() const { return m_min; }
    double maximum() const { return m_max; }
    // A fixed step between labels; 0 = chosen from the range. On a
    // date-time axis the step is in days, like the date-time step codes.
    void setIncrement(double v);
    double increment() const { return m_increment; }
    void setTitle(const QString& caption);
    QString title() const;
    // Label format of a date-time axis in the program's picture language
    // ("yyyy/mm/dd", "hh:nn").
    void setDateTimeFormat(const QString& picture);
    QString dateTimeFormat() const { return m_dateFormat; }
    // Smallest and largest Y of the active series (0 when there is none).
    double minYValue() const;
    double maxYValue() const;

    // Where the axis shows now (after automatic scaling and user zoom).
    double visibleLower() const;
    double visibleUpper() const;

private:
    friend class Chart;
    ChartAxis(Chart* chart, QCPAxis* axis, bool dateTime);
    void apply();

    Chart* m_chart;
    QCPAxis* m_axis;
    StepTicker* m_ticker;  // owned by the axis
    bool m_dateTime;
    bool m_automatic = true;
    double m_min = 0;
    double m_max = 1;
    double m_increment = 0;
    QString m_dateFormat;
};

class ChartSeries {
public:
    // Removes every point and forgets what the series would load from its
    // bound record set until a field is bound again.
    void clear();
    // Active: drawn and listed in the legend. Making a series active also
    // shows it again when the user had unticked it in the legend.
    void setActive(bool on);
    bool active() const { return m_active; }
    // Drawn now: active and not unticked in the legend.
    bool shown() const { return m_active && !m_userHidden; }
    void setTitle(const QString& t);
    QString title() const { return m_title; }
    QColor color() const;
    // The series takes its points from the record set's rows: X from one
    // field (a date-time field gives date-time X values), Y from another.
    // The rows are read when the series is next drawn or asked about.
    void bindX(store::Recordset& rs, const QString& xField);
    void bindY(const QString& yField);
    // With a bound Y: rows whose `field` is empty (null or an empty text)
    // give no point, as a reading without a value has nothing to draw.
    void skipRowsWithout(const QString& field);
    QString xField() const { return m_xField; }
    QString yField() const { return m_yField; }
    // The series' points given at once, in ascending X (a point whose X or
    // Y is NaN is left out), in place of a binding: for lines a data pass
    // has just computed. The field names are what the points stand for.
    void setPoints(const std::vector<double>& x, const std::vector<double>& y, const QString& xField,
                   const QString& yField);
    // One point; the series keeps its points in ascending X.
    void addXY(double x, double y);
    int count() const;
    QPointF point(int i) const;
    double maxYValue() const;
    double maxXValue() const;
    double minYValue() const;

    // The legend tick box, as the user would click it.
    void setUserHidden(bool hidden);

private:
    friend class Chart;
    friend class ChartAxis;
    ChartSeries(Chart* chart, int index, QCPGraph* graph);
    void load();
    // The smallest and largest Y of the points; false when there are none.
    // Kept from one change of the points to the next: the axes ask for it
    // several times per drawing, and a long history has many points.
    bool valueRange(double& lo, double& hi) const;
    void pointsChanged() { m_rangeKnown = false; }

    Chart* m_chart;
    int m_index;
    QCPGraph* m_graph;
    QString m_title;
    bool m_active = true;
    bool m_userHidden = false;
    store::Recordset* m_source = nullptr;
    QString m_xField;
    QString m_yField;
    QString m_requiredField;
    bool m_pending = false;
    mutable bool m_rangeKnown = false;
    mutable bool m_rangeFound = false;
    mutable double m_rangeLo = 0;
    mutable double m_rangeHi = 0;
};

class Chart : public QObject {
    Q_OBJECT
public:
    // Gives `plot` its chart with the looks of its kind and returns it.
    static Chart* attach(QCustomPlot* plot, ChartKind kind);
    // The chart of a plot made by attach(); null for any other.
    static Chart* of(QCustomPlot* plot);

    ChartKind kind() const { return m_kind; }
    QCustomPlot* plot() const { return m_plot; }

    void clearHeader();
    void addHeaderLine(const QString& line);
    QStringList headerLines() const { return m_header; }

    ChartAxis& leftAxis() { return *m_left; }
    ChartAxis& bottomAxis() { return *m_bottom; }
    const ChartAxis& leftAxis() const { return *m_left; }
    const ChartAxis& bottomAxis() const { return *m_bottom; }

    int seriesCount() const { return static_cast<int>(m_series.size()); }
    ChartSeries& series(int index);
    const ChartSeries& series(int index) const;

    // The length in days of a date-time step code (11 two hours, 12 six hours).
    static double dateTimeStep(int code);

    // Forgets the user's zoom and scroll, the shown point and a fixed step
    // on the bottom axis, so a new drawing starts from a plain chart.
    void reset();

    // Reads what bound series still have to read, applies the axes and
    // has the chart drawn once control returns to the event loop (before
    // the window paints), however many refreshes were asked for meanwhile;
    // a drawing made by then (an export) stands for it. The drawing
    // procedures call it when they are done; the user's actions draw
    // themselves.
    void refresh();
    // A drawing is waiting for the event loop.
    bool redrawPending() const { return m_redrawPending; }

    // What the chart was last drawn from, in the drawing procedure's own
    // terms (empty: not known), so that a page can leave a chart that would
    // be drawn again exactly as it stands. Cleared when the chart is reset
    // for a new drawing.
    void setDrawnFrom(const QByteArray& key) { m_drawnFrom = key; }
    const QByteArray& drawnFrom() const { return m_drawnFrom; }
    // The chart shows what its last drawing left, untouched by the user:
    // no zoom or scroll, no line unticked, no point shown, no drawing
    // waiting.
    bool asDrawn() const;

    // The chart as it stands (hidden lines stay hidden, zoom kept).
    bool exportJpeg(const QString& path);
    bool print(QPrinter& printer);

    void show();
    void hide();
    void focus();

    // The text of the annotation under the chart ("" when none).
    QString annotation() const;
    // The user's view: a rubber band from `from` to `to` in widget pixels
    // (left to right zooms in, right to left returns to the drawn view);
    // a drag of an axis by a pixel distance.
    bool zoomed() const { return m_userView; }

    // Widget pixel position of a data point of a series (for tests and
    // for placing the mouse on it).
    QPointF pixelOf(int series, int pointIndex) const;

    // The legend's title, "Node Locations:" or "Reading  Dates: ".
    QString legendTitle() const;
    // The series listed in the legend, in order.
    std::vector<int> legendSeries() const;

    // The trigger levels drawn across the plot, replacing those drawn
    // before; they take no part in the axis scaling, and a level beyond the
    // axis is still listed in the legend (after the series, without a tick
    // box). With markPoints, every shown point of series 1 onward whose
    // |y| reaches a level is marked in the colour of the highest level it
    // reaches.
    void setLevelLines(const std::vector<LevelLine>& lines, bool markPoints);
    const std::vector<LevelLine>& levelLines() const { return m_levels; }
    // The legend texts of the level lines, in order.
    QStringList levelLegend() const;
    // The marked points: (series, point index) with their colour.
    struct PointMark {
        int series = 0;
        int point = 0;
        QColor colour;
    };
    std::vector<PointMark> pointMarks() const;

private:
    friend class ChartAxis;
    friend class ChartSeries;
    Chart(QCustomPlot* plot, ChartKind kind);
    void setUpLooks();
    void loadPending();
    void rebuildLegend();
    void applyAxes();
    void thinMarkers();
    void undoZoom();
    void redrawLater();

    void onMousePress(QMouseEvent* e);
    void onMouseMove(QMouseEvent* e);
    void onMouseRelease(QMouseEvent* e);
    void onPlottableClick(QCPAbstractPlottable* p, int dataIndex, QMouseEvent* e);
    void onLegendClick(QCPLegend* legend, QCPAbstractLegendItem* item, QMouseEvent* e);
    void updateLevelMarks();

    QCustomPlot* m_plot;
    ChartKind m_kind;
    QCPTextElement* m_headerElement = nullptr;
    QCPTextElement* m_legendTitle = nullptr;
    QCPTextElement* m_note = nullptr;
    std::unique_ptr<ChartAxis> m_left;
    std::unique_ptr<ChartAxis> m_bottom;
    std::vector<std::unique_ptr<ChartSeries>> m_series;
    QStringList m_header;
    bool m_redrawPending = false;
    QByteArray m_drawnFrom;

    // The user's own view of the axes, kept until a new drawing or a
    // right-to-left rubber band.
    bool m_userView = false;
    enum class Drag { None, Band, LeftAxis, BottomAxis } m_drag = Drag::None;
    QPoint m_pressPos;
    QPoint m_lastPos;
    QRubberBand* m_band = nullptr;

    // Trigger levels: the lines (items of the plot), one empty graph per
    // level standing for it in the legend, and one graph of marked points
    // per level.
    std::vector<LevelLine> m_levels;
    bool m_markPoints = false;
    std::vector<QCPAbstractItem*> m_levelItems;
    std::vector<QCPGraph*> m_levelLegendGraphs;
    std::vector<QCPGraph*> m_levelMarkGraphs;
};

// The Qt date-time format of a picture of the program ("yyyy/mm/dd" ->
// "yyyy/MM/dd", "hh:nn" -> "HH:mm"; "mm" after an hour is minutes).
QString qtDateTimeFormat(const QString& picture);

} // namespace rv::graphs
