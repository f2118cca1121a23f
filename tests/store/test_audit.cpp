#include "store_fixture.h"

#include "store/audit.h"

#include <QDateTime>

using namespace rv::store;
using namespace rv::store::testing;

using AuditTest = StoreTest;
// The same log on a database file and on a server.
class AuditBoth : public StoreBoth {};

namespace {

AuditEntry entry(const QString& sensor, const QString& action, const QString& newValues = QString())
{
    return AuditEntry{sensor, QString(), action, QString(), newValues};
}

} // namespace

// A file as the second release wrote it: no change log yet.
TEST_F(AuditTest, VersionTwoFileGainsTheLogAndKeepsItsRows)
{
    addSensor(QStringLiteral("200545001"));
    makeReadings(QStringLiteral("200545001"), {QStringLiteral("2024/01/15 00:00:00"), QStringLiteral("2024/01/16 00:00:00")});
    sqlite3_exec(conn.handle(), "INSERT INTO Settings (Scope, Name, Value) VALUES ('', 'x', 'y')", nullptr, nullptr,
                 nullptr);
    ASSERT_EQ(sqlite3_exec(conn.handle(), "DROP TABLE AuditLog; PRAGMA user_version = 2", nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_FALSE(conn.hasTable(kAuditTable));
    // Nothing to write into: a change on such a file is not refused for it.
    writeAudit(conn, entry(QStringLiteral("200545001"), audit::Edit));
    EXPECT_TRUE(readAuditLog(conn, QString(), 0, 10).empty());

    upgradeSchema(conn);
    EXPECT_EQ(schemaVersion(conn), 3);
    EXPECT_TRUE(conn.hasTable(kAuditTable));
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = 'AuditLog_Sensor'"))
                  .toLongLong(),
              1);
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"200545001\"")).toLongLong(), 2);
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"Sensors\"")).toLongLong(), 1);
    EXPECT_EQ(raw(QStringLiteral("SELECT Value FROM Settings WHERE Name = 'x'")).toString(), QStringLiteral("y"));
    writeAudit(conn, entry(QStringLiteral("200545001"), audit::Edit));
    EXPECT_EQ(countAuditLog(conn, QString()), 1);
}

TEST_P(AuditBoth, RowsTellWhoWhereWhenAndReadBackNewestFirstInPages)
{
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
    for (int k = 0; k < 7; ++k)
        writeAudit(conn, entry(k % 2 ? QStringLiteral("200545001") : QStringLiteral("200545002"), audit::Add,
                               QStringLiteral("n=%1").arg(k)));
    writeAudit(conn, AuditEntry{QString(), QString(), audit::Levels, QStringLiteral("Type=45"), QString()});

    const auto first = readAuditLog(conn, QString(), 0, 3);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].action, audit::Levels);
    EXPECT_EQ(first[1].newValues, QStringLiteral("n=6"));
    EXPECT_GT(first[0].id, first[1].id);
    EXPECT_FALSE(first[0].changedBy.isEmpty());
    EXPECT_EQ(first[0].changedBy, auditUser(conn));
    EXPECT_EQ(first[0].machine, auditMachine());
    EXPECT_TRUE(first[0].changedAt.isValid());
    EXPECT_GE(first[0].changedAt, start);
    EXPECT_LE(first[0].changedAt, QDateTime::currentDateTime().addSecs(1));

    // The next page starts below the last row shown.
    const auto next = readAuditLog(conn, QString(), first.back().id, 100);
    ASSERT_EQ(next.size(), 5u);
    EXPECT_EQ(next.front().newValues, QStringLiteral("n=4"));
    EXPECT_EQ(next.back().newValues, QStringLiteral("n=0"));
    EXPECT_EQ(countAuditLog(conn, QString()), 8);
    EXPECT_EQ(countAuditLog(conn, QString(), first.back().id), 5);

    // One sensor's rows only.
    const auto one = readAuditLog(conn, QStringLiteral("200545001"), 0, 100);
    ASSERT_EQ(one.size(), 3u);
    for (const auto& r : one)
        EXPECT_EQ(r.instrumentId, QStringLiteral("200545001"));
    EXPECT_EQ(one[0].newValues, QStringLiteral("n=5"));
    EXPECT_EQ(countAuditLog(conn, QStringLiteral("200545001")), 3);
    EXPECT_EQ(auditSensors(conn), (QStringList{QStringLiteral("200545001"), QStringLiteral("200545002")}));
}

// The row goes with the change: a change rolled back takes its row with it,
// whether the change or something after it failed.
TEST_P(AuditBoth, RowIsWrittenAndRolledBackWithTheChange)
{
    addSensor(QStringLiteral("200545001"));
    {
        Connection::Transaction tx(conn);
        writeAudit(conn, entry(QStringLiteral("200545001"), audit::Delete));
        conn.execute(QStringLiteral("DELETE * FROM Sensors WHERE InstrumentID = '200545001'"));
        // never committed
    }
    EXPECT_EQ(countAuditLog(conn, QString()), 0);
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"Sensors\"")).toLongLong(), 1);

    Recordset rs;
    rs.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    rs.addNew();
    rs.setValue(QStringLiteral("InstrumentID"), QStringLiteral("200545001"));  // a duplicate: refused
    EXPECT_NE(errorOf([&] {
                  Connection::Transaction tx(conn);
                  writeAudit(conn, entry(QStringLiteral("200545001"), audit::Add));
                  rs.update();
                  tx.commit();
              }),
              0);
    rs.cancelUpdate();
    EXPECT_EQ(countAuditLog(conn, QString()), 0);

    {
        Connection::Transaction tx(conn);
        writeAudit(conn, entry(QStringLiteral("200545001"), audit::Edit));
        tx.commit();
    }
    EXPECT_EQ(countAuditLog(conn, QString()), 1);
}

TEST_P(AuditBoth, ValuesAreWrittenOneWayAndOnlyWhatChanged)
{
    AuditPairs p;
    p.add(QStringLiteral("Level"), QStringLiteral("L1; north"))
        .add(QStringLiteral("Notes"), QStringLiteral("say \"hi\""))
        .add(QStringLiteral("Plate"), true)
        .add(QStringLiteral("Recess"), 1.5)
        .add(QStringLiteral("InstallDate"), QDate(2024, 1, 5))
        .add(QStringLiteral("Empty"), QVariant())
        .add(QStringLiteral("Padded"), QStringLiteral(" x"));
    EXPECT_EQ(p.text(), QStringLiteral("Level=\"L1; north\"; Notes=\"say \"\"hi\"\"\"; Plate=Yes; Recess=1.5; "
                                       "InstallDate=2024/01/05; Empty=; Padded=\" x\""));

    addSensor(QStringLiteral("200545001"), QStringLiteral("L1"));
    Recordset rs;
    rs.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    const RowValues before = currentValues(rs);
    rs.setValue(QStringLiteral("Level"), QStringLiteral("L2"));
    rs.setValue(QStringLiteral("Location"), QString());  // null before, empty now: no change
    rs.setValue(QStringLiteral("Destroyed"), QStringLiteral("No"));  // as it was
    rs.setValue(QStringLiteral("Recess"), 0.25);
    const ChangedValues ch = changedValues(rs, before);
    // In the table's order of fields.
    EXPECT_EQ(ch.oldValues, QStringLiteral("Recess=; Level=L1"));
    EXPECT_EQ(ch.newValues, QStringLiteral("Recess=0.25; Level=L2"));
    rs.cancelUpdate();
    EXPECT_TRUE(changedValues(rs, before).isEmpty());
    EXPECT_EQ(rowText(rs, {QStringLiteral("InstrumentID")}),
              QStringLiteral("SensorType=45; HeadLocation=No; Plate=No; Level=L1; Destroyed=No"));
}

// The byte buffer writes every value as AuditPairs does.
TEST_F(AuditTest, PairsInBytesReadAsThePairsInText)
{
    const QList<std::pair<QString, QVariant>> values = {
        {QStringLiteral("A"), 1.5},          {QStringLiteral("B"), 0.1 + 0.2},
        {QStringLiteral("C"), 1e20},         {QStringLiteral("D"), -0.000012},
        {QStringLiteral("E"), QVariant()},   {QStringLiteral("F"), true},
        {QStringLiteral("G"), false},        {QStringLiteral("H"), QStringLiteral("a; b")},
        {QStringLiteral("I"), QStringLiteral("Ä \"q\"")}, {QStringLiteral("J"), QDate(2024, 1, 5)},
        {QStringLiteral("K"), qint64(42)},
    };
    AuditPairs text;
    AuditPairsUtf8 bytes;
    for (const auto& [field, v] : values) {
        text.add(field, v);
        bytes.add(field.toUtf8(), v);
    }
    EXPECT_EQ(QString::fromUtf8(bytes.text()), text.text());
}

namespace rv::store::testing {
RV_ON_BOTH_ENGINES(AuditBoth);
}
