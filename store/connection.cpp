#include "store/connection.h"
#include "store/schema.h"

#include "store/criteria.h"
#include "store/dialect.h"
#include "store/sqlerror.h"
#include "store/statement.h"
#include "store/tableinfo.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace rv::store {

using namespace detail;

namespace {

constexpr int kStatementCacheLimit = 256;
// The cache a table count runs with, in KiB.
constexpr int kCountCacheKiB = 1024;

// The first 16 bytes of every SQLite database file.
bool looksLikeDatabase(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(16);
    return head == QByteArray("SQLite format 3\0", 16);
}

void requireOpen(sqlite3* db)
{
    if (!db)
        throw objectClosed();
}

std::function<void()>& busyWaitHook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

void setBusyWaitHook(std::function<void()> hook)
{
    busyWaitHook() = std::move(hook);
}

int Connection::onBusy(void* self, int count)
{
    auto* c = static_cast<Connection*>(self);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (count == 0) {
        c->m_busySince = now;
        if (const auto& hook = busyWaitHook())
            hook();
    }
    if (now - c->m_busySince >= kBusyWaitMs)
        return 0;  // give up: the caller gets SQLITE_BUSY
    sqlite3_sleep(count < 5 ? 5 : 25);
    return 1;
}

Connection::~Connection()
{
    close();
}

void Connection::open(const QString& path)
{
    close();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isFile())
        throw notValidPath(path);
    // An empty or foreign file would otherwise be taken for a new, empty
    // database and written to.
    if (!looksLikeDatabase(path))
        throw unrecognizedFormat(path);

    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(path);
    // The program uses its connection from one thread only, so SQLite's
    // per-call locking is only cost.
    if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw notValidPath(path);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_handler(db, &Connection::onBusy, this);
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
    m_db = db;
    m_path = path;
    m_depth = 0;
    m_rollbackOnly = false;
    m_counts.clear();
    m_countStamp = CountStamp();
    m_updatedRows = 0;
}

bool Connection::isReadOnly() const
{
    return m_db && sqlite3_db_readonly(m_db, "main") == 1;
}

void Connection::dropStatements()
{
    for (sqlite3_stmt* st : std::as_const(m_statements))
        sqlite3_finalize(st);
    m_statements.clear();
}

void Connection::close()
{
    if (!m_db)
        return;
    dropStatements();
    // Closing with a group still open abandons it.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_path.clear();
    m_depth = 0;
    m_rollbackOnly = false;
    m_counts.clear();
    m_countStamp = CountStamp();
    m_updatedRows = 0;
}

sqlite3_stmt* Connection::prepared(const QByteArray& sql, bool mayTrim)
{
    requireOpen(m_db);
    if (const auto it = m_statements.constFind(sql); it != m_statements.constEnd())
        return it.value();
    if (mayTrim && m_statements.size() > kStatementCacheLimit)
        dropStatements();
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, sql.constData(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        throwSqlite(m_db, rc);
    }
    m_statements.insert(sql, st);
    return st;
}

std::optional<Connection::CountStamp> Connection::countStamp()
{
    if (!m_db || !sqlite3_get_autocommit(m_db))
        return std::nullopt;
    CountStamp s;
    s.changes = sqlite3_total_changes64(m_db) - m_updatedRows;
    for (const char* pragma : {"PRAGMA data_version", "PRAGMA schema_version"}) {
        sqlite3_stmt* st = prepared(pragma);
        const int rc = sqlite3_step(st);
        const qint64 v = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
        sqlite3_reset(st);
        if (rc != SQLITE_ROW)
            return std::nullopt;
        (pragma[7] == 'd' ? s.dataVersion : s.schemaVersion) = v;
    }
    return s;
}

qint64 Connection::tableRowCount(const QString& table, const std::function<qint64()>& count)
{
    // Stamped before counting: a change by anyone meanwhile makes the count
    // look older than it is, never newer.
    const auto before = countStamp();
    if (!before || !(*before == m_countStamp)) {
        m_counts.clear();
    } else if (const auto it = m_counts.constFind(table); it != m_counts.constEnd()) {
        return it.value();
    }
    // A count reads every page of an index once: through a few pages of
    // cache, rather than filling the whole cache (and fresh memory for it)
    // with pages nothing reads again.
    qint64 cachePages = 0;
    {
        sqlite3_stmt* st = prepared("PRAGMA cache_size");
        if (sqlite3_step(st) == SQLITE_ROW)
            cachePages = sqlite3_column_int64(st, 0);
        sqlite3_reset(st);
    }
    auto setCache = [&](qint64 pages) {
        execSql(m_db, ("PRAGMA cache_size = " + QByteArray::number(pages)).constData());
    };
    qint64 n = 0;
    if (cachePages != 0)
        setCache(-kCountCacheKiB);
    try {
        n = count();
    } catch (...) {
        if (cachePages != 0)
            setCache(cachePages);
        throw;
    }
    if (cachePages != 0)
        setCache(cachePages);
    if (before) {
        m_countStamp = *before;
        m_counts.insert(table, n);
    }
    return n;
}

void Connection::rowsWritten(const QString& table, const std::optional<CountStamp>& before, qint64 added)
{
    if (m_counts.isEmpty())
        return;
    const auto after = countStamp();
    const auto it = m_counts.find(table);
    if (!before || !after || !(*before == m_countStamp) || it == m_counts.end()
        || after->dataVersion != before->dataVersion || after->schemaVersion != before->schemaVersion
        || after->changes != before->changes + (added < 0 ? -added : added)) {
        m_counts.clear();
        return;
    }
    it.value() += added;
    m_countStamp = *after;
}

void Connection::execute(const QString& sql)
{
    requireOpen(m_db);
    const Statement st = parseStatement(sql);
    switch (st.kind) {
    case Statement::Select:
        throw syntaxError(sql);  // a row-returning query needs a record set
    case Statement::DropTable: {
        const auto name = storedTableName(m_db, st.table);
        if (!name)
            throw tableMissing(st.table);
        dropStatements();
        execSql(m_db, (QStringLiteral("DROP TABLE ") + quoteIdent(*name)).toUtf8().constData());
        return;
    }
    case Statement::Delete: {
        const auto name = storedTableName(m_db, st.table);
        if (!name)
            throw tableMissing(st.table);
        const auto cols = tableColumns(m_db, *name);
        const BoundCriteria where = bindCriteria(st.where, cols, [&](const QString& f) {
            for (size_t k = 0; k < cols.size(); ++k)
                if (cols[k].name.compare(f, Qt::CaseInsensitive) == 0)
                    return static_cast<int>(k);
            return -1;
        });
        const QByteArray text = (QStringLiteral("DELETE FROM ") + quoteIdent(*name) + sqlWhere(where, cols)).toUtf8();
        StatementUse use(m_db, prepared(text));
        bindWhere(use.get(), where);
        use.step();
        return;
    }
    case Statement::SelectInto: {
        const auto src = storedTableName(m_db, st.table);
        if (!src)
            throw tableMissing(st.table);
        // SQLite names are unique without regard to case.
        if (const auto existing = storedTableName(m_db, st.target))
            throw tableAlreadyExists(*existing);
        const auto cols = tableColumns(m_db, *src);
        const BoundCriteria where = bindCriteria(st.where, cols, [&](const QString& f) {
            for (size_t k = 0; k < cols.size(); ++k)
                if (cols[k].name.compare(f, Qt::CaseInsensitive) == 0)
                    return static_cast<int>(k);
            return -1;
        });
        Savepoint sp(m_db);
        execSql(m_db, createTableLike(m_db, *src, st.target).toUtf8().constData());
        const QString copy = QStringLiteral("INSERT INTO %1 SELECT * FROM %2").arg(quoteIdent(st.target), quoteIdent(*src))
            + sqlWhere(where, cols);
        sqlite3_stmt* raw = nullptr;
        const QByteArray text = copy.toUtf8();
        int rc = sqlite3_prepare_v2(m_db, text.constData(), static_cast<int>(text.size()), &raw, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(raw);
            throwSqlite(m_db, rc);
        }
        bindWhere(raw, where);
        rc = sqlite3_step(raw);
        sqlite3_finalize(raw);
        if (rc != SQLITE_DONE)
            throwSqlite(m_db, rc);
        // A reading table is read in date order everywhere: it gets its
        // index on the sort field with its making.
        for (const ColumnInfo& c : cols)
            if (c.name.compare(QStringLiteral("FullDate"), Qt::CaseInsensitive) == 0) {
                execSql(m_db, QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (\"FullDate\")")
                                  .arg(quoteIdent(readingDateIndexName(st.target)), quoteIdent(st.target))
                                  .toUtf8()
                                  .constData());
                break;
            }
        sp.release();
        return;
    }
    }
}

QStringList Connection::tableNames() const
{
    requireOpen(m_db);
    QStringList names;
    sqlite3_stmt* st = nullptr;
    const char* sql = "SELECT name FROM sqlite_master WHERE type = 'table' "
                      "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name";
    int rc = sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        throwSqlite(m_db, rc);
    }
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                   sqlite3_column_bytes(st, 0));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throwSqlite(m_db, rc);
    return names;
}

bool Connection::hasTable(const QString& exactName) const
{
    // Exact comparison: a name differing only in case is another table for
    // the callers, even though SQLite itself would resolve it.
    return tableNames().contains(exactName, Qt::CaseSensitive);
}

void Connection::begin()
{
    requireOpen(m_db);
    if (m_depth == 0)
        execSql(m_db, "BEGIN IMMEDIATE");
    else
        execSql(m_db, QByteArray("SAVEPOINT rv_group").append(QByteArray::number(m_depth)).constData());
    ++m_depth;
}

void Connection::commit()
{
    requireOpen(m_db);
    if (m_depth == 0)
        throw DbError(err::EngineError, QStringLiteral("Commit without a transaction."));
    --m_depth;
    if (sqlite3_get_autocommit(m_db)) {
        // SQLite already rolled the whole group back (disk full, I/O error).
        m_depth = 0;
        throw DbError(err::EngineError, QStringLiteral("The transaction was rolled back by the database engine."));
    }
    if (m_depth > 0) {
        execSql(m_db, QByteArray("RELEASE rv_group").append(QByteArray::number(m_depth)).constData());
        return;
    }
    const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const DbError e = fromSqlite(m_db, rc);
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw e;
    }
}

void Connection::rollback()
{
    requireOpen(m_db);
    if (m_depth == 0)
        throw DbError(err::EngineError, QStringLiteral("Rollback without a transaction."));
    --m_depth;
    if (sqlite3_get_autocommit(m_db)) {
        m_depth = 0;
        return;
    }
    if (m_depth > 0) {
        const QByteArray name = QByteArray("rv_group").append(QByteArray::number(m_depth));
        execSql(m_db, ("ROLLBACK TO " + name).constData());
        execSql(m_db, ("RELEASE " + name).constData());
        return;
    }
    execSql(m_db, "ROLLBACK");
}

} // namespace rv::store
