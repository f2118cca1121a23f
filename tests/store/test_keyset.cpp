// A record set on a million readings: it holds keys, not rows, and reads a
// table's keys a block at a time, so what another connection does to the
// file between the set's reads shows, and must be handled.
#include "store_fixture.h"
#include "store/recordset_impl.h"

#include <QDateTime>

using namespace rv::store;
using namespace rv::store::testing;

namespace {

constexpr int kRows = 1000000;
const QString kId = QStringLiteral("200565009");

// The reading at 0-based place k in date order: one an hour from 2000.
QString stampAt(int k, const char* format = "yyyy/MM/dd HH:mm:ss")
{
    return QDateTime(QDate(2000, 1, 1), QTime(0, 0)).addSecs(3600LL * k).toString(QString::fromLatin1(format));
}

class KeysetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        path = dir->filePath(QStringLiteral("RockvaneTENDON.mdb"));
        createDefaultDatabase(path);
        Connection c;
        c.open(path);
        c.execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null").arg(kId));
        // Written newest first, so that the set's order is not the file's.
        const QByteArray fill = QStringLiteral(
            "WITH RECURSIVE n(k) AS (SELECT %1 UNION ALL SELECT k - 1 FROM n WHERE k > 0), "
            "t(k, at) AS (SELECT k, datetime('2000-01-01', '+' || k || ' hours') FROM n) "
            "INSERT INTO \"%2\" (DateTimeKey, ReadingDate, ReadingTime, FullDate, Channel1, Plottemporal) "
            "SELECT '%2 ' || strftime('%Y/%m/%d %H:%M:%S', at), date(at), time(at), at, k, 1 FROM t")
                                    .arg(kRows - 1)
                                    .arg(kId)
                                    .toUtf8();
        char* err = nullptr;
        ASSERT_EQ(sqlite3_exec(c.handle(), fill.constData(), nullptr, nullptr, &err), SQLITE_OK) << err;
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override
    {
        conn.open(path);
        rs.open(QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kId), conn);
    }
    void TearDown() override
    {
        rs.close();
        conn.close();
    }
    // Writes behind the set's back, as another program would.
    static void elsewhere(const QString& sql)
    {
        Connection other;
        other.open(path);
        char* err = nullptr;
        ASSERT_EQ(sqlite3_exec(other.handle(), sql.toUtf8().constData(), nullptr, nullptr, &err), SQLITE_OK) << err;
    }
    int channel() { return rs.value(QStringLiteral("Channel1")).toInt(); }

    static QTemporaryDir* dir;
    static QString path;
    Connection conn;
    Recordset rs;
};

QTemporaryDir* KeysetTest::dir = nullptr;
QString KeysetTest::path;

} // namespace

TEST_F(KeysetTest, PositionsBookmarksFindsAndReordersAcrossAMillionRows)
{
    EXPECT_EQ(rs.recordCount(), kRows);
    EXPECT_EQ(channel(), 0);
    rs.moveLast();
    EXPECT_EQ(rs.absolutePosition(), kRows);
    EXPECT_EQ(channel(), kRows - 1);
    rs.movePrevious();
    EXPECT_EQ(channel(), kRows - 2);
    rs.setAbsolutePosition(500001);
    EXPECT_EQ(channel(), 500000);
    EXPECT_EQ(rs.text(QStringLiteral("FullDate")), stampAt(500000));
    const qint64 middle = rs.bookmark();

    rs.moveFirst();
    rs.setBookmark(middle);
    EXPECT_EQ(rs.absolutePosition(), 500001);
    rs.moveLast();
    rs.setBookmark(middle);  // from a block read earlier
    EXPECT_EQ(channel(), 500000);

    rs.moveFirst();
    rs.find(QStringLiteral("DateTimeKey = '%1 %2'").arg(kId, stampAt(750000)));
    EXPECT_EQ(rs.absolutePosition(), 750001);
    rs.find(QStringLiteral("DateTimeKey = '%1 %2'").arg(kId, stampAt(10)));  // behind: not found
    EXPECT_TRUE(rs.eof());
    rs.moveFirst();
    rs.find(QStringLiteral("Channel1 = 999990"));  // a find that reads every row
    EXPECT_EQ(rs.absolutePosition(), 999991);

    // The reading at 250,000 moved to just after the one at 800,000, into a
    // part of the table the set has not read.
    rs.setAbsolutePosition(250001);
    rs.setValue(QStringLiteral("FullDate"), stampAt(800000, "yyyy/MM/dd HH:mm:01"));
    rs.update();
    rs.reorderCurrent();
    EXPECT_EQ(rs.absolutePosition(), 800001);
    EXPECT_EQ(channel(), 250000);
    rs.movePrevious();
    EXPECT_EQ(channel(), 800000);
    rs.setAbsolutePosition(250001);
    EXPECT_EQ(channel(), 250001);
    rs.moveLast();
    EXPECT_EQ(rs.recordCount(), kRows);
    EXPECT_EQ(channel(), kRows - 1);
    // And back, as a requery would put it.
    rs.setAbsolutePosition(800001);
    rs.setValue(QStringLiteral("FullDate"), stampAt(250000));
    rs.update();
    rs.reorderCurrent();
    EXPECT_EQ(rs.absolutePosition(), 250001);
    rs.requery();
    rs.setAbsolutePosition(250001);
    EXPECT_EQ(channel(), 250000);
}

TEST_F(KeysetTest, ARowDeletedByAnotherConnection)
{
    rs.setAbsolutePosition(600001);
    EXPECT_EQ(channel(), 600000);
    rs.setAbsolutePosition(600101);  // its key is held, its fields not yet read
    const qint64 gone = rs.bookmark();
    rs.setAbsolutePosition(600001);
    elsewhere(QStringLiteral("DELETE FROM \"%1\" WHERE Channel1 IN (600100, 900000)").arg(kId));

    // A row the set holds but the file has lost keeps its place; reading it
    // says it is deleted, writing it says it cannot be found.
    rs.setAbsolutePosition(600101);
    EXPECT_EQ(errorOf([&] { rs.value(QStringLiteral("Channel1")); }), err::RecordDeleted);
    rs.setValue(QStringLiteral("Channel2"), 1.0);
    EXPECT_EQ(errorOf([&] { rs.update(); }), err::EngineError);
    rs.cancelUpdate();
    // A bookmark of it finds nothing, and leaves the cursor where it was.
    rs.moveFirst();
    EXPECT_EQ(errorOf([&] { rs.setBookmark(gone); }), err::BadCriteria);
    EXPECT_EQ(rs.absolutePosition(), 1);
    rs.setAbsolutePosition(600101);
    rs.moveNext();
    EXPECT_EQ(channel(), 600101);
    // Deleting it again is harmless.
    rs.movePrevious();
    rs.deleteCurrent();
    rs.moveNext();
    EXPECT_EQ(channel(), 600101);
    EXPECT_EQ(rs.recordCount(), kRows - 1);

    // A row deleted in a part not read yet is simply not there when read.
    rs.moveFirst();
    rs.find(QStringLiteral("Channel1 = 899999"));
    rs.moveNext();
    EXPECT_EQ(channel(), 900001);
    rs.requery();
    EXPECT_EQ(rs.recordCount(), kRows - 2);
    rs.moveLast();
    EXPECT_EQ(channel(), kRows - 1);
    EXPECT_EQ(rs.absolutePosition(), kRows - 2);
    elsewhere(QStringLiteral("INSERT INTO \"%1\" (DateTimeKey, FullDate, Channel1) VALUES "
                             "('%1 a', '%2', 600100), ('%1 b', '%3', 900000)")
                  .arg(kId, stampAt(600100, "yyyy-MM-dd HH:mm:ss"), stampAt(900000, "yyyy-MM-dd HH:mm:ss")));
}

TEST_F(KeysetTest, ABookmarkOfADeletedRowFindsNothing)
{
    rs.setAbsolutePosition(123457);
    const qint64 gone = rs.bookmark();
    rs.moveNext();
    const qint64 kept = rs.bookmark();
    rs.setAbsolutePosition(123457);
    rs.deleteCurrent();
    EXPECT_EQ(rs.recordCount(), kRows - 1);
    EXPECT_EQ(errorOf([&] { rs.setBookmark(gone); }), err::BadCriteria);
    rs.setBookmark(kept);
    EXPECT_EQ(rs.absolutePosition(), 123457);
    EXPECT_EQ(channel(), 123457);
    rs.requery();
    EXPECT_EQ(errorOf([&] { rs.setBookmark(gone); }), err::BadCriteria);
    rs.setBookmark(kept);
    EXPECT_EQ(rs.absolutePosition(), 123457);
    // Put back for the other tests.
    rs.addNew();
    rs.setValue(QStringLiteral("DateTimeKey"), kId + u' ' + stampAt(123456));
    rs.setValue(QStringLiteral("FullDate"), stampAt(123456));
    rs.setValue(QStringLiteral("Channel1"), 123456);
    rs.update();
    EXPECT_EQ(rs.absolutePosition(), kRows);  // a new row stays last until reordered
    rs.reorderCurrent();
    EXPECT_EQ(rs.absolutePosition(), 123457);
    rs.requery();
    rs.setAbsolutePosition(123457);
    EXPECT_EQ(channel(), 123456);
}

namespace {

// Whole-table counts run on a connection.
int gCounts = 0;

int onStatement(unsigned, void*, void*, void* text)
{
    const QByteArray sql(static_cast<const char*>(text));
    if (sql.startsWith("SELECT count(*) FROM") && !sql.contains("WHERE"))
        ++gCounts;
    return 0;
}

} // namespace

TEST_F(KeysetTest, TheCountIsKeptOnlyWhileTheFileStillHasIt)
{
    const QString sql = QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kId);
    auto reopen = [&] {
        rs.close();
        rs.open(sql, conn);
        return rs.recordCount();
    };
    gCounts = 0;
    sqlite3_trace_v2(conn.handle(), SQLITE_TRACE_STMT, onStatement, nullptr);

    // Opened again on an unchanged file, after an update through a set, and
    // after a row added and deleted through one: never counted again.
    EXPECT_EQ(reopen(), kRows);
    rs.moveLast();
    rs.setValue(QStringLiteral("Channel2"), 7.0);
    rs.update();
    EXPECT_EQ(reopen(), kRows);
    rs.addNew();
    rs.setValue(QStringLiteral("DateTimeKey"), kId + QStringLiteral(" kept"));
    rs.setValue(QStringLiteral("FullDate"), QDateTime(QDate(2300, 1, 1), QTime(0, 0)));
    rs.update();
    EXPECT_EQ(reopen(), kRows + 1);
    rs.moveLast();
    ASSERT_EQ(rs.text(QStringLiteral("DateTimeKey")), kId + QStringLiteral(" kept"));
    rs.deleteCurrent();
    EXPECT_EQ(reopen(), kRows);
    EXPECT_EQ(gCounts, 0);

    // Another program's rows are counted.
    elsewhere(QStringLiteral("INSERT INTO \"%1\" (DateTimeKey, FullDate) VALUES ('%1 x', '2300-01-01')").arg(kId));
    EXPECT_EQ(reopen(), kRows + 1);
    elsewhere(QStringLiteral("DELETE FROM \"%1\" WHERE DateTimeKey = '%1 x'").arg(kId));
    EXPECT_EQ(reopen(), kRows);
    EXPECT_EQ(gCounts, 2);

    // A deletion rolled back leaves the count it had; one inside a
    // transaction is never taken for a count.
    {
        Connection::Transaction tx(conn);
        rs.moveLast();
        rs.deleteCurrent();
    }
    EXPECT_EQ(reopen(), kRows);
    EXPECT_EQ(gCounts, 3);
    sqlite3_trace_v2(conn.handle(), 0, nullptr, nullptr);
}

namespace {

int gRangeCounts = 0;

int onRangeCount(unsigned, void*, void*, void* text)
{
    if (QByteArray(static_cast<const char*>(text)).startsWith("SELECT count(*)"))
        ++gRangeCounts;
    return 0;
}

} // namespace

TEST_F(KeysetTest, ARowAddedNearTheEndTakesItsPlaceWithoutCountingTheHistoryBeforeIt)
{
    rs.setAbsolutePosition(10);  // only the first rows read
    gRangeCounts = 0;
    sqlite3_trace_v2(conn.handle(), SQLITE_TRACE_STMT, onRangeCount, nullptr);
    rs.addNew();
    rs.setValue(QStringLiteral("DateTimeKey"), kId + QStringLiteral(" late"));
    rs.setValue(QStringLiteral("FullDate"), stampAt(kRows - 5, "yyyy/MM/dd HH:mm:30"));
    rs.setValue(QStringLiteral("Channel1"), -1);
    rs.update();
    rs.reorderCurrent();
    sqlite3_trace_v2(conn.handle(), 0, nullptr, nullptr);
    EXPECT_EQ(gRangeCounts, 0);
    EXPECT_EQ(rs.absolutePosition(), kRows - 3);
    EXPECT_EQ(channel(), -1);
    rs.movePrevious();
    EXPECT_EQ(channel(), kRows - 5);
    rs.moveNext();
    rs.moveNext();
    EXPECT_EQ(channel(), kRows - 4);
    rs.moveLast();
    EXPECT_EQ(rs.absolutePosition(), kRows + 1);
    EXPECT_EQ(channel(), kRows - 1);
    // The same place after reading the file again; then put back.
    rs.requery();
    rs.setAbsolutePosition(kRows - 3);
    EXPECT_EQ(channel(), -1);
    rs.deleteCurrent();
    EXPECT_EQ(rs.recordCount(), kRows);
}

TEST_F(KeysetTest, APlaceAmongRowsNotReadLeavesOutARowThisSetHoldsElsewhere)
{
    // The reading at 100,000 given a date far on but left where the set
    // holds it (no reorder): in the file it now sorts among rows not read.
    rs.setAbsolutePosition(100001);
    rs.setValue(QStringLiteral("FullDate"), stampAt(500000, "yyyy/MM/dd HH:mm:01"));
    rs.update();
    EXPECT_EQ(rs.absolutePosition(), 100001);
    // The latest reading moved to just after the one at 700,000: counted
    // past that row's new key, which must not count it a second time.
    rs.moveLast();
    rs.setValue(QStringLiteral("FullDate"), stampAt(700000, "yyyy/MM/dd HH:mm:01"));
    rs.update();
    rs.reorderCurrent();
    EXPECT_EQ(rs.absolutePosition(), 700002);
    EXPECT_EQ(channel(), kRows - 1);
    rs.movePrevious();
    EXPECT_EQ(channel(), 700000);
    rs.setAbsolutePosition(100001);
    EXPECT_EQ(channel(), 100000);
    EXPECT_EQ(rs.recordCount(), kRows);
    // Put back for the other tests.
    rs.setValue(QStringLiteral("FullDate"), stampAt(100000));
    rs.update();
    rs.setAbsolutePosition(700002);
    rs.setValue(QStringLiteral("FullDate"), stampAt(kRows - 1));
    rs.update();
}

// Marks kept ready: a walk of the keys on a connection of its own splits
// the ranges not read. Positions must be exactly those counting gives, with
// rows the set moved itself (placed or not), and the marks must not be
// taken when another program changed the file after they were made.
TEST_F(KeysetTest, MarksKeptReadyGiveThePositionsCountingGives)
{
    const QString sql = QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kId);
    auto channelAt = [&](Recordset& set, int pos) {
        set.setAbsolutePosition(pos);
        return set.value(QStringLiteral("Channel1")).toInt();
    };
    // Places next to marks (every 8,192 keys), next to the moved rows, and
    // spread over the table.
    std::vector<int> places{1, 8191, 8192, 8193, 16384, 16385, 99999, 100000, 100001, 100002, 300001, 500000,
                            700000, 700001, 700002, 899999, 900000, 900001, 900002, 999999, kRows};
    for (int k = 1; k < 40; ++k)
        places.push_back(k * 25013);

    // Two rows moved before the marks: the one at 300,000 given a date past
    // 700,000 and left where it was; the one at 100,000 given a date just
    // after 900,000 and placed there.
    rs.moveLast();
    rs.setAbsolutePosition(300001);
    rs.setValue(QStringLiteral("FullDate"), stampAt(700000, "yyyy/MM/dd HH:mm:01"));
    rs.update();
    rs.setAbsolutePosition(100001);
    rs.setValue(QStringLiteral("FullDate"), stampAt(900000, "yyyy/MM/dd HH:mm:01"));
    rs.update();
    rs.reorderCurrent();
    ASSERT_EQ(rs.absolutePosition(), 900001);
    const int taken = detail::marksTaken();
    rs.mapPositions();
    rs.waitForPositions();
    // A mark every 8,192 rows in every range not read: no range is left
    // whole (about 122 marks over the million rows).
    EXPECT_GE(detail::marksTaken(), taken + 115);
    auto expected = [](int pos) {
        if (pos <= 100000)
            return pos - 1;
        if (pos <= 900000)
            return pos;
        return pos == 900001 ? 100000 : pos - 1;
    };
    for (const int p : places)
        EXPECT_EQ(channelAt(rs, p), expected(p)) << "at " << p;
    // The row left where it was gets its own date back; then a place found
    // among the marks: the row at 500,000 moved to just after 600,000 (the
    // reading at 100,000 still placed after 900,000), and back.
    rs.setAbsolutePosition(300000);
    ASSERT_EQ(rs.value(QStringLiteral("Channel1")).toInt(), 300000);
    rs.setValue(QStringLiteral("FullDate"), stampAt(300000));
    rs.update();
    rs.setAbsolutePosition(500000);
    ASSERT_EQ(rs.value(QStringLiteral("Channel1")).toInt(), 500000);
    rs.setValue(QStringLiteral("FullDate"), stampAt(600000, "yyyy/MM/dd HH:mm:01"));
    rs.update();
    rs.reorderCurrent();
    EXPECT_EQ(rs.absolutePosition(), 600000);
    EXPECT_EQ(channelAt(rs, 599999), 600000);
    EXPECT_EQ(channelAt(rs, 500000), 500001);
    rs.setAbsolutePosition(600000);
    rs.setValue(QStringLiteral("FullDate"), stampAt(500000));
    rs.update();
    rs.reorderCurrent();
    EXPECT_EQ(rs.absolutePosition(), 500000);
    EXPECT_EQ(rs.recordCount(), kRows);

    // Put back: the reading at 100,000's own date.
    rs.setAbsolutePosition(900001);
    rs.setValue(QStringLiteral("FullDate"), stampAt(100000));
    rs.update();
    rs.requery();
    for (const int p : places)
        EXPECT_EQ(channelAt(rs, p), p - 1) << "at " << p;

    // Marks made, then another program deletes rows the set has not read:
    // the marks are not taken as they were; both sets count alike.
    rs.close();
    rs.open(sql, conn);
    Recordset plain;
    plain.open(sql, conn);
    rs.moveLast();
    plain.moveLast();
    const int before = detail::marksTaken();
    rs.mapPositions();
    elsewhere(QStringLiteral("DELETE FROM \"%1\" WHERE Channel1 IN (400000, 400001, 650000)").arg(kId));
    rs.waitForPositions();  // made before the delete, or after it: not taken
    rs.waitForPositions();
    for (const int p : places)
        EXPECT_EQ(channelAt(rs, p), channelAt(plain, p)) << "at " << p;
    EXPECT_EQ(rs.recordCount(), plain.recordCount());
    EXPECT_EQ(detail::marksTaken(), before);
    plain.close();
    elsewhere(QStringLiteral("INSERT INTO \"%1\" (DateTimeKey, FullDate, Channel1) VALUES "
                             "('%1 c', '%2', 400000), ('%1 d', '%3', 400001), ('%1 e', '%4', 650000)")
                  .arg(kId, stampAt(400000, "yyyy-MM-dd HH:mm:ss"), stampAt(400001, "yyyy-MM-dd HH:mm:ss"),
                       stampAt(650000, "yyyy-MM-dd HH:mm:ss")));
}
