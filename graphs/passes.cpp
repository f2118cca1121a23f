#include "graphs/passes.h"

#include "calc/stretch.h"
#include "calc/zeros.h"
#include "common/log.h"
#include "graphs/graph_data.h"
#include "store/bulk.h"
#include "store/cell.h"
#include "store/change_watch.h"
#include "store/settings.h"
#include "store/sqlerror.h"
#include "store/tableinfo.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <thread>
#include <QCryptographicHash>
#include <charconv>
#include <cstring>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

// A pass reads its selection straight from the file rather than through the
// graph record set: only the fields it needs, by rowid, in the order the
// record set would give (the same condition, FullDate then rowid), in chunks
// read into the same buffers, and writes back by rowid only the rows whose
// stored values differ from the new ones. The record set would hold all 41
// fields of every reading, which on years of hourly readings costs more than
// the pass itself. The graph record set is left closed, as after a pass
// through it.

namespace rv::graphs {

namespace {

using store::detail::Cell;
using store::detail::Tag;
using store::detail::TextPool;

// Columns read per row: the channels, then the stored values of every field
// a pass writes, then FullDate.
enum : int {
    kChannel = 0,
    kChannelT = 10,
    kZero = 11,
    kNumTemp = 21,
    kStretch = 22,
    kDisp = 27,
    kFull = 33,
    kRead = 34
};
// Rows per chunk: small enough to stay in the processor's caches, large
// enough that the chunk's bookkeeping does not count.
constexpr size_t kChunk = 1024;

// Julian day of 1899/12/30 and the date serial of 1970/01/01: the chart's
// date-time keys are seconds since then.
constexpr qint64 kSerialEpoch = 2415019;
constexpr double kUnixEpochSerial = 25569.0;

struct Selection {
    enum State { Closed, Open } state = Closed;
    QString id;
    QString table;
    size_t chunk = kChunk;
    // The statement's condition and order, for reading the same rows again.
    QString whereAndOrder;
    // The condition on a range of rowids, ?1 to ?2, its own parameters
    // from ?3: for reading the selection in parts.
    QString whereInRowids;
    // The order is ascending FullDate (then rowid), which the rows can also
    // be put in after they are read in the table's own order.
    bool byFullDate = false;
    store::detail::BoundCriteria where;
    // The columns the stored values depend on, as the table spells them.
    QStringList watched;
    std::unique_ptr<store::BulkQuery> query;  // while rows remain
    std::vector<store::ColType> types;
    // Columns the statement really reads (the others stay null), and their
    // places among a row's cells in the order the statement gives them.
    std::vector<char> live;
    std::vector<int> readCols;
    // Temperatures already taken the zero calculation's way, by their bits:
    // readings repeat a handful of temperatures.
    struct Temperature {
        quint64 bits = 0;
        double value = 0;
        bool used = false;
    };
    mutable std::array<Temperature, 64> temperatures;
    // kRead cells per row of the current chunk, in selection order. The
    // stored values a pass writes are read with the rows only where the
    // pass compares them itself (on a server); on a file the writes leave
    // rows that hold their values already, and the few rows whose stored
    // values are wanted otherwise read them when asked (needStored).
    mutable std::vector<Cell> cells;
    mutable TextPool pool;
    bool storedRead = true;
    QByteArray storedSql;  // the stored values of one row by rowid
    std::vector<int> storedCols;  // their places among the cells
    mutable std::vector<char> storedHere;  // per row of the chunk
    std::vector<qint64> rowids;
    qint64 firstRowid = 0;
    qint64 lastRowid = 0;
    int readingDateCol = -1;
    store::ColType readingDateType = store::ColType::Date;
    // The names of the fields written, as the table spells them.
    std::array<QString, 11> zeroName;
    QString numTempName;
    std::array<QString, 6> stretchName;
    std::array<QString, 7> dispName;
    bool complete = true;  // every field read and written exists

    size_t rows() const { return rowids.size(); }
    // Row r's stored values among its cells, read now if the selection
    // left them out.
    void needStored(store::Connection& conn, size_t r) const
    {
        if (storedRead || r >= rows() || storedHere[r])
            return;
        storedHere[r] = 1;
        store::BulkQuery q(conn, storedSql);
        q.bindInt(1, rowids[r]);
        if (!q.next())
            return;
        Cell* row = cells.data() + r * kRead;
        for (size_t k = 0; k < storedCols.size(); ++k)
            row[storedCols[k]] = q.cell(int(k), types[size_t(storedCols[k])], pool);
    }
    const Cell* row(size_t r) const { return cells.data() + r * kRead; }
    QVariant value(size_t r, int c) const { return store::detail::cellValue(row(r)[c], pool); }

    // The next chunk in place of the current one; false when none is left.
    bool fetch()
    {
        rowids.clear();
        cells.clear();
        pool.clear();
        storedHere.clear();
        if (!query)
            return false;
        while (rowids.size() < chunk) {
            if (!query->next()) {
                query.reset();
                break;
            }
            rowids.push_back(query->integer(0));
            const size_t at = cells.size();
            cells.resize(at + kRead);
            for (size_t k = 0; k < readCols.size(); ++k)
                cells[at + size_t(readCols[k])] = query->cell(int(k) + 1, types[size_t(readCols[k])], pool);
        }
        storedHere.assign(rowids.size(), 0);
        if (!rowids.empty()) {
            if (firstRowid == 0)
                firstRowid = rowids.front();
            lastRowid = rowids.back();
        }
        return !rowids.empty();
    }
};

// The statement's error when there is no row: closed, empty, or a table
// not made from the template.
void requireRow(const Selection& s, size_t r)
{
    if (s.state == Selection::Closed)
        throw store::detail::objectClosed();
    if (r >= s.rows())
        throw store::detail::noCurrentRecord();
    if (!s.complete)
        throw store::detail::noSuchField(QStringLiteral("Channel1"));
}

// OpenGraphData's reading of the selection: the same statement, the same
// handling of a missing table. The first chunk is read.
void openSelection(Selection& s, AppState& st, Prompter& pr, GraphSelection sel, bool displacement,
                   size_t chunk = kChunk, bool withDates = true)
{
    s.chunk = chunk;
    QString id;
    try {
        id = st.rsSensors.text(QStringLiteral("InstrumentID"));
        st.rsGraph.close();
        if (!graphTableReady(st, pr, sel, id))
            return;
        using namespace store::detail;
        if (!st.conn->state())
            throw objectClosed();
        const ResolvedSelection rs = resolveSelection(*st.conn, id, sel);
        s.id = id;
        s.table = rs.table;
        const std::vector<ColumnInfo>& cols = rs.cols;
        auto indexOf = [&rs](const QString& f) { return rs.indexOf(f); };

        // The fields read, in the order of the enum above. A missing channel
        // or zero is read as null and makes every row fail as it would in the
        // record set; the stretches and displacements are read only by the
        // passes that write them.
        QStringList wanted;
        for (int k = 1; k <= 10; ++k)
            wanted << QStringLiteral("Channel%1").arg(k);
        wanted << QStringLiteral("ChannelT");
        for (int k = 1; k <= 10; ++k)
            wanted << QStringLiteral("zero%1").arg(k);
        wanted << QStringLiteral("NumTemp");
        for (int k = 1; k <= 5; ++k)
            wanted << QStringLiteral("Stretch%1").arg(k);
        for (int k = 1; k <= 6; ++k)
            wanted << QStringLiteral("Disp%1").arg(k);
        wanted << QStringLiteral("FullDate");
        s.storedRead = st.conn->backend().engine() != store::Engine::Sqlite;
        QStringList select;
        QStringList storedSelect;
        for (int c = 0; c < kRead; ++c) {
            const int i = indexOf(wanted[c]);
            // FullDate only places the points drawn: a pass with no lines
            // to give leaves it out (a text read costs SQLite a copy).
            const bool skip = (!displacement && c >= kStretch && c < kFull) || (c == kFull && !withDates);
            if (i < 0 && c <= kZero + 4)
                s.complete = false;
            if (i < 0 || skip) {
                s.types.push_back(store::ColType::Double);
                s.live.push_back(0);
            } else if (!s.storedRead && c >= kZero && c < kFull) {
                s.types.push_back(cols[size_t(i)].type);
                s.live.push_back(0);
                storedSelect << quoteIdent(cols[size_t(i)].name);
                s.storedCols.push_back(c);
            } else {
                select << quoteIdent(cols[size_t(i)].name);
                s.types.push_back(cols[size_t(i)].type);
                s.live.push_back(1);
                s.readCols.push_back(c);
            }
        }
        if (!storedSelect.isEmpty())
            s.storedSql = (QStringLiteral("SELECT ") + storedSelect.join(QStringLiteral(", ")) + QStringLiteral(" FROM ")
                           + quoteIdent(rs.table) + QStringLiteral(" WHERE rowid = ?1"))
                              .toUtf8();
        else
            s.storedRead = true;
        auto stored = [&](const QString& f) {
            const int i = indexOf(f);
            if (i < 0)
                s.complete = false;
            return i < 0 ? f : cols[size_t(i)].name;
        };
        for (int k = 1; k <= 10; ++k)
            s.zeroName[size_t(k)] = stored(QStringLiteral("zero%1").arg(k));
        s.numTempName = stored(QStringLiteral("NumTemp"));
        for (int k = 1; k <= 5; ++k)
            s.stretchName[size_t(k)] = stored(QStringLiteral("Stretch%1").arg(k));
        for (int k = 1; k <= 6; ++k)
            s.dispName[size_t(k)] = stored(QStringLiteral("Disp%1").arg(k));
        s.readingDateCol = indexOf(QStringLiteral("ReadingDate"));
        if (s.readingDateCol >= 0)
            s.readingDateType = cols[size_t(s.readingDateCol)].type;

        for (const QString& f : {QStringLiteral("Plottemporal"), QStringLiteral("PlotSpatial"), QStringLiteral("DoNotPlot")})
            wanted << f;
        for (int c = 0; c < int(wanted.size()); ++c) {
            if (c >= kZero && c < kFull)
                continue;  // written by the passes themselves
            const int i = indexOf(wanted[c]);
            if (i >= 0)
                s.watched << cols[size_t(i)].name;
        }
        s.where = rs.where;
        const QString cond = sqlWhere(rs.where, cols, 3, st.conn->backend().engine());
        s.whereInRowids = QStringLiteral(" WHERE rowid >= ?1 AND rowid <= ?2")
            + (cond.isEmpty() ? QString() : QStringLiteral(" AND (") + cond.mid(7) + QStringLiteral(")"));
        s.byFullDate = !rs.descending && cols[size_t(rs.orderCol)].name.compare(QStringLiteral("FullDate"), Qt::CaseInsensitive) == 0;
        s.whereAndOrder = sqlWhere(rs.where, cols, 1, st.conn->backend().engine()) + QStringLiteral(" ORDER BY ")
            + quoteIdent(cols[size_t(rs.orderCol)].name) + (rs.descending ? QStringLiteral(" DESC") : QString())
            + QStringLiteral(", rowid");
        const QByteArray sql = (QStringLiteral("SELECT rowid") + (select.isEmpty() ? QString() : QStringLiteral(", "))
                                + select.join(QStringLiteral(", ")) +
                                QStringLiteral(" FROM ") + quoteIdent(s.table) + s.whereAndOrder)
                                   .toUtf8();
        s.query = std::make_unique<store::BulkQuery>(*st.conn, sql);
        s.query->bindWhere(rs.where);
        s.fetch();
        s.state = Selection::Open;
    } catch (...) {
        graphOpenFailed(st, pr, sel, id);
        s.query.reset();
        s.rowids.clear();
        s.cells.clear();
        s.state = Selection::Closed;
    }
}

// A displacement pass on a sensor whose node positions were never entered:
// logged as the type mismatch it is, told with the boxes to fill.
struct MissingNodePositions : store::DbError {
    explicit MissingNodePositions(const store::DbError& e) : store::DbError(e) {}
    std::vector<int> nodes;
};

// Tells the user that the graph's stored values could not be brought up to
// date, and why, for the exception being handled.
void tellPassFailed(AppState& st, Prompter& pr) noexcept
{
    QString why;
    QString id;
    attempt([&] { id = st.rsSensors.text(QStringLiteral("InstrumentID")); });
    try {
        throw;
    } catch (const MissingNodePositions& e) {
        QStringList boxes;
        for (int k : e.nodes)
            boxes << QStringLiteral("Node %1").arg(k);
        why = QStringLiteral("The node positions of Sensor %1 have not been entered.\nFill in %2 under "
                             "\"Nodal Points:\" on the '1. Identification' page.")
                  .arg(id, boxes.isEmpty() ? QStringLiteral("the node boxes") : boxes.join(QStringLiteral(", ")));
    } catch (...) {
        int number = 0;
        QString description;
        describeCurrentException(number, description);
        why = description;
    }
    attempt([&] {
        pr.message(QStringLiteral("The graph could not be brought up to date; it shows the values stored "
                                  "before.\n") + why,
                   MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
    });
}

calc::ChannelValues channelsOf(const Selection& s, size_t r)
{
    calc::ChannelValues v;
    for (int k = 1; k <= 10; ++k)
        v[size_t(k)] = s.value(r, kChannel + k - 1);
    return v;
}

// The zero reading's channel texts become the offsets; without a first row
// the offsets of the last pass stay.
void GetOffsets(AppState& st, const Selection& s)
{
    try {
        requireRow(s, 0);
        const calc::ChannelTexts t = calc::GetOffsets(channelsOf(s, 0));
        for (size_t k = 1; k <= 10; ++k)
            st.Offset[k] = t[k];
    } catch (...) {
        logCurrentException(st.DataFolder, QStringLiteral("Module1_GetOffsets"));
    }
}

// The fields one row is given, in the order they are assigned.
struct RowWrite {
    bool failed = false;    // a value could not be computed (logged)
    int zeros = 0;          // zero1 .. zero(zeros)
    bool numTemp = false;
    bool displacement = false;  // Stretch1..5 and Disp1..6
    std::array<double, 11> zero{};
    double temp = 0;
    calc::SectionValues stretch;
    calc::NodeValues disp;
};

// Zero values and temperature of row r. A channel that cannot be zeroed ends
// the row there: the fields before it take their new values, the rest keep
// their old ones, and the pass goes on.
// The temperature as the zero calculation reads it: the text of the stored
// number (fifteen significant digits) read back as a number, taken without
// the texts. false for the values the general way must judge.
bool quickTemperature(double d, double& out)
{
    if (d == 0) {
        out = 0.0;
        return true;
    }
    const double a = std::fabs(d);
    if (!(a > 1e-290 && a < 1e290))
        return false;
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, 14);
    if (res.ec != std::errc())
        return false;
    double v = 0;
    const auto back = std::from_chars(buf, res.ptr, v);
    if (back.ec != std::errc() || back.ptr != res.ptr)
        return false;
    out = v + 0.0;
    return true;
}

// The zero calculation on a row whose channels are numbers or empty and
// that every channel of can be zeroed: the common case, done on the cells
// without the general values. false leaves the row to the general way.
bool quickZeros(const Selection& s, size_t r, const calc::ZeroOffsets& off, RowWrite& w)
{
    if (s.state != Selection::Open || r >= s.rows() || !s.complete)
        return false;
    const Cell* row = s.row(r);
    for (int k = 1; k <= 10; ++k) {
        const Cell& c = row[kChannel + k - 1];
        if (c.tag == Tag::Null) {
            w.zero[size_t(k)] = 0;
            continue;
        }
        if (c.tag != Tag::Double || !off.value[size_t(k)])
            return false;
        // x - x is +0 for the zero reading itself; a difference is never -0.
        w.zero[size_t(k)] = (c.d - *off.value[size_t(k)]) + 0.0;
    }
    const Cell& t = row[kChannelT];
    if (t.tag == Tag::Null) {
        w.temp = 0.0;
    } else {
        if (t.tag != Tag::Double)
            return false;
        quint64 bits = 0;
        std::memcpy(&bits, &t.d, sizeof bits);
        Selection::Temperature& seen = s.temperatures[size_t((bits ^ (bits >> 29) ^ (bits >> 47)) & 63)];
        if (seen.used && seen.bits == bits) {
            w.temp = seen.value;
        } else {
            if (!quickTemperature(t.d, w.temp))
                return false;
            seen = Selection::Temperature{bits, w.temp, true};
        }
    }
    w.zeros = 10;
    w.numTemp = true;
    return true;
}

void SetZeros(AppState& st, const Selection& s, size_t r, const calc::ZeroOffsets& off, RowWrite& w)
{
    if (quickZeros(s, r, off, w))
        return;
    w = RowWrite();
    try {
        requireRow(s, r);
        const calc::ZeroRow z = calc::SetZeros(channelsOf(s, r), s.value(r, kChannelT), off);
        w.zeros = std::min(z.written(), 10);
        w.numTemp = z.written() == 11;
        w.zero = z.zero;
        w.temp = z.numTemp;
        if (z.failedChannel != 0)
            throw store::detail::typeMismatch();
    } catch (...) {
        w.failed = true;
        logCurrentException(st.DataFolder, QStringLiteral("G_SetZeros"));
    }
}

// Stretches and displacements of row r from its zero values as they now
// stand: the new ones, and the old ones where SetZeros stopped early. A node
// position that cannot be read ends the pass.
void CalcStretchAndDisp(store::Connection& conn, const Selection& s, size_t r, const calc::Anchors& a, RowWrite& w)
{
    requireRow(s, r);
    if (w.zeros < 5)
        s.needStored(conn, r);
    calc::SectionValues zero;
    for (int k = 1; k <= 5; ++k) {
        if (k <= w.zeros) {
            zero[size_t(k)] = w.zero[size_t(k)];
            continue;
        }
        const QVariant v = s.value(r, kZero + k - 1);
        if (v.isNull())
            continue;
        bool ok = false;
        const double x = v.toDouble(&ok);
        if (!ok)
            throw store::detail::typeMismatch();
        zero[size_t(k)] = x;
    }
    const calc::StretchResult res = calc::CalcStretch(a, zero);
    if (res.failedSection != 0) {
        MissingNodePositions e(store::detail::typeMismatch());
        for (int k = 1; k <= a.sections + 1; ++k)
            if (!a.r[size_t(k)])
                e.nodes.push_back(k);
        throw e;
    }
    w.stretch = res.stretch;
    w.disp = calc::CalcDisp(a, res.stretch);
    w.displacement = true;
}

// A stored value as the chart reads it: a number (a Yes/No as 1 or 0, a
// date or time as its serial), NaN for null; nullopt for a text, which only
// the drawing's general reading handles.
std::optional<double> plotted(const Cell& c)
{
    switch (c.tag) {
    case Tag::Null: return std::numeric_limits<double>::quiet_NaN();
    case Tag::Double: return std::isfinite(c.d) ? c.d : std::numeric_limits<double>::quiet_NaN();
    case Tag::Long:
    case Tag::Bool: return double(c.i);
    case Tag::Date: return double(c.i - kSerialEpoch);
    case Tag::Time: return c.i / double(store::detail::kMsPerDay);
    case Tag::DateTime:
        return double(c.i / store::detail::kMsPerDay - kSerialEpoch)
            + (c.i % store::detail::kMsPerDay) / double(store::detail::kMsPerDay);
    case Tag::Text: break;
    }
    return std::nullopt;
}

bool sameAsStored(const Cell& c, double v)
{
    return c.tag == Tag::Double && c.d == v;
}

bool sameAsStored(const Cell& c, const std::optional<double>& v)
{
    return v ? sameAsStored(c, *v) : c.tag == Tag::Null;
}

// Writes rows back by rowid, one prepared UPDATE per shape of row, and only
// rows whose stored values differ from the new ones: a pass over readings
// already up to date writes nothing.
class RowWriter {
public:
    RowWriter(store::Connection& conn, const Selection& s, const store::TableShape& shape)
        : m_conn(conn), m_s(s), m_shape(shape)
    {
    }

    void update(size_t r, const RowWrite& w)
    {
        requireRow(m_s, r);
        const int key = w.zeros * 4 + (w.numTemp ? 2 : 0) + (w.displacement ? 1 : 0);
        if (key == 0)
            return;  // nothing assigned: nothing to write
        if (m_s.storedRead && unchanged(r, w))
            return;
        const bool guarded = !m_s.storedRead && m_compare;
        store::BulkUpdate& u = statement(key, w, guarded);
        int p = 0;
        for (int k = 1; k <= w.zeros; ++k)
            u.setDouble(p++, w.zero[size_t(k)]);
        if (w.numTemp)
            u.setDouble(p++, w.temp);
        if (w.displacement) {
            for (int k = 1; k <= 5; ++k)
                setOptional(u, p++, w.stretch[size_t(k)]);
            for (int k = 1; k <= 6; ++k)
                setOptional(u, p++, w.disp[size_t(k)]);
        }
        if (guarded) {
            if (!u.updateIfDiffers(m_s.rowids[r])) {
                m_streak = 0;
                return;
            }
            // Rows that all differ from what they store (the first pass
            // after an import): the rest are written without comparing. At
            // worst a row is written with the values it holds.
            if (++m_streak >= kStreak)
                m_compare = false;
        } else {
            u.update(m_s.rowids[r]);
        }
        ++m_written;
    }

    size_t written() const { return m_written; }

private:
    bool unchanged(size_t r, const RowWrite& w) const
    {
        const Cell* row = m_s.row(r);
        for (int k = 1; k <= w.zeros; ++k)
            if (!sameAsStored(row[kZero + k - 1], w.zero[size_t(k)]))
                return false;
        if (w.numTemp && !sameAsStored(row[kNumTemp], w.temp))
            return false;
        if (w.displacement) {
            for (int k = 1; k <= 5; ++k)
                if (!sameAsStored(row[kStretch + k - 1], w.stretch[size_t(k)]))
                    return false;
            for (int k = 1; k <= 6; ++k)
                if (!sameAsStored(row[kDisp + k - 1], w.disp[size_t(k)]))
                    return false;
        }
        return true;
    }

    static void setOptional(store::BulkUpdate& u, int p, const std::optional<double>& v)
    {
        if (v)
            u.setDouble(p, *v);
        else
            u.setNull(p);
    }

    store::BulkUpdate& statement(int key, const RowWrite& w, bool guarded)
    {
        key = key * 2 + (guarded ? 1 : 0);
        auto it = m_statements.find(key);
        if (it == m_statements.end()) {
            QStringList sets;
            for (int k = 1; k <= w.zeros; ++k)
                sets << m_s.zeroName[size_t(k)];
            if (w.numTemp)
                sets << m_s.numTempName;
            if (w.displacement) {
                for (int k = 1; k <= 5; ++k)
                    sets << m_s.stretchName[size_t(k)];
                for (int k = 1; k <= 6; ++k)
                    sets << m_s.dispName[size_t(k)];
            }
            if (!guarded) {
                it = m_statements.emplace(key, std::make_unique<store::BulkUpdate>(m_conn, m_shape, sets)).first;
                it->second->sendAhead();
            } else {
                it = m_statements
                         .emplace(key, std::make_unique<store::BulkUpdate>(m_conn, m_shape, sets,
                                                                           store::BulkUpdate::OnlyDiffering{}))
                         .first;
            }
        }
        return *it->second;
    }

    store::Connection& m_conn;
    const Selection& m_s;
    const store::TableShape& m_shape;
    std::map<int, std::unique_ptr<store::BulkUpdate>> m_statements;
    size_t m_written = 0;
    // On a file: whether rows are still compared with what they store, and
    // how many in a row have differed.
    static constexpr int kStreak = 1024;
    bool m_compare = true;
    int m_streak = 0;
};

// A channel left empty in a reading: its zero value is stored as 0, but
// there is no load to draw.
bool emptyChannel(const Selection& s, size_t r, int k)
{
    const Cell& c = s.row(r)[kChannel + k - 1];
    return c.tag == Tag::Null || (c.tag == Tag::Text && s.value(r, kChannel + k - 1).toString().isEmpty());
}

// Adds row r's points to the lines: the values written, and the stored
// ones where the row was not written in full. Gives the channels of the
// row that were empty (their points left out), as bits 1..10.
unsigned addLine(store::Connection& conn, const Selection& s, size_t r, const RowWrite& w, GraphLines& lines)
{
    if (!lines.ready)
        return 0;
    // A row not given every value drawn shows its stored ones.
    if (!w.numTemp || (lines.displacement ? !w.displacement : w.zeros < 10))
        s.needStored(conn, r);
    const Cell* row = s.row(r);
    const auto x = plotted(row[kFull]);
    const Tag xt = row[kFull].tag;
    if (!x || !(xt == Tag::Null || xt == Tag::Date || xt == Tag::DateTime)) {
        lines.ready = false;  // a FullDate the general reading must judge
        return 0;
    }
    lines.x.push_back(std::isnan(*x) ? *x : std::round((*x - kUnixEpochSerial) * 86400.0 * 1000.0) / 1000.0);
    auto put = [&](int f, const std::optional<double>& v) {
        if (!v) {
            lines.ready = false;
            return;
        }
        lines.y[size_t(f)].push_back(*v);
    };
    put(0, w.numTemp ? std::optional<double>(w.temp) : plotted(row[kNumTemp]));
    if (lines.displacement) {
        for (int k = 1; k <= 6; ++k) {
            const auto& d = w.disp[size_t(k)];
            put(k, w.displacement ? std::optional<double>(d ? *d : std::numeric_limits<double>::quiet_NaN())
                                  : plotted(row[kDisp + k - 1]));
        }
        return 0;
    }
    unsigned empty = 0;
    for (int k = 1; k <= 10; ++k) {
        if (s.complete && emptyChannel(s, r, k)) {
            empty |= 1u << k;
            put(k, std::numeric_limits<double>::quiet_NaN());
            continue;
        }
        put(k, k <= w.zeros ? std::optional<double>(w.zero[size_t(k)]) : plotted(row[kZero + k - 1]));
    }
    return empty;
}

QVariant readingDate(store::Connection& conn, const Selection& s, qint64 rowid)
{
    if (s.readingDateCol < 0 || rowid == 0)
        return QVariant();
    using store::detail::quoteIdent;
    store::BulkQuery q(conn, (QStringLiteral("SELECT ReadingDate FROM ") + quoteIdent(s.table)
                              + QStringLiteral(" WHERE rowid = ?1"))
                                 .toUtf8());
    q.bindInt(1, rowid);
    if (!q.next())
        return QVariant();
    TextPool pool;
    return store::detail::cellValue(q.cell(0, s.readingDateType, pool), pool);
}

// ---------------------------------------------------------------- the note

// The sensor's setting that names the passes whose stored values are
// current: "<rows> <highest rowid> <pass> <pass> ...".
const QString kNoteName = QStringLiteral("GraphValues");

// A pass is known by its selection and, for the displacements, by the node
// geometry it was given: other node positions give other values.
QString passKey(GraphSelection sel, const NodeGeometry* g)
{
    QString key = sel == GraphSelection::Temporal ? QStringLiteral("T")
        : sel == GraphSelection::Spatial          ? QStringLiteral("S")
                                                  : QStringLiteral("A");
    if (!g)
        return key;
    QCryptographicHash h(QCryptographicHash::Sha1);
    h.addData(QByteArray::number(g->headAtCollar ? 1 : 0) + ' ' + QByteArray::number(g->numChannels));
    for (const QString& t : g->relAnchor) {
        h.addData(QByteArrayView("\x1f", 1));
        h.addData(t.toUtf8());
    }
    return key + QStringLiteral("D") + QString::fromLatin1(h.result().toHex().left(16));
}

// The passes the sensor's note names while it holds for the table as it
// now is; empty when there is none. Throws when the file cannot be read.
QStringList currentPasses(store::Connection& conn, const QString& id, const Selection& s)
{
    const auto text = store::readWatchedNote(conn, s.table, id, kNoteName, s.watched);
    return text ? text->split(QLatin1Char(' '), Qt::SkipEmptyParts) : QStringList();
}

// A pass is noted by its key, followed by "/" and the channels that some
// reading of the selection left empty (bits 1..10, in hexadecimal) when
// there are any: their lines have gaps the stored values do not show.
// nullopt when the pass is not noted, else those channels.
std::optional<unsigned> notedPass(const QStringList& passes, const QString& key)
{
    for (const QString& p : passes) {
        const qsizetype slash = p.indexOf(u'/');
        if (p.left(slash) != key)
            continue;
        bool ok = true;
        const unsigned empty = slash < 0 ? 0u : p.mid(slash + 1).toUInt(&ok, 16);
        if (ok)
            return empty;
    }
    return std::nullopt;
}

// After a pass that ran to the end without a failure: its values are
// current, and so are those of the passes noted before unless it changed a
// row. In the pass's transaction; a note that cannot be kept only makes the
// next entry slower.
void keepNote(store::Connection& conn, const Selection& s, const QString& id, const QString& key,
              unsigned emptyChannels, const QStringList& before, bool wrote)
{
    QStringList passes;
    if (!wrote) {
        for (const QString& p : before)
            if (p.left(p.indexOf(u'/')) != key)
                passes << p;
    }
    passes << (emptyChannels ? key + u'/' + QString::number(emptyChannels, 16) : key);
    attempt([&] { store::writeWatchedNote(conn, s.table, id, kNoteName, s.watched, passes.join(QLatin1Char(' '))); });
}

// Puts the lines read in the table's own order into date order, where they
// are not in it already: by X, which for FullDates in their plain form is
// their order as texts, and by rowid where two are equal (the sort is
// stable), as the selection's ORDER BY gives them.
void intoDateOrder(GraphLines& lines, std::vector<qint64>& rowids, int drawn)
{
    if (std::is_sorted(lines.x.begin(), lines.x.end()))
        return;
    std::vector<size_t> order(lines.x.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return lines.x[a] < lines.x[b]; });
    auto permute = [&](auto& v) {
        std::remove_reference_t<decltype(v)> out;
        out.reserve(v.size());
        for (const size_t i : order)
            out.push_back(v[i]);
        v.swap(out);
    };
    permute(lines.x);
    permute(rowids);
    for (int f = 0; f <= drawn; ++f)
        permute(lines.y[size_t(f)]);
}

// The columns of a selection's rows that its lines are read from: FullDate,
// NumTemp, the drawn fields, and the channels where some were left empty.
struct DrawnColumns {
    std::vector<store::ColType> types;
    // The stored forms the passes write, numbers and plain date-times, are
    // taken straight from the row; anything else the general way, as the
    // record set would read it.
    std::vector<char> numeric;
    int drawn = 0;
    bool channels = false;
};

// Points read from some of the selection's rows, in the order read.
struct LinePart {
    // Read: every row read. Again: a FullDate whose place in time only the
    // engine knows, met while reading in the table's own order. General: a
    // value only the general reading judges.
    enum Outcome { Read, Again, General } outcome = Read;
    std::vector<double> x;
    std::array<std::vector<double>, GraphLines::kFields> y;
    std::vector<qint64> rowids;  // read in the table's own order only
    qint64 first = 0, last = 0;

    void reserve(size_t rows, int drawn, bool ownOrder)
    {
        x.reserve(rows);
        for (int f = 0; f <= drawn; ++f)
            y[size_t(f)].reserve(rows);
        if (ownOrder)
            rowids.reserve(rows);
    }
    void append(const LinePart& o, int drawn)
    {
        x.insert(x.end(), o.x.begin(), o.x.end());
        for (int f = 0; f <= drawn; ++f)
            y[size_t(f)].insert(y[size_t(f)].end(), o.y[size_t(f)].begin(), o.y[size_t(f)].end());
        rowids.insert(rowids.end(), o.rowids.begin(), o.rowids.end());
        if (first == 0)
            first = o.first;
        if (o.last != 0)
            last = o.last;
    }
};

// Reads the rows q gives (rowid, then the columns) into p. afterFirstStep
// runs once the first step is taken, whatever it found; a stop asked for
// from another thread ends the reading early, its part unused.
void readPoints(store::BulkQuery& q, const DrawnColumns& c, bool ownOrder, LinePart& p,
                const std::function<void()>& afterFirstStep = {}, const std::atomic<bool>* stop = nullptr)
{
    const std::vector<store::ColType>& types = c.types;
    const int drawn = c.drawn;
    TextPool pool;
    auto value = [&](int col, int field) -> std::optional<double> {
        if (c.numeric[size_t(field)]) {
            if (const auto v = q.storedNumber(col))
                return std::isfinite(*v) ? *v : std::numeric_limits<double>::quiet_NaN();
        }
        if (q.isNull(col))
            return std::numeric_limits<double>::quiet_NaN();
        pool.clear();
        return plotted(q.cell(col, types[size_t(field)], pool));
    };
    bool row = q.next();
    if (afterFirstStep)
        afterFirstStep();
    for (size_t n = 1; row; row = q.next(), ++n) {
        if (stop && (n & 1023) == 0 && stop->load(std::memory_order_relaxed))
            return;
        p.last = q.integer(0);
        if (p.first == 0)
            p.first = p.last;
        Cell xc;
        if (const auto when = types[0] == store::ColType::DateTime ? q.plainDateTime(1) : std::nullopt) {
            xc.tag = Tag::DateTime;
            xc.i = *when;
        } else if (ownOrder) {
            p.outcome = LinePart::Again;
            return;
        } else {
            pool.clear();
            xc = q.cell(1, types[0], pool);
        }
        const auto x = plotted(xc);
        if (!x || !(xc.tag == Tag::Null || xc.tag == Tag::Date || xc.tag == Tag::DateTime)) {
            p.outcome = LinePart::General;
            return;
        }
        p.x.push_back(std::isnan(*x) ? *x : std::round((*x - kUnixEpochSerial) * 86400.0 * 1000.0) / 1000.0);
        if (ownOrder)
            p.rowids.push_back(p.last);
        for (int f = 0; f <= drawn; ++f) {
            auto y = value(2 + f, f + 1);
            if (!y) {
                p.outcome = LinePart::General;
                return;
            }
            if (c.channels && f > 0) {
                const int at = 2 + drawn + f;
                pool.clear();
                const Cell ch = q.cell(at, types[size_t(at - 1)], pool);
                if (ch.tag == Tag::Null || (ch.tag == Tag::Text && store::detail::cellValue(ch, pool).toString().isEmpty()))
                    y = std::numeric_limits<double>::quiet_NaN();
            }
            p.y[size_t(f)].push_back(*y);
        }
    }
}

// Below this many rowids a second thread is not worth starting.
constexpr qint64 kSplitRows = 20000;

// The selection read in the table's own order (rowid), into p. Where the
// table is large and the file allows, the upper half of its rowids is read on
// a second thread through a second connection while this one reads the lower
// half. The second thread takes its first step while this connection's read
// is under way, so both read the file as one writer's commit left it: no
// commit can come between them.
void readInOwnOrder(store::Connection& conn, const Selection& s, const QString& head, const DrawnColumns& c,
                    const store::TableExtent& extent, LinePart& p)
{
    store::BulkQuery least(conn, (QStringLiteral("SELECT min(rowid) FROM ") + store::detail::quoteIdent(s.table)).toUtf8());
    const qint64 lo = least.next() && !least.isNull(0) ? least.integer(0) : 0;
    const qint64 hi = extent.maxRowid;
    const size_t rows = size_t(std::max<qint64>(0, extent.rows));
    constexpr qint64 kFirst = std::numeric_limits<qint64>::min(), kLast = std::numeric_limits<qint64>::max();
    const QByteArray sql = (head + s.whereInRowids + QStringLiteral(" ORDER BY rowid")).toUtf8();
    auto query = [&](store::Connection& cn, qint64 from, qint64 to) {
        auto q = std::make_unique<store::BulkQuery>(cn, sql);
        q->bindInt(1, from);
        q->bindInt(2, to);
        q->bindWhere(s.where, 3);
        return q;
    };
    p.reserve(rows, c.drawn, true);
    store::Connection* reader = nullptr;
    // On a single processor the halves would only take turns.
    if (hi - lo >= kSplitRows && std::thread::hardware_concurrency() > 1) {
        try {
            reader = conn.reader();
        } catch (...) {
            reader = nullptr;  // read it all here
        }
    }
    if (!reader) {
        readPoints(*query(conn, kFirst, kLast), c, true, p);
        return;
    }
    const qint64 mid = lo + (hi - lo) / 2;
    LinePart upper;
    upper.reserve(rows / 2 + rows / 16, c.drawn, true);
    std::atomic<bool> stop{false};
    std::promise<void> started;
    std::future<void> upperRead;
    // Asks the second thread to stop, on every way out, before its future
    // waits for it.
    struct StopFirst {
        std::atomic<bool>& stop;
        ~StopFirst() { stop = true; }
    };
    // The upper half on its own thread; returns once that thread has taken
    // its first step (or failed to).
    auto startUpper = [&] {
        auto readUpper = [&] {
            bool signalled = false;
            try {
                readPoints(*query(*reader, mid + 1, kLast), c, true, upper, [&] {
                    started.set_value();
                    signalled = true;
                }, &stop);
            } catch (...) {
                if (!signalled)
                    started.set_value();
                throw;
            }
        };
        try {
            upperRead = std::async(std::launch::async, readUpper);
        } catch (...) {
            return;  // no thread to be had: this one reads the upper half
        }
        started.get_future().wait();
    };
    {
        StopFirst guard{stop};
        readPoints(*query(conn, kFirst, mid), c, true, p, startUpper);
        if (p.outcome != LinePart::Read)
            return;  // the guard stops the second thread, its future waits
        bool read = false;
        try {
            upperRead.get();
            read = true;
        } catch (...) {
            // The second connection could not read (a writer held the file):
            // this one reads the upper half too.
        }
        if (!read) {
            upper = LinePart();
            readPoints(*query(conn, mid + 1, kLast), c, true, upper);
        }
    }
    if (upper.outcome != LinePart::Read) {
        p.outcome = upper.outcome;
        return;
    }
    p.append(upper, c.drawn);
}

// The lines of a selection whose stored values are current, read as they
// stand: FullDate and the drawn fields only. False (lines cleared) when a
// value is one only the general reading judges.
//
// Readings are mostly stored in the order they were taken, so the table read
// in its own order is nearly always the selection in date order already, at
// a fraction of the cost of walking the date index and fetching every row
// through it; the rows are read that way and put in date order afterwards
// (rarely needed). That holds while every FullDate is a date-time in its
// plain form, whose order as a text is its order in time; at the first
// other value the rows are read again in the statement's own order.
bool readCurrentLines(store::Connection& conn, const Selection& s, unsigned emptyChannels, GraphLines& lines)
{
    using store::detail::quoteIdent;
    const store::TableShape shape = store::tableShape(conn, s.table);
    QStringList fields{QStringLiteral("FullDate"), QStringLiteral("NumTemp")};
    DrawnColumns c;
    const int drawn = c.drawn = std::clamp(lines.wanted, 0, lines.displacement ? 6 : 10);
    for (int k = 1; k <= drawn; ++k)
        fields << (lines.displacement ? QStringLiteral("Disp%1") : QStringLiteral("zero%1")).arg(k);
    // Where a drawn channel was left empty in some reading, the channels are
    // read too, to leave those points out.
    c.channels = !lines.displacement && (emptyChannels & (((2u << drawn) - 1) & ~1u)) != 0;
    if (c.channels)
        for (int k = 1; k <= drawn; ++k)
            fields << QStringLiteral("Channel%1").arg(k);
    QStringList select;
    for (const QString& f : fields) {
        const int i = shape.indexOf(f);
        if (i < 0)
            return false;
        select << quoteIdent(shape.cols[size_t(i)].name);
        c.types.push_back(shape.cols[size_t(i)].type);
    }
    for (const store::ColType t : c.types)
        c.numeric.push_back(t == store::ColType::Double || t == store::ColType::Long);
    // Room for every row at once: the table's size bounds the selection's.
    const store::TableExtent extent = store::tableExtent(conn, s.table);
    const QString head = QStringLiteral("SELECT rowid, ") + select.join(QStringLiteral(", ")) + QStringLiteral(" FROM ")
        + quoteIdent(s.table);

    LinePart p;
    const bool ownOrder = s.byFullDate && c.types[0] == store::ColType::DateTime;
    if (ownOrder)
        readInOwnOrder(conn, s, head, c, extent, p);
    if (!ownOrder || p.outcome == LinePart::Again) {
        p = LinePart();
        p.reserve(size_t(std::max<qint64>(0, extent.rows)), drawn, false);
        store::BulkQuery q(conn, (head + s.whereAndOrder).toUtf8());
        q.bindWhere(s.where);
        readPoints(q, c, false, p);
    }
    if (p.outcome != LinePart::Read)
        return false;
    lines.x.swap(p.x);
    for (int f = 0; f <= drawn; ++f)
        lines.y[size_t(f)].swap(p.y[size_t(f)]);
    if (!p.rowids.empty()) {
        intoDateOrder(lines, p.rowids, drawn);
        p.first = p.rowids.front();
        p.last = p.rowids.back();
    }
    lines.firstDate = readingDate(conn, s, p.first);
    lines.lastDate = readingDate(conn, s, p.last);
    return true;
}

void runPass(AppState& st, Prompter& pr, GraphSelection sel, const NodeGeometry* g, const QString& logName,
             GraphLines* lines)
{
    if (lines) {
        lines->clear();
        lines->ready = true;
        lines->displacement = g != nullptr;
    }
    // The zero reading first: its offsets are wanted whether or not the
    // stored values are current.
    const QString key = passKey(sel, g);
    Selection s;
    openSelection(s, st, pr, sel, g != nullptr, 1, lines != nullptr);
    GetOffsets(st, s);
    QStringList before;
    attempt([&] {
        if (s.state == Selection::Open)
            before = currentPasses(*st.conn, s.id, s);
    });
    if (const auto empty = notedPass(before, key)) {
        s.query.reset();
        if (!lines)
            return;
        bool read = false;
        attempt([&] { read = readCurrentLines(*st.conn, s, *empty, *lines); });
        if (read)
            return;
        // A value only the general reading judges: the whole pass, which
        // writes nothing here, gives the lines.
        lines->clear();
        lines->ready = true;
        lines->displacement = g != nullptr;
        s = Selection();
        openSelection(s, st, pr, sel, g != nullptr, 1);
    }
    s.chunk = kChunk;
    const calc::ZeroOffsets off = calc::readOffsets(st.Offset);
    std::optional<calc::Anchors> anchors;
    if (g)
        anchors = calc::readAnchors(g->headAtCollar, g->numChannels, g->relAnchor);

    // All rows in one write to the file. A failure keeps the rows already
    // done, as it would row by row; the row that failed is not written. On a
    // server the rows are sent ahead of their answers, and a row the server
    // refuses undoes the whole pass: every value stays as it was before.
    std::optional<store::Connection::Transaction> tx;
    bool finished = false;
    try {
        tx.emplace(*st.conn);
        std::optional<store::TableShape> shape;
        if (s.state == Selection::Open)
            shape = store::tableShape(*st.conn, s.table);
        const store::TableShape none;
        RowWriter writer(*st.conn, s, shape ? *shape : none);
        bool failed = false;
        unsigned emptyChannels = 0;
        size_t r = 0;
        // The body runs before the first end test, so a closed or empty
        // selection fails in it.
        do {
            RowWrite w;
            SetZeros(st, s, r, off, w);
            if (anchors)
                CalcStretchAndDisp(*st.conn, s, r, *anchors, w);
            writer.update(r, w);
            failed = failed || w.failed;
            if (lines)
                emptyChannels |= addLine(*st.conn, s, r, w, *lines);
            if (++r == s.rows() && s.fetch())
                r = 0;
        } while (r < s.rows());
        s.query.reset();
        if (!failed && s.state == Selection::Open)
            keepNote(*st.conn, s, s.id, key, emptyChannels, before, writer.written() > 0);
        tx->commit();
        finished = true;
    } catch (...) {
        logCurrentException(st.DataFolder, logName);
        s.query.reset();
        attempt([&] {
            if (tx)
                tx->commit();
        });
        // A selection that could not be read was told where it was opened.
        if (s.state == Selection::Open && s.rows() > 0)
            tellPassFailed(st, pr);
    }
    if (!lines)
        return;
    if (!finished || s.state != Selection::Open) {
        lines->clear();
        return;
    }
    try {
        lines->firstDate = readingDate(*st.conn, s, s.firstRowid);
        lines->lastDate = readingDate(*st.conn, s, s.lastRowid);
    } catch (...) {
        lines->clear();
    }
}

} // namespace

void GetTemporalData(AppState& st, Prompter& pr, GraphLines* lines)
{
    runPass(st, pr, GraphSelection::Temporal, nullptr, QStringLiteral("G_GetTemporalData"), lines);
}

void GetDispData(AppState& st, Prompter& pr, const NodeGeometry& g, GraphLines* lines)
{
    runPass(st, pr, GraphSelection::Temporal, &g, QStringLiteral("G_GetTemporalData"), lines);
}

void GetSpatialData(AppState& st, Prompter& pr)
{
    runPass(st, pr, GraphSelection::Spatial, nullptr, QStringLiteral("G_GetTemporalData"), nullptr);
}

void GetSDispData(AppState& st, Prompter& pr, const NodeGeometry& g)
{
    runPass(st, pr, GraphSelection::Spatial, &g, QStringLiteral("G_GetTemporalData"), nullptr);
}

void GetRateData(AppState& st, Prompter& pr)
{
    runPass(st, pr, GraphSelection::AllReadings, nullptr, QStringLiteral("G_GetRateData"), nullptr);
}

} // namespace rv::graphs
