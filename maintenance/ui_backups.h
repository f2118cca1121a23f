#pragma once
// The Utilities page's database maintenance: the backup list, backup,
// restore and relocation.
#include "ui/ui_context.h"

namespace rv {

// Refills lstFiles with the heading and the backup files, heading selected.
void GListBackups(MainContext& c);

// "Backup Database": copies the default database file to today's backup,
// then works on the default database and refills the list.
void imgBackupClick(MainContext& c);

// "Restore from Backup": copies the chosen backup over the default database
// file after the user agrees, then works on the default database.
void imgRestoreClick(MainContext& c);

// Connects to path again and reloads the catalogue after a restore; a
// database that cannot be used then ends the program, saying so.
void reloadAfterRestore(MainContext& c, const QString& path);

// "Change Database Location": the user picks a database file; the location
// file names it for later starts and the program switches to it at once.
void Image4Click(MainContext& c);

// "Connect to Server...": the user types a PostgreSQL connection URI; it is
// tried, and only when it connects and holds a Rockvane site does the
// location file name it and the program switch to it.
void cmdConnectServerClick(MainContext& c);

} // namespace rv
