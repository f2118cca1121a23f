// Finding, creating and opening the reading tables of the sensors.
#include "graphs/graph_data.h"
#include "main_window_fixture.h"
#include "readings/sensor_tables.h"
#include "store/recordset.h"
#include "faults.h"

using namespace rv;
using namespace rv::test;

class SensorTablesTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        addSensor("250045001");
        pr.clear();
    }
    void addReading(const QString& when) { MainWindowTest::addReading("250045001", when, true, false); }
};

TEST_F(SensorTablesTest, TableNamesAreExactAndSystemNamesNeverCount)
{
    st->conn->execute("SELECT * INTO `MSysObjects` FROM sensordata WHERE DateTimeKey is null");
    st->conn->execute("SELECT * INTO `25004500A` FROM sensordata WHERE DateTimeKey is null");
    EXPECT_TRUE(TableExists(st->DatabasePath, "250045001", st->DataFolder));
    EXPECT_FALSE(TableExists(st->DatabasePath, "MSysObjects", st->DataFolder));
    EXPECT_FALSE(TableExists(st->DatabasePath, "25004500a", st->DataFolder));
    EXPECT_FALSE(TableExists(st->DataFolder + "/missing.mdb", "250045001", st->DataFolder));
    EXPECT_TRUE(data.readLog().contains(" Module1_TableExists\n"));
}

TEST_F(SensorTablesTest, OverwriteQuestionNoKeepsTheReadings)
{
    addReading("2026/05/01 10:00:00");
    pr.answer(MsgResult::Ok);
    pr.answer(MsgResult::No);
    EXPECT_FALSE(AddDataTable(*st, pr));
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].text, "Table 250045001 Already Exists");
    EXPECT_EQ(m[0].title, "Rockvane");
    EXPECT_EQ(m[1].text, "Table 250045001 already exists\nDo you want to overwrite this table?");
    EXPECT_EQ(m[1].title, "Quillon's ROCKVANE");
    EXPECT_EQ(m[1].buttons, MsgButtons::YesNo);
    EXPECT_EQ(m[1].defaultButton, MsgResult::No) << "Enter never empties a table";
    EXPECT_EQ(data.rowCount("250045001"), 1);
}

TEST_F(SensorTablesTest, OverwriteQuestionYesLeavesAnEmptyTable)
{
    addReading("2026/05/01 10:00:00");
    pr.answer(MsgResult::Ok);
    pr.answer(MsgResult::Yes);
    EXPECT_TRUE(AddDataTable(*st, pr));
    EXPECT_TRUE(data.hasTable("250045001"));
    EXPECT_EQ(data.rowCount("250045001"), 0);
}

TEST_F(SensorTablesTest, OpeningLeavesTheEarliestReadingCurrent)
{
    addReading("2026/05/03 10:00:00");
    addReading("2026/05/01 10:00:00");
    addReading("2026/05/02 10:00:00");
    OpenSensorData(*st, pr);
    ASSERT_EQ(st->rsReadings.recordCount(), 3);
    EXPECT_EQ(st->rsReadings.text("DateTimeKey"), "250045001 2026/05/01 10:00:00");
    EXPECT_TRUE(pr.messages().empty());
}

TEST_F(SensorTablesTest, MissingTableOnAGraphPageIsCreatedOnce)
{
    st->conn->execute("DROP TABLE `250045001`");
    page(4);
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].text, "The data table for Sensor 250045001 could not be found\nA new table will be created");
    EXPECT_TRUE(m[1].text.startsWith("You must have at least 2 readings to view the plot."));
    EXPECT_TRUE(data.hasTable("250045001"));
    EXPECT_EQ(currentPage(), 0);
    EXPECT_TRUE(data.readLog().contains(" Module1_OpenGraphData\n"));
}

TEST_F(SensorTablesTest, GraphSelectionsFollowTheFlags)
{
    EXPECT_EQ(graphs::graphDataSql("250045001", graphs::GraphSelection::Temporal),
              "SELECT * FROM `250045001` WHERE Plottemporal = True ORDER BY FullDate");
    EXPECT_EQ(graphs::graphDataSql("250045001", graphs::GraphSelection::Spatial),
              "SELECT * FROM `250045001` WHERE PlotSpatial = True ORDER BY FullDate");
    EXPECT_EQ(graphs::graphDataSql("250045001", graphs::GraphSelection::AllReadings),
              "SELECT * FROM `250045001` WHERE DoNotPlot = False ORDER BY FullDate");
    addReading("2026/05/01 10:00:00");
    graphs::OpenGraphData(*st, pr, graphs::GraphSelection::AllReadings);
    EXPECT_EQ(st->rsGraph.recordCount(), 1);
    graphs::OpenGraphData(*st, pr, graphs::GraphSelection::Spatial);
    EXPECT_EQ(st->rsGraph.recordCount(), 0);
}

TEST_F(SensorTablesTest, ALockIsNeverAMissingTable)
{
    // Another program holds the file's lock while the Readings page, a graph
    // page or the overwrite path look for the table: the user is told what
    // it is, and no table is made or dropped.
    addReading("2026/05/01 10:00:00");
    addReading("2026/05/02 10:00:00");
    const QString told = "The readings of Sensor 250045001 could not be opened.\n"
                         "The database is in use by another program. Try again in a moment.\n"
                         "Nothing has been changed.";
    {
        LockHolder other(data.database());
        ASSERT_TRUE(other.ok());
        page(2);
        EXPECT_EQ(pr.messageTexts(), QStringList({told}));
        EXPECT_EQ(st->rsReadings.state(), 0) << "no other sensor's readings stay open";
        pr.clear();
        EXPECT_FALSE(AddDataTable(*st, pr));
        EXPECT_EQ(pr.messageTexts(), QStringList({told}));
        pr.clear();
        EXPECT_EQ(lookupTable(st->DatabasePath, "250045001", st->DataFolder), TableLookup::Unknown);
        EXPECT_FALSE(TableExists(st->DatabasePath, "250045001", st->DataFolder));
    }
    EXPECT_EQ(data.rowCount("250045001"), 2);
    page(0);
    pr.clear();
    page(2);
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(text("txtRcount"), "2 of 2");
}
