// Opening, reading and moving through a record set.
#include "store/recordset_impl.h"

#include "store/connection.h"
#include "store/sqlerror.h"
#include "store/statement.h"

#include <QStringList>
#include <algorithm>
#include <sqlite3.h>

namespace rv::store {

using namespace detail;

void Recordset::Impl::requireOpen() const
{
    if (!isOpen)
        throw objectClosed();
}

sqlite3* Recordset::Impl::db() const
{
    if (!conn || !conn->handle())
        throw objectClosed();
    return conn->handle();
}

int Recordset::Impl::indexOf(const QString& name) const
{
    return fieldIndex.find(name);
}

int Recordset::Impl::requireIndex(const QString& name) const
{
    const int i = indexOf(name);
    if (i < 0)
        throw noSuchField(name);
    return i;
}

void Recordset::Impl::load()
{
    std::vector<Cell> newCells;
    TextPool newPool;
    std::vector<qint64> newIds;
    {
        sqlite3* h = db();
        StatementUse use(h, conn->prepared(selectSql, true));
        bindWhere(use.get(), where);
        while (use.step()) {
            newIds.push_back(sqlite3_column_int64(use.get(), 0));
            for (int c = 0; c < ncols; ++c)
                newCells.push_back(readCell(use.get(), c + 1, cols[static_cast<size_t>(c)].type, newPool));
        }
    }
    cells = std::move(newCells);
    pool = std::move(newPool);
    rowids = std::move(newIds);
    alive.assign(rowids.size(), 1);
}

void Recordset::Impl::applyFilter()
{
    visible.clear();
    visible.reserve(rowids.size());
    for (size_t r = 0; r < rowids.size(); ++r) {
        if (!alive[r])
            continue;
        if (!filter.empty() && !matches(filter, rowCells(static_cast<int>(r)), pool))
            continue;
        visible.push_back(static_cast<int>(r));
    }
}

Recordset::Recordset() : d(std::make_unique<Impl>()) {}

Recordset::~Recordset() = default;

void Recordset::open(const QString& sql, Connection& conn)
{
    close();
    if (!conn.state())
        throw objectClosed();
    const Statement st = parseStatement(sql);
    if (st.kind != Statement::Select)
        throw syntaxError(sql);

    auto fresh = std::make_unique<Impl>();
    Impl& n = *fresh;
    n.conn = &conn;
    sqlite3* h = conn.handle();
    const auto name = storedTableName(h, st.table);
    if (!name)
        throw tableMissing(st.table);
    n.table = *name;
    n.cols = tableColumns(h, n.table);
    n.ncols = static_cast<int>(n.cols.size());
    QStringList names;
    std::vector<QString> plain;
    for (const ColumnInfo& col : n.cols) {
        plain.push_back(col.name);
        names << quoteIdent(col.name);
    }
    n.fieldIndex.build(plain);
    n.where = bindCriteria(st.where, n.cols, [&n](const QString& f) { return n.indexOf(f); });
    QString order = QStringLiteral(" ORDER BY ");
    if (!st.orderBy.isEmpty()) {
        n.orderCol = n.requireIndex(st.orderBy);
        n.orderDesc = st.descending;
        // Text sorts in byte order (SQLite's BINARY collation); ties keep the
        // order the rows were written in.
        order += quoteIdent(n.cols[static_cast<size_t>(n.requireIndex(st.orderBy))].name)
            + (st.descending ? QStringLiteral(" DESC, ") : QStringLiteral(", "));
    }
    order += QStringLiteral("rowid");
    const QString from = QStringLiteral(" FROM ") + quoteIdent(n.table);
    n.selectSql = (QStringLiteral("SELECT rowid, ") + names.join(QStringLiteral(", ")) + from
                   + sqlWhere(n.where, n.cols) + order).toUtf8();
    n.rowSql = (QStringLiteral("SELECT ") + names.join(QStringLiteral(", ")) + from
                + QStringLiteral(" WHERE rowid = ?1")).toUtf8();
    n.pending.assign(static_cast<size_t>(n.ncols), QVariant());
    n.isChanged.assign(static_cast<size_t>(n.ncols), 0);
    n.load();
    n.applyFilter();
    n.toFirst();
    n.isOpen = true;
    d = std::move(fresh);
}

void Recordset::close()
{
    if (d->isOpen)
        d = std::make_unique<Impl>();
}

int Recordset::state() const
{
    return d->isOpen ? 1 : 0;
}

bool Recordset::bof() const
{
    d->requireOpen();
    if (d->visible.empty())
        return true;
    return !d->noCurrent && d->cur < 0;
}

bool Recordset::eof() const
{
    d->requireOpen();
    if (d->visible.empty())
        return true;
    return !d->noCurrent && d->cur >= d->size();
}

void Recordset::moveFirst()
{
    d->requireOpen();
    d->settle();
    if (d->visible.empty())
        throw noCurrentRecord();
    d->cur = 0;
    d->noCurrent = false;
}

void Recordset::moveLast()
{
    d->requireOpen();
    d->settle();
    if (d->visible.empty())
        throw noCurrentRecord();
    d->cur = d->size() - 1;
    d->noCurrent = false;
}

void Recordset::moveNext()
{
    d->requireOpen();
    d->settle();
    if (d->noCurrent) {
        // The row that followed the deleted one is already under the cursor.
        d->noCurrent = false;
        return;
    }
    if (eof())
        throw noCurrentRecord();
    ++d->cur;
}

void Recordset::movePrevious()
{
    d->requireOpen();
    d->settle();
    if (d->noCurrent) {
        d->noCurrent = false;
        --d->cur;
        return;
    }
    if (bof())
        throw noCurrentRecord();
    --d->cur;
}

int Recordset::recordCount() const
{
    d->requireOpen();
    return d->size();
}

int Recordset::absolutePosition() const
{
    d->requireOpen();
    if (d->noCurrent)
        return PosUnknown;
    if (d->cur < 0 || d->visible.empty())
        return PosBOF;
    if (d->cur >= d->size())
        return PosEOF;
    return d->cur + 1;
}

void Recordset::setAbsolutePosition(int pos)
{
    d->requireOpen();
    d->settle();
    if (pos < 1 || pos > d->size())
        throw badCriteria();
    d->cur = pos - 1;
    d->noCurrent = false;
}

qint64 Recordset::bookmark() const
{
    d->requireOpen();
    if (!d->hasCurrent())
        throw noCurrentRecord();
    return d->rowids[static_cast<size_t>(d->currentRow())];
}

void Recordset::setBookmark(qint64 bm)
{
    d->requireOpen();
    d->settle();
    if (bm != 0) {
        for (int k = 0; k < d->size(); ++k) {
            if (d->rowids[static_cast<size_t>(d->visible[static_cast<size_t>(k)])] == bm) {
                d->cur = k;
                d->noCurrent = false;
                return;
            }
        }
    }
    throw badCriteria();
}

void Recordset::find(const QString& criteria)
{
    d->requireOpen();
    d->settle();
    const BoundCriteria c = bindCriteria(parseCriteria(criteria), d->cols,
                                         [this](const QString& f) { return d->indexOf(f); });
    int k = d->noCurrent ? d->cur : std::max(d->cur, 0);
    d->noCurrent = false;
    for (; k < d->size(); ++k) {
        if (matches(c, d->rowCells(d->visible[static_cast<size_t>(k)]), d->pool)) {
            d->cur = k;
            return;
        }
    }
    d->cur = d->size();
}

void Recordset::setFilter(const QString& criteria)
{
    d->requireOpen();
    d->settle();
    BoundCriteria c;
    if (!criteria.trimmed().isEmpty())
        c = bindCriteria(parseCriteria(criteria), d->cols, [this](const QString& f) { return d->indexOf(f); });
    d->filter = std::move(c);
    d->filterText = criteria.trimmed().isEmpty() ? QString() : criteria;
    d->applyFilter();
    d->toFirst();
}

const QString& Recordset::filter() const
{
    d->requireOpen();
    return d->filterText;
}

void Recordset::requery()
{
    d->requireOpen();
    d->settle();
    d->load();
    d->applyFilter();
    d->toFirst();
}

namespace {

// SQLite's order of the stored forms: null, then numbers, then texts (dates
// and times are stored as ISO texts), texts in byte order.
int storageClass(const Cell& c)
{
    switch (c.tag) {
    case Tag::Null: return 0;
    case Tag::Double:
    case Tag::Long:
    case Tag::Bool: return 1;
    default: return 2;
    }
}

double numberOf(const Cell& c)
{
    return c.tag == Tag::Double ? c.d : static_cast<double>(c.i);
}

QByteArray storedText(const Cell& c, const TextPool& pool)
{
    switch (c.tag) {
    case Tag::Date: return isoDate(QDate::fromJulianDay(c.i));
    case Tag::Time: return isoTime(QTime::fromMSecsSinceStartOfDay(static_cast<int>(c.i)));
    case Tag::DateTime:
        return isoDateTime(QDate::fromJulianDay(c.i / kMsPerDay),
                           QTime::fromMSecsSinceStartOfDay(static_cast<int>(c.i % kMsPerDay)));
    default: return pool[static_cast<size_t>(c.i)].toUtf8();
    }
}

// <0, 0, >0 as a sorts before, with, or after b in an ascending ORDER BY.
int compareCells(const Cell& a, const Cell& b, const TextPool& pool)
{
    const int ca = storageClass(a);
    const int cb = storageClass(b);
    if (ca != cb)
        return ca < cb ? -1 : 1;
    if (ca == 0)
        return 0;
    if (ca == 1) {
        const double x = numberOf(a);
        const double y = numberOf(b);
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    if (a.tag == b.tag && a.tag != Tag::Text)
        return a.i < b.i ? -1 : (b.i < a.i ? 1 : 0);
    const QByteArray x = storedText(a, pool);
    const QByteArray y = storedText(b, pool);
    return x < y ? -1 : (y < x ? 1 : 0);
}

} // namespace

void Recordset::reorderCurrent()
{
    d->requireOpen();
    d->settle();
    if (!d->hasCurrent())
        throw noCurrentRecord();
    Impl& n = *d;
    const int row = n.currentRow();
    const int rows = static_cast<int>(n.rowids.size());
    const qint64 id = n.rowids[static_cast<size_t>(row)];
    // True when row r belongs after the moved row in the query's order.
    auto after = [&](int r) {
        int c = 0;
        if (n.orderCol >= 0) {
            c = compareCells(n.rowCells(r)[n.orderCol], n.rowCells(row)[n.orderCol], n.pool);
            if (n.orderDesc)
                c = -c;
        }
        return c != 0 ? c > 0 : n.rowids[static_cast<size_t>(r)] > id;
    };
    // The rows held are in query order apart from the moved one: its new
    // place is before the first other row that sorts after it.
    int target = rows;
    for (int r = 0; r < rows; ++r) {
        if (r != row && after(r)) {
            target = r;
            break;
        }
    }
    if (target > row)
        --target;  // counted without the row itself
    if (target != row) {
        const auto nc = static_cast<size_t>(n.ncols);
        auto rotateRows = [&](auto& v, size_t width) {
            const auto at = [&](int r) { return v.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(r) * width); };
            if (target < row)
                std::rotate(at(target), at(row), at(row + 1));
            else
                std::rotate(at(row), at(row + 1), at(target + 1));
        };
        rotateRows(n.cells, nc);
        rotateRows(n.rowids, 1);
        rotateRows(n.alive, 1);
        n.applyFilter();
    }
    const auto it = std::find(n.visible.begin(), n.visible.end(), target);
    if (it == n.visible.end()) {
        n.toFirst();
        return;
    }
    n.cur = static_cast<int>(it - n.visible.begin());
    n.noCurrent = false;
}

int Recordset::fieldCount() const
{
    d->requireOpen();
    return d->ncols;
}

QString Recordset::fieldName(int index) const
{
    d->requireOpen();
    if (index < 0 || index >= d->ncols)
        throw noSuchField();
    return d->cols[static_cast<size_t>(index)].name;
}

ColType Recordset::fieldType(int index) const
{
    d->requireOpen();
    if (index < 0 || index >= d->ncols)
        throw noSuchField();
    return d->cols[static_cast<size_t>(index)].type;
}

int Recordset::fieldIndex(const QString& name) const
{
    d->requireOpen();
    return d->indexOf(name);
}

QVariant Recordset::value(const QString& field) const
{
    d->requireOpen();
    return value(d->requireIndex(field));
}

QVariant Recordset::value(int index) const
{
    d->requireOpen();
    if (index < 0 || index >= d->ncols)
        throw noSuchField();
    if (!d->hasCurrent())
        throw noCurrentRecord();
    const auto k = static_cast<size_t>(index);
    if (d->isChanged[k])
        return d->pending[k];
    return cellValue(d->rowCells(d->currentRow())[index], d->pool);
}

QString Recordset::text(const QString& field) const
{
    d->requireOpen();
    const int index = d->requireIndex(field);
    if (!d->hasCurrent())
        throw noCurrentRecord();
    const auto k = static_cast<size_t>(index);
    if (d->isChanged[k])
        return displayText(d->pending[k]);
    return cellText(d->rowCells(d->currentRow())[index], d->pool);
}

QString Recordset::tableName() const
{
    d->requireOpen();
    return d->table;
}

Recordset::Saved::Saved() = default;
Recordset::Saved::~Saved() = default;
Recordset::Saved::Saved(Saved&&) noexcept = default;
Recordset::Saved& Recordset::Saved::operator=(Saved&&) noexcept = default;

Recordset::Saved Recordset::save() const
{
    Saved s;
    s.d = std::make_unique<Impl>(*d);
    return s;
}

void Recordset::restore(const Saved& saved)
{
    if (saved.d)
        d = std::make_unique<Impl>(*saved.d);
}

} // namespace rv::store
