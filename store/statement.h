#pragma once
// Use of a cached prepared statement: bound, stepped, and always reset, so
// that no statement stays active (an active statement would lock the tables
// it reads against DROP TABLE).
#include "store/backend.h"

namespace rv::store::detail {

class StatementUse {
public:
    explicit StatementUse(Stmt* st) : m_st(st) {}
    ~StatementUse()
    {
        m_st->reset();
        m_st->clearBindings();
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

    Stmt* get() const { return m_st; }
    Stmt* operator->() const { return m_st; }
    // true on a row, false when done; throws on failure.
    bool step() { return m_st->step(); }

private:
    Stmt* m_st;
};

// A savepoint around a compound write, so that it is atomic inside or
// outside a caller's transaction.
class Savepoint {
public:
    // A server knows savepoints only inside a transaction; outside one the
    // write gets a transaction of its own.
    explicit Savepoint(Backend& b) : m_b(b), m_own(!b.inTransaction() && b.engine() == Engine::Postgres)
    {
        m_b.exec(m_own ? "BEGIN" : "SAVEPOINT rv_step");
    }
    ~Savepoint()
    {
        if (m_released)
            return;
        if (m_own) {
            m_b.tryExec("ROLLBACK");
        } else {
            m_b.tryExec("ROLLBACK TO rv_step");
            m_b.tryExec("RELEASE rv_step");
        }
    }
    void release()
    {
        if (m_own)
            m_b.commit();
        else
            m_b.exec("RELEASE rv_step");
        m_released = true;
    }
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

private:
    Backend& m_b;
    bool m_own;
    bool m_released = false;
};

} // namespace rv::store::detail
