#include "store/migrate.h"

#include "store/backend.h"
#include "store/bulk.h"
#include "store/connection.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/sqlerror.h"

namespace rv::store {

using namespace detail;

namespace {

bool isReadingShape(const std::vector<ColumnInfo>& cols)
{
    const QStringList& want = readingColumns();
    if (cols.size() != size_t(want.size()))
        return false;
    for (size_t k = 0; k < cols.size(); ++k)
        if (cols[k].name.compare(want[qsizetype(k)], Qt::CaseInsensitive) != 0)
            return false;
    return true;
}

// A table the target lacks, with the source's columns in the target's types.
void createLike(Connection& to, const QString& table, const std::vector<ColumnInfo>& cols)
{
    if (isReadingShape(cols) && to.hasTable(QStringLiteral("sensordata"))) {
        // A reading table is made as the program makes one: from the
        // template, with its key and its date index.
        to.execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null")
                       .arg(QString(table).replace(u'`', QString())));
        return;
    }
    Backend& b = to.backend();
    QStringList parts, key;
    for (const ColumnInfo& c : cols) {
        QString def = quoteIdent(c.name) + u' ' + b.columnType(c.type);
        if (c.notNull)
            def += QStringLiteral(" NOT NULL");
        parts << def;
    }
    for (int order = 1;; ++order) {
        bool found = false;
        for (const ColumnInfo& c : cols)
            if (c.pkOrder == order) {
                key << quoteIdent(c.name);
                found = true;
            }
        if (!found)
            break;
    }
    if (!key.isEmpty())
        parts << QStringLiteral("PRIMARY KEY (%1)").arg(key.join(QStringLiteral(", ")));
    b.exec(QStringLiteral("CREATE TABLE %1 (%2%3)")
               .arg(quoteIdent(table), b.rowKeyDefinition(), parts.join(QStringLiteral(", ")))
               .toUtf8());
}

qint64 copyRows(Connection& from, Connection& to, const QString& table,
                const std::function<void(const QString&, qint64)>& progress)
{
    const TableShape src = tableShape(from, table);
    const TableShape dst = tableShape(to, table);
    QStringList names;
    std::vector<int> at;  // source column of each target column copied
    for (size_t k = 0; k < src.cols.size(); ++k) {
        if (dst.indexOf(src.cols[k].name) < 0)
            continue;
        names << src.cols[k].name;
        at.push_back(int(k));
    }
    if (names.isEmpty())
        return 0;
    QStringList quoted;
    for (const QString& n : names)
        quoted << quoteIdent(src.cols[size_t(src.indexOf(n))].name);
    // In the order the rows were written, so that ties of a sort field keep
    // their order on the target.
    BulkQuery q(from, (QStringLiteral("SELECT ") + quoted.join(QStringLiteral(", ")) + QStringLiteral(" FROM ")
                       + quoteIdent(src.table) + QStringLiteral(" ORDER BY rowid"))
                          .toUtf8());
    BulkInsert ins(to, dst, names);
    TextPool pool;
    qint64 n = 0;
    while (q.next()) {
        for (int c = 0; c < int(at.size()); ++c) {
            const ColType t = src.cols[size_t(at[size_t(c)])].type;
            if (q.isNull(c)) {
                ins.setNull(c);
                continue;
            }
            pool.clear();
            const Cell cell = q.cell(c, t, pool);
            switch (cell.tag) {
            case Tag::Null: ins.setNull(c); break;
            case Tag::Double: ins.setDouble(c, cell.d); break;
            case Tag::Long: ins.setInt(c, cell.i); break;
            case Tag::Bool: ins.setValue(c, cell.i != 0); break;
            default: ins.setValue(c, cellValue(cell, pool)); break;
            }
        }
        ins.insert();
        if (++n % 10000 == 0 && progress)
            progress(table, n);
    }
    if (progress)
        progress(table, n);
    return n;
}

// A read-only transaction on the source for the length of the copy; on a
// server at repeatable read, so that every statement sees the same snapshot.
class SourceSnapshot {
public:
    explicit SourceSnapshot(Connection& c) : m_b(c.backend())
    {
        if (m_b.inTransaction())
            return;
        m_b.exec(m_b.engine() == Engine::Postgres ? "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY" : "BEGIN");
        m_own = true;
    }
    ~SourceSnapshot()
    {
        if (m_own)
            m_b.tryExec("ROLLBACK");
    }
    SourceSnapshot(const SourceSnapshot&) = delete;
    SourceSnapshot& operator=(const SourceSnapshot&) = delete;

private:
    Backend& m_b;
    bool m_own = false;
};

} // namespace

MigrateResult migrateSite(Connection& from, Connection& to, bool replace,
                          const std::function<void(const QString&, qint64)>& progress)
{
    const QStringList missing = missingFixedTables(from);
    if (!missing.isEmpty())
        throw DbError(err::CannotOpen, QStringLiteral("'%1' is not a Rockvane database: it has no table %2.")
                                           .arg(redactedLocation(from.path()), missing.join(QStringLiteral(", "))));
    if (to.hasTable(QStringLiteral("Sensors")) && !replace
        && countRows(to, QStringLiteral("SELECT * FROM Sensors")) > 0)
        throw DbError(err::TableExists,
                      QStringLiteral("'%1' already holds sensors; it is replaced only when asked (--replace).")
                          .arg(redactedLocation(to.path())));
    MigrateResult r;
    // The source is read as one snapshot, so that a site in use on a server
    // is copied as it stood at one moment, every table consistent with the
    // others.
    SourceSnapshot snapshot(from);
    Connection::Transaction t(to);
    // A database without the site's tables gets them first (in the same
    // transaction); an older site is brought up to this version.
    if (to.tableNames().isEmpty())
        createSiteTables(to);
    upgradeSchema(to);
    const QStringList sourceTables = from.tableNames();
    for (const QString& table : to.tableNames()) {
        if (sourceTables.contains(table, Qt::CaseInsensitive))
            to.execute(QStringLiteral("DELETE * FROM `%1`").arg(table));
        else if (isReadingShape(to.backend().tableColumns(table)))
            to.execute(QStringLiteral("DROP TABLE `%1`").arg(table));  // a sensor the source does not have
    }
    for (const QString& table : sourceTables) {
        if (!to.hasTable(table) && !to.backend().storedTableName(table))
            createLike(to, table, from.backend().tableColumns(table));
        r.rows += copyRows(from, to, table, progress);
        ++r.tables;
    }
    // The source's kept row counts describe the source file, not this one.
    if (to.hasTable(QStringLiteral("Settings")))
        to.backend().exec("DELETE FROM \"Settings\" WHERE \"Name\" = 'RowCount'");
    // A server numbers the change log itself: it goes on after the rows copied.
    if (to.backend().engine() == Engine::Postgres && to.hasTable(QStringLiteral("AuditLog")))
        to.backend().exec("SELECT setval(pg_get_serial_sequence('\"AuditLog\"', 'AuditID'), "
                          "COALESCE((SELECT max(\"AuditID\") FROM \"AuditLog\"), 0) + 1, false)");
    t.commit();
    return r;
}

} // namespace rv::store
