#pragma once
// The database engine under a connection. The store writes its SQL and reads
// its rows through this seam only, so that everything above the store (and
// most of the store itself) never learns which engine holds the site.
//
// Two parts: Backend, one object per open connection, for what happens once
// per statement or less (run a statement, prepare one, transactions, the
// tables and their columns); and Stmt, a prepared statement, for what
// happens once per value (bind, step, read a column). Stmt is a concrete
// class whose SQLite path is inline, so that the per-row paths of record
// sets and bulk statements pay no virtual call per cell.
#include "store/tableinfo.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <vector>

namespace rv::store {

enum class Engine { Sqlite, Postgres };

namespace detail {

// Storage class of a value read from a row, numbered as SQLite numbers them.
enum ValueKind : int { kInteger = 1, kFloat = 2, kText = 3, kBlob = 4, kNull = 5 };

class PgStatement;

// Out of line: the server's side of Stmt (store/pg_backend.cpp).
bool pgStep(PgStatement* p);
void pgReset(PgStatement* p);
void pgClearBindings(PgStatement* p);
void pgBindNull(PgStatement* p, int param);
void pgBindInt64(PgStatement* p, int param, qint64 v);
void pgBindDouble(PgStatement* p, int param, double v);
void pgBindText(PgStatement* p, int param, const char* utf8, qsizetype n);
int pgParamIndex(const PgStatement* p, const char* name);
int pgColumnCount(const PgStatement* p);
int pgColumnType(const PgStatement* p, int col);
qint64 pgColumnInt64(const PgStatement* p, int col);
double pgColumnDouble(const PgStatement* p, int col);
const char* pgColumnText(const PgStatement* p, int col);
int pgColumnBytes(const PgStatement* p, int col);
void pgFinalize(PgStatement* p);
bool pgSend(PgStatement* p, bool guarded, bool mustChange);
void pgSettle(PgStatement* p, std::vector<qint64>* keys);

// A prepared statement. Parameters are 1-based, columns 0-based, as in
// SQLite. A text column read stays valid until the next step or reset.
class Stmt {
public:
    Stmt(sqlite3* db, sqlite3_stmt* st) : m_db(db), m_lite(st) {}
    explicit Stmt(PgStatement* pg) : m_pg(pg) {}
    ~Stmt()
    {
        if (m_pg) [[unlikely]]
            pgFinalize(m_pg);
        else
            sqlite3_finalize(m_lite);
    }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    // True on a row, false when done; throws DbError on failure.
    bool step()
    {
        if (m_pg) [[unlikely]]
            return pgStep(m_pg);
        const int rc = sqlite3_step(m_lite);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        failed();
    }
    // Runs a write with its bindings without waiting for its answer, where
    // the engine can (a server, inside a transaction); false when it cannot,
    // and the caller steps it as usual. The answer, and a failure, come with
    // settle() or with the next statement run on the connection. guarded:
    // a failure leaves the rows written before it, as a stepped write does;
    // unguarded is only for a caller that undoes everything on a failure.
    // mustChange: a write that changed no row is a failure.
    bool send(bool guarded, bool mustChange)
    {
        if (m_pg) [[unlikely]]
            return pgSend(m_pg, guarded, mustChange);
        return false;
    }
    // Waits for every write sent; throws the first failure. The rowids of the
    // INSERTs sent (0 for a row not stored) are added to keys, in order.
    void settle(std::vector<qint64>* keys = nullptr)
    {
        if (m_pg) [[unlikely]]
            pgSettle(m_pg, keys);
    }
    // Ready to run again from the start; bindings are kept.
    void reset()
    {
        if (m_pg) [[unlikely]]
            pgReset(m_pg);
        else
            sqlite3_reset(m_lite);
    }
    void clearBindings()
    {
        if (m_pg) [[unlikely]]
            pgClearBindings(m_pg);
        else
            sqlite3_clear_bindings(m_lite);
    }

    void bindNull(int p)
    {
        if (m_pg) [[unlikely]]
            pgBindNull(m_pg, p);
        else
            sqlite3_bind_null(m_lite, p);
    }
    void bindInt64(int p, qint64 v)
    {
        if (m_pg) [[unlikely]]
            pgBindInt64(m_pg, p, v);
        else
            sqlite3_bind_int64(m_lite, p, v);
    }
    void bindDouble(int p, double v)
    {
        if (m_pg) [[unlikely]]
            pgBindDouble(m_pg, p, v);
        else
            sqlite3_bind_double(m_lite, p, v);
    }
    void bindText(int p, const char* utf8, qsizetype n)
    {
        if (m_pg) [[unlikely]]
            pgBindText(m_pg, p, utf8, n);
        else
            sqlite3_bind_text(m_lite, p, utf8, static_cast<int>(n), SQLITE_TRANSIENT);
    }
    // The same without a copy: the bytes must stay as they are until the
    // statement has been stepped and its bindings cleared (StatementUse does).
    void bindTextInPlace(int p, const char* utf8, qsizetype n)
    {
        if (m_pg) [[unlikely]]
            pgBindText(m_pg, p, utf8, n);
        else
            sqlite3_bind_text(m_lite, p, utf8, static_cast<int>(n), SQLITE_STATIC);
    }
    void bindBlob(int p, const char* data, qsizetype n)
    {
        if (m_pg) [[unlikely]]
            pgBindText(m_pg, p, data, n);
        else
            sqlite3_bind_blob(m_lite, p, data, static_cast<int>(n), SQLITE_TRANSIENT);
    }
    // The number of a named parameter (":name"), 0 when the text has none.
    int paramIndex(const char* name) const
    {
        if (m_pg) [[unlikely]]
            return pgParamIndex(m_pg, name);
        return sqlite3_bind_parameter_index(m_lite, name);
    }
    void bindText(int p, const QByteArray& utf8) { bindText(p, utf8.constData(), utf8.size()); }
    void bindText(int p, const QString& s)
    {
        if (m_pg) [[unlikely]] {
            const QByteArray u = s.toUtf8();
            pgBindText(m_pg, p, u.constData(), u.size());
        } else {
            sqlite3_bind_text16(m_lite, p, s.utf16(), static_cast<int>(s.size() * 2), SQLITE_TRANSIENT);
        }
    }

    int columnCount() const { return m_pg ? pgColumnCount(m_pg) : sqlite3_column_count(m_lite); }
    // One of ValueKind.
    int type(int col) const
    {
        if (m_pg) [[unlikely]]
            return pgColumnType(m_pg, col);
        return sqlite3_column_type(m_lite, col);
    }
    bool isNull(int col) const { return type(col) == kNull; }
    // The storage class and, for a number, its value as a double, in one
    // call to the engine rather than two: the per-cell path of large reads.
    // (The value SQLite hands out is one only this thread may read, which
    // holds for a connection that lives on one thread, as these do.)
    int typedNumber(int col, double* d) const
    {
        if (m_pg) [[unlikely]] {
            const int k = pgColumnType(m_pg, col);
            if (k == kInteger || k == kFloat)
                *d = pgColumnDouble(m_pg, col);
            return k;
        }
        sqlite3_value* v = sqlite3_column_value(m_lite, col);
        const int k = sqlite3_value_type(v);
        if (k == SQLITE_INTEGER || k == SQLITE_FLOAT)
            *d = sqlite3_value_double(v);
        return k;
    }
    qint64 int64(int col) const
    {
        if (m_pg) [[unlikely]]
            return pgColumnInt64(m_pg, col);
        return sqlite3_column_int64(m_lite, col);
    }
    double real(int col) const
    {
        if (m_pg) [[unlikely]]
            return pgColumnDouble(m_pg, col);
        return sqlite3_column_double(m_lite, col);
    }
    // The value as UTF-8 text (a number in its text form); null gives nullptr.
    const char* text(int col) const
    {
        if (m_pg) [[unlikely]]
            return pgColumnText(m_pg, col);
        return reinterpret_cast<const char*>(sqlite3_column_text(m_lite, col));
    }
    // The value's bytes as stored (a text as UTF-8); call bytes() after it.
    const char* blob(int col) const
    {
        if (m_pg) [[unlikely]]
            return pgColumnText(m_pg, col);
        return static_cast<const char*>(sqlite3_column_blob(m_lite, col));
    }
    // Bytes of text(col) or blob(col); call after either.
    int bytes(int col) const
    {
        if (m_pg) [[unlikely]]
            return pgColumnBytes(m_pg, col);
        return sqlite3_column_bytes(m_lite, col);
    }
    QString qtext(int col) const
    {
        const char* p = text(col);
        return p ? QString::fromUtf8(p, bytes(col)) : QString();
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_lite = nullptr;
    PgStatement* m_pg = nullptr;

    [[noreturn]] void failed();
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual Engine engine() const = 0;
    // Where the site is, as the user gave it (a file path, or a server's
    // connection text with no password in it).
    virtual QString location() const = 0;
    virtual bool isReadOnly() const = 0;

    // A statement that gives no rows; throws DbError on failure.
    virtual void exec(const QByteArray& sql) = 0;
    // The same, for clean-up paths: false on failure, never throws.
    virtual bool tryExec(const char* sql) noexcept = 0;
    // A statement of this engine's SQL; persistent when it is kept in the
    // connection's cache. Throws DbError when sql does not compile.
    virtual std::unique_ptr<Stmt> prepare(const QByteArray& sql, bool persistent) = 0;
    // Rows changed by the last INSERT, UPDATE or DELETE.
    virtual qint64 changes() const = 0;
    // Rows changed since the connection was opened, by anyone using it.
    virtual qint64 totalChanges() const = 0;
    // The row key given to the last row inserted.
    virtual qint64 lastInsertId() const = 0;

    // Transactions. begin() takes the write lock at once where the engine
    // has one, so that a group never fails half-way for want of it.
    // Waits for the writes sent ahead (Stmt::send) and throws the first
    // failure among them; nothing to do where nothing is sent ahead.
    virtual void settle() {}
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    // True while a transaction is open (the engine may have ended one itself
    // after a failure).
    virtual bool inTransaction() const = 0;

    // The user tables, in name order, the engine's own left out.
    virtual QStringList tableNames() = 0;
    // The table's name as stored, found without regard to case; nullopt when
    // there is no such table.
    virtual std::optional<QString> storedTableName(const QString& name) = 0;
    // Columns in table order, the engine's row key left out; empty when the
    // table does not exist.
    virtual std::vector<ColumnInfo> tableColumns(const QString& table) = 0;
    // CREATE TABLE text for dst with src's columns and constraints.
    virtual QString createTableLike(const QString& src, const QString& dst) = 0;

    // The schema version of the site (0 for a site never upgraded).
    virtual int schemaVersion() = 0;
    virtual void setSchemaVersion(int v) = 0;

    // The SQL type this engine stores a field of type t in.
    virtual QString columnType(ColType t) const = 0;
    // The definition of the row key column that opens every CREATE TABLE
    // (with its comma), or "" where the engine keeps a row key of its own.
    virtual QString rowKeyDefinition() const { return QString(); }

    // The SQLite handle when this is SQLite, else nullptr (the file-level
    // work of backups, compaction and checks is SQLite's own).
    virtual sqlite3* sqliteHandle() const { return nullptr; }
};

// The SQLite back end on an existing database file.
std::unique_ptr<Backend> openSqlite(const QString& path, int (*busy)(void*, int), void* busyArg);
// A second connection to an open database file that only reads, for work
// done beside the first connection on another thread. A writer holding the
// file makes it wait at most waitMs, then fail with SQLITE_BUSY. Its cache
// holds cacheKiB: as much as the first connection's by default, for reads
// as large as its own.
std::unique_ptr<Backend> openSqliteReader(const QString& path, int waitMs, int cacheKiB = 32768);
// The same on a new, empty file (which it fills): journal and syncing as
// for every open, no busy wait.
std::unique_ptr<Backend> createSqlite(const QString& path);

// A database on a PostgreSQL server, from a connection URI or any text
// libpq accepts. Throws DbError(err::CannotOpen) with the server's reason.
std::unique_ptr<Backend> openPostgres(const QString& location);

// Creates the tables of a new site, with their first rows, in one
// transaction.
void buildSite(Backend& db);
// The same inside the caller's transaction.
void fillSite(Backend& db);

// The SQL text of a parameter, and of a comparison of texts without regard
// to case, as each engine writes them.
QString sqlParam(Engine e, int n);
QString sqlTextCompare(Engine e, const QString& col, const char* op, const QString& param);

} // namespace detail
} // namespace rv::store
