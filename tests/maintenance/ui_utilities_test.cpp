// The Utilities page's buttons driven through the main window: backup,
// restore, relocation, manual, web site and about box.
#include "main_window_fixture.h"
#include "maintenance_files.h"
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
    void press(const QString& name)
    {
        QWidget* target = w<QWidget>(name);
        ASSERT_NE(target, nullptr);
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->rect().center());
        QApplication::processEvents();
    }
    QStringList listed() const
    {
        QStringList out;
        auto* cbo = win->findChild<QComboBox*>("cboSensors");
        for (int i = 0; i < cbo->count(); ++i)
            out << cbo->itemText(i);
        return out;
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
    press("imgBackup");
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
    press("Label42");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Backup was successful"}));
    EXPECT_EQ(backupList(), QStringList({"List of Backups:", todaysBackup()}));
    EXPECT_EQ(sensorIds(backupPath(todaysBackup())), QStringList({"120645001", "120645002", "120645003"}));
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002", "120645003"}));
}

TEST_F(UtilitiesTest, ReloadEndsAnAppliedFilter)
{
    addSensor("120625001");
    page(7);
    keys("txtFilterType", "45");
    press("imgFilter");
    ASSERT_EQ(text("lblFilterState"), "Remove Filter");
    ASSERT_EQ(listed(), QStringList({"120645001", "120645002"}));
    pr.clear();
    press("imgBackup");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Backup was successful"}));
    EXPECT_EQ(listed(), QStringList({"120625001", "120645001", "120645002"}));
    EXPECT_EQ(text("lblFilterState"), "Apply Filter");
    EXPECT_TRUE(w<QLabel>("lblFilter")->isHidden());
    EXPECT_EQ(text("txtSCount"), "3");
}

TEST_F(UtilitiesTest, BackupWithoutAnyDatabaseToReturnToEndsTheProgram)
{
    // The default database vanished while in use: the backup fails, and
    // there is nothing to reconnect to.
    ASSERT_TRUE(QFile::remove(data.database()));
    press("imgBackup");
    ASSERT_EQ(pr.messages().size(), 2u);
    EXPECT_EQ(pr.messages()[0].text, "Error encountered during backup process of RockvaneTENDON.mdb");
    EXPECT_EQ(pr.messages()[1].text, "ERROR: could not connect to database\nProgram must exit");
    EXPECT_EQ(pr.messages()[1].icon, MsgIcon::Critical);
    EXPECT_EQ(pr.messages()[1].title, "Database connection error");
    EXPECT_FALSE(win->isVisible());
    EXPECT_TRUE(data.readLog().contains(" GBackupDB"));
}

TEST_F(UtilitiesTest, BackupOnARelocatedDatabaseWithoutADefaultOneStaysOnIt)
{
    const QString other = data.folder() + "/../Mine2.mdb";
    makeDatabase(other, {"130665007"});
    pr.answerFile(other);
    press("Image4");
    ASSERT_TRUE(QFile::remove(data.database()));
    pr.clear();
    press("imgBackup");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Error encountered during backup process of RockvaneTENDON.mdb"}));
    EXPECT_EQ(st->DatabasePath, QFileInfo(other).absoluteFilePath());
    EXPECT_EQ(st->conn->state(), 1);
    EXPECT_EQ(listed(), QStringList({"130665007"}));
    EXPECT_TRUE(win->isVisible());
}

TEST_F(UtilitiesTest, RestoreRefusesWithoutAChoiceAndOnNo)
{
    press("imgRestore");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Please choose a file from the list to restore from"}))
        << "no backups listed";

    press("imgBackup");
    pr.clear();
    press("Label27");  // heading selected
    EXPECT_EQ(pr.messageTexts(), QStringList({"Please choose a file from the list to restore from"}));
    EXPECT_EQ(pr.messages()[0].title, "Rockvane");

    addSensor("120645003");
    const QByteArray current = fileBytes(data.database());
    chooseBackup(todaysBackup());
    pr.clear();
    pr.answer(MsgResult::No);
    press("imgRestore");
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
    press("imgBackup");
    addSensor("120645003");
    EXPECT_EQ(sensorIds(data.database()).size(), 3);
    chooseBackup(todaysBackup());
    pr.clear();
    pr.answer(MsgResult::Yes);
    press("imgRestore");
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
        press("imgRestore");
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
    press("Image4");
    ASSERT_EQ(pr.records().size(), 1u);
    EXPECT_EQ(pr.records()[0].text, "TENDON Database (*.mdb) | *.mdb");
    EXPECT_FALSE(QFileInfo::exists(locationFile()));
    EXPECT_EQ(st->DatabasePath, data.database());

    pr.clear();
    pr.answerFile(other);
    press("Image4");
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
    press("Image4");
    EXPECT_EQ(fileBytes(locationFile()), QFileInfo(empty).absoluteFilePath().toUtf8() + "\n");
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].text,
              "There are no sensors in the database, \nclick the ADD NEW button to begin using Rockvane");
    EXPECT_EQ(text("txtSCount"), "0");
    EXPECT_TRUE(listed().isEmpty());

    // A backup from the relocated database copies the default one and
    // works on it afterwards; the location file stays for the next start.
    pr.clear();
    press("imgBackup");
    EXPECT_EQ(pr.messageTexts(), QStringList({"Backup was successful"}));
    EXPECT_EQ(sensorIds(backupPath(todaysBackup())), QStringList({"120645001", "120645002"}));
    EXPECT_EQ(st->DatabasePath, data.database());
    EXPECT_EQ(listed(), QStringList({"120645001", "120645002"}));
    EXPECT_EQ(fileBytes(locationFile()), QFileInfo(empty).absoluteFilePath().toUtf8() + "\n");
}

TEST_F(UtilitiesTest, RelocationRefusesABadFileAndKeepsEverything)
{
    // An earlier relocation's location file must survive a refused one.
    const QString good = data.folder() + "/../Mine2.mdb";
    makeDatabase(good, {"130665007"});
    pr.answerFile(good);
    press("Image4");
    const QByteArray location = fileBytes(locationFile());

    const QString text = data.folder() + "/../notes.mdb";
    const QString foreign = data.folder() + "/../foreign.mdb";
    const QString missing = data.folder() + "/../missing.mdb";
    makeTextFile(text);
    makeForeignDatabase(foreign);
    for (const QString& bad : {text, foreign, missing}) {
        pr.clear();
        pr.answerFile(bad);
        press("Image4");
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

TEST_F(UtilitiesTest, ManualWebSiteAndAbout)
{
    QFile::remove(data.folder() + "/RockvaneManual.pdf");
    press("imgHelp");
    ASSERT_EQ(pr.records().size(), 1u);
    EXPECT_EQ(pr.records()[0].kind, PromptRecord::Kind::OpenWith);
    EXPECT_EQ(pr.records()[0].text, data.folder() + "/RockvaneManual.pdf");
    EXPECT_EQ(manualVersion(data.folder() + "/RockvaneManual.pdf"), programVersion())
        << "a missing manual is written before it is opened";

    pr.setOpenWithResult(false);
    pr.clear();
    press("Label66");
    press("imgInternet");
    press("Label40");
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
    press("imgAbout");
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(shown->isVisible());
    frmSplash* first = shown;
    shown = nullptr;
    QTimer::singleShot(100, closeIt);
    press("Label29");
    EXPECT_EQ(shown, first);
    EXPECT_EQ(win->findChildren<frmSplash*>().size(), 1);
}
