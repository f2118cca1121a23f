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
#include <filesystem>
#include <sqlite3.h>

namespace rv {

namespace {

// The tables every Rockvane database holds, whatever sensors it has.
const char* const kFixedTables[] = {"Sensors", "Configuration", "Prefs", "NetworkConfig", "sensordata"};

store::DbError sqliteError(sqlite3* db, int rc, const QString& what)
{
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        return store::DbError(store::err::Locked, what + QStringLiteral(": the file is in use by another program."));
    const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    return store::DbError(store::err::EngineError, what + QStringLiteral(": ") + detail);
}

// Another program holds the file, or left a journal of an unfinished write
// that only a writer may roll back: either way it is in use, not foreign.
bool lockCode(int rc)
{
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED || rc == SQLITE_READONLY_ROLLBACK;
}

// One connection that is closed whatever happens.
struct Handle {
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close(db); }
};

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
    Handle h;
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &h.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return DatabaseCheck::NotDatabase;
    // Another program writing to the file is not a reason to call it foreign.
    sqlite3_extended_result_codes(h.db, 1);
    sqlite3_busy_timeout(h.db, 2 * store::kBusyWaitMs);
    // SQLite reads the file only at the first statement; a text file fails here.
    sqlite3_stmt* st = nullptr;
    if (const int rc = sqlite3_prepare_v2(h.db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st,
                                          nullptr);
        rc != SQLITE_OK) {
        sqlite3_finalize(st);
        return lockCode(rc) ? DatabaseCheck::Locked : DatabaseCheck::NotDatabase;
    }
    QStringList tables;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).toLower();
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return lockCode(rc) ? DatabaseCheck::Locked : DatabaseCheck::NotDatabase;
    for (const char* t : kFixedTables) {
        if (!tables.contains(QString::fromLatin1(t).toLower()))
            return DatabaseCheck::MissingTables;
    }
    return DatabaseCheck::Good;
}

void copyDatabase(const QString& source, const QString& target)
{
    if (!QFileInfo(source).isFile())
        throw store::DbError(53, QStringLiteral("File not found: '%1'.").arg(source));
    const QString work = target + QStringLiteral(".part");
    QFile::remove(work);
    try {
        Handle from, to;
        const QByteArray sourceName = QFile::encodeName(source);
        int rc = sqlite3_open_v2(sourceName.constData(), &from.db, SQLITE_OPEN_READONLY, nullptr);
        if (rc != SQLITE_OK)
            throw sqliteError(from.db, rc, QStringLiteral("Cannot open '%1'").arg(source));
        sqlite3_busy_timeout(from.db, 2000);
        const QByteArray workName = QFile::encodeName(work);
        rc = sqlite3_open_v2(workName.constData(), &to.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc != SQLITE_OK)
            throw sqliteError(to.db, rc, QStringLiteral("Cannot create '%1'").arg(work));
        sqlite3_backup* b = sqlite3_backup_init(to.db, "main", from.db, "main");
        if (!b)
            throw sqliteError(to.db, sqlite3_errcode(to.db), QStringLiteral("Cannot copy '%1'").arg(source));
        rc = sqlite3_backup_step(b, -1);
        const int finished = sqlite3_backup_finish(b);
        if (rc != SQLITE_DONE)
            throw sqliteError(nullptr, rc, QStringLiteral("Cannot copy '%1'").arg(source));
        if (finished != SQLITE_OK)
            throw sqliteError(to.db, finished, QStringLiteral("Cannot copy '%1'").arg(source));
        // The copy keeps no journal of its own beside it.
        sqlite3_exec(to.db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
        if (sqlite3_close(to.db) != SQLITE_OK)
            throw sqliteError(to.db, sqlite3_errcode(to.db), QStringLiteral("Cannot write '%1'").arg(work));
        to.db = nullptr;

        std::error_code ec;
        std::filesystem::rename(std::filesystem::path(work.toStdU16String()),
                                std::filesystem::path(target.toStdU16String()), ec);
        if (ec)
            throw store::DbError(store::err::EngineError, QStringLiteral("Cannot replace '%1': %2.")
                                                              .arg(target, QString::fromStdString(ec.message())));
    } catch (...) {
        QFile::remove(work);
        throw;
    }
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
