#include "store/bulk.h"

#include "store/connection.h"
#include "store/dberror.h"
#include "store/sqlerror.h"

#include "store/statement.h"

namespace rv::store {

using namespace detail;

namespace {

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
void stepOnce(Stmt* st)
{
    st->step();
    st->reset();
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
    Backend& db = conn.backend();
    const auto name = db.storedTableName(table);
    if (!name)
        throw tableMissing(table);
    TableShape s;
    s.table = *name;
    s.cols = db.tableColumns(s.table);
    return s;
}

// ---------------------------------------------------------------- insert

BulkInsert::BulkInsert(Connection& conn, const TableShape& shape, const QStringList& columns, ExistingKey existing)
    : m_conn(conn), m_skipExisting(existing == ExistingKey::Skip)
{
    const QStringList names = storedNames(shape, columns, &m_types);
    conn.setAsideCountNote(shape.table);
    QStringList params;
    for (qsizetype k = 0; k < names.size(); ++k)
        params << sqlParam(conn.backend().engine(), int(k) + 1);
    QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(quoteIdent(shape.table), names.join(QStringLiteral(", ")), params.join(QStringLiteral(", ")));
    // Both engines take the same clause (SQLite since 3.24).
    if (m_skipExisting)
        sql += QStringLiteral(" ON CONFLICT DO NOTHING");
    m_st = conn.prepared(sql.toUtf8());
    m_st->reset();
    m_st->clearBindings();
    m_set.assign(m_types.size(), 0);
    // Answers left by an earlier writer that never asked for them are not
    // this one's (a failure among them is still thrown).
    m_st->settle(&m_answers);
    m_answers.clear();
}

BulkInsert::~BulkInsert()
{
    // Rows sent ahead and not yet answered stay with the connection: their
    // answers, and a failure among them, come with its next statement or
    // with the commit.
    m_st->reset();
    m_st->clearBindings();
}

void BulkInsert::setNull(int i)
{
    m_st->bindNull(i + 1);
    mark(i);
}

void BulkInsert::setDouble(int i, double v)
{
    m_st->bindDouble(i + 1, v);
    mark(i);
}

void BulkInsert::setInt(int i, qint64 v)
{
    m_st->bindInt64(i + 1, v);
    mark(i);
}

void BulkInsert::setText(int i, QByteArrayView utf8)
{
    m_st->bindText(i + 1, utf8.data(), utf8.size());
    mark(i);
}

void BulkInsert::setTextInPlace(int i, QByteArrayView utf8)
{
    m_st->bindTextInPlace(i + 1, utf8.data(), utf8.size());
    mark(i);
}

void BulkInsert::setValue(int i, const QVariant& v)
{
    bindValue(*m_st, i + 1, convertForColumn(v, m_types[size_t(i)]));
    mark(i);
}

// A column the row did not set is null, not the value of the row before;
// cheaper than clearing every binding of every row.
void BulkInsert::nullUnset()
{
    for (size_t k = 0; k < m_set.size(); ++k) {
        if (!m_set[k])
            m_st->bindNull(int(k) + 1);
        m_set[k] = 0;
    }
}

bool BulkInsert::send()
{
    nullUnset();
    if (!m_st->send(false, false)) {
        m_answers.push_back(stepRow());
        return true;
    }
    m_st->clearBindings();
    return false;
}

void BulkInsert::settle(const std::function<void(qint64)>& each)
{
    m_st->settle(&m_answers);
    for (const qint64 id : m_answers)
        each(id);
    m_answers.clear();
}

qint64 BulkInsert::insert()
{
    nullUnset();
    return stepRow();
}

qint64 BulkInsert::stepRow()
{
    stepOnce(m_st);
    if (m_skipExisting && m_conn.backend().changes() == 0)
        return 0;
    return m_conn.backend().lastInsertId();
}

// ---------------------------------------------------------------- query

BulkQuery::BulkQuery(Connection& conn, const QByteArray& sql) : m_conn(conn)
{
    m_st = conn.prepared(sql);
    m_st->reset();
    m_st->clearBindings();
}

BulkQuery::~BulkQuery()
{
    m_st->reset();
    m_st->clearBindings();
}

void BulkQuery::bindWhere(const BoundCriteria& where, int firstParam)
{
    detail::bindWhere(*m_st, where, firstParam);
}

void BulkQuery::bindDouble(int param, double v)
{
    m_st->bindDouble(param, v);
}

void BulkQuery::bindInt(int param, qint64 v)
{
    m_st->bindInt64(param, v);
}

void BulkQuery::bindNull(int param)
{
    m_st->bindNull(param);
}

void BulkQuery::restart()
{
    m_st->reset();
}

bool BulkQuery::next()
{
    return m_st->step();
}

bool BulkQuery::isNull(int col) const
{
    return m_st->type(col) == kNull;
}

qint64 BulkQuery::integer(int col) const
{
    return m_st->int64(col);
}

QByteArrayView BulkQuery::bytes(int col) const
{
    const char* p = m_st->text(col);
    return QByteArrayView(p, p ? m_st->bytes(col) : 0);
}

Cell BulkQuery::cell(int col, ColType t, TextPool& pool) const
{
    return readCell(*m_st, col, t, pool);
}

std::optional<double> BulkQuery::storedNumber(int col) const
{
    double d = 0;
    const int kind = m_st->typedNumber(col, &d);
    if (kind == kFloat || kind == kInteger)
        return d;
    return std::nullopt;
}

std::optional<qint64> BulkQuery::plainDateTime(int col) const
{
    // Only a stored text: asking a number for its text would convert it.
    if (m_st->type(col) != kText)
        return std::nullopt;
    const char* p = m_st->text(col);
    return detail::plainDateTime(p, p ? m_st->bytes(col) : 0);
}

std::optional<double> BulkQuery::serial(int col, ColType t) const
{
    const int kind = m_st->type(col);
    if (kind == kNull)
        return std::nullopt;
    // Numbers straight from the row; anything else as the record set reads it.
    if ((t == ColType::Double || t == ColType::Long) && (kind == kFloat || kind == kInteger))
        return m_st->real(col);
    TextPool pool;
    const Cell c = readCell(*m_st, col, t, pool);
    return cellNumber(c);
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

BulkUpdate::BulkUpdate(Connection& conn, const TableShape& shape, const QStringList& columns, RowVersion check)
    : m_conn(conn), m_table(shape.table)
{
    prepare(shape, columns, check == RowVersion::Check, false);
}

BulkUpdate::BulkUpdate(Connection& conn, const TableShape& shape, const QStringList& columns, OnlyDiffering)
    : m_conn(conn), m_table(shape.table)
{
    prepare(shape, columns, false, true);
}

void BulkUpdate::prepare(const TableShape& shape, const QStringList& columns, bool versionCheck, bool onlyDiffering)
{
    const Engine engine = m_conn.backend().engine();
    const QStringList names = storedNames(shape, columns, &m_types);
    m_count = int(names.size());
    m_versioned = versionCheck && engine == Engine::Postgres;
    QStringList sets;
    QStringList same;
    for (qsizetype k = 0; k < names.size(); ++k) {
        sets << names[k] + QStringLiteral(" = ") + sqlParam(engine, int(k) + 1);
        same << names[k] + QStringLiteral(" IS ") + sqlParam(engine, int(k) + 1);
    }
    QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = %3")
                      .arg(quoteIdent(shape.table), sets.join(QStringLiteral(", ")), sqlParam(engine, m_count + 1));
    // The server's own row version, as the record set reads it.
    if (m_versioned)
        sql += QStringLiteral(" AND xmin = ") + sqlParam(engine, m_count + 2);
    if (onlyDiffering)
        sql += QStringLiteral(" AND NOT (") + same.join(QStringLiteral(" AND ")) + u')';
    m_st = m_conn.prepared(sql.toUtf8());
    m_st->reset();
    m_st->clearBindings();
}

bool BulkUpdate::updateIfDiffers(qint64 rowid)
{
    m_st->bindInt64(m_count + 1, rowid);
    stepOnce(m_st);
    const qint64 changed = m_conn.backend().changes();
    m_conn.noteUpdates(changed);
    return changed != 0;
}

BulkUpdate::~BulkUpdate()
{
    // Rows sent ahead and not yet answered stay with the connection: their
    // answers, and a failure among them, come with its next statement or
    // with the commit.
    m_st->reset();
    m_st->clearBindings();
}

void BulkUpdate::setNull(int i)
{
    m_st->bindNull(i + 1);
}

void BulkUpdate::setDouble(int i, double v)
{
    m_st->bindDouble(i + 1, v);
}

void BulkUpdate::setValue(int i, const QVariant& v)
{
    // The common cases bound as the conversion would bind them.
    const ColType t = m_types[size_t(i)];
    if (t == ColType::Double && v.metaType().id() == QMetaType::Double)
        return m_st->bindDouble(i + 1, v.toDouble());
    if (t == ColType::YesNo && v.metaType().id() == QMetaType::Bool)
        return m_st->bindInt64(i + 1, v.toBool() ? 1 : 0);
    bindValue(*m_st, i + 1, convertForColumn(v, m_types[size_t(i)]));
}

void BulkUpdate::update(qint64 rowid, qint64 version)
{
    m_st->bindInt64(m_count + 1, rowid);
    if (m_versioned)
        m_st->bindInt64(m_count + 2, version);
    stepOnce(m_st);
    const qint64 changed = m_conn.backend().changes();
    m_conn.noteUpdates(changed);
    if (changed == 0)
        throwNotWritten(rowid);
}

void BulkUpdate::throwNotWritten(qint64 rowid)
{
    bool exists = false;
    {
        const QByteArray sql = (QStringLiteral("SELECT 1 FROM ") + quoteIdent(m_table)
                                + QStringLiteral(" WHERE rowid = ") + sqlParam(m_conn.backend().engine(), 1))
                                   .toUtf8();
        BulkQuery q(m_conn, sql);
        q.bindInt(1, rowid);
        exists = q.next();
    }
    throw writtenByOther(exists);
}

void BulkUpdate::update(qint64 rowid)
{
    m_st->bindInt64(m_count + 1, rowid);
    if (m_ahead && m_st->send(false, true)) {
        m_conn.noteUpdates(1);
        return;
    }
    stepOnce(m_st);
    const qint64 changed = m_conn.backend().changes();
    m_conn.noteUpdates(changed);
    if (changed == 0)
        throw DbError(err::EngineError, QStringLiteral("Row cannot be located for updating. Some values may have "
                                                       "been changed since it was last read."));
}

} // namespace rv::store
