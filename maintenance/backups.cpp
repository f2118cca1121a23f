#include "maintenance/backups.h"
#include "state/appstate.h"
#include "store/connection.h"
#include "store/dberror.h"
#include "store/dbfile.h"

#include <QDateTime>
#include <QRegularExpression>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace rv {

namespace {

// The tables every Rockvane database holds, whatever sensors it has.
const char* const kFixedTables[] = {"Sensors", "Configuration", "Prefs", "NetworkConfig", "sensordata"};

} // namespace

QString backupFolder(const QString& dataFolder)
{
    return dataFolder + "/" + kBackupFolderName;
}

QString backupFolderOf(const QString& databasePath)
{
    return QFileInfo(databasePath).absolutePath() + "/" + kBackupFolderName;
}

namespace {

const QString kWorkSuffix = QStringLiteral(".part");
// A work file nobody has written to for this long belongs to a copy that
// stopped (a crash, a kill): a running copy writes to it all the time.
constexpr qint64 kStaleWorkSecs = 15 * 60;

// The prefix of the dated backups of the database at databasePath.
QString ownerPrefix(const QString& databasePath)
{
    const QFileInfo info(databasePath);
    if (databasePath.isEmpty() || info.fileName().compare(kDefaultDatabaseName, Qt::CaseInsensitive) == 0)
        return QString();
    return info.completeBaseName() + QLatin1Char(' ');
}

} // namespace

QStringList backupFileNames(const QString& databasePath)
{
    const QDir dir(backupFolderOf(databasePath));
    if (!dir.exists())
        return {};
    static const QRegularExpression dated(QStringLiteral("^(.* )?TENDONbackup\\d{4}-\\d{2}-\\d{2}\\.mdb$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString mine = ownerPrefix(databasePath);
    const QDateTime now = QDateTime::currentDateTime();
    QStringList names;
    for (const QFileInfo& f : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        const QString name = f.fileName();
        if (name.endsWith(kWorkSuffix, Qt::CaseInsensitive)) {
            if (f.lastModified().secsTo(now) > kStaleWorkSecs)
                QFile::remove(f.absoluteFilePath());
            continue;
        }
        const QRegularExpressionMatch m = dated.match(name);
        if (m.hasMatch() && m.captured(1).compare(mine, Qt::CaseInsensitive) != 0)
            continue;
        names << name;
    }
    return names;
}

QString backupFileName(const QDate& day, const QString& databasePath)
{
    return ownerPrefix(databasePath) + kBackupFolderName + day.toString(QStringLiteral("yyyy-MM-dd"))
        + QStringLiteral(".mdb");
}

DatabaseCheck checkDatabase(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return DatabaseCheck::Missing;
    QStringList tables;
    switch (store::readFileTables(path, &tables)) {
    case store::FileTables::NotDatabase:
        return DatabaseCheck::NotDatabase;
    case store::FileTables::Locked:
        return DatabaseCheck::Locked;
    case store::FileTables::Read:
        break;
    }
    for (const char* t : kFixedTables) {
        if (!tables.contains(QString::fromLatin1(t).toLower()))
            return DatabaseCheck::MissingTables;
    }
    return DatabaseCheck::Good;
}

void copyDatabase(const QString& source, const QString& target)
{
    store::copyDatabaseFile(source, target);
}

QString backupDatabase(const QString& databaseFile, const QDate& day)
{
    const QString folder = backupFolderOf(databaseFile);
    if (!QDir().mkpath(folder))
        throw store::DbError(76, QStringLiteral("Path not found: '%1'.").arg(folder));
    const QString target = folder + "/" + backupFileName(day, databaseFile);
    copyDatabase(databaseFile, target);
    return target;
}

void restoreDatabase(const QString& source, const QString& target)
{
    switch (checkDatabase(source)) {
    case DatabaseCheck::Good:
        break;
    case DatabaseCheck::Locked:
        throw store::DbError(store::err::Locked, QStringLiteral("'%1' is in use by another program.").arg(source));
    default:
        throw store::DbError(store::err::CannotOpen,
                             QStringLiteral("'%1' is not a Rockvane database.").arg(source));
    }
    // A damaged backup must never replace a database that may be sound.
    if (const QString problem = store::integrityProblem(source); !problem.isEmpty())
        throw store::DbError(store::err::CannotOpen,
                             QStringLiteral("'%1' is damaged (%2); it was not restored.").arg(source, problem));
    store::copyInto(source, target);
    if (const QString problem = store::integrityProblem(target); !problem.isEmpty())
        throw store::DbError(store::err::EngineError,
                             QStringLiteral("The restored database '%1' failed its check: %2.").arg(target, problem));
}

} // namespace rv
