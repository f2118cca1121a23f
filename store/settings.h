#pragma once
// Values the program keeps in the database itself, in the `Settings` table:
// one text per scope (empty for the whole site, an InstrumentID for one
// sensor) and name.
#include "store/connection.h"
#include <QString>
#include <optional>

namespace rv::store {

// The stored value; nullopt when none is stored (or the table is missing).
// Throws DbError when the database cannot be read.
std::optional<QString> readSetting(Connection& conn, const QString& scope, const QString& name);

// Stores value, replacing the one stored before. Throws DbError when the
// database cannot be written.
void writeSetting(Connection& conn, const QString& scope, const QString& name, const QString& value);

// Forgets every value of one sensor (nothing happens for the empty scope:
// the site's values are never dropped this way). Runs in the caller's
// transaction when there is one.
void deleteScopeSettings(Connection& conn, const QString& scope);

} // namespace rv::store
