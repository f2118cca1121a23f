#pragma once
// Values the program keeps in the database (the `Settings` table): for the
// site (empty scope) or for one sensor (scope = its InstrumentID), by name.
#include "store/connection.h"

#include <QString>
#include <optional>

namespace rv::store {

// nullopt when the value was never kept (or the file has no `Settings`).
std::optional<QString> readSetting(Connection& conn, const QString& scope, const QString& name);
// Keeps the value, replacing what was kept under the same scope and name.
void writeSetting(Connection& conn, const QString& scope, const QString& name, const QString& value);
// Forgets every value of one scope (nothing happens for an empty scope: the
// site's values are never dropped this way).
void deleteScopeSettings(Connection& conn, const QString& scope);

} // namespace rv::store
