#pragma once
// Compaction of a database file in place.
#include <QString>

namespace rv::store {

// Rewrites folder/name compacted into the work file folder/"Copy_"+name
// while holding the file's write lock, then copies it back into the file
// through SQLite's online backup under that file's own lock and journal,
// and removes the work file. An existing work file, a read-only file, a
// file that cannot be read, another program holding or taking the lock
// meanwhile (DbError(err::Locked)), or a failed write throws DbError and
// leaves the database as it was. folder ends with "/".
void compactDatabase(const QString& folder, const QString& name);

} // namespace rv::store
