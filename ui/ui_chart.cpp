#include "ui/ui_chart.h"
#include "ui/ui_line_strips.h"

#include "calc/levels.h"
#include "common/numbers.h"
#include "store/dberror.h"
#include "store/recordset.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPrinter>
#include <QRubberBand>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <map>
#include <qcustomplot.h>

namespace rv::graphs {

namespace {

constexpr double kSecondsPerDay = 86400.0;
// 1970/01/01 as a date serial (days since 1899/12/30).
constexpr double kUnixEpochSerial = 25569.0;
constexpr int kTimeSeries = 11;
// The diamond marking each point of a series, in pixels.
constexpr double kMarkerSize = 8;
constexpr int kLengthSeries = 16;
// Pixels the mouse may move between press and release and still click.
constexpr int kClickSlack = 3;

// The series colours by index; the time charts use the first eleven.
const QColor kSeriesColours[kLengthSeries] = {
    QColor(0, 0, 0),       QColor(0, 0, 255),     QColor(255, 0, 0),     QColor(0, 128, 0),
    QColor(128, 0, 255),   QColor(255, 0, 255),   QColor(255, 128, 0),   QColor(128, 128, 255),
    QColor(255, 255, 0),   QColor(128, 64, 0),    QColor(128, 255, 128), QColor(0, 128, 255),
    QColor(128, 0, 64),    QColor(128, 128, 0),   QColor(64, 0, 128),    QColor(0, 128, 128),
};
const QColor kSilver(192, 192, 192);

QFont chartFont(int pixelSize, bool bold)
{
    // Trebuchet where it is installed, otherwise the nearest sans typeface.
    QFont f(QStringLiteral("Trebuchet MS"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

[[noreturn]] void fail(int number, const QString& description)
{
    throw store::DbError(number, description);
}

// X of a stored value: a date-time is taken as wall-clock time (no time
// zone, so no hour is lost or doubled at a daylight-saving change) and
// counted in seconds, as the date-time axis labels it.
bool keyOf(const QVariant& v, double& key)
{
    if (v.isNull())
        return false;
    const int id = v.metaType().id();
    if (id == QMetaType::QDateTime || id == QMetaType::QDate) {
        const QDateTime dt = id == QMetaType::QDate ? QDateTime(v.toDate(), QTime(0, 0), Qt::UTC)
                                                    : QDateTime(v.toDateTime().date(), v.toDateTime().time(), Qt::UTC);
        if (!dt.isValid())
            return false;
        key = static_cast<double>(dt.toMSecsSinceEpoch()) / 1000.0;
        return true;
    }
    bool ok = false;
    key = v.toDouble(&ok);
    return ok && std::isfinite(key);
}

bool valueOf(const QVariant& v, double& y)
{
    if (v.isNull())
        return false;
    if (v.metaType().id() == QMetaType::QString) {
        const auto n = toNumber(v.toString());
        if (!n)
            return false;
        y = *n;
        return true;
    }
    bool ok = false;
    y = v.toDouble(&ok);
    return ok && std::isfinite(y);
}

// 1, 2, 5, 10, 20, 50 ... at least k.
double niceFactor(double k)
{
    double base = 1;
    while (true) {
        for (double m : {1.0, 2.0, 5.0}) {
            if (m * base >= k)
                return m * base;
        }
        base *= 10;
    }
}

} // namespace

// Labels of an axis: a fixed step when the drawing gives one (made a
// multiple of itself when the labels would not fit, as a chart leaves out
// labels that would overlap), dates and times on a date-time axis, whole
// numbers where the labels are formatted "0".
class StepTicker : public QCPAxisTickerDateTime {
public:
    double step = 0;  // axis units; 0 = from the range
    bool dateTime = false;
    bool wholeNumbers = false;
    // The user zoomed or scrolled: the drawing's fixed step and label format
    // were made for the whole chart and would leave a zoomed span with one
    // label or none, so the step comes from the span shown and the labels
    // get the decimals that step needs.
    bool zoomed = false;
    int maxTicks = 10;

protected:
    double getTickStep(const QCPRange& range) override
    {
        if (step > 0 && !zoomed) {
            const double n = range.size() / step;
            return m_lastStep = (n > maxTicks ? step * niceFactor(n / maxTicks) : step);
        }
        setTickCount(std::max(2, std::min(maxTicks, 8)));
        double s = dateTime ? QCPAxisTickerDateTime::getTickStep(range) : QCPAxisTicker::getTickStep(range);
        if (wholeNumbers && !zoomed)
            s = std::max(1.0, std::ceil(s));
        return m_lastStep = s;
    }
    int getSubTickCount(double tickStep) override
    {
        return dateTime ? QCPAxisTickerDateTime::getSubTickCount(tickStep) : QCPAxisTicker::getSubTickCount(tickStep);
    }
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override
    {
        if (dateTime) {
            if (zoomed && m_lastStep > 0 && m_lastStep < kSecondsPerDay) {
                // Within a day the date alone would repeat itself.
                const QDateTime t = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(tick * 1000.0)), Qt::UTC);
                return t.toString(dateTimeFormat()) + u'\n'
                    + t.toString(m_lastStep < 60 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
            }
            return QCPAxisTickerDateTime::getTickLabel(tick, locale, formatChar, precision);
        }
        if (zoomed && m_lastStep > 0) {
            const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(m_lastStep) - 1e-9)), 0, 9);
            // A tick that should be 0 but carries a rounding error.
            if (std::abs(tick) < m_lastStep * 1e-6)
                tick = 0;
            return QString::number(tick, 'f', decimals);
        }
        if (wholeNumbers)
            return QString::number(tick, 'f', 0);
        return QCPAxisTicker::getTickLabel(tick, locale, formatChar, precision);
    }
    QVector<double> createTickVector(double tickStep, const QCPRange& range) override
    {
        if (dateTime && (step <= 0 || zoomed))
            return QCPAxisTickerDateTime::createTickVector(tickStep, range);
        return QCPAxisTicker::createTickVector(tickStep, range);
    }

private:
    double m_lastStep = 0;
};

namespace {

// A series' graph: its markers can be left off the plot while the legend
// keeps showing the series' marker.
class SeriesGraph : public QCPGraph {
public:
    SeriesGraph(QCPAxis* key, QCPAxis* value, const QCPScatterStyle& marker)
        : QCPGraph(key, value), m_marker(marker)
    {
        setScatterStyle(marker);
    }
    void showMarkers(bool on) { setScatterStyle(on ? m_marker : QCPScatterStyle(QCPScatterStyle::ssNone)); }

protected:
    // A long history is painted a strip at a time, which is much quicker
    // and paints the same pixels. Printing and PDF keep the single line.
    void drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const override
    {
        if (painter->modes().testFlag(QCPPainter::pmVectorized) || painter->pen().style() == Qt::NoPen
            || painter->pen().color().alpha() == 0) {
            QCPGraph::drawLinePlot(painter, lines);
            return;
        }
        applyDefaultAntialiasingHint(painter);
        if (!paintInStrips(*painter, lines, [&](const QVector<QPointF>& piece) { drawPolyline(painter, piece); }))
            drawPolyline(painter, lines);
    }
    void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override
    {
        QCPGraph::drawLegendIcon(painter, rect);
        if (!scatterStyle().isNone())
            return;
        applyScattersAntialiasingHint(painter);
        m_marker.applyTo(painter, pen());
        m_marker.drawShape(painter, rect.center());
    }

private:
    QCPScatterStyle m_marker;
};

// A legend entry with a tick box in front: unticking hides the line.
class CheckLegendItem : public QCPPlottableLegendItem {
public:
    CheckLegendItem(QCPLegend* legend, QCPAbstractPlottable* p, int series, bool checked)
        : QCPPlottableLegendItem(legend, p), m_series(series), m_checked(checked)
    {
    }
    int series() const { return m_series; }

protected:
    int box() const { return QFontMetrics(getFont()).height() - 2; }
    QSize minimumOuterSizeHint() const override
    {
        QSize s = QCPPlottableLegendItem::minimumOuterSizeHint();
        s.rwidth() += box() + 6;
        return s;
    }
    void draw(QCPPainter* painter) override
    {
        const int b = box();
        const QRect r(mRect.left(), mRect.top() + std::max(0, (mRect.height() - b) / 2), b, b);
        painter->setPen(QPen(Qt::black, 1));
        painter->setBrush(Qt::white);
        painter->drawRect(r);
        if (m_checked) {
            painter->setPen(QPen(Qt::black, 2));
            painter->drawLine(QPointF(r.left() + b * 0.2, r.top() + b * 0.55), QPointF(r.left() + b * 0.42, r.top() + b * 0.78));
            painter->drawLine(QPointF(r.left() + b * 0.42, r.top() + b * 0.78), QPointF(r.left() + b * 0.82, r.top() + b * 0.22));
        }
        const QRect saved = mRect;
        mRect.setLeft(mRect.left() + b + 6);
        QCPPlottableLegendItem::draw(painter);
        mRect = saved;
    }

private:
    int m_series;
    bool m_checked;
};

} // namespace

QString qtDateTimeFormat(const QString& picture)
{
    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < picture.size();) {
        const QChar c = picture[i].toLower();
        qsizetype n = 1;
        while (i + n < picture.size() && picture[i + n].toLower() == c)
            ++n;
        const QString run(n, c);
        if (c == u'y') {
            out += n >= 3 ? QStringLiteral("yyyy") : QStringLiteral("yy");
            afterHour = false;
        } else if (c == u'd') {
            out += QString(n, u'd');
            afterHour = false;
        } else if (c == u'h') {
            out += QString(n, u'H');
            afterHour = true;
        } else if (c == u'n') {
            out += QString(n, u'm');
        } else if (c == u's') {
            out += QString(n, u's');
        } else if (c == u'm') {
            out += afterHour ? QString(n, u'm') : QString(n, u'M');
        } else if (c.isLetter()) {
            out += QLatin1Char('\'') + picture.mid(i, n) + QLatin1Char('\'');
        } else {
            out += picture.mid(i, n);
        }
        i += n;
    }
    return out;
}

// ---------------------------------------------------------------- axis

ChartAxis::ChartAxis(Chart* chart, QCPAxis* axis, bool dateTime)
    : m_chart(chart), m_axis(axis), m_ticker(new StepTicker), m_dateTime(dateTime)
{
    m_ticker->dateTime = dateTime;
    m_ticker->setDateTimeSpec(Qt::UTC);
    axis->setTicker(QSharedPointer<QCPAxisTicker>(m_ticker));
    if (dateTime)
        setDateTimeFormat(QStringLiteral("yyyy/mm/dd"));
}

void ChartAxis::setAutomatic(bool on)
{
    m_automatic = on;
}

void ChartAxis::setMinimum(double v)
{
    m_min = v;
}

void ChartAxis::setMaximum(double v)
{
    m_max = v;
}

void ChartAxis::setIncrement(double v)
{
    if (v < 0)
        fail(store::err::BadCriteria, QStringLiteral("Axis increment must not be negative"));
    m_increment = v;
}

void ChartAxis::setTitle(const QString& caption)
{
    m_axis->setLabel(caption);
}

QString ChartAxis::title() const
{
    return m_axis->label();
}

void ChartAxis::setDateTimeFormat(const QString& picture)
{
    m_dateFormat = picture;
    m_ticker->setDateTimeFormat(qtDateTimeFormat(picture));
}

double ChartAxis::minYValue() const
{
    m_chart->loadPending();
    bool any = false;
    double lo = 0;
    for (const auto& s : m_chart->m_series) {
        double l = 0, h = 0;
        if (s->shown() && s->valueRange(l, h) && (!any || l < lo)) {
            lo = l;
            any = true;
        }
    }
    return lo;
}

double ChartAxis::maxYValue() const
{
    m_chart->loadPending();
    bool any = false;
    double hi = 0;
    for (const auto& s : m_chart->m_series) {
        double l = 0, h = 0;
        if (s->shown() && s->valueRange(l, h) && (!any || h > hi)) {
            hi = h;
            any = true;
        }
    }
    return hi;
}

double ChartAxis::visibleLower() const
{
    return m_axis->range().lower;
}

double ChartAxis::visibleUpper() const
{
    return m_axis->range().upper;
}

void ChartAxis::apply()
{
    const bool vertical = m_axis->orientation() == Qt::Vertical;
    if (!m_chart->m_userView) {
        if (m_automatic) {
            bool any = false;
            QCPRange all;
            for (const auto& s : m_chart->m_series) {
                if (!s->shown())
                    continue;
                bool found = false;
                QCPRange r;
                if (vertical)
                    found = s->valueRange(r.lower, r.upper);
                else
                    r = s->m_graph->getKeyRange(found);
                if (!found)
                    continue;
                all = any ? QCPRange(std::min(all.lower, r.lower), std::max(all.upper, r.upper)) : r;
                any = true;
            }
            if (any) {
                if (all.size() <= 0) {
                    const double pad = m_dateTime ? kSecondsPerDay / 2 : std::max(1.0, std::abs(all.lower) * 0.1);
                    all = QCPRange(all.lower - pad, all.upper + pad);
                }
                m_axis->setRange(all);
            }
        } else if (m_max != m_min) {
            m_axis->setRange(m_min, m_max);
        }
    }
    m_ticker->step = m_dateTime ? m_increment * kSecondsPerDay : m_increment;
    m_ticker->zoomed = m_chart->m_userView;
    // As many labels as fit without touching.
    const QFontMetrics fm(m_axis->tickLabelFont());
    if (vertical) {
        const int h = std::max(1, m_axis->axisRect()->height());
        m_ticker->maxTicks = std::max(2, h * 2 / (fm.height() * 3));
    } else {
        const QString sample = m_dateTime ? QDateTime(QDate(2000, 12, 28), QTime(23, 59, 59), Qt::UTC)
                                                .toString(qtDateTimeFormat(m_dateFormat))
                                          : QStringLiteral("0000");
        const int w = std::max(1, m_axis->axisRect()->width());
        m_ticker->maxTicks = std::max(2, w / (fm.horizontalAdvance(sample) + 24));
    }
}

// ---------------------------------------------------------------- series

ChartSeries::ChartSeries(Chart* chart, int index, QCPGraph* graph) : m_chart(chart), m_index(index), m_graph(graph) {}

void ChartSeries::clear()
{
    m_graph->data()->clear();
    m_pending = false;
    pointsChanged();
}

bool ChartSeries::valueRange(double& lo, double& hi) const
{
    if (!m_rangeKnown) {
        bool found = false;
        const QCPRange r = m_graph->getValueRange(found);
        m_rangeFound = found;
        m_rangeLo = r.lower;
        m_rangeHi = r.upper;
        m_rangeKnown = true;
    }
    lo = m_rangeLo;
    hi = m_rangeHi;
    return m_rangeFound;
}

void ChartSeries::setActive(bool on)
{
    m_active = on;
    if (on)
        m_userHidden = false;
    m_graph->setVisible(shown());
    m_chart->rebuildLegend();
}

void ChartSeries::setUserHidden(bool hidden)
{
    m_userHidden = hidden;
    m_graph->setVisible(shown());
    m_chart->rebuildLegend();
    if (!m_chart->m_userView)
        m_chart->applyAxes();
    m_chart->m_plot->replot();
}

void ChartSeries::setTitle(const QString& t)
{
    m_title = t;
    m_graph->setName(t);
    m_chart->rebuildLegend();
}

QColor ChartSeries::color() const
{
    return m_graph->pen().color();
}

void ChartSeries::bindX(store::Recordset& rs, const QString& xField)
{
    m_source = &rs;
    m_xField = xField;
    m_pending = !m_yField.isEmpty();
}

void ChartSeries::skipRowsWithout(const QString& field)
{
    m_requiredField = field;
}

void ChartSeries::bindY(const QString& yField)
{
    m_yField = yField;
    m_requiredField.clear();
    m_pending = m_source != nullptr && !m_xField.isEmpty();
}

void ChartSeries::setPoints(const std::vector<double>& x, const std::vector<double>& y, const QString& xField,
                            const QString& yField)
{
    m_source = nullptr;
    m_pending = false;
    m_requiredField.clear();
    m_xField = xField;
    m_yField = yField;
    const size_t n = std::min(x.size(), y.size());
    QVector<QCPGraphData> data;
    data.reserve(qsizetype(n));
    double lo = 0, hi = 0;
    for (size_t i = 0; i < n; ++i) {
        if (std::isnan(x[i]) || std::isnan(y[i]))
            continue;
        if (data.isEmpty() || y[i] < lo)
            lo = y[i];
        if (data.isEmpty() || y[i] > hi)
            hi = y[i];
        data.push_back(QCPGraphData(x[i], y[i]));
    }
    m_graph->data()->set(data, true);
    // The range comes with the points rather than from another pass over them.
    m_rangeFound = !data.isEmpty();
    m_rangeLo = lo;
    m_rangeHi = hi;
    m_rangeKnown = true;
}

void ChartSeries::addXY(double x, double y)
{
    m_chart->loadPending();
    m_graph->addData(x, y);
    pointsChanged();
}

int ChartSeries::count() const
{
    m_chart->loadPending();
    return m_graph->data()->size();
}

QPointF ChartSeries::point(int i) const
{
    m_chart->loadPending();
    if (i < 0 || i >= m_graph->data()->size())
        fail(9, QStringLiteral("Subscript out of range"));
    const auto it = m_graph->data()->at(i);
    return QPointF(it->key, it->value);
}

double ChartSeries::maxYValue() const
{
    m_chart->loadPending();
    double lo = 0, hi = 0;
    return valueRange(lo, hi) ? hi : 0.0;
}

double ChartSeries::minYValue() const
{
    m_chart->loadPending();
    double lo = 0, hi = 0;
    return valueRange(lo, hi) ? lo : 0.0;
}

double ChartSeries::maxXValue() const
{
    m_chart->loadPending();
    bool found = false;
    const QCPRange r = m_graph->getKeyRange(found);
    return found ? r.upper : 0.0;
}

// ---------------------------------------------------------------- chart

Chart* Chart::attach(QCustomPlot* plot, ChartKind kind)
{
    if (Chart* existing = of(plot))
        return existing;
    return new Chart(plot, kind);
}

Chart* Chart::of(QCustomPlot* plot)
{
    return plot ? plot->findChild<Chart*>(QStringLiteral("chartAdapter"), Qt::FindDirectChildrenOnly) : nullptr;
}

Chart::Chart(QCustomPlot* plot, ChartKind kind) : QObject(plot), m_plot(plot), m_kind(kind)
{
    setObjectName(QStringLiteral("chartAdapter"));
    setUpLooks();
    connect(plot, &QCustomPlot::mousePress, this, &Chart::onMousePress);
    connect(plot, &QCustomPlot::mouseMove, this, &Chart::onMouseMove);
    connect(plot, &QCustomPlot::mouseRelease, this, &Chart::onMouseRelease);
    connect(plot, &QCustomPlot::plottableClick, this, &Chart::onPlottableClick);
    connect(plot, &QCustomPlot::legendClick, this, &Chart::onLegendClick);
    // The marks follow what is shown at every drawing (a series hidden in the
    // legend takes its marks with it).
    connect(plot, &QCustomPlot::beforeReplot, this, &Chart::updateLevelMarks);
    connect(plot, &QCustomPlot::beforeReplot, this, &Chart::thinMarkers);
    // Any drawing, whoever asked for it, shows what a pending one would.
    connect(plot, &QCustomPlot::afterReplot, this, [this] { m_redrawPending = false; });
}

void Chart::setUpLooks()
{
    QCustomPlot* p = m_plot;
    const bool time = m_kind == ChartKind::Time;
    p->setBackground(Qt::white);
    p->setInteractions(QCP::Interactions());
    p->setAutoAddPlottableToLegend(false);
    p->setNoAntialiasingOnDrag(true);

    // Rows: header, the plot with its legend at the right, the annotation.
    QCPLayoutGrid* main = p->plotLayout();
    QCPAxisRect* rect = p->axisRect();
    main->take(rect);
    main->simplify();
    m_headerElement = new QCPTextElement(p, QString(), chartFont(20, true));
    main->addElement(0, 0, m_headerElement);
    auto* body = new QCPLayoutGrid;
    main->addElement(1, 0, body);
    body->addElement(0, 0, rect);
    auto* side = new QCPLayoutGrid;
    body->addElement(0, 1, side);
    body->setColumnStretchFactor(1, 0.001);
    m_legendTitle = new QCPTextElement(p, time ? QStringLiteral("Node Locations:") : QStringLiteral("Reading  Dates: "),
                                       chartFont(13, true));
    side->addElement(0, 0, m_legendTitle);
    rect->insetLayout()->take(p->legend);
    side->addElement(1, 0, p->legend);
    side->addElement(2, 0, new QCPLayoutElement(p));
    side->setRowStretchFactor(0, 0.001);
    side->setRowStretchFactor(1, 0.001);
    side->setRowStretchFactor(2, 1);
    side->setMargins(QMargins(0, 8, 8, 8));
    p->legend->setVisible(true);
    p->legend->setFont(chartFont(12, false));
    p->legend->setBorderPen(QPen(QColor(128, 128, 128)));
    m_note = new QCPTextElement(p, QString(), chartFont(12, false));
    m_note->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
    main->addElement(2, 0, m_note);
    main->setRowStretchFactor(0, 0.001);
    main->setRowStretchFactor(2, 0.001);

    for (QCPAxis* a : {p->xAxis, p->yAxis}) {
        a->setTickLabelFont(chartFont(12, true));
        a->setLabelFont(chartFont(13, true));
        a->grid()->setPen(QPen(kSilver, 1, Qt::SolidLine));
        a->grid()->setSubGridVisible(false);
        a->grid()->setZeroLinePen(Qt::NoPen);
    }
    m_left = std::unique_ptr<ChartAxis>(new ChartAxis(this, p->yAxis, false));
    m_bottom = std::unique_ptr<ChartAxis>(new ChartAxis(this, p->xAxis, time));
    // The load graphs give the left axis their type's title when drawn.
    m_left->setTitle(QStringLiteral("Displacement (mm)"));
    if (time) {
        p->xAxis->setTickLabelRotation(15);  // 345 degrees counter-clockwise
        m_left->setAutomatic(false);
        m_left->setMaximum(20);
        m_bottom->setAutomatic(true);
    } else {
        m_bottom->setTitle(QStringLiteral("Distance From Borehole Collar (m)"));
        m_bottom->m_ticker->wholeNumbers = true;
        m_left->setAutomatic(false);
        m_bottom->setAutomatic(false);
        m_bottom->setMaximum(1);
        m_left->setMaximum(1);
    }

    const int n = time ? kTimeSeries : kLengthSeries;
    for (int i = 0; i < n; ++i) {
        const QColor c = kSeriesColours[i];
        QCPGraph* g = new SeriesGraph(p->xAxis, p->yAxis, QCPScatterStyle(QCPScatterStyle::ssDiamond, QPen(c, 1), QBrush(c), kMarkerSize));
        g->setPen(QPen(c, 2));
        g->setLineStyle(QCPGraph::lsLine);
        // Long histories are drawn the chart's own way: the line through
        // each pixel column's extremes.
        g->setAdaptiveSampling(true);
        g->setVisible(false);
        auto s = std::unique_ptr<ChartSeries>(new ChartSeries(this, i, g));
        s->m_active = false;
        m_series.push_back(std::move(s));
    }
    m_series[0]->setTitle(time ? QStringLiteral("Temp (C)") : QStringLiteral("T (C)"));
    applyAxes();
}

void Chart::clearHeader()
{
    m_header.clear();
    m_headerElement->setText(QString());
}

void Chart::addHeaderLine(const QString& line)
{
    m_header << line;
    m_headerElement->setText(m_header.join(QLatin1Char('\n')));
}

ChartSeries& Chart::series(int index)
{
    if (index < 0 || index >= seriesCount())
        fail(9, QStringLiteral("Subscript out of range"));
    return *m_series[static_cast<size_t>(index)];
}

const ChartSeries& Chart::series(int index) const
{
    return const_cast<Chart*>(this)->series(index);
}

double Chart::dateTimeStep(int code)
{
    static constexpr double steps[] = {
        1.0 / 86400, 5.0 / 86400, 10.0 / 86400, 15.0 / 86400, 30.0 / 86400,     // seconds
        1.0 / 1440,  5.0 / 1440,  10.0 / 1440,  15.0 / 1440,  30.0 / 1440,      // minutes
        1.0 / 24,    2.0 / 24,    6.0 / 24,     12.0 / 24,                      // hours
        1, 2, 3, 7, 15, 30, 60, 90, 120, 182, 365,                              // days
    };
    if (code < 0 || code >= static_cast<int>(std::size(steps)))
        fail(9, QStringLiteral("Subscript out of range"));
    return steps[code];
}

void Chart::reset()
{
    m_drawnFrom.clear();
    m_userView = false;
    m_drag = Drag::None;
    if (m_band)
        m_band->hide();
    m_note->setText(QString());
    m_bottom->m_increment = 0;
}

void Chart::loadPending()
{
    // Series bound to the same rows and X field share one reading of X.
    std::map<std::pair<store::Recordset*, QString>, std::vector<ChartSeries*>> groups;
    for (auto& s : m_series) {
        if (s->m_pending && s->m_source && !s->m_xField.isEmpty() && !s->m_yField.isEmpty())
            groups[{s->m_source, s->m_xField.toLower()}].push_back(s.get());
    }
    for (auto& [key, list] : groups) {
        for (ChartSeries* s : list)
            s->m_pending = false;
        store::Recordset& rs = *key.first;
        const int xi = rs.fieldIndex(key.second);
        if (xi < 0)
            fail(store::err::NoSuchField, QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
        std::vector<int> yi;
        std::vector<int> required;
        for (ChartSeries* s : list) {
            const int i = rs.fieldIndex(s->m_yField);
            if (i < 0)
                fail(store::err::NoSuchField, QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
            yi.push_back(i);
            required.push_back(s->m_requiredField.isEmpty() ? -1 : rs.fieldIndex(s->m_requiredField));
        }
        auto present = [&](int i) {
            if (i < 0)
                return true;
            const QVariant v = rs.value(i);
            return !v.isNull() && !(v.metaType().id() == QMetaType::QString && v.toString().isEmpty());
        };
        const int rows = rs.recordCount();
        std::vector<QVector<QCPGraphData>> data(list.size());
        for (auto& d : data)
            d.reserve(rows);
        const store::ColType xType = rs.fieldType(xi);
        const bool dated = xType == store::ColType::Date || xType == store::ColType::DateTime
            || xType == store::ColType::Time;
        // Numbers and dates are read straight from the row; only a number
        // stored as text goes through the general conversion.
        auto xOf = [&](double& x) {
            if (const auto v = rs.serial(xi)) {
                x = dated ? std::round((*v - kUnixEpochSerial) * kSecondsPerDay * 1000.0) / 1000.0 : *v;
                return std::isfinite(x);
            }
            return keyOf(rs.value(xi), x);
        };
        auto yOf = [&](int i, double& y) {
            if (const auto v = rs.serial(i)) {
                y = *v;
                return std::isfinite(y);
            }
            return valueOf(rs.value(i), y);
        };
        if (rows > 0) {
            const int was = rs.absolutePosition();
            rs.moveFirst();
            while (!rs.eof()) {
                double x = 0;
                if (xOf(x)) {
                    for (size_t k = 0; k < list.size(); ++k) {
                        double y = 0;
                        if (present(required[k]) && yOf(yi[k], y))
                            data[k].push_back(QCPGraphData(x, y));
                    }
                }
                rs.moveNext();
            }
            if (was > 0)
                rs.setAbsolutePosition(was);
        }
        for (size_t k = 0; k < list.size(); ++k) {
            list[k]->m_graph->data()->set(data[k], false);
            list[k]->pointsChanged();
        }
    }
}

void Chart::rebuildLegend()
{
    QCPLegend* legend = m_plot->legend;
    legend->clearItems();
    for (auto& s : m_series) {
        if (s->m_active)
            legend->addItem(new CheckLegendItem(legend, s->m_graph, s->m_index, !s->m_userHidden));
    }
    for (QCPGraph* g : m_levelLegendGraphs)
        legend->addItem(new QCPPlottableLegendItem(legend, g));
}

std::vector<int> Chart::legendSeries() const
{
    std::vector<int> out;
    for (int i = 0; i < m_plot->legend->itemCount(); ++i) {
        if (auto* item = dynamic_cast<CheckLegendItem*>(m_plot->legend->item(i)))
            out.push_back(item->series());
    }
    return out;
}

QString Chart::legendTitle() const
{
    return m_legendTitle->text();
}

void Chart::applyAxes()
{
    // The layout decides the pixel lengths the label spacing depends on.
    m_plot->plotLayout()->update(QCPLayoutElement::upPreparation);
    m_plot->plotLayout()->update(QCPLayoutElement::upMargins);
    m_plot->plotLayout()->update(QCPLayoutElement::upLayout);
    m_left->apply();
    m_bottom->apply();
}

// A marker on every point where the points on screen are few enough to
// tell apart (no more than one per marker width across the plot); where
// they are denser the markers would only merge into a band, and the line is
// drawn alone. Judged on the visible range at every redraw, so a zoom
// brings the markers back.
void Chart::thinMarkers()
{
    const int width = std::max(1, m_plot->axisRect()->width());
    const QCPRange keys = m_plot->xAxis->range();
    for (auto& s : m_series) {
        auto* g = static_cast<SeriesGraph*>(s->m_graph);
        if (!g->visible() || g->data()->isEmpty())
            continue;
        const auto begin = g->data()->findBegin(keys.lower, true);
        const auto end = g->data()->findEnd(keys.upper, true);
        const double shown = double(end - begin);
        const double room = std::max(1.0, width / kMarkerSize);
        g->showMarkers(shown <= room);
    }
}

void Chart::refresh()
{
    loadPending();
    applyAxes();
    redrawLater();
}

void Chart::redrawLater()
{
    if (m_redrawPending)
        return;
    m_redrawPending = true;
    // A posted call comes before the window's paint, which Qt posts at a
    // lower priority: what is painted is the new drawing.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_redrawPending)
                m_plot->replot();
        },
        Qt::QueuedConnection);
}

void Chart::undoZoom()
{
    m_userView = false;
    applyAxes();
    m_plot->replot();
}

bool Chart::exportJpeg(const QString& path)
{
    try {
        loadPending();
    } catch (...) {
        // What could not be read is simply not in the picture.
    }
    applyAxes();
    m_plot->replot();
    return m_plot->saveJpg(path);
}

bool Chart::print(QPrinter& printer)
{
    try {
        loadPending();
    } catch (...) {
    }
    applyAxes();
    QCPPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const int w = std::max(1, m_plot->width());
    const int h = std::max(1, m_plot->height());
    const double scale = std::min(page.width() / double(w), page.height() / double(h));
    painter.scale(scale, scale);
    m_plot->toPainter(&painter, w, h);
    return painter.end();
}

void Chart::show()
{
    m_plot->show();
}

void Chart::hide()
{
    m_plot->hide();
}

void Chart::focus()
{
    m_plot->setFocus();
}

bool Chart::asDrawn() const
{
    if (m_userView || m_redrawPending || m_drag != Drag::None || !m_note->text().isEmpty())
        return false;
    for (const auto& s : m_series)
        if (s->m_userHidden)
            return false;
    return true;
}

QString Chart::annotation() const
{
    return m_note->text();
}

QPointF Chart::pixelOf(int series, int pointIndex) const
{
    const ChartSeries& s = this->series(series);
    const QPointF v = s.point(pointIndex);
    return s.m_graph->coordsToPixels(v.x(), v.y());
}

void Chart::onMousePress(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const QPoint pos = e->position().toPoint();
    m_pressPos = m_lastPos = pos;
    // Inside the plot a drag always zooms, however near an axis it starts:
    // an axis's grip reaches a few pixels into the plot, and a rectangle
    // begun there must not scroll instead. Only the axis itself scrolls.
    const QRect plotArea = m_plot->axisRect()->rect();
    if (plotArea.adjusted(1, 1, -1, -1).contains(pos))
        m_drag = Drag::Band;
    else if (m_plot->yAxis->getPartAt(pos) != QCPAxis::spNone)
        m_drag = Drag::LeftAxis;
    else if (m_plot->xAxis->getPartAt(pos) != QCPAxis::spNone)
        m_drag = Drag::BottomAxis;
    else if (plotArea.contains(pos))
        m_drag = Drag::Band;
    else
        m_drag = Drag::None;
}

void Chart::onMouseMove(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    switch (m_drag) {
    case Drag::None:
        return;
    case Drag::LeftAxis:
    case Drag::BottomAxis: {
        QCPAxis* a = m_drag == Drag::LeftAxis ? m_plot->yAxis : m_plot->xAxis;
        const double from = m_drag == Drag::LeftAxis ? m_lastPos.y() : m_lastPos.x();
        const double to = m_drag == Drag::LeftAxis ? pos.y() : pos.x();
        a->moveRange(a->pixelToCoord(from) - a->pixelToCoord(to));
        m_userView = true;
        applyAxes();
        m_plot->replot(QCustomPlot::rpQueuedReplot);
        break;
    }
    case Drag::Band:
        if ((pos - m_pressPos).manhattanLength() > kClickSlack) {
            if (!m_band)
                m_band = new QRubberBand(QRubberBand::Rectangle, m_plot);
            m_band->setGeometry(QRect(m_pressPos, pos).normalized());
            m_band->show();
        }
        break;
    }
    m_lastPos = pos;
}

void Chart::onMouseRelease(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const Drag drag = m_drag;
    m_drag = Drag::None;
    if (m_band)
        m_band->hide();
    if (drag != Drag::Band || (pos - m_pressPos).manhattanLength() <= kClickSlack)
        return;
    if (pos.x() > m_pressPos.x()) {
        // Left to right: zoom into the rectangle.
        if (std::abs(pos.x() - m_pressPos.x()) <= kClickSlack || std::abs(pos.y() - m_pressPos.y()) <= kClickSlack)
            return;
        QCPAxis* x = m_plot->xAxis;
        QCPAxis* y = m_plot->yAxis;
        x->setRange(x->pixelToCoord(m_pressPos.x()), x->pixelToCoord(pos.x()));
        y->setRange(y->pixelToCoord(m_pressPos.y()), y->pixelToCoord(pos.y()));
        m_userView = true;
        applyAxes();
        m_plot->replot();
    } else {
        // Right to left: back to the chart as drawn.
        undoZoom();
    }
}

void Chart::onPlottableClick(QCPAbstractPlottable* p, int dataIndex, QMouseEvent*)
{
    for (auto& s : m_series) {
        if (s->m_graph != p || !s->shown())
            continue;
        if (dataIndex < 0 || dataIndex >= s->m_graph->data()->size())
            return;
        const auto it = s->m_graph->data()->at(dataIndex);
        QString where;
        if (m_kind == ChartKind::Time) {
            where = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(it->key * 1000.0)), Qt::UTC)
                        .toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        } else {
            where = numberText(it->key) + QStringLiteral(" m");
        }
        m_note->setText(s->m_title + QStringLiteral(":   ") + where + QStringLiteral("   ") + numberText(it->value));
        m_plot->replot();
        return;
    }
}

void Chart::onLegendClick(QCPLegend*, QCPAbstractLegendItem* item, QMouseEvent* e)
{
    if (e && e->button() != Qt::LeftButton)
        return;
    auto* check = dynamic_cast<CheckLegendItem*>(item);
    if (!check)
        return;
    ChartSeries& s = series(check->series());
    // The legend is rebuilt below, which deletes `item`; let the click
    // finish first.
    const bool hide = !s.m_userHidden;
    QMetaObject::invokeMethod(this, [this, idx = check->series(), hide] { series(idx).setUserHidden(hide); },
                              Qt::QueuedConnection);
}

// ---------------------------------------------------------------- trigger levels

namespace {

// The line with the largest value that |y| reaches; -1 when none.
int highestLevel(const std::vector<LevelLine>& levels, double y)
{
    int best = -1;
    for (size_t k = 0; k < levels.size(); ++k)
        if (calc::reaches(y, levels[k].value) && (best < 0 || levels[k].value >= levels[size_t(best)].value))
            best = int(k);
    return best;
}

} // namespace

void Chart::setLevelLines(const std::vector<LevelLine>& lines, bool markPoints)
{
    for (QCPAbstractItem* item : m_levelItems)
        m_plot->removeItem(item);
    m_levelItems.clear();
    for (QCPGraph* g : m_levelLegendGraphs)
        m_plot->removeGraph(g);
    m_levelLegendGraphs.clear();
    for (QCPGraph* g : m_levelMarkGraphs)
        m_plot->removeGraph(g);
    m_levelMarkGraphs.clear();
    m_levels = lines;
    m_markPoints = markPoints;

    // Under the series, so that a click on a point still finds its series.
    const QString layerName = QStringLiteral("levels");
    if (!m_plot->layer(layerName))
        m_plot->addLayer(layerName, m_plot->layer(QStringLiteral("grid")), QCustomPlot::limAbove);
    QCPLayer* layer = m_plot->layer(layerName);
    for (const LevelLine& l : m_levels) {
        const QPen pen(l.colour, 2, Qt::DashLine);
        for (double y : {l.value, -l.value}) {
            auto* line = new QCPItemStraightLine(m_plot);
            line->setLayer(layer);
            line->setSelectable(false);
            line->setPen(pen);
            line->point1->setCoords(0, y);
            line->point2->setCoords(1, y);
            m_levelItems.push_back(line);
        }
        QCPGraph* legendGraph = m_plot->addGraph(m_plot->xAxis, m_plot->yAxis);
        legendGraph->setLayer(layer);
        legendGraph->setPen(pen);
        legendGraph->setName(l.title);
        legendGraph->setSelectable(QCP::stNone);
        m_levelLegendGraphs.push_back(legendGraph);
        QCPGraph* marks = m_plot->addGraph(m_plot->xAxis, m_plot->yAxis);
        marks->setLayer(layer);
        marks->setLineStyle(QCPGraph::lsNone);
        marks->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, l.colour, l.colour, 12));
        marks->setSelectable(QCP::stNone);
        m_levelMarkGraphs.push_back(marks);
    }
    rebuildLegend();
}

QStringList Chart::levelLegend() const
{
    QStringList out;
    for (const LevelLine& l : m_levels)
        out << l.title;
    return out;
}

void Chart::updateLevelMarks()
{
    std::vector<QVector<QCPGraphData>> marks(m_levelMarkGraphs.size());
    if (m_markPoints && !m_levels.empty()) {
        for (const auto& s : m_series) {
            if (s->m_index == 0 || !s->shown())
                continue;
            for (auto it = s->m_graph->data()->constBegin(); it != s->m_graph->data()->constEnd(); ++it) {
                const int best = highestLevel(m_levels, it->value);
                if (best >= 0)
                    marks[size_t(best)].push_back(*it);
            }
        }
    }
    for (size_t k = 0; k < m_levelMarkGraphs.size(); ++k)
        m_levelMarkGraphs[k]->data()->set(marks[k], false);
}

std::vector<Chart::PointMark> Chart::pointMarks() const
{
    std::vector<PointMark> out;
    if (!m_markPoints)
        return out;
    for (const auto& s : m_series) {
        if (s->m_index == 0 || !s->shown())
            continue;
        int i = 0;
        for (auto it = s->m_graph->data()->constBegin(); it != s->m_graph->data()->constEnd(); ++it, ++i) {
            const int best = highestLevel(m_levels, it->value);
            if (best >= 0)
                out.push_back(PointMark{s->m_index, i, m_levels[size_t(best)].colour});
        }
    }
    return out;
}

} // namespace rv::graphs
