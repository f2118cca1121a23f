#pragma once
// Backup and restore while the site is on a database server: the backup is
// a Rockvane database file holding one snapshot of the site, and a restore
// puts such a file's site in place of the server's in one transaction.
#include "ui/ui_context.h"

namespace rv {

// "Backup Database" on a server: the site, as it stands at one moment, into
// the dated backup file; says how it went and refills the list.
void backupServerSiteClick(MainContext& c);

// "Restore from Backup" on a server, for the backup file chosen in the list
// (name): asks twice, replaces the server's site in one transaction, says how
// it went and reloads the window from the server.
void restoreServerSiteClick(MainContext& c, const QString& name);

} // namespace rv
