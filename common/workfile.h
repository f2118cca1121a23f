#pragma once
// A file written under a work name beside its final one and renamed into
// place when complete, so that a crash or a kill part-way never leaves a
// broken file under the name the user opens.
#include <QString>

namespace rv {

// path + ".part".
QString workFileName(const QString& path);

// Renames the complete work file onto path (which must not exist yet: the
// program's exports never overwrite). On failure the work file is removed,
// error (when given) says why, and false is returned.
bool putWorkFileInPlace(const QString& work, const QString& path, QString* error = nullptr);

} // namespace rv
