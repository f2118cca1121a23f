#include "store/change_watch.h"

#include "store/connection.h"
#include "store/settings.h"
#include "store/sqlerror.h"
#include "store/statement.h"
#include "store/tableinfo.h"

#include <array>

namespace rv::store {

using detail::quoteIdent;

namespace {

QString literal(const QString& text)
{
    QString t = text;
    t.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

struct Trigger {
    QString name;
    QString sql;
};

// The two triggers, named after the table and the note, as the file would
// keep their text.
std::array<Trigger, 2> triggersFor(const QString& table, const QString& scope, const QString& name,
                                   const QStringList& columns)
{
    const QString body = QStringLiteral(" BEGIN DELETE FROM \"Settings\" WHERE \"Scope\" = ") + literal(scope)
        + QStringLiteral(" AND \"Name\" = ") + literal(name) + QStringLiteral("; END");
    QStringList cols;
    for (const QString& c : columns)
        cols << quoteIdent(c);
    const QString edits = table + QStringLiteral("_") + name + QStringLiteral("_Edits");
    const QString deletes = table + QStringLiteral("_") + name + QStringLiteral("_Deletes");
    return {Trigger{edits, QStringLiteral("CREATE TRIGGER ") + quoteIdent(edits) + QStringLiteral(" AFTER UPDATE OF ")
                               + cols.join(QStringLiteral(", ")) + QStringLiteral(" ON ") + quoteIdent(table) + body},
            Trigger{deletes, QStringLiteral("CREATE TRIGGER ") + quoteIdent(deletes) + QStringLiteral(" AFTER DELETE ON ")
                                 + quoteIdent(table) + body}};
}

// The text and table of a trigger in the file; nullopt when there is none.
std::optional<std::pair<QString, QString>> storedTrigger(Connection& conn, const QString& trigger)
{
    detail::StatementUse use(conn.prepared("SELECT sql, tbl_name FROM sqlite_master WHERE type = 'trigger' AND "
                                           "name = ?1"));
    use->bindText(1, trigger.toUtf8());
    if (!use.step())
        return std::nullopt;
    return std::make_pair(use->qtext(0), use->qtext(1));
}

} // namespace

TableExtent tableExtent(Connection& conn, const QString& table)
{
    if (!conn.state())
        throw detail::objectClosed();
    // Two statements: each alone is answered from the smallest index and
    // the table's last page, together they would read every row.
    auto number = [&](const QString& what) {
        const QByteArray sql = (QStringLiteral("SELECT ") + what + QStringLiteral(" FROM ") + quoteIdent(table)).toUtf8();
        detail::StatementUse use(conn.prepared(sql));
        return use.step() ? use->int64(0) : qint64(0);
    };
    return TableExtent{number(QStringLiteral("count(*)")), number(QStringLiteral("max(rowid)"))};
}

namespace {

bool triggersInPlace(Connection& conn, const QString& table, const QString& scope, const QString& name,
                     const QStringList& columns)
{
    for (const Trigger& t : triggersFor(table, scope, name, columns)) {
        const auto stored = storedTrigger(conn, t.name);
        if (!stored || stored->first != t.sql || stored->second != table)
            return false;
    }
    return true;
}

// The note's stored form: "<rows> <highest rowid> <text>".
QString noteValue(const TableExtent& e, const QString& text)
{
    return QString::number(e.rows) + u' ' + QString::number(e.maxRowid) + u' ' + text;
}

} // namespace

void writeWatchedNote(Connection& conn, const QString& table, const QString& scope, const QString& name,
                      const QStringList& columns, const QString& text)
{
    detail::Backend& db = conn.backend();
    detail::Savepoint sp(db);
    for (const Trigger& t : triggersFor(table, scope, name, columns)) {
        const auto stored = storedTrigger(conn, t.name);
        if (stored && stored->first == t.sql && stored->second == table)
            continue;
        if (stored)
            db.exec((QStringLiteral("DROP TRIGGER ") + quoteIdent(t.name)).toUtf8());
        db.exec(t.sql.toUtf8());
    }
    writeSetting(conn, scope, name, noteValue(tableExtent(conn, table), text));
    sp.release();
}

std::optional<QString> readWatchedNote(Connection& conn, const QString& table, const QString& scope,
                                       const QString& name, const QStringList& columns)
{
    const auto value = readSetting(conn, scope, name);
    if (!value)
        return std::nullopt;
    const qsizetype a = value->indexOf(u' ');
    const qsizetype b = a < 0 ? -1 : value->indexOf(u' ', a + 1);
    if (b < 0)
        return std::nullopt;
    bool ok1 = false, ok2 = false;
    const TableExtent noted{value->left(a).toLongLong(&ok1), value->mid(a + 1, b - a - 1).toLongLong(&ok2)};
    if (!ok1 || !ok2 || !triggersInPlace(conn, table, scope, name, columns) || !(tableExtent(conn, table) == noted))
        return std::nullopt;
    return value->mid(b + 1);
}

} // namespace rv::store
