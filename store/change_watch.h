#pragma once
// Knowing cheaply whether a table still holds what a job last computed from
// it, without reading its rows: the job keeps a note of its own in
// `Settings` (scope, name), and two triggers in the file, made for the
// table, delete that note whenever a watched column of a row is changed or a
// row is deleted, whoever does it (this program, the command line program or
// any other SQLite client; on a server, any client at all). Rows added are
// seen by the table's row count and highest rowid, kept in the note by the
// job.
#include "store/connection.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace rv::store {

struct TableExtent {
    qint64 rows = 0;
    qint64 maxRowid = 0;
    bool operator==(const TableExtent&) const = default;
};

// count(*) and max(rowid) of the table (as the file stores its name).
TableExtent tableExtent(Connection& conn, const QString& table);

// Stores the note (scope, name) with `text` for `table` as it now stands,
// and makes (or remakes) the triggers that delete the note when one of
// `columns` of a row is updated or a row is deleted. All or nothing, in the
// caller's transaction when there is one. Throws DbError on failure.
void writeWatchedNote(Connection& conn, const QString& table, const QString& scope, const QString& name,
                      const QStringList& columns, const QString& text);

// The text of the note while it still holds: stored, its triggers in the
// file on that table (a table made again by a copy or a restore, or
// renamed, has lost them or has them for another scope), and no row added
// since. nullopt otherwise. Throws DbError when the file cannot be read.
std::optional<QString> readWatchedNote(Connection& conn, const QString& table, const QString& scope,
                                       const QString& name, const QStringList& columns);

} // namespace rv::store
