// A table's row count kept in the file at a clean close: the next opening
// takes it instead of counting, but only while nobody can have changed the
// table's count since.
#include "store_fixture.h"
#include "store/recordset_impl.h"
#include "store/bulk.h"
#include "store/migrate.h"
#include "store/settings.h"

using namespace rv::store;
using namespace rv::store::testing;

namespace {

const QString kId = QStringLiteral("200565001");

class CountNotesTest : public StoreTest {
protected:
    void SetUp() override
    {
        // Sets read their keys a block at a time, and count, as on a large
        // table.
        eager = detail::eagerRows();
        detail::setEagerRows(0);
        StoreTest::SetUp();
        makeReadings(kId, {QStringLiteral("2020/01/01 00:00:00"), QStringLiteral("2020/01/02 00:00:00"),
                           QStringLiteral("2020/01/03 00:00:00"), QStringLiteral("2020/01/04 00:00:00")});
    }

    void TearDown() override { detail::setEagerRows(eager); }
    int eager = 0;

    // The count as the connection gives it, and whether it had to count.
    qint64 count(bool* counted)
    {
        *counted = false;
        return conn.tableRowCount(kId, [&] {
            *counted = true;
            return raw(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(kId)).toLongLong();
        });
    }

    void closeCleanly()
    {
        conn.noteRowCounts();
        conn.close();
    }

    // Another program's write, straight through SQLite.
    void elsewhere(const char* sql)
    {
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        char* err = nullptr;
        const int rc = sqlite3_exec(h, sql, nullptr, nullptr, &err);
        EXPECT_EQ(rc, SQLITE_OK) << (err ? err : "");
        sqlite3_free(err);
        sqlite3_close(h);
    }
};

TEST_F(CountNotesTest, ACleanCloseSparesTheNextOpeningItsCountWhileNobodyCanHaveChangedIt)
{
    bool counted = false;
    EXPECT_EQ(count(&counted), 4);
    EXPECT_TRUE(counted);
    closeCleanly();

    conn.open(path);
    EXPECT_EQ(count(&counted), 4);
    EXPECT_FALSE(counted);
    // A close with nothing new to keep leaves the notes as they are, and
    // they stay in force.
    closeCleanly();
    conn.open(path);
    EXPECT_EQ(count(&counted), 4);
    EXPECT_FALSE(counted);
    // An edit changes no count but moves the file on: the close notes the
    // counts again, so that the next opening still finds them in force.
    {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kId), conn);
        EXPECT_EQ(rs.recordCount(), 4);
        rs.moveLast();
        rs.setValue(QStringLiteral("Channel1"), 12.5);
        rs.update();
    }
    closeCleanly();
    conn.open(path);
    EXPECT_EQ(count(&counted), 4);
    EXPECT_FALSE(counted);
    conn.close();

    // What another program does to the file: the note holds while the
    // table's count cannot have changed, and the table is counted again as
    // soon as it may have.
    struct Step {
        const char* sql;
        qint64 rows;
        bool counts;
    };
    const Step steps[] = {
        // A row deleted in the middle: the note's trigger takes it off the
        // count.
        {"DELETE FROM \"200565001\" WHERE DateTimeKey = '200565001 2020/01/02 00:00:00'", 3, false},
        // Writes to other tables, and edits of readings, change no count.
        {"INSERT INTO Settings (Scope, Name, Value) VALUES ('', 'Elsewhere', '1'); "
         "UPDATE \"200565001\" SET Channel1 = 3",
         3, false},
        // A row put below the newest one: the trigger again.
        {"INSERT INTO \"200565001\" (rowid, DateTimeKey, FullDate) "
         "VALUES (-5, '200565001 2020/01/07 00:00:00', '2020/01/07 00:00:00')",
         4, true},
        // A row added after it: a newest rowid the note does not name.
        {"INSERT INTO \"200565001\" (DateTimeKey, FullDate) VALUES ('200565001 2020/01/09 00:00:00', '2020/01/09 00:00:00')",
         5, true},
        // A row replaced, which deletes without firing delete triggers:
        // the row put in its place is seen either way.
        {"INSERT OR REPLACE INTO \"200565001\" (rowid, DateTimeKey, FullDate) "
         "SELECT rowid, DateTimeKey, FullDate FROM \"200565001\" WHERE rowid = -5",
         5, true},
        {"INSERT OR REPLACE INTO \"200565001\" (DateTimeKey, FullDate) "
         "VALUES ('200565001 2020/01/09 00:00:00', '2020/01/10 00:00:00')",
         5, true},
        // The triggers gone with a write: only the change counter is left,
        // and it has moved.
        {"DROP TRIGGER \"200565001_RowCount_Inserts\"; INSERT INTO \"200565001\" (rowid, DateTimeKey, FullDate) "
         "VALUES (-6, '200565001 2020/01/11 00:00:00', '2020/01/11 00:00:00')",
         6, true},
        {"INSERT INTO Settings (Scope, Name, Value) VALUES ('', 'Elsewhere2', '1')", 6, false},
        // A reading added and deleted again: the note never counted it.
        {"INSERT INTO \"200565001\" (DateTimeKey, FullDate) VALUES ('200565001 2020/01/12 00:00:00', "
         "'2020/01/12 00:00:00'); DELETE FROM \"200565001\" WHERE DateTimeKey = '200565001 2020/01/12 00:00:00'",
         6, false},
        // The newest row and the oldest deleted: each taken off the count.
        {"DELETE FROM \"200565001\" WHERE rowid = (SELECT max(rowid) FROM \"200565001\"); "
         "DELETE FROM \"200565001\" WHERE rowid = (SELECT min(rowid) FROM \"200565001\")",
         4, false},
        // A row given the key of another by an UPDATE OR REPLACE, which
        // deletes the other without firing delete triggers: the note goes
        // before the update.
        {"UPDATE OR REPLACE \"200565001\" SET DateTimeKey = (SELECT DateTimeKey FROM \"200565001\" "
         "WHERE rowid = (SELECT min(rowid) FROM \"200565001\")) WHERE rowid = (SELECT max(rowid) FROM \"200565001\")",
         3, true},
        // The newest deleted and a row added, which takes its rowid: a row
        // the note counts among its own, added; the trigger drops the note.
        {"DELETE FROM \"200565001\" WHERE rowid = (SELECT max(rowid) FROM \"200565001\"); "
         "INSERT INTO \"200565001\" (DateTimeKey, FullDate) VALUES ('200565001 2020/01/13 00:00:00', "
         "'2020/01/13 00:00:00')",
         3, true},
    };
    for (const Step& step : steps) {
        elsewhere(step.sql);
        conn.open(path);
        EXPECT_EQ(count(&counted), step.rows) << step.sql;
        EXPECT_EQ(counted, step.counts) << step.sql;
        closeCleanly();
    }
}

TEST_F(CountNotesTest, TheNotesAtCloseHoldTheRowsAsTheyNowStand)
{
    {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kId), conn);
        EXPECT_EQ(rs.recordCount(), 4);
        rs.addNew();
        rs.setValue(QStringLiteral("DateTimeKey"), kId + QStringLiteral(" 2020/01/05 00:00:00"));
        rs.setValue(QStringLiteral("FullDate"), QStringLiteral("2020/01/05 00:00:00"));
        rs.update();
        rs.moveFirst();
        rs.deleteCurrent();
        rs.moveFirst();
        rs.deleteCurrent();
        EXPECT_EQ(rs.recordCount(), 3);
    }
    // A write the count cannot follow (a change log row, say) makes it
    // forgotten; the close counts the table again for its note.
    writeSetting(conn, QString(), QStringLiteral("Elsewhere"), QStringLiteral("1"));
    closeCleanly();
    conn.open(path);
    bool counted = false;
    EXPECT_EQ(count(&counted), 3);
    EXPECT_FALSE(counted);
    {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kId), conn);
        EXPECT_EQ(rs.recordCount(), 3);
        rs.moveLast();
        EXPECT_EQ(rs.text(QStringLiteral("DateTimeKey")), kId + QStringLiteral(" 2020/01/05 00:00:00"));
    }
    conn.close();
}

TEST_F(CountNotesTest, ManyRowsAddedSetTheNoteAsideWithTheirTransaction)
{
    bool counted = false;
    EXPECT_EQ(count(&counted), 4);
    closeCleanly();
    const QString triggers = QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name LIKE '%_RowCount_%'");
    auto addRow = [&](const QString& when, bool keep) {
        conn.open(path);
        Connection::Transaction tx(conn);
        BulkInsert ins(conn, tableShape(conn, kId), {QStringLiteral("DateTimeKey"), QStringLiteral("FullDate")});
        ins.setText(0, (kId + u' ' + when).toUtf8());
        ins.setText(1, when.toUtf8());
        ins.insert();
        EXPECT_EQ(raw(triggers).toInt(), 0);
        if (keep)
            tx.commit();
    };
    // Undone: the note and its triggers come back with the rest.
    addRow(QStringLiteral("2020/01/08 00:00:00"), false);
    EXPECT_EQ(raw(triggers).toInt(), 4);
    EXPECT_EQ(count(&counted), 4);
    EXPECT_FALSE(counted);
    conn.close();
    // Kept: the table is counted afresh, and the close notes it again.
    addRow(QStringLiteral("2020/01/08 00:00:00"), true);
    EXPECT_FALSE(readSetting(conn, kId, QStringLiteral("RowCount")));
    EXPECT_EQ(count(&counted), 5);
    EXPECT_TRUE(counted);
    closeCleanly();
    conn.open(path);
    EXPECT_EQ(raw(triggers).toInt(), 4);
    EXPECT_EQ(count(&counted), 5);
    EXPECT_FALSE(counted);
    conn.close();
}

TEST_F(CountNotesTest, ASiteCopiedElsewhereLeavesItsCountsBehind)
{
    bool counted = false;
    EXPECT_EQ(count(&counted), 4);
    closeCleanly();
    conn.open(path);
    ASSERT_TRUE(readSetting(conn, kId, QStringLiteral("RowCount")));
    const QString copyPath = dir.filePath(QStringLiteral("copy.mdb"));
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(copyPath.toUtf8().constData(), &h), SQLITE_OK);
    sqlite3_exec(h, "CREATE TABLE t (a); DROP TABLE t", nullptr, nullptr, nullptr);  // an empty database
    sqlite3_close(h);
    Connection copy;
    copy.open(copyPath);
    migrateSite(conn, copy, false);
    EXPECT_FALSE(readSetting(copy, kId, QStringLiteral("RowCount")));
    EXPECT_EQ(copy.tableRowCount(kId, [] { return qint64(4); }), 4);
    copy.close();
    conn.close();
}

TEST_F(CountNotesTest, ANoteThatDoesNotHoldIsNeverUsed)
{
    bool counted = false;
    EXPECT_EQ(count(&counted), 4);
    closeCleanly();
    conn.open(path);
    const QString note = readSetting(conn, kId, QStringLiteral("RowCount")).value_or(QString());
    const QStringList parts = note.split(u' ');
    ASSERT_EQ(parts.size(), 3) << note.toStdString();
    EXPECT_EQ(parts[0], QStringLiteral("4"));
    conn.close();

    // A note that names another table's newest row, or cannot be read, is
    // passed over; so is one whose stamp is not the file's once its triggers
    // are gone.
    elsewhere("DROP TRIGGER \"200565001_RowCount_Deletes\"");
    for (const QString& wrong : {QStringLiteral("%1 %2 999").arg(parts[0], parts[1]), QStringLiteral("four"),
                                 QStringLiteral("4 %1 %2").arg(parts[1].toUInt() + 500).arg(parts[2])}) {
        conn.open(path);
        writeSetting(conn, kId, QStringLiteral("RowCount"), wrong);
        conn.close();
        // The write above moved the counter on: stamp the wrong note with
        // the counter the file now has, as a fault would.
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "SELECT 1 FROM Settings", -1, &st, nullptr);
        sqlite3_step(st);
        sqlite3_file* f = nullptr;
        sqlite3_file_control(h, "main", SQLITE_FCNTL_FILE_POINTER, &f);
        unsigned char b[4] = {};
        f->pMethods->xRead(f, b, 4, 24);
        sqlite3_finalize(st);
        sqlite3_close(h);
        const quint32 counter = (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | b[3];
        QString stamped = wrong;
        if (wrong.startsWith(parts[0] + u' ') && wrong.endsWith(QStringLiteral(" 999")))
            stamped = QStringLiteral("%1 %2 999").arg(parts[0]).arg(counter + 1);
        conn.open(path);
        writeSetting(conn, kId, QStringLiteral("RowCount"), stamped);
        conn.close();
        conn.open(path);
        EXPECT_EQ(count(&counted), 4) << wrong.toStdString();
        EXPECT_TRUE(counted) << wrong.toStdString();
        conn.close();
    }
}

} // namespace
