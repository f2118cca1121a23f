// Load v Time and Disp v Time, entered through the page control of the real
// main window, and what the user can do on a time chart.
#include "graph_test.h"
#include "graphs/ui_graphs.h"

#include <sqlite3.h>

using namespace rv;
using namespace rv::test;
using graphs::Chart;

namespace {

std::vector<QString> legendTitles(Chart& c)
{
    std::vector<QString> out;
    for (int i : c.legendSeries())
        out.push_back(c.series(i).title());
    return out;
}

} // namespace

class TimeGraphs : public GraphTest {
protected:
    void SetUp() override { ASSERT_TRUE(start()); }
};

TEST_F(TimeGraphs, LoadVTimeOfAFiveChannelSensor)
{
    setUpSensor("250065001");
    store("2026/01/05 08:00:00", {0, 0, 0, 0, 0, 0}, 10.0);
    store("2026/01/12 08:00:00", {0, 1.5, 2.25, -0.456, 4, 5}, 11.0);
    store("2026/01/19 08:00:00", {0, 3, 4.5, -0.2, 8, 12.3}, 12.0);
    // Not flagged for the time graphs: neither drawn nor counted.
    store("2026/01/20 08:00:00", {0, 99, 99, 99, 99, 99}, 99.0, false, true);
    page(3);

    EXPECT_TRUE(pr.messages().empty());
    Chart& c = chart("ChartT");
    EXPECT_TRUE(w<QWidget>("ChartT")->isVisible());
    EXPECT_EQ(c.headerLines(), QStringList{"RV250065001"});
    EXPECT_EQ(legendTitles(c), (std::vector<QString>{"Temp (C)", "2.00 m", "3.00 m", "4.00 m", "5.00 m", "6.00 m"}));
    EXPECT_EQ(st->SeriesTitle[1], "2.00 m");
    EXPECT_EQ(st->SeriesTitle[5], "6.00 m");
    for (int i = 6; i <= 10; ++i) {
        EXPECT_FALSE(c.series(i).active()) << i;
        EXPECT_EQ(c.series(i).count(), 0) << i;
    }
    EXPECT_EQ(c.legendTitle(), "Node Locations:");

    // Each line runs through its channel's values at the readings' times.
    EXPECT_TRUE(near(c.series(5).point(2), QPointF(key("2026/01/19 08:00:00"), 12.3)));
    EXPECT_TRUE(near(c.series(3).point(1), QPointF(key("2026/01/12 08:00:00"), -0.456)));
    EXPECT_TRUE(near(c.series(0).point(0), QPointF(key("2026/01/05 08:00:00"), 10.0)));
    EXPECT_EQ(c.series(1).count(), 3);

    // Values between -0.456 and 12.3: from -0.46 to 13 in steps of 1.
    EXPECT_EQ(c.leftAxis().title(), "Load (tonnes)");
    EXPECT_FALSE(c.leftAxis().automatic());
    EXPECT_DOUBLE_EQ(c.leftAxis().minimum(), -0.46);
    EXPECT_DOUBLE_EQ(c.leftAxis().maximum(), 13);
    EXPECT_DOUBLE_EQ(c.leftAxis().increment(), 1);
    EXPECT_DOUBLE_EQ(c.leftAxis().visibleLower(), -0.46);
    EXPECT_DOUBLE_EQ(c.leftAxis().visibleUpper(), 13);

    // Two weeks of readings: dates on the labels, no axis title.
    EXPECT_EQ(c.bottomAxis().dateTimeFormat(), "yyyy/mm/dd");
    EXPECT_EQ(c.bottomAxis().title(), "");
    EXPECT_DOUBLE_EQ(c.bottomAxis().increment(), 0);
    EXPECT_DOUBLE_EQ(c.bottomAxis().visibleLower(), key("2026/01/05 08:00:00"));
    EXPECT_DOUBLE_EQ(c.bottomAxis().visibleUpper(), key("2026/01/19 08:00:00"));
}

TEST_F(TimeGraphs, BottomAxisFollowsTheSpanOfTheReadings)
{
    setUpSensor("250065001");
    store("2026/03/14 06:00:00", {0, 0, 0, 0, 0, 0}, 0);
    store("2026/03/14 18:30:00", {0, 0.5, 0.2, 0.1, 0, 0.05}, 0);
    page(3);
    Chart& c = chart("ChartT");
    // One day: hours and minutes, two-hour steps, the date as axis title.
    EXPECT_EQ(c.bottomAxis().dateTimeFormat(), "hh:nn");
    EXPECT_DOUBLE_EQ(c.bottomAxis().increment(), 2.0 / 24);
    EXPECT_EQ(c.bottomAxis().title(), "2026/03/14");
    // Largest value 0.5: steps of 0.1 up to 1.
    EXPECT_DOUBLE_EQ(c.leftAxis().increment(), 0.1);
    EXPECT_DOUBLE_EQ(c.leftAxis().maximum(), 1);
    EXPECT_DOUBLE_EQ(c.leftAxis().minimum(), 0);

    store("2026/03/15 07:00:00", {0, 45, 0, 0, 0, 0}, 0);
    page(0);
    page(3);
    // Two consecutive dates: six-hour steps.
    EXPECT_EQ(c.bottomAxis().dateTimeFormat(), "hh:nn");
    EXPECT_DOUBLE_EQ(c.bottomAxis().increment(), 6.0 / 24);
    EXPECT_EQ(c.bottomAxis().title(), "2026/03/14");
    // Largest value 45: steps of 10 up to 50.
    EXPECT_DOUBLE_EQ(c.leftAxis().increment(), 10);
    EXPECT_DOUBLE_EQ(c.leftAxis().maximum(), 50);

    store("2026/03/21 07:00:00", {0, 0.05, 0, 0, 0, 0}, 0);
    page(0);
    page(3);
    // A week: dates, no title, and no step left over from the last drawing.
    EXPECT_EQ(c.bottomAxis().dateTimeFormat(), "yyyy/mm/dd");
    EXPECT_EQ(c.bottomAxis().title(), "");
    EXPECT_DOUBLE_EQ(c.bottomAxis().increment(), 0);
}

TEST_F(TimeGraphs, DispVTimeWithTheHeadAtTheCollarHoldsTheDeepestNodeAtZero)
{
    setUpSensor("250065001", true);
    store("2026/02/01 00:00:00", {0, 0, 0, 0, 0, 0}, 18);
    store("2026/02/08 00:00:00", {0, 3, 6, 0, -3, 1.5}, 18.5);
    store("2026/02/15 00:00:00", {0, 6, 9, 3, 0, 3}, 19);
    page(4);
    Chart& c = chart("ChartT2");
    EXPECT_EQ(legendTitles(c), (std::vector<QString>{"Temp (C)", "1.50 m", "2.50 m", "3.50 m", "4.50 m", "5.50 m",
                                                     "6.50 m"}));
    EXPECT_EQ(c.leftAxis().title(), "Displacement (mm)");
    for (const QPointF& p : points(c.series(6)))
        EXPECT_DOUBLE_EQ(p.y(), 0);
    // Node 1 of the second reading: the sum of all five stretches.
    EXPECT_DOUBLE_EQ(c.series(1).point(1).y(), 2.5);
    // The temperature (up to 19) is part of the left axis scaling.
    EXPECT_DOUBLE_EQ(c.leftAxis().increment(), 2);
    EXPECT_DOUBLE_EQ(c.leftAxis().maximum(), 21);
}

TEST_F(TimeGraphs, DispVTimeWithTheHeadAtTheToeHoldsNodeOneAtZero)
{
    setUpSensor("250065001", false);
    store("2026/02/01 00:00:00", {0, 0, 0, 0, 0, 0}, 18);
    store("2026/02/08 00:00:00", {0, 3, 6, 0, -3, 1.5}, 18.5);
    page(4);
    Chart& c = chart("ChartT2");
    EXPECT_EQ(legendTitles(c), (std::vector<QString>{"Temp (C)", "6.50 m", "5.50 m", "4.50 m", "3.50 m", "2.50 m",
                                                     "1.50 m"}));
    for (const QPointF& p : points(c.series(1)))
        EXPECT_DOUBLE_EQ(p.y(), 0);
    EXPECT_DOUBLE_EQ(c.series(6).point(1).y(), 2.5);
}

TEST_F(TimeGraphs, AFourNodeTypeDrawsFourNodeLinesOnly)
{
    setUpSensor("250055001");  // four channels, five nodes
    store("2026/02/01 00:00:00", {0, 0, 0, 0, 0, 0});
    store("2026/02/08 00:00:00", {0, 3, 6, 3, 3, 0});
    page(4);
    Chart& c = chart("ChartT2");
    EXPECT_EQ(c.legendSeries(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    for (int i = 6; i <= 10; ++i) {
        EXPECT_FALSE(c.series(i).active()) << i;
        EXPECT_EQ(c.series(i).count(), 0) << i;
    }
    // A sensor of a smaller type drawn afterwards leaves no line of the
    // larger one behind.
    page(0);
    setUpSensor("250045001");
    store("2026/02/01 00:00:00", {0, 0, 0, 0, 0, 0});
    store("2026/02/08 00:00:00", {0, 1, 1, 1, 0, 0});
    page(4);
    EXPECT_EQ(c.legendSeries(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(c.series(5).count(), 0);
    EXPECT_EQ(c.headerLines(), QStringList{"RV250045001"});
}

TEST_F(TimeGraphs, TheUserHidesLinesZoomsScrollsAndReadsAPoint)
{
    setUpSensor("250065001");
    store("2026/01/05 08:00:00", {0, 0, 0, 0, 0, 0}, 10);
    store("2026/01/12 08:00:00", {0, 2, 4, 6, 8, 10}, 10);
    store("2026/01/19 08:00:00", {0, 3, 5, 7, 9, 11}, 10);
    page(3);
    auto* plot = w<QCustomPlot>("ChartT");
    Chart& c = chart("ChartT");
    plot->replot();

    // A click on a point of the 4.00 m line shows its raw data under the chart.
    const QPoint p = c.pixelOf(3, 1).toPoint();
    QTest::mouseClick(plot, Qt::LeftButton, {}, p);
    QApplication::processEvents();
    EXPECT_EQ(c.annotation(), "4.00 m:   2026/01/12 08:00:00   6");

    // A rubber band from left to right zooms in on both axes...
    const double wasLow = c.bottomAxis().visibleLower();
    const double wasHigh = c.bottomAxis().visibleUpper();
    const QPoint a = c.pixelOf(1, 1).toPoint() + QPoint(-40, -60);
    const QPoint b = c.pixelOf(1, 1).toPoint() + QPoint(40, 60);
    QTest::mousePress(plot, Qt::LeftButton, {}, a);
    QTest::mouseMove(plot, b);
    QTest::mouseRelease(plot, Qt::LeftButton, {}, b);
    EXPECT_TRUE(c.zoomed());
    EXPECT_GT(c.bottomAxis().visibleLower(), wasLow);
    EXPECT_LT(c.bottomAxis().visibleUpper(), wasHigh);
    EXPECT_LT(c.leftAxis().visibleUpper() - c.leftAxis().visibleLower(), 13.0);
    // ... and one from right to left goes back to the chart as drawn.
    QTest::mousePress(plot, Qt::LeftButton, {}, b);
    QTest::mouseMove(plot, a);
    QTest::mouseRelease(plot, Qt::LeftButton, {}, a);
    EXPECT_FALSE(c.zoomed());
    EXPECT_DOUBLE_EQ(c.bottomAxis().visibleLower(), wasLow);
    EXPECT_DOUBLE_EQ(c.leftAxis().visibleUpper(), c.leftAxis().maximum());

    // Dragging the left axis scrolls that axis only.
    const QRect r = plot->axisRect()->rect();
    const QPoint onAxis(r.left() - 20, r.center().y());
    QTest::mousePress(plot, Qt::LeftButton, {}, onAxis);
    QTest::mouseMove(plot, onAxis + QPoint(0, 50));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, onAxis + QPoint(0, 50));
    EXPECT_GT(c.leftAxis().visibleLower(), c.leftAxis().minimum());
    EXPECT_DOUBLE_EQ(c.bottomAxis().visibleLower(), wasLow);

    // Unticking a line in the legend hides it and keeps it listed.
    plot->replot();
    const auto* item = plot->legend->item(2);  // the 3.00 m line
    QTest::mouseClick(plot, Qt::LeftButton, {}, item->rect().center());
    QApplication::processEvents();
    EXPECT_TRUE(c.series(2).active());
    EXPECT_FALSE(c.series(2).shown());
    EXPECT_EQ(c.legendSeries().size(), 6u);
    // Entering the page again draws every line and forgets the view.
    page(0);
    page(3);
    EXPECT_TRUE(c.series(2).shown());
    EXPECT_FALSE(c.zoomed());
    EXPECT_EQ(c.annotation(), "");
}

TEST_F(TimeGraphs, LinesFromThePassDrawWhatTheSelectionGives)
{
    // Entering the pages draws the lines the pass handed over; drawing
    // again from the selection itself must give the same points, the
    // stored values of a row the pass could not finish and an empty
    // channel among them.
    setUpSensor("250065001");
    store("2026/01/05 08:00:00", {0, 0, 0, 0, 0, 0}, 10.0);
    store("2026/01/12 08:00:00", {0, 1.5, 2.25, -0.456, 4, 5}, 11.0);
    store("2026/01/19 08:00:00", {0, 3, 4.5, -0.2, 8, 12.3}, 12.0);
    store("2026/01/26 08:00:00", {0, 4, 5, 1, 9, 13}, 13.0);
    auto sql = [&](const char* text) {
        ASSERT_EQ(sqlite3_exec(st->conn->handle(), text, nullptr, nullptr, nullptr), SQLITE_OK) << text;
    };
    // A channel that cannot be zeroed ends its row there; an empty one has
    // no point on the load graph (its stored zero value is 0).
    sql("UPDATE \"250065001\" SET Channel2 = 'bad', zero2 = 7 WHERE FullDate LIKE '2026-01-19%'");
    sql("UPDATE \"250065001\" SET Channel3 = NULL WHERE FullDate LIKE '2026-01-12%'");
    sql("UPDATE \"250065001\" SET FullDate = NULL WHERE FullDate LIKE '2026-01-26%'");
    for (int pageNo : {3, 4}) {
        page(pageNo);
        // Drawn from the lines: the selection was not opened again.
        EXPECT_EQ(st->rsGraph.state(), 0);
        Chart& c = chart(pageNo == 3 ? "ChartT" : "ChartT2");
        std::vector<std::vector<QPointF>> drawn;
        for (int i = 0; i <= 10; ++i) {
            drawn.emplace_back();
            for (int k = 0; k < c.series(i).count(); ++k)
                drawn.back().push_back(c.series(i).point(k));
        }
        const double lo = c.leftAxis().minimum(), hi = c.leftAxis().maximum();
        EXPECT_EQ(c.series(1).count(), 3) << pageNo;  // the reading without a time has no point
        if (pageNo == 3)
            graphs::DrawTgraph(win->context());
        else
            graphs::DrawRgraph(win->context());
        for (int i = 0; i <= 10; ++i) {
            ASSERT_EQ(c.series(i).count(), int(drawn[size_t(i)].size())) << pageNo << " " << i;
            for (int k = 0; k < c.series(i).count(); ++k)
                EXPECT_EQ(c.series(i).point(k), drawn[size_t(i)][size_t(k)]) << pageNo << " " << i << " " << k;
        }
        EXPECT_EQ(c.leftAxis().minimum(), lo);
        EXPECT_EQ(c.leftAxis().maximum(), hi);
        page(0);
    }
}

TEST_F(TimeGraphs, APassThatCannotFinishIsToldWithTheBoxesToFill)
{
    // A three-section sensor whose nodes 3 and 4 were never entered: the
    // Disp v Time pass cannot compute, and says which boxes to fill.
    setUpSensor("250045001");
    type("txtNode(3)", "");
    type("txtNode(4)", "");
    page(1);
    page(0);
    store("2026/01/05 08:00:00", {0, 0, 0, 0}, 10.0);
    store("2026/01/12 08:00:00", {0, 1.5, 2.25, 3}, 11.0);
    pr.clear();
    page(4);
    ASSERT_EQ(pr.messages().size(), 1u) << pr.messageTexts().join(" | ").toStdString();
    EXPECT_EQ(pr.messages()[0].text,
              "The graph could not be brought up to date; it shows the values stored before.\n"
              "The node positions of Sensor 250045001 have not been entered.\n"
              "Fill in Node 3, Node 4 under \"Nodal Points:\" on the '1. Identification' page.");
    EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Warning);
    EXPECT_TRUE(data.readLog().contains(" G_GetTemporalData"));

    // Load v Time needs no node positions: nothing to tell.
    pr.clear();
    page(3);
    EXPECT_TRUE(pr.messages().empty()) << pr.messageTexts().join(" | ").toStdString();
}

namespace {

// The left axis's labels as drawn last, each a number inside the span shown.
void expectReadableLabels(QCustomPlot* plot, const Chart& c)
{
    const QVector<QString> labels = plot->yAxis->tickVectorLabels();
    ASSERT_GE(labels.size(), 2) << "a zoomed axis needs at least two labels";
    const double lo = c.leftAxis().visibleLower();
    const double hi = c.leftAxis().visibleUpper();
    QSet<QString> distinct;
    for (const QString& l : labels) {
        bool ok = false;
        const double v = l.toDouble(&ok);
        EXPECT_TRUE(ok) << l.toStdString();
        EXPECT_GE(v, lo - (hi - lo) * 1e-6) << l.toStdString();
        EXPECT_LE(v, hi + (hi - lo) * 1e-6) << l.toStdString();
        distinct.insert(l);
    }
    EXPECT_EQ(distinct.size(), labels.size()) << "labels repeat: " << QStringList(labels.toList()).join(' ').toStdString();
}

} // namespace

TEST_F(TimeGraphs, AZoomedValueAxisHasReadableLabelsAndADragNearTheAxisZooms)
{
    setUpSensor("250065001");
    store("2026/01/05 08:00:00", {0, 0, 0, 0, 0, 0}, 10);
    store("2026/01/12 08:00:00", {0, 2, 4, 6, 8, 10}, 10);
    store("2026/01/19 08:00:00", {0, 3, 5, 7, 9, 11}, 10);
    page(3);
    auto* plot = w<QCustomPlot>("ChartT");
    Chart& c = chart("ChartT");
    plot->replot();

    // A thin rectangle, left to right, that starts just inside the plot next
    // to the left axis: a zoom, not a scroll of the axis.
    const QRect r = plot->axisRect()->rect();
    const QPoint a(r.left() + 3, r.center().y() - 6);
    const QPoint b(r.center().x(), r.center().y() + 6);
    const double wasLow = c.bottomAxis().visibleLower();
    QTest::mousePress(plot, Qt::LeftButton, {}, a);
    QTest::mouseMove(plot, b);
    QTest::mouseRelease(plot, Qt::LeftButton, {}, b);
    ASSERT_TRUE(c.zoomed());
    EXPECT_LT(c.bottomAxis().visibleUpper(), key("2026/01/19 08:00:00")) << "the time axis zoomed too";
    EXPECT_GE(c.bottomAxis().visibleLower(), wasLow);
    const double span = c.leftAxis().visibleUpper() - c.leftAxis().visibleLower();
    EXPECT_LT(span, 1.0);
    plot->replot();
    expectReadableLabels(plot, c);

    // The exported picture is drawn with the same labels.
    const QString jpg = st->DataFolder + "/zoomed.jpg";
    ASSERT_TRUE(c.exportJpeg(jpg));
    expectReadableLabels(plot, c);
    EXPECT_TRUE(c.zoomed());

    // Back to the chart as drawn: its own fixed increments again.
    QTest::mousePress(plot, Qt::LeftButton, {}, b);
    QTest::mouseMove(plot, a);
    QTest::mouseRelease(plot, Qt::LeftButton, {}, a);
    EXPECT_FALSE(c.zoomed());
    const QVector<double> ticks = plot->yAxis->tickVector();
    ASSERT_GE(ticks.size(), 2);
    const double step = (ticks[1] - ticks[0]) / c.leftAxis().increment();
    EXPECT_NEAR(step, std::round(step), 1e-9) << "a multiple of the drawing's increment";
}

TEST_F(TimeGraphs, AnEmptiedChannelAndAPositionNotEnteredAreNotDrawnAsValues)
{
    setUpSensor("250065001");
    store("2026/01/05 08:00:00", {0, 0, 0, 0, 0, 0}, 10.0);
    store("2026/01/12 08:00:00", {0, 1.5, 2.25, -0.456, 4, 5}, 11.0);
    store("2026/01/19 08:00:00", {0, 3, 4.5, -0.2, 8, 12.3}, 12.0);
    // The user empties channel 2 of the middle reading: no load, though
    // the pass stores its zero value as 0.
    ASSERT_EQ(sqlite3_exec(st->conn->handle(),
                           "UPDATE \"250065001\" SET Channel2 = NULL WHERE FullDate LIKE '2026-01-12%'", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    // Node 3 never entered: sections 2 and 3 have no centre.
    type("txtNode(3)", "");
    page(1);
    page(0);
    ASSERT_EQ(text("txtRelSGCenter(2)"), "");

    // Twice: the second entry finds the stored values current and reads
    // only what it draws; it must draw the same.
    std::vector<std::vector<QPointF>> first;
    for (int entry = 0; entry < 2; ++entry) {
        page(3);
        Chart& c = chart("ChartT");
        ASSERT_EQ(c.series(2).count(), 2) << entry;
        EXPECT_TRUE(near(c.series(2).point(0), QPointF(key("2026/01/05 08:00:00"), 0)));
        EXPECT_TRUE(near(c.series(2).point(1), QPointF(key("2026/01/19 08:00:00"), 4.5)));
        EXPECT_EQ(c.series(1).count(), 3);
        EXPECT_EQ(c.series(2).title(), "Channel 2");
        for (int k = 1; k <= 5; ++k) {
            const QString at = text(QString("txtRelSGCenter(%1)").arg(k));
            EXPECT_EQ(c.series(k).title(), at.isEmpty() ? QString("Channel %1").arg(k) : at + " m") << k;
        }
        std::vector<std::vector<QPointF>> drawn;
        for (int i = 0; i <= 10; ++i) {
            drawn.emplace_back();
            for (int k = 0; k < c.series(i).count(); ++k)
                drawn.back().push_back(c.series(i).point(k));
        }
        if (entry == 0)
            first = drawn;
        else
            EXPECT_EQ(drawn, first);
        page(0);
    }
    {
        sqlite3_stmt* q = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(st->conn->handle(),
                                     "SELECT zero2 FROM \"250065001\" WHERE FullDate LIKE '2026-01-12%'", -1, &q,
                                     nullptr),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_step(q), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_type(q, 0), SQLITE_FLOAT);
        EXPECT_EQ(sqlite3_column_double(q, 0), 0.0);
        sqlite3_finalize(q);
    }

    // Filled in again: the line goes through the reading once more.
    ASSERT_EQ(sqlite3_exec(st->conn->handle(),
                           "UPDATE \"250065001\" SET Channel2 = 2.25 WHERE FullDate LIKE '2026-01-12%'", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    page(3);
    EXPECT_EQ(chart("ChartT").series(2).count(), 3);

    // Disp v Time names a node without a position by its number.
    page(4);
    EXPECT_EQ(chart("ChartT2").series(3).title(), "Node 3");
}

TEST_F(TimeGraphs, MarkersOnlyWherePointsCanBeToldApart)
{
    setUpSensor("250065001");
    // A reading every hour for 9 days: far more points than the plot is
    // wide in markers.
    const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
    for (int i = 0; i < 24 * 9; ++i)
        store(start.addSecs(3600LL * i).toString("yyyy/MM/dd HH:mm:ss"),
              {0, i * 0.01, i * 0.02, 0, 0, 0}, 20.0);
    page(3);
    Chart& c = chart("ChartT");
    auto* plot = w<QCustomPlot>("ChartT");
    plot->replot();
    EXPECT_TRUE(plot->graph(1)->scatterStyle().isNone());
    EXPECT_EQ(c.series(1).count(), 24 * 9);

    // Zoomed into one day: 25 points, each with its diamond.
    const double from = key("2026/01/05 00:00:00"), to = key("2026/01/06 00:00:00");
    plot->xAxis->setRange(from, to);
    plot->replot();
    EXPECT_EQ(plot->graph(1)->scatterStyle().shape(), QCPScatterStyle::ssDiamond);
}

TEST_F(TimeGraphs, AChartStandsWhileNothingItShowsChangesAndFollowsEveryChange)
{
    setUpSensor("250065001");
    store("2026/01/05 08:00:00", {0, 0, 0, 0, 0, 0}, 10);
    store("2026/01/12 08:00:00", {0, 2, 4, 6, 8, 10}, 11);
    store("2026/01/19 08:00:00", {0, 3, 5, 7, 9, 11}, 12);
    page(3);
    auto* plot = w<QCustomPlot>("ChartT");
    Chart& c = chart("ChartT");
    int replots = 0;
    QObject::connect(plot, &QCustomPlot::afterReplot, [&] { ++replots; });
    auto enter = [&](int p) {
        page(0);
        replots = 0;
        page(p);
        QApplication::processEvents();
    };

    // Entered again with nothing changed: the chart stands as drawn.
    enter(3);
    EXPECT_EQ(replots, 0);
    EXPECT_TRUE(plot->isVisible());
    EXPECT_EQ(c.series(5).count(), 3);
    EXPECT_EQ(st->SeriesTitle[1], "2.00 m");

    // The other time graph takes the line titles; entering this one gives
    // them back without a drawing (once each pass has left its note).
    enter(4);
    EXPECT_EQ(st->SeriesTitle[1], "1.50 m");
    enter(3);
    enter(4);
    enter(3);
    EXPECT_EQ(replots, 0);
    EXPECT_EQ(st->SeriesTitle[1], "2.00 m");

    // A reading changed by another program: drawn again from the new value.
    {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(st->conn->path().toUtf8().constData(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "UPDATE \"250065001\" SET Channel5 = 20 WHERE FullDate LIKE '2026-01-19%'",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(other);
    }
    enter(3);
    EXPECT_GT(replots, 0);
    EXPECT_TRUE(near(c.series(5).point(2), QPointF(key("2026/01/19 08:00:00"), 20)));

    // A reading added through the program.
    store("2026/01/26 08:00:00", {0, 4, 6, 8, 10, 12}, 13);
    enter(3);
    EXPECT_EQ(c.series(5).count(), 4);

    // A node position typed on the Identification page names the line anew.
    type("txtNode(2)", "2.5");
    enter(3);
    EXPECT_GT(replots, 0);
    const QString title = text("txtRelSGCenter(1)") + " m";
    EXPECT_EQ(title, "2.25 m");
    EXPECT_EQ(c.series(1).title(), title);
    EXPECT_EQ(st->SeriesTitle[1], title);

    // A point shown by a click: the next entry draws afresh, without it.
    enter(3);
    EXPECT_EQ(replots, 0);
    QTest::mouseClick(plot, Qt::LeftButton, {}, c.pixelOf(3, 1).toPoint());
    QApplication::processEvents();
    ASSERT_FALSE(c.annotation().isEmpty());
    enter(3);
    EXPECT_GT(replots, 0);
    EXPECT_EQ(c.annotation(), "");
}
