// The SQLite back end: a database file opened but never created.
#include "store/backend.h"

#include "store/coltype.h"
#include "store/sqlerror.h"

#include <QFile>
#include <QFileInfo>

namespace rv::store::detail {

namespace {

// The first 16 bytes of every SQLite database file.
bool looksLikeDatabase(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(16);
    return head == QByteArray("SQLite format 3\0", 16);
}

class SqliteBackend final : public Backend {
public:
    SqliteBackend(sqlite3* db, const QString& path) : m_db(db), m_path(path) {}
    ~SqliteBackend() override
    {
        // Closing with a group still open abandons it. The connection
        // finalizes its statements first; _v2 copes with any left.
        sqlite3_close_v2(m_db);
    }

    Engine engine() const override { return Engine::Sqlite; }
    QString location() const override { return m_path; }
    bool isReadOnly() const override { return sqlite3_db_readonly(m_db, "main") == 1; }

    void exec(const QByteArray& sql) override { execSql(m_db, sql.constData()); }
    bool tryExec(const char* sql) noexcept override
    {
        return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    std::unique_ptr<Stmt> prepare(const QByteArray& sql, bool persistent) override
    {
        sqlite3_stmt* st = nullptr;
        const int rc = sqlite3_prepare_v3(m_db, sql.constData(), static_cast<int>(sql.size()),
                                          persistent ? SQLITE_PREPARE_PERSISTENT : 0, &st, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(st);
            throwSqlite(m_db, rc);
        }
        return std::make_unique<Stmt>(m_db, st);
    }
    qint64 changes() const override { return sqlite3_changes64(m_db); }
    qint64 totalChanges() const override { return sqlite3_total_changes64(m_db); }
    qint64 lastInsertId() const override { return sqlite3_last_insert_rowid(m_db); }

    void begin() override { execSql(m_db, "BEGIN IMMEDIATE"); }
    void commit() override
    {
        const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            const DbError e = fromSqlite(m_db, rc);
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw e;
        }
    }
    void rollback() override { execSql(m_db, "ROLLBACK"); }
    bool inTransaction() const override { return !sqlite3_get_autocommit(m_db); }

    QStringList tableNames() override
    {
        QStringList names;
        auto st = prepare("SELECT name FROM sqlite_master WHERE type = 'table' "
                          "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name",
                          false);
        while (st->step())
            names << st->qtext(0);
        return names;
    }
    std::optional<QString> storedTableName(const QString& name) override
    {
        return detail::storedTableName(m_db, name);
    }
    std::vector<ColumnInfo> tableColumns(const QString& table) override
    {
        return detail::tableColumns(m_db, table);
    }
    QString createTableLike(const QString& src, const QString& dst) override
    {
        return detail::createTableLike(m_db, src, dst);
    }

    int schemaVersion() override
    {
        sqlite3_stmt* st = nullptr;
        int version = 0;
        if (sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            version = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        return version;
    }
    void setSchemaVersion(int v) override
    {
        execSql(m_db, QByteArray("PRAGMA user_version = ").append(QByteArray::number(v)).constData());
    }

    QString columnType(ColType t) const override { return declaredName(t); }

    sqlite3* sqliteHandle() const override { return m_db; }

private:
    sqlite3* m_db;
    QString m_path;
};

} // namespace

void Stmt::failed()
{
    if (m_pg)
        pgStep(m_pg);  // throws the server's error
    // sqlite3_reset gives the precise (extended) error of the step.
    throwSqlite(m_db, sqlite3_reset(m_lite));
}

namespace {

// The handle of an existing file, with SQLite's extended error codes.
sqlite3* openFile(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw notValidPath(path);
    }
    sqlite3_extended_result_codes(db, 1);
    return db;
}

} // namespace

std::unique_ptr<Backend> openSqlite(const QString& path, int (*busy)(void*, int), void* busyArg)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isFile())
        throw notValidPath(path);
    // An empty or foreign file would otherwise be taken for a new, empty
    // database and written to.
    if (!looksLikeDatabase(path))
        throw unrecognizedFormat(path);

    // The program uses its connection from one thread only, so SQLite's
    // per-call locking is only cost.
    sqlite3* db = openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    sqlite3_busy_handler(db, busy, busyArg);
    // A rollback journal beside the file only while a write is under way, and
    // every commit synced through to the disk: a crash or power cut leaves the
    // last committed state, and a backup copies one self-contained file.
    const char* setup =
        "SELECT count(*) FROM sqlite_master;"
        "PRAGMA journal_mode = DELETE;"
        "PRAGMA synchronous = FULL;"
        "PRAGMA cache_size = -32768;";
    if (const int rc = sqlite3_exec(db, setup, nullptr, nullptr, nullptr); rc != SQLITE_OK) {
        // Say what is wrong: a lock held by another program is not a damaged file.
        const int primary = sqlite3_extended_errcode(db) & 0xff;
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
            throw DbError(kLocked, QStringLiteral("Could not use '%1'; file already in use: it is locked by "
                                                  "another program.").arg(path));
        if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
            throw unrecognizedFormat(path);
        throw DbError(err::CannotOpen, QStringLiteral("Could not open '%1': %2.").arg(path, msg));
    }
    return std::make_unique<SqliteBackend>(db, path);
}

std::unique_ptr<Backend> openSqliteReader(const QString& path, int waitMs, int cacheKiB)
{
    // Used from one thread at a time, as the first connection is.
    sqlite3* db = openFile(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
    sqlite3_busy_timeout(db, waitMs);
    const QByteArray cache = "PRAGMA cache_size = -" + QByteArray::number(cacheKiB);
    sqlite3_exec(db, cache.constData(), nullptr, nullptr, nullptr);
    return std::make_unique<SqliteBackend>(db, path);
}

std::unique_ptr<Backend> createSqlite(const QString& path)
{
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const DbError e = fromSqlite(db, rc);
        sqlite3_close(db);
        throw e;
    }
    sqlite3_extended_result_codes(db, 1);
    auto b = std::make_unique<SqliteBackend>(db, path);
    b->exec("PRAGMA journal_mode = DELETE");
    b->exec("PRAGMA synchronous = FULL");
    return b;
}

QString sqlParam(Engine e, int n)
{
    return (e == Engine::Postgres ? QStringLiteral("$%1") : QStringLiteral("?%1")).arg(n);
}

QString sqlTextCompare(Engine e, const QString& col, const char* op, const QString& param)
{
    if (e == Engine::Postgres)
        return QStringLiteral("lower(%1) %2 lower(%3)").arg(col, QLatin1String(op), param);
    return QStringLiteral("%1 %2 %3 COLLATE NOCASE").arg(col, QLatin1String(op), param);
}

} // namespace rv::store::detail
