#pragma once
// The backup folder of the data folder and the files it holds, and the
// copies of database files made for a backup or a restore.
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

namespace rv {

namespace store {
class Connection;
}

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

// Whose backups the window lists and makes: a database file's own path; for
// a site on a server (which has no folder beside it) a stand-in file in the
// data folder named after the server's database, so that its backups go to
// the data folder's backup folder as "<database> TENDONbackup<yyyy-mm-dd>.mdb"
// beside the default database's, and only they are listed while it is in use.
QString backupOwner(const QString& databasePath, const QString& dataFolder);

// Told the table being copied and the rows of it done, now and then. May
// throw to stop the copy; nothing is kept then.
using SiteCopyProgress = std::function<void(const QString& table, qint64 rows)>;

// Writes the site held by the server connection into a new Rockvane database
// file, the dated backup of day for owner (backupOwner), replacing an earlier
// one of that day: a database file of the default database's make holding
// one consistent snapshot of the server's site (read in one repeatable-read
// transaction, so that others may go on working meanwhile). The file is
// written under a work name and put in place only when complete. Returns
// its full path. Throws store::DbError; the backup folder then holds no new
// file and an earlier backup of the day is as it was.
QString backupServerSite(store::Connection& server, const QString& owner, const QDate& day,
                         const SiteCopyProgress& progress = {});

// Replaces the whole site on the server with the one in the backup file at
// source (checked in full first: a Rockvane database, sound), in one
// transaction on the server: every table emptied and filled from the file,
// reading tables the file lacks dropped. Throws store::DbError; the server's
// site is then as it was.
void restoreServerSite(const QString& source, store::Connection& server, const SiteCopyProgress& progress = {});

} // namespace rv
