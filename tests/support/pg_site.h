#pragma once
// Sites on the throw-away PostgreSQL server the test run starts
// (tools/pgcluster.sh): each test gets a database of its own, made fresh
// and dropped at the end. The server is found through ROCKVANE_PG_HOST (its
// socket folder) and ROCKVANE_PG_USER; without them a server test fails,
// saying so, rather than passing unseen.
#include <QString>

namespace rv::testing {

// Empty when the server can be used, else why not.
QString serverUnavailable();

// A connection URI for database db on the test server.
QString serverUri(const QString& db);

// A new, empty database on the test server; its name. Throws DbError.
QString createServerDatabase();
// The same, holding a new site (the tables and first rows a new database
// file holds).
QString createServerSite();
void dropServerDatabase(const QString& name);

} // namespace rv::testing
