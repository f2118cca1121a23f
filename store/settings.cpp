#include "store/settings.h"
#include "store/statement.h"

#include <sqlite3.h>

namespace rv::store {

namespace {

void bindText(sqlite3* db, sqlite3_stmt* st, int at, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const int rc = sqlite3_bind_text(st, at, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        detail::throwSqlite(db, rc);
}

} // namespace

std::optional<QString> readSetting(Connection& conn, const QString& scope, const QString& name)
{
    // A database made before the table existed simply has no settings.
    if (!conn.hasTable(QStringLiteral("Settings")))
        return std::nullopt;
    detail::StatementUse use(conn.handle(),
                             conn.prepared("SELECT \"Value\" FROM \"Settings\" WHERE \"Scope\" = ?1 AND \"Name\" = ?2"));
    bindText(conn.handle(), use.get(), 1, scope);
    bindText(conn.handle(), use.get(), 2, name);
    if (!use.step())
        return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(use.get(), 0));
    return text ? QString::fromUtf8(text) : QString();
}

void writeSetting(Connection& conn, const QString& scope, const QString& name, const QString& value)
{
    detail::StatementUse use(conn.handle(),
                             conn.prepared("INSERT INTO \"Settings\" (\"Scope\", \"Name\", \"Value\") VALUES (?1, ?2, ?3) "
                                           "ON CONFLICT (\"Scope\", \"Name\") DO UPDATE SET \"Value\" = excluded.\"Value\""));
    bindText(conn.handle(), use.get(), 1, scope);
    bindText(conn.handle(), use.get(), 2, name);
    bindText(conn.handle(), use.get(), 3, value);
    use.step();
}

void deleteScopeSettings(Connection& conn, const QString& scope)
{
    if (scope.isEmpty() || !conn.hasTable(QStringLiteral("Settings")))
        return;
    detail::StatementUse use(conn.handle(), conn.prepared("DELETE FROM \"Settings\" WHERE \"Scope\" = ?1"));
    bindText(conn.handle(), use.get(), 1, scope);
    use.step();
}

} // namespace rv::store
