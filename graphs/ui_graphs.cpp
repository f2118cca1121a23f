#include "graphs/ui_graphs.h"

#include "calc/bands.h"
#include "common/format.h"
#include "common/log.h"
#include "common/numbers.h"
#include "graphs/graph_data.h"
#include "sensors/trigger_levels.h"
#include "ui/ui_chart.h"
#include "store/dberror.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

namespace rv::graphs {

namespace {

[[noreturn]] void fail(int number, const QString& description)
{
    throw store::DbError(number, description);
}

[[noreturn]] void typeMismatch()
{
    fail(store::err::TypeMismatch, QStringLiteral("Type mismatch"));
}

[[noreturn]] void subscriptOutOfRange()
{
    fail(9, QStringLiteral("Subscript out of range"));
}

// Element k of a control array, as the drawing reads it: an index past the
// array is an error.
QLineEdit* element(QLineEdit* const* boxes, int size, int k)
{
    if (k < 1 || k >= size || !boxes[k])
        subscriptOutOfRange();
    return boxes[k];
}

// A box or preference read as a number: an empty or non-numeric text is an
// error.
double number(const QString& text)
{
    const auto v = toNumber(text);
    if (!v)
        typeMismatch();
    return *v;
}

// A text made a whole number the way the classic runtime does it (the
// leading number, a half to the even neighbour).
int wholeNumber(double v)
{
    const double r = Round(v, 0);
    if (!(std::abs(r) <= 32767))
        fail(6, QStringLiteral("Overflow"));
    return static_cast<int>(r);
}

// A numeric field of the current row; null is an error.
double fieldNumber(const store::Recordset& rs, const QString& field)
{
    const QVariant v = rs.value(field);
    if (v.isNull())
        fail(store::err::InvalidUse, QStringLiteral("Invalid use of Null"));
    if (v.metaType().id() == QMetaType::QString)
        return number(v.toString());
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        typeMismatch();
    return d;
}

QDate dateOf(const QVariant& v)
{
    if (v.isNull())
        fail(store::err::InvalidUse, QStringLiteral("Invalid use of Null"));
    const QDate d = v.metaType().id() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
    if (!d.isValid())
        typeMismatch();
    return d;
}

QDate fieldDate(const store::Recordset& rs, const QString& field)
{
    return dateOf(rs.value(field));
}

Chart& chartOf(QCustomPlot* plot)
{
    Chart* c = Chart::of(plot);
    if (!c)
        fail(91, QStringLiteral("Object variable or With block variable not set"));
    return *c;
}

QString header(const AppState& st)
{
    return st.prefs.MineID + st.rsSensors.text(QStringLiteral("InstrumentID"));
}

// The current sensor's trigger levels of one quantity as chart lines, named
// after the level and its value ("Alarm 20 tonnes"); none when they cannot
// be read.
std::vector<LevelLine> levelLines(MainContext& c, calc::Quantity q)
{
    std::vector<LevelLine> out;
    attempt([&] {
        const AppState& st = c.st;
        const sensors::LevelsInForce inForce = sensors::levelsInForce(
            *st.conn, st.rsSensors.text(QStringLiteral("InstrumentID")), st.rsSensors.text(QStringLiteral("SensorType")));
        const QString unit = q == calc::Quantity::Load ? st.rsConfig.text(QStringLiteral("Units1")) : QStringLiteral("mm");
        for (int n = 1; n <= calc::kLevelCount; ++n) {
            const calc::TriggerLevel& l = inForce.levels.of(q).level[size_t(n)];
            if (!l.value)
                continue;
            const QString name = l.name.isEmpty() ? calc::defaultLevelName(n) : l.name;
            out.push_back(LevelLine{name + u' ' + numberText(*l.value) + (unit.isEmpty() ? QString() : u' ' + unit),
                                    *l.value, QColor(l.colour)});
        }
    });
    return out;
}

// ------------------------------------------------------------ time graphs

struct TimeGraph {
    QCustomPlot* plot;
    QString countField;        // NumChannels or NumNodes
    QLineEdit* const* boxes;   // txtRelSGCenter or txtRelSGanchor
    int boxCount;              // elements including the unused 0
    QString yPrefix;           // "zero" or "Disp"
    bool loadTitle;            // the left axis title comes from the type
};

QLineEdit* box(const TimeGraph& g, int k)
{
    return element(g.boxes, g.boxCount, k);
}

QString& seriesTitle(AppState& st, int k)
{
    if (k < 0 || k >= static_cast<int>(st.SeriesTitle.size()))
        subscriptOutOfRange();
    return st.SeriesTitle[static_cast<size_t>(k)];
}

// The line titles of a time graph, kept in the state for the drawing and
// whatever reads them after it. A position not entered names the line by
// its channel or node rather than by a bare " m".
void setSeriesTitles(MainContext& c, const TimeGraph& g, int n)
{
    for (int k = 1; k <= n; ++k)
        attempt([&] {
            const QString at = box(g, k)->text();
            seriesTitle(c.st, k) = !at.trimmed().isEmpty() ? at + QStringLiteral(" m")
                : g.yPrefix == QStringLiteral("zero")      ? QStringLiteral("Channel %1").arg(k)
                                                           : QStringLiteral("Node %1").arg(k);
        });
}

// Every statement is tried on its own: a failing one leaves its setting as
// it was and the drawing goes on.
void drawTimeGraph(MainContext& c, const TimeGraph& g, const GraphLines* lines)
{
    AppState& st = c.st;
    Chart* chart = Chart::of(g.plot);
    if (!chart)
        return;
    Chart& ch = *chart;
    auto count = [&] {
        int n = 0;
        attempt([&] { n = wholeNumber(Val(st.rsConfig.text(g.countField))); });
        return n;
    };

    int n = count();
    setSeriesTitles(c, g, n);

    attempt([&] { ch.clearHeader(); });
    attempt([&] { ch.bottomAxis().setTitle(QString()); });
    attempt([&] { ch.addHeaderLine(header(st)); });

    for (int i = 0; i <= 10; ++i) {
        attempt([&] { ch.series(i).clear(); });
        attempt([&] { ch.series(i).setActive(false); });
    }
    attempt([&] { ch.reset(); });

    if (g.loadTitle)
        attempt([&] { ch.leftAxis().setTitle(st.rsConfig.text(QStringLiteral("TemporalYaxis"))); });

    QDate first, last;
    if (lines) {
        attempt([&] { last = dateOf(lines->lastDate); });
        attempt([&] { first = dateOf(lines->firstDate); });
    } else {
        attempt([&] { OpenGraphData(st, c.pr, GraphSelection::Temporal); });
        attempt([&] { st.rsGraph.moveLast(); });
        attempt([&] { last = fieldDate(st.rsGraph, QStringLiteral("ReadingDate")); });
        attempt([&] { st.rsGraph.moveFirst(); });
        attempt([&] { first = fieldDate(st.rsGraph, QStringLiteral("ReadingDate")); });
    }
    qint64 span = 0;
    attempt([&] {
        if (first.isValid() && last.isValid())
            span = first.daysTo(last);
    });

    attempt([&] { ch.leftAxis().setAutomatic(true); });
    // The pass's lines: X of every row, and the drawn fields' values. Only
    // the first ten series take X from the rows.
    auto line = [&](int series, int field, const QString& name) {
        if (series > 9)
            return;
        ch.series(series).setPoints(lines->x, lines->y[size_t(field)], QStringLiteral("fulldate"), name);
    };
    if (lines) {
        attempt([&] { line(0, 0, QStringLiteral("NumTemp")); });
    } else {
        for (int i = 0; i <= 9; ++i)
            attempt([&] { ch.series(i).bindX(st.rsGraph, QStringLiteral("fulldate")); });
        attempt([&] { ch.series(0).bindY(QStringLiteral("NumTemp")); });
    }
    attempt([&] { ch.series(0).setActive(true); });

    n = count();
    for (int k = 1; k <= n; ++k) {
        if (lines)
            attempt([&] { line(k, k, g.yPrefix + QString::number(k)); });
        else
            attempt([&] {
                ch.series(k).bindY(g.yPrefix + QString::number(k));
                // An emptied channel has no load, though its zero value is 0.
                if (g.loadTitle)
                    ch.series(k).skipRowsWithout(QStringLiteral("Channel") + QString::number(k));
            });
        attempt([&] { ch.series(k).setTitle(seriesTitle(st, k)); });
        attempt([&] { ch.series(k).setActive(true); });
    }
    for (int i = n + 1; i <= 10; ++i) {
        attempt([&] { ch.series(i).setActive(false); });
        attempt([&] { ch.series(i).clear(); });
    }

    // Left axis from the shown values, temperature included.
    attempt([&] { ch.leftAxis().setAutomatic(false); });
    double lo = 0, hi = 0;
    attempt([&] { lo = ch.leftAxis().minYValue(); });
    attempt([&] { hi = ch.leftAxis().maxYValue(); });
    attempt([&] { ch.leftAxis().setMinimum(calc::axisMinimum(lo)); });
    const calc::AxisBand band = calc::timeAxisBand(hi);
    attempt([&] { ch.leftAxis().setIncrement(band.increment); });
    attempt([&] { ch.leftAxis().setMaximum(band.maximum); });

    // Bottom axis by the span of the readings in days.
    if (span == 0 || span == 1) {
        attempt([&] { ch.bottomAxis().setIncrement(Chart::dateTimeStep(span == 0 ? 11 : 12)); });
        attempt([&] { ch.bottomAxis().setDateTimeFormat(QStringLiteral("hh:nn")); });
        attempt([&] { ch.bottomAxis().setTitle(Format(first, QStringLiteral("YYYY/MM/DD"))); });
    } else {
        attempt([&] { ch.bottomAxis().setDateTimeFormat(QStringLiteral("yyyy/mm/dd")); });
    }
    const calc::Quantity q = g.yPrefix == QStringLiteral("zero") ? calc::Quantity::Load : calc::Quantity::Disp;
    attempt([&] { ch.setLevelLines(levelLines(c, q), true); });
    attempt([&] { ch.refresh(); });
}

// ------------------------------------------------------------ length graphs

struct LengthGraph {
    QCustomPlot* plot;
    bool load;  // Load v Length: sections from zero1.., else nodes from Disp1..
};

void drawLengthGraph(MainContext& c, Chart& ch, const LengthGraph& g)
{
    AppState& st = c.st;
    MainUi& u = c.ui;
    store::Recordset& rs = st.rsGraph;

    ch.clearHeader();
    ch.addHeaderLine(header(st));
    if (g.load)
        ch.leftAxis().setTitle(st.rsConfig.text(QStringLiteral("TemporalYaxis")));

    OpenGraphData(st, c.pr, GraphSelection::Spatial);
    rs.moveFirst();

    for (int i = 0; i <= 15; ++i) {
        ch.series(i).clear();
        ch.series(i).setActive(false);
    }
    ch.reset();

    ch.leftAxis().setMaximum(number(st.prefs.MaxY));
    ch.leftAxis().setMinimum(number(st.prefs.MinY));
    ch.bottomAxis().setMinimum(0);

    // Only the last 15 readings fit the legend and the colours.
    const int rows = rs.recordCount();
    if (rows < 16) {
        u.lblW15->hide();
    } else {
        u.lblW15->show();
        rs.setAbsolutePosition(rows - 14);
    }
    const int n = std::min(rows, 15);

    const QVariant numNodesValue = st.rsConfig.value(QStringLiteral("numnodes"));
    auto numNodes = [&] {
        if (numNodesValue.isNull())
            fail(store::err::InvalidUse, QStringLiteral("Invalid use of Null"));
        return wholeNumber(numNodesValue.toDouble());
    };

    for (int j = 1; j <= n; ++j) {
        ChartSeries& s = ch.series(j);
        s.setActive(true);
        s.setTitle(Format(fieldDate(rs, QStringLiteral("ReadingDate")), QStringLiteral("YYYY/MM/DD")));
        if (g.load) {
            const bool collar = u.Option1->isChecked();
            const int nodes = numNodes();
            s.addXY(number(u.txtHead->text()), 0);
            if (!collar) {
                // The collar end: with a plate it carries the last section's load.
                const double z = fieldNumber(rs, QStringLiteral("zero") + QString::number(nodes - 1));
                s.addXY(0, u.chkPlate->isChecked() ? z : 0.0);
            }
            for (int k = 1; k <= nodes - 1; ++k)
                s.addXY(number(element(u.txtRelSGCenter, 6, k)->text()),
                        fieldNumber(rs, QStringLiteral("zero") + QString::number(k)));
            if (collar)
                s.addXY(number(u.txtLengthofCable->text()) + number(u.txtRecess->text()), 0);
        } else {
            const int nodes = numNodes();
            for (int k = 1; k <= nodes; ++k)
                s.addXY(number(element(u.txtRelSGanchor, 7, k)->text()),
                        fieldNumber(rs, QStringLiteral("Disp") + QString::number(k)));
        }
        ch.bottomAxis().setMinimum(0);
        ch.bottomAxis().setMaximum(calc::distanceAxisMaximum(s.maxXValue()));
        ch.leftAxis().setMaximum(s.maxYValue() * 1.1);
        rs.moveNext();
    }

    rs.moveLast();
    const double lo = ch.leftAxis().minYValue();
    const double m = ch.leftAxis().maxYValue();
    ch.leftAxis().setMinimum(calc::axisMinimum(lo));
    const calc::AxisBand band = calc::lengthAxisBand(m);
    ch.leftAxis().setIncrement(band.increment);
    ch.leftAxis().setMaximum(band.maximum);
}

void drawLength(MainContext& c, const LengthGraph& g, const QString& logName)
{
    Chart* ch = Chart::of(g.plot);
    if (!ch)
        return;
    attempt([&] { ch->setLevelLines(levelLines(c, g.load ? calc::Quantity::Load : calc::Quantity::Disp), false); });
    guarded(c.st.DataFolder, logName, [&] { drawLengthGraph(c, *ch, g); });
    // What was drawn before a failure stays on the chart.
    attempt([&] { ch->refresh(); });
}

// ------------------------------------------------------------ export, print, tips

struct PageChart {
    QCustomPlot* plot;
    QString file;
    QString exportHandler;
    QString printHandler;
};

PageChart pageChart(const MainUi& u, int page)
{
    switch (page) {
    case 3: return {u.ChartT, QStringLiteral("Temporal.jpg"), QStringLiteral("cmdTemp_Click"), QStringLiteral("imgPrintT_Click")};
    case 4: return {u.ChartT2, QStringLiteral("Rate.jpg"), QStringLiteral("cmdRate_Click"), QStringLiteral("mgPrintR_Click")};
    case 5: return {u.ChartS, QStringLiteral("Spatial.jpg"), QStringLiteral("cmdSpat_Click"), QStringLiteral("imgPrintS_Click")};
    case 6: return {u.ChartDvL, QStringLiteral("DvL.jpg"), QStringLiteral("cmdDvl_Click"), QString()};
    default: return {nullptr, QString(), QString(), QString()};
    }
}

// Saves the chart of a page; a failure is logged and told, never fatal.
bool saveChart(MainContext& c, int page, const QString& logName)
{
    const PageChart pc = pageChart(c.ui, page);
    const QString path = chartPicturePath(c.st, page);
    Chart* ch = Chart::of(pc.plot);
    if (ch && ch->exportJpeg(path))
        return true;
    writeLog(c.st.DataFolder, errorText(75, QStringLiteral("Path/File access error: ") + path, logName));
    c.pr.message(QStringLiteral("The graph could not be saved as ") + path + QStringLiteral(".\n\n")
                     + QStringLiteral("If the picture is open in another program, close it and try again."),
                 MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
    return false;
}

void exportAndOpen(MainContext& c, int page)
{
    if (!saveChart(c, page, pageChart(c.ui, page).exportHandler))
        return;
    const QString path = chartPicturePath(c.st, page);
    if (!c.pr.openWithDesktop(path))
        c.pr.message(QStringLiteral("No picture viewer could be found to open the graph.\nThe graph was saved as:\n")
                         + path,
                     MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
}

void printPage(MainContext& c, int page)
{
    const PageChart pc = pageChart(c.ui, page);
    Chart* ch = Chart::of(pc.plot);
    if (!ch)
        return;
    QPrinter printer;
    if (!c.pr.choosePrinter(printer, QStringLiteral("Print")))
        return;
    bool ok = false;
    try {
        ok = ch->print(printer);
    } catch (...) {
        ok = false;
    }
    if (ok)
        return;
    writeLog(c.st.DataFolder, errorText(482, QStringLiteral("Printer error"), pc.printHandler));
    c.pr.message(QStringLiteral("The graph could not be printed.\n\nCheck the printer and try again."),
                 MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
}

void showTips(MainContext& c)
{
    c.pr.message(QStringLiteral("1) To scroll graph hold down the left mouse button over an axis and drag to desired range\n"
                                "2) Explanation of zooming (diagonal left to right zooms in, right to left zooms out)\n"
                                "3) Click on a series in the graph to see raw data in lower annotation\n"
                                "4) Uncheck a series in the legend to hide, check series to show"),
                 MsgIcon::None, MsgButtons::Ok, QStringLiteral("Graphing Tips and Hints"));
}

} // namespace

namespace {

TimeGraph timeGraph(const MainUi& u, int page)
{
    if (page == 3)
        return {u.ChartT, QStringLiteral("NumChannels"), u.txtRelSGCenter, 6, QStringLiteral("zero"), true};
    return {u.ChartT2, QStringLiteral("NumNodes"), u.txtRelSGanchor, 7, QStringLiteral("Disp"), false};
}

// The lines a drawing can use: made by the right pass for it, and covering
// every series it will draw (a field the table does not have is left to the
// drawing's own reading, which fails as it always has).
const GraphLines* usable(MainContext& c, const GraphLines* lines, bool displacement, const QString& countField)
{
    if (!lines || !lines->ready || lines->displacement != displacement)
        return nullptr;
    int n = 0;
    try {
        n = wholeNumber(Val(c.st.rsConfig.text(countField)));
    } catch (...) {
        return lines;
    }
    return n < (displacement ? 7 : GraphLines::kFields) && n <= lines->wanted ? lines : nullptr;
}

// The number of lines a time graph draws besides the temperature, as the
// drawing will read it; all when it cannot be read.
int drawnLines(MainContext& c, int page)
{
    int n = GraphLines::kFields - 1;
    attempt([&] {
        n = wholeNumber(Val(c.st.rsConfig.text(page == 3 ? QStringLiteral("NumChannels") : QStringLiteral("NumNodes"))));
    });
    return std::clamp(n, 0, GraphLines::kFields - 1);
}

} // namespace

void DrawTgraph(MainContext& c, const GraphLines* lines)
{
    drawTimeGraph(c, timeGraph(c.ui, 3), usable(c, lines, false, QStringLiteral("NumChannels")));
}

void DrawRgraph(MainContext& c, const GraphLines* lines)
{
    drawTimeGraph(c, timeGraph(c.ui, 4), usable(c, lines, true, QStringLiteral("NumNodes")));
}

void DrawSgraph(MainContext& c)
{
    drawLength(c, {c.ui.ChartS, true}, QStringLiteral("G_DrawSgraph"));
}

void DrawDvLgraph(MainContext& c)
{
    drawLength(c, {c.ui.ChartDvL, false}, QStringLiteral("G_DrawDvLgraph"));
}

NodeGeometry nodeGeometry(const MainContext& c)
{
    NodeGeometry g;
    g.headAtCollar = c.ui.Option1 && c.ui.Option1->isChecked();
    attempt([&] { g.numChannels = wholeNumber(Val(c.st.rsConfig.text(QStringLiteral("NumChannels")))); });
    for (int k = 1; k <= 6; ++k) {
        if (c.ui.txtRelSGanchor[k])
            g.relAnchor[static_cast<size_t>(k)] = c.ui.txtRelSGanchor[k]->text();
    }
    return g;
}

namespace {

// Everything a time graph page's pass and drawing read, besides the chart
// itself: the file as it stands (stored values, the selection, the zero
// reading, trigger levels), the sensor, and the settings and boxes of the
// window they use. Empty when the file cannot tell whether it changed.
QByteArray timeDrawingKey(MainContext& c, int page)
{
    if (!c.st.conn)
        return {};
    std::optional<store::Connection::FileStamp> stamp;
    attempt([&] { stamp = c.st.conn->fileStamp(); });
    if (!stamp)
        return {};
    QStringList parts{QString::number(page), QString::number(stamp->opened), QString::number(stamp->changes),
                      QString::number(stamp->dataVersion), QString::number(stamp->schemaVersion),
                      c.st.prefs.MineID};
    auto text = [&](const store::Recordset& rs, const QString& field) {
        QString t = QStringLiteral("\x01");  // unreadable
        attempt([&] {
            const QVariant v = rs.value(field);
            t = v.isNull() ? QStringLiteral("\x02") : v.toString();
        });
        parts << t;
    };
    for (const char* f : {"InstrumentID", "SensorType"})
        text(c.st.rsSensors, QLatin1String(f));
    for (const char* f : {"NumChannels", "NumNodes", "TemporalYaxis", "Units1"})
        text(c.st.rsConfig, QLatin1String(f));
    const MainUi& u = c.ui;
    parts << QString::number(u.Option1 && u.Option1->isChecked());
    for (int k = 0; k < 6; ++k)
        parts << (u.txtRelSGCenter[k] ? u.txtRelSGCenter[k]->text() : QStringLiteral("\x03"));
    for (int k = 0; k < 7; ++k)
        parts << (u.txtRelSGanchor[k] ? u.txtRelSGanchor[k]->text() : QStringLiteral("\x03"));
    return parts.join(QChar(0x1f)).toUtf8();
}

} // namespace

void drawGraphPage(MainContext& c, int page)
{
    const PageChart pc = pageChart(c.ui, page);
    if (!pc.plot)
        return;
    Chart* chart = Chart::of(pc.plot);
    if ((page == 3 || page == 4) && chart && chart->asDrawn() && !chart->drawnFrom().isEmpty()
        && chart->drawnFrom() == timeDrawingKey(c, page)) {
        // Nothing the chart was drawn from has changed: the pass, whose
        // note of current values still holds in the unchanged file, only
        // takes the zero reading's offsets, and the chart stands as drawn.
        if (page == 3)
            attempt([&] { GetTemporalData(c.st, c.pr); });
        else
            attempt([&] { GetDispData(c.st, c.pr, nodeGeometry(c)); });
        if (chart->drawnFrom() == timeDrawingKey(c, page)) {
            const TimeGraph g = timeGraph(c.ui, page);
            int n = 0;
            attempt([&] { n = wholeNumber(Val(c.st.rsConfig.text(g.countField))); });
            setSeriesTitles(c, g, n);
            attempt([&] { pc.plot->show(); });
            return;
        }
    }
    GraphLines lines;
    if (page == 3 || page == 4)
        lines.wanted = drawnLines(c, page);
    switch (page) {
    case 3: attempt([&] { GetTemporalData(c.st, c.pr, &lines); }); break;
    case 4: attempt([&] { GetDispData(c.st, c.pr, nodeGeometry(c), &lines); }); break;
    case 5: attempt([&] { GetSpatialData(c.st, c.pr); }); break;
    case 6: attempt([&] { GetSDispData(c.st, c.pr, nodeGeometry(c)); }); break;
    }
    attempt([&] { pc.plot->show(); });
    switch (page) {
    case 3: DrawTgraph(c, &lines); break;
    case 4: DrawRgraph(c, &lines); break;
    case 5: DrawSgraph(c); break;
    case 6: DrawDvLgraph(c); break;
    }
    // Drawn from the lines of a pass that ran to the end: the chart may
    // stand while nothing it was drawn from changes.
    if ((page == 3 || page == 4) && chart
        && usable(c, &lines, page == 4, page == 3 ? QStringLiteral("NumChannels") : QStringLiteral("NumNodes")))
        chart->setDrawnFrom(timeDrawingKey(c, page));
}

QString chartPicturePath(const AppState& st, int page)
{
    static const QString names[] = {QStringLiteral("Temporal.jpg"), QStringLiteral("Rate.jpg"),
                                    QStringLiteral("Spatial.jpg"), QStringLiteral("DvL.jpg")};
    if (page < 3 || page > 6)
        return QString();
    return st.DataFolder + QLatin1Char('/') + names[page - 3];
}

bool exportChartJpeg(MainContext& c, int page, QString* path)
{
    if (path)
        *path = chartPicturePath(c.st, page);
    if (page < 3 || page > 6 || !c.ui.SSTab1)
        return false;
    if (c.ui.SSTab1->currentIndex() == page)
        drawGraphPage(c, page);
    else
        c.ui.SSTab1->setCurrentIndex(page);
    // A page with fewer than two readings to plot sends the user back to
    // the page before it; its chart would still show some earlier drawing.
    if (c.ui.SSTab1->currentIndex() != page)
        return false;
    return saveChart(c, page, QStringLiteral("G_exportChartJpeg"));
}

void wireGraphPages(MainContext& c, QObject* owner)
{
    MainUi& u = c.ui;
    MainContext* ctx = &c;
    auto on = [owner](auto* sender, auto signal, auto f) {
        if (sender)
            QObject::connect(sender, signal, owner, f);
    };
    on(u.cmdTemp, &QPushButton::clicked, [ctx] { exportAndOpen(*ctx, 3); });
    on(u.cmdRate, &QPushButton::clicked, [ctx] { exportAndOpen(*ctx, 4); });
    on(u.cmdSpat, &QPushButton::clicked, [ctx] { exportAndOpen(*ctx, 5); });
    on(u.cmdDvl, &QPushButton::clicked, [ctx] { exportAndOpen(*ctx, 6); });
    on(u.imgPrintT, &QToolButton::clicked, [ctx] { printPage(*ctx, 3); });
    on(u.mgPrintR, &QToolButton::clicked, [ctx] { printPage(*ctx, 4); });
    on(u.imgPrintS, &QToolButton::clicked, [ctx] { printPage(*ctx, 5); });
    on(u.cmdTHelp, &QPushButton::clicked, [ctx] { showTips(*ctx); });
}

} // namespace rv::graphs
