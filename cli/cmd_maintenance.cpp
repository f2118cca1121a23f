#include "cli/cli_context.h"

#include "maintenance/backups.h"
#include "maintenance/db_check.h"
#include "store/connection.h"
#include "store/dberror.h"

#include <QDate>
#include <QDir>

namespace rv::cli {

int cmdBackup(CliContext& c)
{
    try {
        // The database in use, into the backup folder beside it, as the
        // window does; a site on a server as a snapshot in a database file
        // in the data folder's backup folder.
        const QString path = c.conn.isServer()
            ? backupServerSite(c.conn, backupOwner(c.database, c.dataFolder), QDate::currentDate())
            : backupDatabase(c.database, QDate::currentDate());
        c.say(QStringLiteral("Backup of %1 written to %2")
                  .arg(QDir::toNativeSeparators(store::redactedLocation(c.database)), QDir::toNativeSeparators(path)));
        c.json.insert(QStringLiteral("backup"), path);
        return kExitDone;
    } catch (const store::DbError& e) {
        c.warn(QStringLiteral("the backup could not be made: ") + e.description());
        c.json.insert(QStringLiteral("error"), e.description());
        return kExitDatabase;
    }
}

int cmdCheck(CliContext& c)
{
    const QStringList problems = databaseProblems(c.conn);
    for (const QString& p : problems)
        c.say(p);
    if (problems.isEmpty())
        c.say(QStringLiteral("%1: no problems found").arg(QDir::toNativeSeparators(store::redactedLocation(c.database))));
    else
        c.warn(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(store::redactedLocation(c.database)),
                                           counted(problems.size(), QStringLiteral("problem"),
                                                   QStringLiteral("problems"))));
    c.json.insert(QStringLiteral("ok"), problems.isEmpty());
    c.json.insert(QStringLiteral("problems"), QJsonArray::fromStringList(problems));
    return problems.isEmpty() ? kExitDone : kExitDatabase;
}

} // namespace rv::cli
