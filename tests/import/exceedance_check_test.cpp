// The levels kept in the database, the levels in force for a sensor, and the
// check of appended readings against them, on a real database file.
#include "graph_data_fixture.h"
#include "import/exceedance_check.h"
#include "readings/level_readings.h"
#include "sensors/trigger_levels.h"
#include "store/audit.h"

#include <QDateTime>

using namespace rv;
using namespace rv::calc;

namespace {

class LevelsDb : public test::GraphDataTest {
protected:
    void SetUp() override
    {
        GraphDataTest::SetUp();
        useSensor("240145001");
        // Head at the collar, nodes 1..4 m from the head: 1 m sections.
        exec("UPDATE Sensors SET HeadLocation = 1, Recess = 0, LengthofCable = 5, NodeLocation1 = 1, "
             "NodeLocation2 = 2, NodeLocation3 = 3, NodeLocation4 = 4");
    }

    static Levels set(Quantity q, std::optional<double> a, std::optional<double> b, std::optional<double> c)
    {
        Levels l = defaultLevels();
        l.of(q).level[1].value = a;
        l.of(q).level[2].value = b;
        l.of(q).level[3].value = c;
        return l;
    }

    // What the import hands over for a reading it has just written.
    importing::AppendedReading appended(const QString& stamp, std::initializer_list<double> channels)
    {
        std::vector<QVariant> v(channels.begin(), channels.end());
        add(stamp, v);
        importing::AppendedReading a;
        a.key = sensor + u' ' + stamp;
        a.reading.ms = readings::readingMs(QDateTime::fromString(stamp, "yyyy/MM/dd HH:mm:ss"));
        size_t k = 1;
        for (double x : channels)
            a.reading.channel[k++] = x;
        return a;
    }
};

} // namespace

TEST_F(LevelsDb, TheSensorsOwnLevelsWinPerQuantityOverItsTypes)
{
    Levels type = set(Quantity::Load, 10, 20, 30);
    type.of(Quantity::Disp) = set(Quantity::Disp, 1, 2, 3).of(Quantity::Disp);
    sensors::writeScopeLevels(*st->conn, "45", type);
    Levels own = set(Quantity::Disp, 5, std::nullopt, 50);
    own.of(Quantity::Disp).level[3].name = "Evacuate";
    own.of(Quantity::Disp).level[3].colour = "#123456";
    sensors::writeScopeLevels(*st->conn, sensor, own);

    sensors::LevelsInForce f = sensors::levelsInForce(*st->conn, sensor, "45");
    EXPECT_FALSE(f.sensorOwn[size_t(Quantity::Load)]);
    EXPECT_TRUE(f.sensorOwn[size_t(Quantity::Disp)]);
    EXPECT_EQ(f.levels.of(Quantity::Load).level[2].value, 20.0);
    EXPECT_EQ(f.levels.of(Quantity::Disp).level[1].value, 5.0);
    EXPECT_FALSE(f.levels.of(Quantity::Disp).level[2].value);  // the sensor's unset level, not the type's 2
    EXPECT_EQ(f.levels.of(Quantity::Disp).level[3].name, "Evacuate");
    EXPECT_EQ(f.levels.of(Quantity::Disp).level[3].colour, "#123456");
    EXPECT_EQ(f.levels.of(Quantity::Load).level[1].name, "Alert");
    EXPECT_FALSE(f.levels.of(Quantity::Rate).anySet());

    // Three rows per quantity that has a level, none for the others.
    const sensors::ScopeLevels rows = sensors::readScopeLevels(*st->conn, sensor);
    EXPECT_EQ(rows.hasRows, (std::array<bool, 3>{false, true, false}));

    // Clearing the sensor's rows hands it back to its type.
    sensors::deleteScopeLevels(*st->conn, sensor);
    f = sensors::levelsInForce(*st->conn, sensor, "45");
    EXPECT_FALSE(f.anySensorOwn());
    EXPECT_EQ(f.levels.of(Quantity::Disp).level[2].value, 2.0);
}

TEST_F(LevelsDb, LoadingASensorGivesTheInstallationPagesNodePositions)
{
    const auto s = sensors::loadSensorLevels(*st->conn, sensor);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->frame.numChannels, 3);
    EXPECT_EQ(s->frame.numNodes, 4);
    EXPECT_EQ(s->loadUnit, "tonnes");
    ASSERT_TRUE(s->frame.anchors.r[4]);
    EXPECT_EQ(*s->frame.anchors.r[1], 1.0);
    EXPECT_EQ(*s->frame.anchors.r[4], 4.0);
    EXPECT_FALSE(sensors::loadSensorLevels(*st->conn, "240145999"));
}

TEST_F(LevelsDb, AppendedReadingsAreComparedWithTheZeroReadingOfTheTable)
{
    sensors::writeScopeLevels(*st->conn, "45", set(Quantity::Load, 10, 20, 30));
    add("2024/01/01 00:00:00", {100.0, 50.0, 50.0});  // the zero reading
    std::vector<importing::AppendedReading> a = {
        appended("2024/01/02 00:00:00", {125.0, 50.0, 50.0}),  // load 1: +25, Alarm
        appended("2024/01/03 00:00:00", {105.0, 80.0, 20.0}),  // load 2: +30 Action, load 3: -30 Action
        appended("2024/01/04 00:00:00", {109.99, 50.0, 50.0}), // nothing
    };
    const auto rows = importing::checkAppendedReadings(*st->conn, sensor, a);
    ASSERT_EQ(rows.size(), 3u);
    // Highest levels first, then by date, then channel.
    EXPECT_EQ(rows[0].key, sensor + " 2024/01/03 00:00:00");
    EXPECT_EQ(rows[0].index, 2);
    EXPECT_EQ(rows[0].levelName, "Action");
    EXPECT_EQ(rows[1].index, 3);
    EXPECT_EQ(rows[1].value, -30.0);
    EXPECT_EQ(rows[2].key, sensor + " 2024/01/02 00:00:00");
    EXPECT_EQ(rows[2].levelNo, 2);
    EXPECT_EQ(rows[2].colour, "#ff7f00");
    EXPECT_EQ(importing::exceedanceCells(rows[1], "RV"),
              (QStringList{"RV240145001", sensor + " 2024/01/03 00:00:00", "Load", "3", "-30.00", "Action"}));

    // Without any level set there is nothing to say.
    sensors::deleteScopeLevels(*st->conn, "45");
    EXPECT_TRUE(importing::checkAppendedReadings(*st->conn, sensor, a).empty());
}

TEST_F(LevelsDb, RateGoesBackToStoredOrAppendedReadingsADayEarlier)
{
    sensors::writeScopeLevels(*st->conn, "45", set(Quantity::Rate, 1, std::nullopt, std::nullopt));
    add("2024/01/01 00:00:00", {0.0, 0.0, 0.0});
    add("2024/01/01 12:00:00", {0.0, 0.0, 0.0});
    // 3 tonnes on section 1 moves node 1 by 1 mm.
    std::vector<importing::AppendedReading> a = {
        appended("2024/01/02 12:00:00", {3.0, 0.0, 0.0}),  // 1 mm in exactly a day: 1 mm/day, on the level
        appended("2024/01/02 18:00:00", {4.5, 0.0, 0.0}),  // 1.5 mm since 12:00 the day before: 1.2 mm/day
        appended("2024/01/03 07:00:00", {5.1, 0.0, 0.0}),  // 1.7 mm over 43 hours: under 1 mm/day
    };
    auto rows = importing::checkAppendedReadings(*st->conn, sensor, a);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].key, sensor + " 2024/01/02 12:00:00");
    EXPECT_EQ(rows[0].quantity, Quantity::Rate);
    EXPECT_EQ(rows[0].index, 1);
    EXPECT_NEAR(rows[0].value, 1.0, 1e-9);
    EXPECT_NEAR(rows[1].value, 1.2, 1e-9);

    // A stored reading among the appended ones is the reference of a later
    // appended reading (an import that fills a gap).
    add("2024/01/02 07:30:00", {5.4, 0.0, 0.0});  // 1.8 mm
    std::vector<importing::AppendedReading> b = {
        appended("2024/01/02 07:00:00", {3.0, 0.0, 0.0}),   // 1 mm over 31 hours: under 1 mm/day
        appended("2024/01/03 07:45:00", {9.0, 0.0, 0.0}),   // 3 - 1.8 mm since 07:30 on the 2nd
    };
    rows = importing::checkAppendedReadings(*st->conn, sensor, b);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].key, sensor + " 2024/01/03 07:45:00");
    EXPECT_NEAR(rows[0].value, 1.2 / (24.25 / 24.0), 1e-9);
}

// Saving or clearing a scope's levels writes one change log row with the
// levels before and after; saving the same levels again writes none.
TEST_F(LevelsDb, SavingAndClearingLevelsAreLogged)
{
    Levels own = set(Quantity::Load, 5, std::nullopt, 50);
    own.of(Quantity::Load).level[3].name = "Evacuate";
    sensors::writeScopeLevels(*st->conn, sensor, own);
    sensors::writeScopeLevels(*st->conn, sensor, own);
    sensors::writeScopeLevels(*st->conn, "45", set(Quantity::Rate, 1, 2, 3));
    sensors::clearScopeLevels(*st->conn, sensor);
    sensors::clearScopeLevels(*st->conn, sensor);  // nothing left to clear

    const auto log = store::readAuditLog(*st->conn, QString(), 0, 10);
    ASSERT_EQ(log.size(), 3u);
    for (const auto& r : log)
        EXPECT_EQ(r.action, "levels");
    EXPECT_EQ(log[2].instrumentId, sensor);
    EXPECT_EQ(log[2].oldValues, "");
    EXPECT_EQ(log[2].newValues, "Load1=Alert 5 #e0b000; Load2=Alarm #ff7f00; Load3=Evacuate 50 #d00000");
    EXPECT_EQ(log[1].instrumentId, "") << "a type's defaults belong to no one sensor";
    EXPECT_EQ(log[1].oldValues, "Type=45");
    EXPECT_EQ(log[1].newValues, "Type=45; Rate1=Alert 1 #e0b000; Rate2=Alarm 2 #ff7f00; Rate3=Action 3 #d00000");
    EXPECT_EQ(log[0].instrumentId, sensor);
    EXPECT_EQ(log[0].oldValues, log[2].newValues);
    EXPECT_EQ(log[0].newValues, "");
}
