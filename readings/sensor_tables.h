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

// What a look into the database file found about one table. A file that
// could not be read (another program holds its lock, say) is neither: it
// must never lead to a table being made or dropped.
enum class TableLookup { Present, Absent, Unknown };

// TableExists with the failure kept apart from "absent": Unknown after any
// error (logged as " Module1_TableExists"), with why set to a line for the
// user.
TableLookup lookupTable(const QString& path, const QString& name, const QString& dataFolder,
                        QString* why = nullptr);

// The same for the database the application has open. On a server the
// question goes through the open connection: a new one would cost the
// server a process and the user a noticeable wait at every page entry.
TableLookup lookupTable(AppState& st, const QString& name, QString* why = nullptr);

// The line told when the database could not be read: for a lock, that
// another program is using it and to try again; otherwise the engine's words.
QString unreadableDatabaseText(int number, const QString& description);

// Tells the user that sensor id's reading table could not be looked at now
// (why from lookupTable), and that nothing was changed.
void announceUnreadableTable(Prompter& pr, const QString& id, const QString& why);

// Tells the user that sensor id's reading table is missing and will be made.
void announceMissingTable(Prompter& pr, const QString& id);

// Creates the reading table `id` on the connection; throws on failure.
void createReadingTable(store::Connection& conn, const QString& id);

// Creates the current sensor's reading table, asking before it overwrites an
// existing one (No is the default answer). Returns true when a new empty
// table was made; a file that cannot be read is told and changes nothing.
bool AddDataTable(AppState& st, Prompter& pr);

// Opens the current sensor's reading table as the readings record set; a
// missing table is announced, created, and opened empty. When the file
// cannot be read the user is told, the set is left closed and nothing is
// made.
void OpenSensorData(AppState& st, Prompter& pr);

// "SELECT * FROM `id` ORDER BY FullDate".
QString readingsSql(const QString& id);

} // namespace rv
