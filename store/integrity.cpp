#include "store/integrity.h"
#include "store/backend.h"
#include "store/connection.h"
#include "store/sqlerror.h"
#include "store/tableinfo.h"

#include <sqlite3.h>

namespace rv::store {

namespace {

// A server keeps its own files sound; what can be checked from here is that
// every table of the site can be read.
QStringList serverCheck(Connection& conn, int limit)
{
    QStringList lines;
    for (const QString& t : conn.tableNames()) {
        try {
            const auto st = conn.backend().prepare(
                (QStringLiteral("SELECT 1 FROM ") + detail::quoteIdent(t) + QStringLiteral(" LIMIT 1")).toUtf8(), false);
            st->step();
        } catch (const DbError& e) {
            lines << QStringLiteral("table %1: %2").arg(t, e.description());
            if (lines.size() >= limit)
                break;
        }
    }
    if (lines.isEmpty())
        lines << QStringLiteral("ok");
    return lines;
}

} // namespace

QStringList integrityCheck(Connection& conn, int limit)
{
    if (!conn.state())
        throw detail::objectClosed();
    if (conn.isServer())
        return serverCheck(conn, limit > 0 ? limit : 1);
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = "PRAGMA integrity_check(" + QByteArray::number(limit > 0 ? limit : 1) + ")";
    int rc = sqlite3_prepare_v2(conn.handle(), sql.constData(), -1, &st, nullptr);
    QStringList lines;
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    const QString why = QString::fromUtf8(sqlite3_errmsg(conn.handle()));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw DbError(err::EngineError, QStringLiteral("The integrity check could not run: ") + why);
    return lines;
}

} // namespace rv::store
