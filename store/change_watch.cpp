#include "store/change_watch.h"

#include "store/connection.h"
#include "store/settings.h"
#include "store/sqlerror.h"
#include "store/statement.h"
#include "store/tableinfo.h"

#include <array>

namespace rv::store {

using detail::quoteIdent;
const auto literal = detail::quoteLiteral;

namespace {

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

bool onServer(Connection& conn)
{
    return conn.backend().engine() == Engine::Postgres;
}

// A server runs a trigger's work in a function: one for every note, told
// the note's scope and name by the trigger.
constexpr const char* kDropNoteFunction = "rv_drop_note";

// The server's form of a trigger: the same name and columns, run once per
// statement. Its text is kept as the trigger's comment, which is how the
// trigger is recognised again (the server rewrites the text it keeps).
Trigger serverTrigger(const Trigger& t, const QString& table, const QString& scope, const QString& name,
                      const QStringList& columns, bool edits)
{
    QStringList cols;
    for (const QString& c : columns)
        cols << quoteIdent(c);
    const QString when = edits ? QStringLiteral(" AFTER UPDATE OF ") + cols.join(QStringLiteral(", "))
                               : QStringLiteral(" AFTER DELETE");
    return Trigger{t.name, QStringLiteral("CREATE TRIGGER ") + quoteIdent(t.name) + when + QStringLiteral(" ON ")
                               + quoteIdent(table) + QStringLiteral(" FOR EACH STATEMENT EXECUTE FUNCTION ")
                               + QLatin1String(kDropNoteFunction) + u'(' + literal(scope) + QStringLiteral(", ")
                               + literal(name) + u')'};
}

std::array<Trigger, 2> triggersOn(Connection& conn, const QString& table, const QString& scope, const QString& name,
                                  const QStringList& columns)
{
    std::array<Trigger, 2> t = triggersFor(table, scope, name, columns);
    if (onServer(conn)) {
        t[0] = serverTrigger(t[0], table, scope, name, columns, true);
        t[1] = serverTrigger(t[1], table, scope, name, columns, false);
    }
    return t;
}

// The text and table of a trigger in the file; nullopt when there is none.
// On a server, the trigger of that name on the table and its kept text.
std::optional<std::pair<QString, QString>> storedTrigger(Connection& conn, const QString& trigger,
                                                         const QString& table)
{
    if (onServer(conn)) {
        detail::StatementUse use(conn.prepared(
            "SELECT coalesce(obj_description(t.oid, 'pg_trigger'), ''), c.relname FROM pg_trigger t "
            "JOIN pg_class c ON c.oid = t.tgrelid WHERE t.tgname = ?1 AND c.relname = ?2 "
            "AND c.relnamespace = to_regnamespace(current_schema())"));
        use->bindText(1, trigger.toUtf8());
        use->bindText(2, table.toUtf8());
        if (!use.step())
            return std::nullopt;
        return std::make_pair(use->qtext(0), use->qtext(1));
    }
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
    for (const Trigger& t : triggersOn(conn, table, scope, name, columns)) {
        const auto stored = storedTrigger(conn, t.name, table);
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
    const bool server = onServer(conn);
    if (server) {
        // Made once per database, by whoever first keeps a note there.
        detail::StatementUse fn(conn.prepared("SELECT count(*) FROM pg_proc WHERE proname = 'rv_drop_note' "
                                              "AND pronamespace = to_regnamespace(current_schema())"));
        if (fn.step() && fn->int64(0) == 0)
            db.exec(QByteArray("CREATE FUNCTION ") + kDropNoteFunction
                    + "() RETURNS trigger LANGUAGE plpgsql AS $f$ BEGIN DELETE FROM \"Settings\" WHERE "
                      "\"Scope\" = TG_ARGV[0] AND \"Name\" = TG_ARGV[1]; RETURN NULL; END $f$");
    }
    for (const Trigger& t : triggersOn(conn, table, scope, name, columns)) {
        const auto stored = storedTrigger(conn, t.name, table);
        if (stored && stored->first == t.sql && stored->second == table)
            continue;
        if (stored)
            db.exec((QStringLiteral("DROP TRIGGER ") + quoteIdent(t.name)
                     + (server ? QStringLiteral(" ON ") + quoteIdent(table) : QString()))
                        .toUtf8());
        db.exec(t.sql.toUtf8());
        if (server)
            db.exec((QStringLiteral("COMMENT ON TRIGGER ") + quoteIdent(t.name) + QStringLiteral(" ON ")
                     + quoteIdent(table) + QStringLiteral(" IS ") + literal(t.sql))
                        .toUtf8());
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
