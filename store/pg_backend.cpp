// The PostgreSQL back end: a site's database on a server, reached through
// libpq. Values travel as text both ways; each parameter is written in the
// form the server expects for the type it inferred when the statement was
// prepared, and each column is read by the type the server reports, so
// that the store above sees the same storage classes as on SQLite.
#include "store/backend.h"
#include "store/connection.h"

#include "store/coltype.h"
#include "store/sqlerror.h"

#include <QRegularExpression>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <libpq-fe.h>
#include <map>
#include <string>

namespace rv::store::detail {

namespace {

// Type numbers from the server's catalogue (pg_type), fixed since forever.
constexpr Oid kBoolOid = 16;
constexpr Oid kByteaOid = 17;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kOidOid = 26;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kNumericOid = 1700;

// Rows read per FETCH of a cursor: the client never holds more than this
// of a result at once.
constexpr int kFetchRows = 2000;

// The one-row table that holds the schema version (SQLite keeps it in the
// file's header); the engine's own, never listed among the site's tables.
constexpr const char* kVersionTable = "rv_schema_version";

bool isIntegerType(Oid t)
{
    return t == kInt8Oid || t == kInt4Oid || t == kInt2Oid || t == kOidOid;
}

int kindOf(Oid t)
{
    if (t == kBoolOid || isIntegerType(t))
        return kInteger;
    if (t == kFloat8Oid || t == kFloat4Oid || t == kNumericOid)
        return kFloat;
    if (t == kByteaOid)
        return kBlob;
    return kText;
}

QString message(PGconn* c, const PGresult* r)
{
    const char* m = r ? PQresultErrorMessage(r) : nullptr;
    if (!m || !*m)
        m = PQerrorMessage(c);
    return QString::fromUtf8(m).trimmed();
}

// The server's error as the store's, by its SQLSTATE.
DbError errorOf(PGconn* c, const PGresult* r)
{
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const QByteArray s = state ? QByteArray(state) : QByteArray();
    const QString msg = message(c, r);
    if (s == "23505")
        return DbError(err::DuplicateKey,
                       QStringLiteral("The changes you requested to the table were not successful because "
                                      "they would create duplicate values in the index, primary key, or "
                                      "relationship."));
    if (s == "23502")
        return DbError(kNullKey, QStringLiteral("Index or primary key cannot contain a Null value."));
    if (s == "25006" || s == "42501")
        return DbError(kReadOnly, QStringLiteral("Cannot update. Database or object is read-only."));
    if (s == "55P03" || s == "40P01" || s == "40001")
        return DbError(kLocked, QStringLiteral("Could not update; currently locked."));
    if (s == "42P01") {
        const char* t = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        static const QRegularExpression re(QStringLiteral("relation \"(.*)\" does not exist"));
        const auto m = re.match(QString::fromUtf8(t ? t : ""));
        return tableMissing(m.hasMatch() ? m.captured(1) : msg);
    }
    if (PQstatus(c) != CONNECTION_OK)
        return DbError(err::EngineError, QStringLiteral("The connection to the database server was lost: %1.").arg(msg));
    return DbError(err::EngineError, QStringLiteral("The database engine reported an error: %1.").arg(msg));
}

// The store's SQL uses SQLite's parameters (?NNN, ?, :name); the server
// numbers them $1, $2... A named parameter takes the number after the
// largest one seen so far, as SQLite numbers it, and keeps it wherever it
// appears again.
QByteArray translateParams(const QByteArray& sql, std::map<std::string, int>& names)
{
    QByteArray out;
    out.reserve(sql.size() + 16);
    int maxParam = 0;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char ch = sql[i];
        if (ch == '\'' || ch == '"') {
            // A literal or a quoted name: copied as it is, doubled quotes and all.
            qsizetype j = i + 1;
            while (j < n) {
                if (sql[j] == ch) {
                    if (j + 1 < n && sql[j + 1] == ch) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out.append(sql.constData() + i, std::min(j, n - 1) - i + 1);
            i = j;
            continue;
        }
        if (ch == '$' && i + 1 < n && sql[i + 1] >= '0' && sql[i + 1] <= '9') {
            // Already in the server's form (a condition written for it): the
            // number counts, so that a named parameter after it comes next.
            qsizetype j = i + 1;
            int num = 0;
            while (j < n && sql[j] >= '0' && sql[j] <= '9')
                num = num * 10 + (sql[j++] - '0');
            maxParam = std::max(maxParam, num);
            out.append(sql.constData() + i, j - i);
            i = j - 1;
            continue;
        }
        if (ch == '?') {
            qsizetype j = i + 1;
            int num = 0;
            while (j < n && sql[j] >= '0' && sql[j] <= '9')
                num = num * 10 + (sql[j++] - '0');
            if (j == i + 1)
                num = maxParam + 1;
            maxParam = std::max(maxParam, num);
            out += '$' + QByteArray::number(num);
            i = j - 1;
            continue;
        }
        if (ch == ':' && i + 1 < n && (std::isalpha(static_cast<unsigned char>(sql[i + 1])) || sql[i + 1] == '_')
            && (i == 0 || sql[i - 1] != ':')) {
            qsizetype j = i + 1;
            while (j < n && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '_'))
                ++j;
            const std::string name(sql.constData() + i, size_t(j - i));
            auto it = names.find(name);
            if (it == names.end())
                it = names.emplace(name, ++maxParam).first;
            out += '$' + QByteArray::number(it->second);
            i = j - 1;
            continue;
        }
        out += ch;
    }
    return out;
}

bool startsWithWord(const QByteArray& sql, const char* word)
{
    const QByteArray t = sql.trimmed();
    const qsizetype w = qsizetype(std::strlen(word));
    return t.size() >= w && qstrnicmp(t.constData(), word, w) == 0;
}

QString pgTypeName(ColType t)
{
    switch (t) {
    case ColType::Text: return QStringLiteral("text");
    case ColType::Double: return QStringLiteral("double precision");
    case ColType::Long: return QStringLiteral("bigint");
    case ColType::YesNo: return QStringLiteral("boolean");
    case ColType::Date: return QStringLiteral("date");
    case ColType::Time: return QStringLiteral("time without time zone");
    case ColType::DateTime: return QStringLiteral("timestamp without time zone");
    }
    return QStringLiteral("text");
}

ColType fromPgType(const QString& t)
{
    if (t == u"double precision" || t == u"real" || t.startsWith(u"numeric"))
        return ColType::Double;
    if (t == u"bigint" || t == u"integer" || t == u"smallint")
        return ColType::Long;
    if (t == u"boolean")
        return ColType::YesNo;
    if (t == u"date")
        return ColType::Date;
    if (t.startsWith(u"time without") || t == u"time")
        return ColType::Time;
    if (t.startsWith(u"timestamp"))
        return ColType::DateTime;
    return ColType::Text;
}

// The value a column default gives, for a new row shown before it is
// written: the server writes a default as an expression ('x'::text, false).
QVariant defaultValueOf(QString s, ColType type)
{
    s = s.trimmed();
    if (s.isEmpty() || s.compare(u"NULL", Qt::CaseInsensitive) == 0)
        return QVariant();
    if (const qsizetype cast = s.lastIndexOf(QStringLiteral("::")); cast > 0 && !s.mid(cast).contains(u'\''))
        s = s.left(cast);
    while (s.startsWith(u'(') && s.endsWith(u')'))
        s = s.mid(1, s.size() - 2).trimmed();
    if (s.size() >= 2 && s.startsWith(u'\'') && s.endsWith(u'\''))
        s = s.mid(1, s.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    if (type == ColType::YesNo && (s == u"true" || s == u"false"))
        return s == u"true";
    try {
        return convertForColumn(s, type);
    } catch (...) {
        return QVariant();
    }
}

} // namespace

class PgBackend;

class PgStatement {
public:
    PgBackend* be = nullptr;
    PGconn* conn = nullptr;
    QByteArray name;      // the server's name for the prepared statement
    QByteArray text;      // as sent to the server
    std::map<std::string, int> names;
    std::vector<Oid> types;
    std::vector<QByteArray> values;
    std::vector<char> isNull;
    bool query = false;      // gives rows
    bool useCursor = false;  // read through a cursor, a block at a time
    bool returnsKey = false; // an INSERT with RETURNING rowid added

    PGresult* res = nullptr;
    int row = -1;
    int rows = 0;
    int cols = 0;
    bool started = false;
    bool more = false;       // the cursor may hold further rows
    QByteArray cursor;       // open cursor's name, empty when none
    std::vector<Oid> colTypes;

    ~PgStatement();
    void clearResult()
    {
        if (res)
            PQclear(res);
        res = nullptr;
        row = -1;
        rows = 0;
    }
    void closeCursor();
    void fetch();
    bool step();
};

class PgBackend final : public Backend {
public:
    PgBackend(PGconn* c, const QString& where) : m_conn(c), m_where(where) {}
    ~PgBackend() override { PQfinish(m_conn); }

    Engine engine() const override { return Engine::Postgres; }
    QString location() const override { return m_where; }
    bool isReadOnly() const override { return false; }

    PGconn* conn() const { return m_conn; }

    PGresult* run(const QByteArray& sql)
    {
        PGresult* r = PQexec(m_conn, sql.constData());
        const auto st = PQresultStatus(r);
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
            const DbError e = errorOf(m_conn, r);
            PQclear(r);
            throw e;
        }
        return r;
    }
    void exec(const QByteArray& sql) override
    {
        PGresult* r = run(sql);
        noteChanges(r);
        PQclear(r);
    }
    bool tryExec(const char* sql) noexcept override
    {
        PGresult* r = PQexec(m_conn, sql);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        PQclear(r);
        return ok;
    }

    std::unique_ptr<Stmt> prepare(const QByteArray& sql, bool /*persistent*/) override
    {
        auto p = std::make_unique<PgStatement>();
        p->be = this;
        p->conn = m_conn;
        p->text = translateParams(sql, p->names);
        p->query = startsWithWord(sql, "SELECT") || startsWithWord(sql, "WITH");
        // A single-row INSERT hands back the row key it gave, as SQLite's
        // last_insert_rowid does.
        if (startsWithWord(sql, "INSERT") && !sql.contains(" SELECT ") && !sql.contains("RETURNING")) {
            p->text += " RETURNING rowid";
            p->returnsKey = true;
        }
        // Lookups of one row or a count need no cursor; anything that may
        // read a whole table does.
        p->useCursor = p->query && !sql.contains("WHERE rowid = ") && !sql.contains("WHERE rowid IN (")
            && !sql.contains("count(") && !sql.contains(" LIMIT ");
        p->name = "rv_" + QByteArray::number(++m_statementNo);
        PGresult* r = PQprepare(m_conn, p->name.constData(), p->text.constData(), 0, nullptr);
        if (PQresultStatus(r) != PGRES_COMMAND_OK) {
            const DbError e = errorOf(m_conn, r);
            PQclear(r);
            p->name.clear();
            throw e;
        }
        PQclear(r);
        r = PQdescribePrepared(m_conn, p->name.constData());
        if (PQresultStatus(r) != PGRES_COMMAND_OK) {
            const DbError e = errorOf(m_conn, r);
            PQclear(r);
            throw e;
        }
        const int np = PQnparams(r);
        p->types.resize(size_t(np));
        for (int k = 0; k < np; ++k)
            p->types[size_t(k)] = PQparamtype(r, k);
        PQclear(r);
        p->values.assign(size_t(np), QByteArray());
        p->isNull.assign(size_t(np), 1);
        return std::make_unique<Stmt>(p.release());
    }

    qint64 changes() const override { return m_changes; }
    qint64 totalChanges() const override { return m_total; }
    qint64 lastInsertId() const override { return m_lastId; }

    void noteChanges(const PGresult* r)
    {
        // The server also counts the rows a SELECT returned; only writes
        // count here, or every read would look like a change to the record
        // sets that watch the count.
        const char* tag = PQcmdStatus(const_cast<PGresult*>(r));
        const bool read = PQresultStatus(r) == PGRES_TUPLES_OK && tag && startsWithWord(tag, "SELECT");
        if (read || (tag && (startsWithWord(tag, "FETCH") || startsWithWord(tag, "MOVE"))))
            return;
        const char* n = PQcmdTuples(const_cast<PGresult*>(r));
        if (n && *n) {
            m_changes = std::atoll(n);
            m_total += m_changes;
        }
    }
    void noteInsert(qint64 id) { m_lastId = id; }

    void begin() override { exec("BEGIN"); }
    void commit() override
    {
        PGresult* r = run("COMMIT");
        // The server ends a transaction that failed with ROLLBACK, not an error.
        const bool rolledBack = qstrcmp(PQcmdStatus(r), "ROLLBACK") == 0;
        PQclear(r);
        if (rolledBack)
            throw DbError(err::EngineError, QStringLiteral("The transaction was rolled back by the database engine."));
    }
    void rollback() override { exec("ROLLBACK"); }
    bool inTransaction() const override
    {
        const auto s = PQtransactionStatus(m_conn);
        return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
    }

    QStringList tableNames() override
    {
        QStringList out;
        auto st = prepare(QByteArray("SELECT tablename FROM pg_tables WHERE schemaname = current_schema() "
                                     "AND tablename <> '") + kVersionTable + "' ORDER BY tablename COLLATE \"C\" LIMIT 1000000",
                          false);
        while (st->step())
            out << st->qtext(0);
        return out;
    }
    std::optional<QString> storedTableName(const QString& name) override
    {
        auto st = prepare(QByteArray("SELECT tablename FROM pg_tables WHERE schemaname = current_schema() "
                                     "AND tablename <> '") + kVersionTable + "' AND lower(tablename) = lower(?1) "
                                     "ORDER BY tablename COLLATE \"C\" LIMIT 1",
                          false);
        st->bindText(1, name.toUtf8());
        if (st->step())
            return st->qtext(0);
        return std::nullopt;
    }
    std::vector<ColumnInfo> tableColumns(const QString& table) override
    {
        std::vector<ColumnInfo> cols;
        auto st = prepare(
            "SELECT a.attname, format_type(a.atttypid, a.atttypmod), a.attnotnull, "
            "pg_get_expr(d.adbin, d.adrelid), "
            "COALESCE((SELECT array_position(i.indkey::int2[], a.attnum) FROM pg_index i "
            "WHERE i.indrelid = a.attrelid AND i.indisprimary), 0) "
            "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
            "JOIN pg_namespace n ON n.oid = c.relnamespace AND n.nspname = current_schema() "
            "LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
            "WHERE c.relname = ?1 AND c.relkind = 'r' AND a.attnum > 0 AND NOT a.attisdropped "
            "AND a.attname <> 'rowid' ORDER BY a.attnum LIMIT 100000",
            false);
        st->bindText(1, table.toUtf8());
        while (st->step()) {
            ColumnInfo c;
            c.name = st->qtext(0);
            c.declared = st->qtext(1);
            c.type = fromPgType(c.declared);
            c.notNull = st->int64(2) != 0;
            if (!st->isNull(3)) {
                c.defaultSql = st->qtext(3);
                c.defaultValue = defaultValueOf(c.defaultSql, c.type);
            }
            c.pkOrder = int(st->int64(4));
            cols.push_back(std::move(c));
        }
        return cols;
    }
    QString createTableLike(const QString& src, const QString& dst) override
    {
        QStringList parts;
        for (const ColumnInfo& c : tableColumns(src)) {
            QString def = quoteIdent(c.name) + u' ' + c.declared;
            if (c.notNull)
                def += QStringLiteral(" NOT NULL");
            if (!c.defaultSql.isEmpty())
                def += QStringLiteral(" DEFAULT ") + c.defaultSql;
            parts << def;
        }
        // Primary and unique keys, but not the row key's own.
        auto st = prepare("SELECT pg_get_constraintdef(k.oid) FROM pg_constraint k JOIN pg_class c ON c.oid = k.conrelid "
                          "JOIN pg_namespace n ON n.oid = c.relnamespace AND n.nspname = current_schema() "
                          "WHERE c.relname = ?1 AND k.contype IN ('p', 'u') ORDER BY k.oid LIMIT 1000",
                          false);
        st->bindText(1, src.toUtf8());
        while (st->step()) {
            const QString def = st->qtext(0);
            if (def != u"UNIQUE (rowid)")
                parts << def;
        }
        return QStringLiteral("CREATE TABLE %1 (%2%3)").arg(quoteIdent(dst), rowKeyDefinition(), parts.join(QStringLiteral(", ")));
    }

    int schemaVersion() override
    {
        if (!hasVersionTable())
            return 0;
        PGresult* r = run(QByteArray("SELECT version FROM ") + kVersionTable);
        const int v = PQntuples(r) > 0 ? std::atoi(PQgetvalue(r, 0, 0)) : 0;
        PQclear(r);
        return v;
    }
    void setSchemaVersion(int v) override
    {
        if (!hasVersionTable())
            exec(QByteArray("CREATE TABLE ") + kVersionTable + " (version integer NOT NULL)");
        exec(QByteArray("DELETE FROM ") + kVersionTable);
        exec(QByteArray("INSERT INTO ") + kVersionTable + " VALUES (" + QByteArray::number(v) + ")");
    }

    QString columnType(ColType t) const override { return pgTypeName(t); }
    QString rowKeyDefinition() const override
    {
        return QStringLiteral("rowid bigint GENERATED ALWAYS AS IDENTITY UNIQUE, ");
    }

    QByteArray nextCursorName() { return "rv_c" + QByteArray::number(++m_cursorNo); }

private:
    PGconn* m_conn;
    QString m_where;
    qint64 m_changes = 0;
    qint64 m_total = 0;
    qint64 m_lastId = 0;
    int m_statementNo = 0;
    int m_cursorNo = 0;

    bool hasVersionTable()
    {
        PGresult* r = run(QByteArray("SELECT 1 FROM pg_tables WHERE schemaname = current_schema() AND tablename = '")
                          + kVersionTable + "'");
        const bool has = PQntuples(r) > 0;
        PQclear(r);
        return has;
    }
};

PgStatement::~PgStatement()
{
    closeCursor();
    clearResult();
    if (!name.isEmpty() && PQstatus(conn) == CONNECTION_OK) {
        PGresult* r = PQexec(conn, ("DEALLOCATE " + name).constData());
        PQclear(r);
    }
}

void PgStatement::closeCursor()
{
    if (cursor.isEmpty())
        return;
    // In a transaction that failed the cursor is gone with it; nothing to report.
    PGresult* r = PQexec(conn, ("CLOSE " + cursor).constData());
    PQclear(r);
    cursor.clear();
    more = false;
}

void PgStatement::fetch()
{
    clearResult();
    res = PQexec(conn, ("FETCH FORWARD " + QByteArray::number(kFetchRows) + " FROM " + cursor).constData());
    if (PQresultStatus(res) != PGRES_TUPLES_OK) {
        const DbError e = errorOf(conn, res);
        clearResult();
        cursor.clear();
        throw e;
    }
    rows = PQntuples(res);
    more = rows == kFetchRows;
}

bool PgStatement::step()
{
    if (!started) {
        started = true;
        std::vector<const char*> v(values.size());
        for (size_t k = 0; k < values.size(); ++k)
            v[k] = isNull[k] ? nullptr : values[k].constData();
        if (useCursor) {
            // Held, so that it outlives a commit while the rows are still read.
            cursor = be->nextCursorName();
            const QByteArray declare = "DECLARE " + cursor + " NO SCROLL CURSOR WITH HOLD FOR " + text;
            PGresult* r = PQexecParams(conn, declare.constData(), int(values.size()), types.data(), v.data(),
                                       nullptr, nullptr, 0);
            if (PQresultStatus(r) != PGRES_COMMAND_OK) {
                const DbError e = errorOf(conn, r);
                PQclear(r);
                cursor.clear();
                throw e;
            }
            PQclear(r);
            fetch();
        } else {
            // A failed statement spoils the whole transaction on the server;
            // the store, as SQLite, undoes only the statement and goes on.
            const bool guard = !query && be->inTransaction();
            if (guard)
                be->exec("SAVEPOINT rv_statement");
            res = PQexecPrepared(conn, name.constData(), int(values.size()), v.data(), nullptr, nullptr, 0);
            const auto st = PQresultStatus(res);
            if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
                const DbError e = errorOf(conn, res);
                clearResult();
                if (guard) {
                    be->tryExec("ROLLBACK TO SAVEPOINT rv_statement");
                    be->tryExec("RELEASE SAVEPOINT rv_statement");
                }
                throw e;
            }
            if (guard)
                be->exec("RELEASE SAVEPOINT rv_statement");
            be->noteChanges(res);
            rows = PQntuples(res);
            if (returnsKey) {
                if (rows > 0)
                    be->noteInsert(std::atoll(PQgetvalue(res, 0, 0)));
                rows = 0;
            }
        }
        cols = PQnfields(res);
        colTypes.resize(size_t(cols));
        for (int c = 0; c < cols; ++c)
            colTypes[size_t(c)] = PQftype(res, c);
    }
    if (!res)
        return false;
    if (row + 1 < rows) {
        ++row;
        return true;
    }
    if (more) {
        fetch();
        row = -1;
        if (rows > 0) {
            row = 0;
            return true;
        }
    }
    row = rows;
    return false;
}

bool pgStep(PgStatement* p)
{
    return p->step();
}

void pgReset(PgStatement* p)
{
    p->closeCursor();
    p->clearResult();
    p->started = false;
}

void pgClearBindings(PgStatement* p)
{
    std::fill(p->isNull.begin(), p->isNull.end(), 1);
}

namespace {
QByteArray& slot(PgStatement* p, int param)
{
    if (param < 1 || size_t(param) > p->values.size())
        throw DbError(err::EngineError, QStringLiteral("The database engine reported an error: bind or column index out of range."));
    p->isNull[size_t(param - 1)] = 0;
    return p->values[size_t(param - 1)];
}
} // namespace

void pgBindNull(PgStatement* p, int param)
{
    if (param >= 1 && size_t(param) <= p->isNull.size())
        p->isNull[size_t(param - 1)] = 1;
}

void pgBindInt64(PgStatement* p, int param, qint64 v)
{
    QByteArray& s = slot(p, param);
    if (p->types[size_t(param - 1)] == kBoolOid)
        s = v != 0 ? "t" : "f";
    else
        s.setNum(v);
}

void pgBindDouble(PgStatement* p, int param, double v)
{
    QByteArray& s = slot(p, param);
    const Oid t = p->types[size_t(param - 1)];
    if (t == kBoolOid) {
        s = v != 0.0 ? "t" : "f";
    } else if (std::isnan(v)) {
        s = "NaN";
    } else if (std::isinf(v)) {
        s = v > 0 ? "Infinity" : "-Infinity";
    } else if (isIntegerType(t) && v == std::trunc(v) && std::fabs(v) < 9.2e18) {
        s.setNum(qint64(v));
    } else {
        s.setNum(v, 'g', 17);
    }
}

void pgBindText(PgStatement* p, int param, const char* utf8, qsizetype n)
{
    QByteArray& s = slot(p, param);
    s.resize(n);
    if (n > 0)
        std::memcpy(s.data(), utf8, size_t(n));
}

int pgParamIndex(const PgStatement* p, const char* name)
{
    const auto it = p->names.find(name);
    return it == p->names.end() ? 0 : it->second;
}

int pgColumnCount(const PgStatement* p)
{
    return p->res ? PQnfields(p->res) : 0;
}

int pgColumnType(const PgStatement* p, int col)
{
    if (!p->res || p->row < 0 || p->row >= p->rows || PQgetisnull(p->res, p->row, col))
        return kNull;
    return kindOf(p->colTypes[size_t(col)]);
}

qint64 pgColumnInt64(const PgStatement* p, int col)
{
    if (pgColumnType(p, col) == kNull)
        return 0;
    const char* v = PQgetvalue(p->res, p->row, col);
    if (p->colTypes[size_t(col)] == kBoolOid)
        return v[0] == 't' ? 1 : 0;
    if (kindOf(p->colTypes[size_t(col)]) == kFloat)
        return qint64(std::strtod(v, nullptr));
    return std::strtoll(v, nullptr, 10);
}

double pgColumnDouble(const PgStatement* p, int col)
{
    if (pgColumnType(p, col) == kNull)
        return 0;
    const char* v = PQgetvalue(p->res, p->row, col);
    if (p->colTypes[size_t(col)] == kBoolOid)
        return v[0] == 't' ? 1 : 0;
    return std::strtod(v, nullptr);
}

const char* pgColumnText(const PgStatement* p, int col)
{
    if (pgColumnType(p, col) == kNull)
        return nullptr;
    const char* v = PQgetvalue(p->res, p->row, col);
    // A Yes/No reads as the 1 or 0 SQLite would give.
    if (p->colTypes[size_t(col)] == kBoolOid)
        return v[0] == 't' ? "1" : "0";
    return v;
}

int pgColumnBytes(const PgStatement* p, int col)
{
    if (pgColumnType(p, col) == kNull)
        return 0;
    if (p->colTypes[size_t(col)] == kBoolOid)
        return 1;
    return PQgetlength(p->res, p->row, col);
}

void pgFinalize(PgStatement* p)
{
    delete p;
}

} // namespace rv::store::detail

namespace rv::store {

bool isServerLocation(const QString& location)
{
    const QString t = location.trimmed();
    return t.startsWith(QStringLiteral("postgresql://")) || t.startsWith(QStringLiteral("postgres://"));
}

QString redactedLocation(const QString& location)
{
    // A password written into the text is never shown or logged.
    QString t = location.trimmed();
    static const QRegularExpression uriPass(QStringLiteral("^(postgres(?:ql)?://[^:@/]*):[^@/]*@"));
    t.replace(uriPass, QStringLiteral("\\1@"));
    static const QRegularExpression kwPass(QStringLiteral("password\\s*=\\s*('[^']*'|\\S+)"));
    t.replace(kwPass, QStringLiteral("password=***"));
    return t;
}

QString serverDatabaseName(const QString& location)
{
    if (!isServerLocation(location))
        return QString();
    const QByteArray info = location.trimmed().toUtf8();
    PQconninfoOption* opts = PQconninfoParse(info.constData(), nullptr);
    if (!opts)
        return QString();
    // Options left out take libpq's defaults: the environment's, then the
    // user's name for the database, then the login's for the user.
    PQconninfoOption* all = PQconndefaults();
    auto valueOf = [](PQconninfoOption* list, const char* key) {
        for (PQconninfoOption* o = list; o && o->keyword; ++o)
            if (qstrcmp(o->keyword, key) == 0 && o->val && *o->val)
                return QString::fromUtf8(o->val);
        return QString();
    };
    QString name = valueOf(opts, "dbname");
    if (name.isEmpty())
        name = valueOf(opts, "user");
    if (name.isEmpty())
        name = valueOf(all, "dbname");
    if (name.isEmpty())
        name = valueOf(all, "user");
    PQconninfoFree(opts);
    if (all)
        PQconninfoFree(all);
    return name;
}

} // namespace rv::store

namespace rv::store::detail {

std::unique_ptr<Backend> openPostgres(const QString& location)
{
    const QByteArray info = location.trimmed().toUtf8();
    PGconn* c = PQconnectdb(info.constData());
    if (PQstatus(c) != CONNECTION_OK) {
        const QString why = QString::fromUtf8(PQerrorMessage(c)).trimmed();
        PQfinish(c);
        throw DbError(err::CannotOpen,
                      QStringLiteral("Could not connect to '%1': %2.").arg(redactedLocation(location), why));
    }
    // Dates, times and numbers in the forms the store reads; texts compared
    // and sorted byte by byte, as SQLite does.
    auto b = std::make_unique<PgBackend>(c, redactedLocation(location));
    b->exec("SET client_encoding = 'UTF8'");
    b->exec("SET DateStyle = 'ISO, YMD'");
    b->exec("SET extra_float_digits = 1");
    b->exec("SET client_min_messages = warning");
    return b;
}

} // namespace rv::store::detail
