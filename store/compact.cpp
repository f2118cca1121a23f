#include "store/compact.h"

#include "store/connection.h"
#include "store/sqlerror.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>



namespace rv::store {

using namespace detail;


namespace {

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

// One raw connection that is closed whatever happens.
struct Handle {
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close(db); }
};

DbError lockedBy(const QString& source)
{
    return DbError(kLocked, QStringLiteral("'%1' is in use by another program; it was not compacted.")
                                .arg(QFileInfo(source).absoluteFilePath()));
}

void openRaw(Handle& h, const QString& path, int flags)
{
    const QByteArray name = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(name.constData(), &h.db, flags, nullptr);
    if (rc != SQLITE_OK)
        throw fromSqlite(h.db, rc);
    sqlite3_extended_result_codes(h.db, 1);
    sqlite3_busy_timeout(h.db, 2 * kBusyWaitMs);
}

bool isLock(int rc)
{
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}

// The file change counter of the database header: every committed write by
// any program changes it.
QByteArray changeCounter(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(24))
        return QByteArray();
    return f.read(4);
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
    // A file the user may not write is protected on purpose.
    if (QFileInfo::exists(source) && !QFileInfo(source).isWritable())
        throw DbError(kReadOnly, QStringLiteral("Cannot update. '%1' is read-only; it was not compacted.")
                                     .arg(QFileInfo(source).absoluteFilePath()));

    // Opening through the program's own connection checks that the file is a
    // database at all before anything is written.
    Connection conn;
    conn.open(source);
    bool workMade = false;
    try {
        // No other program may commit a write between the compacted copy and
        // its return into the file: hold the write lock while the copy is made.
        Handle guard;
        openRaw(guard, source, SQLITE_OPEN_READWRITE);
        if (const int rc = sqlite3_exec(guard.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr); rc != SQLITE_OK)
            throw isLock(sqlite3_extended_errcode(guard.db)) ? lockedBy(source) : fromSqlite(guard.db, rc);
        const QByteArray counter = changeCounter(source);
        workMade = true;
        vacuumInto(conn.handle(), work);
        conn.close();
        sqlite3_exec(guard.db, "ROLLBACK", nullptr, nullptr, nullptr);

        // The compacted pages go back into the file itself through the online
        // backup, under the file's own write lock and rollback journal: the
        // file keeps its inode, owner and mode, a crash leaves the old or the
        // new contents, and another program's writes or journal can never
        // meet a file renamed under it.
        Handle from, to;
        openRaw(from, work, SQLITE_OPEN_READONLY);
        openRaw(to, source, SQLITE_OPEN_READWRITE);
        execSql(to.db, "PRAGMA synchronous = FULL");
        sqlite3_backup* b = sqlite3_backup_init(to.db, "main", from.db, "main");
        if (!b)
            throw fromSqlite(to.db, sqlite3_extended_errcode(to.db));
        // A step of no pages takes the write lock and nothing else.
        int rc = sqlite3_backup_step(b, 0);
        if (rc == SQLITE_OK && changeCounter(source) != counter) {
            sqlite3_backup_finish(b);
            throw lockedBy(source);
        }
        if (rc == SQLITE_OK)
            rc = sqlite3_backup_step(b, -1);
        const int finished = sqlite3_backup_finish(b);
        if (rc != SQLITE_DONE)
            throw isLock(rc) ? lockedBy(source) : fromSqlite(to.db, rc);
        if (finished != SQLITE_OK)
            throw fromSqlite(to.db, finished);
    } catch (...) {
        conn.close();
        // The work file did not exist before: whatever is there now is ours.
        if (workMade)
            QFile::remove(work);
        throw;
    }
    QFile::remove(work);
}

} // namespace rv::store
