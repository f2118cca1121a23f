#pragma once
// A client-side record set over one table: all rows of a SELECT held in
// memory with a cursor, filters, finds, bookmarks, and row writes that go
// straight to the file.
#include "store/coltype.h"
#include "store/dberror.h"
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

namespace rv::store {

class Connection;

class Recordset {
    struct Impl;

public:
    // Values of absolutePosition() when there is no current row.
    static constexpr int PosUnknown = -1;
    static constexpr int PosBOF = -2;
    static constexpr int PosEOF = -3;

    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Opens "SELECT * FROM `t` [WHERE ...] [ORDER BY col]" or
    // "SELECT t.* FROM t ORDER BY col;" on the connection. The cursor is on
    // the first row (or at BOF and EOF at once when there is none).
    // A missing table throws DbError(err::InputTableMissing).
    void open(const QString& sql, Connection& conn);
    void close();
    // 0 closed, 1 open. Every other call on a closed set throws err::ObjectClosed.
    int state() const;

    bool bof() const;
    bool eof() const;
    void moveFirst();
    void moveLast();
    void moveNext();      // from the last row to EOF; at EOF throws NoCurrentRecord
    void movePrevious();  // from the first row to BOF; at BOF throws NoCurrentRecord

    // Rows visible through the filter.
    int recordCount() const;
    // 1-based position of the current row among the visible rows, or one of
    // PosBOF, PosEOF, PosUnknown.
    int absolutePosition() const;
    void setAbsolutePosition(int pos);

    // A non-zero number that finds the same row again, also after requery().
    qint64 bookmark() const;
    // The bookmark of the visible row at a 1-based position, without moving
    // the cursor or reading the row's fields; 0 when there is no such row.
    qint64 bookmarkAt(int position) const;
    void setBookmark(qint64 bm);  // an unknown bookmark throws err::BadCriteria

    // "Field = 'value'" (the other comparisons also work) searched forward from
    // the current row, the current row included. No match leaves the set at EOF.
    void find(const QString& criteria);

    // Comparisons of a field with a quoted string, a number or a date
    // (2005/01/01, 2005-01-01, #2005/01/01#), joined by AND. An empty text
    // clears the filter. After a change the cursor is on the first visible row.
    void setFilter(const QString& criteria);
    void clearFilter() { setFilter(QString()); }
    const QString& filter() const;
    bool isFiltered() const { return !filter().isEmpty(); }

    // Reads the rows again from the file; the filter stays; the cursor goes to
    // the first row.
    void requery();
    // After the current row's sort field has been changed (or a new row
    // written): moves the row to the place the query's ORDER BY gives it, as
    // requery() would, and keeps it current. Costs a pass over the rows held
    // instead of reading the whole table again.
    void reorderCurrent();
    // For a set the user moves about in: a large set on a file reads its
    // keys once more, in the background on a connection of its own, and
    // keeps marks of where they stand, so that a jump or a new place deep
    // in a long history costs a short count, not a walk of every row before
    // it. Kept through requery(); until the marks are ready, or when the
    // file changed meanwhile, the set counts as it otherwise would.
    void mapPositions();
    // Waits for the marks under way, if any, and takes them: for a caller
    // that has time to spare now.
    void waitForPositions();

    // Starts a new row (all fields null, or the column default); update()
    // writes it. The new row stays at the end of the set, current, until the
    // next requery.
    void addNew();
    // Writes the edited current row (or the new row) to the file. On a
    // server, a row someone else changed or deleted since the set read it
    // (at the latest when its edit began) is not written: DbError
    // err::ChangedByOther or err::DeletedByOther, the edit still pending,
    // the caller's transaction still usable.
    void update();
    // Drops unsaved edits of the current row; abandons a pending addNew().
    void cancelUpdate();
    // Whether the current row has edits that update() would write.
    bool editPending() const;
    // Whether a field of the current row has a value set since the row
    // was last written or read.
    bool isEdited(int index) const;
    // Deletes the current row from the file and the set (on a server only
    // while the row is the version read, else as update()). There is no current
    // row until the cursor moves; moveNext() then goes to the row that
    // followed the deleted one.
    void deleteCurrent();

    // Reads the current row's stored fields again (on a server, with its
    // version): what a user sees after someone else changed the row. Edits
    // pending stay, and a following update() writes them over the version
    // just read. False when the row is no longer stored: the set then has
    // no current row, as after deleteCurrent().
    bool reloadCurrent();
    // The version of the current row as the set read it from a server; 0 on
    // a database file.
    qint64 rowVersion() const;

    int fieldCount() const;
    QString fieldName(int index) const;
    ColType fieldType(int index) const;
    int fieldIndex(const QString& name) const;  // case-insensitive; -1 when missing

    // Field values by name (case-insensitive) or 0-based position. Unknown
    // names throw err::NoSuchField; no current row throws err::NoCurrentRecord.
    QVariant value(const QString& field) const;
    QVariant value(int index) const;
    // A field of the current row as a number, for reading many rows fast:
    // numbers as they are, Yes/No as 1 or 0, dates and times as days since
    // 1899/12/30 with the time as the fraction (the classic date serial).
    // nullopt for null and for text.
    std::optional<double> serial(int index) const;
    // The value as shown in a box: null gives "", dates as "yyyy/MM/dd",
    // times "HH:mm:ss", date-times "yyyy/MM/dd HH:mm:ss", numbers in their
    // shortest form, Yes/No as "True"/"False".
    QString text(const QString& field) const;
    // Assignment converts as convertForColumn() does; a failed conversion
    // throws err::TypeMismatch and changes nothing.
    void setValue(const QString& field, const QVariant& v);
    void setValue(int index, const QVariant& v);

    // Rows of the set's table whose fields (not the sort field) were written
    // on the set's connection other than through the set: the set shows
    // what the file now holds. A small set reads those rows again now; a
    // larger one reads fields from the file anyway when next asked.
    void rowsWritten(const std::vector<qint64>& rowids);

    // The table the set was opened on.
    QString tableName() const;

    // A copy of everything the set holds: rows, filter, cursor and edits.
    // Writes made through the set inside a transaction that is then rolled
    // back leave the set describing rows the file does not have (or lacking
    // rows it does); putting the copy back makes it match the file again
    // without reading it, which may be what failed.
    class Saved {
    public:
        Saved();
        ~Saved();
        Saved(Saved&&) noexcept;
        Saved& operator=(Saved&&) noexcept;

    private:
        friend class Recordset;
        std::unique_ptr<Impl> d;
    };
    Saved save() const;
    void restore(const Saved& saved);

private:
    std::unique_ptr<Impl> d;
};

} // namespace rv::store
