// Two users on one site: a record set's write of a row someone else changed
// or deleted since the set read it. On a server the write is refused and the
// edit kept; on a database file (one writer at a time) nothing changes.
#include "store_fixture.h"
#include "store/audit.h"
#include "store/bulk.h"

using namespace rv::store;
using namespace rv::store::testing;

namespace {

const QString kSensors = QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;");
const QString kReadings = QStringLiteral("SELECT * FROM `250010001` ORDER BY FullDate");

class Conflict : public StoreBoth {
protected:
    void SetUp() override
    {
        StoreBoth::SetUp();
        if (HasFatalFailure())
            return;
        addSensor(QStringLiteral("250010001"), QStringLiteral("L1"));
        addSensor(QStringLiteral("250010002"), QStringLiteral("L2"));
        addSensor(QStringLiteral("250010003"), QStringLiteral("L3"));
        makeReadings(QStringLiteral("250010001"),
                     {QStringLiteral("2005/01/01 08:00:00"), QStringLiteral("2005/01/02 08:00:00"),
                      QStringLiteral("2005/01/03 08:00:00")});
        other.open(path);
    }
    void TearDown() override
    {
        other.close();
        StoreBoth::TearDown();
    }

    // Someone else's edit of one field of the row found by `where`.
    void otherSets(const QString& table, const QString& where, const QString& field, const QVariant& v)
    {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `%1` WHERE %2").arg(table, where), other);
        ASSERT_FALSE(rs.eof());
        rs.setValue(field, v);
        rs.update();
    }
    void otherDeletes(const QString& table, const QString& where)
    {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `%1` WHERE %2").arg(table, where), other);
        ASSERT_FALSE(rs.eof());
        rs.deleteCurrent();
    }
    QString stored(const QString& sql) { return raw(sql).toString(); }

    Connection other;
};

RV_ON_BOTH_ENGINES(Conflict);

TEST_P(Conflict, AnEditOfARowChangedMeanwhileIsRefusedAndKeptUntilTheUserChooses)
{
    Recordset rs;
    rs.open(kSensors, conn);
    rs.find(QStringLiteral("InstrumentID = '250010002'"));
    ASSERT_EQ(rs.text(QStringLiteral("Level")), QStringLiteral("L2"));
    const qint64 seen = rs.rowVersion();
    EXPECT_EQ(seen != 0, onServer());

    otherSets(QStringLiteral("Sensors"), QStringLiteral("InstrumentID = '250010002'"), QStringLiteral("Level"),
              QStringLiteral("Theirs"));
    rs.setValue(QStringLiteral("Level"), QStringLiteral("Mine"));
    const auto levelSql = QStringLiteral("SELECT \"Level\" FROM \"Sensors\" WHERE \"InstrumentID\" = '250010002'");
    if (!onServer()) {
        // A file has one writer at a time: the last write stands, as always.
        rs.update();
        EXPECT_EQ(stored(levelSql), QStringLiteral("Mine"));
        return;
    }
    // Inside the caller's transaction, which stays usable.
    {
        Connection::Transaction tx(conn);
        EXPECT_EQ(errorOf([&] { rs.update(); }), err::ChangedByOther);
        EXPECT_TRUE(rs.editPending());
        EXPECT_EQ(rs.text(QStringLiteral("Level")), QStringLiteral("Mine"));
        // A move writes the pending edit first: refused the same way.
        EXPECT_EQ(errorOf([&] { rs.moveFirst(); }), err::ChangedByOther);
        EXPECT_EQ(rs.text(QStringLiteral("Level")), QStringLiteral("Mine"));
        rs.cancelUpdate();
        Recordset third;
        third.open(QStringLiteral("SELECT * FROM Sensors WHERE InstrumentID = '250010003'"), conn);
        third.setValue(QStringLiteral("Level"), QStringLiteral("still usable"));
        third.update();
        tx.commit();
    }
    EXPECT_EQ(stored(levelSql), QStringLiteral("Theirs"));
    EXPECT_EQ(stored(QStringLiteral("SELECT \"Level\" FROM \"Sensors\" WHERE \"InstrumentID\" = '250010003'")),
              QStringLiteral("still usable"));

    // Keeping the edit: the set takes the stored row and its version, the
    // edit stays pending, and the second save writes it deliberately.
    rs.find(QStringLiteral("InstrumentID = '250010002'"));
    // Shown (a large set reads it now, after the writes above; a small one
    // shows it as it first read it), then changed by the other user.
    EXPECT_FALSE(rs.text(QStringLiteral("Level")).isEmpty());
    otherSets(QStringLiteral("Sensors"), QStringLiteral("InstrumentID = '250010002'"), QStringLiteral("Level"),
              QStringLiteral("Theirs again"));
    rs.setValue(QStringLiteral("Level"), QStringLiteral("Mine"));
    rs.setValue(QStringLiteral("Location"), QStringLiteral("checked"));
    EXPECT_EQ(errorOf([&] { rs.update(); }), err::ChangedByOther);
    ASSERT_TRUE(rs.reloadCurrent());
    EXPECT_TRUE(rs.editPending());
    EXPECT_NE(rs.rowVersion(), seen);
    rs.update();
    EXPECT_EQ(stored(levelSql), QStringLiteral("Mine"));
    // The set holds the version it wrote: the next edit needs no reload.
    const qint64 written = rs.rowVersion();
    EXPECT_NE(written, seen);
    rs.setValue(QStringLiteral("Level"), QStringLiteral("Mine again"));
    rs.update();
    EXPECT_EQ(stored(levelSql), QStringLiteral("Mine again"));

    // Dropping the edit: the stored values come back.
    otherSets(QStringLiteral("Sensors"), QStringLiteral("InstrumentID = '250010002'"), QStringLiteral("Level"),
              QStringLiteral("Theirs 2"));
    rs.setValue(QStringLiteral("Level"), QStringLiteral("Lost"));
    EXPECT_EQ(errorOf([&] { rs.update(); }), err::ChangedByOther);
    rs.cancelUpdate();
    ASSERT_TRUE(rs.reloadCurrent());
    EXPECT_FALSE(rs.editPending());
    EXPECT_EQ(rs.text(QStringLiteral("Level")), QStringLiteral("Theirs 2"));
    EXPECT_EQ(stored(levelSql), QStringLiteral("Theirs 2"));
}

TEST_P(Conflict, ARowDeletedMeanwhileIsNeitherWrittenNorAddedBack)
{
    Recordset rs;
    rs.open(kReadings, conn);
    rs.moveNext();
    ASSERT_EQ(rs.text(QStringLiteral("ReadingDate")), QStringLiteral("2005/01/02"));
    otherDeletes(QStringLiteral("250010001"), QStringLiteral("ReadingDate = #2005/01/02#"));
    rs.setValue(QStringLiteral("Channel1"), 5.5);
    const auto count = QStringLiteral("SELECT count(*) FROM \"250010001\"");
    if (!onServer()) {
        EXPECT_NE(errorOf([&] { rs.update(); }), 0);  // as before: the row cannot be found
        EXPECT_EQ(raw(count).toInt(), 2);
        return;
    }
    EXPECT_EQ(errorOf([&] { rs.update(); }), err::DeletedByOther);
    EXPECT_TRUE(rs.editPending());
    EXPECT_EQ(raw(count).toInt(), 2);
    // The set moves on as after a delete of its own.
    EXPECT_FALSE(rs.reloadCurrent());
    EXPECT_FALSE(rs.editPending());
    EXPECT_EQ(rs.recordCount(), 2);
    rs.moveNext();
    EXPECT_EQ(rs.text(QStringLiteral("ReadingDate")), QStringLiteral("2005/01/03"));
}

TEST_P(Conflict, ADeletionOfARowChangedOrDeletedMeanwhileIsRefused)
{
    if (!onServer())
        GTEST_SKIP() << "a file has one writer at a time";
    Recordset rs;
    rs.open(kReadings, conn);
    ASSERT_EQ(rs.text(QStringLiteral("ReadingDate")), QStringLiteral("2005/01/01"));
    otherSets(QStringLiteral("250010001"), QStringLiteral("ReadingDate = #2005/01/01#"), QStringLiteral("Channel1"),
              7.25);
    EXPECT_EQ(errorOf([&] { rs.deleteCurrent(); }), err::ChangedByOther);
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"250010001\"")).toInt(), 3);
    // Seen, and deleted deliberately.
    ASSERT_TRUE(rs.reloadCurrent());
    EXPECT_DOUBLE_EQ(rs.value(QStringLiteral("Channel1")).toDouble(), 7.25);
    rs.deleteCurrent();
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"250010001\"")).toInt(), 2);

    rs.moveNext();
    ASSERT_EQ(rs.text(QStringLiteral("ReadingDate")), QStringLiteral("2005/01/02"));
    otherDeletes(QStringLiteral("250010001"), QStringLiteral("ReadingDate = #2005/01/02#"));
    EXPECT_EQ(errorOf([&] { rs.deleteCurrent(); }), err::DeletedByOther);
}

TEST_P(Conflict, TheLoggedWriteKeepsTheEditAndLogsNothingWhenRefused)
{
    if (!onServer())
        GTEST_SKIP() << "a file has one writer at a time";
    Recordset rs;
    rs.open(kSensors, conn);
    ASSERT_EQ(rs.text(QStringLiteral("Level")), QStringLiteral("L1"));
    otherSets(QStringLiteral("Sensors"), QStringLiteral("InstrumentID = '250010001'"), QStringLiteral("Level"),
              QStringLiteral("Theirs"));
    const qint64 logged = countAuditLog(conn, QString());
    rs.setValue(QStringLiteral("Level"), QStringLiteral("Mine"));
    AuditEntry e{QStringLiteral("250010001"), QString(), audit::Edit, QStringLiteral("Level=L1"),
                 QStringLiteral("Level=Mine")};
    EXPECT_EQ(errorOf([&] { updateWithAudit(conn, rs, e); }), err::ChangedByOther);
    EXPECT_TRUE(rs.editPending());
    EXPECT_EQ(countAuditLog(conn, QString()), logged);
    EXPECT_EQ(errorOf([&] { deleteWithAudit(conn, rs, e); }), err::ChangedByOther);
    EXPECT_EQ(countAuditLog(conn, QString()), logged);
    ASSERT_TRUE(rs.reloadCurrent());
    updateWithAudit(conn, rs, e);
    EXPECT_EQ(countAuditLog(conn, QString()), logged + 1);
    EXPECT_EQ(stored(QStringLiteral("SELECT \"Level\" FROM \"Sensors\" WHERE \"InstrumentID\" = '250010001'")),
              QStringLiteral("Mine"));
}

TEST_P(Conflict, ANewRowAndAReorderedRowCarryTheirVersions)
{
    if (!onServer())
        GTEST_SKIP() << "a file has no row versions";
    Recordset rs;
    rs.open(kReadings, conn);
    rs.addNew();
    rs.setValue(QStringLiteral("DateTimeKey"), QStringLiteral("250010001 2004/12/31 08:00:00"));
    rs.setValue(QStringLiteral("FullDate"), QStringLiteral("2004/12/31 08:00:00"));
    rs.update();
    EXPECT_NE(rs.rowVersion(), 0);
    rs.setValue(QStringLiteral("Channel1"), 1.5);
    rs.update();  // its own write is no conflict
    rs.reorderCurrent();
    EXPECT_EQ(rs.absolutePosition(), 1);
    // Someone else moves the first row to the end; a reload follows it.
    rs.moveLast();
    ASSERT_EQ(rs.text(QStringLiteral("ReadingDate")), QStringLiteral("2005/01/03"));
    otherSets(QStringLiteral("250010001"), QStringLiteral("ReadingDate = #2005/01/03#"), QStringLiteral("Channel2"),
              9.0);
    rs.setValue(QStringLiteral("Channel1"), 2.0);
    EXPECT_EQ(errorOf([&] { rs.update(); }), err::ChangedByOther);
    ASSERT_TRUE(rs.reloadCurrent());
    EXPECT_DOUBLE_EQ(rs.value(QStringLiteral("Channel2")).toDouble(), 9.0);
    EXPECT_DOUBLE_EQ(rs.value(QStringLiteral("Channel1")).toDouble(), 2.0);
    rs.update();
    rs.requery();
    rs.moveLast();
    EXPECT_DOUBLE_EQ(rs.value(QStringLiteral("Channel1")).toDouble(), 2.0);
    EXPECT_DOUBLE_EQ(rs.value(QStringLiteral("Channel2")).toDouble(), 9.0);
}

TEST_P(Conflict, AVersionCheckedBulkUpdateWritesOnlyTheRowsStillAsRead)
{
    Recordset rs;
    rs.open(kReadings, conn);
    std::vector<std::pair<qint64, qint64>> read;  // rowid, version
    for (; !rs.eof(); rs.moveNext())
        read.emplace_back(rs.bookmark(), rs.rowVersion());
    ASSERT_EQ(read.size(), 3u);
    otherSets(QStringLiteral("250010001"), QStringLiteral("ReadingDate = #2005/01/02#"), QStringLiteral("Channel2"),
              9.0);
    otherDeletes(QStringLiteral("250010001"), QStringLiteral("ReadingDate = #2005/01/03#"));

    const TableShape shape = tableShape(conn, QStringLiteral("250010001"));
    {
        Connection::Transaction tx(conn);
        BulkUpdate u(conn, shape, {QStringLiteral("Channel1")}, RowVersion::Check);
        u.setDouble(0, 2.5);
        // A file keeps no versions: the row another connection changed is
        // written all the same (one writer at a time), a deleted one is not.
        if (onServer())
            EXPECT_EQ(errorOf([&] { u.update(read[1].first, read[1].second); }), err::ChangedByOther);
        else
            u.update(read[1].first, read[1].second);
        EXPECT_EQ(errorOf([&] { u.update(read[2].first, read[2].second); }), err::DeletedByOther);
        // The transaction stays usable after a refusal.
        u.setDouble(0, 1.5);
        u.update(read[0].first, read[0].second);
        tx.commit();
    }
    auto channel1 = [&](qint64 rowid) {
        return raw(QStringLiteral("SELECT \"Channel1\" FROM \"250010001\" WHERE rowid = %1").arg(rowid));
    };
    EXPECT_EQ(channel1(read[0].first).toDouble(), 1.5);
    if (onServer())
        EXPECT_TRUE(channel1(read[1].first).isNull());
    else
        EXPECT_EQ(channel1(read[1].first).toDouble(), 2.5);
}

} // namespace
