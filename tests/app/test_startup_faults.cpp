// Start-up against databases that cannot be used and first starts that
// cannot finish: the program says what happened instead of showing a window
// that silently does nothing.
#include "fault_vfs.h"
#include "faults.h"
#include "main_window_fixture.h"
#include "store/schema.h"
#include <QDir>
#include <QFileInfo>
#include <sqlite3.h>

using namespace rv;
using namespace rv::test;

namespace {

const QString kConnectionError = "ERROR: could not connect to database\nProgram must exit";
const QString kAlternateNotice = "The alternate database file path location could not be found\n"
                                 "The default path will be used\n"
                                 "You can edit the location on the '6. Utilities' tab";

// Grows the database by a table of about a megabyte and drops it again, so
// that the next close has free pages worth a compaction.
void makeFreeSpace(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db,
                 "CREATE TABLE Spare (x BLOB);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 250) "
                 "INSERT INTO Spare SELECT randomblob(4000) FROM n;"
                 "DROP TABLE Spare;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

QByteArray contents(const QString& p)
{
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class StartupFaultTest : public MainWindowTest {
protected:
    // Starts as main() does (no first-start call before the window's load).
    bool startBare()
    {
        st = std::make_unique<AppState>(data.folder());
        win = std::make_unique<FrmMain>(*st, pr);
        return win->load();
    }
    void expectConnectionErrorAndEnd(bool loaded)
    {
        EXPECT_FALSE(loaded);
        const auto m = pr.messages();
        ASSERT_FALSE(m.empty());
        EXPECT_EQ(m.back().text, kConnectionError);
        EXPECT_EQ(m.back().icon, MsgIcon::Critical);
        EXPECT_EQ(m.back().title, "Database connection error");
        // Ending touches the file no more: no compaction and its message.
        pr.clear();
        win->terminate();
        EXPECT_TRUE(pr.messages().empty());
    }
};

TEST_F(StartupFaultTest, AnEmptyDefaultDatabaseLeftByAKilledStartIsMadeAnew)
{
    data.writeFile("RockvaneTENDON.mdb", "");
    // What a start killed while building leaves, too.
    data.writeFile("RockvaneTENDON.mdb.4242-0badf00d.new", "half");
    data.writeFile("RockvaneTENDON.mdb.4242-0badf00d.new-journal", "half");
    ASSERT_TRUE(startBare());
    EXPECT_GT(QFileInfo(data.database()).size(), 0);
    EXPECT_EQ(consistencyProblem(data.database()), QString());
    EXPECT_EQ(lastMessage(), "There are no sensors in the database, \nclick the ADD NEW button to begin using Rockvane");
    EXPECT_EQ(QDir(data.folder()).entryList({"*.new*"}, QDir::Files), QStringList());
    addSensor("250045001");
    EXPECT_EQ(data.rowCount("Sensors"), 1);
}

TEST_F(StartupFaultTest, AFirstStartThatCannotFinishLeavesNoDatabaseAndSaysWhy)
{
    FaultVfs::install();
    bool loaded = true;
    {
        DiskFull full(3);
        loaded = startBare();
    }
    FaultVfs::uninstall();
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(QFileInfo::exists(data.database()));
    EXPECT_EQ(QDir(data.folder()).entryList({"RockvaneTENDON*"}, QDir::Files), QStringList());
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0].text.startsWith("ERROR: could not create the database " + data.database() + "\n"));
    EXPECT_TRUE(m[0].text.contains("full")) << m[0].text.toStdString();
    EXPECT_TRUE(m[0].text.endsWith("\nProgram must exit"));
    EXPECT_EQ(m[0].icon, MsgIcon::Critical);
    // The next start, with room again, works.
    win.reset();
    pr.clear();
    ASSERT_TRUE(startBare());
    EXPECT_EQ(consistencyProblem(data.database()), QString());
}

TEST_F(StartupFaultTest, AReadOnlyDataFolderAtTheFirstStartIsTold)
{
    ReadOnly ro(data.folder());
    if (!ro.ok())
        GTEST_SKIP() << "cannot make the folder read-only here";
    EXPECT_FALSE(startBare());
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0].text.startsWith("ERROR: could not create the database ")) << m[0].text.toStdString();
    EXPECT_TRUE(m[0].text.contains("ermi") || m[0].text.contains("not permitted")) << m[0].text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(data.database()));
}

TEST_F(StartupFaultTest, AMissingAlternateDatabaseFallsBackToTheDefaultAndKeepsTheLocation)
{
    const QString gone = "/mnt/share-not-mounted/Rockvane/Mine.mdb";
    data.writeFile("tendon_location.txt", gone + "\n");
    ASSERT_TRUE(startBare());
    EXPECT_EQ(st->DatabasePath, data.database());
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].text, kAlternateNotice);
    EXPECT_EQ(m[0].icon, MsgIcon::None);
    EXPECT_EQ(m[0].title, "Rockvane");
    EXPECT_EQ(contents(data.folder() + "/tendon_location.txt"), (gone + "\n").toUtf8());
    EXPECT_TRUE(data.readLog().contains(gone)) << data.readLog().toStdString();
    // The window works on the default database.
    addSensor("250045001");
    EXPECT_EQ(data.rowCount("Sensors"), 1);
}

TEST_F(StartupFaultTest, FilesThatAreNotRockvaneDatabasesEndTheProgramWithTheirCauseLogged)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* logged;
    };
    QByteArray header("SQLite format 3\0", 16);
    QByteArray noise(8192, '\x5a');
    const Case cases[] = {
        {"text", "just some notes\n", "Unrecognized database format"},
        {"noise behind a header", header + noise, "Unrecognized database format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempData other;
        QFile f(other.folder() + "/Other.mdb");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        data.writeFile("tendon_location.txt", f.fileName() + "\n");
        QFile::remove(data.folder() + "/TENDON_logfile.txt");
        pr.clear();
        expectConnectionErrorAndEnd(startBare());
        EXPECT_TRUE(data.readLog().contains(c.logged)) << data.readLog().toStdString();
        EXPECT_EQ(contents(f.fileName()), c.bytes) << "the file was written to";
        win.reset();
    }
    // A SQLite file of some other program.
    TempData other;
    const QString foreign = other.folder() + "/Foreign.mdb";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(foreign).constData(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE Invoices(id)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    data.writeFile("tendon_location.txt", foreign + "\n");
    pr.clear();
    expectConnectionErrorAndEnd(startBare());
    EXPECT_TRUE(data.readLog().contains("is not a Rockvane database")) << data.readLog().toStdString();
}

TEST_F(StartupFaultTest, ADatabaseLockedByAnotherProgramEndsTheProgramAndTheLogSaysLocked)
{
    data.makeDefaultDatabase();
    LockHolder lock(data.database());
    ASSERT_TRUE(lock.ok());
    expectConnectionErrorAndEnd(startBare());
    const QString log = data.readLog();
    EXPECT_TRUE(log.contains("locked")) << log.toStdString();
    EXPECT_FALSE(log.contains("Unrecognized database format"));
}

TEST_F(StartupFaultTest, CompactionKeepsTheFilesProtectionOrDoesNotRun)
{
    ASSERT_TRUE(startBare());
    stop();
    // A mode of the user's choosing survives the rewrite.
    QFile::setPermissions(data.database(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const auto mode = QFile::permissions(data.database());
    makeFreeSpace(data.database());
    const qint64 grown = QFileInfo(data.database()).size();
    ASSERT_TRUE(startBare());
    stop();
    EXPECT_LT(QFileInfo(data.database()).size(), grown) << "compacted";
    EXPECT_EQ(QFile::permissions(data.database()), mode);
    makeFreeSpace(data.database());

    // A file the user may not write is left alone and the failure told.
    {
        ReadOnly ro(data.database());
        if (!ro.ok())
            GTEST_SKIP() << "cannot make the database read-only here";
        const QByteArray before = contents(data.database());
        pr.clear();
        ASSERT_TRUE(startBare());
        stop();
        EXPECT_EQ(lastMessage(), "Error compacting RockvaneTENDON.mdb");
        EXPECT_EQ(contents(data.database()), before);
    }
}

TEST_F(StartupFaultTest, AReadOnlyDatabaseIsToldOnceAtStartAndNothingElseWhenNothingChanged)
{
    ASSERT_TRUE(startBare());
    addSensor("120645001");
    addSensor("120645002");
    stop();
    pr.clear();
    ReadOnly ro(data.database());
    if (!ro.ok())
        GTEST_SKIP() << "cannot make the database read-only here";
    const QByteArray before = contents(data.database());
    ASSERT_TRUE(startBare());
    win->show();
    ASSERT_EQ(pr.messages().size(), 1u) << pr.messageTexts().join(" | ").toStdString();
    EXPECT_EQ(pr.messages()[0].text, "The database " + QDir::toNativeSeparators(data.database())
                                         + " is read-only.\nIt can be viewed, but no change to it can be saved.");
    EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Warning);
    // Moving about and closing without a change says nothing more.
    page(1);
    page(0);
    click("imgNext");
    stop();
    EXPECT_EQ(pr.messages().size(), 1u) << pr.messageTexts().join(" | ").toStdString();
    EXPECT_EQ(contents(data.database()), before);
}

TEST_F(StartupFaultTest, AStaleCompactionWorkFileIsNamedInFullInTheLog)
{
    ASSERT_TRUE(startBare());
    data.writeFile("Copy_RockvaneTENDON.mdb", "stale");
    stop();
    EXPECT_EQ(lastMessage(), "Error compacting RockvaneTENDON.mdb");
    const QString full = QFileInfo(data.folder() + "/Copy_RockvaneTENDON.mdb").absoluteFilePath();
    EXPECT_TRUE(data.readLog().contains(full)) << data.readLog().toStdString();
}
