#pragma once
// Rockvane is its own installer: on the first start it creates the data
// folder and the default database.
#include <QString>

namespace rv {

// Creates the data folder and the default database when the location file
// does not name another database and they are missing. Returns false (and
// leaves whatever exists untouched) when they could not be created.
bool ensureDataFolder(const QString& dataFolder);

} // namespace rv
