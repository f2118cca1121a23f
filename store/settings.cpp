#include "store/settings.h"

#include "store/cell.h"
#include "store/sqlerror.h"
#include "store/statement.h"

#include <sqlite3.h>

namespace rv::store {

using namespace detail;

namespace {

sqlite3* openHandle(const Connection& conn)
{
    if (!conn.handle())
        throw objectClosed();
    return conn.handle();
}

} // namespace

std::optional<QString> readSetting(Connection& conn, const QString& scope, const QString& name)
{
    sqlite3* h = openHandle(conn);
    if (!conn.hasTable(QStringLiteral("Settings")))
        return std::nullopt;
    StatementUse use(h, conn.prepared("SELECT \"Value\" FROM \"Settings\" WHERE \"Scope\" = ?1 AND \"Name\" = ?2"));
    const QByteArray s = scope.toUtf8(), n = name.toUtf8();
    sqlite3_bind_text(use.get(), 1, s.constData(), int(s.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(use.get(), 2, n.constData(), int(n.size()), SQLITE_TRANSIENT);
    if (!use.step())
        return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(use.get(), 0));
    return text ? QString::fromUtf8(text) : QString();
}

void writeSetting(Connection& conn, const QString& scope, const QString& name, const QString& value)
{
    sqlite3* h = openHandle(conn);
    StatementUse use(h, conn.prepared("INSERT OR REPLACE INTO \"Settings\" (\"Scope\", \"Name\", \"Value\") "
                                      "VALUES (?1, ?2, ?3)"));
    const QByteArray s = scope.toUtf8(), n = name.toUtf8(), v = value.toUtf8();
    sqlite3_bind_text(use.get(), 1, s.constData(), int(s.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(use.get(), 2, n.constData(), int(n.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(use.get(), 3, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    use.step();
}

void deleteScopeSettings(Connection& conn, const QString& scope)
{
    sqlite3* h = openHandle(conn);
    if (scope.isEmpty() || !conn.hasTable(QStringLiteral("Settings")))
        return;
    StatementUse use(h, conn.prepared("DELETE FROM \"Settings\" WHERE \"Scope\" = ?1"));
    const QByteArray s = scope.toUtf8();
    sqlite3_bind_text(use.get(), 1, s.constData(), int(s.size()), SQLITE_TRANSIENT);
    use.step();
}

} // namespace rv::store
