// Start-up and shutdown of the main window on a temporary data folder.
#include "main_window_fixture.h"
#include "store/connection.h"
#include <QDir>
#include <QFileInfo>

using namespace rv;
using namespace rv::test;

class StartupTest : public MainWindowTest {};

TEST_F(StartupTest, FirstStartCreatesTheDatabaseAndWarnsOfAnEmptyCatalogue)
{
    ASSERT_TRUE(start());
    EXPECT_TRUE(QFileInfo::exists(data.database()));
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "There are no sensors in the database, \nclick the ADD NEW button to begin using Rockvane");
    EXPECT_EQ(m[0].icon, MsgIcon::Warning);
    EXPECT_EQ(m[0].title, "Quillon's Rockvane");
    EXPECT_EQ(text("txtSCount"), "0");
    EXPECT_EQ(w<QComboBox>("cboSensors")->count(), 0);
    EXPECT_EQ(text("txtSnav"), "No records");
    EXPECT_EQ(currentPage(), 0);
    EXPECT_FALSE(w<QLabel>("lblError")->isVisible());
    EXPECT_FALSE(st->Firstload);
}

TEST_F(StartupTest, EmptyLocationLineUsesTheDefaultDatabaseWithOneNotice)
{
    data.makeDefaultDatabase();
    data.writeFile("tendon_location.txt", "\n");
    ASSERT_TRUE(start());
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].text, "The alternate database file path location could not be found\n"
                         "The default path will be used\n"
                         "You can edit the location on the '6. Utilities' tab");
    EXPECT_EQ(m[0].icon, MsgIcon::None);
    EXPECT_EQ(m[0].title, "Rockvane");
    EXPECT_EQ(st->DatabasePath, data.database());
}

TEST_F(StartupTest, LocationFileNamingAnotherDatabaseIsUsedAndNothingIsCreated)
{
    TempData other;
    other.makeDefaultDatabase();
    data.writeFile("tendon_location.txt", other.database() + "\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(st->DatabasePath, other.database());
    EXPECT_FALSE(QFileInfo::exists(data.database()));
    // No default file, so nothing to compact and nothing to report on exit.
    pr.clear();
    stop();
    EXPECT_TRUE(pr.messages().empty());
}

TEST_F(StartupTest, LocationFileNamingAMissingFileIsLoggedAndTheDefaultIsUsed)
{
    data.writeFile("tendon_location.txt", data.folder() + "/nowhere.mdb\n");
    ASSERT_TRUE(start());
    EXPECT_TRUE(data.readLog().contains("nowhere.mdb")) << data.readLog().toStdString();
    EXPECT_TRUE(data.readLog().contains(" Form_Load\n")) << data.readLog().toStdString();
    EXPECT_EQ(pr.messageTexts().size(), 2);
    EXPECT_EQ(st->DatabasePath, data.database());
    EXPECT_FALSE(st->Firstload);
}

TEST_F(StartupTest, SecondCopyIsRefusedAndNeitherSavesNorCompacts)
{
    ASSERT_TRUE(start());
    AppState st2(data.folder());
    ScriptedPrompter pr2;
    {
        FrmMain second(st2, pr2);
        EXPECT_FALSE(second.load());
        second.unload();
        second.terminate();
    }
    const auto m = pr2.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Rockvane is already running\nCannot load program again");
    EXPECT_EQ(m[0].icon, MsgIcon::Warning);
    EXPECT_EQ(m[0].title, "Quillon's Rockvane");
    EXPECT_TRUE(st2.RefusedCopy);
    // The first copy still works on its file.
    EXPECT_EQ(st->conn->state(), 1);
}

TEST_F(StartupTest, AStaleLockDoesNotBlockTheNextStart)
{
    // A lock whose process is gone, as a crash leaves it.
    data.writeFile("Rockvane.lock", "999999\nrockvane\n" + QSysInfo::machineHostName() + "\n");
    EXPECT_TRUE(start());
    EXPECT_FALSE(st->RefusedCopy);
}

TEST_F(StartupTest, ClosingCompactsTheDefaultDatabaseAndLeavesNoWorkFile)
{
    ASSERT_TRUE(start());
    stop();
    EXPECT_TRUE(QFileInfo::exists(data.database()));
    EXPECT_FALSE(QFileInfo::exists(data.folder() + "/Copy_RockvaneTENDON.mdb"));
    store::Connection c;
    EXPECT_NO_THROW(c.open(data.database()));
}

TEST_F(StartupTest, AStaleCompactionWorkFileIsReportedAndTheDatabaseKept)
{
    ASSERT_TRUE(start());
    data.writeFile("Copy_RockvaneTENDON.mdb", "stale");
    const qint64 before = QFileInfo(data.database()).size();
    stop();
    const auto m = pr.messages();
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m.back().text, "Error compacting RockvaneTENDON.mdb");
    EXPECT_EQ(m.back().title, "Rockvane");
    EXPECT_EQ(QFileInfo(data.database()).size(), before);
    EXPECT_TRUE(data.readLog().contains(" G_CompactDB\n"));
}

TEST_F(StartupTest, CatalogueIsListedInTextOrder)
{
    ASSERT_TRUE(start());
    for (const char* n : {"250045003", "100025001", "250045001"})
        addSensor(n);
    stop();
    pr.clear();
    ASSERT_TRUE(start());
    auto* cbo = w<QComboBox>("cboSensors");
    ASSERT_EQ(cbo->count(), 3);
    EXPECT_EQ(cbo->itemText(0), "100025001");
    EXPECT_EQ(cbo->itemText(1), "250045001");
    EXPECT_EQ(cbo->itemText(2), "250045003");
    EXPECT_EQ(cbo->currentText(), "100025001");
    EXPECT_EQ(text("txtSCount"), "3");
    EXPECT_EQ(text("txtSnav"), "1 of 3");
    EXPECT_TRUE(pr.messages().empty());
}
