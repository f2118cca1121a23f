#pragma once
// The health of a database file for a scheduled check: the engine's
// integrity check, the fixed tables, and the catalogue, the reading tables
// and the network rows naming the same sensors.
#include <QString>
#include <QStringList>

namespace rv::store {
class Connection;
}

namespace rv {

// What is wrong with the database on conn, one line each; empty when
// nothing is. Never throws: a check that cannot run is itself a problem.
QStringList databaseProblems(store::Connection& conn);

// The fixed tables of the current schema, the reading template included.
const QStringList& fixedTableNames();

} // namespace rv
