#pragma once
// The tables every Rockvane database holds, and the first-start installer.
#include <QString>
#include <QStringList>
#include <functional>

namespace rv::store {

class Connection;

// Version kept in SQLite's user_version, so later releases can migrate a
// user's file step by step.
//  1: the five fixed tables and the template.
//  2: `TriggerLevels`, `Settings`, and an index on `FullDate` of every
//     reading table.
//  3: `AuditLog`, the change log, with an index on (InstrumentID, AuditID).
constexpr int kSchemaVersion = 3;

// The version the open database says it has (0 for a file that never set it).
int schemaVersion(const Connection& conn);

// Brings an older Rockvane database up to kSchemaVersion, one step at a
// time, each step one transaction; a database at the current version (or a
// newer one) is left alone. Every way of opening a database runs it. The
// reading tables' indexes are made one table at a time, reported through
// progress(done, total) when given; progress returning false is ignored
// (an upgrade half done is never left behind: the step rolls back only on
// an engine error). Throws DbError when the file cannot be written.
using UpgradeProgress = std::function<void(qint64 done, qint64 total)>;
void upgradeSchema(Connection& conn, const UpgradeProgress& progress = {});

// The name of the index on `FullDate` of a reading table.
QString readingDateIndexName(const QString& table);

// The 41 columns of the template `sensordata` and every reading table, in
// order (positions 0-3 key, date, time, temperature; Disp1 at 35).
const QStringList& readingColumns();

// Creates a new database file at path with the five fixed tables, the
// template, the four TENDON sensor types and one Prefs row. The file
// appears under path only complete (it is built under a work name and
// renamed). Throws DbError, with the system's reason, when the file exists
// already or cannot be written; nothing is left behind then.
void createDefaultDatabase(const QString& path);

// Creates the tables and first rows of a new site, as createDefaultDatabase
// does for a file, in the open database (an empty one on a server). One
// transaction: a failure leaves the database as it was.
void createSiteTables(Connection& conn);

// The fixed tables every Rockvane database holds that the file lacks
// (names compared without regard to case); empty for a usable file.
QStringList missingFixedTables(const Connection& conn);

// The ending of the work files createDefaultDatabase builds in.
inline const QString kNewDatabaseSuffix = QStringLiteral(".new");

// Removes the work files that a createDefaultDatabase(path) killed before it
// finished has left. Only for a caller that knows no other copy of the
// program is creating the database at the same time.
void removeUnfinishedDatabases(const QString& path);

} // namespace rv::store
