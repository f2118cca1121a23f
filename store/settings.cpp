#include "store/settings.h"
#include "store/statement.h"

namespace rv::store {

std::optional<QString> readSetting(Connection& conn, const QString& scope, const QString& name)
{
    // A database made before the table existed simply has no settings.
    if (!conn.hasTable(QStringLiteral("Settings")))
        return std::nullopt;
    detail::StatementUse use(conn.prepared("SELECT \"Value\" FROM \"Settings\" WHERE \"Scope\" = ?1 AND \"Name\" = ?2"));
    use->bindText(1, scope.toUtf8());
    use->bindText(2, name.toUtf8());
    if (!use.step())
        return std::nullopt;
    return use->qtext(0);
}

void writeSetting(Connection& conn, const QString& scope, const QString& name, const QString& value)
{
    detail::StatementUse use(conn.prepared("INSERT INTO \"Settings\" (\"Scope\", \"Name\", \"Value\") VALUES (?1, ?2, ?3) "
                                           "ON CONFLICT (\"Scope\", \"Name\") DO UPDATE SET \"Value\" = excluded.\"Value\""));
    use->bindText(1, scope.toUtf8());
    use->bindText(2, name.toUtf8());
    use->bindText(3, value.toUtf8());
    use.step();
}

void deleteScopeSettings(Connection& conn, const QString& scope)
{
    if (scope.isEmpty() || !conn.hasTable(QStringLiteral("Settings")))
        return;
    detail::StatementUse use(conn.prepared("DELETE FROM \"Settings\" WHERE \"Scope\" = ?1"));
    use->bindText(1, scope.toUtf8());
    use.step();
}

} // namespace rv::store
