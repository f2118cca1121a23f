#pragma once
// The backup folder of the data folder and the files it holds, and the
// copies of database files made for a backup or a restore.
#include <QDate>
#include <QString>
#include <QStringList>

namespace rv {

inline const QString kBackupFolderName = QStringLiteral("TENDONbackup");

QString backupFolder(const QString& dataFolder);
// The names of the files in the backup folder, in name order (the dated
// names then read oldest first); empty when the folder is missing.
QStringList backupFileNames(const QString& dataFolder);

// "TENDONbackup" + the day as yyyy-mm-dd + ".mdb".
QString backupFileName(const QDate& day);

// The result of looking at a file that is meant to be a Rockvane database.
enum class DatabaseCheck {
    Good,          // a SQLite database holding the five fixed tables
    Missing,       // no such file
    NotDatabase,   // a file that SQLite cannot read as a database
    MissingTables, // a SQLite database without one or more of the fixed tables
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

// Copies databaseFile into the backup folder of dataFolder as the dated
// backup of day, replacing an earlier backup of that day; creates the folder
// when it is missing. Returns the backup's full path. Throws store::DbError.
QString backupDatabase(const QString& databaseFile, const QString& dataFolder, const QDate& day);

} // namespace rv
