// What only a database server has: connection texts, the row key column,
// the schema version's home, reading in blocks, several connections.
#include "store_fixture.h"
#include "store/audit.h"

#include "store/bulk.h"
#include "store/migrate.h"
#include "store/settings.h"

using namespace rv::store;
using namespace rv::store::testing;

TEST(ServerLocation, UrisNameServersAndPasswordsNeverShow)
{
    EXPECT_TRUE(isServerLocation(QStringLiteral("postgresql://eng@db.mine.local:5432/site")));
    EXPECT_TRUE(isServerLocation(QStringLiteral("  postgres://db/site")));
    EXPECT_FALSE(isServerLocation(QStringLiteral("/home/eng/RockvaneTENDON.mdb")));
    EXPECT_FALSE(isServerLocation(QStringLiteral("C:\\Data\\postgresql.mdb")));
    // A refused connection says why, without the password that was written in.
    Connection c;
    try {
        c.open(QStringLiteral("postgresql://eng:Secret42@/nosuchdb?host=/nonexistent-socket-dir&connect_timeout=2"));
        FAIL() << "connected to nothing";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), err::CannotOpen);
        EXPECT_FALSE(e.description().contains(QStringLiteral("Secret42"))) << e.description().toStdString();
        EXPECT_TRUE(e.description().contains(QStringLiteral("nosuchdb")));
    }
    EXPECT_EQ(c.state(), 0);
}

class ServerTest : public StoreBoth {
protected:
    void SetUp() override
    {
        StoreBoth::SetUp();
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, ServerTest, ::testing::Values(Engine::Postgres), engineName);

TEST_P(ServerTest, ASiteHasTheFilesTablesColumnsAndTypesAndNoVisibleRowKey)
{
    ASSERT_EQ(conn.state(), 1);
    EXPECT_TRUE(conn.isServer());
    QTemporaryDir d;
    const QString file = d.filePath(QStringLiteral("site.mdb"));
    createDefaultDatabase(file);
    Connection lite;
    lite.open(file);
    EXPECT_FALSE(lite.isServer());
    EXPECT_EQ(conn.tableNames(), lite.tableNames());
    for (const QString& t : lite.tableNames()) {
        Recordset a, b;
        a.open(QStringLiteral("SELECT * FROM `%1`").arg(t), lite);
        b.open(QStringLiteral("SELECT * FROM `%1`").arg(t), conn);
        ASSERT_EQ(b.fieldCount(), a.fieldCount()) << t.toStdString();
        for (int k = 0; k < a.fieldCount(); ++k) {
            EXPECT_EQ(b.fieldName(k), a.fieldName(k));
            EXPECT_EQ(b.fieldType(k), a.fieldType(k)) << t.toStdString() << "." << a.fieldName(k).toStdString();
        }
        EXPECT_EQ(b.fieldIndex(QStringLiteral("rowid")), -1);
        EXPECT_EQ(b.recordCount(), a.recordCount()) << t.toStdString();
    }
    // The server's own types.
    EXPECT_EQ(raw(QStringLiteral("SELECT data_type FROM information_schema.columns WHERE table_name = 'sensordata' "
                                 "AND column_name = 'Plottemporal'")),
              QVariant(QStringLiteral("boolean")));
    EXPECT_EQ(raw(QStringLiteral("SELECT data_type FROM information_schema.columns WHERE table_name = 'sensordata' "
                                 "AND column_name = 'FullDate'")),
              QVariant(QStringLiteral("timestamp without time zone")));
    EXPECT_EQ(schemaVersion(conn), kSchemaVersion);
    upgradeSchema(conn);
    EXPECT_EQ(schemaVersion(conn), kSchemaVersion);
}

TEST_P(ServerTest, AnOlderSiteGainsWhatIsMissing)
{
    // A site made by version 1: no TriggerLevels, no Settings, no indexes.
    makeReadings(QStringLiteral("250010001"), {QStringLiteral("2005/01/01 08:00:00")});
    conn.execute(QStringLiteral("DROP TABLE TriggerLevels"));
    conn.execute(QStringLiteral("DROP TABLE Settings"));
    conn.backend().exec("DROP INDEX \"250010001_FullDate\"");
    conn.backend().setSchemaVersion(1);
    EXPECT_EQ(schemaVersion(conn), 1);
    upgradeSchema(conn);
    EXPECT_EQ(schemaVersion(conn), kSchemaVersion);
    EXPECT_TRUE(conn.hasTable(QStringLiteral("TriggerLevels")));
    EXPECT_TRUE(conn.hasTable(QStringLiteral("Settings")));
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE indexname = '250010001_FullDate'")).toLongLong(), 1);
    writeSetting(conn, QString(), QStringLiteral("a"), QStringLiteral("it's"));
    EXPECT_EQ(readSetting(conn, QString(), QStringLiteral("a")), std::optional<QString>(QStringLiteral("it's")));
}

TEST_P(ServerTest, LargeReadsComeInBlocksAndKeepTheirOrder)
{
    makeReadings(QStringLiteral("250010001"), {});
    const TableShape shape = tableShape(conn, QStringLiteral("250010001"));
    constexpr int kRows = 4500;  // more than two blocks of the cursor
    {
        Connection::Transaction t(conn);
        BulkInsert ins(conn, shape, {QStringLiteral("DateTimeKey"), QStringLiteral("FullDate"), QStringLiteral("Channel1"),
                                     QStringLiteral("Plottemporal")});
        for (int k = 0; k < kRows; ++k) {
            ins.setText(0, QByteArray("k") + QByteArray::number(k));
            ins.setValue(1, QDateTime(QDate(2005, 1, 1), QTime(0, 0)).addSecs(qint64(kRows - k) * 60));
            ins.setDouble(2, k * 0.5);
            ins.setInt(3, k % 2);
            ins.insert();
        }
        t.commit();
    }
    BulkQuery q(conn, "SELECT \"Channel1\", \"Plottemporal\", \"FullDate\" FROM \"250010001\" ORDER BY \"FullDate\"");
    int n = 0;
    double last = 1e300;
    while (q.next()) {
        const double v = *q.serial(0, ColType::Double);
        EXPECT_LT(v, last);
        last = v;
        EXPECT_EQ(*q.serial(1, ColType::YesNo), double((kRows - 1 - n) % 2));
        ++n;
    }
    EXPECT_EQ(n, kRows);
    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM `250010001` ORDER BY FullDate"), conn);
    EXPECT_EQ(rs.recordCount(), kRows);
    rs.moveLast();
    EXPECT_EQ(rs.value(QStringLiteral("DateTimeKey")), QVariant(QStringLiteral("k0")));
    rs.setAbsolutePosition(2000);
    EXPECT_EQ(rs.value(QStringLiteral("DateTimeKey")).toString(), QStringLiteral("k%1").arg(kRows - 2000));
}

TEST_P(ServerTest, TwoConnectionsShareTheSiteAndASecondKeyIsRefused)
{
    Connection other;
    other.open(path);
    addSensor(QStringLiteral("250010001"));
    Recordset seen;
    seen.open(QStringLiteral("SELECT * FROM Sensors ORDER BY InstrumentID"), other);
    EXPECT_EQ(seen.recordCount(), 1);
    // The key is unique on the server: the second writer is told so.
    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM Sensors ORDER BY InstrumentID"), other);
    rs.addNew();
    rs.setValue(QStringLiteral("InstrumentID"), QStringLiteral("250010001"));
    EXPECT_EQ(errorOf([&] { rs.update(); }), err::DuplicateKey);
    // A write inside a group that fails leaves the group usable.
    {
        Connection::Transaction t(other);
        EXPECT_EQ(errorOf([&] { rs.update(); }), err::DuplicateKey);
        rs.setValue(QStringLiteral("InstrumentID"), QStringLiteral("250010002"));
        rs.update();
        t.commit();
    }
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"Sensors\"")).toLongLong(), 2);
}

namespace {

// Every row of every table, in the order written, as the program reads them.
QStringList siteRows(Connection& c)
{
    QStringList out;
    for (const QString& t : c.tableNames()) {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `%1`").arg(t), c);
        if (rs.recordCount() == 0) {
            out << t + QStringLiteral(": empty");
            continue;
        }
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            QStringList row;
            for (int k = 0; k < rs.fieldCount(); ++k) {
                const QVariant v = rs.value(k);
                row << (v.isValid() ? QStringLiteral("%1=%2").arg(rs.fieldName(k), rs.text(rs.fieldName(k)))
                                    : rs.fieldName(k) + QStringLiteral("=null"));
            }
            out << t + QStringLiteral(": ") + row.join(u'|');
        }
    }
    return out;
}

} // namespace

TEST_P(ServerTest, MigrateThereAndBackGivesTheSameSiteRowForRow)
{
    // A file site with sensors, readings of every type, levels and settings.
    QTemporaryDir d;
    const QString file = d.filePath(QStringLiteral("site.mdb"));
    createDefaultDatabase(file);
    Connection lite;
    lite.open(file);
    {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM Sensors ORDER BY InstrumentID"), lite);
        for (const char* id : {"250010001", "450010002"}) {
            rs.addNew();
            rs.setValue(QStringLiteral("InstrumentID"), QString::fromLatin1(id));
            rs.setValue(QStringLiteral("InstallDate"), QStringLiteral("2005/03/01"));
            rs.setValue(QStringLiteral("Plate"), true);
            rs.setValue(QStringLiteral("LengthofCable"), 6.25);
            rs.setValue(QStringLiteral("Notes"), QStringLiteral("it's \"quoted\" — ünïcode"));
            rs.update();
            lite.execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null").arg(QLatin1String(id)));
        }
        Recordset r;
        r.open(QStringLiteral("SELECT * FROM `250010001` ORDER BY FullDate"), lite);
        for (int k = 0; k < 30; ++k) {
            r.addNew();
            r.setValue(QStringLiteral("DateTimeKey"), QStringLiteral("250010001 %1").arg(k));
            r.setValue(QStringLiteral("ReadingDate"), QDate(2005, 1, 1).addDays(k));
            r.setValue(QStringLiteral("ReadingTime"), QTime(8, 30, k));
            r.setValue(QStringLiteral("FullDate"), QDateTime(QDate(2005, 1, 1).addDays(k), QTime(8, 30, k)));
            r.setValue(QStringLiteral("Channel1"), k * 0.1);
            r.setValue(QStringLiteral("Plottemporal"), k % 3 == 0);
            r.update();
        }
        writeSetting(lite, QStringLiteral("250010001"), QStringLiteral("note"), QStringLiteral("x"));
        writeAudit(lite, {QStringLiteral("250010001"), QStringLiteral("250010001 1"), QStringLiteral("edit"),
                          QStringLiteral("Channel1=0.1"), QStringLiteral("Channel1=0.2")});
    }
    const QStringList before = siteRows(lite);

    // There: into the fixture's new site on the server (it holds no sensors).
    const MigrateResult there = migrateSite(lite, conn, false);
    EXPECT_EQ(there.tables, lite.tableNames().size());
    EXPECT_EQ(siteRows(conn), before);
    // A site that holds sensors is refused, and left as it was.
    EXPECT_EQ(errorOf([&] { migrateSite(lite, conn, false); }), err::TableExists);
    EXPECT_EQ(siteRows(conn), before);
    // With replace it is replaced whole: a sensor only the target had goes.
    makeReadings(QStringLiteral("650010009"), {QStringLiteral("2006/01/01 00:00:00")});
    migrateSite(lite, conn, true);
    EXPECT_FALSE(conn.hasTable(QStringLiteral("650010009")));
    EXPECT_EQ(siteRows(conn), before);

    // And back, into a new file.
    const QString back = d.filePath(QStringLiteral("back.mdb"));
    createDefaultDatabase(back);
    Connection again;
    again.open(back);
    migrateSite(conn, again, false);
    EXPECT_EQ(siteRows(again), before);
    // The server numbers its next change after the ones copied.
    writeAudit(conn, {QStringLiteral("250010001"), QString(), QStringLiteral("delete"), QString(), QString()});
    EXPECT_EQ(raw(QStringLiteral("SELECT max(\"AuditID\") FROM \"AuditLog\"")).toLongLong(),
              raw(QStringLiteral("SELECT count(*) FROM \"AuditLog\"")).toLongLong());
    // Written by the role the server knows, from this machine.
    EXPECT_EQ(raw(QStringLiteral("SELECT \"ChangedBy\" || '@' || \"Machine\" FROM \"AuditLog\" "
                                 "ORDER BY \"AuditID\" DESC LIMIT 1")).toString(),
              raw(QStringLiteral("SELECT current_user")).toString() + u'@' + auditMachine());
}
