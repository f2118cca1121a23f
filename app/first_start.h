#pragma once
// Rockvane is its own installer: on the first start it creates the data
// folder and the default database.
#include <QString>

namespace rv {

// Creates the data folder and the default database when they are missing
// and the location file does not name another database that exists. A
// default database of 0 bytes (all an interrupted start could leave before
// databases were built under a work name) counts as missing. Returns false
// when they could not be created, with the reason in *why; whatever existed
// is left untouched.
bool ensureDataFolder(const QString& dataFolder, QString* why = nullptr);

} // namespace rv
