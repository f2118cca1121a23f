#pragma once
// The backup and restore copies with their messages and log lines.
#include "common/prompter.h"
#include "maintenance/backups.h"
#include <QDate>
#include <QString>

namespace rv {

// Copies folder + name into the backup folder beside it as the dated backup
// of today (replacing today's earlier one); the database stays in use while
// it is copied. Shows "Backup was successful", or "Error encountered during
// backup process of " + name (with a line saying so when another program
// held the database) and logs " GBackupDB". folder ends with "/". True on
// success. dataFolder is where the log is.
bool GBackupDB(const QString& folder, const QString& name, Prompter& pr, const QString& dataFolder,
               const QDate& day = QDate::currentDate());

// Puts the file backupName of the backup folder beside folder + name in
// place of that database's contents (restoreDatabase: under the database's
// write lock, checked before and after). The database must not be in use by
// this program's own connection meanwhile. Shows "Restore was successful",
// or "Error encountered during restore process" (with a line saying so when
// another program held the database) and logs " G_CompactDB" (the label the
// log readers know this failure by). True on success.
bool GRestoreDB(const QString& folder, const QString& name, const QString& backupName, Prompter& pr,
                const QString& dataFolder);

// Whether a restore over folder + name may start: false (with the restore's
// failure message, saying that another program holds the database, and its
// log line) while another program holds or is writing to it. Nothing is
// changed either way.
bool restoreMayStart(const QString& folder, const QString& name, Prompter& pr, const QString& dataFolder);

// Why a file is not a Rockvane database, as a line for the user; empty for
// a good one.
QString checkText(DatabaseCheck check);

} // namespace rv
