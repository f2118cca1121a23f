#include "store/dbfile.h"

#include "store/connection.h"
#include "store/dberror.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <filesystem>
#include <sqlite3.h>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace rv::store {

namespace {

// How long the file operations wait for another program to finish a write:
// a little longer than a statement does, since they are asked for once.
constexpr int kLockWaitMs = 2 * kBusyWaitMs;

// One connection that is closed whatever happens.
struct Handle {
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close(db); }
};

bool isLockCode(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

DbError lockedError(const QString& path)
{
    return DbError(err::Locked, QStringLiteral("'%1' is in use by another program.").arg(path));
}

DbError engineError(sqlite3* db, int rc, const QString& path)
{
    if (isLockCode(rc))
        return lockedError(path);
    const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if ((rc & 0xff) == SQLITE_READONLY)
        return DbError(err::ReadOnly, QStringLiteral("Cannot update '%1': %2.").arg(path, detail));
    return DbError(err::EngineError, QStringLiteral("'%1': %2.").arg(path, detail));
}

void openFile(Handle& h, const QString& path, int flags)
{
    if (!QFileInfo(path).isFile())
        throw DbError(err::CannotOpen, QStringLiteral("'%1' is not a valid path.").arg(path));
    const QByteArray name = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(name.constData(), &h.db, flags, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(h.db, rc, path);
    sqlite3_extended_result_codes(h.db, 1);
    sqlite3_busy_timeout(h.db, kLockWaitMs);
}

// The first column of every row of sql, as text.
QStringList column(sqlite3* db, const char* sql, const QString& path)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    QStringList out;
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw engineError(db, rc, path);
    return out;
}

qint64 number(sqlite3* db, const char* sql, const QString& path)
{
    const QStringList rows = column(db, sql, path);
    return rows.isEmpty() ? 0 : rows.first().toLongLong();
}

// Lets the owner write a read-only file for the time of a copy, and puts
// its mode back afterwards.
class WritableForCopy {
public:
    explicit WritableForCopy(const QString& path)
    {
#ifndef Q_OS_WIN
        m_name = QFile::encodeName(path);
        struct stat s {};
        if (::stat(m_name.constData(), &s) == 0 && !(s.st_mode & S_IWUSR)) {
            if (::chmod(m_name.constData(), (s.st_mode & 07777) | S_IWUSR) == 0) {
                m_mode = s.st_mode & 07777;
                m_changed = true;
            }
        }
#else
        Q_UNUSED(path);
#endif
    }
    ~WritableForCopy()
    {
#ifndef Q_OS_WIN
        if (m_changed)
            ::chmod(m_name.constData(), m_mode);
#endif
    }
    WritableForCopy(const WritableForCopy&) = delete;
    WritableForCopy& operator=(const WritableForCopy&) = delete;

private:
    QByteArray m_name;
    unsigned m_mode = 0;
    bool m_changed = false;
};

DbError copyError(sqlite3* db, int rc, const QString& what)
{
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        return DbError(err::Locked, what + QStringLiteral(": the file is in use by another program."));
    const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    return DbError(err::EngineError, what + QStringLiteral(": ") + detail);
}

// Another program holds the file, or left a journal of an unfinished write
// that only a writer may roll back: either way it is in use, not foreign.
bool inUseCode(int rc)
{
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED || rc == SQLITE_READONLY_ROLLBACK;
}

} // namespace

QString integrityProblem(const QString& path)
{
    Handle h;
    // Opened for writing (never created) so that the journal a crashed
    // writer left is rolled back first, as any connection would: the check
    // is of the file as it stands, not of its half-written state.
    openFile(h, path, SQLITE_OPEN_READWRITE);
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(h.db, "PRAGMA integrity_check(1)", -1, &st, nullptr);
    QString first;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            first = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    if (rc == SQLITE_ROW)
        return first.compare(QLatin1String("ok"), Qt::CaseInsensitive) == 0 ? QString() : first;
    if (isLockCode(rc))
        throw lockedError(path);
    // A file SQLite cannot read as a database is a problem found, not a
    // failure to look.
    return QString::fromUtf8(sqlite3_errmsg(h.db));
}

FileSpace fileSpace(const QString& path)
{
    Handle h;
    openFile(h, path, SQLITE_OPEN_READONLY);
    const qint64 pageSize = number(h.db, "PRAGMA page_size", path);
    FileSpace s;
    s.fileBytes = pageSize * number(h.db, "PRAGMA page_count", path);
    s.freeBytes = pageSize * number(h.db, "PRAGMA freelist_count", path);
    return s;
}

bool worthCompacting(const FileSpace& space, QString* why)
{
    constexpr qint64 kWorthBytes = 64LL * 1024 * 1024;
    const bool worth = space.freeBytes >= kWorthBytes || (space.fileBytes > 0 && space.freeBytes * 10 >= space.fileBytes);
    if (!worth && why) {
        const double percent = space.fileBytes > 0 ? 100.0 * double(space.freeBytes) / double(space.fileBytes) : 0.0;
        *why = QStringLiteral("Compaction skipped: only %1 bytes of %2 are free (%3%), less than 10% of the file "
                              "and less than 64 MB.")
                   .arg(space.freeBytes)
                   .arg(space.fileBytes)
                   .arg(percent, 0, 'f', 1);
    }
    return worth;
}

void requireWriteLock(const QString& path)
{
    Handle h;
    openFile(h, path, SQLITE_OPEN_READWRITE);
    if (sqlite3_db_readonly(h.db, "main") == 1) {
        number(h.db, "SELECT count(*) FROM sqlite_master", path);
        return;
    }
    int rc = sqlite3_exec(h.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(h.db, sqlite3_extended_errcode(h.db), path);
    // Reading the schema under the lock rolls back what a crashed writer
    // left, so the file is whole for whoever opens it next.
    rc = sqlite3_exec(h.db, "SELECT count(*) FROM sqlite_master; ROLLBACK", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(h.db, sqlite3_extended_errcode(h.db), path);
}

void copyInto(const QString& source, const QString& target)
{
    Handle from;
    openFile(from, source, SQLITE_OPEN_READONLY);
    if (!QFileInfo(target).isFile())
        throw DbError(err::CannotOpen, QStringLiteral("'%1' is not a valid path.").arg(target));
    const WritableForCopy writable(target);
    Handle to;
    openFile(to, target, SQLITE_OPEN_READWRITE);
    if (sqlite3_db_readonly(to.db, "main") == 1)
        throw DbError(err::ReadOnly, QStringLiteral("Cannot update '%1': it is read-only.").arg(target));
    // The same journal and syncing as the program's own connection: the copy
    // is committed like any other write.
    int rc = sqlite3_exec(to.db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(to.db, sqlite3_extended_errcode(to.db), target);
    sqlite3_backup* b = sqlite3_backup_init(to.db, "main", from.db, "main");
    if (!b)
        throw engineError(to.db, sqlite3_extended_errcode(to.db), target);
    rc = sqlite3_backup_step(b, -1);
    const int finished = sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE)
        throw engineError(to.db, rc, target);
    if (finished != SQLITE_OK)
        throw engineError(to.db, finished, target);
    rc = sqlite3_exec(to.db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(to.db, sqlite3_extended_errcode(to.db), target);
}

FileTables readFileTables(const QString& path, QStringList* tables)
{
    Handle h;
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &h.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return FileTables::NotDatabase;
    // Another program writing to the file is not a reason to call it foreign.
    sqlite3_extended_result_codes(h.db, 1);
    sqlite3_busy_timeout(h.db, kLockWaitMs);
    // SQLite reads the file only at the first statement; a text file fails here.
    sqlite3_stmt* st = nullptr;
    if (const int rc = sqlite3_prepare_v2(h.db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st,
                                          nullptr);
        rc != SQLITE_OK) {
        sqlite3_finalize(st);
        return inUseCode(rc) ? FileTables::Locked : FileTables::NotDatabase;
    }
    QStringList names;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).toLower();
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return inUseCode(rc) ? FileTables::Locked : FileTables::NotDatabase;
    if (tables)
        *tables = names;
    return FileTables::Read;
}

void copyDatabaseFile(const QString& source, const QString& target)
{
    if (!QFileInfo(source).isFile())
        throw DbError(53, QStringLiteral("File not found: '%1'.").arg(source));
    const QString work = target + QStringLiteral(".part");
    QFile::remove(work);
    try {
        Handle from, to;
        const QByteArray sourceName = QFile::encodeName(source);
        int rc = sqlite3_open_v2(sourceName.constData(), &from.db, SQLITE_OPEN_READONLY, nullptr);
        if (rc != SQLITE_OK)
            throw copyError(from.db, rc, QStringLiteral("Cannot open '%1'").arg(source));
        sqlite3_busy_timeout(from.db, kLockWaitMs);
        const QByteArray workName = QFile::encodeName(work);
        rc = sqlite3_open_v2(workName.constData(), &to.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc != SQLITE_OK)
            throw copyError(to.db, rc, QStringLiteral("Cannot create '%1'").arg(work));
        sqlite3_backup* b = sqlite3_backup_init(to.db, "main", from.db, "main");
        if (!b)
            throw copyError(to.db, sqlite3_errcode(to.db), QStringLiteral("Cannot copy '%1'").arg(source));
        rc = sqlite3_backup_step(b, -1);
        const int finished = sqlite3_backup_finish(b);
        if (rc != SQLITE_DONE)
            throw copyError(nullptr, rc, QStringLiteral("Cannot copy '%1'").arg(source));
        if (finished != SQLITE_OK)
            throw copyError(to.db, finished, QStringLiteral("Cannot copy '%1'").arg(source));
        // The copy keeps no journal of its own beside it.
        sqlite3_exec(to.db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
        if (sqlite3_close(to.db) != SQLITE_OK)
            throw copyError(to.db, sqlite3_errcode(to.db), QStringLiteral("Cannot write '%1'").arg(work));
        to.db = nullptr;

        std::error_code ec;
        std::filesystem::rename(std::filesystem::path(work.toStdU16String()),
                                std::filesystem::path(target.toStdU16String()), ec);
        if (ec)
            throw DbError(err::EngineError, QStringLiteral("Cannot replace '%1': %2.")
                                                              .arg(target, QString::fromStdString(ec.message())));
    } catch (...) {
        QFile::remove(work);
        throw;
    }
}

} // namespace rv::store
