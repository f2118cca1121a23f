#pragma once
// The inside of a record set: a keyset. The set holds the keys of its rows in
// query order (rowid and the sort field as stored), reads the keys of a large
// table a block at a time as the cursor reaches them, and reads a row's
// fields only when asked, through a small cache. Rows the set has written
// carry their new keys; the edits of the current row wait until update().
#include "store/cell.h"
#include "store/criteria.h"
#include "store/fieldindex.h"
#include "store/recordset.h"
#include "store/tableinfo.h"

#include <QByteArray>
#include <QHash>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace rv::store {

namespace detail {

class StatementUse;

// A sort field as the file stores it, compared as SQLite's ORDER BY does.
struct SortVal {
    int type = 5;  // kNull
    union {
        qint64 i;
        double d;
    };
    quint32 off = 0;  // text: bytes in the set's key arena
    quint32 len = 0;
    SortVal() : i(0) {}
};

struct RowKey {
    qint64 rowid = 0;
    SortVal v;
};

class Stmt;

// A key as a statement's columns give it: the rowid, and the sort field
// (sortCol < 0: none), its text kept in arena.
RowKey readKey(const Stmt& st, int rowidCol, int sortCol, std::string& arena);
// Binds a sort value held in arena to parameter p (none when p <= 0).
void bindSort(Stmt& st, int p, const SortVal& v, const std::string& arena);

// How many marks of walks of their keys sets have placed in their ranges:
// tests tell by it that the marks were taken.
int marksTaken();

// The parts of the query's order: rows with a null sort field and rows with
// one are read by separate statements, so that each runs along the index.
enum class Part { Rowid, Nulls, Values };

// A walk of every key of a large set, on another thread and connection,
// that marks every kMarkEvery-th key with its position (recordset_walk.cpp).
class KeyWalk;
// The walk a set has under way; a copy of the set goes without it.
struct WalkSlot {
    std::unique_ptr<KeyWalk> walk;
    WalkSlot();
    WalkSlot(const WalkSlot&);
    WalkSlot& operator=(const WalkSlot&);
    ~WalkSlot();
    void stop();  // ends the walk under way, if any, and drops it
};

// Sets with at most this many rows read all their keys when opened; larger
// ones read them a block at a time. Tests set it to 0 to drive the block
// reading through the small tables of their fixtures.
int eagerRows();
void setEagerRows(int rows);
// The keys a server is asked for at once by a scan of unknown length; tests
// make it small so that every scan goes on across pages.
int serverPageRows();
void setServerPageRows(int rows);

} // namespace detail

struct Recordset::Impl {
    Connection* conn = nullptr;
    bool isOpen = false;

    QString table;  // the name as stored in the file
    std::vector<detail::ColumnInfo> cols;
    int ncols = 0;
    detail::FieldIndex fieldIndex;
    detail::BoundCriteria where;
    QString baseCond;      // the query's WHERE condition, empty when none
    QString colList;       // every column, quoted, in table order, then the row version on a server
    bool versioned = false;  // a server: rows carry their version, writes check it
    QByteArray rowSql;     // one row again, by rowid
    QByteArray fetchSql;   // kFetch rows by rowid
    int orderCol = -1;     // the ORDER BY column, -1 for rowid order
    bool orderDesc = false;

    // The held rows, in order: blocks of keys read, and ranges of the file
    // not read yet (the rows strictly between two keys, and how many).
    struct Segment {
        bool range = false;
        std::vector<detail::RowKey> keys;
        bool hasLo = false;
        bool hasHi = false;
        detail::RowKey lo;
        detail::RowKey hi;
        int count = 0;
        int size() const { return range ? count : static_cast<int>(keys.size()); }
    };
    std::vector<Segment> segs;
    std::string arena;  // texts of the sort fields held
    // Rows this set wrote since it read the file: their place in the set is
    // where the set holds them, whatever key the file now gives them, so the
    // ranges not read yet leave them out.
    std::vector<qint64> moved;

    // With a filter: the held rows it lets through, in held order (all keys
    // of the set are then read).
    bool filtered = false;
    std::vector<detail::RowKey> vis;

    // Position among the visible rows: -1 at BOF, size() at EOF. After a
    // delete it names the row that followed the deleted one, with noCurrent.
    int cur = -1;
    bool noCurrent = false;

    QString filterText;
    detail::BoundCriteria filter;

    // Fields of rows read, by rowid.
    struct CachedRow {
        qint64 rowid = 0;
        bool present = false;  // false: the file no longer has the row
        // On a server, the row version (xmin) the fields were read at; 0 on
        // a file, where the single-copy lock keeps other writers out.
        qint64 version = 0;
        std::vector<detail::Cell> cells;
        detail::TextPool pool;
    };
    // A small set holds every row's fields from the start, as they were
    // read, and never reads the file again until requery: finds and filters
    // compare what it holds, and work while another program locks the file.
    bool pinned = false;
    std::vector<CachedRow> cache;
    std::unordered_map<qint64, int> cacheAt;
    int cacheNext = 0;
    // Where fields were last fetched: a fetch next to it is a walk, which
    // reads the rows ahead too; a jump reads only the row asked for.
    int lastFetch = -1000;
    // The connection's count of writes when the cache was last known to
    // match the file: a write by anyone else on it may change cached rows.
    int changeStamp = -1;
    void stampCache();
    CachedRow newRow;  // the row started by addNew(), until written

    // Edits of the current row.
    std::vector<QVariant> pending;
    std::vector<char> isChanged;
    std::vector<int> changed;
    qint64 editVersion = 0;  // server: the row's version when its edit began
    bool adding = false;
    int returnCur = -1;  // cursor to go back to when a new row is abandoned
    bool returnNoCurrent = false;

    QHash<QByteArray, QByteArray> writeSql;  // by kind and changed columns

    // Positions kept ready (mapPositions): a walk of the keys in the
    // background marks every so many rows, so that a place or a jump in a
    // long range not read counts only the rows from the mark before it.
    bool mapWanted = false;
    int walkStarts = 0;
    bool walkAgain = false;  // the last walk came to nothing by a write
    detail::WalkSlot walk;
    void startWalk(int delayMs = 0);
    // Takes a walk that has finished: splits the ranges at its marks when
    // the file is as the walk saw it. Only where no segment is in use.
    // writing: the set writes next, which ends a walk still under way.
    void takeWalk(bool writing = false);
    void placeMarks(const detail::KeyWalk& walked);
    void waitWalk();

    void requireOpen() const;
    int indexOf(const QString& name) const;
    int requireIndex(const QString& name) const;
    detail::Backend& db() const;

    // Positions.
    int heldSize() const;
    int size() const { return filtered ? static_cast<int>(vis.size()) : heldSize(); }
    bool hasCurrent() const { return !noCurrent && cur >= 0 && cur < size(); }
    void toFirst() { cur = size() == 0 ? -1 : 0; noCurrent = false; }
    // The key at a visible position, reading its block when needed.
    detail::RowKey& keyAt(int pos);
    detail::RowKey& heldKeyAt(int pos);
    // The current row's fields: the new row, or the cached row (read when
    // needed). Throws "Record is deleted." for a row the file lost.
    const CachedRow& currentData();

    // Keys.
    int compareKeys(const detail::RowKey& a, const detail::RowKey& b) const;
    detail::RowKey keyFromColumns(const detail::Stmt& st, int rowidCol, int sortCol);
    QString countOfValues(const QString& col, bool useLo, bool useHi, bool skip) const;
    std::vector<detail::Part> orderParts() const;
    QString partSql(detail::Part part, bool useLo, bool useHi, bool backward, bool count, int limit,
                    bool leaveOutMoved) const;
    // skip: rows passed over before f is first called, without reading
    // their keys; returns how many were passed over.
    // limit > 0: each statement reads at most that many rows.
    void forParts(const detail::RowKey* lo, const detail::RowKey* hi, bool backward, bool count,
                  const std::function<bool(detail::StatementUse&)>& run, int limit = 0);
    int scan(const detail::RowKey* lo, const detail::RowKey* hi, bool backward,
             const std::function<bool(const detail::RowKey&)>& f, int skip = 0);
    // within: the rows of the range counted in, at most.
    int countBetween(const detail::RowKey* lo, const detail::RowKey* hi, int within);
    void materialize(size_t s, int off);
    void materializeAll();
    void mergeAround(size_t s);
    // The visible position of rowid (with its file key), or -1.
    int positionOf(qint64 rowid);
    int heldPositionInBlocks(qint64 rowid) const;
    void insertHeld(int pos, const detail::RowKey& k);
    void eraseHeld(int pos);
    void noteMoved(qint64 rowid);
    // The row's key as the file now stores it.
    std::optional<detail::RowKey> fileKey(qint64 rowid, bool withBase);

    // Reads the keys of the query again; on failure nothing held changes.
    void load();
    void applyFilter();
    std::unordered_set<qint64> matchingRows(const detail::BoundCriteria& c);

    // Cache.
    void clearCache();
    CachedRow& cacheSlot(qint64 rowid);
    void fetchAround(int pos);
    void readRow(const detail::Stmt& st, int first, CachedRow& out);

    // What every move does first: write the current row's edits, or drop a
    // new row that was never given a value.
    void settle();
    void clearPending();
    void dropNewRow();
    void insertRow();
    void updateRow();
    void deleteRow();
    // The set's side of a deletion: the current row leaves the set.
    void dropCurrent(qint64 rowid);
    // The version of the row the set wrote from (0 when it has none).
    qint64 versionForWrite();
    // After a write on a server matched no row: why, as the error to throw.
    [[noreturn]] void throwConflict(qint64 rowid);
    void refreshKey(int pos, qint64 rowid);
    detail::Stmt* writeStatement(char kind);
};

} // namespace rv::store
