#pragma once
// A whole site copied from one database to another, whatever engine holds
// either: every table, row for row, in one transaction on the target.
#include "store/dberror.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace rv::store {

class Connection;

struct MigrateResult {
    int tables = 0;
    qint64 rows = 0;
};

// Copies every table of `from` into `to`. The target is an empty database
// (it gains the site's tables), a new site, or, with replace, any site: its
// tables are emptied first and its reading tables that the source lacks are
// dropped. A target that holds sensors is refused without replace
// (DbError(err::TableExists) naming it) and left untouched; any failure
// rolls the target back whole. progress(table, rows done) is called now and
// then.
MigrateResult migrateSite(Connection& from, Connection& to, bool replace,
                          const std::function<void(const QString&, qint64)>& progress = {});

} // namespace rv::store
