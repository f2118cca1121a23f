// The sensor catalogue under machine faults: a full disk, a read-only file
// or folder, another program's lock, a file replaced under the program.
// Whatever fails, the catalogue on screen and in the record set stays what
// the file holds, and the user is told.
#include "fault_vfs.h"
#include "faults.h"
#include "main_window_fixture.h"
#include <QCursor>
#include <QElapsedTimer>

using namespace rv;
using namespace rv::test;

namespace {

struct Shown {
    int listed;
    QString nav, count, sensor, list;
    int rows;
    bool pending;
};

} // namespace

class CatalogueFaultTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        FaultVfs::install();
        ASSERT_TRUE(start());
        addSensor("200545001");
        addSensor("200545002");
        pr.clear();
    }
    void TearDown() override
    {
        FaultVfs::failWrites(false);
        MainWindowTest::TearDown();
        FaultVfs::uninstall();
    }
    Shown shown()
    {
        return {w<QComboBox>("cboSensors")->count(), text("txtSnav"), text("txtSCount"), text("txtSensor"),
                text("cboSensors"), st->rsSensors.recordCount(), st->rsSensors.editPending()};
    }
    void expectSame(const Shown& a, const Shown& b)
    {
        EXPECT_EQ(a.listed, b.listed);
        EXPECT_EQ(a.nav, b.nav);
        EXPECT_EQ(a.count, b.count);
        EXPECT_EQ(a.sensor, b.sensor);
        EXPECT_EQ(a.list, b.list);
        EXPECT_EQ(a.rows, b.rows);
        EXPECT_FALSE(b.pending) << "an edit is left for the next move to write";
    }
    // After the fault is gone, moving about writes nothing that was refused.
    void expectFileHoldsOnly(const QStringList& ids)
    {
        click("imgPrevious");
        click("imgNext");
        int n = 0;
        EXPECT_EQ(consistencyProblem(data.database(), &n), QString());
        EXPECT_EQ(n, ids.size());
        for (const QString& id : ids)
            EXPECT_TRUE(data.hasTable(id)) << id.toStdString();
    }
    void deleteShown()
    {
        pr.answer(MsgResult::Yes);
        click("imgDelete");
    }
};

TEST_F(CatalogueFaultTest, AddOnAFullDiskLeavesNoPhantomSensor)
{
    const Shown before = shown();
    {
        DiskFull full;
        addSensor("200545007");
    }
    expectSame(before, shown());
    EXPECT_EQ(before.nav, "2 of 2");
    ASSERT_FALSE(pr.messages().empty());
    EXPECT_TRUE(lastMessage().startsWith("Sensor 200545007 could not be added; nothing was written.\n"))
        << lastMessage().toStdString();
    EXPECT_EQ(pr.messages().back().icon, MsgIcon::Warning);
    expectFileHoldsOnly({"200545001", "200545002"});
    EXPECT_EQ(data.rowCount("Sensors"), 2);
    EXPECT_FALSE(data.hasTable("200545007"));
    // The number is still free.
    pr.clear();
    addSensor("200545007");
    EXPECT_EQ(text("txtSnav"), "3 of 3");
    EXPECT_EQ(consistencyProblem(data.database()), QString());
}

TEST_F(CatalogueFaultTest, AddFailingPartWayThroughItsWritesKeepsTheSetAsBefore)
{
    // The catalogue row goes in, then the disk fills while the reading table
    // is made: the whole group is rolled back.
    for (int allowed : {2, 6, 12}) {
        const Shown before = shown();
        {
            DiskFull full(allowed);
            addSensor("200545008");
        }
        SCOPED_TRACE(allowed);
        expectSame(before, shown());
        expectFileHoldsOnly({"200545001", "200545002"});
    }
}

TEST_F(CatalogueFaultTest, DeleteOnAFullDiskKeepsTheSensorShownAndStored)
{
    const Shown before = shown();
    {
        DiskFull full;
        deleteShown();
    }
    expectSame(before, shown());
    EXPECT_TRUE(lastMessage().startsWith("Sensor 200545002 could not be deleted; nothing was removed.\n"));
    expectFileHoldsOnly({"200545001", "200545002"});
}

TEST_F(CatalogueFaultTest, AnotherProgramsLockFailsAddDeleteAndSaveWithinASecondEach)
{
    LockHolder lock(data.database());
    ASSERT_TRUE(lock.ok());
    const Shown before = shown();
    QElapsedTimer t;
    t.start();
    addSensor("200545009");
    // savefields, the table check and the add each wait at most a second.
    EXPECT_LT(t.elapsed(), 4500);
    expectSame(before, shown());
    EXPECT_EQ(lastMessage(), "Sensor 200545009 could not be added; nothing was written.\n"
                             "The database is in use by another program. Try again in a moment.");
    pr.clear();
    deleteShown();
    expectSame(before, shown());
    EXPECT_TRUE(lastMessage().startsWith("Sensor 200545002 could not be deleted")) << lastMessage().toStdString();
    lock.release();
    expectFileHoldsOnly({"200545001", "200545002"});
}

TEST_F(CatalogueFaultTest, ReadOnlyFileOrFolderRefusesAddAndDeleteCleanly)
{
    // The file made read-only before the start (the program then opens it
    // read-only), and the folder, which refuses the journal of every write.
    for (const bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "folder" : "file");
        stop();
        {
            ReadOnly ro(folder ? data.folder() : data.database());
            if (!ro.ok())
                GTEST_SKIP() << "cannot make the database read-only here";
            pr.clear();
            ASSERT_TRUE(start());
            const Shown before = shown();
            addSensor("200545010");
            expectSame(before, shown());
            EXPECT_TRUE(lastMessage().startsWith("Sensor 200545010 could not be added")) << lastMessage().toStdString();
            deleteShown();
            expectSame(before, shown());
            stop();
        }
        EXPECT_EQ(consistencyProblem(data.database()), QString());
        EXPECT_EQ(data.rowCount("Sensors"), 2);
    }
}

TEST_F(CatalogueFaultTest, FileReplacedUnderTheProgramIsNotWrittenThrough)
{
    ASSERT_TRUE(replaceUnderneath(data.database()));
    const Shown before = shown();
    addSensor("200545011");
    expectSame(before, shown());
    EXPECT_TRUE(lastMessage().contains("replaced")) << lastMessage().toStdString();
    EXPECT_EQ(data.rowCount("Sensors"), 2);
    EXPECT_FALSE(data.hasTable("200545011"));
}

TEST_F(CatalogueFaultTest, AFailedSaveIsToldAndLeavesTheStoredRowAsItWas)
{
    page(1);
    keys("txtLevel", "Level 9");
    {
        LockHolder lock(data.database());
        ASSERT_TRUE(lock.ok());
        w<QTabWidget>("SSTab1")->setCurrentIndex(0);
        // Shown while the statement waits, gone once the window is idle again.
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QApplication::processEvents();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0].text.startsWith("The changes to Sensor 200545002 were not saved.\n")) << m[0].text.toStdString();
    EXPECT_TRUE(m[0].text.contains("locked"));
    EXPECT_EQ(m[0].icon, MsgIcon::Warning);
    EXPECT_EQ(m[0].title, "Quillon's Rockvane");
    EXPECT_TRUE(data.readLog().contains(" G_savefields\n"));
    EXPECT_FALSE(st->rsSensors.editPending());
    EXPECT_EQ(data.valueOf("Sensors", "InstrumentID", "200545002", "Level").toString(), "");
    // Nothing refused comes back on the next move; a new edit saves normally.
    click("imgPrevious");
    EXPECT_EQ(data.valueOf("Sensors", "InstrumentID", "200545002", "Level").toString(), "");
    page(1);
    keys("txtLevel", "Level 3");
    page(0);
    EXPECT_EQ(data.valueOf("Sensors", "InstrumentID", "200545001", "Level").toString(), "Level 3");
}
