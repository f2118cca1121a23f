#include "maintenance/ui_backups.h"
#include "common/log.h"
#include "maintenance/backup_db.h"
#include "maintenance/backups.h"
#include "maintenance/db_location.h"
#include "maintenance/ui_server_backups.h"
#include "sensors/ui_sensors.h"
#include "store/dbfile.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QSaveFile>
#include <QTabWidget>

namespace rv {

namespace {

const QString kConnectError = QStringLiteral("ERROR: could not connect to database\nProgram must exit");

// Closes the record sets and the shared connection, so that the database
// file is not in use while it is copied or replaced.
void closeStore(AppState& st)
{
    attempt([&] { st.rsReadings.close(); });
    attempt([&] { st.rsGraph.close(); });
    attempt([&] { st.rsSensors.close(); });
    attempt([&] { st.rsConfig.close(); });
    attempt([&] { if (st.conn && st.conn->state()) st.conn->close(); });
}

enum class Connected { Yes, Failed, FailedAndTold };

// Connects to path and reloads the catalogue, the sensor list emptied first.
// A failure the reload did not report itself is logged under logName.
Connected connectTo(MainContext& c, const QString& path, const QString& logName)
{
    c.st.DatabasePath = path;
    c.ui.cboSensors->clear();
    try {
        if (!c.reload)
            return Connected::Failed;
        // The reload tells the user itself when the connection stays closed.
        if (!c.reload())
            return Connected::FailedAndTold;
        // The reloaded catalogue is the whole one: a filter shown as applied
        // would no longer be true.
        if (!c.ui.lblFilter->isHidden())
            sensors::G_RemoveFilter(c);
        return Connected::Yes;
    } catch (...) {
        c.logError(logName);
        return Connected::Failed;
    }
}

// The program cannot go on without a database.
void endProgram(MainContext& c, Connected how)
{
    if (how != Connected::FailedAndTold)
        c.pr.message(kConnectError, MsgIcon::Critical, MsgButtons::Ok, "Database connection error");
    if (QWidget* main = c.ui.SSTab1->window())
        main->hide();
    QCoreApplication::exit(1);
}

QString selectedBackup(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    if (!item || list->row(item) <= 0 || !item->isSelected())
        return QString();
    return item->text();
}

// The location file's contents before a change, to put back when the change
// is undone.
struct SavedLocation {
    bool existed = false;
    QByteArray contents;
};

SavedLocation readLocation(const QString& path)
{
    SavedLocation s;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        s.existed = true;
        s.contents = f.readAll();
    }
    return s;
}

bool writeLocation(const QString& path, const QByteArray& contents)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(contents);
    return f.commit();
}

void putBackLocation(const QString& path, const SavedLocation& s)
{
    if (s.existed)
        writeLocation(path, s.contents);
    else
        QFile::remove(path);
}

} // namespace

void GListBackups(MainContext& c)
{
    try {
        QListWidget* list = c.ui.lstFiles;
        list->clear();
        const QStringList names = backupFileNames(backupOwner(c.st.DatabasePath, c.st.DataFolder));
        if (names.isEmpty())
            return;
        list->addItem("List of Backups:");
        list->addItems(names);
        list->setCurrentRow(0);
    } catch (...) {
        c.logError("GListBackups");
    }
}

void imgBackupClick(MainContext& c)
{
    if (store::isServerLocation(c.st.DatabasePath)) {
        backupServerSiteClick(c);
        return;
    }
    // The database in use is copied while it stays open: the program goes
    // on working on it, whether the copy succeeds or not.
    const QFileInfo db(c.st.DatabasePath);
    GBackupDB(db.absolutePath() + "/", db.fileName(), c.pr, c.st.DataFolder);
    GListBackups(c);
}

void imgRestoreClick(MainContext& c)
{
    const QString name = selectedBackup(c.ui.lstFiles);
    if (name.isEmpty()) {
        c.pr.message("Please choose a file from the list to restore from", MsgIcon::None, MsgButtons::Ok,
                     kAppTitle);
        return;
    }
    if (store::isServerLocation(c.st.DatabasePath)) {
        restoreServerSiteClick(c, name);
        return;
    }
    // Only a Rockvane database may replace the database file; anything else
    // in the backup folder is refused before the question.
    const QString path = c.st.DatabasePath;
    const DatabaseCheck check = checkDatabase(backupFolderOf(path) + "/" + name);
    if (check != DatabaseCheck::Good) {
        c.pr.message("Cannot restore from " + name + "\n" + checkText(check)
                         + "\nThe current database has not been changed.",
                     MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        return;
    }
    // Overwriting the database is never what a stray Enter means.
    if (!c.pr.ask("Restoring Rockvane from backup " + name
                      + "\nwill permanently overwrite current database. Continue?",
                  "Quillon's ROCKVANE", MsgIcon::Warning, MsgResult::No))
        return;
    // While another program holds the database the window keeps everything
    // it has open: nothing is closed that could not be opened again.
    const QFileInfo db(path);
    if (!restoreMayStart(db.absolutePath() + "/", db.fileName(), c.pr, c.st.DataFolder))
        return;
    closeStore(c.st);
    GRestoreDB(db.absolutePath() + "/", db.fileName(), name, c.pr, c.st.DataFolder);
    // Restored or not, the program goes on with the database it was using.
    const Connected how = connectTo(c, path, "imgRestore_Click");
    if (how != Connected::Yes)
        endProgram(c, how);
}

void reloadAfterRestore(MainContext& c, const QString& path)
{
    const Connected how = connectTo(c, path, "imgRestore_Click");
    if (how != Connected::Yes)
        endProgram(c, how);
}

namespace {

// Names location (a file or a server, shown to the user as shown) in the
// location file and switches the window to it. A location that passed its
// checks but cannot be loaded after all is undone rather than left to fail
// at every start, and the window goes back to the database it was using.
void switchDatabase(MainContext& c, const QString& location, const QString& shown, const QString& logName)
{
    const QString locationFile = c.st.locationFilePath();
    const SavedLocation before = readLocation(locationFile);
    if (!writeLocation(locationFile, location.toUtf8() + "\n")) {
        writeLog(c.st.DataFolder, errorText(75, "Path/File access error: '" + locationFile + "'", logName));
        c.pr.message("The database location could not be saved in " + locationFile
                         + "\nThe database in use has not been changed.",
                     MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        return;
    }
    const QString previous = c.st.DatabasePath;
    closeStore(c.st);
    if (connectTo(c, location, logName) == Connected::Yes)
        return;
    putBackLocation(locationFile, before);
    c.pr.message("Cannot use " + shown + " as the Rockvane database"
                     + "\nThe database in use and its location have not been changed.",
                 MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
    const Connected how = connectTo(c, previous, logName);
    if (how != Connected::Yes)
        endProgram(c, how);
}

} // namespace

void Image4Click(MainContext& c)
{
    const QString chosen = c.pr.openFile("Change Database Location", "TENDON Database (*.mdb) | *.mdb",
                                         QFileInfo(c.st.DatabasePath).absolutePath());
    if (chosen.isEmpty())
        return;
    const QString path = QFileInfo(chosen).absoluteFilePath();
    // A file that is not a Rockvane database is refused before anything
    // changes: the location file and the database in use stay as they are.
    DatabaseCheck check = checkDatabase(path);
    // A file another program is writing to cannot be taken over now.
    if (check == DatabaseCheck::Good) {
        try {
            store::requireWriteLock(path);
        } catch (const store::DbError& e) {
            if (e.number() == store::err::Locked)
                check = DatabaseCheck::Locked;
        }
    }
    if (check != DatabaseCheck::Good) {
        c.pr.message("Cannot use " + path + " as the Rockvane database\n" + checkText(check)
                         + "\nThe database in use and its location have not been changed.",
                     MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        return;
    }
    switchDatabase(c, path, path, "Image4_Click");
}

void cmdConnectServerClick(MainContext& c)
{
    const QString title = QStringLiteral("Connect to Server");
    const QString current = store::isServerLocation(c.st.DatabasePath) ? c.st.DatabasePath
                                                                       : QStringLiteral("postgresql://");
    const std::optional<QString> typed = c.pr.input(
        "Type the PostgreSQL connection URI of the site database, for example\n"
        "postgresql://engineer@dbserver:5432/minesite\n"
        "The password is taken from ~/.pgpass or PGPASSWORD; it is never stored.",
        title, current);
    if (!typed)
        return;
    const QString uri = typed->trimmed();
    if (uri.isEmpty() || uri == QStringLiteral("postgresql://"))
        return;
    const QString problem = serverSiteProblem(uri);
    const QString shown = store::redactedLocation(uri);
    if (!problem.isEmpty()) {
        c.pr.message("Cannot use " + shown + " as the Rockvane database\n" + problem
                         + "\nThe database in use and its location have not been changed.",
                     MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        return;
    }
    switchDatabase(c, uri, shown, "cmdConnectServer_Click");
}

} // namespace rv
