// The Utilities page's buttons driven through the main window: backup,
// restore, relocation, manual, web site and about box.
#include "main_window_fixture.h"
#include "maintenance_files.h"
#include "faults.h"
#include "app/frmSplash.h"
#include "maintenance/backups.h"
#include "maintenance/manual.h"
#include "maintenance/ui_utilities.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

using namespace rv;
using namespace rv::test;

namespace {

class UtilitiesTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        makeDatabase(data.database(), {"120645001", "120645002"});
        ASSERT_TRUE(start());
        pr.clear();
        page(7);
    }

    // A click where the window system delivers it: on the control itself.
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
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(items[0]).center());
        QApplication::processEvents();
        ASSERT_EQ(list->currentItem(), items[0]);
    }
    QString todaysBackup() const { return backupFileName(QDate::currentDate()); }
    QString backupPath(const QString& name) const { return backupFolder(data.folder()) + "/" + name; }
    QString locationFile() const { return data.folder() + "/tendon_location.txt"; }
};

} // namespace

TEST_F(UtilitiesTest, BackupCopiesTheDatabaseListsItAndReloads)
{
    clickWithMouse("imgBackup");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Backup was successful"}));
    EXPECT_EQ(sensorIds(backupPath(todaysBackup())), QStringList({"120645001", "120645002"}));
    EXPECT_EQ(backupList(), QStringList({"List of Backups:", todaysBackup()}));
    EXPECT_EQ(w<QListWidget>("lstFiles")->currentRow(), 0);
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002"})) << "each sensor once after the reload";
    EXPECT_EQ(text("txtSCount"), "2");
    EXPECT_EQ(st->conn->state(), 1);

    // The caption does the same; the day's backup is replaced, not added to.
    addSensor("120645003");
    pr.clear();
    clickWithMouse("Label42");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Backup was successful"}));
    EXPECT_EQ(backupList(), QStringList({"List of Backups:", todaysBackup()}));
    EXPECT_EQ(sensorIds(backupPath(todaysBackup())), QStringList({"120645001", "120645002", "120645003"}));
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002", "120645003"}));
}

TEST_F(UtilitiesTest, RestoreReloadEndsAnAppliedFilterWhileABackupKeepsIt)
{
    addSensor("120625001");
    page(7);
    keys("txtFilterType", "45");
    clickWithMouse("imgFilter");
    ASSERT_EQ(text("lblFilterState"), "Remove Filter");
    ASSERT_EQ(listed(), QStringList({"120645001", "120645002"}));
    pr.clear();
    clickWithMouse("imgBackup");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Backup was successful"}));
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002"})) << "the backup leaves the window as it was";
    EXPECT_EQ(text("lblFilterState"), "Remove Filter");

    chooseBackup(todaysBackup());
    pr.clear();
    pr.answer(MsgResult::Yes);
    clickWithMouse("imgRestore");
    EXPECT_EQ(pr.messageTexts().last(), "Restore was successful");
    EXPECT_EQ(listed(), QStringList({"120625001", "120645001", "120645002"}));
    EXPECT_EQ(text("lblFilterState"), "Apply Filter");
    EXPECT_TRUE(w<QLabel>("lblFilter")->isHidden());
    EXPECT_EQ(text("txtSCount"), "3");
}

TEST_F(UtilitiesTest, AFailedBackupKeepsTheConnectionAndTheProgram)
{
    // Another program holds the database's lock: the backup fails and says
    // why; the program goes on with its connection.
    {
        LockHolder other(data.database());
        ASSERT_TRUE(other.ok());
        clickWithMouse("imgBackup");
    }
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_TRUE(pr.messages()[0].text.startsWith("Error encountered during backup process of RockvaneTENDON.mdb\n"
                                                 "The database is in use by another program"));
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(st->conn->state(), 1);
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002"}));
    EXPECT_TRUE(backupList().isEmpty());
    addSensor("120645003");
    EXPECT_EQ(sensorIds(data.database()).size(), 3) << "work goes on in the same database";

    // The database file vanished while in use: the same.
    ASSERT_TRUE(QFile::remove(data.database()));
    pr.clear();
    clickWithMouse("imgBackup");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Error encountered during backup process of RockvaneTENDON.mdb"}));
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(st->conn->state(), 1);
    EXPECT_TRUE(data.readLog().contains(" GBackupDB"));
}

TEST_F(UtilitiesTest, BackupAndRestoreOfARelocatedDatabaseWorkOnItAndStayOnIt)
{
    const QString other = data.folder() + "/../Mine2.mdb";
    makeDatabase(other, {"130665007"});
    const QString chosen = QFileInfo(other).absoluteFilePath();
    pr.answerFile(other);
    clickWithMouse("Image4");
    EXPECT_EQ(win->windowTitle(), "Quillon's Rockvane - Cable Bolt Monitoring - Mine2.mdb");
    EXPECT_EQ(w<QLabel>("lblDatabase")->toolTip(), QDir::toNativeSeparators(chosen));
    addSensor("130665008");
    page(7);
    const QString mine2Backup = "Mine2 " + todaysBackup();
    const QString mine2Folder = QFileInfo(chosen).absolutePath() + "/TENDONbackup/";
    const QByteArray defaultBefore = fileBytes(data.database());

    pr.clear();
    clickWithMouse("imgBackup");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Backup was successful"}));
    EXPECT_EQ(sensorIds(mine2Folder + mine2Backup), QStringList({"130665007", "130665008"}));
    EXPECT_FALSE(QFileInfo::exists(backupPath(todaysBackup()))) << "the default database is not backed up";
    EXPECT_EQ(st->DatabasePath, chosen);
    EXPECT_EQ(st->conn->path(), chosen);
    EXPECT_EQ(listed(), QStringList({"130665007", "130665008"}));
    EXPECT_EQ(backupList(), QStringList({"List of Backups:", mine2Backup}));
    EXPECT_EQ(win->windowTitle(), "Quillon's Rockvane - Cable Bolt Monitoring - Mine2.mdb");

    // The default database's backups are not this database's.
    backupDatabase(data.database(), QDate::currentDate().addDays(-1));
    page(0);
    page(7);
    EXPECT_EQ(backupList(), QStringList({"List of Backups:", mine2Backup}));

    addSensor("130665009");
    page(7);
    chooseBackup(mine2Backup);
    pr.clear();
    pr.answer(MsgResult::Yes);
    clickWithMouse("imgRestore");
    ASSERT_EQ(pr.messages().size(), 2u);
    EXPECT_EQ(pr.messages()[0].defaultButton, MsgResult::No);
    EXPECT_EQ(pr.messages()[1].text, "Restore was successful");
    EXPECT_EQ(sensorIds(chosen), QStringList({"130665007", "130665008"}));
    EXPECT_EQ(st->DatabasePath, chosen);
    EXPECT_EQ(listed(), QStringList({"130665007", "130665008"}));
    EXPECT_EQ(fileBytes(data.database()), defaultBefore) << "the default database is untouched";
}

TEST_F(UtilitiesTest, TheWindowNamesTheDatabaseInUse)
{
    EXPECT_EQ(win->windowTitle(), "Quillon's Rockvane - Cable Bolt Monitoring - RockvaneTENDON.mdb");
    auto* label = w<QLabel>("lblDatabase");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->toolTip(), QDir::toNativeSeparators(data.database()));
    EXPECT_TRUE(label->text().contains(QDir::toNativeSeparators(data.database())));
    EXPECT_EQ(w<QWidget>("SSTab1")->geometry().bottom() < win->centralWidget()->height(), true)
        << "the status bar takes no room from the pages";
}

TEST_F(UtilitiesTest, RestoreWhileAnotherProgramHoldsTheLockChangesNothingAndGoesOn)
{
    clickWithMouse("imgBackup");
    addSensor("120645003");
    page(7);
    chooseBackup(todaysBackup());
    const QByteArray current = fileBytes(data.database());
    pr.clear();
    pr.answer(MsgResult::Yes);
    {
        LockHolder other(data.database());
        clickWithMouse("imgRestore");
    }
    ASSERT_EQ(pr.messages().size(), 2u) << pr.messageTexts().join(" | ").toStdString();
    EXPECT_TRUE(pr.messages()[1].text.startsWith("Error encountered during restore process\nThe database is in use"));
    EXPECT_EQ(fileBytes(data.database()), current);
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(st->conn->state(), 1);
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002", "120645003"}));
}

TEST_F(UtilitiesTest, RestoreRefusesWithoutAChoiceAndOnNo)
{
    clickWithMouse("imgRestore");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Please choose a file from the list to restore from"}))
        << "no backups listed";

    clickWithMouse("imgBackup");
    pr.clear();
    clickWithMouse("Label27");  // heading selected
    EXPECT_EQ(pr.messageTexts(), QStringList({"Please choose a file from the list to restore from"}));
    EXPECT_EQ(pr.messages()[0].title, "Rockvane");

    addSensor("120645003");
    const QByteArray current = fileBytes(data.database());
    chooseBackup(todaysBackup());
    pr.clear();
    pr.answer(MsgResult::No);
    clickWithMouse("imgRestore");
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].text, "Restoring Rockvane from backup " + todaysBackup()
                                         + "\nwill permanently overwrite current database. Continue?");
    EXPECT_EQ(pr.messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(pr.messages()[0].title, "Quillon's ROCKVANE");
    EXPECT_EQ(st->conn->state(), 1) << "No leaves the connection open";
    EXPECT_EQ(fileBytes(data.database()), current);
    EXPECT_EQ(listed().size(), 3);
}

TEST_F(UtilitiesTest, RestorePutsTheBackupBackAndReloads)
{
    clickWithMouse("imgBackup");
    addSensor("120645003");
    EXPECT_EQ(sensorIds(data.database()).size(), 3);
    chooseBackup(todaysBackup());
    pr.clear();
    pr.answer(MsgResult::Yes);
    clickWithMouse("imgRestore");
    EXPECT_EQ(pr.messageTexts().last(), "Restore was successful");
    EXPECT_EQ(sensorIds(data.database()), QStringList({"120645001", "120645002"}));
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002"}));
    EXPECT_EQ(text("txtSCount"), "2");
    EXPECT_EQ(text("cboSensors"), "120645001");
    EXPECT_EQ(st->DatabasePath, data.database());
}

TEST_F(UtilitiesTest, RestoreRefusesFilesThatAreNotRockvaneDatabases)
{
    QDir().mkpath(backupFolder(data.folder()));
    makeTextFile(backupPath("readme.txt"));
    makeForeignDatabase(backupPath("other.mdb"));
    page(0);
    page(7);
    const QByteArray current = fileBytes(data.database());
    for (const QString name : {"readme.txt", "other.mdb"}) {
        pr.clear();
        chooseBackup(name);
        clickWithMouse("imgRestore");
        ASSERT_EQ(pr.messages().size(), 1u) << "no question for a file that cannot be restored";
        EXPECT_TRUE(pr.messages()[0].text.startsWith("Cannot restore from " + name + "\n"));
        EXPECT_TRUE(pr.messages()[0].text.endsWith("The current database has not been changed."));
        EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Warning);
        EXPECT_EQ(fileBytes(data.database()), current);
        EXPECT_EQ(st->conn->state(), 1);
    }
}

TEST_F(UtilitiesTest, RelocationSwitchesToTheChosenDatabaseAndRemembersIt)
{
    const QString other = data.folder() + "/../Mine2.mdb";
    makeDatabase(other, {"130665007", "130625001", "130645002"});

    pr.answerFile(QString());  // cancelled
    clickWithMouse("Image4");
    ASSERT_EQ(pr.records().size(), 1u);
    EXPECT_EQ(pr.records()[0].text, "TENDON Database (*.mdb) | *.mdb");
    EXPECT_FALSE(QFileInfo::exists(locationFile()));
    EXPECT_EQ(st->DatabasePath, data.database());

    pr.clear();
    pr.answerFile(other);
    clickWithMouse("Image4");
    EXPECT_TRUE(pr.messages().empty());
    const QString chosen = QFileInfo(other).absoluteFilePath();
    EXPECT_EQ(fileBytes(locationFile()), chosen.toUtf8() + "\n") << "one line, the chosen path";
    EXPECT_EQ(st->DatabasePath, chosen);
    EXPECT_EQ(st->conn->path(), chosen);
    EXPECT_EQ(listed(), QStringList({"130625001", "130645002", "130665007"})) << "once each, in number order";
    EXPECT_EQ(text("txtSCount"), "3");

    // Relocating again replaces the line; an empty database gives its notice.
    const QString empty = data.folder() + "/../Empty.mdb";
    makeDatabase(empty);
    pr.clear();
    pr.answerFile(empty);
    clickWithMouse("Image4");
    EXPECT_EQ(fileBytes(locationFile()), QFileInfo(empty).absoluteFilePath().toUtf8() + "\n");
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].text,
              "There are no sensors in the database, \nclick the ADD NEW button to begin using Rockvane");
    EXPECT_EQ(text("txtSCount"), "0");
    EXPECT_TRUE(listed().isEmpty());

    // A backup from the relocated database copies that database and stays
    // on it; the location file stays for the next start.
    pr.clear();
    clickWithMouse("imgBackup");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Backup was successful"}));
    EXPECT_EQ(checkDatabase(QFileInfo(empty).absolutePath() + "/TENDONbackup/Empty " + todaysBackup()),
              DatabaseCheck::Good);
    EXPECT_FALSE(QFileInfo::exists(backupPath(todaysBackup())));
    EXPECT_EQ(st->DatabasePath, QFileInfo(empty).absoluteFilePath());
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(fileBytes(locationFile()), QFileInfo(empty).absoluteFilePath().toUtf8() + "\n");
}

TEST_F(UtilitiesTest, RelocationRefusesABadFileAndKeepsEverything)
{
    // An earlier relocation's location file must survive a refused one.
    const QString good = data.folder() + "/../Mine2.mdb";
    makeDatabase(good, {"130665007"});
    pr.answerFile(good);
    clickWithMouse("Image4");
    const QByteArray location = fileBytes(locationFile());

    const QString text = data.folder() + "/../notes.mdb";
    const QString foreign = data.folder() + "/../foreign.mdb";
    const QString missing = data.folder() + "/../missing.mdb";
    makeTextFile(text);
    makeForeignDatabase(foreign);
    for (const QString& bad : {text, foreign, missing}) {
        pr.clear();
        pr.answerFile(bad);
        clickWithMouse("Image4");
        ASSERT_EQ(pr.messages().size(), 1u) << bad.toStdString();
        EXPECT_TRUE(pr.messages()[0].text.startsWith("Cannot use " + QFileInfo(bad).absoluteFilePath()));
        EXPECT_TRUE(pr.messages()[0].text.endsWith("The database in use and its location have not been changed."));
        EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Warning);
        EXPECT_EQ(pr.messages()[0].title, "Quillon's Rockvane");
        EXPECT_EQ(fileBytes(locationFile()), location);
        EXPECT_EQ(st->DatabasePath, QFileInfo(good).absoluteFilePath());
        EXPECT_EQ(st->conn->state(), 1);
        EXPECT_EQ(listed(), QStringList({"130665007"}));
        EXPECT_TRUE(win->isVisible()) << "the program goes on";
    }
}

TEST_F(UtilitiesTest, RelocationToADatabaseAnotherProgramIsWritingIsRefused)
{
    const QString busy = data.folder() + "/../Busy.mdb";
    makeDatabase(busy, {"130665007"});
    LockHolder other(busy);
    pr.answerFile(busy);
    clickWithMouse("Image4");
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].text, "Cannot use " + QFileInfo(busy).absoluteFilePath()
                                         + " as the Rockvane database\nThe file is in use by another program. Try "
                                           "again when it has finished.\nThe database in use and its location have "
                                           "not been changed.");
    EXPECT_EQ(st->DatabasePath, data.database());
    EXPECT_FALSE(QFileInfo::exists(locationFile()));
}

TEST_F(UtilitiesTest, ManualWebSiteAndAbout)
{
    QFile::remove(data.folder() + "/RockvaneManual.pdf");
    clickWithMouse("imgHelp");
    ASSERT_EQ(pr.records().size(), 1u);
    EXPECT_EQ(pr.records()[0].kind, PromptRecord::Kind::OpenWith);
    EXPECT_EQ(pr.records()[0].text, data.folder() + "/RockvaneManual.pdf");
    EXPECT_EQ(manualVersion(data.folder() + "/RockvaneManual.pdf"), programVersion())
        << "a missing manual is written before it is opened";

    pr.setOpenWithResult(false);
    pr.clear();
    clickWithMouse("Label66");
    clickWithMouse("imgInternet");
    clickWithMouse("Label40");
    ASSERT_EQ(pr.records().size(), 4u);
    EXPECT_EQ(pr.records()[0].text, data.folder() + "/RockvaneManual.pdf");
    // Without a viewer the user is told where the manual is.
    EXPECT_EQ(pr.records()[1].kind, PromptRecord::Kind::Message);
    EXPECT_EQ(pr.records()[1].text, "No PDF viewer could be found to open the manual.\nThe manual is at:\n"
                                        + data.folder() + "/RockvaneManual.pdf");
    EXPECT_EQ(pr.records()[1].icon, MsgIcon::Information);
    EXPECT_EQ(pr.records()[2].text, maintenance::kMakerWebSite);
    EXPECT_EQ(pr.records()[3].text, maintenance::kMakerWebSite);
    EXPECT_EQ(pr.messages().size(), 1u) << "no browser is nothing to report";

    // The about box is shown modally, made once and kept.
    frmSplash* shown = nullptr;
    auto closeIt = [&] {
        shown = qobject_cast<frmSplash*>(QApplication::activeModalWidget());
        if (shown)
            shown->findChild<QPushButton*>("cmdOK")->click();
    };
    QTimer::singleShot(100, closeIt);
    clickWithMouse("imgAbout");
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(shown->isVisible());
    frmSplash* first = shown;
    shown = nullptr;
    QTimer::singleShot(100, closeIt);
    clickWithMouse("Label29");
    EXPECT_EQ(shown, first);
    EXPECT_EQ(win->findChildren<frmSplash*>().size(), 1);
}
