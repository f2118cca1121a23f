#pragma once
// The errors the store raises, built in one place so that numbers and
// descriptions stay the ones the log readers know.
#include "store/dberror.h"
#include <QString>

struct sqlite3;

namespace rv::store::detail {

// Numbers with no constant in dberror.h, used only here.
constexpr int kReadOnly = 3027;
constexpr int kNullKey = 3058;
constexpr int kLocked = 3218;
constexpr int kDatabaseExists = 3204;

DbError noCurrentRecord();
DbError objectClosed();
DbError noSuchField(const QString& name = QString());
DbError typeMismatch();
DbError tableMissing(const QString& name);
DbError tableAlreadyExists(const QString& name);
DbError syntaxError(const QString& sql);
DbError badCriteria();
DbError notValidPath(const QString& path);
DbError unrecognizedFormat(const QString& path);
// A write of a row refused because someone else changed it since it was
// read (the row still stored) or deleted it.
DbError writtenByOther(bool stillStored);

// Turns a failed SQLite call into the store's error. rc is the result code
// of the call; the message is read from db.
DbError fromSqlite(sqlite3* db, int rc);
[[noreturn]] void throwSqlite(sqlite3* db, int rc);

// Runs a statement that returns no rows; throws on failure.
void execSql(sqlite3* db, const char* sql);

} // namespace rv::store::detail
