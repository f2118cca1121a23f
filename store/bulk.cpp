#include "store/bulk.h"

#include "store/connection.h"
#include "store/dberror.h"
#include "store/sqlerror.h"

#include <sqlite3.h>

namespace rv::store {

using namespace detail;

namespace {

// Julian day of 1899/12/30, day 0 of the date serial.
constexpr qint64 kSerialEpoch = 2415019;

sqlite3* handleOf(Connection& conn)
{
    sqlite3* db = conn.handle();
    if (!db)
        throw objectClosed();
    return db;
}

QStringList storedNames(const TableShape& shape, const QStringList& columns, std::vector<ColType>* types)
{
    QStringList names;
    for (const QString& c : columns) {
        const int i = shape.indexOf(c);
        if (i < 0)
            throw noSuchField(c);
        names << quoteIdent(shape.cols[size_t(i)].name);
        if (types)
            types->push_back(shape.cols[size_t(i)].type);
    }
    return names;
}

// Steps a statement that gives no rows and resets it, so that it never
// stays active; the error of a failed step is thrown after the reset.
void stepOnce(sqlite3* db, sqlite3_stmt* st)
{
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
        sqlite3_reset(st);
        return;
    }
    throwSqlite(db, sqlite3_reset(st));
}

} // namespace

int TableShape::indexOf(const QString& field) const
{
    for (size_t i = 0; i < cols.size(); ++i)
        if (cols[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

TableShape tableShape(Connection& conn, const QString& table)
{
    sqlite3* db = handleOf(conn);
    const auto name = storedTableName(db, table);
    if (!name)
        throw tableMissing(table);
    TableShape s;
    s.table = *name;
    s.cols = tableColumns(db, s.table);
    return s;
}

// ---------------------------------------------------------------- insert

BulkInsert::BulkInsert(Connection& conn, const TableShape& shape, const QStringList& columns) : m_conn(conn)
{
    const QStringList names = storedNames(shape, columns, &m_types);
    QStringList params;
    for (qsizetype k = 0; k < names.size(); ++k)
        params << QStringLiteral("?%1").arg(k + 1);
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(quoteIdent(shape.table), names.join(QStringLiteral(", ")),
                                 params.join(QStringLiteral(", ")));
    m_st = conn.prepared(sql.toUtf8());
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
}

BulkInsert::~BulkInsert()
{
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
}

void BulkInsert::setNull(int i)
{
    sqlite3_bind_null(m_st, i + 1);
}

void BulkInsert::setDouble(int i, double v)
{
    sqlite3_bind_double(m_st, i + 1, v);
}

void BulkInsert::setInt(int i, qint64 v)
{
    sqlite3_bind_int64(m_st, i + 1, v);
}

void BulkInsert::setText(int i, QByteArrayView utf8)
{
    sqlite3_bind_text(m_st, i + 1, utf8.data(), int(utf8.size()), SQLITE_TRANSIENT);
}

void BulkInsert::setValue(int i, const QVariant& v)
{
    bindValue(m_st, i + 1, convertForColumn(v, m_types[size_t(i)]));
}

qint64 BulkInsert::insert()
{
    sqlite3* db = handleOf(m_conn);
    stepOnce(db, m_st);
    sqlite3_clear_bindings(m_st);
    return sqlite3_last_insert_rowid(db);
}

// ---------------------------------------------------------------- query

BulkQuery::BulkQuery(Connection& conn, const QByteArray& sql) : m_conn(conn)
{
    m_st = conn.prepared(sql);
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
}

BulkQuery::~BulkQuery()
{
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
}

void BulkQuery::bindWhere(const BoundCriteria& where, int firstParam)
{
    detail::bindWhere(m_st, where, firstParam);
}

void BulkQuery::bindDouble(int param, double v)
{
    sqlite3_bind_double(m_st, param, v);
}

void BulkQuery::bindInt(int param, qint64 v)
{
    sqlite3_bind_int64(m_st, param, v);
}

void BulkQuery::bindNull(int param)
{
    sqlite3_bind_null(m_st, param);
}

void BulkQuery::restart()
{
    sqlite3_reset(m_st);
}

bool BulkQuery::next()
{
    const int rc = sqlite3_step(m_st);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throwSqlite(handleOf(m_conn), sqlite3_reset(m_st));
}

bool BulkQuery::isNull(int col) const
{
    return sqlite3_column_type(m_st, col) == SQLITE_NULL;
}

qint64 BulkQuery::integer(int col) const
{
    return sqlite3_column_int64(m_st, col);
}

QByteArrayView BulkQuery::bytes(int col) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_st, col));
    return QByteArrayView(p, p ? sqlite3_column_bytes(m_st, col) : 0);
}

Cell BulkQuery::cell(int col, ColType t, TextPool& pool) const
{
    return readCell(m_st, col, t, pool);
}

std::optional<double> BulkQuery::serial(int col, ColType t) const
{
    const int kind = sqlite3_column_type(m_st, col);
    if (kind == SQLITE_NULL)
        return std::nullopt;
    // Numbers straight from the row; anything else as the record set reads it.
    if ((t == ColType::Double || t == ColType::Long) && (kind == SQLITE_FLOAT || kind == SQLITE_INTEGER))
        return sqlite3_column_double(m_st, col);
    TextPool pool;
    const Cell c = readCell(m_st, col, t, pool);
    switch (c.tag) {
    case Tag::Double: return c.d;
    case Tag::Long:
    case Tag::Bool: return double(c.i);
    case Tag::Date: return double(c.i - kSerialEpoch);
    case Tag::Time: return c.i / double(kMsPerDay);
    case Tag::DateTime: return double(c.i / kMsPerDay - kSerialEpoch) + (c.i % kMsPerDay) / double(kMsPerDay);
    case Tag::Null:
    case Tag::Text: break;
    }
    return std::nullopt;
}

void readColumnTexts(Connection& conn, const TableShape& shape, const QString& column,
                     const std::function<void(QByteArrayView)>& take)
{
    const int i = shape.indexOf(column);
    if (i < 0)
        throw noSuchField(column);
    const QByteArray sql = (QStringLiteral("SELECT ") + quoteIdent(shape.cols[size_t(i)].name)
                            + QStringLiteral(" FROM ") + quoteIdent(shape.table))
                               .toUtf8();
    BulkQuery q(conn, sql);
    while (q.next()) {
        if (!q.isNull(0))
            take(q.bytes(0));
    }
}

// ---------------------------------------------------------------- update

BulkUpdate::BulkUpdate(Connection& conn, const TableShape& shape, const QStringList& columns) : m_conn(conn)
{
    const QStringList names = storedNames(shape, columns, nullptr);
    m_count = int(names.size());
    QStringList sets;
    for (qsizetype k = 0; k < names.size(); ++k)
        sets << names[k] + QStringLiteral(" = ?%1").arg(k + 1);
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                            .arg(quoteIdent(shape.table), sets.join(QStringLiteral(", ")))
                            .arg(m_count + 1);
    m_st = conn.prepared(sql.toUtf8());
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
}

BulkUpdate::~BulkUpdate()
{
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
}

void BulkUpdate::setNull(int i)
{
    sqlite3_bind_null(m_st, i + 1);
}

void BulkUpdate::setDouble(int i, double v)
{
    sqlite3_bind_double(m_st, i + 1, v);
}

void BulkUpdate::update(qint64 rowid)
{
    sqlite3* db = handleOf(m_conn);
    sqlite3_bind_int64(m_st, m_count + 1, rowid);
    stepOnce(db, m_st);
    m_conn.noteUpdates(sqlite3_changes(db));
    if (sqlite3_changes(db) == 0)
        throw DbError(err::EngineError, QStringLiteral("Row cannot be located for updating. Some values may have "
                                                       "been changed since it was last read."));
}

} // namespace rv::store
