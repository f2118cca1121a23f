// Backup names, the same-day overwrite, the check that a file is a Rockvane
// database, and the backup and restore copies with their messages.
#include "maintenance/backup_db.h"
#include "maintenance/backups.h"
#include "maintenance/manual.h"
#include "common/scripted_prompter.h"
#include "state/appstate.h"
#include "maintenance_files.h"
#include "temp_data.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace rv;
using namespace rv::test;

namespace {

const QDate kDay(2026, 12, 6);

struct BackupTest : ::testing::Test {
    TempData data;
    ScriptedPrompter pr;
    QString backup(const QString& name) const { return backupFolder(data.folder()) + "/" + name; }
};

} // namespace

TEST_F(BackupTest, NamesCarryTheDayAndListInDateOrder)
{
    EXPECT_EQ(backupFileName(kDay), "TENDONbackup2026-12-06.mdb");
    EXPECT_EQ(backupFileName(QDate(2027, 1, 9)), "TENDONbackup2027-01-09.mdb");

    makeDatabase(data.database(), {"120645001"});
    EXPECT_TRUE(backupFileNames(data.folder()).isEmpty()) << "no folder, no names";
    backupDatabase(data.database(), data.folder(), QDate(2026, 12, 6));
    backupDatabase(data.database(), data.folder(), QDate(2026, 11, 30));
    EXPECT_EQ(backupFileNames(data.folder()),
              QStringList({"TENDONbackup2026-11-30.mdb", "TENDONbackup2026-12-06.mdb"}));
}

TEST_F(BackupTest, FirstBackupMakesTheFolderAndSameDayBackupReplacesTheFirst)
{
    makeDatabase(data.database(), {"120645001"});
    EXPECT_TRUE(GBackupDB(data.folder() + "/", kDefaultDatabaseName, pr, data.folder(), kDay));
    ASSERT_TRUE(QFileInfo(backup("TENDONbackup2026-12-06.mdb")).isFile());
    EXPECT_EQ(sensorIds(backup("TENDONbackup2026-12-06.mdb")), QStringList({"120645001"}));
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].text, "Backup was successful");
    EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Information);
    EXPECT_EQ(pr.messages()[0].title, "Quillon's Rockvane");

    runSql(data.database(), "INSERT INTO Sensors (InstrumentID, SensorType) VALUES ('120645002', '45')");
    EXPECT_TRUE(GBackupDB(data.folder() + "/", kDefaultDatabaseName, pr, data.folder(), kDay));
    EXPECT_EQ(backupFileNames(data.folder()), QStringList({"TENDONbackup2026-12-06.mdb"}))
        << "one file for the day, and no work file left beside it";
    EXPECT_EQ(sensorIds(backup("TENDONbackup2026-12-06.mdb")), QStringList({"120645001", "120645002"}))
        << "the later copy";
    EXPECT_EQ(checkDatabase(backup("TENDONbackup2026-12-06.mdb")), DatabaseCheck::Good);
}

TEST_F(BackupTest, BackupOfAMissingDatabaseIsReportedAndLogged)
{
    EXPECT_FALSE(GBackupDB(data.folder() + "/", kDefaultDatabaseName, pr, data.folder(), kDay));
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].text, "Error encountered during backup process of RockvaneTENDON.mdb");
    EXPECT_EQ(pr.messages()[0].icon, MsgIcon::None);
    EXPECT_EQ(pr.messages()[0].title, "Rockvane");
    EXPECT_TRUE(data.readLog().contains(" GBackupDB"));
    EXPECT_FALSE(QFileInfo::exists(backup("TENDONbackup2026-12-06.mdb")));
}

TEST_F(BackupTest, CheckTellsRockvaneDatabasesFromOtherFiles)
{
    const QString dir = data.folder() + "/";
    EXPECT_EQ(checkDatabase(dir + "none.mdb"), DatabaseCheck::Missing);
    EXPECT_EQ(checkDatabase(data.folder()), DatabaseCheck::Missing) << "a folder is no file";

    makeTextFile(dir + "text.mdb");
    EXPECT_EQ(checkDatabase(dir + "text.mdb"), DatabaseCheck::NotDatabase);
    makeTextFile(dir + "empty.mdb", "");
    EXPECT_EQ(checkDatabase(dir + "empty.mdb"), DatabaseCheck::MissingTables)
        << "SQLite takes an empty file for an empty database";

    makeForeignDatabase(dir + "foreign.mdb");
    EXPECT_EQ(checkDatabase(dir + "foreign.mdb"), DatabaseCheck::MissingTables);

    makeDatabase(dir + "good.mdb");
    const QByteArray before = fileBytes(dir + "good.mdb");
    EXPECT_EQ(checkDatabase(dir + "good.mdb"), DatabaseCheck::Good);
    EXPECT_EQ(fileBytes(dir + "good.mdb"), before) << "the check never writes";
    runSql(dir + "good.mdb", "DROP TABLE NetworkConfig");
    EXPECT_EQ(checkDatabase(dir + "good.mdb"), DatabaseCheck::MissingTables) << "all five tables are needed";
}

TEST_F(BackupTest, RestoreCopiesOnlyARockvaneDatabaseOverTheDatabase)
{
    makeDatabase(data.database(), {"120645001", "120645002"});
    const QByteArray current = fileBytes(data.database());
    QDir().mkpath(backupFolder(data.folder()));

    // Not databases, or not Rockvane ones: refused, the database untouched.
    makeTextFile(backup("notes.txt"));
    makeForeignDatabase(backup("foreign.mdb"));
    for (const QString name : {"notes.txt", "foreign.mdb", "gone.mdb"}) {
        pr.clear();
        EXPECT_FALSE(GRestoreDB(data.folder() + "/", kDefaultDatabaseName, name, pr, data.folder())) << name.toStdString();
        ASSERT_EQ(pr.messages().size(), 1u);
        EXPECT_EQ(pr.messages()[0].text, "Error encountered during restore process");
        EXPECT_EQ(fileBytes(data.database()), current) << name.toStdString();
    }
    EXPECT_EQ(data.readLog().count(" G_CompactDB"), 3);

    makeDatabase(backup("TENDONbackup2026-12-01.mdb"), {"120645009"});
    pr.clear();
    EXPECT_TRUE(GRestoreDB(data.folder() + "/", kDefaultDatabaseName, "TENDONbackup2026-12-01.mdb", pr,
                           data.folder()));
    EXPECT_EQ(pr.messageTexts(), QStringList({"Restore was successful"}));
    EXPECT_EQ(sensorIds(data.database()), QStringList({"120645009"}));
    EXPECT_TRUE(QFileInfo::exists(backup("TENDONbackup2026-12-01.mdb"))) << "the backup stays";
    EXPECT_FALSE(QFileInfo::exists(data.database() + ".part"));
}

TEST(ManualVersion, NewerComparesTheThreeParts)
{
    EXPECT_TRUE(versionNewer("1.3.0", ""));
    EXPECT_TRUE(versionNewer("1.3.0", "garbage"));
    EXPECT_TRUE(versionNewer("1.10.0", "1.9.9"));
    EXPECT_TRUE(versionNewer("2.0.0", "1.99.99"));
    EXPECT_FALSE(versionNewer("1.3.0", "1.3.0"));
    EXPECT_FALSE(versionNewer("1.3.0", "1.3.1"));
    EXPECT_FALSE(versionNewer("", "1.3.0"));
    EXPECT_EQ(programVersion(), QStringLiteral("%1.%2.%3")
                                    .arg(ROCKVANE_VERSION_MAJOR)
                                    .arg(ROCKVANE_VERSION_MINOR)
                                    .arg(ROCKVANE_VERSION_PATCH));
}

TEST(ManualText, IsBuiltIntoTheProgram)
{
    const QString md = manualMarkdown();
    ASSERT_FALSE(md.isEmpty());
    EXPECT_TRUE(md.startsWith("# Rockvane User Manual"));
    for (const char* part : {"Backup Database", "Restore from Backup", "Change Database Location",
                             "TENDONbackup2026-12-06.mdb", "tendon_location.txt", "TENDON_logfile.txt",
                             "RockvaneManual.pdf", "stretch(k)", "disp(k)"})
        EXPECT_TRUE(md.contains(QString::fromLatin1(part))) << part;
}
