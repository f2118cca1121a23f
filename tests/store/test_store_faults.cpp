// The store under machine faults: locks held by others, full disks,
// protected files, record sets whose writes were rolled back.
#include "store_fixture.h"

#include "fault_vfs.h"
#include "faults.h"
#include "store/compact.h"
#include "store/sqlerror.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

using namespace rv::store;
using namespace rv::store::testing;
using rv::test::DiskFull;
using rv::test::FaultVfs;
using rv::test::LockHolder;

using StoreFaultTest = StoreTest;

TEST_F(StoreFaultTest, ALockedFileIsToldAsLockedAfterAtMostASecondWithTheHookCalledOnce)
{
    conn.close();
    LockHolder lock(path);
    ASSERT_TRUE(lock.ok());
    int waits = 0;
    setBusyWaitHook([&] { ++waits; });
    QElapsedTimer t;
    t.start();
    Connection c;
    try {
        c.open(path);
        FAIL() << "opened a locked file";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), detail::kLocked);
        EXPECT_TRUE(e.description().contains(QStringLiteral("locked"))) << e.description().toStdString();
    }
    setBusyWaitHook({});
    EXPECT_GE(t.elapsed(), kBusyWaitMs - 50);
    EXPECT_LT(t.elapsed(), kBusyWaitMs + 1000);
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(c.state(), 0);
    // Once the other program lets go, the file opens.
    lock.release();
    EXPECT_NO_THROW(c.open(path));
}

TEST_F(StoreFaultTest, SavedRecordSetComesBackAfterRolledBackAddsAndDeletes)
{
    Recordset rs;
    rs.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    for (const char* id : {"250045001", "250045002"}) {
        rs.addNew();
        rs.setValue(QStringLiteral("InstrumentID"), QString::fromLatin1(id));
        rs.update();
    }
    rs.moveLast();
    const Recordset::Saved before = rs.save();
    {
        Connection::Transaction tx(conn);
        rs.addNew();
        rs.setValue(QStringLiteral("InstrumentID"), QStringLiteral("250045003"));
        rs.update();
        rs.moveFirst();
        rs.deleteCurrent();
    }  // rolled back
    rs.restore(before);
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.absolutePosition(), 2);
    EXPECT_EQ(rs.text(QStringLiteral("InstrumentID")), QStringLiteral("250045002"));
    EXPECT_FALSE(rs.editPending());
    // The set still writes through to the rows the file holds.
    rs.setValue(QStringLiteral("Level"), QStringLiteral("L2"));
    rs.update();
    EXPECT_EQ(raw(QStringLiteral("SELECT Level FROM Sensors WHERE InstrumentID = '250045002'")).toString(),
              QStringLiteral("L2"));
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM Sensors")).toInt(), 2);

    // A failed insert keeps its row pending until the caller drops it: the
    // saved copy is what drops it.
    FaultVfs::install();
    conn.close();
    conn.open(path);
    rs.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    const Recordset::Saved clean = rs.save();
    {
        DiskFull full;
        rs.addNew();
        rs.setValue(QStringLiteral("InstrumentID"), QStringLiteral("250045007"));
        EXPECT_NE(errorOf([&] { rs.update(); }), 0);
    }
    rs.restore(clean);
    rs.moveLast();
    rs.requery();
    FaultVfs::uninstall();
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM Sensors WHERE InstrumentID = '250045007'")).toInt(), 0);
}

TEST(StoreFaultCreate, ADefaultDatabaseThatCannotBeFinishedLeavesNoFileAtAll)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("RockvaneTENDON.mdb"));
    FaultVfs::install();
    for (int allowed : {0, 3, 8}) {
        DiskFull full(allowed);
        EXPECT_NE(errorOf([&] { createDefaultDatabase(p); }), 0) << allowed;
        EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty()) << allowed;
        EXPECT_GT(FaultVfs::failures(), 0);
    }
    FaultVfs::uninstall();
    // Work files of a build that was killed are cleared; the database is not.
    createDefaultDatabase(p);
    QFile stale(p + QStringLiteral(".77-deadbeef.new"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    removeUnfinishedDatabases(p);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("RockvaneTENDON.mdb")});
}

TEST_F(StoreFaultTest, CompactionKeepsModeAndOwnerAndRefusesAProtectedFile)
{
    conn.close();
    const QString folder = dir.path() + u'/';
    const QString name = QStringLiteral("RockvaneTENDON.mdb");
    const QByteArray p = QFile::encodeName(path);
    ASSERT_EQ(::chmod(p.constData(), 0640), 0);
    compactDatabase(folder, name);
    struct stat s {};
    ASSERT_EQ(::stat(p.constData(), &s), 0);
    EXPECT_EQ(s.st_mode & 07777, 0640u);

    if (::geteuid() == 0) {
        // A file of another user stays that user's.
        ASSERT_EQ(::chown(p.constData(), 65534, 65534), 0);
        const ino_t inode = s.st_ino;
        compactDatabase(folder, name);
        ASSERT_EQ(::stat(p.constData(), &s), 0);
        EXPECT_EQ(s.st_uid, 65534u);
        EXPECT_EQ(s.st_gid, 65534u);
        EXPECT_EQ(s.st_ino, inode);
        EXPECT_EQ(s.st_mode & 07777, 0640u);
    }
    rv::test::ReadOnly ro(path);
    if (!ro.ok())
        GTEST_SKIP() << "cannot protect the file here";
    ASSERT_EQ(::stat(p.constData(), &s), 0);
    const ino_t inode = s.st_ino;
    EXPECT_EQ(errorOf([&] { compactDatabase(folder, name); }), detail::kReadOnly);
    ASSERT_EQ(::stat(p.constData(), &s), 0);
    EXPECT_EQ(s.st_ino, inode);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("Copy_") + name));
}
