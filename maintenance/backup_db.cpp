#include "maintenance/backup_db.h"
#include "common/log.h"
#include "store/dberror.h"
#include "store/dbfile.h"

namespace rv {

namespace {

// The line added to a failure message when another program held the
// database: the user can do something about that.
QString lockLine(const QString& what)
{
    int number = 0;
    QString description;
    describeCurrentException(number, description);
    if (number != store::err::Locked)
        return QString();
    return "\nThe database is in use by another program; " + what + " Try again when it has finished.";
}

} // namespace

bool GBackupDB(const QString& folder, const QString& name, Prompter& pr, const QString& dataFolder,
               const QDate& day)
{
    try {
        backupDatabase(folder + name, day);
    } catch (...) {
        logCurrentException(dataFolder, "GBackupDB");
        pr.message("Error encountered during backup process of " + name
                       + lockLine(QStringLiteral("no backup was made.")),
                   MsgIcon::None, MsgButtons::Ok, kAppTitle);
        return false;
    }
    pr.message("Backup was successful", MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
    return true;
}

bool GRestoreDB(const QString& folder, const QString& name, const QString& backupName, Prompter& pr,
                const QString& dataFolder)
{
    try {
        restoreDatabase(backupFolderOf(folder + name) + "/" + backupName, folder + name);
    } catch (...) {
        logCurrentException(dataFolder, "G_CompactDB");
        pr.message("Error encountered during restore process"
                       + lockLine(QStringLiteral("the database has not been changed.")),
                   MsgIcon::None, MsgButtons::Ok, kAppTitle);
        return false;
    }
    pr.message("Restore was successful", MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
    return true;
}

bool restoreMayStart(const QString& folder, const QString& name, Prompter& pr, const QString& dataFolder)
{
    try {
        store::requireWriteLock(folder + name);
    } catch (const store::DbError& e) {
        if (e.number() != store::err::Locked)
            return true;  // the restore itself tells what is wrong
        logCurrentException(dataFolder, "G_CompactDB");
        pr.message("Error encountered during restore process"
                       + lockLine(QStringLiteral("the database has not been changed.")),
                   MsgIcon::None, MsgButtons::Ok, kAppTitle);
        return false;
    }
    return true;
}

QString checkText(DatabaseCheck check)
{
    switch (check) {
    case DatabaseCheck::Good:
        return QString();
    case DatabaseCheck::Missing:
        return QStringLiteral("The file could not be found.");
    case DatabaseCheck::NotDatabase:
        return QStringLiteral("The file is not a database.");
    case DatabaseCheck::MissingTables:
        return QStringLiteral("The file is a database, but it does not hold the Rockvane tables.");
    case DatabaseCheck::Locked:
        return QStringLiteral("The file is in use by another program. Try again when it has finished.");
    }
    return QString();
}

} // namespace rv
