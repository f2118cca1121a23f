#pragma once
// Real machine faults made inside a test: a file or folder the program may
// not write, a lock held by another program, a database file replaced
// while it is open.
#include <QString>

struct sqlite3;

namespace rv::test {

// Makes a file or folder unwritable for this process until destroyed. For
// an ordinary user the write bits are taken away; root ignores those, so
// for root the entry is made immutable instead (where the file system
// allows it). ok() is false when neither could be done.
class ReadOnly {
public:
    explicit ReadOnly(const QString& path);
    ~ReadOnly();
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;
    bool ok() const { return m_ok; }

private:
    QString m_path;
    bool m_ok = false;
    bool m_immutable = false;
    unsigned m_mode = 0;
};

// Another program's connection to the database file holding an exclusive
// lock: nobody else can read or write until it is released.
class LockHolder {
public:
    explicit LockHolder(const QString& path);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool ok() const { return m_ok; }
    void release();

private:
    sqlite3* m_db = nullptr;
    bool m_ok = false;
};

// Puts a copy of the file in its place, as a restore by another program
// would: the name now refers to a new file.
bool replaceUnderneath(const QString& path);

// Consistency of a database file as the crash tests see it: integrity check
// ok, and the catalogue rows, the reading tables and the NetworkConfig rows
// naming the same sensors one to one. Empty when consistent, else what is
// wrong. *sensors receives the number of catalogue rows.
QString consistencyProblem(const QString& path, int* sensors = nullptr);

} // namespace rv::test
