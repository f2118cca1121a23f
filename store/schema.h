#pragma once
// The tables every Rockvane database holds, and the first-start installer.
#include <QString>
#include <QStringList>

namespace rv::store {

// Version kept in SQLite's user_version, so later releases can migrate a
// user's file step by step.
constexpr int kSchemaVersion = 1;

// The 41 columns of the template `sensordata` and every reading table, in
// order (positions 0-3 key, date, time, temperature; Disp1 at 35).
const QStringList& readingColumns();

// Creates a new database file at path with the five fixed tables, the
// template, the four TENDON sensor types and one Prefs row. Throws DbError
// when the file exists already or cannot be written.
void createDefaultDatabase(const QString& path);

} // namespace rv::store
