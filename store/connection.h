#pragma once
// The shared database connection: one SQLite file, opened but never created,
// or a database on a PostgreSQL server.
#include "store/dberror.h"
#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace rv::store {

enum class Engine;
namespace detail {
class Backend;
class Stmt;
} // namespace detail

// How long a statement waits for another program's lock before it fails:
// long enough to ride out a short write by someone else, short enough that
// the window never looks hung.
constexpr int kBusyWaitMs = 1000;

// Called once when a statement starts waiting for a lock, so that the
// window code can show that the program is busy (the store itself knows
// nothing of windows). Process-wide; empty by default.
void setBusyWaitHook(std::function<void()> hook);

// Whether a database location names a PostgreSQL server (a connection
// URI) rather than a database file.
bool isServerLocation(const QString& location);
// A location as it may be shown or logged: any password written into a
// server's connection text blanked out.
QString redactedLocation(const QString& location);
// The name of the database a server location connects to, as the server
// would take it: the one written in, else the user's name, else the login's
// (the server's own default). Empty for a text that is not a server's.
QString serverDatabaseName(const QString& location);

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens a database: a location that is a server connection URI
    // (isServerLocation) connects to that server, any other opens an
    // existing SQLite file. A missing path or a file that is not a
    // database throws DbError(err::CannotOpen), a file that stays locked by
    // another program DbError(kLocked); either leaves state() at 0. Never
    // creates a file.
    void open(const QString& path);
    void close();
    // 0 closed, 1 open.
    int state() const { return m_backend ? 1 : 0; }
    const QString& path() const { return m_path; }
    // True when the database is on a server that many users share: no
    // single-copy lock and no compaction apply to it.
    bool isServer() const;
    // True when the file was opened but may not be written (its mode, or a
    // read-only file system): it can be read, and every write fails.
    bool isReadOnly() const;

    // Runs one statement of the program's SQL dialect (DROP TABLE, DELETE * FROM,
    // SELECT * INTO ... FROM sensordata WHERE DateTimeKey is null, ...).
    void execute(const QString& sql);

    // The user tables of the file, in name order (SQLite's own tables left out).
    QStringList tableNames() const;
    bool hasTable(const QString& exactName) const;

    // Groups writes: every write between begin() and commit() is one SQLite
    // transaction. Nestable; only the outermost commit writes. A write outside
    // any group is its own transaction.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return m_depth; }

    // The SQLite handle of a database file, for checks of the file itself;
    // nullptr when closed.
    sqlite3* handle() const;

    // A second connection to the same database file that only reads, for a
    // long read split between threads: this thread goes on with this
    // connection while another reads through the reader. It sees what is
    // committed, so there is none while this connection has writes not yet
    // committed; nor on a server, nor when closed (nullptr then). Kept open,
    // its cache as warm as this one's, until this connection closes; one
    // thread at a time uses it. Kept waiting by another program's write, it
    // gives up after kReaderWaitMs with DbError, and the caller reads on its
    // own. Throws DbError when it cannot be opened.
    static constexpr int kReaderWaitMs = 200;
    Connection* reader();

    // For the store's own use: the engine under the connection (throws
    // err::ObjectClosed when closed), and the prepared statement for sql,
    // kept until close(). Reset it after use. Throws DbError when sql does
    // not compile. With mayTrim (only where no other cached statement is in
    // use) a cache grown large is emptied first.
    detail::Backend& backend() const;
    detail::Stmt* prepared(const QByteArray& sql, bool mayTrim = false);

    // For the store's own use: the row count of a whole table, remembered
    // while the file is unchanged (updates of existing rows reported by
    // noteUpdates() aside, as they change no count), since counting a large
    // table walks a whole index; count() counts it when not remembered.
    // Only outside a transaction: a count seen inside one may be rolled back.
    qint64 tableRowCount(const QString& table, const std::function<qint64()>& count);
    // For the store's own use: runs count, a walk over many pages read once,
    // through a small cache instead of the connection's own (inside a
    // transaction, through the connection's own).
    qint64 throughSmallCache(const std::function<qint64()>& count);
    // What the file looks like now; nullopt inside a transaction.
    struct CountStamp {
        qint64 changes = -1;      // this connection's changes, less its updates
        qint64 dataVersion = -1;  // other connections' commits
        qint64 schemaVersion = -1;
        bool operator==(const CountStamp&) const = default;
    };
    std::optional<CountStamp> countStamp();
    // One statement, run after before was taken, inserted (added > 0) or
    // deleted rows of table and nothing else: a remembered count follows it.
    void rowsWritten(const QString& table, const std::optional<CountStamp>& before, qint64 added);
    // Rows changed by UPDATE statements that changed nothing else.
    void noteUpdates(qint64 rows) { m_updatedRows += rows; }
    // Keeps the counts remembered now in the file itself, for the next
    // opening: each stamped with the file's change counter as this write
    // leaves it, which any later write by any SQLite client moves on, so
    // that a count is taken from the file only while nothing was written
    // since. For a clean close; does nothing on a server, and quietly
    // nothing when the file cannot be written. alsoCount: tables to count
    // for the notes although this session never did (a nightly import's).
    void noteRowCounts(const QStringList& alsoCount = {});
    // Before many rows are added to a table: its count note and the triggers
    // that guard it are dropped (in the caller's transaction), so that the
    // rows are not each checked against a note that is about to be stale.
    // The close notes the count again. Throws DbError.
    void setAsideCountNote(const QString& table);

    // What the database holds, as far as this connection can tell cheaply:
    // equal stamps mean nothing was written to the file in between, by
    // this connection or any other (a file opened again, even the same
    // one, never gives an earlier stamp). nullopt inside a transaction,
    // on a server, or when closed: then it cannot be told.
    struct FileStamp {
        quint64 opened = 0;       // this opening of the file
        qint64 changes = -1;      // this connection's changes, updates included
        qint64 dataVersion = -1;  // other connections' commits
        qint64 schemaVersion = -1;
        bool operator==(const FileStamp&) const = default;
    };
    std::optional<FileStamp> fileStamp();

    // RAII group: rolls back unless commit() was called.
    class Transaction {
    public:
        explicit Transaction(Connection& c) : m_c(c) { m_c.begin(); }
        ~Transaction() { if (!m_done) { try { m_c.rollback(); } catch (...) {} } }
        void commit() { m_c.commit(); m_done = true; }
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
    private:
        Connection& m_c;
        bool m_done = false;
    };

private:
    std::unique_ptr<detail::Backend> m_backend;
    QString m_path;
    int m_depth = 0;
    bool m_rollbackOnly = false;
    QHash<QByteArray, detail::Stmt*> m_statements;
    qint64 m_busySince = 0;
    qint64 m_updatedRows = 0;
    quint64 m_opened = 0;
    CountStamp m_countStamp;  // the file when the counts were taken
    QHash<QString, qint64> m_counts;
    // Remembered counts that were read from the file's own notes, still
    // in force there.
    QSet<QString> m_fromNotes;
    // The file change counter the notes read were stamped with.
    std::optional<quint32> m_notesCounter;
    std::unique_ptr<Connection> m_reader;
    // Every table counted this session, for the notes at close.
    QSet<QString> m_counted;

    std::optional<qint64> notedRowCount(const QString& table);
    // The triggers that keep the table's note honest, as made for it.
    bool countTriggersInPlace(const QString& table, qint64 maxRowid);
    bool countTriggersInPlace(const QString& table, qint64 maxRowid,
                              const std::optional<std::vector<QStringList>>& keys);
    // The columns of each unique index of the table; nullopt when one is
    // of an expression.
    std::optional<std::vector<QStringList>> uniqueKeys(const QString& table);
    void dropCountTriggers(const QString& table);  // throws DbError
    // The file change counter as it stands, beside the notes.
    std::optional<quint32> notesCounterNow();
    void dropCountNotes();  // throws DbError

    void dropStatements();
    static int onBusy(void* self, int count);
};

} // namespace rv::store
