#include "maintenance/backups.h"
#include "store/dberror.h"

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
    const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    return store::DbError(store::err::EngineError, what + QStringLiteral(": ") + detail);
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

QStringList backupFileNames(const QString& dataFolder)
{
    const QDir dir(backupFolder(dataFolder));
    if (!dir.exists())
        return {};
    return dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QString backupFileName(const QDate& day)
{
    return kBackupFolderName + day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".mdb");
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
    // SQLite reads the file only at the first statement; a text file fails here.
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h.db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st, nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(st);
        return DatabaseCheck::NotDatabase;
    }
    QStringList tables;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).toLower();
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return DatabaseCheck::NotDatabase;
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

QString backupDatabase(const QString& databaseFile, const QString& dataFolder, const QDate& day)
{
    const QString folder = backupFolder(dataFolder);
    if (!QDir().mkpath(folder))
        throw store::DbError(76, QStringLiteral("Path not found: '%1'.").arg(folder));
    const QString target = folder + "/" + backupFileName(day);
    copyDatabase(databaseFile, target);
    return target;
}

} // namespace rv
