#include "maintenance/db_location.h"
#include "state/appstate.h"
#include "store/connection.h"

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

} // namespace rv
