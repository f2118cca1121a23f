#pragma once
// The inside of a record set: every row of its query held in memory in
// compact cells, the rows visible through the filter, the cursor, and the
// edits of the current row that are not yet written.
#include "store/cell.h"
#include "store/criteria.h"
#include "store/fieldindex.h"
#include "store/recordset.h"
#include "store/tableinfo.h"

#include <QByteArray>
#include <QHash>
#include <vector>

namespace rv::store {

struct Recordset::Impl {
    Connection* conn = nullptr;
    bool isOpen = false;

    QString table;  // the name as stored in the file
    std::vector<detail::ColumnInfo> cols;
    int ncols = 0;
    detail::FieldIndex fieldIndex;
    detail::BoundCriteria where;
    QByteArray selectSql;  // the query, translated
    QByteArray rowSql;     // one row again, by rowid
    int orderCol = -1;     // the ORDER BY column, -1 for rowid order
    bool orderDesc = false;

    // Rows in query order, then rows added since; deleted rows stay, marked.
    std::vector<detail::Cell> cells;  // ncols per row
    detail::TextPool pool;
    std::vector<qint64> rowids;       // 0 for a new row not yet written
    std::vector<char> alive;

    // Indexes into the rows, in order, of the rows the filter lets through.
    std::vector<int> visible;
    // Position in visible: -1 at BOF, visible.size() at EOF. After a delete
    // it names the row that followed the deleted one, with noCurrent set.
    int cur = -1;
    bool noCurrent = false;

    QString filterText;
    detail::BoundCriteria filter;

    // Edits of the current row.
    std::vector<QVariant> pending;
    std::vector<char> isChanged;
    std::vector<int> changed;
    bool adding = false;
    int returnCur = -1;  // cursor to go back to when a new row is abandoned
    bool returnNoCurrent = false;

    QHash<QByteArray, QByteArray> writeSql;  // by kind and changed columns

    void requireOpen() const;
    int indexOf(const QString& name) const;
    int requireIndex(const QString& name) const;
    int size() const { return static_cast<int>(visible.size()); }
    bool hasCurrent() const { return !noCurrent && cur >= 0 && cur < size(); }
    int currentRow() const { return visible[static_cast<size_t>(cur)]; }
    detail::Cell* rowCells(int row) { return cells.data() + static_cast<size_t>(row) * ncols; }
    const detail::Cell* rowCells(int row) const { return cells.data() + static_cast<size_t>(row) * ncols; }
    sqlite3* db() const;

    // Reads the rows of the query; on failure nothing held changes.
    void load();
    void applyFilter();
    void toFirst() { cur = visible.empty() ? -1 : 0; noCurrent = false; }

    // What every move does first: write the current row's edits, or drop a
    // new row that was never given a value.
    void settle();
    void clearPending();
    void dropNewRow();
    void insertRow();
    void updateRow();
    void deleteRow();
    sqlite3_stmt* writeStatement(char kind);
};

} // namespace rv::store
