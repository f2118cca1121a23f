#pragma once
// Reading a few rows of a large table without a record set: a count, or the
// first rows of a selection in its order. A record set holds every row of
// its table; these read only what they return, so that with an index on the
// sort column the latest reading of a table of years is one lookup.
#include "store/connection.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace rv::store {

// The rows "SELECT * FROM `t` [WHERE ...]" would give, counted without
// reading them. A missing table throws DbError(err::InputTableMissing).
qint64 countRows(Connection& conn, const QString& selectSql);

// The first `limit` rows (every row when limit < 0) of "SELECT * FROM `t`
// [WHERE ...] [ORDER BY col [DESC]]", only the named fields, each row's
// values in the order of `fields` as a record set gives them (null for a
// field the table lacks). Ties of the sort column go by the order the rows
// were written in (the last written first with DESC). A missing table
// throws DbError(err::InputTableMissing).
using Row = std::vector<QVariant>;
std::vector<Row> selectRows(Connection& conn, const QString& selectSql, const QStringList& fields, int limit = -1);

} // namespace rv::store
