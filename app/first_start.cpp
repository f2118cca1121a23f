#include "app/first_start.h"
#include "state/appstate.h"
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

bool ensureDataFolder(const QString& dataFolder)
{
    if (!QDir().mkpath(dataFolder))
        return false;
    if (!locationLine(dataFolder).trimmed().isEmpty())
        return true;  // another database is in use: create nothing
    const QString db = dataFolder + "/" + kDefaultDatabaseName;
    if (QFileInfo::exists(db))
        return true;
    try {
        store::createDefaultDatabase(db);
    } catch (...) {
        QFile::remove(db);
        return false;
    }
    return true;
}

} // namespace rv
