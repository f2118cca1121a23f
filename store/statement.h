#pragma once
// Use of a cached prepared statement: bound, stepped, and always reset, so
// that no statement stays active (an active statement would lock the tables
// it reads against DROP TABLE).
#include "store/sqlerror.h"

#include <sqlite3.h>

namespace rv::store::detail {

class StatementUse {
public:
    StatementUse(sqlite3* db, sqlite3_stmt* st) : m_db(db), m_st(st) {}
    ~StatementUse()
    {
        sqlite3_reset(m_st);
        sqlite3_clear_bindings(m_st);
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

    sqlite3_stmt* get() const { return m_st; }
    // true on a row, false when done; throws on failure.
    bool step()
    {
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        // sqlite3_reset gives the precise (extended) error of the step.
        throwSqlite(m_db, sqlite3_reset(m_st));
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_st;
};

// A savepoint around a compound write, so that it is atomic inside or
// outside a caller's transaction.
class Savepoint {
public:
    explicit Savepoint(sqlite3* db) : m_db(db) { execSql(db, "SAVEPOINT rv_step"); }
    ~Savepoint()
    {
        if (!m_released) {
            sqlite3_exec(m_db, "ROLLBACK TO rv_step", nullptr, nullptr, nullptr);
            sqlite3_exec(m_db, "RELEASE rv_step", nullptr, nullptr, nullptr);
        }
    }
    void release()
    {
        execSql(m_db, "RELEASE rv_step");
        m_released = true;
    }
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

private:
    sqlite3* m_db;
    bool m_released = false;
};

} // namespace rv::store::detail
