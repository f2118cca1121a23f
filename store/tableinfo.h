#pragma once
// What the file says about a table: its real name and its typed columns.
#include "store/coltype.h"

#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

struct sqlite3;

namespace rv::store::detail {

struct ColumnInfo {
    QString name;
    QString declared;    // declared type as written in CREATE TABLE
    ColType type = ColType::Text;
    QString defaultSql;  // DEFAULT clause text, empty when none
    QVariant defaultValue;  // the default converted to the column's type
    bool notNull = false;
    int pkOrder = 0;     // 1-based place in the primary key, 0 when not in it
};

// "name" with embedded quotes doubled, for SQL that this store generates.
QString quoteIdent(const QString& name);
// 'text' with embedded quotes doubled, as an SQL string literal.
QString quoteLiteral(const QString& text);

// SQLite's own answers, for its back end and the file-level work on files.
// The table's name as stored, found without regard to case (as SQLite
// resolves names); nullopt when there is no such table.
std::optional<QString> storedTableName(sqlite3* db, const QString& name);

// Columns in table order; empty when the table does not exist.
std::vector<ColumnInfo> tableColumns(sqlite3* db, const QString& table);

// CREATE TABLE text for dst with src's columns, declared types, defaults,
// NOT NULL and UNIQUE constraints, in src's column order.
QString createTableLike(sqlite3* db, const QString& src, const QString& dst);

} // namespace rv::store::detail
