#pragma once
// Work on a database file as a whole: its health, its free space, and
// putting another database's contents into it under its own write lock.
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace rv::store {

// PRAGMA integrity_check of the file, opened read-only: empty when the file
// is sound, otherwise the first problem found. Throws DbError when the file
// cannot be read at all (DbError(err::Locked) while another program holds
// its lock).
QString integrityProblem(const QString& path);

// The file's size and the part of it that is free pages (what a compaction
// would give back), in bytes. Throws DbError.
struct FileSpace {
    qint64 fileBytes = 0;
    qint64 freeBytes = 0;
};
FileSpace fileSpace(const QString& path);

// Whether a compaction would reclaim enough to be worth rewriting the whole
// file: free pages of at least a tenth of the file, or of at least 64 MB.
// When not, why says so in a line for the log.
bool worthCompacting(const FileSpace& space, QString* why = nullptr);

// Waits (a short while) for the write lock of the database at path and
// gives it back at once: true when no other program is writing to it or
// holds it. Throws DbError(err::Locked) when another program holds it, and
// DbError for a file that cannot be opened. A read-only file only needs to
// be readable.
void requireWriteLock(const QString& path);

// Replaces the contents of the database at target by those of the database
// at source through SQLite's online backup, writing into target under its
// own write lock and rollback journal: target keeps its inode, owner and
// mode, another program's writes can never go to an unlinked old file, and
// a crash leaves either the old or the new contents. A read-only target is
// made writable for the copy only and given its mode back. Throws
// DbError(err::Locked) when another program holds target's lock (nothing is
// changed then), DbError for any other failure.
void copyInto(const QString& source, const QString& target);

// The names of the tables of the database file at path, lower-cased, read
// without creating or changing the file. Locked: another program holds the
// file or left a journal of an unfinished write that only a writer may roll
// back (it is in use, not foreign).
enum class FileTables { Read, NotDatabase, Locked };
FileTables readFileTables(const QString& path, QStringList* tables);

// Copies the database at source into a new file at target through SQLite's
// online backup, written under a work name and put in place with one rename.
// Throws DbError; on failure the target is as it was.
void copyDatabaseFile(const QString& source, const QString& target);

} // namespace rv::store
