#include "app/first_start.h"
#include "state/appstate.h"
#include "store/dberror.h"
#include "store/schema.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace rv {

namespace {

// The first line of the location file, or a null text when there is none.
QString locationLine(const QString& dataFolder)
{
    QFile f(dataFolder + "/" + kLocationFileName);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&f);
    QString line = in.readLine();
    return line.isNull() ? QString("") : line;
}

} // namespace

bool ensureDataFolder(const QString& dataFolder, QString* why)
{
    if (!QDir().mkpath(dataFolder)) {
        if (why)
            *why = QStringLiteral("The data folder '%1' could not be created.").arg(dataFolder);
        return false;
    }
    const QString other = locationLine(dataFolder).trimmed();
    if (!other.isEmpty() && QFileInfo::exists(other))
        return true;  // another database is in use: create nothing
    const QString db = dataFolder + "/" + kDefaultDatabaseName;
    const QFileInfo info(db);
    if (info.exists() && !(info.isFile() && info.size() == 0))
        return true;
    try {
        store::removeUnfinishedDatabases(db);
        if (info.exists() && !QFile::remove(db))
            throw store::DbError(store::err::CannotOpen,
                                 QStringLiteral("The empty database '%1' could not be replaced.").arg(db));
        store::createDefaultDatabase(db);
    } catch (const store::DbError& e) {
        if (why)
            *why = e.description();
        return false;
    } catch (const std::exception& e) {
        if (why)
            *why = QString::fromLocal8Bit(e.what());
        return false;
    }
    return true;
}

} // namespace rv
