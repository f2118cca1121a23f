#include "store_fixture.h"

#include <QFile>

using namespace rv::store;
using namespace rv::store::testing;

using SchemaTest = StoreTest;

TEST_F(SchemaTest, ReadingColumnsHaveTheirFixedPositions)
{
    const QStringList& cols = readingColumns();
    ASSERT_EQ(cols.size(), 41);
    EXPECT_EQ(cols.mid(0, 5), (QStringList{"DateTimeKey", "ReadingDate", "ReadingTime", "ChannelT", "Channel1"}));
    EXPECT_EQ(cols[13], QStringLiteral("Channel10"));
    EXPECT_EQ(cols[14], QStringLiteral("FullDate"));
    EXPECT_EQ(cols[17], QStringLiteral("DoNotPlot"));
    EXPECT_EQ(cols[19], QStringLiteral("zero1"));
    EXPECT_EQ(cols[29], QStringLiteral("NumTemp"));
    EXPECT_EQ(cols[30], QStringLiteral("Stretch1"));
    EXPECT_EQ(cols[35], QStringLiteral("Disp1"));
    EXPECT_EQ(cols[40], QStringLiteral("Disp6"));

    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM sensordata"), conn);
    ASSERT_EQ(rs.fieldCount(), 41);
    for (int k = 0; k < 41; ++k)
        EXPECT_EQ(rs.fieldName(k), cols[k]);
    EXPECT_EQ(rs.fieldType(0), ColType::Text);
    EXPECT_EQ(rs.fieldType(1), ColType::Date);
    EXPECT_EQ(rs.fieldType(2), ColType::Time);
    EXPECT_EQ(rs.fieldType(14), ColType::DateTime);
    EXPECT_EQ(rs.fieldType(15), ColType::YesNo);
    EXPECT_EQ(rs.fieldType(35), ColType::Double);
    EXPECT_EQ(rs.recordCount(), 0);
}

TEST_F(SchemaTest, DefaultDatabaseHoldsTheTypesAndPreferences)
{
    EXPECT_EQ(raw(QStringLiteral("PRAGMA user_version")).toLongLong(), kSchemaVersion);
    Recordset types;
    types.open(QStringLiteral("SELECT * FROM Configuration ORDER BY SensorType"), conn);
    ASSERT_EQ(types.recordCount(), 4);
    const char* models[] = {"x1TENDON", "x3TENDON", "x4TENDON", "x5TENDON"};
    const int channels[] = {1, 3, 4, 5};
    for (int k = 0; k < 4; ++k, types.moveNext()) {
        EXPECT_EQ(types.text(QStringLiteral("SensorType")), QString::number(25 + 10 * (k == 0 ? 0 : k + 1)));
        EXPECT_EQ(types.value(QStringLiteral("Model")).toString(), QString::fromLatin1(models[k]));
        EXPECT_EQ(types.value(QStringLiteral("Family")).toString(), QStringLiteral("TENDON"));
        EXPECT_EQ(types.value(QStringLiteral("NumChannels")).toLongLong(), channels[k]);
        EXPECT_EQ(types.value(QStringLiteral("NumNodes")).toLongLong(), channels[k] + 1);
        EXPECT_EQ(types.value(QStringLiteral("USENODES")), QVariant(true));
        EXPECT_EQ(types.value(QStringLiteral("TempChannel")), QVariant(true));
        for (int u = 1; u <= 5; ++u) {
            const QVariant units = types.value(QStringLiteral("Units%1").arg(u));
            if (u <= channels[k])
                EXPECT_EQ(units.toString(), QStringLiteral("tonnes"));
            else
                EXPECT_FALSE(units.isValid());
        }
        EXPECT_EQ(types.text(QStringLiteral("lblLocation")),
                  QStringLiteral("Manufacturing Configuration: ") + QString::fromLatin1(models[k]));
        EXPECT_EQ(types.text(QStringLiteral("Temp")), QStringLiteral("°C"));
        EXPECT_EQ(types.text(QStringLiteral("TemporalYaxis")), QStringLiteral("Load (tonnes)"));
        EXPECT_EQ(types.value(QStringLiteral("templow")).toDouble(), -20.0);
        EXPECT_EQ(types.value(QStringLiteral("highval")).toDouble(), 100.0);
    }
    EXPECT_TRUE(types.eof());

    Recordset prefs;
    prefs.open(QStringLiteral("SELECT Prefs.* FROM Prefs;"), conn);
    ASSERT_EQ(prefs.recordCount(), 1);
    EXPECT_EQ(prefs.text(QStringLiteral("MineID")), QStringLiteral("RV"));
    EXPECT_EQ(prefs.text(QStringLiteral("MaxY")), QStringLiteral("100"));
    EXPECT_EQ(prefs.text(QStringLiteral("MinY")), QStringLiteral("-100"));
    EXPECT_EQ(prefs.text(QStringLiteral("MinX")), QStringLiteral("0"));
    EXPECT_EQ(prefs.text(QStringLiteral("MaxX")), QStringLiteral("100"));

    Recordset net;
    net.open(QStringLiteral("SELECT * FROM NetworkConfig ORDER BY SensorID;"), conn);
    EXPECT_EQ(net.fieldCount(), 5);
    EXPECT_EQ(net.fieldType(4), ColType::Long);
}

TEST_F(SchemaTest, EmptyCatalogueIsAtBothEndsAndKeysAreUnique)
{
    Recordset rs;
    rs.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    EXPECT_TRUE(rs.bof());
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_EQ(errorOf([&] { rs.moveFirst(); }), err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.value(QStringLiteral("InstrumentID")); }), err::NoCurrentRecord);
    addSensor(QStringLiteral("250010001"));
    EXPECT_EQ(errorOf([&] { addSensor(QStringLiteral("250010001")); }), err::DuplicateKey);
    rs.requery();
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.value(QStringLiteral("HeadLocation")), QVariant(false));  // Yes/No starts as No
}

TEST(SchemaCreate, RefusesAnExistingFile)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("x.mdb"));
    {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    EXPECT_NE(errorOf([&] { createDefaultDatabase(p); }), 0);
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("keep me"));
    EXPECT_NE(errorOf([&] { createDefaultDatabase(dir.filePath(QStringLiteral("no/such/folder/x.mdb"))); }), 0);
}

// A file as the first release wrote it: version 1, no levels or settings
// tables, reading tables without an index.
TEST_F(SchemaTest, VersionOneFileGainsTheNewTablesAndIndexesAndKeepsItsRows)
{
    addSensor(QStringLiteral("200545001"));
    makeReadings(QStringLiteral("200545001"), {QStringLiteral("2024/01/15 00:00:00"), QStringLiteral("2024/01/16 00:00:00")});
    conn.execute(QStringLiteral("DROP TABLE TriggerLevels"));
    conn.execute(QStringLiteral("DROP TABLE Settings"));
    sqlite3_exec(conn.handle(), "DROP INDEX \"200545001_FullDate\"; PRAGMA user_version = 1", nullptr, nullptr, nullptr);
    ASSERT_EQ(schemaVersion(conn), 1);
    ASSERT_FALSE(conn.hasTable(QStringLiteral("TriggerLevels")));

    qint64 lastDone = 0, lastTotal = 0;
    upgradeSchema(conn, [&](qint64 done, qint64 total) { lastDone = done; lastTotal = total; });
    EXPECT_EQ(schemaVersion(conn), kSchemaVersion);
    EXPECT_TRUE(conn.hasTable(QStringLiteral("TriggerLevels")));
    EXPECT_TRUE(conn.hasTable(QStringLiteral("Settings")));
    EXPECT_EQ(lastDone, 1);
    EXPECT_EQ(lastTotal, 1);
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = '200545001_FullDate'"))
                  .toLongLong(),
              1);
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"200545001\"")).toLongLong(), 2);
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM Sensors")).toLongLong(), 1);
    // The primary key of the levels holds: one row per scope, quantity and level.
    EXPECT_EQ(sqlite3_exec(conn.handle(),
                           "INSERT INTO TriggerLevels (Scope, Quantity, LevelNo) VALUES ('45', 'Load', 1);"
                           "INSERT INTO TriggerLevels (Scope, Quantity, LevelNo) VALUES ('45', 'Load', 1)",
                           nullptr, nullptr, nullptr) & 0xff,
              SQLITE_CONSTRAINT);

    // Running it again on a current file changes nothing.
    upgradeSchema(conn);
    EXPECT_EQ(schemaVersion(conn), kSchemaVersion);
}

TEST_F(SchemaTest, EveryNewReadingTableHasItsDateIndex)
{
    conn.execute(QStringLiteral("SELECT * INTO `201065002` FROM sensordata WHERE DateTimeKey is null"));
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = '201065002' "
                                 "AND sql LIKE '%FullDate%'"))
                  .toLongLong(),
              1);
}
