#include "store_fixture.h"

#include "store/bulk.h"
#include "store/coltype.h"
#include "store/tableinfo.h"

#include <QDir>
#include <QFile>

using namespace rv::store;
using namespace rv::store::testing;

TEST(ConnectionOpen, MissingFileFailsAndCreatesNothing)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("nothere.mdb"));
    Connection c;
    try {
        c.open(missing);
        FAIL() << "opened a missing file";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), err::CannotOpen);
        EXPECT_TRUE(e.description().contains(missing));
    }
    EXPECT_EQ(c.state(), 0);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(ConnectionOpen, FilesThatAreNotDatabasesFailUntouched)
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.mdb"));
    const QString empty = dir.filePath(QStringLiteral("empty.mdb"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("just some text, not a database at all\n");
        QFile e(empty);
        ASSERT_TRUE(e.open(QIODevice::WriteOnly));
    }
    for (const QString& p : {text, empty, dir.path()}) {
        Connection c;
        EXPECT_EQ(errorOf([&] { c.open(p); }), err::CannotOpen) << p.toStdString();
        EXPECT_EQ(c.state(), 0);
    }
    EXPECT_EQ(QFileInfo(empty).size(), 0);
}

using ConnectionTest = StoreTest;
class ConnectionBoth : public StoreBoth {
protected:
    QString sensorList()
    {
        return raw(QStringLiteral("SELECT %1 FROM \"Sensors\"")
                       .arg(onServer() ? QStringLiteral("string_agg(\"InstrumentID\", ',' ORDER BY rowid)")
                                       : QStringLiteral("group_concat(\"InstrumentID\")")))
            .toString();
    }
};
RV_ON_BOTH_ENGINES(ConnectionBoth);

TEST_F(ConnectionTest, OpensWithDurableSettings)
{
    EXPECT_EQ(conn.state(), 1);
    EXPECT_EQ(raw(QStringLiteral("PRAGMA journal_mode")).toString().toLower(), QStringLiteral("delete"));
    EXPECT_EQ(raw(QStringLiteral("PRAGMA synchronous")).toLongLong(), 2);  // FULL
    conn.close();
    EXPECT_EQ(conn.state(), 0);
    EXPECT_EQ(errorOf([&] { conn.execute(QStringLiteral("DROP TABLE Prefs")); }), err::ObjectClosed);
}

TEST_F(ConnectionTest, AFileStampChangesWithEveryWriteByAnyoneAndEveryOpening)
{
    makeReadings(QStringLiteral("250065001"), {QStringLiteral("2026-01-05 08:00:00")});
    const auto before = conn.fileStamp();
    ASSERT_TRUE(before.has_value());
    // Reading changes nothing.
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"250065001\"")).toLongLong(), 1);
    EXPECT_EQ(conn.fileStamp(), before);

    // An update of this connection's own, even one that changes no row count.
    {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `250065001`"), conn);
        rs.setValue(QStringLiteral("Channel1"), 2.5);
        rs.update();
    }
    const auto own = conn.fileStamp();
    ASSERT_TRUE(own.has_value());
    EXPECT_NE(own, before);

    // Another connection's commit.
    {
        Connection other;
        other.open(path);
        other.execute(QStringLiteral("DELETE * FROM `250065001`"));
    }
    const auto others = conn.fileStamp();
    ASSERT_TRUE(others.has_value());
    EXPECT_NE(others, own);

    // Inside a transaction it cannot be told.
    conn.begin();
    EXPECT_FALSE(conn.fileStamp().has_value());
    conn.rollback();

    // The same file opened again is another opening.
    conn.close();
    EXPECT_FALSE(conn.fileStamp().has_value());
    conn.open(path);
    const auto again = conn.fileStamp();
    ASSERT_TRUE(again.has_value());
    EXPECT_NE(again->opened, others->opened);
}

TEST_P(ConnectionBoth, SelectIntoCopiesTheTemplateWithoutRows)
{
    conn.execute(QStringLiteral("SELECT * INTO `250010001` FROM sensordata WHERE DateTimeKey is null"));
    ASSERT_TRUE(conn.hasTable(QStringLiteral("250010001")));
    Recordset tmpl, copy;
    tmpl.open(QStringLiteral("SELECT * FROM sensordata"), conn);
    copy.open(QStringLiteral("SELECT * FROM `250010001` ORDER BY FullDate"), conn);
    ASSERT_EQ(copy.fieldCount(), 41);
    for (int k = 0; k < copy.fieldCount(); ++k) {
        EXPECT_EQ(copy.fieldName(k), tmpl.fieldName(k));
        EXPECT_EQ(copy.fieldType(k), tmpl.fieldType(k));
    }
    EXPECT_EQ(copy.recordCount(), 0);
    EXPECT_TRUE(copy.bof() && copy.eof());
    // The key stays unique in the copy.
    copy.addNew();
    copy.setValue(QStringLiteral("DateTimeKey"), QStringLiteral("k"));
    copy.update();
    copy.addNew();
    copy.setValue(QStringLiteral("DateTimeKey"), QStringLiteral("k"));
    EXPECT_EQ(errorOf([&] { copy.update(); }), err::DuplicateKey);
    // DoNotPlot keeps its default.
    copy.cancelUpdate();
    copy.moveFirst();
    EXPECT_EQ(copy.value(QStringLiteral("DoNotPlot")), QVariant(false));
    // A second copy under the same name is refused.
    EXPECT_EQ(errorOf([&] {
                  conn.execute(QStringLiteral("SELECT * INTO `250010001` FROM sensordata WHERE DateTimeKey is null"));
              }),
              err::TableExists);
}

TEST_P(ConnectionBoth, DeleteAndDropStatements)
{
    makeReadings(QStringLiteral("450010002"), {QStringLiteral("2005/01/01 10:00:00"), QStringLiteral("2005/01/02 10:00:00")});
    conn.execute(QStringLiteral("DELETE * FROM `450010002`"));
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"450010002\"")).toLongLong(), 0);
    EXPECT_TRUE(conn.hasTable(QStringLiteral("450010002")));
    conn.execute(QStringLiteral("Drop Table `450010002`"));
    EXPECT_FALSE(conn.hasTable(QStringLiteral("450010002")));
    makeReadings(QStringLiteral("450010002"), {});
    conn.execute(QStringLiteral("DROP TABLE `450010002`;"));
    EXPECT_FALSE(conn.hasTable(QStringLiteral("450010002")));
    EXPECT_EQ(errorOf([&] { conn.execute(QStringLiteral("DROP TABLE `450010002`")); }), err::InputTableMissing);
    EXPECT_EQ(errorOf([&] { conn.execute(QStringLiteral("DELETE * FROM `999999999`")); }), err::InputTableMissing);
}

TEST_P(ConnectionBoth, TextsOutsideTheDialectAreRefused)
{
    for (const char* sql : {"UPDATE Prefs SET MineID = 'X'", "DROP TABLE Prefs; DROP TABLE Sensors",
                            "DELETE * FROM Prefs WHERE 1 = 1 OR 2 = 2", "SELECT MineID FROM Prefs",
                            "DELETE * FROM Prefs WHERE MineID = 'RV' --", "PRAGMA user_version = 7",
                            "SELECT * FROM Prefs"}) {
        EXPECT_EQ(errorOf([&] { conn.execute(QString::fromLatin1(sql)); }), err::SyntaxError) << sql;
    }
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"Prefs\"")).toLongLong(), 1);
    EXPECT_EQ(schemaVersion(conn), kSchemaVersion);
}

TEST_P(ConnectionBoth, CatalogueComparesNamesExactly)
{
    makeReadings(QStringLiteral("55001000a"), {});
    EXPECT_TRUE(conn.hasTable(QStringLiteral("55001000a")));
    EXPECT_FALSE(conn.hasTable(QStringLiteral("55001000A")));
    EXPECT_FALSE(conn.hasTable(QStringLiteral("sqlite_master")));
    const QStringList names = conn.tableNames();
    for (const char* t : {"Configuration", "NetworkConfig", "Prefs", "Sensors", "sensordata", "Settings",
                          "TriggerLevels", "AuditLog", "55001000a"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(t))) << t;
    EXPECT_EQ(names.size(), 9);
}

TEST_P(ConnectionBoth, GroupedWritesCommitOrRollBackTogether)
{
    {
        Connection::Transaction t(conn);
        addSensor(QStringLiteral("250010001"));
        addSensor(QStringLiteral("250010002"));
        // Not committed: the destructor rolls back.
    }
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"Sensors\"")).toLongLong(), 0);
    EXPECT_EQ(conn.transactionDepth(), 0);
    {
        Connection::Transaction t(conn);
        addSensor(QStringLiteral("250010001"));
        {
            // An inner group undone on its own leaves the outer one's writes.
            Connection::Transaction inner(conn);
            addSensor(QStringLiteral("250010002"));
        }
        addSensor(QStringLiteral("250010003"));
        t.commit();
    }
    EXPECT_EQ(sensorList(), QStringLiteral("250010001,250010003"));
    // A failed write inside a group spoils nothing else in it.
    {
        Connection::Transaction t(conn);
        EXPECT_EQ(errorOf([&] { addSensor(QStringLiteral("250010001")); }), err::DuplicateKey);
        addSensor(QStringLiteral("250010004"));
        t.commit();
    }
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"Sensors\"")).toLongLong(), 3);
}

// A table is found whatever the case of its name, as SQLite resolves names,
// and always under the name it was made with; a view, an index or a name
// with quotes in it is no table.
TEST_F(StoreTest, TablesAreFoundByNameWithoutRegardToCase)
{
    makeReadings(QStringLiteral("240145001"), {QStringLiteral("2024/01/01 00:00:00")});
    raw(QStringLiteral("CREATE TABLE \"Odd \"\"Name\" (x)"));
    raw(QStringLiteral("CREATE VIEW LatestView AS SELECT 1"));
    using detail::storedTableName;
    EXPECT_EQ(storedTableName(conn.handle(), QStringLiteral("sensors")), QStringLiteral("Sensors"));
    EXPECT_EQ(storedTableName(conn.handle(), QStringLiteral("SENSORDATA")), QStringLiteral("sensordata"));
    EXPECT_EQ(storedTableName(conn.handle(), QStringLiteral("240145001")), QStringLiteral("240145001"));
    EXPECT_EQ(storedTableName(conn.handle(), QStringLiteral("odd \"name")), QStringLiteral("Odd \"Name"));
    EXPECT_FALSE(storedTableName(conn.handle(), QStringLiteral("LatestView")));
    EXPECT_FALSE(storedTableName(conn.handle(), QStringLiteral("240145001_FullDate")));
    EXPECT_FALSE(storedTableName(conn.handle(), QStringLiteral("240145002")));
    EXPECT_FALSE(storedTableName(conn.handle(), QString()));
    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM `SENSORS`"), conn);
    EXPECT_EQ(rs.recordCount(), 0);
}

TEST_P(ConnectionBoth, AReaderSeesWhatIsCommittedAndOnlyReads)
{
    makeReadings(QStringLiteral("250065001"), {QStringLiteral("2026-01-05 08:00:00")});
    if (onServer()) {
        EXPECT_EQ(conn.reader(), nullptr);
        return;
    }
    auto rows = [](Connection& c) {
        BulkQuery q(c, "SELECT count(*) FROM \"250065001\"");
        return q.next() ? q.integer(0) : -1;
    };
    Connection* r = conn.reader();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(rows(*r), 1);
    EXPECT_EQ(errorOf([&] { r->execute(QStringLiteral("DELETE * FROM `250065001`")); }), err::ReadOnly);

    // While this connection has a write not yet committed there is none; a
    // commit is seen by the reader kept from before.
    conn.begin();
    conn.execute(QStringLiteral("DELETE * FROM `250065001`"));
    EXPECT_EQ(conn.reader(), nullptr);
    conn.commit();
    EXPECT_EQ(conn.reader(), r);
    EXPECT_EQ(rows(*r), 0);
    conn.close();
    EXPECT_EQ(conn.reader(), nullptr);
}
