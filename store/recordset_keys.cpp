// The keys of a record set: reading them from the file in query order, a
// block at a time, and finding a row's place among them; and the cache of
// the rows' fields.
#include "store/recordset_impl.h"

#include "store/connection.h"
#include "store/sqlerror.h"
#include "store/statement.h"

#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace rv::store {

using namespace detail;

namespace {

int gEagerRows = 4096;
// Keys a server is asked for at a time by an open-ended scan.
int gServerPageRows = 4096;

// Keys read at a time from a part of the table not read yet.
constexpr int kBlock = 256;
// Blocks read next to each other are joined up to this size, so that a walk
// through the whole table leaves few segments to count positions over, and
// an erase never moves many keys.
constexpr int kMaxBlock = 8192;
// Rows cached; rows fetched by one statement.
constexpr int kCacheRows = 256;
constexpr int kFetch = 32;
// A count of more rows than this (a range of that many not read yet) goes
// through a small cache: its index pages are read once.
constexpr int kSmallCacheCount = 32768;

int storageClass(int type)
{
    switch (type) {
    case kNull: return 0;
    case kInteger:
    case kFloat: return 1;
    case kText: return 2;
    default: return 3;
    }
}

int compareNumbers(const SortVal& a, const SortVal& b)
{
    if (a.type == kInteger && b.type == kInteger)
        return a.i < b.i ? -1 : (b.i < a.i ? 1 : 0);
    const long double x = a.type == kInteger ? static_cast<long double>(a.i) : a.d;
    const long double y = b.type == kInteger ? static_cast<long double>(b.i) : b.d;
    return x < y ? -1 : (y < x ? 1 : 0);
}

} // namespace

namespace detail {
int eagerRows() { return gEagerRows; }
void setEagerRows(int rows) { gEagerRows = rows; }
int serverPageRows() { return gServerPageRows; }
void setServerPageRows(int rows) { gServerPageRows = rows > 0 ? rows : 1; }
} // namespace detail

int Recordset::Impl::compareKeys(const RowKey& a, const RowKey& b) const
{
    int c = 0;
    if (orderCol >= 0) {
        const int ca = storageClass(a.v.type);
        const int cb = storageClass(b.v.type);
        if (ca != cb) {
            c = ca < cb ? -1 : 1;
        } else if (ca == 1) {
            c = compareNumbers(a.v, b.v);
        } else if (ca >= 2) {
            // Texts in byte order (SQLite's BINARY collation).
            const int n = std::memcmp(arena.data() + a.v.off, arena.data() + b.v.off, std::min(a.v.len, b.v.len));
            c = n != 0 ? (n < 0 ? -1 : 1) : (a.v.len < b.v.len ? -1 : (b.v.len < a.v.len ? 1 : 0));
        }
        if (orderDesc)
            c = -c;
    }
    if (c != 0)
        return c;
    // Ties keep the order the rows were written in.
    return a.rowid < b.rowid ? -1 : (b.rowid < a.rowid ? 1 : 0);
}

RowKey detail::readKey(const Stmt& st, int rowidCol, int sortCol, std::string& arena)
{
    RowKey k;
    k.rowid = st.int64(rowidCol);
    if (sortCol < 0)
        return k;
    k.v.type = st.type(sortCol);
    switch (k.v.type) {
    case kInteger: k.v.i = st.int64(sortCol); break;
    case kFloat: k.v.d = st.real(sortCol); break;
    case kNull: break;
    default: {
        const char* p = st.blob(sortCol);
        const int n = st.bytes(sortCol);
        k.v.off = static_cast<quint32>(arena.size());
        k.v.len = static_cast<quint32>(n);
        if (n > 0)
            arena.append(p, static_cast<size_t>(n));
        break;
    }
    }
    return k;
}

RowKey Recordset::Impl::keyFromColumns(const Stmt& st, int rowidCol, int sortCol)
{
    return readKey(st, rowidCol, sortCol, arena);
}

void detail::bindSort(Stmt& st, int p, const SortVal& v, const std::string& arena)
{
    if (p <= 0)
        return;
    switch (v.type) {
    case kInteger: st.bindInt64(p, v.i); break;
    case kFloat: st.bindDouble(p, v.d); break;
    case kText: st.bindText(p, arena.data() + v.off, v.len); break;
    case kBlob: st.bindBlob(p, arena.data() + v.off, v.len); break;
    default: st.bindNull(p); break;
    }
}

// The count of the non-null sort values between two keys, ascending, with
// no condition of the query's own, on a file: the same rows as
//   (col, rowid) > (lo) AND (col, rowid) < (hi) AND rowid NOT IN (moved)
// counted as three walks of the sort field's index that each compare only
// its bounds, not every entry (the comparison of each entry as a pair of
// values costs several times the walk), less the moved rows inside. A
// place among a long history not read yet is found by such a count.
QString Recordset::Impl::countOfValues(const QString& col, bool useLo, bool useHi, bool skip) const
{
    const QString from = QStringLiteral("(SELECT count(*) FROM ") + quoteIdent(table) + QStringLiteral(" WHERE ");
    QStringList strict{col + QStringLiteral(" IS NOT NULL")};
    if (useLo)
        strict << col + QStringLiteral(" > :lov");
    if (useHi)
        strict << col + QStringLiteral(" < :hiv");
    QString sql = QStringLiteral("SELECT ") + from + strict.join(QStringLiteral(" AND ")) + QStringLiteral(")");
    // The rows whose value equals a bound, placed by their rowids.
    if (useLo)
        sql += QStringLiteral(" + ") + from + col + QStringLiteral(" = :lov AND rowid > :lor")
            + (useHi ? QStringLiteral(" AND (%1 < :hiv OR (%1 = :hiv AND rowid < :hir))").arg(col) : QString())
            + QStringLiteral(")");
    if (useHi)
        sql += QStringLiteral(" + ") + from + col + QStringLiteral(" = :hiv AND rowid < :hir")
            + (useLo ? QStringLiteral(" AND %1 > :lov").arg(col) : QString()) + QStringLiteral(")");
    if (skip) {
        QStringList in{QStringLiteral("rowid IN (SELECT value FROM json_each(:skip))"), col + QStringLiteral(" IS NOT NULL")};
        if (useLo)
            in << QStringLiteral("(%1, rowid) > (:lov, :lor)").arg(col);
        if (useHi)
            in << QStringLiteral("(%1, rowid) < (:hiv, :hir)").arg(col);
        sql += QStringLiteral(" - ") + from + in.join(QStringLiteral(" AND ")) + QStringLiteral(")");
    }
    return sql;
}

std::vector<Part> Recordset::Impl::orderParts() const
{
    if (orderCol < 0)
        return {Part::Rowid};
    if (orderDesc)
        return {Part::Values, Part::Nulls};
    return {Part::Nulls, Part::Values};
}

// The statement that reads (or counts) the rows of one part of the order
// after :lo and before :hi, as forParts runs it. leaveOutMoved: without the
// rows this set has moved (the set's own view); else every row of the file.
QString Recordset::Impl::partSql(Part part, bool useLo, bool useHi, bool backward, bool count, int limit,
                                 bool leaveOutMoved) const
{
    const bool server = conn->backend().engine() == Engine::Postgres;
    QString col = orderCol >= 0 ? quoteIdent(cols[static_cast<size_t>(orderCol)].name) : QString();
    // Texts are held and compared here byte by byte; a server sorts them so
    // too only when told, whatever its database's collation.
    if (server && orderCol >= 0 && cols[static_cast<size_t>(orderCol)].type == ColType::Text)
        col += QStringLiteral(" COLLATE \"C\"");
    const bool skip = leaveOutMoved && !moved.empty();
    if (count && part == Part::Values && !orderDesc && baseCond.isEmpty() && !server)
        return countOfValues(col, useLo, useHi, skip);
    QStringList conds;
    // The query's own condition comes first: its parameters are numbered
    // ?1 onwards, and a named one written before them would take ?1 too.
    if (!baseCond.isEmpty())
        conds << QStringLiteral("(") + baseCond + QStringLiteral(")");
    QString order;
    switch (part) {
    case Part::Nulls:
        conds << col + QStringLiteral(" IS NULL");
        [[fallthrough]];  // the nulls run in rowid order
    case Part::Rowid:
        if (useLo) conds << QStringLiteral("rowid > :lor");
        if (useHi) conds << QStringLiteral("rowid < :hir");
        order = backward ? QStringLiteral("rowid DESC") : QStringLiteral("rowid");
        break;
    case Part::Values:
        conds << col + QStringLiteral(" IS NOT NULL");
        if (!orderDesc) {
            if (useLo) conds << QStringLiteral("(%1, rowid) > (:lov, :lor)").arg(col);
            if (useHi) conds << QStringLiteral("(%1, rowid) < (:hiv, :hir)").arg(col);
            order = backward ? col + QStringLiteral(" DESC, rowid DESC") : col + QStringLiteral(", rowid");
        } else {
            if (useLo) conds << QStringLiteral("(%1 < :lov OR (%1 = :lov AND rowid > :lor))").arg(col);
            if (useHi) conds << QStringLiteral("(%1 > :hiv OR (%1 = :hiv AND rowid < :hir))").arg(col);
            order = backward ? col + QStringLiteral(", rowid DESC") : col + QStringLiteral(" DESC, rowid");
        }
        break;
    }
    if (skip)
        conds << (server ? QStringLiteral("rowid <> ALL (CAST(:skip AS bigint[]))")
                         : QStringLiteral("rowid NOT IN (SELECT value FROM json_each(:skip))"));
    QString sql = count ? QStringLiteral("SELECT count(*)")
                        : QStringLiteral("SELECT rowid") + (orderCol >= 0 ? QStringLiteral(", ") + col : QString());
    sql += QStringLiteral(" FROM ") + quoteIdent(table);
    if (!conds.isEmpty())
        sql += QStringLiteral(" WHERE ") + conds.join(QStringLiteral(" AND "));
    if (!count)
        sql += QStringLiteral(" ORDER BY ") + order;
    if (!count && limit > 0)
        sql += QStringLiteral(" LIMIT ") + QString::number(limit);
    return sql;
}

// Runs the statements that read the rows strictly between lo and hi (either
// may be null: no bound) in query order, or its reverse, one per part of the
// order, each handed to run ready to step, until run returns false. Rows the
// set has moved are left out. With count, each statement gives the number of
// its rows instead, by the same conditions.
void Recordset::Impl::forParts(const RowKey* lo, const RowKey* hi, bool backward, bool count,
                               const std::function<bool(StatementUse&)>& run, int limit)
{
    std::vector<Part> parts = orderParts();
    auto partOf = [&](const RowKey& k) {
        if (orderCol < 0)
            return Part::Rowid;
        return k.v.type == kNull ? Part::Nulls : Part::Values;
    };
    auto rank = [&](Part p) { return static_cast<int>(std::find(parts.begin(), parts.end(), p) - parts.begin()); };
    if (backward)
        std::reverse(parts.begin(), parts.end());

    const bool server = conn->backend().engine() == Engine::Postgres;
    for (const Part part : parts) {
        bool none = false;
        bool useLo = false;
        bool useHi = false;
        if (lo) {
            const int a = rank(part), b = rank(partOf(*lo));
            if (a < b)
                none = true;
            else if (a == b)
                useLo = true;
        }
        if (hi) {
            const int a = rank(part), b = rank(partOf(*hi));
            if (a > b)
                none = true;
            else if (a == b)
                useHi = true;
        }
        if (none)
            continue;
        const QString sql = partSql(part, useLo, useHi, backward, count, limit, true);
        StatementUse use(conn->prepared(sql.toUtf8()));
        Stmt& st = *use.get();
        bindWhere(st, where);
        if (useLo) {
            bindSort(st, st.paramIndex(":lov"), lo->v, arena);
            st.bindInt64(st.paramIndex(":lor"), lo->rowid);
        }
        if (useHi) {
            bindSort(st, st.paramIndex(":hiv"), hi->v, arena);
            st.bindInt64(st.paramIndex(":hir"), hi->rowid);
        }
        if (!moved.empty()) {
            QByteArray list = server ? "{" : "[";
            for (size_t k = 0; k < moved.size(); ++k) {
                if (k)
                    list += ',';
                list += QByteArray::number(moved[k]);
            }
            list += server ? '}' : ']';
            st.bindText(st.paramIndex(":skip"), list.constData(), list.size());
        }
        if (!run(use))
            return;
    }
}

// Calls f for the rows strictly between lo and hi in query order, or its
// reverse, until f returns false; the first skip rows are passed over
// without reading their keys. Returns how many were passed over.
int Recordset::Impl::scan(const RowKey* lo, const RowKey* hi, bool backward,
                          const std::function<bool(const RowKey&)>& f, int skip)
{
    int skipped = 0;
    if (conn->backend().engine() != Engine::Postgres) {
        forParts(lo, hi, backward, false, [&](StatementUse& use) {
            while (use.step()) {
                // Rows passed over leave nothing behind: their sort texts would
                // otherwise pile up in the arena, which save() copies whole.
                if (skipped < skip) {
                    ++skipped;
                    continue;
                }
                if (!f(keyFromColumns(*use.get(), 0, orderCol >= 0 ? 1 : -1)))
                    return false;
            }
            return true;
        });
        return skipped;
    }
    // A server reads an open-ended statement through a cursor that, outside
    // a transaction, is filled with the whole result before the first row
    // comes back. Pages of a bounded size, each going on after the last key
    // of the one before, read only about what is asked for.
    const int kPage = serverPageRows();
    RowKey resume;
    const RowKey* from = lo;
    const RowKey* to = hi;
    for (;;) {
        int read = 0;
        bool stopped = false;
        forParts(from, to, backward, false, [&](StatementUse& use) {
            while (use.step()) {
                const bool last = ++read == kPage;
                if (skipped < skip) {
                    ++skipped;
                    if (last)
                        resume = keyFromColumns(*use.get(), 0, orderCol >= 0 ? 1 : -1);
                } else {
                    const RowKey k = keyFromColumns(*use.get(), 0, orderCol >= 0 ? 1 : -1);
                    if (last)
                        resume = k;
                    if (!f(k)) {
                        stopped = true;
                        return false;
                    }
                }
                if (last)
                    return false;
            }
            return true;
        }, kPage);
        if (stopped || read < kPage)
            return skipped;
        // The next page starts after the last key read, in the scan's direction.
        (backward ? to : from) = &resume;
    }
}

int Recordset::Impl::countBetween(const RowKey* lo, const RowKey* hi, int within)
{
    // The engine counts along the index; the conditions are the scan's, so
    // both always agree on which rows are between.
    auto count = [&]() -> qint64 {
        qint64 n = 0;
        forParts(lo, hi, false, true, [&](StatementUse& use) {
            if (use.step())
                n += use->int64(0);
            return true;
        });
        return n;
    };
    return static_cast<int>(within > kSmallCacheCount ? conn->throughSmallCache(count) : count());
}

int Recordset::Impl::heldSize() const
{
    int n = 0;
    for (const Segment& s : segs)
        n += s.size();
    return n;
}

RowKey& Recordset::Impl::keyAt(int pos)
{
    if (filtered) {
        if (pos < 0 || pos >= static_cast<int>(vis.size()))
            throw noCurrentRecord();
        return vis[static_cast<size_t>(pos)];
    }
    return heldKeyAt(pos);
}

RowKey& Recordset::Impl::heldKeyAt(int pos)
{
    for (;;) {
        if (pos < 0)
            throw noCurrentRecord();
        int start = 0;
        size_t s = 0;
        for (; s < segs.size(); ++s) {
            const int n = segs[s].size();
            if (pos < start + n)
                break;
            start += n;
        }
        if (s == segs.size())
            throw noCurrentRecord();
        if (!segs[s].range)
            return segs[s].keys[static_cast<size_t>(pos - start)];
        materialize(s, pos - start);
    }
}

// Reads the keys of a block of the range segment s around its row off, and
// puts them in its place: range, block, range.
void Recordset::Impl::materialize(size_t s, int off)
{
    Segment r = segs[s];
    const int n = r.count;
    const bool forward = off <= n - 1 - off;
    const int skip = forward ? std::max(0, off - kBlock / 4) : std::max(0, (n - 1 - off) - kBlock / 4);
    std::vector<RowKey> keys;
    keys.reserve(kBlock);
    const int skipped = scan(r.hasLo ? &r.lo : nullptr, r.hasHi ? &r.hi : nullptr, !forward, [&](const RowKey& k) {
        keys.push_back(k);
        return static_cast<int>(keys.size()) < kBlock;
    }, skip);
    if (!forward)
        std::reverse(keys.begin(), keys.end());
    const int read = static_cast<int>(keys.size());
    // Fewer rows than counted: another connection deleted some. The set
    // holds what the file has.
    const int rest = std::max(0, n - skipped - read);
    std::vector<Segment> out;
    if (read == 0) {
        if (skipped > 0) {
            r.count = skipped;
            out.push_back(r);
        }
    } else {
        Segment before;
        before.range = true;
        before.hasLo = r.hasLo;
        before.lo = r.lo;
        before.hasHi = true;
        before.hi = keys.front();
        before.count = forward ? skipped : rest;
        Segment after;
        after.range = true;
        after.hasLo = true;
        after.lo = keys.back();
        after.hasHi = r.hasHi;
        after.hi = r.hi;
        after.count = forward ? rest : skipped;
        Segment block;
        block.keys = std::move(keys);
        if (before.count > 0)
            out.push_back(std::move(before));
        out.push_back(std::move(block));
        if (after.count > 0)
            out.push_back(std::move(after));
    }
    segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(s));
    segs.insert(segs.begin() + static_cast<std::ptrdiff_t>(s), std::make_move_iterator(out.begin()),
                std::make_move_iterator(out.end()));
    for (size_t k = s; k < s + out.size() && k < segs.size(); ++k) {
        if (!segs[k].range) {
            mergeAround(k);
            break;
        }
    }
}

// Joins the block s with the blocks next to it while they stay small.
void Recordset::Impl::mergeAround(size_t s)
{
    if (s + 1 < segs.size() && !segs[s + 1].range && segs[s].size() + segs[s + 1].size() <= kMaxBlock) {
        auto& a = segs[s].keys;
        auto& b = segs[s + 1].keys;
        a.insert(a.end(), b.begin(), b.end());
        segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(s + 1));
    }
    if (s > 0 && !segs[s - 1].range && segs[s - 1].size() + segs[s].size() <= kMaxBlock) {
        auto& a = segs[s - 1].keys;
        auto& b = segs[s].keys;
        a.insert(a.end(), b.begin(), b.end());
        segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(s));
    }
}

void Recordset::Impl::materializeAll()
{
    std::vector<RowKey> all;
    all.reserve(static_cast<size_t>(heldSize()));
    for (Segment& s : segs) {
        if (!s.range) {
            all.insert(all.end(), s.keys.begin(), s.keys.end());
            continue;
        }
        scan(s.hasLo ? &s.lo : nullptr, s.hasHi ? &s.hi : nullptr, false, [&](const RowKey& k) {
            all.push_back(k);
            return true;
        });
    }
    segs.clear();
    // One block: the set is small, or the caller needs every key anyway.
    Segment b;
    b.keys = std::move(all);
    if (!b.keys.empty())
        segs.push_back(std::move(b));
}

int Recordset::Impl::heldPositionInBlocks(qint64 rowid) const
{
    int start = 0;
    for (const Segment& s : segs) {
        if (!s.range) {
            for (size_t k = 0; k < s.keys.size(); ++k)
                if (s.keys[k].rowid == rowid)
                    return start + static_cast<int>(k);
        }
        start += s.size();
    }
    return -1;
}

std::optional<RowKey> Recordset::Impl::fileKey(qint64 rowid, bool withBase)
{
    const QString col = orderCol >= 0 ? quoteIdent(cols[static_cast<size_t>(orderCol)].name) : QString();
    QString sql = QStringLiteral("SELECT rowid") + (orderCol >= 0 ? QStringLiteral(", ") + col : QString())
        + QStringLiteral(" FROM ") + quoteIdent(table) + QStringLiteral(" WHERE ");
    // The condition's ?1... before the named parameter, which would else take ?1.
    if (withBase && !baseCond.isEmpty())
        sql += QStringLiteral("(") + baseCond + QStringLiteral(") AND ");
    sql += QStringLiteral("rowid = :id");
    StatementUse use(conn->prepared(sql.toUtf8()));
    if (withBase)
        bindWhere(*use.get(), where);
    use->bindInt64(use->paramIndex(":id"), rowid);
    if (!use.step())
        return std::nullopt;
    return keyFromColumns(*use.get(), 0, orderCol >= 0 ? 1 : -1);
}

// Where the row stands among the visible rows; -1 when the set does not
// hold it.
int Recordset::Impl::positionOf(qint64 rowid)
{
    if (filtered) {
        for (size_t k = 0; k < vis.size(); ++k)
            if (vis[k].rowid == rowid)
                return static_cast<int>(k);
        return -1;
    }
    const int held = heldPositionInBlocks(rowid);
    if (held >= 0)
        return held;
    if (std::find(moved.begin(), moved.end(), rowid) != moved.end())
        return -1;
    if (std::none_of(segs.begin(), segs.end(), [](const Segment& s) { return s.range; }))
        return -1;  // every key is held: the row is not in the set
    const auto key = fileKey(rowid, true);
    if (!key)
        return -1;
    // Not read yet: it is in the range whose bounds it falls between.
    int start = 0;
    for (size_t s = 0; s < segs.size(); ++s) {
        Segment& seg = segs[s];
        if (seg.range && (!seg.hasLo || compareKeys(seg.lo, *key) < 0)
            && (!seg.hasHi || compareKeys(*key, seg.hi) < 0)) {
            const RowKey lo = seg.lo;
            const int off = countBetween(seg.hasLo ? &lo : nullptr, &*key, seg.count);
            if (off >= seg.count)
                return -1;
            materialize(s, off);
            return heldPositionInBlocks(rowid);
        }
        start += seg.size();
    }
    return -1;
}

void Recordset::Impl::insertHeld(int pos, const RowKey& k)
{
    int start = 0;
    for (size_t s = 0; s < segs.size(); ++s) {
        Segment& seg = segs[s];
        const int n = seg.size();
        if (pos < start + n || (pos == start + n && !seg.range)) {
            const int off = pos - start;
            if (!seg.range) {
                seg.keys.insert(seg.keys.begin() + off, k);
                return;
            }
            if (off == 0) {
                if (s > 0 && !segs[s - 1].range) {
                    segs[s - 1].keys.push_back(k);
                } else {
                    Segment b;
                    b.keys.push_back(k);
                    segs.insert(segs.begin() + static_cast<std::ptrdiff_t>(s), std::move(b));
                }
                return;
            }
            // Inside a range not read: k's key is the one that decided the
            // place, so it bounds both halves.
            Segment after = seg;
            after.hasLo = true;
            after.lo = k;
            after.count = n - off;
            seg.hasHi = true;
            seg.hi = k;
            seg.count = off;
            Segment b;
            b.keys.push_back(k);
            segs.insert(segs.begin() + static_cast<std::ptrdiff_t>(s + 1), std::move(b));
            segs.insert(segs.begin() + static_cast<std::ptrdiff_t>(s + 2), std::move(after));
            return;
        }
        start += n;
    }
    if (!segs.empty() && !segs.back().range) {
        segs.back().keys.push_back(k);
    } else {
        Segment b;
        b.keys.push_back(k);
        segs.push_back(std::move(b));
    }
}

void Recordset::Impl::eraseHeld(int pos)
{
    int start = 0;
    for (size_t s = 0; s < segs.size(); ++s) {
        const int n = segs[s].size();
        if (pos < start + n) {
            if (segs[s].range)
                return;  // never: a row erased has been read
            segs[s].keys.erase(segs[s].keys.begin() + (pos - start));
            if (segs[s].keys.empty())
                segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(s));
            return;
        }
        start += n;
    }
}

void Recordset::Impl::noteMoved(qint64 rowid)
{
    if (std::find(moved.begin(), moved.end(), rowid) == moved.end())
        moved.push_back(rowid);
}

void Recordset::Impl::load()
{
    // Marks of the keys read before are no marks of these.
    walk.stop();
    // The first rows, all of them when the set is small.
    std::vector<Segment> fresh;
    std::string freshArena;
    std::swap(arena, freshArena);
    std::vector<qint64> keepMoved;
    std::swap(moved, keepMoved);
    try {
        std::vector<RowKey> first;
        const int limit = eagerRows();
        bool more = false;
        scan(nullptr, nullptr, false, [&](const RowKey& k) {
            if (static_cast<int>(first.size()) >= limit) {
                more = true;
                return false;
            }
            first.push_back(k);
            return true;
        });
        if (!first.empty()) {
            Segment b;
            b.keys = std::move(first);
            fresh.push_back(std::move(b));
        }
        if (more) {
            // The rest is counted, not read: the count walks the date index,
            // so a whole table's count is kept by the connection while the
            // file is unchanged.
            auto countRows = [&]() -> qint64 {
                QString sql = QStringLiteral("SELECT count(*) FROM ") + quoteIdent(table);
                if (!baseCond.isEmpty())
                    sql += QStringLiteral(" WHERE ") + baseCond;
                StatementUse use(conn->prepared(sql.toUtf8()));
                bindWhere(*use.get(), where);
                use.step();
                return use->int64(0);
            };
            const int total = static_cast<int>(baseCond.isEmpty() ? conn->tableRowCount(table, countRows)
                                                                  : countRows());
            const int held = fresh.empty() ? 0 : static_cast<int>(fresh.front().keys.size());
            if (total > held) {
                Segment r;
                r.range = true;
                if (held > 0) {
                    r.hasLo = true;
                    r.lo = fresh.front().keys.back();
                }
                r.count = total - held;
                fresh.push_back(std::move(r));
            }
        }
    } catch (...) {
        std::swap(arena, freshArena);
        std::swap(moved, keepMoved);
        throw;
    }
    // A small set reads every row's fields now, in one statement.
    std::vector<CachedRow> rows;
    if (!fresh.empty() && !fresh.back().range) {
        const QString from = QStringLiteral(" FROM ") + quoteIdent(table);
        QString sql = QStringLiteral("SELECT rowid, ") + colList + from;
        if (!baseCond.isEmpty())
            sql += QStringLiteral(" WHERE ") + baseCond;
        StatementUse use(conn->prepared(sql.toUtf8(), true));
        bindWhere(*use.get(), where);
        while (use.step()) {
            CachedRow r;
            r.rowid = use->int64(0);
            readRow(*use.get(), 1, r);
            rows.push_back(std::move(r));
        }
    }
    segs = std::move(fresh);
    clearCache();
    pinned = !segs.empty() && !segs.back().range;
    if (pinned || segs.empty()) {
        pinned = true;
        cache = std::move(rows);
        for (size_t k = 0; k < cache.size(); ++k)
            cacheAt[cache[k].rowid] = static_cast<int>(k);
    }
    stampCache();
}

std::unordered_set<qint64> Recordset::Impl::matchingRows(const BoundCriteria& c)
{
    // The criteria are tested in memory, as the fields are read, so that a
    // find or a filter compares exactly as it always has. A text equal to a
    // value without letters is also looked up through the field's index.
    std::vector<int> need;
    for (const BoundTerm& t : c)
        if (std::find(need.begin(), need.end(), t.col) == need.end())
            need.push_back(t.col);
    QStringList names;
    for (int col : need)
        names << quoteIdent(cols[static_cast<size_t>(col)].name);
    QStringList conds;
    if (!baseCond.isEmpty())
        conds << QStringLiteral("(") + baseCond + QStringLiteral(")");
    const BoundTerm* exact = nullptr;
    for (const BoundTerm& t : c) {
        if (t.op == Op::Eq && t.domain == BoundTerm::Text) {
            bool letters = false;
            for (QChar ch : t.text)
                if (ch.isLetter() || ch.toLower() != ch || ch.toUpper() != ch)
                    letters = true;
            if (!letters) {
                exact = &t;
                break;
            }
        }
    }
    if (exact)
        conds << quoteIdent(cols[static_cast<size_t>(exact->col)].name) + QStringLiteral(" = :exact");
    QString sql = QStringLiteral("SELECT rowid") + (names.isEmpty() ? QString() : QStringLiteral(", ") + names.join(QStringLiteral(", ")))
        + QStringLiteral(" FROM ") + quoteIdent(table);
    if (!conds.isEmpty())
        sql += QStringLiteral(" WHERE ") + conds.join(QStringLiteral(" AND "));
    std::unordered_set<qint64> out;
    if (pinned) {
        for (const CachedRow& r : cache)
            if (r.present && matches(c, r.cells.data(), r.pool))
                out.insert(r.rowid);
        return out;
    }
    StatementUse use(conn->prepared(sql.toUtf8()));
    Stmt& st = *use.get();
    bindWhere(st, where);
    if (exact)
        bindValue(st, st.paramIndex(":exact"), exact->text);
    std::vector<Cell> row(static_cast<size_t>(ncols));
    TextPool pool;
    while (use.step()) {
        pool.clear();
        for (size_t k = 0; k < need.size(); ++k)
            row[static_cast<size_t>(need[k])] = readCell(st, static_cast<int>(k) + 1,
                                                         cols[static_cast<size_t>(need[k])].type, pool);
        if (matches(c, row.data(), pool))
            out.insert(st.int64(0));
    }
    return out;
}

void Recordset::Impl::applyFilter()
{
    vis.clear();
    if (filter.empty()) {
        filtered = false;
        return;
    }
    materializeAll();
    const auto match = matchingRows(filter);
    for (const Segment& s : segs)
        for (const RowKey& k : s.keys)
            if (match.count(k.rowid))
                vis.push_back(k);
    filtered = true;
}

void Recordset::Impl::stampCache()
{
    changeStamp = static_cast<int>(conn->backend().totalChanges());
}

void Recordset::Impl::clearCache()
{
    cache.clear();
    cacheAt.clear();
    cacheNext = 0;
}

Recordset::Impl::CachedRow& Recordset::Impl::cacheSlot(qint64 rowid)
{
    auto it = cacheAt.find(rowid);
    if (it != cacheAt.end())
        return cache[static_cast<size_t>(it->second)];
    int slot;
    if (pinned || static_cast<int>(cache.size()) < kCacheRows) {
        slot = static_cast<int>(cache.size());
        cache.emplace_back();
    } else {
        slot = cacheNext;
        cacheNext = (cacheNext + 1) % kCacheRows;
        cacheAt.erase(cache[static_cast<size_t>(slot)].rowid);
    }
    CachedRow& r = cache[static_cast<size_t>(slot)];
    r.rowid = rowid;
    r.present = false;
    r.cells.assign(static_cast<size_t>(ncols), Cell());
    r.pool.clear();
    cacheAt[rowid] = slot;
    return r;
}

void Recordset::Impl::readRow(const Stmt& st, int first, CachedRow& out)
{
    out.pool.clear();
    out.cells.resize(static_cast<size_t>(ncols));
    for (int c = 0; c < ncols; ++c)
        out.cells[static_cast<size_t>(c)] = readCell(st, first + c, cols[static_cast<size_t>(c)].type, out.pool);
    out.version = versioned ? st.int64(first + ncols) : 0;
    out.present = true;
}

// Reads the fields of the row at pos and of the rows after it (a walk
// usually goes on) that the cache does not hold, by one statement.
void Recordset::Impl::fetchAround(int pos)
{
    std::vector<qint64> ids;
    const qint64 want = keyAt(pos).rowid;
    ids.push_back(want);
    // Only keys already read: fetching fields never reads keys.
    int start = 0;
    const std::vector<RowKey>* block = nullptr;
    if (filtered) {
        block = &vis;
    } else {
        for (const Segment& s : segs) {
            if (pos < start + s.size()) {
                block = &s.keys;
                break;
            }
            start += s.size();
        }
    }
    const bool walking = std::abs(pos - lastFetch) <= kFetch;
    lastFetch = pos;
    if (block && walking) {
        const int off = pos - start;
        const int lo = std::max(0, off - kFetch / 4);
        const int hi = std::min(static_cast<int>(block->size()), lo + kFetch);
        for (int k = lo; k < hi && static_cast<int>(ids.size()) < kFetch; ++k) {
            const qint64 id = (*block)[static_cast<size_t>(k)].rowid;
            if (id != want && id != 0 && !cacheAt.count(id))
                ids.push_back(id);
        }
    }
    // Slots first, so that the rows fetched are all in the cache at once.
    for (qint64 id : ids)
        cacheSlot(id);
    StatementUse use(conn->prepared(fetchSql));
    for (size_t k = 0; k < ids.size(); ++k)
        use->bindInt64(static_cast<int>(k) + 1, ids[k]);
    while (use.step()) {
        const qint64 id = use->int64(0);
        auto it = cacheAt.find(id);
        if (it != cacheAt.end())
            readRow(*use.get(), 1, cache[static_cast<size_t>(it->second)]);
    }
}

const Recordset::Impl::CachedRow& Recordset::Impl::currentData()
{
    if (adding && cur == size() - 1)
        return newRow;
    const qint64 id = keyAt(cur).rowid;
    if (!pinned && static_cast<int>(conn->backend().totalChanges()) != changeStamp) {
        clearCache();
        stampCache();
    }
    auto it = cacheAt.find(id);
    if (it == cacheAt.end()) {
        fetchAround(cur);
        it = cacheAt.find(id);
    }
    const CachedRow& r = cache[static_cast<size_t>(it->second)];
    if (!r.present)
        throw DbError(err::RecordDeleted, QStringLiteral("Record is deleted."));
    return r;
}

} // namespace rv::store
