#pragma once
// Compaction of a database file in place.
#include <QString>

namespace rv::store {

// Rewrites folder/name compacted into folder/"Copy_"+name and then puts it in
// place of the original with an atomic rename. An existing work file, a file
// that cannot be read, or a failed write throws DbError and leaves both files
// as they were. folder ends with "/".
void compactDatabase(const QString& folder, const QString& name);

} // namespace rv::store
