#pragma once
// The check of a database's structure: SQLite's own for a file; on a server,
// that every table can be read.
#include <QStringList>

namespace rv::store {

class Connection;

// The lines of "PRAGMA integrity_check": {"ok"} for a sound file, else what
// the engine found wrong (at most `limit` lines). Throws DbError when the
// check itself cannot run.
QStringList integrityCheck(Connection& conn, int limit = 100);

} // namespace rv::store
