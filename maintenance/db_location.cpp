#include "maintenance/db_location.h"
#include "state/appstate.h"
#include "store/connection.h"
#include "store/dberror.h"
#include "store/schema.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace rv {

DatabaseLocation databaseInUse(const QString& dataFolder)
{
    DatabaseLocation loc;
    loc.path = dataFolder + "/" + kDefaultDatabaseName;
    QFile f(dataFolder + "/" + kLocationFileName);
    if (!f.exists())
        return loc;
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        loc.warning = QStringLiteral("The location file %1 could not be read; the default database is used.")
                          .arg(f.fileName());
        return loc;
    }
    QTextStream in(&f);
    const QString line = in.readLine();
    if (!line.isEmpty() && (store::isServerLocation(line) || QFileInfo::exists(line))) {
        loc.path = line;
        loc.alternate = true;
    } else if (!line.isEmpty()) {
        loc.warning = QStringLiteral("The alternate database %1 named in %2 was not found; the default database is used.")
                          .arg(line, f.fileName());
    }
    return loc;
}

QString serverSiteProblem(const QString& uri)
{
    if (!store::isServerLocation(uri))
        return QStringLiteral("It is not a PostgreSQL connection URI: it must begin with postgresql:// "
                              "(for example postgresql://engineer@dbserver:5432/minesite).");
    // The location file is plain text that anyone with the data folder can
    // read: a password belongs in ~/.pgpass or PGPASSWORD, never there.
    if (store::redactedLocation(uri) != uri.trimmed())
        return QStringLiteral("It holds a password. Rockvane never stores one: put the password in ~/.pgpass "
                              "or in the PGPASSWORD environment variable, and leave it out of the URI.");
    store::Connection conn;
    try {
        conn.open(uri.trimmed());
    } catch (const store::DbError& e) {
        return e.description();
    }
    try {
        const QStringList missing = store::missingFixedTables(conn);
        if (!missing.isEmpty())
            return QStringLiteral("The database is not a Rockvane site: it has no table %1. "
                                  "A site is put on a server with: rockvane-cli migrate FILE URI")
                .arg(missing.join(QStringLiteral(", ")));
    } catch (const store::DbError& e) {
        return e.description();
    }
    return QString();
}

} // namespace rv
