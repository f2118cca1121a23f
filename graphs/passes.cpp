#include "graphs/passes.h"

#include "calc/stretch.h"
#include "calc/zeros.h"
#include "common/log.h"
#include "graphs/graph_data.h"
#include "store/cell.h"
#include "store/sqlerror.h"
#include "store/statement.h"
#include "store/tableinfo.h"

#include <QHash>
#include <algorithm>
#include <optional>
#include <sqlite3.h>
#include <vector>

// A pass reads its selection straight from the file rather than through the
// graph record set: only the sixteen fields it needs, by rowid, in the order
// the record set would give (the same condition, FullDate then rowid), and
// writes each row back by rowid. The record set would hold all 41 fields of
// every reading, which on years of hourly readings costs more than the pass
// itself. The graph record set is left closed, as after a pass through it.

namespace rv::graphs {

namespace {

using store::detail::Cell;
using store::detail::TextPool;

// Columns read per row.
enum : int { kChannel = 0, kChannelT = 10, kZero = 11, kRead = 16 };

struct Selection {
    enum State { Closed, Open } state = Closed;
    QString table;
    // kRead cells per row, in selection order.
    std::vector<Cell> cells;
    TextPool pool;
    std::vector<qint64> rowids;
    // The names of the fields written, as the table spells them.
    std::array<QString, 11> zeroName;
    QString numTempName;
    std::array<QString, 6> stretchName;
    std::array<QString, 7> dispName;
    bool complete = true;  // every field read and written exists

    size_t rows() const { return rowids.size(); }
    const Cell* row(size_t r) const { return cells.data() + r * kRead; }
    QVariant value(size_t r, int c) const { return store::detail::cellValue(row(r)[c], pool); }
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
// handling of a missing table.
Selection openSelection(AppState& st, Prompter& pr, GraphSelection sel)
{
    Selection s;
    QString id;
    try {
        id = st.rsSensors.text(QStringLiteral("InstrumentID"));
        st.rsGraph.close();
        if (!graphTableReady(st, pr, sel, id))
            return s;
        using namespace store::detail;
        sqlite3* db = st.conn->handle();
        if (!db)
            throw objectClosed();
        const ResolvedSelection rs = resolveSelection(db, id, sel);
        s.table = rs.table;
        const std::vector<ColumnInfo>& cols = rs.cols;
        auto indexOf = [&rs](const QString& f) { return rs.indexOf(f); };

        // The fields read, in the order of the enum above; a missing one is
        // read as null and makes every row fail as it would in the record set.
        QStringList wanted;
        for (int k = 1; k <= 10; ++k)
            wanted << QStringLiteral("Channel%1").arg(k);
        wanted << QStringLiteral("ChannelT");
        for (int k = 1; k <= 5; ++k)
            wanted << QStringLiteral("zero%1").arg(k);
        QStringList select;
        std::vector<store::ColType> types;
        for (const QString& f : wanted) {
            const int i = indexOf(f);
            if (i < 0) {
                s.complete = false;
                select << QStringLiteral("NULL");
                types.push_back(store::ColType::Double);
            } else {
                select << quoteIdent(cols[size_t(i)].name);
                types.push_back(cols[size_t(i)].type);
            }
        }
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

        const QByteArray sql = (QStringLiteral("SELECT rowid, ") + select.join(QStringLiteral(", ")) +
                                QStringLiteral(" FROM ") + quoteIdent(s.table) + sqlWhere(rs.where, cols) +
                                QStringLiteral(" ORDER BY ") + quoteIdent(cols[size_t(rs.orderCol)].name) +
                                (rs.descending ? QStringLiteral(" DESC") : QString()) + QStringLiteral(", rowid"))
                                   .toUtf8();
        StatementUse use(db, st.conn->prepared(sql));
        bindWhere(use.get(), rs.where);
        while (use.step()) {
            s.rowids.push_back(sqlite3_column_int64(use.get(), 0));
            for (int c = 0; c < kRead; ++c)
                s.cells.push_back(readCell(use.get(), c + 1, types[size_t(c)], s.pool));
        }
        s.state = Selection::Open;
    } catch (...) {
        graphOpenFailed(st, pr, sel, id);
        s = Selection();
    }
    return s;
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
void SetZeros(AppState& st, const Selection& s, size_t r, const calc::ZeroOffsets& off, RowWrite& w)
{
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
        logCurrentException(st.DataFolder, QStringLiteral("G_SetZeros"));
    }
}

// Stretches and displacements of row r from its zero values as they now
// stand: the new ones, and the old ones where SetZeros stopped early. A node
// position that cannot be read ends the pass.
void CalcStretchAndDisp(const Selection& s, size_t r, const calc::Anchors& a, RowWrite& w)
{
    requireRow(s, r);
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

// Prepared UPDATE statements by rowid, one per shape of row.
class RowWriter {
public:
    RowWriter(store::Connection& conn, const Selection& s) : m_conn(conn), m_s(s) {}

    void update(size_t r, const RowWrite& w)
    {
        requireRow(m_s, r);
        const int key = w.zeros * 4 + (w.numTemp ? 2 : 0) + (w.displacement ? 1 : 0);
        if (key == 0)
            return;  // nothing assigned: nothing to write
        sqlite3* db = m_conn.handle();
        store::detail::StatementUse use(db, statement(key, w));
        sqlite3_stmt* st = use.get();
        int p = 1;
        for (int k = 1; k <= w.zeros; ++k)
            sqlite3_bind_double(st, p++, w.zero[size_t(k)]);
        if (w.numTemp)
            sqlite3_bind_double(st, p++, w.temp);
        if (w.displacement) {
            for (int k = 1; k <= 5; ++k)
                bindOptional(st, p++, w.stretch[size_t(k)]);
            for (int k = 1; k <= 6; ++k)
                bindOptional(st, p++, w.disp[size_t(k)]);
        }
        sqlite3_bind_int64(st, p, m_s.rowids[r]);
        use.step();
        if (sqlite3_changes(db) == 0)
            throw store::DbError(store::err::EngineError,
                                 QStringLiteral("Row cannot be located for updating. Some values may have been "
                                                "changed since it was last read."));
    }

private:
    static void bindOptional(sqlite3_stmt* st, int p, const std::optional<double>& v)
    {
        if (v)
            sqlite3_bind_double(st, p, *v);
        else
            sqlite3_bind_null(st, p);
    }

    sqlite3_stmt* statement(int key, const RowWrite& w)
    {
        auto it = m_sql.find(key);
        if (it == m_sql.end()) {
            using store::detail::quoteIdent;
            QStringList sets;
            for (int k = 1; k <= w.zeros; ++k)
                sets << quoteIdent(m_s.zeroName[size_t(k)]);
            if (w.numTemp)
                sets << quoteIdent(m_s.numTempName);
            if (w.displacement) {
                for (int k = 1; k <= 5; ++k)
                    sets << quoteIdent(m_s.stretchName[size_t(k)]);
                for (int k = 1; k <= 6; ++k)
                    sets << quoteIdent(m_s.dispName[size_t(k)]);
            }
            for (qsizetype i = 0; i < sets.size(); ++i)
                sets[i] += QStringLiteral(" = ?%1").arg(i + 1);
            const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                                    .arg(store::detail::quoteIdent(m_s.table), sets.join(QStringLiteral(", ")))
                                    .arg(sets.size() + 1);
            it = m_sql.insert(key, sql.toUtf8());
        }
        return m_conn.prepared(it.value());
    }

    store::Connection& m_conn;
    const Selection& m_s;
    QHash<int, QByteArray> m_sql;
};

void runPass(AppState& st, Prompter& pr, GraphSelection sel, const NodeGeometry* g, const QString& logName)
{
    const Selection s = openSelection(st, pr, sel);
    GetOffsets(st, s);
    const calc::ZeroOffsets off = calc::readOffsets(st.Offset);
    std::optional<calc::Anchors> anchors;
    if (g)
        anchors = calc::readAnchors(g->headAtCollar, g->numChannels, g->relAnchor);

    // All rows in one write to the file. A failure keeps the rows already
    // done, as it would row by row; the row that failed is not written.
    std::optional<store::Connection::Transaction> tx;
    try {
        tx.emplace(*st.conn);
        RowWriter writer(*st.conn, s);
        size_t r = 0;
        // The body runs before the first end test, so a closed or empty
        // selection fails in it.
        do {
            RowWrite w;
            SetZeros(st, s, r, off, w);
            if (anchors)
                CalcStretchAndDisp(s, r, *anchors, w);
            writer.update(r, w);
            ++r;
        } while (r < s.rows());
        tx->commit();
    } catch (...) {
        logCurrentException(st.DataFolder, logName);
        attempt([&] {
            if (tx)
                tx->commit();
        });
        // A selection that could not be read was told where it was opened.
        if (s.state == Selection::Open && s.rows() > 0)
            tellPassFailed(st, pr);
    }
}

} // namespace

void GetTemporalData(AppState& st, Prompter& pr)
{
    runPass(st, pr, GraphSelection::Temporal, nullptr, QStringLiteral("G_GetTemporalData"));
}

void GetDispData(AppState& st, Prompter& pr, const NodeGeometry& g)
{
    runPass(st, pr, GraphSelection::Temporal, &g, QStringLiteral("G_GetTemporalData"));
}

void GetSpatialData(AppState& st, Prompter& pr)
{
    runPass(st, pr, GraphSelection::Spatial, nullptr, QStringLiteral("G_GetTemporalData"));
}

void GetSDispData(AppState& st, Prompter& pr, const NodeGeometry& g)
{
    runPass(st, pr, GraphSelection::Spatial, &g, QStringLiteral("G_GetTemporalData"));
}

void GetRateData(AppState& st, Prompter& pr)
{
    runPass(st, pr, GraphSelection::AllReadings, nullptr, QStringLiteral("G_GetRateData"));
}

} // namespace rv::graphs
