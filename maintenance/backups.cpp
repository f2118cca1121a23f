#include "maintenance/backups.h"
#include "state/appstate.h"
#include "store/connection.h"
#include "store/dberror.h"
#include "store/dbfile.h"
#include "store/filesync.h"
#include "store/migrate.h"
#include "store/schema.h"

#include <filesystem>

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

namespace {

// A backup must be a sound Rockvane database before anything is replaced
// by it.
void requireSoundBackup(const QString& source)
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
}

} // namespace

void restoreDatabase(const QString& source, const QString& target)
{
    requireSoundBackup(source);
    store::copyInto(source, target);
    if (const QString problem = store::integrityProblem(target); !problem.isEmpty())
        throw store::DbError(store::err::EngineError,
                             QStringLiteral("The restored database '%1' failed its check: %2.").arg(target, problem));
}

QString backupOwner(const QString& databasePath, const QString& dataFolder)
{
    if (!store::isServerLocation(databasePath))
        return databasePath;
    QString name = store::serverDatabaseName(databasePath);
    // Only characters a file name may hold; never the default database's
    // own name, whose backups have no prefix.
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.-]"));
    name.replace(unsafe, QStringLiteral("_"));
    if (name.isEmpty() || name.startsWith(u'.'))
        name.prepend(QStringLiteral("server"));
    if (name.compare(QFileInfo(kDefaultDatabaseName).completeBaseName(), Qt::CaseInsensitive) == 0)
        name += QStringLiteral("-server");
    return dataFolder + u'/' + name + QStringLiteral(".mdb");
}

QString backupServerSite(store::Connection& server, const QString& owner, const QDate& day,
                         const SiteCopyProgress& progress)
{
    const QString folder = backupFolderOf(owner);
    if (!QDir().mkpath(folder))
        throw store::DbError(76, QStringLiteral("Path not found: '%1'.").arg(folder));
    const QString target = folder + "/" + backupFileName(day, owner);
    // Built under the work name the list never shows, and renamed into
    // place only once it is whole: a backup stopped half-way never stands
    // where a good one of the day was.
    const QString work = target + kWorkSuffix;
    QFile::remove(work);
    try {
        store::createDefaultDatabase(work);
        {
            store::Connection file;
            file.open(work);
            store::migrateSite(server, file, false, progress);
            file.close();
        }
        store::syncToDisk(work);
        std::error_code ec;
        std::filesystem::rename(std::filesystem::path(work.toStdU16String()),
                                std::filesystem::path(target.toStdU16String()), ec);
        if (ec)
            throw store::DbError(store::err::EngineError,
                                 QStringLiteral("Cannot replace '%1': %2.").arg(target, QString::fromStdString(ec.message())));
        store::syncToDisk(folder);
    } catch (...) {
        QFile::remove(work);
        throw;
    }
    return target;
}

void restoreServerSite(const QString& source, store::Connection& server, const SiteCopyProgress& progress)
{
    requireSoundBackup(source);
    store::Connection file;
    file.open(source);
    store::migrateSite(file, server, true, progress);
}

} // namespace rv
