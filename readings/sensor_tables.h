#pragma once
// The reading tables: one per sensor, named by its InstrumentID, an empty
// copy of the template `sensordata`.
#include "state/appstate.h"
#include "common/prompter.h"
#include <QString>

namespace rv {

// True when a user table of exactly that name exists in the database file at
// path (names beginning "MSys" never count). False after any error, which is
// logged as " Module1_TableExists".
bool TableExists(const QString& path, const QString& name, const QString& dataFolder);

// Tells the user that sensor id's reading table is missing and will be made.
void announceMissingTable(Prompter& pr, const QString& id);

// Creates the reading table `id` on the connection; throws on failure.
void createReadingTable(store::Connection& conn, const QString& id);

// Creates the current sensor's reading table, asking before it overwrites an
// existing one. Returns true when a new empty table was made.
bool AddDataTable(AppState& st, Prompter& pr);

// Opens the current sensor's reading table as the readings record set; a
// missing table is announced, created, and opened empty.
void OpenSensorData(AppState& st, Prompter& pr);

// "SELECT * FROM `id` ORDER BY FullDate".
QString readingsSql(const QString& id);

} // namespace rv
