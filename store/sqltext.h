#pragma once
// Helpers for building SQL texts and criteria safely.
#include <QString>

namespace rv::store {

// 'text' with every ' doubled: the one way user text goes into a criterion,
// a Find or a SQL literal.
QString quoted(const QString& text);
// `name` between backticks, the way reading tables are written in SQL.
QString tableName(const QString& name);

} // namespace rv::store
