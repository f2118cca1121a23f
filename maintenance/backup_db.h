#pragma once
// The backup and restore copies with their messages and log lines.
#include "common/prompter.h"
#include "maintenance/backups.h"
#include <QDate>
#include <QString>

namespace rv {

// Copies folder + name into the backup folder of dataFolder as the dated
// backup of today (replacing today's earlier one). Shows "Backup was
// successful", or "Error encountered during backup process of " + name and
// logs " GBackupDB". folder ends with "/". True on success.
bool GBackupDB(const QString& folder, const QString& name, Prompter& pr, const QString& dataFolder,
               const QDate& day = QDate::currentDate());

// Copies the backup folder's file backupName over folder + name. Shows
// "Restore was successful", or "Error encountered during restore process"
// and logs " G_CompactDB" (the label the log readers know this failure by).
// True on success.
bool GRestoreDB(const QString& folder, const QString& name, const QString& backupName, Prompter& pr,
                const QString& dataFolder);

// Why a file is not a Rockvane database, as a line for the user; empty for
// a good one.
QString checkText(DatabaseCheck check);

} // namespace rv
