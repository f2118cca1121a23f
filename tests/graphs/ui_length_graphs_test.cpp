// Load v Length and Disp v Length, entered through the page control of the
// real main window.
#include "graph_test.h"

#include "graphs/ui_graphs.h"

using namespace rv;
using namespace rv::test;
using graphs::Chart;

class LengthGraphs : public GraphTest {
protected:
    void SetUp() override { ASSERT_TRUE(start()); }

    void expectPoints(const graphs::ChartSeries& s, const std::vector<QPointF>& want)
    {
        const auto got = points(s);
        ASSERT_EQ(got.size(), want.size()) << s.title().toStdString();
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_TRUE(near(got[i], want[i])) << s.title().toStdString() << " point " << i << ": (" << got[i].x()
                                               << ", " << got[i].y() << ") instead of (" << want[i].x() << ", "
                                               << want[i].y() << ")";
    }
};

TEST_F(LengthGraphs, LoadVLengthWithTheHeadAtTheCollar)
{
    setUpSensor("250065001", true);
    store("2026/04/01 09:00:00", {0, 0, 0, 0, 0, 0});
    store("2026/04/08 09:00:00", {0, 0.4, 2, 5, 8, 3});
    store("2026/04/15 09:00:00", {0, 1, 4, 12.3, 9, 6});
    page(5);
    EXPECT_TRUE(pr.messages().empty());
    Chart& c = chart("ChartS");
    EXPECT_EQ(c.headerLines(), QStringList{"RV250065001"});
    EXPECT_EQ(c.legendTitle(), "Reading  Dates: ");
    EXPECT_EQ(c.leftAxis().title(), "Load (tonnes)");
    EXPECT_EQ(c.bottomAxis().title(), "Distance From Borehole Collar (m)");
    EXPECT_EQ(c.legendSeries(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(c.series(1).title(), "2026/04/01");
    EXPECT_EQ(c.series(3).title(), "2026/04/15");
    EXPECT_FALSE(w<QLabel>("lblW15")->isVisible());
    for (int i = 4; i <= 15; ++i) {
        EXPECT_FALSE(c.series(i).active()) << i;
        EXPECT_EQ(c.series(i).count(), 0) << i;
    }
    // Head, the five section centres, then the toe end (length + recess).
    expectPoints(c.series(3), {{0.5, 0}, {2, 1}, {3, 4}, {4, 12.3}, {5, 9}, {6, 6}, {8.5, 0}});
    EXPECT_DOUBLE_EQ(c.bottomAxis().minimum(), 0);
    EXPECT_DOUBLE_EQ(c.bottomAxis().maximum(), 9);
    EXPECT_DOUBLE_EQ(c.leftAxis().minimum(), 0);
    EXPECT_DOUBLE_EQ(c.leftAxis().maximum(), 15);
    EXPECT_DOUBLE_EQ(c.leftAxis().increment(), 1);
}

TEST_F(LengthGraphs, LoadVLengthWithTheHeadAtTheToe)
{
    // With a plate the collar end carries the last section's load.
    setUpSensor("250065001", false, true);
    EXPECT_EQ(text("txtHead"), "7.50");
    store("2026/04/01 09:00:00", {0, 0, 0, 0, 0, 0});
    store("2026/04/08 09:00:00", {0, 1, 2, 3, 4, 0.05});
    page(5);
    Chart& c = chart("ChartS");
    expectPoints(c.series(2), {{0, 0.05}, {2, 0.05}, {3, 4}, {4, 3}, {5, 2}, {6, 1}, {7.5, 0}});
    EXPECT_DOUBLE_EQ(c.bottomAxis().maximum(), 8);
    // Largest 4: steps of 0.5 up to 4.5.
    EXPECT_DOUBLE_EQ(c.leftAxis().increment(), 0.5);
    EXPECT_DOUBLE_EQ(c.leftAxis().maximum(), 4.5);

    // Without a plate the collar end is unloaded.
    page(0);
    w<QCheckBox>("chkPlate")->setChecked(false);
    page(5);
    expectPoints(c.series(2), {{0, 0}, {2, 0.05}, {3, 4}, {4, 3}, {5, 2}, {6, 1}, {7.5, 0}});
}

TEST_F(LengthGraphs, OnlyTheLastFifteenReadingsAreDrawn)
{
    setUpSensor("250045001");
    const QDate start(2025, 1, 1);
    for (int i = 0; i < 20; ++i) {
        const double v = i;
        store(start.addDays(7 * i).toString("yyyy/MM/dd") + " 12:00:00", {0, v, v / 2, v / 4, 0, 0});
    }
    page(5);
    EXPECT_TRUE(w<QLabel>("lblW15")->isVisible());
    Chart& c = chart("ChartS");
    EXPECT_EQ(c.legendSeries().size(), 15u);
    EXPECT_EQ(c.series(1).title(), start.addDays(7 * 5).toString("yyyy/MM/dd"));
    EXPECT_EQ(c.series(15).title(), start.addDays(7 * 19).toString("yyyy/MM/dd"));
    // Three sections: head, three centres, toe end.
    EXPECT_EQ(c.series(15).count(), 5);
    EXPECT_DOUBLE_EQ(c.series(15).maxYValue(), 19);
    // The warning stays with the page's readings: the Disp v Length page of
    // the same sensor shows the same fifteen.
    page(6);
    Chart& d = chart("ChartDvL");
    EXPECT_EQ(d.series(1).title(), start.addDays(7 * 5).toString("yyyy/MM/dd"));
    EXPECT_EQ(d.series(15).count(), 4);
}

TEST_F(LengthGraphs, DispVLengthDrawsEveryNodeInOrderOfDistance)
{
    setUpSensor("250065001", false);
    store("2026/05/01 10:00:00", {0, 0, 0, 0, 0, 0});
    // Head at the toe: node 1 is the deepest and fixed.
    store("2026/05/08 10:00:00", {0, 0.6, 0.3, -0.6, -0.3, 0.6});
    page(6);
    Chart& c = chart("ChartDvL");
    EXPECT_EQ(c.leftAxis().title(), "Displacement (mm)");
    EXPECT_EQ(c.legendSeries(), (std::vector<int>{1, 2}));
    // Stretches 0.2, 0.1, -0.2, -0.1, 0.2 from node 1 (6.50 m) outwards.
    expectPoints(c.series(2), {{1.5, 0.2}, {2.5, 0}, {3.5, 0.1}, {4.5, 0.3}, {5.5, 0.2}, {6.5, 0}});
    EXPECT_DOUBLE_EQ(c.bottomAxis().maximum(), 7);
    // Between 0 and 0.3: steps of 0.1 up to 1.
    EXPECT_DOUBLE_EQ(c.leftAxis().minimum(), 0);
    EXPECT_DOUBLE_EQ(c.leftAxis().maximum(), 1);
    EXPECT_DOUBLE_EQ(c.leftAxis().increment(), 0.1);
}

TEST_F(LengthGraphs, DispVLengthScalesANegativeMinimumToTwoDecimals)
{
    setUpSensor("250065001", true);
    store("2026/05/01 10:00:00", {0, 0, 0, 0, 0, 0});
    // Stretches 1, 0, 0, 0, -0.2: node 6 fixed, nodes 2 to 5 at -0.2, node 1 at 0.8.
    store("2026/05/08 10:00:00", {0, 3, 0, 0, 0, -0.6});
    page(6);
    Chart& c = chart("ChartDvL");
    expectPoints(c.series(2), {{1.5, 0.8}, {2.5, -0.2}, {3.5, -0.2}, {4.5, -0.2}, {5.5, -0.2}, {6.5, 0}});
    EXPECT_DOUBLE_EQ(c.leftAxis().minimum(), -0.2);
    EXPECT_DOUBLE_EQ(c.leftAxis().maximum(), 1);
    EXPECT_DOUBLE_EQ(c.leftAxis().increment(), 0.1);
}

TEST_F(LengthGraphs, AMissingDisplacementStopsTheDrawingAndIsLogged)
{
    setUpSensor("250065001", true);
    store("2026/05/01 10:00:00", {0, 0, 0, 0, 0, 0});
    store("2026/05/08 10:00:00", {0, 1, 1, 1, 1, 1});
    store("2026/05/15 10:00:00", {0, 2, 2, 2, 2, 2});
    page(6);
    Chart& c = chart("ChartDvL");
    ASSERT_EQ(c.legendSeries().size(), 3u);

    // A reading whose displacement was never computed.
    {
        store::Recordset rs;
        rs.open("SELECT * FROM `250065001` ORDER BY FullDate", *st->conn);
        rs.moveLast();
        rs.setValue("Disp3", QVariant());
        rs.update();
    }
    graphs::DrawDvLgraph(win->context());
    EXPECT_EQ(c.legendSeries(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(c.series(2).count(), 6) << "the readings before it are drawn";
    EXPECT_EQ(c.series(3).count(), 2) << "its nodes before the missing one are drawn";
    const QString log = data.readLog();
    EXPECT_EQ(log.count(" G_DrawDvLgraph"), 1);
    EXPECT_TRUE(log.contains("Err #94: Invalid use of Null G_DrawDvLgraph"));
    EXPECT_TRUE(pr.messages().empty());
}

TEST_F(LengthGraphs, AnEmptyHeadBoxStopsTheLoadDrawing)
{
    setUpSensor("250065001", true);
    store("2026/05/01 10:00:00", {0, 0, 0, 0, 0, 0});
    store("2026/05/08 10:00:00", {0, 1, 1, 1, 1, 1});
    page(5);
    w<QLineEdit>("txtHead")->setText("");
    graphs::DrawSgraph(win->context());
    Chart& c = chart("ChartS");
    EXPECT_EQ(c.series(1).count(), 0);
    EXPECT_TRUE(data.readLog().contains("Err #13: Type mismatch G_DrawSgraph"));
}
