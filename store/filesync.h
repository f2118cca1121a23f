#pragma once
// File-system steps the store needs to replace files safely.
#include <QString>

namespace rv::store {

// Pushes a file's contents (or a folder's entries) to the disk, so that a
// rename that follows never makes a file whose data is still only in memory.
// Failures are ignored: the rename is still atomic, only less durable.
void syncToDisk(const QString& path);

} // namespace rv::store
