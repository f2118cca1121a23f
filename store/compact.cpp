#include "store/compact.h"

#include "store/connection.h"
#include "store/filesync.h"
#include "store/sqlerror.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <sqlite3.h>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif


namespace rv::store {

using namespace detail;


namespace {

// Rewrites the open file in place. SQLite's own journal keeps it whole
// through a crash, and the file keeps its inode, owner and permissions.
void vacuumInPlace(sqlite3* db)
{
    execSql(db, "VACUUM");
}

void vacuumInto(sqlite3* db, const QString& work)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, "VACUUM INTO ?1", -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        const QByteArray target = QFile::encodeName(work);
        sqlite3_bind_text(st, 1, target.constData(), static_cast<int>(target.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) {
        const DbError e = fromSqlite(db, rc);
        sqlite3_finalize(st);
        throw e;
    }
    sqlite3_finalize(st);
}

// Gives the work file the protection of the file it replaces. False when
// that cannot be done (the original belongs to someone else), so that the
// replacement is not made.
bool takeOverProtection(const QString& source, const QString& work)
{
#ifdef Q_OS_WIN
    return QFile::setPermissions(work, QFile::permissions(source));
#else
    struct stat from {};
    if (::stat(QFile::encodeName(source).constData(), &from) != 0)
        return false;
    const QByteArray w = QFile::encodeName(work);
    if (from.st_uid != ::geteuid())
        return false;
    struct stat to {};
    if (::stat(w.constData(), &to) != 0)
        return false;
    if (to.st_gid != from.st_gid && ::chown(w.constData(), static_cast<uid_t>(-1), from.st_gid) != 0)
        return false;
    return ::chmod(w.constData(), from.st_mode & 07777) == 0;
#endif
}

} // namespace

void compactDatabase(const QString& folder, const QString& name)
{
    const QString source = folder + name;
    const QString work = folder + QStringLiteral("Copy_") + name;
    // A work file left by an earlier run may be the only good copy; never
    // overwrite it. The message names it in full so that it can be found.
    if (QFileInfo::exists(work))
        throw DbError(kDatabaseExists,
                      QStringLiteral("Database '%1' already exists. It was left by a compaction that did not "
                                     "finish; move or remove it to compact again.")
                          .arg(QFileInfo(work).absoluteFilePath()));
    // A file the user may not write is protected on purpose; replacing it
    // (which the folder would allow) would undo that.
    if (QFileInfo::exists(source) && !QFileInfo(source).isWritable())
        throw DbError(kReadOnly, QStringLiteral("Cannot update. '%1' is read-only; it was not compacted.")
                                     .arg(QFileInfo(source).absoluteFilePath()));

    Connection conn;
    conn.open(source);
    try {
        sqlite3* db = conn.handle();
        vacuumInto(db, work);
        if (!takeOverProtection(source, work)) {
            // The copy cannot carry the original's owner: compact the
            // original itself instead of replacing it.
            QFile::remove(work);
            vacuumInPlace(db);
            conn.close();
            return;
        }
        conn.close();

        syncToDisk(work);
        std::error_code ec;
        // Atomic replacement: the database file is at every moment either the
        // old file or the complete compacted one.
        std::filesystem::rename(std::filesystem::path(work.toStdU16String()),
                                std::filesystem::path(source.toStdU16String()), ec);
        if (ec)
            throw DbError(err::EngineError, QStringLiteral("Could not replace '%1' by its compacted copy: %2.")
                                                .arg(source, QString::fromStdString(ec.message())));
#ifndef Q_OS_WIN
        syncToDisk(folder.isEmpty() ? QStringLiteral(".") : folder);
#endif
    } catch (...) {
        conn.close();
        // The work file did not exist before: whatever is there now is ours.
        QFile::remove(work);
        throw;
    }
}

} // namespace rv::store
