// Opening, reading and moving through a record set.
#include "store/recordset_impl.h"

#include "store/connection.h"
#include "store/sqlerror.h"
#include "store/statement.h"

#include <QStringList>
#include <algorithm>
#include <unordered_set>
#include "store/backend.h"

namespace rv::store {

using namespace detail;

void Recordset::Impl::requireOpen() const
{
    if (!isOpen)
        throw objectClosed();
}

Backend& Recordset::Impl::db() const
{
    if (!conn)
        throw objectClosed();
    return conn->backend();
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
    Backend& h = conn.backend();
    const auto name = h.storedTableName(st.table);
    if (!name)
        throw tableMissing(st.table);
    n.table = *name;
    n.cols = h.tableColumns(n.table);
    n.ncols = static_cast<int>(n.cols.size());
    QStringList names;
    std::vector<QString> plain;
    for (const ColumnInfo& col : n.cols) {
        plain.push_back(col.name);
        names << quoteIdent(col.name);
    }
    n.fieldIndex.build(plain);
    n.where = bindCriteria(st.where, n.cols, [&n](const QString& f) { return n.indexOf(f); });
    if (!st.orderBy.isEmpty()) {
        n.orderCol = n.requireIndex(st.orderBy);
        n.orderDesc = st.descending;
    }
    const QString from = QStringLiteral(" FROM ") + quoteIdent(n.table);
    n.colList = names.join(QStringLiteral(", "));
    // On a server several users write at once: every row read carries the
    // version it was read at, so that a write can tell whether someone
    // else changed the row since.
    n.versioned = h.engine() == Engine::Postgres;
    if (n.versioned)
        n.colList += QStringLiteral(", xmin");
    const QString cond = sqlWhere(n.where, n.cols, 1, h.engine());
    n.baseCond = cond.isEmpty() ? QString() : cond.mid(7);  // without " WHERE "
    n.rowSql = (QStringLiteral("SELECT ") + n.colList + from + QStringLiteral(" WHERE rowid = ?1")).toUtf8();
    QStringList params;
    for (int k = 1; k <= 32; ++k)
        params << QStringLiteral("?%1").arg(k);
    n.fetchSql = (QStringLiteral("SELECT rowid, ") + n.colList + from + QStringLiteral(" WHERE rowid IN (")
                  + params.join(QStringLiteral(", ")) + QStringLiteral(")")).toUtf8();
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
    if (d->size() == 0)
        return true;
    return !d->noCurrent && d->cur < 0;
}

bool Recordset::eof() const
{
    d->requireOpen();
    if (d->size() == 0)
        return true;
    return !d->noCurrent && d->cur >= d->size();
}

void Recordset::moveFirst()
{
    d->requireOpen();
    d->settle();
    if (d->size() == 0)
        throw noCurrentRecord();
    d->cur = 0;
    d->noCurrent = false;
}

void Recordset::moveLast()
{
    d->requireOpen();
    d->settle();
    if (d->size() == 0)
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
    if (d->cur < 0 || d->size() == 0)
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
    return d->keyAt(d->cur).rowid;
}

qint64 Recordset::bookmarkAt(int position) const
{
    d->requireOpen();
    if (position < 1 || position > d->size())
        return 0;
    return d->keyAt(position - 1).rowid;
}

void Recordset::rowsWritten(const std::vector<qint64>& rowids)
{
    d->requireOpen();
    if (!d->pinned) {
        // Every write moves the connection's count of changes, which empties
        // the cache before fields are next read.
        return;
    }
    StatementUse use(d->conn->prepared(d->rowSql));
    for (const qint64 id : rowids) {
        const auto it = d->cacheAt.find(id);
        if (it == d->cacheAt.end())
            continue;
        Impl::CachedRow& row = d->cache[static_cast<size_t>(it->second)];
        use->reset();
        use->bindInt64(1, id);
        if (use.step())
            d->readRow(*use.get(), 0, row);
        else
            row.present = false;
    }
    d->stampCache();
}

void Recordset::setBookmark(qint64 bm)
{
    d->requireOpen();
    d->settle();
    if (bm != 0) {
        const int pos = d->positionOf(bm);
        if (pos >= 0) {
            // A row the file has lost, whoever deleted it, is no longer one
            // a bookmark can find.
            const int was = d->cur;
            const bool wasNo = d->noCurrent;
            d->cur = pos;
            d->noCurrent = false;
            try {
                d->currentData();
                return;
            } catch (const DbError& e) {
                d->cur = was;
                d->noCurrent = wasNo;
                if (e.number() != err::RecordDeleted)
                    throw;
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
    const int from = d->noCurrent ? d->cur : std::max(d->cur, 0);
    d->noCurrent = false;
    const auto match = d->matchingRows(c);
    const int n = d->size();
    int best = n;
    if (!match.empty() && from < n) {
        if (match.size() <= 64) {
            // Few rows match: find each one's place (reading only its block).
            for (qint64 id : match) {
                const int pos = d->positionOf(id);
                if (pos >= from && pos < best)
                    best = pos;
            }
        } else {
            if (!d->filtered)
                d->materializeAll();
            for (int k = from; k < n; ++k) {
                if (match.count(d->keyAt(k).rowid)) {
                    best = k;
                    break;
                }
            }
        }
    }
    d->cur = best;
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
    d->walkStarts = 0;
    d->startWalk();
    d->toFirst();
}

void Recordset::mapPositions()
{
    d->requireOpen();
    d->mapWanted = true;
    d->walkStarts = 0;
    d->startWalk();
}

void Recordset::waitForPositions()
{
    d->requireOpen();
    d->waitWalk();
    d->takeWalk();
}

void Recordset::reorderCurrent()
{
    d->requireOpen();
    d->settle();
    if (!d->hasCurrent())
        throw noCurrentRecord();
    Impl& n = *d;
    const RowKey moving = n.keyAt(n.cur);
    const int heldPos = n.filtered ? n.heldPositionInBlocks(moving.rowid) : n.cur;
    n.eraseHeld(heldPos);
    // The rows held are in query order apart from the moved one: its new
    // place is before the first other row that sorts after it.
    int target = -1;
    int start = 0;
    for (size_t s = 0; s < n.segs.size() && target < 0; ++s) {
        Impl::Segment& seg = n.segs[s];
        if (!seg.range) {
            for (size_t k = 0; k < seg.keys.size(); ++k) {
                if (n.compareKeys(seg.keys[k], moving) > 0) {
                    target = start + static_cast<int>(k);
                    break;
                }
            }
        } else if (seg.count > 0 && (!seg.hasHi || n.compareKeys(seg.hi, moving) > 0)) {
            if (seg.hasLo && n.compareKeys(seg.lo, moving) >= 0) {
                target = start;
            } else {
                const RowKey lo = seg.lo;
                const RowKey hi = seg.hi;
                // Its place among rows not read: counted from the nearer end
                // of the range when that end is near (a reading added now
                // goes after nearly every other), so that a place at the
                // end of a long history does not walk all of it.
                constexpr int kNear = 2048;
                int after = 0;
                bool near = seg.count > kNear;
                if (near) {
                    n.scan(&moving, seg.hasHi ? &hi : nullptr, false, [&](const RowKey&) {
                        near = ++after < kNear;
                        return near;
                    });
                }
                const int off = near && after <= seg.count ? seg.count - after
                                                           : n.countBetween(seg.hasLo ? &lo : nullptr, &moving, seg.count);
                if (off < seg.count)
                    target = start + off;
            }
        }
        start += seg.size();
    }
    if (target < 0)
        target = n.heldSize();
    n.insertHeld(target, moving);
    n.noteMoved(moving.rowid);
    if (!n.filtered) {
        n.cur = target;
        n.noCurrent = false;
        return;
    }
    // The visible rows keep their held order.
    std::unordered_set<qint64> shown;
    for (const RowKey& k : n.vis)
        shown.insert(k.rowid);
    n.vis.clear();
    for (const Impl::Segment& s : n.segs)
        for (const RowKey& k : s.keys)
            if (shown.count(k.rowid))
                n.vis.push_back(k);
    n.cur = n.positionOf(moving.rowid);
    n.noCurrent = false;
    if (n.cur < 0)
        n.toFirst();
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
    const Impl::CachedRow& r = d->currentData();
    return cellValue(r.cells[k], r.pool);
}

std::optional<double> Recordset::serial(int index) const
{
    // Julian day of 1899/12/30, day 0 of the date serial.
    constexpr qint64 kSerialEpoch = 2415019;
    d->requireOpen();
    if (index < 0 || index >= d->ncols)
        throw noSuchField();
    if (!d->hasCurrent())
        throw noCurrentRecord();
    const auto k = static_cast<size_t>(index);
    if (d->isChanged[k]) {
        const QVariant& v = d->pending[k];
        switch (v.metaType().id()) {
        case QMetaType::QDateTime: {
            const QDateTime dt = v.toDateTime();
            return double(dt.date().toJulianDay() - kSerialEpoch) + dt.time().msecsSinceStartOfDay() / double(kMsPerDay);
        }
        case QMetaType::QDate: return double(v.toDate().toJulianDay() - kSerialEpoch);
        case QMetaType::QTime: return v.toTime().msecsSinceStartOfDay() / double(kMsPerDay);
        case QMetaType::Bool: return v.toBool() ? 1.0 : 0.0;
        case QMetaType::Double:
        case QMetaType::LongLong:
        case QMetaType::Int: return v.toDouble();
        default: return std::nullopt;
        }
    }
    const Cell& c = d->currentData().cells[k];
    return cellNumber(c);
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
    const Impl::CachedRow& r = d->currentData();
    return cellText(r.cells[k], r.pool);
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
    if (d->pinned) {
        // A small set's cache is its rows: it goes with the copy.
        s.d = std::make_unique<Impl>(*d);
        return s;
    }
    // A large set's cache only saves reads: the copy goes without it, and
    // a set put back reads its rows from the file again, which by then
    // matches it.
    auto cache = std::move(d->cache);
    auto cacheAt = std::move(d->cacheAt);
    d->cache.clear();
    d->cacheAt.clear();
    try {
        s.d = std::make_unique<Impl>(*d);
    } catch (...) {
        d->cache = std::move(cache);
        d->cacheAt = std::move(cacheAt);
        throw;
    }
    d->cache = std::move(cache);
    d->cacheAt = std::move(cacheAt);
    s.d->cacheNext = 0;
    return s;
}

void Recordset::restore(const Saved& saved)
{
    if (saved.d)
        d = std::make_unique<Impl>(*saved.d);
}

} // namespace rv::store
