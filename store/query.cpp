#include "store/query.h"

#include "store/cell.h"
#include "store/criteria.h"
#include "store/dialect.h"
#include "store/sqlerror.h"
#include "store/statement.h"
#include "store/tableinfo.h"

namespace rv::store {

using namespace detail;

namespace {

struct Resolved {
    QString table;
    std::vector<ColumnInfo> cols;
    BoundCriteria where;
    QString orderBy;  // the stored column name, empty when none
    bool descending = false;

    int indexOf(const QString& f) const
    {
        for (size_t i = 0; i < cols.size(); ++i)
            if (cols[i].name.compare(f, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    }
};

Resolved resolve(Connection& conn, const QString& sql)
{
    if (!conn.state())
        throw objectClosed();
    const Statement st = parseStatement(sql);
    if (st.kind != Statement::Select)
        throw syntaxError(sql);
    Backend& h = conn.backend();
    const auto name = h.storedTableName(st.table);
    if (!name)
        throw tableMissing(st.table);
    Resolved r;
    r.table = *name;
    r.cols = h.tableColumns(r.table);
    r.where = bindCriteria(st.where, r.cols, [&r](const QString& f) { return r.indexOf(f); });
    if (!st.orderBy.isEmpty()) {
        const int i = r.indexOf(st.orderBy);
        if (i < 0)
            throw noSuchField(st.orderBy);
        r.orderBy = r.cols[size_t(i)].name;
        r.descending = st.descending;
    }
    return r;
}

} // namespace

qint64 countRows(Connection& conn, const QString& selectSql)
{
    const Resolved r = resolve(conn, selectSql);
    const QByteArray sql =
        (QStringLiteral("SELECT count(*) FROM ") + quoteIdent(r.table) + sqlWhere(r.where, r.cols, 1, conn.backend().engine())).toUtf8();
    StatementUse use(conn.prepared(sql));
    bindWhere(*use.get(), r.where);
    return use.step() ? use->int64(0) : 0;
}

std::vector<Row> selectRows(Connection& conn, const QString& selectSql, const QStringList& fields, int limit)
{
    const Resolved r = resolve(conn, selectSql);
    QStringList select;
    std::vector<ColType> types;
    for (const QString& f : fields) {
        const int i = r.indexOf(f);
        if (i < 0) {
            select << QStringLiteral("NULL");
            types.push_back(ColType::Text);
        } else {
            select << quoteIdent(r.cols[size_t(i)].name);
            types.push_back(r.cols[size_t(i)].type);
        }
    }
    QString sql = QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                  quoteIdent(r.table) + sqlWhere(r.where, r.cols, 1, conn.backend().engine());
    // Both keys in the same direction, so that an index on the sort column
    // (which holds the rowid) gives the rows in order without sorting.
    if (!r.orderBy.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + quoteIdent(r.orderBy) +
               (r.descending ? QStringLiteral(" DESC, rowid DESC") : QStringLiteral(", rowid"));
    else
        sql += QStringLiteral(" ORDER BY rowid");
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    StatementUse use(conn.prepared(sql.toUtf8(), true));
    bindWhere(*use.get(), r.where);
    std::vector<Row> out;
    TextPool pool;
    while (use.step()) {
        Row row;
        row.reserve(fields.size());
        for (int c = 0; c < int(fields.size()); ++c) {
            pool.clear();
            row.push_back(cellValue(readCell(*use.get(), c, types[size_t(c)], pool), pool));
        }
        out.push_back(std::move(row));
    }
    return out;
}

} // namespace rv::store
