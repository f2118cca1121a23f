#include "store/integrity.h"
#include "store/connection.h"
#include "store/sqlerror.h"

#include <sqlite3.h>

namespace rv::store {

QStringList integrityCheck(Connection& conn, int limit)
{
    if (!conn.handle())
        throw detail::objectClosed();
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
