#include "store/sqlerror.h"

#include <sqlite3.h>

namespace rv::store::detail {

DbError noCurrentRecord()
{
    return DbError(err::NoCurrentRecord,
                   QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                  "Requested operation requires a current record."));
}

DbError objectClosed()
{
    return DbError(err::ObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
}

DbError noSuchField(const QString&)
{
    // The classic text names no field; callers log it as it stands.
    return DbError(err::NoSuchField,
                   QStringLiteral("Item cannot be found in the collection corresponding to the requested "
                                  "name or ordinal."));
}

DbError typeMismatch()
{
    return DbError(err::TypeMismatch, QStringLiteral("Type mismatch"));
}

DbError tableMissing(const QString& name)
{
    return DbError(err::InputTableMissing,
                   QStringLiteral("The database engine cannot find the input table or query '%1'. Make sure "
                                  "it exists and that its name is spelled correctly.")
                       .arg(name));
}

DbError writtenByOther(bool stillStored)
{
    if (stillStored)
        return DbError(err::ChangedByOther,
                       QStringLiteral("The record was changed by another user since it was read; nothing was saved."));
    return DbError(err::DeletedByOther,
                   QStringLiteral("The record was deleted by another user since it was read; nothing was saved."));
}

DbError tableAlreadyExists(const QString& name)
{
    return DbError(err::TableExists, QStringLiteral("Table '%1' already exists.").arg(name));
}

DbError syntaxError(const QString& sql)
{
    return DbError(err::SyntaxError, QStringLiteral("Syntax error in SQL statement '%1'.").arg(sql));
}

DbError badCriteria()
{
    return DbError(err::BadCriteria,
                   QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in "
                                  "conflict with one another."));
}

DbError notValidPath(const QString& path)
{
    return DbError(err::CannotOpen,
                   QStringLiteral("'%1' is not a valid path. Make sure that the path name is spelled "
                                  "correctly and that you are connected to the server on which the file "
                                  "resides.")
                       .arg(path));
}

DbError unrecognizedFormat(const QString& path)
{
    return DbError(err::CannotOpen, QStringLiteral("Unrecognized database format '%1'.").arg(path));
}

DbError fromSqlite(sqlite3* db, int rc)
{
    const int ext = db ? sqlite3_extended_errcode(db) : rc;
    const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    switch (ext) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        return DbError(err::DuplicateKey,
                       QStringLiteral("The changes you requested to the table were not successful because "
                                      "they would create duplicate values in the index, primary key, or "
                                      "relationship."));
    case SQLITE_CONSTRAINT_NOTNULL:
        return DbError(kNullKey, QStringLiteral("Index or primary key cannot contain a Null value."));
    case SQLITE_READONLY_DBMOVED:
        // Writing on would go into a file that is no longer the database.
        return DbError(kReadOnly, QStringLiteral("Cannot update. The database file was moved, deleted or "
                                                 "replaced while in use."));
    default:
        break;
    }
    switch (ext & 0xff) {
    case SQLITE_READONLY:
        return DbError(kReadOnly, QStringLiteral("Cannot update. Database or object is read-only."));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbError(kLocked, QStringLiteral("Could not update; currently locked."));
    case SQLITE_ERROR:
        if (msg.startsWith(QLatin1String("no such table: ")))
            return tableMissing(msg.mid(15));
        break;
    default:
        break;
    }
    return DbError(err::EngineError, QStringLiteral("The database engine reported an error: %1.").arg(msg));
}

void throwSqlite(sqlite3* db, int rc)
{
    throw fromSqlite(db, rc);
}

void execSql(sqlite3* db, const char* sql)
{
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throwSqlite(db, rc);
}

} // namespace rv::store::detail
