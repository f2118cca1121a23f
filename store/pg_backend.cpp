// The PostgreSQL back end.
#include "store/backend.h"

#include "store/dberror.h"

namespace rv::store::detail {

namespace {
[[noreturn]] void unavailable()
{
    throw DbError(err::EngineError, QStringLiteral("This build has no PostgreSQL back end."));
}
} // namespace

bool pgStep(PgStatement*) { unavailable(); }
void pgReset(PgStatement*) {}
void pgClearBindings(PgStatement*) {}
void pgBindNull(PgStatement*, int) {}
void pgBindInt64(PgStatement*, int, qint64) {}
void pgBindDouble(PgStatement*, int, double) {}
void pgBindText(PgStatement*, int, const char*, qsizetype) {}
int pgParamIndex(const PgStatement*, const char*) { return 0; }
int pgColumnCount(const PgStatement*) { return 0; }
int pgColumnType(const PgStatement*, int) { return kNull; }
qint64 pgColumnInt64(const PgStatement*, int) { return 0; }
double pgColumnDouble(const PgStatement*, int) { return 0; }
const char* pgColumnText(const PgStatement*, int) { return nullptr; }
int pgColumnBytes(const PgStatement*, int) { return 0; }
void pgFinalize(PgStatement*) {}

} // namespace rv::store::detail
