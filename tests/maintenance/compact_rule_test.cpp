// The compaction at close: only when it reclaims enough to be worth a
// rewrite, never while another program holds or takes the file's lock, and
// always into the file itself.
#include "maintenance/compact_db.h"
#include "common/scripted_prompter.h"
#include "state/appstate.h"
#include "store/dbfile.h"
#include "faults.h"
#include "maintenance_files.h"
#include "temp_data.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace rv;
using namespace rv::test;

namespace {

struct CompactRuleTest : ::testing::Test {
    TempData data;
    ScriptedPrompter pr;
    void SetUp() override { makeDatabase(data.database(), {"120645001"}); }
    // About n kilobytes of pages, then freed.
    void freePages(int kb)
    {
        runSql(data.database(), QStringLiteral("CREATE TABLE Spare (x BLOB);"
                                               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                               "WHERE i < %1) INSERT INTO Spare SELECT randomblob(1000) FROM n;"
                                               "DROP TABLE Spare;")
                                    .arg(kb));
    }
    bool compact() { return G_CompactDB(data.folder() + "/", kDefaultDatabaseName, pr, data.folder()); }
};

} // namespace

TEST(CompactRule, ATenthOfTheFileOr64MegabytesIsWorthARewrite)
{
    constexpr qint64 MB = 1024 * 1024;
    EXPECT_TRUE(store::worthCompacting({1000 * MB, 64 * MB}));
    EXPECT_FALSE(store::worthCompacting({1000 * MB, 64 * MB - 4096}));
    EXPECT_TRUE(store::worthCompacting({100 * MB, 10 * MB}));
    EXPECT_FALSE(store::worthCompacting({100 * MB, 10 * MB - 4096}));
    QString why;
    EXPECT_FALSE(store::worthCompacting({1000 * 4096, 0}, &why));
    EXPECT_EQ(why, "Compaction skipped: only 0 bytes of 4096000 are free (0.0%), less than 10% of the file and "
                   "less than 64 MB.");
}

TEST_F(CompactRuleTest, NothingWorthReclaimingLeavesTheFileAloneAndSaysSoInTheLog)
{
    // Two megabytes kept, twenty kilobytes freed: far less than a tenth.
    runSql(data.database(), "CREATE TABLE Kept (x BLOB); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                            "FROM n WHERE i < 2000) INSERT INTO Kept SELECT randomblob(1000) FROM n;");
    freePages(20);
    const store::FileSpace space = store::fileSpace(data.database());
    ASSERT_GT(space.freeBytes, 0);
    ASSERT_LT(space.freeBytes * 10, space.fileBytes);
    const QByteArray before = fileBytes(data.database());
    EXPECT_TRUE(compact());
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(fileBytes(data.database()), before);
    EXPECT_TRUE(data.readLog().contains("Compaction skipped: only ")) << data.readLog().toStdString();
    EXPECT_TRUE(data.readLog().contains(data.database()));
}

TEST_F(CompactRuleTest, FreePagesWorthReclaimingAreGivenBackInTheSameFile)
{
    freePages(2000);
    const qint64 grown = QFileInfo(data.database()).size();
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(data.database()).constData(), &before), 0);
    EXPECT_TRUE(compact());
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_LT(QFileInfo(data.database()).size(), grown / 4);
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(data.database()).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "written into the file, never renamed over it";
    EXPECT_EQ(store::integrityProblem(data.database()), QString());
    EXPECT_EQ(sensorIds(data.database()), QStringList({"120645001"}));
    EXPECT_FALSE(QFileInfo::exists(data.folder() + "/Copy_RockvaneTENDON.mdb"));
    EXPECT_FALSE(QFileInfo::exists(data.database() + "-journal"));
    EXPECT_FALSE(data.readLog().contains("Compaction skipped"));
}

TEST_F(CompactRuleTest, AnotherProgramsLockOrWriteStopsTheCompactionAndChangesNothing)
{
    freePages(2000);
    const QByteArray before = fileBytes(data.database());
    {
        LockHolder other(data.database());
        ASSERT_TRUE(other.ok());
        EXPECT_FALSE(compact());
    }
    EXPECT_EQ(pr.messageTexts(), QStringList({"Error compacting RockvaneTENDON.mdb"}));
    EXPECT_TRUE(data.readLog().contains("is in use by another program")) << data.readLog().toStdString();
    EXPECT_EQ(fileBytes(data.database()), before);
    EXPECT_FALSE(QFileInfo::exists(data.folder() + "/Copy_RockvaneTENDON.mdb"));

    // A writer in the middle of its transaction (the write lock, not yet
    // exclusive) stops it too.
    sqlite3* writer = nullptr;
    sqlite3_open_v2(QFile::encodeName(data.database()).constData(), &writer, SQLITE_OPEN_READWRITE, nullptr);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; CREATE TABLE Pending (x)", nullptr, nullptr, nullptr), SQLITE_OK);
    pr.clear();
    EXPECT_FALSE(compact());
    EXPECT_EQ(pr.messageTexts(), QStringList({"Error compacting RockvaneTENDON.mdb"}));
    ASSERT_EQ(sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(writer);
    EXPECT_EQ(store::integrityProblem(data.database()), QString());
    EXPECT_TRUE(data.hasTable("Pending")) << "the other program's write is kept";

    pr.clear();
    EXPECT_TRUE(compact());
    EXPECT_TRUE(data.hasTable("Pending"));
    EXPECT_TRUE(pr.messages().empty());
}
