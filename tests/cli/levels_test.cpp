// The trigger levels through rockvane-cli: a crossing found by the import
// (exit code 5), the levels in force, the exceedance list and the site
// status, all from the numbers the window's levels code computes.
#include "cli_support.h"
#include "sensors/trigger_levels.h"
#include "store/connection.h"

#include <QJsonArray>

using namespace rv;
using namespace rv::test;

namespace {

const QString kId = QStringLiteral("240145001");
const QString kQuiet = QStringLiteral("240145002");

// Load levels for every type-45 sensor, and the first sensor's own Disp
// levels, so that both sources show.
void setLevels(const QString& db)
{
    store::Connection conn;
    conn.open(db);
    calc::Levels type = calc::defaultLevels();
    type.of(calc::Quantity::Load).level[1].value = 0.001;
    type.of(calc::Quantity::Load).level[2].value = 1000;
    sensors::writeScopeLevels(conn, "45", type);
    calc::Levels own = calc::defaultLevels();
    own.of(calc::Quantity::Disp).level[3].value = 500;
    sensors::writeScopeLevels(conn, kId, own);
}

} // namespace

TEST(CliLevels, ImportFindsTheCrossingsAndExitsFive)
{
    CliSite site;
    site.makeSite({kId, kQuiet});
    setLevels(site.database());

    // Readings whose channels move: every reading after the zero reading
    // crosses the tiny Load level.
    CliRun r = site.run({"--json", "import", "--spacing", "1", "--no-archive", site.readout(kId, {"--count", "10"})});
    EXPECT_EQ(r.code, 5) << r.err.toStdString() << r.out.toStdString();
    const QJsonObject f = r.json()["files"].toArray().at(0).toObject();
    const QJsonArray ex = f["exceedances"].toArray();
    ASSERT_FALSE(ex.isEmpty()) << r.out.toStdString();
    const QJsonObject first = ex.at(0).toObject();
    EXPECT_EQ(first["sensor"].toString(), kId);
    EXPECT_EQ(first["quantity"].toString(), "Load");
    EXPECT_EQ(first["level"].toInt(), 1);
    EXPECT_EQ(first["levelName"].toString(), "Alert");
    EXPECT_GE(std::abs(first["value"].toDouble()), 0.001);
    EXPECT_TRUE(first["reading"].toString().startsWith(kId + " 2024/01/01"));
    EXPECT_EQ(r.json()["totals"].toObject()["exceedances"].toInt(), ex.size());

    // Five takes precedence over one: a skipped row as well.
    r = site.run({"import", "--spacing", "1", "--no-archive",
                  site.readout(kId, {"--count", "5", "--marker", "--start", "2024/02/01 00:00:00"})});
    EXPECT_EQ(r.code, 5);
    EXPECT_TRUE(r.out.contains("EXCEEDANCE ")) << r.out.toStdString();

    // The exceedance list of the whole site, and from a date on.
    r = site.run({"--json", "exceedances"});
    EXPECT_EQ(r.code, 5);
    const int total = r.json()["exceedances"].toArray().size();
    EXPECT_GE(total, ex.size() + 4);
    r = site.run({"--json", "exceedances", "--since", "2024/02/01", kId});
    EXPECT_EQ(r.code, 5) << r.err.toStdString();
    EXPECT_EQ(r.json()["exceedances"].toArray().size(), total - ex.size());
    r = site.run({"exceedances", kQuiet});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("No reading crosses a trigger level.")) << r.out.toStdString();
    EXPECT_EQ(site.run({"exceedances", "--since", "yesterday"}).code, 2);

    // The site status: the sensor in its Alert state first.
    r = site.run({"--json", "status"});
    EXPECT_EQ(r.code, 5) << r.err.toStdString();
    const QJsonArray rows = r.json()["sensors"].toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.at(0).toObject()["sensor"].toString(), kId);
    EXPECT_EQ(rows.at(0).toObject()["state"].toString(), "Alert");
    EXPECT_EQ(rows.at(1).toObject()["state"].toString(), "No Readings");
    EXPECT_TRUE(site.run({"status"}).out.startsWith("Sensor"));
}

TEST(CliLevels, LevelsInForceAndTheirSource)
{
    CliSite site;
    site.makeSite({kId, kQuiet});
    setLevels(site.database());
    CliRun r = site.run({"--json", "levels", kId});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray q = r.json()["quantities"].toArray();
    ASSERT_EQ(q.size(), 3);
    EXPECT_EQ(q.at(0).toObject()["quantity"].toString(), "Load");
    EXPECT_EQ(q.at(0).toObject()["source"].toString(), "type");
    EXPECT_EQ(q.at(0).toObject()["levels"].toArray().at(0).toObject()["value"].toDouble(), 0.001);
    EXPECT_TRUE(q.at(0).toObject()["levels"].toArray().at(2).toObject()["value"].isNull());
    EXPECT_EQ(q.at(1).toObject()["source"].toString(), "sensor");
    EXPECT_EQ(q.at(1).toObject()["levels"].toArray().at(2).toObject()["name"].toString(), "Action");
    EXPECT_EQ(q.at(2).toObject()["source"].toString(), "none");

    r = site.run({"levels", kQuiet});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("Trigger levels of sensor 240145002 (type 45)")) << r.out.toStdString();
    EXPECT_EQ(site.run({"levels", "240145077"}).code, 2);
}
