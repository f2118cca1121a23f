// The site status table: states, order, overdue sensors, and the kept
// overdue days, on a real database file.
#include "graph_data_fixture.h"
#include "reports/site_status.h"
#include "sensors/trigger_levels.h"
#include "store/settings.h"

using namespace rv;
using namespace rv::calc;
using rv::reports::SiteStatusRow;

namespace {

class SiteStatus : public test::GraphDataTest {
protected:
    void addSensor(const QString& id, const QString& destroyed = "No")
    {
        useSensor(id);
        exec(QStringLiteral("UPDATE Sensors SET HeadLocation = 1, Recess = 0, NodeLocation1 = 1, NodeLocation2 = 2, "
                            "NodeLocation3 = 3, NodeLocation4 = 4, NodeLocation5 = 5, NodeLocation6 = 6, "
                            "Destroyed = '%2', Level = 'L%1', Location = 'Drive' WHERE InstrumentID = '%1'")
                 .arg(id, destroyed));
    }

    const SiteStatusRow& row(const std::vector<SiteStatusRow>& rows, const QString& id)
    {
        for (const SiteStatusRow& r : rows)
            if (r.instrumentId == id)
                return r;
        static SiteStatusRow none;
        ADD_FAILURE() << "no row for " << id.toStdString();
        return none;
    }

    const QDateTime now = QDateTime(QDate(2024, 3, 20), QTime(12, 0));
};

} // namespace

TEST_F(SiteStatus, StatesOrderAndOverdue)
{
    Levels load = defaultLevels();
    load.of(Quantity::Load).level[1].value = 10;
    load.of(Quantity::Load).level[2].value = 20;
    load.of(Quantity::Load).level[3].value = 30;
    sensors::writeScopeLevels(*st->conn, "45", load);

    // Alarm on its latest reading; an earlier reading beyond Action does not count.
    addSensor("240145001");
    add("2024/03/01 00:00:00", {0.0, 0.0, 0.0});
    add("2024/03/10 00:00:00", {40.0, 0.0, 0.0});
    add("2024/03/19 00:00:00", {-25.0, 3.0, 0.0});
    // Quiet but its logger stopped ten days ago: OK, overdue.
    addSensor("240145002");
    add("2024/03/01 00:00:00", {0.0, 0.0, 0.0});
    add("2024/03/10 12:00:00", {5.0, 0.0, 0.0});
    // Quiet and read yesterday.
    addSensor("240145003");
    add("2024/03/01 00:00:00", {0.0, 0.0, 0.0});
    add("2024/03/19 12:00:00", {1.0, 0.0, 0.0});
    // Action, by its latest reading even though that one is not time-flagged:
    // the state judges the latest time-flagged one.
    addSensor("240145004");
    add("2024/03/01 00:00:00", {0.0, 0.0, 0.0});
    add("2024/03/18 00:00:00", {31.0, 0.0, 0.0});
    add("2024/03/19 00:00:00", {0.0, 0.0, 0.0}, false);
    // An empty table, a destroyed sensor with readings long ago, and a type
    // without levels.
    addSensor("240145005");
    addSensor("240145006", "Yes");
    add("2023/01/01 00:00:00", {0.0, 0.0, 0.0});
    add("2023/01/02 00:00:00", {90.0, 0.0, 0.0});
    addSensor("240165007");
    add("2024/03/01 00:00:00", {0.0, 0.0, 0.0});
    add("2024/03/02 00:00:00", {90.0, 0.0, 0.0});

    const auto rows = reports::siteStatus(*st->conn, now, 7);
    QStringList order;
    for (const SiteStatusRow& r : rows)
        order << r.instrumentId;
    EXPECT_EQ(order, (QStringList{"240145004", "240145001", "240165007", "240145002", "240145003", "240145005",
                                  "240145006"}));

    const SiteStatusRow& alarm = row(rows, "240145001");
    EXPECT_EQ(alarm.state, "Alarm");
    EXPECT_EQ(alarm.stateColour, "#ff7f00");
    EXPECT_EQ(alarm.readings, 3);
    EXPECT_EQ(reports::siteStatusCells(alarm),
              (QStringList{"RV240145001", "L240145001", "Drive", "3", "2024/03/19 00:00:00", "1", "Alarm",
                           "Load 1: -25.00 tonnes"}));
    EXPECT_EQ(row(rows, "240145004").state, "Action");
    EXPECT_EQ(row(rows, "240145004").readings, 3);
    const SiteStatusRow& stopped = row(rows, "240145002");
    EXPECT_EQ(stopped.state, "OK");
    EXPECT_TRUE(stopped.overdue);
    EXPECT_EQ(reports::siteStatusCells(stopped)[5], "10 (Overdue)");
    EXPECT_FALSE(row(rows, "240145003").overdue);
    EXPECT_EQ(reports::siteStatusCells(row(rows, "240145003"))[7], "Load 1: 1.00 tonnes");
    EXPECT_EQ(row(rows, "240145005").state, "No Readings");
    EXPECT_EQ(row(rows, "240145005").readings, 0);
    EXPECT_EQ(row(rows, "240145006").state, "Destroyed");
    EXPECT_FALSE(row(rows, "240145006").overdue);  // a destroyed sensor is never overdue
    EXPECT_EQ(row(rows, "240165007").state, "OK");
    EXPECT_TRUE(row(rows, "240165007").worstText.isEmpty());

    // A longer allowance: nobody is overdue.
    for (const SiteStatusRow& r : reports::siteStatus(*st->conn, now, 19))
        EXPECT_FALSE(r.overdue) << r.instrumentId.toStdString();
}

TEST_F(SiteStatus, ASensorWithoutItsTableShowsNoReadings)
{
    addSensor("240145001");
    exec("DROP TABLE \"240145001\"");
    const auto rows = reports::siteStatus(*st->conn, now, 7);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].state, "No Readings");
}

TEST_F(SiteStatus, OverdueDaysAreKeptInTheDatabase)
{
    EXPECT_EQ(reports::overdueDays(*st->conn), 7);
    reports::setOverdueDays(*st->conn, 12);
    EXPECT_EQ(reports::overdueDays(*st->conn), 12);
    EXPECT_EQ(store::readSetting(*st->conn, QString(), "OverdueDays"), QString("12"));
    store::writeSetting(*st->conn, QString(), "OverdueDays", "soon");
    EXPECT_EQ(reports::overdueDays(*st->conn), 7);
}
