#pragma once
// Statements for the jobs that touch every row of a reading table (an
// import's append, a graph's data pass): prepared once, bound with plain
// numbers and UTF-8 bytes and stepped row after row, with no record set, no
// QVariant and no per-row text conversion in between. The statements are
// the connection's cached ones and are always left reset.
#include "store/cell.h"
#include "store/coltype.h"
#include "store/criteria.h"
#include "store/tableinfo.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace rv::store {

class Connection;

// A table as the file has it: its stored name and typed columns.
struct TableShape {
    QString table;
    std::vector<detail::ColumnInfo> cols;
    int indexOf(const QString& field) const;  // case-insensitive; -1 when missing
};
// Throws DbError(err::InputTableMissing) when there is no such table.
TableShape tableShape(Connection& conn, const QString& table);

// What an INSERT does with a row whose unique key (a reading's DateTimeKey)
// the table already holds: fail, or store nothing and go on. Skip is for
// writers that may race another one to the same keys (two imports of one
// file from two machines on a server): the loser's row is simply not stored.
enum class ExistingKey { Fail, Skip };

// One INSERT of the named columns, reused for every row. Values are set by
// the column's place in `columns`; a column not set in a row is stored as
// null (set every column of every row). The columns the INSERT does not name
// take their defaults, as a new row of a record set does.
class BulkInsert {
public:
    // A missing column throws err::NoSuchField.
    BulkInsert(Connection& conn, const TableShape& shape, const QStringList& columns,
               ExistingKey existing = ExistingKey::Fail);
    ~BulkInsert();
    BulkInsert(const BulkInsert&) = delete;
    BulkInsert& operator=(const BulkInsert&) = delete;

    ColType type(int i) const { return m_types[size_t(i)]; }
    void setNull(int i);
    void setDouble(int i, double v);
    void setInt(int i, qint64 v);
    void setText(int i, QByteArrayView utf8);
    // The same without a copy: the bytes must stay as they are until the row
    // has been written (insert() or send()).
    void setTextInPlace(int i, QByteArrayView utf8);
    // Any value, converted for the column as a record set would convert it.
    void setValue(int i, const QVariant& v);
    // Writes the row; returns its rowid. Throws on failure (a constraint).
    // With ExistingKey::Skip a row whose key the table holds (committed by
    // anyone, or written earlier in this transaction) is not stored and 0 is
    // returned; a server waits for another writer of the same key to finish
    // first, so the answer is never a guess.
    qint64 insert();
    // The same for a job that writes many rows and undoes all of them when
    // one fails (an import, a copy of a whole site): on a server the row is
    // sent without waiting for its answer. settle() then hands each row's
    // answer (what insert() would have returned) to `each`, in the order
    // sent, and throws the first failure. Call it every few hundred rows and
    // before the transaction ends. Returns true when the row was run at once
    // (a database file), its answer waiting for settle().
    bool send();
    void settle(const std::function<void(qint64)>& each);

private:
    Connection& m_conn;
    detail::Stmt* m_st = nullptr;
    std::vector<ColType> m_types;
    bool m_skipExisting = false;
    std::vector<qint64> m_answers;
    // The columns set for the row at hand; the others are written as null.
    std::vector<char> m_set;
    void mark(int i) { m_set[size_t(i)] = 1; }
    void nullUnset();
    qint64 stepRow();
};

// A SELECT of the store's own SQL read row by row. Columns are read by
// their 0-based place in the result.
class BulkQuery {
public:
    BulkQuery(Connection& conn, const QByteArray& sql);
    ~BulkQuery();
    BulkQuery(const BulkQuery&) = delete;
    BulkQuery& operator=(const BulkQuery&) = delete;

    void bindWhere(const detail::BoundCriteria& where, int firstParam = 1);
    void bindDouble(int param, double v);
    void bindInt(int param, qint64 v);
    void bindNull(int param);
    // Starts the statement over (bindings kept).
    void restart();

    // Steps to the next row; false when done. Throws on failure.
    bool next();
    bool isNull(int col) const;
    qint64 integer(int col) const;
    // The column's storage form as bytes (a text as UTF-8).
    QByteArrayView bytes(int col) const;
    // The column as the record set would hold it for a field of type t.
    detail::Cell cell(int col, ColType t, detail::TextPool& pool) const;
    // The two common stored forms read directly, for loops over many rows;
    // each gives nullopt for any other value, which cell() then reads.
    // A number stored as one (an integer or a real), as a Double field holds it:
    std::optional<double> storedNumber(int col) const;
    // A date-time stored as plain text, as a DateTime cell holds it (see
    // detail::plainDateTime):
    std::optional<qint64> plainDateTime(int col) const;
    // A number as it is, a Yes/No as 1 or 0, a date or time as a date serial
    // (days since 1899/12/30, the time as the fraction); nullopt for null and
    // for text, as Recordset::serial() gives it for a field of type t.
    std::optional<double> serial(int col, ColType t) const;

private:
    Connection& m_conn;
    detail::Stmt* m_st = nullptr;
};

// The texts of one column of every row, read once (for a duplicate test
// against keys already stored), each handed to `take` as UTF-8 bytes valid
// for the call only. Values that are not texts are read as their text form;
// nulls are left out.
void readColumnTexts(Connection& conn, const TableShape& shape, const QString& column,
                     const std::function<void(QByteArrayView)>& take);

// Whether an UPDATE writes a row only while it is still the version the
// writer read (on a server, where others write the same rows; a file has no
// versions and writes the row while it is stored).
enum class RowVersion { Ignore, Check };

// One UPDATE ... WHERE rowid = ? per set of columns, reused for every row.
class BulkUpdate {
public:
    BulkUpdate(Connection& conn, const TableShape& shape, const QStringList& columns,
               RowVersion check = RowVersion::Ignore);
    // An UPDATE that leaves a row whose columns already hold the values
    // given (compared as SQL's IS compares them), for a job that would
    // otherwise read every stored value to find the rows to write. Only on
    // a file; use updateIfDiffers().
    struct OnlyDiffering {};
    BulkUpdate(Connection& conn, const TableShape& shape, const QStringList& columns, OnlyDiffering);
    ~BulkUpdate();
    BulkUpdate(const BulkUpdate&) = delete;
    BulkUpdate& operator=(const BulkUpdate&) = delete;

    void setNull(int i);
    void setDouble(int i, double v);
    // Any value, converted for the column as a record set would convert it
    // (a failed conversion throws err::TypeMismatch).
    void setValue(int i, const QVariant& v);
    // Writes the row; throws DbError(err::EngineError) when no row has the rowid.
    // Only with RowVersion::Ignore.
    void update(qint64 rowid);
    // With RowVersion::Check: writes the row only while it is the version
    // given (Recordset::rowVersion() as read; ignored on a file). A row not
    // written throws err::ChangedByOther when it is still stored, else
    // err::DeletedByOther; the transaction stays usable.
    void update(qint64 rowid, qint64 version);
    // With OnlyDiffering: writes the row unless it holds the values already;
    // true when it was written. The row must exist.
    bool updateIfDiffers(qint64 rowid);
    // For a job that gives up all of its rows when one fails: on a server,
    // rows are then sent without waiting for each answer, and a failure
    // (a row that could not be written, or that no row had the rowid) is
    // thrown by a later update() or when the transaction commits; a row
    // that failed on the server undoes the whole transaction.
    void sendAhead() { m_ahead = true; }

private:
    [[noreturn]] void throwNotWritten(qint64 rowid);
    void prepare(const TableShape& shape, const QStringList& columns, bool versionCheck, bool onlyDiffering);

    Connection& m_conn;
    QString m_table;
    detail::Stmt* m_st = nullptr;
    int m_count = 0;
    bool m_versioned = false;
    std::vector<ColType> m_types;
    bool m_ahead = false;
};

} // namespace rv::store
