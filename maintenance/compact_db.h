#pragma once
#include "common/prompter.h"
#include <QString>

namespace rv {

// Compacts folder + name in place when that reclaims enough to be worth
// rewriting the file (store::worthCompacting); otherwise leaves the file
// alone and writes why to the log. A failure shows "Error compacting " +
// name and is logged as " G_CompactDB"; the database file stays as it was.
// folder ends with "/". Returns true unless it failed.
bool G_CompactDB(const QString& folder, const QString& name, Prompter& pr,
                 const QString& dataFolder);

} // namespace rv
