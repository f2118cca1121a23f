#pragma once
// The tables every Rockvane database holds, and the first-start installer.
#include <QString>
#include <QStringList>

namespace rv::store {

class Connection;

// Version kept in SQLite's user_version, so later releases can migrate a
// user's file step by step.
constexpr int kSchemaVersion = 1;

// The 41 columns of the template `sensordata` and every reading table, in
// order (positions 0-3 key, date, time, temperature; Disp1 at 35).
const QStringList& readingColumns();

// Creates a new database file at path with the five fixed tables, the
// template, the four TENDON sensor types and one Prefs row. The file
// appears under path only complete (it is built under a work name and
// renamed). Throws DbError, with the system's reason, when the file exists
// already or cannot be written; nothing is left behind then.
void createDefaultDatabase(const QString& path);

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
