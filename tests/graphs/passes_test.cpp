// The graph data passes on small reading tables: which rows they rewrite,
// which reading is the zero, and how failures leave the stored values.
#include "graph_data_fixture.h"
#include "graphs/graph_data.h"
#include "graphs/passes.h"
#include "store/recordset.h"
#include "store/settings.h"

#include <sqlite3.h>

#include <QDateTime>

#include "calc/zeros.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

using namespace rv;
using namespace rv::graphs;
using namespace rv::test;

namespace {

const QString kMay1 = QStringLiteral("2026/05/01 08:00:00");
const QString kMay2 = QStringLiteral("2026/05/02 08:00:00");
const QString kMay3 = QStringLiteral("2026/05/03 08:00:00");

NodeGeometry collar(int n, std::array<QString, 7> anchors)
{
    NodeGeometry g;
    g.headAtCollar = true;
    g.numChannels = n;
    g.relAnchor = anchors;
    return g;
}

NodeGeometry toe(int n, std::array<QString, 7> anchors)
{
    NodeGeometry g = collar(n, anchors);
    g.headAtCollar = false;
    return g;
}

int count(const QString& text, const QString& what)
{
    return int(text.count(what));
}

} // namespace

class PassesTest : public GraphDataTest {
protected:
    void SetUp() override
    {
        GraphDataTest::SetUp();
        useSensor(QStringLiteral("250055001"));
    }
    double num(const QString& stamp, const QString& name) const { return field(stamp, name).toDouble(); }
};

TEST_F(PassesTest, TemporalPassZeroesOnTheEarliestFlaggedReading)
{
    // Inserted out of date order; the unflagged reading is the earliest.
    add(kMay3, {9.0, 1.0}, true, false, 21.5);
    add(kMay1, {10.0, 1.0}, true, false, QStringLiteral("21,5"));
    add(QStringLiteral("2026/04/30 08:00:00"), {50.0}, false);
    add(kMay2, {12.5, QVariant()}, true, false, QVariant());
    preset(QStringLiteral("2026/04/30 08:00:00"), QStringLiteral("zero1 = 77, NumTemp = 5"));

    GetTemporalData(*st, pr);

    EXPECT_EQ(st->Offset[1], "10");
    EXPECT_EQ(st->Offset[2], "1");
    EXPECT_EQ(st->Offset[3], "");
    EXPECT_EQ(num(kMay1, "zero1"), 0.0);
    EXPECT_EQ(num(kMay2, "zero1"), 2.5);
    EXPECT_EQ(num(kMay3, "zero1"), -1.0);
    EXPECT_EQ(num(kMay2, "zero2"), 0.0);  // empty channel
    EXPECT_EQ(num(kMay3, "zero10"), 0.0);
    EXPECT_EQ(num(kMay3, "NumTemp"), 21.5);
    EXPECT_EQ(num(kMay1, "NumTemp"), 21.0);
    EXPECT_EQ(num(kMay2, "NumTemp"), 0.0);
    // The reading off the time graphs is neither the zero nor rewritten.
    EXPECT_EQ(num(QStringLiteral("2026/04/30 08:00:00"), "zero1"), 77.0);
    EXPECT_EQ(num(QStringLiteral("2026/04/30 08:00:00"), "NumTemp"), 5.0);
    // The temporal pass leaves the displacement fields alone.
    EXPECT_FALSE(field(kMay2, "Disp1").isValid());
    EXPECT_EQ(readLog(), "");
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(st->rsGraph.state(), 0);
    EXPECT_EQ(st->conn->transactionDepth(), 0);
}

TEST_F(PassesTest, EachSelectionHasItsOwnZero)
{
    add(kMay1, {10.0}, true, false);
    add(kMay2, {12.0}, true, true);
    add(kMay3, {15.0}, true, true);

    GetTemporalData(*st, pr);
    EXPECT_EQ(num(kMay1, "zero1"), 0.0);
    EXPECT_EQ(num(kMay2, "zero1"), 2.0);
    EXPECT_EQ(num(kMay3, "zero1"), 5.0);

    GetSpatialData(*st, pr);
    EXPECT_EQ(st->Offset[1], "12");
    EXPECT_EQ(num(kMay1, "zero1"), 0.0);  // as the temporal pass left it
    EXPECT_EQ(num(kMay2, "zero1"), 0.0);
    EXPECT_EQ(num(kMay3, "zero1"), 3.0);

    // Clearing the flag of the earliest reading moves the zero.
    preset(kMay1, QStringLiteral("Plottemporal = 0"));
    GetTemporalData(*st, pr);
    EXPECT_EQ(num(kMay2, "zero1"), 0.0);
    EXPECT_EQ(num(kMay3, "zero1"), 3.0);
}

TEST_F(PassesTest, EqualDatesTakeTheFirstTheEngineReturnsAsZero)
{
    add(kMay1, {10.0});
    add(kMay2, {20.0});
    // Both at the same moment.
    exec(QStringLiteral("UPDATE \"250055001\" SET FullDate = '2026-05-01 08:00:00'"));
    store::Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM `250055001` WHERE Plottemporal = True ORDER BY FullDate"), *st->conn);
    const QString first = rs.text("DateTimeKey").mid(10);
    rs.moveNext();
    const QString second = rs.text("DateTimeKey").mid(10);
    rs.close();

    GetTemporalData(*st, pr);
    EXPECT_EQ(num(first, "zero1"), 0.0);
    EXPECT_EQ(std::abs(num(second, "zero1")), 10.0);
}

TEST_F(PassesTest, RowThatCannotBeZeroedKeepsItsLaterFieldsAndThePassGoesOn)
{
    add(kMay1, {10.0, QVariant(), 3.0}, true, false, 20.0);
    add(kMay2, {11.0, 5.0, 4.0}, true, false, 21.0);
    add(kMay3, {12.0, QVariant(), 6.0}, true, false, 22.0);
    preset(kMay2, QStringLiteral("zero1 = 91, zero2 = 92, zero3 = 93, zero10 = 100, NumTemp = 99"));

    GetTemporalData(*st, pr);

    EXPECT_EQ(num(kMay2, "zero1"), 1.0);    // written before the failure
    EXPECT_EQ(num(kMay2, "zero2"), 92.0);   // the rest as they were
    EXPECT_EQ(num(kMay2, "zero3"), 93.0);
    EXPECT_EQ(num(kMay2, "zero10"), 100.0);
    EXPECT_EQ(num(kMay2, "NumTemp"), 99.0);
    EXPECT_EQ(num(kMay3, "zero1"), 2.0);    // the next row is done in full
    EXPECT_EQ(num(kMay3, "zero3"), 3.0);
    EXPECT_EQ(num(kMay3, "NumTemp"), 22.0);
    const QString log = readLog();
    EXPECT_EQ(count(log, " - Err #13: Type mismatch G_SetZeros\n"), 1) << log.toStdString();
    EXPECT_EQ(count(log, "Err #"), 1);
}

TEST_F(PassesTest, DisplacementPassBothHeadPositions)
{
    add(kMay1, {10.0, 10.0, 10.0, 10.0, 10.0});
    add(kMay2, {13.0, 16.0, 10.0, 7.0, 11.5});
    const std::array<QString, 7> rising = {"", "1.50", "2.50", "3.50", "4.50", "5.50", "6.50"};
    const std::array<QString, 7> falling = {"", "6.50", "5.50", "4.50", "3.50", "2.50", "1.50"};

    GetDispData(*st, pr, collar(5, rising));
    const double collarDisp[] = {2.5, 1.5, -0.5, -0.5, 0.5, 0.0};
    const double stretch[] = {1, 2, 0, -1, 0.5};
    for (int k = 1; k <= 6; ++k) {
        EXPECT_EQ(num(kMay2, QStringLiteral("Disp%1").arg(k)), collarDisp[k - 1]) << k;
        EXPECT_EQ(num(kMay1, QStringLiteral("Disp%1").arg(k)), 0.0) << k;
    }
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(num(kMay2, QStringLiteral("Stretch%1").arg(k)), stretch[k - 1]) << k;

    GetDispData(*st, pr, toe(5, falling));
    const double toeDisp[] = {0, 1, 3, 3, 2, 2.5};
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(num(kMay2, QStringLiteral("Disp%1").arg(k)), toeDisp[k - 1]) << k;
    EXPECT_EQ(readLog(), "");
}

TEST_F(PassesTest, ARowNotZeroedInFullTakesItsStoredValuesForItsSectionsAndLines)
{
    // May 2 cannot be zeroed past its first channel: its sections are
    // worked out from its new zero1 and its stored zero2..5, and its points
    // show what it stores. May 3 holds channels that zero to exactly those
    // stored values, so both rows must come out the same.
    add(kMay1, {10.0, 10.0, 10.0, 10.0, 10.0}, true, false, 20.0);
    add(kMay2, {13.0, QStringLiteral("n/a"), 10.0, 7.0, 11.5}, true, false, 21.0);
    add(kMay3, {13.0, 16.0, 10.0, 7.0, 11.5}, true, false, 21.0);
    preset(kMay2, QStringLiteral("zero2 = 6, zero3 = 0, zero4 = -3, zero5 = 1.5, NumTemp = 77"));
    const std::array<QString, 7> rising = {"", "1.50", "2.50", "3.50", "4.50", "5.50", "6.50"};

    GraphLines lines;
    lines.wanted = 3;
    GetDispData(*st, pr, collar(5, rising), &lines);
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(num(kMay2, QStringLiteral("Stretch%1").arg(k)), num(kMay3, QStringLiteral("Stretch%1").arg(k))) << k;
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(num(kMay2, QStringLiteral("Disp%1").arg(k)), num(kMay3, QStringLiteral("Disp%1").arg(k))) << k;
    EXPECT_EQ(num(kMay2, QStringLiteral("zero1")), 3.0);
    EXPECT_EQ(num(kMay2, QStringLiteral("zero2")), 6.0);
    EXPECT_EQ(num(kMay2, QStringLiteral("NumTemp")), 77.0);
    ASSERT_EQ(lines.x.size(), 3u);
    EXPECT_EQ(lines.y[0][1], 77.0);  // the temperature not written is drawn as stored
    EXPECT_EQ(lines.y[0][2], 21.0);
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(lines.y[size_t(k)][1], lines.y[size_t(k)][2]) << k;

    // The time pass draws the stored zeros past the failed channel.
    GraphLines time;
    time.wanted = 3;
    exec(QStringLiteral("DELETE FROM Settings WHERE Name = 'GraphValues'"));
    GetTemporalData(*st, pr, &time);
    ASSERT_EQ(time.x.size(), 3u);
    EXPECT_EQ(time.y[1][1], 3.0);
    EXPECT_EQ(time.y[2][1], 6.0);
    EXPECT_EQ(time.y[4][1], -3.0);
    EXPECT_EQ(time.y[0][1], 77.0);
    EXPECT_EQ(count(readLog(), QStringLiteral(" - Err #13: Type mismatch G_SetZeros\n")), 2) << readLog().toStdString();
}

TEST_F(PassesTest, ThreeChannelTypeGetsItsSectionsAndNodes)
{
    add(kMay1, {10.0, 10.0, 10.0}, false, true);
    add(kMay2, {13.0, 16.0, 10.0}, false, true);
    // Stale values in fields of nodes the type does not have.
    preset(kMay2, QStringLiteral("Stretch4 = 8, Stretch5 = 8, Disp5 = 8, Disp6 = 8"));

    GetSDispData(*st, pr, collar(3, {"", "1.50", "2.50", "3.50", "4.50", "", ""}));
    EXPECT_EQ(num(kMay2, "Stretch1"), 1.0);
    EXPECT_EQ(num(kMay2, "Stretch2"), 2.0);
    EXPECT_EQ(num(kMay2, "Stretch3"), 0.0);
    EXPECT_EQ(num(kMay2, "Disp1"), 3.0);
    EXPECT_EQ(num(kMay2, "Disp2"), 2.0);
    EXPECT_EQ(num(kMay2, "Disp3"), 0.0);
    EXPECT_EQ(num(kMay2, "Disp4"), 0.0);
    for (const char* gone : {"Stretch4", "Stretch5", "Disp5", "Disp6"})
        EXPECT_FALSE(field(kMay2, gone).isValid()) << gone;

    GetSDispData(*st, pr, toe(3, {"", "4.50", "3.50", "2.50", "1.50", "", ""}));
    EXPECT_EQ(num(kMay2, "Disp1"), 0.0);
    EXPECT_EQ(num(kMay2, "Disp2"), 1.0);
    EXPECT_EQ(num(kMay2, "Disp4"), 3.0);
    EXPECT_FALSE(field(kMay2, "Disp5").isValid());
    EXPECT_EQ(readLog(), "");
}

TEST_F(PassesTest, UnreadableNodePositionEndsThePassWithoutWritingTheRow)
{
    add(kMay1, {10.0, 10.0, 10.0});
    add(kMay2, {13.0, 16.0, 10.0});
    preset(kMay1, QStringLiteral("zero1 = 5, Disp1 = 5"));

    GetDispData(*st, pr, collar(3, {"", "1.50", "2.50", "", "4.50", "", ""}));
    const QString log = readLog();
    EXPECT_EQ(count(log, "Err #13: Type mismatch G_GetTemporalData\n"), 1) << log.toStdString();
    EXPECT_EQ(count(log, "Err #"), 1);
    EXPECT_EQ(num(kMay1, "zero1"), 5.0);
    EXPECT_EQ(num(kMay1, "Disp1"), 5.0);
    EXPECT_FALSE(field(kMay2, "zero1").isValid());
    EXPECT_EQ(st->conn->transactionDepth(), 0);
    // The user is told, with the box to fill.
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_TRUE(pr.messages()[0].text.startsWith("The graph could not be brought up to date"));
    EXPECT_TRUE(pr.messages()[0].text.endsWith("Fill in Node 3 under \"Nodal Points:\" on the '1. Identification' page."))
        << pr.messages()[0].text.toStdString();
    // The next pass works as usual.
    GetTemporalData(*st, pr);
    EXPECT_EQ(num(kMay2, "zero1"), 3.0);
}

TEST_F(PassesTest, MissingTableIsAnnouncedOnceAndCreated)
{
    st->conn->execute(QStringLiteral("DROP TABLE `250055001`"));
    GetTemporalData(*st, pr);
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].text,
              "The data table for Sensor 250055001 could not be found\nA new table will be created");
    EXPECT_EQ(pr.messages()[0].title, "Rockvane");
    EXPECT_TRUE(st->conn->hasTable(QStringLiteral("250055001")));
    const QString log = readLog();
    EXPECT_EQ(count(log, " Module1_OpenGraphData\n"), 1);
    EXPECT_EQ(count(log, " Module1_GetOffsets\n"), 1);
    EXPECT_EQ(count(log, " G_GetTemporalData\n"), 1);
    EXPECT_EQ(st->conn->transactionDepth(), 0);
}

TEST_F(PassesTest, EmptySelectionLogsAndKeepsTheOffsets)
{
    add(kMay1, {10.0}, false, false);
    st->Offset[1] = QStringLiteral("4");
    GetSpatialData(*st, pr);
    EXPECT_EQ(st->Offset[1], "4");
    const QString log = readLog();
    EXPECT_EQ(count(log, "Err #3021"), 3) << log.toStdString();
    EXPECT_EQ(count(log, " Module1_GetOffsets\n"), 1);
    EXPECT_EQ(count(log, " G_SetZeros\n"), 1);
    EXPECT_EQ(count(log, " G_GetTemporalData\n"), 1);
    EXPECT_TRUE(pr.messages().empty());
}

TEST_F(PassesTest, RatePassTakesEveryReadingNotExcluded)
{
    add(kMay1, {10.0}, false, false);
    add(kMay2, {11.0}, false, false);
    add(kMay3, {14.0}, false, false);
    exec(QStringLiteral("UPDATE \"250055001\" SET DoNotPlot = 1 WHERE DateTimeKey LIKE '%05/01%'"));
    GetRateData(*st, pr);
    EXPECT_FALSE(field(kMay1, "zero1").isValid());
    EXPECT_EQ(num(kMay2, "zero1"), 0.0);
    EXPECT_EQ(num(kMay3, "zero1"), 3.0);

    // A missing table is announced and made without an open failure logged.
    st->conn->execute(QStringLiteral("DROP TABLE `250055001`"));
    GetRateData(*st, pr);
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_TRUE(st->conn->hasTable(QStringLiteral("250055001")));
    EXPECT_FALSE(readLog().contains("Module1_OpenGraphData"));
    EXPECT_TRUE(readLog().contains(" G_GetRateData\n"));
}

TEST_F(PassesTest, OpenFailureOnAnExistingTableNeverOffersToReplaceIt)
{
    // A table of that name that cannot be read as a reading table: the
    // failure is logged, and nothing suggests making a new table over it.
    st->conn->execute(QStringLiteral("DROP TABLE `250055001`"));
    exec(QStringLiteral("CREATE TABLE \"250055001\" (DateTimeKey TEXT)"));
    exec(QStringLiteral("INSERT INTO \"250055001\" VALUES ('kept')"));
    OpenGraphData(*st, pr, GraphSelection::Temporal);
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(st->rsGraph.state(), 0);
    EXPECT_EQ(count(readLog(), " Module1_OpenGraphData\n"), 1);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(st->conn->handle(), "SELECT count(*) FROM \"250055001\"", -1, &s, nullptr);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(s, 0), 1);
    sqlite3_finalize(s);
}

TEST_F(PassesTest, FailureInsideThePassKeepsTheRowsAlreadyDone)
{
    add(kMay1, {10.0, QVariant(), 10.0});
    add(kMay2, {13.0, 5.0, 10.0});
    add(kMay3, {14.0, QVariant(), 10.0});
    // May 2 cannot be zeroed past channel 1, and the old zero3 it keeps is
    // not a number, so its stretch fails and the pass ends there.
    preset(kMay2, QStringLiteral("zero1 = 50, zero3 = 'bad'"));
    preset(kMay3, QStringLiteral("zero1 = 60"));

    GetDispData(*st, pr, collar(3, {"", "1.50", "2.50", "3.50", "4.50", "", ""}));
    const QString log = readLog();
    EXPECT_EQ(count(log, "Err #13: Type mismatch G_SetZeros\n"), 1) << log.toStdString();
    EXPECT_EQ(count(log, "Err #13: Type mismatch G_GetTemporalData\n"), 1);
    EXPECT_EQ(num(kMay1, "zero1"), 0.0);  // done before the failure, and kept
    EXPECT_EQ(num(kMay1, "Disp1"), 0.0);
    EXPECT_EQ(num(kMay2, "zero1"), 50.0); // the failing row is not written
    EXPECT_EQ(num(kMay3, "zero1"), 60.0); // nor anything after it
    EXPECT_EQ(st->conn->transactionDepth(), 0);
}

TEST_F(PassesTest, CountOfASelectionAsTheRecordSetWouldHaveIt)
{
    add(kMay1, {10.0}, true, false);
    add(kMay2, {10.0}, true, true);
    add(kMay3, {10.0}, false, false);
    EXPECT_EQ(GraphDataCount(*st, pr, GraphSelection::Temporal), 2);
    EXPECT_EQ(GraphDataCount(*st, pr, GraphSelection::Spatial), 1);
    EXPECT_EQ(GraphDataCount(*st, pr, GraphSelection::AllReadings), 3);
    EXPECT_EQ(st->rsGraph.state(), 0);
    EXPECT_TRUE(pr.messages().empty());

    st->conn->execute(QStringLiteral("DROP TABLE `250055001`"));
    EXPECT_EQ(GraphDataCount(*st, pr, GraphSelection::Spatial), 0);
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].text,
              "The data table for Sensor 250055001 could not be found\nA new table will be created");
    EXPECT_TRUE(st->conn->hasTable(QStringLiteral("250055001")));
    EXPECT_EQ(count(readLog(), " Module1_OpenGraphData\n"), 1);
}

// Rows of one table written from the moment it is made (the passes' own
// note in the settings is not a reading).
class RowWrites {
public:
    RowWrites(sqlite3* db, const char* table) : m_db(db), m_table(table)
    {
        sqlite3_update_hook(db, &RowWrites::hook, this);
    }
    ~RowWrites() { sqlite3_update_hook(m_db, nullptr, nullptr); }
    int count() const { return m_count; }

private:
    static void hook(void* self, int, const char*, const char* table, sqlite3_int64)
    {
        auto* w = static_cast<RowWrites*>(self);
        if (w->m_table == table)
            ++w->m_count;
    }
    sqlite3* m_db;
    QByteArray m_table;
    int m_count = 0;
};

TEST_F(PassesTest, APassOverCurrentValuesWritesNothing)
{
    add(kMay1, {10.0, 1.0}, true, false, 20.0);
    add(kMay2, {12.5, 2.0}, true, false, 21.0);
    add(kMay3, {9.0, 4.0}, true, false, 22.0);
    GetDispData(*st, pr, collar(3, {"", "1.50", "2.50", "3.50", "4.50", "", ""}));
    {
        RowWrites w(st->conn->handle(), "250055001");
        GetDispData(*st, pr, collar(3, {"", "1.50", "2.50", "3.50", "4.50", "", ""}));
        GetTemporalData(*st, pr);
        EXPECT_EQ(w.count(), 0);
    }
    // A changed channel rewrites that row only, in full.
    exec(QStringLiteral("UPDATE \"250055001\" SET Channel1 = 11 WHERE DateTimeKey LIKE '%05/03%'"));
    RowWrites w(st->conn->handle(), "250055001");
    GetDispData(*st, pr, collar(3, {"", "1.50", "2.50", "3.50", "4.50", "", ""}));
    EXPECT_EQ(w.count(), 1);
    EXPECT_EQ(num(kMay3, "zero1"), 1.0);
    EXPECT_TRUE(readLog().isEmpty()) << readLog().toStdString();
}

TEST_F(PassesTest, ALongRunOfRowsThatAllDifferIsWrittenAsEachRowAlone)
{
    // Enough rows, all out of date, that the pass stops comparing them with
    // what they store part-way through: every row must still get its own
    // values, and the next pass compares again from its first row.
    exec(QStringLiteral(
        "WITH RECURSIVE n(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM n WHERE k < 2999) "
        "INSERT INTO \"250055001\" (DateTimeKey, ReadingDate, ReadingTime, FullDate, Plottemporal, PlotSpatial, "
        "Channel1, Channel2, ChannelT) SELECT '250055001 ' || strftime('%Y/%m/%d %H:%M:%S', at), date(at), time(at), "
        "at, 1, 0, 100 + k * 0.25, 50 - k, 20 + k % 3 FROM (SELECT k, datetime('2026-01-01', '+' || k || ' hours') "
        "AS at FROM n)"));
    GetTemporalData(*st, pr);
    EXPECT_EQ(readLog(), "");
    auto at = [&](int k) {
        return QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(3600LL * k).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    };
    for (int k : {0, 1, 1023, 1024, 1025, 2500, 2999}) {
        EXPECT_EQ(num(at(k), QStringLiteral("zero1")), k * 0.25) << k;
        EXPECT_EQ(num(at(k), QStringLiteral("zero2")), -double(k)) << k;
        EXPECT_EQ(num(at(k), QStringLiteral("zero3")), 0.0) << k;
        EXPECT_EQ(num(at(k), QStringLiteral("NumTemp")), 20.0 + k % 3) << k;
    }
    // Values right already: nothing is written, however many rows.
    exec(QStringLiteral("DELETE FROM Settings WHERE Name = 'GraphValues'"));
    {
        RowWrites w(st->conn->handle(), "250055001");
        GetTemporalData(*st, pr);
        EXPECT_EQ(w.count(), 0);
    }
    // The later rows differ again after rows that did not: each is written.
    exec(QStringLiteral("UPDATE \"250055001\" SET zero1 = NULL WHERE rowid > 1500"));
    exec(QStringLiteral("DELETE FROM Settings WHERE Name = 'GraphValues'"));
    RowWrites w(st->conn->handle(), "250055001");
    GetTemporalData(*st, pr);
    EXPECT_EQ(w.count(), 1500);
    EXPECT_EQ(num(at(2999), QStringLiteral("zero1")), 2999 * 0.25);
}

TEST_F(PassesTest, StoredValuesFollowEveryChangeAfterAPassLeftThemCurrent)
{
    // Each pass below may find its values noted as current; every change a
    // value depends on, made by another connection as the command line
    // program would, must still be seen.
    add(kMay1, {10.0, 1.0}, true, true, 20.0);
    add(kMay2, {12.5, 2.0}, true, true, 21.0);
    add(kMay3, {9.0, 4.0}, true, true, 22.0);
    const NodeGeometry g = collar(3, {"", "1.50", "2.50", "3.50", "4.50", "", ""});
    GetDispData(*st, pr, g);
    GetTemporalData(*st, pr);
    ASSERT_TRUE(store::readSetting(*st->conn, QStringLiteral("250055001"), QStringLiteral("GraphValues")));
    const double disp1 = num(kMay3, "Disp1");

    store::Connection other;
    other.open(st->DatabasePath);
    auto elsewhere = [&](const char* sql) {
        ASSERT_EQ(sqlite3_exec(other.handle(), sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    };

    // The zero reading's channel edited.
    elsewhere("UPDATE \"250055001\" SET Channel1 = 9.5 WHERE FullDate LIKE '2026-05-01%'");
    GetTemporalData(*st, pr);
    EXPECT_EQ(st->Offset[1], "9.5");
    EXPECT_EQ(num(kMay2, "zero1"), 3.0);

    // A reading added before the zero reading becomes the zero.
    elsewhere("INSERT INTO \"250055001\" (DateTimeKey, ReadingDate, ReadingTime, FullDate, Channel1, Channel2, "
              "Plottemporal, PlotSpatial) VALUES ('250055001 2026/04/30 08:00:00', '2026-04-30', '08:00:00', "
              "'2026-04-30 08:00:00', 8, 1, 1, 1)");
    GetTemporalData(*st, pr);
    EXPECT_EQ(num(kMay2, "zero1"), 4.5);

    // ... and deleted again: the zero goes back.
    elsewhere("DELETE FROM \"250055001\" WHERE FullDate LIKE '2026-04-30%'");
    GetTemporalData(*st, pr);
    EXPECT_EQ(num(kMay2, "zero1"), 3.0);

    // The flag of the zero reading cleared.
    elsewhere("UPDATE \"250055001\" SET Plottemporal = 0 WHERE FullDate LIKE '2026-05-01%'");
    GetTemporalData(*st, pr);
    EXPECT_EQ(num(kMay3, "zero1"), -3.5);
    elsewhere("UPDATE \"250055001\" SET Plottemporal = 1 WHERE FullDate LIKE '2026-05-01%'");

    // Another selection's pass rewrites the zero values of the readings it
    // shares; the time pass must put its own back.
    elsewhere("UPDATE \"250055001\" SET PlotSpatial = 0 WHERE FullDate LIKE '2026-05-01%'");
    GetTemporalData(*st, pr);
    GetSpatialData(*st, pr);
    EXPECT_EQ(num(kMay3, "zero1"), -3.5);
    GetTemporalData(*st, pr);
    EXPECT_EQ(num(kMay3, "zero1"), -0.5);

    // Other node positions give other displacements.
    GetDispData(*st, pr, g);
    const double before = num(kMay3, "Disp1");
    GetDispData(*st, pr, toe(3, {"", "1.50", "2.50", "3.50", "4.50", "", ""}));
    EXPECT_NE(num(kMay3, "Disp1"), before);
    GetDispData(*st, pr, g);
    EXPECT_EQ(num(kMay3, "Disp1"), before);
    EXPECT_NE(before, disp1);

    // The table made again from a copy (its triggers lost), the same number
    // of rows and a zero reading edited in the copy.
    other.execute(QStringLiteral("SELECT * INTO `copy` FROM `250055001`"));
    elsewhere("UPDATE copy SET Channel1 = 10 WHERE FullDate LIKE '2026-05-01%'");
    elsewhere("DROP TABLE \"250055001\"");
    elsewhere("ALTER TABLE copy RENAME TO \"250055001\"");
    GetTemporalData(*st, pr);
    EXPECT_EQ(num(kMay2, "zero1"), 2.5);
    EXPECT_TRUE(readLog().isEmpty()) << readLog().toStdString();
}

TEST_F(PassesTest, TemperaturesAndZerosAsTheCalculationGivesThem)
{
    // The pass takes a quicker way for plain numbers; each value must be
    // the one the zero calculation gives for the stored row.
    const std::vector<double> temps{20.0, 16.3, -0.0, 1e-7, 123456789.123456, 18 + 4 * std::sin(0.7),
                                    1.0 / 3.0, 2.5e20, -17.25, 0.1 + 0.2};
    QString day = QStringLiteral("2026/05/%1 08:00:00");
    for (size_t i = 0; i < temps.size(); ++i)
        add(day.arg(int(i) + 1, 2, 10, QLatin1Char('0')), {10.0 + std::cos(double(i)), 1.0 / (i + 1.0)}, true,
            false, temps[i]);
    GetTemporalData(*st, pr);
    calc::ZeroOffsets off;
    off.value[1] = 10.0 + std::cos(0.0);
    off.value[2] = 1.0;
    for (int k = 3; k <= 10; ++k)
        off.value[size_t(k)] = std::nullopt;
    for (size_t i = 0; i < temps.size(); ++i) {
        const QString when = day.arg(int(i) + 1, 2, 10, QLatin1Char('0'));
        calc::ChannelValues ch;
        ch[1] = 10.0 + std::cos(double(i));
        ch[2] = 1.0 / (i + 1.0);
        const calc::ZeroRow z = calc::SetZeros(ch, temps[i], off);
        EXPECT_EQ(num(when, "NumTemp"), z.numTemp) << i;
        EXPECT_EQ(num(when, "zero1"), z.zero[1]) << i;
        EXPECT_EQ(num(when, "zero2"), z.zero[2]) << i;
    }
    EXPECT_TRUE(readLog().isEmpty()) << readLog().toStdString();
}

TEST_F(PassesTest, CountStopsWhereAsked)
{
    for (const QString& when : {kMay1, kMay2, kMay3})
        add(when, {10.0}, true, false);
    EXPECT_EQ(GraphDataCount(*st, pr, GraphSelection::Temporal), 3);
    EXPECT_EQ(GraphDataCount(*st, pr, GraphSelection::Temporal, 2), 2);
    EXPECT_EQ(GraphDataCount(*st, pr, GraphSelection::Spatial, 2), 0);
}

namespace {

// NaN ("no point") equals NaN here.
void expectSameLines(const GraphLines& a, const GraphLines& b, int fields, const char* what)
{
    SCOPED_TRACE(what);
    ASSERT_TRUE(a.ready);
    ASSERT_TRUE(b.ready);
    auto same = [](const std::vector<double>& u, const std::vector<double>& v) {
        if (u.size() != v.size())
            return false;
        for (size_t i = 0; i < u.size(); ++i)
            if (!(u[i] == v[i] || (std::isnan(u[i]) && std::isnan(v[i]))))
                return false;
        return true;
    };
    EXPECT_TRUE(same(a.x, b.x));
    for (int f = 0; f <= fields; ++f)
        EXPECT_TRUE(same(a.y[size_t(f)], b.y[size_t(f)])) << "field " << f;
    EXPECT_EQ(a.firstDate, b.firstDate);
    EXPECT_EQ(a.lastDate, b.lastDate);
}

} // namespace

TEST_F(PassesTest, LinesOfCurrentValuesAreThoseThePassGives)
{
    // Stored out of date order, two readings at the same moment (the one
    // stored first comes first), one off the time graphs, a channel left
    // empty: the lines read back while the values are current must be the
    // ones the pass computed, in date order.
    add(kMay3, {9.0, 1.0}, true, false, 22.0);
    add(kMay1, {10.0, 1.0}, true, false, 20.0);
    add(QStringLiteral("2026/05/02 10:00:00"), {14.0, 3.0, QVariant()}, true, false, 21.0);
    add(kMay2, {12.5, 2.0}, true, false, 21.0);
    add(QStringLiteral("2026/04/30 08:00:00"), {50.0}, false);
    exec(QStringLiteral("UPDATE \"250055001\" SET FullDate = '2026-05-02 08:00:00' WHERE DateTimeKey LIKE '%10:00:00'"));
    const NodeGeometry g = collar(3, {"", "1.50", "2.50", "3.50", "4.50", "", ""});
    auto compare = [&](const char* what, bool inTime) {
        for (const bool disp : {false, true}) {
            GraphLines pass, current;
            pass.wanted = current.wanted = 3;
            // The note dropped first, so that the first pass computes.
            exec(QStringLiteral("DELETE FROM Settings WHERE Name = 'GraphValues'"));
            disp ? GetDispData(*st, pr, g, &pass) : GetTemporalData(*st, pr, &pass);
            disp ? GetDispData(*st, pr, g, &current) : GetTemporalData(*st, pr, &current);
            expectSameLines(pass, current, 3, what);
            ASSERT_EQ(current.x.size(), 4u);
            EXPECT_EQ(std::is_sorted(current.x.begin(), current.x.end()), inTime);
        }
    };
    compare("plain dates", true);
    GraphLines lines;
    lines.wanted = 3;
    GetTemporalData(*st, pr, &lines);
    EXPECT_EQ(lines.y[1], (std::vector<double>{0.0, 4.0, 2.5, -1.0}));  // 10:00 stored first keeps its place
    EXPECT_TRUE(std::isnan(lines.y[3][1]));                             // its Channel3 was empty

    // A FullDate written by another tool in a form of its own, which the
    // engine orders as a text after every plain one although it is the
    // earliest: the rows are then read in the statement's order.
    exec(QStringLiteral("UPDATE \"250055001\" SET FullDate = '2026/05/01 08:00:00' WHERE DateTimeKey LIKE '%05/01%'"));
    compare("a date in another form", false);
    EXPECT_TRUE(readLog().isEmpty()) << readLog().toStdString();
}

namespace {

// Descriptors this process holds open on the file at path.
int openHandles(const QString& path)
{
    const std::filesystem::path file = std::filesystem::canonical(path.toStdString());
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const auto target = std::filesystem::read_symlink(e.path(), ec);
        n += !ec && target == file;
    }
    return n;
}

} // namespace

TEST_F(PassesTest, ALargeSelectionReadInTwoHalvesGivesTheLinesThePassGives)
{
    // Enough readings for the read to be shared with a second thread: hourly,
    // every seventh off the time graphs, a run deleted (a gap in the
    // rowids), one channel left empty late on, and readings back-dated
    // into the early part stored last, in the upper half of the rowids.
    exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 29999) "
        "INSERT INTO \"250055001\" (DateTimeKey, ReadingDate, ReadingTime, FullDate, Plottemporal, PlotSpatial, "
        "ChannelT, Channel1, Channel2, Channel3) "
        "SELECT '250055001 ' || strftime('%Y/%m/%d %H:%M:%S', '2020-01-01', '+' || i || ' hours'), "
        "date('2020-01-01', '+' || i || ' hours'), time('2020-01-01', '+' || i || ' hours'), "
        "datetime('2020-01-01', '+' || i || ' hours'), i % 7 <> 0, 0, 20 + i % 5, 10 + (i % 100) * 0.25, "
        "1 + i % 13, CASE WHEN i = 25000 THEN NULL ELSE 3 + i % 3 END FROM n"));
    exec(QStringLiteral("DELETE FROM \"250055001\" WHERE rowid BETWEEN 4000 AND 4999"));
    for (int k = 0; k < 10; ++k)
        add(QStringLiteral("2020/01/%1 08:30:00").arg(2 + k, 2, 10, QLatin1Char('0')), {7.0 + k, 2.0, 4.0}, true,
            false, 19.0);
    const NodeGeometry g = collar(3, {"", "1.50", "2.50", "3.50", "4.50", "", ""});
    auto compare = [&](const char* what, bool inTime) {
        for (const bool disp : {false, true}) {
            SCOPED_TRACE(disp ? "displacements" : "zero values");
            GraphLines pass, shared, alone;
            pass.wanted = shared.wanted = alone.wanted = 3;
            exec(QStringLiteral("DELETE FROM Settings WHERE Name = 'GraphValues'"));
            disp ? GetDispData(*st, pr, g, &pass) : GetTemporalData(*st, pr, &pass);
            disp ? GetDispData(*st, pr, g, &shared) : GetTemporalData(*st, pr, &shared);
            expectSameLines(pass, shared, 3, what);
            // With a write under way the second connection could not see
            // it: the read is then this connection's alone.
            st->conn->begin();
            disp ? GetDispData(*st, pr, g, &alone) : GetTemporalData(*st, pr, &alone);
            st->conn->rollback();
            expectSameLines(pass, alone, 3, what);
            ASSERT_EQ(shared.x.size(), size_t(24867));  // 30000 - 4286 off the graphs - 857 deleted + 10
            EXPECT_TRUE(std::is_sorted(shared.x.begin(), shared.x.end()) || !inTime);
        }
    };
    compare("plain dates", true);
    // The read was shared: the second connection stays open on the file.
    EXPECT_EQ(openHandles(st->DatabasePath), 2);
    GraphLines lines;
    lines.wanted = 3;
    GetTemporalData(*st, pr, &lines);
    EXPECT_EQ(std::count_if(lines.y[3].begin(), lines.y[3].end(), [](double v) { return std::isnan(v); }), 1);

    // A FullDate in a form of its own in the upper half: the rows are read
    // again in the statement's order.
    exec(QStringLiteral("UPDATE \"250055001\" SET FullDate = '2022/06/01 08:00:00' WHERE rowid = 28000"));
    compare("a date in another form", false);
    // A drawn value only the general reading judges, in the upper half:
    // the whole pass gives the lines, and writes the value again.
    exec(QStringLiteral("UPDATE \"250055001\" SET zero1 = 'x' WHERE rowid = 27000"));
    GraphLines current, pass;
    current.wanted = pass.wanted = 3;
    GetTemporalData(*st, pr, &current);
    exec(QStringLiteral("DELETE FROM Settings WHERE Name = 'GraphValues'"));
    GetTemporalData(*st, pr, &pass);
    expectSameLines(pass, current, 3, "a text among the values");
    EXPECT_TRUE(readLog().isEmpty()) << readLog().toStdString();
    st->conn->close();
    EXPECT_EQ(openHandles(st->DatabasePath), 0);
}
