// The Utilities page's backup and restore while the site is on the test
// server: the backup is a database file of the site's rows, a restore asks
// twice and replaces the server's site whole, or changes nothing.
#include "main_window_fixture.h"
#include "maintenance_files.h"
#include "pg_site.h"

#include "maintenance/backups.h"
#include "store/connection.h"
#include "store/migrate.h"
#include "store/recordset.h"

#include <QDir>
#include <QListWidget>

using namespace rv;
using namespace rv::test;

namespace {

// Every row of every table, as the program reads them.
QStringList siteRows(store::Connection& c)
{
    QStringList out;
    for (const QString& t : c.tableNames()) {
        store::Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `%1`").arg(t), c);
        if (rs.recordCount() == 0) {
            out << t + QStringLiteral(": empty");
            continue;
        }
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            QStringList row;
            for (int k = 0; k < rs.fieldCount(); ++k)
                row << rs.fieldName(k) + u'=' + rs.text(rs.fieldName(k));
            out << t + QStringLiteral(": ") + row.join(u'|');
        }
    }
    return out;
}

QStringList siteRows(const QString& location)
{
    store::Connection c;
    c.open(location);
    return siteRows(c);
}

class ServerUtilitiesTest : public MainWindowTest {
protected:
    QString db;
    QString uri;

    void SetUp() override
    {
        const QString why = rv::testing::serverUnavailable();
        ASSERT_TRUE(why.isEmpty()) << "The test server cannot be used: " << why.toStdString();
        // A site with two sensors and some readings, moved onto the server;
        // the location file names it.
        const QString file = data.folder() + "/made.mdb";
        makeDatabase(file, {"120645001", "120645002"});
        for (int k = 0; k < 5; ++k)
            runSql(file, QStringLiteral("INSERT INTO `120645001` (DateTimeKey, ReadingDate, ReadingTime, FullDate, "
                                        "Channel1, Plottemporal) VALUES ('120645001 2024/03/0%1 08:00:00', "
                                        "'2024-03-0%1', '08:00:00', '2024-03-0%1 08:00:00', %2, 1)")
                             .arg(k + 1)
                             .arg(k * 1.25));
        db = rv::testing::createServerDatabase();
        uri = rv::testing::serverUri(db);
        {
            store::Connection from, to;
            from.open(file);
            to.open(uri);
            store::migrateSite(from, to, false);
        }
        QFile::remove(file);
        data.writeFile("tendon_location.txt", uri + "\n");
        ASSERT_TRUE(start());
        ASSERT_TRUE(st->conn->isServer());
        pr.clear();
        page(7);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        if (!db.isEmpty())
            rv::testing::dropServerDatabase(db);
    }

    QStringList backupList() const
    {
        QStringList out;
        auto* list = win->findChild<QListWidget*>("lstFiles");
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    void chooseBackup(const QString& name)
    {
        auto* list = w<QListWidget>("lstFiles");
        const auto items = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(items[0]).center());
        QApplication::processEvents();
        ASSERT_EQ(list->currentItem(), items[0]);
    }
    // The server's backups sit in the data folder's backup folder, named
    // after the server's database.
    QString todaysBackup() const { return db + " " + backupFileName(QDate::currentDate()); }
    QString backupPath() const { return backupFolder(data.folder()) + "/" + todaysBackup(); }
    QString shown() const { return store::redactedLocation(uri); }
    QString firstQuestion() const
    {
        return "Restoring Rockvane from backup " + todaysBackup() + "\nwill replace the whole site on the server "
            + shown()
            + "\nwith the backup's: every sensor, reading and change stored there now is lost, for everyone using "
              "it. Continue?";
    }
    QString secondQuestion() const
    {
        return "Are you sure? The site on the server " + shown() + " will be replaced by the backup "
            + todaysBackup() + ".\nThis cannot be undone.";
    }
};

} // namespace

TEST_F(ServerUtilitiesTest, BackupWritesTheSitesRowsIntoADatabaseFileAndListsIt)
{
    // The default database's backups share the folder and are not listed.
    QDir().mkpath(backupFolder(data.folder()));
    makeDatabase(backupFolder(data.folder()) + "/" + backupFileName(QDate(2020, 1, 1)));
    const QStringList before = siteRows(uri);

    clickWithMouse("imgBackup");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Backup was successful"}));
    ASSERT_TRUE(QFileInfo::exists(backupPath()));
    EXPECT_EQ(siteRows(backupPath()), before) << "the file holds the server's site row for row";
    EXPECT_EQ(checkDatabase(backupPath()), DatabaseCheck::Good);
    EXPECT_EQ(sensorIds(backupPath()), QStringList({"120645001", "120645002"}));
    EXPECT_EQ(backupList(), QStringList({"List of Backups:", todaysBackup()}));
    EXPECT_EQ(QDir(backupFolder(data.folder())).entryList({"*.part*"}, QDir::Files), QStringList());
    // The window goes on on the server, as it was.
    EXPECT_TRUE(st->conn->isServer());
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002"}));

    // A second backup of the day replaces the first, with what the site now holds.
    addSensor("120645003");
    pr.clear();
    clickWithMouse("imgBackup");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Backup was successful"}));
    EXPECT_EQ(sensorIds(backupPath()), QStringList({"120645001", "120645002", "120645003"}));
    EXPECT_EQ(backupList(), QStringList({"List of Backups:", todaysBackup()}));
}

TEST_F(ServerUtilitiesTest, RestoreAsksTwiceThenReplacesTheServersSiteAndReloads)
{
    const QStringList before = siteRows(uri);
    clickWithMouse("imgBackup");
    addSensor("120645003");
    ASSERT_EQ(listed().size(), 3);

    // No to the first question, then No to the second: nothing changes.
    chooseBackup(todaysBackup());
    pr.clear();
    pr.answer(MsgResult::No);
    clickWithMouse("imgRestore");
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].text, firstQuestion());
    EXPECT_EQ(pr.messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(pr.messages()[0].defaultButton, MsgResult::No);
    EXPECT_EQ(pr.messages()[0].title, "Quillon's ROCKVANE");
    chooseBackup(todaysBackup());
    pr.clear();
    pr.answer(MsgResult::Yes);
    pr.answer(MsgResult::No);
    clickWithMouse("imgRestore");
    EXPECT_EQ(pr.messageTexts(), QStringList({firstQuestion(), secondQuestion()}));
    EXPECT_EQ(pr.messages()[1].defaultButton, MsgResult::No);
    EXPECT_EQ(listed().size(), 3);
    store::Connection look;
    look.open(uri);
    EXPECT_TRUE(look.hasTable("120645003"));

    // Yes twice: the server holds the backup's site, and the window shows it.
    chooseBackup(todaysBackup());
    pr.clear();
    pr.answer(MsgResult::Yes);
    pr.answer(MsgResult::Yes);
    clickWithMouse("imgRestore");
    EXPECT_EQ(pr.messageTexts(), QStringList({firstQuestion(), secondQuestion(), "Restore was successful"}));
    EXPECT_EQ(pr.messages()[2].icon, MsgIcon::Information);
    EXPECT_EQ(siteRows(uri), before);
    EXPECT_FALSE(look.hasTable("120645003"));
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002"}));
    EXPECT_EQ(text("txtSCount"), "2");
    EXPECT_EQ(st->DatabasePath, uri);
    EXPECT_TRUE(st->conn->isServer());
    EXPECT_EQ(st->conn->state(), 1);
}

TEST_F(ServerUtilitiesTest, ARestoreThatFailsChangesNothingAndSaysWhy)
{
    clickWithMouse("imgBackup");
    addSensor("120645003");
    const QStringList before = siteRows(uri);
    // A backup whose readings the server's unique key refuses: the copy
    // fails half-way and is rolled back whole.
    runSql(backupPath(), "DROP TABLE `120645001`;"
                         "CREATE TABLE `120645001` AS SELECT * FROM sensordata WHERE 0;"
                         "INSERT INTO `120645001` (DateTimeKey) VALUES ('120645001 2024/03/01 08:00:00');"
                         "INSERT INTO `120645001` (DateTimeKey) VALUES ('120645001 2024/03/01 08:00:00');");
    ASSERT_EQ(checkDatabase(backupPath()), DatabaseCheck::Good);
    chooseBackup(todaysBackup());
    pr.clear();
    pr.answer(MsgResult::Yes);
    pr.answer(MsgResult::Yes);
    clickWithMouse("imgRestore");
    ASSERT_EQ(pr.messages().size(), 3u);
    const QString failure = pr.messages()[2].text;
    EXPECT_TRUE(failure.startsWith("Error encountered during restore process\n")) << failure.toStdString();
    EXPECT_TRUE(failure.endsWith("\nThe site on the server has not been changed.")) << failure.toStdString();
    EXPECT_EQ(siteRows(uri), before);
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002", "120645003"}));
    EXPECT_TRUE(st->conn->isServer());
    EXPECT_TRUE(data.readLog().contains("G_CompactDB"));

    // A file in the folder that is not a database is refused before asking.
    makeTextFile(backupFolder(data.folder()) + "/" + db + " TENDONbackup2020-01-01.mdb");
    page(0);
    page(7);
    chooseBackup(db + " TENDONbackup2020-01-01.mdb");
    pr.clear();
    clickWithMouse("imgRestore");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Cannot restore from " + db + " TENDONbackup2020-01-01.mdb\n"
                                              "The file is not a database.\n"
                                              "The site on the server has not been changed."}));
    EXPECT_EQ(siteRows(uri), before);
}
