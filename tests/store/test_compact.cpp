#include "store_fixture.h"

#include "store/compact.h"

#include <QDir>
#include <QFile>

using namespace rv::store;
using namespace rv::store::testing;

namespace {

QByteArray contents(const QString& p)
{
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

using CompactTest = StoreTest;

TEST_F(CompactTest, CompactedFileReplacesTheOriginal)
{
    makeReadings(QStringLiteral("450010002"), {QStringLiteral("2005/01/01 10:00:00")});
    // Grow and shrink the file so there is something to reclaim.
    makeReadings(QStringLiteral("450010003"), {});
    {
        Recordset big;
        big.open(QStringLiteral("SELECT * FROM `450010003`"), conn);
        Connection::Transaction t(conn);
        for (int k = 0; k < 2000; ++k) {
            big.addNew();
            big.setValue(0, QString::number(k));
            big.setValue(QStringLiteral("Channel1"), k);
        }
        big.update();
        t.commit();
    }
    conn.execute(QStringLiteral("DROP TABLE `450010003`"));
    conn.close();
    const qint64 before = QFileInfo(path).size();

    const QString folder = dir.path() + u'/';
    compactDatabase(folder, QStringLiteral("RockvaneTENDON.mdb"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"RockvaneTENDON.mdb"});
    EXPECT_LT(QFileInfo(path).size(), before);

    conn.open(path);
    EXPECT_TRUE(conn.hasTable(QStringLiteral("450010002")));
    EXPECT_FALSE(conn.hasTable(QStringLiteral("450010003")));
    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM `450010002` ORDER BY FullDate"), conn);
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.text(QStringLiteral("FullDate")), QStringLiteral("2005/01/01 10:00:00"));
    EXPECT_EQ(raw(QStringLiteral("PRAGMA user_version")).toLongLong(), kSchemaVersion);
}

TEST_F(CompactTest, StaleWorkFileIsAFailureAndTouchesNothing)
{
    conn.close();
    const QString work = dir.filePath(QStringLiteral("Copy_RockvaneTENDON.mdb"));
    {
        QFile f(work);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("left over from a crash");
    }
    const QByteArray original = contents(path);
    EXPECT_NE(errorOf([&] { compactDatabase(dir.path() + u'/', QStringLiteral("RockvaneTENDON.mdb")); }), 0);
    EXPECT_EQ(contents(path), original);
    EXPECT_EQ(contents(work), QByteArray("left over from a crash"));
}

TEST_F(CompactTest, MissingOrForeignFileFailsWithoutAWorkFile)
{
    conn.close();
    const QString folder = dir.path() + u'/';
    EXPECT_EQ(errorOf([&] { compactDatabase(folder, QStringLiteral("absent.mdb")); }), err::CannotOpen);
    {
        QFile f(dir.filePath(QStringLiteral("text.mdb")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a database");
    }
    EXPECT_EQ(errorOf([&] { compactDatabase(folder, QStringLiteral("text.mdb")); }), err::CannotOpen);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"RockvaneTENDON.mdb", "text.mdb"}));
}
