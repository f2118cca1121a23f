#include "maintenance/backup_db.h"
#include "common/log.h"
#include "store/dberror.h"

namespace rv {

bool GBackupDB(const QString& folder, const QString& name, Prompter& pr, const QString& dataFolder,
               const QDate& day)
{
    try {
        backupDatabase(folder + name, dataFolder, day);
    } catch (...) {
        logCurrentException(dataFolder, "GBackupDB");
        pr.message("Error encountered during backup process of " + name, MsgIcon::None, MsgButtons::Ok,
                   kAppTitle);
        return false;
    }
    pr.message("Backup was successful", MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
    return true;
}

bool GRestoreDB(const QString& folder, const QString& name, const QString& backupName, Prompter& pr,
                const QString& dataFolder)
{
    try {
        const QString source = backupFolder(dataFolder) + "/" + backupName;
        // Only a Rockvane database ever replaces the database file.
        if (checkDatabase(source) != DatabaseCheck::Good)
            throw store::DbError(store::err::CannotOpen,
                                 QStringLiteral("'%1' is not a Rockvane database.").arg(source));
        copyDatabase(source, folder + name);
    } catch (...) {
        logCurrentException(dataFolder, "G_CompactDB");
        pr.message("Error encountered during restore process", MsgIcon::None, MsgButtons::Ok, kAppTitle);
        return false;
    }
    pr.message("Restore was successful", MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
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
    }
    return QString();
}

} // namespace rv
