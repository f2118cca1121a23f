#include "store/tableinfo.h"

#include "store/sqlerror.h"

#include <QStringList>
#include <algorithm>
#include <sqlite3.h>

namespace rv::store::detail {

namespace {

// A statement that is finalized however the scope is left.
class Query {
public:
    Query(sqlite3* db, const QString& sql) : m_db(db)
    {
        const QByteArray utf8 = sql.toUtf8();
        const int rc = sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &m_st, nullptr);
        if (rc != SQLITE_OK)
            throwSqlite(db, rc);
    }
    ~Query() { sqlite3_finalize(m_st); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    bool next()
    {
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throwSqlite(m_db, rc);
        return false;
    }
    QString text(int col) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_st, col));
        return QString::fromUtf8(p, sqlite3_column_bytes(m_st, col));
    }
    int integer(int col) const { return sqlite3_column_int(m_st, col); }
    bool isNull(int col) const { return sqlite3_column_type(m_st, col) == SQLITE_NULL; }
    sqlite3_stmt* handle() const { return m_st; }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_st = nullptr;
};

// The value a DEFAULT clause gives, for a new row shown before it is written.
QVariant defaultOf(const QString& sql, ColType type)
{
    QString s = sql.trimmed();
    while (s.startsWith(u'(') && s.endsWith(u')'))
        s = s.mid(1, s.size() - 2).trimmed();
    if (s.isEmpty() || s.compare(u"NULL", Qt::CaseInsensitive) == 0)
        return QVariant();
    if (s.size() >= 2 && s.startsWith(u'\'') && s.endsWith(u'\''))
        s = s.mid(1, s.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    else if (type == ColType::YesNo && (s == u"0" || s == u"1"))
        return s == u"1";
    try {
        return convertForColumn(s, type);
    } catch (...) {
        return QVariant();
    }
}

} // namespace

QString quoteIdent(const QString& name)
{
    QString n = name;
    n.replace(u'"', QStringLiteral("\"\""));
    return u'"' + n + u'"';
}

QString quoteLiteral(const QString& text)
{
    QString t = text;
    t.replace(u'\'', QStringLiteral("''"));
    return u'\'' + t + u'\'';
}

std::optional<QString> storedTableName(sqlite3* db, const QString& name)
{
    // The schema's own table of names finds it by hash, as a statement
    // would; sqlite_master has no index and a site has hundreds of tables
    // and indexes to compare.
    if (!name.isEmpty() && !name.contains(QChar(0)) && !name.startsWith(u"sqlite_", Qt::CaseInsensitive)) {
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = "PRAGMA main.table_list(" + quoteIdent(name).toUtf8() + ')';
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr) == SQLITE_OK) {
            std::optional<QString> found;
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
                if (type && qstrcmp(type, "table") == 0)
                    found = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                                              sqlite3_column_bytes(st, 1));
            }
            sqlite3_finalize(st);
            if (rc == SQLITE_DONE)
                return found;
        }
    }
    Query q(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"));
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(q.handle(), 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    if (q.next())
        return q.text(0);
    return std::nullopt;
}

std::vector<ColumnInfo> tableColumns(sqlite3* db, const QString& table)
{
    std::vector<ColumnInfo> cols;
    // table_info: cid, name, type, notnull, dflt_value, pk
    Query q(db, QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdent(table)));
    while (q.next()) {
        ColumnInfo c;
        c.name = q.text(1);
        c.declared = q.text(2);
        c.type = fromDeclared(c.declared);
        c.notNull = q.integer(3) != 0;
        if (!q.isNull(4)) {
            c.defaultSql = q.text(4);
            c.defaultValue = defaultOf(c.defaultSql, c.type);
        }
        c.pkOrder = q.integer(5);
        cols.push_back(std::move(c));
    }
    return cols;
}

QString createTableLike(sqlite3* db, const QString& src, const QString& dst)
{
    const std::vector<ColumnInfo> cols = tableColumns(db, src);
    QStringList parts;
    for (const ColumnInfo& c : cols) {
        QString def = quoteIdent(c.name) + u' ' + c.declared;
        if (c.notNull)
            def += QStringLiteral(" NOT NULL");
        if (!c.defaultSql.isEmpty())
            def += QStringLiteral(" DEFAULT ") + c.defaultSql;
        parts << def;
    }
    // Unique keys, whether declared in the table or as unique indexes.
    bool pkSeen = false;
    Query idx(db, QStringLiteral("PRAGMA index_list(%1)").arg(quoteIdent(src)));
    while (idx.next()) {
        if (idx.integer(2) == 0)
            continue;
        const bool partial = idx.integer(4) != 0;
        if (partial)
            continue;
        QStringList keyCols;
        Query info(db, QStringLiteral("PRAGMA index_info(%1)").arg(quoteIdent(idx.text(1))));
        while (info.next())
            keyCols << quoteIdent(info.text(2));
        if (!keyCols.isEmpty()) {
            const bool pk = idx.text(3) == u"pk";
            pkSeen = pkSeen || pk;
            const QString kind = pk ? QStringLiteral("PRIMARY KEY") : QStringLiteral("UNIQUE");
            parts << kind + u'(' + keyCols.join(QStringLiteral(", ")) + u')';
        }
    }
    // An INTEGER PRIMARY KEY has no index of its own.
    if (!pkSeen) {
        QStringList pkCols;
        for (int order = 1;; ++order) {
            const auto it = std::find_if(cols.begin(), cols.end(),
                                         [order](const ColumnInfo& c) { return c.pkOrder == order; });
            if (it == cols.end())
                break;
            pkCols << quoteIdent(it->name);
        }
        if (!pkCols.isEmpty())
            parts << QStringLiteral("PRIMARY KEY(") + pkCols.join(QStringLiteral(", ")) + u')';
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteIdent(dst), parts.join(QStringLiteral(", ")));
}

} // namespace rv::store::detail
