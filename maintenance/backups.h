#pragma once
// The backup folder of the data folder and the files it holds, and the
// copies of database files made for a backup or a restore.
#include <QDate>
#include <QString>
#include <QStringList>

namespace rv {

inline const QString kBackupFolderName = QStringLiteral("TENDONbackup");

// The backup folder of the data folder (the default database's backups).
QString backupFolder(const QString& dataFolder);
// The backup folder of the database file at databasePath: "TENDONbackup"
// beside it, so that a database kept elsewhere (a shared one) has its
// backups with it.
QString backupFolderOf(const QString& databasePath);

// The backups of the database at databasePath, in name order (the dated
// names then read oldest first); empty when the folder is missing. Work
// files of unfinished copies are never listed, nor the dated backups of
// another database sharing the folder; other files are. Work files left by
// a copy that stopped long ago are removed.
QStringList backupFileNames(const QString& databasePath);

// "TENDONbackup" + the day as yyyy-mm-dd + ".mdb" for a database named
// RockvaneTENDON.mdb; for another name its base name and a blank come first
// ("Mine2 TENDONbackup2026-12-06.mdb"), so that databases sharing a folder
// never overwrite each other's backups.
QString backupFileName(const QDate& day, const QString& databasePath = QString());

// The result of looking at a file that is meant to be a Rockvane database.
enum class DatabaseCheck {
    Good,          // a SQLite database holding the five fixed tables
    Missing,       // no such file
    NotDatabase,   // a file that SQLite cannot read as a database
    MissingTables, // a SQLite database without one or more of the fixed tables
    Locked,        // another program holds the file's lock: it cannot be looked at now
};

// Opens the file read-only (never creating or changing it) and checks that
// it is a Rockvane database.
DatabaseCheck checkDatabase(const QString& path);

// Copies the database at source into target through SQLite's online backup,
// so that the copy is a complete, consistent database even while another
// connection has the source open. The copy is written beside the target under
// a work name and then put in place with one rename: the target is at every
// moment either the old file or the whole new one. Throws store::DbError;
// on failure the target is as it was.
void copyDatabase(const QString& source, const QString& target);

// Copies databaseFile into its backup folder (backupFolderOf) as the dated
// backup of day, replacing an earlier backup of that day; creates the folder
// when it is missing. Returns the backup's full path. Throws store::DbError.
QString backupDatabase(const QString& databaseFile, const QDate& day);

// Puts the backup at source in place of the contents of the database at
// target: source must be a sound Rockvane database (checked in full first);
// the copy is written into target under its write lock (store::copyInto,
// refused with DbError(err::Locked) while another program holds it), and
// target is checked in full before this returns. Throws store::DbError.
void restoreDatabase(const QString& source, const QString& target);

} // namespace rv
